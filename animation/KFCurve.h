#ifndef RYVKIT_ANIMATION_KFCURVE_H
#define RYVKIT_ANIMATION_KFCURVE_H

#include "animation/KFCurveKey.h"
#include "core/KTime.h"

#include <cstdint>
#include <memory>
#include <vector>

class KFCurve;

// The change record a curve hands its callbacks: the merged flags of the changes, the first and
// last key index touched (-1 when no key) and how many key changes were merged into the record.
struct KFCurveEvent
{
    static constexpr int kValueChanged = 0x1;
    static constexpr int kDestroyed = 0x200;

    int mFlags = 0;
    int mFirstKeyIndex = -1;
    int mLastKeyIndex = -1;
    int mKeyCount = 0;
};

// A change callback: the curve, its change record and the data given with AddCallback.
typedef void (*KFCurveCallback)(KFCurve* pCurve, KFCurveEvent* pEvent, void* pData);

// An animation curve: keys in strictly increasing time order, a default value used when there is
// no key, a display colour, and the extrapolation used before the first and after the last key.
//
// Evaluation, between key i (time t0, value v0) and key i+1 (t1, v1), with s = (t - t0) / (t1 - t0)
// and d = t1 - t0 in seconds:
// - constant key i: v0 (constant mode "next": v1); linear key i: v0 + s (v1 - v0).
// - cubic key i: Hermite, v = h00 v0 + h10 d m0 + h01 v1 + h11 d m1 with h00 = 2s^3 - 3s^2 + 1,
//   h10 = s^3 - 2s^2 + s, h01 = -2s^3 + 3s^2, h11 = s^3 - s^2; m0 is the slope leaving key i,
//   m1 the slope arriving at key i+1 (value units per second):
//   - user or break tangents: the stored derivatives (key i data 0 for m0, key i data 1 for m1).
//   - auto tangents: the smooth slope S = (v_next - v_prev) / (t_next - t_prev) of the key's two
//     neighbours, 0 at the first and last key and where the key is a local extreme (the values
//     on both sides are not strictly monotonic); an auto value a (percent, key i data 0 for the
//     right side, data 1 for the next key's left side) blends it towards the segment's own slope
//     L = (v1 - v0) / d: m = S + a / 100 (L - S). a = 0 is smooth, a = 100 runs straight to the
//     neighbouring key.
//   - TCB tangents (Kochanek-Bartels in slope form): with the slopes of the segments before and
//     after the key, Sp and Sn (at the first/last key the missing one equals the other), and
//     tension T, continuity C, bias B:
//       arriving  = (1-T)(1-C)(1+B)/2 Sp + (1-T)(1+C)(1-B)/2 Sn
//       leaving   = (1-T)(1+C)(1+B)/2 Sp + (1-T)(1-C)(1-B)/2 Sn
//   - weighted tangents (flag 0x1000000 on key i for m0, 0x2000000 on key i for m1; an unweighted
//     side counts as weight 1/3): a cubic Bezier in (time, value) with control points
//     (0, v0), (w0, v0 + m0 w0 d), (1 - w1, v1 - m1 w1 d), (1, v1) in normalised time; the
//     Bezier parameter of the normalised time s is found by Newton steps with a bisection
//     fallback (at most 32 steps). With w0 = w1 = 1/3 this equals the Hermite segment.
// - before the first key (pre-extrapolation) and after the last key (post-extrapolation):
//   constant holds the first/last key's value; repetition repeats the key span; mirror repetition
//   repeats it alternately reversed; keep slope continues with the slope of the first/last
//   segment. A repetition count n >= 0 repeats the span n times and then holds the value reached;
//   kUnlimitedRepetitions repeats for ever. With a single key every kind holds its value.
// An empty curve evaluates to its default value everywhere.
//
// Events: every change records the value-change bit (1) into a pending change record. It is sent
// at once to every callback, in registration order, unless events are disabled or held by a key
// set / key modify batch, in which case it waits and is sent once when the batch ends (or events
// are enabled again). The destructor always sends kDestroyed (0x200). Callbacks may remove
// themselves or any other callback during dispatch; changes a callback makes to the curve during
// dispatch stay pending (so a callback cannot start an endless chain of events). A callback must
// not destroy the curve. Copies never take the callbacks of their source.
//
// Bad input: KeyAdd refuses non-finite values; keys set by index out of time order are sorted
// again (a later key at the same time replaces the earlier one) when the batch ends; key counts
// are capped at kMaxKeyCount.
//
// Not a base class: a scene holds a dozen curves per node, and a table pointer in each would take
// every curve into a larger allocation.
class KFCurve final
{
public:
    static constexpr int kExtrapolationConstant = 1;
    static constexpr int kExtrapolationRepetition = 2;
    static constexpr int kExtrapolationMirrorRepetition = 3;
    static constexpr int kExtrapolationKeepSlope = 4;
    static constexpr int kUnlimitedRepetitions = -1;

