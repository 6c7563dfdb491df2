#include "core/KString.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <string>

TEST(KStringTest, NullAndEmptyAreDistinctButCompareEqual)
{
    const KString lEmpty;
    const KString lNull(nullptr);
    EXPECT_FALSE(lEmpty.IsNull());
    EXPECT_TRUE(lNull.IsNull());
    EXPECT_TRUE(lNull.IsEmpty());
    EXPECT_EQ(lNull.GetLen(), 0);
    EXPECT_STREQ(lNull.Buffer(), "");
    EXPECT_TRUE(lNull == lEmpty);
    EXPECT_TRUE(lNull == "");
    EXPECT_TRUE(lNull == static_cast<const char*>(nullptr));
    EXPECT_EQ(lEmpty.Compare(nullptr), 0);
    EXPECT_FALSE(lNull != "");

    EXPECT_TRUE(KString(lNull).IsNull());
    EXPECT_FALSE(KString(lEmpty).IsNull());
    EXPECT_TRUE(KString(nullptr, 5).IsNull());
    EXPECT_FALSE(KString("abc", -1).IsNull());
    EXPECT_TRUE(KString("abc", -1).IsEmpty());
}

TEST(KStringTest, AssignmentKeepsNullness)
{
    KString lText("abc");
    lText = static_cast<const char*>(nullptr);
    EXPECT_TRUE(lText.IsNull());
    lText = "";
    EXPECT_FALSE(lText.IsNull());
    lText = KString(nullptr);
    EXPECT_TRUE(lText.IsNull());
    lText.Clear();
    EXPECT_FALSE(lText.IsNull());
    EXPECT_TRUE(lText.IsEmpty());

    KString lSelf("hello world");
    lSelf = lSelf.Buffer() + 6;
    EXPECT_EQ(lSelf, "world");

    KString lMoved("moved");
    KString lTarget(std::move(lMoved));
    EXPECT_EQ(lTarget, "moved");
    KString lNullSource(nullptr);
    lTarget = std::move(lNullSource);
    EXPECT_TRUE(lTarget.IsNull());
}

TEST(KStringTest, CopiesOfTheNullStringStayNull)
{
    const KString lNull(nullptr);
    EXPECT_TRUE(lNull.Lower().IsNull());
    EXPECT_TRUE(lNull.Upper().IsNull());
    EXPECT_TRUE(lNull.Trim(2).IsNull());
    EXPECT_TRUE(lNull.Left(3).IsNull());
    EXPECT_TRUE(lNull.Mid(0).IsNull());
    EXPECT_TRUE(lNull.Right(1).IsNull());
    EXPECT_FALSE(KString("").Lower().IsNull());
    EXPECT_FALSE(KString("  ").Trim(2).IsNull());
}

TEST(KStringTest, ConcatenationWithNull)
{
    const KString lNull(nullptr);
    const KString lAbc("abc");
    EXPECT_TRUE((lNull + lAbc).IsNull());
    EXPECT_TRUE((lAbc + lNull).IsNull());
    EXPECT_TRUE((lNull + lNull).IsNull());
    EXPECT_EQ(lAbc + KString("def"), "abcdef");
    EXPECT_FALSE((KString("") + KString("")).IsNull());

    EXPECT_EQ(lNull + "x", "x");
    EXPECT_FALSE((lNull + "x").IsNull());
    EXPECT_TRUE((lNull + static_cast<const char*>(nullptr)).IsNull());
    EXPECT_EQ(lAbc + static_cast<const char*>(nullptr), "abc");

    KString lAppend(nullptr);
    lAppend += lNull;
    EXPECT_TRUE(lAppend.IsNull());
    lAppend += static_cast<const char*>(nullptr);
    EXPECT_TRUE(lAppend.IsNull());
    lAppend += "";
    EXPECT_FALSE(lAppend.IsNull());
    lAppend += KString("a");
    lAppend += 42;
    lAppend += "b";
    EXPECT_EQ(lAppend, "a42b");
    EXPECT_EQ(KString("n=") + -7, "n=-7");
}

TEST(KStringTest, IntegerFormsIncludeExtremes)
{
    EXPECT_EQ(KString(0), "0");
    EXPECT_EQ(KString(-15), "-15");
    EXPECT_EQ(KString(INT_MIN), "-2147483648");
    EXPECT_EQ(KString(INT_MAX), "2147483647");
    KString lText("x");
    lText += INT_MIN;
    EXPECT_EQ(lText, "x-2147483648");
    EXPECT_EQ(KString("") + INT_MAX, "2147483647");
}

