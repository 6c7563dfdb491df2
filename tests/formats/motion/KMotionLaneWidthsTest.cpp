#include "formats/motion/KMotionQuickEuler.h"
#include "formats/motion/KMotionQuickTrig.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "tests/formats/motion/LaneWidthCases.h"

#include <gtest/gtest.h>

namespace {

using namespace LaneWidthCases;

constexpr int kLongest = 70;
constexpr int kEulerLongest = KMotionQuickEuler::kMaxCount;
const double kTurn = KMotionQuickTrig::kLargestTurn;

const Input kDegrees = {-400.0,
                        400.0,
                        {kTurn, -kTurn, std::nextafter(kTurn, 2 * kTurn), 90.0, -180.0, 270.0,
                         360.0, 45.0, 1e7, 0x1p40}};
const Input kLeg = {-3.0, 3.0, {1e-310, 1e150, 1e200, 0.0625, -0.9375}};
const Input kSine = {-1.1, 1.1, {1.0, -1.0, std::nextafter(1.0, 2.0), 0.999999, 1e-8}};
const Input kEntry = {-1.0, 1.0, {0.999999, -0.999999, 1e150, 1e-150, 0.7071067811865476}};
const Input kValue = {
    -400.0, 400.0, {1.0 + 0x1p-24, 3.4028234663852886e38, 3.4028235677973366e38, 1.4e-45, 0x1p128}};
const Input kBound = {0.0, 1e-6, {1e-12, 0x1p-25, 1e31, -1e-30}};

double Bool(bool pValue)
{
    return pValue ? 1.0 : 0.0;
}

// The quick trigonometry's block and two-set forms, and the quick Euler blocks made of them.
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
    lCases.push_back({"QuickEulerSinCos",
                      {kDegrees},
                      3,
                      kEulerLongest,
                      [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                          Flags lOutside(pCount);
                          KMotionQuickEuler::SinCos(pCount, pIn[0], oOut[0], oOut[1],
                                                    lOutside.Data(), pWidth);
                          lOutside.CopyTo(oOut[2]);
                      },
                      [](const double* pIn, double* oOut) {
                          KMotionQuickTrig::SinCos(pIn[0], oOut[0], oOut[1]);
                          oOut[2] = Bool(!(std::fabs(pIn[0]) <= kTurn));
                      }});
    lCases.push_back({"QuickEulerSinCosOfThree",
                      {kDegrees, kDegrees, kDegrees},
                      7,
                      kEulerLongest,
                      [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                          const double* const lDegrees[3] = {pIn[0], pIn[1], pIn[2]};
                          double* const lSines[3] = {oOut[0], oOut[1], oOut[2]};
                          double* const lCosines[3] = {oOut[3], oOut[4], oOut[5]};
                          Flags lOutside(pCount);
                          KMotionQuickEuler::SinCos(pCount, lDegrees, lSines, lCosines,
                                                    lOutside.Data(), pWidth);
                          lOutside.CopyTo(oOut[6]);
                      },
                      [](const double* pIn, double* oOut) {
                          bool lOutside = false;
                          for (int a = 0; a < 3; ++a) {
                              KMotionQuickTrig::SinCos(pIn[a], oOut[a], oOut[3 + a]);
                              lOutside = lOutside || !(std::fabs(pIn[a]) <= kTurn);
                          }
                          oOut[6] = Bool(lOutside);
                      }});
    lCases.push_back({"SameFloat",
                      {kValue, kBound},
                      1,
                      kEulerLongest,
                      [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                          Flags lSame(pCount);
                          KMotionQuickEuler::SameFloat(pCount, pIn[0], pIn[1], lSame.Data(),
                                                       pWidth);
                          lSame.CopyTo(oOut[0]);
                      },
                      [](const double* pIn, double* oOut) {
                          oOut[0] = Bool(KMotionQuickEuler::SameFloat(pIn[0], pIn[1]));
                      }});
    return lCases;
}

