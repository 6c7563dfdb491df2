#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;
// Beyond this sine of Y the X and Z turns share one axis (as MatrixToEulerXYZ decides).
constexpr double kEulerXYZGimbal = 0.999999;

} // namespace

KHtrAffine KHtrAffine::Identity()
{
    return KHtrAffine{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}, {0.0, 0.0, 0.0}};
}

KHtrAffine KHtrAffine::FromMatrix(const KMatrix& pMatrix)
{
    KHtrAffine lAffine;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lAffine.mAxes[r][c] = pMatrix[r][c];
        }
        lAffine.mTranslation[r] = pMatrix[3][r];
    }
    return lAffine;
}

void KHtrAffine::ToMatrix(KMatrix& ioMatrix) const
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            ioMatrix[r][c] = mAxes[r][c];
        }
        ioMatrix[3][r] = mTranslation[r];
    }
}

void KHtrAffine::SetEulerXYZ(double pX, double pY, double pZ)
{
    const double sx = std::sin(pX * kDegToRad), cx = std::cos(pX * kDegToRad);
    const double sy = std::sin(pY * kDegToRad), cy = std::cos(pY * kDegToRad);
    const double sz = std::sin(pZ * kDegToRad), cz = std::cos(pZ * kDegToRad);
    mAxes[0][0] = cy * cz;
    mAxes[0][1] = cy * sz;
    mAxes[0][2] = -sy;
    mAxes[1][0] = sx * sy * cz - cx * sz;
    mAxes[1][1] = sx * sy * sz + cx * cz;
    mAxes[1][2] = sx * cy;
    mAxes[2][0] = cx * sy * cz + sx * sz;
    mAxes[2][1] = cx * sy * sz - sx * cz;
    mAxes[2][2] = cx * cy;
}

void KHtrAffine::ToEulerXYZ(double oAngles[3]) const
{
    const KHtrEulerAxes lAxes{{mAxes[0][0], mAxes[0][1], mAxes[0][2]},
                              {mAxes[1][0], mAxes[1][1], mAxes[1][2]},
                              mAxes[2][2]};
    lAxes.ToEulerXYZ(oAngles);
}

void KHtrEulerAxes::ToEulerXYZ(double oAngles[3]) const
{
    const double lM02 = mRow0[2];
    if (lM02 >= kEulerXYZGimbal) {
        // sin(Y) = -1: row 1 reduces to (-sin(X + Z), cos(X + Z), 0).
        oAngles[0] = std::atan2(-mRow1[0], mRow1[1]) * kRadToDeg;
        oAngles[1] = -90.0;
        oAngles[2] = 0.0;
    } else if (lM02 <= -kEulerXYZGimbal) {
        // sin(Y) = 1: row 1 reduces to (sin(X - Z), cos(X - Z), 0).
        oAngles[0] = std::atan2(mRow1[0], mRow1[1]) * kRadToDeg;
        oAngles[1] = 90.0;
        oAngles[2] = 0.0;
    } else {
        oAngles[0] = std::atan2(mRow1[2], mZ2) * kRadToDeg;
        oAngles[1] = std::asin(-lM02) * kRadToDeg;
        oAngles[2] = std::atan2(mRow0[1], mRow0[0]) * kRadToDeg;
    }
}

void KHtrAffine::MultiplyAxes(KHtrAffine& oDst, const KHtrAffine& pFirst, const KHtrAffine& pThen)
{
    const double(*a)[3] = pThen.mAxes;
    double lAxes[3][3];
    for (int r = 0; r < 3; ++r) {
        const double* b = pFirst.mAxes[r];
        for (int c = 0; c < 3; ++c) {
            lAxes[r][c] = b[0] * a[0][c] + b[1] * a[1][c] + b[2] * a[2][c];
        }
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            oDst.mAxes[r][c] = lAxes[r][c];
        }
    }
}
