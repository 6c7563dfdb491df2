#include "formats/motion/bvh/KBvhUnrollProof.h"

#include "animation/KEulerUnroll.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

using Angles = KBvhUnrollProof::Angles;
using Decisions = KBvhUnrollProof::Decisions;

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// The library's unroll of pAngles against pPrevious.
void LibraryUnroll(const double pAngles[3], const double pPrevious[3], double oUnrolled[3])
{
    for (int i = 0; i < 3; ++i) {
        oUnrolled[i] = pAngles[i];
    }
    KEulerUnroll::UnrollFiniteXYZ(oUnrolled, pPrevious);
}

// Library angles, a previous unrolled state and the noise a quick path adds to both.
struct Case
{
    double mAngles[3];
    double mPrevious[3];
};

// What the proof answered over many cases drawn by pDraw, each with noise within pBound on the
// angles and pPreviousBound on the state: every proven case must be the library's, bit for bit
// after Replay and within the bound before.
template <typename Draw>
int CountProven(Draw pDraw, int pCases, double pBound, double pPreviousBound)
{
    std::mt19937_64 lRandom(36);
    std::uniform_real_distribution<double> lNoise(-1.0, 1.0);
    int lProven = 0;
    for (int n = 0; n < pCases; ++n) {
        const Case lCase = pDraw(lRandom);
        double lExpected[3];
        LibraryUnroll(lCase.mAngles, lCase.mPrevious, lExpected);
        Angles lCurrent;
        Angles lPrevious;
        for (int i = 0; i < 3; ++i) {
            lCurrent.mValue[i] = lCase.mAngles[i] + pBound * lNoise(lRandom);
            lPrevious.mValue[i] = lCase.mPrevious[i] + pPreviousBound * lNoise(lRandom);
        }
        lCurrent.mBound = pBound;
        lPrevious.mBound = pPreviousBound;
        Angles lUnrolled;
        Decisions lDecisions;
        if (!KBvhUnrollProof::Unroll(lCurrent, lPrevious, lUnrolled, lDecisions)) {
            continue;
        }
        ++lProven;
        double lReplayed[3];
        KBvhUnrollProof::Replay(lCase.mAngles, lDecisions, lReplayed);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(SameBits(lReplayed[i], lExpected[i]))
                << n << " " << i << ": " << lReplayed[i] << " " << lExpected[i];
            EXPECT_LE(std::fabs(lUnrolled.mValue[i] - lExpected[i]), lUnrolled.mBound) << n;
        }
    }
    return lProven;
}

// Library angles as AxesToEulerXYZ gives them: X and Z within half a turn, Y within a quarter.
Case Drawn(std::mt19937_64& ioRandom, double pStep)
{
    std::uniform_real_distribution<double> lHalf(-180.0, 180.0);
    std::uniform_real_distribution<double> lStep(-pStep, pStep);
    std::uniform_int_distribution<int> lTurns(-3, 3);
    Case lCase;
    for (int i = 0; i < 3; ++i) {
        lCase.mAngles[i] = i == 1 ? lHalf(ioRandom) / 2.0 : lHalf(ioRandom);
        lCase.mPrevious[i] = lCase.mAngles[i] + lStep(ioRandom) + 360.0 * lTurns(ioRandom);
    }
    return lCase;
}

TEST(KBvhUnrollProof, HandWorkedTurnsAndOtherSolution)
{
    struct Row
    {
        Case mCase;
        bool mOther;
        double mTurns[3];
        double mUnrolled[3];
    };
    const Row kRows[] = {
        {{{10.0, 20.0, 30.0}, {370.0, 20.5, -330.0}},
         false,
         {1.0, 0.0, -1.0},
         {370.0, 20.0, -330.0}},
        // The other solution of (10, 80, 30), (190, 100, 210), is nearer to (-170, 101, -150).
        {{{10.0, 80.0, 30.0}, {-170.0, 101.0, -150.0}},
         true,
         {-1.0, 0.0, -1.0},
         {-170.0, 100.0, -150.0}},
    };
    for (const Row& lRow : kRows) {
        Angles lCurrent;
        Angles lPrevious;
        for (int i = 0; i < 3; ++i) {
            lCurrent.mValue[i] = lRow.mCase.mAngles[i];
            lPrevious.mValue[i] = lRow.mCase.mPrevious[i];
        }
        lCurrent.mBound = 1e-12;
        lPrevious.mBound = 1e-12;
        Angles lUnrolled;
        Decisions lDecisions;
        ASSERT_TRUE(KBvhUnrollProof::Unroll(lCurrent, lPrevious, lUnrolled, lDecisions));
        EXPECT_EQ(lDecisions.mOther, lRow.mOther);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(lDecisions.mTurns[i], lRow.mTurns[i]) << i;
            EXPECT_EQ(lUnrolled.mValue[i], lRow.mUnrolled[i]) << i;
            EXPECT_GT(lUnrolled.mBound, 1e-12);
            EXPECT_LT(lUnrolled.mBound, 1e-10);
        }
    }
}

