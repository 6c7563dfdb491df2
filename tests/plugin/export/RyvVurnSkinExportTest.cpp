#include "core/KLog.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "plugin/import/ConvertPivotsToNulls.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPose.h"
#include "tests/plugin/export/DeformerExportTestSupport.h"

#include <cmath>

namespace {
constexpr int kRings = 3;
constexpr int kSides = 6;
constexpr double kRadius = 2.0;
constexpr double kRingSpacing = 10.0;

MMatrix ToHost(const KMatrix& pMatrix)
{
    MMatrix lMatrix;
    for (int lElement = 0; lElement < 16; ++lElement) {
        lMatrix(lElement / 4, lElement % 4) = pMatrix.Get(lElement / 4, lElement % 4);
    }
    return lMatrix;
}

class RyvVurnSkinExportTest : public DeformerExportTest
{
protected:
    // A cylinder "cyl" along Y, kRings rings of kSides points, one normal per face corner (so
    // that hard edges split every point), skinned to the chain j1 - j2 - j3: ring 0 on j1,
    // ring 1 half j1 half j2, ring 2 0.3 j2 and 0.7 j3. The joints' bind poses are their
    // matrices now; then j2 and j3 turn. Answers the skin.
    int SkinnedCylinder(bool pPose)
    {
        const int lCylinder = VurnFixtures::Cube("cyl");
        VurnMeshData& lMesh = MeshOf(lCylinder);
        lMesh = VurnMeshData();
        for (int lRing = 0; lRing < kRings; ++lRing) {
            for (int lSide = 0; lSide < kSides; ++lSide) {
                const double lAngle = 2.0 * M_PI * lSide / kSides;
                lMesh.mPoints.emplace_back(kRadius * std::cos(lAngle), kRingSpacing * lRing,
                                           kRadius * std::sin(lAngle));
            }
        }
        for (int lRing = 0; lRing + 1 < kRings; ++lRing) {
            for (int lSide = 0; lSide < kSides; ++lSide) {
                const int lA = lRing * kSides + lSide;
                const int lB = lRing * kSides + (lSide + 1) % kSides;
                lMesh.mPolygons.push_back({lA, lB, lB + kSides, lA + kSides});
                const double lAngle = 2.0 * M_PI * (lSide + 0.5) / kSides;
                std::vector<int> lIds;
                for (int lCorner = 0; lCorner < 4; ++lCorner) {
                    lIds.push_back(static_cast<int>(lMesh.mNormals.size()));
                    lMesh.mNormals.emplace_back(std::cos(lAngle), 0.0, std::sin(lAngle));
                }
                lMesh.mNormalIds.push_back(lIds);
            }
        }
        mJoints = VurnFixtures::JointChain("j", 3);
        const int lSkin = VurnFixtures::Skin(lCylinder, mJoints);
        const double lWeights[kRings][3] = {{1.0, 0.0, 0.0}, {0.5, 0.5, 0.0}, {0.0, 0.3, 0.7}};
        for (int lPoint = 0; lPoint < kRings * kSides; ++lPoint) {
            for (int lJoint = 0; lJoint < 3; ++lJoint) {
                Scene().SetNumber(lSkin, WeightPlug(lPoint, lJoint),
                                  lWeights[lPoint / kSides][lJoint]);
            }
        }
        for (int lJoint : mJoints) {
            SetBindPose(lJoint, HostWorld(lJoint));
        }
        if (pPose) {
            Scene().SetNumber(mJoints[1], "rotateZ", 0.5);
            Scene().SetNumber(mJoints[2], "rotateX", 0.3);
        }
        return lSkin;
    }
    // The kit's own evaluation, which the deformation checks below use, gives a joint its
    // parent's whole scale: the host's joints do so with their scale compensation off.
    void InheritWholeJointScale() const
    {
        for (int lJoint : mJoints) {
            Scene().SetNumber(lJoint, "segmentScaleCompensate", 0);
        }
    }
    static std::string WeightPlug(int pPoint, int pJoint)
    {
        return "wl[" + std::to_string(pPoint) + "].w[" + std::to_string(pJoint) + "]";
    }
    static MMatrix HostWorld(int pNode) { return Scene().WorldMatrix(Scene().PathsTo(pNode)[0]); }
    static void SetBindPose(int pJoint, const MMatrix& pMatrix)
    {
        Scene().SetValue(pJoint, {{Scene().FindAttribute(pJoint, "bindPose"), -1}},
                         VurnValue::Matrix(pMatrix));
    }
    static MMatrix BindPose(int pJoint)
    {
        VurnValue lValue;
        Scene().GetValue(pJoint, {{Scene().FindAttribute(pJoint, "bindPose"), -1}}, lValue);
        return lValue.mMatrix;
    }
    // The host's skinning of pPoint (world space) at the joints' matrices now.
    MPoint HostDeformed(const MPoint& pPoint, int pSkin) const
    {
        MPoint lSum(0, 0, 0);
        for (size_t lJoint = 0; lJoint < mJoints.size(); ++lJoint) {
            double lWeight = 0.0;
            for (int lPoint = 0; lPoint < kRings * kSides; ++lPoint) {
                const MPoint lAt = MeshOf(Scene().FindNode("cyl")).mPoints[lPoint];
                if (lAt.x == pPoint.x && lAt.y == pPoint.y && lAt.z == pPoint.z) {
                    Scene().GetNumber(pSkin, WeightPlug(lPoint, static_cast<int>(lJoint)), lWeight);
                }
            }
            const MPoint lMoved =
                pPoint * (BindPose(mJoints[lJoint]).inverse() * HostWorld(mJoints[lJoint]));
            lSum = MPoint(lSum.x + lWeight * lMoved.x, lSum.y + lWeight * lMoved.y,
                          lSum.z + lWeight * lMoved.z);
        }
        return lSum;
    }
    // The kit's skinning of control point pIndex of pMesh: the sum over the links of weight
    // times the point through transform, inverse transform link and the link node's matrix now
    // (its default one, or at *pTime in its current take).
    static MPoint KitDeformed(KRyvMesh& pMesh, int pIndex, const KTime* pTime = nullptr)
    {
        const KVector4 lPoint = pMesh.GetControlPoints()[pIndex];
        MPoint lSum(0, 0, 0);
        for (int lLink = 0; lLink < pMesh.GetLinkCount(); ++lLink) {
            KRyvLink* lSkin = pMesh.GetLink(lLink);
            for (const auto& lWeight : Weights(lSkin)) {
                if (lWeight.first != pIndex) {
                    continue;
                }
                KMatrix lTransform;
                KMatrix lTransformLink;
                const MMatrix lChain =
                    ToHost(lSkin->GetTransformMatrix(lTransform)) *
                    ToHost(lSkin->GetTransformLinkMatrix(lTransformLink)).inverse() *
                    ToHost(pTime ? lSkin->GetLink()->GetGlobalMatrixAtTime(*pTime)
                                 : lSkin->GetLink()->GetGlobalMatrix(0, true));
                const MPoint lMoved = MPoint(lPoint[0], lPoint[1], lPoint[2]) * lChain;
                lSum =
                    MPoint(lSum.x + lWeight.second * lMoved.x, lSum.y + lWeight.second * lMoved.y,
                           lSum.z + lWeight.second * lMoved.z);
            }
        }
        return lSum;
    }
    // The passes up to the skin pass, with the master scale pScale.
    void ExportSkins(double pScale, RyvVurnExporter* pExporter = nullptr)
    {
        RyvVurnExporter& lExporter = pExporter ? *pExporter : mExporter;
        GetOptionStore().SetDouble(kExportMasterScale, pScale);
        WalkAndAnimate(&lExporter);
        lExporter.ApplyMasterScale(pScale);
        lExporter.ExportSkinClusters();
    }
    KRyvMesh* KitMesh(RyvVurnExporter& pExporter)
    {
        return dynamic_cast<KRyvMesh*>(FindGeometry(Find(pExporter.GetRootNode(), "cyl")));
    }
    std::vector<int> mJoints;
};

TEST_F(RyvVurnSkinExportTest, EachInfluenceGivesANormalisingLinkOfItsWeights)
{
    SkinnedCylinder(false);
    ExportSkins(1.0);
    KRyvMesh* lMesh = KitMesh(mExporter);
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetLinkCount(), 3);
    for (int lJoint = 0; lJoint < 3; ++lJoint) {
        KRyvLink* lLink = lMesh->GetLink(lJoint);
        EXPECT_EQ(lLink->GetLinkMode(), KRyvLink::eNormalize);
        EXPECT_EQ(lLink->GetLink(), Node(("j" + std::to_string(lJoint + 1)).c_str()));
    }
    std::vector<std::pair<int, double>> lMiddle;
    for (int lPoint = 0; lPoint < 2 * kSides; ++lPoint) {
        lMiddle.emplace_back(lPoint, lPoint < kSides ? 1.0 : 0.5);
    }
    EXPECT_EQ(Weights(lMesh->GetLink(0)), lMiddle);
    EXPECT_EQ(Weights(lMesh->GetLink(2)).size(), static_cast<size_t>(kSides));
    KMatrix lMatrix;
    ExpectMatrixNear(lMesh->GetLink(1)->GetTransformLinkMatrix(lMatrix),
                     Node("j2")->GetGlobalMatrix(0, true), 1e-9);
}

