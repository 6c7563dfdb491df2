#include "core/KDateTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

KDateTime KDateTime::Now()
{
    KDateTime stamp;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) {
        return stamp;
    }
    const auto sinceEpoch = now.time_since_epoch();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    stamp.mYear = local.tm_year + 1900;
    stamp.mMonth = local.tm_mon + 1;
    stamp.mDay = local.tm_mday;
    stamp.mHour = local.tm_hour;
    stamp.mMinute = local.tm_min;
    stamp.mSecond = local.tm_sec;
    // Before the epoch the remainder is negative; the stamp still counts forward within its second.
    stamp.mMillisecond = static_cast<int>(milliseconds < 0 ? milliseconds + 1000 : milliseconds);
    return stamp;
}

KString KDateTime::GetText() const
{
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d", mYear, mMonth, mDay,
                  mHour, mMinute, mSecond, mMillisecond);
    return KString(text);
}
