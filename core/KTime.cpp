#include "core/KTime.h"

#include "core/KTimeModeTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

int gGlobalTimeMode = KTimeModeTable::kFrames30;
int gGlobalTimeProtocol = KTime::kProtocolFrameCount;

std::int64_t SaturatingAdd(std::int64_t pA, std::int64_t pB)
{
    std::int64_t result = 0;
    if (__builtin_add_overflow(pA, pB, &result)) {
        return pA > 0 ? KTime::kInfinityTicks : KTime::kMinusInfinityTicks;
    }
    return result < KTime::kMinusInfinityTicks ? KTime::kMinusInfinityTicks : result;
}

std::int64_t SaturatingMultiply(std::int64_t pA, std::int64_t pB)
{
    std::int64_t result = 0;
    if (__builtin_mul_overflow(pA, pB, &result)) {
        return (pA < 0) != (pB < 0) ? KTime::kMinusInfinityTicks : KTime::kInfinityTicks;
    }
    return result < KTime::kMinusInfinityTicks ? KTime::kMinusInfinityTicks : result;
}

int ResolveMode(int pTimeMode)
{
    return pTimeMode == KTimeModeTable::kDefaultMode ? gGlobalTimeMode : pTimeMode;
}

int ResolveProtocol(int pProtocol)
{
    return pProtocol == KTime::kProtocolDefault ? gGlobalTimeProtocol : pProtocol;
}

// Frame number of a time code. Every input is an int, so the products stay far inside 64 bits.
std::int64_t TimeCodeToFrame(std::int64_t pHour, std::int64_t pMinute, std::int64_t pSecond,
                             std::int64_t pFrame, int pMode)
{
    const std::int64_t rate = KTimeModeTable::GetTimeCodeRate(pMode);
    const std::int64_t drop = KTimeModeTable::GetDropFrameCount(pMode);
    const std::int64_t minutes = pHour * 60 + pMinute;
    return rate * (minutes * 60 + pSecond) + pFrame - drop * (minutes - minutes / 10);
}

struct TimeCode
{
    std::int64_t mHour;
    std::int64_t mMinute;
    std::int64_t mSecond;
    std::int64_t mFrame;
};

// Time code of a frame number of 0 or more.
TimeCode FrameToTimeCode(std::int64_t pFrame, int pMode)
{
    const std::int64_t rate = KTimeModeTable::GetTimeCodeRate(pMode);
    const std::int64_t drop = KTimeModeTable::GetDropFrameCount(pMode);
    std::int64_t frame = pFrame;
    if (drop > 0) {
        // Put the skipped labels back so that the count reads as a plain time code.
        const std::int64_t perMinute = rate * 60 - drop;
        const std::int64_t perTenMinutes = rate * 600 - 9 * drop;
        const std::int64_t tens = frame / perTenMinutes;
        const std::int64_t rest = frame % perTenMinutes;
        frame += 9 * drop * tens;
        if (rest > drop) {
            frame += drop * ((rest - drop) / perMinute);
        }
    }
    TimeCode code;
    code.mFrame = frame % rate;
    code.mSecond = frame / rate % 60;
    code.mMinute = frame / (rate * 60) % 60;
    code.mHour = frame / (rate * 3600);
    return code;
}

// Ticks of whole frames and fields; false when they leave the tick range.
bool FramesToTicks(std::int64_t pFrame, std::int64_t pField, std::int64_t pPerFrame,
                   std::int64_t& oTicks)
{
    std::int64_t frames = 0;
    std::int64_t fields = 0;
    return !__builtin_mul_overflow(pFrame, pPerFrame, &frames) &&
           !__builtin_mul_overflow(pField, pPerFrame / 2, &fields) &&
           !__builtin_add_overflow(frames, fields, &oTicks);
}

// The ticks of a number of seconds, truncated toward zero without rounding on the way: a finite
// double is an integer mantissa of 53 bits times a power of two, and the mantissa times the tick
// rate (below 2^89) is exact in 128 bits. NaN is 0; beyond the tick range, the infinities.
std::int64_t SecondsToTicks(double pSeconds)
{
    constexpr int kMantissaBits = 53;
    constexpr int kProductBits = 128;
    // 2^52 s is far beyond the tick range; below it every mantissa has a negative exponent.
    constexpr double kSecondsLimit = 4503599627370496.0;
    if (std::isnan(pSeconds)) {
        return 0;
    }
    const bool negative = std::signbit(pSeconds);
    const double magnitude = std::fabs(pSeconds);
    std::int64_t ticks = KTime::kInfinityTicks;
    if (magnitude < kSecondsLimit) {
        int exponent = 0;
        const double fraction = std::frexp(magnitude, &exponent);
        const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, kMantissaBits));
        const int shift = kMantissaBits - exponent;
        const unsigned __int128 product =
            static_cast<unsigned __int128>(mantissa) * KTime::kTicksPerSecond;
        const unsigned __int128 whole = shift >= kProductBits ? 0 : product >> shift;
        ticks = static_cast<std::int64_t>(
            std::min(whole, static_cast<unsigned __int128>(KTime::kInfinityTicks)));
    }
    return negative ? -ticks : ticks;
}

