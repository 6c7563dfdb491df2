#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHCURVECURSOR_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHCURVECURSOR_H

#include "core/KTime.h"

#include <cstdint>

class KFCurve;

// Evaluates one curve at the times of a writer's frames, which only go forward, giving what
// KFCurve::Evaluate gives, bit for bit: a time on a key answers that key's value without a
// search, any other time is evaluated by the curve starting from the cursor's segment. A time
// earlier than the one before is still answered right (the cursor starts over). Without a curve
// it answers its missing value. The curve is not owned; it must outlive the cursor and keep its
// keys while the cursor is used.
class KBvhCurveCursor
{
public:
    KBvhCurveCursor() = default;
    KBvhCurveCursor(const KFCurve* pCurve, double pMissing);

    double Evaluate(KTime pTime);

private:
    const KFCurve* mCurve = nullptr;
    double mMissing = 0.0;
    // The curve's keys as they were when the cursor was made.
    int mCount = 0;
    std::int64_t mFirstTicks = 0;
    std::int64_t mLastTicks = 0;
    // The last key at or before the time of the previous call.
    int mKey = 0;
    // The curve's own segment hint for times between keys and outside them.
    int mHint = -1;
};

#endif
