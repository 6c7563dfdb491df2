// Host scenes exported with the default options and read back from the file: every node's world
// matrix, as a reader of the format composes it, is the host's own (MDagPath::inclusiveMatrix).

#include "platform/vurn/MFnAnimCurve.h"
#include "tests/plugin/export/ExportTestSupport.h"
#include "tests/support/FileWorldMatrix.h"

#include <map>
#include <string>
#include <vector>

namespace {
constexpr double kTolerance = 1e-4;

// The host matrix as a kit one, element by element.
KMatrix FromHost(const MMatrix& pMatrix)
{
    KMatrix lMatrix;
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            lMatrix[lRow][lColumn] = pMatrix(lRow, lColumn);
        }
    }
    return lMatrix;
}

class RyvVurnExportFramesTest : public ExportTest
{
protected:
    static void SetTriple(int pNode, const char* pName, double pX, double pY, double pZ)
    {
        const std::string lName = pName;
        Scene().SetNumber(pNode, lName + "X", pX);
        Scene().SetNumber(pNode, lName + "Y", pY);
        Scene().SetNumber(pNode, lName + "Z", pZ);
    }

    // pPlug keyed linearly from pFirst at 0 s to pLast at 1 s.
    static void Key(int pNode, const char* pPlug, double pFirst, double pLast)
    {
        MFnAnimCurve lCurve;
        lCurve.create(MFnDependencyNode(MObject::node(pNode)).findPlug(pPlug));
        lCurve.addKey(MTime(0.0), pFirst, MFnAnimCurve::kTangentLinear,
                      MFnAnimCurve::kTangentLinear);
        lCurve.addKey(MTime(1.0), pLast, MFnAnimCurve::kTangentLinear,
                      MFnAnimCurve::kTangentLinear);
        Scene().mMaxTime = 1.0;
    }

    // Exports, reads the file back and compares, at 0, 0.5 and 1 s, each host node's world
    // matrix turned by pTurn (applied first, on the node's own axes) and scaled by pScale with
    // the world matrix of the file's node of the same name, or of the name pFileNames gives.
    void ExpectFileFrames(const std::vector<int>& pNodes, const KMatrix& pTurn = KMatrix(),
                          double pScale = 1.0, const std::map<int, std::string>& pFileNames = {})
    {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = ExportAndReadBack(lFactory, "frames.ryv");
        ASSERT_NE(lScene, nullptr);
        lScene->SetCurrentTake(RyvVurnExporter::kTakeName);
        const KVector4 lScale(pScale, pScale, pScale);
        for (const double lSeconds : {0.0, 0.5, 1.0}) {
            Scene().mCurrentTime = lSeconds;
            KTime lTime;
            lTime.SetSecondDouble(lSeconds);
            for (const int lHost : pNodes) {
                const auto lRenamed = pFileNames.find(lHost);
                const std::string& lName =
                    lRenamed != pFileNames.end() ? lRenamed->second : Scene().Node(lHost)->mName;
                KRyvNode* lKit = Find(lScene->GetRootNode(), lName.c_str());
                ASSERT_NE(lKit, nullptr) << lName;
                const KMatrix lExpected = mathtest::Product(
                    mathtest::Product(pTurn, FromHost(PathOf(lHost).inclusiveMatrix())),
                    filetest::Scaling(lScale));
                EXPECT_TRUE(
                    mathtest::Near4x4(filetest::WorldMatrix(*lKit, lTime), lExpected, kTolerance))
                    << lName << " at " << lSeconds << " s";
            }
        }
    }
};
} // namespace

