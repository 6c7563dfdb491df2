// What an HTR read costs per segment. The reader works out the nodes' default matrices itself, as
// the nodes would give them, so that no node makes its take-0 curves and evaluation caches for
// that one look; the offset pass holds a few blocks of frames whatever the number of segments;
// the file forgets its segments once the read is over. Bytes are counted through the replaced
// operator new (AllocationBytes), per segment over many segments, beside the BVH read of the same
// skeleton, with the default settings (rotation offset minimised, default import filters).
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "io/KReadRollback.h"
#include "tests/formats/AllocationBytes.h"

#include "HtrTestFiles.h"
#include "HtrTestScene.h"

#include <cmath>
#include <string>

namespace {

// Children listed before their parents, base angles and lengths of many digits in inches over a
// scale factor: the default matrices come out of single-precision Lcl values of every kind.
const char* const kTurnedChain = "[Header]\n"
                                 "FileType htr\nDataType HTRS\nFileVersion 1\n"
                                 "NumSegments 5\nNumFrames 1\nDataFrameRate 60\n"
                                 "EulerRotationOrder XZY\nCalibrationUnits in\n"
                                 "RotationUnits Degrees\nGlobalAxisofGravity Y\n"
                                 "BoneLengthAxis Z\nScaleFactor 1.5\n"
                                 "[SegmentNames&Hierarchy]\n"
                                 "Hand\tArm\nArm\tChest\nChest\tGLOBAL\nHead\tChest\nLeg\tChest\n"
                                 "[BasePosition]\n"
                                 "Hand\t1.23456789\t-2.5\t0.333333333\t33.3333333\t-71.1234567\t"
                                 "150.987654\t4.4\n"
                                 "Arm\t-7.77777777\t3.14159265\t2.71828183\t-179.9\t89.9999\t"
                                 "-45.4545454\t6.1\n"
                                 "Chest\t10.1\t20.2\t-30.3\t12.5\t-12.5\t170.170170\t3.3\n"
                                 "Head\t0\t9.87654321\t0\t0.001\t-0.001\t90\t2.2\n"
                                 "Leg\t-0.1\t-0.2\t-0.3\t-90\t45.6789\t-135.791357\t7.7\n"
                                 "[Hand]\n1\t0\t0\t0\t0\t0\t0\t1\n[Arm]\n1\t0\t0\t0\t0\t0\t0\t1\n"
                                 "[Chest]\n1\t0\t0\t0\t0\t0\t0\t1\n[Head]\n1\t0\t0\t0\t0\t0\t0\t1\n"
                                 "[Leg]\n1\t0\t0\t0\t0\t0\t0\t1\n"
                                 "[EndOfFile]\n";

// pSegments segments below a root "Hips", two frames in which nothing moves: the wide benchmark's
// BVH file (a root with as many joints, each with its End Site) once written as HTR.
std::string WideHtr(int pSegments)
{
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments " +
                        std::to_string(pSegments + 1) +
                        "\nNumFrames 2\nDataFrameRate 30\nEulerRotationOrder ZYX\n"
                        "CalibrationUnits mm\nRotationUnits Degrees\nGlobalAxisofGravity Y\n"
                        "BoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\n"
                        "Hips\tGLOBAL\n";
    for (int s = 0; s < pSegments; ++s) {
        lText += "j" + std::to_string(s) + "\tHips\n";
    }
    lText += "[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n";
    for (int s = 0; s < pSegments; ++s) {
        lText += "j" + std::to_string(s) + "\t10\t0\t0\t0\t0\t0\t10\n";
    }
    const char* const kStill = "1\t0\t0\t0\t0\t0\t0\t1.0\n2\t0\t0\t0\t0\t0\t0\t1.0\n";
    lText += std::string("[Hips]\n") + kStill;
    for (int s = 0; s < pSegments; ++s) {
        lText += "[j" + std::to_string(s) + "]\n" + kStill;
    }
    return lText + "[EndOfFile]\n";
}

// The same skeleton as a BVH file: a root with pJoints joints, each with its End Site.
std::string WideBvh(int pJoints)
{
    std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                        "Zposition Zrotation Xrotation Yrotation\n";
    for (int j = 0; j < pJoints; ++j) {
        lText += "JOINT j" + std::to_string(j) +
                 "\n{\nOFFSET 1 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\nEnd Site\n{\n"
                 "OFFSET 1 0 0\n}\n}\n";
    }
    lText += "}\nMOTION\nFrames: 2\nFrame Time: 0.033333\n";
    for (int f = 0; f < 2; ++f) {
        lText += "0 0 0 0 0 0";
        for (int j = 0; j < pJoints; ++j) {
            lText += " 0 0 0";
        }
        lText += '\n';
    }
    return lText;
}

// The bytes a read leaves in its scene and reader, and the most it held above what was held
// before it.
struct ReadBytes
{
    long long mHeld = 0;
    long long mPeak = 0;
};

template <class TScene> ReadBytes BytesOfRead(const std::string& pPath)
{
    const long long lBefore = AllocationBytes::Held();
    AllocationBytes::ResetPeak();
    TScene lTest;
    EXPECT_TRUE(lTest.Read(pPath)) << lTest.mReader.GetMessage().Buffer();
    return {AllocationBytes::Held() - lBefore, AllocationBytes::Peak() - lBefore};
}

using BvhTestScene = MotionReadScene<KReaderBvh>;

constexpr int kFewSegments = 10;
constexpr int kManySegments = 410;
constexpr long long kKilobyte = 1024;

// What one more segment (or joint) costs: the reads of many and of few segments set side by side.
template <class TScene> ReadBytes PerSegment(const char* pExtension, std::string (*pFile)(int))
{
    const std::string lStem = std::string("wide.") + pExtension;
    const ReadBytes lFew = BytesOfRead<TScene>(WriteHtrFile("few-" + lStem, pFile(kFewSegments)));
    const ReadBytes lMany =
        BytesOfRead<TScene>(WriteHtrFile("many-" + lStem, pFile(kManySegments)));
    constexpr int lExtra = kManySegments - kFewSegments;
    return {(lMany.mHeld - lFew.mHeld) / lExtra, (lMany.mPeak - lFew.mPeak) / lExtra};
}

// The reader turns its angles with the motion formats' sines, the node with the core's: the two
// agree to within a few roundings.
constexpr double kAxesTolerance = 1e-12;

bool SameAxes(const KMatrix& pA, const KMatrix& pB)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!(std::fabs(pA[r][c] - pB[r][c]) <= kAxesTolerance)) {
                return false;
            }
        }
    }
    return true;
}

