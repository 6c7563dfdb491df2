#include "formats/geometry/dxf/KDxfGroupWriter.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace {

std::string Fixed(double pValue)
{
    char lText[KDxfGroupWriter::kCoordinateSize];
    return std::string(lText, KDxfGroupWriter::PutFixed(lText, pValue));
}

// The library's "%.6f", without the sign of a value that prints as zero.
std::string LibraryFixed(double pValue)
{
    char lText[KDxfGroupWriter::kCoordinateSize];
    const std::to_chars_result lEnd =
        std::to_chars(lText, lText + sizeof(lText), pValue, std::chars_format::fixed, 6);
    const std::string lFixed = lEnd.ec == std::errc() ? std::string(lText, lEnd.ptr) : "";
    return lFixed == "-0.000000" ? "0.000000" : lFixed;
}

// Every value prints as the library prints it, but for the sign of a zero: values around the
// quick path's limits, ties and near-ties of the sixth decimal, values that round up into the
// next integer or to zero, and random values of every magnitude.
TEST(KDxfGroupWriter, CoordinatesPrintAsTheLibraryPrintsThem)
{
    const double kInf = std::numeric_limits<double>::infinity();
    const double lChosen[] = {0.0,   -0.0,        1.0 / 128,  -3.0 / 128, 5e-7,
                              -5e-7, 4.999999e-7, 0.9999995,  0.99999949, 7999999.9999995,
                              8e6,   -8e6,        8e6 - 1e-9, 1e300,      kInf,
                              -kInf, 1e-300,      -1e-300,    0.1,        123.4565};
    for (const double lValue : lChosen) {
        EXPECT_EQ(Fixed(lValue), LibraryFixed(lValue)) << lValue;
    }
    // No negative zero, whatever rounds to it: a file read back would not keep the sign.
    EXPECT_EQ(Fixed(-0.0), "0.000000");
    EXPECT_EQ(Fixed(-4.9e-7), "0.000000");
    EXPECT_EQ(Fixed(-5e-7), "0.000000");
    EXPECT_EQ(Fixed(-5.0000001e-7), "-0.000001");
    EXPECT_EQ(Fixed(1.0 / 128), "0.007812");
    EXPECT_EQ(Fixed(3.0 / 128), "0.023438");
    // Every digit of the largest magnitudes, none dropped for want of room.
    EXPECT_EQ(Fixed(1e57), "1000000000000000048346692115553659057528394845890514255872.000000");
    const std::string lLargest = Fixed(-std::numeric_limits<double>::max());
    EXPECT_EQ(lLargest.size(), KDxfGroupWriter::kCoordinateSize);
    EXPECT_EQ(lLargest.substr(0, 8), "-1797693");
    double lBack = 0.0;
    EXPECT_EQ(std::from_chars(lLargest.data(), lLargest.data() + lLargest.size(), lBack).ec,
              std::errc());
    EXPECT_EQ(lBack, -std::numeric_limits<double>::max());
    std::uint64_t lState = 7;
    for (int i = 0; i < 200000; ++i) {
        lState = lState * 6364136223846793005ull + 1442695040888963407ull;
        const int lExponent = static_cast<int>(lState >> 58) - 40;
        const double lMantissa = static_cast<double>(lState >> 11) * 0x1p-53;
        double lValue = std::ldexp(lMantissa, lExponent);
        if (i % 3 == 0) {
            // On a binary grid of 2^-7 .. 2^-10, where exact ties of the sixth decimal lie.
            const double lUnit = std::ldexp(1.0, -7 - i % 4);
            lValue = std::round(lValue / lUnit) * lUnit;
        }
        lValue = (lState & 1) ? -lValue : lValue;
        ASSERT_EQ(Fixed(lValue), LibraryFixed(lValue)) << lValue;
    }
}

// Groups larger than the buffer keep their place among the others; integers pad as asked.
TEST(KDxfGroupWriter, KeepsTheOrderAcrossBufferFills)
{
    TempFolder lFiles;
    const std::string lPath = lFiles.PathOf("groups.dxf");
    std::FILE* lStream = std::fopen(lPath.c_str(), "wb");
    ASSERT_NE(lStream, nullptr);
    std::string lExpected;
    {
        KDxfGroupWriter lOut(lStream);
        const std::string lLong(KDxfGroupWriter::kBufferSize + 10, 'x');
        for (int i = 0; i < 40000; ++i) {
            lOut.Integer(70, i);
            lExpected += " 70\n   " + std::to_string(i) + "\n";
            lOut.Coordinate(10, i * 0.5);
            lExpected += " 10\n" + LibraryFixed(i * 0.5) + "\n";
            if (i % 10000 == 0) {
                lOut.Group(1000, lLong);
                lExpected += "1000\n" + lLong + "\n";
                lOut.Integer(62, -i - 1, 1);
                lExpected += " 62\n " + std::to_string(-i - 1) + "\n";
            }
        }
        EXPECT_TRUE(lOut.Finish());
    }
    std::fclose(lStream);
    // Compared by hand: a failure shows where the texts part, not both texts.
    const std::string lWritten = TempFolder::Read(lPath);
    const auto lParted =
        std::mismatch(lWritten.begin(), lWritten.end(), lExpected.begin(), lExpected.end());
    EXPECT_EQ(lParted.first - lWritten.begin(), static_cast<long>(lExpected.size()));
    EXPECT_EQ(lWritten.size(), lExpected.size());
}

// Codes right-aligned in three columns, longer ones as they are.
TEST(KDxfGroupWriter, CodeLines)
{
    const std::pair<int, const char*> lCases[] = {{0, "  0\n"},
                                                  {5, "  5\n"},
                                                  {10, " 10\n"},
                                                  {62, " 62\n"},
                                                  {100, "100\n"},
                                                  {105, "105\n"},
                                                  {999, "999\n"},
                                                  {1000, "1000\n"},
                                                  {-3, " -3\n"},
                                                  {-100, "-100\n"},
                                                  {2147483647, "2147483647\n"}};
    for (const auto& lCase : lCases) {
        EXPECT_EQ(KDxfGroupWriter::GroupText(lCase.first, "v"), std::string(lCase.second) + "v\n");
    }
}

TEST(KDxfGroupWriter, AFullDiskFailsTheFinish)
{
    std::FILE* lFull = std::fopen("/dev/full", "w");
    if (!lFull) {
        GTEST_SKIP() << "no /dev/full";
    }
    KDxfGroupWriter lSmall(lFull);
    lSmall.Group(0, "EOF");
    EXPECT_FALSE(lSmall.Finish());
    KDxfGroupWriter lLarge(lFull);
    for (int i = 0; i < 100000; ++i) {
        lLarge.Coordinate(10, i);
    }
    EXPECT_FALSE(lLarge.Finish());
    std::fclose(lFull);
}

} // namespace
