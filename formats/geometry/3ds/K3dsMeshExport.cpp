#include "formats/geometry/3ds/K3dsMeshExport.h"

#include "core/KFileUtils.h"
#include "core/KMatrixFunctions.h"
#include "core/KMediaCopy.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsCornerPoints.h"
#include "formats/geometry/3ds/K3dsForest.h"
#include "formats/geometry/3ds/K3dsMeshImport.h"
#include "formats/geometry/3ds/K3dsSpecular.h"
#include "formats/geometry/3ds/KRenamingStrategy3ds.h"
#include "io/KSideFile.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr std::size_t kMaxCount = 0xFFFF;
constexpr uint16_t kFaceFlags = 7;
constexpr int kFlatGroups = 15;
constexpr uint32_t kSmoothGroup = 1;
constexpr uint32_t kNoVertex = UINT32_MAX;
constexpr double kNormalTolerance = 1e-6;
constexpr int kMaxGroupRounds = 8;
constexpr int kMap1Slot = 0;
constexpr int kMap2Slot = 2;
constexpr int kTwoSidedFlag = 2;
constexpr std::size_t kMapNameLength = 12;
constexpr std::size_t kMaterialNameLength = KRenamingStrategy3ds::kMaterialNameLength;
constexpr float kDefaultGrey = 0.588f;
// Values from a scene quoted in a warning are cut to this many bytes.
constexpr std::size_t kQuotedLength = 40;
const char* const kDefaultMaterialName = "Default";

// The rotation r (kit Euler degrees) of a node in file axes.
KVector4 RotationToFile(const KVector4& pRotation)
{
    KMatrix lMatrix;
    MatrixSetIdentity(lMatrix);
    EulerToMatrixXYZ(lMatrix, pRotation[0], pRotation[1], pRotation[2]);
    KQuaternion lTurn;
    MatrixToQuaternion(lTurn, lMatrix);
    const KQuaternion lFile(lTurn[0], -lTurn[2], lTurn[1], lTurn[3]);
    QuaternionToMatrix(lMatrix, lFile);
    KVector4 lAngles;
    MatrixToEulerXYZ(lAngles, lMatrix);
    return lAngles;
}

// The value a layer element gives a polygon, a polygon vertex or a control point, by its
// mapping and reference; -1 (or none) out of range.
int IndexOf(const KLayerElement* pElement, int pPolygon, int pControlPoint)
{
    if (!pElement) {
        return -1;
    }
    const std::vector<int>& lIndices = pElement->GetIndexArray();
    std::size_t lAt = 0;
    switch (pElement->GetMappingMode()) {
    case KLayerElement::eByPolygon:
        lAt = static_cast<std::size_t>(pPolygon);
        break;
    case KLayerElement::eByControlPoint:
        lAt = static_cast<std::size_t>(pControlPoint);
        break;
    default:
        break;
    }
    return lAt < lIndices.size() ? lIndices[lAt] : (lIndices.empty() ? 0 : -1);
}

bool TextureCounts(KRyvTexture* pTexture)
{
    return pTexture && pTexture->GetMappingType() == KRyvTexture::eUV &&
           pTexture->GetTextureUse() == 0 && *pTexture->GetFileName() != '\0';
}

} // namespace

// The faces of a mesh in file axes, with one vertex per control point (and, when per-corner
// UVs are unwelded, one more for each further UV a control point's corners give) and the
// material combination of each face.
struct K3dsMeshExport::Geometry
{
    std::vector<Point3ds> mVertices;
    std::vector<TexVert3ds> mUVs;
    // Unwelding: per vertex, whether a corner gave it its UV, and the next vertex of the same
    // control point (kNoVertex at the end of the chain).
    std::vector<bool> mUVGiven;
    std::vector<uint32_t> mNextOfPoint;
    std::vector<std::array<uint32_t, 3>> mTriangles;
    std::vector<uint32_t> mSmoothing;
    std::vector<Combination> mCombinations;
    float mLocal[MeshObject3ds::kLocalSize] = {};
    bool mUnweld = false;
    bool mHasMaterial = false;
    std::vector<KVector4> mFaceNormals;
    std::vector<bool> mFlat;
    KMatrix mTransform;
    std::vector<KVector4> mPlaced;
};

std::vector<std::array<int, 3>> K3dsMeshExport::Triangulate(int pCorners)
{
    std::vector<std::array<int, 3>> lTriangles;
    if (pCorners < 3) {
        return lTriangles;
    }
    const std::size_t lWanted = static_cast<std::size_t>(pCorners - 2);
    lTriangles.push_back({0, 1, 2});
    int s = 2, k = 3, e = pCorners - 1, p = 0;
    while (k <= e && lTriangles.size() < lWanted) {
        lTriangles.push_back({s, k, p});
        if (lTriangles.size() == lWanted) {
            break;
        }
        lTriangles.push_back({p, k, e});
        s = k;
        k = k + 1;
        p = e;
        e = e - 1;
    }
    return lTriangles;
}

