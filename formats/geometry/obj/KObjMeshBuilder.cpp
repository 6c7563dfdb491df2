#include "formats/geometry/obj/KObjMeshBuilder.h"

#include "io/KReadRollback.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace {

// Distinct triples of one vertex searched linearly before a hash table takes over.
constexpr int kMaxChainLength = 16;

int AddToMesh(KRyvMesh& ioMesh, KRyvMaterial* pMaterial)
{
    return ioMesh.AddMaterial(pMaterial);
}

int AddToMesh(KRyvMesh& ioMesh, KRyvTexture* pTexture)
{
    return ioMesh.AddTexture(pTexture);
}

// The mesh index of a material or texture, which joins the mesh when a face first uses it.
template <class TObject>
int IndexInMesh(KRyvMesh& ioMesh, std::unordered_map<TObject*, int>& ioIndices, TObject* pObject)
{
    auto lFound = ioIndices.find(pObject);
    if (lFound == ioIndices.end()) {
        lFound = ioIndices.emplace(pObject, AddToMesh(ioMesh, pObject)).first;
    }
    return lFound->second;
}

// A generated flat normal is not stored: its corners carry the code of their polygon (always
// below -1, unique per face, so corners of different faces never match) and the mesh's normal
// is worked out from the polygon's points once they are in place.
int FlatNormalCode(std::size_t pPolygon)
{
    return -2 - static_cast<int>(pPolygon);
}

bool IsFlatNormalCode(int pNormal)
{
    return pNormal < -1;
}

KVector4 TriangleNormal(const KVector4& pP0, const KVector4& pP1, const KVector4& pP2)
{
    const KVector4 lA(pP1[0] - pP0[0], pP1[1] - pP0[1], pP1[2] - pP0[2]);
    const KVector4 lB(pP2[0] - pP0[0], pP2[1] - pP0[1], pP2[2] - pP0[2]);
    KVector4 lNormal(lA[1] * lB[2] - lA[2] * lB[1], lA[2] * lB[0] - lA[0] * lB[2],
                     lA[0] * lB[1] - lA[1] * lB[0]);
    const double lLength = std::sqrt(lNormal.DotProduct(lNormal));
    if (lLength > 0.0 && std::isfinite(lLength)) {
        lNormal *= 1.0 / lLength;
    }
    return lNormal;
}

} // namespace

// What a group's mesh is made of besides its polygons, which go into the mesh as the corners are
// matched: one point per distinct (vertex, normal) pair, numbered in the order of their first
// corners. Kept as small as it can be: the mesh's own points and normals are the peak.
struct KObjMeshBuild
{
    // Per point: its vertex in the reader's vertices.
    KObjList<int> mPointVertex;
    // Per point that does not take its face's own flat normal, in point order: its normal in the
    // reader's normals, -1 when none.
    KObjList<int> mPointNormal;
    // Per polygon: its points take the polygon's flat normal.
    std::vector<bool> mFlatPolygons;
    // The texture vertices the mesh uses, in the order of first use.
    std::vector<KVector2> mUVs;
    // Per texture vertex in mUVs, its index in the file.
    KObjList<int> mUVFileIndex;
    // Only when the file has texture vertices: per point, the UV in mUVs of its first corner (-1
    // when none), and the polygon vertices whose UV differs from their point's: a seam. Held so
    // instead of a UV per polygon vertex, as the index array is made when the rest is given back.
    KObjList<int> mPointUV;
    struct Seam
    {
        int mPolygonVertex;
        int mUV;
    };
    std::vector<Seam> mSeams;
    int mPointCount = 0;
};

// The mesh indices of the materials and textures its faces use, each added when first used.
struct KObjMeshIndices
{
    bool mMaterialsByPolygon = false;
    // The index of every polygon when materials are not by polygon.
    int mDefaultMaterial = -1;
    bool mTexturesByPolygon = false;
    std::unordered_map<KRyvMaterial*, int> mMaterials;
    std::unordered_map<KRyvTexture*, int> mTextures;
};

KObjMeshBuilder::KObjMeshBuilder(KRyvObjectFactory* pFactory, KReadRollback& ioRollback,
                                 KObjReadLists& ioLists, bool pLibrarySeen)
    : mFactory(pFactory), mRollback(ioRollback), mVertices(ioLists.mVertices), mUVs(ioLists.mUVs),
      mNormals(ioLists.mNormals), mCorners(ioLists.mCorners), mMaterials(ioLists.mMaterials),
      mLibrarySeen(pLibrarySeen)
{
}

