#ifndef RYVKIT_PLATFORM_VURN_MQUATERNION_H
#define RYVKIT_PLATFORM_VURN_MQUATERNION_H

#include "platform/vurn/MMatrix.h"

// A rotation as a unit quaternion (x, y, z, w); the identity is (0, 0, 0, 1).
class MQuaternion
{
public:
    MQuaternion() = default;
    MQuaternion(double pX, double pY, double pZ, double pW) : x(pX), y(pY), z(pZ), w(pW) {}

    // The rotation matrix (row vectors), the same rotation as the matrix it was made from.
    MMatrix asMatrix() const;
    // The rotation part of pMatrix, which must be a pure rotation.
    static MQuaternion fromMatrix(const MMatrix& pMatrix);

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;
};

#endif
