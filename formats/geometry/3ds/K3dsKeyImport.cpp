#include "formats/geometry/3ds/K3dsKeyImport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterKeyReducer.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KRyvTakeNode.h"
#include "core/KColor.h"
#include "core/KMatrixFunctions.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsUserProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"

#include <cmath>
#include <functional>

namespace {

constexpr double kReducePrecision = 1.0;
constexpr double kUnrollTolerance = 0.25;
// An axis shorter than this names no direction.
constexpr double kTinyAxis = 1e-12;

// The indexes of the keys a track takes: frames strictly increasing, the first always, and
// only keys that have a value.
template <typename T> std::vector<std::size_t> TakenKeys(const Track3ds<T>& pTrack)
{
    const std::vector<KeyHeader3ds>& lKeys = pTrack.mKeys;
    std::vector<std::size_t> lTaken;
    for (std::size_t i = 0; i < lKeys.size() && i < pTrack.mValues.size(); ++i) {
        if (lTaken.empty() || lKeys[i].mTime > lKeys[lTaken.back()].mTime) {
            lTaken.push_back(i);
        }
    }
    return lTaken;
}

void AddKey(KFCurve* ioCurve, const KeyHeader3ds& pKey, double pValue)
{
    if (!ioCurve) {
        return;
    }
    KFCurveKey lKey;
    lKey.SetTCB(K3dsAxes::FrameTime(pKey.mTime), static_cast<float>(pValue), pKey.mValues[0],
                pKey.mValues[1], pKey.mValues[2]);
    ioCurve->KeyAdd(lKey.GetTime(), lKey);
}

void AddKeyAtZero(KFCurve* ioCurve, double pValue)
{
    if (ioCurve) {
        KFCurveKey lKey;
        lKey.SetTCB(KTime(), static_cast<float>(pValue));
        ioCurve->KeyAdd(KTime(), lKey);
    }
}

// Writes a track of three channels: every taken key when animated (true), else nothing.
template <typename T>
bool WriteVectorKeys(bool pAnimated, const Track3ds<T>& pTrack, KFCurve** ioCurves,
                     const std::function<KVector4(std::size_t)>& pValueOf)
{
    if (!pAnimated) {
        return false;
    }
    for (std::size_t lIndex : TakenKeys(pTrack)) {
        const KVector4 lValue = pValueOf(lIndex);
        for (int c = 0; c < 3; ++c) {
            AddKey(ioCurves[c], pTrack.mKeys[lIndex], lValue[c]);
        }
    }
    return true;
}

void SetDefaults(KFCurve** ioCurves, const KVector4& pValue)
{
    for (int c = 0; c < 3; ++c) {
        if (ioCurves[c]) {
            ioCurves[c]->SetDefaultValue(static_cast<float>(pValue[c]));
        }
    }
}

// The running orientation after one relative key (file angle and axis).
void Turn(KMatrix& ioOrientation, const Rotation3ds& pKey)
{
    KVector4 lAxis(pKey.x, pKey.z, -static_cast<double>(pKey.y));
    const double lLength = lAxis.Length();
    if (!(lLength > kTinyAxis) || !std::isfinite(pKey.mAngle)) {
        return;
    }
    lAxis *= 1.0 / lLength;
    const double lHalf = -0.5 * static_cast<double>(pKey.mAngle);
    const KQuaternion lStep(lAxis[0] * std::sin(lHalf), lAxis[1] * std::sin(lHalf),
                            lAxis[2] * std::sin(lHalf), std::cos(lHalf));
    KMatrix lStepMatrix;
    MatrixSetIdentity(lStepMatrix);
    QuaternionToMatrix(lStepMatrix, lStep);
    // The previous orientation applies first, then the step.
    MatrixMultiplyAffine(ioOrientation, lStepMatrix, ioOrientation);
    KQuaternion lRunning;
    MatrixToQuaternion(lRunning, ioOrientation);
    QuaternionToMatrix(ioOrientation, lRunning);
}

// The keyed value at frame 0, where a take of the file starts: a node's own transform holds
// it, so that what reads the node without its take still finds the node where the take puts
// it first. A channel without curve keeps pDefault.
KVector4 AtFirstFrame(KFCurve* const* pCurves, const KVector4& pDefault)
{
    KVector4 lValue = pDefault;
    for (int c = 0; c < 3; ++c) {
        if (pCurves[c]) {
            lValue[c] = pCurves[c]->Evaluate(KTime());
        }
    }
    return lValue;
}

KFCurve* TakeCurve(KRyvNode& ioNode, KFCurve* (KRyvTakeNode::*pGetter)())
{
    KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    return lTake ? (lTake->*pGetter)() : nullptr;
}

} // namespace

