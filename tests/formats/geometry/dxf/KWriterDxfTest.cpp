#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include "formats/geometry/dxf/KDxfColor.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/NotFinitePoints.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#ifdef RYV_HAVE_DXFLIB
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#endif

namespace {

bool WriteScene(KRyvObjectFactory* pFactory, KRyvScene& pScene, const std::string& pPath,
                bool pTriangulate = false)
{
    KWriterDxf lWriter(pFactory);
    KStreamOptionsDxf lOptions;
    lOptions.SetOptionValue(KStreamOptionsDxf::kForceTriangulation, pTriangulate ? 1 : 0);
    return lWriter.FileCreate(pPath.c_str()) && lWriter.Write(&pScene, &lOptions) &&
           lWriter.FileClose();
}

// A mesh node of polygons given as corner lists over the points, in the XZ plane (y = pY).
KRyvNode* AddMesh(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pName,
                  const std::vector<std::array<double, 2>>& pPoints,
                  const std::vector<std::vector<int>>& pPolygons, double pY = 0.0)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    for (const auto& lPoint : pPoints) {
        lMesh->GetControlPointArray().emplace_back(lPoint[0], pY, lPoint[1], 1.0);
    }
    for (const std::vector<int>& lPolygon : pPolygons) {
        lMesh->BeginPolygon();
        for (int lIndex : lPolygon) {
            lMesh->AddPolygon(lIndex);
        }
    }
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetNodeAttribute(lMesh);
    ioScene.GetRootNode()->AddChild(lNode);
    return lNode;
}

// Area of the mesh's polygons by the shoelace formula in the XZ plane, and its bounding box.
double Area(const KRyvMesh& pMesh)
{
    double lArea = 0.0;
    const std::vector<KVector4>& lPoints = pMesh.GetControlPointArray();
    for (int p = 0; p < pMesh.GetPolygonCount(); ++p) {
        const int lSize = pMesh.GetPolygonSize(p);
        double lTwice = 0.0;
        for (int k = 0; k < lSize; ++k) {
            const KVector4& lA = lPoints[pMesh.GetPolygonVertex(p, k)];
            const KVector4& lB = lPoints[pMesh.GetPolygonVertex(p, (k + 1) % lSize)];
            lTwice += lA[0] * lB[2] - lB[0] * lA[2];
        }
        lArea += std::fabs(lTwice) / 2.0;
    }
    return lArea;
}

struct DxfScene
{
    KRyvObjectFactory mFactory;
    KRyvScene mScene{&mFactory};
};

// A quad, a convex pentagon and a concave L-shaped hexagon, the last red and hidden.
void Fill(DxfScene& ioScene)
{
    AddMesh(ioScene.mFactory, ioScene.mScene, "quad", {{0, 0}, {2, 0}, {2, 1}, {0, 1}},
            {{0, 1, 2, 3}});
    AddMesh(ioScene.mFactory, ioScene.mScene, "pentagon", {{0, 0}, {2, 0}, {3, 1}, {1, 2}, {-1, 1}},
            {{0, 1, 2, 3, 4}}, 1.0);
    KRyvNode* lL = AddMesh(ioScene.mFactory, ioScene.mScene, "ell",
                           {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {{0, 1, 2, 3, 4, 5}});
    KRyvMaterial* lRed = ioScene.mFactory.CreateMaterial("red");
    lRed->SetDiffuseColor(KColor(1.0, 0.0, 0.0));
    static_cast<KRyvMesh*>(lL->GetMesh())->AddMaterial(lRed);
    lL->SetVisibility(false);
}

TEST(KWriterDxf, SplitPolygonsCoverTheSurfaceAndRoundTripsSettle)
{
    TempFolder lFiles;
    DxfScene lScene;
    Fill(lScene);
    const std::string lFirst = lFiles.Path() + "/first.dxf";
    ASSERT_TRUE(WriteScene(&lScene.mFactory, lScene.mScene, lFirst));
    // The caller's scene keeps its polygons.
    EXPECT_EQ(static_cast<KRyvMesh*>(lScene.mScene.GetRootNode()->GetChild(1)->GetMesh())
                  ->GetPolygonCount(),
              1);
    DxfRead lRead(lFirst, KStreamOptionsDxf::kChoiceLayer);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 3);
    // Sorted by layer: ell, pentagon, quad; areas 3, 5 and 2.
    const double lAreas[3] = {3.0, 5.0, 2.0};
    const int lTriangles[3] = {4, 3, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Area(*lRead.MeshOf(i)), lAreas[i], 1e-9) << i;
        EXPECT_EQ(lRead.MeshOf(i)->GetPolygonCount(), lTriangles[i]);
    }
    EXPECT_FALSE(lRead.Child(0)->GetVisibility());
    EXPECT_STREQ(lRead.Child(2)->GetName().Buffer(), "Model::quad");
    const std::string lSecond = lFiles.Path() + "/second.dxf";
    ASSERT_TRUE(WriteScene(lRead.mFactory.get(), *lRead.mScene, lSecond));
    DxfRead lAgain(lSecond, KStreamOptionsDxf::kChoiceLayer);
    const std::string lThird = lFiles.Path() + "/third.dxf";
    ASSERT_TRUE(WriteScene(lAgain.mFactory.get(), *lAgain.mScene, lThird));
    EXPECT_EQ(TempFolder::Read(lSecond), TempFolder::Read(lThird));
}

