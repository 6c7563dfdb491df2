#include "formats/motion/KMotionKeyChunks.h"

#include "animation/KFCurve.h"

#include <algorithm>
#include <utility>

KMotionKeyChunks::KMotionKeyChunks(std::vector<KFCurve*> pCurves, int pCapacity)
    : mCurves(std::move(pCurves))
{
    const int lCurves = static_cast<int>(mCurves.size());
    const int lByValues = lCurves > 0 ? kMaxValues / lCurves : kMaxChunkFrames;
    mChunkFrames = std::max(1, std::min({kMaxChunkFrames, lByValues, pCapacity}));
    mTimes.resize(static_cast<std::size_t>(mChunkFrames));
    mValues.resize(static_cast<std::size_t>(mChunkFrames) * mCurves.size());
    mRow.resize(static_cast<std::size_t>(mChunkFrames));
}

float* KMotionKeyChunks::Next(KTime pTime)
{
    mTimes[static_cast<std::size_t>(mCount)] = pTime;
    return &mValues[static_cast<std::size_t>(mCount++) * mCurves.size()];
}

bool KMotionKeyChunks::Flush()
{
    const std::size_t lCurves = mCurves.size();
    bool lAll = true;
    for (std::size_t c = 0; c < lCurves && mCount > 0; ++c) {
        for (std::size_t f = 0; f < static_cast<std::size_t>(mCount); ++f) {
            mRow[f] = mValues[f * lCurves + c];
        }
        lAll = mCurves[c]->KeySetBatch(mFirst, mCount, mTimes.data(), mRow.data(),
                                       KFCurveKey::kInterpolationCubic) &&
               lAll;
    }
    mFirst += mCount;
    mCount = 0;
    return lAll;
}
