#ifndef RYVKIT_PLATFORM_VURN_MEULERROTATION_H
#define RYVKIT_PLATFORM_VURN_MEULERROTATION_H

#include "platform/vurn/MMatrix.h"

// Euler angles in radians with an order: the first letter's axis turns first. With row vectors
// the order XYZ is the matrix Rx * Ry * Rz.
class MEulerRotation
{
public:
    enum RotationOrder : int {
        kXYZ = 0,
        kYZX = 1,
        kZXY = 2,
        kXZY = 3,
        kYXZ = 4,
        kZYX = 5,
    };

    MEulerRotation() = default;
    MEulerRotation(double pX, double pY, double pZ, RotationOrder pOrder = kXYZ)
        : x(pX), y(pY), z(pZ), order(pOrder)
    {
    }

    MMatrix asMatrix() const;
    // The angles of the rotation part of pMatrix (scale-free) in pOrder; on a gimbal lock the
    // last axis takes angle 0.
    static MEulerRotation decompose(const MMatrix& pMatrix, RotationOrder pOrder);
    // The rotation matrix of pAngle radians about axis 0 (X), 1 (Y) or 2 (Z).
    static MMatrix axisMatrix(int pAxis, double pAngle);
    // The axes of pOrder, first to last.
    static void orderAxes(RotationOrder pOrder, int oAxes[3]);

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    RotationOrder order = kXYZ;
};

#endif
