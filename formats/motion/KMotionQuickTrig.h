#ifndef RYVKIT_FORMATS_MOTION_KMOTIONQUICKTRIG_H
#define RYVKIT_FORMATS_MOTION_KMOTIONQUICKTRIG_H

#include "formats/motion/KMotionLaneBits.h"

// Arc tangents, sines and cosines for the motion formats' quick angle paths: not the library's to
// the last bit, but within a stated bound of the exact values, and several times cheaper. The
// bounds are what a caller relies on to know when the library's result could differ (the BVH
// writer's channel angles: its printed digits).
// Two or four values at a time (KMotionLaneWidth), without a branch on them: the quadrants of a
// motion's angles come in no order a processor could guess.
class KMotionQuickTrig
{
public:
    // The largest turn (degrees) SinCos takes: its quarter turns fit 20 bits.
    static constexpr double kLargestTurn = 1e6;

    // atan2 within 2e-15 radians of the exact value, for finite arguments not both zero: the
    // ratio of the smaller to the larger magnitude is brought within 1/32 of a multiple of 1/16
    // by the addition formula, where six terms of the series leave less than 1e-20. A y of zero
    // with a positive x gives that zero, as the library does. Other arguments give some number
    // (never a read outside the table).
    static KMotionLanes Atan2(KMotionLanes pY, KMotionLanes pX);
    // The sine and cosine of the radians EulerToMatrixXYZ turns pDegrees into (at most
    // kLargestTurn in magnitude; the same rounded product), within 6e-16 of their exact values:
    // brought within a quarter turn of zero by a three-part quarter turn (each part's product
    // exact), where eight terms of the sine's series and nine of the cosine's leave less than
    // 1e-16. Larger or non-finite degrees give some number.
    static void SinCos(KMotionLanes pDegrees, KMotionLanes& oSine, KMotionLanes& oCosine);
    // asin within 2.2e-15 radians of the exact value, for |pZ| <= 1, as Atan2(z, r) with
    // r = sqrt((1 - z)(1 + z)): the root's argument is within three roundings of 1 - z^2 and the
    // root within two of its own, and scaling x by 1 + d turns the angle by at most |z x d| / (z^2
    // + x^2) <= |d| / 2, so the root adds less than 1.2e-16 to Atan2's 2e-15. Larger magnitudes
    // give some number.
    static KMotionLanes Asin(KMotionLanes pZ);

    // The same for two sets of lanes: in wider registers at once where the processor has them
    // and pWidth allows (the same bits).
    static void Atan2(const KMotionLanes pY[2], const KMotionLanes pX[2], KMotionLanes oAngle[2],
                      KMotionLaneWidth pWidth = WidestLanes());
    static void SinCos(const KMotionLanes pDegrees[2], KMotionLanes oSine[2],
                       KMotionLanes oCosine[2], KMotionLaneWidth pWidth = WidestLanes());
    static void Asin(const KMotionLanes pZ[2], KMotionLanes oAngle[2],
                     KMotionLaneWidth pWidth = WidestLanes());

    // The same for pCount values of plain arrays (a block a reader gathered), pWidth values at a
    // time: each value's bits are those of the one-value forms. Outputs may not overlap inputs.
    static void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                       KMotionLaneWidth pWidth = WidestLanes());
    static void Atan2(int pCount, const double* pY, const double* pX, double* oAngle,
                      KMotionLaneWidth pWidth = WidestLanes());
    static void Asin(int pCount, const double* pZ, double* oAngle,
                     KMotionLaneWidth pWidth = WidestLanes());

    // Whether the processor has the wider registers of KMotionWideLanes.
    static bool HasWideLanes()
    {
#if RYV_MOTION_WIDE_LANES
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    // The widest lanes the processor has.
    static KMotionLaneWidth WidestLanes()
    {
        return HasWideLanes() ? KMotionLaneWidth::eFourLanes : KMotionLaneWidth::eTwoLanes;
    }
    // Whether a block loop asked for pWidth goes four values at a time here.
    static bool TakesWideLanes(KMotionLaneWidth pWidth)
    {
        return pWidth == KMotionLaneWidth::eFourLanes && HasWideLanes();
    }

    // The same for one value.
    static double Atan2(double pY, double pX);
    static void SinCos(double pDegrees, double& oSine, double& oCosine);
    static double Asin(double pZ);
};

#endif
