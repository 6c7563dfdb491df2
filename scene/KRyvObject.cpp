#include "scene/KRyvObject.h"

#include "scene/KRyvUserProperty.h"

#include <algorithm>
#include <cstring>

void BuildObjectName(KString& oName, const char* pPrefix, const char* pName)
{
    KString lName(pName ? pName : "");
    const int lSeparator = lName.Find("::");
    if (lSeparator >= 0) {
        lName = lName.Mid(lSeparator + 2);
    }
    if (lName.IsEmpty()) {
        lName = "Name";
    }
    oName = KString(pPrefix ? pPrefix : "") + lName;
}

KRyvObject::KRyvObject(KRyvObjectFactory* pOwner, const char* pName)
    : mNamePair(pName), mOwner(pOwner)
{
}

KRyvObject::~KRyvObject() = default;

void KRyvObject::GetUserProperties(std::vector<KProperty*>& /*ioProperties*/) const {}

KString KRyvObject::GetTypeName() const
{
    return KString("");
}

KPropertyStringList KRyvObject::GetTypeFlags() const
{
    return KPropertyStringList();
}

void KRyvObject::OnUserPropertyAdded(KRyvUserProperty* /*pUserProperty*/) {}

void KRyvObject::OnUserPropertyRemoved(KRyvUserProperty* /*pUserProperty*/) {}

void KRyvObject::SetName(const char* pName)
{
    KString lName;
    BuildObjectName(lName, GetNamePrefix().Buffer(), pName);
    mNamePair.SetCurrentName(lName);
}

KString KRyvObject::GetNamePrefixOfType(int pType)
{
    switch (pType) {
    case kTypeNode:
        return KString("Model::");
    case kTypeTexture:
        return KString("Texture::");
    case kTypeMaterial:
        return KString("Material::");
    case kTypeGobo:
    case kTypeVideo:
        return KString("Video::");
    case kTypeActor:
    case kTypeCharacter:
        return KString("Constraint::");
    case kTypeMarkerSet:
        return KString("MarkerSet::");
    case kTypeCharacterPose:
    case kTypePose:
        return KString("Pose::");
    case kTypeControlSetPlug:
        return KString("ControlSetPlug::");
    default:
        return KString("");
    }
}

KString KRyvObject::StripThroughLastColon(const char* pText)
{
    const KString lText(pText ? pText : "");
    const int lColon = lText.ReverseFind(':');
    return lColon < 0 ? lText : lText.Mid(lColon + 1);
}

KString KRyvObject::GetNameWithoutPrefix() const
{
    const KString& lName = GetName();
    const KString lPrefix = GetNamePrefix();
    if (lName.Left(lPrefix.GetLen()) == lPrefix) {
        return lName.Mid(lPrefix.GetLen());
    }
    const int lSeparator = lName.Find("::");
    if (lSeparator >= 0) {
        return lName.Mid(lSeparator + 2);
    }
    return lName;
}

KRyvUserProperty* KRyvObject::GetUserProperty(int pIndex) const
{
    PrepareUserProperties();
    if (pIndex < 0 || pIndex >= static_cast<int>(mUserProperties.size())) {
        return nullptr;
    }
    return mUserProperties[static_cast<std::size_t>(pIndex)];
}

void KRyvObject::VisitUserProperties(
    const std::function<void(const KRyvUserProperty&)>& pVisit) const
{
    for (int i = 0; i < GetUserPropertyCount(); ++i) {
        pVisit(*GetUserProperty(i));
    }
}

KRyvUserProperty* KRyvObject::FindUserProperty(const KProperty* pProperty) const
{
    if (pProperty == nullptr) {
        return nullptr;
    }
    PrepareUserProperties();
    // One lock of the handle pool for the scan: a node asks this for each of its many
    // properties while it makes their records.
    const KWeakHandle::Batch lPool;
    for (KRyvUserProperty* lUserProperty : mUserProperties) {
        if (lUserProperty->IsBoundTo(pProperty, lPool)) {
            return lUserProperty;
        }
    }
    return nullptr;
}

KRyvUserProperty* KRyvObject::FindUserProperty(const char* pName) const
{
    if (pName == nullptr) {
        return nullptr;
    }
    PrepareUserProperties();
    for (KRyvUserProperty* lUserProperty : mUserProperties) {
        if (std::strcmp(lUserProperty->GetName().Buffer(), pName) == 0) {
            return lUserProperty;
        }
    }
    return nullptr;
}

void KRyvObject::AddUserProperty(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty == nullptr) {
        return;
    }
    PrepareUserProperties();
    if (std::find(mUserProperties.begin(), mUserProperties.end(), pUserProperty) !=
        mUserProperties.end()) {
        return;
    }
    mUserProperties.push_back(pUserProperty);
    OnUserPropertyAdded(pUserProperty);
}

void KRyvObject::AppendUserProperty(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty == nullptr || std::find(mUserProperties.begin(), mUserProperties.end(),
                                              pUserProperty) != mUserProperties.end()) {
        return;
    }
    mUserProperties.push_back(pUserProperty);
}
