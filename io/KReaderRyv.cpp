#include "io/KReaderRyv.h"

#include "core/KByteSource.h"
#include "ryvfile/KRyvStream.h"

#include "core/KFileUtils.h"
#include "io/KReadRollback.h"
#include "io/KRyvMedia.h"
#include "io/KRyvReadSession.h"
#include "io/KRyvSceneObjectIO.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <new>

namespace {

const char kMediaFolderSuffix[] = ".qzm";

// A reader code for a field-layer code: 0 to 5 are the same, anything else is unidentified.
int ReaderCode(int pFileCode)
{
    return pFileCode >= KRyvFile::kFileCorrupted && pFileCode <= KRyvFile::kWrongPassword
               ? pFileCode
               : KReader::kUnidentifiedError;
}

} // namespace

// Binary: the source is not checked for text; both forms are told apart by their magic.
KReaderRyv::KReaderRyv(KRyvObjectFactory* pOwner) : KReader(pOwner, false) {}

KReaderRyv::~KReaderRyv() = default;

std::unique_ptr<KReader> KReaderRyv::Create(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KReaderRyv>(pOwner);
}

bool KReaderRyv::Fail(int pCode)
{
    GetError().SetLastErrorID(pCode);
    // Taken by this failure, whatever it is, so that it never names a later one.
    const KString lCause = mCause;
    mCause = KString();
    if (pCode == kFileCorrupted && !lCause.IsEmpty()) {
        const KString lText = GetError().GetLastErrorString() + ": " + lCause;
        GetError().SetLastError(pCode, lText.Buffer());
        GetMessage() += lText + "\n";
    }
    return false;
}

bool KReaderRyv::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFileName = pSource->GetName().c_str();
    mHasSummary = mBodyFresh = false;
    mTakeNames.clear();
    mFile.Close();
    mStream = std::make_unique<KRyvStdioStream>();
    mSource = std::move(pSource);
    if (!mStream->Attach(mSource->GetStream(), false) || !mFile.Open(*mStream, true)) {
        const int lCode = mFile.GetError().GetLastErrorID();
        ReleaseSource();
        return Fail(lCode < 0 ? kFileNotOpened : ReaderCode(lCode));
    }
    // What the file holds is known at once when no password stands before it.
    return mFile.IsPasswordProtected() || ReadSummary(nullptr);
}

bool KReaderRyv::OpenBody(const char* pPassword)
{
    if (!mFile.IsOpen()) {
        return Fail(kFileNotOpened);
    }
    mBodyFresh = false;
    try {
        if (!mFile.ReadBody(pPassword)) {
            GetError().SetLastError(ReaderCode(mFile.GetError().GetLastErrorID()),
                                    mFile.GetError().GetLastErrorString().Buffer());
            return false;
        }
    } catch (const std::bad_alloc&) {
        return Fail(kUnidentifiedError);
    }
    mBodyFresh = true;
    return true;
}

bool KReaderRyv::ReadSummary(const char* pPassword)
{
    if (!OpenBody(pPassword)) {
        return false;
    }
    mTakeNames.clear();
    mThumbnail = KRyvThumbnail();
    KRyvSceneObjectIO::ReadThumbnail(mFile, mThumbnail);
    if (mFile.FieldReadBegin("Takes")) {
        while (mFile.FieldReadBegin("TakeInfo")) {
            mTakeNames.push_back(mFile.FieldReadC());
            mFile.FieldReadEnd();
        }
        mFile.FieldReadEnd();
    }
    mFile.FieldReadRewind();
    mHasSummary = true;
    return true;
}

void KReaderRyv::ReleaseSource()
{
    mFile.Close();
    mStream.reset();
    mSource.reset();
}

bool KReaderRyv::FileClose()
{
    ReleaseSource();
    mHasSummary = mBodyFresh = false;
    mTakeNames.clear();
    return true;
}

std::unique_ptr<KStreamOptions> KReaderRyv::GetReadOptions()
{
    return std::make_unique<KStreamOptionsRyv>();
}

