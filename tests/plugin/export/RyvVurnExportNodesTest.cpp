#include "platform/vurn/MGlobal.h"
#include "plugin/export/RyvVurnExportSteps.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvNurb.h"
#include "tests/plugin/export/ExportTestSupport.h"

namespace {
class RyvVurnExportNodesTest : public ExportTest
{
protected:
    void Walk()
    {
        mExporter.BeginSteps("nodes");
        mExporter.ExportGeometry(1, 0);
        mExporter.ExportHierarchy(1, 0);
    }
    void TearDown() override
    {
        mExporter.EndSteps();
        ExportTest::TearDown();
    }

    KRyvNode* Node(const char* pName) { return Find(mExporter.GetRootNode(), pName); }

    static int Typed(const char* pName, int pTypeId)
    {
        const int lNode = VurnFixtures::Transform(pName);
        VurnAttribute lId;
        lId.mName = "sorquinTypeID";
        lId.mShortName = "sti";
        lId.mUnitType = MFnNumericData::kInt;
        lId.mApiType = MFn::kNumericAttribute;
        lId.mDynamic = true;
        Scene().AddDynamicAttribute(lNode, lId);
        Scene().SetNumber(lNode, "sorquinTypeID", pTypeId);
        return lNode;
    }

    static int Dynamic(int pNode, const char* pName, int pUnit, double pDefault,
                       std::vector<VurnAttribute> pChildren = {})
    {
        VurnAttribute lAttribute;
        lAttribute.mName = pName;
        lAttribute.mShortName = pName;
        lAttribute.mUnitType = pUnit;
        lAttribute.mDefault = pDefault;
        lAttribute.mDynamic = true;
        lAttribute.mApiType = pChildren.empty() ? MFn::kNumericAttribute : MFn::kAttribute3Double;
        lAttribute.mKind =
            pChildren.empty() ? VurnAttributeKind::kNumeric : VurnAttributeKind::kCompound;
        return Scene().AddDynamicAttribute(pNode, lAttribute, pChildren);
    }

    RyvVurnExporter mExporter;
};
} // namespace

TEST_F(RyvVurnExportNodesTest, DispatchByHostType)
{
    VurnFixtures::DefaultCameras();
    VurnFixtures::Cube("mesh");
    VurnFixtures::NurbsPatch("patch");
    VurnFixtures::Cluster("cluster", VurnFixtures::Cube("clustered"), {0});
    Typed("groundPlane_transform", 0);
    Typed("plain1", 1);
    Typed("root", 2);
    Typed("effector", 3);
    Typed("limb", 4);
    Typed("node5", 5);
    Typed("seven", 7);
    const int lSub = VurnFixtures::Transform("sub");
    Scene().CreateNode(MFn::kCameraSubKind, "subShape", lSub);
    Walk();
    for (const char* lName : {"persp", "top", "front", "side", "groundPlane_transform", "seven"}) {
        EXPECT_EQ(Node(lName), nullptr) << lName;
    }
    for (const char* lName : {"mesh", "clustered"}) {
        ASSERT_NE(Node(lName), nullptr) << lName;
        EXPECT_NE(dynamic_cast<KRyvMesh*>(Node(lName)->GetNodeAttribute()), nullptr) << lName;
    }
    ASSERT_NE(Node("patch"), nullptr);
    EXPECT_NE(dynamic_cast<KRyvNurb*>(Node("patch")->GetNodeAttribute()), nullptr);
    ASSERT_NE(Node("clusterHandle"), nullptr);
    EXPECT_NE(dynamic_cast<KRyvNull*>(Node("clusterHandle")->GetNodeAttribute()), nullptr);
    EXPECT_NE(dynamic_cast<KRyvNull*>(Node("plain1")->GetNodeAttribute()), nullptr);
    // The sub-kind camera is a camera, and exported as one.
    ASSERT_NE(Node("sub"), nullptr);
    EXPECT_EQ(dynamic_cast<KRyvNull*>(Node("sub")->GetNodeAttribute()), nullptr);
    const struct
    {
        const char* mName;
        int mType;
        bool mSized;
    } lSkeletons[] = {
        {"root", 0, false}, {"effector", 3, true}, {"limb", 1, true}, {"node5", 2, true}};
    for (const auto& lCase : lSkeletons) {
        KRyvSkeleton* lSkeleton = Node(lCase.mName)->GetSkeleton();
        ASSERT_NE(lSkeleton, nullptr) << lCase.mName;
        EXPECT_EQ(lSkeleton->GetSkeletonType(), lCase.mType) << lCase.mName;
        EXPECT_EQ(lSkeleton->GetSizeWasSet(), lCase.mSized) << lCase.mName;
    }
}

