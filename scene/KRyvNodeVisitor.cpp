#include "scene/KRyvNodeVisitor.h"

#include "scene/KRyvNode.h"

#include <utility>

void KRyvNodeVisitor::Visit(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    if (Accept(pNode)) {
        mAccepted.push_back(pNode);
    }
    // Each entry is a node and the index of its next child to visit.
    std::vector<std::pair<KRyvNode*, int>> lStack{{pNode, 0}};
    while (!lStack.empty()) {
        auto& lTop = lStack.back();
        if (lTop.second >= lTop.first->GetChildCount()) {
            lStack.pop_back();
            continue;
        }
        KRyvNode* lChild = lTop.first->GetChild(lTop.second++);
        if (!lChild) {
            continue;
        }
        if (Accept(lChild)) {
            mAccepted.push_back(lChild);
        }
        lStack.emplace_back(lChild, 0);
    }
}

const std::vector<KRyvNode*>& KRyvNodeVisitor::Traverse(KRyvNode* pRoot)
{
    mRoot = pRoot;
    Visit(pRoot);
    return mAccepted;
}
