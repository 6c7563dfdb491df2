// The frame lines the BVH writer prints with the global-root option (and six channels or three),
// checked against the plain way of working them out: each joint's matrix taken from the node, its
// channel angles from the motion helpers, rounded as a group, every value printed as "%g " prints
// it. The root's matrix is the product of a chain of scaled and turned nodes above it, whose
// scalings reach far below and above one: rows of extreme and uneven lengths (one whose squared
// length lies below the doubles), and nearly flat matrices.

#include "formats/motion/bvh/KWriterBvh.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "scene/KRyvSkeleton.h"

#include "BvhTestScene.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 40;
constexpr double kRate = 30.0;

class Lcg
{
public:
    explicit Lcg(std::uint64_t pSeed) : mState(pSeed) {}

    double Between(double pLow, double pHigh)
    {
        mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
        return pLow + (pHigh - pLow) * static_cast<double>(mState >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t mState;
};

KTime FrameTime(int pFrame)
{
    return KTime(static_cast<std::int64_t>(pFrame * KTime::kTicksPerSecond / kRate));
}

// A value as the writer prints it: "%g", a zero without its sign, and a blank.
void AppendValue(std::string& ioLine, double pValue)
{
    KMotionNumber::AppendGeneral(ioLine, pValue == 0.0 ? 0.0 : pValue);
    ioLine += ' ';
}

// The six values of every joint at pTime, the plain way: each joint's translation moves (its X
// keyed at random), so each lists its position with three channels or six.
std::string ExpectedLine(const std::vector<KRyvNode*>& pJoints, KTime pTime)
{
    const int kAxes[3] = {KMotionRotationOrder::eAxisZ, KMotionRotationOrder::eAxisX,
                          KMotionRotationOrder::eAxisY};
    std::string lLine;
    for (KRyvNode* lNode : pJoints) {
        const bool lIsRoot = lNode == pJoints.front();
        const KMatrix lMatrix =
            lIsRoot ? lNode->GetGlobalMatrixAtTime(pTime) : lNode->GetLocalMatrixAtTime(pTime);
        for (int i = 0; i < 3; ++i) {
            AppendValue(lLine, lMatrix[3][i]);
        }
        KMatrix lRotation;
        MatrixRemoveScale(lRotation, lMatrix);
        double lAngles[3] = {0.0, 0.0, 0.0};
        KMotionRotationOrder::MatrixToAngles(lAngles, lRotation, kAxes,
                                             KMotionRotationOrder::eFirstOutermost);
        KMotionPrintPrecision::RoundToLargest(lAngles, 3);
        for (const double lAngle : lAngles) {
            AppendValue(lLine, lAngle);
        }
    }
    return lLine + '\n';
}

KRyvTakeNode* AnimatedTake(KRyvNode* pNode)
{
    pNode->AddTakeNode("take");
    pNode->SetCurrentTakeNode("take");
    return pNode->GetCurrentTakeNode();
}

// A curve with keys on some frames and between others, or a constant value when pKeys is 0.
void FillCurve(KFCurve* ioCurve, Lcg& ioRandom, int pKeys, double pLow, double pHigh)
{
    if (pKeys == 0) {
        ioCurve->SetDefaultValue(static_cast<float>(ioRandom.Between(pLow, pHigh)));
        return;
    }
    for (int i = 0; i < pKeys; ++i) {
        const double lFrame = i * static_cast<double>(kFrames) / pKeys + (i % 2) * 0.37;
        ioCurve->KeyAdd(KTime(static_cast<std::int64_t>(lFrame * KTime::kTicksPerSecond / kRate)),
                        static_cast<float>(ioRandom.Between(pLow, pHigh)));
    }
}

// A scaling of either sign, from 1e-40 to 1e38 when pFar, else near one.
double Scaling(Lcg& ioRandom, bool pFar)
{
    const double lSign = ioRandom.Between(-1, 1) < 0 ? -1.0 : 1.0;
    return lSign * (pFar ? std::pow(10.0, ioRandom.Between(-40, 38)) : ioRandom.Between(0.5, 2));
}

// Nodes above the root (unturned, each scaling X by pTinyX and Y by 1e10, or else turned and
// scaled at random) and a chain of joints below it; answers the joints in the order of the frame
// values.
std::vector<KRyvNode*> BuildScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                                  std::uint64_t pSeed, bool pTiny)
{
    Lcg lRandom(pSeed);
    KRyvNode* lParent = ioScene.GetRootNode();
    for (int i = 0; i < 5; ++i) {
        KRyvNode* lRig = ioFactory.CreateNode(("Rig" + std::to_string(i)).c_str());
        lParent->AddChild(lRig);
        KRyvTakeNode* lTake = AnimatedTake(lRig);
        if (pTiny) {
            lTake->GetTransformSX()->SetDefaultValue(1e-40f);
            lTake->GetTransformSY()->SetDefaultValue(1e10f);
        } else {
            KFCurve* const lTurns[3] = {lTake->GetTransformRX(), lTake->GetTransformRY(),
                                        lTake->GetTransformRZ()};
            KFCurve* const lScales[3] = {lTake->GetTransformSX(), lTake->GetTransformSY(),
                                         lTake->GetTransformSZ()};
            for (int a = 0; a < 3; ++a) {
                FillCurve(lTurns[a], lRandom, pSeed % 3 == 0 ? 0 : 3, -180, 180);
                lScales[a]->SetDefaultValue(
                    static_cast<float>(Scaling(lRandom, (pSeed + i + a) % 2 == 0)));
            }
        }
        lParent = lRig;
    }
    std::vector<KRyvNode*> lJoints;
    for (int j = 0; j < 4; ++j) {
        KRyvNode* lJoint = ioFactory.CreateNode(("Joint" + std::to_string(j)).c_str());
        KRyvSkeleton* lSkeleton = ioFactory.CreateSkeleton();
        lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
        lJoint->SetNodeAttribute(lSkeleton);
        lJoint->SetMarked(true);
        lParent->AddChild(lJoint);
        KRyvTakeNode* lTake = AnimatedTake(lJoint);
        FillCurve(lTake->GetTransformTX(), lRandom, 7, -50, 50);
        FillCurve(lTake->GetTransformTY(), lRandom, 1, -1e6, 1e6);
        // The root turns about X only now and then: zeros in its rows beside the tiny ones.
        const bool lAboutX = j == 0 && pSeed % 2 == 0;
        FillCurve(lTake->GetTransformRX(), lRandom, 9, -400, 400);
        FillCurve(lTake->GetTransformRY(), lRandom, lAboutX ? 1 : 5, lAboutX ? 0 : -95,
                  lAboutX ? 0 : 95);
        FillCurve(lTake->GetTransformRZ(), lRandom, lAboutX ? 1 : 4, lAboutX ? 0 : -200,
                  lAboutX ? 0 : 200);
        FillCurve(lTake->GetTransformSZ(), lRandom, 3, 0.25, 4);
        lJoints.push_back(lJoint);
        lParent = lJoint;
    }
    return lJoints;
}

// The lines after "Frame Time:".
std::vector<std::string> FrameLines(const std::string& pText)
{
    std::vector<std::string> lLines;
    std::size_t lAt = pText.find("Frame Time:");
    lAt = lAt == std::string::npos ? pText.size() : pText.find('\n', lAt) + 1;
    while (lAt < pText.size()) {
        const std::size_t lEnd = pText.find('\n', lAt);
        lLines.push_back(pText.substr(lAt, lEnd - lAt + 1));
        lAt = lEnd == std::string::npos ? pText.size() : lEnd + 1;
    }
    return lLines;
}

TEST(KWriterBvhGlobalRoot, FrameLinesAreThePlainWays)
{
    for (std::uint64_t lSeed = 1; lSeed <= 24; ++lSeed) {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        const std::vector<KRyvNode*> lJoints = BuildScene(lFactory, *lScene, lSeed, lSeed % 4 < 2);
        KWriterBvh lWriter(&lFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions(
            static_cast<KStreamOptionsMotion*>(lWriter.GetWriteOptions().release()));
        const bool lSix = lSeed % 3 == 0;
        lOptions->SetOption(KWriterBvh::kOptionGlobalRoot, 1);
        lOptions->SetOption(KWriterBvh::kOptionSixChannels, lSix ? 1 : 0);
        lOptions->SetFrameCount(kFrames);
        lOptions->SetTimeMode(0, kRate);
        lOptions->SetStart(FrameTime(-3));
        const std::string lPath = WriteBvhFile("global" + std::to_string(lSeed) + ".bvh", "");
        ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()) && lWriter.Write(lScene, lOptions.get()))
            << lWriter.GetError().GetLastErrorString().Buffer();
        std::ifstream lIn(lPath, std::ios::binary);
        const std::vector<std::string> lLines = FrameLines(
            std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>()));
        ASSERT_EQ(lLines.size(), static_cast<std::size_t>(kFrames)) << lSeed;
        KTime lTime = lOptions->GetStart();
        for (int f = 0; f < kFrames; ++f) {
            ASSERT_EQ(lLines[static_cast<std::size_t>(f)], ExpectedLine(lJoints, lTime))
                << "seed " << lSeed << " frame " << f;
            lTime += lOptions->GetFramePeriod();
        }
    }
}

} // namespace
