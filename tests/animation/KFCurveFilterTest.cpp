#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveFilterGimbleKiller.h"
#include "animation/KFCurveFilterKeyReducer.h"
#include "animation/KFCurveFilterResample.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KFCurveNode.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

KTime Seconds(double pSeconds)
{
    KTime lTime;
    lTime.SetSecondDouble(pSeconds);
    return lTime;
}

// Keys at 0, 1, 2, ... seconds with the given values (cubic, auto tangents).
void FillCurve(KFCurve& pCurve, const std::vector<double>& pValues, double pStep = 1.0)
{
    for (std::size_t i = 0; i < pValues.size(); ++i) {
        pCurve.KeyAdd(Seconds(static_cast<double>(i) * pStep), static_cast<float>(pValues[i]));
    }
}

std::vector<double> Values(const KFCurve& pCurve)
{
    std::vector<double> lValues;
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        lValues.push_back(pCurve.KeyGetValue(i));
    }
    return lValues;
}

std::vector<double> KeySeconds(const KFCurve& pCurve)
{
    std::vector<double> lTimes;
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        lTimes.push_back(pCurve.KeyGetTime(i).GetSecondDouble());
    }
    return lTimes;
}

::testing::AssertionResult SameRotation(const KVector4& pA, const KVector4& pB, int pOrder,
                                        double pTolerance = 1e-6)
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

// Three rotation curves with keys at 0, 1, 2, ... seconds.
struct RotationCurves
{
    KFCurve mX;
    KFCurve mY;
    KFCurve mZ;
    KFCurve* mArray[3] = {&mX, &mY, &mZ};

    void Add(const KVector4& pAngles)
    {
        const double lTime = mX.GetKeyCount();
        mX.KeyAdd(Seconds(lTime), static_cast<float>(pAngles[0]));
        mY.KeyAdd(Seconds(lTime), static_cast<float>(pAngles[1]));
        mZ.KeyAdd(Seconds(lTime), static_cast<float>(pAngles[2]));
    }
    KVector4 Key(int pIndex) const
    {
        return KVector4(mX.KeyGetValue(pIndex), mY.KeyGetValue(pIndex), mZ.KeyGetValue(pIndex));
    }
};

} // namespace

// --- Euler unrolling ---------------------------------------------------------------------------

TEST(KEulerUnrollTest, AlternateSolutionIsTheSameRotationInEveryOrder)
{
    const KVector4 lAngles(37.0, -21.0, 118.0);
    for (int lOrder = 0; lOrder <= KEulerUnroll::kSphericOrder; ++lOrder) {
        if (!KEulerUnroll::IsValidOrder(lOrder)) {
            continue;
        }
        const KVector4 lOther = KEulerUnroll::GetAlternate(lAngles, lOrder);
        EXPECT_NE(KEulerUnroll::Distance(lOther, lAngles), 0.0);
        EXPECT_TRUE(SameRotation(lOther, lAngles, lOrder, 1e-12));
    }
}

