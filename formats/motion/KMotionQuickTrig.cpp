#include "formats/motion/KMotionQuickTrig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
// EulerToMatrixXYZ's factor, the same double.
constexpr double kLibraryDegToRad = 3.14159265358979323846 / 180.0;
constexpr double kQuartersPerRadian = 0.6366197723675814;
// pi / 2 in three parts, the first two of 33 bits.
constexpr double kQuarterTurn[3] = {1.5707963267341256, 6.077100506303966e-11,
                                    2.0222662487959506e-21};
// The coefficients of the series: 1 / 3!, 1 / 5!, ... 1 / 15! and 1 / 2!, 1 / 4!, ... 1 / 16!.
constexpr double kSineTerms[7] = {
    1.0 / 6.0,        1.0 / 120.0,        1.0 / 5040.0,         1.0 / 362880.0,
    1.0 / 39916800.0, 1.0 / 6227020800.0, 1.0 / 1307674368000.0};
constexpr double kCosineTerms[8] = {
    1.0 / 2.0,       1.0 / 24.0,        1.0 / 720.0,         1.0 / 40320.0,
    1.0 / 3628800.0, 1.0 / 479001600.0, 1.0 / 87178291200.0, 1.0 / 20922789888000.0};

// atan(k / 16) for k = 0 to 16, the nearest doubles.
constexpr double kAtanSixteenths[17] = {0.0,
                                        0.06241880999595735,
                                        0.12435499454676144,
                                        0.18534794999569476,
                                        0.24497866312686414,
                                        0.3028848683749714,
                                        0.35877067027057225,
                                        0.4124104415973873,
                                        0.4636476090008061,
                                        0.5123894603107377,
                                        0.5585993153435624,
                                        0.6022873461349642,
                                        0.6435011087932844,
                                        0.6823165548747481,
                                        0.7188299996216245,
                                        0.7531512809621944,
                                        0.7853981633974483};
constexpr double kSixteenths = 16.0;
using LaneInts = KMotionLaneMask;
using Bits = KMotionLaneBits;

} // namespace

#if RYV_MOTION_WIDE_LANES
// The steps of the two-lane functions below for four lanes (two sets of two) in the wider
// registers, made only for processors that have them. Lane by lane every operation is theirs, in
// the same order, so each lane's bits are the same.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

using Wide = KMotionWideBits;

// The two sets' halves, made one.
KMotionWideLanes Joined(const KMotionLanes pHalves[2])
{
    return Wide::Join(pHalves[0], pHalves[1]);
}

void Split(KMotionWideLanes pValue, KMotionLanes oHalves[2])
{
    oHalves[0] = Wide::First(pValue);
    oHalves[1] = Wide::Second(pValue);
}

[[gnu::always_inline]] inline KMotionWideLanes WideAtan2(KMotionWideLanes pY, KMotionWideLanes pX)
{
    const KMotionWideLanes lAx = Wide::Abs(pX);
    const KMotionWideLanes lAy = Wide::Abs(pY);
    const KMotionWideMask lSteep = Wide::Mask(lAy > lAx);
    const KMotionWideLanes lSmall = Wide::Select(lSteep, lAx, lAy);
    const KMotionWideLanes lLarge = Wide::Select(lSteep, lAy, lAx);
    KMotionWideLanes lRatio = lSmall / lLarge;
    lRatio = Wide::Select(Wide::Mask(lRatio >= 0.0) & Wide::Mask(lRatio <= 1.0), lRatio,
                          Wide::Splat(0.0));
    KMotionWideMask lNearest;
    const KMotionWideLanes lCentre =
        Wide::Truncate(lRatio * kSixteenths + 0.5, lNearest) / kSixteenths;
    const KMotionWideLanes t = (lSmall - lCentre * lLarge) / (lLarge + lCentre * lSmall);
    const KMotionWideLanes t2 = t * t;
    const KMotionWideLanes lSeries =
        t *
        (1.0 + t2 * (-1.0 / 3.0 +
                     t2 * (1.0 / 5.0 + t2 * (-1.0 / 7.0 + t2 * (1.0 / 9.0 + t2 * (-1.0 / 11.0))))));
    const KMotionWideLanes lTable = Wide::Pick(kAtanSixteenths, lNearest);
    KMotionWideLanes lAngle = lTable + lSeries;
    lAngle = Wide::Select(lSteep, kHalfPi - lAngle, lAngle);
    lAngle = Wide::Select(Wide::Mask(pX < 0.0), kPi - lAngle, lAngle);
    return Wide::CopySign(lAngle, pY);
}

void WideAtan2(const KMotionLanes pY[2], const KMotionLanes pX[2], KMotionLanes oAngle[2])
{
    Split(WideAtan2(Joined(pY), Joined(pX)), oAngle);
}

