#include "scene/KRyvUserProperty.h"
#include "core/KVector4.h"
#include "object/KObject.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// A property set that counts the value changes its user properties report.
class CountingSet : public KObject, public KRyvUserPropertyNotifyTarget
{
public:
    void OnUserPropertyChanged(KRyvUserProperty* pUserProperty) override
    {
        ++mChanges;
        mLast = pUserProperty;
    }

    int mChanges = 0;
    KRyvUserProperty* mLast = nullptr;
};

std::string Str(const KString& pText)
{
    return pText.Buffer();
}

} // namespace

TEST(KRyvUserProperty, TypeNamesAreCaseSensitive)
{
    EXPECT_STREQ(KRyvUserProperty::GetTypeName(0), "Unidentified");
    for (int lType = 1; lType <= 5; ++lType) {
        EXPECT_EQ(KRyvUserProperty::GetTypeFromName(KRyvUserProperty::GetTypeName(lType)), lType);
    }
    EXPECT_STREQ(KRyvUserProperty::GetTypeName(KRyvUserProperty::kTypeColor), "Color");
    EXPECT_EQ(KRyvUserProperty::GetTypeName(6), nullptr);
    EXPECT_EQ(KRyvUserProperty::GetTypeName(-1), nullptr);
    EXPECT_EQ(KRyvUserProperty::GetTypeFromName("color"), 0);
    EXPECT_EQ(KRyvUserProperty::GetTypeFromName("Unidentified"), 0);
    EXPECT_EQ(KRyvUserProperty::GetTypeFromName(nullptr), 0);
}

TEST(KRyvUserProperty, UnboundHoldsRecordButNoValue)
{
    KRyvUserProperty lColor(nullptr, "Tint", "Color", "");
    EXPECT_FALSE(lColor.IsBound());
    EXPECT_EQ(lColor.GetType(), KRyvUserProperty::kTypeColor);
    EXPECT_EQ(lColor.GetMinimum(), -kInf);
    EXPECT_EQ(lColor.GetMaximum(), kInf);
    EXPECT_EQ(Str(lColor.GetName()), "Tint");
    EXPECT_EQ(Str(lColor.GetLabel(true)), "Tint");
    EXPECT_EQ(Str(lColor.GetLabel(false)), "");
    KRyvUserProperty lLower(nullptr, "Tint", "color", "The tint");
    EXPECT_EQ(lLower.GetType(), KRyvUserProperty::kTypeUnidentified);
    EXPECT_EQ(Str(lLower.GetLabel(true)), "The tint");

    CountingSet lTarget;
    KRyvUserProperty lReal(nullptr, "Speed", "Real", "");
    lReal.SetNotifyTarget(&lTarget);
    EXPECT_FALSE(lReal.SetValue(1.5));
    EXPECT_FALSE(lReal.SetValue(2));
    EXPECT_FALSE(lReal.SetValue(true));
    EXPECT_FALSE(lReal.SetValue(1.0, 2.0, 3.0));
    EXPECT_EQ(lTarget.mChanges, 0);
    double lValue = 7.0;
    double lY = 8.0;
    double lZ = 9.0;
    int lInt = 3;
    EXPECT_FALSE(lReal.GetValue(lValue));
    EXPECT_FALSE(lReal.GetValue(lInt));
    EXPECT_FALSE(lReal.GetValue(lValue, lY, lZ));
    EXPECT_EQ(lValue, 7.0);
    EXPECT_EQ(lY, 8.0);
    EXPECT_EQ(lZ, 9.0);
    EXPECT_EQ(lInt, 3);

    lReal.SetMinimum(-2.0);
    lReal.SetMaximum(5.0);
    EXPECT_EQ(lReal.GetMinimum(), -2.0);
    EXPECT_EQ(lReal.GetRecord()->mMaximum, 5.0);
}

TEST(KRyvUserProperty, UnboundFlagsShareAnyBit)
{
    KRyvUserProperty lUser(nullptr, "A", "Real", "");
    lUser.SetFlag(1 | 4, true);
    EXPECT_TRUE(lUser.GetFlag(1));
    EXPECT_FALSE(lUser.GetFlag(2));
    EXPECT_TRUE(lUser.GetFlag(3));
    EXPECT_TRUE(lUser.GetFlag(5));
    EXPECT_EQ(lUser.GetRecord()->mFlags, 5u);
    lUser.SetFlag(1, false);
    EXPECT_FALSE(lUser.GetFlag(1));
    EXPECT_TRUE(lUser.GetFlag(4));
}

