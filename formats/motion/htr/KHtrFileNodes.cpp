// The node-building steps of KHtrFile: segment nodes, limits, end nodes and the rest pose.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionEuler.h"
#include "io/KReadRollback.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"

#include <vector>

namespace {

const KVector4 kUnitScale(1.0, 1.0, 1.0);
const KVector4 kRotationMin(-180.0, -150.0, -150.0);
const KVector4 kRotationMax(180.0, 150.0, 150.0);

// A limb node named pName, recorded in the rollback, with pTranslation and pRotation as its Lcl
// values and the take made current (the take starts from those values).
KRyvNode* CreateLimb(KReadRollback& ioRollback, KRyvObjectFactory* pFactory, const char* pName,
                     const KVector4& pTranslation, const KVector4& pRotation, const char* pTakeName)
{
    KRyvNode* lNode = ioRollback.AddNode(pFactory->CreateNode(pName));
    KRyvSkeleton* lSkeleton = pFactory->CreateSkeleton();
    ioRollback.AddAttribute(lSkeleton);
    if (lNode == nullptr || lSkeleton == nullptr) {
        return nullptr;
    }
    lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
    lNode->SetNodeAttribute(lSkeleton);
    lNode->SetLclTranslation(pTranslation);
    lNode->SetLclRotation(pRotation);
    lNode->SetLclScaling(kUnitScale);
    lNode->SetMarked(true);
    if (!lNode->AddTakeNode(pTakeName) || !lNode->SetCurrentTakeNode(pTakeName)) {
        return nullptr;
    }
    return lNode;
}

// The segments in an order with every parent before its children (a file may list a child
// before its parent).
std::vector<std::size_t> ParentsFirst(const std::vector<KHtrSegment>& pSegments)
{
    const std::size_t lCount = pSegments.size();
    std::vector<std::size_t> lOrder;
    lOrder.reserve(lCount);
    std::vector<bool> lDone(lCount, false);
    std::vector<std::size_t> lChain;
    for (std::size_t i = 0; i < lCount; ++i) {
        for (int s = static_cast<int>(i); s >= 0 && !lDone[static_cast<std::size_t>(s)];
             s = pSegments[static_cast<std::size_t>(s)].mParent) {
            lChain.push_back(static_cast<std::size_t>(s));
            lDone[static_cast<std::size_t>(s)] = true;
        }
        lOrder.insert(lOrder.end(), lChain.rbegin(), lChain.rend());
        lChain.clear();
    }
    return lOrder;
}

// pLocal[s] times the global matrix of s's parent, for every segment s, parents first; the top
// segment's parent is the identity.
std::vector<KMatrix> Globals(const std::vector<KHtrSegment>& pSegments,
                             const std::vector<KMatrix>& pLocal)
{
    std::vector<KMatrix> lGlobal(pSegments.size());
    for (const std::size_t s : ParentsFirst(pSegments)) {
        const int lParent = pSegments[s].mParent;
        const KMatrix lParentGlobal =
            lParent < 0 ? KMatrix() : lGlobal[static_cast<std::size_t>(lParent)];
        MatrixMultiplyAffine(lGlobal[s], lParentGlobal, pLocal[s]);
    }
    return lGlobal;
}

// The global matrices of the segments' base poses, as the offset pass takes them.
std::vector<KMatrix> BaseGlobals(const std::vector<KHtrSegment>& pSegments)
{
    std::vector<KMatrix> lLocal;
    lLocal.reserve(pSegments.size());
    for (const KHtrSegment& lSegment : pSegments) {
        lLocal.push_back(lSegment.mBaseRotation);
        for (int c = 0; c < 3; ++c) {
            lLocal.back()[3][c] = lSegment.mBaseTranslation[c];
        }
    }
    return Globals(pSegments, lLocal);
}

// The rotation values a node's default matrix is made of: its Lcl rotation as its default take's
// curves hold it, in single precision. Asking the take instead would make its curves, which the
// node would keep for no further use.
KVector4 DefaultRotation(const KRyvNode& pNode)
{
    KVector4 lRotation;
    pNode.GetLclRotation(lRotation);
    return KVector4(KRyvToCurveValue(lRotation[0]), KRyvToCurveValue(lRotation[1]),
                    KRyvToCurveValue(lRotation[2]));
}

// Each segment's mInverseDefaultRotation: the transposed, normalised rotation of its node's
// default global matrix, its nodes' default rotations turned as the motion formats turn them
// (the top node is not turned).
void SetInverseDefaultRotations(std::vector<KHtrSegment>& ioSegments)
{
    std::vector<KMatrix> lLocal;
    lLocal.reserve(ioSegments.size());
    for (const KHtrSegment& lSegment : ioSegments) {
        lLocal.push_back(KMotionEuler::EulerXYZToMatrix(DefaultRotation(*lSegment.mNode)));
    }
    const std::vector<KMatrix> lGlobal = Globals(ioSegments, lLocal);
    for (std::size_t s = 0; s < ioSegments.size(); ++s) {
        KMatrix lDefault;
        MatrixNormalizeAxes(lDefault, lGlobal[s]);
        ioSegments[s].mInverseDefaultRotation = KMatrix();
        MatrixTranspose3x3(ioSegments[s].mInverseDefaultRotation, lDefault);
    }
}

} // namespace

