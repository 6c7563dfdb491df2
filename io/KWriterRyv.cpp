#include "io/KWriterRyv.h"
#include "io/KRyvWriteSession.h"

#include "core/KDateTime.h"
#include "core/KDocumentInfo.h"
#include "io/KStreamOptionsRyv.h"
#include "ryvfile/KRyvContainer.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

namespace {

const char kCreatorName[] = "ryvkit 6.0.1";

struct KFlavourForm
{
    int mVersion;
    bool mAscii;
    bool mEncrypted;
};

const KFlavourForm kForms[] = {{KRyvContainer::kVersion60, false, false},
                               {KRyvContainer::kVersion60, true, false},
                               {KRyvContainer::kVersion60, false, true},
                               {KRyvContainer::kVersion5x, false, false},
                               {KRyvContainer::kVersion5x, true, false}};

KRyvHeaderExtension FreshExtension(const KRyvScene& pScene)
{
    KRyvHeaderExtension lExtension;
    lExtension.mCreator = kCreatorName;
    const KDateTime lNow = KDateTime::Now();
    const int lStamp[] = {lNow.GetYear(),   lNow.GetMonth(),  lNow.GetDay(),        lNow.GetHour(),
                          lNow.GetMinute(), lNow.GetSecond(), lNow.GetMillisecond()};
    std::copy(std::begin(lStamp), std::end(lStamp), lExtension.mTimeStamp);
    if (const KDocumentInfo* lInfo = pScene.GetDocumentInfo()) {
        lExtension.mHasDocumentInfo = true;
        lExtension.mDocumentInfo = *lInfo;
    }
    return lExtension;
}

} // namespace

KWriterRyv::KWriterRyv(KRyvObjectFactory* pOwner, EFlavour pFlavour)
    : KWriter(pOwner), mFlavour(pFlavour)
{
}

KWriterRyv::~KWriterRyv() = default;

std::unique_ptr<KWriter> KWriterRyv::CreateBinary(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kBinary60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateAscii(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kAscii60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateEncrypted(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kEncrypted60);
}

std::unique_ptr<KWriter> KWriterRyv::CreateBinary5x(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kBinary5x);
}

std::unique_ptr<KWriter> KWriterRyv::CreateAscii5x(KRyvObjectFactory* pOwner)
{
    return std::make_unique<KWriterRyv>(pOwner, kAscii5x);
}

bool KWriterRyv::Refuse(int pCode, const char* pCause)
{
    GetError().SetLastError(pCode, pCause);
    return false;
}

bool KWriterRyv::FileCreate(const char* pFileName)
{
    FileClose();
    mFileName = pFileName ? pFileName : "";
    if (mFileName.IsEmpty() || !mOutput.Create(mFileName.Buffer())) {
        const std::string lCause = "File not created: " + std::string(std::strerror(errno));
        return Refuse(kFileNotCreated, lCause.c_str());
    }
    return true;
}

bool KWriterRyv::FileClose()
{
    // Nothing committed yet: the target stays as it was.
    mOutput.Discard();
    return true;
}

std::unique_ptr<KStreamOptions> KWriterRyv::GetWriteOptions()
{
    return std::make_unique<KStreamOptionsRyv>();
}

const char* KWriterRyv::FindMissingContent(KRyvScene* pScene)
{
    // The native file also keeps what the scene owns beside its nodes: a scene of characters or
    // poses alone is worth writing.
    if (pScene && (pScene->GetCharacterCount() > 0 || pScene->GetCharacterPoseCount() > 0 ||
                   pScene->GetActorCount() > 0 || pScene->GetMarkerSetCount() > 0 ||
                   pScene->GetControlSetPlugCount() > 0 || pScene->GetPoseCount() > 0)) {
        return nullptr;
    }
    return FindMissingNodeContent(pScene);
}