TEST_F(RyvVurnExportNodesTest, InheritTypeOfJoints)
{
    VurnFixtures::JointChain("j", 1);
    VurnFixtures::Transform("plain");
    GetOptionStore().SetBool(kExportBypassRrsInheritance, true);
    Walk();
    int lType = -1;
    EXPECT_EQ(Node("j1")->GetTransformInheritType(lType), 1);
    EXPECT_EQ(Node("plain")->GetTransformInheritType(lType), 1);
}

TEST_F(RyvVurnExportNodesTest, VisibilityLooksOneLevelUp)
{
    const int lHidden = VurnFixtures::Transform("hidden");
    Scene().SetNumber(lHidden, "visibility", 0);
    const int lShape = Scene().CreateNode(MFn::kCamera, "hiddenShape", lHidden);
    EXPECT_FALSE(GetHostVisibility(MFnDagNode(PathOf(lShape))));
    EXPECT_FALSE(GetHostVisibility(MFnDagNode(PathOf(lHidden))));
    Scene().SetNumber(lHidden, "visibility", 1);
    EXPECT_TRUE(GetHostVisibility(MFnDagNode(PathOf(lShape))));
    // A query that fails counts as visible.
    Scene().SetNumber(lHidden, "visibility", 0);
    Scene().mFailingNodes.insert(lHidden);
    Scene().mFailingNodes.insert(lShape);
    EXPECT_TRUE(GetHostVisibility(MFnDagNode(PathOf(lShape))));
}

TEST_F(RyvVurnExportNodesTest, LinkingUnderTheFirstParent)
{
    const int lA = VurnFixtures::Transform("a");
    const int lB = VurnFixtures::Transform("b");
    const int lShared = VurnFixtures::Transform("shared", lA);
    Scene().AddParent(lShared, lB);
    VurnFixtures::Transform("leaf", VurnFixtures::Transform("mid", lB));
    Walk();
    // Each instance path gets a node, and each links under the first parent only.
    EXPECT_EQ(Node("a")->GetChildCount(), 2);
    EXPECT_EQ(Node("b")->GetChild(0), Node("mid"));
    EXPECT_EQ(Node("leaf")->GetParent(), Node("mid"));
    // Unselected parents put their children under the root.
    RyvVurnNode* lLeaf = dynamic_cast<RyvVurnNode*>(Node("leaf"));
    MSelectionList lSelection;
    lSelection.add(*lLeaf->GetDagPath());
    MGlobal::setActiveSelectionList(lSelection);
    GetOptionStore().SetBool(kExportSelectionOnly, true);
    RyvVurnExporter lSelected;
    ASSERT_TRUE(lSelected.Export(mFolder.PathOf("sel.ryv").c_str()));
    EXPECT_EQ(Find(lSelected.GetRootNode(), "leaf")->GetParent(), lSelected.GetRootNode());
}

