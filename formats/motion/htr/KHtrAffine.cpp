#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"

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

void KHtrAffine::Multiply(KHtrAffine& oDst, const KHtrAffine& pFirst, const KHtrAffine& pThen)
{
    const double(*a)[3] = pThen.mAxes;
    for (int r = 0; r < 3; ++r) {
        const double* b = pFirst.mAxes[r];
        for (int c = 0; c < 3; ++c) {
            oDst.mAxes[r][c] = b[0] * a[0][c] + b[1] * a[1][c] + b[2] * a[2][c];
        }
    }
    const double* t = pFirst.mTranslation;
    for (int c = 0; c < 3; ++c) {
        oDst.mTranslation[c] =
            t[0] * a[0][c] + t[1] * a[1][c] + t[2] * a[2][c] + pThen.mTranslation[c];
    }
}

void KHtrAffine::Inverse(KHtrAffine& oDst, const KHtrAffine& pSrc)
{
    for (int c = 0; c < 3; ++c) {
        const double* lRow = pSrc.mAxes[c];
        const double lLength2 = lRow[0] * lRow[0] + lRow[1] * lRow[1] + lRow[2] * lRow[2];
        for (int r = 0; r < 3; ++r) {
            oDst.mAxes[r][c] = lLength2 > 0.0 ? lRow[r] / lLength2 : 0.0;
        }
    }
    const double* t = pSrc.mTranslation;
    for (int c = 0; c < 3; ++c) {
        oDst.mTranslation[c] =
            -(t[0] * oDst.mAxes[0][c] + t[1] * oDst.mAxes[1][c] + t[2] * oDst.mAxes[2][c]);
    }
}
