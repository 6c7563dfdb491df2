#include "character/KRyvSolverParameterTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using T = KRyvSolverParameterTable;

TEST(KRyvSolverParameterTableTest, LookupIsByteExactAndOddSpellingsAreKept)
{
    EXPECT_EQ(T::GetSolverParameterCount(), 177);
    for (const int lBad : {-1, 177}) {
        EXPECT_EQ(T::GetEntry(lBad), nullptr);
        EXPECT_EQ(T::GetSolverParameterName(lBad), nullptr);
    }
    for (const char* lMissing :
         {"pulliterationcount", "SyncMode ", "", "ReachActorLeftAnkleRotation"}) {
        EXPECT_EQ(T::GetSolverParameterIndex(lMissing), -1) << lMissing;
    }
    EXPECT_EQ(T::GetSolverParameterIndex(nullptr), -1);
    // The stored keys, odd spellings included, at their file places.
    const std::pair<const char*, int> kPlaces[] = {{"PullIterationCount", 0},
                                                   {"ReachActorLeftAnkleRotationRotation", 31},
                                                   {"ReachActorRightAnkleRotation", 32},
                                                   {"FloorContact", 44},
                                                   {"ParamFootContactStiffness", 54},
                                                   {"Orientation", 76},
                                                   {"CtrlResistCompressionFactorRightElbow", 122},
                                                   {"ParamCtrlSpineStiffness", 123},
                                                   {"Mirror", 125},
                                                   {"RightFootExtraFingerTip", 164},
                                                   {"ParamFootFingerContactRollStiffness", 173},
                                                   {"ContactBehaviour", 174},
                                                   {"SyncMode", 176}};
    for (const auto& lPlace : kPlaces) {
        EXPECT_EQ(T::GetSolverParameterIndex(lPlace.first), lPlace.second) << lPlace.first;
    }
    // Every name is unique and found at its own place.
    std::set<std::string> lNames;
    for (int i = 0; i < T::kCount; ++i) {
        const char* lName = T::GetSolverParameterName(i);
        ASSERT_NE(lName, nullptr);
        EXPECT_TRUE(lNames.insert(lName).second) << lName;
        EXPECT_EQ(T::GetSolverParameterIndex(lName), i) << lName;
    }
}

// Totals worked out by hand from the table, to catch a mistyped row; kinds 2 and 3 read their
// modes as Off/Auto/User and Auto/User, kind 1 has no list.
TEST(KRyvSolverParameterTableTest, KindDefaultAndLabelTotals)
{
    int lKinds[4] = {0, 0, 0, 0};
    int lModeSum = 0;
    double lValueSum = 0.0;
    int lLabelled = 0;
    for (int i = 0; i < T::kCount; ++i) {
        const KRyvSolverParameterEntry* lEntry = T::GetEntry(i);
        ASSERT_GE(lEntry->mModeKind, 0);
        ASSERT_LE(lEntry->mModeKind, 3);
        ++lKinds[lEntry->mModeKind];
        lModeSum += lEntry->mDefaultMode;
        lValueSum += lEntry->mDefaultValue;
        lLabelled += lEntry->mLabels != nullptr ? 1 : 0;
        const KRyvSolverLabelFunction kByKind[4] = {
            lEntry->mLabels, nullptr, &T::GetCompensationModeName, &T::GetAutoUserModeName};
        EXPECT_EQ(lEntry->mLabels, kByKind[lEntry->mModeKind]) << lEntry->mName;
    }
    EXPECT_EQ(lKinds[0], 135);
    EXPECT_EQ(lKinds[1], 26);
    EXPECT_EQ(lKinds[2], 10);
    EXPECT_EQ(lKinds[3], 6);
    EXPECT_EQ(lModeSum, 32);
    EXPECT_DOUBLE_EQ(lValueSum, 3928.0);
    EXPECT_EQ(T::GetEntry(1)->mLabels, &T::GetPostureName);
    EXPECT_EQ(T::GetEntry(176)->mDefaultMode, 1);
}