std::vector<std::unique_ptr<MeshObject3ds>>
K3dsMeshExport::BuildMesh(KRyvMesh& pMesh, const KVector4& pT, const KVector4& pR,
                          const KVector4& pS, const std::string& pName, bool pTextureMapping)
{
    mBuilt.clear();
    mMeshName = pName;
    if (pMesh.GetPolygonCount() == 0 || pMesh.GetControlPointCount() == 0) {
        return {};
    }
    ++mSession.mMeshCount;
    Geometry lGeometry;
    const bool lTextured = pTextureMapping && pMesh.GetTextureCount(0) > 0;
    lGeometry.mUnweld =
        lTextured && pMesh.GetTextureUVMappingMode() == 1 && mSession.mFlags.mUVPerPolygon;
    mDefaultMaterial = pMesh.GetMaterialCount(0) == 0 && pMesh.GetTextureCount(0) > 0;
    lGeometry.mHasMaterial =
        mSession.mFlags.mMaterials && (pMesh.GetMaterialCount(0) > 0 || mDefaultMaterial);
    KMatrix lLocal;
    MatrixSetIdentity(lLocal);
    MatrixSetTRS(lLocal, KVector4(pT[0], -pT[2], pT[1]), RotationToFile(pR),
                 KVector4(pS[0], pS[2], pS[1]));
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            lGeometry.mLocal[3 * r + c] = static_cast<float>(lLocal[r][c]);
        }
    }
    MatrixSetIdentity(lGeometry.mTransform);
    MatrixSetTRS(lGeometry.mTransform, pT, pR, pS);
    // The vertices are placed by the local system as written (floats), so that a reader that
    // takes them back through that system and a second write give the same vertices.
    KMatrix lWritten;
    MatrixSetIdentity(lWritten);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            lWritten[r][c] = lGeometry.mLocal[3 * r + c];
        }
    }
    // Under a mirroring transform the points go mirrored in local X, as 3DS tools store them;
    // readers mirror them back.
    const double lMirror = pS[0] * pS[1] * pS[2] < 0.0 ? -1.0 : 1.0;
    for (const KVector4& lPoint : pMesh.GetControlPointArray()) {
        const KVector4 lMirrored(lMirror * lPoint[0], lPoint[1], lPoint[2], lPoint[3]);
        KVector4 lPlaced;
        VectorMultiplyMatrixAffine(lPlaced, lGeometry.mTransform, lMirrored);
        lGeometry.mPlaced.push_back(lPlaced);
        KVector4 lVertex;
        VectorMultiplyMatrixAffine(lVertex, lWritten,
                                   KVector4(lMirrored[0], -lMirrored[2], lMirrored[1], 1.0));
        lGeometry.mVertices.push_back({static_cast<float>(lVertex[0]),
                                       static_cast<float>(lVertex[1]),
                                       static_cast<float>(lVertex[2])});
    }
    CollectFaces(pMesh, lTextured, lGeometry);
    if (!lTextured) {
        lGeometry.mUVs.clear();
    }
    return Split(lGeometry, pName, pMesh);
}

namespace {

// The UV at a direct position or index position of a UV element; (0, 0) out of range.
TexVert3ds UVAt(const KLayerElementUV* pUVs, std::size_t pAt, bool pSwap)
{
    if (!pUVs) {
        return TexVert3ds();
    }
    std::size_t lDirect = pAt;
    if (pUVs->GetReferenceMode() == KLayerElement::eIndexToDirect) {
        const std::vector<int>& lIndices = pUVs->GetIndexArray();
        lDirect = pAt < lIndices.size() && lIndices[pAt] >= 0
                      ? static_cast<std::size_t>(lIndices[pAt])
                      : SIZE_MAX;
    }
    const std::vector<KVector2>& lValues = pUVs->GetDirectArray();
    if (lDirect >= lValues.size()) {
        return TexVert3ds();
    }
    const KVector2& lUV = lValues[lDirect];
    return pSwap ? TexVert3ds{static_cast<float>(lUV[1]), static_cast<float>(lUV[0])}
                 : TexVert3ds{static_cast<float>(lUV[0]), static_cast<float>(lUV[1])};
}

bool SameNormal(const KVector4& pA, const KVector4& pB)
{
    return std::fabs(pA[0] - pB[0]) <= kNormalTolerance &&
           std::fabs(pA[1] - pB[1]) <= kNormalTolerance &&
           std::fabs(pA[2] - pB[2]) <= kNormalTolerance;
}

// The unit normal of the face of corners a, b, c, turned as the reader turns it.
KVector4 FaceNormal(const KVector4& a, const KVector4& b, const KVector4& c)
{
    KVector4 lNormal = (c - b).CrossProduct(a - b);
    lNormal.Normalize();
    return lNormal;
}

// Whether every corner of a face has the face's own normal, so that the face reads flat;
// pCornerNormal(k, oNormal) gives corner k's normal, false when it has none.
template <typename CornerNormal>
bool IsFlatFace(const KVector4& pFaceNormal, CornerNormal pCornerNormal)
{
    for (int k = 0; k < 3; ++k) {
        KVector4 lCornerNormal;
        if (!pCornerNormal(k, lCornerNormal) || !SameNormal(lCornerNormal, pFaceNormal)) {
            return false;
        }
    }
    return true;
}

// Planar coordinates from the placed points' X and Y extents; a flat extent gives 0.
void PlanarUVs(const std::vector<KVector4>& pPlaced, std::vector<TexVert3ds>& oUVs)
{
    double lMin[2] = {INFINITY, INFINITY};
    double lMax[2] = {-INFINITY, -INFINITY};
    for (const KVector4& lPoint : pPlaced) {
        for (int a = 0; a < 2; ++a) {
            lMin[a] = std::min(lMin[a], lPoint[a]);
            lMax[a] = std::max(lMax[a], lPoint[a]);
        }
    }
    oUVs.resize(pPlaced.size());
    for (std::size_t i = 0; i < pPlaced.size(); ++i) {
        float lUV[2] = {0.0f, 0.0f};
        for (int a = 0; a < 2; ++a) {
            const double lExtent = lMax[a] - lMin[a];
            lUV[a] = lExtent > 0.0 ? static_cast<float>((pPlaced[i][a] - lMin[a]) / lExtent) : 0.0f;
        }
        oUVs[i] = {lUV[0], lUV[1]};
    }
}

} // namespace

