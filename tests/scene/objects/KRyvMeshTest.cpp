#include "scene/objects/KRyvMesh.h"

#include "scene/objects/KRyvLink.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>

namespace {

bool Same(const KVector4& pA, const KVector4& pB)
{
    return pA[0] == pB[0] && pA[1] == pB[1] && pA[2] == pB[2] && pA[3] == pB[3];
}
bool Same(const KVector2& pA, const KVector2& pB)
{
    return pA == pB;
}
bool Same(const KColor& pA, const KColor& pB)
{
    return pA.mRed == pB.mRed && pA.mGreen == pB.mGreen && pA.mBlue == pB.mBlue &&
           pA.mAlpha == pB.mAlpha;
}
bool Same(int pA, int pB)
{
    return pA == pB;
}
template <typename T> bool Same(T* pA, T* pB)
{
    return pA == pB;
}

template <typename T>
void ExpectSameArray(const std::vector<T>& pA, const std::vector<T>& pB, const char* pWhat)
{
    ASSERT_EQ(pA.size(), pB.size()) << pWhat;
    for (size_t i = 0; i < pA.size(); ++i) {
        EXPECT_TRUE(Same(pA[i], pB[i])) << pWhat << " entry " << i;
    }
}

template <typename T>
void ExpectSameElement(const KLayerElementTemplate<T>* pA, const KLayerElementTemplate<T>* pB,
                       const char* pWhat)
{
    ASSERT_EQ(pA == nullptr, pB == nullptr) << pWhat;
    if (pA == nullptr) {
        return;
    }
    EXPECT_EQ(pA->GetMappingMode(), pB->GetMappingMode()) << pWhat;
    EXPECT_EQ(pA->GetReferenceMode(), pB->GetReferenceMode()) << pWhat;
    ExpectSameArray(pA->GetIndexArray(), pB->GetIndexArray(), pWhat);
    ExpectSameArray(pA->GetDirectArray(), pB->GetDirectArray(), pWhat);
}

void ExpectSameLayers(const KRyvLayerContainer& pA, const KRyvLayerContainer& pB)
{
    ExpectSameArray(pA.GetControlPointArray(), pB.GetControlPointArray(), "control points");
    ASSERT_EQ(pA.GetLayerCount(), pB.GetLayerCount());
    for (int i = 0; i < pA.GetLayerCount(); ++i) {
        const KLayer* lA = pA.GetLayer(i);
        const KLayer* lB = pB.GetLayer(i);
        ExpectSameElement(lA->GetNormals(), lB->GetNormals(), "normals");
        ExpectSameElement(lA->GetMaterials(), lB->GetMaterials(), "materials");
        ExpectSameElement(lA->GetTextures(), lB->GetTextures(), "textures");
        ExpectSameElement(lA->GetPolygonGroups(), lB->GetPolygonGroups(), "groups");
        ExpectSameElement(lA->GetUVs(), lB->GetUVs(), "uvs");
        ExpectSameElement(lA->GetVertexColors(), lB->GetVertexColors(), "colours");
    }
}

// Positions, polygons, every layer, links and shapes.
void ExpectSameMesh(KRyvMesh& pA, KRyvMesh& pB)
{
    ExpectSameLayers(pA, pB);
    ASSERT_EQ(pA.GetPolygonCount(), pB.GetPolygonCount());
    for (int p = 0; p < pA.GetPolygonCount(); ++p) {
        ASSERT_EQ(pA.GetPolygonSize(p), pB.GetPolygonSize(p));
        for (int v = 0; v < pA.GetPolygonSize(p); ++v) {
            EXPECT_EQ(pA.GetPolygonVertex(p, v), pB.GetPolygonVertex(p, v));
        }
    }
    ASSERT_EQ(pA.GetLinkCount(), pB.GetLinkCount());
    for (int l = 0; l < pA.GetLinkCount(); ++l) {
        ExpectSameArray(pA.GetLink(l)->GetControlPointIndexArray(),
                        pB.GetLink(l)->GetControlPointIndexArray(), "link indices");
        EXPECT_EQ(pA.GetLink(l)->GetControlPointWeightArray(),
                  pB.GetLink(l)->GetControlPointWeightArray());
    }
    ASSERT_EQ(pA.GetShapeCount(), pB.GetShapeCount());
    for (int s = 0; s < pA.GetShapeCount(); ++s) {
        EXPECT_STREQ(pA.GetShapeName(s), pB.GetShapeName(s));
        ExpectSameLayers(*pA.GetShape(s), *pB.GetShape(s));
    }
}

void AddPoints(KRyvMesh& ioMesh, const std::vector<KVector4>& pPoints)
{
    ioMesh.GetControlPointArray() = pPoints;
}

void AddPolygon(KRyvMesh& ioMesh, std::initializer_list<int> pPoints, int pMaterial = -1)
{
    ioMesh.BeginPolygon(pMaterial, -1, 0);
    for (int lPoint : pPoints) {
        ioMesh.AddPolygon(lPoint);
    }
}

// Two triangles 0-1-2 and 2-1-3 sharing the edge 1-2.
void MakeTwoTriangles(KRyvMesh& ioMesh)
{
    AddPoints(ioMesh, {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}});
    AddPolygon(ioMesh, {0, 1, 2});
    AddPolygon(ioMesh, {2, 1, 3});
}

