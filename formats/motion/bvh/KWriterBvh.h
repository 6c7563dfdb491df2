#ifndef RYVKIT_FORMATS_MOTION_BVH_KWRITERBVH_H
#define RYVKIT_FORMATS_MOTION_BVH_KWRITERBVH_H

#include "core/KTime.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KMotionTextWriter.h"
#include "formats/motion/bvh/KBvhJointSampler.h"
#include "formats/motion/bvh/KBvhValueText.h"

#include <memory>
#include <vector>

class KBvhFile;
class KRyvNode;
class KStreamOptionsMotion;

// Writes the skeleton of a scene and its animation over the options' span as a BVH file. The
// root joint is the writer's FindReferenceNode; joint names are the node names without their
// type prefix ("Model::Hips" is written "Hips"), so that a file read and written keeps its names.
// Rotations are written in the order Zrotation Xrotation Yrotation, three channels for every joint
// but the root unless option 0 of the KStreamOptionsMotion is 1; a child joint whose translation
// moves (KMotionJointTranslation) gets six all the same, and one held at another value than its
// rest offset has that value as its OFFSET. With option 13 at 1 the root is
// written in global space. Lines end in LF. A joint's three angles are rounded to the last digit
// printed of the largest of them, so that a file the writer made reads back and writes out byte for
// byte the same.
//
// A childless node is written as an End Site when it is one by the BVH rules (see IsEndSite);
// otherwise it is a joint with an End Site made from its limits' axis.
//
// Errors (KWriter table): no file, kFileNotOpened; no root, kFileNotCreated with "Can not find
// root node."; no or wrong option set, kStreamOptionsNotSet; a name with a blank, tab or line
// break, kUnidentifiedError after the options' message "Error"; a value that is not finite, a
// name the format cannot hold or no memory left, kUnidentifiedError; a write or the final flush
// that fails (a full disk), kOutOfDiskSpace. Write closes the file, so the flush is checked before
// it answers. The text goes to a new file beside the target that replaces it only when Write
// succeeds: after a failed Write, or a FileClose without a Write that succeeded, the file that was
// there is untouched (KTextFile, KOutputFile).
class KWriterBvh : public KMotionTextWriter
{
public:
    static constexpr int kOptionSixChannels = 0;
    static constexpr int kOptionGlobalRoot = 13;
    static constexpr int kOptionWritten = 14;

    explicit KWriterBvh(KRyvObjectFactory* pOwner);
    ~KWriterBvh() override;

    // A KStreamOptionsMotion with option 0 at 0, 13 at 0 and 14 at 1.
    std::unique_ptr<KStreamOptions> GetWriteOptions() override;
    // "no skeleton under a single root joint" when FindReferenceNode finds no root to write.
    const char* FindMissingContent(KRyvScene* pScene) override;

    // A childless node whose parent has no other child, and which either carries no limb-node
    // skeleton, or has no key on its transform curves in a current take other than the default
    // one, or has "_EndSite" in its name.
    static bool IsEndSite(KRyvNode* pNode);

    // The creator the file-format table lists.
    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

private:
    std::unique_ptr<KTextFile> NewFile() const override;
    KBvhFile& File() const;
    // A scene without a root joint (FindReferenceNode): kFileNotCreated.
    bool CheckScene(KRyvScene* pScene) override;
    // Names with a blank, tab or line break: kUnidentifiedError after the options' message.
    bool CheckWrite(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    bool WriteScene(KRyvScene& pScene, const KStreamOptionsMotion& pOptions) override;
    // kFileNotOpened with "<name>: <cause>".
    bool FailOpen(const char* pFileName) override;
    // Writes the joint blocks and lists the joints in their order for the frame lines; a child
    // joint's channels follow what its translation does at pFrames (KMotionJointTranslation).
    bool WriteHierarchy(KRyvNode* pRoot, const KMotionTakeSpan::Frames& pFrames);

    // A joint's values at one frame, as its frame line prints them.
    struct JointValues
    {
        KVector4 mTranslation;
        KVector4 mAngles;
        KBvhDecimals mDecimals;
    };
    // A node written as a joint (not as an End Site), with its sampler and the values of the
    // frame it last sampled, kept while its curves give the same values.
    struct FrameJoint
    {
        KRyvNode* mNode;
        KBvhJointSampler mSampler;
        JointValues mLast;
        // Rotations only: a child joint whose translation does not move.
        bool mThreeChannels;
    };

    // The joints' values at the times of mBlockTimes, joint by joint: each joint's curves are
    // walked through the block at once, which keeps their keys and the arithmetic at hand.
    void SampleBlock(KRyvNode* pRoot);
    // The root's values in global space at one time, into its mLast.
    void SampleGlobalRoot(FrameJoint& ioJoint, KTime pTime);
    // A joint's values from its local transform at every time of the block, into oValues (one
    // per time), and the last of them into its mLast.
    void SampleLocalJoint(FrameJoint& ioJoint, JointValues* oValues);
    // The line of frame pFrame of the block.
    bool WriteBlockFrame(KRyvNode* pRoot, std::size_t pFrame);

    bool mGlobalRoot = false;
    bool mThreeChannels = true;
    // In the order of the frame values.
    std::vector<FrameJoint> mFrameJoints;
    // The frames sampled ahead of their lines: their times, and the values of joint j at frame f
    // of the block at j * (frames in the block) + f.
    std::vector<KTime> mBlockTimes;
    std::vector<JointValues> mBlock;
    // One joint's poses through the block: whether each frame's is the one before, and the frames
    // whose poses changed with those poses and their channel angles.
    struct PoseScratch
    {
        std::vector<char> mSame;
        std::vector<std::size_t> mChangedFrames;
        std::vector<KVector4> mRotations;
        std::vector<KVector4> mScalings;
        std::vector<KVector4> mAngles;
        std::vector<KBvhDecimals> mDecimals;
    };
    PoseScratch mPoseScratch;
};

#endif
