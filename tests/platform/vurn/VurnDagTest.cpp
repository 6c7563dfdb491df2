#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/MItDag.h"
#include "platform/vurn/MSelectionList.h"

#include <gtest/gtest.h>

namespace {
class VurnDagTest : public ::testing::Test
{
protected:
    // |a|b|bShape, |c, and b instanced under c.
    void SetUp() override
    {
        VurnScene::Reset();
        mA = Scene().CreateNode(MFn::kTransform, "a");
        mB = Scene().CreateNode(MFn::kTransform, "b", mA);
        mShape = Scene().CreateNode(MFn::kMesh, "bShape", mB);
        mC = Scene().CreateNode(MFn::kTransform, "c");
        ASSERT_TRUE(Scene().AddParent(mB, mC));
    }

    static VurnScene& Scene() { return VurnScene::Get(); }

    int mA = -1, mB = -1, mShape = -1, mC = -1;
};
} // namespace

TEST_F(VurnDagTest, InstancesHaveOnePathEachInWalkOrder)
{
    MDagPathArray lPaths;
    ASSERT_TRUE(MDagPath::getAllPathsTo(MObject::node(mShape), lPaths));
    ASSERT_EQ(lPaths.length(), 2u);
    EXPECT_EQ(lPaths[0].fullPathName().str(), "|a|b|bShape");
    EXPECT_EQ(lPaths[1].fullPathName().str(), "|c|b|bShape");
    EXPECT_EQ(lPaths[0].instanceNumber(), 0u);
    EXPECT_EQ(lPaths[1].instanceNumber(), 1u);
    EXPECT_TRUE(lPaths[1].isInstanced());

    MFnDagNode lShape(MObject::node(mB));
    EXPECT_EQ(lShape.parentCount(), 2u);
    EXPECT_TRUE(lShape.isInstanced());

    MItDag lWalk(MItDag::kDepthFirst, MFn::kInvalid);
    std::vector<std::string> lNames;
    for (; !lWalk.isDone(); lWalk.next()) {
        MDagPath lPath;
        ASSERT_TRUE(lWalk.getPath(lPath));
        lNames.push_back(lPath.fullPathName().str());
    }
    const std::vector<std::string> lExpected = {"|a", "|a|b", "|a|b|bShape",
                                                "|c", "|c|b", "|c|b|bShape"};
    EXPECT_EQ(lNames, lExpected);
}

TEST_F(VurnDagTest, TransformPathAnswersForItsShape)
{
    MDagPath lPath;
    ASSERT_TRUE(MDagPath::getAPathTo(MObject::node(mB), lPath));
    EXPECT_TRUE(lPath.hasFn(MFn::kTransform));
    EXPECT_TRUE(lPath.hasFn(MFn::kMesh));
    EXPECT_EQ(lPath.apiType(), MFn::kMesh);
    EXPECT_EQ(lPath.node().apiType(), MFn::kTransform);
    Scene().SetIntermediate(mShape, true);
    EXPECT_FALSE(lPath.hasFn(MFn::kMesh));
    EXPECT_FALSE(lPath.extendToShape());
    Scene().SetIntermediate(mShape, false);
    ASSERT_TRUE(lPath.extendToShape());
    EXPECT_EQ(lPath.length(), 3u);
    EXPECT_EQ(lPath.transform(), MObject::node(mB));
    ASSERT_TRUE(lPath.pop());
    EXPECT_EQ(lPath.node(), MObject::node(mB));
    EXPECT_FALSE(lPath.pop(5));
}

TEST_F(VurnDagTest, NamesAndTheWorld)
{
    EXPECT_EQ(Scene().Node(Scene().CreateNode(MFn::kTransform, "b", mA))->mName, "b1");
    EXPECT_EQ(Scene().FindNode("|c|b"), mB);
    EXPECT_EQ(Scene().FindNode("|c|zz"), -1);
    const int lTwin = Scene().CreateNode(MFn::kTransform, "twin", mA);
    Scene().CreateNode(MFn::kTransform, "twin", mC);
    EXPECT_EQ(Scene().FindNode("twin"), -1);
    EXPECT_EQ(Scene().FindNode("|a|twin"), lTwin);
    EXPECT_EQ(MDagPath().fullPathName().str(), "");
    MFnDagNode lTop(MObject::node(mA));
    EXPECT_EQ(lTop.parent(0), MObject::node(VurnScene::kWorld));
    EXPECT_EQ(MFnDagNode(MObject::node(VurnScene::kWorld)).fullPathName().str(), "");
    EXPECT_FALSE(Scene().AddParent(mA, mShape));
    EXPECT_FALSE(Scene().AddParent(mA, mB));
    EXPECT_EQ(Scene().CreateNode(MFn::kTransform, "x", mShape + 100), -1);
}

