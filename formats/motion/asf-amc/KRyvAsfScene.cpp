#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionNumber.h"

#include <algorithm>
#include <cmath>

K_IMPLEMENT_CLASS(KRyvAsfScene, KObject)

namespace {

// A rest rotation this close to the identity counts as none (rounding of A times its inverse).
constexpr double kIdentityTolerance = 1e-12;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// ioMatrix followed by the turn about one axis (0 X, 1 Y, 2 Z) by pDegrees, as
// MatrixMultiply3x3(ioMatrix, turn, ioMatrix) with the turn of EulerToMatrixXYZ would give it.
// Only two columns change, so frames of long takes pay one sine and cosine and twelve products
// per rotation DOF.
void ThenTurn(KMatrix& ioMatrix, int pAxis, double pDegrees)
{
    const double lSin = std::sin(pDegrees * kRadiansPerDegree);
    const double lCos = std::cos(pDegrees * kRadiansPerDegree);
    const int lFirst = (pAxis + 1) % 3;
    const int lSecond = (pAxis + 2) % 3;
    for (int i = 0; i < 3; ++i) {
        const double lA = ioMatrix[i][lFirst];
        const double lB = ioMatrix[i][lSecond];
        ioMatrix[i][lFirst] = lCos * lA - lSin * lB;
        ioMatrix[i][lSecond] = lSin * lA + lCos * lB;
    }
}

} // namespace

KRyvAsfScene::KRyvAsfScene() = default;

KRyvAsfScene::~KRyvAsfScene() = default;

std::string KRyvAsfScene::GetReferenceName() const
{
    return (mSkeletonName.empty() ? std::string("ASF") : mSkeletonName) + ":reference";
}

void KRyvAsfScene::Clear()
{
    mRoot = nullptr;
    mBones.clear();
    mByName.clear();
    mCollapsed.clear();
}

KAsfBone* KRyvAsfScene::CreateBone(const std::string& pName)
{
    auto lBone = std::make_unique<KAsfBone>();
    lBone->mName = pName;
    return AddBone(std::move(lBone));
}

KAsfBone* KRyvAsfScene::AddBone(std::unique_ptr<KAsfBone> pBone)
{
    mBones.push_back(std::move(pBone));
    KAsfBone* lBone = mBones.back().get();
    mByName.emplace(lBone->mName, lBone);
    return lBone;
}

KAsfBone* KRyvAsfScene::FindBone(const std::string& pName) const
{
    const auto lEntry = mByName.find(pName);
    return lEntry == mByName.end() ? nullptr : lEntry->second;
}

void KRyvAsfScene::AddChildBone(KAsfBone* pParent, KAsfBone* pChild)
{
    pChild->mParent = pParent;
    pParent->mChildren.push_back(pChild);
}

void KRyvAsfScene::DropMovedRootChildren()
{
    if (!mRoot) {
        return;
    }
    std::vector<KAsfBone*>& lChildren = mRoot->mChildren;
    const KAsfBone* lRoot = mRoot;
    lChildren.erase(
        std::remove_if(lChildren.begin(), lChildren.end(),
                       [lRoot](const KAsfBone* pBone) { return pBone->mParent != lRoot; }),
        lChildren.end());
}

std::vector<KAsfBone*> KRyvAsfScene::GetBonesDepthFirst() const
{
    std::vector<KAsfBone*> lOrder;
    std::vector<KAsfBone*> lStack;
    if (mRoot) {
        lStack.push_back(mRoot);
    }
    while (!lStack.empty()) {
        KAsfBone* lBone = lStack.back();
        lStack.pop_back();
        lOrder.push_back(lBone);
        lStack.insert(lStack.end(), lBone->mChildren.rbegin(), lBone->mChildren.rend());
    }
    return lOrder;
}

int KRyvAsfScene::GetDepth() const
{
    std::vector<std::pair<const KAsfBone*, int>> lStack;
    if (mRoot) {
        lStack.emplace_back(mRoot, 0);
    }
    int lDepth = 0;
    while (!lStack.empty()) {
        const auto [lBone, lLevel] = lStack.back();
        lStack.pop_back();
        lDepth = std::max(lDepth, lLevel);
        for (const KAsfBone* lChild : lBone->mChildren) {
            lStack.emplace_back(lChild, lLevel + 1);
        }
    }
    return lDepth;
}

