#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include "formats/geometry/KMeshDeformation.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/TextMutation.h"

#include <gtest/gtest.h>

namespace {

constexpr int kByLayer = KStreamOptionsDxf::kChoiceLayer;
constexpr int kByBlock = KStreamOptionsDxf::kChoiceBlock;
constexpr int kByEntity = KStreamOptionsDxf::kChoiceEntity;

std::string Layers()
{
    return Section("TABLES", Groups({{0, "TABLE"},
                                     {2, "LAYER"},
                                     {0, "LAYER"},
                                     {2, "walls"},
                                     {62, "3"},
                                     {0, "LAYER"},
                                     {2, "Beams"},
                                     {62, "-5"},
                                     {0, "ENDTAB"}}));
}

void ExpectPoint(const KVector4& pPoint, double pX, double pY, double pZ)
{
    EXPECT_NEAR(pPoint[0], pX, 1e-9);
    EXPECT_NEAR(pPoint[1], pY, 1e-9);
    EXPECT_NEAR(pPoint[2], pZ, 1e-9);
}

TEST(KReaderDxf, ByLayerSortsNamesWeldsSharedCornersAndHidesLayersThatAreOff)
{
    TempFolder lFiles;
    const std::string lEntities = Face("walls", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) +
                                  Face("WALLS", {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}}) +
                                  Face("Beams", {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {1, 1, 5}}) +
                                  Face("Beams", {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {4, 4, 4}});
    DxfRead lRead(
        lFiles.Write("a.dxf", Layers() + Section("ENTITIES", lEntities) + Groups({{0, "EOF"}})),
        kByLayer);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 2);
    EXPECT_STREQ(lRead.Child(0)->GetName().Buffer(), "Model::Beams");
    EXPECT_FALSE(lRead.Child(0)->GetVisibility());
    EXPECT_TRUE(lRead.Child(1)->GetVisibility());
    // The repeated fourth corner makes a triangle; the collapsed face is dropped.
    EXPECT_EQ(lRead.MeshOf(0)->GetPolygonCount(), 1);
    EXPECT_EQ(lRead.MeshOf(0)->GetPolygonSize(0), 3);
    KRyvMesh* lWalls = lRead.MeshOf(1);
    EXPECT_EQ(lWalls->GetControlPointCount(), 6);
    ASSERT_EQ(lWalls->GetPolygonCount(), 2);
    // Corners are taken last to first; DXF (x, y, z) is the scene's (x, z, -y).
    ExpectPoint(lWalls->GetControlPointArray()[0], 0, 0, -1);
    EXPECT_EQ(lWalls->GetPolygonVertex(0, 0), 0);
    EXPECT_EQ(lWalls->GetPolygonVertex(1, 3), 2);
    // Colour by layer: 3 is green for the walls, 5 (the layer being off) blue for the beams.
    ASSERT_EQ(lWalls->GetMaterialCount(), 1);
    EXPECT_EQ(lWalls->GetMaterial(0)->GetDiffuseColor().mGreen, 1.0);
    EXPECT_EQ(lRead.MeshOf(0)->GetMaterial(0)->GetDiffuseColor().mBlue, 1.0);
    EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 2);
}

