#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H

#include "core/KTime.h"
#include "core/KVector4.h"
#include "formats/motion/bvh/KBvhCurveCursor.h"

#include <vector>

class KRyvNode;

// The local transform of one node at a writer's frames, walked in time order: the "Transform" T,
// R and S values of the node's current take (its curves found as the node finds them), each
// through a KBvhCurveCursor, which MatrixSetTRS makes into KRyvNode::GetLocalMatrixAtTime's
// matrix, bit for bit. A missing curve counts as 0 (1 for scaling). The node and its curves are not
// owned; they must outlive the sampler and stay unchanged while it is used.
class KBvhJointSampler
{
public:
    // Throws std::bad_alloc when the cursors cannot be made.
    explicit KBvhJointSampler(KRyvNode& pNode);

    // Translation, rotation (Euler X, Y, Z degrees) and scaling at pTime; oSame tells whether
    // every value is the one of the previous call (always false on the first), so that a caller
    // may keep what it made from them.
    void PoseAt(KTime pTime, KVector4 oPose[3], bool& oSame);
    // The same as nine values, translation, rotation and scaling, x, y, z each: the sampler's own,
    // good until the next call.
    const double* ValuesAt(KTime pTime, bool& oSame);

private:
    struct Channel
    {
        KBvhCurveCursor mCursor;
        // Place in mValues: kind (T, R, S) times 3 plus axis.
        int mPlace;
    };

    // The curves of more than one key; the values of the others are set once.
    std::vector<Channel> mChannels;
    double mValues[9] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0};
    bool mSampled = false;
};

#endif
