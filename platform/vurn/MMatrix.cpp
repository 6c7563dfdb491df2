#include "platform/vurn/MMatrix.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr double kSingularPivot = 1e-300;

int Clamp(int pIndex)
{
    return std::min(3, std::max(0, pIndex));
}
} // namespace

MMatrix::MMatrix()
{
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            matrix[lRow][lColumn] = lRow == lColumn ? 1.0 : 0.0;
        }
    }
}

MMatrix::MMatrix(const double pValues[16])
{
    for (int lIndex = 0; lIndex < 16; ++lIndex) {
        matrix[lIndex / 4][lIndex % 4] = pValues[lIndex];
    }
}

double MMatrix::operator()(int pRow, int pColumn) const
{
    return matrix[Clamp(pRow)][Clamp(pColumn)];
}

double& MMatrix::operator()(int pRow, int pColumn)
{
    return matrix[Clamp(pRow)][Clamp(pColumn)];
}

MMatrix MMatrix::operator*(const MMatrix& pOther) const
{
    MMatrix lResult;
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            double lSum = 0.0;
            for (int lK = 0; lK < 4; ++lK) {
                lSum += matrix[lRow][lK] * pOther.matrix[lK][lColumn];
            }
            lResult.matrix[lRow][lColumn] = lSum;
        }
    }
    return lResult;
}

bool MMatrix::operator==(const MMatrix& pOther) const
{
    return isEquivalent(pOther, 0.0);
}

bool MMatrix::isEquivalent(const MMatrix& pOther, double pTolerance) const
{
    for (int lIndex = 0; lIndex < 16; ++lIndex) {
        if (std::fabs(matrix[lIndex / 4][lIndex % 4] - pOther.matrix[lIndex / 4][lIndex % 4]) >
            pTolerance) {
            return false;
        }
    }
    return true;
}

MMatrix MMatrix::transpose() const
{
    MMatrix lResult;
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            lResult.matrix[lRow][lColumn] = matrix[lColumn][lRow];
        }
    }
    return lResult;
}

MMatrix MMatrix::inverse() const
{
    MMatrix lWork = *this;
    MMatrix lResult;
    for (int lColumn = 0; lColumn < 4; ++lColumn) {
        int lPivot = lColumn;
        for (int lRow = lColumn + 1; lRow < 4; ++lRow) {
            if (std::fabs(lWork.matrix[lRow][lColumn]) > std::fabs(lWork.matrix[lPivot][lColumn])) {
                lPivot = lRow;
            }
        }
        if (std::fabs(lWork.matrix[lPivot][lColumn]) < kSingularPivot) {
            return MMatrix();
        }
        std::swap(lWork.matrix[lPivot], lWork.matrix[lColumn]);
        std::swap(lResult.matrix[lPivot], lResult.matrix[lColumn]);
        const double lScale = 1.0 / lWork.matrix[lColumn][lColumn];
        for (int lK = 0; lK < 4; ++lK) {
            lWork.matrix[lColumn][lK] *= lScale;
            lResult.matrix[lColumn][lK] *= lScale;
        }
        for (int lRow = 0; lRow < 4; ++lRow) {
            const double lFactor = lRow == lColumn ? 0.0 : lWork.matrix[lRow][lColumn];
            for (int lK = 0; lK < 4; ++lK) {
                lWork.matrix[lRow][lK] -= lFactor * lWork.matrix[lColumn][lK];
                lResult.matrix[lRow][lK] -= lFactor * lResult.matrix[lColumn][lK];
            }
        }
    }
    return lResult;
}

MMatrix MMatrix::translation(double pX, double pY, double pZ)
{
    MMatrix lResult;
    lResult.matrix[3][0] = pX;
    lResult.matrix[3][1] = pY;
    lResult.matrix[3][2] = pZ;
    return lResult;
}

MMatrix MMatrix::scaling(double pX, double pY, double pZ)
{
    MMatrix lResult;
    lResult.matrix[0][0] = pX;
    lResult.matrix[1][1] = pY;
    lResult.matrix[2][2] = pZ;
    return lResult;
}
