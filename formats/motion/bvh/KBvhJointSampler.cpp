#include "formats/motion/bvh/KBvhJointSampler.h"

#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <cstring>

KBvhJointSampler::KBvhJointSampler(KRyvNode& pNode)
{
    KRyvTakeNode* lTake =
        pNode.GetCurrentTakeNodeIndex() >= 0 ? pNode.GetCurrentTakeNode() : nullptr;
    // Channels that wait hold no key: their values hold at every time, and nothing is made.
    KVector4 lWaiting[3];
    if (pNode.GetWaitingTransformValues(lTake, lWaiting)) {
        for (int k = 0; k < 3; ++k) {
            for (int a = 0; a < 3; ++a) {
                mValues[3 * k + a] = lWaiting[k][a];
            }
        }
        return;
    }
    KFCurve* lCurves[3][3] = {};
    KRyvNode::FindTransformCurves(lTake, lCurves);
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

const double* KBvhJointSampler::ValuesAt(KTime pTime, bool& oSame)
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
    return mValues;
}

void KBvhJointSampler::PoseAt(KTime pTime, KVector4 oPose[3], bool& oSame)
{
    const double* lValues = ValuesAt(pTime, oSame);
    for (int k = 0; k < 3; ++k) {
        oPose[k] = KVector4(lValues[3 * k], lValues[3 * k + 1], lValues[3 * k + 2]);
    }
}
