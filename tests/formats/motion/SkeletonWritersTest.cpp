// Child joints whose translation moves or is held away from their rest offset, through the BVH
// and ASF/AMC writers, directly and through a native file: BVH joints with six channels, ASF
// bones with translation DOFs, and a real capture through the kit's HTR. Every joint's world
// position at every frame is worked out here from the files' own text (BVH: offsets and channels
// composed with textbook column-vector turns; ASF/AMC: the reference evaluation of
// AsfAmcTestSupport); a pair the kit writes is read back. And a file each skeleton writer made,
// read and written again, comes out the same.
#include "formats/motion/bvh/KWriterBvh.h"
#include "formats/motion/htr/KReaderHtr.h"
#include "formats/motion/htr/KWriterHtr.h"
#include "tests/formats/motion/MotionConversion.h"
#include "tests/formats/motion/asf-amc/AsfAmcTestSupport.h"
#include "tests/formats/motion/bvh/BvhTestScene.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using asfref::Mat3;
using asfref::Vec3;

// A hundredth of a millimetre: the files print six digits or more.
constexpr double kTolerance = 0.001;
// A real capture goes through two text files, each rounding its angles to six digits, along
// chains of a metre and more.
constexpr double kTwoPassTolerance = 0.01;

struct RefJoint
{
    std::string mName;
    int mParent;
    Vec3 mOffset;
    std::vector<std::string> mChannels;
};

// A BVH file's joints (End Sites left out) and frame values, as its text gives them.
struct RefBvh
{
    std::vector<RefJoint> mJoints;
    std::vector<std::vector<double>> mFrames;
};

RefBvh ParseBvh(const std::string& pText)
{
    RefBvh lBvh;
    std::istringstream lIn(pText);
    std::vector<int> lOpen;
    std::string lWord;
    int lLast = -1;
    std::size_t lValues = 0;
    while (lIn >> lWord && lWord != "MOTION") {
        if (lWord == "ROOT" || lWord == "JOINT") {
            RefJoint lJoint{"", lOpen.empty() ? -1 : lOpen.back(), Vec3{}, {}};
            lIn >> lJoint.mName;
            lBvh.mJoints.push_back(lJoint);
            lLast = static_cast<int>(lBvh.mJoints.size()) - 1;
        } else if (lWord == "End") {
            lLast = -2;
        } else if (lWord == "{") {
            lOpen.push_back(lLast);
        } else if (lWord == "}") {
            lOpen.pop_back();
        } else if (lWord == "OFFSET" && lOpen.back() >= 0) {
            Vec3& lOffset = lBvh.mJoints[static_cast<std::size_t>(lOpen.back())].mOffset;
            lIn >> lOffset[0] >> lOffset[1] >> lOffset[2];
        } else if (lWord == "CHANNELS") {
            std::size_t lCount = 0;
            lIn >> lCount;
            lValues += lCount;
            for (std::size_t i = 0; i < lCount && lIn >> lWord; ++i) {
                lBvh.mJoints[static_cast<std::size_t>(lOpen.back())].mChannels.push_back(lWord);
            }
        }
    }
    std::size_t lFrames = 0;
    lIn >> lWord >> lFrames >> lWord >> lWord >> lWord;
    lBvh.mFrames.assign(lFrames, std::vector<double>(lValues));
    for (std::vector<double>& lFrame : lBvh.mFrames) {
        for (double& lValue : lFrame) {
            lIn >> lValue;
        }
    }
    return lBvh;
}

// Every joint's world position at a frame, by name: a joint's position channels replace its
// offset, its rotation channels turn in the order listed, after its parent's.
std::map<std::string, Vec3> BvhPositions(const RefBvh& pBvh, std::size_t pFrame)
{
    std::map<std::string, Vec3> lPositions;
    std::vector<Mat3> lTurns(pBvh.mJoints.size());
    std::vector<Vec3> lAt(pBvh.mJoints.size());
    const double* lValue = pBvh.mFrames[pFrame].data();
    for (std::size_t j = 0; j < pBvh.mJoints.size(); ++j) {
        const RefJoint& lJoint = pBvh.mJoints[j];
        Vec3 lMove = lJoint.mOffset;
        Mat3 lTurn = asfref::Identity();
        for (const std::string& lChannel : lJoint.mChannels) {
            const std::size_t lAxis = static_cast<std::size_t>((lChannel[0] | 0x20) - 'x');
            if (lChannel.find("position") != std::string::npos) {
                lMove[lAxis] = *lValue++;
            } else {
                lTurn = asfref::Multiply(lTurn, asfref::Turn(lChannel[0], *lValue++));
            }
        }
        Mat3 lParentTurn = asfref::Identity();
        Vec3 lParentAt{};
        if (lJoint.mParent >= 0) {
            lParentTurn = lTurns[static_cast<std::size_t>(lJoint.mParent)];
            lParentAt = lAt[static_cast<std::size_t>(lJoint.mParent)];
        }
        lTurns[j] = asfref::Multiply(lParentTurn, lTurn);
        const Vec3 lShift = asfref::Apply(lParentTurn, lMove);
        for (std::size_t i = 0; i < 3; ++i) {
            lAt[j][i] = lParentAt[i] + lShift[i];
        }
        lPositions[lJoint.mName] = lAt[j];
    }
    return lPositions;
}