TEST(KRyvUserProperty, BoundTypeFollowsThePropertyType)
{
    KObject lSet;
    const struct
    {
        int mPropertyType;
        int mUserType;
    } lCases[] = {{kPropertyTypeInt, 4},       {kPropertyTypeBool, 1},
                  {kPropertyTypeFloat, 2},     {kPropertyTypeDouble, 2},
                  {kPropertyTypeVector3D, 5},  {kPropertyTypeColorRGB, 3},
                  {kPropertyTypeColorRGBA, 3}, {kPropertyTypeString, 0},
                  {kPropertyTypeVector4D, 0},  {kPropertyTypeEnum, 0}};
    int lIndex = 0;
    for (const auto& lCase : lCases) {
        const std::string lName = "P" + std::to_string(lIndex++);
        KProperty* lProperty = lSet.CreateProperty(lName.c_str(), lCase.mPropertyType, nullptr);
        ASSERT_NE(lProperty, nullptr);
        KRyvUserProperty lUser(nullptr, lProperty);
        EXPECT_EQ(lUser.GetType(), lCase.mUserType) << lCase.mPropertyType;
        EXPECT_TRUE(lUser.IsBoundTo(lProperty));
        EXPECT_FALSE(lUser.IsBoundTo(nullptr));
        EXPECT_EQ(Str(lUser.GetName()), lName);
        EXPECT_EQ(lUser.GetRecord(), nullptr);
    }
}

TEST(KRyvUserProperty, BoundValuesAndNotification)
{
    CountingSet lSet;
    KProperty* lDouble = lSet.CreateProperty("Weight", kPropertyTypeDouble, nullptr);
    KProperty* lInt = lSet.CreateProperty("Count", kPropertyTypeInt, nullptr);
    KProperty* lVector = lSet.CreateProperty("Offset", kPropertyTypeVector3D, nullptr);
    KRyvUserProperty lWeight(nullptr, lDouble);
    KRyvUserProperty lCount(nullptr, lInt);
    KRyvUserProperty lOffset(nullptr, lVector);
    lWeight.SetNotifyTarget(&lSet);
    lCount.SetNotifyTarget(&lSet);
    lOffset.SetNotifyTarget(&lSet);

    EXPECT_TRUE(lWeight.SetValue(2.5));
    EXPECT_EQ(lDouble->GetValueAsDouble(), 2.5);
    EXPECT_EQ(lSet.mChanges, 1);
    EXPECT_EQ(lSet.mLast, &lWeight);
    // A double property is not a vector: nothing written, nobody told.
    EXPECT_FALSE(lWeight.SetValue(1.0, 2.0, 3.0));
    EXPECT_FALSE(lWeight.SetValue(KColor(0.5, 0.5, 0.5)));
    EXPECT_EQ(lSet.mChanges, 1);

    EXPECT_TRUE(lCount.SetValue(7));
    EXPECT_TRUE(lCount.SetValue(true));
    int lIntValue = 0;
    bool lBoolValue = false;
    EXPECT_TRUE(lCount.GetValue(lIntValue));
    EXPECT_TRUE(lCount.GetValue(lBoolValue));
    EXPECT_EQ(lIntValue, 1);
    EXPECT_TRUE(lBoolValue);
    EXPECT_EQ(lSet.mChanges, 3);

    // A vector takes no single double; a colour form does not fit either.
    EXPECT_FALSE(lOffset.SetValue(4.0));
    EXPECT_EQ(lSet.mChanges, 3);
    EXPECT_TRUE(lOffset.SetValue(1.0, 2.0, 3.0));
    EXPECT_EQ(lSet.mChanges, 4);
    KVector4 lStored;
    ASSERT_TRUE(lVector->GetValue(lStored));
    EXPECT_EQ(lStored[0], 1.0);
    EXPECT_EQ(lStored[1], 2.0);
    EXPECT_EQ(lStored[2], 3.0);
    EXPECT_EQ(lStored[3], 1.0);
    double lX = 0.0;
    double lY = 0.0;
    double lZ = 0.0;
    EXPECT_TRUE(lOffset.GetValue(lX, lY, lZ));
    EXPECT_EQ(lZ, 3.0);
    KColor lColor(0.2, 0.2, 0.2, 0.2);
    EXPECT_FALSE(lOffset.GetValue(lColor));
    EXPECT_EQ(lColor.mRed, 0.2);
}

TEST(KRyvUserProperty, ColourWritesForceOpaqueRgba)
{
    CountingSet lSet;
    KProperty* lRgba = lSet.CreateProperty("Rgba", kPropertyTypeColorRGBA, nullptr);
    KProperty* lRgb = lSet.CreateProperty("Rgb", kPropertyTypeColorRGB, nullptr);
    ASSERT_TRUE(lRgba->SetValue(KColor(0.9, 0.9, 0.9, 0.5)));
    ASSERT_TRUE(lRgb->SetValue(KColor(0.9, 0.9, 0.9, 0.25)));
    KRyvUserProperty lUserRgba(nullptr, lRgba);
    KRyvUserProperty lUserRgb(nullptr, lRgb);
    lUserRgba.SetNotifyTarget(&lSet);

    EXPECT_TRUE(lUserRgba.SetValue(0.1, 0.2, 0.3));
    KColor lValue;
    ASSERT_TRUE(lRgba->GetValue(lValue));
    EXPECT_DOUBLE_EQ(lValue.mRed, 0.1);
    EXPECT_DOUBLE_EQ(lValue.mGreen, 0.2);
    EXPECT_DOUBLE_EQ(lValue.mBlue, 0.3);
    EXPECT_EQ(lValue.mAlpha, 1.0);
    EXPECT_EQ(lSet.mChanges, 1);

    EXPECT_TRUE(lUserRgb.SetValue(KColor(0.4, 0.5, 0.6, 0.0)));
    ASSERT_TRUE(lRgb->GetValue(lValue));
    EXPECT_DOUBLE_EQ(lValue.mRed, 0.4);
    EXPECT_EQ(lValue.mAlpha, 0.25);

    KColor lRead(0.0, 0.0, 0.0, 0.75);
    EXPECT_TRUE(lUserRgb.GetValue(lRead));
    EXPECT_DOUBLE_EQ(lRead.mBlue, 0.6);
    EXPECT_EQ(lRead.mAlpha, 0.75);
}

