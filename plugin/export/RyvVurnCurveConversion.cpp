#include "plugin/export/RyvVurnCurveConversion.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveKey.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/KRyvUserProperty.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace M = RyvVurnExportMessages;

namespace {
using TT = MFnAnimCurve::TangentType;
using Key = KFCurveKey;

constexpr double kSmallestTangentX = 2.220446049250313e-16;
constexpr double kDefaultSamplingRate = 30.0;
constexpr int kTangentUserBroken = Key::kTangentUser | Key::kTangentBreak;

// One host tangent: its x (seconds) and its slope.
struct Tangent
{
    double mX = 1.0;
    double mSlope = 0.0;
};

Tangent TangentOf(const MFnAnimCurve& pHost, unsigned int pKey, bool pIn)
{
    double lX = 0.0;
    double lY = 0.0;
    pHost.getTangent(pKey, lX, lY, pIn);
    Tangent lTangent;
    lTangent.mX = std::fabs(lX) <= kSmallestTangentX ? 1.0 : lX;
    lTangent.mSlope = lY / lTangent.mX;
    return lTangent;
}

double Seconds(const MFnAnimCurve& pHost, unsigned int pKey)
{
    return pHost.time(pKey).as(MTime::kSeconds);
}

KTime TimeOf(double pSeconds)
{
    KTime lTime;
    lTime.SetSecondDouble(pSeconds);
    return lTime;
}

// The kit interpolation of the segment a host key starts, by its out-tangent type. The host
// draws a straight segment only where a linear out-tangent meets a linear in-tangent; a clamped
// key between nearly equal values keeps the host's slopes too, which need not be flat.
int InterpolationOf(const MFnAnimCurve& pHost, unsigned int pKey, unsigned int pCount)
{
    switch (pHost.outTangentType(pKey)) {
    case TT::kTangentStep:
        return Key::kInterpolationConstant;
    case TT::kTangentLinear: {
        const bool lLast = pKey + 1 == pCount;
        const bool lStraight = lLast || pHost.inTangentType(pKey + 1) == TT::kTangentLinear;
        return lStraight ? Key::kInterpolationLinear : Key::kInterpolationCubic;
    }
    default:
        return Key::kInterpolationCubic;
    }
}

// Every key carries the host's own slopes as user tangents: the kit's auto tangents would
// flatten first and last keys and extremes, which the host's smooth tangents do not. A key is
// broken where its two slopes differ, or where an unlocked fixed tangent says so.
int TangentModeOf(const MFnAnimCurve& pHost, unsigned int pKey, unsigned int pCount)
{
    const bool lInner = pKey > 0 && pKey + 1 < pCount;
    const bool lUnlocked =
        pHost.outTangentType(pKey) == TT::kTangentFixed && !pHost.tangentsLocked(pKey);
    const bool lBent =
        lInner && TangentOf(pHost, pKey, true).mSlope != TangentOf(pHost, pKey, false).mSlope;
    return lUnlocked || lBent ? kTangentUserBroken : Key::kTangentUser;
}

// On a weighted curve: the right weight of fixed out-tangents and the next key's left weight,
// each x / (3 dt) of the host's tangent.
void SetWeights(const MFnAnimCurve& pHost, unsigned int pKey, unsigned int pCount, KFCurve& ioCurve)
{
    const int lIndex = static_cast<int>(pKey);
    const bool lLast = pKey + 1 == pCount;
    const double lSpan = lLast ? 0.0 : Seconds(pHost, pKey + 1) - Seconds(pHost, pKey);
    const bool lFixed = pHost.outTangentType(pKey) == TT::kTangentFixed;
    double lRight = lFixed ? kLastKeyWeight : Key::kDefaultWeight;
    if (lFixed && !lLast && lSpan > 0.0) {
        lRight = TangentOf(pHost, pKey, false).mX / (3.0 * lSpan);
    }
    ioCurve.SetKeyRightWeight(lIndex, lRight);
    if (!lLast && lSpan > 0.0) {
        ioCurve.SetKeyLeftWeight(lIndex + 1, TangentOf(pHost, pKey + 1, true).mX / (3.0 * lSpan));
    }
}

void ConvertKeys(const MFnAnimCurve& pHost, KFCurve& ioCurve, double pFactor)
{
    const unsigned int lCount = pHost.numKeys();
    ioCurve.BeginKeySet(static_cast<int>(lCount));
    for (unsigned int lKey = 0; lKey < lCount; ++lKey) {
        const double lRight = TangentOf(pHost, lKey, false).mSlope;
        const double lNextLeft = lKey + 1 < lCount ? TangentOf(pHost, lKey + 1, true).mSlope : 0.0;
        ioCurve.GetKey(static_cast<int>(lKey))
            ->Set(TimeOf(Seconds(pHost, lKey)), static_cast<float>(pHost.value(lKey) * pFactor),
                  InterpolationOf(pHost, lKey, lCount), TangentModeOf(pHost, lKey, lCount),
                  static_cast<float>(lRight * pFactor), static_cast<float>(lNextLeft * pFactor));
    }
    ioCurve.EndKeySet(static_cast<int>(lCount));
    if (!pHost.isWeighted()) {
        return;
    }
    ioCurve.BeginKeyModify();
    for (unsigned int lKey = 0; lKey < lCount; ++lKey) {
        SetWeights(pHost, lKey, lCount, ioCurve);
    }
    ioCurve.EndKeyModify();
}

double SamplingRate()
{
    const double lRate = GetOptionStore().GetSamplingRate();
    return std::isfinite(lRate) && lRate > 0.0 ? lRate : kDefaultSamplingRate;
}

// Floor division: a negative first key still starts the grid at or before it.
std::int64_t FloorDivide(std::int64_t pValue, std::int64_t pDivisor)
{
    std::int64_t lQuotient = pValue / pDivisor;
    if (lQuotient * pDivisor > pValue) {
        --lQuotient;
    }
    return lQuotient;
}

void ResampleKeys(const MFnAnimCurve& pHost, KFCurve& ioCurve, double pFactor, KLog* pLog)
{
    // Rounded, not truncated: 1 / 30 s must be exactly a thirtieth of a second of ticks.
    const std::int64_t lPeriod =
        std::llround(static_cast<double>(KTime::kTicksPerSecond) / SamplingRate());
    if (lPeriod <= 0) {
        return;
    }
    const std::int64_t lFirst = TimeOf(Seconds(pHost, 0)).Get();
    const std::int64_t lEnd = TimeOf(Seconds(pHost, pHost.numKeys() - 1)).Get();
    const std::int64_t lStart = FloorDivide(lFirst, lPeriod) * lPeriod;
    const std::int64_t lPeriods = (lEnd - lStart) / lPeriod;
    if (lPeriods <= 0) {
        return;
    }
    const bool lCut = lPeriods + 2 > kMaxResamples;
    const std::int64_t lCount = lCut ? kMaxResamples : lPeriods + 2;
    if (lCut && pLog) {
        pLog->AddLine(
            (M::TitledLine(M::kTitleWarning, M::kResamplingCut) + pHost.name().asChar()).Buffer());
    }
    ioCurve.BeginKeySet(static_cast<int>(lCount));
    int lSet = 0;
    // The loop always moves forward by one period and stops at the cap.
    for (std::int64_t lTicks = lStart; lTicks < lEnd + lPeriod && lSet < lCount;
         lTicks += lPeriod, ++lSet) {
        const KTime lTime(lTicks);
        const double lValue = pHost.evaluate(MTime(lTime.GetSecondDouble()));
        ioCurve.GetKey(lSet)->Set(lTime, static_cast<float>(lValue * pFactor));
    }
    ioCurve.EndKeySet(lSet);
}

bool NeedsResampling(const MFnAnimCurve& pHost)
{
    for (unsigned int lKey = 0; lKey < pHost.numKeys(); ++lKey) {
        const TT lType = pHost.inTangentType(lKey);
        if (lType == TT::kTangentSlow || lType == TT::kTangentFast) {
            return true;
        }
    }
    return false;
}
} // namespace

