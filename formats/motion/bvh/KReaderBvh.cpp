#include "formats/motion/bvh/KReaderBvh.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuaternion.h"
#include "core/KQuotedValue.h"
#include "formats/motion/KMotionEuler.h"
#include "formats/motion/KMotionImportFilters.h"
#include "formats/motion/KMotionKeyChunks.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KBvhFile.h"
#include "formats/motion/bvh/KBvhPoseStream.h"
#include "io/KReadRollback.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

namespace {

// The curves of one joint in its take: translation X, Y, Z then rotation X, Y, Z.
constexpr int kCurveCount = 6;

bool HasPositionChannel(const KBvhJoint& pJoint)
{
    for (int i = 0; i < pJoint.mChannelCount; ++i) {
        if (pJoint.mChannels[i] <= KBvhJoint::eZposition) {
            return true;
        }
    }
    return false;
}

// "<parent>_End", "<parent>_End2", ...: the parent's name is cut (before a UTF-8 sequence) so
// that the whole fits the name limit, as the End Site becomes a joint of its own when its parent
// has other children, and the writer must be able to write what was read.
std::string EndSiteName(const std::string& pParent, int pNumber)
{
    const std::string lSuffix = "_End" + (pNumber > 1 ? std::to_string(pNumber) : std::string());
    std::string lName = pParent + lSuffix;
    const std::size_t lLength = KBvhFile::GetNameLength(lName.c_str());
    if (lLength > KBvhFile::kMaxNameLength) {
        std::size_t lKeep = pParent.size() - (lLength - KBvhFile::kMaxNameLength);
        while (lKeep > 0 && (static_cast<unsigned char>(pParent[lKeep]) & 0xC0u) == 0x80u) {
            --lKeep;
        }
        lName = pParent.substr(0, lKeep) + lSuffix;
    }
    return lName;
}

// A joint without channels still gets three rotation curves keyed on every frame, keys that cost
// memory the file need not hold. A real capture holds at least two bytes per value it keys, so
// keys beyond this budget of the motion's bytes mean a file built to exhaust memory.
constexpr std::uint64_t kKeysPerMotionByte = 8;
constexpr std::uint64_t kKeyAllowance = std::uint64_t(1) << 24;

// The curves a read keys: rotation for every joint, translation too where it has position
// channels.
std::uint64_t CurveCount(const KBvhFile& pFile)
{
    std::uint64_t lCurves = 0;
    for (int j = 0; j < pFile.GetJointCount(); ++j) {
        const KBvhJoint& lJoint = *pFile.GetJoint(j);
        if (!lJoint.mEndSite) {
            lCurves += HasPositionChannel(lJoint) ? kCurveCount : kCurveCount / 2;
        }
    }
    return lCurves;
}

KString CannotHoldCurves(const KBvhFile& pFile)
{
    return KString(pFile.GetFileName().c_str()) + ": cannot hold the animation curves";
}

} // namespace

KReaderBvh::KReaderBvh(KRyvObjectFactory* pOwner) : KMotionTextReader(pOwner) {}

KReaderBvh::~KReaderBvh() = default;

std::unique_ptr<KReader> KReaderBvh::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderBvh(pOwner));
}

std::unique_ptr<KTextFile> KReaderBvh::NewFile() const
{
    return std::make_unique<KBvhFile>(false);
}

KBvhFile& KReaderBvh::File() const
{
    return *static_cast<KBvhFile*>(GetFile());
}

bool KReaderBvh::ReadHeaderOptions(KStreamOptionsMotion& ioOptions)
{
    return File().ReadInfo(&ioOptions);
}

