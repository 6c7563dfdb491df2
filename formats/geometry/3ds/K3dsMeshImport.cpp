#include "formats/geometry/3ds/K3dsMeshImport.h"

#include "core/KVector2.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsCornerPoints.h"
#include "formats/geometry/3ds/toolkit/MeshObject3ds.h"
#include "scene/objects/KRyvMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

// A matrix whose determinant is this small has no usable inverse.
constexpr double kSingularDeterminant = 1e-6;

// The inverse of the object's local system (three axis rows, then the origin row) as rows of
// a 3x3 part and a translation: p' = p * A + t.
struct InverseLocal
{
    double mAxes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double mOrigin[3] = {0, 0, 0};

    explicit InverseLocal(const float* pLocal)
    {
        double m[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[r][c] = pLocal[3 * r + c];
            }
        }
        const double lDet = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                            m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                            m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        if (!(std::fabs(lDet) >= kSingularDeterminant)) {
            return;
        }
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                // The cofactor of (c, r) over the determinant.
                const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
                mAxes[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / lDet;
            }
        }
        for (int c = 0; c < 3; ++c) {
            mOrigin[c] =
                -(pLocal[9] * mAxes[0][c] + pLocal[10] * mAxes[1][c] + pLocal[11] * mAxes[2][c]);
        }
        // A mirroring system holds its points mirrored in local X, as 3DS tools store them: they
        // are mirrored back, so that the object reads as those tools draw it.
        if (lDet < 0.0) {
            for (int r = 0; r < 3; ++r) {
                mAxes[r][0] = -mAxes[r][0];
            }
            mOrigin[0] = -mOrigin[0];
        }
    }

    // The point in the object's own system, kit axes. Kept in double: a point rounded to float
    // here would no longer give back the file's vertex when the writer places it again.
    KVector4 Apply(const Point3ds& pPoint) const
    {
        const double p[3] = {pPoint.x, pPoint.y, pPoint.z};
        double q[3];
        for (int c = 0; c < 3; ++c) {
            q[c] = p[0] * mAxes[0][c] + p[1] * mAxes[1][c] + p[2] * mAxes[2][c] + mOrigin[c];
        }
        return KVector4(q[0], q[2], -q[1]);
    }
};

// The points of the object's face corners, split by smoothing group when asked and the object
// has a mask per face.
K3dsCornerPoints SplitCorners(const MeshObject3ds& pObject, bool pSplit)
{
    std::vector<uint32_t> lCorners;
    lCorners.reserve(pObject.mFaces.size() * 3);
    for (const Face3ds& lFace : pObject.mFaces) {
        lCorners.insert(lCorners.end(), {lFace.v1, lFace.v2, lFace.v3});
    }
    const bool lBySmoothing = pSplit && pObject.mSmoothing.size() == pObject.mFaces.size();
    return K3dsCornerPoints::Split(pObject.mVertices.size(), lCorners,
                                   lBySmoothing ? &pObject.mSmoothing : nullptr);
}

// The bits of a file position, -0 counted as 0, to find the vertices that share a position.
std::array<uint32_t, 3> PositionKey(const Point3ds& pPoint)
{
    std::array<uint32_t, 3> lKey;
    const float lCoordinates[3] = {pPoint.x + 0.0f, pPoint.y + 0.0f, pPoint.z + 0.0f};
    std::memcpy(lKey.data(), lCoordinates, sizeof(lCoordinates));
    return lKey;
}

// The root of a point's class in a union-find forest, halving the path on the way.
std::size_t RootOf(std::vector<std::size_t>& ioParent, std::size_t pAt)
{
    while (ioParent[pAt] != pAt) {
        ioParent[pAt] = ioParent[ioParent[pAt]];
        pAt = ioParent[pAt];
    }
    return pAt;
}

// Gives the control points of one run (one file position) the sum of the normals of their
// class: points joined, directly or through others, by a smoothing group they share. Each
// group is walked once, so a run of many points costs no more than 32 steps a point.
void SumRun(const std::vector<uint32_t>& pMaskOf, const uint32_t* pRun, std::size_t pSize,
            std::vector<KVector4>& ioNormals)
{
    std::vector<std::size_t> lParent(pSize);
    for (std::size_t i = 0; i < pSize; ++i) {
        lParent[i] = i;
    }
    constexpr int kGroups = 32;
    for (int lBit = 0; lBit < kGroups; ++lBit) {
        std::size_t lFirst = pSize;
        for (std::size_t i = 0; i < pSize; ++i) {
            if ((pMaskOf[pRun[i]] >> lBit) & 1u) {
                if (lFirst == pSize) {
                    lFirst = i;
                } else {
                    lParent[RootOf(lParent, i)] = RootOf(lParent, lFirst);
                }
            }
        }
    }
    std::vector<KVector4> lSums(pSize);
    for (std::size_t i = 0; i < pSize; ++i) {
        lSums[RootOf(lParent, i)] += ioNormals[pRun[i]];
    }
    for (std::size_t i = 0; i < pSize; ++i) {
        ioNormals[pRun[i]] = lSums[RootOf(lParent, i)];
    }
}

