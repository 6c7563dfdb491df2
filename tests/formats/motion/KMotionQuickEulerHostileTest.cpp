// The quick Euler angles' bound against hostile matrices: entries moved to every corner of the
// error the caller states, on rotations at the gimbal threshold from both sides, on the cut of the
// arc tangents (a half turn, a y of either sign), with scale, mirroring and skew, and with
// entries that are zeros of either sign or subnormal. Where a finite bound is given it must hold
// for the library's angles of every moved matrix, and a float it certifies must be theirs.

#include "formats/motion/KMotionQuickEuler.h"

#include "core/KMatrixFunctions.h"

#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kGimbal = 0.999999;

// The entries AxesToEulerXYZ reads: row 0, row 1 and element (2, 2).
struct Entries
{
    double mRow0[3];
    double mRow1[3];
    double mZ2;
};

enum EShape { eThreshold, eCut, eScaled, eTinyEntries, eShapeCount };

Entries Rotation(double pX, double pY, double pZ)
{
    double lAxes[3][3];
    EulerToAxesXYZ(lAxes, pX, pY, pZ);
    return Entries{{lAxes[0][0], lAxes[0][1], lAxes[0][2]},
                   {lAxes[1][0], lAxes[1][1], lAxes[1][2]},
                   lAxes[2][2]};
}

Entries MakeHostile(EShape pShape, TestSequence& ioRandom)
{
    const double lX = ioRandom.Between(-180.0, 180.0);
    const double lZ = ioRandom.Between(-180.0, 180.0);
    switch (pShape) {
    case eThreshold: {
        // sin(Y) a hair either side of the threshold, or the threshold itself.
        const double lSine =
            kGimbal + (ioRandom.Next() % 4 == 0 ? 0.0 : ioRandom.Between(-1e-9, 1e-9));
        const double lY = std::asin(lSine) * 180.0 / 3.14159265358979323846;
        Entries lEntries = Rotation(lX, ioRandom.Next() % 2 ? lY : -lY, lZ);
        if (ioRandom.Next() % 2) {
            lEntries.mRow0[2] = ioRandom.Next() % 2 ? -lSine : lSine;
        }
        return lEntries;
    }
    case eCut: {
        // X or Z at a half turn: y a hair from zero (or a zero of either sign) and x below zero.
        const double lHair =
            ioRandom.Next() % 3 == 0 ? 0.0 : std::pow(10.0, ioRandom.Between(-16.0, -8.0));
        const double lHalf =
            (ioRandom.Next() % 2 ? 180.0 : -180.0) + (ioRandom.Next() % 2 ? lHair : -lHair);
        Entries lEntries = Rotation(ioRandom.Next() % 2 ? lHalf : lX, ioRandom.Between(-80.0, 80.0),
                                    ioRandom.Next() % 2 ? lHalf : lZ);
        if (ioRandom.Next() % 3 == 0) {
            lEntries.mRow1[2] = ioRandom.Next() % 2 ? 0.0 : -0.0;
            lEntries.mRow0[1] = ioRandom.Next() % 2 ? 0.0 : -0.0;
        }
        return lEntries;
    }
    case eScaled: {
        // Scaled, mirrored and skewed rows, as products with a base rotation's roundings or a
        // scale removed may leave them.
        Entries lEntries = Rotation(lX, ioRandom.Between(-89.0, 89.0), lZ);
        const double lScales[] = {1.0, -1.0, 1e-3, 2.0, 1e6, 1e-6};
        const double lRow0 = lScales[ioRandom.Next() % 6];
        const double lRow1 = lScales[ioRandom.Next() % 6];
        for (int c = 0; c < 3; ++c) {
            lEntries.mRow0[c] *= lRow0;
            lEntries.mRow1[c] *= lRow1;
        }
        lEntries.mRow1[2] += ioRandom.Between(-0.1, 0.1);
        lEntries.mZ2 *= lScales[ioRandom.Next() % 6];
        return lEntries;
    }
    default: {
        // Subnormal and tiny entries: radii near the floor of the bound.
        Entries lEntries = Rotation(lX, ioRandom.Between(-89.0, 89.0), lZ);
        const double lTiny[] = {5e-324, 1e-310, 1e-160, 1e-150, 1e-140, 1e-20};
        const double lScale = lTiny[ioRandom.Next() % 6];
        for (double* lEntry :
             {&lEntries.mRow0[0], &lEntries.mRow0[1], &lEntries.mRow1[2], &lEntries.mZ2}) {
            *lEntry *= lScale;
        }
        return lEntries;
    }
    }
}

