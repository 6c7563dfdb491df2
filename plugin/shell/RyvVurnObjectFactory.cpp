#include "plugin/shell/RyvVurnObjectFactory.h"

RyvVurnObjectFactory::RyvVurnObjectFactory(int pHostId) : mHostId(pHostId) {}

KRyvNode* RyvVurnObjectFactory::NewNode(const char* pName)
{
    return new RyvVurnNode(this, pName);
}

RyvVurnNode* RyvVurnObjectFactory::CreateNode(const char* pName, const MDagPath* pPath)
{
    auto* lNode = static_cast<RyvVurnNode*>(KRyvObjectFactory::CreateNode(pName));
    if (lNode) {
        lNode->SetDagPath(pPath);
    }
    return lNode;
}

void RyvVurnObjectFactory::ApplyNameRules()
{
    for (int lIndex = 0; lIndex < GetNodeCount(); ++lIndex) {
        auto* lNode = static_cast<RyvVurnNode*>(GetNode(lIndex));
        const MDagPath* lPath = lNode->GetDagPath();
        if (lPath && lPath->isValid()) {
            lNode->SetName(lPath->partialPathName().asChar());
        }
    }
}

KImageConverter* RyvVurnObjectFactory::GetImageConverter()
{
    if (!mImageConverter) {
        mImageConverter = CreateImageConverter();
    }
    return mImageConverter;
}
