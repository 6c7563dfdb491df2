#include "scene/KRyvNodeIndexPath.h"

#include "scene/KRyvNode.h"

KRyvNodeIndexPath::KRyvNodeIndexPath(KRyvNode* pNode)
{
    Build(pNode);
}

void KRyvNodeIndexPath::Build(KRyvNode* pNode)
{
    mNode = pNode;
    mRoot = pNode;
    mIndices.clear();
    if (!pNode) {
        return;
    }
    std::vector<int> lUpwards;
    KRyvNode* lCurrent = pNode;
    while (KRyvNode* lParent = lCurrent->GetParent()) {
        int lIndex = 0;
        const int lCount = lParent->GetChildCount();
        if (lCount >= 2) {
            while (lIndex < lCount && lParent->GetChild(lIndex) != lCurrent) {
                ++lIndex;
            }
        }
        lUpwards.push_back(lIndex);
        lCurrent = lParent;
    }
    mRoot = lCurrent;
    mIndices.assign(lUpwards.rbegin(), lUpwards.rend());
}

int KRyvNodeIndexPath::GetIndexAt(int pLevel) const
{
    return pLevel >= 0 && pLevel < GetDepth() ? mIndices[static_cast<std::size_t>(pLevel)] : -1;
}

KRyvNode* KRyvNodeIndexPath::GetNodeAt(int pDepth) const
{
    if (pDepth < 0 || pDepth > GetDepth()) {
        return nullptr;
    }
    KRyvNode* lNode = mRoot;
    for (int i = 0; i < pDepth && lNode; ++i) {
        lNode = lNode->GetChild(mIndices[static_cast<std::size_t>(i)]);
    }
    return lNode;
}

const char* KRyvNodeIndexPath::GetNameAt(int pDepth) const
{
    const KRyvNode* lNode = GetNodeAt(pDepth);
    return lNode ? lNode->GetName().Buffer() : nullptr;
}