TEST_F(RyvVurnExportNodesTest, StaleTableEntriesArePassedOver)
{
    const int lA = VurnFixtures::Transform("a");
    const int lB = VurnFixtures::Transform("b");
    VurnFixtures::Transform("kid", lA);
    VurnFixtures::Transform("kid", lB);
    mExporter.BeginSteps("nodes");
    mExporter.ExportGeometry(1, 0);
    // The table keys "|a" and "|a|kid" now name b's paths, while their nodes moved to "|x".
    ASSERT_TRUE(Scene().Rename(lA, "x"));
    ASSERT_TRUE(Scene().Rename(lB, "a"));
    mExporter.ExportHierarchy(1, 0);
    KRyvNode* lNodeB = Node("b");
    ASSERT_NE(lNodeB, nullptr);
    EXPECT_EQ(lNodeB->GetParent(), mExporter.GetRootNode());
    ASSERT_EQ(lNodeB->GetChildCount(), 1);
    const auto* lKid = dynamic_cast<RyvVurnNode*>(lNodeB->GetChild(0));
    ASSERT_NE(lKid, nullptr);
    EXPECT_EQ(std::string(lKid->GetDagPath()->fullPathName().asChar()), "|a|kid");
    EXPECT_EQ(Node("a"), nullptr);
}

TEST_F(RyvVurnExportNodesTest, UserPropertiesOfEveryNumericType)
{
    const int lNode = VurnFixtures::JointChain("j", 1)[0];
    Dynamic(lNode, "flag", MFnNumericData::kBoolean, 1.0);
    Dynamic(lNode, "count", MFnNumericData::kInt, 0.0);
    Scene().SetNumber(lNode, "count", 12);
    const int lReal = Dynamic(lNode, "weight", MFnNumericData::kDouble, 0.25);
    VurnAttribute* lWeight = const_cast<VurnAttribute*>(Scene().Attribute(lReal));
    lWeight->mHasSoftMin = lWeight->mHasSoftMax = true;
    lWeight->mSoftMin = -1.0;
    lWeight->mSoftMax = 2.0;
    std::vector<VurnAttribute> lChildren(3);
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lChildren[lAxis].mName = std::string("aim") + "XYZ"[lAxis];
        lChildren[lAxis].mShortName = lChildren[lAxis].mName;
        lChildren[lAxis].mUnitType = MFnNumericData::kDouble;
        lChildren[lAxis].mApiType = MFn::kNumericAttribute;
        lChildren[lAxis].mDefault = lAxis + 1.0;
    }
    Dynamic(lNode, "aim", MFnNumericData::k3Double, 0.0, lChildren);
    Dynamic(lNode, "miHidden", MFnNumericData::kDouble, 0.0);
    Dynamic(lNode, "wide", MFnNumericData::k3Float + 100, 0.0);
    Walk();
    mExporter.ExportUserPropertiesTree(mExporter.GetRootNode());
    KRyvNode* lKit = Node("j1");
    for (const char* lName : {"flag", "count", "weight", "aim"}) {
        ASSERT_NE(lKit->FindUserProperty(lName), nullptr) << lName;
    }
    // A host prefix and a numeric type the kit has no user type for are not exported.
    EXPECT_EQ(lKit->FindUserProperty("wide"), nullptr);
    bool lFlag = false;
    ASSERT_TRUE(lKit->FindUserProperty("flag")->GetValue(lFlag));
    EXPECT_TRUE(lFlag);
    int lCount = 0;
    lKit->FindUserProperty("count")->GetValue(lCount);
    EXPECT_EQ(lCount, 12);
    KRyvUserProperty* lWeightProperty = lKit->FindUserProperty("weight");
    EXPECT_EQ(lWeightProperty->GetType(), KRyvUserProperty::kTypeReal);
    EXPECT_DOUBLE_EQ(lWeightProperty->GetMinimum(), -1.0);
    EXPECT_DOUBLE_EQ(lWeightProperty->GetMaximum(), 2.0);
    EXPECT_TRUE(lWeightProperty->GetFlag(KRyvUserProperty::kFlagSecond));
    KRyvUserProperty* lAim = lKit->FindUserProperty("aim");
    EXPECT_EQ(lAim->GetType(), KRyvUserProperty::kTypeVector);
    double lX = 0.0;
    double lY = 0.0;
    double lZ = 0.0;
    ASSERT_TRUE(lAim->GetValue(lX, lY, lZ));
    EXPECT_EQ(lZ, 3.0);
    EXPECT_EQ(lKit->FindUserProperty("miHidden"), nullptr);
}

