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

} // namespace

TEST(KNameClashRenamingStrategy, EncodesClashesWithUseCounts)
{
    KNameClashRenamingStrategy lEncoder(0, false);
    KNamePair lPair("Arm");
    EXPECT_FALSE(lEncoder.Rename(lPair));
    EXPECT_STREQ(lPair.GetCurrentName().Buffer(), "Arm");
    EXPECT_EQ(Encode(lEncoder, "Arm"), "Arm_ncl1_1");
    EXPECT_EQ(Encode(lEncoder, "Arm"), "Arm_ncl1_2");
    EXPECT_EQ(Encode(lEncoder, "Leg"), "Leg");
    EXPECT_EQ(lEncoder.GetRecordCount(), 4);
    EXPECT_EQ(lEncoder.Clone(), nullptr);
    lEncoder.Clear();
    EXPECT_EQ(Encode(lEncoder, "Leg"), "Leg_ncl1_1");
}

TEST(KNameClashRenamingStrategy, EncodesLetterCaseMasks)
{
    KNameClashRenamingStrategy lUpper(0, false);
    Encode(lUpper, "ARM");
    EXPECT_EQ(Encode(lUpper, "arm"), "ARM_ncl2_ul7");

    KNameClashRenamingStrategy lMixed(0, false);
    Encode(lMixed, "Arm");
    EXPECT_EQ(Encode(lMixed, "aRM"), "Arm_ncl2_ul1lu6");
    EXPECT_EQ(Encode(lMixed, "ARM"), "Arm_ncl2_lu6");
}

TEST(KNameClashRenamingStrategy, ModesRestrictWhatIsEncoded)
{
    KNameClashRenamingStrategy lClashOnly(0, false);
    lClashOnly.SetMode(1);
    Encode(lClashOnly, "Arm");
    EXPECT_EQ(Encode(lClashOnly, "ARM"), "ARM");
    EXPECT_EQ(Encode(lClashOnly, "ARM"), "ARM_ncl1_1");

    KNameClashRenamingStrategy lCaseOnly(0, false);
    lCaseOnly.SetMode(2);
    Encode(lCaseOnly, "Arm");
    EXPECT_EQ(Encode(lCaseOnly, "Arm"), "Arm");
    EXPECT_EQ(lCaseOnly.GetRecordCount(), 2);
    EXPECT_EQ(Encode(lCaseOnly, "arm"), "Arm_ncl2_ul1");

    // Changing the mode forgets the names; setting the same mode keeps them.
    lCaseOnly.SetMode(2);
    EXPECT_EQ(lCaseOnly.GetRecordCount(), 3);
    lCaseOnly.SetMode(0);
    EXPECT_EQ(lCaseOnly.GetRecordCount(), 0);
    EXPECT_EQ(Encode(lCaseOnly, "Arm"), "Arm");
}

TEST(KNameClashRenamingStrategy, GeneratedNamesStayDistinct)
{
    KNameClashRenamingStrategy lCase(0, false);
    Encode(lCase, "ARM");
    const std::string lFirst = Encode(lCase, "arm");
    const std::string lSecond = Encode(lCase, "arm");
    EXPECT_EQ(lFirst, "ARM_ncl2_ul7");
    EXPECT_NE(lSecond, lFirst);
    EXPECT_EQ(Decode(lSecond.c_str()).mCurrent, "arm");

    KNameClashRenamingStrategy lClash(0, false);
    Encode(lClash, "Arm_ncl1_1");
    EXPECT_EQ(Encode(lClash, "Arm"), "Arm");
    EXPECT_EQ(Encode(lClash, "Arm"), "Arm_ncl1_2");
    EXPECT_EQ(Encode(lClash, "Arm"), "Arm_ncl1_3");
}

TEST(KNameClashRenamingStrategy, CaseDifferencesPastTheMaskBecomeClashes)
{
    const std::string lBase(40, 'a');
    std::string lVariant = lBase;
    lVariant[35] = 'A';
    KNameClashRenamingStrategy lEncoder(0, false);
    Encode(lEncoder, lBase.c_str());
    const std::string lEncoded = Encode(lEncoder, lVariant.c_str());
    EXPECT_EQ(lEncoded, lVariant + "_ncl1_1");
    EXPECT_EQ(Decode(lEncoded.c_str()).mCurrent, lVariant);
}

