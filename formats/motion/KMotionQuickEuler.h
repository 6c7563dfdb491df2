#ifndef RYVKIT_FORMATS_MOTION_KMOTIONQUICKEULER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONQUICKEULER_H

#include "formats/motion/KMotionQuickTrig.h"

// Quick block forms of the library paths the motion readers turn angles through, each with a
// stated bound on how far its result may lie from the library path's own, so that a reader can
// prove its float keys come out the same and fall back to the library path where it cannot.
// Arrays are one per entry or per angle (structure of arrays), at most kMaxCount values a call;
// nothing is allocated and nothing is kept between calls.
class KMotionQuickEuler
{
public:
    // Most values one call takes.
    static constexpr int kMaxCount = 64;
    // Bound (absolute) between SinCos's results and std::sin / std::cos of pDegrees * kDegToRad
    // (the product as core/KMatrixFunctions rounds it) for |pDegrees| <=
    // KMotionQuickTrig::kLargestTurn. The quick lanes are within 6e-16 of the exact values, the
    // library within an ulp of its results (at most 2^-52 for magnitudes up to 1): 8.3e-16 apart at
    // most, doubled.
    static constexpr double kSinCosError = 2e-15;
    // Sines and cosines of pCount (<= kMaxCount) angles in degrees through KMotionQuickTrig's
    // lanes, pWidth values at a time (same bits either way). Degrees beyond kLargestTurn or not
    // finite: oOutside[i] = true (their sine/cosine are some number).
    static void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                       bool* oOutside, KMotionLaneWidth pWidth = KMotionQuickTrig::WidestLanes());
    // The same for the three angles of pCount rotations, pDegrees[a][f]: oOutside[f] where any
    // of frame f's three is beyond kLargestTurn or not finite.
    static void SinCos(int pCount, const double* const pDegrees[3], double* const oSine[3],
                       double* const oCosine[3], bool* oOutside,
                       KMotionLaneWidth pWidth = KMotionQuickTrig::WidestLanes());
    // XYZ Euler angles in degrees as AxesToEulerXYZ (core/KMatrixFunctions) gives them from the
    // rows pRow0[c][f], pRow1[c][f] (c = 0..2) and pZ2[f], f < pCount <= kMaxCount, for matrices
    // whose every entry lies within pEntryError of the entry the library path computed:
    // oAngles[a][f] and oBound[f], a bound in degrees on |oAngles[a][f] - AxesToEulerXYZ(library
    // entries)[a]| for all three angles a; +infinity where none can be given (non-finite entries,
    // the gimbal branches of AxesToEulerXYZ or entries within pEntryError of their threshold
    // kEulerXYZGimbal, cos of the middle angle too small for the bound to be useful). A negative or
    // non-finite pEntryError gives no bound at all. Where the bound is infinite the angles are some
    // number. pWidth values at a time, the same bits either way.
    static void AxesToEulerXYZ(int pCount, const double* const pRow0[3],
                               const double* const pRow1[3], const double* pZ2, double pEntryError,
                               double* const oAngles[3], double* oBound,
                               KMotionLaneWidth pWidth = KMotionQuickTrig::WidestLanes());
    // True when every double within pBound of pValue rounds to the float pValue rounds to
    // (round to nearest, ties to even: a value that could sit on a midpoint is not certain);
    // false when pValue or pBound is not finite or the float would not be finite. A zero's sign
    // is never certain (false where the float is a zero), nor is a negative bound.
    static bool SameFloat(double pValue, double pBound);
    // The same for pCount values, pWidth at a time: oSame[i].
    static void SameFloat(int pCount, const double* pValues, const double* pBounds, bool* oSame,
                          KMotionLaneWidth pWidth = KMotionQuickTrig::WidestLanes());
};

#endif
