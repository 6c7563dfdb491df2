#include "formats/motion/KMotionTakeSpan.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

// The spacing of the first two keys of the first curve below pRoot holding two; 0 for none.
std::int64_t FirstKeySpacing(const KFCurveNode* pRoot)
{
    std::vector<const KFCurveNode*> lStack{pRoot};
    while (!lStack.empty()) {
        const KFCurveNode* lNode = lStack.back();
        lStack.pop_back();
        const KFCurve* lCurve = lNode ? lNode->GetCurve() : nullptr;
        if (lCurve && lCurve->GetKeyCount() >= 2) {
            return (lCurve->KeyGetTime(1) - lCurve->KeyGetTime(0)).Get();
        }
        for (int i = lNode ? lNode->GetCount() - 1 : -1; i >= 0; --i) {
            lStack.push_back(lNode->Get(i));
        }
    }
    return 0;
}

} // namespace

bool KMotionTakeSpan::Fill(KRyvScene& ioScene, KStreamOptionsMotion& ioOptions)
{
    const KTakeInfo* lInfo = ioScene.GetTakeInfo(ioScene.GetCurrentTakeName());
    if (!lInfo || lInfo->mLocalStop.Get() < lInfo->mLocalStart.Get()) {
        return false;
    }
    std::int64_t lPeriod = 0;
    for (int i = 0; i < ioScene.GetNodeCount() && lPeriod <= 0; ++i) {
        KRyvTakeNode* lTake = ioScene.GetNode(i)->GetCurrentTakeNode();
        const char* lName = ioScene.GetNode(i)->GetCurrentTakeNodeName();
        if (lTake && lName && KString(lName) == ioScene.GetCurrentTakeName()) {
            lPeriod = FirstKeySpacing(lTake->GetKFCurveNode());
        }
    }
    if (lPeriod <= 0) {
        return false;
    }
    const double lSpan = static_cast<double>(lInfo->mLocalStop.Get() - lInfo->mLocalStart.Get());
    const double lFrames = std::floor(lSpan / static_cast<double>(lPeriod) + 0.5) + 1.0;
    if (lFrames > static_cast<double>(std::numeric_limits<int>::max())) {
        return false;
    }
    ioOptions.SetStart(lInfo->mLocalStart);
    ioOptions.SetFrameCount(static_cast<int>(lFrames));
    ioOptions.SetTimeMode(0, 1.0 / KTime(lPeriod).GetSecondDouble());
    return true;
}
