#include "io/KReader.h"

#include "core/KByteSource.h"
#include "io/KNodeWalk.h"
#include "io/KStreamOptions.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kReaderErrors[KReader::kErrorCount] = {"File is corrupted",
                                                         "File version is not supported yet",
                                                         "File version is not supported anymore",
                                                         "File not opened",
                                                         "File not created",
                                                         "Wrong password",
                                                         "Stream options not set",
                                                         "Unidentified error"};

} // namespace

KReader::KReader(KRyvObjectFactory* pOwner, bool pText)
    : mOwner(pOwner), mText(pText), mError(kReaderErrors, kErrorCount)
{
}

KReader::~KReader() = default;

void KReader::AddCompanionFile(const std::string& pPath)
{
    if (std::find(mCompanionFiles.begin(), mCompanionFiles.end(), pPath) == mCompanionFiles.end()) {
        mCompanionFiles.push_back(pPath);
    }
}

bool KReader::CheckReadArguments(bool pOpened, KRyvScene* pScene, KStreamOptions* pOptions,
                                 int pOptionsClassId,
                                 const std::function<bool(KStreamOptions&)>& pAccepts)
{
    if (!pOpened) {
        mError.SetLastErrorID(kFileNotOpened);
        return false;
    }
    if (!pOptions || !pOptions->IsA(pOptionsClassId) || (pAccepts && !pAccepts(*pOptions))) {
        mError.SetLastErrorID(kStreamOptionsNotSet);
        return false;
    }
    if (!pScene || !pScene->GetRootNode() || !mOwner) {
        mError.SetLastErrorID(kUnidentifiedError);
        return false;
    }
    return true;
}

bool KReader::FileOpen(const char* pFileName)
{
    auto lSource = std::make_unique<KByteSource>();
    const bool lOpened = lSource->OpenFile(pFileName, mText);
    return Open(std::move(lSource), lOpened);
}

bool KReader::MemoryOpen(const void* pData, std::size_t pSize, const char* pName)
{
    auto lSource = std::make_unique<KByteSource>();
    const bool lOpened = lSource->OpenMemory(pData, pSize, pName, mText);
    return Open(std::move(lSource), lOpened);
}

bool KReader::Open(std::unique_ptr<KByteSource> pSource, bool pOpened)
{
    if (IsFileOpen()) {
        FileClose();
    }
    if (!pOpened) {
        mError.SetLastError(pSource->HoldsBinaryData() ? kFileCorrupted : kFileNotOpened,
                            pSource->GetErrorText().c_str());
        return false;
    }
    return OpenSource(std::move(pSource));
}

bool KReader::ReportDuplicateNames(KRyvNode* pNode, KString& ioMessage)
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pNode, false, lNodes);

    std::map<std::string, int> lCounts;
    for (KRyvNode* lNode : lNodes) {
        const KString& lName = lNode->GetName();
        ++lCounts[std::string(lName.Buffer(), lName.GetLen())];
    }
    bool lUnique = true;
    for (KRyvNode* lNode : lNodes) {
        const KString& lName = lNode->GetName();
        auto lFound = lCounts.find(std::string(lName.Buffer(), lName.GetLen()));
        // A count set to 0 marks a name reported already.
        if (lFound->second > 1) {
            ioMessage += "\n    ";
            ioMessage += lNode->GetNameWithoutPrefix();
            lFound->second = 0;
            lUnique = false;
        }
    }
    return lUnique;
}
