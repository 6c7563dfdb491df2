#include "scene/KRyvTakeNodeContainer.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KVector4.h"
#include "object/KDataType.h"
#include "object/KProperty.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvUserProperty.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const char* const kTakeNodeDoesNotExist = "Take node does not exist";
const char* const kUnknownTakeNodeName = "Unknown take node name";
const char* const kIndexOutOfRange = "Index out of range";
const char* const kCannotRemoveDefaultTakeNode = "Cannot remove default take node";
const char* const kTakeNodeAlreadyExists = "Take node already exists";
const char* const kDefaultTakeName = "Default";

constexpr int kMaxChannels = 4;

// Truncation toward zero, refused outside the int range and for NaN.
bool TruncateToInt(double pValue, int& oValue)
{
    if (!(pValue > static_cast<double>(std::numeric_limits<int>::min()) - 1.0 &&
          pValue < static_cast<double>(std::numeric_limits<int>::max()) + 1.0)) {
        return false;
    }
    oValue = static_cast<int>(pValue);
    return true;
}

// Curve-node names compare byte for byte here, unlike KFCurveNode::Find, so that a user property
// named "transform" never lands on "Transform".
KFCurveNode* FindDirectChild(const KFCurveNode* pParent, const char* pName)
{
    if (pParent == nullptr || pName == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < pParent->GetCount(); ++i) {
        KFCurveNode* lChild = pParent->Get(i);
        if (lChild != nullptr && std::strcmp(lChild->GetName(), pName) == 0) {
            return lChild;
        }
    }
    return nullptr;
}

int FindDirectChildIndex(const KFCurveNode* pParent, const KFCurveNode* pChild)
{
    for (int i = 0; i < pParent->GetCount(); ++i) {
        if (pParent->Get(i) == pChild) {
            return i;
        }
    }
    return -1;
}

bool IsTransformPropertyName(const char* pName)
{
    return pName != nullptr &&
           (std::strcmp(pName, "Lcl Translation") == 0 || std::strcmp(pName, "Lcl Rotation") == 0 ||
            std::strcmp(pName, "Lcl Scaling") == 0);
}

// The channel of a property below a take's root. The transform properties live under "T", "R"
// or "S", which a node keeps inside "Transform"; every other name is looked for among the root's
// direct children only.
KFCurveNode* FindPropertyChannel(const KFCurveNode* pRoot, const char* pPropertyName)
{
    const KString lName = KRyvTakeNodeContainer::GetCurveNodeName(pPropertyName);
    if (IsTransformPropertyName(pPropertyName)) {
        if (KFCurveNode* lNode =
                FindDirectChild(FindDirectChild(pRoot, "Transform"), lName.Buffer())) {
            return lNode;
        }
    }
    return FindDirectChild(pRoot, lName.Buffer());
}

void SetCurveColor(KFCurve* pCurve, int pChannel, bool pSingle)
{
    if (pSingle) {
        pCurve->SetColor(0.75f, 0.0f, 0.0f);
    } else if (pChannel == 0) {
        pCurve->SetColor(1.0f, 0.0f, 0.0f);
    } else if (pChannel == 1) {
        pCurve->SetColor(0.0f, 1.0f, 0.0f);
    } else if (pChannel == 2) {
        pCurve->SetColor(0.0f, 0.0f, 1.0f);
    }
}

// A new curve for the node (which owns it); the node keeps a curve it already has.
KFCurve* EnsureCurve(KFCurveNode* pNode, int pChannel, bool pSingle)
{
    if (pNode->GetCurve() == nullptr) {
        KFCurve* lCurve = KFCurve::Create();
        if (lCurve == nullptr) {
            return nullptr;
        }
        SetCurveColor(lCurve, pChannel, pSingle);
        pNode->SetCurve(lCurve);
    }
    return pNode->GetCurve();
}

// A new child named pName under pParent; null when it cannot be added.
KFCurveNode* AddChildNode(KFCurveNode* pParent, const char* pName)
{
    KFCurveNode* lChild = KFCurveNode::Create(pName);
    if (lChild == nullptr) {
        return nullptr;
    }
    if (pParent->Add(lChild) < 0) {
        KFCurveNode::Destroy(lChild);
        return nullptr;
    }
    return lChild;
}

