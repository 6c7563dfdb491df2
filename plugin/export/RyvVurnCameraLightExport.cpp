// RyvVurnExporter: camera, look-at group and light nodes, their static values and their
// animated attributes.

#include "plugin/export/RyvVurnExporter.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveKey.h"
#include "animation/KRyvTakeNode.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnCamera.h"
#include "platform/vurn/MFnLight.h"
#include "platform/vurn/MTime.h"
#include "plugin/export/RyvVurnCameraLightSteps.h"
#include "plugin/export/RyvVurnCurveConversion.h"
#include "plugin/export/RyvVurnExportSteps.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLight.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
constexpr double kIntensityFactor = 100.0;
constexpr double kMillimetresPerInch = 25.4;
constexpr int kPointLight = 0;
constexpr int kInfiniteLight = 1;
constexpr int kSpotLight = 2;
constexpr int kApertureBoth = 0;
constexpr int kApertureHorizontal = 1;
constexpr int kApertureVertical = 2;

bool HasKeys(const KFCurve& pCurve)
{
    return pCurve.GetKeyCount() > 0;
}

void Reduce(KFCurve& ioCurve)
{
    if (GetOptionStore().GetBool(kExportApplyCstKeyRed)) {
        KFCurveFilterConstantKeyReducer().Apply(ioCurve);
    }
}

// pPlug's animation curve into ioCurve with pFactor, then reduced; nothing without a curve.
void ConvertPlug(const MPlug& pPlug, KFCurve& ioCurve, double pFactor, KLog* pLog)
{
    MStatus lStatus;
    const MFnAnimCurve lCurve(pPlug, &lStatus);
    if (lStatus) {
        ConvertAnimCurve(lCurve, ioCurve, false, pFactor, pLog);
        Reduce(ioCurve);
    }
}

// A work curve with pDefault's settings and no keys (empty settings when there is none).
KFCurve WorkCurve(const KFCurve* pDefault)
{
    KFCurve lCurve;
    if (pDefault) {
        lCurve.CopyFrom(*pDefault, false);
    }
    return lCurve;
}

void CopyInto(KFCurve* ioTarget, const KFCurve& pSource)
{
    if (ioTarget && HasKeys(pSource)) {
        ioTarget->CopyFrom(pSource, true);
    }
}

// 2 atan(pHalf / v) in degrees for every key value and the default, and the slopes by the
// chain rule (a slope is not an angle: d' = -2 pHalf d / (v^2 + pHalf^2)).
void FocalToFieldOfView(KFCurve& ioCurve, double pHalf)
{
    auto lAngle = [pHalf](double pFocal) {
        return 2.0 * std::atan(pHalf / pFocal) * kRadiansToDegrees;
    };
    auto lSlope = [pHalf](double pFocal, double pSlope) {
        return -2.0 * pHalf * pSlope / (pFocal * pFocal + pHalf * pHalf) * kRadiansToDegrees;
    };
    ioCurve.SetDefaultValue(static_cast<float>(lAngle(ioCurve.GetDefaultValue())));
    const int lCount = ioCurve.GetKeyCount();
    std::vector<double> lFocals;
    for (int lKey = 0; lKey < lCount; ++lKey) {
        lFocals.push_back(ioCurve.GetKey(lKey)->GetValue());
    }
    for (int lKey = 0; lKey < lCount; ++lKey) {
        KFCurveKey& lData = *ioCurve.GetKey(lKey);
        if (lData.GetInterpolation() == KFCurveKey::kInterpolationCubic &&
            (lData.GetTangentMode() & KFCurveKey::kTangentUser) != 0) {
            const double lNext = lFocals[lKey + 1 < lCount ? lKey + 1 : lKey];
            lData.SetDataFloat(KFCurveKey::kDataRightDerivative,
                               static_cast<float>(lSlope(lFocals[lKey], lData.GetDataFloat(0))));
            lData.SetDataFloat(KFCurveKey::kDataNextLeftDerivative,
                               static_cast<float>(lSlope(lNext, lData.GetDataFloat(1))));
        }
        lData.SetValue(static_cast<float>(lAngle(lFocals[lKey])));
    }
}
} // namespace

