#ifndef RYVKIT_CORE_KTIMEMODETABLE_H
#define RYVKIT_CORE_KTIMEMODETABLE_H

#include "core/KString.h"

#include <cstdint>

// The time modes (frame rates) a KTime is counted in: 0 "Default" (the process-wide default
// mode), 1 to 13 with rates of their own, 14 "Custom". Read-only static data.
// Ticks per frame are exact for whole rates; for the two NTSC rates (30000/1001 and 24000/1001)
// they are the exact quotient truncated toward zero, so frame n -> ticks -> frame gives n back.
// Drop-frame modes count their time code in drop-frame form (frames 0 and 1 of every minute but
// each tenth are skipped).
class KTimeModeTable
{
public:
    // The modes, numbered as the table's rows (and as files and callers store them).
    enum Mode : int {
        kDefaultMode = 0,
        kFrames120 = 1,
        kFrames100 = 2,
        kFrames60 = 3,
        kFrames50 = 4,
        kFrames48 = 5,
        kFrames30 = 6,
        kFrames30Drop = 7,
        kNtscDropFrame = 8,
        kNtscFullFrame = 9,
        kPal = 10,
        kFrames24 = 11,
        kFrames1000 = 12,
        kFrames23976 = 13,
        kCustomMode = 14,
    };
    static constexpr int kFirstRateMode = kFrames120;
    static constexpr int kLastRateMode = kFrames23976;

    // Number of modes, "Default" and "Custom" included.
    static int GetCount();
    // The mode's name; the null string outside the table.
    static KString GetName(int pTimeMode);
    // Frames per second; 0.0 for "Default", "Custom" and modes outside the table.
    static double GetFrameRate(int pTimeMode);
    // Ticks of one frame; modes without a rate of their own count 30 frames per second.
    // "Default" is not resolved here (KTime resolves it to the global mode first).
    static std::int64_t GetTicksPerFrame(int pTimeMode);
    // Frames per second of the time code (the rate rounded: 30 for 29.97); 30 without a rate.
    static int GetTimeCodeRate(int pTimeMode);
    // Frames skipped at each minute but every tenth in the time code (2 in drop modes, else 0).
    static int GetDropFrameCount(int pTimeMode);
    static bool IsDropFrame(int pTimeMode) { return GetDropFrameCount(pTimeMode) > 0; }
    // The mode of a name (exact, case-sensitive), -1 when there is none.
    static int FindByName(const char* pName);
};

#endif