// The channel child pChannel of a multi-channel node, made (with a curve) when missing.
KFCurveNode* EnsureChannelChild(KFCurveNode* pNode, int pChannel)
{
    KFCurveNode* lChild = pNode->Get(pChannel);
    if (lChild == nullptr) {
        lChild = FindDirectChild(pNode, KRyvTakeNodeContainer::GetChannelName(pChannel));
    }
    if (lChild == nullptr) {
        lChild = AddChildNode(pNode, KRyvTakeNodeContainer::GetChannelName(pChannel));
    }
    if (lChild != nullptr) {
        EnsureCurve(lChild, pChannel, false);
    }
    return lChild;
}

// Sets a curve's default value without calling back into its links.
void SetDefaultQuietly(KFCurve* pCurve, double pValue)
{
    if (pCurve == nullptr) {
        return;
    }
    const bool lEnabled = pCurve->AreEventsEnabled();
    pCurve->EnableEvents(false);
    pCurve->SetDefaultValue(KRyvToCurveValue(pValue));
    pCurve->ClearPendingEvent();
    pCurve->EnableEvents(lEnabled);
}

bool IsIntegerKind(int pPropertyType)
{
    return pPropertyType == kPropertyTypeInt || pPropertyType == kPropertyTypeBool ||
           pPropertyType == kPropertyTypeEnum;
}

void WriteScalar(KProperty* pProperty, double pValue)
{
    if (IsIntegerKind(pProperty->GetPropertyType())) {
        int lValue = 0;
        if (TruncateToInt(pValue, lValue)) {
            pProperty->SetValueAsInt(lValue);
        }
    } else {
        pProperty->SetValueAsDouble(pValue);
    }
}

void WriteComponent(KProperty* pProperty, int pChannel, double pValue)
{
    KVector4 lValue;
    if (pChannel < 0 || pChannel >= kMaxChannels || !pProperty->GetValue(lValue)) {
        return;
    }
    lValue[pChannel] = pValue;
    pProperty->SetValue(lValue);
}

void CollectCurves(const KFCurveNode* pNode, std::vector<const KFCurve*>& ioCurves)
{
    if (pNode->GetCurve() != nullptr) {
        ioCurves.push_back(pNode->GetCurve());
    }
    for (int i = 0; i < pNode->GetCount(); ++i) {
        CollectCurves(pNode->Get(i), ioCurves);
    }
}

} // namespace

KRyvLinkedProperty KRyvLinkedProperty::FromProperty(KProperty* pProperty)
{
    KRyvLinkedProperty lLinked;
    lLinked.mKind = Kind::kProperty;
    if (pProperty != nullptr) {
        lLinked.mProperty = pProperty->GetWeakHandle();
    }
    return lLinked;
}

KRyvLinkedProperty KRyvLinkedProperty::FromUserProperty(KRyvUserProperty* pUserProperty)
{
    KRyvLinkedProperty lLinked;
    lLinked.mKind = Kind::kUserProperty;
    lLinked.mUserProperty = pUserProperty;
    return lLinked;
}

KProperty* KRyvLinkedProperty::GetProperty() const
{
    if (mKind == Kind::kUserProperty) {
        return mUserProperty ? mUserProperty->GetProperty() : nullptr;
    }
    // Only KProperty handles are stored.
    return static_cast<KProperty*>(mProperty.Get());
}

bool KRyvLinkedProperty::IsEmpty() const
{
    return mKind == Kind::kUserProperty ? mUserProperty == nullptr : mProperty.IsEmpty();
}

KRyvTakeNodeContainer::KRyvTakeNodeContainer(KRyvObjectFactory* pOwner, const char* pName,
                                             KError* pError)
    : KRyvObject(pOwner, pName), mError(pError ? pError : &mOwnError)
{
}

KRyvTakeNodeContainer::~KRyvTakeNodeContainer()
{
    // Links go first: the properties they write into may already be gone with the derived
    // object, and no curve event must reach them while the takes are destroyed. Nor may a
    // deferred take be filled by what is gone.
    for (const auto& lTake : mTakes) {
        lTake->DeferContent(nullptr);
    }
    UnlinkAllPropertyCurves();
    while (!mTakes.empty()) {
        mTakes.pop_back();
    }
    mCurrent = -1;
}

void KRyvTakeNodeContainer::ReportError(const char* pText)
{
    mError->SetLastError(0, pText);
}

