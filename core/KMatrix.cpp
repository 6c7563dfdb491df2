#include "core/KMatrix.h"

#include "core/KMatrixFunctions.h"

#include <cmath>

namespace {

bool InRange(int pIndex)
{
    return pIndex >= 0 && pIndex < 4;
}

} // namespace

KMatrix::KMatrix()
{
    MatrixSetIdentity(*this);
}

KMatrix::KMatrix(const KVector4& pEuler)
{
    MatrixSetIdentity(*this);
    EulerToMatrixXYZ(*this, pEuler[0], pEuler[1], pEuler[2]);
}

bool KMatrix::operator==(const KMatrix& pOther) const
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(std::fabs(mData[r][c] - pOther.mData[r][c]) <= kTolerance)) {
                return false;
            }
        }
    }
    return true;
}

void KMatrix::SetTRS(const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    MatrixSetTRS(*this, pT, pR, pS);
}

double KMatrix::Get(int pRow, int pColumn) const
{
    return InRange(pRow) && InRange(pColumn) ? mData[pRow][pColumn] : 0.0;
}

bool KMatrix::Set(int pRow, int pColumn, double pValue)
{
    if (!InRange(pRow) || !InRange(pColumn)) {
        return false;
    }
    mData[pRow][pColumn] = pValue;
    return true;
}
