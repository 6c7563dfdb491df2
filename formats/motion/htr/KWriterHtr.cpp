#include "formats/motion/htr/KWriterHtr.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrFile.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <unordered_set>

namespace {

// Centimetres to the file's millimetres.
constexpr double kMillimetres = 10.0;
constexpr int kFrameValues = 6;
// Names quoted in messages are cut to this many characters.
constexpr std::size_t kQuotedLength = 40;
// A bone whose other components are at most this share of its Y component lies along Y: the
// Euler round trip of a bone axis leaves rounding noise there.
constexpr double kAlongY = 1e-12;
constexpr double kDegrees = 180.0 / 3.14159265358979323846;
// The least magnitude a frame line's translation is rounded at: a millimetre, printed to a
// hundred-thousandth at most.
constexpr double kTranslationFloor = 1.0;

// The rotation and translation of pMatrix with the axis scale taken out.
KMatrix Unscaled(const KMatrix& pMatrix)
{
    KMatrix lResult = pMatrix;
    MatrixRemoveScale(lResult, pMatrix);
    return lResult;
}

const KRyvPose* FindRestPose(KRyvScene& pScene, const std::string& pName)
{
    for (int i = 0; i < pScene.GetPoseCount(); ++i) {
        const KRyvPose* lPose = pScene.GetPose(i);
        if (lPose && lPose->GetPoseType() == KRyvPose::kRestPose &&
            pName == lPose->GetNameWithoutPrefix().Buffer()) {
            return lPose;
        }
    }
    return nullptr;
}

// The base angles (Euler X, Y, Z, degrees) that lay the Y axis along pNode's bone: the X row of
// its limits' rotation axis, as a BVH End Site takes it. A turn about X, then Z, with none about
// Y: the bone alone gives both angles back, so a file read and written again prints the same
// base line. Rounded as the base line prints them, so that the frames are written against the
// rotation the file holds. Zero for a node without active rotation limits or a bone, or whose
// bone lies along Y.
KVector4 BoneTurnAngles(KRyvNode* pNode)
{
    const KRyvNodeLimits& lLimits = pNode->GetLimits();
    if (!lLimits.GetRotationActive() || lLimits.GetAxisLength() <= 0.0) {
        return KVector4();
    }
    const KVector4 lAxisAngles = lLimits.GetRotationAxis();
    KMatrix lAxis;
    EulerToMatrixXYZ(lAxis, lAxisAngles[0], lAxisAngles[1], lAxisAngles[2]);
    const double lX = lAxis[0][0];
    const double lY = lAxis[0][1];
    const double lZ = lAxis[0][2];
    if (lY > 0.0 && std::fabs(lX) <= kAlongY * lY && std::fabs(lZ) <= kAlongY * lY) {
        return KVector4();
    }
    // Y turned by X through a and then by Z through c is (-cos a sin c, cos a cos c, sin a).
    double lAngles[3] = {std::atan2(lZ, std::hypot(lX, lY)) * kDegrees, 0.0,
                         std::atan2(-lX, lY) * kDegrees};
    KMotionPrintPrecision::RoundToLargest(lAngles, 3);
    KMotionPrintPrecision::ClearNegativeZeros(lAngles, 3);
    return KVector4(lAngles[0], lAngles[1], lAngles[2]);
}

// Rounds a frame's values so that the file, read back and written again, prints the same. The
// translation is the difference of pWhole (the segment's whole translation, which the keys read
// back hold in single precision) and pBase, whose error reaches it: it is rounded to the last
// digit printed of the largest of all three. Angles worked out through matrices carry errors,
// which a group of angles near zero would print: no group is printed finer than one of its floor.
void RoundFrameValues(double ioTranslation[3], const double pWhole[3], const KVector4& pBase,
                      double ioAngles[3])
{
    double lLargest = kTranslationFloor;
    for (int i = 0; i < 3; ++i) {
        lLargest = std::max({lLargest, std::fabs(pWhole[i]), std::fabs(pBase[i])});
    }
    KMotionPrintPrecision::RoundToLargestOr(ioTranslation, 3, lLargest);
    KMotionPrintPrecision::RoundToLargestOr(ioAngles, 3, KMotionPrintPrecision::kAngleFloor);
    KMotionPrintPrecision::KeepHalfTurnsPositive(ioAngles, 3);
}

} // namespace

