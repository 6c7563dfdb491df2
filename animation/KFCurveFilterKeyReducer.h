#ifndef RYVKIT_ANIMATION_KFCURVEFILTERKEYREDUCER_H
#define RYVKIT_ANIMATION_KFCURVEFILTERKEYREDUCER_H

#include "animation/KFCurveFilter.h"

// Reduces several curves together (the channels of one track): walking the key times of all the
// curves in order, a time loses its keys in every curve only when no curve needs its key there.
// A curve needs a key when, without it, one of the keys removed since the last kept key would lie
// farther than the precision (value units) from the straight line between the last kept key and
// the key after it (from the held value, after a constant key). The first and last key of each
// curve inside the filter span always stay. Curves may hold keys at different times; null
// entries are refused before anything changes.
class KFCurveFilterKeyReducer : public KFCurveFilter
{
public:
    enum EError { eMissingCurve, eBadSetting, eCurveBusy, eErrorCount };

    static constexpr double kDefaultPrecision = 1.0;

    KFCurveFilterKeyReducer();

    // A precision below 0 or not finite is refused (false, unchanged).
    bool SetPrecision(double pPrecision);
    double GetPrecision() const { return mPrecision; }

    using KFCurveFilter::Apply;
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    double mPrecision = kDefaultPrecision;
};

#endif
