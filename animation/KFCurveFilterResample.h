#ifndef RYVKIT_ANIMATION_KFCURVEFILTERRESAMPLE_H
#define RYVKIT_ANIMATION_KFCURVEFILTERRESAMPLE_H

#include "animation/KFCurveFilter.h"

// Replaces the keys of a curve by samples of the curve taken every period: over the curve's key
// span cut to the filter span, keys at the span's start, start + period, ..., and, with "last key
// at end time", one more key on the span's end when the steps miss it. Sampled keys are cubic
// with auto tangents; keys outside the span stay. Curves are treated one by one.
//
// The span is always bounded by the curve's own keys, so a filter span of minus to plus infinity
// samples only between the first and last key. A period of 0 or below, or a span that would need
// more than kMaxSampleCount keys, is refused (the curve unchanged).
class KFCurveFilterResample : public KFCurveFilter
{
public:
    enum EError { eMissingCurve, eBadPeriod, eTooManyKeys, eCurveBusy, eErrorCount };

    // One frame at 30 frames per second.
    static constexpr std::int64_t kDefaultPeriodTicks = KTime::kTicksPerSecond / 30;

    KFCurveFilterResample();

    // A period of 0 or below is refused (false, unchanged).
    bool SetPeriod(KTime pPeriod);
    KTime GetPeriod() const { return mPeriod; }
    // On by default.
    void SetGenerateLastKeyAtEndTime(bool pOn) { mLastKeyAtEndTime = pOn; }
    bool GetGenerateLastKeyAtEndTime() const { return mLastKeyAtEndTime; }

    using KFCurveFilter::Apply;
    bool Apply(KFCurve** pCurves, int pCount) override;

private:
    int Resample(KFCurve& pCurve);

    KTime mPeriod{kDefaultPeriodTicks};
    bool mLastKeyAtEndTime = true;
};

#endif
