// Scene membership of nodes
// -------------------------
// The hierarchy lives in plug connections: a child's property block is a source of its parent's
// block. Every connection event of a block reaches the owning node's OnBlockConnectNotify; the
// node acts only when the event is about the block's own plug and the partner is another node's
// block. Look-at and up-vector targets connect to properties of the block, and deformers,
// materials and textures are not node blocks, so none of them touches the hierarchy or the
// scene. For D->ConnectSrc(S), with D the parent's block and S the child's:
//
//   event 0 (kSourceConnectRequest), at D: the request is refused, with the parent's error set,
//     when the child is the parent itself or one of its ancestors (kCyclicGraph), when both
//     nodes are listed in one scene (kCyclicGraph: the only way is a scene's root under one of
//     its own nodes), and when the child's subtree would clash by name in the parent's scene
//     (the clash code, also set on the child). So a refused move changes nothing.
//   event 4 (kSourceConnected), at D: the child's subtree joins the parent's scene
//     (SetScene(parent's scene, 0)); with no scene it leaves the one it was in.
//   event 8 (kSourceDisconnecting), at D: the child's subtree leaves its scene
//     (SetScene(null, 0)). Leaving never fails.
//
// Name checks in mode 0 look only inside the moving subtree: readers of formats that allow
// duplicate names must still be able to attach their nodes. SetScene(scene, 1), the way a
// content gets its root, also checks against the names below the content's current root, then
// moves that root out, clears the content and makes the node its root.
//
// AddChild checks the cycle and the names before it detaches the child from its old parent, so
// a refused AddChild leaves the child where it was. A node being destroyed leaves its parent,
// lets its children go (their subtrees leave the scene) and takes itself out of its scene, so a
// content never lists a dead node.

#include "scene/KRyvNode.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "object/KDataType.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_set>
#include <utility>

namespace {

const char* const kNodeErrorTable[KRyvNode::kErrorCount] = {
    "Take node error",
    "Node name clash",
    "Material name clash",
    "Texture name clash",
    "Gobo name clash",
    "Video name clash",
    "Target node is not a child of this object",
    "Operation with a target of the entity would generate a cyclic graph",
    "Index out of range",
};

const char* const kLclTranslation = "Lcl Translation";
const char* const kLclRotation = "Lcl Rotation";
const char* const kLclScaling = "Lcl Scaling";
const char* const kVisibility = "Visibility";

bool IsChannelProperty(const KProperty& pProperty)
{
    const KString lName(pProperty.GetName());
    return lName == kLclTranslation || lName == kLclRotation || lName == kLclScaling ||
           lName == kVisibility;
}

const KPlugFilter* BlockFilter()
{
    return KRyvNodeProperties::ClassInfo().GetClassIdFilter();
}

// The block's view of its children's blocks. A block without any source has no child: its
// view, made on first use and kept, is not made for it.
KPlug* ChildView(KRyvNodeProperties* pBlock)
{
    return pBlock && pBlock->GetSrcCount() > 0 ? pBlock->GetFilteredPlug(BlockFilter()) : nullptr;
}

KFCurve* MakeChannelCurve(float pDefault, float pRed, float pGreen, float pBlue)
{
    KFCurve* lCurve = KFCurve::Create();
    if (lCurve) {
        lCurve->SetDefaultValue(pDefault);
        lCurve->SetColor(pRed, pGreen, pBlue);
    }
    return lCurve;
}

} // namespace

KRyvNode::KRyvNode(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvTakeNodeContainer(pOwner, pName, &mError), mError(kNodeErrorTable, kErrorCount)
{
    SetName(pName);
    mProperties = new KRyvNodeProperties(this);
    ResetTransformProperties();
    if (pOwner) {
        DeferUserPropertyRecords();
    } else {
        CreateUserPropertyRecords();
    }
    AddDefaultTakeNode();
    SetVisibility(true);
    mShadingMode = 3;
    // Every node carries the same properties: once the node has set them up, their definitions
    // are held once per factory.
    if (pOwner) {
        pOwner->GetPropertyDefinitionCache().Share(&KRyvNodeProperties::ClassInfo(), *mProperties);
        // Last: a node whose construction failed is never left in the factory's hands.
        pOwner->DeferUserPropertyRecords(this);
    }
}

KRyvNode::~KRyvNode()
{
    Destruct();
    mLimits.reset();
    if (mProperties) {
        KRyvNodeProperties* lProperties = mProperties;
        mProperties = nullptr;
        lProperties->Destroy();
    }
    mOwnedUserProperties.clear();
}

void KRyvNode::Destruct()
{
    if (mDestructed) {
        return;
    }
    // A node going away never fills its deferred takes nor makes the records it deferred.
    for (int i = 0; i < GetTakeNodeCount(); ++i) {
        GetTakeNode(i)->DeferContent(nullptr);
    }
    mDeferredCopies.clear();
    if (mRecordsPending) {
        mRecordsPending = false;
        if (KRyvObjectFactory* lFactory = GetObjectFactory()) {
            lFactory->ForgetPendingUserPropertyRecords(this);
        }
    }
    // Referrers may remove their records while they are told, so work on a copy.
    const std::vector<KRyvNodeBackReference> lReferences = mBackReferences;
    mBackReferences.clear();
    for (const KRyvNodeBackReference& lReference : lReferences) {
        if (lReference.mObject) {
            lReference.mObject->ClearNodeReference(this, lReference.mKind, lReference.mIndex,
                                                   lReference.mSubIndex);
        }
    }
    // The attribute hears of the takes it loses while they still exist.
    SetNodeAttribute(nullptr);
    if (KRyvNode* lParent = GetParent()) {
        lParent->RemoveChild(this);
    }
    while (KRyvNode* lChild = GetChild(GetChildCount() - 1)) {
        RemoveChild(lChild);
    }
    SetScene(nullptr, 0);
    // From here on the hook ignores every event: the block's own teardown is not a move.
    mDestructed = true;
    mProperties->Destruct();
}

KRyvNodeLimits& KRyvNode::GetLimits()
{
    if (!mLimits) {
        mLimits = std::make_unique<KRyvNodeLimits>(this);
    }
    return *mLimits;
}

const KRyvNodeLimits& KRyvNode::GetLimits() const
{
    return const_cast<KRyvNode*>(this)->GetLimits();
}

KObject* KRyvNode::GetProperties() const
{
    return mProperties;
}

void KRyvNode::GetUserProperties(std::vector<KProperty*>& ioProperties) const
{
    KRyvAppendProperties(mProperties, ioProperties);
    if (mAttribute) {
        mAttribute->FillPropertyList(ioProperties);
    }
}

KString KRyvNode::GetTypeName() const
{
    return mAttribute ? mAttribute->GetTypeName() : KString("Null");
}

KPropertyStringList KRyvNode::GetTypeFlags() const
{
    if (mAttribute) {
        return mAttribute->GetTypeNameList();
    }
    KPropertyStringList lList;
    lList.Add("Null");
    return lList;
}

void KRyvNode::OnUserPropertyAdded(KRyvUserProperty* pUserProperty)
{
    KRyvCreateUserPropertyOn(mProperties, mProperties, pUserProperty);
    KRyvTakeNodeContainer::OnUserPropertyAdded(pUserProperty);
}

void KRyvNode::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    KRyvTakeNodeContainer::OnUserPropertyRemoved(pUserProperty);
    // Only what the block made for user properties goes: its members and the transform and
    // visibility channels are part of every node.
    KRyvRemoveUserPropertyFrom(mProperties, pUserProperty, IsChannelProperty);
}

