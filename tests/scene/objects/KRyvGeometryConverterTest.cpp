#include "scene/objects/KRyvGeometryConverter.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KTime.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KSurfaceEvaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Point2
{
    double x;
    double y;
};

double SignedArea(const std::vector<Point2>& pPolygon)
{
    double lArea = 0.0;
    for (size_t i = 0; i < pPolygon.size(); ++i) {
        const Point2& a = pPolygon[i];
        const Point2& b = pPolygon[(i + 1) % pPolygon.size()];
        lArea += a.x * b.y - b.x * a.y;
    }
    return lArea / 2.0;
}

bool Inside(const std::vector<Point2>& pPolygon, Point2 pPoint)
{
    bool lInside = false;
    for (size_t i = 0, j = pPolygon.size() - 1; i < pPolygon.size(); j = i++) {
        const Point2& a = pPolygon[i];
        const Point2& b = pPolygon[j];
        if ((a.y > pPoint.y) != (b.y > pPoint.y) &&
            pPoint.x < (b.x - a.x) * (pPoint.y - a.y) / (b.y - a.y) + a.x) {
            lInside = !lInside;
        }
    }
    return lInside;
}

// A mesh of one polygon over the given outline, lifted into 3D by pLift (z = 0 by default).
KRyvMesh* MakePolygonMesh(KRyvObjectFactory& ioFactory, const std::vector<Point2>& pOutline)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    for (const Point2& lPoint : pOutline) {
        lMesh->GetControlPointArray().emplace_back(lPoint.x, lPoint.y, 0.0, 1.0);
    }
    lMesh->BeginPolygon();
    for (int i = 0; i < static_cast<int>(pOutline.size()); ++i) {
        lMesh->AddPolygon(i);
    }
    return lMesh;
}

// Checks that the triangles of a triangulated single polygon tile it: n - 2 triangles of the
// polygon's winding, each inside, with areas adding up to the polygon's.
void ExpectTiling(KRyvMesh& pMesh, const std::vector<Point2>& pOutline)
{
    const int n = static_cast<int>(pOutline.size());
    ASSERT_EQ(pMesh.GetPolygonCount(), n - 2);
    const double lArea = SignedArea(pOutline);
    double lSum = 0.0;
    for (int p = 0; p < pMesh.GetPolygonCount(); ++p) {
        ASSERT_EQ(pMesh.GetPolygonSize(p), 3);
        std::vector<Point2> lTriangle;
        for (int k = 0; k < 3; ++k) {
            lTriangle.push_back(pOutline[static_cast<size_t>(pMesh.GetPolygonVertex(p, k))]);
        }
        const double lTriangleArea = SignedArea(lTriangle);
        EXPECT_GT(lTriangleArea * lArea, 0.0) << "triangle " << p << " turned over";
        const Point2 lCentre{(lTriangle[0].x + lTriangle[1].x + lTriangle[2].x) / 3.0,
                             (lTriangle[0].y + lTriangle[1].y + lTriangle[2].y) / 3.0};
        EXPECT_TRUE(Inside(pOutline, lCentre)) << "triangle " << p << " outside";
        lSum += lTriangleArea;
    }
    EXPECT_NEAR(lSum, lArea, 1e-9);
}

std::vector<Point2> Star(int pTips, double pOuter, double pInner)
{
    std::vector<Point2> lOutline;
    for (int i = 0; i < 2 * pTips; ++i) {
        const double a = i * 3.14159265358979 / pTips;
        const double r = i % 2 ? pInner : pOuter;
        lOutline.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return lOutline;
}

std::vector<int> Pattern(int pCount)
{
    std::vector<int> lTable;
    KRyvGeometryConverter::BuildTrianglePattern(lTable, pCount);
    return lTable;
}

// A grid of U x V control points on the surface z = f(x, y).
void FillGrid(std::vector<KVector4>& oPoints, int pU, int pV)
{
    oPoints.clear();
    for (int v = 0; v < pV; ++v) {
        for (int u = 0; u < pU; ++u) {
            oPoints.emplace_back(u, v, 0.1 * u * v, 1.0);
        }
    }
}

KRyvPatch* MakePatch(KRyvObjectFactory& ioFactory, int pUType, int pUCount, int pVType, int pVCount)
{
    KRyvPatch* lPatch = ioFactory.CreatePatch();
    EXPECT_TRUE(lPatch->InitControlPoints(pUCount, pUType, pVCount, pVType));
    FillGrid(lPatch->GetControlPointArray(), pUCount, pVCount);
    return lPatch;
}

} // namespace

