#include "animation/KFCurveKey.h"

#include <cmath>

namespace {

float FiniteOr(float pValue, float pFallback)
{
    return std::isfinite(pValue) ? pValue : pFallback;
}

} // namespace

KFCurveKey& KFCurveKey::operator=(const KFCurveKey& pOther)
{
    if (this != &pOther) {
        mTime = pOther.mTime;
        mValue = pOther.mValue;
        mFlags = pOther.mFlags;
        if (!pOther.mExtra) {
            mExtra.reset();
        } else if (mExtra) {
            *mExtra = *pOther.mExtra;
        } else {
            mExtra = std::make_unique<Extra>(*pOther.mExtra);
        }
    }
    return *this;
}

bool KFCurveKey::IsPositiveZero(float pValue)
{
    return pValue == 0.0f && !std::signbit(pValue);
}

KFCurveKey::Extra& KFCurveKey::MakeExtra()
{
    if (!mExtra) {
        mExtra = std::make_unique<Extra>();
    }
    return *mExtra;
}

void KFCurveKey::Set(KTime pTime, float pValue, int pInterpolation, int pTangentMode, float pData0,
                     float pData1, int pWeightMode, float pWeight0, float pWeight1,
                     float pVelocity0, float pVelocity1)
{
    mTime = pTime;
    mValue = FiniteOr(pValue, 0.0f);
    mFlags = (pInterpolation & kInterpolationMask) | (pTangentMode & kTangentMask) |
             (pWeightMode & kWeightedMask);
    const Extra lExtra{{FiniteOr(pData0, 0.0f), FiniteOr(pData1, 0.0f), 0.0f},
                       {StoreWeight(FiniteOr(pWeight0, kDefaultWeight)),
                        StoreWeight(FiniteOr(pWeight1, kDefaultWeight))},
                       {FiniteOr(pVelocity0, 0.0f), FiniteOr(pVelocity1, 0.0f)}};
    if (IsPositiveZero(lExtra.mData[0]) && IsPositiveZero(lExtra.mData[1]) &&
        lExtra.mWeight[0] == kDefaultWeightStored && lExtra.mWeight[1] == kDefaultWeightStored &&
        IsPositiveZero(lExtra.mVelocity[0]) && IsPositiveZero(lExtra.mVelocity[1])) {
        mExtra.reset();
    } else {
        MakeExtra() = lExtra;
    }
}

void KFCurveKey::SetTCB(KTime pTime, float pValue, float pTension, float pContinuity, float pBias)
{
    Set(pTime, pValue, kInterpolationCubic, kTangentTCB);
    SetDataFloat(kDataTension, FiniteOr(pTension, 0.0f));
    SetDataFloat(kDataContinuity, FiniteOr(pContinuity, 0.0f));
    SetDataFloat(kDataBias, FiniteOr(pBias, 0.0f));
}

bool KFCurveKey::IncValue(float pDelta)
{
    return SetValue(mValue + pDelta);
}

void KFCurveKey::SetInterpolation(int pInterpolation)
{
    mFlags = (mFlags & ~kInterpolationMask) | (pInterpolation & kInterpolationMask);
}

void KFCurveKey::SetTangentMode(int pTangentMode)
{
    mFlags = (mFlags & ~kTangentMask) | (pTangentMode & kTangentMask);
}

void KFCurveKey::SetConstantMode(int pMode)
{
    mFlags = (mFlags & ~kConstantNext) | (pMode & kConstantNext);
}

void KFCurveKey::SetWeightMode(int pWeightMode)
{
    mFlags = (mFlags & ~kWeightedMask) | (pWeightMode & kWeightedMask);
}

float KFCurveKey::GetDataFloat(int pIndex) const
{
    return pIndex >= 0 && pIndex < kDataCount && mExtra ? mExtra->mData[pIndex] : 0.0f;
}

bool KFCurveKey::SetDataFloat(int pIndex, float pValue)
{
    if (pIndex < 0 || pIndex >= kDataCount || !std::isfinite(pValue)) {
        return false;
    }
    if (mExtra || !IsPositiveZero(pValue)) {
        MakeExtra().mData[pIndex] = pValue;
    }
    return true;
}

float KFCurveKey::GetWeight(int pSide) const
{
    if (pSide != kWeightRight && pSide != kWeightNextLeft) {
        return kDefaultWeight;
    }
    return static_cast<float>(GetWeightStored(pSide)) / static_cast<float>(kWeightScale);
}

bool KFCurveKey::SetWeight(int pSide, float pWeight)
{
    if ((pSide != kWeightRight && pSide != kWeightNextLeft) || !std::isfinite(pWeight)) {
        return false;
    }
    const std::int16_t lStored = StoreWeight(pWeight);
    if (mExtra || lStored != kDefaultWeightStored) {
        MakeExtra().mWeight[pSide] = lStored;
    }
    return true;
}

int KFCurveKey::GetWeightStored(int pSide) const
{
    if (pSide != kWeightRight && pSide != kWeightNextLeft) {
        return 0;
    }
    return mExtra ? mExtra->mWeight[pSide] : kDefaultWeightStored;
}

float KFCurveKey::GetVelocity(int pSide) const
{
    return (pSide == 0 || pSide == 1) && mExtra ? mExtra->mVelocity[pSide] : 0.0f;
}

bool KFCurveKey::SetVelocity(int pSide, float pVelocity)
{
    if ((pSide != 0 && pSide != 1) || !std::isfinite(pVelocity)) {
        return false;
    }
    if (mExtra || !IsPositiveZero(pVelocity)) {
        MakeExtra().mVelocity[pSide] = pVelocity;
    }
    return true;
}

std::int16_t KFCurveKey::StoreWeight(float pWeight)
{
    // Nearly every key carries the default weight; its stored form needs no rounding call.
    if (pWeight == kDefaultWeight) {
        return kDefaultWeightStored;
    }
    // Clamping first keeps the product within 1..9899, so the conversion is always in range.
    float lClamped =
        pWeight < kMinWeight ? kMinWeight : (pWeight > kMaxWeight ? kMaxWeight : pWeight);
    return static_cast<std::int16_t>(std::lround(lClamped * static_cast<float>(kWeightScale)));
}