TEST(KEulerUnrollTest, MatrixRoundTripInEveryOrderKeepsTheAngles)
{
    const KVector4 lAngles(-70.0, 35.0, 50.0);
    for (int lOrder = 0; lOrder < 12; ++lOrder) {
        KMatrix lMatrix;
        ASSERT_TRUE(KEulerUnroll::ToMatrix(lMatrix, lAngles, lOrder));
        KVector4 lBack;
        ASSERT_TRUE(KEulerUnroll::FromMatrix(lBack, lMatrix, lOrder));
        EXPECT_NEAR(lBack[0], -70.0, 1e-9) << lOrder;
        EXPECT_NEAR(lBack[1], 35.0, 1e-9) << lOrder;
        EXPECT_NEAR(lBack[2], 50.0, 1e-9) << lOrder;
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
}

TEST(KEulerUnrollTest, InvalidOrdersAreRefused)
{
    KMatrix lMatrix;
    lMatrix[0][0] = 5.0;
    EXPECT_FALSE(KEulerUnroll::ToMatrix(lMatrix, KVector4(10, 20, 30), 13));
    EXPECT_EQ(MatrixCompare(lMatrix, KMatrix(), 0.0), 0);
    KVector4 lAngles(1, 2, 3);
    EXPECT_FALSE(KEulerUnroll::FromMatrix(lAngles, lMatrix, -1));
    EXPECT_EQ(lAngles[0], 1.0);
    EXPECT_FALSE(KEulerUnroll::IsValidOrder(-1));
    EXPECT_TRUE(KEulerUnroll::IsValidOrder(KEulerUnroll::kSphericOrder));
}

TEST(KEulerUnrollTest, UnrollMovesToTheClosestRepresentation)
{
    // Whole turns only.
    KVector4 lCurrent(350.0, -10.0, 725.0);
    EXPECT_FALSE(KEulerUnroll::Unroll(lCurrent, KVector4(-5.0, 0.0, 0.0), 0, true));
    EXPECT_DOUBLE_EQ(lCurrent[0], -10.0);
    EXPECT_DOUBLE_EQ(lCurrent[1], -10.0);
    EXPECT_DOUBLE_EQ(lCurrent[2], 5.0);
    // A flip through the other solution: (180, 80, 180) is (0, 100, 0).
    KVector4 lFlipped(180.0, 80.0, 180.0);
    EXPECT_TRUE(KEulerUnroll::Unroll(lFlipped, KVector4(0.0, 95.0, 0.0), 0, true));
    EXPECT_NEAR(lFlipped[0], 0.0, 1e-12);
    EXPECT_NEAR(lFlipped[1], 100.0, 1e-12);
    EXPECT_NEAR(lFlipped[2], 0.0, 1e-12);
    // Without the other solution it stays a flip.
    KVector4 lKept(180.0, 80.0, 180.0);
    EXPECT_FALSE(KEulerUnroll::Unroll(lKept, KVector4(0.0, 95.0, 0.0), 0, false));
    EXPECT_DOUBLE_EQ(lKept[0], 180.0);
}

TEST(KEulerUnrollTest, NonFiniteAnglesAreNeverMoved)
{
    const double lNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(KEulerUnroll::WrapNear(lNaN, 0.0)));
    EXPECT_EQ(KEulerUnroll::WrapNear(400.0, lNaN), 400.0);
    EXPECT_EQ(KEulerUnroll::WrapNear(1e300, 0.0), 1e300 + 360.0 * std::nearbyint(-1e300 / 360.0));
    EXPECT_EQ(KEulerUnroll::WrapNear(-190.0, 0.0), 170.0);
}

// --- Unroll filter -----------------------------------------------------------------------------

TEST(KFCurveFilterUnrollTest, RemovesWrapsButKeepsARealTurn)
{
    KFCurve lX;
    KFCurve lY;
    KFCurve lZ;
    // X wraps at +-180; Y turns slowly through two whole turns; Z wraps twice downwards.
    FillCurve(lX, {150, 170, -170, -150, 179, -179});
    std::vector<double> lTurn;
    for (int i = 0; i <= 72; ++i) {
        lTurn.push_back(i * 10.0);
    }
    FillCurve(lY, lTurn);
    FillCurve(lZ, {0, -90, 170, 80, -10, -100});
    KFCurve* lCurves[3] = {&lX, &lY, &lZ};
    KFCurveFilterUnroll lFilter;
    EXPECT_DOUBLE_EQ(lFilter.GetQualityTolerance(), 0.25);
    EXPECT_FALSE(lFilter.GetTestForPath());
    ASSERT_TRUE(lFilter.Apply(lCurves, 3));
    EXPECT_EQ(Values(lX), (std::vector<double>{150, 170, 190, 210, 179, 181}));
    EXPECT_EQ(Values(lY), lTurn);
    EXPECT_EQ(Values(lZ), (std::vector<double>{0, -90, -190, -280, -370, -460}));
}

