#include "object/KObject.h"

#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

K_IMPLEMENT_CLASS(KObject, KPlug)

KObject::KObject() = default;

KObject::~KObject()
{
    mDestructing = true;
    SetGoingAway();
    // Normally Destruct has emptied the array. Otherwise owned properties still die here and the
    // others stop pointing at this object.
    mImplicitMembers = 0;
    std::vector<Entry> lProperties;
    lProperties.swap(mProperties);
    for (const Entry lEntry : lProperties) {
        KProperty* lProperty = lEntry.Get();
        if (!lProperty) {
            continue;
        }
        lProperty->mRegisteredOn = nullptr;
        if (IsOwnedHere(*lProperty)) {
            delete lProperty;
        }
    }
    DisconnectAll();
}

void KObject::Destroy()
{
    Destruct();
    delete this;
}

void KObject::Destruct()
{
    mDestructing = true;
    SetGoingAway();
    const KWeakHandle lSelf = GetWeakHandle();
    // Hooks run during the disconnections may change the array: take one property at a time
    // from its end, and check each is still registered here.
    while (lSelf.Get() && !mProperties.empty()) {
        KProperty* lProperty = mProperties.back().Get();
        if (!lProperty) {
            mProperties.pop_back();
            continue;
        }
        // Most properties never connected: no hook runs for them, so nothing needs checking.
        if (lProperty->GetSrcCount() > 0 || lProperty->GetDstCount() > 0) {
            const KWeakHandle lHandle = lProperty->GetWeakHandle();
            lProperty->DisconnectAll();
            if (!lSelf.Get()) {
                return;
            }
            lProperty = static_cast<KProperty*>(lHandle.Get());
            if (!lProperty || lProperty->mRegisteredOn != this) {
                continue;
            }
        }
        ForgetProperty(lProperty);
        if (IsOwnedHere(*lProperty)) {
            delete lProperty;
        }
    }
    if (lSelf.Get()) {
        mImplicitMembers = 0;
        DisconnectAll();
    }
}

bool KObject::RegisterProperty(KProperty* pProperty)
{
    if (!pProperty || pProperty->mRegisteredOn) {
        return false;
    }
    if (!mDestructing) {
        OnPropertiesChanging();
    }
    const Watch lSelf(this);
    const Watch lProperty(pProperty);
    ConnectNotify(KConnectEvent::kPropertyAdding, pProperty, nullptr, nullptr);
    KPlug* lSelfLeft = nullptr;
    KPlug* lPropertyLeft = nullptr;
    Watch::GetBoth(lSelf, lProperty, lSelfLeft, lPropertyLeft);
    if (!lSelfLeft || lPropertyLeft != pProperty || pProperty->mRegisteredOn) {
        return false;
    }
    mProperties.push_back(Entry(pProperty));
    pProperty->mRegisteredOn = this;
    ConnectNotify(KConnectEvent::kPropertyAdded, pProperty, nullptr, nullptr);
    return true;
}

bool KObject::RegisterMemberProperty(KProperty& ioProperty)
{
    ioProperty.SetPlugFlags(kMemberOfOwner, true);
    return RegisterProperty(&ioProperty);
}

void KObject::RegisterDeferredMember(int pMember)
{
    if (mProperties.empty() && pMember == mImplicitMembers) {
        ++mImplicitMembers;
    } else {
        mProperties.push_back(Entry::Deferred(pMember));
    }
}

KProperty* KObject::MakeDeferredMember(int)
{
    return nullptr;
}

const char* KObject::GetDeferredMemberName(int) const
{
    return nullptr;
}

KObject::Entry KObject::EntryAt(std::size_t pIndex) const
{
    const auto lImplicit = static_cast<std::size_t>(mImplicitMembers);
    return pIndex < lImplicit ? Entry::Deferred(static_cast<int>(pIndex))
                              : mProperties[pIndex - lImplicit];
}