KWriterHtr::KWriterHtr(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterHtr::~KWriterHtr() = default;

std::unique_ptr<KWriter> KWriterHtr::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterHtr(pOwner));
}

std::unique_ptr<KTextFile> KWriterHtr::NewFile() const
{
    return std::make_unique<KHtrFile>(false);
}

KHtrFile& KWriterHtr::File() const
{
    return *static_cast<KHtrFile*>(GetFile());
}

std::unique_ptr<KStreamOptions> KWriterHtr::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    lOptions->SetOption(kOptionGlobalRoot, 0);
    lOptions->SetOption(kOptionWritten, 1);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

const char* KWriterHtr::FindMissingContent(KRyvScene* pScene)
{
    return pScene && FindReferenceNode(pScene->GetRootNode())
               ? nullptr
               : "no skeleton under a single root joint";
}

bool KWriterHtr::IsEndNode(KRyvNode* pNode)
{
    return pNode && pNode->GetChildCount() == 0 && pNode->GetLimits().GetRotationActive() &&
           pNode->GetLimits().GetAxisLength() == 0.0;
}

bool KWriterHtr::CheckScene(KRyvScene* pScene)
{
    return CheckRootJoint(pScene, "Can not find root node.");
}

bool KWriterHtr::CheckWrite(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    return CheckSpaces(FindReferenceNode(pScene.GetRootNode()), pOptions, "HTR");
}

bool KWriterHtr::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    // The segments point into the scene: they go whatever the outcome.
    struct SegmentsRelease
    {
        std::vector<Segment>& mSegments;
        ~SegmentsRelease() { mSegments.clear(); }
    } lRelease{mSegments};
    return WriteAll(pScene, FindReferenceNode(pScene.GetRootNode()), pOptions);
}

bool KWriterHtr::WriteAll(KRyvScene& pScene, KRyvNode* pRoot, const KStreamOptionsMotion& pOptions)
{
    if (!CollectSegments(pRoot)) {
        return false;
    }
    KRyvNode* lReference =
        pOptions.GetOption(kOptionGlobalRoot) == 1 ? pScene.GetRootNode() : pRoot->GetParent();
    MatrixSetIdentity(mReference);
    if (lReference) {
        const KMatrix& lGlobal = lReference->GetDefaultGlobalMatrix();
        for (int i = 0; i < 3; ++i) {
            mReference[3][i] = lGlobal[3][i];
        }
    }
    ComputeBasePositions(pScene, lReference);
    std::vector<float> lValues;
    if (!SampleFrames(pOptions, lValues)) {
        return false;
    }
    pOptions.ReportProgress("Writing HTR nodes", 50.0f);
    return PrintFile(pOptions, lValues);
}

bool KWriterHtr::CollectSegments(KRyvNode* pRoot)
{
    mSegments.clear();
    std::unordered_set<std::string> lNames;
    // Depth first, parents before children, with an explicit stack.
    std::vector<std::pair<KRyvNode*, int>> lStack{{pRoot, -1}};
    while (!lStack.empty()) {
        const auto [lNode, lParent] = lStack.back();
        lStack.pop_back();
        if (lParent >= 0 && IsEndNode(lNode)) {
            continue;
        }
        const std::string lName = lNode->GetNameWithoutPrefix().Buffer();
        if (!KHtrFile::IsWritableName(lName.c_str())) {
            const std::string lText =
                "HTR cannot hold the node name \"" + lName.substr(0, kQuotedLength) + "\"";
            return Fail(lText.c_str());
        }
        if (!lNames.insert(lName).second) {
            return Fail(("two nodes are named \"" + lName.substr(0, kQuotedLength) + "\"").c_str());
        }
        const int lIndex = static_cast<int>(mSegments.size());
        mSegments.push_back({lNode, lParent, lName, KVector4(), 0.0, KVector4(), KMatrix()});
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lNode->GetChild(i), lIndex);
        }
    }
    return true;
}

