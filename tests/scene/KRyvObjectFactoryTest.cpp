#include "scene/KRyvObjectFactory.h"

#include "core/KDocumentInfo.h"
#include "core/KImageConverter.h"
#include "object/KitLifetime.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvThumbnail.h"
#include "scene/objects/KRyvVideo.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <vector>

namespace {

// Appends "_r" to the current name and records what it was given.
class SuffixStrategy : public KRenamingStrategy
{
public:
    explicit SuffixStrategy(std::vector<KString>* pSeen) : mSeen(pSeen) {}
    void Clear() override { ++mClears; }
    bool Rename(KNamePair& ioPair) override
    {
        mSeen->push_back(ioPair.GetCurrentName());
        KString lName = ioPair.GetCurrentName();
        lName += "_r";
        ioPair.SetCurrentName(lName);
        return true;
    }
    std::unique_ptr<KRenamingStrategy> Clone() const override { return nullptr; }

    int mClears = 0;

private:
    std::vector<KString>* mSeen;
};

class HostNode : public KRyvNode
{
public:
    HostNode(KRyvObjectFactory* pOwner, const char* pName) : KRyvNode(pOwner, pName) {}
};

class HostFactory : public KRyvObjectFactory
{
protected:
    KRyvNode* NewNode(const char* pName) override { return new HostNode(this, pName); }
};

// Runs out of memory as it renames, as a strategy that grows its table of seen names can.
class ExhaustedStrategy : public KRenamingStrategy
{
public:
    void Clear() override {}
    bool Rename(KNamePair&) override { throw std::bad_alloc(); }
    std::unique_ptr<KRenamingStrategy> Clone() const override { return nullptr; }
};

// Counts the scene objects its hooks made that are still alive.
class CountingFactory : public KRyvObjectFactory
{
public:
    template <class TBase> class Counted : public TBase
    {
    public:
        template <class... TArgs>
        Counted(int& ioAlive, TArgs... pArgs) : TBase(pArgs...), mAlive(ioAlive)
        {
            ++mAlive;
        }
        ~Counted() override { --mAlive; }

    private:
        int& mAlive;
    };

    int mAlive = 0;

protected:
    KRyvNode* NewNode(const char* pName) override
    {
        return new Counted<KRyvNode>(mAlive, this, pName);
    }
    KRyvMaterial* NewMaterial(const char* pName) override
    {
        return new Counted<KRyvMaterial>(mAlive, this, pName);
    }
};

// A factory whose node hook fails, as an allocation failure would.
class FailingFactory : public KRyvObjectFactory
{
protected:
    KRyvNode* NewNode(const char*) override { return nullptr; }
};

// Root with three children of two children each: ten nodes, every one with a skeleton.
KRyvNode* MakeTree(KRyvObjectFactory& pFactory)
{
    KRyvNode* lRoot = pFactory.CreateNode("Root");
    lRoot->SetNodeAttribute(pFactory.CreateSkeleton());
    for (int i = 0; i < 3; ++i) {
        KRyvNode* lChild = pFactory.CreateNode("Child");
        lChild->SetNodeAttribute(pFactory.CreateSkeleton());
        EXPECT_TRUE(lRoot->AddChild(lChild));
        for (int j = 0; j < 2; ++j) {
            KRyvNode* lLeaf = pFactory.CreateNode("Leaf");
            lLeaf->SetNodeAttribute(pFactory.CreateSkeleton());
            EXPECT_TRUE(lChild->AddChild(lLeaf));
        }
    }
    return lRoot;
}

} // namespace

