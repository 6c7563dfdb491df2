#include "animation/KFCurveNode.h"

#include "object/KDataType.h"

#include <cstring>
#include <new>

namespace {

// The data type a one-letter step ("T", "R", "S", any case) stands for; null for other steps.
const char* AliasDataType(const char* pStep)
{
    if (pStep[0] == '\0' || pStep[1] != '\0') {
        return nullptr;
    }
    switch (pStep[0]) {
    case 'T':
    case 't':
        return "Lcl Translation";
    case 'R':
    case 'r':
        return "Lcl Rotation";
    case 'S':
    case 's':
        return "Lcl Scaling";
    default:
        return nullptr;
    }
}

bool StepMatches(const KFCurveNode& pNode, const char* pStep)
{
    if (KString(pNode.GetName()).CompareNoCase(pStep) == 0) {
        return true;
    }
    const char* lAlias = AliasDataType(pStep);
    return lAlias != nullptr && pNode.GetDataType() != nullptr &&
           std::strcmp(pNode.GetDataType()->GetName(), lAlias) == 0;
}

} // namespace

std::atomic<std::uint64_t> KFCurveNode::sStructureStamp{0};

KFCurveNode* KFCurveNode::Create(const char* pName, KDataType* pDataType, int pKind, int pLayer)
{
    return new (std::nothrow) KFCurveNode(pName, pDataType, pKind, pLayer);
}

void KFCurveNode::Destroy(KFCurveNode* pNode)
{
    delete pNode;
}

KFCurveNode::KFCurveNode(const char* pName, KDataType* pDataType, int pKind, int pLayer)
    : mDataType(pDataType), mKind(pKind), mLayer(pLayer)
{
    SetName(pName);
    const bool lTimeWarp =
        pDataType != nullptr && std::strcmp(pDataType->GetName(), "TimeWarp") == 0;
    mTypeNameIsName = !lTimeWarp;
}

KFCurveNode::~KFCurveNode()
{
    FreeName();
    BumpStructureStamp();
}

void KFCurveNode::SetName(const char* pName)
{
    static const char* const kSharedNames[] = {"",  "Transform", "T", "R",         "S",
                                               "X", "Y",         "Z", "Visibility"};
    const char* lName = pName ? pName : "";
    for (const char* lShared : kSharedNames) {
        if (std::strcmp(lName, lShared) == 0) {
            FreeName();
            mName = lShared;
            return;
        }
    }
    const std::size_t lSize = std::strlen(lName) + 1;
    char* lCopy = new char[lSize];
    std::memcpy(lCopy, lName, lSize);
    FreeName();
    mName = lCopy;
    mNameOwned = true;
}

void KFCurveNode::FreeName()
{
    if (mNameOwned) {
        delete[] mName;
        mNameOwned = false;
    }
    mName = "";
}

KFCurve* KFCurveNode::SetCurve(KFCurve* pCurve, bool pDestroyOld)
{
    if (pCurve == mCurve.get()) {
        return nullptr;
    }
    KFCurve* lOld = mCurve.release();
    mCurve.reset(pCurve);
    BumpStructureStamp();
    if (pDestroyOld) {
        KFCurve::Destroy(lOld);
        return nullptr;
    }
    return lOld;
}

// ---- children ----

int KFCurveNode::GetHeight() const
{
    int lHeight = 0;
    for (const auto& lChild : mChildren) {
        const int lChildHeight = lChild->GetHeight();
        lHeight = lChildHeight > lHeight ? lChildHeight : lHeight;
    }
    return lHeight + 1;
}

int KFCurveNode::GetDepth() const
{
    int lDepth = 1;
    for (const KFCurveNode* lNode = mParent; lNode != nullptr; lNode = lNode->mParent) {
        ++lDepth;
    }
    return lDepth;
}

bool KFCurveNode::IsAncestorOf(const KFCurveNode* pNode) const
{
    for (const KFCurveNode* lNode = pNode; lNode != nullptr; lNode = lNode->mParent) {
        if (lNode == this) {
            return true;
        }
    }
    return false;
}

