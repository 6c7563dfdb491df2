#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnSet.h"
#include "scene/objects/KRyvNurb.h"
#include "tests/plugin/export/DeformerExportTestSupport.h"

namespace {
class RyvVurnClusterExportTest : public DeformerExportTest
{
protected:
    // Gives pCluster a new handle pName under pParent at pTranslate, and deletes the old one.
    static int MoveHandle(int pCluster, const std::string& pOld, const std::string& pName,
                          int pParent, const MVector& pTranslate)
    {
        VurnPlugPath lXforms;
        Scene().ParsePlugPath(pCluster, "clusterXforms", lXforms);
        Scene().Disconnect(pCluster, lXforms);
        Scene().DeleteNode(Scene().FindNode(pOld));
        const int lHandle = VurnFixtures::Transform(pName, pParent, pTranslate);
        const int lShape = Scene().CreateNode(MFn::kClusterHandle, pName + "Shape", lHandle);
        Scene().Connect(lShape, "clusterTransforms[0]", pCluster, "clusterXforms");
        return lHandle;
    }
    // The cube "box" with cluster "c" on vertices 0, 1, 2 and its handle "h" under the group
    // "grp" at (0, 5, 0); the handle at (1, 2, 3) in the group. Answers the cluster.
    static int ClusterUnderGroup(bool pRelative)
    {
        const int lBox = VurnFixtures::Cube("box");
        const int lCluster = VurnFixtures::Cluster("c", lBox, {0, 1, 2});
        Scene().SetNumber(lCluster, "relative", pRelative ? 1.0 : 0.0);
        const int lGroup = VurnFixtures::Transform("grp", VurnScene::kWorld, MVector(0, 5, 0));
        MoveHandle(lCluster, "cHandle", "h", lGroup, MVector(1, 2, 3));
        return lCluster;
    }
    void ExportClusters()
    {
        WalkAndAnimate();
        mExporter.ExportClusters(mExporter.GetRootNode());
    }
};

TEST_F(RyvVurnClusterExportTest, ANonRelativeClusterUnderAGroupGetsACompensationLink)
{
    ClusterUnderGroup(false);
    ExportClusters();
    KRyvGeometry* lBox = GeometryOf("box");
    ASSERT_NE(lBox, nullptr);
    ASSERT_EQ(lBox->GetLinkCount(), 2);
    KRyvLink* lWeighted = lBox->GetLink(0);
    EXPECT_EQ(lWeighted->GetLinkMode(), KRyvLink::eAdditive);
    EXPECT_EQ(lWeighted->GetLink(), Node("h"));
    EXPECT_STREQ(lWeighted->GetUserDataID().Buffer(), "Vurn_ClusterHint");
    EXPECT_STREQ(lWeighted->GetUserData().Buffer(), "WeightedCluster");
    const std::vector<std::pair<int, double>> lHalf = {{0, 0.5}, {1, 0.5}, {2, 0.5}};
    EXPECT_EQ(Weights(lWeighted), lHalf);
    KMatrix lMatrix;
    ExpectTranslation(lWeighted->GetTransformLinkMatrix(lMatrix), 1, 7, 3);
    ExpectTranslation(lWeighted->GetTransformMatrix(lMatrix), 0, 0, 0);
    EXPECT_EQ(lWeighted->GetAssociateModel(), Node("grp"));
    ExpectTranslation(lWeighted->GetTransformAssociateModelMatrix(lMatrix), 0, 5, 0);

    KRyvLink* lCompensation = lBox->GetLink(1);
    EXPECT_EQ(lCompensation->GetLinkMode(), KRyvLink::eAdditive);
    EXPECT_EQ(lCompensation->GetLink(), Node("grp"));
    EXPECT_STREQ(lCompensation->GetUserData().Buffer(), "CompensationCluster");
    const std::vector<std::pair<int, double>> lOnes = {{0, 1.0}, {1, 1.0}, {2, 1.0}};
    EXPECT_EQ(Weights(lCompensation), lOnes);
    ExpectTranslation(lCompensation->GetTransformLinkMatrix(lMatrix), 0, 5, 0);
}

TEST_F(RyvVurnClusterExportTest, ARelativeClusterGetsTheAssociateModelOnly)
{
    ClusterUnderGroup(true);
    ExportClusters();
    KRyvGeometry* lBox = GeometryOf("box");
    ASSERT_EQ(lBox->GetLinkCount(), 1);
    EXPECT_STREQ(lBox->GetLink(0)->GetUserData().Buffer(), "WeightedRelativeCluster");
    EXPECT_EQ(lBox->GetLink(0)->GetAssociateModel(), Node("grp"));
}

TEST_F(RyvVurnClusterExportTest, ATopLevelHandleGetsNeitherAssociateModelNorCompensation)
{
    VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {3});
    ExportClusters();
    KRyvGeometry* lBox = GeometryOf("box");
    ASSERT_EQ(lBox->GetLinkCount(), 1);
    EXPECT_EQ(lBox->GetLink(0)->GetAssociateModel(), nullptr);
    EXPECT_EQ(lBox->GetLink(0)->GetLink(), Node("cHandle"));
}

