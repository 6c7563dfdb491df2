#include "tests/support/ObjectTestSupport.h"

#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

namespace {

int CountCode(const EventLog& pLog, int pCode)
{
    int lCount = 0;
    for (const EventRecord& lRecord : pLog) {
        lCount += lRecord.mCode == pCode ? 1 : 0;
    }
    return lCount;
}

} // namespace

TEST(KObjectProperties, RegistrationOrderAndEvents)
{
    EventLog lLog;
    TestObjectA lObject(&lLog);
    KPropertyBool lFirst;
    KPropertyDouble lSecond;
    ASSERT_TRUE(lObject.RegisterProperty(&lFirst));
    lFirst.Attach("First", &lObject, nullptr, nullptr);
    ASSERT_TRUE(lObject.RegisterProperty(&lSecond));
    lSecond.Attach("Second", &lObject, nullptr, nullptr);
    EXPECT_EQ(lLog, (EventLog{{"A", 14, &lFirst, nullptr},
                              {"A", 15, &lFirst, nullptr},
                              {"A", 14, &lSecond, nullptr},
                              {"A", 15, &lSecond, nullptr}}));
    EXPECT_FALSE(lObject.RegisterProperty(&lFirst));
    EXPECT_FALSE(lObject.RegisterProperty(nullptr));
    ASSERT_EQ(lObject.GetPropertyCount(), 2);
    EXPECT_EQ(lObject.GetProperty(0), &lFirst);
    EXPECT_EQ(lObject.GetProperty(1), &lSecond);
    EXPECT_EQ(lObject.GetProperty(2), nullptr);
    EXPECT_EQ(lObject.GetProperty(-1), nullptr);
    EXPECT_EQ(lObject.FindProperty("Second"), &lSecond);
    EXPECT_EQ(lObject.FindProperty("second"), nullptr);
    EXPECT_EQ(lObject.FindProperty("Second "), nullptr);
    EXPECT_EQ(lObject.FindProperty(nullptr), nullptr);
    EXPECT_EQ(lFirst.GetParentObject(), &lObject);
}

TEST(KObjectProperties, MemberPropertyDyingLeavesTheArray)
{
    KObject lObject;
    {
        KPropertyInt lShortLived;
        lShortLived.Attach("Short", &lObject);
        ASSERT_TRUE(lObject.RegisterProperty(&lShortLived));
        EXPECT_EQ(lObject.GetPropertyCount(), 1);
    }
    EXPECT_EQ(lObject.GetPropertyCount(), 0);
    EXPECT_EQ(lObject.FindProperty("Short"), nullptr);
}

TEST(KObjectProperties, CreatePropertyOfEveryType)
{
    KObject lObject;
    for (int lType = 0; lType < kPropertyTypeCount; ++lType) {
        const std::string lName = "P" + std::to_string(lType);
        KProperty* lProperty = lObject.CreateProperty(lName.c_str(), lType, nullptr);
        ASSERT_NE(lProperty, nullptr) << lType;
        EXPECT_EQ(lProperty->GetPropertyType(), lType);
        EXPECT_STREQ(lProperty->GetName(), lName.c_str());
        EXPECT_TRUE(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kOwned));
        EXPECT_TRUE(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kOwnedName));
        EXPECT_FALSE(lProperty->IsAnimatable());
        EXPECT_EQ(lProperty->GetOwner(), &lObject);
    }
    EXPECT_EQ(lObject.GetPropertyCount(), kPropertyTypeCount);
    EXPECT_TRUE(lObject.GetProperty(9)->IsA(KPropertyObjectList::ClassId()));
    EXPECT_EQ(lObject.CreateProperty("Bad", 19, nullptr), nullptr);
    EXPECT_EQ(lObject.CreateProperty("Bad", -1, nullptr), nullptr);
    EXPECT_EQ(lObject.CreateProperty(nullptr, 4, nullptr), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), kPropertyTypeCount);

    KDataType* lVisibility = FindDataType("Visibility");
    KProperty* lAnimated = lObject.CreateProperty(
        "Visibility", KProperty::GetPropertyTypeFromDataType(lVisibility), lVisibility, true);
    ASSERT_NE(lAnimated, nullptr);
    EXPECT_TRUE(lAnimated->IsAnimatable());
    EXPECT_EQ(lAnimated->GetDataType(), lVisibility);
    EXPECT_TRUE(lAnimated->SetValueAsDouble(1.0));
    EXPECT_DOUBLE_EQ(lAnimated->GetValueAsDouble(), 1.0);
}

