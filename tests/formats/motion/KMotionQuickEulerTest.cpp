#include "formats/motion/KMotionQuickEuler.h"

#include "core/KMatrixFunctions.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

namespace {

constexpr int kBlock = KMotionQuickEuler::kMaxCount;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// The library's sine and cosine of the radians its Euler rotations turn pDegrees into: a turn
// about Y alone leaves them in row 0 as they are.
void LibrarySinCos(double pDegrees, double& oSine, double& oCosine)
{
    double lAxes[3][3];
    EulerToAxesXYZ(lAxes, 0.0, pDegrees, 0.0);
    oSine = -lAxes[0][2];
    oCosine = lAxes[0][0];
}

// Degree samples of one kind.
struct DegreeKind
{
    const char* mName;
    double (*mNext)(TestSequence& ioRandom);
};

const DegreeKind kDegreeKinds[] = {
    {"whole turn", [](TestSequence& r) { return r.Between(-360.0, 360.0); }},
    {"largest turns", [](TestSequence& r) { return r.Between(-1e6, 1e6); }},
    {"near quarter turns",
     [](TestSequence& r) {
         return std::floor(r.Between(-16.0, 16.0)) * 90.0 + r.Between(-1.0, 1.0) * 1e-9;
     }},
    {"whole quarter turns",
     [](TestSequence& r) { return std::floor(r.Between(-4000, 4000)) * 90.0; }},
    {"tiny",
     [](TestSequence& r) { return r.Between(-1.0, 1.0) * std::pow(10.0, -r.Between(5, 300)); }},
    {"zeros", [](TestSequence& r) { return r.Unit() < 0.5 ? 0.0 : -0.0; }},
    {"beyond",
     [](TestSequence& r) { return (r.Unit() < 0.5 ? -1.0 : 1.0) * r.Between(1e6, 1e12); }},
    {"not finite",
     [](TestSequence& r) {
         const double lValues[3] = {kInfinity, -kInfinity, kNaN};
         return lValues[r.Next() % 3];
     }},
};

// Each kind of degrees, in blocks of every length: within kSinCosError of the library where the
// degrees are in range, flagged where not, and the bits of the one-value quick path.
TEST(KMotionQuickEuler, SinCosStaysWithinItsBound)
{
    TestSequence lRandom(41);
    for (const DegreeKind& lKind : kDegreeKinds) {
        const int lBlocks = std::string(lKind.mName) == "not finite" ? 100 : 5000;
        double lWorst = 0.0;
        for (int b = 0; b < lBlocks; ++b) {
            const int lCount = 1 + b % kBlock;
            double lDegrees[kBlock];
            double lSines[kBlock];
            double lCosines[kBlock];
            bool lOutside[kBlock];
            for (int i = 0; i < lCount; ++i) {
                lDegrees[i] = lKind.mNext(lRandom);
            }
            KMotionQuickEuler::SinCos(lCount, lDegrees, lSines, lCosines, lOutside);
            for (int i = 0; i < lCount; ++i) {
                const bool lInRange = std::fabs(lDegrees[i]) <= KMotionQuickTrig::kLargestTurn;
                ASSERT_EQ(lOutside[i], !lInRange) << lKind.mName << " " << lDegrees[i];
                if (!lInRange) {
                    continue;
                }
                double lSine = 0.0;
                double lCosine = 0.0;
                LibrarySinCos(lDegrees[i], lSine, lCosine);
                lWorst = std::fmax(lWorst, std::fabs(lSines[i] - lSine));
                lWorst = std::fmax(lWorst, std::fabs(lCosines[i] - lCosine));
                KMotionQuickTrig::SinCos(lDegrees[i], lSine, lCosine);
                ASSERT_TRUE(SameBits(lSines[i], lSine) && SameBits(lCosines[i], lCosine))
                    << lKind.mName << " " << lDegrees[i];
            }
        }
        EXPECT_LE(lWorst, KMotionQuickEuler::kSinCosError) << lKind.mName;
        std::ostringstream lWorstText;
        lWorstText << lWorst;
        RecordProperty(std::string("sincos ") + lKind.mName, lWorstText.str());
    }
}

// A block of matrices in the arrays the quick path takes, with the library's angles.
struct EulerBlock
{
    double mRows[2][3][kBlock];
    double mZ2[kBlock];
    double mLibrary[3][kBlock];
    int mCount = 0;