// A 3 x 3 grid of points making four quads, with something in every kind of layer data: normals
// by polygon vertex, UVs by polygon vertex (IndexToDirect), materials by polygon, vertex colours
// and UVs by control point in layer 1, a skin link and a shape with normals by control point.
void MakeRichMesh(KRyvMesh& ioMesh)
{
    std::vector<KVector4> lPoints;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            lPoints.emplace_back(x, y, 0.25 * x * y, 1.0);
        }
    }
    AddPoints(ioMesh, lPoints);
    ioMesh.InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    ioMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    int lCorner = 0;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            ioMesh.BeginPolygon(x + y, -1, y);
            for (int lPoint : {y * 3 + x, y * 3 + x + 1, y * 3 + x + 4, y * 3 + x + 3}) {
                const int lUV = ioMesh.AddTextureUV(KVector2(0.1 * lCorner, 0.2 * lPoint));
                ioMesh.AddPolygon(lPoint, lUV);
                ++lCorner;
            }
        }
    }
    ioMesh.InitNormals(16);
    for (int p = 0; p < 16; ++p) {
        ioMesh.GetNormalsDirect()[p] = KVector4(0.0, 0.1 * p, 1.0, 0.0);
    }

    ASSERT_EQ(ioMesh.CreateLayer(), 1);
    KLayer* lLayer1 = ioMesh.GetLayer(1);
    auto lColors = std::make_unique<KLayerElementVertexColor>();
    lColors->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < 9; ++i) {
        lColors->Add(KColor(0.1 * i, 0.5, 1.0 - 0.1 * i, 1.0));
    }
    lLayer1->SetVertexColors(std::move(lColors));
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < 9; ++i) {
        lUVs->Add(0.5 * i, -0.5 * i);
    }
    lLayer1->SetUVs(std::move(lUVs));

    auto* lLink = new KRyvLink();
    lLink->AddControlPointIndex(4, 0.75);
    lLink->AddControlPointIndex(0, 0.5);
    lLink->AddControlPointIndex(8, 0.25);
    ioMesh.AddLink(lLink);

    auto* lShape = new KRyvLayerContainer(nullptr);
    lShape->GetControlPointArray() = lPoints;
    for (KVector4& lPoint : lShape->GetControlPointArray()) {
        lPoint[2] += 1.0;
    }
    lShape->InitNormals(0);
    for (int i = 0; i < 9; ++i) {
        lShape->GetNormalsDirect()[i] = KVector4(0.0, 0.0, 1.0 + i, 0.0);
    }
    ASSERT_EQ(ioMesh.AddShape(lShape, "Smile"), 0);
}

} // namespace

TEST(KRyvMesh, TypeAndReset)
{
    KRyvMesh lMesh(nullptr);
    EXPECT_EQ(lMesh.GetAttributeType(), KRyvNodeAttribute::eMesh);
    EXPECT_STREQ(lMesh.GetTypeName().Buffer(), "Mesh");
    EXPECT_EQ(lMesh.GetTypeNameList().GetCount(), 0);
    MakeTwoTriangles(lMesh);
    lMesh.Reset();
    EXPECT_EQ(lMesh.GetPolygonCount(), 0);
    EXPECT_EQ(lMesh.GetPolygonVertexCount(), 0);
    EXPECT_EQ(lMesh.GetPolygonVertices(), nullptr);
    EXPECT_EQ(lMesh.GetControlPointCount(), 0);
    EXPECT_EQ(lMesh.GetLayerCount(), 0);
}

