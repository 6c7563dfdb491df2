#ifndef RYVKIT_IO_KSTREAMOPTIONSBASE_H
#define RYVKIT_IO_KSTREAMOPTIONSBASE_H

#include "core/KString.h"
#include "io/KStreamOptions.h"

// One numbered option: its value (1 means on) and display name, plus a flag byte and three
// words that the option set fills for its dialog; no reader or writer reads those four.
struct KStreamOptionRecord
{
    int mValue = 0;
    unsigned char mFlag = 0;
    int mWord1 = 0;
    int mWord2 = 0;
    int mWord3 = 0;
    KString mName;
};

// The option set of numbered options 1 to 17, all value 0 with an empty name until a format's
// set fills them. Indices outside 1..17 are ignored by the setters and read as value 0 (null
// record). A set may also keep a take name, when its class says so.
class KStreamOptionsBase : public KStreamOptions
{
    K_DECLARE_CLASS(KStreamOptionsBase)

    static constexpr int kFirstOption = 1;
    static constexpr int kLastOption = 17;

    KStreamOptionsBase() = default;
    ~KStreamOptionsBase() override = default;

    void SetOptionValue(int pIndex, int pValue);
    int GetOptionValue(int pIndex) const;
    // A null text gives the empty name.
    void SetOptionName(int pIndex, const char* pName);
    void SetOptionFlag(int pIndex, unsigned char pFlag);
    // pWord is 1, 2 or 3; any other number is ignored.
    void SetOptionWord(int pIndex, int pWord, int pValue);
    // Null outside 1..17.
    const KStreamOptionRecord* GetOptionRecord(int pIndex) const;

    // True for the sets that keep a take name; this base keeps none.
    virtual bool KeepsTakeName() const { return false; }
    // Stores the name (null gives the empty name) when the set keeps one; false otherwise.
    bool SetTakeName(const char* pName);
    // Empty unless a take name was stored.
    const KString& GetTakeName() const { return mTakeName; }

private:
    KStreamOptionRecord* Record(int pIndex);

    KStreamOptionRecord mRecords[kLastOption];
    KString mTakeName;
};

#endif