K3dsMeshExport::Layers K3dsMeshExport::LayersOf(KRyvMesh& pMesh, bool pTextured)
{
    Layers lLayers;
    KLayer* lLayer0 = pMesh.GetLayer(0);
    lLayers.mUVs = lLayer0 ? lLayer0->GetUVs() : nullptr;
    lLayers.mMaterials = lLayer0 ? lLayer0->GetMaterials() : nullptr;
    lLayers.mTextures = lLayer0 ? lLayer0->GetTextures() : nullptr;
    lLayers.mSecondLayer =
        pMesh.GetLayerCount(KLayerElement::eTexture) > 1 && pMesh.GetTextureCount(0) > 1
            ? pMesh.GetLayerIndexOfType(1, KLayerElement::eTexture)
            : -1;
    KLayer* lLayer1 = lLayers.mSecondLayer >= 0 ? pMesh.GetLayer(lLayers.mSecondLayer) : nullptr;
    lLayers.mTextures2 = lLayer1 ? lLayer1->GetTextures() : nullptr;
    lLayers.mUVMode = pMesh.GetTextureUVMappingMode();
    lLayers.mTextured = pTextured;
    return lLayers;
}

void K3dsMeshExport::StartVertices(const Layers& pLayers, Geometry& ioGeometry)
{
    if (ioGeometry.mUnweld) {
        ioGeometry.mUVs.resize(ioGeometry.mPlaced.size());
        ioGeometry.mUVGiven.assign(ioGeometry.mPlaced.size(), false);
        ioGeometry.mNextOfPoint.assign(ioGeometry.mPlaced.size(), kNoVertex);
        return;
    }
    if (pLayers.mTextured && pLayers.mUVMode == KRyvMesh::eMappingAllSame) {
        PlanarUVs(ioGeometry.mPlaced, ioGeometry.mUVs);
        return;
    }
    ioGeometry.mUVs.resize(ioGeometry.mPlaced.size());
    if (pLayers.mTextured && pLayers.mUVMode == KRyvMesh::eMappingByControlPoint) {
        for (std::size_t i = 0; i < ioGeometry.mUVs.size(); ++i) {
            ioGeometry.mUVs[i] = UVAt(pLayers.mUVs, i, false);
        }
    }
}

K3dsMeshExport::Combination K3dsMeshExport::CombinationOf(KRyvMesh& pMesh, const Layers& pLayers,
                                                          bool pHasMaterial, int pPolygon,
                                                          int pFirstPoint) const
{
    Combination lCombination;
    if (pHasMaterial) {
        const int m = mDefaultMaterial ? 0 : IndexOf(pLayers.mMaterials, pPolygon, pFirstPoint);
        lCombination.mMaterial = mDefaultMaterial || pMesh.GetMaterial(m) ? m : -1;
    }
    if (pLayers.mTextured) {
        const int t1 = IndexOf(pLayers.mTextures, pPolygon, pFirstPoint);
        lCombination.mTexture1 = pMesh.GetTexture(t1) ? t1 : -1;
        const int t2 = IndexOf(pLayers.mTextures2, pPolygon, pFirstPoint);
        lCombination.mTexture2 =
            pLayers.mTextures2 && pMesh.GetTexture(t2, pLayers.mSecondLayer) ? t2 : -1;
    }
    return lCombination;
}

namespace {

bool SameUV(const TexVert3ds& pA, const TexVert3ds& pB)
{
    return pA.u == pB.u && pA.v == pB.v;
}

} // namespace

uint32_t K3dsMeshExport::VertexWithUV(uint32_t pPoint, const TexVert3ds& pUV, Geometry& ioGeometry)
{
    uint32_t lVertex = pPoint;
    if (!ioGeometry.mUVGiven[lVertex]) {
        ioGeometry.mUVGiven[lVertex] = true;
        ioGeometry.mUVs[lVertex] = pUV;
        return lVertex;
    }
    // The chain of a control point is as long as the distinct UVs its corners give.
    while (!SameUV(ioGeometry.mUVs[lVertex], pUV)) {
        if (ioGeometry.mNextOfPoint[lVertex] == kNoVertex) {
            const uint32_t lNew = static_cast<uint32_t>(ioGeometry.mVertices.size());
            ioGeometry.mNextOfPoint[lVertex] = lNew;
            ioGeometry.mVertices.push_back(ioGeometry.mVertices[pPoint]);
            ioGeometry.mUVs.push_back(pUV);
            ioGeometry.mUVGiven.push_back(true);
            ioGeometry.mNextOfPoint.push_back(kNoVertex);
            return lNew;
        }
        lVertex = ioGeometry.mNextOfPoint[lVertex];
    }
    return lVertex;
}

