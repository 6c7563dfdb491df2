#include "scene/KRenamingStrategy.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Encodes pName and returns the current name that comes out.
std::string Encode(KNameClashRenamingStrategy& ioStrategy, const char* pName)
{
    KNamePair lPair(pName);
    ioStrategy.Rename(lPair);
    EXPECT_STREQ(lPair.GetInitialName().Buffer(), pName);
    return lPair.GetCurrentName().Buffer();
}

// Encodes each name in turn with one strategy in pMode.
std::vector<std::string> EncodeAll(std::vector<const char*> pNames, int pMode = 0)
{
    KNameClashRenamingStrategy lEncoder(0, false);
    lEncoder.SetMode(pMode);
    std::vector<std::string> lResults;
    for (const char* lName : pNames) {
        lResults.push_back(Encode(lEncoder, lName));
    }
    return lResults;
}

struct Decoded
{
    std::string mCurrent;
    std::string mInitial;
    bool mResult;
};

Decoded Decode(const char* pName, bool pBrackets = false)
{
    KNameClashRenamingStrategy lDecoder(1, pBrackets);
    KNamePair lPair(pName);
    const bool lResult = lDecoder.Rename(lPair);
    return {lPair.GetCurrentName().Buffer(), lPair.GetInitialName().Buffer(), lResult};
}

using Names = std::vector<std::string>;

} // namespace

TEST(KNameClashRenamingStrategy, EncodesClashesAndLetterCases)
{
    EXPECT_EQ(EncodeAll({"Arm", "Arm", "Arm", "Leg"}),
              (Names{"Arm", "Arm_ncl1_1", "Arm_ncl1_2", "Leg"}));
    const Names lTwice = EncodeAll({"ARM", "arm", "arm"});
    EXPECT_EQ(lTwice[1], "ARM_ncl2_ul7");
    EXPECT_NE(lTwice[2], lTwice[1]);
    EXPECT_EQ(Decode(lTwice[2].c_str()).mCurrent, "arm");
    EXPECT_EQ(EncodeAll({"Arm", "aRM", "ARM"}), (Names{"Arm", "Arm_ncl2_ul1lu6", "Arm_ncl2_lu6"}));
    // A name that looks encoded already does not hide the next clash.
    EXPECT_EQ(EncodeAll({"Arm_ncl1_1", "Arm", "Arm", "Arm"}),
              (Names{"Arm_ncl1_1", "Arm", "Arm_ncl1_2", "Arm_ncl1_3"}));
    // Mode 1 encodes clashes only, mode 2 letter cases only.
    EXPECT_EQ(EncodeAll({"Arm", "ARM", "ARM"}, 1), (Names{"Arm", "ARM", "ARM_ncl1_1"}));
    EXPECT_EQ(EncodeAll({"Arm", "Arm", "arm"}, 2), (Names{"Arm", "Arm", "Arm_ncl2_ul1"}));
    // Case differences past the mask become clashes.
    std::string lVariant(40, 'a');
    lVariant[35] = 'A';
    EXPECT_EQ(EncodeAll({std::string(40, 'a').c_str(), lVariant.c_str()})[1], lVariant + "_ncl1_1");
    EXPECT_EQ(Decode((lVariant + "_ncl1_1").c_str()).mCurrent, lVariant);
}

TEST(KNameClashRenamingStrategy, RecordsModesAndClear)
{
    KNameClashRenamingStrategy lEncoder(0, false);
    KNamePair lPair("Arm");
    EXPECT_FALSE(lEncoder.Rename(lPair));
    EXPECT_EQ(Encode(lEncoder, "Arm"), "Arm_ncl1_1");
    EXPECT_EQ(Encode(lEncoder, "Leg"), "Leg");
    EXPECT_EQ(lEncoder.GetRecordCount(), 3);
    EXPECT_EQ(lEncoder.Clone(), nullptr);
    // Clear keeps the records; changing the mode forgets them, setting the same mode does not.
    lEncoder.Clear();
    EXPECT_EQ(Encode(lEncoder, "Leg"), "Leg_ncl1_1");
    lEncoder.SetMode(0);
    EXPECT_EQ(lEncoder.GetRecordCount(), 4);
    lEncoder.SetMode(2);
    EXPECT_EQ(lEncoder.GetRecordCount(), 0);
    EXPECT_EQ(Encode(lEncoder, "Leg"), "Leg");
}

