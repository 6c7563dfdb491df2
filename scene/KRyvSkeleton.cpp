#include "scene/KRyvSkeleton.h"

#include "scene/KRyvObjectFactory.h"

K_IMPLEMENT_CLASS(KRyvSkeletonProperties, KObject)

KRyvSkeletonProperties::KRyvSkeletonProperties()
    : mSize(0.0), mLimbLength(0.0), mColor(KColor(0.0, 0.0, 0.0, 1.0))
{
    using K = KRyvSkeletonProperties;
    RegisterMemberProperty(mSize);
    mSize.SetPropertyType(kPropertyTypeDouble);
    mSize.AttachMembers<&K::GetSize, &K::SetSize>("Size", this);

    RegisterMemberProperty(mLimbLength);
    mLimbLength.SetPropertyType(kPropertyTypeDouble);
    mLimbLength.AttachMembers<&K::GetLimbLength, &K::SetLimbLength>("LimbLength", this);
    // Bit 1 of the second flags word; stored only (the definition's ownership bit would make
    // the object delete its own member).
    mLimbLength.SetFlag(1, true);

    RegisterMemberProperty(mColor);
    mColor.SetPropertyType(kPropertyTypeColorRGB);
    mColor.AttachMembers<&K::GetColor, &K::SetColor>("Color", this);
}

KRyvSkeletonProperties::~KRyvSkeletonProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

void KRyvSkeletonProperties::SetSize(double pValue)
{
    mSize.SetCachedValue(pValue);
}

double KRyvSkeletonProperties::GetSize() const
{
    return mSize.GetCachedValue();
}

void KRyvSkeletonProperties::SetLimbLength(double pValue)
{
    mLimbLength.SetCachedValue(pValue);
}

double KRyvSkeletonProperties::GetLimbLength() const
{
    return mLimbLength.GetCachedValue();
}

void KRyvSkeletonProperties::SetColor(KColor pValue)
{
    mColor.SetCachedValue(pValue);
}

KColor KRyvSkeletonProperties::GetColor() const
{
    return mColor.GetCachedValue();
}

KRyvSkeleton::KRyvSkeleton(KRyvObjectFactory* pFactory)
    : KRyvNodeAttribute(pFactory), mProperties(new KRyvSkeletonProperties)
{
    Reset();
    // Every joint of a skeleton carries the same three properties: their definitions are held
    // once per factory, as a node's are.
    if (pFactory) {
        pFactory->GetPropertyDefinitionCache().Share(&KRyvSkeletonProperties::ClassInfo(),
                                                     *mProperties);
    }
}

KRyvSkeleton::~KRyvSkeleton()
{
    mProperties->Destroy();
}

void KRyvSkeleton::Reset()
{
    mSkeletonType = eRoot;
    mProperties->SetColor(GetLimbNodeColorDefault());
    mProperties->GetColorProperty().SetFlag(KProperty::kNotWritten, true);
    mProperties->SetSize(100.0);
    mProperties->SetLimbLength(1.0);
    mLimbLengthWasSet = false;
    mSizeWasSet = false;
    mColorWasSet = false;
    mTypeWasSet = false;
}

void KRyvSkeleton::SetSkeletonType(int pType)
{
    mSkeletonType = pType;
    mTypeWasSet = true;
    // Only limbs and limb nodes write a colour.
    const bool lHasColor = pType == eLimb || pType == eLimbNode;
    KProperty& lColor = mProperties->GetColorProperty();
    if (lColor.GetFlag(KProperty::kNotWritten) == !lHasColor) {
        return;
    }
    lColor.SetFlag(KProperty::kNotWritten, !lHasColor);
    // The joints of a skeleton mostly share a type: the definitions of each variant are held
    // once per factory too.
    if (KRyvObjectFactory* lFactory = GetFactory()) {
        static const char kColorWrittenKind = 0;
        static const char kColorNotWrittenKind = 0;
        lFactory->GetPropertyDefinitionCache().Share(
            lHasColor ? &kColorWrittenKind : &kColorNotWrittenKind, *mProperties);
    }
}

void KRyvSkeleton::SetSize(double pSize)
{
    mProperties->SetSize(pSize);
    mSizeWasSet = true;
}

double KRyvSkeleton::GetSize() const
{
    return mProperties->GetSize();
}

bool KRyvSkeleton::SetLimbLength(double pLength)
{
    if (mSkeletonType != eLimb) {
        return false;
    }
    mProperties->SetLimbLength(pLength);
    mLimbLengthWasSet = true;
    return true;
}

double KRyvSkeleton::GetLimbLength() const
{
    return mProperties->GetLimbLength();
}

bool KRyvSkeleton::SetLimbNodeColor(const KColor& pColor)
{
    if (mSkeletonType != eLimb && mSkeletonType != eLimbNode) {
        return false;
    }
    mProperties->SetColor(KColor(pColor.mRed, pColor.mGreen, pColor.mBlue, 1.0));
    mColorWasSet = true;
    return true;
}

KColor KRyvSkeleton::GetLimbNodeColor() const
{
    const KColor lColor = mProperties->GetColor();
    return KColor(lColor.mRed, lColor.mGreen, lColor.mBlue, 1.0);
}

void KRyvSkeleton::FillPropertyList(std::vector<KProperty*>& ioProperties)
{
    for (int lIndex = 0; lIndex < mProperties->GetPropertyCount(); ++lIndex) {
        ioProperties.push_back(mProperties->GetProperty(lIndex));
    }
}

KString KRyvSkeleton::GetTypeName() const
{
    switch (mSkeletonType) {
    case eRoot:
    case 3:
        return KString("Root");
    case eLimb:
        return KString("Limb");
    case eLimbNode:
        return KString("LimbNode");
    default:
        return KString("");
    }
}

KPropertyStringList KRyvSkeleton::GetTypeNameList() const
{
    KPropertyStringList lList;
    switch (mSkeletonType) {
    case eRoot:
    case 3:
        lList.Add("Null");
        lList.Add("Skeleton");
        lList.Add("Root");
        break;
    case eLimb:
    case eLimbNode:
        lList.Add("Skeleton");
        break;
    default:
        break;
    }
    return lList;
}
