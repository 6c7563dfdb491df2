#include "platform/vurn/MEulerRotation.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kGimbalCosine = 1e-12;
constexpr int kOrderAxes[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {1, 0, 2}, {2, 1, 0}};

int ValidOrder(MEulerRotation::RotationOrder pOrder)
{
    return pOrder >= MEulerRotation::kXYZ && pOrder <= MEulerRotation::kZYX ? pOrder : 0;
}

// Angles (a, b, c) with pMatrix = Rx(a) * Ry(b) * Rz(c).
void DecomposeXYZ(const MMatrix& pMatrix, double oAngles[3])
{
    const double lSinB = std::max(-1.0, std::min(1.0, -pMatrix(0, 2)));
    oAngles[1] = std::asin(lSinB);
    if (std::cos(oAngles[1]) > kGimbalCosine) {
        oAngles[0] = std::atan2(pMatrix(1, 2), pMatrix(2, 2));
        oAngles[2] = std::atan2(pMatrix(0, 1), pMatrix(0, 0));
    } else {
        oAngles[0] = std::atan2(lSinB * pMatrix(1, 0), pMatrix(1, 1));
        oAngles[2] = 0.0;
    }
}

MMatrix Unscaled(const MMatrix& pMatrix)
{
    MMatrix lResult;
    for (int lRow = 0; lRow < 3; ++lRow) {
        const double lLength =
            std::sqrt(pMatrix(lRow, 0) * pMatrix(lRow, 0) + pMatrix(lRow, 1) * pMatrix(lRow, 1) +
                      pMatrix(lRow, 2) * pMatrix(lRow, 2));
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            lResult(lRow, lColumn) = lLength > 0.0 ? pMatrix(lRow, lColumn) / lLength : 0.0;
        }
    }
    return lResult;
}
} // namespace

void MEulerRotation::orderAxes(RotationOrder pOrder, int oAxes[3])
{
    const int lOrder = ValidOrder(pOrder);
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        oAxes[lIndex] = kOrderAxes[lOrder][lIndex];
    }
}

MMatrix MEulerRotation::axisMatrix(int pAxis, double pAngle)
{
    const double lCos = std::cos(pAngle);
    const double lSin = std::sin(pAngle);
    const int lU = (pAxis + 1) % 3;
    const int lV = (pAxis + 2) % 3;
    MMatrix lResult;
    lResult(lU, lU) = lCos;
    lResult(lU, lV) = lSin;
    lResult(lV, lU) = -lSin;
    lResult(lV, lV) = lCos;
    return lResult;
}

MMatrix MEulerRotation::asMatrix() const
{
    const double lAngles[3] = {x, y, z};
    int lAxes[3];
    orderAxes(order, lAxes);
    return axisMatrix(lAxes[0], lAngles[lAxes[0]]) * axisMatrix(lAxes[1], lAngles[lAxes[1]]) *
           axisMatrix(lAxes[2], lAngles[lAxes[2]]);
}

// Conjugating by the permutation that sends the order's axes to X, Y, Z turns any order into
// XYZ; an odd permutation is a reflection, which turns the angles' signs.
MEulerRotation MEulerRotation::decompose(const MMatrix& pMatrix, RotationOrder pOrder)
{
    int lAxes[3];
    orderAxes(pOrder, lAxes);
    const MMatrix lRotation = Unscaled(pMatrix);
    MMatrix lPermuted;
    for (int lRow = 0; lRow < 3; ++lRow) {
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            lPermuted(lRow, lColumn) = lRotation(lAxes[lRow], lAxes[lColumn]);
        }
    }
    const bool lOdd = (lAxes[1] - lAxes[0] + 3) % 3 != 1;
    double lXYZ[3];
    DecomposeXYZ(lPermuted, lXYZ);
    double lAngles[3];
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        lAngles[lAxes[lIndex]] = lOdd ? -lXYZ[lIndex] : lXYZ[lIndex];
    }
    return MEulerRotation(lAngles[0], lAngles[1], lAngles[2], pOrder);
}
