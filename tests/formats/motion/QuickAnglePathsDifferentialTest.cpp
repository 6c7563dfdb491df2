// The quick angle paths of the BVH and HTR readers against the library path on hostile files:
// every key bit for bit. The motions mix smooth and jumpy channels with the values the proofs
// must guard: quarter turns and hairs from them, half turns, signed zeros, subnormals, angles
// beyond the quick sines' reach, values whose angles sit on or near the midpoints between floats,
// repeated frames. Each round makes new files from its own seed; RYV_QUICK_ANGLE_ROUNDS sets the
// number of rounds (a few by default, thousands for a long run) and RYV_QUICK_ANGLE_SEED the first
// seed.

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/bvh/KBvhFile.h"
#include "formats/motion/bvh/KBvhPoseStream.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "tests/formats/motion/bvh/BvhTestScene.h"
#include "tests/formats/motion/htr/HtrTestScene.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

int FromEnvironment(const char* pName, int pDefault)
{
    const char* lText = std::getenv(pName);
    return lText != nullptr && std::atoi(lText) > 0 ? std::atoi(lText) : pDefault;
}

std::string Printed(double pValue)
{
    char lText[40];
    std::snprintf(lText, sizeof lText, "%.17g", pValue);
    return lText;
}

std::uint32_t Bits(float pValue)
{
    std::uint32_t lBits = 0;
    std::memcpy(&lBits, &pValue, sizeof lBits);
    return lBits;
}

// A double on, or a hair from, the midpoint between a random float of [-pReach, pReach] and its
// neighbour above.
double NearMidpoint(TestSequence& ioRandom, double pReach)
{
    const float lFloat = static_cast<float>(ioRandom.Between(-pReach, pReach));
    const float lNext = std::nextafter(lFloat, std::numeric_limits<float>::infinity());
    const double lMidpoint = (static_cast<double>(lFloat) + static_cast<double>(lNext)) / 2.0;
    if (ioRandom.Next() % 3 == 0) {
        return lMidpoint;
    }
    const double lHair =
        std::pow(10.0, ioRandom.Between(-16.0, -10.0)) * (1.0 + std::fabs(lMidpoint));
    return lMidpoint + (ioRandom.Next() % 2 ? lHair : -lHair);
}

// The value kinds of a channel; each file weighs them its own way.
enum EKind {
    eUniform,
    eSmooth,
    eJump,
    eNearQuarter,
    eWholeQuarters,
    eZero,
    eTiny,
    eHuge,
    eMidpoint,
    eRepeat,
    eNearHalf,
    eHalfTurnAway,
    eNearThreshold,
    eSpin,
    eKindCount
};

// One channel's next angle (degrees) of kind pKind, from its previous one.
double HostileAngle(EKind pKind, double pPrevious, TestSequence& ioRandom)
{
    const double lSign = ioRandom.Next() % 2 ? 1.0 : -1.0;
    const double lHair = std::pow(10.0, ioRandom.Between(-13.0, -3.0));
    switch (pKind) {
    case eUniform:
        return ioRandom.Between(-180.0, 180.0);
    case eSmooth:
        return std::isfinite(pPrevious) && std::fabs(pPrevious) < 1e5
                   ? pPrevious + ioRandom.Between(-3.0, 3.0)
                   : ioRandom.Between(-180.0, 180.0);
    case eJump:
        return std::fabs(pPrevious) < 1e5 ? pPrevious + lSign * ioRandom.Between(150.0, 210.0)
                                          : 0.5;
    case eNearQuarter: {
        const double lQuarter = lSign * 90.0;
        const double lPick = ioRandom.Unit();
        const double lNear = std::pow(10.0, ioRandom.Between(-9.0, -3.0));
        return lPick < 0.25 ? lQuarter : lQuarter + (ioRandom.Next() % 2 ? lNear : -lNear);
    }
    case eWholeQuarters: {
        const double lQuarters = static_cast<double>(ioRandom.Next() % 17) - 8.0;
        const double lNudge = ioRandom.Next() % 3 == 0 ? lSign * lHair : 0.0;
        return lQuarters * 90.0 + lNudge;
    }
    case eZero:
        return ioRandom.Next() % 2 ? 0.0 : -0.0;
    case eTiny: {
        const double lTiny[] = {1e-300, 5e-324, 2.2250738585072014e-308, 1e-310, 1e-30, 1e-17};
        return lSign * lTiny[ioRandom.Next() % 6];
    }
    case eHuge: {
        const double lLimit = 1e6;
        const double lHuge[] = {lLimit,
                                std::nextafter(lLimit, 0.0),
                                std::nextafter(lLimit, 2e6),
                                1e7,
                                1e300,
                                999999.5,
                                ioRandom.Between(-1e6, 1e6),
                                359999.99999999994,
                                3.6e5 * 2.0 + 90.0};
        return lSign * lHuge[ioRandom.Next() % 9];
    }
    case eMidpoint:
        return NearMidpoint(ioRandom, 180.0);
    case eRepeat:
        return pPrevious;
    case eNearHalf:
        return lSign * (180.0 - (ioRandom.Next() % 4 == 0 ? 0.0 : lHair));
    case eSpin:
        // Turning on one way by about half a turn a frame: the unrolled keys grow without end.
        return std::fabs(pPrevious) < 1e9 ? pPrevious + ioRandom.Between(150.0, 210.0) : 0.25;
    case eNearThreshold:
        // Where the sine of the middle angle meets the threshold of the gimbal branches
        // (0.999999, about 0.081 degrees from a quarter turn), from both sides.
        return lSign *
               (90.0 + (ioRandom.Next() % 2 ? 1.0 : -1.0) * ioRandom.Between(0.0805, 0.0815));
    default:
        // Half a turn from the previous value: the unroll's counts at their flip.
        return std::fabs(pPrevious) < 1e5
                   ? pPrevious + lSign * 180.0 + (ioRandom.Next() % 2 ? lHair : -lHair) * 1e-3
                   : 180.0;
    }
}

