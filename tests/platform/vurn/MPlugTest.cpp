#include "platform/vurn/MFnAttribute.h"
#include "platform/vurn/MFnDependencyNode.h"

#include <gtest/gtest.h>

namespace {
class MPlugTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VurnScene::Reset();
        mSkin = VurnScene::Get().CreateNode(MFn::kSkinClusterFilter, "skin");
    }

    int mSkin = -1;
};
} // namespace

TEST_F(MPlugTest, SparseArraysGoByLogicalIndex)
{
    MFnDependencyNode lNode(MObject::node(mSkin));
    ASSERT_TRUE(lNode.findPlug("wl[5].weights[2]").setValue(0.5));
    ASSERT_TRUE(lNode.findPlug("weightList[2].w[7]").setValue(0.25));
    ASSERT_TRUE(lNode.findPlug("wl[2].weights[3]").setValue(0.75));

    const MPlug lList = lNode.findPlug("weightList");
    ASSERT_TRUE(lList.isArray());
    ASSERT_EQ(lList.numElements(), 2u);
    const MPlug lFirst = lList.elementByPhysicalIndex(0);
    EXPECT_EQ(lFirst.logicalIndex(), 2u);
    EXPECT_EQ(lList.elementByPhysicalIndex(1).logicalIndex(), 5u);
    MStatus lStatus;
    lList.elementByPhysicalIndex(2, &lStatus);
    EXPECT_FALSE(lStatus);

    const MPlug lWeights = lFirst.child(0);
    ASSERT_EQ(lWeights.numElements(), 2u);
    EXPECT_EQ(lWeights.elementByPhysicalIndex(1).logicalIndex(), 7u);
    EXPECT_DOUBLE_EQ(lWeights.elementByLogicalIndex(7).asDouble(), 0.25);
    EXPECT_EQ(lWeights.elementByLogicalIndex(7).name().str(), "skin.weightList[2].weights[7]");

    // An element not yet there reads its default and does not count.
    EXPECT_DOUBLE_EQ(lWeights.elementByLogicalIndex(9).asDouble(), 1.0);
    EXPECT_EQ(lWeights.numElements(), 2u);

    // Moving a plug to another element of an ancestor array.
    MPlug lMoved = lWeights.elementByLogicalIndex(2);
    ASSERT_TRUE(lMoved.selectAncestorLogicalIndex(5, lNode.attribute("weightList")));
    EXPECT_DOUBLE_EQ(lMoved.asDouble(), 0.5);
    EXPECT_FALSE(lMoved.selectAncestorLogicalIndex(1, lNode.attribute("envelope")));

    // A child named alone waits for its array ancestor's element.
    MPlug lGroupId = lNode.findPlug("groupId");
    ASSERT_FALSE(lGroupId.isNull());
    EXPECT_FALSE(lGroupId.setValue(3));
    lGroupId.asDouble(&lStatus);
    EXPECT_FALSE(lStatus);
    ASSERT_TRUE(lGroupId.selectAncestorLogicalIndex(4, lNode.attribute("input")));
    ASSERT_TRUE(lGroupId.setValue(3));
    EXPECT_EQ(lGroupId.name().str(), "skin.input[4].groupId");
    MPlug lAlone = lNode.findPlug("weights");
    ASSERT_TRUE(lAlone.selectAncestorLogicalIndex(5, lNode.attribute("wl")));
    EXPECT_EQ(lAlone.numElements(), 1u);
}

TEST_F(MPlugTest, PlugTextsAreParsedStrictly)
{
    MFnDependencyNode lNode(MObject::node(mSkin));
    MStatus lStatus;
    for (const char* lBad : {"", "nothing", "wl[", "wl[x]", "wl[-1]", "wl[1]x", "envelope[0]",
                             "wl[1].nothing", "wl[99999999999]", "wl[1]]"}) {
        lNode.findPlug(lBad, &lStatus);
        EXPECT_FALSE(lStatus) << lBad;
    }
    EXPECT_TRUE(lNode.findPlug("input[3].groupId").setValue(4));
    EXPECT_FALSE(lNode.findPlug("input[3]").setValue(4));
    EXPECT_FALSE(lNode.findPlug("weightList").setValue(1.0));
}

