#include "scene/objects/KRyvTexture.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvVideo.h"

#include <cstring>

namespace {

const char* const kTextureErrors[] = {"Take node error"};
const char* const kXYZ[] = {"X", "Y", "Z"};
const char* const kVectorChannels[] = {"Translation", "Rotation", "Scaling"};
// The set's own channel properties: user-property removal never takes them.
const char* const kChannelProperties[] = {"Translation", "Rotation", "Scaling", "Texture alpha"};

bool IsChannelProperty(const KProperty& pProperty)
{
    for (const char* lName : kChannelProperties) {
        if (std::strcmp(lName, pProperty.GetName()) == 0) {
            return true;
        }
    }
    return false;
}

// "CurrentMappingType" values.
constexpr int kMappingUV = 0;
constexpr int kMappingZ = 1;
constexpr int kMappingX = 2;
constexpr int kMappingY = 3;
constexpr int kMappingSpherical = 4;
constexpr int kMappingCylindrical = 5;
constexpr int kMappingEnvironment = 6;
constexpr int kMappingBox = 8;
constexpr int kMappingFace = 9;
constexpr int kMappingNone = 10;

template <std::size_t N> const char* ListItem(const char* const (&pList)[N], int pIndex)
{
    return pIndex >= 0 && pIndex < static_cast<int>(N) ? pList[pIndex] : nullptr;
}

// The code <-> property correspondence of the texture use is its own inverse.
int SwapTextureUse(int pValue)
{
    switch (pValue) {
    case 1:
        return 3;
    case 2:
        return 4;
    case 3:
        return 1;
    case 4:
        return 2;
    case 5:
        return 5;
    default:
        return 0;
    }
}

// The name without its trailing run of decimal digits and blanks.
KString StripTrailingNumber(const KString& pName)
{
    const char* lText = pName.Buffer();
    std::size_t lLength = std::strlen(lText);
    while (lLength > 0 && ((lText[lLength - 1] >= '0' && lText[lLength - 1] <= '9') ||
                           lText[lLength - 1] == ' ')) {
        --lLength;
    }
    return KString(std::string(lText, lLength).c_str());
}

bool SameText(const char* pA, const char* pB)
{
    return std::strcmp(pA ? pA : "", pB ? pB : "") == 0;
}

} // namespace

K_IMPLEMENT_CLASS(KRyvTextureProperties, KObject)

const char* KRyvTextureProperties::TextureUseName(int pIndex)
{
    static const char* const kNames[] = {"Color",      "Spherical Reflection Map",
                                         "Sphere Map", "Shadow Map",
                                         "Light Map",  "Bump Map (NormalMap)"};
    return ListItem(kNames, pIndex);
}

const char* KRyvTextureProperties::BlendModeName(int pIndex)
{
    static const char* const kNames[] = {"Translucent", "Additive", "Modulate", "Modulate2"};
    return ListItem(kNames, pIndex);
}

const char* KRyvTextureProperties::MappingTypeName(int pIndex)
{
    static const char* const kNames[] = {"UV",        "Z",           "X",           "Y",
                                         "Spherical", "Cylindrical", "Environment", "Projection",
                                         "Box",       "Face",        "None"};
    return ListItem(kNames, pIndex);
}

const char* KRyvTextureProperties::WrapModeName(int pIndex)
{
    static const char* const kNames[] = {"Repeat", "Clamp"};
    return ListItem(kNames, pIndex);
}