bool KRyvNode::GetAnimationInterval(KTime& ioStart, KTime& ioStop)
{
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity + KTime(1);
    if (!GetSubtreeAnimationInterval(lStart, lStop)) {
        return false;
    }
    ioStart = std::min(ioStart, lStart);
    ioStop = std::max(ioStop, lStop);
    return true;
}

bool KRyvNode::GetSubtreeAnimationInterval(KTime& ioStart, KTime& ioStop)
{
    bool lFound = KRyvTakeNodeContainer::GetAnimationInterval(ioStart, ioStop);
    for (int i = 0; i < GetChildCount(); ++i) {
        if (KRyvNode* lChild = GetChild(i)) {
            lFound = lChild->GetSubtreeAnimationInterval(ioStart, ioStop) || lFound;
        }
    }
    return lFound;
}

void KRyvNode::InitTakeNode(KRyvTakeNode* pTake)
{
    if (!pTake) {
        return;
    }
    if (CanDeferDefaultTake(pTake)) {
        GetChannelValues(mDeferredChannelValues);
        pTake->DeferContent(this, kAllParts);
        return;
    }
    float lValues[kChannelValueCount];
    GetChannelValues(lValues);
    AddChannelCurves(*pTake, lValues, IsDefaultTakeNode(pTake), kAllParts, 0);
    KRyvCreateAnimatableCurves(*this, mProperties, pTake, IsChannelProperty);
    if (mAttribute) {
        mAttribute->OnTakeNodeAdded(pTake);
    }
}

bool KRyvNode::CanDeferDefaultTake(const KRyvTakeNode* pTake) const
{
    if (!mProperties || mAttribute || !IsDefaultTakeNode(pTake)) {
        return false;
    }
    // Any other animatable property would get curves of its own, valued when they are made.
    bool lOtherCurves = false;
    mProperties->WalkToConnect([&lOtherCurves](const KProperty& pProperty) {
        lOtherCurves = lOtherCurves || (pProperty.IsAnimatable() && !IsChannelProperty(pProperty));
    });
    return !lOtherCurves;
}

void KRyvNode::GetChannelValues(float* oValues) const
{
    static const char* const kChannelNames[3] = {kLclTranslation, kLclRotation, kLclScaling};
    // A curve keeps its default of 0 when given a value that is not finite.
    const auto lAsCurveHolds = [](double pValue) {
        const float lValue = static_cast<float>(pValue);
        return std::isfinite(lValue) ? lValue : 0.0f;
    };
    for (int lChannel = 0; lChannel < 3; ++lChannel) {
        KProperty* lProperty =
            mProperties ? mProperties->FindProperty(kChannelNames[lChannel]) : nullptr;
        KVector4 lValue;
        if (lProperty) {
            lProperty->GetValue(lValue);
        }
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            oValues[lChannel * 3 + lAxis] = lAsCurveHolds(lValue[lAxis]);
        }
    }
    KProperty* lVisibility = mProperties ? mProperties->FindProperty(kVisibility) : nullptr;
    oValues[9] = lAsCurveHolds(lVisibility ? lVisibility->GetValueAsDouble() : 1.0);
}

void KRyvNode::AddChannelCurves(KRyvTakeNode& ioTake, const float* pValues, bool pLink,
                                unsigned pParts, unsigned pMade)
{
    for (int lChannel = 0; lChannel < 3; ++lChannel) {
        const unsigned lPart = kPartTranslation << lChannel;
        if ((pParts & lPart) != 0) {
            AddTransformChannel(ioTake, lChannel, pValues + lChannel * 3, pLink, pMade);
            pMade |= lPart;
        }
    }
    if ((pParts & kPartVisibility) != 0) {
        AddVisibilityChannel(ioTake, pValues[9], pLink);
    }
}

void KRyvNode::AddTransformChannel(KRyvTakeNode& ioTake, int pChannel, const float* pValues,
                                   bool pLink, unsigned pMade)
{
    static const char* const kChannelNames[3] = {kLclTranslation, kLclRotation, kLclScaling};
    static const char* const kCurveNodeNames[3] = {"T", "R", "S"};
    static const char* const kAxisNames[3] = {"X", "Y", "Z"};
    static const float kColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    KFCurveNode* lRoot = ioTake.GetKFCurveNode();
    KFCurveNode* lTransform = KRyvFindChildCurveNode(lRoot, "Transform");
    if (!lTransform) {
        lTransform = KFCurveNode::Create("Transform");
        if (!lTransform || lRoot->Insert(0, lTransform) < 0) {
            KFCurveNode::Destroy(lTransform);
            return;
        }
    }
    KProperty* lProperty =
        pLink && mProperties ? mProperties->FindProperty(kChannelNames[pChannel]) : nullptr;
    KFCurveNode* lNode =
        KFCurveNode::Create(kCurveNodeNames[pChannel], FindDataType(kChannelNames[pChannel]), 1);
    if (!lNode) {
        return;
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        KFCurveNode* lAxisNode = KFCurveNode::Create(kAxisNames[lAxis]);
        KFCurve* lCurve = MakeChannelCurve(pValues[lAxis], kColors[lAxis][0], kColors[lAxis][1],
                                           kColors[lAxis][2]);
        if (!lAxisNode || !lCurve) {
            KFCurveNode::Destroy(lAxisNode);
            KFCurve::Destroy(lCurve);
            continue;
        }
        lAxisNode->SetCurve(lCurve);
        if (lNode->Add(lAxisNode) < 0) {
            KFCurveNode::Destroy(lAxisNode);
            continue;
        }
        if (lProperty) {
            LinkPropertyToCurve(lProperty, lAxis, lCurve);
        }
    }
    // After the channels made before it: T, R, S in this order whatever the order of making.
    const unsigned lBefore = pMade & ((kPartTranslation << pChannel) - 1u);
    const int lIndex =
        std::min(static_cast<int>(std::bitset<3>(lBefore).count()), lTransform->GetCount());
    if (lTransform->Insert(lIndex, lNode) < 0) {
        KFCurveNode::Destroy(lNode);
    }
}

void KRyvNode::AddVisibilityChannel(KRyvTakeNode& ioTake, float pValue, bool pLink)
{
    KFCurveNode* lRoot = ioTake.GetKFCurveNode();
    KProperty* lVisibility =
        pLink && mProperties ? mProperties->FindProperty(kVisibility) : nullptr;
    KFCurveNode* lVisibilityNode = KFCurveNode::Create(kVisibility, FindDataType(kVisibility), 1);
    KFCurve* lVisibilityCurve = MakeChannelCurve(pValue, 0.75f, 0.0f, 0.0f);
    if (!lVisibilityNode || !lVisibilityCurve) {
        KFCurveNode::Destroy(lVisibilityNode);
        KFCurve::Destroy(lVisibilityCurve);
        return;
    }
    lVisibilityNode->SetCurve(lVisibilityCurve);
    if (lVisibility) {
        LinkPropertyToCurve(lVisibility, 0, lVisibilityCurve);
    }
    // Right after "Transform", ahead of an attribute's channels made before it.
    const int lIndex = lRoot->Find("Transform") >= 0 ? 1 : 0;
    if (lRoot->Insert(lIndex, lVisibilityNode) < 0) {
        KFCurveNode::Destroy(lVisibilityNode);
    }
}

