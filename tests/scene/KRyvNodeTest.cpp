#include "scene/KRyvNode.h"

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

KTime Seconds(double pSeconds)
{
    KTime lTime;
    lTime.SetSecondDouble(pSeconds);
    return lTime;
}

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

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

} // namespace

TEST(KRyvNodeTest, NewNodeState)
{
    auto lNode = MakeNode("Cube");
    EXPECT_EQ(lNode->GetName(), "Model::Cube");
    EXPECT_EQ(lNode->GetInitialName(), "Cube");
    EXPECT_EQ(lNode->GetObjectType(), 1);
    ASSERT_EQ(lNode->GetTakeNodeCount(), 1);
    EXPECT_STREQ(lNode->GetTakeNodeName(0), "Default");
    EXPECT_EQ(lNode->GetCurrentTakeNodeIndex(), 0);
    EXPECT_EQ(lNode->GetParent(), nullptr);
    EXPECT_EQ(lNode->GetChildCount(), 0);
    EXPECT_EQ(lNode->GetChild(0), nullptr);
    EXPECT_EQ(lNode->GetNodeAttribute(), nullptr);
    EXPECT_EQ(lNode->GetShadingMode(), 3);
    EXPECT_TRUE(lNode->GetVisibility());
    EXPECT_TRUE(lNode->GetMultiTake());
    EXPECT_FALSE(lNode->GetMultiLayer());
    EXPECT_EQ(lNode->GetTypeName(), "Null");
    KPropertyStringList lFlags = lNode->GetTypeFlags();
    ASSERT_EQ(lFlags.GetCount(), 1);
    EXPECT_EQ(lNode->GetWorkMatrixStamp(), -1);
    EXPECT_EQ(lNode->GetScene(), nullptr);
    EXPECT_EQ(&lNode->GetLimits(), &lNode->GetLimits());
    EXPECT_EQ(lNode->GetLimits().GetNode(), lNode.get());
}

TEST(KRyvNodeTest, ErrorTableHasNineTexts)
{
    auto lNode = MakeNode("A");
    KError& lError = lNode->GetError();
    EXPECT_EQ(lError.GetErrorCount(), 9);
    const char* const lTexts[9] = {
        "Take node error",
        "Node name clash",
        "Material name clash",
        "Texture name clash",
        "Gobo name clash",
        "Video name clash",
        "Target node is not a child of this object",
        "Operation with a target of the entity would generate a cyclic graph",
        "Index out of range",
    };
    for (int i = 0; i < 9; ++i) {
        lError.SetLastErrorID(i);
        EXPECT_EQ(lError.GetLastErrorString(), lTexts[i]) << i;
    }
    // Take errors of the container land on the node's table object.
    EXPECT_EQ(lNode->GetTakeNode(5), nullptr);
    EXPECT_EQ(lError.GetLastErrorString(), "Take node does not exist");
}