void KRyvTakeNodeContainer::SetCurrentIndex(int pIndex)
{
    mCurrent = pIndex;
    OnCurrentTakeNodeChanged();
}

KRyvTakeNode* KRyvTakeNodeContainer::GetTakeNode(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetTakeNodeCount()) {
        ReportError(kTakeNodeDoesNotExist);
        return nullptr;
    }
    return mTakes[static_cast<std::size_t>(pIndex)].get();
}

const char* KRyvTakeNodeContainer::GetTakeNodeName(int pIndex)
{
    const KRyvTakeNode* lTake = GetTakeNode(pIndex);
    return lTake ? lTake->GetName().Buffer() : nullptr;
}

KRyvTakeNode* KRyvTakeNodeContainer::GetDefaultTakeNode() const
{
    return mTakes.empty() ? nullptr : mTakes.front().get();
}

bool KRyvTakeNodeContainer::IsDefaultTakeNode(const KRyvTakeNode* pTake) const
{
    return pTake != nullptr && pTake == GetDefaultTakeNode();
}

KRyvTakeNode* KRyvTakeNodeContainer::GetCurrentTakeNode()
{
    return GetTakeNode(mCurrent);
}

const char* KRyvTakeNodeContainer::GetCurrentTakeNodeName()
{
    return GetTakeNodeName(mCurrent);
}

bool KRyvTakeNodeContainer::SetCurrentTakeNode(const char* pName)
{
    const bool lFound = SetCurrentTakeNodeUntold(pName);
    OnCurrentTakeNodeChanged();
    return lFound;
}

bool KRyvTakeNodeContainer::SetCurrentTakeNodeUntold(const char* pName)
{
    if (pName != nullptr) {
        for (int i = 0; i < GetTakeNodeCount(); ++i) {
            if (std::strcmp(mTakes[static_cast<std::size_t>(i)]->GetName().Buffer(), pName) == 0) {
                mCurrent = i;
                return true;
            }
        }
    }
    ReportError(kUnknownTakeNodeName);
    mCurrent = 0;
    return false;
}

bool KRyvTakeNodeContainer::SetCurrentTakeNode(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetTakeNodeCount()) {
        ReportError(kIndexOutOfRange);
        SetCurrentIndex(0);
        return false;
    }
    SetCurrentIndex(pIndex);
    return true;
}

bool KRyvTakeNodeContainer::HasTakeNamed(const char* pName) const
{
    for (const auto& lTake : mTakes) {
        if (std::strcmp(lTake->GetName().Buffer(), pName) == 0) {
            return true;
        }
    }
    return false;
}

KRyvTakeNode* KRyvTakeNodeContainer::AddTakeNode(const char* pName)
{
    const char* lName = pName ? pName : "";
    if (HasTakeNamed(lName)) {
        ReportError(kTakeNodeAlreadyExists);
        return nullptr;
    }
    auto lTake = std::make_unique<KRyvTakeNode>(lName);
    KRyvTakeNode* lResult = lTake.get();
    if (KRyvTakeNode* lDefault = GetDefaultTakeNode()) {
        // Curve copies never carry callbacks, so the links stay with take 0.
        if (!lDefault->IsContentDeferred() || !CopyDeferredDefaultTake(*lResult)) {
            lResult->GetKFCurveNode()->CopyFrom(*lDefault->GetKFCurveNode());
        }
        mTakes.push_back(std::move(lTake));
    } else {
        // Listed before InitTakeNode runs, so that IsDefaultTakeNode already knows it.
        mTakes.push_back(std::move(lTake));
        InitTakeNode(lResult);
    }
    return lResult;
}

KRyvTakeNode* KRyvTakeNodeContainer::AddDefaultTakeNode()
{
    KRyvTakeNode* lTake = AddTakeNode(kDefaultTakeName);
    SetCurrentIndex(0);
    return lTake;
}

bool KRyvTakeNodeContainer::RemoveTakeNode(int pIndex)
{
    if (pIndex == 0) {
        ReportError(kCannotRemoveDefaultTakeNode);
        return false;
    }
    if (pIndex < 1 || pIndex >= GetTakeNodeCount()) {
        ReportError(kIndexOutOfRange);
        return false;
    }
    std::unique_ptr<KRyvTakeNode> lTake = std::move(mTakes[static_cast<std::size_t>(pIndex)]);
    mTakes.erase(mTakes.begin() + pIndex);
    lTake.reset();
    if (mCurrent >= pIndex) {
        SetCurrentIndex(mCurrent - 1);
    }
    return true;
}