TEST_F(RyvVurnClusterExportTest, NurbsCVsLandOnTheKitIndicesWithTheDirectionsSwapped)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    // Five CVs in V, so that the kit's U count (the host's V) differs from its V count.
    VurnNurbsData& lData = *Scene().MutableNode(VurnFixtures::ShapeOf(lPatch))->mNurbs;
    lData.mCVsV = 5;
    lData.mCVs.clear();
    for (int lU = 0; lU < 4; ++lU) {
        for (int lV = 0; lV < 5; ++lV) {
            lData.mCVs.emplace_back(lU, 0, lV);
        }
    }
    lData.mKnotsV = {0, 0, 0, 1, 2, 2, 2};
    // Host CVs (0, 1), (1, 0) and (3, 4) by u * 5 + v.
    VurnFixtures::Cluster("c", lPatch, {1, 5, 19});
    ExportClusters();
    auto* lNurb = dynamic_cast<KRyvNurb*>(GeometryOf("patch"));
    ASSERT_NE(lNurb, nullptr);
    ASSERT_EQ(lNurb->GetUCount(), 5);
    ASSERT_EQ(lNurb->GetLinkCount(), 1);
    const std::vector<std::pair<int, double>> lExpected = {{1, 0.5}, {5, 0.5}, {19, 0.5}};
    EXPECT_EQ(Weights(lNurb->GetLink(0)), lExpected);
}

TEST_F(RyvVurnClusterExportTest, KitCVIndicesDropWhatThePeriodicSurfaceDoesNotKeep)
{
    EXPECT_EQ(KitControlPointOfCV(1, 2, 4, 3), 6);
    EXPECT_EQ(KitControlPointOfCV(2, 3, 4, 3), 11);
    EXPECT_EQ(KitControlPointOfCV(3, 0, 4, 3), -1);
    EXPECT_EQ(KitControlPointOfCV(0, 4, 4, 3), -1);
    EXPECT_EQ(KitControlPointOfCV(-1, 0, 4, 3), -1);
}

TEST_F(RyvVurnClusterExportTest, AClusterWhoseMessageFeedsTwoSetsOrNoneExportsNothing)
{
    const int lCluster = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0});
    const int lSecond = Scene().CreateNode(MFn::kSet, "other");
    Scene().Connect(lCluster, "message", lSecond, "usedBy[0]");
    ExportClusters();
    EXPECT_EQ(GeometryOf("box")->GetLinkCount(), 0);

    VurnScene::Reset();
    const int lAlone = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0});
    VurnPlugPath lUsedBy;
    const int lSet = Scene().FindNode("cSet");
    Scene().ParsePlugPath(lSet, "usedBy[0]", lUsedBy);
    ASSERT_TRUE(Scene().Disconnect(lSet, lUsedBy));
    RyvVurnExporter lExporter;
    WalkAndAnimate(&lExporter);
    lExporter.ExportClusters(lExporter.GetRootNode());
    EXPECT_EQ(FindGeometry(Find(lExporter.GetRootNode(), "box"))->GetLinkCount(), 0);
    lExporter.EndSteps();
    (void)lAlone;
}

