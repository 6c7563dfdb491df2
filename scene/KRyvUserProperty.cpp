#include "scene/KRyvUserProperty.h"

#include "core/KVector4.h"
#include "object/KPlug.h"
#include "object/KProperty.h"

#include <cstring>

namespace {

const char* const kTypeNames[] = {"Unidentified", "Bool", "Real", "Color", "Integer", "Vector"};

// The definition flags the user flags of pMask stand for.
unsigned DefinitionFlagsOf(unsigned pMask)
{
    unsigned lFlags = 0;
    if ((pMask & KRyvUserProperty::kFlagAnimatable) != 0) {
        lFlags |= KPropertyDefinition::kAnimatable;
    }
    if ((pMask & KRyvUserProperty::kFlagSecond) != 0) {
        lFlags |= KPropertyDefinition::kUserFlag2;
    }
    if ((pMask & KRyvUserProperty::kFlagThird) != 0) {
        lFlags |= KPropertyDefinition::kUserFlag3;
    }
    return lFlags;
}

bool IsColorType(int pPropertyType)
{
    return pPropertyType == kPropertyTypeColorRGB || pPropertyType == kPropertyTypeColorRGBA;
}

} // namespace

KRyvUserProperty::KRyvUserProperty(KRyvObjectFactory* pOwner, KProperty* pProperty)
    : mOwner(pOwner), mProperty(pProperty ? pProperty->GetWeakHandle() : KWeakHandle())
{
}

KRyvUserProperty::KRyvUserProperty(KRyvObjectFactory* pOwner, const char* pName,
                                   const char* pTypeName, const char* pLabel)
    : mOwner(pOwner), mRecord(std::make_unique<KRyvUserPropertyRecord>())
{
    mRecord->mName = pName;
    mRecord->mType = GetTypeFromName(pTypeName);
    mRecord->mLabel = pLabel;
}

KRyvUserProperty::~KRyvUserProperty() = default;

void KRyvUserProperty::SetNotifyTarget(KRyvUserPropertyNotifyTarget* pTarget)
{
    mNotifyTarget = pTarget;
    KPlug* lPlug = dynamic_cast<KPlug*>(pTarget);
    mNotifyTargetHandle = lPlug ? lPlug->GetWeakHandle() : KWeakHandle();
}

KRyvUserPropertyNotifyTarget* KRyvUserProperty::GetNotifyTarget() const
{
    if (!mNotifyTargetHandle.IsEmpty() && mNotifyTargetHandle.Get() == nullptr) {
        return nullptr;
    }
    return mNotifyTarget;
}

void KRyvUserProperty::Notify()
{
    if (KRyvUserPropertyNotifyTarget* lTarget = GetNotifyTarget()) {
        lTarget->OnUserPropertyChanged(this);
    }
}

bool KRyvUserProperty::Bind(KProperty* pProperty)
{
    if (!pProperty || IsBound()) {
        return false;
    }
    mProperty = pProperty->GetWeakHandle();
    return true;
}

KProperty* KRyvUserProperty::GetProperty()
{
    // Only KProperty handles are ever stored here.
    return static_cast<KProperty*>(mProperty.Get());
}

const KProperty* KRyvUserProperty::GetProperty() const
{
    return static_cast<const KProperty*>(mProperty.Get());
}

bool KRyvUserProperty::IsBoundTo(const KProperty* pProperty) const
{
    return pProperty != nullptr && GetProperty() == pProperty;
}

bool KRyvUserProperty::IsBoundTo(const KProperty* pProperty, const KWeakHandle::Batch& pPool) const
{
    return pProperty != nullptr && static_cast<KProperty*>(pPool.Get(mProperty)) == pProperty;
}

KString KRyvUserProperty::GetName() const
{
    if (const KProperty* lProperty = GetProperty()) {
        return KString(lProperty->GetName());
    }
    if (mRecord) {
        return mRecord->mName;
    }
    return KString("");
}

KString KRyvUserProperty::GetLabel(bool pNameWhenEmpty) const
{
    KString lLabel("");
    if (const KProperty* lProperty = GetProperty()) {
        lLabel = lProperty->GetLabel() ? lProperty->GetLabel() : "";
    } else if (mRecord) {
        lLabel = mRecord->mLabel;
    }
    if (pNameWhenEmpty && lLabel.IsEmpty()) {
        return GetName();
    }
    return lLabel;
}

int KRyvUserProperty::GetType() const
{
    if (const KProperty* lProperty = GetProperty()) {
        switch (lProperty->GetPropertyType()) {
        case kPropertyTypeBool:
            return kTypeBool;
        case kPropertyTypeFloat:
        case kPropertyTypeDouble:
            return kTypeReal;
        case kPropertyTypeColorRGB:
        case kPropertyTypeColorRGBA:
            return kTypeColor;
        case kPropertyTypeInt:
            return kTypeInteger;
        case kPropertyTypeVector3D:
            return kTypeVector;
        default:
            return kTypeUnidentified;
        }
    }
    return mRecord ? mRecord->mType : kTypeUnidentified;
}

const char* KRyvUserProperty::GetTypeName(int pType)
{
    if (pType < kTypeUnidentified || pType > kTypeVector) {
        return nullptr;
    }
    return kTypeNames[pType];
}

int KRyvUserProperty::GetTypeFromName(const char* pTypeName)
{
    if (pTypeName == nullptr) {
        return kTypeUnidentified;
    }
    for (int lType = kTypeBool; lType <= kTypeVector; ++lType) {
        if (std::strcmp(kTypeNames[lType], pTypeName) == 0) {
            return lType;
        }
    }
    return kTypeUnidentified;
}

bool KRyvUserProperty::SetValue(bool pValue)
{
    return SetValue(pValue ? 1 : 0);
}