void K3dsKeyImport::Reduce(KFCurve** ioCurves, int pCount) const
{
    if (!mReduceKeys) {
        return;
    }
    for (int c = 0; c < pCount; ++c) {
        if (!ioCurves[c]) {
            return;
        }
    }
    KFCurveFilterKeyReducer lReducer;
    lReducer.SetPrecision(kReducePrecision);
    lReducer.Apply(ioCurves, pCount);
}

void K3dsKeyImport::Position(KRyvNode& ioNode, const Track3ds<Point3ds>& pTrack,
                             const Point3ds& pDefault) const
{
    KFCurve* lCurves[3] = {TakeCurve(ioNode, &KRyvTakeNode::GetTransformTX),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformTY),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformTZ)};
    auto lValueOf = [&pTrack, this](std::size_t pIndex) {
        return K3dsAxes::ToKit(pTrack.mValues[pIndex]) * mScale;
    };
    if (WriteVectorKeys(IsAnimated(pTrack.mKeys.size()), pTrack, lCurves, lValueOf)) {
        Reduce(lCurves, 3);
        ioNode.SetLclTranslation(AtFirstFrame(lCurves, KVector4()));
        return;
    }
    const KVector4 lValue =
        pTrack.mValues.empty() ? K3dsAxes::ToKit(pDefault) * mScale : lValueOf(0);
    SetDefaults(lCurves, lValue);
    ioNode.SetLclTranslation(lValue);
}

void K3dsKeyImport::Rotation(KRyvNode& ioNode, const Track3ds<Rotation3ds>& pTrack) const
{
    KFCurve* lCurves[3] = {TakeCurve(ioNode, &KRyvTakeNode::GetTransformRX),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformRY),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformRZ)};
    KMatrix lOrientation;
    MatrixSetIdentity(lOrientation);
    // A key that is not taken (its frame does not follow the one before) still turns every
    // key after it.
    std::size_t lTurned = 0;
    auto lValueOf = [&pTrack, &lOrientation, &lTurned](std::size_t pIndex) {
        for (; lTurned <= pIndex; ++lTurned) {
            Turn(lOrientation, pTrack.mValues[lTurned]);
        }
        KVector4 lAngles;
        MatrixToEulerXYZ(lAngles, lOrientation);
        return lAngles;
    };
    if (WriteVectorKeys(IsAnimated(pTrack.mKeys.size()), pTrack, lCurves, lValueOf)) {
        if (lCurves[0] && lCurves[1] && lCurves[2]) {
            KFCurveFilterUnroll lUnroll;
            lUnroll.SetQualityTolerance(kUnrollTolerance);
            lUnroll.SetTestForPath(true);
            lUnroll.Apply(lCurves, 3);
        }
        Reduce(lCurves, 3);
        ioNode.SetLclRotation(AtFirstFrame(lCurves, KVector4()));
        return;
    }
    const KVector4 lValue = pTrack.mValues.empty() ? KVector4() : lValueOf(0);
    SetDefaults(lCurves, lValue);
    ioNode.SetLclRotation(lValue);
}

void K3dsKeyImport::Scale(KRyvNode& ioNode, const Track3ds<Point3ds>& pTrack) const
{
    KFCurve* lCurves[3] = {TakeCurve(ioNode, &KRyvTakeNode::GetTransformSX),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformSY),
                           TakeCurve(ioNode, &KRyvTakeNode::GetTransformSZ)};
    auto lValueOf = [&pTrack](std::size_t pIndex) {
        return K3dsAxes::ScalingToKit(pTrack.mValues[pIndex]);
    };
    if (WriteVectorKeys(IsAnimated(pTrack.mKeys.size()), pTrack, lCurves, lValueOf)) {
        Reduce(lCurves, 3);
        ioNode.SetLclScaling(AtFirstFrame(lCurves, KVector4(1.0, 1.0, 1.0)));
        return;
    }
    const KVector4 lValue = pTrack.mValues.empty() ? KVector4(1.0, 1.0, 1.0) : lValueOf(0);
    SetDefaults(lCurves, lValue);
    ioNode.SetLclScaling(lValue);
}

