#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveFilterGimbleKiller.h"
#include "animation/KFCurveFilterKeyReducer.h"
#include "animation/KFCurveFilterResample.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KFCurveNode.h"
#include "core/KMatrixFunctions.h"
#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

using curvetest::Fill;
using curvetest::KeySeconds;
using curvetest::Sec;
using curvetest::Values;
using Doubles = std::vector<double>;

::testing::AssertionResult SameRotation(const KVector4& pA, const KVector4& pB, int pOrder,
                                        double pTolerance)
{
    KMatrix lA;
    KMatrix lB;
    KEulerUnroll::ToMatrix(lA, pA, pOrder);
    KEulerUnroll::ToMatrix(lB, pB, pOrder);
    if (MatrixCompare(lA, lB, pTolerance) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << pA[0] << ", " << pA[1] << ", " << pA[2] << ") and (" << pB[0] << ", " << pB[1]
           << ", " << pB[2] << ") differ in order " << pOrder;
}

// The angles a matrix conversion gives back for a rotation.
KVector4 ThroughMatrix(const KVector4& pAngles, int pOrder)
{
    KMatrix lMatrix;
    KEulerUnroll::ToMatrix(lMatrix, pAngles, pOrder);
    KVector4 lRead;
    KEulerUnroll::FromMatrix(lRead, lMatrix, pOrder);
    return lRead;
}

// Three rotation curves with keys at 0, 1, 2, ... seconds.
struct RotationCurves
{
    KFCurve mX;
    KFCurve mY;
    KFCurve mZ;
    KFCurve* mArray[3] = {&mX, &mY, &mZ};

    RotationCurves() = default;
    RotationCurves(const Doubles& pX, const Doubles& pY, const Doubles& pZ, double pStep = 1.0)
    {
        Fill(mX, pX, pStep);
        Fill(mY, pY, pStep);
        Fill(mZ, pZ, pStep);
    }
    void Add(const KVector4& pAngles)
    {
        const double lTime = mX.GetKeyCount();
        for (int c = 0; c < 3; ++c) {
            mArray[c]->KeyAdd(Sec(lTime), static_cast<float>(pAngles[c]));
        }
    }
    KVector4 Key(int pIndex) const
    {
        return KVector4(mX.KeyGetValue(pIndex), mY.KeyGetValue(pIndex), mZ.KeyGetValue(pIndex));
    }
};

} // namespace

// --- Euler unrolling ---------------------------------------------------------------------------

TEST(KEulerUnrollTest, MatricesAndTheAlternateSolutionInEveryOrder)
{
    const KVector4 lAngles(-70.0, 35.0, 50.0);
    for (int lOrder = 0; lOrder <= KEulerUnroll::kSphericOrder; ++lOrder) {
        KMatrix lMatrix;
        ASSERT_TRUE(KEulerUnroll::ToMatrix(lMatrix, lAngles, lOrder));
        KVector4 lBack;
        ASSERT_TRUE(KEulerUnroll::FromMatrix(lBack, lMatrix, lOrder));
        EXPECT_NEAR(KEulerUnroll::Distance(lBack, lAngles), 0.0, 1e-9) << lOrder;
        const KVector4 lOther = KEulerUnroll::GetAlternate(lAngles, lOrder);
        EXPECT_GT(KEulerUnroll::Distance(lOther, lAngles), 1.0);
        EXPECT_TRUE(SameRotation(lOther, lAngles, lOrder, 1e-12));
    }
    // Even orders are the ordinary orders: 0 is X then Y then Z.
    KMatrix lOrdered;
    KMatrix lPlain;
    KEulerUnroll::ToMatrix(lOrdered, lAngles, 0);
    EulerToMatrixXYZ(lPlain, -70.0, 35.0, 50.0);
    EXPECT_EQ(MatrixCompare(lOrdered, lPlain, 1e-12), 0);
    // The middle axis of order 10 (Z, Y, X) is Y.
    EXPECT_EQ(KEulerUnroll::GetAxis(10, 1), 1);
    EXPECT_EQ(KEulerUnroll::GetAxis(13, 1), -1);

    // Invalid orders give the identity, and leave the angles as they were.
    KMatrix lReset;
    lReset[0][0] = 5.0;
    EXPECT_FALSE(KEulerUnroll::ToMatrix(lReset, KVector4(10, 20, 30), 13));
    EXPECT_EQ(MatrixCompare(lReset, KMatrix(), 0.0), 0);
    KVector4 lKept(1, 2, 3);
    EXPECT_FALSE(KEulerUnroll::FromMatrix(lKept, lPlain, -1));
    EXPECT_EQ(lKept[0], 1.0);
    EXPECT_FALSE(KEulerUnroll::IsValidOrder(-1));
    EXPECT_TRUE(KEulerUnroll::IsValidOrder(KEulerUnroll::kSphericOrder));
}

