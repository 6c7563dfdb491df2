#include "scene/objects/KNurbEvaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Sampled
{
    std::vector<KVector4> mPoints;
    std::vector<KVector4> mNormals;
    int mU = 0;
    int mV = 0;
    bool mOk = false;
};

Sampled Sample(KSurfaceEvaluator& ioEvaluator)
{
    Sampled lResult;
    lResult.mU = ioEvaluator.GetUSampleCount();
    lResult.mV = ioEvaluator.GetVSampleCount();
    lResult.mPoints.resize(static_cast<size_t>(lResult.mU * lResult.mV));
    lResult.mNormals.resize(lResult.mPoints.size());
    ioEvaluator.SetPointDestination(lResult.mPoints.data());
    ioEvaluator.SetNormalDestination(lResult.mNormals.data());
    lResult.mOk = ioEvaluator.Evaluate();
    return lResult;
}

double Binomial(int pN, int pK)
{
    double lValue = 1.0;
    for (int i = 1; i <= pK; ++i) {
        lValue = lValue * (pN - pK + i) / i;
    }
    return lValue;
}

double Bernstein(int pDegree, int pI, double pT)
{
    return Binomial(pDegree, pI) * std::pow(pT, pI) * std::pow(1.0 - pT, pDegree - pI);
}

// The parameter of sample r of a span [a, b] with m subdivisions.
double SpanParameter(double pA, double pB, int pM, int pR)
{
    return pA + pR * ((pB - pA) / (pM + KNurbEvaluator::kSpanEpsilon));
}

} // namespace

TEST(KRyvNurbsEvaluationTest, BasisFunctionsOfAClampedVectorAreBernstein)
{
    const double kKnots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    for (double t : {0.0, 0.2, 0.5, 0.9}) {
        double lSum = 0.0;
        double lDerivativeSum = 0.0;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(KNurbEvaluator::BasisValue(t, i, 4, kKnots, 8), Bernstein(3, i, t), 1e-14);
            lSum += KNurbEvaluator::BasisValue(t, i, 4, kKnots, 8);
            lDerivativeSum += KNurbEvaluator::BasisDerivative(t, i, 4, kKnots, 8);
        }
        EXPECT_NEAR(lSum, 1.0, 1e-14);
        EXPECT_NEAR(lDerivativeSum, 0.0, 1e-12);
    }
    // d/dt (1 - t)^3 = -3 (1 - t)^2.
    EXPECT_NEAR(KNurbEvaluator::BasisDerivative(0.25, 0, 4, kKnots, 8), -3.0 * 0.75 * 0.75, 1e-14);
    // Order 1 is the half-open interval indicator.
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisValue(0.5, 3, 1, kKnots, 8), 1.0);
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisValue(1.0, 3, 1, kKnots, 8), 0.0);
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisDerivative(0.5, 3, 1, kKnots, 8), 0.0);
    // Functions needing knots past the vector are 0 instead of reading beyond it.
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisValue(0.5, 4, 4, kKnots, 8), 0.0);
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisValue(0.5, -1, 2, kKnots, 8), 0.0);
    EXPECT_DOUBLE_EQ(KNurbEvaluator::BasisValue(0.5, 0, 2, nullptr, 8), 0.0);

    // Distinct uniform knots: the functions of a span add up to 1.
    const double kUniform[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    double lSum = 0.0;
    for (int i = 1; i <= 4; ++i) {
        lSum += KNurbEvaluator::BasisValue(4.3, i, 4, kUniform, 10);
    }
    EXPECT_NEAR(lSum, 1.0, 1e-14);
}

TEST(KRyvNurbsEvaluationTest, SpansSkipEmptyIntervals)
{
    const double kOne[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const double kTwo[10] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 2};
    EXPECT_EQ(KNurbEvaluator::CountSpans(kOne, 8, 4), 1);
    EXPECT_EQ(KNurbEvaluator::CountSpans(kTwo, 10, 4), 2);
    EXPECT_EQ(KNurbEvaluator::CountSpans(nullptr, 10, 4), 0);
    EXPECT_EQ(KNurbEvaluator::CountSpans(kOne, 8, 9), 0);
    EXPECT_EQ(KNurbEvaluator::KnotCount(6, 4, false), 10);
    EXPECT_EQ(KNurbEvaluator::KnotCount(6, 4, true), 13);
}

