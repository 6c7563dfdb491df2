#include "io/KExporter.h"

#include "io/KFileFormatRegistry.h"
#include "io/KStreamOptions.h"
#include "io/KStreamOptionsRyv.h"

#include <new>

namespace {

const char* const kExporterErrors[KExporter::kErrorCount] = {
    "File is corrupted",      "File not opened",
    "File not created",       "Out of disk space",
    "Stream options not set", "Unidentified error",
    "File name is empty",     "no writer for this file format"};

} // namespace

KExporter::KExporter(KRyvObjectFactory* pOwner)
    : mOwner(pOwner), mError(kExporterErrors, kErrorCount)
{
    Initialize(nullptr);
}

KExporter::~KExporter() = default;

void KExporter::Initialize(const char* pFileName)
{
    for (bool& lFlag : mWriteFlags) {
        lFlag = true;
    }
    mWriteFlags[kWriteFlagEmbedMedia] = false;
    mFileName = pFileName ? pFileName : "";
}

bool KExporter::SetWriteFlag(int pIndex, bool pValue)
{
    if (pIndex < 0 || pIndex >= kWriteFlagCount) {
        return false;
    }
    mWriteFlags[pIndex] = pValue;
    return true;
}

bool KExporter::GetWriteFlag(int pIndex) const
{
    return pIndex >= 0 && pIndex < kWriteFlagCount && mWriteFlags[pIndex];
}

std::unique_ptr<KWriter> KExporter::CreateWriter(int pFileFormat)
{
    const KFileFormatDescriptor* lFormat = KFileFormatRegistry::Kit().FindExportFormat(pFileFormat);
    return lFormat ? lFormat->mCreateWriter(mOwner) : nullptr;
}

std::unique_ptr<KStreamOptions> KExporter::GetWriteOptions()
{
    try {
        std::unique_ptr<KWriter> lWriter = CreateWriter(mFileFormat);
        if (!lWriter) {
            mError.SetLastErrorID(kNoWriter);
            return nullptr;
        }
        return lWriter->GetWriteOptions();
    } catch (const std::bad_alloc&) {
        mError.SetLastErrorID(kUnidentifiedError);
        return nullptr;
    }
}

std::vector<std::string> KExporter::GetOutputFiles()
{
    std::vector<std::string> lFiles{mFileName.Buffer()};
    try {
        if (std::unique_ptr<KWriter> lWriter = CreateWriter(mFileFormat)) {
            const std::vector<std::string> lCompanions =
                lWriter->GetCompanionFiles(mFileName.Buffer());
            lFiles.insert(lFiles.end(), lCompanions.begin(), lCompanions.end());
        }
    } catch (const std::bad_alloc&) {
        mError.SetLastErrorID(kUnidentifiedError);
    }
    return lFiles;
}

const char* KExporter::FindMissingContent(KRyvScene* pScene)
{
    try {
        std::unique_ptr<KWriter> lWriter = CreateWriter(mFileFormat);
        return lWriter ? lWriter->FindMissingContent(pScene) : nullptr;
    } catch (const std::bad_alloc&) {
        mError.SetLastErrorID(kUnidentifiedError);
        return nullptr;
    }
}

bool KExporter::Export(KRyvScene* pScene, KStreamOptions* pOptions)
{
    mError.ClearLastError();
    mMessage = "";
    mReason = "";
    if (mFileName.IsEmpty()) {
        mError.SetLastErrorID(kEmptyFileName);
        return false;
    }
    try {
        std::unique_ptr<KWriter> lWriter = CreateWriter(mFileFormat);
        if (!lWriter) {
            mError.SetLastErrorID(kNoWriter);
            return false;
        }
        // The native writers without a set take one built from the write flags.
        KStreamOptionsRyv lFromFlags;
        if (!pOptions && KFileFormatRegistry::IsNativeExportFormat(mFileFormat)) {
            lFromFlags.SetFromWriteFlags(mWriteFlags);
            pOptions = &lFromFlags;
        }
        return RunWriter(*lWriter, pScene, pOptions);
    } catch (const std::bad_alloc&) {
        mError.SetLastErrorID(kUnidentifiedError);
        return false;
    }
}

bool KExporter::RunWriter(KWriter& ioWriter, KRyvScene* pScene, KStreamOptions* pOptions)
{
    // Checked before the file is created, so a refused export leaves no empty file behind.
    if (!pOptions && !KFileFormatRegistry::IsNativeExportFormat(mFileFormat)) {
        mError.SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    ioWriter.SetOutputGroup(mOutputGroup);
    if (!ioWriter.FileCreate(mFileName.Buffer())) {
        const KError& lWriterError = ioWriter.GetError();
        mReason = lWriterError.GetLastErrorString();
        const int lCode = lWriterError.GetLastErrorID();
        if (lCode >= 0 && lCode < KWriter::kErrorCount) {
            mError.SetLastError(lCode, lWriterError.GetLastErrorString().Buffer());
        } else {
            mError.SetLastErrorID(kUnidentifiedError);
        }
        mMessage = ioWriter.GetMessage();
        return false;
    }
    const bool lWritten = ioWriter.Write(pScene, pOptions);
    mMessage = ioWriter.GetMessage();
    if (!lWritten) {
        // The code is the exporter's own; the writer's reason stays readable in the message.
        mReason = ioWriter.GetError().GetLastErrorString();
        if (!mReason.IsEmpty() && mMessage.Find(mReason.Buffer()) < 0) {
            mMessage += mReason;
            mMessage += "\n";
        }
        mError.SetLastErrorID(kUnidentifiedError);
        // The writer has dropped its new file; the one that was there stays untouched.
        ioWriter.FileClose();
    }
    return lWritten;
}