TEST_F(RyvVurnClusterExportTest, IndicesOutsideTheGeometryAreIgnored)
{
    const int lCluster = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {2});
    MFnSingleIndexedComponent lComponent;
    const MObject lVertices = lComponent.create(MFn::kMeshVertComponent);
    lComponent.addElement(40);
    lComponent.addElement(-3);
    MFnSet(MObject::node(Scene().FindNode("cSet")))
        .addMember(PathOf(VurnFixtures::ShapeOf(Scene().FindNode("box"))), lVertices);
    ExportClusters();
    KRyvGeometry* lBox = GeometryOf("box");
    ASSERT_EQ(lBox->GetLinkCount(), 1);
    const std::vector<std::pair<int, double>> lExpected = {{2, 0.5}};
    EXPECT_EQ(Weights(lBox->GetLink(0)), lExpected);
    (void)lCluster;
}

TEST_F(RyvVurnClusterExportTest, AMemberWhoseOutputIsNotFoundIsSkippedNotGivenOtherWeights)
{
    const int lCluster = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0, 1});
    // A second member that no output of the cluster feeds: the weight list still points at
    // the box's weights, which it must not take.
    const int lOther = VurnFixtures::Cube("other");
    MFnSingleIndexedComponent lComponent;
    const MObject lVertices = lComponent.create(MFn::kMeshVertComponent);
    lComponent.addElement(0);
    MFnSet(MObject::node(Scene().FindNode("cSet")))
        .addMember(PathOf(VurnFixtures::ShapeOf(lOther)), lVertices);
    ExportClusters();
    EXPECT_EQ(GeometryOf("box")->GetLinkCount(), 1);
    EXPECT_EQ(GeometryOf("other")->GetLinkCount(), 0);
    (void)lCluster;
}

TEST_F(RyvVurnClusterExportTest, AMismatchedMemberGetsNoLink)
{
    VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0});
    WalkAndAnimate();
    auto* lBox = dynamic_cast<RyvVurnNode*>(Node("box"));
    ASSERT_NE(lBox, nullptr);
    lBox->SetMismatch(true);
    mExporter.ExportClusters(mExporter.GetRootNode());
    EXPECT_EQ(GeometryOf("box")->GetLinkCount(), 0);
}

// The cluster pass runs after the master scale: its matrices are those of the scaled tree.
TEST_F(RyvVurnClusterExportTest, UnderAMasterScaleTheMatricesAreTheScaledTreesOnes)
{
    ClusterUnderGroup(false);
    WalkAndAnimate();
    mExporter.ApplyMasterScale(2.0);
    mExporter.ExportClusters(mExporter.GetRootNode());
    KRyvGeometry* lBox = GeometryOf("box");
    ASSERT_EQ(lBox->GetLinkCount(), 2);
    KMatrix lMatrix;
    ExpectTranslation(lBox->GetLink(0)->GetTransformLinkMatrix(lMatrix), 2, 14, 6);
    ExpectTranslation(lBox->GetLink(1)->GetTransformLinkMatrix(lMatrix), 0, 10, 0);
    EXPECT_NEAR(lBox->GetLink(0)->GetTransformMatrix(lMatrix).Get(0, 0), 2.0, 1e-9);
}

