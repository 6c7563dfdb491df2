#include "scene/objects/KRyvMesh.h"

#include "scene/objects/KRyvLink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>

namespace {

// Finds, for a point, the lowest-indexed inserted point equal to it (KVector4::operator==).
// Points are hashed by cubic cells sixteen tolerances wide into buckets of chained indices; a
// query walks the buckets of every cell that the box of 1.5 tolerances around the point touches
// (one cell mostly). Subtraction, division and floor are monotonic, so an equal point can never
// fall outside the visited cells; cells sharing a bucket only add comparisons. The caller inserts
// only points that match nothing earlier; those lie more than the tolerance apart, so a cell
// holds a bounded number of them and the search stays linear even when thousands of points
// coincide. Plain int buckets keep the table small enough to stay mostly in cache.
class DuplicateGrid
{
public:
    DuplicateGrid(const KVector4* pPoints, size_t pCount) : mPoints(pPoints), mNext(pCount, -1)
    {
        size_t lCapacity = 16;
        while (lCapacity < 2 * pCount) {
            lCapacity *= 2;
        }
        mHeads.assign(lCapacity, -1);
        mMask = lCapacity - 1;
    }

    void Insert(int pIndex)
    {
        const KVector4& lPoint = mPoints[pIndex];
        int& lHead = mHeads[Bucket(Cell(lPoint[0]), Cell(lPoint[1]), Cell(lPoint[2]))];
        mNext[static_cast<size_t>(pIndex)] = lHead;
        lHead = pIndex;
    }

    // -1 when no inserted point equals point pIndex.
    int FindLowestEqual(int pIndex) const
    {
        const KVector4& lPoint = mPoints[pIndex];
        int64_t lLow[3];
        int64_t lHigh[3];
        for (int i = 0; i < 3; ++i) {
            lLow[i] = Cell(lPoint[i] - kMargin);
            lHigh[i] = Cell(lPoint[i] + kMargin);
        }
        int lBest = -1;
        for (int64_t x = lLow[0]; x <= lHigh[0]; ++x) {
            for (int64_t y = lLow[1]; y <= lHigh[1]; ++y) {
                for (int64_t z = lLow[2]; z <= lHigh[2]; ++z) {
                    for (int j = mHeads[Bucket(x, y, z)]; j >= 0; j = mNext[size_t(j)]) {
                        if ((lBest < 0 || j < lBest) && mPoints[j] == lPoint) {
                            lBest = j;
                        }
                    }
                }
            }
        }
        return lBest;
    }

private:
    static constexpr double kMargin = 1.5 * KVector4::kTolerance;
    static constexpr double kCellSize = 16.0 * KVector4::kTolerance;
    // Far cells are clamped (a check before the conversion, which is undefined out of range);
    // a not-a-number coordinate equals nothing, so any cell serves it.
    static constexpr double kCellLimit = 1152921504606846976.0; // 2^60

    static int64_t Cell(double pValue)
    {
        const double lCell = std::floor(pValue / kCellSize);
        if (std::isnan(lCell)) {
            return 0;
        }
        return static_cast<int64_t>(std::clamp(lCell, -kCellLimit, kCellLimit));
    }

    size_t Bucket(int64_t pX, int64_t pY, int64_t pZ) const
    {
        uint64_t lHash = static_cast<uint64_t>(pX) * 0x9E3779B97F4A7C15ULL;
        lHash ^= static_cast<uint64_t>(pY) * 0xC2B2AE3D27D4EB4FULL;
        lHash ^= static_cast<uint64_t>(pZ) * 0x165667B19E3779F9ULL;
        lHash ^= lHash >> 31;
        lHash *= 0xBF58476D1CE4E5B9ULL;
        lHash ^= lHash >> 29;
        return static_cast<size_t>(lHash) & mMask;
    }