RyvVurnExporter::HostObjectRecord* RyvVurnExporter::FindRecord(const MDagPath& pPath)
{
    return reinterpret_cast<HostObjectRecord*>(mObjectTable.Find(RecordKeyOf(pPath).asChar()));
}

RyvVurnNode* RyvVurnExporter::ExportLightNode(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    AddToNodeTable(pPath, lNode);
    const MFn::Type lKind = pPath.apiType();
    if (lKind == MFn::kUnexportedLight) {
        return lNode;
    }
    KRyvLight* lLight = mFactory.CreateLight();
    lNode->SetNodeAttribute(lLight);
    const MObject lShape = pPath.childCount() > 0 ? pPath.child(0) : MObject();
    bool lAttached = false;
    if (lKind == MFn::kPointLight) {
        lLight->SetLightType(kPointLight);
        lAttached = MFnPointLight(lShape).isAttached();
    } else if (lKind == MFn::kSpotLight) {
        lLight->SetLightType(kSpotLight);
        KRyvGobo* lGobo = mFactory.CreateGobo(pDagNode.name().asChar());
        lLight->SetGobo(lGobo);
        // The file names a light's gobo and holds the gobo with the scene's: a gobo the scene
        // does not list would leave the light pointing at nothing when the file is read.
        mScene->GetSceneEntity()->AddGobo(lGobo);
        lAttached = MFnSpotLight(lShape).isAttached();
    } else if (lKind == MFn::kDirectionalLight) {
        lLight->SetLightType(kInfiniteLight);
        lAttached = MFnDirectionalLight(lShape).isAttached();
    } else {
        // Kinds the file cannot hold become hidden point lights.
        lLight->SetLightType(kPointLight);
        lNode->SetVisibility(false);
        return lNode;
    }
    if (lAttached) {
        lNode->SetVisibility(GetHostVisibility(MFnDagNode(lShape)));
    }
    return lNode;
}

RyvVurnNode* RyvVurnExporter::ExportCameraNode(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    const MString lKey = RecordKeyOf(pPath);
    HostObjectRecord* lRecord = FindRecord(pPath);
    if (!lRecord) {
        mRecords.push_back(std::make_unique<HostObjectRecord>());
        lRecord = mRecords.back().get();
        mObjectTable.Add(lKey.asChar(), reinterpret_cast<std::intptr_t>(lRecord));
    }
    const MFnCamera lCameraFn(pPath);
    lRecord->mObjects[HostObjectRecord::kCamera] = lCameraFn.object();
    KRyvCamera* lCamera = mFactory.CreateCamera();
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    lCamera->SetShowAzimut(true);
    lCamera->SetShowName(true);
    AddToNodeTable(pPath, lNode);
    lRecord->mNode = lNode;
    lNode->SetNodeAttribute(lCamera);
    lNode->SetVisibility(GetHostVisibility(lCameraFn));
    return lNode;
}

RyvVurnNode* RyvVurnExporter::ExportLookAtGroup(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    const MString lKey = pPath.fullPathName();
    if (mObjectTable.Find(lKey.asChar())) {
        return nullptr;
    }
    mRecords.push_back(std::make_unique<HostObjectRecord>());
    HostObjectRecord* lRecord = mRecords.back().get();
    mObjectTable.Add(lKey.asChar(), reinterpret_cast<std::intptr_t>(lRecord));
    lRecord->mObjects[HostObjectRecord::kLookAtGroup] = pPath.node();
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    AddToNodeTable(pPath, lNode);
    return lNode;
}

