#include "scene/objects/KRyvCameraSwitcher.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <cmath>
#include <limits>

namespace {

const char* const kCameraIndex = "Camera Index";

} // namespace

KRyvCameraSwitcher::KRyvCameraSwitcher(KRyvObjectFactory* pFactory) : KRyvNodeAttribute(pFactory) {}

KRyvCameraSwitcher::~KRyvCameraSwitcher()
{
    // Detach while this class is still whole, so that the node's takes lose the channel; the
    // base would only unbind.
    if (KRyvNode* lNode = GetNode()) {
        lNode->SetNodeAttribute(nullptr);
    }
}

int KRyvCameraSwitcher::AddCameraName(const char* pName)
{
    if (!pName) {
        return -1;
    }
    mCameraNames.emplace_back(pName);
    return GetCameraNameCount() - 1;
}

const char* KRyvCameraSwitcher::GetCameraName(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCameraNameCount()) {
        return nullptr;
    }
    return mCameraNames[static_cast<size_t>(pIndex)].c_str();
}

KFCurve* KRyvCameraSwitcher::GetDefaultCameraIndexCurve() const
{
    KRyvTakeNode* lTake = GetNode() ? GetNode()->GetDefaultTakeNode() : nullptr;
    KFCurveNode* lRoot = lTake ? lTake->GetKFCurveNode() : nullptr;
    const int lIndex = lRoot ? lRoot->Find(kCameraIndex) : -1;
    KFCurveNode* lChannel = lIndex >= 0 ? lRoot->Get(lIndex) : nullptr;
    return lChannel ? lChannel->GetCurve() : nullptr;
}

int KRyvCameraSwitcher::GetDefaultCameraIndex() const
{
    const KFCurve* lCurve = GetDefaultCameraIndexCurve();
    if (!lCurve) {
        return 1;
    }
    const double lValue = std::trunc(lCurve->GetDefaultValue());
    if (!(lValue >= static_cast<double>(std::numeric_limits<int>::min()) &&
          lValue <= static_cast<double>(std::numeric_limits<int>::max()))) {
        return 1;
    }
    return static_cast<int>(lValue);
}

bool KRyvCameraSwitcher::SetDefaultCameraIndex(int pIndex)
{
    KFCurve* lCurve = GetDefaultCameraIndexCurve();
    if (!lCurve) {
        return false;
    }
    lCurve->SetDefaultValue(static_cast<float>(pIndex));
    return true;
}

void KRyvCameraSwitcher::OnTakeNodeAdded(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    const bool lExisted = lRoot->Find(kCameraIndex) >= 0;
    KFCurveNode* lChannel = lRoot->FindOrCreateChild(kCameraIndex, true);
    KFCurve* lCurve = lChannel ? lChannel->GetCurve() : nullptr;
    if (!lCurve) {
        return;
    }
    if (!lExisted) {
        lCurve->SetColor(0.75f, 0.0f, 0.0f);
    }
    lCurve->SetDefaultValue(1.0f);
}

void KRyvCameraSwitcher::OnTakeNodeRemoved(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    const int lIndex = lRoot->Find(kCameraIndex);
    if (lIndex >= 0) {
        lRoot->Delete(lIndex);
    }
}
