#include "formats/motion/KMotionQuickTrig.h"
#include "tests/formats/motion/LaneWidthCases.h"

#include <gtest/gtest.h>

namespace {

using namespace LaneWidthCases;

constexpr int kLongest = 70;
const double kTurn = KMotionQuickTrig::kLargestTurn;

const Input kDegrees = {-400.0,
                        400.0,
                        {kTurn, -kTurn, std::nextafter(kTurn, 2 * kTurn), 90.0, -180.0, 270.0,
                         360.0, 45.0, 1e7, 0x1p40}};
const Input kLeg = {-3.0, 3.0, {1e-310, 1e150, 1e200, 0.0625, -0.9375}};
const Input kSine = {-1.1, 1.1, {1.0, -1.0, std::nextafter(1.0, 2.0), 0.999999, 1e-8}};

// The quick trigonometry's block forms.
std::vector<BlockCase> Cases()
{
    std::vector<BlockCase> lCases;
    lCases.push_back({"SinCos",
                      {kDegrees},
                      2,
                      kLongest,
                      [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                          KMotionQuickTrig::SinCos(pCount, pIn[0], oOut[0], oOut[1], pWidth);
                      },
                      [](const double* pIn, double* oOut) {
                          KMotionQuickTrig::SinCos(pIn[0], oOut[0], oOut[1]);
                      }});
    lCases.push_back({"Atan2",
                      {kLeg, kLeg},
                      1,
                      kLongest,
                      [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                          KMotionQuickTrig::Atan2(pCount, pIn[0], pIn[1], oOut[0], pWidth);
                      },
                      [](const double* pIn, double* oOut) {
                          oOut[0] = KMotionQuickTrig::Atan2(pIn[0], pIn[1]);
                      }});
    lCases.push_back(
        {"Asin",
         {kSine},
         1,
         kLongest,
         [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
             KMotionQuickTrig::Asin(pCount, pIn[0], oOut[0], pWidth);
         },
         [](const double* pIn, double* oOut) { oOut[0] = KMotionQuickTrig::Asin(pIn[0]); }});
    return lCases;
}

TEST(KMotionLaneWidths, BlocksGiveTheSameBitsOnBothWidths)
{
    std::uint64_t lSeed = 101;
    for (const BlockCase& lCase : Cases()) {
        ExpectSameBitsOnBothWidths(lCase, ++lSeed);
    }
}

TEST(KMotionLaneWidths, TwoLanesAnswerAsOneValue)
{
    std::uint64_t lSeed = 201;
    for (const BlockCase& lCase : Cases()) {
        ExpectTwoLanesAsOneValue(lCase, ++lSeed);
    }
}

// The two-set forms: one width's four lanes against two two-lane calls, every lane of both sets.
TEST(KMotionLaneWidths, TwoSetsGiveTheSameBitsOnBothWidths)
{
    if (!KMotionQuickTrig::HasWideLanes()) {
        GTEST_SKIP() << "the processor has no wider registers";
    }
    constexpr int kDraws = 5000;
    constexpr int kOutputs = 4;
    const BlockCase lValues = {"two sets", {kDegrees, kLeg, kLeg, kSine}, 0, 0, nullptr, nullptr};
    TestSequence lRandom(401);
    for (int d = 0; d < kDraws; ++d) {
        const auto lInputs = MakeInputs(lValues, 4, lRandom);
        KMotionLanes lSets[4][2];
        for (int n = 0; n < 4; ++n) {
            lSets[n][0] = KMotionLanes{lInputs[n][0], lInputs[n][1]};
            lSets[n][1] = KMotionLanes{lInputs[n][2], lInputs[n][3]};
        }
        KMotionLanes lResults[2][kOutputs][2];
        const KMotionLaneWidth kWidths[2] = {KMotionLaneWidth::eTwoLanes,
                                             KMotionLaneWidth::eFourLanes};
        for (int w = 0; w < 2; ++w) {
            KMotionQuickTrig::SinCos(lSets[0], lResults[w][0], lResults[w][1], kWidths[w]);
            KMotionQuickTrig::Atan2(lSets[1], lSets[2], lResults[w][2], kWidths[w]);
            KMotionQuickTrig::Asin(lSets[3], lResults[w][3], kWidths[w]);
        }
        for (int o = 0; o < kOutputs; ++o) {
            for (int i = 0; i < 4; ++i) {
                ASSERT_EQ(ComparedBits(lResults[0][o][i / 2][i % 2]),
                          ComparedBits(lResults[1][o][i / 2][i % 2]))
                    << "output " << o << ", lane " << i;
            }
        }
    }
}

} // namespace
