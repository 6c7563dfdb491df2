#include "formats/geometry/3ds/KRenamingStrategy3ds.h"

#include "scene/KNamePair.h"

void KRenamingStrategy3ds::Clear()
{
    mUseCounts.clear();
    mGiven.clear();
}

std::unique_ptr<KRenamingStrategy> KRenamingStrategy3ds::Clone() const
{
    return std::make_unique<KRenamingStrategy3ds>();
}

std::string KRenamingStrategy3ds::CutAtCharacter(const std::string& pText, std::size_t pBytes)
{
    if (pText.size() <= pBytes) {
        return pText;
    }
    std::size_t lEnd = pBytes;
    // Continuation bytes of UTF-8 look like 10xxxxxx: step back to the start of a character.
    while (lEnd > 0 && (static_cast<unsigned char>(pText[lEnd]) & 0xC0) == 0x80) {
        --lEnd;
    }
    return pText.substr(0, lEnd);
}

std::string KRenamingStrategy3ds::Rename(const std::string& pName, int pMaxLength, bool* oNumbered)
{
    const std::size_t lMax = static_cast<std::size_t>(pMaxLength > 0 ? pMaxLength : 1);
    const std::size_t lRoom = lMax > kSuffixRoom ? lMax - kSuffixRoom : lMax;
    const std::string lWhole = RemoveNamePrefix(pName.c_str()).Buffer();
    if (oNumbered) {
        *oNumbered = false;
    }
    // A name that fits its field stays whole, so that a file written here keeps its names
    // when it is read and written again.
    if (lWhole.size() <= lMax && mGiven.insert(lWhole).second) {
        return lWhole;
    }
    const std::string lBase = CutAtCharacter(lWhole, lRoom);
    if (mGiven.insert(lBase).second) {
        mUseCounts.emplace(lBase, 0);
        return lBase;
    }
    if (oNumbered) {
        *oNumbered = true;
    }
    // Each try moves the count forward, so the loop ends once an unused number is found.
    int& lCount = mUseCounts[lBase];
    for (;;) {
        const std::string lNumber = std::to_string(++lCount);
        const std::size_t lKeep = lMax > lNumber.size() ? lMax - lNumber.size() : 0;
        const std::string lName = CutAtCharacter(lBase, std::min(lKeep, lBase.size())) + lNumber;
        if (mGiven.insert(lName).second) {
            return lName;
        }
    }
}

bool KRenamingStrategy3ds::Rename(KNamePair& ioPair, int pMaxLength)
{
    bool lNumbered = false;
    const std::string lName = Rename(ioPair.GetCurrentName().Buffer(), pMaxLength, &lNumbered);
    ioPair.SetCurrentName(lName.c_str());
    return lNumbered;
}
