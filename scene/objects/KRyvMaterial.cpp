#include "scene/objects/KRyvMaterial.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"

#include <cctype>
#include <cstring>

namespace {

const char* const kMaterialErrors[] = {"Take node error"};

constexpr double kShininessScale = 128.0;

struct ColorChannel
{
    const char* mName;
    double mDefault;
};

const ColorChannel kColorChannels[] = {
    {"Emissive", 0.0}, {"Ambient", 0.2}, {"Diffuse", 0.8}, {"Specular", 0.2}};
const ColorChannel kScalarChannels[] = {
    {"Opacity", 1.0}, {"Reflectivity", 0.3}, {"Shininess", 6.4}};
const char* const kXYZ[] = {"X", "Y", "Z"};

// [0, 1]; not a number gives 0.
double Clamp01(double pValue)
{
    if (!(pValue > 0.0)) {
        return 0.0;
    }
    return pValue > 1.0 ? 1.0 : pValue;
}

bool EqualIgnoringCase(const char* pA, const char* pB)
{
    for (;; ++pA, ++pB) {
        const int lA = std::tolower(static_cast<unsigned char>(*pA));
        const int lB = std::tolower(static_cast<unsigned char>(*pB));
        if (lA != lB) {
            return false;
        }
        if (lA == 0) {
            return true;
        }
    }
}

void SetCurveColor(KFCurve* pCurve, int pChannel)
{
    static const float kColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    pCurve->SetColor(kColors[pChannel]);
}

} // namespace

K_IMPLEMENT_CLASS(KRyvMaterialProperties, KObject)

KRyvMaterialProperties::KRyvMaterialProperties(KRyvMaterial* pMaterial)
    : KRyvOwnedPropertySet(pMaterial), mEmissive(KColor(0.0, 0.0, 0.0, 1.0)),
      mAmbient(KColor(0.2, 0.2, 0.2, 1.0)), mDiffuse(KColor(0.8, 0.8, 0.8, 1.0)),
      mSpecular(KColor(0.2, 0.2, 0.2, 1.0)), mOpacity(1.0), mReflectivity(0.3), mShininess(6.4)
{
    RegisterColor(mEmissive, "Emissive");
    RegisterColor(mAmbient, "Ambient");
    RegisterColor(mDiffuse, "Diffuse");
    RegisterColor(mSpecular, "Specular");
    RegisterDouble(mOpacity, "Opacity");
    RegisterDouble(mReflectivity, "Reflectivity");
    RegisterDouble(mShininess, "Shininess");
}

KRyvMaterialProperties::~KRyvMaterialProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

void KRyvMaterialProperties::RegisterColor(KPropertyColor& ioProperty, const char* pName)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeColorRGB);
    // The colour accessors take and fill three doubles; the property travels as a
    // KColor.
    ioProperty.Attach(
        pName, this, [&ioProperty]() { return ioProperty.GetCachedValue(); },
        [&ioProperty](const KColor& pValue) {
            ioProperty.SetCachedValue(KColor(pValue.mRed, pValue.mGreen, pValue.mBlue, 1.0));
        });
}

void KRyvMaterialProperties::RegisterDouble(KPropertyDouble& ioProperty, const char* pName)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeDouble);
    ioProperty.Attach(
        pName, this, [&ioProperty]() { return ioProperty.GetCachedValue(); },
        [&ioProperty](const double& pValue) { ioProperty.SetCachedValue(pValue); });
}

bool KRyvMaterialProperties::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                           const KConnectEventArgs* pArgs)
{
    KRyvMaterial* lMaterial = GetMaterial();
    if (pEvent == KConnectEvent::kDestinationConnected && pPlug == this && lMaterial) {
        // Only a node's block leads to a scene content; any other partner is
        // ignored.
        if (KRyvNode* lNode = dynamic_cast<KRyvNode*>(KRyvGetPlugOwner(pOther))) {
            KRyvSceneEntity* lScene = lNode->GetScene();
            if (lScene && !lScene->FindMaterial(lMaterial->GetName().Buffer())) {
                lScene->AddMaterial(lMaterial);
            }
        }
    }
    return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
}