void K3dsMeshExport::CornerVertices(KRyvMesh& pMesh, const Layers& pLayers,
                                    const std::vector<int>& pCorners, std::size_t pFirst,
                                    int pTexture, Geometry& ioGeometry,
                                    std::vector<uint32_t>& oVertices)
{
    KRyvTexture* lTexture = pTexture >= 0 ? pMesh.GetTexture(pTexture) : nullptr;
    const bool lSwap = ioGeometry.mUnweld && lTexture && lTexture->GetSwapUV();
    std::vector<uint32_t>& lVertex = oVertices;
    lVertex.resize(pCorners.size());
    for (std::size_t k = 0; k < pCorners.size(); ++k) {
        const TexVert3ds lUV = UVAt(pLayers.mUVs, pFirst + k, lSwap);
        if (ioGeometry.mUnweld) {
            lVertex[k] = VertexWithUV(static_cast<uint32_t>(pCorners[k]), lUV, ioGeometry);
            continue;
        }
        lVertex[k] = static_cast<uint32_t>(pCorners[k]);
        if (pLayers.mTextured && pLayers.mUVMode == KRyvMesh::eMappingByPolygonVertex) {
            // A later polygon overwrites the value of a shared control point.
            ioGeometry.mUVs[lVertex[k]] = lUV;
        }
    }
}

void K3dsMeshExport::AddTriangles(KRyvMesh& pMesh, int pPolygon, const std::vector<int>& pCorners,
                                  const std::vector<uint32_t>& pVertices,
                                  const std::vector<std::array<int, 3>>& pStrip,
                                  const Combination& pCombination, Geometry& ioGeometry)
{
    const std::vector<KVector4>& lPoints = pMesh.GetControlPointArray();
    const bool lHasNormals = pMesh.GetNormalsDirect() != nullptr;
    for (const std::array<int, 3>& lTriangle : pStrip) {
        const KVector4 lNormal =
            FaceNormal(lPoints[static_cast<std::size_t>(pCorners[lTriangle[0]])],
                       lPoints[static_cast<std::size_t>(pCorners[lTriangle[1]])],
                       lPoints[static_cast<std::size_t>(pCorners[lTriangle[2]])]);
        const bool lIsFlat =
            lHasNormals && IsFlatFace(lNormal, [&](int k, KVector4& oNormal) {
                return pMesh.GetPolygonVertexNormal(pPolygon, lTriangle[k], oNormal);
            });
        // Vertex numbers are 32-bit here; Split makes them 16-bit per object.
        ioGeometry.mTriangles.push_back(
            {pVertices[lTriangle[0]], pVertices[lTriangle[1]], pVertices[lTriangle[2]]});
        ioGeometry.mCombinations.push_back(pCombination);
        ioGeometry.mFaceNormals.push_back(lNormal);
        ioGeometry.mFlat.push_back(lIsFlat);
    }
}

void K3dsMeshExport::CollectFaces(KRyvMesh& pMesh, bool pTextured, Geometry& ioGeometry)
{
    const Layers lLayers = LayersOf(pMesh, pTextured);
    StartVertices(lLayers, ioGeometry);
    const int lPointCount = pMesh.GetControlPointCount();
    int lSkipped = 0;
    std::size_t lPosition = 0;
    // Kept from polygon to polygon: most meshes hold polygons of one or two sizes.
    std::vector<int> lCorners;
    std::vector<uint32_t> lVertices;
    std::vector<std::array<int, 3>> lStrip;
    for (int p = 0; p < pMesh.GetPolygonCount(); ++p) {
        const int lSize = pMesh.GetPolygonSize(p);
        lCorners.clear();
        for (int k = 0; k < lSize; ++k) {
            const int lPoint = pMesh.GetPolygonVertex(p, k);
            if (lPoint >= 0 && lPoint < lPointCount) {
                lCorners.push_back(lPoint);
            }
        }
        const std::size_t lFirst = lPosition;
        lPosition += static_cast<std::size_t>(std::max(lSize, 0));
        if (lSize < 3 || static_cast<int>(lCorners.size()) != lSize) {
            ++lSkipped;
            continue;
        }
        const Combination lCombination =
            CombinationOf(pMesh, lLayers, ioGeometry.mHasMaterial, p, lCorners[0]);
        CornerVertices(pMesh, lLayers, lCorners, lFirst, lCombination.mTexture1, ioGeometry,
                       lVertices);
        if (lStrip.size() + 2 != lCorners.size()) {
            lStrip = Triangulate(lSize);
        }
        AddTriangles(pMesh, p, lCorners, lVertices, lStrip, lCombination, ioGeometry);
    }
    GroupAsRead(ioGeometry);
    if (lSkipped > 0) {
        mSession.Warn(std::to_string(lSkipped) +
                      " polygons of fewer than three corners skipped in mesh \"" +
                      KRenamingStrategy3ds::CutAtCharacter(mMeshName, kQuotedLength) + "\"");
    }
}