KRyvTextureProperties::KRyvTextureProperties(KRyvTexture* pTexture) : KRyvOwnedPropertySet(pTexture)
{
    using K = KRyvTextureProperties;
    CreateChannel("Translation", "Vector");
    CreateChannel("Rotation", "Vector");
    CreateChannel("Scaling", "Vector");
    // Mirrors the Alpha channel, whose default is 1.
    if (KProperty* lAlpha = CreateChannel("Texture alpha", "Number")) {
        lAlpha->SetValueAsDouble(1.0);
    }

    RegisterEnum(mTextureTypeUse, "TextureTypeUse", &K::SetTextureTypeUse, &K::GetTextureTypeUse,
                 &K::TextureUseName);
    RegisterEnum(mCurrentTextureBlendMode, "CurrentTextureBlendMode",
                 &K::SetCurrentTextureBlendMode, &K::GetCurrentTextureBlendMode, &K::BlendModeName);
    RegisterBool(mUseMaterial, "UseMaterial", &K::SetUseMaterial, &K::GetUseMaterial);
    RegisterBool(mUseMipMap, "UseMipMap", &K::SetUseMipMap, &K::GetUseMipMap);
    RegisterEnum(mCurrentMappingType, "CurrentMappingType", &K::SetCurrentMappingType,
                 &K::GetCurrentMappingType, &K::MappingTypeName);
    RegisterBool(mUVSwap, "UVSwap", &K::SetUVSwap, &K::GetUVSwap);
    RegisterEnum(mWrapModeU, "WrapModeU", &K::SetWrapModeU, &K::GetWrapModeU, &K::WrapModeName);
    RegisterEnum(mWrapModeV, "WrapModeV", &K::SetWrapModeV, &K::GetWrapModeV, &K::WrapModeName);
    mTextureRotationPivot.SetCachedValue(KVector4(0.0, 0.0, 0.0, 1.0));
    RegisterPivot(mTextureRotationPivot, "TextureRotationPivot", &K::SetTextureRotationPivot,
                  &K::GetTextureRotationPivot);
    mTextureScalingPivot.SetCachedValue(KVector4(0.0, 0.0, 0.0, 1.0));
    RegisterPivot(mTextureScalingPivot, "TextureScalingPivot", &K::SetTextureScalingPivot,
                  &K::GetTextureScalingPivot);

    RegisterProperty(&mVideoProperty);
    mVideoProperty.MarkAsObjectList();
    mVideoProperty.Attach("VideoProperty", this);
    // Filtered on the clip's property set: the list holds the clip the texture
    // draws from.
    mVideoProperty.SetObjectClassFilter(1, KRyvVideoProperties::ClassId());
    mVideoProperty.SetPropertyType(kPropertyTypeObject);
    mVideoProperty.SetPlugFlags(2 | 4, false);
    mVideoProperty.SetPlugFlags(1, true);
}

KRyvTextureProperties::~KRyvTextureProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

void KRyvTextureProperties::RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                                         void (KRyvTextureProperties::*pSetter)(int),
                                         int (KRyvTextureProperties::*pGetter)() const,
                                         KEnumListFunction pList)
{
    RegisterProperty(&ioProperty);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
    ioProperty.SetPropertyType(kPropertyTypeEnum);
    ioProperty.GetDefinition().SetEnumList(pList);
}

void KRyvTextureProperties::RegisterBool(KPropertyBool& ioProperty, const char* pName,
                                         void (KRyvTextureProperties::*pSetter)(bool),
                                         bool (KRyvTextureProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeBool);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvTextureProperties::RegisterPivot(KPropertyVector& ioProperty, const char* pName,
                                          void (KRyvTextureProperties::*pSetter)(KVector4),
                                          KVector4 (KRyvTextureProperties::*pGetter)() const)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(kPropertyTypeVector3D);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

KProperty* KRyvTextureProperties::CreateChannel(const char* pName, const char* pDataType)
{
    KDataType* lDataType = FindDataType(pDataType);
    KProperty* lProperty =
        CreateProperty(pName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType, true);
    if (lProperty) {
        lProperty->SetFlag(KProperty::kAnimated, true);
    }
    return lProperty;
}

bool KRyvTextureProperties::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                          const KConnectEventArgs* pArgs)
{
    KRyvTexture* lTexture = GetTexture();
    if (pEvent == KConnectEvent::kDestinationConnected && pPlug == this && lTexture) {
        // Only a node's block leads to a scene content; a clip or anything else is
        // ignored here.
        if (KRyvNode* lNode = dynamic_cast<KRyvNode*>(KRyvGetPlugOwner(pOther))) {
            KRyvSceneEntity* lScene = lNode->GetScene();
            if (lScene && !lScene->FindTexture(lTexture->GetName().Buffer())) {
                lScene->AddTexture(lTexture);
            }
        }
    }
    return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
}

