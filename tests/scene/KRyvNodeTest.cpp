#include "scene/KRyvNode.h"
#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvNodeIndexPath.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// An attribute of any type, for binding tests.
class TestAttribute : public KRyvNodeAttribute
{
public:
    explicit TestAttribute(int pType) : KRyvNodeAttribute(nullptr), mType(pType) {}
    int GetAttributeType() const override { return mType; }
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override { mAdded.push_back(pTake); }
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override { mRemoved.push_back(pTake); }
    KString GetTypeName() const override { return KString("Test"); }

    std::vector<KRyvTakeNode*> mAdded;
    std::vector<KRyvTakeNode*> mRemoved;

private:
    int mType;
};

// Stands for a character or control set: four tables of node pointers, one per back-reference
// kind (kind 3 two-dimensional).
class TestReferrer : public KRyvNodeReferrer
{
public:
    void Point(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex = 0)
    {
        Slot(pKind, pIndex, pSubIndex) = pNode;
        pNode->AddBackReference(this, pKind, pIndex, pSubIndex);
    }
    void ClearNodeReference(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex) override
    {
        EXPECT_EQ(Slot(pKind, pIndex, pSubIndex), pNode);
        Slot(pKind, pIndex, pSubIndex) = nullptr;
    }
    KRyvNode*& Slot(int pKind, int pIndex, int pSubIndex)
    {
        return pKind == 3 ? mTable3[pIndex][pSubIndex] : mTables[pKind][pIndex];
    }

    KRyvNode* mTables[3][4] = {};
    KRyvNode* mTable3[4][4] = {};
};

KFCurve* Curve(KRyvTakeNode* pTake, const char* pA, const char* pB = nullptr,
               const char* pC = nullptr)
{
    return pTake->GetCurve(pA, pB, pC);
}

// Owns the nodes of a test, made without a factory; Destroy deletes one early.
class KRyvNodeTest : public ::testing::Test
{
protected:
    KRyvNode* Node(const char* pName, KRyvNode* pParent = nullptr)
    {
        mNodes.push_back(std::make_unique<KRyvNode>(nullptr, pName));
        if (pParent) {
            EXPECT_TRUE(pParent->AddChild(mNodes.back().get()));
        }
        return mNodes.back().get();
    }
    void Destroy(KRyvNode* pNode)
    {
        for (auto& lNode : mNodes) {
            if (lNode.get() == pNode) {
                lNode.reset();
            }
        }
    }

    std::vector<std::unique_ptr<KRyvNode>> mNodes;
};

} // namespace

TEST_F(KRyvNodeTest, NewNodeState)
{
    KRyvNode* lNode = Node("Cube");
    EXPECT_EQ(lNode->GetName(), "Model::Cube");
    EXPECT_EQ(lNode->GetInitialName(), "Cube");
    ASSERT_EQ(lNode->GetTakeNodeCount(), 1);
    EXPECT_STREQ(lNode->GetTakeNodeName(0), "Default");
    EXPECT_EQ(lNode->GetChild(0), nullptr);
    EXPECT_EQ(lNode->GetShadingMode(), 3);
    EXPECT_TRUE(lNode->GetMultiTake());
    EXPECT_EQ(lNode->GetTypeName(), "Null");
    ASSERT_EQ(lNode->GetTypeFlags().GetCount(), 1);
    EXPECT_EQ(lNode->GetTypeFlags().GetText(0), "Null");
    EXPECT_EQ(lNode->GetWorkMatrixStamp(), -1);
    EXPECT_EQ(lNode->GetLimits().GetNode(), lNode);
    // Take errors of the container land on the node's table object.
    EXPECT_EQ(lNode->GetTakeNode(5), nullptr);
    EXPECT_EQ(lNode->GetError().GetLastErrorString(), "Take node does not exist");

    bool lShow = false;
    EXPECT_TRUE(lNode->GetVisibility());
    lNode->SetVisibility(false);
    EXPECT_FALSE(lNode->GetVisibility());
    ASSERT_TRUE(lNode->GetProperties()->FindProperty("Show")->GetValue(lShow));
    EXPECT_FALSE(lShow);
    lNode->SetVisibility(true);
    EXPECT_TRUE(lNode->GetVisibility());

    lNode->AddChildName("Model::B");
    lNode->AddChildName(nullptr);
    EXPECT_EQ(lNode->GetChildNameCount(), 2);
    EXPECT_STREQ(lNode->GetChildNameAt(1), "");
    EXPECT_EQ(lNode->GetChildNameAt(2), nullptr);
    EXPECT_EQ(lNode->GetChildNameAt(-1), nullptr);
}

TEST_F(KRyvNodeTest, InitTakeNodeBuildsTransformAndVisibilityChannels)
{
    KRyvNode* lNode = Node("A");
    KFCurveNode* lRoot = lNode->GetDefaultTakeNode()->GetKFCurveNode();
    ASSERT_GE(lRoot->GetCount(), 2);
    EXPECT_STREQ(lRoot->Get(0)->GetName(), "Transform");
    EXPECT_STREQ(lRoot->Get(1)->GetName(), "Visibility");
    KFCurveNode* lTransform = lRoot->Get(0);
    ASSERT_EQ(lTransform->GetCount(), 3);
    const char* const lKinds[3] = {"T", "R", "S"};
    const char* const lTypes[3] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling"};
    const char* const lAxes[3] = {"X", "Y", "Z"};
    for (int k = 0; k < 3; ++k) {
        KFCurveNode* lChannel = lTransform->Get(k);
        EXPECT_STREQ(lChannel->GetName(), lKinds[k]);
        EXPECT_EQ(lChannel->GetDataType(), FindDataType(lTypes[k]));
        EXPECT_EQ(lChannel->GetKind(), 1);
        ASSERT_EQ(lChannel->GetCount(), 3);
        for (int a = 0; a < 3; ++a) {
            KFCurveNode* lAxis = lChannel->Get(a);
            EXPECT_STREQ(lAxis->GetName(), lAxes[a]);
            ASSERT_NE(lAxis->GetCurve(), nullptr);
            const float* lColor = lAxis->GetCurve()->GetColor();
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(lColor[c], c == a ? 1.0f : 0.0f);
            }
            EXPECT_EQ(lAxis->GetCurve()->GetDefaultValue(), k == 2 ? 1.0 : 0.0);
        }
    }
    KFCurve* lVisibility = lRoot->Get(1)->GetCurve();
    ASSERT_NE(lVisibility, nullptr);
    EXPECT_EQ(lRoot->Get(1)->GetDataType(), FindDataType("Visibility"));
    EXPECT_EQ(lVisibility->GetDefaultValue(), 1.0);
    EXPECT_EQ(lVisibility->GetColor()[0], 0.75f);
    EXPECT_EQ(lVisibility->GetColor()[1], 0.0f);
    // Ten curves linked, all in take 0.
    EXPECT_EQ(lNode->GetPropertyCurveLinkCount(), 10);
}

