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

KProperty* CreateOfDataType(KObject& ioObject, const char* pName)
{
    KDataType* lType = FindDataType(pName);
    return ioObject.CreateProperty(pName, KProperty::GetPropertyTypeFromDataType(lType), lType);
}

} // namespace

TEST(KObjectProperties, RegistrationOrderEventsLookupAndMembersThatDie)
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
    EXPECT_FALSE(lObject.RegisterProperty(&lFirst) || lObject.RegisterProperty(nullptr));
    ASSERT_EQ(lObject.GetPropertyCount(), 2);
    EXPECT_TRUE(lObject.GetProperty(0) == &lFirst && lObject.GetProperty(1) == &lSecond);
    EXPECT_TRUE(lObject.GetProperty(2) == nullptr && lObject.GetProperty(-1) == nullptr);
    EXPECT_EQ(lObject.FindProperty("Second"), &lSecond);
    for (const char* lName : {"second", "Second ", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(lObject.FindProperty(lName), nullptr);
    }
    EXPECT_EQ(lFirst.GetParentObject(), &lObject);
    {
        KPropertyInt lShortLived;
        lShortLived.Attach("Short", &lObject);
        ASSERT_TRUE(lObject.RegisterProperty(&lShortLived));
        EXPECT_EQ(lObject.GetPropertyCount(), 3);
    }
    EXPECT_EQ(lObject.GetPropertyCount(), 2);
    EXPECT_EQ(lObject.FindProperty("Short"), nullptr);
}

TEST(KObjectProperties, CreatePropertyOfEveryTypeAndOfDataTypes)
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
    EXPECT_TRUE(lObject.GetProperty(kPropertyTypeObject)->IsA(KPropertyObjectList::ClassId()));
    EXPECT_EQ(lObject.CreateProperty("Bad", kPropertyTypeCount, nullptr), nullptr);
    EXPECT_EQ(lObject.CreateProperty("Bad", -1, nullptr), nullptr);
    EXPECT_EQ(lObject.CreateProperty(nullptr, kPropertyTypeDouble, nullptr), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), kPropertyTypeCount);

    KDataType* lVisibility = FindDataType("Visibility");
    KProperty* lAnimated =
        lObject.CreateProperty("Visibility", kPropertyTypeDouble, lVisibility, true);
    ASSERT_NE(lAnimated, nullptr);
    EXPECT_TRUE(lAnimated->IsAnimatable());
    EXPECT_EQ(lAnimated->GetDataType(), lVisibility);
    EXPECT_TRUE(lAnimated->SetValueAsDouble(1.0));
    EXPECT_DOUBLE_EQ(lAnimated->GetValueAsDouble(), 1.0);

    // The node's transform block: vectors of three members that read back (0, 0, 0, 1).
    KObject lBlock;
    for (const char* lName : {"Lcl Translation", "Lcl Rotation", "Lcl Scaling"}) {
        KProperty* lProperty = CreateOfDataType(lBlock, lName);
        ASSERT_NE(lProperty, nullptr);
        EXPECT_EQ(lProperty->GetPropertyType(), kPropertyTypeVector3D);
        KVector4 lValue(9, 9, 9, 9);
        ASSERT_TRUE(lProperty->GetValue(lValue));
        EXPECT_TRUE(lValue == KVector4(0, 0, 0) && lValue[3] == 1.0);
    }
}