TEST_F(MPlugTest, ConnectionsWalkBothWays)
{
    VurnScene& lScene = VurnScene::Get();
    const int lJoint = lScene.CreateNode(MFn::kJoint, "joint");
    ASSERT_TRUE(lScene.Connect(lJoint, "worldMatrix[0]", mSkin, "matrix[3]"));
    EXPECT_FALSE(lScene.Connect(lJoint, "worldMatrix[0]", mSkin, "matrix[3]"));

    MFnDependencyNode lSkin(MObject::node(mSkin));
    MPlugArray lSources;
    EXPECT_TRUE(lSkin.findPlug("matrix[3]").connectedTo(lSources, true, false));
    ASSERT_EQ(lSources.length(), 1u);
    EXPECT_EQ(lSources[0].node(), MObject::node(lJoint));
    EXPECT_EQ(lSources[0].info().str(), "|joint.worldMatrix[0]");
    EXPECT_FALSE(lSkin.findPlug("matrix[3]").connectedTo(lSources, false, true));
    EXPECT_EQ(lSkin.findPlug("matrix").numElements(), 1u);

    MPlugArray lDestinations;
    MFnDependencyNode lJointFn(MObject::node(lJoint));
    EXPECT_TRUE(lJointFn.findPlug("worldMatrix[0]").connectedTo(lDestinations, false, true));
    EXPECT_EQ(lDestinations[0].logicalIndex(), 3u);
}

TEST_F(MPlugTest, DynamicAttributesAndCompoundChildren)
{
    VurnScene& lScene = VurnScene::Get();
    const int lNode = lScene.CreateNode(MFn::kTransform, "t");
    VurnAttribute lColor;
    lColor.mName = "tint";
    lColor.mShortName = "tn";
    lColor.mKind = VurnAttributeKind::kCompound;
    lColor.mApiType = MFn::kAttribute3Float;
    lColor.mUnitType = MFnNumericData::k3Float;
    lColor.mUsedAsColor = true;
    VurnAttribute lChild;
    lChild.mApiType = MFn::kNumericAttribute;
    lChild.mUnitType = MFnNumericData::kFloat;
    std::vector<VurnAttribute> lChildren(3, lChild);
    lChildren[0].mName = "tintR";
    lChildren[1].mName = "tintG";
    lChildren[2].mName = "tintB";
    ASSERT_GE(lScene.AddDynamicAttribute(lNode, lColor, lChildren), 0);
    EXPECT_LT(lScene.AddDynamicAttribute(lNode, lColor, lChildren), 0);

    MFnDependencyNode lFn(MObject::node(lNode));
    const MObject lTint = lFn.attribute("tn");
    EXPECT_EQ(lFn.attributeClass(lTint), MFnDependencyNode::kLocalDynamicAttr);
    EXPECT_EQ(lFn.attributeClass(lFn.attribute("translateX")), MFnDependencyNode::kNormalAttr);
    EXPECT_TRUE(lTint.hasFn(MFn::kCompoundAttribute));
    EXPECT_TRUE(MFnAttribute(lTint).isUsedAsColor());
    MFnCompoundAttribute lCompound(lTint);
    ASSERT_EQ(lCompound.numChildren(), 3u);
    EXPECT_EQ(MFnAttribute(lCompound.child(1)).parent(), lTint);
    EXPECT_EQ(MFnNumericAttribute(lCompound.child(1)).unitType(), MFnNumericData::kFloat);
    ASSERT_TRUE(lFn.findPlug("tintG").setValue(0.5));
    EXPECT_DOUBLE_EQ(lFn.findPlug("tint").child(1).asDouble(), 0.5);
    EXPECT_EQ(lFn.findPlug("tint").child(lCompound.child(2)).name().str(), "t.tint.tintB");
}
