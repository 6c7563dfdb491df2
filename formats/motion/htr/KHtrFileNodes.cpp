// The node-building steps of KHtrFile: segment nodes, limits, end nodes and the rest pose.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
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

// The global matrices of the segments, parents first along each chain (a file may list a child
// before its parent): pLocalOf(segment) multiplied down from pTopGlobal, the root segment's
// parent.
template <typename LocalOf>
std::vector<KMatrix> ParentsFirstGlobals(const std::vector<KHtrSegment>& pSegments,
                                         const KMatrix& pTopGlobal, LocalOf pLocalOf)
{
    const std::size_t lCount = pSegments.size();
    std::vector<KMatrix> lGlobal(lCount);
    std::vector<bool> lDone(lCount, false);
    std::vector<std::size_t> lChain;
    for (std::size_t i = 0; i < lCount; ++i) {
        for (int s = static_cast<int>(i); s >= 0 && !lDone[static_cast<std::size_t>(s)];
             s = pSegments[static_cast<std::size_t>(s)].mParent) {
            lChain.push_back(static_cast<std::size_t>(s));
        }
        for (; !lChain.empty(); lChain.pop_back()) {
            const std::size_t s = lChain.back();
            const KHtrSegment& lSegment = pSegments[s];
            const KMatrix lLocal = pLocalOf(lSegment);
            const KMatrix lParent = lSegment.mParent < 0
                                        ? pTopGlobal
                                        : lGlobal[static_cast<std::size_t>(lSegment.mParent)];
            MatrixMultiplyAffine(lGlobal[s], lParent, lLocal);
            lDone[s] = true;
        }
    }
    return lGlobal;
}

// The global matrices of the segments' base poses, the top segment's parent the identity as the
// offset pass takes it.
std::vector<KMatrix> BaseGlobals(const std::vector<KHtrSegment>& pSegments)
{
    return ParentsFirstGlobals(pSegments, KMatrix(), [](const KHtrSegment& pSegment) {
        KMatrix lLocal = pSegment.mBaseRotation;
        for (int c = 0; c < 3; ++c) {
            lLocal[3][c] = pSegment.mBaseTranslation[c];
        }
        return lLocal;
    });
}

// A node's Lcl value as its take-0 curves hold it: in single precision.
KVector4 AsCurvesHold(const KVector4& pValue)
{
    return KVector4(KRyvToCurveValue(pValue[0]), KRyvToCurveValue(pValue[1]),
                    KRyvToCurveValue(pValue[2]));
}

// The default local matrix of a segment's node, as KRyvNode::GetDefaultLocalMatrix makes it from
// the node's Lcl values as take 0's curves hold them.
KMatrix DefaultLocal(const KHtrSegment& pSegment)
{
    KVector4 lValues[3];
    pSegment.mNode->GetLclTranslation(lValues[0]);
    pSegment.mNode->GetLclRotation(lValues[1]);
    pSegment.mNode->GetLclScaling(lValues[2]);
    KMatrix lLocal;
    MatrixSetTRS(lLocal, AsCurvesHold(lValues[0]), AsCurvesHold(lValues[1]),
                 AsCurvesHold(lValues[2]));
    return lLocal;
}

// The default global matrices of the segments' nodes below pTop, as
// KRyvNode::GetDefaultGlobalMatrix gives them. Asking every node instead would make its take-0
// curves and its evaluation caches, which it would keep for no further use.
std::vector<KMatrix> DefaultGlobals(const std::vector<KHtrSegment>& pSegments, KRyvNode* pTop)
{
    const KMatrix lTop = pTop->GetDefaultGlobalMatrix();
    return ParentsFirstGlobals(pSegments, lTop, DefaultLocal);
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
    const std::vector<KMatrix> lDefaultGlobals = DefaultGlobals(mSegments, pTop);
    for (std::size_t i = 0; i < mSegments.size(); ++i) {
        KHtrSegment& lSegment = mSegments[i];
        SetSegmentLimits(lSegment, lDefaultGlobals[i]);
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
    MatrixToEulerXYZ(lRotation, ioSegment.mBaseRotation);
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

void KHtrFile::SetSegmentLimits(KHtrSegment& ioSegment, const KMatrix& pDefaultGlobal)
{
    KRyvNode* lNode = ioSegment.mNode;
    KMatrix lDefault;
    MatrixNormalizeAxes(lDefault, pDefaultGlobal);
    ioSegment.mInverseDefaultRotation = KMatrix();
    MatrixTranspose3x3(ioSegment.mInverseDefaultRotation, lDefault);
    // The bone in the frame the keys give the node: the file's bone axis, turned by the
    // default rotation once the rotation offset is taken out.
    KMatrix lAxis = mBoneAxisMatrix;
    if (mMinimizeRotationOffset) {
        MatrixMultiply3x3(lAxis, lDefault, mBoneAxisMatrix);
    }
    KVector4 lAngles;
    MatrixToEulerXYZ(lAngles, lAxis);
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
    for (std::size_t i = 0; i < lCount; ++i) {
        const KHtrSegment& lSegment = mSegments[i];
        KMatrix lLocal = lMoved[i];
        if (lSegment.mParent >= 0) {
            MatrixMultiplyInverseAffine(lLocal, lMoved[static_cast<std::size_t>(lSegment.mParent)],
                                        lMoved[i]);
        }
        const KVector4 lTranslation(lLocal[3][0], lLocal[3][1], lLocal[3][2]);
        KVector4 lRotation;
        MatrixToEulerXYZ(lRotation, lLocal);
        lSegment.mNode->SetLclTranslation(lTranslation);
        lSegment.mNode->SetLclRotation(lRotation);
        lSegment.mNode->GetLimits().SetDefault(KRyvNodeLimits::eTranslation, lTranslation);
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
        KMatrix lMatrix;
        MatrixSetTRS(lMatrix, lTranslation, lRotation, kUnitScale);
        if (lPose->Add(lSegment.mName.c_str(), lMatrix, true) < 0) {
            return false;
        }
    }
    return pScene->AddPose(lPose);
}
