#ifndef RYVKIT_FORMATS_MOTION_KMOTIONANGLES_H
#define RYVKIT_FORMATS_MOTION_KMOTIONANGLES_H

// The one definition of the sines, cosines, arc tangents and arc sines the motion formats turn
// their angles with: the deterministic functions of the vector maths library SLEEF (within one
// ulp, no fused multiply-add, the same bits in every lane width and on every processor), so that
// a file gives the same keys whatever the C library, the compiler's contraction or the processor.
// Blocks go through the widest lanes the build and the processor have (KMotionAngleLanes); one
// value goes through the narrowest, which give the bits it would have in a block.
// Angles are degrees; arrays hold pCount values each (pCount >= 0) and outputs may not overlap
// inputs. Any argument gives a number (NaN where the function has none).
class KMotionAngles
{
public:
    static constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
    static constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;

    // The sine and cosine of pDegrees[i] * kDegToRad.
    static void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine);
    // atan2(pY[i], pX[i]) * kRadToDeg.
    static void Atan2(int pCount, const double* pY, const double* pX, double* oDegrees);
    // asin(pZ[i]) * kRadToDeg.
    static void Asin(int pCount, const double* pZ, double* oDegrees);

    static void SinCos(double pDegrees, double& oSine, double& oCosine);
    static double Atan2(double pY, double pX);
    static double Asin(double pZ);
};

#endif
