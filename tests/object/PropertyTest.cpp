#include "tests/support/ObjectTestSupport.h"

#include "object/KPropertyStringList.h"
#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

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
    ASSERT_TRUE(pProperty.SetValue(pValue)) << pProperty.GetName();
    T lRead{};
    ASSERT_TRUE(pProperty.GetValue(lRead)) << pProperty.GetName();
    EXPECT_EQ(lRead, pValue) << pProperty.GetName();
}

// A value written through a property with accessors reaches the owner's copy and reads back.
template <typename P, typename T> void ExpectAccessorRoundTrip(const T& pValue)
{
    KObject lObject;
    T lStored{};
    P lProperty;
    lProperty.Attach(
        "P", &lObject, [&lStored] { return lStored; },
        [&lStored](const T& pNew) { lStored = pNew; });
    ExpectRoundTrip(lProperty, pValue);
    EXPECT_EQ(lStored, pValue);
}

std::string Show(const KVector4& pV)
{
    return KString::FromDouble(pV[0], 2).Buffer() + std::string(" ") +
           KString::FromDouble(pV[1], 2).Buffer() + " " + KString::FromDouble(pV[2], 2).Buffer() +
           " " + KString::FromDouble(pV[3], 2).Buffer();
}

const char* RotationOrderName(int pIndex)
{
    static const char* const kNames[] = {"Euler XYZ", "Euler XZY", "Euler YZX"};
    return pIndex >= 0 && pIndex < 3 ? kNames[pIndex] : nullptr;
}

} // namespace

TEST(PropertyValues, RoundTripWithAndWithoutAccessors)
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
    // Every vector kind keeps all four components.
    const std::pair<int, KVector4> kVectors[] = {
        {kPropertyTypeVector2D, KVector4(1, 2, 0, 0)},
        {kPropertyTypeVector3D, KVector4(1, 2, 3, 5)},
        {kPropertyTypeVector4D, KVector4(1, 2, 3, 4)},
        {kPropertyTypeColorRGB, KVector4(0.1, 0.2, 0.3, 1.0)},
        {kPropertyTypeColorRGBA, KVector4(0.1, 0.2, 0.3, 0.4)}};
    for (const auto& lCase : kVectors) {
        KProperty* lProperty = lObject.CreateProperty("v", lCase.first, nullptr);
        ASSERT_TRUE(lProperty->SetValue(lCase.second));
        KVector4 lRead;
        ASSERT_TRUE(lProperty->GetValue(lRead));
        EXPECT_EQ(Show(lRead), Show(lCase.second)) << lCase.first;
    }
    ASSERT_TRUE(lObject.FindProperty("s")->SetValue("literal"));
    KString lText;
    ASSERT_TRUE(lObject.FindProperty("s")->GetValue(lText));
    EXPECT_EQ(lText, "literal");

    ExpectAccessorRoundTrip<KPropertyBool>(true);
    ExpectAccessorRoundTrip<KPropertyInt>(77);
    ExpectAccessorRoundTrip<KPropertyFloat>(0.75f);
    ExpectAccessorRoundTrip<KPropertyDouble>(-2.5);
    ExpectAccessorRoundTrip<KPropertyString>(KString("x y"));
    ExpectAccessorRoundTrip<KPropertyTime>(KTime::kInfinity);
    ExpectAccessorRoundTrip<KPropertyVector>(KVector4(1, 2, 3, 0));

    KColor lStored;
    KPropertyColor lColor;
    lColor.Attach(
        "Color", &lObject, [&lStored] { return lStored; },
        [&lStored](const KColor& pValue) { lStored = pValue; });
    ASSERT_TRUE(lColor.SetValue(KColor(0.25, 0.5, 0.75, 1.0)));
    EXPECT_DOUBLE_EQ(lStored.mGreen, 0.5);
    lStored.mBlue = 0.125;
    KColor lColorRead;
    ASSERT_TRUE(lColor.GetValue(lColorRead));
    EXPECT_DOUBLE_EQ(lColorRead.mBlue, 0.125);

    // Only a getter: reads go through it, writes land in the cache and are overwritten by the
    // next read.
    KPropertyInt lReadOnly;
    lReadOnly.Attach(
        "ReadOnly", &lObject, [] { return 5; }, nullptr);
    ASSERT_TRUE(lReadOnly.SetValueAsInt(9));
    EXPECT_EQ(lReadOnly.GetValueAsInt(), 5);
}

