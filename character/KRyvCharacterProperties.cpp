#include "character/KRyvCharacterProperties.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvControlSetPlug.h"
#include "character/KRyvSolverParameterTable.h"

#include <climits>

K_IMPLEMENT_CLASS(KRyvCharacterProperties, KObject)

namespace {

enum class EKind { Bool, Double, ReadOnly, Enum, Vector };
enum class EPart { None, Mode, Value };
enum class EClamp { None, Iterations, Size };

namespace RowLabels {
using T = KRyvSolverParameterTable;
const KRyvSolverLabelFunction None = nullptr;
const KRyvSolverLabelFunction Posture = &T::GetPostureName;
const KRyvSolverLabelFunction Compensation = &T::GetCompensationModeName;
const KRyvSolverLabelFunction AutoUser = &T::GetAutoUserModeName;
const KRyvSolverLabelFunction RollExtraction = &T::GetRollExtractionModeName;
const KRyvSolverLabelFunction FootFloorPivot = &T::GetFootFloorPivotName;
const KRyvSolverLabelFunction HandFloorPivot = &T::GetHandFloorPivotName;
const KRyvSolverLabelFunction HipsTranslation = &T::GetHipsTranslationModeName;
const KRyvSolverLabelFunction FootContactType = &T::GetFootContactTypeName;
const KRyvSolverLabelFunction HandContactType = &T::GetHandContactTypeName;
const KRyvSolverLabelFunction FingerContactMode = &T::GetFingerContactModeName;
const KRyvSolverLabelFunction ContactBehaviour = &T::GetContactBehaviourName;
} // namespace RowLabels

struct Row
{
    const char* mName;
    EKind mKind;
    int mParameter;
    EPart mPart;
    bool mAnimatable;
    EClamp mClamp;
    KRyvSolverLabelFunction mLabels;
    double mDefault;
};

#define KRYV_ROW(Kind, Name, Parameter, Part, Animatable, Clamp, Labels, Default)                  \
    {#Name,      EKind::Kind,   Parameter,         EPart::Part,                                    \
     Animatable, EClamp::Clamp, RowLabels::Labels, Default},
#define KRYV_ROW_BOOL(...) KRYV_ROW(Bool, __VA_ARGS__)
#define KRYV_ROW_DOUBLE(...) KRYV_ROW(Double, __VA_ARGS__)
#define KRYV_ROW_READONLY(...) KRYV_ROW(ReadOnly, __VA_ARGS__)
#define KRYV_ROW_ENUM(...) KRYV_ROW(Enum, __VA_ARGS__)
#define KRYV_ROW_VECTOR(...) KRYV_ROW(Vector, __VA_ARGS__)

const Row kRows[KRyvCharacterProperties::kTypedPropertyCount] = {KRYV_CHARACTER_PROPERTIES(
    KRYV_ROW_BOOL, KRYV_ROW_DOUBLE, KRYV_ROW_READONLY, KRYV_ROW_ENUM, KRYV_ROW_VECTOR)};

#undef KRYV_ROW
#undef KRYV_ROW_BOOL
#undef KRYV_ROW_DOUBLE
#undef KRYV_ROW_READONLY
#undef KRYV_ROW_ENUM
#undef KRYV_ROW_VECTOR

using EProperty = KRyvCharacterProperties::EProperty;

const Row& RowOf(EProperty pProperty)
{
    return kRows[static_cast<int>(pProperty)];
}

bool IsRow(EProperty pProperty)
{
    const int lIndex = static_cast<int>(pProperty);
    return lIndex >= 0 && lIndex < KRyvCharacterProperties::kTypedPropertyCount;
}

// NaN goes to the lower bound as well: it lies in no range.
double Clamp(EClamp pClamp, double pValue)
{
    double lLow = 0.0;
    double lHigh = 0.0;
    switch (pClamp) {
    case EClamp::Iterations:
        lLow = 0.0;
        lHigh = 30.0;
        break;
    case EClamp::Size:
        lLow = 0.01;
        lHigh = 1000.0;
        break;
    case EClamp::None:
        return pValue;
    }
    if (!(pValue >= lLow)) {
        return lLow;
    }
    return pValue > lHigh ? lHigh : pValue;
}

// An enumeration item read from a double: truncated; 0 when no int holds it.
int TruncateToInt(double pValue)
{
    if (!(pValue > static_cast<double>(INT_MIN) - 1.0 &&
          pValue < static_cast<double>(INT_MAX) + 1.0)) {
        return 0;
    }
    return static_cast<int>(pValue);
}

template <typename T> KTypedProperty<T>* Typed(const std::unique_ptr<KProperty>& pProperty)
{
    return static_cast<KTypedProperty<T>*>(pProperty.get());
}

// The node owning a connected node block; null for any other plug.
KRyvNode* NodeOf(KPlug* pPlug)
{
    if (!pPlug || !pPlug->IsA(KObject::ClassId())) {
        return nullptr;
    }
    return dynamic_cast<KRyvNode*>(static_cast<KObject*>(pPlug)->GetOwnerObject());
}

// The control-set plug owning a connected property set; null for any other plug.
KRyvControlSetPlug* ControlSetPlugOf(KPlug* pPlug)
{
    if (!pPlug || !pPlug->IsA(KObject::ClassId())) {
        return nullptr;
    }
    return dynamic_cast<KRyvControlSetPlug*>(static_cast<KObject*>(pPlug)->GetOwnerObject());
}

} // namespace