void KWriterHtr::ComputeBasePositions(KRyvScene& pScene, KRyvNode* pReference)
{
    const std::string lPoseName =
        pReference ? std::string(pReference->GetNameWithoutPrefix().Buffer()) + "_RESTPOSE" : "";
    const KRyvPose* lPose = FindRestPose(pScene, lPoseName);
    // Rest positions in world axes, parents before children (the segment order).
    std::vector<KMatrix> lRest(mSegments.size());
    for (std::size_t i = 0; i < mSegments.size(); ++i) {
        Segment& lSegment = mSegments[i];
        KRyvNode* lParentNode = lSegment.mNode->GetParent();
        KMatrix lParent;
        if (lSegment.mParent >= 0) {
            lParent = lRest[static_cast<std::size_t>(lSegment.mParent)];
        } else if (lParentNode) {
            lParent = lParentNode->GetDefaultGlobalMatrix();
        }
        const int lEntry = lPose ? lPose->Find(lSegment.mName.c_str()) : -1;
        if (lEntry >= 0 && !lPose->IsLocalMatrix(lEntry)) {
            lRest[i] = lPose->GetMatrix(lEntry);
        } else {
            const KMatrix& lLocal =
                lEntry >= 0 ? lPose->GetMatrix(lEntry) : lSegment.mNode->GetDefaultLocalMatrix();
            MatrixMultiplyAffine(lRest[i], lParent, lLocal);
        }
        lRest[i] = Unscaled(lRest[i]);
        const KMatrix& lBaseOf =
            lSegment.mParent >= 0 ? lRest[static_cast<std::size_t>(lSegment.mParent)] : mReference;
        lSegment.mBase = KVector4((lRest[i][3][0] - lBaseOf[3][0]) * kMillimetres,
                                  (lRest[i][3][1] - lBaseOf[3][1]) * kMillimetres,
                                  (lRest[i][3][2] - lBaseOf[3][2]) * kMillimetres);
        lSegment.mLength = lSegment.mNode->GetLimits().GetAxisLength() * kMillimetres;
    }
    // Only a leaf's frame turns: no written child's offset or motion depends on it.
    std::vector<bool> lHasChildren(mSegments.size(), false);
    for (const Segment& lSegment : mSegments) {
        if (lSegment.mParent >= 0) {
            lHasChildren[static_cast<std::size_t>(lSegment.mParent)] = true;
        }
    }
    for (std::size_t i = 0; i < mSegments.size(); ++i) {
        if (!lHasChildren[i]) {
            Segment& lSegment = mSegments[i];
            lSegment.mBaseAngles = BoneTurnAngles(lSegment.mNode);
            EulerToMatrixXYZ(lSegment.mBaseRotation, lSegment.mBaseAngles[0],
                             lSegment.mBaseAngles[1], lSegment.mBaseAngles[2]);
        }
    }
}