TEST_F(RyvVurnSkinExportTest, WeightsAboveOneThousandthAreKept)
{
    const int lSkin = SkinnedCylinder(false);
    Scene().SetNumber(lSkin, WeightPlug(0, 2), 0.0005);
    Scene().SetNumber(lSkin, WeightPlug(1, 2), 0.002);
    ExportSkins(1.0);
    const std::vector<std::pair<int, double>> lFirst = Weights(KitMesh(mExporter)->GetLink(2));
    ASSERT_EQ(lFirst.size(), static_cast<size_t>(kSides + 1));
    EXPECT_EQ(lFirst[0], std::make_pair(1, 0.002));
}

TEST_F(RyvVurnSkinExportTest, TheBindPoseHoldsTheGeometryAndEveryInfluence)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    SkinnedCylinder(true);
    ExportSkins(1.0);
    KRyvScene* lScene = mExporter.GetScene();
    ASSERT_EQ(lScene->GetPoseCount(), 1);
    KRyvPose* lPose = lScene->GetPose(0);
    EXPECT_STREQ(lPose->GetName().Buffer(), "Pose::skinCluster");
    EXPECT_TRUE(lPose->IsBindPose());
    ASSERT_EQ(lPose->GetCount(), 4);
    const int lJoint = lPose->Find(Node("j2")->GetName().Buffer());
    ASSERT_GE(lJoint, 0);
    EXPECT_EQ(ToHost(lPose->GetMatrix(lJoint)), BindPose(mJoints[1]));
    EXPECT_GE(lPose->Find(Node("cyl")->GetName().Buffer()), 0);
}

