#include "scene/objects/KRyvMarker.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "object/KDeferredMember.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

namespace {

const char* const kOcclusion = "Occlusion";
const char* const kIKReachTranslation = "IK Reach Translation";
const char* const kIKReachRotation = "IK Reach Rotation";

const char* LookList(int pIndex)
{
    return KRyvMarkerProperties::GetLookName(pIndex);
}

// The channels a marker type puts in every take: data type names, and the curve-node kind.
struct ChannelSet
{
    const char* mNames[2];
    int mCount;
    int mKind;
};

ChannelSet ChannelsOfType(int pType)
{
    switch (pType) {
    case KRyvMarker::eOptical:
        return {{kOcclusion, nullptr}, 1, 0};
    case KRyvMarker::eIKEffector:
        return {{kIKReachTranslation, kIKReachRotation}, 2, 1};
    default:
        return {{nullptr, nullptr}, 0, 0};
    }
}

} // namespace

K_IMPLEMENT_CLASS(KRyvMarkerProperties, KObject)

namespace {

using K = KRyvMarkerProperties;

std::unique_ptr<KProperty> MakeLook(K& ioSet, const char* pName)
{
    std::unique_ptr<KProperty> lProperty =
        KMakeMember<KPropertyEnum, kPropertyTypeEnum, &K::GetLook, &K::SetLook, K>(ioSet, pName);
    lProperty->GetDefinition().SetEnumList(LookList);
    return lProperty;
}

const KDeferredMember<K> kMembers[] = {
    {"Look", &MakeLook},
    {"Size", &KMakeMember<KPropertyDouble, kPropertyTypeDouble, &K::GetSize, &K::SetSize, K>},
    {"Color", &KMakeMember<KPropertyColor, kPropertyTypeColorRGB, &K::GetColor, &K::SetColor, K>},
    {"ShowLabel",
     &KMakeMember<KPropertyBool, kPropertyTypeBool, &K::GetShowLabel, &K::SetShowLabel, K>},
    {"IKPivot",
     &KMakeMember<KPropertyVector, kPropertyTypeVector3D, &K::GetIKPivot, &K::SetIKPivot, K>},
};
constexpr int kMemberCount = static_cast<int>(sizeof(kMembers) / sizeof(kMembers[0]));

} // namespace

KRyvMarkerProperties::KRyvMarkerProperties(KPropertyDefinitionCache* pDefinitions)
    : mDefinitions(pDefinitions)
{
    for (int i = 0; i < kMemberCount; ++i) {
        RegisterDeferredMember(i);
    }
}

KRyvMarkerProperties::~KRyvMarkerProperties()
{
    // Take the made properties out of the object while it is still whole.
    KObject::Destruct();
}

KProperty* KRyvMarkerProperties::MakeDeferredMember(int pMember)
{
    return KDeferredMember<K>::Make(*this, kMembers, kMemberCount, pMember, mDefinitions);
}

const char* KRyvMarkerProperties::GetDeferredMemberName(int pMember) const
{
    return KDeferredMember<K>::NameOf(kMembers, kMemberCount, pMember);
}

const char* KRyvMarkerProperties::GetLookName(int pLook)
{
    static const char* const kLooks[] = {"Cube", "Hard Cross", "Light Cross", "Sphere"};
    return pLook >= 0 && pLook < 4 ? kLooks[pLook] : nullptr;
}

void KRyvMarkerProperties::SetLook(int pValue)
{
    mLook = pValue;
}

int KRyvMarkerProperties::GetLook() const
{
    return mLook;
}

void KRyvMarkerProperties::SetSize(double pValue)
{
    mSize = pValue;
}

double KRyvMarkerProperties::GetSize() const
{
    return mSize;
}

void KRyvMarkerProperties::SetColor(KColor pValue)
{
    mColor = KColor(pValue.mRed, pValue.mGreen, pValue.mBlue, 1.0);
}

KColor KRyvMarkerProperties::GetColor() const
{
    return mColor;
}

void KRyvMarkerProperties::SetShowLabel(bool pValue)
{
    mShowLabel = pValue;
}

bool KRyvMarkerProperties::GetShowLabel() const
{
    return mShowLabel;
}

void KRyvMarkerProperties::SetIKPivot(KVector4 pValue)
{
    mIKPivot = KVector4(pValue[0], pValue[1], pValue[2], 1.0);
}

KVector4 KRyvMarkerProperties::GetIKPivot() const
{
    return mIKPivot;
}

KRyvMarker::KRyvMarker(KRyvObjectFactory* pFactory)
    : KRyvNodeAttribute(pFactory),
      // Every marker carries the same five properties: their definitions are held once per
      // factory, as a node's are.
      mProperties(
          new KRyvMarkerProperties(pFactory ? &pFactory->GetPropertyDefinitionCache() : nullptr))
{
    Reset();
}

KRyvMarker::~KRyvMarker()
{
    // Detach while this class is still whole, so that the node's takes lose the channels; the
    // base would only unbind.
    if (KRyvNode* lNode = GetNode()) {
        lNode->SetNodeAttribute(nullptr);
    }
    mProperties->Destroy();
}

void KRyvMarker::Reset()
{
    mType = eStandard;
    mProperties->SetLook(eCube);
    mProperties->SetSize(100.0);
    mProperties->SetColor(KColor(1.0, 0.0, 0.0, 1.0));
    mProperties->SetShowLabel(false);
    mProperties->SetIKPivot(KVector4(0.0, 0.0, 0.0, 1.0));
}

