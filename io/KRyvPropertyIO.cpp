#include "io/KRyvPropertyIO.h"

#include "io/KRyvPropertyDefaults.h"
#include "object/KObject.h"
#include "ryvfile/KRyvFile.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvUserProperty.h"

#include <memory>

namespace {

const char kBlock[] = "Properties";
const char kProperty[] = "P";
const char kUserProperties[] = "UserProperties";
const char kUserProperty[] = "U";
const unsigned kUserFlags[] = {KRyvUserProperty::kFlagAnimatable, KRyvUserProperty::kFlagSecond,
                               KRyvUserProperty::kFlagThird};

bool IsVectorKind(int pType)
{
    return pType == kPropertyTypeVector2D || pType == kPropertyTypeVector4D ||
           pType == kPropertyTypeVector3D || pType == kPropertyTypeColorRGB ||
           pType == kPropertyTypeColorRGBA;
}

void WriteEnum(KRyvFile& ioFile, const KProperty& pProperty)
{
    const int lIndex = pProperty.GetValueAsInt();
    const char* lText = pProperty.GetEnumItem(lIndex);
    // An index outside the list has no text: it is kept as the number.
    if (lText) {
        ioFile.FieldWriteC(lText);
    } else {
        ioFile.FieldWriteI(lIndex);
    }
}

void WriteValue(KRyvFile& ioFile, const KProperty& pProperty)
{
    const int lType = pProperty.GetPropertyType();
    KPropertyValue lValue;
    if (!pProperty.GetPropertyValue(lValue)) {
        return;
    }
    if (lType == kPropertyTypeEnum) {
        WriteEnum(ioFile, pProperty);
    } else if (const bool* lBool = lValue.Get<bool>()) {
        ioFile.FieldWriteB(*lBool);
    } else if (const int* lInt = lValue.Get<int>()) {
        ioFile.FieldWriteI(*lInt);
    } else if (const float* lFloat = lValue.Get<float>()) {
        ioFile.FieldWriteF(*lFloat);
    } else if (const double* lDouble = lValue.Get<double>()) {
        ioFile.FieldWriteD(*lDouble);
    } else if (const KString* lText = lValue.Get<KString>()) {
        ioFile.FieldWriteC(*lText);
    } else if (const KTime* lTime = lValue.Get<KTime>()) {
        ioFile.FieldWriteL(lTime->Get());
    } else if (KVector4 lVector; IsVectorKind(lType) && lValue.ConvertTo(lVector)) {
        ioFile.FieldWriteArray(std::vector<double>{lVector[0], lVector[1], lVector[2], lVector[3]});
    }
}

// The value of the current "P" record, converted to what the property holds; empty when the
// file's value kind does not fit.
KPropertyValue ReadValue(KRyvFile& ioFile, KProperty& ioProperty)
{
    switch (ioFile.FieldReadPeekKind()) {
    case KRyvFieldValue::kBool:
        return KPropertyValue(ioFile.FieldReadB());
    case KRyvFieldValue::kInt32:
        return KPropertyValue(ioFile.FieldReadI());
    case KRyvFieldValue::kFloat:
        return KPropertyValue(ioFile.FieldReadF());
    case KRyvFieldValue::kDouble:
        return KPropertyValue(ioFile.FieldReadD());
    case KRyvFieldValue::kInt64:
        return KPropertyValue(KTime(ioFile.FieldReadL()));
    case KRyvFieldValue::kText: {
        const KString lText = ioFile.FieldReadC();
        if (ioProperty.GetPropertyType() != kPropertyTypeEnum) {
            return KPropertyValue(lText);
        }
        for (int i = 0; i < ioProperty.GetEnumCount(); ++i) {
            if (lText.Compare(ioProperty.GetEnumItem(i)) == 0) {
                return KPropertyValue(i);
            }
        }
        return KPropertyValue();
    }
    case KRyvFieldValue::kDoubleArray: {
        std::vector<double> lFour;
        ioFile.FieldReadArray(lFour);
        return lFour.size() == 4 ? KPropertyValue(KVector4(lFour[0], lFour[1], lFour[2], lFour[3]))
                                 : KPropertyValue();
    }
    default:
        return KPropertyValue();
    }
}

void ReadProperty(KRyvFile& ioFile, KObject& ioSet, KString& ioMessage)
{
    const KString lName = ioFile.FieldReadC();
    ioFile.FieldReadC();
    KProperty* lProperty = ioSet.FindProperty(lName.Buffer());
    if (!lProperty) {
        ioMessage += "Unknown property skipped: " + lName + "\n";
        return;
    }
    if (ioFile.FieldReadValuesLeft() == 0) {
        return;
    }
    const KPropertyValue lValue = ReadValue(ioFile, *lProperty);
    if (lValue.IsEmpty() || !lProperty->SetPropertyValue(lValue)) {
        ioMessage += "Property value skipped: " + lName + "\n";
    }
}

} // namespace