bool KReaderRyv::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    KStreamOptionsRyv lDefaults;
    if (pOptions && !pOptions->IsA(KStreamOptionsRyv::ClassId())) {
        return Fail(kStreamOptionsNotSet);
    }
    KStreamOptionsRyv& lOptions = pOptions ? static_cast<KStreamOptionsRyv&>(*pOptions) : lDefaults;
    if (!pScene || !pScene->GetObjectFactory()) {
        return Fail(kUnidentifiedError);
    }
    if (!mFile.IsOpen()) {
        return Fail(kFileNotOpened);
    }
    KRyvObjectFactory& lFactory = *pScene->GetObjectFactory();
    KRyvScene* lBuilt = nullptr;
    int lCode = -1;
    try {
        // A body opened at open (or for the summary) is read as it is; any later read opens it
        // again, so that each read answers to its own options' password.
        if (!mBodyFresh && !OpenBody(lOptions.GetPassword().Buffer())) {
            return false;
        }
        mBodyFresh = false;
        lBuilt = lFactory.CreateScene();
        lCode = lBuilt ? Build(*lBuilt, *pScene, lOptions) : kUnidentifiedError;
    } catch (const std::bad_alloc&) {
        lCode = kUnidentifiedError;
    }
    // Whatever the outcome, the scene built aside now holds what is to go: the caller's former
    // content after a read, the half-built one after a failure (whose other objects the
    // rollback has handed back).
    if (lBuilt) {
        try {
            lBuilt->Clear();
            lFactory.DestroyScene(lBuilt, true);
        } catch (const std::bad_alloc&) {
            // What could not be destroyed stays with the factory; the read's outcome stands.
        }
    }
    if (lCode >= 0) {
        return Fail(lCode);
    }
    lOptions.SetHeaderExtension(mFile.GetHeaderExtension());
    return true;
}

int KReaderRyv::Build(KRyvScene& ioBuilt, KRyvScene& ioScene, KStreamOptionsRyv& ioOptions)
{
    KRyvThumbnail lThumbnail;
    KRyvObjectFactory& lFactory = *ioScene.GetObjectFactory();
    KReadRollback lRollback(&lFactory);
    KRyvMediaFolder lMedia(
        !ioOptions.GetMediaFolder().IsEmpty()
            ? ioOptions.GetMediaFolder().Buffer()
            : ChangeFileExtension(mFileName.Buffer(), kMediaFolderSuffix).Buffer());
    int lCode = -1;
    try {
        KRyvReadSession lSession(mFile, ioBuilt, ioOptions,
                                 ioOptions.GetRestoreMedia() ? &lMedia : nullptr,
                                 GetFileDirectory(mFileName.Buffer()), lRollback, GetMessage());
        if (!lSession.Run()) {
            lCode = lSession.WasCancelled() ? kUnidentifiedError : kFileCorrupted;
            mCause = lSession.GetCause();
        }
        // The image the session read, else the one the summary found.
        lThumbnail =
            lSession.GetThumbnail().GetThumbnailImage() ? lSession.GetThumbnail() : mThumbnail;
        const KRyvHeaderExtension& lExtension = mFile.GetHeaderExtension();
        KDocumentInfo* lInfo =
            lCode < 0 && lExtension.mHasDocumentInfo ? lFactory.CreateDocumentInfo() : nullptr;
        if (lInfo) {
            *lInfo = lExtension.mDocumentInfo;
            ioBuilt.SetDocumentInfo(lInfo);
        }
    } catch (const std::bad_alloc&) {
        lCode = kUnidentifiedError;
    }
    if (lCode >= 0) {
        // Unlisted before the rollback hands the objects back, so no list keeps a dead one.
        ioBuilt.Clear();
        return lCode;
    }
    // The one step that changes the caller's scene, taken once nothing can fail.
    if (!ioScene.SwapContent(ioBuilt)) {
        ioBuilt.Clear();
        return kUnidentifiedError;
    }
    lRollback.Commit();
    ioOptions.SetThumbnail(lThumbnail);
    return -1;
}