TEST_F(RyvVurnSkinExportTest, WithoutTheBindPoseOptionNoPoseIsMade)
{
    GetOptionStore().SetBool(kExportBindPose, false);
    SkinnedCylinder(true);
    ExportSkins(1.0);
    EXPECT_EQ(mExporter.GetScene()->GetPoseCount(), 0);
    EXPECT_EQ(KitMesh(mExporter)->GetLinkCount(), 3);
}

// At its bind pose the kit tree must hold each node where the pose and the links say, at
// every master scale: the scale applies to the host's bind matrices as to the tree.
TEST_F(RyvVurnSkinExportTest, BindMatricesAgreeWithTheScaledTree)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    SkinnedCylinder(false);
    ExportSkins(2.0);
    KRyvMesh* lMesh = KitMesh(mExporter);
    KRyvPose* lPose = mExporter.GetScene()->GetPose(0);
    ASSERT_NE(lPose, nullptr);
    for (int lLink = 0; lLink < lMesh->GetLinkCount(); ++lLink) {
        KRyvLink* lSkin = lMesh->GetLink(lLink);
        KMatrix lMatrix;
        const KMatrix& lGlobal = lSkin->GetLink()->GetGlobalMatrix(0, true);
        ExpectMatrixNear(lSkin->GetTransformLinkMatrix(lMatrix), lGlobal, 1e-9);
        ExpectMatrixNear(lPose->GetMatrix(lPose->Find(lSkin->GetLink()->GetName().Buffer())),
                         lGlobal, 1e-9);
        ExpectMatrixNear(lSkin->GetTransformMatrix(lMatrix), Node("cyl")->GetGlobalMatrix(0, true),
                         1e-9);
    }
}