// Each file's weights of the kinds: mostly smooth, mostly jumpy, or any kind at all.
struct Mixture
{
    double mWeights[eKindCount];

    static Mixture Make(TestSequence& ioRandom)
    {
        Mixture lMixture{};
        const std::uint64_t lStyle = ioRandom.Next() % 3;
        for (int k = 0; k < eKindCount; ++k) {
            lMixture.mWeights[k] = ioRandom.Unit();
        }
        if (lStyle == 0) {
            lMixture.mWeights[eSmooth] += 20.0;
        } else if (lStyle == 1) {
            lMixture.mWeights[eJump] += 5.0;
            lMixture.mWeights[eUniform] += 5.0;
        }
        return lMixture;
    }
    EKind Pick(TestSequence& ioRandom) const
    {
        double lTotal = 0.0;
        for (double lWeight : mWeights) {
            lTotal += lWeight;
        }
        double lAt = ioRandom.Between(0.0, lTotal);
        for (int k = 0; k < eKindCount; ++k) {
            lAt -= mWeights[k];
            if (lAt < 0.0) {
                return static_cast<EKind>(k);
            }
        }
        return eUniform;
    }
};

// The value bits of the six transform curves' keys of each named node of pFactory, node after
// node; curves without keys add nothing.
std::vector<std::uint32_t> NodeKeyBits(KRyvObjectFactory& pFactory,
                                       const std::vector<std::string>& pNames)
{
    std::vector<std::uint32_t> lBits;
    for (const std::string& lName : pNames) {
        KRyvNode* lNode = pFactory.FindNode(lName.c_str());
        if (lNode == nullptr) {
            ADD_FAILURE() << "no node " << lName;
            return lBits;
        }
        KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
        KFCurve* const lCurves[] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                    lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                    lTake->GetTransformRY(), lTake->GetTransformRZ()};
        for (KFCurve* lCurve : lCurves) {
            for (int k = 0; k < lCurve->GetKeyCount(); ++k) {
                lBits.push_back(Bits(lCurve->KeyGetValue(k)));
            }
        }
    }
    return lBits;
}

// The file read through the importer of the registry, as an application reads it; the keys of
// the named nodes.
std::vector<std::uint32_t> ImportedKeyBits(const std::string& pPath,
                                           const std::vector<std::string>& pNames,
                                           int pKeepReference = -1)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath.c_str()));
    if (!lImporter.Initialize(pPath.c_str())) {
        ADD_FAILURE() << pPath << ": " << lImporter.GetReason().Buffer();
        return {};
    }
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    if (lOptions && pKeepReference >= 0) {
        static_cast<KStreamOptionsMotion*>(lOptions.get())
            ->SetOption(KReaderBvh::kOptionKeepReference, pKeepReference);
    }
    if (!lOptions || !lImporter.Import(lScene, lOptions.get())) {
        ADD_FAILURE() << pPath << ": " << lImporter.GetReason().Buffer();
        return {};
    }
    return NodeKeyBits(lFactory, pNames);
}

// ---- BVH ----

