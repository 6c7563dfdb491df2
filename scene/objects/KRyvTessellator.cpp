#include "scene/objects/KRyvTessellator.h"

#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KNurbEvaluator.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KSurfaceEvaluator.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace {

const char* const kErrorTable[KRyvTessellator::kErrorCount] = {
    "Parameter is null",
    "Invalid surface",
    "Object creation failed",
};

bool IsPerItem(const KLayerElement* pElement)
{
    if (pElement == nullptr) {
        return false;
    }
    const int lMode = pElement->GetMappingMode();
    return lMode == KLayerElement::eByControlPoint || lMode == KLayerElement::eByPolygonVertex ||
           lMode == KLayerElement::eByPolygon;
}

// Per-item values of the surface address its control points, not the samples: they are
// dropped, and material and texture references (which must stay listed) apply to all.
void DropPerItemElements(KRyvLayerContainer& ioMesh)
{
    for (int i = 0; i < ioMesh.GetLayerCount(); ++i) {
        KLayer* lLayer = ioMesh.GetLayer(i);
        if (lLayer == nullptr) {
            continue;
        }
        if (IsPerItem(lLayer->GetNormals())) {
            lLayer->SetNormals(nullptr);
        }
        if (IsPerItem(lLayer->GetUVs())) {
            lLayer->SetUVs(nullptr);
        }
        if (IsPerItem(lLayer->GetPolygonGroups())) {
            lLayer->SetPolygonGroups(nullptr);
        }
        if (IsPerItem(lLayer->GetVertexColors())) {
            lLayer->SetVertexColors(nullptr);
        }
        for (KLayerElement* lElement : {static_cast<KLayerElement*>(lLayer->GetMaterials()),
                                        static_cast<KLayerElement*>(lLayer->GetTextures())}) {
            if (IsPerItem(lElement)) {
                lElement->SetMappingMode(KLayerElement::eAllSame);
                lElement->GetIndexArray().assign(1, 0);
            }
        }
    }
}

// Moves the samples into the container: points with w = 1, unit normals (w = 1) in layer 0
// mapped by control point.
void StoreSamples(KRyvLayerContainer& ioTarget, std::vector<KVector4>& ioPoints,
                  std::vector<KVector4>& ioNormals)
{
    for (KVector4& lPoint : ioPoints) {
        lPoint.GetData()[3] = 1.0;
    }
    // Patch tangents carry a 0.5 / (m x s) factor that NURBS tangents lack; unit normals make
    // both sources agree.
    for (KVector4& lNormal : ioNormals) {
        lNormal.Normalize();
        lNormal.GetData()[3] = 1.0;
    }
    ioTarget.GetControlPointArray().swap(ioPoints);
    ioTarget.InitNormals(0);
    KLayerElementNormal* lNormals = ioTarget.GetLayer(0)->GetNormals();
    lNormals->GetIndexArray().clear();
    lNormals->GetDirectArray().swap(ioNormals);
}

