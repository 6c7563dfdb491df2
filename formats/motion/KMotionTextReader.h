#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTEXTREADER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTEXTREADER_H

#include "core/KString.h"
#include "io/KReader.h"

#include <memory>

class KStreamOptions;
class KStreamOptionsMotion;
class KTextFile;

// The file handling the motion text readers (BVH, HTR, ASF, AMC, BRD, MOV, VPM) share: one text
// file of the format, opened through the reader's byte source and owned until FileClose or the
// next open; refusals named by the KReader table. A format reader says which file class it reads
// (NewFile) and builds the scene (ReadScene).
class KMotionTextReader : public KReader
{
public:
    // Warnings of a reporting file that reach the message text, at most.
    static constexpr int kMaxWarnings = 20;

    ~KMotionTextReader() override;

    // Drops the file and what was parsed of it; false with kFileNotOpened when none is open.
    bool FileClose() override;
    bool IsFileOpen() override;
    // A KStreamOptionsMotion filled by ReadHeaderOptions. Null with kFileNotOpened when no file
    // is open; with kFileCorrupted (and the file's last error as its text) when the header is bad.
    std::unique_ptr<KStreamOptions> GetReadOptions() override;
    // Checks the file and the options (CheckRead), then ReadScene; out of memory is
    // kFileCorrupted with "<file>: out of memory".
    bool Read(KRyvScene* pScene, KStreamOptions* pOptions) override;

protected:
    explicit KMotionTextReader(KRyvObjectFactory* pOwner);

    // A new, closed file object of the format. When it reports, its warnings become lines of
    // the message text.
    virtual std::unique_ptr<KTextFile> NewFile() const = 0;
    // Forgets what was parsed of the previous file (the base has nothing).
    virtual void ClearParsed() {}
    // Fills pOptions from the file's header for GetReadOptions; false with the file's last error
    // set. The base reads no header and keeps the defaults.
    virtual bool ReadHeaderOptions(KStreamOptionsMotion& ioOptions);
    // Whether the options carry what the format needs beyond their class (CheckRead answers
    // kStreamOptionsNotSet otherwise). The base takes any.
    virtual bool AcceptsOptions(KStreamOptionsMotion& pOptions) const;
    // Reads the open file into the scene once the checks of Read have passed; false with the
    // error set.
    virtual bool ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions) = 0;

    // kFileCorrupted with pText as the error text and a line of the message text; answers false.
    bool Fail(const KString& pText);
    // The same with the file's last error, or "<file>: <pWhy>" when it has none.
    bool FailFile(const char* pWhy);

    // The take name of the open file: its name without folder and extension ("walk.bvh" gives
    // "walk").
    KString GetTakeName() const;

    KTextFile* GetFile() const { return mFile.get(); }

private:
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override;
    // The option checks every Read starts with: kFileNotOpened without a file,
    // kStreamOptionsNotSet without motion options (or ones AcceptsOptions refuses),
    // kUnidentifiedError without a scene root or an owner. Null on refusal.
    KStreamOptionsMotion* CheckRead(KRyvScene* pScene, KStreamOptions* pOptions);

    std::unique_ptr<KTextFile> mFile;
    int mWarningCount = 0;
};

#endif