// Joints cancel the scale of a parent joint while their segment scale compensation is on, and
// only then; a plain scaled group above a skeleton scales it. With pivot nulls, a joint's frame
// is its "__Post_" null's.
TEST_F(RyvVurnExportFramesTest, JointsKeepTheHostsScaleInheritance)
{
    const struct
    {
        const char* mName;
        bool mUnderScaledGroup;
        bool mCompensates;
    } lCases[] = {{"spine", true, true}, {"leg", false, true}, {"arm", true, false}};
    for (const bool lPivotNulls : {false, true}) {
        VurnScene::Reset();
        std::vector<int> lJoints;
        std::map<int, std::string> lFileNames;
        for (const auto& lCase : lCases) {
            const int lGroup = VurnFixtures::Transform(std::string(lCase.mName) + "_grp");
            if (lCase.mUnderScaledGroup) {
                SetTriple(lGroup, "scale", 0.5, 0.5, 0.5);
            }
            const std::vector<int> lChain = VurnFixtures::JointChain(lCase.mName, 3, lGroup);
            SetTriple(lChain[1], "scale", 1.5, 1.5, 1.5);
            SetTriple(lChain[1], "rotate", 0.2, 0.4, 0.0);
            Key(lChain[2], "rotateZ", 0.0, 1.0);
            for (const int lJoint : lChain) {
                if (!lCase.mCompensates) {
                    ASSERT_TRUE(Scene().SetNumber(lJoint, "segmentScaleCompensate", 0));
                }
                lJoints.push_back(lJoint);
                if (lPivotNulls) {
                    lFileNames[lJoint] = Scene().Node(lJoint)->mName + "__Post_";
                }
            }
        }
        GetOptionStore().SetBool(kExportPivotToNull, lPivotNulls);
        ExpectFileFrames(lJoints, KMatrix(), 1.0, lFileNames);
    }
}

// Cameras with a rotate axis and pivots, in every rotation order, animated: the file's camera
// frame is the host's turned, on its own axes, from the kit's camera axes (looking along +X) to
// the host's (looking along -Z).
TEST_F(RyvVurnExportFramesTest, CamerasWithARotateAxisAimAsTheHostsInEveryOrder)
{
    std::vector<int> lCameras;
    for (int lOrder = 0; lOrder < 6; ++lOrder) {
        const std::string lName = "cam" + std::to_string(lOrder);
        const int lCamera =
            VurnFixtures::Transform(lName, VurnScene::kWorld, MVector(lOrder, 2, 5));
        Scene().CreateNode(MFn::kCamera, lName + "Shape", lCamera);
        Scene().SetNumber(lCamera, "rotateOrder", lOrder);
        SetTriple(lCamera, "rotate", 0.3, 0.5, 0.2);
        SetTriple(lCamera, "rotateAxis", 0.2, 0.0, 0.3);
        SetTriple(lCamera, "rotatePivot", 0.5, 0.0, 0.2 * lOrder);
        SetTriple(lCamera, "scalePivotTranslation", 0.0, 0.3, 0.0);
        Key(lCamera, "rotateY", 0.5, 1.5);
        lCameras.push_back(lCamera);
    }
    const double kCorrection[3][3] = {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};
    ExpectFileFrames(lCameras, mathtest::Rows(kCorrection));
}

// With a master scale, every world matrix is the host's scaled: a root-named node's pivots and
// offsets scale with its translation, and the nodes below it and beside it follow, joints that
// cancel a root-named joint's scale included.
TEST_F(RyvVurnExportFramesTest, MasterScaleScalesPivotsAndOffsets)
{
    const double kMasterScale = 2.0;
    const int lRoot = VurnFixtures::Transform("Ryv_Root", VurnScene::kWorld, MVector(1, 0, 2));
    SetTriple(lRoot, "rotatePivot", 2, 0, 0);
    SetTriple(lRoot, "rotatePivotTranslation", 0, 1, 0);
    SetTriple(lRoot, "scalePivot", 0, 0, 1);
    SetTriple(lRoot, "scalePivotTranslation", 0.5, 0, 0);
    SetTriple(lRoot, "scale", 1.2, 1.2, 1.2);
    Key(lRoot, "rotateY", 0.0, 1.0);
    const int lChild = VurnFixtures::Transform("child", lRoot, MVector(0, 1, 0));
    const int lFree = VurnFixtures::Transform("free", VurnScene::kWorld, MVector(3, 0, 0));
    const std::vector<int> lSkeleton = VurnFixtures::JointChain("Ryv_Root_joint", 3);
    SetTriple(lSkeleton[0], "scale", 1.5, 1.5, 1.5);
    Key(lSkeleton[1], "rotateZ", 0.0, 1.0);
    GetOptionStore().SetDouble(kExportMasterScale, kMasterScale);
    std::vector<int> lNodes = {lRoot, lChild, lFree};
    lNodes.insert(lNodes.end(), lSkeleton.begin(), lSkeleton.end());
    ExpectFileFrames(lNodes, KMatrix(), kMasterScale);
}

