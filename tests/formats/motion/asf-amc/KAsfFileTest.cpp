// The ASF file: sections, bone blocks, the hierarchy and their failures, and the writer.
#include "AsfAmcTestSupport.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

const char* const kRoot = ":root\n order tx ty tz rx ry rz\n axis xyz\n position 0 0 0\n"
                          " orientation 0 0 0\n";

std::string Bone(const std::string& pName, const std::string& pExtra = " dof rx ry rz\n")
{
    return " begin\n  name " + pName + "\n  direction 0 1 0\n  length 2\n  axis 0 0 0 XYZ\n" +
           pExtra + " end\n";
}

// Reads pText into the scene with reporting on; the warnings collect in mWarnings.
struct AsfRead
{
    KRyvAsfScene mScene;
    std::vector<std::string> mWarnings;
    std::string mError;

    bool Read(const std::string& pText, bool pCollapse = false)
    {
        KAsfFile lFile(true);
        lFile.SetWarningHook([this](const char* pText) { mWarnings.push_back(pText); });
        if (!lFile.Open(WriteTestFile("file.asf", pText).c_str(), "r")) {
            return false;
        }
        const bool lRead = lFile.Read(&mScene, pCollapse);
        mError = lFile.GetLastError();
        return lRead;
    }

    bool Warned(const std::string& pText) const
    {
        for (const std::string& lWarning : mWarnings) {
            if (lWarning.find(pText) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

TEST(KAsfFile, VersionOtherThan110IsWarnedAbout)
{
    AsfRead lGood;
    ASSERT_TRUE(lGood.Read(std::string(":version 1.1\n") + kRoot));
    EXPECT_TRUE(lGood.mWarnings.empty());
    AsfRead lOther;
    ASSERT_TRUE(lOther.Read(std::string(":version 1.2\n") + kRoot));
    EXPECT_TRUE(lOther.Warned("Bad File format version (1.2), trying 1.10"));
    AsfRead lHuge;
    ASSERT_TRUE(lHuge.Read(std::string(":version 1e300\n") + kRoot));
    EXPECT_TRUE(lHuge.Warned("Bad File format version"));
}

TEST(KAsfFile, LengthsAndRootPositionShareTheLengthUnit)
{
    AsfRead lRead;
    // Units after the bones still apply to them.
    ASSERT_TRUE(lRead.Read(":root\n order rx ry rz\n position 1 2 3\n:bonedata\n" + Bone("a") +
                           ":units\n length 0.45\n"));
    const double lFactor = 2.54 / 0.45;
    KAsfBone* lBone = lRead.mScene.FindBone("a");
    ASSERT_NE(lBone, nullptr);
    EXPECT_DOUBLE_EQ(lBone->mLength, 2 * lFactor);
    EXPECT_DOUBLE_EQ(lRead.mScene.GetRoot()->mLocalTranslation[2], 3 * lFactor);
    // The root's position places the root node only: its child starts at its origin.
    EXPECT_DOUBLE_EQ(VectorLength(lBone->mLocalTranslation), 0.0);
}

TEST(KAsfFile, BadLengthUnitsFallBackToOne)
{
    for (const char* lUnit : {"0", "-2", "inf"}) {
        AsfRead lRead;
        ASSERT_TRUE(lRead.Read(std::string(":units\n length ") + lUnit + "\n" + kRoot +
                               ":bonedata\n" + Bone("a")));
        EXPECT_TRUE(lRead.Warned("Bad length unit")) << lUnit;
        EXPECT_DOUBLE_EQ(lRead.mScene.FindBone("a")->mLength, 2 * 2.54) << lUnit;
    }
}

TEST(KAsfFile, UnitsMayStandOnTheKeywordLine)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(":units mass 1 length 2 angle rad\n") + kRoot));
    EXPECT_DOUBLE_EQ(lRead.mScene.mLengthUnit, 2.0);
    EXPECT_DOUBLE_EQ(lRead.mScene.mAngleFactor, KRyvAsfScene::kDegreesPerRadian);
}

TEST(KAsfFile, RadianFilesTurnAxesByTheirAngleUnit)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(":units\n angle rad\n") + kRoot + ":bonedata\n" +
                           Bone("a", " axis 0 0 1.5707963267948966 xyz\n dof rx\n")));
    const KAsfBone* lBone = lRead.mScene.FindBone("a");
    EXPECT_NEAR(lBone->mAxisAngles[2], 90.0, 1e-9);
    EXPECT_NEAR(lBone->mAxis[0][1], 1.0, 1e-12);
}

