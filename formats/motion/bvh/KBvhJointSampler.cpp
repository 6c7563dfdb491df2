#include "formats/motion/bvh/KBvhJointSampler.h"

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <cstring>

namespace {

// The direct child named exactly pName; null when none.
const KFCurveNode* DirectChild(const KFCurveNode* pNode, const char* pName)
{
    for (int i = 0; pNode && i < pNode->GetCount(); ++i) {
        const KFCurveNode* lChild = pNode->Get(i);
        if (lChild && std::strcmp(lChild->GetName(), pName) == 0) {
            return lChild;
        }
    }
    return nullptr;
}

// The nine curves "Transform"/{T, R, S}/{X, Y, Z} of a take, null where missing, by the rules of
// the node's own evaluation: the names a take is made with, byte for byte, and the curve nodes'
// own look-up for trees from elsewhere.
void FindTransformCurves(KRyvTakeNode* pTake, KFCurve* oCurves[3][3])
{
    static const char* const kKinds[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    const KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    const KFCurveNode* lTransform = DirectChild(lRoot, "Transform");
    if (!lTransform && lRoot) {
        lTransform = lRoot->FindChild("Transform");
    }
    const KFCurveNode* lKinds[3];
    for (int k = 0; k < 3; ++k) {
        lKinds[k] = DirectChild(lTransform, kKinds[k]);
        if (!lKinds[k]) {
            KFCurveNode::GetTRSCurves(lTransform, oCurves[0], oCurves[1], oCurves[2]);
            return;
        }
    }
    for (int k = 0; k < 3; ++k) {
        for (int a = 0; a < 3; ++a) {
            const KFCurveNode* lAxis = DirectChild(lKinds[k], kAxes[a]);
            oCurves[k][a] = lAxis ? lAxis->GetCurve() : nullptr;
        }
    }
}

} // namespace

KBvhJointSampler::KBvhJointSampler(KRyvNode& pNode)
{
    KRyvTakeNode* lTake =
        pNode.GetCurrentTakeNodeIndex() >= 0 ? pNode.GetCurrentTakeNode() : nullptr;
    KFCurve* lCurves[3][3] = {};
    FindTransformCurves(lTake, lCurves);
    for (int k = 0; k < 3; ++k) {
        for (int a = 0; a < 3; ++a) {
            const KFCurve* lCurve = lCurves[k][a];
            if (!lCurve) {
                continue;
            }
            // A curve of no key or one key has one value at every time: the default value, or
            // the key's (before, on and after it).
            const int lKeys = lCurve->GetKeyCount();
            if (lKeys == 0) {
                mValues[3 * k + a] = lCurve->GetDefaultValue();
            } else if (lKeys == 1) {
                mValues[3 * k + a] = lCurve->GetKey(0)->GetValue();
            } else {
                mChannels.push_back({KBvhCurveCursor(*lCurve), 3 * k + a});
            }
        }
    }
}

void KBvhJointSampler::PoseAt(KTime pTime, KVector4 oPose[3], bool& oSame)
{
    bool lSame = mSampled;
    for (Channel& lChannel : mChannels) {
        const double lValue = lChannel.mCursor.Evaluate(pTime);
        double& lKept = mValues[lChannel.mPlace];
        // Bits, not values: -0 and 0 make different matrices.
        lSame = lSame && std::memcmp(&lValue, &lKept, sizeof lValue) == 0;
        lKept = lValue;
    }
    mSampled = true;
    oSame = lSame;
    for (int k = 0; k < 3; ++k) {
        oPose[k] = KVector4(mValues[3 * k], mValues[3 * k + 1], mValues[3 * k + 2]);
    }
}
