#ifndef RYVKIT_SCENE_KRYVPIVOTSET_H
#define RYVKIT_SCENE_KRYVPIVOTSET_H

#include "core/KVector4.h"

// Rotation orders of a node and its files (not the numbering of KRotationOrder).
enum KRyvRotationOrder : int {
    kRyvEulerXYZ = 0,
    kRyvEulerXZY = 1,
    kRyvEulerYZX = 2,
    kRyvEulerYXZ = 3,
    kRyvEulerZXY = 4,
    kRyvEulerZYX = 5,
    kRyvSphericXYZ = 6,
};

// Inherit types of a node ("InheritType"): how it takes on its parent's transform. 0 and 1 are
// both "RrSs" and take the whole parent (the host export writes 1); 2, "Rrs", keeps the parent's
// own scaling off the node's axes.
enum KRyvInheritType : int {
    kRyvInheritRrSs = 0,
    kRyvInheritRrSsSecond = 1,
    kRyvInheritRrs = 2,
};

// One of a node's two transform records: offsets, pivots, pre- and post-rotation (Euler
// degrees), geometric transform, rotation order, pivot state and whether the node's cached global
// matrix of this set is valid. A plain value with public fields; the node's property block holds
// two. The matrix itself lives in the node's evaluation caches: most sets never have one.
class KRyvPivotSet
{
public:
    // Pivot state values.
    static constexpr int kPivotActive = 0;
    static constexpr int kPivotReference = 1;

    KRyvPivotSet() { Reset(); }

    // Vectors (0, 0, 0, 1), geometric scaling (1, 1, 1, 1), rotation order 0, the limit-space
    // flag false, cache not valid, pivot state 1 (not in use).
    void Reset();

    // Names of the rotation orders 0..6 ("Euler XYZ" .. "Spheric XYZ"); null outside. Also the
    // enumeration list of the "RotationOrder" property.
    static const char* RotationOrderName(int pOrder);
    // "RrSs" for 0 and 1, "Rrs" for 2; null otherwise. Also the enumeration list of
    // "InheritType".
    static const char* InheritTypeName(int pType);

    // A record in its reset state, for reads through a pivot-set index that is neither 0 nor 1.
    static const KRyvPivotSet& GetDefault();

    KVector4 mRotationOffset;
    KVector4 mRotationPivot;
    KVector4 mRotationPivotUpdateOffset;
    KVector4 mPreRotation;
    KVector4 mPostRotation;
    KVector4 mScalingOffset;
    KVector4 mScalingPivot;
    KVector4 mScalingPivotUpdateOffset;
    KVector4 mGeometricTranslation;
    KVector4 mGeometricRotation;
    KVector4 mGeometricScaling;
    int mRotationOrder = kRyvEulerXYZ;
    bool mUseRotationSpaceForLimitOnly = false;
    bool mGlobalMatrixValid = false;
    // kPivotActive when the set is in use, else kPivotReference.
    int mPivotState = kPivotReference;
};

#endif
