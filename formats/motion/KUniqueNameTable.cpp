#include "formats/motion/KUniqueNameTable.h"

#include <cctype>

namespace {

const char* const kDefaultName = "Default";
// Media extensions whose first digit stays with the name.
const char* const kMediaEndings[] = {".mpg", ".mp", ".sd"};
// Characters a name needs before its digits for a media ending to count.
constexpr std::size_t kMinMediaPrefix = 3;
// The table the optical formats make their marker names unique with.
constexpr int kMarkerTableBits = 8;
constexpr int kMarkerTableGrowth = 64;

std::string UpperKey(const std::string& pText)
{
    std::string lKey(pText);
    for (char& lChar : lKey) {
        lChar = static_cast<char>(std::toupper(static_cast<unsigned char>(lChar)));
    }
    return lKey;
}

bool EndsWithNoCase(const std::string& pText, std::size_t pEnd, const char* pEnding)
{
    const std::string lEnding(pEnding);
    if (pEnd < lEnding.size()) {
        return false;
    }
    return UpperKey(pText.substr(pEnd - lEnding.size(), lEnding.size())) == UpperKey(lEnding);
}

// A decimal digit string plus one, without leading zeros ("007" -> "8", "99" -> "100").
std::string Increment(const std::string& pDigits)
{
    std::size_t lFirst = pDigits.find_first_not_of('0');
    std::string lNumber = lFirst == std::string::npos ? "0" : pDigits.substr(lFirst);
    std::size_t i = lNumber.size();
    while (i > 0) {
        --i;
        if (lNumber[i] != '9') {
            ++lNumber[i];
            return lNumber;
        }
        lNumber[i] = '0';
    }
    return "1" + lNumber;
}

} // namespace

KUniqueNameTable::KUniqueNameTable(int pBits, int /*pGrowth*/)
{
    const int lBits = pBits <= 0 ? 1 : (pBits > 20 ? 20 : pBits);
    mByKey.reserve(std::size_t(1) << lBits);
}

std::string KUniqueNameTable::Normalise(const std::string& pName)
{
    const std::size_t lFirst = pName.find_first_not_of(' ');
    if (lFirst == std::string::npos) {
        return kDefaultName;
    }
    const std::size_t lLast = pName.find_last_not_of(' ');
    return pName.substr(lFirst, lLast - lFirst + 1);
}

std::size_t KUniqueNameTable::BaseLength(const std::string& pName)
{
    std::size_t lBase = pName.size();
    while (lBase > 0 && std::isdigit(static_cast<unsigned char>(pName[lBase - 1]))) {
        --lBase;
    }
    if (lBase == pName.size() || lBase < kMinMediaPrefix) {
        return lBase;
    }
    for (const char* lEnding : kMediaEndings) {
        if (EndsWithNoCase(pName, lBase, lEnding)) {
            return lBase + 1;
        }
    }
    return lBase;
}

std::string KUniqueNameTable::AddName(const std::string& pName, int pReference)
{
    const std::string lName = Normalise(pName);
    if (!Contains(lName)) {
        Store(lName, pReference);
        return lName;
    }
    const std::size_t lBaseLength = BaseLength(lName);
    const bool lHasNumber = lBaseLength < lName.size();
    const std::string lBase =
        lHasNumber ? lName.substr(0, lBaseLength) : lName.substr(0, lBaseLength) + " ";
    const std::string lStart = lHasNumber ? lName.substr(lBaseLength) : "0";
    std::string& lLast = mLastNumber[UpperKey(lBase) + '\n' + lStart];
    std::string lNumber = lLast.empty() ? lStart : lLast;
    std::string lCandidate;
    do {
        lNumber = Increment(lNumber);
        lCandidate = lBase + lNumber;
    } while (Contains(lCandidate));
    lLast = lNumber;
    Store(lCandidate, pReference);
    return lCandidate;
}

const std::string* KUniqueNameTable::GetName(int pReference) const
{
    const auto lFound = mByReference.find(pReference);
    return lFound == mByReference.end() ? nullptr : &mNames[lFound->second];
}

void KUniqueNameTable::Clear()
{
    mNames.clear();
    mByKey.clear();
    mByReference.clear();
    mLastNumber.clear();
}

bool KUniqueNameTable::Contains(const std::string& pName) const
{
    return mByKey.count(UpperKey(pName)) != 0;
}

void KUniqueNameTable::Store(const std::string& pName, int pReference)
{
    mNames.push_back(pName);
    mByKey.emplace(UpperKey(pName), mNames.size() - 1);
    mByReference[pReference] = mNames.size() - 1;
}

std::vector<std::size_t> KUniqueNameTable::MakeUnique(std::vector<KString>& ioNames)
{
    KUniqueNameTable lTable(kMarkerTableBits, kMarkerTableGrowth);
    std::vector<std::size_t> lChanged;
    for (std::size_t k = 0; k < ioNames.size(); ++k) {
        const std::string lOld = ioNames[k].Buffer();
        const std::string lNew = lTable.AddName(lOld, static_cast<int>(k + 1));
        if (lNew != lOld) {
            ioNames[k] = KString(lNew.c_str());
            lChanged.push_back(k);
        }
    }
    return lChanged;
}

std::string KUniqueNameTable::DescribeRename(const std::string& pFile, const char* pVerb,
                                             const KString& pOld, const KString& pNew)
{
    const std::string lOld = std::string(pOld.Buffer()).substr(0, kQuotedLength);
    const std::string lNew = std::string(pNew.Buffer()).substr(0, kQuotedLength);
    return pFile + ": marker \"" + lOld + "\" is " + pVerb + " as \"" + lNew +
           "\": another marker has its name\n";
}
