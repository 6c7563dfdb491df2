#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTEXTWRITER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTEXTWRITER_H

#include "io/KWriter.h"

#include <memory>

class KStreamOptions;
class KStreamOptionsMotion;
class KTextFile;

// The file handling the motion text writers (BVH, HTR, ASF, AMC, BRD, MOV, VPM) share: one text
// file of the format, created by FileCreate, whose text replaces the target only when a Write
// succeeds (KTextFile, KOutputFile): after a failed Write, a FileClose without one that
// succeeded, or a second FileCreate, the file that was there is untouched. In an output group
// (SetOutputGroup) a Write that succeeds hands the file to the group instead. A format writer says
// which file class it writes (NewFile) and what goes into it (WriteScene); hooks let it refuse a
// scene or options before anything is written.
class KMotionTextWriter : public KWriter
{
public:
    ~KMotionTextWriter() override;

    // False with kFileNotOpened and the text of FailOpen when it cannot be created.
    bool FileCreate(const char* pFileName) override;
    // Drops the file unless a Write succeeded. False with kFileNotOpened when none was created.
    bool FileClose() override;
    bool IsFileOpen() override;
    // Checks the file (kFileNotOpened), CheckScene, the options (kStreamOptionsNotSet, also for
    // options AcceptsOptions refuses), the scene's root (kUnidentifiedError), the span to write
    // (options without frames take the span of the scene's current take, KMotionTakeSpan; a
    // scene whose animation has no span found is kUnidentifiedError with the reason) and
    // CheckWrite, then
    // WriteScene (out of memory is kUnidentifiedError "out of memory") and, once the file is
    // closed, Written; a final flush that fails is kOutOfDiskSpace, a file that cannot be put in
    // place kFileNotCreated with its cause (KWriter::FailCommit). A file takes one Write only.
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
    // failed). The file is then dropped.
    virtual bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) = 0;
    // Refuses, with the error set, a scene (possibly null) the format cannot write; runs before
    // the option checks. The base takes any.
    virtual bool CheckScene(KRyvScene* pScene);
    // Whether the format writes frames, which take the span of the scene's take when the options
    // hold none. The base does.
    virtual bool WritesFrames() const;
    // Whether the options carry what the format needs beyond their class. The base takes any.
    virtual bool AcceptsOptions(KStreamOptionsMotion& pOptions) const;
    // Refuses, with the error set, what the format cannot write with these options; runs after
    // the checks and leaves the file open for another Write. The base takes all.
    virtual bool CheckWrite(KRyvScene& pScene, const KStreamOptionsMotion& pOptions);
    // Runs once the file is written whole and closed. The base has nothing to do.
    virtual void Written(KStreamOptionsMotion& ioOptions);
    // The refusal of a file that cannot be created: kFileNotOpened with "Cannot open file
    // "<name>" for writing: <cause>." (errno holds the cause; without one, for a name refused
    // before any system call, the text ends after "writing"). Answers false.
    virtual bool FailOpen(const char* pFileName);

    // kOutOfDiskSpace when the file refused a write, else kUnidentifiedError with the file's
    // message; a line of the message text either way. Answers false.
    bool FailPrint();
    // kUnidentifiedError with pText, also as a line of the message text. Answers false.
    bool Fail(const char* pText);
    // For the skeleton writers' CheckScene: kFileNotCreated with pText unless the scene has a
    // root joint (FindReferenceNode).
    bool CheckRootJoint(KRyvScene* pScene, const char* pText);
    // For the formats whose files do not read without a frame: kUnidentifiedError with "No
    // frames to write" and the format when the options ask for none. Answers whether they ask
    // for some.
    bool CheckFrames(const KStreamOptionsMotion& pOptions);
    // For the formats whose readers refuse times beyond pMaxSeconds from 0: kUnidentifiedError,
    // naming the time, when the first frame of the options' span lies beyond, or with
    // pEveryFrame (a reader that checks every frame's time) the last. Answers whether they lie
    // within.
    bool CheckSpanTimes(const KStreamOptionsMotion& pOptions, double pMaxSeconds, bool pEveryFrame);
    // For their CheckWrite: kUnidentifiedError, after the options' message "Error", when a node
    // below pRoot has a blank, tab or line break in its name ("Spaces are not allowed in
    // <pFormatName> node names:" and the names).
    bool CheckSpaces(KRyvNode* pRoot, const KStreamOptionsMotion& pOptions,
                     const char* pFormatName);

    KTextFile* GetFile() const { return mFile.get(); }

private:
    std::unique_ptr<KTextFile> mFile;
};

#endif
