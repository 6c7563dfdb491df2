#include "object/KPlug.h"

#include <algorithm>

namespace {

// The position of pPlug in pList, or -1. Entries are unique, so searching from the back finds
// the same one; connections are mostly undone and asked about newest first (a dying plug takes
// its last connection first), which makes tearing down a wide hierarchy linear.
int IndexOf(const std::vector<KPlug*>& pList, const KPlug* pPlug)
{
    const auto lFound = std::find(pList.rbegin(), pList.rend(), pPlug);
    return static_cast<int>(pList.rend() - lFound) - 1;
}

void EraseValue(std::vector<KPlug*>& ioList, const KPlug* pPlug)
{
    const int lIndex = IndexOf(ioList, pPlug);
    if (lIndex >= 0) {
        ioList.erase(ioList.begin() + lIndex);
    }
}

// Room for one more entry, growing geometrically as push_back would.
void ReserveOneMore(std::vector<KPlug*>& ioList)
{
    if (ioList.size() == ioList.capacity()) {
        ioList.reserve(ioList.size() * 2 + 1);
    }
}

// Both ends under one lock of the handle pool; the batch ends before any hook runs.
void ResolveBoth(const KWeakHandle& pFirst, const KWeakHandle& pSecond, KPlug*& oFirst,
                 KPlug*& oSecond)
{
    const KWeakHandle::Batch lPool;
    oFirst = lPool.Get(pFirst);
    oSecond = lPool.Get(pSecond);
}

// Sends an event whose answer does not matter, unless an end has gone in the meantime.
void Tell(const KWeakHandle& pReceiver, KConnectEvent pEvent, const KWeakHandle& pOther)
{
    KPlug* lReceiver = nullptr;
    KPlug* lOther = nullptr;
    ResolveBoth(pReceiver, pOther, lReceiver, lOther);
    if (lReceiver && lOther) {
        lReceiver->ConnectNotify(pEvent, lReceiver, lOther, nullptr);
    }
}

} // namespace

// Objects carry dozens of plugs each; keep an idle plug this small.
static_assert(sizeof(KPlug) <= 32, "KPlug grew");

const KClassInfo& KPlug::ClassInfo()
{
    static const KClassInfo sInfo("KPlug", nullptr);
    return sInfo;
}

KPlug::KPlug() = default;

KPlug::~KPlug()
{
    mGoingAway = true;
    if (ViewOf()) {
        // A view's lists are copies of its plug's; the partners do not know the view.
        mLinks.reset();
    } else {
        DisconnectAll();
    }
    if (mLinks) {
        for (KPlug* lChild : mLinks->mChildren) {
            lChild->mOwner = nullptr;
        }
    }
    if (mOwner && mOwner->mLinks) {
        EraseValue(mOwner->mLinks->mChildren, this);
    }
    KWeakHandle::RevokeCell(mHandleCell, this);
}

const KPlug::Links& KPlug::GetLinks() const
{
    static const Links kNoLinks;
    return mLinks ? *mLinks : kNoLinks;
}

KPlug::Links& KPlug::MakeLinks()
{
    if (!mLinks) {
        mLinks = std::make_unique<Links>();
    }
    return *mLinks;
}

void KPlug::ReserveChildCount(int pCount)
{
    if (pCount > 0) {
        MakeLinks().mChildren.reserve(static_cast<std::size_t>(pCount));
    }
}

void KPlug::SetOwner(KPlug* pOwner)
{
    if (pOwner == mOwner || pOwner == this) {
        return;
    }
    if (mOwner && mOwner->mLinks) {
        EraseValue(mOwner->mLinks->mChildren, this);
    }
    mOwner = pOwner;
    if (mOwner && (mPlugFlags & kMemberOfOwner) == 0) {
        mOwner->MakeLinks().mChildren.push_back(this);
    }
}

KWeakHandle KPlug::GetWeakHandle()
{
    KWeakHandle lHandle = KWeakHandle::OfCell(mHandleCell, this);
    if (lHandle.IsEmpty()) {
        lHandle = KWeakHandle::Create(this);
        mHandleCell = lHandle.GetCell();
    }
    mHandleShared = true;
    return lHandle;
}

KPlug::Watch::Watch(KPlug* pPlug) : mHandle(KWeakHandle::OfCell(pPlug->mHandleCell, pPlug))
{
    if (mHandle.IsEmpty()) {
        mHandle = KWeakHandle::Create(pPlug);
        pPlug->mHandleCell = mHandle.GetCell();
        mTemporary = true;
    }
}

