#include "io/KReadRollback.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"

#include <gtest/gtest.h>

namespace {

// A reader's partial work: a detached reference with a chain below it, one joint already moved
// under the scene's root, a key batch left open, a node whose attribute was never bound.
struct PartialRead
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    int mNodes = mFactory.GetNodeCount();
    int mAttributes = mFactory.GetNodeAttributeCount();
    KFCurve* mOpenCurve = nullptr;

    void Build(KReadRollback& ioRollback)
    {
        KRyvNode* lReference = ioRollback.AddNode(mFactory.CreateNode("X:reference"));
        KRyvNode* lParent = lReference;
        for (int i = 0; i < 5; ++i) {
            KRyvNode* lNode =
                ioRollback.AddNode(mFactory.CreateNode(("J" + std::to_string(i)).c_str()));
            KRyvSkeleton* lSkeleton = mFactory.CreateSkeleton();
            ioRollback.AddAttribute(lSkeleton);
            lNode->SetNodeAttribute(lSkeleton);
            lParent->AddChild(lNode);
            lParent = lNode;
        }
        KRyvNode* lMoved = ioRollback.AddNode(mFactory.CreateNode("Moved"));
        mScene->GetRootNode()->AddChild(lMoved);
        lMoved->AddTakeNode("take");
        lMoved->SetCurrentTakeNode("take");
        mOpenCurve = lMoved->GetCurrentTakeNode()->GetTransformTX();
        ASSERT_TRUE(ioRollback.BeginKeySet(mOpenCurve, 10));
        mOpenCurve->GetKey(0)->Set(KTime(), 1.0f);
        mOpenCurve->GetKey(1)->Set(KTime(100), 2.0f);
        ioRollback.AddAttribute(mFactory.CreateSkeleton());
        ioRollback.AddPose(mFactory.CreatePose("rest", 0));
        ioRollback.AddMaterial(mFactory.CreateMaterial("steel"));
        ioRollback.AddTexture(mFactory.CreateTexture("rust"));
        ioRollback.AddVideo(mFactory.CreateVideo("clip"));
        ioRollback.AddGobo(mFactory.CreateGobo("window"));
        EXPECT_EQ(ioRollback.AddNode(nullptr), nullptr);
    }
};

