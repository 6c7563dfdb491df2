#include "scene/KRyvNodeProperties.h"

#include "object/KDataType.h"
#include "scene/KRyvNode.h"

K_IMPLEMENT_CLASS(KRyvNodeProperties, KObject)

namespace {

// The properties a block registers (its members and four channels): its arrays are made that
// size at once. Only the channels are children of the block's plug.
constexpr int kPropertyCount = 54;
constexpr int kChannelCount = 4;

// Vector accessors keep the cached w: writers store x, y, z and readers see a point (w = 1).
void StoreXYZ(KPropertyVector& ioProperty, const KVector4& pValue)
{
    KVector4 lValue = pValue;
    lValue[3] = ioProperty.GetCachedValue()[3];
    ioProperty.SetCachedValue(lValue);
}

KVector4 ReadXYZ(const KPropertyVector& pProperty)
{
    const KVector4& lValue = pProperty.GetCachedValue();
    return KVector4(lValue[0], lValue[1], lValue[2], 1.0);
}

} // namespace

template <bool (KRyvNodeProperties::*kSetter)(bool), bool (KRyvNodeProperties::*kGetter)() const>
void KRyvNodeProperties::RegisterBool(KPropertyBool& ioProperty, const char* pName)
{
    RegisterMemberProperty(ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeBool);
    ioProperty.AttachMembers<kGetter, kSetter>(pName, this);
}

template <int (KRyvNodeProperties::*kSetter)(int), int (KRyvNodeProperties::*kGetter)() const>
void KRyvNodeProperties::RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                                      KEnumListFunction pList)
{
    RegisterMemberProperty(ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeNone);
    ioProperty.AttachMembers<kGetter, kSetter>(pName, this);
    ioProperty.SetPropertyType(kPropertyTypeEnum);
    ioProperty.GetDefinition().SetEnumList(pList);
}

template <void (KRyvNodeProperties::*kSetter)(double),
          double (KRyvNodeProperties::*kGetter)() const>
void KRyvNodeProperties::RegisterDouble(KPropertyDouble& ioProperty, const char* pName)
{
    RegisterMemberProperty(ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeDouble);
    ioProperty.AttachMembers<kGetter, kSetter>(pName, this);
}

template <void (KRyvNodeProperties::*kSetter)(KVector4),
          KVector4 (KRyvNodeProperties::*kGetter)() const>
void KRyvNodeProperties::RegisterVector(KPropertyVector& ioProperty, const char* pName)
{
    RegisterMemberProperty(ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeVector3D);
    ioProperty.AttachMembers<kGetter, kSetter>(pName, this);
}