[[gnu::always_inline]] inline KMotionWideLanes WideAsin(KMotionWideLanes pZ)
{
    const KMotionWideLanes lSquare = (1.0 - pZ) * (1.0 + pZ);
    const KMotionWideLanes lRoot =
        Wide::Sqrt(Wide::Select(Wide::Mask(lSquare > 0.0), lSquare, Wide::Splat(0.0)));
    return WideAtan2(pZ, lRoot);
}

void WideAsin(const KMotionLanes pZ[2], KMotionLanes oAngle[2])
{
    Split(WideAsin(Joined(pZ)), oAngle);
}

[[gnu::always_inline]] inline void WideSinCos(KMotionWideLanes pDegrees, KMotionWideLanes& oSine,
                                              KMotionWideLanes& oCosine)
{
    const KMotionWideLanes lRadians =
        Wide::Select(Wide::Mask(Wide::Abs(pDegrees) <= KMotionQuickTrig::kLargestTurn),
                     pDegrees * kLibraryDegToRad, Wide::Splat(0.0));
    const KMotionWideLanes lRounding =
        Wide::Select(Wide::Mask(lRadians >= 0.0), Wide::Splat(0.5), Wide::Splat(-0.5));
    KMotionWideMask lQuarters;
    const KMotionWideLanes q = Wide::Truncate(lRadians * kQuartersPerRadian + lRounding, lQuarters);
    const KMotionWideLanes x =
        ((lRadians - q * kQuarterTurn[0]) - q * kQuarterTurn[1]) - q * kQuarterTurn[2];
    const KMotionWideLanes x2 = x * x;
    const KMotionWideLanes x4 = x2 * x2;
    const KMotionWideLanes x8 = x4 * x4;
    const KMotionWideLanes lSine =
        x *
        ((1.0 - x2 * kSineTerms[0]) + x4 * (kSineTerms[1] - x2 * kSineTerms[2]) +
         x8 * ((kSineTerms[3] - x2 * kSineTerms[4]) + x4 * (kSineTerms[5] - x2 * kSineTerms[6])));
    const KMotionWideLanes lCosine =
        (1.0 - x2 * kCosineTerms[0]) + x4 * (kCosineTerms[1] - x2 * kCosineTerms[2]) +
        x8 * ((kCosineTerms[3] - x2 * kCosineTerms[4]) +
              x4 * (kCosineTerms[5] - x2 * kCosineTerms[6]) + x8 * kCosineTerms[7]);
    const KMotionWideMask lOdd = -(lQuarters & 1);
    const KMotionWideMask lSineFlip = (lQuarters << 62) & KMotionLaneBits::kSignBit;
    const KMotionWideMask lCosineFlip = ((lQuarters + 1) << 62) & KMotionLaneBits::kSignBit;
    oSine = Wide::Doubles(Wide::Bits(Wide::Select(lOdd, lCosine, lSine)) ^ lSineFlip);
    oCosine = Wide::Doubles(Wide::Bits(Wide::Select(lOdd, lSine, lCosine)) ^ lCosineFlip);
}

void WideSinCos(const KMotionLanes pDegrees[2], KMotionLanes oSine[2], KMotionLanes oCosine[2])
{
    KMotionWideLanes lSine;
    KMotionWideLanes lCosine;
    WideSinCos(Joined(pDegrees), lSine, lCosine);
    Split(lSine, oSine);
    Split(lCosine, oCosine);
}

// Blocks of values: whole groups of four straight from the arrays, the rest through a group
// padded with pPad. The steps above are made part of the loops (always inline), which then
// overlap from group to group.
constexpr int kWide = 4;

KMotionWideLanes WideLoad(const double* pValues, int pFirst, int pCount, double pPad)
{
    KMotionWideLanes lLanes;
    if (pCount - pFirst >= kWide) {
        std::memcpy(&lLanes, pValues + pFirst, sizeof lLanes);
        return lLanes;
    }
    double lValues[kWide] = {pPad, pPad, pPad, pPad};
    std::memcpy(lValues, pValues + pFirst, sizeof(double) * (pCount - pFirst));
    std::memcpy(&lLanes, lValues, sizeof lLanes);
    return lLanes;
}

void WideStore(KMotionWideLanes pLanes, int pFirst, int pCount, double* oValues)
{
    if (pCount - pFirst >= kWide) {
        std::memcpy(oValues + pFirst, &pLanes, sizeof pLanes);
        return;
    }
    std::memcpy(oValues + pFirst, &pLanes, sizeof(double) * (pCount - pFirst));
}

void WideSinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
    for (int f = 0; f < pCount; f += kWide) {
        KMotionWideLanes lSine;
        KMotionWideLanes lCosine;
        WideSinCos(WideLoad(pDegrees, f, pCount, 0.0), lSine, lCosine);
        WideStore(lSine, f, pCount, oSine);
        WideStore(lCosine, f, pCount, oCosine);
    }
}