TEST(KEulerUnrollTest, UnrollMovesToTheClosestRepresentation)
{
    // Whole turns only.
    KVector4 lCurrent(350.0, -10.0, 725.0);
    EXPECT_FALSE(KEulerUnroll::Unroll(lCurrent, KVector4(-5.0, 0.0, 0.0), 0, true));
    EXPECT_NEAR(KEulerUnroll::Distance(lCurrent, KVector4(-10.0, -10.0, 5.0)), 0.0, 1e-12);
    // A flip through the other solution: (180, 80, 180) is (0, 100, 0).
    KVector4 lFlipped(180.0, 80.0, 180.0);
    EXPECT_TRUE(KEulerUnroll::Unroll(lFlipped, KVector4(0.0, 95.0, 0.0), 0, true));
    EXPECT_NEAR(KEulerUnroll::Distance(lFlipped, KVector4(0.0, 100.0, 0.0)), 0.0, 1e-12);
    // Without the other solution it stays a flip.
    KVector4 lKept(180.0, 80.0, 180.0);
    EXPECT_FALSE(KEulerUnroll::Unroll(lKept, KVector4(0.0, 95.0, 0.0), 0, false));
    EXPECT_DOUBLE_EQ(lKept[0], 180.0);

    // Non-finite angles are never moved.
    const double lNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(KEulerUnroll::WrapNear(lNaN, 0.0)));
    EXPECT_EQ(KEulerUnroll::WrapNear(400.0, lNaN), 400.0);
    EXPECT_EQ(KEulerUnroll::WrapNear(1e300, 0.0), 1e300 + 360.0 * std::nearbyint(-1e300 / 360.0));
    EXPECT_EQ(KEulerUnroll::WrapNear(-190.0, 0.0), 170.0);
}

TEST(KEulerUnrollTest, WrapNearIsTheRoundedTurnCountToTheBit)
{
    // The whole-turn count rounded, added as it stands: signed zeros and the half-turn edges
    // included.
    const auto lReference = [](double pAngle, double pTo) {
        return pAngle + 360.0 * std::nearbyint((pTo - pAngle) / 360.0);
    };
    const double lAngles[] = {0.0,    -0.0,  178.9,  -178.9,  179.0,  -179.0, 180.0,
                              -180.0, 540.0, 1e-300, -1e-300, 359.99, 12.5,   -725.0};
    for (const double lAngle : lAngles) {
        for (const double lTo : lAngles) {
            for (const double lShift : {0.0, 1e-9, -1e-9}) {
                const double lTarget = lTo + lShift;
                const double lWrapped = KEulerUnroll::WrapNear(lAngle, lTarget);
                const double lExpected = lReference(lAngle, lTarget);
                EXPECT_EQ(lWrapped, lExpected) << lAngle << " " << lTarget;
                EXPECT_EQ(std::signbit(lWrapped), std::signbit(lExpected))
                    << lAngle << " " << lTarget;
            }
        }
    }
}

// --- Unroll filter -----------------------------------------------------------------------------

TEST(KFCurveFilterUnrollTest, RemovesWrapsButKeepsARealTurn)
{
    // X wraps at +-180; Y turns slowly through two whole turns; Z wraps twice downwards.
    Doubles lTurn;
    for (int i = 0; i <= 72; ++i) {
        lTurn.push_back(i * 10.0);
    }
    RotationCurves lCurves({150, 170, -170, -150, 179, -179}, lTurn, {0, -90, 170, 80, -10, -100});
    KFCurveFilterUnroll lFilter;
    EXPECT_DOUBLE_EQ(lFilter.GetQualityTolerance(), 0.25);
    ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
    EXPECT_EQ(Values(lCurves.mX), (Doubles{150, 170, 190, 210, 179, 181}));
    EXPECT_EQ(Values(lCurves.mY), lTurn);
    EXPECT_EQ(Values(lCurves.mZ), (Doubles{0, -90, -190, -280, -370, -460}));

    // Different key times: each curve alone, even with the path test.
    RotationCurves lApart({170, -170}, {10, 20, -170, 170}, {0}, 0.5);
    lFilter.SetTestForPath(true);
    ASSERT_TRUE(lFilter.Apply(lApart.mArray, 3));
    EXPECT_EQ(Values(lApart.mX), (Doubles{170, 190}));
    EXPECT_EQ(Values(lApart.mY), (Doubles{10, 20, 190, 170}));

    // Key 1 is outside the span; key 3 unrolls against it.
    RotationCurves lSpan({170, -170, -170, 170}, {0, 0, 0, 0}, {0, 0, 0, 0});
    KFCurveFilterUnroll lLate;
    lLate.SetStartTime(Sec(2.0));
    ASSERT_TRUE(lLate.Apply(lSpan.mArray, 3));
    EXPECT_EQ(Values(lSpan.mX), (Doubles{170, -170, -170, -190}));
}

