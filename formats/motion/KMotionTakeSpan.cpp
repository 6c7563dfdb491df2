#include "formats/motion/KMotionTakeSpan.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "core/KTimeModeTable.h"
#include "formats/motion/KMotionFrameRate.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

const char* const kNoTakeInfo =
    "the scene's animation has no time span to write: its take has no take information";
const char* const kBackwards =
    "the scene's animation has no time span to write: its take ends before it starts";
const char* const kNoRate = "the scene's animation has no frame rate to write: its take has "
                            "none and its time mode has no rate of its own";
const char* const kTooLong = "the scene's animation has more frames than a motion file holds";

// Calls pVisit(node, curve) for every curve of the scene's current take, node by node and depth
// first within a node, until it answers true; answers whether one did.
template <class TVisit> bool VisitTakeCurves(KRyvScene& pScene, TVisit pVisit)
{
    for (int i = 0; i < pScene.GetNodeCount(); ++i) {
        KRyvNode* lNode = pScene.GetNode(i);
        KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
        const char* lName = lNode->GetCurrentTakeNodeName();
        if (!lTake || !lName || KString(lName) != pScene.GetCurrentTakeName()) {
            continue;
        }
        // Channels a take has not made yet hold no keys: walking the made ones keeps a wide
        // scene from making every channel of every node.
        std::vector<const KFCurveNode*> lStack{lTake->GetMadeKFCurveNode()};
        while (!lStack.empty()) {
            const KFCurveNode* lCurveNode = lStack.back();
            lStack.pop_back();
            const KFCurve* lCurve = lCurveNode ? lCurveNode->GetCurve() : nullptr;
            if (lCurve && pVisit(*lNode, *lCurve)) {
                return true;
            }
            for (int c = lCurveNode ? lCurveNode->GetCount() - 1 : -1; c >= 0; --c) {
                lStack.push_back(lCurveNode->Get(c));
            }
        }
    }
    return false;
}

bool HasTakeKeys(KRyvScene& pScene)
{
    return VisitTakeCurves(
        pScene, [](KRyvNode&, const KFCurve& pCurve) { return pCurve.GetKeyCount() > 0; });
}

// A rate as the options take it: a time mode of its own, else 0 with frames per second.
struct Rate
{
    int mTimeMode = 0;
    double mFrameRate = 0.0;
};

// The take's own rate, else the scene's time mode's; false when neither has one.
bool FindRate(KRyvScene& pScene, const KTakeInfo& pInfo, Rate& oRate)
{
    if (pInfo.HasFrameRate()) {
        // The rate as the file stated it ("29.97", not the mode's 29.970029...), in the mode it
        // was read in when two modes share that rate.
        int lMode = 0;
        KMotionFrameRate::ToTimeMode(pInfo.mFrameRate, lMode);
        const bool lOwnMode = pInfo.mTimeMode != KTimeModeTable::kCustomMode;
        oRate.mTimeMode = lOwnMode && lMode != pInfo.mTimeMode ? pInfo.mTimeMode : 0;
        oRate.mFrameRate = pInfo.mFrameRate;
        return true;
    }
    const int lMode = pScene.GetGlobalTimeSettings().GetTimeMode();
    if (lMode < KTimeModeTable::kFirstRateMode || lMode > KTimeModeTable::kLastRateMode) {
        return false;
    }
    oRate.mTimeMode = lMode;
    return true;
}

std::int64_t PeriodTicks(const Rate& pRate)
{
    return pRate.mTimeMode != 0 ? KTime::GetTicksPerFrame(pRate.mTimeMode)
                                : KMotionFrameRate::PeriodTicks(pRate.mFrameRate);
}

