#include "scene/objects/KSurfaceEvaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using Basis = KSurfaceEvaluator::EBasis;

// Bernstein and uniform cubic B-spline weights written out independently of the matrices.
double Bernstein3(int pI, double pT)
{
    const double s = 1.0 - pT;
    const double lValues[4] = {s * s * s, 3.0 * pT * s * s, 3.0 * pT * pT * s, pT * pT * pT};
    return lValues[pI];
}

double BSpline3(int pI, double pT)
{
    const double s = 1.0 - pT;
    const double lValues[4] = {s * s * s / 6.0, (3.0 * pT * pT * pT - 6.0 * pT * pT + 4.0) / 6.0,
                               (-3.0 * pT * pT * pT + 3.0 * pT * pT + 3.0 * pT + 1.0) / 6.0,
                               pT * pT * pT / 6.0};
    return lValues[pI];
}

void ExpectPoint(const KVector4& pActual, double pX, double pY, double pZ,
                 double pTolerance = 1e-12)
{
    EXPECT_NEAR(pActual[0], pX, pTolerance);
    EXPECT_NEAR(pActual[1], pY, pTolerance);
    EXPECT_NEAR(pActual[2], pZ, pTolerance);
}

// Runs an evaluator over its own sample buffers.
struct Sampled
{
    std::vector<KVector4> mPoints;
    std::vector<KVector4> mNormals;
    int mU = 0;
    int mV = 0;
    bool mOk = false;
};

Sampled Sample(KSurfaceEvaluator& ioEvaluator, KSurfaceInfluenceTable* pTable = nullptr)
{
    Sampled lResult;
    lResult.mU = ioEvaluator.GetUSampleCount();
    lResult.mV = ioEvaluator.GetVSampleCount();
    lResult.mPoints.resize(static_cast<size_t>(lResult.mU * lResult.mV));
    lResult.mNormals.resize(lResult.mPoints.size());
    ioEvaluator.SetPointDestination(lResult.mPoints.data());
    ioEvaluator.SetNormalDestination(lResult.mNormals.data());
    lResult.mOk = ioEvaluator.Evaluate(pTable);
    return lResult;
}

int USamples(int pType, int pCount, bool pClosed, int pSubdivisions = 4)
{
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(pType, Basis::eLinear);
    lEvaluator->SetUClosed(pClosed);
    lEvaluator->SetUSubdivisions(pSubdivisions);
    lEvaluator->SetControlPoints(nullptr, pCount, 2);
    return lEvaluator->GetUSampleCount();
}

} // namespace

TEST(KSurfaceEvaluatorTest, BasesHaveTheirOrdersStepsAndUnitSums)
{
    const int kOrders[5] = {4, 3, 4, 4, 2};
    const int kSteps[5] = {3, 2, 1, 1, 1};
    for (int lType = 0; lType < 5; ++lType) {
        auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(lType, lType);
        EXPECT_EQ(lEvaluator->GetUOrder(), kOrders[lType]);
        EXPECT_EQ(lEvaluator->GetVStep(), kSteps[lType]);
        EXPECT_EQ(lEvaluator->GetUSubdivisions(), 4);
        const double* lM = lEvaluator->GetUMatrix();
        const double* lD = lEvaluator->GetUDerivativeMatrix();
        for (double t : {0.0, 0.3, 1.0}) {
            double lSum = 0.0;
            double lDerivativeSum = 0.0;
            for (int i = 0; i < 4; ++i) {
                lSum += ((lM[i * 4] * t + lM[i * 4 + 1]) * t + lM[i * 4 + 2]) * t + lM[i * 4 + 3];
                lDerivativeSum += (lD[i * 3] * t + lD[i * 3 + 1]) * t + lD[i * 3 + 2];
            }
            EXPECT_NEAR(lSum, 1.0, 1e-12) << "type " << lType;
            EXPECT_NEAR(lDerivativeSum, 0.0, 1e-12) << "type " << lType;
        }
    }
    // Bezier row 1 is (3, -6, 3, 0): its derivative row is (9, -12, 3).
    auto lBezier = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBezier, Basis::eBezier);
    EXPECT_DOUBLE_EQ(lBezier->GetUDerivativeMatrix()[3], 9.0);
    EXPECT_DOUBLE_EQ(lBezier->GetUDerivativeMatrix()[4], -12.0);
    EXPECT_DOUBLE_EQ(lBezier->GetUDerivativeMatrix()[5], 3.0);
    // An unknown type leaves the direction as it was.
    lBezier->SetUBasis(9);
    EXPECT_EQ(lBezier->GetUOrder(), 4);
    EXPECT_EQ(lBezier->GetUStep(), 3);
}

