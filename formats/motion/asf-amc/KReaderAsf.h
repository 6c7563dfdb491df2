#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KREADERASF_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KREADERASF_H

#include "formats/motion/KMotionTextReader.h"

#include <memory>

class KAsfFile;
class KStreamOptionsMotion;

// Reads an ASF skeleton into a scene as limb nodes (marked for export) in their rest pose, in
// centimetres, and leaves the skeleton itself (KRyvAsfScene) in the KStreamOptionsMotion, which
// owns it from then on, for an AMC read with the same options (KReaderAmc). The nodes get no
// take of their own: an ASF file holds no motion.
//
// Options: 8 at 1 (as GetReadOptions leaves it) hangs the skeleton below a node
// "<skeleton name>:reference" ("ASF:reference" for a skeleton without name); 9 at 1 keeps bones
// without DOFs, otherwise they merge into their children; 10 at 1 sets node limits from the bones.
//
// Errors (KReader table): no file open, kFileNotOpened; no option set or one of another class,
// kStreamOptionsNotSet; everything wrong in the file and duplicate names (shown through the
// options' message callback), kFileCorrupted with "file:line: why" as the error text and a line of
// the message text. Nothing joins the scene unless the whole read succeeds.
class KReaderAsf : public KMotionTextReader
{
public:
    static constexpr int kOptionReference = 8;
    static constexpr int kOptionKeepBonesWithoutDof = 9;
    static constexpr int kOptionLimits = 10;

    explicit KReaderAsf(KRyvObjectFactory* pOwner);
    ~KReaderAsf() override;

    // Options 8 at 1, 9 and 10 at 0: what GetReadOptions of both readers of the pair answer.
    static void SetReadDefaults(KStreamOptionsMotion& ioOptions);

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    KAsfFile& File() const;
    // The file has no options to give: GetReadOptions answers SetReadDefaults.
    bool ReadHeaderOptions(KStreamOptionsMotion& ioOptions) override;
    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
};

#endif