TEST_F(RyvVurnSkinExportTest, DeformedPointsMatchTheHostsAndScaleWithTheMasterScale)
{
    for (const bool lHardEdges : {false, true}) {
        for (const double lScale : {1.0, 2.0}) {
            VurnScene::Reset();
            GetOptionStore().SetBool(kExportHardEdges, lHardEdges);
            const int lSkin = SkinnedCylinder(true);
            RyvVurnExporter lExporter;
            ExportSkins(lScale, &lExporter);
            lExporter.CheckCoincidentVertices(lExporter.GetRootNode());
            KRyvMesh* lMesh = KitMesh(lExporter);
            ASSERT_NE(lMesh, nullptr);
            EXPECT_EQ(lMesh->GetControlPointCount(), lHardEdges ? 4 * 12 : kRings * kSides);
            for (int lPoint = 0; lPoint < lMesh->GetControlPointCount(); ++lPoint) {
                const KVector4 lAt = lMesh->GetControlPoints()[lPoint];
                const MPoint lHost = HostDeformed(MPoint(lAt[0], lAt[1], lAt[2]), lSkin);
                const MPoint lKit = KitDeformed(*lMesh, lPoint);
                EXPECT_NEAR(lKit.x, lScale * lHost.x, 1e-4) << lPoint;
                EXPECT_NEAR(lKit.y, lScale * lHost.y, 1e-4) << lPoint;
                EXPECT_NEAR(lKit.z, lScale * lHost.z, 1e-4) << lPoint;
            }
            lExporter.EndSteps();
        }
    }
}

// The cylinder was bound away from where it stands; a second skin that the cylinder itself
// drives gives it another bind matrix: that skin's pose is dropped and the cylinder listed
// once, while a later skin on another mesh keeps its pose.
TEST_F(RyvVurnSkinExportTest, AConflictDropsOnlyThePoseOfItsOwnSkinCluster)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    const int lFirst = SkinnedCylinder(false);
    MMatrix lMoved;
    lMoved(3, 0) = 5.0;
    Scene().SetValue(lFirst, {{Scene().FindAttribute(lFirst, "geomMatrix"), -1}},
                     VurnValue::Matrix(lMoved));
    VurnFixtures::Skin(VurnFixtures::Cube("box"), {Scene().FindNode("cyl")});
    VurnFixtures::Skin(VurnFixtures::Cube("ball"), VurnFixtures::JointChain("k", 2));
    GetOptionStore().SetBool(kExportShowUI, true);
    ExportSkins(1.0);
    mExporter.EndSteps();
    EXPECT_EQ(Commands("confirmDialog"), 1);
    const std::vector<std::string>& lCommands = Scene().GetCommands();
    EXPECT_EQ(std::count_if(lCommands.begin(), lCommands.end(),
                            [](const std::string& pCommand) {
                                return pCommand.find("conflicting data on these elements : "
                                                     "\\n\\n     / cyl\\n") != std::string::npos;
                            }),
              1);
    KRyvScene* lScene = mExporter.GetScene();
    ASSERT_EQ(lScene->GetPoseCount(), 2);
    EXPECT_STREQ(lScene->GetPose(0)->GetName().Buffer(), "Pose::skinCluster");
    EXPECT_STREQ(lScene->GetPose(1)->GetName().Buffer(), "Pose::skinCluster2");
    const std::vector<std::string> lLines = LogLines();
    int lReports = 0;
    for (size_t lIndex = 0; lIndex + 2 < lLines.size(); ++lIndex) {
        if (lLines[lIndex] == "RYV Export Warning: Unable to export bind poses because of "
                              "conflicting data on these elements : ") {
            ++lReports;
            EXPECT_EQ(lLines[lIndex + 1], " / cyl");
            EXPECT_EQ(lLines[lIndex + 2], "");
        }
    }
    EXPECT_EQ(lReports, 1);
}

TEST_F(RyvVurnSkinExportTest, AMissingBindPoseIsAskedOncePerHierarchy)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    for (const char* lAnswer : {"", "Yes", "No"}) {
        VurnScene::Reset();
        const bool lAsk = *lAnswer != '\0';
        GetOptionStore().SetBool(kExportShowUI, lAsk);
        if (lAsk) {
            Scene().mScriptedAnswers["confirmDialog"].push_back(lAnswer);
        }
        SkinnedCylinder(false);
        // A second skin on the same chain meets the same unreadable joint.
        VurnFixtures::Skin(VurnFixtures::Cube("box"), mJoints);
        Scene().mFailingNodes.insert(mJoints[2]);
        RyvVurnExporter lExporter;
        ExportSkins(1.0, &lExporter);
        lExporter.EndSteps();
        const bool lKept = std::string(lAnswer) == "Yes";
        EXPECT_EQ(lExporter.GetScene()->GetPoseCount(), lKept ? 2 : 0) << lAnswer;
        EXPECT_EQ(Commands("confirmDialog"), lAsk ? 1 : 0);
        EXPECT_TRUE(Logged("RYV Export Warning: Could not retrieve bind pose for object :  / j1 / "
                           "j2 / j3"));
        EXPECT_TRUE(Logged(!lAsk   ? "No bind poses in the hierarchy containing the object will "
                                     "be exported."
                           : lKept ? "Used the DAG node current transform."
                                   : "User aborted the export of bind poses."));
        // The link still gets the joint's matrix now.
        KMatrix lMatrix;
        ExpectMatrixNear(KitMesh(lExporter)->GetLink(2)->GetTransformLinkMatrix(lMatrix),
                         Find(lExporter.GetRootNode(), "j3")->GetGlobalMatrix(0, true), 1e-9);
    }
}

