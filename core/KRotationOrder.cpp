#include "core/KRotationOrder.h"

#include "core/KMatrixFunctions.h"

namespace {

// Axis order of each converting kit order (0 to 5) and its index in EulerToMatrixOrdered's table.
struct OrderAxes
{
    int mAxes[3];
    int mTableIndex;
};

constexpr OrderAxes kOrderAxes[6] = {
    {{0, 1, 2}, 0},  // XYZ
    {{0, 2, 1}, 2},  // XZY
    {{1, 2, 0}, 4},  // YZX
    {{1, 0, 2}, 6},  // YXZ
    {{2, 0, 1}, 8},  // ZXY
    {{2, 1, 0}, 10}, // ZYX
};

// The axes of a kit order, or null when it has no conversion.
const OrderAxes* FindAxes(int pOrder)
{
    if (pOrder == KRotationOrder::eSphericXYZ) {
        return &kOrderAxes[0];
    }
    return pOrder >= 0 && pOrder < 6 ? &kOrderAxes[pOrder] : nullptr;
}

} // namespace

KRotationOrder::KRotationOrder(int pOrder) : mOrder(eEulerXYZ)
{
    SetOrder(pOrder);
}

bool KRotationOrder::SetOrder(int pOrder)
{
    if (pOrder < 0 || pOrder >= kOrderCount) {
        return false;
    }
    mOrder = pOrder;
    return true;
}

bool KRotationOrder::HasConversion() const
{
    return FindAxes(mOrder) != nullptr;
}

bool KRotationOrder::V2M(KMatrix& pDst, const KVector4& pEuler) const
{
    MatrixSetIdentity(pDst);
    const OrderAxes* lOrder = FindAxes(mOrder);
    if (lOrder == nullptr) {
        return false;
    }
    return EulerToMatrixOrdered(pDst, pEuler[lOrder->mAxes[0]], pEuler[lOrder->mAxes[1]],
                                pEuler[lOrder->mAxes[2]], lOrder->mTableIndex);
}

bool KRotationOrder::M2V(KVector4& pDst, const KMatrix& pSrc) const
{
    const OrderAxes* lOrder = FindAxes(mOrder);
    if (lOrder == nullptr) {
        return false;
    }
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, pSrc);
    KVector4 lOrdered;
    MatrixToEulerOrdered(lOrdered, lRotation, lOrder->mTableIndex);
    for (int n = 0; n < 3; ++n) {
        pDst[lOrder->mAxes[n]] = lOrdered[n];
    }
    return true;
}

bool KRotationOrder::V2V(KVector4& pDst, const KVector4& pSrc,
                         const KRotationOrder& pSrcOrder) const
{
    if (!HasConversion()) {
        return false;
    }
    KMatrix lRotation;
    return pSrcOrder.V2M(lRotation, pSrc) && M2V(pDst, lRotation);
}
