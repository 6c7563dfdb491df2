#include "animation/KRyvTakeNode.h"

#include "object/KDataType.h"

namespace {

const char* const kErrorTexts[] = {"Curve not found"};

KRyvCurvePath MakePath(const char* pName1, const char* pName2, const char* pName3,
                       const KDataType* pDataType)
{
    KRyvCurvePath lPath;
    lPath.mNames[0] = pName1;
    lPath.mNames[1] = pName2;
    lPath.mNames[2] = pName3;
    lPath.mDataType = pDataType;
    return lPath;
}

// The node pPath names below pRoot, null when absent.
KFCurveNode* Walk(const KFCurveNode* pRoot, const KRyvCurvePath& pPath)
{
    KFCurveNode* lNode = const_cast<KFCurveNode*>(pRoot);
    for (const char* lName : pPath.mNames) {
        if (lNode != nullptr && lName != nullptr) {
            lNode = lNode->FindChild(lName);
        }
    }
    if (lNode != nullptr && pPath.mDataType != nullptr) {
        lNode = lNode->FindChild(pPath.mDataType, true);
    }
    return lNode;
}

bool HasKeys(const KFCurveNode* pNode)
{
    return pNode && pNode->GetCurve() && pNode->GetCurve()->GetKeyCount() > 0;
}

} // namespace

KRyvTakeNode::KRyvTakeNode(const char* pName) : mName(pName ? pName : "") {}

KRyvTakeNode::KRyvTakeNode(const KRyvTakeNode& pOther)
    : mName(pOther.mName), mRoot(pOther.GetKFCurveNode()->Clone())
{
}

KRyvTakeNode::~KRyvTakeNode() = default;

std::unique_ptr<KRyvTakeNode> KRyvTakeNode::CopyWhole() const
{
    auto lCopy = std::make_unique<KRyvTakeNode>(mName.Buffer());
    if (mRoot) {
        lCopy->mRoot.reset(mRoot->Clone());
    }
    if (mContent && mDeferredParts != 0) {
        mContent->FillCopy(*this, *lCopy, mDeferredParts);
    }
    return lCopy;
}

KError& KRyvTakeNode::GetError()
{
    if (!mError) {
        mError = std::make_unique<KError>(kErrorTexts, 1);
    }
    return *mError;
}

KFCurveNode* KRyvTakeNode::GetKFCurveNode() const
{
    FillDeferredContent();
    return MakeRoot();
}

KFCurveNode* KRyvTakeNode::MakeRoot() const
{
    if (!mRoot) {
        mRoot = std::make_unique<KFCurveNode>("Defaults");
    }
    return mRoot.get();
}

void KRyvTakeNode::DeferContent(KRyvTakeNodeContent* pContent, unsigned pParts)
{
    const bool lDefer = pContent != nullptr && pParts != 0;
    mContent = lDefer ? pContent : nullptr;
    mDeferredParts = lDefer ? pParts : 0;
}

void KRyvTakeNode::FillDeferredContent() const
{
    FillDeferredParts(mDeferredParts);
}

void KRyvTakeNode::FillDeferredParts(unsigned pParts) const
{
    const unsigned lParts = pParts & mDeferredParts;
    if (mContent == nullptr || lParts == 0) {
        return;
    }
    // Withdrawn while it works: the filler looks at the tree it fills.
    KRyvTakeNodeContent* lContent = mContent;
    mContent = nullptr;
    try {
        lContent->FillTakeNode(const_cast<KRyvTakeNode&>(*this), lParts);
    } catch (...) {
        // A part left half made is never made again over itself.
        mDeferredParts = 0;
        throw;
    }
    // The filler may have withdrawn or replaced the content itself.
    if (mContent == nullptr) {
        mDeferredParts &= ~lParts;
        mContent = mDeferredParts != 0 ? lContent : nullptr;
    }
}

KFCurveNode* KRyvTakeNode::FindNode(const KRyvCurvePath& pPath) const
{
    if (mContent != nullptr) {
        FillDeferredParts(mContent->GetPartsToFind(*this, pPath));
    }
    return Walk(MakeRoot(), pPath);
}

const KFCurveNode* KRyvTakeNode::FindKeyedNode(const KRyvCurvePath& pPath) const
{
    if (mContent != nullptr && (mContent->GetPartsToFind(*this, pPath) & ~mDeferredParts) == 0) {
        return nullptr;
    }
    return FindNode(pPath);
}

KFCurve* KRyvTakeNode::Found(KFCurveNode* pNode)
{
    KFCurve* lCurve = pNode ? pNode->GetCurve() : nullptr;
    if (lCurve == nullptr) {
        GetError().SetLastErrorID(kCurveNotFound);
    }
    return lCurve;
}

KFCurve* KRyvTakeNode::GetCurve(const char* pName1, const char* pName2, const char* pName3)
{
    return Found(FindNode(MakePath(pName1, pName2, pName3, nullptr)));
}

KFCurve* KRyvTakeNode::GetCurve(const char* pName1, const char* pName2, const KDataType* pDataType)
{
    return Found(FindNode(MakePath(pName1, pName2, nullptr, pDataType)));
}

bool KRyvTakeNode::IsAnimated(const char* pName1, const char* pName2, const char* pName3) const
{
    return HasKeys(FindKeyedNode(MakePath(pName1, pName2, pName3, nullptr)));
}

bool KRyvTakeNode::IsAnimated(const char* pName1, const char* pName2,
                              const KDataType* pDataType) const
{
    return HasKeys(FindKeyedNode(MakePath(pName1, pName2, nullptr, pDataType)));
}

bool KRyvTakeNode::GetAnimationInterval(KTime& ioStart, KTime& ioStop) const
{
    return mRoot && mRoot->GetAnimationInterval(ioStart, ioStop);
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