TEST(KRyvGeometryConverterTest, TrianglePatterns)
{
    EXPECT_TRUE(Pattern(2).empty());
    EXPECT_EQ(Pattern(3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Pattern(4), (std::vector<int>{0, 1, 2, 2, 3, 0}));
    EXPECT_EQ(Pattern(5), (std::vector<int>{0, 1, 2, 2, 3, 0, 0, 3, 4}));
    EXPECT_EQ(Pattern(6), (std::vector<int>{0, 1, 2, 2, 3, 0, 0, 3, 5, 3, 4, 5}));
    EXPECT_EQ(Pattern(8), (std::vector<int>{0, 1, 2, 2, 3, 0, 0, 3, 7, 3, 4, 7, 7, 4, 6, 4, 5, 6}));
    // Large polygons: every corner used, all triangles distinct and well formed.
    for (int n : {172, 173, 500}) {
        const std::vector<int> lTable = Pattern(n);
        ASSERT_EQ(lTable.size(), static_cast<size_t>(3 * (n - 2)));
        std::vector<int> lUses(static_cast<size_t>(n), 0);
        for (size_t t = 0; t < lTable.size(); t += 3) {
            EXPECT_NE(lTable[t], lTable[t + 1]);
            EXPECT_NE(lTable[t + 1], lTable[t + 2]);
            EXPECT_NE(lTable[t], lTable[t + 2]);
            for (size_t k = t; k < t + 3; ++k) {
                ASSERT_GE(lTable[k], 0);
                ASSERT_LT(lTable[k], n);
                ++lUses[static_cast<size_t>(lTable[k])];
            }
        }
        for (int lUse : lUses) {
            EXPECT_GT(lUse, 0);
        }
    }
}

TEST(KRyvGeometryConverterTest, ConvexPolygonsFollowThePattern)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    EXPECT_EQ(lConverter.GetFactory(), &lFactory);
    const std::vector<Point2> lQuad = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    KRyvMesh* lMesh = MakePolygonMesh(lFactory, lQuad);
    // A triangle is copied unchanged; the quad becomes (0, 1, 2) and (2, 3, 0).
    lMesh->BeginPolygon();
    for (int i : {3, 1, 0}) {
        lMesh->AddPolygon(i);
    }
    KRyvMesh* lResult = lConverter.TriangulateMesh(lMesh);
    ASSERT_NE(lResult, nullptr);
    ASSERT_EQ(lResult->GetPolygonCount(), 3);
    const int kExpected[3][3] = {{0, 1, 2}, {2, 3, 0}, {3, 1, 0}};
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(lResult->GetPolygonVertex(p, k), kExpected[p][k]);
        }
    }
    EXPECT_EQ(lResult->GetControlPointCount(), 4);
    // The source keeps its polygons.
    EXPECT_EQ(lMesh->GetPolygonCount(), 2);

    // A regular 12-gon takes the pattern too.
    std::vector<Point2> lRound;
    for (int i = 0; i < 12; ++i) {
        lRound.push_back({std::cos(i * 0.5235987756), std::sin(i * 0.5235987756)});
    }
    KRyvMesh* lRoundMesh = lConverter.TriangulateMesh(MakePolygonMesh(lFactory, lRound));
    ASSERT_NE(lRoundMesh, nullptr);
    ExpectTiling(*lRoundMesh, lRound);
    const std::vector<int> lTable = Pattern(12);
    for (int p = 0; p < 10; ++p) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(lRoundMesh->GetPolygonVertex(p, k), lTable[static_cast<size_t>(p * 3 + k)]);
        }
    }
    EXPECT_EQ(lConverter.TriangulateMesh(nullptr), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kParameterIsNull);
}

TEST(KRyvGeometryConverterTest, ConcavePolygonsStayInside)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);

    // The notched pentagon and the star, where the plain pattern would cut outside.
    const std::vector<Point2> lNotch = {{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}};
    const std::vector<Point2> lStar = Star(5, 2.0, 0.8);
    const std::vector<Point2> lClockwiseStar(lStar.rbegin(), lStar.rend());
    const std::vector<Point2> lComb = {{0, 0}, {6, 0},   {6, 3},   {5, 3}, {5, 1}, {4, 1},
                                       {4, 3}, {3, 3},   {3, 1},   {2, 1}, {2, 3}, {1, 3},
                                       {1, 1}, {0.5, 1}, {0.5, 3}, {0, 3}};
    for (const std::vector<Point2>* lOutline : {&lNotch, &lStar, &lClockwiseStar, &lComb}) {
        bool lPatternLeaves = false;
        const std::vector<int> lTable = Pattern(static_cast<int>(lOutline->size()));
        for (size_t t = 0; t < lTable.size(); t += 3) {
            const Point2 a = (*lOutline)[static_cast<size_t>(lTable[t])];
            const Point2 b = (*lOutline)[static_cast<size_t>(lTable[t + 1])];
            const Point2 c = (*lOutline)[static_cast<size_t>(lTable[t + 2])];
            lPatternLeaves |= !Inside(*lOutline, {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3});
        }
        EXPECT_TRUE(lPatternLeaves);
        KRyvMesh* lResult = lConverter.TriangulateMesh(MakePolygonMesh(lFactory, *lOutline));
        ASSERT_NE(lResult, nullptr);
        ExpectTiling(*lResult, *lOutline);
    }

    // The same notch tilted out of every axis plane.
    KRyvMesh* lTilted = MakePolygonMesh(lFactory, lNotch);
    for (KVector4& lPoint : lTilted->GetControlPointArray()) {
        const double x = lPoint[0];
        const double y = lPoint[1];
        lPoint.Set(0.6 * x, 0.8 * x + 0.3 * y, 0.9 * y, 1.0);
    }
    KRyvMesh* lResult = lConverter.TriangulateMesh(lTilted);
    ASSERT_NE(lResult, nullptr);
    ExpectTiling(*lResult, lNotch);

    // Degenerate outlines still give n - 2 triangles without hanging.
    const std::vector<Point2> lLine = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
    KRyvMesh* lFlat = lConverter.TriangulateMesh(MakePolygonMesh(lFactory, lLine));
    ASSERT_NE(lFlat, nullptr);
    EXPECT_EQ(lFlat->GetPolygonCount(), 3);
    const std::vector<Point2> lBowTie = {{0, 0}, {2, 2}, {2, 0}, {0, 2}, {-1, 1}, {-1, 0.5}};
    KRyvMesh* lCrossed = lConverter.TriangulateMesh(MakePolygonMesh(lFactory, lBowTie));
    ASSERT_NE(lCrossed, nullptr);
    EXPECT_EQ(lCrossed->GetPolygonCount(), 4);
    // Vertex indices outside the points: the pattern, no geometry read.
    KRyvMesh* lBroken = MakePolygonMesh(lFactory, lNotch);
    lBroken->GetPolygonVertices()[2] = 99;
    KRyvMesh* lPatterned = lConverter.TriangulateMesh(lBroken);
    ASSERT_NE(lPatterned, nullptr);
    EXPECT_EQ(lPatterned->GetPolygonVertex(0, 2), 99);
}

