#include "scene/KRyvNodeProperties.h"
#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvUserProperty.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// One row of the block's file contract.
struct GoldenProperty
{
    const char* mName;
    int mType;
    // Bool, enum and double defaults; vectors use mVector.
    double mScalar;
    KVector4 mVector;
    // Second flags word.
    unsigned mFlags;
    bool mAnimatable;
};

constexpr int kB = kPropertyTypeBool;
constexpr int kE = kPropertyTypeEnum;
constexpr int kD = kPropertyTypeDouble;
constexpr int kV = kPropertyTypeVector3D;
constexpr int kO = kPropertyTypeObject;
const KVector4 k0(0, 0, 0, 1);
const KVector4 k1(1, 1, 1, 1);

// The property order, names, types, defaults and flags scene files depend on.
std::vector<GoldenProperty> Golden(bool pResetByNode)
{
    return {
        {"QuaternionInterpolate", kB, 0, k0, 0, false},
        {"RotationOffset", kV, 0, k0, 0, false},
        {"RotationPivot", kV, 0, k0, 0, false},
        {"RotationPivotUpdateOffset", kV, 0, k0, 16, false},
        {"ScalingOffset", kV, 0, k0, 0, false},
        {"ScalingPivot", kV, 0, k0, 0, false},
        {"ScalingPivotUpdateOffset", kV, 0, k0, 16, false},
        {"TranslationActive", kB, 0, k0, 0, false},
        {"TranslationMin", kV, 0, k0, 0, false},
        {"TranslationMax", kV, 0, k0, 0, false},
        {"TranslationMinX", kB, 0, k0, 0, false},
        {"TranslationMinY", kB, 0, k0, 0, false},
        {"TranslationMinZ", kB, 0, k0, 0, false},
        {"TranslationMaxX", kB, 0, k0, 0, false},
        {"TranslationMaxY", kB, 0, k0, 0, false},
        {"TranslationMaxZ", kB, 0, k0, 0, false},
        {"RotationOrder", kE, 0, k0, 0, false},
        {"RotationSpaceForLimitOnly", kB, 0, k0, 0, false},
        {"RotationStiffnessX", kD, 0, k0, 0, false},
        {"RotationStiffnessY", kD, 0, k0, 0, false},
        {"RotationStiffnessZ", kD, 0, k0, 0, false},
        {"AxisLen", kD, 0, k0, 0, false},
        {"PreRotation", kV, 0, k0, 0, false},
        {"PostRotation", kV, 0, k0, 0, false},
        {"RotationActive", kB, 0, k0, 0, false},
        {"RotationMin", kV, 0, k0, 0, false},
        {"RotationMax", kV, 0, k0, 0, false},
        {"RotationMinX", kB, 0, k0, 0, false},
        {"RotationMinY", kB, 0, k0, 0, false},
        {"RotationMinZ", kB, 0, k0, 0, false},
        {"RotationMaxX", kB, 0, k0, 0, false},
        {"RotationMaxY", kB, 0, k0, 0, false},
        {"RotationMaxZ", kB, 0, k0, 0, false},
        {"InheritType", kE, 0, k0, 0, false},
        {"ScalingActive", kB, 0, k0, 0, false},
        {"ScalingMin", kV, 0, k0, 0, false},
        {"ScalingMax", kV, 0, k0, 0, false},
        {"ScalingMinX", kB, 0, k0, 0, false},
        {"ScalingMinY", kB, 0, k0, 0, false},
        {"ScalingMinZ", kB, 0, k0, 0, false},
        {"ScalingMaxX", kB, 0, k0, 0, false},
        {"ScalingMaxY", kB, 0, k0, 0, false},
        {"ScalingMaxZ", kB, 0, k0, 0, false},
        {"GeometricTranslation", kV, 0, k0, 0, false},
        {"GeometricRotation", kV, 0, k0, 0, false},
        {"GeometricScaling", kV, 0, pResetByNode ? k1 : k0, 0, false},
        {"LookAtProperty", kO, 0, k0, 1, false},
        {"UpVectorProperty", kO, 0, k0, 1, false},
        {"Show", kB, 1, k0, 0, false},
        {"NegativePercentShapeSupport", kB, 1, k0, 0, false},
        {"Lcl Translation", kV, 0, k0, 8, true},
        {"Lcl Rotation", kV, 0, k0, 8, true},
        {"Lcl Scaling", kV, 0, k1, 8, true},
        {"Visibility", kD, 1, k0, 8, true},
    };
}

