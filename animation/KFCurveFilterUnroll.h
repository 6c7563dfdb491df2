#ifndef RYVKIT_ANIMATION_KFCURVEFILTERUNROLL_H
#define RYVKIT_ANIMATION_KFCURVEFILTERUNROLL_H

#include "animation/KFCurveFilter.h"

// Removes 360-degree jumps from three Euler rotation curves (X, Y, Z, angles in degrees): each
// key inside the filter span moves by whole turns to lie nearest the key before it, so a real
// turn made of small steps (0, 10, ..., 720) stays while a wrap (170 then -170) becomes 170, 190.
//
// When the three curves have their keys at the same times they are unrolled together in the
// filter's rotation order (see KEulerUnroll), and with the path test on a key may also take the
// other Euler solution of its rotation when that is closer to the key before it by more than the
// quality tolerance (degrees): this removes the flips that a conversion from matrices makes. With
// different key times each curve is unrolled alone, by whole turns only.
//
// Apply refuses anything but three non-null curves.
class KFCurveFilterUnroll : public KFCurveFilter
{
public:
    enum EError { eNeedsThreeCurves, eMissingCurve, eBadSetting, eErrorCount };

    static constexpr double kDefaultQualityTolerance = 0.25;

    KFCurveFilterUnroll();

    // A tolerance below 0 or not finite is refused (false, unchanged).
    bool SetQualityTolerance(double pTolerance);
    double GetQualityTolerance() const { return mQualityTolerance; }
    // Whether keys may take the other Euler solution (off by default).
    void SetTestForPath(bool pTest) { mTestForPath = pTest; }
    bool GetTestForPath() const { return mTestForPath; }
    // The order of the angles (KEulerUnroll numbering, XYZ by default); invalid orders refused.
    bool SetRotationOrder(int pOrder);
    int GetRotationOrder() const { return mRotationOrder; }

    using KFCurveFilter::Apply;
    // pCurves: the X, Y and Z rotation curves; pCount must be 3.
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    void UnrollTogether(KFCurve** pCurves);
    // With the path test: replaces ioBest by the other Euler solution of pCurrent, moved near
    // pPrevious, when that is closer by more than the quality tolerance (true then).
    bool TakeAlternate(const double pCurrent[3], const double pPrevious[3], double ioBest[3]) const;
    static void UnrollAlone(KFCurve& pCurve, int pFirst, int pLast);

    double mQualityTolerance = kDefaultQualityTolerance;
    bool mTestForPath = false;
    int mRotationOrder = 0;
};

#endif