TEST(KReaderDxf, ByEntityMakesANodePerEntityAndLinesAsWireframe)
{
    TempFolder lFiles;
    const std::string lEntities = Groups({{0, "LINE"},
                                          {8, "0"},
                                          {10, "1"},
                                          {20, "2"},
                                          {30, "3"},
                                          {11, "4"},
                                          {21, "5"},
                                          {31, "6"},
                                          {62, "256"}}) +
                                  Face("0", {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {4, 4, 4}}) +
                                  Groups({{0, "POLYLINE"},
                                          {8, "0"},
                                          {70, "9"},
                                          {62, "99999999999"},
                                          {0, "VERTEX"},
                                          {10, "0"},
                                          {70, "32"},
                                          {0, "VERTEX"},
                                          {10, "1"},
                                          {70, "32"},
                                          {0, "VERTEX"},
                                          {10, "2"},
                                          {70, "32"},
                                          {0, "SEQEND"},
                                          {0, "CIRCLE"},
                                          {40, "1"}});
    DxfRead lRead(lFiles.Write("b.dxf", Section("ENTITIES", lEntities)), kByEntity);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 3);
    EXPECT_STREQ(lRead.Child(0)->GetName().Buffer(), "Model::LINE");
    EXPECT_EQ(lRead.Child(0)->GetShadingMode(), 1);
    EXPECT_EQ(lRead.MeshOf(0)->GetPolygonVertex(0, 2), lRead.MeshOf(0)->GetPolygonVertex(0, 0));
    // No degenerate test by entity.
    EXPECT_EQ(lRead.MeshOf(1)->GetPolygonCount(), 1);
    // Two segments and the closing one; the layer colour 256 resolves to nothing.
    EXPECT_EQ(lRead.MeshOf(2)->GetPolygonCount(), 3);
    EXPECT_EQ(lRead.MeshOf(2)->GetPolygonVertex(2, 1), 2);
    EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 0);
    EXPECT_NE(lRead.mMessage.find("\"CIRCLE\" are not read"), std::string::npos);
    EXPECT_NE(lRead.mMessage.find("\"99999999999\" is not an integer"), std::string::npos);
}

TEST(KReaderDxf, PolyfaceRecordsAreReversedAndBadIndexesDropped)
{
    TempFolder lFiles;
    std::string lMesh = Groups({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "64"}});
    for (int i = 0; i < 4; ++i) {
        lMesh += Groups({{0, "VERTEX"}, {10, std::to_string(i)}, {70, "192"}});
    }
    const char* lFaces[][4] = {{"1", "2", "3", "4"},
                               {"1", "2", "-3", "0"},
                               {"1", "2", "0", "0"},
                               {"1", "99", "3", "0"},
                               {"0", "1", "2", "0"}};
    for (const auto& lFace : lFaces) {
        lMesh += Groups({{0, "VERTEX"},
                         {70, "128"},
                         {71, lFace[0]},
                         {72, lFace[1]},
                         {73, lFace[2]},
                         {74, lFace[3]}});
    }
    lMesh += Groups({{0, "SEQEND"}});
    DxfRead lRead(lFiles.Write("c.dxf", Section("ENTITIES", lMesh)), kByLayer);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMesh* lRead0 = lRead.MeshOf(0);
    ASSERT_EQ(lRead0->GetPolygonCount(), 3);
    const int lExpected[3][4] = {{3, 2, 1, 0}, {2, 1, 0, -1}, {0, 1, 0, -1}};
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < lRead0->GetPolygonSize(p); ++k) {
            EXPECT_EQ(lRead0->GetPolygonVertex(p, k), lExpected[p][k]) << p << " " << k;
        }
    }
    EXPECT_NE(lRead.mMessage.find("c.dxf:"), std::string::npos);
    EXPECT_NE(lRead.mMessage.find("vertex 99 of 4"), std::string::npos);
}

TEST(KReaderDxf, APolyfaceIndexOfTheLowestIntegerIsDropped)
{
    // Its magnitude does not fit in an int: it must not wrap round to a vertex, or past them.
    TempFolder lFiles;
    std::string lMesh = Groups({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "64"}});
    for (int i = 0; i < 3; ++i) {
        lMesh += Groups({{0, "VERTEX"}, {10, std::to_string(i)}, {70, "192"}});
    }
    lMesh += Groups({{0, "VERTEX"}, {70, "128"}, {71, "1"}, {72, "2"}, {73, "-2147483648"}});
    lMesh += Groups({{0, "SEQEND"}});
    DxfRead lRead(lFiles.Write("m.dxf", Section("ENTITIES", lMesh)), kByLayer);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_EQ(lRead.Root()->GetChildCount(), 1);
    KRyvMesh* lRead0 = lRead.MeshOf(0);
    ASSERT_NE(lRead0, nullptr);
    EXPECT_EQ(lRead0->GetPolygonCount(), 0);
    EXPECT_NE(lRead.mMessage.find("vertex 2147483648 of 3"), std::string::npos) << lRead.mMessage;
}

