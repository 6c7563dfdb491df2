#ifndef RYVKIT_ANIMATION_KFCURVEFILTERGIMBLEKILLER_H
#define RYVKIT_ANIMATION_KFCURVEFILTERGIMBLEKILLER_H

#include "animation/KFCurveFilter.h"
#include "core/KVector4.h"

// Removes gimbal flips from three Euler rotation curves (X, Y, Z in degrees, keys at the same
// times): each key inside the filter span takes, of all the angle triples giving its rotation,
// the one closest to the key before it: whole turns on each angle, the other Euler solution
// (first and last turn + 180, middle 180 - b), and at gimbal lock (middle turn at +-90, where only
// the sum or difference of the first and last turn matters) the split of the first and last turn
// nearest the previous key. The rotation of every key is kept.
//
// Apply refuses anything but three non-null curves with the same key times.
class KFCurveFilterGimbleKiller : public KFCurveFilter
{
public:
    enum EError { eNeedsThreeCurves, eMissingCurve, eKeyTimesDiffer, eBadSetting, eErrorCount };

    KFCurveFilterGimbleKiller();

    // The order of the angles (KEulerUnroll numbering, XYZ by default); invalid orders refused.
    bool SetRotationOrder(int pOrder);
    int GetRotationOrder() const { return mRotationOrder; }

    using KFCurveFilter::Apply;
    // pCurves: the X, Y and Z rotation curves; pCount must be 3.
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    void SplitAtLock(KVector4& ioAngles, const KVector4& pPrevious) const;

    int mRotationOrder = 0;
};

#endif
