#include "scene/KRenamingStrategy.h"

#include <cstdint>
#include <limits>

namespace {

const char* const kClashMarker = "_ncl1_";
const char* const kCaseMarker = "_ncl2_";
// Positions a 32-bit case mask can hold.
constexpr int kMaskBits = 32;

bool IsUpper(char pChar)
{
    return pChar >= 'A' && pChar <= 'Z';
}

bool IsLower(char pChar)
{
    return pChar >= 'a' && pChar <= 'z';
}

bool IsDigit(char pChar)
{
    return pChar >= '0' && pChar <= '9';
}

// The decimal number right after the first pMarker in pText: 0 when the marker is absent, is
// not followed by a digit, or the number does not fit in 32 bits.
std::uint32_t ReadMask(const KString& pText, const char* pMarker)
{
    const int lAt = pText.Find(pMarker);
    if (lAt < 0) {
        return 0;
    }
    std::uint64_t lValue = 0;
    for (int i = lAt + 2; IsDigit(pText[i]); ++i) {
        lValue = lValue * 10 + static_cast<std::uint64_t>(pText[i] - '0');
        if (lValue > std::numeric_limits<std::uint32_t>::max()) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(lValue);
}

} // namespace

KString KRenamingStrategy::RemoveNamePrefix(const char* pName)
{
    const KString lName(pName ? pName : "");
    const int lSeparator = lName.Find("::");
    return lSeparator < 0 ? lName : lName.Mid(lSeparator + 2);
}

KNameClashRenamingStrategy::KNameClashRenamingStrategy(int pDirection, bool pBrackets)
    : mDirection(pDirection), mBrackets(pBrackets)
{
}

bool KNameClashRenamingStrategy::Rename(KNamePair& ioPair)
{
    return mDirection != 0 ? DecodeName(ioPair) : EncodeName(ioPair);
}

void KNameClashRenamingStrategy::SetMode(int pMode)
{
    if (pMode != mMode) {
        mRecords.clear();
    }
    mMode = pMode;
}

bool KNameClashRenamingStrategy::IsRecorded(const KString& pName) const
{
    for (const Record& lRecord : mRecords) {
        if (lRecord.mName == pName) {
            return true;
        }
    }
    return false;
}

KString KNameClashRenamingStrategy::NextClashName(Record& ioRecord) const
{
    KString lName;
    do {
        ++ioRecord.mUseCount;
        lName = ioRecord.mName + kClashMarker + ioRecord.mUseCount;
    } while (IsRecorded(lName));
    return lName;
}

bool KNameClashRenamingStrategy::EncodeName(KNamePair& ioPair)
{
    const KString lName = ioPair.GetCurrentName();
    KString lNewName = lName;
    for (std::size_t lIndex = 0; lIndex < mRecords.size(); ++lIndex) {
        const KString& lSeen = mRecords[lIndex].mName;
        if (mMode != 1 && lSeen.CompareNoCase(lName.Buffer()) == 0 && lSeen != lName) {
            std::uint32_t lUpper = 0;
            std::uint32_t lLower = 0;
            bool lFits = true;
            for (int i = 0; i < lSeen.GetLen(); ++i) {
                if (lSeen[i] == lName[i]) {
                    continue;
                }
                if (i >= kMaskBits) {
                    lFits = false;
                    break;
                }
                (IsUpper(lSeen[i]) ? lUpper : lLower) |= std::uint32_t{1} << i;
            }
            if (lFits) {
                lNewName = lSeen + kCaseMarker;
                if (lUpper != 0) {
                    lNewName += "ul";
                    lNewName += KString(std::to_string(lUpper).c_str());
                }
                if (lLower != 0) {
                    lNewName += "lu";
                    lNewName += KString(std::to_string(lLower).c_str());
                }
                if (IsRecorded(lNewName)) {
                    // Another variant already took this encoding: make it a clash of that one.
                    for (Record& lRecord : mRecords) {
                        if (lRecord.mName == lNewName) {
                            lNewName = NextClashName(lRecord);
                            break;
                        }
                    }
                }
            } else {
                Record lOwn{lName, 0};
                lNewName = NextClashName(lOwn);
            }
            break;
        }
        if (mMode != 2 && lSeen == lName) {
            lNewName = NextClashName(mRecords[lIndex]);
            break;
        }
    }
    const bool lChanged = lNewName != lName;
    if (lChanged) {
        ioPair.SetCurrentName(lNewName);
    }
    mRecords.push_back(Record{lNewName, 0});
    return lChanged;
}

bool KNameClashRenamingStrategy::DecodeName(KNamePair& ioPair)
{
    KString lText = ioPair.GetCurrentName();
    bool lResult = false;

    int lCut = lText.Find(kClashMarker);
    bool lFromBrackets = false;
    int lClose = -1;
    bool lStrip = true;
    if (lCut < 0) {
        const int lOpen = lText.ReverseFind('(');
        lClose = lText.ReverseFind(')');
        if (lOpen >= 0 && lClose >= 0 && lOpen < lClose) {
            for (int i = lOpen + 1; i < lClose; ++i) {
                if (!IsDigit(lText[i])) {
                    lStrip = false;
                    break;
                }
            }
        }
        lCut = lOpen;
        lFromBrackets = true;
    }
    if (lStrip && lCut > 0) {
        ioPair.SetName(lText.Left(lCut));
        if (mBrackets) {
            std::string lBytes(lText.Buffer(), static_cast<std::size_t>(lText.GetLen()));
            lBytes[static_cast<std::size_t>(lCut)] = '_';
            if (lFromBrackets && lClose >= 0 && lClose < lText.GetLen()) {
                lBytes[static_cast<std::size_t>(lClose)] = '_';
            }
            lText = KString(lBytes.c_str(), static_cast<int>(lBytes.size()));
        }
        ioPair.SetCurrentName(lText);
        lResult = true;
    }

    const int lCase = lText.Find(kCaseMarker);
    if (lCase < 0) {
        ioPair.Swap();
    } else {
        const KString lMarkers = lText.Mid(lCase);
        const std::uint32_t lUpper = ReadMask(lMarkers, "ul");
        const std::uint32_t lLower = ReadMask(lMarkers, "lu");
        ioPair.SetName(lText);
        // Only the decoded part is touched: mask bits come from the text and may point anywhere.
        std::string lBytes(lText.Buffer(), static_cast<std::size_t>(lText.GetLen()));
        for (int i = 0; i < kMaskBits && i < lCase; ++i) {
            char& lChar = lBytes[static_cast<std::size_t>(i)];
            if ((lUpper & (std::uint32_t{1} << i)) != 0 && IsUpper(lChar)) {
                lChar = static_cast<char>(lChar - 'A' + 'a');
            }
            if ((lLower & (std::uint32_t{1} << i)) != 0 && IsLower(lChar)) {
                lChar = static_cast<char>(lChar - 'a' + 'A');
            }
        }
        ioPair.SetName(KString(lBytes.c_str(), static_cast<int>(lBytes.size())));
        ioPair.SetCurrentName(KString(lBytes.c_str(), lCase));
        lResult = true;
    }

    ioPair.SetCurrentName(ReplaceNonAlphanumeric(ioPair.GetCurrentName(), "_"));
    return lResult;
}

KString KNameClashRenamingStrategy::ReplaceNonAlphanumeric(const KString& pText,
                                                           const char* pReplacement) const
{
    if (pReplacement == nullptr || pReplacement[0] == '\0') {
        return pText;
    }
    std::string lBytes(pText.Buffer(), static_cast<std::size_t>(pText.GetLen()));
    for (char& lChar : lBytes) {
        if (!IsUpper(lChar) && !IsLower(lChar) && !IsDigit(lChar)) {
            lChar = pReplacement[0];
        }
    }
    return KString(lBytes.c_str(), static_cast<int>(lBytes.size()));
}

bool KNumberSuffixRenamingStrategy::Rename(KNamePair& ioPair)
{
    const std::string lName(ioPair.GetCurrentName().Buffer());
    auto lSeen = mUseCounts.find(lName);
    if (lSeen == mUseCounts.end()) {
        mUseCounts.emplace(lName, 0);
        return false;
    }
    std::string lNewName;
    do {
        ++lSeen->second;
        lNewName = lName + std::to_string(lSeen->second);
    } while (mUseCounts.count(lNewName) != 0);
    mUseCounts.emplace(lNewName, 0);
    ioPair.SetCurrentName(lNewName.c_str());
    return true;
}

std::unique_ptr<KRenamingStrategy> KNumberSuffixRenamingStrategy::Clone() const
{
    return std::make_unique<KNumberSuffixRenamingStrategy>();
}