TEST(KStringTest, DoubleFormIgnoresTheProcessLocale)
{
    EXPECT_EQ(KString::FromDouble(1.5), "1.500000");
    EXPECT_EQ(KString::FromDouble(-0.125, 2), "-0.12");
    EXPECT_EQ(KString::FromDouble(2.0, 0), "2");
    EXPECT_EQ(KString::FromDouble(3.25, -1), "3.250000");
    EXPECT_EQ(KString::FromDouble(1e300, 1).GetLen(), 303);
    // A locale with a decimal comma must not leak into the text.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        EXPECT_EQ(KString::FromDouble(0.5, 1), "0.5");
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(KStringTest, IndexReadsAreBounded)
{
    const KString lText("ab");
    EXPECT_EQ(lText[0], 'a');
    EXPECT_EQ(lText[1], 'b');
    EXPECT_EQ(lText[2], '\0');
    EXPECT_EQ(lText[100], '\0');
    EXPECT_EQ(lText[-1], '\0');
    EXPECT_EQ(KString(nullptr)[0], '\0');
}

TEST(KStringTest, FindAndReverseFind)
{
    const KString lText("a.b.c");
    EXPECT_EQ(lText.Find("."), 1);
    EXPECT_EQ(lText.Find(".", 2), 3);
    EXPECT_EQ(lText.Find(".", 4), -1);
    EXPECT_EQ(lText.Find(".", 99), -1);
    EXPECT_EQ(lText.Find(".", -5), 1);
    EXPECT_EQ(lText.Find("b.c"), 2);
    EXPECT_EQ(lText.Find("x"), -1);
    EXPECT_EQ(lText.Find(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(lText.Find('c'), 4);
    EXPECT_EQ(lText.Find('a', 1), -1);
    EXPECT_EQ(lText.ReverseFind('.'), 3);
    EXPECT_EQ(lText.ReverseFind('z'), -1);
    EXPECT_EQ(KString(nullptr).Find("a"), -1);
    EXPECT_EQ(KString(nullptr).ReverseFind('a'), -1);
}

TEST(KStringTest, SubstringsClampTheirArguments)
{
    const KString lText("abcdef");
    EXPECT_EQ(lText.Left(2), "ab");
    EXPECT_EQ(lText.Left(0), "");
    EXPECT_EQ(lText.Left(-3), "");
    EXPECT_EQ(lText.Left(50), "abcdef");
    EXPECT_EQ(lText.Mid(4), "ef");
    EXPECT_EQ(lText.Mid(6), "");
    EXPECT_EQ(lText.Mid(60), "");
    EXPECT_EQ(lText.Mid(-2), "abcdef");
    EXPECT_EQ(lText.Mid(1, 3), "bcd");
    EXPECT_EQ(lText.Mid(4, 10), "ef");
    EXPECT_EQ(lText.Mid(2, -1), "");
    EXPECT_EQ(lText.Right(2), "ef");
    EXPECT_EQ(lText.Right(20), "abcdef");
    EXPECT_EQ(lText.Right(-1), "");
}

TEST(KStringTest, TrimModes)
{
    const KString lText(" \t a b \r\n");
    EXPECT_EQ(lText.Trim(0), " \t a b");
    EXPECT_EQ(lText.Trim(1), "a b \r\n");
    EXPECT_EQ(lText.Trim(2), "a b");
    EXPECT_EQ(lText.Trim(7), lText);
    EXPECT_EQ(lText, " \t a b \r\n");
    EXPECT_EQ(KString(" \v\f ").Trim(2), "");
    EXPECT_EQ(KString(" \v\f ").Trim(0), "");
    EXPECT_EQ(KString("").Trim(1), "");
}

TEST(KStringTest, TrimLeavesHighBytes)
{
    // 0xA0 is white space in some 8-bit code pages but not in the C locale.
    const KString lText("\xA0 x\xE9 \xFF");
    EXPECT_EQ(lText.Trim(2), "\xA0 x\xE9 \xFF");
    EXPECT_EQ(KString(" \x80 ").Trim(2), "\x80");
}

TEST(KStringTest, CompareIsBytewiseAndSigned)
{
    EXPECT_EQ(KString("abc").Compare("abd"), -1);
    EXPECT_EQ(KString("abd").Compare("abc"), 1);
    EXPECT_EQ(KString("ab").Compare("abc"), -1);
    EXPECT_EQ(KString("abc").Compare("abc"), 0);
    EXPECT_EQ(KString("a").Compare("B"), 1);
    // High bytes order above ASCII, as unsigned bytes.
    EXPECT_EQ(KString("\xE9").Compare("z"), 1);
    EXPECT_EQ(KString("\xE9").Compare(KString("z")), 1);
    EXPECT_EQ(KString(nullptr).Compare("a"), -1);
    EXPECT_TRUE(KString("a") < KString("b"));
    EXPECT_FALSE(KString("b") < KString("a"));
    EXPECT_TRUE(KString("x") != "y");
    EXPECT_TRUE(KString("x") != KString("X"));
}

TEST(KStringTest, CompareNoCaseUsesUpperCase)
{
    EXPECT_EQ(KString("Hello").CompareNoCase("hELLO"), 0);
    EXPECT_EQ(KString("abc").CompareNoCase("ABD"), -1);
    EXPECT_EQ(KString("ABD").CompareNoCase("abc"), 1);
    // Upper-case forms: '_' (0x5F) sorts after 'A'..'Z' (0x41..0x5A).
    EXPECT_EQ(KString("_").CompareNoCase("a"), 1);
    EXPECT_EQ(KString(nullptr).CompareNoCase(""), 0);
    EXPECT_EQ(KString("").CompareNoCase(nullptr), 0);
    EXPECT_EQ(KString("\xE9").CompareNoCase("\xC9"), 1);
}

TEST(KStringTest, CaseConversionIsAscii)
{
    EXPECT_EQ(KString("MiXeD 1_\xC9").Lower(), "mixed 1_\xC9");
    EXPECT_EQ(KString("MiXeD 1_\xE9").Upper(), "MIXED 1_\xE9");
}

TEST(KStringTest, FindAndReplaceLoops)
{
    KString lText("a--b--c--");
    int lCount = 0;
    while (lText.FindAndReplace("--", "+")) {
        ++lCount;
    }
    EXPECT_EQ(lCount, 3);
    EXPECT_EQ(lText, "a+b+c+");

    KString lGrow("x.y");
    EXPECT_TRUE(lGrow.FindAndReplace(".", "<.>"));
    EXPECT_EQ(lGrow, "x<.>y");
    // Searching past the replacement keeps a loop moving forward.
    KString lSelf("aa");
    int lAt = 0;
    int lSteps = 0;
    while (lSelf.FindAndReplace("a", "aa", lAt)) {
        lAt = lSelf.Find("a", lAt) + 2;
        ++lSteps;
    }
    EXPECT_EQ(lSteps, 2);
    EXPECT_EQ(lSelf, "aaaa");

    KString lStart("ab ab");
    EXPECT_TRUE(lStart.FindAndReplace("ab", "X", 1));
    EXPECT_EQ(lStart, "ab X");
    EXPECT_TRUE(lStart.FindAndReplace(" ", nullptr));
    EXPECT_EQ(lStart, "abX");
    EXPECT_FALSE(lStart.FindAndReplace("", "y"));
    EXPECT_FALSE(lStart.FindAndReplace(nullptr, "y"));
    EXPECT_FALSE(lStart.FindAndReplace("zz", "y"));
    EXPECT_EQ(lStart, "abX");
    KString lNull(nullptr);
    EXPECT_FALSE(lNull.FindAndReplace("a", "b"));
    EXPECT_TRUE(lNull.IsNull());
}

TEST(KStringTest, TokensSkipRunsOfDelimiters)
{
    const KString lLine("  12,\t3 ,, 45 ");
    const char* lDelims = " ,\t";
    ASSERT_EQ(lLine.GetTokenCount(lDelims), 3);
    EXPECT_EQ(lLine.GetToken(0, lDelims), "12");
    EXPECT_EQ(lLine.GetToken(1, lDelims), "3");
    EXPECT_EQ(lLine.GetToken(2, lDelims), "45");
    EXPECT_EQ(lLine.GetToken(3, lDelims), "");
    EXPECT_EQ(lLine.GetToken(-1, lDelims), "");

    EXPECT_EQ(KString("abc").GetTokenCount(" "), 1);
    EXPECT_EQ(KString("abc").GetToken(0, " "), "abc");
    EXPECT_EQ(KString("a b").GetTokenCount(nullptr), 1);
    EXPECT_EQ(KString("a b").GetToken(0, nullptr), "a b");
    EXPECT_EQ(KString(",,,").GetTokenCount(","), 0);
    EXPECT_EQ(KString(",,,").GetToken(0, ","), "");
    EXPECT_EQ(KString("").GetTokenCount(","), 0);
    EXPECT_EQ(KString(nullptr).GetTokenCount(","), 0);
    EXPECT_EQ(KString(nullptr).GetToken(0, ","), "");
    EXPECT_FALSE(KString(nullptr).GetToken(0, ",").IsNull());
}

TEST(KStringTest, TokensOfALongLine)
{
    KString lLine;
    for (int i = 0; i < 500; ++i) {
        lLine += i;
        lLine += (i % 3 == 0) ? "  " : "\t";
    }
    const int lCount = lLine.GetTokenCount(" \t");
    ASSERT_EQ(lCount, 500);
    for (int i = 0; i < lCount; i += 37) {
        EXPECT_EQ(lLine.GetToken(i, " \t"), KString(i));
    }
}

TEST(KStringTest, PointerAndLengthKeepsEmbeddedZeros)
{
    const KString lText("a\0b", 3);
    EXPECT_EQ(lText.GetLen(), 3);
    EXPECT_EQ(lText[2], 'b');
    EXPECT_EQ(KString("abcdef", 2), "ab");
}
