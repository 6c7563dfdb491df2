// Golden bytes of BVH files written from scenes whose curves are sampled between their keys:
// cubic, linear and constant keys, extrapolation on both sides, scaling (a mirror among it), a
// joint without a take of its own, values printed in the exponent form, and the six-channel and
// global-root options; and a file of many joints read and written back. The hashes were taken
// from the writer's output before it sampled its curves on its own, so any change in a number
// written shows here.

#include "formats/motion/bvh/KWriterBvh.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvSkeleton.h"

#include "BvhTestScene.h"
#include "tests/support/TestSequence.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

KTime Seconds(double pSeconds)
{
    return KTime(static_cast<std::int64_t>(pSeconds * KTime::kTicksPerSecond));
}

// Keys at pFirst, pFirst + pStep, ... seconds: value i is pBase + pSlope * i + pWave * (i % 3).
void FillCurve(KFCurve* ioCurve, int pKeys, double pFirst, double pStep, double pBase,
               double pSlope, double pWave, int pInterpolation)
{
    for (int i = 0; i < pKeys; ++i) {
        const int lIndex = ioCurve->KeyAdd(
            Seconds(pFirst + pStep * i), static_cast<float>(pBase + pSlope * i + pWave * (i % 3)));
        ioCurve->KeySetInterpolation(lIndex, pInterpolation);
    }
}

KRyvTakeNode* AnimatedTake(KRyvNode* pNode)
{
    pNode->AddTakeNode("walk");
    pNode->SetCurrentTakeNode("walk");
    return pNode->GetCurrentTakeNode();
}

// A rig node (animated, not exported) above Hips, Hips with a chain of joints below it, and a
// second branch whose joint has no take of its own.
struct SampledScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();

    SampledScene()
    {
        const int kCubic = KFCurveKey::kInterpolationCubic;
        const int kLinear = KFCurveKey::kInterpolationLinear;
        const int kConstant = KFCurveKey::kInterpolationConstant;
        KRyvNode* lRig = mFactory.CreateNode("Rig");
        mScene->GetRootNode()->AddChild(lRig);
        FillCurve(AnimatedTake(lRig)->GetTransformRY(), 4, 0.0, 0.5, 10.0, 25.0, 3.0, kCubic);
        KRyvNode* lHips = AddJoint(mFactory, lRig, "Hips", KVector4(0, 90, 0));
        KRyvTakeNode* lTake = AnimatedTake(lHips);
        FillCurve(lTake->GetTransformTX(), 7, 0.1, 0.07, 1.25e7, 3.5e5, 12.0, kCubic);
        FillCurve(lTake->GetTransformTY(), 5, 0.0, 0.1, 90.0, 0.004, 0.0, kLinear);
        FillCurve(lTake->GetTransformTZ(), 3, 0.05, 0.2, 3e-6, 1e-6, 0.0, kCubic);
        FillCurve(lTake->GetTransformRX(), 9, 0.0, 0.0625, -30.0, 17.5, 40.0, kCubic);
        FillCurve(lTake->GetTransformRY(), 4, 0.2, 0.1, 89.0, 0.5, 0.25, kConstant);
        FillCurve(lTake->GetTransformRZ(), 6, -0.1, 0.15, 170.0, 11.0, -5.0, kCubic);
        lTake->GetTransformRX()->SetPreExtrapolation(KFCurve::kExtrapolationRepetition);
        lTake->GetTransformRX()->SetPostExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
        lTake->GetTransformTX()->SetPostExtrapolation(KFCurve::kExtrapolationKeepSlope);

        KRyvNode* lSpine = AddJoint(mFactory, lHips, "Spine", KVector4(0, 10, 0.5));
        lTake = AnimatedTake(lSpine);
        FillCurve(lTake->GetTransformRX(), 12, 0.0, 1.0 / 24.0, 0.0, 0.001, 0.0005, kCubic);
        FillCurve(lTake->GetTransformRY(), 3, 0.0, 0.3, 45.0, -90.0, 0.0, kLinear);
        FillCurve(lTake->GetTransformSX(), 3, 0.0, 0.3, 1.0, 0.5, 0.0, kLinear);
        FillCurve(lTake->GetTransformSY(), 2, 0.1, 0.4, 2.0, -0.25, 0.0, kCubic);
        KRyvNode* lChest = AddJoint(mFactory, lSpine, "Chest", KVector4(0, 12, 0));
        lTake = AnimatedTake(lChest);
        FillCurve(lTake->GetTransformRZ(), 5, 0.0, 0.2, -179.9, 359.0, 0.0, kLinear);
        FillCurve(lTake->GetTransformSZ(), 2, 0.0, 1.0, -1.0, 0.0, 0.0, kConstant);
        FillCurve(lTake->GetTransformRY(), 3, 0.0, 0.25, 90.0, 0.0, 0.0, kCubic);
        AddJoint(mFactory, lChest, "Head", KVector4(0, 8, 0));
        KRyvNode* lLeg = AddJoint(mFactory, lHips, "Leg", KVector4(4, -8, 0));
        lLeg->SetLclRotation(KVector4(12.5, -7.25, 100.0));
        AddJoint(mFactory, lLeg, "Foot", KVector4(0, -20, 1));
    }
};

