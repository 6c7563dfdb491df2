#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionQuickTrig.h"
#include "formats/motion/KMotionRotationOrder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The header's rotation channels as axes of KMotionRotationOrder, listed outermost first.
const int kChannelAxes[3] = {KMotionRotationOrder::eAxisZ, KMotionRotationOrder::eAxisX,
                             KMotionRotationOrder::eAxisY};

// EulerToMatrixOrdered's row for those channels turns Y, then X, then Z (axes i, j, k), and its
// formulas give the angles negated (an odd axis triple): what the quick way is written for.
constexpr int kQuickOrderedIndex = 6;
constexpr int kAxisI = 1;
constexpr int kAxisJ = 0;
constexpr int kAxisK = 2;
constexpr double kToDegrees = -(180.0 / 3.14159265358979323846);
// What the quick way allows for. From the library's own matrix, the quick angles and the
// library's both lie within about 1e-13 degrees of the angle of the exact matrix (the arc
// tangents' arguments differ by a few units in their last place, the arc tangents by less than
// 2e-15 radians); a zero y is the same zero for both. From a matrix of quick sines and cosines
// (entries within 1e-14 of the library's), the angles may differ by up to 1e-14 / cos of the
// middle turn radians, kept below 2e-11 degrees by the bound on that cosine.
struct Tolerance
{
    // Degrees.
    double mAngle;
    // Squared, over the squared length of the middle turn's row.
    double mCosine2;
    // The least |y| / |x| of an arc tangent of negative x: below it the signs of y may differ
    // and the angle be a half turn off.
    double mCut;
    bool mZerosAreExact;
};
constexpr Tolerance kFromMatrix = {1e-11, 1e-12, 0.0, true};
constexpr Tolerance kFromPose = {1e-9, 2.5e-3, 1e-12, false};
// The relative rounding of a product or quotient, with room to spare.
constexpr double kRelativeMargin = 1e-15;
// Quick only for a matrix well away from a mirror of zero volume (its scales' signs are sure)
// and from gimbal lock (the library's other formulas): squared ratios.
constexpr double kQuickVolume = 1e-12;
// Scalings (in magnitude) from this to its inverse: their rows' lengths neither overflow nor
// lose digits below the normal doubles.
constexpr double kLeastScale = 1e-100;
// Squared row lengths of a matrix (in magnitude) from this to its inverse: the volume test's
// product neither underflows nor overflows, whatever the order of its factors, and no argument
// of the arc tangents is made of digits lost below the normal doubles.
constexpr double kLeastLength2 = 1e-80;
// Arguments below the normal doubles have lost digits (and two zeros have no arc tangent).
constexpr double kLeastNormal = std::numeric_limits<double>::min();

// 10^0 to 10^22, the doubles the rounding scales by.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kPrinted = KMotionPrintPrecision::kPrintedDigits;
// Where the largest angle must lie for the quick way: 1e-4 to 1e15 degrees, the starts of its
// decades as the nearest doubles.
constexpr int kLowestDecade = -4;
constexpr int kHighestDecade = 14;
constexpr double kDecadeStarts[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4, 1e5,
                                    1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14};
// Scaled angles stay below this (six digits and the margins), so the conversion is exact.
constexpr double kLargestScaled = 1e9;
using Bits = KMotionLaneBits;

// The decade of a largest angle from its binary exponent: a factor of two holds at most one start
// of a decade, so the decade of the exponent's power of two is the angle's, or the one after.
// Binary exponents from kLeastBinary on (below 1e-4) are indexed, kBinaryCount of them (past
// 1e15).
constexpr int kLeastBinary = -14;
constexpr int kBinaryCount = 64;
constexpr int kDoubleExponentBias = 1023;
constexpr int kSignificandBits = 52;
constexpr int kDecadeCount = kHighestDecade - kLowestDecade + 1;

struct DecadeTables
{
    // The index in kDecadeStarts of the decade of 2^(kLeastBinary + k), or 0 below the first.
    std::uint64_t mOfBinary[kBinaryCount] = {};
    // The start of the decade after index i; past the last, one no angle reaches.
    double mNextStart[kDecadeCount] = {};
};