bool KRyvNode::FindDeferredValues(const KRyvTakeNode& pTake, float* oValues) const
{
    const float* lValues = mDeferredChannelValues;
    if (!IsDefaultTakeNode(&pTake)) {
        const auto lCopy =
            std::find_if(mDeferredCopies.begin(), mDeferredCopies.end(),
                         [&](const DeferredCopy& pCopy) { return pCopy.mTake == &pTake; });
        if (lCopy == mDeferredCopies.end()) {
            return false;
        }
        lValues = lCopy->mValues;
    }
    std::copy(lValues, lValues + kChannelValueCount, oValues);
    return true;
}

void KRyvNode::FillTakeNode(KRyvTakeNode& ioTake, unsigned pParts)
{
    float lValues[kChannelValueCount];
    if (!FindDeferredValues(ioTake, lValues)) {
        return;
    }
    const unsigned lMade = kAllParts & ~ioTake.GetDeferredParts();
    AddChannelCurves(ioTake, lValues, IsDefaultTakeNode(&ioTake), pParts, lMade);
    if ((pParts & kPartAttribute) != 0) {
        AddDeferredAttributeChannels(ioTake);
    }
    if ((ioTake.GetDeferredParts() & ~pParts) == 0) {
        mDeferredCopies.erase(
            std::remove_if(mDeferredCopies.begin(), mDeferredCopies.end(),
                           [&](const DeferredCopy& pCopy) { return pCopy.mTake == &ioTake; }),
            mDeferredCopies.end());
    }
}

void KRyvNode::FillCopy(const KRyvTakeNode& pTake, KRyvTakeNode& ioCopy, unsigned pParts)
{
    float lValues[kChannelValueCount];
    if (!FindDeferredValues(pTake, lValues)) {
        return;
    }
    AddChannelCurves(ioCopy, lValues, false, pParts, kAllParts & ~pParts);
    if ((pParts & kPartAttribute) != 0) {
        AddDeferredAttributeChannels(ioCopy);
    }
}

unsigned KRyvNode::GetPartsToFind(const KRyvTakeNode& pTake, const KRyvCurvePath& pPath) const
{
    if (IsDefaultTakeNode(&pTake)) {
        return kAllParts;
    }
    const char* lNames[3];
    int lCount = 0;
    for (const char* lName : pPath.mNames) {
        if (lName) {
            lNames[lCount++] = lName;
        }
    }
    if (pPath.mDataType) {
        // Below the root only an attribute's channels have a data type other than the node's.
        static const char* const kNodeTypes[4] = {kLclTranslation, kLclRotation, kLclScaling,
                                                  kVisibility};
        const char* lType = pPath.mDataType->GetName();
        const bool lNodeType =
            std::any_of(std::begin(kNodeTypes), std::end(kNodeTypes),
                        [&](const char* pType) { return std::strcmp(lType, pType) == 0; });
        return lCount == 0 && !lNodeType ? kPartAttribute : kAllParts;
    }
    // Only the names the take's own getters use are known to lie in one part: a case-insensitive
    // or deep step could reach another.
    if (lCount == 1 && std::strcmp(lNames[0], kVisibility) == 0) {
        return kPartVisibility;
    }
    if (lCount >= 2 && std::strcmp(lNames[0], "Transform") == 0) {
        static const char* const kCurveNodeNames[3] = {"T", "R", "S"};
        for (int lChannel = 0; lChannel < 3; ++lChannel) {
            if (std::strcmp(lNames[1], kCurveNodeNames[lChannel]) == 0) {
                return kPartTranslation << lChannel;
            }
        }
    }
    return kAllParts;
}

void KRyvNode::AddDeferredAttributeChannels(KRyvTakeNode& ioTake)
{
    // Such an attribute skipped the take while it waited; its channels come after the node's,
    // as they would have had the take been filled before it was bound.
    if (mAttribute && mAttribute->JoinsDeferredTakes()) {
        mAttribute->OnTakeNodeAdded(&ioTake);
    }
}

bool KRyvNode::CopyDeferredDefaultTake(KRyvTakeNode& ioTake)
{
    DeferredCopy lCopy{&ioTake, {}};
    std::copy(mDeferredChannelValues, mDeferredChannelValues + kChannelValueCount, lCopy.mValues);
    const auto lStale =
        std::find_if(mDeferredCopies.begin(), mDeferredCopies.end(),
                     [&](const DeferredCopy& pCopy) { return pCopy.mTake == &ioTake; });
    if (lStale != mDeferredCopies.end()) {
        *lStale = lCopy;
    } else {
        mDeferredCopies.push_back(lCopy);
    }
    ioTake.DeferContent(this, kAllParts);
    return true;
}

void KRyvNode::SetDeferredChannelValue(int pIndex, double pValue)
{
    // As a quiet write of the curve's default: not finite leaves it.
    const float lValue = KRyvToCurveValue(pValue);
    if (std::isfinite(lValue)) {
        mDeferredChannelValues[pIndex] = lValue;
    }
}

bool KRyvNode::WriteDeferredUserPropertyDefaults(KRyvTakeNode& ioTake,
                                                 KRyvUserProperty* pUserProperty)
{
    if (!IsDefaultTakeNode(&ioTake) || !pUserProperty) {
        return false;
    }
    // Only the writes that would set the defaults of existing curves: any other (a channel
    // the take lacks, a kind that would add curves) fills the take and goes the usual way.
    const KString lName = pUserProperty->GetName();
    const int lType = pUserProperty->GetType();
    const bool lThreeValues =
        lType == KRyvUserProperty::kTypeVector || lType == KRyvUserProperty::kTypeColor;
    static const char* const kChannelNames[3] = {kLclTranslation, kLclRotation, kLclScaling};
    for (int lChannel = 0; lChannel < 3; ++lChannel) {
        if (lName != kChannelNames[lChannel]) {
            continue;
        }
        if (!lThreeValues) {
            return false;
        }
        double lValues[3] = {0.0, 0.0, 0.0};
        pUserProperty->GetValue(lValues[0], lValues[1], lValues[2]);
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            SetDeferredChannelValue(lChannel * 3 + lAxis, lValues[lAxis]);
        }
        return true;
    }
    if (lName != kVisibility || lThreeValues) {
        return false;
    }
    double lValue = 0.0;
    pUserProperty->GetValue(lValue);
    SetDeferredChannelValue(9, lValue);
    return true;
}

void KRyvNode::OnCurrentTakeNodeChanged()
{
    InvalidateMatrixCaches(true);
}

// ---------------------------------------------------------------------------------------------
// Hierarchy

KRyvNode* KRyvNode::NodeOfPlug(KPlug* pPlug)
{
    if (!pPlug || !pPlug->IsA(KRyvNodeProperties::ClassId())) {
        return nullptr;
    }
    return static_cast<KRyvNodeProperties*>(pPlug)->GetNode();
}

KRyvNode* KRyvNode::GetParent() const
{
    if (!mProperties) {
        return nullptr;
    }
    for (int i = 0; i < mProperties->GetDstCount(); ++i) {
        KPlug* lDst = mProperties->GetDst(i);
        if (lDst && lDst->IsA(KRyvNodeProperties::ClassId())) {
            return static_cast<KRyvNodeProperties*>(lDst)->GetNode();
        }
    }
    return nullptr;
}

int KRyvNode::GetChildCount() const
{
    KPlug* lView = ChildView(mProperties);
    return lView ? lView->GetSrcCount() : 0;
}

KRyvNode* KRyvNode::GetChild(int pIndex) const
{
    KPlug* lView = ChildView(mProperties);
    return lView ? NodeOfPlug(lView->GetSrc(pIndex)) : nullptr;
}

