#ifndef RYVKIT_OBJECT_KOBJECT_H
#define RYVKIT_OBJECT_KOBJECT_H

#include "object/KConnectionPairList.h"
#include "object/KPlug.h"
#include "object/KProperty.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class KPropertyObjectList;

// Base of whatever owns a property set (the scene objects). KObject::GetOwnerObject hands it
// out; callers check the real kind (dynamic_cast) before they act on it.
class KObjectOwner
{
public:
    virtual ~KObjectOwner() = default;
};

// What CreateUserProperty needs to know of a user property. Texts are copied; a null or empty
// label means "use the name".
struct KUserPropertyDescription
{
    const char* mName = nullptr;
    // A data type name ("Bool", "Real", "Color", "Integer", "Vector", ...).
    const char* mTypeName = nullptr;
    const char* mLabel = nullptr;
    // Bits 1 (animatable), 2 and 4.
    unsigned mUserFlags = 0;
};

// The base of every property-holding object: a plug with an ordered array of properties (in
// registration order) and the list of connected (source, destination) pairs of its plugs. The
// object owns the properties it created (definition flag 1) and destroys them; member
// properties of derived classes are only referenced. Remove a live object with Destroy, so that
// its connections go while it is still whole and every partner hears of it.
class KObject : public KPlug
{
    K_DECLARE_CLASS(KObject)

    KObject();
    ~KObject() override;

    // Destruct, then delete.
    virtual void Destroy();
    // Marks the object as going away, disconnects every property and removes it from the object
    // (owned ones are destroyed, the others only disconnected), then removes the connections of
    // the object's own plug. Running it again does nothing more.
    virtual void Destruct();
    bool IsDestructing() const { return mDestructing; }

    // The scene object this property set belongs to; null here.
    virtual KObjectOwner* GetOwnerObject() const { return nullptr; }

    // Appends a property, with events 14 before and 15 after. False for null or for a property
    // registered already (on this or another object).
    bool RegisterProperty(KProperty* pProperty);
    int GetPropertyCount() const { return mImplicitMembers + static_cast<int>(mProperties.size()); }
    // The property at pIndex, made first when it is a deferred member (see
    // RegisterDeferredMember); throws std::bad_alloc when it cannot be. Null out of range.
    KProperty* GetProperty(int pIndex) const;
    // Whether the property at pIndex is made: false for a deferred member not made yet, and out
    // of range.
    bool IsPropertyMade(int pIndex) const;

    // The three walks over the properties, in array order. Each is named after what its caller
    // does with them and hands each in the form that use allows, so no walk can lose what it is
    // given: a value written through a typed setter or a connection.
    // To list: every property, a deferred member made first, as KProperty&: what it hands may be
    // kept, changed and connected. Throws std::bad_alloc when a member cannot be made.
    void WalkToList(const std::function<void(KProperty&)>& pVisit) const;
    // To read: every property as it stands (name, type, flags, limits, value, connections),
    // nothing made that lasts: a deferred member not made yet is handed as a stand-in that reads
    // the value the object holds (what its typed setters wrote). What it hands is const, so it
    // cannot be connected or written (it would be lost with the stand-in), and it lives for the
    // call only. Throws std::bad_alloc.
    void WalkToRead(const std::function<void(const KProperty&)>& pVisit) const;
    // To connect: the properties that hold or may take a connection, a curve or a record without
    // being made: the made ones, as KProperty&. A deferred member not made yet holds none of
    // these and is never animatable, so it is passed by; to connect one, reach it by name
    // (FindProperty) or index (GetProperty), which makes it.
    void WalkToConnect(const std::function<void(KProperty&)>& pVisit) const;
    // Byte-exact name match; the first one registered wins. Null when none or for a null name.
    // Only the deferred member found is made.
    KProperty* FindProperty(const char* pName) const;

    // Creates the property of a type index (its value kind follows the index), names it, attaches
    // and registers it here and marks it owned (definition flags 1 and 32); with pAnimatable it
    // also sets definition flag 2. Null for a null name or an index outside 0..18.
    KProperty* CreateProperty(const char* pName, int pPropertyType, KDataType* pDataType,
                              bool pAnimatable = false);

    // Creates the property a user property describes: the data type found by its type name, the
    // type index that follows from it, user flag 1 -> definition flag 2 and second flag 8, 2 ->
    // definition flag 64, 4 -> 128; the label, or the name when the label is empty. Returns the
    // property for the caller to bind; null when no data type has the type name or the name is
    // null. Whether the user property is bound already is the caller's check.
    KProperty* CreateUserProperty(const KUserPropertyDescription& pDescription);

    // Removes the property in the cell from the object (events 16 and 17); an owned property is
    // destroyed. Clears the cell. False for an empty cell or a property not registered here.
    bool RemoveProperty(KProperty*& ioProperty);

