#include "core/KColor.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "core/KVectorArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

void ExpectComponents(const KVector4& pV, double pX, double pY, double pZ, double pW)
{
    EXPECT_DOUBLE_EQ(pV[0], pX);
    EXPECT_DOUBLE_EQ(pV[1], pY);
    EXPECT_DOUBLE_EQ(pV[2], pZ);
    EXPECT_DOUBLE_EQ(pV[3], pW);
}

} // namespace

TEST(KVector2Test, DefaultSetAndComparison)
{
    KVector2 a;
    EXPECT_EQ(a[0], 0.0);
    EXPECT_EQ(a[1], 0.0);
    a.Set(0.25, -3.0);
    KVector2 b;
    b = a;
    EXPECT_FALSE(a != b);
    EXPECT_TRUE(a == b);
    b[1] = -3.0000001; // any difference at all counts
    EXPECT_TRUE(a != b);
    b.Set(0.5, -3.0);
    EXPECT_TRUE(a != b);
}

TEST(KVector2Test, IndexOutsideRangeIsClamped)
{
    KVector2 a(1.0, 2.0);
    EXPECT_EQ(a[-1], 1.0);
    EXPECT_EQ(a[7], 2.0);
}

TEST(KVector4Test, ConstructionSetAndOrigin)
{
    ExpectComponents(KVector4(), 0, 0, 0, 0);
    KVector4 v(1, 2, 3, 4);
    ExpectComponents(v, 1, 2, 3, 4);
    v.SetOrigin();
    ExpectComponents(v, 0, 0, 0, 1);
    v.Set(5, 6, 7, 8);
    ExpectComponents(v, 5, 6, 7, 8);
    // A bad index reaches a component of this vector, never memory beside it.
    EXPECT_EQ(v[-3], 5.0);
    EXPECT_EQ(v[4], 8.0);
    v[99] = 9.0;
    ExpectComponents(v, 5, 6, 7, 9);
}

TEST(KVector4Test, ArithmeticActsOnAllFourComponents)
{
    KVector4 a(1, 2, 3, 4);
    a += KVector4(10, 20, 30, 40);
    ExpectComponents(a, 11, 22, 33, 44);
    ExpectComponents(a - KVector4(1, 2, 3, 4), 10, 20, 30, 40);
    ExpectComponents(-a, -11, -22, -33, -44);
    ExpectComponents(a * 2.0, 22, 44, 66, 88);
    a *= 0.5;
    ExpectComponents(a, 5.5, 11, 16.5, 22);
    a /= 11.0;
    ExpectComponents(a, 0.5, 1, 1.5, 2);
    a *= KVector4(2, 3, 4, 5);
    ExpectComponents(a, 1, 3, 6, 10);
}

TEST(KVector4Test, EqualityUsesToleranceAndIgnoresW)
{
    const KVector4 a(1.0, -2.0, 3.0, 1.0);
    EXPECT_TRUE(a == KVector4(1.0 + 0.9e-6, -2.0 - 0.9e-6, 3.0, 1.0));
    EXPECT_TRUE(a == KVector4(1.0, -2.0, 3.0, 123.0));
    EXPECT_FALSE(a == KVector4(1.0 + 2e-6, -2.0, 3.0, 1.0));
    EXPECT_TRUE(a != KVector4(1.0, -2.0, 3.0 + 2e-6, 1.0));
    EXPECT_FALSE(a != KVector4(1.0, -2.0, 3.0, 0.0));
    const KVector4 lNaN(kNaN, 0.0, 0.0);
    EXPECT_FALSE(lNaN == lNaN);
}

TEST(KVector4Test, LengthDotCrossAndNormalize)
{
    KVector4 v(3.0, 4.0, 12.0, 100.0);
    EXPECT_DOUBLE_EQ(v.Length(), 13.0);
    EXPECT_DOUBLE_EQ(v.DotProduct(KVector4(1, 1, 1, 1000)), 19.0);

    ExpectComponents(KVector4(1, 0, 0, 0).CrossProduct(KVector4(0, 1, 0, 0)), 0, 0, 1, 1);
    ExpectComponents(KVector4(0, 1, 0).CrossProduct(KVector4(1, 0, 0)), 0, 0, -1, 1);
    ExpectComponents(KVector4(1, 2, 3).CrossProduct(KVector4(4, 5, 6)), -3, 6, -3, 1);

    EXPECT_DOUBLE_EQ(v.Normalize(), 13.0);
    ExpectComponents(v, 3.0 / 13, 4.0 / 13, 12.0 / 13, 100.0);
    EXPECT_NEAR(v.Length(), 1.0, 1e-15);

    KVector4 lZero(0.0, -0.0, 0.0, 5.0);
    EXPECT_EQ(lZero.Normalize(), 0.0);
    ExpectComponents(lZero, 0, 0, 0, 5);
    EXPECT_FALSE(std::isnan(lZero[0]));
}