    // Adds a matrix: its library angles from pAxes, its entries moved by up to pError.
    void Add(const double pAxes[3][3], double pError, TestSequence& ioRandom)
    {
        double lAngles[3];
        AxesToEulerXYZ(lAngles, pAxes[0], pAxes[1], pAxes[2][2]);
        for (int a = 0; a < 3; ++a) {
            mLibrary[a][mCount] = lAngles[a];
        }
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 3; ++c) {
                mRows[r][c][mCount] = Moved(pAxes[r][c], pError, ioRandom);
            }
        }
        mZ2[mCount] = Moved(pAxes[2][2], pError, ioRandom);
        ++mCount;
    }

    // pValue moved by up to pError either way (a quarter of the time by all of it), never
    // further once rounded.
    static double Moved(double pValue, double pError, TestSequence& ioRandom)
    {
        const double lSign = ioRandom.Unit() < 0.5 ? -1.0 : 1.0;
        const double lShare = ioRandom.Unit() < 0.25 ? 1.0 : ioRandom.Unit();
        double lMoved = pValue + lSign * lShare * pError;
        while (std::fabs(lMoved - pValue) > pError) {
            lMoved = std::nextafter(lMoved, pValue);
        }
        return lMoved;
    }
};

// Counts of one run of blocks: how many bounds were infinite, and the largest finite one.
struct EulerTally
{
    long mCount = 0;
    long mInfinite = 0;
    double mLargest = 0.0;
    double mSum = 0.0;
    // Angles with a finite bound whose float SameFloat could not certify.
    long mUncertain = 0;
    // The largest share of its bound a difference took.
    double mWorstShare = 0.0;
};

// The quick angles of pBlock against the library's: every finite bound holds.
void CheckBlock(const EulerBlock& pBlock, double pError, EulerTally& ioTally)
{
    const double* const lRow0[3] = {pBlock.mRows[0][0], pBlock.mRows[0][1], pBlock.mRows[0][2]};
    const double* const lRow1[3] = {pBlock.mRows[1][0], pBlock.mRows[1][1], pBlock.mRows[1][2]};
    double lAngles[3][kBlock];
    double* const lOut[3] = {lAngles[0], lAngles[1], lAngles[2]};
    double lBounds[kBlock];
    KMotionQuickEuler::AxesToEulerXYZ(pBlock.mCount, lRow0, lRow1, pBlock.mZ2, pError, lOut,
                                      lBounds);
    for (int f = 0; f < pBlock.mCount; ++f) {
        ++ioTally.mCount;
        ASSERT_FALSE(lBounds[f] < 0.0 || std::isnan(lBounds[f]));
        if (std::isinf(lBounds[f])) {
            ++ioTally.mInfinite;
            continue;
        }
        ioTally.mLargest = std::fmax(ioTally.mLargest, lBounds[f]);
        ioTally.mSum += lBounds[f];
        for (int a = 0; a < 3; ++a) {
            // What a reader relies on: a certified float is the library's float.
            if (KMotionQuickEuler::SameFloat(lAngles[a][f], lBounds[f])) {
                const float lQuick = static_cast<float>(lAngles[a][f]);
                const float lLibrary = static_cast<float>(pBlock.mLibrary[a][f]);
                ASSERT_EQ(std::memcmp(&lQuick, &lLibrary, sizeof lQuick), 0) << lQuick;
            } else {
                ++ioTally.mUncertain;
            }
            const double lDifference = std::fabs(lAngles[a][f] - pBlock.mLibrary[a][f]);
            ioTally.mWorstShare = std::fmax(ioTally.mWorstShare, lDifference / lBounds[f]);
            ASSERT_LE(lDifference, lBounds[f])
                << "angle " << a << " of " << pBlock.mLibrary[0][f] << " " << pBlock.mLibrary[1][f]
                << " " << pBlock.mLibrary[2][f] << ", error " << pError;
        }
    }
}

