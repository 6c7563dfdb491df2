#include "formats/motion/bvh/KBvhPoseStream.h"

#include "animation/KEulerUnroll.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionQuickEuler.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/bvh/KBvhFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// A quick value's bound is never 0, which marks the library's own values.
constexpr double kLeastBound = std::numeric_limits<double>::denorm_min();

// The listed rotation channels of a joint with three distinct ones: their axes and their places
// among its values. False for any other joint.
bool ThreeDistinctTurns(const KBvhJoint& pJoint, int oAxes[3], int oPlaces[3])
{
    int lTurns = 0;
    bool lSeen[3] = {false, false, false};
    for (int i = 0; i < pJoint.mChannelCount; ++i) {
        const int lAxis = pJoint.mChannels[i] - KBvhJoint::eXrotation;
        if (lAxis < 0) {
            continue;
        }
        if (lTurns == 3 || lSeen[lAxis]) {
            return false;
        }
        lSeen[lAxis] = true;
        oAxes[lTurns] = lAxis;
        oPlaces[lTurns] = i;
        ++lTurns;
    }
    return lTurns == 3;
}

} // namespace

KBvhPoseStream::KBvhPoseStream(const KBvhFile& pFile, const std::vector<Keyed>& pKeyed,
                               EAngles pAngles)
    : mFile(pFile)
{
    for (int j = 0; j < pFile.GetJointCount() && j < static_cast<int>(pKeyed.size()); ++j) {
        const Keyed& lKeyed = pKeyed[static_cast<std::size_t>(j)];
        if (!lKeyed.mTranslation && !lKeyed.mRotation) {
            continue;
        }
        const KBvhJoint& lFileJoint = *pFile.GetJoint(j);
        Joint lJoint;
        lJoint.mIndex = j;
        lJoint.mFirstValue = lFileJoint.mFirstValue;
        lJoint.mValueCount = lFileJoint.mChannelCount;
        lJoint.mKeyed = lKeyed;
        if (pAngles == eQuickAngles &&
            ThreeDistinctTurns(lFileJoint, lJoint.mAxes, lJoint.mTurnValues)) {
            lJoint.mTranslation.Set(lFileJoint.mOffset[0], lFileJoint.mOffset[1],
                                    lFileJoint.mOffset[2]);
            for (int c = 0; c < lFileJoint.mChannelCount; ++c) {
                if (lFileJoint.mChannels[c] <= KBvhJoint::eZposition) {
                    lJoint.mPositionPlaces[lFileJoint.mChannels[c]] = c;
                }
            }
            lJoint.mOrder = KMotionRotationOrder::ToOrderedIndex(
                                lJoint.mAxes, KMotionRotationOrder::eFirstOutermost) /
                            2;
        }
        mJoints.push_back(lJoint);
    }
    if (pAngles == eQuickAngles) {
        mBlocks.resize(kOrderCount);
        mUnrollBlock = std::make_unique<UnrollBlock>();
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
    UnrollQuickJoints(lValues);
    for (Joint& lJoint : mJoints) {
        if (!lJoint.mQuickPut) {
            LibraryUnroll(lJoint);
        }
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

void KBvhPoseStream::LibraryUnroll(Joint& ioJoint)
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

void KBvhPoseStream::UnrollQuickJoints(const double* pValues)
{
    if (mBlocks.empty()) {
        return;
    }
    UnrollBlock& lBlock = *mUnrollBlock;
    lBlock.mCount = 0;
    for (std::size_t j = 0; j < mJoints.size(); ++j) {
        Joint& lJoint = mJoints[j];
        lJoint.mQuickPut = lJoint.mRotationBound != 0.0 || lJoint.mUnrolledBound != 0.0;
        if (!lJoint.mQuickPut) {
            continue;
        }
        const int f = lBlock.mCount;
        lBlock.mJoints[f] = j;
        for (int i = 0; i < 3; ++i) {
            lBlock.mCurrent[i][f] = lJoint.mRotation[i];
            lBlock.mPrevious[i][f] = lJoint.mUnrolled[i];
        }
        lBlock.mCurrentBound[f] = lJoint.mRotationBound;
        lBlock.mPreviousBound[f] = lJoint.mUnrolledBound;
        if (++lBlock.mCount == KBvhQuickAngles::kMaxCount) {
            ProveBlock(pValues);
            lBlock.mCount = 0;
        }
    }
    if (lBlock.mCount > 0) {
        ProveBlock(pValues);
    }
}

void KBvhPoseStream::ProveBlock(const double* pValues)
{
    UnrollBlock& b = *mUnrollBlock;
    const int lCount = b.mCount;
    if (mFirstFrame) {
        // Nothing to unroll against: the angles are the keys.
        for (int f = 0; f < lCount; ++f) {
            for (int i = 0; i < 3; ++i) {
                b.mUnrolled[i][f] = b.mCurrent[i][f];
                b.mTurns[i][f] = 0.0;
            }
            b.mBound[f] = b.mCurrentBound[f];
            b.mOther[f] = false;
            b.mProven[f] = true;
        }
    } else {
        const KBvhUnrollProof::Block lCurrent = {{b.mCurrent[0], b.mCurrent[1], b.mCurrent[2]},
                                                 b.mCurrentBound};
        const KBvhUnrollProof::Block lPrevious = {{b.mPrevious[0], b.mPrevious[1], b.mPrevious[2]},
                                                  b.mPreviousBound};
        const KBvhUnrollProof::Result lResult = {{b.mUnrolled[0], b.mUnrolled[1], b.mUnrolled[2]},
                                                 b.mBound,
                                                 {b.mTurns[0], b.mTurns[1], b.mTurns[2]},
                                                 b.mOther,
                                                 b.mProven};
        KBvhUnrollProof::Unroll(lCount, lCurrent, lPrevious, lResult);
    }
    for (int i = 0; i < 3; ++i) {
        KMotionQuickEuler::SameFloat(lCount, b.mUnrolled[i], b.mBound, b.mSameFloat[i]);
    }
    mQuickCount += lCount;
    for (int f = 0; f < lCount; ++f) {
        Joint& lJoint = mJoints[b.mJoints[f]];
        if (b.mProven[f] && b.mSameFloat[0][f] && b.mSameFloat[1][f] && b.mSameFloat[2][f]) {
            lJoint.mUnrolled.Set(b.mUnrolled[0][f], b.mUnrolled[1][f], b.mUnrolled[2][f],
                                 lJoint.mRotation[3]);
            lJoint.mUnrolledBound = std::max(b.mBound[f], kLeastBound);
            for (int i = 0; i < 3; ++i) {
                lJoint.mDecisions.mTurns[i] = b.mTurns[i][f];
            }
            lJoint.mDecisions.mOther = b.mOther[f];
            lJoint.mUnrolledAsRead = mFirstFrame;
        } else {
            ++mFallbackCount;
            MakeExact(lJoint, pValues);
            LibraryUnroll(lJoint);
        }
    }
}

void KBvhPoseStream::MakeExact(Joint& ioJoint, const double* pValues)
{
    double lAngles[3];
    LibraryRotation(ioJoint, pValues, lAngles);
    ioJoint.mRotation.Set(lAngles[0], lAngles[1], lAngles[2], ioJoint.mRotation[3]);
    ioJoint.mRotationBound = 0.0;
    if (ioJoint.mUnrolledBound == 0.0 || mFirstFrame) {
        ioJoint.mUnrolledBound = 0.0;
        return;
    }
    // The previous frame's values gave the quick state.
    double lBefore[3];
    LibraryRotation(ioJoint, mPrevious.data(), lBefore);
    double lUnrolled[3] = {lBefore[0], lBefore[1], lBefore[2]};
    if (!ioJoint.mUnrolledAsRead) {
        KBvhUnrollProof::Replay(lBefore, ioJoint.mDecisions, lUnrolled);
    }
    ioJoint.mUnrolled.Set(lUnrolled[0], lUnrolled[1], lUnrolled[2], ioJoint.mUnrolled[3]);
    ioJoint.mUnrolledBound = 0.0;
}

void KBvhPoseStream::LibraryRotation(const Joint& pJoint, const double* pFrame,
                                     double oAngles[3]) const
{
    // The steps KBvhFile::GetCurrentPoses takes for a joint's rotation, so the bits are its own.
    const double* lValues = pFrame + pJoint.mFirstValue;
    const double lListed[3] = {lValues[pJoint.mTurnValues[0]], lValues[pJoint.mTurnValues[1]],
                               lValues[pJoint.mTurnValues[2]]};
    KMatrix lRotation;
    KMotionRotationOrder::AnglesToMatrix(lRotation, pJoint.mAxes, lListed, 3,
                                         KMotionRotationOrder::eFirstOutermost);
    KVector4 lEuler;
    MatrixToEulerXYZ(lEuler, lRotation);
    for (int i = 0; i < 3; ++i) {
        oAngles[i] = lEuler[i];
    }
}

void KBvhPoseStream::ConvertChangedJoints(const double* pValues)
{
    mChanged.clear();
    mChangedIndexes.clear();
    for (std::size_t j = 0; j < mJoints.size(); ++j) {
        if (SameValuesAsBefore(mJoints[j], pValues)) {
            continue;
        }
        if (mJoints[j].mOrder >= 0 && !TurnsAboutOneAxis(mJoints[j], pValues)) {
            AddToBlock(j, pValues);
        } else {
            mChanged.push_back(j);
            mChangedIndexes.push_back(mJoints[j].mIndex);
        }
    }
    for (Block& lBlock : mBlocks) {
        ConvertBlock(lBlock);
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
            mJoints[mChanged[c]].mRotationBound = 0.0;
        }
    }
}

void KBvhPoseStream::AddToBlock(std::size_t pJoint, const double* pValues)
{
    Joint& lJoint = mJoints[pJoint];
    const double* lValues = pValues + lJoint.mFirstValue;
    // The translation as KBvhFile::GetCurrentPoses gives it: the offset, with the position
    // channels put in, one at a time in place (a copy of a vector just written piecewise would
    // stall).
    for (int k = 0; k < 3; ++k) {
        if (lJoint.mPositionPlaces[k] >= 0) {
            lJoint.mTranslation[k] = lValues[lJoint.mPositionPlaces[k]];
        }
    }
    Block& lBlock = mBlocks[static_cast<std::size_t>(lJoint.mOrder)];
    lBlock.mJoints[lBlock.mCount] = pJoint;
    for (int i = 0; i < 3; ++i) {
        lBlock.mDegrees[i][lBlock.mCount] = lValues[lJoint.mTurnValues[i]];
    }
    if (++lBlock.mCount == KBvhQuickAngles::kMaxCount) {
        ConvertBlock(lBlock);
    }
}

void KBvhPoseStream::ConvertBlock(Block& ioBlock)
{
    if (ioBlock.mCount == 0) {
        return;
    }
    double lAngles[3][KBvhQuickAngles::kMaxCount];
    double lBounds[KBvhQuickAngles::kMaxCount];
    const double* const lDegrees[3] = {ioBlock.mDegrees[0], ioBlock.mDegrees[1],
                                       ioBlock.mDegrees[2]};
    double* const lOut[3] = {lAngles[0], lAngles[1], lAngles[2]};
    // Every joint of a block has the axes of its first.
    KBvhQuickAngles::Convert(ioBlock.mCount, mJoints[ioBlock.mJoints[0]].mAxes, lDegrees, lOut,
                             lBounds);
    for (int f = 0; f < ioBlock.mCount; ++f) {
        Joint& lJoint = mJoints[ioBlock.mJoints[f]];
        lJoint.mRotation.Set(lAngles[0][f], lAngles[1][f], lAngles[2][f], lJoint.mRotation[3]);
        lJoint.mRotationBound = std::max(lBounds[f], kLeastBound);
    }
    ioBlock.mCount = 0;
}
