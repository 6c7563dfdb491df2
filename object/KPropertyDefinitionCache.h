#ifndef RYVKIT_OBJECT_KPROPERTYDEFINITIONCACHE_H
#define RYVKIT_OBJECT_KPROPERTYDEFINITIONCACHE_H

#include "object/KPropertyDefinitionRef.h"

#include <map>
#include <mutex>
#include <vector>

class KObject;

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

    void Share(const void* pKind, KObject& ioObject);

private:
    std::mutex mMutex;
    std::map<const void*, std::vector<KPropertyDefinitionRef>> mKinds;
};

#endif