const char* const kBvhChannelLists[] = {
    "3 Zrotation Yrotation Xrotation",
    "3 Xrotation Yrotation Zrotation",
    "3 Xrotation Zrotation Yrotation",
    "3 Yrotation Xrotation Zrotation",
    "3 Yrotation Zrotation Xrotation",
    "3 Zrotation Xrotation Yrotation",
    "6 Xposition Yposition Zposition Zrotation Yrotation Xrotation",
    "6 Yrotation Xrotation Zrotation Zposition Xposition Yposition",
    "6 Xposition Xposition Zrotation Yrotation Xrotation Zposition",
    "2 Zrotation Xrotation",
    "1 Yrotation",
    "3 Xrotation Xrotation Yrotation",
    "4 Xrotation Yrotation Zrotation Xrotation",
    "3 Xposition Yposition Zposition",
    "6 Xrotation Yposition Zrotation Xposition Yrotation Zposition",
    "5 Zrotation Zrotation Zrotation Zrotation Zrotation",
    "0",
};
constexpr int kBvhListCount = sizeof kBvhChannelLists / sizeof kBvhChannelLists[0];

bool IsPosition(const char* pList, int pChannel)
{
    const char* lWord = pList + 2;
    for (int c = 0; c < pChannel; ++c) {
        lWord = std::strchr(lWord, ' ') + 1;
    }
    return lWord[1] == 'p';
}

// A hierarchy of pJoints joints (chains and siblings), each with a channel list drawn from the
// table (most of them three distinct turns, so that blocks of one order fill), and pFrames hostile
// frames.
std::string HostileBvh(TestSequence& ioRandom, int pJoints, int pFrames)
{
    std::vector<int> lLists(static_cast<std::size_t>(pJoints));
    std::string lText = "HIERARCHY\n";
    int lOpen = 0;
    for (int j = 0; j < pJoints; ++j) {
        const int lList = ioRandom.Next() % 4 == 0
                              ? static_cast<int>(ioRandom.Next() % kBvhListCount)
                              : static_cast<int>(ioRandom.Next() % 6);
        lLists[static_cast<std::size_t>(j)] = lList;
        if (j > 0 && lOpen > 1 && ioRandom.Next() % 3 == 0) {
            lText += "End Site\n{\nOFFSET 0 1 0\n}\n}\n";
            --lOpen;
        }
        lText += (j == 0 ? "ROOT j" : "JOINT j") + std::to_string(j) + "\n{\nOFFSET " +
                 Printed(ioRandom.Between(-5.0, 5.0)) + " 2 -0\n";
        lText += std::string("CHANNELS ") + kBvhChannelLists[lList] + "\n";
        ++lOpen;
    }
    lText += "End Site\n{\nOFFSET 0 1 0\n}\n";
    for (; lOpen > 0; --lOpen) {
        lText += "}\n";
    }
    lText += "MOTION\nFrames: " + std::to_string(pFrames) + "\nFrame Time: 0.04\n";
    const Mixture lMixture = Mixture::Make(ioRandom);
    std::vector<double> lPrevious;
    for (int j = 0; j < pJoints; ++j) {
        for (int c = 0; c < kBvhChannelLists[lLists[static_cast<std::size_t>(j)]][0] - '0'; ++c) {
            lPrevious.push_back(ioRandom.Between(-180.0, 180.0));
        }
    }
    for (int f = 0; f < pFrames; ++f) {
        std::size_t lAt = 0;
        // Some frames repeat the whole previous frame.
        const bool lRepeatFrame = f > 0 && ioRandom.Next() % 16 == 0;
        for (int j = 0; j < pJoints; ++j) {
            const char* lList = kBvhChannelLists[lLists[static_cast<std::size_t>(j)]];
            for (int c = 0; c < lList[0] - '0'; ++c, ++lAt) {
                double& lValue = lPrevious[lAt];
                if (!lRepeatFrame) {
                    lValue = IsPosition(lList, c)
                                 ? ioRandom.Between(-100.0, 100.0)
                                 : HostileAngle(lMixture.Pick(ioRandom), lValue, ioRandom);
                }
                lText += Printed(lValue) + " ";
            }
        }
        lText += "\n";
    }
    return lText;
}

struct Tally
{
    long long mJointFrames = 0;
    long long mQuick = 0;
    long long mFallbacks = 0;
    int mFiles = 0;
};