TEST(KReaderDxf, AHiddenLayerOfTheLowestIntegerGivesNoMaterial)
{
    // The colour's magnitude does not fit in an int: it is past the colour table, not wrapped.
    TempFolder lFiles;
    const std::string lLayers = Section("TABLES", Groups({{0, "TABLE"},
                                                          {2, "LAYER"},
                                                          {0, "LAYER"},
                                                          {2, "odd"},
                                                          {62, "-2147483648"},
                                                          {0, "ENDTAB"}}));
    const std::string lFace = Groups({{0, "3DFACE"}, {8, "odd"}, {11, "1"}, {22, "1"}, {13, "1"}});
    DxfRead lRead(lFiles.Write("h.dxf", lLayers + Section("ENTITIES", lFace)), kByLayer);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 1);
    EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 0);
}

std::string Blocks()
{
    return Section(
        "BLOCKS",
        Groups({{0, "BLOCK"},  {2, "leg"},    {10, "1"},     {20, "0"},     {30, "0"},
                {0, "LINE"},   {10, "1"},     {11, "2"},     {0, "ENDBLK"}, {0, "BLOCK"},
                {2, "table"},  {0, "INSERT"}, {2, "leg"},    {42, "2"},     {50, "90"},
                {0, "INSERT"}, {2, "table"},  {0, "ENDBLK"}, {0, "BLOCK"},  {2, "A"},
                {0, "INSERT"}, {2, "B"},      {0, "ENDBLK"}, {0, "BLOCK"},  {2, "B"},
                {0, "INSERT"}, {2, "A"},      {0, "LINE"},   {11, "1"},     {0, "ENDBLK"}}));
}

TEST(KReaderDxf, ByBlockPlacesInsertsByBasePointScaleAndRotation)
{
    TempFolder lFiles;
    const std::string lEntities =
        Groups({{0, "INSERT"}, {2, "table"}, {10, "10"}, {0, "INSERT"}, {2, "A"}});
    DxfRead lRead(lFiles.Write("d.dxf", Blocks() + Section("ENTITIES", lEntities)), kByBlock);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 2);
    KRyvNode* lTable = lRead.Child(0);
    ASSERT_EQ(lTable->GetChildCount(), 1);
    KRyvNode* lLeg = lTable->GetChild(0);
    KVector4 lValue;
    // Base (1, 0, 0) scaled and turned a quarter lands at -(0, 1, 0): scene (0, 0, 1); the y
    // factor 2 becomes the scene's z factor, not mirrored.
    ExpectPoint(lLeg->GetLclTranslation(lValue), 0, 0, 1);
    ExpectPoint(lLeg->GetLclScaling(lValue), 1, 1, 2);
    ExpectPoint(lLeg->GetLclRotation(lValue), 0, 90, 0);
    // The line (1,0,0)-(2,0,0) of the leg ends at DXF (10,0,0) and (10,1,0).
    const KAffineMatrix lWorld = KMeshDeformation::GlobalTransform(lLeg);
    const std::vector<KVector4>& lPoints =
        static_cast<KRyvMesh*>(lLeg->GetMesh())->GetControlPointArray();
    ExpectPoint(lWorld.MultT(lPoints[0]), 10, 0, 0);
    ExpectPoint(lWorld.MultT(lPoints[1]), 10, 0, -1);
    // table inserting itself and A -> B -> A are refused, once each level.
    EXPECT_NE(lRead.mMessage.find("\"table\" inserts itself"), std::string::npos);
    EXPECT_NE(lRead.mMessage.find("\"A\" inserts itself"), std::string::npos);
    EXPECT_EQ(lRead.Child(1)->GetChildCount(), 1);
}

