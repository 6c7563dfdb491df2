#include "animation/KFCurve.h"
#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace {

using curvetest::Sec;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void ExpectSameKey(const KFCurveKey& pA, const KFCurveKey& pB, int pIndex)
{
    EXPECT_EQ(pA.GetTime(), pB.GetTime()) << pIndex;
    EXPECT_EQ(pA.GetValue(), pB.GetValue()) << pIndex;
    EXPECT_EQ(pA.GetFlags(), pB.GetFlags()) << pIndex;
    for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
        EXPECT_EQ(pA.GetDataFloat(d), pB.GetDataFloat(d)) << pIndex;
    }
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(pA.GetWeightStored(s), pB.GetWeightStored(s)) << pIndex;
        EXPECT_EQ(pA.GetVelocity(s), pB.GetVelocity(s)) << pIndex;
    }
}

// Keys 0-1 one by one, the rest in a batch, against all of them one by one; values that are not
// finite included, and times out of order, which the end of the key set sorts.
TEST(KFCurveKeySetBatch, SetsWhatSettingKeyByKeySets)
{
    const std::vector<KTime> lTimes = {Sec(0.0), Sec(0.5), Sec(0.25), Sec(1.0), Sec(2.0), Sec(1.5)};
    const std::vector<float> lValues = {1.0f, -2.5f, kNaN, 3.0f, kInf, 7.25f};
    for (const int lInterpolation :
         {KFCurveKey::kInterpolationCubic, KFCurveKey::kInterpolationConstant}) {
        const int lCount = static_cast<int>(lTimes.size());
        KFCurve lOneByOne;
        KFCurve lBatch;
        ASSERT_TRUE(lOneByOne.BeginKeySet(lCount));
        ASSERT_TRUE(lBatch.BeginKeySet(lCount));
        for (int i = 0; i < lCount; ++i) {
            lOneByOne.GetKey(i)->Set(lTimes[i], lValues[i], lInterpolation,
                                     KFCurveKey::kTangentAuto);
        }
        for (int i = 0; i < 2; ++i) {
            lBatch.GetKey(i)->Set(lTimes[i], lValues[i], lInterpolation, KFCurveKey::kTangentAuto);
        }
        ASSERT_TRUE(lBatch.KeySetBatch(2, lCount - 2, lTimes.data() + 2, lValues.data() + 2,
                                       lInterpolation));
        ASSERT_TRUE(lOneByOne.EndKeySet(lCount));
        ASSERT_TRUE(lBatch.EndKeySet(lCount));
        ASSERT_EQ(lBatch.GetKeyCount(), lOneByOne.GetKeyCount());
        for (int i = 0; i < lCount; ++i) {
            ExpectSameKey(*lBatch.GetKey(i), *lOneByOne.GetKey(i), i);
        }
    }
}

TEST(KFCurveKeySetBatch, OverwritesKeysAlreadyReached)
{
    KFCurve lCurve;
    ASSERT_TRUE(lCurve.BeginKeySet(3));
    ASSERT_NE(lCurve.GetKey(2), nullptr);
    const KTime lTimes[] = {Sec(1.0), Sec(2.0)};
    const float lValues[] = {4.0f, 5.0f};
    ASSERT_TRUE(lCurve.KeySetBatch(1, 2, lTimes, lValues, KFCurveKey::kInterpolationLinear));
    ASSERT_TRUE(lCurve.EndKeySet(3));
    ASSERT_EQ(lCurve.GetKeyCount(), 3);
    EXPECT_EQ(lCurve.KeyGetValue(2), 5.0f);
    EXPECT_EQ(lCurve.KeyGetInterpolation(1), KFCurveKey::kInterpolationLinear);
}

TEST(KFCurveKeySetBatch, RefusesWhatTheKeySetDoesNotHold)
{
    const KTime lTimes[] = {Sec(0.0), Sec(1.0), Sec(2.0)};
    const float lValues[] = {1.0f, 2.0f, 3.0f};
    constexpr int kCubic = KFCurveKey::kInterpolationCubic;
    KFCurve lCurve;
    EXPECT_FALSE(lCurve.KeySetBatch(0, 1, lTimes, lValues, kCubic));
    ASSERT_TRUE(lCurve.BeginKeySet(2));
    EXPECT_FALSE(lCurve.KeySetBatch(0, 3, lTimes, lValues, kCubic));
    EXPECT_FALSE(lCurve.KeySetBatch(1, 1, lTimes, lValues, kCubic));
    EXPECT_FALSE(lCurve.KeySetBatch(-1, 1, lTimes, lValues, kCubic));
    EXPECT_FALSE(lCurve.KeySetBatch(0, 1, nullptr, lValues, kCubic));
    EXPECT_FALSE(lCurve.KeySetBatch(0, -1, lTimes, lValues, kCubic));
    EXPECT_EQ(lCurve.GetKeyCount(), 0);
    EXPECT_TRUE(lCurve.KeySetBatch(0, 0, nullptr, nullptr, kCubic));
    ASSERT_TRUE(lCurve.EndKeySet(2));
    EXPECT_EQ(lCurve.GetKeyCount(), 0);
}