KPlug::Watch::~Watch()
{
    if (!mTemporary) {
        return;
    }
    // A plug that died took its cell along; one whose handle was handed out meanwhile keeps it.
    KPlug* lPlug = mHandle.Get();
    if (lPlug && !lPlug->mHandleShared && lPlug->mHandleCell == mHandle.GetCell()) {
        KWeakHandle::Revoke(mHandle);
        lPlug->mHandleCell = -1;
    }
}

void KPlug::Watch::GetBoth(const Watch& pFirst, const Watch& pSecond, KPlug*& oFirst,
                           KPlug*& oSecond)
{
    ResolveBoth(pFirst.mHandle, pSecond.mHandle, oFirst, oSecond);
}

bool KPlug::ConnectNotify(KConnectEvent, KPlug*, KPlug*, const KConnectEventArgs*)
{
    return true;
}

bool KPlug::Ask(const KWeakHandle& pReceiver, KConnectEvent pEvent, const KWeakHandle& pOther)
{
    KPlug* lReceiver = nullptr;
    KPlug* lOther = nullptr;
    ResolveBoth(pReceiver, pOther, lReceiver, lOther);
    return lReceiver && lOther && lReceiver->ConnectNotify(pEvent, lReceiver, lOther, nullptr);
}

bool KPlug::ConnectSrc(KPlug* pSrc, int)
{
    if (!pSrc || pSrc == this || ViewOf() || pSrc->ViewOf() || mGoingAway || pSrc->mGoingAway ||
        IsConnectedSrc(pSrc)) {
        return false;
    }
    if (!FilterAccepts(pSrc) || !pSrc->FilterAccepts(this)) {
        return false;
    }
    const KWeakHandle lDst = GetWeakHandle();
    const KWeakHandle lSrc = pSrc->GetWeakHandle();
    if (!Ask(lDst, KConnectEvent::kSourceConnectRequest, lSrc) ||
        !Ask(lSrc, KConnectEvent::kDestinationConnectRequest, lDst)) {
        return false;
    }
    // The hooks may have destroyed an end or made this very connection themselves.
    KPlug* lDstPlug = nullptr;
    KPlug* lSrcPlug = nullptr;
    ResolveBoth(lDst, lSrc, lDstPlug, lSrcPlug);
    if (!lDstPlug || !lSrcPlug || lDstPlug->mGoingAway || lSrcPlug->mGoingAway ||
        lDstPlug->IsConnectedSrc(lSrcPlug)) {
        return false;
    }
    lDstPlug->Link(lSrcPlug);
    Tell(lDst, KConnectEvent::kSourceConnected, lSrc);
    Tell(lSrc, KConnectEvent::kDestinationConnected, lDst);
    Tell(lDst, KConnectEvent::kPairSourceAdded, lSrc);
    Tell(lSrc, KConnectEvent::kPairDestinationAdded, lDst);
    return true;
}

bool KPlug::ConnectDst(KPlug* pDst, int pFlags)
{
    return pDst && pDst->ConnectSrc(this, pFlags);
}

bool KPlug::DisconnectSrc(KPlug* pSrc)
{
    if (!pSrc || ViewOf() || !IsConnectedSrc(pSrc)) {
        return false;
    }
    const KWeakHandle lDst = GetWeakHandle();
    const KWeakHandle lSrc = pSrc->GetWeakHandle();
    Tell(lDst, KConnectEvent::kSourceDisconnecting, lSrc);
    Tell(lSrc, KConnectEvent::kDestinationDisconnecting, lDst);
    KPlug* lDstPlug = nullptr;
    KPlug* lSrcPlug = nullptr;
    ResolveBoth(lDst, lSrc, lDstPlug, lSrcPlug);
    if (!lDstPlug || !lSrcPlug || !lDstPlug->IsConnectedSrc(lSrcPlug)) {
        // A hook removed the connection already, or an end died and took it along.
        return true;
    }
    lDstPlug->Unlink(lSrcPlug);
    Tell(lDst, KConnectEvent::kSourceDisconnected, lSrc);
    Tell(lSrc, KConnectEvent::kDestinationDisconnected, lDst);
    Tell(lDst, KConnectEvent::kPairSourceRemoved, lSrc);
    Tell(lSrc, KConnectEvent::kPairDestinationRemoved, lDst);
    return true;
}