TEST(KRyvGeometryConverterTest, CornerValuesFollowTheirCorners)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvMesh* lMesh = lFactory.CreateMesh();
    // Polygon 0: the notched pentagon (points 0-4); polygon 1: a quad (points 5-8).
    const std::vector<Point2> lOutline = {{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4},
                                          {5, 0}, {6, 0}, {6, 1}, {5, 1}};
    for (const Point2& lPoint : lOutline) {
        lMesh->GetControlPointArray().emplace_back(lPoint.x, lPoint.y, 0.0, 1.0);
    }
    lMesh->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    ASSERT_TRUE(lMesh->InitTextureUV(9));
    const int kMaterials[2] = {3, 1};
    int lPosition = 0;
    for (int p = 0; p < 2; ++p) {
        lMesh->BeginPolygon(kMaterials[p]);
        for (int k = 0; k < (p == 0 ? 5 : 4); ++k, ++lPosition) {
            lMesh->AddPolygon(lPosition, (lPosition * 4) % 9);
        }
    }
    lMesh->InitNormals(9 + 1);
    KLayer* lLayer = lMesh->GetLayer(0);
    ASSERT_EQ(lLayer->GetNormals()->GetMappingMode(), KLayerElement::eByPolygonVertex);
    lLayer->GetNormals()->GetDirectArray().resize(9);
    auto lColors = std::make_unique<KLayerElementVertexColor>();
    lColors->SetMappingMode(KLayerElement::eByPolygonVertex);
    auto lGroups = std::make_unique<KLayerElementPolygonGroup>();
    lGroups->SetMappingMode(KLayerElement::eByPolygon);
    lGroups->GetDirectArray() = {7, 8};
    for (int i = 0; i < 9; ++i) {
        lLayer->GetNormals()->GetDirectArray()[static_cast<size_t>(i)] = KVector4(i, 0, 1, 0);
        lColors->Add(KColor(i / 10.0, 0, 0));
    }
    lLayer->SetVertexColors(std::move(lColors));
    lLayer->SetPolygonGroups(std::move(lGroups));

    KRyvMesh* lResult = lConverter.TriangulateMesh(lMesh);
    ASSERT_NE(lResult, nullptr);
    ASSERT_EQ(lResult->GetPolygonCount(), 3 + 2);
    const KLayer* lOut = lResult->GetLayer(0);
    ASSERT_EQ(lOut->GetNormals()->GetDirectArray().size(), 15u);
    ASSERT_EQ(lOut->GetVertexColors()->GetDirectArray().size(), 15u);
    ASSERT_EQ(lOut->GetUVs()->GetIndexArray().size(), 15u);
    ASSERT_EQ(lOut->GetMaterials()->GetIndexArray().size(), 5u);
    ASSERT_EQ(lOut->GetPolygonGroups()->GetDirectArray().size(), 5u);
    int lAt = 0;
    for (int p = 0; p < lResult->GetPolygonCount(); ++p) {
        const int lSource = p < 3 ? 0 : 1;
        EXPECT_EQ(lOut->GetMaterials()->GetIndexArray()[static_cast<size_t>(p)],
                  kMaterials[lSource]);
        EXPECT_EQ(lOut->GetPolygonGroups()->GetDirectArray()[static_cast<size_t>(p)], 7 + lSource);
        for (int k = 0; k < 3; ++k, ++lAt) {
            // Every control point sits at the source position of the same number.
            const int lPoint = lResult->GetPolygonVertex(p, k);
            EXPECT_DOUBLE_EQ(lOut->GetNormals()->GetDirectArray()[static_cast<size_t>(lAt)][0],
                             lPoint);
            EXPECT_DOUBLE_EQ(
                lOut->GetVertexColors()->GetDirectArray()[static_cast<size_t>(lAt)].mRed,
                lPoint / 10.0);
            EXPECT_EQ(lResult->GetTextureUVIndex(p, k), (lPoint * 4) % 9);
        }
    }
}

