// Keyframer nodes: puts, node ids and parent names through a written file.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

void PutObject(Loaded& ioRun, const std::string& pName, const std::string& pParent,
               const std::string& pInstance = "")
{
    std::unique_ptr<ObjectMotion3ds> lMotion;
    InitObjectMotion3ds(lMotion, 1, 1, 1, 0, 0);
    lMotion->mName = pName;
    lMotion->mParent = pParent;
    lMotion->mInstance = pInstance;
    lMotion->mRotation.mValues[0] = {1.5f, 0, 1, 0};
    PutObjectMotion3ds(ioRun.mKit, ioRun.Db(), lMotion.get());
}

std::vector<std::string> Parents(Loaded& ioRun)
{
    std::vector<std::string> lParents;
    std::unique_ptr<ObjectMotion3ds> lMotion;
    for (uint32_t i = 0; i < GetObjectNodeCount3ds(ioRun.mKit, ioRun.Db()); ++i) {
        GetObjectMotionByIndex3ds(ioRun.mKit, ioRun.Db(), i, lMotion);
        lParents.push_back(lMotion->mParent);
    }
    return lParents;
}

} // namespace

TEST(Toolkit3dsKeyframer, HierarchySurvivesAWrite)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    PutObject(*lRun, "Root", "");
    PutObject(*lRun, "Box.001", "Root");
    PutObject(*lRun, "Leaf", "Box.001");
    PutObject(*lRun, "Twin", "", "A");
    PutObject(*lRun, "Twin", "", "B");
    PutObject(*lRun, "Kid", "Twin.B");
    PutObject(*lRun, "Lost", "Nobody");
    auto lBack = LoadBytes(lDir, WriteDatabase(*lRun, lDir));
    ASSERT_FALSE(lBack->Failed());
    EXPECT_EQ(Parents(*lBack),
              (std::vector<std::string>{"", "Root", "Box.001", "", "", "Twin.B", ""}));
    EXPECT_EQ(
        ListNodeNames3ds(lBack->mKit, lBack->Db(), Tag3ds::kObjectNode),
        (std::vector<std::string>{"Root", "Box.001", "Leaf", "Twin.A", "Twin.B", "Kid", "Lost"}));
    // The child of the second instance carries the second instance's id.
    ChunkNode3ds* lKid = FindNodeByName3ds(lBack->mKit, lBack->Db(), "Kid", Tag3ds::kObjectNode);
    EXPECT_EQ(ReadChunkData3ds(lBack->mKit, FindChunk3ds(lKid, Tag3ds::kNodeHdr))->mInts[2], 4u);
    std::unique_ptr<ObjectMotion3ds> lMotion;
    GetObjectMotionByIndex3ds(lBack->mKit, lBack->Db(), 4, lMotion);
    EXPECT_EQ(lMotion->mInstance, "B");
    EXPECT_EQ(lMotion->mRotation.mValues[0].mAngle, 1.5f);
    EXPECT_EQ(lMotion->mScale.mValues[0].x, 1);
}

TEST(Toolkit3dsKeyframer, PutRules)
{
    std::unique_ptr<Loaded> lRun = NewDatabase();
    Toolkit3dsContext& lKit = lRun->mKit;
    std::unique_ptr<CameraMotion3ds> lCamera;
    InitCameraMotion3ds(lCamera, 2, 0, 0, 0);
    lCamera->mName = "Cam";
    PutCameraMotion3ds(lKit, lRun->Db(), lCamera.get());
    PutCameraMotion3ds(lKit, lRun->Db(), lCamera.get());
    EXPECT_EQ(GetCameraNodeCount3ds(lKit, lRun->Db()), 1u);
    EXPECT_EQ(CountNodes3ds(lKit, lRun->Db(), Tag3ds::kTargetNode), 0u);
    std::unique_ptr<CameraMotion3ds> lRead;
    GetCameraMotionByIndex3ds(lKit, lRun->Db(), 0, lRead);
    EXPECT_EQ(lRead->mPosition.mKeys.size(), 2u);
    GetCameraMotionByIndex3ds(lKit, lRun->Db(), 1, lRead);
    EXPECT_EQ(lRead->mName, "Cam");
    std::unique_ptr<ObjectMotion3ds> lDummy;
    InitObjectMotion3ds(lDummy, 0, 0, 0, 0, 0);
    lDummy->mName = "$$$DUMMY";
    lDummy->mBoundMax = {1, 2, 3};
    lDummy->mFlags2 = 1;
    lDummy->mMorphSmooth = 12;
    PutObjectMotion3ds(lKit, lRun->Db(), lDummy.get());
    lDummy->mName = "Plain";
    PutObjectMotion3ds(lKit, lRun->Db(), lDummy.get());
    ChunkNode3ds* lWithBox = FindNodeByName3ds(lKit, lRun->Db(), "$$$DUMMY", Tag3ds::kObjectNode);
    EXPECT_NE(FindChunk3ds(lWithBox, Tag3ds::kBoundBox), nullptr);
    EXPECT_EQ(FindChunk3ds(FindNodeByName3ds(lKit, lRun->Db(), "Plain", Tag3ds::kObjectNode),
                           Tag3ds::kBoundBox),
              nullptr);
    std::unique_ptr<ObjectMotion3ds> lBack;
    GetObjectMotionByIndex3ds(lKit, lRun->Db(), 0, lBack);
    EXPECT_EQ(lBack->mBoundMax.z, 3);
    EXPECT_EQ(lBack->mMorphSmooth, 12);
    std::unique_ptr<SpotlightMotion3ds> lSpot;
    InitSpotlightMotion3ds(lSpot, 1, 1, 1, 1, 1, 1);
    lSpot->mName = "Spot";
    PutSpotlightMotion3ds(lKit, lRun->Db(), lSpot.get());
    std::unique_ptr<OmniLightMotion3ds> lOmni;
    InitOmniLightMotion3ds(lOmni, 1, 2);
    lOmni->mName = "Omni";
    lOmni->mColor.mValues[1] = {1, 0.5f, 0};
    PutOmniLightMotion3ds(lKit, lRun->Db(), lOmni.get());
    std::unique_ptr<SpotlightMotion3ds> lSpotBack;
    GetSpotlightMotionByIndex3ds(lKit, lRun->Db(), 0, lSpotBack);
    EXPECT_EQ(lSpotBack->mHotspot.mValues[0], 90);
    EXPECT_EQ(lSpotBack->mTargetPosition.mKeys.size(), 1u);
    std::unique_ptr<OmniLightMotion3ds> lOmniBack;
    GetOmniLightMotionByIndex3ds(lKit, lRun->Db(), 0, lOmniBack);
    EXPECT_EQ(lOmniBack->mColor.mValues[1].g, 0.5f);
    EXPECT_EQ(GetOmniLightNodeCount3ds(lKit, lRun->Db()) +
                  GetSpotlightNodeCount3ds(lKit, lRun->Db()),
              2u);
    EXPECT_FALSE(lRun->Failed());
}

