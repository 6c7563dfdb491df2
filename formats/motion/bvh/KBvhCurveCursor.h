#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHCURVECURSOR_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHCURVECURSOR_H

#include "animation/KFCurve.h"
#include "core/KTime.h"

#include <cstdint>

// Evaluates one curve at the times of a writer's frames, which only go forward, giving what
// KFCurve::Evaluate gives, bit for bit: a time on a key answers that key's value without a
// search, any other time is evaluated by the curve starting from the cursor's segment. A time
// earlier than the one before is still answered right (the cursor starts over). The curve is not
// owned; it must outlive the cursor and keep its keys while the cursor is used.
class KBvhCurveCursor
{
public:
    explicit KBvhCurveCursor(const KFCurve& pCurve);

    // Inline: a writer asks this for every channel of every frame, and its frames mostly fall on
    // the keys one after the other, which is answered here.
    double Evaluate(KTime pTime)
    {
        const std::int64_t lTicks = pTime.Get();
        if (mKey + 1 < mCount) {
            const KFCurveKey* lNext = mCurve->GetKey(mKey + 1);
            const KFCurveKey* lAfter = mKey + 2 < mCount ? mCurve->GetKey(mKey + 2) : nullptr;
            if (lNext->GetTime().Get() == lTicks && (!lAfter || lAfter->GetTime().Get() > lTicks)) {
                ++mKey;
                __builtin_prefetch(mCurve->GetKey(mKey + kPrefetchKeys));
                return lNext->GetValue();
            }
        }
        return EvaluateAnywhere(pTime);
    }

private:
    // Any other time.
    double EvaluateAnywhere(KTime pTime);

    // A writer walks hundreds of curves in step, so each curve's next keys have left the cache
    // by the time it comes back to it: they are asked for this far ahead.
    static constexpr int kPrefetchKeys = 6;

    const KFCurve* mCurve;
    // The curve's keys as they were when the cursor was made; a curve without keys has its first
    // key after its last, so that every time goes to the curve.
    int mCount;
    std::int64_t mFirstTicks = 1;
    std::int64_t mLastTicks = 0;
    // The last key at or before the time of the previous call.
    int mKey = 0;
    // The curve's own segment hint for times between keys and outside them.
    int mHint = -1;
};

#endif
