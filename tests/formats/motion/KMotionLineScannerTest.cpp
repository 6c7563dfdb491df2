#include "formats/motion/KMotionLineScanner.h"

#include "core/KByteSource.h"
#include "formats/motion/KTextFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>

namespace {

// A text file over a line in memory (which must outlive it), for comparing the scanner with
// the readers it stands in for.
class LineFile : public KTextFile
{
public:
    explicit LineFile(const std::string& pLine) : KTextFile("TEST", " \t\r\n", nullptr, true, false)
    {
        auto lSource = std::make_unique<KByteSource>();
        mOpen = lSource->OpenMemory(pLine.data(), pLine.size(), "line.txt", true) &&
                Open(std::move(lSource)) && !IsAtEnd();
    }
    bool mOpen = false;
};

// Every field the scanner takes, the text file's reader takes with the same value; every field
// it refuses is one the text file reads differently or not at all, so the caller hands over.
TEST(KMotionLineScanner, TakesOnlyWhatTheTextReaderReadsAlike)
{
    struct Case
    {
        const char* mField;
        bool mPlain;
    };
    const Case kCases[] = {
        {"3", true},
        {"-0", true},
        {"-.5", true},
        {".25", true},
        {"1e-3", true},
        {"2.5E+7", true},
        {"+1", false},
        {"inf", false},
        {"-inf", false},
        {"nan", false},
        {"1e999", false},
        {"1.5.2", false},
        {"12abc", false},
        {"1e", false},
        {".", false},
        {"-", false},
        {"0x10", false},
        {"1,5", false},
        {"\v1", false},
        {"1\v", false},
        {"100", true},
        {"-000", true},
        {"12.", true},
        {"12x", false},
        {"1234567890123456789", true},
    };
    for (const Case& lCase : kCases) {
        const std::string lLine = std::string(" \t") + lCase.mField + " 7";
        KMotionLineScanner lScanner(lLine);
        double lValue = -99.0;
        const bool lPlain = lScanner.ReadDouble(lValue);
        EXPECT_EQ(lPlain, lCase.mPlain) << lCase.mField;
        if (!lPlain) {
            EXPECT_EQ(lValue, -99.0) << lCase.mField;
            continue;
        }
        LineFile lFile(lLine);
        ASSERT_TRUE(lFile.mOpen);
        double lExpected = 0.0;
        ASSERT_TRUE(lFile.ReadDouble(lExpected)) << lCase.mField;
        EXPECT_EQ(lValue, lExpected) << lCase.mField;
        EXPECT_EQ(std::signbit(lValue), std::signbit(lExpected)) << lCase.mField;
        double lNext = 0.0;
        EXPECT_TRUE(lScanner.ReadDouble(lNext));
        EXPECT_EQ(lNext, 7.0);
        EXPECT_TRUE(lScanner.AtEnd());
    }
}

TEST(KMotionLineScanner, IntegersLettersAndTheLineEnd)
{
    const std::string lLine = "12\t-3 P1.5 Q 2147483648";
    KMotionLineScanner lScanner(lLine);
    int lFrame = 0;
    int lId = 0;
    double lX = 0.0;
    EXPECT_TRUE(lScanner.ReadInt(lFrame));
    EXPECT_TRUE(lScanner.ReadInt(lId));
    EXPECT_FALSE(lScanner.ReadLetter('Q'));
    EXPECT_TRUE(lScanner.ReadLetter('P'));
    EXPECT_TRUE(lScanner.ReadDouble(lX));
    EXPECT_TRUE(lScanner.ReadLetter('Q'));
    int lOverflow = 5;
    EXPECT_FALSE(lScanner.ReadInt(lOverflow));
    EXPECT_EQ(lOverflow, 5);
    EXPECT_EQ(lFrame, 12);
    EXPECT_EQ(lId, -3);
    EXPECT_EQ(lX, 1.5);

    int lValue = 0;
    const std::string lFractionLine = "1.5";
    KMotionLineScanner lFraction(lFractionLine);
    EXPECT_FALSE(lFraction.ReadInt(lValue));
    const std::string lBlankLine = " \t ";
    KMotionLineScanner lBlank(lBlankLine);
    EXPECT_TRUE(lBlank.AtEnd());
    EXPECT_FALSE(lBlank.ReadInt(lValue));
}

} // namespace
