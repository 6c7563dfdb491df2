#include "scene/KRyvPivotSet.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

void ExpectVector(const KVector4& pValue, double pX, double pY, double pZ, double pW)
{
    EXPECT_DOUBLE_EQ(pValue[0], pX);
    EXPECT_DOUBLE_EQ(pValue[1], pY);
    EXPECT_DOUBLE_EQ(pValue[2], pZ);
    EXPECT_DOUBLE_EQ(pValue[3], pW);
}

void ExpectReset(const KRyvPivotSet& pSet)
{
    for (const KVector4* lVector :
         {&pSet.mRotationOffset, &pSet.mRotationPivot, &pSet.mRotationPivotUpdateOffset,
          &pSet.mPreRotation, &pSet.mPostRotation, &pSet.mScalingOffset, &pSet.mScalingPivot,
          &pSet.mScalingPivotUpdateOffset, &pSet.mGeometricTranslation, &pSet.mGeometricRotation}) {
        ExpectVector(*lVector, 0, 0, 0, 1);
    }
    ExpectVector(pSet.mGeometricScaling, 1, 1, 1, 1);
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
    EXPECT_EQ(lSet.mGlobalMatrix, KMatrix());

    lSet.mRotationOffset = KVector4(1, 2, 3, 4);
    lSet.mScalingPivotUpdateOffset = KVector4(5, 6, 7, 0);
    lSet.mGeometricScaling = KVector4(2, 2, 2, 2);
    lSet.mRotationOrder = 6;
    lSet.mUseRotationSpaceForLimitOnly = true;
    lSet.mGlobalMatrixValid = true;
    lSet.mPivotState = 0;
    lSet.mGlobalMatrix.Set(3, 0, 12.0);
    lSet.Reset();
    ExpectReset(lSet);
    // Reset only marks the cached matrix invalid.
    EXPECT_DOUBLE_EQ(lSet.mGlobalMatrix.Get(3, 0), 12.0);
    ExpectReset(KRyvPivotSet::GetDefault());
}

TEST(KRyvPivotSet, RotationOrderNames)
{
    const char* const kExpected[] = {"Euler XYZ", "Euler XZY", "Euler YZX",  "Euler YXZ",
                                     "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
    for (int lOrder = 0; lOrder < 7; ++lOrder) {
        EXPECT_STREQ(KRyvPivotSet::RotationOrderName(lOrder), kExpected[lOrder]);
    }
    for (int lOrder : {-1, 7, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KRyvPivotSet::RotationOrderName(lOrder), nullptr) << lOrder;
    }
}

TEST(KRyvPivotSet, InheritTypeNamesShareRrSs)
{
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(0), "RrSs");
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(1), "RrSs");
    EXPECT_STREQ(KRyvPivotSet::InheritTypeName(2), "Rrs");
    for (int lType : {-1, 3, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KRyvPivotSet::InheritTypeName(lType), nullptr) << lType;
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
        ExpectVector(lNode.GetPreRotation(lSet), 0, 0, 0, 1);
        ExpectVector(lNode.GetRotationOffset(lSet), 0, 0, 0, 1);
        ExpectVector(lNode.GetGeometricScaling(lSet), 1, 1, 1, 1);
        int lOrder = -7;
        lNode.GetRotationOrder(lSet, lOrder);
        EXPECT_EQ(lOrder, 0);
        int lState = -7;
        lNode.GetPivotState(lSet, lState);
        EXPECT_EQ(lState, 1);
        EXPECT_FALSE(lNode.GetUseRotationSpaceForLimitOnly(lSet));
        EXPECT_EQ(lNode.GetPivotSet(lSet), nullptr);
        EXPECT_EQ(lNode.GetGlobalMatrix(lSet, true), KMatrix());
    }
    // The real sets are untouched, and the shared default record stays reset.
    for (int lSet : {0, 1}) {
        ExpectReset(*lNode.GetPivotSet(lSet));
    }
    ExpectReset(KRyvPivotSet::GetDefault());

    lNode.SetPreRotation(1, KVector4(0, 45, 0, 1));
    ExpectVector(lNode.GetPreRotation(1), 0, 45, 0, 1);
    ExpectVector(lNode.GetPreRotation(0), 0, 0, 0, 1);
}
