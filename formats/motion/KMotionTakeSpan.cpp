#include "formats/motion/KMotionTakeSpan.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "core/KTimeModeTable.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

const char* const kNoTakeInfo =
    "the scene's animation has no time span to write: its take has no take information";
const char* const kBackwards =
    "the scene's animation has no time span to write: its take ends before it starts";
const char* const kNoRate = "the scene's animation has no frame rate to write: no curve of its "
                            "take holds two keys and its time mode has no rate of its own";
const char* const kTooLong = "the scene's animation has more frames than a motion file holds";

// The first curve below pRoot, depth first, holding at least pKeys keys; null for none.
const KFCurve* FindKeyedCurve(const KFCurveNode* pRoot, int pKeys)
{
    std::vector<const KFCurveNode*> lStack{pRoot};
    while (!lStack.empty()) {
        const KFCurveNode* lNode = lStack.back();
        lStack.pop_back();
        const KFCurve* lCurve = lNode ? lNode->GetCurve() : nullptr;
        if (lCurve && lCurve->GetKeyCount() >= pKeys) {
            return lCurve;
        }
        for (int i = lNode ? lNode->GetCount() - 1 : -1; i >= 0; --i) {
            lStack.push_back(lNode->Get(i));
        }
    }
    return nullptr;
}

// The first curve of the scene's current take holding at least pKeys keys; null for none.
const KFCurve* FindTakeCurve(KRyvScene& pScene, int pKeys)
{
    for (int i = 0; i < pScene.GetNodeCount(); ++i) {
        KRyvTakeNode* lTake = pScene.GetNode(i)->GetCurrentTakeNode();
        const char* lName = pScene.GetNode(i)->GetCurrentTakeNodeName();
        if (lTake && lName && KString(lName) == pScene.GetCurrentTakeName()) {
            if (const KFCurve* lCurve = FindKeyedCurve(lTake->GetKFCurveNode(), pKeys)) {
                return lCurve;
            }
        }
    }
    return nullptr;
}

// The frame period of the take: its key spacing, else its scene's time mode; 0 for none.
std::int64_t FramePeriod(KRyvScene& pScene)
{
    if (const KFCurve* lCurve = FindTakeCurve(pScene, 2)) {
        return (lCurve->KeyGetTime(1) - lCurve->KeyGetTime(0)).Get();
    }
    const int lMode = pScene.GetGlobalTimeSettings().GetTimeMode();
    if (lMode < KTimeModeTable::kFirstRateMode || lMode > KTimeModeTable::kLastRateMode) {
        return 0;
    }
    return KTime::GetTicksPerFrame(lMode);
}

// Fill, answering why it could not (null when it did).
const char* TryFill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const KTakeInfo* lInfo = ioScene.GetTakeInfo(ioScene.GetCurrentTakeName());
    if (!lInfo) {
        return kNoTakeInfo;
    }
    if (lInfo->mLocalStop.Get() < lInfo->mLocalStart.Get()) {
        return kBackwards;
    }
    const std::int64_t lPeriod = FramePeriod(ioScene);
    if (lPeriod <= 0) {
        return kNoRate;
    }
    const double lSpan = static_cast<double>(lInfo->mLocalStop.Get() - lInfo->mLocalStart.Get());
    const double lFrames = std::floor(lSpan / static_cast<double>(lPeriod) + 0.5) + 1.0;
    if (lFrames > static_cast<double>(std::numeric_limits<int>::max())) {
        return kTooLong;
    }
    ioOptions.SetStart(lInfo->mLocalStart);
    ioOptions.SetFrameCount(static_cast<int>(lFrames));
    ioOptions.SetTimeMode(0, KMotionFrameRate::FromPeriodTicks(lPeriod));
    return nullptr;
}

} // namespace

bool KMotionTakeSpan::Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    return TryFill(ioScene, ioOptions) == nullptr;
}

const char* KMotionTakeSpan::FillMissing(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    if (ioOptions.GetFrameCount() > 0) {
        return nullptr;
    }
    const char* lReason = TryFill(ioScene, ioOptions);
    // Without take information, only keys say that there is animation to lose.
    if (lReason == kNoTakeInfo && !FindTakeCurve(ioScene, 1)) {
        return nullptr;
    }
    return lReason;
}
