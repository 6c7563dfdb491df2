#ifndef RYVKIT_ANIMATION_KFCURVEFILTERCONSTANTKEYREDUCER_H
#define RYVKIT_ANIMATION_KFCURVEFILTERCONSTANTKEYREDUCER_H

#include "animation/KFCurveFilter.h"

// Removes the keys that carry no information: inside the filter span, a key goes when it, and the
// key after it, hold the value of the last kept key within the tolerance (value units; 0 by
// default, so only keys repeating that value exactly go) and the curve runs flat on both sides of
// it (constant or linear keys, or cubic slopes whose effect over the segment stays within the
// tolerance). A flat run of keys thus shrinks to its first and last key. The kept keys keep the
// slopes they had on the sides facing kept neighbours and run flat into a removed run: where
// their own tangents would change with their new neighbours (auto and TCB slopes follow them),
// they become break tangents holding those slopes. The curve therefore gives every removed key's
// value at its time (within the tolerance) and is unchanged outside the removed runs. Without
// "keep first and last keys", the first key also goes when the next kept key repeats it (and the
// curve holds its value before the first key), the last one likewise, so a constant curve ends
// with a single key; but an end key stays while the extrapolation at the other end depends on
// the key span (a repetition of more than one value, keep slope on a curve of two keys), since
// the curve must not change anywhere, extrapolation included. Curves are treated one by one; a
// null entry is reported (missing curve) after the others are reduced.
class KFCurveFilterConstantKeyReducer : public KFCurveFilter
{
public:
    enum EError { eMissingCurve, eBadSetting, eCurveBusy, eErrorCount };

    static constexpr double kDefaultTolerance = 0.0;

    KFCurveFilterConstantKeyReducer();

    // A tolerance below 0 or not finite is refused (false, unchanged).
    bool SetTolerance(double pTolerance);
    double GetTolerance() const { return mTolerance; }
    // Off by default.
    void SetKeepFirstAndLastKeys(bool pKeep) { mKeepFirstAndLastKeys = pKeep; }
    bool GetKeepFirstAndLastKeys() const { return mKeepFirstAndLastKeys; }

    using KFCurveFilter::Apply;
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    bool Reduce(KFCurve& pCurve);
    // Whether two neighbouring keys hold values within the tolerance: without such a pair no key
    // can go, and the curve is left as it is at the cost of one read of its values.
    bool HasNearNeighbours(const KFCurve& pCurve) const;
    // The indices of the keys that stay once the flat runs inside [pFirst, pLast] have shrunk.
    std::vector<int> KeepInside(const KFCurve& pCurve, int pFirst, int pLast) const;
    // Without "keep first and last keys": drops the first and last of ioKept where allowed.
    void DropEndKeys(const KFCurve& pCurve, bool pAtStart, bool pAtEnd,
                     std::vector<int>& ioKept) const;
    // Gives the kept keys (pKept, indices into pCurve; ioKeys, their copies) the slopes they had
    // on the sides whose neighbour stayed and flat slopes into a removed run.
    static void KeepSlopes(const KFCurve& pCurve, const std::vector<int>& pKept,
                           std::vector<KFCurveKey>& ioKeys);
    bool IsNear(const KFCurve& pCurve, int pA, int pB) const;
    bool IsFlat(const KFCurve& pCurve, int pFrom, int pTo) const;

    double mTolerance = kDefaultTolerance;
    bool mKeepFirstAndLastKeys = false;
};

#endif