// Two triangles (a, d', b) and (b, d', e) per cell, row by row; a closed direction gets one more
// column (row) of cells joining back to sample column (row) 0 at u (v) = 1.
void BuildGrid(KRyvMesh& ioMesh, int pUSamples, int pVSamples, bool pUClosed, bool pVClosed)
{
    auto lOwned = std::make_unique<KLayerElementUV>();
    lOwned->SetMappingMode(KLayerElement::eByPolygonVertex);
    lOwned->SetReferenceMode(KLayerElement::eIndexToDirect);
    KLayerElementUV* lUVs = lOwned.get();
    ioMesh.GetLayer(0)->SetUVs(std::move(lOwned));
    if (pUSamples < 2 || pVSamples < 2) {
        return;
    }
    const int A = pUSamples;
    const int B = pVSamples;
    const double lDu = pUClosed ? A : A - 1;
    const double lDv = pVClosed ? B : B - 1;
    const int lColumns = pUClosed ? A : A - 1;
    const int lRows = pVClosed ? B : B - 1;
    for (int r = 0; r < lRows; ++r) {
        const int lLow = r * A;
        const int lHigh = r + 1 < B ? lLow + A : 0;
        const double lV0 = r / lDv;
        const double lV1 = (r + 1) / lDv;
        for (int c = 0; c < lColumns; ++c) {
            const int lNext = c + 1 < A ? c + 1 : 0;
            const int a = lLow + c;
            const int b = lLow + lNext;
            const int d = lHigh + c;
            const int e = lHigh + lNext;
            const double lU0 = c / lDu;
            const double lU1 = (c + 1) / lDu;
            const int lUVa = lUVs->Add(lU0, lV0);
            const int lUVb = lUVs->Add(lU1, lV0);
            const int lUVd = lUVs->Add(lU0, lV1);
            const int lUVe = lUVs->Add(lU1, lV1);
            ioMesh.BeginPolygon(-1, -1, -1);
            ioMesh.AddPolygon(a, lUVa);
            ioMesh.AddPolygon(d, lUVd);
            ioMesh.AddPolygon(b, lUVb);
            ioMesh.BeginPolygon(-1, -1, -1);
            ioMesh.AddPolygon(b, lUVb);
            ioMesh.AddPolygon(d, lUVd);
            ioMesh.AddPolygon(e, lUVe);
        }
    }
}

} // namespace

KRyvTessellator::KRyvTessellator(KRyvObjectFactory* pFactory)
    : mFactory(pFactory), mError(kErrorTable, kErrorCount)
{
}

bool KRyvTessellator::Refuse(KSurfaceEvaluator& pEvaluator)
{
    const std::string lText =
        std::string("Invalid surface: ") + pEvaluator.GetError().GetLastErrorString().Buffer();
    mError.SetLastError(kInvalidSurface, lText.c_str());
    return false;
}

