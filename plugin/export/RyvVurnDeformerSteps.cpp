#include "plugin/export/RyvVurnDeformerSteps.h"

#include "core/KMatrixFunctions.h"
#include "plugin/import/ConvertPivotsToNulls.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/objects/KRyvGeometry.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {
KRyvGeometry* GeometryAttribute(KRyvNode* pNode)
{
    return pNode ? dynamic_cast<KRyvGeometry*>(pNode->GetNodeAttribute()) : nullptr;
}

} // namespace

bool IsPivotNullOf(const KRyvNode* pNull, const KRyvNode* pNode, const char* pSuffix)
{
    if (!pNull || !pNode) {
        return false;
    }
    const std::string lBase = std::string(pNode->GetNameWithoutPrefix().Buffer()) + pSuffix;
    const std::string lName = pNull->GetNameWithoutPrefix().Buffer();
    return lName.compare(0, lBase.size(), lBase) == 0 &&
           std::all_of(lName.begin() + static_cast<std::ptrdiff_t>(lBase.size()), lName.end(),
                       [](char pChar) { return pChar >= '0' && pChar <= '9'; });
}

KRyvNode* FindPivotNull(KRyvNode* pNode, const char* pSuffix)
{
    for (int lIndex = 0; pNode && lIndex < pNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = pNode->GetChild(lIndex);
        if (IsPivotNullOf(lChild, pNode, pSuffix)) {
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
