#include "platform/vurn/MFnAnimCurve.h"

#include <gtest/gtest.h>

namespace {
using TT = MFnAnimCurve::TangentType;

struct KeySpec
{
    double mTime;
    double mValue;
    TT mIn;
    TT mOut;
};

// A curve on a transform's translateX with the given keys.
MFnAnimCurve MakeCurve(const std::vector<KeySpec>& pKeys)
{
    VurnScene::Reset();
    const int lNode = VurnScene::Get().CreateNode(MFn::kTransform, "t");
    MFnDependencyNode lNodeFn(MObject::node(lNode));
    MFnAnimCurve lCurve;
    lCurve.create(lNodeFn.findPlug("translateX"));
    for (const KeySpec& lKey : pKeys) {
        lCurve.addKey(MTime(lKey.mTime), lKey.mValue, lKey.mIn, lKey.mOut);
    }
    return lCurve;
}

struct EvaluationCase
{
    const char* mName;
    std::vector<KeySpec> mKeys;
    double mAt;
    double mExpected;
};
} // namespace

// Expected values by hand from the cubic Hermite basis at t = 0.5 (h00 = h01 = 0.5,
// h10 = 0.125, h11 = -0.125) and at t = 0.25 (h01 = 0.15625), one-second spans.
TEST(MFnAnimCurveTest, EvaluatesEveryTangentType)
{
    const EvaluationCase lCases[] = {
        {"linear",
         {{0, 0, TT::kTangentLinear, TT::kTangentLinear},
          {1, 10, TT::kTangentLinear, TT::kTangentLinear}},
         0.5,
         5.0},
        {"step",
         {{0, 0, TT::kTangentStep, TT::kTangentStep}, {1, 10, TT::kTangentStep, TT::kTangentStep}},
         0.9,
         0.0},
        {"flat",
         {{0, 0, TT::kTangentFlat, TT::kTangentFlat}, {1, 10, TT::kTangentFlat, TT::kTangentFlat}},
         0.25,
         1.5625},
        // Out slope 10 from the key itself to its next one, in slope 0 at the peak.
        {"smooth",
         {{0, 0, TT::kTangentSmooth, TT::kTangentSmooth},
          {1, 10, TT::kTangentSmooth, TT::kTangentSmooth},
          {2, 0, TT::kTangentSmooth, TT::kTangentSmooth}},
         0.5,
         6.25},
        {"slow as smooth",
         {{0, 0, TT::kTangentSlow, TT::kTangentSlow},
          {1, 10, TT::kTangentSlow, TT::kTangentSlow},
          {2, 0, TT::kTangentSlow, TT::kTangentSlow}},
         0.5,
         6.25},
        {"fast as smooth",
         {{0, 0, TT::kTangentFast, TT::kTangentFast},
          {1, 10, TT::kTangentFast, TT::kTangentFast},
          {2, 0, TT::kTangentFast, TT::kTangentFast}},
         0.5,
         6.25},
        // The middle key's neighbour holds its value: slope 0 (smooth would give 5: 4.375).
        {"clamped",
         {{0, 0, TT::kTangentFlat, TT::kTangentFlat},
          {1, 10, TT::kTangentClamped, TT::kTangentClamped},
          {2, 10, TT::kTangentClamped, TT::kTangentClamped}},
         0.5,
         5.0},
        {"smooth unclamped",
         {{0, 0, TT::kTangentFlat, TT::kTangentFlat},
          {1, 10, TT::kTangentSmooth, TT::kTangentSmooth},
          {2, 10, TT::kTangentSmooth, TT::kTangentSmooth}},
         0.5,
         4.375},
        {"before the first key",
         {{1, 3, TT::kTangentLinear, TT::kTangentLinear},
          {2, 5, TT::kTangentLinear, TT::kTangentLinear}},
         -4.0,
         3.0},
        {"after the last key",
         {{1, 3, TT::kTangentLinear, TT::kTangentLinear},
          {2, 5, TT::kTangentLinear, TT::kTangentLinear}},
         9.0,
         5.0},
    };
    for (const EvaluationCase& lCase : lCases) {
        const MFnAnimCurve lCurve = MakeCurve(lCase.mKeys);
        EXPECT_NEAR(lCurve.evaluate(MTime(lCase.mAt)), lCase.mExpected, 1e-12) << lCase.mName;
    }
}