bool KReaderBvh::ReadScene(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    ioOptions.ReportProgress("Reading BVH nodes", 0.0f);
    if (!File().ReadHeader()) {
        return Fail(File().GetLastError().c_str());
    }
    const KString lTakeName = GetTakeName();
    KReadRollback lRollback(GetOwner());
    KRyvNode* lReference = lRollback.AddNode(GetOwner()->CreateNode("BVH:reference"));
    std::vector<KRyvNode*> lNodes;
    if (!lReference || !CreateNodes(lRollback, lReference, lTakeName.Buffer(), lNodes)) {
        return Fail(KString(File().GetFileName().c_str()) + ": cannot create the skeleton nodes");
    }
    KString lDuplicates = KString("Duplicate names found in ") + File().GetFileName().c_str() + ":";
    if (!ReportDuplicateNames(lReference, lDuplicates)) {
        ioOptions.ShowMessage("Error", lDuplicates.Buffer(), "OK");
        return Fail(lDuplicates);
    }
    if (!ReadMotion(lRollback, lNodes, ioOptions)) {
        return false;
    }
    // Only a complete skeleton joins the scene.
    if (!Place(ioScene, lReference, ioOptions.GetOption(kOptionKeepReference) == 1)) {
        return Fail(KString(File().GetFileName().c_str()) + ": the skeleton cannot join the scene");
    }
    const int lFrames = File().GetFramesRead();
    ioOptions.SetFrameCount(lFrames);
    if (!ioScene.SetTakeInfo(KMotionTakeSpan::Describe(lTakeName.Buffer(), ioOptions, lFrames))) {
        return Fail(KString(File().GetFileName().c_str()) + ": the take cannot be recorded");
    }
    // Nodes already in the scene lack the new take and keep theirs: the answer says only that.
    lRollback.CommitWithCurrentTake(ioScene, lTakeName.Buffer());
    return true;
}

bool KReaderBvh::CreateNodes(KReadRollback& ioRollback, KRyvNode* pReference, const char* pTakeName,
                             std::vector<KRyvNode*>& oNodes)
{
    KRyvObjectFactory* lFactory = GetOwner();
    const int lCount = File().GetJointCount();
    oNodes.assign(static_cast<std::size_t>(lCount), nullptr);
    // End Sites already named below each joint, for numbering the further ones.
    std::vector<int> lEndSites(static_cast<std::size_t>(lCount), 0);
    std::unordered_set<std::string> lUsed;
    for (int i = 0; i < lCount; ++i) {
        if (!File().GetJoint(i)->mEndSite) {
            lUsed.insert(File().GetJoint(i)->mName);
        }
    }
    for (int i = 0; i < lCount; ++i) {
        const KBvhJoint& lJoint = *File().GetJoint(i);
        std::string lName = lJoint.mName;
        if (lJoint.mEndSite) {
            const std::size_t lParent = static_cast<std::size_t>(lJoint.mParent);
            // A cut name can meet a joint's name or another End Site's: the number moves on.
            do {
                lName = EndSiteName(File().GetJoint(lJoint.mParent)->mName, ++lEndSites[lParent]);
            } while (!lUsed.insert(lName).second);
        }
        KRyvNode* lNode = ioRollback.AddNode(lFactory->CreateNode(lName.c_str()));
        KRyvSkeleton* lSkeleton = lFactory->CreateSkeleton();
        ioRollback.AddAttribute(lSkeleton);
        if (!lNode || !lSkeleton) {
            return false;
        }
        lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
        lNode->SetNodeAttribute(lSkeleton);
        // Every joint keeps its OFFSET, the root too: a root without position channels would
        // otherwise lose it, and one with them has it replaced by the channels on every frame.
        lNode->SetLclTranslation(KVector4(lJoint.mOffset[0], lJoint.mOffset[1], lJoint.mOffset[2]));
        lNode->SetLclRotation(KVector4());
        KRyvNode* lParent =
            lJoint.mParent < 0 ? pReference : oNodes[static_cast<std::size_t>(lJoint.mParent)];
        if (!lParent->AddChild(lNode) || !lNode->AddTakeNode(pTakeName) ||
            !lNode->SetCurrentTakeNode(pTakeName)) {
            return false;
        }
        lNode->SetMarked(true);
        oNodes[static_cast<std::size_t>(i)] = lNode;
        if (lJoint.mParent >= 0) {
            SetLimits(i, *lNode);
        }
    }
    return true;
}

