#include "scene/KRyvPivotSet.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

void ExpectReset(const KRyvPivotSet& pSet)
{
    for (const KVector4* lVector :
         {&pSet.mRotationOffset, &pSet.mRotationPivot, &pSet.mRotationPivotUpdateOffset,
          &pSet.mPreRotation, &pSet.mPostRotation, &pSet.mScalingOffset, &pSet.mScalingPivot,
          &pSet.mScalingPivotUpdateOffset, &pSet.mGeometricTranslation, &pSet.mGeometricRotation}) {
        EXPECT_EQ(*lVector, KVector4(0, 0, 0, 1));
    }
    EXPECT_EQ(pSet.mGeometricScaling, KVector4(1, 1, 1, 1));
    EXPECT_EQ(pSet.mRotationOrder, 0);
    EXPECT_FALSE(pSet.mUseRotationSpaceForLimitOnly);
    EXPECT_FALSE(pSet.mGlobalMatrixValid);
    EXPECT_EQ(pSet.mPivotState, 1);
}

} // namespace

TEST(KRyvPivotSet, ConstructedAndResetState)
{
    KRyvPivotSet lSet;
    ExpectReset(lSet);
    lSet.mRotationOffset = KVector4(1, 2, 3, 4);
    lSet.mScalingPivotUpdateOffset = KVector4(5, 6, 7, 0);
    lSet.mGeometricScaling = KVector4(2, 2, 2, 2);
    lSet.mRotationOrder = 6;
    lSet.mUseRotationSpaceForLimitOnly = true;
    lSet.mGlobalMatrixValid = true;
    lSet.mPivotState = 0;
    lSet.Reset();
    ExpectReset(lSet);
}

TEST(KRyvPivotSet, RotationOrderAndInheritTypeNames)
{
    const char* const kOrders[] = {"Euler XYZ", "Euler XZY", "Euler YZX",  "Euler YXZ",
                                   "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
    for (int lOrder = 0; lOrder < 7; ++lOrder) {
        EXPECT_STREQ(KRyvPivotSet::RotationOrderName(lOrder), kOrders[lOrder]);
    }
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(0), "RrSs");
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(1), "RrSs");
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(2), "Rrs");
    for (int lBad : {-1, 7, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KRyvPivotSet::RotationOrderName(lBad), nullptr) << lBad;
        EXPECT_EQ(KRyvPivotSet::InheritTypeName(lBad == 7 ? 3 : lBad), nullptr) << lBad;
    }
}

TEST(KRyvPivotSet, NodeRefusesPivotSetIndicesOtherThanZeroAndOne)
{
    KRyvNode lNode(nullptr, "Bone");
    for (int lSet : {-1, 2, INT_MAX}) {
        SCOPED_TRACE(lSet);
        lNode.SetPreRotation(lSet, KVector4(10, 20, 30, 1));
        lNode.SetRotationOffset(lSet, KVector4(1, 1, 1, 1));
        lNode.SetRotationOrder(lSet, 5);
        lNode.SetPivotState(lSet, 0);
        lNode.SetUseRotationSpaceForLimitOnly(lSet, true);
        EXPECT_EQ(lNode.GetPreRotation(lSet), KVector4(0, 0, 0, 1));
        EXPECT_EQ(lNode.GetRotationOffset(lSet), KVector4(0, 0, 0, 1));
        EXPECT_EQ(lNode.GetGeometricScaling(lSet), KVector4(1, 1, 1, 1));
        int lOrder = -7;
        lNode.GetRotationOrder(lSet, lOrder);
        EXPECT_EQ(lOrder, 0);
        int lState = -7;
        lNode.GetPivotState(lSet, lState);
        EXPECT_EQ(lState, 1);
        EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(lSet));
        EXPECT_EQ(lNode.GetPivotSet(lSet), nullptr);
        EXPECT_EQ(lNode.GetGlobalMatrix(lSet, true), KMatrix());
        EXPECT_FALSE(lNode.ConvertPivotAnimation(lSet, 30.0, false));
        EXPECT_FALSE(lNode.BakePivotAnimation(lSet, 30.0, false));
    }
    // The real sets are untouched, and the shared default record stays reset.
    for (int lSet : {0, 1}) {
        ExpectReset(*lNode.GetPivotSet(lSet));
    }
    ExpectReset(KRyvPivotSet::GetDefault());

    // Set 1 takes what set 0 does not see.
    lNode.SetPreRotation(1, KVector4(0, 45, 0, 1));
    lNode.SetRotationOrder(1, 4);
    lNode.SetUseRotationSpaceForLimitOnly(1, true);
    EXPECT_EQ(lNode.GetPreRotation(1), KVector4(0, 45, 0, 1));
    EXPECT_EQ(lNode.GetPreRotation(0), KVector4(0, 0, 0, 1));
    int lOrder = 0;
    lNode.GetRotationOrder(1, lOrder);
    EXPECT_EQ(lOrder, 4);
    EXPECT_TRUE(lNode.GetUseRotationSpaceForLimitOnly(1));
    EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(0));
}

TEST(KRyvPivotSet, CachedGlobalMatricesStayApartPerSetAndNode)
{
    KRyvNode lNode(nullptr, "Bone");
    KRyvNode lOther(nullptr, "Other");
    lNode.SetPivotState(0, KRyvPivotSet::kPivotActive);
    lNode.SetPivotState(1, KRyvPivotSet::kPivotActive);
    lNode.SetRotationOffset(0, KVector4(1, 0, 0, 1));
    lNode.SetRotationOffset(1, KVector4(0, 2, 0, 1));
    lOther.SetPivotState(0, KRyvPivotSet::kPivotActive);
    lOther.SetRotationOffset(0, KVector4(0, 0, 3, 1));
    const KMatrix lSet0 = lNode.GetGlobalMatrix(0, true);
    const KMatrix lSet1 = lNode.GetGlobalMatrix(1, true);
    const KMatrix lOther0 = lOther.GetGlobalMatrix(0, true);
    EXPECT_DOUBLE_EQ(lSet0.Get(3, 0), 1.0);
    EXPECT_DOUBLE_EQ(lSet1.Get(3, 1), 2.0);
    EXPECT_DOUBLE_EQ(lOther0.Get(3, 2), 3.0);
    // Cached reads answer each set's own matrix; a reset set recomputes.
    EXPECT_EQ(lNode.GetGlobalMatrix(0, false), lSet0);
    EXPECT_EQ(lNode.GetGlobalMatrix(1, false), lSet1);
    EXPECT_EQ(lOther.GetGlobalMatrix(0, false), lOther0);
    lNode.GetPivotSet(1)->Reset();
    EXPECT_EQ(lNode.GetGlobalMatrix(1, false), KMatrix());
    EXPECT_EQ(lNode.GetGlobalMatrix(0, false), lSet0);
}
