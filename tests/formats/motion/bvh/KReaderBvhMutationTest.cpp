#include "formats/motion/bvh/KReaderBvh.h"

#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"

#include "BvhTestScene.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// Files from strangers: every damaged variant of a valid file must give a clean true or false,
// and a false read must leave the scene and the factory as they were. The mutations are
// deterministic (fixed seeds, generator output used directly) so that a failure reproduces.

namespace {

const char* const kSmall = "HIERARCHY\n"
                           "ROOT Hips\n"
                           "{\n"
                           "  OFFSET 1 2 3\n"
                           "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation "
                           "Yrotation\n"
                           "  JOINT Chest\n"
                           "  {\n"
                           "    OFFSET 0 5 0\n"
                           "    CHANNELS 3 Zrotation Xrotation Yrotation\n"
                           "    End Site\n"
                           "    {\n"
                           "      OFFSET 0 4 0\n"
                           "    }\n"
                           "    End Site\n"
                           "    {\n"
                           "      OFFSET 1 0 0\n"
                           "    }\n"
                           "  }\n"
                           "  JOINT Leg\n"
                           "  {\n"
                           "    OFFSET 0 -5 0\n"
                           "    CHANNELS 0\n"
                           "  }\n"
                           "}\n"
                           "MOTION\n"
                           "Frames: 3\n"
                           "Frame Time: 0.0333333\n"
                           "10 20 30 0 0 0 90 90 0\n"
                           "11 21 31 0 0 0 0 0 0\n"
                           "12 22 32 0 0 0 0 10 0\n";

const char* const kHostileNumbers[] = {
    "1e999", "-1e999", "1e-999", "-2147483649", "2147483648", "9223372036854775808",
    "nan",   "-nan",   "inf",    "-0",          "0",          "-1",
    "7",     "0x10",   "+-1",    "1.5.2",       "1e",         "3.4e38",
    "1e39",  "."};

std::vector<std::string> SplitLines(const std::string& pText)
{
    std::vector<std::string> lLines;
    std::istringstream lIn(pText);
    for (std::string lLine; std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    return lLines;
}

std::string JoinLines(const std::vector<std::string>& pLines)
{
    std::string lText;
    for (const std::string& lLine : pLines) {
        lText += lLine + "\n";
    }
    return lText;
}

struct FactoryCounts
{
    int mNodes;
    int mAttributes;
    int mRootChildren;

    FactoryCounts(const KRyvObjectFactory& pFactory, KRyvScene& pScene)
        : mNodes(pFactory.GetNodeCount()), mAttributes(pFactory.GetNodeAttributeCount()),
          mRootChildren(pScene.GetRootNode()->GetChildCount())
    {
    }
    bool operator==(const FactoryCounts& pOther) const
    {
        return mNodes == pOther.mNodes && mAttributes == pOther.mAttributes &&
               mRootChildren == pOther.mRootChildren;
    }
};

// One factory and scene serve all the reads of a test (making a scene is far dearer than a
// read); what a successful read adds is taken away again before the next one.
class BvhMutation : public testing::Test
{
protected:
    // Reads pContent with the options the reader derives from it (the defaults when its motion
    // header is bad); answers the verdict. A false read must leave the scene as it was and say
    // why; a true one adds exactly one child under the root.
    bool ExpectSafeRead(const std::string& pContent, const std::string& pLabel,
                        int pKeepReference = 1)
    {
        const FactoryCounts lBefore(mFactory, *mScene);
        KReaderBvh lReader(&mFactory);
        bool lRead = false;
        if (lReader.FileOpen(WriteBvhFile("mutant.bvh", pContent).c_str())) {
            std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
            if (!lOptions) {
                lOptions = KStreamOptionsMotion::Create();
            }
            static_cast<KStreamOptionsMotion*>(lOptions.get())->SetOption(8, pKeepReference);
            lRead = lReader.Read(mScene, lOptions.get());
        }
        if (lRead) {
            EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), lBefore.mRootChildren + 1) << pLabel;
        } else {
            EXPECT_TRUE(FactoryCounts(mFactory, *mScene) == lBefore) << pLabel;
            EXPECT_NE(lReader.GetError().GetLastErrorID(), -1) << pLabel;
        }
        ClearScene();
        ++(lRead ? mAccepted : mRefused);
        return lRead;
    }

