#ifndef RYVKIT_PLATFORM_VURN_MTRANSFORMATIONMATRIX_H
#define RYVKIT_PLATFORM_VURN_MTRANSFORMATIONMATRIX_H

#include "platform/vurn/MEulerRotation.h"
#include "platform/vurn/MFn.h"
#include "platform/vurn/MMatrix.h"
#include "platform/vurn/MQuaternion.h"
#include "platform/vurn/MStatus.h"
#include "platform/vurn/MVector.h"

// A transform in its parts, composed into one matrix in the order fixed by the scene store
// (see VurnScene.h): with row vectors,
//   M = Sp^-1 * S * Sp * St * Rp^-1 * Ro * R * Jo * Rp * Rt * T
// S scale, Sp scale pivot, St scale pivot translation, Rp rotate pivot, Ro rotate orientation
// (the rotate axis), R the rotation in its order, Jo the joint orient (identity but on joints),
// Rt rotate pivot translation, T translation. Angles in radians.
class MTransformationMatrix
{
public:
    // The host's rotation-order numbers (one more than MEulerRotation's).
    enum RotationOrder : int {
        kInvalid = 0,
        kXYZ = 1,
        kYZX = 2,
        kZXY = 3,
        kXZY = 4,
        kYXZ = 5,
        kZYX = 6,
    };

    MTransformationMatrix() = default;

    MMatrix asMatrix() const;
    // Adds pRotation to the rotation: in transform space after the current rotation (about the
    // parent's axes), in object space before it. Other spaces fail.
    MStatus rotateBy(const MEulerRotation& pRotation, MSpace::Space pSpace);
    // The rotation in its order.
    MEulerRotation eulerRotation() const;
    void setRotation(const MEulerRotation& pRotation);
    MVector getTranslation() const { return mTranslate; }
    static MEulerRotation::RotationOrder toEulerOrder(RotationOrder pOrder);

    MVector mTranslate;
    MVector mScale{1.0, 1.0, 1.0};
    MVector mRotatePivot;
    MVector mRotatePivotTranslation;
    MVector mScalePivot;
    MVector mScalePivotTranslation;
    MQuaternion mRotateOrientation;
    MQuaternion mJointOrient;
    RotationOrder mOrder = kXYZ;

private:
    // The rotation as a matrix; set by setRotation and rotateBy.
    MMatrix mRotation;
};

#endif
