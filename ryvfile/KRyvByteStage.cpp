#include "ryvfile/KRyvByteStage.h"

#include <algorithm>
#include <cstring>

KRyvByteStage::KRyvByteStage(std::size_t pBlockSize, Consumer pConsumer)
    : mBlockSize(std::max<std::size_t>(pBlockSize, 1)), mConsumer(std::move(pConsumer)),
      mBlock(new std::uint8_t[mBlockSize])
{
}

bool KRyvByteStage::HandOn()
{
    const std::size_t lSize = mFilled;
    mFilled = 0;
    if (mFailed || lSize == 0) {
        return !mFailed;
    }
    try {
        mFailed = !mConsumer(mBlock.get(), lSize);
    } catch (...) {
        mFailed = true;
    }
    return !mFailed;
}

bool KRyvByteStage::Write(const std::uint8_t* pBytes, std::size_t pSize)
{
    while (pSize > 0 && !mFailed) {
        const std::size_t lTaken = std::min(pSize, mBlockSize - mFilled);
        std::memcpy(mBlock.get() + mFilled, pBytes, lTaken);
        mFilled += lTaken;
        pBytes += lTaken;
        pSize -= lTaken;
        if (mFilled == mBlockSize) {
            HandOn();
        }
    }
    return !mFailed;
}

bool KRyvByteStage::Finish()
{
    return HandOn();
}
