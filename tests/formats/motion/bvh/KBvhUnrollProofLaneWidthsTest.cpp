#include "formats/motion/bvh/KBvhUnrollProof.h"
#include "tests/formats/motion/LaneWidthCases.h"

#include <gtest/gtest.h>

namespace {

using namespace LaneWidthCases;

constexpr int kLongest = 70;

// Angles about the reference and a half turn off it, beyond what a read reaches, and at the
// largest proven magnitude; bounds of every size, none among them.
const Input kAngle = {-720.0, 720.0, {180.0, -180.0, 540.0, 359.9999999999, 0x1p40, 1e12, 90.0}};
const Input kBound = {0.0, 1e-9, {1e-300, 1e-3, 90.0, -1.0}};

// Inputs: the current angles and bound, then the previous ones. Outputs: the unrolled angles,
// their bound, the turns, and the flags (other solution, proven).
BlockCase UnrollCase()
{
    return {"Unroll",
            {kAngle, kAngle, kAngle, kBound, kAngle, kAngle, kAngle, kBound},
            9,
            kLongest,
            [](KMotionLaneWidth pWidth, int pCount, const auto& pIn, const auto& oOut) {
                const KBvhUnrollProof::Block lCurrent = {{pIn[0], pIn[1], pIn[2]}, pIn[3]};
                const KBvhUnrollProof::Block lPrevious = {{pIn[4], pIn[5], pIn[6]}, pIn[7]};
                Flags lOther(pCount);
                Flags lProven(pCount);
                const KBvhUnrollProof::Result lResult = {{oOut[0], oOut[1], oOut[2]},
                                                         oOut[3],
                                                         {oOut[4], oOut[5], oOut[6]},
                                                         lOther.Data(),
                                                         lProven.Data()};
                KBvhUnrollProof::Unroll(pCount, lCurrent, lPrevious, lResult, pWidth);
                lOther.CopyTo(oOut[7]);
                lProven.CopyTo(oOut[8]);
            },
            [](const double* pIn, double* oOut) {
                const KBvhUnrollProof::Angles lCurrent = {{pIn[0], pIn[1], pIn[2]}, pIn[3]};
                const KBvhUnrollProof::Angles lPrevious = {{pIn[4], pIn[5], pIn[6]}, pIn[7]};
                KBvhUnrollProof::Angles lUnrolled;
                KBvhUnrollProof::Decisions lDecisions;
                const bool lProven =
                    KBvhUnrollProof::Unroll(lCurrent, lPrevious, lUnrolled, lDecisions);
                for (int a = 0; a < 3; ++a) {
                    oOut[a] = lUnrolled.mValue[a];
                    oOut[4 + a] = lDecisions.mTurns[a];
                }
                oOut[3] = lUnrolled.mBound;
                oOut[7] = lDecisions.mOther ? 1.0 : 0.0;
                oOut[8] = lProven ? 1.0 : 0.0;
            }};
}

TEST(KBvhUnrollProofLaneWidths, BlocksGiveTheSameBitsOnBothWidths)
{
    ExpectSameBitsOnBothWidths(UnrollCase(), 501);
}

TEST(KBvhUnrollProofLaneWidths, TwoLanesAnswerAsOneJoint)
{
    ExpectTwoLanesAsOneValue(UnrollCase(), 502);
}

} // namespace