    const KVector4* mPoints;
    std::vector<int> mNext;
    std::vector<int> mHeads;
    size_t mMask = 0;
};

// Exact comparisons: the merge keeps a removed point's value only when it differs at all.
bool SameValue(int pA, int pB)
{
    return pA == pB;
}

bool SameValue(const KVector2& pA, const KVector2& pB)
{
    return pA == pB;
}

bool SameValue(const KVector4& pA, const KVector4& pB)
{
    return pA[0] == pB[0] && pA[1] == pB[1] && pA[2] == pB[2] && pA[3] == pB[3];
}

bool SameValue(const KColor& pA, const KColor& pB)
{
    return pA.mRed == pB.mRed && pA.mGreen == pB.mGreen && pA.mBlue == pB.mBlue &&
           pA.mAlpha == pB.mAlpha;
}

// Calls pVisit(element, array) with the array holding one value per control point (pCount of
// them) when the element is mapped by control point: the direct array for reference Direct,
// else the index array.
template <typename T, typename F>
void VisitPerPointArray(KLayerElementTemplate<T>* pElement, size_t pCount, F& pVisit)
{
    if (pElement == nullptr || pElement->GetMappingMode() != KLayerElement::eByControlPoint) {
        return;
    }
    if (pElement->GetReferenceMode() == KLayerElement::eDirect) {
        if (pElement->GetDirectArray().size() == pCount) {
            pVisit(*pElement, pElement->GetDirectArray());
        }
    } else if (pElement->GetIndexArray().size() == pCount) {
        pVisit(*pElement, pElement->GetIndexArray());
    }
}

// The same for a material or texture element, whose direct array is the list of used objects
// (counted in the scene entity), never per-point values: only an index array is visited.
template <typename F> void VisitPerPointIndices(KLayerElement* pElement, size_t pCount, F& pVisit)
{
    if (pElement != nullptr && pElement->GetMappingMode() == KLayerElement::eByControlPoint &&
        pElement->GetReferenceMode() != KLayerElement::eDirect &&
        pElement->GetIndexArray().size() == pCount) {
        pVisit(*pElement, pElement->GetIndexArray());
    }
}

// Every per-control-point array of a container's layers; layer 0's normals are skipped on
// request (the mesh handles them itself).
template <typename F>
void ForEachPerPointArray(KRyvLayerContainer& pContainer, size_t pCount, bool pSkipLayer0Normals,
                          F pVisit)
{
    for (int i = 0; i < pContainer.GetLayerCount(); ++i) {
        KLayer* lLayer = pContainer.GetLayer(i);
        if (lLayer == nullptr) {
            continue;
        }
        if (!(i == 0 && pSkipLayer0Normals)) {
            VisitPerPointArray(lLayer->GetNormals(), pCount, pVisit);
        }
        VisitPerPointIndices(lLayer->GetMaterials(), pCount, pVisit);
        VisitPerPointIndices(lLayer->GetTextures(), pCount, pVisit);
        VisitPerPointArray(lLayer->GetPolygonGroups(), pCount, pVisit);
        VisitPerPointArray(lLayer->GetUVs(), pCount, pVisit);
        VisitPerPointArray(lLayer->GetVertexColors(), pCount, pVisit);
    }
}

// New point pOldCount + k takes the value of point pSources[k].
template <typename T>
void ExtendPerPoint(std::vector<T>& ioValues, size_t pOldCount, const std::vector<int>& pSources)
{
    ioValues.resize(pOldCount + pSources.size());
    for (size_t k = 0; k < pSources.size(); ++k) {
        ioValues[pOldCount + k] = ioValues[static_cast<size_t>(pSources[k])];
    }
}

// Trims per-point values to the kept points when every removed point carried the value of the
// point it merges into; otherwise (or when forced) moves them onto the polygon vertices.
// pVertices are the polygon vertices before re-pointing, all valid points.
template <typename T>
void MergePerPoint(KLayerElement& ioElement, std::vector<T>& ioValues, const std::vector<int>& pMap,
                   size_t pKept, const std::vector<int>& pVertices, bool pForce)
{
    bool lSame = !pForce;
    for (size_t i = pKept; lSame && i < ioValues.size(); ++i) {
        lSame = SameValue(ioValues[i], ioValues[static_cast<size_t>(pMap[i])]);
    }
    if (lSame) {
        ioValues.resize(pKept);
        return;
    }
    std::vector<T> lByVertex;
    lByVertex.reserve(pVertices.size());
    for (int lPoint : pVertices) {
        lByVertex.push_back(ioValues[static_cast<size_t>(lPoint)]);
    }
    ioValues.swap(lByVertex);
    ioElement.SetMappingMode(KLayerElement::eByPolygonVertex);
}

// Position in layer 0's normal direct array of a polygon vertex's normal, -1 when there is none.
int NormalDirectIndex(const KLayerElementNormal& pNormals, int pPolygon, int pPosition, int pPoint)
{
    int lItem = pPosition;
    switch (pNormals.GetMappingMode()) {
    case KLayerElement::eByControlPoint:
        lItem = pPoint;
        break;
    case KLayerElement::eByPolygon:
        lItem = pPolygon;
        break;
    case KLayerElement::eAllSame:
        lItem = 0;
        break;
    default:
        break;
    }
    if (pNormals.GetReferenceMode() == KLayerElement::eIndexToDirect) {
        const std::vector<int>& lIndices = pNormals.GetIndexArray();
        if (lItem < 0 || static_cast<size_t>(lItem) >= lIndices.size()) {
            return -1;
        }
        lItem = lIndices[static_cast<size_t>(lItem)];
    } else if (pNormals.GetReferenceMode() != KLayerElement::eDirect) {
        return -1;
    }
    if (lItem < 0 || static_cast<size_t>(lItem) >= pNormals.GetDirectArray().size()) {
        return -1;
    }
    return lItem;
}

// A per-polygon index element grows with the polygons; direct and other mappings keep theirs.
template <typename TElement>
void RecordPolygonIndex(TElement* pElement, std::size_t pPolygonCount, int pIndex)
{
    if (pElement && pElement->GetMappingMode() == KLayerElement::eByPolygon &&
        pElement->GetReferenceMode() != KLayerElement::eDirect) {
        pElement->GetIndexArray().resize(pPolygonCount);
        pElement->GetIndexArray().back() = pIndex;
    }
}

} // namespace

