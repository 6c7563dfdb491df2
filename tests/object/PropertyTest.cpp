#include "tests/support/ObjectTestSupport.h"

#include "object/KPropertyStringList.h"
#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Accessors of an owner that keeps the values itself, as the property sets of the scene do.
struct ValueOwner
{
    bool mBool = false;
    int mInt = 0;
    float mFloat = 0.0f;
    double mDouble = 0.0;
    KString mText{""};
    KTime mTime;
    KVector4 mVector;
    KColor mColor{0, 0, 0, 1};
};

class AccessorObject : public KObject
{
public:
    double GetDouble() const { return mDouble; }
    void SetDouble(double pValue)
    {
        ++mSetterCalls;
        mDouble = pValue;
    }

    double mDouble = 0.0;
    int mSetterCalls = 0;
};

template <typename T> void ExpectRoundTrip(KProperty& pProperty, const T& pValue)
{
    ASSERT_TRUE(pProperty.SetValue(pValue));
    T lRead{};
    ASSERT_TRUE(pProperty.GetValue(lRead));
    EXPECT_EQ(lRead, pValue);
}

void ExpectVector(KProperty& pProperty, const KVector4& pValue)
{
    ASSERT_TRUE(pProperty.SetValue(pValue));
    KVector4 lRead;
    ASSERT_TRUE(pProperty.GetValue(lRead));
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(lRead[i], pValue[i]) << i;
    }
}

const char* RotationOrderName(int pIndex)
{
    static const char* const kNames[] = {"Euler XYZ", "Euler XZY", "Euler YZX"};
    return pIndex >= 0 && pIndex < 3 ? kNames[pIndex] : nullptr;
}

} // namespace

TEST(PropertyValues, RoundTripWithoutAccessors)
{
    KObject lObject;
    ExpectRoundTrip(*lObject.CreateProperty("i", kPropertyTypeInt, nullptr), -123456);
    ExpectRoundTrip(*lObject.CreateProperty("b", kPropertyTypeBool, nullptr), true);
    ExpectRoundTrip(*lObject.CreateProperty("f", kPropertyTypeFloat, nullptr), 2.5f);
    ExpectRoundTrip(*lObject.CreateProperty("d", kPropertyTypeDouble, nullptr), 0.1);
    ExpectRoundTrip(*lObject.CreateProperty("s", kPropertyTypeString, nullptr), KString("abc"));
    ExpectRoundTrip(*lObject.CreateProperty("e", kPropertyTypeEnum, nullptr), 2);
    ExpectRoundTrip(*lObject.CreateProperty("t", kPropertyTypeTime, nullptr), KTime(46186158000LL));
    ExpectRoundTrip(*lObject.CreateProperty("el", kPropertyTypeVectorElement, nullptr), -7.25);
    ExpectVector(*lObject.CreateProperty("v2", kPropertyTypeVector2D, nullptr),
                 KVector4(1, 2, 0, 0));
    ExpectVector(*lObject.CreateProperty("v4", kPropertyTypeVector4D, nullptr),
                 KVector4(1, 2, 3, 4));
    ExpectVector(*lObject.CreateProperty("v3", kPropertyTypeVector3D, nullptr),
                 KVector4(1, 2, 3, 5));
    ExpectVector(*lObject.CreateProperty("c3", kPropertyTypeColorRGB, nullptr),
                 KVector4(0.1, 0.2, 0.3, 1.0));
    ExpectVector(*lObject.CreateProperty("c4", kPropertyTypeColorRGBA, nullptr),
                 KVector4(0.1, 0.2, 0.3, 0.4));

    KProperty* lText = lObject.FindProperty("s");
    ASSERT_TRUE(lText->SetValue("literal"));
    KString lRead;
    ASSERT_TRUE(lText->GetValue(lRead));
    EXPECT_EQ(lRead, "literal");
}

