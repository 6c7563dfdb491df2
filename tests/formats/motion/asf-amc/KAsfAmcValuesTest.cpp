// Values the ASF and AMC readers cannot take are never changed or dropped without a word: the
// reader's message text names the line, or the read fails naming it; and the AMC writer makes no
// file its reader refuses.
#include "AsfAmcTestSupport.h"

#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string SkeletonText(const std::string& pUnit, const std::string& pPosition,
                         const std::string& pLength)
{
    return ":units\n  length " + pUnit + "\n:root\n  order TX TY TZ RX RY RZ\n  axis XYZ\n" +
           "  position " + pPosition +
           "\n  orientation 0 0 0\n:bonedata\n  begin\n    name Chest\n" +
           "    direction 0 1 0\n    length " + pLength + "\n    axis 0 0 0 XYZ\n" +
           "    dof rx ry rz\n  end\n:hierarchy\n  begin\n    root Chest\n  end\n";
}

// The ASF and AMC readers as a user drives them, with the message text of each.
struct PairRead
{
    AsfAmcScene mScene;
    std::string mAsfMessage;
    std::string mAmcMessage;

    bool ReadAsf(const std::string& pText)
    {
        KReaderAsf lReader(&mScene.mFactory);
        if (!lReader.FileOpen(WriteTestFile("values.asf", pText).c_str())) {
            return false;
        }
        mScene.mAsfOptions = lReader.GetReadOptions();
        const bool lRead =
            mScene.mAsfOptions && lReader.Read(mScene.mScene, mScene.mAsfOptions.get());
        mAsfMessage = lReader.GetMessage().Buffer();
        return lRead || mScene.Fail(lReader.GetError());
    }

    bool ReadAmc(const std::string& pText)
    {
        KReaderAmc lReader(&mScene.mFactory);
        if (!lReader.FileOpen(WriteTestFile("values.amc", pText).c_str())) {
            return false;
        }
        mScene.mAmcOptions = lReader.GetReadOptions();
        if (!mScene.mAmcOptions) {
            return mScene.Fail(lReader.GetError());
        }
        mScene.AmcOptions()->SetAttachedObject(mScene.AsfOptions()->GetAttachedObject());
        const bool lRead = lReader.Read(mScene.mScene, mScene.mAmcOptions.get());
        mAmcMessage = lReader.GetMessage().Buffer();
        return lRead || mScene.Fail(lReader.GetError());
    }
};

std::string Frame(int pFrame, const std::string& pChest)
{
    return std::to_string(pFrame) + "\nroot 0 0 0 0 0 0\nChest " + pChest + "\n";
}

} // namespace

TEST(AsfAmcValues, AmcValuesThatAreNoNumbersAreWarnedAboutNamingTheLine)
{
    PairRead lRead;
    ASSERT_TRUE(lRead.ReadAsf(SkeletonText("1", "0 0 0", "10"))) << lRead.mScene.mError;
    EXPECT_EQ(lRead.mAsfMessage, "");
    ASSERT_TRUE(lRead.ReadAmc(":DEGREES\n" + Frame(1, "nan 10 20") + Frame(2, "5 inf 20") +
                              Frame(3, "5 -INF 20") + Frame(4, "1 2 3")))
        << lRead.mScene.mError;
    EXPECT_EQ(
        lRead.mAmcMessage,
        "ryv_motion_values.amc:4: warning: Values from (nan) on are no numbers: read as 0\n"
        "ryv_motion_values.amc:7: warning: Values from (inf) on are no numbers: read as 0\n"
        "ryv_motion_values.amc:10: warning: Values from (-INF) on are no numbers: read as 0\n");

    // A number that fits no key fails the read on its line.
    PairRead lHuge;
    ASSERT_TRUE(lHuge.ReadAsf(SkeletonText("1", "0 0 0", "10")));
    EXPECT_FALSE(lHuge.ReadAmc(Frame(1, "1e308 10 20")));
    EXPECT_EQ(lHuge.mScene.mError, "ryv_motion_values.amc:3: Value out of range for bone (Chest)");
}