TEST(KRyvNurbsEvaluationTest, PlaneOfOrderTwo)
{
    const std::vector<KVector4> lPoints = {{0, 0, 1, 1}, {3, 0, 1, 1}, {0, 2, 1, 1}, {3, 2, 1, 1}};
    const double kKnots[4] = {0, 0, 1, 1};
    const double kWeights[4] = {1, 1, 1, 1};
    auto lEvaluator = KNurbEvaluator::CreateNurbEvaluator(2, 2);
    lEvaluator->SetUKnots(kKnots, 4);
    lEvaluator->SetVKnots(kKnots, 4);
    lEvaluator->SetWeights(kWeights, 4);
    lEvaluator->SetControlPoints(lPoints.data(), 2, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 5);
    ASSERT_EQ(lResult.mV, 5);
    for (int v = 0; v < 5; ++v) {
        for (int u = 0; u < 5; ++u) {
            const KVector4& lPoint = lResult.mPoints[static_cast<size_t>(v * 5 + u)];
            EXPECT_NEAR(lPoint[0], 3.0 * SpanParameter(0, 1, 4, u), 1e-12);
            EXPECT_NEAR(lPoint[1], 2.0 * SpanParameter(0, 1, 4, v), 1e-12);
            EXPECT_NEAR(lPoint[2], 1.0, 1e-12);
            // Tangents (3, 0, 0) and (0, 2, 0) without the patch factor: Tv x Tu = (0, 0, -6).
            const KVector4& lNormal = lResult.mNormals[static_cast<size_t>(v * 5 + u)];
            EXPECT_NEAR(lNormal[0], 0.0, 1e-9);
            EXPECT_NEAR(lNormal[1], 0.0, 1e-9);
            EXPECT_NEAR(lNormal[2], -6.0, 1e-9);
        }
    }
    // The end sample stays just inside the last interval.
    EXPECT_LT(lResult.mPoints[4][0], 3.0);
    EXPECT_NEAR(lResult.mPoints[4][0], 3.0, 1e-7);
}

TEST(KRyvNurbsEvaluationTest, QuarterCylinderIsAnExactCircle)
{
    // U: a rational quadratic arc from (1, 0) to (0, 1); V: a line from z = 0 to z = 2.
    const double w = std::sqrt(0.5);
    std::vector<KVector4> lPoints;
    std::vector<double> lWeights;
    for (int v = 0; v < 2; ++v) {
        lPoints.emplace_back(1.0, 0.0, 2.0 * v, 1.0);
        lPoints.emplace_back(1.0, 1.0, 2.0 * v, w);
        lPoints.emplace_back(0.0, 1.0, 2.0 * v, 1.0);
        lWeights.insert(lWeights.end(), {1.0, w, 1.0});
    }
    const double kUKnots[6] = {0, 0, 0, 1, 1, 1};
    const double kVKnots[4] = {0, 0, 1, 1};
    auto lEvaluator = KNurbEvaluator::CreateNurbEvaluator(3, 2);
    lEvaluator->SetUKnots(kUKnots, 6);
    lEvaluator->SetVKnots(kVKnots, 4);
    lEvaluator->SetWeights(lWeights.data(), 6);
    lEvaluator->SetUSubdivisions(16);
    lEvaluator->SetVSubdivisions(2);
    lEvaluator->SetControlPoints(lPoints.data(), 3, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 17);
    ASSERT_EQ(lResult.mV, 3);
    for (int v = 0; v < 3; ++v) {
        for (int u = 0; u < 17; ++u) {
            const size_t lIndex = static_cast<size_t>(v * 17 + u);
            const KVector4& lPoint = lResult.mPoints[lIndex];
            const double t = SpanParameter(0, 1, 16, u);
            // Closed form of the rational quadratic arc.
            const double lB0 = (1 - t) * (1 - t);
            const double lB1 = 2 * t * (1 - t) * w;
            const double lB2 = t * t;
            const double lW = lB0 + lB1 + lB2;
            EXPECT_NEAR(lPoint[0], (lB0 + lB1) / lW, 1e-12);
            EXPECT_NEAR(lPoint[1], (lB1 + lB2) / lW, 1e-12);
            EXPECT_NEAR(std::hypot(lPoint[0], lPoint[1]), 1.0, 1e-12);
            EXPECT_NEAR(lPoint[2], 2.0 * SpanParameter(0, 1, 2, v), 1e-12);
            // The normal is radial.
            KVector4 lNormal = lResult.mNormals[lIndex];
            lNormal.Normalize();
            EXPECT_NEAR(std::fabs(lNormal[0] * lPoint[0] + lNormal[1] * lPoint[1]), 1.0, 1e-9);
            EXPECT_NEAR(lNormal[2], 0.0, 1e-9);
        }
    }
}