TEST(KRyvMesh, PolygonsAndTheirVertices)
{
    KRyvMesh lMesh(nullptr);
    lMesh.BeginPolygon(-1, -1, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lMesh.AddPolygon(i), i + 1);
    }
    lMesh.BeginPolygon(-1, -1, 0);
    lMesh.AddPolygon(7);
    lMesh.AddPolygon(8);
    lMesh.AddPolygon(9);
    EXPECT_EQ(lMesh.GetPolygonCount(), 2);
    EXPECT_EQ(lMesh.GetPolygonSize(0), 4);
    EXPECT_EQ(lMesh.GetPolygonSize(1), 3);
    // The second polygon starts at vertex 4 of the list.
    EXPECT_EQ(lMesh.GetPolygonVertices()[4], 7);
    EXPECT_EQ(lMesh.GetPolygonVertex(1, 0), 7);
    EXPECT_EQ(lMesh.GetPolygonVertex(1, 2), 9);
    EXPECT_EQ(lMesh.GetPolygonVertexCount(), 7);
    // BeginPolygon makes layer 0, but no material element for index -1.
    ASSERT_NE(lMesh.GetLayer(0), nullptr);
    EXPECT_EQ(lMesh.GetLayer(0)->GetMaterials(), nullptr);
}

TEST(KRyvMesh, OutOfRangeIndicesAnswerMinusOne)
{
    KRyvMesh lMesh(nullptr);
    // Before any BeginPolygon nothing is added.
    EXPECT_EQ(lMesh.AddPolygon(3), -1);
    EXPECT_EQ(lMesh.GetPolygonVertexCount(), 0);
    EXPECT_EQ(lMesh.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);

    MakeTwoTriangles(lMesh);
    EXPECT_EQ(lMesh.GetPolygonSize(-1), -1);
    EXPECT_EQ(lMesh.GetPolygonSize(2), -1);
    EXPECT_EQ(lMesh.GetPolygonVertex(2, 0), -1);
    EXPECT_EQ(lMesh.GetPolygonVertex(-1, 0), -1);
    EXPECT_EQ(lMesh.GetPolygonVertex(0, 3), -1);
    EXPECT_EQ(lMesh.GetPolygonVertex(0, -1), -1);
    EXPECT_EQ(lMesh.GetTextureUVIndex(0, 5), -1);
    KVector4 lNormal(9, 9, 9, 9);
    lMesh.InitNormals(6);
    EXPECT_FALSE(lMesh.GetPolygonVertexNormal(1, 3, lNormal));
    EXPECT_FALSE(lMesh.GetPolygonVertexNormal(2, 0, lNormal));
    EXPECT_TRUE(Same(lNormal, KVector4(9, 9, 9, 9)));
}