KObjMeshBuilder::~KObjMeshBuilder() = default;

KVector4 KObjMeshBuilder::FaceNormal(const KObjFace& pFace) const
{
    return TriangleNormal(mVertices[mCorners[pFace.mFirst].mVertex],
                          mVertices[mCorners[pFace.mFirst + 1].mVertex],
                          mVertices[mCorners[pFace.mFirst + 2].mVertex]);
}

void KObjMeshBuilder::GenerateNormals(KObjGroup& ioGroup)
{
    for (auto& lEntry : ioGroup.mSets) {
        KObjFaceSet& lSet = lEntry.second;
        if (lEntry.first == 0) {
            // Outside smoothing groups each face lacking normals gets one of its own. The
            // unsmoothed faces come first, so a face's place here is its polygon's.
            for (std::size_t lPolygon = 0; lPolygon < lSet.mFaces.size(); ++lPolygon) {
                const KObjFace& lFace = lSet.mFaces[lPolygon];
                if (lFace.mHasNormals) {
                    continue;
                }
                for (int i = 0; i < lFace.mCount; ++i) {
                    mCorners[lFace.mFirst + i].mNormal = FlatNormalCode(lPolygon);
                }
            }
            continue;
        }
        struct Sum
        {
            KVector4 mNormal;
            bool mLacking = false;
            int mIndex = -1;
        };
        std::unordered_map<int, Sum> lSums;
        for (const KObjFace& lFace : lSet.mFaces) {
            KVector4 lFaceNormal;
            bool lHaveFaceNormal = false;
            for (int i = 0; i < lFace.mCount; ++i) {
                const KObjCorner& lCorner = mCorners[lFace.mFirst + i];
                Sum& lSum = lSums[lCorner.mVertex];
                if (lCorner.mNormal >= 0) {
                    lSum.mNormal += mNormals[lCorner.mNormal];
                    continue;
                }
                if (!lHaveFaceNormal) {
                    lFaceNormal = FaceNormal(lFace);
                    lHaveFaceNormal = true;
                }
                lSum.mNormal += lFaceNormal;
                lSum.mLacking = true;
            }
        }
        for (const KObjFace& lFace : lSet.mFaces) {
            for (int i = 0; i < lFace.mCount; ++i) {
                KObjCorner& lCorner = mCorners[lFace.mFirst + i];
                if (lCorner.mNormal >= 0) {
                    continue;
                }
                Sum& lSum = lSums[lCorner.mVertex];
                if (lSum.mIndex < 0) {
                    KVector4 lNormal = lSum.mNormal;
                    const double lLength = std::sqrt(lNormal.DotProduct(lNormal));
                    if (lLength > 0.0 && std::isfinite(lLength)) {
                        lNormal *= 1.0 / lLength;
                    }
                    lSum.mIndex = static_cast<int>(mNormals.size());
                    mNormals.push_back(lNormal);
                }
                lCorner.mNormal = lSum.mIndex;
            }
        }
    }
}

int KObjMeshBuilder::FindTriple(const KObjCorner& pCorner)
{
    // Sized on first use: a mesh of flat faces never needs the table.
    if (mChains.empty()) {
        mChains.resize(mVertices.size());
    }
    const Chain& lChain = mChains[static_cast<std::size_t>(pCorner.mVertex)];
    if (lChain.mLength > kMaxChainLength) {
        const auto lFound = mLongChains.find({pCorner.mVertex, pCorner.mNormal});
        return lFound == mLongChains.end() ? -1 : lFound->second;
    }
    for (int lTriple = lChain.mHead; lTriple >= 0; lTriple = mTriples[lTriple].mNext) {
        if (mTriples[lTriple].mNormal == pCorner.mNormal) {
            return mTriples[lTriple].mPoint;
        }
    }
    return -1;
}

