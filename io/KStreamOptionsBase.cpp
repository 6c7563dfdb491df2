#include "io/KStreamOptionsBase.h"

K_IMPLEMENT_CLASS(KStreamOptionsBase, KStreamOptions)

const KStreamOptionRecord* KStreamOptionsBase::GetOptionRecord(int pIndex) const
{
    return pIndex >= kFirstOption && pIndex <= kLastOption ? &mRecords[pIndex - kFirstOption]
                                                           : nullptr;
}

KStreamOptionRecord* KStreamOptionsBase::Record(int pIndex)
{
    return const_cast<KStreamOptionRecord*>(GetOptionRecord(pIndex));
}

void KStreamOptionsBase::SetOptionValue(int pIndex, int pValue)
{
    if (KStreamOptionRecord* lRecord = Record(pIndex)) {
        lRecord->mValue = pValue;
    }
}

int KStreamOptionsBase::GetOptionValue(int pIndex) const
{
    const KStreamOptionRecord* lRecord = GetOptionRecord(pIndex);
    return lRecord ? lRecord->mValue : 0;
}

void KStreamOptionsBase::SetOptionName(int pIndex, const char* pName)
{
    if (KStreamOptionRecord* lRecord = Record(pIndex)) {
        lRecord->mName = pName ? pName : "";
    }
}

void KStreamOptionsBase::SetOptionFlag(int pIndex, unsigned char pFlag)
{
    if (KStreamOptionRecord* lRecord = Record(pIndex)) {
        lRecord->mFlag = pFlag;
    }
}

void KStreamOptionsBase::SetOptionWord(int pIndex, int pWord, int pValue)
{
    KStreamOptionRecord* lRecord = Record(pIndex);
    if (!lRecord) {
        return;
    }
    switch (pWord) {
    case 1:
        lRecord->mWord1 = pValue;
        break;
    case 2:
        lRecord->mWord2 = pValue;
        break;
    case 3:
        lRecord->mWord3 = pValue;
        break;
    default:
        break;
    }
}

bool KStreamOptionsBase::SetTakeName(const char* pName)
{
    if (!KeepsTakeName()) {
        return false;
    }
    mTakeName = pName ? pName : "";
    return true;
}