// A whole number of decimal digits only, no sign, that fits the type.
template <typename T> bool ParseNumber(const char* pBegin, const char* pEnd, T& oValue)
{
    if (pBegin == pEnd) {
        return false;
    }
    const std::from_chars_result result = std::from_chars(pBegin, pEnd, oValue);
    return result.ec == std::errc() && result.ptr == pEnd && *pBegin != '-';
}

bool IsTimeCodeSeparator(char pChar)
{
    return pChar == ':' || pChar == ';' || pChar == '.';
}

} // namespace

void KTime::SetSecondDouble(double pSeconds)
{
    mTicks = SecondsToTicks(pSeconds);
}

double KTime::GetSecondDouble() const
{
    return static_cast<double>(mTicks) / static_cast<double>(kTicksPerSecond);
}

std::int64_t KTime::GetSecondCount() const
{
    return mTicks / kTicksPerSecond;
}

void KTime::SetTime(int pHour, int pMinute, int pSecond, int pFrame, int pField, int pTimeMode)
{
    SetTime(pHour, pMinute, pSecond, pFrame, pField, 0, pTimeMode);
}

void KTime::SetTime(int pHour, int pMinute, int pSecond, int pFrame, int pField, int pResidual,
                    int pTimeMode)
{
    const int mode = ResolveMode(pTimeMode);
    const std::int64_t perFrame = KTimeModeTable::GetTicksPerFrame(mode);
    const std::int64_t frame = TimeCodeToFrame(pHour, pMinute, pSecond, pFrame, mode);
    std::int64_t ticks = SaturatingMultiply(frame, perFrame);
    ticks = SaturatingAdd(ticks, SaturatingMultiply(pField, perFrame / 2));
    // Split so that the hundredths never overflow before the division.
    const std::int64_t residual = perFrame / 100 * pResidual + perFrame % 100 * pResidual / 100;
    ticks = SaturatingAdd(ticks, residual);
    mTicks = ticks;
}

bool KTime::SetTimeString(const char* pText, int pTimeMode, int pProtocol)
{
    if (!pText || pProtocol < kProtocolTimeCode || pProtocol > kProtocolDefault) {
        return false;
    }
    const char* cursor = pText;
    const bool negative = *cursor == '-';
    if (negative) {
        ++cursor;
    }
    const char* const end = cursor + std::strlen(cursor);

    const char* fieldBegin[5];
    const char* fieldEnd[5];
    int fieldCount = 0;
    const char* begin = cursor;
    for (const char* p = cursor;; ++p) {
        if (p == end || IsTimeCodeSeparator(*p)) {
            if (fieldCount == 5) {
                return false;
            }
            fieldBegin[fieldCount] = begin;
            fieldEnd[fieldCount] = p;
            ++fieldCount;
            if (p == end) {
                break;
            }
            begin = p + 1;
        }
    }

    const int mode = ResolveMode(pTimeMode);
    const std::int64_t perFrame = KTimeModeTable::GetTicksPerFrame(mode);
    std::int64_t ticks = 0;
    if (fieldCount == 1) {
        std::int64_t frame = 0;
        if (!ParseNumber(fieldBegin[0], fieldEnd[0], frame) ||
            !FramesToTicks(frame, 0, perFrame, ticks)) {
            return false;
        }
    } else if (fieldCount == 4 || fieldCount == 5) {
        int values[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < fieldCount; ++i) {
            if (!ParseNumber(fieldBegin[i], fieldEnd[i], values[i])) {
                return false;
            }
        }
        const std::int64_t frame =
            TimeCodeToFrame(values[0], values[1], values[2], values[3], mode);
        if (!FramesToTicks(frame, values[4], perFrame, ticks)) {
            return false;
        }
    } else {
        return false;
    }
    // The tick range is symmetric, so the negation stays inside it.
    mTicks = negative ? -ticks : ticks;
    return true;
}

