#ifndef RYVKIT_IO_KREADER_H
#define RYVKIT_IO_KREADER_H

#include "core/KError.h"
#include "core/KString.h"

#include <memory>
#include <string>
#include <vector>

class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptions;

// Base of every file reader. The importer drives a reader as FileOpen, then Read; the reader
// creates the scene's objects through its owner factory (not owned). Errors set the reader's
// KError from the table below and make the operation answer false; warnings are appended to
// the message text, one line each, and the read goes on.
class KReader
{
public:
    enum EError : int {
        kFileCorrupted = 0,
        kFileVersionNotSupportedYet = 1,
        kFileVersionNotSupportedAnymore = 2,
        kFileNotOpened = 3,
        kFileNotCreated = 4,
        kWrongPassword = 5,
        kStreamOptionsNotSet = 6,
        kUnidentifiedError = 7,
        kErrorCount = 8
    };

    explicit KReader(KRyvObjectFactory* pOwner);
    KReader(const KReader&) = delete;
    KReader& operator=(const KReader&) = delete;
    virtual ~KReader();

    virtual bool FileOpen(const char* pFileName) = 0;
    virtual bool FileClose() = 0;
    virtual bool IsFileOpen() = 0;
    // A new option set of the reader's format with its defaults, owned by the caller.
    virtual std::unique_ptr<KStreamOptions> GetReadOptions() = 0;
    virtual bool Read(KRyvScene* pScene, KStreamOptions* pOptions) = 0;

    // True when no two nodes below pNode (the node itself not counted) share a name. Otherwise
    // appends "\n    " and the name (without prefix) to ioMessage once for each shared name, in
    // the order the names first occur depth first, and answers false. A null node has none.
    virtual bool ReportDuplicateNames(KRyvNode* pNode, KString& ioMessage);

    KRyvObjectFactory* GetOwner() const { return mOwner; }
    KError& GetError() { return mError; }
    const KError& GetError() const { return mError; }
    // The warnings collected so far.
    KString& GetMessage() { return mMessage; }
    const KString& GetMessage() const { return mMessage; }
    // The files other than the one opened that the reads took data from (an OBJ file's material
    // libraries), as they were opened, each once.
    const std::vector<std::string>& GetCompanionFiles() const { return mCompanionFiles; }

protected:
    void AddCompanionFile(const std::string& pPath);

private:
    std::vector<std::string> mCompanionFiles;
    KRyvObjectFactory* mOwner;
    KError mError;
    KString mMessage;
};

#endif