TEST(KRyvSolverParameterTableTest, LabelLists)
{
    const struct
    {
        KRyvSolverLabelFunction mList;
        int mLast;
        const char* mLastLabel;
    } kLists[] = {{&T::GetPostureName, 1, "Quadruped"},
                  {&T::GetCompensationModeName, 2, "User"},
                  {&T::GetAutoUserModeName, 1, "User"},
                  {&T::GetRollExtractionModeName, 1, "Absolute"},
                  {&T::GetFootFloorPivotName, 2, "Toes"},
                  {&T::GetHandFloorPivotName, 2, "Fingers"},
                  {&T::GetHandContactTypeName, 3, "Hoof"},
                  {&T::GetFootContactTypeName, 3, "Hoof"},
                  {&T::GetFingerContactModeName, 2, "Sticky & Spread"},
                  {&T::GetHipsTranslationModeName, 1, "Body Rigid"},
                  {&T::GetContactBehaviourName, 2, "Always Sync"}};
    for (const auto& lList : kLists) {
        EXPECT_STREQ(lList.mList(lList.mLast), lList.mLastLabel);
        EXPECT_EQ(lList.mList(lList.mLast + 1), nullptr) << lList.mLastLabel;
        EXPECT_EQ(lList.mList(-1), nullptr) << lList.mLastLabel;
    }
    EXPECT_STREQ(T::GetAutoUserModeName(0), "Auto");
    EXPECT_STREQ(T::GetFootContactTypeName(2), "ToeBase");
    EXPECT_STREQ(T::GetHipsTranslationModeName(0), "World Rigid");
    EXPECT_STREQ(T::GetContactBehaviourName(1), "Sync On Key");
}

TEST(KRyvSolverParameterValuesTest, NewBlockHoldsTheDefaultsAndModesFollowTheKind)
{
    KRyvSolverParameterValues lValues;
    for (int i = 0; i < T::kCount; ++i) {
        EXPECT_EQ(lValues.GetMode(i), T::GetEntry(i)->mDefaultMode);
        EXPECT_EQ(lValues.GetValue(i), T::GetEntry(i)->mDefaultValue);
    }
    EXPECT_DOUBLE_EQ(lValues.GetValue(T::GetSolverParameterIndex("FootBottomToAnkle")), 7.5);
    // Every entry, every mode from -1 to 3: kind 0 takes none, 1 and 3 take 0 and 1, 2 up to 2.
    for (int i = 0; i < T::kCount; ++i) {
        const int lKind = T::GetEntry(i)->mModeKind;
        const int lHighest = lKind == 0 ? -1 : (lKind == 2 ? 2 : 1);
        for (int lMode = -1; lMode <= 3; ++lMode) {
            const int lBefore = lValues.GetMode(i);
            const bool lFits = lMode >= 0 && lMode <= lHighest;
            EXPECT_EQ(lValues.SetMode(i, lMode), lFits) << i << " " << lMode;
            EXPECT_EQ(T::IsModeValid(i, lMode), lFits);
            EXPECT_EQ(lValues.GetMode(i), lFits ? lMode : lBefore);
        }
    }
    EXPECT_FALSE(T::IsModeValid(177, 0) || T::IsModeValid(-1, 0));

    // Values are stored as given; the block keeps no range; bad indices change nothing.
    EXPECT_TRUE(lValues.SetValue(45, 5000.0));
    lValues.SetRange(45, -1.0, 1.0);
    EXPECT_DOUBLE_EQ(lValues.GetRange(45), 0.0);
    EXPECT_DOUBLE_EQ(lValues.GetValue(45), 5000.0);
    EXPECT_FALSE(lValues.SetValue(177, 1.0) || lValues.SetValue(-1, 1.0));
    EXPECT_FALSE(lValues.SetMode(177, 0));
    EXPECT_EQ(lValues.GetMode(-1), 0);
    EXPECT_DOUBLE_EQ(lValues.GetValue(177), 0.0);
}

} // namespace
