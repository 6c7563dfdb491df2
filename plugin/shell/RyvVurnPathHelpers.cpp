#include "plugin/shell/RyvVurnPathHelpers.h"

#include "plugin/shell/RyvVurnNode.h"

#include <cstring>
#include <string>

namespace {
constexpr int kDisplayHead = 87;
constexpr int kDisplayTail = 88;
constexpr const char* kDisplayEllipsis = " ... ";
const char* const kDefaultCameraNames[] = {"persp",      "top",      "front",      "side",
                                           "perspShape", "topShape", "frontShape", "sideShape"};

// True when pPath is the node's own path or the path of one of its host children, the
// children taken from the last.
bool StandsFor(const RyvVurnNode& pNode, const MDagPath& pPath)
{
    const MDagPath* lOwn = pNode.GetDagPath();
    if (!lOwn) {
        return false;
    }
    if (*lOwn == pPath) {
        return true;
    }
    for (unsigned int lIndex = lOwn->childCount(); lIndex > 0; --lIndex) {
        // The child is taken under this very path: another instance of it is another node's.
        MDagPath lChild = *lOwn;
        if (lChild.push(lOwn->child(lIndex - 1)) && lChild == pPath) {
            return true;
        }
    }
    return false;
}
} // namespace

KRyvNode* FindNodeByDagPath(KRyvNode* pNode, const MDagPath& pPath)
{
    if (!pNode) {
        return nullptr;
    }
    const auto* lNode = dynamic_cast<const RyvVurnNode*>(pNode);
    if (lNode && StandsFor(*lNode, pPath)) {
        return pNode;
    }
    for (int lIndex = pNode->GetChildCount(); lIndex > 0; --lIndex) {
        KRyvNode* lFound = FindNodeByDagPath(pNode->GetChild(lIndex - 1), pPath);
        if (lFound) {
            return lFound;
        }
    }
    return nullptr;
}

KString ReplacePathSeparators(const char* pText)
{
    std::string lOut;
    for (const char* lChar = pText ? pText : ""; *lChar != '\0'; ++lChar) {
        lOut += *lChar == '|' ? std::string(" / ") : std::string(1, *lChar);
    }
    return KString(lOut.c_str());
}

KString GetDagPathDisplayName(const MDagPath* pPath)
{
    if (!pPath) {
        return KString();
    }
    const std::string lName = ReplacePathSeparators(pPath->fullPathName().asChar()).Buffer();
    if (static_cast<int>(lName.size()) <= kDisplayNameLimit) {
        return KString(lName.c_str());
    }
    const std::string lShort = lName.substr(0, kDisplayHead) + kDisplayEllipsis +
                               lName.substr(lName.size() - kDisplayTail);
    return KString(lShort.c_str());
}

KString ExtractFromCharToChar(const char* pText, char pFirst, char pSecond)
{
    const std::string lText = pText ? pText : "";
    const size_t lStart = lText.find(pFirst);
    if (lStart == std::string::npos) {
        return KString();
    }
    const size_t lEnd = lText.find(pSecond, lStart + 1);
    return KString(
        lText.substr(lStart, lEnd == std::string::npos ? std::string::npos : lEnd - lStart)
            .c_str());
}

bool IsDefaultCameraName(const char* pName)
{
    for (const char* lDefault : kDefaultCameraNames) {
        if (pName && std::strcmp(pName, lDefault) == 0) {
            return true;
        }
    }
    return false;
}
