#include "plugin/export/RyvVurnExportedNodes.h"

#include "plugin/shell/RyvVurnNode.h"
#include "scene/KRyvNode.h"

#include <vector>

void RyvVurnExportedNodes::Build(KRyvNode* pRoot)
{
    Clear();
    std::vector<KRyvNode*> lPending;
    if (pRoot) {
        lPending.push_back(pRoot);
    }
    while (!lPending.empty()) {
        KRyvNode* lNode = lPending.back();
        lPending.pop_back();
        Add(lNode);
        // Pushed first to last, so the last child is taken first.
        for (int lIndex = 0; lIndex < lNode->GetChildCount(); ++lIndex) {
            lPending.push_back(lNode->GetChild(lIndex));
        }
    }
}

void RyvVurnExportedNodes::Clear()
{
    mNodes.clear();
}

void RyvVurnExportedNodes::Add(KRyvNode* pNode)
{
    const auto* lHostNode = dynamic_cast<const RyvVurnNode*>(pNode);
    if (lHostNode && lHostNode->GetDagPath()) {
        mNodes.emplace(lHostNode->GetDagPath()->fullPathName().asChar(), pNode);
    }
}

KRyvNode* RyvVurnExportedNodes::Find(const MDagPath& pPath) const
{
    if (KRyvNode* lFound = FindExact(pPath)) {
        return lFound;
    }
    MDagPath lTransform = pPath;
    if (pPath.node().hasFn(MFn::kTransform) || !lTransform.pop() || lTransform.length() == 0) {
        return nullptr;
    }
    return FindExact(lTransform);
}

KRyvNode* RyvVurnExportedNodes::FindExact(const MDagPath& pPath) const
{
    const auto lFound = mNodes.find(pPath.fullPathName().asChar());
    return lFound == mNodes.end() ? nullptr : lFound->second;
}