void K3dsMeshExport::AssignSmoothing(Geometry& ioGeometry)
{
    const std::size_t lFaces = ioGeometry.mTriangles.size();
    // Faces that share a vertex are joined: a reader gives faces of different groups vertices
    // of their own, so only a patch that shares no vertex with other faces may take a group of
    // its own without the next read splitting vertices.
    K3dsForest lPatches(lFaces);
    std::vector<std::size_t> lFirstFace(ioGeometry.mVertices.size(), lFaces);
    for (std::size_t f = 0; f < lFaces; ++f) {
        for (uint32_t v : ioGeometry.mTriangles[f]) {
            if (lFirstFace[v] == lFaces) {
                lFirstFace[v] = f;
            } else {
                lPatches.Join(f, lFirstFace[v]);
            }
        }
    }
    std::vector<bool> lPlanar(lFaces, true);
    for (std::size_t f = 0; f < lFaces; ++f) {
        const std::size_t lRoot = lPatches.Find(f);
        lPlanar[lRoot] = lPlanar[lRoot] && ioGeometry.mFlat[f] &&
                         SameNormal(ioGeometry.mFaceNormals[f], ioGeometry.mFaceNormals[lRoot]);
    }
    int lFlatGroups = 0;
    auto lNextFlatGroup = [&lFlatGroups]() {
        // 4, 16, ... 2^30: then the bits have run out and the faces stay faceted (0).
        const uint32_t lMask = lFlatGroups < kFlatGroups ? 1u << (2 * (lFlatGroups + 1)) : 0u;
        ++lFlatGroups;
        return lMask;
    };
    std::vector<uint32_t> lPatchMask(lFaces, kSmoothGroup);
    std::vector<bool> lPatchGrouped(lFaces, false);
    ioGeometry.mSmoothing.assign(lFaces, kSmoothGroup);
    for (std::size_t f = 0; f < lFaces; ++f) {
        const std::size_t lRoot = lPatches.Find(f);
        if (lPlanar[lRoot]) {
            // A flat patch in one plane: one group, given when its first face comes.
            if (!lPatchGrouped[lRoot]) {
                lPatchMask[lRoot] = lNextFlatGroup();
                lPatchGrouped[lRoot] = true;
            }
            ioGeometry.mSmoothing[f] = lPatchMask[lRoot];
        } else if (ioGeometry.mFlat[f]) {
            ioGeometry.mSmoothing[f] = lNextFlatGroup();
        }
    }
}

std::vector<bool> K3dsMeshExport::FlatAsRead(const Geometry& pGeometry,
                                             const K3dsCornerPoints& pRead)
{
    const std::vector<KVector4> lPoints =
        K3dsMeshImport::Points(pGeometry.mLocal, pGeometry.mVertices, pRead.mVertexOf, 1.0);
    const std::vector<KVector4> lNormals =
        K3dsMeshImport::Normals(pGeometry.mVertices, pRead, lPoints);
    std::vector<bool> lFlat(pGeometry.mTriangles.size());
    for (std::size_t f = 0; f < lFlat.size(); ++f) {
        const int* lCorner = &pRead.mCorner[3 * f];
        const KVector4 lNormal = FaceNormal(lPoints[static_cast<std::size_t>(lCorner[0])],
                                            lPoints[static_cast<std::size_t>(lCorner[1])],
                                            lPoints[static_cast<std::size_t>(lCorner[2])]);
        lFlat[f] = IsFlatFace(lNormal, [&](int k, KVector4& oNormal) {
            oNormal = lNormals[static_cast<std::size_t>(lCorner[k])];
            return true;
        });
    }
    return lFlat;
}

void K3dsMeshExport::GroupAsRead(Geometry& ioGeometry)
{
    const std::size_t lVertices = ioGeometry.mVertices.size();
    const std::size_t lUVs = ioGeometry.mUVs.size();
    const std::vector<std::array<uint32_t, 3>> lTriangles = ioGeometry.mTriangles;
    // Each round makes at least one more face flat; a face made flat can uncover another only
    // through a chain of neighbours, so the rounds are capped, and a mesh that would still
    // grow after them is written as it stands, at a cost linear in its size.
    for (int lRound = 0;; ++lRound) {
        AssignSmoothing(ioGeometry);
        const std::vector<bool> lFlat = FlatAsRead(ioGeometry, SplitBySmoothing(ioGeometry));
        bool lGrown = false;
        for (std::size_t f = 0; f < lFlat.size(); ++f) {
            if (lFlat[f] && !ioGeometry.mFlat[f]) {
                ioGeometry.mFlat[f] = true;
                lGrown = true;
            }
        }
        if (!lGrown || lRound == kMaxGroupRounds) {
            return;
        }
        ioGeometry.mVertices.resize(lVertices);
        ioGeometry.mUVs.resize(lUVs);
        ioGeometry.mTriangles = lTriangles;
    }
}

K3dsCornerPoints K3dsMeshExport::SplitBySmoothing(Geometry& ioGeometry)
{
    std::vector<uint32_t> lCorners;
    lCorners.reserve(3 * ioGeometry.mTriangles.size());
    for (const std::array<uint32_t, 3>& lTriangle : ioGeometry.mTriangles) {
        lCorners.insert(lCorners.end(), lTriangle.begin(), lTriangle.end());
    }
    const std::size_t lVertices = ioGeometry.mVertices.size();
    const K3dsCornerPoints lPoints =
        K3dsCornerPoints::Split(lVertices, lCorners, &ioGeometry.mSmoothing);
    const bool lWithUVs = ioGeometry.mUVs.size() == lVertices;
    for (std::size_t i = lVertices; i < lPoints.mVertexOf.size(); ++i) {
        const auto lVertex = static_cast<std::size_t>(lPoints.mVertexOf[i]);
        ioGeometry.mVertices.push_back(ioGeometry.mVertices[lVertex]);
        if (lWithUVs) {
            ioGeometry.mUVs.push_back(ioGeometry.mUVs[lVertex]);
        }
    }
    for (std::size_t c = 0; c < lCorners.size(); ++c) {
        ioGeometry.mTriangles[c / 3][c % 3] = static_cast<uint32_t>(lPoints.mCorner[c]);
    }
    return lPoints;
}

