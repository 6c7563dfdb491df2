// The import half of KRyvAsfScene: skeleton nodes, their takes and limits.
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/asf-amc/KAsfRotation.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <utility>

namespace {

constexpr double kFullTurn = 180.0;

// Keys of one channel trio (0 translation, 1 rotation) into the take's curves.
void FillTrio(KFCurve* pCurves[3], const std::vector<KAsfKey>& pKeys, int pKind)
{
    for (int c = 0; c < 3; ++c) {
        pCurves[c]->BeginKeyModify();
        for (const KAsfKey& lKey : pKeys) {
            const double lValue = pKind == 0 ? lKey.mTranslation[c] : lKey.mRotation[c];
            pCurves[c]->KeyAdd(KTime(lKey.mTicks), static_cast<float>(lValue));
        }
        pCurves[c]->EndKeyModify();
    }
}

// Euler X, Y, Z of the basis that lists the axes of an order in their order of application.
KVector4 OrderBasisAngles(int pOrderIndex)
{
    KVector4 lUnit;
    double lAxes[3];
    KMatrix lPermutation;
    for (int i = 0; i < 3; ++i) {
        // The i-th axis applied: which of X, Y, Z it is.
        lUnit = KVector4(i == 0 ? 1.0 : 0.0, i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0);
        KAsfRotation::SwapChannels(lAxes, lUnit, pOrderIndex);
        for (int j = 0; j < 3; ++j) {
            lPermutation[i][j] = lAxes[j];
        }
    }
    // An odd permutation is a reflection; turning the last axis round makes it a rotation.
    const double lDeterminant =
        lPermutation[0][0] *
            (lPermutation[1][1] * lPermutation[2][2] - lPermutation[1][2] * lPermutation[2][1]) -
        lPermutation[0][1] *
            (lPermutation[1][0] * lPermutation[2][2] - lPermutation[1][2] * lPermutation[2][0]) +
        lPermutation[0][2] *
            (lPermutation[1][0] * lPermutation[2][1] - lPermutation[1][1] * lPermutation[2][0]);
    if (lDeterminant < 0.0) {
        for (int j = 0; j < 3; ++j) {
            lPermutation[2][j] = -lPermutation[2][j];
        }
    }
    KVector4 lAngles;
    MatrixToEulerXYZ(lAngles, lPermutation);
    return lAngles;
}

} // namespace

KRyvNode* KRyvAsfScene::CreateNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                                    const char* pTakeName, bool pLimits)
{
    return mRoot ? CreateBoneNodes(ioRollback, ioFactory, *mRoot, nullptr, pTakeName, pLimits)
                 : nullptr;
}

KRyvNode* KRyvAsfScene::UpdateNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                                    KRyvNode* pParent, const char* pTakeName, bool pLimits)
{
    if (!mRoot || !pParent) {
        return nullptr;
    }
    KRyvNode* lRootNode = nullptr;
    std::vector<std::pair<KAsfBone*, KRyvNode*>> lStack{{mRoot, pParent}};
    while (!lStack.empty()) {
        const auto [lBone, lParentNode] = lStack.back();
        lStack.pop_back();
        KRyvNode* lNode = lParentNode->FindChild(lBone->mName.c_str());
        if (lNode && lNode->GetSkeleton()) {
            ioRollback.SetLclTransform(*lNode, lBone->mLocalTranslation, lBone->mLocalRotation);
            if (!ApplyTake(ioRollback, *lNode, *lBone, pTakeName)) {
                return nullptr;
            }
            for (auto lChild = lBone->mChildren.rbegin(); lChild != lBone->mChildren.rend();
                 ++lChild) {
                lStack.emplace_back(*lChild, lNode);
            }
        } else {
            lNode = CreateBoneNodes(ioRollback, ioFactory, *lBone, lParentNode, pTakeName, pLimits);
            if (!lNode) {
                return nullptr;
            }
        }
        lRootNode = lRootNode ? lRootNode : lNode;
    }
    return lRootNode;
}

KRyvNode* KRyvAsfScene::CreateBoneNodes(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                                        KAsfBone& pBone, KRyvNode* pParent, const char* pTakeName,
                                        bool pLimits)
{
    KRyvNode* lTop = nullptr;
    std::vector<std::pair<KAsfBone*, KRyvNode*>> lStack{{&pBone, pParent}};
    while (!lStack.empty()) {
        const auto [lBone, lParentNode] = lStack.back();
        lStack.pop_back();
        KRyvNode* lNode = CreateBoneNode(ioRollback, ioFactory, *lBone, pTakeName, pLimits);
        if (!lNode || (lParentNode && !lParentNode->AddChild(lNode))) {
            return nullptr;
        }
        lTop = lTop ? lTop : lNode;
        for (auto lChild = lBone->mChildren.rbegin(); lChild != lBone->mChildren.rend(); ++lChild) {
            lStack.emplace_back(*lChild, lNode);
        }
    }
    return lTop;
}