bool KRyvNode::IsSelfOrAncestor(const KRyvNode* pNode) const
{
    // The same as asking whether this node lies in pNode's subtree. Either the line up from this
    // node or that subtree may be the short one (a chain built from its top gains leaves, one
    // built from its foot gains long subtrees under short lines), so both are walked a step at a
    // time and the first to end answers: building a long chain either way stays linear.
    if (!pNode) {
        return false;
    }
    // The walk down only reads; the stack holds what PushChildrenReversed gives.
    std::vector<KRyvNode*> lDown{const_cast<KRyvNode*>(pNode)};
    for (const KRyvNode* lUp = this; lUp; lUp = lUp->GetParent()) {
        if (lUp == pNode) {
            return true;
        }
        if (lDown.empty()) {
            return false;
        }
        const KRyvNode* lNode = lDown.back();
        lDown.pop_back();
        if (lNode == this) {
            return true;
        }
        lNode->PushChildrenReversed(lDown);
    }
    return false;
}

bool KRyvNode::AddChild(KRyvNode* pChild)
{
    if (!pChild || !mProperties || !pChild->mProperties || mDestructed || pChild->mDestructed) {
        return false;
    }
    if (IsSelfOrAncestor(pChild)) {
        mError.SetLastErrorID(kCyclicGraph);
        return false;
    }
    if (const int lClash = pChild->FindSceneClash(mScene, 0)) {
        mError.SetLastErrorID(lClash);
        pChild->mError.SetLastErrorID(lClash);
        return false;
    }
    KRyvNode* lOldParent = pChild->GetParent();
    if (lOldParent) {
        lOldParent->mProperties->DisconnectSrc(pChild->mProperties);
    }
    if (mProperties->ConnectSrc(pChild->mProperties, 0)) {
        return true;
    }
    // Refused for a reason the checks above cannot see: put the child back (as the last child
    // of its old parent).
    if (lOldParent) {
        lOldParent->mProperties->ConnectSrc(pChild->mProperties, 0);
    }
    return false;
}

KRyvNode* KRyvNode::RemoveChild(KRyvNode* pChild)
{
    if (!pChild) {
        return nullptr;
    }
    if (pChild->GetParent() != this) {
        mError.SetLastErrorID(kNotAChild);
        return nullptr;
    }
    mProperties->DisconnectSrc(pChild->mProperties);
    return pChild;
}

KRyvNode* KRyvNode::FindChild(const char* pName, bool pRecursive, bool pByInitialName)
{
    KString lWanted;
    BuildObjectName(lWanted, "Model::", pName);
    for (int i = 0; i < GetChildCount(); ++i) {
        KRyvNode* lChild = GetChild(i);
        if (!lChild) {
            continue;
        }
        const KString& lName = pByInitialName ? lChild->GetInitialName() : lChild->GetName();
        if (lName == lWanted) {
            return lChild;
        }
        if (pRecursive) {
            if (KRyvNode* lFound = lChild->FindChild(pName, true, pByInitialName)) {
                return lFound;
            }
        }
    }
    return nullptr;
}

void KRyvNode::AddChildName(const char* pName)
{
    mChildNames.emplace_back(pName ? pName : "");
}

const char* KRyvNode::GetChildNameAt(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetChildNameCount()) {
        return nullptr;
    }
    return mChildNames[static_cast<std::size_t>(pIndex)].Buffer();
}

KRyvNode* KRyvNode::GetTargetOf(const char* pPropertyName) const
{
    KProperty* lProperty = mProperties ? mProperties->FindProperty(pPropertyName) : nullptr;
    return lProperty ? NodeOfPlug(lProperty->GetSrc(0)) : nullptr;
}

void KRyvNode::SetTargetOf(const char* pPropertyName, KRyvNode* pTarget)
{
    if (!pTarget || !pTarget->mProperties || !mProperties) {
        return;
    }
    KProperty* lProperty = mProperties->FindProperty(pPropertyName);
    if (lProperty && !lProperty->IsConnectedSrc(pTarget->mProperties)) {
        lProperty->ConnectSrc(pTarget->mProperties, 0);
    }
}

KRyvNode* KRyvNode::GetLookAtTarget() const
{
    return GetTargetOf("LookAtProperty");
}

KRyvNode* KRyvNode::GetUpVectorTarget() const
{
    return GetTargetOf("UpVectorProperty");
}

void KRyvNode::SetLookAtTarget(KRyvNode* pTarget)
{
    SetTargetOf("LookAtProperty", pTarget);
}

void KRyvNode::SetUpVectorTarget(KRyvNode* pTarget)
{
    SetTargetOf("UpVectorProperty", pTarget);
}

void KRyvNode::SetPostTargetRotation(const KVector4& pRotation)
{
    if (!mTargetRotations) {
        mTargetRotations = std::make_unique<KRyvNodeTargetRotations>();
    }
    mTargetRotations->mPost = pRotation;
}

KVector4& KRyvNode::GetPostTargetRotation(KVector4& oRotation) const
{
    oRotation = mTargetRotations ? mTargetRotations->mPost : KVector4();
    return oRotation;
}

void KRyvNode::SetUpTargetRotation(const KVector4& pRotation)
{
    if (!mTargetRotations) {
        mTargetRotations = std::make_unique<KRyvNodeTargetRotations>();
    }
    mTargetRotations->mUp = pRotation;
}

KVector4& KRyvNode::GetUpTargetRotation(KVector4& oRotation) const
{
    oRotation = mTargetRotations ? mTargetRotations->mUp : KVector4();
    return oRotation;
}

bool KRyvNode::OnBlockConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                                    const KConnectEventArgs* /*pArgs*/)
{
    if (mDestructed || !mProperties || pPlug != mProperties) {
        return true;
    }
    KRyvNode* lOther = NodeOfPlug(pOther);
    if (!lOther) {
        return true;
    }
    if (lOther == this) {
        return pEvent != KConnectEvent::kSourceConnectRequest;
    }
    switch (pEvent) {
    case KConnectEvent::kSourceConnectRequest:
        if (lOther->mDestructed) {
            return false;
        }
        if (IsSelfOrAncestor(lOther) || (mScene && mScene == lOther->mScene)) {
            mError.SetLastErrorID(kCyclicGraph);
            return false;
        }
        if (const int lClash = lOther->FindSceneClash(mScene, 0)) {
            mError.SetLastErrorID(lClash);
            lOther->mError.SetLastErrorID(lClash);
            return false;
        }
        return true;
    case KConnectEvent::kSourceConnected:
        lOther->InvalidateMatrixCaches(true);
        lOther->SetScene(mScene, 0);
        return true;
    case KConnectEvent::kSourceDisconnecting:
        lOther->InvalidateMatrixCaches(true);
        lOther->SetScene(nullptr, 0);
        return true;
    default:
        return true;
    }
}

// ---------------------------------------------------------------------------------------------
// Back references and marks

void KRyvNode::AddBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex, int pSubIndex)
{
    mBackReferences.push_back(KRyvNodeBackReference{pObject, pKind, pIndex, pSubIndex});
}

int KRyvNode::RemoveBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex, int pSubIndex)
{
    const int lIndex = FindBackReference(pObject, pKind, pIndex, pSubIndex);
    if (lIndex >= 0) {
        mBackReferences.erase(mBackReferences.begin() + lIndex);
    }
    return lIndex;
}

