#include "formats/motion/asf-amc/KReaderAmc.h"

#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAmcFile.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <climits>
#include <cstdint>
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

KReaderAmc::KReaderAmc(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderAmc::~KReaderAmc() = default;

std::unique_ptr<KReader> KReaderAmc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAmc(pOwner));
}

std::unique_ptr<KTextFile> KReaderAmc::NewFile() const
{
    // The file's warnings (values it cannot take, units it falls back from) reach the user.
    return std::make_unique<KAmcFile>(true);
}

KAmcFile& KReaderAmc::File() const
{
    return *static_cast<KAmcFile*>(GetFile());
}

bool KReaderAmc::ReadHeaderOptions(KStreamOptionsMotion& ioOptions)
{
    if (!File().ReadHeaderOptions(&ioOptions)) {
        return false;
    }
    KReaderAsf::SetReadDefaults(ioOptions);
    return true;
}

bool KReaderAmc::AcceptsOptions(KStreamOptionsMotion& pOptions) const
{
    return dynamic_cast<KRyvAsfScene*>(pOptions.GetAttachedObject()) != nullptr;
}

bool KReaderAmc::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    KRyvAsfScene& lSkeleton = *static_cast<KRyvAsfScene*>(ioOptions.GetAttachedObject());
    KeyRelease lRelease{lSkeleton};
    return ReadInto(ioScene, ioOptions, lSkeleton);
}

KString KReaderAmc::UniqueTakeName(KRyvScene& ioScene) const
{
    const std::string lBase = GetTakeName().Buffer();
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
    if (!File().Read(&ioSkeleton, ioOptions)) {
        return Fail(File().GetLastError().c_str());
    }
    TakeReadSpan(ioOptions);
    const KString lTakeName = UniqueTakeName(ioScene);
    return Place(ioScene, ioOptions, ioSkeleton, lTakeName);
}

void KReaderAmc::TakeReadSpan(KStreamOptionsMotion& ioOptions) const
{
    KTime lFirst;
    KTime lLast;
    if (!File().GetReadSpan(lFirst, lLast)) {
        ioOptions.SetFrameCount(0);
        return;
    }
    // Frames lie whole periods from the start, so the quotient is exact; a span of more frames
    // than an int counts is refused by the writers all the same.
    const std::int64_t lPeriods = (lLast - lFirst).Get() / ioOptions.GetFramePeriod().Get();
    ioOptions.SetStart(lFirst);
    ioOptions.SetFrameCount(static_cast<int>(std::min<std::int64_t>(lPeriods + 1, INT_MAX)));
}

bool KReaderAmc::Place(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions,
                       KRyvAsfScene& ioSkeleton, const KString& pTakeName)
{
    const KString lFileName(File().GetFileName().c_str());
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
    if (!ioScene.SetTakeInfo(
            KMotionTakeSpan::Describe(pTakeName.Buffer(), ioOptions, ioOptions.GetFrameCount()))) {
        return Fail(lFileName + ": the take cannot be recorded");
    }
    lRollback.CommitWithCurrentTake(ioScene, pTakeName.Buffer());
    return true;
}
