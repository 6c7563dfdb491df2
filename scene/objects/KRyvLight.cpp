#include "scene/objects/KRyvLight.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KColor.h"
#include "object/KDataType.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"

K_IMPLEMENT_CLASS(KRyvLightProperties, KObject)

namespace {

const char* const kColor = "Color";
const char* const kIntensity = "Intensity";
const char* const kConeAngle = "Cone angle";
const char* const kFog = "Fog";
const char* const kColorChannels[3] = {"X", "Y", "Z"};

// A channel with a curve, its default value and display colour.
void MakeChannel(KFCurveNode* pParent, const char* pName, double pValue, float pRed, float pGreen,
                 float pBlue)
{
    KFCurveNode* lNode = pParent ? pParent->FindOrCreateChild(pName, true) : nullptr;
    KFCurve* lCurve = lNode ? lNode->GetCurve() : nullptr;
    if (lCurve) {
        lCurve->SetDefaultValue(KRyvToCurveValue(pValue));
        lCurve->SetColor(pRed, pGreen, pBlue);
    }
}

} // namespace

KRyvLightProperties::KRyvLightProperties()
{
    using K = KRyvLightProperties;
    RegisterProperty(&mLightType);
    mLightType.SetPropertyType(kPropertyTypeNone);
    mLightType.AttachMembers("LightType", this, &K::GetLightType, &K::SetLightType);
    mLightType.SetPropertyType(kPropertyTypeEnum);
    mLightType.GetDefinition().SetEnumList(&KRyvLight::GetLightTypeName);

    RegisterProperty(&mCastLightOnObject);
    mCastLightOnObject.SetPropertyType(kPropertyTypeBool);
    mCastLightOnObject.AttachMembers("CastLightOnObject", this, &K::GetCastLightOnObject,
                                     &K::SetCastLightOnObject);

    for (const char* lName : {kColor, kIntensity, kConeAngle, kFog}) {
        KDataType* lDataType = FindDataType(lName);
        KProperty* lProperty = CreateProperty(
            lName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType, true);
        if (lProperty) {
            lProperty->SetFlag(KProperty::kAnimated, true);
        }
    }
}

KRyvLightProperties::~KRyvLightProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

int KRyvLightProperties::SetLightType(int pValue)
{
    mLightType.SetCachedValue(pValue);
    return pValue;
}

int KRyvLightProperties::GetLightType() const
{
    return mLightType.GetCachedValue();
}

bool KRyvLightProperties::SetCastLightOnObject(bool pValue)
{
    mCastLightOnObject.SetCachedValue(pValue);
    return pValue;
}

bool KRyvLightProperties::GetCastLightOnObject() const
{
    return mCastLightOnObject.GetCachedValue();
}

KRyvLight::KRyvLight(KRyvObjectFactory* pFactory)
    : KRyvNodeAttribute(pFactory), mProperties(new KRyvLightProperties)
{
    mProperties->SetCastLightOnObject(true);
    mProperties->SetLightType(ePoint);
    SetColor(1.0, 1.0, 1.0);
    SetIntensity(100.0);
    SetConeAngle(45.0);
    SetFog(50.0);
}

KRyvLight::~KRyvLight()
{
    // Detached here, while the light is whole, its channels leave the node's takes and its gobo
    // the scene content; the base destructor could only run the base's hooks.
    if (KRyvNode* lNode = GetNode()) {
        lNode->SetNodeAttribute(nullptr);
    }
    mProperties->Destroy();
}

const char* KRyvLight::GetLightTypeName(int pType)
{
    static const char* const kNames[] = {"Point Light", "Infinite Light", "Spot Light"};
    return pType >= 0 && pType < 3 ? kNames[pType] : nullptr;
}

KRyvSceneEntity* KRyvLight::GetSceneEntity() const
{
    const KRyvNode* lNode = GetNode();
    return lNode ? lNode->GetScene() : nullptr;
}

void KRyvLight::SetNode(KRyvNode* pNode)
{
    KRyvNodeAttribute::SetNode(pNode);
    KRyvSceneEntity* lEntity = GetSceneEntity();
    if (lEntity && mGobo) {
        lEntity->AddGobo(mGobo);
    }
}

void KRyvLight::UnsetNode()
{
    KRyvSceneEntity* lEntity = GetSceneEntity();
    if (lEntity && mGobo) {
        lEntity->RemoveGobo(mGobo);
    }
    KRyvNodeAttribute::UnsetNode();
}

bool KRyvLight::SetGobo(KRyvGobo* pGobo)
{
    KRyvSceneEntity* lEntity = GetSceneEntity();
    KRyvGobo* lPrevious = mGobo;
    if (lPrevious && lEntity) {
        lEntity->RemoveGobo(lPrevious);
    }
    if (!pGobo || !lEntity) {
        mGobo = pGobo;
        return true;
    }
    if (lEntity->AddGobo(pGobo)) {
        mGobo = pGobo;
        return true;
    }
    // A refused gobo must not cost the light the gobo it had.
    if (lPrevious) {
        lEntity->AddGobo(lPrevious);
    }
    mGobo = lPrevious;
    return false;
}