void ExpectXYZ(const KVector4& pValue, double pX, double pY, double pZ)
{
    EXPECT_DOUBLE_EQ(pValue[0], pX);
    EXPECT_DOUBLE_EQ(pValue[1], pY);
    EXPECT_DOUBLE_EQ(pValue[2], pZ);
}

void ExpectGolden(KRyvNodeProperties& pBlock, bool pResetByNode)
{
    const std::vector<GoldenProperty> lGolden = Golden(pResetByNode);
    ASSERT_EQ(pBlock.GetPropertyCount(), 54);
    ASSERT_EQ(lGolden.size(), 54u);
    for (int lIndex = 0; lIndex < 54; ++lIndex) {
        const GoldenProperty& lRow = lGolden[static_cast<size_t>(lIndex)];
        SCOPED_TRACE(lRow.mName);
        KProperty* lProperty = pBlock.GetProperty(lIndex);
        ASSERT_NE(lProperty, nullptr);
        EXPECT_STREQ(lProperty->GetName(), lRow.mName);
        EXPECT_EQ(lProperty->GetPropertyType(), lRow.mType);
        EXPECT_EQ(lProperty->GetFlags(), lRow.mFlags);
        EXPECT_EQ(lProperty->IsAnimatable(), lRow.mAnimatable);
        EXPECT_EQ(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kObjectList),
                  lRow.mType == kO);
        EXPECT_EQ(lProperty->GetParentObject(), &pBlock);
        switch (lRow.mType) {
        case kB: {
            bool lValue = !lRow.mScalar;
            ASSERT_TRUE(lProperty->GetValue(lValue));
            EXPECT_EQ(lValue, lRow.mScalar != 0.0);
            break;
        }
        case kE:
            EXPECT_EQ(lProperty->GetValueAsInt(), 0);
            break;
        case kD:
            EXPECT_DOUBLE_EQ(lProperty->GetValueAsDouble(), lRow.mScalar);
            break;
        case kV: {
            KVector4 lValue(9, 9, 9, 9);
            ASSERT_TRUE(lProperty->GetValue(lValue));
            ExpectXYZ(lValue, lRow.mVector[0], lRow.mVector[1], lRow.mVector[2]);
            break;
        }
        case kO:
            EXPECT_EQ(static_cast<KPropertyObjectList*>(lProperty)->GetObjectCount(), 0);
            break;
        default:
            FAIL();
        }
    }
}

// A block that records the value events of its own properties.
class RecordingBlock : public KRyvNodeProperties
{
public:
    RecordingBlock() : KRyvNodeProperties(nullptr) {}

    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (pEvent == KConnectEvent::kValueChanging || pEvent == KConnectEvent::kValueChanged) {
            mEvents.push_back({static_cast<int>(pEvent), pPlug});
        }
        return KRyvNodeProperties::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    std::vector<std::pair<int, KPlug*>> mEvents;
};

struct BlockDeleter
{
    void operator()(KRyvNodeProperties* pBlock) const { pBlock->Destroy(); }
};
using BlockPtr = std::unique_ptr<KRyvNodeProperties, BlockDeleter>;

} // namespace

TEST(KRyvNodeProperties, FreeAndNodeBlocksListTheGoldenProperties)
{
    BlockPtr lBlock(new KRyvNodeProperties(nullptr));
    ExpectGolden(*lBlock, false);
    EXPECT_EQ(lBlock->GetNode(), nullptr);
    EXPECT_STREQ(lBlock->GetClassName(), "KRyvNodeProperties");
    KRyvNode lNode(nullptr, "Cube");
    ExpectGolden(*lNode.GetNodeProperties(), true);
    EXPECT_EQ(lNode.GetNodeProperties()->GetNode(), &lNode);
    EXPECT_EQ(lNode.GetNodeProperties()->GetOwnerObject(), static_cast<KObjectOwner*>(&lNode));
}

