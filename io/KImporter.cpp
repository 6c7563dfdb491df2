#include "io/KImporter.h"

#include "io/KFileFormatRegistry.h"
#include "io/KStreamOptions.h"

#include <new>

namespace {

const char* const kImporterErrors[KImporter::kErrorCount] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "File is password protected and the provided password is wrong.",
    "Stream options not set",
    "Unidentified error",
    "no reader for this file format"};

} // namespace

KImporter::KImporter(KRyvObjectFactory* pOwner)
    : mOwner(pOwner), mError(kImporterErrors, kErrorCount)
{
}

KImporter::~KImporter() = default;

std::unique_ptr<KReader> KImporter::CreateReader(int pFileFormat)
{
    const KFileFormatDescriptor* lFormat = KFileFormatRegistry::Kit().FindImportFormat(pFileFormat);
    return lFormat ? lFormat->mCreateReader(mOwner) : nullptr;
}

void KImporter::TakeOverReaderError()
{
    const KError& lReaderError = mReader->GetError();
    mReason = lReaderError.GetLastErrorString();
    if (lReaderError.GetLastErrorID() < 0) {
        mError.SetLastErrorID(kUnidentifiedError);
    } else {
        mError.SetLastError(lReaderError.GetLastErrorID(),
                            lReaderError.GetLastErrorString().Buffer());
    }
    mMessage = mReader->GetMessage();
}

bool KImporter::Initialize(const char* pFileName)
{
    Reset();
    mError.ClearLastError();
    mMessage = "";
    mReason = "";
    mFileName = pFileName ? pFileName : "";
    try {
        mReader = CreateReader(mFileFormat);
        if (!mReader) {
            mError.SetLastErrorID(kNoReader);
            return false;
        }
        if (!mReader->FileOpen(mFileName.Buffer())) {
            TakeOverReaderError();
            mReader.reset();
            return false;
        }
    } catch (const std::bad_alloc&) {
        mReader.reset();
        mError.SetLastErrorID(kUnidentifiedError);
        return false;
    }
    return true;
}

std::unique_ptr<KStreamOptions> KImporter::GetReadOptions()
{
    if (!mReader) {
        mError.SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        std::unique_ptr<KStreamOptions> lOptions = mReader->GetReadOptions();
        if (!lOptions) {
            // A header the reader cannot take is the file's fault: say what the reader said.
            TakeOverReaderError();
        }
        return lOptions;
    } catch (const std::bad_alloc&) {
        mError.SetLastErrorID(kUnidentifiedError);
        return nullptr;
    }
}

void KImporter::AskReadQuestions(KStreamOptions& ioOptions)
{
    if (mReader) {
        mReader->AskReadQuestions(ioOptions);
    }
}

bool KImporter::Import(KRyvScene* pScene, KStreamOptions* pOptions)
{
    mError.ClearLastError();
    mReason = "";
    if (!mReader) {
        mError.SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pOptions && !KFileFormatRegistry::IsNativeImportFormat(mFileFormat)) {
        mError.SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    // A code left from an earlier read must not be taken for this one's.
    mReader->GetError().ClearLastError();
    bool lRead = false;
    try {
        lRead = mReader->Read(pScene, pOptions);
    } catch (const std::bad_alloc&) {
        lRead = false;
    }
    mMessage = mReader->GetMessage();
    if (!lRead) {
        // The code is the importer's own; the reader's reason stays readable in the message.
        mReason = mReader->GetError().GetLastErrorString();
        if (!mReason.IsEmpty() && mMessage.Find(mReason.Buffer()) < 0) {
            mMessage += mReason;
            mMessage += "\n";
        }
        const bool lWrongPassword = mReader->GetError().GetLastErrorID() == KReader::kWrongPassword;
        mError.SetLastErrorID(lWrongPassword ? kWrongPassword : kUnidentifiedError);
        return false;
    }
    return true;
}

std::vector<std::string> KImporter::GetCompanionFiles() const
{
    return mReader ? mReader->GetCompanionFiles() : std::vector<std::string>();
}

void KImporter::Reset()
{
    mReader.reset();
}
