#include "core/KString.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <initializer_list>
#include <string>

namespace {

// The texts joined by '|', null strings marked "<null>" (they should hold no text).
std::string Join(std::initializer_list<KString> pTexts)
{
    std::string lJoined;
    for (const KString& lText : pTexts) {
        lJoined +=
            (lText.IsNull() ? "<null>" : "") + std::string(lText.Buffer(), lText.GetLen()) + "|";
    }
    return lJoined.substr(0, lJoined.size() - 1);
}

// The numbers joined by ' '.
std::string Numbers(std::initializer_list<int> pNumbers)
{
    std::string lJoined;
    for (int lNumber : pNumbers) {
        lJoined += (lJoined.empty() ? "" : " ") + std::to_string(lNumber);
    }
    return lJoined;
}

const KString kNull(nullptr);
const char* const kNoText = nullptr;

} // namespace

TEST(KStringTest, NullAndEmptyAreDistinctButCompareEqual)
{
    const KString lEmpty;
    EXPECT_EQ(Join({lEmpty, kNull, KString(nullptr, 5), KString("abc", -1), KString("abcdef", 2)}),
              "|<null>|<null>||ab");
    EXPECT_EQ(Join({KString("a\0b", 3)}), std::string("a\0b", 3));
    EXPECT_EQ(kNull.GetLen(), 0);
    EXPECT_STREQ(kNull.Buffer(), "");
    EXPECT_TRUE(kNull == lEmpty && kNull == "" && kNull == kNoText && !(kNull != ""));
    EXPECT_EQ(lEmpty.Compare(nullptr), 0);

    KString lText("abc");
    lText = kNoText;
    const KString lAfterNull = lText;
    lText = "";
    const KString lAfterEmpty = lText;
    lText = kNull;
    EXPECT_EQ(Join({lAfterNull, lAfterEmpty, lText, lText.Clear()}), "<null>||<null>|");
    KString lSelf("hello world");
    lSelf = lSelf.Buffer() + 6;
    KString lTarget(std::move(lSelf));
    const KString lMoved = lTarget;
    KString lNullSource(nullptr);
    lTarget = std::move(lNullSource);
    EXPECT_EQ(Join({lMoved, lTarget}), "world|<null>");
}

TEST(KStringTest, CopiesAndConcatenationsOfTheNullString)
{
    const KString lAbc("abc");
    EXPECT_EQ(Join({kNull.Lower(), kNull.Upper(), kNull.Trim(2), kNull.Left(3), kNull.Mid(0),
                    kNull.Right(1), KString("").Lower(), KString("  ").Trim(2)}),
              "<null>|<null>|<null>|<null>|<null>|<null>||");
    EXPECT_EQ(Join({kNull + lAbc, lAbc + kNull, kNull + kNull, lAbc + KString("de"),
                    KString("") + KString(""), kNull + "x", kNull + kNoText, lAbc + kNoText}),
              "<null>|<null>|<null>|abcde||x|<null>|abc");
    EXPECT_EQ(Join({KString("n=") + -7, KString(0), KString(INT_MIN), KString("") + INT_MAX}),
              "n=-7|0|-2147483648|2147483647");
    KString lAppend(nullptr);
    lAppend += kNull;
    lAppend += kNoText;
    const KString lStillNull = lAppend;
    lAppend += "";
    const KString lEmpty = lAppend;
    lAppend += KString("a");
    lAppend += INT_MIN;
    lAppend += "b";
    EXPECT_EQ(Join({lStillNull, lEmpty, lAppend}), "<null>||a-2147483648b");
}

