#include "scene/KRyvSceneEntity.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class KRyvSceneEntityTest : public ::testing::Test
{
protected:
    // The shared checks of one use-counted kind.
    template <class T>
    void CheckUseCounts(T* pObject, T* pOther, std::function<bool(T*)> pAdd,
                        std::function<bool(T*)> pRemove, std::function<int()> pCount,
                        int pStillInUse, int pNotFound)
    {
        KError& lError = mContent->GetError();
        EXPECT_TRUE(pAdd(pObject));
        EXPECT_TRUE(pAdd(pObject));
        EXPECT_EQ(pCount(), 1);
        lError.ClearLastError();
        EXPECT_FALSE(pRemove(pObject));
        EXPECT_EQ(lError.GetLastErrorID(), pStillInUse);
        EXPECT_EQ(pCount(), 1);
        EXPECT_TRUE(pRemove(pObject));
        EXPECT_EQ(pCount(), 0);
        lError.ClearLastError();
        EXPECT_FALSE(pRemove(pObject));
        EXPECT_EQ(lError.GetLastErrorID(), pNotFound);
        EXPECT_FALSE(pRemove(pOther));
        EXPECT_EQ(lError.GetLastErrorID(), pNotFound);
        EXPECT_FALSE(pAdd(nullptr));
    }

    KRyvObjectFactory mFactory;
    std::unique_ptr<KRyvSceneEntity> mContent = std::make_unique<KRyvSceneEntity>(&mFactory);
};

} // namespace

TEST_F(KRyvSceneEntityTest, NodeListAndItsErrors)
{
    KError& lError = mContent->GetError();
    KRyvNode* lRoot = mContent->GetRootNode();
    ASSERT_NE(lRoot, nullptr);
    EXPECT_STREQ(lRoot->GetName().Buffer(), "Model::RootNode");
    EXPECT_EQ(lRoot->GetScene(), mContent.get());
    EXPECT_EQ(KRyvSceneEntity(nullptr).GetRootNode(), nullptr);

    EXPECT_FALSE(mContent->AddNode(nullptr));
    EXPECT_EQ(lError.GetLastErrorString(), "Node is null.");
    EXPECT_FALSE(mContent->AddNode(lRoot));
    EXPECT_EQ(lError.GetLastErrorString(), "Node is already owned by the entity.");
    EXPECT_FALSE(mContent->RemoveNode(nullptr));
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kNodeIsNull);
    KRyvNode* lStranger = mFactory.CreateNode("Stranger");
    EXPECT_FALSE(mContent->RemoveNode(lStranger));
    EXPECT_EQ(lError.GetLastErrorString(), "Node does not belong to the entity.");
    EXPECT_EQ(mContent->GetNode(1), nullptr);
    EXPECT_EQ(lError.GetLastErrorString(), "Parameter is out of range.");
    EXPECT_EQ(mContent->GetNode(-1), nullptr);

    EXPECT_TRUE(mContent->AddNode(lStranger));
    EXPECT_EQ(mContent->GetNode(1), lStranger);
    EXPECT_EQ(lStranger->GetScene(), mContent.get());
    EXPECT_TRUE(mContent->RemoveNode(lRoot));
    EXPECT_EQ(mContent->GetRootNode(), nullptr);
    EXPECT_EQ(mContent->GetNodeCount(), 1);
    EXPECT_EQ(lRoot->GetScene(), nullptr);

    // A node added to a second content leaves the first.
    KRyvSceneEntity lOther;
    EXPECT_TRUE(lOther.AddNode(lStranger));
    EXPECT_EQ(mContent->GetNodeCount(), 0);
    EXPECT_EQ(lStranger->GetScene(), &lOther);
    lOther.Clear();
}

// A node taken out of its content used to keep its link: destroying it after the content had
// gone unlisted it from freed memory.
TEST(KRyvSceneEntityRegression, NodeRemovedFromItsContentOutlivesTheScene)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lRoot = lScene->GetRootNode();
    KRyvNode* lChild = lFactory.CreateNode("Child");
    ASSERT_TRUE(lRoot->AddChild(lChild));
    ASSERT_TRUE(lScene->GetSceneEntity()->RemoveNode(lRoot));
    EXPECT_EQ(lRoot->GetScene(), nullptr);
    EXPECT_EQ(lChild->GetScene(), lScene->GetSceneEntity());
    EXPECT_TRUE(lFactory.DestroyScene(lScene, false));
    EXPECT_EQ(lChild->GetScene(), nullptr);
    lFactory.DestroyAll();
    EXPECT_EQ(lFactory.GetNodeCount(), 0);
}