TEST(KRyvGeometryConverterTest, PatchTessellationCountsAndUVs)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvPatch* lPatch = MakePatch(lFactory, KRyvPatch::eBezier, 4, KRyvPatch::eBezier, 4);
    ASSERT_TRUE(lPatch->SetStep(4, 4));
    KRyvMesh* lMesh = lConverter.ConvertPatchToMesh(lPatch);
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetControlPointCount(), 169);
    EXPECT_EQ(lMesh->GetPolygonCount(), 288);
    EXPECT_EQ(lMesh->GetTextureUVCount(), 576);
    const KVector2* lUVs = lMesh->GetTextureUV();
    EXPECT_DOUBLE_EQ(lUVs[0][0], 0.0);
    EXPECT_DOUBLE_EQ(lUVs[0][1], 0.0);
    EXPECT_DOUBLE_EQ(lUVs[575][0], 1.0);
    EXPECT_DOUBLE_EQ(lUVs[575][1], 1.0);
    // First cell: (a, d', b) and (b, d', e).
    EXPECT_EQ(lMesh->GetPolygonVertex(0, 0), 0);
    EXPECT_EQ(lMesh->GetPolygonVertex(0, 1), 13);
    EXPECT_EQ(lMesh->GetPolygonVertex(0, 2), 1);
    EXPECT_EQ(lMesh->GetPolygonVertex(1, 2), 14);
    // Corners on the patch corners, unit normals mapped by control point, w = 1.
    const KVector4* lPoints = lMesh->GetControlPoints();
    EXPECT_EQ(lPoints[168], KVector4(3, 3, 0.9));
    EXPECT_DOUBLE_EQ(lPoints[168][3], 1.0);
    ASSERT_EQ(lMesh->GetNormalsDirectCount(), 169);
    EXPECT_EQ(lMesh->GetLayer(0)->GetNormals()->GetMappingMode(), KLayerElement::eByControlPoint);
    for (int i = 0; i < 169; ++i) {
        EXPECT_NEAR(lMesh->GetNormalsDirect()[i].Length(), 1.0, 1e-12);
    }

    // Step 0, the default of a patch, subdivides 4 times.
    KRyvPatch* lUnstepped = MakePatch(lFactory, KRyvPatch::eBSpline, 5, KRyvPatch::eLinear, 2);
    KRyvMesh* lDefault = lConverter.ConvertPatchToMesh(lUnstepped);
    ASSERT_NE(lDefault, nullptr);
    EXPECT_EQ(lDefault->GetControlPointCount(), 9 * 5);
    EXPECT_EQ(lDefault->GetPolygonCount(), 8 * 4 * 2);
}

TEST(KRyvGeometryConverterTest, ClosedPatchGetsClosingCells)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvPatch* lPatch = MakePatch(lFactory, KRyvPatch::eBSpline, 6, KRyvPatch::eLinear, 2);
    lPatch->SetClosed(true, false);
    ASSERT_TRUE(lPatch->SetStep(2, 1));
    KRyvMesh* lMesh = lConverter.ConvertPatchToMesh(lPatch);
    ASSERT_NE(lMesh, nullptr);
    const int A = 12;
    const int B = 2;
    ASSERT_EQ(lMesh->GetControlPointCount(), A * B);
    ASSERT_EQ(lMesh->GetPolygonCount(), A * 2);
    // The last cell of the row joins column A-1 back to column 0, u from (A-1)/A to 1.
    const int lLast = lMesh->GetPolygonCount() - 1;
    EXPECT_EQ(lMesh->GetPolygonVertex(lLast, 0), 0);
    EXPECT_EQ(lMesh->GetPolygonVertex(lLast, 1), A + A - 1);
    EXPECT_EQ(lMesh->GetPolygonVertex(lLast, 2), A);
    const KVector2* lUVs = lMesh->GetTextureUV();
    EXPECT_DOUBLE_EQ(lUVs[lMesh->GetTextureUVIndex(lLast - 1, 0)][0], (A - 1.0) / A);
    EXPECT_DOUBLE_EQ(lUVs[lMesh->GetTextureUVIndex(lLast, 0)][0], 1.0);

    // Closed both ways: every sample gets two cells, the last joins sample A x B - 1 to 0.
    KRyvPatch* lTorus = MakePatch(lFactory, KRyvPatch::eBSpline, 6, KRyvPatch::eBSpline, 4);
    lTorus->SetClosed(true, true);
    KRyvMesh* lRing = lConverter.ConvertPatchToMesh(lTorus);
    ASSERT_NE(lRing, nullptr);
    EXPECT_EQ(lRing->GetControlPointCount(), 24 * 16);
    ASSERT_EQ(lRing->GetPolygonCount(), 24 * 16 * 2);
    EXPECT_EQ(lRing->GetPolygonVertex(24 * 16 * 2 - 1, 2), 0);
    EXPECT_EQ(lRing->GetPolygonVertex(24 * 16 * 2 - 2, 0), 24 * 16 - 1);
}

TEST(KRyvGeometryConverterTest, UnsamplablePatchesAreRefused)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvNode* lNode = lFactory.CreateNode("Surface");
    // A cubic Bezier direction of 2 points and one of 5: neither can be sampled.
    for (int lCount : {2, 5}) {
        KRyvPatch* lPatch = MakePatch(lFactory, KRyvPatch::eBezier, lCount, KRyvPatch::eLinear, 2);
        const int lAttributes = lFactory.GetNodeAttributeCount();
        EXPECT_EQ(lConverter.ConvertPatchToMesh(lPatch), nullptr);
        EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kInvalidSurface);
        EXPECT_EQ(lFactory.GetNodeAttributeCount(), lAttributes);
        lNode->SetNodeAttribute(lPatch);
        EXPECT_FALSE(lConverter.TriangulateInPlace(lNode));
        EXPECT_EQ(lNode->GetNodeAttribute(), lPatch);
    }
    // A closed Bezier of 5 points does not come back to its start.
    KRyvPatch* lClosed = MakePatch(lFactory, KRyvPatch::eBezier, 5, KRyvPatch::eLinear, 2);
    lClosed->SetClosed(true, false);
    EXPECT_EQ(lConverter.ConvertPatchToMesh(lClosed), nullptr);
    // Points that do not fill the grid.
    KRyvPatch* lShort = MakePatch(lFactory, KRyvPatch::eLinear, 3, KRyvPatch::eLinear, 3);
    lShort->GetControlPointArray().pop_back();
    EXPECT_EQ(lConverter.ConvertPatchToMesh(lShort), nullptr);
    EXPECT_EQ(lConverter.ConvertPatchToMesh(nullptr), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kParameterIsNull);
    EXPECT_FALSE(lConverter.TriangulateInPlace(nullptr));
    KRyvNode* lEmpty = lFactory.CreateNode("Empty");
    EXPECT_FALSE(lConverter.TriangulateInPlace(lEmpty));
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kNoGeometry);
}

