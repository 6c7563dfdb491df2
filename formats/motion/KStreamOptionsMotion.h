#ifndef RYVKIT_FORMATS_MOTION_KSTREAMOPTIONSMOTION_H
#define RYVKIT_FORMATS_MOTION_KSTREAMOPTIONSMOTION_H

#include "core/KString.h"
#include "core/KTime.h"
#include "io/KStreamOptions.h"

#include <memory>

// The one option set of every motion-capture reader and writer: the time span and rate to read
// or write, an object one format step hands to the next (ASF to AMC), and 18 integer switches
// (indexes 0 to 17, -1 when unset, 1 meaning on) whose meaning each format gives. Rates are
// frames per second and always usable: a rate KMotionFrameRate refuses (not finite, not above 0,
// outside its bounds) selects the global default time mode instead, so the frame period is
// always positive.
class KStreamOptionsMotion : public KStreamOptions
{
    K_DECLARE_CLASS(KStreamOptionsMotion)

    static constexpr int kOptionCount = 18;

    // Base of the objects a format attaches to the set.
    class Attachment
    {
    public:
        virtual ~Attachment() = default;
    };

    // A new set in its reset state; null when memory runs out.
    static std::unique_ptr<KStreamOptionsMotion> Create();

    KStreamOptionsMotion();
    ~KStreamOptionsMotion() override;

    // Callbacks to their defaults, text emptied, start 0, frame count 0, the global default time
    // mode and its rate, the attached object destroyed when owned and dropped, every option -1.
    void Reset() override;

    KString& GetText() { return mText; }
    const KString& GetText() const { return mText; }

    void SetStart(const KTime& pStart) { mStart = pStart; }
    const KTime& GetStart() const { return mStart; }
    // A negative count is stored as 0.
    void SetFrameCount(int pCount) { mFrameCount = pCount < 0 ? 0 : pCount; }
    int GetFrameCount() const { return mFrameCount; }

    // A time mode from 1 to 13 is stored with its own rate (pRate is ignored). With any other
    // mode (0, the custom mode, unknown numbers) the rate decides: a usable rate is stored with
    // the first mode whose rate lies within 0.001 of it, or mode 0 (custom) when none does; an
    // unusable one (0.0, negative, NaN, infinite, outside KMotionFrameRate's bounds) selects the
    // global default mode and its rate.
    void SetTimeMode(int pTimeMode, double pRate);
    int GetTimeMode() const { return mTimeMode; }
    double GetFrameRate() const { return mFrameRate; }
    // One frame: of the time mode, or of the rate in mode 0 (KTime::GetFramePeriod).
    KTime GetFramePeriod() const;

    // Gives an object to the set, which destroys it on Reset, on destruction or when another
    // object replaces it.
    void SetAttachedObject(std::unique_ptr<Attachment> pObject);
    // Lends an object to the set: the caller keeps it and must keep it alive while attached.
    void SetAttachedObject(Attachment* pObject);
    // The attached object, owned or lent; null when none.
    Attachment* GetAttachedObject() const { return mAttached; }
    bool IsAttachedObjectOwned() const { return mOwnedAttachment != nullptr; }

    // Indexes outside 0..17 are ignored by SetOption and read as -1.
    void SetOption(int pIndex, int pValue);
    int GetOption(int pIndex) const;

private:
    void DropAttachedObject();

    KString mText;
    KTime mStart;
    int mFrameCount = 0;
    int mTimeMode = 0;
    double mFrameRate = 0.0;
    // The attached object; mOwnedAttachment holds it too when the set owns it.
    Attachment* mAttached = nullptr;
    std::unique_ptr<Attachment> mOwnedAttachment;
    int mOptions[kOptionCount];
};

#endif
