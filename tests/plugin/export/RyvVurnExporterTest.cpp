#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/VurnSnapshot.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "tests/plugin/export/ExportReadBack.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;

class RyvVurnExporterTest : public ExportTest
{
protected:
    // group "rig" (a cube and a three-joint chain), a camera under a look-at group, a spot
    // light, and animation on the second joint and on "keys" (keys of several tangent types).
    void BuildRig()
    {
        mRig = VurnFixtures::Transform("rig", VurnScene::kWorld, MVector(1, 2, 3));
        VurnFixtures::Cube("body", mRig);
        mJoints = VurnFixtures::JointChain("arm", 3, mRig);
        VurnFixtures::CameraWithLookAt("shot");
        VurnFixtures::Light("spot", MFn::kSpotLight);
        VurnFixtures::AnimateChannels(mJoints[1]);
        mKeys = VurnFixtures::Transform("keys");
        MFnAnimCurve lCurve;
        lCurve.create(MFnDependencyNode(MObject::node(mKeys)).findPlug("translateY"));
        const MFnAnimCurve::TangentType lTypes[] = {
            MFnAnimCurve::kTangentLinear,  MFnAnimCurve::kTangentFlat,
            MFnAnimCurve::kTangentClamped, MFnAnimCurve::kTangentStep,
            MFnAnimCurve::kTangentClamped, MFnAnimCurve::kTangentLinear};
        for (int lKey = 0; lKey < 6; ++lKey) {
            lCurve.addKey(MTime(0.3 * lKey), (lKey * 7) % 5, lTypes[lKey], lTypes[lKey]);
        }
        // One fixed tangent, kept as given.
        lCurve.setTangent(1, 0.3, 0.6, false);
        Scene().mMinTime = 0.0;
        Scene().mMaxTime = 2.0;
    }

    std::string File(const char* pName) const { return mFolder.PathOf(pName); }

    int mRig = -1;
    int mKeys = -1;
    std::vector<int> mJoints;
};

} // namespace