TEST_F(KRyvSceneEntityTest, UseCountsOfEveryKind)
{
    KRyvSceneEntity& lContent = *mContent;
    using E = KRyvSceneEntity;
    CheckUseCounts<KRyvMaterial>(
        mFactory.CreateMaterial("M"), mFactory.CreateMaterial("N"),
        [&](KRyvMaterial* p) { return lContent.AddMaterial(p); },
        [&](KRyvMaterial* p) { return lContent.RemoveMaterial(p); },
        [&] { return lContent.GetMaterialCount(); }, E::kMaterialStillInUse, E::kMaterialNotFound);
    CheckUseCounts<KRyvTexture>(
        mFactory.CreateTexture("T"), mFactory.CreateTexture("U"),
        [&](KRyvTexture* p) { return lContent.AddTexture(p); },
        [&](KRyvTexture* p) { return lContent.RemoveTexture(p); },
        [&] { return lContent.GetTextureCount(); }, E::kTextureStillInUse, E::kTextureNotFound);
    CheckUseCounts<KRyvGobo>(
        mFactory.CreateGobo("G"), mFactory.CreateGobo("H"),
        [&](KRyvGobo* p) { return lContent.AddGobo(p); },
        [&](KRyvGobo* p) { return lContent.RemoveGobo(p); },
        [&] { return lContent.GetGoboCount(); }, E::kGoboStillInUse, E::kGoboNotFound);
    CheckUseCounts<KRyvVideo>(
        mFactory.CreateVideo("V"), mFactory.CreateVideo("W"),
        [&](KRyvVideo* p) { return lContent.AddVideo(p); },
        [&](KRyvVideo* p) { return lContent.RemoveVideo(p); },
        [&] { return lContent.GetVideoCount(); }, E::kVideoStillInUse, E::kVideoNotFound);
    CheckUseCounts<KRyvGenericNode>(
        mFactory.CreateGenericNode("Gen"), mFactory.CreateGenericNode("Other"),
        [&](KRyvGenericNode* p) { return lContent.AddGenericNode(p); },
        [&](KRyvGenericNode* p) { return lContent.RemoveGenericNode(p); },
        [&] { return lContent.GetGenericNodeCount(); }, E::kGenericNodeStillInUse,
        E::kGenericNodeNotFound);
    CheckUseCounts<KRyvDeformer>(
        mFactory.CreateDeformer("D", "Skin"), mFactory.CreateDeformer("E", "Skin"),
        [&](KRyvDeformer* p) { return lContent.AddDeformer(p); },
        [&](KRyvDeformer* p) { return lContent.RemoveDeformer(p); },
        [&] { return lContent.GetDeformerCount(); }, E::kDeformerStillInUse, E::kDeformerNotFound);
}

TEST_F(KRyvSceneEntityTest, GetAndFindByName)
{
    KRyvMaterial* lMaterial = mFactory.CreateMaterial("Skin");
    KRyvTexture* lTexture = mFactory.CreateTexture("Wood");
    KRyvVideo* lVideo = mFactory.CreateVideo("Clip");
    KRyvGenericNode* lGeneric = mFactory.CreateGenericNode("Settings");
    mContent->AddMaterial(lMaterial);
    mContent->AddTexture(lTexture);
    mContent->AddVideo(lVideo);
    mContent->AddGenericNode(lGeneric);
    KError& lError = mContent->GetError();

    EXPECT_EQ(mContent->GetMaterial(0), lMaterial);
    EXPECT_EQ(mContent->FindMaterial("Material::Skin"), lMaterial);
    EXPECT_EQ(mContent->FindMaterial("Skin"), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kMaterialNotFound);
    EXPECT_EQ(mContent->FindTexture("Texture::Wood"), lTexture);
    EXPECT_EQ(mContent->FindTexture("Texture::wood"), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kTextureNotFound);
    EXPECT_EQ(mContent->FindVideo("Video::Clip"), lVideo);
    EXPECT_EQ(mContent->FindVideo("Clip"), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kVideoNotFound);
    EXPECT_EQ(mContent->GetTexture(1), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kParameterOutOfRange);
    EXPECT_EQ(mContent->GetVideo(-1), nullptr);

    lError.ClearLastError();
    EXPECT_EQ(mContent->FindGenericNode("Settings"), lGeneric);
    EXPECT_EQ(mContent->FindGenericNode("Missing"), nullptr);
    EXPECT_EQ(mContent->FindDeformer("Missing"), nullptr);
    EXPECT_EQ(mContent->FindMaterial(nullptr), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvSceneEntity::kMaterialNotFound);
}