TEST_F(KRyvNodeTest, DefaultTakeCurvesFlowIntoThePropertiesOtherTakesDoNot)
{
    KRyvNode* lNode = Node("A");
    KRyvTakeNode* lOther = lNode->AddTakeNode("Walk");
    ASSERT_NE(lOther, nullptr);
    EXPECT_EQ(lNode->GetPropertyCurveLinkCount(), 10);
    Curve(lOther, "Transform", "T", "X")->SetDefaultValue(7.0f);
    KVector4 lValue;
    EXPECT_EQ(lNode->GetLclTranslation(lValue)[0], 0.0);
    KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
    Curve(lTake, "Transform", "T", "X")->SetDefaultValue(2.5f);
    EXPECT_EQ(lNode->GetLclTranslation(lValue)[0], 2.5);
    Curve(lTake, "Visibility")->SetDefaultValue(0.0f);
    EXPECT_FALSE(lNode->GetVisibility());

    // The "Lcl" setters write take 0's defaults in single precision.
    lNode->SetLclTranslation(KVector4(0.1, 2.0, -3.0));
    lNode->SetLclRotation(KVector4(10.0, 20.0, 30.0));
    lNode->SetLclScaling(KVector4(2.0, 2.0, 0.5));
    EXPECT_EQ(Curve(lTake, "Transform", "T", "X")->GetDefaultValue(), static_cast<double>(0.1f));
    EXPECT_EQ(Curve(lTake, "Transform", "R", "Z")->GetDefaultValue(), 30.0);
    EXPECT_EQ(Curve(lTake, "Transform", "S", "Z")->GetDefaultValue(), 0.5);
    lNode->GetLclTranslation(lValue);
    EXPECT_NEAR(lValue[0], 0.1, 1e-6);
    EXPECT_EQ(lValue[2], -3.0);
    EXPECT_EQ(lNode->GetLclRotation(lValue)[1], 20.0);
    EXPECT_EQ(lNode->GetLclScaling(lValue)[2], 0.5);
}

TEST_F(KRyvNodeTest, UserPropertyRecordsOnePerBlockProperty)
{
    KRyvNode* lNode = Node("A");
    KObject* lBlock = lNode->GetProperties();
    EXPECT_EQ(lNode->GetUserPropertyCount(), lBlock->GetPropertyCount());
    for (int i = 0; i < lBlock->GetPropertyCount(); ++i) {
        KRyvUserProperty* lUser = lNode->FindUserProperty(lBlock->GetProperty(i));
        ASSERT_NE(lUser, nullptr) << i;
        EXPECT_EQ(lNode->GetUserProperty(i), lUser);
        EXPECT_EQ(lUser->GetNotifyTarget(), lNode->GetNodeProperties());
    }
    // Running it again adds nothing.
    lNode->CreateUserPropertyRecords();
    EXPECT_EQ(lNode->GetUserPropertyCount(), lBlock->GetPropertyCount());
    std::vector<KProperty*> lProperties;
    lNode->GetUserProperties(lProperties);
    EXPECT_EQ(static_cast<int>(lProperties.size()), lBlock->GetPropertyCount());
}

TEST_F(KRyvNodeTest, UnboundUserPropertyGetsAndLosesItsBlockProperty)
{
    KRyvUserProperty lWeight(nullptr, "Weight", "Real", "Weight");
    KRyvNode* lNode = Node("A");
    lNode->AddUserProperty(&lWeight);
    KProperty* lProperty = lNode->GetProperties()->FindProperty("Weight");
    ASSERT_NE(lProperty, nullptr);
    EXPECT_EQ(lProperty->GetPropertyType(), 4);
    lNode->OnUserPropertyRemoved(&lWeight);
    EXPECT_EQ(lNode->GetProperties()->FindProperty("Weight"), nullptr);

    // A user property named like a channel never takes the channel's property away.
    for (const char* lName : {"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility"}) {
        KRyvUserProperty lChannel(nullptr, lName, "Vector", nullptr);
        lNode->OnUserPropertyRemoved(&lChannel);
        EXPECT_NE(lNode->GetProperties()->FindProperty(lName), nullptr) << lName;
    }
}

