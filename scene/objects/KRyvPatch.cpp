#include "scene/objects/KRyvPatch.h"

KRyvPatch::KRyvPatch(KRyvObjectFactory* pFactory) : KRyvGeometry(pFactory) {}

KString KRyvPatch::GetTypeName() const
{
    return KString("Patch");
}

bool KRyvPatch::InitControlPoints(int pUCount, int pUType, int pVCount, int pVType)
{
    if (pUCount < 0 || pVCount < 0 || pUType < eBezier || pUType > eLinear || pVType < eBezier ||
        pVType > eLinear) {
        return false;
    }
    // Widened so that the product of two counts read from a file cannot overflow.
    const long long lTotal = static_cast<long long>(pUCount) * pVCount;
    if (lTotal > kMaxControlPoints) {
        return false;
    }
    mUCount = pUCount;
    mVCount = pVCount;
    mUType = pUType;
    mVType = pVType;
    KRyvLayerContainer::InitControlPoints(static_cast<int>(lTotal));
    return true;
}

bool KRyvPatch::SetStep(int pUStep, int pVStep)
{
    if (pUStep < 0 || pUStep > kMaxStep || pVStep < 0 || pVStep > kMaxStep) {
        return false;
    }
    mUStep = pUStep;
    mVStep = pVStep;
    return true;
}

void KRyvPatch::SetClosed(bool pU, bool pV)
{
    mUClosed = pU;
    mVClosed = pV;
}

void KRyvPatch::SetUCapped(bool pBottom, bool pTop)
{
    mUCappedBottom = pBottom;
    mUCappedTop = pTop;
}

void KRyvPatch::SetVCapped(bool pBottom, bool pTop)
{
    mVCappedBottom = pBottom;
    mVCappedTop = pTop;
}
