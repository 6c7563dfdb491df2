#include "scene/KNamePair.h"

#include <utility>

void KNamePair::SetName(const char* pName)
{
    mInitialName = pName;
    mCurrentName = pName;
}

void KNamePair::SetName(const KString& pName)
{
    mInitialName = pName;
    mCurrentName = pName;
}

void KNamePair::Swap()
{
    std::swap(mInitialName, mCurrentName);
}
