// HTR files through the other motion writers and back through the kit's readers: every joint's
// world position at every frame against an evaluation of the HTR file written here with textbook
// column-vector matrices, with the rotation offset minimised (the default) and not; and BVH End
// Sites that point anywhere, through HTR.
#include "HtrTestScene.h"

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"
#include "tests/formats/motion/asf-amc/AsfAmcTestSupport.h"
#include "tests/formats/motion/bvh/BvhTestScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using asfref::Mat3;
using asfref::Vec3;

// World positions agree to a tenth of a millimetre: the files carry six or more digits and the
// curves single precision, while a rest pose in the wrong frame moves joints by centimetres.
constexpr double kTolerance = 0.01;

struct Segment
{
    std::string mName;
    int mParent;
    // Translation X, Y, Z in file units; angles X, Y, Z in degrees; bone length in file units.
    double mBase[6];
    double mLength;
};

// An HTR file as it is written: header words, segments (parents first) and per frame the six
// values of every segment, in file units.
struct HtrModel
{
    std::string mOrder = "ZYX";
    std::string mUnits = "mm";
    double mScale = 1.0;
    std::vector<Segment> mSegments;
    std::vector<std::vector<std::vector<double>>> mFrames;

    double CentimetresPerUnit() const
    {
        const double lUnit = mUnits == "mm" ? 0.1 : mUnits == "cm" ? 1.0 : 2.54;
        return lUnit / mScale;
    }
};

std::string ToText(const HtrModel& pModel)
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments "
         << pModel.mSegments.size() << "\nNumFrames " << pModel.mFrames.size()
         << "\nDataFrameRate 30\nEulerRotationOrder " << pModel.mOrder << "\nCalibrationUnits "
         << pModel.mUnits << "\nRotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\n"
         << "ScaleFactor " << pModel.mScale << "\n[SegmentNames&Hierarchy]\n";
    for (const Segment& lSegment : pModel.mSegments) {
        lOut << lSegment.mName << '\t'
             << (lSegment.mParent < 0
                     ? std::string("GLOBAL")
                     : pModel.mSegments[static_cast<std::size_t>(lSegment.mParent)].mName)
             << '\n';
    }
    lOut << "[BasePosition]\n";
    for (const Segment& lSegment : pModel.mSegments) {
        lOut << lSegment.mName;
        for (double lValue : lSegment.mBase) {
            lOut << '\t' << lValue;
        }
        lOut << '\t' << lSegment.mLength << '\n';
    }
    for (std::size_t s = 0; s < pModel.mSegments.size(); ++s) {
        lOut << '[' << pModel.mSegments[s].mName << "]\n";
        for (std::size_t f = 0; f < pModel.mFrames.size(); ++f) {
            lOut << f + 1;
            for (double lValue : pModel.mFrames[f][s]) {
                lOut << '\t' << lValue;
            }
            lOut << "\t1.0\n";
        }
    }
    lOut << "[EndOfFile]\n";
    return lOut.str();
}

// The turn of angles X, Y, Z in the order word: "ZYX" is Rz * Ry * Rx on column vectors.
Mat3 OrderedTurn(const std::string& pOrder, const double* pAngles)
{
    Mat3 lTurn = asfref::Identity();
    for (char lAxis : pOrder) {
        lTurn = asfref::Multiply(lTurn, asfref::Turn(lAxis, pAngles[lAxis - 'X']));
    }
    return lTurn;
}

struct Positions
{
    // Where each segment starts, and where each leaf's bone ends (its "_End" node).
    std::vector<Vec3> mJoints;
    std::vector<Vec3> mEnds;
};

