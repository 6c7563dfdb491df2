#include "core/KQuotedValue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KQuotedValue, ShortValuesAreQuotedWhole)
{
    EXPECT_EQ(KQuoteValue(""), "\"\"");
    EXPECT_EQ(KQuoteValue("Material7"), "\"Material7\"");
    const std::string lForty(kMaxQuotedLength, 'x');
    EXPECT_EQ(KQuoteValue(lForty), "\"" + lForty + "\"");
}

TEST(KQuotedValue, LongValuesKeepAPrefixOfFortyBytes)
{
    const std::string lNumber = "1" + std::string(10000000, '0') + "x";
    const std::string lQuoted = KQuoteValue(lNumber);
    EXPECT_EQ(lQuoted, "\"1" + std::string(39, '0') + "...\"");
    EXPECT_EQ(KValuePrefix(lNumber).size(), 40u);
}

TEST(KQuotedValue, ACutNeverSplitsACharacter)
{
    // 38 ASCII bytes, then a three-byte character over bytes 38..40: it does not fit whole.
    const std::string lEuro = "\xE2\x82\xAC";
    const std::string lValue = std::string(38, 'a') + lEuro + "tail";
    EXPECT_EQ(KValuePrefix(lValue), std::string(38, 'a'));
    // Ending exactly at byte 40 the character stays.
    const std::string lFits = std::string(37, 'a') + lEuro + "tail";
    EXPECT_EQ(KValuePrefix(lFits), std::string(37, 'a') + lEuro);
    // Bytes that are no UTF-8 (continuation bytes only) are cut at 40 all the same.
    const std::string lJunk(100, '\x80');
    EXPECT_EQ(KValuePrefix(lJunk).size(), 40u);
}

} // namespace