// pExpected(frame) gives the joints to check by name; pActual(name, frame) a position.
void ExpectPositions(std::size_t pFrames,
                     const std::function<std::map<std::string, Vec3>(std::size_t)>& pExpected,
                     const std::function<Vec3(const std::string&, std::size_t)>& pActual,
                     const std::string& pLabel, double pTolerance)
{
    for (std::size_t f = 0; f < pFrames; ++f) {
        for (const auto& [lName, lWhere] : pExpected(f)) {
            const Vec3 lAt = pActual(lName, f);
            EXPECT_LT(Distance(lAt, lWhere), pTolerance)
                << pLabel << ": " << lName << " at frame " << f << " is (" << lAt[0] << ", "
                << lAt[1] << ", " << lAt[2] << "), not (" << lWhere[0] << ", " << lWhere[1] << ", "
                << lWhere[2] << ")";
        }
    }
}

// pInput converted to BVH and to an ASF/AMC pair, each checked against pExpected; pRootName is
// the top joint's name, which the ASF calls "root".
void ExpectThroughWritersFrom(
    const std::string& pInput, std::size_t pFrames,
    const std::function<std::map<std::string, Vec3>(std::size_t)>& pExpected,
    const std::string& pRootName, const std::string& pLabel, double pTolerance)
{
    const std::string lBvhPath = MotionTestPath("moved.bvh");
    MotionConversion lToBvh;
    ASSERT_TRUE(lToBvh.Convert(pInput, lBvhPath)) << lToBvh.mReason;
    const RefBvh lWritten = ParseBvh(ReadTestFile(lBvhPath));
    ASSERT_EQ(lWritten.mFrames.size(), pFrames) << pLabel;
    ExpectPositions(
        pFrames, pExpected,
        [&](const std::string& pName, std::size_t pFrame) {
            const std::map<std::string, Vec3> lAt = BvhPositions(lWritten, pFrame);
            const auto lFound = lAt.find(pName);
            return lFound == lAt.end() ? Vec3{NAN, NAN, NAN} : lFound->second;
        },
        pLabel + " to BVH", pTolerance);

    const std::string lAsfPath = MotionTestPath("moved.asf");
    const std::string lAmcPath = MotionTestPath("moved.amc");
    MotionConversion lToAmc;
    ASSERT_TRUE(lToAmc.ConvertToPair(pInput, lAsfPath, lAmcPath)) << lToAmc.mReason;
    AsfAmcScene lBack;
    ASSERT_TRUE(lBack.ReadAsf(lAsfPath) && lBack.ReadAmc(lAmcPath)) << lBack.mError;
    ExpectPositions(
        pFrames, pExpected,
        [&](const std::string& pName, std::size_t pFrame) {
            return lBack.WorldAt(pName == pRootName ? "root" : pName.c_str(),
                                 static_cast<int>(pFrame));
        },
        pLabel + " to ASF/AMC", pTolerance);
}

// The same from pInput, and from pInput through a native file.
void ExpectThroughSkeletonWriters(
    const std::string& pInput, std::size_t pFrames,
    const std::function<std::map<std::string, Vec3>(std::size_t)>& pExpected,
    const std::string& pRootName, const std::string& pLabel, double pTolerance = kTolerance)
{
    ExpectThroughWritersFrom(pInput, pFrames, pExpected, pRootName, pLabel, pTolerance);
    const std::string lNative = MotionTestPath("moved.ryv");
    MotionConversion lToNative;
    ASSERT_TRUE(lToNative.Convert(pInput, lNative)) << lToNative.mReason;
    ExpectThroughWritersFrom(lNative, pFrames, pExpected, pRootName,
                             pLabel + " through a native file", pTolerance);
}

