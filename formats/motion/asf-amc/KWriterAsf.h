#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KWRITERASF_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KWRITERASF_H

#include "formats/motion/KMotionTextWriter.h"

#include <memory>

class KAsfFile;
class KRyvAsfScene;
class KRyvNode;
class KStreamOptionsMotion;

// Writes the skeleton below the scene's single root chain (FindReferenceNode) as an ASF file in
// a length unit of 1 (inches) and degrees, and leaves the skeleton (KRyvAsfScene) in the
// KStreamOptionsMotion, which owns it, for an AMC write with the same options (KWriterAmc).
// Bone names are the node names without their type prefix; the root bone is "root". Axis angles
// and directions are rounded to the digits printed of their largest component, so that a pair the
// writers made reads back and writes out byte for byte the same.
//
// Options: 0 at 1 gives every bone translation DOFs; 13 at 1 scales translations by the default
// global scale of the root's parent (the reference node).
//
// Errors (KWriter table): no file, kFileNotOpened; no single root, kFileNotCreated with "Scene must
// have a single root node."; no or wrong option set, kStreamOptionsNotSet; a name the format
// cannot hold (a blank, tab or line break, ',', '(' or ')', a leading '#' or ':', a start that
// reads as a number, a start "begin" or "end", more than kMaxNameLength characters, or "root"
// below the root), kUnidentifiedError after the options' message "Error"; no memory left,
// kUnidentifiedError; a failed write or flush, kOutOfDiskSpace. The target is replaced only when
// the whole file was written.
class KWriterAsf : public KMotionTextWriter
{
public:
    static constexpr int kOptionTranslationDofs = 0;
    static constexpr int kOptionReference = 13;
    static constexpr int kOptionWritten = 14;
    static constexpr int kOptionWriteRate = 15;
    static constexpr int kOptionWriteRange = 16;
    // Longest name other programs read whole.
    static constexpr std::size_t kMaxNameLength = 50;

    explicit KWriterAsf(KRyvObjectFactory* pOwner);
    ~KWriterAsf() override;

    // A KStreamOptionsMotion with options 0 at 0, 13 at 0, 14 at 1, 15 at 1 and 16 at 0.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    const char* FindMissingContent(KRyvScene* pScene) override;

    // False when a node below pRoot has a name an ASF or AMC reader would misread; "\n    " and
    // each such name are appended to ioMessage.
    static bool CheckAsfNames(KRyvNode* pRoot, KString& ioMessage);
    // The options of both writers of the pair.
    static std::unique_ptr<KStreamOptions> MakeWriteOptions();

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    // The skeleton file holds no frames.
    bool WritesFrames() const override;
    KAsfFile& File() const;
    // A scene without a single root (FindReferenceNode): kFileNotCreated.
    bool CheckScene(KRyvScene* pScene) override;
    // The names are checked here rather than in CheckWrite: a refused name drops the file.
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    // Hands the skeleton written to the options.
    void Written(KStreamOptionsMotion& ioOptions) override;
    bool CheckNames(KRyvNode* pRoot, const KStreamOptionsMotion& pOptions);

    // The skeleton of the file being written, until Written hands it over.
    std::unique_ptr<KRyvAsfScene> mSkeleton;
};

#endif