bool KHtrFile::BuildNodes(KReadRollback& ioRollback, KRyvObjectFactory* pFactory, KRyvNode* pTop,
                          const char* pTakeName)
{
    if (pFactory == nullptr || pTop == nullptr || mState != eStateDone || mSegments.empty()) {
        return Fail("no structure to build nodes from");
    }
    mSegmentOfNode.clear();
    for (KHtrSegment& lSegment : mSegments) {
        if (!CreateSegmentNode(ioRollback, pFactory, lSegment, pTakeName)) {
            return Fail("cannot create the node of \"%s\"", Quoted(lSegment.mName).c_str());
        }
    }
    // Parents after every node exists: the file may list a child before its parent.
    for (KHtrSegment& lSegment : mSegments) {
        KRyvNode* lParent = lSegment.mParent < 0
                                ? pTop
                                : mSegments[static_cast<std::size_t>(lSegment.mParent)].mNode;
        if (!lParent->AddChild(lSegment.mNode)) {
            return Fail("cannot attach the node of \"%s\"", Quoted(lSegment.mName).c_str());
        }
    }
    SetInverseDefaultRotations(mSegments);
    for (KHtrSegment& lSegment : mSegments) {
        SetSegmentLimits(lSegment);
        if (lSegment.mNode->GetChildCount() == 0 &&
            !AddEndNode(ioRollback, pFactory, lSegment, pTakeName)) {
            return Fail("cannot create the end node of \"%s\"", Quoted(lSegment.mName).c_str());
        }
    }
    return true;
}

bool KHtrFile::CreateSegmentNode(KReadRollback& ioRollback, KRyvObjectFactory* pFactory,
                                 KHtrSegment& ioSegment, const char* pTakeName)
{
    KVector4 lRotation;
    KMotionEuler::MatrixToEulerXYZ(1, &ioSegment.mBaseRotation, &lRotation);
    KRyvNode* lNode = CreateLimb(ioRollback, pFactory, ioSegment.mName.c_str(),
                                 ioSegment.mBaseTranslation, lRotation, pTakeName);
    if (lNode == nullptr) {
        return false;
    }
    KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
    KFCurve* const lCurves[KHtrSegment::kCurveCount] = {
        lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ(),
        lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ(),
        lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()};
    for (int c = 0; c < KHtrSegment::kCurveCount; ++c) {
        if (lCurves[c] == nullptr) {
            return false;
        }
        ioSegment.mCurves[c] = lCurves[c];
    }
    ioSegment.mNode = lNode;
    mSegmentOfNode[lNode] = static_cast<int>(&ioSegment - mSegments.data());
    return true;
}

void KHtrFile::SetSegmentLimits(KHtrSegment& ioSegment)
{
    KRyvNode* lNode = ioSegment.mNode;
    KMatrix lDefault;
    MatrixTranspose3x3(lDefault, ioSegment.mInverseDefaultRotation);
    // The bone in the frame the keys give the node: the file's bone axis, turned by the
    // default rotation once the rotation offset is taken out.
    KMatrix lAxis = mBoneAxisMatrix;
    if (mMinimizeRotationOffset) {
        MatrixMultiply3x3(lAxis, lDefault, mBoneAxisMatrix);
    }
    KVector4 lAngles;
    KMotionEuler::MatrixToEulerXYZ(1, &lAxis, &lAngles);
    KRyvNodeLimits& lLimits = lNode->GetLimits();
    lLimits.SetAuto(KRyvNodeLimits::eTranslation, false);
    lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
    lLimits.SetDefault(KRyvNodeLimits::eTranslation, ioSegment.mBaseTranslation);
    lLimits.SetDefault(KRyvNodeLimits::eRotation, lAngles);
    lLimits.SetRotationAxis(lAngles);
    lLimits.SetAxisLength(ioSegment.mLength);
    lLimits.SetRotationType(false);
    lLimits.SetMin(KRyvNodeLimits::eRotation, kRotationMin);
    lLimits.SetMax(KRyvNodeLimits::eRotation, kRotationMax);
}