    // The same through the importer front end.
    bool ExpectSafeImport(const std::string& pContent, const std::string& pLabel)
    {
        const FactoryCounts lBefore(mFactory, *mScene);
        const std::string lPath = WriteBvhFile("imported.bvh", pContent);
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(KFileFormatRegistry::kImportBvh);
        bool lRead = false;
        if (lImporter.Initialize(lPath.c_str())) {
            std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
            lRead = lOptions && lImporter.Import(mScene, lOptions.get());
        }
        if (!lRead) {
            EXPECT_TRUE(FactoryCounts(mFactory, *mScene) == lBefore) << pLabel;
            EXPECT_NE(lImporter.GetError().GetLastErrorID(), -1) << pLabel;
        }
        ClearScene();
        ++(lRead ? mAccepted : mRefused);
        return lRead;
    }

    void ClearScene()
    {
        KRyvNode* lRoot = mScene->GetRootNode();
        for (int i = lRoot->GetChildCount() - 1; i >= 0; --i) {
            mFactory.DestroyNode(lRoot->GetChild(i), true);
        }
        ASSERT_EQ(lRoot->GetChildCount(), 0);
    }

    BvhImportSettingsGuard mSettings;
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    std::size_t mRotation = 0;
    int mAccepted = 0;
    int mRefused = 0;
};

TEST_F(BvhMutation, TheUnharmedFileReads)
{
    EXPECT_TRUE(ExpectSafeRead(kSmall, "small"));
    EXPECT_TRUE(ExpectSafeRead(kSmall, "small without reference", 0));
    EXPECT_TRUE(ExpectSafeImport(kSmall, "small imported"));
}

TEST_F(BvhMutation, EveryTruncation)
{
    const std::string lText = kSmall;
    for (std::size_t lLength = 0; lLength <= lText.size(); ++lLength) {
        const std::string lCut = lText.substr(0, lLength);
        const std::string lLabel = "cut at " + std::to_string(lLength);
        if (lLength % 2 == 0) {
            ExpectSafeRead(lCut, lLabel, static_cast<int>(lLength % 4 == 0));
        } else {
            ExpectSafeImport(lCut, lLabel);
        }
    }
    // Only cuts inside the last frame line can still read.
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
    EXPECT_FALSE(ExpectSafeRead("", "empty"));
}

TEST_F(BvhMutation, ByteFlipsInsertedZerosAndHighBytes)
{
    const std::string lText = kSmall;
    std::mt19937 lRandom(20261206);
    for (int lCase = 0; lCase < 240; ++lCase) {
        std::string lMutated = lText;
        const std::size_t lAt = lRandom() % lMutated.size();
        std::string lLabel;
        switch (lCase % 3) {
        case 0:
            lMutated[lAt] = static_cast<char>(lMutated[lAt] ^ (1u << (lRandom() % 8)));
            lLabel = "flip at ";
            break;
        case 1:
            lMutated.insert(lAt, 1, '\0');
            lLabel = "zero at ";
            break;
        default:
            lMutated.insert(lAt, 1, static_cast<char>(0xFF));
            lLabel = "0xFF at ";
            break;
        }
        ExpectSafeRead(lMutated, lLabel + std::to_string(lAt));
    }
    EXPECT_GT(mRefused, 0);
    EXPECT_FALSE(ExpectSafeRead(std::string(1, '\0') + kSmall, "zero at start"));
}