KRyvNodeProperties::KRyvNodeProperties(KRyvNode* pNode) : KRyvOwnedPropertySet(pNode)
{
    using K = KRyvNodeProperties;
    ReservePropertyCount(kPropertyCount, kChannelCount);
    RegisterBool<&K::SetQuaternionInterpolate, &K::GetQuaternionInterpolate>(
        mQuaternionInterpolate, "QuaternionInterpolate");
    RegisterVector<&K::SetRotationOffset, &K::GetRotationOffset>(mRotationOffset, "RotationOffset");
    RegisterVector<&K::SetRotationPivot, &K::GetRotationPivot>(mRotationPivot, "RotationPivot");
    RegisterVector<&K::SetRotationPivotUpdateOffset, &K::GetRotationPivotUpdateOffset>(
        mRotationPivotUpdateOffset, "RotationPivotUpdateOffset");
    mRotationPivotUpdateOffset.SetFlag(KProperty::kNotWritten, true);
    RegisterVector<&K::SetScalingOffset, &K::GetScalingOffset>(mScalingOffset, "ScalingOffset");
    RegisterVector<&K::SetScalingPivot, &K::GetScalingPivot>(mScalingPivot, "ScalingPivot");
    RegisterVector<&K::SetScalingPivotUpdateOffset, &K::GetScalingPivotUpdateOffset>(
        mScalingPivotUpdateOffset, "ScalingPivotUpdateOffset");
    mScalingPivotUpdateOffset.SetFlag(KProperty::kNotWritten, true);
    RegisterBool<&K::SetTranslationActive, &K::GetTranslationActive>(mTranslationActive,
                                                                     "TranslationActive");
    RegisterVector<&K::SetTranslationMin, &K::GetTranslationMin>(mTranslationMin, "TranslationMin");
    RegisterVector<&K::SetTranslationMax, &K::GetTranslationMax>(mTranslationMax, "TranslationMax");
    RegisterBool<&K::SetTranslationMinX, &K::GetTranslationMinX>(mTranslationMinX,
                                                                 "TranslationMinX");
    RegisterBool<&K::SetTranslationMinY, &K::GetTranslationMinY>(mTranslationMinY,
                                                                 "TranslationMinY");
    RegisterBool<&K::SetTranslationMinZ, &K::GetTranslationMinZ>(mTranslationMinZ,
                                                                 "TranslationMinZ");
    RegisterBool<&K::SetTranslationMaxX, &K::GetTranslationMaxX>(mTranslationMaxX,
                                                                 "TranslationMaxX");
    RegisterBool<&K::SetTranslationMaxY, &K::GetTranslationMaxY>(mTranslationMaxY,
                                                                 "TranslationMaxY");
    RegisterBool<&K::SetTranslationMaxZ, &K::GetTranslationMaxZ>(mTranslationMaxZ,
                                                                 "TranslationMaxZ");
    RegisterEnum<&K::SetRotationOrder, &K::GetRotationOrder>(mRotationOrder, "RotationOrder",
                                                             &KRyvPivotSet::RotationOrderName);
    RegisterBool<&K::SetRotationSpaceForLimitOnly, &K::GetRotationSpaceForLimitOnly>(
        mRotationSpaceForLimitOnly, "RotationSpaceForLimitOnly");
    RegisterDouble<&K::SetRotationStiffnessX, &K::GetRotationStiffnessX>(mRotationStiffnessX,
                                                                         "RotationStiffnessX");
    RegisterDouble<&K::SetRotationStiffnessY, &K::GetRotationStiffnessY>(mRotationStiffnessY,
                                                                         "RotationStiffnessY");
    RegisterDouble<&K::SetRotationStiffnessZ, &K::GetRotationStiffnessZ>(mRotationStiffnessZ,
                                                                         "RotationStiffnessZ");
    RegisterDouble<&K::SetAxisLen, &K::GetAxisLen>(mAxisLen, "AxisLen");
    RegisterVector<&K::SetPreRotation, &K::GetPreRotation>(mPreRotation, "PreRotation");
    RegisterVector<&K::SetPostRotation, &K::GetPostRotation>(mPostRotation, "PostRotation");
    RegisterBool<&K::SetRotationActive, &K::GetRotationActive>(mRotationActive, "RotationActive");
    RegisterVector<&K::SetRotationMin, &K::GetRotationMin>(mRotationMin, "RotationMin");
    RegisterVector<&K::SetRotationMax, &K::GetRotationMax>(mRotationMax, "RotationMax");
    RegisterBool<&K::SetRotationMinX, &K::GetRotationMinX>(mRotationMinX, "RotationMinX");
    RegisterBool<&K::SetRotationMinY, &K::GetRotationMinY>(mRotationMinY, "RotationMinY");
    RegisterBool<&K::SetRotationMinZ, &K::GetRotationMinZ>(mRotationMinZ, "RotationMinZ");
    RegisterBool<&K::SetRotationMaxX, &K::GetRotationMaxX>(mRotationMaxX, "RotationMaxX");
    RegisterBool<&K::SetRotationMaxY, &K::GetRotationMaxY>(mRotationMaxY, "RotationMaxY");
    RegisterBool<&K::SetRotationMaxZ, &K::GetRotationMaxZ>(mRotationMaxZ, "RotationMaxZ");
    RegisterEnum<&K::SetInheritType, &K::GetInheritType>(mInheritType, "InheritType",
                                                         &KRyvPivotSet::InheritTypeName);
    RegisterBool<&K::SetScalingActive, &K::GetScalingActive>(mScalingActive, "ScalingActive");
    RegisterVector<&K::SetScalingMin, &K::GetScalingMin>(mScalingMin, "ScalingMin");
    RegisterVector<&K::SetScalingMax, &K::GetScalingMax>(mScalingMax, "ScalingMax");
    RegisterBool<&K::SetScalingMinX, &K::GetScalingMinX>(mScalingMinX, "ScalingMinX");
    RegisterBool<&K::SetScalingMinY, &K::GetScalingMinY>(mScalingMinY, "ScalingMinY");
    RegisterBool<&K::SetScalingMinZ, &K::GetScalingMinZ>(mScalingMinZ, "ScalingMinZ");
    RegisterBool<&K::SetScalingMaxX, &K::GetScalingMaxX>(mScalingMaxX, "ScalingMaxX");
    RegisterBool<&K::SetScalingMaxY, &K::GetScalingMaxY>(mScalingMaxY, "ScalingMaxY");
    RegisterBool<&K::SetScalingMaxZ, &K::GetScalingMaxZ>(mScalingMaxZ, "ScalingMaxZ");
    RegisterVector<&K::SetGeometricTranslation, &K::GetGeometricTranslation>(
        mGeometricTranslation, "GeometricTranslation");
    RegisterVector<&K::SetGeometricRotation, &K::GetGeometricRotation>(mGeometricRotation,
                                                                       "GeometricRotation");
    RegisterVector<&K::SetGeometricScaling, &K::GetGeometricScaling>(mGeometricScaling,
                                                                     "GeometricScaling");

    RegisterObjectList(mLookAtProperty, "LookAtProperty");
    RegisterObjectList(mUpVectorProperty, "UpVectorProperty");

    RegisterBool<&K::SetShow, &K::GetShow>(mShow, "Show");
    mShow.SetValue(true);
    RegisterBool<&K::SetNegativePercentShapeSupport, &K::GetNegativePercentShapeSupport>(
        mNegativePercentShapeSupport, "NegativePercentShapeSupport");
    mNegativePercentShapeSupport.SetValue(true);

    CreateChannel("Lcl Translation");
    CreateChannel("Lcl Rotation");
    if (KProperty* lScaling = CreateChannel("Lcl Scaling")) {
        lScaling->SetValue(KVector4(1.0, 1.0, 1.0, 1.0));
    }
    if (KProperty* lVisibility = CreateChannel("Visibility")) {
        lVisibility->SetValueAsDouble(1.0);
    }
}