// A rotation of one kind, from three angles in degrees, through the library.
struct RotationKind
{
    const char* mName;
    void (*mMake)(TestSequence& ioRandom, double oAxes[3][3]);
    // Whether its bounds must almost all be finite.
    bool mOrdinary;
};

double AnyAngle(TestSequence& ioRandom)
{
    return ioRandom.Between(-180.0, 180.0);
}

const RotationKind kRotationKinds[] = {
    {"xyz",
     [](TestSequence& r, double o[3][3]) {
         EulerToAxesXYZ(o, AnyAngle(r), r.Between(-90.0, 90.0), AnyAngle(r));
     },
     true},
    {"ordered",
     [](TestSequence& r, double o[3][3]) {
         EulerToAxesOrdered(o, AnyAngle(r), AnyAngle(r), AnyAngle(r),
                            static_cast<int>(r.Next() % 12));
     },
     true},
    {"unrolled",
     [](TestSequence& r, double o[3][3]) {
         EulerToAxesXYZ(o, r.Between(-2000.0, 2000.0), r.Between(-2000.0, 2000.0),
                        r.Between(-2000.0, 2000.0));
     },
     true},
    {"near gimbal",
     [](TestSequence& r, double o[3][3]) {
         const double lY =
             (r.Unit() < 0.5 ? -1.0 : 1.0) * (90.0 - std::pow(10.0, -r.Between(0, 8)));
         EulerToAxesXYZ(o, AnyAngle(r), lY, AnyAngle(r));
     },
     false},
    {"gimbal",
     [](TestSequence& r, double o[3][3]) {
         EulerToAxesXYZ(o, AnyAngle(r), r.Unit() < 0.5 ? -90.0 : 90.0, AnyAngle(r));
     },
     false},
    {"half turns",
     [](TestSequence& r, double o[3][3]) {
         const double lTurns[4] = {0.0, 180.0, -180.0, 90.0};
         EulerToAxesXYZ(o, lTurns[r.Next() % 4], lTurns[r.Next() % 4] / 2.0, lTurns[r.Next() % 4]);
     },
     false},
};

// Random rotations of every kind, their entries moved by up to each error: the bound always
// holds, and is finite for all but a few ordinary rotations.
TEST(KMotionQuickEuler, AxesToEulerStaysWithinItsBound)
{
    TestSequence lRandom(43);
    const double kErrors[] = {0.0, 1e-16, 4e-16, 2e-15, 1e-13};
    for (const RotationKind& lKind : kRotationKinds) {
        for (const double lError : kErrors) {
            EulerTally lTally;
            const int lBlocks = lKind.mOrdinary ? 3000 : 300;
            for (int b = 0; b < lBlocks; ++b) {
                EulerBlock lBlock;
                const int lCount = 1 + (b * 37) % kBlock;
                for (int f = 0; f < lCount; ++f) {
                    double lAxes[3][3];
                    lKind.mMake(lRandom, lAxes);
                    lBlock.Add(lAxes, lError, lRandom);
                }
                CheckBlock(lBlock, lError, lTally);
                ASSERT_FALSE(HasFatalFailure()) << lKind.mName;
            }
            // The bound grows as the error over cos(Y), which the gimbal threshold keeps above
            // 1.4e-3; an ordinary rotation reaches that threshold about once in a thousand.
            if (lKind.mOrdinary) {
                EXPECT_LT(lTally.mInfinite * 200, lTally.mCount) << lKind.mName << " " << lError;
                EXPECT_LT(lTally.mLargest, 2e5 * lError + 1e-12) << lKind.mName << " " << lError;
            }
            std::ostringstream lName;
            lName << lKind.mName << " " << lError;
            RecordProperty(lName.str(),
                           std::to_string(lTally.mInfinite) + "/" + std::to_string(lTally.mCount) +
                               " infinite, mean " +
                               std::to_string(lTally.mSum * 1e12 /
                                              std::max(1L, lTally.mCount - lTally.mInfinite)) +
                               "e-12, largest " + std::to_string(lTally.mLargest * 1e12) +
                               "e-12, uncertain floats " + std::to_string(lTally.mUncertain) +
                               ", worst share of the bound " + std::to_string(lTally.mWorstShare));
        }
    }
}

