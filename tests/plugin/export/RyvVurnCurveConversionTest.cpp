#include "plugin/export/RyvVurnCurveConversion.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KRyvTakeNode.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "tests/plugin/export/ExportTestSupport.h"

namespace {
using TT = MFnAnimCurve::TangentType;

class RyvVurnCurveConversionTest : public ExportTest
{
protected:
    // A curve on a new transform's translateX with keys (time, value) of one tangent type.
    MFnAnimCurve Curve(const std::vector<std::pair<double, double>>& pKeys, TT pType)
    {
        const int lNode = VurnFixtures::Transform("n" + std::to_string(mCount++));
        MFnAnimCurve lCurve;
        lCurve.create(MFnDependencyNode(MObject::node(lNode)).findPlug("translateX"));
        for (const auto& lKey : pKeys) {
            lCurve.addKey(MTime(lKey.first), lKey.second, pType, pType);
        }
        return lCurve;
    }

    static KFCurve Convert(const MFnAnimCurve& pHost, double pFactor = 1.0, bool pResample = false)
    {
        KFCurve lCurve;
        ConvertAnimCurve(pHost, lCurve, pResample, pFactor, nullptr);
        return lCurve;
    }

    int mCount = 0;
};
} // namespace

TEST_F(RyvVurnCurveConversionTest, KeysByTangentType)
{
    const std::vector<std::pair<double, double>> lKeys = {{0.0, 1.0}, {10.0 / 30.0, 3.0}};
    KFCurve lLinear = Convert(Curve(lKeys, TT::kTangentLinear), 2.0);
    ASSERT_EQ(lLinear.GetKeyCount(), 2);
    EXPECT_EQ(lLinear.KeyGetInterpolation(0), KFCurveKey::kInterpolationLinear);
    EXPECT_FLOAT_EQ(lLinear.KeyGetValue(1), 6.0f);
    EXPECT_NEAR(lLinear.KeyGetTime(1).GetSecondDouble(), 10.0 / 30.0, 1e-9);

    KFCurve lFlat = Convert(Curve(lKeys, TT::kTangentFlat));
    EXPECT_EQ(lFlat.KeyGetInterpolation(0), KFCurveKey::kInterpolationCubic);
    EXPECT_EQ(lFlat.KeyGetTangentMode(0), KFCurveKey::kTangentUser);
    EXPECT_EQ(lFlat.GetKeyRightDerivative(0), 0.0);

    KFCurve lStep = Convert(Curve(lKeys, TT::kTangentStep));
    EXPECT_EQ(lStep.KeyGetInterpolation(0), KFCurveKey::kInterpolationConstant);
    EXPECT_EQ(lStep.GetKey(0)->GetConstantMode(), KFCurveKey::kConstantStandard);
    KTime lMiddle;
    lMiddle.SetSecondDouble(0.2);
    EXPECT_DOUBLE_EQ(lStep.Evaluate(lMiddle), 1.0);

    // Clamped keys are cubic with the host's slope, nearly equal ones too.
    KFCurve lClampedEqual = Convert(Curve({{0.0, 2.0}, {1.0, 2.0005}}, TT::kTangentClamped));
    EXPECT_EQ(lClampedEqual.KeyGetInterpolation(0), KFCurveKey::kInterpolationCubic);
    EXPECT_NEAR(lClampedEqual.GetKeyRightDerivative(0), 0.0005, 1e-7);
    KFCurve lClamped = Convert(Curve(lKeys, TT::kTangentClamped));
    EXPECT_EQ(lClamped.KeyGetInterpolation(0), KFCurveKey::kInterpolationCubic);
    EXPECT_NEAR(lClamped.GetKeyRightDerivative(0), 6.0, 1e-5);

    // Nothing to convert: the target keeps what it had.
    KFCurve lKept;
    lKept.KeyAdd(KTime(), 5.0f);
    MFnAnimCurve lEmpty = Curve({}, TT::kTangentLinear);
    ConvertAnimCurve(lEmpty, lKept, false, 1.0, nullptr);
    EXPECT_EQ(lKept.GetKeyCount(), 1);
}

TEST_F(RyvVurnCurveConversionTest, SlowAndFastTangentsAreResampled)
{
    KFCurve lSlow = Convert(Curve({{0.0, 0.0}, {1.0, 3.0}}, TT::kTangentSlow));
    // Frames 0 to 30 of a second at 30 frames per second.
    ASSERT_EQ(lSlow.GetKeyCount(), 31);
    EXPECT_EQ(lSlow.KeyGetTime(30), KTime(KTime::kTicksPerSecond));
    EXPECT_EQ(lSlow.KeyGetTangentMode(3), KFCurveKey::kTangentAuto);
    // A span within one period leaves the target alone.
    KFCurve lShort;
    lShort.KeyAdd(KTime(), 7.0f);
    ConvertAnimCurve(Curve({{0.0, 0.0}, {0.01, 3.0}}, TT::kTangentFast), lShort, false, 1.0,
                     nullptr);
    EXPECT_EQ(lShort.GetKeyCount(), 1);
    // A first key before time 0 starts the grid at the frame at or before it (floor division).
    KFCurve lNegative = Convert(Curve({{-0.05, 0.0}, {0.05, 3.0}}, TT::kTangentLinear), 1.0, true);
    ASSERT_GT(lNegative.GetKeyCount(), 0);
    EXPECT_EQ(lNegative.KeyGetTime(0), KTime(-2 * (KTime::kTicksPerSecond / 30)));
    EXPECT_LE(lNegative.KeyGetTime(lNegative.GetKeyCount() - 1).GetSecondDouble(),
              0.05 + 1.0 / 30.0);
    // The sampling rate option sets the period.
    GetOptionStore().SetDouble(kExportSamplingRate, 10.0);
    EXPECT_EQ(Convert(Curve({{0.0, 0.0}, {1.0, 3.0}}, TT::kTangentSlow)).GetKeyCount(), 11);
}

