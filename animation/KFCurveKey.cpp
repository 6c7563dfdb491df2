#include "animation/KFCurveKey.h"

#include <cmath>

namespace {

// kDefaultWeight as StoreWeight rounds it: 0.33333334 * 9999 = 3333.0000...
constexpr std::int16_t kDefaultWeightStored = 3333;

float FiniteOr(float pValue, float pFallback)
{
    return std::isfinite(pValue) ? pValue : pFallback;
}

} // namespace

KFCurveKey::KFCurveKey()
    : mValue(0.0f), mFlags(kInterpolationCubic | kTangentAuto), mData{0.0f, 0.0f, 0.0f},
      mWeight{StoreWeight(kDefaultWeight), StoreWeight(kDefaultWeight)}, mVelocity{0.0f, 0.0f}
{
}

void KFCurveKey::Set(KTime pTime, float pValue, int pInterpolation, int pTangentMode, float pData0,
                     float pData1, int pWeightMode, float pWeight0, float pWeight1,
                     float pVelocity0, float pVelocity1)
{
    mTime = pTime;
    mValue = FiniteOr(pValue, 0.0f);
    mFlags = (pInterpolation & kInterpolationMask) | (pTangentMode & kTangentMask) |
             (pWeightMode & kWeightedMask);
    mData[0] = FiniteOr(pData0, 0.0f);
    mData[1] = FiniteOr(pData1, 0.0f);
    mData[2] = 0.0f;
    mWeight[0] = StoreWeight(FiniteOr(pWeight0, kDefaultWeight));
    mWeight[1] = StoreWeight(FiniteOr(pWeight1, kDefaultWeight));
    mVelocity[0] = FiniteOr(pVelocity0, 0.0f);
    mVelocity[1] = FiniteOr(pVelocity1, 0.0f);
}

void KFCurveKey::SetTCB(KTime pTime, float pValue, float pTension, float pContinuity, float pBias)
{
    Set(pTime, pValue, kInterpolationCubic, kTangentTCB);
    mData[kDataTension] = FiniteOr(pTension, 0.0f);
    mData[kDataContinuity] = FiniteOr(pContinuity, 0.0f);
    mData[kDataBias] = FiniteOr(pBias, 0.0f);
}

bool KFCurveKey::SetValue(float pValue)
{
    if (!std::isfinite(pValue)) {
        return false;
    }
    mValue = pValue;
    return true;
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
    return pIndex >= 0 && pIndex < kDataCount ? mData[pIndex] : 0.0f;
}

bool KFCurveKey::SetDataFloat(int pIndex, float pValue)
{
    if (pIndex < 0 || pIndex >= kDataCount || !std::isfinite(pValue)) {
        return false;
    }
    mData[pIndex] = pValue;
    return true;
}

float KFCurveKey::GetWeight(int pSide) const
{
    if (pSide != kWeightRight && pSide != kWeightNextLeft) {
        return kDefaultWeight;
    }
    return static_cast<float>(mWeight[pSide]) / static_cast<float>(kWeightScale);
}

bool KFCurveKey::SetWeight(int pSide, float pWeight)
{
    if ((pSide != kWeightRight && pSide != kWeightNextLeft) || !std::isfinite(pWeight)) {
        return false;
    }
    mWeight[pSide] = StoreWeight(pWeight);
    return true;
}

int KFCurveKey::GetWeightStored(int pSide) const
{
    return pSide == kWeightRight || pSide == kWeightNextLeft ? mWeight[pSide] : 0;
}

float KFCurveKey::GetVelocity(int pSide) const
{
    return pSide == 0 || pSide == 1 ? mVelocity[pSide] : 0.0f;
}

bool KFCurveKey::SetVelocity(int pSide, float pVelocity)
{
    if ((pSide != 0 && pSide != 1) || !std::isfinite(pVelocity)) {
        return false;
    }
    mVelocity[pSide] = pVelocity;
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