TEST(KHtrReadMemory, DefaultRotationsAgreeWithThoseTheNodesGive)
{
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        KRyvObjectFactory lFactory;
        KHtrFile lFile;
        ASSERT_TRUE(lFile.Open(WriteHtrFile("chain.htr", kTurnedChain).c_str(), "r"));
        ASSERT_TRUE(lFile.ReadStructure()) << lFile.GetLastError();
        KReadRollback lRollback(&lFactory);
        KRyvNode* lTop = lRollback.AddNode(lFactory.CreateNode("top"));
        ASSERT_TRUE(lFile.BuildNodes(lRollback, &lFactory, lTop, "chain")) << lFile.GetLastError();
        for (int s = 0; s < lFile.GetSegmentCount(); ++s) {
            EXPECT_TRUE(lFile.GetSegment(s).mNode->GetDefaultTakeNode()->IsContentDeferred())
                << lFile.GetSegment(s).mName;
        }
        // Asking a node for its matrix makes its and its parents' take-0 curves.
        for (int s = 0; s < lFile.GetSegmentCount(); ++s) {
            const KHtrSegment& lSegment = lFile.GetSegment(s);
            // As the node gives it: its default global rotation, axes normalised, transposed.
            KMatrix lNormalised;
            MatrixNormalizeAxes(lNormalised, lSegment.mNode->GetDefaultGlobalMatrix());
            KMatrix lExpected;
            MatrixTranspose3x3(lExpected, lNormalised);
            EXPECT_TRUE(SameAxes(lSegment.mInverseDefaultRotation, lExpected))
                << lSegment.mName << " " << lMinimize;
        }
    }
}

