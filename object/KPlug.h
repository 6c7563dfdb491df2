#ifndef RYVKIT_OBJECT_KPLUG_H
#define RYVKIT_OBJECT_KPLUG_H

#include "object/KClassInfo.h"
#include "object/KConnectEvent.h"
#include "object/KWeakHandle.h"

#include <cstdint>
#include <memory>
#include <vector>

// A connectable plug: an ordered list of source plugs, an ordered list of destination plugs and
// an owner (the plug it is a child of: a property's object). Both ends of a connection list each
// other, and a plug that dies removes every connection it has (with the removal events), so a
// connection never outlives either end. Connections are not owned: plugs are owned by whoever
// made them. Filtered connection lists are views of the connections of one class (see
// GetFilteredPlug). Index arguments are checked: out of range gives null or false.
class KPlug
{
public:
    static const KClassInfo& ClassInfo();
    static int ClassId() { return ClassInfo().GetClassId(); }
    static const char* ClassName() { return ClassInfo().GetName(); }
    virtual bool IsA(int pClassId) const { return ClassInfo().IsA(pClassId); }
    virtual int GetClassId() const { return ClassId(); }
    virtual const char* GetClassName() const { return ClassName(); }
    virtual const KClassInfo& GetClassInfo() const { return ClassInfo(); }

    // Plug flags word (16 bits; higher bits of a mask are ignored): the low three bits are list
    // bits the owner may store; 8 keeps the connections (see SetFilter).
    static constexpr unsigned kListBitsMask = 7;
    static constexpr unsigned kKeepConnections = 8;
    // The plug is a member of the plug that will be its owner, so it cannot outlive it: the owner
    // keeps no entry for it (set before the owner is given). An object's dozens of member
    // properties then cost their owner nothing.
    static constexpr unsigned kMemberOfOwner = 16;
    // The plug is a member its owner made on first use (KObject::RegisterDeferredMember): the
    // owner deletes it.
    static constexpr unsigned kMadeByOwner = 32;

    KPlug();
    KPlug(const KPlug&) = delete;
    KPlug& operator=(const KPlug&) = delete;
    virtual ~KPlug();

    KPlug* GetOwner() const { return mOwner; }
    // Makes this plug a child of pOwner (null: of nobody). The owner clears the link when it dies
    // (a member of its owner dies first, see kMemberOfOwner).
    void SetOwner(KPlug* pOwner);

    // Connects pSrc as a source of this plug (appended to the lists of both). Both ends are
    // asked first (events 0 and 1); false when either refuses, when pSrc is null or this plug,
    // is connected already, is a filtered view, is going away, or fails the filter of the other
    // end. No flag has a meaning yet; callers pass 0.
    bool ConnectSrc(KPlug* pSrc, int pFlags = 0);
    // The same connection seen from the source: pDst->ConnectSrc(this, pFlags).
    bool ConnectDst(KPlug* pDst, int pFlags = 0);
    // Removes the connection from pSrc to this plug; false when there is none.
    bool DisconnectSrc(KPlug* pSrc);
    bool DisconnectDst(KPlug* pDst);
    bool IsConnectedSrc(const KPlug* pSrc) const;
    bool IsConnectedDst(const KPlug* pDst) const;
    void DisconnectAllSrc();
    void DisconnectAllDst();
    void DisconnectAll();

    int GetSrcCount() const { return mLinks ? static_cast<int>(mLinks->mSrc.size()) : 0; }
    int GetDstCount() const { return mLinks ? static_cast<int>(mLinks->mDst.size()) : 0; }
    KPlug* GetSrc(int pIndex) const;
    KPlug* GetDst(int pIndex) const;
    int FindSrc(const KPlug* pSrc) const;
    int FindDst(const KPlug* pDst) const;

    // On a filtered view: sets the filter; with pKeep the view follows the connections of its
    // plug (it is refilled now), without it the view is emptied and left alone. On an ordinary
    // plug: only partners the filter accepts may connect from now on; connections that fail
    // the new filter are removed unless pKeep is set. A null filter accepts everything.
    void SetFilter(const KPlugFilter* pFilter, bool pKeep);
    const KPlugFilter* GetFilter() const { return Filter(); }
    bool GetKeepConnections() const { return (mPlugFlags & kKeepConnections) != 0; }
    // The view of this plug's connections that pFilter accepts, in connection order; made on
    // first use with keep on, owned by this plug. Null for a null filter or on a view.
    KPlug* GetFilteredPlug(const KPlugFilter* pFilter);
    bool IsFilteredView() const { return ViewOf() != nullptr; }

