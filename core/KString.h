#ifndef RYVKIT_CORE_KSTRING_H
#define RYVKIT_CORE_KSTRING_H

#include <string>

// 8-bit text with a length. The null string (made from a null pointer) and the empty string are
// distinct values; the null string reads and compares as empty. Copies of the whole text (copy,
// Trim, Lower, Upper, Left, Mid, Right) keep the null string null. Indices outside the text give
// -1, '\0' or the empty string, never undefined behaviour. Case mapping and white space are
// ASCII only, and numbers are written in the C locale whatever the process locale is.
class KString
{
public:
    // The empty string.
    KString() = default;
    // A copy of a zero-terminated text; a null pointer gives the null string.
    KString(const char* pText);
    // A copy of exactly pLength bytes; a null pointer gives the null string, a length below 0
    // the empty string.
    KString(const char* pText, int pLength);
    // The number in "%d" form.
    explicit KString(int pValue);
    KString(const KString& pOther) = default;
    KString(KString&& pOther) noexcept;
    ~KString() = default;

    KString& operator=(const char* pText);
    KString& operator=(const KString& pOther) = default;
    KString& operator=(KString&& pOther) noexcept;

    // The number in "%f" form with pDecimals digits after the point (6 when negative, at most 64).
    static KString FromDouble(double pValue, int pDecimals = 6);

    // The characters, zero-terminated; "" for the null string, never null.
    const char* Buffer() const { return mText.c_str(); }
    int GetLen() const { return static_cast<int>(mText.size()); }
    bool IsEmpty() const { return mText.empty(); }
    bool IsNull() const { return mIsNull; }
    // Makes this the empty (not null) string.
    KString& Clear();

    // The character at pIndex; '\0' at or past the end and below 0.
    char operator[](int pIndex) const;

    // Index of the first occurrence at or after pStart (below 0 counts as 0), -1 when absent;
    // a null pText gives 0.
    int Find(const char* pText, int pStart = 0) const;
    int Find(char pChar, int pStart = 0) const;
    // Index of the last occurrence of pChar, -1 when absent.
    int ReverseFind(char pChar) const;

    // The first pCount characters (all when pCount exceeds the length, none when below 1).
    KString Left(int pCount) const;
    // The characters from pFirst to the end (pFirst below 0 counts as 0).
    KString Mid(int pFirst) const;
    // pCount characters from pFirst, cut at the end of the text.
    KString Mid(int pFirst, int pCount) const;
    // The last pCount characters (all when pCount exceeds the length).
    KString Right(int pCount) const;
    // A copy without white space at the end (mode 0), the start (1) or both ends (2); any other
    // mode gives an unchanged copy.
    KString Trim(int pMode = 2) const;
    KString Lower() const;
    KString Upper() const;

    // Byte-wise comparison giving -1, 0 or 1; null strings and null texts compare as empty.
    int Compare(const char* pText) const;
    int Compare(const KString& pOther) const;
    // The same comparison on upper-case copies of both texts.
    int CompareNoCase(const char* pText) const;

    bool operator==(const KString& pOther) const { return Compare(pOther) == 0; }
    bool operator==(const char* pText) const { return Compare(pText) == 0; }
    bool operator!=(const KString& pOther) const { return Compare(pOther) != 0; }
    bool operator!=(const char* pText) const { return Compare(pText) != 0; }
    // Byte-wise order, for sorted containers.
    bool operator<(const KString& pOther) const { return Compare(pOther) < 0; }

    // Appending makes the string non-null, except that nothing is appended for a null text
    // or a null string.
    KString& operator+=(const char* pText);
    KString& operator+=(const KString& pOther);
    // Appends the number in "%d" form.
    KString& operator+=(int pValue);
    // A character would silently turn into its code number through the int form.
    KString& operator+=(char) = delete;

    // Replaces the first occurrence of pFind at or after pStart by pReplace (null counts as
    // empty). False when there is none or pFind is null or empty. A replacement that contains
    // pFind makes a loop "until false" endless.
    bool FindAndReplace(const char* pFind, const char* pReplace, int pStart = 0);

    // The text split at any of the delimiter characters, runs of delimiters counting as one
    // split; 0 tokens for the null or empty string. A null pDelimiters splits nowhere.
    int GetTokenCount(const char* pDelimiters) const;
    // The token at pIndex; the empty string when pIndex is out of range.
    KString GetToken(int pIndex, const char* pDelimiters) const;

private:
    std::string mText;
    bool mIsNull = false;
};

// Null when either string is null.
KString operator+(const KString& pLeft, const KString& pRight);
// The two joined as by operator+=.
KString operator+(const KString& pLeft, const char* pRight);
// pLeft followed by pRight in "%d" form.
KString operator+(const KString& pLeft, int pRight);
KString operator+(const KString& pLeft, char pRight) = delete;

#endif
