#include "character/KRyvCharacterProperties.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvSolverParameterTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using EProperty = KRyvCharacterProperties::EProperty;

class KRyvCharacterPropertiesTest : public ::testing::Test
{
protected:
    KRyvCharacter mCharacter{nullptr, "Bob"};
    KRyvCharacterProperties& mProperties = *mCharacter.GetCharacterProperties();
    KRyvSolverParameterValues& mValues = mCharacter.GetParameterValues();
};

TEST_F(KRyvCharacterPropertiesTest, RegistrationOrderTypesAndFlags)
{
    ASSERT_EQ(mProperties.GetPropertyCount(), 383);
    EXPECT_EQ(KRyvCharacterProperties::kTypedPropertyCount, 191);
    const std::pair<int, const char*> kPlaces[] = {{0, "Active"},
                                                   {2, "Weight"},
                                                   {3, "PullIterationCount"},
                                                   {6, "ScaleCompensation"},
                                                   {7, "ScaleCompensationMode"},
                                                   {13, "AnkleProximityCompensationMode"},
                                                   {14, "MassCenterCompensation"},
                                                   {38, "ReachActorLeftAnkleRotation"},
                                                   {45, "HipsTOffset"},
                                                   {47, "LeftUpLegRoll"},
                                                   {48, "LeftUpLegRollMode"},
                                                   {63, "RollExtractionMode"},
                                                   {123, "CtrlNeckStiffness"},
                                                   {124, "MirrorMode"},
                                                   {132, "SyncMode"},
                                                   {158, "AnkleStabilizationRecoveryTimeMode"},
                                                   {182, "RightFootExtraFingerTip"},
                                                   {183, "FingerSolving"},
                                                   {190, "ContactBehaviour"},
                                                   {191, "HipsLink"},
                                                   {377, "RightFootExtraFinger4Link"},
                                                   {378, "SourceObject"},
                                                   {379, "DestinationObject"},
                                                   {380, "Actor"},
                                                   {381, "Character"},
                                                   {382, "ControlSet"}};
    for (const auto& lPlace : kPlaces) {
        EXPECT_STREQ(mProperties.GetProperty(lPlace.first)->GetName(), lPlace.second);
    }
    EXPECT_EQ(mProperties.GetLinkProperty(68), nullptr);
    EXPECT_EQ(mProperties.GetLinkId(mProperties.FindProperty("ReferenceLink")), 67);
    EXPECT_EQ(mProperties.GetLinkId(mProperties.FindProperty("Active")), -1);
    EXPECT_EQ(mProperties.GetLinkId(nullptr), -1);
    int lAnimatable = 0;
    int lReadOnly = 0;
    for (int i = 0; i < KRyvCharacterProperties::kTypedPropertyCount; ++i) {
        EXPECT_EQ(mProperties.GetTypedProperty(static_cast<EProperty>(i)),
                  mProperties.GetProperty(i));
        lAnimatable += mProperties.GetProperty(i)->IsAnimatable() ? 1 : 0;
        lReadOnly += mProperties.GetProperty(i)->GetFlag(KProperty::kReadOnly) ? 1 : 0;
    }
    // Weight, 4 compensations, 8 rolls, 12 damping and stabilisation values, and the 75
    // read-only ones.
    EXPECT_EQ(lReadOnly, 75);
    EXPECT_EQ(lAnimatable, 1 + 4 + 8 + 12 + 75);
    EXPECT_EQ(mProperties.GetTypedProperty(EProperty::Count), nullptr);
    EXPECT_EQ(mProperties.GetOwnerObject(), &mCharacter);

    const std::pair<const char*, int> kTypes[] = {{"Active", 2},   {"Weight", 4},
                                                  {"Posture", 6},  {"HipsTOffset", 13},
                                                  {"HipsLink", 9}, {"ControlSet", 9}};
    for (const auto& lType : kTypes) {
        EXPECT_EQ(mProperties.FindProperty(lType.first)->GetPropertyType(), lType.second);
    }
    for (const char* lName : {"MassCenterCompensation", "ChestTOffset"}) {
        EXPECT_TRUE(mProperties.FindProperty(lName)->GetFlag(KProperty::kReadOnly)) << lName;
    }
    EXPECT_TRUE(mProperties.FindProperty("SyncMode")->GetFlag(1));
    EXPECT_TRUE(mProperties.FindProperty("OrientationDamping")->IsAnimatable());
    EXPECT_FALSE(mProperties.FindProperty("PullIterationCount")->IsAnimatable());
    EXPECT_FALSE(mProperties.FindProperty("OrientationDampingMode")->IsAnimatable());
    const std::pair<const char*, int> kEnumCounts[] = {
        {"ContactBehaviour", 3}, {"DisplacementMemoryMode", 2}, {"OrientationDampingMode", 3}};
    for (const auto& lCount : kEnumCounts) {
        EXPECT_EQ(mProperties.FindProperty(lCount.first)->GetEnumCount(), lCount.second);
    }
    EXPECT_STREQ(mProperties.FindProperty("Posture")->GetEnumItem(1), "Quadruped");
    EXPECT_STREQ(mProperties.FindProperty("HandContactType")->GetEnumItem(2), "FingerBase");
    EXPECT_TRUE(mProperties.GetSourceObject().GetKeepConnections());
    EXPECT_TRUE(mProperties.GetDestinationObject().GetKeepConnections());
    EXPECT_FALSE(mProperties.GetActor().GetKeepConnections());
    EXPECT_EQ(mProperties.GetDestinationObject().GetPlugFlags() & KPlug::kListBitsMask, 2u);
    EXPECT_EQ(mProperties.GetControlSet().GetPlugFlags() & KPlug::kListBitsMask, 1u);
}