// A segment's local turn is its base turn after the frame's; its local offset the base
// translation plus the frame's, in its parent's axes; its bone runs along its own Y.
Positions Evaluate(const HtrModel& pModel, int pFrame)
{
    const double lFactor = pModel.CentimetresPerUnit();
    const std::size_t lCount = pModel.mSegments.size();
    Positions lPositions{std::vector<Vec3>(lCount), std::vector<Vec3>(lCount)};
    std::vector<Mat3> lWorld(lCount);
    for (std::size_t s = 0; s < lCount; ++s) {
        const Segment& lSegment = pModel.mSegments[s];
        const std::vector<double>& lValues = pModel.mFrames[static_cast<std::size_t>(pFrame)][s];
        const Mat3 lLocal = asfref::Multiply(OrderedTurn(pModel.mOrder, lSegment.mBase + 3),
                                             OrderedTurn(pModel.mOrder, lValues.data() + 3));
        Vec3 lOffset{};
        for (std::size_t i = 0; i < 3; ++i) {
            lOffset[i] = (lSegment.mBase[i] + lValues[i]) * lFactor;
        }
        Mat3 lParentWorld = asfref::Identity();
        Vec3 lParentAt{};
        if (lSegment.mParent >= 0) {
            lParentWorld = lWorld[static_cast<std::size_t>(lSegment.mParent)];
            lParentAt = lPositions.mJoints[static_cast<std::size_t>(lSegment.mParent)];
        }
        lWorld[s] = asfref::Multiply(lParentWorld, lLocal);
        const Vec3 lShift = asfref::Apply(lParentWorld, lOffset);
        const Vec3 lBone = asfref::Apply(lWorld[s], Vec3{0.0, lSegment.mLength * lFactor, 0.0});
        for (std::size_t i = 0; i < 3; ++i) {
            lPositions.mJoints[s][i] = lParentAt[i] + lShift[i];
            lPositions.mEnds[s][i] = lPositions.mJoints[s][i] + lBone[i];
        }
    }
    return lPositions;
}

bool IsLeaf(const HtrModel& pModel, int pSegment)
{
    for (const Segment& lSegment : pModel.mSegments) {
        if (lSegment.mParent == pSegment) {
            return false;
        }
    }
    return true;
}

// A body whose every base turn differs from the identity, in millimetres: hips turned a quarter
// about Z, a spine with an arm and a head, and a leg.
HtrModel Body()
{
    HtrModel lModel;
    lModel.mSegments = {
        {"Hips", -1, {100, 950, -40, 0, 0, 90}, 100}, {"Spine", 0, {0, 100, 0, 20, -30, 10}, 250},
        {"Head", 1, {0, 250, 0, -15, 40, 5}, 120},    {"LArm", 1, {-150, 220, 30, 10, 80, 60}, 280},
        {"LHand", 3, {0, 280, 0, 35, -10, -20}, 90},  {"Leg", 0, {90, -60, 10, 170, 5, 5}, 400},
    };
    constexpr int kFrames = 5;
    for (int f = 0; f < kFrames; ++f) {
        std::vector<std::vector<double>> lFrame;
        for (int s = 0; s < static_cast<int>(lModel.mSegments.size()); ++s) {
            std::vector<double> lValues(6, 0.0);
            for (int a = 0; a < 3; ++a) {
                // Whole thousandths of a degree, so the text holds the value exactly.
                lValues[static_cast<std::size_t>(3 + a)] =
                    std::round(40000.0 * std::sin(0.7 * f + 1.3 * s + 2.1 * a)) / 1000.0;
            }
            if (s == 0) {
                lValues = {30.0 * f, 5.0 * f, -12.5 * f, lValues[3], lValues[4], lValues[5]};
            }
            lFrame.push_back(lValues);
        }
        lModel.mFrames.push_back(lFrame);
    }
    return lModel;
}

std::string Describe(const Vec3& pActual, const Vec3& pExpected)
{
    std::ostringstream lOut;
    lOut << "(" << pActual[0] << ", " << pActual[1] << ", " << pActual[2] << ") instead of ("
         << pExpected[0] << ", " << pExpected[1] << ", " << pExpected[2] << ")";
    return lOut.str();
}

Vec3 ToVec3(const KMatrix& pGlobal)
{
    return Vec3{pGlobal[3][0], pGlobal[3][1], pGlobal[3][2]};
}