bool KPlug::DisconnectDst(KPlug* pDst)
{
    return pDst && pDst->DisconnectSrc(this);
}

bool KPlug::IsConnectedSrc(const KPlug* pSrc) const
{
    return pSrc && HasSrc(pSrc);
}

bool KPlug::IsConnectedDst(const KPlug* pDst) const
{
    return pDst && HasDst(pDst);
}

void KPlug::DisconnectAllSrc()
{
    if (ViewOf()) {
        return;
    }
    // Each step re-reads the list: a hook may change it, and this plug may not survive.
    const KWeakHandle lSelf = GetWeakHandle();
    while (lSelf.Get() && GetSrcCount() > 0) {
        KPlug* lSrc = mLinks->mSrc.back();
        DisconnectSrc(lSrc);
        // The loop moves forward whatever the hooks did: a source still listed goes now.
        if (lSelf.Get() && GetSrcCount() > 0 && mLinks->mSrc.back() == lSrc) {
            Unlink(lSrc);
        }
    }
}

void KPlug::DisconnectAllDst()
{
    if (ViewOf()) {
        return;
    }
    const KWeakHandle lSelf = GetWeakHandle();
    while (lSelf.Get() && GetDstCount() > 0) {
        KPlug* lDst = mLinks->mDst.back();
        DisconnectDst(lDst);
        if (lSelf.Get() && GetDstCount() > 0 && mLinks->mDst.back() == lDst) {
            lDst->Unlink(this);
        }
    }
}

void KPlug::DisconnectAll()
{
    // A plug without connections needs no handle: plugs that never connected die cheaply.
    if (GetSrcCount() == 0 && GetDstCount() == 0) {
        return;
    }
    const KWeakHandle lSelf = GetWeakHandle();
    DisconnectAllSrc();
    if (lSelf.Get()) {
        DisconnectAllDst();
    }
}

KPlug* KPlug::GetSrc(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetSrcCount() ? mLinks->mSrc[static_cast<size_t>(pIndex)]
                                                 : nullptr;
}

KPlug* KPlug::GetDst(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetDstCount() ? mLinks->mDst[static_cast<size_t>(pIndex)]
                                                 : nullptr;
}

int KPlug::FindSrc(const KPlug* pSrc) const
{
    return pSrc && HasSrc(pSrc) ? IndexOf(GetLinks().mSrc, pSrc) : -1;
}

int KPlug::FindDst(const KPlug* pDst) const
{
    return pDst && HasDst(pDst) ? IndexOf(GetLinks().mDst, pDst) : -1;
}

bool KPlug::HasSrc(const KPlug* pSrc) const
{
    const std::vector<KPlug*>& lOurs = GetLinks().mSrc;
    // A view's lists are copies its partners do not know of: only its own list answers.
    if (ViewOf() || pSrc->ViewOf()) {
        return IndexOf(lOurs, pSrc) >= 0;
    }
    // Both ends list a connection, so the shorter list answers: the root of a flat hierarchy
    // is asked about one of its thousands of children through the child's one-entry list.
    const std::vector<KPlug*>& lTheirs = pSrc->GetLinks().mDst;
    return lTheirs.size() < lOurs.size() ? IndexOf(lTheirs, this) >= 0 : IndexOf(lOurs, pSrc) >= 0;
}

bool KPlug::HasDst(const KPlug* pDst) const
{
    if (ViewOf() || pDst->ViewOf()) {
        return IndexOf(GetLinks().mDst, pDst) >= 0;
    }
    return pDst->HasSrc(this);
}

void KPlug::SetPlugFlags(unsigned pMask, bool pOn)
{
    const auto lMask = static_cast<std::uint16_t>(pMask);
    if (pOn) {
        mPlugFlags |= lMask;
    } else {
        mPlugFlags &= static_cast<std::uint16_t>(~lMask);
    }
}

void KPlug::SetFilter(const KPlugFilter* pFilter, bool pKeep)
{
    KeepFilter(pFilter);
    SetPlugFlags(kKeepConnections, pKeep);
    if (ViewOf()) {
        ViewOf()->RefillView(this);
        return;
    }
    const KPlugFilter* lFilter = Filter();
    if (pKeep || !lFilter) {
        return;
    }
    const KWeakHandle lSelf = GetWeakHandle();
    std::vector<KWeakHandle> lRejected;
    for (KPlug* lSrc : GetLinks().mSrc) {
        if (!lFilter->Accepts(lSrc)) {
            lRejected.push_back(lSrc->GetWeakHandle());
        }
    }
    for (KPlug* lDst : GetLinks().mDst) {
        if (!lFilter->Accepts(lDst)) {
            lRejected.push_back(lDst->GetWeakHandle());
        }
    }
    for (const KWeakHandle& lHandle : lRejected) {
        KPlug* lPartner = lHandle.Get();
        if (!lSelf.Get()) {
            return;
        }
        if (lPartner) {
            DisconnectSrc(lPartner);
            if (lSelf.Get()) {
                DisconnectDst(lPartner);
            }
        }
    }
}