constexpr DecadeTables MakeDecadeTables()
{
    DecadeTables lTables;
    double lPower = 1.0;
    for (int e = 0; e > kLeastBinary; --e) {
        lPower /= 2.0;
    }
    for (int k = 0; k < kBinaryCount; ++k, lPower *= 2.0) {
        for (int i = 1; i < kDecadeCount; ++i) {
            lTables.mOfBinary[k] += kDecadeStarts[i] <= lPower ? 1 : 0;
        }
    }
    for (int i = 0; i < kDecadeCount; ++i) {
        lTables.mNextStart[i] =
            i + 1 < kDecadeCount ? kDecadeStarts[i + 1] : std::numeric_limits<double>::infinity();
    }
    return lTables;
}

constexpr DecadeTables kDecadeTables = MakeDecadeTables();

double Dot3(const double* pA, const double* pB)
{
    return pA[0] * pB[0] + pA[1] * pB[1] + pA[2] * pB[2];
}

// Two poses (a lane each) on their way to channel angles.
struct LanePair
{
    // The poses' rotations (Euler X, Y, Z) and scalings, and the rotations' sines and cosines.
    KMotionLanes mRotation[3];
    KMotionLanes mScaling[3];
    KMotionLanes mSine[3];
    KMotionLanes mCosine[3];
    // The lanes that can still go the quick way.
    KMotionLaneMask mSure;
    KMotionLanes mY[3];
    KMotionLanes mX[3];
    // The angles in degrees, then rounded.
    KMotionLanes mAngles[3];
    KMotionLanes mLargest;
    KMotionLaneMask mWhole[3];
    KMotionLaneMask mDecimals;
};

} // namespace

#define RYV_MOTION_LANE_STEPS "formats/motion/bvh/KBvhChannelAngleSteps.inl"
#include "formats/motion/KMotionLaneWidths.inl"