TEST(KRyvGeometryConverterTest, ShapesAndLinksCarryOver)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvPatch* lPatch = MakePatch(lFactory, KRyvPatch::eBezier, 4, KRyvPatch::eBezier, 4);
    // A shape lifted by 2 and one with the wrong point count.
    KRyvLayerContainer* lLifted = lFactory.CreateLayerContainer();
    lLifted->GetControlPointArray() = lPatch->GetControlPointArray();
    for (KVector4& lPoint : lLifted->GetControlPointArray()) {
        lPoint.GetData()[2] += 2.0;
    }
    ASSERT_EQ(lPatch->AddShape(lLifted, "Lift"), 0);
    KRyvLayerContainer* lBad = lFactory.CreateLayerContainer();
    lBad->InitControlPoints(3);
    ASSERT_EQ(lPatch->AddShape(lBad, "Bad"), 1);
    // Link 0 on control point 0 alone, link 1 on every point, mode normalize.
    KRyvLink* lCorner = lFactory.CreateLink();
    lCorner->SetLinkMode(KRyvLink::eNormalize);
    lCorner->SetUserData("id", "corner");
    lCorner->AddControlPointIndex(0, 1.0);
    lCorner->AddControlPointIndex(99, 1.0);
    lPatch->AddLink(lCorner);
    KRyvLink* lAll = lFactory.CreateLink();
    for (int i = 0; i < 16; ++i) {
        lAll->AddControlPointIndex(i, 1.0);
    }
    lPatch->AddLink(lAll);

    KRyvMesh* lMesh = lConverter.ConvertPatchToMesh(lPatch);
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetShapeCount(), 1);
    EXPECT_STREQ(lMesh->GetShapeName(0), "Lift");
    KRyvLayerContainer* lShape = lMesh->GetShape(0);
    ASSERT_EQ(lShape->GetControlPointCount(), 169);
    for (int i = 0; i < 169; ++i) {
        const KVector4& lBase = lMesh->GetControlPoints()[i];
        EXPECT_EQ(lShape->GetControlPoints()[i], KVector4(lBase[0], lBase[1], lBase[2] + 2.0));
        EXPECT_NEAR(lShape->GetNormalsDirect()[i].Length(), 1.0, 1e-12);
    }

    ASSERT_EQ(lMesh->GetLinkCount(), 2);
    KRyvLink* lNewCorner = lMesh->GetLink(0);
    EXPECT_EQ(lNewCorner->GetLinkMode(), KRyvLink::eTotal1);
    EXPECT_STREQ(lNewCorner->GetUserData().Buffer(), "corner");
    EXPECT_EQ(lMesh->GetLink(1)->GetLinkMode(), KRyvLink::eAdditive);
    // The two links share point 0, so normalising per point halves each; the corner sample is
    // point 0 alone.
    const std::vector<int>& lIndices = lNewCorner->GetControlPointIndexArray();
    const std::vector<double>& lWeights = lNewCorner->GetControlPointWeightArray();
    ASSERT_FALSE(lIndices.empty());
    EXPECT_EQ(lIndices[0], 0);
    EXPECT_DOUBLE_EQ(lWeights[0], 0.5);
    for (size_t i = 0; i < lIndices.size(); ++i) {
        // Point 0 of a Bezier patch reaches every sample but the far edges.
        EXPECT_LT(lIndices[i] % 13, 12);
        EXPECT_LT(lIndices[i] / 13, 12);
        if (i > 0) {
            EXPECT_GT(lIndices[i], lIndices[i - 1]);
        }
    }
    // The link over every point weighs each sample by the sum of its influences.
    ASSERT_EQ(lMesh->GetLink(1)->GetControlPointIndicesCount(), 169);
    EXPECT_DOUBLE_EQ(lMesh->GetLink(1)->GetControlPointWeights()[168], 1.0);
    EXPECT_DOUBLE_EQ(lMesh->GetLink(1)->GetControlPointWeights()[0], 0.5);
    // The source keeps its own.
    EXPECT_EQ(lPatch->GetLink(0)->GetControlPointIndicesCount(), 2);
}

