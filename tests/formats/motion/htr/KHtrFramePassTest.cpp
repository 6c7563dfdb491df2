// The frame pass of the HTR reader: frame lines read straight from the line or through the token
// readers give the same keys, faults keep their order, and the rotation-offset pass leaves
// nothing behind when a later section fails.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"

#include "HtrTestFiles.h"
#include "HtrTestScene.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// kHtrArm with four frames whose numbers exercise the line reader.
std::string ArmWithFrames(const char* pRootFrames, const char* pArmFrames)
{
    std::string lText = Replaced(kHtrArm, "NumFrames 2", "NumFrames 4");
    lText = Replaced(lText, "[Root]\n1\t0\t0\t0\t0\t0\t0\t1.0\n2\t10\t0\t0\t0\t0\t90\t1.0\n",
                     std::string("[Root]\n") + pRootFrames);
    return Replaced(lText, "[Arm]\n1\t0\t0\t0\t0\t0\t0\t1.0\n2\t0\t0\t0\t90\t0\t0\t1.0\n",
                    std::string("[Arm]\n") + pArmFrames);
}

// The same motion twice: once as generated files print it, once spelled out in every other form
// the token readers take (signs, exponents, leading zeros, more digits than a double holds,
// blanks around, a frame number with a sign).
const char* const kPlainRoot = "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                               "2\t10\t-2.5\t0.125\t12.5\t-45\t90\t1.0\n"
                               "3\t-0\t33.333\t7\t-170.25\t0.5\t-89.999\t1.0\n"
                               "4\t1\t2\t3\t4\t5\t6\t1\n";
const char* const kSpelledRoot =
    "  +1 0.0 -0.0e0 0 0E5 0 0 1e0\n"
    "0002\t1e1\t-25e-1\t.125\t+12.50\t-4.5E1\t90.\t1.0\n"
    "3\t-0.000\t33.3330000000000000000001\t7\t-170.25\t0.5\t-89.999\t1\n"
    "\t4  1  2  3  4  5  6  1.0  trailing words\n";
const char* const kPlainArm = "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                              "2\t0\t0\t0\t90\t0\t0\t1.0\n"
                              "3\t1.5\t-1.5\t2.25\t30\t60\t-30\t1.0\n"
                              "4\t0.001\t100\t-100\t179.5\t-179.5\t0\t1.0\n";
const char* const kSpelledArm = "1 0 0 0 0 0 0 1\n"
                                "+2\t0\t0\t0\t9e1\t0\t0\t1.0\n"
                                "3\t15e-1\t-1.50\t2.2500\t30\t60\t-30\t1.0\n"
                                "4\t1e-3\t1e2\t-1e+2\t179.5\t-179.5\t0.0000000000000000\t1.0\n";

// Every key of the nine curves of a node: times and the value bits.
std::vector<std::int64_t> KeysOf(HtrTestScene& pTest, const char* pNode)
{
    KRyvTakeNode* lTake = pTest.Find(pNode)->GetCurrentTakeNode();
    KFCurve* const lCurves[] = {
        lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ(),
        lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ(),
        lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()};
    std::vector<std::int64_t> lKeys;
    for (KFCurve* lCurve : lCurves) {
        lKeys.push_back(lCurve->GetKeyCount());
        for (int k = 0; k < lCurve->GetKeyCount(); ++k) {
            const float lValue = lCurve->KeyGetValue(k);
            std::int32_t lBits = 0;
            std::memcpy(&lBits, &lValue, sizeof lBits);
            lKeys.push_back(lCurve->KeyGetTime(k).Get());
            lKeys.push_back(lBits);
        }
    }
    return lKeys;
}