// The faces of one object: their vertices numbered in the object, their smoothing masks and
// one material group per combination, in the order material, first, second texture (none
// last).
void K3dsMeshExport::FillFaces(const Geometry& pGeometry, const Part& pPart, KRyvMesh& pMesh,
                               MeshObject3ds& ioObject)
{
    std::map<std::tuple<int, int, int>, std::vector<uint16_t>> lGroups;
    for (std::size_t f : pPart.mFaces) {
        const std::array<uint32_t, 3>& lTriangle = pGeometry.mTriangles[f];
        const uint16_t lIndex = static_cast<uint16_t>(ioObject.mFaces.size());
        ioObject.mFaces.push_back({static_cast<uint16_t>(pPart.mLocalOf[lTriangle[0]]),
                                   static_cast<uint16_t>(pPart.mLocalOf[lTriangle[1]]),
                                   static_cast<uint16_t>(pPart.mLocalOf[lTriangle[2]]),
                                   kFaceFlags});
        ioObject.mSmoothing.push_back(pGeometry.mSmoothing[f]);
        const Combination& c = pGeometry.mCombinations[f];
        if (pGeometry.mHasMaterial && c.mMaterial >= 0) {
            lGroups[{c.mMaterial, c.mTexture1 < 0 ? INT_MAX : c.mTexture1,
                     c.mTexture2 < 0 ? INT_MAX : c.mTexture2}]
                .push_back(lIndex);
        }
    }
    ioObject.mFaceCount = static_cast<uint16_t>(ioObject.mFaces.size());
    for (auto& lGroup : lGroups) {
        Combination c;
        c.mMaterial = std::get<0>(lGroup.first);
        c.mTexture1 = std::get<1>(lGroup.first) == INT_MAX ? -1 : std::get<1>(lGroup.first);
        c.mTexture2 = std::get<2>(lGroup.first) == INT_MAX ? -1 : std::get<2>(lGroup.first);
        ioObject.mMaterialGroups.push_back(
            {KRenamingStrategy3ds::CutAtCharacter(MaterialFor(pMesh, c), kMaterialNameLength),
             std::move(lGroup.second)});
    }
    ioObject.mMaterialGroupCount = static_cast<uint16_t>(ioObject.mMaterialGroups.size());
}

std::unique_ptr<MeshObject3ds> K3dsMeshExport::MakeObject(const Geometry& pGeometry,
                                                          const Part& pPart,
                                                          const std::string& pName, KRyvMesh& pMesh)
{
    auto lObject = std::make_unique<MeshObject3ds>();
    lObject->mName = pName;
    std::copy(pGeometry.mLocal, pGeometry.mLocal + MeshObject3ds::kLocalSize, lObject->mLocal);
    FillFaces(pGeometry, pPart, pMesh, *lObject);
    for (uint32_t lGlobal : pPart.mUsed) {
        lObject->mVertices.push_back(pGeometry.mVertices[lGlobal]);
        if (!pGeometry.mUVs.empty()) {
            lObject->mTexVerts.push_back(pGeometry.mUVs[lGlobal]);
        }
    }
    lObject->mVertexCount = static_cast<uint16_t>(lObject->mVertices.size());
    lObject->mTexCount = static_cast<uint16_t>(lObject->mTexVerts.size());
    return lObject;
}

std::vector<std::unique_ptr<MeshObject3ds>>
K3dsMeshExport::Split(const Geometry& pGeometry, const std::string& pName, KRyvMesh& pMesh)
{
    std::vector<std::unique_ptr<MeshObject3ds>> lParts;
    Part lPart;
    lPart.mLocalOf.assign(pGeometry.mVertices.size(), -1);
    auto lFlush = [&]() {
        if (lPart.mFaces.empty()) {
            return;
        }
        // The further objects of a split mesh need names of their own.
        const std::string lName =
            lParts.empty() || !mSession.mNodeNamer
                ? pName
                : mSession.mNodeNamer->Rename(pName, KRenamingStrategy3ds::kNodeNameLength);
        lParts.push_back(MakeObject(pGeometry, lPart, lName, pMesh));
        for (uint32_t lGlobal : lPart.mUsed) {
            lPart.mLocalOf[lGlobal] = -1;
        }
        lPart.mUsed.clear();
        lPart.mFaces.clear();
    };
    const bool lFits =
        pGeometry.mVertices.size() <= kMaxCount && pGeometry.mTriangles.size() <= kMaxCount;
    if (lFits) {
        // One object keeps every control point in order, used by a face or not.
        for (uint32_t v = 0; v < pGeometry.mVertices.size(); ++v) {
            lPart.mLocalOf[v] = static_cast<int32_t>(v);
            lPart.mUsed.push_back(v);
        }
    }
    for (std::size_t f = 0; f < pGeometry.mTriangles.size(); ++f) {
        const std::array<uint32_t, 3>& lTriangle = pGeometry.mTriangles[f];
        std::size_t lNew = 0;
        for (uint32_t v : lTriangle) {
            lNew += lPart.mLocalOf[v] < 0 ? 1 : 0;
        }
        if (lPart.mUsed.size() + lNew > kMaxCount || lPart.mFaces.size() + 1 > kMaxCount) {
            lFlush();
        }
        lPart.mFaces.push_back(f);
        for (uint32_t v : lTriangle) {
            if (lPart.mLocalOf[v] < 0) {
                lPart.mLocalOf[v] = static_cast<int32_t>(lPart.mUsed.size());
                lPart.mUsed.push_back(v);
            }
        }
    }
    lFlush();
    return lParts;
}

