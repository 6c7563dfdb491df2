// What a node that holds only defaults costs, as a wide file's reader makes it: a marker node
// under the root, with the file's take added and its curves looked at. Counted through the
// replaced operator new (AllocationCount), per node over many nodes, so that what the factory
// and the scene grow once does not count.
#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvMarker.h"
#include "tests/scene/AllocationCount.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr int kNodeCount = 200;
constexpr long long kKilobyte = 1024;

// A factory and scene, and the bytes per node a step leaves behind over kNodeCount nodes.
class WideScene
{
public:
    WideScene() : mScene(mFactory.CreateScene()) {}

    long long PerNode(const std::function<void(int, KRyvNode*&)>& pStep)
    {
        const long long lBefore = AllocationCount::HeldBytes();
        for (int i = 0; i < kNodeCount; ++i) {
            pStep(i, mNodes[i]);
        }
        return (AllocationCount::HeldBytes() - lBefore) / kNodeCount;
    }

    KRyvObjectFactory mFactory;
    KRyvScene* mScene;
    KRyvNode* mNodes[kNodeCount] = {};
};

long long BuildMarkers(WideScene& ioScene, bool pLookAtTake)
{
    return ioScene.PerNode([&](int pIndex, KRyvNode*& oNode) {
        oNode = ioScene.mFactory.CreateNode(("m" + std::to_string(pIndex)).c_str());
        KRyvMarker* lMarker = ioScene.mFactory.CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        oNode->SetNodeAttribute(lMarker);
        ioScene.mScene->GetRootNode()->AddChild(oNode);
        oNode->AddTakeNode("walk");
        if (pLookAtTake) {
            KRyvTakeNode* lTake = oNode->GetTakeNode(1);
            lTake->GetTransformTX();
            lTake->GetOcclusion();
        }
    });
}

TEST(KRyvNodeMemory, AMarkerWhoseTakesWaitCostsLessThanTwoAndAQuarterKilobytes)
{
    WideScene lScene;
    EXPECT_LE(BuildMarkers(lScene, false), 2 * kKilobyte + kKilobyte / 4);
    for (KRyvNode* lNode : lScene.mNodes) {
        EXPECT_TRUE(lNode->GetDefaultTakeNode()->IsContentDeferred());
    }
}

TEST(KRyvNodeMemory, AMarkerWithItsFilesTakeLookedAtCostsLessThanThreeAndAQuarterKilobytes)
{
    WideScene lScene;
    EXPECT_LE(BuildMarkers(lScene, true), 3 * kKilobyte + kKilobyte / 4);
    EXPECT_TRUE(lScene.mNodes[0]->GetDefaultTakeNode()->IsContentDeferred());
    // Rotation, scaling and visibility were not looked at.
    EXPECT_TRUE(lScene.mNodes[0]->GetTakeNode(1)->IsContentDeferred());
}

TEST(KRyvNodeMemory, AJointWithItsFilesTakeLookedAtCostsLessThanThreeAndAQuarterKilobytes)
{
    WideScene lScene;
    const long long lPerNode = lScene.PerNode([&](int pIndex, KRyvNode*& oNode) {
        oNode = lScene.mFactory.CreateNode(("j" + std::to_string(pIndex)).c_str());
        KRyvSkeleton* lSkeleton = lScene.mFactory.CreateSkeleton();
        lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
        oNode->SetNodeAttribute(lSkeleton);
        lScene.mScene->GetRootNode()->AddChild(oNode);
        oNode->AddTakeNode("walk");
        oNode->GetTakeNode(1)->GetTransformRX();
    });
    EXPECT_LE(lPerNode, 3 * kKilobyte + kKilobyte / 4);
}

// A file's frame count reserves room for its keys; a file that ends early leaves no such room
// behind in its curves.
TEST(KRyvNodeMemory, AKeySetEndedShortHoldsOnlyTheKeysItGot)
{
    constexpr int kPromised = 4000;
    const long long lBefore = AllocationCount::HeldBytes();
    KFCurve* lCurve = KFCurve::Create();
    ASSERT_TRUE(lCurve->BeginKeySet(kPromised));
    const KTime lTime;
    const float lValue = 2.5f;
    ASSERT_TRUE(lCurve->KeySetBatch(0, 1, &lTime, &lValue, KFCurveKey::kInterpolationLinear));
    ASSERT_TRUE(lCurve->EndKeySet(1));
    const long long lHeld = AllocationCount::HeldBytes() - lBefore;
    EXPECT_EQ(lCurve->GetKeyCount(), 1);
    EXPECT_FLOAT_EQ(lCurve->KeyGetValue(0), 2.5f);
    EXPECT_LE(lHeld, static_cast<long long>(sizeof(KFCurve) + sizeof(KFCurveKey)));
    KFCurve::Destroy(lCurve);
}

} // namespace