bool KRyvTakeNodeContainer::GetAnimationInterval(KTime& ioStart, KTime& ioStop)
{
    const KRyvTakeNode* lTake = GetCurrentTakeNode();
    // What waits to be made holds no key.
    const KFCurveNode* lRoot = lTake ? lTake->GetMadeKFCurveNode() : nullptr;
    if (lRoot == nullptr) {
        return false;
    }
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    if (!lRoot->GetAnimationInterval(lStart, lStop)) {
        return false;
    }
    ioStart = std::min(ioStart, lStart);
    ioStop = std::max(ioStop, lStop);
    return true;
}

bool KRyvTakeNodeContainer::IsAnimated(const char* pName1, const char* pName2,
                                       const char* pName3) const
{
    for (std::size_t i = 1; i < mTakes.size(); ++i) {
        if (mTakes[i]->IsAnimated(pName1, pName2, pName3)) {
            return true;
        }
    }
    return false;
}

bool KRyvTakeNodeContainer::IsAnimated(const char* pName1, const char* pName2,
                                       const KDataType* pDataType) const
{
    for (std::size_t i = 1; i < mTakes.size(); ++i) {
        if (mTakes[i]->IsAnimated(pName1, pName2, pDataType)) {
            return true;
        }
    }
    return false;
}

void KRyvTakeNodeContainer::AddUserPropertyChannel(KRyvUserProperty* pUserProperty,
                                                   KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake->GetKFCurveNode();
    if (lRoot == nullptr) {
        return;
    }
    const KString lName = pUserProperty->GetName();
    KFCurveNode* lNode = FindPropertyChannel(lRoot, lName.Buffer());
    const bool lIsTransform = IsTransformPropertyName(lName.Buffer());
    if (lNode == nullptr && lIsTransform) {
        return;
    }
    const int lType = pUserProperty->GetType();
    const bool lThreeChannels =
        lType == KRyvUserProperty::kTypeVector || lType == KRyvUserProperty::kTypeColor;
    const bool lCreated = lNode == nullptr;
    if (lCreated) {
        lNode = AddChildNode(lRoot, GetCurveNodeName(lName.Buffer()).Buffer());
        if (lNode == nullptr) {
            return;
        }
        if (!lThreeChannels) {
            EnsureCurve(lNode, 0, true);
        }
    }
    // The new curves start from the user property's values, as every default curve mirrors its
    // property.
    WriteUserPropertyDefaults(pUserProperty, lNode);
    KProperty* lBound = pUserProperty->GetProperty();
    if (!lCreated || lBound == nullptr || !IsDefaultTakeNode(pTake)) {
        return;
    }
    if (lThreeChannels) {
        for (int i = 0; i < 3; ++i) {
            if (KFCurveNode* lChild = EnsureChannelChild(lNode, i)) {
                LinkPropertyToCurve(lBound, i, lChild->GetCurve());
            }
        }
    } else {
        LinkPropertyToCurve(lBound, 0, lNode->GetCurve());
    }
}

void KRyvTakeNodeContainer::OnUserPropertyAdded(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty == nullptr || !pUserProperty->GetFlag(KRyvUserProperty::kFlagAnimatable)) {
        return;
    }
    if (KProperty* lBound = pUserProperty->GetProperty()) {
        lBound->SetFlag(KProperty::kAnimated, true);
    }
    for (const auto& lTake : mTakes) {
        AddUserPropertyChannel(pUserProperty, lTake.get());
    }
}

void KRyvTakeNodeContainer::UnlinkCurvesBelow(const KFCurveNode* pCurveNode)
{
    std::vector<const KFCurve*> lCurves;
    CollectCurves(pCurveNode, lCurves);
    for (std::size_t i = 0; i < mLinks.size();) {
        if (std::find(lCurves.begin(), lCurves.end(), mLinks[i]->mCurve) != lCurves.end()) {
            KRyvPropertyCurveLink* lLink = mLinks[i].get();
            UnlinkPropertyCurve(lLink);
        } else {
            ++i;
        }
    }
}

