#ifndef RYVKIT_SCENE_KRYVGLOBALTIMESETTINGS_H
#define RYVKIT_SCENE_KRYVGLOBALTIMESETTINGS_H

#include "core/KError.h"
#include "core/KString.h"
#include "core/KTime.h"

#include <memory>
#include <vector>

// A named point of the time line; loop is a flag stored as given.
struct KRyvTimeMarker
{
    KString mName;
    KTime mTime;
    int mLoop = 0;
};

// The scene-wide time state a scene owns: time mode and protocol (KTime's numbers), the
// snap-on-frames setting and named time markers (owned copies, in insertion order) with a
// current marker (-1 for none). Mode and protocol are stored unchecked: whoever indexes a
// table with them validates them. Bad marker indices set the KError (code 0) and answer null
// or false.
class KRyvGlobalTimeSettings
{
public:
    enum EError : int { kIndexOutOfRange = 0, kErrorCount = 1 };

    static constexpr int kDefaultTimeMode = 6;
    static constexpr int kDefaultTimeProtocol = KTime::kProtocolFrameCount;

    KRyvGlobalTimeSettings();

    // Mode 0 stands for the process-wide default mode (KTime::GetGlobalTimeMode), 6 when that
    // is 0 as well.
    void SetTimeMode(int pTimeMode) { mTimeMode = pTimeMode; }
    int GetTimeMode() const;
    // Protocol 2 stands for the process-wide default protocol, 1 when that is 2 as well.
    void SetTimeProtocol(int pTimeProtocol) { mTimeProtocol = pTimeProtocol; }
    int GetTimeProtocol() const;
    void SetSnapOnFrames(int pSnapOnFrames) { mSnapOnFrames = pSnapOnFrames; }
    int GetSnapOnFrames() const { return mSnapOnFrames; }

    // Appends a copy: later changes to pMarker do not reach the stored one.
    void AddTimeMarker(const KRyvTimeMarker& pMarker);
    int GetTimeMarkerCount() const { return static_cast<int>(mTimeMarkers.size()); }
    // The stored marker (valid until the markers are removed); null with kIndexOutOfRange
    // outside 0..count-1.
    KRyvTimeMarker* GetTimeMarker(int pIndex);
    // A valid index becomes current; otherwise false with kIndexOutOfRange, current unchanged.
    bool SetCurrentTimeMarker(int pIndex);
    int GetCurrentTimeMarker() const { return mCurrentTimeMarker; }
    // Deletes every marker; no marker is current afterwards.
    void RemoveAllTimeMarkers();

    // Mode 6, protocol 1, snap 0, no markers, no current marker.
    void Reset();

    KError& GetError() { return mError; }

private:
    int mTimeMode = kDefaultTimeMode;
    int mTimeProtocol = kDefaultTimeProtocol;
    int mSnapOnFrames = 0;
    std::vector<std::unique_ptr<KRyvTimeMarker>> mTimeMarkers;
    int mCurrentTimeMarker = -1;
    KError mError;
};

#endif