int KFCurveNode::Add(KFCurveNode* pChild)
{
    return Insert(GetCount(), pChild);
}

int KFCurveNode::Insert(int pIndex, KFCurveNode* pChild)
{
    if (pChild == nullptr || pChild->mParent != nullptr || pChild->IsAncestorOf(this) ||
        GetDepth() + pChild->GetHeight() > kMaxDepth || pIndex < 0 || pIndex > GetCount()) {
        return -1;
    }
    mChildren.emplace(mChildren.begin() + pIndex, pChild);
    pChild->mParent = this;
    BumpStructureStamp();
    return pIndex;
}

KFCurveNode* KFCurveNode::Remove(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return nullptr;
    }
    KFCurveNode* lChild = mChildren[pIndex].release();
    mChildren.erase(mChildren.begin() + pIndex);
    lChild->mParent = nullptr;
    BumpStructureStamp();
    return lChild;
}

bool KFCurveNode::Delete(int pIndex)
{
    KFCurveNode* lChild = Remove(pIndex);
    delete lChild;
    return lChild != nullptr;
}

int KFCurveNode::GetCount() const
{
    return static_cast<int>(mChildren.size());
}

KFCurveNode* KFCurveNode::Get(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetCount() ? mChildren[pIndex].get() : nullptr;
}

int KFCurveNode::Find(const char* pName) const
{
    if (pName == nullptr) {
        return -1;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (KString(mChildren[i]->mName).CompareNoCase(pName) == 0) {
            return i;
        }
    }
    return -1;
}

bool KFCurveNode::DeleteChild(KFCurveNode* pChild)
{
    for (int i = 0; pChild != nullptr && i < GetCount(); ++i) {
        if (mChildren[i].get() == pChild) {
            return Delete(i);
        }
    }
    return false;
}

// ---- search ----

KFCurveNode* KFCurveNode::FindPath(const std::vector<KString>& pSteps, std::size_t pStep) const
{
    const char* lStep = pSteps[pStep].Buffer();
    bool lDirect = false;
    for (const auto& lChild : mChildren) {
        if (StepMatches(*lChild, lStep)) {
            lDirect = true;
            KFCurveNode* lFound =
                pStep + 1 == pSteps.size() ? lChild.get() : lChild->FindPath(pSteps, pStep + 1);
            if (lFound) {
                return lFound;
            }
        }
    }
    if (lDirect) {
        return nullptr;
    }
    // The tree depth is capped by Add, which bounds this recursion.
    for (const auto& lChild : mChildren) {
        if (KFCurveNode* lFound = lChild->FindPath(pSteps, pStep)) {
            return lFound;
        }
    }
    return nullptr;
}

KFCurveNode* KFCurveNode::FindChild(const char* pPath) const
{
    if (pPath == nullptr) {
        return nullptr;
    }
    std::vector<KString> lSteps;
    const char* lStart = pPath;
    for (const char* lCursor = pPath;; ++lCursor) {
        if (*lCursor == '/' || *lCursor == '\0') {
            if (lCursor > lStart) {
                lSteps.emplace_back(lStart, static_cast<int>(lCursor - lStart));
            }
            if (*lCursor == '\0') {
                break;
            }
            lStart = lCursor + 1;
        }
    }
    return lSteps.empty() ? nullptr : FindPath(lSteps, 0);
}

KFCurveNode* KFCurveNode::FindChild(const KDataType* pDataType, bool pDeep) const
{
    if (pDataType == nullptr) {
        return nullptr;
    }
    for (const auto& lChild : mChildren) {
        if (lChild->mDataType == pDataType) {
            return lChild.get();
        }
        if (pDeep) {
            if (KFCurveNode* lFound = lChild->FindChild(pDataType, true)) {
                return lFound;
            }
        }
    }
    return nullptr;
}

KFCurveNode* KFCurveNode::FindStep(const char* pStep) const
{
    for (const auto& lChild : mChildren) {
        if (StepMatches(*lChild, pStep)) {
            return lChild.get();
        }
    }
    return nullptr;
}

