#include "scene/objects/KRyvNurb.h"

#include <gtest/gtest.h>

#include <limits>

TEST(KRyvNurb, ResetState)
{
    KRyvNurb lNurb(nullptr);
    EXPECT_EQ(lNurb.GetAttributeType(), KRyvNodeAttribute::eNurb);
    EXPECT_STREQ(lNurb.GetTypeName().Buffer(), "Nurb");
    EXPECT_EQ(lNurb.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(lNurb.GetUType(), KRyvNurb::eOpen);
    EXPECT_EQ(lNurb.GetVType(), KRyvNurb::eOpen);
    EXPECT_EQ(lNurb.GetSurfaceDisplayMode(), 4);
    EXPECT_EQ(lNurb.GetUOrder(), 0);
    EXPECT_EQ(lNurb.GetUStep(), 0);
    EXPECT_EQ(lNurb.GetVCount(), 0);
    EXPECT_FALSE(lNurb.GetExchangeUVFlag());
    EXPECT_FALSE(lNurb.GetRemapLinksFlag());
    EXPECT_EQ(lNurb.GetUKnotVector(), nullptr);
    EXPECT_EQ(lNurb.GetVKnotVector(), nullptr);
    EXPECT_EQ(lNurb.GetUMultiplicity(), nullptr);
    EXPECT_EQ(lNurb.GetVMultiplicity(), nullptr);

    ASSERT_TRUE(lNurb.SetOrder(3, 3));
    ASSERT_TRUE(lNurb.InitControlPoints(3, KRyvNurb::ePeriodic, 3, KRyvNurb::eClosed));
    lNurb.SetSurfaceDisplayMode(1);
    lNurb.Reset();
    EXPECT_EQ(lNurb.GetUType(), KRyvNurb::eOpen);
    EXPECT_EQ(lNurb.GetSurfaceDisplayMode(), 4);
    EXPECT_EQ(lNurb.GetControlPointCount(), 0);
    EXPECT_EQ(lNurb.GetUKnotVector(), nullptr);
    EXPECT_EQ(lNurb.GetVMultiplicity(), nullptr);
}

TEST(KRyvNurb, KnotVectorSizingForEachType)
{
    KRyvNurb lNurb(nullptr);
    ASSERT_TRUE(lNurb.SetOrder(4, 4));
    ASSERT_TRUE(lNurb.InitControlPoints(4, KRyvNurb::eOpen, 5, KRyvNurb::ePeriodic));
    EXPECT_EQ(lNurb.GetControlPointCount(), 20);
    EXPECT_EQ(lNurb.GetUKnotCount(), 8);  // 4 + 4
    EXPECT_EQ(lNurb.GetVKnotCount(), 12); // 5 + 2 * 4 - 1
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lNurb.GetUMultiplicity()[i], 1);
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lNurb.GetVMultiplicity()[i], 1);
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(lNurb.GetVKnotVector()[i], 0.0);
    }

    ASSERT_TRUE(lNurb.SetOrder(3, 2));
    ASSERT_TRUE(lNurb.InitControlPoints(6, KRyvNurb::eClosed, 2, KRyvNurb::eOpen));
    EXPECT_EQ(lNurb.GetUKnotCount(), 11); // 6 + 2 * 3 - 1
    EXPECT_EQ(lNurb.GetVKnotCount(), 4);  // 2 + 2
}

TEST(KRyvNurb, InitBeforeSetOrderUsesOrderZero)
{
    KRyvNurb lNurb(nullptr);
    ASSERT_TRUE(lNurb.InitControlPoints(5, KRyvNurb::ePeriodic, 5, KRyvNurb::eOpen));
    EXPECT_EQ(lNurb.GetUKnotCount(), 4);
    EXPECT_EQ(lNurb.GetVKnotCount(), 5);
    // Count and order zero: the periodic rule gives -1, and the vector is simply empty.
    ASSERT_TRUE(lNurb.InitControlPoints(0, KRyvNurb::ePeriodic, 0, KRyvNurb::eOpen));
    EXPECT_EQ(lNurb.GetUKnotCount(), 0);
    EXPECT_EQ(lNurb.GetUKnotVector(), nullptr);
    EXPECT_EQ(lNurb.GetVKnotVector(), nullptr);
    EXPECT_EQ(lNurb.GetUMultiplicity(), nullptr);
}