// Fill, answering why it could not (null when it did).
const char* TryFill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const KTakeInfo* lInfo = ioScene.GetTakeInfo(ioScene.GetCurrentTakeName());
    if (!lInfo) {
        return kNoTakeInfo;
    }
    const std::int64_t lStart = lInfo->mLocalStart.Get();
    const std::int64_t lStop = lInfo->mLocalStop.Get();
    if (lStop < lStart) {
        return kBackwards;
    }
    Rate lRate;
    if (!FindRate(ioScene, *lInfo, lRate)) {
        return kNoRate;
    }
    const std::int64_t lPeriod = PeriodTicks(lRate);
    const double lSpan = static_cast<double>(lStop) - static_cast<double>(lStart);
    const double lFrames = std::floor(lSpan / static_cast<double>(lPeriod) + 0.5) + 1.0;
    if (lFrames > static_cast<double>(std::numeric_limits<int>::max())) {
        return kTooLong;
    }
    ioOptions.SetStart(KTime(lStart));
    ioOptions.SetFrameCount(static_cast<int>(lFrames));
    ioOptions.SetTimeMode(lRate.mTimeMode, lRate.mFrameRate);
    return nullptr;
}

} // namespace

KTakeInfo KMotionTakeSpan::Describe(const char* pTakeName, const KStreamOptionsMotion& pOptions,
                                    int pFrames)
{
    KTakeInfo lInfo;
    lInfo.mName = pTakeName;
    lInfo.mLocalStart = pOptions.GetStart();
    lInfo.mLocalStop = pFrames > 0 ? pOptions.GetStart() + pOptions.GetFramePeriod() * (pFrames - 1)
                                   : pOptions.GetStart();
    lInfo.mReferenceStart = lInfo.mLocalStart;
    lInfo.mReferenceStop = lInfo.mLocalStop;
    lInfo.mTimeMode =
        pOptions.GetTimeMode() != 0 ? pOptions.GetTimeMode() : KTimeModeTable::kCustomMode;
    lInfo.mFrameRate = pOptions.GetFrameRate();
    return lInfo;
}

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
    if (lReason == kNoTakeInfo && !HasTakeKeys(ioScene)) {
        return nullptr;
    }
    return lReason;
}

KMotionTakeSpan::Frames KMotionTakeSpan::FramesToWrite(KRyvScene& ioScene,
                                                       const KStreamOptionsMotion& pOptions)
{
    const KStreamOptionsMotion* lSource = &pOptions;
    KStreamOptionsMotion lFilled;
    if (pOptions.GetFrameCount() <= 0 && Fill(ioScene, lFilled)) {
        lSource = &lFilled;
    }
    Frames lFrames;
    lFrames.mStart = lSource->GetStart();
    lFrames.mPeriod = lSource->GetFramePeriod();
    // More frames than any writer writes (CheckWriteLimit refuses them) are not sampled either.
    lFrames.mCount = lSource->GetFrameCount() <= kMaxWriteFrames ? lSource->GetFrameCount() : 0;
    return lFrames;
}

std::string KMotionTakeSpan::CheckWriteLimit(KRyvScene& pScene,
                                             const KStreamOptionsMotion& pOptions)
{
    const int lFrames = pOptions.GetFrameCount();
    if (lFrames <= kMaxWriteFrames) {
        return std::string();
    }
    const std::int64_t lStart = pOptions.GetStart().Get();
    std::uint64_t lFarthest = 0;
    KString lNode("the options");
    VisitTakeCurves(pScene, [&](KRyvNode& pNode, const KFCurve& pCurve) {
        for (const int k : {0, pCurve.GetKeyCount() - 1}) {
            const std::int64_t lTicks = k >= 0 ? pCurve.KeyGetTime(k).Get() : lStart;
            // In unsigned arithmetic, which cannot overflow for ticks far apart.
            const std::uint64_t lDistance =
                lTicks < lStart
                    ? static_cast<std::uint64_t>(lStart) - static_cast<std::uint64_t>(lTicks)
                    : static_cast<std::uint64_t>(lTicks) - static_cast<std::uint64_t>(lStart);
            if (lDistance > lFarthest) {
                lFarthest = lDistance;
                lNode = pNode.GetName();
            }
        }
        return false;
    });
    const KTime lStop = pOptions.GetStart() + pOptions.GetFramePeriod() * (lFrames - 1);
    std::string lText;
    KMotionNumber::AppendFormat(lText,
                                "%s: the span to write, %.10g s to %.10g s, holds %d frames, "
                                "more than the %d a motion file is written with",
                                lNode.Buffer(), pOptions.GetStart().GetSecondDouble(),
                                lStop.GetSecondDouble(), lFrames, kMaxWriteFrames);
    return lText;
}
