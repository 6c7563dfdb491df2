#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTEXTWRITER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTEXTWRITER_H

#include "io/KWriter.h"

#include <memory>

class KStreamOptions;
class KStreamOptionsMotion;
class KTextFile;

// The file handling the writers of the motion text tables (BRD, MOV, VPM) share: one text file
// of the format, created by FileCreate, whose text replaces the target only when a Write
// succeeds (KTextFile, KOutputFile): after a failed Write, or a FileClose without one that
// succeeded, the file that was there is untouched. A format writer says which file class it
// writes (NewFile) and what goes into it (WriteScene).
class KMotionTextWriter : public KWriter
{
public:
    ~KMotionTextWriter() override;

    // False with kFileNotOpened and "Cannot open file "<name>" for writing." when it cannot be
    // created.
    bool FileCreate(const char* pFileName) override;
    // Drops the file unless a Write succeeded. False with kFileNotOpened when none was created.
    bool FileClose() override;
    bool IsFileOpen() override;
    // Checks the file and the options (kFileNotOpened, kStreamOptionsNotSet), then WriteScene;
    // a write or the final flush that fails is kOutOfDiskSpace. A file takes one Write only.
    bool Write(KRyvScene* pScene, KStreamOptions* pOptions) override;
    // "no node marked for export" when the writer's default options would find no marker to
    // write (KMotionMarkerSampler), for a caller that would rather refuse than write an empty
    // table.
    const char* FindMissingContent(KRyvScene* pScene) override;

protected:
    explicit KMotionTextWriter(KRyvObjectFactory* pOwner);

    // A new, closed file object of the format.
    virtual std::unique_ptr<KTextFile> NewFile() const = 0;
    // Writes the scene into the open file; false with the error set (FailPrint for a print that
    // failed).
    virtual bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) = 0;

    // kOutOfDiskSpace when the file refused a write, else kUnidentifiedError with the file's
    // message; a line of the message text either way. Answers false.
    bool FailPrint();
    // kUnidentifiedError with pText, also as a line of the message text. Answers false.
    bool Fail(const char* pText);

    KTextFile* GetFile() const { return mFile.get(); }

private:
    std::unique_ptr<KTextFile> mFile;
};

#endif