TEST(MFnAnimCurveTest, FixedTangentsAreKeptInSecondsAndValueUnits)
{
    MFnAnimCurve lCurve = MakeCurve(
        {{0, 0, TT::kTangentFlat, TT::kTangentFlat}, {1, 10, TT::kTangentFlat, TT::kTangentFlat}});
    ASSERT_TRUE(lCurve.setTangent(0, 1.0 / 3.0, 1.0, false));
    EXPECT_EQ(lCurve.outTangentType(0), TT::kTangentFixed);
    // Out slope 3: 0.125 * 3 + 0.5 * 10.
    EXPECT_NEAR(lCurve.evaluate(MTime(0.5)), 5.375, 1e-12);
    double lX = 0.0;
    double lY = 0.0;
    ASSERT_TRUE(lCurve.getTangent(0, lX, lY, false));
    EXPECT_DOUBLE_EQ(lX, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(lY, 1.0);
}

TEST(MFnAnimCurveTest, ComputedTangentsAndKeyQueries)
{
    const MFnAnimCurve lCurve = MakeCurve({{2, 4, TT::kTangentLinear, TT::kTangentLinear},
                                           {0, 0, TT::kTangentLinear, TT::kTangentLinear}});
    ASSERT_EQ(lCurve.numKeys(), 2u);
    EXPECT_DOUBLE_EQ(lCurve.time(0).as(MTime::kSeconds), 0.0);
    EXPECT_DOUBLE_EQ(lCurve.time(1).as(MTime::kFilm), 48.0);
    float lX = 0.0f;
    float lY = 0.0f;
    ASSERT_TRUE(lCurve.getTangent(0, lX, lY, false));
    // x spans the interval: the weight x / (3 dt) of a computed tangent is the default 1/3.
    EXPECT_FLOAT_EQ(lX, 2.0f);
    EXPECT_FLOAT_EQ(lY / lX, 2.0f);
    MStatus lStatus;
    EXPECT_EQ(lCurve.value(2, &lStatus), 0.0);
    EXPECT_FALSE(lStatus);
    EXPECT_FALSE(lCurve.getTangent(5, lX, lY, true));
    EXPECT_TRUE(lCurve.tangentsLocked(1));
    EXPECT_FALSE(lCurve.isWeighted());
}

TEST(MFnAnimCurveTest, AttachesThroughTheDrivenPlugOnly)
{
    const MFnAnimCurve lCurve = MakeCurve({{0, 1, TT::kTangentLinear, TT::kTangentLinear}});
    MFnDependencyNode lNode(MObject::node(VurnScene::Get().FindNode("t")));
    MStatus lStatus;
    MFnAnimCurve lThrough(lNode.findPlug("translateX"), &lStatus);
    ASSERT_TRUE(lStatus);
    EXPECT_EQ(lThrough.object(), lCurve.object());
    MFnAnimCurve lNone(lNode.findPlug("translateY"), &lStatus);
    EXPECT_FALSE(lStatus);
    EXPECT_EQ(lNone.numKeys(), 0u);
    MFnAnimCurve lAgain;
    lAgain.create(lNode.findPlug("translateX"), &lStatus);
    EXPECT_FALSE(lStatus);
}

// Weighted: handles a third of each tangent from their keys, (0.5, 0.5) and (0.5, 1). At 0.5 s
// the Bezier's parameter is 0.5 by symmetry of the times: (0 + 3 * 0.5 + 3 * 1 + 1) / 8. The
// same tangents unweighted give the Hermite value 0.5 + 0.125 * 1 = 0.625.
TEST(MFnAnimCurveTest, WeightedTangentLengthsShapeTheSegment)
{
    MFnAnimCurve lCurve = MakeCurve(
        {{0, 0, TT::kTangentFlat, TT::kTangentFlat}, {1, 1, TT::kTangentFlat, TT::kTangentFlat}});
    ASSERT_TRUE(lCurve.setTangent(0, 1.5, 1.5, false));
    ASSERT_TRUE(lCurve.setTangent(1, 1.5, 0.0, true));
    EXPECT_NEAR(lCurve.evaluate(MTime(0.5)), 0.625, 1e-12);
    ASSERT_TRUE(lCurve.setIsWeighted(true));
    EXPECT_NEAR(lCurve.evaluate(MTime(0.5)), 0.6875, 1e-12);
}