void KRyvPropertyIO::WriteBlock(KRyvFile& ioFile, KObject* pSet,
                                const KRyvPropertyDefaults* pDefaults)
{
    if (!pSet) {
        return;
    }
    ioFile.FieldWriteBegin(kBlock);
    // Read, not listed: a wide scene's nodes mostly keep their members unmade.
    pSet->WalkToRead([&](const KProperty& pProperty) {
        if (pProperty.GetFlag(KProperty::kNotWritten) ||
            (pDefaults && pDefaults->Holds(pProperty))) {
            return;
        }
        ioFile.FieldWriteBegin(kProperty);
        ioFile.FieldWriteC(pProperty.GetName());
        const KDataType* lDataType = pProperty.GetDataType();
        ioFile.FieldWriteC(lDataType ? lDataType->GetName() : "");
        WriteValue(ioFile, pProperty);
        ioFile.FieldWriteEnd();
    });
    ioFile.FieldWriteEnd();
}

void KRyvPropertyIO::ReadBlock(KRyvFile& ioFile, KObject* pSet, KString& ioMessage)
{
    if (!pSet || !ioFile.FieldReadBegin(kBlock)) {
        return;
    }
    while (ioFile.FieldReadBeginNext()) {
        if (KString(ioFile.FieldReadName()).Compare(kProperty) == 0) {
            ReadProperty(ioFile, *pSet, ioMessage);
        }
        ioFile.FieldReadEnd();
    }
    ioFile.FieldReadEnd();
}

void KRyvPropertyIO::WriteUserProperties(KRyvFile& ioFile, const KRyvObject& pObject)
{
    ioFile.FieldWriteBegin(kUserProperties);
    pObject.VisitUserProperties([&ioFile](const KRyvUserProperty& pUser) {
        const KProperty* lBound = pUser.GetProperty();
        // Records of the set's own members come back with the object; only the ones the set
        // made on request (owned) are the user's.
        if (lBound && !lBound->GetDefinition().GetFlag(KPropertyDefinition::kOwned)) {
            return;
        }
        ioFile.FieldWriteBegin(kUserProperty);
        ioFile.FieldWriteC(pUser.GetName());
        ioFile.FieldWriteC(KRyvUserProperty::GetTypeName(pUser.GetType()));
        ioFile.FieldWriteC(pUser.GetLabel(false));
        ioFile.FieldWriteD(pUser.GetMinimum());
        ioFile.FieldWriteD(pUser.GetMaximum());
        int lFlags = 0;
        for (const unsigned lFlag : kUserFlags) {
            lFlags |= pUser.GetFlag(lFlag) ? static_cast<int>(lFlag) : 0;
        }
        ioFile.FieldWriteI(lFlags);
        ioFile.FieldWriteEnd();
    });
    ioFile.FieldWriteEnd();
}

void KRyvPropertyIO::ReadUserProperties(KRyvFile& ioFile, KRyvObject& ioObject,
                                        KRyvObjectFactory& ioFactory)
{
    if (!ioFile.FieldReadBegin(kUserProperties)) {
        return;
    }
    while (ioFile.FieldReadBegin(kUserProperty)) {
        const KString lName = ioFile.FieldReadC();
        const KString lType = ioFile.FieldReadC();
        const KString lLabel = ioFile.FieldReadC();
        const double lMinimum = ioFile.FieldReadD();
        const double lMaximum = ioFile.FieldReadD();
        const int lFlags = ioFile.FieldReadI();
        ioFile.FieldReadEnd();
        if (ioObject.FindUserProperty(lName.Buffer())) {
            continue;
        }
        KRyvUserProperty* lUser =
            ioFactory.CreateUserProperty(lName.Buffer(), lType.Buffer(), lLabel.Buffer());
        if (lUser) {
            lUser->SetMinimum(lMinimum);
            lUser->SetMaximum(lMaximum);
            for (const unsigned lFlag : kUserFlags) {
                lUser->SetFlag(lFlag, (static_cast<unsigned>(lFlags) & lFlag) != 0);
            }
            ioObject.AddUserProperty(lUser);
        }
    }
    ioFile.FieldReadEnd();
}
