#include "plugin/import/KFreeNodeNames.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

KFreeNodeNames::KFreeNodeNames(const KRyvObjectFactory& pFactory)
{
    for (int lIndex = 0; lIndex < pFactory.GetNodeCount(); ++lIndex) {
        mTaken.insert(pFactory.GetNode(lIndex)->GetNameWithoutPrefix().Buffer());
    }
}

std::string KFreeNodeNames::Take(const std::string& pName)
{
    std::string lName = pName;
    for (int lNumber = 1; mTaken.count(lName) > 0; ++lNumber) {
        lName = pName + std::to_string(lNumber);
    }
    mTaken.insert(lName);
    return lName;
}