TEST(PropertyValues, ValuelessKindsRefuse)
{
    KObject lObject;
    for (int lType : {kPropertyTypeNone, kPropertyTypeReference, kPropertyTypeObject,
                      kPropertyTypeMatrix, kPropertyTypeTrigger, kPropertyTypeBlob}) {
        KProperty* lProperty = lObject.CreateProperty("x", lType, nullptr);
        EXPECT_FALSE(lProperty->SetValueAsDouble(1.0)) << lType;
        EXPECT_FALSE(lProperty->SetValue(true)) << lType;
        EXPECT_EQ(lProperty->GetValueAsInt(), 0) << lType;
        EXPECT_EQ(lProperty->GetValueAsDouble(), 0.0) << lType;
        KPropertyValue lValue;
        EXPECT_FALSE(lProperty->GetPropertyValue(lValue)) << lType;
    }
}

TEST(PropertyValues, RoundTripThroughAccessors)
{
    ValueOwner lOwner;
    KObject lObject;

    // Accessors that are members of the owning object, as in the scene's property sets.
    AccessorObject lAccessors;
    KPropertyDouble lDouble;
    lDouble.AttachMembers("Double", &lAccessors, &AccessorObject::GetDouble,
                          &AccessorObject::SetDouble);
    EXPECT_EQ(lDouble.GetOwner(), &lAccessors);
    ASSERT_TRUE(lDouble.SetValueAsDouble(4.5));
    EXPECT_EQ(lAccessors.mDouble, 4.5);
    EXPECT_EQ(lAccessors.mSetterCalls, 1);
    lAccessors.mDouble = 8.0;
    EXPECT_EQ(lDouble.GetValueAsDouble(), 8.0);
    // The getter's answer is cached.
    EXPECT_EQ(lDouble.GetCachedValue(), 8.0);
    KPropertyDouble lGetterOnly;
    lGetterOnly.AttachMembers("GetterOnly", &lAccessors, &AccessorObject::GetDouble, nullptr);
    ASSERT_TRUE(lGetterOnly.SetValueAsDouble(1.0));
    EXPECT_EQ(lAccessors.mSetterCalls, 1);

    KPropertyBool lBool;
    lBool.Attach(
        "Bool", &lObject, [&lOwner] { return lOwner.mBool; },
        [&lOwner](const bool& pValue) { lOwner.mBool = pValue; });
    ExpectRoundTrip(lBool, true);
    EXPECT_TRUE(lOwner.mBool);

    KPropertyInt lInt;
    lInt.Attach(
        "Int", &lObject, [&lOwner] { return lOwner.mInt; },
        [&lOwner](const int& pValue) { lOwner.mInt = pValue; });
    ExpectRoundTrip(lInt, 77);
    EXPECT_EQ(lOwner.mInt, 77);

    KPropertyFloat lFloat;
    lFloat.Attach(
        "Float", &lObject, [&lOwner] { return lOwner.mFloat; },
        [&lOwner](const float& pValue) { lOwner.mFloat = pValue; });
    ExpectRoundTrip(lFloat, 0.75f);
    EXPECT_EQ(lOwner.mFloat, 0.75f);

    KPropertyString lText;
    lText.Attach(
        "Text", &lObject, [&lOwner] { return lOwner.mText; },
        [&lOwner](const KString& pValue) { lOwner.mText = pValue; });
    ExpectRoundTrip(lText, KString("x y"));
    EXPECT_EQ(lOwner.mText, "x y");

    KPropertyTime lTime;
    lTime.Attach(
        "Time", &lObject, [&lOwner] { return lOwner.mTime; },
        [&lOwner](const KTime& pValue) { lOwner.mTime = pValue; });
    ExpectRoundTrip(lTime, KTime::kInfinity);
    EXPECT_EQ(lOwner.mTime, KTime::kInfinity);

    // A setter that keeps w, as the node block's vector accessors do.
    KPropertyVector lVector;
    lVector.Attach(
        "Vector", &lObject,
        [&lOwner] {
            return KVector4(lOwner.mVector[0], lOwner.mVector[1], lOwner.mVector[2], 1.0);
        },
        [&lOwner](const KVector4& pValue) {
            lOwner.mVector.Set(pValue[0], pValue[1], pValue[2], lOwner.mVector[3]);
        });
    ASSERT_TRUE(lVector.SetValue(KVector4(1, 2, 3, 5)));
    KVector4 lRead;
    ASSERT_TRUE(lVector.GetValue(lRead));
    EXPECT_EQ(lRead, KVector4(1, 2, 3));
    EXPECT_DOUBLE_EQ(lRead[3], 1.0);

    KPropertyColor lColor;
    lColor.Attach(
        "Color", &lObject, [&lOwner] { return lOwner.mColor; },
        [&lOwner](const KColor& pValue) { lOwner.mColor = pValue; });
    ASSERT_TRUE(lColor.SetValue(KColor(0.25, 0.5, 0.75, 1.0)));
    EXPECT_DOUBLE_EQ(lOwner.mColor.mGreen, 0.5);
    KColor lColorRead;
    ASSERT_TRUE(lColor.GetValue(lColorRead));
    EXPECT_DOUBLE_EQ(lColorRead.mBlue, 0.75);

    // Only a getter: reads go through it, writes land in the cache and are overwritten by the
    // next read.
    KPropertyInt lReadOnly;
    lReadOnly.Attach(
        "ReadOnly", &lObject, [] { return 5; }, nullptr);
    ASSERT_TRUE(lReadOnly.SetValueAsInt(9));
    EXPECT_EQ(lReadOnly.GetValueAsInt(), 5);
}

