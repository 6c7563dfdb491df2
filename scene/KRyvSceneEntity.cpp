#include "scene/KRyvSceneEntity.h"

#include "scene/KRyvNode.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace {

const char* const kEntityErrorTable[] = {
    "Node is null.",
    "Node is already owned by the entity.",
    "Node does not belong to the entity.",
    "Parameter is out of range.",
};

} // namespace

KRyvSceneEntity::KRyvSceneEntity()
    : mError(kEntityErrorTable, static_cast<int>(sizeof(kEntityErrorTable) / sizeof(char*)))
{
}

KRyvSceneEntity::~KRyvSceneEntity()
{
    Clear();
}

KRyvNode* KRyvSceneEntity::GetNode(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetNodeCount()) {
        mError.SetLastErrorID(kParameterOutOfRange);
        return nullptr;
    }
    return mNodes[static_cast<std::size_t>(pIndex)];
}

bool KRyvSceneEntity::AddNode(KRyvNode* pNode)
{
    if (!pNode) {
        mError.SetLastErrorID(kNodeIsNull);
        return false;
    }
    if (HasNode(pNode)) {
        mError.SetLastErrorID(kNodeAlreadyOwned);
        return false;
    }
    mNodes.push_back(pNode);
    return true;
}

bool KRyvSceneEntity::RemoveNode(KRyvNode* pNode)
{
    if (!pNode) {
        mError.SetLastErrorID(kNodeIsNull);
        return false;
    }
    const auto lFound = std::find(mNodes.begin(), mNodes.end(), pNode);
    if (lFound == mNodes.end()) {
        mError.SetLastErrorID(kNodeNotInEntity);
        return false;
    }
    mNodes.erase(lFound);
    if (mRoot == pNode) {
        mRoot = nullptr;
    }
    return true;
}

bool KRyvSceneEntity::HasNode(const KRyvNode* pNode) const
{
    return std::find(mNodes.begin(), mNodes.end(), pNode) != mNodes.end();
}

void KRyvSceneEntity::Clear()
{
    for (KRyvNode* lNode : mNodes) {
        lNode->mScene = nullptr;
    }
    mNodes.clear();
    mRoot = nullptr;
}

KRyvNode* KRyvSceneEntity::FindNodeNameClash(const std::vector<KRyvNode*>& pNodes,
                                             KRyvSceneEntity* pReference)
{
    KRyvNode* lReferenceRoot = pReference ? pReference->GetRootNode() : nullptr;
    std::unordered_set<std::string> lSeen;
    for (KRyvNode* lNode : pNodes) {
        const KString& lName = lNode->GetName();
        if (!lSeen.insert(lName.Buffer()).second) {
            return lNode;
        }
        KRyvNode* lFound =
            lReferenceRoot ? lReferenceRoot->FindChild(lName.Buffer(), true) : nullptr;
        if (lFound && lFound != lNode) {
            return lNode;
        }
    }
    return nullptr;
}
