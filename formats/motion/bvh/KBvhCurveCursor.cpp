#include "formats/motion/bvh/KBvhCurveCursor.h"

KBvhCurveCursor::KBvhCurveCursor(const KFCurve& pCurve)
    : mCurve(&pCurve), mCount(pCurve.GetKeyCount())
{
    if (mCount > 0) {
        mFirstTicks = pCurve.GetKey(0)->GetTime().Get();
        mLastTicks = pCurve.GetKey(mCount - 1)->GetTime().Get();
    }
}
