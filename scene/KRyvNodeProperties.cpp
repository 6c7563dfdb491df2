#include "scene/KRyvNodeProperties.h"

#include "object/KDataType.h"
#include "object/KDeferredMember.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

K_IMPLEMENT_CLASS(KRyvNodeProperties, KObject)

namespace {

using K = KRyvNodeProperties;

// The properties a block registers: its members, then four channels, the only ones listed at
// once and the only children of the block's plug.
constexpr int kPropertyCount = 54;
constexpr int kChannelCount = 4;

// Slots of the held values, per kind.
enum BoolSlot : int {
    kQuaternionInterpolate,
    kTranslationActive,
    kTranslationMinX,
    kTranslationMinY,
    kTranslationMinZ,
    kTranslationMaxX,
    kTranslationMaxY,
    kTranslationMaxZ,
    kRotationSpaceForLimitOnly,
    kRotationActive,
    kRotationMinX,
    kRotationMinY,
    kRotationMinZ,
    kRotationMaxX,
    kRotationMaxY,
    kRotationMaxZ,
    kScalingActive,
    kScalingMinX,
    kScalingMinY,
    kScalingMinZ,
    kScalingMaxX,
    kScalingMaxY,
    kScalingMaxZ,
    kShow,
    kNegativePercentShapeSupport,
    kBoolCount
};
enum EnumSlot : int { kRotationOrder, kInheritType, kEnumCount };
enum DoubleSlot : int {
    kRotationStiffnessX,
    kRotationStiffnessY,
    kRotationStiffnessZ,
    kAxisLen,
    kDoubleCount
};
enum VectorSlot : int {
    kRotationOffset,
    kRotationPivot,
    kRotationPivotUpdateOffset,
    kScalingOffset,
    kScalingPivot,
    kScalingPivotUpdateOffset,
    kTranslationMin,
    kTranslationMax,
    kPreRotation,
    kPostRotation,
    kRotationMin,
    kRotationMax,
    kScalingMin,
    kScalingMax,
    kGeometricTranslation,
    kGeometricRotation,
    kGeometricScaling,
    kVectorCount
};

static_assert(kBoolCount <= 32, "the bools are bits of one word");
// A block starts with "Show" and "NegativePercentShapeSupport" on, everything else off or zero.
constexpr std::uint32_t kDefaultBools = 1u << kShow | 1u << kNegativePercentShapeSupport;

// The same number bit for bit: a written -0.0 is held, as files tell it from 0.
bool SameBits(double pLeft, double pRight)
{
    return std::memcmp(&pLeft, &pRight, sizeof(double)) == 0;
}

// What a vector holds until written: zero, but a geometric scaling of 1, which every node sets
// on its block at once (KRyvNode::ResetTransformProperties), so that a node's block need hold
// no values for it.
double DefaultVectorComponent(int pSlot)
{
    return pSlot == kGeometricScaling ? 1.0 : 0.0;
}

// The member properties, made on first use as the block registered them when every node held
// all 50.
template <bool (K::*kSetter)(bool), bool (K::*kGetter)() const>
constexpr auto MakeBool = &KMakeMember<KPropertyBool, kPropertyTypeBool, kGetter, kSetter, K>;

template <void (K::*kSetter)(double), double (K::*kGetter)() const>
constexpr auto MakeDouble = &KMakeMember<KPropertyDouble, kPropertyTypeDouble, kGetter, kSetter, K>;

template <void (K::*kSetter)(KVector4), KVector4 (K::*kGetter)() const>
constexpr auto MakeVector =
    &KMakeMember<KPropertyVector, kPropertyTypeVector3D, kGetter, kSetter, K>;

template <int (K::*kSetter)(int), int (K::*kGetter)() const, KEnumListFunction kList>
std::unique_ptr<KProperty> MakeEnum(K& ioBlock, const char* pName)
{
    std::unique_ptr<KProperty> lProperty =
        KMakeMember<KPropertyEnum, kPropertyTypeEnum, kGetter, kSetter, K>(ioBlock, pName);
    lProperty->GetDefinition().SetEnumList(kList);
    return lProperty;
}

// The update offsets are the block's own bookkeeping: files never list them.
template <void (K::*kSetter)(KVector4), KVector4 (K::*kGetter)() const>
std::unique_ptr<KProperty> MakeUnwrittenVector(K& ioBlock, const char* pName)
{
    std::unique_ptr<KProperty> lProperty = MakeVector<kSetter, kGetter>(ioBlock, pName);
    lProperty->SetFlag(KProperty::kNotWritten, true);
    return lProperty;
}

std::unique_ptr<KProperty> MakeObjectList(K& ioBlock, const char* pName)
{
    auto lProperty = KNewMember<KPropertyObjectList>(kPropertyTypeObject);
    lProperty->MarkAsObjectList();
    lProperty->Attach(pName, &ioBlock);
    // Filter word 1 with the class id: only other node blocks may be listed.
    lProperty->SetObjectClassFilter(1, K::ClassId());
    lProperty->SetPlugFlags(2 | 4, false);
    lProperty->SetPlugFlags(1, true);
    // Bit 1 of the second flags word. It is not the definition's ownership flag.
    lProperty->SetFlag(1, true);
    return lProperty;
}

// The members in registration order, the property order of the file contract (Show and
// NegativePercentShapeSupport come after the object lists).
const KDeferredMember<K> kMembers[] = {
    {"QuaternionInterpolate", MakeBool<&K::SetQuaternionInterpolate, &K::GetQuaternionInterpolate>},
    {"RotationOffset", MakeVector<&K::SetRotationOffset, &K::GetRotationOffset>},
    {"RotationPivot", MakeVector<&K::SetRotationPivot, &K::GetRotationPivot>},
    {"RotationPivotUpdateOffset",
     &MakeUnwrittenVector<&K::SetRotationPivotUpdateOffset, &K::GetRotationPivotUpdateOffset>},
    {"ScalingOffset", MakeVector<&K::SetScalingOffset, &K::GetScalingOffset>},
    {"ScalingPivot", MakeVector<&K::SetScalingPivot, &K::GetScalingPivot>},
    {"ScalingPivotUpdateOffset",
     &MakeUnwrittenVector<&K::SetScalingPivotUpdateOffset, &K::GetScalingPivotUpdateOffset>},
    {"TranslationActive", MakeBool<&K::SetTranslationActive, &K::GetTranslationActive>},
    {"TranslationMin", MakeVector<&K::SetTranslationMin, &K::GetTranslationMin>},
    {"TranslationMax", MakeVector<&K::SetTranslationMax, &K::GetTranslationMax>},
    {"TranslationMinX", MakeBool<&K::SetTranslationMinX, &K::GetTranslationMinX>},
    {"TranslationMinY", MakeBool<&K::SetTranslationMinY, &K::GetTranslationMinY>},
    {"TranslationMinZ", MakeBool<&K::SetTranslationMinZ, &K::GetTranslationMinZ>},
    {"TranslationMaxX", MakeBool<&K::SetTranslationMaxX, &K::GetTranslationMaxX>},
    {"TranslationMaxY", MakeBool<&K::SetTranslationMaxY, &K::GetTranslationMaxY>},
    {"TranslationMaxZ", MakeBool<&K::SetTranslationMaxZ, &K::GetTranslationMaxZ>},
    {"RotationOrder",
     &MakeEnum<&K::SetRotationOrder, &K::GetRotationOrder, &KRyvPivotSet::RotationOrderName>},
    {"RotationSpaceForLimitOnly",
     MakeBool<&K::SetRotationSpaceForLimitOnly, &K::GetRotationSpaceForLimitOnly>},
    {"RotationStiffnessX", MakeDouble<&K::SetRotationStiffnessX, &K::GetRotationStiffnessX>},
    {"RotationStiffnessY", MakeDouble<&K::SetRotationStiffnessY, &K::GetRotationStiffnessY>},
    {"RotationStiffnessZ", MakeDouble<&K::SetRotationStiffnessZ, &K::GetRotationStiffnessZ>},
    {"AxisLen", MakeDouble<&K::SetAxisLen, &K::GetAxisLen>},
    {"PreRotation", MakeVector<&K::SetPreRotation, &K::GetPreRotation>},
    {"PostRotation", MakeVector<&K::SetPostRotation, &K::GetPostRotation>},
    {"RotationActive", MakeBool<&K::SetRotationActive, &K::GetRotationActive>},
    {"RotationMin", MakeVector<&K::SetRotationMin, &K::GetRotationMin>},
    {"RotationMax", MakeVector<&K::SetRotationMax, &K::GetRotationMax>},
    {"RotationMinX", MakeBool<&K::SetRotationMinX, &K::GetRotationMinX>},
    {"RotationMinY", MakeBool<&K::SetRotationMinY, &K::GetRotationMinY>},
    {"RotationMinZ", MakeBool<&K::SetRotationMinZ, &K::GetRotationMinZ>},
    {"RotationMaxX", MakeBool<&K::SetRotationMaxX, &K::GetRotationMaxX>},
    {"RotationMaxY", MakeBool<&K::SetRotationMaxY, &K::GetRotationMaxY>},
    {"RotationMaxZ", MakeBool<&K::SetRotationMaxZ, &K::GetRotationMaxZ>},
    {"InheritType",
     &MakeEnum<&K::SetInheritType, &K::GetInheritType, &KRyvPivotSet::InheritTypeName>},
    {"ScalingActive", MakeBool<&K::SetScalingActive, &K::GetScalingActive>},
    {"ScalingMin", MakeVector<&K::SetScalingMin, &K::GetScalingMin>},
    {"ScalingMax", MakeVector<&K::SetScalingMax, &K::GetScalingMax>},
    {"ScalingMinX", MakeBool<&K::SetScalingMinX, &K::GetScalingMinX>},
    {"ScalingMinY", MakeBool<&K::SetScalingMinY, &K::GetScalingMinY>},
    {"ScalingMinZ", MakeBool<&K::SetScalingMinZ, &K::GetScalingMinZ>},
    {"ScalingMaxX", MakeBool<&K::SetScalingMaxX, &K::GetScalingMaxX>},
    {"ScalingMaxY", MakeBool<&K::SetScalingMaxY, &K::GetScalingMaxY>},
    {"ScalingMaxZ", MakeBool<&K::SetScalingMaxZ, &K::GetScalingMaxZ>},
    {"GeometricTranslation", MakeVector<&K::SetGeometricTranslation, &K::GetGeometricTranslation>},
    {"GeometricRotation", MakeVector<&K::SetGeometricRotation, &K::GetGeometricRotation>},
    {"GeometricScaling", MakeVector<&K::SetGeometricScaling, &K::GetGeometricScaling>},
    {"LookAtProperty", &MakeObjectList},
    {"UpVectorProperty", &MakeObjectList},
    {"Show", MakeBool<&K::SetShow, &K::GetShow>},
    {"NegativePercentShapeSupport",
     MakeBool<&K::SetNegativePercentShapeSupport, &K::GetNegativePercentShapeSupport>},
};
constexpr int kMemberCount = static_cast<int>(sizeof(kMembers) / sizeof(kMembers[0]));
static_assert(kMemberCount + kChannelCount == kPropertyCount, "a member is missing");

} // namespace