KRyvMesh::KRyvMesh(KRyvObjectFactory* pFactory) : KRyvGeometry(pFactory)
{
    Reset();
}

KRyvMesh::~KRyvMesh() = default;

KString KRyvMesh::GetTypeName() const
{
    return KString("Mesh");
}

KRyvMesh& KRyvMesh::operator=(const KRyvMesh& pOther)
{
    if (this != &pOther) {
        KRyvGeometry::operator=(pOther);
        mPolygons = pOther.mPolygons;
        mPolygonVertices = pOther.mPolygonVertices;
    }
    return *this;
}

void KRyvMesh::Reset()
{
    mPolygons.clear();
    mPolygonVertices.clear();
    InitControlPoints(0);
    RemoveAllLayers();
}

KLayer* KRyvMesh::GetOrCreateLayer0()
{
    if (GetLayer(0) == nullptr) {
        CreateLayer();
    }
    return GetLayer(0);
}

const KLayer* KRyvMesh::GetLayer0() const
{
    return GetLayer(0);
}

void KRyvMesh::BeginPolygon(int pMaterialIndex, int pTextureIndex, int pGroup)
{
    // Polygon positions are ints; a table that full refuses more.
    if (mPolygons.size() >= static_cast<size_t>(INT_MAX)) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return;
    }
    mPolygons.push_back(KRyvMeshPolygon{GetPolygonVertexCount(), 0, pGroup});
    KLayer* lLayer = GetOrCreateLayer0();
    const bool lFirst = mPolygons.size() == 1;

    if (lLayer->GetMaterials() == nullptr && lFirst && pMaterialIndex != -1) {
        lLayer->SetMaterials(std::make_unique<KLayerElementMaterial>());
    }
    RecordPolygonIndex(lLayer->GetMaterials(), mPolygons.size(), pMaterialIndex);

    if (lLayer->GetTextures() == nullptr && lFirst && pTextureIndex != -1) {
        lLayer->SetTextures(std::make_unique<KLayerElementTexture>());
    }
    RecordPolygonIndex(lLayer->GetTextures(), mPolygons.size(), pTextureIndex);
}

void KRyvMesh::ReservePolygons(int pPolygons, int pPolygonVertices)
{
    mPolygons.reserve(mPolygons.size() + static_cast<std::size_t>(std::max(pPolygons, 0)));
    mPolygonVertices.reserve(mPolygonVertices.size() +
                             static_cast<std::size_t>(std::max(pPolygonVertices, 0)));
}

int KRyvMesh::AddPolygon(int pControlPointIndex, int pUVIndex)
{
    if (mPolygons.empty() || mPolygonVertices.size() >= static_cast<size_t>(INT_MAX)) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return -1;
    }
    mPolygonVertices.push_back(pControlPointIndex);
    if (pUVIndex != -1) {
        KLayer* lLayer = GetOrCreateLayer0();
        if (lLayer->GetUVs() == nullptr) {
            lLayer->SetUVs(std::make_unique<KLayerElementUV>());
        }
        KLayerElementUV* lUVs = lLayer->GetUVs();
        if (lUVs->GetMappingMode() == KLayerElement::eByPolygonVertex &&
            lUVs->GetReferenceMode() == KLayerElement::eIndexToDirect) {
            lUVs->GetIndexArray().resize(mPolygonVertices.size());
            lUVs->GetIndexArray().back() = pUVIndex;
        }
    }
    return ++mPolygons.back().mSize;
}