TEST(KColorTest, DefaultIsOpaqueWhite)
{
    const KColor c;
    EXPECT_EQ(c.mRed, 1.0);
    EXPECT_EQ(c.mGreen, 1.0);
    EXPECT_EQ(c.mBlue, 1.0);
    EXPECT_EQ(c.mAlpha, 1.0);
}

TEST(KColorTest, EveryPathClampsIncludingNaN)
{
    const KColor c(-0.5, 1.5, kNaN, 0.25);
    EXPECT_EQ(c.mRed, 0.0);
    EXPECT_EQ(c.mGreen, 1.0);
    EXPECT_EQ(c.mBlue, 0.0);
    EXPECT_EQ(c.mAlpha, 0.25);

    KColor d;
    d.Set(kInf, -kInf, 0.0, 1.0);
    EXPECT_EQ(d.mRed, 1.0);
    EXPECT_EQ(d.mGreen, 0.0);
    EXPECT_EQ(d.mBlue, 0.0);
    EXPECT_EQ(d.mAlpha, 1.0);

    // Fields written directly are clamped again when the colour is copied.
    KColor lRaw;
    lRaw.mRed = 7.0;
    lRaw.mGreen = kNaN;
    lRaw.mBlue = 0.5;
    lRaw.mAlpha = -1.0;
    KColor lAssigned;
    lAssigned = lRaw;
    const KColor lCopied(lRaw);
    for (const KColor& k : {lAssigned, lCopied}) {
        EXPECT_EQ(k.mRed, 1.0);
        EXPECT_EQ(k.mGreen, 0.0);
        EXPECT_EQ(k.mBlue, 0.5);
        EXPECT_EQ(k.mAlpha, 0.0);
    }
}

TEST(KVector4ArrayTest, AddFindWithinToleranceAndGetLast)
{
    KVector4Array a(4);
    EXPECT_EQ(a.Find(0, 0, 0, 0), -1);
    ExpectComponents(a.GetLast(), 0, 0, 0, 0);

    EXPECT_EQ(a.Add(1.0, 2.0, 3.0, 1.0), 0);
    EXPECT_EQ(a.Add(4.0, 5.0, 6.0, 1.0), 1);
    EXPECT_EQ(a.Add(1.0, 2.0, 3.0, 7.0), 2); // a duplicate is added, never merged
    EXPECT_EQ(a.Add(KVector4(-1.0, -2.0, -3.0, 0.0)), 3);
    EXPECT_EQ(a.Add(9.0, 9.0, 9.0, 9.0), 4); // grows past one block
    EXPECT_EQ(a.GetCount(), 5);

    EXPECT_EQ(a.Find(1.0 + 0.5e-6, 2.0 - 0.5e-6, 3.0, 55.0), 0); // first match, w ignored
    EXPECT_EQ(a.Find(4.0, 5.0, 6.0 + 0.9e-6, 0.0), 1);
    EXPECT_EQ(a.Find(4.0, 5.0, 6.0 + 2e-6, 1.0), -1);
    EXPECT_EQ(a.Find(-1.0, -2.0, -3.0, 0.0), 3);
    ExpectComponents(a.GetLast(), 9, 9, 9, 9);
}

TEST(KVector4ArrayTest, AssignmentCopiesEntriesAndBlockSize)
{
    KVector4Array a(3);
    for (int i = 0; i < 7; ++i) {
        a.Add(i, i * 2.0, i * 3.0, 1.0);
    }
    KVector4Array b(50);
    b.Add(100.0, 100.0, 100.0, 100.0);
    b = a;
    EXPECT_EQ(b.GetBlockSize(), 3);
    ASSERT_EQ(b.GetCount(), 7);
    for (int i = 0; i < 7; ++i) {
        ExpectComponents(b.GetAt(i), i, i * 2.0, i * 3.0, 1.0);
    }
    EXPECT_EQ(b.Find(100.0, 100.0, 100.0, 100.0), -1);
    b = b;
    EXPECT_EQ(b.GetCount(), 7);
}

TEST(KVector2ArrayTest, AddAndAccess)
{
    KVector2Array a;
    EXPECT_EQ(a.Add(0.5, 0.25), 0);
    EXPECT_EQ(a.Add(KVector2(1.0, 0.75)), 1);
    ASSERT_EQ(a.GetCount(), 2);
    EXPECT_EQ(a.GetAt(1)[1], 0.75);
    EXPECT_EQ(a.GetItem(2), nullptr);
    EXPECT_TRUE(a.GetAt(5) == KVector2());
}