KRyvNode* KRyvAsfScene::CreateBoneNode(KReadRollback& ioRollback, KRyvObjectFactory& ioFactory,
                                       KAsfBone& pBone, const char* pTakeName, bool pLimits)
{
    KRyvNode* lNode = ioRollback.AddNode(ioFactory.CreateNode(pBone.mName.c_str()));
    KRyvSkeleton* lSkeleton = ioFactory.CreateSkeleton();
    ioRollback.AddAttribute(lSkeleton);
    if (!lNode || !lSkeleton) {
        return nullptr;
    }
    lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
    lNode->SetNodeAttribute(lSkeleton);
    lNode->SetMarked(true);
    lNode->SetLclTranslation(pBone.mLocalTranslation);
    lNode->SetLclRotation(pBone.mLocalRotation);
    if (pTakeName && !ApplyTake(ioRollback, *lNode, pBone, pTakeName)) {
        return nullptr;
    }
    if (pLimits) {
        SetLimits(*lNode, pBone);
    }
    if (!pBone.mChildren.empty() || !(pBone.mLength > 0.0)) {
        return lNode;
    }
    // The tip of a leaf bone, in the bone's own axes.
    const std::string lEndName = pBone.mName + "_End";
    KRyvNode* lEnd = ioRollback.AddNode(ioFactory.CreateNode(lEndName.c_str()));
    KRyvSkeleton* lEndSkeleton = ioFactory.CreateSkeleton();
    ioRollback.AddAttribute(lEndSkeleton);
    if (!lEnd || !lEndSkeleton) {
        return nullptr;
    }
    lEndSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
    lEnd->SetNodeAttribute(lEndSkeleton);
    lEnd->SetMarked(true);
    KVector4 lTip;
    VectorMultiplyMatrix3x3(lTip, pBone.mInverseAxis, pBone.mPosition);
    lEnd->SetLclTranslation(lTip);
    return lNode->AddChild(lEnd) ? lNode : nullptr;
}

bool KRyvAsfScene::ApplyTake(KReadRollback& ioRollback, KRyvNode& ioNode, KAsfBone& ioBone,
                             const char* pTakeName)
{
    // A node that has the take already (a second read of one file) keeps it.
    ioRollback.AddTakeNode(ioNode, pTakeName);
    if (!ioNode.SetCurrentTakeNode(pTakeName)) {
        return false;
    }
    KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    KFCurve* lTranslation[3] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                lTake->GetTransformTZ()};
    KFCurve* lRotation[3] = {lTake->GetTransformRX(), lTake->GetTransformRY(),
                             lTake->GetTransformRZ()};
    for (int c = 0; c < 3; ++c) {
        if (!lTranslation[c] || !lRotation[c]) {
            return false;
        }
        lTranslation[c]->SetDefaultValue(static_cast<float>(ioBone.mLocalTranslation[c]));
        lRotation[c]->SetDefaultValue(static_cast<float>(ioBone.mLocalRotation[c]));
    }
    if (ioBone.mKeys.empty()) {
        return true;
    }
    const bool lTranslates = ioBone.HasTranslationDof();
    const bool lTurns = ioBone.HasRotationDof();
    if (lTranslates) {
        FillTrio(lTranslation, ioBone.mKeys, 0);
    }
    if (lTurns) {
        FillTrio(lRotation, ioBone.mKeys, 1);
    }
    if (lTranslates || lTurns) {
        // A bone's rotation trio takes the rotation filter alone.
        KMotionImportFilters::Apply(lTranslates ? lTranslation : nullptr,
                                    lTurns ? lRotation : nullptr, false);
    }
    return true;
}

void KRyvAsfScene::SetLimits(KRyvNode& ioNode, const KAsfBone& pBone)
{
    KRyvNodeLimits& lLimits = ioNode.GetLimits();
    KVector4 lMin;
    KVector4 lMax;
    int lSlot = 2;
    for (int i = 0; i < pBone.mDofCount; ++i) {
        if (pBone.mDofs[i] >= KAsfBone::eRz && pBone.mDofs[i] <= KAsfBone::eRx && lSlot >= 0) {
            lMin[lSlot] = -kFullTurn;
            lMax[lSlot] = kFullTurn;
            --lSlot;
        }
    }
    if (!pBone.HasTranslationDof()) {
        lLimits.SetAuto(KRyvNodeLimits::eTranslation, false);
        lLimits.SetEnable(KRyvNodeLimits::eTranslation, true);
        lLimits.SetDefault(KRyvNodeLimits::eTranslation, pBone.mLocalTranslation);
        lLimits.SetMin(KRyvNodeLimits::eTranslation, pBone.mLocalTranslation);
        lLimits.SetMax(KRyvNodeLimits::eTranslation, pBone.mLocalTranslation);
    }
    if (pBone.CountRotationDofs() >= 3) {
        return;
    }
    lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
    lLimits.SetEnable(KRyvNodeLimits::eRotation, true);
    lLimits.SetDefault(KRyvNodeLimits::eRotation, pBone.mLocalRotation);
    lLimits.SetMin(KRyvNodeLimits::eRotation, lMin);
    lLimits.SetMax(KRyvNodeLimits::eRotation, lMax);
    lLimits.SetRotationAxis(
        OrderBasisAngles(KAsfRotation::IndexOfDofs(pBone.mDofs, pBone.mDofCount)));
    lLimits.SetAxisLength(pBone.mLength);
}