// What the camera's correction and its scale removal take out of its frame does not reach its
// children: meshes and transforms below a turning camera, plain or scaled about a pivot, keep
// their host world matrices.
TEST_F(RyvVurnExportFramesTest, ChildrenOfACameraKeepTheirHostFrames)
{
    const struct
    {
        const char* mName;
        double mScale;
        double mPivot;
    } lCases[] = {{"plain", 1.0, 0.0}, {"scaled", 2.0, 0.0}, {"pivoted", 2.0, 1.5}};
    std::vector<int> lChildren;
    for (const auto& lCase : lCases) {
        const std::string lName = lCase.mName;
        const int lCamera = VurnFixtures::Transform(lName, VurnScene::kWorld, MVector(1, 2, 3));
        Scene().CreateNode(MFn::kCamera, lName + "Shape", lCamera);
        SetTriple(lCamera, "scale", lCase.mScale, lCase.mScale, lCase.mScale);
        SetTriple(lCamera, "rotatePivot", lCase.mPivot, 0.0, 0.0);
        SetTriple(lCamera, "scalePivot", 0.0, lCase.mPivot, 0.0);
        SetTriple(lCamera, "rotateAxis", 0.2, 0.0, 0.3);
        Key(lCamera, "rotateY", 0.5, 1.5);
        const int lVisor = VurnFixtures::Cube(lName + "_visor", lCamera);
        Scene().SetNumber(lVisor, "translateZ", -3.0);
        Key(lVisor, "rotateX", 0.0, 0.4);
        const int lLens = VurnFixtures::Transform(lName + "_lens", lVisor, MVector(0, 1, 0));
        lChildren.insert(lChildren.end(), {lVisor, lLens});
    }
    ExpectFileFrames(lChildren);
}

// Moving pivots: without pivot nulls the file keeps the host's frames through the node's
// translation; with them, the nulls carry the pivots and the frame of the node's children and
// shape (its "__Post_" null) is the host's.
TEST_F(RyvVurnExportFramesTest, AnimatedPivotsKeepTheHostFrames)
{
    for (const bool lPivotNulls : {false, true}) {
        VurnScene::Reset();
        const int lDoor = VurnFixtures::Cube("door");
        SetTriple(lDoor, "translate", 1.0, 0.0, 0.5);
        SetTriple(lDoor, "scale", 1.5, 1.5, 1.5);
        SetTriple(lDoor, "rotatePivotTranslation", 0.0, 0.5, 0.0);
        Key(lDoor, "rotateY", 0.0, 1.2);
        Key(lDoor, "rotatePivotX", 0.0, 2.0);
        Key(lDoor, "scalePivotZ", 0.0, -1.0);
        const int lKnob = VurnFixtures::Transform("knob", lDoor, MVector(0.5, 1.0, 0.0));
        GetOptionStore().SetBool(kExportPivotToNull, lPivotNulls);
        std::map<int, std::string> lFileNames;
        if (lPivotNulls) {
            lFileNames[lDoor] = "door__Post_";
        }
        ExpectFileFrames({lDoor, lKnob}, KMatrix(), 1.0, lFileNames);
    }
}