KRyvNodeProperties::~KRyvNodeProperties()
{
    // The member properties die after this body: take them (and the created channels) out of the
    // object and its connections now, while the block is still whole. After Destroy this finds
    // nothing left to do.
    KObject::Destruct();
}

void KRyvNodeProperties::RegisterObjectList(KPropertyObjectList& ioProperty, const char* pName)
{
    RegisterMemberProperty(ioProperty);
    ioProperty.MarkAsObjectList();
    ioProperty.Attach(pName, this);
    // Filter word 1 with the class id: only other node blocks may be listed.
    ioProperty.SetObjectClassFilter(1, ClassId());
    ioProperty.SetPropertyType(kPropertyTypeObject);
    ioProperty.SetPlugFlags(2 | 4, false);
    ioProperty.SetPlugFlags(1, true);
    // Bit 1 of the second flags word. It is not the definition's ownership flag: the block must
    // never delete its embedded members.
    ioProperty.SetFlag(1, true);
}

KProperty* KRyvNodeProperties::CreateChannel(const char* pName)
{
    KDataType* lDataType = FindDataType(pName);
    KProperty* lProperty =
        CreateProperty(pName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType, true);
    if (lProperty) {
        lProperty->SetFlag(KProperty::kAnimated, true);
    }
    return lProperty;
}

