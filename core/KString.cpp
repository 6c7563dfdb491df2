#include "core/KString.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// The C locale's white space, fixed so that the process locale cannot change what is trimmed.
bool IsSpace(unsigned char pChar)
{
    return pChar == ' ' || (pChar >= '\t' && pChar <= '\r');
}

char ToUpper(char pChar)
{
    return (pChar >= 'a' && pChar <= 'z') ? static_cast<char>(pChar - 'a' + 'A') : pChar;
}

char ToLower(char pChar)
{
    return (pChar >= 'A' && pChar <= 'Z') ? static_cast<char>(pChar - 'A' + 'a') : pChar;
}

std::string IntText(int pValue)
{
    char lBuffer[16];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue);
    return std::string(lBuffer, lResult.ptr);
}

int Sign(int pValue)
{
    return pValue < 0 ? -1 : (pValue > 0 ? 1 : 0);
}

constexpr int kMaxDecimals = 64;

} // namespace

KString::KString(const char* pText) : mIsNull(pText == nullptr)
{
    if (pText != nullptr) {
        mText = pText;
    }
}

KString::KString(const char* pText, int pLength) : mIsNull(pText == nullptr)
{
    if (pText != nullptr && pLength > 0) {
        mText.assign(pText, static_cast<std::size_t>(pLength));
    }
}

KString::KString(int pValue) : mText(IntText(pValue)) {}

KString::KString(KString&& pOther) noexcept
    : mText(std::move(pOther.mText)), mIsNull(pOther.mIsNull)
{
    pOther.mText.clear();
}

KString& KString::operator=(const char* pText)
{
    if (pText == nullptr) {
        mText.clear();
        mIsNull = true;
    } else {
        // pText may point into this string's own characters.
        mText = std::string(pText);
        mIsNull = false;
    }
    return *this;
}

KString& KString::operator=(KString&& pOther) noexcept
{
    if (this != &pOther) {
        mText = std::move(pOther.mText);
        mIsNull = pOther.mIsNull;
        pOther.mText.clear();
    }
    return *this;
}

KString KString::FromDouble(double pValue, int pDecimals)
{
    if (pDecimals < 0) {
        pDecimals = 6;
    }
    pDecimals = std::min(pDecimals, kMaxDecimals);
    // 309 integer digits of the largest double, sign, point and the decimals.
    char lBuffer[320 + kMaxDecimals];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue,
                                                       std::chars_format::fixed, pDecimals);
    return KString(lBuffer, static_cast<int>(lResult.ptr - lBuffer));
}

KString& KString::Clear()
{
    mText.clear();
    mIsNull = false;
    return *this;
}

char KString::operator[](int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetLen()) {
        return '\0';
    }
    return mText[static_cast<std::size_t>(pIndex)];
}

int KString::Find(const char* pText, int pStart) const
{
    if (pText == nullptr) {
        return 0;
    }
    const std::size_t lFound = mText.find(pText, static_cast<std::size_t>(std::max(pStart, 0)));
    return lFound == std::string::npos ? -1 : static_cast<int>(lFound);
}

int KString::Find(char pChar, int pStart) const
{
    const std::size_t lFound = mText.find(pChar, static_cast<std::size_t>(std::max(pStart, 0)));
    return lFound == std::string::npos ? -1 : static_cast<int>(lFound);
}

int KString::ReverseFind(char pChar) const
{
    const std::size_t lFound = mText.rfind(pChar);
    return lFound == std::string::npos ? -1 : static_cast<int>(lFound);
}

KString KString::Left(int pCount) const
{
    return Mid(0, pCount);
}

KString KString::Mid(int pFirst) const
{
    return Mid(pFirst, GetLen());
}

KString KString::Mid(int pFirst, int pCount) const
{
    KString lResult;
    lResult.mIsNull = mIsNull;
    const int lFirst = std::max(pFirst, 0);
    if (lFirst < GetLen() && pCount > 0) {
        lResult.mText =
            mText.substr(static_cast<std::size_t>(lFirst), static_cast<std::size_t>(pCount));
    }
    return lResult;
}

KString KString::Right(int pCount) const
{
    const int lCount = std::min(std::max(pCount, 0), GetLen());
    return Mid(GetLen() - lCount, lCount);
}