TEST(KRyvObjectFactoryTest, StrategySeesThePrefixedNameBeforeListing)
{
    std::vector<KString> lSeen;
    KRyvObjectFactory lFactory;
    auto lStrategy = std::make_unique<SuffixStrategy>(&lSeen);
    SuffixStrategy* lRaw = lStrategy.get();
    lFactory.SetNodeRenamingStrategy(std::move(lStrategy));
    KRyvNode* lNode = lFactory.CreateNode("Arm");
    ASSERT_EQ(lSeen.size(), 1u);
    EXPECT_STREQ(lSeen[0].Buffer(), "Model::Arm");
    EXPECT_STREQ(lNode->GetName().Buffer(), "Model::Arm_r");
    EXPECT_EQ(lFactory.GetNode(0), lNode);
    // The finder builds "Model::Arm", which the renamed node no longer carries.
    EXPECT_EQ(lFactory.FindNode("Arm"), nullptr);
    EXPECT_EQ(lFactory.FindNode("Arm_r"), lNode);
    lFactory.DestroyAll();
    EXPECT_EQ(lRaw->mClears, 1);
}

TEST(KRyvObjectFactoryTest, FindNodeCountsOccurrences)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lFirst = lFactory.CreateNode("Arm");
    lFactory.CreateNode("Leg");
    KRyvNode* lSecond = lFactory.CreateNode("Model::Arm");
    EXPECT_EQ(lFactory.FindNode("Arm"), lFirst);
    EXPECT_EQ(lFactory.FindNode("Arm", 1), lSecond);
    EXPECT_EQ(lFactory.FindNode("X::Arm", 1), lSecond);
    lFactory.GetError().ClearLastError();
    EXPECT_EQ(lFactory.FindNode("Arm", 2), nullptr);
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), KRyvObjectFactory::kObjectNotFound);
    EXPECT_STREQ(lFactory.GetError().GetLastErrorString().Buffer(), "Object not found");
    EXPECT_EQ(lFactory.FindNode("arm"), nullptr);
}

TEST(KRyvObjectFactoryTest, CreatorsRefuseMissingArguments)
{
    KRyvObjectFactory lFactory;
    EXPECT_EQ(lFactory.CreateUserProperty(static_cast<KProperty*>(nullptr)), nullptr);
    EXPECT_EQ(lFactory.CreateUserProperty(nullptr, "Real", "L"), nullptr);
    EXPECT_EQ(lFactory.CreateUserProperty("N", "Real", nullptr), nullptr);
    EXPECT_EQ(lFactory.GetUserPropertyCount(), 0);

    FailingFactory lFailing;
    EXPECT_EQ(lFailing.CreateNode("A"), nullptr);
    EXPECT_EQ(lFailing.GetNodeCount(), 0);

    // Finding a user property leaves the error alone.
    KRyvUserProperty* lRecord = lFactory.CreateUserProperty("Weight", "Real", "");
    ASSERT_NE(lRecord, nullptr);
    EXPECT_EQ(lFactory.FindUserProperty("Weight"), lRecord);
    lFactory.GetError().ClearLastError();
    EXPECT_EQ(lFactory.FindUserProperty("Missing"), nullptr);
    EXPECT_EQ(lFactory.FindUserProperty(nullptr), nullptr);
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), -1);
}

TEST(KRyvObjectFactoryTest, DestroyOfAnUnlistedObjectFailsAndLeavesItAlone)
{
    KRyvObjectFactory lFactory;
    KRyvObjectFactory lOther;
    KRyvNode* lNode = lOther.CreateNode("Foreign");
    KRyvSkeleton* lSkeleton = lOther.CreateSkeleton();
    KDocumentInfo* lInfo = lOther.CreateDocumentInfo();
    EXPECT_FALSE(lFactory.DestroyNode(lNode, true));
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), KRyvObjectFactory::kObjectNotFound);
    EXPECT_STREQ(lFactory.GetError().GetLastErrorString().Buffer(), "Object not found");
    EXPECT_FALSE(lFactory.DestroyNodeAttribute(lSkeleton));
    EXPECT_FALSE(lFactory.DestroyDocumentInfo(lInfo));
    EXPECT_FALSE(lFactory.DestroyNode(nullptr, false));
    EXPECT_FALSE(lFactory.DestroyUserProperty(nullptr));
    // Untouched and still its own factory's.
    EXPECT_STREQ(lNode->GetName().Buffer(), "Model::Foreign");
    EXPECT_EQ(lOther.GetNodeCount(), 1);
    EXPECT_TRUE(lOther.DestroyNode(lNode, false));

    // A second call finds nothing.
    EXPECT_TRUE(lOther.DestroyNodeAttribute(lSkeleton));
    lOther.GetError().ClearLastError();
    EXPECT_FALSE(lOther.DestroyNodeAttribute(lSkeleton));
    EXPECT_EQ(lOther.GetError().GetLastErrorID(), KRyvObjectFactory::kObjectNotFound);
    EXPECT_TRUE(lOther.DestroyDocumentInfo(lInfo));
    EXPECT_FALSE(lOther.DestroyDocumentInfo(lInfo));
}