void WideAtan2(int pCount, const double* pY, const double* pX, double* oAngle)
{
    for (int f = 0; f < pCount; f += kWide) {
        WideStore(WideAtan2(WideLoad(pY, f, pCount, 0.0), WideLoad(pX, f, pCount, 1.0)), f, pCount,
                  oAngle);
    }
}

void WideAsin(int pCount, const double* pZ, double* oAngle)
{
    for (int f = 0; f < pCount; f += kWide) {
        WideStore(WideAsin(WideLoad(pZ, f, pCount, 0.0)), f, pCount, oAngle);
    }
}

} // namespace

#pragma GCC pop_options
#endif

KMotionLanes KMotionQuickTrig::Atan2(KMotionLanes pY, KMotionLanes pX)
{
    const KMotionLanes lAx = Bits::Abs(pX);
    const KMotionLanes lAy = Bits::Abs(pY);
    const KMotionLaneMask lSteep = Bits::Mask(lAy > lAx);
    const KMotionLanes lSmall = Bits::Select(lSteep, lAx, lAy);
    const KMotionLanes lLarge = Bits::Select(lSteep, lAy, lAx);
    // A ratio outside 0 to 1 (arguments out of bounds) would index outside the table.
    KMotionLanes lRatio = lSmall / lLarge;
    lRatio = Bits::Select(Bits::Mask(lRatio >= 0.0) & Bits::Mask(lRatio <= 1.0), lRatio,
                          KMotionLanes{0.0, 0.0});
    LaneInts lNearest;
    const KMotionLanes lCentre = Bits::Truncate(lRatio * kSixteenths + 0.5, lNearest) / kSixteenths;
    const KMotionLanes t = (lSmall - lCentre * lLarge) / (lLarge + lCentre * lSmall);
    const KMotionLanes t2 = t * t;
    const KMotionLanes lSeries =
        t *
        (1.0 + t2 * (-1.0 / 3.0 +
                     t2 * (1.0 / 5.0 + t2 * (-1.0 / 7.0 + t2 * (1.0 / 9.0 + t2 * (-1.0 / 11.0))))));
    const KMotionLanes lTable = {kAtanSixteenths[lNearest[0]], kAtanSixteenths[lNearest[1]]};
    KMotionLanes lAngle = lTable + lSeries;
    lAngle = Bits::Select(lSteep, kHalfPi - lAngle, lAngle);
    lAngle = Bits::Select(Bits::Mask(pX < 0.0), kPi - lAngle, lAngle);
    // The sign of y, a zero's among them.
    return Bits::CopySign(lAngle, pY);
}

void KMotionQuickTrig::SinCos(KMotionLanes pDegrees, KMotionLanes& oSine, KMotionLanes& oCosine)
{
    // Turns out of bounds would make quarter turns outside the integers.
    const KMotionLanes lRadians = Bits::Select(Bits::Mask(Bits::Abs(pDegrees) <= kLargestTurn),
                                               pDegrees * kLibraryDegToRad, KMotionLanes{0.0, 0.0});
    const KMotionLanes lRounding =
        Bits::Select(Bits::Mask(lRadians >= 0.0), KMotionLanes{0.5, 0.5}, KMotionLanes{-0.5, -0.5});
    // Only the low two bits of the whole quarter turns count below.
    LaneInts lQuarters;
    const KMotionLanes q = Bits::Truncate(lRadians * kQuartersPerRadian + lRounding, lQuarters);
    const KMotionLanes x =
        ((lRadians - q * kQuarterTurn[0]) - q * kQuarterTurn[1]) - q * kQuarterTurn[2];
    const KMotionLanes x2 = x * x;
    const KMotionLanes x4 = x2 * x2;
    const KMotionLanes x8 = x4 * x4;
    // Estrin's scheme: the terms in pairs, so that the products do not wait on each other.
    const KMotionLanes lSine =
        x *
        ((1.0 - x2 * kSineTerms[0]) + x4 * (kSineTerms[1] - x2 * kSineTerms[2]) +
         x8 * ((kSineTerms[3] - x2 * kSineTerms[4]) + x4 * (kSineTerms[5] - x2 * kSineTerms[6])));
    const KMotionLanes lCosine =
        (1.0 - x2 * kCosineTerms[0]) + x4 * (kCosineTerms[1] - x2 * kCosineTerms[2]) +
        x8 * ((kCosineTerms[3] - x2 * kCosineTerms[4]) +
              x4 * (kCosineTerms[5] - x2 * kCosineTerms[6]) + x8 * kCosineTerms[7]);
    // Quarter turns 0 to 3 give (s, c), (c, -s), (-s, -c), (-c, s).
    // Bit 1 of the quarter turns, moved to the sign bit, flips the sign.
    const KMotionLaneMask lOdd = -(lQuarters & 1);
    oSine = Bits::FlipSign(Bits::Select(lOdd, lCosine, lSine), Bits::BitToSign(lQuarters, 1));
    oCosine = Bits::FlipSign(Bits::Select(lOdd, lSine, lCosine), Bits::BitToSign(lQuarters + 1, 1));
}