TEST(KFCurveFilterUnrollTest, TestForPathUndoesFlipsFromMatrices)
{
    // A turn about Y from 60 to 120 degrees, read back from matrices: past 90 the angles come
    // back as (180, 180 - y, 180).
    RotationCurves lCurves;
    std::vector<KVector4> lTruth;
    for (int i = 0; i <= 12; ++i) {
        KMatrix lMatrix;
        const KVector4 lAngles(0.0, 60.0 + 5.0 * i, 0.0);
        KEulerUnroll::ToMatrix(lMatrix, lAngles, 0);
        KVector4 lRead;
        KEulerUnroll::FromMatrix(lRead, lMatrix, 0);
        lCurves.Add(lRead);
        lTruth.push_back(lAngles);
    }
    ASSERT_NEAR(lCurves.Key(12)[1], 60.0, 1e-4);

    KFCurveFilterUnroll lPlain;
    ASSERT_TRUE(lPlain.Apply(lCurves.mArray, 3));
    EXPECT_NEAR(lCurves.Key(12)[1], 60.0, 1e-4);

    KFCurveFilterUnroll lPath;
    lPath.SetTestForPath(true);
    ASSERT_TRUE(lPath.Apply(lCurves.mArray, 3));
    for (int i = 0; i <= 12; ++i) {
        EXPECT_NEAR(lCurves.Key(i)[0], lTruth[i][0], 1e-3) << i;
        EXPECT_NEAR(lCurves.Key(i)[1], lTruth[i][1], 1e-3) << i;
        EXPECT_NEAR(lCurves.Key(i)[2], lTruth[i][2], 1e-3) << i;
    }
}

TEST(KFCurveFilterUnrollTest, CurvesWithDifferentKeyTimesUnrollOneByOne)
{
    KFCurve lX;
    KFCurve lY;
    KFCurve lZ;
    FillCurve(lX, {170, -170});
    FillCurve(lY, {10, 20, -170, 170}, 0.5);
    FillCurve(lZ, {0});
    KFCurve* lCurves[3] = {&lX, &lY, &lZ};
    KFCurveFilterUnroll lFilter;
    lFilter.SetTestForPath(true);
    ASSERT_TRUE(lFilter.Apply(lCurves, 3));
    EXPECT_EQ(Values(lX), (std::vector<double>{170, 190}));
    EXPECT_EQ(Values(lY), (std::vector<double>{10, 20, 190, 170}));
}

TEST(KFCurveFilterUnrollTest, OnlyKeysInsideTheSpanMove)
{
    KFCurve lX;
    KFCurve lY;
    KFCurve lZ;
    FillCurve(lX, {170, -170, -170, 170});
    FillCurve(lY, {0, 0, 0, 0});
    FillCurve(lZ, {0, 0, 0, 0});
    KFCurve* lCurves[3] = {&lX, &lY, &lZ};
    KFCurveFilterUnroll lFilter;
    lFilter.SetStartTime(Seconds(2.0));
    ASSERT_TRUE(lFilter.Apply(lCurves, 3));
    // Key 1 is outside the span; key 3 unrolls against it.
    EXPECT_EQ(Values(lX), (std::vector<double>{170, -170, -170, -190}));
}