void KHtrFile::MoveRestToOffsetFrame()
{
    const std::vector<KMatrix> lGlobal = BaseGlobals(mSegments);
    const std::size_t lCount = mSegments.size();
    // The default rotation applies first in the frame of the keys, as the pass takes it out.
    std::vector<KMatrix> lMoved(lGlobal);
    for (std::size_t i = 0; i < lCount; ++i) {
        MatrixMultiply3x3(lMoved[i], lGlobal[i], mSegments[i].mInverseDefaultRotation);
    }
    std::vector<KMatrix> lLocal(lMoved);
    for (std::size_t i = 0; i < lCount; ++i) {
        const int lParent = mSegments[i].mParent;
        if (lParent >= 0) {
            MatrixMultiplyInverseAffine(lLocal[i], lMoved[static_cast<std::size_t>(lParent)],
                                        lMoved[i]);
        }
    }
    std::vector<KVector4> lRotations(lCount);
    KMotionEuler::MatrixToEulerXYZ(static_cast<int>(lCount), lLocal.data(), lRotations.data());
    for (std::size_t i = 0; i < lCount; ++i) {
        const KVector4 lTranslation(lLocal[i][3][0], lLocal[i][3][1], lLocal[i][3][2]);
        KRyvNode* lNode = mSegments[i].mNode;
        lNode->SetLclTranslation(lTranslation);
        lNode->SetLclRotation(lRotations[i]);
        lNode->GetLimits().SetDefault(KRyvNodeLimits::eTranslation, lTranslation);
    }
}

KVector4 KHtrFile::EndTranslation(const KHtrSegment& pSegment) const
{
    // Row 0 of the bone axis matrix is the bone axis itself (it turns X onto it).
    KVector4 lEnd(mBoneAxisMatrix[0][0], mBoneAxisMatrix[0][1], mBoneAxisMatrix[0][2]);
    if (mMinimizeRotationOffset) {
        KMatrix lDefault;
        MatrixTranspose3x3(lDefault, pSegment.mInverseDefaultRotation);
        VectorMultiplyMatrix3x3(lEnd, lDefault, lEnd);
    }
    const double lLength = pSegment.mNode->GetLimits().GetAxisLength();
    return KVector4(lEnd[0] * lLength, lEnd[1] * lLength, lEnd[2] * lLength);
}

bool KHtrFile::AddEndNode(KReadRollback& ioRollback, KRyvObjectFactory* pFactory,
                          const KHtrSegment& pSegment, const char* pTakeName)
{
    const KVector4 lTranslation = EndTranslation(pSegment);
    KRyvNode* lEnd = CreateLimb(ioRollback, pFactory, (pSegment.mName + "_End").c_str(),
                                lTranslation, KVector4(), pTakeName);
    if (lEnd == nullptr || !pSegment.mNode->AddChild(lEnd)) {
        return false;
    }
    KRyvNodeLimits& lLimits = lEnd->GetLimits();
    lLimits.SetAuto(KRyvNodeLimits::eTranslation, false);
    lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
    lLimits.SetEnable(KRyvNodeLimits::eTranslation, true);
    lLimits.SetDefault(KRyvNodeLimits::eTranslation, lTranslation);
    lLimits.SetAxisLength(0.0);
    return true;
}

bool KHtrFile::CreateRestPose(KReadRollback& ioRollback, KRyvObjectFactory* pFactory,
                              KRyvScene* pScene, const char* pName)
{
    if (pFactory == nullptr || pScene == nullptr || pName == nullptr) {
        return false;
    }
    const std::string lName = std::string(pName) + "_RESTPOSE";
    KRyvPose* lPose = ioRollback.AddPose(pFactory->CreatePose(lName.c_str(), 0));
    if (lPose == nullptr) {
        return false;
    }
    // The nodes' rest values: the base pose, in the frame of the keys.
    for (const KHtrSegment& lSegment : mSegments) {
        if (lSegment.mNode == nullptr) {
            return false;
        }
        KVector4 lTranslation;
        KVector4 lRotation;
        lSegment.mNode->GetLclTranslation(lTranslation);
        lSegment.mNode->GetLclRotation(lRotation);
        KMatrix lMatrix = KMotionEuler::EulerXYZToMatrix(lRotation);
        for (int c = 0; c < 3; ++c) {
            lMatrix[3][c] = lTranslation[c];
        }
        if (lPose->Add(lSegment.mName.c_str(), lMatrix, true) < 0) {
            return false;
        }
    }
    return pScene->AddPose(lPose);
}
