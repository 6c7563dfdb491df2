#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H

#include <string>

class KRyvScene;
class KStreamOptionsMotion;

// The time span and rate of a scene's current take, for the options of a motion writer that were
// given no frames (a scene read from a native file, or a writer's own default options): the start
// and stop of the take's information; as the frame period the spacing of the first two keys of
// the first curve of that take holding two or more (motion readers key every frame, and the
// constant key reducer keeps the two frames around every change), else, when every curve holds
// a single key, the frame of the scene's time mode where that mode has a rate of its own.
namespace KMotionTakeSpan {

// The most frames a motion writer writes: over 2.7 hours at 1000 frames per second and 23 hours
// at 120, far beyond real captures (minutes long), while a span of a far stray key (frames 0 and
// 2,000,000,000) would write one line a frame for hours.
constexpr int kMaxWriteFrames = 10000000;

// Sets start, frame count and rate of ioOptions. False, the options unchanged, when the scene
// has no current take information, a stop before the start, no frame period (no curve of the
// take with two keys and a time mode without a rate) or more frames than an int counts.
bool Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

// For a writer: options that hold frames are left as they are (null). Options without frames
// are filled (null), unless the scene's current take holds animation (take information or keys)
// whose span Fill cannot find: then the reason, for the writer's refusal. A scene without
// animation leaves them without frames (null).
const char* FillMissing(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

// For a writer, once its options hold their span: empty when the span holds at most
// kMaxWriteFrames frames; else the refusal, naming the node of the current take whose keys lie
// farthest from the span's start (the options, when no key does) and the span.
std::string CheckWriteLimit(KRyvScene& pScene, const KStreamOptionsMotion& pOptions);

} // namespace KMotionTakeSpan

#endif