TEST(KFCurveFilterUnrollTest, TestForPathUndoesFlipsFromMatrices)
{
    // A turn about Y from 60 to 120 degrees, read back from matrices: past 90 the angles come
    // back as (180, 180 - y, 180).
    RotationCurves lCurves;
    for (int i = 0; i <= 12; ++i) {
        lCurves.Add(ThroughMatrix(KVector4(0.0, 60.0 + 5.0 * i, 0.0), 0));
    }
    ASSERT_NEAR(lCurves.Key(12)[1], 60.0, 1e-4);
    KFCurveFilterUnroll lPlain;
    ASSERT_TRUE(lPlain.Apply(lCurves.mArray, 3));
    EXPECT_NEAR(lCurves.Key(12)[1], 60.0, 1e-4);

    // User slopes of the middle angle turn round where a key takes the other solution.
    std::vector<bool> lFlipped;
    for (int i = 0; i <= 12; ++i) {
        lCurves.mY.KeySetTangentMode(i, KFCurveKey::kTangentUser);
        lCurves.mY.SetKeyRightDerivative(i, 1.0);
        lFlipped.push_back(std::fabs(lCurves.Key(i)[0]) > 90.0);
    }
    KFCurveFilterUnroll lPath;
    lPath.SetTestForPath(true);
    ASSERT_TRUE(lPath.Apply(lCurves.mArray, 3));
    EXPECT_TRUE(lFlipped[12] && !lFlipped[0]);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(lCurves.mY.GetKeyRightDerivative(i), lFlipped[i] ? -1.0 : 1.0) << i;
    }
    for (int i = 0; i <= 12; ++i) {
        EXPECT_NEAR(KEulerUnroll::Distance(lCurves.Key(i), KVector4(0.0, 60.0 + 5.0 * i, 0.0)), 0.0,
                    1e-3)
            << i;
    }
}

// --- Gimbal killer -----------------------------------------------------------------------------

TEST(KFCurveFilterGimbleKillerTest, RemovesTheFlipNearNinetyDegrees)
{
    // A motion through a middle angle of 90 with the other two turning too, read back from
    // matrices.
    for (const int lOrder : {0, 4, 10}) {
        RotationCurves lCurves;
        std::vector<KVector4> lTruth;
        for (int i = 0; i <= 10; ++i) {
            KVector4 lTrue;
            lTrue[KEulerUnroll::GetAxis(lOrder, 0)] = 10.0 + i;
            lTrue[KEulerUnroll::GetAxis(lOrder, 1)] = 80.0 + 2.0 * i + 0.5;
            lTrue[KEulerUnroll::GetAxis(lOrder, 2)] = -20.0 + i;
            lCurves.Add(ThroughMatrix(lTrue, lOrder));
            lTruth.push_back(lTrue);
        }
        KFCurveFilterGimbleKiller lFilter;
        ASSERT_TRUE(lFilter.SetRotationOrder(lOrder));
        ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
        for (int i = 0; i <= 10; ++i) {
            EXPECT_NEAR(KEulerUnroll::Distance(lCurves.Key(i), lTruth[i]), 0.0, 3e-3)
                << lOrder << " " << i;
        }
    }
}

TEST(KFCurveFilterGimbleKillerTest, SplitsTheTurnsAtLockNearThePreviousKey)
{
    // At Y = 90 a matrix only gives one combination of X and Z (read back with Z = 0).
    RotationCurves lCurves;
    lCurves.Add(KVector4(30.0, 88.0, 30.0));
    const KVector4 lRead = ThroughMatrix(KVector4(30.0, 90.0, 30.0), 0);
    ASSERT_EQ(lRead[2], 0.0);
    lCurves.Add(lRead);
    KFCurveFilterGimbleKiller lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
    EXPECT_NEAR(KEulerUnroll::Distance(lCurves.Key(1), KVector4(30.0, 90.0, 30.0)), 0.0, 3e-3);
    EXPECT_TRUE(SameRotation(lCurves.Key(1), KVector4(30.0, 90.0, 30.0), 0, 1e-5));
}

