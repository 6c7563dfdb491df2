#ifndef RYVKIT_IO_KIMPORTER_H
#define RYVKIT_IO_KIMPORTER_H

#include "core/KError.h"
#include "core/KString.h"
#include "io/KReader.h"

#include <memory>

class KRyvObjectFactory;
class KRyvScene;
class KStreamOptions;

// The import front end: chooses the reader of a file-format code (KFileFormatRegistry), opens the
// file with it and reads it into a scene. The importer owns its reader, which lives until the
// next Initialize, Reset or the importer's end. The factory is not owned; it makes importers
// and destroys the ones handed back. Failures set the importer's KError (codes below) and
// answer false or null.
class KImporter
{
public:
    // Codes 0 to 7 are those of the reader's table, taken over when opening fails.
    enum EError : int {
        kFileCorrupted = 0,
        kFileVersionNotSupportedYet = 1,
        kFileVersionNotSupportedAnymore = 2,
        kFileNotOpened = 3,
        kFileNotCreated = 4,
        kWrongPassword = 5,
        kStreamOptionsNotSet = 6,
        kUnidentifiedError = 7,
        kNoReader = 8,
        kErrorCount = 9
    };

    explicit KImporter(KRyvObjectFactory* pOwner);
    KImporter(const KImporter&) = delete;
    KImporter& operator=(const KImporter&) = delete;
    virtual ~KImporter();

    // The importer code of the files to read (KFileFormatRegistry::EImportFormat); 0 at first.
    void SetFileFormat(int pFileFormat) { mFileFormat = pFileFormat; }
    int GetFileFormat() const { return mFileFormat; }

    // Drops the current reader, creates the reader of the file-format code and opens the file.
    // False with kNoReader when the code has no reader; when opening fails, false with the
    // reader's error and message taken over (kUnidentifiedError when the reader set none), and
    // the reader is destroyed.
    bool Initialize(const char* pFileName);
    // The reader's option set for the open file, owned by the caller; null (kFileNotOpened)
    // without an open reader, and null with the reader's error taken over when the reader
    // cannot give one (a header it cannot read).
    std::unique_ptr<KStreamOptions> GetReadOptions();
    // Reads the open file into pScene. Without an open reader: kFileNotOpened. The formats other
    // than the native one need pOptions (kStreamOptionsNotSet). A failed read gives
    // kWrongPassword when the reader failed with its wrong-password code, else
    // kUnidentifiedError. The reader's message is taken over in every case.
    bool Import(KRyvScene* pScene, KStreamOptions* pOptions);
    // The reader's AskReadQuestions on ioOptions, an option set from GetReadOptions whose
    // question callback answers them; nothing without a reader.
    void AskReadQuestions(KStreamOptions& ioOptions);
    // Destroys the reader (closing its file).
    void Reset();

    const KString& GetFileName() const { return mFileName; }
    KRyvObjectFactory* GetOwner() const { return mOwner; }
    KError& GetError() { return mError; }
    const KError& GetError() const { return mError; }
    // The warnings of the last reader.
    const KString& GetMessage() const { return mMessage; }
    // The reader's own error text after a failed Initialize, GetReadOptions or Import: the cause
    // behind the importer's code (which may say only kUnidentifiedError); empty when the reader
    // gave none or the importer refused by itself.
    const KString& GetReason() const { return mReason; }
    // The files besides the file named that the reader took data from (KReader); none without
    // a reader.
    std::vector<std::string> GetCompanionFiles() const;

protected:
    // The reader of a code, from KFileFormatRegistry; null when none is built.
    virtual std::unique_ptr<KReader> CreateReader(int pFileFormat);

private:
    // Copies the reader's error code, text and message text into the importer's.
    void TakeOverReaderError();

    KRyvObjectFactory* mOwner;
    std::unique_ptr<KReader> mReader;
    int mFileFormat = 0;
    KString mFileName;
    KString mMessage;
    KString mReason;
    KError mError;
};

#endif
