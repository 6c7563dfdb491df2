#ifndef RYVKIT_FORMATS_MOTION_TRC_KTRCTIMECODE_H
#define RYVKIT_FORMATS_MOTION_TRC_KTRCTIMECODE_H

#include "core/KTime.h"

#include <string>

// The time-code file that may lie beside a TRC file (same name, extension ".tc"): three lines, a
// time code "h:m:s:f", a protocol ("SMPTE", "EBU" or "System Clock") and a rate. The rate, cut to
// its whole part, picks the time mode: 24, 25, 29, 30, 50, 60, 100 and 120 have one; any other
// rate makes an SMPTE or System Clock code invalid, as its frames would be counted at some
// other rate. EBU codes count 25 frames a second. Hours, minutes and seconds must be from 0
// (minutes and seconds below 60), frames from 0 and below the rate (below 25 for EBU).
class KTrcTimeCode
{
public:
    // Time-code files are a few bytes; a larger one is refused unread.
    static constexpr std::size_t kMaxFileSize = 4096;

    // The time mode of a rate (its whole part); 0 when the table has none.
    static int TimeModeOfRate(double pRate);
    // The start time the text gives; false, oStart unchanged, when it is not a valid time code.
    // pSpan is the take's length from its first frame to its last: a code whose start, or whose
    // start plus pSpan, lies beyond what a KTime holds is invalid too, as the take would not
    // fit (the hour limit alone lets through codes up to 100,000 hours, beyond its 55,472).
    static bool Parse(const std::string& pText, KTime& oStart, const KTime& pSpan = KTime());
    // The path of the time-code file of a TRC file: its extension replaced by ".tc".
    static std::string PathFor(const std::string& pTrcPath);
};

#endif
