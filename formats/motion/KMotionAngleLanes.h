#ifndef RYVKIT_FORMATS_MOTION_KMOTIONANGLELANES_H
#define RYVKIT_FORMATS_MOTION_KMOTIONANGLELANES_H

#include <vector>

// The block forms of KMotionAngles for one lane width, each defined in a source file of its own
// that is compiled for its instruction set alone (the build adds the flag to that file only):
// one lane on SLEEF's portable forms, which every processor has; two lanes on the registers
// every x86-64 processor has; four where it has the wider ones. The build takes the x86 forms on
// x86-64 and the portable one elsewhere, or everywhere with RYV_PORTABLE_MATHS; every width
// gives the bits of SLEEF's scalar forms. The dispatch is one source file of each build.
struct KMotionAngleLanes
{
    void (*mSinCos)(int pCount, const double* pDegrees, double* oSine, double* oCosine);
    void (*mAtan2)(int pCount, const double* pY, const double* pX, double* oDegrees);
    void (*mAsin)(int pCount, const double* pZ, double* oDegrees);

    static const KMotionAngleLanes& OneLane();
    // Only in a build with the x86 forms.
    static const KMotionAngleLanes& TwoLanes();
    // Only in a build with the x86 forms, on a processor with the wider registers.
    static const KMotionAngleLanes& FourLanes();

    // The lanes one value goes through: the narrowest of the build's own forms.
    static const KMotionAngleLanes& Narrowest();
    // The widest of the build's forms that the processor runs.
    static const KMotionAngleLanes& Widest();
    // Every form this build holds that the processor runs, narrowest first.
    static std::vector<const KMotionAngleLanes*> Available();
};

#endif