// Attaching again replaces the accessors: the old ones are neither called nor leaked, and
// the compile-time form shares one table between properties of different owners.
TEST(PropertyValues, AccessorsAreReplacedAndKeptApartPerOwner)
{
    AccessorObject lFirst;
    AccessorObject lSecond;
    KPropertyDouble lOne;
    KPropertyDouble lTwo;
    using A = AccessorObject;
    lOne.AttachMembers<&A::GetDouble, &A::SetDouble>("One", &lFirst);
    lTwo.AttachMembers<&A::GetDouble, &A::SetDouble>("Two", &lSecond);
    ASSERT_TRUE(lOne.SetValueAsDouble(1.5) && lTwo.SetValueAsDouble(-3.0));
    EXPECT_EQ(lFirst.mDouble, 1.5);
    EXPECT_EQ(lSecond.mDouble, -3.0);

    int lOldCalls = 0;
    double lOnlySet = 0.0;
    lOne.Attach(
        "One", &lFirst, [&lOldCalls] { return ++lOldCalls * 1.0; }, nullptr);
    lOne.Attach("One", &lFirst, nullptr, [&lOnlySet](const double& pValue) { lOnlySet = pValue; });
    // Only a setter: writes go through it, reads see the cache the setter left alone.
    ASSERT_TRUE(lOne.SetValueAsDouble(7.0));
    EXPECT_EQ(lOnlySet, 7.0);
    EXPECT_EQ(lOne.GetValueAsDouble(), 0.0);
    EXPECT_EQ(lOldCalls, 0);
    EXPECT_EQ(lFirst.mSetterCalls, 1);

    // Without an owner the compile-time form attaches no accessor: the cache holds the value.
    lTwo.AttachMembers<&A::GetDouble, &A::SetDouble>("Two", static_cast<A*>(nullptr));
    ASSERT_TRUE(lTwo.SetValueAsDouble(2.25));
    EXPECT_EQ(lTwo.GetCachedValue(), 2.25);
    EXPECT_EQ(lSecond.mSetterCalls, 1);
}

// Compile-time accessors work on the owner the property has: once it has gone, the property
// reads and writes its cache, with the last value the getter gave.
TEST(PropertyValues, MemberAccessorsStopWithTheOwner)
{
    using A = AccessorObject;
    auto lOwner = std::make_unique<A>();
    KPropertyDouble lDouble;
    lDouble.AttachMembers<&A::GetDouble, &A::SetDouble>("Double", lOwner.get());
    ASSERT_TRUE(lDouble.SetValueAsDouble(2.5));
    lOwner->mDouble = 6.0;
    EXPECT_EQ(lDouble.GetValueAsDouble(), 6.0);
    lOwner.reset();
    EXPECT_EQ(lDouble.GetOwner(), nullptr);
    EXPECT_EQ(lDouble.GetValueAsDouble(), 6.0);
    ASSERT_TRUE(lDouble.SetValueAsDouble(-1.0));
    EXPECT_EQ(lDouble.GetValueAsDouble(), -1.0);
}

