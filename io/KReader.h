#ifndef RYVKIT_IO_KREADER_H
#define RYVKIT_IO_KREADER_H

#include "core/KError.h"
#include "core/KString.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class KByteSource;
class KRyvNode;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptions;

// Base of every file reader. The importer drives a reader as FileOpen, then Read; tests and
// fuzzers may open bytes in memory instead (MemoryOpen). The reader creates the scene's objects
// through its owner factory (not owned). Errors set the reader's KError from the table below and
// make the operation answer false; warnings are appended to the message text, one line each,
// and the read goes on.
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

    KReader(const KReader&) = delete;
    KReader& operator=(const KReader&) = delete;
    virtual ~KReader();

    // Opens the file or the pSize bytes at pData (not copied: they must outlive the reader's
    // open source) named pName, for the reads that follow; an open source is closed first.
    // Both refuse what KByteSource refuses (a directory, a device, binary data given to a text
    // format): false with the reason ("walk.bvh: is a directory") as the error text, and
    // kFileCorrupted for binary data, kFileNotOpened for the rest.
    bool FileOpen(const char* pFileName);
    bool MemoryOpen(const void* pData, std::size_t pSize, const char* pName);
    virtual bool FileClose() = 0;
    virtual bool IsFileOpen() = 0;
    // A new option set of the reader's format with its defaults, owned by the caller.
    virtual std::unique_ptr<KStreamOptions> GetReadOptions() = 0;
    virtual bool Read(KRyvScene* pScene, KStreamOptions* pOptions) = 0;
    // Puts again, to ioOptions' own question callback, what GetReadOptions asked of the set's
    // default one (which answers none): a TRC reader asks whether to load the time code beside
    // the file. Readers that ask nothing do nothing.
    virtual void AskReadQuestions(KStreamOptions& ioOptions);

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
    // pText: the format is text, so a source starting with binary data is refused at open.
    KReader(KRyvObjectFactory* pOwner, bool pText);
    // Takes over an open source; false with the error set when the reader cannot use it.
    virtual bool OpenSource(std::unique_ptr<KByteSource> pSource) = 0;
    // The checks every Read starts with, in this order: kFileNotOpened unless pOpened;
    // kStreamOptionsNotSet unless pOptions is of class pOptionsClassId and pAccepts (when
    // given) takes it; kUnidentifiedError unless pScene has a root node and the reader an owner.
    // Sets the error of the first that fails and answers false.
    bool CheckReadArguments(bool pOpened, KRyvScene* pScene, KStreamOptions* pOptions,
                            int pOptionsClassId,
                            const std::function<bool(KStreamOptions&)>& pAccepts = nullptr);

private:
    bool Open(std::unique_ptr<KByteSource> pSource, bool pOpened);

    std::vector<std::string> mCompanionFiles;
    KRyvObjectFactory* mOwner;
    bool mText;
    KError mError;
    KString mMessage;
};

#endif