int KRyvNode::FindBackReference(KRyvNodeReferrer* pObject, int pKind, int pIndex,
                                int pSubIndex) const
{
    if (!pObject) {
        return -1;
    }
    const KRyvNodeBackReference lWanted{pObject, pKind, pIndex, pSubIndex};
    const auto lFound = std::find(mBackReferences.begin(), mBackReferences.end(), lWanted);
    return lFound == mBackReferences.end() ? -1
                                           : static_cast<int>(lFound - mBackReferences.begin());
}

bool KRyvNode::IsMarked(bool pInSubtree) const
{
    if (mMarked || !pInSubtree) {
        return mMarked;
    }
    for (int i = 0; i < GetChildCount(); ++i) {
        const KRyvNode* lChild = GetChild(i);
        if (lChild && lChild->IsMarked(true)) {
            return true;
        }
    }
    return false;
}

void KRyvNode::SetMarked(bool pMark, bool pRecursive)
{
    mMarked = pMark;
    if (pRecursive) {
        for (int i = 0; i < GetChildCount(); ++i) {
            if (KRyvNode* lChild = GetChild(i)) {
                lChild->SetMarked(pMark, true);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Attribute

KRyvNodeAttribute* KRyvNode::SetNodeAttribute(KRyvNodeAttribute* pAttribute)
{
    if (pAttribute == mAttribute) {
        return nullptr;
    }
    KRyvNodeAttribute* lPrevious = mAttribute;
    mAttribute = nullptr;
    if (lPrevious) {
        lPrevious->UnsetNode();
    }
    if (pAttribute) {
        if (KRyvNode* lOtherNode = pAttribute->GetNode()) {
            lOtherNode->SetNodeAttribute(nullptr);
        }
        mAttribute = pAttribute;
        pAttribute->SetNode(this);
    }
    // The marker type (optical marker, IK or FK effector) is the marker class's to tell; the
    // attribute base does not carry it, so a marker counts as neither here.
    mMultiLayer = false;
    const int lType = mAttribute ? mAttribute->GetAttributeType() : -1;
    mMultiTake = lType != KRyvNodeAttribute::eLight && lType != KRyvNodeAttribute::eCamera;
    return lPrevious;
}

namespace {

KRyvNodeAttribute* OfType(KRyvNodeAttribute* pAttribute, int pType)
{
    return pAttribute && pAttribute->GetAttributeType() == pType ? pAttribute : nullptr;
}

} // namespace

KRyvNodeAttribute* KRyvNode::GetNull() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eNull);
}

KRyvNodeAttribute* KRyvNode::GetMarker() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eMarker);
}

KRyvSkeleton* KRyvNode::GetSkeleton() const
{
    // Checked: an attribute could answer type 3 without being a skeleton object.
    return dynamic_cast<KRyvSkeleton*>(OfType(mAttribute, KRyvNodeAttribute::eSkeleton));
}

KRyvNodeAttribute* KRyvNode::GetGeometry() const
{
    KRyvNodeAttribute* lAttribute = GetMesh();
    if (!lAttribute) {
        lAttribute = GetNurb();
    }
    return lAttribute ? lAttribute : GetPatch();
}

KRyvNodeAttribute* KRyvNode::GetMesh() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eMesh);
}

KRyvNodeAttribute* KRyvNode::GetNurb() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eNurb);
}

KRyvNodeAttribute* KRyvNode::GetPatch() const
{
    return OfType(mAttribute, KRyvNodeAttribute::ePatch);
}

KRyvNodeAttribute* KRyvNode::GetCamera() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eCamera);
}

KRyvNodeAttribute* KRyvNode::GetCameraSwitcher() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eCameraSwitcher);
}

KRyvNodeAttribute* KRyvNode::GetLight() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eLight);
}

KRyvNodeAttribute* KRyvNode::GetOpticalReference() const
{
    return OfType(mAttribute, KRyvNodeAttribute::eOpticalReference);
}

// ---------------------------------------------------------------------------------------------
// Pivot sets

KRyvPivotSet* KRyvNode::GetPivotSet(int pSet)
{
    return mProperties ? mProperties->GetPivotSet(pSet) : nullptr;
}

const KRyvPivotSet* KRyvNode::GetPivotSet(int pSet) const
{
    return mProperties ? static_cast<const KRyvNodeProperties*>(mProperties)->GetPivotSet(pSet)
                       : nullptr;
}

namespace {

const KRyvPivotSet& ReadSet(const KRyvPivotSet* pSet)
{
    return pSet ? *pSet : KRyvPivotSet::GetDefault();
}

// Writes one field of a pivot set. A set reads as reset until it is made, so a write of the
// value it reads already (to the bit: -0 is not 0) leaves it unmade.
template <typename T>
void WritePivotField(KRyvNode& ioNode, int pSet, T KRyvPivotSet::*pField, const T& pValue)
{
    const KRyvPivotSet* lSet = std::as_const(ioNode).GetPivotSet(pSet);
    if (!lSet || std::memcmp(&(lSet->*pField), &pValue, sizeof(T)) == 0) {
        return;
    }
    ioNode.GetPivotSet(pSet)->*pField = pValue;
}

} // namespace

void KRyvNode::SetPivotState(int pSet, int pState)
{
    WritePivotField(*this, pSet, &KRyvPivotSet::mPivotState, pState);
}

void KRyvNode::GetPivotState(int pSet, int& oState) const
{
    oState = ReadSet(GetPivotSet(pSet)).mPivotState;
}

void KRyvNode::SetRotationOrder(int pSet, int pOrder)
{
    WritePivotField(*this, pSet, &KRyvPivotSet::mRotationOrder, pOrder);
}

void KRyvNode::GetRotationOrder(int pSet, int& oOrder) const
{
    oOrder = ReadSet(GetPivotSet(pSet)).mRotationOrder;
}

void KRyvNode::SetUseRotationSpaceForLimitOnly(int pSet, bool pUse)
{
    WritePivotField(*this, pSet, &KRyvPivotSet::mUseRotationSpaceForLimitOnly, pUse);
}

bool KRyvNode::GetUseRotationSpaceForLimitOnly(int pSet) const
{
    return ReadSet(GetPivotSet(pSet)).mUseRotationSpaceForLimitOnly;
}

#define RYV_PIVOT_VECTOR_ACCESSORS(Name, Field)                                                    \
    void KRyvNode::Set##Name(int pSet, const KVector4& pVector)                                    \
    {                                                                                              \
        WritePivotField(*this, pSet, &KRyvPivotSet::Field, pVector);                               \
    }                                                                                              \
    const KVector4& KRyvNode::Get##Name(int pSet) const                                            \
    {                                                                                              \
        return ReadSet(GetPivotSet(pSet)).Field;                                                   \
    }

RYV_PIVOT_VECTOR_ACCESSORS(RotationOffset, mRotationOffset)
RYV_PIVOT_VECTOR_ACCESSORS(RotationPivot, mRotationPivot)
RYV_PIVOT_VECTOR_ACCESSORS(PreRotation, mPreRotation)
RYV_PIVOT_VECTOR_ACCESSORS(PostRotation, mPostRotation)
RYV_PIVOT_VECTOR_ACCESSORS(ScalingOffset, mScalingOffset)
RYV_PIVOT_VECTOR_ACCESSORS(ScalingPivot, mScalingPivot)

#undef RYV_PIVOT_VECTOR_ACCESSORS

KVector4 KRyvNode::GetGeometricTranslation(int pSet) const
{
    return ReadSet(GetPivotSet(pSet)).mGeometricTranslation;
}