void KObjMeshBuilder::AddTriple(const KObjCorner& pCorner, int pPoint)
{
    Chain& lChain = mChains[static_cast<std::size_t>(pCorner.mVertex)];
    if (lChain.mHead < 0) {
        mTouchedVertices.push_back(pCorner.mVertex);
    }
    if (mTriples.empty()) {
        // Most corners of a usual mesh share their triple with others, so the points rarely
        // outnumber the file's vertices.
        mTriples.reserve(std::min(mMeshCorners, mVertices.size()));
    }
    mTriples.push_back({pCorner.mNormal, pPoint, lChain.mHead});
    lChain.mHead = static_cast<int>(mTriples.size()) - 1;
    ++lChain.mLength;
    if (lChain.mLength == kMaxChainLength + 1) {
        // Every corner of a vertex may carry a normal of its own (flat shading of a fan), so a
        // chain could grow with the vertex's degree; past a few entries it moves to the table.
        for (int lTriple = lChain.mHead; lTriple >= 0; lTriple = mTriples[lTriple].mNext) {
            const Triple& lMoved = mTriples[lTriple];
            mLongChains.emplace(KObjCornerKey{pCorner.mVertex, lMoved.mNormal}, lMoved.mPoint);
        }
    } else if (lChain.mLength > kMaxChainLength) {
        mLongChains.emplace(KObjCornerKey{pCorner.mVertex, pCorner.mNormal}, pPoint);
    }
}

KRyvMesh* KObjMeshBuilder::Build(KObjGroup& ioGroup, bool pLastGroup)
{
    if (!ioGroup.mAllNormals) {
        GenerateNormals(ioGroup);
    }
    KRyvMesh* lMesh = mFactory->CreateMesh();
    mRollback.AddAttribute(lMesh);
    if (!lMesh) {
        return nullptr;
    }
    KObjMeshBuild lBuild;
    AddPolygons(ioGroup, *lMesh, lBuild);
    // Each step gives back what no later one reads before the next allocates: the mesh's own
    // points and normals are the peak of the read, so nothing else should stand beside them.
    ioGroup.mSets.clear();
    ReleaseTriples();
    for (int lFileUV : lBuild.mUVFileIndex) {
        mMeshUVOf[static_cast<std::size_t>(lFileUV)] = -1;
    }
    KObjList<int>().swap(lBuild.mUVFileIndex);
    if (pLastGroup) {
        KObjList<KObjCorner>().swap(mCorners);
        KObjList<KVector2>().swap(mUVs);
        KObjList<int>().swap(mMeshUVOf);
        KObjList<Chain>().swap(mChains);
        KObjList<int>().swap(mTouchedVertices);
    }
    FillPoints(*lMesh, lBuild);
    if (pLastGroup) {
        KObjList<KVector4>().swap(mVertices);
    }
    FillNormals(*lMesh, lBuild);
    if (pLastGroup) {
        KObjList<KVector4>().swap(mNormals);
    }
    SetUVs(*lMesh, lBuild);
    return lMesh;
}

std::size_t KObjMeshBuilder::InitPolygonIndices(const KObjGroup& pGroup, KRyvMesh& ioMesh,
                                                KObjMeshIndices& oIndices)
{
    std::size_t lFaceCount = 0;
    std::size_t lCornerCount = 0;
    int lFirstMaterial = -1;
    for (const auto& lEntry : pGroup.mSets) {
        lFaceCount += lEntry.second.mFaces.size();
        for (const KObjFace& lFace : lEntry.second.mFaces) {
            lCornerCount += static_cast<std::size_t>(lFace.mCount);
            if (lFace.mMaterial >= 0 && lFirstMaterial < 0) {
                lFirstMaterial = lFace.mMaterial;
            }
        }
    }
    mMeshCorners = lCornerCount;
    const int lFaces = static_cast<int>(std::min<std::size_t>(lFaceCount, INT_MAX));
    ioMesh.ReservePolygons(lFaces, static_cast<int>(std::min<std::size_t>(lCornerCount, INT_MAX)));
    oIndices.mMaterialsByPolygon = mLibrarySeen && lFirstMaterial >= 0;
    if (oIndices.mMaterialsByPolygon) {
        ioMesh.InitMaterialIndices(KRyvMesh::eMappingByPolygon);
        ioMesh.GetLayer(0)->GetMaterials()->GetIndexArray().reserve(lFaceCount);
    } else if (lFirstMaterial >= 0 && mMaterials[lFirstMaterial].mMaterial) {
        ioMesh.InitMaterialIndices(KRyvMesh::eMappingAllSame);
        ioMesh.AddMaterial(mMaterials[lFirstMaterial].mMaterial);
    }
    oIndices.mDefaultMaterial = ioMesh.GetMaterialCount() > 0 ? 0 : -1;
    oIndices.mTexturesByPolygon = pGroup.mSomeTextured;
    if (pGroup.mSomeTextured) {
        ioMesh.InitTextureIndices(KRyvMesh::eMappingByPolygon);
        ioMesh.GetLayer(0)->GetTextures()->GetIndexArray().reserve(lFaceCount);
        if (!pGroup.mAllTextured) {
            if (!mEmptyTexture) {
                mEmptyTexture = mRollback.AddTexture(mFactory->CreateTexture("_empty_"));
                if (mEmptyTexture) {
                    mEmptyTexture->SetDefaultAlpha(0.0);
                }
            }
            oIndices.mTextures[nullptr] = ioMesh.AddTexture(mEmptyTexture);
        }
    }
    return lFaceCount;
}