TEST_F(KRyvNodeTest, AnimatableUserPropertyIsBoundAndLinkedToTheDefaultTake)
{
    // Made first so that it outlives the node that lists it.
    KRyvUserProperty lAim(nullptr, "Aim", "Vector", "Aim");
    lAim.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    KRyvNode* lNode = Node("A");
    lNode->AddTakeNode("Take1");
    lNode->AddUserProperty(&lAim);
    ASSERT_TRUE(lAim.IsBound());
    EXPECT_EQ(lAim.GetProperty(), lNode->GetProperties()->FindProperty("Aim"));
    EXPECT_TRUE(lAim.GetProperty()->IsAnimatable());

    // Values written through the user property reach the default take's curves.
    EXPECT_TRUE(lAim.SetValue(1.0, 2.0, 3.0));
    KFCurveNode* lChannel = lNode->GetTakeNode(0)->GetKFCurveNode()->FindChild("Aim");
    ASSERT_NE(lChannel, nullptr);
    EXPECT_DOUBLE_EQ(lChannel->FindChild("Y")->GetCurve()->GetDefaultValue(), 2.0);
    // Every take has the channel, and only the default take's curves write back.
    KFCurveNode* lOther = lNode->GetTakeNode(1)->GetKFCurveNode()->FindChild("Aim");
    ASSERT_NE(lOther, nullptr);
    lChannel->FindChild("Z")->GetCurve()->SetDefaultValue(7.5f);
    lOther->FindChild("Z")->GetCurve()->SetDefaultValue(9.0f);
    double lX = 0, lY = 0, lZ = 0;
    EXPECT_TRUE(lAim.GetValue(lX, lY, lZ));
    EXPECT_DOUBLE_EQ(lZ, 7.5);
}

TEST_F(KRyvNodeTest, HierarchyEdits)
{
    KRyvNode* lA = Node("A");
    KRyvNode* lB = Node("B", lA);
    KRyvNode* lC = Node("C", lA);
    EXPECT_FALSE(lA->AddChild(nullptr));
    EXPECT_EQ(lA->GetChildCount(), 2);
    EXPECT_EQ(lA->GetChild(1), lC);
    EXPECT_EQ(lA->GetChild(2), nullptr);
    EXPECT_EQ(lA->GetChild(-1), nullptr);
    EXPECT_EQ(lB->GetParent(), lA);

    // Re-parenting moves the child.
    ASSERT_TRUE(lB->AddChild(lC));
    EXPECT_EQ(lA->GetChildCount(), 1);
    EXPECT_EQ(lC->GetParent(), lB);

    EXPECT_EQ(lA->RemoveChild(lC), nullptr);
    EXPECT_EQ(lA->GetError().GetLastErrorString(), "Target node is not a child of this object");
    EXPECT_EQ(lA->RemoveChild(nullptr), nullptr);
    EXPECT_EQ(lB->RemoveChild(lC), lC);
    EXPECT_EQ(lC->GetParent(), nullptr);
    EXPECT_EQ(lB->GetChildCount(), 0);
}

