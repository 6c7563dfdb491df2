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
#include <numeric>
#include <vector>

namespace {

const char* const kNoTakeInfo =
    "the scene's animation has no time span to write: its take has no take information";
const char* const kBackwards =
    "the scene's animation has no time span to write: its take ends before it starts";
const char* const kNoRate = "the scene's animation has no frame rate to write: no curve of its "
                            "take holds two keys and its time mode has no rate of its own";
// Keys that share no grid as fine as this part of their spacing carry times of their own (a time
// column's, rounded to ticks): their frames keep the spacing and sample between them.
constexpr std::uint64_t kMaxPeriodSplit = 1000;

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

// The first curve of the scene's current take holding at least pKeys keys; null for none.
const KFCurve* FindTakeCurve(KRyvScene& pScene, int pKeys)
{
    const KFCurve* lFound = nullptr;
    VisitTakeCurves(pScene, [&](KRyvNode&, const KFCurve& pCurve) {
        lFound = pCurve.GetKeyCount() >= pKeys ? &pCurve : nullptr;
        return lFound != nullptr;
    });
    return lFound;
}

// Widens [ioStart, ioStop] to every key of the take, and narrows ioPeriod to the largest period
// that puts every key on a frame from ioStart: a motion file whose frames skip (records 10, 20,
// 30) keeps each record at its own frame of the file's period.
void CoverKeys(KRyvScene& pScene, std::int64_t& ioStart, std::int64_t& ioStop,
               std::int64_t& ioPeriod)
{
    VisitTakeCurves(pScene, [&](KRyvNode&, const KFCurve& pCurve) {
        const int lKeys = pCurve.GetKeyCount();
        if (lKeys > 0) {
            ioStart = std::min(ioStart, pCurve.KeyGetTime(0).Get());
            ioStop = std::max(ioStop, pCurve.KeyGetTime(lKeys - 1).Get());
        }
        return false;
    });
    // Unsigned: every key lies at or after the start, and the distance fits, however far.
    std::uint64_t lCommon = static_cast<std::uint64_t>(ioPeriod);
    VisitTakeCurves(pScene, [&](KRyvNode&, const KFCurve& pCurve) {
        for (int k = 0; k < pCurve.GetKeyCount() && lCommon > 1; ++k) {
            lCommon = std::gcd(lCommon, static_cast<std::uint64_t>(pCurve.KeyGetTime(k).Get()) -
                                            static_cast<std::uint64_t>(ioStart));
        }
        return false;
    });
    if (static_cast<std::uint64_t>(ioPeriod) / lCommon <= kMaxPeriodSplit) {
        ioPeriod = static_cast<std::int64_t>(lCommon);
    }
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
    std::int64_t lPeriod = FramePeriod(ioScene);
    if (lPeriod <= 0) {
        return kNoRate;
    }
    std::int64_t lStart = lInfo->mLocalStart.Get();
    std::int64_t lStop = lInfo->mLocalStop.Get();
    CoverKeys(ioScene, lStart, lStop, lPeriod);
    const double lSpan = static_cast<double>(lStop) - static_cast<double>(lStart);
    const double lFrames = std::floor(lSpan / static_cast<double>(lPeriod) + 0.5) + 1.0;
    if (lFrames > static_cast<double>(std::numeric_limits<int>::max())) {
        return kTooLong;
    }
    ioOptions.SetStart(KTime(lStart));
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