TEST(KFCurveFilterUnrollTest, RefusesAnythingButThreeCurves)
{
    KFCurve lX;
    FillCurve(lX, {170, -170});
    KFCurve* lTwo[2] = {&lX, &lX};
    KFCurve* lWithNull[3] = {&lX, nullptr, &lX};
    KFCurveFilterUnroll lFilter;
    EXPECT_FALSE(lFilter.Apply(lTwo, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Unroll, Three rotation curves are needed.");
    EXPECT_FALSE(lFilter.Apply(lX));
    EXPECT_FALSE(lFilter.Apply(nullptr, 3));
    EXPECT_FALSE(lFilter.Apply(lWithNull, 3));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Unroll, Missing curve.");
    EXPECT_EQ(Values(lX), (std::vector<double>{170, -170}));
    EXPECT_FALSE(lFilter.SetQualityTolerance(-1.0));
    EXPECT_FALSE(lFilter.SetQualityTolerance(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(lFilter.SetRotationOrder(13));
    EXPECT_DOUBLE_EQ(lFilter.GetQualityTolerance(), 0.25);
}

TEST(KFCurveFilterUnrollTest, SendsOneEventPerCurve)
{
    KFCurve lX;
    KFCurve lY;
    KFCurve lZ;
    FillCurve(lX, {170, -170, -150, 179, -179});
    FillCurve(lY, {0, 0, 0, 0, 0});
    FillCurve(lZ, {0, 0, 0, 0, 0});
    int lCalls = 0;
    const KFCurveCallback lCount = [](KFCurve*, KFCurveEvent*, void* pData) {
        ++*static_cast<int*>(pData);
    };
    lX.AddCallback(lCount, &lCalls);
    KFCurve* lCurves[3] = {&lX, &lY, &lZ};
    KFCurveFilterUnroll lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves, 3));
    EXPECT_EQ(lCalls, 1);
    lX.RemoveCallback(lCount, &lCalls);
}

// --- Gimbal killer -----------------------------------------------------------------------------

TEST(KFCurveFilterGimbleKillerTest, RemovesTheFlipNearNinetyDegrees)
{
    // A motion through Y = 90 with X and Z turning too, read back from matrices.
    for (const int lOrder : {0, 4, 10}) {
        RotationCurves lCurves;
        std::vector<KVector4> lTruth;
        for (int i = 0; i <= 10; ++i) {
            const KVector4 lAngles(10.0 + i, 80.0 + 2.0 * i + 0.5, -20.0 + i);
            KVector4 lTrue = lAngles;
            const int lMiddle = KEulerUnroll::GetAxis(lOrder, 1);
            lTrue[lMiddle] = lAngles[1];
            lTrue[KEulerUnroll::GetAxis(lOrder, 0)] = lAngles[0];
            lTrue[KEulerUnroll::GetAxis(lOrder, 2)] = lAngles[2];
            KMatrix lMatrix;
            KEulerUnroll::ToMatrix(lMatrix, lTrue, lOrder);
            KVector4 lRead;
            KEulerUnroll::FromMatrix(lRead, lMatrix, lOrder);
            lCurves.Add(lRead);
            lTruth.push_back(lTrue);
        }
        KFCurveFilterGimbleKiller lFilter;
        ASSERT_TRUE(lFilter.SetRotationOrder(lOrder));
        ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
        for (int i = 0; i <= 10; ++i) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(lCurves.Key(i)[c], lTruth[i][c], 1e-3) << lOrder << " " << i;
            }
        }
    }
}

TEST(KFCurveFilterGimbleKillerTest, SplitsTheTurnsAtLockNearThePreviousKey)
{
    // At Y = 90 a matrix only gives one combination of X and Z (read back with Z = 0).
    RotationCurves lCurves;
    lCurves.Add(KVector4(30.0, 88.0, 30.0));
    KMatrix lMatrix;
    KEulerUnroll::ToMatrix(lMatrix, KVector4(30.0, 90.0, 30.0), 0);
    KVector4 lRead;
    KEulerUnroll::FromMatrix(lRead, lMatrix, 0);
    ASSERT_EQ(lRead[2], 0.0);
    lCurves.Add(lRead);
    KFCurveFilterGimbleKiller lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves.mArray, 3));
    const KVector4 lKey = lCurves.Key(1);
    EXPECT_NEAR(lKey[0], 30.0, 1e-3);
    EXPECT_NEAR(lKey[1], 90.0, 1e-3);
    EXPECT_NEAR(lKey[2], 30.0, 1e-3);
    EXPECT_TRUE(SameRotation(lKey, KVector4(30.0, 90.0, 30.0), 0, 1e-5));
}