    // The most keys a curve holds; BeginKeySet beyond it is refused.
    static constexpr int kMaxKeyCount = 1 << 22;

    // A new empty curve (no keys, default value 0, colour 1, 1, 1, constant extrapolation);
    // null when allocation fails. Destroy(null) is ignored.
    static KFCurve* Create();
    static void Destroy(KFCurve* pCurve);

    KFCurve();
    // Copies everything but the callbacks and the pending event.
    KFCurve(const KFCurve& pOther);
    KFCurve& operator=(const KFCurve& pOther);
    ~KFCurve();

    // Keys. Index arguments are bounds-checked: out of range gives null, false, -1 or 0.
    int GetKeyCount() const { return static_cast<int>(mKeys.size()); }
    // Inside a BeginKeySet batch, asking for an index at or beyond the key count but below the
    // batch's count makes the keys up to it (default keys) so that they can be set by index.
    // A key pointer stays valid until keys are added, made or removed.
    KFCurveKey* GetKey(int pIndex);
    // Inline, as the filters read every key through them.
    const KFCurveKey* GetKey(int pIndex) const
    {
        return pIndex >= 0 && pIndex < GetKeyCount() ? &mKeys[static_cast<std::size_t>(pIndex)]
                                                     : nullptr;
    }
    KTime KeyGetTime(int pIndex) const
    {
        const KFCurveKey* lKey = GetKey(pIndex);
        return lKey ? lKey->GetTime() : KTime();
    }
    float KeyGetValue(int pIndex) const
    {
        const KFCurveKey* lKey = GetKey(pIndex);
        return lKey ? lKey->GetValue() : 0.0f;
    }
    bool KeySetValue(int pIndex, float pValue);
    bool KeyIncValue(int pIndex, float pDelta);
    int KeyGetInterpolation(int pIndex) const;
    bool KeySetInterpolation(int pIndex, int pInterpolation);
    int KeyGetTangentMode(int pIndex) const;
    bool KeySetTangentMode(int pIndex, int pTangentMode);
    // Index of the key at exactly that time, -1 when none.
    int KeyFind(KTime pTime) const;
    // True when pOther holds as many keys as this curve, each at the time of this curve's key of
    // the same index.
    bool HasKeyTimesOf(const KFCurve& pOther) const;

    // Adds a cubic key with auto tangents, weight mode 0, weights 1/3 and velocities 0 at its
    // place in time order (appended when later than every key); a key already at that time gets
    // the new value instead. Returns the key's index, -1 for a non-finite value or a full curve.
    int KeyAdd(KTime pTime, float pValue);
    // The same with a whole key (its own time is replaced by pTime).
    int KeyAdd(KTime pTime, const KFCurveKey& pKey);
    bool KeyRemove(int pIndex);
    // Removes every key with pStart <= time <= pStop; returns how many were removed.
    int KeyRemove(KTime pStart, KTime pStop);
    void KeyClear();