    unsigned GetPlugFlags() const { return mPlugFlags; }
    void SetPlugFlags(unsigned pMask, bool pOn);

    // A handle that resolves to this plug while it lives.
    KWeakHandle GetWeakHandle();

    // Tells whether a plug outlived a call into hooks. A plug whose handle nobody holds gets a
    // pool cell only for the life of the watch: most properties are watched once, while they
    // are registered, and would otherwise keep a cell each for good.
    class Watch
    {
    public:
        explicit Watch(KPlug* pPlug);
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;
        ~Watch();
        // The plug while it lives, else null.
        KPlug* Get() const { return mHandle.Get(); }
        // Both watched plugs under one lock of the pool.
        static void GetBoth(const Watch& pFirst, const Watch& pSecond, KPlug*& oFirst,
                            KPlug*& oSecond);

    private:
        KWeakHandle mHandle;
        // Whether the cell was taken for this watch, so is given back when it ends.
        bool mTemporary = false;
    };

    // Receives the events of KConnectEvent.h. pPlug is the plug the event is about, pOther the
    // partner (may be null), pArgs the further arguments (may be null). The answer matters for
    // the request events only: false refuses. The base accepts everything.
    virtual bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                               const KConnectEventArgs* pArgs);

protected:
    // Room for pCount plugs owned by this one.
    void ReserveChildCount(int pCount);
    // Marks the plug as dying: no new connection is accepted from then on.
    void SetGoingAway() { mGoingAway = true; }
    bool IsGoingAway() const { return mGoingAway; }
    // Moves the source at pFrom to position pTo (both checked); the views follow.
    bool MoveSrc(int pFrom, int pTo);
    // Where the plug keeps its filter: in its lists block here. A kind that is always filtered
    // may keep it in a field of its own, so that an idle plug of that kind needs no block.
    virtual const KPlugFilter* Filter() const { return mLinks ? mLinks->mFilter : nullptr; }
    virtual void KeepFilter(const KPlugFilter* pFilter);

private:
    // Most plugs (the many properties of every object) never connect, own no view and have no
    // child: their lists are made on first use, so an idle plug pays one pointer for them.
    struct Links
    {
        std::vector<KPlug*> mSrc;
        std::vector<KPlug*> mDst;
        std::vector<KPlug*> mChildren;
        std::vector<std::unique_ptr<KPlug>> mViews;
        // Filters and views are rare too.
        const KPlugFilter* mFilter = nullptr;
        // Set on a view: the plug whose connections it shows.
        KPlug* mViewOf = nullptr;
    };

    KPlug* ViewOf() const { return mLinks ? mLinks->mViewOf : nullptr; }
    bool FilterAccepts(const KPlug* pPartner) const
    {
        const KPlugFilter* lFilter = Filter();
        return !lFilter || lFilter->Accepts(pPartner);
    }

    // The lists, or empty ones when none were made.
    const Links& GetLinks() const;
    Links& MakeLinks();
    // Whether the connection is listed; the argument is not null.
    bool HasSrc(const KPlug* pSrc) const;
    bool HasDst(const KPlug* pDst) const;
    void Link(KPlug* pSrc);
    void Unlink(KPlug* pSrc);
    void RefillViews();
    void RefillView(KPlug* pView) const;
    static bool Ask(const KWeakHandle& pReceiver, KConnectEvent pEvent, const KWeakHandle& pOther);

    // Every property of every object is a plug: the fields are packed to 32 bytes.
    std::unique_ptr<Links> mLinks;
    KPlug* mOwner = nullptr;
    // The plug's cell in the handle pool, or -1 (see KWeakHandle::OfCell).
    std::int32_t mHandleCell = -1;
    std::uint16_t mPlugFlags = 0;
    bool mGoingAway = false;
    // Set once GetWeakHandle has handed the handle out: its cell then stays while the plug lives.
    bool mHandleShared = false;
};

#endif
