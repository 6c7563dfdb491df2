// Golden bytes of BVH files read and written back whose joints turn in every channel order, some
// with six channels, with values of every kind a frame line holds: short decimals, full doubles,
// quarter and half turns, values of a million degrees, tiny and zero values of either sign. The
// hashes were taken from the writer before its angles were worked out several frames at a time
// (and again once joints with position channels kept them), so any change in a number written
// shows here.

#include "formats/motion/bvh/KWriterBvh.h"

#include "BvhTestScene.h"
#include "tests/support/TestSequence.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* const kOrders[6] = {"X Y Z", "X Z Y", "Y X Z", "Y Z X", "Z X Y", "Z Y X"};

std::string Channels(int pOrder, bool pSix)
{
    std::string lText = pSix ? "CHANNELS 6 Xposition Yposition Zposition" : "CHANNELS 3";
    for (const char* lAxis = kOrders[pOrder]; *lAxis; ++lAxis) {
        if (*lAxis != ' ') {
            lText += std::string(" ") + *lAxis + "rotation";
        }
    }
    return lText + "\n";
}

// One value of a frame line, of a kind pKind (0 to 9) picks.
std::string FrameValue(TestSequence& ioSequence, int pKind)
{
    static const char* const kSpecial[] = {"0",   "-0",  "90",   "-90",  "180",      "-180",
                                           "270", "360", "1e-7", "45.5", "89.99999", "0.0001"};
    char lText[40];
    switch (pKind) {
    case 0:
        return kSpecial[ioSequence.Next() % (sizeof kSpecial / sizeof kSpecial[0])];
    case 1:
        std::snprintf(lText, sizeof lText, "%.17g", ioSequence.Between(-720.0, 720.0));
        break;
    case 2:
        std::snprintf(lText, sizeof lText, "%.4f", ioSequence.Between(-1.0, 1.0));
        break;
    case 3:
        std::snprintf(lText, sizeof lText, "%.9g", ioSequence.Between(-1e6, 1e6));
        break;
    case 4:
        std::snprintf(lText, sizeof lText, "%.3f", ioSequence.Between(-0.02, 0.02));
        break;
    default:
        std::snprintf(lText, sizeof lText, "%.*f", pKind % 4 + 1, ioSequence.Between(-180, 180));
        break;
    }
    return lText;
}

// 24 joints, each a child of the root with an End Site, in turn in the six orders, every fifth
// with six channels; 400 frames.
std::string EveryOrderBvh()
{
    constexpr int kJoints = 24;
    constexpr int kFrames = 400;
    constexpr int kKinds = 10;
    std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\n" + Channels(4, true);
    int lValues = 6;
    for (int j = 1; j < kJoints; ++j) {
        const bool lSix = j % 5 == 0;
        lText += "JOINT j" + std::to_string(j) + "\n{\nOFFSET 1.5 -2.25 0.5\n" +
                 Channels(j % 6, lSix) + "End Site\n{\nOFFSET 1 0 0\n}\n}\n";
        lValues += lSix ? 6 : 3;
    }
    lText += "}\nMOTION\nFrames: " + std::to_string(kFrames) + "\nFrame Time: 0.008333\n";
    TestSequence lSequence(36);
    for (int f = 0; f < kFrames; ++f) {
        for (int v = 0; v < lValues; ++v) {
            lText +=
                (v ? " " : "") + FrameValue(lSequence, static_cast<int>(lSequence.Next() % kKinds));
        }
        lText += '\n';
    }
    return lText;
}

TEST(KWriterBvhOrdersGolden, EveryChannelOrderReadAndWrittenBackWritesTheSameBytesAsBefore)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lScene;
    const std::string lInput = WriteBvhFile("orders.bvh", EveryOrderBvh());
    ASSERT_TRUE(lScene.Read(lInput, 0));
    const std::string lText = lScene.WriteBack(WriteBvhFile("orders-out.bvh", ""));
    ASSERT_FALSE(lText.empty());
    EXPECT_EQ(Fnv1a(lText), 0xf2cdccf5cad43cf5ULL) << std::hex << Fnv1a(lText);
}

} // namespace
