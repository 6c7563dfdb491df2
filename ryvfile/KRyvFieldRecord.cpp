#include "ryvfile/KRyvFieldRecord.h"

#include <cstring>
#include <string_view>

KRyvFieldRecord* KRyvFieldRecord::GetChild(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetChildCount()) {
        return nullptr;
    }
    return mChildren[static_cast<std::size_t>(pIndex)].get();
}

KRyvFieldRecord* KRyvFieldRecord::AddChild(std::string pName)
{
    mChildren.push_back(std::make_unique<KRyvFieldRecord>(std::move(pName)));
    return mChildren.back().get();
}

KRyvFieldRecord* KRyvFieldRecord::FindChild(const char* pName, int pStart) const
{
    if (!pName) {
        return nullptr;
    }
    for (int i = pStart < 0 ? 0 : pStart; i < GetChildCount(); ++i) {
        if (mChildren[static_cast<std::size_t>(i)]->mName == pName) {
            return mChildren[static_cast<std::size_t>(i)].get();
        }
    }
    return nullptr;
}

int KRyvFieldRecord::CountChildren(const char* pName) const
{
    int lCount = 0;
    for (const auto& lChild : mChildren) {
        lCount += pName && lChild->mName == pName ? 1 : 0;
    }
    return lCount;
}

bool KRyvFieldRecord::IsValidName(const char* pName, std::size_t pLength)
{
    if (!pName || pLength == 0 || pLength > kMaxNameLength) {
        return false;
    }
    for (const char lChar : std::string_view(pName, pLength)) {
        const bool lLetter = (lChar >= 'A' && lChar <= 'Z') || (lChar >= 'a' && lChar <= 'z');
        const bool lDigit = lChar >= '0' && lChar <= '9';
        if (!lLetter && !lDigit && lChar != '_') {
            return false;
        }
    }
    return true;
}
