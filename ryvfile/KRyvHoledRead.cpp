#include "ryvfile/KRyvHoledRead.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvPrefault.h"
#include "ryvfile/KRyvStream.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Small enough to stay in the caches between the read and the copy; a hole found inside a window
// has at most this much of it copied.
constexpr std::size_t kWindow = std::size_t(1) << 18;
// What one read asks for once the bytes go straight into the buffer.
constexpr std::size_t kDirectPiece = std::size_t(1) << 20;
constexpr std::size_t kFlagsAt = 12;
constexpr std::size_t kBodySizeAt = 16;

} // namespace

KRyvHoledRead::KRyvHoledRead(KRyvBytes& oBytes, KRyvBodyHoles& oHoles,
                             KRyvContainer::CrcPrefix& oCrc)
    : mBytes(oBytes), mHoles(oHoles), mCrc(oCrc)
{
}

bool KRyvHoledRead::ReadAll(KRyvStream& ioStream, std::size_t pSizeHint, std::size_t pLimit)
{
    mBytes.clear();
    mHoles.Clear();
    mCrc = KRyvContainer::CrcPrefix();
    // Sized, not written: the allocator leaves the bytes as they are.
    mBytes.resize(std::min(pSizeHint, pLimit));
    // No larger than the file: a small file is not read through a quarter megabyte.
    const std::size_t lWindowSize = std::min(kWindow, std::max<std::size_t>(pSizeHint, 1));
    const std::unique_ptr<std::uint8_t[]> lWindow(new std::uint8_t[lWindowSize]);
    for (;;) {
        // Once no hole can come (another form, a walk ended), the bytes go straight into their
        // place, as long as the hint has room for them.
        const std::size_t lRoom = mBytes.size() - mArrived;
        const bool lDirect = mWalkStarted && !mHoles.IsWalking() && lRoom > 0;
        std::uint8_t* lTo = lDirect ? mBytes.data() + mArrived : lWindow.get();
        const std::size_t lWanted = lDirect ? std::min(lRoom, kDirectPiece) : lWindowSize;
        if (lDirect) {
            KRyvPrefault::ForWrite(lTo, lWanted);
        }
        const std::size_t lRead = ioStream.Read(lTo, lWanted);
        if (lRead == 0) {
            break;
        }
        if (lRead > pLimit - mArrived) {
            mBytes.clear();
            return false;
        }
        if (mArrived + lRead > mBytes.size()) {
            mBytes.resize(mArrived + lRead);
        }
        TakeCrc(lTo, lRead);
        if (lDirect) {
            mArrived += lRead;
            continue;
        }
        Keep(lTo, lRead);
        if (!mWalkStarted && mArrived >= KRyvContainer::kFixedHeaderSize) {
            StartWalk();
        }
        mHoles.Walk(mBytes.data(), mArrived);
    }
    mBytes.resize(mArrived);
    return true;
}

void KRyvHoledRead::TakeCrc(const std::uint8_t* pBytes, std::size_t pSize)
{
    constexpr std::size_t kTail = KRyvContainer::kMaxCrcTail;
    const std::size_t lHeld = mCarrySize + pSize;
    if (lHeld <= kTail) {
        std::memcpy(mCarry + mCarrySize, pBytes, pSize);
        mCarrySize = lHeld;
        return;
    }
    // The bytes now followed by a whole tail go through the CRC: the carried ones first.
    const std::size_t lOut = lHeld - kTail;
    const std::size_t lFromCarry = std::min(lOut, mCarrySize);
    KRyvContainer::CrcPrefix lStep{mCrc.mCrc, 0};
    KRyvContainer::AdvanceCrc(mCarry, lFromCarry, lStep);
    lStep.mSize = 0;
    KRyvContainer::AdvanceCrc(pBytes, lOut - lFromCarry, lStep);
    mCrc.mCrc = lStep.mCrc;
    mCrc.mSize += lOut;
    // The new tail: what is left of the carry, then the end of these bytes.
    const std::size_t lKeptCarry = mCarrySize - lFromCarry;
    std::memmove(mCarry, mCarry + lFromCarry, lKeptCarry);
    std::memcpy(mCarry + lKeptCarry, pBytes + (pSize - (kTail - lKeptCarry)), kTail - lKeptCarry);
    mCarrySize = kTail;
}

void KRyvHoledRead::Keep(const std::uint8_t* pBytes, std::size_t pSize)
{
    for (std::size_t lDone = 0; lDone < pSize;) {
        bool lInside = false;
        const std::size_t lRun = mHoles.Run(mArrived + lDone, pSize - lDone, lInside);
        if (!lInside) {
            std::uint8_t* lTo = mBytes.data() + mArrived + lDone;
            KRyvPrefault::ForWrite(lTo, lRun);
            std::memcpy(lTo, pBytes + lDone, lRun);
        }
        lDone += lRun;
    }
    mArrived += pSize;
}

void KRyvHoledRead::StartWalk()
{
    mWalkStarted = true;
    const std::uint8_t* lHeader = mBytes.data();
    if (std::memcmp(lHeader, KRyvContainer::kBinaryMagic, sizeof(KRyvContainer::kBinaryMagic)) !=
            0 ||
        KRyvByteOrder::GetLE<std::uint32_t>(lHeader + kFlagsAt) != 0) {
        return;
    }
    mHoles.Start(KRyvContainer::kFixedHeaderSize,
                 KRyvByteOrder::GetLE<std::uint64_t>(lHeader + kBodySizeAt),
                 KRyvContainer::kMaxCrcTail);
}
