#include "formats/motion/bvh/KBvhPoseStream.h"

#include "animation/KEulerUnroll.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/bvh/KBvhFile.h"

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
    return !mPrevious.empty() &&
           std::memcmp(pValues + pJoint.mFirstValue, &mPrevious[pJoint.mFirstValue],
                       static_cast<std::size_t>(pJoint.mValueCount) * sizeof(double)) == 0;
}

bool KBvhPoseStream::Put(float* oValues, int& oJoint)
{
    const double* lValues = mFile.GetCurrentValues();
    const bool lFirstFrame = mPrevious.empty();
    for (Joint& lJoint : mJoints) {
        if (!SameValuesAsBefore(lJoint, lValues) &&
            !mFile.GetCurrentPose(lJoint.mIndex, lJoint.mTranslation, lJoint.mRotation)) {
            continue;
        }
        KVector4 lRotation = lJoint.mRotation;
        if (!lFirstFrame) {
            KEulerUnroll::Unroll(lRotation, lJoint.mUnrolled, 0);
        }
        lJoint.mUnrolled = lRotation;
        const double lKeys[6] = {lJoint.mTranslation[0], lJoint.mTranslation[1],
                                 lJoint.mTranslation[2], lRotation[0],
                                 lRotation[1],           lRotation[2]};
        const int lFirst = lJoint.mKeyed.mTranslation ? 0 : 3;
        const int lEnd = lJoint.mKeyed.mRotation ? 6 : 3;
        if (!KMotionNumber::FitsFloat(lKeys + lFirst, lEnd - lFirst)) {
            oJoint = lJoint.mIndex;
            return false;
        }
        for (int c = lFirst; c < lEnd; ++c) {
            *oValues++ = static_cast<float>(lKeys[c]);
        }
    }
    mPrevious.assign(lValues, lValues + mFile.GetTotalChannelCount());
    return true;
}