TEST(KSurfaceEvaluatorTest, CardinalTensionOneIsTheCardinalBasis)
{
    double lType2[16];
    double lTension1[16];
    KSurfaceEvaluator::GetBasisMatrix(Basis::eCardinal, lType2);
    KSurfaceEvaluator::GetCardinalMatrix(1.0, lTension1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_DOUBLE_EQ(lType2[i], lTension1[i]);
    }
    EXPECT_DOUBLE_EQ(lType2[4], 1.5);
    EXPECT_DOUBLE_EQ(lType2[5], -2.5);

    // A cardinal curve passes through its inner control points.
    KSurfaceEvaluator lEvaluator;
    lEvaluator.SetUTension(0.5);
    lEvaluator.SetVBasis(Basis::eLinear);
    EXPECT_DOUBLE_EQ(lEvaluator.GetUTension(), 0.5);
    EXPECT_EQ(lEvaluator.GetUOrder(), 4);
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 4; ++u) {
            lPoints.emplace_back(u * u, v, u * 2.0, 1.0);
        }
    }
    lEvaluator.SetControlPoints(lPoints.data(), 4, 2);
    const Sampled lResult = Sample(lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 5);
    ExpectPoint(lResult.mPoints[0], 1.0, 0.0, 2.0);
    ExpectPoint(lResult.mPoints[4], 4.0, 0.0, 4.0);
}

TEST(KSurfaceEvaluatorTest, SampleCounts)
{
    EXPECT_EQ(USamples(Basis::eBezier, 4, false), 13);
    EXPECT_EQ(USamples(Basis::eBezier, 7, false), 25);
    EXPECT_EQ(USamples(Basis::eBSpline, 4, false), 5);
    EXPECT_EQ(USamples(Basis::eBSpline, 6, true), 24);
    EXPECT_EQ(USamples(Basis::eLinear, 3, false), 9);
    EXPECT_EQ(USamples(Basis::eBezierQuadric, 5, false), 17);
    // Closed directions with a step above 1 take N / s spans, not (N - p) / s + p.
    EXPECT_EQ(USamples(Basis::eBezier, 6, true), 24);
    EXPECT_EQ(USamples(Basis::eBezierQuadric, 4, true), 16);
    // A step of 0 from a file means the default 4 subdivisions.
    EXPECT_EQ(USamples(Basis::eBezier, 4, false, 0), 13);
    EXPECT_EQ(USamples(Basis::eLinear, 2, false, -3), 5);
}

TEST(KSurfaceEvaluatorTest, UnsamplableDirectionsAreRefused)
{
    struct Case
    {
        int mType;
        int mCount;
        bool mClosed;
        int mError;
    };
    const Case kCases[] = {
        {Basis::eBezier, 2, false, KSurfaceEvaluator::kTooFewControlPoints},
        {Basis::eBezier, 0, false, KSurfaceEvaluator::kNoControlPoints},
        {Basis::eBSpline, 3, false, KSurfaceEvaluator::kTooFewControlPoints},
        {Basis::eBezier, 5, false, KSurfaceEvaluator::kCountNotMultipleOfStep},
        {Basis::eBezier, 6, false, KSurfaceEvaluator::kCountNotMultipleOfStep},
        {Basis::eBezier, 5, true, KSurfaceEvaluator::kCountNotMultipleOfStep},
        {Basis::eBezierQuadric, 4, false, KSurfaceEvaluator::kCountNotMultipleOfStep},
    };
    for (const Case& lCase : kCases) {
        auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(lCase.mType, Basis::eLinear);
        lEvaluator->SetUClosed(lCase.mClosed);
        std::vector<KVector4> lPoints(static_cast<size_t>(std::max(lCase.mCount, 1) * 2));
        lEvaluator->SetControlPoints(lPoints.data(), lCase.mCount, 2);
        EXPECT_EQ(lEvaluator->GetUSampleCount(), 0) << lCase.mType << " " << lCase.mCount;
        KVector4 lOut[4];
        lEvaluator->SetPointDestination(lOut);
        EXPECT_FALSE(lEvaluator->Evaluate());
        EXPECT_EQ(lEvaluator->GetError().GetLastErrorID(), lCase.mError);
    }

    // Too many samples: refused before anything is sized.
    auto lHuge = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBSpline, Basis::eLinear);
    lHuge->SetUSubdivisions(1024);
    lHuge->SetControlPoints(nullptr, 5000, 2);
    EXPECT_EQ(lHuge->GetUSampleCount(), 0);
    EXPECT_EQ(lHuge->GetError().GetLastErrorID(), KSurfaceEvaluator::kTooManySamples);

    // Both directions fine on their own but too many together.
    auto lWide = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eLinear, Basis::eLinear);
    lWide->SetUSubdivisions(1024);
    lWide->SetVSubdivisions(1024);
    std::vector<KVector4> lPoints(9);
    lWide->SetControlPoints(lPoints.data(), 3, 3);
    KVector4 lOut[1];
    lWide->SetPointDestination(lOut);
    EXPECT_FALSE(lWide->Evaluate());
    EXPECT_EQ(lWide->GetError().GetLastErrorID(), KSurfaceEvaluator::kTooManySamples);

    // No points or no destination.
    KSurfaceEvaluator lEmpty;
    EXPECT_FALSE(lEmpty.Evaluate());
    EXPECT_EQ(lEmpty.GetError().GetLastErrorID(), KSurfaceEvaluator::kNoControlPoints);
    lEmpty.SetControlPoints(lPoints.data(), 3, 3);
    EXPECT_FALSE(lEmpty.Evaluate());
    EXPECT_EQ(lEmpty.GetError().GetLastErrorID(), KSurfaceEvaluator::kNoDestination);
}