TEST(KRyvMesh, MaterialAndTextureIndicesByPolygon)
{
    KRyvMesh lMesh(nullptr);
    lMesh.InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    lMesh.InitTextureIndices(KRyvMesh::eMappingByPolygon);
    lMesh.BeginPolygon(5, 1, 0);
    lMesh.BeginPolygon(6, 2, 0);
    lMesh.BeginPolygon(7, -1, 0);
    const std::vector<int>& lMaterials = lMesh.GetLayer(0)->GetMaterials()->GetIndexArray();
    EXPECT_EQ(lMaterials, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(lMesh.GetMaterialIndices(), lMaterials.data());
    EXPECT_EQ(lMesh.GetLayer(0)->GetTextures()->GetIndexArray(), (std::vector<int>{1, 2, -1}));
    EXPECT_EQ(lMesh.GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    EXPECT_EQ(lMesh.GetTextureMappingMode(), KRyvMesh::eMappingByPolygon);
}

TEST(KRyvMesh, BeginPolygonCreatesAnElementOnlyForTheFirstPolygon)
{
    KRyvMesh lFirst(nullptr);
    lFirst.BeginPolygon(2, 3, 0);
    ASSERT_NE(lFirst.GetLayer(0)->GetMaterials(), nullptr);
    EXPECT_EQ(lFirst.GetLayer(0)->GetMaterials()->GetMappingMode(), KLayerElement::eNone);
    ASSERT_NE(lFirst.GetLayer(0)->GetTextures(), nullptr);
    EXPECT_EQ(lFirst.GetLayer(0)->GetTextures()->GetReferenceMode(), KLayerElement::eIndexToDirect);
    EXPECT_EQ(lFirst.GetLayer(0)->GetTextures()->GetAlpha(), 1.0);

    KRyvMesh lLater(nullptr);
    lLater.BeginPolygon(-1, -1, 0);
    lLater.BeginPolygon(2, 3, 0);
    EXPECT_EQ(lLater.GetLayer(0)->GetMaterials(), nullptr);
    EXPECT_EQ(lLater.GetLayer(0)->GetTextures(), nullptr);
    EXPECT_EQ(lLater.GetMaterialMappingMode(), KRyvMesh::eMappingAllSame);
    EXPECT_EQ(lLater.GetMaterialIndices(), nullptr);
}

TEST(KRyvMesh, InitMaterialIndicesModes)
{
    KRyvMesh lMesh(nullptr);
    // Without control points the by-control-point mapping is not taken.
    lMesh.InitMaterialIndices(KRyvMesh::eMappingByControlPoint);
    EXPECT_EQ(lMesh.GetLayer(0)->GetMaterials()->GetMappingMode(), KLayerElement::eNone);
    EXPECT_EQ(lMesh.GetLayer(0)->GetMaterials()->GetReferenceMode(), KLayerElement::eIndexToDirect);

    MakeTwoTriangles(lMesh);
    lMesh.InitMaterialIndices(KRyvMesh::eMappingByControlPoint);
    EXPECT_EQ(lMesh.GetMaterialMappingMode(), KRyvMesh::eMappingByControlPoint);
    EXPECT_EQ(lMesh.GetLayer(0)->GetMaterials()->GetIndexArray(), (std::vector<int>{0, 0, 0, 0}));

    lMesh.InitMaterialIndices(KRyvMesh::eMappingAllSame);
    EXPECT_EQ(lMesh.GetLayer(0)->GetMaterials()->GetIndexArray(), (std::vector<int>{0}));
    EXPECT_EQ(lMesh.GetMaterialMappingMode(), KRyvMesh::eMappingAllSame);

    lMesh.InitTextureIndices(KRyvMesh::eMappingByPolygonVertex);
    EXPECT_EQ(lMesh.GetLayer(0)->GetTextures()->GetMappingMode(), KLayerElement::eAllSame);
    EXPECT_EQ(lMesh.GetLayer(0)->GetTextures()->GetIndexArray(), (std::vector<int>{0}));
}

TEST(KRyvMesh, TextureUVsAndTheirIndices)
{
    KRyvMesh lMesh(nullptr);
    // No UV element yet: appending answers 0 and stores nothing.
    EXPECT_EQ(lMesh.AddTextureUV(KVector2(1, 1)), 0);
    EXPECT_EQ(lMesh.GetTextureUVCount(), 0);
    EXPECT_EQ(lMesh.GetTextureUV(), nullptr);

    lMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    EXPECT_EQ(lMesh.GetTextureUVMappingMode(), KRyvMesh::eMappingByPolygonVertex);
    EXPECT_TRUE(lMesh.InitTextureUV(2));
    EXPECT_EQ(lMesh.AddTextureUV(KVector2(0.5, 0.25)), 2);
    EXPECT_EQ(lMesh.GetTextureUVCount(), 3);
    EXPECT_EQ(lMesh.GetTextureUV()[2], KVector2(0.5, 0.25));
    lMesh.BeginPolygon();
    lMesh.AddPolygon(0, 2);
    lMesh.AddPolygon(1, -1);
    lMesh.AddPolygon(2, 1);
    EXPECT_EQ(lMesh.GetTextureUVIndex(0, 0), 2);
    // A vertex added without UV index leaves a hole that the next one fills with 0.
    EXPECT_EQ(lMesh.GetTextureUVIndex(0, 1), 0);
    EXPECT_EQ(lMesh.GetTextureUVIndex(0, 2), 1);

    lMesh.InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    EXPECT_EQ(lMesh.GetTextureUVCount(), 0);
    EXPECT_EQ(lMesh.GetTextureUVMappingMode(), KRyvMesh::eMappingByControlPoint);
    EXPECT_EQ(lMesh.GetTextureUVIndex(0, 0), -1);
    lMesh.InitTextureUVIndices(7);
    EXPECT_EQ(lMesh.GetLayer(0)->GetUVs()->GetMappingMode(), KLayerElement::eNone);
    EXPECT_EQ(lMesh.GetTextureUVMappingMode(), KRyvMesh::eMappingAllSame);

    EXPECT_FALSE(lMesh.InitTextureUV(KRyvMesh::kMaxTextureUVCount + 1));
    EXPECT_TRUE(lMesh.InitTextureUV(-4));
    EXPECT_EQ(lMesh.GetTextureUVCount(), 0);
}

TEST(KRyvMesh, PolygonVertexNormalFollowsTheMapping)
{
    KRyvMesh lMesh(nullptr);
    MakeTwoTriangles(lMesh);
    // By control point: polygon 1 vertex 2 is point 3.
    lMesh.InitNormals(0);
    for (int i = 0; i < 4; ++i) {
        lMesh.GetNormalsDirect()[i] = KVector4(i, 0, 0, 0);
    }
    EXPECT_EQ(lMesh.GetNormalsMappingMode(), 0);
    KVector4 lNormal;
    ASSERT_TRUE(lMesh.GetPolygonVertexNormal(1, 2, lNormal));
    EXPECT_EQ(lNormal[0], 3.0);

    // By polygon vertex: position 3 + 2.
    lMesh.InitNormals(6);
    for (int i = 0; i < 6; ++i) {
        lMesh.GetNormalsDirect()[i] = KVector4(10 + i, 0, 0, 0);
    }
    EXPECT_EQ(lMesh.GetNormalsMappingMode(), 1);
    ASSERT_TRUE(lMesh.GetPolygonVertexNormal(1, 2, lNormal));
    EXPECT_EQ(lNormal[0], 15.0);

    // A by-polygon-vertex array that is too short is not read past its end.
    lMesh.GetLayer(0)->GetNormals()->GetDirectArray().resize(5);
    lNormal.Set(-1, -1, -1, -1);
    EXPECT_FALSE(lMesh.GetPolygonVertexNormal(1, 2, lNormal));
    EXPECT_EQ(lNormal[0], -1.0);
}

TEST(KRyvMesh, FindDuplicatesWithAndWithoutAll)
{
    KRyvMesh lMesh(nullptr);
    const KVector4 lA(1, 2, 3, 1);
    AddPoints(lMesh, {lA, {4, 5, 6, 1}, {1, 2, 3.0000005, 1}, {7, 8, 9, 1}});
    std::vector<int> lMap;
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 0, 3}));
    // Unmatched entries past the first duplicate hold their own index.
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, false));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 0, 3}));

    AddPoints(lMesh, {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}});
    EXPECT_FALSE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 2, 3}));

    // Without all, points past the first duplicate are matched against earlier points only.
    AddPoints(lMesh, {lA, {4, 5, 6, 1}, lA, {4, 5, 6, 1}, {7, 7, 7, 1}, {7, 7, 7, 1}});
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, false));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 0, 1, 4, 5}));
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 0, 1, 4, 4}));

    // Thousands of coincident points all map onto the first.
    AddPoints(lMesh, std::vector<KVector4>(5000, KVector4(0.5, 0.5, 0.5, 1.0)));
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, std::vector<int>(5000, 0));

    AddPoints(lMesh, {});
    EXPECT_FALSE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_TRUE(lMap.empty());
}