KRyvMesh* KRyvTessellator::TessellatePatch(KRyvPatch* pPatch)
{
    if (pPatch == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    std::unique_ptr<KSurfaceEvaluator> lEvaluator =
        KSurfaceEvaluator::CreatePatchEvaluator(pPatch->GetUType(), pPatch->GetVType());
    lEvaluator->SetUClosed(pPatch->GetUClosed());
    lEvaluator->SetVClosed(pPatch->GetVClosed());
    return Tessellate(*pPatch, *lEvaluator, pPatch->GetUCount(), pPatch->GetVCount(),
                      pPatch->GetUStep(), pPatch->GetVStep());
}

KRyvMesh* KRyvTessellator::TessellateNurb(KRyvNurb* pNurb)
{
    if (pNurb == nullptr || mFactory == nullptr) {
        mError.SetLastErrorID(kParameterIsNull);
        return nullptr;
    }
    if (!pNurb->IsValid()) {
        mError.SetLastError(kInvalidSurface, "Invalid surface: point count, weights or knot "
                                             "vector sizes do not match the surface");
        return nullptr;
    }
    std::unique_ptr<KNurbEvaluator> lEvaluator =
        KNurbEvaluator::CreateNurbEvaluator(pNurb->GetUOrder(), pNurb->GetVOrder());
    lEvaluator->SetUClosed(pNurb->GetUType() != KRyvNurb::eOpen);
    lEvaluator->SetVClosed(pNurb->GetVType() != KRyvNurb::eOpen);
    lEvaluator->SetUKnots(pNurb->GetUKnotVector(), pNurb->GetUKnotCount());
    lEvaluator->SetVKnots(pNurb->GetVKnotVector(), pNurb->GetVKnotCount());
    std::vector<double> lWeights;
    lWeights.reserve(static_cast<size_t>(pNurb->GetControlPointCount()));
    for (const KVector4& lPoint : pNurb->GetControlPointArray()) {
        lWeights.push_back(lPoint.GetData()[3]);
    }
    lEvaluator->SetWeights(lWeights.data(), static_cast<int>(lWeights.size()));
    return Tessellate(*pNurb, *lEvaluator, pNurb->GetUCount(), pNurb->GetVCount(),
                      pNurb->GetUStep(), pNurb->GetVStep());
}

KRyvMesh* KRyvTessellator::Tessellate(KRyvGeometry& pSource, KSurfaceEvaluator& ioEvaluator,
                                      int pUCount, int pVCount, int pUStep, int pVStep)
{
    if (pUCount < 1 || pVCount < 1 ||
        static_cast<long long>(pSource.GetControlPointCount()) !=
            static_cast<long long>(pUCount) * pVCount) {
        mError.SetLastError(kInvalidSurface,
                            "Invalid surface: control point count is not U count x V count");
        return nullptr;
    }
    ioEvaluator.SetUSubdivisions(pUStep);
    ioEvaluator.SetVSubdivisions(pVStep);
    ioEvaluator.SetControlPoints(pSource.GetControlPoints(), pUCount, pVCount);
    const int lUSamples = ioEvaluator.GetUSampleCount();
    const int lVSamples = lUSamples > 0 ? ioEvaluator.GetVSampleCount() : 0;
    const long long lTotal = static_cast<long long>(lUSamples) * lVSamples;
    if (lTotal == 0 || lTotal > KSurfaceEvaluator::kMaxSampleCount) {
        if (lTotal > 0) {
            ioEvaluator.GetError().SetLastErrorID(KSurfaceEvaluator::kTooManySamples);
        }
        Refuse(ioEvaluator);
        return nullptr;
    }
    const int lSamples = static_cast<int>(lTotal);

    std::vector<KVector4> lPoints(static_cast<size_t>(lSamples));
    std::vector<KVector4> lNormals(lPoints.size());
    ioEvaluator.SetPointDestination(lPoints.data());
    ioEvaluator.SetNormalDestination(lNormals.data());
    // Influences only feed the link transfer.
    std::unique_ptr<KSurfaceInfluenceTable> lInfluences;
    if (pSource.GetLinkCount() > 0) {
        lInfluences =
            std::make_unique<KSurfaceInfluenceTable>(pSource.GetControlPointCount(), lSamples);
    }
    if (!ioEvaluator.Evaluate(lInfluences.get())) {
        Refuse(ioEvaluator);
        return nullptr;
    }

    KRyvMesh* lMesh = mFactory->CreateMesh();
    if (lMesh == nullptr) {
        mError.SetLastErrorID(kCreationFailed);
        return nullptr;
    }
    lMesh->CopyLayers(pSource);
    lMesh->CopyPivot(pSource);
    DropPerItemElements(*lMesh);
    StoreSamples(*lMesh, lPoints, lNormals);
    TessellateShapes(pSource, ioEvaluator, *lMesh, pUCount, pVCount, lSamples);
    if (lInfluences) {
        TransferLinks(pSource, *lMesh, *lInfluences, lSamples);
    }
    BuildGrid(*lMesh, lUSamples, lVSamples, ioEvaluator.GetUClosed(), ioEvaluator.GetVClosed());
    return lMesh;
}

void KRyvTessellator::TessellateShapes(KRyvGeometry& pSource, KSurfaceEvaluator& ioEvaluator,
                                       KRyvMesh& ioMesh, int pUCount, int pVCount, int pSampleCount)
{
    for (int i = 0; i < pSource.GetShapeCount(); ++i) {
        KRyvLayerContainer* lShape = pSource.GetShape(i);
        // Same counts as the surface, or the evaluator would read past the shape's points.
        if (lShape == nullptr || lShape->GetControlPointCount() != pSource.GetControlPointCount()) {
            continue;
        }
        std::vector<KVector4> lPoints(static_cast<size_t>(pSampleCount));
        std::vector<KVector4> lNormals(lPoints.size());
        ioEvaluator.SetPointDestination(lPoints.data());
        ioEvaluator.SetNormalDestination(lNormals.data());
        ioEvaluator.SetControlPoints(lShape->GetControlPoints(), pUCount, pVCount);
        if (!ioEvaluator.Evaluate()) {
            continue;
        }
        KRyvLayerContainer* lContainer = mFactory->CreateLayerContainer();
        if (lContainer == nullptr) {
            continue;
        }
        StoreSamples(*lContainer, lPoints, lNormals);
        if (ioMesh.AddShape(lContainer, pSource.GetShapeName(i)) < 0) {
            mFactory->DestroyLayerContainer(lContainer);
        }
    }
}

void KRyvTessellator::TransferLinks(KRyvGeometry& pSource, KRyvMesh& ioMesh,
                                    const KSurfaceInfluenceTable& pInfluences, int pSampleCount)
{
    const int lLinkCount = pSource.GetLinkCount();
    KSurfaceInfluenceTable lLinkTable(lLinkCount, pSource.GetControlPointCount());
    for (int l = 0; l < lLinkCount; ++l) {
        const KRyvLink* lLink = pSource.GetLink(l);
        const std::vector<int>& lIndices = lLink->GetControlPointIndexArray();
        const std::vector<double>& lWeights = lLink->GetControlPointWeightArray();
        for (size_t i = 0; i < lIndices.size() && i < lWeights.size(); ++i) {
            lLinkTable.Add(l, lIndices[i], lWeights[i]);
        }
    }
    if (lLinkCount > 0 && pSource.GetLink(0)->GetLinkMode() == KRyvLink::eNormalize) {
        lLinkTable.NormalizeSide(1);
    }

    for (int i = ioMesh.GetLinkCount() - 1; i >= 0; --i) {
        mFactory->DestroyLink(ioMesh.GetLink(i));
    }
    ioMesh.RemoveAllLinks();

    std::vector<double> lSums(static_cast<size_t>(pSampleCount), 0.0);
    std::vector<int> lTouched;
    for (int l = 0; l < lLinkCount; ++l) {
        const KRyvLink* lSourceLink = pSource.GetLink(l);
        KRyvLink* lLink = mFactory->CreateLink();
        if (lLink == nullptr) {
            continue;
        }
        *lLink = *lSourceLink;
        lLink->GetControlPointIndexArray().clear();
        lLink->GetControlPointWeightArray().clear();
        if (lLink->GetLinkMode() == KRyvLink::eNormalize) {
            lLink->SetLinkMode(KRyvLink::eTotal1);
        }
        // The link's weights, normalised per control point above, spread over the samples
        // each control point influences.
        lTouched.clear();
        for (int e = 0; e < lLinkTable.GetCount(0, l); ++e) {
            const KSurfaceInfluenceTable::Entry* lEntry = lLinkTable.Get(0, l, e);
            const int lPoint = lEntry->mSide1;
            for (int s = 0; s < pInfluences.GetCount(0, lPoint); ++s) {
                const KSurfaceInfluenceTable::Entry* lInfluence = pInfluences.Get(0, lPoint, s);
                const size_t lSample = static_cast<size_t>(lInfluence->mSide1);
                if (lSums[lSample] == 0.0) {
                    lTouched.push_back(lInfluence->mSide1);
                }
                lSums[lSample] += std::fabs(lEntry->mWeight * lInfluence->mWeight);
            }
        }
        std::sort(lTouched.begin(), lTouched.end());
        lTouched.erase(std::unique(lTouched.begin(), lTouched.end()), lTouched.end());
        for (int lSample : lTouched) {
            double& lSum = lSums[static_cast<size_t>(lSample)];
            if (lSum != 0.0) {
                lLink->AddControlPointIndex(lSample, lSum);
            }
            lSum = 0.0;
        }
        ioMesh.AddLink(lLink);
    }
}
