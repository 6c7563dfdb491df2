#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H

class KRyvScene;
class KStreamOptionsMotion;

// The time span and rate of a scene's current take, for the options of a motion writer that were
// given no frames (a scene read from a native file, or a writer's own default options): the start
// and stop of the take's information; as the frame period the spacing of the first two keys of
// the first curve of that take holding two or more (motion readers key every frame, and the
// constant key reducer keeps the two frames around every change), else, when every curve holds
// a single key, the frame of the scene's time mode where that mode has a rate of its own.
namespace KMotionTakeSpan {

// Sets start, frame count and rate of ioOptions. False, the options unchanged, when the scene
// has no current take information, a stop before the start, no frame period (no curve of the
// take with two keys and a time mode without a rate) or more frames than an int counts.
bool Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

// For a writer: options that hold frames are left as they are (null). Options without frames
// are filled (null), unless the scene's current take holds animation (take information or keys)
// whose span Fill cannot find: then the reason, for the writer's refusal. A scene without
// animation leaves them without frames (null).
const char* FillMissing(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

} // namespace KMotionTakeSpan

#endif