    // Creates an object-list property on pOwner: second flags word pSecondFlags, marked as an
    // object list (definition flags 4 and 8), child of pOwner named with an owned copy of pName
    // (flag 32), object class filter (pFilterWord, pClassId), plug filter the class-id filter of
    // pClassId with pKeepConnections, list bits the low three bits of pListBits, type 9, owned
    // (flag 1) and registered on pOwner. Null for a null owner or name.
    static KPropertyObjectList* CreateObjectListProperty(KObject* pOwner, const char* pName,
                                                         bool pKeepConnections, int pClassId,
                                                         int pFilterWord, unsigned pListBits,
                                                         unsigned pSecondFlags);

    // The (source, destination) pairs of connections made on this object's plug or on its
    // properties, oldest first. Pairs whose ends have died are dropped.
    int GetConnectionPairCount() const;
    bool GetConnectionPair(int pIndex, KPlug*& oSource, KPlug*& oDestination) const;

    // Keeps the pair list (events 10 to 13) and removes a reference property (type 8) that is
    // registered here once its last connection goes. Accepts every request.
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

protected:
    // Makes the (unregistered, unnamed) property for a type index; derived classes may supply
    // their own kinds. Null for an index it does not know.
    virtual KProperty* MakeProperty(int pPropertyType);
    // Room for pCount more properties, for an object that knows how many it registers;
    // pOwnedCount of them (all when negative) are children of the object's plug, the others its
    // members (KPlug::kMemberOfOwner). Deferred members need no room.
    void ReservePropertyCount(int pCount, int pOwnedCount = -1);
    // Registers a property that is a member of this object and so dies with it: it is not listed
    // as a child of the object's plug (KPlug::kMemberOfOwner). False as RegisterProperty.
    bool RegisterMemberProperty(KProperty& ioProperty);
    // Gives member number pMember (0 or more) its place in the array without making it: an
    // object whose dozens of members mostly keep their defaults pays one entry for each. The
    // member is made (MakeDeferredMember) when GetProperty or FindProperty first reaches it,
    // marked as a member made by this object, which deletes it. No event is sent for it. Only for
    // members that are not animatable: walks for animatable properties pass unmade ones by.
    void RegisterDeferredMember(int pMember);
    // Makes deferred member pMember, named, typed, attached to this object and flagged
    // KPlug::kMemberOfOwner before its owner was given, not registered. Null here.
    virtual KProperty* MakeDeferredMember(int pMember);
    // The name deferred member pMember will have, so that FindProperty makes no other. Null here.
    virtual const char* GetDeferredMemberName(int pMember) const;
    // Called before a property joins the array or leaves it (a removal, or a property dying
    // while registered), except while the object is destructing. Nothing here.
    virtual void OnPropertiesChanging() {}

private:
    friend class KProperty;
    // Shares the definitions of made properties by their place in the array.
    friend class KPropertyDefinitionCache;

    // An entry of the property array: a property, or the number of a deferred member not made
    // yet, kept odd (a property's address never is).
    class Entry
    {
    public:
        explicit Entry(KProperty* pProperty) : mBits(reinterpret_cast<std::uintptr_t>(pProperty)) {}
        static Entry Deferred(int pMember)
        {
            return Entry(static_cast<std::uintptr_t>(pMember) << 1 | 1);
        }
        bool IsMade() const { return (mBits & 1) == 0; }
        // Null for a member not made yet.
        KProperty* Get() const { return IsMade() ? reinterpret_cast<KProperty*>(mBits) : nullptr; }
        int GetMember() const { return static_cast<int>(mBits >> 1); }

    private:
        explicit Entry(std::uintptr_t pBits) : mBits(pBits) {}

        std::uintptr_t mBits;
    };

    // The property at pIndex as it stands: null for a deferred member not made yet, and out of
    // range.
    KProperty* GetMadeProperty(int pIndex) const;
    // The entry at pIndex, an index in range.
    Entry EntryAt(std::size_t pIndex) const;
    // Makes the deferred member of the entry at pIndex and puts it in its place.
    KProperty* MakeAt(std::size_t pIndex) const;
    // Lists the implicit members in the array, ahead of the rest.
    void SpillImplicitMembers() const;
    // Drops a dying property from the array, without events.
    void ForgetProperty(KProperty* pProperty);
    // Whether this object deletes the property when it leaves.
    static bool IsOwnedHere(const KProperty& pProperty);

    // Mutable: reaching a deferred member makes it, also through a const object.
    mutable std::vector<Entry> mProperties;
    // Made with the first pair: most objects of a large scene have few connections or none.
    mutable std::unique_ptr<KConnectionPairList> mPairs;
    bool mDestructing = false;
    // The array starts with this many deferred members, numbers 0 and up, not listed in
    // mProperties until one of them is made: an object whose members all keep their defaults
    // pays nothing for them.
    mutable int mImplicitMembers = 0;
};

#endif
