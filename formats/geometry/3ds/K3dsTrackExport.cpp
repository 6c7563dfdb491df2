#include "formats/geometry/3ds/K3dsTrackExport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KRenamingStrategy3ds.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint16_t kKeyFlags = 7;
constexpr double kTinyScale = 1e-5;
constexpr double kTinyTurn = 1e-5;
// Axis components this small are rounding noise of the conversions; kept, they would make a
// file read and written again differ in its last bits.
constexpr double kAxisNoise = 1e-9;
constexpr std::size_t kParentNameLength = 20;
// Names from a scene quoted in a message are cut to this many bytes.
constexpr std::size_t kQuotedLength = 40;
const char* const kDummyPrefix = "$$$DUMMY.";
const char* const kReferencePrefix = "Ryv_Roo";

KTime FrameTime(uint32_t pFrame)
{
    return K3dsAxes::FrameTime(pFrame);
}

// Sizes ioTrack to pCount keys, one a frame from frame 0, the value of each pValueAt(its time);
// pValueAt is called in frame order.
template <typename TValue, typename TValueAt>
void SampleTrack(Track3ds<TValue>& ioTrack, uint32_t pCount, TValueAt pValueAt)
{
    ioTrack.mKeys.resize(pCount);
    ioTrack.mValues.resize(pCount);
    FillKeyHeaders3ds(ioTrack.mKeys);
    for (uint32_t f = 0; f < pCount; ++f) {
        ioTrack.mValues[f] = pValueAt(FrameTime(f));
    }
}

} // namespace

double K3dsChannel::At(KTime pTime) const
{
    return mCurve && mCurve->GetKeyCount() > 0 ? mCurve->Evaluate(pTime) : mStatic;
}

void FillKeyHeaders3ds(std::vector<KeyHeader3ds>& ioKeys)
{
    for (std::size_t f = 0; f < ioKeys.size(); ++f) {
        ioKeys[f] = KeyHeader3ds();
        ioKeys[f].mTime = static_cast<uint32_t>(f);
        ioKeys[f].mFlags = kKeyFlags;
    }
}

bool IsWrittenByName3ds(const KRyvNode* pNode)
{
    const KRyvNodeAttribute* lAttribute = pNode ? pNode->GetNodeAttribute() : nullptr;
    if (!lAttribute) {
        return false;
    }
    switch (lAttribute->GetAttributeType()) {
    case KRyvNodeAttribute::eMesh:
    case KRyvNodeAttribute::eNurb:
    case KRyvNodeAttribute::ePatch:
    case KRyvNodeAttribute::eLight:
    case KRyvNodeAttribute::eCamera:
        return true;
    default:
        return false;
    }
}

namespace {

// Frames 0 to the node's last key: the keys a track of one key a frame holds.
uint64_t FramesToLastKey(KRyvNode& ioNode)
{
    KTime lStart;
    KTime lStop;
    // The node's own take only: its children's keys are theirs.
    ioNode.KRyvTakeNodeContainer::GetAnimationInterval(lStart, lStop);
    const int64_t lLast = lStop.GetFrame(K3dsAxes::kTimeMode);
    return lLast > 0 ? static_cast<uint64_t>(lLast) + 1 : 1;
}

} // namespace

std::string K3dsTrackExport::SpanRefusal(KRyvNode& ioNode) const
{
    const uint64_t lFrames = FramesToLastKey(ioNode);
    if (lFrames <= kFreeFrames) {
        return std::string();
    }
    const KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    const uint64_t lKeys =
        lTake ? static_cast<uint64_t>(lTake->GetKFCurveNode()->KeyGetCount()) : 0;
    const uint64_t lLimit = kFreeFrames + kFramesPerKey * lKeys;
    if (lFrames <= lLimit) {
        return std::string();
    }
    return "node \"" +
           KRenamingStrategy3ds::CutAtCharacter(mSession.NameOf(&ioNode), kQuotedLength) +
           "\" not written: one key a frame up to its last key makes " + std::to_string(lFrames) +
           " keys a track for the " + std::to_string(lKeys) + " keys it has (at most " +
           std::to_string(lLimit) + ")";
}

