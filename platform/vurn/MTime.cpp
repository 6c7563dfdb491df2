#include "platform/vurn/MTime.h"

namespace {
constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerMinute = 60.0;
constexpr double kSecondsPerMillisecond = 0.001;
} // namespace

double MTime::SecondsPer(Unit pUnit)
{
    switch (pUnit) {
    case kHours:
        return kSecondsPerHour;
    case kMinutes:
        return kSecondsPerMinute;
    case kSeconds:
        return 1.0;
    case kMilliseconds:
        return kSecondsPerMillisecond;
    case kFilm:
        return 1.0 / kFramesPerSecond;
    default:
        return 0.0;
    }
}

MTime::MTime(double pValue, Unit pUnit) : mSeconds(pValue * SecondsPer(pUnit)) {}

double MTime::as(Unit pUnit) const
{
    const double lPer = SecondsPer(pUnit);
    return lPer > 0.0 ? mSeconds / lPer : 0.0;
}