TEST(KNameClashRenamingStrategy, DecodesTheMarkers)
{
    Decoded lClash = Decode("Arm_ncl1_1");
    EXPECT_EQ(lClash.mCurrent, "Arm");
    EXPECT_EQ(lClash.mInitial, "Arm_ncl1_1");
    EXPECT_TRUE(lClash.mResult);

    Decoded lCase = Decode("ARM_ncl2_ul7");
    EXPECT_EQ(lCase.mCurrent, "arm");
    EXPECT_TRUE(lCase.mResult);
    EXPECT_EQ(Decode("Arm_ncl2_ul1lu6").mCurrent, "aRM");
    EXPECT_EQ(Decode("Arm_ncl2_lu6").mCurrent, "ARM");

    EXPECT_EQ(Decode("Leg(3)").mCurrent, "Leg");
    Decoded lBrackets = Decode("Bone(12)", true);
    EXPECT_EQ(lBrackets.mCurrent, "Bone");
    EXPECT_EQ(lBrackets.mInitial, "Bone_12_");
    EXPECT_EQ(Decode("Bone(12)").mInitial, "Bone(12)");
    Decoded lLetters = Decode("Bone(x1)");
    EXPECT_EQ(lLetters.mCurrent, "Bone_x1_");
    EXPECT_FALSE(lLetters.mResult);
}

TEST(KNameClashRenamingStrategy, DecodingWithoutMarkers)
{
    Decoded lPlain = Decode("Model::Arm");
    EXPECT_EQ(lPlain.mCurrent, "Model__Arm");
    EXPECT_EQ(lPlain.mInitial, "Model::Arm");
    EXPECT_FALSE(lPlain.mResult);

    // The pair's names are exchanged when nothing was decoded.
    KNameClashRenamingStrategy lDecoder(1, false);
    KNamePair lPair("first");
    lPair.SetCurrentName("second");
    EXPECT_FALSE(lDecoder.Rename(lPair));
    EXPECT_STREQ(lPair.GetCurrentName().Buffer(), "first");
    EXPECT_STREQ(lPair.GetInitialName().Buffer(), "second");

    // A cut at position 0 is ignored.
    EXPECT_EQ(Decode("_ncl1_1").mCurrent, "_ncl1_1");
    EXPECT_EQ(Decode("(3)").mCurrent, "_3_");
    // Bytes above 127 are not letters.
    EXPECT_EQ(Decode("caf\xc3\xa9").mCurrent, "caf__");
}

TEST(KNameClashRenamingStrategy, CraftedMasksStayInsideTheName)
{
    EXPECT_EQ(Decode("A_ncl2_ul4294967295").mCurrent, "a");
    EXPECT_EQ(Decode("A_ncl2_lu4294967295").mCurrent, "A");
    // A mask beyond 32 bits is ignored.
    EXPECT_EQ(Decode("AB_ncl2_ul99999999999").mCurrent, "AB");
    EXPECT_EQ(Decode("_ncl2_ul1").mCurrent, "");
    EXPECT_EQ(Decode("x_ncl2_ul").mCurrent, "x");
}

TEST(KNameClashRenamingStrategy, ReplaceNonAlphanumeric)
{
    KNameClashRenamingStrategy lDecoder(1, false);
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

TEST(KNumberSuffixRenamingStrategy, AppendsUseCounts)
{
    KNumberSuffixRenamingStrategy lStrategy;
    const char* const lInputs[] = {"Arm", "Arm", "Arm", "Leg"};
    const char* const lOutputs[] = {"Arm", "Arm1", "Arm2", "Leg"};
    for (int i = 0; i < 4; ++i) {
        KNamePair lPair(lInputs[i]);
        EXPECT_EQ(lStrategy.Rename(lPair), i == 1 || i == 2);
        EXPECT_STREQ(lPair.GetCurrentName().Buffer(), lOutputs[i]);
        EXPECT_STREQ(lPair.GetInitialName().Buffer(), lInputs[i]);
    }
    lStrategy.Clear();
    KNamePair lAgain("Arm");
    EXPECT_FALSE(lStrategy.Rename(lAgain));
}

TEST(KNumberSuffixRenamingStrategy, GeneratedNamesAreUnique)
{
    KNumberSuffixRenamingStrategy lStrategy;
    std::set<std::string> lSeen;
    for (const char* lName : {"Arm", "Arm1", "Arm", "Arm", "Arm1", "Arm2"}) {
        KNamePair lPair(lName);
        lStrategy.Rename(lPair);
        EXPECT_TRUE(lSeen.insert(lPair.GetCurrentName().Buffer()).second)
            << lPair.GetCurrentName().Buffer();
    }
    EXPECT_EQ(lSeen.count("Arm2"), 1u);
    EXPECT_EQ(lSeen.count("Arm3"), 1u);
    std::unique_ptr<KRenamingStrategy> lClone = lStrategy.Clone();
    ASSERT_NE(lClone, nullptr);
    KNamePair lFresh("Arm");
    EXPECT_FALSE(lClone->Rename(lFresh));
}

TEST(KRenamingStrategy, RemoveNamePrefix)
{
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("Model::Arm").Buffer(), "Arm");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("A::B::C").Buffer(), "B::C");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix("Arm").Buffer(), "Arm");
    EXPECT_STREQ(KRenamingStrategy::RemoveNamePrefix(nullptr).Buffer(), "");
}
