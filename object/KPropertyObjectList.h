#ifndef RYVKIT_OBJECT_KPROPERTYOBJECTLIST_H
#define RYVKIT_OBJECT_KPROPERTYOBJECTLIST_H

#include "object/KProperty.h"

class KObject;

// A property whose value is the list of objects connected to it as sources, in connection
// order. An object filter restricts which plugs may connect (see SetObjectClassFilter). The
// objects are not owned. Index arguments are checked.
class KPropertyObjectList : public KProperty
{
    K_DECLARE_CLASS(KPropertyObjectList)

    // Object class filter words -1 and -1, change count 0.
    KPropertyObjectList();

    int GetObjectCount() const { return GetSrcCount(); }
    // The object at an index: the connected plug when it is a KObject, else the object the
    // connected property belongs to; null out of range.
    KObject* GetObject(int pIndex) const;
    // Puts pObject at an index from 0 to the count: at the count it is appended, below it
    // replaces the object there; an object listed already moves to that place (the last place
    // when the index is the count). False for null, an index out of range or a refused connection
    // (the list is then unchanged).
    bool SetObjectAt(int pIndex, KObject* pObject);
    void RemoveAllObjects();

    // Stores the two filter words and filters the property's connections on the class-id filter
    // of pClassId (an unknown id removes the filter), keeping the keep-connections flag.
    void SetObjectClassFilter(int pFilterWord, int pClassId);
    int GetObjectClassFilterWord() const { return mFilterWord; }
    int GetObjectClassFilterId() const { return mFilterClassId; }
    // Counts the changes made through SetObjectAt and RemoveAllObjects.
    int GetChangeCount() const { return mChangeCount; }

protected:
    // Every object list is filtered: the filter is a field, not a reason for a lists block.
    const KPlugFilter* Filter() const override { return mFilter; }
    void KeepFilter(const KPlugFilter* pFilter) override { mFilter = pFilter; }

private:
    const KPlugFilter* mFilter = nullptr;
    int mFilterWord = -1;
    int mFilterClassId = -1;
    int mChangeCount = 0;
};

#endif