TEST(KFCurveFilterGimbleKillerTest, NegatesUserSlopesOfTheMirroredMiddleAngle)
{
    RotationCurves lCurves({0, 180, 180}, {85, 85, 80}, {0, 180, 180});
    for (int i = 0; i < 3; ++i) {
        lCurves.mY.KeySetTangentMode(i, KFCurveKey::kTangentUser);
    }
    lCurves.mY.SetKeyRightDerivative(0, 3.0);
    lCurves.mY.SetKeyLeftDerivative(1, 2.0);
    lCurves.mY.SetKeyRightDerivative(1, -4.0);
    lCurves.mY.SetKeyLeftDerivative(2, -6.0);
    KFCurveFilterGimbleKiller lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
    EXPECT_NEAR(lCurves.Key(1)[1], 95.0, 1e-4);
    EXPECT_NEAR(lCurves.Key(2)[1], 100.0, 1e-4);
    // Key 0 keeps its solution, so only the sides of the mirrored keys 1 and 2 turn round.
    EXPECT_NEAR(lCurves.mY.GetKeyRightDerivative(0), 3.0, 1e-6);
    EXPECT_NEAR(lCurves.mY.GetKeyLeftDerivative(1), -2.0, 1e-6);
    EXPECT_NEAR(lCurves.mY.GetKeyRightDerivative(1), 4.0, 1e-6);
    EXPECT_NEAR(lCurves.mY.GetKeyLeftDerivative(2), 6.0, 1e-6);
}

// --- What every filter shares ------------------------------------------------------------------