TEST(KRyvUserProperty, BoundFlagsMapToDefinitionFlags)
{
    KObject lSet;
    KProperty* lProperty = lSet.CreateProperty("P", kPropertyTypeDouble, nullptr);
    KRyvUserProperty lUser(nullptr, lProperty);
    const unsigned lBase = lProperty->GetDefinition().GetFlags();

    lUser.SetFlag(1, true);
    EXPECT_EQ(lProperty->GetDefinition().GetFlags() & (2u | 64u | 128u), 2u);
    EXPECT_TRUE(lUser.GetFlag(1));
    EXPECT_FALSE(lUser.GetFlag(2));
    EXPECT_FALSE(lUser.GetFlag(8));

    lUser.SetFlag(1 | 2, true);
    EXPECT_EQ(lProperty->GetDefinition().GetFlags() & (2u | 64u | 128u), 66u);
    lUser.SetFlag(4, true);
    EXPECT_EQ(lProperty->GetDefinition().GetFlags() & (2u | 64u | 128u), 194u);
    EXPECT_TRUE(lUser.GetFlag(2));
    EXPECT_TRUE(lUser.GetFlag(4));
    // Combined masks answer false on a bound user property.
    EXPECT_FALSE(lUser.GetFlag(3));
    EXPECT_FALSE(lUser.GetFlag(5));

    lUser.SetFlag(1 | 2 | 4, false);
    EXPECT_EQ(lProperty->GetDefinition().GetFlags(), lBase & ~(2u | 64u | 128u));
    EXPECT_FALSE(lUser.GetFlag(1));
}

TEST(KRyvUserProperty, BoundLimitsAndLabel)
{
    KObject lSet;
    KProperty* lProperty = lSet.CreateProperty("Angle", kPropertyTypeDouble, nullptr);
    KRyvUserProperty lUser(nullptr, lProperty);
    EXPECT_EQ(lUser.GetMinimum(), -kInf);
    lUser.SetMinimum(-90.0);
    lUser.SetMaximum(90.0);
    EXPECT_EQ(lProperty->GetMinimum(), -90.0);
    EXPECT_EQ(lProperty->GetMaximum(), 90.0);
    EXPECT_EQ(lUser.GetMaximum(), 90.0);

    EXPECT_EQ(Str(lUser.GetLabel(true)), "Angle");
    EXPECT_EQ(Str(lUser.GetLabel(false)), "");
    lProperty->SetLabel("Tilt");
    EXPECT_EQ(Str(lUser.GetLabel(false)), "Tilt");
}

TEST(KRyvUserProperty, VanishedPropertyReadsAsUnbound)
{
    auto* lSet = new CountingSet;
    KProperty* lProperty = lSet->CreateProperty("Lcl Translation", kPropertyTypeVector3D,
                                                FindDataType("Lcl Translation"), true);
    auto lUser = std::make_unique<KRyvUserProperty>(nullptr, lProperty);
    lUser->SetNotifyTarget(lSet);
    lUser->SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    ASSERT_TRUE(lUser->IsBound());
    lSet->Destroy();

    EXPECT_FALSE(lUser->IsBound());
    EXPECT_FALSE(lUser->IsBoundTo(lProperty));
    EXPECT_EQ(Str(lUser->GetName()), "");
    EXPECT_EQ(lUser->GetType(), KRyvUserProperty::kTypeUnidentified);
    EXPECT_FALSE(lUser->GetFlag(KRyvUserProperty::kFlagAnimatable));
    EXPECT_EQ(lUser->GetNotifyTarget(), nullptr);
    EXPECT_FALSE(lUser->SetValue(1.0, 2.0, 3.0));
    double lX = 5.0;
    double lY = 5.0;
    double lZ = 5.0;
    EXPECT_FALSE(lUser->GetValue(lX, lY, lZ));
    EXPECT_EQ(lX, 5.0);
    lUser->SetMinimum(1.0);
    EXPECT_EQ(lUser->GetMinimum(), -kInf);
}