KFCurveNode* KFCurveNode::FindOrCreateChild(const char* pName, bool pWithCurve)
{
    if (pName == nullptr || pName[0] == '\0') {
        return nullptr;
    }
    KFCurveNode* lChild = Get(Find(pName));
    if (lChild == nullptr) {
        lChild = Create(pName);
        if (lChild == nullptr) {
            return nullptr;
        }
        if (Add(lChild) < 0) {
            delete lChild;
            return nullptr;
        }
    }
    if (pWithCurve && lChild->GetCurve() == nullptr) {
        lChild->SetCurve(KFCurve::Create());
    }
    return lChild;
}

// ---- keys and values ----

bool KFCurveNode::GetAnimationInterval(KTime& ioStart, KTime& ioStop) const
{
    bool lFound = false;
    if (mCurve && mCurve->GetKeyCount() > 0) {
        const KTime lFirst = mCurve->KeyGetTime(0);
        const KTime lLast = mCurve->KeyGetTime(mCurve->GetKeyCount() - 1);
        if (lFirst < ioStart) {
            ioStart = lFirst;
        }
        if (lLast > ioStop) {
            ioStop = lLast;
        }
        lFound = true;
    }
    for (const auto& lChild : mChildren) {
        lFound = lChild->GetAnimationInterval(ioStart, ioStop) || lFound;
    }
    return lFound;
}

int KFCurveNode::KeyGetCount() const
{
    int lCount = mCurve ? mCurve->GetKeyCount() : 0;
    for (const auto& lChild : mChildren) {
        lCount += lChild->KeyGetCount();
    }
    return lCount;
}

int KFCurveNode::GetChannelCount() const
{
    int lCount = mCurve ? 1 : 0;
    for (const auto& lChild : mChildren) {
        lCount += lChild->GetChannelCount();
    }
    return lCount;
}

double* KFCurveNode::EvaluateTree(double* ioValues, KTime pTime, int* ioLastIndex) const
{
    if (mCurve) {
        *ioValues++ = mCurve->Evaluate(pTime, ioLastIndex);
    }
    for (const auto& lChild : mChildren) {
        ioValues = lChild->EvaluateTree(ioValues, pTime, ioLastIndex);
    }
    return ioValues;
}

double* KFCurveNode::Evaluate(double* ioValues, KTime pTime, int* ioLastIndex)
{
    if (ioValues == nullptr) {
        return nullptr;
    }
    double* lEnd = EvaluateTree(ioValues, pTime, ioLastIndex);
    if (!mCache) {
        mCache = std::make_unique<EvaluationCache>();
    }
    mCache->mTime = pTime;
    mCache->mValues.assign(ioValues, lEnd);
    return lEnd;
}

const std::vector<double>& KFCurveNode::GetCacheValues() const
{
    static const std::vector<double> kNoValues;
    return mCache ? mCache->mValues : kNoValues;
}

std::vector<double> KFCurveNode::Evaluate(KTime pTime)
{
    std::vector<double> lValues(static_cast<std::size_t>(GetChannelCount()));
    Evaluate(lValues.data(), pTime);
    return lValues;
}

double* KFCurveNode::GetDefaultValues(double* ioValues) const
{
    if (ioValues == nullptr) {
        return nullptr;
    }
    if (mCurve) {
        *ioValues++ = mCurve->GetDefaultValue();
    }
    for (const auto& lChild : mChildren) {
        ioValues = lChild->GetDefaultValues(ioValues);
    }
    return ioValues;
}

std::vector<double> KFCurveNode::GetDefaultValues() const
{
    std::vector<double> lValues(static_cast<std::size_t>(GetChannelCount()));
    GetDefaultValues(lValues.data());
    return lValues;
}

const double* KFCurveNode::SetDefaultValues(const double* pValues)
{
    if (pValues == nullptr) {
        return nullptr;
    }
    if (mCurve) {
        mCurve->SetDefaultValue(static_cast<float>(*pValues++));
    }
    for (const auto& lChild : mChildren) {
        pValues = lChild->SetDefaultValues(pValues);
    }
    return pValues;
}

