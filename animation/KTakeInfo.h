#ifndef RYVKIT_ANIMATION_KTAKEINFO_H
#define RYVKIT_ANIMATION_KTAKEINFO_H

#include "core/KString.h"
#include "core/KTime.h"
#include "core/KTimeModeTable.h"

#include <cmath>

// The description of one take of a scene: its name, two further description texts, whether it is
// selected, its local and reference time spans, two further words carried along for the file
// formats, and the rate of its frames as the file it was read from states it. A plain value:
// copies and assignments copy every field.
class KTakeInfo
{
public:
    // The rates a take can hold, frames per second: those the motion formats accept.
    static constexpr double kMinFrameRate = 0.001;
    static constexpr double kMaxFrameRate = 100000.0;

    // Empty texts, selected, zero time spans, zero words, no rate.
    KTakeInfo() = default;

    // Whether a rate is one a take can hold: finite, from kMinFrameRate to kMaxFrameRate.
    static bool IsUsableRate(double pRate)
    {
        return std::isfinite(pRate) && pRate >= kMinFrameRate && pRate <= kMaxFrameRate;
    }
    // Whether the take has a rate of its own: a mode other than the default one, and a usable
    // rate.
    bool HasFrameRate() const
    {
        return mTimeMode > KTimeModeTable::kDefaultMode &&
               mTimeMode <= KTimeModeTable::kCustomMode && IsUsableRate(mFrameRate);
    }

    KString mName;
    KString mDescription;
    KString mSecondDescription;
    int mSelect = 1;
    KTime mLocalStart;
    KTime mLocalStop;
    KTime mReferenceStart;
    KTime mReferenceStop;
    int mWords[2] = {0, 0};
    // The rate of the take's frames: a KTime time mode with a rate of its own (1 to 13, mFrameRate
    // then the rate the file states for it) or the custom mode (14) with mFrameRate the frames
    // per second. The default mode (0) says that the take has no rate of its own (a take an API
    // user made): writers then count frames at the scene's time mode.
    int mTimeMode = 0;
    double mFrameRate = 0.0;
};

#endif