TEST(KRyvNurbsEvaluationTest, OrderFiveIsExact)
{
    // Orders above 4 use all their functions: a quartic Bezier curve across U.
    const double kKnots[10] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1};
    const double kLine[4] = {0, 0, 1, 1};
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 5; ++u) {
            lPoints.emplace_back(u, (u % 2) * 3.0 + u * u, v, 1.0);
        }
    }
    auto lEvaluator = KNurbEvaluator::CreateNurbEvaluator(5, 2);
    lEvaluator->SetUKnots(kKnots, 10);
    lEvaluator->SetVKnots(kLine, 4);
    lEvaluator->SetControlPoints(lPoints.data(), 5, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 5);
    for (int u = 0; u < 5; ++u) {
        const double t = SpanParameter(0, 1, 4, u);
        double lY = 0.0;
        for (int i = 0; i < 5; ++i) {
            lY += Bernstein(4, i, t) * lPoints[static_cast<size_t>(i)][1];
        }
        EXPECT_NEAR(lResult.mPoints[static_cast<size_t>(u)][1], lY, 1e-12);
    }
}

TEST(KRyvNurbsEvaluationTest, RepeatedKnotStartsTheSecondCellTwoPointsOn)
{
    const double kKnots[10] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 2};
    const double kLine[4] = {0, 0, 1, 1};
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 6; ++u) {
            lPoints.emplace_back(u, u * u, v, 1.0);
        }
    }
    auto lEvaluator = KNurbEvaluator::CreateNurbEvaluator(4, 2);
    lEvaluator->SetUKnots(kKnots, 10);
    lEvaluator->SetVKnots(kLine, 4);
    lEvaluator->SetControlPoints(lPoints.data(), 6, 2);
    const Sampled lBefore = Sample(*lEvaluator);
    ASSERT_TRUE(lBefore.mOk);
    ASSERT_EQ(lBefore.mU, 9);
    // Moving points 0 and 1 leaves the second span (samples 4 to 8) alone.
    lPoints[0] = KVector4(-5, 7, 0, 1);
    lPoints[1] = KVector4(9, -3, 0, 1);
    lEvaluator->SetControlPoints(lPoints.data(), 6, 2);
    const Sampled lAfter = Sample(*lEvaluator);
    ASSERT_TRUE(lAfter.mOk);
    EXPECT_NE(lBefore.mPoints[1], lAfter.mPoints[1]);
    for (int u = 4; u < 9; ++u) {
        EXPECT_EQ(lBefore.mPoints[static_cast<size_t>(u)], lAfter.mPoints[static_cast<size_t>(u)]);
    }
}

TEST(KRyvNurbsEvaluationTest, UnitWeightsMatchThePolynomialSum)
{
    const double kKnots[10] = {0, 0, 0, 0, 1, 2, 3, 3, 3, 3};
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 6; ++v) {
        for (int u = 0; u < 6; ++u) {
            lPoints.emplace_back(u + 0.1 * v, v, std::cos(u * v * 0.3), 1.0);
        }
    }
    const std::vector<double> lWeights(36, 1.0);
    auto lRational = KNurbEvaluator::CreateNurbEvaluator(4, 4);
    auto lPlain = KNurbEvaluator::CreateNurbEvaluator(4, 4);
    for (KNurbEvaluator* lEvaluator : {lRational.get(), lPlain.get()}) {
        lEvaluator->SetUKnots(kKnots, 10);
        lEvaluator->SetVKnots(kKnots, 10);
        lEvaluator->SetControlPoints(lPoints.data(), 6, 6);
    }
    lRational->SetWeights(lWeights.data(), 36);
    const Sampled lA = Sample(*lRational);
    const Sampled lB = Sample(*lPlain);
    ASSERT_TRUE(lA.mOk);
    ASSERT_TRUE(lB.mOk);
    ASSERT_EQ(lA.mPoints.size(), lB.mPoints.size());
    for (size_t i = 0; i < lA.mPoints.size(); ++i) {
        EXPECT_NEAR(lA.mPoints[i][2], lB.mPoints[i][2], 1e-12);
        EXPECT_NEAR(lA.mNormals[i][2], lB.mNormals[i][2], 1e-9);
    }
}