// Both streams over every frame of the file; the library keys of every frame, joint by joint in
// the stream's order, into oLibraryKeys. False at the first key that differs.
bool SameStreamKeys(const std::string& pPath, Tally& ioTally, std::vector<float>& oLibraryKeys)
{
    KBvhFile lFile;
    if (!(lFile.Open(pPath.c_str(), "r") && lFile.ReadHeader() && lFile.BeginFrames())) {
        ADD_FAILURE() << pPath << ": " << lFile.GetLastError();
        return false;
    }
    const std::vector<KBvhPoseStream::Keyed> lKeyed = AllKeyed(lFile);
    KBvhPoseStream lLibrary(lFile, lKeyed, KBvhPoseStream::eLibraryAngles);
    KBvhPoseStream lQuick(lFile, lKeyed, KBvhPoseStream::eQuickAngles);
    const std::size_t lKeys = 6 * static_cast<std::size_t>(lFile.GetJointCount());
    std::vector<float> lExpected(lKeys);
    std::vector<float> lGot(lKeys);
    oLibraryKeys.clear();
    for (int f = 0; f < lFile.GetFramesToRead(); ++f) {
        if (!lFile.ReadFrame()) {
            ADD_FAILURE() << pPath << ": " << lFile.GetLastError();
            return false;
        }
        int lJoint = -1;
        const bool lLibraryPut = lLibrary.Put(lExpected.data(), lJoint);
        const bool lQuickPut = lQuick.Put(lGot.data(), lJoint);
        EXPECT_EQ(lQuickPut, lLibraryPut) << pPath << " frame " << f;
        for (std::size_t k = 0; k < lKeys; ++k) {
            if (Bits(lExpected[k]) != Bits(lGot[k])) {
                ADD_FAILURE() << pPath << ": frame " << f << " key " << k << ": library "
                              << Printed(lExpected[k]) << ", quick " << Printed(lGot[k]);
                return false;
            }
        }
        if (!lLibraryPut) {
            return true;
        }
        oLibraryKeys.insert(oLibraryKeys.end(), lExpected.begin(), lExpected.end());
        ioTally.mJointFrames += lFile.GetJointCount();
    }
    ioTally.mQuick += lQuick.GetQuickCount();
    ioTally.mFallbacks += lQuick.GetFallbackCount();
    return true;
}

// The keys the reader puts on the curves, through the real wiring: those of the library stream.
void ExpectReaderKeys(const std::string& pPath, const std::vector<float>& pLibraryKeys, int pFrames)
{
    BvhImportSettingsGuard lSettings;
    // The stream's keys are those of the curves before any rotation filter.
    KImportSettings::Get().SetRotationFilterMode(KImportSettings::kRotationFilterNone);
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(pPath)) << lTest.mReader.GetMessage().Buffer();
    KBvhFile lFile;
    ASSERT_TRUE(lFile.Open(pPath.c_str(), "r") && lFile.ReadHeader());
    const std::size_t lStride = 6 * static_cast<std::size_t>(lFile.GetJointCount());
    std::size_t lAt = 0;
    for (int j = 0; j < lFile.GetJointCount(); ++j) {
        const KBvhJoint* lJoint = lFile.GetJoint(j);
        if (lJoint->mEndSite) {
            continue;
        }
        bool lTranslation = false;
        for (int c = 0; c < lJoint->mChannelCount; ++c) {
            lTranslation |= lJoint->mChannels[c] <= KBvhJoint::eZposition;
        }
        KRyvNode* lNode = lTest.Find(lJoint->mName.c_str());
        ASSERT_NE(lNode, nullptr) << lJoint->mName;
        KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
        KFCurve* const lCurves[] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                    lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                    lTake->GetTransformRY(), lTake->GetTransformRZ()};
        for (int c = lTranslation ? 0 : 3; c < 6; ++c, ++lAt) {
            ASSERT_EQ(lCurves[c]->GetKeyCount(), pFrames) << lJoint->mName << " curve " << c;
            for (int f = 0; f < pFrames; ++f) {
                const float lExpected = pLibraryKeys[static_cast<std::size_t>(f) * lStride + lAt];
                const float lGot = lCurves[c]->KeyGetValue(f);
                ASSERT_EQ(Bits(lGot), Bits(lExpected))
                    << pPath << ": " << lJoint->mName << " curve " << c << " frame " << f;
            }
        }
    }
}