TEST(KFCurveFilterGimbleKillerTest, NegatesUserSlopesOfTheMirroredMiddleAngle)
{
    RotationCurves lCurves;
    lCurves.Add(KVector4(0.0, 85.0, 0.0));
    lCurves.Add(KVector4(180.0, 85.0, 180.0));
    lCurves.Add(KVector4(180.0, 80.0, 180.0));
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

TEST(KFCurveFilterGimbleKillerTest, RefusesCurvesWithDifferentKeyTimes)
{
    KFCurve lX;
    KFCurve lY;
    KFCurve lZ;
    FillCurve(lX, {0, 180});
    FillCurve(lY, {85, 85});
    FillCurve(lZ, {0, 180, 0});
    KFCurve* lCurves[3] = {&lX, &lY, &lZ};
    KFCurveFilterGimbleKiller lFilter;
    EXPECT_FALSE(lFilter.Apply(lCurves, 3));
    EXPECT_EQ(lFilter.GetLastErrorID(), KFCurveFilterGimbleKiller::eKeyTimesDiffer);
    EXPECT_EQ(Values(lX), (std::vector<double>{0, 180}));
    KFCurve* lShort[2] = {&lX, &lY};
    EXPECT_FALSE(lFilter.Apply(lShort, 2));
}

// --- Constant key reducer ----------------------------------------------------------------------

TEST(KFCurveFilterConstantKeyReducerTest, FlatRunsShrinkToTheirEnds)
{
    const std::vector<double> lValues = {0, 0, 0, 5, 5, 5, 5, 1};
    KFCurve lCurve;
    FillCurve(lCurve, lValues);
    const KFCurve lOriginal(lCurve);
    KFCurveFilterConstantKeyReducer lFilter;
    EXPECT_FALSE(lFilter.GetKeepFirstAndLastKeys());
    lFilter.SetKeepFirstAndLastKeys(true);
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_EQ(KeySeconds(lCurve), (std::vector<double>{0, 2, 3, 6, 7}));
    for (double t = -1.0; t <= 8.0; t += 0.125) {
        EXPECT_NEAR(lCurve.Evaluate(Seconds(t)), lOriginal.Evaluate(Seconds(t)), 1e-6) << t;
    }
}

TEST(KFCurveFilterConstantKeyReducerTest, FirstAndLastKeysGoUnlessKept)
{
    KFCurve lCurve;
    FillCurve(lCurve, {0, 0, 0, 5, 5, 5, 5, 1});
    KFCurveFilterConstantKeyReducer lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_EQ(KeySeconds(lCurve), (std::vector<double>{2, 3, 6, 7}));
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Seconds(-1.0)), 0.0);

    KFCurve lConstant;
    FillCurve(lConstant, {3, 3, 3, 3});
    ASSERT_TRUE(lFilter.Apply(lConstant));
    EXPECT_EQ(lConstant.GetKeyCount(), 1);
    EXPECT_DOUBLE_EQ(lConstant.Evaluate(Seconds(10.0)), 3.0);

    KFCurve lKept;
    FillCurve(lKept, {3, 3, 3, 3});
    lFilter.SetKeepFirstAndLastKeys(true);
    ASSERT_TRUE(lFilter.Apply(lKept));
    EXPECT_EQ(KeySeconds(lKept), (std::vector<double>{0, 3}));
}

