#ifndef RYVKIT_IO_KWRITER_H
#define RYVKIT_IO_KWRITER_H

#include "core/KError.h"
#include "core/KString.h"
#include "core/KVector4.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class KOutputGroup;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptions;

// Base of every file writer. The exporter drives a writer as FileCreate, then Write, copies the
// message text and destroys the writer. The owner factory is not owned. Errors set the
// writer's KError from the table below and make the operation answer false; warnings are
// appended to the message text, one line each, and the write goes on.
class KWriter
{
public:
    enum EError : int {
        kFileCorrupted = 0,
        kFileNotOpened = 1,
        kFileNotCreated = 2,
        kOutOfDiskSpace = 3,
        kStreamOptionsNotSet = 4,
        kUnidentifiedError = 5,
        kErrorCount = 6
    };

    explicit KWriter(KRyvObjectFactory* pOwner);
    KWriter(const KWriter&) = delete;
    KWriter& operator=(const KWriter&) = delete;
    virtual ~KWriter();

    virtual bool FileCreate(const char* pFileName) = 0;
    virtual bool FileClose() = 0;
    virtual bool IsFileOpen() = 0;
    // A new option set of the writer's format with its defaults, owned by the caller.
    virtual std::unique_ptr<KStreamOptions> GetWriteOptions() = 0;
    virtual bool Write(KRyvScene* pScene, KStreamOptions* pOptions) = 0;

    // The node a motion writer starts from: pRoot (the scene's root node) must have exactly one
    // child; from that child the search goes down through nodes with exactly one child and
    // answers the first node marked for export (KRyvNode::IsMarked). Null for a null root or
    // when a node on the way is unmarked and has no child or several.
    virtual KRyvNode* FindReferenceNode(KRyvNode* pRoot);
    // False when the name of pRoot or of a node below it holds a blank, a tab or a line break:
    // "\n    " and each such name (without prefix) are appended to ioMessage, depth first.
    // True for a null root.
    virtual bool CheckNodeNames(KRyvNode* pRoot, KString& ioMessage);

    // The files other than pFileName that a Write into pFileName makes (an OBJ file's material
    // library), so that a caller can keep them from overwriting its input. None in the base.
    virtual std::vector<std::string> GetCompanionFiles(const char* pFileName) const;
    // Null when pScene holds something the format can keep; otherwise what the scene lacks for
    // it ("no mesh, NURBS or patch"), for a caller that would rather refuse than write a file
    // with nothing in it. The text is a literal, valid for the whole program. The base answers
    // null.
    virtual const char* FindMissingContent(KRyvScene* pScene);

    // The group (not owned; null: none) the file of the next FileCreate joins (KOutputGroup): a
    // Write then leaves the file whole for the group to put in place. The motion text writers
    // (BVH, HTR, ASF, AMC, BRD, MOV, VPM), the OBJ writer (with its material library and texture
    // copies) and the 3DS writer (with its texture copies) take part; the others put their files
    // in place themselves.
    void SetOutputGroup(KOutputGroup* pGroup) { mOutputGroup = pGroup; }
    KOutputGroup* GetOutputGroup() const { return mOutputGroup; }

    KRyvObjectFactory* GetOwner() const { return mOwner; }
    KError& GetError() { return mError; }
    const KError& GetError() const { return mError; }
    // The warnings collected so far.
    KString& GetMessage() { return mMessage; }
    const KString& GetMessage() const { return mMessage; }

protected:
    // For a FileCreate that failed: pCode with "<pFileName>: <what errno says>" as its text, so
    // that the refusal names its cause. Answers false.
    bool FailCreate(int pCode, const char* pFileName);
    // For a write whose files could not be put in place (KOutputFile::Commit, KOutputGroup::
    // Commit), errno holding the cause: kOutOfDiskSpace for a full disk or quota (or no cause
    // known), else kFileNotCreated with "<pFileName>: <what errno says>". Answers false.
    bool FailCommit(const char* pFileName);
    // Whether x, y and z of a point are finite: no number a reader takes stands for the others,
    // so every writer refuses such a point rather than write what would be lost.
    static bool IsFinitePoint(const KVector4& pPoint);
    // The refusal of such a point: kUnidentifiedError with "A point of node "<name>" is not a
    // finite number" (the name quoted to a short prefix). Answers false.
    bool FailNotFinitePoint(const char* pNodeName);
    // What FindMissingContent answers for a format that keeps every node attribute and the
    // animation (the native file, 3DS): null when a node of pScene carries an attribute or the
    // current take has a key, else "no node with an attribute or animation" (a scene of empty
    // nodes, such as the reference node an OBJ file of points alone gives).
    static const char* FindMissingNodeContent(KRyvScene* pScene);
    // The checks every Write starts with, in this order: kFileNotOpened unless pOpened;
    // kStreamOptionsNotSet unless pOptions is of class pOptionsClassId and pAccepts (when
    // given) takes it; kUnidentifiedError unless pScene has a root node and, when pNeedsOwner,
    // the writer an owner. Sets the error of the first that fails and answers false.
    bool CheckWriteArguments(bool pOpened, KRyvScene* pScene, KStreamOptions* pOptions,
                             int pOptionsClassId, bool pNeedsOwner,
                             const std::function<bool(KStreamOptions&)>& pAccepts = nullptr);

    // For a writer of several files (its own and the media it copies), which go in place
    // together. At FileCreate: unless the caller gave a group (SetOutputGroup), makes the
    // writer's own, pMainTarget its main target; an earlier own group is dropped first.
    void StartOwnGroup(const char* pMainTarget);
    // The group the files of the write join: the caller's, else the writer's own; null when
    // neither.
    KOutputGroup* GetWriteGroup() const;
    // Ends the writer's own group: with pCommit its files are put in place (KOutputGroup::Commit;
    // a refusal is FailCommit naming the file refused), else they are dropped and their targets
    // stay as they were. Answers whether the write stands: pCommit, and the commit succeeded.
    // Without an own group (the caller's commits) it answers pCommit.
    bool EndOwnGroup(bool pCommit);

private:
    KRyvObjectFactory* mOwner;
    KOutputGroup* mOutputGroup = nullptr;
    // The group of a write without the caller's; null otherwise.
    std::unique_ptr<KOutputGroup> mOwnGroup;
    KError mError;
    KString mMessage;
};

#endif