namespace {

// The arc tangents (radians, in mAngles) made the channel angles, not yet rounded, and the
// largest of them.
void QuickArcDegrees(LanePair& ioPair)
{
    ioPair.mLargest = KMotionLanes{0.0, 0.0};
    for (int i = 0; i < 3; ++i) {
        ioPair.mAngles[i] *= kToDegrees;
        const KMotionLanes lAbs = Bits::Abs(ioPair.mAngles[i]);
        ioPair.mLargest = Bits::Select(Bits::Mask(lAbs > ioPair.mLargest), lAbs, ioPair.mLargest);
    }
}

// The channel angles from the arc tangents' arguments, not yet rounded, and the largest of them.
void QuickArcs(const Tolerance& pTolerance, LanePair& ioPair)
{
    ioPair.mSure = two::ArcBounds(pTolerance, ioPair.mSure, ioPair.mY, ioPair.mX);
    for (int i = 0; i < 3; ++i) {
        ioPair.mAngles[i] = KMotionQuickTrig::Atan2(ioPair.mY[i], ioPair.mX[i]);
    }
    QuickArcDegrees(ioPair);
}

// The arc tangents of two sets, side by side.
void QuickArcsOfTwo(LanePair& ioFirst, LanePair& ioSecond, KMotionLaneWidth pWidth)
{
    for (int i = 0; i < 3; ++i) {
        const KMotionLanes lY[2] = {ioFirst.mY[i], ioSecond.mY[i]};
        const KMotionLanes lX[2] = {ioFirst.mX[i], ioSecond.mX[i]};
        KMotionLanes lAngles[2];
        KMotionQuickTrig::Atan2(lY, lX, lAngles, pWidth);
        ioFirst.mAngles[i] = lAngles[0];
        ioSecond.mAngles[i] = lAngles[1];
    }
}

// The sines and cosines of two sets' rotations, side by side.
void SinesOfTwo(LanePair& ioFirst, LanePair& ioSecond, KMotionLaneWidth pWidth)
{
    for (int i = 0; i < 3; ++i) {
        const KMotionLanes lDegrees[2] = {ioFirst.mRotation[i], ioSecond.mRotation[i]};
        KMotionLanes lSines[2];
        KMotionLanes lCosines[2];
        KMotionQuickTrig::SinCos(lDegrees, lSines, lCosines, pWidth);
        ioFirst.mSine[i] = lSines[0];
        ioSecond.mSine[i] = lSines[1];
        ioFirst.mCosine[i] = lCosines[0];
        ioSecond.mCosine[i] = lCosines[1];
    }
}

// Lane pLane of the quick way's answer.
KVector4 LaneAngles(const LanePair& pPair, int pLane, KBvhDecimals& oDecimals)
{
    for (int i = 0; i < 3; ++i) {
        oDecimals.mWhole[i] = pPair.mWhole[i][pLane];
    }
    oDecimals.mDecimals = static_cast<int>(pPair.mDecimals[pLane]);
    return KVector4(pPair.mAngles[0][pLane], pPair.mAngles[1][pLane], pPair.mAngles[2][pLane]);
}

// The angles of the quick way; false when it cannot be sure of every digit.
bool QuicklyOf(const KMatrix& pMatrix, KVector4& oAngles, KBvhDecimals& oDecimals)
{
    // The library divides each row by its length (signed like the determinant) twice, which
    // leaves every arc tangent's arguments within a few units in their last place of these:
    // rows i and j and rows k and i share a factor, and y and x of the second angle share
    // their row's.
    const double* lI = pMatrix[kAxisI];
    const double* lJ = pMatrix[kAxisJ];
    const double* lK = pMatrix[kAxisK];
    const double lLengths2[3] = {Dot3(lI, lI), Dot3(lJ, lJ), Dot3(lK, lK)};
    for (const double lLength2 : lLengths2) {
        if (!(lLength2 >= kLeastLength2) || !(lLength2 <= 1.0 / kLeastLength2)) {
            return false;
        }
    }
    const double lDeterminant = lI[0] * (lJ[1] * lK[2] - lJ[2] * lK[1]) -
                                lI[1] * (lJ[0] * lK[2] - lJ[2] * lK[0]) +
                                lI[2] * (lJ[0] * lK[1] - lJ[1] * lK[0]);
    const double lCosine2 = lI[kAxisI] * lI[kAxisI] + lI[kAxisJ] * lI[kAxisJ];
    if (!(lDeterminant * lDeterminant >
          kQuickVolume * lLengths2[0] * lLengths2[1] * lLengths2[2]) ||
        !(lCosine2 > kFromMatrix.mCosine2 * lLengths2[0]) || !std::isfinite(lDeterminant)) {
        return false;
    }
    // Rows i, j, k here are the matrix rows 1, 0, 2: the determinant of the rows in that order
    // has the other sign.
    const double lSign = lDeterminant < 0.0 ? 1.0 : -1.0;
    const double lY[3] = {lSign * lJ[kAxisK] * std::sqrt(lLengths2[2]), -lSign * lI[kAxisK],
                          lSign * lI[kAxisJ]};
    const double lX[3] = {lSign * lK[kAxisK] * std::sqrt(lLengths2[1]), std::sqrt(lCosine2),
                          lSign * lI[kAxisI]};
    LanePair lPair;
    lPair.mSure = ~KMotionLaneMask{};
    for (int i = 0; i < 3; ++i) {
        lPair.mY[i] = KMotionLanes{lY[i], lY[i]};
        lPair.mX[i] = KMotionLanes{lX[i], lX[i]};
    }
    QuickArcs(kFromMatrix, lPair);
    lPair.mSure = two::Rounding(kFromMatrix, lPair.mSure, lPair.mLargest, lPair.mAngles, lPair.mY,
                                lPair.mX, lPair.mWhole, lPair.mDecimals);
    if (!lPair.mSure[0]) {
        return false;
    }
    oAngles = LaneAngles(lPair, 0, oDecimals);
    return true;
}

} // namespace

KBvhChannelAngles::KBvhChannelAngles()
    : mOrderedIndex(
          KMotionRotationOrder::ToOrderedIndex(kChannelAxes, KMotionRotationOrder::eFirstOutermost))
{
}

KVector4 KBvhChannelAngles::Of(const KMatrix& pMatrix, KBvhDecimals& oDecimals) const
{
    KVector4 lAngles;
    if (mOrderedIndex == kQuickOrderedIndex && QuicklyOf(pMatrix, lAngles, oDecimals)) {
        return lAngles;
    }
    oDecimals = KBvhDecimals();
    return ExactlyOf(pMatrix);
}

KVector4 KBvhChannelAngles::OfPose(const KVector4& pRotation, const KVector4& pScaling,
                                   KBvhDecimals& oDecimals) const
{
    KVector4 lAngles;
    bool lQuick = false;
    QuicklyOfPoses(1, &pRotation, &pScaling, &lAngles, &oDecimals, &lQuick,
                   KMotionQuickTrig::WidestLanes());
    return lQuick ? lAngles : SlowlyOfPose(pRotation, pScaling, oDecimals);
}