TEST(KFCurveFilterConstantKeyReducerTest, KeepsDriftSlopesAndRepeatingCurves)
{
    // Each step is within the tolerance, the drift is not.
    KFCurve lDrift;
    FillCurve(lDrift, {0, 0.00006, 0.00012, 0.00018, 0.00024});
    // A flat run whose middle key leaves with a user slope.
    KFCurve lSloped;
    FillCurve(lSloped, {2, 2, 2});
    lSloped.KeySetTangentMode(1, KFCurveKey::kTangentUser);
    lSloped.SetKeyRightDerivative(1, 5.0);
    // Repetition after the last key: dropping the first key would change the repeated values.
    KFCurve lRepeated;
    FillCurve(lRepeated, {1, 1, 4});
    lRepeated.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    lRepeated.SetPreExtrapolation(KFCurve::kExtrapolationRepetition);
    KFCurve* lCurves[3] = {&lDrift, &lSloped, &lRepeated};
    KFCurveFilterConstantKeyReducer lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves, 3));
    EXPECT_EQ(lDrift.GetKeyCount(), 3);
    EXPECT_EQ(lSloped.GetKeyCount(), 2);
    EXPECT_EQ(KeySeconds(lSloped), (std::vector<double>{1, 2}));
    EXPECT_EQ(lRepeated.GetKeyCount(), 3);
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
        std::vector<double> mValues;
        int mPre;
        int mPost;
        double mAt;
        double mExpected;
    } kCases[] = {{{0, 1, 1}, kRepeat, kHold, -0.5, 1.0},
                  {{1, 1, 0}, kHold, kRepeat, 2.5, 1.0},
                  {{0, 0.00005}, KFCurve::kExtrapolationKeepSlope, kHold, -1000.0, -0.05}};
    for (const auto& lCase : kCases) {
        KFCurve lCurve;
        FillCurve(lCurve, lCase.mValues);
        for (int i = 0; i < lCurve.GetKeyCount(); ++i) {
            lCurve.KeySetInterpolation(i, KFCurveKey::kInterpolationLinear);
        }
        lCurve.SetPreExtrapolation(lCase.mPre);
        lCurve.SetPostExtrapolation(lCase.mPost);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.Apply(lCurve));
        EXPECT_EQ(lCurve.GetKeyCount(), static_cast<int>(lCase.mValues.size())) << lCase.mAt;
        EXPECT_NEAR(lCurve.Evaluate(Seconds(lCase.mAt)), lCase.mExpected, 1e-6) << lCase.mAt;
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
    for (int lRun = 0; lRun < 1000; ++lRun) {
        KFCurve lCurve;
        double lTime = 0.0;
        for (int k = 1 + lPick(6); k > 0; --k) {
            const int lIndex = lCurve.KeyAdd(Seconds(lTime), static_cast<float>(lPick(3)));
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
        for (double t = -8.0; t <= lTime + 8.0; t += 0.125) {
            ASSERT_NEAR(lCurve.Evaluate(Seconds(t)), lOriginal.Evaluate(Seconds(t)), 1e-9)
                << "run " << lRun << " at " << t;
        }
    }
}

TEST(KFCurveFilterConstantKeyReducerTest, NullEntriesAreReportedAfterTheOthers)
{
    KFCurve lCurve;
    FillCurve(lCurve, {1, 1, 1, 1});
    KFCurve* lCurves[2] = {nullptr, &lCurve};
    KFCurveFilterConstantKeyReducer lFilter;
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "ConstantKeyReducer, Missing curve.");
    EXPECT_EQ(lCurve.GetKeyCount(), 1);
    EXPECT_TRUE(lFilter.Apply(nullptr, 0));
    EXPECT_EQ(lFilter.GetLastErrorID(), -1);
    EXPECT_FALSE(lFilter.SetTolerance(-0.5));
    EXPECT_DOUBLE_EQ(lFilter.GetTolerance(), KFCurveFilterConstantKeyReducer::kDefaultTolerance);
}

TEST(KFCurveFilterConstantKeyReducerTest, NodeApplyTakesTheTreeCurvesOnRequest)
{
    KFCurveNode lRoot("Defaults");
    KFCurveNode* lChild = lRoot.FindOrCreateChild("Visibility", true);
    KFCurveNode* lGrandChild = lChild->FindOrCreateChild("Inner", true);
    FillCurve(*lChild->GetCurve(), {1, 1, 1, 1});
    FillCurve(*lGrandChild->GetCurve(), {2, 2, 2});
    KFCurveFilterConstantKeyReducer lFilter;
    ASSERT_TRUE(lFilter.Apply(*lChild, false));
    EXPECT_EQ(lChild->GetCurve()->GetKeyCount(), 1);
    EXPECT_EQ(lGrandChild->GetCurve()->GetKeyCount(), 3);
    ASSERT_TRUE(lFilter.Apply(lRoot, true));
    EXPECT_EQ(lGrandChild->GetCurve()->GetKeyCount(), 1);
}

// --- Key reducer -------------------------------------------------------------------------------

