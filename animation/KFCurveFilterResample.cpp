#include "animation/KFCurveFilterResample.h"

namespace {

const char* const kMessages[KFCurveFilterResample::eErrorCount] = {
    "Resample, Missing curve.",
    "Resample, The period must be above zero.",
    "Resample, Too many keys for the period.",
    "Resample, Curve is inside a key set.",
};

} // namespace

KFCurveFilterResample::KFCurveFilterResample() : KFCurveFilter("Resample", kMessages, eErrorCount)
{
}

bool KFCurveFilterResample::SetPeriod(KTime pPeriod)
{
    if (pPeriod.Get() <= 0) {
        return Fail(eBadPeriod);
    }
    mPeriod = pPeriod;
    return true;
}

bool KFCurveFilterResample::Apply(KFCurve** pCurves, int pCount)
{
    ClearError();
    if (mPeriod.Get() <= 0) {
        return Fail(eBadPeriod);
    }
    int lError = -1;
    for (int i = 0; pCurves != nullptr && i < pCount; ++i) {
        const int lResult =
            pCurves[i] == nullptr ? static_cast<int>(eMissingCurve) : Resample(*pCurves[i]);
        lError = lResult >= 0 ? lResult : lError;
    }
    return lError < 0 || Fail(lError);
}

int KFCurveFilterResample::Resample(KFCurve& pCurve)
{
    const KFCurve* lCurves[1] = {&pCurve};
    KTime lStart;
    KTime lStop;
    if (!GetKeySpan(lCurves, 1, GetStartTime(), GetStopTime(), lStart, lStop)) {
        return -1;
    }
    std::vector<KTime> lTimes;
    if (!MakeSampleTimes(lStart, lStop, mPeriod, mLastKeyAtEndTime, lTimes)) {
        return eTooManyKeys;
    }
    std::vector<KFCurveKey> lSamples(lTimes.size());
    int lHint = 0;
    for (std::size_t i = 0; i < lTimes.size(); ++i) {
        lSamples[i].Set(lTimes[i], ToKeyValue(pCurve.Evaluate(lTimes[i], &lHint)));
    }
    return ReplaceKeys(pCurve, SpliceKeys(pCurve, lStart, lStop, lSamples)) ? -1 : eCurveBusy;
}