TEST(QuickAnglePaths, BvhHostileMotionsGiveTheLibraryKeys)
{
    const int lRounds = FromEnvironment("RYV_QUICK_ANGLE_ROUNDS", 3);
    const int lSeed = FromEnvironment("RYV_QUICK_ANGLE_SEED", 1);
    Tally lTally;
    for (int r = 0; r < lRounds; ++r) {
        TestSequence lRandom(static_cast<std::uint64_t>(lSeed + r) * 7919u);
        // One file in sixteen is long and narrow: states carried over many frames.
        const bool lLong = lRandom.Next() % 16 == 0;
        const int lJoints = 2 + static_cast<int>(lRandom.Next() % (lLong ? 6 : 150));
        const int lFrames = 2 + static_cast<int>(lRandom.Next() % (lLong ? 3000 : 60));
        const std::string lPath = WriteBvhFile("hostile" + std::to_string(lSeed + r) + ".bvh",
                                               HostileBvh(lRandom, lJoints, lFrames));
        std::vector<float> lLibraryKeys;
        const bool lSame = SameStreamKeys(lPath, lTally, lLibraryKeys);
        ASSERT_TRUE(lSame) << "seed " << lSeed + r;
        // The reader's wiring on one file of eight: the stream carries the proofs.
        if (r % 8 == 0 && lLibraryKeys.size() == 6u * lJoints * lFrames) {
            ExpectReaderKeys(lPath, lLibraryKeys, lFrames);
        }
        ++lTally.mFiles;
        std::remove(lPath.c_str());
    }
    EXPECT_GT(lTally.mQuick, lTally.mFallbacks);
    std::printf("BVH: %d files, %lld joint-frames, %lld quick, %lld fell back\n", lTally.mFiles,
                lTally.mJointFrames, lTally.mQuick, lTally.mFallbacks);
}

// ---- HTR ----