TEST(KRyvObjectFactoryTest, RecursiveDestroyTakesTheWholeTree)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lKeep = lFactory.CreateNode("Keep");
    KRyvNode* lRoot = MakeTree(lFactory);
    ASSERT_EQ(lFactory.GetNodeCount(), 11);
    ASSERT_EQ(lFactory.GetNodeAttributeCount(), 10);
    EXPECT_TRUE(lFactory.DestroyNode(lRoot, true));
    EXPECT_EQ(lFactory.GetNodeCount(), 1);
    EXPECT_EQ(lFactory.GetNode(0), lKeep);
    EXPECT_EQ(lFactory.GetNodeAttributeCount(), 0);
}

TEST(KRyvObjectFactoryTest, RecursiveDestroyWithAnUnlistedChildDestroysTheRest)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lRoot = lFactory.CreateNode("Root");
    KRyvNode* lFirst = lFactory.CreateNode("First");
    auto lLoose = std::make_unique<KRyvNode>(nullptr, "Loose");
    KRyvNode* lUnder = lFactory.CreateNode("UnderLoose");
    KRyvNode* lLast = lFactory.CreateNode("Last");
    ASSERT_TRUE(lRoot->AddChild(lFirst));
    ASSERT_TRUE(lRoot->AddChild(lLoose.get()));
    ASSERT_TRUE(lLoose->AddChild(lUnder));
    ASSERT_TRUE(lRoot->AddChild(lLast));

    EXPECT_FALSE(lFactory.DestroyNode(lRoot, true));
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), KRyvObjectFactory::kObjectNotFound);
    // The unlisted child and what hangs below it are left; it only lost its parent.
    ASSERT_EQ(lFactory.GetNodeCount(), 1);
    EXPECT_EQ(lFactory.GetNode(0), lUnder);
    EXPECT_EQ(lLoose->GetParent(), nullptr);
    EXPECT_EQ(lUnder->GetParent(), lLoose.get());
}

TEST(KRyvObjectFactoryTest, NonRecursiveDestroyLeavesChildrenListed)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lRoot = MakeTree(lFactory);
    KRyvNode* lChild = lRoot->GetChild(0);
    EXPECT_TRUE(lFactory.DestroyNode(lRoot, false));
    EXPECT_EQ(lFactory.GetNodeCount(), 9);
    EXPECT_EQ(lFactory.GetNodeAttributeCount(), 10);
    EXPECT_EQ(lChild->GetParent(), nullptr);
    EXPECT_EQ(lChild->GetChildCount(), 2);
}

TEST(KRyvObjectFactoryTest, DeepTreesAreDestroyedWithoutDeepRecursion)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lRoot = lFactory.CreateNode("N");
    KRyvNode* lTip = lRoot;
    for (int i = 0; i < 2000; ++i) {
        KRyvNode* lNext = lFactory.CreateNode("N");
        ASSERT_TRUE(lTip->AddChild(lNext));
        lTip = lNext;
    }
    EXPECT_TRUE(lFactory.DestroyNode(lRoot, true));
    EXPECT_EQ(lFactory.GetNodeCount(), 0);
}