KRyvCharacterProperties::KRyvCharacterProperties(KRyvCharacter* pCharacter)
    : KRyvOwnedPropertySet(pCharacter),
      mValues(pCharacter ? &pCharacter->GetParameterValues() : nullptr)
{
    for (int i = 0; i < kTypedPropertyCount; ++i) {
        const Row& lRow = kRows[i];
        const EProperty lId = static_cast<EProperty>(i);
        switch (lRow.mKind) {
        case EKind::Bool: {
            auto* lProperty = new KPropertyBool(lRow.mDefault != 0.0);
            mTyped[i].reset(lProperty);
            RegisterProperty(lProperty);
            lProperty->SetPropertyType(kPropertyTypeBool);
            lProperty->Attach(
                lRow.mName, this, [this, lId]() { return GetBoolAt(lId); },
                [this, lId](const bool& pValue) { SetBoolAt(lId, pValue); });
            break;
        }
        case EKind::Double:
        case EKind::ReadOnly: {
            auto* lProperty = new KPropertyDouble(lRow.mDefault);
            mTyped[i].reset(lProperty);
            RegisterProperty(lProperty);
            lProperty->SetPropertyType(kPropertyTypeDouble);
            // Read-only ones have no public setter, but SetValue and curve links still write
            // through here, so the value block follows them too.
            lProperty->Attach(
                lRow.mName, this, [this, lId]() { return GetDoubleAt(lId); },
                [this, lId](const double& pValue) { SetDoubleAt(lId, pValue); });
            break;
        }
        case EKind::Enum: {
            auto* lProperty = new KPropertyEnum(0);
            mTyped[i].reset(lProperty);
            RegisterProperty(lProperty);
            lProperty->SetPropertyType(kPropertyTypeNone);
            lProperty->Attach(
                lRow.mName, this, [this, lId]() { return GetEnumAt(lId); },
                [this, lId](const int& pValue) { SetEnumAt(lId, pValue); });
            lProperty->SetPropertyType(kPropertyTypeEnum);
            lProperty->GetDefinition().SetEnumList(lRow.mLabels);
            break;
        }
        case EKind::Vector: {
            auto* lProperty = new KPropertyVector(KVector4(0.0, 0.0, 0.0, 1.0));
            mTyped[i].reset(lProperty);
            RegisterProperty(lProperty);
            lProperty->SetPropertyType(kPropertyTypeVector3D);
            lProperty->Attach(
                lRow.mName, this, [this, lId]() { return GetVectorAt(lId); },
                [this, lId](const KVector4& pValue) { SetVectorAt(lId, pValue); });
            break;
        }
        }
        if (lRow.mKind == EKind::ReadOnly || lRow.mKind == EKind::Vector) {
            mTyped[i]->SetFlag32(true);
        }
    }
    mTyped[static_cast<int>(EProperty::SyncMode)]->SetFlag(1, true);
    for (int i = 0; i < kTypedPropertyCount; ++i) {
        if (kRows[i].mAnimatable) {
            mTyped[i]->GetDefinition().SetFlag(KPropertyDefinition::kAnimatable, true);
        }
    }
    LoadSolverParameters();

    KString lName;
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        if (KRyvCharacter::GetCharacterNodeName(lId, lName)) {
            lName += "Link";
            mLinkProperties[lId] =
                CreateObjectListProperty(this, lName.Buffer(), false, -1, 1, 3, 0);
        }
    }

    SetupObjectList(mSourceObject, "SourceObject", true, 1);
    SetupObjectList(mDestinationObject, "DestinationObject", true, 2);
    SetupObjectList(mActor, "Actor", false, 1);
    SetupObjectList(mCharacterList, "Character", false, 1);
    SetupObjectList(mControlSet, "ControlSet", false, 1);
}