namespace {

void StoreColor(KPropertyColor& ioProperty, double pRed, double pGreen, double pBlue)
{
    ioProperty.SetCachedValue(KColor(pRed, pGreen, pBlue, 1.0));
}

void ReadColor(const KPropertyColor& pProperty, double& oRed, double& oGreen, double& oBlue)
{
    const KColor& lColor = pProperty.GetCachedValue();
    oRed = lColor.mRed;
    oGreen = lColor.mGreen;
    oBlue = lColor.mBlue;
}

} // namespace

void KRyvMaterialProperties::SetEmissive(double pRed, double pGreen, double pBlue)
{
    StoreColor(mEmissive, pRed, pGreen, pBlue);
}

void KRyvMaterialProperties::GetEmissive(double& oRed, double& oGreen, double& oBlue) const
{
    ReadColor(mEmissive, oRed, oGreen, oBlue);
}

void KRyvMaterialProperties::SetAmbient(double pRed, double pGreen, double pBlue)
{
    StoreColor(mAmbient, pRed, pGreen, pBlue);
}

void KRyvMaterialProperties::GetAmbient(double& oRed, double& oGreen, double& oBlue) const
{
    ReadColor(mAmbient, oRed, oGreen, oBlue);
}

void KRyvMaterialProperties::SetDiffuse(double pRed, double pGreen, double pBlue)
{
    StoreColor(mDiffuse, pRed, pGreen, pBlue);
}

void KRyvMaterialProperties::GetDiffuse(double& oRed, double& oGreen, double& oBlue) const
{
    ReadColor(mDiffuse, oRed, oGreen, oBlue);
}

void KRyvMaterialProperties::SetSpecular(double pRed, double pGreen, double pBlue)
{
    StoreColor(mSpecular, pRed, pGreen, pBlue);
}

void KRyvMaterialProperties::GetSpecular(double& oRed, double& oGreen, double& oBlue) const
{
    ReadColor(mSpecular, oRed, oGreen, oBlue);
}

void KRyvMaterialProperties::SetOpacity(double pValue)
{
    mOpacity.SetCachedValue(pValue);
}

double KRyvMaterialProperties::GetOpacity() const
{
    return mOpacity.GetCachedValue();
}

void KRyvMaterialProperties::SetReflectivity(double pValue)
{
    mReflectivity.SetCachedValue(pValue);
}

double KRyvMaterialProperties::GetReflectivity() const
{
    return mReflectivity.GetCachedValue();
}

void KRyvMaterialProperties::SetShininess(double pValue)
{
    mShininess.SetCachedValue(pValue);
}

double KRyvMaterialProperties::GetShininess() const
{
    return mShininess.GetCachedValue();
}