TEST(KAsfFile, BoneBlocksNeedNameDirectionAndLength)
{
    AsfRead lNoLength;
    EXPECT_FALSE(lNoLength.Read(std::string(kRoot) +
                                ":bonedata\n begin\n name a\n direction 0 1 0\n end\n"));
    EXPECT_NE(lNoLength.mError.find("Bone has no length"), std::string::npos);
    AsfRead lNoName;
    EXPECT_FALSE(lNoName.Read(std::string(kRoot) + ":bonedata\n begin\n direction 0 1 0\n end\n"));
    EXPECT_NE(lNoName.mError.find("Bone has no name"), std::string::npos);
    AsfRead lInfinite;
    EXPECT_FALSE(lInfinite.Read(std::string(kRoot) + ":bonedata\n begin\n name a\n length inf\n"
                                                     " direction 0 1 0\n end\n"));
    EXPECT_NE(lInfinite.mError.find("Can't read bone length"), std::string::npos);
}

TEST(KAsfFile, OnlyTheExactNameRootIsForbidden)
{
    AsfRead lLower;
    EXPECT_FALSE(lLower.Read(std::string(kRoot) + ":bonedata\n" + Bone("root")));
    EXPECT_NE(lLower.mError.find("Forbidden bone name"), std::string::npos);
    AsfRead lUpper;
    EXPECT_TRUE(lUpper.Read(std::string(kRoot) + ":bonedata\n" + Bone("Root")));
}

TEST(KAsfFile, LengthDofKeepsItsPlaceForTheAmcValues)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(kRoot) + ":bonedata\n" + Bone("a", " dof rx l ry\n")));
    const KAsfBone* lBone = lRead.mScene.FindBone("a");
    ASSERT_EQ(lBone->mDofCount, 3);
    EXPECT_EQ(lBone->mDofs[1], KAsfBone::eLength);
    EXPECT_EQ(lBone->mDofs[2], KAsfBone::eRy);
    EXPECT_EQ(lRead.mWarnings.size(), 1u);
    EXPECT_TRUE(lRead.Warned("Unknown degree of freedom (l)"));
}

TEST(KAsfFile, SeventhDofIsRefused)
{
    AsfRead lBone;
    EXPECT_FALSE(
        lBone.Read(std::string(kRoot) + ":bonedata\n" + Bone("a", " dof tx ty tz rx ry rz rx\n")));
    EXPECT_NE(lBone.mError.find("Too many degrees of freedom"), std::string::npos);
    AsfRead lRoot;
    EXPECT_FALSE(lRoot.Read(":root\n order tx ty tz rx ry rz tx\n"));
}

TEST(KAsfFile, HierarchyMovesOnlyBonesStillUnderTheRoot)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(kRoot) + ":bonedata\n" + Bone("a") + Bone("b") + Bone("c") +
                           ":hierarchy\n begin\n  a b\n  c b\n  root c\n end\n"));
    EXPECT_EQ(lRead.mScene.FindBone("b")->mParent, lRead.mScene.FindBone("a"));
    EXPECT_EQ(lRead.mScene.FindBone("c")->mParent, lRead.mScene.GetRoot());
}