TEST(KHtrReadMemory, NodesOfAReadSceneKeepTheirTakeZeroWaiting)
{
    HtrSettingsGuard lSettings(nullptr);
    KImportSettings::Get().Reset();
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("chain.htr", kTurnedChain)))
        << lTest.mReader.GetMessage().Buffer();
    for (const char* lName : {"Chest", "Arm", "Hand", "Hand_End", "Head", "Leg_End"}) {
        ASSERT_NE(lTest.Find(lName), nullptr) << lName;
        EXPECT_TRUE(lTest.Find(lName)->GetDefaultTakeNode()->IsContentDeferred()) << lName;
    }
}

TEST(KHtrReadMemory, TheFileKeepsNoSegmentOnceAReadIsOver)
{
    HtrSettingsGuard lSettings(nullptr);
    HtrTestScene lRead;
    ASSERT_TRUE(lRead.Read(WriteHtrFile("chain.htr", kTurnedChain)))
        << lRead.mReader.GetMessage().Buffer();
    EXPECT_EQ(lRead.mReader.GetFile()->GetSegmentCount(), 0);
    EXPECT_EQ(lRead.mReader.GetFile()->FindSegment("Arm"), nullptr);
    // A read that fails once the nodes are built, in the frames of the last section.
    HtrTestScene lFailed;
    EXPECT_FALSE(lFailed.Read(WriteHtrFile(
        "cut.htr", Replaced(kTurnedChain, "[Leg]\n1\t0\t0\t0\t0\t0\t0\t1\n", "[Leg]\n"))));
    EXPECT_EQ(lFailed.mReader.GetFile()->GetSegmentCount(), 0);
    EXPECT_EQ(lFailed.Find("Leg"), nullptr);
}

TEST(KHtrReadMemory, ASegmentCostsLittleMoreThanABvhJoint)
{
    HtrSettingsGuard lSettings(nullptr);
    KImportSettings::Get().Reset();
    const long long lHtr = PerSegment<HtrTestScene>("htr", WideHtr).mHeld;
    const long long lBvh = PerSegment<BvhTestScene>("bvh", WideBvh).mHeld;
    // Two nodes: the segment's and its end node.
    EXPECT_LE(lHtr, 9 * kKilobyte + kKilobyte / 4);
    // Beyond what the BVH read keeps of a joint and its End Site: the scaling channel the file's
    // scale factors key, the segment's entry in the rest pose, and little else.
    EXPECT_LE(lHtr - lBvh, kKilobyte + 3 * kKilobyte / 4) << lHtr << " vs " << lBvh;
}

TEST(KHtrReadMemory, AtItsHeightTheReadHoldsLittleMoreThanItLeaves)
{
    HtrSettingsGuard lSettings(nullptr);
    KImportSettings::Get().Reset();
    const ReadBytes lHtr = PerSegment<HtrTestScene>("htr", WideHtr);
    // While the read runs: the segments as the file gives them, their keys waiting for the
    // offset pass and the pass's steps. Its blocks of frames serve every segment of a depth.
    EXPECT_LE(lHtr.mPeak - lHtr.mHeld, kKilobyte + kKilobyte / 4)
        << lHtr.mPeak << " vs " << lHtr.mHeld;
    EXPECT_LE(lHtr.mPeak, 10 * kKilobyte + kKilobyte / 2);
}

} // namespace