TEST(KRyvNurb, HugeOrBadSizesAreRefused)
{
    KRyvNurb lNurb(nullptr);
    ASSERT_TRUE(lNurb.SetOrder(2, 2));
    ASSERT_TRUE(lNurb.InitControlPoints(2, KRyvNurb::eOpen, 3, KRyvNurb::eOpen));
    EXPECT_FALSE(lNurb.InitControlPoints(-1, KRyvNurb::eOpen, 3, KRyvNurb::eOpen));
    EXPECT_FALSE(lNurb.InitControlPoints(3, 3, 3, KRyvNurb::eOpen));
    EXPECT_FALSE(lNurb.InitControlPoints(65536, KRyvNurb::eOpen, 65536, KRyvNurb::eOpen));
    // A count of zero in one direction does not let the other be unbounded.
    EXPECT_FALSE(lNurb.InitControlPoints(std::numeric_limits<int>::max(), KRyvNurb::eOpen, 0,
                                         KRyvNurb::eOpen));
    EXPECT_FALSE(lNurb.SetOrder(-1, 2));
    EXPECT_FALSE(lNurb.SetOrder(2, KRyvNurb::kMaxOrder + 1));
    EXPECT_FALSE(lNurb.SetStep(-1, 0));
    EXPECT_FALSE(lNurb.SetStep(0, KRyvNurb::kMaxStep + 1));
    EXPECT_EQ(lNurb.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    // Nothing changed.
    EXPECT_EQ(lNurb.GetUCount(), 2);
    EXPECT_EQ(lNurb.GetVCount(), 3);
    EXPECT_EQ(lNurb.GetUOrder(), 2);
    EXPECT_EQ(lNurb.GetControlPointCount(), 6);
    EXPECT_EQ(lNurb.GetUStep(), 0);
}

TEST(KRyvNurb, ReadRules)
{
    KRyvNurb lNurb(nullptr);
    ASSERT_TRUE(lNurb.SetOrder(2, 2));
    ASSERT_TRUE(lNurb.InitControlPoints(2, KRyvNurb::eOpen, 2, KRyvNurb::eOpen));
    // Fresh points have weight 0.
    EXPECT_FALSE(lNurb.IsValid());
    for (int i = 0; i < 4; ++i) {
        lNurb.GetControlPoints()[i].Set(i % 2, i / 2, 0.0, 1.0);
    }
    EXPECT_TRUE(lNurb.IsValid());
    lNurb.GetControlPoints()[3][3] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(lNurb.IsValid());
    lNurb.GetControlPoints()[3][3] = 0.5;
    // Orders changed after the arrays were sized: the knot vectors no longer fit.
    ASSERT_TRUE(lNurb.SetOrder(3, 2));
    EXPECT_FALSE(lNurb.IsValid());
    ASSERT_TRUE(lNurb.SetOrder(2, 2));
    lNurb.GetControlPointArray().pop_back();
    EXPECT_FALSE(lNurb.IsValid());
}

TEST(KRyvNurb, TypeTexts)
{
    EXPECT_STREQ(KRyvNurb::GetTypeText(KRyvNurb::ePeriodic), "Periodic");
    EXPECT_STREQ(KRyvNurb::GetTypeText(KRyvNurb::eClosed), "Closed");
    EXPECT_STREQ(KRyvNurb::GetTypeText(KRyvNurb::eOpen), "Open");
    EXPECT_EQ(KRyvNurb::GetTypeText(3), nullptr);
    EXPECT_EQ(KRyvNurb::GetTypeFromText("periodic"), KRyvNurb::ePeriodic);
    EXPECT_EQ(KRyvNurb::GetTypeFromText("CLOSED"), KRyvNurb::eClosed);
    EXPECT_EQ(KRyvNurb::GetTypeFromText("Open"), KRyvNurb::eOpen);
    EXPECT_EQ(KRyvNurb::GetTypeFromText("Opened"), -1);
    EXPECT_EQ(KRyvNurb::GetTypeFromText(""), -1);
    EXPECT_EQ(KRyvNurb::GetTypeFromText(nullptr), -1);
}

TEST(KRyvNurb, AssignmentCopiesAndSelfAssignmentKeeps)
{
    KRyvNurb lNurb(nullptr);
    ASSERT_TRUE(lNurb.SetOrder(3, 4));
    ASSERT_TRUE(lNurb.SetStep(6, 7));
    ASSERT_TRUE(lNurb.InitControlPoints(3, KRyvNurb::ePeriodic, 4, KRyvNurb::eOpen));
    for (int i = 0; i < lNurb.GetUKnotCount(); ++i) {
        lNurb.GetUKnotVector()[i] = 0.5 * i;
    }
    lNurb.GetVMultiplicity()[2] = 3;
    lNurb.GetControlPoints()[11].Set(1, 2, 3, 0.5);
    lNurb.SetSurfaceDisplayMode(2);
    lNurb.SetExchangeUVFlag(true);
    lNurb.SetRemapLinksFlag(true);

    KRyvNurb lCopy(nullptr);
    lCopy = lNurb;
    EXPECT_EQ(lCopy.GetUOrder(), 3);
    EXPECT_EQ(lCopy.GetVOrder(), 4);
    EXPECT_EQ(lCopy.GetUStep(), 6);
    EXPECT_EQ(lCopy.GetVStep(), 7);
    EXPECT_EQ(lCopy.GetUType(), KRyvNurb::ePeriodic);
    EXPECT_EQ(lCopy.GetVCount(), 4);
    EXPECT_EQ(lCopy.GetUKnotCount(), 8);
    EXPECT_EQ(lCopy.GetUKnotVector()[7], 3.5);
    EXPECT_EQ(lCopy.GetVMultiplicity()[2], 3);
    EXPECT_EQ(lCopy.GetControlPoints()[11][3], 0.5);
    EXPECT_EQ(lCopy.GetSurfaceDisplayMode(), 2);
    EXPECT_TRUE(lCopy.GetExchangeUVFlag());
    EXPECT_TRUE(lCopy.GetRemapLinksFlag());
    EXPECT_NE(lCopy.GetUKnotVector(), lNurb.GetUKnotVector());

    KRyvNurb& lSelf = lNurb;
    lNurb = lSelf;
    EXPECT_EQ(lNurb.GetControlPointCount(), 12);
    EXPECT_EQ(lNurb.GetUKnotCount(), 8);
    EXPECT_EQ(lNurb.GetUKnotVector()[7], 3.5);
    EXPECT_EQ(lNurb.GetVMultiplicity()[2], 3);
    EXPECT_EQ(lNurb.GetUOrder(), 3);
    EXPECT_TRUE(lNurb.GetExchangeUVFlag());
}