bool KRyvUserProperty::SetValue(int pValue)
{
    KProperty* lProperty = GetProperty();
    if (lProperty == nullptr || !lProperty->SetValueAsInt(pValue)) {
        return false;
    }
    Notify();
    return true;
}

bool KRyvUserProperty::SetValue(double pValue)
{
    KProperty* lProperty = GetProperty();
    if (lProperty == nullptr || !lProperty->SetValueAsDouble(pValue)) {
        return false;
    }
    Notify();
    return true;
}

bool KRyvUserProperty::SetValue(const KColor& pValue)
{
    KProperty* lProperty = GetProperty();
    if (lProperty == nullptr || !IsColorType(lProperty->GetPropertyType())) {
        return false;
    }
    // Only red, green and blue are taken: a ColorRGB property keeps the alpha it holds, a
    // ColorRGBA one is made opaque.
    KColor lValue(pValue.mRed, pValue.mGreen, pValue.mBlue, 1.0);
    KColor lOld;
    if (lProperty->GetPropertyType() == kPropertyTypeColorRGB && lProperty->GetValue(lOld)) {
        lValue.mAlpha = lOld.mAlpha;
    }
    if (!lProperty->SetValue(lValue)) {
        return false;
    }
    Notify();
    return true;
}

bool KRyvUserProperty::SetValue(double pX, double pY, double pZ)
{
    KProperty* lProperty = GetProperty();
    if (lProperty == nullptr) {
        return false;
    }
    if (IsColorType(lProperty->GetPropertyType())) {
        return SetValue(KColor(pX, pY, pZ, 1.0));
    }
    if (lProperty->GetPropertyType() != kPropertyTypeVector3D ||
        !lProperty->SetValue(KVector4(pX, pY, pZ, 1.0))) {
        return false;
    }
    Notify();
    return true;
}

bool KRyvUserProperty::GetValue(bool& oValue) const
{
    int lValue = 0;
    if (!GetValue(lValue)) {
        return false;
    }
    oValue = lValue != 0;
    return true;
}

bool KRyvUserProperty::GetValue(int& oValue) const
{
    const KProperty* lProperty = GetProperty();
    if (lProperty == nullptr) {
        return false;
    }
    oValue = lProperty->GetValueAsInt();
    return true;
}

bool KRyvUserProperty::GetValue(double& oValue) const
{
    const KProperty* lProperty = GetProperty();
    if (lProperty == nullptr) {
        return false;
    }
    oValue = lProperty->GetValueAsDouble();
    return true;
}

bool KRyvUserProperty::GetValue(KColor& oValue) const
{
    const KProperty* lProperty = GetProperty();
    KColor lValue;
    if (lProperty == nullptr || !IsColorType(lProperty->GetPropertyType()) ||
        !lProperty->GetValue(lValue)) {
        return false;
    }
    oValue.mRed = lValue.mRed;
    oValue.mGreen = lValue.mGreen;
    oValue.mBlue = lValue.mBlue;
    return true;
}

bool KRyvUserProperty::GetValue(double& oX, double& oY, double& oZ) const
{
    return ReadThreeValues(GetProperty(), oX, oY, oZ);
}

bool KRyvUserProperty::ReadThreeValues(const KProperty* pProperty, double& oX, double& oY,
                                       double& oZ)
{
    const KProperty* lProperty = pProperty;
    if (lProperty == nullptr) {
        return false;
    }
    const int lType = lProperty->GetPropertyType();
    KVector4 lValue;
    if ((!IsColorType(lType) && lType != kPropertyTypeVector3D) || !lProperty->GetValue(lValue)) {
        return false;
    }
    oX = lValue[0];
    oY = lValue[1];
    oZ = lValue[2];
    return true;
}

void KRyvUserProperty::SetMinimum(double pValue)
{
    if (mRecord) {
        mRecord->mMinimum = pValue;
    }
    if (KProperty* lProperty = GetProperty()) {
        lProperty->SetMinimum(pValue);
    }
}

void KRyvUserProperty::SetMaximum(double pValue)
{
    if (mRecord) {
        mRecord->mMaximum = pValue;
    }
    if (KProperty* lProperty = GetProperty()) {
        lProperty->SetMaximum(pValue);
    }
}

double KRyvUserProperty::GetMinimum() const
{
    if (const KProperty* lProperty = GetProperty()) {
        return lProperty->GetMinimum();
    }
    return mRecord ? mRecord->mMinimum : -std::numeric_limits<double>::infinity();
}

double KRyvUserProperty::GetMaximum() const
{
    if (const KProperty* lProperty = GetProperty()) {
        return lProperty->GetMaximum();
    }
    return mRecord ? mRecord->mMaximum : std::numeric_limits<double>::infinity();
}

void KRyvUserProperty::SetFlag(unsigned pMask, bool pOn)
{
    if (mRecord) {
        mRecord->mFlags = pOn ? (mRecord->mFlags | pMask) : (mRecord->mFlags & ~pMask);
    }
    if (KProperty* lProperty = GetProperty()) {
        const unsigned lFlags = DefinitionFlagsOf(pMask);
        if (lFlags != 0) {
            lProperty->GetDefinition().SetFlag(lFlags, pOn);
        }
    }
}

bool KRyvUserProperty::GetFlag(unsigned pMask) const
{
    if (const KProperty* lProperty = GetProperty()) {
        if (pMask != kFlagAnimatable && pMask != kFlagSecond && pMask != kFlagThird) {
            return false;
        }
        return lProperty->GetDefinition().GetFlag(DefinitionFlagsOf(pMask));
    }
    return mRecord && (mRecord->mFlags & pMask) != 0;
}