const char* const kHtrOrders[] = {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"};

std::string SegmentName(int pIndex)
{
    return "S" + std::to_string(pIndex);
}

struct HtrShape
{
    int mSegments;
    int mFrames;
    std::vector<int> mParents;
    bool mRadians;
};

std::string HtrLine(double pX, double pY, double pZ, const double pAngles[3], bool pRadians)
{
    std::string lLine = "\t" + Printed(pX) + "\t" + Printed(pY) + "\t" + Printed(pZ);
    for (int a = 0; a < 3; ++a) {
        lLine += "\t" + Printed(pRadians ? pAngles[a] * kDegToRad : pAngles[a]);
    }
    return lLine;
}

// A file of pShape's hierarchy, hostile base rotations and frames.
std::string HostileHtr(TestSequence& ioRandom, const HtrShape& pShape)
{
    // Now and then an order word no reader should take as it stands: both paths must agree on it.
    const char* const lOdd[] = {"zyx", "XXY", "XY", "ZYXZ", "ABC"};
    const char* lOrder =
        ioRandom.Next() % 32 == 0 ? lOdd[ioRandom.Next() % 5] : kHtrOrders[ioRandom.Next() % 6];
    const char* const lScales[] = {"1.0", "0.25", "3.0", "1e-3"};
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\n";
    lText += "NumSegments " + std::to_string(pShape.mSegments) + "\nNumFrames " +
             std::to_string(pShape.mFrames) + "\nDataFrameRate 60\n";
    lText += std::string("EulerRotationOrder ") + lOrder + "\nCalibrationUnits mm\n" +
             "RotationUnits " + (pShape.mRadians ? "Radians" : "Degrees") +
             "\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor " +
             lScales[ioRandom.Next() % 4] + "\n";
    lText += "[SegmentNames&Hierarchy]\n";
    for (int s = 0; s < pShape.mSegments; ++s) {
        const int lParent = pShape.mParents[static_cast<std::size_t>(s)];
        lText += SegmentName(s) + "\t" + (lParent < 0 ? "GLOBAL" : SegmentName(lParent)) + "\n";
    }
    const Mixture lMixture = Mixture::Make(ioRandom);
    lText += "[BasePosition]\n";
    std::vector<double> lPrevious(3 * static_cast<std::size_t>(pShape.mSegments));
    // Segments that keep still (no turn from their base, which is none) in runs of frames: their
    // keys are zeros, which the quick lanes leave to the library path, block after block.
    std::vector<int> lStill(static_cast<std::size_t>(pShape.mSegments));
    for (int s = 0; s < pShape.mSegments; ++s) {
        lStill[static_cast<std::size_t>(s)] =
            ioRandom.Next() % 4 == 0 ? 1 + static_cast<int>(ioRandom.Next() % 300) : 0;
    }
    for (int s = 0; s < pShape.mSegments; ++s) {
        double lAngles[3];
        for (int a = 0; a < 3; ++a) {
            lAngles[a] = ioRandom.Next() % 4 == 0 || lStill[static_cast<std::size_t>(s)] > 0
                             ? 0.0
                             : HostileAngle(lMixture.Pick(ioRandom), 0.0, ioRandom);
            lPrevious[3 * static_cast<std::size_t>(s) + a] = ioRandom.Between(-180.0, 180.0);
        }
        lText += SegmentName(s) +
                 HtrLine(ioRandom.Between(-50.0, 50.0), ioRandom.Between(-50.0, 50.0), 0.0, lAngles,
                         pShape.mRadians) +
                 "\t100\n";
    }
    // Translations near the largest float: the offset pass may turn them past it, where a key keeps
    // its old value.
    const double lTranslations[] = {0.0, -0.0, 1e-300, 12.5, -3e5, 1e30, 3e38, -2.5e38};
    for (int s = 0; s < pShape.mSegments; ++s) {
        lText += "[" + SegmentName(s) + "]\n";
        for (int f = 1; f <= pShape.mFrames; ++f) {
            double lAngles[3];
            for (int a = 0; a < 3; ++a) {
                double& lValue = lPrevious[3 * static_cast<std::size_t>(s) + a];
                const int lRun = lStill[static_cast<std::size_t>(s)];
                const bool lKeepStill = lRun > 0 && (f / lRun) % 2 == 0;
                lValue = lKeepStill ? 0.0 : HostileAngle(lMixture.Pick(ioRandom), lValue, ioRandom);
                lAngles[a] = lValue;
            }
            const bool lOdd = ioRandom.Next() % 8 == 0;
            const double lX =
                lOdd ? lTranslations[ioRandom.Next() % (ioRandom.Next() % 64 == 0 ? 8 : 6)]
                     : ioRandom.Between(-99.0, 99.0);
            lText += std::to_string(f) +
                     HtrLine(lX, ioRandom.Between(-99.0, 99.0), ioRandom.Between(-1.0, 1.0),
                             lAngles, pShape.mRadians) +
                     "\t1.0\n";
        }
    }
    return lText + "[EndOfFile]\n";
}

// A tree: deep chains, fans and lone leaves.
HtrShape MakeShape(TestSequence& ioRandom)
{
    HtrShape lShape;
    // One file in eight is a deep chain, where the bounds grow from parent to child.
    lShape.mSegments =
        1 + static_cast<int>(ioRandom.Next() % (ioRandom.Next() % 8 == 0 ? 120 : 24));
    // One file in four runs through many blocks of frames.
    lShape.mFrames = 1 + static_cast<int>(ioRandom.Next() % (ioRandom.Next() % 4 == 0 ? 800 : 140));
    lShape.mRadians = ioRandom.Next() % 3 == 0;
    for (int s = 0; s < lShape.mSegments; ++s) {
        const bool lChain = ioRandom.Next() % 3 != 0;
        lShape.mParents.push_back(
            s == 0   ? -1
            : lChain ? s - 1
                     : static_cast<int>(ioRandom.Next() % static_cast<std::uint64_t>(s)));
    }
    return lShape;
}

struct HtrRead
{
    bool mRead = false;
    std::vector<std::uint32_t> mBits;
    KHtrFile::KLaneCounts mCounts;
};

HtrRead ReadHtr(const std::string& pPath, int pSegments, bool pQuick, bool pMinimize)
{
    HtrTestScene lTest;
    HtrRead lRead;
    lRead.mRead = lTest.MotionReadScene::Read(pPath, [&](KStreamOptionsMotion&) {
        lTest.mReader.GetFile()->SetQuickAngles(pQuick);
        lTest.mReader.GetFile()->SetMinimizeRotationOffset(pMinimize);
    });
    lRead.mCounts = lTest.mReader.GetFile()->GetLaneCounts();
    if (!lRead.mRead) {
        return lRead;
    }
    for (int s = 0; s < pSegments; ++s) {
        KRyvTakeNode* lTake = lTest.Find(SegmentName(s).c_str())->GetCurrentTakeNode();
        KFCurve* const lCurves[] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                    lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                    lTake->GetTransformRY(), lTake->GetTransformRZ()};
        for (KFCurve* lCurve : lCurves) {
            for (int k = 0; k < lCurve->GetKeyCount(); ++k) {
                lRead.mBits.push_back(Bits(lCurve->KeyGetValue(k)));
            }
        }
    }
    return lRead;
}

