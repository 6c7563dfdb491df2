#include "core/KError.h"

KError::KError(const char* const* pTable, int pCount)
    : mTable(pTable), mCount(pTable && pCount > 0 ? pCount : 0), mCode(-1)
{
}

void KError::SetLastErrorID(int pCode)
{
    mCode = pCode;
    if (pCode >= 0 && pCode < mCount) {
        const char* text = mTable[pCode];
        mMessage = text ? text : "";
    } else {
        mMessage = "Unknown error";
    }
}

void KError::SetLastError(int pCode, const char* pText)
{
    mCode = pCode;
    mMessage = pText ? pText : "";
}

void KError::ClearLastError()
{
    mCode = -1;
    mMessage = "";
}