void KObject::SpillImplicitMembers() const
{
    if (mImplicitMembers == 0) {
        return;
    }
    std::vector<Entry> lListed;
    lListed.reserve(static_cast<std::size_t>(mImplicitMembers) + mProperties.size());
    for (int i = 0; i < mImplicitMembers; ++i) {
        lListed.push_back(Entry::Deferred(i));
    }
    lListed.insert(lListed.end(), mProperties.begin(), mProperties.end());
    mProperties.swap(lListed);
    mImplicitMembers = 0;
}

KProperty* KObject::MakeAt(std::size_t pIndex) const
{
    SpillImplicitMembers();
    // The object is never const itself: only the caller's view of it is.
    auto* lSelf = const_cast<KObject*>(this);
    std::unique_ptr<KProperty> lProperty(
        lSelf->MakeDeferredMember(mProperties[pIndex].GetMember()));
    if (!lProperty) {
        return nullptr;
    }
    lProperty->SetPlugFlags(kMadeByOwner, true);
    lProperty->mRegisteredOn = lSelf;
    mProperties[pIndex] = Entry(lProperty.get());
    return lProperty.release();
}

bool KObject::IsOwnedHere(const KProperty& pProperty)
{
    return (pProperty.GetPlugFlags() & kMadeByOwner) != 0 ||
           pProperty.GetDefinition().GetFlag(KPropertyDefinition::kOwned);
}

void KObject::ReservePropertyCount(int pCount, int pOwnedCount)
{
    if (pCount > 0) {
        mProperties.reserve(mProperties.size() + static_cast<std::size_t>(pCount));
        ReserveChildCount(pOwnedCount < 0 ? pCount : pOwnedCount);
    }
}

KProperty* KObject::GetProperty(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetPropertyCount()) {
        return nullptr;
    }
    const auto lIndex = static_cast<std::size_t>(pIndex);
    KProperty* lProperty = EntryAt(lIndex).Get();
    return lProperty ? lProperty : MakeAt(lIndex);
}

bool KObject::IsPropertyMade(int pIndex) const
{
    return GetMadeProperty(pIndex) != nullptr;
}

KProperty* KObject::GetMadeProperty(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetPropertyCount()) {
        return nullptr;
    }
    return EntryAt(static_cast<std::size_t>(pIndex)).Get();
}

void KObject::WalkToList(const std::function<void(KProperty&)>& pVisit) const
{
    for (int i = 0; i < GetPropertyCount(); ++i) {
        if (KProperty* lProperty = GetProperty(i)) {
            pVisit(*lProperty);
        }
    }
}

void KObject::WalkToRead(const std::function<void(const KProperty&)>& pVisit) const
{
    // The object is never const itself: only the caller's view of it is.
    auto* lSelf = const_cast<KObject*>(this);
    for (int i = 0; i < GetPropertyCount(); ++i) {
        const Entry lEntry = EntryAt(static_cast<std::size_t>(i));
        if (const KProperty* lProperty = lEntry.Get()) {
            pVisit(*lProperty);
            continue;
        }
        const std::unique_ptr<const KProperty> lStandIn(
            lSelf->MakeDeferredMember(lEntry.GetMember()));
        if (lStandIn) {
            pVisit(*lStandIn);
        }
    }
}

void KObject::WalkToConnect(const std::function<void(KProperty&)>& pVisit) const
{
    for (int i = 0; i < GetPropertyCount(); ++i) {
        if (KProperty* lProperty = GetMadeProperty(i)) {
            pVisit(*lProperty);
        }
    }
}

namespace {

// Most names differ in their first letter: testing it first spares nearly every string compare
// of a search through an object's properties.
bool IsSameName(const char* pName, const char* pOther)
{
    return pName[0] == pOther[0] && std::strcmp(pName, pOther) == 0;
}

} // namespace

KProperty* KObject::FindProperty(const char* pName) const
{
    if (!pName) {
        return nullptr;
    }
    const auto lCount = static_cast<std::size_t>(GetPropertyCount());
    for (std::size_t i = 0; i < lCount; ++i) {
        const Entry lEntry = EntryAt(i);
        if (KProperty* lProperty = lEntry.Get()) {
            if (IsSameName(lProperty->GetName(), pName)) {
                return lProperty;
            }
            continue;
        }
        const char* lName = GetDeferredMemberName(lEntry.GetMember());
        if (lName && IsSameName(lName, pName)) {
            return MakeAt(i);
        }
    }
    return nullptr;
}