// Compares the world position of every segment and leaf end, by name, with the evaluation at
// every frame; pWorldAt(name, frame) answers a scene's position (NAN when it has no such node).
template <class TWorldAt>
void ExpectModelPositions(const HtrModel& pModel, const std::string& pLabel, TWorldAt pWorldAt)
{
    for (int f = 0; f < static_cast<int>(pModel.mFrames.size()); ++f) {
        const Positions lExpected = Evaluate(pModel, f);
        for (std::size_t s = 0; s < pModel.mSegments.size(); ++s) {
            const std::string& lName = pModel.mSegments[s].mName;
            const Vec3 lJoint = pWorldAt(lName, f);
            EXPECT_LT(Distance(lJoint, lExpected.mJoints[s]), kTolerance)
                << pLabel << ", " << lName << " at frame " << f << ": "
                << Describe(lJoint, lExpected.mJoints[s]);
            if (IsLeaf(pModel, static_cast<int>(s))) {
                const Vec3 lEnd = pWorldAt(lName + "_End", f);
                EXPECT_LT(Distance(lEnd, lExpected.mEnds[s]), kTolerance)
                    << pLabel << ", end of " << lName << " at frame " << f << ": "
                    << Describe(lEnd, lExpected.mEnds[s]);
            }
        }
    }
}

// The HTR file read with the rotation offset minimised or not, ready to be written.
struct HtrRead
{
    HtrSettingsGuard mSettings;
    HtrTestScene mScene;

    HtrRead(const HtrModel& pModel, const char* pMinimize) : mSettings(pMinimize)
    {
        EXPECT_TRUE(mScene.Read(WriteHtrFile("model.htr", ToText(pModel))))
            << mScene.mReader.GetMessage().Buffer();
    }

    Vec3 WorldAt(const std::string& pName, int pFrame)
    {
        KRyvNode* lNode = mScene.Find(pName.c_str());
        return lNode ? ToVec3(lNode->GetGlobalMatrixAtTime(mScene.FrameTime(pFrame)))
                     : Vec3{NAN, NAN, NAN};
    }