uint32_t K3dsTrackExport::KeyCount(KRyvNode& ioNode) const
{
    if (!mSession.mKeyframerOn) {
        return 1;
    }
    const uint64_t lCount = FramesToLastKey(ioNode);
    if (lCount > kWarnKeys) {
        mSession.Warn("node \"" + mSession.NameOf(&ioNode) + "\": " + std::to_string(lCount) +
                      " keys per track");
    }
    return static_cast<uint32_t>(std::min<uint64_t>(lCount, UINT32_MAX));
}

void K3dsTrackExport::TransformChannels(KRyvNode& ioNode, int pGroup, K3dsChannel* oChannels) const
{
    KVector4 lStatic = pGroup == 2 ? KVector4(1.0, 1.0, 1.0) : KVector4();
    if (pGroup == 0) {
        ioNode.GetLclTranslation(lStatic);
    } else if (pGroup == 1) {
        ioNode.GetLclRotation(lStatic);
    } else {
        ioNode.GetLclScaling(lStatic);
    }
    KRyvTakeNode* lTake = mSession.mKeyframerOn ? ioNode.GetCurrentTakeNode() : nullptr;
    static KFCurve* (KRyvTakeNode::*const kGetters[3][3])() = {
        {&KRyvTakeNode::GetTransformTX, &KRyvTakeNode::GetTransformTY,
         &KRyvTakeNode::GetTransformTZ},
        {&KRyvTakeNode::GetTransformRX, &KRyvTakeNode::GetTransformRY,
         &KRyvTakeNode::GetTransformRZ},
        {&KRyvTakeNode::GetTransformSX, &KRyvTakeNode::GetTransformSY,
         &KRyvTakeNode::GetTransformSZ}};
    for (int c = 0; c < 3; ++c) {
        oChannels[c].mCurve = lTake ? (lTake->*kGetters[pGroup][c])() : nullptr;
        oChannels[c].mStatic = lStatic[c];
    }
}

void K3dsTrackExport::SamplePositionTrack(Track3ds<Point3ds>& ioTrack, const K3dsChannel* pXYZ,
                                          uint32_t pCount)
{
    SampleTrack(ioTrack, pCount, [pXYZ](KTime pTime) {
        return K3dsAxes::ToFile(KVector4(pXYZ[0].At(pTime), pXYZ[1].At(pTime), pXYZ[2].At(pTime)));
    });
}

void K3dsTrackExport::SampleScaleTrack(Track3ds<Point3ds>& ioTrack, const K3dsChannel* pXYZ,
                                       uint32_t pCount)
{
    SampleTrack(ioTrack, pCount, [pXYZ](KTime pTime) {
        KVector4 lScale(pXYZ[0].At(pTime), pXYZ[1].At(pTime), pXYZ[2].At(pTime));
        if (std::fabs(lScale[0]) < kTinyScale && std::fabs(lScale[1]) < kTinyScale &&
            std::fabs(lScale[2]) < kTinyScale) {
            lScale = KVector4(1.0, 1.0, 1.0);
        }
        return K3dsAxes::ScalingToFile(lScale);
    });
}

void K3dsTrackExport::SampleColorTrack(Track3ds<Color3ds>& ioTrack, const K3dsChannel* pRGB,
                                       uint32_t pCount)
{
    SampleTrack(ioTrack, pCount, [pRGB](KTime pTime) {
        return Color3ds{static_cast<float>(pRGB[0].At(pTime)),
                        static_cast<float>(pRGB[1].At(pTime)),
                        static_cast<float>(pRGB[2].At(pTime))};
    });
}

void K3dsTrackExport::SampleValueTrack(Track3ds<float>& ioTrack, const K3dsChannel& pChannel,
                                       uint32_t pCount)
{
    SampleTrack(ioTrack, pCount,
                [&pChannel](KTime pTime) { return static_cast<float>(pChannel.At(pTime)); });
}