TEST(KBvhUnrollProof, ProvenUnrollsAreTheLibrarys)
{
    // Smooth motion: nearly everything proven, with exact angles and with quick ones.
    const auto lSmooth = [](std::mt19937_64& ioRandom) { return Drawn(ioRandom, 5.0); };
    EXPECT_GT(CountProven(lSmooth, 20000, 0.0, 0.0), 19990);
    EXPECT_GT(CountProven(lSmooth, 20000, 1e-11, 3e-11), 19990);
    // Jumps of about half a turn on X, where its count of turns flips: proven where the jump is
    // farther from the half turn than the bounds, never wrongly.
    for (const double lNearHalf : {1e-11, 1e-6}) {
        const auto lJumps = [lNearHalf](std::mt19937_64& ioRandom) {
            std::uniform_real_distribution<double> lNear(-lNearHalf, lNearHalf);
            Case lCase = Drawn(ioRandom, 0.0);
            lCase.mPrevious[0] = lCase.mAngles[0] + 180.0 + lNear(ioRandom);
            return lCase;
        };
        const int lProven = CountProven(lJumps, 20000, 1e-11, 1e-11);
        if (lNearHalf < 1e-10) {
            EXPECT_LT(lProven, 1000);
        } else {
            EXPECT_GT(lProven, 19000);
        }
    }
    // A previous state the same as the angles (a joint that did not move): the other solution's
    // counts sit on a half turn, which must not stop the plain one.
    const auto lStill = [](std::mt19937_64& ioRandom) {
        Case lCase = Drawn(ioRandom, 0.0);
        for (int i = 0; i < 3; ++i) {
            lCase.mPrevious[i] = lCase.mAngles[i];
        }
        return lCase;
    };
    EXPECT_EQ(CountProven(lStill, 5000, 1e-11, 1e-11), 5000);
    // Near gimbal lock (Y of +-90) the two solutions lie equally far: no proof either way.
    const auto lGimbal = [](std::mt19937_64& ioRandom) {
        std::uniform_real_distribution<double> lNear(-1e-12, 1e-12);
        Case lCase = Drawn(ioRandom, 0.0);
        lCase.mAngles[1] = 90.0 + lNear(ioRandom);
        for (int i = 0; i < 3; ++i) {
            lCase.mPrevious[i] = i == 1 ? 90.0 : lCase.mAngles[i] + 90.0;
        }
        return lCase;
    };
    EXPECT_EQ(CountProven(lGimbal, 2000, 1e-11, 1e-11), 0);
}

// Bounds that are not finite, and angles no read reaches, where the turn counts would no longer
// be whole numbers: no proof, on either side.
TEST(KBvhUnrollProof, NoProofWithoutAFiniteBoundOrBeyondAnyRead)
{
    Angles lUnrolled;
    Decisions lDecisions;
    for (const double lBad : {HUGE_VAL, std::nan("")}) {
        for (int lSide = 0; lSide < 2; ++lSide) {
            Angles lAngles[2];
            lAngles[lSide].mBound = lBad;
            EXPECT_FALSE(KBvhUnrollProof::Unroll(lAngles[0], lAngles[1], lUnrolled, lDecisions));
        }
    }
    for (int lSide = 0; lSide < 2; ++lSide) {
        Angles lAngles[2];
        EXPECT_TRUE(KBvhUnrollProof::Unroll(lAngles[0], lAngles[1], lUnrolled, lDecisions));
        lAngles[lSide].mValue[lSide] = 0x1p53;
        EXPECT_FALSE(KBvhUnrollProof::Unroll(lAngles[0], lAngles[1], lUnrolled, lDecisions));
    }
}

} // namespace