TEST_F(KRyvCharacterPropertiesTest, NewCharacterDefaults)
{
    EXPECT_TRUE(mProperties.GetActive() && mProperties.GetSyncMode());
    EXPECT_FALSE(mProperties.GetLock() || mProperties.GetLeftUpLegRollMode());
    EXPECT_EQ(mProperties.GetScaleCompensationMode(), 1);
    EXPECT_EQ(mProperties.GetHandFingerContactMode(), 1);
    const std::pair<const char*, double> kValues[] = {{"Weight", 100.0},
                                                      {"ScaleCompensation", 0.0},
                                                      {"LeftUpLegRoll", 60.0},
                                                      {"FootBottomToAnkle", 7.5},
                                                      {"PullIterationCount", 10.0},
                                                      {"MassCenterCompensation", 80.0},
                                                      {"ReachActorLeftAnkleRotation", 100.0},
                                                      {"CtrlEnforceGravity", 60.0}};
    for (const auto& lValue : kValues) {
        EXPECT_DOUBLE_EQ(mProperties.FindProperty(lValue.first)->GetValueAsDouble(), lValue.second)
            << lValue.first;
    }
    EXPECT_DOUBLE_EQ(mProperties.GetFootBottomToAnkle(), 7.5);
    const KVector4 lOffset = mProperties.GetHipsTOffset();
    EXPECT_TRUE(lOffset[0] == 0.0 && lOffset[2] == 0.0 && lOffset[3] == 1.0);
}

