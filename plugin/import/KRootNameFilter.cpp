#include "plugin/import/KRootNameFilter.h"

#include "scene/KRyvNode.h"

bool KRootNameFilter::IsRootNode(const KRyvNode* pNode) const
{
    if (!pNode) {
        return false;
    }
    return pNode->GetName().Find(mRootName.Buffer()) >= 0 || IsRootNodeByTest(pNode);
}