void K3dsKeyImport::Color(KRyvNode& ioNode, KRyvLight* ioLight, const Track3ds<Color3ds>& pTrack,
                          const Color3ds& pDefault) const
{
    KFCurve* lCurves[3] = {TakeCurve(ioNode, &KRyvTakeNode::GetColorX),
                           TakeCurve(ioNode, &KRyvTakeNode::GetColorY),
                           TakeCurve(ioNode, &KRyvTakeNode::GetColorZ)};
    auto lValueOf = [&pTrack, &pDefault](std::size_t pIndex) {
        const Color3ds& lColor = pIndex < pTrack.mValues.size() ? pTrack.mValues[pIndex] : pDefault;
        const KColor lClamped(lColor.r, lColor.g, lColor.b);
        return KVector4(lClamped.mRed, lClamped.mGreen, lClamped.mBlue);
    };
    if (WriteVectorKeys(IsAnimated(pTrack.mKeys.size()), pTrack, lCurves, lValueOf)) {
        Reduce(lCurves, 3);
        return;
    }
    const KVector4 lValue = lValueOf(0);
    if (ioLight) {
        ioLight->SetColor(lValue[0], lValue[1], lValue[2]);
    }
    for (int c = 0; c < 3; ++c) {
        AddKeyAtZero(lCurves[c], lValue[c]);
    }
}

void K3dsKeyImport::ScalarTrack(KFCurve* ioCurve, const Track3ds<float>& pTrack,
                                float pDefault) const
{
    if (IsAnimated(pTrack.mKeys.size())) {
        for (std::size_t lIndex : TakenKeys(pTrack)) {
            AddKey(ioCurve, pTrack.mKeys[lIndex], pTrack.mValues[lIndex]);
        }
        Reduce(&ioCurve, 1);
        return;
    }
    AddKeyAtZero(ioCurve, pTrack.mValues.empty() ? pDefault : pTrack.mValues[0]);
}

void K3dsKeyImport::AttributeTrack(KFCurve* ioCurve, const std::function<void(double)>& pSetStatic,
                                   const Track3ds<float>& pTrack, float pDefault) const
{
    if (!IsAnimated(pTrack.mKeys.size())) {
        pSetStatic(pTrack.mValues.empty() ? pDefault : pTrack.mValues[0]);
    }
    ScalarTrack(ioCurve, pTrack, pDefault);
}

void K3dsKeyImport::FieldOfView(KRyvNode& ioNode, KRyvCamera* ioCamera,
                                const Track3ds<float>& pTrack, float pDefault) const
{
    AttributeTrack(
        TakeCurve(ioNode, &KRyvTakeNode::GetFieldOfView),
        [ioCamera](double pValue) {
            if (ioCamera) {
                ioCamera->SetFieldOfView(pValue);
            }
        },
        pTrack, pDefault);
}

void K3dsKeyImport::Roll(KRyvNode& ioNode, KRyvCamera* ioCamera, const Track3ds<float>& pTrack,
                         float pDefault) const
{
    AttributeTrack(
        TakeCurve(ioNode, &KRyvTakeNode::GetRoll),
        [ioCamera](double pValue) {
            if (ioCamera) {
                ioCamera->SetRoll(pValue);
            }
        },
        pTrack, pDefault);
}

void K3dsKeyImport::ConeAngle(KRyvNode& ioNode, KRyvLight* ioLight, const Track3ds<float>& pTrack,
                              float pDefault) const
{
    AttributeTrack(
        TakeCurve(ioNode, &KRyvTakeNode::GetConeAngle),
        [ioLight](double pValue) {
            if (ioLight) {
                ioLight->SetConeAngle(pValue);
            }
        },
        pTrack, pDefault);
}

void K3dsKeyImport::UserValue(KRyvNode& ioNode, const char* pName, const Track3ds<float>& pTrack,
                              float pDefault) const
{
    KRyvUserProperty* lProperty =
        K3dsUserProperty::FindOrAdd(ioNode, pName, KRyvUserProperty::kTypeReal, true);
    KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    KFCurve* lCurve = lTake && lProperty ? lTake->GetCurve(pName) : nullptr;
    const auto lSetValue = [lProperty](double pValue) {
        if (lProperty) {
            lProperty->SetValue(pValue);
        }
    };
    AttributeTrack(lCurve, lSetValue, pTrack, pDefault);
    // A keyed value also holds its value at frame 0, where the take starts, as a keyed transform
    // does: what reads the node without its take finds it there.
    if (lCurve && lCurve->GetKeyCount() > 0) {
        lSetValue(lCurve->Evaluate(KTime()));
    }
}