void KRyvAsfScene::ComputeLocalTransforms()
{
    const double lFactor = kInchToCentimetre / mLengthUnit;
    for (KAsfBone* lBone : GetBonesDepthFirst()) {
        if (lBone == mRoot) {
            lBone->mPosition =
                KVector4(lBone->mPosition[0] * lFactor, lBone->mPosition[1] * lFactor,
                         lBone->mPosition[2] * lFactor, 1.0);
            lBone->mLocalTranslation = lBone->mPosition;
            MatrixToEulerXYZ(lBone->mLocalRotation, lBone->mAxis);
            continue;
        }
        KAsfBone& lParent = *lBone->mParent;
        lBone->mLength *= lFactor;
        lBone->mPosition = lBone->mDirection * lBone->mLength;
        // The root's position places the root node alone; its children start at its origin.
        lBone->mOffset = &lParent == mRoot ? KVector4() : lParent.mPosition;
        lBone->mParentAxis = lParent.mAxis;
        lBone->mParentInverseAxis = lParent.mInverseAxis;
        VectorMultiplyMatrix3x3(lBone->mLocalTranslation, lBone->mParentInverseAxis,
                                lBone->mOffset);
        KMatrix lRotation;
        MatrixMultiply3x3(lRotation, lBone->mParentInverseAxis, lBone->mAxis);
        MatrixToEulerXYZ(lBone->mLocalRotation, lRotation);
    }
}

void KRyvAsfScene::CollapseBonesWithoutDof()
{
    std::vector<KAsfBone*> lOrder = GetBonesDepthFirst();
    bool lRemoved = false;
    // Children before parents, last child first.
    for (auto lEntry = lOrder.rbegin(); lEntry != lOrder.rend(); ++lEntry) {
        KAsfBone* lBone = *lEntry;
        if (lBone == mRoot || lBone->mDofCount > 0) {
            continue;
        }
        KAsfBone* lParent = lBone->mParent;
        for (KAsfBone* lChild : lBone->mChildren) {
            lChild->mParent = lParent;
            lChild->mParentAxis = lBone->mParentAxis;
            lChild->mParentInverseAxis = lBone->mParentInverseAxis;
            lChild->mOffset += lBone->mOffset;
            VectorMultiplyMatrix3x3(lChild->mLocalTranslation, lChild->mParentInverseAxis,
                                    lChild->mOffset);
            // Its rotation was relative to the removed bone's axes, which may differ from the
            // new parent's.
            KMatrix lRotation;
            MatrixMultiply3x3(lRotation, lChild->mParentInverseAxis, lChild->mAxis);
            MatrixToEulerXYZ(lChild->mLocalRotation, lRotation);
        }
        std::vector<KAsfBone*>& lSiblings = lParent->mChildren;
        auto lPlace = lSiblings.erase(std::find(lSiblings.begin(), lSiblings.end(), lBone));
        lSiblings.insert(lPlace, lBone->mChildren.begin(), lBone->mChildren.end());
        lBone->mChildren.clear();
        lBone->mParent = nullptr;
        mCollapsed.insert(lBone->mName);
        lRemoved = true;
    }
    if (lRemoved) {
        Compact();
    }
}

void KRyvAsfScene::Compact()
{
    // A bone is kept while it is in the tree.
    std::unordered_set<const KAsfBone*> lKept;
    for (const KAsfBone* lBone : GetBonesDepthFirst()) {
        lKept.insert(lBone);
    }
    mByName.clear();
    std::vector<std::unique_ptr<KAsfBone>> lBones;
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        if (lKept.count(lBone.get()) > 0) {
            mByName.emplace(lBone->mName, lBone.get());
            lBones.push_back(std::move(lBone));
        }
    }
    mBones = std::move(lBones);
}