TEST(KSurfaceEvaluatorTest, BilinearPatchMatchesTheBilinearFormula)
{
    const KVector4 P00(0.0, 0.0, 0.0, 1.0);
    const KVector4 P10(2.0, 0.0, 1.0, 1.0);
    const KVector4 P01(0.0, 3.0, -1.0, 1.0);
    const KVector4 P11(2.0, 3.0, 4.0, 1.0);
    const std::vector<KVector4> lPoints = {P00, P10, P01, P11};
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eLinear, Basis::eLinear);
    lEvaluator->SetUSubdivisions(2);
    lEvaluator->SetVSubdivisions(4);
    lEvaluator->SetControlPoints(lPoints.data(), 2, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 3);
    ASSERT_EQ(lResult.mV, 5);
    for (int v = 0; v < 5; ++v) {
        for (int u = 0; u < 3; ++u) {
            const double s = u / 2.0;
            const double t = v / 4.0;
            KVector4 lExpected = P00 * ((1 - s) * (1 - t));
            lExpected += P10 * (s * (1 - t));
            lExpected += P01 * ((1 - s) * t);
            lExpected += P11 * (s * t);
            ExpectPoint(lResult.mPoints[static_cast<size_t>(v * 3 + u)], lExpected[0], lExpected[1],
                        lExpected[2]);
        }
    }
}

TEST(KSurfaceEvaluatorTest, PlaneNormalsAndTangentScale)
{
    // u along x (length 2), v along y (length 3): normal = Tv x Tu points down -z, and each
    // tangent carries 0.5 / (m x s).
    const std::vector<KVector4> lPoints = {{0, 0, 5, 1}, {2, 0, 5, 1}, {0, 3, 5, 1}, {2, 3, 5, 1}};
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eLinear, Basis::eLinear);
    lEvaluator->SetControlPoints(lPoints.data(), 2, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    for (const KVector4& lNormal : lResult.mNormals) {
        ExpectPoint(lNormal, 0.0, 0.0, -(2.0 * 0.5 / 4.0) * (3.0 * 0.5 / 4.0));
    }

    // A tilted bicubic plane: every normal is parallel to the plane's normal.
    std::vector<KVector4> lTilted;
    for (int v = 0; v < 4; ++v) {
        for (int u = 0; u < 4; ++u) {
            const double x = u + 0.3 * v * v;
            const double y = v + 0.2 * u;
            lTilted.emplace_back(x, y, 2.0 * x - y + 1.0, 1.0);
        }
    }
    auto lBezier = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBezier, Basis::eBezier);
    lBezier->SetControlPoints(lTilted.data(), 4, 4);
    const Sampled lBent = Sample(*lBezier);
    ASSERT_TRUE(lBent.mOk);
    const KVector4 lPlaneNormal(2.0, -1.0, -1.0);
    for (size_t i = 0; i < lBent.mNormals.size(); ++i) {
        const KVector4 lNormal = lBent.mNormals[i];
        ASSERT_GT(lNormal.Length(), 1e-9);
        EXPECT_LT(lNormal.CrossProduct(lPlaneNormal).Length(), 1e-9 * lNormal.Length());
        EXPECT_NEAR(lBent.mPoints[i][2], 2.0 * lBent.mPoints[i][0] - lBent.mPoints[i][1] + 1.0,
                    1e-12);
    }
}