KVector4 KRyvNode::GetGeometricRotation(int pSet) const
{
    return ReadSet(GetPivotSet(pSet)).mGeometricRotation;
}

KVector4 KRyvNode::GetGeometricScaling(int pSet) const
{
    return ReadSet(GetPivotSet(pSet)).mGeometricScaling;
}

void KRyvNode::SetTransformInheritType(int pType)
{
    if (mProperties) {
        mProperties->SetInheritType(pType);
        // Global matrices below depend on it.
        InvalidateMatrixCaches(true);
    }
}

int& KRyvNode::GetTransformInheritType(int& oType) const
{
    if (mProperties) {
        oType = mProperties->GetInheritType();
    }
    return oType;
}

// ---------------------------------------------------------------------------------------------
// "Lcl" channels and visibility

template <typename F> void KRyvNode::WithLclRecord(int pChannel, F pUse) const
{
    if (!mRecordsPending) {
        if (KRyvUserProperty* lRecord = mLclProperties[pChannel]) {
            pUse(*lRecord);
        }
        return;
    }
    if (mLclChannels[pChannel].IsEmpty()) {
        return;
    }
    // Reads and writes reach the property and the takes exactly as through the listed record.
    KRyvUserProperty lRecord(GetObjectFactory(),
                             static_cast<KProperty*>(mLclChannels[pChannel].Get()));
    lRecord.SetNotifyTarget(mProperties);
    pUse(lRecord);
}

void KRyvNode::SetLclValue(int pChannel, const KVector4& pValue)
{
    WithLclRecord(pChannel, [&](KRyvUserProperty& ioRecord) {
        ioRecord.SetValue(pValue[0], pValue[1], pValue[2]);
        InvalidateMatrixCaches(true);
    });
}

KVector4 KRyvNode::GetLclValue(int pChannel, const KVector4& pDefault) const
{
    KVector4 lValue = pDefault;
    if (mRecordsPending) {
        // Read as the record reads, without making one: writers ask this of every node.
        KRyvUserProperty::ReadThreeValues(static_cast<KProperty*>(mLclChannels[pChannel].Get()),
                                          lValue[0], lValue[1], lValue[2]);
        return lValue;
    }
    WithLclRecord(pChannel, [&](const KRyvUserProperty& pRecord) {
        pRecord.GetValue(lValue[0], lValue[1], lValue[2]);
    });
    return lValue;
}

void KRyvNode::SetLclTranslation(const KVector4& pValue)
{
    SetLclValue(0, pValue);
}

KVector4& KRyvNode::GetLclTranslation(KVector4& ioValue) const
{
    ioValue = GetLclValue(0, ioValue);
    return ioValue;
}

void KRyvNode::SetLclRotation(const KVector4& pValue)
{
    SetLclValue(1, pValue);
}

KVector4& KRyvNode::GetLclRotation(KVector4& ioValue) const
{
    ioValue = GetLclValue(1, ioValue);
    return ioValue;
}

void KRyvNode::SetLclScaling(const KVector4& pValue)
{
    SetLclValue(2, pValue);
}

KVector4& KRyvNode::GetLclScaling(KVector4& ioValue) const
{
    ioValue = GetLclValue(2, ioValue);
    return ioValue;
}

void KRyvNode::SetVisibility(bool pVisible)
{
    if (!mProperties) {
        return;
    }
    mProperties->SetShow(pVisible);
    if (KProperty* lVisibility = mProperties->FindProperty(kVisibility)) {
        lVisibility->SetValueAsDouble(pVisible ? 1.0 : 0.0);
    }
}

bool KRyvNode::GetVisibility() const
{
    KProperty* lVisibility = mProperties ? mProperties->FindProperty(kVisibility) : nullptr;
    return lVisibility && lVisibility->GetValueAsDouble() != 0.0;
}

// ---------------------------------------------------------------------------------------------
// Block, pivot set 0 and limits

namespace {

// One limit kind as the block mirrors it: active flag, bounds min x, y, z then max x, y, z,
// min and max vectors.
struct BlockLimit
{
    bool mActive = false;
    bool mBounds[6] = {false, false, false, false, false, false};
    KVector4 mMin;
    KVector4 mMax;
};

#define RYV_READ_BLOCK_LIMIT(Kind)                                                                 \
    lLimit.mActive = pBlock.Get##Kind##Active();                                                   \
    lLimit.mBounds[0] = pBlock.Get##Kind##MinX();                                                  \
    lLimit.mBounds[1] = pBlock.Get##Kind##MinY();                                                  \
    lLimit.mBounds[2] = pBlock.Get##Kind##MinZ();                                                  \
    lLimit.mBounds[3] = pBlock.Get##Kind##MaxX();                                                  \
    lLimit.mBounds[4] = pBlock.Get##Kind##MaxY();                                                  \
    lLimit.mBounds[5] = pBlock.Get##Kind##MaxZ();                                                  \
    lLimit.mMin = pBlock.Get##Kind##Min();                                                         \
    lLimit.mMax = pBlock.Get##Kind##Max();

#define RYV_WRITE_BLOCK_LIMIT(Kind)                                                                \
    ioBlock.Set##Kind##Active(pLimit.mActive);                                                     \
    ioBlock.Set##Kind##MinX(pLimit.mBounds[0]);                                                    \
    ioBlock.Set##Kind##MinY(pLimit.mBounds[1]);                                                    \
    ioBlock.Set##Kind##MinZ(pLimit.mBounds[2]);                                                    \
    ioBlock.Set##Kind##MaxX(pLimit.mBounds[3]);                                                    \
    ioBlock.Set##Kind##MaxY(pLimit.mBounds[4]);                                                    \
    ioBlock.Set##Kind##MaxZ(pLimit.mBounds[5]);                                                    \
    ioBlock.Set##Kind##Min(pLimit.mMin);                                                           \
    ioBlock.Set##Kind##Max(pLimit.mMax);

// Kinds 0 translation, 1 rotation, 2 scaling.
BlockLimit ReadBlockLimit(const KRyvNodeProperties& pBlock, int pKind)
{
    BlockLimit lLimit;
    if (pKind == 0) {
        RYV_READ_BLOCK_LIMIT(Translation)
    } else if (pKind == 1) {
        RYV_READ_BLOCK_LIMIT(Rotation)
    } else {
        RYV_READ_BLOCK_LIMIT(Scaling)
    }
    return lLimit;
}

void WriteBlockLimit(KRyvNodeProperties& ioBlock, int pKind, const BlockLimit& pLimit)
{
    if (pKind == 0) {
        RYV_WRITE_BLOCK_LIMIT(Translation)
    } else if (pKind == 1) {
        RYV_WRITE_BLOCK_LIMIT(Rotation)
    } else {
        RYV_WRITE_BLOCK_LIMIT(Scaling)
    }
}

#undef RYV_READ_BLOCK_LIMIT
#undef RYV_WRITE_BLOCK_LIMIT

bool GetLimitActive(const KRyvNodeLimits& pLimits, int pKind)
{
    return pKind == 0 ? pLimits.GetTranslationActive()
                      : (pKind == 1 ? pLimits.GetRotationActive() : pLimits.GetScalingActive());
}

void SetLimitActive(KRyvNodeLimits& ioLimits, int pKind, bool pActive)
{
    if (pKind == 0) {
        ioLimits.SetTranslationActive(pActive);
    } else if (pKind == 1) {
        ioLimits.SetRotationActive(pActive);
    } else {
        ioLimits.SetScalingActive(pActive);
    }
}

void GetBounds(const KRyvLimit& pLimit, bool oBounds[6])
{
    pLimit.GetMinActive(oBounds[0], oBounds[1], oBounds[2]);
    pLimit.GetMaxActive(oBounds[3], oBounds[4], oBounds[5]);
}

bool IsZero(const KVector4& pVector)
{
    return VectorCompare(pVector, KVector4(), 1e-6) == 0;
}

} // namespace