bool KRyvAsfScene::AddFrameKeys(KAsfBone& ioBone, const double* pValues, int pCount, KTime pTime,
                                double pTranslationFactor, double pAngleFactor)
{
    KVector4 lTranslation;
    KVector4 lEuler;
    KMatrix lMotion;
    for (int i = 0; i < ioBone.mDofCount; ++i) {
        const double lValue = i < pCount ? pValues[i] : 0.0;
        const int lCode = ioBone.mDofs[i];
        if (lCode <= KAsfBone::eTz) {
            lTranslation[lCode] += lValue * pTranslationFactor;
        } else if (lCode <= KAsfBone::eRx && ioBone.mDirectEuler) {
            lEuler[KAsfBone::eRx - lCode] = lValue * pAngleFactor;
        } else if (lCode <= KAsfBone::eRx) {
            // Listed turns apply in the order of the list.
            ThenTurn(lMotion, KAsfBone::eRx - lCode, lValue * pAngleFactor);
        }
    }
    // Without translation DOFs the bone keeps its rest translation (the curves take no keys).
    KVector4 lLocal = ioBone.mLocalTranslation;
    if (ioBone.HasTranslationDof()) {
        KVector4 lInAxes;
        VectorMultiplyMatrix3x3(lInAxes, ioBone.mAxis, lTranslation);
        lInAxes += ioBone.mOffset;
        VectorMultiplyMatrix3x3(lLocal, ioBone.mParentInverseAxis, lInAxes);
    }
    if (!ioBone.mDirectEuler) {
        MatrixMultiply3x3(lMotion, ioBone.mLocalAxis, lMotion);
        MatrixToEulerXYZ(lEuler, lMotion);
    }
    KAsfKey lKey{pTime.Get(), {lLocal[0], lLocal[1], lLocal[2]}, {lEuler[0], lEuler[1], lEuler[2]}};
    for (int i = 0; i < 3; ++i) {
        if (!KMotionNumber::FitsFloat(lKey.mTranslation[i]) ||
            !KMotionNumber::FitsFloat(lKey.mRotation[i])) {
            return false;
        }
    }
    ioBone.mKeys.push_back(lKey);
    return true;
}

void KRyvAsfScene::FinishKeys()
{
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        std::vector<KAsfKey>& lKeys = lBone->mKeys;
        const auto lEarlier = [](const KAsfKey& pA, const KAsfKey& pB) {
            return pA.mTicks < pB.mTicks;
        };
        // Frames in order with no time twice, the usual case, need nothing.
        if (std::adjacent_find(lKeys.begin(), lKeys.end(),
                               [](const KAsfKey& pA, const KAsfKey& pB) {
                                   return pA.mTicks >= pB.mTicks;
                               }) == lKeys.end()) {
            continue;
        }
        std::stable_sort(lKeys.begin(), lKeys.end(), lEarlier);
        // The sort is stable, so the last key of each run of equal times is the last one read.
        std::vector<KAsfKey> lUnique;
        lUnique.reserve(lKeys.size());
        for (std::size_t i = 0; i < lKeys.size(); ++i) {
            if (i + 1 < lKeys.size() && lKeys[i + 1].mTicks == lKeys[i].mTicks) {
                continue;
            }
            lUnique.push_back(lKeys[i]);
        }
        lKeys = std::move(lUnique);
    }
}

void KRyvAsfScene::BeginFrameKeys()
{
    ClearKeys();
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        MatrixMultiply3x3(lBone->mLocalAxis, lBone->mParentInverseAxis, lBone->mAxis);
        int lLastAxis = -1;
        bool lAscending = true;
        for (int i = 0; i < lBone->mDofCount; ++i) {
            const int lCode = lBone->mDofs[i];
            if (lCode >= KAsfBone::eRz && lCode <= KAsfBone::eRx) {
                lAscending = lAscending && KAsfBone::eRx - lCode > lLastAxis;
                lLastAxis = KAsfBone::eRx - lCode;
            }
        }
        lBone->mDirectEuler =
            lAscending && MatrixCompare(lBone->mLocalAxis, KMatrix(), kIdentityTolerance) == 0;
    }
}

void KRyvAsfScene::ClearKeys()
{
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        std::vector<KAsfKey>().swap(lBone->mKeys);
    }
}
