#ifndef RYVKIT_PLUGIN_IMPORT_KPIVOTCURVES_H
#define RYVKIT_PLUGIN_IMPORT_KPIVOTCURVES_H

#include "animation/KFCurve.h"
#include "scene/KRyvPivotSet.h"

#include <map>
#include <vector>

class KRyvNode;

// The animated pivots of one node: curves of its rotation pivot, rotation offset, scaling pivot
// and scaling offset (X, Y, Z each, scene units). A curve without keys stands for the value the
// node's pivot set holds.
class KPivotCurves
{
public:
    enum EPivot : int {
        eRotationPivot,
        eRotationOffset,
        eScalingPivot,
        eScalingOffset,
        ePivotCount
    };

    // pPivot 0 to 3, pAxis 0 to 2.
    KFCurve& GetCurve(int pPivot, int pAxis) { return mCurves[pPivot][pAxis]; }
    // pSet with the pivots and offsets that keyed curves give at pTime.
    KRyvPivotSet At(const KRyvPivotSet& pSet, KTime pTime) const;
    // The twelve curves, for a resampling over their keys.
    std::vector<const KFCurve*> Curves() const;

private:
    KFCurve mCurves[ePivotCount][3];
};

// Animated pivots by node.
using KPivotCurvesTable = std::map<const KRyvNode*, KPivotCurves>;

// The times of a resampling over the keys of pCurves (null ones skipped): every key and every
// frame (a multiple of pPeriod from the time origin) between the first and the last key, in
// order; empty when there is no key. ioCut is set when the frames stop at kMaxSampleFrames
// before the last key.
constexpr double kMaxSampleFrames = 1e6;
std::vector<KTime> KeyAndFrameTimes(const std::vector<const KFCurve*>& pCurves, KTime pPeriod,
                                    bool& ioCut);

#endif