void KRyvTextureProperties::SetTextureTypeUse(int pValue)
{
    mTextureTypeUse.SetCachedValue(pValue);
}

int KRyvTextureProperties::GetTextureTypeUse() const
{
    return mTextureTypeUse.GetCachedValue();
}

void KRyvTextureProperties::SetCurrentTextureBlendMode(int pValue)
{
    mCurrentTextureBlendMode.SetCachedValue(pValue);
}

int KRyvTextureProperties::GetCurrentTextureBlendMode() const
{
    return mCurrentTextureBlendMode.GetCachedValue();
}

void KRyvTextureProperties::SetUseMaterial(bool pValue)
{
    mUseMaterial.SetCachedValue(pValue);
}

bool KRyvTextureProperties::GetUseMaterial() const
{
    return mUseMaterial.GetCachedValue();
}

void KRyvTextureProperties::SetUseMipMap(bool pValue)
{
    mUseMipMap.SetCachedValue(pValue);
}

bool KRyvTextureProperties::GetUseMipMap() const
{
    return mUseMipMap.GetCachedValue();
}

void KRyvTextureProperties::SetCurrentMappingType(int pValue)
{
    mCurrentMappingType.SetCachedValue(pValue);
}

int KRyvTextureProperties::GetCurrentMappingType() const
{
    return mCurrentMappingType.GetCachedValue();
}

void KRyvTextureProperties::SetUVSwap(bool pValue)
{
    mUVSwap.SetCachedValue(pValue);
}

bool KRyvTextureProperties::GetUVSwap() const
{
    return mUVSwap.GetCachedValue();
}

void KRyvTextureProperties::SetWrapModeU(int pValue)
{
    mWrapModeU.SetCachedValue(pValue);
}

int KRyvTextureProperties::GetWrapModeU() const
{
    return mWrapModeU.GetCachedValue();
}

void KRyvTextureProperties::SetWrapModeV(int pValue)
{
    mWrapModeV.SetCachedValue(pValue);
}

int KRyvTextureProperties::GetWrapModeV() const
{
    return mWrapModeV.GetCachedValue();
}

