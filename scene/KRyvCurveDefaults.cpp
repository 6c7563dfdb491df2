#include "scene/KRyvCurveDefaults.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <cmath>
#include <limits>

float KRyvToCurveValue(double pValue)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isfinite(pValue) && std::fabs(pValue) > kMax) {
        return pValue > 0.0 ? std::numeric_limits<float>::max()
                            : -std::numeric_limits<float>::max();
    }
    return static_cast<float>(pValue);
}

void KRyvSetCurveDefault(KFCurve* pCurve, double pValue)
{
    if (pCurve) {
        pCurve->SetDefaultValue(KRyvToCurveValue(pValue));
    }
}

KFCurveNode* KRyvFindChildCurveNode(const KFCurveNode* pParent, const char* pName)
{
    if (!pParent) {
        return nullptr;
    }
    const int lIndex = pParent->Find(pName);
    return lIndex >= 0 ? pParent->Get(lIndex) : nullptr;
}

KFCurve* KRyvFindDefaultCurve(const KRyvNode* pNode, const char* pChannel, const char* pChild)
{
    const KRyvTakeNode* lTake = pNode ? pNode->GetDefaultTakeNode() : nullptr;
    if (!lTake) {
        return nullptr;
    }
    const KFCurveNode* lCurveNode = KRyvFindChildCurveNode(lTake->GetKFCurveNode(), pChannel);
    if (pChild) {
        lCurveNode = KRyvFindChildCurveNode(lCurveNode, pChild);
    }
    return lCurveNode ? lCurveNode->GetCurve() : nullptr;
}

KFCurve* KRyvAddCurveChild(KFCurveNode* pParent, const char* pName)
{
    KFCurveNode* lChild = KFCurveNode::Create(pName, nullptr, 0, 0);
    KFCurve* lCurve = lChild ? KFCurve::Create() : nullptr;
    if (!lCurve || pParent->Add(lChild) < 0) {
        KFCurve::Destroy(lCurve);
        KFCurveNode::Destroy(lChild);
        return nullptr;
    }
    lChild->SetCurve(lCurve);
    return lCurve;
}

void KRyvAddOrDestroy(KFCurveNode* pParent, KFCurveNode* pChild)
{
    if (pParent->Add(pChild) < 0) {
        KFCurveNode::Destroy(pChild);
    }
}