TEST(KRyvGeometryConverterTest, NurbTessellation)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvNurb* lNurb = lFactory.CreateNurb();
    ASSERT_TRUE(lNurb->SetOrder(3, 2));
    ASSERT_TRUE(lNurb->InitControlPoints(3, KRyvNurb::eOpen, 2, KRyvNurb::eOpen));
    ASSERT_TRUE(lNurb->SetStep(8, 1));
    const double w = std::sqrt(0.5);
    KVector4* lPoints = lNurb->GetControlPoints();
    for (int v = 0; v < 2; ++v) {
        lPoints[v * 3 + 0] = KVector4(1, 0, v, 1);
        lPoints[v * 3 + 1] = KVector4(1, 1, v, w);
        lPoints[v * 3 + 2] = KVector4(0, 1, v, 1);
    }
    const double kU[6] = {0, 0, 0, 1, 1, 1};
    const double kV[4] = {0, 0, 1, 1};
    std::copy(kU, kU + 6, lNurb->GetUKnotVector());
    std::copy(kV, kV + 4, lNurb->GetVKnotVector());
    KRyvMesh* lMesh = lConverter.ConvertNurbToMesh(lNurb);
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetControlPointCount(), 9 * 2);
    EXPECT_EQ(lMesh->GetPolygonCount(), 16);
    for (int i = 0; i < 18; ++i) {
        const KVector4& lPoint = lMesh->GetControlPoints()[i];
        EXPECT_NEAR(std::hypot(lPoint[0], lPoint[1]), 1.0, 1e-12);
        EXPECT_DOUBLE_EQ(lPoint[3], 1.0);
        // Unit radial normals.
        const KVector4& lNormal = lMesh->GetNormalsDirect()[i];
        EXPECT_NEAR(std::fabs(lNormal[0] * lPoint[0] + lNormal[1] * lPoint[1]), 1.0, 1e-9);
    }

    // A zero weight, a decreasing knot vector: refused, nothing made.
    lPoints[1][3] = 0.0;
    EXPECT_EQ(lConverter.ConvertNurbToMesh(lNurb), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kInvalidSurface);
    lPoints[1][3] = w;
    lNurb->GetUKnotVector()[3] = -1.0;
    EXPECT_EQ(lConverter.ConvertNurbToMesh(lNurb), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kInvalidSurface);
    // Order 0, a NURBS surface fresh from a damaged file.
    KRyvNurb* lEmpty = lFactory.CreateNurb();
    ASSERT_TRUE(lEmpty->InitControlPoints(2, KRyvNurb::eOpen, 2, KRyvNurb::eOpen));
    for (KVector4& lPoint : lEmpty->GetControlPointArray()) {
        lPoint.GetData()[3] = 1.0;
    }
    EXPECT_EQ(lConverter.ConvertNurbToMesh(lEmpty), nullptr);
}

