// Golden keys of BVH reads: every key's time, value bits and flags hashed, for each rotation
// filter and with the constant key reducer on and off. The hashes were taken from the reader
// before its frame walk, number parsing and pose conversion were made faster, so any change in
// a key read shows here, to the last bit and the sign of a zero.

#include "animation/KFCurve.h"
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

void AddCurve(Fnv1aHash& ioHash, const KFCurve* pCurve)
{
    ioHash.AddWord(pCurve ? static_cast<std::uint64_t>(pCurve->GetKeyCount()) : ~0ULL);
    for (int k = 0; pCurve && k < pCurve->GetKeyCount(); ++k) {
        const KFCurveKey* lKey = pCurve->GetKey(k);
        const float lValue = lKey->GetValue();
        std::uint32_t lBits = 0;
        std::memcpy(&lBits, &lValue, sizeof lBits);
        ioHash.AddWord(static_cast<std::uint64_t>(lKey->GetTime().Get()));
        ioHash.AddWord(lBits);
        ioHash.AddWord(static_cast<std::uint64_t>(lKey->GetFlags()));
    }
}

void AddNode(Fnv1aHash& ioHash, KRyvNode* pNode)
{
    if (KRyvTakeNode* lTake = pNode->GetCurrentTakeNode()) {
        AddCurve(ioHash, lTake->GetTransformTX());
        AddCurve(ioHash, lTake->GetTransformTY());
        AddCurve(ioHash, lTake->GetTransformTZ());
        AddCurve(ioHash, lTake->GetTransformRX());
        AddCurve(ioHash, lTake->GetTransformRY());
        AddCurve(ioHash, lTake->GetTransformRZ());
    }
    for (int i = 0; i < pNode->GetChildCount(); ++i) {
        AddNode(ioHash, pNode->GetChild(i));
    }
}