TEST(QuickAnglePaths, HtrHostileMotionsGiveTheLibraryKeys)
{
    HtrSettingsGuard lSettings;
    const int lRounds = FromEnvironment("RYV_QUICK_ANGLE_ROUNDS", 3);
    const int lSeed = FromEnvironment("RYV_QUICK_ANGLE_SEED", 1);
    long long lSegmentFrames = 0;
    long long lFallbacks = 0;
    int lFiles = 0;
    int lRefused = 0;
    for (int r = 0; r < lRounds; ++r) {
        TestSequence lRandom(static_cast<std::uint64_t>(lSeed + r) * 104729u);
        const HtrShape lShape = MakeShape(lRandom);
        const std::string lPath = WriteHtrFile("hostile" + std::to_string(lSeed + r) + ".htr",
                                               HostileHtr(lRandom, lShape));
        for (const bool lMinimize : {false, true}) {
            const HtrRead lLibrary = ReadHtr(lPath, lShape.mSegments, false, lMinimize);
            const HtrRead lQuick = ReadHtr(lPath, lShape.mSegments, true, lMinimize);
            ASSERT_EQ(lQuick.mRead, lLibrary.mRead) << "seed " << lSeed + r;
            ASSERT_EQ(lQuick.mBits.size(), lLibrary.mBits.size()) << "seed " << lSeed + r;
            for (std::size_t k = 0; k < lQuick.mBits.size(); ++k) {
                ASSERT_EQ(lQuick.mBits[k], lLibrary.mBits[k])
                    << "seed " << lSeed + r << " minimise " << lMinimize << " key " << k
                    << " (segment " << k / (6u * lShape.mFrames) << ", curve "
                    << (k / lShape.mFrames) % 6 << ", frame " << k % lShape.mFrames << ")";
            }
            lRefused += lLibrary.mRead ? 0 : 1;
            lSegmentFrames += lQuick.mCounts.mReadFrames + lQuick.mCounts.mOffsetFrames;
            lFallbacks += lQuick.mCounts.mReadFallbacks + lQuick.mCounts.mOffsetFallbacks;
        }
        ++lFiles;
        std::remove(lPath.c_str());
    }
    std::printf("HTR: %d files (%d reads refused), %lld segment-frames through the quick lanes, "
                "%lld fell back\n",
                lFiles, lRefused, lSegmentFrames, lFallbacks);
}

// The names of the joints of pFile that have curves (no end sites).
std::vector<std::string> JointNames(const KBvhFile& pFile)
{
    std::vector<std::string> lNames;
    for (int j = 0; j < pFile.GetJointCount(); ++j) {
        if (!pFile.GetJoint(j)->mEndSite) {
            lNames.push_back(pFile.GetJoint(j)->mName);
        }
    }
    return lNames;
}

// The library stream's keys (frame after frame, SameStreamKeys' layout) in the curves' order:
// per joint its translation (where it has position channels) and rotation curves, each frame
// after frame.
std::vector<std::uint32_t> CurveOrderBits(const KBvhFile& pFile,
                                          const std::vector<float>& pLibraryKeys)
{
    std::vector<std::uint32_t> lBits;
    const std::size_t lStride = 6 * static_cast<std::size_t>(pFile.GetJointCount());
    std::size_t lAt = 0;
    for (int j = 0; j < pFile.GetJointCount(); ++j) {
        const KBvhJoint* lJoint = pFile.GetJoint(j);
        bool lTranslation = false;
        for (int c = 0; c < lJoint->mChannelCount; ++c) {
            lTranslation |= lJoint->mChannels[c] <= KBvhJoint::eZposition;
        }
        for (int c = lTranslation ? 0 : 3; !lJoint->mEndSite && c < 6; ++c, ++lAt) {
            for (std::size_t f = 0; f * lStride < pLibraryKeys.size(); ++f) {
                lBits.push_back(Bits(pLibraryKeys[f * lStride + lAt]));
            }
        }
    }
    return lBits;
}

