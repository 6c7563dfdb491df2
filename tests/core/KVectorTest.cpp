#include "core/KColor.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "core/KVectorArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// All four components, ' ' between them.
std::string Show(const KVector4& pV)
{
    std::ostringstream lText;
    lText << pV[0] << " " << pV[1] << " " << pV[2] << " " << pV[3];
    return lText.str();
}

std::string Show(const KColor& pC)
{
    return Show(KVector4(pC.mRed, pC.mGreen, pC.mBlue, pC.mAlpha));
}

} // namespace

TEST(KVector2Test, SetComparisonAndClampedIndex)
{
    KVector2 a;
    EXPECT_TRUE(a[0] == 0.0 && a[1] == 0.0);
    a.Set(0.25, -3.0);
    KVector2 b;
    b = a;
    EXPECT_TRUE(a == b && !(a != b));
    b[1] = -3.0000001; // any difference at all counts
    EXPECT_TRUE(a != b);
    b.Set(0.5, -3.0);
    EXPECT_TRUE(a != b);
    EXPECT_EQ(a[-1], 0.25);
    EXPECT_EQ(a[7], -3.0);
}

TEST(KVector4Test, ConstructionIndexAndArithmeticOnAllFourComponents)
{
    KVector4 v(1, 2, 3, 4);
    EXPECT_EQ(Show(v), "1 2 3 4");
    v.SetOrigin();
    EXPECT_EQ(Show(v), "0 0 0 1");
    v.Set(5, 6, 7, 8);
    // A bad index reaches a component of this vector, never memory beside it.
    v[99] = 9.0;
    EXPECT_EQ(Show(v), "5 6 7 9");
    EXPECT_EQ(v[-3], 5.0);
    v.SetZero();
    EXPECT_EQ(Show(v), "0 0 0 0");

    KVector4 a(1, 2, 3, 4);
    a += KVector4(10, 20, 30, 40);
    EXPECT_EQ(Show(a), "11 22 33 44");
    EXPECT_EQ(Show(a - KVector4(1, 2, 3, 4)), "10 20 30 40");
    EXPECT_EQ(Show(-a), "-11 -22 -33 -44");
    EXPECT_EQ(Show(a * 2.0), "22 44 66 88");
    a *= 0.5;
    EXPECT_EQ(Show(a), "5.5 11 16.5 22");
    a /= 11.0;
    EXPECT_EQ(Show(a), "0.5 1 1.5 2");
    a *= KVector4(2, 3, 4, 5);
    EXPECT_EQ(Show(a), "1 3 6 10");
}

TEST(KVector4Test, EqualityUsesToleranceAndIgnoresW)
{
    const KVector4 a(1.0, -2.0, 3.0, 1.0);
    EXPECT_TRUE(a == KVector4(1.0 + 0.9e-6, -2.0 - 0.9e-6, 3.0 + 0.9e-6, 123.0));
    for (int i = 0; i < 3; ++i) {
        KVector4 b = a;
        b[i] += 2e-6;
        EXPECT_FALSE(a == b) << i;
        EXPECT_TRUE(b != a) << i;
    }
    const KVector4 lNaN(kNaN, 0.0, 0.0);
    EXPECT_FALSE(lNaN == lNaN);
}

TEST(KVector4Test, LengthDotCrossAndNormalize)
{
    KVector4 v(3.0, 4.0, 12.0, 100.0);
    EXPECT_DOUBLE_EQ(v.Length(), 13.0);
    EXPECT_DOUBLE_EQ(v.DotProduct(KVector4(1, 2, 3, 1000)), 47.0);
    EXPECT_EQ(Show(KVector4(1, 0, 0, 0).CrossProduct(KVector4(0, 1, 0, 0))), "0 0 1 1");
    EXPECT_EQ(Show(KVector4(0, 1, 0).CrossProduct(KVector4(1, 0, 0))), "0 0 -1 1");
    EXPECT_EQ(Show(KVector4(1, 2, 3).CrossProduct(KVector4(4, 5, 7))), "-1 5 -3 1");
    EXPECT_DOUBLE_EQ(v.Normalize(), 13.0);
    EXPECT_TRUE(v == KVector4(3.0 / 13, 4.0 / 13, 12.0 / 13));
    EXPECT_EQ(v[3], 100.0);
    KVector4 lZero(0.0, -0.0, 0.0, 5.0);
    EXPECT_EQ(lZero.Normalize(), 0.0);
    EXPECT_EQ(Show(lZero), "0 0 0 5");
}

