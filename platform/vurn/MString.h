#ifndef RYVKIT_PLATFORM_VURN_MSTRING_H
#define RYVKIT_PLATFORM_VURN_MSTRING_H

#include <string>

// The host's 8-bit string: a value over std::string. Index queries answer -1 when not found.
class MString
{
public:
    MString() = default;
    MString(const char* pText) : mText(pText ? pText : "") {}
    MString(const std::string& pText) : mText(pText) {}

    const char* asChar() const { return mText.c_str(); }
    const std::string& str() const { return mText; }
    unsigned int length() const { return static_cast<unsigned int>(mText.size()); }
    unsigned int numChars() const { return length(); }
    // Characters pStart to pEnd inclusive; empty when the range is outside the text.
    MString substring(int pStart, int pEnd) const;
    int index(char pChar) const;
    int rindex(char pChar) const;
    // The number as text in the C locale ("%g" with 17 digits for doubles).
    void set(double pValue);

    MString& operator+=(const MString& pOther);
    MString& operator+=(const char* pText);
    MString& operator+=(int pValue);
    MString& operator+=(double pValue);
    bool operator==(const MString& pOther) const { return mText == pOther.mText; }
    bool operator!=(const MString& pOther) const { return mText != pOther.mText; }
    bool operator<(const MString& pOther) const { return mText < pOther.mText; }

private:
    std::string mText;
};

MString operator+(const MString& pLeft, const MString& pRight);
MString operator+(const MString& pLeft, const char* pRight);
MString operator+(const char* pLeft, const MString& pRight);

#endif