// Matrices no bound can be given for: the gimbal branches and their neighbourhood, entries not
// finite, a negative or unknown error; the identity gets a bound and its zeros.
TEST(KMotionQuickEuler, AxesToEulerRefusesWhatItCannotBound)
{
    struct Case
    {
        const char* mName;
        double mRow0[3];
        double mRow1[3];
        double mZ2;
        double mError;
        bool mFinite;
    };
    const double kGimbal = 0.999999;
    const Case kCases[] = {
        {"identity", {1, 0, 0}, {0, 1, 0}, 1, 1e-15, true},
        {"identity exact", {1, 0, 0}, {0, 1, 0}, 1, 0.0, true},
        {"gimbal", {0, 0, kGimbal}, {0, 1, 0}, 0.001, 0.0, false},
        {"gimbal below", {0, 0, -kGimbal}, {0, 1, 0}, 0.001, 0.0, false},
        {"just inside", {0.001, 0, std::nextafter(kGimbal, 0.0)}, {0, 1, 0}, 0.001, 0.0, true},
        {"within the error", {0.001, 0, kGimbal - 1e-15}, {0, 1, 0}, 0.001, 2e-15, false},
        {"NaN", {1, 0, kNaN}, {0, 1, 0}, 1, 1e-15, false},
        {"NaN row 1", {1, 0, 0}, {0, 1, kNaN}, 1, 1e-15, false},
        {"infinite", {kInfinity, 0, 0}, {0, 1, 0}, 1, 1e-15, false},
        {"infinite z", {1, 0, 0}, {0, 1, 0}, -kInfinity, 1e-15, false},
        {"negative error", {1, 0, 0}, {0, 1, 0}, 1, -1e-15, false},
        {"NaN error", {1, 0, 0}, {0, 1, 0}, 1, kNaN, false},
        {"across the cut", {-1, 1e-17, 0}, {0, -1, 0}, 1, 1e-15, false},
        {"degenerate", {0, 0, 0}, {0, 0, 0}, 0, 1e-15, false},
    };
    for (const Case& lCase : kCases) {
        const double* const lRow0[3] = {&lCase.mRow0[0], &lCase.mRow0[1], &lCase.mRow0[2]};
        const double* const lRow1[3] = {&lCase.mRow1[0], &lCase.mRow1[1], &lCase.mRow1[2]};
        double lAngles[3];
        double* const lOut[3] = {&lAngles[0], &lAngles[1], &lAngles[2]};
        double lBound = 0.0;
        KMotionQuickEuler::AxesToEulerXYZ(1, lRow0, lRow1, &lCase.mZ2, lCase.mError, lOut, &lBound);
        EXPECT_EQ(std::isfinite(lBound), lCase.mFinite) << lCase.mName << " " << lBound;
        if (lCase.mFinite) {
            double lLibrary[3];
            AxesToEulerXYZ(lLibrary, lCase.mRow0, lCase.mRow1, lCase.mZ2);
            for (int a = 0; a < 3; ++a) {
                EXPECT_LE(std::fabs(lAngles[a] - lLibrary[a]), lBound) << lCase.mName;
            }
        }
    }
}

// Whether pValue lies halfway between two floats (finite ones).
bool IsMidpoint(double pValue)
{
    const float lFloat = static_cast<float>(pValue);
    const float lOther =
        std::nextafter(lFloat, static_cast<float>(pValue > lFloat ? kInfinity : -kInfinity));
    return pValue != lFloat && pValue == (static_cast<double>(lFloat) + lOther) / 2.0;
}

