#include "plugin/export/RyvVurnCameraLightSteps.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "platform/vurn/MFnCamera.h"
#include "platform/vurn/MFnLight.h"
#include "plugin/shell/RyvVurnNode.h"
#include "scene/objects/KRyvCamera.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
constexpr double kIntensityFactor = 100.0;
constexpr double kNegativeNearPlane = 0.01;
constexpr double kLargestFarPlane = 4294967295.0;
constexpr double kDefaultFieldOfView = 40.0;
constexpr int kProjectionPerspective = 0;
constexpr int kProjectionOrthographic = 1;

void SetDefault(KFCurve* ioCurve, double pValue)
{
    if (ioCurve) {
        ioCurve->SetDefaultValue(static_cast<float>(pValue));
    }
}

// The aperture mode of a host film fit for the film ratio height / width.
int ApertureModeOf(int pFilmFit, double pRatio)
{
    switch (pFilmFit) {
    case MFnCamera::kFillFilmFit:
        return pRatio >= 1.0 ? 1 : 2;
    case MFnCamera::kHorizontalFilmFit:
        return 1;
    case MFnCamera::kVerticalFilmFit:
        return 2;
    case MFnCamera::kOverscanFilmFit:
        return pRatio < 1.0 ? 1 : 2;
    default:
        return 0;
    }
}

// The far plane as a whole number in 0 .. 2^32 - 1: a negative, huge or undefined plane cannot
// be converted to an unsigned value as it is.
double WholeFarPlane(double pFar)
{
    if (!(pFar > 0.0)) {
        return 0.0;
    }
    return static_cast<double>(
        static_cast<std::uint32_t>(pFar < kLargestFarPlane ? pFar : kLargestFarPlane));
}

// The look-at and up-vector targets: the camera's first two siblings in their order, which in
// a host look-at group (camera, aim, up) are children 1 and 2; a camera never targets itself.
void LinkTargets(RyvVurnNode* pNode)
{
    KRyvNode* lParent = pNode->GetParent();
    if (!lParent || lParent->GetChildCount() < 2) {
        return;
    }
    std::vector<KRyvNode*> lOthers;
    for (int lIndex = 0; lIndex < lParent->GetChildCount() && lOthers.size() < 2; ++lIndex) {
        if (lParent->GetChild(lIndex) != pNode) {
            lOthers.push_back(lParent->GetChild(lIndex));
        }
    }
    KRyvNode* const lTargets[2] = {lOthers[0], lOthers.size() > 1 ? lOthers[1] : nullptr};
    lTargets[0]->SetVisibility(pNode->GetVisibility());
    pNode->SetLookAtTarget(lTargets[0]);
    if (lTargets[1]) {
        lTargets[1]->SetVisibility(pNode->GetVisibility());
        pNode->SetUpVectorTarget(lTargets[1]);
    }
}
} // namespace

MString RecordKeyOf(const MDagPath& pPath)
{
    MDagPath lParent = pPath;
    if (!pPath.hasFn(MFn::kLookAt) && lParent.pop() && lParent.length() > 0 &&
        lParent.hasFn(MFn::kLookAt)) {
        return lParent.fullPathName();
    }
    return pPath.fullPathName();
}

void ExportLightDefaults(const MDagPath& pPath, RyvVurnNode* pNode)
{
    MStatus lStatus;
    const MFnLight lLight(pPath, &lStatus);
    if (!pNode || !lStatus) {
        return;
    }
    KRyvTakeNode* lTake = pNode->GetDefaultTakeNode();
    if (pPath.apiType() == MFn::kSpotLight) {
        SetDefault(lTake->GetConeAngle(), MFnSpotLight(pPath).coneAngle() * kRadiansToDegrees);
    }
    const MColor lColor = lLight.color();
    SetDefault(lTake->GetColorX(), lColor.r);
    SetDefault(lTake->GetColorY(), lColor.g);
    SetDefault(lTake->GetColorZ(), lColor.b);
    SetDefault(lTake->GetIntensity(), lLight.intensity() * kIntensityFactor);
    SetDefault(lTake->GetFog(), 0.0);
}

void ExportCameraAttributes(RyvVurnNode* pNode, const MObject& pLookAt)
{
    auto* lCamera = pNode ? dynamic_cast<KRyvCamera*>(pNode->GetNodeAttribute()) : nullptr;
    MStatus lStatus;
    const MFnCamera lHost(pNode && pNode->GetDagPath() ? *pNode->GetDagPath() : MDagPath(),
                          &lStatus);
    if (!lCamera || !lStatus) {
        return;
    }
    const double lNear = lHost.nearClippingPlane();
    lCamera->SetFarPlane(WholeFarPlane(lHost.farClippingPlane()));
    lCamera->SetNearPlane(lNear < 0.0 ? kNegativeNearPlane : lNear);
    lCamera->SetFocalLength(lHost.focalLength());
    lCamera->SetFilmSqueezeRatio(lHost.lensSqueezeRatio());
    const double lWidth = lHost.horizontalFilmAperture();
    const double lHeight = lHost.verticalFilmAperture();
    // A film without width counts as square.
    lCamera->SetApertureMode(
        ApertureModeOf(lHost.filmFit(), lWidth != 0.0 ? lHeight / lWidth : 1.0));
    lCamera->SetProjectionType(kProjectionPerspective);
    if (lHost.isOrtho()) {
        lCamera->SetProjectionType(kProjectionOrthographic);
    }
    const MVector lUp = lHost.upDirection(MSpace::kWorld);
    lCamera->SetUpVector(KVector4(lUp.x, lUp.y, lUp.z, 1.0));
    lCamera->SetLookAt(KVector4(0.0, 0.0, -1.0, 1.0));
    lCamera->SetFilmHeight(lHeight);
    lCamera->SetFilmWidth(lWidth);
    lCamera->SetFocusDistance(lHost.focusDistance());
    if (!pLookAt.isNull()) {
        LinkTargets(pNode);
    }
}

void ExportCameraDefaults(RyvVurnNode* pNode, const MObject& pLookAt)
{
    auto* lCamera = pNode ? dynamic_cast<KRyvCamera*>(pNode->GetNodeAttribute()) : nullptr;
    if (!lCamera) {
        return;
    }
    KRyvTakeNode* lTake = pNode->GetDefaultTakeNode();
    SetDefault(lTake->GetFieldOfViewX(), kDefaultFieldOfView);
    SetDefault(lTake->GetFieldOfViewY(), kDefaultFieldOfView);
    SetDefault(lTake->GetFieldOfView(), lCamera->GetFieldOfViewFromFocalLength());
    SetDefault(lTake->GetOpticalCenterX(), 0.0);
    SetDefault(lTake->GetOpticalCenterY(), 0.0);
    SetDefault(lTake->GetRoll(), 0.0);
    MStatus lStatus;
    const MFnDependencyNode lGroup(pLookAt, &lStatus);
    float lTwist = 0.0f;
    if (!pLookAt.isNull() && lStatus && lGroup.findPlug("twist").getValue(lTwist)) {
        SetDefault(lTake->GetRoll(), lTwist * -kRadiansToDegrees);
    }
}