TEST(KRyvNodeTest, InitTakeNodeBuildsTransformAndVisibilityChannels)
{
    auto lNode = MakeNode("A");
    KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
    KFCurveNode* lRoot = lTake->GetKFCurveNode();
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

TEST(KRyvNodeTest, DefaultTakeCurvesFlowIntoThePropertiesOtherTakesDoNot)
{
    auto lNode = MakeNode("A");
    KRyvTakeNode* lOther = lNode->AddTakeNode("Walk");
    ASSERT_NE(lOther, nullptr);
    EXPECT_EQ(lNode->GetPropertyCurveLinkCount(), 10);

    Curve(lOther, "Transform", "T", "X")->SetDefaultValue(7.0f);
    KVector4 lValue;
    lNode->GetLclTranslation(lValue);
    EXPECT_EQ(lValue[0], 0.0);

    Curve(lNode->GetDefaultTakeNode(), "Transform", "T", "X")->SetDefaultValue(2.5f);
    lNode->GetLclTranslation(lValue);
    EXPECT_EQ(lValue[0], 2.5);

    Curve(lNode->GetDefaultTakeNode(), "Visibility")->SetDefaultValue(0.0f);
    EXPECT_FALSE(lNode->GetVisibility());
}

TEST(KRyvNodeTest, LclSettersWriteTakeZeroDefaultsInSinglePrecision)
{
    auto lNode = MakeNode("A");
    lNode->SetLclTranslation(KVector4(0.1, 2.0, -3.0));
    lNode->SetLclRotation(KVector4(10.0, 20.0, 30.0));
    lNode->SetLclScaling(KVector4(2.0, 2.0, 0.5));
    KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
    EXPECT_EQ(Curve(lTake, "Transform", "T", "X")->GetDefaultValue(), static_cast<double>(0.1f));
    EXPECT_EQ(Curve(lTake, "Transform", "R", "Z")->GetDefaultValue(), 30.0);
    EXPECT_EQ(Curve(lTake, "Transform", "S", "Z")->GetDefaultValue(), 0.5);
    KVector4 lValue(9.0, 9.0, 9.0);
    lNode->GetLclTranslation(lValue);
    EXPECT_NEAR(lValue[0], 0.1, 1e-6);
    EXPECT_EQ(lValue[2], -3.0);
}

TEST(KRyvNodeTest, UserPropertyRecordsOnePerBlockProperty)
{
    auto lNode = MakeNode("A");
    KObject* lBlock = lNode->GetProperties();
    ASSERT_NE(lBlock, nullptr);
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

TEST(KRyvNodeTest, UnboundUserPropertyGetsAndLosesItsBlockProperty)
{
    auto lNode = MakeNode("A");
    KRyvUserProperty lWeight(nullptr, "Weight", "Real", "Weight");
    lNode->AddUserProperty(&lWeight);
    KProperty* lProperty = lNode->GetProperties()->FindProperty("Weight");
    ASSERT_NE(lProperty, nullptr);
    EXPECT_EQ(lProperty->GetPropertyType(), 4);
    lNode->OnUserPropertyRemoved(&lWeight);
    EXPECT_EQ(lNode->GetProperties()->FindProperty("Weight"), nullptr);

    // A user property named like a channel never takes the channel's property away.
    KRyvUserProperty lTranslation(nullptr, "Lcl Translation", "Vector", nullptr);
    lNode->OnUserPropertyRemoved(&lTranslation);
    EXPECT_NE(lNode->GetProperties()->FindProperty("Lcl Translation"), nullptr);
}

TEST(KRyvNodeTest, AnimatableUserPropertyIsBoundAndLinkedToTheDefaultTake)
{
    // Declared first so that it outlives the node that lists it.
    KRyvUserProperty lAim(nullptr, "Aim", "Vector", "Aim");
    lAim.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    auto lNode = MakeNode("A");
    lNode->AddTakeNode("Take1");
    lNode->AddUserProperty(&lAim);

    ASSERT_TRUE(lAim.IsBound());
    EXPECT_EQ(lAim.GetProperty(), lNode->GetProperties()->FindProperty("Aim"));
    EXPECT_TRUE(lAim.GetProperty()->IsAnimatable());

    // Values written through the user property reach the default take's curves.
    EXPECT_TRUE(lAim.SetValue(1.0, 2.0, 3.0));
    KFCurveNode* lChannel = lNode->GetTakeNode(0)->GetKFCurveNode()->FindChild("Aim");
    ASSERT_NE(lChannel, nullptr);
    ASSERT_NE(lChannel->FindChild("Y"), nullptr);
    EXPECT_DOUBLE_EQ(lChannel->FindChild("Y")->GetCurve()->GetDefaultValue(), 2.0);

    // Every take has the channel, and only the default take's curves write back.
    ASSERT_NE(lNode->GetTakeNode(1)->GetKFCurveNode()->FindChild("Aim"), nullptr);
    lChannel->FindChild("Z")->GetCurve()->SetDefaultValue(7.5f);
    double lX = 0, lY = 0, lZ = 0;
    EXPECT_TRUE(lAim.GetValue(lX, lY, lZ));
    EXPECT_DOUBLE_EQ(lZ, 7.5);
    lNode->GetTakeNode(1)->GetKFCurveNode()->FindChild("Aim")->FindChild("Z")->GetCurve()
        ->SetDefaultValue(9.0f);
    EXPECT_TRUE(lAim.GetValue(lX, lY, lZ));
    EXPECT_DOUBLE_EQ(lZ, 7.5);
}

TEST(KRyvNodeTest, VisibilitySetsShowAndVisibility)
{
    auto lNode = MakeNode("A");
    KProperty* lShow = lNode->GetProperties()->FindProperty("Show");
    ASSERT_NE(lShow, nullptr);
    lNode->SetVisibility(false);
    EXPECT_FALSE(lNode->GetVisibility());
    bool lValue = true;
    lShow->GetValue(lValue);
    EXPECT_FALSE(lValue);
    lNode->SetVisibility(true);
    EXPECT_TRUE(lNode->GetVisibility());
}

TEST(KRyvNodeTest, HierarchyEdits)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    EXPECT_FALSE(lA->AddChild(nullptr));
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_TRUE(lA->AddChild(lC.get()));
    EXPECT_EQ(lA->GetChildCount(), 2);
    EXPECT_EQ(lA->GetChild(0), lB.get());
    EXPECT_EQ(lA->GetChild(1), lC.get());
    EXPECT_EQ(lA->GetChild(2), nullptr);
    EXPECT_EQ(lA->GetChild(-1), nullptr);
    EXPECT_EQ(lB->GetParent(), lA.get());

    // Re-parenting moves the child.
    ASSERT_TRUE(lB->AddChild(lC.get()));
    EXPECT_EQ(lA->GetChildCount(), 1);
    EXPECT_EQ(lC->GetParent(), lB.get());

    EXPECT_EQ(lA->RemoveChild(lC.get()), nullptr);
    EXPECT_EQ(lA->GetError().GetLastErrorID(), KRyvNode::kNotAChild);
    EXPECT_EQ(lA->RemoveChild(nullptr), nullptr);
    EXPECT_EQ(lB->RemoveChild(lC.get()), lC.get());
    EXPECT_EQ(lC->GetParent(), nullptr);
    EXPECT_EQ(lB->GetChildCount(), 0);
}

TEST(KRyvNodeTest, CyclesAreRefusedAndChangeNothing)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    auto lRoot = MakeNode("Root");
    ASSERT_TRUE(lRoot->AddChild(lA.get()));
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_TRUE(lB->AddChild(lC.get()));

    EXPECT_FALSE(lA->AddChild(lA.get()));
    EXPECT_EQ(lA->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
    EXPECT_EQ(lA->GetParent(), lRoot.get());

    EXPECT_FALSE(lC->AddChild(lA.get()));
    EXPECT_EQ(lC->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
    EXPECT_EQ(lA->GetParent(), lRoot.get());
    EXPECT_EQ(lRoot->GetChildCount(), 1);

    // Two free nodes: B under A, then A under B.
    auto lX = MakeNode("X");
    auto lY = MakeNode("Y");
    ASSERT_TRUE(lX->AddChild(lY.get()));
    EXPECT_FALSE(lY->AddChild(lX.get()));
    EXPECT_EQ(lX->GetParent(), nullptr);
    EXPECT_EQ(lY->GetParent(), lX.get());

    // The hook refuses a direct block connection that closes a cycle too.
    EXPECT_FALSE(lY->GetNodeProperties()->ConnectSrc(lX->GetNodeProperties()));
    EXPECT_EQ(lX->GetParent(), nullptr);
}

TEST(KRyvNodeTest, FindChildByNameAndInitialName)
{
    auto lRoot = MakeNode("Root");
    auto lCube = MakeNode("Cube");
    auto lPrefixed = MakeNode("Model::Sphere");
    auto lGrand = MakeNode("Grand");
    ASSERT_TRUE(lRoot->AddChild(lCube.get()));
    ASSERT_TRUE(lRoot->AddChild(lPrefixed.get()));
    ASSERT_TRUE(lCube->AddChild(lGrand.get()));

    EXPECT_EQ(lRoot->FindChild("Model::Cube"), lCube.get());
    EXPECT_EQ(lRoot->FindChild("Cube"), lCube.get());
    EXPECT_EQ(lRoot->FindChild("Other::Cube"), lCube.get());
    EXPECT_EQ(lRoot->FindChild("Grand", false), nullptr);
    EXPECT_EQ(lRoot->FindChild("Grand", true), lGrand.get());
    EXPECT_EQ(lRoot->FindChild("Cube", false, true), nullptr);
    EXPECT_EQ(lRoot->FindChild("Sphere", false, true), lPrefixed.get());
    EXPECT_EQ(lRoot->FindChild(nullptr), nullptr);
}

TEST(KRyvNodeTest, LookAtTargetsAreNotHierarchy)
{
    KRyvSceneEntity lScene;
    auto lRoot = MakeNode("Root");
    auto lCamera = MakeNode("Camera");
    auto lTarget = MakeNode("Target");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    ASSERT_TRUE(lRoot->AddChild(lCamera.get()));
    ASSERT_TRUE(lRoot->AddChild(lTarget.get()));

    lCamera->SetLookAtTarget(lTarget.get());
    lCamera->SetLookAtTarget(lTarget.get());
    EXPECT_EQ(lCamera->GetLookAtTarget(), lTarget.get());
    EXPECT_EQ(lCamera->GetProperties()->FindProperty("LookAtProperty")->GetSrcCount(), 1);
    lCamera->SetUpVectorTarget(lRoot.get());
    EXPECT_EQ(lCamera->GetUpVectorTarget(), lRoot.get());
    lCamera->SetLookAtTarget(nullptr);
    EXPECT_EQ(lCamera->GetLookAtTarget(), lTarget.get());

    EXPECT_EQ(lCamera->GetChildCount(), 0);
    EXPECT_EQ(lTarget->GetParent(), lRoot.get());
    EXPECT_EQ(lTarget->GetScene(), &lScene);
    EXPECT_EQ(lScene.GetNodeCount(), 3);

    KVector4 lRotation(1.0, 2.0, 3.0);
    lCamera->SetPostTargetRotation(lRotation);
    KVector4 lRead;
    EXPECT_EQ(lCamera->GetPostTargetRotation(lRead)[2], 3.0);
    lCamera->SetUpTargetRotation(KVector4(4.0, 5.0, 6.0));
    EXPECT_EQ(lCamera->GetUpTargetRotation(lRead)[0], 4.0);

    // The target dies first: the look-at connection goes with it.
    lRoot->RemoveChild(lTarget.get());
    lTarget.reset();
    EXPECT_EQ(lCamera->GetLookAtTarget(), nullptr);
}

TEST(KRyvNodeTest, ChildNames)
{
    auto lNode = MakeNode("A");
    lNode->AddChildName("Model::B");
    lNode->AddChildName(nullptr);
    EXPECT_EQ(lNode->GetChildNameCount(), 2);
    EXPECT_STREQ(lNode->GetChildNameAt(0), "Model::B");
    EXPECT_STREQ(lNode->GetChildNameAt(1), "");
    EXPECT_EQ(lNode->GetChildNameAt(2), nullptr);
    EXPECT_EQ(lNode->GetChildNameAt(-1), nullptr);
}

TEST(KRyvNodeTest, BackReferencesAreFoundRemovedAndClearedOnDestruction)
{
    TestReferrer lCharacter;
    auto lNode = MakeNode("Hips");
    auto lOther = MakeNode("Spine");
    lCharacter.Point(lNode.get(), 0, 1);
    lCharacter.Point(lNode.get(), 1, 2);
    lCharacter.Point(lNode.get(), 2, 3);
    lCharacter.Point(lNode.get(), 3, 1, 2);
    lCharacter.Point(lOther.get(), 0, 0);
    EXPECT_EQ(lNode->GetBackReferenceCount(), 4);
    EXPECT_EQ(lNode->FindBackReference(&lCharacter, 3, 1, 2), 3);
    EXPECT_EQ(lNode->FindBackReference(&lCharacter, 3, 1, 3), -1);
    EXPECT_EQ(lNode->FindBackReference(nullptr, 0, 1, 0), -1);
    EXPECT_EQ(lNode->RemoveBackReference(&lCharacter, 9, 9, 9), -1);

    lNode.reset();
    EXPECT_EQ(lCharacter.mTables[0][1], nullptr);
    EXPECT_EQ(lCharacter.mTables[1][2], nullptr);
    EXPECT_EQ(lCharacter.mTables[2][3], nullptr);
    EXPECT_EQ(lCharacter.mTable3[1][2], nullptr);
    EXPECT_EQ(lCharacter.mTables[0][0], lOther.get());

    EXPECT_EQ(lOther->RemoveBackReference(&lCharacter, 0, 0, 0), 0);
    EXPECT_EQ(lOther->GetBackReferenceCount(), 0);
}

TEST(KRyvNodeTest, MarksAndIndexPath)
{
    auto lRoot = MakeNode("Root");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    auto lD = MakeNode("D");
    ASSERT_TRUE(lRoot->AddChild(lA.get()));
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_TRUE(lA->AddChild(lC.get()));
    ASSERT_TRUE(lC->AddChild(lD.get()));

    EXPECT_FALSE(lRoot->IsMarked(true));
    lD->SetMarked(true);
    EXPECT_FALSE(lRoot->IsMarked(false));
    EXPECT_TRUE(lRoot->IsMarked(true));
    EXPECT_TRUE(lA->IsMarked(true));
    EXPECT_FALSE(lB->IsMarked(true));
    lRoot->SetMarked(false, true);
    EXPECT_FALSE(lRoot->IsMarked(true));
    lA->SetMarked(true, true);
    EXPECT_TRUE(lB->IsMarked());
    EXPECT_FALSE(lRoot->IsMarked());

    // Levels with one child (Root->A, C->D) and with several (A->C).
    KRyvNodeIndexPath lPath(lD.get());
    EXPECT_EQ(lPath.GetRootNode(), lRoot.get());
    ASSERT_EQ(lPath.GetDepth(), 3);
    EXPECT_EQ(lPath.GetIndexAt(0), 0);
    EXPECT_EQ(lPath.GetIndexAt(1), 1);
    EXPECT_EQ(lPath.GetIndexAt(2), 0);
    EXPECT_EQ(lPath.GetIndexAt(3), -1);
    EXPECT_EQ(lPath.GetNodeAt(0), lRoot.get());
    EXPECT_EQ(lPath.GetNodeAt(2), lC.get());
    EXPECT_EQ(lPath.GetNodeAt(3), lD.get());
    EXPECT_EQ(lPath.GetNodeAt(4), nullptr);
    EXPECT_STREQ(lPath.GetNameAt(1), "Model::A");
    EXPECT_EQ(lPath.GetNameAt(-1), nullptr);

    KRyvNodeIndexPath lRootPath(lRoot.get());
    EXPECT_EQ(lRootPath.GetDepth(), 0);
    EXPECT_EQ(lRootPath.GetNodeAt(0), lRoot.get());
    KRyvNodeIndexPath lEmpty(nullptr);
    EXPECT_EQ(lEmpty.GetNodeAt(0), nullptr);
}

TEST(KRyvNodeTest, AnimationIntervalCoversTheSubtree)
{
    auto lParent = MakeNode("Parent");
    auto lChild = MakeNode("Child");
    ASSERT_TRUE(lParent->AddChild(lChild.get()));
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

TEST(KRyvNodeTest, AttributeBindingIsExclusive)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    lA->AddTakeNode("Walk");
    TestAttribute lSkeleton(KRyvNodeAttribute::eSkeleton);
    EXPECT_EQ(lA->SetNodeAttribute(&lSkeleton), nullptr);
    EXPECT_EQ(lSkeleton.GetNode(), lA.get());
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
    EXPECT_FALSE(lB->GetMultiTake());
    EXPECT_EQ(lB->GetLight(), &lLight);
    EXPECT_EQ(lB->GetCamera(), nullptr);
    EXPECT_EQ(lB->SetNodeAttribute(nullptr), &lLight);
    EXPECT_TRUE(lB->GetMultiTake());
    EXPECT_EQ(lLight.GetNode(), nullptr);
}

TEST(KRyvNodeTest, TypedAttributeGettersCheckTheType)
{
    auto lNode = MakeNode("A");
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

TEST(KRyvNodeTest, NewTakeTellsTheAttribute)
{
    auto lNode = MakeNode("A");
    TestAttribute lAttribute(KRyvNodeAttribute::eNull);
    lNode->SetNodeAttribute(&lAttribute);
    ASSERT_EQ(lAttribute.mAdded.size(), 1u);
    KRyvTakeNode* lTake = lNode->AddTakeNode("Run");
    // A copied take is not built by InitTakeNode; binding tells the attribute of every take.
    lNode->SetNodeAttribute(nullptr);
    lNode->SetNodeAttribute(&lAttribute);
    ASSERT_EQ(lAttribute.mAdded.size(), 3u);
    EXPECT_EQ(lAttribute.mAdded[2], lTake);
    lNode->SetNodeAttribute(nullptr);
}

TEST(KRyvNodeTest, PivotSetIndexOutOfRangeIsHarmless)
{
    auto lNode = MakeNode("A");
    for (int lSet : {-1, 2, 1000}) {
        lNode->SetRotationPivot(lSet, KVector4(1.0, 2.0, 3.0));
        lNode->SetPivotState(lSet, 0);
        lNode->SetRotationOrder(lSet, 5);
        lNode->SetUseRotationSpaceForLimitOnly(lSet, true);
        EXPECT_EQ(lNode->GetRotationPivot(lSet)[0], 0.0);
        EXPECT_EQ(lNode->GetGeometricScaling(lSet)[1], 1.0);
        int lState = -5;
        lNode->GetPivotState(lSet, lState);
        EXPECT_EQ(lState, 1);
        int lOrder = -5;
        lNode->GetRotationOrder(lSet, lOrder);
        EXPECT_EQ(lOrder, 0);
        EXPECT_FALSE(lNode->GetUseRotationSpaceForLimitOnly(lSet));
        EXPECT_EQ(lNode->GetPivotSet(lSet), nullptr);
        const KMatrix& lMatrix = lNode->GetGlobalMatrix(lSet, true);
        EXPECT_EQ(lMatrix, KMatrix());
        EXPECT_FALSE(lNode->ConvertPivotAnimation(lSet, 30.0, false));
        EXPECT_FALSE(lNode->BakePivotAnimation(lSet, 30.0, false));
    }
    EXPECT_EQ(KRyvPivotSet::GetDefault().mRotationPivot[0], 0.0);
}

TEST(KRyvNodeTest, PivotSetAccessors)
{
    auto lNode = MakeNode("A");
    lNode->SetRotationOffset(1, KVector4(1.0, 0.0, 0.0, 5.0));
    lNode->SetRotationPivot(1, KVector4(0.0, 2.0, 0.0));
    lNode->SetPreRotation(1, KVector4(0.0, 0.0, 30.0));
    lNode->SetPostRotation(1, KVector4(40.0, 0.0, 0.0));
    lNode->SetScalingOffset(1, KVector4(5.0, 0.0, 0.0));
    lNode->SetScalingPivot(1, KVector4(0.0, 6.0, 0.0));
    lNode->SetRotationOrder(1, 4);
    lNode->SetPivotState(1, 0);
    lNode->SetUseRotationSpaceForLimitOnly(1, true);
    EXPECT_EQ(lNode->GetRotationOffset(1)[3], 5.0);
    EXPECT_EQ(lNode->GetRotationPivot(1)[1], 2.0);
    EXPECT_EQ(lNode->GetPreRotation(1)[2], 30.0);
    EXPECT_EQ(lNode->GetPostRotation(1)[0], 40.0);
    EXPECT_EQ(lNode->GetScalingOffset(1)[0], 5.0);
    EXPECT_EQ(lNode->GetScalingPivot(1)[1], 6.0);
    int lValue = 0;
    lNode->GetRotationOrder(1, lValue);
    EXPECT_EQ(lValue, 4);
    lNode->GetPivotState(1, lValue);
    EXPECT_EQ(lValue, 0);
    EXPECT_TRUE(lNode->GetUseRotationSpaceForLimitOnly(1));
    // Set 0 untouched.
    EXPECT_EQ(lNode->GetRotationPivot(0)[1], 0.0);

    lNode->SetTransformInheritType(2);
    lValue = 0;
    EXPECT_EQ(lNode->GetTransformInheritType(lValue), 2);
}

TEST(KRyvNodeTest, PivotsFromPropertiesUseTheDefaultTolerance)
{
    auto lNode = MakeNode("A");
    KRyvNodeProperties* lBlock = lNode->GetNodeProperties();
    lBlock->SetRotationOffset(KVector4(5e-7, -5e-7, 0.0));
    lBlock->SetGeometricScaling(KVector4(1.0 + 5e-7, 1.0, 1.0));
    lNode->UpdatePivotsFromProperties();
    int lState = 0;
    lNode->GetPivotState(0, lState);
    EXPECT_EQ(lState, 1);
    EXPECT_EQ(lNode->GetRotationOffset(0)[0], 0.0);

    lNode->SetPivotState(1, 0);
    lNode->SetRotationPivot(1, KVector4(3.0, 3.0, 3.0));
    lBlock->SetRotationOffset(KVector4(0.01, 0.0, 0.0));
    lBlock->SetPreRotation(KVector4(0.0, 45.0, 0.0));
    lBlock->SetRotationOrder(3);
    lNode->UpdatePivotsFromProperties();
    lNode->GetPivotState(0, lState);
    EXPECT_EQ(lState, 0);
    EXPECT_EQ(lNode->GetRotationOffset(0)[0], 0.01);
    EXPECT_EQ(lNode->GetPreRotation(0)[1], 45.0);
    int lOrder = 0;
    lNode->GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 3);
    lNode->GetPivotState(1, lState);
    EXPECT_EQ(lState, 1);
    EXPECT_EQ(lNode->GetRotationPivot(1)[0], 0.0);
}

TEST(KRyvNodeTest, LimitsAreCopiedAllOrNone)
{
    auto lNode = MakeNode("A");
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
    lNode->UpdatePropertiesFromPivots();
    EXPECT_EQ(lBlock->GetRotationPivot()[2], 3.25);
    EXPECT_EQ(lBlock->GetPostRotation()[2], -5.0);
    EXPECT_TRUE(lBlock->GetTranslationActive());
    EXPECT_TRUE(lBlock->GetTranslationMaxZ());
    EXPECT_FALSE(lBlock->GetTranslationMaxY());
    EXPECT_EQ(lBlock->GetTranslationMax()[1], 8.0);
    lNode->SetRotationPivot(0, KVector4());
    lLimits.GetTranslationLimit().SetMax(KVector4());
    lNode->UpdatePivotsFromProperties();
    EXPECT_EQ(lNode->GetRotationPivot(0)[1], -2.5);
    EXPECT_EQ(lLimits.GetTranslationLimit().GetMax()[2], 9.0);
}

TEST(KRyvNodeTest, ResetTransformPropertiesRestoresDefaults)
{
    auto lNode = MakeNode("A");
    KRyvNodeProperties* lBlock = lNode->GetNodeProperties();
    lBlock->SetRotationPivot(KVector4(1.0, 1.0, 1.0));
    lBlock->SetGeometricScaling(KVector4(2.0, 2.0, 2.0));
    lBlock->SetScalingActive(true);
    lBlock->SetInheritType(2);
    lBlock->SetAxisLen(5.0);
    lNode->SetPivotState(0, 0);
    lNode->SetLclTranslation(KVector4(4.0, 0.0, 0.0));
    lNode->ResetTransformProperties();
    EXPECT_EQ(lBlock->GetRotationPivot()[0], 0.0);
    EXPECT_EQ(lBlock->GetGeometricScaling()[0], 1.0);
    EXPECT_FALSE(lBlock->GetScalingActive());
    EXPECT_EQ(lBlock->GetInheritType(), 0);
    EXPECT_EQ(lBlock->GetAxisLen(), 0.0);
    int lState = 0;
    lNode->GetPivotState(0, lState);
    EXPECT_EQ(lState, 1);
    KVector4 lT;
    EXPECT_EQ(lNode->GetLclTranslation(lT)[0], 4.0);
}

// ---------------------------------------------------------------------------------------------
// Scene membership

TEST(KRyvNodeTest, RootJoinsWithItsSubtreeAndChildrenFollowTheirParent)
{
    KRyvSceneEntity lScene;
    auto lRoot = MakeNode("RootNode");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    ASSERT_TRUE(lRoot->AddChild(lA.get()));
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    EXPECT_EQ(lScene.GetRootNode(), lRoot.get());
    EXPECT_EQ(lScene.GetNodeCount(), 2);
    EXPECT_EQ(lA->GetScene(), &lScene);

    ASSERT_TRUE(lA->AddChild(lB.get()));
    EXPECT_EQ(lB->GetScene(), &lScene);
    EXPECT_EQ(lScene.GetNodeCount(), 3);

    EXPECT_EQ(lRoot->RemoveChild(lA.get()), lA.get());
    EXPECT_EQ(lA->GetScene(), nullptr);
    EXPECT_EQ(lB->GetScene(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 1);

    // Re-parenting inside one scene is a move, not a refusal.
    ASSERT_TRUE(lRoot->AddChild(lA.get()));
    auto lC = MakeNode("C");
    ASSERT_TRUE(lRoot->AddChild(lC.get()));
    ASSERT_TRUE(lC->AddChild(lB.get()));
    EXPECT_EQ(lB->GetParent(), lC.get());
    EXPECT_EQ(lScene.GetNodeCount(), 4);

    // The scene's root under one of its own nodes is a cycle.
    EXPECT_FALSE(lC->GetNodeProperties()->ConnectSrc(lRoot->GetNodeProperties()));
    EXPECT_EQ(lC->GetError().GetLastErrorID(), KRyvNode::kCyclicGraph);
}

TEST(KRyvNodeTest, SubtreeMovesBetweenScenes)
{
    KRyvSceneEntity lFirst;
    KRyvSceneEntity lSecond;
    auto lRoot1 = MakeNode("Root1");
    auto lRoot2 = MakeNode("Root2");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    ASSERT_TRUE(lRoot1->SetScene(&lFirst, 1));
    ASSERT_TRUE(lRoot2->SetScene(&lSecond, 1));
    ASSERT_TRUE(lRoot1->AddChild(lA.get()));
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_EQ(lFirst.GetNodeCount(), 3);

    ASSERT_TRUE(lRoot2->AddChild(lA.get()));
    EXPECT_EQ(lFirst.GetNodeCount(), 1);
    EXPECT_EQ(lSecond.GetNodeCount(), 3);
    EXPECT_TRUE(lSecond.HasNode(lB.get()));
    EXPECT_EQ(lB->GetScene(), &lSecond);
}

TEST(KRyvNodeTest, NameClashRefusesTheMoveAndChangesNothing)
{
    KRyvSceneEntity lFirst;
    KRyvSceneEntity lSecond;
    auto lRoot1 = MakeNode("Root1");
    auto lRoot2 = MakeNode("Root2");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    ASSERT_TRUE(lRoot1->SetScene(&lFirst, 1));
    ASSERT_TRUE(lRoot2->SetScene(&lSecond, 1));
    ASSERT_TRUE(lRoot1->AddChild(lA.get()));
    ASSERT_TRUE(lA->AddChild(lB.get()));
    ASSERT_TRUE(lA->AddChild(lC.get()));
    // Renamed after joining: the subtree now holds two nodes of one name.
    lC->SetName("B");
    ASSERT_EQ(lFirst.GetNodeCount(), 4);

    EXPECT_FALSE(lRoot2->AddChild(lA.get()));
    EXPECT_EQ(lRoot2->GetError().GetLastErrorID(), KRyvNode::kNodeNameClash);
    EXPECT_EQ(lA->GetError().GetLastErrorString(), "Node name clash");
    EXPECT_EQ(lA->GetParent(), lRoot1.get());
    EXPECT_EQ(lRoot1->GetChild(0), lA.get());
    EXPECT_EQ(lFirst.GetNodeCount(), 4);
    EXPECT_EQ(lSecond.GetNodeCount(), 1);
    EXPECT_EQ(lC->GetScene(), &lFirst);

    // Nor is it moved inside its own scene: the old place is kept, order included.
    auto lD = MakeNode("D");
    ASSERT_TRUE(lRoot1->AddChild(lD.get()));
    EXPECT_FALSE(lD->AddChild(lA.get()));
    EXPECT_EQ(lRoot1->GetChild(0), lA.get());
    EXPECT_EQ(lFirst.GetNodeCount(), 5);
    EXPECT_EQ(lB->GetScene(), &lFirst);

    // Leaving a scene never fails, clash or not.
    EXPECT_EQ(lRoot1->RemoveChild(lA.get()), lA.get());
    EXPECT_EQ(lFirst.GetNodeCount(), 2);
    EXPECT_EQ(lC->GetScene(), nullptr);

    // Between free nodes nothing is checked.
    auto lFree = MakeNode("Free");
    EXPECT_TRUE(lFree->AddChild(lA.get()));

    // A new root whose names exist below the current root is refused in mode 1.
    auto lOtherRoot = MakeNode("Other");
    auto lDuplicate = MakeNode("Kid");
    auto lKid = MakeNode("Kid");
    ASSERT_TRUE(lRoot2->AddChild(lKid.get()));
    ASSERT_TRUE(lOtherRoot->AddChild(lDuplicate.get()));
    EXPECT_FALSE(lOtherRoot->SetScene(&lSecond, 1));
    EXPECT_EQ(lOtherRoot->GetError().GetLastErrorID(), KRyvNode::kNodeNameClash);
    EXPECT_EQ(lSecond.GetRootNode(), lRoot2.get());
    EXPECT_EQ(lSecond.GetNodeCount(), 2);
}

TEST(KRyvNodeTest, NewRootReplacesTheOldOne)
{
    KRyvSceneEntity lScene;
    auto lOld = MakeNode("Old");
    auto lChild = MakeNode("Child");
    auto lNew = MakeNode("New");
    ASSERT_TRUE(lOld->AddChild(lChild.get()));
    ASSERT_TRUE(lOld->SetScene(&lScene, 1));
    ASSERT_TRUE(lNew->SetScene(&lScene, 1));
    EXPECT_EQ(lScene.GetRootNode(), lNew.get());
    EXPECT_EQ(lScene.GetNodeCount(), 1);
    EXPECT_EQ(lOld->GetScene(), nullptr);
    EXPECT_EQ(lChild->GetScene(), nullptr);
    EXPECT_TRUE(lNew->SetScene(&lScene, 1));
    EXPECT_TRUE(lNew->SetScene(nullptr, 0));
    EXPECT_EQ(lScene.GetRootNode(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 0);
}

TEST(KRyvNodeTest, EntityListRules)
{
    KRyvSceneEntity lScene;
    auto lNode = MakeNode("A");
    EXPECT_FALSE(lScene.AddNode(nullptr));
    EXPECT_EQ(lScene.GetError().GetLastErrorString(), "Node is null.");
    EXPECT_TRUE(lScene.AddNode(lNode.get()));
    EXPECT_FALSE(lScene.AddNode(lNode.get()));
    EXPECT_EQ(lScene.GetError().GetLastErrorString(), "Node is already owned by the entity.");
    EXPECT_EQ(lScene.GetNode(1), nullptr);
    EXPECT_EQ(lScene.GetError().GetLastErrorString(), "Parameter is out of range.");
    EXPECT_EQ(lScene.GetNode(0), lNode.get());
    EXPECT_TRUE(lScene.RemoveNode(lNode.get()));
    EXPECT_FALSE(lScene.RemoveNode(lNode.get()));
    EXPECT_EQ(lScene.GetError().GetLastErrorString(), "Node does not belong to the entity.");
}

TEST(KRyvNodeTest, DestroyedNodesLeaveTheirScene)
{
    KRyvSceneEntity lScene;
    auto lRoot = std::make_unique<KRyvNode>(nullptr, "Root");
    auto lA = std::make_unique<KRyvNode>(nullptr, "A");
    auto lB = std::make_unique<KRyvNode>(nullptr, "B");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    ASSERT_TRUE(lRoot->AddChild(lA.get()));
    ASSERT_TRUE(lA->AddChild(lB.get()));

    // A middle node: its child is let go and leaves the scene with it.
    lA.reset();
    EXPECT_EQ(lScene.GetNodeCount(), 1);
    EXPECT_EQ(lB->GetParent(), nullptr);
    EXPECT_EQ(lB->GetScene(), nullptr);
    EXPECT_EQ(lRoot->GetChildCount(), 0);

    // The root destroyed directly: the content forgets it.
    ASSERT_TRUE(lRoot->AddChild(lB.get()));
    lRoot.reset();
    EXPECT_EQ(lScene.GetRootNode(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 0);
    EXPECT_EQ(lB->GetScene(), nullptr);
}

TEST(KRyvNodeTest, DestroyingAParentWithChildrenAttributeAndReferrers)
{
    TestReferrer lCharacter;
    TestAttribute lParentAttribute(KRyvNodeAttribute::eMesh);
    TestAttribute lChildAttribute(KRyvNodeAttribute::eSkeleton);
    auto lParent = MakeNode("Parent");
    auto lChild = MakeNode("Child");
    auto lGrand = MakeNode("Grand");
    ASSERT_TRUE(lParent->AddChild(lChild.get()));
    ASSERT_TRUE(lChild->AddChild(lGrand.get()));
    lParent->SetNodeAttribute(&lParentAttribute);
    lChild->SetNodeAttribute(&lChildAttribute);
    lCharacter.Point(lParent.get(), 0, 0);
    lCharacter.Point(lChild.get(), 1, 0);
    lChild->SetLookAtTarget(lParent.get());
    lParent->AddTakeNode("Take 001");

    lParent.reset();
    EXPECT_EQ(lParentAttribute.GetNode(), nullptr);
    EXPECT_EQ(lParentAttribute.mRemoved.size(), 2u);
    EXPECT_EQ(lCharacter.mTables[0][0], nullptr);
    EXPECT_EQ(lCharacter.mTables[1][0], lChild.get());
    EXPECT_EQ(lChild->GetParent(), nullptr);
    EXPECT_EQ(lChild->GetLookAtTarget(), nullptr);
    EXPECT_EQ(lChild->GetChild(0), lGrand.get());

    lChild.reset();
    EXPECT_EQ(lChildAttribute.GetNode(), nullptr);
    EXPECT_EQ(lCharacter.mTables[1][0], nullptr);
    EXPECT_EQ(lGrand->GetParent(), nullptr);
}