// The real wiring: BVH and HTR files read through the importer the registry names, which takes
// the quick paths, give the keys of the library path.
TEST(QuickAnglePaths, ImportedFilesHaveTheLibraryKeys)
{
    HtrSettingsGuard lSettings("Yes");
    const int lRounds = FromEnvironment("RYV_QUICK_ANGLE_ROUNDS", 3);
    const int lSeed = FromEnvironment("RYV_QUICK_ANGLE_SEED", 1);
    for (int r = 0; r < lRounds; ++r) {
        TestSequence lRandom(static_cast<std::uint64_t>(lSeed + r) * 15485863u);
        const int lJoints = 2 + static_cast<int>(lRandom.Next() % 40);
        const int lFrames = 2 + static_cast<int>(lRandom.Next() % 40);
        const std::string lBvh = WriteBvhFile("imported" + std::to_string(lSeed + r) + ".bvh",
                                              HostileBvh(lRandom, lJoints, lFrames));
        KBvhFile lFile;
        ASSERT_TRUE(lFile.Open(lBvh.c_str(), "r") && lFile.ReadHeader());
        std::vector<float> lLibraryKeys;
        Tally lTally;
        ASSERT_TRUE(SameStreamKeys(lBvh, lTally, lLibraryKeys)) << "seed " << lSeed + r;
        const std::vector<std::uint32_t> lExpected = CurveOrderBits(lFile, lLibraryKeys);
        // The stream's keys are those of the curves before any rotation filter.
        KImportSettings::Get().SetRotationFilterMode(KImportSettings::kRotationFilterNone);
        const std::vector<std::uint32_t> lImported = ImportedKeyBits(lBvh, JointNames(lFile), 1);
        KImportSettings::Get().SetRotationFilterMode(KImportSettings::kRotationFilterUnroll);
        EXPECT_EQ(lImported, lExpected) << "seed " << lSeed + r;
        std::remove(lBvh.c_str());

        const HtrShape lShape = MakeShape(lRandom);
        const std::string lHtr = WriteHtrFile("imported" + std::to_string(lSeed + r) + ".htr",
                                              HostileHtr(lRandom, lShape));
        const HtrRead lHtrLibrary = ReadHtr(lHtr, lShape.mSegments, false, true);
        if (lHtrLibrary.mRead) {
            std::vector<std::string> lSegments;
            for (int s = 0; s < lShape.mSegments; ++s) {
                lSegments.push_back(SegmentName(s));
            }
            EXPECT_EQ(ImportedKeyBits(lHtr, lSegments), lHtrLibrary.mBits) << "seed " << lSeed + r;
        }
        std::remove(lHtr.c_str());
    }
}

// The sample capture (a real hierarchy: exact zeros, joints turning about one axis) with hostile
// values put into its rotation channels here and there.
TEST(QuickAnglePaths, TheSampleCaptureWithHostileValuesGivesTheLibraryKeys)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (!std::filesystem::exists(lSample)) {
        GTEST_SKIP() << "samples absent";
    }
    KBvhFile lHeader;
    ASSERT_TRUE(lHeader.Open(lSample.c_str(), "r") && lHeader.ReadHeader());
    std::vector<bool> lRotation;
    for (int j = 0; j < lHeader.GetJointCount(); ++j) {
        const KBvhJoint* lJoint = lHeader.GetJoint(j);
        for (int c = 0; c < lJoint->mChannelCount; ++c) {
            lRotation.push_back(lJoint->mChannels[c] >= KBvhJoint::eXrotation);
        }
    }
    std::ifstream lIn(lSample, std::ios::binary);
    std::string lLine;
    std::string lHead;
    while (std::getline(lIn, lLine)) {
        lHead += lLine + "\n";
        if (lLine.rfind("Frame Time", 0) == 0) {
            break;
        }
    }
    std::vector<std::vector<double>> lFrames;
    while (std::getline(lIn, lLine)) {
        std::istringstream lValues(lLine);
        std::vector<double> lFrame;
        double lValue = 0.0;
        while (lValues >> lValue) {
            lFrame.push_back(lValue);
        }
        if (lFrame.size() == lRotation.size()) {
            lFrames.push_back(lFrame);
        }
    }
    ASSERT_FALSE(lFrames.empty());
    const int lRounds = FromEnvironment("RYV_QUICK_ANGLE_ROUNDS", 1);
    Tally lTally;
    for (int r = 0; r < lRounds; ++r) {
        TestSequence lRandom(static_cast<std::uint64_t>(r) + 4242u);
        const Mixture lMixture = Mixture::Make(lRandom);
        const std::uint64_t lShare = 2 + lRandom.Next() % 64;
        std::string lText = lHead;
        std::vector<double> lPrevious = lFrames[0];
        for (const std::vector<double>& lFrame : lFrames) {
            for (std::size_t c = 0; c < lFrame.size(); ++c) {
                const bool lHostile = lRotation[c] && lRandom.Next() % lShare == 0;
                lPrevious[c] = lHostile
                                   ? HostileAngle(lMixture.Pick(lRandom), lPrevious[c], lRandom)
                                   : lFrame[c];
                lText += Printed(lPrevious[c]) + " ";
            }
            lText += "\n";
        }
        const std::string lPath = WriteBvhFile("sample" + std::to_string(r) + ".bvh", lText);
        std::vector<float> lLibraryKeys;
        ASSERT_TRUE(SameStreamKeys(lPath, lTally, lLibraryKeys)) << "round " << r;
        std::remove(lPath.c_str());
    }
    EXPECT_GT(lTally.mQuick, lTally.mFallbacks);
}

} // namespace