TEST(KSurfaceEvaluatorTest, BicubicBezierCornersAndCentre)
{
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 4; ++v) {
        for (int u = 0; u < 4; ++u) {
            lPoints.emplace_back(u * 1.5, v * 0.5 + u * 0.1, std::sin(u + 2.0 * v), 1.0);
        }
    }
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBezier, Basis::eBezier);
    lEvaluator->SetUSubdivisions(2);
    lEvaluator->SetVSubdivisions(2);
    lEvaluator->SetControlPoints(lPoints.data(), 4, 4);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 7);
    ASSERT_EQ(lResult.mV, 7);
    auto lAt = [&](int u, int v) { return lResult.mPoints[static_cast<size_t>(v * 7 + u)]; };
    auto lControl = [&](int u, int v) { return lPoints[static_cast<size_t>(v * 4 + u)]; };
    for (int lCorner = 0; lCorner < 4; ++lCorner) {
        const int u = lCorner % 2 ? 3 : 0;
        const int v = lCorner / 2 ? 3 : 0;
        const KVector4 lExpected = lControl(u, v);
        ExpectPoint(lAt(u * 2, v * 2), lExpected[0], lExpected[1], lExpected[2]);
    }
    for (double s : {0.5, 1.0 / 3.0}) {
        const int lSample = s == 0.5 ? 3 : 2;
        KVector4 lExpected;
        for (int v = 0; v < 4; ++v) {
            for (int u = 0; u < 4; ++u) {
                lExpected += lControl(u, v) * (Bernstein3(u, s) * Bernstein3(v, s));
            }
        }
        ExpectPoint(lAt(lSample, lSample), lExpected[0], lExpected[1], lExpected[2]);
    }
}

TEST(KSurfaceEvaluatorTest, ClosedDirectionsWrapAround)
{
    // A closed uniform B-spline ring of 6 points (U) by a linear V.
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 6; ++u) {
            const double a = u * 3.14159265358979 / 3.0;
            lPoints.emplace_back(std::cos(a) * (1 + 0.1 * u), std::sin(a), v * 2.0, 1.0);
        }
    }
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBSpline, Basis::eLinear);
    lEvaluator->SetUClosed(true);
    lEvaluator->SetControlPoints(lPoints.data(), 6, 2);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 24);
    for (int k = 0; k < 24; ++k) {
        const int lSpan = k / 4;
        const double t = (k % 4) / 4.0;
        KVector4 lExpected;
        for (int i = 0; i < 4; ++i) {
            lExpected += lPoints[static_cast<size_t>((lSpan + i) % 6)] * BSpline3(i, t);
        }
        ExpectPoint(lResult.mPoints[static_cast<size_t>(k)], lExpected[0], lExpected[1], 0.0);
    }

    // A closed cubic Bezier of 6 points has two segments: 0-3 and 3-0.
    std::vector<KVector4> lBezierPoints;
    for (int v = 0; v < 2; ++v) {
        for (int u = 0; u < 6; ++u) {
            lBezierPoints.emplace_back(u, u * u, v, 1.0);
        }
    }
    auto lBezier = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBezier, Basis::eLinear);
    lBezier->SetUClosed(true);
    lBezier->SetControlPoints(lBezierPoints.data(), 6, 2);
    const Sampled lRing = Sample(*lBezier);
    ASSERT_TRUE(lRing.mOk);
    ASSERT_EQ(lRing.mU, 24);
    ExpectPoint(lRing.mPoints[0], 0.0, 0.0, 0.0);
    ExpectPoint(lRing.mPoints[12], 3.0, 9.0, 0.0);
    KVector4 lExpected;
    for (int i = 0; i < 4; ++i) {
        lExpected += lBezierPoints[static_cast<size_t>((3 + i) % 6)] * Bernstein3(i, 0.5);
    }
    ExpectPoint(lRing.mPoints[18], lExpected[0], lExpected[1], 0.0);
}

