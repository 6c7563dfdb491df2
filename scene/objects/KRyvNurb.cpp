#include "scene/objects/KRyvNurb.h"

#include <algorithm>

namespace {

constexpr const char* kTypeTexts[] = {"Periodic", "Closed", "Open"};

bool IsType(int pType)
{
    return pType >= KRyvNurb::ePeriodic && pType <= KRyvNurb::eOpen;
}

} // namespace

KRyvNurb::KRyvNurb(KRyvObjectFactory* pFactory) : KRyvGeometry(pFactory)
{
    Reset();
}

KRyvNurb::~KRyvNurb() = default;

KString KRyvNurb::GetTypeName() const
{
    return KString("Nurb");
}

KRyvNurb& KRyvNurb::operator=(const KRyvNurb& pOther)
{
    // Reset comes first, so assigning a surface to itself would wipe it.
    if (this == &pOther) {
        return *this;
    }
    Reset();
    mExchangeUV = pOther.mExchangeUV;
    mRemapLinks = pOther.mRemapLinks;
    mSurfaceDisplayMode = pOther.mSurfaceDisplayMode;
    mUOrder = pOther.mUOrder;
    mVOrder = pOther.mVOrder;
    mUStep = pOther.mUStep;
    mVStep = pOther.mVStep;
    InitControlPoints(pOther.mUCount, pOther.mUType, pOther.mVCount, pOther.mVType);
    // The other's arrays may be shorter than the rule gives when its orders changed after its
    // own InitControlPoints; copy what both hold.
    std::copy_n(pOther.mUKnots.begin(), std::min(mUKnots.size(), pOther.mUKnots.size()),
                mUKnots.begin());
    std::copy_n(pOther.mVKnots.begin(), std::min(mVKnots.size(), pOther.mVKnots.size()),
                mVKnots.begin());
    mUMultiplicity = pOther.mUMultiplicity;
    mVMultiplicity = pOther.mVMultiplicity;
    KRyvGeometry::operator=(pOther);
    return *this;
}

void KRyvNurb::Reset()
{
    mUOrder = mVOrder = 0;
    mUCount = mVCount = 0;
    mUStep = mVStep = 0;
    mUType = mVType = eOpen;
    mUKnots.clear();
    mVKnots.clear();
    mUMultiplicity.clear();
    mVMultiplicity.clear();
    mSurfaceDisplayMode = 4;
    mExchangeUV = false;
    mRemapLinks = false;
    KRyvLayerContainer::InitControlPoints(0);
}

bool KRyvNurb::SetOrder(int pUOrder, int pVOrder)
{
    if (pUOrder < 0 || pUOrder > kMaxOrder || pVOrder < 0 || pVOrder > kMaxOrder) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    mUOrder = pUOrder;
    mVOrder = pVOrder;
    return true;
}

bool KRyvNurb::SetStep(int pUStep, int pVStep)
{
    if (pUStep < 0 || pUStep > kMaxStep || pVStep < 0 || pVStep > kMaxStep) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    mUStep = pUStep;
    mVStep = pVStep;
    return true;
}

bool KRyvNurb::InitControlPoints(int pUCount, int pUType, int pVCount, int pVType)
{
    if (pUCount < 0 || pVCount < 0 || !IsType(pUType) || !IsType(pVType) ||
        static_cast<long long>(pUCount) * pVCount > kMaxControlPoints ||
        pUCount > kMaxControlPoints || pVCount > kMaxControlPoints) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    KRyvLayerContainer::InitControlPoints(pUCount * pVCount);
    mUCount = pUCount;
    mVCount = pVCount;
    mUType = pUType;
    mVType = pVType;
    mUKnots.assign(static_cast<size_t>(GetUKnotCount()), 0.0);
    mVKnots.assign(static_cast<size_t>(GetVKnotCount()), 0.0);
    mUMultiplicity.assign(static_cast<size_t>(pUCount), 1);
    mVMultiplicity.assign(static_cast<size_t>(pVCount), 1);
    return true;
}

bool KRyvNurb::IsValid() const
{
    if (static_cast<long long>(KRyvLayerContainer::GetControlPointCount()) !=
        static_cast<long long>(mUCount) * mVCount) {
        return false;
    }
    for (const KVector4& lPoint : GetControlPointArray()) {
        // Written so that a NaN weight fails too.
        if (!(lPoint[3] > 0.0)) {
            return false;
        }
    }
    return mUMultiplicity.size() == static_cast<size_t>(mUCount) &&
           mVMultiplicity.size() == static_cast<size_t>(mVCount) &&
           mUKnots.size() == static_cast<size_t>(GetUKnotCount()) &&
           mVKnots.size() == static_cast<size_t>(GetVKnotCount());
}

const char* KRyvNurb::GetTypeText(int pType)
{
    return IsType(pType) ? kTypeTexts[pType] : nullptr;
}

int KRyvNurb::GetTypeFromText(const char* pText)
{
    if (pText == nullptr) {
        return -1;
    }
    const KString lText(pText);
    for (int i = ePeriodic; i <= eOpen; ++i) {
        if (lText.CompareNoCase(kTypeTexts[i]) == 0) {
            return i;
        }
    }
    return -1;
}

int KRyvNurb::KnotCount(int pCount, int pOrder, int pType)
{
    // Counts and orders are capped, so this cannot overflow.
    const int lCount = pType == eOpen ? pCount + pOrder : pCount + 2 * pOrder - 1;
    return std::max(lCount, 0);
}
