#include "object/KProperty.h"

#include "object/KObject.h"

K_IMPLEMENT_CLASS(KProperty, KPlug)

namespace {

// An enumeration list is a function of the item index; a list without an end must not stall
// the count.
constexpr int kMaxEnumItems = 1 << 16;

KDataType* BasicType(const char* pName)
{
    return FindDataType(pName);
}

} // namespace

void KPropertyDefinition::SetFlag(unsigned pMask, bool pOn)
{
    if (pOn) {
        mFlags |= pMask;
    } else {
        mFlags &= ~pMask;
    }
}

void KPropertyDefinition::SetEnumList(KEnumListFunction pList)
{
    mEnumList = pList;
    SetFlag(kHasEnumList, pList != nullptr);
}

bool KPropertyDefinition::IsSameAs(const KPropertyDefinition& pOther) const
{
    const auto lSameLimit = [](double pA, double pB) { return pA == pB || (pA != pA && pB != pB); };
    return mFlags == pOther.mFlags && mName == pOther.mName && mHasLabel == pOther.mHasLabel &&
           mLabel == pOther.mLabel && mDataType == pOther.mDataType &&
           lSameLimit(mMinimum, pOther.mMinimum) && lSameLimit(mMaximum, pOther.mMaximum) &&
           mPropertyType == pOther.mPropertyType && mEnumList == pOther.mEnumList &&
           mSecondFlags == pOther.mSecondFlags;
}

KProperty::KProperty() = default;

const KPropertyDefinition& KProperty::DefaultDefinition()
{
    static const KPropertyDefinition kDefault;
    return kDefault;
}

KPropertyDefinition& KProperty::OwnDefinition()
{
    if (!mDefinition || mDefinition.IsShared()) {
        mDefinition = KPropertyDefinitionRef::Make(Definition());
    }
    return *mDefinition;
}

KProperty::~KProperty()
{
    SetGoingAway();
    // Leave the object first, so that the removal events below cannot make it remove this
    // property a second time.
    if (mRegisteredOn) {
        mRegisteredOn->ForgetProperty(this);
    }
    DisconnectAll();
}

void KProperty::Attach(const char* pName, KPlug* pOwner)
{
    OwnDefinition().mName = KString(pName ? pName : "");
    SetOwner(pOwner);
}

void KProperty::SetPropertyType(int pType)
{
    if (pType >= 0 && pType < kPropertyTypeCount) {
        OwnDefinition().mPropertyType = pType;
    }
}

int KProperty::GetPropertyTypeFromDataType(const KDataType* pDataType)
{
    if (!pDataType) {
        return kPropertyTypeNone;
    }
    static const struct
    {
        const KDataType* mType;
        int mIndex;
    } kTable[] = {
        {BasicType("Trigger"), kPropertyTypeTrigger},
        {BasicType("bool"), kPropertyTypeBool},
        {BasicType("int"), kPropertyTypeInt},
        {BasicType("ColorRGB"), kPropertyTypeColorRGB},
        {BasicType("ColorRGBA"), kPropertyTypeColorRGBA},
        {BasicType("enum"), kPropertyTypeEnum},
        {BasicType("KTime"), kPropertyTypeTime},
        {BasicType("double"), kPropertyTypeDouble},
        {BasicType("Vector3D"), kPropertyTypeVector3D},
        {BasicType("Vector4D"), kPropertyTypeVector4D},
        {BasicType("Reference"), kPropertyTypeReference},
        {BasicType("float"), kPropertyTypeFloat},
        {BasicType("string"), kPropertyTypeString},
        {BasicType("object"), kPropertyTypeObject},
    };
    const KDataType* lBase = pDataType->GetBaseType();
    for (const auto& lEntry : kTable) {
        if (lEntry.mType == lBase) {
            return lEntry.mIndex;
        }
    }
    return kPropertyTypeNone;
}

KDataType* KProperty::GetDataType() const
{
    if (Definition().mDataType) {
        return Definition().mDataType;
    }
    switch (Definition().mPropertyType) {
    case kPropertyTypeDouble:
        return BasicType("double");
    case kPropertyTypeTime:
        return BasicType("KTime");
    case kPropertyTypeVector4D:
        return BasicType("Vector4D");
    case kPropertyTypeVector3D:
        return BasicType("Vector3D");
    case kPropertyTypeColorRGB:
        return BasicType("ColorRGB");
    case kPropertyTypeColorRGBA:
        return BasicType("ColorRGBA");
    default:
        return nullptr;
    }
}