const char* const kSixChannelChildren =
    "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT Spine\n  {\n    OFFSET 0 10 0\n"
    "    CHANNELS 6 Xposition Yposition Zposition Zrotation Yrotation Xrotation\n"
    "    JOINT Head\n    {\n      OFFSET 0 5 0\n"
    "      CHANNELS 6 Xposition Yposition Zposition Yrotation Xrotation Zrotation\n"
    "      End Site\n      {\n        OFFSET 0 3 0\n      }\n    }\n  }\n"
    "  JOINT Leg\n  {\n    OFFSET 4 -2 0\n"
    "    CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "    End Site\n    {\n      OFFSET 0 -8 0\n    }\n  }\n}\n"
    "MOTION\nFrames: 4\nFrame Time: 0.0333333\n"
    "0 90 0 0 0 0 1 12 3 10 20 30 0 5 0 -15 25 5 6 -2 0 0 0 0\n"
    "1 91 0 5 0 0 2 14 3 12 18 30 0 5 0 -10 20 5 6 -2 0 10 0 0\n"
    "2 92 0 10 0 0 3 16 3 14 16 30 0 7 0 -5 15 5 6 -2 0 20 0 0\n"
    "3 93 0 15 0 0 4 18 3 16 14 30 0 7.5 1 0 10 5 6 -2 0 30 0 0\n";

// An ASF skeleton whose second bone slides along translation DOFs, and whose third holds still.
asfref::Skeleton TranslatingBones()
{
    asfref::Skeleton lSkeleton;
    lSkeleton.mBones = {
        {"root", -1, {0, 0, 0}, 0.0, {0, 0, 0}, "XYZ", {"TX", "TY", "TZ", "RX", "RY", "RZ"}},
        {"upper", 0, {0, 1, 0}, 4.0, {0, 0, 20}, "XYZ", {"rx", "ry", "rz"}},
        {"slide", 1, {1, 0, 0}, 3.0, {10, 0, 0}, "XYZ", {"tx", "ty", "tz", "rx", "ry", "rz"}},
        {"tip", 2, {0, 0, 1}, 2.0, {0, 0, 0}, "XYZ", {"rz"}},
    };
    for (int f = 0; f < 4; ++f) {
        const double lStep = f;
        lSkeleton.mFrames.push_back({{lStep, 35.0, -lStep, 5.0 * lStep, 0.0, 90.0},
                                     {10.0 * lStep, 0.0, 15.0},
                                     {0.5 * lStep, 1.25, -0.75 * lStep, 0.0, 20.0, 5.0 * lStep},
                                     {30.0}});
    }
    return lSkeleton;
}

} // namespace

TEST(SkeletonWriters, SixChannelChildJointsKeepTheirPositions)
{
    const std::string lInput = MotionTestPath("six.bvh");
    WriteTestFile("six.bvh", kSixChannelChildren);
    const RefBvh lModel = ParseBvh(kSixChannelChildren);
    ExpectThroughSkeletonWriters(
        lInput, lModel.mFrames.size(), [&](std::size_t f) { return BvhPositions(lModel, f); },
        "Hips", "six channels");
}

TEST(SkeletonWriters, TranslationDofsOnABoneKeepTheirPositions)
{
    const asfref::Skeleton lSkeleton = TranslatingBones();
    WriteTestFile("dofs.asf", asfref::ToAsf(lSkeleton));
    const std::string lInput = WriteTestFile("dofs.amc", asfref::ToAmc(lSkeleton));
    ExpectThroughSkeletonWriters(
        lInput, lSkeleton.mFrames.size(),
        [&](std::size_t f) {
            const asfref::Pose lPose = asfref::Evaluate(lSkeleton, static_cast<int>(f));
            std::map<std::string, Vec3> lAt;
            for (std::size_t b = 1; b < lSkeleton.mBones.size(); ++b) {
                lAt[lSkeleton.mBones[b].mName] = lPose.mStarts[b];
            }
            return lAt;
        },
        "root", "translation DOFs");
}

// A real capture through the kit's HTR, whose frame lines hold each segment's translation
// against its base position, then through the BVH and ASF/AMC writers. The positions to keep are
// worked out from the BVH the kit writes of the capture directly, whose child joints hold still.
TEST(SkeletonWriters, RealCaptureThroughHtrKeepsItsPositions)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/asf-amc/lambada.amc";
    if (access(lSample.c_str(), R_OK) != 0) {
        GTEST_SKIP() << "no sample " << lSample;
    }
    const std::string lDirect = MotionTestPath("capture.bvh");
    MotionConversion lToBvh;
    ASSERT_TRUE(lToBvh.Convert(lSample, lDirect)) << lToBvh.mReason;
    const RefBvh lModel = ParseBvh(ReadTestFile(lDirect));
    const std::string lHtr = MotionTestPath("capture.htr");
    MotionConversion lToHtr;
    ASSERT_TRUE(lToHtr.Convert(lSample, lHtr)) << lToHtr.mReason;
    ExpectThroughSkeletonWriters(
        lHtr, lModel.mFrames.size(), [&](std::size_t f) { return BvhPositions(lModel, f); },
        lModel.mJoints[0].mName, "lambada through HTR", kTwoPassTolerance);
}

