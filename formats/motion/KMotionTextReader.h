#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTEXTREADER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTEXTREADER_H

#include "core/KString.h"
#include "io/KReader.h"

#include <memory>

class KStreamOptions;
class KStreamOptionsMotion;
class KTextFile;

// The file handling the readers of the motion text tables (BRD, MOV, VPM) share: one text file
// of the format, opened through the reader's byte source and owned until FileClose or the next
// open; refusals named by the KReader table. A format reader says which file class it reads
// (NewFile) and builds the scene.
class KMotionTextReader : public KReader
{
public:
    ~KMotionTextReader() override;

    // Drops the file and what was parsed of it; false with kFileNotOpened when none is open.
    bool FileClose() override;
    bool IsFileOpen() override;

protected:
    explicit KMotionTextReader(KRyvObjectFactory* pOwner);

    // A new, closed file object of the format.
    virtual std::unique_ptr<KTextFile> NewFile() const = 0;
    // Forgets what was parsed of the previous file (the base has nothing).
    virtual void ClearParsed() {}

    // The option checks every Read starts with: kFileNotOpened without a file,
    // kStreamOptionsNotSet without motion options, kUnidentifiedError without a scene root or an
    // owner. Null on refusal.
    KStreamOptionsMotion* CheckRead(KRyvScene* pScene, KStreamOptions* pOptions);
    // kFileCorrupted with pText as the error text and a line of the message text; answers false.
    bool Fail(const KString& pText);
    // The same with the file's last error, or "<file>: <pWhy>" when it has none.
    bool FailFile(const char* pWhy);

    KTextFile* GetFile() const { return mFile.get(); }

private:
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;

    std::unique_ptr<KTextFile> mFile;
};

#endif