TEST(KFCurveFilterTest, RotationFiltersRefuseAnythingButThreeCurves)
{
    KFCurveFilterUnroll lUnroll;
    KFCurveFilterGimbleKiller lKiller;
    RotationCurves lDiffer({0, 180}, {85, 85}, {0, 180, 0});
    EXPECT_FALSE(lKiller.Apply(lDiffer.mArray, 3));
    EXPECT_EQ(lKiller.GetLastErrorID(), KFCurveFilterGimbleKiller::eKeyTimesDiffer);
    EXPECT_EQ(Values(lDiffer.mX), (Doubles{0, 180}));

    KFCurve lX;
    Fill(lX, {170, -170});
    KFCurve* lTwo[2] = {&lX, &lX};
    KFCurve* lWithNull[3] = {&lX, nullptr, &lX};
    for (KFCurveFilter* lFilter : std::vector<KFCurveFilter*>{&lUnroll, &lKiller}) {
        EXPECT_FALSE(lFilter->Apply(lTwo, 2));
        EXPECT_EQ(lFilter->GetLastErrorID(), 0) << lFilter->GetName();
        EXPECT_FALSE(lFilter->Apply(lX));
        EXPECT_FALSE(lFilter->Apply(nullptr, 3));
        EXPECT_FALSE(lFilter->Apply(lWithNull, 3));
        EXPECT_EQ(lFilter->GetLastErrorID(), 1) << lFilter->GetName();
    }
    EXPECT_STREQ(lUnroll.GetLastErrorString(), "Unroll, Missing curve.");
    EXPECT_EQ(Values(lX), (Doubles{170, -170}));
    EXPECT_FALSE(lUnroll.SetQualityTolerance(-1.0));
    EXPECT_FALSE(lUnroll.SetQualityTolerance(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(lUnroll.SetRotationOrder(13) || lKiller.SetRotationOrder(-1));
    EXPECT_DOUBLE_EQ(lUnroll.GetQualityTolerance(), 0.25);
}

TEST(KFCurveFilterTest, EachFilterSendsOneEventPerChangedCurve)
{
    KFCurveFilterUnroll lUnroll;
    KFCurveFilterGimbleKiller lKiller;
    KFCurveFilterConstantKeyReducer lConstant;
    KFCurveFilterKeyReducer lReducer;
    KFCurveFilterResample lResample;
    lResample.SetPeriod(Sec(0.5));
    for (KFCurveFilter* lFilter :
         std::vector<KFCurveFilter*>{&lUnroll, &lKiller, &lConstant, &lReducer, &lResample}) {
        RotationCurves lCurves({170, -170, -170, -170, -179}, {85, 85, 90, 95, 95},
                               {0, 180, 180, 180, 0});
        curvetest::EventCounter lEvents(lCurves.mX);
        ASSERT_TRUE(lFilter->Apply(lCurves.mArray, 3)) << lFilter->GetName();
        EXPECT_EQ(lEvents.Get(), 1) << lFilter->GetName();
        EXPECT_EQ(lFilter->GetLastErrorID(), -1);
    }
}

// --- Constant key reducer ----------------------------------------------------------------------

TEST(KFCurveFilterConstantKeyReducerTest, FlatRunsShrinkToTheirEnds)
{
    // Values, keep first and last keys, the key times left.
    const struct
    {
        Doubles mValues;
        bool mKeepEnds;
        Doubles mLeft;
    } kCases[] = {
        {{0, 0, 0, 5, 5, 5, 5, 1}, true, {0, 2, 3, 6, 7}},
        {{0, 0, 0, 5, 5, 5, 5, 1}, false, {2, 3, 6, 7}},
        {{3, 3, 3, 3}, false, {3}},
        {{3, 3, 3, 3}, true, {0, 3}},
        {{0, 0, 0}, true, {0, 2}},
        // Each step is within the tolerance, the drift is not.
        {{0, 0.00006, 0.00012, 0.00018, 0.00024}, false, {1, 2, 3}},
    };
    for (const auto& lCase : kCases) {
        KFCurve lCurve;
        Fill(lCurve, lCase.mValues);
        const KFCurve lOriginal(lCurve);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.SetTolerance(1e-4));
        lFilter.SetKeepFirstAndLastKeys(lCase.mKeepEnds);
        ASSERT_TRUE(lFilter.Apply(lCurve));
        EXPECT_EQ(KeySeconds(lCurve), lCase.mLeft) << lCase.mValues.size() << lCase.mKeepEnds;
        for (double t = -1.0; t <= 8.0; t += 0.125) {
            EXPECT_NEAR(lCurve.Evaluate(Sec(t)), lOriginal.Evaluate(Sec(t)), 2e-4) << t;
        }
    }
    // A flat run whose middle key leaves with a user slope keeps it.
    KFCurve lSloped;
    Fill(lSloped, {2, 2, 2});
    lSloped.KeySetTangentMode(1, KFCurveKey::kTangentUser);
    lSloped.SetKeyRightDerivative(1, 5.0);
    KFCurveFilterConstantKeyReducer lFilter;
    ASSERT_TRUE(lFilter.Apply(lSloped));
    EXPECT_EQ(KeySeconds(lSloped), (Doubles{1, 2}));
}

// One pair of neighbours within a tolerance of 1e-4, at either end or inside, is enough for the keys it
// makes redundant to go; curves without any such pair come back untouched.
TEST(KFCurveFilterConstantKeyReducerTest, OnePairOfNearNeighboursIsFoundAnywhere)
{
    const struct
    {
        Doubles mValues;
        Doubles mLeft;
    } kCases[] = {
        {{5, 5, 0, 9}, {1, 2, 3}},
        {{0, 9, 5, 5.00005}, {0, 1, 2}},
        {{0, 5, 5, 5, 9}, {0, 1, 3, 4}},
        {{0, 5, 5, 9}, {0, 1, 2, 3}},
        {{0, 5, 9, 4, -3, 0.0002}, {0, 1, 2, 3, 4, 5}},
        {{1}, {0}},
    };
    for (const auto& lCase : kCases) {
        KFCurve lCurve;
        Fill(lCurve, lCase.mValues, 1.0, KFCurveKey::kInterpolationLinear);
        curvetest::EventCounter lEvents(lCurve);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.SetTolerance(1e-4));
        ASSERT_TRUE(lFilter.Apply(lCurve));
        EXPECT_EQ(KeySeconds(lCurve), lCase.mLeft) << lCase.mValues.size();
        EXPECT_EQ(lEvents.Get(), lCase.mLeft.size() < lCase.mValues.size() ? 1 : 0);
    }
}

// An end key stays while the extrapolation at the other end depends on the key span it bounds:
// a repetition, or keep slope on a curve of two keys (slope 0.00005 per second, within the
// tolerance, but far from the keys it adds up).
TEST(KFCurveFilterConstantKeyReducerTest, EndKeysStayWhileTheOtherEndDependsOnThem)
{
    constexpr int kHold = KFCurve::kExtrapolationConstant;
    constexpr int kRepeat = KFCurve::kExtrapolationRepetition;
    const struct
    {
        Doubles mValues;
        int mPre;
        int mPost;
        double mAt;
        double mExpected;
    } kCases[] = {{{0, 1, 1}, kRepeat, kHold, -0.5, 1.0},
                  {{1, 1, 0}, kHold, kRepeat, 2.5, 1.0},
                  {{1, 1, 4}, kRepeat, kRepeat, 2.5, 1.0},
                  {{0, 0.00005}, KFCurve::kExtrapolationKeepSlope, kHold, -1000.0, -0.05}};
    for (const auto& lCase : kCases) {
        KFCurve lCurve;
        Fill(lCurve, lCase.mValues, 1.0, KFCurveKey::kInterpolationLinear);
        lCurve.SetPreExtrapolation(lCase.mPre);
        lCurve.SetPostExtrapolation(lCase.mPost);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.SetTolerance(1e-4));
        ASSERT_TRUE(lFilter.Apply(lCurve));
        EXPECT_EQ(lCurve.GetKeyCount(), static_cast<int>(lCase.mValues.size())) << lCase.mAt;
        EXPECT_NEAR(lCurve.Evaluate(Sec(lCase.mAt)), lCase.mExpected, 1e-6) << lCase.mAt;
    }
}

