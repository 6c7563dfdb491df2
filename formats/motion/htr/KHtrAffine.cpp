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