void KRyvNode::UpdatePropertiesFromPivots()
{
    if (!mProperties) {
        return;
    }
    const KRyvPivotSet& lSet = ReadSet(GetPivotSet(0));
    mProperties->SetRotationOffset(lSet.mRotationOffset);
    mProperties->SetRotationPivot(lSet.mRotationPivot);
    mProperties->SetRotationPivotUpdateOffset(lSet.mRotationPivotUpdateOffset);
    mProperties->SetPreRotation(lSet.mPreRotation);
    mProperties->SetPostRotation(lSet.mPostRotation);
    mProperties->SetScalingOffset(lSet.mScalingOffset);
    mProperties->SetScalingPivot(lSet.mScalingPivot);
    mProperties->SetScalingPivotUpdateOffset(lSet.mScalingPivotUpdateOffset);
    mProperties->SetGeometricTranslation(lSet.mGeometricTranslation);
    mProperties->SetGeometricRotation(lSet.mGeometricRotation);
    mProperties->SetGeometricScaling(lSet.mGeometricScaling);
    mProperties->SetRotationOrder(lSet.mRotationOrder);
    mProperties->SetRotationSpaceForLimitOnly(lSet.mUseRotationSpaceForLimitOnly);

    // Limits never made read as made: they are not made for the reading.
    const KRyvNodeLimits lUnset(this);
    const KRyvNodeLimits& lLimits = mLimits ? *mLimits : lUnset;
    for (int lKind = 0; lKind < 3; ++lKind) {
        const KRyvLimit* lLimit = lLimits.GetLimit(lKind);
        BlockLimit lBlockLimit;
        lBlockLimit.mActive = GetLimitActive(lLimits, lKind);
        GetBounds(*lLimit, lBlockLimit.mBounds);
        lBlockLimit.mMin = lLimit->GetMin();
        lBlockLimit.mMax = lLimit->GetMax();
        WriteBlockLimit(*mProperties, lKind, lBlockLimit);
    }
}

namespace {

// ioSet takes the block's values, and ioOtherSet is reset, only when one of them is off its
// default.
void CopyPivotsFromBlock(const KRyvNodeProperties& pBlock, KRyvPivotSet& ioSet,
                         KRyvPivotSet& ioOtherSet)
{
    const KVector4 lVectors[11] = {pBlock.GetRotationOffset(),
                                   pBlock.GetRotationPivot(),
                                   pBlock.GetRotationPivotUpdateOffset(),
                                   pBlock.GetPreRotation(),
                                   pBlock.GetPostRotation(),
                                   pBlock.GetScalingOffset(),
                                   pBlock.GetScalingPivot(),
                                   pBlock.GetScalingPivotUpdateOffset(),
                                   pBlock.GetGeometricTranslation(),
                                   pBlock.GetGeometricRotation(),
                                   pBlock.GetGeometricScaling()};
    bool lDefault = pBlock.GetRotationOrder() == 0;
    for (int i = 0; i < 10 && lDefault; ++i) {
        lDefault = IsZero(lVectors[i]);
    }
    lDefault = lDefault && VectorCompare(lVectors[10], KVector4(1.0, 1.0, 1.0), 1e-6) == 0;
    if (lDefault) {
        return;
    }
    KVector4* const lFields[11] = {&ioSet.mRotationOffset,
                                   &ioSet.mRotationPivot,
                                   &ioSet.mRotationPivotUpdateOffset,
                                   &ioSet.mPreRotation,
                                   &ioSet.mPostRotation,
                                   &ioSet.mScalingOffset,
                                   &ioSet.mScalingPivot,
                                   &ioSet.mScalingPivotUpdateOffset,
                                   &ioSet.mGeometricTranslation,
                                   &ioSet.mGeometricRotation,
                                   &ioSet.mGeometricScaling};
    for (int i = 0; i < 11; ++i) {
        *lFields[i] = lVectors[i];
    }
    ioSet.mRotationOrder = pBlock.GetRotationOrder();
    ioSet.mUseRotationSpaceForLimitOnly = pBlock.GetRotationSpaceForLimitOnly();
    ioSet.mPivotState = KRyvPivotSet::kPivotActive;
    ioSet.mGlobalMatrixValid = false;
    ioOtherSet.Reset();
}

// The limits take the block's values of every kind as soon as one differs.
void CopyLimitsFromBlock(const KRyvNodeProperties& pBlock, KRyvNodeLimits& ioLimits)
{
    bool lSame = true;
    for (int lKind = 0; lKind < 3 && lSame; ++lKind) {
        const KRyvLimit* lLimit = ioLimits.GetLimit(lKind);
        const BlockLimit lBlockLimit = ReadBlockLimit(pBlock, lKind);
        bool lBounds[6];
        GetBounds(*lLimit, lBounds);
        lSame = lBlockLimit.mActive == GetLimitActive(ioLimits, lKind);
        for (int i = 0; i < 6 && lSame; ++i) {
            lSame = lBlockLimit.mBounds[i] == lBounds[i];
        }
        lSame = lSame && VectorCompare(lBlockLimit.mMin, lLimit->GetMin(), 1e-6) == 0 &&
                VectorCompare(lBlockLimit.mMax, lLimit->GetMax(), 1e-6) == 0;
    }
    if (lSame) {
        return;
    }
    for (int lKind = 0; lKind < 3; ++lKind) {
        KRyvLimit* lLimit = ioLimits.GetLimit(lKind);
        const BlockLimit lBlockLimit = ReadBlockLimit(pBlock, lKind);
        SetLimitActive(ioLimits, lKind, lBlockLimit.mActive);
        const bool* lBounds = lBlockLimit.mBounds;
        lLimit->SetMinActive(lBounds[0], lBounds[1], lBounds[2]);
        lLimit->SetMaxActive(lBounds[3], lBounds[4], lBounds[5]);
        lLimit->SetMin(lBlockLimit.mMin);
        lLimit->SetMax(lBlockLimit.mMax);
    }
}

} // namespace

void KRyvNode::UpdatePivotsFromProperties()
{
    if (!mProperties) {
        return;
    }
    CopyPivotsFromBlock(*mProperties, *GetPivotSet(0), *GetPivotSet(1));
    CopyLimitsFromBlock(*mProperties, GetLimits());
}

