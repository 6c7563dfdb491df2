#include "formats/motion/bvh/KBvhCurveCursor.h"

KBvhCurveCursor::KBvhCurveCursor(const KFCurve& pCurve)
    : mCurve(&pCurve), mCount(pCurve.GetKeyCount())
{
    if (mCount > 0) {
        mFirstTicks = pCurve.GetKey(0)->GetTime().Get();
        mLastTicks = pCurve.GetKey(mCount - 1)->GetTime().Get();
    }
}

double KBvhCurveCursor::EvaluateAnywhere(KTime pTime)
{
    const std::int64_t lTicks = pTime.Get();
    if (lTicks < mFirstTicks || lTicks > mLastTicks) {
        return mCurve->Evaluate(pTime, &mHint);
    }
    if (mCurve->GetKey(mKey)->GetTime().Get() > lTicks) {
        mKey = 0;
    }
    // Forward only: over a whole write the cursor passes each key once.
    while (mKey + 1 < mCount && mCurve->GetKey(mKey + 1)->GetTime().Get() <= lTicks) {
        ++mKey;
    }
    __builtin_prefetch(mCurve->GetKey(mKey + kPrefetchKeys));
    const KFCurveKey* lKey = mCurve->GetKey(mKey);
    // On a key the curve answers the key's own value whatever its interpolation.
    if (lKey->GetTime().Get() == lTicks) {
        return lKey->GetValue();
    }
    mHint = mKey;
    return mCurve->Evaluate(pTime, &mHint);
}