std::string K3dsMeshExport::MaterialFor(KRyvMesh& pMesh, const Combination& pCombination)
{
    const std::tuple<int, int, int> lKey{pCombination.mMaterial, pCombination.mTexture1,
                                         pCombination.mTexture2};
    const auto lBuilt = mBuilt.find(lKey);
    if (lBuilt != mBuilt.end()) {
        return lBuilt->second;
    }
    std::unique_ptr<Material3ds> lMaterial = BuildMaterial(pMesh, pCombination);
    PutMaterial3ds(*mSession.mKit, mSession.mDatabase, lMaterial.get());
    const std::string lName = lMaterial->mName;
    ReleaseMaterial3ds(lMaterial);
    mBuilt.emplace(lKey, lName);
    return lName;
}

std::unique_ptr<Material3ds> K3dsMeshExport::BuildMaterial(KRyvMesh& pMesh,
                                                           const Combination& pCombination)
{
    const int lSecondLayer = pMesh.GetLayerIndexOfType(1, KLayerElement::eTexture);
    KRyvTexture* lTexture1 =
        pCombination.mTexture1 >= 0 ? pMesh.GetTexture(pCombination.mTexture1) : nullptr;
    KRyvTexture* lTexture2 = pCombination.mTexture2 >= 0 && lSecondLayer >= 0
                                 ? pMesh.GetTexture(pCombination.mTexture2, lSecondLayer)
                                 : nullptr;
    int lNumber1 = pCombination.mTexture1;
    const int lNumber2 = pCombination.mTexture2;
    if (!TextureCounts(lTexture1)) {
        lTexture1 = TextureCounts(lTexture2) ? lTexture2 : nullptr;
        lNumber1 = lNumber2;
        lTexture2 = nullptr;
    }
    if (!TextureCounts(lTexture2)) {
        lTexture2 = nullptr;
    }
    std::unique_ptr<Material3ds> lRecord;
    InitMaterial3ds(lRecord);
    KRyvMaterial* lMaterial =
        mDefaultMaterial ? nullptr : pMesh.GetMaterial(pCombination.mMaterial);
    if (lMaterial || mDefaultMaterial) {
        FillColors(lMaterial, *lRecord);
    }
    const std::string lCount = std::to_string(mSession.mMeshCount);
    const std::string lMat = ".Mat" + std::to_string(pCombination.mMaterial);
    if (!lTexture1) {
        lRecord->mName = lMaterial ? mSession.NameOf(lMaterial) : kDefaultMaterialName;
    } else if (!lTexture2) {
        lRecord->mName = lCount + lMat + "Tex" + std::to_string(lNumber1);
    } else {
        lRecord->mName =
            lCount + lMat + "T" + std::to_string(lNumber1) + "T" + std::to_string(lNumber2);
    }
    lRecord->mName = KRenamingStrategy3ds::CutAtCharacter(lRecord->mName, kMaterialNameLength);
    if (lTexture1) {
        PlaceMap(*lTexture1, lNumber1, lRecord->mName, lRecord->mMaps[kMap1Slot]);
        lRecord->mMaps[kMap1Slot].mPercent = 1.0f;
    }
    if (lTexture2) {
        TextureMap3ds& lMap2 = lRecord->mMaps[kMap2Slot];
        PlaceMap(*lTexture2, lNumber2, lRecord->mName, lMap2);
        const double lAlpha = lTexture2->GetDefaultAlpha();
        lMap2.mPercent = static_cast<float>(
            lTexture2->GetBlendMode() == KRyvTexture::eAdditive ? lAlpha * 0.5 : lAlpha);
    }
    return lRecord;
}

void K3dsMeshExport::FillColors(KRyvMaterial* pMaterial, Material3ds& ioRecord)
{
    const KColor lGrey(kDefaultGrey, kDefaultGrey, kDefaultGrey);
    const KColor lBlack(0.0, 0.0, 0.0);
    const KColor lAmbient = pMaterial ? pMaterial->GetAmbientColor() : lGrey;
    const KColor lDiffuse = pMaterial ? pMaterial->GetDiffuseColor() : lGrey;
    const KColor lEmissive = pMaterial ? pMaterial->GetEmissiveColor() : lBlack;
    auto ToColor = [](const KColor& pColor) {
        return Color3ds{static_cast<float>(pColor.mRed), static_cast<float>(pColor.mGreen),
                        static_cast<float>(pColor.mBlue)};
    };
    ioRecord.mAmbient = ToColor(lAmbient);
    ioRecord.mDiffuse = ToColor(lDiffuse);
    const K3dsSpecular lFileSpecular = K3dsSpecular::Of(pMaterial);
    ioRecord.mSpecular = lFileSpecular.mColor;
    ioRecord.mShinStrength = lFileSpecular.mStrength;
    ioRecord.mShininess = static_cast<float>((pMaterial ? pMaterial->GetShininess() : 0.0) * 0.5);
    ioRecord.mSelfIllum =
        static_cast<float>((lEmissive.mRed + lEmissive.mGreen + lEmissive.mBlue) / 3.0);
    ioRecord.mTransparency = static_cast<float>(1.0 - (pMaterial ? pMaterial->GetOpacity() : 1.0));
    ioRecord.mFlags[kTwoSidedFlag] = 1;
}