void KRyvNodeProperties::OnPropertiesChanging()
{
    if (KRyvNode* lNode = GetNode()) {
        lNode->PrepareUserProperties();
        lNode->FillDeferredDefaultTake();
    }
}

bool KRyvNodeProperties::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                       const KConnectEventArgs* pArgs)
{
    KRyvNode* lNode = GetNode();
    if (lNode && !lNode->OnBlockConnectNotify(pEvent, pPlug, pOther, pArgs)) {
        return false;
    }
    return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
}

KRyvPivotSet* KRyvNodeProperties::GetPivotSet(int pSet)
{
    if (pSet != 0 && pSet != 1) {
        return nullptr;
    }
    std::unique_ptr<KRyvPivotSet>& lSet = mPivotSets[pSet];
    if (!lSet) {
        lSet = std::make_unique<KRyvPivotSet>();
    }
    return lSet.get();
}

const KRyvPivotSet* KRyvNodeProperties::GetPivotSet(int pSet) const
{
    if (pSet != 0 && pSet != 1) {
        return nullptr;
    }
    return mPivotSets[pSet] ? mPivotSets[pSet].get() : &KRyvPivotSet::GetDefault();
}

void KRyvNodeProperties::ResetPivotSet(int pSet)
{
    if ((pSet == 0 || pSet == 1) && mPivotSets[pSet]) {
        mPivotSets[pSet]->Reset();
    }
}