// Random curves of repeated values, every interpolation and extrapolation kind: the reduced curve
// gives the same value everywhere, inside the keys and on both sides of them.
TEST(KFCurveFilterConstantKeyReducerTest, RandomCurvesKeepTheirValuesEverywhere)
{
    const int kInterpolations[3] = {KFCurveKey::kInterpolationConstant,
                                    KFCurveKey::kInterpolationLinear,
                                    KFCurveKey::kInterpolationCubic};
    std::mt19937 lRandom(30);
    const auto lPick = [&lRandom](int pCount) {
        return static_cast<int>(lRandom() % static_cast<unsigned>(pCount));
    };
    int lReduced = 0;
    for (int lRun = 0; lRun < 1000; ++lRun) {
        KFCurve lCurve;
        double lTime = 0.0;
        for (int k = 1 + lPick(6); k > 0; --k) {
            const int lIndex = lCurve.KeyAdd(Sec(lTime), static_cast<float>(lPick(3)));
            lCurve.KeySetInterpolation(lIndex, kInterpolations[lPick(3)]);
            lTime += 0.5 * (1 + lPick(2));
        }
        lCurve.SetPreExtrapolation(1 + lPick(4));
        lCurve.SetPostExtrapolation(1 + lPick(4));
        lCurve.SetPreExtrapolationCount(lPick(3) - 1);
        lCurve.SetPostExtrapolationCount(lPick(3) - 1);
        const KFCurve lOriginal(lCurve);
        KFCurveFilterConstantKeyReducer lFilter;
        lFilter.SetKeepFirstAndLastKeys(lPick(2) == 1);
        ASSERT_TRUE(lFilter.Apply(lCurve));
        lReduced += lCurve.GetKeyCount() < lOriginal.GetKeyCount() ? 1 : 0;
        for (double t = -8.0; t <= lTime + 8.0; t += 0.125) {
            ASSERT_NEAR(lCurve.Evaluate(Sec(t)), lOriginal.Evaluate(Sec(t)), 1e-9)
                << "run " << lRun << " at " << t;
        }
    }
    EXPECT_GT(lReduced, 100);
}

TEST(KFCurveFilterConstantKeyReducerTest, NullEntriesSpansAndTrees)
{
    KFCurve lCurve;
    Fill(lCurve, {1, 1, 1, 1});
    KFCurve* lCurves[2] = {nullptr, &lCurve};
    KFCurveFilterConstantKeyReducer lFilter;
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "ConstantKeyReducer, Missing curve.");
    EXPECT_EQ(lCurve.GetKeyCount(), 1);
    EXPECT_TRUE(lFilter.Apply(nullptr, 0));
    EXPECT_EQ(lFilter.GetLastErrorID(), -1);
    EXPECT_FALSE(lFilter.SetTolerance(-0.5));
    EXPECT_DOUBLE_EQ(lFilter.GetTolerance(), KFCurveFilterConstantKeyReducer::kDefaultTolerance);

    // Only the keys inside the span go; the last key before it anchors the first one in it.
    KFCurve lLong;
    Fill(lLong, {2, 2, 2, 2, 2, 2, 2});
    lFilter.SetStartTime(Sec(2.0));
    lFilter.SetStopTime(Sec(4.0));
    ASSERT_TRUE(lFilter.Apply(lLong));
    EXPECT_EQ(KeySeconds(lLong), (Doubles{0, 1, 5, 6}));

    KFCurveNode lRoot("Defaults");
    KFCurveNode* lChild = lRoot.FindOrCreateChild("Visibility", true);
    KFCurveNode* lGrandChild = lChild->FindOrCreateChild("Inner", true);
    Fill(*lChild->GetCurve(), {1, 1, 1, 1});
    Fill(*lGrandChild->GetCurve(), {2, 2, 2});
    KFCurveFilterConstantKeyReducer lWhole;
    ASSERT_TRUE(lWhole.Apply(*lChild, false));
    EXPECT_EQ(lChild->GetCurve()->GetKeyCount(), 1);
    EXPECT_EQ(lGrandChild->GetCurve()->GetKeyCount(), 3);
    ASSERT_TRUE(lWhole.Apply(lRoot, true));
    EXPECT_EQ(lGrandChild->GetCurve()->GetKeyCount(), 1);
}