// Times of the keys, in index order.
std::vector<KTime> TimesOf(const KFCurve& pCurve)
{
    std::vector<KTime> lTimes;
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        lTimes.push_back(pCurve.KeyGetTime(i));
    }
    return lTimes;
}

// Batches appended in order end as they are; whatever else happens inside the key set (a key
// moved through GetKey, a key added, a batch over existing keys or out of order, an infinite or
// repeated time) still ends sorted, an infinite time gone and of two keys at one time the later.
TEST(KFCurveKeySetBatch, EndsInTimeOrderWhateverHappenedInside)
{
    const KTime lInOrder[] = {Sec(0.0), Sec(1.0), Sec(2.0), Sec(3.0)};
    const KTime lBackwards[] = {Sec(3.0), Sec(2.0), Sec(1.0), Sec(0.0)};
    const KTime lRepeated[] = {Sec(0.0), Sec(1.0), Sec(1.0), Sec(2.0)};
    const KTime lInfinite[] = {Sec(2.0), KTime::kInfinity};
    const float lValues[] = {1.0f, 2.0f, 3.0f, 4.0f};
    const std::vector<KTime> lSorted = {Sec(0.0), Sec(1.0), Sec(2.0), Sec(3.0)};
    constexpr int kCubic = KFCurveKey::kInterpolationCubic;
    struct Case
    {
        const KTime* mSecond;
        int mEdit;
        std::vector<KTime> mExpected;
    };
    const Case lCases[] = {
        {lInOrder + 2, 0, lSorted},
        {lBackwards, 0, lSorted},
        {lRepeated + 2, 0, {Sec(0.0), Sec(1.0), Sec(2.0)}},
        {lInfinite, 0, {Sec(0.0), Sec(1.0), Sec(2.0)}},
        {lInOrder + 2, 1, {Sec(1.0), Sec(2.0), Sec(3.0), Sec(9.0)}},
        {lInOrder + 2, 2, {Sec(-1.0), Sec(0.0), Sec(1.0), Sec(2.0), Sec(3.0)}},
        {lInOrder + 2, 3, lSorted},
    };
    for (const Case& lCase : lCases) {
        KFCurve lCurve;
        ASSERT_TRUE(lCurve.BeginKeySet(8));
        ASSERT_TRUE(lCurve.KeySetBatch(0, 2, lInOrder, lValues, kCubic));
        ASSERT_TRUE(lCurve.KeySetBatch(2, 2, lCase.mSecond, lValues + 2, kCubic));
        if (lCase.mEdit == 1) {
            lCurve.GetKey(0)->SetTime(Sec(9.0));
        } else if (lCase.mEdit == 2) {
            ASSERT_EQ(lCurve.KeyAdd(Sec(-1.0), 5.0f), 0);
        } else if (lCase.mEdit == 3) {
            // Keys taken from a curve whose own key set has not sorted them yet.
            KFCurve lUnsorted;
            ASSERT_TRUE(lUnsorted.BeginKeySet(4));
            ASSERT_TRUE(lUnsorted.KeySetBatch(0, 4, lBackwards, lValues, kCubic));
            lCurve.CopyFrom(lUnsorted, true);
        }
        ASSERT_TRUE(lCurve.EndKeySet(8));
        EXPECT_EQ(TimesOf(lCurve), lCase.mExpected) << &lCase - lCases;
    }
    // A key set over keys the curve already had: the new keys join them in order.
    KFCurve lCurve;
    ASSERT_TRUE(lCurve.BeginKeySet(2));
    ASSERT_TRUE(lCurve.KeySetBatch(0, 2, lInOrder + 2, lValues, kCubic));
    ASSERT_TRUE(lCurve.EndKeySet(2));
    ASSERT_TRUE(lCurve.BeginKeySet(4));
    ASSERT_TRUE(lCurve.KeySetBatch(2, 2, lInOrder, lValues, kCubic));
    ASSERT_TRUE(lCurve.EndKeySet(4));
    EXPECT_EQ(TimesOf(lCurve), lSorted);
}