void KWriterRyv::PrepareFile(KRyvFile& ioFile, const KRyvScene& pScene,
                             const KStreamOptionsRyv& pOptions) const
{
    const KFlavourForm& lForm = kForms[mFlavour];
    ioFile.Create(lForm.mVersion, lForm.mAscii,
                  lForm.mEncrypted ? pOptions.GetPassword().Buffer() : nullptr);
    // Of an extension a read left in the options only the time stamp is kept (a file read and
    // written back keeps its stamp); the creator is this kit and the document information the
    // scene's own.
    KRyvHeaderExtension lExtension = FreshExtension(pScene);
    if (pOptions.HasHeaderExtension()) {
        const int* lStamp = pOptions.GetHeaderExtension().mTimeStamp;
        std::copy(lStamp, lStamp + KRyvHeaderExtension::kTimeStampFields, lExtension.mTimeStamp);
    }
    ioFile.SetHeaderExtension(lExtension);
}

bool KWriterRyv::RunPass(KRyvFile& ioFile, KRyvRecordWriter& ioWriter, KRyvScene& ioScene,
                         const KStreamOptionsRyv& pOptions, bool pSizing)
{
    ioFile.StartStream(ioWriter);
    KRyvWriteSession lSession(ioFile, ioScene, pOptions,
                              kForms[mFlavour].mVersion == KRyvContainer::kVersion60);
    // The sizing pass reports neither progress nor warnings: the pass that writes does.
    KString lUnused;
    if (pSizing) {
        lSession.SetQuiet();
    }
    bool lRun = false;
    try {
        lRun = lSession.Run(pSizing ? lUnused : GetMessage());
    } catch (const std::bad_alloc&) {
        // Destroying the session's nodes may allocate: it is done here, not while unwinding.
        lSession.DestroyFreshNodes();
        throw;
    }
    lSession.DestroyFreshNodes();
    ioFile.EndStream();
    return lRun;
}

int KWriterRyv::StreamFile(KRyvScene& ioScene, const KStreamOptionsRyv& pOptions,
                           const KRyvBinaryCodec::Output& pOutput)
{
    KRyvFile lFile;
    PrepareFile(lFile, ioScene, pOptions);
    return KRyvContainer::Stream(
        lFile.GetCreatedHeader(), lFile.GetCreatedPassword(), pOutput,
        [&](KRyvRecordWriter& ioWriter, bool pSizing) {
            return RunPass(lFile, ioWriter, ioScene, pOptions, pSizing);
        },
        kCancelled);
}

bool KWriterRyv::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!pOptions || !pOptions->IsA(KStreamOptionsRyv::ClassId())) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    const auto& lOptions = static_cast<const KStreamOptionsRyv&>(*pOptions);
    if (!pScene || !mOutput.IsOpen()) {
        GetError().SetLastErrorID(pScene ? kFileNotOpened : kUnidentifiedError);
        return false;
    }
    if (kForms[mFlavour].mEncrypted && lOptions.GetPassword().IsEmpty()) {
        mOutput.Discard();
        return Refuse(kUnidentifiedError, "An encrypted file needs a password");
    }
    int lCode = KRyvFile::kNoError;
    try {
        KRyvStdioStream lStream;
        lStream.Attach(mOutput.GetStream(), true);
        lCode = StreamFile(*pScene, lOptions,
                           [&lStream](const std::uint8_t* pBytes, std::size_t pSize) {
                               return lStream.Write(pBytes, pSize);
                           });
    } catch (const std::bad_alloc&) {
        mOutput.Discard();
        return Refuse(kUnidentifiedError, "Out of memory");
    }
    if (lCode != KRyvFile::kNoError) {
        mOutput.Discard();
        return RefuseFile(lCode);
    }
    if (!mOutput.Commit()) {
        const std::string lCause = "Out of disk space: " + std::string(std::strerror(errno));
        return Refuse(kOutOfDiskSpace, lCause.c_str());
    }
    return true;
}

bool KWriterRyv::RefuseFile(int pCode)
{
    if (pCode == kCancelled) {
        return Refuse(kUnidentifiedError, "Cancelled");
    }
    // The cause in the words of the file layer's table.
    KRyvFile lFile;
    lFile.GetError().SetLastErrorID(pCode);
    return Refuse(pCode == KRyvFile::kOutOfDiskSpace ? kOutOfDiskSpace : kUnidentifiedError,
                  lFile.GetError().GetLastErrorString().Buffer());
}
