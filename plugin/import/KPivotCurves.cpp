#include "plugin/import/KPivotCurves.h"

#include <algorithm>
#include <cstdint>

KRyvPivotSet KPivotCurves::At(const KRyvPivotSet& pSet, KTime pTime) const
{
    KRyvPivotSet lSet = pSet;
    KVector4* const lVectors[ePivotCount] = {&lSet.mRotationPivot, &lSet.mRotationOffset,
                                             &lSet.mScalingPivot, &lSet.mScalingOffset};
    for (int lPivot = 0; lPivot < ePivotCount; ++lPivot) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            const KFCurve& lCurve = mCurves[lPivot][lAxis];
            if (lCurve.GetKeyCount() > 0) {
                (*lVectors[lPivot])[lAxis] = lCurve.Evaluate(pTime);
            }
        }
    }
    return lSet;
}

std::vector<const KFCurve*> KPivotCurves::Curves() const
{
    std::vector<const KFCurve*> lCurves;
    for (const auto& lPivot : mCurves) {
        for (const KFCurve& lCurve : lPivot) {
            lCurves.push_back(&lCurve);
        }
    }
    return lCurves;
}

// Frames come from the time origin, not from the first key, so that the resampled curves agree
// with their sources at every frame the time mode shows.
std::vector<KTime> KeyAndFrameTimes(const std::vector<const KFCurve*>& pCurves, KTime pPeriod,
                                    bool& ioCut)
{
    std::vector<KTime> lTimes;
    for (const KFCurve* lCurve : pCurves) {
        for (int lKey = 0; lCurve && lKey < lCurve->GetKeyCount(); ++lKey) {
            lTimes.push_back(lCurve->KeyGetTime(lKey));
        }
    }
    if (lTimes.empty()) {
        return lTimes;
    }
    std::sort(lTimes.begin(), lTimes.end());
    const std::int64_t lStart = lTimes.front().Get();
    const std::int64_t lEnd = lTimes.back().Get();
    const std::int64_t lPeriod = pPeriod.Get();
    // Frame numbers, not times, bound the loop: the frame after the last key may lie beyond
    // the tick range, and its time would wrap around.
    std::int64_t lFrame = lStart / lPeriod;
    if (lFrame * lPeriod < lStart) {
        ++lFrame;
    }
    std::int64_t lLastFrame = lEnd / lPeriod;
    if (lLastFrame * lPeriod > lEnd) {
        --lLastFrame;
    }
    // The loop always moves forward, and a span too long for the period stops at the cap.
    for (double lCount = 0; lFrame <= lLastFrame && lCount < kMaxSampleFrames; ++lFrame, ++lCount) {
        lTimes.emplace_back(lFrame * lPeriod);
    }
    ioCut = ioCut || lFrame <= lLastFrame;
    std::sort(lTimes.begin(), lTimes.end());
    lTimes.erase(std::unique(lTimes.begin(), lTimes.end()), lTimes.end());
    return lTimes;
}