TEST(KRyvNodeProperties, EnumerationListsAndChannelDataTypes)
{
    BlockPtr lBlock(new KRyvNodeProperties(nullptr));
    KProperty* lOrder = lBlock->FindProperty("RotationOrder");
    ASSERT_NE(lOrder, nullptr);
    ASSERT_EQ(lOrder->GetEnumCount(), 7);
    EXPECT_STREQ(lOrder->GetEnumItem(0), "Euler XYZ");
    EXPECT_STREQ(lOrder->GetEnumItem(6), "Spheric XYZ");
    EXPECT_EQ(lOrder->GetEnumItem(7), nullptr);
    KProperty* lInherit = lBlock->FindProperty("InheritType");
    ASSERT_NE(lInherit, nullptr);
    ASSERT_EQ(lInherit->GetEnumCount(), 3);
    EXPECT_STREQ(lInherit->GetEnumItem(1), "RrSs");
    EXPECT_STREQ(lInherit->GetEnumItem(2), "Rrs");

    for (const char* lName : {"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility"}) {
        KProperty* lProperty = lBlock->FindProperty(lName);
        ASSERT_NE(lProperty, nullptr) << lName;
        ASSERT_NE(lProperty->GetDataType(), nullptr) << lName;
        EXPECT_STREQ(lProperty->GetDataType()->GetName(), lName);
        // Created, hence owned by the block; members are not.
        EXPECT_TRUE(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kOwned));
    }
    for (int lIndex = 0; lIndex < 50; ++lIndex) {
        EXPECT_FALSE(
            lBlock->GetProperty(lIndex)->GetDefinition().GetFlag(KPropertyDefinition::kOwned))
            << lIndex;
    }
}

// Every member written through its property with a value of its own, then all read back: each
// property reaches its own field, as readers of scene files rely on.
TEST(KRyvNodeProperties, EachPropertyRoundTripsThroughItsOwnField)
{
    BlockPtr lBlock(new KRyvNodeProperties(nullptr));
    const std::vector<GoldenProperty> lGolden = Golden(false);
    auto lValueOf = [](int pIndex) { return 2.0 + pIndex; };
    for (int lIndex = 0; lIndex < 54; ++lIndex) {
        KProperty* lProperty = lBlock->GetProperty(lIndex);
        const int lType = lGolden[static_cast<size_t>(lIndex)].mType;
        const double lValue = lValueOf(lIndex);
        if (lType == kB) {
            // Written as the opposite of the default.
            ASSERT_TRUE(lProperty->SetValue(lGolden[static_cast<size_t>(lIndex)].mScalar == 0.0));
        } else if (lType == kE) {
            ASSERT_TRUE(lProperty->SetValueAsInt(lIndex % 2 + 1));
        } else if (lType == kD) {
            ASSERT_TRUE(lProperty->SetValueAsDouble(lValue));
        } else if (lType == kV) {
            ASSERT_TRUE(lProperty->SetValue(KVector4(lValue, -lValue, lValue / 2, 5.0)));
        }
    }
    for (int lIndex = 0; lIndex < 54; ++lIndex) {
        const GoldenProperty& lRow = lGolden[static_cast<size_t>(lIndex)];
        SCOPED_TRACE(lRow.mName);
        KProperty* lProperty = lBlock->GetProperty(lIndex);
        const double lValue = lValueOf(lIndex);
        if (lRow.mType == kB) {
            bool lRead = lRow.mScalar != 0.0;
            ASSERT_TRUE(lProperty->GetValue(lRead));
            EXPECT_EQ(lRead, lRow.mScalar == 0.0);
        } else if (lRow.mType == kE) {
            EXPECT_EQ(lProperty->GetValueAsInt(), lIndex % 2 + 1);
        } else if (lRow.mType == kD) {
            EXPECT_DOUBLE_EQ(lProperty->GetValueAsDouble(), lValue);
        } else if (lRow.mType == kV) {
            KVector4 lRead;
            ASSERT_TRUE(lProperty->GetValue(lRead));
            ExpectXYZ(lRead, lValue, -lValue, lValue / 2);
            // Members answer w = 1, the created channels what they hold.
            EXPECT_DOUBLE_EQ(lRead[3], lIndex < 50 ? 1.0 : 5.0);
        }
    }
    EXPECT_EQ(lBlock->GetRotationOrder(), 1);
    EXPECT_EQ(lBlock->GetInheritType(), 2);
    ExpectXYZ(lBlock->GetPreRotation(), 24.0, -24.0, 12.0);
    EXPECT_DOUBLE_EQ(lBlock->GetPreRotation()[3], 1.0);
    EXPECT_TRUE(lBlock->GetScalingMaxZ());
    EXPECT_FALSE(lBlock->GetShow());
}