void KObjMeshBuilder::BeginFacePolygon(const KObjFace& pFace, KRyvMesh& ioMesh,
                                       KObjMeshIndices& ioIndices)
{
    const KObjMaterialEntry* lEntry = pFace.mMaterial >= 0 ? &mMaterials[pFace.mMaterial] : nullptr;
    int lMaterialIndex = ioIndices.mDefaultMaterial;
    if (ioIndices.mMaterialsByPolygon) {
        lMaterialIndex = lEntry && lEntry->mMaterial
                             ? IndexInMesh(ioMesh, ioIndices.mMaterials, lEntry->mMaterial)
                             : 0;
    }
    int lTextureIndex = -1;
    if (ioIndices.mTexturesByPolygon) {
        KRyvTexture* lTexture = lEntry ? lEntry->mTexture : nullptr;
        lTextureIndex = std::max(0, IndexInMesh(ioMesh, ioIndices.mTextures, lTexture));
    }
    ioMesh.BeginPolygon(lMaterialIndex, lTextureIndex, -1);
}

void KObjMeshBuilder::AddPolygons(const KObjGroup& pGroup, KRyvMesh& ioMesh, KObjMeshBuild& oBuild)
{
    KObjMeshIndices lIndices;
    oBuild.mFlatPolygons.reserve(InitPolygonIndices(pGroup, ioMesh, lIndices));
    // Room for a point per corner: pages a mesh of shared points never fills are never touched.
    oBuild.mPointVertex.reserve(mMeshCorners);
    oBuild.mPointNormal.reserve(mMeshCorners);
    if (!mUVs.empty()) {
        oBuild.mPointUV.reserve(mMeshCorners);
    }
    // Polygons are visited by ascending smoothing group, in file order within one.
    for (const auto& lEntry : pGroup.mSets) {
        for (const KObjFace& lFace : lEntry.second.mFaces) {
            BeginFacePolygon(lFace, ioMesh, lIndices);
            oBuild.mFlatPolygons.push_back(IsFlatNormalCode(mCorners[lFace.mFirst].mNormal));
            const int lStart = ioMesh.GetPolygonVertexCount();
            for (int i = 0; i < lFace.mCount; ++i) {
                const int lPoint =
                    AddCorner(lFace, i, ioMesh.GetPolygonVertices() + lStart, oBuild);
                if (!mUVs.empty()) {
                    AddCornerUV(mCorners[lFace.mFirst + i], lPoint, lStart + i, oBuild);
                }
                ioMesh.AddPolygon(lPoint);
            }
        }
    }
}

int KObjMeshBuilder::AddCorner(const KObjFace& pFace, int pCorner, const int* pFacePoints,
                               KObjMeshBuild& ioBuild)
{
    const KObjCorner& lCorner = mCorners[pFace.mFirst + pCorner];
    const bool lFlat = IsFlatNormalCode(lCorner.mNormal);
    // A flat normal is its face's alone, so only an earlier corner of the same face can share
    // the point: a short face is searched in place, a long one through the table.
    const bool lInFace = lFlat && pFace.mCount <= kMaxChainLength;
    if (lInFace) {
        for (int i = 0; i < pCorner; ++i) {
            const KObjCorner& lEarlier = mCorners[pFace.mFirst + i];
            if (lEarlier.mVertex == lCorner.mVertex) {
                return pFacePoints[i];
            }
        }
    } else if (const int lFound = FindTriple(lCorner); lFound >= 0) {
        return lFound;
    }
    const int lPoint = ioBuild.mPointCount++;
    if (!lInFace) {
        AddTriple(lCorner, lPoint);
    }
    ioBuild.mPointVertex.push_back(lCorner.mVertex);
    if (!lFlat) {
        ioBuild.mPointNormal.push_back(lCorner.mNormal);
    }
    return lPoint;
}