TEST(KRyvMesh, FindDuplicatesToleranceEdges)
{
    KRyvMesh lMesh(nullptr);
    std::vector<int> lMap;
    // Exactly 1e-6 apart is equal; just above is not; w is ignored.
    AddPoints(lMesh, {{0, 0, 0, 1}, {1e-6, 0, -1e-6, 5}, {0, 1.0000001e-6, 0, 1}});
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 0, 2}));

    // Large coordinates: 2e-6 apart at 1000 is distinct, 5e-7 is not.
    AddPoints(lMesh,
              {{1000, -1000, 1e5, 1}, {1000.000002, -1000, 1e5, 1}, {1000.0000005, -1000, 1e5, 1}});
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 0}));

    // A chain of points each within the tolerance of the next is mapped onto kept points only,
    // never onto a point that is itself a duplicate.
    AddPoints(lMesh, {{0, 0, 0, 1}, {0.8e-6, 0, 0, 1}, {1.6e-6, 0, 0, 1}, {2.4e-6, 0, 0, 1}});
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 0, 2, 2}));

    // Not-a-number and infinite coordinates match nothing but do not disturb the others.
    const double lNaN = std::numeric_limits<double>::quiet_NaN();
    const double lInf = std::numeric_limits<double>::infinity();
    AddPoints(
        lMesh,
        {{lNaN, 0, 0, 1}, {lNaN, 0, 0, 1}, {lInf, 0, 0, 1}, {1e300, 0, 0, 1}, {1e300, 0, 0, 1}});
    EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 2, 3, 3}));
}

TEST(KRyvMesh, FindDuplicatesMatchesABruteForceSearch)
{
    // Coordinates on a lattice of a quarter of the tolerance, so that many pairs are exactly at,
    // just inside or just outside it, and cells are crossed in every direction.
    std::mt19937 lRandom(7);
    std::uniform_int_distribution<int> lStep(-12, 12);
    std::vector<KVector4> lPoints;
    for (int i = 0; i < 3000; ++i) {
        lPoints.emplace_back(lStep(lRandom) * 0.25e-6, lStep(lRandom) * 0.25e-6 + 3.0,
                             lStep(lRandom) * 0.25e-6 - 1.0, 1.0);
    }
    KRyvMesh lMesh(nullptr);
    AddPoints(lMesh, lPoints);
    for (bool lAll : {true, false}) {
        std::vector<int> lExpected(lPoints.size());
        int lFirstDuplicate = -1;
        for (size_t k = 0; k < lPoints.size(); ++k) {
            lExpected[k] = static_cast<int>(k);
            const size_t lLimit = lAll || lFirstDuplicate < 0 ? k : size_t(lFirstDuplicate);
            for (size_t j = 0; j < lLimit; ++j) {
                if (lExpected[j] == static_cast<int>(j) && lPoints[j] == lPoints[k]) {
                    lExpected[k] = static_cast<int>(j);
                    break;
                }
            }
            if (lExpected[k] != static_cast<int>(k) && lFirstDuplicate < 0) {
                lFirstDuplicate = static_cast<int>(k);
            }
        }
        std::vector<int> lMap;
        EXPECT_TRUE(lMesh.FindDuplicateControlPoints(lMap, lAll));
        EXPECT_EQ(lMap, lExpected) << "all " << lAll;
    }
}