// AxesToEulerXYZ from seven entry arrays (row 0, row 1, z2) with an entry error; four outputs
// (three angles and the bound). It has no one-value form.
BlockCase AxesCase(const std::string& pName, double pEntryError)
{
    return {pName,
            {kEntry, kEntry, kEntry, kEntry, kEntry, kEntry, kEntry},
            4,
            kEulerLongest,
            [pEntryError](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                const double* const lRow0[3] = {pIn[0], pIn[1], pIn[2]};
                const double* const lRow1[3] = {pIn[3], pIn[4], pIn[5]};
                double* const lAngles[3] = {oOut[0], oOut[1], oOut[2]};
                KMotionQuickEuler::AxesToEulerXYZ(pCount, lRow0, lRow1, pIn[6], pEntryError,
                                                  lAngles, oOut[3], pWidth);
            },
            nullptr};
}

// SinCosToRows for one order of the axes and one listing, from the sines (inputs 0..2) and
// cosines (3..5): rows 0 and 1 and element (2, 2) out. Its block goes two joints at a time in
// lanes and the odd one alone; the one-value form is a block of one.
BlockCase RowsCase(const int pAxes[3], KMotionRotationOrder::EListing pListing)
{
    const std::vector<int> lAxes(pAxes, pAxes + 3);
    const auto lRows = [lAxes, pListing](int pCount, const double* const* pIn,
                                         double* const* oOut) {
        const double* const lSines[3] = {pIn[0], pIn[1], pIn[2]};
        const double* const lCosines[3] = {pIn[3], pIn[4], pIn[5]};
        double* const lRow0[3] = {oOut[0], oOut[1], oOut[2]};
        double* const lRow1[3] = {oOut[3], oOut[4], oOut[5]};
        ASSERT_TRUE(KMotionRotationOrder::SinCosToRows(pCount, lAxes.data(), pListing, lSines,
                                                       lCosines, lRow0, lRow1, oOut[6]));
    };
    return {"SinCosToRows " + std::to_string(pAxes[0]) + std::to_string(pAxes[1]) +
                std::to_string(pAxes[2]) + " listing " + std::to_string(pListing),
            {kSine, kSine, kSine, kSine, kSine, kSine},
            7,
            kLongest,
            [lRows](KMotionLaneWidth, int pCount, const auto& pIn, const auto& oOut) {
                lRows(pCount, pIn.data(), oOut.data());
            },
            [lRows](const double* pIn, double* oOut) {
                const double* const lIn[6] = {pIn, pIn + 1, pIn + 2, pIn + 3, pIn + 4, pIn + 5};
                double* const lOut[7] = {oOut,     oOut + 1, oOut + 2, oOut + 3,
                                         oOut + 4, oOut + 5, oOut + 6};
                lRows(1, lIn, lOut);
            }};
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

// Every order of three distinct axes, in both listings.
TEST(KMotionLaneWidths, RowsInLanesAnswerAsOneJoint)
{
    const int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    std::uint64_t lSeed = 251;
    for (const auto& lOrder : kOrders) {
        for (const auto lListing :
             {KMotionRotationOrder::eFirstOutermost, KMotionRotationOrder::eFirstAppliedFirst}) {
            ExpectTwoLanesAsOneValue(RowsCase(lOrder, lListing), ++lSeed);
        }
    }
}

// Entry errors that give bounds, none (negative, NaN) and the largest taken.
TEST(KMotionLaneWidths, EulerAnglesAndBoundsGiveTheSameBitsOnBothWidths)
{
    const double kErrors[] = {0.0, 1e-14, 1e-6, -1e-14, kNaN, 1e150, kInfinity};
    std::uint64_t lSeed = 301;
    for (double lError : kErrors) {
        ExpectSameBitsOnBothWidths(AxesCase("AxesToEulerXYZ " + std::to_string(lError), lError),
                                   ++lSeed);
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