TEST(KFCurveFilterKeyReducerTest, KeepsATimeWhenAnyCurveNeedsIt)
{
    std::vector<double> lRamp;
    std::vector<double> lBump(11, 0.0);
    for (int i = 0; i <= 10; ++i) {
        lRamp.push_back(i);
    }
    lBump[5] = 3.0;
    KFCurve lA;
    KFCurve lB;
    FillCurve(lA, lRamp);
    FillCurve(lB, lBump);
    for (KFCurve* lCurve : {&lA, &lB}) {
        for (int i = 0; i <= 10; ++i) {
            lCurve->KeySetInterpolation(i, KFCurveKey::kInterpolationLinear);
        }
    }
    KFCurve* lCurves[2] = {&lA, &lB};
    KFCurveFilterKeyReducer lFilter;
    EXPECT_DOUBLE_EQ(lFilter.GetPrecision(), 1.0);
    ASSERT_TRUE(lFilter.Apply(lCurves, 2));
    // The bump needs 4, 5 and 6; the ramp alone would need none of them but keeps them too.
    EXPECT_EQ(KeySeconds(lB), (std::vector<double>{0, 4, 5, 6, 10}));
    EXPECT_EQ(KeySeconds(lA), KeySeconds(lB));
    for (int i = 0; i <= 10; ++i) {
        EXPECT_NEAR(lA.Evaluate(Seconds(i)), lRamp[i], 1e-5);
    }

    KFCurve lAlone;
    FillCurve(lAlone, lRamp);
    ASSERT_TRUE(lFilter.Apply(lAlone));
    EXPECT_EQ(KeySeconds(lAlone), (std::vector<double>{0, 10}));
}