TEST_F(RyvVurnExporterTest, ExportsNodesTransformsAnimationCamerasAndLights)
{
    BuildRig();
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(File("rig.ryv").c_str()));
    EXPECT_TRUE(lBefore.Diff(VurnSnapshot::Take()).empty());

    KRyvScene* lScene = lExporter.GetScene();
    KRyvNode* lRoot = lScene->GetRootNode();
    KRyvNode* lRig = Find(lRoot, "rig");
    ASSERT_NE(lRig, nullptr);
    EXPECT_EQ(lRig->GetParent(), lRoot);
    KRyvNode* lBody = Find(lRoot, "body");
    ASSERT_NE(lBody, nullptr);
    EXPECT_EQ(lBody->GetParent(), lRig);
    ASSERT_NE(dynamic_cast<KRyvMesh*>(lBody->GetNodeAttribute()), nullptr);
    KRyvNode* lArm2 = Find(lRoot, "arm2");
    ASSERT_NE(lArm2, nullptr);
    EXPECT_EQ(lArm2->GetParent(), Find(lRoot, "arm1"));
    EXPECT_EQ(lArm2->GetParent()->GetParent(), lRig);
    ASSERT_NE(lArm2->GetSkeleton(), nullptr);
    EXPECT_EQ(lArm2->GetSkeleton()->GetSkeletonType(), 2);
    EXPECT_DOUBLE_EQ(lArm2->GetSkeleton()->GetSize(), 100.0);
    int lInherit = -1;
    EXPECT_EQ(lArm2->GetTransformInheritType(lInherit), 2);
    EXPECT_EQ(lRig->GetTransformInheritType(lInherit), 1);
    // Joint orient 0.1 rad about Z becomes the pre-rotation in degrees.
    EXPECT_NEAR(lArm2->GetPreRotation(0)[2], 0.1 * kRadiansToDegrees, 1e-9);
    EXPECT_TRUE(lArm2->GetLimits().GetRotationActive());
    EXPECT_FLOAT_EQ(
        static_cast<float>(lRig->GetDefaultTakeNode()->GetTransformTZ()->GetDefaultValue()), 3.0f);

    // Animation: "Take 001" on animated nodes only, curves matching the host's.
    EXPECT_STREQ(lScene->GetCurrentTakeName(), "Take 001");
    KRyvTakeNode* lTake = lArm2->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    ExpectSameCurve(lTake->GetTransformTX(), mJoints[1], "translateX", 1.0);
    // Smooth keys: the same values at the keys, in degrees.
    KFCurve* lRotate = lTake->GetTransformRY();
    ASSERT_EQ(lRotate->GetKeyCount(), 3);
    EXPECT_NEAR(lRotate->KeyGetValue(1), 0.5 * kRadiansToDegrees, 1e-4);
    EXPECT_EQ(lRotate->KeyGetInterpolation(1), 8);
    ExpectSameCurve(Find(lRoot, "keys")->GetCurrentTakeNode()->GetTransformTY(), mKeys,
                    "translateY", 1.0);
    ASSERT_NE(lTake->GetVisibility(), nullptr);
    EXPECT_EQ(lTake->GetVisibility()->GetKeyCount(), 2);
    EXPECT_STREQ(lRig->GetCurrentTakeNode()->GetName().Buffer(), "Default");

    // Every take spans the playback range.
    std::vector<KString> lNames;
    lScene->FillTakeNameList(lNames);
    ASSERT_FALSE(lNames.empty());
    for (const KString& lName : lNames) {
        const KTakeInfo* lInfo = lScene->GetTakeInfo(lName.Buffer());
        ASSERT_NE(lInfo, nullptr) << lName.Buffer();
        EXPECT_EQ(lInfo->mLocalStart, KTime());
        EXPECT_DOUBLE_EQ(lInfo->mLocalStop.GetSecondDouble(), 2.0);
        EXPECT_EQ(lInfo->mReferenceStop, lInfo->mLocalStop);
    }

    // The camera under its look-at group aims at the group's other child.
    KRyvNode* lCamera = Find(lRoot, "shot");
    ASSERT_NE(lCamera, nullptr);
    EXPECT_EQ(lCamera->GetParent(), Find(lRoot, "shot_group"));
    EXPECT_EQ(lCamera->GetLookAtTarget(), Find(lRoot, "shot_aim"));
    auto* lCameraAttribute = dynamic_cast<KRyvCamera*>(lCamera->GetNodeAttribute());
    ASSERT_NE(lCameraAttribute, nullptr);
    EXPECT_DOUBLE_EQ(lCameraAttribute->GetFocalLength(), 50.0);
    EXPECT_NEAR(lCamera->GetDefaultTakeNode()->GetRoll()->GetDefaultValue(),
                -0.25 * kRadiansToDegrees, 1e-4);
    auto* lLight = dynamic_cast<KRyvLight*>(Find(lRoot, "spot")->GetNodeAttribute());
    ASSERT_NE(lLight, nullptr);
    EXPECT_EQ(lLight->GetLightType(), 2);
    EXPECT_NEAR(Find(lRoot, "spot")->GetDefaultTakeNode()->GetIntensity()->GetDefaultValue(), 200.0,
                1e-4);

    // The log: header first, no failure.
    const std::vector<std::string> lLines = LogLines();
    ASSERT_FALSE(lLines.empty());
    EXPECT_NE(lLines.front().find("File Export : " + File("rig.ryv")), std::string::npos);
    EXPECT_FALSE(Logged("File Export Failed."));
}

TEST_F(RyvVurnExporterTest, TheWrittenFileReadsBack)
{
    BuildRig();
    VurnFixtures::AnimateChannels(VurnFixtures::Transform("moving"));
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "back.ryv");
    ASSERT_NE(lScene, nullptr);
    KRyvNode* lArm3 = Find(lScene->GetRootNode(), "arm3");
    ASSERT_NE(lArm3, nullptr);
    EXPECT_EQ(lArm3->GetParent(), Find(lScene->GetRootNode(), "arm2"));
    EXPECT_STREQ(lScene->GetCurrentTakeName(), "Take 001");
    KRyvNode* lMoving = Find(lScene->GetRootNode(), "moving");
    ASSERT_NE(lMoving, nullptr);
    ASSERT_TRUE(lMoving->SetCurrentTakeNode("Take 001"));
    EXPECT_EQ(lMoving->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 2);
    EXPECT_NE(Find(lScene->GetRootNode(), "shot")->GetLookAtTarget(), nullptr);
    // The spot light's gobo comes back with it.
    auto* lSpot = dynamic_cast<KRyvLight*>(Find(lScene->GetRootNode(), "spot")->GetNodeAttribute());
    ASSERT_NE(lSpot, nullptr);
    EXPECT_NE(lSpot->GetGobo(), nullptr);
}