TEST_F(RyvVurnSkinExportTest, AnInfluenceThatWasNotExportedIsLeftOutWithAWarning)
{
    const int lSkin = SkinnedCylinder(false);
    VurnFixtures::DefaultCameras();
    Scene().Connect(Scene().FindNode("persp"), "worldMatrix[0]", lSkin, "matrix[3]");
    ExportSkins(1.0);
    EXPECT_EQ(KitMesh(mExporter)->GetLinkCount(), 3);
    mExporter.EndSteps();
    EXPECT_TRUE(Logged("RYV Export Warning: An influence of the skin cluster was not exported; its "
                       "weights are left out:  / persp"));
}

TEST_F(RyvVurnSkinExportTest, AMismatchedMeshGetsNoLinks)
{
    SkinnedCylinder(false);
    WalkAndAnimate();
    dynamic_cast<RyvVurnNode*>(Node("cyl"))->SetMismatch(true);
    mExporter.ExportSkinClusters();
    EXPECT_EQ(KitMesh(mExporter)->GetLinkCount(), 0);
}

// A surface periodic in V repeats its first three CVs there; the kit keeps three of the six,
// and the weights of the kept CVs land on the kit's indices u * 3 + v.
TEST_F(RyvVurnSkinExportTest, PeriodicNurbsWeightsLandOnTheKitIndices)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    VurnNurbsData& lData = *Scene().MutableNode(VurnFixtures::ShapeOf(lPatch))->mNurbs;
    lData.mFormV = 3;
    lData.mCVsV = 6;
    lData.mCVs.clear();
    for (int lU = 0; lU < 4; ++lU) {
        for (int lV = 0; lV < 6; ++lV) {
            lData.mCVs.emplace_back(lU, 0, lV % 3);
        }
    }
    lData.mKnotsV = {-2, -1, 0, 1, 2, 3, 4, 5};
    // Host CV (u, v) weighs 1 on joint (u * 6 + v) % 2, which is v % 2.
    VurnFixtures::Skin(lPatch, VurnFixtures::JointChain("j", 2));
    ExportSkins(1.0);
    auto* lNurb = dynamic_cast<KRyvNurb*>(FindGeometry(Node("patch")));
    ASSERT_NE(lNurb, nullptr);
    ASSERT_EQ(lNurb->GetUCount(), 3);
    ASSERT_EQ(lNurb->GetLinkCount(), 2);
    std::vector<int> lEven;
    for (const auto& lWeight : Weights(lNurb->GetLink(0))) {
        lEven.push_back(lWeight.first);
    }
    EXPECT_EQ(lEven, std::vector<int>({0, 2, 3, 5, 6, 8, 9, 11}));
}

// An unreadable geometry bind matrix is never left undefined: the links take where the
// geometry is now, and the pose holds the influences only.
TEST_F(RyvVurnSkinExportTest, AnUnreadableGeometryMatrixIsReportedAndKeptOutOfThePose)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    const int lSkin = SkinnedCylinder(false);
    Scene().mFailingNodes.insert(lSkin);
    ExportSkins(2.0);
    KRyvPose* lPose = mExporter.GetScene()->GetPose(0);
    ASSERT_NE(lPose, nullptr);
    EXPECT_EQ(lPose->GetCount(), 3);
    EXPECT_LT(lPose->Find(Node("cyl")->GetName().Buffer()), 0);
    KMatrix lMatrix;
    ExpectMatrixNear(KitMesh(mExporter)->GetLink(0)->GetTransformMatrix(lMatrix),
                     Node("cyl")->GetGlobalMatrix(0, true), 1e-9);
    mExporter.EndSteps();
    EXPECT_TRUE(
        Logged("RYV Export Warning: Could not read the bind matrix of the geometry; its "
               "matrix now is used and it is left out of the bind pose:  / cyl / cylShape"));
}