KRyvCharacterProperties::~KRyvCharacterProperties()
{
    // The typed properties and the object-list members die after this body: take them out of
    // the object first.
    Destruct();
}

void KRyvCharacterProperties::Destruct()
{
    KObject::Destruct();
    for (KPropertyObjectList*& lList : mLinkProperties) {
        lList = nullptr;
    }
}

void KRyvCharacterProperties::SetupObjectList(KPropertyObjectList& ioList, const char* pName,
                                              bool pKeepConnections, unsigned pListBit)
{
    RegisterProperty(&ioList);
    ioList.MarkAsObjectList();
    ioList.Attach(pName, this);
    ioList.SetPlugFlags(KPlug::kKeepConnections, pKeepConnections);
    // Class id -1: no plug filter, any object may connect.
    ioList.SetObjectClassFilter(1, -1);
    ioList.SetPropertyType(kPropertyTypeObject);
    ioList.SetPlugFlags(KPlug::kListBitsMask, false);
    ioList.SetPlugFlags(pListBit, true);
}

KProperty* KRyvCharacterProperties::GetTypedProperty(EProperty pProperty) const
{
    return IsRow(pProperty) ? mTyped[static_cast<int>(pProperty)].get() : nullptr;
}

int KRyvCharacterProperties::GetParameterIndex(EProperty pProperty)
{
    return IsRow(pProperty) && RowOf(pProperty).mPart != EPart::None ? RowOf(pProperty).mParameter
                                                                     : -1;
}

void KRyvCharacterProperties::LoadSolverParameters()
{
    for (int i = 0; i < kTypedPropertyCount; ++i) {
        const EProperty lId = static_cast<EProperty>(i);
        if (kRows[i].mPart == EPart::None) {
            continue;
        }
        switch (kRows[i].mKind) {
        case EKind::Bool:
            Typed<bool>(mTyped[i])->SetCachedValue(GetBoolAt(lId));
            break;
        case EKind::Double:
        case EKind::ReadOnly:
            Typed<double>(mTyped[i])->SetCachedValue(GetDoubleAt(lId));
            break;
        case EKind::Enum:
            Typed<int>(mTyped[i])->SetCachedValue(GetEnumAt(lId));
            break;
        case EKind::Vector:
            Typed<KVector4>(mTyped[i])->SetCachedValue(GetVectorAt(lId));
            break;
        }
    }
}

void KRyvCharacterProperties::SetBoolAt(EProperty pProperty, bool pValue)
{
    const Row& lRow = RowOf(pProperty);
    KPropertyBool* lProperty = Typed<bool>(mTyped[static_cast<int>(pProperty)]);
    if (mValues && lRow.mPart == EPart::Mode) {
        mValues->SetMode(lRow.mParameter, pValue ? 1 : 0);
        lProperty->SetCachedValue(GetBoolAt(pProperty));
        return;
    }
    lProperty->SetCachedValue(pValue);
}

bool KRyvCharacterProperties::GetBoolAt(EProperty pProperty) const
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Mode) {
        return mValues->GetMode(lRow.mParameter) != 0;
    }
    return Typed<bool>(mTyped[static_cast<int>(pProperty)])->GetCachedValue();
}

void KRyvCharacterProperties::SetDoubleAt(EProperty pProperty, double pValue)
{
    const Row& lRow = RowOf(pProperty);
    const double lValue = Clamp(lRow.mClamp, pValue);
    if (mValues && lRow.mPart == EPart::Value) {
        mValues->SetValue(lRow.mParameter, lValue);
    }
    Typed<double>(mTyped[static_cast<int>(pProperty)])->SetCachedValue(lValue);
}