    // Opens a batch that sets pCount keys by index (GetKey(i)->Set(...)): events are held and
    // storage is reserved (at most 65536 keys ahead; more grow as they are used). Refused (false)
    // for a count below 0 or above kMaxKeyCount, or when a key set batch is already open.
    bool BeginKeySet(int pCount);
    // Closes the batch: the key count becomes pCount (never more than the keys reached by index
    // in the batch, so a count from a damaged file makes no keys that were never set), keys are
    // put back in time order and the held event is sent once. False when no batch is open.
    bool EndKeySet(int pCount);
    // Inside a key set batch: keys pFirst to pFirst + pCount - 1 set at once, key i as
    // GetKey(i)->Set(pTimes[i - pFirst], pValues[i - pFirst], pInterpolation,
    // KFCurveKey::kTangentAuto) sets it. pFirst may not lie beyond the keys reached so far. False,
    // nothing set, outside a batch or beyond its count.
    bool KeySetBatch(int pFirst, int pCount, const KTime* pTimes, const float* pValues,
                     int pInterpolation);
    // The same with whole keys: key i becomes a copy of pKeys[i - pFirst], its time included, as
    // *GetKey(i) = pKeys[i - pFirst] makes it.
    bool KeySetBatch(int pFirst, int pCount, const KFCurveKey* pKeys);
    // A batch of key edits: events held, keys sorted and one event sent at the end. Batches nest.
    void BeginKeyModify();
    void EndKeyModify();

    // Tangents. The left side of key i is stored with key i-1, so the left setters do nothing
    // (false) for i = 0 or when key i-1 is not cubic; the right setters need a cubic key i.
    // Derivatives in value units per second, auto values in percent (see above).
    // Left derivative of key i: stored as given for user/break tangents, converted into the auto
    // value giving that slope for auto tangents (refused when no auto value can change the slope),
    // refused for TCB keys.
    bool SetKeyLeftDerivative(int pIndex, double pDerivative);
    bool SetKeyRightDerivative(int pIndex, double pDerivative);
    // The slope the evaluation uses on that side of the key (0 for a missing side).
    double GetKeyLeftDerivative(int pIndex) const;
    double GetKeyRightDerivative(int pIndex) const;
    // Auto value: stored as given for auto tangents, converted into the derivative it gives for
    // user/break tangents, refused for TCB keys.
    bool SetKeyLeftAuto(int pIndex, double pAuto);
    bool SetKeyRightAuto(int pIndex, double pAuto);
    double GetKeyLeftAuto(int pIndex) const;
    double GetKeyRightAuto(int pIndex) const;
    // Right weight: cubic key i that is not the last; sets flag 0x1000000 on key i. Left weight:
    // i > 0 with a cubic key i-1; sets flag 0x2000000 on key i-1. Weights clamped to
    // [0.00010001, 0.99]; non-finite weights refused.
    bool SetKeyRightWeight(int pIndex, double pWeight);
    bool SetKeyLeftWeight(int pIndex, double pWeight);
    // The weight in use on that side (1/3 when that side is not weighted).
    double GetKeyRightWeight(int pIndex) const;
    double GetKeyLeftWeight(int pIndex) const;

    // The value of the curve without keys, single precision; setting records a value change.
    void SetDefaultValue(float pValue);
    double GetDefaultValue() const { return mDefaultValue; }

    void SetColor(float pRed, float pGreen, float pBlue);
    // pRgb: three floats; null is ignored.
    void SetColor(const float* pRgb);
    const float* GetColor() const { return mColor; }

    // Free flag word carried along by copies.
    int GetFlags() const { return mFlags; }
    void SetFlags(int pFlags) { mFlags = pFlags; }

    // Extrapolation kinds kExtrapolation...; other values are refused (false). Counts below 0
    // mean unlimited.
    bool SetPreExtrapolation(int pKind);
    int GetPreExtrapolation() const { return mPreExtrapolation; }
    bool SetPostExtrapolation(int pKind);
    int GetPostExtrapolation() const { return mPostExtrapolation; }
    void SetPreExtrapolationCount(int pCount);
    int GetPreExtrapolationCount() const { return mPreCount; }
    void SetPostExtrapolationCount(int pCount);
    int GetPostExtrapolationCount() const { return mPostCount; }

    // The value at a time (see the formulas above). Evaluate searches the keys each time;
    // EvaluateCached starts from the segment of the previous call, which makes evaluation in
    // time order constant-time per call.
    double Evaluate(KTime pTime) const;
    double EvaluateCached(KTime pTime);
    // Evaluate starting from a segment hint held by the caller (a key index, read and updated;
    // null is allowed), for callers walking several curves in step.
    double Evaluate(KTime pTime, int* ioLastIndex) const;