TEST(KReadRollback, UndoLeavesFactoryAndSceneAsFound)
{
    PartialRead lRead;
    {
        KReadRollback lRollback(&lRead.mFactory);
        lRead.Build(lRollback);
        EXPECT_EQ(lRollback.GetNodeCount(), 7);
        EXPECT_EQ(lRollback.GetOpenKeySetCount(), 1);
        EXPECT_FALSE(lRollback.BeginKeySet(lRead.mOpenCurve, 3));
        EXPECT_FALSE(lRollback.BeginKeySet(nullptr, 3));
    }
    EXPECT_EQ(lRead.mFactory.GetNodeCount(), lRead.mNodes);
    EXPECT_EQ(lRead.mFactory.GetNodeAttributeCount(), lRead.mAttributes);
    EXPECT_EQ(lRead.mFactory.GetPoseCount(), 0);
    EXPECT_EQ(lRead.mFactory.GetMaterialCount(), 0);
    EXPECT_EQ(lRead.mFactory.GetTextureCount(), 0);
    EXPECT_EQ(lRead.mFactory.GetVideoCount(), 0);
    EXPECT_EQ(lRead.mFactory.GetGoboCount(), 0);
    EXPECT_EQ(lRead.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(KReadRollback, CommitKeepsEverythingAndClosesBatches)
{
    PartialRead lRead;
    KReadRollback lRollback(&lRead.mFactory);
    lRead.Build(lRollback);
    lRollback.Commit();
    EXPECT_EQ(lRollback.GetNodeCount(), 0);
    EXPECT_EQ(lRollback.GetOpenKeySetCount(), 0);
    // The open batch ends with the keys that were set, not the count it announced.
    EXPECT_EQ(lRead.mOpenCurve->GetKeyCount(), 2);
    EXPECT_TRUE(lRead.mOpenCurve->BeginKeySet(1));
    EXPECT_TRUE(lRead.mOpenCurve->EndKeySet(0));
    lRollback.Undo();
    EXPECT_EQ(lRead.mFactory.GetNodeCount(), lRead.mNodes + 7);
    EXPECT_EQ(lRead.mFactory.GetPoseCount(), 1);
    EXPECT_EQ(lRead.mFactory.GetMaterialCount(), 1);
    EXPECT_EQ(lRead.mFactory.GetTextureCount(), 1);
    EXPECT_EQ(lRead.mFactory.GetVideoCount(), 1);
    EXPECT_EQ(lRead.mFactory.GetGoboCount(), 1);
}

TEST(KReadRollback, EndKeySetsSetsTheCountRead)
{
    PartialRead lRead;
    KReadRollback lRollback(&lRead.mFactory);
    lRead.Build(lRollback);
    EXPECT_TRUE(lRollback.EndKeySets(1));
    EXPECT_EQ(lRead.mOpenCurve->GetKeyCount(), 1);
    EXPECT_EQ(lRollback.GetOpenKeySetCount(), 0);
    EXPECT_TRUE(lRollback.EndKeySets(1));
}

// A take added to nodes that were there before the read goes again on undo, and each node has
// its former current take back; a take the node has already is neither added nor removed.
TEST(KReadRollback, TakesAddedToFormerNodesAreRemovedOnUndo)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("Former");
    lNode->AddTakeNode("walk");
    lNode->AddTakeNode("run");
    ASSERT_TRUE(lNode->SetCurrentTakeNode("walk"));
    {
        KReadRollback lRollback(&lFactory);
        EXPECT_NE(lRollback.AddTakeNode(*lNode, "jump"), nullptr);
        EXPECT_EQ(lRollback.AddTakeNode(*lNode, "run"), nullptr);
        ASSERT_TRUE(lNode->SetCurrentTakeNode("jump"));
        EXPECT_EQ(lNode->GetTakeNodeCount(), 4);
    }
    EXPECT_EQ(lNode->GetTakeNodeCount(), 3);
    EXPECT_STREQ(lNode->GetTakeNodeName(2), "run");
    EXPECT_STREQ(lNode->GetCurrentTakeNode()->GetName().Buffer(), "walk");

    KReadRollback lKept(&lFactory);
    lKept.AddTakeNode(*lNode, "jump");
    lKept.Commit();
    lKept.Undo();
    EXPECT_EQ(lNode->GetTakeNodeCount(), 4);
}

TEST(KReadRollback, TransformsOfFormerNodesComeBackOnUndo)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("Former");
    lNode->SetLclTranslation(KVector4(1.0, 2.0, 3.0));
    lNode->SetLclRotation(KVector4(10.0, 20.0, 30.0));
    KVector4 lValue;
    {
        KReadRollback lRollback(&lFactory);
        lRollback.SetLclTransform(*lNode, KVector4(4.0, 5.0, 6.0), KVector4(0.0, 90.0, 0.0));
        lRollback.SetLclTransform(*lNode, KVector4(7.0, 8.0, 9.0), KVector4(0.0, 45.0, 0.0));
        EXPECT_EQ(lNode->GetLclTranslation(lValue)[0], 7.0);
    }
    EXPECT_EQ(lNode->GetLclTranslation(lValue)[2], 3.0);
    EXPECT_EQ(lNode->GetLclRotation(lValue)[1], 20.0);

    KReadRollback lKept(&lFactory);
    lKept.SetLclTransform(*lNode, KVector4(4.0, 5.0, 6.0), KVector4(0.0, 90.0, 0.0));
    lKept.Commit();
    lKept.Undo();
    EXPECT_EQ(lNode->GetLclRotation(lValue)[1], 90.0);
}

} // namespace
