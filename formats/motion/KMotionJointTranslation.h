#ifndef RYVKIT_FORMATS_MOTION_KMOTIONJOINTTRANSLATION_H
#define RYVKIT_FORMATS_MOTION_KMOTIONJOINTTRANSLATION_H

#include "core/KVector4.h"
#include "formats/motion/KMotionTakeSpan.h"

class KRyvNode;

// How a joint's translation in its current take stands against its rest offset (the translation
// of its default local matrix) at the frames a skeleton writer writes, for the writers that keep
// only rotations for child joints: still (every value within kTolerance of the offset, or no
// curve to say otherwise), held at one other value (written as the joint's offset), or moving
// (written as channels of its own). The values are those the curves give at the frames, so a
// curve that leaves its keys' value between them moves. Values are centimetres, as the node's
// curves hold them.
class KMotionJointTranslation
{
public:
    enum EKind { eStill, eConstant, eMoving };

    // Differences below what an offset prints (KBvhFile::kWriteZero) are noise, not motion.
    static constexpr double kTolerance = 1e-5;

    // Classifies the node's translation at pFrames (at their start alone when they count none);
    // oValue is where it stays (the rest offset when still, the held value when constant, the
    // rest offset when moving).
    static EKind Classify(KRyvNode& pNode, const KMotionTakeSpan::Frames& pFrames,
                          KVector4& oValue);
};

#endif
