#include "core/KTimeModeTable.h"

#include "core/KTime.h"

#include <cstring>

namespace {

struct TimeModeRow
{
    const char* mName;
    double mRate;
    std::int64_t mTicksPerFrame;
    int mTimeCodeRate;
    int mDropFrames;
};

constexpr std::int64_t kTicks = KTime::kTicksPerSecond;
constexpr std::int64_t kTicks30 = kTicks / 30;

// The NTSC quotients are not whole: 46186158000 * 1001 / 30000 = 1541078138.6 and
// / 24000 = 1926347673.25; both are truncated.
const TimeModeRow kRows[] = {
    {"Default", 0.0, kTicks30, 30, 0},
    {"120 fps", 120.0, kTicks / 120, 120, 0},
    {"100 fps", 100.0, kTicks / 100, 100, 0},
    {"60 fps", 60.0, kTicks / 60, 60, 0},
    {"50 fps", 50.0, kTicks / 50, 50, 0},
    {"48 fps", 48.0, kTicks / 48, 48, 0},
    {"30 fps", 30.0, kTicks30, 30, 0},
    {"30 fps Drop", 30.0, kTicks30, 30, 2},
    {"NTSC Drop", 30000.0 / 1001.0, kTicks * 1001 / 30000, 30, 2},
    {"NTSC Full", 30000.0 / 1001.0, kTicks * 1001 / 30000, 30, 0},
    {"PAL", 25.0, kTicks / 25, 25, 0},
    {"24 fps", 24.0, kTicks / 24, 24, 0},
    {"1000 fps", 1000.0, kTicks / 1000, 1000, 0},
    {"23.976 fps", 24000.0 / 1001.0, kTicks * 1001 / 24000, 24, 0},
    {"Custom", 0.0, kTicks30, 30, 0},
};

constexpr int kRowCount = static_cast<int>(sizeof(kRows) / sizeof(kRows[0]));
static_assert(kRowCount == KTimeModeTable::kCustomMode + 1, "one row per time mode");

const TimeModeRow* FindRow(int pTimeMode)
{
    return pTimeMode >= 0 && pTimeMode < kRowCount ? &kRows[pTimeMode] : nullptr;
}

} // namespace

int KTimeModeTable::GetCount()
{
    return kRowCount;
}

KString KTimeModeTable::GetName(int pTimeMode)
{
    const TimeModeRow* row = FindRow(pTimeMode);
    return KString(row ? row->mName : nullptr);
}

double KTimeModeTable::GetFrameRate(int pTimeMode)
{
    const TimeModeRow* row = FindRow(pTimeMode);
    return row ? row->mRate : 0.0;
}

std::int64_t KTimeModeTable::GetTicksPerFrame(int pTimeMode)
{
    const TimeModeRow* row = FindRow(pTimeMode);
    return row ? row->mTicksPerFrame : kTicks30;
}

int KTimeModeTable::GetTimeCodeRate(int pTimeMode)
{
    const TimeModeRow* row = FindRow(pTimeMode);
    return row ? row->mTimeCodeRate : 30;
}

int KTimeModeTable::GetDropFrameCount(int pTimeMode)
{
    const TimeModeRow* row = FindRow(pTimeMode);
    return row ? row->mDropFrames : 0;
}

int KTimeModeTable::FindByName(const char* pName)
{
    if (!pName) {
        return -1;
    }
    for (int mode = 0; mode < kRowCount; ++mode) {
        if (std::strcmp(kRows[mode].mName, pName) == 0) {
            return mode;
        }
    }
    return -1;
}