int KRyvMesh::GetPolygonGroup(int pPolygon) const
{
    if (pPolygon < 0 || pPolygon >= GetPolygonCount()) {
        return -1;
    }
    return mPolygons[static_cast<size_t>(pPolygon)].mGroup;
}

int KRyvMesh::GetPolygonSize(int pPolygon) const
{
    if (pPolygon < 0 || pPolygon >= GetPolygonCount()) {
        return -1;
    }
    return mPolygons[static_cast<size_t>(pPolygon)].mSize;
}

int KRyvMesh::GetPolygonVertex(int pPolygon, int pPosition) const
{
    if (pPolygon < 0 || pPolygon >= GetPolygonCount()) {
        return -1;
    }
    const KRyvMeshPolygon& lPolygon = mPolygons[static_cast<size_t>(pPolygon)];
    if (pPosition < 0 || pPosition >= lPolygon.mSize) {
        return -1;
    }
    const long long lAt = static_cast<long long>(lPolygon.mFirst) + pPosition;
    if (lAt < 0 || lAt >= GetPolygonVertexCount()) {
        return -1;
    }
    return mPolygonVertices[static_cast<size_t>(lAt)];
}

bool KRyvMesh::GetPolygonVertexNormal(int pPolygon, int pPosition, KVector4& oNormal) const
{
    const int lPoint = GetPolygonVertex(pPolygon, pPosition);
    const KLayer* lLayer = GetLayer0();
    if (lPoint == -1 || lLayer == nullptr || lLayer->GetNormals() == nullptr) {
        return false;
    }
    const KLayerElementNormal& lNormals = *lLayer->GetNormals();
    const int lAt = mPolygons[static_cast<size_t>(pPolygon)].mFirst + pPosition;
    const int lItem = NormalDirectIndex(lNormals, pPolygon, lAt, lPoint);
    if (lItem < 0) {
        return false;
    }
    oNormal = lNormals.GetDirectArray()[static_cast<size_t>(lItem)];
    return true;
}

void KRyvMesh::InitMaterialIndices(int pCode)
{
    KLayer* lLayer = GetOrCreateLayer0();
    if (lLayer->GetMaterials() == nullptr) {
        lLayer->SetMaterials(std::make_unique<KLayerElementMaterial>());
    }
    KLayerElementMaterial* lMaterials = lLayer->GetMaterials();
    lMaterials->SetReferenceMode(KLayerElement::eIndexToDirect);
    std::vector<int>& lIndices = lMaterials->GetIndexArray();
    lIndices.clear();
    if (pCode == eMappingByControlPoint) {
        if (GetControlPointCount() > 0) {
            lMaterials->SetMappingMode(KLayerElement::eByControlPoint);
            lIndices.assign(static_cast<size_t>(GetControlPointCount()), 0);
        }
    } else if (pCode == eMappingByPolygon) {
        lMaterials->SetMappingMode(KLayerElement::eByPolygon);
    } else {
        lMaterials->SetMappingMode(KLayerElement::eAllSame);
        lIndices.push_back(0);
    }
}

void KRyvMesh::InitTextureIndices(int pCode)
{
    KLayer* lLayer = GetOrCreateLayer0();
    if (lLayer->GetTextures() == nullptr) {
        lLayer->SetTextures(std::make_unique<KLayerElementTexture>());
    }
    KLayerElementTexture* lTextures = lLayer->GetTextures();
    lTextures->SetReferenceMode(KLayerElement::eIndexToDirect);
    lTextures->GetIndexArray().clear();
    if (pCode == eMappingByPolygon) {
        lTextures->SetMappingMode(KLayerElement::eByPolygon);
    } else {
        lTextures->SetMappingMode(KLayerElement::eAllSame);
        lTextures->GetIndexArray().push_back(0);
    }
}

void KRyvMesh::InitTextureUVIndices(int pCode)
{
    KLayer* lLayer = GetOrCreateLayer0();
    if (lLayer->GetUVs() == nullptr) {
        lLayer->SetUVs(std::make_unique<KLayerElementUV>());
    }
    KLayerElementUV* lUVs = lLayer->GetUVs();
    lUVs->GetDirectArray().clear();
    lUVs->GetIndexArray().clear();
    switch (pCode) {
    case eMappingByControlPoint:
        lUVs->SetMappingMode(KLayerElement::eByControlPoint);
        lUVs->SetReferenceMode(KLayerElement::eDirect);
        break;
    case eMappingByPolygonVertex:
        lUVs->SetMappingMode(KLayerElement::eByPolygonVertex);
        lUVs->SetReferenceMode(KLayerElement::eIndexToDirect);
        break;
    case eMappingAllSame:
        lUVs->SetMappingMode(KLayerElement::eAllSame);
        lUVs->SetReferenceMode(KLayerElement::eDirect);
        break;
    default:
        lUVs->SetMappingMode(KLayerElement::eNone);
        lUVs->SetReferenceMode(KLayerElement::eDirect);
        break;
    }
}