std::string Write(SampledScene& ioScene, int pSixChannels, int pGlobalRoot, double pRate,
                  int pFrames, const std::string& pName)
{
    KWriterBvh lWriter(&ioScene.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions(
        static_cast<KStreamOptionsMotion*>(lWriter.GetWriteOptions().release()));
    lOptions->SetOption(KWriterBvh::kOptionSixChannels, pSixChannels);
    lOptions->SetOption(KWriterBvh::kOptionGlobalRoot, pGlobalRoot);
    lOptions->SetFrameCount(pFrames);
    lOptions->SetTimeMode(0, pRate);
    lOptions->SetStart(Seconds(-0.25));
    const std::string lPath = WriteBvhFile(pName, "");
    EXPECT_TRUE(lWriter.FileCreate(lPath.c_str()) && lWriter.Write(ioScene.mScene, lOptions.get()))
        << lWriter.GetError().GetLastErrorString().Buffer();
    std::ifstream lIn(lPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

TEST(KWriterBvhSampledGolden, CurvesSampledBetweenTheirKeysWriteTheSameBytesAsBefore)
{
    struct Case
    {
        int mSixChannels;
        int mGlobalRoot;
        double mRate;
        int mFrames;
        std::uint64_t mHash;
    };
    const Case kCases[] = {
        {0, 0, 30.0, 61, 0x7075aa8657315705ULL},
        {1, 0, 24.0, 40, 0xa526460fcd9f03abULL},
        {0, 1, 100.0, 120, 0xf7db0d11fb1e8de7ULL},
        {1, 1, 29.97, 33, 0x716c75cf01ca8cc3ULL},
    };
    for (const Case& lCase : kCases) {
        SampledScene lScene;
        const std::string lText = Write(lScene, lCase.mSixChannels, lCase.mGlobalRoot, lCase.mRate,
                                        lCase.mFrames, "sampled.bvh");
        EXPECT_EQ(Fnv1a(lText), lCase.mHash)
            << std::hex << Fnv1a(lText) << std::dec << " six " << lCase.mSixChannels << " global "
            << lCase.mGlobalRoot;
    }
}

// 300 joints in chains of 25 under the root, 150 frames of values in every decade: more
// joint-frames than the writer samples ahead at once, so the frames go out in several blocks.
std::string ManyJointsBvh()
{
    constexpr int kJoints = 300;
    constexpr int kChain = 25;
    constexpr int kFrames = 150;
    std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                        "Zposition Zrotation Xrotation Yrotation\n";
    for (int j = 1; j < kJoints; ++j) {
        lText += "JOINT j" + std::to_string(j) +
                 "\n{\nOFFSET 1.5 2.25 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n";
        if (j % kChain == 0 || j == kJoints - 1) {
            lText += "End Site\n{\nOFFSET 1 0 0\n}\n";
            for (int lOpen = (j - 1) % kChain + 1; lOpen > 0; --lOpen) {
                lText += "}\n";
            }
        }
    }
    lText += "}\nMOTION\nFrames: " + std::to_string(kFrames) + "\nFrame Time: 0.04\n";
    char lValue[32];
    for (int f = 0; f < kFrames; ++f) {
        for (int c = 0; c < 6 + (kJoints - 1) * 3; ++c) {
            const double lScale = 1e-3 * static_cast<double>(1 << (c % 11));
            std::snprintf(lValue, sizeof lValue, c ? " %.5f" : "%.5f",
                          ((f * 7 + c * 13) % 3600) * 0.1 * lScale - 180.0 * lScale);
            lText += lValue;
        }
        lText += '\n';
    }
    return lText;
}

TEST(KWriterBvhSampledGolden, ManyJointsWrittenInSeveralBlocksWriteTheSameBytesAsBefore)
{
    KImportSettings::Get().Reset();
    BvhTestScene lScene;
    const std::string lInput = WriteBvhFile("many.bvh", ManyJointsBvh());
    ASSERT_TRUE(lScene.Read(lInput, 0));
    const std::string lText = lScene.WriteBack(WriteBvhFile("many-out.bvh", ""));
    ASSERT_FALSE(lText.empty());
    EXPECT_EQ(Fnv1a(lText), 0xcba5cc23d4c7c9e1ULL) << std::hex << Fnv1a(lText);
}

} // namespace
