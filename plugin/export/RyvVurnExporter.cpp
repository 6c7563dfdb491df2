// RyvVurnExporter: the export driver, the master scale, the take spans and the write.

#include "plugin/export/RyvVurnExporter.h"

#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "core/KAffineMatrix.h"
#include "core/KLog.h"
#include "core/KMatrixFunctions.h"
#include "io/KExporter.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MGlobal.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnNameChecks.h"
#include "plugin/export/RyvVurnTransformCurves.h"
#include "plugin/import/ConvertPivotsToNulls.h"
#include "plugin/import/KFreeNodeNames.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnSceneServices.h"
#include "plugin/shell/RyvVurnStatusWindow.h"
#include "scene/KRyvScene.h"

#include <cmath>
#include <string>

namespace M = RyvVurnExportMessages;

namespace {
constexpr double kSmallestJointScale = 1e-7;
constexpr double kJointScaleFactor = 100.0;
constexpr double kDefaultJointScale = 1.0;
constexpr double kDefaultSamplingRate = 30.0;
constexpr int kNativeBinaryFormat = 0;
constexpr double kIdentityTolerance = 1e-4;
constexpr int kPivotsToNullsFlag = 0;
} // namespace

RyvVurnExporter::RyvVurnExporter()
    : mFactory(0), mNodeTable(kTableBlock, true), mObjectTable(kTableBlock, true),
      mBindPoseConflicts(kTableBlock, true), mReportedKeys(kTableBlock)
{
    mScene = mFactory.CreateScene();
    mRootNode = mScene ? mScene->GetRootNode() : nullptr;
}

RyvVurnExporter::~RyvVurnExporter() = default;

void RyvVurnExporter::BeginSteps(const char* pHeader)
{
    mLog = std::make_unique<KLog>(kLogFileName, pHeader, true, true);
    ReadSamplingRate();
}

void RyvVurnExporter::EndSteps()
{
    mSelection.reset();
    mLog.reset();
}

void RyvVurnExporter::QueryJointDisplayScale()
{
    double lScale = kDefaultJointScale;
    if (!MGlobal::executeCommand("jointDisplayScale -q -a", lScale) || !std::isfinite(lScale)) {
        // A failed query, or an answer that is no number, counts as no answer.
        lScale = kDefaultJointScale;
    } else if (lScale < kSmallestJointScale) {
        lScale = kSmallestJointScale;
    }
    mJointDisplayScale = kJointScaleFactor * lScale;
}

void RyvVurnExporter::ReadSamplingRate()
{
    const double lRate = GetOptionStore().GetSamplingRate();
    if (std::isfinite(lRate) && lRate > 0.0) {
        mSamplingRate = lRate;
        return;
    }
    // A period of 1 / 0 would make every resampling endless or undefined.
    mSamplingRate = kDefaultSamplingRate;
    if (mLog) {
        mLog->AddLine(M::TitledLine(M::kTitleWarning, M::kBadSamplingRate).Buffer());
    }
}

MStatus RyvVurnExporter::Export(const char* pFileName)
{
    const std::string lFileName = pFileName ? pFileName : "";
    if (GetOptionStore().GetBool(kExportSelectionOnly)) {
        mSelection = std::make_unique<MSelectionList>();
        MGlobal::getActiveSelectionList(*mSelection);
    }
    KRyvNode* const lRoot = mRootNode;
    BeginSteps((M::kFileExport + lFileName).c_str());
    QueryJointDisplayScale();
    InstallImageReaders(mFactory);
    MStatus lStatus(MStatus::kFailure);
    if (RunPasses()) {
        mRootNode = lRoot;
        DestroyRemovalList();
        if (GetOptionStore().GetBool(kExportHardEdges)) {
            CheckCoincidentVertices(mRootNode);
        }
        SetTakeSpans();
        StatusWindowSetLabel(M::kWritingFile);
        mScene->SetCurrentTake(kTakeName);
        lStatus = WriteFile(lFileName.c_str());
    }
    if (!lStatus) {
        mLog->AddLine(M::kExportFailed);
    }
    EndSteps();
    return lStatus;
}

// Every pass up to the characters; false when the export must stop (duplicate names, or a
// DAG walk that could not even start).
bool RyvVurnExporter::RunPasses()
{
    if (!mScene) {
        return false;
    }
    StatusWindowSetLabel(M::kExportingGeometry);
    mWrapWarningShown = false;
    // A walk that cannot start would write an empty file and call it a success.
    if (!ExportGeometry(kWalkDepthFirst, kWalkEveryType)) {
        return false;
    }
    StatusWindowSetLabel(M::kExportingHierarchy);
    ExportHierarchy(kWalkDepthFirst, kWalkEveryType);
    ExportUserPropertiesTree(mRootNode);
    mFactory.ApplyNameRules();
    CheckMaterialNamespaces(mFactory, *mLog);
    CheckRootNamespaces(*mLog, mRootNode);
    if (!CheckDuplicateNames(mRootNode)) {
        return false;
    }
    StatusWindowSetLabel(M::kExportingAnimations);
    if (!ExportAnimation(mRootNode)) {
        return false;
    }
    CacheGlobalTransforms(mRootNode);
    ApplyMasterScale(GetOptionStore().GetDouble(kExportMasterScale));
    // The cluster, skin-cluster and shape passes, and the coincident-vertex check of hard
    // edges, work on exported geometry: they come with the mesh and NURBS export.
    StatusWindowSetLabel(M::kExportingClusters);
    ExportClusters(mRootNode);
    if (GetOptionStore().GetBool(kExportPivotToNull)) {
        ConvertPivotsToNulls(mRootNode, kPivotsToNullsFlag, &mFactory, mSamplingRate, mLog.get(),
                             &mAnimatedPivots);
    }
    StatusWindowSetLabel(M::kExportingSkinClusters);
    ExportSkinClusters();
    StatusWindowSetLabel(M::kExportingShapes);
    ExportShapes(mRootNode);
    ExportCharacters(mScene);
    return true;
}

