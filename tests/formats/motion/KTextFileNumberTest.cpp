// The number reads of KTextFile answer what the strict number grammar answers for the token under
// the cursor: the same acceptance and the same bits, whichever way the read gets there.
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KTextFile.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class NumberFile : public KTextFile
{
public:
    NumberFile() : KTextFile("TEST", " \t\r\n", nullptr, true, true) {}
};

const std::vector<std::string> kTokens = {
    "0",
    "-0",
    "7",
    "+7",
    "-12",
    "00012",
    "1.",
    "-1.",
    ".5",
    "-.5",
    ".",
    "-.",
    "-",
    "+",
    "--1",
    "-+1",
    "+-1",
    "1e5",
    "1E-3",
    "-2.5e+10",
    "1e",
    "1e+",
    "1.e5",
    ".e5",
    "1e400",
    "1e-400",
    "4.9e-324",
    "2147483647",
    "2147483648",
    "-2147483648",
    "0x10",
    "1.5.3",
    "1,5",
    "12abc",
    "nan",
    "0.1234567890123456789",
    "-180",
    "179.99999",
    "123456789012345678901234567890",
    "9.999999999999999e307",
};

std::string AllTokensFile()
{
    std::string lText;
    for (const std::string& lToken : kTokens) {
        lText += lToken + "\n";
    }
    return lText;
}

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

TEST(KTextFileNumbers, ReadDoubleAndReadIntAnswerAsTheStrictGrammar)
{
    const std::string lPath = WriteTestFile("tokens.txt", AllTokensFile());
    NumberFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    for (std::size_t i = 0; i < kTokens.size(); ++i) {
        const std::string& lToken = kTokens[i];
        ASSERT_EQ(lFile.GetLine(), lToken);
        const char* lBegin = lToken.data();
        const char* lEnd = lBegin + lToken.size();
        double lExpected = -1.0;
        const bool lIsDouble = KMotionNumber::ParseDouble(lBegin, lEnd, lExpected);
        double lValue = -1.0;
        EXPECT_EQ(lFile.ReadDouble(lValue), lIsDouble) << lToken;
        EXPECT_TRUE(SameBits(lValue, lExpected)) << lToken;
        EXPECT_EQ(lFile.AtLineEnd(), lIsDouble) << lToken;
        EXPECT_EQ(lFile.ReadLine(), i + 1 < kTokens.size());
    }
}

TEST(KTextFileNumbers, IntegersAnswerAsTheStrictGrammar)
{
    const std::string lPath = WriteTestFile("int-tokens.txt", AllTokensFile());
    NumberFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    for (std::size_t i = 0; i < kTokens.size(); ++i) {
        const std::string& lToken = kTokens[i];
        ASSERT_EQ(lFile.GetLine(), lToken);
        int lExpected = -1;
        const bool lIsInt =
            KMotionNumber::ParseInt(lToken.data(), lToken.data() + lToken.size(), lExpected);
        int lValue = -1;
        EXPECT_EQ(lFile.ReadInt(lValue), lIsInt) << lToken;
        EXPECT_EQ(lValue, lExpected) << lToken;
        EXPECT_EQ(lFile.ReadLine(), i + 1 < kTokens.size());
    }
}

// Three tokens on a line: ReadVector3 takes them all or leaves everything as it was.
TEST(KTextFileNumbers, VectorsTakeThreeNumbersOrNothing)
{
    std::string lText;
    std::vector<std::string> lLines;
    for (const std::string& lToken : kTokens) {
        lLines.push_back("1.5 " + lToken + " -2");
        lText += lLines.back() + "\n";
    }
    const std::string lPath = WriteTestFile("vectors.txt", lText);
    NumberFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    for (std::size_t i = 0; i < kTokens.size(); ++i) {
        const std::string& lToken = kTokens[i];
        ASSERT_EQ(lFile.GetLine(), lLines[i]);
        double lExpected = 0.0;
        const bool lIsDouble =
            KMotionNumber::ParseDouble(lToken.data(), lToken.data() + lToken.size(), lExpected);
        double lValues[3] = {9.0, 9.0, 9.0};
        EXPECT_EQ(lFile.ReadVector3(lValues, 2.0), lIsDouble) << lToken;
        if (lIsDouble) {
            EXPECT_EQ(lValues[0], 3.0);
            EXPECT_TRUE(SameBits(lValues[1], lExpected * 2.0)) << lToken;
            EXPECT_EQ(lValues[2], -4.0);
        } else {
            EXPECT_EQ(lValues[1], 9.0) << lToken;
        }
        EXPECT_EQ(lFile.ReadLine(), i + 1 < kTokens.size());
    }
}

} // namespace