// The doubles within pBound of pValue, brute force: the ends are found by stepping, and every
// double between them rounds to the float of the ends when both ends do (rounding keeps order),
// and holds no midpoint then, unless at an end.
// Only for bounds below half the value's magnitude, where the differences are exact.
bool BruteSameFloat(double pValue, double pBound)
{
    double lLow = pValue - pBound;
    if (pValue - lLow > pBound) {
        lLow = std::nextafter(lLow, kInfinity);
    } else if (pValue - std::nextafter(lLow, -kInfinity) <= pBound) {
        lLow = std::nextafter(lLow, -kInfinity);
    }
    double lHigh = pValue + pBound;
    if (lHigh - pValue > pBound) {
        lHigh = std::nextafter(lHigh, -kInfinity);
    } else if (std::nextafter(lHigh, kInfinity) - pValue <= pBound) {
        lHigh = std::nextafter(lHigh, kInfinity);
    }
    const double kLimit = static_cast<double>(std::numeric_limits<float>::max()) + 0x1p103;
    if (!(std::fabs(lLow) < kLimit && std::fabs(lHigh) < kLimit)) {
        return false;
    }
    if (IsMidpoint(lLow) || IsMidpoint(lHigh)) {
        return false;
    }
    const float lFloat = static_cast<float>(pValue);
    const float lLowFloat = static_cast<float>(lLow);
    const float lHighFloat = static_cast<float>(lHigh);
    return std::memcmp(&lFloat, &lLowFloat, sizeof lFloat) == 0 &&
           std::memcmp(&lFloat, &lHighFloat, sizeof lFloat) == 0;
}

