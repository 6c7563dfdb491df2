#include "scene/objects/KRyvGeometryConverter.h"

#include "scene/objects/KPolygonSplitter.h"

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
#include "scene/objects/KRyvTessellator.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kErrorTable[KRyvGeometryConverter::kErrorCount] = {
    "Parameter is null",
    "Node has no mesh, patch or NURBS surface",
    "Invalid surface",
    "Patch basis has no NURBS form",
    "Control point count does not fit the basis",
    "Object creation failed",
};

// Rewrites an element of the triangulated mesh from the source's element of the same layer and
// type: entries per polygon vertex or per polygon are taken from the source position the map
// names. Material and texture elements keep their direct array (the list of references).
template <class T>
void RemapElement(KLayerElementTemplate<T>* ioTarget, const KLayerElementTemplate<T>* pSource,
                  const std::vector<int>& pVertexMap, const std::vector<int>& pPolygonMap,
                  bool pReferenceList)
{
    if (ioTarget == nullptr || pSource == nullptr) {
        return;
    }
    const std::vector<int>* lMap = nullptr;
    if (pSource->GetMappingMode() == KLayerElement::eByPolygonVertex) {
        lMap = &pVertexMap;
    } else if (pSource->GetMappingMode() == KLayerElement::eByPolygon) {
        lMap = &pPolygonMap;
    }
    if (lMap == nullptr) {
        return;
    }
    if (pSource->GetReferenceMode() == KLayerElement::eDirect) {
        if (pReferenceList) {
            return;
        }
        const std::vector<T>& lFrom = pSource->GetDirectArray();
        std::vector<T>& lTo = ioTarget->GetDirectArray();
        lTo.assign(lMap->size(), T());
        for (size_t i = 0; i < lMap->size(); ++i) {
            const size_t lAt = static_cast<size_t>((*lMap)[i]);
            if (lAt < lFrom.size()) {
                lTo[i] = lFrom[lAt];
            }
        }
        return;
    }
    const std::vector<int>& lFrom = pSource->GetIndexArray();
    std::vector<int>& lTo = ioTarget->GetIndexArray();
    lTo.assign(lMap->size(), -1);
    for (size_t i = 0; i < lMap->size(); ++i) {
        const size_t lAt = static_cast<size_t>((*lMap)[i]);
        if (lAt < lFrom.size()) {
            lTo[i] = lFrom[lAt];
        }
    }
}

void RemapLayers(KRyvMesh& ioTarget, const KRyvMesh& pSource, const std::vector<int>& pVertexMap,
                 const std::vector<int>& pPolygonMap)
{
    const int lCount = std::min(ioTarget.GetLayerCount(), pSource.GetLayerCount());
    for (int i = 0; i < lCount; ++i) {
        KLayer* lTo = ioTarget.GetLayer(i);
        const KLayer* lFrom = pSource.GetLayer(i);
        if (lTo == nullptr || lFrom == nullptr) {
            continue;
        }
        RemapElement(lTo->GetNormals(), lFrom->GetNormals(), pVertexMap, pPolygonMap, false);
        RemapElement(lTo->GetUVs(), lFrom->GetUVs(), pVertexMap, pPolygonMap, false);
        RemapElement(lTo->GetVertexColors(), lFrom->GetVertexColors(), pVertexMap, pPolygonMap,
                     false);
        RemapElement(lTo->GetPolygonGroups(), lFrom->GetPolygonGroups(), pVertexMap, pPolygonMap,
                     false);
        RemapElement(lTo->GetMaterials(), lFrom->GetMaterials(), pVertexMap, pPolygonMap, true);
        RemapElement(lTo->GetTextures(), lFrom->GetTextures(), pVertexMap, pPolygonMap, true);
    }
}

