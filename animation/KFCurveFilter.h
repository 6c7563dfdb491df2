#ifndef RYVKIT_ANIMATION_KFCURVEFILTER_H
#define RYVKIT_ANIMATION_KFCURVEFILTER_H

#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "core/KError.h"
#include "core/KTime.h"

#include <vector>

class KFCurveNode;

// The common part of the curve filters: a name, the time span a filter works in (keys outside it
// are left as they are; minus to plus infinity by default, so a filter sees every key) and the
// error state with the filter's own table of messages. A filter never owns the curves it is given;
// it edits them in place inside one key batch, so each curve sends one change event per Apply.
// Refusals (null curves, bad settings, too many keys to make) answer false with the error set;
// success clears the error.
class KFCurveFilter
{
public:
    // The most keys a filter makes on one curve from a sampling period; a span and period that
    // would need more are refused rather than allocated.
    static constexpr int kMaxSampleCount = 1 << 20;

    KFCurveFilter(const KFCurveFilter&) = delete;
    KFCurveFilter& operator=(const KFCurveFilter&) = delete;
    virtual ~KFCurveFilter();

    const char* GetName() const { return mName; }

    // The span [start, stop] of key times the filter works in. A start after the stop is an empty
    // span: Apply then changes nothing.
    void SetStartTime(KTime pStart) { mStart = pStart; }
    KTime GetStartTime() const { return mStart; }
    void SetStopTime(KTime pStop) { mStop = pStop; }
    KTime GetStopTime() const { return mStop; }

    // Filters pCount curves (the filter says whether it treats them one by one or together).
    virtual bool Apply(KFCurve** pCurves, int pCount) = 0;
    // The same on one curve.
    bool Apply(KFCurve& pCurve);
    // The curves of a channel tree: the node's own curve and, with pRecursive, those of every
    // node below, depth first, filtered as one array.
    virtual bool Apply(KFCurveNode& pNode, bool pRecursive);

    const KError& GetError() const { return mError; }
    int GetLastErrorID() const { return mError.GetLastErrorID(); }
    const char* GetLastErrorString() const { return mError.GetLastErrorString().Buffer(); }

protected:
    // pMessages: the filter's table of pMessageCount texts, kept (static strings).
    KFCurveFilter(const char* pName, const char* const* pMessages, int pMessageCount);

    // Sets the error and answers false, so that refusals read "return Fail(eCode);".
    bool Fail(int pCode);
    void ClearError() { mError.ClearLastError(); }

    // True when pCurves holds exactly three curves, none null (the three Euler angle curves of
    // the rotation filters); otherwise sets pWrongCountCode or pMissingCode and answers false.
    bool CheckThreeCurves(KFCurve* const* pCurves, int pCount, int pWrongCountCode,
                          int pMissingCode);
    // Stores a rotation order (KEulerUnroll numbering) in ioOrder; an invalid one sets
    // pBadCode and answers false.
    bool SetCheckedRotationOrder(int pOrder, int& ioOrder, int pBadCode);

    // Indices of the first and last key of pCurve inside [pStart, pStop]; pFirst > pLast when
    // none.
    static void GetSpanIndices(const KFCurve& pCurve, KTime pStart, KTime pStop, int& pFirst,
                               int& pLast);
    // The earliest and latest key time inside [pStart, pStop] over the curves (null entries
    // skipped); false when no curve has a key there.
    static bool GetKeySpan(const KFCurve* const* pCurves, int pCount, KTime pStart, KTime pStop,
                           KTime& pFirst, KTime& pLast);
    // The times pStart, pStart + pPeriod, ... up to pStop; with pLastAtStop, pStop itself ends
    // the list when the steps miss it. False (pTimes empty) for a period of 0 or below, a start
    // after the stop, or more than kMaxSampleCount times.
    static bool MakeSampleTimes(KTime pStart, KTime pStop, KTime pPeriod, bool pLastAtStop,
                                std::vector<KTime>& pTimes);
    // Replaces every key of pCurve by pKeys (in time order) in one key batch. False when the
    // curve is inside a key set batch of its own or pKeys is too long for a curve.
    static bool ReplaceKeys(KFCurve& pCurve, const std::vector<KFCurveKey>& pKeys);
    // A key value from a computed double: clamped to the float range (narrowing a double beyond
    // it is undefined); NaN stays NaN, which keys refuse.
    static float ToKeyValue(double pValue);
    // True when the curves (none null) hold the same number of keys at the same times.
    static bool HaveSameKeyTimes(KFCurve* const* pCurves, int pCount);
    // Negates the slopes stored on both sides of key pIndex (user and break tangents only: auto
    // and TCB slopes follow the key values by themselves). Used when an angle curve is mirrored
    // at a key, as the middle angle of the other Euler solution is.
    static void NegateKeySlopes(KFCurve& pCurve, int pIndex);
    // pCurve's keys before pStart, then pMiddle, then its keys after pStop.
    static std::vector<KFCurveKey> SpliceKeys(const KFCurve& pCurve, KTime pStart, KTime pStop,
                                              const std::vector<KFCurveKey>& pMiddle);

private:
    const char* mName;
    KTime mStart = KTime::kMinusInfinity;
    KTime mStop = KTime::kInfinity;
    KError mError;
};

#endif