// Values at and beside the floats' midpoints, at powers of two from both sides, subnormal floats,
// the largest float and past it, both signs; bounds from none to a few float steps.
TEST(KMotionQuickEuler, SameFloatAgreesWithBruteForce)
{
    TestSequence lRandom(47);
    const float kAnchors[] = {1.0f,
                              0.75f,
                              3.0e-39f,
                              std::numeric_limits<float>::denorm_min(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::max(),
                              16777216.0f,
                              123.456f,
                              1e-30f};
    long lChecked = 0;
    for (int i = 0; i < 400000; ++i) {
        const float lAnchor = kAnchors[lRandom.Next() % (sizeof kAnchors / sizeof kAnchors[0])] *
                              (lRandom.Unit() < 0.5 ? -1.0f : 1.0f);
        const float lNeighbour =
            std::nextafter(lAnchor, lRandom.Unit() < 0.5 ? 0.0f : 2.0f * lAnchor);
        const double lStep = std::fabs(static_cast<double>(lNeighbour) - lAnchor);
        // At the midpoint, beside it, at the float, and anywhere between.
        const double lMidpoint = (static_cast<double>(lAnchor) + lNeighbour) / 2.0;
        const double lValues[4] = {
            lMidpoint, std::nextafter(lMidpoint, kInfinity), static_cast<double>(lAnchor),
            lAnchor + (lNeighbour - static_cast<double>(lAnchor)) * lRandom.Unit()};
        const double lValue = lValues[lRandom.Next() % 4];
        const double lBounds[4] = {0.0, lStep * lRandom.Unit(), lStep * 1e-9 * lRandom.Unit(),
                                   std::ldexp(std::floor(lRandom.Between(0, 8)), -60) * lStep};
        const double lBound = lBounds[lRandom.Next() % 4];
        if (lBound >= std::fabs(lValue) / 2.0) {
            continue;
        }
        ++lChecked;
        const bool lSame = KMotionQuickEuler::SameFloat(lValue, lBound);
        ASSERT_TRUE(!lSame || BruteSameFloat(lValue, lBound)) << lValue << " " << lBound;
        ASSERT_TRUE(lSame || !BruteSameFloat(lValue, lBound * (1.0 + 0x1p-45)) ||
                    std::fabs(lValue) >= static_cast<double>(std::numeric_limits<float>::max()) ||
                    static_cast<float>(lValue) == 0.0f)
            << lValue << " " << lBound;
    }
    EXPECT_GT(lChecked, 300000);
}

// What is never certain: zeros, values past the floats, bounds or values not finite.
TEST(KMotionQuickEuler, SameFloatRefusesWhatIsNeverCertain)
{
    const double kFloatMax = std::numeric_limits<float>::max();
    const double kPastFloats = kFloatMax + 0x1p103;
    const struct
    {
        double mValue;
        double mBound;
        bool mSame;
    } kCases[] = {
        {0.0, 0.0, false},           {-0.0, 0.0, false},
        {1e-300, 0.0, false},        {1.0, 0.0, true},
        {1.0, 0x1p-25, false},       {1.0, 0x1p-26, true},
        {1.0 + 0x1p-24, 0.0, false}, {-(1.0 + 0x1p-24), 0.0, false},
        {kFloatMax, 0.0, true},      {std::nextafter(kPastFloats, 0.0), 0.0, true},
        {kPastFloats, 0.0, false},   {1e300, 1.0, false},
        {kInfinity, 0.0, false},     {kNaN, 0.0, false},
        {1.0, kNaN, false},          {1.0, kInfinity, false},
        {1.0, -1e-30, false},
    };
    for (const auto& lCase : kCases) {
        EXPECT_EQ(KMotionQuickEuler::SameFloat(lCase.mValue, lCase.mBound), lCase.mSame)
            << lCase.mValue << " " << lCase.mBound;
    }
    const double lValues[3] = {1.0, 1.0 + 0x1p-24, 2.5};
    const double lBounds[3] = {0.0, 0.0, 1e-9};
    bool lSame[3] = {false, true, false};
    KMotionQuickEuler::SameFloat(3, lValues, lBounds, lSame);
    EXPECT_TRUE(lSame[0] && !lSame[1] && lSame[2]);
}

// The block form (in the wider registers where the processor has them) answers what the
// one-value form answers, for every kind of value and bound, in blocks of every length.
TEST(KMotionQuickEuler, SameFloatBlocksAnswerAsOneValue)
{
    const double kFloatMax = std::numeric_limits<float>::max();
    const double kEdges[] = {0.0,
                             -0.0,
                             1.0,
                             1.0 + 0x1p-24,
                             -(1.0 + 0x1p-24),
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::denorm_min() / 2.0,
                             std::numeric_limits<float>::min(),
                             kFloatMax,
                             -kFloatMax,
                             kFloatMax + 0x1p103,
                             std::nextafter(kFloatMax + 0x1p103, 0.0),
                             1e300,
                             1e-300,
                             kInfinity,
                             kNaN};
    const double kBounds[] = {0.0, 1e-300, 1e-12,  0x1p-26,   0x1p-25,
                              1.0, 1e31,   -1e-30, kInfinity, kNaN};
    TestSequence lRandom(61);
    for (int b = 0; b < 20000; ++b) {
        const int lCount = 1 + b % kBlock;
        double lValues[kBlock];
        double lBounds[kBlock];
        for (int i = 0; i < lCount; ++i) {
            const std::uint64_t lPick = lRandom.Next();
            lValues[i] = lPick % 3 == 0
                             ? kEdges[lRandom.Next() % (sizeof kEdges / sizeof kEdges[0])]
                             : lRandom.Between(-400.0, 400.0);
            lBounds[i] = lPick % 5 == 0
                             ? kBounds[lRandom.Next() % (sizeof kBounds / sizeof kBounds[0])]
                             : std::ldexp(lRandom.Unit(), -static_cast<int>(lRandom.Next() % 60));
        }
        bool lSame[kBlock];
        KMotionQuickEuler::SameFloat(lCount, lValues, lBounds, lSame);
        for (int i = 0; i < lCount; ++i) {
            ASSERT_EQ(lSame[i], KMotionQuickEuler::SameFloat(lValues[i], lBounds[i]))
                << lValues[i] << " " << lBounds[i];
        }
    }
}

// Random angles with the bound an ordinary rotation gets: hardly ever uncertain.
TEST(KMotionQuickEuler, SameFloatIsRarelyFalseForTypicalBounds)
{
    TestSequence lRandom(53);
    const double kTypicalBound = 1e-12;
    long lFalse = 0;
    const long kCount = 1000000;
    for (long i = 0; i < kCount; ++i) {
        lFalse +=
            KMotionQuickEuler::SameFloat(lRandom.Between(-180.0, 180.0), kTypicalBound) ? 0 : 1;
    }
    EXPECT_LT(lFalse * 10000, kCount);
    RecordProperty("false per million", std::to_string(lFalse));
}

} // namespace