TEST(KReaderDxf, MalformedFilesFailCleanlyAndLeaveTheSceneAlone)
{
    TempFolder lFiles;
    const std::string lGood =
        Layers() + Blocks() +
        Section("ENTITIES", Face("walls", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 9999) +
                                Groups({{0, "INSERT"}, {2, "table"}, {0, "LINE"}, {62, "1000"}})) +
        Groups({{0, "EOF"}});
    for (int lChoice : {kByLayer, kByBlock, kByEntity}) {
        ASSERT_TRUE(DxfRead("good.dxf", lChoice, true, true, &lGood).mRead);
        for (const TextMutant& lMutant : AllMutants(lGood, 2229, 60)) {
            DxfRead lRead("mutant.dxf", lChoice, true, true, &lMutant.mText);
            if (!lRead.mRead) {
                EXPECT_EQ(lRead.Root()->GetChildCount(), 0) << lMutant.mLabel;
                EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 0) << lMutant.mLabel;
                EXPECT_FALSE(lRead.mError.empty()) << lMutant.mLabel;
            }
        }
    }
    const std::pair<std::string, std::string> lBad[] = {
        {"0\nSECTION\nx2\nENTITIES\n", "group code is not a number"},
        {"AC Binary DXF\r\n\x1a" + std::string(1, '\0'), "binary data"},
        {"0\nSECTION\n2\n", "group code without a value"},
        {Groups({{2, "EOF"}}), "without \"EOF\""},
    };
    for (const auto& lCase : lBad) {
        DxfRead lRead(lFiles.Write("bad.dxf", lCase.first + std::string(1, '\0')), kByLayer);
        EXPECT_FALSE(lRead.mRead);
        DxfRead lText(lFiles.Write("bad.dxf", lCase.first), kByLayer);
        EXPECT_FALSE(lText.mRead) << lCase.second;
        EXPECT_NE(lText.mError.find(lCase.second), std::string::npos) << lText.mError;
    }
}

