// The ASF skeleton scene: the nodes it builds (offsets, leaves, limits) and the bones it builds
// from a scene for export.
#include "AsfAmcTestSupport.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <gtest/gtest.h>

namespace {

TEST(KRyvAsfScene, RootPositionPlacesTheRootOnceInCentimetres)
{
    const std::string lAsf = WriteTestFile(
        "placed.asf", ":units\n length 0.45\n:root\n order rx ry rz\n position 1 2 3\n"
                      ":bonedata\n begin\n  name a\n  direction 0 1 0\n  length 2\n  dof rx\n end\n"
                      " begin\n  name flat\n  direction 1 0 0\n  length 0\n  dof rz\n end\n");
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf)) << lTest.mError;
    const double lFactor = 2.54 / 0.45;
    const KMatrix& lRoot = lTest.Find("root")->GetDefaultGlobalMatrix();
    const KMatrix& lA = lTest.Find("a")->GetDefaultGlobalMatrix();
    const KMatrix& lEnd = lTest.Find("a_End")->GetDefaultGlobalMatrix();
    // Default values are kept in single precision.
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(lRoot[3][i], (i + 1) * lFactor, 1e-5);
        EXPECT_NEAR(lA[3][i], (i + 1) * lFactor, 1e-5);
    }
    EXPECT_NEAR(lEnd[3][1], (2 + 2) * lFactor, 1e-5);
    // A leaf of length 0 has no tip.
    EXPECT_NE(lTest.Find("flat"), nullptr);
    EXPECT_EQ(lTest.Find("flat_End"), nullptr);
}

TEST(KRyvAsfScene, LimitsFollowTheDofs)
{
    const std::string lAsf = WriteTestFile(
        "limits.asf", ":root\n order tx ty tz rx ry rz\n:bonedata\n begin\n  name a\n"
                      "  direction 0 1 0\n  length 2\n  axis 0 0 30 xyz\n  dof rx\n end\n");
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KReaderAsf lReader(&lFactory);
    ASSERT_TRUE(lReader.FileOpen(lAsf.c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetOption(KReaderAsf::kOptionLimits, 1);
    ASSERT_TRUE(lReader.Read(lScene, lOptions.get()));
    KRyvNodeLimits& lLimits = lFactory.FindNode("a")->GetLimits();
    const KVector4 lMin = lLimits.GetMin(KRyvNodeLimits::eRotation);
    const KVector4 lMax = lLimits.GetMax(KRyvNodeLimits::eRotation);
    EXPECT_EQ(lMin[0], 0.0);
    EXPECT_EQ(lMin[1], 0.0);
    EXPECT_EQ(lMin[2], -180.0);
    EXPECT_EQ(lMax[2], 180.0);
    EXPECT_FALSE(lLimits.GetAuto(KRyvNodeLimits::eRotation));
    EXPECT_NEAR(lLimits.GetDefault(KRyvNodeLimits::eRotation)[2], 30.0, 1e-5);
    EXPECT_NEAR(lLimits.GetAxisLength(), 2 * 2.54, 1e-5);
    // No translation DOF: the translation is locked where it stands.
    EXPECT_FALSE(lLimits.GetAuto(KRyvNodeLimits::eTranslation));
    EXPECT_TRUE(lLimits.GetEnable(KRyvNodeLimits::eTranslation));
    const KVector4 lLocked = lLimits.GetMax(KRyvNodeLimits::eTranslation);
    EXPECT_EQ(VectorCompare(lLocked, lLimits.GetMin(KRyvNodeLimits::eTranslation), 0.0), 0);
}

// A chain top -> hub with children at the offsets given.
struct ExportScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KRyvNode* mHub = nullptr;

    explicit ExportScene(const std::vector<KVector4>& pOffsets)
    {
        KRyvNode* lTop = mFactory.CreateNode("top");
        mHub = mFactory.CreateNode("hub");
        mScene->GetRootNode()->AddChild(lTop);
        lTop->AddChild(mHub);
        mHub->SetLclTranslation(KVector4(0, 5, 0));
        mHub->SetLclRotation(KVector4(0, 0, 90));
        for (std::size_t i = 0; i < pOffsets.size(); ++i) {
            KRyvNode* lChild = mFactory.CreateNode(("c" + std::to_string(i)).c_str());
            lChild->SetLclTranslation(pOffsets[i]);
            mHub->AddChild(lChild);
        }
    }
};

TEST(KRyvAsfScene, ChildrenAtOneOffsetShareTheBoneVector)
{
    ExportScene lScene({KVector4(2, 0, 0), KVector4(2, 0, 0), KVector4(2, 0, 0)});
    KRyvAsfScene lSkeleton;
    ASSERT_TRUE(lSkeleton.BuildFromScene(lScene.mScene->GetRootNode()->GetChild(0),
                                         KVector4(1, 1, 1), false, {}));
    EXPECT_EQ(lSkeleton.FindBone("c0Dummy"), nullptr);
    const KAsfBone* lHub = lSkeleton.FindBone("hub");
    ASSERT_NE(lHub, nullptr);
    // The hub's turn of 90 degrees about Z takes its +X child offset onto +Y.
    EXPECT_NEAR(lHub->mDirection[1], 1.0, 1e-12);
    EXPECT_NEAR(lHub->mLength, 2.0, 1e-12);
    // The hub itself hangs below the root through a bone carrying its offset.
    EXPECT_NE(lSkeleton.FindBone("hubDummy"), nullptr);
}

TEST(KRyvAsfScene, ChildrenAtDifferentOffsetsGetABoneEach)
{
    ExportScene lScene({KVector4(2, 0, 0), KVector4(0, 3, 0), KVector4(0, 0, 0)});
    KRyvAsfScene lSkeleton;
    ASSERT_TRUE(lSkeleton.BuildFromScene(lScene.mScene->GetRootNode()->GetChild(0),
                                         KVector4(1, 1, 2), false, {}));
    const KAsfBone* lFirst = lSkeleton.FindBone("c0Dummy");
    const KAsfBone* lSecond = lSkeleton.FindBone("c1Dummy");
    ASSERT_NE(lFirst, nullptr);
    ASSERT_NE(lSecond, nullptr);
    EXPECT_EQ(lFirst->mParent, lSkeleton.FindBone("hub"));
    EXPECT_EQ(lSkeleton.FindBone("c1")->mParent, lSecond);
    EXPECT_NEAR(lFirst->mLength, 2.0, 1e-12);
    EXPECT_NEAR(lSecond->mLength, 3.0, 1e-12);
    EXPECT_EQ(lSkeleton.FindBone("hub")->mLength, 0.0);
    // A child at the hub's origin needs no bone for its offset.
    EXPECT_EQ(lSkeleton.FindBone("c2Dummy"), nullptr);
    // Leaves below offset bones stay, so that their places survive the merge on reading.
    EXPECT_NE(lSkeleton.FindBone("c0"), nullptr);
}

TEST(KRyvAsfScene, StillTipsOfAnImportAreDropped)
{
    ExportScene lScene({KVector4(2, 0, 0)});
    KRyvAsfScene lSkeleton;
    ASSERT_TRUE(lSkeleton.BuildFromScene(lScene.mScene->GetRootNode()->GetChild(0),
                                         KVector4(1, 1, 1), false, {}));
    EXPECT_EQ(lSkeleton.FindBone("c0"), nullptr);
    EXPECT_NEAR(lSkeleton.FindBone("hub")->mLength, 2.0, 1e-12);
}

} // namespace