TEST(KObjectProperties, CreateUserProperty)
{
    KObject lObject;
    KProperty* lWeight = lObject.CreateUserProperty({"Weight", "Real", nullptr, 1 | 4});
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

    KProperty* lTint = lObject.CreateUserProperty({"Tint", "Color", "Tint colour", 2});
    ASSERT_NE(lTint, nullptr);
    EXPECT_EQ(lTint->GetPropertyType(), kPropertyTypeColorRGB);
    EXPECT_STREQ(lTint->GetLabel(), "Tint colour");
    EXPECT_FALSE(lTint->IsAnimatable() || lTint->GetFlag(KProperty::kAnimated));
    EXPECT_TRUE(lTint->GetDefinition().GetFlag(KPropertyDefinition::kUserFlag2));

    EXPECT_EQ(lObject.CreateUserProperty({"X", "Unidentified", nullptr, 0}), nullptr);
    EXPECT_EQ(lObject.CreateUserProperty({"X", "color", nullptr, 0}), nullptr);
    EXPECT_EQ(lObject.CreateUserProperty({nullptr, "Real", nullptr, 0}), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 2);
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
    ASSERT_TRUE(lParent.ConnectSrc(lObject) && lObject->ConnectSrc(&lChild));
    ASSERT_TRUE(lMember.ConnectSrc(&lTarget) && lTarget.ConnectSrc(lOwned));
    KWeakHandle lOwnedHandle = lOwned->GetWeakHandle();
    // Properties that never connected go the same way, owned or not.
    KProperty* lIdle = lObject->CreateProperty("Idle", kPropertyTypeDouble, nullptr);
    KWeakHandle lIdleHandle = lIdle->GetWeakHandle();
    KPropertyDouble lIdleMember;
    lIdleMember.Attach("IdleMember", lObject, nullptr, nullptr);
    lObject->RegisterProperty(&lIdleMember);

    lObject->Destruct();
    EXPECT_EQ(lIdleHandle.Get(), nullptr);
    EXPECT_EQ(lIdleMember.GetOwner(), lObject);
    // Forgotten by the object: another may take it.
    KObject lOther;
    EXPECT_TRUE(lOther.RegisterProperty(&lIdleMember));
    EXPECT_TRUE(lObject->IsDestructing());
    EXPECT_EQ(lObject->GetPropertyCount(), 0);
    EXPECT_EQ(lObject->GetSrcCount() + lObject->GetDstCount(), 0);
    EXPECT_EQ(lParent.GetSrcCount() + lChild.GetDstCount(), 0);
    EXPECT_EQ(lTarget.GetSrcCount() + lTarget.GetDstCount() + lMember.GetSrcCount(), 0);
    EXPECT_EQ(lOwnedHandle.Get(), nullptr);
    // A going-away object takes no new connection.
    EXPECT_FALSE(lParent.ConnectSrc(lObject));
    lObject->Destroy();
    EXPECT_EQ(lMember.GetOwner(), nullptr);

    // Destroy lets the object's own hook run while it is still whole.
    auto* lWhole = new TestObjectA(&lLog, "A");
    ASSERT_TRUE(lParent.ConnectSrc(lWhole));
    lLog.clear();
    KWeakHandle lHandle = lWhole->GetWeakHandle();
    lWhole->Destroy();
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lParent.GetSrcCount(), 0);
    EXPECT_EQ(CountCode(lLog, 9), 1);
    ASSERT_GE(lLog.size(), 2u);
    EXPECT_EQ(lLog[1], (EventRecord{"A", 9, lWhole, &lParent}));

    // Deleting directly is safe too.
    auto* lDeleted = new KObject;
    ASSERT_TRUE(lParent.ConnectSrc(lDeleted->CreateProperty("Owned", kPropertyTypeBool, nullptr)));
    ASSERT_TRUE(lParent.ConnectSrc(lDeleted));
    delete lDeleted;
    EXPECT_EQ(lParent.GetSrcCount(), 0);
}

TEST(KObjectPairs, ConnectionPairsFollowEvents10To13)
{
    KObject lObject;
    KPropertyDouble lProperty;
    lProperty.Attach("P", &lObject, nullptr, nullptr);
    lObject.RegisterProperty(&lProperty);
    KPlug lSource;
    KPlug lDestination;
    ASSERT_TRUE(lProperty.ConnectSrc(&lSource) && lDestination.ConnectSrc(&lObject));
    ASSERT_EQ(lObject.GetConnectionPairCount(), 2);
    KPlug* lFrom = nullptr;
    KPlug* lTo = nullptr;
    ASSERT_TRUE(lObject.GetConnectionPair(0, lFrom, lTo));
    EXPECT_TRUE(lFrom == &lSource && lTo == &lProperty);
    ASSERT_TRUE(lObject.GetConnectionPair(1, lFrom, lTo));
    EXPECT_TRUE(lFrom == &lObject && lTo == &lDestination);
    EXPECT_FALSE(lObject.GetConnectionPair(2, lFrom, lTo) ||
                 lObject.GetConnectionPair(-1, lFrom, lTo));

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
    // A property that dies takes its pairs along.
    {
        KPropertyDouble lShort;
        lShort.Attach("S", &lObject);
        lObject.RegisterProperty(&lShort);
        ASSERT_TRUE(lShort.ConnectSrc(&lSource));
        EXPECT_EQ(lObject.GetConnectionPairCount(), 2);
    }
    EXPECT_EQ(lObject.GetConnectionPairCount(), 1);
}

