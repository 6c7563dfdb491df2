#include "core/KTime.h"

#include "core/KTimeModeTable.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

int gGlobalTimeMode = 6;
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
    const double ticks = pSeconds * static_cast<double>(kTicksPerSecond);
    // 2^63 is the first double past the tick range on either side; NaN fails every compare.
    constexpr double kLimit = 9223372036854775808.0;
    if (std::isnan(ticks)) {
        mTicks = 0;
    } else if (ticks >= kLimit) {
        mTicks = kInfinityTicks;
    } else if (ticks <= -kLimit) {
        mTicks = kMinusInfinityTicks;
    } else {
        mTicks = Clamp(static_cast<std::int64_t>(ticks));
    }
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
    std::int64_t ticks = 0;
    if (fieldCount == 1) {
        std::int64_t frame = 0;
        if (!ParseNumber(fieldBegin[0], fieldEnd[0], frame)) {
            return false;
        }
        ticks = SaturatingMultiply(frame, KTimeModeTable::GetTicksPerFrame(mode));
    } else if (fieldCount == 4 || fieldCount == 5) {
        int values[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < fieldCount; ++i) {
            if (!ParseNumber(fieldBegin[i], fieldEnd[i], values[i])) {
                return false;
            }
        }
        KTime time;
        time.SetTime(values[0], values[1], values[2], values[3], values[4], mode);
        ticks = time.mTicks;
    } else {
        return false;
    }
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