TEST(KObjectProperties, LclPropertiesAsTheNodeBlockMakesThem)
{
    KObject lBlock;
    for (const char* lName : {"Lcl Translation", "Lcl Rotation", "Lcl Scaling"}) {
        KDataType* lType = FindDataType(lName);
        KProperty* lProperty =
            lBlock.CreateProperty(lName, KProperty::GetPropertyTypeFromDataType(lType), lType);
        ASSERT_NE(lProperty, nullptr);
        lProperty->GetDefinition().SetFlag(KPropertyDefinition::kAnimatable, true);
        lProperty->SetFlag(KProperty::kAnimated, true);
        EXPECT_EQ(lProperty->GetPropertyType(), 13);
        EXPECT_EQ(lProperty->GetDataType()->GetMemberCount(), 3);
        KVector4 lValue(9, 9, 9, 9);
        ASSERT_TRUE(lProperty->GetValue(lValue));
        EXPECT_EQ(lValue, KVector4(0, 0, 0));
        EXPECT_DOUBLE_EQ(lValue[3], 1.0);
    }
    KProperty* lScaling = lBlock.FindProperty("Lcl Scaling");
    ASSERT_TRUE(lScaling->SetValue(KVector4(1, 1, 1, 1)));
    KVector4 lValue;
    ASSERT_TRUE(lScaling->GetValue(lValue));
    EXPECT_EQ(lValue, KVector4(1, 1, 1));
    EXPECT_TRUE(lScaling->GetFlag(KProperty::kAnimated));
}

TEST(KObjectProperties, CreateUserProperty)
{
    KObject lObject;
    KUserPropertyDescription lDescription;
    lDescription.mName = "Weight";
    lDescription.mTypeName = "Real";
    lDescription.mUserFlags = 1 | 4;
    KProperty* lWeight = lObject.CreateUserProperty(lDescription);
    ASSERT_NE(lWeight, nullptr);
    EXPECT_EQ(lObject.FindProperty("Weight"), lWeight);
    EXPECT_EQ(lWeight->GetPropertyType(), kPropertyTypeDouble);
    EXPECT_EQ(lWeight->GetDataType(), FindDataType("Real"));
    const KPropertyDefinition& lDefinition = lWeight->GetDefinition();
    EXPECT_TRUE(lDefinition.GetFlag(KPropertyDefinition::kAnimatable));
    EXPECT_FALSE(lDefinition.GetFlag(KPropertyDefinition::kUserFlag2));
    EXPECT_TRUE(lDefinition.GetFlag(KPropertyDefinition::kUserFlag3));
    EXPECT_TRUE(lWeight->GetFlag(KProperty::kAnimated));
    // Without a label the name serves.
    EXPECT_STREQ(lWeight->GetLabel(), "Weight");

    lDescription = KUserPropertyDescription();
    lDescription.mName = "Tint";
    lDescription.mTypeName = "Color";
    lDescription.mLabel = "Tint colour";
    lDescription.mUserFlags = 2;
    KProperty* lTint = lObject.CreateUserProperty(lDescription);
    ASSERT_NE(lTint, nullptr);
    EXPECT_EQ(lTint->GetPropertyType(), kPropertyTypeColorRGB);
    EXPECT_STREQ(lTint->GetLabel(), "Tint colour");
    EXPECT_FALSE(lTint->IsAnimatable());
    EXPECT_FALSE(lTint->GetFlag(KProperty::kAnimated));
    EXPECT_TRUE(lTint->GetDefinition().GetFlag(KPropertyDefinition::kUserFlag2));

    const char* kTypes[][2] = {{"Bool", "2"}, {"Integer", "1"}, {"Vector", "13"}};
    for (const auto& lPair : kTypes) {
        lDescription = KUserPropertyDescription();
        lDescription.mName = lPair[0];
        lDescription.mTypeName = lPair[0];
        KProperty* lProperty = lObject.CreateUserProperty(lDescription);
        ASSERT_NE(lProperty, nullptr);
        EXPECT_EQ(lProperty->GetPropertyType(), std::stoi(lPair[1]));
    }

    lDescription.mTypeName = "Unidentified";
    EXPECT_EQ(lObject.CreateUserProperty(lDescription), nullptr);
    lDescription.mTypeName = "color";
    EXPECT_EQ(lObject.CreateUserProperty(lDescription), nullptr);
    lDescription.mTypeName = "Real";
    lDescription.mName = nullptr;
    EXPECT_EQ(lObject.CreateUserProperty(lDescription), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 5);
}