TEST(KStringTest, DoubleFormIgnoresTheProcessLocale)
{
    EXPECT_EQ(Join({KString::FromDouble(1.5), KString::FromDouble(-0.125, 2),
                    KString::FromDouble(2.0, 0), KString::FromDouble(3.25, -1)}),
              "1.500000|-0.12|2|3.250000");
    EXPECT_EQ(KString::FromDouble(1e300, 1).GetLen(), 303);
    EXPECT_EQ(KString::FromDouble(1.0, 100).GetLen(), 66);
    // A locale with a decimal comma must not leak into the text.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
        EXPECT_EQ(Join({KString::FromDouble(0.5, 1)}), "0.5");
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(KStringTest, SearchesAndBoundedReads)
{
    const KString lText("a.b.c");
    EXPECT_EQ(
        Numbers({lText.Find("."), lText.Find(".", 2), lText.Find(".", 4), lText.Find(".", 99),
                 lText.Find(".", -5), lText.Find("b.c"), lText.Find("x"), lText.Find(kNoText)}),
        "1 3 -1 -1 1 2 -1 0");
    EXPECT_EQ(Numbers({lText.Find('c'), lText.Find('a', 1), lText.Find('.', 2), lText.Find('.', 9),
                       lText.ReverseFind('.'), lText.ReverseFind('a'), lText.ReverseFind('z')}),
              "4 -1 3 -1 3 0 -1");
    EXPECT_EQ(Numbers({kNull.Find("a"), kNull.ReverseFind('a'), lText[0], lText[4], lText[5],
                       lText[-1], kNull[0]}),
              "-1 -1 97 99 0 0 0");
}

TEST(KStringTest, SubstringsTrimAndCaseClampTheirArguments)
{
    const KString lText("abcdef");
    EXPECT_EQ(Join({lText.Left(2), lText.Left(0), lText.Left(-3), lText.Left(50)}), "ab|||abcdef");
    EXPECT_EQ(Join({lText.Mid(4), lText.Mid(6), lText.Mid(60), lText.Mid(-2), lText.Mid(1, 3),
                    lText.Mid(4, 10), lText.Mid(2, -1), lText.Mid(-1, 2)}),
              "ef|||abcdef|bcd|ef||ab");
    EXPECT_EQ(Join({lText.Right(2), lText.Right(20), lText.Right(-1), lText.Right(0)}),
              "ef|abcdef||");
    const KString lSpaced(" \t a b \r\n");
    EXPECT_EQ(
        Join({lSpaced.Trim(0), lSpaced.Trim(1), lSpaced.Trim(2), lSpaced.Trim(7), lSpaced.Trim(),
              KString(" \v\f ").Trim(2), KString(" \v\f ").Trim(0), KString("").Trim(1)}),
        " \t a b|a b \r\n|a b| \t a b \r\n|a b|||");
    // 0xA0 is white space in some 8-bit code pages but not in the C locale; case is ASCII only.
    EXPECT_EQ(Join({KString("\xA0 x\xE9 \xFF").Trim(2), KString(" \x80 ").Trim(2),
                    KString("MiXeD 1_\xC9").Lower(), KString("MiXeD 1_\xE9").Upper()}),
              "\xA0 x\xE9 \xFF|\x80|mixed 1_\xC9|MIXED 1_\xE9");
}

TEST(KStringTest, CompareIsBytewiseUnsignedAndNoCaseUsesUpperCase)
{
    // High bytes order above ASCII, as unsigned bytes.
    EXPECT_EQ(Numbers({KString("abc").Compare("abd"), KString("abd").Compare("abc"),
                       KString("ab").Compare("abc"), KString("abc").Compare("ab"),
                       KString("abc").Compare("abc"), KString("a").Compare("B"),
                       KString("\xE9").Compare("z"), KString("\xE9").Compare(KString("z")),
                       kNull.Compare("a")}),
              "-1 1 -1 1 0 1 1 1 -1");
    // Upper-case forms: '_' (0x5F) sorts after 'A'..'Z' (0x41..0x5A).
    EXPECT_EQ(Numbers({KString("Hello").CompareNoCase("hELLO"), KString("abc").CompareNoCase("ABD"),
                       KString("ABD").CompareNoCase("abc"), KString("_").CompareNoCase("a"),
                       kNull.CompareNoCase(""), KString("").CompareNoCase(nullptr),
                       KString("\xE9").CompareNoCase("\xC9")}),
              "0 -1 1 1 0 0 1");
    EXPECT_TRUE(KString("a") < KString("b") && !(KString("b") < KString("a")));
    EXPECT_TRUE(KString("x") != "y" && KString("x") != KString("X"));
}

TEST(KStringTest, FindAndReplaceLoopsMoveForward)
{
    KString lText("a--b--c--");
    int lCount = 0;
    while (lText.FindAndReplace("--", "+")) {
        ++lCount;
    }
    // Searching past the replacement keeps a loop moving forward.
    KString lSelf("aa");
    int lAt = 0;
    while (lSelf.FindAndReplace("a", "aa", lAt)) {
        lAt = lSelf.Find("a", lAt) + 2;
        ++lCount;
    }
    EXPECT_EQ(lCount, 5);
    KString lStart("ab ab");
    EXPECT_TRUE(lStart.FindAndReplace("ab", "<X>", 1));
    EXPECT_TRUE(lStart.FindAndReplace(" ", nullptr));
    for (const char* lFind : {"", kNoText, "zz"}) {
        EXPECT_FALSE(lStart.FindAndReplace(lFind, "y"));
    }
    KString lNull(nullptr);
    EXPECT_FALSE(lNull.FindAndReplace("a", "b"));
    EXPECT_EQ(Join({lText, lSelf, lStart, lNull}), "a+b+c+|aaaa|ab<X>|<null>");
}

TEST(KStringTest, TokensSkipRunsOfDelimiters)
{
    const KString lLine("  12,\t3 ,, 45 ");
    const char* lDelims = " ,\t";
    EXPECT_EQ(
        Join({lLine.GetToken(0, lDelims), lLine.GetToken(1, lDelims), lLine.GetToken(2, lDelims),
              lLine.GetToken(3, lDelims), lLine.GetToken(-1, lDelims),
              KString("abc").GetToken(0, " "), KString("a b").GetToken(0, nullptr),
              KString(",,,").GetToken(0, ","), kNull.GetToken(0, ",")}),
        "12|3|45|||abc|a b||");
    EXPECT_EQ(Numbers({lLine.GetTokenCount(lDelims), KString("abc").GetTokenCount(" "),
                       KString("a b").GetTokenCount(nullptr), KString(",,,").GetTokenCount(","),
                       KString("").GetTokenCount(","), kNull.GetTokenCount(",")}),
              "3 1 1 0 0 0");
    KString lLong;
    for (int i = 0; i < 500; ++i) {
        lLong += i;
        lLong += (i % 3 == 0) ? "  " : "\t";
    }
    ASSERT_EQ(lLong.GetTokenCount(" \t"), 500);
    for (int i = 0; i < 500; i += 37) {
        EXPECT_EQ(lLong.GetToken(i, " \t"), KString(i));
    }
}