bool KWriterHtr::SampleFrames(const KStreamOptionsMotion& pOptions, std::vector<float>& oValues)
{
    const int lFrames = pOptions.GetFrameCount();
    const std::size_t lPerFrame = mSegments.size() * kFrameValues;
    if (lFrames > 0 && lPerFrame > oValues.max_size() / static_cast<std::size_t>(lFrames)) {
        return Fail("too many frames to sample");
    }
    oValues.assign(lPerFrame * static_cast<std::size_t>(lFrames), 0.0f);
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    std::vector<KMatrix> lGlobal(mSegments.size());
    for (int k = 0; k < lFrames; ++k) {
        pOptions.ReportProgress("Converting HTR nodes",
                                static_cast<float>(static_cast<std::int64_t>(k) * 50 / lFrames));
        const KTime lTime = lStart + lPeriod * k;
        for (std::size_t s = 0; s < mSegments.size(); ++s) {
            const Segment& lSegment = mSegments[s];
            lGlobal[s] = Unscaled(lSegment.mNode->GetGlobalMatrixAtTime(lTime));
            const KMatrix& lParent = lSegment.mParent >= 0
                                         ? lGlobal[static_cast<std::size_t>(lSegment.mParent)]
                                         : mReference;
            // The motion relative to the parent segment, in the segment's frame turned by its
            // base rotation (no parent's is turned), that base rotation taken out.
            KMatrix lLocal;
            MatrixMultiplyInverseAffine(lLocal, lParent, lGlobal[s]);
            KMatrix lTurned;
            MatrixMultiply3x3(lTurned, lLocal, lSegment.mBaseRotation);
            KMatrix lFrame;
            MatrixMultiplyTranspose3x3(lFrame, lSegment.mBaseRotation, lTurned);
            KVector4 lAngles;
            MatrixToEulerXYZ(lAngles, lFrame);
            float* lOut =
                &oValues[(s * static_cast<std::size_t>(lFrames) + static_cast<std::size_t>(k)) *
                         kFrameValues];
            double lWhole[3];
            double lShift[3];
            double lTurns[3];
            for (int i = 0; i < 3; ++i) {
                lWhole[i] = lLocal[3][i] * kMillimetres;
                lShift[i] = lWhole[i] - lSegment.mBase[i];
                lTurns[i] = lAngles[i];
            }
            RoundFrameValues(lShift, lWhole, lSegment.mBase, lTurns);
            for (int i = 0; i < 3; ++i) {
                lOut[i] = static_cast<float>(lShift[i]);
                lOut[3 + i] = static_cast<float>(lTurns[i]);
            }
        }
    }
    return true;
}

bool KWriterHtr::PrintFile(const KStreamOptionsMotion& pOptions, const std::vector<float>& pValues)
{
    const int lFrames = pOptions.GetFrameCount();
    const int lCount = static_cast<int>(mSegments.size());
    if (!File().WriteHeader(lCount, lFrames, pOptions.GetFrameRate()) ||
        !File().WriteHierarchyTitle()) {
        return FailPrint();
    }
    for (const Segment& lSegment : mSegments) {
        const char* lParent =
            lSegment.mParent >= 0
                ? mSegments[static_cast<std::size_t>(lSegment.mParent)].mName.c_str()
                : nullptr;
        if (!File().WriteHierarchyLine(lSegment.mName.c_str(), lParent)) {
            return FailPrint();
        }
    }
    if (!File().WriteBaseTitle()) {
        return FailPrint();
    }
    for (const Segment& lSegment : mSegments) {
        const KVector4& lAngles = lSegment.mBaseAngles;
        if (!File().WriteBaseLine(lSegment.mName.c_str(), lSegment.mBase[0], lSegment.mBase[1],
                                  lSegment.mBase[2], lAngles[0], lAngles[1], lAngles[2],
                                  lSegment.mLength)) {
            return FailPrint();
        }
    }
    for (int s = 0; s < lCount; ++s) {
        pOptions.ReportProgress("Writing HTR nodes", 50.0f + static_cast<float>(s * 50 / lCount));
        if (!File().WriteFrameTitle(mSegments[static_cast<std::size_t>(s)].mName.c_str())) {
            return FailPrint();
        }
        const float* lValues = pValues.data() + static_cast<std::size_t>(s) *
                                                    static_cast<std::size_t>(lFrames) *
                                                    kFrameValues;
        for (int k = 0; k < lFrames; ++k, lValues += kFrameValues) {
            if (!File().WriteFrameLine(k + 1, lValues[0], lValues[1], lValues[2], lValues[3],
                                       lValues[4], lValues[5])) {
                return FailPrint();
            }
        }
    }
    return File().WriteEnd() || FailPrint();
}
