#include "object/KPlug.h"

#include <algorithm>
#include <iterator>

namespace {

// Searches from the back: connections are mostly undone newest first (a dying plug takes its
// last connection first), which makes tearing down a wide hierarchy linear.
void EraseValue(std::vector<KPlug*>& ioList, const KPlug* pPlug)
{
    auto lFound = std::find(ioList.rbegin(), ioList.rend(), pPlug);
    if (lFound != ioList.rend()) {
        ioList.erase(std::next(lFound).base());
    }
}

// Room for one more entry, growing geometrically as push_back would.
void ReserveOneMore(std::vector<KPlug*>& ioList)
{
    if (ioList.size() == ioList.capacity()) {
        ioList.reserve(ioList.size() * 2 + 1);
    }
}

// Sends an event whose answer does not matter, unless an end has gone in the meantime.
void Tell(const KWeakHandle& pReceiver, KConnectEvent pEvent, const KWeakHandle& pOther)
{
    KPlug* lReceiver = pReceiver.Get();
    KPlug* lOther = pOther.Get();
    if (lReceiver && lOther) {
        lReceiver->ConnectNotify(pEvent, lReceiver, lOther, nullptr);
    }
}

} // namespace

const KClassInfo& KPlug::ClassInfo()
{
    static const KClassInfo sInfo("KPlug", nullptr);
    return sInfo;
}

KPlug::KPlug() = default;

KPlug::~KPlug()
{
    mGoingAway = true;
    if (mViewOf) {
        // A view's lists are copies of its plug's; the partners do not know the view.
        mSrc.clear();
        mDst.clear();
    } else {
        DisconnectAll();
    }
    for (KPlug* lChild : mChildren) {
        lChild->mOwner = nullptr;
    }
    if (mOwner) {
        EraseValue(mOwner->mChildren, this);
    }
    KWeakHandle::Revoke(mHandle);
}

void KPlug::SetOwner(KPlug* pOwner)
{
    if (pOwner == mOwner || pOwner == this) {
        return;
    }
    if (mOwner) {
        EraseValue(mOwner->mChildren, this);
    }
    mOwner = pOwner;
    if (mOwner) {
        mOwner->mChildren.push_back(this);
    }
}

KWeakHandle KPlug::GetWeakHandle()
{
    if (mHandle.IsEmpty()) {
        mHandle = KWeakHandle::Create(this);
    }
    return mHandle;
}

bool KPlug::ConnectNotify(KConnectEvent, KPlug*, KPlug*, const KConnectEventArgs*)
{
    return true;
}

bool KPlug::Ask(const KWeakHandle& pReceiver, KConnectEvent pEvent, const KWeakHandle& pOther)
{
    KPlug* lReceiver = pReceiver.Get();
    KPlug* lOther = pOther.Get();
    return lReceiver && lOther && lReceiver->ConnectNotify(pEvent, lReceiver, lOther, nullptr);
}

bool KPlug::ConnectSrc(KPlug* pSrc, int)
{
    if (!pSrc || pSrc == this || mViewOf || pSrc->mViewOf || mGoingAway || pSrc->mGoingAway ||
        IsConnectedSrc(pSrc)) {
        return false;
    }
    if ((mFilter && !mFilter->Accepts(pSrc)) || (pSrc->mFilter && !pSrc->mFilter->Accepts(this))) {
        return false;
    }
    const KWeakHandle lDst = GetWeakHandle();
    const KWeakHandle lSrc = pSrc->GetWeakHandle();
    if (!Ask(lDst, KConnectEvent::kSourceConnectRequest, lSrc) ||
        !Ask(lSrc, KConnectEvent::kDestinationConnectRequest, lDst)) {
        return false;
    }
    // The hooks may have destroyed an end or made this very connection themselves.
    KPlug* lDstPlug = lDst.Get();
    KPlug* lSrcPlug = lSrc.Get();
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
    if (!pSrc || mViewOf || !IsConnectedSrc(pSrc)) {
        return false;
    }
    const KWeakHandle lDst = GetWeakHandle();
    const KWeakHandle lSrc = pSrc->GetWeakHandle();
    Tell(lDst, KConnectEvent::kSourceDisconnecting, lSrc);
    Tell(lSrc, KConnectEvent::kDestinationDisconnecting, lDst);
    KPlug* lDstPlug = lDst.Get();
    KPlug* lSrcPlug = lSrc.Get();
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
    return pSrc && FindSrc(pSrc) >= 0;
}

bool KPlug::IsConnectedDst(const KPlug* pDst) const
{
    return pDst && FindDst(pDst) >= 0;
}

void KPlug::DisconnectAllSrc()
{
    if (mViewOf) {
        return;
    }
    // Each step re-reads the list: a hook may change it, and this plug may not survive.
    const KWeakHandle lSelf = GetWeakHandle();
    while (lSelf.Get() && !mSrc.empty()) {
        KPlug* lSrc = mSrc.back();
        DisconnectSrc(lSrc);
        // The loop moves forward whatever the hooks did: a source still listed goes now.
        if (lSelf.Get() && !mSrc.empty() && mSrc.back() == lSrc) {
            Unlink(lSrc);
        }
    }
}

