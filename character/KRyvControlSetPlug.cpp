#include "character/KRyvControlSetPlug.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvControlSet.h"
#include "scene/KRyvPropertySetUtils.h"

K_IMPLEMENT_CLASS(KRyvControlSetPlugProperties, KObject)

namespace {

const char* const kPlugErrorTable[] = {"Error"};

bool IsObjectList(const KProperty& pProperty)
{
    return pProperty.GetDefinition().GetFlag(KPropertyDefinition::kObjectList);
}

} // namespace

KRyvControlSetPlugProperties::KRyvControlSetPlugProperties(KRyvControlSetPlug* pPlug)
    : KRyvOwnedPropertySet(pPlug), mUseAxis(true), mControlSetType(0)
{
    using K = KRyvControlSetPlugProperties;
    RegisterProperty(&mUseAxis);
    mUseAxis.SetPropertyType(kPropertyTypeBool);
    mUseAxis.AttachMembers("UseAxis", this, &K::GetUseAxis, &K::SetUseAxis);

    RegisterProperty(&mControlSetType);
    mControlSetType.SetPropertyType(kPropertyTypeEnum);
    mControlSetType.AttachMembers("ControlSetType", this, &K::GetControlSetType,
                                  &K::SetControlSetType);

    KString lName;
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        if (KRyvCharacter::GetCharacterNodeName(lId, lName)) {
            mLinkProperties[lId] =
                CreateObjectListProperty(this, lName.Buffer(), false, -1, 1, 3, 0);
        }
    }
    for (int lIndex = 0; lIndex < KRyvControlSet::kEffectorCount; ++lIndex) {
        mEffectorProperties[lIndex] = CreateObjectListProperty(
            this, KRyvControlSet::GetEffectorName(lIndex), false, -1, 15, 3, 0);
    }
}

KRyvControlSetPlugProperties::~KRyvControlSetPlugProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

KPropertyObjectList* KRyvControlSetPlugProperties::GetLinkProperty(int pId) const
{
    return pId >= 0 && pId < KRyvCharacter::kLinkCount ? mLinkProperties[pId] : nullptr;
}

KPropertyObjectList* KRyvControlSetPlugProperties::GetEffectorProperty(int pIndex) const
{
    return pIndex >= 0 && pIndex < KRyvControlSet::kEffectorCount ? mEffectorProperties[pIndex]
                                                                  : nullptr;
}

KRyvControlSetPlug::KRyvControlSetPlug(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvPropertySetOwner(pOwner, pName, &mError), mError(kPlugErrorTable, 1)
{
    SetName(pName);
    mProperties = new KRyvControlSetPlugProperties(this);
    AddDefaultTakeNode();
}

KRyvControlSetPlug::~KRyvControlSetPlug()
{
    ReleasePropertySet();
}

void KRyvControlSetPlug::Destruct()
{
    DisconnectPropertySet();
}

KString KRyvControlSetPlug::GetTypeName() const
{
    return KString("ControlSetPlug");
}

KPropertyStringList KRyvControlSetPlug::GetTypeFlags() const
{
    KPropertyStringList lList;
    lList.Add("ControlSetPlug");
    return lList;
}

void KRyvControlSetPlug::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    // Only a property made for a user property goes: the link and effector lists are owned too,
    // but no user property is bound to them.
    RemoveUserProperty(pUserProperty, IsObjectList);
}
