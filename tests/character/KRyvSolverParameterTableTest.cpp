#include "character/KRyvSolverParameterTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

using T = KRyvSolverParameterTable;

TEST(KRyvSolverParameterTableTest, CountFirstAndLastEntries)
{
    EXPECT_EQ(T::GetSolverParameterCount(), 177);
    const KRyvSolverParameterEntry* lFirst = T::GetEntry(0);
    ASSERT_NE(lFirst, nullptr);
    EXPECT_STREQ(lFirst->mName, "PullIterationCount");
    EXPECT_EQ(lFirst->mModeKind, 0);
    EXPECT_EQ(lFirst->mDefaultMode, 0);
    EXPECT_DOUBLE_EQ(lFirst->mDefaultValue, 10.0);
    const KRyvSolverParameterEntry* lLast = T::GetEntry(176);
    ASSERT_NE(lLast, nullptr);
    EXPECT_STREQ(lLast->mName, "SyncMode");
    EXPECT_EQ(lLast->mModeKind, 1);
    EXPECT_EQ(lLast->mDefaultMode, 1);
    EXPECT_DOUBLE_EQ(lLast->mDefaultValue, 0.0);
    EXPECT_EQ(T::GetEntry(-1), nullptr);
    EXPECT_EQ(T::GetEntry(177), nullptr);
    EXPECT_EQ(T::GetSolverParameterName(177), nullptr);
    EXPECT_EQ(T::GetSolverParameterName(-1), nullptr);
}

TEST(KRyvSolverParameterTableTest, LookupIsByteExact)
{
    EXPECT_EQ(T::GetSolverParameterIndex("PullIterationCount"), 0);
    EXPECT_EQ(T::GetSolverParameterIndex("SyncMode"), 176);
    EXPECT_EQ(T::GetSolverParameterIndex("pulliterationcount"), -1);
    EXPECT_EQ(T::GetSolverParameterIndex("SyncMode "), -1);
    EXPECT_EQ(T::GetSolverParameterIndex(""), -1);
    EXPECT_EQ(T::GetSolverParameterIndex(nullptr), -1);
    // Every name is unique and found at its own place.
    std::set<std::string> lNames;
    for (int i = 0; i < T::kCount; ++i) {
        const char* lName = T::GetSolverParameterName(i);
        ASSERT_NE(lName, nullptr);
        EXPECT_LT(std::strlen(lName), 256u);
        EXPECT_TRUE(lNames.insert(lName).second) << lName;
        EXPECT_EQ(T::GetSolverParameterIndex(lName), i) << lName;
    }
}

TEST(KRyvSolverParameterTableTest, OddSpellingsAreKeptAsFileKeys)
{
    EXPECT_EQ(T::GetSolverParameterIndex("ReachActorLeftAnkleRotationRotation"), 31);
    EXPECT_EQ(T::GetSolverParameterIndex("ReachActorLeftAnkleRotation"), -1);
    EXPECT_EQ(T::GetSolverParameterIndex("ReachActorRightAnkleRotation"), 32);
    EXPECT_EQ(T::GetSolverParameterIndex("ParamFootContactStiffness"), 54);
    EXPECT_EQ(T::GetSolverParameterIndex("ParamCtrlSpineStiffness"), 123);
    EXPECT_EQ(T::GetSolverParameterIndex("ParamFootFingerContactRollStiffness"), 173);
    EXPECT_EQ(T::GetSolverParameterIndex("FloorContact"), 44);
    EXPECT_EQ(T::GetSolverParameterIndex("Orientation"), 76);
    EXPECT_EQ(T::GetSolverParameterIndex("Mirror"), 125);
    EXPECT_EQ(T::GetSolverParameterIndex("ContactBehaviour"), 174);
    EXPECT_EQ(T::GetSolverParameterIndex("CtrlResistCompressionFactorRightElbow"), 122);
    EXPECT_EQ(T::GetSolverParameterIndex("RightFootExtraFingerTip"), 164);
}

// Totals worked out by hand from the table, to catch a mistyped row.
TEST(KRyvSolverParameterTableTest, KindAndDefaultTotals)
{
    int lKinds[4] = {0, 0, 0, 0};
    int lModeSum = 0;
    double lValueSum = 0.0;
    for (int i = 0; i < T::kCount; ++i) {
        const KRyvSolverParameterEntry* lEntry = T::GetEntry(i);
        ASSERT_GE(lEntry->mModeKind, 0);
        ASSERT_LE(lEntry->mModeKind, 3);
        ++lKinds[lEntry->mModeKind];
        lModeSum += lEntry->mDefaultMode;
        lValueSum += lEntry->mDefaultValue;
    }
    EXPECT_EQ(lKinds[0], 135);
    EXPECT_EQ(lKinds[1], 26);
    EXPECT_EQ(lKinds[2], 10);
    EXPECT_EQ(lKinds[3], 6);
    EXPECT_EQ(lModeSum, 32);
    EXPECT_DOUBLE_EQ(lValueSum, 3928.0);
}