TEST_F(KRyvSceneEntityTest, GoboAndVideoNamesMustDiffer)
{
    KRyvVideo* lVideo = mFactory.CreateVideo("Clip");
    EXPECT_TRUE(mContent->AddVideo(mFactory.CreateVideo("Other")));
    EXPECT_TRUE(mContent->AddVideo(lVideo));
    EXPECT_FALSE(mContent->AddVideo(mFactory.CreateVideo("Clip")));
    EXPECT_EQ(mContent->GetError().GetLastErrorID(), KRyvSceneEntity::kVideoNameClash);
    EXPECT_EQ(mContent->GetVideoCount(), 2);
    EXPECT_TRUE(mContent->AddVideo(lVideo));

    KRyvGobo* lGobo = mFactory.CreateGobo("Spot");
    EXPECT_TRUE(mContent->AddGobo(lGobo));
    EXPECT_FALSE(mContent->AddGobo(mFactory.CreateGobo("Spot")));
    EXPECT_EQ(mContent->GetError().GetLastErrorID(), KRyvSceneEntity::kGoboNameClash);
    EXPECT_TRUE(mContent->AddGobo(lGobo));
    EXPECT_EQ(mContent->GetGoboCount(), 1);
    EXPECT_EQ(mContent->GetGobo(0), lGobo);
}

TEST_F(KRyvSceneEntityTest, DeformersFilteredByType)
{
    KRyvDeformer* lSkin = mFactory.CreateDeformer("S1", "Skin");
    KRyvDeformer* lClusterA = mFactory.CreateDeformer("C1", "Cluster");
    KRyvDeformer* lSkinB = mFactory.CreateDeformer("S2", "skin");
    KRyvDeformer* lClusterB = mFactory.CreateDeformer("C2", "cluster");
    for (KRyvDeformer* lDeformer : {lSkin, lClusterA, lSkinB, lClusterB}) {
        mContent->AddDeformer(lDeformer);
    }
    EXPECT_EQ(mContent->GetDeformerCount(), 4);
    EXPECT_EQ(mContent->GetDeformerCount(1), 2);
    EXPECT_EQ(mContent->GetDeformerCount(2), 2);
    EXPECT_EQ(mContent->GetDeformerCount(3), 0);
    EXPECT_EQ(mContent->GetDeformer(1, 0), lClusterA);
    EXPECT_EQ(mContent->GetDeformer(1, 1), lSkinB);
    EXPECT_EQ(mContent->GetDeformer(0, 2), lClusterA);
    EXPECT_EQ(mContent->GetDeformer(1, 2), lClusterB);
    EXPECT_EQ(mContent->GetDeformer(2, 2), nullptr);
    EXPECT_EQ(mContent->GetDeformer(0, 3), nullptr);
    EXPECT_EQ(mContent->GetDeformer(0, -1), nullptr);
    EXPECT_EQ(mContent->GetDeformer(-1, 0), nullptr);
    EXPECT_EQ(mContent->FindDeformer("SubDeformer::C2"), lClusterB);
}

TEST_F(KRyvSceneEntityTest, NodesByAttributeType)
{
    KRyvNode* lRoot = mContent->GetRootNode();
    lRoot->SetNodeAttribute(mFactory.CreateSkeleton());
    KRyvNode* lA = mFactory.CreateNode("A");
    KRyvNode* lB = mFactory.CreateNode("B");
    KRyvNode* lC = mFactory.CreateNode("C");
    lA->SetNodeAttribute(mFactory.CreateSkeleton());
    lC->SetNodeAttribute(mFactory.CreateSkeleton());
    ASSERT_TRUE(lRoot->AddChild(lA));
    ASSERT_TRUE(lRoot->AddChild(lB));
    ASSERT_TRUE(lA->AddChild(lC));
    lB->SetNodeAttribute(mFactory.CreateMesh());

    std::vector<KRyvNode*> lFound{lB};
    mContent->GetNodesByAttributeType(lFound, KRyvNodeAttribute::eSkeleton, true);
    EXPECT_EQ(lFound, (std::vector<KRyvNode*>{lRoot, lA, lC}));
    // Unlisted nodes are still in the tree.
    ASSERT_TRUE(mContent->RemoveNode(lC));
    mContent->GetNodesByAttributeType(lFound, KRyvNodeAttribute::eSkeleton, true);
    EXPECT_EQ(lFound.size(), 3u);
    mContent->GetNodesByAttributeType(lFound, KRyvNodeAttribute::eSkeleton, false);
    EXPECT_EQ(lFound, (std::vector<KRyvNode*>{lRoot, lA}));
    mContent->GetNodesByAttributeType(lFound, KRyvNodeAttribute::eMesh, false);
    EXPECT_EQ(lFound, (std::vector<KRyvNode*>{lB}));

    mContent->RemoveNode(lRoot);
    mContent->GetNodesByAttributeType(lFound, KRyvNodeAttribute::eSkeleton, true);
    EXPECT_TRUE(lFound.empty());
}

