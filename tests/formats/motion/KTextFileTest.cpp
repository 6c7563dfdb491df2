#include "formats/motion/KTextFile.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Settings of a whitespace format without comments, and of one with '#' comments and the
// punctuation separators.
class PlainFile : public KTextFile
{
public:
    explicit PlainFile(bool pCaseSensitive = true)
        : KTextFile("TEST", " \t\r\n", nullptr, pCaseSensitive, true)
    {
    }
};

class CommentFile : public KTextFile
{
public:
    CommentFile() : KTextFile("AMC", " \t,()\r\n", "#", true, true) {}
};

std::vector<std::string> AllLines(KTextFile& pFile, std::vector<int>* pNumbers = nullptr)
{
    std::vector<std::string> lLines;
    if (pFile.IsAtEnd()) {
        return lLines;
    }
    do {
        lLines.push_back(pFile.GetLine());
        if (pNumbers) {
            pNumbers->push_back(pFile.GetLineNumber());
        }
    } while (pFile.ReadLine());
    return lLines;
}

} // namespace

TEST(KTextFile, EveryLineEndingEndsOneLine)
{
    // LF, CR LF and a lone CR, with a blank CR LF line in between.
    const std::string lPath = WriteTestFile("endings.txt", "one\ntwo\r\n\r\nthree\rfour\r\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "rb"));
    std::vector<int> lNumbers;
    const std::vector<std::string> lLines = AllLines(lFile, &lNumbers);
    EXPECT_EQ(lLines, (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(lNumbers, (std::vector<int>{1, 2, 4, 5}));
    EXPECT_TRUE(lFile.IsAtEnd());
    EXPECT_TRUE(lFile.Close());
    EXPECT_FALSE(lFile.Close());
}

TEST(KTextFile, CrLfAcrossTheReadChunkIsOneEnding)
{
    // The CR sits at the last byte of the first 256 KiB chunk and its LF starts the next one.
    std::string lContent(256 * 1024 - 1, 'a');
    lContent += "\r\nb\n";
    const std::string lPath = WriteTestFile("chunk.txt", lContent);
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    EXPECT_EQ(lFile.GetLine().size(), 256u * 1024u - 1u);
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_EQ(lFile.GetLine(), "b");
    EXPECT_EQ(lFile.GetLineNumber(), 2);
    EXPECT_FALSE(lFile.LinesSkipped());
}

TEST(KTextFile, CommentsOnlyAtTheLineStart)
{
    const std::string lPath =
        WriteTestFile("comments.txt", "# header\n   # indented comment\n\n  abc # not a comment\n");
    CommentFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    EXPECT_EQ(lFile.GetLineNumber(), 4);
    EXPECT_TRUE(lFile.LinesSkipped());
    char lChar = 0;
    ASSERT_TRUE(lFile.GetChar(lChar));
    EXPECT_EQ(lChar, 'a');

    const std::string lEmpty = WriteTestFile("allcomments.txt", "# a\n\n   \n#b\n");
    ASSERT_TRUE(lFile.Open(lEmpty.c_str(), "r"));
    EXPECT_TRUE(lFile.IsAtEnd());
    EXPECT_TRUE(lFile.GetLine().empty());
    EXPECT_FALSE(lFile.ReadLine());
}

TEST(KTextFile, LongLinesAreReadWholeUpToTheCap)
{
    const std::string lLong(25000, 'x');
    const std::string lPath = WriteTestFile("long.txt", lLong + "\nnext\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    EXPECT_EQ(lFile.GetLine(), lLong);
    EXPECT_EQ(lFile.GetLineNumber(), 1);
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_EQ(lFile.GetLineNumber(), 2);

    // 20 MiB without a line end: refused as corrupt, cleanly.
    const std::string lHuge = WriteTestFile("huge.txt", std::string(20u * 1024u * 1024u, '7'));
    ASSERT_TRUE(lFile.Open(lHuge.c_str(), "r"));
    EXPECT_TRUE(lFile.IsAtEnd());
    EXPECT_TRUE(lFile.IsCorrupt());
    EXPECT_TRUE(lFile.GetLine().empty());
    EXPECT_EQ(lFile.GetLastError(), "ryv_motion_huge.txt:1: line longer than 16 MiB: the file is "
                                    "corrupted");
    EXPECT_FALSE(lFile.ReadLine());
    EXPECT_TRUE(lFile.Close());
    std::remove(lHuge.c_str());
}

TEST(KTextFile, NulBytesMakeTheFileCorrupt)
{
    // Past the first block: a zero byte in it refuses the file at once.
    const std::string lBlankBlock(KByteSource::kFirstBlockSize, '\n');
    const std::string lPath =
        WriteTestFile("nul.txt", lBlankBlock + std::string("good\nba\0d\nmore\n", 15));
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    EXPECT_EQ(lFile.GetLine(), "good");
    EXPECT_FALSE(lFile.ReadLine());
    EXPECT_TRUE(lFile.IsCorrupt());
    EXPECT_EQ(lFile.GetLastError(), "ryv_motion_nul.txt:65538: NUL byte in a text line: the file "
                                    "is corrupted");
    // The corruption stays the reported error.
    lFile.Error("later trouble");
    EXPECT_NE(lFile.GetLastError().find("NUL byte"), std::string::npos);
}

TEST(KTextFile, IntegersAreStrict)
{
    const std::string lPath =
        WriteTestFile("ints.txt", "-12 +7 2147483648\n12abc\n\n1.5\n-2147483648\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    int lValue = 0;
    ASSERT_TRUE(lFile.ReadInt(lValue));
    EXPECT_EQ(lValue, -12);
    ASSERT_TRUE(lFile.ReadInt(lValue));
    EXPECT_EQ(lValue, 7);
    EXPECT_FALSE(lFile.ReadInt(lValue));
    EXPECT_EQ(lValue, 7);
    EXPECT_EQ(lFile.PeekToken(), "2147483648");
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.ReadInt(lValue));
    EXPECT_EQ(lFile.PeekToken(), "12abc");
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_TRUE(lFile.LinesSkipped());
    EXPECT_FALSE(lFile.ReadInt(lValue));
    ASSERT_TRUE(lFile.ReadLine());
    ASSERT_TRUE(lFile.ReadInt(lValue));
    EXPECT_EQ(lValue, -2147483647 - 1);
    EXPECT_FALSE(lFile.ReadInt(lValue));
    EXPECT_EQ(lValue, -2147483647 - 1);
}

TEST(KTextFile, DoublesAndInfinityWords)
{
    const std::string lPath = WriteTestFile(
        "doubles.txt", "1.5e2 .5 -0.25 2\n1,5\n0x10\nnan\ninf 3\n-inf \t \ninf\r\nINF\n1e999\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    double lValue = 0.0;
    ASSERT_TRUE(lFile.ReadDouble(lValue));
    EXPECT_EQ(lValue, 150.0);
    ASSERT_TRUE(lFile.ReadDouble(lValue));
    EXPECT_EQ(lValue, 0.5);
    ASSERT_TRUE(lFile.ReadDouble(lValue, 2.0));
    EXPECT_EQ(lValue, -0.5);
    ASSERT_TRUE(lFile.ReadDouble(lValue));
    EXPECT_TRUE(lFile.AtLineEnd());
    EXPECT_FALSE(lFile.ReadDouble(lValue));
    for (int lLine = 0; lLine < 4; ++lLine) {
        ASSERT_TRUE(lFile.ReadLine());
        lValue = 9.0;
        EXPECT_FALSE(lFile.ReadDouble(lValue)) << lFile.GetLine();
        EXPECT_EQ(lValue, 9.0);
    }
    // "-inf" with trailing separators, "inf" before a CR LF line end: both whole-line words.
    ASSERT_TRUE(lFile.ReadLine());
    ASSERT_TRUE(lFile.ReadDouble(lValue, 10.0));
    EXPECT_EQ(lValue, -HUGE_VAL);
    ASSERT_TRUE(lFile.ReadLine());
    ASSERT_TRUE(lFile.ReadDouble(lValue));
    EXPECT_EQ(lValue, HUGE_VAL);
    // The words compare case-sensitively in a case-sensitive format.
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.ReadDouble(lValue));
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.ReadDouble(lValue));

    PlainFile lNoCase(false);
    const std::string lUpper = WriteTestFile("upper.txt", "INF\n");
    ASSERT_TRUE(lNoCase.Open(lUpper.c_str(), "r"));
    ASSERT_TRUE(lNoCase.ReadDouble(lValue));
    EXPECT_EQ(lValue, HUGE_VAL);
}

TEST(KTextFile, PairsAndTriples)
{
    const std::string lPath = WriteTestFile("pairs.txt", "INF -inf\n1 x\n1 2 3 4\n1 2\n7\t8  9\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    double lPair[2] = {0.0, 0.0};
    ASSERT_TRUE(lFile.ReadDoublePair(lPair, 5.0));
    EXPECT_EQ(lPair[0], HUGE_VAL);
    EXPECT_EQ(lPair[1], -HUGE_VAL);
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.ReadDoublePair(lPair, 2.0));
    EXPECT_EQ(lPair[0], 2.0);
    EXPECT_EQ(lFile.PeekToken(), "1");

    ASSERT_TRUE(lFile.ReadLine());
    double lTriple[3] = {0.0, 0.0, 0.0};
    ASSERT_TRUE(lFile.ReadVector3(lTriple, 0.5));
    EXPECT_EQ(lTriple[2], 1.5);
    EXPECT_EQ(lFile.PeekToken(), "4");
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.ReadVector3(lTriple));
    EXPECT_EQ(lTriple[0], 0.5);
    EXPECT_EQ(lFile.PeekToken(), "1");
    ASSERT_TRUE(lFile.ReadLine());
    ASSERT_TRUE(lFile.ReadVector3(lTriple));
    EXPECT_EQ(lTriple[1], 8.0);
    EXPECT_TRUE(lFile.AtLineEnd());
}

TEST(KTextFile, WordsAreReadWholeOrNotAtAll)
{
    const std::string lPath = WriteTestFile("words.txt", "abcde abcdef\tg\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    std::string lWord = "old";
    ASSERT_TRUE(lFile.ReadWord(lWord, 5));
    EXPECT_EQ(lWord, "abcde");
    EXPECT_FALSE(lFile.ReadWord(lWord, 5));
    EXPECT_EQ(lWord, "abcde");
    EXPECT_EQ(lFile.PeekToken(), "abcdef");
    KString lText;
    ASSERT_TRUE(lFile.ReadWord(lText));
    EXPECT_STREQ(lText.Buffer(), "abcdef");
    char lChar = 0;
    ASSERT_TRUE(lFile.ReadChar(lChar));
    EXPECT_EQ(lChar, 'g');
    EXPECT_FALSE(lFile.GetChar(lChar));
    EXPECT_FALSE(lFile.ReadWord(lWord, 100));
}

TEST(KTextFile, KeywordsMatchAsCaseInsensitivePrefixes)
{
    const std::string lPath = WriteTestFile("keys.txt", "MARKERS = 3\nframes 10\n");
    PlainFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    KTextKeyword lTable[] = {{"Frames", 0}, {"Markers", 0}, {"", 0}};
    EXPECT_EQ(lFile.FindKeyword(lTable), 1);
    EXPECT_EQ(lTable[1].mCount, 0);
    EXPECT_EQ(lFile.MatchKeyword(lTable), 1);
    EXPECT_EQ(lTable[1].mCount, 1);
    char lChar = 0;
    ASSERT_TRUE(lFile.GetChar(lChar));
    EXPECT_EQ(lChar, '=');
    EXPECT_EQ(lFile.MatchKeyword(lTable), -1);
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_EQ(lFile.MatchKeyword(lTable), 0);
    KTextFile::ResetKeywordCounts(lTable);
    EXPECT_EQ(lTable[0].mCount + lTable[1].mCount, 0);
    EXPECT_EQ(lFile.FindKeyword(nullptr), -1);
    EXPECT_EQ(lFile.CompareText("abc", "ABC"), 1);
    EXPECT_EQ(PlainFile(false).CompareText("abc", "ABC"), 0);
    EXPECT_EQ(PlainFile(false).CompareText("abc", "abd"), -1);
}

TEST(KTextFile, MessagesNameFileAndLine)
{
    const std::string lPath = WriteTestFile("walk.bvh", "a\n\nb\n");
    PlainFile lFile;
    std::vector<std::string> lWarnings;
    std::vector<std::string> lErrors;
    lFile.SetWarningHook([&](const char* pText) { lWarnings.push_back(pText); });
    lFile.SetErrorHook([&](const char* pText) { lErrors.push_back(pText); });
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_FALSE(lFile.Warning("odd value %g", 0.5));
    EXPECT_TRUE(lFile.Error("expected %d numbers, found %d", 96, 3));
    EXPECT_EQ(lWarnings,
              (std::vector<std::string>{"ryv_motion_walk.bvh:3: warning: odd value 0.5"}));
    EXPECT_EQ(lErrors,
              (std::vector<std::string>{"ryv_motion_walk.bvh:3: expected 96 numbers, found 3"}));
    EXPECT_EQ(lFile.GetLastError(), lErrors.back());

    // Without reporting the hooks stay silent; the last error is still kept.
    lFile.SetReporting(false);
    lFile.Error("quiet");
    lFile.Warning("quiet");
    EXPECT_EQ(lErrors.size(), 1u);
    EXPECT_EQ(lWarnings.size(), 1u);
    EXPECT_EQ(lFile.GetLastError(), "ryv_motion_walk.bvh:3: quiet");
}

TEST(KTextFile, RewindAndRemainingBytes)
{
    const std::string lPath = WriteTestFile("rewind.txt", "first\nsecond\n");
    PlainFile lFile;
    EXPECT_FALSE(lFile.Rewind());
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    EXPECT_EQ(lFile.GetRemainingBytes(), 7u);
    ASSERT_TRUE(lFile.ReadLine());
    EXPECT_EQ(lFile.GetRemainingBytes(), 0u);
    EXPECT_FALSE(lFile.ReadLine());
    ASSERT_TRUE(lFile.Rewind());
    EXPECT_EQ(lFile.GetLine(), "first");
    EXPECT_EQ(lFile.GetLineNumber(), 1);
    EXPECT_FALSE(lFile.IsAtEnd());
}

TEST(KTextFile, OpenFailuresAreReported)
{
    PlainFile lFile;
    EXPECT_FALSE(lFile.Open((testing::TempDir() + "no/such/folder/x.txt").c_str(), "r"));
    EXPECT_FALSE(lFile.IsOpen());
    EXPECT_TRUE(lFile.IsAtEnd());
    EXPECT_NE(lFile.GetLastError().find("cannot open"), std::string::npos);
    const std::string lPath = WriteTestFile("mode.txt", "x\n");
    EXPECT_FALSE(lFile.Open(lPath.c_str(), "a+"));
    EXPECT_FALSE(lFile.Open(nullptr, "r"));
}

TEST(KTextFile, PrintIndentsInTheCLocaleWithLfEndings)
{
    const std::string lPath = MotionTestPath("print.txt");
    PlainFile lFile;
    EXPECT_EQ(lFile.Print(0, "x"), -1);
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "wb"));
    EXPECT_TRUE(lFile.IsWriting());
    EXPECT_EQ(lFile.Print(2, "%s %g\n", "OFFSET", 1.5), 11);
    EXPECT_EQ(lFile.Print(-1, "%d\n", 7), 2);
    EXPECT_FALSE(lFile.ReadLine());
    EXPECT_TRUE(lFile.Close());
    EXPECT_EQ(ReadTestFile(lPath), "    OFFSET 1.5\n7\n");
}

TEST(KTextFile, AFullDiskIsAFailure)
{
    PlainFile lFile;
    if (!lFile.Open("/dev/full", "w")) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    // stdio buffers the small writes; the failure shows at the latest when closing.
    bool lPrintFailed = false;
    for (int i = 0; i < 100000 && !lPrintFailed; ++i) {
        lPrintFailed = lFile.Print(0, "%s\n", "0123456789") < 0;
    }
    EXPECT_TRUE(lPrintFailed);
    EXPECT_TRUE(lFile.WriteFailed());
    EXPECT_EQ(lFile.Print(0, "more"), -1);
    EXPECT_FALSE(lFile.Close());
    EXPECT_NE(lFile.GetLastError().find("write failed"), std::string::npos);

    PlainFile lSmall;
    ASSERT_TRUE(lSmall.Open("/dev/full", "w"));
    EXPECT_EQ(lSmall.Print(0, "tiny\n"), 5);
    EXPECT_FALSE(lSmall.Close());
}
