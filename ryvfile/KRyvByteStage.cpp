#include "ryvfile/KRyvByteStage.h"

#include <algorithm>
#include <cstring>

KRyvByteStage::KRyvByteStage(std::size_t pBlockSize, Consumer pConsumer)
    : mBlockSize(std::max<std::size_t>(pBlockSize, 1)), mConsumer(std::move(pConsumer)),
      mFilling(new std::uint8_t[mBlockSize]), mHanded(new std::uint8_t[mBlockSize]),
      mThread(&KRyvByteStage::Run, this)
{
}

KRyvByteStage::~KRyvByteStage()
{
    {
        std::lock_guard<std::mutex> lLock(mMutex);
        mStop = true;
    }
    mChanged.notify_all();
    mThread.join();
}

void KRyvByteStage::Run()
{
    std::unique_lock<std::mutex> lLock(mMutex);
    for (;;) {
        mChanged.wait(lLock, [this] { return mPending || mStop; });
        if (!mPending) {
            return;
        }
        mPending = false;
        mBusy = true;
        const bool lSkip = mFailed;
        lLock.unlock();
        bool lTaken = lSkip;
        if (!lSkip) {
            try {
                lTaken = mConsumer(mHanded.get(), mHandedSize);
            } catch (...) {
                lTaken = false;
            }
        }
        lLock.lock();
        mBusy = false;
        mFailed = mFailed || !lTaken;
        mChanged.notify_all();
    }
}

bool KRyvByteStage::HandOn()
{
    std::unique_lock<std::mutex> lLock(mMutex);
    mChanged.wait(lLock, [this] { return !mPending && !mBusy; });
    if (mFailed) {
        mFilled = 0;
        return false;
    }
    std::swap(mFilling, mHanded);
    mHandedSize = mFilled;
    mFilled = 0;
    mPending = true;
    lLock.unlock();
    mChanged.notify_all();
    return true;
}

bool KRyvByteStage::Write(const std::uint8_t* pBytes, std::size_t pSize)
{
    while (pSize > 0) {
        const std::size_t lTaken = std::min(pSize, mBlockSize - mFilled);
        std::memcpy(mFilling.get() + mFilled, pBytes, lTaken);
        mFilled += lTaken;
        pBytes += lTaken;
        pSize -= lTaken;
        if (mFilled == mBlockSize && !HandOn()) {
            return false;
        }
    }
    std::lock_guard<std::mutex> lLock(mMutex);
    return !mFailed;
}

bool KRyvByteStage::Finish()
{
    if (mFilled > 0 && !HandOn()) {
        return false;
    }
    std::unique_lock<std::mutex> lLock(mMutex);
    mChanged.wait(lLock, [this] { return !mPending && !mBusy; });
    return !mFailed;
}