TEST(KObjectProperties, RemoveProperty)
{
    EventLog lLog;
    TestObjectA lObject(&lLog);
    KPropertyDouble lMember;
    lMember.Attach("Member", &lObject, nullptr, nullptr);
    lObject.RegisterProperty(&lMember);
    KProperty* lCreated = lObject.CreateProperty("Created", kPropertyTypeInt, nullptr);
    KPlug lPartner;
    ASSERT_TRUE(lCreated->ConnectSrc(&lPartner));
    lLog.clear();

    KProperty* lCell = lCreated;
    ASSERT_TRUE(lObject.RemoveProperty(lCell));
    EXPECT_EQ(lCell, nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 1);
    // The owned property is gone, and with it its connection.
    EXPECT_EQ(lPartner.GetDstCount(), 0);
    EXPECT_EQ(CountCode(lLog, 16), 1);
    EXPECT_EQ(CountCode(lLog, 17), 1);

    lCell = &lMember;
    ASSERT_TRUE(lObject.RemoveProperty(lCell));
    EXPECT_EQ(lObject.GetPropertyCount(), 0);
    // Not owned: still alive and usable.
    EXPECT_TRUE(lMember.SetValueAsDouble(2.0));
    EXPECT_FALSE(lObject.RemoveProperty(lCell));
    KProperty* lForeign = &lMember;
    EXPECT_FALSE(lObject.RemoveProperty(lForeign));
    EXPECT_EQ(lForeign, &lMember);
}

TEST(KObjectDestruct, LeavesNoConnectionBehind)
{
    EventLog lLog;
    RecordingPlug lParent("parent", &lLog);
    RecordingPlug lTarget("target", &lLog);
    RecordingPlug lChild("child", &lLog);
    auto* lObject = new TestObjectB(&lLog, "B");
    KPropertyDouble lMember;
    lMember.Attach("Member", lObject, nullptr, nullptr);
    lObject->RegisterProperty(&lMember);
    KProperty* lOwned = lObject->CreateProperty("Owned", kPropertyTypeDouble, nullptr);
    ASSERT_TRUE(lParent.ConnectSrc(lObject));
    ASSERT_TRUE(lObject->ConnectSrc(&lChild));
    ASSERT_TRUE(lMember.ConnectSrc(&lTarget));
    ASSERT_TRUE(lTarget.ConnectSrc(lOwned));
    KWeakHandle lOwnedHandle = lOwned->GetWeakHandle();

    lObject->Destruct();
    EXPECT_TRUE(lObject->IsDestructing());
    EXPECT_EQ(lObject->GetPropertyCount(), 0);
    EXPECT_EQ(lObject->GetSrcCount(), 0);
    EXPECT_EQ(lObject->GetDstCount(), 0);
    EXPECT_EQ(lParent.GetSrcCount(), 0);
    EXPECT_EQ(lChild.GetDstCount(), 0);
    EXPECT_EQ(lTarget.GetSrcCount(), 0);
    EXPECT_EQ(lTarget.GetDstCount(), 0);
    EXPECT_EQ(lOwnedHandle.Get(), nullptr);
    EXPECT_EQ(lMember.GetSrcCount(), 0);
    // A going-away object takes no new connection.
    EXPECT_FALSE(lParent.ConnectSrc(lObject));
    lObject->Destroy();
    // The member outlived nothing: it was part of the object's stack frame, not the object.
    EXPECT_EQ(lMember.GetOwner(), nullptr);
}

TEST(KObjectDestruct, DestroyNotifiesPartnersWhileWhole)
{
    EventLog lLog;
    RecordingPlug lParent("parent", &lLog);
    auto* lObject = new TestObjectA(&lLog, "A");
    ASSERT_TRUE(lParent.ConnectSrc(lObject));
    lLog.clear();
    KWeakHandle lHandle = lObject->GetWeakHandle();
    lObject->Destroy();
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lParent.GetSrcCount(), 0);
    ASSERT_FALSE(lLog.empty());
    // The object's own hook ran: it was still a TestObjectA when the connection went.
    EXPECT_EQ(CountCode(lLog, 9), 1);
    EXPECT_EQ(lLog[1], (EventRecord{"A", 9, lObject, &lParent}));
}