void KRyvTakeNodeContainer::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty == nullptr) {
        return;
    }
    const KString lName = GetCurveNodeName(pUserProperty->GetName().Buffer());
    for (const auto& lTake : mTakes) {
        KFCurveNode* lRoot = lTake->FindKFCurveNode();
        KFCurveNode* lNode = lRoot ? FindDirectChild(lRoot, lName.Buffer()) : nullptr;
        if (lNode == nullptr) {
            continue;
        }
        UnlinkCurvesBelow(lNode);
        lRoot->Delete(FindDirectChildIndex(lRoot, lNode));
    }
    for (std::size_t i = 0; i < mLinks.size();) {
        if (mLinks[i]->mProperty.GetUserProperty() == pUserProperty) {
            KRyvPropertyCurveLink* lLink = mLinks[i].get();
            UnlinkPropertyCurve(lLink);
        } else {
            ++i;
        }
    }
}

void KRyvTakeNodeContainer::UpdateUserPropertyDefaults(KRyvUserProperty* pUserProperty)
{
    if (pUserProperty == nullptr || !pUserProperty->GetFlag(KRyvUserProperty::kFlagAnimatable)) {
        return;
    }
    const KString lName = pUserProperty->GetName();
    const auto lWrite = [&](KRyvTakeNode& ioTake) {
        if (ioTake.IsContentDeferred() &&
            WriteDeferredUserPropertyDefaults(ioTake, pUserProperty)) {
            return;
        }
        if (KFCurveNode* lNode = FindPropertyChannel(ioTake.GetKFCurveNode(), lName.Buffer())) {
            WriteUserPropertyDefaults(pUserProperty, lNode);
        }
    };
    KRyvTakeNode* lCurrent = GetCurrentTakeNode();
    if (lCurrent != nullptr) {
        lWrite(*lCurrent);
    }
    KRyvTakeNode* lDefault = GetDefaultTakeNode();
    if (lDefault != nullptr && lDefault != lCurrent) {
        lWrite(*lDefault);
    }
}

bool KRyvTakeNodeContainer::CopyDeferredDefaultTake(KRyvTakeNode& /*ioTake*/)
{
    return false;
}

bool KRyvTakeNodeContainer::WriteDeferredUserPropertyDefaults(KRyvTakeNode& /*ioTake*/,
                                                              KRyvUserProperty* /*pUserProperty*/)
{
    return false;
}

void KRyvTakeNodeContainer::UpdateDefaultTakeFromProperties()
{
    KRyvTakeNode* lDefault = GetDefaultTakeNode();
    KFCurveNode* lRoot = lDefault ? lDefault->GetKFCurveNode() : nullptr;
    if (lRoot == nullptr) {
        return;
    }
    std::vector<KProperty*> lProperties;
    GetUserProperties(lProperties);
    for (KProperty* lProperty : lProperties) {
        if (lProperty == nullptr) {
            continue;
        }
        if (KFCurveNode* lNode = FindPropertyChannel(lRoot, lProperty->GetName())) {
            WritePropertyDefaults(lProperty, lNode);
        }
    }
}

void KRyvTakeNodeContainer::CreatePropertyCurves(KProperty* pProperty, KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (pProperty == nullptr || lRoot == nullptr) {
        return;
    }
    const KString lName = GetCurveNodeName(pProperty->GetName());
    if (lName.IsEmpty() || FindDirectChild(lRoot, lName.Buffer()) != nullptr) {
        return;
    }
    KFCurveNode* lNode = AddChildNode(lRoot, lName.Buffer());
    if (lNode == nullptr) {
        return;
    }
    const bool lLink = IsDefaultTakeNode(pTake);
    const int lChannels = std::min(GetChannelCount(pProperty), kMaxChannels);
    if (lChannels <= 1) {
        KFCurve* lCurve = EnsureCurve(lNode, 0, true);
        if (lLink) {
            LinkPropertyToCurve(pProperty, 0, lCurve);
        }
    } else {
        for (int i = 0; i < lChannels; ++i) {
            KFCurveNode* lChild = EnsureChannelChild(lNode, i);
            if (lChild != nullptr && lLink) {
                LinkPropertyToCurve(pProperty, i, lChild->GetCurve());
            }
        }
    }
    WritePropertyDefaults(pProperty, lNode);
}