TEST(PropertyValues, MemberAccessorsAndCache)
{
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

    KObject lObject;
    for (int lType : {kPropertyTypeNone, kPropertyTypeReference, kPropertyTypeObject,
                      kPropertyTypeMatrix, kPropertyTypeTrigger, kPropertyTypeBlob}) {
        KProperty* lProperty = lObject.CreateProperty("x", lType, nullptr);
        EXPECT_FALSE(lProperty->SetValueAsDouble(1.0) || lProperty->SetValue(true)) << lType;
        EXPECT_EQ(lProperty->GetValueAsInt(), 0) << lType;
        EXPECT_EQ(lProperty->GetValueAsDouble(), 0.0) << lType;
        KPropertyValue lValue;
        EXPECT_FALSE(lProperty->GetPropertyValue(lValue)) << lType;
    }
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
    for (double lBad : {1e20, -1e20, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(lInt->SetValueAsDouble(lBad));
    }
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

TEST(PropertyDefinition, NameLabelDataTypeAndFlagsOfBothWords)
{
    KPropertyDouble lProperty;
    EXPECT_STREQ(lProperty.GetName(), "");
    EXPECT_EQ(lProperty.GetPropertyType(), kPropertyTypeNone);
    EXPECT_EQ(lProperty.GetDataType(), nullptr);
    lProperty.SetLabel("Label");
    EXPECT_STREQ(lProperty.GetLabel(), "Label");
    for (const char* lCleared : {"", static_cast<const char*>(nullptr)}) {
        lProperty.SetLabel("Again");
        lProperty.SetLabel(lCleared);
        EXPECT_EQ(lProperty.GetLabel(), nullptr);
    }
    // Without a data type of its own a property has its kind's default one, or none.
    const std::pair<int, const char*> kDefaults[] = {
        {kPropertyTypeDouble, "double"},     {kPropertyTypeTime, "KTime"},
        {kPropertyTypeVector4D, "Vector4D"}, {kPropertyTypeVector3D, "Vector3D"},
        {kPropertyTypeColorRGB, "ColorRGB"}, {kPropertyTypeColorRGBA, "ColorRGBA"},
        {kPropertyTypeInt, nullptr},         {kPropertyTypeBool, nullptr},
        {kPropertyTypeEnum, nullptr},        {kPropertyTypeVectorElement, nullptr}};
    for (const auto& lCase : kDefaults) {
        lProperty.SetPropertyType(lCase.first);
        EXPECT_EQ(lProperty.GetDataType(), lCase.second ? FindDataType(lCase.second) : nullptr)
            << lCase.first;
    }
    lProperty.SetPropertyType(kPropertyTypeCount);
    EXPECT_EQ(lProperty.GetPropertyType(), kPropertyTypeCount - 1);
    lProperty.SetDataType(FindDataType("Roll"));
    EXPECT_EQ(lProperty.GetDataType(), FindDataType("Roll"));

    KPropertyDefinition& lDefinition = lProperty.GetDefinition();
    lDefinition.SetFlag(KPropertyDefinition::kAnimatable, true);
    EXPECT_TRUE(lProperty.IsAnimatable());
    lDefinition.SetFlag(KPropertyDefinition::kAnimatable, false);
    lProperty.MarkAsObjectList();
    EXPECT_EQ(lDefinition.GetFlags(), KPropertyDefinition::kObjectList);
    lProperty.SetFlag(KProperty::kAnimated | KProperty::kNotWritten, true);
    lProperty.SetFlag32(true);
    EXPECT_EQ(lProperty.GetFlags(),
              KProperty::kAnimated | KProperty::kNotWritten | KProperty::kReadOnly);
    lProperty.SetFlag(KProperty::kNotWritten, false);
    lProperty.SetFlag32(false);
    EXPECT_EQ(lProperty.GetFlags(), KProperty::kAnimated);
    EXPECT_TRUE(lProperty.GetFlag(KProperty::kAnimated) &&
                !lProperty.GetFlag(KProperty::kReadOnly));
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
    lProperty.GetDefinition().SetEnumList(&RotationOrderName);
    EXPECT_TRUE(lProperty.GetDefinition().GetFlag(KPropertyDefinition::kHasEnumList));
    EXPECT_EQ(lProperty.GetEnumCount(), 3);
    EXPECT_STREQ(lProperty.GetEnumItem(0), "Euler XYZ");
    EXPECT_STREQ(lProperty.GetEnumItem(2), "Euler YZX");
    EXPECT_TRUE(lProperty.GetEnumItem(3) == nullptr && lProperty.GetEnumItem(-1) == nullptr);
    lProperty.GetDefinition().SetEnumList(nullptr);
    EXPECT_FALSE(lProperty.GetDefinition().GetFlag(KPropertyDefinition::kHasEnumList));
    EXPECT_EQ(lProperty.GetEnumCount(), 0);
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