TEST(KObjectDestruct, DeletingDirectlyIsSafeToo)
{
    KPlug lPartner;
    auto* lObject = new KObject;
    KProperty* lOwned = lObject->CreateProperty("Owned", kPropertyTypeBool, nullptr);
    ASSERT_TRUE(lPartner.ConnectSrc(lOwned));
    ASSERT_TRUE(lPartner.ConnectSrc(lObject));
    delete lObject;
    EXPECT_EQ(lPartner.GetSrcCount(), 0);
}

TEST(KObjectPairs, ConnectionPairsFollowEvents10To13)
{
    KObject lObject;
    KPropertyDouble lProperty;
    lProperty.Attach("P", &lObject, nullptr, nullptr);
    lObject.RegisterProperty(&lProperty);
    KPlug lSource;
    KPlug lDestination;
    ASSERT_TRUE(lProperty.ConnectSrc(&lSource));
    ASSERT_TRUE(lDestination.ConnectSrc(&lObject));
    ASSERT_EQ(lObject.GetConnectionPairCount(), 2);
    KPlug* lFrom = nullptr;
    KPlug* lTo = nullptr;
    ASSERT_TRUE(lObject.GetConnectionPair(0, lFrom, lTo));
    EXPECT_EQ(lFrom, &lSource);
    EXPECT_EQ(lTo, &lProperty);
    ASSERT_TRUE(lObject.GetConnectionPair(1, lFrom, lTo));
    EXPECT_EQ(lFrom, &lObject);
    EXPECT_EQ(lTo, &lDestination);
    EXPECT_FALSE(lObject.GetConnectionPair(2, lFrom, lTo));

    ASSERT_TRUE(lProperty.DisconnectSrc(&lSource));
    ASSERT_EQ(lObject.GetConnectionPairCount(), 1);
    ASSERT_TRUE(lObject.GetConnectionPair(0, lFrom, lTo));
    EXPECT_EQ(lFrom, &lObject);

    // A connection inside the object is listed once.
    KPropertyDouble lOther;
    lOther.Attach("Q", &lObject, nullptr, nullptr);
    lObject.RegisterProperty(&lOther);
    ASSERT_TRUE(lProperty.ConnectSrc(&lOther));
    EXPECT_EQ(lObject.GetConnectionPairCount(), 2);
    ASSERT_TRUE(lOther.DisconnectDst(&lProperty));
    EXPECT_EQ(lObject.GetConnectionPairCount(), 1);
}

TEST(KObjectPairs, ReferencePropertyGoesWithItsConnection)
{
    KObject lObject;
    KProperty* lReference = lObject.CreateProperty(
        "Ref", KProperty::GetPropertyTypeFromDataType(FindDataType("Reference")),
        FindDataType("Reference"));
    ASSERT_NE(lReference, nullptr);
    ASSERT_EQ(lReference->GetPropertyType(), kPropertyTypeReference);
    KWeakHandle lHandle = lReference->GetWeakHandle();
    {
        KPlug lTarget;
        ASSERT_TRUE(lReference->ConnectSrc(&lTarget));
        EXPECT_EQ(lObject.GetPropertyCount(), 1);
    }
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 0);

    // Removed through a disconnection from its own side as well.
    lReference = lObject.CreateProperty("Ref2", kPropertyTypeReference, nullptr);
    lHandle = lReference->GetWeakHandle();
    KPlug lTarget;
    ASSERT_TRUE(lTarget.ConnectSrc(lReference));
    ASSERT_TRUE(lReference->DisconnectDst(&lTarget));
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 0);

    // Other kinds stay.
    KProperty* lDouble = lObject.CreateProperty("D", kPropertyTypeDouble, nullptr);
    ASSERT_TRUE(lDouble->ConnectSrc(&lTarget));
    ASSERT_TRUE(lDouble->DisconnectSrc(&lTarget));
    EXPECT_EQ(lObject.GetPropertyCount(), 1);
}