// Knots of a patch direction in NURBS form, exactly pCount of them.
void FillKnots(double* oKnots, int pCount, int pBasis)
{
    std::vector<double> lKnots;
    if (pBasis == KRyvPatch::eBezier) {
        // Knot k three times for every segment boundary; a closed direction's formula would run
        // one knot past the vector, which the cut below leaves out.
        lKnots.push_back(0.0);
        for (int k = 0; k < pCount / 3; ++k) {
            lKnots.insert(lKnots.end(), 3, static_cast<double>(k));
        }
        lKnots.push_back(pCount / 3 - 1);
    } else if (pBasis == KRyvPatch::eBSpline) {
        for (int k = 0; k < pCount; ++k) {
            lKnots.push_back(k);
        }
    } else {
        lKnots.push_back(0.0);
        for (int k = 0; k <= pCount - 3; ++k) {
            lKnots.push_back(k);
        }
        lKnots.push_back(std::max(pCount - 3, 0));
    }
    for (int i = 0; i < pCount; ++i) {
        oKnots[i] =
            static_cast<size_t>(i) < lKnots.size() ? lKnots[static_cast<size_t>(i)] : lKnots.back();
    }
}

struct KeptCurve
{
    KRyvTakeNode* mTake;
    KString mShapeName;
    KFCurve* mCurve;
};

int FindShape(KRyvGeometry& pGeometry, const KString& pName)
{
    for (int i = 0; i < pGeometry.GetShapeCount(); ++i) {
        const char* lName = pGeometry.GetShapeName(i);
        if (lName != nullptr && pName == lName) {
            return i;
        }
    }
    return -1;
}

} // namespace

KRyvGeometryConverter::KRyvGeometryConverter(KRyvObjectFactory* pFactory)
    : mFactory(pFactory), mError(kErrorTable, kErrorCount)
{
}

void KRyvGeometryConverter::BuildTrianglePattern(std::vector<int>& oTable, int pCount)
{
    oTable.clear();
    if (pCount < 3) {
        return;
    }
    oTable.reserve(static_cast<size_t>(3 * (pCount - 2)));
    oTable.insert(oTable.end(), {0, 1, 2});
    if (pCount == 3) {
        return;
    }
    oTable.insert(oTable.end(), {2, 3, 0});
    // What is left is 0, 3, 4, ..., n-1: a strip over 0, 3, n-1, 4, n-2, ... with every other
    // triangle turned so that all keep the polygon's winding.
    std::vector<int> lStrip{0};
    int lLow = 3;
    int lHigh = pCount - 1;
    while (lLow <= lHigh) {
        lStrip.push_back(lLow++);
        if (lLow <= lHigh) {
            lStrip.push_back(lHigh--);
        }
    }
    for (size_t k = 0; k + 2 < lStrip.size(); ++k) {
        if (k % 2 == 0) {
            oTable.insert(oTable.end(), {lStrip[k], lStrip[k + 1], lStrip[k + 2]});
        } else {
            oTable.insert(oTable.end(), {lStrip[k], lStrip[k + 2], lStrip[k + 1]});
        }
    }
}

