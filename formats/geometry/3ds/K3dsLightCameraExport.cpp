#include "formats/geometry/3ds/K3dsLightCameraExport.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMultiplierPerIntensity = 0.01;
constexpr double kHalfDegreeToRadian = 0.008726646259971648;
constexpr double kRadianToDoubleDegree = 114.59155902616465;
constexpr double kRadianToDegree = 57.29577951308232;
constexpr double kRightAngle = 90.0;
constexpr int kApertureBoth = 0;
constexpr int kApertureHorizontal = 1;
const KVector4 kSpotAhead(0.0, -10.0, 0.0);
const KVector4 kCameraAhead(10.0, 0.0, 0.0);

KMatrix OrientationAt(const K3dsChannel* pRotation, KTime pTime)
{
    KMatrix lMatrix;
    MatrixSetIdentity(lMatrix);
    EulerToMatrixXYZ(lMatrix, pRotation[0].At(pTime), pRotation[1].At(pTime),
                     pRotation[2].At(pTime));
    return lMatrix;
}

KVector4 At(const K3dsChannel* pXYZ, KTime pTime)
{
    return KVector4(pXYZ[0].At(pTime), pXYZ[1].At(pTime), pXYZ[2].At(pTime));
}

KVector4 Turned(const KVector4& pVector, const KMatrix& pMatrix)
{
    KVector4 lOut;
    VectorMultiplyMatrix3x3(lOut, pMatrix, pVector);
    return lOut;
}

KVector4 Sum(const KVector4& pA, const KVector4& pB)
{
    return KVector4(pA[0] + pB[0], pA[1] + pB[1], pA[2] + pB[2]);
}

void FillTrack(Track3ds<Point3ds>& ioTrack, const std::vector<KVector4>& pPositions)
{
    ioTrack.mKeys.resize(pPositions.size());
    ioTrack.mValues.resize(pPositions.size());
    FillKeyHeaders3ds(ioTrack.mKeys);
    for (std::size_t f = 0; f < pPositions.size(); ++f) {
        ioTrack.mValues[f] = K3dsAxes::ToFile(pPositions[f]);
    }
}

// A node's frame count from its own animation, whatever the keyframer switch says.
uint32_t OwnFrameCount(KRyvNode& ioNode)
{
    KTime lStart;
    KTime lStop;
    ioNode.KRyvTakeNodeContainer::GetAnimationInterval(lStart, lStop);
    const int64_t lLast = lStop.GetFrame(K3dsAxes::kTimeMode);
    return lLast > 0 ? static_cast<uint32_t>(std::min<int64_t>(lLast, UINT32_MAX - 1)) + 1 : 1;
}

} // namespace

double K3dsLightCameraExport::ConvertFieldOfView(const KRyvCamera& pCamera, double pDegrees)
{
    const int lMode = pCamera.GetApertureMode();
    const double lHeight = pCamera.GetFilmHeight();
    if (lMode == kApertureBoth || lMode == kApertureHorizontal || !(lHeight != 0.0)) {
        return pDegrees;
    }
    const double lRatio = pCamera.GetFilmWidth() / lHeight * pCamera.GetFilmSqueezeRatio();
    return std::atan(std::tan(pDegrees * kHalfDegreeToRadian) * lRatio) * kRadianToDoubleDegree;
}