void KRyvMarker::SetType(int pType)
{
    if (pType == mType) {
        return;
    }
    KRyvNode* lNode = GetNode();
    // Detach while the old type is still stored, so that its channels are the ones removed.
    // Rebinding through the node also lets it derive its take and layer flags from the new type.
    if (lNode) {
        lNode->SetNodeAttribute(nullptr);
    }
    mType = pType;
    if (lNode) {
        lNode->SetNodeAttribute(this);
    }
}

void KRyvMarker::SetLook(int pLook)
{
    mProperties->SetLook(pLook);
}

int KRyvMarker::GetLook() const
{
    return mProperties->GetLook();
}

void KRyvMarker::SetSize(double pSize)
{
    mProperties->SetSize(pSize);
}

double KRyvMarker::GetSize() const
{
    return mProperties->GetSize();
}

void KRyvMarker::SetShowLabel(bool pShow)
{
    mProperties->SetShowLabel(pShow);
}

bool KRyvMarker::GetShowLabel() const
{
    return mProperties->GetShowLabel();
}

void KRyvMarker::SetColor(double pRed, double pGreen, double pBlue)
{
    mProperties->SetColor(KColor(pRed, pGreen, pBlue, 1.0));
}

void KRyvMarker::SetColor(const KColor& pColor)
{
    SetColor(pColor.mRed, pColor.mGreen, pColor.mBlue);
}

KColor KRyvMarker::GetColor() const
{
    const KColor lColor = mProperties->GetColor();
    return KColor(lColor.mRed, lColor.mGreen, lColor.mBlue, 1.0);
}

void KRyvMarker::SetIKPivot(const KVector4& pPivot)
{
    mProperties->SetIKPivot(pPivot);
}

KVector4 KRyvMarker::GetIKPivot() const
{
    return mProperties->GetIKPivot();
}

KFCurve* KRyvMarker::GetDefaultChannel(const char* pDataTypeName) const
{
    if (mType != eIKEffector || !GetNode()) {
        return nullptr;
    }
    KRyvTakeNode* lTake = GetNode()->GetDefaultTakeNode();
    KFCurveNode* lRoot = lTake ? lTake->GetKFCurveNode() : nullptr;
    KFCurveNode* lChannel = lRoot ? lRoot->FindChild(FindDataType(pDataTypeName)) : nullptr;
    return lChannel ? lChannel->GetCurve() : nullptr;
}

double KRyvMarker::GetIKReachTranslation() const
{
    const KFCurve* lCurve = GetDefaultChannel(kIKReachTranslation);
    return lCurve ? lCurve->GetDefaultValue() : 0.0;
}

bool KRyvMarker::SetIKReachTranslation(double pValue)
{
    KFCurve* lCurve = GetDefaultChannel(kIKReachTranslation);
    if (!lCurve) {
        return false;
    }
    KRyvSetCurveDefault(lCurve, pValue);
    return true;
}

double KRyvMarker::GetIKReachRotation() const
{
    const KFCurve* lCurve = GetDefaultChannel(kIKReachRotation);
    return lCurve ? lCurve->GetDefaultValue() : 0.0;
}

bool KRyvMarker::SetIKReachRotation(double pValue)
{
    KFCurve* lCurve = GetDefaultChannel(kIKReachRotation);
    if (!lCurve) {
        return false;
    }
    KRyvSetCurveDefault(lCurve, pValue);
    return true;
}

void KRyvMarker::OnTakeNodeAdded(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    const ChannelSet lChannels = ChannelsOfType(mType);
    for (int lIndex = 0; lIndex < lChannels.mCount; ++lIndex) {
        const char* lName = lChannels.mNames[lIndex];
        KFCurveNode* lNode = KFCurveNode::Create(lName, FindDataType(lName), lChannels.mKind, 0);
        KFCurve* lCurve = KFCurve::Create();
        if (!lNode || !lCurve) {
            KFCurveNode::Destroy(lNode);
            KFCurve::Destroy(lCurve);
            continue;
        }
        lCurve->SetDefaultValue(0.0f);
        lCurve->SetColor(0.75f, 0.0f, 0.0f);
        lNode->SetCurve(lCurve);
        if (lRoot->Add(lNode) < 0) {
            KFCurveNode::Destroy(lNode);
        }
    }
}

void KRyvMarker::OnTakeNodeRemoved(KRyvTakeNode* pTake)
{
    // Only what was made holds the channels: a take whose other channels wait keeps waiting.
    KFCurveNode* lRoot = pTake ? pTake->GetMadeKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    const ChannelSet lChannels = ChannelsOfType(mType);
    for (int lIndex = 0; lIndex < lChannels.mCount; ++lIndex) {
        const KDataType* lDataType = FindDataType(lChannels.mNames[lIndex]);
        if (KFCurveNode* lChannel = lRoot->FindChild(lDataType)) {
            lRoot->DeleteChild(lChannel);
        }
    }
}

void KRyvMarker::FillPropertyList(std::vector<KProperty*>& ioProperties)
{
    for (int lIndex = 0; lIndex < mProperties->GetPropertyCount(); ++lIndex) {
        ioProperties.push_back(mProperties->GetProperty(lIndex));
    }
}

KString KRyvMarker::GetTypeName() const
{
    switch (mType) {
    case eOptical:
        return KString("OpticalMarker");
    case eIKEffector:
        return KString("IKEffector");
    case eFKEffector:
        return KString("FKEffector");
    default:
        return KString("Marker");
    }
}

KPropertyStringList KRyvMarker::GetTypeNameList() const
{
    KPropertyStringList lList;
    lList.Add("Marker");
    return lList;
}