TEST(KRyvGeometryConverterTest, InPlaceKeepsShapeChannelsOfEveryTake)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvNode* lNode = lFactory.CreateNode("Face");
    ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
    KRyvMesh* lMesh = MakePolygonMesh(lFactory, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    KRyvLayerContainer* lShape = lFactory.CreateLayerContainer();
    lShape->GetControlPointArray() = lMesh->GetControlPointArray();
    ASSERT_EQ(lMesh->AddShape(lShape, "Smile"), 0);
    lNode->SetNodeAttribute(lMesh);
    lMesh->GetShapeChannel(lNode->GetTakeNode(0), 0)->SetDefaultValue(0.25f);
    KFCurve* lWalk = lMesh->GetShapeChannel(lNode->GetTakeNode(1), 0);
    lWalk->KeyAdd(KTime::kZero, 0.5f);
    lWalk->KeyAdd(KTime(KTime::kTicksPerSecond), 1.0f);
    const int lAttributes = lFactory.GetNodeAttributeCount();

    ASSERT_TRUE(lConverter.TriangulateInPlace(lNode));
    auto* lNew = dynamic_cast<KRyvMesh*>(lNode->GetNodeAttribute());
    ASSERT_NE(lNew, nullptr);
    EXPECT_NE(lNew, lMesh);
    EXPECT_EQ(lNew->GetPolygonCount(), 2);
    EXPECT_EQ(lFactory.GetNodeAttributeCount(), lAttributes);
    ASSERT_EQ(lNew->GetShapeCount(), 1);
    EXPECT_FLOAT_EQ(lNew->GetShapeChannel(lNode->GetTakeNode(0), 0)->GetDefaultValue(), 0.25f);
    const KFCurve* lKept = lNew->GetShapeChannel(lNode->GetTakeNode(1), 0);
    ASSERT_EQ(lKept->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(lKept->KeyGetValue(1), 1.0f);
    EXPECT_DOUBLE_EQ(lNew->GetShapeValue(0), 0.25);

    // A patch node becomes a mesh, then a NURBS node in place.
    KRyvNode* lPatchNode = lFactory.CreateNode("Patch");
    lPatchNode->SetNodeAttribute(MakePatch(lFactory, KRyvPatch::eLinear, 2, KRyvPatch::eLinear, 2));
    ASSERT_TRUE(lConverter.ConvertPatchToNurbInPlace(lPatchNode));
    ASSERT_NE(lPatchNode->GetNurb(), nullptr);
    EXPECT_FALSE(lConverter.ConvertPatchToNurbInPlace(lPatchNode));
    ASSERT_TRUE(lConverter.TriangulateInPlace(lPatchNode));
    ASSERT_NE(lPatchNode->GetMesh(), nullptr);
    EXPECT_EQ(dynamic_cast<KRyvMesh*>(lPatchNode->GetMesh())->GetPolygonCount(), 32);
}

TEST(KRyvGeometryConverterTest, PatchToNurbKnotsAndForms)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvPatch* lBezier = MakePatch(lFactory, KRyvPatch::eBezier, 4, KRyvPatch::eBezier, 7);
    KRyvNurb* lNurb = lConverter.ConvertPatchToNurb(lBezier);
    ASSERT_NE(lNurb, nullptr);
    EXPECT_EQ(lNurb->GetUOrder(), 4);
    EXPECT_EQ(lNurb->GetUType(), KRyvNurb::eOpen);
    EXPECT_TRUE(lNurb->IsValid());
    EXPECT_EQ(std::vector<double>(lNurb->GetUKnotVector(), lNurb->GetUKnotVector() + 8),
              (std::vector<double>{0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(std::vector<double>(lNurb->GetVKnotVector(), lNurb->GetVKnotVector() + 11),
              (std::vector<double>{0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2}));
    EXPECT_EQ(lNurb->GetControlPoints()[27], lBezier->GetControlPoints()[27]);

    KRyvPatch* lMixed = MakePatch(lFactory, KRyvPatch::eBSpline, 6, KRyvPatch::eLinear, 3);
    lMixed->SetClosed(true, true);
    KRyvNurb* lRing = lConverter.ConvertPatchToNurb(lMixed);
    ASSERT_NE(lRing, nullptr);
    EXPECT_EQ(lRing->GetUType(), KRyvNurb::ePeriodic);
    EXPECT_EQ(lRing->GetVType(), KRyvNurb::eClosed);
    EXPECT_EQ(lRing->GetVOrder(), 2);
    ASSERT_EQ(lRing->GetUKnotCount(), 13);
    EXPECT_DOUBLE_EQ(lRing->GetUKnotVector()[12], 12.0);
    EXPECT_EQ(std::vector<double>(lRing->GetVKnotVector(), lRing->GetVKnotVector() + 6),
              (std::vector<double>{0, 0, 1, 2, 3, 3}));

    // A closed Bezier of 6 points: typed open, exactly K knots.
    KRyvPatch* lLoop = MakePatch(lFactory, KRyvPatch::eBezier, 6, KRyvPatch::eLinear, 2);
    lLoop->SetClosed(true, false);
    KRyvNurb* lLoopNurb = lConverter.ConvertPatchToNurb(lLoop);
    ASSERT_NE(lLoopNurb, nullptr);
    EXPECT_EQ(lLoopNurb->GetUType(), KRyvNurb::eOpen);
    EXPECT_TRUE(lLoopNurb->IsValid());
    EXPECT_EQ(std::vector<double>(lLoopNurb->GetUKnotVector(), lLoopNurb->GetUKnotVector() + 10),
              (std::vector<double>{0, 0, 0, 0, 1, 1, 1, 2, 2, 2}));

    // No form, or a count the basis cannot take.
    KRyvPatch* lQuadric = MakePatch(lFactory, KRyvPatch::eBezierQuadric, 3, KRyvPatch::eLinear, 2);
    EXPECT_EQ(lConverter.ConvertPatchToNurb(lQuadric), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kNoNurbsForm);
    KRyvPatch* lCardinal = MakePatch(lFactory, KRyvPatch::eLinear, 2, KRyvPatch::eCardinal, 4);
    EXPECT_EQ(lConverter.ConvertPatchToNurb(lCardinal), nullptr);
    for (int lCount : {5, 6, 2}) {
        KRyvPatch* lOdd = MakePatch(lFactory, KRyvPatch::eBezier, lCount, KRyvPatch::eLinear, 2);
        const int lAttributes = lFactory.GetNodeAttributeCount();
        EXPECT_EQ(lConverter.ConvertPatchToNurb(lOdd), nullptr);
        EXPECT_EQ(lConverter.GetError().GetLastErrorID(),
                  KRyvGeometryConverter::kInvalidPointCount);
        EXPECT_EQ(lFactory.GetNodeAttributeCount(), lAttributes);
    }
    KRyvPatch* lShortLoop = MakePatch(lFactory, KRyvPatch::eBezier, 4, KRyvPatch::eLinear, 2);
    lShortLoop->SetClosed(true, false);
    EXPECT_EQ(lConverter.ConvertPatchToNurb(lShortLoop), nullptr);
    EXPECT_EQ(lConverter.ConvertPatchToNurb(nullptr), nullptr);
}

TEST(KRyvGeometryConverterTest, NurbFromPatchSamplesTheSameSurface)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvPatch* lPatch = MakePatch(lFactory, KRyvPatch::eBezier, 7, KRyvPatch::eBSpline, 5);
    for (KVector4& lPoint : lPatch->GetControlPointArray()) {
        lPoint.GetData()[2] = std::sin(lPoint[0]) * std::cos(lPoint[1]);
    }
    // A Bezier span of the patch has m x 3 samples, one knot interval of the NURBS m.
    ASSERT_TRUE(lPatch->SetStep(1, 4));
    KRyvMesh* lFromPatch = lConverter.ConvertPatchToMesh(lPatch);
    KRyvNurb* lNurb = lConverter.ConvertPatchToNurb(lPatch);
    ASSERT_NE(lNurb, nullptr);
    ASSERT_TRUE(lNurb->SetStep(3, 4));
    KRyvMesh* lFromNurb = lConverter.ConvertNurbToMesh(lNurb);
    ASSERT_NE(lFromPatch, nullptr);
    ASSERT_NE(lFromNurb, nullptr);
    ASSERT_EQ(lFromPatch->GetControlPointCount(), lFromNurb->GetControlPointCount());
    for (int i = 0; i < lFromPatch->GetControlPointCount(); ++i) {
        const KVector4& a = lFromPatch->GetControlPoints()[i];
        const KVector4& b = lFromNurb->GetControlPoints()[i];
        EXPECT_NEAR(a[0], b[0], 1e-6);
        EXPECT_NEAR(a[1], b[1], 1e-6);
        EXPECT_NEAR(a[2], b[2], 1e-6);
    }
}

TEST(KRyvGeometryConverterTest, TransposeTwiceGivesTheOriginal)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvNurb* lNurb = lFactory.CreateNurb();
    ASSERT_TRUE(lNurb->SetOrder(3, 2));
    ASSERT_TRUE(lNurb->InitControlPoints(3, KRyvNurb::eOpen, 5, KRyvNurb::eClosed));
    ASSERT_TRUE(lNurb->SetStep(6, 2));
    for (int i = 0; i < 15; ++i) {
        lNurb->GetControlPoints()[i] = KVector4(i % 3, i / 3, i * 0.5, 1.0 + i * 0.1);
    }
    for (int i = 0; i < lNurb->GetUKnotCount(); ++i) {
        lNurb->GetUKnotVector()[i] = i / 2;
    }
    for (int i = 0; i < lNurb->GetVKnotCount(); ++i) {
        lNurb->GetVKnotVector()[i] = i;
    }
    lNurb->GetVMultiplicity()[4] = 2;
    KRyvLink* lLink = lFactory.CreateLink();
    lLink->AddControlPointIndex(5, 0.5);
    lLink->AddControlPointIndex(1, 1.0);
    lNurb->AddLink(lLink);

    KRyvNurb* lOnce = lConverter.TransposeNurb(lNurb, true, true);
    ASSERT_NE(lOnce, nullptr);
    EXPECT_EQ(lOnce->GetUCount(), 5);
    EXPECT_EQ(lOnce->GetVCount(), 3);
    EXPECT_EQ(lOnce->GetUOrder(), 2);
    EXPECT_EQ(lOnce->GetUType(), KRyvNurb::eClosed);
    EXPECT_EQ(lOnce->GetUStep(), 2);
    EXPECT_EQ(lOnce->GetUMultiplicity()[4], 2);
    EXPECT_TRUE(lOnce->IsValid());
    for (int v = 0; v < 3; ++v) {
        for (int u = 0; u < 5; ++u) {
            const KVector4& lNew = lOnce->GetControlPoints()[v * 5 + u];
            const KVector4& lOld = lNurb->GetControlPoints()[u * 3 + v];
            EXPECT_EQ(lNew, lOld);
            EXPECT_DOUBLE_EQ(lNew[3], lOld[3]);
        }
    }
    // Index 5 is (u 2, v 1): it becomes (u 1, v 2) = 2 x 5 + 1; index 1 becomes 1 x 5 + 0.
    EXPECT_EQ(lOnce->GetLink(0)->GetControlPointIndices()[0], 11);
    EXPECT_EQ(lOnce->GetLink(0)->GetControlPointIndices()[1], 5);

    KRyvNurb* lTwice = lConverter.TransposeNurb(lOnce, true, true);
    ASSERT_NE(lTwice, nullptr);
    EXPECT_EQ(lTwice->GetUCount(), 3);
    EXPECT_EQ(lTwice->GetUOrder(), 3);
    EXPECT_EQ(lTwice->GetVType(), KRyvNurb::eClosed);
    EXPECT_EQ(lTwice->GetUStep(), 6);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(lTwice->GetControlPoints()[i], lNurb->GetControlPoints()[i]);
        EXPECT_DOUBLE_EQ(lTwice->GetControlPoints()[i][3], lNurb->GetControlPoints()[i][3]);
    }
    for (int i = 0; i < lNurb->GetUKnotCount(); ++i) {
        EXPECT_DOUBLE_EQ(lTwice->GetUKnotVector()[i], lNurb->GetUKnotVector()[i]);
    }
    for (int i = 0; i < lNurb->GetVKnotCount(); ++i) {
        EXPECT_DOUBLE_EQ(lTwice->GetVKnotVector()[i], lNurb->GetVKnotVector()[i]);
    }
    EXPECT_EQ(lTwice->GetLink(0)->GetControlPointIndexArray(),
              lNurb->GetLink(0)->GetControlPointIndexArray());

    // Remapping alone uses the current counts and leaves indices outside the grid.
    lLink->AddControlPointIndex(40, 1.0);
    KRyvNurb* lRemapped = lConverter.TransposeNurb(lNurb, false, true);
    ASSERT_NE(lRemapped, nullptr);
    EXPECT_EQ(lRemapped->GetUCount(), 3);
    EXPECT_EQ(lRemapped->GetLink(0)->GetControlPointIndexArray(), (std::vector<int>{11, 5, 40}));
    KRyvNurb* lPlain = lConverter.TransposeNurb(lNurb, false, false);
    ASSERT_NE(lPlain, nullptr);
    EXPECT_EQ(lPlain->GetLink(0)->GetControlPointIndexArray(), (std::vector<int>{5, 1, 40}));

    EXPECT_EQ(lConverter.TransposeNurb(nullptr, true, true), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kParameterIsNull);
    lNurb->GetControlPoints()[0][3] = 0.0;
    EXPECT_EQ(lConverter.TransposeNurb(lNurb, true, false), nullptr);
    EXPECT_EQ(lConverter.GetError().GetLastErrorID(), KRyvGeometryConverter::kInvalidSurface);
}