TEST(KAsfFile, HierarchyLoopsAreRefused)
{
    const std::string lBones = std::string(kRoot) + ":bonedata\n" + Bone("a") + Bone("b");
    AsfRead lSelf;
    EXPECT_FALSE(lSelf.Read(lBones + ":hierarchy\n begin\n  a a\n end\n"));
    EXPECT_NE(lSelf.mError.find("Bone hierarchy loop (a)"), std::string::npos) << lSelf.mError;
    AsfRead lPair;
    EXPECT_FALSE(lPair.Read(lBones + ":hierarchy\n begin\n  a b\n  b a\n end\n"));
    EXPECT_NE(lPair.mError.find("Bone hierarchy loop (a)"), std::string::npos) << lPair.mError;
    AsfRead lUnknown;
    EXPECT_FALSE(lUnknown.Read(lBones + ":hierarchy\n begin\n  a zz\n end\n"));
    EXPECT_NE(lUnknown.mError.find("Unknown child bone name (zz)"), std::string::npos);
    AsfRead lTooLong;
    EXPECT_FALSE(
        lTooLong.Read(lBones + ":hierarchy\n begin\n  a " + std::string(2000, 'b') + "\n end\n"));
    EXPECT_NE(lTooLong.mError.find("Unknown child bone name (bbbb"), std::string::npos);
}

TEST(KAsfFile, DeepChainsAreRefusedWithoutExhaustingTheStack)
{
    std::string lText = std::string(kRoot) + ":bonedata\n";
    std::string lHierarchy = ":hierarchy\n begin\n";
    const int lCount = KRyvAsfScene::kMaxDepth + 5;
    for (int i = 0; i < lCount; ++i) {
        lText += Bone("b" + std::to_string(i));
        if (i > 0) {
            lHierarchy += "  b" + std::to_string(i - 1) + " b" + std::to_string(i) + "\n";
        }
    }
    AsfRead lRead;
    EXPECT_FALSE(lRead.Read(lText + lHierarchy + " end\n"));
    EXPECT_NE(lRead.mError.find("Bone hierarchy too deep"), std::string::npos);
}

// The bones of a chain, their blocks and the hierarchy lines hanging each under the one before,
// in the order of pOrder (indexes of the lines' children, 1 to pCount - 1).
std::string ChainFile(int pCount, const std::vector<int>& pOrder, int& oHierarchyLine)
{
    std::string lText = std::string(kRoot) + ":bonedata\n";
    for (int i = 0; i < pCount; ++i) {
        lText += Bone("b" + std::to_string(i));
    }
    lText += ":hierarchy\n begin\n";
    oHierarchyLine = static_cast<int>(std::count(lText.begin(), lText.end(), '\n')) + 1;
    for (const int lChild : pOrder) {
        lText += "  b" + std::to_string(lChild - 1) + " b" + std::to_string(lChild) + "\n";
    }
    return lText + " end\n";
}

// A chain one bone too deep is refused at the line that first makes a bone too deep, however
// its lines are ordered, and a chain exactly as deep as allowed is read.
TEST(KAsfFile, AChainTooDeepIsRefusedAtTheLineThatMakesItSo)
{
    const int kDepth = KRyvAsfScene::kMaxDepth;
    // Bones b0 to b(kDepth - 1) hang at depths 1 to kDepth; b(kDepth) would lie at kDepth + 1.
    std::vector<int> lForward;
    for (int i = 1; i <= kDepth; ++i) {
        lForward.push_back(i);
    }
    std::vector<int> lBackward(lForward.rbegin(), lForward.rend());
    int lFirst = 0;
    // Forward, the last line hangs b(kDepth); backward, the last line hangs b1 under b0, joining
    // the two parts; its line is the last of the list either way.
    for (const std::vector<int>* lOrder : {&lForward, &lBackward}) {
        AsfRead lRead;
        EXPECT_FALSE(lRead.Read(ChainFile(kDepth + 1, *lOrder, lFirst)));
        const int lLine = lFirst + kDepth - 1;
        const std::string lChild = "b" + std::to_string(lOrder->back());
        EXPECT_NE(lRead.mError.find(".asf:" + std::to_string(lLine) +
                                    ": Bone hierarchy too deep (" + lChild + ")"),
                  std::string::npos)
            << lRead.mError;
    }
    // With lines to spare after the one that goes too deep, the read stops there.
    std::vector<int> lLonger = lForward;
    lLonger.push_back(kDepth + 1);
    lLonger.push_back(kDepth + 2);
    AsfRead lLong;
    EXPECT_FALSE(lLong.Read(ChainFile(kDepth + 3, lLonger, lFirst)));
    EXPECT_NE(lLong.mError.find(".asf:" + std::to_string(lFirst + kDepth - 1) + ": "),
              std::string::npos)
        << lLong.mError;
    lForward.pop_back();
    AsfRead lDeepest;
    ASSERT_TRUE(lDeepest.Read(ChainFile(kDepth, lForward, lFirst))) << lDeepest.mError;
    EXPECT_EQ(lDeepest.mScene.GetDepth(), kDepth);
    EXPECT_EQ(lDeepest.mScene.GetRoot()->mChildren.size(), 1u);
}