void RyvVurnExporter::SetTakeSpans()
{
    std::vector<KString> lNames;
    mScene->FillTakeNameList(lNames);
    KTime lStart;
    KTime lEnd;
    lStart.SetSecondDouble(MAnimControl::minTime().as(MTime::kSeconds));
    lEnd.SetSecondDouble(MAnimControl::maxTime().as(MTime::kSeconds));
    for (const KString& lName : lNames) {
        KTakeInfo lInfo;
        lInfo.mName = lName;
        lInfo.mLocalStart = lStart;
        lInfo.mLocalStop = lEnd;
        lInfo.mReferenceStart = lStart;
        lInfo.mReferenceStop = lEnd;
        mScene->SetTakeInfo(lInfo);
    }
}

void RyvVurnExporter::ApplyMasterScale(double pScale)
{
    if (pScale == 1.0) {
        return;
    }
    if (!std::isfinite(pScale) || pScale == 0.0) {
        // A zero scale would collapse every node; a negative one mirrors and is kept.
        mLog->AddLine(M::TitledLine(M::kTitleWarning, M::kBadMasterScale).Buffer());
        return;
    }
    std::vector<KRyvNode*> lRootNamed;
    std::vector<KRyvNode*> lOthers;
    for (int lIndex = 0; lIndex < mRootNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = mRootNode->GetChild(lIndex);
        (IsRootNode(lChild) ? lRootNamed : lOthers).push_back(lChild);
    }
    if (!lOthers.empty()) {
        // A numbered name still marks a root node.
        KRyvNode* lScaleRoot =
            mFactory.CreateNode(KFreeNodeNames(mFactory).Take(kRootName).c_str(), nullptr);
        lScaleRoot->SetLclScaling(KVector4(pScale, pScale, pScale));
        for (KRyvNode* lNode : lOthers) {
            lScaleRoot->AddChild(lNode);
        }
        mRootNode->AddChild(lScaleRoot);
    }
    ScaleRootNamed(lRootNamed, pScale);
}

void RyvVurnExporter::ScaleRootNamed(const std::vector<KRyvNode*>& pNodes, double pScale)
{
    if (pNodes.empty()) {
        return;
    }
    const KAffineMatrix lScale(KVector4(), KVector4(), KVector4(pScale, pScale, pScale));
    for (KRyvNode* lNode : pNodes) {
        KMatrix lGlobal;
        MatrixMultiplyAffine(lGlobal, lScale, lNode->GetGlobalMatrix(0, true));
        if (MatrixCompare(lGlobal, KMatrix(), kIdentityTolerance) == 0 && DissolveNode(lNode)) {
            continue;
        }
        // Every world position scales with the scene: the node's translation and what its
        // pivots and offsets add to it too, moving pivots that pivot nulls will carry included.
        const auto lMoving = mAnimatedPivots.find(lNode);
        ScalePivotModel(*lNode, pScale,
                        lMoving != mAnimatedPivots.end() ? &lMoving->second : nullptr,
                        mSamplingRate);
        ScaleRrsChildren(lNode, lScale);
    }
}

// A child that inherits "Rrs" drops the whole scaling of its parent, pScale included: it takes
// pScale on its own axes instead, and so on down its "Rrs" descendants.
void RyvVurnExporter::ScaleRrsChildren(KRyvNode* pNode, const KMatrix& pScale)
{
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = pNode->GetChild(lIndex);
        int lInherit = 0;
        if (lChild->GetTransformInheritType(lInherit) == kRyvInheritRrs) {
            ApplyContentTransform(*lChild, pScale, mSamplingRate);
            ScaleRrsChildren(lChild, pScale);
        }
    }
}

// Takes pNode out of the tree and hangs its children, in order, under its parent; true when
// done. A child the parent refuses stays below pNode, which then goes back under the parent
// (false): nothing is lost, and the walk over a copy of the children ends whatever AddChild
// answers.
bool RyvVurnExporter::DissolveNode(KRyvNode* pNode)
{
    KRyvNode* lParent = pNode->GetParent();
    std::vector<KRyvNode*> lChildren;
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        lChildren.push_back(pNode->GetChild(lIndex));
    }
    lParent->RemoveChild(pNode);
    for (KRyvNode* lChild : lChildren) {
        lParent->AddChild(lChild);
    }
    if (pNode->GetChildCount() == 0) {
        return true;
    }
    mLog->AddLine((M::TitledLine(M::kTitleWarning, M::kRootNodeKept) + pNode->GetName()).Buffer());
    lParent->AddChild(pNode);
    return false;
}

MStatus RyvVurnExporter::WriteFile(const char* pFileName)
{
    if (!mScene) {
        return MStatus(MStatus::kFailure, "no scene");
    }
    KExporter* lExporter = mFactory.CreateExporter();
    if (!lExporter) {
        return MStatus(MStatus::kFailure, "no exporter");
    }
    lExporter->Initialize(pFileName);
    lExporter->SetWriteFlag(KExporter::kWriteFlagEmbedMedia,
                            GetOptionStore().GetBool(kExportEmbedTextures));
    lExporter->SetFileFormat(kNativeBinaryFormat);
    if (!lExporter->Export(mScene, nullptr)) {
        return MStatus(MStatus::kFailure, lExporter->GetError().GetLastErrorString().Buffer());
    }
    return MStatus();
}
