#include "tests/support/ObjectTestSupport.h"

#include "object/KDataType.h"
#include "object/KPropertyObjectList.h"
#include "object/KitLifetime.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(ClassRegistry, BaseClassesHaveFixedIds)
{
    EXPECT_EQ(KObject::ClassId(), 1);
    EXPECT_EQ(KPlug::ClassId(), 2);
    EXPECT_STREQ(KObject::ClassName(), "KObject");
    EXPECT_STREQ(KPlug::ClassName(), "KPlug");
    EXPECT_EQ(KObject::ClassInfo().GetParent(), &KPlug::ClassInfo());
    EXPECT_EQ(KPlug::ClassInfo().GetParent(), nullptr);
    EXPECT_GE(KProperty::ClassId(), 3);
    EXPECT_GE(TestObjectC::ClassId(), 3);
}

TEST(ClassRegistry, IdsAreDistinctAndFoundAgain)
{
    const int lIds[] = {KObject::ClassId(),     KPlug::ClassId(),
                        KProperty::ClassId(),   KPropertyObjectList::ClassId(),
                        TestObjectA::ClassId(), TestObjectB::ClassId(),
                        TestObjectC::ClassId()};
    std::set<int> lSeen(std::begin(lIds), std::end(lIds));
    EXPECT_EQ(lSeen.size(), std::size(lIds));
    EXPECT_EQ(GetClassInfoById(TestObjectB::ClassId()), &TestObjectB::ClassInfo());
    EXPECT_STREQ(GetClassInfoById(TestObjectB::ClassId())->GetName(), "TestObjectB");
}

TEST(ClassRegistry, IsAThroughThreeLevels)
{
    TestObjectC lC;
    TestObjectA lA;
    KPlug* lAsPlug = &lC;
    EXPECT_TRUE(lAsPlug->IsA(TestObjectC::ClassId()));
    EXPECT_TRUE(lAsPlug->IsA(TestObjectB::ClassId()));
    EXPECT_TRUE(lAsPlug->IsA(TestObjectA::ClassId()));
    EXPECT_TRUE(lAsPlug->IsA(KObject::ClassId()));
    EXPECT_TRUE(lAsPlug->IsA(KPlug::ClassId()));
    EXPECT_FALSE(lAsPlug->IsA(KProperty::ClassId()));
    EXPECT_FALSE(lAsPlug->IsA(-1));
    EXPECT_EQ(lAsPlug->GetClassId(), TestObjectC::ClassId());
    EXPECT_STREQ(lAsPlug->GetClassName(), "TestObjectC");
    EXPECT_EQ(&lAsPlug->GetClassInfo(), &TestObjectC::ClassInfo());

    EXPECT_TRUE(lA.IsA(TestObjectA::ClassId()));
    EXPECT_FALSE(lA.IsA(TestObjectB::ClassId()));
    EXPECT_FALSE(lA.IsA(TestObjectC::ClassId()));
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
    struct Expected
    {
        const char* mName;
        int mMembers;
        int mPropertyType;
    };
    const Expected kNames[] = {
        {"bool", 1, 2},
        {"int", 1, 1},
        {"float", 1, 3},
        {"double", 1, 4},
        {"enum", 1, 6},
        {"KTime", 1, 7},
        {"Vector3D", 3, 13},
        {"Vector4D", 4, 12},
        {"ColorRGB", 3, 14},
        {"ColorRGBA", 4, 15},
        {"object", 0, 9},
        {"string", 0, 5},
        {"Reference", 0, 8},
        {"Trigger", 0, 16},
        {"Bool", 1, 2},
        {"Integer", 1, 1},
        {"Real", 1, 4},
        {"Color", 3, 14},
        {"Vector", 3, 13},
        {"Number", 1, 4},
        {"Translation", 3, 13},
        {"Rotation", 3, 13},
        {"Scaling", 3, 13},
        {"Lcl Translation", 3, 13},
        {"Lcl Rotation", 3, 13},
        {"Lcl Scaling", 3, 13},
        {"Visibility", 1, 4},
        {"Occlusion", 1, 4},
        {"IK Reach Translation", 1, 4},
        {"IK Reach Rotation", 1, 4},
        {"FieldOfView", 1, 4},
        {"Roll", 1, 4},
        {"Intensity", 1, 4},
        {"Cone angle", 1, 4},
        {"Fog", 1, 4},
        {"Shape", 1, 4},
        {"TimeWarp", 1, 4},
    };
    for (const Expected& lExpected : kNames) {
        KDataType* lType = FindDataType(lExpected.mName);
        ASSERT_NE(lType, nullptr) << lExpected.mName;
        EXPECT_STREQ(lType->GetName(), lExpected.mName);
        EXPECT_EQ(lType->GetMemberCount(), lExpected.mMembers) << lExpected.mName;
        EXPECT_EQ(KProperty::GetPropertyTypeFromDataType(lType), lExpected.mPropertyType)
            << lExpected.mName;
        EXPECT_EQ(FindDataType(lExpected.mName), lType);
    }
}

TEST(DataTypes, UnknownNamesAreNull)
{
    EXPECT_EQ(FindDataType(nullptr), nullptr);
    EXPECT_EQ(FindDataType(""), nullptr);
    EXPECT_EQ(FindDataType("color"), nullptr);
    EXPECT_EQ(FindDataType("Unidentified"), nullptr);
    EXPECT_EQ(FindDataType("Lcl Translation "), nullptr);
    EXPECT_EQ(KProperty::GetPropertyTypeFromDataType(nullptr), 0);
}

TEST(DataTypes, BaseTypes)
{
    EXPECT_EQ(FindDataType("Lcl Rotation")->GetBaseType(), FindDataType("Vector3D"));
    EXPECT_EQ(FindDataType("Vector3D")->GetBaseType(), FindDataType("Vector3D"));
    EXPECT_TRUE(FindDataType("double")->IsBasicType());
    EXPECT_FALSE(FindDataType("Visibility")->IsBasicType());
}