TEST(KFCurveKeySetBatch, KeyTimesCompareIndexByIndex)
{
    const KTime lTimes[] = {Sec(0.0), Sec(1.0), Sec(2.0)};
    const KTime lOther[] = {Sec(0.0), Sec(1.5), Sec(2.0)};
    const float lValues[] = {1.0f, 2.0f, 3.0f};
    KFCurve lCurves[4];
    const KTime* const lKeyTimes[4] = {lTimes, lTimes, lOther, lTimes};
    const int lCounts[4] = {3, 3, 3, 2};
    for (int c = 0; c < 4; ++c) {
        ASSERT_TRUE(lCurves[c].BeginKeySet(lCounts[c]));
        ASSERT_TRUE(lCurves[c].KeySetBatch(0, lCounts[c], lKeyTimes[c], lValues,
                                           KFCurveKey::kInterpolationCubic));
        ASSERT_TRUE(lCurves[c].EndKeySet(lCounts[c]));
    }
    EXPECT_TRUE(lCurves[0].HasKeyTimesOf(lCurves[1]));
    EXPECT_FALSE(lCurves[0].HasKeyTimesOf(lCurves[2]));
    EXPECT_FALSE(lCurves[0].HasKeyTimesOf(lCurves[3]));
    EXPECT_FALSE(lCurves[3].HasKeyTimesOf(lCurves[0]));
    EXPECT_TRUE(KFCurve().HasKeyTimesOf(KFCurve()));
}

// A key modify batch ends sorted after a key moved through GetKey, in the curve and in copies
// taken of it before it was sorted; value edits leave the order as it is.
TEST(KFCurveKeySetBatch, KeyModifyEndsInTimeOrder)
{
    KFCurve lCurve;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(lCurve.KeyAdd(Sec(i), static_cast<float>(i)), i);
    }
    lCurve.BeginKeyModify();
    ASSERT_TRUE(lCurve.KeySetValue(1, 5.0f));
    lCurve.EndKeyModify();
    const std::vector<KTime> lSorted = {Sec(0.0), Sec(1.0), Sec(2.0), Sec(3.0)};
    EXPECT_EQ(TimesOf(lCurve), lSorted);
    lCurve.BeginKeyModify();
    lCurve.GetKey(0)->SetTime(Sec(9.0));
    std::unique_ptr<KFCurve> lWhole(lCurve.Copy(KTime::kMinusInfinity, KTime::kInfinity));
    std::unique_ptr<KFCurve> lPart(lCurve.Copy(Sec(1.0), Sec(9.0)));
    KFCurve lAssigned;
    lAssigned = lCurve;
    lCurve.EndKeyModify();
    EXPECT_EQ(TimesOf(lCurve), (std::vector<KTime>{Sec(1.0), Sec(2.0), Sec(3.0), Sec(9.0)}));
    for (KFCurve* lCopy : {lWhole.get(), lPart.get(), &lAssigned}) {
        lCopy->BeginKeyModify();
        lCopy->EndKeyModify();
        EXPECT_EQ(TimesOf(*lCopy), TimesOf(lCurve));
    }
}

// Whole keys, tangents, weights and velocities included, set over keys already reached and past
// them, as assigning each through GetKey sets them; refused where the batch refuses values.
TEST(KFCurveKeySetBatch, WholeKeysSetAsAssigningEachOne)
{
    std::vector<KFCurveKey> lKeys(5);
    for (int i = 0; i < 5; ++i) {
        lKeys[static_cast<std::size_t>(i)].Set(
            Sec(i * 0.5), 1.5f * static_cast<float>(i), KFCurveKey::kInterpolationCubic,
            i % 2 ? KFCurveKey::kTangentUser : KFCurveKey::kTangentAuto, 0.25f * i, -1.0f,
            i == 3 ? KFCurveKey::kWeightedRight : KFCurveKey::kWeightedNone, 0.5f, 0.2f,
            static_cast<float>(i), 2.0f);
    }
    lKeys[2].SetTCB(Sec(1.0), 4.0f, 0.5f, -0.5f, 0.25f);
    KFCurve lByKey;
    KFCurve lBatch;
    ASSERT_TRUE(lByKey.BeginKeySet(6));
    ASSERT_TRUE(lBatch.BeginKeySet(6));
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(lBatch.GetKey(i), nullptr);
    }
    for (int i = 0; i < 5; ++i) {
        *lByKey.GetKey(i + 1) = lKeys[static_cast<std::size_t>(i)];
    }
    ASSERT_TRUE(lBatch.KeySetBatch(1, 5, lKeys.data()));
    EXPECT_FALSE(lBatch.KeySetBatch(2, 5, lKeys.data()));
    EXPECT_FALSE(lBatch.KeySetBatch(0, 1, nullptr));
    EXPECT_TRUE(lBatch.KeySetBatch(6, 0, nullptr));
    ASSERT_TRUE(lByKey.EndKeySet(6));
    ASSERT_TRUE(lBatch.EndKeySet(6));
    EXPECT_FALSE(lBatch.KeySetBatch(0, 1, lKeys.data()));
    ASSERT_EQ(lBatch.GetKeyCount(), lByKey.GetKeyCount());
    for (int i = 0; i < lBatch.GetKeyCount(); ++i) {
        ExpectSameKey(*lBatch.GetKey(i), *lByKey.GetKey(i), i);
    }
}

} // namespace