TEST(KRyvMesh, SplitTwoTrianglesSharingAnEdge)
{
    KRyvMesh lMesh(nullptr);
    MakeTwoTriangles(lMesh);
    lMesh.InitNormals(6);
    for (int i = 0; i < 6; ++i) {
        lMesh.GetNormalsDirect()[i] = KVector4(0, 0, 1, i);
    }
    KRyvMeshSplitTable lTable;
    lMesh.BuildControlPointSplitTable(lTable);
    ASSERT_EQ(lTable.size(), 4u);
    // Points 1 and 2 are used twice: their second uses (positions 4 and 3) get 5 and 4.
    ASSERT_EQ(lTable[2].size(), 2u);
    EXPECT_EQ(lTable[2][1].mPosition, 3);
    EXPECT_EQ(lTable[2][1].mIndex, 4);
    EXPECT_EQ(lTable[1][1].mPosition, 4);
    EXPECT_EQ(lTable[1][1].mIndex, 5);
    EXPECT_EQ(lTable[1][1].mNormal[3], 4.0);

    ASSERT_TRUE(lMesh.SplitControlPoints(lTable));
    EXPECT_EQ(lMesh.GetControlPointCount(), 6);
    EXPECT_EQ(lMesh.GetNormalsMappingMode(), 0);
    std::vector<int> lVertices(lMesh.GetPolygonVertices(), lMesh.GetPolygonVertices() + 6);
    EXPECT_EQ(lVertices, (std::vector<int>{0, 1, 2, 4, 5, 3}));
    EXPECT_TRUE(Same(lMesh.GetControlPoints()[4], lMesh.GetControlPoints()[2]));
    EXPECT_TRUE(Same(lMesh.GetControlPoints()[5], lMesh.GetControlPoints()[1]));
    // Each polygon vertex still sees its own normal.
    for (int p = 0; p < 2; ++p) {
        for (int v = 0; v < 3; ++v) {
            KVector4 lNormal;
            ASSERT_TRUE(lMesh.GetPolygonVertexNormal(p, v, lNormal));
            EXPECT_EQ(lNormal[3], 3 * p + v);
        }
    }
}

TEST(KRyvMesh, SplitWithoutNormalsMakesNone)
{
    KRyvMesh lMesh(nullptr);
    MakeTwoTriangles(lMesh);
    KRyvMeshSplitTable lTable;
    lMesh.BuildControlPointSplitTable(lTable);
    EXPECT_TRUE(Same(lTable[1][1].mNormal, KVector4()));
    ASSERT_TRUE(lMesh.SplitControlPoints(lTable));
    EXPECT_EQ(lMesh.GetControlPointCount(), 6);
    EXPECT_EQ(lMesh.GetNormalsDirect(), nullptr);
}