const char* KProperty::GetLabel() const
{
    return Definition().mHasLabel ? Definition().mLabel.Buffer() : nullptr;
}

void KProperty::SetLabel(const char* pLabel)
{
    KPropertyDefinition& lDefinition = OwnDefinition();
    lDefinition.mHasLabel = pLabel && *pLabel;
    lDefinition.mLabel = KString(lDefinition.mHasLabel ? pLabel : "");
}

void KProperty::SetFlag(unsigned pMask, bool pOn)
{
    const unsigned lFlags = pOn ? GetFlags() | pMask : GetFlags() & ~pMask;
    // Setting what is there already keeps a shared definition shared.
    if (lFlags != GetFlags()) {
        OwnDefinition().mSecondFlags = lFlags;
    }
}

void KProperty::SetMinimum(double pValue)
{
    // NaN never compares equal, so setting NaN always counts as a change.
    if (pValue == Definition().mMinimum) {
        return;
    }
    OwnDefinition().mMinimum = pValue;
    ConnectNotify(KConnectEvent::kLimitsChanged, this, nullptr, nullptr);
}

void KProperty::SetMaximum(double pValue)
{
    if (pValue == Definition().mMaximum) {
        return;
    }
    OwnDefinition().mMaximum = pValue;
    ConnectNotify(KConnectEvent::kLimitsChanged, this, nullptr, nullptr);
}

int KProperty::GetEnumCount() const
{
    if (!Definition().mEnumList) {
        return 0;
    }
    int lCount = 0;
    while (lCount < kMaxEnumItems && Definition().mEnumList(lCount)) {
        ++lCount;
    }
    return lCount;
}

const char* KProperty::GetEnumItem(int pIndex) const
{
    if (!Definition().mEnumList || pIndex < 0 || pIndex >= GetEnumCount()) {
        return nullptr;
    }
    return Definition().mEnumList(pIndex);
}

KObject* KProperty::GetParentObject() const
{
    KPlug* lOwner = GetOwner();
    return lOwner && lOwner->IsA(KObject::ClassId()) ? static_cast<KObject*>(lOwner) : nullptr;
}

bool KProperty::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                              const KConnectEventArgs* pArgs)
{
    KPlug* lOwner = GetOwner();
    return lOwner ? lOwner->ConnectNotify(pEvent, pPlug, pOther, pArgs) : true;
}

bool KProperty::GetPropertyValue(KPropertyValue& oValue) const
{
    return ReadValue(oValue);
}

bool KProperty::SetPropertyValue(const KPropertyValue& pValue)
{
    KPropertyValue lNew;
    if (!ConvertValue(pValue, lNew)) {
        return false;
    }
    KPropertyValue lOld;
    ReadValue(lOld);
    const KConnectEventArgs lArgs{&lNew, &lOld};
    // A hook may destroy this property; nothing of it is touched after that.
    const Watch lSelf(this);
    ConnectNotify(KConnectEvent::kValueChanging, this, nullptr, &lArgs);
    if (!lSelf.Get()) {
        return false;
    }
    WriteValue(lNew);
    if (!lSelf.Get()) {
        return false;
    }
    ConnectNotify(KConnectEvent::kValueChanged, this, nullptr, &lArgs);
    return true;
}

int KProperty::GetValueAsInt() const
{
    int lValue = 0;
    return GetValue(lValue) ? lValue : 0;
}

bool KProperty::SetValueAsInt(int pValue)
{
    return SetValue(pValue);
}

double KProperty::GetValueAsDouble() const
{
    double lValue = 0.0;
    return GetValue(lValue) ? lValue : 0.0;
}

bool KProperty::SetValueAsDouble(double pValue)
{
    return SetValue(pValue);
}

bool KProperty::ReadValue(KPropertyValue&) const
{
    return false;
}

bool KProperty::ConvertValue(const KPropertyValue&, KPropertyValue&) const
{
    return false;
}

void KProperty::WriteValue(const KPropertyValue&) {}
