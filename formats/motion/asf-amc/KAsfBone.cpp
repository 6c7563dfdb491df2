#include "formats/motion/asf-amc/KAsfBone.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/asf-amc/KAsfRotation.h"

bool KAsfBone::HasTranslationDof() const
{
    for (int i = 0; i < mDofCount; ++i) {
        if (mDofs[i] <= eTz) {
            return true;
        }
    }
    return false;
}

bool KAsfBone::HasRotationDof() const
{
    return CountRotationDofs() > 0;
}

int KAsfBone::CountRotationDofs() const
{
    int lCount = 0;
    for (int i = 0; i < mDofCount; ++i) {
        lCount += mDofs[i] >= eRz && mDofs[i] <= eRx ? 1 : 0;
    }
    return lCount;
}

bool KAsfBone::AddDof(int pCode)
{
    if (mDofCount >= kMaxDof) {
        return false;
    }
    mDofs[mDofCount++] = pCode;
    return true;
}

bool KAsfBone::SetAxis(const double pAngles[3], int pOrderIndex)
{
    KMatrix lAxis;
    if (!KAsfRotation::AnglesToMatrix(lAxis, pAngles, pOrderIndex)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        mAxisAngles[i] = pAngles[i];
    }
    mAxisOrder = pOrderIndex;
    mAxis = lAxis;
    MatrixTranspose3x3(mInverseAxis, mAxis);
    return true;
}