TEST(KObjectPairs, ReferencePropertyGoesWithItsConnection)
{
    KObject lObject;
    KProperty* lReference = CreateOfDataType(lObject, "Reference");
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

    // Removed through a disconnection from its own side as well, once it has no partner left.
    lReference = lObject.CreateProperty("Ref2", kPropertyTypeReference, nullptr);
    lHandle = lReference->GetWeakHandle();
    KPlug lTarget;
    KPlug lSecond;
    ASSERT_TRUE(lTarget.ConnectSrc(lReference) && lSecond.ConnectSrc(lReference));
    ASSERT_TRUE(lReference->DisconnectDst(&lTarget));
    EXPECT_EQ(lHandle.Get(), lReference);
    ASSERT_TRUE(lReference->DisconnectDst(&lSecond));
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lObject.GetPropertyCount(), 0);

    // Other kinds stay.
    KProperty* lDouble = lObject.CreateProperty("D", kPropertyTypeDouble, nullptr);
    ASSERT_TRUE(lDouble->ConnectSrc(&lTarget) && lDouble->DisconnectSrc(&lTarget));
    EXPECT_EQ(lObject.GetPropertyCount(), 1);
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
    EXPECT_FALSE(lList->SetObjectAt(3, &lB2) || lList->SetObjectAt(-1, &lB2));
    EXPECT_FALSE(lList->SetObjectAt(0, nullptr));
    ASSERT_EQ(lList->GetObjectCount(), 2);
    EXPECT_TRUE(lList->GetObject(0) == &lB1 && lList->GetObject(1) == &lC);
    EXPECT_EQ(lList->GetObject(2), nullptr);
    // Replacing disconnects the one that was there.
    EXPECT_TRUE(lList->SetObjectAt(0, &lB2));
    ASSERT_EQ(lList->GetObjectCount(), 2);
    EXPECT_TRUE(lList->GetObject(0) == &lB2 && lList->GetObject(1) == &lC);
    EXPECT_EQ(lB1.GetDstCount(), 0);
    // An object listed already moves.
    EXPECT_TRUE(lList->SetObjectAt(0, &lC));
    EXPECT_TRUE(lList->GetObject(0) == &lC && lList->GetObject(1) == &lB2);
    EXPECT_EQ(lList->GetChangeCount(), 4);
    lList->RemoveAllObjects();
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(lC.GetDstCount(), 0);

    // A connected property stands for its object; the filter follows the class id.
    KPropertyObjectList lPlain;
    EXPECT_EQ(lPlain.GetObjectClassFilterWord(), -1);
    EXPECT_EQ(lPlain.GetObjectClassFilterId(), -1);
    lPlain.Attach("List", &lOwner);
    KPropertyInt lOtherProperty;
    lOtherProperty.Attach("X", &lA, nullptr, nullptr);
    ASSERT_TRUE(lPlain.ConnectSrc(&lOtherProperty));
    EXPECT_EQ(lPlain.GetObject(0), &lA);
    lPlain.SetObjectClassFilter(0, KObject::ClassId());
    EXPECT_EQ(lPlain.GetFilter(), GetClassIdFilter(KObject::ClassId()));
    lPlain.SetObjectClassFilter(0, -1);
    EXPECT_EQ(lPlain.GetFilter(), nullptr);
}
