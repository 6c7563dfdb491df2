#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHJOINTSAMPLER_H

#include "core/KTime.h"
#include "formats/motion/bvh/KBvhCurveCursor.h"

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
    explicit KBvhJointSampler(KRyvNode& pNode);

    // The local matrix at pTime; oSame tells whether every curve value is the one of the previous
    // call (always false on the first), so that a caller may keep what it made from it.
    void LocalMatrixAt(KTime pTime, KMatrix& oMatrix, bool& oSame);

private:
    KBvhCurveCursor mCursors[3][3];
    double mValues[3][3] = {};
    bool mSampled = false;
};

#endif