// Sums the normals of control points that stand at one file position and share a smoothing
// group: a vertex split because its corners' texture coordinates differ is still smooth
// across the split, as the tools that split it meant.
void SmoothAcrossSplits(const std::vector<Point3ds>& pVertices, const K3dsCornerPoints& pCorners,
                        std::vector<KVector4>& ioNormals)
{
    const std::size_t lCount = pCorners.mMaskOf.size();
    std::vector<std::pair<std::array<uint32_t, 3>, uint32_t>> lByPosition(lCount);
    for (std::size_t i = 0; i < lCount; ++i) {
        lByPosition[i] = {PositionKey(pVertices[pCorners.mVertexOf[i]]), static_cast<uint32_t>(i)};
    }
    std::sort(lByPosition.begin(), lByPosition.end());
    std::vector<uint32_t> lRun;
    for (std::size_t lStart = 0, lEnd = 0; lStart < lCount; lStart = lEnd) {
        lRun.clear();
        for (lEnd = lStart; lEnd < lCount && lByPosition[lEnd].first == lByPosition[lStart].first;
             ++lEnd) {
            lRun.push_back(lByPosition[lEnd].second);
        }
        if (lRun.size() > 1) {
            SumRun(pCorners.mMaskOf, lRun.data(), lRun.size(), ioNormals);
        }
    }
}

} // namespace

std::vector<KVector4> K3dsMeshImport::Points(const float* pLocal,
                                             const std::vector<Point3ds>& pVertices,
                                             const std::vector<int>& pVertexOf, double pScale)
{
    const InverseLocal lInverse(pLocal);
    std::vector<KVector4> lPoints(pVertexOf.size());
    for (std::size_t i = 0; i < lPoints.size(); ++i) {
        const KVector4 lPoint = lInverse.Apply(pVertices[static_cast<std::size_t>(pVertexOf[i])]);
        lPoints[i] = KVector4(lPoint[0] * pScale, lPoint[1] * pScale, lPoint[2] * pScale, 1.0);
    }
    return lPoints;
}

std::vector<KVector4> K3dsMeshImport::Normals(const std::vector<Point3ds>& pVertices,
                                              const K3dsCornerPoints& pCorners,
                                              const std::vector<KVector4>& pPoints)
{
    std::vector<KVector4> lNormals(pPoints.size());
    for (std::size_t c = 0; c + 2 < pCorners.mCorner.size(); c += 3) {
        const KVector4& p0 = pPoints[pCorners.mCorner[c]];
        const KVector4& p1 = pPoints[pCorners.mCorner[c + 1]];
        const KVector4& p2 = pPoints[pCorners.mCorner[c + 2]];
        // Not normalised, so that larger faces weigh more.
        const KVector4 lNormal = (p2 - p1).CrossProduct(p0 - p1);
        for (int k = 0; k < 3; ++k) {
            lNormals[pCorners.mCorner[c + k]] += lNormal;
        }
    }
    if (!pCorners.mMaskOf.empty()) {
        SmoothAcrossSplits(pVertices, pCorners, lNormals);
    }
    for (KVector4& lNormal : lNormals) {
        lNormal.Normalize();
    }
    return lNormals;
}

void K3dsMeshImport::Fill(const MeshObject3ds& pObject, double pScale, bool pSplitBySmoothing,
                          const std::vector<int>& pFaceMaterial,
                          const std::vector<int>& pFaceTexture, KRyvMesh& ioMesh)
{
    const K3dsCornerPoints lCorners = SplitCorners(pObject, pSplitBySmoothing);
    ioMesh.GetControlPointArray() =
        Points(pObject.mLocal, pObject.mVertices, lCorners.mVertexOf, pScale);
    const std::vector<KVector4> lNormals =
        Normals(pObject.mVertices, lCorners, ioMesh.GetControlPointArray());
    ioMesh.InitNormals(static_cast<int>(lNormals.size()));
    if (KVector4* lDirect = ioMesh.GetNormalsDirect()) {
        std::copy(lNormals.begin(), lNormals.end(), lDirect);
    }
    ioMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    const bool lHasUVs = pObject.mTexVerts.size() == pObject.mVertices.size();
    for (std::size_t v = 0; v < pObject.mVertices.size(); ++v) {
        const TexVert3ds lUV = lHasUVs ? pObject.mTexVerts[v] : TexVert3ds();
        ioMesh.AddTextureUV(KVector2(lUV.u, lUV.v));
    }
    ioMesh.InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    ioMesh.InitTextureIndices(KRyvMesh::eMappingByPolygon);
    for (std::size_t f = 0; f < pObject.mFaces.size(); ++f) {
        ioMesh.BeginPolygon(f < pFaceMaterial.size() ? pFaceMaterial[f] : -1,
                            f < pFaceTexture.size() ? pFaceTexture[f] : -1, -1);
        for (int k = 0; k < 3; ++k) {
            const int lPoint = lCorners.mCorner[3 * f + static_cast<std::size_t>(k)];
            ioMesh.AddPolygon(lPoint, lCorners.mVertexOf[lPoint]);
        }
    }
}
