#include "tests/support/ObjectTestSupport.h"

#include "object/KDataType.h"
#include "object/KPropertyObjectList.h"
#include "object/KitLifetime.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

TEST(ClassRegistry, FixedBaseIdsDistinctIdsAndIsAThroughThreeLevels)
{
    EXPECT_EQ(KObject::ClassId(), 1);
    EXPECT_EQ(KPlug::ClassId(), 2);
    EXPECT_STREQ(KObject::ClassName(), "KObject");
    EXPECT_EQ(KObject::ClassInfo().GetParent(), &KPlug::ClassInfo());
    EXPECT_EQ(KPlug::ClassInfo().GetParent(), nullptr);
    const int lIds[] = {KObject::ClassId(),     KPlug::ClassId(),
                        KProperty::ClassId(),   KPropertyObjectList::ClassId(),
                        TestObjectA::ClassId(), TestObjectB::ClassId(),
                        TestObjectC::ClassId()};
    EXPECT_EQ(std::set<int>(std::begin(lIds), std::end(lIds)).size(), std::size(lIds));
    EXPECT_EQ(GetClassInfoById(TestObjectB::ClassId()), &TestObjectB::ClassInfo());
    EXPECT_STREQ(GetClassInfoById(TestObjectB::ClassId())->GetName(), "TestObjectB");
    EXPECT_EQ(GetClassInfoById(-1), nullptr);

    TestObjectC lC;
    KPlug* lAsPlug = &lC;
    for (int lId : {TestObjectC::ClassId(), TestObjectB::ClassId(), TestObjectA::ClassId(),
                    KObject::ClassId(), KPlug::ClassId()}) {
        EXPECT_TRUE(lAsPlug->IsA(lId)) << lId;
    }
    EXPECT_FALSE(lAsPlug->IsA(KProperty::ClassId()) || lAsPlug->IsA(-1));
    EXPECT_EQ(lAsPlug->GetClassId(), TestObjectC::ClassId());
    EXPECT_STREQ(lAsPlug->GetClassName(), "TestObjectC");
    EXPECT_EQ(&lAsPlug->GetClassInfo(), &TestObjectC::ClassInfo());
    TestObjectA lA;
    EXPECT_TRUE(lA.IsA(TestObjectA::ClassId()));
    EXPECT_FALSE(lA.IsA(TestObjectB::ClassId()) || lA.IsA(TestObjectC::ClassId()));
}

TEST(ClassRegistry, ClassIdFilters)
{
    EXPECT_EQ(GetClassIdFilter(-1), nullptr);
    EXPECT_EQ(GetClassIdFilter(0), nullptr);
    EXPECT_EQ(GetClassIdFilter(1 << 20), nullptr);
    const KPlugFilter* lFilter = GetClassIdFilter(TestObjectB::ClassId());
    ASSERT_NE(lFilter, nullptr);
    EXPECT_EQ(lFilter, TestObjectB::ClassInfo().GetClassIdFilter());
    TestObjectA lA;
    TestObjectB lB;
    TestObjectC lC;
    KPlug lPlug;
    EXPECT_FALSE(lFilter->Accepts(&lA));
    EXPECT_TRUE(lFilter->Accepts(&lB));
    EXPECT_TRUE(lFilter->Accepts(&lC));
    EXPECT_FALSE(lFilter->Accepts(&lPlug));
    EXPECT_FALSE(lFilter->Accepts(nullptr));
}

TEST(KitLifetime, CountsAndToleratesExtraRelease)
{
    // Other tests may hold no reference; balance what this test takes.
    EXPECT_TRUE(KitLifetimeAcquire());
    EXPECT_TRUE(KitLifetimeAcquire());
    EXPECT_TRUE(KitLifetimeRelease());
    EXPECT_TRUE(KitLifetimeRelease());
    EXPECT_FALSE(KitLifetimeRelease());
    EXPECT_FALSE(KitLifetimeRelease());
    // A plug that outlives the shut-down keeps a working handle.
    EXPECT_TRUE(KitLifetimeAcquire());
    auto* lPlug = new KPlug;
    KWeakHandle lHandle = lPlug->GetWeakHandle();
    EXPECT_TRUE(KitLifetimeRelease());
    EXPECT_EQ(lHandle.Get(), lPlug);
    delete lPlug;
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(KObject::ClassId(), 1);
}

TEST(DataTypes, EveryRegisteredNameIsFound)
{
    // Names ('|' between them) with their member count and property type.
    const struct
    {
        const char* mNames;
        int mMembers;
        int mPropertyType;
    } kGroups[] = {{"bool|Bool", 1, kPropertyTypeBool},
                   {"int|Integer", 1, kPropertyTypeInt},
                   {"float", 1, kPropertyTypeFloat},
                   {"enum", 1, kPropertyTypeEnum},
                   {"KTime", 1, kPropertyTypeTime},
                   {"Vector4D", 4, kPropertyTypeVector4D},
                   {"ColorRGBA", 4, kPropertyTypeColorRGBA},
                   {"ColorRGB|Color", 3, kPropertyTypeColorRGB},
                   {"object", 0, kPropertyTypeObject},
                   {"string", 0, kPropertyTypeString},
                   {"Reference", 0, kPropertyTypeReference},
                   {"Trigger", 0, kPropertyTypeTrigger},
                   {"Vector3D|Vector|Translation|Rotation|Scaling|Lcl Translation|Lcl Rotation|"
                    "Lcl Scaling",
                    3, kPropertyTypeVector3D},
                   {"double|Real|Number|Visibility|Occlusion|IK Reach Translation|"
                    "IK Reach Rotation|FieldOfView|Roll|Intensity|Cone angle|Fog|Shape|TimeWarp",
                    1, kPropertyTypeDouble}};
    for (const auto& lGroup : kGroups) {
        std::stringstream lNames(lGroup.mNames);
        for (std::string lName; std::getline(lNames, lName, '|');) {
            KDataType* lType = FindDataType(lName.c_str());
            ASSERT_NE(lType, nullptr) << lName;
            EXPECT_EQ(lType->GetName(), lName);
            EXPECT_EQ(lType->GetMemberCount(), lGroup.mMembers) << lName;
            EXPECT_EQ(KProperty::GetPropertyTypeFromDataType(lType), lGroup.mPropertyType) << lName;
        }
    }
    for (const char* lUnknown : {"", "color", "Unidentified", "Lcl Translation "}) {
        EXPECT_EQ(FindDataType(lUnknown), nullptr) << lUnknown;
    }
    EXPECT_EQ(FindDataType(nullptr), nullptr);
    EXPECT_EQ(KProperty::GetPropertyTypeFromDataType(nullptr), 0);
    EXPECT_EQ(FindDataType("Lcl Rotation")->GetBaseType(), FindDataType("Vector3D"));
    EXPECT_EQ(FindDataType("Vector3D")->GetBaseType(), FindDataType("Vector3D"));
    EXPECT_TRUE(FindDataType("double")->IsBasicType());
    EXPECT_FALSE(FindDataType("Visibility")->IsBasicType());
}