void ConvertAnimCurve(const MFnAnimCurve& pHost, KFCurve& ioCurve, bool pResample, double pFactor,
                      KLog* pLog)
{
    if (pHost.numKeys() == 0) {
        return;
    }
    if (pResample || NeedsResampling(pHost)) {
        ResampleKeys(pHost, ioCurve, pFactor, pLog);
    } else {
        ConvertKeys(pHost, ioCurve, pFactor);
    }
    if (GetOptionStore().GetBool(kExportApplyCstKeyRed)) {
        KFCurveFilterConstantKeyReducer lReducer;
        lReducer.SetKeepFirstAndLastKeys(true);
        lReducer.Apply(ioCurve);
    }
}

void MakeTakeCurrent(KRyvNode* pNode, const char* pName)
{
    const char* lCurrent = pNode->GetCurrentTakeNodeName();
    if (lCurrent && std::strcmp(lCurrent, pName) == 0) {
        return;
    }
    // The kit's AddTakeNode leaves the current take as it was: make the new take current too.
    if (!pNode->SetCurrentTakeNode(pName) && pNode->AddTakeNode(pName)) {
        pNode->SetCurrentTakeNode(pName);
    }
}

void RyvVurnExporter::ExportChannel(const MFnDependencyNode& pHostNode, const char* pAttribute,
                                    KFCurveNode* pCurveNode, const char* pChannel,
                                    const char* pComponent, bool pResample, double pFactor)
{
    MStatus lStatus;
    const MPlug lPlug = pHostNode.findPlug(pAttribute, &lStatus);
    const MFnAnimCurve lCurve(lPlug, &lStatus);
    KFCurveNode* lChannel = lStatus && pCurveNode ? pCurveNode->FindChild(pChannel) : nullptr;
    KFCurveNode* lTarget = lChannel && pComponent ? lChannel->FindChild(pComponent) : lChannel;
    if (lTarget && lTarget->GetCurve()) {
        ConvertAnimCurve(lCurve, *lTarget->GetCurve(), pResample, pFactor, mLog.get());
    }
}