TEST_F(RyvVurnExporterTest, DuplicateNamesFailWithoutAFile)
{
    const int lA = VurnFixtures::Transform("a");
    const int lB = VurnFixtures::Transform("b");
    VurnFixtures::Transform("arm", lA);
    VurnFixtures::Transform("arm", lB);
    const std::string lName = File("dup.ryv");
    RyvVurnExporter lExporter;
    EXPECT_FALSE(lExporter.Export(lName.c_str()));
    EXPECT_TRUE(TempFolder::Read(lName).empty());
    const std::vector<std::string> lLines = LogLines();
    ASSERT_GE(lLines.size(), 4u);
    EXPECT_EQ(lLines.back(), "File Export Failed.");
    EXPECT_TRUE(Logged("RYV Export Error: Unable to export RYV project because these models share "
                       "same name : "));
    // Only the later of the two is listed.
    EXPECT_TRUE(Logged(" / b / arm"));
    EXPECT_FALSE(Logged(" / a / arm"));
}

TEST_F(RyvVurnExporterTest, AFailedWriteLeavesTheOldFile)
{
    VurnFixtures::Transform("a");
    const std::string lName = mFolder.Write("old.ryv", "old content");
    const int lA = VurnFixtures::Transform("x");
    VurnFixtures::Transform("same", lA);
    VurnFixtures::Transform("same");
    RyvVurnExporter lExporter;
    EXPECT_FALSE(lExporter.Export(lName.c_str()));
    EXPECT_EQ(TempFolder::Read(lName), "old content");
    // A target the kit cannot create fails the export too.
    VurnScene::Reset();
    RyvVurnExporter lSecond;
    EXPECT_FALSE(lSecond.Export(mFolder.PathOf("missing/folder/x.ryv").c_str()));
    EXPECT_EQ(LogLines().back(), "File Export Failed.");
}

TEST_F(RyvVurnExporterTest, MasterScaleAddsAScaledRootAndDissolvesRootNodes)
{
    VurnFixtures::Transform("free");
    const int lOld = VurnFixtures::Transform("Ryv_Root");
    for (const char* lAxis : {"scaleX", "scaleY", "scaleZ"}) {
        Scene().SetNumber(lOld, lAxis, 0.5);
    }
    VurnFixtures::Transform("first", lOld);
    VurnFixtures::Transform("second", lOld);
    GetOptionStore().SetDouble(kExportMasterScale, 2.0);
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(File("scaled.ryv").c_str()));
    KRyvNode* lRoot = lExporter.GetRootNode();
    // free goes under a new scaled root; the old root node's global scale cancels out, so it
    // is dissolved and its children move up in order.
    KRyvNode* lFree = Find(lRoot, "free");
    ASSERT_NE(lFree, nullptr);
    KRyvNode* lScaleRoot = lFree->GetParent();
    ASSERT_NE(lScaleRoot, lRoot);
    // The old root node's name is taken: the new one differs but is still a root name.
    EXPECT_STREQ(lScaleRoot->GetName().Buffer(), "Model::Ryv_Root1");
    EXPECT_TRUE(lExporter.IsRootNode(lScaleRoot));
    KVector4 lScale;
    lScaleRoot->GetLclScaling(lScale);
    EXPECT_DOUBLE_EQ(lScale[0], 2.0);
    EXPECT_EQ(Find(lRoot, "first")->GetParent(), lRoot);
    EXPECT_EQ(Find(lRoot, "second")->GetParent(), lRoot);
    const int lLast = lRoot->GetChildCount() - 1;
    EXPECT_EQ(lRoot->GetChild(lLast - 1), Find(lRoot, "first"));
    EXPECT_EQ(lRoot->GetChild(lLast), Find(lRoot, "second"));
    EXPECT_EQ(Find(lRoot, "Ryv_Root1")->GetChildCount(), 1);
    EXPECT_EQ(Find(lRoot, "Ryv_Root"), nullptr);
}

