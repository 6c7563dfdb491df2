#ifndef RYVKIT_ANIMATION_KFCURVEKEY_H
#define RYVKIT_ANIMATION_KFCURVEKEY_H

#include "core/KTime.h"

#include <cmath>
#include <cstdint>
#include <memory>

// One key of an animation curve (KFCurve): a time, a single-precision value and the flags that
// say how the curve runs from this key to the next one.
//
// Flags: interpolation (flags & 0x0e: 2 constant, 4 linear, 8 cubic), tangent mode of a cubic key
// (flags & 0xf00: 0x100 auto, 0x200 TCB, 0x400 user, 0x800 break, used together with user as
// 0xc00), constant mode of a constant key (bit 0x100: the segment holds the next key's value),
// weight mode (0x1000000: the right tangent of this key is weighted, 0x2000000: the left tangent
// of the next key is weighted).
//
// Data floats, by tangent mode: user/break keys hold the right derivative in 0 and the next key's
// left derivative in 1 (value units per second); auto keys hold the right auto value in 0 and the
// next key's left auto value in 1 (percent, see KFCurve); TCB keys hold tension, continuity and
// bias in 0, 1 and 2.
//
// Weights (right weight 0, next key's left weight 1) are fractions of the segment's length,
// clamped to [0.00010001, 0.99] and kept as integers of 1/9999. Velocities are stored for the
// file formats that carry them; evaluation does not use them.
//
// Bad input: non-finite numbers are never stored (see each setter), so a key always evaluates to
// a finite value.
class KFCurveKey
{
public:
    static constexpr int kInterpolationConstant = 0x02;
    static constexpr int kInterpolationLinear = 0x04;
    static constexpr int kInterpolationCubic = 0x08;
    static constexpr int kInterpolationMask = 0x0e;

    static constexpr int kTangentAuto = 0x100;
    static constexpr int kTangentTCB = 0x200;
    static constexpr int kTangentUser = 0x400;
    static constexpr int kTangentBreak = 0x800;
    static constexpr int kTangentMask = 0xf00;

    static constexpr int kConstantStandard = 0;
    static constexpr int kConstantNext = 0x100;

    static constexpr int kWeightedNone = 0;
    static constexpr int kWeightedRight = 0x1000000;
    static constexpr int kWeightedNextLeft = 0x2000000;
    static constexpr int kWeightedMask = 0x3000000;

    static constexpr int kDataRightDerivative = 0;
    static constexpr int kDataNextLeftDerivative = 1;
    static constexpr int kDataTension = 0;
    static constexpr int kDataContinuity = 1;
    static constexpr int kDataBias = 2;
    static constexpr int kDataCount = 3;

    static constexpr int kWeightRight = 0;
    static constexpr int kWeightNextLeft = 1;

    static constexpr float kDefaultWeight = 0.33333334f;
    static constexpr float kMinWeight = 0.00010001f;
    static constexpr float kMaxWeight = 0.99f;
    static constexpr int kWeightScale = 9999;

    // The stored form of kDefaultWeight.
    static constexpr std::int16_t kDefaultWeightStored = 3333;

    // Time 0, value 0, cubic with auto tangents, no weight mode, weights 1/3, velocities 0.
    // Inline, with the value setter: curves make and copy keys by the million.
    KFCurveKey() : mValue(0.0f), mFlags(kInterpolationCubic | kTangentAuto) {}
    KFCurveKey(const KFCurveKey& pOther)
        : mTime(pOther.mTime), mValue(pOther.mValue), mFlags(pOther.mFlags),
          mExtra(pOther.mExtra ? std::make_unique<Extra>(*pOther.mExtra) : nullptr)
    {
    }
    KFCurveKey& operator=(const KFCurveKey& pOther);
    KFCurveKey(KFCurveKey&&) noexcept = default;
    KFCurveKey& operator=(KFCurveKey&&) noexcept = default;
    ~KFCurveKey() = default;

    // Sets the whole key. Interpolation, tangent mode and weight mode are masked to their bits; a
    // non-finite value, data float or velocity is stored as 0 and a non-finite weight as 1/3.
    void Set(KTime pTime, float pValue, int pInterpolation = kInterpolationCubic,
             int pTangentMode = kTangentAuto, float pData0 = 0.0f, float pData1 = 0.0f,
             int pWeightMode = kWeightedNone, float pWeight0 = kDefaultWeight,
             float pWeight1 = kDefaultWeight, float pVelocity0 = 0.0f, float pVelocity1 = 0.0f);
    // A cubic key with TCB tangents (non-finite parameters stored as 0), weights 1/3, velocities 0.
    void SetTCB(KTime pTime, float pValue, float pTension = 0.0f, float pContinuity = 0.0f,
                float pBias = 0.0f);

    KTime GetTime() const { return mTime; }
    // Moving a key inside a curve may break the time order; KFCurve sorts its keys again at the
    // end of a key set or key modify batch.
    void SetTime(KTime pTime) { mTime = pTime; }

    float GetValue() const { return mValue; }
    // A non-finite value is refused (false, value unchanged).
    bool SetValue(float pValue)
    {
        if (!std::isfinite(pValue)) {
            return false;
        }
        mValue = pValue;
        return true;
    }
    // Adds to the value; refused (false, value unchanged) when the sum is not finite.
    bool IncValue(float pDelta);

    int GetFlags() const { return mFlags; }
    int GetInterpolation() const { return mFlags & kInterpolationMask; }
    void SetInterpolation(int pInterpolation);
    int GetTangentMode() const { return mFlags & kTangentMask; }
    void SetTangentMode(int pTangentMode);
    // Meaningful for constant keys only: kConstantStandard holds this key's value up to the next
    // key, kConstantNext the next key's value.
    int GetConstantMode() const { return mFlags & kConstantNext; }
    void SetConstantMode(int pMode);
    int GetWeightMode() const { return mFlags & kWeightedMask; }
    void SetWeightMode(int pWeightMode);

    // Index 0 to 2; out of range reads 0 and is refused on writing, as is a non-finite value.
    float GetDataFloat(int pIndex) const;
    bool SetDataFloat(int pIndex, float pValue);

    // pSide kWeightRight or kWeightNextLeft; out of range reads the default weight / is refused.
    // Setting does not change the weight mode (KFCurve::SetKeyRightWeight does both).
    float GetWeight(int pSide) const;
    bool SetWeight(int pSide, float pWeight);
    // The stored integer (weight times 9999).
    int GetWeightStored(int pSide) const;

    float GetVelocity(int pSide) const;
    bool SetVelocity(int pSide, float pVelocity);

private:
    // Tangent data, weights and velocities other than their defaults are rare (read motion is
    // mostly plain keys), so they live apart, made when one of them is first set to anything
    // else: a plain key costs its time, value and flags and one pointer.
    struct Extra
    {
        float mData[kDataCount] = {0.0f, 0.0f, 0.0f};
        std::int16_t mWeight[2] = {kDefaultWeightStored, kDefaultWeightStored};
        float mVelocity[2] = {0.0f, 0.0f};
    };

    static std::int16_t StoreWeight(float pWeight);
    // True for +0.0 only: a stored -0.0 must read back as such.
    static bool IsPositiveZero(float pValue);
    Extra& MakeExtra();

    KTime mTime;
    float mValue;
    int mFlags;
    std::unique_ptr<Extra> mExtra;
};

#endif
