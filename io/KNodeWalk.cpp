#include "io/KNodeWalk.h"

#include "scene/KRyvNode.h"

void CollectNodesDepthFirst(KRyvNode* pNode, bool pIncludeNode, std::vector<KRyvNode*>& ioNodes)
{
    if (!pNode) {
        return;
    }
    std::vector<KRyvNode*> lStack;
    const auto lPushChildren = [&lStack](KRyvNode* pParent) {
        for (int i = pParent->GetChildCount() - 1; i >= 0; --i) {
            lStack.push_back(pParent->GetChild(i));
        }
    };
    if (pIncludeNode) {
        lStack.push_back(pNode);
    } else {
        lPushChildren(pNode);
    }
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        if (lNode) {
            ioNodes.push_back(lNode);
            lPushChildren(lNode);
        }
    }
}
