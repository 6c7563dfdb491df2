#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKTRIG_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKTRIG_H

// Arc tangents, sines and cosines for the BVH writer's quick channel angles: not the library's to
// the last bit, but within a stated bound of the exact values, and several times cheaper. The
// bounds are what KBvhChannelAngles relies on to know when the library's digits could differ.
class KBvhQuickTrig
{
public:
    // The largest turn (degrees) SinCos takes: its quarter turns fit 20 bits.
    static constexpr double kLargestTurn = 1e6;

    // atan2 within 2e-15 radians of the exact value, for finite arguments not both zero: the
    // ratio of the smaller to the larger magnitude is brought within 1/32 of a multiple of 1/16
    // by the addition formula, where six terms of the series leave less than 1e-20. A y of zero
    // with a positive x gives that zero, as the library does.
    static double Atan2(double pY, double pX);
    // The sine and cosine of the radians EulerToMatrixXYZ turns pDegrees into (at most
    // kLargestTurn in magnitude; the same rounded product), within 6e-16 of their exact values:
    // brought within a quarter turn of zero by a three-part quarter turn (each part's product
    // exact), where eight terms of the sine's series and nine of the cosine's leave less than
    // 1e-16.
    static void SinCos(double pDegrees, double& oSine, double& oCosine);
};

#endif
