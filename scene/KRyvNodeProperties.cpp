#include "scene/KRyvNodeProperties.h"

#include "object/KDataType.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

K_IMPLEMENT_CLASS(KRyvNodeProperties, KObject)

namespace {

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

KRyvNodeProperties::KRyvNodeProperties(KRyvNode* pNode) : KRyvOwnedPropertySet(pNode)
{
    using K = KRyvNodeProperties;
    RegisterBool(mQuaternionInterpolate, "QuaternionInterpolate", &K::SetQuaternionInterpolate,
                 &K::GetQuaternionInterpolate);
    RegisterVector(mRotationOffset, "RotationOffset", &K::SetRotationOffset, &K::GetRotationOffset);
    RegisterVector(mRotationPivot, "RotationPivot", &K::SetRotationPivot, &K::GetRotationPivot);
    RegisterVector(mRotationPivotUpdateOffset, "RotationPivotUpdateOffset",
                   &K::SetRotationPivotUpdateOffset, &K::GetRotationPivotUpdateOffset);
    mRotationPivotUpdateOffset.SetFlag(KProperty::kNotWritten, true);
    RegisterVector(mScalingOffset, "ScalingOffset", &K::SetScalingOffset, &K::GetScalingOffset);
    RegisterVector(mScalingPivot, "ScalingPivot", &K::SetScalingPivot, &K::GetScalingPivot);
    RegisterVector(mScalingPivotUpdateOffset, "ScalingPivotUpdateOffset",
                   &K::SetScalingPivotUpdateOffset, &K::GetScalingPivotUpdateOffset);
    mScalingPivotUpdateOffset.SetFlag(KProperty::kNotWritten, true);
    RegisterBool(mTranslationActive, "TranslationActive", &K::SetTranslationActive,
                 &K::GetTranslationActive);
    RegisterVector(mTranslationMin, "TranslationMin", &K::SetTranslationMin, &K::GetTranslationMin);
    RegisterVector(mTranslationMax, "TranslationMax", &K::SetTranslationMax, &K::GetTranslationMax);
    RegisterBool(mTranslationMinX, "TranslationMinX", &K::SetTranslationMinX,
                 &K::GetTranslationMinX);
    RegisterBool(mTranslationMinY, "TranslationMinY", &K::SetTranslationMinY,
                 &K::GetTranslationMinY);
    RegisterBool(mTranslationMinZ, "TranslationMinZ", &K::SetTranslationMinZ,
                 &K::GetTranslationMinZ);
    RegisterBool(mTranslationMaxX, "TranslationMaxX", &K::SetTranslationMaxX,
                 &K::GetTranslationMaxX);
    RegisterBool(mTranslationMaxY, "TranslationMaxY", &K::SetTranslationMaxY,
                 &K::GetTranslationMaxY);
    RegisterBool(mTranslationMaxZ, "TranslationMaxZ", &K::SetTranslationMaxZ,
                 &K::GetTranslationMaxZ);
    RegisterEnum(mRotationOrder, "RotationOrder", &K::SetRotationOrder, &K::GetRotationOrder,
                 &KRyvPivotSet::RotationOrderName);
    RegisterBool(mRotationSpaceForLimitOnly, "RotationSpaceForLimitOnly",
                 &K::SetRotationSpaceForLimitOnly, &K::GetRotationSpaceForLimitOnly);
    RegisterDouble(mRotationStiffnessX, "RotationStiffnessX", &K::SetRotationStiffnessX,
                   &K::GetRotationStiffnessX);
    RegisterDouble(mRotationStiffnessY, "RotationStiffnessY", &K::SetRotationStiffnessY,
                   &K::GetRotationStiffnessY);
    RegisterDouble(mRotationStiffnessZ, "RotationStiffnessZ", &K::SetRotationStiffnessZ,
                   &K::GetRotationStiffnessZ);
    RegisterDouble(mAxisLen, "AxisLen", &K::SetAxisLen, &K::GetAxisLen);
    RegisterVector(mPreRotation, "PreRotation", &K::SetPreRotation, &K::GetPreRotation);
    RegisterVector(mPostRotation, "PostRotation", &K::SetPostRotation, &K::GetPostRotation);
    RegisterBool(mRotationActive, "RotationActive", &K::SetRotationActive, &K::GetRotationActive);
    RegisterVector(mRotationMin, "RotationMin", &K::SetRotationMin, &K::GetRotationMin);
    RegisterVector(mRotationMax, "RotationMax", &K::SetRotationMax, &K::GetRotationMax);
    RegisterBool(mRotationMinX, "RotationMinX", &K::SetRotationMinX, &K::GetRotationMinX);
    RegisterBool(mRotationMinY, "RotationMinY", &K::SetRotationMinY, &K::GetRotationMinY);
    RegisterBool(mRotationMinZ, "RotationMinZ", &K::SetRotationMinZ, &K::GetRotationMinZ);
    RegisterBool(mRotationMaxX, "RotationMaxX", &K::SetRotationMaxX, &K::GetRotationMaxX);
    RegisterBool(mRotationMaxY, "RotationMaxY", &K::SetRotationMaxY, &K::GetRotationMaxY);
    RegisterBool(mRotationMaxZ, "RotationMaxZ", &K::SetRotationMaxZ, &K::GetRotationMaxZ);
    RegisterEnum(mInheritType, "InheritType", &K::SetInheritType, &K::GetInheritType,
                 &KRyvPivotSet::InheritTypeName);
    RegisterBool(mScalingActive, "ScalingActive", &K::SetScalingActive, &K::GetScalingActive);
    RegisterVector(mScalingMin, "ScalingMin", &K::SetScalingMin, &K::GetScalingMin);
    RegisterVector(mScalingMax, "ScalingMax", &K::SetScalingMax, &K::GetScalingMax);
    RegisterBool(mScalingMinX, "ScalingMinX", &K::SetScalingMinX, &K::GetScalingMinX);
    RegisterBool(mScalingMinY, "ScalingMinY", &K::SetScalingMinY, &K::GetScalingMinY);
    RegisterBool(mScalingMinZ, "ScalingMinZ", &K::SetScalingMinZ, &K::GetScalingMinZ);
    RegisterBool(mScalingMaxX, "ScalingMaxX", &K::SetScalingMaxX, &K::GetScalingMaxX);
    RegisterBool(mScalingMaxY, "ScalingMaxY", &K::SetScalingMaxY, &K::GetScalingMaxY);
    RegisterBool(mScalingMaxZ, "ScalingMaxZ", &K::SetScalingMaxZ, &K::GetScalingMaxZ);
    RegisterVector(mGeometricTranslation, "GeometricTranslation", &K::SetGeometricTranslation,
                   &K::GetGeometricTranslation);
    RegisterVector(mGeometricRotation, "GeometricRotation", &K::SetGeometricRotation,
                   &K::GetGeometricRotation);
    RegisterVector(mGeometricScaling, "GeometricScaling", &K::SetGeometricScaling,
                   &K::GetGeometricScaling);

    RegisterObjectList(mLookAtProperty, "LookAtProperty");
    RegisterObjectList(mUpVectorProperty, "UpVectorProperty");

    RegisterBool(mShow, "Show", &K::SetShow, &K::GetShow);
    mShow.SetValue(true);
    RegisterBool(mNegativePercentShapeSupport, "NegativePercentShapeSupport",
                 &K::SetNegativePercentShapeSupport, &K::GetNegativePercentShapeSupport);
    mNegativePercentShapeSupport.SetValue(true);

    CreateChannel("Lcl Translation");
    CreateChannel("Lcl Rotation");
    if (KProperty* lScaling = CreateChannel("Lcl Scaling")) {
        lScaling->SetValue(KVector4(1.0, 1.0, 1.0, 1.0));
    }
    if (KProperty* lVisibility = CreateChannel("Visibility")) {
        lVisibility->SetValueAsDouble(1.0);
    }
    // Every node carries these properties: their definitions are held once per factory.
    if (KRyvObjectFactory* lFactory = pNode ? pNode->GetObjectFactory() : nullptr) {
        lFactory->GetPropertyDefinitionCache().Share(&ClassInfo(), *this);
    }
}

KRyvNodeProperties::~KRyvNodeProperties()
{
    // The member properties die after this body: take them (and the created channels) out of the
    // object and its connections now, while the block is still whole. After Destroy this finds
    // nothing left to do.
    KObject::Destruct();
}

void KRyvNodeProperties::RegisterBool(KPropertyBool& ioProperty, const char* pName,
                                      bool (KRyvNodeProperties::*pSetter)(bool),
                                      bool (KRyvNodeProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeBool);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvNodeProperties::RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                                      int (KRyvNodeProperties::*pSetter)(int),
                                      int (KRyvNodeProperties::*pGetter)() const,
                                      KEnumListFunction pList)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeNone);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
    ioProperty.SetPropertyType(kPropertyTypeEnum);
    ioProperty.GetDefinition().SetEnumList(pList);
}

void KRyvNodeProperties::RegisterDouble(KPropertyDouble& ioProperty, const char* pName,
                                        void (KRyvNodeProperties::*pSetter)(double),
                                        double (KRyvNodeProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeDouble);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvNodeProperties::RegisterVector(KPropertyVector& ioProperty, const char* pName,
                                        void (KRyvNodeProperties::*pSetter)(KVector4),
                                        KVector4 (KRyvNodeProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeVector3D);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvNodeProperties::RegisterObjectList(KPropertyObjectList& ioProperty, const char* pName)
{
    RegisterProperty(&ioProperty);
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
    return pSet == 0 || pSet == 1 ? &mPivotSets[pSet] : nullptr;
}

const KRyvPivotSet* KRyvNodeProperties::GetPivotSet(int pSet) const
{
    return pSet == 0 || pSet == 1 ? &mPivotSets[pSet] : nullptr;
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