    // Writes pScene (of the factory) over the span read through a writer with its own options.
    template <class TWriter>
    bool Write(KRyvScene* pScene, const std::string& pPath, KStreamOptionsMotion& ioOptions)
    {
        TWriter lWriter(&mScene.mFactory);
        ioOptions.SetStart(mScene.mOptions->GetStart());
        ioOptions.SetFrameCount(mScene.mOptions->GetFrameCount());
        ioOptions.SetTimeMode(mScene.mOptions->GetTimeMode(), mScene.mOptions->GetFrameRate());
        const bool lWritten =
            lWriter.FileCreate(pPath.c_str()) && lWriter.Write(pScene, &ioOptions);
        EXPECT_TRUE(lWritten) << lWriter.GetError().GetLastErrorString().Buffer();
        return lWritten;
    }
    template <class TWriter> bool Write(KRyvScene* pScene, const std::string& pPath)
    {
        TWriter lWriter(&mScene.mFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions(
            static_cast<KStreamOptionsMotion*>(lWriter.GetWriteOptions().release()));
        return Write<TWriter>(pScene, pPath, *lOptions);
    }

    // pScene written as a native file and read back into a new scene of the factory.
    KRyvScene* ThroughNative(KRyvScene* pScene)
    {
        const std::string lPath = WriteRunningTestFile("model.ryv", "");
        KExporter lExporter(&mScene.mFactory);
        lExporter.SetFileFormat(KFileFormatRegistry::kExportRyvBinary);
        lExporter.Initialize(lPath.c_str());
        KStreamOptionsRyv lOptions;
        KImporter lImporter(&mScene.mFactory);
        lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
        KRyvScene* lBack = mScene.mFactory.CreateScene();
        if (!lExporter.Export(pScene, &lOptions) || !lImporter.Initialize(lPath.c_str())) {
            return nullptr;
        }
        std::unique_ptr<KStreamOptions> lReadOptions = lImporter.GetReadOptions();
        return lImporter.Import(lBack, lReadOptions.get()) ? lBack : nullptr;
    }
};

// The world position of the node of that name below the scene's root at a time; NAN when none.
Vec3 WorldIn(KRyvScene* pScene, const std::string& pName, KTime pTime)
{
    KRyvNode* lNode = pScene->GetRootNode()->FindChild(pName.c_str(), true);
    return lNode ? ToVec3(lNode->GetGlobalMatrixAtTime(pTime)) : Vec3{NAN, NAN, NAN};
}

// pScene (read from the model's HTR file, or through a native file) written as BVH, as an
// ASF/AMC pair and as HTR, each read back by the kit and checked.
void ExpectThroughTextWriters(const HtrModel& pModel, HtrRead& ioRead, KRyvScene* pScene,
                              const std::string& pLabel)
{
    const std::string lBvhPath = WriteRunningTestFile("model.bvh", "");
    ASSERT_TRUE(ioRead.Write<KWriterBvh>(pScene, lBvhPath));
    BvhImportSettingsGuard lBvhSettings;
    BvhTestScene lBvhBack;
    ASSERT_TRUE(lBvhBack.Read(lBvhPath)) << lBvhBack.mReader.GetMessage().Buffer();
    ExpectModelPositions(pModel, pLabel + ", BVH", [&](const std::string& pName, int pFrame) {
        return WorldIn(lBvhBack.mScene, pName, lBvhBack.FrameTime(pFrame));
    });

    KWriterAsf lAsf(&ioRead.mScene.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lAsfOptions(
        static_cast<KStreamOptionsMotion*>(lAsf.GetWriteOptions().release()));
    const std::string lAsfPath = WriteRunningTestFile("model.asf", "");
    const std::string lAmcPath = WriteRunningTestFile("model.amc", "");
    ASSERT_TRUE(ioRead.Write<KWriterAsf>(pScene, lAsfPath, *lAsfOptions));
    ASSERT_TRUE(ioRead.Write<KWriterAmc>(pScene, lAmcPath, *lAsfOptions));
    AsfAmcScene lAsfBack;
    ASSERT_TRUE(lAsfBack.ReadAsf(lAsfPath) && lAsfBack.ReadAmc(lAmcPath)) << lAsfBack.mError;
    // The top segment becomes the ASF root.
    const std::string& lTop = pModel.mSegments[0].mName;
    ExpectModelPositions(pModel, pLabel + ", ASF/AMC", [&](const std::string& pName, int pFrame) {
        return lAsfBack.WorldAt(pName == lTop ? "root" : pName.c_str(), pFrame);
    });

    const std::string lHtrPath = WriteRunningTestFile("again.htr", "");
    ASSERT_TRUE(ioRead.Write<KWriterHtr>(pScene, lHtrPath));
    HtrTestScene lHtrBack;
    ASSERT_TRUE(lHtrBack.Read(lHtrPath)) << lHtrBack.mReader.GetMessage().Buffer();
    ExpectModelPositions(pModel, pLabel + ", HTR", [&](const std::string& pName, int pFrame) {
        return WorldIn(lHtrBack.mScene, pName, lHtrBack.FrameTime(pFrame));
    });
}

// The model read from HTR and checked in the scene the reader builds; written through every text
// writer, and through a native file, then through every text writer again, each read back by
// the kit and checked; both settings.
void ExpectThroughEveryWriter(const HtrModel& pModel)
{
    for (const char* lMinimize : {"No", "Yes"}) {
        const std::string lLabel = std::string("minimize ") + lMinimize;
        HtrRead lRead(pModel, lMinimize);
        ExpectModelPositions(
            pModel, lLabel + ", HTR read",
            [&](const std::string& pName, int pFrame) { return lRead.WorldAt(pName, pFrame); });
        ExpectThroughTextWriters(pModel, lRead, lRead.mScene.mScene, lLabel + ", through");

        KRyvScene* lNative = lRead.ThroughNative(lRead.mScene.mScene);
        ASSERT_NE(lNative, nullptr) << lLabel;
        ExpectModelPositions(pModel, lLabel + ", native",
                             [&](const std::string& pName, int pFrame) {
                                 return WorldIn(lNative, pName, lRead.mScene.FrameTime(pFrame));
                             });
        ExpectThroughTextWriters(pModel, lRead, lNative, lLabel + ", native then");
    }
}

TEST(HtrThroughWriters, RestValuesAndPoseDescribeTheSkeletonOfTheKeys)
{
    // Frame 1 holds the base pose: the nodes' rest values, and the rest pose's local matrices,
    // put every joint where the keys of frame 1 put it, with the same rotations.
    HtrModel lModel = Body();
    for (std::vector<double>& lValues : lModel.mFrames[0]) {
        lValues.assign(6, 0.0);
    }
    const Positions lExpected = Evaluate(lModel, 0);
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrRead lRead(lModel, lMinimize);
        ASSERT_EQ(lRead.mScene.mScene->GetPoseCount(), 1);
        const KRyvPose* lPose = lRead.mScene.mScene->GetPose(0);
        std::vector<KMatrix> lPosed(lModel.mSegments.size());
        for (std::size_t s = 0; s < lModel.mSegments.size(); ++s) {
            const Segment& lSegment = lModel.mSegments[s];
            KRyvNode* lNode = lRead.mScene.Find(lSegment.mName.c_str());
            const KMatrix& lKeyed = lNode->GetGlobalMatrixAtTime(lRead.mScene.FrameTime(0));
            const KMatrix& lRest = lNode->GetDefaultGlobalMatrix();
            EXPECT_LT(Distance(ToVec3(lRest), lExpected.mJoints[s]), kTolerance)
                << lMinimize << ", " << lSegment.mName << ": "
                << Describe(ToVec3(lRest), lExpected.mJoints[s]);
            EXPECT_LT(MaxRotationDifference(lRest, lKeyed), 1e-5) << lMinimize << lSegment.mName;
            // The limits' default translation is the rest translation.
            KVector4 lTranslation;
            lNode->GetLclTranslation(lTranslation);
            EXPECT_LT(MaxDifference(lNode->GetLimits().GetDefault(KRyvNodeLimits::eTranslation),
                                    lTranslation),
                      1e-9)
                << lMinimize << lSegment.mName;
            const int lEntry = lPose->Find(lSegment.mName.c_str());
            ASSERT_GE(lEntry, 0);
            ASSERT_TRUE(lPose->IsLocalMatrix(lEntry));
            const KMatrix lParent = lSegment.mParent < 0
                                        ? KMatrix()
                                        : lPosed[static_cast<std::size_t>(lSegment.mParent)];
            MatrixMultiplyAffine(lPosed[s], lParent, lPose->GetMatrix(lEntry));
            EXPECT_LT(Distance(ToVec3(lPosed[s]), lExpected.mJoints[s]), kTolerance)
                << lMinimize << ", posed " << lSegment.mName << ": "
                << Describe(ToVec3(lPosed[s]), lExpected.mJoints[s]);
            EXPECT_LT(MaxRotationDifference(lPosed[s], lKeyed), 1e-5)
                << lMinimize << lSegment.mName;
        }
    }
}

TEST(HtrThroughWriters, WithoutFramesTheTakeStandsInTheRestPose)
{
    HtrModel lModel = Body();
    lModel.mFrames.resize(1);
    for (std::vector<double>& lValues : lModel.mFrames[0]) {
        lValues.assign(6, 0.0);
    }
    const Positions lExpected = Evaluate(lModel, 0);
    lModel.mFrames.clear();
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrRead lRead(lModel, lMinimize);
        for (std::size_t s = 0; s < lModel.mSegments.size(); ++s) {
            const Vec3 lAt = lRead.WorldAt(lModel.mSegments[s].mName, 0);
            EXPECT_LT(Distance(lAt, lExpected.mJoints[s]), kTolerance)
                << lMinimize << ", " << lModel.mSegments[s].mName << ": "
                << Describe(lAt, lExpected.mJoints[s]);
        }
    }
}