struct KRyvNodeProperties::Values
{
    std::uint32_t mBools = kDefaultBools;
    int mEnums[kEnumCount] = {};
    double mDoubles[kDoubleCount] = {};
    Values()
    {
        for (int i = 0; i < kVectorCount; ++i) {
            std::fill(mVectors[i], mVectors[i] + 3, DefaultVectorComponent(i));
        }
    }

    // x, y and z: w always reads as 1.
    double mVectors[kVectorCount][3];
};

KRyvNodeProperties::KRyvNodeProperties(KRyvNode* pNode) : KRyvOwnedPropertySet(pNode)
{
    for (int i = 0; i < kMemberCount; ++i) {
        RegisterDeferredMember(i);
    }
    ReservePropertyCount(kChannelCount);
    // A block without node is never reset: it starts with every vector at zero.
    if (!pNode) {
        SetGeometricScaling(KVector4());
    }
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
    // Take the properties out of the object and its connections now, while the block is still
    // whole. After Destroy this finds nothing left to do.
    KObject::Destruct();
}

KProperty* KRyvNodeProperties::MakeDeferredMember(int pMember)
{
    KRyvNode* lNode = GetNode();
    KRyvObjectFactory* lFactory = lNode ? lNode->GetObjectFactory() : nullptr;
    return KDeferredMember<K>::Make(*this, kMembers, kMemberCount, pMember,
                                    lFactory ? &lFactory->GetPropertyDefinitionCache() : nullptr);
}