bool KRyvNodeProperties::SetQuaternionInterpolate(bool pValue)
{
    mQuaternionInterpolate.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetQuaternionInterpolate() const
{
    return mQuaternionInterpolate.GetCachedValue();
}

void KRyvNodeProperties::SetRotationOffset(KVector4 pValue)
{
    StoreXYZ(mRotationOffset, pValue);
}

KVector4 KRyvNodeProperties::GetRotationOffset() const
{
    return ReadXYZ(mRotationOffset);
}

void KRyvNodeProperties::SetRotationPivot(KVector4 pValue)
{
    StoreXYZ(mRotationPivot, pValue);
}

KVector4 KRyvNodeProperties::GetRotationPivot() const
{
    return ReadXYZ(mRotationPivot);
}

void KRyvNodeProperties::SetRotationPivotUpdateOffset(KVector4 pValue)
{
    StoreXYZ(mRotationPivotUpdateOffset, pValue);
}

KVector4 KRyvNodeProperties::GetRotationPivotUpdateOffset() const
{
    return ReadXYZ(mRotationPivotUpdateOffset);
}

void KRyvNodeProperties::SetScalingOffset(KVector4 pValue)
{
    StoreXYZ(mScalingOffset, pValue);
}

KVector4 KRyvNodeProperties::GetScalingOffset() const
{
    return ReadXYZ(mScalingOffset);
}

void KRyvNodeProperties::SetScalingPivot(KVector4 pValue)
{
    StoreXYZ(mScalingPivot, pValue);
}

KVector4 KRyvNodeProperties::GetScalingPivot() const
{
    return ReadXYZ(mScalingPivot);
}

void KRyvNodeProperties::SetScalingPivotUpdateOffset(KVector4 pValue)
{
    StoreXYZ(mScalingPivotUpdateOffset, pValue);
}

KVector4 KRyvNodeProperties::GetScalingPivotUpdateOffset() const
{
    return ReadXYZ(mScalingPivotUpdateOffset);
}

bool KRyvNodeProperties::SetTranslationActive(bool pValue)
{
    mTranslationActive.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationActive() const
{
    return mTranslationActive.GetCachedValue();
}

void KRyvNodeProperties::SetTranslationMin(KVector4 pValue)
{
    StoreXYZ(mTranslationMin, pValue);
}

KVector4 KRyvNodeProperties::GetTranslationMin() const
{
    return ReadXYZ(mTranslationMin);
}

void KRyvNodeProperties::SetTranslationMax(KVector4 pValue)
{
    StoreXYZ(mTranslationMax, pValue);
}

KVector4 KRyvNodeProperties::GetTranslationMax() const
{
    return ReadXYZ(mTranslationMax);
}

bool KRyvNodeProperties::SetTranslationMinX(bool pValue)
{
    mTranslationMinX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMinX() const
{
    return mTranslationMinX.GetCachedValue();
}

bool KRyvNodeProperties::SetTranslationMinY(bool pValue)
{
    mTranslationMinY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMinY() const
{
    return mTranslationMinY.GetCachedValue();
}

bool KRyvNodeProperties::SetTranslationMinZ(bool pValue)
{
    mTranslationMinZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMinZ() const
{
    return mTranslationMinZ.GetCachedValue();
}

bool KRyvNodeProperties::SetTranslationMaxX(bool pValue)
{
    mTranslationMaxX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMaxX() const
{
    return mTranslationMaxX.GetCachedValue();
}

bool KRyvNodeProperties::SetTranslationMaxY(bool pValue)
{
    mTranslationMaxY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMaxY() const
{
    return mTranslationMaxY.GetCachedValue();
}

bool KRyvNodeProperties::SetTranslationMaxZ(bool pValue)
{
    mTranslationMaxZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetTranslationMaxZ() const
{
    return mTranslationMaxZ.GetCachedValue();
}

int KRyvNodeProperties::SetRotationOrder(int pValue)
{
    mRotationOrder.SetCachedValue(pValue);
    return pValue;
}

int KRyvNodeProperties::GetRotationOrder() const
{
    return mRotationOrder.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationSpaceForLimitOnly(bool pValue)
{
    mRotationSpaceForLimitOnly.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationSpaceForLimitOnly() const
{
    return mRotationSpaceForLimitOnly.GetCachedValue();
}

void KRyvNodeProperties::SetAxisLen(double pValue)
{
    mAxisLen.SetCachedValue(pValue);
}

double KRyvNodeProperties::GetAxisLen() const
{
    return mAxisLen.GetCachedValue();
}

void KRyvNodeProperties::SetPreRotation(KVector4 pValue)
{
    StoreXYZ(mPreRotation, pValue);
}

KVector4 KRyvNodeProperties::GetPreRotation() const
{
    return ReadXYZ(mPreRotation);
}

void KRyvNodeProperties::SetPostRotation(KVector4 pValue)
{
    StoreXYZ(mPostRotation, pValue);
}

KVector4 KRyvNodeProperties::GetPostRotation() const
{
    return ReadXYZ(mPostRotation);
}

bool KRyvNodeProperties::SetRotationActive(bool pValue)
{
    mRotationActive.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationActive() const
{
    return mRotationActive.GetCachedValue();
}

void KRyvNodeProperties::SetRotationMin(KVector4 pValue)
{
    StoreXYZ(mRotationMin, pValue);
}

KVector4 KRyvNodeProperties::GetRotationMin() const
{
    return ReadXYZ(mRotationMin);
}

void KRyvNodeProperties::SetRotationMax(KVector4 pValue)
{
    StoreXYZ(mRotationMax, pValue);
}

KVector4 KRyvNodeProperties::GetRotationMax() const
{
    return ReadXYZ(mRotationMax);
}

void KRyvNodeProperties::SetRotationStiffnessX(double pValue)
{
    mRotationStiffnessX.SetCachedValue(pValue);
}

double KRyvNodeProperties::GetRotationStiffnessX() const
{
    return mRotationStiffnessX.GetCachedValue();
}

void KRyvNodeProperties::SetRotationStiffnessY(double pValue)
{
    mRotationStiffnessY.SetCachedValue(pValue);
}

double KRyvNodeProperties::GetRotationStiffnessY() const
{
    return mRotationStiffnessY.GetCachedValue();
}

void KRyvNodeProperties::SetRotationStiffnessZ(double pValue)
{
    mRotationStiffnessZ.SetCachedValue(pValue);
}

double KRyvNodeProperties::GetRotationStiffnessZ() const
{
    return mRotationStiffnessZ.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMinX(bool pValue)
{
    mRotationMinX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMinX() const
{
    return mRotationMinX.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMinY(bool pValue)
{
    mRotationMinY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMinY() const
{
    return mRotationMinY.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMinZ(bool pValue)
{
    mRotationMinZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMinZ() const
{
    return mRotationMinZ.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMaxX(bool pValue)
{
    mRotationMaxX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMaxX() const
{
    return mRotationMaxX.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMaxY(bool pValue)
{
    mRotationMaxY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMaxY() const
{
    return mRotationMaxY.GetCachedValue();
}

bool KRyvNodeProperties::SetRotationMaxZ(bool pValue)
{
    mRotationMaxZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetRotationMaxZ() const
{
    return mRotationMaxZ.GetCachedValue();
}

int KRyvNodeProperties::SetInheritType(int pValue)
{
    mInheritType.SetCachedValue(pValue);
    return pValue;
}

int KRyvNodeProperties::GetInheritType() const
{
    return mInheritType.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingActive(bool pValue)
{
    mScalingActive.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingActive() const
{
    return mScalingActive.GetCachedValue();
}

void KRyvNodeProperties::SetScalingMin(KVector4 pValue)
{
    StoreXYZ(mScalingMin, pValue);
}

KVector4 KRyvNodeProperties::GetScalingMin() const
{
    return ReadXYZ(mScalingMin);
}

void KRyvNodeProperties::SetScalingMax(KVector4 pValue)
{
    StoreXYZ(mScalingMax, pValue);
}

KVector4 KRyvNodeProperties::GetScalingMax() const
{
    return ReadXYZ(mScalingMax);
}

bool KRyvNodeProperties::SetScalingMinX(bool pValue)
{
    mScalingMinX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMinX() const
{
    return mScalingMinX.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingMinY(bool pValue)
{
    mScalingMinY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMinY() const
{
    return mScalingMinY.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingMinZ(bool pValue)
{
    mScalingMinZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMinZ() const
{
    return mScalingMinZ.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingMaxX(bool pValue)
{
    mScalingMaxX.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMaxX() const
{
    return mScalingMaxX.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingMaxY(bool pValue)
{
    mScalingMaxY.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMaxY() const
{
    return mScalingMaxY.GetCachedValue();
}

bool KRyvNodeProperties::SetScalingMaxZ(bool pValue)
{
    mScalingMaxZ.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetScalingMaxZ() const
{
    return mScalingMaxZ.GetCachedValue();
}

void KRyvNodeProperties::SetGeometricTranslation(KVector4 pValue)
{
    StoreXYZ(mGeometricTranslation, pValue);
}

KVector4 KRyvNodeProperties::GetGeometricTranslation() const
{
    return ReadXYZ(mGeometricTranslation);
}

void KRyvNodeProperties::SetGeometricRotation(KVector4 pValue)
{
    StoreXYZ(mGeometricRotation, pValue);
}

KVector4 KRyvNodeProperties::GetGeometricRotation() const
{
    return ReadXYZ(mGeometricRotation);
}

void KRyvNodeProperties::SetGeometricScaling(KVector4 pValue)
{
    StoreXYZ(mGeometricScaling, pValue);
}

KVector4 KRyvNodeProperties::GetGeometricScaling() const
{
    return ReadXYZ(mGeometricScaling);
}

bool KRyvNodeProperties::SetShow(bool pValue)
{
    mShow.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetShow() const
{
    return mShow.GetCachedValue();
}

bool KRyvNodeProperties::SetNegativePercentShapeSupport(bool pValue)
{
    mNegativePercentShapeSupport.SetCachedValue(pValue);
    return pValue;
}

bool KRyvNodeProperties::GetNegativePercentShapeSupport() const
{
    return mNegativePercentShapeSupport.GetCachedValue();
}