TEST(KRyvObjectFactoryTest, NodeRecordsAreHandedBackWithTheirNode)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("A");
    const int lRecords = lNode->GetUserPropertyCount();
    ASSERT_GT(lRecords, 50);
    EXPECT_EQ(lFactory.GetUserPropertyCount(), lRecords);
    KRyvUserProperty* lOwn = lFactory.CreateUserProperty("Loose", "Real", "Loose");
    EXPECT_NE(lFactory.FindUserProperty("Lcl Translation"), nullptr);

    EXPECT_TRUE(lFactory.DestroyNode(lNode, false));
    EXPECT_EQ(lFactory.GetUserPropertyCount(), 1);
    EXPECT_EQ(lFactory.FindUserProperty("Lcl Translation"), nullptr);
    EXPECT_EQ(lFactory.FindUserProperty("Loose"), lOwn);
}

TEST(KRyvObjectFactoryTest, KitIsAcquiredOnceForAllFactories)
{
    const int lBefore = KRyvObjectFactory::GetLiveFactoryCount();
    ASSERT_EQ(lBefore, 0);
    {
        KRyvObjectFactory lFirst;
        KRyvObjectFactory lSecond;
        EXPECT_EQ(KRyvObjectFactory::GetLiveFactoryCount(), 2);
        // Exactly one hold on the kit: one release succeeds, a second finds none.
        EXPECT_TRUE(KitLifetimeRelease());
        EXPECT_FALSE(KitLifetimeRelease());
        KitLifetimeAcquire();
    }
    EXPECT_EQ(KRyvObjectFactory::GetLiveFactoryCount(), 0);
    EXPECT_FALSE(KitLifetimeRelease());
}

// ---------------------------------------------------------------------------------------------
// The other kinds

TEST(KRyvObjectFactoryTest, NodesAndSharedObjectsArePrefixedAndRenamed)
{
    KRyvObjectFactory lFactory;
    const char* const kNames[4] = {"X", "Material::X", "", "A::B::C"};
    const char* const kMaterials[4] = {"Material::X", "Material::X", "Material::Name",
                                       "Material::B::C"};
    const char* const kTextures[4] = {"Texture::X", "Texture::X", "Texture::Name", "Texture::B::C"};
    const char* const kVideos[4] = {"Video::X", "Video::X", "Video::Name", "Video::B::C"};
    const char* const kNodes[4] = {"Model::X", "Model::X", "Model::Name", "Model::B::C"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(lFactory.CreateNode(kNames[i])->GetName().Buffer(), kNodes[i]);
        EXPECT_STREQ(lFactory.CreateMaterial(kNames[i])->GetName().Buffer(), kMaterials[i]);
        EXPECT_STREQ(lFactory.CreateTexture(kNames[i])->GetName().Buffer(), kTextures[i]);
        EXPECT_STREQ(lFactory.CreateVideo(kNames[i])->GetName().Buffer(), kVideos[i]);
    }
    EXPECT_EQ(lFactory.FindMaterial("X", 1), lFactory.GetMaterial(1));
    EXPECT_EQ(lFactory.FindTexture("Texture::Name"), lFactory.GetTexture(2));
    EXPECT_NE(lFactory.FindVideo("A::B::C"), nullptr);
    EXPECT_EQ(lFactory.FindVideo("B::C"), nullptr);
    EXPECT_STREQ(lFactory.CreateNode(nullptr)->GetName().Buffer(), "Model::Name");
    ASSERT_EQ(lFactory.GetNodeCount(), 5);
    EXPECT_EQ(lFactory.GetNode(4), lFactory.FindNode("Name", 1));
    EXPECT_EQ(lFactory.GetNode(5), nullptr);
    EXPECT_EQ(lFactory.GetNode(-1), nullptr);

    std::vector<KString> lSeen;
    lFactory.SetMaterialRenamingStrategy(std::make_unique<SuffixStrategy>(&lSeen));
    lFactory.SetTextureRenamingStrategy(std::make_unique<SuffixStrategy>(&lSeen));
    lFactory.SetVideoRenamingStrategy(std::make_unique<SuffixStrategy>(&lSeen));
    EXPECT_STREQ(lFactory.CreateMaterial("M")->GetName().Buffer(), "Material::M_r");
    EXPECT_STREQ(lFactory.CreateTexture("T")->GetName().Buffer(), "Texture::T_r");
    EXPECT_STREQ(lFactory.CreateVideo("V")->GetName().Buffer(), "Video::V_r");
    EXPECT_EQ(lSeen, (std::vector<KString>{"Material::M", "Texture::T", "Video::V"}));
}