TEST_F(KRyvSceneEntityTest, ClearUnlinksAndDestroysNothing)
{
    KRyvNode* lRoot = mContent->GetRootNode();
    KRyvNode* lChild = mFactory.CreateNode("Child");
    ASSERT_TRUE(lRoot->AddChild(lChild));
    KRyvGenericNode* lGeneric = mFactory.CreateGenericNode("Gen");
    lGeneric->SetSceneEntity(mContent.get());
    lGeneric->SetSceneEntity(mContent.get());
    EXPECT_EQ(mContent->GetGenericNodeCount(), 1);
    mContent->AddMaterial(mFactory.CreateMaterial("M"));
    mContent->AddTexture(mFactory.CreateTexture("T"));
    mContent->AddGobo(mFactory.CreateGobo("G"));
    mContent->AddVideo(mFactory.CreateVideo("V"));
    mContent->AddDeformer(mFactory.CreateDeformer("D", "Skin"));
    KRyvMesh* lMesh = mFactory.CreateMesh();
    KRyvLayerContainer* lShape = mFactory.CreateLayerContainer();
    ASSERT_EQ(lMesh->AddShape(lShape, "Smile"), 0);
    // A shape linked to another content keeps its link.
    KRyvSceneEntity lOther;
    KRyvLayerContainer* lForeign = mFactory.CreateLayerContainer();
    ASSERT_EQ(lMesh->AddShape(lForeign, "Frown"), 1);
    lChild->SetNodeAttribute(lMesh);
    lMesh->SetConnectionOwner(mContent.get());
    lShape->SetConnectionOwner(mContent.get());
    lForeign->SetConnectionOwner(&lOther);

    mContent->Clear();
    EXPECT_EQ(mContent->GetRootNode(), nullptr);
    EXPECT_EQ(mContent->GetNodeCount(), 0);
    EXPECT_EQ(mContent->GetMaterialCount() + mContent->GetTextureCount() +
                  mContent->GetGoboCount() + mContent->GetVideoCount() +
                  mContent->GetGenericNodeCount() + mContent->GetDeformerCount(),
              0);
    EXPECT_EQ(lRoot->GetScene(), nullptr);
    EXPECT_EQ(lChild->GetScene(), nullptr);
    EXPECT_EQ(lMesh->GetConnectionOwner(), nullptr);
    EXPECT_EQ(lShape->GetConnectionOwner(), nullptr);
    EXPECT_EQ(lForeign->GetConnectionOwner(), &lOther);
    EXPECT_EQ(lGeneric->GetSceneEntity(), nullptr);
    EXPECT_EQ(lChild->GetParent(), lRoot);
    EXPECT_EQ(mFactory.GetNodeCount(), 2);
    EXPECT_EQ(mFactory.GetMaterialCount(), 1);

    // A generic node moving on after its content is gone touches nothing freed.
    lGeneric->SetSceneEntity(mContent.get());
    mContent.reset();
    EXPECT_EQ(lGeneric->GetSceneEntity(), nullptr);
    KRyvSceneEntity lNext(&mFactory);
    lGeneric->SetSceneEntity(&lNext);
    EXPECT_EQ(lNext.GetGenericNodeCount(), 1);
    lNext.Clear();
}

// The first node whose name a node before it holds, or, with a reference, one below its root
// holds: whichever comes first in the list.
TEST_F(KRyvSceneEntityTest, FindsTheFirstNodeOfANameHeldBefore)
{
    std::vector<KRyvNode*> lNodes;
    for (const char* lName : {"A", "B", "C", "B", "A"}) {
        lNodes.push_back(mFactory.CreateNode(lName));
    }
    EXPECT_EQ(KRyvSceneEntity::FindNodeNameClash(lNodes, nullptr), lNodes[3]);
    EXPECT_EQ(KRyvSceneEntity::FindNodeNameClash({lNodes[0], lNodes[1], lNodes[2]}, nullptr),
              nullptr);

    KRyvScene* lScene = mFactory.CreateScene();
    ASSERT_TRUE(lScene->GetRootNode()->AddChild(mFactory.CreateNode("C")));
    EXPECT_EQ(KRyvSceneEntity::FindNodeNameClash(lNodes, lScene->GetSceneEntity()), lNodes[2]);
    EXPECT_EQ(KRyvSceneEntity::FindNodeNameClash({lNodes[0], lNodes[1]}, lScene->GetSceneEntity()),
              nullptr);
}
