#include "scene/KRyvScalingChecker.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <cstdint>

KRyvScalingChecker::KRyvScalingChecker()
    // Exactly 1/24 s: the tick rate divides by 24.
    : mPeriod(KTime::kTicksPerSecond / 24)
{
}

void KRyvScalingChecker::Clear()
{
    ClearAccepted();
    mDefaultTake = Lists();
    mCurrentTake = Lists();
}

const std::vector<KRyvNode*>& KRyvScalingChecker::GetScaledNodes(bool pCurrentTake) const
{
    return pCurrentTake ? mCurrentTake.mScaled : mDefaultTake.mScaled;
}

const std::vector<KRyvNode*>& KRyvScalingChecker::GetNegativeNodes(bool pCurrentTake) const
{
    return pCurrentTake ? mCurrentTake.mNegative : mDefaultTake.mNegative;
}

const std::vector<KRyvNode*>& KRyvScalingChecker::GetNonUniformNodes(bool pCurrentTake) const
{
    return pCurrentTake ? mCurrentTake.mNonUniform : mDefaultTake.mNonUniform;
}

int KRyvScalingChecker::CheckValues(const double* pValues, int pCount) const
{
    for (int i = 0; i < pCount; ++i) {
        const double lValue = pValues[i];
        if (mCheckScaled && (lValue < 1.0 - mTolerance || lValue > 1.0 + mTolerance)) {
            return eScaled;
        }
        if (mCheckNegative && lValue < 0.0) {
            return eNegative;
        }
        if (mCheckNonUniform &&
            (lValue < pValues[0] - mTolerance || lValue > pValues[0] + mTolerance)) {
            return eNonUniform;
        }
    }
    return eNone;
}

int KRyvScalingChecker::CheckTake(KRyvTakeNode* pTake) const
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    KFCurveNode* lScaling = lRoot ? lRoot->FindChild("S") : nullptr;
    if (!lScaling) {
        return eNone;
    }
    KFCurve* lCurves[3];
    int lCount = 0;
    for (const char* lAxis : {"X", "Y", "Z"}) {
        KFCurveNode* lAxisNode = lScaling->FindChild(lAxis);
        if (KFCurve* lCurve = lAxisNode ? lAxisNode->GetCurve() : nullptr) {
            lCurves[lCount++] = lCurve;
        }
    }
    double lValues[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < lCount; ++i) {
        lValues[i] = lCurves[i]->GetDefaultValue();
    }
    if (const int lResult = CheckValues(lValues, lCount)) {
        return lResult;
    }

    bool lHasKeys = false;
    std::int64_t lStart = 0;
    std::int64_t lEnd = 0;
    for (int i = 0; i < lCount; ++i) {
        const int lKeys = lCurves[i]->GetKeyCount();
        if (lKeys == 0) {
            continue;
        }
        const std::int64_t lFirst = lCurves[i]->KeyGetTime(0).Get();
        const std::int64_t lLast = lCurves[i]->KeyGetTime(lKeys - 1).Get();
        lStart = lHasKeys && lStart < lFirst ? lStart : lFirst;
        lEnd = lHasKeys && lEnd > lLast ? lEnd : lLast;
        lHasKeys = true;
    }
    if (!lHasKeys || lEnd < lStart) {
        return eNone;
    }
    // The span as an unsigned count is exact even from one infinity to the other.
    const std::uint64_t lSpan =
        static_cast<std::uint64_t>(lEnd) - static_cast<std::uint64_t>(lStart);
    std::uint64_t lStep = static_cast<std::uint64_t>(mPeriod.Get());
    const std::uint64_t lMaxSteps = static_cast<std::uint64_t>(kMaxSamples) - 1;
    if (lSpan / lStep > lMaxSteps) {
        lStep = lSpan / lMaxSteps + 1;
    }
    bool lScaled = false;
    bool lNonUniform = false;
    std::uint64_t lOffset = 0;
    while (true) {
        const KTime lTime(static_cast<std::int64_t>(static_cast<std::uint64_t>(lStart) + lOffset));
        for (int i = 0; i < lCount; ++i) {
            lValues[i] = lCurves[i]->Evaluate(lTime);
        }
        const int lResult = CheckValues(lValues, lCount);
        if (lResult == eNegative) {
            return eNegative;
        }
        lScaled |= lResult == eScaled;
        lNonUniform |= lResult == eNonUniform;
        // Compared as a remainder, so the last step never passes the end or overflows.
        if (lSpan - lOffset < lStep) {
            break;
        }
        lOffset += lStep;
    }
    return lNonUniform ? eNonUniform : (lScaled ? eScaled : eNone);
}

bool KRyvScalingChecker::CheckAndList(KRyvNode* pNode, KRyvTakeNode* pTake, Lists& ioLists) const
{
    switch (CheckTake(pTake)) {
    case eScaled:
        if (pNode->GetChildCount() > 0) {
            ioLists.mScaled.push_back(pNode);
            return true;
        }
        return false;
    case eNegative:
        ioLists.mNegative.push_back(pNode);
        return true;
    case eNonUniform:
        if (pNode->GetChildCount() > 0) {
            ioLists.mNonUniform.push_back(pNode);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool KRyvScalingChecker::Accept(KRyvNode* pNode)
{
    // Scaling itself is unwanted on joints only.
    const bool lCheckScaled = mCheckScaled;
    mCheckScaled = lCheckScaled && pNode->GetSkeleton() != nullptr;
    KRyvTakeNode* lDefault = pNode->GetDefaultTakeNode();
    bool lListed = CheckAndList(pNode, lDefault, mDefaultTake);
    KRyvTakeNode* lCurrent = pNode->GetCurrentTakeNode();
    if (lCurrent && lCurrent != lDefault) {
        lListed |= CheckAndList(pNode, lCurrent, mCurrentTake);
    }
    mCheckScaled = lCheckScaled;
    return lListed;
}
