#include "formats/motion/KStreamOptionsMotion.h"

#include "core/KTimeModeTable.h"
#include "formats/motion/KMotionFrameRate.h"

#include <new>

K_IMPLEMENT_CLASS(KStreamOptionsMotion, KStreamOptions)

std::unique_ptr<KStreamOptionsMotion> KStreamOptionsMotion::Create()
{
    try {
        return std::make_unique<KStreamOptionsMotion>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

KStreamOptionsMotion::KStreamOptionsMotion()
{
    Reset();
}

KStreamOptionsMotion::~KStreamOptionsMotion() = default;

void KStreamOptionsMotion::Reset()
{
    ResetCallbacks();
    mText.Clear();
    mStart = KTime::kZero;
    mFrameCount = 0;
    SetTimeMode(0, 0.0);
    DropAttachedObject();
    for (int& lOption : mOptions) {
        lOption = -1;
    }
}

void KStreamOptionsMotion::SetTimeMode(int pTimeMode, double pRate)
{
    if (pTimeMode >= KTimeModeTable::kFirstRateMode && pTimeMode <= KTimeModeTable::kLastRateMode) {
        mTimeMode = pTimeMode;
        mFrameRate = KTime::GetFrameRate(pTimeMode);
        return;
    }
    int lMode = 0;
    if (KMotionFrameRate::ToTimeMode(pRate, lMode)) {
        mTimeMode = lMode;
        mFrameRate = pRate;
        return;
    }
    mTimeMode = KTime::GetGlobalTimeMode();
    mFrameRate = KTime::GetFrameRate(mTimeMode);
}

KTime KStreamOptionsMotion::GetFramePeriod() const
{
    if (mTimeMode != 0) {
        return KTime(KTime::GetTicksPerFrame(mTimeMode));
    }
    return KTime::GetFramePeriod(mFrameRate);
}

void KStreamOptionsMotion::SetAttachedObject(std::unique_ptr<Attachment> pObject)
{
    mAttached = pObject.get();
    mOwnedAttachment = std::move(pObject);
}

void KStreamOptionsMotion::SetAttachedObject(Attachment* pObject)
{
    // Lending the object the set owns leaves it owned.
    if (pObject != mOwnedAttachment.get()) {
        mOwnedAttachment.reset();
    }
    mAttached = pObject;
}

void KStreamOptionsMotion::DropAttachedObject()
{
    mAttached = nullptr;
    mOwnedAttachment.reset();
}

void KStreamOptionsMotion::SetOption(int pIndex, int pValue)
{
    if (pIndex >= 0 && pIndex < kOptionCount) {
        mOptions[pIndex] = pValue;
    }
}

int KStreamOptionsMotion::GetOption(int pIndex) const
{
    return pIndex >= 0 && pIndex < kOptionCount ? mOptions[pIndex] : -1;
}
