#include "formats/geometry/dxf/KDxfLayerNames.h"

#include <cstring>

namespace {

constexpr char kReplacement = '_';
constexpr const char* kForbidden = "<>/\\\":;?*|=`";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

bool IsForbidden(char pChar)
{
    const auto lByte = static_cast<unsigned char>(pChar);
    return lByte < kFirstPrintable || lByte == kDelete || std::strchr(kForbidden, pChar) != nullptr;
}

} // namespace

std::string KDxfLayerNames::Key(std::string_view pName)
{
    std::string lKey(pName);
    for (char& lChar : lKey) {
        if (lChar >= 'A' && lChar <= 'Z') {
            lChar = static_cast<char>(lChar - 'A' + 'a');
        }
    }
    return lKey;
}

std::string KDxfLayerNames::Valid(std::string_view pName)
{
    std::string lName(pName.empty() ? std::string_view(&kReplacement, 1) : pName);
    for (char& lChar : lName) {
        if (IsForbidden(lChar)) {
            lChar = kReplacement;
        }
    }
    // Readers trim the value line: a blank at either end would not come back.
    if (lName.front() == ' ') {
        lName.front() = kReplacement;
    }
    if (lName.back() == ' ') {
        lName.back() = kReplacement;
    }
    return lName;
}

std::string KDxfLayerNames::Add(std::string_view pNodeName)
{
    const std::string lBase = Valid(pNodeName);
    std::string lName = lBase;
    std::string lKey = Key(lName);
    if (mNextNumber.count(lKey) > 0) {
        // Each base keeps its own count, so a run of equal names costs no search from 1.
        int& lNext = mNextNumber[lKey];
        do {
            lName = lBase + std::to_string(lNext++);
            lKey = Key(lName);
        } while (mNextNumber.count(lKey) > 0);
    }
    mNextNumber.emplace(lKey, 1);
    return lName;
}