void KRyvLight::OnTakeNodeAdded(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    // Read before any channel is made: a new curve of take 0 would answer 0.
    double lColor[3] = {1.0, 1.0, 1.0};
    GetColor(lColor[0], lColor[1], lColor[2]);
    const double lIntensity = GetIntensity();
    const double lConeAngle = GetConeAngle();
    const double lFog = GetFog();

    KFCurveNode* lColorNode = lRoot->FindOrCreateChild(kColor, false);
    MakeChannel(lColorNode, kColorChannels[0], lColor[0], 1.0f, 0.0f, 0.0f);
    MakeChannel(lColorNode, kColorChannels[1], lColor[1], 0.0f, 1.0f, 0.0f);
    MakeChannel(lColorNode, kColorChannels[2], lColor[2], 0.0f, 0.0f, 1.0f);
    MakeChannel(lRoot, kIntensity, lIntensity, 0.97f, 0.91f, 0.11f);
    MakeChannel(lRoot, kConeAngle, lConeAngle, 0.82f, 0.1f, 0.71f);
    MakeChannel(lRoot, kFog, lFog, 0.82f, 0.38f, 0.1f);
}

void KRyvLight::OnTakeNodeRemoved(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    for (const char* lName : {kColor, kIntensity, kConeAngle, kFog}) {
        const int lIndex = lRoot->Find(lName);
        if (lIndex >= 0) {
            lRoot->Delete(lIndex);
        }
    }
}

void KRyvLight::FillPropertyList(std::vector<KProperty*>& ioProperties)
{
    for (int i = 0; i < mProperties->GetPropertyCount(); ++i) {
        ioProperties.push_back(mProperties->GetProperty(i));
    }
}

KString KRyvLight::GetTypeName() const
{
    return KString("Light");
}

KPropertyStringList KRyvLight::GetTypeNameList() const
{
    KPropertyStringList lList;
    lList.Add("Light");
    return lList;
}

int KRyvLight::GetLightType() const
{
    return mProperties->GetLightType();
}

void KRyvLight::SetLightType(int pType)
{
    mProperties->SetLightType(pType);
}

bool KRyvLight::GetCastLightOnObject() const
{
    return mProperties->GetCastLightOnObject();
}

void KRyvLight::SetCastLightOnObject(bool pValue)
{
    mProperties->SetCastLightOnObject(pValue);
}

KProperty* KRyvLight::PropertyNamed(const char* pName) const
{
    return mProperties->FindProperty(pName);
}

KFCurve* KRyvLight::DefaultCurve(const char* pChannel, const char* pChild) const
{
    return KRyvFindDefaultCurve(GetNode(), pChannel, pChild);
}

void KRyvLight::GetColor(double& oRed, double& oGreen, double& oBlue) const
{
    const KFCurve* lRed = DefaultCurve(kColor, kColorChannels[0]);
    const KFCurve* lGreen = DefaultCurve(kColor, kColorChannels[1]);
    const KFCurve* lBlue = DefaultCurve(kColor, kColorChannels[2]);
    if (lRed && lGreen && lBlue) {
        oRed = lRed->GetDefaultValue();
        oGreen = lGreen->GetDefaultValue();
        oBlue = lBlue->GetDefaultValue();
        return;
    }
    KColor lColor(0.0, 0.0, 0.0, 1.0);
    if (KProperty* lProperty = PropertyNamed(kColor)) {
        lProperty->GetValue(lColor);
    }
    oRed = lColor.mRed;
    oGreen = lColor.mGreen;
    oBlue = lColor.mBlue;
}

void KRyvLight::SetColor(double pRed, double pGreen, double pBlue)
{
    KRyvSetCurveDefault(DefaultCurve(kColor, kColorChannels[0]), pRed);
    KRyvSetCurveDefault(DefaultCurve(kColor, kColorChannels[1]), pGreen);
    KRyvSetCurveDefault(DefaultCurve(kColor, kColorChannels[2]), pBlue);
    if (KProperty* lProperty = PropertyNamed(kColor)) {
        lProperty->SetValue(KColor(pRed, pGreen, pBlue, 1.0));
    }
}

double KRyvLight::GetScalar(const char* pName) const
{
    if (const KFCurve* lCurve = DefaultCurve(pName, nullptr)) {
        return lCurve->GetDefaultValue();
    }
    KProperty* lProperty = PropertyNamed(pName);
    return lProperty ? lProperty->GetValueAsDouble() : 0.0;
}

void KRyvLight::SetScalar(const char* pName, double pValue)
{
    KRyvSetCurveDefault(DefaultCurve(pName, nullptr), pValue);
    if (KProperty* lProperty = PropertyNamed(pName)) {
        lProperty->SetValueAsDouble(pValue);
    }
}

double KRyvLight::GetIntensity() const
{
    return GetScalar(kIntensity);
}

void KRyvLight::SetIntensity(double pIntensity)
{
    SetScalar(kIntensity, pIntensity);
}

double KRyvLight::GetConeAngle() const
{
    return GetScalar(kConeAngle);
}

void KRyvLight::SetConeAngle(double pDegrees)
{
    SetScalar(kConeAngle, pDegrees);
}

double KRyvLight::GetFog() const
{
    return GetScalar(kFog);
}

void KRyvLight::SetFog(double pFog)
{
    SetScalar(kFog, pFog);
}