namespace {

// The unit of the last digit a number's text prints ("12.5" 0.1, "3e-05" 1e-05, "180" 1).
double LastDigitUnit(const std::string& pText)
{
    const std::size_t lExponentAt = pText.find_first_of("eE");
    const std::string lMantissa = pText.substr(0, lExponentAt);
    const std::size_t lPoint = lMantissa.find('.');
    const int lDecimals =
        lPoint == std::string::npos ? 0 : static_cast<int>(lMantissa.size() - lPoint - 1);
    const int lExponent =
        lExponentAt == std::string::npos ? 0 : std::stoi(pText.substr(lExponentAt + 1));
    return std::pow(10.0, lExponent - lDecimals);
}

// BVH texts that differ at most in the last digit printed of a number.
void ExpectWithinLastDigit(const std::string& pFirst, const std::string& pSecond,
                           const std::string& pLabel)
{
    std::istringstream lFirst(pFirst);
    std::istringstream lSecond(pSecond);
    std::string lA;
    std::string lB;
    while (lFirst >> lA) {
        ASSERT_TRUE(lSecond >> lB) << pLabel;
        if (lA == lB) {
            continue;
        }
        char* lEnd = nullptr;
        const double lValueA = std::strtod(lA.c_str(), &lEnd);
        ASSERT_EQ(*lEnd, '\0') << pLabel << ": " << lA << " and " << lB;
        const double lValueB = std::strtod(lB.c_str(), nullptr);
        EXPECT_LE(std::fabs(lValueA - lValueB), 1.000001 * LastDigitUnit(lA))
            << pLabel << ": " << lA << " and " << lB;
    }
    EXPECT_FALSE(lSecond >> lB) << pLabel;
}

} // namespace

// A file each skeleton writer made, read and written again: HTR and ASF/AMC give the same bytes,
// BVH the same to the last digit printed, for the generated skeletons and the real captures.
TEST(SkeletonWriters, ASecondPassWritesTheSameFile)
{
    const asfref::Skeleton lSkeleton = TranslatingBones();
    WriteTestFile("pass-dofs.asf", asfref::ToAsf(lSkeleton));
    std::vector<std::string> lInputs = {WriteTestFile("pass-six.bvh", kSixChannelChildren),
                                        WriteTestFile("pass-dofs.amc", asfref::ToAmc(lSkeleton))};
    for (const char* lSample : {"/bvh/01_01.bvh", "/asf-amc/lambada.amc"}) {
        const std::string lPath = std::string(RYV_SAMPLES_DIR) + lSample;
        if (access(lPath.c_str(), R_OK) == 0) {
            lInputs.push_back(lPath);
        }
    }
    for (const std::string& lInput : lInputs) {
        for (const char* lExtension : {".htr", ".amc", ".bvh"}) {
            std::string lTexts[2];
            std::string lFrom = lInput;
            for (int p = 0; p < 2; ++p) {
                const std::string lBase = MotionTestPath("pass" + std::to_string(p));
                MotionConversion lConvert;
                const bool lPair = std::string(lExtension) == ".amc";
                ASSERT_TRUE(lPair ? lConvert.ConvertToPair(lFrom, lBase + ".asf", lBase + ".amc")
                                  : lConvert.Convert(lFrom, lBase + lExtension))
                    << lInput << lExtension << ": " << lConvert.mReason;
                lFrom = lBase + lExtension;
                lTexts[p] = ReadTestFile(lFrom) + (lPair ? ReadTestFile(lBase + ".asf") : "");
            }
            if (std::string(lExtension) == ".bvh") {
                // The dance turns a joint through a quarter turn about X at one frame, where the
                // Z and Y channels of one turn have many values: not a difference of digits.
                if (lInput.find("lambada") == std::string::npos) {
                    ExpectWithinLastDigit(lTexts[0], lTexts[1], lInput);
                }
            } else {
                EXPECT_TRUE(lTexts[0] == lTexts[1]) << lInput << " through " << lExtension;
            }
        }
    }
}