void KBvhChannelAngles::OfPoses(int pCount, const KVector4* pRotations, const KVector4* pScalings,
                                KVector4* oAngles, KBvhDecimals* oDecimals,
                                KMotionLaneWidth pWidth) const
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kPosesAtOnce) {
        const int lCount = std::min(kPosesAtOnce, pCount - lFirst);
        bool lQuick[kPosesAtOnce];
        QuicklyOfPoses(lCount, pRotations + lFirst, pScalings + lFirst, oAngles + lFirst,
                       oDecimals + lFirst, lQuick, pWidth);
        for (int p = 0; p < lCount; ++p) {
            if (!lQuick[p]) {
                const int lPose = lFirst + p;
                oAngles[lPose] =
                    SlowlyOfPose(pRotations[lPose], pScalings[lPose], oDecimals[lPose]);
            }
        }
    }
}

void KBvhChannelAngles::QuicklyOfPoses(int pCount, const KVector4* pRotations,
                                       const KVector4* pScalings, KVector4* oAngles,
                                       KBvhDecimals* oDecimals, bool* oQuick,
                                       KMotionLaneWidth pWidth) const
{
    if (mOrderedIndex != kQuickOrderedIndex) {
        std::fill(oQuick, oQuick + pCount, false);
        return;
    }
    // Stage by stage over every pair: a pair's steps wait on each other, the pairs' do not. The
    // trigonometry takes two pairs at once, so the pairs come in an even number.
    LanePair lPairs[kPosesAtOnce / 2];
    const int lPairCount = 2 * ((pCount + 3) / 4);
    for (int p = 0; p < lPairCount; ++p) {
        // The lanes past the poses repeat the last one.
        const int lFirst = std::min(2 * p, pCount - 1);
        const int lSecond = std::min(2 * p + 1, pCount - 1);
        for (int i = 0; i < 3; ++i) {
            lPairs[p].mRotation[i] = KMotionLanes{pRotations[lFirst][i], pRotations[lSecond][i]};
            lPairs[p].mScaling[i] = KMotionLanes{pScalings[lFirst][i], pScalings[lSecond][i]};
        }
    }
    for (int p = 0; p < lPairCount; p += 2) {
        SinesOfTwo(lPairs[p], lPairs[p + 1], pWidth);
    }
    for (int p = 0; p < lPairCount; p += 2) {
        RYV_MOTION_LANES_OF(pWidth, PoseArgumentsOfTwo)(lPairs[p], lPairs[p + 1]);
    }
    for (int p = 0; p < lPairCount; p += 2) {
        QuickArcsOfTwo(lPairs[p], lPairs[p + 1], pWidth);
    }
    for (int p = 0; p < lPairCount; ++p) {
        QuickArcDegrees(lPairs[p]);
    }
    for (int p = 0; p < lPairCount; p += 2) {
        RYV_MOTION_LANES_OF(pWidth, RoundingOfTwo)(kFromPose, lPairs[p], lPairs[p + 1]);
    }
    for (int lPose = 0; lPose < pCount; ++lPose) {
        const LanePair& lPair = lPairs[lPose / 2];
        oQuick[lPose] = lPair.mSure[lPose % 2] != 0;
        if (oQuick[lPose]) {
            oAngles[lPose] = LaneAngles(lPair, lPose % 2, oDecimals[lPose]);
        }
    }
}

KVector4 KBvhChannelAngles::SlowlyOfPose(const KVector4& pRotation, const KVector4& pScaling,
                                         KBvhDecimals& oDecimals) const
{
    KMatrix lMatrix;
    MatrixSetTRS(lMatrix, KVector4(), pRotation, pScaling);
    return Of(lMatrix, oDecimals);
}

KVector4 KBvhChannelAngles::ExactlyOf(const KMatrix& pMatrix) const
{
    // The scale comes out twice: once for the channels, once more inside the order's conversion.
    KMatrix lOnce;
    MatrixRemoveScale(lOnce, pMatrix);
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, lOnce);
    // The ordered angles come in application order, the channels' own reversed: Y, X, Z.
    KVector4 lApplied;
    MatrixToEulerOrdered(lApplied, lRotation, mOrderedIndex);
    double lAngles[3] = {lApplied[0], lApplied[1], lApplied[2]};
    KMotionPrintPrecision::RoundToLargest(lAngles, 3);
    return KVector4(lAngles[0], lAngles[1], lAngles[2]);
}