void KRyvTakeNodeContainer::WritePropertyDefaults(KProperty* pProperty, KFCurveNode* pCurveNode)
{
    if (pProperty == nullptr || pCurveNode == nullptr) {
        return;
    }
    const int lChannels = std::min(GetChannelCount(pProperty), kMaxChannels);
    if (lChannels <= 1) {
        SetDefaultQuietly(pCurveNode->GetCurve(), pProperty->GetValueAsDouble());
        return;
    }
    KVector4 lValue;
    if (!pProperty->GetValue(lValue)) {
        return;
    }
    for (int i = 0; i < lChannels; ++i) {
        if (const KFCurveNode* lChild = pCurveNode->Get(i)) {
            SetDefaultQuietly(lChild->GetCurve(), lValue[i]);
        }
    }
}

void KRyvTakeNodeContainer::WriteUserPropertyDefaults(KRyvUserProperty* pUserProperty,
                                                      KFCurveNode* pCurveNode)
{
    if (pUserProperty == nullptr || pCurveNode == nullptr) {
        return;
    }
    const int lType = pUserProperty->GetType();
    if (lType == KRyvUserProperty::kTypeVector || lType == KRyvUserProperty::kTypeColor) {
        double lValues[3] = {0.0, 0.0, 0.0};
        pUserProperty->GetValue(lValues[0], lValues[1], lValues[2]);
        for (int i = 0; i < 3; ++i) {
            if (KFCurveNode* lChild = EnsureChannelChild(pCurveNode, i)) {
                SetDefaultQuietly(lChild->GetCurve(), lValues[i]);
            }
        }
        return;
    }
    double lValue = 0.0;
    pUserProperty->GetValue(lValue);
    SetDefaultQuietly(EnsureCurve(pCurveNode, 0, true), lValue);
}

KRyvPropertyCurveLink* KRyvTakeNodeContainer::AddLink(const KRyvLinkedProperty& pProperty,
                                                      int pChannel, KFCurve* pCurve)
{
    if (pProperty.IsEmpty() || pCurve == nullptr || pChannel < 0 || pChannel >= kMaxChannels) {
        return nullptr;
    }
    FillDeferredDefaultTake();
    for (const auto& lLink : mLinks) {
        if (lLink->mCurve == pCurve && lLink->mChannel == pChannel &&
            lLink->mProperty.GetKind() == pProperty.GetKind() &&
            lLink->mProperty.GetProperty() == pProperty.GetProperty() &&
            lLink->mProperty.GetUserProperty() == pProperty.GetUserProperty()) {
            return lLink.get();
        }
    }
    auto lLink = std::make_unique<KRyvPropertyCurveLink>();
    lLink->mProperty = pProperty;
    lLink->mChannel = pChannel;
    lLink->mCurve = pCurve;
    lLink->mContainer = this;
    KRyvPropertyCurveLink* lResult = lLink.get();
    mLinks.push_back(std::move(lLink));
    pCurve->AddCallback(&KRyvTakeNodeContainer::OnLinkedCurveChanged, lResult);
    return lResult;
}

KRyvPropertyCurveLink* KRyvTakeNodeContainer::LinkPropertyToCurve(KProperty* pProperty,
                                                                  int pChannel, KFCurve* pCurve)
{
    if (pProperty == nullptr) {
        return nullptr;
    }
    return AddLink(KRyvLinkedProperty::FromProperty(pProperty), pChannel, pCurve);
}

KRyvPropertyCurveLink* KRyvTakeNodeContainer::LinkPropertyToCurve(KRyvUserProperty* pUserProperty,
                                                                  int pChannel, KFCurve* pCurve)
{
    if (pUserProperty == nullptr) {
        return nullptr;
    }
    return AddLink(KRyvLinkedProperty::FromUserProperty(pUserProperty), pChannel, pCurve);
}

void KRyvTakeNodeContainer::UnlinkPropertyCurve(KRyvPropertyCurveLink*& ioLink)
{
    auto lFound = std::find_if(mLinks.begin(), mLinks.end(),
                               [ioLink](const auto& pLink) { return pLink.get() == ioLink; });
    if (ioLink == nullptr || lFound == mLinks.end()) {
        return;
    }
    std::unique_ptr<KRyvPropertyCurveLink> lLink = std::move(*lFound);
    mLinks.erase(lFound);
    if (lLink->mCurve != nullptr) {
        lLink->mCurve->RemoveCallback(&KRyvTakeNodeContainer::OnLinkedCurveChanged, lLink.get());
    }
    ioLink = nullptr;
}