TEST(HtrThroughWriters, BodyKeepsEveryJointThroughEveryWriter)
{
    ExpectThroughEveryWriter(Body());
}

TEST(HtrThroughWriters, ChildTranslationsKeepEveryJointThroughEveryWriter)
{
    // The spine held 12 mm aside in every frame, the arm sliding along its parent and the head
    // bobbing: whole hundredths of a millimetre, so the text holds them exactly.
    HtrModel lModel = Body();
    for (std::size_t f = 0; f < lModel.mFrames.size(); ++f) {
        const double lStep = static_cast<double>(f);
        std::vector<std::vector<double>>& lFrame = lModel.mFrames[f];
        lFrame[1][0] = 12.0;
        lFrame[3][1] = 7.25 * lStep;
        lFrame[3][2] = -3.5 * lStep;
        lFrame[2][1] = std::round(1500.0 * std::sin(lStep)) / 100.0;
    }
    ExpectThroughEveryWriter(lModel);
}

TEST(HtrThroughWriters, InchesAtScaleFactorHalf)
{
    // A tenth of the body's numbers in inches at scale 0.5: each unit 5.08 cm.
    HtrModel lModel = Body();
    lModel.mUnits = "in";
    lModel.mScale = 0.5;
    lModel.mOrder = "YXZ";
    for (Segment& lSegment : lModel.mSegments) {
        for (int i = 0; i < 3; ++i) {
            lSegment.mBase[i] /= 10.0;
        }
        lSegment.mLength /= 10.0;
    }
    for (auto& lFrame : lModel.mFrames) {
        for (int i = 0; i < 3; ++i) {
            lFrame[0][static_cast<std::size_t>(i)] /= 10.0;
        }
    }
    ExpectThroughEveryWriter(lModel);
}