std::unique_ptr<LightObject3ds>
K3dsLightCameraExport::BuildOmniLight(KRyvLight& pLight, const KVector4& pTranslation,
                                      const std::string& pName) const
{
    std::unique_ptr<LightObject3ds> lRecord;
    InitLightObject3ds(lRecord);
    lRecord->mName = pName;
    lRecord->mPosition = K3dsAxes::ToFile(pTranslation);
    double r = 1.0, g = 1.0, b = 1.0;
    pLight.GetColor(r, g, b);
    lRecord->mColor = {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
    lRecord->mMultiplier = static_cast<float>(pLight.GetIntensity() * kMultiplierPerIntensity);
    return lRecord;
}

std::unique_ptr<LightObject3ds>
K3dsLightCameraExport::BuildSpotLight(KRyvNode& ioNode, KRyvLight& pLight,
                                      const KVector4& pTranslation, const std::string& pName) const
{
    std::unique_ptr<LightObject3ds> lOmni = BuildOmniLight(pLight, pTranslation, pName);
    std::unique_ptr<LightObject3ds> lRecord;
    InitSpotlightObject3ds(lRecord);
    lRecord->mName = lOmni->mName;
    lRecord->mPosition = lOmni->mPosition;
    lRecord->mColor = lOmni->mColor;
    lRecord->mMultiplier = lOmni->mMultiplier;
    SpotlightData3ds& lSpot = *lRecord->mSpot;
    lSpot.mHotspot = static_cast<float>(ConeChannel(ioNode).At(KTime()));
    const K3dsChannel lOwnFalloff{nullptr, std::max(lSpot.mFalloff, lSpot.mHotspot)};
    lSpot.mFalloff = static_cast<float>(
        UserValueChannel(ioNode, K3dsAxes::kSpotFalloff, lOwnFalloff).At(KTime()));
    lSpot.mRoll = static_cast<float>(
        UserValueChannel(ioNode, K3dsAxes::kSpotRoll, K3dsChannel()).At(KTime()));
    const std::vector<KVector4> lTarget = TargetPositions(ioNode, kSpotAhead, 1);
    lSpot.mTarget = K3dsAxes::ToFile(lTarget.front());
    return lRecord;
}

std::unique_ptr<CameraObject3ds> K3dsLightCameraExport::BuildCamera(KRyvNode& ioNode,
                                                                    KRyvCamera& pCamera,
                                                                    const KVector4& pTranslation,
                                                                    const std::string& pName) const
{
    std::unique_ptr<CameraObject3ds> lRecord;
    InitCameraObject3ds(lRecord);
    lRecord->mName = pName;
    lRecord->mPosition = K3dsAxes::ToFile(pTranslation);
    // The static record holds frame 0 of the tracks.
    std::unique_ptr<CameraMotion3ds> lMotion = BuildCameraMotion(ioNode);
    lRecord->mTarget = lMotion->mTargetPosition.mValues.front();
    lRecord->mRoll = lMotion->mRoll.mValues.front();
    if (lMotion->mFov.mValues.front() > 0.0f) {
        lRecord->mFov = lMotion->mFov.mValues.front();
    }
    std::unique_ptr<BackgroundSettings3ds> lBackground;
    InitBackgroundSettings3ds(lBackground);
    const KColor lColor = pCamera.GetBackgroundColor();
    lBackground->mSolid = {static_cast<float>(lColor.mRed), static_cast<float>(lColor.mGreen),
                           static_cast<float>(lColor.mBlue)};
    PutBackgroundSettings3ds(*mSession.mKit, mSession.mDatabase, lBackground.get());
    ReleaseBackgroundSettings3ds(lBackground);
    return lRecord;
}

std::vector<KVector4> K3dsLightCameraExport::TargetPositions(KRyvNode& ioNode,
                                                             const KVector4& pAhead,
                                                             uint32_t pCount) const
{
    std::vector<KVector4> lPositions;
    K3dsChannel lT[3];
    if (KRyvNode* lTarget = ioNode.GetLookAtTarget()) {
        const uint32_t lCount = OwnFrameCount(*lTarget);
        mTracks.TransformChannels(*lTarget, 0, lT);
        for (uint32_t f = 0; f < lCount; ++f) {
            lPositions.push_back(At(lT, K3dsAxes::FrameTime(f)));
        }
        return lPositions;
    }
    K3dsChannel lR[3];
    mTracks.TransformChannels(ioNode, 0, lT);
    mTracks.TransformChannels(ioNode, 1, lR);
    for (uint32_t f = 0; f < pCount; ++f) {
        const KTime lTime = K3dsAxes::FrameTime(f);
        lPositions.push_back(Sum(At(lT, lTime), Turned(pAhead, OrientationAt(lR, lTime))));
    }
    return lPositions;
}

std::string K3dsLightCameraExport::TargetParentName(KRyvNode& ioNode) const
{
    // The target track holds the target node's own translation, so the target hangs where that
    // node hangs (below the node itself its offset would count twice).
    KRyvNode* lTarget = ioNode.GetLookAtTarget();
    return mTracks.ParentName(lTarget ? *lTarget : ioNode, false);
}

KRyvTakeNode* K3dsLightCameraExport::KeyedTake(KRyvNode& ioNode) const
{
    return mSession.mKeyframerOn ? ioNode.GetCurrentTakeNode() : nullptr;
}

K3dsChannel K3dsLightCameraExport::ConeChannel(KRyvNode& ioNode) const
{
    auto* lLight = static_cast<KRyvLight*>(ioNode.GetLight());
    KRyvTakeNode* lTake = KeyedTake(ioNode);
    return K3dsChannel{lTake ? lTake->GetConeAngle() : nullptr,
                       lLight ? lLight->GetConeAngle() : 0.0};
}

K3dsChannel K3dsLightCameraExport::UserValueChannel(KRyvNode& ioNode, const char* pName,
                                                    const K3dsChannel& pOtherwise) const
{
    const KRyvUserProperty* lProperty = ioNode.FindUserProperty(pName);
    double lValue = 0.0;
    if (!lProperty || !lProperty->GetValue(lValue)) {
        return pOtherwise;
    }
    KRyvTakeNode* lTake = KeyedTake(ioNode);
    return K3dsChannel{lTake ? lTake->GetCurve(pName) : nullptr, lValue};
}

void K3dsLightCameraExport::ColorChannels(KRyvNode& ioNode, K3dsChannel* oChannels) const
{
    double lStatic[3] = {1.0, 1.0, 1.0};
    if (auto* lLight = static_cast<KRyvLight*>(ioNode.GetLight())) {
        lLight->GetColor(lStatic[0], lStatic[1], lStatic[2]);
    }
    KRyvTakeNode* lTake = KeyedTake(ioNode);
    KFCurve* lCurves[3] = {lTake ? lTake->GetColorX() : nullptr,
                           lTake ? lTake->GetColorY() : nullptr,
                           lTake ? lTake->GetColorZ() : nullptr};
    for (int c = 0; c < 3; ++c) {
        oChannels[c] = {lCurves[c], lStatic[c]};
    }
}

std::unique_ptr<OmniLightMotion3ds>
K3dsLightCameraExport::BuildOmniLightMotion(KRyvNode& ioNode) const
{
    const uint32_t lCount = mTracks.KeyCount(ioNode);
    std::unique_ptr<OmniLightMotion3ds> lMotion;
    InitOmniLightMotion3ds(lMotion, lCount, lCount);
    lMotion->mName = mSession.NameOf(&ioNode);
    lMotion->mParent = mTracks.ParentName(ioNode, false);
    K3dsChannel lChannels[3];
    mTracks.TransformChannels(ioNode, 0, lChannels);
    K3dsTrackExport::SamplePositionTrack(lMotion->mPosition, lChannels, lCount);
    ColorChannels(ioNode, lChannels);
    K3dsTrackExport::SampleColorTrack(lMotion->mColor, lChannels, lCount);
    return lMotion;
}

std::unique_ptr<SpotlightMotion3ds>
K3dsLightCameraExport::BuildSpotLightMotion(KRyvNode& ioNode) const
{
    const uint32_t lCount = mTracks.KeyCount(ioNode);
    const std::vector<KVector4> lTargets = TargetPositions(ioNode, kSpotAhead, lCount);
    const K3dsChannel lCone = ConeChannel(ioNode);
    const K3dsChannel lFalloff = UserValueChannel(ioNode, K3dsAxes::kSpotFalloff, lCone);
    const K3dsChannel lRoll = UserValueChannel(ioNode, K3dsAxes::kSpotRoll, K3dsChannel());
    // A spot that keeps no roll writes one key of 0.
    const uint32_t lRollCount = ioNode.FindUserProperty(K3dsAxes::kSpotRoll) ? lCount : 1;
    std::unique_ptr<SpotlightMotion3ds> lMotion;
    InitSpotlightMotion3ds(lMotion, lCount, lCount, lCount, lCount, lRollCount,
                           static_cast<uint32_t>(lTargets.size()));
    lMotion->mName = mSession.NameOf(&ioNode);
    lMotion->mParent = mTracks.ParentName(ioNode, false);
    lMotion->mTargetParent = TargetParentName(ioNode);
    K3dsChannel lChannels[3];
    mTracks.TransformChannels(ioNode, 0, lChannels);
    K3dsTrackExport::SamplePositionTrack(lMotion->mPosition, lChannels, lCount);
    ColorChannels(ioNode, lChannels);
    K3dsTrackExport::SampleColorTrack(lMotion->mColor, lChannels, lCount);
    K3dsTrackExport::SampleValueTrack(lMotion->mHotspot, lCone, lCount);
    K3dsTrackExport::SampleValueTrack(lMotion->mFalloff, lFalloff, lCount);
    K3dsTrackExport::SampleValueTrack(lMotion->mRoll, lRoll, lRollCount);
    FillTrack(lMotion->mTargetPosition, lTargets);
    return lMotion;
}

K3dsChannel K3dsLightCameraExport::FieldOfViewChannel(KRyvNode& ioNode, KRyvCamera& pCamera,
                                                      bool& oConvert) const
{
    KRyvTakeNode* lTake = KeyedTake(ioNode);
    const int lMode = pCamera.GetApertureMode();
    oConvert = lMode != kApertureBoth && lMode != kApertureHorizontal;
    if (lMode == kApertureBoth) {
        // The camera keeps both angles apart: the horizontal one, keyed or not, is the file's.
        return K3dsChannel{lTake ? lTake->GetFieldOfViewX() : nullptr, pCamera.GetFieldOfViewX()};
    }
    const KFCurve* lCurve = lTake ? lTake->GetFieldOfView() : nullptr;
    double lStatic = pCamera.GetFieldOfViewFromFocalLength();
    if (lMode != kApertureHorizontal && lCurve) {
        lStatic = pCamera.GetFieldOfView();
    }
    return K3dsChannel{lCurve, lStatic};
}

std::unique_ptr<CameraMotion3ds> K3dsLightCameraExport::BuildCameraMotion(KRyvNode& ioNode) const
{
    const uint32_t lCount = mTracks.KeyCount(ioNode);
    const std::vector<KVector4> lTargets = TargetPositions(ioNode, kCameraAhead, lCount);
    std::unique_ptr<CameraMotion3ds> lMotion;
    InitCameraMotion3ds(lMotion, lCount, lCount, lCount, static_cast<uint32_t>(lTargets.size()));
    lMotion->mName = mSession.NameOf(&ioNode);
    lMotion->mParent = mTracks.ParentName(ioNode, false);
    lMotion->mTargetParent = TargetParentName(ioNode);
    K3dsChannel lT[3];
    K3dsChannel lR[3];
    mTracks.TransformChannels(ioNode, 0, lT);
    mTracks.TransformChannels(ioNode, 1, lR);
    K3dsTrackExport::SamplePositionTrack(lMotion->mPosition, lT, lCount);
    auto* lCamera = static_cast<KRyvCamera*>(ioNode.GetCamera());
    bool lConvert = false;
    const K3dsChannel lFov =
        lCamera ? FieldOfViewChannel(ioNode, *lCamera, lConvert) : K3dsChannel{nullptr, 45.0};
    KRyvTakeNode* lTake = KeyedTake(ioNode);
    const K3dsChannel lRoll{lTake ? lTake->GetRoll() : nullptr, lCamera ? lCamera->GetRoll() : 0.0};
    K3dsTrackExport::SampleValueTrack(lMotion->mFov, lFov, lCount);
    K3dsTrackExport::SampleValueTrack(lMotion->mRoll, lRoll, lCount);
    const bool lTargetNode = ioNode.GetLookAtTarget() != nullptr;
    for (uint32_t f = 0; f < lCount; ++f) {
        const KTime lTime = K3dsAxes::FrameTime(f);
        if (lConvert && lCamera) {
            lMotion->mFov.mValues[f] =
                static_cast<float>(ConvertFieldOfView(*lCamera, lMotion->mFov.mValues[f]));
        }
        if (lTargetNode) {
            continue;
        }
        // Without a target node the roll follows the camera's up vector.
        const KVector4 lPosition = At(lT, lTime);
        const KMatrix lOrientation = OrientationAt(lR, lTime);
        const KVector4 lUp = Turned(KVector4(0.0, 0.0, 1.0), lOrientation);
        double lRoll0 = kRightAngle - std::acos(std::clamp(lUp[1], -1.0, 1.0)) * kRadianToDegree;
        const KVector4 lSide = lTargets[f].CrossProduct(KVector4(0.0, 1.0, 0.0));
        const KVector4 lUpPoint = Sum(lUp, lPosition);
        const KVector4 lMinusSide = -lSide;
        if ((lSide - lUpPoint).Length() >= (lMinusSide - lUpPoint).Length()) {
            lRoll0 = -lRoll0;
        }
        lMotion->mRoll.mValues[f] += static_cast<float>(lRoll0);
    }
    FillTrack(lMotion->mTargetPosition, lTargets);
    return lMotion;
}