TEST(KRyvNodeProperties, AccessorWritesAreSilentSetValueSendsBeforeAndAfter)
{
    std::unique_ptr<RecordingBlock, BlockDeleter> lBlock(new RecordingBlock);
    lBlock->mEvents.clear();
    lBlock->SetPreRotation(KVector4(10, 20, 30));
    lBlock->SetTranslationActive(true);
    lBlock->SetAxisLen(2.0);
    lBlock->SetInheritType(1);
    EXPECT_TRUE(lBlock->mEvents.empty());

    KProperty* lPre = lBlock->FindProperty("PreRotation");
    ASSERT_TRUE(lPre->SetValue(KVector4(1, 2, 3)));
    ASSERT_EQ(lBlock->mEvents.size(), 2u);
    EXPECT_EQ(lBlock->mEvents[0].first, 18);
    EXPECT_EQ(lBlock->mEvents[1].first, 19);
    EXPECT_EQ(lBlock->mEvents[0].second, lPre);
    EXPECT_EQ(lBlock->mEvents[1].second, lPre);
    ExpectXYZ(lBlock->GetPreRotation(), 1, 2, 3);
}

TEST(KRyvNodeProperties, TargetListsAcceptOnlyNodeBlocks)
{
    BlockPtr lBlock(new KRyvNodeProperties(nullptr));
    BlockPtr lTarget(new KRyvNodeProperties(nullptr));
    KObject* lPlain = new KObject;
    for (const char* lName : {"LookAtProperty", "UpVectorProperty"}) {
        SCOPED_TRACE(lName);
        auto* lList = static_cast<KPropertyObjectList*>(lBlock->FindProperty(lName));
        ASSERT_NE(lList, nullptr);
        ASSERT_TRUE(lList->IsA(KPropertyObjectList::ClassId()));
        EXPECT_EQ(lList->GetObjectClassFilterId(), KRyvNodeProperties::ClassId());
        EXPECT_EQ(lList->GetPlugFlags() & 7u, 1u);
        EXPECT_FALSE(lList->ConnectSrc(lPlain));
        EXPECT_FALSE(lList->SetObjectAt(0, lPlain));
        EXPECT_EQ(lList->GetObjectCount(), 0);
        EXPECT_TRUE(lList->ConnectSrc(lTarget.get()));
        ASSERT_EQ(lList->GetObjectCount(), 1);
        EXPECT_EQ(lList->GetObject(0), lTarget.get());
    }
    lPlain->Destroy();
    // The target going away empties both lists.
    lTarget.reset();
    EXPECT_EQ(
        static_cast<KPropertyObjectList*>(lBlock->FindProperty("LookAtProperty"))->GetObjectCount(),
        0);
}

TEST(KRyvNodeProperties, DestroyAndDeleteFreeTheCreatedChannelsOnce)
{
    // Under AddressSanitizer: neither path deletes an embedded member or a channel twice.
    KRyvNodeProperties* lDestroyed = new KRyvNodeProperties(nullptr);
    KProperty* lScaling = lDestroyed->FindProperty("Lcl Scaling");
    const KWeakHandle lHandle = lScaling->GetWeakHandle();
    lDestroyed->Destroy();
    EXPECT_EQ(lHandle.Get(), nullptr);

    auto* lDeleted = new KRyvNodeProperties(nullptr);
    BlockPtr lOther(new KRyvNodeProperties(nullptr));
    ASSERT_TRUE(lOther->ConnectSrc(lDeleted));
    const KWeakHandle lVisibility = lDeleted->FindProperty("Visibility")->GetWeakHandle();
    delete lDeleted;
    EXPECT_EQ(lVisibility.Get(), nullptr);
    EXPECT_EQ(lOther->GetSrcCount(), 0);
}