KFCurve* KFCurveNode::FindChannel(int& ioChannel) const
{
    if (mCurve) {
        if (ioChannel == 0) {
            return mCurve.get();
        }
        --ioChannel;
    }
    for (const auto& lChild : mChildren) {
        if (KFCurve* lCurve = lChild->FindChannel(ioChannel)) {
            return lCurve;
        }
    }
    return nullptr;
}

bool KFCurveNode::SetChannelValue(int pChannel, double pValue)
{
    if (pChannel < 0) {
        return false;
    }
    KFCurve* lCurve = FindChannel(pChannel);
    if (lCurve == nullptr) {
        return false;
    }
    lCurve->SetDefaultValue(static_cast<float>(pValue));
    return true;
}

// ---- copies ----

void KFCurveNode::CopyTree(const KFCurveNode& pSource, KFCurveNode* pMoveFrom)
{
    BumpStructureStamp();
    mCache = pSource.mCache ? std::make_unique<EvaluationCache>(*pSource.mCache) : nullptr;
    mKind = pSource.mKind;
    if (pMoveFrom) {
        mCurve = std::move(pMoveFrom->mCurve);
    } else {
        mCurve.reset(pSource.mCurve ? new KFCurve(*pSource.mCurve) : nullptr);
    }
    mChildren.clear();
    mChildren.reserve(pSource.mChildren.size());
    for (std::size_t i = 0; i < pSource.mChildren.size(); ++i) {
        const KFCurveNode& lSourceChild = *pSource.mChildren[i];
        auto lChild = std::make_unique<KFCurveNode>(nullptr, lSourceChild.mDataType,
                                                    lSourceChild.mKind, lSourceChild.mLayer);
        lChild->SetName(lSourceChild.mName);
        lChild->mTypeNameIsName = lSourceChild.mTypeNameIsName;
        lChild->mParent = this;
        lChild->CopyTree(lSourceChild, pMoveFrom ? pMoveFrom->mChildren[i].get() : nullptr);
        mChildren.push_back(std::move(lChild));
    }
}

bool KFCurveNode::CopyFrom(KFCurveNode& pSource, bool pMoveCurves)
{
    if (&pSource == this) {
        return true;
    }
    // Copying from within this subtree would delete the source; copying into the source's own
    // subtree would copy a tree while it changes.
    if (IsAncestorOf(&pSource) || pSource.IsAncestorOf(this) ||
        GetDepth() - 1 + pSource.GetHeight() > kMaxDepth) {
        return false;
    }
    CopyTree(pSource, pMoveCurves ? &pSource : nullptr);
    return true;
}

KFCurveNode* KFCurveNode::Clone() const
{
    KFCurveNode* lCopy = new KFCurveNode(nullptr, mDataType, mKind, mLayer);
    lCopy->SetName(mName);
    lCopy->mTypeNameIsName = mTypeNameIsName;
    lCopy->CopyTree(*this, nullptr);
    return lCopy;
}

void KFCurveNode::GetTRSCurves(const KFCurveNode* pRoot, KFCurve* pT[3], KFCurve* pR[3],
                               KFCurve* pS[3])
{
    KFCurve** lGroups[3] = {pT, pR, pS};
    const char* const lSteps[3] = {"T", "R", "S"};
    const char* const lAxes[3] = {"X", "Y", "Z"};
    for (int lGroup = 0; lGroup < 3; ++lGroup) {
        if (lGroups[lGroup] == nullptr) {
            continue;
        }
        const KFCurveNode* lChannel = pRoot ? pRoot->FindStep(lSteps[lGroup]) : nullptr;
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            const KFCurveNode* lNode =
                lChannel ? lChannel->Get(lChannel->Find(lAxes[lAxis])) : nullptr;
            lGroups[lGroup][lAxis] = lNode ? lNode->GetCurve() : nullptr;
        }
    }
}
