#ifndef RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H
#define RYVKIT_FORMATS_MOTION_KMOTIONTAKESPAN_H

class KRyvScene;
class KStreamOptionsMotion;

// The time span and rate of a scene's current take, for the options of a motion writer when the
// scene was read from a file whose reader hands out no motion options (a native file): the start
// and stop of the take's information, and as the frame period the spacing of the first two keys
// of the first curve of that take holding two or more (motion readers key every frame).
namespace KMotionTakeSpan {

// Sets start, frame count and rate of ioOptions. False, the options unchanged, when the scene
// has no current take information, no curve of the take with two keys, or a stop before the
// start.
bool Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions);

} // namespace KMotionTakeSpan

#endif
