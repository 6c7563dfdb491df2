#include "formats/geometry/KMeshDeformation.h"

#include "core/KMatrix.h"
#include "scene/KRyvNode.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMesh.h"

#include <cmath>

namespace {

void AddScaled(KMatrix& ioSum, const KMatrix& pMatrix, double pFactor)
{
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            ioSum[lRow][lColumn] += pMatrix.Get(lRow, lColumn) * pFactor;
        }
    }
}

// Skin links: each point moves by the weighted link matrices K = (G^-1 A)^-1 (L^-1 T), blended
// by the mode of link 0 (0 normalise, 1 additive, 2 total one).
void ApplyLinks(KRyvMesh& pMesh, std::vector<KVector4>& ioPoints, const std::vector<int>& pPointOf,
                const KAffineMatrix& pGlobal)
{
    const std::size_t lPointCount = static_cast<std::size_t>(pMesh.GetControlPointCount());
    const int lMode = pMesh.GetLink(0) ? pMesh.GetLink(0)->GetLinkMode() : 0;
    KMatrix lZero;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            lZero[r][c] = 0.0;
        }
    }
    std::vector<KMatrix> lSums(lPointCount, lMode == 1 ? KMatrix() : lZero);
    std::vector<double> lWeights(lPointCount, 0.0);
    for (int lLinkIndex = 0; lLinkIndex < pMesh.GetLinkCount(); ++lLinkIndex) {
        KRyvLink* lLink = pMesh.GetLink(lLinkIndex);
        if (!lLink || !lLink->GetLink()) {
            continue;
        }
        KMatrix lMatrix;
        const KAffineMatrix lL(lLink->GetLink()->GetGlobalMatrix(0));
        const KAffineMatrix lTL(lLink->GetTransformLinkMatrix(lMatrix));
        KAffineMatrix lT(lLink->GetTransformMatrix(lMatrix));
        KAffineMatrix lR = pGlobal;
        if (lMode == 1 && lLink->GetAssociateModel()) {
            lT = KAffineMatrix(lLink->GetTransformAssociateModelMatrix(lMatrix));
            lR = KMeshDeformation::GlobalTransform(lLink->GetAssociateModel());
        }
        const KAffineMatrix lD = (lL.Inverse() * lR).Inverse() * (lTL.Inverse() * lT);
        const std::vector<int>& lIndices = lLink->GetControlPointIndexArray();
        const std::vector<double>& lLinkWeights = lLink->GetControlPointWeightArray();
        for (std::size_t i = 0; i < lIndices.size() && i < lLinkWeights.size(); ++i) {
            const double lWeight = lLinkWeights[i];
            if (lIndices[i] < 0 || static_cast<std::size_t>(lIndices[i]) >= lPointCount ||
                !std::isfinite(lWeight) || lWeight == 0.0) {
                continue;
            }
            const std::size_t lPoint = static_cast<std::size_t>(lIndices[i]);
            if (lMode == 1) {
                KMatrix lBlend = lZero;
                AddScaled(lBlend, lD, lWeight);
                for (int d = 0; d < 4; ++d) {
                    lBlend[d][d] += 1.0 - lWeight;
                }
                lSums[lPoint] = KAffineMatrix(lSums[lPoint]) * KAffineMatrix(lBlend);
                lWeights[lPoint] = 1.0;
            } else {
                AddScaled(lSums[lPoint], lD, lWeight);
                lWeights[lPoint] += lWeight;
            }
        }
    }
    for (std::size_t i = 0; i < ioPoints.size(); ++i) {
        const std::size_t lPoint = static_cast<std::size_t>(pPointOf[i]);
        const double lWeight = lPoint < lPointCount ? lWeights[lPoint] : 0.0;
        if (lWeight == 0.0 || !std::isfinite(lWeight)) {
            continue;
        }
        const KVector4 lBefore = ioPoints[i];
        KVector4 lPosition = KAffineMatrix(lSums[lPoint]).MultT(lBefore);
        if (lMode == 0) {
            for (int c = 0; c < 3; ++c) {
                lPosition[c] /= lWeight;
            }
        } else if (lMode == 2) {
            for (int c = 0; c < 3; ++c) {
                lPosition[c] += lBefore[c] * (1.0 - lWeight);
            }
        }
        ioPoints[i] = lPosition;
    }
}

} // namespace

void KMeshDeformation::ComputeGlobalTransforms(KRyvNode* pRoot)
{
    if (pRoot) {
        pRoot->ComputeGlobalMatrices(0);
    }
}

KAffineMatrix KMeshDeformation::GlobalTransform(KRyvNode* pNode)
{
    KVector4 lT;
    KVector4 lR;
    KVector4 lS;
    pNode->GetGlobalTranslation(lT, 0);
    pNode->GetGlobalRotation(lR, 0);
    pNode->GetGlobalScaling(lS, 0);
    return KAffineMatrix(lT, lR, lS);
}

void KMeshDeformation::Apply(KRyvMesh& pMesh, const std::vector<double>& pShapeWeights,
                             std::vector<KVector4>& ioPoints, const std::vector<int>& pPointOf,
                             const KAffineMatrix& pGlobal)
{
    const int lShapeCount = pMesh.GetShapeCount();
    if (lShapeCount > 0) {
        const std::vector<KVector4> lBefore = ioPoints;
        for (int lShapeIndex = 0; lShapeIndex < lShapeCount; ++lShapeIndex) {
            KRyvLayerContainer* lShape = pMesh.GetShape(lShapeIndex);
            const double lWeight = static_cast<std::size_t>(lShapeIndex) < pShapeWeights.size()
                                       ? pShapeWeights[static_cast<std::size_t>(lShapeIndex)]
                                       : 0.0;
            if (!lShape || lWeight == 0.0 || !std::isfinite(lWeight)) {
                continue;
            }
            const std::vector<KVector4>& lTargets = lShape->GetControlPointArray();
            for (std::size_t i = 0; i < ioPoints.size(); ++i) {
                const std::size_t lPoint = static_cast<std::size_t>(pPointOf[i]);
                if (lPoint < lTargets.size()) {
                    for (int c = 0; c < 3; ++c) {
                        ioPoints[i][c] += (lTargets[lPoint][c] - lBefore[i][c]) * lWeight;
                    }
                }
            }
        }
    }
    if (pMesh.GetLinkCount() > 0) {
        ApplyLinks(pMesh, ioPoints, pPointOf, pGlobal);
    }
}
