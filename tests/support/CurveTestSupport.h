#ifndef RYVKIT_TESTS_SUPPORT_CURVETESTSUPPORT_H
#define RYVKIT_TESTS_SUPPORT_CURVETESTSUPPORT_H

// Shared helpers of the curve and filter tests: exact times, curves filled from value lists, their
// keys read back as plain numbers, and a counter of the change events a curve sends.

#include "animation/KFCurve.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace curvetest {

// The tick nearest to pSeconds, so that tenths and other short decimals land on one tick.
inline KTime Sec(double pSeconds)
{
    return KTime(static_cast<std::int64_t>(std::llround(pSeconds * KTime::kTicksPerSecond)));
}

// Keys at 0, pStep, 2 pStep, ... seconds with the given values (cubic, auto tangents, unless
// pInterpolation says otherwise).
inline void Fill(KFCurve& ioCurve, const std::vector<double>& pValues, double pStep = 1.0,
                 int pInterpolation = KFCurveKey::kInterpolationCubic)
{
    for (std::size_t i = 0; i < pValues.size(); ++i) {
        const int lIndex =
            ioCurve.KeyAdd(Sec(static_cast<double>(i) * pStep), static_cast<float>(pValues[i]));
        ioCurve.KeySetInterpolation(lIndex, pInterpolation);
    }
}

inline std::vector<double> Values(const KFCurve& pCurve)
{
    std::vector<double> lValues;
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        lValues.push_back(pCurve.KeyGetValue(i));
    }
    return lValues;
}

inline std::vector<double> KeySeconds(const KFCurve& pCurve)
{
    std::vector<double> lTimes;
    for (int i = 0; i < pCurve.GetKeyCount(); ++i) {
        lTimes.push_back(pCurve.KeyGetTime(i).GetSecondDouble());
    }
    return lTimes;
}

// Counts the change events of one curve from its construction to its own destruction.
class EventCounter
{
public:
    explicit EventCounter(KFCurve& pCurve) : mCurve(pCurve) { mCurve.AddCallback(Count, this); }
    ~EventCounter() { mCurve.RemoveCallback(Count, this); }
    EventCounter(const EventCounter&) = delete;
    EventCounter& operator=(const EventCounter&) = delete;
    int Get() const { return mCount; }

private:
    static void Count(KFCurve*, KFCurveEvent*, void* pData)
    {
        ++static_cast<EventCounter*>(pData)->mCount;
    }

    KFCurve& mCurve;
    int mCount = 0;
};

} // namespace curvetest

#endif
