#include "scene/objects/KRyvGobo.h"

KRyvGobo::KRyvGobo(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvObject(pOwner, pName), mPath("")
{
}

KRyvGobo::~KRyvGobo() = default;

bool KRyvGobo::SetPath(const char* pPath)
{
    mPath = KString(pPath ? pPath : "");
    return true;
}

bool KRyvGobo::SetDrawComponent(int pComponent, bool pDraw)
{
    if (pComponent < 0 || pComponent >= kDrawComponentCount) {
        return false;
    }
    mDrawComponents[pComponent] = pDraw;
    return true;
}

bool KRyvGobo::GetDrawComponent(int pComponent) const
{
    return pComponent >= 0 && pComponent < kDrawComponentCount && mDrawComponents[pComponent];
}
