#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRSEGMENT_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRSEGMENT_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

#include <string>
#include <vector>

class KFCurve;
class KRyvNode;

// One segment of an HTR file: its names, its base position (centimetres, degrees turned into a
// rotation matrix in the kit's row-vector form) and, once the reader has built it, its node and
// the nine curves of the node's take. Node and curves are not owned.
struct KHtrSegment
{
    static constexpr int kCurveCount = 9;
    // Curves that take a key column of the frame section: translation and rotation.
    static constexpr int kKeyColumns = 6;

    std::string mName;
    // "GLOBAL" (or any name no segment bears) for the root.
    std::string mParentName;
    // Index of the parent segment; -1 for the root. Set once the hierarchy has been checked.
    int mParent = -1;
    KVector4 mBaseTranslation;
    KMatrix mBaseRotation;
    double mLength = 0.0;
    // The transposed, normalised default global rotation of the node (set once the nodes are made).
    KMatrix mInverseDefaultRotation;
    KRyvNode* mNode = nullptr;
    // Translation X, Y, Z; rotation X, Y, Z; scaling X, Y, Z.
    KFCurve* mCurves[kCurveCount] = {};
    // The keys of the frame section, one column per curve of mCurves up to kKeyColumns, held
    // from the reading of the section until they are handed to the curves.
    std::vector<float> mKeys[kKeyColumns];
};

#endif