TEST(HtrThroughWriters, TurnedHipsWorkedOutByHand)
{
    // Hips turned 90 degrees about Z at rest, Arm 10 cm along Hips' Y with a 5 cm bone: in the
    // world Arm lies at (-10, 0, 0) and its end at (-15, 0, 0), at rest and at frame 2, where
    // Hips moves 2 cm along X (Arm to (-8, 0, 0)) and Arm turns 90 degrees about its Z (its end
    // to (-8, -5, 0)).
    HtrModel lModel;
    lModel.mSegments = {{"Hips", -1, {0, 0, 0, 0, 0, 90}, 100},
                        {"Arm", 0, {0, 100, 0, 0, 0, 0}, 50}};
    lModel.mFrames = {{{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
                      {{20, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 90}}};
    const Vec3 kArm[2] = {{-10, 0, 0}, {-8, 0, 0}};
    const Vec3 kEnd[2] = {{-15, 0, 0}, {-8, -5, 0}};
    for (int f = 0; f < 2; ++f) {
        const Positions lEvaluated = Evaluate(lModel, f);
        EXPECT_LT(Distance(lEvaluated.mJoints[1], kArm[f]), 1e-9);
        EXPECT_LT(Distance(lEvaluated.mEnds[1], kEnd[f]), 1e-9);
    }
    ExpectThroughEveryWriter(lModel);
}

// A BVH file whose End Sites point along +X, -Z, -Y and a slant, with its joints' offsets,
// channel values and End Sites for the evaluation below (rotations Z, X, Y on every joint).
struct BvhJoint
{
    const char* mName;
    Vec3 mOffset;
    Vec3 mEndSite;
};
const BvhJoint kBvhJoints[] = {{"Arm", {10, 0, 0}, {20, 0, 0}},
                               {"Leg", {0, -10, 0}, {0, 0, -22.6}},
                               {"Tail", {0, -3, -4}, {0, -5, 0}},
                               {"Head", {0, 10, 0}, {3, -4, 12}}};
constexpr int kBvhFrames = 3;

// Frame f, joint j (0 the root): Z, X, Y rotations in degrees.
std::vector<double> BvhAngles(int pFrame, int pJoint)
{
    std::vector<double> lAngles;
    for (int a = 0; a < 3; ++a) {
        lAngles.push_back(std::round(60000.0 * std::sin(0.9 * pFrame + 1.7 * pJoint + a)) / 1000.0);
    }
    return lAngles;
}

Vec3 BvhRootAt(int pFrame)
{
    return Vec3{5.0 * pFrame, 90.0 + pFrame, -2.5 * pFrame};
}

std::string BvhText()
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n  CHANNELS 6 Xposition Yposition "
            "Zposition Zrotation Xrotation Yrotation\n";
    for (const BvhJoint& lJoint : kBvhJoints) {
        lOut << "  JOINT " << lJoint.mName << "\n  {\n    OFFSET " << lJoint.mOffset[0] << ' '
             << lJoint.mOffset[1] << ' ' << lJoint.mOffset[2]
             << "\n    CHANNELS 3 Zrotation Xrotation Yrotation\n    End Site\n    {\n"
             << "      OFFSET " << lJoint.mEndSite[0] << ' ' << lJoint.mEndSite[1] << ' '
             << lJoint.mEndSite[2] << "\n    }\n  }\n";
    }
    lOut << "}\nMOTION\nFrames: " << kBvhFrames << "\nFrame Time: 0.0333333\n";
    for (int f = 0; f < kBvhFrames; ++f) {
        const Vec3 lRoot = BvhRootAt(f);
        lOut << lRoot[0] << ' ' << lRoot[1] << ' ' << lRoot[2];
        for (int j = 0; j <= static_cast<int>(std::size(kBvhJoints)); ++j) {
            for (double lAngle : BvhAngles(f, j)) {
                lOut << ' ' << lAngle;
            }
        }
        lOut << '\n';
    }
    return lOut.str();
}

// The turn of a BVH joint at a frame: Z, X, Y as listed, on column vectors Rz * Rx * Ry.
Mat3 BvhTurn(int pFrame, int pJoint)
{
    const std::vector<double> lAngles = BvhAngles(pFrame, pJoint);
    return asfref::Multiply(
        asfref::Multiply(asfref::Turn('z', lAngles[0]), asfref::Turn('x', lAngles[1])),
        asfref::Turn('y', lAngles[2]));
}

// Where joint pJoint (from 0 in kBvhJoints) and its End Site are at a frame.
void BvhEvaluate(int pFrame, int pJoint, Vec3& oJoint, Vec3& oEnd)
{
    const Mat3 lHips = BvhTurn(pFrame, 0);
    const BvhJoint& lJoint = kBvhJoints[pJoint];
    const Vec3 lShift = asfref::Apply(lHips, lJoint.mOffset);
    const Vec3 lEnd =
        asfref::Apply(asfref::Multiply(lHips, BvhTurn(pFrame, pJoint + 1)), lJoint.mEndSite);
    const Vec3 lRoot = BvhRootAt(pFrame);
    for (std::size_t i = 0; i < 3; ++i) {
        oJoint[i] = lRoot[i] + lShift[i];
        oEnd[i] = oJoint[i] + lEnd[i];
    }
}

TEST(HtrThroughWriters, BvhEndSitesKeepTheirDirectionThroughHtr)
{
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lBvh;
        ASSERT_TRUE(lBvh.ReadBvh(WriteRunningTestFile("ends.bvh", BvhText())));
        const std::string lPath = WriteHtrFile("ends.htr", "");
        std::string lError;
        ASSERT_TRUE(lBvh.Write(lPath, &lError)) << lError;
        HtrTestScene lHtr;
        ASSERT_TRUE(lHtr.Read(lPath)) << lHtr.mReader.GetMessage().Buffer();
        for (int f = 0; f < kBvhFrames; ++f) {
            for (int j = 0; j < static_cast<int>(std::size(kBvhJoints)); ++j) {
                Vec3 lJoint;
                Vec3 lEnd;
                BvhEvaluate(f, j, lJoint, lEnd);
                const std::string lName = kBvhJoints[j].mName;
                for (HtrTestScene* lScene : {&lBvh, &lHtr}) {
                    const char* lWhich = lScene == &lBvh ? "BVH" : "HTR";
                    const Vec3 lJointAt = ToVec3(
                        lScene->Find(lName.c_str())->GetGlobalMatrixAtTime(lScene->FrameTime(f)));
                    const Vec3 lEndAt = ToVec3(lScene->Find((lName + "_End").c_str())
                                                   ->GetGlobalMatrixAtTime(lScene->FrameTime(f)));
                    EXPECT_LT(Distance(lJointAt, lJoint), kTolerance)
                        << lMinimize << ", " << lWhich << ", " << lName << " at frame " << f << ": "
                        << Describe(lJointAt, lJoint);
                    EXPECT_LT(Distance(lEndAt, lEnd), kTolerance)
                        << lMinimize << ", " << lWhich << ", end of " << lName << " at frame " << f
                        << ": " << Describe(lEndAt, lEnd);
                }
            }
        }
    }
}

} // namespace