// The hash of every key of the scene read from pPath with the given import settings.
std::uint64_t KeyHash(const std::string& pPath, int pRotationFilter, bool pReduceConstants)
{
    KImportSettings::Get().SetRotationFilterMode(pRotationFilter);
    KImportSettings::Get().SetConstantKeyReducerEnabled(pReduceConstants);
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportBvh);
    EXPECT_TRUE(lImporter.Initialize(pPath.c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    EXPECT_TRUE(lOptions && lImporter.Import(&lScene, lOptions.get()));
    KImportSettings::Get().Reset();
    Fnv1aHash lHash;
    AddNode(lHash, lScene.GetRootNode());
    return lHash.Get();
}

std::string Number(const char* pFormat, double pValue)
{
    char lText[64];
    std::snprintf(lText, sizeof lText, pFormat, pValue);
    return lText;
}

// Every rotation order and channel subset, a constant joint, and values of every spelling the
// frame lines meet: signed zeros, exponents, long fractions, a leading '+', more than nineteen
// digits, angles far past a half turn, gimbal lock and tabs and CRs between values.
std::string MixedBvh()
{
    static const char* const kChannels[] = {
        "3 Zrotation Xrotation Yrotation",
        "3 Xrotation Yrotation Zrotation",
        "3 Yrotation Zrotation Xrotation",
        "3 Zrotation Yrotation Xrotation",
        "3 Xrotation Zrotation Yrotation",
        "3 Yrotation Xrotation Zrotation",
        "6 Xposition Yposition Zposition Zrotation Xrotation Yrotation",
        "2 Yrotation Xposition",
        "1 Zrotation",
        "4 Xrotation Yrotation Xrotation Zposition",
        "0"};
    constexpr int kKinds = sizeof kChannels / sizeof kChannels[0];
    static const char* const kSpellings[] = {
        "-0",    "0",         "+12.5",   "1e2", "-2.5E-1", "90",  "-90", "0.1234567890123456789012",
        "1e-30", "359.99999", "-720.25", ".5",  "-.75",    "180", "-180"};
    constexpr int kSpellingCount = sizeof kSpellings / sizeof kSpellings[0];
    std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                        "Zposition Zrotation Xrotation Yrotation\n";
    int lValues = 6;
    for (int j = 0; j < 2 * kKinds; ++j) {
        const char* lChannels = kChannels[j % kKinds];
        lText += "JOINT J" + std::to_string(j) + "\n{\nOFFSET 1 2 3\nCHANNELS " + lChannels +
                 "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n";
        lValues += lChannels[0] - '0';
    }
    lText += "}\nMOTION\nFrames: 90\nFrame Time: 0.0333333\n";
    std::uint64_t lState = 11;
    for (int f = 0; f < 90; ++f) {
        for (int c = 0; c < lValues; ++c) {
            lState = lState * 6364136223846793005ULL + 1442695040888963407ULL;
            const std::uint32_t lRandom = static_cast<std::uint32_t>(lState >> 33);
            const std::string lSeparator = c == 0 ? "" : (lRandom % 13 == 0 ? "\t" : " ");
            // The joints of the second round hold still: their keys repeat from frame to frame.
            const bool lStill = c >= 6 + lValues / 2 && c < 6 + lValues / 2 + 7;
            const std::string lValue =
                lStill             ? "12.75"
                : lRandom % 5 == 0 ? kSpellings[(lRandom / 5) % kSpellingCount]
                                   : Number(lRandom % 3 ? "%.4f" : "%.6f",
                                            static_cast<double>(lRandom % 720000) / 1000.0 - 360.0);
            lText += lSeparator + lValue;
        }
        lText += f % 4 == 0 ? " \r\n" : "\n";
    }
    return lText;
}

// The bench's skeleton, fewer frames: chains of the ZXY order and a moving root.
std::string ChainBvh()
{
    std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                        "Zposition Zrotation Xrotation Yrotation\n";
    for (int j = 1; j < 24; ++j) {
        lText += "JOINT j" + std::to_string(j) +
                 "\n{\nOFFSET 1.5 2.25 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
    }
    lText += "End Site\n{\nOFFSET 1 0 0\n}\n";
    for (int j = 0; j < 24; ++j) {
        lText += "}\n";
    }
    lText += "MOTION\nFrames: 700\nFrame Time: 0.008333\n";
    for (int f = 0; f < 700; ++f) {
        for (int c = 0; c < 6 + 23 * 3; ++c) {
            lText += Number(c ? " %.4f" : "%.4f", ((f * 7 + c * 13) % 3600) * 0.1 - 180.0);
        }
        lText += '\n';
    }
    return lText;
}

struct Expected
{
    int mFilter;
    bool mReduce;
    std::uint64_t mMixed;
    std::uint64_t mChain;
};

constexpr Expected kExpected[] = {
    {KImportSettings::kRotationFilterUnroll, true, 0x55c5acfe70afd525ULL, 0x98970266283fdaa7ULL},
    {KImportSettings::kRotationFilterUnroll, false, 0x9e0faeb7d284b1a6ULL, 0x9c0913baa3d7bb11ULL},
    {KImportSettings::kRotationFilterNone, false, 0x9e0faeb7d284b1a6ULL, 0x9c0913baa3d7bb11ULL},
    {KImportSettings::kRotationFilterGimbalKiller, true, 0x38ed179aecec1663ULL,
     0x98970266283fdaa7ULL},
};

TEST(KBvhKeyGolden, EveryKeyReadIsTheSameAsBefore)
{
    const std::string lMixed = WriteTestFile("key-golden-mixed.bvh", MixedBvh());
    const std::string lChain = WriteTestFile("key-golden-chain.bvh", ChainBvh());
    for (const Expected& lCase : kExpected) {
        const std::uint64_t lMixedHash = KeyHash(lMixed, lCase.mFilter, lCase.mReduce);
        const std::uint64_t lChainHash = KeyHash(lChain, lCase.mFilter, lCase.mReduce);
        EXPECT_EQ(lMixedHash, lCase.mMixed)
            << lCase.mFilter << lCase.mReduce << " mixed 0x" << std::hex << lMixedHash;
        EXPECT_EQ(lChainHash, lCase.mChain)
            << lCase.mFilter << lCase.mReduce << " chain 0x" << std::hex << lChainHash;
    }
}

// Joints without channels, every frame line a lone word: rotation keys all the same, the first
// frame's as converted, the later ones unrolled against it.
TEST(KBvhKeyGolden, JointsWithoutChannelsReadTheSameKeysAsBefore)
{
    const std::string lPath = WriteTestFile(
        "key-golden-no-channels.bvh",
        "HIERARCHY\nROOT Hips\n{\nOFFSET 1 2 3\nCHANNELS 0\nJOINT A\n{\nOFFSET 0 1 0\n"
        "CHANNELS 0\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n}\nMOTION\nFrames: 3\n"
        "Frame Time: 0.0333333\nx\nx\nx\n");
    const std::uint64_t lHash = KeyHash(lPath, KImportSettings::kRotationFilterUnroll, true);
    EXPECT_EQ(lHash, 0x616d713990bbd579ULL) << std::hex << lHash;
}

TEST(KBvhKeyGolden, TheSampleCaptureReadsTheSameKeysAsBefore)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (!std::filesystem::exists(lSample)) {
        GTEST_SKIP() << "samples absent";
    }
    const std::uint64_t lHash = KeyHash(lSample, KImportSettings::kRotationFilterUnroll, true);
    EXPECT_EQ(lHash, 910701675000930008ULL) << std::hex << lHash;
}

} // namespace