KRyvMaterial::KRyvMaterial(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvPropertySetOwner(pOwner, pName, &mError), mError(kMaterialErrors, 1),
      mShadingModel("phong")
{
    mProperties = new KRyvMaterialProperties(this);
    AddDefaultTakeNode();
}

KRyvMaterial::~KRyvMaterial()
{
    Destruct();
}

void KRyvMaterial::Destruct()
{
    DestroyPropertySet();
}

void KRyvMaterial::InitTakeNode(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    const bool lLink = IsDefaultTakeNode(pTake);
    for (const ColorChannel& lChannel : kColorChannels) {
        double lValues[3] = {lChannel.mDefault, lChannel.mDefault, lChannel.mDefault};
        KProperty* lProperty = mProperties ? mProperties->FindProperty(lChannel.mName) : nullptr;
        if (lProperty) {
            KColor lColor;
            if (lProperty->GetValue(lColor)) {
                lValues[0] = lColor.mRed;
                lValues[1] = lColor.mGreen;
                lValues[2] = lColor.mBlue;
            }
            lProperty->GetDefinition().SetFlag(KPropertyDefinition::kAnimatable, true);
            lProperty->SetFlag(KProperty::kAnimated, true);
        }
        KFCurveNode* lNode = KFCurveNode::Create(lChannel.mName, FindDataType("Color"), 1, 0);
        if (!lNode) {
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            KFCurve* lCurve = KRyvAddCurveChild(lNode, kXYZ[i]);
            if (!lCurve) {
                continue;
            }
            lCurve->SetDefaultValue(KRyvToCurveValue(lValues[i]));
            SetCurveColor(lCurve, i);
            if (lLink && lProperty) {
                LinkPropertyToCurve(lProperty, i, lCurve);
            }
        }
        KRyvAddOrDestroy(lRoot, lNode);
    }
    for (const ColorChannel& lChannel : kScalarChannels) {
        double lValue = lChannel.mDefault;
        KProperty* lProperty = mProperties ? mProperties->FindProperty(lChannel.mName) : nullptr;
        if (lProperty) {
            lValue = lProperty->GetValueAsDouble();
            lProperty->GetDefinition().SetFlag(KPropertyDefinition::kAnimatable, true);
            lProperty->SetFlag(KProperty::kAnimated, true);
        }
        KFCurveNode* lNode = KFCurveNode::Create(lChannel.mName, FindDataType("Number"), 1, 0);
        KFCurve* lCurve = lNode ? KFCurve::Create() : nullptr;
        if (!lCurve) {
            KFCurveNode::Destroy(lNode);
            continue;
        }
        lNode->SetCurve(lCurve);
        lCurve->SetDefaultValue(KRyvToCurveValue(lValue));
        lCurve->SetColor(0.75f, 0.0f, 0.0f);
        if (lLink && lProperty) {
            LinkPropertyToCurve(lProperty, 0, lCurve);
        }
        KRyvAddOrDestroy(lRoot, lNode);
    }
}

void KRyvMaterial::SetShadingModel(const char* pModel)
{
    mShadingModel = KString(pModel ? pModel : "");
}

KFCurve* KRyvMaterial::GetDefaultCurve(const char* pChannel, const char* pChild) const
{
    const KRyvTakeNode* lTake = GetDefaultTakeNode();
    const KFCurveNode* lRoot = lTake ? lTake->GetKFCurveNode() : nullptr;
    const int lIndex = lRoot ? lRoot->Find(pChannel) : -1;
    const KFCurveNode* lNode = lIndex >= 0 ? lRoot->Get(lIndex) : nullptr;
    if (lNode && pChild) {
        const int lChild = lNode->Find(pChild);
        lNode = lChild >= 0 ? lNode->Get(lChild) : nullptr;
    }
    return lNode ? lNode->GetCurve() : nullptr;
}

void KRyvMaterial::SetColorChannel(const char* pChannel, double pRed, double pGreen, double pBlue)
{
    // Clamped like the ColorRGB property the curves feed, so that curve and
    // property agree.
    const double lValues[3] = {Clamp01(pRed), Clamp01(pGreen), Clamp01(pBlue)};
    for (int i = 0; i < 3; ++i) {
        if (KFCurve* lCurve = GetDefaultCurve(pChannel, kXYZ[i])) {
            lCurve->SetDefaultValue(KRyvToCurveValue(lValues[i]));
        }
    }
}

void KRyvMaterial::GetColorChannel(const char* pChannel, double& oRed, double& oGreen,
                                   double& oBlue) const
{
    double* const lOut[3] = {&oRed, &oGreen, &oBlue};
    for (int i = 0; i < 3; ++i) {
        const KFCurve* lCurve = GetDefaultCurve(pChannel, kXYZ[i]);
        *lOut[i] = lCurve ? lCurve->GetDefaultValue() : 0.0;
    }
}

void KRyvMaterial::SetScalarChannel(const char* pChannel, double pValue)
{
    if (KFCurve* lCurve = GetDefaultCurve(pChannel, nullptr)) {
        lCurve->SetDefaultValue(KRyvToCurveValue(pValue));
    }
}

double KRyvMaterial::GetScalarChannel(const char* pChannel) const
{
    const KFCurve* lCurve = GetDefaultCurve(pChannel, nullptr);
    return lCurve ? lCurve->GetDefaultValue() : 0.0;
}

void KRyvMaterial::SetEmissive(double pRed, double pGreen, double pBlue)
{
    SetColorChannel("Emissive", pRed, pGreen, pBlue);
}

void KRyvMaterial::SetAmbient(double pRed, double pGreen, double pBlue)
{
    SetColorChannel("Ambient", pRed, pGreen, pBlue);
}

void KRyvMaterial::SetDiffuse(double pRed, double pGreen, double pBlue)
{
    SetColorChannel("Diffuse", pRed, pGreen, pBlue);
}

void KRyvMaterial::SetSpecular(double pRed, double pGreen, double pBlue)
{
    SetColorChannel("Specular", pRed, pGreen, pBlue);
}

void KRyvMaterial::GetEmissive(double& oRed, double& oGreen, double& oBlue) const
{
    GetColorChannel("Emissive", oRed, oGreen, oBlue);
}

void KRyvMaterial::GetAmbient(double& oRed, double& oGreen, double& oBlue) const
{
    GetColorChannel("Ambient", oRed, oGreen, oBlue);
}

void KRyvMaterial::GetDiffuse(double& oRed, double& oGreen, double& oBlue) const
{
    GetColorChannel("Diffuse", oRed, oGreen, oBlue);
}

void KRyvMaterial::GetSpecular(double& oRed, double& oGreen, double& oBlue) const
{
    GetColorChannel("Specular", oRed, oGreen, oBlue);
}

void KRyvMaterial::SetEmissiveColor(const KColor& pColor)
{
    SetEmissive(pColor.mRed, pColor.mGreen, pColor.mBlue);
}

void KRyvMaterial::SetAmbientColor(const KColor& pColor)
{
    SetAmbient(pColor.mRed, pColor.mGreen, pColor.mBlue);
}

void KRyvMaterial::SetDiffuseColor(const KColor& pColor)
{
    SetDiffuse(pColor.mRed, pColor.mGreen, pColor.mBlue);
}

void KRyvMaterial::SetSpecularColor(const KColor& pColor)
{
    SetSpecular(pColor.mRed, pColor.mGreen, pColor.mBlue);
}

namespace {

KColor ToColor(double pRed, double pGreen, double pBlue)
{
    return KColor(pRed, pGreen, pBlue, 1.0);
}

} // namespace

KColor KRyvMaterial::GetEmissiveColor() const
{
    double lRed, lGreen, lBlue;
    GetEmissive(lRed, lGreen, lBlue);
    return ToColor(lRed, lGreen, lBlue);
}

KColor KRyvMaterial::GetAmbientColor() const
{
    double lRed, lGreen, lBlue;
    GetAmbient(lRed, lGreen, lBlue);
    return ToColor(lRed, lGreen, lBlue);
}

KColor KRyvMaterial::GetDiffuseColor() const
{
    double lRed, lGreen, lBlue;
    GetDiffuse(lRed, lGreen, lBlue);
    return ToColor(lRed, lGreen, lBlue);
}

KColor KRyvMaterial::GetSpecularColor() const
{
    double lRed, lGreen, lBlue;
    GetSpecular(lRed, lGreen, lBlue);
    return ToColor(lRed, lGreen, lBlue);
}

void KRyvMaterial::SetOpacity(double pOpacity)
{
    SetScalarChannel("Opacity", Clamp01(pOpacity));
}

double KRyvMaterial::GetOpacity() const
{
    return GetScalarChannel("Opacity");
}

void KRyvMaterial::SetReflectivity(double pReflectivity)
{
    SetScalarChannel("Reflectivity", Clamp01(pReflectivity));
}

double KRyvMaterial::GetReflectivity() const
{
    return GetScalarChannel("Reflectivity");
}

void KRyvMaterial::SetShininess(double pShininess)
{
    SetScalarChannel("Shininess", Clamp01(pShininess) * kShininessScale);
}

double KRyvMaterial::GetShininess() const
{
    return Clamp01(GetScalarChannel("Shininess") * (1.0 / kShininessScale));
}

bool KRyvMaterial::IsSame(const KRyvMaterial* pOther) const
{
    if (!pOther) {
        return false;
    }
    if (std::strcmp(GetName().Buffer(), pOther->GetName().Buffer()) != 0) {
        return false;
    }
    using Getter = void (KRyvMaterial::*)(double&, double&, double&) const;
    const Getter lGetters[] = {&KRyvMaterial::GetAmbient, &KRyvMaterial::GetDiffuse,
                               &KRyvMaterial::GetSpecular, &KRyvMaterial::GetEmissive};
    for (Getter lGetter : lGetters) {
        double lA[3];
        double lB[3];
        (this->*lGetter)(lA[0], lA[1], lA[2]);
        (pOther->*lGetter)(lB[0], lB[1], lB[2]);
        if (lA[0] != lB[0] || lA[1] != lB[1] || lA[2] != lB[2]) {
            return false;
        }
    }
    return GetOpacity() == pOther->GetOpacity() && GetShininess() == pOther->GetShininess() &&
           GetReflectivity() == pOther->GetReflectivity() &&
           EqualIgnoringCase(mShadingModel.Buffer(), pOther->mShadingModel.Buffer());
}