KString KString::Trim(int pMode) const
{
    if (pMode < 0 || pMode > 2) {
        return *this;
    }
    std::size_t lBegin = 0;
    std::size_t lEnd = mText.size();
    if (pMode != 0) {
        while (lBegin < lEnd && IsSpace(static_cast<unsigned char>(mText[lBegin]))) {
            ++lBegin;
        }
    }
    if (pMode != 1) {
        while (lEnd > lBegin && IsSpace(static_cast<unsigned char>(mText[lEnd - 1]))) {
            --lEnd;
        }
    }
    return Mid(static_cast<int>(lBegin), static_cast<int>(lEnd - lBegin));
}

KString KString::Lower() const
{
    KString lResult(*this);
    std::transform(lResult.mText.begin(), lResult.mText.end(), lResult.mText.begin(), ToLower);
    return lResult;
}

KString KString::Upper() const
{
    KString lResult(*this);
    std::transform(lResult.mText.begin(), lResult.mText.end(), lResult.mText.begin(), ToUpper);
    return lResult;
}

int KString::Compare(const char* pText) const
{
    return Sign(std::strcmp(mText.c_str(), pText == nullptr ? "" : pText));
}

int KString::Compare(const KString& pOther) const
{
    return Sign(mText.compare(pOther.mText));
}

int KString::CompareNoCase(const char* pText) const
{
    return Upper().Compare(KString(pText).Upper());
}

KString& KString::operator+=(const char* pText)
{
    if (pText != nullptr) {
        mText.append(pText);
        mIsNull = false;
    }
    return *this;
}

KString& KString::operator+=(const KString& pOther)
{
    if (!pOther.mIsNull) {
        mText.append(pOther.mText);
        mIsNull = false;
    }
    return *this;
}

KString& KString::operator+=(int pValue)
{
    mText.append(IntText(pValue));
    mIsNull = false;
    return *this;
}

bool KString::FindAndReplace(const char* pFind, const char* pReplace, int pStart)
{
    if (pFind == nullptr || *pFind == '\0') {
        return false;
    }
    const int lAt = Find(pFind, pStart);
    if (lAt < 0) {
        return false;
    }
    mText.replace(static_cast<std::size_t>(lAt), std::strlen(pFind),
                  pReplace == nullptr ? "" : pReplace);
    return true;
}

namespace {

// Membership table of the delimiter bytes, so that a scan costs one lookup per character.
class DelimiterSet
{
public:
    explicit DelimiterSet(const char* pDelimiters)
    {
        for (const char* lAt = pDelimiters; lAt != nullptr && *lAt != '\0'; ++lAt) {
            mIsDelimiter[static_cast<unsigned char>(*lAt)] = true;
        }
    }
    bool Contains(char pChar) const { return mIsDelimiter[static_cast<unsigned char>(pChar)]; }

private:
    bool mIsDelimiter[256] = {};
};

} // namespace

int KString::GetTokenCount(const char* pDelimiters) const
{
    const DelimiterSet lDelimiters(pDelimiters);
    int lCount = 0;
    bool lInToken = false;
    for (const char lChar : mText) {
        const bool lIsDelimiter = lDelimiters.Contains(lChar);
        if (!lIsDelimiter && !lInToken) {
            ++lCount;
        }
        lInToken = !lIsDelimiter;
    }
    return lCount;
}

KString KString::GetToken(int pIndex, const char* pDelimiters) const
{
    const DelimiterSet lDelimiters(pDelimiters);
    const std::size_t lLength = mText.size();
    std::size_t lAt = 0;
    for (int i = 0; pIndex >= 0; ++i) {
        while (lAt < lLength && lDelimiters.Contains(mText[lAt])) {
            ++lAt;
        }
        if (lAt == lLength) {
            break;
        }
        const std::size_t lStart = lAt;
        while (lAt < lLength && !lDelimiters.Contains(mText[lAt])) {
            ++lAt;
        }
        if (i == pIndex) {
            return KString(mText.data() + lStart, static_cast<int>(lAt - lStart));
        }
    }
    return KString();
}

KString operator+(const KString& pLeft, const KString& pRight)
{
    if (pLeft.IsNull() || pRight.IsNull()) {
        return KString(nullptr);
    }
    KString lResult(pLeft);
    lResult += pRight;
    return lResult;
}

KString operator+(const KString& pLeft, const char* pRight)
{
    KString lResult(pLeft);
    lResult += pRight;
    return lResult;
}

KString operator+(const KString& pLeft, int pRight)
{
    KString lResult(pLeft);
    lResult += pRight;
    return lResult;
}
