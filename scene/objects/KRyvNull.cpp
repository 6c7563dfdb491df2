#include "scene/objects/KRyvNull.h"

K_IMPLEMENT_CLASS(KRyvNullProperties, KObject)

KRyvNullProperties::KRyvNullProperties() : mSize(0.0)
{
    using K = KRyvNullProperties;
    RegisterProperty(&mSize);
    mSize.SetPropertyType(kPropertyTypeDouble);
    mSize.AttachMembers("Size", this, &K::GetSize, &K::SetSize);
}

KRyvNullProperties::~KRyvNullProperties()
{
    // The member dies after this body: take it out of the object first.
    KObject::Destruct();
}

void KRyvNullProperties::SetSize(double pValue)
{
    mSize.SetCachedValue(pValue);
}

double KRyvNullProperties::GetSize() const
{
    return mSize.GetCachedValue();
}

KRyvNull::KRyvNull(KRyvObjectFactory* pFactory)
    : KRyvNodeAttribute(pFactory), mProperties(new KRyvNullProperties)
{
    mProperties->SetSize(100.0);
}

KRyvNull::~KRyvNull()
{
    mProperties->Destroy();
}

void KRyvNull::SetSize(double pSize)
{
    mProperties->SetSize(pSize);
    mSizeWasSet = true;
}

double KRyvNull::GetSize() const
{
    return mProperties->GetSize();
}

void KRyvNull::FillPropertyList(std::vector<KProperty*>& ioProperties)
{
    for (int lIndex = 0; lIndex < mProperties->GetPropertyCount(); ++lIndex) {
        ioProperties.push_back(mProperties->GetProperty(lIndex));
    }
}

KString KRyvNull::GetTypeName() const
{
    return KString("Null");
}

KPropertyStringList KRyvNull::GetTypeNameList() const
{
    KPropertyStringList lList;
    lList.Add("Null");
    return lList;
}