// Spot and directional lights, turned, with a rotate axis and pivots, animated: the file's light
// frame is the host's turned, on its own axes, from the kit's light axes (shining along -Y) to
// the host's (along -Z); what the turn takes out of their frames does not reach their children.
TEST_F(RyvVurnExportFramesTest, SpotAndDirectionalLightsShineAsTheHosts)
{
    std::vector<int> lLights;
    std::vector<int> lChildren;
    for (const int lType : {MFn::kSpotLight, MFn::kDirectionalLight}) {
        const std::string lName = lType == MFn::kSpotLight ? "spot" : "sun";
        const int lLight = VurnFixtures::Light(lName, lType);
        SetTriple(lLight, "translate", 1.0, 4.0, -2.0);
        SetTriple(lLight, "rotate", 0.4, 0.2, 0.1);
        SetTriple(lLight, "rotateAxis", 0.0, 0.3, 0.0);
        SetTriple(lLight, "rotatePivot", 0.5, 0.0, 0.2);
        SetTriple(lLight, "scalePivotTranslation", 0.0, 0.3, 0.0);
        Key(lLight, "rotateX", 0.4, 1.4);
        const int lChild = VurnFixtures::Cube(lName + "_shade", lLight);
        Scene().SetNumber(lChild, "translateZ", -2.0);
        Key(lChild, "rotateY", 0.0, 0.5);
        lLights.push_back(lLight);
        lChildren.push_back(lChild);
    }
    const double kCorrection[3][3] = {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
    ExpectFileFrames(lLights, mathtest::Rows(kCorrection));
    ExpectFileFrames(lChildren);
}

// A camera whose pivots move, with or without pivot nulls, aims as the host's at every time.
TEST_F(RyvVurnExportFramesTest, ACameraWithMovingPivotsAimsAsTheHosts)
{
    for (const bool lPivotNulls : {false, true}) {
        VurnScene::Reset();
        const int lCamera = VurnFixtures::Transform("cam", VurnScene::kWorld, MVector(1, 2, 3));
        Scene().CreateNode(MFn::kCamera, "camShape", lCamera);
        SetTriple(lCamera, "rotate", 0.3, 0.5, 0.2);
        SetTriple(lCamera, "rotateAxis", 0.2, 0.0, 0.3);
        SetTriple(lCamera, "scalePivotTranslation", 0.0, 0.3, 0.0);
        Key(lCamera, "rotateY", 0.5, 1.5);
        Key(lCamera, "rotatePivotX", 0.0, 2.0);
        Key(lCamera, "scalePivotTranslationZ", 0.0, -1.0);
        const int lChild = VurnFixtures::Transform("lens", lCamera, MVector(0, 1, 0));
        GetOptionStore().SetBool(kExportPivotToNull, lPivotNulls);
        std::map<int, std::string> lFileNames;
        if (lPivotNulls) {
            lFileNames[lCamera] = "cam__Post_";
        }
        const double kCorrection[3][3] = {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};
        ExpectFileFrames({lCamera}, mathtest::Rows(kCorrection), 1.0, lFileNames);
        ExpectFileFrames({lChild});
    }
}

// Children of a look-at camera scaled 2, and of a camera whose scale is keyed from 1 to 2,
// keep their host frames: the scale the file takes off the cameras comes back to them at every
// time.
TEST_F(RyvVurnExportFramesTest, ChildrenOfLookAtAndScalingCamerasKeepTheirHostFrames)
{
    const int lAiming = VurnFixtures::CameraWithLookAt("aiming");
    SetTriple(lAiming, "scale", 2.0, 2.0, 2.0);
    const int lAimingChild = VurnFixtures::Transform("aiming_lens", lAiming, MVector(0, 1, -1));
    const int lGrowing = VurnFixtures::Transform("growing", VurnScene::kWorld, MVector(1, 2, 3));
    Scene().CreateNode(MFn::kCamera, "growingShape", lGrowing);
    SetTriple(lGrowing, "rotate", 0.0, 0.5, 0.0);
    for (const char* lAxis : {"scaleX", "scaleY", "scaleZ"}) {
        Key(lGrowing, lAxis, 1.0, 2.0);
    }
    const int lGrowingChild = VurnFixtures::Transform("growing_lens", lGrowing, MVector(0, 1, -1));
    ExpectFileFrames({lAimingChild, lGrowingChild});
}

// A root-named node whose pivots move, exported with pivot nulls and a master scale: its
// "__Post_" null and its child are where the host puts them, scaled with the scene.
TEST_F(RyvVurnExportFramesTest, MovingPivotsOfARootNamedNodeScaleWithTheScene)
{
    const double kMasterScale = 2.0;
    const int lRoot = VurnFixtures::Transform("Ryv_Root", VurnScene::kWorld, MVector(1, 0, 2));
    SetTriple(lRoot, "rotatePivot", 2, 0, 0);
    SetTriple(lRoot, "scalePivot", 0, 0, 1);
    SetTriple(lRoot, "scale", 1.2, 1.2, 1.2);
    Key(lRoot, "rotateY", 0.0, 1.0);
    Key(lRoot, "rotatePivotX", 2.0, 3.0);
    Key(lRoot, "scalePivotTranslationZ", 0.0, 0.5);
    const int lChild = VurnFixtures::Transform("child", lRoot, MVector(0, 1, 0));
    GetOptionStore().SetDouble(kExportMasterScale, kMasterScale);
    GetOptionStore().SetBool(kExportPivotToNull, true);
    ExpectFileFrames({lRoot, lChild}, KMatrix(), kMasterScale, {{lRoot, "Ryv_Root__Post_"}});
}