// The cycle check walks up from the parent and down the child's subtree in turn: a cycle is
// found whichever walk is the shorter, in chains built from the top and from the foot, with
// branches beside the line, and a node of another tree is taken.
TEST_F(KRyvNodeTest, CyclesAreFoundWhicheverWayTheChainGrew)
{
    constexpr int kLength = 40;
    std::vector<KRyvNode*> lFromTop{Node("T0")};
    std::vector<KRyvNode*> lFromFoot{Node("F0")};
    for (int i = 1; i < kLength; ++i) {
        lFromTop.push_back(Node("T", lFromTop.back()));
        Node("TBranch", lFromTop[static_cast<std::size_t>(i / 2)]);
        KRyvNode* lTop = Node("F");
        ASSERT_TRUE(lTop->AddChild(lFromFoot.back()));
        Node("FBranch", lFromFoot.back());
        lFromFoot.push_back(lTop);
    }
    for (const std::vector<KRyvNode*>* lChain : {&lFromTop, &lFromFoot}) {
        const std::vector<KRyvNode*>& lNodes = *lChain;
        for (std::size_t lUpper = 0; lUpper < lNodes.size(); lUpper += 7) {
            for (std::size_t lLower = lUpper; lLower < lNodes.size(); lLower += 5) {
                // The chain from the foot has its first node at the bottom.
                KRyvNode* lAbove = lChain == &lFromTop ? lNodes[lUpper] : lNodes[lLower];
                KRyvNode* lBelow = lChain == &lFromTop ? lNodes[lLower] : lNodes[lUpper];
                EXPECT_FALSE(lBelow->AddChild(lAbove)) << lUpper << ' ' << lLower;
                EXPECT_EQ(lBelow->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
            }
        }
    }
    EXPECT_EQ(lFromTop.front()->GetParent(), nullptr);
    EXPECT_EQ(lFromFoot.back()->GetParent(), nullptr);
    EXPECT_TRUE(lFromTop.back()->AddChild(lFromFoot.back()));
    EXPECT_FALSE(lFromFoot.front()->AddChild(lFromTop.front()));
    EXPECT_EQ(lFromTop.front()->GetParent(), nullptr);
}

TEST_F(KRyvNodeTest, CyclesAreRefusedAndChangeNothing)
{
    KRyvNode* lRoot = Node("Root");
    KRyvNode* lA = Node("A", lRoot);
    KRyvNode* lC = Node("C", Node("B", lA));
    EXPECT_FALSE(lA->AddChild(lA));
    EXPECT_EQ(lA->GetError().GetLastErrorString(),
              "Operation with a target of the entity would generate a cyclic graph");
    EXPECT_FALSE(lC->AddChild(lA));
    EXPECT_EQ(lC->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
    EXPECT_EQ(lA->GetParent(), lRoot);
    EXPECT_EQ(lRoot->GetChildCount(), 1);

    // The hook refuses a direct block connection that closes a cycle too.
    EXPECT_FALSE(lC->GetNodeProperties()->ConnectSrc(lRoot->GetNodeProperties()));
    EXPECT_EQ(lRoot->GetParent(), nullptr);
    EXPECT_FALSE(lC->GetNodeProperties()->ConnectSrc(lC->GetNodeProperties()));
    EXPECT_EQ(lC->GetChildCount(), 0);
}

TEST_F(KRyvNodeTest, FindChildByNameAndInitialName)
{
    KRyvNode* lRoot = Node("Root");
    KRyvNode* lCube = Node("Cube", lRoot);
    KRyvNode* lPrefixed = Node("Model::Sphere", lRoot);
    KRyvNode* lGrand = Node("Grand", lCube);
    EXPECT_EQ(lRoot->FindChild("Model::Sphere"), lPrefixed);
    EXPECT_EQ(lRoot->FindChild("Cube"), lCube);
    EXPECT_EQ(lRoot->FindChild("Other::Cube"), lCube);
    EXPECT_EQ(lRoot->FindChild("Grand", false), nullptr);
    EXPECT_EQ(lRoot->FindChild("Grand", true), lGrand);
    EXPECT_EQ(lRoot->FindChild("Cube", false, true), nullptr);
    EXPECT_EQ(lRoot->FindChild("Sphere", false, true), lPrefixed);
    EXPECT_EQ(lRoot->FindChild(nullptr), nullptr);
}

TEST_F(KRyvNodeTest, LookAtTargetsAreNotHierarchy)
{
    KRyvSceneEntity lScene;
    KRyvNode* lRoot = Node("Root");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    KRyvNode* lCamera = Node("Camera", lRoot);
    KRyvNode* lTarget = Node("Target", lRoot);
    lCamera->SetLookAtTarget(lTarget);
    lCamera->SetLookAtTarget(lTarget);
    EXPECT_EQ(lCamera->GetLookAtTarget(), lTarget);
    EXPECT_EQ(lCamera->GetProperties()->FindProperty("LookAtProperty")->GetSrcCount(), 1);
    lCamera->SetUpVectorTarget(lRoot);
    EXPECT_EQ(lCamera->GetUpVectorTarget(), lRoot);
    lCamera->SetLookAtTarget(nullptr);
    EXPECT_EQ(lCamera->GetLookAtTarget(), lTarget);
    EXPECT_EQ(lCamera->GetChildCount(), 0);
    EXPECT_EQ(lTarget->GetParent(), lRoot);
    EXPECT_EQ(lScene.GetNodeCount(), 3);

    KVector4 lRead(9.0, 9.0, 9.0, 9.0);
    EXPECT_EQ(lCamera->GetPostTargetRotation(lRead), KVector4());
    lCamera->SetPostTargetRotation(KVector4(1.0, 2.0, 3.0));
    EXPECT_EQ(lCamera->GetPostTargetRotation(lRead)[2], 3.0);
    // Each rotation keeps its own value.
    EXPECT_EQ(lCamera->GetUpTargetRotation(lRead), KVector4());
    lCamera->SetUpTargetRotation(KVector4(4.0, 5.0, 6.0));
    EXPECT_EQ(lCamera->GetUpTargetRotation(lRead)[0], 4.0);
    EXPECT_EQ(lCamera->GetPostTargetRotation(lRead), KVector4(1.0, 2.0, 3.0));

    // The target dies first: the look-at connection goes with it.
    Destroy(lTarget);
    EXPECT_EQ(lCamera->GetLookAtTarget(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 2);
}

TEST_F(KRyvNodeTest, BackReferencesAreFoundRemovedAndClearedOnDestruction)
{
    TestReferrer lCharacter;
    KRyvNode* lNode = Node("Hips");
    KRyvNode* lOther = Node("Spine");
    lCharacter.Point(lNode, 0, 1);
    lCharacter.Point(lNode, 1, 2);
    lCharacter.Point(lNode, 2, 3);
    lCharacter.Point(lNode, 3, 1, 2);
    lCharacter.Point(lOther, 0, 0);
    EXPECT_EQ(lNode->GetBackReferenceCount(), 4);
    EXPECT_EQ(lNode->FindBackReference(&lCharacter, 3, 1, 2), 3);
    EXPECT_EQ(lNode->FindBackReference(&lCharacter, 3, 1, 3), -1);
    EXPECT_EQ(lNode->FindBackReference(nullptr, 0, 1, 0), -1);
    EXPECT_EQ(lNode->RemoveBackReference(&lCharacter, 9, 9, 9), -1);

    Destroy(lNode);
    EXPECT_EQ(lCharacter.mTables[0][1], nullptr);
    EXPECT_EQ(lCharacter.mTables[1][2], nullptr);
    EXPECT_EQ(lCharacter.mTables[2][3], nullptr);
    EXPECT_EQ(lCharacter.mTable3[1][2], nullptr);
    EXPECT_EQ(lCharacter.mTables[0][0], lOther);
    EXPECT_EQ(lOther->RemoveBackReference(&lCharacter, 0, 0, 0), 0);
    EXPECT_EQ(lOther->GetBackReferenceCount(), 0);
}

TEST_F(KRyvNodeTest, MarksAndIndexPath)
{
    KRyvNode* lRoot = Node("Root");
    KRyvNode* lA = Node("A", lRoot);
    KRyvNode* lB = Node("B", lA);
    KRyvNode* lC = Node("C", lA);
    KRyvNode* lD = Node("D", lC);
    EXPECT_FALSE(lRoot->IsMarked(true));
    lD->SetMarked(true);
    EXPECT_FALSE(lRoot->IsMarked(false));
    EXPECT_TRUE(lRoot->IsMarked(true));
    EXPECT_FALSE(lB->IsMarked(true));
    lRoot->SetMarked(false, true);
    EXPECT_FALSE(lRoot->IsMarked(true));
    lA->SetMarked(true, true);
    EXPECT_TRUE(lB->IsMarked());
    EXPECT_FALSE(lRoot->IsMarked());

    // Levels with one child (Root->A, C->D) and with several (A->C).
    KRyvNodeIndexPath lPath(lD);
    EXPECT_EQ(lPath.GetRootNode(), lRoot);
    ASSERT_EQ(lPath.GetDepth(), 3);
    EXPECT_EQ(lPath.GetIndexAt(0), 0);
    EXPECT_EQ(lPath.GetIndexAt(1), 1);
    EXPECT_EQ(lPath.GetIndexAt(2), 0);
    EXPECT_EQ(lPath.GetIndexAt(3), -1);
    EXPECT_EQ(lPath.GetNodeAt(0), lRoot);
    EXPECT_EQ(lPath.GetNodeAt(2), lC);
    EXPECT_EQ(lPath.GetNodeAt(3), lD);
    EXPECT_EQ(lPath.GetNodeAt(4), nullptr);
    EXPECT_STREQ(lPath.GetNameAt(1), "Model::A");
    EXPECT_EQ(lPath.GetNameAt(-1), nullptr);
    EXPECT_EQ(KRyvNodeIndexPath(lRoot).GetDepth(), 0);
    EXPECT_EQ(KRyvNodeIndexPath(lRoot).GetNodeAt(0), lRoot);
    EXPECT_EQ(KRyvNodeIndexPath(nullptr).GetNodeAt(0), nullptr);
}

TEST_F(KRyvNodeTest, AnimationIntervalCoversTheSubtree)
{
    KRyvNode* lParent = Node("Parent");
    KRyvNode* lChild = Node("Child", lParent);
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_FALSE(lParent->GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, KTime::kInfinity);

    KFCurve* lCurve = Curve(lChild->GetDefaultTakeNode(), "Transform", "T", "Y");
    lCurve->KeyAdd(Seconds(1.0), 0.0f);
    lCurve->KeyAdd(Seconds(2.0), 5.0f);
    ASSERT_TRUE(lParent->GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, Seconds(1.0));
    EXPECT_EQ(lStop, Seconds(2.0));
    // The caller's pair is only widened.
    KTime lZeroStart;
    KTime lZeroStop;
    ASSERT_TRUE(lParent->GetAnimationInterval(lZeroStart, lZeroStop));
    EXPECT_EQ(lZeroStart, KTime());
    EXPECT_EQ(lZeroStop, Seconds(2.0));
}

TEST_F(KRyvNodeTest, AttributeBindingIsExclusive)
{
    KRyvNode* lA = Node("A");
    KRyvNode* lB = Node("B");
    lA->AddTakeNode("Walk");
    TestAttribute lSkeleton(KRyvNodeAttribute::eSkeleton);
    EXPECT_EQ(lA->SetNodeAttribute(&lSkeleton), nullptr);
    EXPECT_EQ(lSkeleton.GetNode(), lA);
    EXPECT_EQ(lSkeleton.mAdded.size(), 2u);
    // The same attribute again: null, nothing changes.
    EXPECT_EQ(lA->SetNodeAttribute(&lSkeleton), nullptr);
    EXPECT_EQ(lSkeleton.mAdded.size(), 2u);
    EXPECT_EQ(lA->GetTypeName(), "Test");

    EXPECT_EQ(lB->SetNodeAttribute(&lSkeleton), nullptr);
    EXPECT_EQ(lA->GetNodeAttribute(), nullptr);
    EXPECT_EQ(lB->GetNodeAttribute(), &lSkeleton);
    EXPECT_EQ(lSkeleton.mRemoved.size(), 2u);

    TestAttribute lLight(KRyvNodeAttribute::eLight);
    EXPECT_EQ(lB->SetNodeAttribute(&lLight), &lSkeleton);
    EXPECT_EQ(lSkeleton.GetNode(), nullptr);
    EXPECT_EQ(lB->SetNodeAttribute(nullptr), &lLight);
    EXPECT_TRUE(lB->GetMultiTake());
    EXPECT_EQ(lLight.GetNode(), nullptr);

    // A copied take is not built by InitTakeNode; binding tells the attribute of every take.
    KRyvTakeNode* lRun = lA->AddTakeNode("Run");
    lA->SetNodeAttribute(&lLight);
    ASSERT_EQ(lLight.mAdded.size(), 4u);
    EXPECT_EQ(lLight.mAdded[3], lRun);
    lA->SetNodeAttribute(nullptr);
}

TEST_F(KRyvNodeTest, TypedAttributeGettersCheckTheType)
{
    KRyvNode* lNode = Node("A");
    for (int lType = 0; lType <= 10; ++lType) {
        TestAttribute lAttribute(lType);
        lNode->SetNodeAttribute(&lAttribute);
        KRyvNodeAttribute* const lSelf = &lAttribute;
        EXPECT_EQ(lNode->GetNull(), lType == 1 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetMarker(), lType == 2 ? lSelf : nullptr);
        // Type 3 alone does not make a skeleton object.
        EXPECT_EQ(lNode->GetSkeleton(), nullptr);
        EXPECT_EQ(lNode->GetGeometry(), lType >= 4 && lType <= 6 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetMesh(), lType == 4 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetNurb(), lType == 5 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetPatch(), lType == 6 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetCamera(), lType == 7 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetCameraSwitcher(), lType == 8 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetLight(), lType == 9 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetOpticalReference(), lType == 10 ? lSelf : nullptr);
        EXPECT_EQ(lNode->GetMultiTake(), lType != 7 && lType != 9);
        lNode->SetNodeAttribute(nullptr);
    }
    KRyvSkeleton lSkeleton(nullptr);
    lNode->SetNodeAttribute(&lSkeleton);
    EXPECT_EQ(lNode->GetSkeleton(), &lSkeleton);
    lNode->SetNodeAttribute(nullptr);
}

TEST_F(KRyvNodeTest, PivotsFromPropertiesUseTheDefaultTolerance)
{
    KRyvNode* lNode = Node("A");
    KRyvNodeProperties* lBlock = lNode->GetNodeProperties();
    lBlock->SetRotationOffset(KVector4(5e-7, -5e-7, 0.0));
    lBlock->SetGeometricScaling(KVector4(1.0 + 5e-7, 1.0, 1.0));
    lNode->UpdatePivotsFromProperties();
    int lState = 0;
    lNode->GetPivotState(0, lState);
    EXPECT_EQ(lState, 1);
    EXPECT_EQ(lNode->GetRotationOffset(0)[0], 0.0);

    // Any one field off its default copies them all and resets set 1.
    const struct
    {
        void (KRyvNodeProperties::*mSet)(KVector4);
        KVector4 mValue;
        const KVector4& (KRyvNode::*mGet)(int) const;
    } kFields[] = {
        {&KRyvNodeProperties::SetRotationOffset, {0.01, 0, 0, 1}, &KRyvNode::GetRotationOffset},
        {&KRyvNodeProperties::SetRotationPivot, {0, 2, 0, 1}, &KRyvNode::GetRotationPivot},
        {&KRyvNodeProperties::SetPreRotation, {0, 45, 0, 1}, &KRyvNode::GetPreRotation},
        {&KRyvNodeProperties::SetPostRotation, {0, 0, 9, 1}, &KRyvNode::GetPostRotation},
        {&KRyvNodeProperties::SetScalingOffset, {3, 0, 0, 1}, &KRyvNode::GetScalingOffset},
        {&KRyvNodeProperties::SetScalingPivot, {0, 4, 0, 1}, &KRyvNode::GetScalingPivot},
    };
    for (const auto& lField : kFields) {
        lNode->ResetTransformProperties();
        lNode->SetPivotState(0, 1);
        lNode->SetPivotState(1, 0);
        lNode->SetRotationPivot(1, KVector4(3.0, 3.0, 3.0));
        (lBlock->*lField.mSet)(lField.mValue);
        lNode->UpdatePivotsFromProperties();
        lNode->GetPivotState(0, lState);
        EXPECT_EQ(lState, 0);
        EXPECT_EQ((lNode->*lField.mGet)(0), lField.mValue);
        lNode->GetPivotState(1, lState);
        EXPECT_EQ(lState, 1);
        EXPECT_EQ(lNode->GetRotationPivot(1)[0], 0.0);
    }
    lNode->ResetTransformProperties();
    lBlock->SetRotationOrder(3);
    lBlock->SetRotationSpaceForLimitOnly(true);
    lNode->UpdatePivotsFromProperties();
    int lOrder = 0;
    lNode->GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 3);
    EXPECT_TRUE(lNode->GetUseRotationSpaceForLimitOnly(0));
    lNode->ResetTransformProperties();
    lBlock->SetGeometricTranslation(KVector4(1.0, 0.0, 0.0));
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lNode->GetGeometricTranslation(0)[0], 1.0);
}

TEST_F(KRyvNodeTest, LimitsAreCopiedAllOrNone)
{
    KRyvNode* lNode = Node("A");
    KRyvNodeProperties* lBlock = lNode->GetNodeProperties();
    KRyvNodeLimits& lLimits = lNode->GetLimits();
    lLimits.GetScalingLimit().SetMax(KVector4(4.0, 4.0, 4.0));
    // The block agrees with the limits except in scaling max: the limits take the block's
    // values for every kind.
    lBlock->SetTranslationActive(false);
    lBlock->SetRotationMinX(false);
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lLimits.GetScalingLimit().GetMax()[0], 0.0);

    lBlock->SetRotationActive(true);
    lBlock->SetRotationMinY(true);
    lBlock->SetRotationMin(KVector4(-10.0, -20.0, -30.0));
    lNode->UpdatePivotsFromProperties();
    EXPECT_TRUE(lLimits.GetRotationActive());
    bool lX = true;
    bool lY = false;
    bool lZ = true;
    lLimits.GetRotationLimit().GetMinActive(lX, lY, lZ);
    EXPECT_FALSE(lX);
    EXPECT_TRUE(lY);
    EXPECT_FALSE(lZ);
    EXPECT_EQ(lLimits.GetRotationLimit().GetMin()[1], -20.0);

    // Round trip of pivot set 0 and the limits through the block.
    lNode->SetRotationPivot(0, KVector4(1.5, -2.5, 3.25));
    lNode->SetPostRotation(0, KVector4(10.0, 0.0, -5.0));
    lLimits.GetTranslationLimit().SetMaxActive(true, false, true);
    lLimits.GetTranslationLimit().SetMax(KVector4(7.0, 8.0, 9.0));
    lLimits.SetTranslationActive(true);
    lLimits.SetScalingActive(true);
    lNode->UpdatePropertiesFromPivots();
    EXPECT_EQ(lBlock->GetRotationPivot()[2], 3.25);
    EXPECT_EQ(lBlock->GetPostRotation()[2], -5.0);
    EXPECT_TRUE(lBlock->GetTranslationActive());
    EXPECT_TRUE(lBlock->GetRotationActive());
    EXPECT_TRUE(lBlock->GetScalingActive());
    EXPECT_TRUE(lBlock->GetTranslationMaxZ());
    EXPECT_FALSE(lBlock->GetTranslationMaxY());
    EXPECT_EQ(lBlock->GetTranslationMax()[1], 8.0);
    lNode->SetRotationPivot(0, KVector4());
    lLimits.GetTranslationLimit().SetMax(KVector4());
    lLimits.SetScalingActive(false);
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lNode->GetRotationPivot(0)[1], -2.5);
    EXPECT_EQ(lLimits.GetTranslationLimit().GetMax()[2], 9.0);
    EXPECT_TRUE(lLimits.GetScalingActive());
    // One bound flag alone differing is enough.
    lBlock->SetScalingMaxY(true);
    lNode->UpdatePivotsFromProperties();
    lLimits.GetScalingLimit().GetMaxActive(lX, lY, lZ);
    EXPECT_TRUE(lY);
    // So are the minima of every kind alone, and the maxima of every kind alone.
    lBlock->SetTranslationMin(KVector4(-1.0, 0.0, 0.0));
    lBlock->SetRotationMin(KVector4(-2.0, 0.0, 0.0));
    lBlock->SetScalingMin(KVector4(-3.0, 0.0, 0.0));
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lLimits.GetTranslationLimit().GetMin()[0], -1.0);
    EXPECT_EQ(lLimits.GetScalingLimit().GetMin()[0], -3.0);
    lBlock->SetTranslationMax(KVector4(1.0, 0.0, 0.0));
    lBlock->SetRotationMax(KVector4(2.0, 0.0, 0.0));
    lBlock->SetScalingMax(KVector4(3.0, 0.0, 0.0));
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lLimits.GetTranslationLimit().GetMax()[0], 1.0);
    EXPECT_EQ(lLimits.GetScalingLimit().GetMax()[0], 3.0);
}