// One cluster deforming a mesh (output 0) and a NURBS surface (output 1): each member takes
// the weights of its own output.
TEST_F(RyvVurnClusterExportTest, OneClusterOnAMeshAndASurfaceGivesALinkOnEach)
{
    const int lCluster = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0, 1});
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    const int lShape = VurnFixtures::ShapeOf(lPatch);
    const int lOrig = Scene().CreateNode(MFn::kNurbsSurface, "patchShapeOrig", lPatch);
    Scene().MutableNode(lOrig)->mNurbs =
        std::make_shared<VurnNurbsData>(*Scene().Node(lShape)->mNurbs);
    Scene().SetIntermediate(lOrig, true);
    Scene().Connect(lOrig, "local", lCluster, "input[1].inputGeometry");
    Scene().Connect(lCluster, "outputGeometry[1]", lShape, "create");
    const int lGroupId = Scene().CreateNode(MFn::kGroupId, "patchGroupId");
    Scene().Connect(lGroupId, "groupId", lCluster, "input[1].groupId");
    MFnDoubleIndexedComponent lComponent;
    const MObject lCVs = lComponent.create(MFn::kNurbsCVComponent);
    lComponent.addElement(1, 2);
    lComponent.addElement(3, 3);
    Scene().SetNumber(lCluster, "wl[1].w[6]", 0.25);
    MFnSet(MObject::node(Scene().FindNode("cSet"))).addMember(PathOf(lShape), lCVs);
    ExportClusters();
    ASSERT_EQ(GeometryOf("box")->GetLinkCount(), 1);
    const std::vector<std::pair<int, double>> lBox = {{0, 0.5}, {1, 0.5}};
    EXPECT_EQ(Weights(GeometryOf("box")->GetLink(0)), lBox);
    KRyvGeometry* lSurface = GeometryOf("patch");
    ASSERT_NE(lSurface, nullptr);
    ASSERT_EQ(lSurface->GetLinkCount(), 1);
    // CV (1, 2) has its own weight; CV (3, 3) none, so the attribute's default 1.0.
    const std::vector<std::pair<int, double>> lPatchWeights = {{6, 0.25}, {15, 1.0}};
    EXPECT_EQ(Weights(lSurface->GetLink(0)), lPatchWeights);
}
} // namespace

// A handle below a joint that compensates its parent joint's scale of 2: the file's link
// matrices are the host's world matrices of the handle and of that joint.
TEST_F(RyvVurnClusterExportTest, LinkMatricesFollowAJointThatCompensatesItsParentsScale)
{
    const int lCluster = VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0, 1});
    const std::vector<int> lJoints = VurnFixtures::JointChain("j", 2);
    for (const char* lAxis : {"scaleX", "scaleY", "scaleZ"}) {
        Scene().SetNumber(lJoints[0], lAxis, 2.0);
    }
    const int lHandle = MoveHandle(lCluster, "cHandle", "h", lJoints[1], MVector(1, 2, 0));
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "compensated.ryv");
    ASSERT_NE(lScene, nullptr);
    KRyvGeometry* lBox = FindGeometry(Find(lScene->GetRootNode(), "box"));
    ASSERT_NE(lBox, nullptr);
    ASSERT_EQ(lBox->GetLinkCount(), 2);
    auto lHost = [](int pNode) {
        const MMatrix lWorld = PathOf(pNode).inclusiveMatrix();
        KMatrix lMatrix;
        for (int lElement = 0; lElement < 16; ++lElement) {
            lMatrix.Set(lElement / 4, lElement % 4, lWorld(lElement / 4, lElement % 4));
        }
        return lMatrix;
    };
    KMatrix lMatrix;
    ExpectMatrixNear(lBox->GetLink(0)->GetTransformLinkMatrix(lMatrix), lHost(lHandle), 1e-5);
    ExpectMatrixNear(lBox->GetLink(0)->GetTransformAssociateModelMatrix(lMatrix), lHost(lJoints[1]),
                     1e-5);
    ExpectMatrixNear(lBox->GetLink(1)->GetTransformLinkMatrix(lMatrix), lHost(lJoints[1]), 1e-5);
}
