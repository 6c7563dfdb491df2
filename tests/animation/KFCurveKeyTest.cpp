#include "animation/KFCurveKey.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

// Every answer a key gives, for comparing two keys field by field.
void ExpectSameKey(const KFCurveKey& pExpected, const KFCurveKey& pActual)
{
    EXPECT_EQ(pActual.GetTime().Get(), pExpected.GetTime().Get());
    EXPECT_EQ(pActual.GetValue(), pExpected.GetValue());
    EXPECT_EQ(pActual.GetFlags(), pExpected.GetFlags());
    for (int i = 0; i < KFCurveKey::kDataCount; ++i) {
        EXPECT_EQ(pActual.GetDataFloat(i), pExpected.GetDataFloat(i));
        EXPECT_EQ(std::signbit(pActual.GetDataFloat(i)), std::signbit(pExpected.GetDataFloat(i)));
    }
    for (int lSide = 0; lSide < 2; ++lSide) {
        EXPECT_EQ(pActual.GetWeightStored(lSide), pExpected.GetWeightStored(lSide));
        EXPECT_EQ(pActual.GetVelocity(lSide), pExpected.GetVelocity(lSide));
        EXPECT_EQ(std::signbit(pActual.GetVelocity(lSide)),
                  std::signbit(pExpected.GetVelocity(lSide)));
    }
}

} // namespace

TEST(KFCurveKey, APlainKeyAnswersTheDefaults)
{
    KFCurveKey lKey;
    lKey.Set(KTime(7), 2.5f);
    for (int i = 0; i < KFCurveKey::kDataCount; ++i) {
        EXPECT_EQ(lKey.GetDataFloat(i), 0.0f);
    }
    // 1/3 of 9999, rounded: the stored default weight.
    EXPECT_EQ(lKey.GetWeightStored(KFCurveKey::kWeightRight), 3333);
    EXPECT_EQ(lKey.GetWeightStored(KFCurveKey::kWeightNextLeft), 3333);
    EXPECT_FLOAT_EQ(lKey.GetWeight(KFCurveKey::kWeightRight), 3333.0f / 9999.0f);
    EXPECT_EQ(lKey.GetVelocity(0), 0.0f);
    EXPECT_EQ(lKey.GetVelocity(1), 0.0f);
    EXPECT_TRUE(lKey.SetWeight(KFCurveKey::kWeightRight, KFCurveKey::kDefaultWeight));
    EXPECT_EQ(lKey.GetWeightStored(KFCurveKey::kWeightRight), 3333);
}

// Tangent data, weights and velocities survive copies, moves and a later reset to plain, and a
// negative zero reads back as one.
TEST(KFCurveKey, RareFieldsSurviveCopiesAndResets)
{
    KFCurveKey lKey;
    lKey.Set(KTime(100), 1.0f, KFCurveKey::kInterpolationCubic, KFCurveKey::kTangentUser, -0.0f,
             4.0f, KFCurveKey::kWeightedRight, 0.5f, 0.25f, -0.0f, 3.0f);
    EXPECT_TRUE(std::signbit(lKey.GetDataFloat(0)));
    EXPECT_TRUE(std::signbit(lKey.GetVelocity(0)));
    EXPECT_EQ(lKey.GetDataFloat(1), 4.0f);
    EXPECT_EQ(lKey.GetWeightStored(KFCurveKey::kWeightRight), 5000);
    EXPECT_EQ(lKey.GetWeightStored(KFCurveKey::kWeightNextLeft), 2500);
    EXPECT_EQ(lKey.GetVelocity(1), 3.0f);

    KFCurveKey lCopy(lKey);
    ExpectSameKey(lKey, lCopy);
    KFCurveKey lAssigned;
    lAssigned = lKey;
    ExpectSameKey(lKey, lAssigned);
    std::vector<KFCurveKey> lKeys(3, lKey);
    lKeys.resize(64);
    ExpectSameKey(lKey, lKeys[2]);
    KFCurveKey lMoved(std::move(lCopy));
    ExpectSameKey(lKey, lMoved);

    // Only one field set to a rare value: the others keep their defaults.
    KFCurveKey lOne;
    EXPECT_TRUE(lOne.SetDataFloat(KFCurveKey::kDataBias, -0.0f));
    EXPECT_TRUE(std::signbit(lOne.GetDataFloat(KFCurveKey::kDataBias)));
    EXPECT_EQ(lOne.GetWeightStored(KFCurveKey::kWeightRight), 3333);
    EXPECT_EQ(lOne.GetVelocity(1), 0.0f);

    // Assigning a plain key over a key with rare fields leaves none of them behind.
    KFCurveKey lPlain;
    lPlain.Set(KTime(5), 9.0f);
    lAssigned = lPlain;
    ExpectSameKey(lPlain, lAssigned);
    lKey.Set(KTime(5), 9.0f);
    ExpectSameKey(lPlain, lKey);

    KFCurveKey lTcb;
    lTcb.SetTCB(KTime(1), 2.0f, 0.5f, -0.25f, 0.125f);
    EXPECT_EQ(lTcb.GetDataFloat(KFCurveKey::kDataTension), 0.5f);
    EXPECT_EQ(lTcb.GetDataFloat(KFCurveKey::kDataContinuity), -0.25f);
    EXPECT_EQ(lTcb.GetDataFloat(KFCurveKey::kDataBias), 0.125f);
    EXPECT_EQ(lTcb.GetTangentMode(), KFCurveKey::kTangentTCB);
}
