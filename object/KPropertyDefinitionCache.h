#ifndef RYVKIT_OBJECT_KPROPERTYDEFINITIONCACHE_H
#define RYVKIT_OBJECT_KPROPERTYDEFINITIONCACHE_H

#include "object/KPropertyDefinitionRef.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <vector>

class KObject;
class KProperty;

// The definitions the properties of one kind of object share. Every object of a kind registers
// the same properties in the same order with the same definitions, so the first object's
// definitions serve all the others: Share makes each property of an object hold the definition
// kept for its position when the two are equal, and keeps the property's own for a position
// that has none yet. A property that differs keeps its own; a property changed later gets a copy
// of its own (KProperty copies on write), so sharing never changes an answer. Owned by whoever
// makes the objects (the object factory); the kind key is any address that names the kind (its
// class information). Guarded by a mutex.
class KPropertyDefinitionCache
{
public:
    KPropertyDefinitionCache() = default;
    KPropertyDefinitionCache(const KPropertyDefinitionCache&) = delete;
    KPropertyDefinitionCache& operator=(const KPropertyDefinitionCache&) = delete;
    ~KPropertyDefinitionCache();

    // Members not made yet (KObject::IsPropertyMade) are passed by.
    void Share(const void* pKind, KObject& ioObject);
    // The same for one property, kept at position pPosition (0 or more) of the kind: for members
    // an object makes one at a time, long after the object was set up.
    void ShareOne(const void* pKind, int pPosition, KProperty& ioProperty);

private:
    // Shares ioProperty's definition with the one kept at pIndex, or keeps it there first.
    static void ShareAt(std::vector<KPropertyDefinitionRef>& ioKept, std::size_t pIndex,
                        KProperty& ioProperty);

    std::mutex mMutex;
    std::map<const void*, std::vector<KPropertyDefinitionRef>> mKinds;
};

#endif