void KRyvTakeNodeContainer::UnlinkAllPropertyCurves()
{
    FillDeferredDefaultTake();
    while (!mLinks.empty()) {
        KRyvPropertyCurveLink* lLink = mLinks.front().get();
        UnlinkPropertyCurve(lLink);
    }
}

int KRyvTakeNodeContainer::GetPropertyCurveLinkCount() const
{
    FillDeferredDefaultTake();
    return static_cast<int>(mLinks.size());
}

void KRyvTakeNodeContainer::FillDeferredDefaultTake() const
{
    if (const KRyvTakeNode* lDefault = GetDefaultTakeNode()) {
        lDefault->FillDeferredContent();
    }
}

KRyvPropertyCurveLink* KRyvTakeNodeContainer::GetPropertyCurveLink(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetPropertyCurveLinkCount()) {
        return nullptr;
    }
    return mLinks[static_cast<std::size_t>(pIndex)].get();
}

KString KRyvTakeNodeContainer::GetCurveNodeName(const char* pPropertyName)
{
    if (pPropertyName == nullptr) {
        return KString("");
    }
    if (std::strcmp(pPropertyName, "Lcl Translation") == 0) {
        return KString("T");
    }
    if (std::strcmp(pPropertyName, "Lcl Rotation") == 0) {
        return KString("R");
    }
    if (std::strcmp(pPropertyName, "Lcl Scaling") == 0) {
        return KString("S");
    }
    return KString(pPropertyName);
}

int KRyvTakeNodeContainer::GetChannelCount(KProperty* pProperty)
{
    if (pProperty == nullptr) {
        return 1;
    }
    const KDataType* lDataType = pProperty->GetDataType();
    if (lDataType != nullptr && lDataType->GetMemberCount() > 1) {
        return lDataType->GetMemberCount();
    }
    switch (pProperty->GetPropertyType()) {
    case kPropertyTypeVector3D:
    case kPropertyTypeColorRGB:
        return 3;
    case kPropertyTypeVector4D:
    case kPropertyTypeColorRGBA:
        return 4;
    default:
        return 1;
    }
}

const char* KRyvTakeNodeContainer::GetChannelName(int pChannel)
{
    static const char* const kNames[] = {"X", "Y", "Z", "toto"};
    if (pChannel < 0 || pChannel >= kMaxChannels) {
        return nullptr;
    }
    return kNames[pChannel];
}

void KRyvTakeNodeContainer::OnLinkedCurveChanged(KFCurve* pCurve, KFCurveEvent* pEvent, void* pLink)
{
    auto* lLink = static_cast<KRyvPropertyCurveLink*>(pLink);
    if (pCurve == nullptr || pEvent == nullptr || lLink == nullptr) {
        return;
    }
    KProperty* lProperty = lLink->mProperty.GetProperty();
    if ((pEvent->mFlags & KFCurveEvent::kValueChanged) != 0 && lProperty != nullptr) {
        const double lValue = pCurve->GetDefaultValue();
        const KDataType* lDataType = lProperty->GetDataType();
        const int lType = lProperty->GetPropertyType();
        if (lDataType == nullptr) {
            if (IsIntegerKind(lType) || lType == kPropertyTypeFloat ||
                lType == kPropertyTypeDouble) {
                WriteScalar(lProperty, lValue);
            } else if (lType >= kPropertyTypeVector4D && lType <= kPropertyTypeColorRGBA) {
                WriteComponent(lProperty, lLink->mChannel, lValue);
            }
        } else if (lDataType->GetMemberCount() > lLink->mChannel) {
            if (lDataType->GetMemberCount() == 1) {
                WriteScalar(lProperty, lValue);
            } else {
                WriteComponent(lProperty, lLink->mChannel, lValue);
            }
        }
    }
    if ((pEvent->mFlags & KFCurveEvent::kDestroyed) != 0 && lLink->mContainer != nullptr) {
        lLink->mContainer->UnlinkPropertyCurve(lLink);
    }
}