TEST(KRyvObjectFactoryTest, DeformerPrefixFollowsTheTypeText)
{
    KRyvObjectFactory lFactory;
    KRyvDeformer* lCluster = lFactory.CreateDeformer("Arm", "cluster");
    KRyvDeformer* lSkin = lFactory.CreateDeformer("Body", "Skin");
    KRyvDeformer* lOther = lFactory.CreateDeformer("X::Y", "Wrap");
    EXPECT_STREQ(lCluster->GetName().Buffer(), "SubDeformer::Arm");
    EXPECT_EQ(lCluster->GetDeformerType(), 2);
    EXPECT_STREQ(lSkin->GetName().Buffer(), "Deformer::Body");
    EXPECT_EQ(lSkin->GetDeformerType(), 1);
    EXPECT_STREQ(lOther->GetName().Buffer(), "Deformer::Y");
    EXPECT_EQ(lFactory.CreateDeformer(nullptr, "Skin"), nullptr);
    EXPECT_EQ(lFactory.CreateDeformer("D", nullptr), nullptr);
    EXPECT_EQ(lFactory.GetDeformerCount(), 3);
    EXPECT_TRUE(lFactory.DestroyDeformer(lSkin));
    EXPECT_FALSE(lFactory.DestroyDeformer(lSkin));
}

TEST(KRyvObjectFactoryTest, GobosPosesAndGenericNodesKeepTheirNamingQuirks)
{
    KRyvObjectFactory lFactory;
    KRyvGobo* lPlain = lFactory.CreateGobo("G");
    KRyvGobo* lPrefixed = lFactory.CreateGobo("Video::G");
    EXPECT_STREQ(lPlain->GetName().Buffer(), "G");
    // The finder looks for "Video::G", which only the second one carries.
    EXPECT_EQ(lFactory.FindGobo("G"), lPrefixed);
    EXPECT_EQ(lFactory.FindGobo("G", 1), nullptr);

    KRyvPose* lPose = lFactory.CreatePose("Bind", 1);
    EXPECT_STREQ(lPose->GetName().Buffer(), "Pose::Bind");
    EXPECT_EQ(lFactory.FindPose("Pose::Bind"), lPose);
    lFactory.GetError().ClearLastError();
    EXPECT_EQ(lFactory.FindPose("Bind"), nullptr);
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), KRyvObjectFactory::kObjectNotFound);

    KRyvGenericNode* lGeneric = lFactory.CreateGenericNode("Model::Settings");
    EXPECT_STREQ(lGeneric->GetName().Buffer(), "Model::Settings");
    EXPECT_EQ(lFactory.FindGenericNode("Model::Settings"), lGeneric);
    EXPECT_EQ(lFactory.FindGenericNode("Settings"), nullptr);
    EXPECT_EQ(lFactory.CreateGenericNode(nullptr), nullptr);

    EXPECT_TRUE(lFactory.DestroyGobo(lPlain));
    EXPECT_TRUE(lFactory.DestroyPose(lPose));
    EXPECT_TRUE(lFactory.DestroyGenericNode(lGeneric));
    EXPECT_FALSE(lFactory.DestroyGenericNode(lGeneric));
}