TEST_F(VurnDagTest, DeletingANodeTakesItsOnlyChildrenAndConnections)
{
    ASSERT_TRUE(Scene().Connect(mA, "visibility", mC, "visibility"));
    ASSERT_TRUE(Scene().DeleteNode(mA));
    EXPECT_TRUE(Scene().IsAlive(mB));
    EXPECT_TRUE(Scene().Connections().empty());
    ASSERT_TRUE(Scene().DeleteNode(mC));
    EXPECT_FALSE(Scene().IsAlive(mB));
    EXPECT_FALSE(Scene().IsAlive(mShape));
    EXPECT_TRUE(MObject::node(mB).isNull());
    EXPECT_FALSE(Scene().DeleteNode(mC));
}

// The connections a deletion or a disconnection does not touch stay, found from either end and
// listed in the order they were made.
TEST_F(VurnDagTest, RemovalsLeaveTheOtherConnectionsInOrder)
{
    const int lD = Scene().CreateNode(MFn::kTransform, "d");
    ASSERT_TRUE(Scene().Connect(mC, "translateX", lD, "translateX"));
    ASSERT_TRUE(Scene().Connect(mA, "translateY", lD, "translateY"));
    ASSERT_TRUE(Scene().Connect(mC, "translateZ", lD, "translateZ"));
    ASSERT_TRUE(Scene().Connect(lD, "rotateX", lD, "rotateY"));
    ASSERT_TRUE(Scene().Connect(mC, "scaleX", mA, "scaleX"));
    ASSERT_TRUE(Scene().DeleteNode(mA));
    VurnPlugPath lPath;
    ASSERT_TRUE(Scene().ParsePlugPath(lD, "translateX", lPath));
    ASSERT_TRUE(Scene().Disconnect(lD, lPath));
    const std::vector<VurnConnection> lLeft = Scene().Connections();
    ASSERT_EQ(lLeft.size(), 2u);
    EXPECT_EQ(Scene().PlugPathText(lLeft[0].mDestination), "translate.translateZ");
    EXPECT_EQ(Scene().PlugPathText(lLeft[1].mDestination), "rotate.rotateY");
    EXPECT_EQ(Scene().ConnectionsOf(mC).size(), 1u);
    EXPECT_EQ(Scene().ConnectionsOf(lD).size(), 2u);
    VurnConnection lSource;
    ASSERT_TRUE(Scene().ParsePlugPath(lD, "rotateY", lPath));
    ASSERT_TRUE(Scene().SourceOf(lD, lPath, lSource));
    EXPECT_EQ(Scene().PlugPathText(lSource.mSource), "rotate.rotateX");
    ASSERT_TRUE(Scene().DeleteNode(lD));
    EXPECT_TRUE(Scene().Connections().empty());
    EXPECT_TRUE(Scene().ConnectionsOf(mC).empty());
    // Names go with their nodes: a name two nodes shared finds the one left.
    EXPECT_EQ(Scene().FindNode("a"), -1);
    const int lFirst = Scene().CreateNode(MFn::kSet, "twin");
    const int lSecond = Scene().CreateNode(MFn::kTransform, "twin", mC);
    EXPECT_EQ(Scene().FindNode("twin"), -1);
    ASSERT_TRUE(Scene().DeleteNode(lFirst));
    EXPECT_EQ(Scene().FindNode("twin"), lSecond);
}

TEST_F(VurnDagTest, SelectionListFindsPathsAndComponents)
{
    MDagPath lPath;
    ASSERT_TRUE(MDagPath::getAPathTo(MObject::node(mB), lPath));
    VurnComponent lVertices;
    lVertices.mType = MFn::kMeshVertComponent;
    lVertices.mFirst = {1, 2};
    const MObject lComponent = MObject::component(Scene().CreateComponent(lVertices));
    MSelectionList lList;
    ASSERT_TRUE(lList.add(lPath, lComponent));
    ASSERT_TRUE(lList.add(MObject::node(mC)));
    EXPECT_TRUE(lList.hasItem(lPath));
    EXPECT_TRUE(lList.hasItem(lPath, lComponent));
    MDagPathArray lAll;
    MDagPath::getAllPathsTo(MObject::node(mB), lAll);
    EXPECT_FALSE(lList.hasItem(lAll[1]));

    MItSelectionList lComponents(lList, MFn::kComponent);
    ASSERT_FALSE(lComponents.isDone());
    MDagPath lFound;
    MObject lFoundComponent;
    ASSERT_TRUE(lComponents.getDagPath(lFound, lFoundComponent));
    EXPECT_EQ(lFoundComponent, lComponent);
    lComponents.next();
    EXPECT_TRUE(lComponents.isDone());
    EXPECT_FALSE(lComponents.getDagPath(lFound));
}
