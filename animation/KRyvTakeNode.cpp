#include "animation/KRyvTakeNode.h"

#include "object/KDataType.h"

namespace {

const char* const kErrorTexts[] = {"Curve not found"};

} // namespace

KRyvTakeNode::KRyvTakeNode(const char* pName) : mName(pName ? pName : ""), mError(kErrorTexts, 1) {}

KRyvTakeNode::KRyvTakeNode(const KRyvTakeNode& pOther)
    : mName(pOther.mName), mRoot(pOther.GetKFCurveNode()->Clone()), mError(kErrorTexts, 1)
{
}

KRyvTakeNode::~KRyvTakeNode() = default;

KFCurveNode* KRyvTakeNode::GetKFCurveNode() const
{
    FillDeferredContent();
    if (!mRoot) {
        mRoot = std::make_unique<KFCurveNode>("Defaults");
    }
    return mRoot.get();
}

void KRyvTakeNode::FillDeferredContent() const
{
    if (mContent == nullptr) {
        return;
    }
    // Withdrawn first: the filler looks at the tree it fills.
    KRyvTakeNodeContent* lContent = mContent;
    mContent = nullptr;
    lContent->FillTakeNode(const_cast<KRyvTakeNode&>(*this));
}

KFCurveNode* KRyvTakeNode::FindNode(const char* pName1, const char* pName2,
                                    const char* pName3) const
{
    KFCurveNode* lNode = GetKFCurveNode();
    for (const char* lName : {pName1, pName2, pName3}) {
        if (lNode != nullptr && lName != nullptr) {
            lNode = lNode->FindChild(lName);
        }
    }
    return lNode;
}

KFCurveNode* KRyvTakeNode::FindNode(const char* pName1, const char* pName2,
                                    const KDataType* pDataType) const
{
    KFCurveNode* lNode = FindNode(pName1, pName2, static_cast<const char*>(nullptr));
    return lNode ? lNode->FindChild(pDataType, true) : nullptr;
}

KFCurve* KRyvTakeNode::Found(KFCurveNode* pNode)
{
    KFCurve* lCurve = pNode ? pNode->GetCurve() : nullptr;
    if (lCurve == nullptr) {
        mError.SetLastErrorID(kCurveNotFound);
    }
    return lCurve;
}

KFCurve* KRyvTakeNode::GetCurve(const char* pName1, const char* pName2, const char* pName3)
{
    return Found(FindNode(pName1, pName2, pName3));
}

KFCurve* KRyvTakeNode::GetCurve(const char* pName1, const char* pName2, const KDataType* pDataType)
{
    return Found(FindNode(pName1, pName2, pDataType));
}

bool KRyvTakeNode::IsAnimated(const char* pName1, const char* pName2, const char* pName3) const
{
    const KFCurveNode* lNode = FindNode(pName1, pName2, pName3);
    return lNode && lNode->GetCurve() && lNode->GetCurve()->GetKeyCount() > 0;
}

bool KRyvTakeNode::IsAnimated(const char* pName1, const char* pName2,
                              const KDataType* pDataType) const
{
    const KFCurveNode* lNode = FindNode(pName1, pName2, pDataType);
    return lNode && lNode->GetCurve() && lNode->GetCurve()->GetKeyCount() > 0;
}

bool KRyvTakeNode::GetAnimationInterval(KTime& ioStart, KTime& ioStop) const
{
    return GetKFCurveNode()->GetAnimationInterval(ioStart, ioStop);
}

KFCurve* KRyvTakeNode::GetIKReachTranslation()
{
    return GetCurve(nullptr, nullptr, FindDataType("IK Reach Translation"));
}

KFCurve* KRyvTakeNode::GetIKReachRotation()
{
    return GetCurve(nullptr, nullptr, FindDataType("IK Reach Rotation"));
}

KFCurve* KRyvTakeNode::GetOcclusion()
{
    return GetCurve(nullptr, nullptr, FindDataType("Occlusion"));
}
