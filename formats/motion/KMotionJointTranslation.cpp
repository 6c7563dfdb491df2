#include "formats/motion/KMotionJointTranslation.h"

#include "animation/KFCurve.h"
#include "core/KMatrix.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cmath>

namespace {

// Where one axis of the translation stays over the frames.
struct AxisCourse
{
    bool mAtRest = true;
    bool mHeld = true;
    double mFirst = 0.0;
};

// Follows the curve over the frames until it neither stays at pRest nor holds its first value.
AxisCourse Follow(const KFCurve& pCurve, const KMotionTakeSpan::Frames& pFrames, double pRest)
{
    AxisCourse lCourse;
    // A curve of one key or none holds one value at every time.
    const int lFrames = pCurve.GetKeyCount() > 1 ? std::max(pFrames.mCount, 1) : 1;
    int lHint = -1;
    for (int f = 0; f < lFrames && (lCourse.mAtRest || lCourse.mHeld); ++f) {
        const double lValue = pCurve.Evaluate(pFrames.At(f), &lHint);
        if (f == 0) {
            lCourse.mFirst = lValue;
        }
        lCourse.mAtRest =
            lCourse.mAtRest && std::fabs(lValue - pRest) <= KMotionJointTranslation::kTolerance;
        lCourse.mHeld = lCourse.mHeld &&
                        std::fabs(lValue - lCourse.mFirst) <= KMotionJointTranslation::kTolerance;
    }
    return lCourse;
}

} // namespace

KMotionJointTranslation::EKind
KMotionJointTranslation::Classify(KRyvNode& pNode, const KMotionTakeSpan::Frames& pFrames,
                                  KVector4& oValue)
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
        if (!lCurves[0][a]) {
            continue;
        }
        const AxisCourse lCourse = Follow(*lCurves[0][a], pFrames, oValue[a]);
        if (lCourse.mAtRest) {
            continue;
        }
        if (!lCourse.mHeld) {
            return eMoving;
        }
        lStill = false;
        lHeld[a] = lCourse.mFirst;
    }
    if (lStill) {
        return eStill;
    }
    oValue = lHeld;
    return eConstant;
}