namespace {
// pPlug's curve into a new curve of pCurveNode when it has keys.
void ConvertPropertyCurve(const MPlug& pPlug, KFCurveNode& ioCurveNode, KLog* pLog)
{
    MStatus lStatus;
    const MFnAnimCurve lCurve(pPlug, &lStatus);
    if (!lStatus || lCurve.numKeys() == 0) {
        return;
    }
    KFCurve* lNew = KFCurve::Create();
    if (lNew) {
        ConvertAnimCurve(lCurve, *lNew, false, 1.0, pLog);
        ioCurveNode.SetCurve(lNew, true);
    }
}
} // namespace

MStatus RyvVurnExporter::ExportUserPropertyChannels(KRyvNode* pNode,
                                                    const MFnDependencyNode& pHostNode)
{
    if (!pNode || !pNode->GetNodeAttribute() || !pNode->GetCurrentTakeNode()) {
        return MStatus();
    }
    KFCurveNode* lRoot = pNode->GetCurrentTakeNode()->GetKFCurveNode();
    for (int lIndex = 0; lRoot && lIndex < pNode->GetUserPropertyCount(); ++lIndex) {
        KRyvUserProperty* lProperty = pNode->GetUserProperty(lIndex);
        if (!lProperty || !lProperty->GetFlag(KRyvUserProperty::kFlagSecond)) {
            continue;
        }
        KFCurveNode* lCurveNode = lRoot->FindChild(lProperty->GetName().Buffer());
        MStatus lStatus;
        const MPlug lPlug = pHostNode.findPlug(lProperty->GetLabel(true).Buffer(), &lStatus);
        if (!lCurveNode || !lStatus) {
            continue;
        }
        const int lType = lProperty->GetType();
        if (lType == KRyvUserProperty::kTypeColor || lType == KRyvUserProperty::kTypeVector) {
            for (int lChild = 0; lChild < lCurveNode->GetCount(); ++lChild) {
                ConvertPropertyCurve(lPlug.child(static_cast<unsigned int>(lChild)),
                                     *lCurveNode->Get(lChild), mLog.get());
            }
        } else {
            ConvertPropertyCurve(lPlug, *lCurveNode, mLog.get());
        }
    }
    return MStatus();
}
