#ifndef RYVKIT_FORMATS_MOTION_KMOTIONJOINTTRANSLATION_H
#define RYVKIT_FORMATS_MOTION_KMOTIONJOINTTRANSLATION_H

#include "core/KVector4.h"

class KRyvNode;

// How a joint's translation in its current take stands against its rest offset (the translation
// of its default local matrix), for the skeleton writers that keep only rotations for child
// joints: still (every key within kTolerance of the offset, or no curve to say otherwise), held
// at one other value (written as the joint's offset), or moving (written as channels of its own).
// Values are centimetres, as the node's curves hold them.
class KMotionJointTranslation
{
public:
    enum EKind { eStill, eConstant, eMoving };

    // Differences below what an offset prints (KBvhFile::kWriteZero) are noise, not motion.
    static constexpr double kTolerance = 1e-5;

    // Classifies the node's translation; oValue is where it stays (the rest offset when still,
    // the held value when constant, the rest offset when moving).
    static EKind Classify(KRyvNode& pNode, KVector4& oValue);
};

#endif
