#include "core/KAffineMatrix.h"

#include "core/KMatrixFunctions.h"

KAffineMatrix::KAffineMatrix(const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    MatrixSetTRS(*this, pT, pR, pS);
}

KAffineMatrix& KAffineMatrix::operator=(const KAffineMatrix& pOther)
{
    MatrixCopyAffine(*this, pOther);
    return *this;
}

KAffineMatrix& KAffineMatrix::operator=(const KMatrix& pOther)
{
    MatrixCopyAffine(*this, pOther);
    return *this;
}

KAffineMatrix& KAffineMatrix::SetIdentity()
{
    MatrixSetIdentity(*this);
    return *this;
}

KVector4 KAffineMatrix::GetT() const
{
    const double* lRow = (*this)[3];
    return KVector4(lRow[0], lRow[1], lRow[2], 0.0);
}

KVector4 KAffineMatrix::GetR() const
{
    KVector4 lAngles;
    MatrixToEulerUnscaled(lAngles, *this);
    return lAngles;
}

KVector4 KAffineMatrix::GetS() const
{
    KVector4 lScale;
    MatrixGetScale(lScale, *this);
    return lScale;
}

KVector4 KAffineMatrix::GetQ() const
{
    KMatrix lRotation(*this);
    MatrixRemoveScale(lRotation, *this);
    KQuaternion lQ;
    MatrixToQuaternion(lQ, lRotation);
    return KVector4(lQ[0], lQ[1], lQ[2], lQ[3]);
}

KVector4 KAffineMatrix::MultT(const KVector4& pPoint) const
{
    KVector4 lResult;
    VectorMultiplyMatrix3x3(lResult, *this, pPoint);
    const double* lT = (*this)[3];
    return KVector4(lResult[0] + lT[0], lResult[1] + lT[1], lResult[2] + lT[2], pPoint[3]);
}

KAffineMatrix KAffineMatrix::operator*(const KAffineMatrix& pOther) const
{
    KAffineMatrix lResult;
    MatrixMultiplyAffine(lResult, pOther, *this);
    return lResult;
}

KAffineMatrix KAffineMatrix::Inverse() const
{
    KAffineMatrix lResult;
    MatrixInverseAffine(lResult, *this);
    return lResult;
}

KAffineMatrix KAffineMatrix::Transpose() const
{
    KAffineMatrix lResult;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            lResult[r][c] = (*this)[c][r];
        }
    }
    return lResult;
}