TEST(KFCurveFilterKeyReducerTest, EveryRemovedKeyStaysWithinThePrecision)
{
    // A sine sampled finely: the kept keys' straight lines pass within 0.05 of every key.
    std::vector<double> lSine;
    for (int i = 0; i <= 400; ++i) {
        lSine.push_back(10.0 * std::sin(i * 0.02));
    }
    KFCurve lCurve;
    FillCurve(lCurve, lSine, 0.01);
    KFCurveFilterKeyReducer lFilter;
    ASSERT_TRUE(lFilter.SetPrecision(0.05));
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_LT(lCurve.GetKeyCount(), 100);
    EXPECT_GT(lCurve.GetKeyCount(), 5);
    int lSegment = 0;
    for (int i = 0; i <= 400; ++i) {
        const KTime lTime = Seconds(i * 0.01);
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
}

TEST(KFCurveFilterKeyReducerTest, ConstantKeysAndCurvesWithDifferentTimes)
{
    KFCurve lSteps;
    FillCurve(lSteps, {0, 0.5, 0.9, 3, 3});
    for (int i = 0; i < 5; ++i) {
        lSteps.KeySetInterpolation(i, KFCurveKey::kInterpolationConstant);
    }
    KFCurve lHalf;
    FillCurve(lHalf, {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0.5);
    KFCurve* lCurves[2] = {&lSteps, &lHalf};
    KFCurveFilterKeyReducer lFilter;
    ASSERT_TRUE(lFilter.Apply(lCurves, 2));
    // 1 and 2 hold values within 1 of key 0; 3 steps away; 4 is the last key.
    EXPECT_EQ(KeySeconds(lSteps), (std::vector<double>{0, 3, 4}));
    // The ramp keeps the time 3 the steps need, where it has a key too.
    EXPECT_EQ(KeySeconds(lHalf), (std::vector<double>{0, 3, 4}));
}

TEST(KFCurveFilterKeyReducerTest, RefusesNullCurvesBeforeChangingAnything)
{
    KFCurve lCurve;
    FillCurve(lCurve, {0, 1, 2, 3});
    KFCurve* lCurves[2] = {&lCurve, nullptr};
    KFCurveFilterKeyReducer lFilter;
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "KeyReducer, Missing curve.");
    EXPECT_EQ(lCurve.GetKeyCount(), 4);
    EXPECT_FALSE(lFilter.SetPrecision(std::numeric_limits<double>::quiet_NaN()));
}

// --- Resample ----------------------------------------------------------------------------------

TEST(KFCurveFilterResampleTest, SamplesEveryPeriodOverTheKeySpan)
{
    KFCurve lCurve;
    lCurve.KeyAdd(Seconds(0.0), 0.0f);
    lCurve.KeyAdd(Seconds(1.0), 10.0f);
    lCurve.KeySetInterpolation(0, KFCurveKey::kInterpolationLinear);
    KFCurveFilterResample lFilter;
    ASSERT_TRUE(lFilter.SetPeriod(Seconds(0.25)));
    // The default span runs from minus to plus infinity: it is cut to the keys.
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_EQ(KeySeconds(lCurve), (std::vector<double>{0, 0.25, 0.5, 0.75, 1.0}));
    EXPECT_EQ(Values(lCurve), (std::vector<double>{0, 2.5, 5, 7.5, 10}));
    EXPECT_EQ(lCurve.KeyGetInterpolation(1), KFCurveKey::kInterpolationCubic);
}

TEST(KFCurveFilterResampleTest, LastKeyOnTheEndTimeIsOptional)
{
    KFCurve lOn;
    FillCurve(lOn, {0, 10});
    KFCurve lOff(lOn);
    KFCurveFilterResample lFilter;
    ASSERT_TRUE(lFilter.SetPeriod(KTime(KTime::kTicksPerSecond * 3 / 10)));
    ASSERT_TRUE(lFilter.Apply(lOn));
    ASSERT_EQ(lOn.GetKeyCount(), 5);
    EXPECT_EQ(lOn.KeyGetTime(4), Seconds(1.0));
    lFilter.SetGenerateLastKeyAtEndTime(false);
    ASSERT_TRUE(lFilter.Apply(lOff));
    ASSERT_EQ(lOff.GetKeyCount(), 4);
    EXPECT_EQ(lOff.KeyGetTime(3), KTime(KTime::kTicksPerSecond * 9 / 10));
}

TEST(KFCurveFilterResampleTest, KeysOutsideTheSpanStay)
{
    KFCurve lCurve;
    FillCurve(lCurve, {0, 4, 8, 12});
    KFCurveFilterResample lFilter;
    lFilter.SetPeriod(Seconds(0.5));
    lFilter.SetStartTime(Seconds(0.5));
    lFilter.SetStopTime(Seconds(2.0));
    ASSERT_TRUE(lFilter.Apply(lCurve));
    // Keys 1 and 2 lie in the span: samples at 1, 1.5 and 2 replace them.
    EXPECT_EQ(KeySeconds(lCurve), (std::vector<double>{0, 1, 1.5, 2, 3}));
}

TEST(KFCurveFilterResampleTest, HugeSpansAndBadPeriodsAreRefused)
{
    KFCurve lWide;
    // Curves refuse keys at the infinities themselves; these are the farthest times they keep.
    ASSERT_EQ(lWide.KeyAdd(KTime(KTime::kMinusInfinityTicks + 1), 1.0f), 0);
    ASSERT_EQ(lWide.KeyAdd(KTime(KTime::kInfinityTicks - 1), 2.0f), 1);
    KFCurve lNormal;
    FillCurve(lNormal, {0, 1}, 3.0);
    KFCurve* lCurves[2] = {&lWide, &lNormal};
    KFCurveFilterResample lFilter;
    lFilter.SetPeriod(Seconds(1.0));
    EXPECT_FALSE(lFilter.Apply(lCurves, 2));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Resample, Too many keys for the period.");
    EXPECT_EQ(lWide.GetKeyCount(), 2);
    EXPECT_EQ(lNormal.GetKeyCount(), 4);

    EXPECT_FALSE(lFilter.SetPeriod(KTime(0)));
    EXPECT_STREQ(lFilter.GetLastErrorString(), "Resample, The period must be above zero.");
    EXPECT_FALSE(lFilter.SetPeriod(KTime(-5)));
    EXPECT_EQ(lFilter.GetPeriod(), Seconds(1.0));

    // One key, and a filter span after every key: nothing to sample.
    KFCurve lSingle;
    lSingle.KeyAdd(Seconds(2.0), 7.0f);
    ASSERT_TRUE(lFilter.Apply(lSingle));
    EXPECT_EQ(lSingle.GetKeyCount(), 1);
    lFilter.SetStartTime(Seconds(5.0));
    ASSERT_TRUE(lFilter.Apply(lNormal));
    EXPECT_EQ(lNormal.GetKeyCount(), 4);
}
