#include "platform/vurn/MString.h"

#include <cstdio>

MString MString::substring(int pStart, int pEnd) const
{
    const int lSize = static_cast<int>(mText.size());
    if (pStart < 0 || pEnd < pStart || pStart >= lSize) {
        return MString();
    }
    const int lEnd = pEnd < lSize ? pEnd : lSize - 1;
    return MString(mText.substr(pStart, lEnd - pStart + 1));
}

int MString::index(char pChar) const
{
    const auto lPos = mText.find(pChar);
    return lPos == std::string::npos ? -1 : static_cast<int>(lPos);
}

int MString::rindex(char pChar) const
{
    const auto lPos = mText.rfind(pChar);
    return lPos == std::string::npos ? -1 : static_cast<int>(lPos);
}

void MString::set(double pValue)
{
    char lBuffer[64];
    std::snprintf(lBuffer, sizeof(lBuffer), "%.17g", pValue);
    mText = lBuffer;
}

MString& MString::operator+=(const MString& pOther)
{
    mText += pOther.mText;
    return *this;
}

MString& MString::operator+=(const char* pText)
{
    mText += pText ? pText : "";
    return *this;
}

MString& MString::operator+=(int pValue)
{
    mText += std::to_string(pValue);
    return *this;
}

MString& MString::operator+=(double pValue)
{
    MString lNumber;
    lNumber.set(pValue);
    mText += lNumber.mText;
    return *this;
}

MString operator+(const MString& pLeft, const MString& pRight)
{
    MString lResult = pLeft;
    lResult += pRight;
    return lResult;
}

MString operator+(const MString& pLeft, const char* pRight)
{
    MString lResult = pLeft;
    lResult += pRight;
    return lResult;
}

MString operator+(const char* pLeft, const MString& pRight)
{
    MString lResult(pLeft);
    lResult += pRight;
    return lResult;
}
