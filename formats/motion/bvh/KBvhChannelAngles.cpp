#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/bvh/KBvhQuickTrig.h"

#include <cmath>
#include <cstdint>
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

double Dot3(const double* pA, const double* pB)
{
    return pA[0] * pB[0] + pA[1] * pB[1] + pA[2] * pB[2];
}

// The decimals RoundToLargest rounds to for a largest angle near pLargest, or false when the
// largest could lie on the other side of a decade or of the point where six digits carry.
bool QuickDecimals(double pLargest, double pAngleMargin, int& oDecimals)
{
    const double lMargin = pLargest * 1e-9 + pAngleMargin;
    const int lLast = kHighestDecade - kLowestDecade;
    if (!(pLargest >= kDecadeStarts[0] + lMargin) || !(pLargest < kDecadeStarts[lLast] * 10.0)) {
        return false;
    }
    // Searched from 10^0 either way: angles mostly lie between 1 and 360 degrees.
    int lIndex = -kLowestDecade;
    while (lIndex < lLast && pLargest >= kDecadeStarts[lIndex + 1]) {
        ++lIndex;
    }
    while (pLargest < kDecadeStarts[lIndex]) {
        --lIndex;
    }
    const double lStart = kDecadeStarts[lIndex];
    const double lCarry = lStart * (10.0 - 0.5 / kExactPowers[kPrinted - 1]);
    if (pLargest - lStart <= lMargin || std::fabs(pLargest - lCarry) <= lMargin) {
        return false;
    }
    oDecimals = kPrinted - 1 - (lIndex + kLowestDecade + (pLargest > lCarry ? 1 : 0));
    return true;
}

// RoundToLargest's rounding of one angle whose exact value lies within pMargin / pScale of
// pAngle, to units of 1 / pScale (a power of ten), and the whole number of those units, or false
// when that rounding could go either way (or the sign of a zero is in doubt).
bool QuickRound(double pAngle, double pScale, double pMargin, double& oRounded,
                std::int64_t& oWhole)
{
    const double lScaled = pAngle * pScale;
    const double lAbs = std::fabs(lScaled);
    const double lMargin = pMargin + lAbs * kRelativeMargin;
    if (!(lAbs < kLargestScaled)) {
        return false;
    }
    const auto lFloor = static_cast<std::int64_t>(lAbs);
    const double lFraction = lAbs - static_cast<double>(lFloor);
    if (lAbs <= lMargin || std::fabs(lFraction - 0.5) <= lMargin) {
        return false;
    }
    const std::int64_t lUnits = lFloor + (lFraction > 0.5 ? 1 : 0);
    oWhole = lScaled < 0.0 ? -lUnits : lUnits;
    // nearbyint's answer, with the sign a zero keeps.
    oRounded = std::copysign(static_cast<double>(lUnits), lScaled) / pScale;
    return true;
}

