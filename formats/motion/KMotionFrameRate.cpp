#include "formats/motion/KMotionFrameRate.h"

#include "core/KTime.h"

#include <cmath>

bool KMotionFrameRate::IsValid(double pRate)
{
    return KTakeInfo::IsUsableRate(pRate);
}

bool KMotionFrameRate::ToTimeMode(double pRate, int& pTimeMode)
{
    if (!IsValid(pRate)) {
        return false;
    }
    pTimeMode = KTime::GetTimeModeFromFrameRate(pRate, kModeTolerance);
    return true;
}

std::int64_t KMotionFrameRate::PeriodTicks(double pRate)
{
    int lMode = 0;
    if (!ToTimeMode(pRate, lMode)) {
        return 0;
    }
    return lMode != 0 ? KTime::GetTicksPerFrame(lMode) : KTime::GetFramePeriod(pRate).Get();
}

bool KMotionFrameRate::FromFrameTime(double pSeconds, double& pRate)
{
    // Compared before dividing: 1 / 1e-320 would overflow to infinity.
    if (!std::isfinite(pSeconds) || pSeconds < 1.0 / kMaxFrameRate) {
        return false;
    }
    const double lRate = 1.0 / pSeconds;
    if (!IsValid(lRate)) {
        return false;
    }
    pRate = lRate;
    return true;
}
