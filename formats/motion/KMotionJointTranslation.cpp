#include "formats/motion/KMotionJointTranslation.h"

#include "animation/KFCurve.h"
#include "core/KMatrix.h"
#include "scene/KRyvNode.h"

#include <cmath>

namespace {

// Whether every value the curve holds (its keys, or its default value without keys) lies within
// the tolerance of pValue.
bool StaysAt(const KFCurve& pCurve, double pValue)
{
    const int lKeys = pCurve.GetKeyCount();
    if (lKeys == 0) {
        return std::fabs(pCurve.GetDefaultValue() - pValue) <= KMotionJointTranslation::kTolerance;
    }
    for (int k = 0; k < lKeys; ++k) {
        if (std::fabs(pCurve.KeyGetValue(k) - pValue) > KMotionJointTranslation::kTolerance) {
            return false;
        }
    }
    return true;
}

double FirstValue(const KFCurve& pCurve)
{
    return pCurve.GetKeyCount() > 0 ? pCurve.KeyGetValue(0) : pCurve.GetDefaultValue();
}

} // namespace

KMotionJointTranslation::EKind KMotionJointTranslation::Classify(KRyvNode& pNode, KVector4& oValue)
{
    const KMatrix& lRest = pNode.GetDefaultLocalMatrix();
    oValue = KVector4(lRest[3][0], lRest[3][1], lRest[3][2]);
    KRyvTakeNode* lTake =
        pNode.GetCurrentTakeNodeIndex() >= 0 ? pNode.GetCurrentTakeNode() : nullptr;
    KFCurve* lCurves[3][3] = {};
    KRyvNode::FindTransformCurves(lTake, lCurves);
    bool lStill = true;
    KVector4 lHeld = oValue;
    for (int a = 0; a < 3; ++a) {
        const KFCurve* lCurve = lCurves[0][a];
        if (!lCurve || StaysAt(*lCurve, oValue[a])) {
            continue;
        }
        lStill = false;
        lHeld[a] = FirstValue(*lCurve);
        if (!StaysAt(*lCurve, lHeld[a])) {
            return eMoving;
        }
    }
    if (lStill) {
        return eStill;
    }
    oValue = lHeld;
    return eConstant;
}