TEST(KRyvNodeProperties, UserPropertyChangesReachTheDefaultTake)
{
    KRyvNode lNode(nullptr, "Cube");
    KRyvNodeProperties* lBlock = lNode.GetNodeProperties();
    KRyvUserProperty* lUser = lNode.FindUserProperty("Lcl Translation");
    ASSERT_NE(lUser, nullptr);
    EXPECT_EQ(lUser->GetNotifyTarget(), static_cast<KRyvUserPropertyNotifyTarget*>(lBlock));
    ASSERT_TRUE(lUser->SetValue(1.5, 2.5, 3.25));
    KRyvTakeNode* lTake = lNode.GetDefaultTakeNode();
    ASSERT_NE(lTake, nullptr);
    ASSERT_NE(lTake->GetTransformTX(), nullptr);
    EXPECT_FLOAT_EQ(lTake->GetTransformTX()->GetDefaultValue(), 1.5f);
    EXPECT_FLOAT_EQ(lTake->GetTransformTZ()->GetDefaultValue(), 3.25f);
    // A null user property and a free block are ignored.
    lBlock->OnUserPropertyChanged(nullptr);
    BlockPtr lFree(new KRyvNodeProperties(nullptr));
    lFree->OnUserPropertyChanged(lUser);
    EXPECT_FLOAT_EQ(lTake->GetTransformTY()->GetDefaultValue(), 2.5f);
}

// The nodes of one factory hold one set of definitions between them: a change made through one
// node's properties must reach neither the other nodes nor the nodes made after it.
TEST(KRyvNodeProperties, ADefinitionChangedOnOneNodeStaysOnIt)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lChanged = lFactory.CreateNode("Changed");
    KRyvNode* lOther = lFactory.CreateNode("Other");
    ASSERT_TRUE(lChanged && lOther);
    KRyvNodeProperties& lBlock = *lChanged->GetNodeProperties();
    for (int lIndex = 0; lIndex < lBlock.GetPropertyCount(); ++lIndex) {
        KProperty* lProperty = lBlock.GetProperty(lIndex);
        lProperty->SetMinimum(-5.0);
        lProperty->SetMaximum(7.0);
        lProperty->SetLabel("Changed");
        lProperty->SetFlag(KProperty::kReadOnly, !lProperty->GetFlag(KProperty::kReadOnly));
        lProperty->GetDefinition().SetFlag(KPropertyDefinition::kUserFlag2, true);
    }
    KRyvNode* lLater = lFactory.CreateNode("Later");
    ASSERT_NE(lLater, nullptr);
    for (KRyvNode* lNode : {lOther, lLater}) {
        const KRyvNodeProperties& lUntouched = *lNode->GetNodeProperties();
        for (int lIndex = 0; lIndex < lUntouched.GetPropertyCount(); ++lIndex) {
            const KProperty* lProperty = lUntouched.GetProperty(lIndex);
            SCOPED_TRACE(lProperty->GetName());
            EXPECT_EQ(lProperty->GetMinimum(), -std::numeric_limits<double>::infinity());
            EXPECT_EQ(lProperty->GetMaximum(), std::numeric_limits<double>::infinity());
            EXPECT_EQ(lProperty->GetLabel(), nullptr);
            EXPECT_FALSE(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kUserFlag2));
        }
        ExpectGolden(*lNode->GetNodeProperties(), true);
    }
    for (int lIndex = 0; lIndex < lBlock.GetPropertyCount(); ++lIndex) {
        const KProperty* lProperty = lBlock.GetProperty(lIndex);
        SCOPED_TRACE(lProperty->GetName());
        EXPECT_EQ(lProperty->GetMinimum(), -5.0);
        EXPECT_EQ(lProperty->GetMaximum(), 7.0);
        EXPECT_STREQ(lProperty->GetLabel(), "Changed");
        EXPECT_TRUE(lProperty->GetDefinition().GetFlag(KPropertyDefinition::kUserFlag2));
    }
}
