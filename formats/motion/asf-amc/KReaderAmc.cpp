#include "formats/motion/asf-amc/KReaderAmc.h"

#include "animation/KTakeInfo.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAmcFile.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

// The keys go into the nodes' curves whatever the outcome; the skeleton keeps none.
struct KeyRelease
{
    KRyvAsfScene& mSkeleton;
    ~KeyRelease() { mSkeleton.ClearKeys(); }
};

} // namespace

KReaderAmc::KReaderAmc(KRyvObjectFactory* pOwner) : KReader(pOwner, true) {}

KReaderAmc::~KReaderAmc() = default;

std::unique_ptr<KReader> KReaderAmc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAmc(pOwner));
}

bool KReaderAmc::OpenSource(std::unique_ptr<KByteSource> pSource)
{
    mFile.reset();
    try {
        auto lFile = std::make_unique<KAmcFile>(false);
        if (!lFile->Open(std::move(pSource))) {
            GetError().SetLastErrorID(kFileNotOpened);
            return false;
        }
        mFile = std::move(lFile);
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    return true;
}

bool KReaderAmc::FileClose()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFile.reset();
    return true;
}

bool KReaderAmc::IsFileOpen()
{
    return mFile != nullptr;
}

std::unique_ptr<KStreamOptions> KReaderAmc::GetReadOptions()
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return nullptr;
    }
    try {
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lOptions || !mFile->ReadHeaderOptions(lOptions.get())) {
            Fail(mFile->GetLastError().c_str());
            return nullptr;
        }
        lOptions->SetOption(KReaderAsf::kOptionReference, 1);
        lOptions->SetOption(KReaderAsf::kOptionKeepBonesWithoutDof, 0);
        lOptions->SetOption(KReaderAsf::kOptionLimits, 0);
        return std::unique_ptr<KStreamOptions>(lOptions.release());
    } catch (const std::bad_alloc&) {
        GetError().SetLastErrorID(kFileCorrupted);
        return nullptr;
    }
}

bool KReaderAmc::Read(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!mFile) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    auto* lOptions = dynamic_cast<KStreamOptionsMotion*>(pOptions);
    auto* lSkeleton =
        lOptions ? dynamic_cast<KRyvAsfScene*>(lOptions->GetAttachedObject()) : nullptr;
    if (!lSkeleton) {
        GetError().SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!pScene || !pScene->GetRootNode() || !GetOwner()) {
        GetError().SetLastErrorID(kUnidentifiedError);
        return false;
    }
    KeyRelease lRelease{*lSkeleton};
    try {
        return ReadInto(*pScene, *lOptions, *lSkeleton);
    } catch (const std::bad_alloc&) {
        return Fail(KString(mFile->GetFileName().c_str()) + ": out of memory");
    }
}

bool KReaderAmc::Fail(const KString& pText)
{
    GetError().SetLastError(kFileCorrupted, pText.Buffer());
    GetMessage() += pText;
    GetMessage() += "\n";
    return false;
}

KString KReaderAmc::UniqueTakeName(KRyvScene& ioScene) const
{
    const std::string& lFileName = mFile->GetFileName();
    const std::size_t lDot = lFileName.rfind('.');
    const std::string lBase =
        lFileName.substr(0, lDot == std::string::npos || lDot == 0 ? lFileName.size() : lDot);
    std::vector<KString> lTakes;
    ioScene.FillTakeNameList(lTakes);
    const auto lTaken = [&lTakes](const std::string& pName) {
        return std::find(lTakes.begin(), lTakes.end(), KString(pName.c_str())) != lTakes.end();
    };
    std::string lName = lBase;
    // Each number is tried once, so the loop ends after at most one pass over the takes.
    for (std::size_t lNumber = 1; lTaken(lName); ++lNumber) {
        lName = lBase + " " + std::to_string(lNumber);
    }
    return KString(lName.c_str());
}

bool KReaderAmc::ReadInto(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions,
                          KRyvAsfScene& ioSkeleton)
{
    if (!mFile->Read(&ioSkeleton, ioOptions)) {
        return Fail(mFile->GetLastError().c_str());
    }
    const KString lTakeName = UniqueTakeName(ioScene);
    if (!Place(ioScene, ioOptions, ioSkeleton, lTakeName)) {
        return false;
    }
    ioScene.SetCurrentTake(lTakeName.Buffer());
    return true;
}

bool KReaderAmc::Place(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions,
                       KRyvAsfScene& ioSkeleton, const KString& pTakeName)
{
    const KString lFileName(mFile->GetFileName().c_str());
    KReadRollback lRollback(GetOwner());
    KRyvNode* lSceneRoot = ioScene.GetRootNode();
    KRyvNode* lParent = lSceneRoot;
    if (ioOptions.GetOption(KReaderAsf::kOptionReference) == 1) {
        const std::string lName = ioSkeleton.GetReferenceName();
        lParent = lSceneRoot->FindChild(lName.c_str(), true);
        if (!lParent) {
            lParent = lRollback.AddNode(GetOwner()->CreateNode(lName.c_str()));
        }
        if (!lParent || (lParent->GetParent() != lSceneRoot && !lSceneRoot->AddChild(lParent))) {
            return Fail(lFileName + ": cannot place the reference node");
        }
    }
    if (!ioSkeleton.UpdateNodes(lRollback, *GetOwner(), lParent, pTakeName.Buffer(),
                                ioOptions.GetOption(KReaderAsf::kOptionLimits) == 1)) {
        return Fail(lFileName + ": cannot create the skeleton nodes");
    }
    const int lFrames = ioOptions.GetFrameCount();
    KTakeInfo lInfo;
    lInfo.mName = pTakeName;
    lInfo.mLocalStart = ioOptions.GetStart();
    lInfo.mLocalStop = lFrames > 0
                           ? ioOptions.GetStart() + ioOptions.GetFramePeriod() * (lFrames - 1)
                           : ioOptions.GetStart();
    lInfo.mReferenceStart = lInfo.mLocalStart;
    lInfo.mReferenceStop = lInfo.mLocalStop;
    if (!ioScene.SetTakeInfo(lInfo)) {
        return Fail(lFileName + ": the take cannot be recorded");
    }
    lRollback.Commit();
    return true;
}