bool RyvVurnExporter::ExportLightAnimationCurves(RyvVurnNode* pNode)
{
    KRyvTakeNode* lDefault = pNode->GetDefaultTakeNode();
    KFCurve lCurves[5] = {WorkCurve(lDefault->GetIntensity()), WorkCurve(lDefault->GetColorX()),
                          WorkCurve(lDefault->GetColorY()), WorkCurve(lDefault->GetColorZ()),
                          WorkCurve(lDefault->GetConeAngle())};
    const MDagPath& lPath = *pNode->GetDagPath();
    const MFnLight lLight(lPath);
    if (lPath.apiType() == MFn::kSpotLight) {
        ConvertPlug(lLight.findPlug("coneAngle"), lCurves[4], kRadiansToDegrees, mLog.get());
    }
    ConvertPlug(lLight.findPlug("colorR"), lCurves[1], 1.0, mLog.get());
    ConvertPlug(lLight.findPlug("colorG"), lCurves[2], 1.0, mLog.get());
    ConvertPlug(lLight.findPlug("colorB"), lCurves[3], 1.0, mLog.get());
    ConvertPlug(lLight.findPlug("intensity"), lCurves[0], kIntensityFactor, mLog.get());
    bool lAnimated = false;
    for (const KFCurve& lCurve : lCurves) {
        lAnimated = lAnimated || HasKeys(lCurve);
    }
    if (!lAnimated) {
        return false;
    }
    MakeTakeCurrent(pNode, kTakeName);
    KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
    KFCurve* const lTargets[5] = {lTake->GetIntensity(), lTake->GetColorX(), lTake->GetColorY(),
                                  lTake->GetColorZ(), lTake->GetConeAngle()};
    for (int lIndex = 0; lIndex < 5; ++lIndex) {
        CopyInto(lTargets[lIndex], lCurves[lIndex]);
    }
    return true;
}

bool RyvVurnExporter::ExportCameraAnimationCurves(RyvVurnNode* pNode, const MObject& pLookAt)
{
    auto* lCamera = dynamic_cast<KRyvCamera*>(pNode->GetNodeAttribute());
    if (!lCamera) {
        return false;
    }
    KRyvTakeNode* lDefault = pNode->GetDefaultTakeNode();
    KFCurve lHorizontal = WorkCurve(lDefault->GetFieldOfViewX());
    KFCurve lVertical = WorkCurve(lDefault->GetFieldOfView());
    KFCurve lRoll = WorkCurve(lDefault->GetRoll());
    MStatus lStatus;
    const MFnAnimCurve lFocal(MFnCamera(*pNode->GetDagPath()).findPlug("focalLength"), &lStatus);
    if (lStatus) {
        const double lWidth = lCamera->GetFilmWidth() * kMillimetresPerInch;
        const double lHeight = lCamera->GetFilmHeight() * kMillimetresPerInch;
        ConvertAnimCurve(lFocal, lHorizontal, false, 1.0, mLog.get());
        ConvertAnimCurve(lFocal, lVertical, false, 1.0, mLog.get());
        FocalToFieldOfView(lHorizontal, 0.5 * lWidth * lCamera->GetFilmSqueezeRatio());
        FocalToFieldOfView(lVertical, 0.5 * lHeight);
        Reduce(lHorizontal);
        Reduce(lVertical);
    }
    const int lMode = lCamera->GetApertureMode();
    bool lAnimated = (lMode == kApertureHorizontal && HasKeys(lHorizontal)) ||
                     (lMode == kApertureVertical && HasKeys(lVertical)) ||
                     (lMode == kApertureBoth && (HasKeys(lHorizontal) || HasKeys(lVertical)));
    if (!pLookAt.isNull()) {
        const double lFactor =
            MAngle::internalUnit() == MAngle::kRadians ? -kRadiansToDegrees : -1.0;
        ConvertPlug(MFnDependencyNode(pLookAt).findPlug("twist"), lRoll, lFactor, mLog.get());
        lAnimated = lAnimated || HasKeys(lRoll);
    }
    if (!lAnimated) {
        return false;
    }
    MakeTakeCurrent(pNode, kTakeName);
    KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
    if (lMode == kApertureBoth) {
        CopyInto(lTake->GetFieldOfViewX(), lHorizontal);
        CopyInto(lTake->GetFieldOfViewY(), lVertical);
    } else if (lMode == kApertureHorizontal) {
        CopyInto(lTake->GetFieldOfView(), lHorizontal);
    } else if (lMode == kApertureVertical) {
        CopyInto(lTake->GetFieldOfView(), lVertical);
    }
    CopyInto(lTake->GetRoll(), lRoll);
    return true;
}