void KRyvNode::ResetTransformProperties()
{
    if (!mProperties) {
        return;
    }
    KRyvNodeProperties& lBlock = *mProperties;
    const KVector4 lZero;
    lBlock.SetRotationOffset(lZero);
    lBlock.SetRotationPivot(lZero);
    lBlock.SetRotationPivotUpdateOffset(lZero);
    lBlock.SetScalingOffset(lZero);
    lBlock.SetScalingPivot(lZero);
    lBlock.SetScalingPivotUpdateOffset(lZero);
    lBlock.SetPreRotation(lZero);
    lBlock.SetPostRotation(lZero);
    lBlock.SetGeometricTranslation(lZero);
    lBlock.SetGeometricRotation(lZero);
    lBlock.SetGeometricScaling(KVector4(1.0, 1.0, 1.0));
    for (int lKind = 0; lKind < 3; ++lKind) {
        WriteBlockLimit(lBlock, lKind, BlockLimit());
    }
    lBlock.SetRotationSpaceForLimitOnly(false);
    lBlock.SetQuaternionInterpolate(false);
    lBlock.SetRotationOrder(0);
    lBlock.SetInheritType(0);
    lBlock.SetAxisLen(0.0);
    lBlock.SetRotationStiffnessX(0.0);
    lBlock.SetRotationStiffnessY(0.0);
    lBlock.SetRotationStiffnessZ(0.0);
    lBlock.ResetPivotSet(0);
    lBlock.ResetPivotSet(1);
}

void KRyvNode::CreateUserPropertyRecords()
{
    PrepareUserProperties();
    MakeUserPropertyRecords(true);
}

void KRyvNode::DeferUserPropertyRecords()
{
    if (!mProperties) {
        return;
    }
    // Listing a record at creation set the animated flag of an animatable property; no take
    // existed yet, so that was all it changed.
    mProperties->WalkToConnect([](KProperty& ioProperty) {
        if (ioProperty.IsAnimatable()) {
            ioProperty.SetFlag(KProperty::kAnimated, true);
        }
    });
    const char* const lNames[3] = {kLclTranslation, kLclRotation, kLclScaling};
    for (int i = 0; i < 3; ++i) {
        if (KProperty* lProperty = mProperties->FindProperty(lNames[i])) {
            mLclChannels[i] = lProperty->GetWeakHandle();
        }
    }
    mRecordsPending = true;
}

void KRyvNode::PrepareUserProperties() const
{
    if (!mRecordsPending) {
        return;
    }
    if (KRyvObjectFactory* lFactory = GetObjectFactory()) {
        lFactory->MakePendingUserPropertyRecords();
    }
    // Still pending when the factory does not list the node yet (it is being made) or making
    // them ran out of memory part way: the node finishes them itself.
    const_cast<KRyvNode*>(this)->MakeDeferredUserPropertyRecords();
}

void KRyvNode::MakeDeferredUserPropertyRecords()
{
    if (!mRecordsPending) {
        return;
    }
    mRecordsPending = false;
    try {
        MakeUserPropertyRecords(false);
    } catch (const std::bad_alloc&) {
        mRecordsPending = true;
        throw;
    }
}

std::unordered_set<const KProperty*> KRyvNode::GetRecordedProperties() const
{
    std::unordered_set<const KProperty*> lRecorded;
    for (const KRyvUserProperty* lUserProperty : GetListedUserProperties()) {
        lRecorded.insert(lUserProperty->GetProperty());
    }
    return lRecorded;
}

void KRyvNode::VisitUserProperties(const std::function<void(const KRyvUserProperty&)>& pVisit) const
{
    if (!mRecordsPending || !mProperties) {
        KRyvObject::VisitUserProperties(pVisit);
        return;
    }
    for (const KRyvUserProperty* lUserProperty : GetListedUserProperties()) {
        pVisit(*lUserProperty);
    }
    const std::unordered_set<const KProperty*> lRecorded = GetRecordedProperties();
    mProperties->WalkToRead([&](const KProperty& pProperty) {
        if (lRecorded.count(&pProperty) == 0) {
            // The record is handed on const, so what it binds stays read-only (see
            // KRyvUserProperty::GetProperty).
            pVisit(KRyvUserProperty(GetObjectFactory(), const_cast<KProperty*>(&pProperty)));
        }
    });
}

void KRyvNode::MakeUserPropertyRecords(bool pTellAdded)
{
    if (!mProperties) {
        return;
    }
    // The records made below need no entry, as the block holds each property once.
    const std::unordered_set<const KProperty*> lRecorded = GetRecordedProperties();
    for (int i = 0; i < mProperties->GetPropertyCount(); ++i) {
        KProperty* lProperty = mProperties->GetProperty(i);
        if (!lProperty || lRecorded.count(lProperty) != 0) {
            continue;
        }
        // A factory's node hands its records to the factory, which takes them back when the
        // node is destroyed; a node made without one keeps them itself. Deferred records take
        // the place the factory kept for them, so they skip the factory's pending list.
        KRyvUserProperty* lAdded = nullptr;
        if (KRyvObjectFactory* lFactory = GetObjectFactory()) {
            lAdded = pTellAdded ? lFactory->CreateUserProperty(lProperty)
                                : lFactory->ListUserProperty(lProperty);
        } else {
            mOwnedUserProperties.push_back(std::make_unique<KRyvUserProperty>(nullptr, lProperty));
            lAdded = mOwnedUserProperties.back().get();
        }
        if (!lAdded) {
            continue;
        }
        lAdded->SetNotifyTarget(mProperties);
        if (pTellAdded) {
            AddUserProperty(lAdded);
        } else {
            AppendUserProperty(lAdded);
        }
    }
    const char* const lNames[3] = {kLclTranslation, kLclRotation, kLclScaling};
    for (int i = 0; i < 3; ++i) {
        mLclProperties[i] = FindUserProperty(lNames[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Scene membership

void KRyvNode::CollectSubtree(std::vector<KRyvNode*>& ioNodes)
{
    // Depth first, each node before its children, without recursion: trees from files can be
    // deep.
    std::vector<KRyvNode*> lStack{this};
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        ioNodes.push_back(lNode);
        lNode->PushChildrenReversed(lStack);
    }
}

void KRyvNode::PushChildrenReversed(std::vector<KRyvNode*>& ioStack) const
{
    // One look at the block's view for all children: finding it is the costly part.
    KPlug* lView = ChildView(mProperties);
    for (int i = lView ? lView->GetSrcCount() - 1 : -1; i >= 0; --i) {
        if (KRyvNode* lChild = NodeOfPlug(lView->GetSrc(i))) {
            ioStack.push_back(lChild);
        }
    }
}

int KRyvNode::FindSceneClash(KRyvSceneEntity* pScene, int pMode)
{
    if (!pScene) {
        return 0;
    }
    std::vector<KRyvNode*> lNodes;
    CollectSubtree(lNodes);
    KRyvSceneEntity* lReference = pMode == 1 ? pScene : nullptr;
    return KRyvSceneEntity::FindNodeNameClash(lNodes, lReference) ? kNodeNameClash : 0;
}

bool KRyvNode::SetScene(KRyvSceneEntity* pScene, int pMode)
{
    if (pScene == mScene && (pMode != 1 || !pScene || pScene->GetRootNode() == this)) {
        return true;
    }
    if (const int lClash = FindSceneClash(pScene, pMode)) {
        mError.SetLastErrorID(lClash);
        return false;
    }
    std::vector<KRyvNode*> lNodes;
    CollectSubtree(lNodes);
    for (KRyvNode* lNode : lNodes) {
        if (lNode->mScene) {
            lNode->mScene->RemoveNode(lNode);
            lNode->mScene = nullptr;
        }
    }
    if (!pScene) {
        return true;
    }
    if (pMode == 1) {
        if (KRyvNode* lOldRoot = pScene->GetRootNode()) {
            lOldRoot->SetScene(nullptr, 0);
        }
        pScene->Clear();
    }
    for (KRyvNode* lNode : lNodes) {
        pScene->AddNode(lNode);
        lNode->mScene = pScene;
    }
    if (pMode == 1) {
        pScene->SetRootNode(this);
    }
    return true;
}
