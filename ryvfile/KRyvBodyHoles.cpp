#include "ryvfile/KRyvBodyHoles.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvFieldValue.h"
#include "ryvfile/KRyvStream.h"

#include <algorithm>

using namespace KRyvByteOrder;

namespace {

constexpr std::size_t kCountBytes = 4;
// A record's size field and its name length.
constexpr std::size_t kRecordLead = kCountBytes + 1;

} // namespace

void KRyvBodyHoles::Start(std::size_t pBodyAt, std::uint64_t pBodySize, std::size_t pTail)
{
    Clear();
    // A size no buffer could hold ends the walk before it starts.
    if (pBodySize > SIZE_MAX - pBodyAt) {
        return;
    }
    mAt = pBodyAt;
    mBodyEnd = pBodyAt + static_cast<std::size_t>(pBodySize);
    mHoleLimit = mBodyEnd - std::min(mBodyEnd - pBodyAt, pTail);
    mFrames.push_back(Frame{mBodyEnd, 0, kChildren});
    mStopped = false;
}

void KRyvBodyHoles::Clear()
{
    mHoles.clear();
    mFrames.clear();
    mAt = mBodyEnd = mHoleLimit = 0;
    mStopped = true;
    mComplete = false;
}

void KRyvBodyHoles::Walk(const std::uint8_t* pBytes, std::size_t pFilled)
{
    while (!mStopped && Step(pBytes, pFilled)) {
    }
}

bool KRyvBodyHoles::Step(const std::uint8_t* pBytes, std::size_t pFilled)
{
    Frame& lFrame = mFrames.back();
    if (lFrame.mPhase == kValues) {
        if (lFrame.mValuesLeft > 0) {
            return StepValue(pBytes, pFilled);
        }
        lFrame.mPhase = kChildCount;
    }
    if (lFrame.mPhase == kChildCount) {
        if (lFrame.mEnd - mAt < kCountBytes) {
            Stop();
            return false;
        }
        if (pFilled < mAt + kCountBytes) {
            return false;
        }
        mAt += kCountBytes;
        lFrame.mPhase = kChildren;
    }
    if (mAt == lFrame.mEnd) {
        mFrames.pop_back();
        if (mFrames.empty()) {
            mComplete = mAt == mBodyEnd;
            Stop();
            return false;
        }
        return true;
    }
    return StepRecord(pBytes, pFilled);
}

bool KRyvBodyHoles::StepRecord(const std::uint8_t* pBytes, std::size_t pFilled)
{
    const std::size_t lLeft = mFrames.back().mEnd - mAt;
    if (lLeft < kRecordLead ||
        mFrames.size() > static_cast<std::size_t>(KRyvFieldRecord::kMaxDepth)) {
        Stop();
        return false;
    }
    if (pFilled < mAt + kRecordLead) {
        return false;
    }
    const std::size_t lSize = GetLE<std::uint32_t>(pBytes + mAt);
    const std::size_t lHeader = 1 + pBytes[mAt + kCountBytes] + kCountBytes;
    if (lSize > lLeft - kCountBytes || lHeader > lSize) {
        Stop();
        return false;
    }
    // A record smaller than a hole holds none: it is stepped over whole, by its size, as the
    // record checks step over it, whatever its content.
    if (lSize < kMinHole) {
        mAt += kCountBytes + lSize;
        return true;
    }
    if (pFilled < mAt + kCountBytes + lHeader) {
        return false;
    }
    const std::uint32_t lValues = GetLE<std::uint32_t>(pBytes + mAt + lHeader);
    mFrames.push_back(Frame{mAt + kCountBytes + lSize, lValues, kValues});
    mAt += kCountBytes + lHeader;
    return true;
}

bool KRyvBodyHoles::StepValue(const std::uint8_t* pBytes, std::size_t pFilled)
{
    Frame& lFrame = mFrames.back();
    const std::size_t lLeft = lFrame.mEnd - mAt;
    if (lLeft == 0) {
        Stop();
        return false;
    }
    if (pFilled <= mAt) {
        return false;
    }
    const std::uint8_t lKind = pBytes[mAt];
    const std::size_t lUnit =
        lKind < sizeof(KRyvFieldValue::kKindSizes) ? KRyvFieldValue::kKindSizes[lKind] : 0;
    std::size_t lStep = 1 + lUnit;
    if (lUnit == 0) {
        Stop();
        return false;
    }
    if (lKind >= KRyvFieldValue::kText) {
        if (lLeft < 1 + kCountBytes) {
            Stop();
            return false;
        }
        if (pFilled < mAt + 1 + kCountBytes) {
            return false;
        }
        const std::uint32_t lCount = GetLE<std::uint32_t>(pBytes + mAt + 1);
        if (lCount > (lLeft - 1 - kCountBytes) / lUnit) {
            Stop();
            return false;
        }
        const std::size_t lPayload = std::size_t(lCount) * lUnit;
        const std::size_t lAt = mAt + 1 + kCountBytes;
        if (lKind >= KRyvFieldValue::kInt32Array && lPayload >= kMinHole &&
            lAt + lPayload <= mHoleLimit) {
            mHoles.push_back(Hole{lAt, lAt + lPayload, false});
        }
        lStep = 1 + kCountBytes + lPayload;
    } else if (lStep > lLeft) {
        Stop();
        return false;
    }
    mAt += lStep;
    --lFrame.mValuesLeft;
    return true;
}

std::vector<KRyvBodyHoles::Hole>::const_iterator KRyvBodyHoles::After(std::size_t pAt) const
{
    return std::upper_bound(
        mHoles.begin(), mHoles.end(), pAt,
        [](std::size_t pValue, const Hole& pHole) { return pValue < pHole.mEnd; });
}

std::size_t KRyvBodyHoles::Run(std::size_t pAt, std::size_t pSize, bool& oInside) const
{
    const auto lHole = After(pAt);
    if (lHole == mHoles.end()) {
        oInside = false;
        return pSize;
    }
    oInside = lHole->mAt <= pAt;
    return std::min(pSize, oInside ? lHole->mEnd - pAt : lHole->mAt - pAt);
}

bool KRyvBodyHoles::Fill(KRyvStream& ioStream, std::uint64_t pOrigin, std::uint8_t* oBytes,
                         std::size_t pAt, std::size_t pEnd)
{
    for (auto lHole = mHoles.begin() + (After(pAt) - mHoles.cbegin());
         lHole != mHoles.end() && lHole->mAt < pEnd; ++lHole) {
        const std::size_t lSize = lHole->mEnd - lHole->mAt;
        if (!lHole->mFilled) {
            if (ioStream.ReadAt(pOrigin + lHole->mAt, oBytes + lHole->mAt, lSize) != lSize) {
                return false;
            }
            lHole->mFilled = true;
        }
    }
    return true;
}

bool KRyvBodyHoles::FillAll(KRyvStream& ioStream, std::uint64_t pOrigin, std::uint8_t* oBytes)
{
    return Fill(ioStream, pOrigin, oBytes, 0, SIZE_MAX);
}

const KRyvBodyHoles::Hole* KRyvBodyHoles::FindUnfilled(std::size_t pAt, std::size_t pEnd) const
{
    const auto lHole = After(pAt);
    return lHole != mHoles.end() && lHole->mAt == pAt && lHole->mEnd == pEnd && !lHole->mFilled
               ? &*lHole
               : nullptr;
}