KString KTime::GetTimeString(int pTimeMode, int pProtocol) const
{
    const int mode = ResolveMode(pTimeMode);
    const std::int64_t frame = GetFrame(mode, true);
    char text[64];
    if (ResolveProtocol(pProtocol) == kProtocolFrameCount) {
        std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(frame));
    } else {
        const TimeCode code = FrameToTimeCode(frame < 0 ? -frame : frame, mode);
        std::snprintf(text, sizeof(text), "%s%03lld:%02lld:%02lld.%02lld", frame < 0 ? "-" : "",
                      static_cast<long long>(code.mHour), static_cast<long long>(code.mMinute),
                      static_cast<long long>(code.mSecond), static_cast<long long>(code.mFrame));
    }
    return KString(text);
}

std::int64_t KTime::GetFrame(int pTimeMode, bool pCumulative) const
{
    const int mode = ResolveMode(pTimeMode);
    const std::int64_t frame = mTicks / KTimeModeTable::GetTicksPerFrame(mode);
    if (pCumulative) {
        return frame;
    }
    return FrameToTimeCode(frame < 0 ? -frame : frame, mode).mFrame;
}

double KTime::GetFrameRate(int pTimeMode)
{
    const double rate = KTimeModeTable::GetFrameRate(ResolveMode(pTimeMode));
    return rate > 0.0 ? rate : 30.0;
}

int KTime::GetTimeModeFromFrameRate(double pFrameRate, double pTolerance)
{
    for (int mode = KTimeModeTable::kFirstRateMode; mode <= KTimeModeTable::kLastRateMode; ++mode) {
        const double rate = KTimeModeTable::GetFrameRate(mode);
        if (rate - pTolerance <= pFrameRate && pFrameRate <= rate + pTolerance) {
            return mode;
        }
    }
    return 0;
}

std::int64_t KTime::GetTicksPerFrame(int pTimeMode)
{
    return KTimeModeTable::GetTicksPerFrame(ResolveMode(pTimeMode));
}

KTime KTime::GetFramePeriod(double pFrameRate)
{
    if (!std::isfinite(pFrameRate) || pFrameRate <= 0.0) {
        return KTime();
    }
    const int lMode = GetTimeModeFromFrameRate(pFrameRate);
    if (lMode != KTimeModeTable::kDefaultMode) {
        return KTime(KTimeModeTable::GetTicksPerFrame(lMode));
    }
    const double lSecond = static_cast<double>(kTicksPerSecond);
    if (pFrameRate <= lSecond && std::floor(pFrameRate) == pFrameRate) {
        const auto lWhole = static_cast<std::int64_t>(pFrameRate);
        if (kTicksPerSecond % lWhole == 0) {
            return KTime(kTicksPerSecond / lWhole);
        }
    }
    const double lTicks = std::round(lSecond / pFrameRate);
    if (lTicks < 1.0) {
        return KTime();
    }
    // A rate so low that its period leaves the tick range is a period without end.
    return lTicks < static_cast<double>(kInfinityTicks) ? KTime(static_cast<std::int64_t>(lTicks))
                                                        : kInfinity;
}

int KTime::GetGlobalTimeMode()
{
    return gGlobalTimeMode;
}

bool KTime::SetGlobalTimeMode(int pTimeMode)
{
    // Mode 0 would make the global mode refer to itself.
    if (pTimeMode < KTimeModeTable::kFirstRateMode || pTimeMode >= KTimeModeTable::GetCount()) {
        return false;
    }
    gGlobalTimeMode = pTimeMode;
    return true;
}

int KTime::GetGlobalTimeProtocol()
{
    return gGlobalTimeProtocol;
}

bool KTime::SetGlobalTimeProtocol(int pProtocol)
{
    if (pProtocol != kProtocolTimeCode && pProtocol != kProtocolFrameCount) {
        return false;
    }
    gGlobalTimeProtocol = pProtocol;
    return true;
}

KTime KTime::operator+(const KTime& pOther) const
{
    return KTime(SaturatingAdd(mTicks, pOther.mTicks));
}

KTime KTime::operator-(const KTime& pOther) const
{
    // -pOther.mTicks cannot overflow: tick counts never reach INT64_MIN.
    return KTime(SaturatingAdd(mTicks, -pOther.mTicks));
}

KTime KTime::operator*(int pFactor) const
{
    return KTime(SaturatingMultiply(mTicks, pFactor));
}

KTime KTime::operator*(const KTime& pOther) const
{
    return KTime(SaturatingMultiply(mTicks, pOther.mTicks));
}

KTime KTime::operator/(const KTime& pOther) const
{
    return KTime(pOther.mTicks == 0 ? 0 : mTicks / pOther.mTicks);
}