TEST(KRyvSolverParameterTableTest, LabelLists)
{
    EXPECT_STREQ(T::GetPostureName(1), "Quadruped");
    EXPECT_EQ(T::GetPostureName(2), nullptr);
    EXPECT_EQ(T::GetPostureName(-1), nullptr);
    EXPECT_STREQ(T::GetCompensationModeName(2), "User");
    EXPECT_STREQ(T::GetAutoUserModeName(0), "Auto");
    EXPECT_EQ(T::GetAutoUserModeName(2), nullptr);
    EXPECT_STREQ(T::GetRollExtractionModeName(1), "Absolute");
    EXPECT_STREQ(T::GetFootFloorPivotName(2), "Toes");
    EXPECT_STREQ(T::GetHandFloorPivotName(2), "Fingers");
    EXPECT_STREQ(T::GetHandContactTypeName(3), "Hoof");
    EXPECT_STREQ(T::GetFootContactTypeName(2), "ToeBase");
    EXPECT_EQ(T::GetFootContactTypeName(4), nullptr);
    EXPECT_STREQ(T::GetFingerContactModeName(2), "Sticky & Spread");
    EXPECT_STREQ(T::GetHipsTranslationModeName(0), "World Rigid");
    EXPECT_STREQ(T::GetContactBehaviourName(1), "Sync On Key");
    EXPECT_EQ(T::GetContactBehaviourName(3), nullptr);
    // Kind 3 modes read Auto/User, kind 2 modes Off/Auto/User, kind 1 has no list.
    EXPECT_EQ(T::GetEntry(78)->mLabels, &T::GetAutoUserModeName);
    EXPECT_EQ(T::GetEntry(3)->mLabels, &T::GetCompensationModeName);
    EXPECT_EQ(T::GetEntry(2)->mLabels, nullptr);
    EXPECT_EQ(T::GetEntry(1)->mLabels, &T::GetPostureName);
    for (int i = 0; i < T::kCount; ++i) {
        const KRyvSolverParameterEntry* lEntry = T::GetEntry(i);
        if (lEntry->mModeKind == 2) {
            EXPECT_EQ(lEntry->mLabels, &T::GetCompensationModeName) << lEntry->mName;
        } else if (lEntry->mModeKind == 3) {
            EXPECT_EQ(lEntry->mLabels, &T::GetAutoUserModeName) << lEntry->mName;
        } else if (lEntry->mModeKind == 1) {
            EXPECT_EQ(lEntry->mLabels, nullptr) << lEntry->mName;
        }
    }
}

TEST(KRyvSolverParameterValuesTest, NewBlockHoldsTheDefaults)
{
    KRyvSolverParameterValues lValues;
    const int lScale = T::GetSolverParameterIndex("ScaleCompensation");
    EXPECT_EQ(lValues.GetMode(lScale), 1);
    EXPECT_DOUBLE_EQ(lValues.GetValue(lScale), 100.0);
    const int lRoll = T::GetSolverParameterIndex("LeftUpLegRoll");
    EXPECT_EQ(lValues.GetMode(lRoll), 0);
    EXPECT_DOUBLE_EQ(lValues.GetValue(lRoll), 60.0);
    const int lFoot = T::GetSolverParameterIndex("FootBottomToAnkle");
    EXPECT_EQ(lValues.GetMode(lFoot), 1);
    EXPECT_DOUBLE_EQ(lValues.GetValue(lFoot), 7.5);
    for (int i = 0; i < T::kCount; ++i) {
        EXPECT_EQ(lValues.GetMode(i), T::GetEntry(i)->mDefaultMode);
        EXPECT_EQ(lValues.GetValue(i), T::GetEntry(i)->mDefaultValue);
    }
}

TEST(KRyvSolverParameterValuesTest, SetModeFollowsTheKind)
{
    KRyvSolverParameterValues lValues;
    EXPECT_TRUE(lValues.SetMode(3, 2)); // kind 2
    EXPECT_EQ(lValues.GetMode(3), 2);
    EXPECT_FALSE(lValues.SetMode(2, 2)); // kind 1
    EXPECT_EQ(lValues.GetMode(2), 0);
    EXPECT_FALSE(lValues.SetMode(0, 1)); // kind 0
    EXPECT_EQ(lValues.GetMode(0), 0);
    // Every entry, every mode from -1 to 3.
    for (int i = 0; i < T::kCount; ++i) {
        const int lKind = T::GetEntry(i)->mModeKind;
        const int lHighest = lKind == 0 ? -1 : (lKind == 2 ? 2 : 1);
        for (int lMode = -1; lMode <= 3; ++lMode) {
            const int lBefore = lValues.GetMode(i);
            const bool lFits = lMode >= 0 && lMode <= lHighest;
            EXPECT_EQ(lValues.SetMode(i, lMode), lFits) << i << " " << lMode;
            EXPECT_EQ(lValues.GetMode(i), lFits ? lMode : lBefore);
        }
    }
}

TEST(KRyvSolverParameterValuesTest, ValuesRangesAndBadIndices)
{
    KRyvSolverParameterValues lValues;
    EXPECT_TRUE(lValues.SetValue(45, 5000.0));
    EXPECT_DOUBLE_EQ(lValues.GetValue(45), 5000.0);
    lValues.SetRange(45, -1.0, 1.0);
    EXPECT_DOUBLE_EQ(lValues.GetRange(45), 0.0);
    EXPECT_DOUBLE_EQ(lValues.GetValue(45), 5000.0);
    EXPECT_FALSE(lValues.SetValue(177, 1.0));
    EXPECT_FALSE(lValues.SetValue(-1, 1.0));
    EXPECT_FALSE(lValues.SetMode(177, 0));
    EXPECT_EQ(lValues.GetMode(-1), 0);
    EXPECT_DOUBLE_EQ(lValues.GetValue(177), 0.0);
}

} // namespace
