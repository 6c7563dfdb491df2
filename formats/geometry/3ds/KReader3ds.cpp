#include "formats/geometry/3ds/KReader3ds.h"

#include "core/KByteSource.h"
#include "core/KFileUtils.h"
#include "formats/geometry/3ds/K3dsFileContent.h"
#include "formats/geometry/3ds/K3dsSceneBuilder.h"
#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "io/KOutOfMemory.h"
#include "io/KReadRollback.h"
#include "scene/KRyvScene.h"

namespace {

constexpr double kInchToCentimetre = 2.54;

} // namespace

KReader3ds::KReader3ds(KRyvObjectFactory* pOwner) : KReader(pOwner, false) {}

KReader3ds::~KReader3ds() = default;

std::unique_ptr<KReader> KReader3ds::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReader3ds(pOwner));
}

bool KReader3ds::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mSource = std::move(pSource);
    return true;
}

bool KReader3ds::FileClose()
{
    mSource.reset();
    return true;
}

std::unique_ptr<KStreamOptions> KReader3ds::GetReadOptions()
{
    return std::make_unique<KStreamOptions3ds>();
}

bool KReader3ds::Fail(int pCode, const std::string& pWhy)
{
    const std::string lText =
        std::string(GetFileName(mSource->GetName().c_str()).Buffer()) + ": " + pWhy;
    GetError().SetLastError(pCode, lText.c_str());
    GetMessage() += (lText + "\n").c_str();
    return false;
}

bool KReader3ds::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!CheckReadArguments(mSource != nullptr, pScene, pOptions, KStreamOptions3ds::ClassId())) {
        return false;
    }
    return CatchOutOfMemory(
        [&] { return ReadInto(*pScene, static_cast<KStreamOptions3ds&>(*pOptions)); },
        // The rollback inside ReadInto has undone the partial read while unwinding.
        [&] { return Fail(kUnidentifiedError, "out of memory"); });
}

bool KReader3ds::Load(K3dsFileContent& oContent, const K3dsReadFlags& pFlags)
{
    // A run of its own: a failure here never poisons a later read.
    Toolkit3dsContext lKit;
    FileRecord3ds* lFile = OpenSource3ds(lKit, *mSource);
    std::unique_ptr<ChunkDatabase3ds> lDatabase;
    InitDatabase3ds(lKit, lDatabase);
    if (lFile) {
        CreateDatabase3ds(lKit, lFile, lDatabase.get());
    }
    const int lKind = GetDatabaseKind3ds(lDatabase.get());
    if (!IsErrorPending3ds(lKit) && lKind != kMeshFile3ds && lKind != kProjectFile3ds) {
        return Fail(kFileCorrupted, "not a 3DS file");
    }
    const bool lLoaded = !IsErrorPending3ds(lKit) && oContent.Load(lKit, lDatabase.get(), pFlags);
    const std::string lName = GetFileName(mSource->GetName().c_str()).Buffer();
    for (const std::string& lWarning : lKit.mWarnings) {
        GetMessage() += (lName + ": " + lWarning + "\n").c_str();
    }
    if (!lLoaded) {
        return Fail(kFileCorrupted, FirstErrorText3ds(lKit));
    }
    return true;
}

bool KReader3ds::ReadInto(KRyvScene& ioScene, KStreamOptions3ds& ioOptions)
{
    K3dsReadFlags lFlags;
    lFlags.FromOptions(ioOptions);
    ioOptions.SetTakeName(K3dsSceneBuilder::kTakeName);
    ioOptions.ReportProgress("Reading 3DS file", 0.0f);
    K3dsFileContent lContent;
    lContent.mFolder = GetFileDirectory(mSource->GetName().c_str()).Buffer();
    if (!Load(lContent, lFlags)) {
        return false;
    }
    double lUnitScale = lFlags.mRescale ? kInchToCentimetre : 1.0;
    if (lContent.mSettings && lContent.mSettings->mMasterScale > 0.0f) {
        lUnitScale *= lContent.mSettings->mMasterScale;
    }
    // A master scale holds float precision only: a file in centimetres (1/2.54 as a float, as
    // the writer puts it) is read at scale 1, else every second pass would shift its points.
    if (static_cast<float>(lUnitScale) == 1.0f) {
        lUnitScale = 1.0;
    }
    ioOptions.ReportProgress("Reading 3DS file", 50.0f);
    KReadRollback lRollback(GetOwner());
    K3dsSceneBuilder lBuilder(GetOwner(), lRollback, lFlags, lContent, lUnitScale, GetMessage());
    if (!lBuilder.Build(ioScene)) {
        return Fail(kUnidentifiedError, "the scene objects could not be made");
    }
    lBuilder.Finish(ioScene);
    lRollback.CommitWithCurrentTake(ioScene, K3dsSceneBuilder::kTakeName);
    ioOptions.ReportProgress("Reading 3DS file", 100.0f);
    return true;
}
