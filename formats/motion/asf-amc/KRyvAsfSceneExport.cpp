// The export half of KRyvAsfScene: bones from skeleton nodes, and frame values from the nodes.
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionJointTranslation.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/asf-amc/KAsfRotation.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace {

// Children whose offsets differ by more than this need a bone each to carry them.
constexpr double kOffsetTolerance = 1e-6;

// Each node's translation classified once over the frames written: the bones of a node ask
// for it several times.
class TranslationTable
{
public:
    explicit TranslationTable(const KMotionTakeSpan::Frames& pFrames) : mFrames(pFrames) {}

    // Whether the node's translation moves, and where it stays otherwise (its rest offset, or
    // the one value its take holds it at).
    bool Moves(KRyvNode* pNode, KVector4& oAt)
    {
        auto lFound = mEntries.find(pNode);
        if (lFound == mEntries.end()) {
            Entry lEntry;
            lEntry.mMoves = KMotionJointTranslation::Classify(*pNode, mFrames, lEntry.mAt) ==
                            KMotionJointTranslation::eMoving;
            lFound = mEntries.emplace(pNode, lEntry).first;
        }
        oAt = lFound->second.mAt;
        return lFound->second.mMoves;
    }

private:
    struct Entry
    {
        bool mMoves = false;
        KVector4 mAt;
    };
    KMotionTakeSpan::Frames mFrames;
    std::unordered_map<const KRyvNode*, Entry> mEntries;
};

// Where the node's translation stays, scaled.
KVector4 ScaledTranslation(TranslationTable& ioTable, KRyvNode* pNode, const KVector4& pScale)
{
    KVector4 lAt;
    ioTable.Moves(pNode, lAt);
    return KVector4(lAt[0] * pScale[0], lAt[1] * pScale[1], lAt[2] * pScale[2]);
}

// A bone carries translation DOFs when asked to, or when its node's translation moves.
bool NeedsTranslationDofs(TranslationTable& ioTable, KRyvNode* pNode, bool pTranslationDofs)
{
    KVector4 lAt;
    return pTranslationDofs || ioTable.Moves(pNode, lAt);
}

void AddDofs(KAsfBone& ioBone, bool pTranslation)
{
    if (pTranslation) {
        ioBone.AddDof(KAsfBone::eTx);
        ioBone.AddDof(KAsfBone::eTy);
        ioBone.AddDof(KAsfBone::eTz);
    }
    ioBone.AddDof(KAsfBone::eRx);
    ioBone.AddDof(KAsfBone::eRy);
    ioBone.AddDof(KAsfBone::eRz);
}

// The root's children each need a bone for their offset unless every one starts at the root's
// origin (the root bone has no vector); other bones need them when their children's offsets differ.
bool NeedsOffsetBones(TranslationTable& ioTable, KRyvNode* pNode, bool pIsRoot,
                      const KVector4& pScale)
{
    const int lCount = pNode->GetChildCount();
    if (lCount == 0) {
        return false;
    }
    const KVector4 lFirst = ScaledTranslation(ioTable, pNode->GetChild(0), pScale);
    for (int i = 0; i < lCount; ++i) {
        const KVector4 lOffset = ScaledTranslation(ioTable, pNode->GetChild(i), pScale);
        if (pIsRoot ? VectorLength(lOffset) > 0.0
                    : VectorCompare(lOffset, lFirst, kOffsetTolerance) != 0) {
            return true;
        }
    }
    return false;
}

void SetBoneVector(KAsfBone& ioBone, const KVector4& pVector)
{
    ioBone.mPosition = pVector;
    ioBone.mLength = VectorLength(pVector);
    VectorNormalize(ioBone.mDirection, pVector);
}

bool HasTransformKeys(KRyvNode* pNode)
{
    KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
    if (!lTake) {
        return false;
    }
    static const char* const kKinds[2] = {"T", "R"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    for (const char* lKind : kKinds) {
        for (const char* lAxis : kAxes) {
            if (lTake->IsAnimated("Transform", lKind, lAxis)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool KRyvAsfScene::BuildFromScene(KRyvNode* pRoot, const KVector4& pScale, bool pTranslationDofs,
                                  const KMotionTakeSpan::Frames& pFrames)
{
    Clear();
    if (!pRoot) {
        return false;
    }
    mLengthUnit = 1.0;
    mAngleFactor = 1.0;
    mMassUnit = 1.0;
    mSkeletonName = "ASF";
    BuildBones(pRoot, pScale, pTranslationDofs, pFrames);
    if (GetDepth() > kMaxDepth) {
        Clear();
        return false;
    }
    ComputeExportMatrices();
    RemoveStillLeaves();
    return true;
}

void KRyvAsfScene::BuildBones(KRyvNode* pRoot, const KVector4& pScale, bool pTranslationDofs,
                              const KMotionTakeSpan::Frames& pFrames)
{
    TranslationTable lTranslations(pFrames);
    mRoot = CreateBone("root");
    AddDofs(*mRoot, true);
    mRoot->mNode = pRoot;
    std::vector<std::pair<KRyvNode*, KAsfBone*>> lStack{{pRoot, mRoot}};
    while (!lStack.empty()) {
        const auto [lNode, lBone] = lStack.back();
        lStack.pop_back();
        const bool lIsRoot = lBone == mRoot;
        if (!lIsRoot) {
            // The bone's axes: the node's rest rotation within its parent bone's axes.
            KMatrix lRotation;
            MatrixRemoveScale(lRotation, lNode->GetDefaultLocalMatrix());
            KMatrix lAxis;
            MatrixMultiply3x3(lAxis, lBone->mParent->mAxis, lRotation);
            KVector4 lAngles;
            MatrixToEulerXYZ(lAngles, lAxis);
            // Rounded as printed, so that the motion is written against the axes the file gives.
            double lXyz[3] = {lAngles[0], lAngles[1], lAngles[2]};
            KMotionPrintPrecision::RoundToLargest(lXyz, 3);
            KMotionPrintPrecision::ClearNegativeZeros(lXyz, 3);
            KMotionPrintPrecision::KeepHalfTurnsPositive(lXyz, 3);
            lBone->SetAxis(lXyz, 0);
        }
        const bool lOffsetBones = NeedsOffsetBones(lTranslations, lNode, lIsRoot, pScale);
        if (!lOffsetBones && lNode->GetChildCount() > 0 && !lIsRoot) {
            KVector4 lVector;
            VectorMultiplyMatrix3x3(lVector, lBone->mAxis,
                                    ScaledTranslation(lTranslations, lNode->GetChild(0), pScale));
            SetBoneVector(*lBone, lVector);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            KRyvNode* lChildNode = lNode->GetChild(i);
            const std::string lName = lChildNode->GetNameWithoutPrefix().Buffer();
            KAsfBone* lParent = lBone;
            // A bone with offset bones has no vector of its own, so a child at its origin
            // hangs from it directly.
            if (lOffsetBones &&
                VectorLength(ScaledTranslation(lTranslations, lChildNode, pScale)) > 0.0) {
                lParent = CreateBone(lName + "Dummy");
                lParent->SetAxis(lBone->mAxisAngles, lBone->mAxisOrder);
                KVector4 lVector;
                VectorMultiplyMatrix3x3(lVector, lBone->mAxis,
                                        ScaledTranslation(lTranslations, lChildNode, pScale));
                SetBoneVector(*lParent, lVector);
                AddChildBone(lBone, lParent);
            }
            KAsfBone* lChild = CreateBone(lName);
            AddDofs(*lChild, NeedsTranslationDofs(lTranslations, lChildNode, pTranslationDofs));
            lChild->mNode = lChildNode;
            AddChildBone(lParent, lChild);
            lStack.emplace_back(lChildNode, lChild);
        }
    }
    // Children were made last first; the file lists them in the scene's order.
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        std::reverse(lBone->mChildren.begin(), lBone->mChildren.end());
    }
}

void KRyvAsfScene::ComputeExportMatrices()
{
    for (KAsfBone* lBone : GetBonesDepthFirst()) {
        if (lBone == mRoot) {
            continue;
        }
        KAsfBone& lParent = *lBone->mParent;
        lBone->mParentAxis = lParent.mAxis;
        lBone->mParentInverseAxis = lParent.mInverseAxis;
        lBone->mOffset = &lParent == mRoot ? KVector4() : lParent.mPosition;
    }
}

void KRyvAsfScene::RemoveStillLeaves()
{
    bool lRemoved = false;
    for (KAsfBone* lBone : GetBonesDepthFirst()) {
        // A leaf below an offset bone keeps its place: the offset bone alone would merge away
        // on reading, and the leaf's position with it.
        if (lBone == mRoot || !lBone->mChildren.empty() || lBone->mLength > 0.0 ||
            !lBone->mParent->mNode || (lBone->mNode && HasTransformKeys(lBone->mNode))) {
            continue;
        }
        std::vector<KAsfBone*>& lSiblings = lBone->mParent->mChildren;
        lSiblings.erase(std::find(lSiblings.begin(), lSiblings.end(), lBone));
        lBone->mParent = nullptr;
        lRemoved = true;
    }
    if (lRemoved) {
        Compact();
    }
}

bool KRyvAsfScene::AttachToScene(KRyvNode* pRoot)
{
    if (!pRoot || !mRoot) {
        return false;
    }
    // One walk names every node, so that binding costs no search per bone.
    std::unordered_map<std::string, KRyvNode*> lNodes;
    std::vector<KRyvNode*> lStack{pRoot};
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        if (lNode != pRoot) {
            lNodes.emplace(lNode->GetNameWithoutPrefix().Buffer(), lNode);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.push_back(lNode->GetChild(i));
        }
    }
    for (std::unique_ptr<KAsfBone>& lBone : mBones) {
        const auto lEntry = lNodes.find(lBone->mName);
        lBone->mNode =
            lBone.get() == mRoot ? pRoot : (lEntry == lNodes.end() ? nullptr : lEntry->second);
    }
    return true;
}

void KRyvAsfScene::GetFrameValues(const KAsfBone& pBone, KTime pTime, const KMatrix* pReference,
                                  const KVector4& pScale, double pValues[KAsfBone::kMaxDof]) const
{
    for (int i = 0; i < KAsfBone::kMaxDof; ++i) {
        pValues[i] = 0.0;
    }
    if (!pBone.mNode) {
        return;
    }
    const KMatrix& lLocal = pBone.mNode->GetLocalMatrixAtTime(pTime);
    KVector4 lTranslation(lLocal[3][0], lLocal[3][1], lLocal[3][2]);
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, lLocal);
    if (pReference) {
        VectorMultiplyMatrixAffine(lTranslation, *pReference, KVector4(lTranslation));
        KMatrix lReferenceRotation;
        MatrixRemoveScale(lReferenceRotation, *pReference);
        MatrixMultiply3x3(lRotation, lReferenceRotation, lRotation);
    } else if (&pBone != mRoot) {
        lTranslation *= pScale;
    }
    // The inverse of AddFrameKeys: M = R * parent axis * inverse axis, and the translation back
    // into the bone's own axes, less its offset, in file units.
    MatrixMultiply3x3(lRotation, pBone.mParentAxis, lRotation);
    MatrixMultiply3x3(lRotation, pBone.mInverseAxis, lRotation);
    double lAngles[3] = {0.0, 0.0, 0.0};
    KAsfRotation::MatrixToAngles(lAngles, lRotation,
                                 KAsfRotation::IndexOfDofs(pBone.mDofs, pBone.mDofCount));
    // Each group rounded to what is printed of it, so that a file the writer made reads back and
    // prints again the same (KMotionPrintPrecision); the writer's angle unit is the degree.
    KMotionPrintPrecision::RoundToLargestOr(lAngles, 3, KMotionPrintPrecision::kAngleFloor);
    KMotionPrintPrecision::KeepHalfTurnsPositive(lAngles, 3);
    KVector4 lInAxes;
    VectorMultiplyMatrix3x3(lInAxes, pBone.mParentAxis, lTranslation);
    lInAxes = lInAxes - pBone.mOffset;
    KVector4 lOwn;
    VectorMultiplyMatrix3x3(lOwn, pBone.mInverseAxis, lInAxes);
    const double lLengthFactor = mLengthUnit / kInchToCentimetre;
    double lShift[3] = {lOwn[0] * lLengthFactor, lOwn[1] * lLengthFactor, lOwn[2] * lLengthFactor};
    KMotionPrintPrecision::RoundToLargest(lShift, 3);
    for (int i = 0; i < pBone.mDofCount; ++i) {
        const int lCode = pBone.mDofs[i];
        if (lCode <= KAsfBone::eTz) {
            pValues[i] = lShift[lCode];
        } else if (lCode <= KAsfBone::eRx) {
            pValues[i] = lAngles[KAsfBone::eRx - lCode] / mAngleFactor;
        }
    }
}