TEST(KRyvNurbsEvaluationTest, PeriodicUniformKnotsMatchTheClosedBSplinePatch)
{
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 6; ++u) {
            lPoints.emplace_back(std::cos(u), std::sin(u) * (1 + u), v, 1.0);
        }
    }
    std::vector<double> lKnots;
    for (int i = 0; i < 13; ++i) {
        lKnots.push_back(i);
    }
    const double kLine[4] = {0, 0, 1, 1};
    auto lNurb = KNurbEvaluator::CreateNurbEvaluator(4, 2);
    lNurb->SetUClosed(true);
    lNurb->SetUKnots(lKnots.data(), 13);
    lNurb->SetVKnots(kLine, 4);
    lNurb->SetControlPoints(lPoints.data(), 6, 2);
    auto lPatch = KSurfaceEvaluator::CreatePatchEvaluator(KSurfaceEvaluator::eBSpline,
                                                          KSurfaceEvaluator::eLinear);
    lPatch->SetUClosed(true);
    lPatch->SetControlPoints(lPoints.data(), 6, 2);
    const Sampled lA = Sample(*lNurb);
    const Sampled lB = Sample(*lPatch);
    ASSERT_TRUE(lA.mOk);
    ASSERT_TRUE(lB.mOk);
    ASSERT_EQ(lA.mU, 24);
    ASSERT_EQ(lB.mU, 24);
    for (int u = 0; u < 24; ++u) {
        EXPECT_NEAR(lA.mPoints[static_cast<size_t>(u)][0], lB.mPoints[static_cast<size_t>(u)][0],
                    1e-7);
        EXPECT_NEAR(lA.mPoints[static_cast<size_t>(u)][1], lB.mPoints[static_cast<size_t>(u)][1],
                    1e-7);
    }
}

TEST(KRyvNurbsEvaluationTest, BadInputIsRefused)
{
    const std::vector<KVector4> lPoints(16, KVector4(1, 2, 3, 1));
    const double kGood[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const double kDecreasing[8] = {0, 0, 0, 1, 0.5, 1, 1, 1};
    const double kFlat[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    const double kNotANumber[8] = {0, 0, 0, 0, std::nan(""), 1, 1, 1};
    std::vector<double> lWeights(16, 1.0);
    KVector4 lOut[64];

    auto lCheck = [&](int pOrder, const double* pUKnots, int pUCount, int pPoints,
                      const double* pWeights, int pExpected) {
        auto lEvaluator = KNurbEvaluator::CreateNurbEvaluator(pOrder, 4);
        lEvaluator->SetUKnots(pUKnots, pUCount);
        lEvaluator->SetVKnots(kGood, 8);
        lEvaluator->SetWeights(pWeights, 16);
        lEvaluator->SetControlPoints(lPoints.data(), pPoints, 4);
        lEvaluator->SetPointDestination(lOut);
        EXPECT_FALSE(lEvaluator->Evaluate());
        EXPECT_EQ(lEvaluator->GetError().GetLastErrorID(), pExpected);
    };
    lCheck(4, kDecreasing, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidKnots);
    lCheck(4, kFlat, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidKnots);
    lCheck(4, kNotANumber, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidKnots);
    lCheck(4, kGood, 7, 4, lWeights.data(), KSurfaceEvaluator::kInvalidKnots);
    lCheck(4, nullptr, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidKnots);
    lCheck(1, kGood, 5, 4, lWeights.data(), KSurfaceEvaluator::kInvalidOrder);
    lCheck(65, kGood, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidOrder);
    lCheck(4, kGood, 7, 3, lWeights.data(), KSurfaceEvaluator::kTooFewControlPoints);
    lWeights[5] = 0.0;
    lCheck(4, kGood, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidWeights);
    lWeights[5] = -1.0;
    lCheck(4, kGood, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidWeights);
    lWeights[5] = std::nan("");
    lCheck(4, kGood, 8, 4, lWeights.data(), KSurfaceEvaluator::kInvalidWeights);
}