TEST_F(RyvVurnExporterTest, MasterScaleOfOneOrZeroChangesNothing)
{
    VurnFixtures::Transform("free");
    for (double lScale : {1.0, 0.0, std::numeric_limits<double>::quiet_NaN()}) {
        GetOptionStore().SetDouble(kExportMasterScale, lScale);
        RyvVurnExporter lExporter;
        ASSERT_TRUE(lExporter.Export(File("one.ryv").c_str()));
        EXPECT_EQ(Find(lExporter.GetRootNode(), "free")->GetParent(), lExporter.GetRootNode());
    }
    EXPECT_TRUE(Logged("RYV Export Warning: The master scale is 0 or not a number: the scene is "
                       "exported unscaled."));
}

TEST_F(RyvVurnExporterTest, JointDisplayScaleAndItsFallbacks)
{
    VurnFixtures::JointChain("j", 1);
    const struct
    {
        double mHost;
        bool mFails;
        double mExpected;
    } lCases[] = {{0.5, false, 50.0},
                  {0.0, false, 1e-5},
                  {std::numeric_limits<double>::quiet_NaN(), false, 100.0},
                  {0.5, true, 100.0}};
    for (const auto& lCase : lCases) {
        Scene().mJointDisplayScale = lCase.mHost;
        Scene().mFailingCalls.clear();
        if (lCase.mFails) {
            Scene().mFailingCalls.insert("jointDisplayScale");
        }
        RyvVurnExporter lExporter;
        ASSERT_TRUE(lExporter.Export(File("joints.ryv").c_str()));
        EXPECT_DOUBLE_EQ(lExporter.GetJointDisplayScale(), lCase.mExpected) << lCase.mHost;
        EXPECT_DOUBLE_EQ(Find(lExporter.GetRootNode(), "j1")->GetSkeleton()->GetSize(),
                         lCase.mExpected);
    }
}

TEST_F(RyvVurnExporterTest, ABadSamplingRateFallsBackTo30)
{
    const int lNode = VurnFixtures::Transform("moving");
    MFnAnimCurve lCurve;
    lCurve.create(MFnDependencyNode(MObject::node(lNode)).findPlug("translateX"));
    lCurve.addKey(MTime(0.0), 0.0, MFnAnimCurve::kTangentSlow, MFnAnimCurve::kTangentSlow);
    lCurve.addKey(MTime(1.0), 3.0, MFnAnimCurve::kTangentSlow, MFnAnimCurve::kTangentSlow);
    GetOptionStore().SetString(kExportSamplingRate, "0");
    GetOptionStore().SetDouble(kExportMasterScale, 3.0);
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(File("rate.ryv").c_str()));
    EXPECT_DOUBLE_EQ(lExporter.GetSamplingRate(), 30.0);
    EXPECT_TRUE(Logged("RYV Export Warning: The sampling rate is not a number above 0: 30 frames "
                       "per second are used."));
    // Resampled at 30 frames per second: 31 keys over the second.
    const KFCurve* lKit =
        Find(lExporter.GetRootNode(), "moving")->GetCurrentTakeNode()->GetTransformTX();
    EXPECT_EQ(lKit->GetKeyCount(), 31);
}

TEST_F(RyvVurnExporterTest, SelectionOnlyWithNothingSelectedStillWrites)
{
    const int lGroup = VurnFixtures::Transform("group");
    VurnFixtures::Transform("child", lGroup);
    GetOptionStore().SetBool(kExportSelectionOnly, true);
    {
        RyvVurnExporter lExporter;
        ASSERT_TRUE(lExporter.Export(File("empty.ryv").c_str()));
        EXPECT_EQ(lExporter.GetRootNode()->GetChildCount(), 0);
    }
    EXPECT_FALSE(TempFolder::Read(File("empty.ryv")).empty());
    // A selected parent does not bring its children along.
    MSelectionList lSelection;
    lSelection.add(PathOf(lGroup));
    MGlobal::setActiveSelectionList(lSelection);
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(File("group.ryv").c_str()));
    EXPECT_NE(Find(lExporter.GetRootNode(), "group"), nullptr);
    EXPECT_EQ(Find(lExporter.GetRootNode(), "child"), nullptr);
}

