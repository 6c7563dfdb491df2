#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHPOSESTREAM_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHPOSESTREAM_H

#include "core/KMatrix.h"
#include "core/KVector4.h"
#include "formats/motion/bvh/KBvhQuickAngles.h"
#include "formats/motion/bvh/KBvhUnrollProof.h"

#include <cstddef>
#include <memory>
#include <vector>

class KBvhFile;

// Turns the frame a KBvhFile has just read into the key values of the joints' curves, frame
// after frame: per joint its translation X, Y, Z where it has them, then its rotation X, Y, Z in
// degrees, unrolled to the representation nearest the joint's previous frame, each as the single
// precision value a key holds. A joint whose channel values are the previous frame's, bit for
// bit, keeps the pose they gave, which is what converting them again would give.
//
// With quick angles (the default), the joints with three distinct rotation channels take their
// angles from KBvhQuickAngles, each joint's within a bound of the library path's, and their
// unroll from KBvhUnrollProof; a joint-frame whose keys are proven the library's, bit for bit
// (KMotionQuickEuler::SameFloat on the unrolled values), keeps the quick values and their bound
// as its state. Any other joint-frame falls back to the library path, which needs the library's
// own state: its angles come from the frame's channel values again, and its unrolled angles of
// the frame before from that frame's channel values (kept for the comparison of values anyway)
// and the decisions the proven unroll took there (KBvhUnrollProof::Replay). A zero key is never
// proven (its sign is not known), so the joint-frames that turn about one axis only, whose other
// angles are zeros, take the library path from the start. The keys are the same with quick angles
// or without; only the time differs.
//
// The file (not owned) must outlive the stream and keep the joint list it had when the stream
// was made.
class KBvhPoseStream
{
public:
    // pKeyed holds, per joint of the file, whether its translation and its rotation are keyed.
    struct Keyed
    {
        bool mTranslation = false;
        bool mRotation = false;
    };
    enum EAngles { eLibraryAngles, eQuickAngles };

    KBvhPoseStream(const KBvhFile& pFile, const std::vector<Keyed>& pKeyed,
                   EAngles pAngles = eQuickAngles);

    // After each frame the file reads: that frame's values, in joint order, into oValues (room
    // for every keyed curve); nothing before the file's first frame. False, with the index of the
    // joint in oJoint, when a value lies beyond single precision; the stream puts no further
    // frame then.
    bool Put(float* oValues, int& oJoint);

    // Joint-frames put through the quick path, and those of them that fell back to the library
    // path (for tests and tuning).
    long long GetQuickCount() const { return mQuickCount; }
    long long GetFallbackCount() const { return mFallbackCount; }

private:
    // The kinds of rotation order a joint's three distinct rotation channels can list.
    static constexpr int kOrderCount = 6;

    struct Joint
    {
        int mIndex = 0;
        int mFirstValue = 0;
        int mValueCount = 0;
        Keyed mKeyed;
        // For the quick path: the kind of order (-1: the library path only), the axes and the
        // places among the joint's values of its rotation channels, in listed order, and of its
        // X, Y and Z position channels (-1: none).
        int mOrder = -1;
        int mAxes[3] = {0, 0, 0};
        int mTurnValues[3] = {0, 0, 0};
        int mPositionPlaces[3] = {-1, -1, -1};
        // The pose the joint's values last gave, before unrolling; then the rotation last put.
        KVector4 mTranslation;
        KVector4 mRotation;
        KVector4 mUnrolled;
        // How far mRotation and mUnrolled may lie from the library's (0: they are its own), and
        // how the library's mUnrolled came from the angles of the frame before: unrolled with
        // these decisions, or taken as they were (the first frame).
        double mRotationBound = 0.0;
        double mUnrolledBound = 0.0;
        KBvhUnrollProof::Decisions mDecisions;
        bool mUnrolledAsRead = false;
        // Whether the quick unroll has put this frame's rotation.
        bool mQuickPut = false;
    };
    // Changed joints of one kind of order waiting for a quick conversion.
    struct Block
    {
        int mCount = 0;
        std::size_t mJoints[KBvhQuickAngles::kMaxCount];
        double mDegrees[3][KBvhQuickAngles::kMaxCount];
    };

    // Quick joints waiting for their unroll to be proven, and the results.
    struct UnrollBlock
    {
        int mCount = 0;
        std::size_t mJoints[KBvhQuickAngles::kMaxCount];
        double mCurrent[3][KBvhQuickAngles::kMaxCount];
        double mCurrentBound[KBvhQuickAngles::kMaxCount];
        double mPrevious[3][KBvhQuickAngles::kMaxCount];
        double mPreviousBound[KBvhQuickAngles::kMaxCount];
        double mUnrolled[3][KBvhQuickAngles::kMaxCount];
        double mBound[KBvhQuickAngles::kMaxCount];
        double mTurns[3][KBvhQuickAngles::kMaxCount];
        bool mOther[KBvhQuickAngles::kMaxCount];
        bool mProven[KBvhQuickAngles::kMaxCount];
        bool mSameFloat[3][KBvhQuickAngles::kMaxCount];
    };

    // Whether at least two of a quick joint's channel angles are zeros: a turn about one axis
    // (or none), whose other angles are zeros of the library's signs, which no bound can prove.
    // Those joint-frames take the library path.
    static bool TurnsAboutOneAxis(const Joint& pJoint, const double* pValues)
    {
        const double* lValues = pValues + pJoint.mFirstValue;
        const int lZeros = (lValues[pJoint.mTurnValues[0]] == 0.0) +
                           (lValues[pJoint.mTurnValues[1]] == 0.0) +
                           (lValues[pJoint.mTurnValues[2]] == 0.0);
        return lZeros >= 2;
    }
    bool SameValuesAsBefore(const Joint& pJoint, const double* pValues) const;
    // The poses of the joints whose values changed, all together.
    void ConvertChangedJoints(const double* pValues);
    void AddToBlock(std::size_t pJoint, const double* pValues);
    void ConvertBlock(Block& ioBlock);
    // The joint's rotation angles from the channel values of pFrame by the library path.
    void LibraryRotation(const Joint& pJoint, const double* pFrame, double oAngles[3]) const;
    // The joint's rotation unrolled by the library path into mUnrolled.
    void LibraryUnroll(Joint& ioJoint);
    // The joints whose rotation or state is quick: their unroll proven, or done by the library
    // path on the library's own angles and state (MakeExact); mQuickPut set for them.
    void UnrollQuickJoints(const double* pValues);
    void ProveBlock(const double* pValues);
    void MakeExact(Joint& ioJoint, const double* pValues);

    const KBvhFile& mFile;
    std::vector<Joint> mJoints;
    // The previous frame's values, once a frame has been put.
    std::vector<double> mPrevious;
    bool mFirstFrame = true;
    // Room for ConvertChangedJoints, kept from frame to frame: the changed joints' places in
    // mJoints and in the file, their rotation matrices and their poses.
    std::vector<std::size_t> mChanged;
    std::vector<int> mChangedIndexes;
    std::vector<KMatrix> mMatrices;
    std::vector<KVector4> mTranslations;
    std::vector<KVector4> mRotations;
    std::vector<Block> mBlocks;
    // Made with the blocks: a read keeps its stream on the stack.
    std::unique_ptr<UnrollBlock> mUnrollBlock;
    long long mQuickCount = 0;
    long long mFallbackCount = 0;
};

#endif