TEST(KObjectOwner, NoOwnerObjectByDefault)
{
    KObject lObject;
    EXPECT_EQ(lObject.GetOwnerObject(), nullptr);
}

TEST(ObjectList, CreateObjectListProperty)
{
    KObject lOwner;
    KPropertyObjectList* lList = KObject::CreateObjectListProperty(
        &lOwner, "LookAtProperty", true, TestObjectB::ClassId(), 7, 1, KProperty::kNotWritten);
    ASSERT_NE(lList, nullptr);
    EXPECT_EQ(lOwner.FindProperty("LookAtProperty"), lList);
    EXPECT_EQ(lList->GetOwner(), &lOwner);
    EXPECT_EQ(lList->GetPropertyType(), kPropertyTypeObject);
    const KPropertyDefinition& lDefinition = lList->GetDefinition();
    EXPECT_TRUE(lDefinition.GetFlag(KPropertyDefinition::kOwned));
    EXPECT_TRUE(lDefinition.GetFlag(KPropertyDefinition::kOwnedName));
    EXPECT_EQ(lDefinition.GetFlags() & KPropertyDefinition::kObjectList,
              KPropertyDefinition::kObjectList);
    EXPECT_EQ(lList->GetFlags(), KProperty::kNotWritten);
    EXPECT_EQ(lList->GetPlugFlags() & KPlug::kListBitsMask, 1u);
    EXPECT_TRUE(lList->GetKeepConnections());
    EXPECT_EQ(lList->GetObjectClassFilterWord(), 7);
    EXPECT_EQ(lList->GetObjectClassFilterId(), TestObjectB::ClassId());
    EXPECT_EQ(KObject::CreateObjectListProperty(nullptr, "X", true, 1, 0, 0, 0), nullptr);

    TestObjectA lA;
    TestObjectB lB1;
    TestObjectC lC;
    TestObjectB lB2;
    EXPECT_FALSE(lList->SetObjectAt(0, &lA));
    EXPECT_TRUE(lList->SetObjectAt(0, &lB1));
    EXPECT_TRUE(lList->SetObjectAt(1, &lC));
    EXPECT_FALSE(lList->SetObjectAt(3, &lB2));
    EXPECT_FALSE(lList->SetObjectAt(0, nullptr));
    ASSERT_EQ(lList->GetObjectCount(), 2);
    EXPECT_EQ(lList->GetObject(0), &lB1);
    EXPECT_EQ(lList->GetObject(1), &lC);
    EXPECT_EQ(lList->GetObject(2), nullptr);
    // Replacing disconnects the one that was there.
    EXPECT_TRUE(lList->SetObjectAt(0, &lB2));
    ASSERT_EQ(lList->GetObjectCount(), 2);
    EXPECT_EQ(lList->GetObject(0), &lB2);
    EXPECT_EQ(lList->GetObject(1), &lC);
    EXPECT_EQ(lB1.GetDstCount(), 0);
    // An object listed already moves.
    EXPECT_TRUE(lList->SetObjectAt(0, &lC));
    EXPECT_EQ(lList->GetObject(0), &lC);
    EXPECT_EQ(lList->GetObject(1), &lB2);
    EXPECT_EQ(lList->GetChangeCount(), 4);

    lList->RemoveAllObjects();
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(lC.GetDstCount(), 0);
}

TEST(ObjectList, ObjectOfAConnectedPropertyAndFilterChange)
{
    KObject lOwner;
    KPropertyObjectList lList;
    EXPECT_EQ(lList.GetObjectClassFilterWord(), -1);
    EXPECT_EQ(lList.GetObjectClassFilterId(), -1);
    EXPECT_EQ(lList.GetChangeCount(), 0);
    lList.Attach("List", &lOwner);
    KObject lOther;
    KPropertyInt lOtherProperty;
    lOtherProperty.Attach("X", &lOther, nullptr, nullptr);
    ASSERT_TRUE(lList.ConnectSrc(&lOtherProperty));
    EXPECT_EQ(lList.GetObject(0), &lOther);
    lList.SetObjectClassFilter(0, KObject::ClassId());
    EXPECT_EQ(lList.GetFilter(), GetClassIdFilter(KObject::ClassId()));
    lList.SetObjectClassFilter(0, -1);
    EXPECT_EQ(lList.GetFilter(), nullptr);
}
