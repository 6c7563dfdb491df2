#ifndef RYVKIT_CORE_KTIME_H
#define RYVKIT_CORE_KTIME_H

#include "core/KString.h"
#include "core/KTimeModeTable.h"

#include <cstdint>

// A time as a signed 64-bit count of ticks, 46186158000 ticks to the second.
// Tick counts are kept within [kMinusInfinityTicks, kInfinityTicks]; arithmetic saturates at
// those two values, so an overflow never wraps and never is undefined.
//
// Time modes are the rows of KTimeModeTable (kDefaultMode = the process-wide default mode). Modes
// without a rate of their own (the custom mode, unknown numbers) count frames at 30 per second.
// Time protocols: kProtocolTimeCode (0), kProtocolFrameCount (1) and kProtocolDefault (2, the
// process-wide default protocol).
class KTime
{
public:
    static constexpr std::int64_t kTicksPerSecond = 46186158000LL;
    static constexpr std::int64_t kInfinityTicks = 0x7fffffffffffffffLL;
    static constexpr std::int64_t kMinusInfinityTicks = -0x7fffffffffffffffLL; // 0x8000000000000001

    static constexpr int kProtocolTimeCode = 0;
    static constexpr int kProtocolFrameCount = 1;
    static constexpr int kProtocolDefault = 2;

    static const KTime kZero;
    static const KTime kInfinity;
    static const KTime kMinusInfinity;

    constexpr KTime() : mTicks(0) {}
    // A tick count below kMinusInfinityTicks (only INT64_MIN) is kept as minus infinity.
    constexpr explicit KTime(std::int64_t pTicks) : mTicks(Clamp(pTicks)) {}

    void Set(std::int64_t pTicks) { mTicks = Clamp(pTicks); }
    constexpr std::int64_t Get() const { return mTicks; }

    // Seconds truncated toward zero to ticks, exactly (the double's own value times the tick rate,
    // however large); NaN gives 0, values beyond the tick range (and the infinities) give the
    // infinities.
    void SetSecondDouble(double pSeconds);
    double GetSecondDouble() const;
    // The whole seconds of the time, truncated toward zero.
    std::int64_t GetSecondCount() const;

    // The time of a time code in a time mode (kDefaultMode = the global default mode). Frames and
    // fields may exceed their usual range (frame 45 at 30 fps is 1.5 s); a field is half a frame.
    // Drop-frame modes read the code as drop-frame time code (frames 0 and 1 of every minute but
    // each tenth do not exist; giving them anyway counts on from the previous minute's last frame).
    void SetTime(int pHour, int pMinute, int pSecond, int pFrame = 0, int pField = 0,
                 int pTimeMode = KTimeModeTable::kDefaultMode);
    // The same with a residual in hundredths of a frame.
    void SetTime(int pHour, int pMinute, int pSecond, int pFrame, int pField, int pResidual,
                 int pTimeMode);

    // Parses "h:m:s:f" or "h:m:s:f:field" (any of ':', ';', '.' between the numbers, so the
    // GetTimeString form reads back) as a time code, or a single whole number as a frame count; a
    // leading '-' negates. Malformed text, text beyond the tick range, or a protocol outside 0..2,
    // leaves the time unchanged and answers false.
    bool SetTimeString(const char* pText, int pTimeMode = KTimeModeTable::kDefaultMode,
                       int pProtocol = kProtocolDefault);
    // "hhh:mm:ss.ff" (hours, minutes, seconds, frames; "-" in front of negative times) with the
    // time-code protocol, or the cumulative frame number with the frame-count protocol.
    KString GetTimeString(int pTimeMode = KTimeModeTable::kDefaultMode,
                          int pProtocol = kProtocolDefault) const;

    // Cumulative: the tick count divided by the ticks of one frame, truncated toward zero.
    // Otherwise the frame field of the time code (frame within its second).
    std::int64_t GetFrame(int pTimeMode = KTimeModeTable::kDefaultMode,
                          bool pCumulative = true) const;

    // Frames per second of a mode; kDefaultMode gives the global mode's, modes without a rate give
    // 30.0.
    static double GetFrameRate(int pTimeMode);
    // The first mode from kFirstRateMode to kLastRateMode whose rate r satisfies r - tol <= rate <=
    // r + tol, else 0.
    static int GetTimeModeFromFrameRate(double pFrameRate, double pTolerance = 0.00001);
    // Ticks of one frame of a mode (see KTimeModeTable::GetTicksPerFrame).
    static std::int64_t GetTicksPerFrame(int pTimeMode);
    // One frame at pFrameRate frames per second: the mode's ticks per frame when a mode has the
    // rate (GetTimeModeFromFrameRate), the exact quotient when a whole rate divides the second,
    // else the period rounded to the nearest tick; so a whole rate's frame n lands on frame n.
    // Zero for a rate that is not a finite number above 0 or too high for a period of one tick.
    static KTime GetFramePeriod(double pFrameRate);

    // Process-wide defaults: kFrames30 and kProtocolFrameCount at start. The setters refuse values
    // outside the mode table (kFirstRateMode to kCustomMode) or outside 0..1 and answer false.
    static int GetGlobalTimeMode();
    static bool SetGlobalTimeMode(int pTimeMode);
    static int GetGlobalTimeProtocol();
    static bool SetGlobalTimeProtocol(int pProtocol);

    KTime operator+(const KTime& pOther) const;
    KTime operator-(const KTime& pOther) const;
    KTime operator-() const { return KTime(-mTicks); }
    KTime& operator+=(const KTime& pOther) { return *this = *this + pOther; }
    KTime& operator-=(const KTime& pOther) { return *this = *this - pOther; }
    KTime operator*(int pFactor) const;
    // Product and quotient of the two tick counts; a zero divisor gives 0.
    KTime operator*(const KTime& pOther) const;
    KTime operator/(const KTime& pOther) const;

    bool operator==(const KTime& pOther) const { return mTicks == pOther.mTicks; }
    bool operator!=(const KTime& pOther) const { return mTicks != pOther.mTicks; }
    bool operator<(const KTime& pOther) const { return mTicks < pOther.mTicks; }
    bool operator<=(const KTime& pOther) const { return mTicks <= pOther.mTicks; }
    bool operator>(const KTime& pOther) const { return mTicks > pOther.mTicks; }
    bool operator>=(const KTime& pOther) const { return mTicks >= pOther.mTicks; }

private:
    static constexpr std::int64_t Clamp(std::int64_t pTicks)
    {
        return pTicks < kMinusInfinityTicks ? kMinusInfinityTicks : pTicks;
    }

    std::int64_t mTicks;
};

inline constexpr KTime KTime::kZero{0};
inline constexpr KTime KTime::kInfinity{KTime::kInfinityTicks};
inline constexpr KTime KTime::kMinusInfinity{KTime::kMinusInfinityTicks};

#endif