// Nodes an earlier import left with pivot-null names: the export's own nulls take free names,
// and every name of the written file is one node's.
TEST_F(RyvVurnExporterTest, PivotNullsTakeNamesNoNodeHas)
{
    const int lPre = VurnFixtures::Transform("arm1__Pre_");
    const int lArm1 = VurnFixtures::Transform("arm1", lPre);
    const int lArm2 = VurnFixtures::Transform("arm2", lArm1);
    VurnFixtures::Transform("arm2__Post_", lArm2);
    GetOptionStore().SetBool(kExportPivotToNull, true);
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(File("nulls.ryv").c_str()));
    std::vector<std::string> lNames;
    std::vector<KRyvNode*> lOpen = {lExporter.GetRootNode()};
    while (!lOpen.empty()) {
        KRyvNode* lNode = lOpen.back();
        lOpen.pop_back();
        lNames.push_back(lNode->GetName().Buffer());
        for (int lIndex = 0; lIndex < lNode->GetChildCount(); ++lIndex) {
            lOpen.push_back(lNode->GetChild(lIndex));
        }
    }
    std::sort(lNames.begin(), lNames.end());
    EXPECT_EQ(std::adjacent_find(lNames.begin(), lNames.end()), lNames.end());
    KRyvNode* lKitArm1 = Find(lExporter.GetRootNode(), "arm1");
    ASSERT_NE(lKitArm1, nullptr);
    EXPECT_STREQ(lKitArm1->GetParent()->GetName().Buffer(), "Model::arm1__Pre_1");
    EXPECT_STREQ(Find(lExporter.GetRootNode(), "arm2")->GetChild(0)->GetName().Buffer(),
                 "Model::arm2__Post_1");
}

// With a master scale, every node's world position scales, root-named nodes' included, at
// every time: a static root node away from the origin and an animated one.
TEST_F(RyvVurnExporterTest, RootNamedNodesScaleWithTheScene)
{
    const double kScale = 2.0;
    const int lStill = VurnFixtures::Transform("Ryv_Root", VurnScene::kWorld, MVector(5, 0, 0));
    const int lChild = VurnFixtures::Transform("child", lStill, MVector(1, 0, 0));
    const int lMoving = VurnFixtures::Transform("Ryv_Root_moving");
    MFnAnimCurve lCurve;
    lCurve.create(MFnDependencyNode(MObject::node(lMoving)).findPlug("translateX"));
    lCurve.addKey(MTime(0.0), 0.0, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    lCurve.addKey(MTime(1.0), 4.0, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    const int lRider = VurnFixtures::Transform("rider", lMoving, MVector(0, 1, 0));
    Scene().mMaxTime = 1.0;
    GetOptionStore().SetDouble(kExportMasterScale, kScale);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "rootscale.ryv");
    ASSERT_NE(lScene, nullptr);
    lScene->SetCurrentTake(RyvVurnExporter::kTakeName);
    for (const double lSeconds : {0.0, 0.5, 1.0}) {
        Scene().mCurrentTime = lSeconds;
        KTime lTime;
        lTime.SetSecondDouble(lSeconds);
        for (const int lHost : {lStill, lChild, lMoving, lRider}) {
            const MMatrix lWorld = Scene().WorldMatrix(Scene().PathsTo(lHost)[0]);
            KRyvNode* lKit = Find(lScene->GetRootNode(), Scene().Node(lHost)->mName.c_str());
            ASSERT_NE(lKit, nullptr) << Scene().Node(lHost)->mName;
            const KMatrix& lGlobal = lKit->GetGlobalMatrixAtTime(lTime);
            for (int lAxis = 0; lAxis < 3; ++lAxis) {
                EXPECT_NEAR(lGlobal.Get(3, lAxis), kScale * lWorld(3, lAxis), 1e-4)
                    << Scene().Node(lHost)->mName << " at " << lSeconds << ", axis " << lAxis;
            }
        }
    }
}
