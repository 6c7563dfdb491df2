#include "io/KWriter.h"

#include "core/KOutputGroup.h"
#include "core/KQuotedValue.h"
#include "core/KTime.h"
#include "io/KNodeWalk.h"
#include "io/KStreamOptions.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kWriterErrors[KWriter::kErrorCount] = {
    "File is corrupted", "File not opened",        "File not created",
    "Out of disk space", "Stream options not set", "Unidentified error"};

bool HasBlank(const KString& pName)
{
    for (int i = 0; i < pName.GetLen(); ++i) {
        const char lChar = pName[i];
        if (lChar == ' ' || lChar == '\t' || lChar == '\n') {
            return true;
        }
    }
    return false;
}

} // namespace

KWriter::KWriter(KRyvObjectFactory* pOwner) : mOwner(pOwner), mError(kWriterErrors, kErrorCount) {}

KWriter::~KWriter() = default;

bool KWriter::CheckWriteArguments(bool pOpened, KRyvScene* pScene, KStreamOptions* pOptions,
                                  int pOptionsClassId, bool pNeedsOwner,
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
    if (!pScene || !pScene->GetRootNode() || (pNeedsOwner && !mOwner)) {
        mError.SetLastErrorID(kUnidentifiedError);
        return false;
    }
    return true;
}

void KWriter::StartOwnGroup(const char* pMainTarget)
{
    mOwnGroup.reset();
    if (!mOutputGroup) {
        mOwnGroup = std::make_unique<KOutputGroup>(pMainTarget ? pMainTarget : "");
    }
}

KOutputGroup* KWriter::GetWriteGroup() const
{
    return mOutputGroup ? mOutputGroup : mOwnGroup.get();
}

bool KWriter::EndOwnGroup(bool pCommit)
{
    std::unique_ptr<KOutputGroup> lGroup = std::move(mOwnGroup);
    if (pCommit && lGroup && !lGroup->Commit()) {
        return FailCommit(lGroup->GetFailedTarget().c_str());
    }
    return pCommit;
}

bool KWriter::FailCreate(int pCode, const char* pFileName)
{
    const char* lCause = errno != 0 ? std::strerror(errno) : "the name is empty";
    const std::string lText = std::string(pFileName ? pFileName : "") + ": " + lCause;
    mError.SetLastError(pCode, lText.c_str());
    return false;
}

bool KWriter::FailCommit(const char* pFileName)
{
    if (errno == 0 || errno == ENOSPC || errno == EDQUOT) {
        mError.SetLastErrorID(kOutOfDiskSpace);
        return false;
    }
    return FailCreate(kFileNotCreated, pFileName);
}

bool KWriter::IsFinitePoint(const KVector4& pPoint)
{
    return std::isfinite(pPoint[0]) && std::isfinite(pPoint[1]) && std::isfinite(pPoint[2]);
}

bool KWriter::FailNotFinitePoint(const char* pNodeName)
{
    const std::string lText =
        "A point of node " + KQuoteValue(pNodeName ? pNodeName : "") + " is not a finite number";
    mError.SetLastError(kUnidentifiedError, lText.c_str());
    return false;
}

std::vector<std::string> KWriter::GetCompanionFiles(const char*) const
{
    return {};
}

const char* KWriter::FindMissingContent(KRyvScene*)
{
    return nullptr;
}

const char* KWriter::FindMissingNodeContent(KRyvScene* pScene)
{
    KRyvNode* lRoot = pScene ? pScene->GetRootNode() : nullptr;
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(lRoot, true, lNodes);
    for (KRyvNode* lNode : lNodes) {
        if (lNode->GetNodeAttribute()) {
            return nullptr;
        }
    }
    KTime lStart;
    KTime lStop;
    if (lRoot && lRoot->GetAnimationInterval(lStart, lStop)) {
        return nullptr;
    }
    return "no node with an attribute or animation";
}

KRyvNode* KWriter::FindReferenceNode(KRyvNode* pRoot)
{
    if (!pRoot || pRoot->GetChildCount() != 1) {
        return nullptr;
    }
    // Each step goes one level down, so the walk ends at the latest at a leaf.
    KRyvNode* lNode = pRoot->GetChild(0);
    while (lNode && !lNode->IsMarked()) {
        lNode = lNode->GetChildCount() == 1 ? lNode->GetChild(0) : nullptr;
    }
    return lNode;
}

bool KWriter::CheckNodeNames(KRyvNode* pRoot, KString& ioMessage)
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pRoot, true, lNodes);
    bool lValid = true;
    for (KRyvNode* lNode : lNodes) {
        const KString lName = lNode->GetNameWithoutPrefix();
        if (HasBlank(lName)) {
            ioMessage += "\n    ";
            ioMessage += lName;
            lValid = false;
        }
    }
    return lValid;
}