TEST(PropertyValues, ConversionsBetweenKinds)
{
    KObject lObject;
    KProperty* lInt = lObject.CreateProperty("i", kPropertyTypeInt, nullptr);
    ASSERT_TRUE(lInt->SetValueAsDouble(3.9));
    EXPECT_EQ(lInt->GetValueAsInt(), 3);
    ASSERT_TRUE(lInt->SetValueAsDouble(-3.9));
    EXPECT_EQ(lInt->GetValueAsInt(), -3);
    // Out of range and NaN do not convert; the value stays.
    EXPECT_FALSE(lInt->SetValueAsDouble(1e20));
    EXPECT_FALSE(lInt->SetValueAsDouble(std::nan("")));
    EXPECT_FALSE(lInt->SetValueAsDouble(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(lInt->GetValueAsInt(), -3);
    EXPECT_TRUE(lInt->SetValueAsDouble(2147483647.5));
    EXPECT_EQ(lInt->GetValueAsInt(), 2147483647);

    KProperty* lBool = lObject.CreateProperty("b", kPropertyTypeBool, nullptr);
    ASSERT_TRUE(lBool->SetValueAsInt(2));
    EXPECT_EQ(lBool->GetValueAsInt(), 1);
    ASSERT_TRUE(lBool->SetValueAsDouble(0.0));
    EXPECT_EQ(lBool->GetValueAsDouble(), 0.0);

    KProperty* lFloat = lObject.CreateProperty("f", kPropertyTypeFloat, nullptr);
    EXPECT_FALSE(lFloat->SetValueAsDouble(1e300));
    ASSERT_TRUE(lFloat->SetValueAsDouble(0.1));
    EXPECT_DOUBLE_EQ(lFloat->GetValueAsDouble(), double(0.1f));

    KProperty* lColor = lObject.CreateProperty("c", kPropertyTypeColorRGB, nullptr);
    ASSERT_TRUE(lColor->SetValue(KVector4(2.0, -1.0, 0.5, 1.0)));
    KColor lClamped;
    ASSERT_TRUE(lColor->GetValue(lClamped));
    EXPECT_EQ(lClamped.mRed, 1.0);
    EXPECT_EQ(lClamped.mGreen, 0.0);
    EXPECT_EQ(lClamped.mBlue, 0.5);

    // Kinds that do not meet leave the target unchanged.
    KProperty* lText = lObject.CreateProperty("s", kPropertyTypeString, nullptr);
    EXPECT_FALSE(lText->SetValueAsDouble(1.0));
    double lUntouched = 42.0;
    EXPECT_FALSE(lText->GetValue(lUntouched));
    EXPECT_EQ(lUntouched, 42.0);
    EXPECT_FALSE(lColor->SetValueAsDouble(1.0));
    KProperty* lTime = lObject.CreateProperty("t", kPropertyTypeTime, nullptr);
    EXPECT_FALSE(lTime->SetValueAsInt(5));
    KString lNoText("kept");
    EXPECT_FALSE(lTime->GetValue(lNoText));
    EXPECT_EQ(lNoText, "kept");
}

TEST(PropertyValues, ValueEventsCarryNewAndOldAroundTheWrite)
{
    EventLog lLog;
    TestObjectA lObject(&lLog);
    double lStored = 1.0;
    std::vector<std::string> lOrder;
    KPropertyDouble lProperty;
    lProperty.Attach(
        "P", &lObject, [&lStored] { return lStored; },
        [&lStored, &lOrder, &lLog](const double& pValue) {
            lOrder.push_back("setter after " + std::to_string(lLog.size()) + " events");
            lStored = pValue;
        });
    lObject.RegisterProperty(&lProperty);
    lLog.clear();
    ASSERT_TRUE(lProperty.SetValueAsDouble(2.5));
    EXPECT_EQ(lLog, (EventLog{{"A", 18, &lProperty, nullptr}, {"A", 19, &lProperty, nullptr}}));
    ASSERT_EQ(lOrder.size(), 1u);
    EXPECT_EQ(lOrder[0], "setter after 1 events");
    ASSERT_EQ(lObject.mValueEvents.size(), 2u);
    EXPECT_EQ(lObject.mValueEvents[0], std::make_pair(2.5, 1.0));
    EXPECT_EQ(lObject.mValueEvents[1], std::make_pair(2.5, 1.0));
    // A refused conversion sends nothing.
    lLog.clear();
    EXPECT_FALSE(lProperty.SetValue(KString("no")));
    EXPECT_TRUE(lLog.empty());
}

TEST(PropertyDefinition, NameLabelAndDataType)
{
    KPropertyDouble lProperty;
    EXPECT_STREQ(lProperty.GetName(), "");
    EXPECT_EQ(lProperty.GetLabel(), nullptr);
    EXPECT_EQ(lProperty.GetPropertyType(), 0);
    EXPECT_EQ(lProperty.GetDataType(), nullptr);
    lProperty.SetLabel("Label");
    EXPECT_STREQ(lProperty.GetLabel(), "Label");
    lProperty.SetLabel("");
    EXPECT_EQ(lProperty.GetLabel(), nullptr);
    lProperty.SetLabel("Again");
    lProperty.SetLabel(nullptr);
    EXPECT_EQ(lProperty.GetLabel(), nullptr);

    const struct
    {
        int mType;
        const char* mDefault;
    } kDefaults[] = {{4, "double"},    {7, "KTime"},      {12, "Vector4D"}, {13, "Vector3D"},
                     {14, "ColorRGB"}, {15, "ColorRGBA"}, {1, nullptr},     {2, nullptr},
                     {6, nullptr},     {18, nullptr}};
    for (const auto& lCase : kDefaults) {
        lProperty.SetPropertyType(lCase.mType);
        EXPECT_EQ(lProperty.GetDataType(), lCase.mDefault ? FindDataType(lCase.mDefault) : nullptr)
            << lCase.mType;
    }
    lProperty.SetPropertyType(19);
    EXPECT_EQ(lProperty.GetPropertyType(), 18);
    lProperty.SetDataType(FindDataType("Roll"));
    EXPECT_EQ(lProperty.GetDataType(), FindDataType("Roll"));
    EXPECT_EQ(KProperty::GetVector3DPropertyType(), 13);
    EXPECT_EQ(KProperty::GetColorRGBPropertyType(), 14);
}

TEST(PropertyDefinition, FlagsOfBothWords)
{
    KPropertyBool lProperty;
    KPropertyDefinition& lDefinition = lProperty.GetDefinition();
    EXPECT_EQ(lDefinition.GetFlags(), 0u);
    EXPECT_FALSE(lProperty.IsAnimatable());
    lDefinition.SetFlag(KPropertyDefinition::kAnimatable, true);
    EXPECT_TRUE(lProperty.IsAnimatable());
    lDefinition.SetFlag(KPropertyDefinition::kAnimatable, false);
    EXPECT_FALSE(lProperty.IsAnimatable());
    lProperty.MarkAsObjectList();
    EXPECT_EQ(lDefinition.GetFlags(), 12u);

    lProperty.SetFlag(KProperty::kAnimated | KProperty::kNotWritten, true);
    lProperty.SetFlag32(true);
    EXPECT_EQ(lProperty.GetFlags(), 8u | 16u | 32u);
    lProperty.SetFlag(KProperty::kNotWritten, false);
    lProperty.SetFlag32(false);
    EXPECT_EQ(lProperty.GetFlags(), 8u);
    EXPECT_TRUE(lProperty.GetFlag(8));
    EXPECT_FALSE(lProperty.GetFlag(32));
}

TEST(PropertyDefinition, LimitsAnnounceChanges)
{
    EventLog lLog;
    TestObjectA lObject(&lLog);
    KPropertyDouble lProperty;
    lProperty.Attach("P", &lObject);
    EXPECT_EQ(lProperty.GetMinimum(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(lProperty.GetMaximum(), std::numeric_limits<double>::infinity());
    lProperty.SetMinimum(-1.0);
    lProperty.SetMinimum(-1.0);
    lProperty.SetMaximum(1.0);
    lProperty.SetMaximum(1.0);
    EXPECT_EQ(lLog, (EventLog{{"A", 20, &lProperty, nullptr}, {"A", 20, &lProperty, nullptr}}));
    EXPECT_EQ(lProperty.GetMinimum(), -1.0);
    EXPECT_EQ(lProperty.GetMaximum(), 1.0);
}

TEST(PropertyDefinition, EnumerationList)
{
    KPropertyEnum lProperty;
    EXPECT_EQ(lProperty.GetEnumCount(), 0);
    EXPECT_EQ(lProperty.GetEnumItem(0), nullptr);
    lProperty.SetPropertyType(kPropertyTypeEnum);
    lProperty.GetDefinition().SetEnumList(&RotationOrderName);
    EXPECT_TRUE(lProperty.GetDefinition().GetFlag(KPropertyDefinition::kHasEnumList));
    EXPECT_EQ(lProperty.GetEnumCount(), 3);
    EXPECT_STREQ(lProperty.GetEnumItem(0), "Euler XYZ");
    EXPECT_STREQ(lProperty.GetEnumItem(2), "Euler YZX");
    EXPECT_EQ(lProperty.GetEnumItem(3), nullptr);
    EXPECT_EQ(lProperty.GetEnumItem(-1), nullptr);
    ASSERT_TRUE(lProperty.SetValueAsInt(2));
    EXPECT_EQ(lProperty.GetValueAsInt(), 2);
    lProperty.GetDefinition().SetEnumList(nullptr);
    EXPECT_FALSE(lProperty.GetDefinition().GetFlag(KPropertyDefinition::kHasEnumList));
    EXPECT_EQ(lProperty.GetEnumCount(), 0);
}

TEST(PropertyLifetime, DestroyedPropertyDisconnectsEveryPartner)
{
    EventLog lLog;
    TestObjectA lObject(&lLog);
    RecordingPlug lSource("source", &lLog);
    RecordingPlug lDestination("destination", &lLog);
    {
        KPropertyDouble lProperty;
        lProperty.Attach("P", &lObject);
        lObject.RegisterProperty(&lProperty);
        ASSERT_TRUE(lProperty.ConnectSrc(&lSource));
        ASSERT_TRUE(lDestination.ConnectSrc(&lProperty));
        EXPECT_EQ(lObject.GetConnectionPairCount(), 2);
    }
    EXPECT_EQ(lSource.GetDstCount(), 0);
    EXPECT_EQ(lDestination.GetSrcCount(), 0);
    EXPECT_EQ(lObject.GetPropertyCount(), 0);
    EXPECT_EQ(lObject.GetConnectionPairCount(), 0);
}

TEST(PropertyStringList, CopiesAreIndependent)
{
    KPropertyStringList lList;
    EXPECT_EQ(lList.GetCount(), 0);
    lList.InsertAt(0, "Mesh", 7);
    lList.InsertAt(0, "Geometry", 3);
    KPropertyStringList lCopy(lList);
    lList.InsertAt(2, "Extra", 1);
    ASSERT_EQ(lCopy.GetCount(), 2);
    EXPECT_EQ(lCopy.GetText(0), "Geometry");
    EXPECT_EQ(lCopy.GetReference(1), 7);
    KPropertyStringList lAssigned;
    lAssigned.InsertAt(0, "Old", 0);
    lAssigned = lList;
    ASSERT_EQ(lAssigned.GetCount(), 3);
    EXPECT_EQ(lAssigned.GetText(2), "Extra");
}
