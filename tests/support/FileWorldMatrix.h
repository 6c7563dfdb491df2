#ifndef RYVKIT_TESTS_SUPPORT_FILEWORLDMATRIX_H
#define RYVKIT_TESTS_SUPPORT_FILEWORLDMATRIX_H

// World matrices of the nodes of a scene read back from a file, as any reader of the format
// composes them, written out here apart from the kit's own evaluation: per node
//   L = [-Sp] S [Sp] [So] [-Rp] Post^-1 R Pre [Rp] [Ro] T      (row vectors)
// with R in the node's rotation order, Pre and Post in XYZ, and the pivots only while the
// pivot set is in use; the inherit type "Rrs" keeps the parent's own scaling off the node's
// axes (its position still goes through the whole parent). Values come from the node's
// current take at the time asked, a curve without keys giving its default.

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "tests/support/KMathTestUtil.h"

namespace filetest {

constexpr int kInheritRrs = 2;

inline KMatrix Translation(const KVector4& pVector, double pSign = 1.0)
{
    KMatrix lMatrix;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lMatrix[3][lAxis] = pSign * pVector[lAxis];
    }
    return lMatrix;
}

inline KMatrix Scaling(const KVector4& pScale)
{
    KMatrix lMatrix;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lMatrix[lAxis][lAxis] = pScale[lAxis];
    }
    return lMatrix;
}

// Euler angles in degrees in a kit rotation order (0 XYZ, 1 XZY, 2 YZX, 3 YXZ, 4 ZXY, 5 ZYX).
inline KMatrix Euler(const KVector4& pDegrees, int pOrder)
{
    static const int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0},
                                    {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
    const int(&lAxes)[3] = kAxes[pOrder >= 0 && pOrder < 6 ? pOrder : 0];
    return mathtest::Turns(lAxes, pDegrees[lAxes[0]], pDegrees[lAxes[1]], pDegrees[lAxes[2]]);
}

// "T", "R" or "S" (pKind 0, 1, 2) of the node's current take at pTime.
inline KVector4 Channel(KRyvNode& pNode, int pKind, KTime pTime)
{
    static const char* const kKinds[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    KVector4 lValue = pKind == 2 ? KVector4(1.0, 1.0, 1.0) : KVector4();
    KRyvTakeNode* lTake = pNode.GetCurrentTakeNode();
    for (int lAxis = 0; lAxis < 3 && lTake; ++lAxis) {
        const KFCurve* lCurve = lTake->GetCurve("Transform", kKinds[pKind], kAxes[lAxis]);
        if (lCurve) {
            lValue[lAxis] =
                lCurve->GetKeyCount() > 0 ? lCurve->Evaluate(pTime) : lCurve->GetDefaultValue();
        }
    }
    return lValue;
}

inline KMatrix LocalMatrix(KRyvNode& pNode, KTime pTime)
{
    const KRyvPivotSet& lSet = *pNode.GetPivotSet(0);
    const bool lOn = lSet.mPivotState == KRyvPivotSet::kPivotActive;
    const KVector4 lZero;
    const KVector4& lSp = lOn ? lSet.mScalingPivot : lZero;
    const KVector4& lRp = lOn ? lSet.mRotationPivot : lZero;
    KMatrix lPostInverse;
    const KMatrix lPost = Euler(lOn ? lSet.mPostRotation : lZero, 0);
    for (int lRow = 0; lRow < 3; ++lRow) {
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            lPostInverse[lRow][lColumn] = lPost[lColumn][lRow];
        }
    }
    const KMatrix lParts[] = {Translation(lSp, -1.0),
                              Scaling(Channel(pNode, 2, pTime)),
                              Translation(lSp),
                              Translation(lOn ? lSet.mScalingOffset : lZero),
                              Translation(lRp, -1.0),
                              lPostInverse,
                              Euler(Channel(pNode, 1, pTime), lSet.mRotationOrder),
                              Euler(lOn ? lSet.mPreRotation : lZero, 0),
                              Translation(lRp),
                              Translation(lOn ? lSet.mRotationOffset : lZero),
                              Translation(Channel(pNode, 0, pTime))};
    KMatrix lLocal;
    for (const KMatrix& lPart : lParts) {
        lLocal = mathtest::Product(lLocal, lPart);
    }
    return lLocal;
}

inline KMatrix WorldMatrix(KRyvNode& pNode, KTime pTime)
{
    const KMatrix lLocal = LocalMatrix(pNode, pTime);
    KRyvNode* lParent = pNode.GetParent();
    if (!lParent) {
        return lLocal;
    }
    const KMatrix lParentWorld = WorldMatrix(*lParent, pTime);
    int lInherit = 0;
    if (pNode.GetTransformInheritType(lInherit) != kInheritRrs) {
        return mathtest::Product(lLocal, lParentWorld);
    }
    // The axes skip the parent's own scaling; the position goes through the whole parent.
    const KVector4 lParentScale = Channel(*lParent, 2, pTime);
    KMatrix lAxes = lLocal;
    lAxes[3][0] = lAxes[3][1] = lAxes[3][2] = 0.0;
    const KVector4 lInverse(1.0 / lParentScale[0], 1.0 / lParentScale[1], 1.0 / lParentScale[2]);
    KMatrix lWorld = mathtest::Product(mathtest::Product(lAxes, Scaling(lInverse)), lParentWorld);
    const KMatrix lPosition = mathtest::Product(
        Translation(KVector4(lLocal[3][0], lLocal[3][1], lLocal[3][2])), lParentWorld);
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lWorld[3][lAxis] = lPosition[3][lAxis];
    }
    return lWorld;
}

} // namespace filetest

#endif
