#include "platform/vurn/VurnSnapshot.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvPose.h"
#include "tests/plugin/export/DeformerExportTestSupport.h"
#include "tests/plugin/export/ExportReadBack.h"

namespace {
// The whole export of a skinned mesh, a cluster and a blend shape, written and read back.
class RyvVurnDeformerFileTest : public ExportTest
{
protected:
    std::string File(const char* pName) const { return mFolder.PathOf(pName); }
    KRyvObjectFactory mFactory;
};

TEST_F(RyvVurnDeformerFileTest, DeformersComeBackFromTheFileAndTheHostIsLeftAsItWas)
{
    for (const bool lHardEdges : {false, true}) {
        VurnScene::Reset();
        GetOptionStore().SetBool(kExportBindPose, true);
        GetOptionStore().SetBool(kExportHardEdges, lHardEdges);
        GetOptionStore().SetDouble(kExportMasterScale, 2.0);
        const int lBody = VurnFixtures::Cube("body");
        VurnFixtures::Skin(lBody, VurnFixtures::JointChain("j", 3));
        VurnFixtures::Cluster("c", VurnFixtures::Cube("box"), {0, 1});
        const int lFace = VurnFixtures::Cube("face");
        const int lTarget = VurnFixtures::Cube("smile");
        const int lBlend = VurnFixtures::BlendShape("bs", lFace, {lTarget});
        Scene().SetNumber(lBlend, "envelope", 0.75);
        const std::string lName = File(lHardEdges ? "hard.ryv" : "soft.ryv");
        const VurnSnapshot lBefore = VurnSnapshot::Take();
        {
            RyvVurnExporter lExporter;
            ASSERT_TRUE(lExporter.Export(lName.c_str()));
        }
        EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
        double lEnvelope = 0.0;
        ASSERT_TRUE(Scene().GetNumber(lBlend, "envelope", lEnvelope));
        EXPECT_DOUBLE_EQ(lEnvelope, 0.75);

        KRyvScene* lScene = ReadBack(mFactory, lName);
        ASSERT_NE(lScene, nullptr);
        KRyvNode* lRoot = lScene->GetRootNode();
        KRyvGeometry* lSkinned = FindGeometry(Find(lRoot, "body"));
        ASSERT_NE(lSkinned, nullptr);
        EXPECT_EQ(lSkinned->GetLinkCount(), 3);
        ASSERT_EQ(lScene->GetPoseCount(), 1);
        EXPECT_EQ(lScene->GetPose(0)->GetCount(), 4);
        KRyvGeometry* lBox = FindGeometry(Find(lRoot, "box"));
        ASSERT_NE(lBox, nullptr);
        ASSERT_EQ(lBox->GetLinkCount(), 1);
        EXPECT_STREQ(lBox->GetLink(0)->GetUserData().Buffer(), "WeightedCluster");
        KRyvGeometry* lFaceGeometry = FindGeometry(Find(lRoot, "face"));
        ASSERT_NE(lFaceGeometry, nullptr);
        ASSERT_EQ(lFaceGeometry->GetShapeCount(), 1);
        EXPECT_STREQ(lFaceGeometry->GetShapeName(0), "bs.weight[0]");
        EXPECT_EQ(lFaceGeometry->GetShape(0)->GetControlPointCount(),
                  lFaceGeometry->GetControlPointCount());
        (void)lFace;
    }
}
} // namespace