bool KRyvMesh::InitTextureUV(int pCount)
{
    if (pCount > kMaxTextureUVCount) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    KLayer* lLayer = GetOrCreateLayer0();
    if (lLayer->GetUVs() == nullptr) {
        lLayer->SetUVs(std::make_unique<KLayerElementUV>());
    }
    std::vector<KVector2>& lUVs = lLayer->GetUVs()->GetDirectArray();
    lUVs.clear();
    lUVs.resize(static_cast<size_t>(std::max(pCount, 0)));
    return true;
}

int KRyvMesh::AddTextureUV(const KVector2& pUV)
{
    KLayer* lLayer = GetLayer(0);
    if (lLayer == nullptr || lLayer->GetUVs() == nullptr) {
        return 0;
    }
    return lLayer->GetUVs()->Add(pUV[0], pUV[1]);
}

KVector2* KRyvMesh::GetTextureUV()
{
    KLayer* lLayer = GetLayer(0);
    if (lLayer == nullptr || lLayer->GetUVs() == nullptr ||
        lLayer->GetUVs()->GetDirectArray().empty()) {
        return nullptr;
    }
    return lLayer->GetUVs()->GetDirectArray().data();
}

int KRyvMesh::GetTextureUVCount() const
{
    const KLayer* lLayer = GetLayer0();
    if (lLayer == nullptr || lLayer->GetUVs() == nullptr) {
        return 0;
    }
    return static_cast<int>(lLayer->GetUVs()->GetDirectArray().size());
}

int* KRyvMesh::GetMaterialIndices()
{
    KLayer* lLayer = GetLayer(0);
    if (lLayer == nullptr || lLayer->GetMaterials() == nullptr ||
        lLayer->GetMaterials()->GetIndexArray().empty()) {
        return nullptr;
    }
    return lLayer->GetMaterials()->GetIndexArray().data();
}

int* KRyvMesh::GetTextureIndices()
{
    KLayer* lLayer = GetLayer(0);
    if (lLayer == nullptr || lLayer->GetTextures() == nullptr ||
        lLayer->GetTextures()->GetIndexArray().empty()) {
        return nullptr;
    }
    return lLayer->GetTextures()->GetIndexArray().data();
}

int KRyvMesh::GetTextureUVIndex(int pPolygon, int pPosition) const
{
    const KLayer* lLayer = GetLayer0();
    if (lLayer == nullptr || lLayer->GetUVs() == nullptr ||
        GetPolygonVertex(pPolygon, pPosition) == -1) {
        return -1;
    }
    const KLayerElementUV& lUVs = *lLayer->GetUVs();
    if (lUVs.GetMappingMode() != KLayerElement::eByPolygonVertex ||
        lUVs.GetReferenceMode() != KLayerElement::eIndexToDirect) {
        return -1;
    }
    const size_t lAt =
        static_cast<size_t>(mPolygons[static_cast<size_t>(pPolygon)].mFirst + pPosition);
    return lAt < lUVs.GetIndexArray().size() ? lUVs.GetIndexArray()[lAt] : -1;
}

int KRyvMesh::GetMaterialMappingMode() const
{
    const KLayer* lLayer = GetLayer0();
    const int lMode = lLayer && lLayer->GetMaterials() ? lLayer->GetMaterials()->GetMappingMode()
                                                       : KLayerElement::eNone;
    if (lMode == KLayerElement::eByControlPoint) {
        return eMappingByControlPoint;
    }
    return lMode == KLayerElement::eByPolygon ? eMappingByPolygon : eMappingAllSame;
}

int KRyvMesh::GetTextureMappingMode() const
{
    const KLayer* lLayer = GetLayer0();
    const int lMode = lLayer && lLayer->GetTextures() ? lLayer->GetTextures()->GetMappingMode()
                                                      : KLayerElement::eNone;
    return lMode == KLayerElement::eByPolygon ? eMappingByPolygon : eMappingAllSame;
}

