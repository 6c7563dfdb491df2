#include "animation/KRyvTakeNode.h"
#include "tests/plugin/export/ExportReadBack.h"
#include "tests/plugin/export/ExportTestSupport.h"

namespace {
using TT = MFnAnimCurve::TangentType;

constexpr double kRadiansToDegrees = 57.29577951308232;

struct KeySpec
{
    double mTime;
    double mValue;
    TT mIn;
    TT mOut;
};

// A host tangent set by hand (fixed), on one side of a key.
struct FixedSpec
{
    unsigned int mKey;
    double mX;
    double mY;
    bool mIn;
};

// A host attribute, the kit channel and component it becomes, and the factor from host to kit
// units.
struct ChannelSpec
{
    const char* mPlug;
    const char* mChannel;
    const char* mComponent;
    double mFactor;
};

const ChannelSpec kTX{"translateX", "T", "X", 1.0};
const ChannelSpec kTY{"translateY", "T", "Y", 1.0};
const ChannelSpec kTZ{"translateZ", "T", "Z", 1.0};
const ChannelSpec kRX{"rotateX", "R", "X", kRadiansToDegrees};
const ChannelSpec kRY{"rotateY", "R", "Y", kRadiansToDegrees};
const ChannelSpec kSX{"scaleX", "S", "X", 1.0};

// One animated channel of its own node, with its keys as a user of the host sets them.
struct CurveCase
{
    const char* mName;
    ChannelSpec mChannel;
    std::vector<KeySpec> mKeys;
    std::vector<FixedSpec> mFixed = {};
    bool mWeighted = false;
};

class RyvVurnKeyShapeTest : public ExportTest
{
protected:
    static int Build(const CurveCase& pCase)
    {
        const int lNode = VurnFixtures::Transform(pCase.mName);
        MFnAnimCurve lCurve;
        lCurve.create(MFnDependencyNode(MObject::node(lNode)).findPlug(pCase.mChannel.mPlug));
        for (const KeySpec& lKey : pCase.mKeys) {
            lCurve.addKey(MTime(lKey.mTime), lKey.mValue, lKey.mIn, lKey.mOut);
        }
        lCurve.setIsWeighted(pCase.mWeighted);
        for (const FixedSpec& lFixed : pCase.mFixed) {
            lCurve.setTangentsLocked(lFixed.mKey, false);
            lCurve.setTangent(lFixed.mKey, lFixed.mX, lFixed.mY, lFixed.mIn);
        }
        return lNode;
    }
};

KeySpec Same(double pTime, double pValue, TT pType)
{
    return {pTime, pValue, pType, pType};
}
} // namespace

// Every tangent type a key may carry, alone and mixed, exported with the default options: the
// curve read back from the file runs where the host's own evaluation runs, between keys too.
TEST_F(RyvVurnKeyShapeTest, CurvesReadBackEvaluateAsTheHostDoes)
{
    const TT kSmooth = TT::kTangentSmooth;
    const TT kLinear = TT::kTangentLinear;
    const TT kFlat = TT::kTangentFlat;
    const TT kStep = TT::kTangentStep;
    const TT kClamped = TT::kTangentClamped;
    const std::vector<CurveCase> lCases = {
        {"rise", kTX, {Same(0, 0, kSmooth), Same(0.5, 1, kSmooth), Same(1, 4, kSmooth)}},
        {"swing",
         kRY,
         {Same(0, 0, kSmooth), Same(0.4, 3, kSmooth), Same(0.9, 1, kSmooth),
          Same(1.5, 2, kSmooth)}},
        {"global",
         kTY,
         {Same(0, 2, TT::kTangentGlobal), Same(0.7, -1, TT::kTangentGlobal),
          Same(1.6, 3, TT::kTangentGlobal)}},
        {"straight", kTZ, {Same(0, 1, kLinear), Same(0.6, 3, kLinear), Same(1.8, 0, kLinear)}},
        {"mixed",
         kTX,
         {{0, 0, kLinear, kLinear},
          {0.5, 2, kSmooth, kFlat},
          {1, 1, kLinear, kSmooth},
          {1.5, 3, kFlat, kLinear},
          {1.9, 0, kSmooth, kSmooth}}},
        {"steps",
         kTX,
         {Same(0, 1, kStep),
          {0.6, 3, kSmooth, kStep},
          Same(1.2, 0, kSmooth),
          Same(1.8, 2, kSmooth)}},
        {"plateau",
         kTX,
         {Same(0, 0, kClamped), Same(0.5, 2, kClamped), Same(1, 2, kClamped),
          Same(1.5, 5, kClamped)}},
        {"near plateau",
         kTZ,
         {Same(0, 0, kClamped), Same(0.5, 2, kClamped), Same(1, 2.0005, kClamped),
          Same(1.5, 5, kClamped)}},
        {"flat", kSX, {Same(0, 1, kFlat), Same(0.8, 3, kFlat), Same(1.6, 2, kFlat)}},
        {"fast out",
         kTX,
         {{0, 0, kSmooth, TT::kTangentFast}, Same(1, 4, kSmooth), Same(2, 1, kSmooth)}},
        {"fixed",
         kRX,
         {Same(0, 0, kSmooth), Same(0.75, 1, kSmooth), Same(1.5, 0.5, kSmooth)},
         {{0, 0.25, 1.5, false}, {1, 0.75, -0.5, true}, {1, 0.75, 2.0, false}}},
        {"weighted",
         kTY,
         {Same(0, 0, kSmooth), Same(1, 1, kSmooth), Same(1.8, 0.5, kSmooth)},
         {{0, 1.5, 1.5, false}, {1, 1.5, 0.0, true}},
         true},
    };
    std::vector<int> lNodes;
    for (const CurveCase& lCase : lCases) {
        lNodes.push_back(Build(lCase));
    }
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "keys.ryv");
    ASSERT_NE(lScene, nullptr);
    for (size_t lIndex = 0; lIndex < lCases.size(); ++lIndex) {
        const CurveCase& lCase = lCases[lIndex];
        SCOPED_TRACE(lCase.mName);
        KRyvNode* lNode = Find(lScene->GetRootNode(), lCase.mName);
        ASSERT_NE(lNode, nullptr);
        ASSERT_TRUE(lNode->SetCurrentTakeNode(RyvVurnExporter::kTakeName));
        const ChannelSpec& lChannel = lCase.mChannel;
        ExpectSameCurve(lNode->GetCurrentTakeNode()->GetCurve("Transform", lChannel.mChannel,
                                                              lChannel.mComponent),
                        lNodes[lIndex], lChannel.mPlug, lChannel.mFactor);
    }
}