TEST_F(BvhMutation, DuplicatedAndDeletedLines)
{
    const std::vector<std::string> lLines = SplitLines(kSmall);
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        std::vector<std::string> lDeleted = lLines;
        lDeleted.erase(lDeleted.begin() + static_cast<std::ptrdiff_t>(i));
        ExpectSafeRead(JoinLines(lDeleted), "line " + std::to_string(i + 1) + " deleted");
        std::vector<std::string> lDuplicated = lLines;
        lDuplicated.insert(lDuplicated.begin() + static_cast<std::ptrdiff_t>(i), lLines[i]);
        ExpectSafeRead(JoinLines(lDuplicated), "line " + std::to_string(i + 1) + " twice");
    }
    // A duplicated JOINT line names two joints alike; a deleted brace breaks the nesting.
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_F(BvhMutation, HostileNumbersInEveryNumberPlace)
{
    const std::vector<std::string> lLines = SplitLines(kSmall);
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        std::vector<std::string> lWords;
        std::istringstream lIn(lLines[i]);
        for (std::string lWord; lIn >> lWord;) {
            lWords.push_back(lWord);
        }
        for (std::size_t w = 0; w < lWords.size(); ++w) {
            const char lFirst = lWords[w][0];
            if (!(lFirst == '-' || (lFirst >= '0' && lFirst <= '9'))) {
                continue;
            }
            // Each place gets every third text, starting one further each time: the texts spread
            // evenly over the places while the case count stays small.
            for (std::size_t h = mRotation++ % 3; h < std::size(kHostileNumbers); h += 3) {
                const char* const lHostile = kHostileNumbers[h];
                std::vector<std::string> lChanged = lWords;
                lChanged[w] = lHostile;
                std::string lLine;
                for (const std::string& lWord : lChanged) {
                    lLine += lWord + " ";
                }
                std::vector<std::string> lFile = lLines;
                lFile[i] = lLine;
                ExpectSafeRead(JoinLines(lFile), "line " + std::to_string(i + 1) + " word " +
                                                     std::to_string(w) + " = " + lHostile);
            }
        }
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_F(BvhMutation, HostileHeaderValues)
{
    const std::string lHierarchy =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "End Site\n{\nOFFSET 0 1 0\n}\n}\n";
    const char* const kMotion[] = {
        "MOTION\nFrames: 2147483647\nFrame Time: 0.01\n1 2 3\n",
        "MOTION\nFrames: -2147483648\nFrame Time: 0.01\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 0\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: -0.01\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 1e-300\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 1e300\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: nan\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 1e999\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 4.9e-324\n1 2 3\n",
        "MOTION\nFrames: 2\nFrame Time: 0.01\n1 2 3\n",
        "MOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3 4 5 6\n",
        "MOTION\nFrames: 1\nFrame Time: 0.01\n1e308 -1e308 1e38\n",
        "MOTION\nFrames: 1\nFrame Time: 0.01\n1e39 0 0\n",
        "MOTION\nFrames: 1\nFrame Time: 0.01\n1 2\n",
        "MOTION\nFrames:\nFrame Time: 0.01\n1 2 3\n",
        "MOTION\nFrames: 1\n",
        "MOTION\n",
        "MOTION\nMOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3\n",
        "HIERARCHY\nROOT B\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 1\nFrame Time: "
        "0.01\n\n",
    };
    for (const char* lMotion : kMotion) {
        ExpectSafeRead(lHierarchy + lMotion, lMotion);
    }
    const char* const kChannels[] = {"CHANNELS 7 Xrotation Yrotation Zrotation Xrotation "
                                     "Yrotation Zrotation Xrotation",
                                     "CHANNELS -1",
                                     "CHANNELS 2147483648 Xrotation",
                                     "CHANNELS 3 Xrotation Yrotation",
                                     "CHANNELS 3 Xrotation Yrotation Zrotation Xposition",
                                     "CHANNELS 3 Xrotation Xrotation Xrotation",
                                     "CHANNELS 6 Xposition Xposition Xposition Xposition "
                                     "Xposition Xposition",
                                     "CHANNELS 1 Wrotation",
                                     "CHANNELS",
                                     "CHANNELS nan"};
    for (const char* lChannels : kChannels) {
        const std::string lText = std::string("HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n") + lChannels +
                                  "\n}\nMOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3 4 5 6\n";
        ExpectSafeRead(lText, lChannels);
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_F(BvhMutation, DeepNestingAndLongTokens)
{
    // Nesting at and past the depth limit: refused or read, without a deep recursion anywhere.
    for (int lDepth : {50, 1001, 1100}) {
        std::string lText = "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 0\n";
        for (int i = 1; i < lDepth; ++i) {
            lText += "JOINT J" + std::to_string(i) + "\n{\nOFFSET 0 1 0\nCHANNELS 0\n";
        }
        for (int i = 0; i < lDepth; ++i) {
            lText += "}\n";
        }
        lText += "MOTION\nFrames: 1\nFrame Time: 0.01\n\n";
        ExpectSafeRead(lText, "depth " + std::to_string(lDepth));
    }
    std::string lDeep = "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 0\n";
    for (int i = 1; i < 1200; ++i) {
        lDeep += "JOINT J" + std::to_string(i) + "\n{\nOFFSET 0 1 0\nCHANNELS 0\n";
    }
    EXPECT_FALSE(ExpectSafeRead(lDeep, "unclosed depth 1200"));

    const std::string lLong(100000, 'a');
    const std::string lDigits(100000, '7');
    const std::string lCases[] = {
        lLong + "\n" + kSmall,
        "HIERARCHY\nROOT " + lLong +
            "\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 0\n"
            "Frame Time: 0.01\n",
        "HIERARCHY\nROOT " + std::string(127, 'n') +
            "\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 0\nFrame Time: 0.01\n",
        "HIERARCHY\nROOT A\n{\nOFFSET " + lDigits + " " + lDigits + " " + lDigits +
            "\nCHANNELS 0\n}\nMOTION\nFrames: 0\nFrame Time: 0.01\n",
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS " + lDigits +
            "\n}\nMOTION\nFrames: 0\nFrame Time: 0.01\n",
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n}\nMOTION\nFrames: " + lDigits +
            "\nFrame Time: 0." + lDigits + "\n1\n",
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n}\nMOTION\nFrames: 1\n"
        "Frame Time: 0.01\n" +
            lDigits + "\n",
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n}\nMOTION\nFrames: 1\n"
        "Frame Time: 0.01\n1" +
            std::string(100000, ' ') + "2\n",
        std::string(kSmall) + std::string(20000, '\r'),
        std::string(kSmall) + std::string(20000, '\n'),
        "HIERARCHY" + std::string(20000, ' ') + "\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\n",
    };
    int lIndex = 0;
    for (const std::string& lCase : lCases) {
        ExpectSafeRead(lCase, "long case " + std::to_string(lIndex++));
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_F(BvhMutation, RealSampleMutated)
{
    std::ifstream lIn(std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh", std::ios::binary);
    if (!lIn) {
        GTEST_SKIP() << "sample folder absent";
    }
    // The hierarchy and a few frames, with the frame count made to match.
    std::vector<std::string> lLines;
    for (std::string lLine; lLines.size() < 192 && std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    int lFrames = 0;
    std::size_t lFramesLine = 0;
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        if (lLines[i].rfind("Frames:", 0) == 0) {
            lFramesLine = i;
            lFrames = static_cast<int>(lLines.size() - i - 2);
        }
    }
    ASSERT_GT(lFrames, 0);
    lLines[lFramesLine] = "Frames: " + std::to_string(lFrames);
    const std::string lText = JoinLines(lLines);
    EXPECT_TRUE(ExpectSafeRead(lText, "sample head"));
    std::mt19937 lRandom(1959);
    for (int lCase = 0; lCase < 48; ++lCase) {
        std::string lMutated = lText;
        const std::size_t lAt = lRandom() % lMutated.size();
        switch (lCase % 4) {
        case 0:
            lMutated[lAt] = static_cast<char>(lMutated[lAt] ^ (1u << (lRandom() % 8)));
            break;
        case 1:
            lMutated.resize(lAt);
            break;
        case 2:
            lMutated.insert(lAt, 1, static_cast<char>(0xFF));
            break;
        default: {
            std::vector<std::string> lShuffled = lLines;
            const std::size_t lLine = lRandom() % lShuffled.size();
            lShuffled.insert(lShuffled.begin() +
                                 static_cast<std::ptrdiff_t>(lRandom() % lShuffled.size()),
                             lShuffled[lLine]);
            lShuffled.erase(lShuffled.begin() +
                            static_cast<std::ptrdiff_t>(lRandom() % lShuffled.size()));
            lMutated = JoinLines(lShuffled);
            break;
        }
        }
        ExpectSafeRead(lMutated, "sample case " + std::to_string(lCase));
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

} // namespace