// After the pivots became "__Pre_" / "__Post_" nulls, every pose entry is the matrix its node
// has in the kit tree at the bind pose, and the links bind to the influence's own frame.
TEST_F(RyvVurnSkinExportTest, PivotNullsEnterThePoseWithTheMatricesTheTreeGivesThem)
{
    GetOptionStore().SetBool(kExportBindPose, true);
    GetOptionStore().SetBool(kExportPivotToNull, true);
    SkinnedCylinder(false);
    InheritWholeJointScale();
    Scene().SetNumber(mJoints[1], "scaleX", 1.5);
    Scene().SetNumber(mJoints[1], "rotatePivotX", 1.0);
    Scene().SetNumber(mJoints[1], "rotateZ", 0.2);
    SetBindPose(mJoints[1], HostWorld(mJoints[1]));
    SetBindPose(mJoints[2], HostWorld(mJoints[2]));
    WalkAndAnimate();
    ASSERT_TRUE(ConvertPivotsToNulls(mExporter.GetRootNode(), 0, &mExporter.GetFactory()));
    mExporter.ExportSkinClusters();
    KRyvPose* lPose = mExporter.GetScene()->GetPose(0);
    ASSERT_NE(lPose, nullptr);
    ASSERT_NE(Node("j2__Post_"), nullptr);
    for (const char* lName : {"j2__Pre_", "j2", "j2__Post_", "j3"}) {
        const int lEntry = lPose->Find(Node(lName)->GetName().Buffer());
        ASSERT_GE(lEntry, 0) << lName;
        ExpectMatrixNear(lPose->GetMatrix(lEntry), Node(lName)->GetGlobalMatrix(0, true), 1e-6);
    }
    // The link binds to the node that carries j2's world matrix, scaling included.
    KRyvLink* lLink = KitMesh(mExporter)->GetLink(1);
    EXPECT_EQ(lLink->GetLink(), Node("j2__Post_"));
    KMatrix lMatrix;
    ExpectMatrixNear(lLink->GetTransformLinkMatrix(lMatrix),
                     Node("j2__Post_")->GetGlobalMatrix(0, true), 1e-6);
}

// With pivot nulls, a joint whose scale is animated still deforms the skin as the host does at
// every time: the links follow the nulls that carry the joints' scaling.
TEST_F(RyvVurnSkinExportTest, PivotNullsDeformAsTheHostWhenAJointScaleIsAnimated)
{
    GetOptionStore().SetBool(kExportPivotToNull, true);
    const int lSkin = SkinnedCylinder(false);
    InheritWholeJointScale();
    MFnAnimCurve lScale;
    lScale.create(MFnDependencyNode(MObject::node(mJoints[1])).findPlug("scaleY"));
    lScale.addKey(MTime(0.0), 1.0, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    lScale.addKey(MTime(1.0), 1.5, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    WalkAndAnimate();
    mExporter.ApplyMasterScale(1.0);
    ASSERT_TRUE(ConvertPivotsToNulls(mExporter.GetRootNode(), 0, &mExporter.GetFactory()));
    mExporter.ExportSkinClusters();
    mExporter.GetScene()->SetCurrentTake(RyvVurnExporter::kTakeName);
    KRyvMesh* lMesh = KitMesh(mExporter);
    ASSERT_NE(lMesh, nullptr);
    for (const double lSeconds : {0.0, 0.6, 1.0}) {
        Scene().mCurrentTime = lSeconds;
        KTime lTime;
        lTime.SetSecondDouble(lSeconds);
        for (int lPoint = 0; lPoint < lMesh->GetControlPointCount(); ++lPoint) {
            const KVector4 lAt = lMesh->GetControlPoints()[lPoint];
            const MPoint lHost = HostDeformed(MPoint(lAt[0], lAt[1], lAt[2]), lSkin);
            const MPoint lKit = KitDeformed(*lMesh, lPoint, &lTime);
            EXPECT_NEAR(lKit.x, lHost.x, 1e-3) << lPoint << " at " << lSeconds;
            EXPECT_NEAR(lKit.y, lHost.y, 1e-3) << lPoint << " at " << lSeconds;
            EXPECT_NEAR(lKit.z, lHost.z, 1e-3) << lPoint << " at " << lSeconds;
        }
    }
}
} // namespace