TEST(AsfAmcValues, AWarningOnEveryLineIsCountedNotRepeated)
{
    PairRead lRead;
    ASSERT_TRUE(lRead.ReadAsf(SkeletonText("1", "0 0 0", "10")));
    std::string lFrames;
    for (int f = 1; f <= KReaderAmc::kMaxWarnings + 5; ++f) {
        lFrames += Frame(f, "1 2 x");
    }
    ASSERT_TRUE(lRead.ReadAmc(lFrames)) << lRead.mScene.mError;
    const std::string lLast = "ryv_motion_values.amc: further warnings left out\n";
    ASSERT_GE(lRead.mAmcMessage.size(), lLast.size());
    EXPECT_EQ(lRead.mAmcMessage.substr(lRead.mAmcMessage.size() - lLast.size()), lLast);
    std::size_t lLines = 0;
    for (char lChar : lRead.mAmcMessage) {
        lLines += lChar == '\n' ? 1 : 0;
    }
    EXPECT_EQ(lLines, static_cast<std::size_t>(KReaderAmc::kMaxWarnings + 1));
}

TEST(AsfAmcValues, AsfLengthsThatBecomeInfiniteInCentimetres)
{
    // A unit so small that every length divided by it is infinite: the unit falls back to 1,
    // with a warning on its line.
    PairRead lTiny;
    ASSERT_TRUE(lTiny.ReadAsf(SkeletonText("1e-308", "0 0 0", "10"))) << lTiny.mScene.mError;
    EXPECT_EQ(lTiny.mAsfMessage,
              "ryv_motion_values.asf:2: warning: Bad length unit (1e-308), using 1\n");
    const auto* lSkeleton =
        static_cast<const KRyvAsfScene*>(lTiny.mScene.AsfOptions()->GetAttachedObject());
    EXPECT_DOUBLE_EQ(lSkeleton->FindBone("Chest")->mLength, 10 * 2.54);

    struct Case
    {
        const char* mUnit;
        const char* mPosition;
        const char* mLength;
        const char* mError;
    };
    const Case kCases[] = {
        {"1", "0 0 0", "1e308",
         "ryv_motion_values.asf:19: Length of bone (Chest) at line 12 out of range in centimetres"},
        {"1e-300", "0 0 0", "1e10",
         "ryv_motion_values.asf:19: Length of bone (Chest) at line 12 out of range in centimetres"},
        {"1", "0 1e308 0", "10",
         "ryv_motion_values.asf:19: Length of bone (root) at line 6 out of range in centimetres"}};
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mError);
        PairRead lRead;
        EXPECT_FALSE(lRead.ReadAsf(SkeletonText(lCase.mUnit, lCase.mPosition, lCase.mLength)));
        EXPECT_EQ(lRead.mScene.mError, lCase.mError);
        EXPECT_EQ(lRead.mScene.mScene->GetRootNode()->GetChildCount(), 0);
    }
}

TEST(AsfAmcValues, AmcWriterRefusesASpanOfNoFrame)
{
    // A skeleton without motion has no frame to write: the pair is refused and both files stay.
    PairRead lStill;
    ASSERT_TRUE(lStill.ReadAsf(SkeletonText("1", "0 0 0", "10")));
    const std::string lAsf = WriteTestFile("none.asf", "an older skeleton\n");
    const std::string lAmc = WriteTestFile("none.amc", "an older motion\n");
    EXPECT_FALSE(lStill.mScene.WritePair(lAsf, lAmc, false));
    EXPECT_EQ(lStill.mScene.mError, "No frames to write: the AMC format holds at least one");
    EXPECT_EQ(ReadTestFile(lAmc), "an older motion\n");

    // With motion, options of no frame take the take's two frames; one frame is a file that reads.
    PairRead lRead;
    ASSERT_TRUE(lRead.ReadAsf(SkeletonText("1", "0 0 0", "10")));
    ASSERT_TRUE(lRead.ReadAmc(Frame(1, "1 2 3") + Frame(2, "4 5 6")));
    for (const int lFrames : {0, 1}) {
        lRead.mScene.AmcOptions()->SetFrameCount(lFrames);
        ASSERT_TRUE(lRead.mScene.WritePair(lAsf, lAmc, false)) << lRead.mScene.mError;
        PairRead lBack;
        ASSERT_TRUE(lBack.ReadAsf(ReadTestFile(lAsf))) << lBack.mScene.mError;
        ASSERT_TRUE(lBack.ReadAmc(ReadTestFile(lAmc))) << lBack.mScene.mError;
        EXPECT_EQ(lBack.mScene.AmcOptions()->GetFrameCount(), lFrames == 0 ? 2 : 1);
    }
}