void K3dsTrackExport::SampleRotationTrack(Track3ds<Rotation3ds>& ioTrack, const K3dsChannel* pXYZ,
                                          uint32_t pCount)
{
    KMatrix lPrevious;
    MatrixSetIdentity(lPrevious);
    SampleTrack(ioTrack, pCount, [pXYZ, &lPrevious](KTime pTime) {
        KMatrix lOrientation;
        MatrixSetIdentity(lOrientation);
        EulerToMatrixXYZ(lOrientation, pXYZ[0].At(pTime), pXYZ[1].At(pTime), pXYZ[2].At(pTime));
        // The step: the inverse of the previous orientation first, then this one.
        KMatrix lInverse;
        MatrixSetIdentity(lInverse);
        MatrixInverseAffine(lInverse, lPrevious);
        KMatrix lStep;
        MatrixSetIdentity(lStep);
        MatrixMultiplyAffine(lStep, lOrientation, lInverse);
        KQuaternion lTurn;
        MatrixToQuaternion(lTurn, lStep);
        KVector4 lAxis;
        VectorNormalize(lAxis, KVector4(lTurn[0], lTurn[1], lTurn[2]));
        for (int c = 0; c < 3; ++c) {
            lAxis[c] = std::fabs(lAxis[c]) < kAxisNoise ? 0.0 : lAxis[c];
        }
        // Rounding can put w a hair past 1, where acos has no value.
        const double lAngle = -2.0 * std::acos(std::clamp(lTurn[3], -1.0, 1.0));
        Rotation3ds lKey{static_cast<float>(lAngle), static_cast<float>(lAxis[0]),
                         static_cast<float>(-lAxis[2]), static_cast<float>(lAxis[1])};
        if (std::fabs(lKey.x) < kTinyTurn && std::fabs(lKey.y) < kTinyTurn &&
            std::fabs(lKey.z) < kTinyTurn && std::fabs(lKey.mAngle) < kTinyTurn) {
            lKey.mAngle = 0.0f;
            lKey.x = -1.0f;
        }
        lPrevious = lOrientation;
        return lKey;
    });
}

std::string K3dsTrackExport::ParentName(KRyvNode& ioNode, bool pReferenceRule) const
{
    KRyvNode* lParent = ioNode.GetParent();
    if (!lParent) {
        return std::string();
    }
    const std::string lName = mSession.NameOf(lParent);
    std::string lText;
    if (IsWrittenByName3ds(lParent)) {
        lText = lName;
    } else if (pReferenceRule && lName.rfind(kReferencePrefix, 0) == 0) {
        // The reference node is not written: its children hang from the scene root's dummy.
        KRyvNode* lRoot = lParent;
        while (lRoot->GetParent()) {
            lRoot = lRoot->GetParent();
        }
        lText =
            mSession.mFlags.mReferenceNode ? kDummyPrefix + mSession.NameOf(lRoot) : std::string();
    } else {
        lText = kDummyPrefix + lName;
    }
    return KRenamingStrategy3ds::CutAtCharacter(lText, kParentNameLength);
}

std::unique_ptr<ObjectMotion3ds> K3dsTrackExport::BuildObjectMotion(KRyvNode& ioNode) const
{
    const uint32_t lCount = KeyCount(ioNode);
    std::unique_ptr<ObjectMotion3ds> lMotion;
    InitObjectMotion3ds(lMotion, lCount, lCount, lCount, 0, 0);
    lMotion->mName = mSession.NameOf(&ioNode);
    lMotion->mParent = ParentName(ioNode, true);
    K3dsChannel lChannels[3];
    TransformChannels(ioNode, 0, lChannels);
    SamplePositionTrack(lMotion->mPosition, lChannels, lCount);
    TransformChannels(ioNode, 1, lChannels);
    SampleRotationTrack(lMotion->mRotation, lChannels, lCount);
    TransformChannels(ioNode, 2, lChannels);
    SampleScaleTrack(lMotion->mScale, lChannels, lCount);
    return lMotion;
}