KMotionLanes KMotionQuickTrig::Asin(KMotionLanes pZ)
{
    const KMotionLanes lSquare = (1.0 - pZ) * (1.0 + pZ);
    // Beyond a magnitude of 1 the root's argument is below zero: a zero root keeps to Atan2's
    // bounds.
    const KMotionLanes lRoot =
        Bits::Sqrt(Bits::Select(Bits::Mask(lSquare > 0.0), lSquare, KMotionLanes{0.0, 0.0}));
    return Atan2(pZ, lRoot);
}

double KMotionQuickTrig::Asin(double pZ)
{
    return Asin(KMotionLanes{pZ, pZ})[0];
}

double KMotionQuickTrig::Atan2(double pY, double pX)
{
    return Atan2(KMotionLanes{pY, pY}, KMotionLanes{pX, pX})[0];
}

void KMotionQuickTrig::SinCos(double pDegrees, double& oSine, double& oCosine)
{
    KMotionLanes lSine;
    KMotionLanes lCosine;
    SinCos(KMotionLanes{pDegrees, pDegrees}, lSine, lCosine);
    oSine = lSine[0];
    oCosine = lCosine[0];
}

void KMotionQuickTrig::Atan2(const KMotionLanes pY[2], const KMotionLanes pX[2],
                             KMotionLanes oAngle[2])
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideAtan2(pY, pX, oAngle);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        oAngle[h] = Atan2(pY[h], pX[h]);
    }
}

void KMotionQuickTrig::SinCos(const KMotionLanes pDegrees[2], KMotionLanes oSine[2],
                              KMotionLanes oCosine[2])
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideSinCos(pDegrees, oSine, oCosine);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        SinCos(pDegrees[h], oSine[h], oCosine[h]);
    }
}

void KMotionQuickTrig::Asin(const KMotionLanes pZ[2], KMotionLanes oAngle[2])
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideAsin(pZ, oAngle);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        oAngle[h] = Asin(pZ[h]);
    }
}

namespace {

// The two-lane forms of the blocks, as the wide ones.
KMotionLanes Load(const double* pValues, int pFirst, int pCount, double pPad)
{
    KMotionLanes lLanes;
    if (pCount - pFirst >= 2) {
        std::memcpy(&lLanes, pValues + pFirst, sizeof lLanes);
        return lLanes;
    }
    double lValues[2] = {pPad, pPad};
    std::memcpy(lValues, pValues + pFirst, sizeof(double) * (pCount - pFirst));
    std::memcpy(&lLanes, lValues, sizeof lLanes);
    return lLanes;
}

void Store(KMotionLanes pLanes, int pFirst, int pCount, double* oValues)
{
    if (pCount - pFirst >= 2) {
        std::memcpy(oValues + pFirst, &pLanes, sizeof pLanes);
        return;
    }
    std::memcpy(oValues + pFirst, &pLanes, sizeof(double) * (pCount - pFirst));
}

} // namespace

void KMotionQuickTrig::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideSinCos(pCount, pDegrees, oSine, oCosine);
        return;
    }
#endif
    for (int f = 0; f < pCount; f += 2) {
        KMotionLanes lSine;
        KMotionLanes lCosine;
        SinCos(Load(pDegrees, f, pCount, 0.0), lSine, lCosine);
        Store(lSine, f, pCount, oSine);
        Store(lCosine, f, pCount, oCosine);
    }
}

void KMotionQuickTrig::Atan2(int pCount, const double* pY, const double* pX, double* oAngle)
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideAtan2(pCount, pY, pX, oAngle);
        return;
    }
#endif
    for (int f = 0; f < pCount; f += 2) {
        Store(Atan2(Load(pY, f, pCount, 0.0), Load(pX, f, pCount, 1.0)), f, pCount, oAngle);
    }
}

void KMotionQuickTrig::Asin(int pCount, const double* pZ, double* oAngle)
{
#if RYV_MOTION_WIDE_LANES
    if (HasWideLanes()) {
        WideAsin(pCount, pZ, oAngle);
        return;
    }
#endif
    for (int f = 0; f < pCount; f += 2) {
        Store(Asin(Load(pZ, f, pCount, 0.0)), f, pCount, oAngle);
    }
}
