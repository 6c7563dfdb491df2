// The unroll proof against hostile cases: the quick values pushed to the very ends of their
// bounds (every corner), references far out where roundings grow, counts of turns and the two
// solutions' distances a hair from their flips, bounds of none to large. A proven unroll must be
// the library's, bit for bit after Replay, and within its bound before.

#include "formats/motion/bvh/KBvhUnrollProof.h"

#include "animation/KEulerUnroll.h"

#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using Angles = KBvhUnrollProof::Angles;
using Decisions = KBvhUnrollProof::Decisions;

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// How the library's reference relates to its angles.
enum EShape { eNear, eHalfTurn, eSolutionsTie, eNoTurnBelow, eFarTurns, eShapeCount };

struct Hostile
{
    double mAngles[3];
    double mPrevious[3];
};

double Hair(TestSequence& ioRandom)
{
    const double lHair = std::pow(10.0, ioRandom.Between(-15.0, -7.0));
    return ioRandom.Next() % 2 ? lHair : -lHair;
}

// Angles as AxesToEulerXYZ gives them, now and then on the edges of their ranges.
double LibraryAngle(int pAxis, TestSequence& ioRandom)
{
    const double lEdges[] = {180.0, -180.0, 90.0, -90.0, 0.0, -0.0};
    if (ioRandom.Next() % 8 == 0) {
        const double lEdge = lEdges[ioRandom.Next() % 6];
        return pAxis == 1 ? lEdge / 2.0 : lEdge;
    }
    return pAxis == 1 ? ioRandom.Between(-90.0, 90.0) : ioRandom.Between(-180.0, 180.0);
}

Hostile MakeHostile(EShape pShape, TestSequence& ioRandom)
{
    // References a read reaches after many frames of a joint that keeps turning.
    const double lScales[] = {0.0, 1e3, 1e5, 1e7, 1e9, 1e11};
    const double lFar = lScales[ioRandom.Next() % 6];
    Hostile lCase;
    for (int i = 0; i < 3; ++i) {
        lCase.mAngles[i] = LibraryAngle(i, ioRandom);
        const double lTurns = std::nearbyint(ioRandom.Between(-lFar, lFar) / 360.0);
        const double lBase = lCase.mAngles[i] + 360.0 * lTurns;
        switch (pShape) {
        case eNear:
            lCase.mPrevious[i] = lBase + ioRandom.Between(-20.0, 20.0);
            break;
        case eHalfTurn:
            lCase.mPrevious[i] = lBase + (ioRandom.Next() % 2 ? 180.0 : -180.0) +
                                 (ioRandom.Next() % 4 == 0 ? 0.0 : Hair(ioRandom) * (1.0 + lFar));
            break;
        case eSolutionsTie:
            // Halfway between the plain solution and the other one on every angle: their sums
            // of distances a hair apart, or equal.
            lCase.mPrevious[i] = lBase + (i == 1 ? 90.0 - lCase.mAngles[i] : 90.0) +
                                 (ioRandom.Next() % 3 == 0 ? 0.0 : Hair(ioRandom));
            break;
        case eNoTurnBelow:
            // Where WrapNear changes from its near form to its far one.
            lCase.mPrevious[i] = lBase + (ioRandom.Next() % 2 ? 1.0 : -1.0) *
                                             (KEulerUnroll::kNoTurnBelow +
                                              (ioRandom.Next() % 3 == 0 ? 0.0 : Hair(ioRandom)));
            break;
        default:
            lCase.mPrevious[i] = lBase + ioRandom.Between(-180.0, 180.0);
            break;
        }
    }
    return lCase;
}

struct Counts
{
    long long mCases = 0;
    long long mProven = 0;
};

// Every corner of the noise (each value at plus or minus its bound) and no noise at all.
void ExpectProvenAreTheLibrarys(const Hostile& pCase, double pBound, double pPreviousBound,
                                Counts& ioCounts)
{
    double lExpected[3] = {pCase.mAngles[0], pCase.mAngles[1], pCase.mAngles[2]};
    KEulerUnroll::UnrollFiniteXYZ(lExpected, pCase.mPrevious);
    for (int lCorner = 0; lCorner <= 64; ++lCorner) {
        Angles lCurrent;
        Angles lPrevious;
        for (int i = 0; i < 3; ++i) {
            const double lSign = (lCorner >> i) & 1 ? 1.0 : -1.0;
            const double lPreviousSign = (lCorner >> (3 + i)) & 1 ? 1.0 : -1.0;
            const bool lExact = lCorner == 64;
            lCurrent.mValue[i] = pCase.mAngles[i] + (lExact ? 0.0 : lSign * pBound);
            lPrevious.mValue[i] =
                pCase.mPrevious[i] + (lExact ? 0.0 : lPreviousSign * pPreviousBound);
        }
        lCurrent.mBound = pBound;
        lPrevious.mBound = pPreviousBound;
        Angles lUnrolled;
        Decisions lDecisions;
        ++ioCounts.mCases;
        if (!KBvhUnrollProof::Unroll(lCurrent, lPrevious, lUnrolled, lDecisions)) {
            continue;
        }
        ++ioCounts.mProven;
        double lReplayed[3];
        KBvhUnrollProof::Replay(pCase.mAngles, lDecisions, lReplayed);
        for (int i = 0; i < 3; ++i) {
            // A zero may come back with the other sign (Replay says so).
            const bool lSame = SameBits(lReplayed[i], lExpected[i]) ||
                               (lReplayed[i] == 0.0 && lExpected[i] == 0.0);
            ASSERT_TRUE(lSame) << "angle " << i << ": replayed " << lReplayed[i] << ", library "
                               << lExpected[i] << " (corner " << lCorner << ")";
            ASSERT_LE(std::fabs(lUnrolled.mValue[i] - lExpected[i]), lUnrolled.mBound)
                << "angle " << i << " (corner " << lCorner << ")";
        }
    }
}

TEST(KBvhUnrollProofHostile, ProvenDecisionsAtTheEndsOfTheBoundsAreTheLibrarys)
{
    const char* lText = std::getenv("RYV_QUICK_ANGLE_ROUNDS");
    const int lRounds = lText != nullptr && std::atoi(lText) > 0 ? std::atoi(lText) : 1;
    const double lBounds[] = {0.0, 5e-324, 1e-300, 1e-15, 1e-12, 1e-9, 1e-5};
    TestSequence lRandom(25);
    Counts lCounts;
    for (int r = 0; r < 600 * lRounds; ++r) {
        const EShape lShape = static_cast<EShape>(r % eShapeCount);
        const Hostile lCase = MakeHostile(lShape, lRandom);
        const double lBound = lBounds[lRandom.Next() % 7];
        const double lPreviousBound = lBounds[lRandom.Next() % 7];
        ExpectProvenAreTheLibrarys(lCase, lBound, lPreviousBound, lCounts);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "case " << r << " shape " << lShape << " bounds " << lBound << ", "
                          << lPreviousBound;
            return;
        }
    }
    // The easy shapes are proven mostly: the test is not vacuous.
    EXPECT_GT(lCounts.mProven * 4, lCounts.mCases);
}

} // namespace
