#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H

#include "core/KTime.h"
#include "formats/motion/bvh/KBvhCurveCursor.h"

#include <vector>

class KMatrix;
class KRyvNode;

// The local matrix of one node at a writer's frames, walked in time order, equal bit for bit to
// KRyvNode::GetLocalMatrixAtTime: the "Transform" T, R and S curves of the node's current take
// (found as the node finds them), each through a KBvhCurveCursor, put together by MatrixSetTRS.
// A missing curve counts as 0 (1 for scaling). The node and its curves are not owned; they must
// outlive the sampler and stay unchanged while it is used.
class KBvhJointSampler
{
public:
    // Throws std::bad_alloc when the cursors cannot be made.
    explicit KBvhJointSampler(KRyvNode& pNode);

    // The local matrix at pTime; oSame tells whether every curve value is the one of the previous
    // call (always false on the first), so that a caller may keep what it made from it.
    void LocalMatrixAt(KTime pTime, KMatrix& oMatrix, bool& oSame);

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