TEST_F(KRyvNodeTest, ResetTransformPropertiesRestoresDefaults)
{
    KRyvNode* lNode = Node("A");
    KRyvNodeProperties* lBlock = lNode->GetNodeProperties();
    lBlock->SetRotationPivot(KVector4(1.0, 1.0, 1.0));
    lBlock->SetGeometricScaling(KVector4(2.0, 2.0, 2.0));
    lBlock->SetScalingActive(true);
    lBlock->SetInheritType(2);
    lBlock->SetAxisLen(5.0);
    lBlock->SetRotationOrder(4);
    lBlock->SetRotationStiffnessY(0.5);
    lBlock->FindProperty("QuaternionInterpolate")->SetValue(true);
    lNode->SetPivotState(0, 0);
    lNode->SetPivotState(1, 0);
    lNode->SetLclTranslation(KVector4(4.0, 0.0, 0.0));
    lNode->ResetTransformProperties();
    EXPECT_EQ(lBlock->GetRotationPivot()[0], 0.0);
    EXPECT_EQ(lBlock->GetGeometricScaling()[0], 1.0);
    EXPECT_FALSE(lBlock->GetScalingActive());
    EXPECT_EQ(lBlock->GetInheritType(), 0);
    EXPECT_EQ(lBlock->GetRotationOrder(), 0);
    EXPECT_EQ(lBlock->GetAxisLen(), 0.0);
    EXPECT_EQ(lBlock->GetRotationStiffnessY(), 0.0);
    bool lQuaternion = true;
    lBlock->FindProperty("QuaternionInterpolate")->GetValue(lQuaternion);
    EXPECT_FALSE(lQuaternion);
    for (int lSet : {0, 1}) {
        int lState = 0;
        lNode->GetPivotState(lSet, lState);
        EXPECT_EQ(lState, 1);
    }
    KVector4 lT;
    EXPECT_EQ(lNode->GetLclTranslation(lT)[0], 4.0);
    lNode->SetTransformInheritType(2);
    int lType = 0;
    EXPECT_EQ(lNode->GetTransformInheritType(lType), 2);
}