    // A new curve (null on allocation failure) with this curve's default value, flags, colour,
    // extrapolation and evaluation cache, and the keys with pStart <= time <= pStop (every key
    // for the span from minus to plus infinity).
    KFCurve* Copy(KTime pStart, KTime pStop) const;
    // Copies default value, colour, flags, extrapolation kinds and counts; with pWithKeys also
    // the keys, otherwise this curve's keys are cleared. Records a value change.
    void CopyFrom(const KFCurve& pSource, bool pWithKeys);

    // Registers a {callback, data} pair (refused when null or already registered).
    bool AddCallback(KFCurveCallback pCallback, void* pData);
    // Removes the pair; false when it was not registered. Safe during dispatch.
    bool RemoveCallback(KFCurveCallback pCallback, void* pData);
    int GetCallbackCount() const;
    // Switching on with a pending event sends it, then clears it.
    void EnableEvents(bool pEnable);
    bool AreEventsEnabled() const { return mEventsEnabled; }
    // Resets the pending record (flags 0, key indices -1, key count 0).
    void ClearPendingEvent();
    const KFCurveEvent& GetPendingEvent() const;

private:
    struct Callback
    {
        KFCurveCallback mFunction;
        void* mData;
    };
    // What only a curve with callbacks, or with a change waiting, needs. Made on first use and
    // dropped again once idle: most curves never have a listener.
    struct EventState
    {
        KFCurveEvent mPending;
        std::vector<Callback> mCallbacks;
        bool mDispatching = false;
        bool mCallbacksRemoved = false;
    };

    void CopyFields(const KFCurve& pOther);
    int AddKey(const KFCurveKey& pKey, bool pValueOnly);
    void RecordChange(int pFlags, int pFirstKey, int pLastKey);
    void FlushEvent();
    void Dispatch(const KFCurveEvent& pEvent);
    EventState& Events();
    void DropIdleEvents();
    bool IsDispatching() const { return mEvents && mEvents->mDispatching; }
    bool IsHeld() const { return mKeySetCount >= 0 || mModifyDepth > 0; }
    void SortKeys();
    void RecordAllKeys();
    int FindSegment(std::int64_t pTicks) const;
    double EvaluateSegment(int pIndex, std::int64_t pTicks) const;
    double EvaluateAt(std::int64_t pTicks, int& ioHint) const;
    double Extrapolate(std::int64_t pTicks, int& ioHint) const;
    double FirstSlope() const;
    double LastSlope() const;
    double SmoothSlope(int pIndex) const;
    double SegmentSlope(int pIndex) const;
    double TCBSlope(int pIndex, bool pLeaving) const;
    double RightSlope(int pIndex) const;
    double LeftSlope(int pIndex) const;
    double SlopeFromAuto(int pKey, int pSegment, double pAuto) const;
    bool AutoFromSlope(int pKey, int pSegment, double pSlope, double& ioAuto) const;
    bool IsCubic(int pIndex) const;

    std::vector<KFCurveKey> mKeys;
    std::unique_ptr<EventState> mEvents;
    std::int64_t mCacheTicks = 0;
    float mDefaultValue = 0.0f;
    float mColor[3] = {1.0f, 1.0f, 1.0f};
    int mFlags = 0;
    int mPreCount = kUnlimitedRepetitions;
    int mPostCount = kUnlimitedRepetitions;
    int mCacheSegment = -1;
    int mKeySetCount = -1;
    int mModifyDepth = 0;
    // Extrapolation kinds (kExtrapolation...), small enough for a byte each.
    std::int8_t mPreExtrapolation = kExtrapolationConstant;
    std::int8_t mPostExtrapolation = kExtrapolationConstant;
    // The keys are known to be in strictly increasing finite time order, as SortKeys leaves them,
    // so that the end of a key set or key modify batch has nothing to sort. Whatever may move a
    // key in time (a key handed out for editing, keys set out of order) clears it.
    bool mKeysInOrder = true;
    bool mEventsEnabled = true;
};

#endif