TEST(KWriterDxf, WritesTheDrawingLayout)
{
    TempFolder lFiles;
    DxfScene lEmpty;
    ASSERT_TRUE(WriteScene(&lEmpty.mFactory, lEmpty.mScene, lFiles.Path() + "/empty.dxf"));
    EXPECT_EQ(
        TempFolder::Read(lFiles.Path() + "/empty.dxf"),
        "999\nZembrol Dxf writer for RYV\n  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\n"
        "AC1008\n  9\n$UCSORG\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  9\n$UCSXDIR\n 10\n1.0\n 20\n"
        "0.0\n 30\n0.0\n  9\n$TILEMODE\n 70\n   1\n  9\n$UCSYDIR\n 10\n0.0\n 20\n1.0\n 30\n"
        "0.0\n  0\nENDSEC\n  0\nSECTION\n  2\nTABLES\n  0\nENDSEC\n  0\nSECTION\n  2\nBLOCKS\n"
        "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    DxfScene lScene;
    AddMesh(lScene.mFactory, lScene.mScene, "tri", {{1, 3}, {4, 5}, {6, 7}}, {{0, 1, 2}}, 2.0);
    lScene.mScene.GetRootNode()->GetChild(0)->SetVisibility(false);
    ASSERT_TRUE(WriteScene(&lScene.mFactory, lScene.mScene, lFiles.Path() + "/tri.dxf"));
    const std::string lText = TempFolder::Read(lFiles.Path() + "/tri.dxf");
    // Line types, layer count, hidden plain layer, the first point (1, 2, 3) as (1, -3, 2),
    // reversed faces.
    for (const char* lPart :
         {"  0\nTABLE\n  2\nLTYPE\n 70\n   1\n  0\nLTYPE\n  2\nCONTINUOUS\n",
          "  2\nLAYER\n 70\n   1\n  0\nLAYER\n  2\ntri\n 70\n   0\n 62\n   -7\n  6\nCONTINUOUS\n",
          " 71\n   3\n 72\n   1\n", " 10\n1.000000\n 20\n-3.000000\n 30\n2.000000\n 70\n   192\n",
          " 70\n   128\n 71\n   3\n 72\n   2\n 73\n   1\n  0\nSEQEND\n"}) {
        EXPECT_NE(lText.find(lPart), std::string::npos) << lPart;
    }
}

TEST(KWriterDxf, DefaultsTriangulateAndOptionsAreRequired)
{
    TempFolder lFiles;
    DxfScene lScene;
    AddMesh(lScene.mFactory, lScene.mScene, "quad", {{0, 0}, {2, 0}, {2, 1}, {0, 1}},
            {{0, 1, 2, 3}});
    KWriterDxf lWriter(&lScene.mFactory);
    KStreamOptionsDxf lDefaults;
    const std::string lPath = lFiles.PathOf("quad.dxf");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_FALSE(lWriter.Write(&lScene.mScene, nullptr));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    ASSERT_TRUE(lWriter.Write(&lScene.mScene, &lDefaults));
    EXPECT_NE(TempFolder::Read(lPath).find(" 71\n   4\n 72\n   2\n"), std::string::npos);
    KReaderDxf lReader(&lScene.mFactory);
    ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
    EXPECT_FALSE(lReader.Read(&lScene.mScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
}

TEST(KWriterDxf, ColourNumbers)
{
    const std::pair<KColor, int> lCases[] = {
        {KColor(1, 0, 0), 1},          {KColor(0.5, 0.5, 0.5), 251}, {KColor(1, 0.5, 0), 30},
        {KColor(0.5, 0.25, 0.25), 15}, {KColor(0, 0, 0), 250},       {KColor(0.2, 0.6, 0.9), 151},
    };
    for (const auto& lCase : lCases) {
        EXPECT_EQ(KDxfColor::FromRgb(lCase.first), lCase.second);
    }
    // Every number reads back to itself, but for the ramp's copies of the fixed colours.
    for (int lIndex = 1; lIndex <= 255; ++lIndex) {
        const int lBack = KDxfColor::FromRgb(KDxfColor::ToRgb(lIndex));
        const int lCopyOf[] = {0, 10, 50, 90, 130, 170, 210, 255};
        bool lCopy = false;
        for (int c = 1; c <= 7; ++c) {
            lCopy = lCopy || (lIndex == lCopyOf[c] && lBack == c);
        }
        EXPECT_TRUE(lBack == lIndex || lCopy) << lIndex << " -> " << lBack;
    }
    const KColor l11 = KDxfColor::ToRgb(11);
    const KColor l18 = KDxfColor::ToRgb(18);
    EXPECT_EQ(l11.mGreen, 0.5);
    EXPECT_NEAR(l18.mRed, 0.15, 1e-12);
    EXPECT_NEAR(KDxfColor::ToRgb(253).mBlue, 0.732, 1e-12);
    EXPECT_EQ(KDxfColor::ToRgb(256).mBlue, 1.0);
}

#ifdef RYV_HAVE_DXFLIB
// Counts what an independent DXF library finds in our files.
class Counter : public DL_CreationAdapter
{
public:
    void addPolyline(const DL_PolylineData& pData) override
    {
        mMeshes += pData.flags == 64;
        mPoints += static_cast<int>(pData.m);
        mFaces += static_cast<int>(pData.n);
    }
    void addVertex(const DL_VertexData& pData) override
    {
        mSum[0] += pData.x;
        mSum[1] += pData.y;
        mSum[2] += pData.z;
    }
    void addLayer(const DL_LayerData&) override { ++mLayers; }
    int mMeshes = 0;
    int mPoints = 0;
    int mFaces = 0;
    int mLayers = 0;
    double mSum[3] = {0.0, 0.0, 0.0};
};

TEST(KWriterDxf, AnIndependentReaderFindsTheEntities)
{
    TempFolder lFiles;
    DxfScene lScene;
    Fill(lScene);
    const std::string lPath = lFiles.Path() + "/interop.dxf";
    ASSERT_TRUE(WriteScene(&lScene.mFactory, lScene.mScene, lPath));
    Counter lCounter;
    DL_Dxf lDxf;
    ASSERT_TRUE(lDxf.in(lPath, &lCounter));
    EXPECT_EQ(lCounter.mMeshes, 3);
    EXPECT_EQ(lCounter.mLayers, 3);
    // 4 + 5 + 6 points and 1 + 3 + 4 face records; the points in DXF axes.
    EXPECT_EQ(lCounter.mPoints, 15);
    EXPECT_EQ(lCounter.mFaces, 8);
    EXPECT_DOUBLE_EQ(lCounter.mSum[0], 15.0);
    EXPECT_DOUBLE_EQ(lCounter.mSum[1], -12.0);
    EXPECT_DOUBLE_EQ(lCounter.mSum[2], 5.0);
}
#endif

} // namespace

// Magnitudes up to the largest double print in full, and read back to the same value: a value
// of six decimals or more digits than a fixed field holds is still that value.
TEST(KWriterDxf, CoordinatesOfAnyFiniteMagnitudeComeBackExactly)
{
    const double kMax = std::numeric_limits<double>::max();
    const std::vector<std::array<double, 2>> lPoints = {
        {1e57, -2.5e57}, {kMax, 0.125}, {-kMax, 1e300}, {-1.0000000000000002e57, 7.5}};
    TempFolder lFiles;
    DxfScene lScene;
    AddMesh(lScene.mFactory, lScene.mScene, "far", lPoints, {{0, 1, 2}, {1, 3, 2}}, -3e200);
    const std::string lPath = lFiles.PathOf("far.dxf");
    ASSERT_TRUE(WriteScene(&lScene.mFactory, lScene.mScene, lPath));
    DxfRead lRead(lPath, KStreamOptionsDxf::kChoiceLayer, false, false);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_NE(lRead.MeshOf(0), nullptr);
    const std::vector<KVector4>& lBack = lRead.MeshOf(0)->GetControlPointArray();
    ASSERT_EQ(lBack.size(), lPoints.size());
    for (std::size_t i = 0; i < lPoints.size(); ++i) {
        EXPECT_EQ(lBack[i][0], lPoints[i][0]) << i;
        EXPECT_EQ(lBack[i][1], -3e200) << i;
        EXPECT_EQ(lBack[i][2], lPoints[i][1]) << i;
    }
}

// A point that is not a number once placed in the world has nothing to be written as: the
// write is refused, naming the layer, and the file that was there stays.
TEST(KWriterDxf, APointThatIsNotFiniteRefusesTheWrite)
{
    TempFolder lFiles;
    const std::string lPath = lFiles.Write("kept.dxf", "before");
    for (const NotFinitePoint& lCase : NotFinitePoints()) {
        SCOPED_TRACE(lCase.mWhat);
        DxfScene lScene;
        AddMesh(lScene.mFactory, lScene.mScene, "fine", {{0, 0}, {1, 0}, {0, 1}}, {{0, 1, 2}});
        // A pentagon, so that the polygon splitter meets the point too.
        KRyvNode* lBad =
            AddMesh(lScene.mFactory, lScene.mScene, "bad",
                    {{0, 0}, {lCase.mX, 0}, {2, 1}, {1, 2}, {0, 1}}, {{0, 1, 2, 3, 4}});
        lBad->SetLclScaling(KVector4(lCase.mScale, 1.0, 1.0, 1.0));
        KWriterDxf lWriter(&lScene.mFactory);
        KStreamOptionsDxf lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
        EXPECT_FALSE(lWriter.Write(&lScene.mScene, &lOptions));
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
        EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(),
                     "A point of node \"bad\" is not a finite number");
        EXPECT_EQ(TempFolder::Read(lPath), "before");
    }
}