KProperty* KObject::MakeProperty(int pPropertyType)
{
    switch (pPropertyType) {
    case kPropertyTypeNone:
    case kPropertyTypeReference:
    case kPropertyTypeMatrix:
    case kPropertyTypeTrigger:
    case kPropertyTypeBlob:
        return new KProperty;
    case kPropertyTypeInt:
    case kPropertyTypeEnum:
        return new KPropertyInt;
    case kPropertyTypeBool:
        return new KPropertyBool;
    case kPropertyTypeFloat:
        return new KPropertyFloat;
    case kPropertyTypeDouble:
    case kPropertyTypeVectorElement:
        return new KPropertyDouble;
    case kPropertyTypeString:
        return new KPropertyString;
    case kPropertyTypeTime:
        return new KPropertyTime;
    case kPropertyTypeObject:
        return new KPropertyObjectList;
    case kPropertyTypeVector2D:
    case kPropertyTypeVector4D:
    case kPropertyTypeVector3D:
        return new KPropertyVector;
    case kPropertyTypeColorRGB:
    case kPropertyTypeColorRGBA:
        return new KPropertyColor;
    default:
        return nullptr;
    }
}

KProperty* KObject::CreateProperty(const char* pName, int pPropertyType, KDataType* pDataType,
                                   bool pAnimatable)
{
    if (!pName || pPropertyType < 0 || pPropertyType >= kPropertyTypeCount) {
        return nullptr;
    }
    KProperty* lProperty = MakeProperty(pPropertyType);
    if (!lProperty) {
        return nullptr;
    }
    lProperty->SetPropertyType(pPropertyType);
    lProperty->SetDataType(pDataType);
    lProperty->Attach(pName, this);
    KPropertyDefinition& lDefinition = lProperty->GetDefinition();
    lDefinition.SetFlag(KPropertyDefinition::kOwned | KPropertyDefinition::kOwnedName, true);
    if (pAnimatable) {
        lDefinition.SetFlag(KPropertyDefinition::kAnimatable, true);
    }
    if (!RegisterProperty(lProperty)) {
        delete lProperty;
        return nullptr;
    }
    return lProperty;
}

KProperty* KObject::CreateUserProperty(const KUserPropertyDescription& pDescription)
{
    KDataType* lDataType = FindDataType(pDescription.mTypeName);
    if (!lDataType || !pDescription.mName) {
        return nullptr;
    }
    KProperty* lProperty = CreateProperty(
        pDescription.mName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType);
    if (!lProperty) {
        return nullptr;
    }
    KPropertyDefinition& lDefinition = lProperty->GetDefinition();
    if (pDescription.mUserFlags & 1) {
        lDefinition.SetFlag(KPropertyDefinition::kAnimatable, true);
        lProperty->SetFlag(KProperty::kAnimated, true);
    }
    if (pDescription.mUserFlags & 2) {
        lDefinition.SetFlag(KPropertyDefinition::kUserFlag2, true);
    }
    if (pDescription.mUserFlags & 4) {
        lDefinition.SetFlag(KPropertyDefinition::kUserFlag3, true);
    }
    const bool lHasLabel = pDescription.mLabel && *pDescription.mLabel;
    lProperty->SetLabel(lHasLabel ? pDescription.mLabel : pDescription.mName);
    return lProperty;
}

bool KObject::RemoveProperty(KProperty*& ioProperty)
{
    KProperty* lProperty = ioProperty;
    if (!lProperty || lProperty->mRegisteredOn != this) {
        return false;
    }
    ioProperty = nullptr;
    const KWeakHandle lSelf = GetWeakHandle();
    const KWeakHandle lHandle = lProperty->GetWeakHandle();
    ConnectNotify(KConnectEvent::kPropertyRemoving, lProperty, nullptr, nullptr);
    if (!lSelf.Get() || lHandle.Get() != lProperty || lProperty->mRegisteredOn != this) {
        return true;
    }
    ForgetProperty(lProperty);
    ConnectNotify(KConnectEvent::kPropertyRemoved, lProperty, nullptr, nullptr);
    if (lHandle.Get() == lProperty && IsOwnedHere(*lProperty)) {
        delete lProperty;
    }
    return true;
}

