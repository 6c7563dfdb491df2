#ifndef RYVKIT_FORMATS_MOTION_KMOTIONANGLELANES_H
#define RYVKIT_FORMATS_MOTION_KMOTIONANGLELANES_H

// The block forms of KMotionAngles for one lane width, each defined in a source file of its own
// that is compiled for its instruction set alone (the build adds the flag to that file only):
// two lanes on the registers every 64-bit processor has, four where the processor has the wider
// ones. Every width gives the bits of SLEEF's scalar forms. Widest() is the one dispatch.
struct KMotionAngleLanes
{
    void (*mSinCos)(int pCount, const double* pDegrees, double* oSine, double* oCosine);
    void (*mAtan2)(int pCount, const double* pY, const double* pX, double* oDegrees);
    void (*mAsin)(int pCount, const double* pZ, double* oDegrees);

    static const KMotionAngleLanes& TwoLanes();
    // Only on a processor where HasFourLanes().
    static const KMotionAngleLanes& FourLanes();
    static bool HasFourLanes();
    // The four lanes where the processor has them, else the two.
    static const KMotionAngleLanes& Widest();
};

#endif