// --- Key reducer -------------------------------------------------------------------------------

TEST(KFCurveFilterKeyReducerTest, KeepsATimeWhenAnyCurveNeedsIt)
{
    Doubles lRamp;
    Doubles lBump(11, 0.0);
    for (int i = 0; i <= 10; ++i) {
        lRamp.push_back(i);
    }
    lBump[5] = 3.0;
    KFCurve lA;
    KFCurve lB;
    Fill(lA, lRamp, 1.0, KFCurveKey::kInterpolationLinear);
    Fill(lB, lBump, 1.0, KFCurveKey::kInterpolationLinear);
    KFCurve* lCurves[2] = {&lA, &lB};
    KFCurveFilterKeyReducer lFilter;
    EXPECT_DOUBLE_EQ(lFilter.GetPrecision(), 1.0);
    ASSERT_TRUE(lFilter.Apply(lCurves, 2));
    // The bump needs 4, 5 and 6; the ramp alone would need none of them but keeps them too.
    EXPECT_EQ(KeySeconds(lB), (Doubles{0, 4, 5, 6, 10}));
    EXPECT_EQ(KeySeconds(lA), KeySeconds(lB));
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(lA.Evaluate(Sec(i)), lRamp[i], 1e-5);
    }
    KFCurve lAlone;
    Fill(lAlone, lRamp);
    ASSERT_TRUE(lFilter.Apply(lAlone));
    EXPECT_EQ(KeySeconds(lAlone), (Doubles{0, 10}));

    // 1 and 2 hold values within 1 of key 0; 3 steps away; 4 is the last key. The ramp keeps
    // the time 3 the steps need, where it has a key too.
    KFCurve lSteps;
    Fill(lSteps, {0, 0.5, 0.9, 3, 3}, 1.0, KFCurveKey::kInterpolationConstant);
    KFCurve lHalf;
    Fill(lHalf, {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0.5);
    KFCurve* lMixed[2] = {&lSteps, &lHalf};
    ASSERT_TRUE(lFilter.Apply(lMixed, 2));
    EXPECT_EQ(KeySeconds(lSteps), (Doubles{0, 3, 4}));
    EXPECT_EQ(KeySeconds(lHalf), (Doubles{0, 3, 4}));

    // A curve's last key stays, even where a longer curve drops its key at that time.
    KFCurve lLong;
    KFCurve lShort;
    Fill(lLong, lRamp, 1.0, KFCurveKey::kInterpolationLinear);
    Fill(lShort, {0, 1, 2, 3, 4, 5}, 1.0, KFCurveKey::kInterpolationLinear);
    KFCurve* lUneven[2] = {&lLong, &lShort};
    ASSERT_TRUE(lFilter.Apply(lUneven, 2));
    EXPECT_EQ(KeySeconds(lLong), (Doubles{0, 10}));
    EXPECT_EQ(KeySeconds(lShort), (Doubles{0, 5}));
}

TEST(KFCurveFilterKeyReducerTest, EveryRemovedKeyStaysWithinThePrecision)
{
    // A sine sampled finely: the kept keys' straight lines pass within 0.05 of every key.
    Doubles lSine;
    for (int i = 0; i <= 400; ++i) {
        lSine.push_back(10.0 * std::sin(i * 0.02));
    }
    KFCurve lCurve;
    Fill(lCurve, lSine, 0.01);
    KFCurveFilterKeyReducer lFilter;
    ASSERT_TRUE(lFilter.SetPrecision(0.05));
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_LT(lCurve.GetKeyCount(), 100);
    EXPECT_GT(lCurve.GetKeyCount(), 5);
    int lSegment = 0;
    for (int i = 0; i <= 400; ++i) {
        const KTime lTime = Sec(i * 0.01);
        while (lCurve.KeyGetTime(lSegment + 1) < lTime) {
            ++lSegment;
        }
        const double t0 = lCurve.KeyGetTime(lSegment).GetSecondDouble();
        const double t1 = lCurve.KeyGetTime(lSegment + 1).GetSecondDouble();
        const double v0 = lCurve.KeyGetValue(lSegment);
        const double v1 = lCurve.KeyGetValue(lSegment + 1);
        const double lLine = v0 + (v1 - v0) * (lTime.GetSecondDouble() - t0) / (t1 - t0);
        EXPECT_LE(std::fabs(lLine - lSine[i]), 0.05 + 1e-5) << i;
    }

    // Null curves are refused before anything changes.
    KFCurve* lCurves[2] = {&lCurve, nullptr};
    const int lKept = lCurve.GetKeyCount();
    lFilter.SetPrecision(100.0);
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "KeyReducer, Missing curve.");
    EXPECT_EQ(lCurve.GetKeyCount(), lKept);
    EXPECT_FALSE(lFilter.SetPrecision(std::numeric_limits<double>::quiet_NaN()));
}