TEST(KRyvObjectFactoryTest, EveryKindIsDestroyedWithTheFactory)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lRoot = MakeTree(lFactory);
    KRyvNode* lBody = lFactory.CreateNode("Body");
    ASSERT_TRUE(lRoot->AddChild(lBody));
    KRyvMesh* lMesh = lFactory.CreateMesh();
    lBody->SetNodeAttribute(lMesh);
    KRyvMaterial* lMaterial = lFactory.CreateMaterial("Skin");
    KRyvTexture* lTexture = lFactory.CreateTexture("Wood");
    lMesh->AddMaterial(lMaterial);
    lMesh->AddTexture(lTexture);
    KRyvDeformer* lCluster = lFactory.CreateDeformer("Arm", "Cluster");
    lFactory.CreateDeformer("Body", "Skin");
    KRyvLink* lLink = lFactory.CreateLink();
    lLink->SetLink(lRoot->GetChild(0));
    lCluster->CopyFromLink(lLink);
    lMesh->AddLink(lLink);
    KRyvNode* lLamp = lFactory.CreateNode("Lamp");
    KRyvLight* lLight = lFactory.CreateLight();
    lLight->SetGobo(lFactory.CreateGobo("Video::Spot"));
    lLamp->SetNodeAttribute(lLight);
    lFactory.CreateVideo("Clip");
    lFactory.CreatePose("Rest", 0);
    lFactory.CreateGenericNode("Settings");
    lFactory.CreateLayerContainer();
    lFactory.CreateThumbnail();
    lFactory.CreateCamera();
    lFactory.CreateNull();
    lFactory.CreateMarker();
    lFactory.CreatePatch();
    lFactory.CreateNurb();
    lFactory.CreateOpticalReference();
    lFactory.CreateUserProperty("Loose", "Real", "Loose");
    lFactory.CreateDocumentInfo();
    lFactory.CreateScene();
    // Without the import/export layer the factory makes no importer or exporter.
    EXPECT_EQ(lFactory.CreateExporter(), nullptr);
    EXPECT_EQ(lFactory.CreateImporter(), nullptr);
    KImageConverter* lImages = lFactory.CreateImageConverter();
    ASSERT_NE(lImages, nullptr);
    EXPECT_EQ(lImages->GetFactory(), &lFactory);
    KRyvGeometryConverter* lConverter = lFactory.CreateGeometryConverter();
    ASSERT_NE(lConverter, nullptr);
    EXPECT_TRUE(lFactory.DestroyGeometryConverter(lConverter));
    EXPECT_FALSE(lFactory.DestroyGeometryConverter(lConverter));
    lFactory.CreateGeometryConverter();

    lFactory.DestroyAll();
    EXPECT_EQ(lFactory.GetNodeCount() + lFactory.GetNodeAttributeCount() + lFactory.GetLinkCount() +
                  lFactory.GetMaterialCount() + lFactory.GetLayerContainerCount() +
                  lFactory.GetTextureCount() + lFactory.GetVideoCount() + lFactory.GetGoboCount() +
                  lFactory.GetPoseCount() + lFactory.GetUserPropertyCount() +
                  lFactory.GetThumbnailCount() + lFactory.GetDocumentInfoCount() +
                  lFactory.GetGenericNodeCount() + lFactory.GetDeformerCount() +
                  lFactory.GetImageConverterCount() + lFactory.GetExporterCount() +
                  lFactory.GetImporterCount() + lFactory.GetSceneCount(),
              0);
    // Usable again afterwards; the destructor takes the rest.
    EXPECT_NE(lFactory.CreateNode("Again"), nullptr);
    lFactory.CreateImageConverter();
}