void KReaderBvh::SetLimits(int pJoint, KRyvNode& ioNode)
{
    const KBvhJoint& lJoint = *File().GetJoint(pJoint);
    KRyvNodeLimits& lLimits = ioNode.GetLimits();
    const KVector4 lOffset(lJoint.mOffset[0], lJoint.mOffset[1], lJoint.mOffset[2]);
    lLimits.SetAuto(KRyvNodeLimits::eTranslation, false);
    lLimits.SetDefault(KRyvNodeLimits::eTranslation, lOffset);
    if (lJoint.mEndSite) {
        lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
        lLimits.SetAxisLength(0.0);
        return;
    }
    if (lJoint.mChildren.size() != 1) {
        return;
    }
    const KBvhJoint& lChild = *File().GetJoint(lJoint.mChildren[0]);
    const KVector4 lChildOffset(lChild.mOffset[0], lChild.mOffset[1], lChild.mOffset[2]);
    const double lLength = VectorLength(lChildOffset);
    if (!(lLength > 0.0)) {
        return;
    }
    // The bone's axis: the turn of +X onto the direction of the only child.
    KVector4 lDirection;
    VectorNormalize(lDirection, lChildOffset);
    KQuaternion lTurn;
    QuaternionFromXAxisTo(lTurn, lDirection);
    if (std::fabs(lTurn[3]) < 1e-9) {
        lTurn.Set(0.0, 0.0, 1.0, 0.0);
    }
    KMatrix lMatrix;
    QuaternionToMatrix(lMatrix, lTurn);
    KVector4 lAxis;
    KMotionEuler::MatrixToEulerXYZ(1, &lMatrix, &lAxis);
    lLimits.SetDefault(KRyvNodeLimits::eRotation, lAxis);
    lLimits.SetRotationAxis(lAxis);
    lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
    lLimits.SetAxisLength(lLength);
    lLimits.SetRotationType(false);
    lLimits.SetMin(KRyvNodeLimits::eRotation, KVector4(-180.0, -150.0, -150.0));
    lLimits.SetMax(KRyvNodeLimits::eRotation, KVector4(180.0, 150.0, 150.0));
}

bool KReaderBvh::ReadMotion(KReadRollback& ioRollback, const std::vector<KRyvNode*>& pNodes,
                            const KStreamOptionsMotion& pOptions)
{
    if (!File().BeginFrames(&pOptions)) {
        return Fail(File().GetLastError().c_str());
    }
    // Curves hold at most kMaxKeyCount keys; a file with more frames fails once they are read.
    const int lCapacity = std::min(File().GetFramesThatFit(), KFCurve::kMaxKeyCount);
    const std::uint64_t lBudget = kKeyAllowance + kKeysPerMotionByte * File().GetRemainingBytes();
    if (CurveCount(File()) * static_cast<std::uint64_t>(lCapacity) > lBudget) {
        return Fail(KString(File().GetFileName().c_str()) +
                    ": too many keys for the size of the file (joints without channels)");
    }
    std::vector<KFCurve*> lCurves;
    if (!BeginCurves(ioRollback, pNodes, lCapacity, lCurves)) {
        return false;
    }
    KString lFailure;
    if (!ReadFrames(lCurves, pOptions, lCapacity, lFailure)) {
        return Fail(File().GetLastError().c_str());
    }
    if (!lFailure.IsEmpty()) {
        return Fail(lFailure);
    }
    ioRollback.EndKeySets(File().GetFramesRead());
    for (std::size_t j = 0; j < pNodes.size(); ++j) {
        KFCurve** lJointCurves = &lCurves[j * kCurveCount];
        if (lJointCurves[3]) {
            KMotionImportFilters::Apply(lJointCurves[0] ? lJointCurves : nullptr, lJointCurves + 3);
        }
    }
    return true;
}