// --- Resample ----------------------------------------------------------------------------------

TEST(KFCurveFilterResampleTest, SamplesEveryPeriodOverTheKeySpan)
{
    KFCurve lCurve;
    Fill(lCurve, {0, 10}, 1.0, KFCurveKey::kInterpolationLinear);
    KFCurveFilterResample lFilter;
    ASSERT_TRUE(lFilter.SetPeriod(Sec(0.25)));
    // The default span runs from minus to plus infinity: it is cut to the keys.
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_EQ(KeySeconds(lCurve), (Doubles{0, 0.25, 0.5, 0.75, 1.0}));
    EXPECT_EQ(Values(lCurve), (Doubles{0, 2.5, 5, 7.5, 10}));
    EXPECT_EQ(lCurve.KeyGetInterpolation(1), KFCurveKey::kInterpolationCubic);

    // The last key on the end time is optional.
    KFCurve lOn;
    Fill(lOn, {0, 10});
    KFCurve lOff(lOn);
    ASSERT_TRUE(lFilter.SetPeriod(Sec(0.3)));
    ASSERT_TRUE(lFilter.Apply(lOn));
    EXPECT_EQ(KeySeconds(lOn), (Doubles{0, 0.3, 0.6, 0.9, 1.0}));
    lFilter.SetGenerateLastKeyAtEndTime(false);
    ASSERT_TRUE(lFilter.Apply(lOff));
    EXPECT_EQ(KeySeconds(lOff), (Doubles{0, 0.3, 0.6, 0.9}));

    // Keys outside the span stay: samples at 1, 1.5 and 2 replace keys 1 and 2.
    KFCurve lSpan;
    Fill(lSpan, {0, 4, 8, 12});
    lFilter.SetPeriod(Sec(0.5));
    lFilter.SetStartTime(Sec(0.5));
    lFilter.SetStopTime(Sec(2.0));
    ASSERT_TRUE(lFilter.Apply(lSpan));
    EXPECT_EQ(KeySeconds(lSpan), (Doubles{0, 1, 1.5, 2, 3}));
}

TEST(KFCurveFilterResampleTest, HugeSpansAndBadPeriodsAreRefused)
{
    KFCurve lWide;
    // Curves refuse keys at the infinities themselves; these are the farthest times they keep.
    ASSERT_EQ(lWide.KeyAdd(KTime(KTime::kMinusInfinityTicks + 1), 1.0f), 0);
    ASSERT_EQ(lWide.KeyAdd(KTime(KTime::kInfinityTicks - 1), 2.0f), 1);
    KFCurve lNormal;
    Fill(lNormal, {0, 1}, 3.0);
    KFCurve* lCurves[2] = {&lWide, &lNormal};
    KFCurveFilterResample lFilter;
    lFilter.SetPeriod(Sec(1.0));
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Resample, Too many keys for the period.");
    EXPECT_EQ(lWide.GetKeyCount(), 2);
    EXPECT_EQ(lNormal.GetKeyCount(), 4);

    EXPECT_FALSE(lFilter.SetPeriod(KTime(0)));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Resample, The period must be above zero.");
    EXPECT_FALSE(lFilter.SetPeriod(KTime(-5)));
    EXPECT_EQ(lFilter.GetPeriod(), Sec(1.0));
    // The shortest period there is.
    KFCurve lTicks;
    lTicks.KeyAdd(KTime(0), 1.0f);
    lTicks.KeyAdd(KTime(3), 2.0f);
    ASSERT_TRUE(lFilter.SetPeriod(KTime(1)));
    ASSERT_TRUE(lFilter.Apply(lTicks));
    EXPECT_EQ(lTicks.GetKeyCount(), 4);

    // One key, and a filter span after every key: nothing to sample.
    KFCurve lSingle;
    lSingle.KeyAdd(Sec(2.0), 7.0f);
    ASSERT_TRUE(lFilter.Apply(lSingle));
    EXPECT_EQ(lSingle.GetKeyCount(), 1);
    lFilter.SetStartTime(Sec(5.0));
    ASSERT_TRUE(lFilter.Apply(lNormal));
    EXPECT_EQ(lNormal.GetKeyCount(), 4);
}
