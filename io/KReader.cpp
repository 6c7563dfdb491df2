#include "io/KReader.h"

#include "core/KByteSource.h"
#include "io/KNodeWalk.h"
#include "io/KStreamOptions.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSameNames.h"
#include "scene/KRyvScene.h"

#include <algorithm>
#include <cstdint>
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
    const std::vector<std::uint32_t> lNext = KRyvNextWithSameName(lNodes);
    std::vector<bool> lFollows(lNodes.size(), false);
    for (const std::uint32_t lIndex : lNext) {
        if (lIndex != kRyvNoNextWithSameName) {
            lFollows[lIndex] = true;
        }
    }
    // The first node of each shared name reports it.
    bool lUnique = true;
    for (std::size_t i = 0; i < lNodes.size(); ++i) {
        if (lNext[i] != kRyvNoNextWithSameName && !lFollows[i]) {
            ioMessage += "\n    ";
            ioMessage += lNodes[i]->GetNameWithoutPrefix();
            lUnique = false;
        }
    }
    return lUnique;
}

void KReader::AskReadQuestions(KStreamOptions&) {}