double KRyvCharacterProperties::GetDoubleAt(EProperty pProperty) const
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Value) {
        return mValues->GetValue(lRow.mParameter);
    }
    return Typed<double>(mTyped[static_cast<int>(pProperty)])->GetCachedValue();
}

void KRyvCharacterProperties::SetEnumAt(EProperty pProperty, int pValue)
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Mode) {
        // The block refuses a mode outside its parameter's kind; the property keeps what the
        // block holds.
        mValues->SetMode(lRow.mParameter, pValue);
    } else if (mValues && lRow.mPart == EPart::Value) {
        mValues->SetValue(lRow.mParameter, static_cast<double>(pValue));
    }
    Typed<int>(mTyped[static_cast<int>(pProperty)])
        ->SetCachedValue(mValues && lRow.mPart != EPart::None ? GetEnumAt(pProperty) : pValue);
}

int KRyvCharacterProperties::GetEnumAt(EProperty pProperty) const
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Mode) {
        return mValues->GetMode(lRow.mParameter);
    }
    if (mValues && lRow.mPart == EPart::Value) {
        return TruncateToInt(mValues->GetValue(lRow.mParameter));
    }
    return Typed<int>(mTyped[static_cast<int>(pProperty)])->GetCachedValue();
}

void KRyvCharacterProperties::SetVectorAt(EProperty pProperty, const KVector4& pValue)
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Value) {
        for (int i = 0; i < 3; ++i) {
            mValues->SetValue(lRow.mParameter + i, pValue[i]);
        }
    }
    Typed<KVector4>(mTyped[static_cast<int>(pProperty)])
        ->SetCachedValue(KVector4(pValue[0], pValue[1], pValue[2], 1.0));
}

KVector4 KRyvCharacterProperties::GetVectorAt(EProperty pProperty) const
{
    const Row& lRow = RowOf(pProperty);
    if (mValues && lRow.mPart == EPart::Value) {
        return KVector4(mValues->GetValue(lRow.mParameter), mValues->GetValue(lRow.mParameter + 1),
                        mValues->GetValue(lRow.mParameter + 2), 1.0);
    }
    const KVector4& lValue = Typed<KVector4>(mTyped[static_cast<int>(pProperty)])->GetCachedValue();
    return KVector4(lValue[0], lValue[1], lValue[2], 1.0);
}

KPropertyObjectList* KRyvCharacterProperties::GetLinkProperty(int pId) const
{
    return pId >= 0 && pId < KRyvCharacter::kLinkCount ? mLinkProperties[pId] : nullptr;
}

int KRyvCharacterProperties::GetLinkId(const KPlug* pPlug) const
{
    if (!pPlug) {
        return -1;
    }
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        if (mLinkProperties[lId] == pPlug) {
            return lId;
        }
    }
    return -1;
}

bool KRyvCharacterProperties::OnLinkEvent(int pId, KConnectEvent pEvent, KPlug* pOther)
{
    KRyvNode* lNode = NodeOf(pOther);
    if (!GetCharacter() || !lNode) {
        return false;
    }
    KRyvCharacterLink lRecord = GetCharacter()->mLinks[pId];
    if (pEvent == KConnectEvent::kSourceConnected) {
        lRecord.mNode = lNode;
    } else {
        // Only the node the link holds unbinds it: replacing the list's object connects the new
        // node before the old one goes, and a second node leaving must not clear the first.
        if (lRecord.mNode != lNode) {
            return true;
        }
        lRecord.mNode = nullptr;
    }
    GetCharacter()->SetCharacterLink(pId, lRecord, false);
    return true;
}

bool KRyvCharacterProperties::ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                            const KConnectEventArgs* pArgs)
{
    const bool lMadeOrRemoved =
        pEvent == KConnectEvent::kSourceConnected || pEvent == KConnectEvent::kSourceDisconnected;
    if (lMadeOrRemoved) {
        const int lId = GetLinkId(pPlug);
        if (lId >= 0 && OnLinkEvent(lId, pEvent, pOther)) {
            return false;
        }
    }
    if (pEvent == KConnectEvent::kSourceConnected && pPlug == &mControlSet && GetCharacter()) {
        if (KRyvControlSetPlug* lPlug = ControlSetPlugOf(pOther)) {
            GetCharacter()->GetControlSet().FromControlSetPlug(lPlug);
            return false;
        }
    }
    return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
}
