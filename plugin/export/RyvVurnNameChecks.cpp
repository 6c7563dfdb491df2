#include "plugin/export/RyvVurnNameChecks.h"

#include "core/KLog.h"
#include "platform/vurn/MFnAttribute.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnPathHelpers.h"
#include "scene/KRyvSceneGatherer.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace M = RyvVurnExportMessages;

namespace {
constexpr const char* kMaterialPrefix = "Material::";
constexpr const char* kTexturePrefix = "Texture::";
constexpr int kGathererNodeNames = 0;
constexpr int kGathererMaterialNames = 1;
constexpr int kGathererTextureNames = 2;
constexpr int kGathererVideoNames = 3;
constexpr int kGathererGoboNames = 4;

// True when pName holds a ':' after its pPrefix (from index 0 when it lacks the prefix).
bool HasNamespace(const char* pName, const char* pPrefix)
{
    const size_t lLength = std::strlen(pPrefix);
    const char* lFrom = std::strncmp(pName, pPrefix, lLength) == 0 ? pName + lLength : pName;
    return std::strchr(lFrom, ':') != nullptr;
}

void AddLines(KLog& ioLog, const std::vector<std::string>& pLines)
{
    for (const std::string& lLine : pLines) {
        ioLog.AddLine(lLine.c_str());
    }
}
} // namespace

MStatus RyvVurnExporter::CheckDuplicateNames(KRyvNode* pRoot)
{
    KRyvSceneGatherer lGatherer(nullptr);
    lGatherer.SetSwitch(kGathererNodeNames, true);
    for (int lSwitch :
         {kGathererMaterialNames, kGathererTextureNames, kGathererVideoNames, kGathererGoboNames}) {
        lGatherer.SetSwitch(lSwitch, false);
    }
    const std::vector<KRyvNode*> lNodes = lGatherer.Traverse(pRoot);
    if (lNodes.empty()) {
        return MStatus();
    }
    mLog->AddLine(M::TitledLine(M::kTitleError, M::kDuplicateNames).Buffer());
    KString lText(M::kDuplicateNames);
    lText += M::kDialogBreak;
    lText += M::kDialogBreak;
    const bool lCut = static_cast<int>(lNodes.size()) > M::kMaxListedNames;
    const int lCount = lCut ? M::kMaxListedNames : static_cast<int>(lNodes.size());
    for (int lIndex = lCount - 1; lIndex >= 0; --lIndex) {
        const auto* lNode = dynamic_cast<const RyvVurnNode*>(lNodes[static_cast<size_t>(lIndex)]);
        const KString lName = GetDagPathDisplayName(lNode ? lNode->GetDagPath() : nullptr);
        mLog->AddLine(lName.Buffer());
        lText += M::kListIndent;
        lText += lName;
        lText += M::kDialogBreak;
    }
    if (lCut) {
        lText += M::kListCut;
        lText += M::kDialogBreak;
        mLog->AddLine(M::kListCut);
    }
    mLog->AddLine("");
    M::ShowMessage(M::kTitleError, lText);
    return MStatus(MStatus::kFailure, M::kDuplicateNames);
}

void CheckMaterialNamespaces(RyvVurnObjectFactory& pFactory, KLog& ioLog)
{
    std::vector<std::string> lFaulty;
    for (int lIndex = 0; lIndex < pFactory.GetMaterialCount(); ++lIndex) {
        const KString& lName = pFactory.GetMaterial(lIndex)->GetName();
        if (HasNamespace(lName.Buffer(), kMaterialPrefix)) {
            lFaulty.emplace_back(lName.Buffer());
        }
    }
    for (int lIndex = 0; lIndex < pFactory.GetTextureCount(); ++lIndex) {
        const KString& lName = pFactory.GetTexture(lIndex)->GetName();
        if (HasNamespace(lName.Buffer(), kTexturePrefix)) {
            lFaulty.emplace_back(lName.Buffer());
        }
    }
    if (lFaulty.empty()) {
        return;
    }
    ioLog.AddLine(M::TitledLine(M::kTitleWarning, M::kMaterialNamespaces).Buffer());
    AddLines(ioLog,
             {M::kMaterialNamespaces2, M::kMaterialNamespaces3, M::kMaterialNamespaces4, ""});
    AddLines(ioLog, lFaulty);
    ioLog.AddLine("");
    KString lText(M::kMaterialNamespaces);
    for (const char* lLine :
         {M::kMaterialNamespaces2, M::kMaterialNamespaces3, M::kMaterialNamespaces4}) {
        lText += M::kDialogBreak;
        lText += lLine;
    }
    lText += M::kDialogBreak;
    lText += M::kDialogBreak;
    const size_t lFirst = lFaulty.size() > static_cast<size_t>(M::kMaxListedNames)
                              ? lFaulty.size() - M::kMaxListedNames
                              : 0;
    for (size_t lIndex = lFirst; lIndex < lFaulty.size(); ++lIndex) {
        lText += M::kListIndent;
        lText += lFaulty[lIndex].c_str();
        lText += M::kDialogBreak;
    }
    if (lFirst > 0) {
        lText += M::kListCut;
        lText += M::kDialogBreak;
    }
    M::ShowMessage(M::kTitleWarning, lText);
}

void CheckRootNamespaces(KLog& ioLog, KRyvNode* pRoot)
{
    // Whether any pair shares a namespace is all the warning tells: a set finds that without
    // comparing every pair of a large scene's top-level nodes.
    std::set<std::string> lSpaces;
    bool lShared = false;
    for (int lIndex = 0; pRoot && lIndex < pRoot->GetChildCount() && !lShared; ++lIndex) {
        const auto* lNode = dynamic_cast<const RyvVurnNode*>(pRoot->GetChild(lIndex));
        bool lHas = false;
        const KString lSpace = lNode ? lNode->GetNamespace(lHas) : KString("");
        lShared = lHas && !lSpace.IsEmpty() && !lSpaces.insert(lSpace.Buffer()).second;
    }
    if (!lShared) {
        return;
    }
    ioLog.AddLine(M::TitledLine(M::kTitleWarning, M::kRootNamespaces).Buffer());
    AddLines(ioLog, {M::kRootNamespaces2, M::kRootNamespaces3, ""});
    KString lText(M::kRootNamespaces);
    lText += M::kDialogBreak;
    lText += M::kRootNamespaces2;
    lText += M::kDialogBreak;
    lText += M::kRootNamespaces3;
    lText += M::kDialogBreak;
    lText += M::kDialogBreak;
    M::ShowMessage(M::kTitleWarning, lText);
}

bool HasMiPrefix(const MObject& pAttribute)
{
    const MString lName = MFnAttribute(pAttribute).name();
    const char* lText = lName.asChar();
    return std::strlen(lText) >= 3 && lText[0] == 'm' && lText[1] == 'i' &&
           std::isupper(static_cast<unsigned char>(lText[2])) != 0;
}