namespace {

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

void KRyvTextureProperties::SetTextureRotationPivot(KVector4 pValue)
{
    StoreXYZ(mTextureRotationPivot, pValue);
}

KVector4 KRyvTextureProperties::GetTextureRotationPivot() const
{
    return ReadXYZ(mTextureRotationPivot);
}

void KRyvTextureProperties::SetTextureScalingPivot(KVector4 pValue)
{
    StoreXYZ(mTextureScalingPivot, pValue);
}

KVector4 KRyvTextureProperties::GetTextureScalingPivot() const
{
    return ReadXYZ(mTextureScalingPivot);
}

KError& KRyvTexture::GetSharedError()
{
    static KError sError(kTextureErrors, 1);
    return sError;
}

KRyvTexture::KRyvTexture(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvPropertySetOwner(pOwner, pName, &GetSharedError()), mFileName(""), mRelativeFileName(""),
      mMediaName(""), mType("")
{
    mProperties = new KRyvTextureProperties(this);
    AddDefaultTakeNode();
    Reset();
}

KRyvTexture::~KRyvTexture()
{
    Destruct();
}

void KRyvTexture::Destruct()
{
    DestroyPropertySet();
}

void KRyvTexture::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    RemoveUserProperty(pUserProperty, IsChannelProperty);
}

void KRyvTexture::InitTakeNode(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    static const float kColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    for (const char* lChannel : kVectorChannels) {
        KFCurveNode* lNode = KFCurveNode::Create(lChannel, FindDataType(lChannel), 1, 0);
        if (!lNode) {
            continue;
        }
        const bool lScaling = std::strcmp(lChannel, "Scaling") == 0;
        for (int i = 0; i < 3; ++i) {
            if (KFCurve* lCurve = KRyvAddCurveChild(lNode, kXYZ[i])) {
                lCurve->SetColor(kColors[i]);
                if (lScaling) {
                    lCurve->SetDefaultValue(1.0f);
                }
            }
        }
        KRyvAddOrDestroy(lRoot, lNode);
    }
    KFCurveNode* lAlpha = KFCurveNode::Create("Alpha", FindDataType("Number"), 1, 0);
    KFCurve* lCurve = lAlpha ? KFCurve::Create() : nullptr;
    if (!lCurve) {
        KFCurveNode::Destroy(lAlpha);
        return;
    }
    lAlpha->SetCurve(lCurve);
    lCurve->SetDefaultValue(1.0f);
    lCurve->SetColor(0.75f, 0.0f, 0.0f);
    KRyvAddOrDestroy(lRoot, lAlpha);
}

void KRyvTexture::Reset()
{
    mIntegers[0] = 1;
    mIntegers[1] = 1;
    mAlphaSource = eNone;
    for (int& lValue : mCropping) {
        lValue = 0;
    }
    SetDefaultTranslation(KVector4(0.0, 0.0, 0.0, 1.0));
    SetDefaultRotation(KVector4(0.0, 0.0, 0.0, 1.0));
    SetDefaultScaling(KVector4(1.0, 1.0, 1.0, 1.0));
    mMappingType = eUV;
    mPlanarMappingNormal = ePlanarNormalX;
    mType = KString("TextureVideoClip");
    mUVScaling.Set(1.0, 1.0);
    mUVTranslation.Set(0.0, 0.0);
    if (mProperties) {
        mProperties->FindProperty("UseMaterial")->SetValue(false);
        mProperties->FindProperty("UVSwap")->SetValue(false);
        mProperties->FindProperty("TextureTypeUse")->SetValue(0);
        mProperties->GetCurrentTextureBlendModeProperty().SetValue(static_cast<int>(eAdditive));
        mProperties->FindProperty("WrapModeU")->SetValue(static_cast<int>(eRepeat));
        mProperties->FindProperty("WrapModeV")->SetValue(static_cast<int>(eRepeat));
    }
}

KRyvVideo* KRyvTexture::GetVideo() const
{
    if (!mProperties || mProperties->GetSrcCount() == 0) {
        return nullptr;
    }
    return dynamic_cast<KRyvVideo*>(KRyvGetPlugOwner(mProperties->GetSrc(0)));
}

bool KRyvTexture::SetFileName(const char* pName)
{
    if (!pName || !*pName) {
        return false;
    }
    mFileName = KString(pName);
    // The clip passes the name back; the comparison there ends the exchange.
    KRyvVideo* lVideo = GetVideo();
    if (lVideo && !SameText(lVideo->GetFileName(), pName)) {
        lVideo->SetFileName(pName);
    }
    return true;
}

bool KRyvTexture::SetRelativeFileName(const char* pName)
{
    if (!pName || !*pName) {
        return false;
    }
    mRelativeFileName = KString(pName);
    KRyvVideo* lVideo = GetVideo();
    if (lVideo && !SameText(lVideo->GetRelativeFileName(), pName)) {
        lVideo->SetRelativeFileName(pName);
    }
    return true;
}

void KRyvTexture::SetMediaName(const char* pName)
{
    mMediaName = KString(pName ? pName : "");
}

void KRyvTexture::SetSwapUV(bool pSwap)
{
    if (mProperties) {
        mProperties->FindProperty("UVSwap")->SetValue(pSwap);
    }
}

bool KRyvTexture::GetSwapUV() const
{
    return mProperties && mProperties->GetUVSwap();
}

void KRyvTexture::SetCropping(int pA, int pB, int pC, int pD)
{
    mCropping[0] = pA;
    mCropping[1] = pC;
    mCropping[2] = pB;
    mCropping[3] = pD;
}

void KRyvTexture::SetMappingProperty()
{
    int lValue = kMappingNone;
    switch (mMappingType) {
    case ePlanar:
        switch (mPlanarMappingNormal) {
        case ePlanarNormalX:
            lValue = kMappingX;
            break;
        case ePlanarNormalY:
            lValue = kMappingY;
            break;
        case ePlanarNormalZ:
            lValue = kMappingZ;
            break;
        default:
            // An unknown normal leaves the property as it is.
            return;
        }
        break;
    case eSpherical:
        lValue = kMappingSpherical;
        break;
    case eCylindrical:
        lValue = kMappingCylindrical;
        break;
    case eBox:
        lValue = kMappingBox;
        break;
    case eFace:
        lValue = kMappingFace;
        break;
    case eUV:
        lValue = kMappingUV;
        break;
    case eEnvironment:
        lValue = kMappingEnvironment;
        break;
    default:
        break;
    }
    if (mProperties) {
        mProperties->FindProperty("CurrentMappingType")->SetValue(lValue);
    }
}

void KRyvTexture::SetMappingType(int pType)
{
    mMappingType = pType;
    SetMappingProperty();
}

void KRyvTexture::SetPlanarMappingNormal(int pNormal)
{
    mPlanarMappingNormal = pNormal;
    if (mMappingType == ePlanar) {
        SetMappingProperty();
    }
}

void KRyvTexture::SetMaterialUse(int pMode)
{
    if (mProperties) {
        mProperties->FindProperty("UseMaterial")->SetValue(pMode == 0);
    }
}

int KRyvTexture::GetMaterialUse() const
{
    return mProperties && mProperties->GetUseMaterial() ? 0 : 1;
}

void KRyvTexture::SetTextureUse(int pUse)
{
    if (mProperties) {
        mProperties->FindProperty("TextureTypeUse")->SetValue(SwapTextureUse(pUse));
    }
}

int KRyvTexture::GetTextureUse() const
{
    return mProperties ? SwapTextureUse(mProperties->GetTextureTypeUse()) : 0;
}

void KRyvTexture::SetWrapMode(int pWrapU, int pWrapV)
{
    if (mProperties) {
        mProperties->FindProperty("WrapModeU")->SetValue(pWrapU);
        mProperties->FindProperty("WrapModeV")->SetValue(pWrapV);
    }
}

int KRyvTexture::GetWrapModeU() const
{
    return mProperties ? mProperties->GetWrapModeU() : 0;
}

int KRyvTexture::GetWrapModeV() const
{
    return mProperties ? mProperties->GetWrapModeV() : 0;
}

void KRyvTexture::SetBlendMode(int pMode)
{
    if (mProperties) {
        mProperties->GetCurrentTextureBlendModeProperty().SetValue(pMode);
    }
}

int KRyvTexture::GetBlendMode() const
{
    return mProperties ? mProperties->GetCurrentTextureBlendModeProperty().GetValueAsInt() : 0;
}

KFCurve* KRyvTexture::GetDefaultCurve(const char* pChannel, const char* pChild) const
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

void KRyvTexture::SetVectorChannel(const char* pChannel, const KVector4& pValue)
{
    for (int i = 0; i < 3; ++i) {
        if (KFCurve* lCurve = GetDefaultCurve(pChannel, kXYZ[i])) {
            lCurve->SetDefaultValue(KRyvToCurveValue(pValue[i]));
        }
    }
    if (KProperty* lProperty = mProperties ? mProperties->FindProperty(pChannel) : nullptr) {
        lProperty->SetValue(KVector4(pValue[0], pValue[1], pValue[2], 1.0));
    }
}

KVector4 KRyvTexture::GetVectorChannel(const char* pChannel) const
{
    KVector4 lValue(0.0, 0.0, 0.0, 0.0);
    for (int i = 0; i < 3; ++i) {
        if (const KFCurve* lCurve = GetDefaultCurve(pChannel, kXYZ[i])) {
            lValue[i] = lCurve->GetDefaultValue();
        }
    }
    return lValue;
}

void KRyvTexture::SetDefaultTranslation(const KVector4& pT)
{
    SetVectorChannel("Translation", pT);
}

KVector4 KRyvTexture::GetDefaultTranslation() const
{
    return GetVectorChannel("Translation");
}

void KRyvTexture::SetDefaultRotation(const KVector4& pR)
{
    SetVectorChannel("Rotation", pR);
}

KVector4 KRyvTexture::GetDefaultRotation() const
{
    return GetVectorChannel("Rotation");
}

void KRyvTexture::SetDefaultScaling(const KVector4& pS)
{
    SetVectorChannel("Scaling", pS);
}

KVector4 KRyvTexture::GetDefaultScaling() const
{
    return GetVectorChannel("Scaling");
}

void KRyvTexture::SetTranslation(double pU, double pV)
{
    SetDefaultTranslation(KVector4(pU, pV, 0.0, 1.0));
}

double KRyvTexture::GetTranslationU() const
{
    return GetDefaultTranslation()[0];
}

double KRyvTexture::GetTranslationV() const
{
    return GetDefaultTranslation()[1];
}

void KRyvTexture::SetRotation(double pU, double pV, double pW)
{
    SetDefaultRotation(KVector4(pU, pV, pW, 1.0));
}

double KRyvTexture::GetRotationW() const
{
    return GetDefaultRotation()[2];
}

void KRyvTexture::SetScale(double pU, double pV)
{
    SetDefaultScaling(KVector4(pU, pV, 1.0, 1.0));
}

double KRyvTexture::GetScaleU() const
{
    return GetDefaultScaling()[0];
}

double KRyvTexture::GetScaleV() const
{
    return GetDefaultScaling()[1];
}

void KRyvTexture::SetDefaultAlpha(double pAlpha)
{
    if (KFCurve* lCurve = GetDefaultCurve("Alpha", nullptr)) {
        lCurve->SetDefaultValue(KRyvToCurveValue(pAlpha));
    }
    if (KProperty* lProperty = mProperties ? mProperties->FindProperty("Texture alpha") : nullptr) {
        lProperty->SetValueAsDouble(pAlpha);
    }
}

double KRyvTexture::GetDefaultAlpha() const
{
    KProperty* lProperty = mProperties ? mProperties->FindProperty("Texture alpha") : nullptr;
    return lProperty ? lProperty->GetValueAsDouble() : 0.0;
}

bool KRyvTexture::IsSame(KRyvTexture* pOther) const
{
    if (!pOther) {
        return false;
    }
    if (std::strcmp(StripTrailingNumber(GetName()).Buffer(),
                    StripTrailingNumber(pOther->GetName()).Buffer()) != 0) {
        return false;
    }
    const KVector4 lT = GetDefaultTranslation();
    const KVector4 lOtherT = pOther->GetDefaultTranslation();
    const KVector4 lR = GetDefaultRotation();
    const KVector4 lOtherR = pOther->GetDefaultRotation();
    const KVector4 lS = GetDefaultScaling();
    const KVector4 lOtherS = pOther->GetDefaultScaling();
    if (lT[0] != lOtherT[0] || lT[1] != lOtherT[1] || lR[0] != lOtherR[0] || lR[1] != lOtherR[1] ||
        lR[2] != lOtherR[2] || lS[0] != lOtherS[0] || lS[1] != lOtherS[1] ||
        GetDefaultAlpha() != pOther->GetDefaultAlpha()) {
        return false;
    }
    if (mIntegers[0] != pOther->mIntegers[0] || mIntegers[1] != pOther->mIntegers[1]) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (mCropping[i] != pOther->mCropping[i]) {
            return false;
        }
    }
    return mAlphaSource == pOther->mAlphaSource && mMappingType == pOther->mMappingType &&
           mPlanarMappingNormal == pOther->mPlanarMappingNormal &&
           GetMaterialUse() == pOther->GetMaterialUse() &&
           GetTextureUse() == pOther->GetTextureUse() && GetSwapUV() == pOther->GetSwapUV() &&
           SameText(GetFileName(), pOther->GetFileName()) &&
           SameText(GetMediaName(), pOther->GetMediaName()) &&
           SameText(mType.Buffer(), pOther->mType.Buffer()) && mUVScaling == pOther->mUVScaling &&
           mUVTranslation == pOther->mUVTranslation;
}
