#include "formats/motion/c3d/KC3dFrameLayout.h"

KC3dFrameLayout::KC3dFrameLayout(std::uint64_t pPointBytes, std::uint64_t pSampleBytes,
                                 std::uint64_t pDataBytes)
    : mPointBytes(pPointBytes), mSampleBytes(pSampleBytes), mDataBytes(pDataBytes)
{
}

void KC3dFrameLayout::AddAnalog(const std::string& pSource, std::uint64_t pSamples)
{
    mAnalogs.push_back({pSource, pSamples});
}

void KC3dFrameLayout::AddCount(const std::string& pSource, std::uint64_t pFrames)
{
    mCounts.push_back({pSource, pFrames});
}

void KC3dFrameLayout::AddImpossibleCount(const std::string& pSource, const std::string& pWhat)
{
    mImpossible.push_back(pSource + " " + pWhat);
}

std::uint64_t KC3dFrameLayout::FrameBytes(std::uint64_t pAnalog) const
{
    return mPointBytes + pAnalog * mSampleBytes;
}

bool KC3dFrameLayout::Fits(std::uint64_t pFrames, std::uint64_t pAnalog) const
{
    // Divided, not multiplied: file counts times file sizes can pass 64 bits.
    const std::uint64_t lSize = FrameBytes(pAnalog);
    return lSize > 0 && pFrames <= mDataBytes / lSize;
}

bool KC3dFrameLayout::Agrees(std::uint64_t pFrames, std::uint64_t pAnalog) const
{
    return Fits(pFrames, pAnalog) && mDataBytes - pFrames * FrameBytes(pAnalog) < kPadding;
}

bool KC3dFrameLayout::FindAgreement()
{
    for (const Figure& lAnalog : mAnalogs) {
        for (const Figure& lCount : mCounts) {
            if (Agrees(lCount.mValue, lAnalog.mValue)) {
                mAnalog = lAnalog.mValue;
                mAnalogSource = lAnalog.mSource;
                mFrames = lCount.mValue;
                return true;
            }
        }
    }
    return false;
}

bool KC3dFrameLayout::SingleAnalog() const
{
    for (const Figure& lAnalog : mAnalogs) {
        if (lAnalog.mValue != mAnalogs.front().mValue) {
            return false;
        }
    }
    return true;
}

bool KC3dFrameLayout::SingleCount() const
{
    for (const Figure& lCount : mCounts) {
        if (lCount.mValue != mCounts.front().mValue) {
            return false;
        }
    }
    return true;
}

std::string KC3dFrameLayout::ListCounts() const
{
    std::string lList = mLongTake ? "the header 65535 or more" : "";
    for (const std::string& lImpossible : mImpossible) {
        lList += (lList.empty() ? "" : ", ") + lImpossible;
    }
    for (const Figure& lCount : mCounts) {
        lList += (lList.empty() ? "" : ", ") + lCount.mSource + " " + std::to_string(lCount.mValue);
    }
    return lList;
}

std::string KC3dFrameLayout::ListAnalog() const
{
    std::string lList;
    for (const Figure& lAnalog : mAnalogs) {
        lList +=
            (lList.empty() ? "" : ", ") + lAnalog.mSource + " " + std::to_string(lAnalog.mValue);
    }
    return lList;
}

bool KC3dFrameLayout::Resolve(std::string& oWhy)
{
    mFromData = false;
    mCountsDisagree = false;
    mWrapped = false;
    mFramesAfter = 0;
    if (mAnalogs.empty()) {
        mAnalogs.push_back({"the header", 0});
    }
    if (FindAgreement()) {
        mCountsDisagree = !mImpossible.empty();
        for (const Figure& lCount : mCounts) {
            mCountsDisagree = mCountsDisagree || lCount.mValue != mFrames;
        }
        return true;
    }
    if (!SingleAnalog()) {
        oWhy = "the analog samples per frame cannot be told: " + ListAnalog() +
               ", and none fits the data";
        return false;
    }
    mAnalog = mAnalogs.front().mValue;
    // One declared count and no long-take mark: the frames may be followed by more data, and a
    // file cut short is refused rather than read in part.
    if (!mLongTake && mImpossible.empty() && !mCounts.empty() && SingleCount()) {
        mFrames = mCounts.front().mValue;
        if (!Fits(mFrames, mAnalog)) {
            oWhy = mCounts.front().mSource + " declares " + std::to_string(mFrames) +
                   " frames, more than the file holds";
            return false;
        }
        CheckFramesAfterCount();
        return true;
    }
    mFrames = mDataBytes / FrameBytes(mAnalog);
    mFromData = true;
    mCountsDisagree = !mCounts.empty() || !mImpossible.empty();
    return true;
}

void KC3dFrameLayout::CheckFramesAfterCount()
{
    // A count past 65535 kept in 16 bits loses a whole number of 65536s: data that holds the
    // declared frames and such a number more, up to padding, is that take.
    const std::uint64_t lHeld = mDataBytes / FrameBytes(mAnalog);
    const std::uint64_t lWraps = (lHeld - mFrames) / kCountWrap;
    if (lWraps > 0 && Agrees(mFrames + lWraps * kCountWrap, mAnalog)) {
        mWrapped = true;
        mFrames += lWraps * kCountWrap;
    } else if (!Agrees(mFrames, mAnalog)) {
        mFramesAfter = lHeld - mFrames;
    }
}

std::string KC3dFrameLayout::GetWarning() const
{
    std::string lWarning;
    if (mAnalog != mAnalogs.front().mValue) {
        lWarning = mAnalogs.front().mSource + " gives " + std::to_string(mAnalogs.front().mValue) +
                   " analog samples per frame, which do not fit the data; the " +
                   std::to_string(mAnalog) + " of " + mAnalogSource + " do and are read";
    }
    if (mWrapped) {
        lWarning += (lWarning.empty() ? "" : "; ") + std::string("the frame count (") +
                    ListCounts() + ") is " + std::to_string(mFrames - mCounts.front().mValue) +
                    " short of the data, as a count past 65535 kept in 16 bits is: the " +
                    std::to_string(mFrames) + " frames the data holds are read";
    }
    if (mFramesAfter > 0) {
        lWarning += (lWarning.empty() ? "" : "; ") + std::string("the data has room for ") +
                    std::to_string(mFramesAfter) + " frames after the frame count (" +
                    ListCounts() + "): they are not read";
    }
    if (mCountsDisagree) {
        lWarning += (lWarning.empty() ? "" : "; ") + std::string("the frame counts disagree (") +
                    ListCounts() + "): the " + std::to_string(mFrames) +
                    " frames the data holds are read";
    }
    return lWarning;
}
