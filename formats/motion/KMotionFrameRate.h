#ifndef RYVKIT_FORMATS_MOTION_KMOTIONFRAMERATE_H
#define RYVKIT_FORMATS_MOTION_KMOTIONFRAMERATE_H

#include "animation/KTakeInfo.h"

#include <cstdint>

// The one check every motion format applies to a frame rate read from a file or handed in by a
// caller, before it reaches a time mode, a frame period or a float-to-integer conversion. A
// usable rate is finite and lies between kMinFrameRate and kMaxFrameRate frames per second;
// anything else (zero, negative, NaN, infinite, denormal) is refused, so frame periods are always
// positive and finite. Rounding a format wants (whole rates,
// two decimals) stays with the format.
class KMotionFrameRate
{
public:
    static constexpr double kMinFrameRate = KTakeInfo::kMinFrameRate;
    static constexpr double kMaxFrameRate = KTakeInfo::kMaxFrameRate;
    // How far a rate may lie from a time mode's rate and still select that mode.
    static constexpr double kModeTolerance = 0.001;

    static bool IsValid(double pRate);
    // The time mode of a usable rate: the first of the modes 1 to 13 whose rate lies within
    // kModeTolerance, else 0 (a custom rate). False, pTimeMode untouched, for an unusable rate.
    static bool ToTimeMode(double pRate, int& pTimeMode);
    // The rate of a frame time in seconds (1 / seconds). False, pRate untouched, when the frame
    // time is not finite or gives no usable rate (0, negative, shorter than 1 / kMaxFrameRate,
    // longer than 1 / kMinFrameRate).
    static bool FromFrameTime(double pSeconds, double& pRate);
    // The frame period in ticks the motion options give a rate: its time mode's, else the
    // rate's own; 0 for an unusable rate.
    static std::int64_t PeriodTicks(double pRate);
};

#endif
