#ifndef RYVKIT_CORE_KDATETIME_H
#define RYVKIT_CORE_KDATETIME_H

#include "core/KString.h"

// A date-time stamp from year to millisecond, in local time.
class KDateTime
{
public:
    // 0000-00-00 00:00:00.000; use Now() for the current time.
    KDateTime() = default;
    // The current local time (all zero when the clock cannot be read).
    static KDateTime Now();

    int GetYear() const { return mYear; }
    int GetMonth() const { return mMonth; } // 1 to 12
    int GetDay() const { return mDay; }     // 1 to 31
    int GetHour() const { return mHour; }
    int GetMinute() const { return mMinute; }
    int GetSecond() const { return mSecond; }
    int GetMillisecond() const { return mMillisecond; }

    // "YYYY-MM-DD hh:mm:ss.mmm".
    KString GetText() const;

private:
    int mYear = 0;
    int mMonth = 0;
    int mDay = 0;
    int mHour = 0;
    int mMinute = 0;
    int mSecond = 0;
    int mMillisecond = 0;
};

#endif
