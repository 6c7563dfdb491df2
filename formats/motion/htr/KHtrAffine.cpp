#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"

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
    EulerToAxesXYZ(mAxes, pX, pY, pZ);
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
    AxesToEulerXYZ(oAngles, mRow0, mRow1, mZ2);
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