// A span of more periods than a resampling may set is cut at the cap, and the log says so.
TEST_F(RyvVurnCurveConversionTest, AResamplingCutAtItsCapIsLogged)
{
    GetOptionStore().SetDouble(kExportSamplingRate, 10000.0);
    const MFnAnimCurve lLong = Curve({{0.0, 0.0}, {101.0, 3.0}}, TT::kTangentSlow);
    const MFnAnimCurve lShort = Curve({{0.0, 0.0}, {1.0, 3.0}}, TT::kTangentSlow);
    KLog lLog("cut.txt", "cut", false, true);
    KFCurve lCut;
    ConvertAnimCurve(lLong, lCut, false, 1.0, &lLog);
    EXPECT_EQ(lCut.GetKeyCount(), kMaxResamples);
    ASSERT_EQ(lLog.GetLineCount(), 1);
    EXPECT_STREQ(lLog.GetLine(0).Buffer(),
                 ("RYV Export Warning: Resampling stopped at 1000000 keys; the rest of the curve "
                  "is left out: " +
                  std::string(lLong.name().asChar()))
                     .c_str());
    KFCurve lWhole;
    ConvertAnimCurve(lShort, lWhole, false, 1.0, &lLog);
    EXPECT_EQ(lWhole.GetKeyCount(), 10001);
    EXPECT_EQ(lLog.GetLineCount(), 1);
}

TEST_F(RyvVurnCurveConversionTest, WeightedFixedTangents)
{
    MFnAnimCurve lHost = Curve({{0.0, 0.0}, {0.6, 1.0}, {1.2, 0.0}}, TT::kTangentFlat);
    lHost.setIsWeighted(true);
    lHost.setTangent(0, 0.3, 0.0, false);
    lHost.setTangent(1, 0.6, 0.0, false);
    lHost.setTangent(2, 0.6, 0.0, true);
    KFCurve lCurve = Convert(lHost);
    ASSERT_EQ(lCurve.GetKeyCount(), 3);
    // x / (3 dt): 0.3 / 1.8 and 0.6 / 1.8; the last key's right weight is 0.33.
    EXPECT_NEAR(lCurve.GetKeyRightWeight(0), 1.0 / 6.0, 1e-3);
    EXPECT_NEAR(lCurve.GetKeyRightWeight(1), 1.0 / 3.0, 1e-3);
    EXPECT_NEAR(lCurve.GetKeyLeftWeight(2), 1.0 / 3.0, 1e-3);
    EXPECT_EQ(lCurve.KeyGetTangentMode(0) & KFCurveKey::kTangentUser, KFCurveKey::kTangentUser);
}

TEST_F(RyvVurnCurveConversionTest, ConstantKeyReductionKeepsTheEnds)
{
    const std::vector<std::pair<double, double>> lKeys = {
        {0.0, 4.0}, {0.5, 4.0}, {1.0, 4.0}, {1.5, 4.0}};
    EXPECT_EQ(Convert(Curve(lKeys, TT::kTangentLinear)).GetKeyCount(), 4);
    GetOptionStore().SetBool(kExportApplyCstKeyRed, true);
    KFCurve lReduced = Convert(Curve(lKeys, TT::kTangentLinear));
    ASSERT_EQ(lReduced.GetKeyCount(), 2);
    EXPECT_DOUBLE_EQ(lReduced.KeyGetTime(1).GetSecondDouble(), 1.5);
}

TEST_F(RyvVurnCurveConversionTest, MakeTakeCurrentAddsTheTakeOnce)
{
    RyvVurnObjectFactory lFactory(0);
    KRyvNode* lNode = lFactory.CreateNode("node", nullptr);
    MakeTakeCurrent(lNode, "Take 001");
    EXPECT_STREQ(lNode->GetCurrentTakeNodeName(), "Take 001");
    const int lCount = lNode->GetTakeNodeCount();
    lNode->SetCurrentTakeNode(0);
    MakeTakeCurrent(lNode, "Take 001");
    EXPECT_STREQ(lNode->GetCurrentTakeNodeName(), "Take 001");
    EXPECT_EQ(lNode->GetTakeNodeCount(), lCount);
}