// ---------------------------------------------------------------------------------------------
// Scene membership

TEST_F(KRyvNodeTest, RootJoinsWithItsSubtreeAndChildrenFollowTheirParent)
{
    KRyvSceneEntity lScene;
    KRyvNode* lRoot = Node("RootNode");
    KRyvNode* lA = Node("A", lRoot);
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    EXPECT_EQ(lScene.GetRootNode(), lRoot);
    EXPECT_EQ(lScene.GetNodeCount(), 2);
    EXPECT_EQ(lA->GetScene(), &lScene);
    KRyvNode* lB = Node("B", lA);
    EXPECT_EQ(lB->GetScene(), &lScene);
    EXPECT_EQ(lScene.GetNodeCount(), 3);

    EXPECT_EQ(lRoot->RemoveChild(lA), lA);
    EXPECT_EQ(lA->GetScene(), nullptr);
    EXPECT_EQ(lB->GetScene(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 1);

    // Re-parenting inside one scene is a move, not a refusal.
    ASSERT_TRUE(lRoot->AddChild(lA));
    KRyvNode* lC = Node("C", lRoot);
    ASSERT_TRUE(lC->AddChild(lB));
    EXPECT_EQ(lB->GetParent(), lC);
    EXPECT_EQ(lScene.GetNodeCount(), 4);

    // The scene's root under one of its own nodes is a cycle.
    EXPECT_FALSE(lC->GetNodeProperties()->ConnectSrc(lRoot->GetNodeProperties()));
    EXPECT_EQ(lC->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
}

TEST_F(KRyvNodeTest, SubtreeMovesBetweenScenes)
{
    KRyvSceneEntity lFirst;
    KRyvSceneEntity lSecond;
    KRyvNode* lRoot1 = Node("Root1");
    KRyvNode* lRoot2 = Node("Root2");
    ASSERT_TRUE(lRoot1->SetScene(&lFirst, 1));
    ASSERT_TRUE(lRoot2->SetScene(&lSecond, 1));
    KRyvNode* lA = Node("A", lRoot1);
    KRyvNode* lB = Node("B", lA);
    ASSERT_EQ(lFirst.GetNodeCount(), 3);
    ASSERT_TRUE(lRoot2->AddChild(lA));
    EXPECT_EQ(lFirst.GetNodeCount(), 1);
    EXPECT_EQ(lSecond.GetNodeCount(), 3);
    EXPECT_TRUE(lSecond.HasNode(lB));
    EXPECT_EQ(lB->GetScene(), &lSecond);
}

TEST_F(KRyvNodeTest, NameClashRefusesTheMoveAndChangesNothing)
{
    KRyvSceneEntity lFirst;
    KRyvSceneEntity lSecond;
    KRyvNode* lRoot1 = Node("Root1");
    KRyvNode* lRoot2 = Node("Root2");
    ASSERT_TRUE(lRoot1->SetScene(&lFirst, 1));
    ASSERT_TRUE(lRoot2->SetScene(&lSecond, 1));
    KRyvNode* lA = Node("A", lRoot1);
    KRyvNode* lB = Node("B", lA);
    KRyvNode* lC = Node("C", lA);
    // Renamed after joining: the subtree now holds two nodes of one name.
    lC->SetName("B");
    ASSERT_EQ(lFirst.GetNodeCount(), 4);

    EXPECT_FALSE(lRoot2->AddChild(lA));
    EXPECT_EQ(lRoot2->GetError().GetLastErrorID(), KRyvNode::kNodeNameClash);
    EXPECT_EQ(lA->GetError().GetLastErrorString(), "Node name clash");
    EXPECT_EQ(lA->GetParent(), lRoot1);
    EXPECT_EQ(lFirst.GetNodeCount(), 4);
    EXPECT_EQ(lSecond.GetNodeCount(), 1);
    EXPECT_EQ(lC->GetScene(), &lFirst);
    // The hook refuses a direct connection the same way.
    EXPECT_FALSE(lRoot2->GetNodeProperties()->ConnectSrc(lA->GetNodeProperties()));
    EXPECT_EQ(lA->GetParent(), lRoot1);

    // Nor is it moved inside its own scene: the old place is kept, order included.
    KRyvNode* lD = Node("D", lRoot1);
    EXPECT_FALSE(lD->AddChild(lA));
    EXPECT_EQ(lRoot1->GetChild(0), lA);
    EXPECT_EQ(lFirst.GetNodeCount(), 5);
    EXPECT_EQ(lB->GetScene(), &lFirst);

    // Leaving a scene never fails, clash or not; between free nodes nothing is checked.
    EXPECT_EQ(lRoot1->RemoveChild(lA), lA);
    EXPECT_EQ(lFirst.GetNodeCount(), 2);
    EXPECT_EQ(lC->GetScene(), nullptr);
    EXPECT_TRUE(Node("Free")->AddChild(lA));

    // A new root whose names exist below the current root is refused in mode 1.
    KRyvNode* lOtherRoot = Node("Other");
    Node("Kid", lRoot2);
    Node("Kid", lOtherRoot);
    EXPECT_FALSE(lOtherRoot->SetScene(&lSecond, 1));
    EXPECT_EQ(lOtherRoot->GetError().GetLastErrorID(), KRyvNode::kNodeNameClash);
    EXPECT_EQ(lSecond.GetRootNode(), lRoot2);
    EXPECT_EQ(lSecond.GetNodeCount(), 2);
}

TEST_F(KRyvNodeTest, NewRootReplacesTheOldOne)
{
    KRyvSceneEntity lScene;
    KRyvNode* lOld = Node("Old");
    KRyvNode* lChild = Node("Child", lOld);
    KRyvNode* lNew = Node("New");
    ASSERT_TRUE(lOld->SetScene(&lScene, 1));
    ASSERT_TRUE(lNew->SetScene(&lScene, 1));
    EXPECT_EQ(lScene.GetRootNode(), lNew);
    EXPECT_EQ(lScene.GetNodeCount(), 1);
    EXPECT_EQ(lOld->GetScene(), nullptr);
    EXPECT_EQ(lChild->GetScene(), nullptr);
    EXPECT_TRUE(lNew->SetScene(&lScene, 1));
    // A listed node made root: the list keeps one entry.
    KRyvNode* lKid = Node("Kid", lNew);
    ASSERT_TRUE(lKid->SetScene(&lScene, 1));
    EXPECT_EQ(lScene.GetRootNode(), lKid);
    EXPECT_TRUE(lKid->SetScene(nullptr, 0));
    EXPECT_EQ(lScene.GetRootNode(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 0);
}

TEST_F(KRyvNodeTest, DestroyedNodesLeaveTheirScene)
{
    KRyvSceneEntity lScene;
    KRyvNode* lRoot = Node("Root");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    KRyvNode* lA = Node("A", lRoot);
    KRyvNode* lB = Node("B", lA);
    // A middle node: its child is let go and leaves the scene with it.
    Destroy(lA);
    EXPECT_EQ(lScene.GetNodeCount(), 1);
    EXPECT_EQ(lB->GetParent(), nullptr);
    EXPECT_EQ(lB->GetScene(), nullptr);
    EXPECT_EQ(lRoot->GetChildCount(), 0);
    // The root destroyed directly: the content forgets it.
    ASSERT_TRUE(lRoot->AddChild(lB));
    Destroy(lRoot);
    EXPECT_EQ(lScene.GetRootNode(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 0);
    EXPECT_EQ(lB->GetScene(), nullptr);
}

TEST_F(KRyvNodeTest, DestroyingAParentWithChildrenAttributeAndReferrers)
{
    TestReferrer lCharacter;
    TestAttribute lParentAttribute(KRyvNodeAttribute::eMesh);
    TestAttribute lChildAttribute(KRyvNodeAttribute::eSkeleton);
    KRyvNode* lParent = Node("Parent");
    KRyvNode* lChild = Node("Child", lParent);
    KRyvNode* lGrand = Node("Grand", lChild);
    lParent->SetNodeAttribute(&lParentAttribute);
    lChild->SetNodeAttribute(&lChildAttribute);
    lCharacter.Point(lParent, 0, 0);
    lCharacter.Point(lChild, 1, 0);
    lChild->SetLookAtTarget(lParent);
    lParent->AddTakeNode("Take 001");

    Destroy(lParent);
    EXPECT_EQ(lParentAttribute.GetNode(), nullptr);
    EXPECT_EQ(lParentAttribute.mRemoved.size(), 2u);
    EXPECT_EQ(lCharacter.mTables[0][0], nullptr);
    EXPECT_EQ(lCharacter.mTables[1][0], lChild);
    EXPECT_EQ(lChild->GetParent(), nullptr);
    EXPECT_EQ(lChild->GetLookAtTarget(), nullptr);
    EXPECT_EQ(lChild->GetChild(0), lGrand);

    Destroy(lChild);
    EXPECT_EQ(lChildAttribute.GetNode(), nullptr);
    EXPECT_EQ(lCharacter.mTables[1][0], nullptr);
    EXPECT_EQ(lGrand->GetParent(), nullptr);
}