double Moved(double pValue, int pCorner, int pBit, double pError)
{
    if (pCorner < 0) {
        return pValue;
    }
    return pValue + ((pCorner >> pBit) & 1 ? pError : -pError);
}

struct Counts
{
    long long mBounded = 0;
    long long mCertified = 0;
};

void ExpectBoundHolds(const Entries& pQuick, double pError, Counts& ioCounts)
{
    const double* const lRow0[3] = {&pQuick.mRow0[0], &pQuick.mRow0[1], &pQuick.mRow0[2]};
    const double* const lRow1[3] = {&pQuick.mRow1[0], &pQuick.mRow1[1], &pQuick.mRow1[2]};
    double lAngles[3];
    double* const lOut[3] = {&lAngles[0], &lAngles[1], &lAngles[2]};
    double lBound = 0.0;
    KMotionQuickEuler::AxesToEulerXYZ(1, lRow0, lRow1, &pQuick.mZ2, pError, lOut, &lBound);
    if (!std::isfinite(lBound)) {
        return;
    }
    ++ioCounts.mBounded;
    // The library's entries anywhere within the error: the five read in the ordinary branch at
    // each corner, and as they are.
    for (int lCorner = -1; lCorner < 32; ++lCorner) {
        const double lLibraryRow0[3] = {Moved(pQuick.mRow0[0], lCorner, 0, pError),
                                        Moved(pQuick.mRow0[1], lCorner, 1, pError),
                                        Moved(pQuick.mRow0[2], lCorner, 2, pError)};
        const double lLibraryRow1[3] = {pQuick.mRow1[0], pQuick.mRow1[1],
                                        Moved(pQuick.mRow1[2], lCorner, 3, pError)};
        double lLibrary[3];
        AxesToEulerXYZ(lLibrary, lLibraryRow0, lLibraryRow1, Moved(pQuick.mZ2, lCorner, 4, pError));
        for (int a = 0; a < 3; ++a) {
            ASSERT_LE(std::fabs(lAngles[a] - lLibrary[a]), lBound)
                << "angle " << a << " corner " << lCorner << ": quick " << lAngles[a]
                << ", library " << lLibrary[a];
            if (KMotionQuickEuler::SameFloat(lAngles[a], lBound)) {
                ++ioCounts.mCertified;
                ASSERT_EQ(static_cast<float>(lAngles[a]), static_cast<float>(lLibrary[a]))
                    << "angle " << a << " corner " << lCorner;
            }
        }
    }
}

TEST(KMotionQuickEulerHostile, BoundsHoldAtEveryCornerOfTheEntryError)
{
    const char* lText = std::getenv("RYV_QUICK_ANGLE_ROUNDS");
    const int lRounds = lText != nullptr && std::atoi(lText) > 0 ? std::atoi(lText) : 1;
    // The errors the readers state: none, the BVH entries', the HTR chains', and larger.
    const double lErrors[] = {0.0, 5e-324, 2.7e-14, 1e-12, 1e-10, 1e-7};
    TestSequence lRandom(90);
    Counts lCounts;
    for (int r = 0; r < 2000 * lRounds; ++r) {
        const EShape lShape = static_cast<EShape>(r % eShapeCount);
        const Entries lEntries = MakeHostile(lShape, lRandom);
        const double lError = lErrors[lRandom.Next() % 6];
        ExpectBoundHolds(lEntries, lError, lCounts);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "case " << r << " shape " << lShape << " error " << lError;
            return;
        }
    }
    EXPECT_GT(lCounts.mBounded, 200 * lRounds);
    EXPECT_GT(lCounts.mCertified, 1000 * lRounds);
}

} // namespace
