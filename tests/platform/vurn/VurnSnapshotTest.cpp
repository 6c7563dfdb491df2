#include "platform/vurn/VurnSnapshot.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnSet.h"
#include "platform/vurn/MFnShaders.h"
#include "platform/vurn/MGlobal.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
// A small scene: |top|child with a mesh shape, a set, a curve on child.translateX.
void BuildScene()
{
    VurnScene::Reset();
    VurnScene& lScene = VurnScene::Get();
    const int lTop = lScene.CreateNode(MFn::kTransform, "top");
    const int lChild = lScene.CreateNode(MFn::kTransform, "child", lTop);
    const int lShape = lScene.CreateNode(MFn::kMesh, "childShape", lChild);
    lScene.MutableNode(lShape)->mMesh = std::make_shared<VurnMeshData>();
    lScene.MutableNode(lShape)->mMesh->mPoints = {MPoint(0, 0, 0), MPoint(1, 0, 0),
                                                  MPoint(0, 1, 0)};
    lScene.MutableNode(lShape)->mMesh->mPolygons = {{0, 1, 2}};
    lScene.CreateNode(MFn::kSet, "set");
    lScene.CreateNode(MFn::kBlendShape, "blend");
    MFnAnimCurve lCurve;
    lCurve.create(MFnDependencyNode(MObject::node(lChild)).findPlug("translateX"));
    lCurve.addKey(MTime(0.0), 1.0);
}

int Node(const char* pName)
{
    return VurnScene::Get().FindNode(pName);
}
} // namespace

TEST(VurnSnapshotTest, FindsEachKindOfChange)
{
    const std::pair<const char*, std::function<void()>> lChanges[] = {
        {"rename", [] { VurnScene::Get().Rename(Node("set"), "other"); }},
        {"value", [] { VurnScene::Get().SetNumber(Node("|top|child"), "translateY", 2); }},
        {"element", [] { VurnScene::Get().SetNumber(Node("blend"), "weight[3]", 0); }},
        {"create", [] { VurnScene::Get().CreateNode(MFn::kLambert, "lambert"); }},
        {"delete", [] { VurnScene::Get().DeleteNode(Node("set")); }},
        {"connect",
         [] { VurnScene::Get().Connect(Node("top"), "visibility", Node("blend"), "envelope"); }},
        {"parent",
         [] {
             VurnScene::Get().AddParent(Node("|top|child"),
                                        VurnScene::Get().CreateNode(MFn::kTransform, "x"));
         }},
        {"intermediate", [] { VurnScene::Get().SetIntermediate(Node("childShape"), true); }},
        {"geometry",
         [] { VurnScene::Get().MutableNode(Node("childShape"))->mMesh->mPoints[1].x = 5; }},
        {"keys",
         [] { MFnAnimCurve(MObject::node(Node("child_translateX"))).addKey(MTime(1.0), 2.0); }},
        {"member",
         [] {
             MDagPath lPath;
             MDagPath::getAPathTo(MObject::node(Node("|top|child")), lPath);
             MFnSet(MObject::node(Node("set"))).addMember(lPath);
         }},
        {"selection",
         [] {
             MSelectionList lList;
             lList.add(MObject::node(Node("top")));
             MGlobal::setActiveSelectionList(lList);
         }},
        {"time", [] { MAnimControl::setCurrentTime(MTime(3.0)); }},
        {"attribute",
         [] {
             VurnAttribute lAttribute;
             lAttribute.mName = "extra";
             VurnScene::Get().AddDynamicAttribute(Node("top"), lAttribute);
         }},
    };
    for (const auto& lChange : lChanges) {
        BuildScene();
        const VurnSnapshot lBefore = VurnSnapshot::Take();
        EXPECT_TRUE(lBefore.Diff(VurnSnapshot::Take()).empty());
        lChange.second();
        EXPECT_FALSE(lBefore.Diff(VurnSnapshot::Take()).empty()) << lChange.first;
    }
}

TEST(VurnSnapshotTest, AValueSetAndRestoredLeavesNoDifference)
{
    BuildScene();
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    VurnScene& lScene = VurnScene::Get();
    lScene.SetNumber(Node("blend"), "envelope", 0.0);
    const std::vector<std::string> lDiff = lBefore.Diff(VurnSnapshot::Take());
    ASSERT_EQ(lDiff.size(), 1u);
    EXPECT_EQ(lDiff[0].rfind("added node", 0), 0u) << lDiff[0];
    lScene.SetNumber(Node("blend"), "envelope", 1.0);
    EXPECT_TRUE(lBefore.Diff(VurnSnapshot::Take()).empty());
    EXPECT_GT(lScene.GetMutations().size(), 2u);
}

// What an export does to the host scene and undoes: an envelope set to 0 and back, a material
// made and deleted by name, "divisions" set to 0 and back through commands.
TEST(VurnSnapshotTest, TheExportsRoundTripsLeaveNoDifference)
{
    BuildScene();
    VurnScene& lScene = VurnScene::Get();
    const int lSmooth = lScene.CreateNode(MFn::kPolySmoothFacet, "smooth");
    lScene.SetNumber(lSmooth, "divisions", 2);
    const VurnSnapshot lBefore = VurnSnapshot::Take();

    lScene.SetNumber(Node("blend"), "envelope", 0.0);
    MFnPhongShader lShader;
    lShader.create();
    lShader.setName("Default_Material");
    lShader.setCosPower(10.0f);
    int lDivisions = 0;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr \"smooth.divisions\"", lDivisions));
    ASSERT_TRUE(MGlobal::executeCommand("setAttr \"smooth.divisions\" 0"));
    EXPECT_FALSE(lBefore.Diff(VurnSnapshot::Take()).empty());

    lScene.SetNumber(Node("blend"), "envelope", 1.0);
    ASSERT_TRUE(MGlobal::executeCommand("delete Default_Material"));
    MString lRestore("setAttr \"smooth.divisions\" ");
    lRestore += lDivisions;
    ASSERT_TRUE(MGlobal::executeCommand(lRestore));
    EXPECT_TRUE(lBefore.Diff(VurnSnapshot::Take()).empty());
    EXPECT_EQ(lScene.GetCommands().size(), 4u);
}
