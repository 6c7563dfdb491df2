#ifndef RYVKIT_PLATFORM_VURN_MFNTRANSFORM_H
#define RYVKIT_PLATFORM_VURN_MFNTRANSFORM_H

#include "platform/vurn/MEulerRotation.h"
#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/MQuaternion.h"
#include "platform/vurn/MTransformationMatrix.h"
#include "platform/vurn/MVector.h"

// The function set of transforms (joints and look-at groups included). Values come from the
// node's plugs; angles in radians. Transform and object space answer the stored values; world
// space needs the function set to be attached through a path.
class MFnTransform : public MFnDagNode
{
public:
    // Host limit types: scale 0-5, rotate 12-17, translate 18-23 (min/max of X, Y, Z).
    enum LimitType : int {
        kScaleMinX = 0,
        kScaleMaxX = 1,
        kScaleMinY = 2,
        kScaleMaxY = 3,
        kScaleMinZ = 4,
        kScaleMaxZ = 5,
        kRotateMinX = 12,
        kRotateMaxX = 13,
        kRotateMinY = 14,
        kRotateMaxY = 15,
        kRotateMinZ = 16,
        kRotateMaxZ = 17,
        kTranslateMinX = 18,
        kTranslateMaxX = 19,
        kTranslateMinY = 20,
        kTranslateMaxY = 21,
        kTranslateMinZ = 22,
        kTranslateMaxZ = 23,
    };

    MFnTransform() = default;
    explicit MFnTransform(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnTransform(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kTransform; }

    MVector translation(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    MStatus getRotation(MEulerRotation& oRotation) const;
    MStatus getScale(double oScale[3]) const;
    MTransformationMatrix::RotationOrder rotationOrder(MStatus* oStatus = nullptr) const;
    MPoint rotatePivot(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    MVector rotatePivotTranslation(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    MPoint scalePivot(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    MVector scalePivotTranslation(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    MQuaternion rotateOrientation(MSpace::Space pSpace, MStatus* oStatus = nullptr) const;
    // Whether the limit of that type is on; false for a type outside the table.
    bool isLimited(LimitType pType, MStatus* oStatus = nullptr) const;
    double limitValue(LimitType pType, MStatus* oStatus = nullptr) const;
    MTransformationMatrix transformation(MStatus* oStatus = nullptr) const;

protected:
    // The three numbers of pName + X, Y, Z.
    MVector Vector3(const char* pName) const;
    // A position or offset of the transform in pSpace; kWorld through the kept path.
    MStatus InSpace(MVector& ioValue, MSpace::Space pSpace, bool pPoint) const;
};

// The function set of joints: a transform with a joint orient.
class MFnIkJoint : public MFnTransform
{
public:
    MFnIkJoint() = default;
    explicit MFnIkJoint(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnIkJoint(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kJoint; }

    // The joint orient as Euler XYZ angles.
    MStatus getOrientation(MEulerRotation& oOrientation) const;
};

#endif
