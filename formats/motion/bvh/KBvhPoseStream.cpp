#include "formats/motion/bvh/KBvhPoseStream.h"

#include "animation/KEulerUnroll.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/bvh/KBvhFile.h"

#include <cstdint>
#include <cstring>

KBvhPoseStream::KBvhPoseStream(const KBvhFile& pFile, const std::vector<Keyed>& pKeyed)
    : mFile(pFile)
{
    for (int j = 0; j < pFile.GetJointCount() && j < static_cast<int>(pKeyed.size()); ++j) {
        const Keyed& lKeyed = pKeyed[static_cast<std::size_t>(j)];
        if (!lKeyed.mTranslation && !lKeyed.mRotation) {
            continue;
        }
        Joint lJoint;
        lJoint.mIndex = j;
        lJoint.mFirstValue = pFile.GetJoint(j)->mFirstValue;
        lJoint.mValueCount = pFile.GetJoint(j)->mChannelCount;
        lJoint.mKeyed = lKeyed;
        mJoints.push_back(lJoint);
    }
}

bool KBvhPoseStream::SameValuesAsBefore(const Joint& pJoint, const double* pValues) const
{
    if (mFirstFrame) {
        return false;
    }
    // Bit for bit, without a library call: a joint has six values at most.
    const double* lNow = pValues + pJoint.mFirstValue;
    const double* lBefore = mPrevious.data() + pJoint.mFirstValue;
    std::uint64_t lDifferent = 0;
    for (int i = 0; i < pJoint.mValueCount; ++i) {
        std::uint64_t lNowBits;
        std::uint64_t lBeforeBits;
        std::memcpy(&lNowBits, lNow + i, sizeof lNowBits);
        std::memcpy(&lBeforeBits, lBefore + i, sizeof lBeforeBits);
        lDifferent |= lNowBits ^ lBeforeBits;
    }
    return lDifferent == 0;
}

bool KBvhPoseStream::Put(float* oValues, int& oJoint)
{
    const double* lValues = mFile.GetCurrentValues();
    if (lValues == nullptr) {
        return true;
    }
    ConvertChangedJoints(lValues);
    for (Joint& lJoint : mJoints) {
        Unroll(lJoint);
        const double lKeys[6] = {lJoint.mTranslation[0], lJoint.mTranslation[1],
                                 lJoint.mTranslation[2], lJoint.mUnrolled[0],
                                 lJoint.mUnrolled[1],    lJoint.mUnrolled[2]};
        const int lFirst = lJoint.mKeyed.mTranslation ? 0 : 3;
        const int lEnd = lJoint.mKeyed.mRotation ? 6 : 3;
        // Only a translation can lie beyond single precision: an angle is first within half a
        // turn of zero, then within half a turn of the one before it, and a read puts at most
        // KFCurve::kMaxKeyCount frames.
        if (lJoint.mKeyed.mTranslation && !KMotionNumber::FitsFloat(lKeys, 3)) {
            oJoint = lJoint.mIndex;
            return false;
        }
        for (int c = lFirst; c < lEnd; ++c) {
            *oValues++ = static_cast<float>(lKeys[c]);
        }
    }
    mPrevious.assign(lValues, lValues + mFile.GetTotalChannelCount());
    mFirstFrame = false;
    return true;
}

void KBvhPoseStream::Unroll(Joint& ioJoint) const
{
    // The angles stay in these doubles until they are stored whole: reading a vector back right
    // after writing it piecewise would stall on every joint.
    double lRotation[3] = {ioJoint.mRotation[0], ioJoint.mRotation[1], ioJoint.mRotation[2]};
    if (!mFirstFrame) {
        // Read values are finite, so are the angles of their rotation, and an unrolled angle
        // lies within half a turn of the one before it.
        KEulerUnroll::UnrollFiniteXYZ(lRotation, ioJoint.mUnrolled.GetData());
    }
    ioJoint.mUnrolled.Set(lRotation[0], lRotation[1], lRotation[2], ioJoint.mRotation[3]);
}

void KBvhPoseStream::ConvertChangedJoints(const double* pValues)
{
    mChanged.clear();
    mChangedIndexes.clear();
    for (std::size_t j = 0; j < mJoints.size(); ++j) {
        if (!SameValuesAsBefore(mJoints[j], pValues)) {
            mChanged.push_back(j);
            mChangedIndexes.push_back(mJoints[j].mIndex);
        }
    }
    const int lCount = static_cast<int>(mChanged.size());
    mMatrices.resize(mChanged.size());
    mTranslations.resize(mChanged.size());
    mRotations.resize(mChanged.size());
    // The joints are the file's own and a frame has been read, so the poses are always there.
    if (mFile.GetCurrentPoses(mChangedIndexes.data(), lCount, mMatrices.data(),
                              mTranslations.data(), mRotations.data())) {
        for (std::size_t c = 0; c < mChanged.size(); ++c) {
            mJoints[mChanged[c]].mTranslation = mTranslations[c];
            mJoints[mChanged[c]].mRotation = mRotations[c];
        }
    }
}
