#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHPOSESTREAM_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHPOSESTREAM_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

#include <cstddef>
#include <vector>

class KBvhFile;

// Turns the frame a KBvhFile has just read into the key values of the joints' curves, frame
// after frame: per joint its translation X, Y, Z where it has them, then its rotation X, Y, Z in
// degrees, unrolled to the representation nearest the joint's previous frame, each as the single
// precision value a key holds. A joint whose channel values are the previous frame's, bit for
// bit, keeps the pose they gave, which is what converting them again would give. The angles are
// KBvhFile::GetCurrentPoses's, the same on every machine.
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
    KBvhPoseStream(const KBvhFile& pFile, const std::vector<Keyed>& pKeyed);

    // After each frame the file reads: that frame's values, in joint order, into oValues (room
    // for every keyed curve); nothing before the file's first frame. False, with the index of the
    // joint in oJoint, when a value lies beyond single precision; the stream puts no further
    // frame then.
    bool Put(float* oValues, int& oJoint);

private:
    struct Joint
    {
        int mIndex = 0;
        int mFirstValue = 0;
        int mValueCount = 0;
        Keyed mKeyed;
        // The pose the joint's values last gave, before unrolling; then the rotation last put.
        KVector4 mTranslation;
        KVector4 mRotation;
        KVector4 mUnrolled;
    };

    bool SameValuesAsBefore(const Joint& pJoint, const double* pValues) const;
    // The poses of the joints whose values changed, all together.
    void ConvertChangedJoints(const double* pValues);
    // The joint's rotation unrolled against the one it last put, into mUnrolled.
    void Unroll(Joint& ioJoint) const;

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
};

#endif