TEST(KHtrFramePass, EveryFormOfANumberGivesTheSameKeys)
{
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lPlain;
        ASSERT_TRUE(lPlain.Read(WriteHtrFile("plain.htr", ArmWithFrames(kPlainRoot, kPlainArm))))
            << lPlain.mReader.GetMessage().Buffer();
        HtrTestScene lSpelled;
        ASSERT_TRUE(
            lSpelled.Read(WriteHtrFile("spelled.htr", ArmWithFrames(kSpelledRoot, kSpelledArm))))
            << lSpelled.mReader.GetMessage().Buffer();
        for (const char* lNode : {"Root", "Arm"}) {
            const std::vector<std::int64_t> lKeys = KeysOf(lPlain, lNode);
            EXPECT_EQ(lKeys.size(), 9u * (1u + 2u * 4u)) << lNode;
            EXPECT_EQ(lKeys, KeysOf(lSpelled, lNode)) << lNode << " " << lMinimize;
        }
        // The frame's values themselves: Root's X translation at frame 2 is 10 mm.
        EXPECT_NEAR(lPlain.Value("Root", &KRyvTakeNode::GetTransformTX, 1), 2.0, 1e-6);
    }
}

TEST(KHtrFramePass, LinesLongerThanTheQuickReaderTakesGiveTheSameKeys)
{
    // Numbers spelled with hundreds of zeros and blanks: lines the frame pass hands over whole to
    // the token readers.
    const std::string lZeros(300, '0');
    const std::string lBlanks(300, ' ');
    const std::string lLongRoot = "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                                  "2\t10." +
                                  lZeros + "\t-2.5\t0.125\t12.5\t-45\t90\t1.0\n" +
                                  "3\t-0\t33.333\t7\t-170.25\t0.5\t-89.999" + lBlanks +
                                  "\t1.0\n"
                                  "4\t1\t2\t3\t4\t5\t6\t1\n";
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lPlain;
        ASSERT_TRUE(lPlain.Read(WriteHtrFile("plain.htr", ArmWithFrames(kPlainRoot, kPlainArm))));
        HtrTestScene lLong;
        ASSERT_TRUE(
            lLong.Read(WriteHtrFile("long.htr", ArmWithFrames(lLongRoot.c_str(), kPlainArm))))
            << lLong.mReader.GetMessage().Buffer();
        for (const char* lNode : {"Root", "Arm"}) {
            EXPECT_EQ(KeysOf(lPlain, lNode), KeysOf(lLong, lNode)) << lNode << " " << lMinimize;
        }
    }
}

TEST(KHtrFramePass, AFaultInTheTextComesBeforeAValueOutOfRange)
{
    // Frame 1 of Arm lies beyond single precision and frame 2 has a word for a number: the read
    // names the word, as a reader that looks at the text before the values would.
    const std::string lText = ArmWithFrames(kPlainRoot, "1\t1e300\t0\t0\t0\t0\t0\t1.0\n"
                                                        "2\t0\tz\t0\t0\t0\t0\t1.0\n"
                                                        "3\t0\t0\t0\t0\t0\t0\t1.0\n"
                                                        "4\t0\t0\t0\t0\t0\t0\t1.0\n");
    const std::string lRangeOnly = Replaced(lText, "\tz\t", "\t0\t");
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lTest;
        EXPECT_FALSE(lTest.Read(WriteHtrFile("fault.htr", lText)));
        EXPECT_NE(lTest.mReader.GetFile()->GetLastError().find("Can't read frame translation"),
                  std::string::npos)
            << lTest.mReader.GetFile()->GetLastError();
        HtrTestScene lRange;
        EXPECT_FALSE(lRange.Read(WriteHtrFile("range.htr", lRangeOnly)));
        EXPECT_NE(lRange.mReader.GetFile()->GetLastError().find(
                      "value out of range in frame 1 of \"Arm\""),
                  std::string::npos)
            << lRange.mReader.GetFile()->GetLastError();
    }
}

