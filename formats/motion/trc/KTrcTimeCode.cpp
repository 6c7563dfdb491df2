#include "formats/motion/trc/KTrcTimeCode.h"

#include "formats/motion/KMotionNumber.h"

#include <cmath>
#include <strings.h>
#include <vector>

namespace {

struct RateMode
{
    int mRate;
    int mTimeMode;
};

const RateMode kRateModes[] = {{24, 11}, {25, 10}, {29, 8},  {30, 6},
                               {50, 4},  {60, 3},  {100, 2}, {120, 1}};
constexpr int kEbuTimeMode = 10;
constexpr int kEbuFrames = 25;
constexpr int kMaxHours = 100000;
constexpr int kMinutesPerHour = 60;

std::vector<std::string> Lines(const std::string& pText)
{
    std::vector<std::string> lLines;
    std::size_t lStart = 0;
    while (lStart < pText.size()) {
        std::size_t lEnd = pText.find('\n', lStart);
        lEnd = lEnd == std::string::npos ? pText.size() : lEnd;
        std::string lLine = pText.substr(lStart, lEnd - lStart);
        while (!lLine.empty() &&
               (lLine.back() == '\r' || lLine.back() == ' ' || lLine.back() == '\t')) {
            lLine.pop_back();
        }
        const std::size_t lFirst = lLine.find_first_not_of(" \t");
        lLines.push_back(lFirst == std::string::npos ? std::string() : lLine.substr(lFirst));
        lStart = lEnd + 1;
    }
    return lLines;
}

// "h:m:s:f" as four whole numbers.
bool ParseCode(const std::string& pText, int oParts[4])
{
    std::size_t lStart = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t lEnd = i < 3 ? pText.find(':', lStart) : pText.size();
        if (lEnd == std::string::npos ||
            !KMotionNumber::ParseInt(pText.data() + lStart, pText.data() + lEnd, oParts[i])) {
            return false;
        }
        lStart = lEnd + 1;
    }
    return true;
}

} // namespace

int KTrcTimeCode::TimeModeOfRate(double pRate)
{
    if (!(std::fabs(pRate) < 1e9)) {
        return 0;
    }
    const int lWhole = static_cast<int>(pRate);
    for (const RateMode& lEntry : kRateModes) {
        if (lEntry.mRate == lWhole) {
            return lEntry.mTimeMode;
        }
    }
    return 0;
}

bool KTrcTimeCode::Parse(const std::string& pText, KTime& oStart, const KTime& pSpan)
{
    const std::vector<std::string> lLines = Lines(pText);
    int lParts[4];
    double lRate = 0.0;
    if (lLines.size() < 3 || !ParseCode(lLines[0], lParts) ||
        !KMotionNumber::ParseDouble(lLines[2].data(), lLines[2].data() + lLines[2].size(), lRate)) {
        return false;
    }
    const int lHours = lParts[0];
    const int lMinutes = lParts[1];
    const int lSeconds = lParts[2];
    const int lFrames = lParts[3];
    if (lHours < 0 || lHours > kMaxHours || lMinutes < 0 || lMinutes >= kMinutesPerHour ||
        lSeconds < 0 || lSeconds >= kMinutesPerHour || lFrames < 0) {
        return false;
    }
    const std::string& lProtocol = lLines[1];
    int lMode = TimeModeOfRate(lRate);
    if (lProtocol.compare(0, 5, "SMPTE") == 0 ||
        strncasecmp(lProtocol.c_str(), "System Clock", 12) == 0) {
        if (lMode == 0 || !(lFrames < lRate)) {
            return false;
        }
    } else if (lProtocol.compare(0, 3, "EBU") == 0) {
        if (lFrames >= kEbuFrames) {
            return false;
        }
        lMode = kEbuTimeMode;
    } else {
        return false;
    }
    // Time arithmetic saturates at infinity: a start or end there means it did not fit.
    KTime lStart;
    lStart.SetTime(lHours, lMinutes, lSeconds, lFrames, 0, lMode);
    if (lStart == KTime::kInfinity || lStart + pSpan == KTime::kInfinity) {
        return false;
    }
    oStart = lStart;
    return true;
}

std::string KTrcTimeCode::PathFor(const std::string& pTrcPath)
{
    const std::size_t lSlash = pTrcPath.find_last_of('/');
    const std::size_t lDot = pTrcPath.rfind('.');
    const bool lHasExtension =
        lDot != std::string::npos && (lSlash == std::string::npos || lDot > lSlash + 1);
    return (lHasExtension ? pTrcPath.substr(0, lDot) : pTrcPath) + ".tc";
}