int KRyvMesh::GetTextureUVMappingMode() const
{
    const KLayer* lLayer = GetLayer0();
    const int lMode =
        lLayer && lLayer->GetUVs() ? lLayer->GetUVs()->GetMappingMode() : KLayerElement::eNone;
    if (lMode == KLayerElement::eByControlPoint) {
        return eMappingByControlPoint;
    }
    return lMode == KLayerElement::eByPolygonVertex ? eMappingByPolygonVertex : eMappingAllSame;
}

int KRyvMesh::GetNormalsMappingMode() const
{
    const KLayer* lLayer = GetLayer0();
    return lLayer && lLayer->GetNormals() &&
                   lLayer->GetNormals()->GetMappingMode() == KLayerElement::eByPolygonVertex
               ? 1
               : 0;
}

bool KRyvMesh::FindDuplicateControlPoints(std::vector<int>& oMap, bool pAll) const
{
    const int lCount = KRyvLayerContainer::GetControlPointCount();
    oMap.resize(static_cast<size_t>(lCount));
    DuplicateGrid lGrid(KRyvLayerContainer::GetControlPoints(), static_cast<size_t>(lCount));
    bool lFound = false;
    for (int k = 0; k < lCount; ++k) {
        const int lEqual = lGrid.FindLowestEqual(k);
        if (lEqual >= 0) {
            oMap[static_cast<size_t>(k)] = lEqual;
            lFound = true;
        } else {
            oMap[static_cast<size_t>(k)] = k;
            // Without pAll, points past the first duplicate are matched against the points
            // before it only.
            if (pAll || !lFound) {
                lGrid.Insert(k);
            }
        }
    }
    return lFound;
}

void KRyvMesh::BuildControlPointSplitTable(KRyvMeshSplitTable& oTable) const
{
    const int lCount = KRyvLayerContainer::GetControlPointCount();
    oTable.assign(static_cast<size_t>(lCount), {});
    const KLayer* lLayer = GetLayer0();
    const KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    long long lNext = lCount;
    size_t lPolygon = 0;
    for (int p = 0; p < GetPolygonVertexCount(); ++p) {
        while (lPolygon < mPolygons.size() &&
               p >=
                   static_cast<long long>(mPolygons[lPolygon].mFirst) + mPolygons[lPolygon].mSize) {
            ++lPolygon;
        }
        const int lPoint = mPolygonVertices[static_cast<size_t>(p)];
        if (lPoint < 0 || lPoint >= lCount) {
            continue;
        }
        KVector4 lNormal;
        if (lNormals != nullptr) {
            const int lPolygonIndex = lPolygon < mPolygons.size() ? static_cast<int>(lPolygon) : -1;
            const int lItem = NormalDirectIndex(*lNormals, lPolygonIndex, p, lPoint);
            if (lItem >= 0) {
                lNormal = lNormals->GetDirectArray()[static_cast<size_t>(lItem)];
            }
        }
        std::vector<KRyvMeshSplitEntry>& lUses = oTable[static_cast<size_t>(lPoint)];
        if (lUses.empty()) {
            lUses.push_back(KRyvMeshSplitEntry{p, lPoint, lNormal});
        } else if (lNext < INT_MAX) {
            lUses.push_back(KRyvMeshSplitEntry{p, static_cast<int>(lNext++), lNormal});
        }
    }
}

