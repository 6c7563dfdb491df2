#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H

#include "animation/KTakeInfo.h"
#include "core/KTime.h"

#include <string>

class KRyvScene;
class KStreamOptionsMotion;

// A take's frames as facts: a motion reader records the span its frames cover and the rate its
// file states in the take's information (Describe); a motion writer given no frames writes that
// span at that rate (Fill), or, for a take without a rate of its own (one an API user made), at
// the rate of the scene's time mode. Nothing is worked out from the keys a take holds: keys
// between frames are sampled as any curve is.
namespace KMotionTakeSpan {

// The most frames a motion writer writes: over 2.7 hours at 1000 frames per second and 23 hours
// at 120, far beyond real captures (minutes long), while a span of a far stray key (frames 0 and
// 2,000,000,000) would write one line a frame for hours.
constexpr int kMaxWriteFrames = 10000000;

// The frames a writer writes: mCount frames from mStart, mPeriod apart.
struct Frames
{
    KTime mStart;
    KTime mPeriod;
    int mCount = 0;

    KTime At(int pFrame) const { return mStart + mPeriod * pFrame; }
};

// The take information a motion reader records for pFrames frames read at the options' start
// and rate: local and reference spans from the start to its last frame (the start alone for no
// frame), and the options' time mode and rate (the custom mode for a rate of no time mode).
KTakeInfo Describe(const char* pTakeName, const KStreamOptionsMotion& pOptions, int pFrames);

// Sets start, frame count and rate of ioOptions from the scene's current take. False, the
// options unchanged, when the scene has no current take information, a stop before the start,
// no rate (neither the take nor the scene's time mode has one) or more frames than an int counts.
bool Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

// For a writer: options that hold frames are left as they are (null). Options without frames
// are filled (null), unless the scene's current take holds animation (take information or keys)
// whose span or rate Fill cannot find: then the reason, for the writer's refusal. A scene
// without animation leaves them without frames (null).
const char* FillMissing(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

// The frames of the options; when they hold none, those Fill finds for the scene's take (none
// when it finds none, or more than kMaxWriteFrames). For a writer that samples the frames another
// writer of the same options writes (the ASF skeleton of an AMC's frames).
Frames FramesToWrite(KRyvScene& ioScene, const KStreamOptionsMotion& pOptions);

// For a writer, once its options hold their span: empty when the span holds at most
// kMaxWriteFrames frames; else the refusal, naming the node of the current take whose keys lie
// farthest from the span's start (the options, when no key does) and the span.
std::string CheckWriteLimit(KRyvScene& pScene, const KStreamOptionsMotion& pOptions);

} // namespace KMotionTakeSpan

#endif