const char* KRyvNodeProperties::GetDeferredMemberName(int pMember) const
{
    return KDeferredMember<K>::NameOf(kMembers, kMemberCount, pMember);
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

KRyvNodeProperties::Values& KRyvNodeProperties::WritableValues()
{
    if (!mValues) {
        mValues = std::make_unique<Values>();
    }
    return *mValues;
}

bool KRyvNodeProperties::ReadBool(int pSlot) const
{
    const std::uint32_t lBools = mValues ? mValues->mBools : kDefaultBools;
    return (lBools >> pSlot & 1u) != 0;
}

bool KRyvNodeProperties::StoreBool(int pSlot, bool pValue)
{
    if (ReadBool(pSlot) != pValue) {
        WritableValues().mBools ^= 1u << pSlot;
    }
    return pValue;
}

int KRyvNodeProperties::ReadEnum(int pSlot) const
{
    return mValues ? mValues->mEnums[pSlot] : 0;
}

int KRyvNodeProperties::StoreEnum(int pSlot, int pValue)
{
    if (mValues || pValue != 0) {
        WritableValues().mEnums[pSlot] = pValue;
    }
    return pValue;
}

double KRyvNodeProperties::ReadDouble(int pSlot) const
{
    return mValues ? mValues->mDoubles[pSlot] : 0.0;
}

void KRyvNodeProperties::StoreDouble(int pSlot, double pValue)
{
    if (mValues || !SameBits(pValue, 0.0)) {
        WritableValues().mDoubles[pSlot] = pValue;
    }
}

KVector4 KRyvNodeProperties::ReadVector(int pSlot) const
{
    if (!mValues) {
        const double lDefault = DefaultVectorComponent(pSlot);
        return KVector4(lDefault, lDefault, lDefault, 1.0);
    }
    const double* lXYZ = mValues->mVectors[pSlot];
    return KVector4(lXYZ[0], lXYZ[1], lXYZ[2], 1.0);
}

void KRyvNodeProperties::StoreVector(int pSlot, const KVector4& pValue)
{
    const double lDefault = DefaultVectorComponent(pSlot);
    if (!mValues && SameBits(pValue[0], lDefault) && SameBits(pValue[1], lDefault) &&
        SameBits(pValue[2], lDefault)) {
        return;
    }
    double* lXYZ = WritableValues().mVectors[pSlot];
    for (int i = 0; i < 3; ++i) {
        lXYZ[i] = pValue[i];
    }
}

// The typed accessors of the members, one pair per member over its slot.
#define RYV_NODE_BOOL(Name)                                                                        \
    bool KRyvNodeProperties::Set##Name(bool pValue)                                                \
    {                                                                                              \
        return StoreBool(k##Name, pValue);                                                         \
    }                                                                                              \
    bool KRyvNodeProperties::Get##Name() const                                                     \
    {                                                                                              \
        return ReadBool(k##Name);                                                                  \
    }
#define RYV_NODE_ENUM(Name)                                                                        \
    int KRyvNodeProperties::Set##Name(int pValue)                                                  \
    {                                                                                              \
        return StoreEnum(k##Name, pValue);                                                         \
    }                                                                                              \
    int KRyvNodeProperties::Get##Name() const                                                      \
    {                                                                                              \
        return ReadEnum(k##Name);                                                                  \
    }
#define RYV_NODE_DOUBLE(Name)                                                                      \
    void KRyvNodeProperties::Set##Name(double pValue)                                              \
    {                                                                                              \
        StoreDouble(k##Name, pValue);                                                              \
    }                                                                                              \
    double KRyvNodeProperties::Get##Name() const                                                   \
    {                                                                                              \
        return ReadDouble(k##Name);                                                                \
    }
#define RYV_NODE_VECTOR(Name)                                                                      \
    void KRyvNodeProperties::Set##Name(KVector4 pValue)                                            \
    {                                                                                              \
        StoreVector(k##Name, pValue);                                                              \
    }                                                                                              \
    KVector4 KRyvNodeProperties::Get##Name() const                                                 \
    {                                                                                              \
        return ReadVector(k##Name);                                                                \
    }

RYV_NODE_BOOL(QuaternionInterpolate)
RYV_NODE_BOOL(TranslationActive)
RYV_NODE_BOOL(TranslationMinX)
RYV_NODE_BOOL(TranslationMinY)
RYV_NODE_BOOL(TranslationMinZ)
RYV_NODE_BOOL(TranslationMaxX)
RYV_NODE_BOOL(TranslationMaxY)
RYV_NODE_BOOL(TranslationMaxZ)
RYV_NODE_BOOL(RotationSpaceForLimitOnly)
RYV_NODE_BOOL(RotationActive)
RYV_NODE_BOOL(RotationMinX)
RYV_NODE_BOOL(RotationMinY)
RYV_NODE_BOOL(RotationMinZ)
RYV_NODE_BOOL(RotationMaxX)
RYV_NODE_BOOL(RotationMaxY)
RYV_NODE_BOOL(RotationMaxZ)
RYV_NODE_BOOL(ScalingActive)
RYV_NODE_BOOL(ScalingMinX)
RYV_NODE_BOOL(ScalingMinY)
RYV_NODE_BOOL(ScalingMinZ)
RYV_NODE_BOOL(ScalingMaxX)
RYV_NODE_BOOL(ScalingMaxY)
RYV_NODE_BOOL(ScalingMaxZ)
RYV_NODE_BOOL(Show)
RYV_NODE_BOOL(NegativePercentShapeSupport)
RYV_NODE_ENUM(RotationOrder)
RYV_NODE_ENUM(InheritType)
RYV_NODE_DOUBLE(RotationStiffnessX)
RYV_NODE_DOUBLE(RotationStiffnessY)
RYV_NODE_DOUBLE(RotationStiffnessZ)
RYV_NODE_DOUBLE(AxisLen)
RYV_NODE_VECTOR(RotationOffset)
RYV_NODE_VECTOR(RotationPivot)
RYV_NODE_VECTOR(RotationPivotUpdateOffset)
RYV_NODE_VECTOR(ScalingOffset)
RYV_NODE_VECTOR(ScalingPivot)
RYV_NODE_VECTOR(ScalingPivotUpdateOffset)
RYV_NODE_VECTOR(TranslationMin)
RYV_NODE_VECTOR(TranslationMax)
RYV_NODE_VECTOR(PreRotation)
RYV_NODE_VECTOR(PostRotation)
RYV_NODE_VECTOR(RotationMin)
RYV_NODE_VECTOR(RotationMax)
RYV_NODE_VECTOR(ScalingMin)
RYV_NODE_VECTOR(ScalingMax)
RYV_NODE_VECTOR(GeometricTranslation)
RYV_NODE_VECTOR(GeometricRotation)
RYV_NODE_VECTOR(GeometricScaling)

#undef RYV_NODE_BOOL
#undef RYV_NODE_ENUM
#undef RYV_NODE_DOUBLE
#undef RYV_NODE_VECTOR
