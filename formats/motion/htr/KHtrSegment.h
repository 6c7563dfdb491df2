#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRSEGMENT_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRSEGMENT_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

#include <string>

class KFCurve;
class KRyvNode;

// One segment of an HTR file: its names, its base position (centimetres, degrees turned into a
// rotation matrix in the kit's row-vector form) and, once the reader has built it, its node and
// the nine curves of the node's take. Node and curves are not owned.
struct KHtrSegment
{
    static constexpr int kCurveCount = 9;

    std::string mName;
    // "GLOBAL" (or any name no segment bears) for the root.
    std::string mParentName;
    // Index of the parent segment; -1 for the root. Set once the hierarchy has been checked.
    int mParent = -1;
    KVector4 mBaseTranslation;
    KMatrix mBaseRotation;
    double mLength = 0.0;
    // The transposed, normalised default global rotation of the node (set with its limits).
    KMatrix mInverseDefaultRotation;
    KRyvNode* mNode = nullptr;
    // Translation X, Y, Z; rotation X, Y, Z; scaling X, Y, Z.
    KFCurve* mCurves[kCurveCount] = {};
};

#endif
