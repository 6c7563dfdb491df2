#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KREADERAMC_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KREADERAMC_H

#include "formats/motion/KMotionTextReader.h"

#include <memory>

class KAmcFile;
class KRyvAsfScene;
class KStreamOptionsMotion;

// Reads an AMC file against the skeleton an ASF read left in the KStreamOptionsMotion (owned or
// lent there): the frames become a new take, named after the file ("walk", then "walk 1", ...)
// on the skeleton's nodes, which are reused where they are and created where they are missing.
// Options 8 and 10 as KReaderAsf reads them; the options' start, period and frame count place
// the keys (GetReadOptions fills them from the file).
//
// Errors (KReader table): no file open, kFileNotOpened; options without an ASF skeleton,
// kStreamOptionsNotSet; everything wrong in the file, kFileCorrupted with "file:line: why". A
// failed read leaves the scene and the skeleton as they were.
class KReaderAmc : public KMotionTextReader
{
public:
    explicit KReaderAmc(KRyvObjectFactory* pOwner);
    ~KReaderAmc() override;

    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    KAmcFile& File() const;
    // GetReadOptions answers options 8 at 1, 9 and 10 at 0 and the file's rate, start and frame
    // count; kFileCorrupted for a bad file.
    bool ReadHeaderOptions(KStreamOptionsMotion& ioOptions) override;
    // Only options that carry an ASF skeleton.
    bool AcceptsOptions(KStreamOptionsMotion& pOptions) const override;
    bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) override;
    bool ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions, KRyvAsfScene& ioSkeleton);
    // The options' start and frame count become the span of the frames read, so that a writer
    // given them writes every record at its own frame and nothing beyond.
    void TakeReadSpan(KStreamOptionsMotion& ioOptions) const;
    bool Place(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions, KRyvAsfScene& ioSkeleton,
               const KString& pTakeName);
    KString UniqueTakeName(KRyvScene& ioScene) const;
};

#endif
