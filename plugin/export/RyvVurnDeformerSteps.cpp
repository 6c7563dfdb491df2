#include "plugin/export/RyvVurnDeformerSteps.h"

#include "core/KMatrixFunctions.h"
#include "plugin/import/ConvertPivotsToNulls.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/objects/KRyvGeometry.h"

#include <cmath>
#include <string>

namespace {
KRyvGeometry* GeometryAttribute(KRyvNode* pNode)
{
    return pNode ? dynamic_cast<KRyvGeometry*>(pNode->GetNodeAttribute()) : nullptr;
}

} // namespace

KRyvNode* FindPivotNull(KRyvNode* pNode, const char* pSuffix)
{
    if (!pNode) {
        return nullptr;
    }
    const std::string lName = std::string(pNode->GetNameWithoutPrefix().Buffer()) + pSuffix;
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = pNode->GetChild(lIndex);
        if (lName == lChild->GetNameWithoutPrefix().Buffer()) {
            return lChild;
        }
    }
    return nullptr;
}

KRyvNode* FindGeometryNode(KRyvNode* pNode)
{
    if (GeometryAttribute(pNode)) {
        return pNode;
    }
    KRyvNode* lPost = FindPivotNull(pNode, kPivotPostSuffix);
    return GeometryAttribute(lPost) ? lPost : nullptr;
}

KRyvGeometry* FindGeometry(KRyvNode* pNode)
{
    return GeometryAttribute(FindGeometryNode(pNode));
}

int KitControlPointOfCV(int pU, int pV, int pCountU, int pCountV)
{
    if (pU < 0 || pV < 0 || pU >= pCountV || pV >= pCountU) {
        return -1;
    }
    return pU * pCountU + pV;
}

KMatrix ApplyMasterScaleTo(const KMatrix& pMatrix, double pScale)
{
    if (pScale == 1.0 || pScale == 0.0 || !std::isfinite(pScale)) {
        return pMatrix;
    }
    KMatrix lScale;
    MatrixSetTRS(lScale, KVector4(0.0, 0.0, 0.0), KVector4(0.0, 0.0, 0.0),
                 KVector4(pScale, pScale, pScale));
    KMatrix lResult;
    MatrixMultiplyAffine(lResult, lScale, pMatrix);
    return lResult;
}