TEST(KRyvMesh, SplitRefusesATableOfAnotherMesh)
{
    KRyvMesh lMesh(nullptr);
    MakeTwoTriangles(lMesh);
    KRyvMesh lCopy(nullptr);
    lCopy = lMesh;
    KRyvMeshSplitTable lTable;
    lMesh.BuildControlPointSplitTable(lTable);

    KRyvMeshSplitTable lShort(lTable.begin(), lTable.end() - 1);
    EXPECT_FALSE(lMesh.SplitControlPoints(lShort));
    KRyvMeshSplitTable lWrongPosition = lTable;
    lWrongPosition[1][1].mPosition = 0;
    EXPECT_FALSE(lMesh.SplitControlPoints(lWrongPosition));
    KRyvMeshSplitTable lGap = lTable;
    lGap[1][1].mIndex = 7;
    EXPECT_FALSE(lMesh.SplitControlPoints(lGap));
    KRyvMeshSplitTable lTwice = lTable;
    lTwice[1][1].mIndex = lTwice[2][1].mIndex;
    EXPECT_FALSE(lMesh.SplitControlPoints(lTwice));
    EXPECT_EQ(lMesh.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    ExpectSameMesh(lMesh, lCopy);
}

TEST(KRyvMesh, SplitThenMergeGivesBackTheSameMesh)
{
    KRyvMesh lMesh(nullptr);
    MakeRichMesh(lMesh);
    KRyvMesh lOriginal(nullptr);
    lOriginal.CopyFrom(lMesh);

    KRyvMeshSplitTable lTable;
    lMesh.BuildControlPointSplitTable(lTable);
    ASSERT_TRUE(lMesh.SplitControlPoints(lTable));
    ASSERT_EQ(lMesh.GetControlPointCount(), 16);
    ASSERT_EQ(lMesh.GetShape(0)->GetControlPointCount(), 16);

    // Every polygon vertex has its own point, at the position, with the colour, layer-1 UV and
    // shape point of the point it had; the skin weights follow.
    std::vector<int> lUses(16, 0);
    for (int p = 0; p < 16; ++p) {
        const int lNew = lMesh.GetPolygonVertices()[p];
        const int lOld = lOriginal.GetPolygonVertices()[p];
        ++lUses[static_cast<size_t>(lNew)];
        EXPECT_TRUE(Same(lMesh.GetControlPoints()[lNew], lOriginal.GetControlPoints()[lOld]));
        EXPECT_TRUE(Same(lMesh.GetLayer(1)->GetVertexColors()->GetDirectArray()[lNew],
                         lOriginal.GetLayer(1)->GetVertexColors()->GetDirectArray()[lOld]));
        EXPECT_TRUE(Same(lMesh.GetLayer(1)->GetUVs()->GetDirectArray()[lNew],
                         lOriginal.GetLayer(1)->GetUVs()->GetDirectArray()[lOld]));
        EXPECT_TRUE(Same(lMesh.GetShape(0)->GetControlPoints()[lNew],
                         lOriginal.GetShape(0)->GetControlPoints()[lOld]));
        EXPECT_TRUE(Same(lMesh.GetShape(0)->GetNormalsDirect()[lNew],
                         lOriginal.GetShape(0)->GetNormalsDirect()[lOld]));
        EXPECT_EQ(lMesh.GetTextureUVIndex(p / 4, p % 4), lOriginal.GetTextureUVIndex(p / 4, p % 4));
        KVector4 lNormal;
        ASSERT_TRUE(lMesh.GetPolygonVertexNormal(p / 4, p % 4, lNormal));
        EXPECT_EQ(lNormal[1], 0.1 * p);
    }
    EXPECT_EQ(lUses, std::vector<int>(16, 1));
    // Point 4 (the centre) is used by all four quads, 0 and 8 by one each.
    EXPECT_EQ(lMesh.GetLink(0)->GetControlPointIndicesCount(), 6);

    std::vector<int> lMap;
    ASSERT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    ASSERT_TRUE(lMesh.MergeDuplicateControlPoints(lMap));
    ExpectSameMesh(lMesh, lOriginal);
}

TEST(KRyvMesh, MergeKeepsDifferingValuesOnTheirCorners)
{
    // Four points where point 3 repeats point 0 but carries another UV and colour.
    KRyvMesh lMesh(nullptr);
    AddPoints(lMesh, {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 0, 1}});
    AddPolygon(lMesh, {0, 1, 2});
    AddPolygon(lMesh, {3});
    lMesh.InitNormals(0);
    lMesh.InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    for (int i = 0; i < 4; ++i) {
        lMesh.AddTextureUV(KVector2(i, 0));
        lMesh.GetNormalsDirect()[i] = KVector4(0, 0, 1, i);
    }
    auto lColors = std::make_unique<KLayerElementVertexColor>();
    lColors->SetMappingMode(KLayerElement::eByControlPoint);
    lColors->SetReferenceMode(KLayerElement::eIndexToDirect);
    lColors->Add(KColor(1, 0, 0));
    lColors->GetIndexArray() = {0, 0, 0, 0};
    lMesh.GetLayer(0)->SetVertexColors(std::move(lColors));

    std::vector<int> lMap;
    ASSERT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    ASSERT_EQ(lMap, (std::vector<int>{0, 1, 2, 0}));
    ASSERT_TRUE(lMesh.MergeDuplicateControlPoints(lMap));
    EXPECT_EQ(lMesh.GetControlPointCount(), 3);
    EXPECT_EQ(lMesh.GetPolygonVertex(1, 0), 0);
    // The UVs differed: they now go by polygon vertex, each corner keeping its own.
    const KLayerElementUV* lUVs = lMesh.GetLayer(0)->GetUVs();
    EXPECT_EQ(lUVs->GetMappingMode(), KLayerElement::eByPolygonVertex);
    ASSERT_EQ(lUVs->GetDirectArray().size(), 4u);
    EXPECT_EQ(lUVs->GetDirectArray()[3], KVector2(3, 0));
    // The colours were the same: trimmed, still by control point.
    const KLayerElementVertexColor* lColorElement = lMesh.GetLayer(0)->GetVertexColors();
    EXPECT_EQ(lColorElement->GetMappingMode(), KLayerElement::eByControlPoint);
    EXPECT_EQ(lColorElement->GetIndexArray(), (std::vector<int>{0, 0, 0}));
    // Normals always move onto the polygon vertices.
    EXPECT_EQ(lMesh.GetNormalsMappingMode(), 1);
    KVector4 lNormal;
    ASSERT_TRUE(lMesh.GetPolygonVertexNormal(1, 0, lNormal));
    EXPECT_EQ(lNormal[3], 3.0);
}