KRyvMesh* KRyvGeometryConverter::TriangulateMesh(KRyvMesh* pMesh)
{
    if (pMesh == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    KRyvMesh* lMesh = mFactory->CreateMesh();
    if (lMesh == nullptr) {
        mError.SetLastErrorID(kCreationFailed);
        return nullptr;
    }
    // The geometry part only: the polygons are rebuilt below.
    static_cast<KRyvGeometry&>(*lMesh) = *pMesh;

    const std::vector<KVector4>& lPoints = pMesh->GetControlPointArray();
    const int* lVertices = pMesh->GetPolygonVertices();
    const int lVertexCount = pMesh->GetPolygonVertexCount();
    std::vector<int> lVertexMap;
    std::vector<int> lPolygonMap;
    lVertexMap.reserve(static_cast<size_t>(lVertexCount));
    lPolygonMap.reserve(static_cast<size_t>(pMesh->GetPolygonCount()));
    std::vector<int> lCorners;
    KPolygonSplitter lSplitter;
    int lFirst = 0;
    for (int p = 0; p < pMesh->GetPolygonCount(); ++p) {
        const int lSize = pMesh->GetPolygonSize(p);
        if (lSize < 0 || lSize > lVertexCount - lFirst) {
            break;
        }
        if (lSize < 4) {
            lMesh->BeginPolygon(-1, -1, -1);
            lPolygonMap.push_back(p);
            for (int k = 0; k < lSize; ++k) {
                lMesh->AddPolygon(lVertices[lFirst + k]);
                lVertexMap.push_back(lFirst + k);
            }
        } else {
            lSplitter.Split(lPoints, lVertices + lFirst, lSize, lCorners);
            for (size_t c = 0; c + 2 < lCorners.size(); c += 3) {
                lMesh->BeginPolygon(-1, -1, -1);
                lPolygonMap.push_back(p);
                for (size_t k = c; k < c + 3; ++k) {
                    const int lAt = lFirst + lCorners[k];
                    lMesh->AddPolygon(lVertices[lAt]);
                    lVertexMap.push_back(lAt);
                }
            }
        }
        lFirst += lSize;
    }
    RemapLayers(*lMesh, *pMesh, lVertexMap, lPolygonMap);
    return lMesh;
}

KRyvMesh* KRyvGeometryConverter::ConvertPatchToMesh(KRyvPatch* pPatch)
{
    KRyvTessellator lTessellator(mFactory);
    KRyvMesh* lMesh = lTessellator.TessellatePatch(pPatch);
    if (lMesh == nullptr) {
        static const int kCodes[KRyvTessellator::kErrorCount] = {kParameterIsNull, kInvalidSurface,
                                                                 kCreationFailed};
        const int lCode = lTessellator.GetError().GetLastErrorID();
        mError.SetLastError(lCode >= 0 && lCode < KRyvTessellator::kErrorCount ? kCodes[lCode]
                                                                               : kInvalidSurface,
                            lTessellator.GetError().GetLastErrorString().Buffer());
    }
    return lMesh;
}

KRyvMesh* KRyvGeometryConverter::ConvertNurbToMesh(KRyvNurb* pNurb)
{
    KRyvTessellator lTessellator(mFactory);
    KRyvMesh* lMesh = lTessellator.TessellateNurb(pNurb);
    if (lMesh == nullptr) {
        static const int kCodes[KRyvTessellator::kErrorCount] = {kParameterIsNull, kInvalidSurface,
                                                                 kCreationFailed};
        const int lCode = lTessellator.GetError().GetLastErrorID();
        mError.SetLastError(lCode >= 0 && lCode < KRyvTessellator::kErrorCount ? kCodes[lCode]
                                                                               : kInvalidSurface,
                            lTessellator.GetError().GetLastErrorString().Buffer());
    }
    return lMesh;
}

KRyvNurb* KRyvGeometryConverter::TransposeNurb(KRyvNurb* pNurb, bool pExchangeUV, bool pRemapLinks)
{
    if (pNurb == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    // The knot and multiplicity arrays are only known to be as long as the counts say when the
    // surface is valid; exchanging them otherwise could read past their ends.
    if (pExchangeUV && !pNurb->IsValid()) {
        mError.SetLastErrorID(kInvalidSurface);
        return nullptr;
    }
    KRyvNurb* lCopy = mFactory->CreateNurb();
    if (lCopy == nullptr) {
        mError.SetLastErrorID(kCreationFailed);
        return nullptr;
    }
    *lCopy = *pNurb;
    const int lU = pNurb->GetUCount();
    const int lV = pNurb->GetVCount();
    if (pExchangeUV) {
        lCopy->SetOrder(pNurb->GetVOrder(), pNurb->GetUOrder());
        lCopy->SetStep(pNurb->GetVStep(), pNurb->GetUStep());
        lCopy->InitControlPoints(lV, pNurb->GetVType(), lU, pNurb->GetUType());
        std::copy_n(pNurb->GetVKnotVector(), lCopy->GetUKnotCount(), lCopy->GetUKnotVector());
        std::copy_n(pNurb->GetUKnotVector(), lCopy->GetVKnotCount(), lCopy->GetVKnotVector());
        std::copy_n(pNurb->GetVMultiplicity(), lV, lCopy->GetUMultiplicity());
        std::copy_n(pNurb->GetUMultiplicity(), lU, lCopy->GetVMultiplicity());
        const KVector4* lFrom = pNurb->GetControlPoints();
        KVector4* lTo = lCopy->GetControlPoints();
        for (int r = 0; r < lU; ++r) {
            for (int c = 0; c < lV; ++c) {
                lTo[r * lV + c] = lFrom[c * lU + r];
            }
        }
    }
    if (pRemapLinks) {
        const long long lGrid = static_cast<long long>(lU) * lV;
        for (int l = 0; l < lCopy->GetLinkCount(); ++l) {
            for (int& lIndex : lCopy->GetLink(l)->GetControlPointIndexArray()) {
                if (lIndex >= 0 && lIndex < lGrid) {
                    lIndex = (lIndex % lU) * lV + lIndex / lU;
                }
            }
        }
    }
    return lCopy;
}

KRyvNurb* KRyvGeometryConverter::ConvertPatchToNurb(KRyvPatch* pPatch)
{
    if (pPatch == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    struct DirectionForm
    {
        int mBasis;
        int mCount;
        bool mClosed;
        int mOrder;
        int mType;
    };
    DirectionForm lForms[2] = {
        {pPatch->GetUType(), pPatch->GetUCount(), pPatch->GetUClosed(), 0, 0},
        {pPatch->GetVType(), pPatch->GetVCount(), pPatch->GetVClosed(), 0, 0},
    };
    for (DirectionForm& lForm : lForms) {
        switch (lForm.mBasis) {
        case KRyvPatch::eBezier:
            lForm.mOrder = 4;
            lForm.mType = KRyvNurb::eOpen;
            break;
        case KRyvPatch::eBSpline:
            lForm.mOrder = 4;
            lForm.mType = lForm.mClosed ? KRyvNurb::ePeriodic : KRyvNurb::eOpen;
            break;
        case KRyvPatch::eLinear:
            lForm.mOrder = 2;
            lForm.mType = lForm.mClosed ? KRyvNurb::eClosed : KRyvNurb::eOpen;
            break;
        default:
            mError.SetLastErrorID(kNoNurbsForm);
            return nullptr;
        }
        // Bezier segments take 3 points each, plus the end point when open.
        const bool lBezierFits =
            lForm.mBasis != KRyvPatch::eBezier || lForm.mCount % 3 == (lForm.mClosed ? 0 : 1);
        if (lForm.mCount < 1 || !lBezierFits ||
            (lForm.mType == KRyvNurb::eOpen && lForm.mCount < lForm.mOrder)) {
            mError.SetLastErrorID(kInvalidPointCount);
            return nullptr;
        }
    }
    if (static_cast<long long>(pPatch->GetControlPointCount()) !=
        static_cast<long long>(lForms[0].mCount) * lForms[1].mCount) {
        mError.SetLastErrorID(kInvalidPointCount);
        return nullptr;
    }

    KRyvNurb* lNurb = mFactory->CreateNurb();
    if (lNurb == nullptr) {
        mError.SetLastErrorID(kCreationFailed);
        return nullptr;
    }
    lNurb->CopyLinks(*pPatch);
    lNurb->CopyShapes(*pPatch);
    lNurb->CopyLayers(*pPatch);
    lNurb->CopyPivot(*pPatch);
    lNurb->SetOrder(lForms[0].mOrder, lForms[1].mOrder);
    if (!lNurb->InitControlPoints(lForms[0].mCount, lForms[0].mType, lForms[1].mCount,
                                  lForms[1].mType)) {
        mFactory->DestroyNodeAttribute(lNurb);
        mError.SetLastErrorID(kInvalidPointCount);
        return nullptr;
    }
    lNurb->SetStep(pPatch->GetUStep(), pPatch->GetVStep());
    FillKnots(lNurb->GetUKnotVector(), lNurb->GetUKnotCount(), lForms[0].mBasis);
    FillKnots(lNurb->GetVKnotVector(), lNurb->GetVKnotCount(), lForms[1].mBasis);
    std::vector<KVector4>& lPoints = lNurb->GetControlPointArray();
    lPoints = pPatch->GetControlPointArray();
    for (KVector4& lPoint : lPoints) {
        lPoint.GetData()[3] = 1.0;
    }
    for (int s = 0; s < lNurb->GetShapeCount(); ++s) {
        KRyvLayerContainer* lShape = lNurb->GetShape(s);
        for (KVector4& lPoint : lShape->GetControlPointArray()) {
            if (!(lPoint.GetData()[3] > 0.0)) {
                lPoint.GetData()[3] = 1.0;
            }
        }
        KVector4* lNormals = lShape->GetNormalsDirect();
        for (int n = 0; lNormals != nullptr && n < lShape->GetNormalsDirectCount(); ++n) {
            if (!(lNormals[n].GetData()[3] > 0.0)) {
                lNormals[n].GetData()[3] = 1.0;
            }
        }
    }
    return lNurb;
}

bool KRyvGeometryConverter::ReplaceGeometry(KRyvNode& ioNode, KRyvGeometry& ioOld,
                                            KRyvGeometry& ioNew)
{
    // The shape channels go with the old attribute when it is detached: keep copies first.
    // Take 0 is kept too, since its curves hold the static shape weights.
    std::vector<KeptCurve> lKept;
    for (int t = 0; t < ioNode.GetTakeNodeCount(); ++t) {
        KRyvTakeNode* lTake = ioNode.GetTakeNode(t);
        for (int s = 0; lTake != nullptr && s < ioOld.GetShapeCount(); ++s) {
            const KFCurve* lCurve = ioOld.GetShapeChannel(lTake, s);
            const char* lName = ioOld.GetShapeName(s);
            if (lCurve != nullptr && lName != nullptr) {
                KFCurve* lCopy = lCurve->Copy(KTime::kMinusInfinity, KTime::kInfinity);
                if (lCopy != nullptr) {
                    lKept.push_back(KeptCurve{lTake, KString(lName), lCopy});
                }
            }
        }
    }
    ioNode.SetNodeAttribute(&ioNew);
    for (KeptCurve& lEntry : lKept) {
        const int lShape = FindShape(ioNew, lEntry.mShapeName);
        KFCurve* lTarget = lShape >= 0 ? ioNew.GetShapeChannel(lEntry.mTake, lShape) : nullptr;
        if (lTarget != nullptr) {
            lTarget->CopyFrom(*lEntry.mCurve, true);
        }
        KFCurve::Destroy(lEntry.mCurve);
    }
    mFactory->DestroyNodeAttribute(&ioOld);
    return true;
}

bool KRyvGeometryConverter::TriangulateInPlace(KRyvNode* pNode)
{
    if (pNode == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return false;
    }
    auto* lOld = dynamic_cast<KRyvGeometry*>(pNode->GetNodeAttribute());
    KRyvGeometry* lNew = nullptr;
    if (auto* lMesh = dynamic_cast<KRyvMesh*>(lOld)) {
        lNew = TriangulateMesh(lMesh);
    } else if (auto* lPatch = dynamic_cast<KRyvPatch*>(lOld)) {
        lNew = ConvertPatchToMesh(lPatch);
    } else if (auto* lNurb = dynamic_cast<KRyvNurb*>(lOld)) {
        lNew = ConvertNurbToMesh(lNurb);
    } else {
        mError.SetLastErrorID(kNoGeometry);
        return false;
    }
    return lNew != nullptr && ReplaceGeometry(*pNode, *lOld, *lNew);
}

bool KRyvGeometryConverter::ConvertPatchToNurbInPlace(KRyvNode* pNode)
{
    if (pNode == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return false;
    }
    auto* lPatch = dynamic_cast<KRyvPatch*>(pNode->GetNodeAttribute());
    if (lPatch == nullptr) {
        mError.SetLastErrorID(kNoGeometry);
        return false;
    }
    KRyvNurb* lNurb = ConvertPatchToNurb(lPatch);
    return lNurb != nullptr && ReplaceGeometry(*pNode, *lPatch, *lNurb);
}
