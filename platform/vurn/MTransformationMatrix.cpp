#include "platform/vurn/MTransformationMatrix.h"

namespace {
MMatrix Translation(const MVector& pVector)
{
    return MMatrix::translation(pVector.x, pVector.y, pVector.z);
}
} // namespace

MEulerRotation::RotationOrder MTransformationMatrix::toEulerOrder(RotationOrder pOrder)
{
    if (pOrder < kXYZ || pOrder > kZYX) {
        return MEulerRotation::kXYZ;
    }
    return static_cast<MEulerRotation::RotationOrder>(pOrder - kXYZ);
}

MMatrix MTransformationMatrix::asMatrix() const
{
    const MVector lNoScalePivot = mScalePivot * -1.0;
    const MVector lNoRotatePivot = mRotatePivot * -1.0;
    return Translation(lNoScalePivot) * MMatrix::scaling(mScale.x, mScale.y, mScale.z) *
           Translation(mScalePivot) * Translation(mScalePivotTranslation) *
           Translation(lNoRotatePivot) * mRotateOrientation.asMatrix() * mRotation *
           mJointOrient.asMatrix() * Translation(mRotatePivot) *
           Translation(mRotatePivotTranslation) * Translation(mTranslate);
}

MStatus MTransformationMatrix::rotateBy(const MEulerRotation& pRotation, MSpace::Space pSpace)
{
    if (pSpace == MSpace::kTransform) {
        mRotation = mRotation * pRotation.asMatrix();
    } else if (pSpace == MSpace::kObject) {
        mRotation = pRotation.asMatrix() * mRotation;
    } else {
        return MStatus(MStatus::kFailure, "rotateBy: unsupported space");
    }
    return MStatus();
}

MEulerRotation MTransformationMatrix::eulerRotation() const
{
    return MEulerRotation::decompose(mRotation, toEulerOrder(mOrder));
}

void MTransformationMatrix::setRotation(const MEulerRotation& pRotation)
{
    mRotation = pRotation.asMatrix();
}