void K3dsMeshExport::PlaceMap(KRyvTexture& pTexture, int pNumber, const std::string& pMaterial,
                              TextureMap3ds& ioMap)
{
    const std::string lLast = GetFileName(pTexture.GetFileName()).Buffer();
    ioMap.mName = MapFileName(pTexture, pNumber);
    if (ioMap.mName != lLast) {
        *mSession.mMessage +=
            ("Texture name file: \"" + KRenamingStrategy3ds::CutAtCharacter(lLast, kQuotedLength) +
             "\" is too long.\n" + "It is written as \"" + ioMap.mName + "\" in material \"" +
             pMaterial + "\" and copied under that name.\n\n")
                .c_str();
    }
    CopyTextureFile(pTexture, ioMap.mName);
    ioMap.mTiling = pTexture.GetWrapModeU() != KRyvTexture::eRepeat ? K3dsAxes::kTilingDecal
                                                                    : K3dsAxes::kTilingRepeat;
    const double su = K3dsAxes::UsableMapScale(pTexture.GetScaleU());
    const double sv = K3dsAxes::UsableMapScale(pTexture.GetScaleV());
    ioMap.mScale[0] = static_cast<float>(pTexture.GetScaleU());
    ioMap.mScale[1] = static_cast<float>(pTexture.GetScaleV());
    const double tu = pTexture.GetTranslationU();
    const double tv = pTexture.GetTranslationV();
    const double w = pTexture.GetRotationW();
    if (w == 0.0) {
        ioMap.mOffset[0] = static_cast<float>(-(tu / su) - (1.0 - 1.0 / su) * 0.5);
        ioMap.mOffset[1] = static_cast<float>((tv / sv) + (1.0 - 1.0 / sv) * 0.5);
        return;
    }
    // The reader scales, then turns: undone here by turning back first, then dividing by the
    // scales, so that the offsets come back as they were read even when the scales differ.
    KMatrix lTurn;
    MatrixSetIdentity(lTurn);
    EulerToMatrixXYZ(lTurn, 0.0, 0.0, -w);
    KVector4 lPoint;
    VectorMultiplyMatrix3x3(lPoint, lTurn, KVector4(tu - 0.5, tv - 0.5, 0.0));
    ioMap.mOffset[0] = static_cast<float>(-lPoint[0] / su - 0.5);
    ioMap.mOffset[1] = static_cast<float>(lPoint[1] / sv + 0.5);
    ioMap.mRotation = static_cast<float>(-w);
}

std::string K3dsMeshExport::MapFileName(const KRyvTexture& pTexture, int pNumber)
{
    const std::string lPath = pTexture.GetFileName();
    const std::string lLast = GetFileName(lPath.c_str()).Buffer();
    // The map's name field holds 12 characters: the file's own name, else a short stand-in.
    if (lLast.size() <= kMapNameLength) {
        return lLast;
    }
    const auto lGiven = mSession.mShortMapNames.find(lPath);
    if (lGiven != mSession.mShortMapNames.end()) {
        return lGiven->second;
    }
    const std::size_t lDot = lLast.rfind('.');
    const std::string lExtension = lDot == std::string::npos ? std::string() : lLast.substr(lDot);
    int& lNext = mSession.mNextMapNumber[pNumber];
    // Each try moves the number forward, so the loop ends at the first name no other file took.
    for (int lNumber = std::max({pNumber, lNext, 0});; ++lNumber) {
        std::string lName = "Tex" + std::to_string(lNumber);
        if (lName.size() + lExtension.size() <= kMapNameLength) {
            lName += lExtension;
        }
        if (!mSession.mTextureFiles.count(lName)) {
            lNext = lNumber + 1;
            mSession.mShortMapNames.emplace(lPath, lName);
            return lName;
        }
    }
}

bool K3dsMeshExport::CopyTextureFile(const KRyvTexture& pTexture, const std::string& pName)
{
    const std::string lPath = pTexture.GetFileName();
    const auto lKnown = mSession.mTextureFiles.find(pName);
    if (lKnown != mSession.mTextureFiles.end()) {
        if (lKnown->second != lPath) {
            mSession.Warn("texture file \"" +
                          KRenamingStrategy3ds::CutAtCharacter(lPath, kQuotedLength) +
                          "\" not copied: another file of that name was");
        }
        return true;
    }
    mSession.mTextureFiles.emplace(pName, lPath);
    // A device or pipe as the output has no folder to share; the texture stays where it is.
    if (!KSideFile::HasPlaceBeside(mSession.mFileName.c_str())) {
        mSession.Warn("texture file \"" +
                      KRenamingStrategy3ds::CutAtCharacter(lPath, kQuotedLength) +
                      "\" not copied: the output is not a regular file");
        return false;
    }
    const std::string lTarget = KSideFile::GetPathBeside(mSession.mFileName, pName);
    KString lCopyText;
    // The name the file being converted gave tells whether the texture lies in its folder. In
    // the write's group: a write that fails leaves no copy behind.
    switch (KMediaCopy::Copy(lPath.c_str(), pTexture.GetRelativeFileName(), lTarget.c_str(),
                             lCopyText, mSession.mGroup)) {
    case KMediaCopy::eCopied:
    case KMediaCopy::eTargetExists:
        return true;
    case KMediaCopy::eMissing:
        *mSession.mMessage += ("Unable to locate texture file \"" + lPath + "\".\n").c_str();
        return false;
    case KMediaCopy::eWriteFailed:
        *mSession.mMessage += ("Error writing texture file \"" + lTarget + "\".\n").c_str();
        return false;
    default:
        *mSession.mMessage += lCopyText;
        return false;
    }
}