TEST(KColorTest, DefaultIsOpaqueWhiteAndEveryPathClampsIncludingNaN)
{
    EXPECT_EQ(Show(KColor()), "1 1 1 1");
    EXPECT_EQ(Show(KColor(-0.5, 1.5, kNaN, 0.25)), "0 1 0 0.25");
    KColor d;
    d.Set(kInf, -kInf, 0.5, kNaN);
    EXPECT_EQ(Show(d), "1 0 0.5 0");
    // Fields written directly are clamped again when the colour is copied.
    KColor lRaw;
    lRaw.mRed = 7.0;
    lRaw.mGreen = kNaN;
    lRaw.mBlue = 0.5;
    lRaw.mAlpha = -1.0;
    KColor lAssigned;
    lAssigned = lRaw;
    EXPECT_EQ(Show(lAssigned), "1 0 0.5 0");
    EXPECT_EQ(Show(KColor(lRaw)), "1 0 0.5 0");
}

TEST(KVectorArrayTest, AddFindWithinToleranceGetLastAndCopies)
{
    KVector4Array a(4);
    EXPECT_EQ(a.Find(0, 0, 0, 0), -1);
    EXPECT_EQ(Show(a.GetLast()), "0 0 0 0");
    EXPECT_EQ(a.Add(1.0, 2.0, 3.0, 1.0), 0);
    EXPECT_EQ(a.Add(4.0, 5.0, 6.0, 1.0), 1);
    EXPECT_EQ(a.Add(1.0, 2.0, 3.0, 7.0), 2); // a duplicate is added, never merged
    EXPECT_EQ(a.Add(KVector4(-1.0, -2.0, -3.0, 0.0)), 3);
    EXPECT_EQ(a.Add(9.0, 9.0, 9.0, 9.0), 4);                     // grows past one block
    EXPECT_EQ(a.Find(1.0 + 0.5e-6, 2.0 - 0.5e-6, 3.0, 55.0), 0); // first match, w ignored
    EXPECT_EQ(a.Find(4.0, 5.0, 6.0 + 0.9e-6, 0.0), 1);
    EXPECT_EQ(a.Find(4.0, 5.0, 6.0 + 2e-6, 1.0), -1);
    EXPECT_EQ(a.Find(-1.0, -2.0, -3.0, 0.0), 3);
    EXPECT_EQ(Show(a.GetLast()), "9 9 9 9");
    EXPECT_EQ(Show(a.GetAt(2)), "1 2 3 7");

    KVector4Array b(50);
    b.Add(100.0, 100.0, 100.0, 100.0);
    b = a;
    EXPECT_EQ(b.GetBlockSize(), 4);
    ASSERT_EQ(b.GetCount(), 5);
    EXPECT_EQ(Show(b.GetAt(3)), "-1 -2 -3 0");
    EXPECT_EQ(b.Find(100.0, 100.0, 100.0, 100.0), -1);

    KVector2Array c;
    EXPECT_EQ(c.Add(0.5, 0.25), 0);
    EXPECT_EQ(c.Add(KVector2(1.0, 0.75)), 1);
    EXPECT_EQ(c.GetAt(1)[1], 0.75);
    EXPECT_EQ(c.GetAt(0)[0], 0.5);
    EXPECT_TRUE(c.GetAt(5) == KVector2());
}