void KObjMeshBuilder::AddCornerUV(const KObjCorner& pCorner, int pPoint, int pPolygonVertex,
                                  KObjMeshBuild& ioBuild)
{
    int lMeshUV = -1;
    if (pCorner.mUV >= 0) {
        if (mMeshUVOf.empty()) {
            mMeshUVOf.assign(mUVs.size(), -1);
        }
        int& lKnown = mMeshUVOf[static_cast<std::size_t>(pCorner.mUV)];
        if (lKnown < 0) {
            lKnown = static_cast<int>(ioBuild.mUVs.size());
            ioBuild.mUVs.push_back(mUVs[static_cast<std::size_t>(pCorner.mUV)]);
            ioBuild.mUVFileIndex.push_back(pCorner.mUV);
        }
        lMeshUV = lKnown;
    }
    if (static_cast<std::size_t>(pPoint) == ioBuild.mPointUV.size()) {
        ioBuild.mPointUV.push_back(lMeshUV);
    } else if (ioBuild.mPointUV[static_cast<std::size_t>(pPoint)] != lMeshUV) {
        ioBuild.mSeams.push_back({pPolygonVertex, lMeshUV});
    }
}

void KObjMeshBuilder::ReleaseTriples()
{
    for (int lVertex : mTouchedVertices) {
        mChains[static_cast<std::size_t>(lVertex)] = Chain();
    }
    mTouchedVertices.clear();
    KObjList<Triple>().swap(mTriples);
    mLongChains.clear();
}

void KObjMeshBuilder::FillPoints(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    std::vector<KVector4>& lPoints = ioMesh.GetControlPointArray();
    lPoints.reserve(ioBuild.mPointVertex.size());
    for (int lVertex : ioBuild.mPointVertex) {
        lPoints.push_back(mVertices[static_cast<std::size_t>(lVertex)]);
    }
    KObjList<int>().swap(ioBuild.mPointVertex);
}

void KObjMeshBuilder::FillNormals(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    ioMesh.InitNormals(ioMesh.GetControlPointCount());
    KVector4* lNormals = ioMesh.GetNormalsDirect();
    if (!lNormals) {
        return;
    }
    const KVector4* lPoints = ioMesh.GetControlPoints();
    const int* lPolygonPoints = ioMesh.GetPolygonVertices();
    const int lPolygonCount = ioMesh.GetPolygonCount();
    // A point's first corner is where the running point number reaches it.
    int lNext = 0;
    std::size_t lOwn = 0;
    for (int lPolygon = 0; lPolygon < lPolygonCount; ++lPolygon) {
        const int lSize = ioMesh.GetPolygonSize(lPolygon);
        const bool lFlat = ioBuild.mFlatPolygons[static_cast<std::size_t>(lPolygon)];
        KVector4 lFlatNormal;
        if (lFlat) {
            lFlatNormal = TriangleNormal(lPoints[lPolygonPoints[0]], lPoints[lPolygonPoints[1]],
                                         lPoints[lPolygonPoints[2]]);
        }
        for (int i = 0; i < lSize; ++i) {
            if (lPolygonPoints[i] != lNext) {
                continue;
            }
            if (lFlat) {
                lNormals[lNext] = lFlatNormal;
            } else if (const int lNormal = ioBuild.mPointNormal[lOwn++]; lNormal >= 0) {
                lNormals[lNext] = mNormals[static_cast<std::size_t>(lNormal)];
            }
            ++lNext;
        }
        lPolygonPoints += lSize;
    }
}

void KObjMeshBuilder::SetUVs(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild)
{
    if (ioBuild.mUVs.empty()) {
        return;
    }
    ioMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    KLayerElementUV* lElement = ioMesh.GetLayer(0)->GetUVs();
    const int* lPolygonPoints = ioMesh.GetPolygonVertices();
    std::vector<int>& lIndices = lElement->GetIndexArray();
    lIndices.resize(static_cast<std::size_t>(ioMesh.GetPolygonVertexCount()));
    for (int& lIndex : lIndices) {
        lIndex = ioBuild.mPointUV[static_cast<std::size_t>(*lPolygonPoints++)];
    }
    KObjList<int>().swap(ioBuild.mPointUV);
    // A corner without a texture vertex keeps the index -1, "no UV": a writer then leaves out
    // the UVs of a face that had none rather than invent them.
    for (const KObjMeshBuild::Seam& lSeam : ioBuild.mSeams) {
        lIndices[static_cast<std::size_t>(lSeam.mPolygonVertex)] = lSeam.mUV;
    }
    lElement->GetDirectArray() = std::move(ioBuild.mUVs);
}