TEST(KRyvMesh, MergeRefusesSeams)
{
    // Two quads side by side whose shared edge is made of distinct coincident points (a seam):
    // points 6 and 7 repeat 1 and 2 and come last, as in the split layout, but each is used by
    // two polygons, so merging would have to drop corners.
    KRyvMesh lMesh(nullptr);
    AddPoints(lMesh, {{0, 0, 0, 1},
                      {1, 0, 0, 1},
                      {1, 1, 0, 1},
                      {0, 1, 0, 1},
                      {2, 0, 0, 1},
                      {2, 1, 0, 1},
                      {1, 0, 0, 1},
                      {1, 1, 0, 1}});
    AddPolygon(lMesh, {0, 1, 2, 3});
    AddPolygon(lMesh, {1, 2, 3});
    AddPolygon(lMesh, {6, 4, 5, 7});
    AddPolygon(lMesh, {6, 5, 7});
    lMesh.InitNormals(0);
    auto* lLink = new KRyvLink();
    lLink->AddControlPointIndex(7, 1.0);
    lMesh.AddLink(lLink);
    KRyvMesh lCopy(nullptr);
    lCopy = lMesh;

    std::vector<int> lMap;
    ASSERT_TRUE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_EQ(lMap, (std::vector<int>{0, 1, 2, 3, 4, 5, 1, 2}));
    EXPECT_FALSE(lMesh.MergeDuplicateControlPoints(lMap));
    EXPECT_EQ(lMesh.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    ExpectSameMesh(lMesh, lCopy);

    // A point past the first duplicate that is no duplicate itself would be removed: refused.
    KRyvMesh lOutside(nullptr);
    AddPoints(lOutside, {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 0, 0, 1}, {5, 5, 5, 1}});
    AddPolygon(lOutside, {0, 1, 3});
    AddPolygon(lOutside, {2});
    ASSERT_TRUE(lOutside.FindDuplicateControlPoints(lMap, true));
    EXPECT_FALSE(lOutside.MergeDuplicateControlPoints(lMap));
    EXPECT_EQ(lOutside.GetControlPointCount(), 4);

    // A map of the wrong size, or polygon vertices outside the points, are refused too.
    EXPECT_FALSE(lOutside.MergeDuplicateControlPoints({0, 1, 0}));
    lOutside.GetPolygonVertices()[0] = 9;
    EXPECT_FALSE(lOutside.MergeDuplicateControlPoints({0, 1, 0, 1}));
    EXPECT_EQ(lOutside.GetControlPointCount(), 4);
}

TEST(KRyvMesh, MergeWithoutDuplicatesChangesNothing)
{
    KRyvMesh lMesh(nullptr);
    MakeTwoTriangles(lMesh);
    lMesh.InitNormals(0);
    KRyvMesh lCopy(nullptr);
    lCopy = lMesh;
    std::vector<int> lMap;
    EXPECT_FALSE(lMesh.FindDuplicateControlPoints(lMap, true));
    EXPECT_TRUE(lMesh.MergeDuplicateControlPoints(lMap));
    // The normals stay by control point: nothing was merged.
    EXPECT_EQ(lMesh.GetNormalsMappingMode(), 0);
    ExpectSameMesh(lMesh, lCopy);
}

TEST(KRyvMesh, AssignmentCopiesEverything)
{
    KRyvMesh lMesh(nullptr);
    MakeRichMesh(lMesh);
    KRyvMesh lCopy(nullptr);
    lCopy = lMesh;
    ExpectSameMesh(lCopy, lMesh);
    // Deep: changing the copy leaves the source alone.
    lCopy.GetPolygonVertices()[0] = 8;
    EXPECT_EQ(lMesh.GetPolygonVertex(0, 0), 0);
    KRyvMesh& lSelf = lCopy;
    lCopy = lSelf;
    EXPECT_EQ(lCopy.GetPolygonCount(), 4);
    EXPECT_EQ(lCopy.GetShapeCount(), 1);
}
