#include "formats/motion/KMotionAngles.h"

#include "formats/motion/KMotionAngleLanes.h"

void KMotionAngles::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
    KMotionAngleLanes::Widest().mSinCos(pCount, pDegrees, oSine, oCosine);
}

void KMotionAngles::Atan2(int pCount, const double* pY, const double* pX, double* oDegrees)
{
    KMotionAngleLanes::Widest().mAtan2(pCount, pY, pX, oDegrees);
}

void KMotionAngles::Asin(int pCount, const double* pZ, double* oDegrees)
{
    KMotionAngleLanes::Widest().mAsin(pCount, pZ, oDegrees);
}

// One value through the narrowest lanes, which give the bits it has in a block.
void KMotionAngles::SinCos(double pDegrees, double& oSine, double& oCosine)
{
    KMotionAngleLanes::Narrowest().mSinCos(1, &pDegrees, &oSine, &oCosine);
}

double KMotionAngles::Atan2(double pY, double pX)
{
    double lDegrees;
    KMotionAngleLanes::Narrowest().mAtan2(1, &pY, &pX, &lDegrees);
    return lDegrees;
}

double KMotionAngles::Asin(double pZ)
{
    double lDegrees;
    KMotionAngleLanes::Narrowest().mAsin(1, &pZ, &lDegrees);
    return lDegrees;
}