void KPlug::KeepFilter(const KPlugFilter* pFilter)
{
    if (pFilter || mLinks) {
        MakeLinks().mFilter = pFilter;
    }
}

KPlug* KPlug::GetFilteredPlug(const KPlugFilter* pFilter)
{
    if (!pFilter || ViewOf()) {
        return nullptr;
    }
    for (const std::unique_ptr<KPlug>& lView : GetLinks().mViews) {
        if (lView->Filter() == pFilter) {
            return lView.get();
        }
    }
    auto lView = std::make_unique<KPlug>();
    Links& lViewLinks = lView->MakeLinks();
    lViewLinks.mViewOf = this;
    lViewLinks.mFilter = pFilter;
    lView->mPlugFlags = kKeepConnections;
    RefillView(lView.get());
    std::vector<std::unique_ptr<KPlug>>& lViews = MakeLinks().mViews;
    lViews.push_back(std::move(lView));
    return lViews.back().get();
}

void KPlug::RefillView(KPlug* pView) const
{
    Links& lViewLinks = pView->MakeLinks();
    lViewLinks.mSrc.clear();
    lViewLinks.mDst.clear();
    if (!pView->GetKeepConnections()) {
        return;
    }
    for (KPlug* lSrc : GetLinks().mSrc) {
        if (pView->FilterAccepts(lSrc)) {
            lViewLinks.mSrc.push_back(lSrc);
        }
    }
    for (KPlug* lDst : GetLinks().mDst) {
        if (pView->FilterAccepts(lDst)) {
            lViewLinks.mDst.push_back(lDst);
        }
    }
}

void KPlug::RefillViews()
{
    for (const std::unique_ptr<KPlug>& lView : GetLinks().mViews) {
        RefillView(lView.get());
    }
}

bool KPlug::MoveSrc(int pFrom, int pTo)
{
    const int lCount = GetSrcCount();
    if (pFrom < 0 || pFrom >= lCount || pTo < 0 || pTo >= lCount) {
        return false;
    }
    std::vector<KPlug*>& lSrc = mLinks->mSrc;
    KPlug* lPlug = lSrc[static_cast<size_t>(pFrom)];
    lSrc.erase(lSrc.begin() + pFrom);
    lSrc.insert(lSrc.begin() + pTo, lPlug);
    RefillViews();
    return true;
}

void KPlug::Link(KPlug* pSrc)
{
    // Room first: a failed allocation must not leave a connection known to one end only.
    ReserveOneMore(MakeLinks().mSrc);
    ReserveOneMore(pSrc->MakeLinks().mDst);
    mLinks->mSrc.push_back(pSrc);
    pSrc->mLinks->mDst.push_back(this);
    // Both lists grow at their ends, so appending keeps each view in connection order.
    for (const std::unique_ptr<KPlug>& lView : mLinks->mViews) {
        if (lView->GetKeepConnections() && lView->FilterAccepts(pSrc)) {
            lView->MakeLinks().mSrc.push_back(pSrc);
        }
    }
    for (const std::unique_ptr<KPlug>& lView : pSrc->mLinks->mViews) {
        if (lView->GetKeepConnections() && lView->FilterAccepts(this)) {
            lView->MakeLinks().mDst.push_back(this);
        }
    }
}

void KPlug::Unlink(KPlug* pSrc)
{
    // Both ends are connected, so both have their lists, and so have the views (made filled).
    EraseValue(mLinks->mSrc, pSrc);
    EraseValue(pSrc->mLinks->mDst, this);
    for (const std::unique_ptr<KPlug>& lView : mLinks->mViews) {
        EraseValue(lView->MakeLinks().mSrc, pSrc);
    }
    for (const std::unique_ptr<KPlug>& lView : pSrc->mLinks->mViews) {
        EraseValue(lView->MakeLinks().mDst, this);
    }
}