TEST(KAsfFile, SectionsOutOfOrderNeedTheRootFirst)
{
    AsfRead lBones;
    EXPECT_FALSE(lBones.Read(":bonedata\n" + Bone("a") + kRoot));
    EXPECT_NE(lBones.mError.find("Root section missing"), std::string::npos);
    AsfRead lHierarchy;
    EXPECT_FALSE(lHierarchy.Read(std::string(":hierarchy\n begin\n a\n end\n") + kRoot));
    EXPECT_NE(lHierarchy.mError.find("Root section missing"), std::string::npos);
    AsfRead lTwoRoots;
    EXPECT_FALSE(lTwoRoots.Read(std::string(kRoot) + kRoot));
    EXPECT_NE(lTwoRoots.mError.find("More than one root section"), std::string::npos);
    AsfRead lNoRoot;
    EXPECT_FALSE(lNoRoot.Read(":version 1.10\n:name x\n"));
    AsfRead lLater;
    EXPECT_TRUE(
        lLater.Read(std::string(":name x\n") + kRoot + ":units\n length 1\n:version 1.10\n"));
}

TEST(KAsfFile, UnknownSectionsAndTokensAreWarnedAboutAndSkipped)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(":foo bar\n stuff\n:foo\n") + kRoot +
                           " weird 1\n:bonedata\n junk\n" +
                           Bone("end_effector", " dof rx\n what 3\n") + Bone("beginX") +
                           ":hierarchy\n begin\n  end_effector beginX\n end\n"));
    EXPECT_TRUE(lRead.Warned("Ignoring unknown keyword (:foo)"));
    EXPECT_TRUE(lRead.Warned("Unknown :root token (weird)"));
    EXPECT_TRUE(lRead.Warned("Begin/End keyword expected"));
    EXPECT_TRUE(lRead.Warned("Unknown bonedata token"));
    EXPECT_EQ(lRead.mScene.FindBone("beginX")->mParent, lRead.mScene.FindBone("end_effector"));
}

TEST(KAsfFile, LongNamesAreKeptWhole)
{
    const std::string lLong(80, 'n');
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(kRoot) + ":bonedata\n" + Bone(lLong) + Bone("x") +
                           ":hierarchy\n begin\n  " + lLong + " x\n end\n"));
    EXPECT_EQ(lRead.mScene.FindBone("x")->mParent, lRead.mScene.FindBone(lLong));
}

TEST(KAsfFile, LimitsMaySpreadOverLines)
{
    AsfRead lRead;
    ASSERT_TRUE(lRead.Read(std::string(kRoot) + ":bonedata\n" +
                           Bone("a", " dof rx ry rz\n limits (-160.0 20.0)\n (-inf inf)\n"
                                     "   (-60.0 70.0)\n bodymass 2\n cofmass 1\n")));
    AsfRead lShort;
    EXPECT_FALSE(lShort.Read(std::string(kRoot) + ":bonedata\n" +
                             Bone("a", " dof rx ry\n limits (-160.0 20.0)\n")));
    EXPECT_NE(lShort.mError.find("Can't read dof limits"), std::string::npos);
}

