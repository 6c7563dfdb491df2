#include "scene/objects/KRyvPatch.h"

#include <gtest/gtest.h>

TEST(KRyvPatch, NewPatchDefaults)
{
    KRyvPatch lPatch(nullptr);
    EXPECT_EQ(lPatch.GetAttributeType(), KRyvNodeAttribute::ePatch);
    EXPECT_STREQ(lPatch.GetTypeName().Buffer(), "Patch");
    EXPECT_EQ(lPatch.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(lPatch.GetUType(), KRyvPatch::eLinear);
    EXPECT_EQ(lPatch.GetVType(), KRyvPatch::eLinear);
    EXPECT_EQ(lPatch.GetUCount(), 0);
    EXPECT_EQ(lPatch.GetVCount(), 0);
    EXPECT_EQ(lPatch.GetControlPointCount(), 0);
    EXPECT_EQ(lPatch.GetUStep(), 0);
    EXPECT_EQ(lPatch.GetVStep(), 0);
    EXPECT_FALSE(lPatch.GetUClosed());
    EXPECT_FALSE(lPatch.GetVClosed());
    EXPECT_FALSE(lPatch.GetUCappedBottom());
    EXPECT_FALSE(lPatch.GetUCappedTop());
    EXPECT_FALSE(lPatch.GetVCappedBottom());
    EXPECT_FALSE(lPatch.GetVCappedTop());
    EXPECT_EQ(lPatch.GetSurfaceMode(), 4);
    std::vector<KProperty*> lProperties;
    lPatch.FillPropertyList(lProperties);
    EXPECT_TRUE(lProperties.empty());
}

TEST(KRyvPatch, InitControlPointsSizesTheGrid)
{
    KRyvPatch lPatch(nullptr);
    ASSERT_TRUE(lPatch.InitControlPoints(4, KRyvPatch::eBezier, 3, KRyvPatch::eBezierQuadric));
    EXPECT_EQ(lPatch.GetControlPointCount(), 12);
    EXPECT_EQ(lPatch.GetUCount(), 4);
    EXPECT_EQ(lPatch.GetVCount(), 3);
    EXPECT_EQ(lPatch.GetUType(), 0);
    EXPECT_EQ(lPatch.GetVType(), 1);
    // A second call replaces the grid; an empty grid is allowed.
    ASSERT_TRUE(lPatch.InitControlPoints(0, KRyvPatch::eCardinal, 5, KRyvPatch::eBSpline));
    EXPECT_EQ(lPatch.GetControlPointCount(), 0);
    EXPECT_EQ(lPatch.GetVCount(), 5);
}

TEST(KRyvPatch, BadSizesAndTypesChangeNothing)
{
    KRyvPatch lPatch(nullptr);
    ASSERT_TRUE(lPatch.InitControlPoints(2, KRyvPatch::eCardinal, 2, KRyvPatch::eBSpline));
    EXPECT_FALSE(lPatch.InitControlPoints(-1, 0, 3, 0));
    EXPECT_FALSE(lPatch.InitControlPoints(3, 0, -3, 0));
    EXPECT_FALSE(lPatch.InitControlPoints(3, 5, 3, 0));
    EXPECT_FALSE(lPatch.InitControlPoints(3, 0, 3, -1));
    // Two counts whose product overflows an int, and one just above the cap.
    EXPECT_FALSE(lPatch.InitControlPoints(65536, 0, 65536, 0));
    EXPECT_FALSE(lPatch.InitControlPoints(KRyvPatch::kMaxControlPoints + 1, 0, 1, 0));
    EXPECT_FALSE(lPatch.InitControlPoints(2048, 0, 2049, 0));
    EXPECT_EQ(lPatch.GetControlPointCount(), 4);
    EXPECT_EQ(lPatch.GetUCount(), 2);
    EXPECT_EQ(lPatch.GetVCount(), 2);
    EXPECT_EQ(lPatch.GetUType(), KRyvPatch::eCardinal);
    EXPECT_EQ(lPatch.GetVType(), KRyvPatch::eBSpline);
}

TEST(KRyvPatch, StepsFlagsAndRefusedSteps)
{
    KRyvPatch lPatch(nullptr);
    ASSERT_TRUE(lPatch.SetStep(4, 8));
    EXPECT_EQ(lPatch.GetUStep(), 4);
    EXPECT_EQ(lPatch.GetVStep(), 8);
    EXPECT_FALSE(lPatch.SetStep(-1, 8));
    EXPECT_FALSE(lPatch.SetStep(4, KRyvPatch::kMaxStep + 1));
    EXPECT_EQ(lPatch.GetUStep(), 4);
    EXPECT_EQ(lPatch.GetVStep(), 8);
    EXPECT_TRUE(lPatch.SetStep(KRyvPatch::kMaxStep, 0));
    EXPECT_EQ(lPatch.GetUStep(), KRyvPatch::kMaxStep);

    lPatch.SetClosed(true, false);
    EXPECT_TRUE(lPatch.GetUClosed());
    EXPECT_FALSE(lPatch.GetVClosed());
    lPatch.SetUCapped(false, true);
    lPatch.SetVCapped(true, false);
    EXPECT_FALSE(lPatch.GetUCappedBottom());
    EXPECT_TRUE(lPatch.GetUCappedTop());
    EXPECT_TRUE(lPatch.GetVCappedBottom());
    EXPECT_FALSE(lPatch.GetVCappedTop());
    lPatch.SetSurfaceMode(2);
    EXPECT_EQ(lPatch.GetSurfaceMode(), 2);
}