TEST(KSurfaceEvaluatorTest, CollapsedRowSharesOneNormal)
{
    // A cone: row 0 is the apex repeated, the other rows widen.
    std::vector<KVector4> lPoints;
    for (int v = 0; v < 4; ++v) {
        for (int u = 0; u < 4; ++u) {
            if (v == 0) {
                lPoints.emplace_back(0.0, 0.0, 3.0, 1.0);
            } else {
                lPoints.emplace_back(v * (u - 1.5), v * (0.5 * u * u - 1.0), 3.0 - v, 1.0);
            }
        }
    }
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eBezier, Basis::eBezier);
    lEvaluator->SetControlPoints(lPoints.data(), 4, 4);
    const Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    EXPECT_TRUE(lEvaluator->IsVStartCollapsed());
    EXPECT_FALSE(lEvaluator->IsVEndCollapsed());
    EXPECT_FALSE(lEvaluator->IsUStartCollapsed());
    EXPECT_FALSE(lEvaluator->IsUEndCollapsed());
    const KVector4 lFirst = lResult.mNormals[0];
    EXPECT_GT(lFirst.Length(), 1e-9);
    for (int u = 1; u < lResult.mU; ++u) {
        ExpectPoint(lResult.mNormals[static_cast<size_t>(u)], lFirst[0], lFirst[1], lFirst[2]);
    }
}

TEST(KSurfaceEvaluatorTest, ChangedSubdivisionsRebuildTheTables)
{
    const std::vector<KVector4> lPoints = {{0, 0, 0, 1}, {4, 0, 0, 1}, {0, 4, 0, 1}, {4, 4, 0, 1}};
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eLinear, Basis::eLinear);
    lEvaluator->SetControlPoints(lPoints.data(), 2, 2);
    Sampled lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ExpectPoint(lResult.mPoints[1], 1.0, 0.0, 0.0);
    lEvaluator->SetUSubdivisions(8);
    lResult = Sample(*lEvaluator);
    ASSERT_TRUE(lResult.mOk);
    ASSERT_EQ(lResult.mU, 9);
    ExpectPoint(lResult.mPoints[1], 0.5, 0.0, 0.0);
    ExpectPoint(lResult.mPoints[9 + 8], 4.0, 1.0, 0.0);
}

TEST(KSurfaceEvaluatorTest, InfluencesListTheCellWeights)
{
    const std::vector<KVector4> lPoints = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}};
    auto lEvaluator = KSurfaceEvaluator::CreatePatchEvaluator(Basis::eLinear, Basis::eLinear);
    lEvaluator->SetUSubdivisions(2);
    lEvaluator->SetVSubdivisions(2);
    lEvaluator->SetControlPoints(lPoints.data(), 2, 2);
    KSurfaceInfluenceTable lTable(4, 9);
    ASSERT_TRUE(Sample(*lEvaluator, &lTable).mOk);
    // The centre sample is influenced by all four points equally; a corner only by its own.
    ASSERT_EQ(lTable.GetCount(1, 4), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(lTable.Get(1, 4, i)->mWeight, 0.25);
    }
    ASSERT_EQ(lTable.GetCount(1, 0), 1);
    EXPECT_EQ(lTable.Get(1, 0, 0)->mSide0, 0);
    EXPECT_DOUBLE_EQ(lTable.Get(1, 0, 0)->mWeight, 1.0);
    // Control point 3 reaches the four samples of the upper right quarter.
    EXPECT_EQ(lTable.GetCount(0, 3), 4);
    EXPECT_EQ(lTable.Get(0, 9, 0), nullptr);
    EXPECT_EQ(lTable.GetCount(2, 0), 0);
}

TEST(KSurfaceEvaluatorTest, InfluenceTableNormalisesBothSides)
{
    KSurfaceInfluenceTable lTable(2, 2);
    lTable.Add(0, 0, 3.0);
    lTable.Add(1, 0, -1.0);
    lTable.Add(1, 1, 0.0);
    lTable.Add(5, 0, 1.0);
    EXPECT_EQ(lTable.GetCount(1, 0), 2);
    lTable.NormalizeSide(1);
    EXPECT_DOUBLE_EQ(lTable.Get(1, 0, 0)->mWeight, 0.75);
    EXPECT_DOUBLE_EQ(lTable.Get(0, 1, 0)->mWeight, 0.25);
    EXPECT_DOUBLE_EQ(lTable.Get(1, 1, 0)->mWeight, 0.0);
}