// The arc tangents' arguments for the matrix MatrixSetTRS makes of a rotation and a scaling,
// from quick sines and cosines: that matrix's rows are the rotation's (unit) rows times the
// scaling, so each pair of arguments, with the signs the scaling and the determinant give it,
// comes straight from the rotation's entries (EulerToMatrixXYZ's products). False for turns
// beyond KBvhQuickTrig::kLargestTurn, for scalings not well inside the doubles' range, and near
// gimbal lock.
bool QuickPoseArguments(const KVector4& pRotation, const KVector4& pScaling, double oY[3],
                        double oX[3])
{
    for (int i = 0; i < 3; ++i) {
        const double lScale = std::fabs(pScaling[i]);
        if (!(std::fabs(pRotation[i]) <= KBvhQuickTrig::kLargestTurn) || !(lScale >= kLeastScale) ||
            !(lScale <= 1.0 / kLeastScale)) {
            return false;
        }
    }
    double sx, cx, sy, cy, sz, cz;
    KBvhQuickTrig::SinCos(pRotation[0], sx, cx);
    KBvhQuickTrig::SinCos(pRotation[1], sy, cy);
    KBvhQuickTrig::SinCos(pRotation[2], sz, cz);
    // Rows i, j, k are rows 1, 0, 2 (Y, X, Z); each row is divided by its length signed like the
    // determinant, so what is left of the scaling in row r is the sign of the other two.
    const double lSignI = std::copysign(1.0, pScaling[kAxisJ] * pScaling[kAxisK]);
    const double lSignJ = std::copysign(1.0, pScaling[kAxisI] * pScaling[kAxisK]);
    const double lSignK = std::copysign(1.0, pScaling[kAxisI] * pScaling[kAxisJ]);
    const double lII = sx * sy * sz + cx * cz;
    const double lIJ = sx * sy * cz - cx * sz;
    const double lCosine2 = lII * lII + lIJ * lIJ;
    if (!(lCosine2 > kFromPose.mCosine2)) {
        return false;
    }
    oY[0] = lSignJ * -sy;
    oX[0] = lSignK * (cx * cy);
    oY[1] = -lSignI * (sx * cy);
    oX[1] = std::sqrt(lCosine2);
    oY[2] = lSignI * lIJ;
    oX[2] = lSignI * lII;
    return true;
}

// The channel angles from the arc tangents' arguments, rounded as RoundToLargest rounds them;
// false when the quick way cannot be sure of every digit.
bool QuickAngles(const double pY[3], const double pX[3], const Tolerance& pTolerance,
                 KVector4& oAngles, KBvhDecimals& oDecimals)
{
    for (int i = 0; i < 3; ++i) {
        if (pX[i] < 0.0 && !(std::fabs(pY[i]) > pTolerance.mCut * -pX[i])) {
            return false;
        }
        if (!(std::fabs(pY[i]) >= kLeastNormal) && !(std::fabs(pX[i]) >= kLeastNormal)) {
            return false;
        }
    }
    const double lAngles[3] = {KBvhQuickTrig::Atan2(pY[0], pX[0]) * kToDegrees,
                               KBvhQuickTrig::Atan2(pY[1], pX[1]) * kToDegrees,
                               KBvhQuickTrig::Atan2(pY[2], pX[2]) * kToDegrees};
    double lLargest = 0.0;
    for (const double lAngle : lAngles) {
        // Not fmax, a call in the library here.
        lLargest = std::fabs(lAngle) > lLargest ? std::fabs(lAngle) : lLargest;
    }
    // Angles of a million degrees and more (rounded to tens and above) go the library's way.
    int lDecimals = 0;
    const bool lAllZero = lLargest == 0.0;
    if (!lAllZero && (!QuickDecimals(lLargest, pTolerance.mAngle, lDecimals) || lDecimals < 0)) {
        return false;
    }
    const double lScale = kExactPowers[lDecimals];
    const double lMargin = pTolerance.mAngle * lScale;
    for (int i = 0; i < 3; ++i) {
        // A zero y with a positive x is a zero angle for the library too, which rounds to itself.
        if (pTolerance.mZerosAreExact && pY[i] == 0.0 && pX[i] > 0.0) {
            oAngles[i] = lAngles[i];
            oDecimals.mWhole[i] = 0;
        } else if (lAllZero ||
                   !QuickRound(lAngles[i], lScale, lMargin, oAngles[i], oDecimals.mWhole[i])) {
            return false;
        }
    }
    oDecimals.mDecimals = lDecimals;
    return true;
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
    return QuickAngles(lY, lX, kFromMatrix, oAngles, oDecimals);
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
    double lY[3];
    double lX[3];
    KVector4 lAngles;
    if (mOrderedIndex == kQuickOrderedIndex && QuickPoseArguments(pRotation, pScaling, lY, lX) &&
        QuickAngles(lY, lX, kFromPose, lAngles, oDecimals)) {
        return lAngles;
    }
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