KPropertyObjectList* KObject::CreateObjectListProperty(KObject* pOwner, const char* pName,
                                                       bool pKeepConnections, int pClassId,
                                                       int pFilterWord, unsigned pListBits,
                                                       unsigned pSecondFlags)
{
    if (!pOwner || !pName) {
        return nullptr;
    }
    auto* lList = new KPropertyObjectList;
    lList->SetFlag(~0u, false);
    lList->SetFlag(pSecondFlags, true);
    lList->MarkAsObjectList();
    lList->Attach(pName, pOwner);
    lList->GetDefinition().SetFlag(KPropertyDefinition::kOwnedName, true);
    lList->SetObjectClassFilter(pFilterWord, pClassId);
    lList->SetFilter(GetClassIdFilter(pClassId), pKeepConnections);
    lList->SetPlugFlags(KPlug::kListBitsMask, false);
    lList->SetPlugFlags(pListBits & KPlug::kListBitsMask, true);
    lList->SetPropertyType(kPropertyTypeObject);
    lList->GetDefinition().SetFlag(KPropertyDefinition::kOwned, true);
    if (!pOwner->RegisterProperty(lList)) {
        delete lList;
        return nullptr;
    }
    return lList;
}

void KObject::ForgetProperty(KProperty* pProperty)
{
    if (!mDestructing) {
        OnPropertiesChanging();
    }
    // From the back: entries are unique, and properties mostly go newest first (Destruct).
    const auto lFound =
        std::find_if(mProperties.rbegin(), mProperties.rend(),
                     [pProperty](const Entry& pEntry) { return pEntry.Get() == pProperty; });
    if (lFound != mProperties.rend()) {
        mProperties.erase(std::next(lFound).base());
    }
    pProperty->mRegisteredOn = nullptr;
}

int KObject::GetConnectionPairCount() const
{
    return mPairs ? mPairs->Prune() : 0;
}

bool KObject::GetConnectionPair(int pIndex, KPlug*& oSource, KPlug*& oDestination) const
{
    KWeakHandle lSource;
    KWeakHandle lDestination;
    if (!mPairs || !mPairs->Get(pIndex, lSource, lDestination)) {
        return false;
    }
    oSource = lSource.Get();
    oDestination = lDestination.Get();
    return true;
}

bool KObject::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                            const KConnectEventArgs*)
{
    if (!pPlug || !pOther) {
        return true;
    }
    switch (pEvent) {
    case KConnectEvent::kPairSourceAdded:
    case KConnectEvent::kPairDestinationAdded: {
        const bool lSource = pEvent == KConnectEvent::kPairSourceAdded;
        // Both ends of a connection inside one object report it; it is listed once.
        if (!mPairs) {
            mPairs = std::make_unique<KConnectionPairList>();
        }
        mPairs->Add((lSource ? pOther : pPlug)->GetWeakHandle(),
                    (lSource ? pPlug : pOther)->GetWeakHandle());
        break;
    }
    case KConnectEvent::kPairSourceRemoved:
    case KConnectEvent::kPairDestinationRemoved: {
        const bool lSource = pEvent == KConnectEvent::kPairSourceRemoved;
        if (mPairs) {
            mPairs->Remove((lSource ? pOther : pPlug)->GetWeakHandle(),
                           (lSource ? pPlug : pOther)->GetWeakHandle());
        }
        // A reference property exists for its connection only.
        if (!mDestructing && pPlug != this && pPlug->IsA(KProperty::ClassId())) {
            auto* lProperty = static_cast<KProperty*>(pPlug);
            if (lProperty->mRegisteredOn == this &&
                lProperty->GetPropertyType() == kPropertyTypeReference &&
                lProperty->GetSrcCount() == 0 && lProperty->GetDstCount() == 0) {
                RemoveProperty(lProperty);
            }
        }
        break;
    }
    default:
        break;
    }
    return true;
}
