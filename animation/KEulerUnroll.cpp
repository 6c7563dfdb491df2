#include "animation/KEulerUnroll.h"

#include "core/KMatrixFunctions.h"

#include <cmath>

namespace {

// Axes in order of application for each pair of table indices (index / 2).
constexpr int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

int TableIndex(int pOrder)
{
    return pOrder == KEulerUnroll::kSphericOrder ? 0 : pOrder;
}

} // namespace

bool KEulerUnroll::IsValidOrder(int pOrder)
{
    return (pOrder >= 0 && pOrder <= 11) || pOrder == kSphericOrder;
}

int KEulerUnroll::GetAxis(int pOrder, int pStep)
{
    if (!IsValidOrder(pOrder) || pStep < 0 || pStep > 2) {
        return -1;
    }
    return kAxes[TableIndex(pOrder) / 2][pStep];
}

bool KEulerUnroll::ToMatrix(KMatrix& pDst, const KVector4& pAngles, int pOrder)
{
    MatrixSetIdentity(pDst);
    if (!IsValidOrder(pOrder)) {
        return false;
    }
    const int* lAxes = kAxes[TableIndex(pOrder) / 2];
    return EulerToMatrixOrdered(pDst, pAngles[lAxes[0]], pAngles[lAxes[1]], pAngles[lAxes[2]],
                                TableIndex(pOrder));
}

bool KEulerUnroll::FromMatrix(KVector4& pAngles, const KMatrix& pRotation, int pOrder)
{
    if (!IsValidOrder(pOrder)) {
        return false;
    }
    KVector4 lSteps;
    if (!MatrixToEulerOrdered(lSteps, pRotation, TableIndex(pOrder))) {
        return false;
    }
    const int* lAxes = kAxes[TableIndex(pOrder) / 2];
    for (int i = 0; i < 3; ++i) {
        pAngles[lAxes[i]] = lSteps[i];
    }
    return true;
}

KVector4 KEulerUnroll::GetAlternate(const KVector4& pAngles, int pOrder)
{
    KVector4 lResult = pAngles;
    if (!IsValidOrder(pOrder)) {
        return lResult;
    }
    const int* lAxes = kAxes[TableIndex(pOrder) / 2];
    lResult[lAxes[0]] = pAngles[lAxes[0]] + 180.0;
    lResult[lAxes[1]] = 180.0 - pAngles[lAxes[1]];
    lResult[lAxes[2]] = pAngles[lAxes[2]] + 180.0;
    return lResult;
}

bool KEulerUnroll::Unroll(KVector4& ioCurrent, const KVector4& pPrevious, int pOrder,
                          bool pAlternate)
{
    const KVector4 lPlain = WrapNear(ioCurrent, pPrevious);
    if (pAlternate && IsValidOrder(pOrder)) {
        const KVector4 lOther = WrapNear(GetAlternate(ioCurrent, pOrder), pPrevious);
        if (Distance(lOther, pPrevious) < Distance(lPlain, pPrevious)) {
            ioCurrent = lOther;
            return true;
        }
    }
    ioCurrent = lPlain;
    return false;
}
