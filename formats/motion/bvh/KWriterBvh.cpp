#include "formats/motion/bvh/KWriterBvh.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionEuler.h"
#include "formats/motion/KMotionJointTranslation.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KBvhChannelAngles.h"
#include "formats/motion/bvh/KBvhFile.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

// The joint-frames sampled ahead of their lines: a block of frames spans at least one frame and
// about this many joint-frames, so that a skeleton of many joints keeps little in the block.
constexpr int kBlockJointFrames = 16384;

KVector4 TranslationOf(const KMatrix& pMatrix)
{
    return KVector4(pMatrix[3][0], pMatrix[3][1], pMatrix[3][2]);
}

bool HasTransformKeys(KRyvTakeNode& pTake)
{
    static const char* const kKinds[2] = {"T", "R"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    for (const char* lKind : kKinds) {
        for (const char* lAxis : kAxes) {
            if (pTake.IsAnimated("Transform", lKind, lAxis)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

KWriterBvh::KWriterBvh(KRyvObjectFactory* pOwner) : KMotionTextWriter(pOwner) {}

KWriterBvh::~KWriterBvh() = default;

std::unique_ptr<KWriter> KWriterBvh::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterBvh(pOwner));
}

std::unique_ptr<KTextFile> KWriterBvh::NewFile() const
{
    return std::make_unique<KBvhFile>(false);
}

KBvhFile& KWriterBvh::File() const
{
    return *static_cast<KBvhFile*>(GetFile());
}

std::unique_ptr<KStreamOptions> KWriterBvh::GetWriteOptions()
{
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    if (!lOptions) {
        return nullptr;
    }
    lOptions->SetOption(kOptionSixChannels, 0);
    lOptions->SetOption(kOptionGlobalRoot, 0);
    lOptions->SetOption(kOptionWritten, 1);
    return std::unique_ptr<KStreamOptions>(lOptions.release());
}

bool KWriterBvh::FailOpen(const char* pFileName)
{
    return FailCreate(kFileNotOpened, pFileName);
}

bool KWriterBvh::CheckScene(KRyvScene* pScene)
{
    return CheckRootJoint(pScene, "Can not find root node.");
}

bool KWriterBvh::CheckWrite(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    return CheckSpaces(FindReferenceNode(pScene.GetRootNode()), pOptions, "BVH");
}

const char* KWriterBvh::FindMissingContent(KRyvScene* pScene)
{
    return pScene && FindReferenceNode(pScene->GetRootNode())
               ? nullptr
               : "no skeleton under a single root joint";
}

bool KWriterBvh::WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions)
{
    KRyvNode* lRoot = FindReferenceNode(pScene.GetRootNode());
    mThreeChannels = pOptions.GetOption(kOptionSixChannels) != 1;
    mGlobalRoot = pOptions.GetOption(kOptionGlobalRoot) == 1;
    if (!WriteHierarchy(lRoot, KMotionTakeSpan::FramesToWrite(pScene, pOptions))) {
        return false;
    }
    const int lFrames = pOptions.GetFrameCount();
    const KTime lPeriod = pOptions.GetFramePeriod();
    if (!File().WriteMotionHeader(lFrames, lPeriod.GetSecondDouble())) {
        return FailPrint();
    }
    const int lJoints = std::max(1, static_cast<int>(mFrameJoints.size()));
    const int lPerBlock = std::max(1, kBlockJointFrames / lJoints);
    KTime lTime = pOptions.GetStart();
    for (int lFirst = 0; lFirst < lFrames;) {
        const int lCount = std::min(lPerBlock, lFrames - lFirst);
        mBlockTimes.clear();
        for (int f = 0; f < lCount; ++f) {
            mBlockTimes.push_back(lTime);
            lTime += lPeriod;
        }
        SampleBlock(lRoot);
        for (int f = 0; f < lCount; ++f, ++lFirst) {
            pOptions.ReportProgress(
                "Writing BVH nodes",
                static_cast<float>(static_cast<std::int64_t>(lFirst) * 100 / lFrames));
            if (!WriteBlockFrame(lRoot, static_cast<std::size_t>(f)) || !File().WriteFrameEnd()) {
                return FailPrint();
            }
        }
    }
    return true;
}

bool KWriterBvh::IsEndSite(KRyvNode* pNode)
{
    if (!pNode || pNode->GetChildCount() > 0) {
        return false;
    }
    KRyvNode* lParent = pNode->GetParent();
    if (lParent && lParent->GetChildCount() != 1) {
        return false;
    }
    const KRyvSkeleton* lSkeleton = pNode->GetSkeleton();
    if (!lSkeleton || lSkeleton->GetSkeletonType() != KRyvSkeleton::eLimbNode) {
        return true;
    }
    const int lCurrent = pNode->GetCurrentTakeNodeIndex();
    KRyvTakeNode* lTake = lCurrent > 0 ? pNode->GetTakeNode(lCurrent) : nullptr;
    if (!lTake || !HasTransformKeys(*lTake)) {
        return true;
    }
    return std::string(pNode->GetName().Buffer()).find("_EndSite") != std::string::npos;
}

bool KWriterBvh::WriteHierarchy(KRyvNode* pRoot, const KMotionTakeSpan::Frames& pFrames)
{
    // Depth first with an explicit stack: an entry is a node to open, or (second) the closing
    // brace of a joint at that indent.
    struct Step
    {
        KRyvNode* mNode;
        int mIndent;
        bool mClose;
    };
    std::vector<Step> lSteps{{pRoot, 0, false}};
    mFrameJoints.clear();
    while (!lSteps.empty()) {
        const Step lStep = lSteps.back();
        lSteps.pop_back();
        if (lStep.mClose) {
            if (!File().WriteJointEnd(lStep.mIndent)) {
                return FailPrint();
            }
            continue;
        }
        KRyvNode* lNode = lStep.mNode;
        const bool lIsRoot = lNode == pRoot;
        // A joint's own offset is worked out without keeping it: a wide scene's nodes would
        // each keep an evaluation cache for one look.
        KMatrix lLocal;
        if (!(lIsRoot && mGlobalRoot)) {
            lNode->EvaluateLocalMatrix(lLocal, true, KTime());
        }
        const KVector4 lOffset =
            TranslationOf(lIsRoot && mGlobalRoot ? lNode->GetDefaultGlobalMatrix() : lLocal);
        if (!lIsRoot && IsEndSite(lNode)) {
            if (!File().WriteEndSite(lOffset, lStep.mIndent)) {
                return FailPrint();
            }
            continue;
        }
        // A child joint keeps three channels while its translation holds still or at one value
        // (its offset then); one that moves gets position channels of its own.
        KVector4 lJointOffset = lOffset;
        const bool lThree = mThreeChannels && !lIsRoot &&
                            KMotionJointTranslation::Classify(*lNode, pFrames, lJointOffset) !=
                                KMotionJointTranslation::eMoving;
        if (!File().WriteJointHeader(lNode->GetNameWithoutPrefix().Buffer(), lIsRoot,
                                     lThree ? lJointOffset : lOffset, lStep.mIndent, lThree,
                                     true)) {
            return FailPrint();
        }
        mFrameJoints.push_back({lNode, KBvhJointSampler(*lNode), JointValues(), lThree});
        lSteps.push_back({lNode, lStep.mIndent, true});
        if (lNode->GetChildCount() == 0) {
            // A leaf joint ends in an End Site along its limits' bone axis.
            KRyvNodeLimits& lLimits = lNode->GetLimits();
            lLimits.ComputeAutoLimits(lNode);
            const KVector4 lAxis = lLimits.GetRotationAxis();
            const KMatrix lAxisMatrix = KMotionEuler::EulerXYZToMatrix(lAxis);
            const double lLength = lLimits.GetAxisLength();
            const KVector4 lEnd(lAxisMatrix[0][0] * lLength, lAxisMatrix[0][1] * lLength,
                                lAxisMatrix[0][2] * lLength);
            if (!File().WriteEndSite(lEnd, lStep.mIndent + 1)) {
                return FailPrint();
            }
            continue;
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lSteps.push_back({lNode->GetChild(i), lStep.mIndent + 1, false});
        }
    }
    return true;
}

void KWriterBvh::SampleBlock(KRyvNode* pRoot)
{
    const std::size_t lFrames = mBlockTimes.size();
    mBlock.resize(mFrameJoints.size() * lFrames);
    JointValues* lValues = mBlock.data();
    for (FrameJoint& lJoint : mFrameJoints) {
        if (lJoint.mNode == pRoot && mGlobalRoot) {
            for (const KTime lTime : mBlockTimes) {
                SampleGlobalRoot(lJoint, lTime);
                *lValues++ = lJoint.mLast;
            }
        } else {
            SampleLocalJoint(lJoint, lValues);
            lValues += lFrames;
        }
    }
}

void KWriterBvh::SampleGlobalRoot(FrameJoint& ioJoint, KTime pTime)
{
    JointValues& lLast = ioJoint.mLast;
    const KMatrix& lMatrix = ioJoint.mNode->GetGlobalMatrixAtTime(pTime);
    lLast.mTranslation = TranslationOf(lMatrix);
    lLast.mAngles = KBvhChannelAngles::Of(lMatrix, lLast.mDecimals);
}

void KWriterBvh::SampleLocalJoint(FrameJoint& ioJoint, JointValues* oValues)
{
    // The poses that changed are worked out together; a frame whose pose did not change repeats
    // the values of the frame before.
    const std::size_t lFrames = mBlockTimes.size();
    PoseScratch& lScratch = mPoseScratch;
    lScratch.mSame.resize(lFrames);
    lScratch.mChangedFrames.clear();
    lScratch.mRotations.clear();
    lScratch.mScalings.clear();
    for (std::size_t f = 0; f < lFrames; ++f) {
        bool lSame = false;
        // Taken value by value: copied whole, a pose just stored value by value would wait.
        const double* lPose = ioJoint.mSampler.ValuesAt(mBlockTimes[f], lSame);
        lScratch.mSame[f] = lSame;
        if (!lSame) {
            // A local matrix holds the translation as it stands.
            oValues[f].mTranslation = KVector4(lPose[0], lPose[1], lPose[2]);
            lScratch.mChangedFrames.push_back(f);
            lScratch.mRotations.emplace_back(lPose[3], lPose[4], lPose[5]);
            lScratch.mScalings.emplace_back(lPose[6], lPose[7], lPose[8]);
        }
    }
    const std::size_t lChanged = lScratch.mChangedFrames.size();
    lScratch.mAngles.resize(lChanged);
    lScratch.mDecimals.resize(lChanged);
    KBvhChannelAngles::OfPoses(static_cast<int>(lChanged), lScratch.mRotations.data(),
                               lScratch.mScalings.data(), lScratch.mAngles.data(),
                               lScratch.mDecimals.data());
    for (std::size_t i = 0; i < lChanged; ++i) {
        JointValues& lValues = oValues[lScratch.mChangedFrames[i]];
        lValues.mAngles = lScratch.mAngles[i];
        lValues.mDecimals = lScratch.mDecimals[i];
    }
    for (std::size_t f = 0; f < lFrames; ++f) {
        if (lScratch.mSame[f]) {
            oValues[f] = f > 0 ? oValues[f - 1] : ioJoint.mLast;
        }
    }
    if (lFrames > 0) {
        ioJoint.mLast = oValues[lFrames - 1];
    }
}

bool KWriterBvh::WriteBlockFrame(KRyvNode* pRoot, std::size_t pFrame)
{
    const std::size_t lStride = mBlockTimes.size();
    for (std::size_t j = 0; j < mFrameJoints.size(); ++j) {
        const JointValues& lValues = mBlock[j * lStride + pFrame];
        if (!File().WriteJointFrame(mFrameJoints[j].mNode == pRoot, lValues.mTranslation,
                                    lValues.mAngles, mFrameJoints[j].mThreeChannels,
                                    &lValues.mDecimals)) {
            return false;
        }
    }
    return true;
}