bool KRyvMesh::SplitControlPoints(const KRyvMeshSplitTable& pTable)
{
    const size_t lOldCount = GetControlPointArray().size();
    const size_t lVertexCount = mPolygonVertices.size();
    if (pTable.size() != lOldCount) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }

    // The table must describe this mesh: each entry a distinct polygon vertex of its point,
    // the further entries numbering the new points from the old count up without gaps.
    size_t lExtra = 0;
    for (const std::vector<KRyvMeshSplitEntry>& lUses : pTable) {
        lExtra += lUses.empty() ? 0 : lUses.size() - 1;
    }
    if (lOldCount + lExtra > static_cast<size_t>(INT_MAX)) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    std::vector<int> lSources(lExtra, -1);
    std::vector<char> lPositionSeen(lVertexCount, 0);
    for (size_t i = 0; i < lOldCount; ++i) {
        const std::vector<KRyvMeshSplitEntry>& lUses = pTable[i];
        for (size_t e = 0; e < lUses.size(); ++e) {
            const KRyvMeshSplitEntry& lEntry = lUses[e];
            const bool lPositionOk =
                lEntry.mPosition >= 0 && static_cast<size_t>(lEntry.mPosition) < lVertexCount &&
                !lPositionSeen[static_cast<size_t>(lEntry.mPosition)] &&
                mPolygonVertices[static_cast<size_t>(lEntry.mPosition)] == static_cast<int>(i);
            if (!lPositionOk) {
                GetError().SetLastErrorID(kParameterOutOfRange);
                return false;
            }
            lPositionSeen[static_cast<size_t>(lEntry.mPosition)] = 1;
            if (e == 0) {
                continue;
            }
            const long long lNew =
                static_cast<long long>(lEntry.mIndex) - static_cast<long long>(lOldCount);
            if (lNew < 0 || static_cast<size_t>(lNew) >= lExtra ||
                lSources[static_cast<size_t>(lNew)] != -1) {
                GetError().SetLastErrorID(kParameterOutOfRange);
                return false;
            }
            lSources[static_cast<size_t>(lNew)] = static_cast<int>(i);
        }
    }
    const size_t lNewCount = lOldCount + lExtra;

    // Skin: each further use carries the weights of the point it copies.
    for (int l = 0; l < GetLinkCount(); ++l) {
        KRyvLink* lLink = GetLink(l);
        if (lLink == nullptr) {
            continue;
        }
        std::vector<int>& lIndices = lLink->GetControlPointIndexArray();
        std::vector<double>& lWeights = lLink->GetControlPointWeightArray();
        const size_t lPairs = std::min(lIndices.size(), lWeights.size());
        for (size_t k = 0; k < lPairs; ++k) {
            const int lPoint = lIndices[k];
            if (lPoint < 0 || static_cast<size_t>(lPoint) >= lOldCount) {
                continue;
            }
            const std::vector<KRyvMeshSplitEntry>& lUses = pTable[static_cast<size_t>(lPoint)];
            const double lWeight = lWeights[k];
            for (size_t e = 1; e < lUses.size(); ++e) {
                lIndices.push_back(lUses[e].mIndex);
                lWeights.push_back(lWeight);
            }
        }
    }

    KLayer* lLayer = GetLayer(0);
    KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    const auto lExtend = [&](KLayerElement&, auto& ioValues) {
        ExtendPerPoint(ioValues, lOldCount, lSources);
    };
    ForEachPerPointArray(*this, lOldCount, lNormals != nullptr, lExtend);

    for (int s = 0; s < GetShapeCount(); ++s) {
        KRyvLayerContainer* lShape = GetShape(s);
        if (lShape == nullptr) {
            continue;
        }
        std::vector<KVector4>& lPoints = lShape->GetControlPointArray();
        const size_t lShapeCount = lPoints.size();
        lPoints.resize(lNewCount);
        for (size_t k = 0; k < lExtra; ++k) {
            if (static_cast<size_t>(lSources[k]) < lShapeCount) {
                lPoints[lOldCount + k] = lPoints[static_cast<size_t>(lSources[k])];
            }
        }
        ForEachPerPointArray(*lShape, lOldCount, false, lExtend);
    }

    std::vector<KVector4>& lPoints = GetControlPointArray();
    lPoints.resize(lNewCount);
    for (size_t k = 0; k < lExtra; ++k) {
        lPoints[lOldCount + k] = lPoints[static_cast<size_t>(lSources[k])];
    }

    if (lNormals != nullptr) {
        std::vector<KVector4> lByPoint;
        if (lNormals->GetMappingMode() == KLayerElement::eByControlPoint &&
            lNormals->GetReferenceMode() == KLayerElement::eDirect &&
            lNormals->GetDirectArray().size() == lOldCount) {
            lByPoint = lNormals->GetDirectArray();
        }
        lByPoint.resize(lNewCount);
        for (size_t i = 0; i < lOldCount; ++i) {
            const std::vector<KRyvMeshSplitEntry>& lUses = pTable[i];
            for (size_t e = 0; e < lUses.size(); ++e) {
                const size_t lPoint = e == 0 ? i : static_cast<size_t>(lUses[e].mIndex);
                lByPoint[lPoint] = lUses[e].mNormal;
            }
        }
        lNormals->GetDirectArray().swap(lByPoint);
        lNormals->GetIndexArray().clear();
        lNormals->SetMappingMode(KLayerElement::eByControlPoint);
        lNormals->SetReferenceMode(KLayerElement::eDirect);
    }

    for (const std::vector<KRyvMeshSplitEntry>& lUses : pTable) {
        for (size_t e = 1; e < lUses.size(); ++e) {
            mPolygonVertices[static_cast<size_t>(lUses[e].mPosition)] = lUses[e].mIndex;
        }
    }
    return true;
}