void KPlug::DisconnectAllDst()
{
    if (mViewOf) {
        return;
    }
    const KWeakHandle lSelf = GetWeakHandle();
    while (lSelf.Get() && !mDst.empty()) {
        KPlug* lDst = mDst.back();
        DisconnectDst(lDst);
        if (lSelf.Get() && !mDst.empty() && mDst.back() == lDst) {
            lDst->Unlink(this);
        }
    }
}

void KPlug::DisconnectAll()
{
    const KWeakHandle lSelf = GetWeakHandle();
    DisconnectAllSrc();
    if (lSelf.Get()) {
        DisconnectAllDst();
    }
}

KPlug* KPlug::GetSrc(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetSrcCount() ? mSrc[static_cast<size_t>(pIndex)] : nullptr;
}

KPlug* KPlug::GetDst(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetDstCount() ? mDst[static_cast<size_t>(pIndex)] : nullptr;
}

int KPlug::FindSrc(const KPlug* pSrc) const
{
    auto lFound = std::find(mSrc.begin(), mSrc.end(), pSrc);
    return lFound == mSrc.end() ? -1 : static_cast<int>(lFound - mSrc.begin());
}

int KPlug::FindDst(const KPlug* pDst) const
{
    auto lFound = std::find(mDst.begin(), mDst.end(), pDst);
    return lFound == mDst.end() ? -1 : static_cast<int>(lFound - mDst.begin());
}

void KPlug::SetPlugFlags(unsigned pMask, bool pOn)
{
    if (pOn) {
        mPlugFlags |= pMask;
    } else {
        mPlugFlags &= ~pMask;
    }
}

void KPlug::SetFilter(const KPlugFilter* pFilter, bool pKeep)
{
    mFilter = pFilter;
    SetPlugFlags(kKeepConnections, pKeep);
    if (mViewOf) {
        mViewOf->RefillView(this);
        return;
    }
    if (pKeep || !mFilter) {
        return;
    }
    const KWeakHandle lSelf = GetWeakHandle();
    std::vector<KWeakHandle> lRejected;
    for (KPlug* lSrc : mSrc) {
        if (!mFilter->Accepts(lSrc)) {
            lRejected.push_back(lSrc->GetWeakHandle());
        }
    }
    for (KPlug* lDst : mDst) {
        if (!mFilter->Accepts(lDst)) {
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

KPlug* KPlug::GetFilteredPlug(const KPlugFilter* pFilter)
{
    if (!pFilter || mViewOf) {
        return nullptr;
    }
    for (const std::unique_ptr<KPlug>& lView : mViews) {
        if (lView->mFilter == pFilter) {
            return lView.get();
        }
    }
    auto lView = std::make_unique<KPlug>();
    lView->mViewOf = this;
    lView->mFilter = pFilter;
    lView->mPlugFlags = kKeepConnections;
    RefillView(lView.get());
    mViews.push_back(std::move(lView));
    return mViews.back().get();
}

void KPlug::RefillView(KPlug* pView) const
{
    pView->mSrc.clear();
    pView->mDst.clear();
    if (!pView->GetKeepConnections()) {
        return;
    }
    for (KPlug* lSrc : mSrc) {
        if (!pView->mFilter || pView->mFilter->Accepts(lSrc)) {
            pView->mSrc.push_back(lSrc);
        }
    }
    for (KPlug* lDst : mDst) {
        if (!pView->mFilter || pView->mFilter->Accepts(lDst)) {
            pView->mDst.push_back(lDst);
        }
    }
}

void KPlug::RefillViews()
{
    for (const std::unique_ptr<KPlug>& lView : mViews) {
        RefillView(lView.get());
    }
}

bool KPlug::MoveSrc(int pFrom, int pTo)
{
    const int lCount = GetSrcCount();
    if (pFrom < 0 || pFrom >= lCount || pTo < 0 || pTo >= lCount) {
        return false;
    }
    KPlug* lPlug = mSrc[static_cast<size_t>(pFrom)];
    mSrc.erase(mSrc.begin() + pFrom);
    mSrc.insert(mSrc.begin() + pTo, lPlug);
    RefillViews();
    return true;
}

void KPlug::Link(KPlug* pSrc)
{
    // Room first: a failed allocation must not leave a connection known to one end only.
    ReserveOneMore(mSrc);
    ReserveOneMore(pSrc->mDst);
    mSrc.push_back(pSrc);
    pSrc->mDst.push_back(this);
    // Both lists grow at their ends, so appending keeps each view in connection order.
    for (const std::unique_ptr<KPlug>& lView : mViews) {
        if (lView->GetKeepConnections() && (!lView->mFilter || lView->mFilter->Accepts(pSrc))) {
            lView->mSrc.push_back(pSrc);
        }
    }
    for (const std::unique_ptr<KPlug>& lView : pSrc->mViews) {
        if (lView->GetKeepConnections() && (!lView->mFilter || lView->mFilter->Accepts(this))) {
            lView->mDst.push_back(this);
        }
    }
}

void KPlug::Unlink(KPlug* pSrc)
{
    EraseValue(mSrc, pSrc);
    EraseValue(pSrc->mDst, this);
    for (const std::unique_ptr<KPlug>& lView : mViews) {
        EraseValue(lView->mSrc, pSrc);
    }
    for (const std::unique_ptr<KPlug>& lView : pSrc->mViews) {
        EraseValue(lView->mDst, this);
    }
}
