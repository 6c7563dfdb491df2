#ifndef RYVKIT_CORE_KROTATIONORDER_H
#define RYVKIT_CORE_KROTATIONORDER_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

// A rotation order as the kit numbers it, with the conversions between Euler angles and
// rotation matrices in that order. The Euler vector always holds the angle about X in x, about Y
// in y and about Z in z (degrees); the order says which turn applies first. "XYZ" turns about X
// first, then Y, then Z (row vectors: Rx * Ry * Rz), so order 0 agrees with EulerToMatrixXYZ.
//
// This numbering is the kit's own and differs from the axis table of EulerToMatrixOrdered:
//   0 XYZ, 1 XZY, 2 YZX, 3 YXZ, 4 ZXY, 5 ZYX, 12 spheric XYZ (converts as XYZ).
// 6 to 11 are accepted as values but have no conversion here (there is no such order to convert
// in this kit); the conversions refuse them.
class KRotationOrder
{
public:
    enum EOrder {
        eEulerXYZ = 0,
        eEulerXZY = 1,
        eEulerYZX = 2,
        eEulerYXZ = 3,
        eEulerZXY = 4,
        eEulerZYX = 5,
        eSphericXYZ = 12
    };
    static constexpr int kOrderCount = 13;

    // An order outside 0..12 is taken as XYZ.
    explicit KRotationOrder(int pOrder = eEulerXYZ);

    int GetOrder() const { return mOrder; }
    // False (and the order unchanged) for an order outside 0..12.
    bool SetOrder(int pOrder);
    // True for the orders that convert: 0 to 5 and 12.
    bool HasConversion() const;

    // The rotation matrix (no translation, fourth column of the identity) of Euler angles x, y, z
    // of pEuler applied in this order. False and the identity for an order without conversion.
    bool V2M(KMatrix& pDst, const KVector4& pEuler) const;
    // Euler angles x, y, z of the rotation of pSrc in this order, after the scale is divided out
    // of the axes (as MatrixToEulerUnscaled does). The middle turn lies in [-90, 90]; at gimbal
    // lock the last turn is 0. False (pDst unchanged) for an order without conversion.
    bool M2V(KVector4& pDst, const KMatrix& pSrc) const;
    // The same as M2V.
    bool MatrixToEuler(KVector4& pDst, const KMatrix& pSrc) const { return M2V(pDst, pSrc); }
    // Euler angles pSrc given in pSrcOrder re-expressed in this order (same rotation).
    // False (pDst unchanged) when either order has no conversion.
    bool V2V(KVector4& pDst, const KVector4& pSrc, const KRotationOrder& pSrcOrder) const;

private:
    int mOrder;
};

#endif