TEST(KAsfFile, CollapsingARotatedBoneKeepsTheRestPose)
{
    const std::string lText =
        std::string(kRoot) + ":bonedata\n" + Bone("a", " axis 0 0 30 XYZ\n dof rx\n") +
        " begin\n  name b\n  direction 1 0 0\n  length 3\n  axis 10 20 70 XYZ\n end\n" +
        Bone("c", " axis -15 40 5 zyx\n dof rx ry\n") + ":hierarchy\n begin\n  a b\n  b c\n end\n";
    AsfRead lKept;
    AsfRead lMerged;
    ASSERT_TRUE(lKept.Read(lText, false));
    ASSERT_TRUE(lMerged.Read(lText, true));
    EXPECT_EQ(lMerged.mScene.FindBone("b"), nullptr);
    EXPECT_TRUE(lMerged.mScene.IsCollapsed("b"));
    // The rest pose of c, chained from the root through the kept and the merged skeletons.
    const auto lGlobal = [](KRyvAsfScene& pScene) {
        KMatrix lGlobal;
        for (const KAsfBone* lBone : pScene.GetBonesDepthFirst()) {
            if (lBone->mName == "c") {
                KMatrix lLocal;
                EulerToMatrixXYZ(lLocal, lBone->mLocalRotation[0], lBone->mLocalRotation[1],
                                 lBone->mLocalRotation[2]);
                return lLocal;
            }
        }
        return lGlobal;
    };
    // c's local rotation is relative to its parent's axes: a's in both cases once merged.
    KMatrix lKeptC = lGlobal(lKept.mScene);
    KMatrix lKeptB;
    const KAsfBone* lB = lKept.mScene.FindBone("b");
    EulerToMatrixXYZ(lKeptB, lB->mLocalRotation[0], lB->mLocalRotation[1], lB->mLocalRotation[2]);
    KMatrix lKeptChain;
    MatrixMultiply3x3(lKeptChain, lKeptB, lKeptC);
    EXPECT_EQ(MatrixCompare(lKeptChain, lGlobal(lMerged.mScene), 1e-9), 0);
    // Offsets add up: c starts at the ends of a and b.
    const KAsfBone* lC = lMerged.mScene.FindBone("c");
    EXPECT_NEAR(lC->mOffset[0], 3 * 2.54, 1e-9);
    EXPECT_NEAR(lC->mOffset[1], 2 * 2.54, 1e-9);
}

TEST(KAsfFile, SkinSectionsAreSkipped)
{
    AsfRead lRead;
    ASSERT_TRUE(
        lRead.Read(std::string(":skin body.obj\n:not a section\n:nor this\n stuff\n") + kRoot));
    EXPECT_NE(lRead.mScene.GetRoot(), nullptr);
}

TEST(KAsfFile, WritesARootWithoutChildren)
{
    KRyvAsfScene lScene;
    lScene.SetRoot(lScene.CreateBone("root"));
    lScene.GetRoot()->AddDof(KAsfBone::eTx);
    lScene.GetRoot()->AddDof(KAsfBone::eRz);
    KAsfFile lFile;
    const std::string lPath = MotionTestPath("empty.asf");
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
    ASSERT_TRUE(lFile.Write(lScene));
    ASSERT_TRUE(lFile.Close());
    EXPECT_EQ(ReadTestFile(lPath), ":version 1.10\n:name \n:units\n  mass 1\n  length 1\n"
                                   "  angle deg\n:documentation\n  ASF file generated by Zembrol\n"
                                   ":root\n  axis xyz\n  order  tx rz\n  position 0 0 0\n"
                                   "  orientation 0 0 0\n:bonedata\n:hierarchy\n  begin\n  end\n");
}

} // namespace
