#ifndef RYVKIT_IO_KEXPORTER_H
#define RYVKIT_IO_KEXPORTER_H

#include "core/KError.h"
#include "core/KString.h"
#include "io/KWriter.h"

#include <memory>
#include <string>
#include <vector>

class KOutputGroup;
class KRyvObjectFactory;
class KRyvScene;
class KStreamOptions;

// The export front end: chooses the writer of a file-format code (KFileFormatRegistry), creates
// the file with it, writes a scene and destroys the writer again. It keeps the file name, the
// code and eleven write flags for the native format (flag 3: embed media). The factory is not
// owned; it makes exporters and destroys the ones handed back. Failures set the exporter's
// KError (codes below) and answer false or null.
class KExporter
{
public:
    // Codes 0 to 5 are those of the writer's table, taken over when creating the file fails.
    enum EError : int {
        kFileCorrupted = 0,
        kFileNotOpened = 1,
        kFileNotCreated = 2,
        kOutOfDiskSpace = 3,
        kStreamOptionsNotSet = 4,
        kUnidentifiedError = 5,
        kEmptyFileName = 6,
        kNoWriter = 7,
        kErrorCount = 8
    };

    static constexpr int kWriteFlagCount = 11;
    static constexpr int kWriteFlagEmbedMedia = 3;

    // The write flags as Initialize leaves them, no file name, code 0.
    explicit KExporter(KRyvObjectFactory* pOwner);
    KExporter(const KExporter&) = delete;
    KExporter& operator=(const KExporter&) = delete;
    virtual ~KExporter();

    // Every write flag on but flag 3 (embed media), and the file name to write (null counts as
    // empty). The file-format code is kept.
    void Initialize(const char* pFileName);
    // Flags 0 to 10; false (nothing changed) for another index.
    bool SetWriteFlag(int pIndex, bool pValue);
    // False for an index outside 0..10.
    bool GetWriteFlag(int pIndex) const;
    // The exporter code of the file to write (KFileFormatRegistry::EExportFormat).
    void SetFileFormat(int pFileFormat) { mFileFormat = pFileFormat; }
    int GetFileFormat() const { return mFileFormat; }
    const KString& GetFileName() const { return mFileName; }
    // The group (not owned; null: none) the writer's file joins (KWriter::SetOutputGroup), so
    // that several exports are put in place together by the group's Commit.
    void SetOutputGroup(KOutputGroup* pGroup) { mOutputGroup = pGroup; }

    // The option set of the format's writer with its defaults, owned by the caller; null
    // (kNoWriter) when the code has no writer.
    std::unique_ptr<KStreamOptions> GetWriteOptions();
    // Writes pScene into the file. False with kEmptyFileName for an empty file name, kNoWriter
    // when the code has no writer, kStreamOptionsNotSet when a format other than the native one
    // gets no option set (no file is created in these cases); with the writer's error (text
    // kept) when the file cannot be created; kUnidentifiedError when the write fails, after
    // which the file that was there is as it was (writers write beside it and replace it only
    // on success) and the writer's reason ends the message. The
    // writer's message is taken over and the writer destroyed in every case.
    bool Export(KRyvScene* pScene, KStreamOptions* pOptions);
    // The files an Export would write: the file name, then the writer's companion files
    // (KWriter::GetCompanionFiles). Only the file name when the code has no writer.
    std::vector<std::string> GetOutputFiles();
    // What the scene lacks for the format's writer (KWriter::FindMissingContent); null when it
    // holds something the format keeps, or when the code has no writer.
    const char* FindMissingContent(KRyvScene* pScene);

    KRyvObjectFactory* GetOwner() const { return mOwner; }
    KError& GetError() { return mError; }
    const KError& GetError() const { return mError; }
    // The warnings of the last writer.
    const KString& GetMessage() const { return mMessage; }
    // The writer's own error text after a failed Export: the cause behind the exporter's code
    // (which may say only kUnidentifiedError); empty when the writer gave none or the exporter
    // refused by itself.
    const KString& GetReason() const { return mReason; }

protected:
    // The writer of a code, from KFileFormatRegistry; null when none is built.
    virtual std::unique_ptr<KWriter> CreateWriter(int pFileFormat);

private:
    bool RunWriter(KWriter& ioWriter, KRyvScene* pScene, KStreamOptions* pOptions);

    KRyvObjectFactory* mOwner;
    int mFileFormat = 0;
    KOutputGroup* mOutputGroup = nullptr;
    KString mFileName;
    bool mWriteFlags[kWriteFlagCount] = {};
    KString mMessage;
    KString mReason;
    KError mError;
};

#endif