bool KReaderBvh::BeginCurves(KReadRollback& ioRollback, const std::vector<KRyvNode*>& pNodes,
                             int pCapacity, std::vector<KFCurve*>& oCurves)
{
    const int lJoints = File().GetJointCount();
    // Per joint: its six curves, null where the joint has none.
    oCurves.assign(static_cast<std::size_t>(lJoints) * kCurveCount, nullptr);
    for (int j = 0; j < lJoints; ++j) {
        const KBvhJoint& lJoint = *File().GetJoint(j);
        if (lJoint.mEndSite) {
            continue;
        }
        KRyvTakeNode* lTake = pNodes[static_cast<std::size_t>(j)]->GetCurrentTakeNode();
        KFCurve** lJointCurves = &oCurves[static_cast<std::size_t>(j) * kCurveCount];
        if (HasPositionChannel(lJoint)) {
            lJointCurves[0] = lTake->GetTransformTX();
            lJointCurves[1] = lTake->GetTransformTY();
            lJointCurves[2] = lTake->GetTransformTZ();
        }
        lJointCurves[3] = lTake->GetTransformRX();
        lJointCurves[4] = lTake->GetTransformRY();
        lJointCurves[5] = lTake->GetTransformRZ();
        for (int c = HasPositionChannel(lJoint) ? 0 : 3; c < kCurveCount; ++c) {
            if (!ioRollback.BeginKeySet(lJointCurves[c], pCapacity)) {
                return Fail(CannotHoldCurves(File()));
            }
        }
    }
    return true;
}

bool KReaderBvh::ReadFrames(const std::vector<KFCurve*>& pCurves,
                            const KStreamOptionsMotion& pOptions, int pCapacity, KString& oFailure)
{
    KBvhFile& lFile = File();
    const int lFrames = lFile.GetFramesToRead();
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    std::vector<KFCurve*> lUsed;
    std::vector<KBvhPoseStream::Keyed> lKeyed(static_cast<std::size_t>(lFile.GetJointCount()));
    for (std::size_t c = 0; c < pCurves.size(); ++c) {
        if (pCurves[c]) {
            lUsed.push_back(pCurves[c]);
            KBvhPoseStream::Keyed& lJoint = lKeyed[c / kCurveCount];
            (c % kCurveCount < 3 ? lJoint.mTranslation : lJoint.mRotation) = true;
        }
    }
    KMotionKeyChunks lChunks(std::move(lUsed), pCapacity);
    KBvhPoseStream lPoses(lFile, lKeyed);
    for (int f = 0; f < lFrames; ++f) {
        pOptions.ReportProgress("Reading BVH nodes", lFile.GetProgress(f));
        if (!lFile.ReadFrame()) {
            return false;
        }
        // After a failure only the parsing goes on: a bad line further down is named first.
        if (!oFailure.IsEmpty()) {
            continue;
        }
        if (f >= pCapacity) {
            oFailure = CannotHoldCurves(lFile);
            continue;
        }
        int lJoint = 0;
        if (!lPoses.Put(lChunks.Next(lStart + lPeriod * f), lJoint)) {
            oFailure = KString(lFile.GetFileName().c_str()) + ": frame " +
                       std::to_string(f + 1).c_str() + ": value out of range for " +
                       KQuoteValue(lFile.GetJoint(lJoint)->mName).c_str();
        } else if (lChunks.IsFull() && !lChunks.Flush()) {
            oFailure = CannotHoldCurves(lFile);
        }
    }
    if (oFailure.IsEmpty() && !lChunks.Flush()) {
        oFailure = CannotHoldCurves(lFile);
    }
    return true;
}

bool KReaderBvh::Place(KRyvScene& ioScene, KRyvNode* pReference, bool pKeepReference)
{
    KRyvNode* lRoot = ioScene.GetRootNode();
    if (pKeepReference) {
        return lRoot->AddChild(pReference);
    }
    while (pReference->GetChildCount() > 0) {
        if (!lRoot->AddChild(pReference->GetChild(0))) {
            return false;
        }
    }
    // Its children have moved, so it goes alone; the rollback no longer needs to undo it, and
    // undoing a node the factory no longer lists is harmless (the factory refuses it).
    return GetOwner()->DestroyNode(pReference, false);
}