// kHtrArm with pFrames frames of a steady turn in both sections; pArmText replaces the Arm line
// of frame pAt (from 1), or cuts the section there when it is empty.
std::string LongArm(int pFrames, int pAt, const std::string& pArmText)
{
    std::string lRoot;
    std::string lArm;
    for (int f = 1; f <= pFrames; ++f) {
        const std::string lNumber = std::to_string(f);
        lRoot += lNumber + "\t" + std::to_string(f % 7) + "\t0\t1.5\t" + std::to_string(f % 90) +
                 "\t-20\t" + std::to_string(f % 170) + "\t1.0\n";
        if (f == pAt) {
            lArm += pArmText;
        } else if (pArmText.empty() && pAt > 0 && f > pAt) {
            continue;
        } else {
            lArm += lNumber + "\t0.5\t" + std::to_string(f % 11) + "\t0\t" +
                    std::to_string(f % 45) + "\t30\t-" + std::to_string(f % 60) + "\t1.0\n";
        }
    }
    std::string lText = Replaced(kHtrArm, "NumFrames 2", "NumFrames " + std::to_string(pFrames));
    lText = Replaced(lText, "1\t0\t0\t0\t0\t0\t0\t1.0\n2\t10\t0\t0\t0\t0\t90\t1.0\n", lRoot);
    return Replaced(lText, "1\t0\t0\t0\t0\t0\t0\t1.0\n2\t0\t0\t0\t90\t0\t0\t1.0\n", lArm);
}

// Frames are read in blocks: a fault is named at its own frame wherever it falls in a block,
// first, last or alone in the last, shorter block.
TEST(KHtrFramePass, FaultsAreNamedAtTheirFrameAcrossBlocks)
{
    const struct
    {
        int mAt;
        const char* mLine;
        const char* mMessage;
    } kCases[] = {
        {1, "1\t0\t1e40\t0\t0\t0\t0\t1.0\n", "value out of range in frame 1 of \"Arm\""},
        {64, "64\t0\t0\t-1e40\t0\t0\t0\t1.0\n", "value out of range in frame 64 of \"Arm\""},
        {65, "65\t1e40\t0\t0\t0\t0\t0\t1.0\n", "value out of range in frame 65 of \"Arm\""},
        {150, "150\t0\t0\t1e40\t0\t0\t0\t1.0\n", "value out of range in frame 150 of \"Arm\""},
        {129, "129\t0\t0\tx\t0\t0\t0\t1.0\n", "Can't read frame translation"},
        {70, "", "end after 69 of 150"},
    };
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        for (const auto& lCase : kCases) {
            HtrTestScene lTest;
            EXPECT_FALSE(
                lTest.Read(WriteHtrFile("long.htr", LongArm(150, lCase.mAt, lCase.mLine))));
            EXPECT_NE(lTest.mReader.GetFile()->GetLastError().find(lCase.mMessage),
                      std::string::npos)
                << lCase.mAt << ": " << lTest.mReader.GetFile()->GetLastError();
        }
        HtrTestScene lWhole;
        ASSERT_TRUE(lWhole.Read(WriteHtrFile("long.htr", LongArm(150, 0, ""))))
            << lWhole.mReader.GetMessage().Buffer();
        EXPECT_EQ(lWhole.Find("Arm")->GetCurrentTakeNode()->GetTransformTY()->GetKeyCount(), 150);
    }
}

TEST(KHtrFramePass, ALaterSectionFailingLeavesNoKeysOrNodes)
{
    // With the offset pass on, every section is read before any key reaches a curve; a fault in
    // the last section must still take back the skeleton and its open key sets.
    const std::string lText = ArmWithFrames(kPlainRoot, "1\t0\t0\t0\t0\t0\t0\t1.0\n"
                                                        "2\t0\t0\t0\t0\t0\t0\t1.0\n"
                                                        "3\t0\t0\t0\t0\t0\t0\t1.0\n");
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lTest;
        const int lNodes = lTest.mFactory.GetNodeCount();
        EXPECT_FALSE(lTest.Read(WriteHtrFile("short.htr", lText)));
        EXPECT_NE(lTest.mReader.GetFile()->GetLastError().find("end after 3 of 4"),
                  std::string::npos)
            << lTest.mReader.GetFile()->GetLastError();
        EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
        EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(lTest.mScene->GetPoseCount(), 0);
    }
}

} // namespace