// Byte attributes hold 0 to 255: a value above 127 keeps its value.
TEST_F(RyvVurnExportNodesTest, ByteAttributesAreUnsigned)
{
    const int lNode = VurnFixtures::JointChain("j", 1)[0];
    Dynamic(lNode, "level", MFnNumericData::kByte, 0.0);
    Scene().SetNumber(lNode, "level", 200);
    Dynamic(lNode, "unset", MFnNumericData::kByte, 255.0);
    Walk();
    mExporter.ExportUserPropertiesTree(mExporter.GetRootNode());
    KRyvNode* lKit = Node("j1");
    for (const auto& lCase : {std::make_pair("level", 200), std::make_pair("unset", 255)}) {
        KRyvUserProperty* lProperty = lKit->FindUserProperty(lCase.first);
        ASSERT_NE(lProperty, nullptr) << lCase.first;
        EXPECT_EQ(lProperty->GetType(), KRyvUserProperty::kTypeInteger);
        int lValue = 0;
        ASSERT_TRUE(lProperty->GetValue(lValue));
        EXPECT_EQ(lValue, lCase.second) << lCase.first;
    }
}

TEST_F(RyvVurnExportNodesTest, BindPoseFallbackQuestion)
{
    const MDagPath lPath = PathOf(VurnFixtures::Transform("joint"));
    KLog lLog("ask.txt", "ask", true, false);
    bool lAbort = true;
    AskBindPoseFallback(lPath, lAbort, lLog);
    ASSERT_EQ(lLog.GetLineCount(), 3);
    EXPECT_STREQ(lLog.GetLine(0).Buffer(),
                 "RYV Export Warning: Could not retrieve bind pose for object :  / joint");
    EXPECT_STREQ(lLog.GetLine(1).Buffer(),
                 "No bind poses in the hierarchy containing the object will be exported.");
    EXPECT_TRUE(lAbort);
    GetOptionStore().SetBool(kExportShowUI, true);
    for (const char* lAnswer : {"Yes", "No"}) {
        Scene().mScriptedAnswers["confirmDialog"].push_back(lAnswer);
        lAbort = true;
        KLog lAsked("ask.txt", "ask", true, false);
        AskBindPoseFallback(lPath, lAbort, lAsked);
        EXPECT_EQ(lAbort, std::string(lAnswer) == "No");
        EXPECT_STREQ(lAsked.GetLine(1).Buffer(), lAbort ? "User aborted the export of bind poses."
                                                        : "Used the DAG node current transform.");
        EXPECT_STREQ(lAsked.GetLine(2).Buffer(), "");
    }
    EXPECT_NE(Scene().GetCommands().back().find("RYV Export Question"), std::string::npos);
}

TEST_F(RyvVurnExportNodesTest, RemovalListNodesGoBeforeTheWrite)
{
    RyvVurnExporter lExporter;
    KRyvNode* lTemporary = lExporter.GetFactory().CreateNode("temporary", nullptr);
    lTemporary->AddChild(lExporter.GetFactory().CreateNode("below", nullptr));
    lExporter.GetRootNode()->AddChild(lTemporary);
    lExporter.AddToRemovalList(lTemporary);
    const int lNodes = lExporter.GetFactory().GetNodeCount();
    lExporter.DestroyRemovalList();
    EXPECT_EQ(lExporter.GetRootNode()->GetChildCount(), 0);
    EXPECT_EQ(lExporter.GetFactory().GetNodeCount(), lNodes - 2);
}