TEST(KReaderDxf, DamageAfterTheEntitiesIsAWarning)
{
    const std::string lWhole =
        Layers() + Section("ENTITIES", Face("walls", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    // The OBJECTS section (and a BLOCKS section after the entities) are cut off.
    const std::string lCuts[] = {
        lWhole + Groups({{0, "SECTION"}, {2, "OBJECTS"}, {0, "DICTIONARY"}, {5, "C"}}),
        lWhole + Groups({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "b"}, {0, "LINE"}}),
        lWhole + Groups({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}})};
    for (const std::string& lText : lCuts) {
        DxfRead lRead("tail.dxf", kByLayer, false, true, &lText);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        ASSERT_EQ(lRead.Root()->GetChildCount(), 1);
        EXPECT_EQ(lRead.MeshOf(0)->GetPolygonCount(), 1);
        EXPECT_NE(lRead.mMessage.find("tail.dxf:"), std::string::npos);
        EXPECT_NE(lRead.mMessage.find("after ENTITIES"), std::string::npos) << lRead.mMessage;
    }
    // A cut inside the entities themselves still fails the read.
    const std::string lCutEntities = Layers() + Groups({{0, "SECTION"}, {2, "ENTITIES"}}) +
                                     Face("walls", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    DxfRead lCut("cut.dxf", kByLayer, false, true, &lCutEntities);
    EXPECT_FALSE(lCut.mRead);
    EXPECT_EQ(lCut.mMessage.find("after ENTITIES"), std::string::npos) << lCut.mMessage;
}

TEST(KReaderDxf, AColouredThreeDPolylineKeepsItsColour)
{
    std::string lPolyline = Groups({{0, "POLYLINE"}, {8, "0"}, {62, "3"}, {70, "9"}});
    for (int i = 0; i < 3; ++i) {
        lPolyline += Groups(
            {{0, "VERTEX"}, {10, std::to_string(i)}, {20, std::to_string(i * i)}, {70, "32"}});
    }
    const std::string lText =
        Section("ENTITIES", lPolyline + Groups({{0, "SEQEND"}})) + Groups({{0, "EOF"}});
    for (int lChoice : {kByLayer, kByBlock, kByEntity}) {
        DxfRead lRead("green.dxf", lChoice, false, true, &lText);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        KRyvMesh* lMesh = lRead.MeshOf(0);
        ASSERT_NE(lMesh, nullptr);
        // Two segments and the closing one, all green.
        ASSERT_EQ(lMesh->GetPolygonCount(), 3);
        ASSERT_EQ(lMesh->GetMaterialCount(), 1) << lChoice;
        EXPECT_EQ(lMesh->GetMaterial(0)->GetDiffuseColor().mGreen, 1.0);
        EXPECT_EQ(lMesh->GetMaterial(0)->GetDiffuseColor().mRed, 0.0);
        EXPECT_EQ(lMesh->GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    }
}

TEST(KReaderDxf, WarningsQuoteOnlyAPrefixOfHugeValues)
{
    const std::string lHuge = "7" + std::string(1 << 20, '0') + "x";
    const std::string lText =
        Section("ENTITIES", Groups({{0, "LINE"}, {10, lHuge}, {62, lHuge}, {11, "1"}}) +
                                Groups({{0, "INSERT"}, {2, lHuge}})) +
        Groups({{0, "EOF"}});
    DxfRead lRead("huge.dxf", kByLayer, false, true, &lText);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_NE(lRead.mMessage.find("\"7" + std::string(39, '0') + "...\" is not a number"),
              std::string::npos)
        << lRead.mMessage.substr(0, 300);
    EXPECT_NE(lRead.mMessage.find("is not an integer"), std::string::npos);
    EXPECT_NE(lRead.mMessage.find("is not defined"), std::string::npos);
    EXPECT_LT(lRead.mMessage.size(), 600u);
}

// Block B0 inserts B1 pCount times, B1 inserts B2 pCount times, B2 holds a line; the entities
// insert B0 once.
std::string InsertTree(int pCount)
{
    std::string lBlocks;
    for (int b = 0; b < 2; ++b) {
        lBlocks += Groups({{0, "BLOCK"}, {2, "B" + std::to_string(b)}});
        for (int i = 0; i < pCount; ++i) {
            lBlocks += Groups({{0, "INSERT"}, {2, "B" + std::to_string(b + 1)}, {10, "1"}});
        }
        lBlocks += Groups({{0, "ENDBLK"}});
    }
    lBlocks += Groups({{0, "BLOCK"}, {2, "B2"}, {0, "LINE"}, {11, "1"}, {0, "ENDBLK"}});
    return Section("BLOCKS", lBlocks) +
           Section("ENTITIES", Groups({{0, "INSERT"}, {2, "B0"}, {0, "LINE"}, {11, "2"}})) +
           Groups({{0, "EOF"}});
}

int CountNodes(KRyvNode* pNode)
{
    int lCount = 1;
    for (int i = 0; i < pNode->GetChildCount(); ++i) {
        lCount += CountNodes(pNode->GetChild(i));
    }
    return lCount;
}

TEST(KReaderDxf, AnInsertTreeTooLargeToBuildIsRefusedWhole)
{
    // 1 + 1,000 + 1,000,000 nodes: refused whole with a warning naming the block; the rest is read.
    const std::string lHuge = InsertTree(1000);
    for (int lChoice : {kByLayer, kByBlock, kByEntity}) {
        DxfRead lRead("tree.dxf", lChoice, false, true, &lHuge);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        EXPECT_NE(lRead.mMessage.find("block \"B0\" would make more than 10000 nodes"),
                  std::string::npos)
            << lRead.mMessage.substr(0, 300);
        // The root and the line's node.
        EXPECT_EQ(CountNodes(lRead.Root()), 2) << lChoice;
    }
    // A tree within the cap is built whole: B0, 30 B1 and 900 B2, and the line.
    const std::string lSmall = InsertTree(30);
    DxfRead lRead("small.dxf", kByBlock, false, true, &lSmall);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_EQ(lRead.mMessage.find("would make"), std::string::npos);
    EXPECT_EQ(CountNodes(lRead.Root()), 1 + 1 + 30 + 900 + 1);
}

TEST(KReaderDxf, RealPolyfaceFile)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/dxf/issue_2229.dxf";
    if (!std::ifstream(lPath)) {
        GTEST_SKIP() << "no samples folder";
    }
    DxfRead lRead(lPath, kByEntity);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    const int lExpected[4][2] = {{8, 6}, {8, 6}, {680, 1174}, {72, 104}};
    ASSERT_EQ(lRead.Root()->GetChildCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lRead.MeshOf(i)->GetControlPointCount(), lExpected[i][0]);
        EXPECT_EQ(lRead.MeshOf(i)->GetPolygonCount(), lExpected[i][1]);
    }
}

} // namespace
