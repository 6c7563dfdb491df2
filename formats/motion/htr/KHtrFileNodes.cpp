// The node-building steps of KHtrFile: segment nodes, limits, end nodes and the rest pose.
#include "formats/motion/htr/KHtrFile.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"

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

void KHtrFile::SetSegmentLimits(KHtrSegment& ioSegment)
{
    KRyvNode* lNode = ioSegment.mNode;
    KMatrix lDefault;
    MatrixNormalizeAxes(lDefault, lNode->GetDefaultGlobalMatrix());
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
    for (const KHtrSegment& lSegment : mSegments) {
        KVector4 lRotation;
        MatrixToEulerXYZ(lRotation, lSegment.mBaseRotation);
        KMatrix lMatrix;
        MatrixSetTRS(lMatrix, lSegment.mBaseTranslation, lRotation, kUnitScale);
        if (lPose->Add(lSegment.mName.c_str(), lMatrix, true) < 0) {
            return false;
        }
    }
    return pScene->AddPose(lPose);
}