TEST_F(KRyvCharacterPropertiesTest, Clamps)
{
    mProperties.SetPullIterationCount(45.0);
    EXPECT_DOUBLE_EQ(mProperties.GetPullIterationCount(), 30.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(0), 30.0);
    mProperties.SetPullIterationCount(-3.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(0), 0.0);
    mProperties.SetPullIterationCount(30.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(0), 30.0);
    mProperties.SetFootBottomToAnkle(0.0);
    EXPECT_DOUBLE_EQ(mProperties.GetFootBottomToAnkle(), 0.01);
    mProperties.SetHandContactSize(1000.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(62), 1000.0);
    mProperties.SetLeftHandThumbTip(5000.0);
    EXPECT_DOUBLE_EQ(mProperties.GetLeftHandThumbTip(), 1000.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(141), 1000.0);
    mProperties.SetRightFootExtraFingerTip(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(mValues.GetValue(164), 0.01);
    // SetValue on the property goes through the same clamp.
    mProperties.FindProperty("FootOutToAnkle")->SetValue(-1.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(50), 0.01);
    // Unclamped properties take anything.
    mProperties.SetWeight(250.0);
    EXPECT_DOUBLE_EQ(mProperties.GetWeight(), 250.0);
}

TEST_F(KRyvCharacterPropertiesTest, SettersWriteTheBlock)
{
    mProperties.SetPosture(1);
    EXPECT_DOUBLE_EQ(mValues.GetValue(1), 1.0);
    EXPECT_EQ(mProperties.GetPosture(), 1);
    mProperties.SetLeftUpLegRollMode(true);
    EXPECT_EQ(mValues.GetMode(67), 1);
    // Rolls and damping values write their parameter too, so the block never drifts.
    mProperties.SetLeftUpLegRoll(0.5);
    EXPECT_DOUBLE_EQ(mValues.GetValue(67), 0.5);
    EXPECT_EQ(mValues.GetMode(67), 1);
    mProperties.SetAnkleStabilizationDamping(4.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(87), 4.0);
    mProperties.SetFootContactType(3);
    EXPECT_DOUBLE_EQ(mValues.GetValue(170), 3.0);
    mProperties.SetMirrorMode(true);
    EXPECT_EQ(mValues.GetMode(125), 1);
    EXPECT_EQ(mValues.GetMode(126), 0);
    // Properties without a parameter leave the block alone.
    mProperties.SetScaleCompensation(42.0);
    EXPECT_DOUBLE_EQ(mValues.GetValue(3), 100.0);
    mProperties.SetActive(false);
    EXPECT_FALSE(mProperties.GetActive());
}

TEST_F(KRyvCharacterPropertiesTest, ModesRefusedByTheBlockAreRefusedByTheProperty)
{
    mProperties.SetScaleCompensationMode(5);
    EXPECT_EQ(mProperties.GetScaleCompensationMode(), 1);
    EXPECT_EQ(mValues.GetMode(3), 1);
    int lCached = -1;
    ASSERT_TRUE(mProperties.FindProperty("ScaleCompensationMode")->GetValue(lCached));
    EXPECT_EQ(lCached, 1);
    mProperties.SetScaleCompensationMode(2);
    EXPECT_EQ(mProperties.GetScaleCompensationMode(), 2);
    EXPECT_EQ(mValues.GetMode(3), 2);
    // Kind 3 takes 0 and 1 only.
    mProperties.SetDisplacementMemoryMode(2);
    EXPECT_EQ(mProperties.GetDisplacementMemoryMode(), 0);
    mProperties.SetDisplacementMemoryMode(1);
    EXPECT_EQ(mValues.GetMode(78), 1);
}

TEST_F(KRyvCharacterPropertiesTest, BlockChangesShowInTheProperties)
{
    mValues.SetValue(45, 20.0);
    EXPECT_DOUBLE_EQ(mProperties.GetFootBottomToAnkle(), 20.0);
    double lValue = 0.0;
    ASSERT_TRUE(mProperties.FindProperty("FootBottomToAnkle")->GetValue(lValue));
    EXPECT_DOUBLE_EQ(lValue, 20.0);
    mValues.SetValue(38, 1.0);
    mValues.SetValue(39, 2.0);
    mValues.SetValue(40, 3.0);
    const KVector4 lOffset = mProperties.GetHipsTOffset();
    EXPECT_EQ(lOffset[0], 1.0);
    EXPECT_EQ(lOffset[1], 2.0);
    EXPECT_EQ(lOffset[2], 3.0);
    EXPECT_EQ(lOffset[3], 1.0);
    mValues.SetValue(53, 2.9);
    EXPECT_EQ(mProperties.GetFootFloorPivot(), 2);
    mValues.SetValue(53, 1e300);
    EXPECT_EQ(mProperties.GetFootFloorPivot(), 0);
    mValues.SetMode(176, 0);
    EXPECT_FALSE(mProperties.GetSyncMode());
    mProperties.LoadSolverParameters();
    bool lSync = true;
    ASSERT_TRUE(mProperties.FindProperty("SyncMode")->GetValue(lSync));
    EXPECT_FALSE(lSync);
}

// Every parameter-backed property, written through its property, agrees with the block.
TEST_F(KRyvCharacterPropertiesTest, EveryParameterPropertyAgreesWithTheBlock)
{
    for (int i = 0; i < KRyvCharacterProperties::kTypedPropertyCount; ++i) {
        const EProperty lId = static_cast<EProperty>(i);
        const int lParameter = KRyvCharacterProperties::GetParameterIndex(lId);
        KProperty* lProperty = mProperties.GetTypedProperty(lId);
        if (lParameter < 0) {
            continue;
        }
        switch (lProperty->GetPropertyType()) {
        case kPropertyTypeBool:
            ASSERT_TRUE(lProperty->SetValue(true));
            EXPECT_EQ(mValues.GetMode(lParameter), 1) << lProperty->GetName();
            break;
        case kPropertyTypeDouble:
            ASSERT_TRUE(lProperty->SetValue(0.75));
            EXPECT_DOUBLE_EQ(mValues.GetValue(lParameter), 0.75) << lProperty->GetName();
            break;
        case kPropertyTypeEnum: {
            ASSERT_TRUE(lProperty->SetValue(1));
            const bool lInMode = mValues.GetMode(lParameter) == 1;
            const bool lInValue = mValues.GetValue(lParameter) == 1.0;
            EXPECT_TRUE(lInMode || lInValue) << lProperty->GetName();
            break;
        }
        case kPropertyTypeVector3D: {
            ASSERT_TRUE(lProperty->SetValue(KVector4(4.0, 5.0, 6.0, 0.0)));
            EXPECT_DOUBLE_EQ(mValues.GetValue(lParameter), 4.0);
            EXPECT_DOUBLE_EQ(mValues.GetValue(lParameter + 2), 6.0);
            KVector4 lRead;
            ASSERT_TRUE(lProperty->GetValue(lRead));
            EXPECT_EQ(lRead[1], 5.0);
            EXPECT_EQ(lRead[3], 1.0);
            continue;
        }
        default:
            ADD_FAILURE() << lProperty->GetName();
        }
        EXPECT_DOUBLE_EQ(lProperty->GetValueAsDouble(),
                         lProperty->GetPropertyType() == kPropertyTypeDouble ? 0.75 : 1.0)
            << lProperty->GetName();
    }
    // Spot checks of where they landed.
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::ReachActorLeftAnkleRotation),
              31);
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::CtrlNeckStiffness), 124);
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::FootFingerContactRollStiffness),
              173);
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::ContactBehaviour), 174);
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::Weight), -1);
    EXPECT_EQ(KRyvCharacterProperties::GetParameterIndex(EProperty::Count), -1);
}

TEST(KRyvCharacterPropertiesStandaloneTest, WithoutCharacterValuesStayLocal)
{
    KRyvCharacterProperties* lProperties = new KRyvCharacterProperties(nullptr);
    EXPECT_EQ(lProperties->GetPropertyCount(), 383);
    lProperties->SetFootBottomToAnkle(5000.0);
    EXPECT_DOUBLE_EQ(lProperties->GetFootBottomToAnkle(), 1000.0);
    lProperties->SetScaleCompensationMode(2);
    EXPECT_EQ(lProperties->GetScaleCompensationMode(), 2);
    lProperties->Destroy();
}

} // namespace