bool KRyvMesh::MergeDuplicateControlPoints(const std::vector<int>& pMap)
{
    const size_t lCount = GetControlPointArray().size();
    if (pMap.size() != lCount) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    size_t lKept = 0;
    while (lKept < lCount && pMap[lKept] == static_cast<int>(lKept)) {
        ++lKept;
    }
    if (lKept == lCount) {
        // Nothing to merge: the normals keep their mapping.
        return true;
    }

    // Merging removes every point from D on, so each of them must be a duplicate of a kept point
    // with a single polygon vertex; coincident but distinct points (seams) do not qualify.
    std::vector<unsigned char> lUses(lCount, 0);
    for (int lPoint : mPolygonVertices) {
        if (lPoint < 0 || static_cast<size_t>(lPoint) >= lCount) {
            GetError().SetLastErrorID(kParameterOutOfRange);
            return false;
        }
        unsigned char& lUse = lUses[static_cast<size_t>(lPoint)];
        lUse = static_cast<unsigned char>(std::min(lUse + 1, 2));
    }
    for (size_t i = lKept; i < lCount; ++i) {
        if (pMap[i] < 0 || static_cast<size_t>(pMap[i]) >= lKept || lUses[i] != 1) {
            GetError().SetLastErrorID(kParameterOutOfRange);
            return false;
        }
    }

    KLayer* lLayer = GetLayer(0);
    KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    const auto lMergeNormals = [&](KLayerElement& ioElement, auto& ioValues) {
        MergePerPoint(ioElement, ioValues, pMap, lKept, mPolygonVertices, true);
    };
    const auto lMerge = [&](KLayerElement& ioElement, auto& ioValues) {
        MergePerPoint(ioElement, ioValues, pMap, lKept, mPolygonVertices, false);
    };
    if (lNormals != nullptr) {
        VisitPerPointArray(lNormals, lCount, lMergeNormals);
    }
    ForEachPerPointArray(*this, lCount, true, lMerge);
    for (int s = 0; s < GetShapeCount(); ++s) {
        KRyvLayerContainer* lShape = GetShape(s);
        if (lShape != nullptr) {
            ForEachPerPointArray(*lShape, lCount, false, lMerge);
            lShape->GetControlPointArray().resize(lKept);
        }
    }

    for (int& lPoint : mPolygonVertices) {
        lPoint = pMap[static_cast<size_t>(lPoint)];
    }

    for (int l = 0; l < GetLinkCount(); ++l) {
        KRyvLink* lLink = GetLink(l);
        if (lLink == nullptr) {
            continue;
        }
        std::vector<int>& lIndices = lLink->GetControlPointIndexArray();
        std::vector<double>& lWeights = lLink->GetControlPointWeightArray();
        const size_t lPairs = std::min(lIndices.size(), lWeights.size());
        size_t lKeptPairs = 0;
        for (size_t k = 0; k < lPairs; ++k) {
            if (lIndices[k] >= 0 && static_cast<size_t>(lIndices[k]) < lKept) {
                lIndices[lKeptPairs] = lIndices[k];
                lWeights[lKeptPairs] = lWeights[k];
                ++lKeptPairs;
            }
        }
        lIndices.resize(lKeptPairs);
        lWeights.resize(lKeptPairs);
    }

    GetControlPointArray().resize(lKept);
    return true;
}

bool KRyvMesh::SwapPolygons(std::vector<KRyvMeshPolygon>& ioPolygons, std::vector<int>& ioVertices)
{
    const auto lMax = static_cast<std::size_t>(INT_MAX);
    if (ioPolygons.size() > lMax || ioVertices.size() > lMax) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    const int lVertexCount = static_cast<int>(ioVertices.size());
    int lFirst = 0;
    for (KRyvMeshPolygon& lPolygon : ioPolygons) {
        if (lPolygon.mSize < 0 || lPolygon.mSize > lVertexCount - lFirst) {
            GetError().SetLastErrorID(kParameterOutOfRange);
            return false;
        }
        lPolygon.mFirst = lFirst;
        lFirst += lPolygon.mSize;
    }
    // One unsigned comparison finds negative indices too; the flag is gathered rather than
    // tested per vertex, so the loop stays a straight pass.
    const auto lPointCount = static_cast<unsigned>(GetControlPointCount());
    bool lOutside = false;
    for (const int lVertex : ioVertices) {
        lOutside |= static_cast<unsigned>(lVertex) >= lPointCount;
    }
    if (lFirst != lVertexCount || lOutside) {
        GetError().SetLastErrorID(kParameterOutOfRange);
        return false;
    }
    mPolygons.swap(ioPolygons);
    mPolygonVertices.swap(ioVertices);
    return true;
}
