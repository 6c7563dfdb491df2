#include "object/KPropertyObjectList.h"

#include "object/KObject.h"

K_IMPLEMENT_CLASS(KPropertyObjectList, KProperty)

KPropertyObjectList::KPropertyObjectList() = default;

KObject* KPropertyObjectList::GetObject(int pIndex) const
{
    KPlug* lPlug = GetSrc(pIndex);
    if (!lPlug) {
        return nullptr;
    }
    if (lPlug->IsA(KObject::ClassId())) {
        return static_cast<KObject*>(lPlug);
    }
    return lPlug->IsA(KProperty::ClassId()) ? static_cast<KProperty*>(lPlug)->GetParentObject()
                                            : nullptr;
}

bool KPropertyObjectList::SetObjectAt(int pIndex, KObject* pObject)
{
    const int lCount = GetObjectCount();
    if (!pObject || pIndex < 0 || pIndex > lCount) {
        return false;
    }
    const int lPresent = FindSrc(pObject);
    if (lPresent >= 0) {
        // An object is listed once: it moves to the place asked for.
        if (lPresent != pIndex) {
            MoveSrc(lPresent, pIndex < lCount ? pIndex : lCount - 1);
            ++mChangeCount;
        }
        return true;
    }
    KPlug* lReplaced = pIndex < lCount ? GetSrc(pIndex) : nullptr;
    const KWeakHandle lReplacedHandle = lReplaced ? lReplaced->GetWeakHandle() : KWeakHandle();
    const KWeakHandle lSelf = GetWeakHandle();
    if (!ConnectSrc(pObject, 0) || !lSelf.Get()) {
        return false;
    }
    if (KPlug* lOld = lReplacedHandle.Get()) {
        DisconnectSrc(lOld);
        if (!lSelf.Get()) {
            return false;
        }
    }
    const int lFrom = FindSrc(pObject);
    if (lFrom >= 0 && pIndex < GetSrcCount()) {
        MoveSrc(lFrom, pIndex);
    }
    ++mChangeCount;
    return lFrom >= 0;
}

void KPropertyObjectList::RemoveAllObjects()
{
    if (GetSrcCount() > 0) {
        ++mChangeCount;
    }
    DisconnectAllSrc();
}

void KPropertyObjectList::SetObjectClassFilter(int pFilterWord, int pClassId)
{
    mFilterWord = pFilterWord;
    mFilterClassId = pClassId;
    SetFilter(GetClassIdFilter(pClassId), GetKeepConnections());
}