TEST(KRyvObjectFactoryTest, UserPropertiesOfSharedObjectsAreHandedBack)
{
    KRyvObjectFactory lFactory;
    KRyvMaterial* lMaterial = lFactory.CreateMaterial("M");
    KRyvUserProperty* lRecord = lFactory.CreateUserProperty("Gloss", "Real", "Gloss");
    lMaterial->AddUserProperty(lRecord);
    // The material made the property for the record and bound it.
    ASSERT_TRUE(lRecord->IsBound());
    KRyvUserProperty* lLoose = lFactory.CreateUserProperty("Loose", "Real", "Loose");
    EXPECT_TRUE(lFactory.DestroyMaterial(lMaterial));
    EXPECT_EQ(lFactory.FindUserProperty("Gloss"), nullptr);
    EXPECT_EQ(lFactory.FindUserProperty("Loose"), lLoose);
}

TEST(KRyvObjectFactoryTest, SubclassNodesAndSceneDestroyFollowingTheRecursiveSwitch)
{
    HostFactory lFactory;
    KRyvNode* lArm = lFactory.CreateNode("Model::Arm");
    EXPECT_NE(dynamic_cast<HostNode*>(lArm), nullptr);
    EXPECT_EQ(lArm->GetObjectFactory(), &lFactory);
    EXPECT_EQ(lFactory.FindNode("Arm"), lArm);
    KRyvScene* lScene = lFactory.CreateScene();
    ASSERT_NE(lScene, nullptr);
    KRyvNode* lRoot = lScene->GetRootNode();
    EXPECT_NE(dynamic_cast<HostNode*>(lRoot), nullptr);
    ASSERT_TRUE(lRoot->AddChild(lFactory.CreateNode("Child")));
    EXPECT_TRUE(lFactory.DestroyScene(lScene, true));
    EXPECT_EQ(lFactory.GetSceneCount(), 0);
    EXPECT_EQ(lFactory.FindNode("RootNode"), nullptr);
    EXPECT_EQ(lFactory.FindNode("Child"), nullptr);
    EXPECT_FALSE(lFactory.DestroyScene(lScene, true));

    KRyvScene* lKept = lFactory.CreateScene();
    KRyvNode* lKeptRoot = lKept->GetRootNode();
    EXPECT_TRUE(lFactory.DestroyScene(lKept, false));
    EXPECT_EQ(lFactory.FindNode("RootNode"), lKeptRoot);
    EXPECT_EQ(lKeptRoot->GetScene(), nullptr);
    EXPECT_TRUE(lFactory.DestroyNode(lKeptRoot, true));

    // A scene whose root was taken out still goes without complaint.
    KRyvScene* lRootless = lFactory.CreateScene();
    KRyvNode* lOldRoot = lRootless->GetRootNode();
    lRootless->GetSceneEntity()->RemoveNode(lOldRoot);
    lFactory.GetError().ClearLastError();
    EXPECT_TRUE(lFactory.DestroyScene(lRootless, true));
    EXPECT_EQ(lFactory.GetError().GetLastErrorID(), -1);
    lFactory.CreateScene();
}

// A rename that runs out of memory fails the creation as a whole: the exception reaches the
// caller, and the object made for it is gone, listed nowhere.
TEST(KRyvObjectFactoryTest, ARenameOutOfMemoryLeavesNoObjectBehind)
{
    CountingFactory lFactory;
    lFactory.SetNodeRenamingStrategy(std::make_unique<ExhaustedStrategy>());
    lFactory.SetMaterialRenamingStrategy(std::make_unique<ExhaustedStrategy>());
    EXPECT_THROW(lFactory.CreateNode("Arm"), std::bad_alloc);
    EXPECT_THROW(lFactory.CreateMaterial("Skin"), std::bad_alloc);
    EXPECT_EQ(lFactory.mAlive, 0);
    EXPECT_EQ(lFactory.GetNodeCount(), 0);
    EXPECT_EQ(lFactory.GetMaterialCount(), 0);
    // The factory goes on making objects once memory is back.
    lFactory.SetNodeRenamingStrategy(nullptr);
    EXPECT_NE(lFactory.CreateNode("Arm"), nullptr);
    EXPECT_EQ(lFactory.mAlive, 1);
}