TEST(Toolkit3dsKeyframer, IdsFromTheFile)
{
    ScratchDir lDir;
    auto Node = [](const char* pName, const Bytes& pId, uint16_t pParent) {
        return Chunk(
            Tag3ds::kObjectNode,
            Cat({pId, Chunk(Tag3ds::kNodeHdr, Cat({Str(pName), U16(0), U16(0), U16(pParent)}))}));
    };
    // Without ids the nodes are numbered in order; a node without an id chunk gets no parent.
    auto lRun =
        LoadBytes(lDir, StampedFile({}, Cat({Node("A", {}, Tag3ds::kNoParent), Node("B", {}, 0),
                                             Node("C", Chunk(Tag3ds::kNodeId, U16(7)), 1)})));
    EXPECT_EQ(Parents(*lRun), (std::vector<std::string>{"", "", "B"}));
    // Duplicate ids: the first node with the id is the parent.
    auto lDup = LoadBytes(
        lDir, StampedFile({}, Cat({Node("A", Chunk(Tag3ds::kNodeId, U16(3)), Tag3ds::kNoParent),
                                   Node("B", Chunk(Tag3ds::kNodeId, U16(3)), Tag3ds::kNoParent),
                                   Node("C", Chunk(Tag3ds::kNodeId, U16(4)), 3)})));
    EXPECT_EQ(Parents(*lDup), (std::vector<std::string>{"", "", "A"}));
}

// Lists kept up to date by the puts themselves: gets between puts see every record, in order,
// and a put that replaces a record of another kind is counted anew.
TEST(Toolkit3dsKeyframer, GetsBetweenPutsSeeEveryRecord)
{
    std::unique_ptr<Loaded> lRun = NewDatabase();
    Toolkit3dsContext& lKit = lRun->mKit;
    auto PutNode = [&](const char* pName, float pX) {
        std::unique_ptr<ObjectMotion3ds> lMotion;
        InitObjectMotion3ds(lMotion, 1, 0, 0, 0, 0);
        lMotion->mName = pName;
        lMotion->mPosition.mValues[0] = {pX, 0, 0};
        PutObjectMotion3ds(lKit, lRun->Db(), lMotion.get());
    };
    std::unique_ptr<ObjectMotion3ds> lRead;
    PutNode("A", 1);
    EXPECT_EQ(GetObjectNodeCount3ds(lKit, lRun->Db()), 1u);
    PutNode("B", 2);
    GetObjectMotionByIndex3ds(lKit, lRun->Db(), 1, lRead);
    EXPECT_EQ(lRead->mName, "B");
    PutNode("A", 3);
    EXPECT_EQ(GetObjectNodeCount3ds(lKit, lRun->Db()), 2u);
    GetObjectMotionByIndex3ds(lKit, lRun->Db(), 1, lRead);
    EXPECT_EQ(lRead->mName, "A");
    EXPECT_EQ(lRead->mPosition.mValues[0].x, 3.0f);

    std::unique_ptr<MeshObject3ds> lMesh;
    InitMeshObject3ds(lMesh, 3, 1, 0);
    for (const char* lName : {"M1", "M2"}) {
        lMesh->mName = lName;
        PutMesh3ds(lKit, lRun->Db(), lMesh.get());
        std::unique_ptr<MeshObject3ds> lFirst;
        GetMeshByIndex3ds(lKit, lRun->Db(), 0, lFirst);
        EXPECT_EQ(lFirst->mName, "M1");
    }
    std::unique_ptr<MeshObject3ds> lSecond;
    GetMeshByIndex3ds(lKit, lRun->Db(), 1, lSecond);
    ASSERT_NE(lSecond, nullptr);
    EXPECT_EQ(lSecond->mName, "M2");
    std::unique_ptr<LightObject3ds> lLight;
    InitLightObject3ds(lLight);
    lLight->mName = "M1";
    PutLight3ds(lKit, lRun->Db(), lLight.get());
    EXPECT_EQ(GetMeshCount3ds(lKit, lRun->Db()), 1u);
    std::unique_ptr<MeshObject3ds> lOnly;
    GetMeshByIndex3ds(lKit, lRun->Db(), 0, lOnly);
    EXPECT_EQ(lOnly->mName, "M2");
    EXPECT_FALSE(lRun->Failed());
}
