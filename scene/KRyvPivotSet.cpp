#include "scene/KRyvPivotSet.h"

void KRyvPivotSet::Reset()
{
    const KVector4 lZero(0.0, 0.0, 0.0, 1.0);
    mRotationOffset = lZero;
    mRotationPivot = lZero;
    mRotationPivotUpdateOffset = lZero;
    mPreRotation = lZero;
    mPostRotation = lZero;
    mScalingOffset = lZero;
    mScalingPivot = lZero;
    mScalingPivotUpdateOffset = lZero;
    mGeometricTranslation = lZero;
    mGeometricRotation = lZero;
    mGeometricScaling = KVector4(1.0, 1.0, 1.0, 1.0);
    mRotationOrder = kRyvEulerXYZ;
    mUseRotationSpaceForLimitOnly = false;
    mGlobalMatrixValid = false;
    mPivotState = kPivotReference;
}

const char* KRyvPivotSet::RotationOrderName(int pOrder)
{
    static const char* const kNames[] = {"Euler XYZ", "Euler XZY", "Euler YZX",  "Euler YXZ",
                                         "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
    constexpr int kCount = static_cast<int>(sizeof(kNames) / sizeof(kNames[0]));
    return pOrder >= 0 && pOrder < kCount ? kNames[pOrder] : nullptr;
}

const char* KRyvPivotSet::InheritTypeName(int pType)
{
    // Types 0 and 1 share their name: files cannot tell them apart.
    static const char* const kNames[] = {"RrSs", "RrSs", "Rrs"};
    constexpr int kCount = static_cast<int>(sizeof(kNames) / sizeof(kNames[0]));
    return pType >= 0 && pType < kCount ? kNames[pType] : nullptr;
}

const KRyvPivotSet& KRyvPivotSet::GetDefault()
{
    static const KRyvPivotSet sDefault;
    return sDefault;
}