TEST(KNameClashRenamingStrategy, DecodesTheMarkers)
{
    const struct
    {
        const char* mName;
        bool mBrackets;
        const char* mCurrent;
        // Null: not checked.
        const char* mInitial;
        bool mResult;
    } kCases[] = {
        {"Arm_ncl1_1", false, "Arm", "Arm_ncl1_1", true},
        {"ARM_ncl2_ul7", false, "arm", nullptr, true},
        {"Arm_ncl2_ul1lu6", false, "aRM", nullptr, true},
        {"Arm_ncl2_lu6", false, "ARM", nullptr, true},
        {"Leg(30)", false, "Leg", nullptr, true},
        {"Bone(12)", true, "Bone", "Bone_12_", true},
        {"Bone(12)", false, "Bone", "Bone(12)", true},
        {"Bone(x1)", false, "Bone_x1_", "Bone(x1)", false},
        {"Model::Arm", false, "Model__Arm", "Model::Arm", false},
        // A cut at position 0 is ignored, and so are the brackets after it; a bracket without its
        // pair decodes nothing; bytes above 127 are not letters.
        {"_ncl1_1", false, "_ncl1_1", nullptr, false},
        {"_ncl1_(3)", false, "_ncl1__3_", nullptr, false},
        {"12)", false, "12_", nullptr, false},
        {"(3)", false, "_3_", nullptr, false},
        {"caf\xc3\xa9", false, "caf__", nullptr, false},
        // Crafted masks stay inside the name; one beyond 32 bits is ignored.
        {"A_ncl2_ul4294967295", false, "a", nullptr, true},
        {"A_ncl2_lu4294967295", false, "A", nullptr, true},
        {"AB_ncl2_ul99999999999", false, "AB", nullptr, true},
        {"_ncl2_ul1", false, "", nullptr, true},
        {"x_ncl2_ul", false, "x", nullptr, true},
    };
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(lCase.mName);
        const Decoded lDecoded = Decode(lCase.mName, lCase.mBrackets);
        EXPECT_EQ(lDecoded.mCurrent, lCase.mCurrent);
        if (lCase.mInitial) {
            EXPECT_EQ(lDecoded.mInitial, lCase.mInitial);
        }
        EXPECT_EQ(lDecoded.mResult, lCase.mResult);
    }
    // The pair's names are exchanged when nothing was decoded.
    KNameClashRenamingStrategy lDecoder(1, false);
    KNamePair lPair("first");
    lPair.SetCurrentName("second");
    EXPECT_FALSE(lDecoder.Rename(lPair));
    EXPECT_STREQ(lPair.GetCurrentName().Buffer(), "first");
    EXPECT_STREQ(lPair.GetInitialName().Buffer(), "second");

    EXPECT_STREQ(lDecoder.ReplaceNonAlphanumeric(KString("a b-c9"), "#").Buffer(), "a#b#c9");
    EXPECT_STREQ(lDecoder.ReplaceNonAlphanumeric(KString("a b"), "").Buffer(), "a b");
    EXPECT_STREQ(lDecoder.ReplaceNonAlphanumeric(KString("a b"), nullptr).Buffer(), "a b");
}

TEST(KNameClashRenamingStrategy, RandomNameSetsRoundTrip)
{
    std::mt19937 lRandom(12345);
    const char lLetters[] = {'a', 'A', 'r', 'R', 'm', 'M', '1'};
    for (int lRound = 0; lRound < 50; ++lRound) {
        KNameClashRenamingStrategy lEncoder(0, false);
        std::set<std::string> lEncoded;
        std::vector<std::pair<std::string, std::string>> lNames;
        for (int i = 0; i < 40; ++i) {
            std::string lName;
            const int lLength = 1 + static_cast<int>(lRandom() % 3);
            for (int c = 0; c < lLength; ++c) {
                // The first letter is never a digit, so no name looks like a use count.
                lName += lLetters[lRandom() % (c == 0 ? 6 : 7)];
            }
            const std::string lResult = Encode(lEncoder, lName.c_str());
            EXPECT_TRUE(lEncoded.insert(lResult).second) << lName << " -> " << lResult;
            lNames.emplace_back(lName, lResult);
        }
        for (const auto& lEntry : lNames) {
            EXPECT_EQ(Decode(lEntry.second.c_str()).mCurrent, lEntry.first) << lEntry.second;
        }
    }
}

TEST(KNumberSuffixRenamingStrategy, AppendsUseCountsAndStaysUnique)
{
    KNumberSuffixRenamingStrategy lStrategy;
    const char* const lInputs[] = {"Arm", "Arm", "Arm", "Leg", "Arm1", "Arm2"};
    const char* const lOutputs[] = {"Arm", "Arm1", "Arm2", "Leg", "Arm1", "Arm2"};
    std::set<std::string> lSeen;
    for (int i = 0; i < 6; ++i) {
        KNamePair lPair(lInputs[i]);
        EXPECT_EQ(lStrategy.Rename(lPair), i == 1 || i == 2 || i >= 4) << i;
        EXPECT_STREQ(lPair.GetInitialName().Buffer(), lInputs[i]);
        if (i < 4) {
            EXPECT_STREQ(lPair.GetCurrentName().Buffer(), lOutputs[i]);
        }
        EXPECT_TRUE(lSeen.insert(lPair.GetCurrentName().Buffer()).second) << i;
    }
    std::unique_ptr<KRenamingStrategy> lClone = lStrategy.Clone();
    ASSERT_NE(lClone, nullptr);
    KNamePair lFresh("Arm");
    EXPECT_FALSE(lClone->Rename(lFresh));
    lStrategy.Clear();
    KNamePair lAgain("Arm");
    EXPECT_FALSE(lStrategy.Rename(lAgain));

    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("Model::Arm").Buffer(), "Arm");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("A::B::C").Buffer(), "B::C");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("Arm").Buffer(), "Arm");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix(nullptr).Buffer(), "");
}
