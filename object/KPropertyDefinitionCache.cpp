#include "object/KPropertyDefinitionCache.h"

#include "object/KObject.h"

KPropertyDefinitionCache::~KPropertyDefinitionCache() = default;

void KPropertyDefinitionCache::Share(const void* pKind, KObject& ioObject)
{
    const std::lock_guard<std::mutex> lLock(mMutex);
    std::vector<KPropertyDefinitionRef>& lKept = mKinds[pKind];
    const int lCount = ioObject.GetPropertyCount();
    for (int i = 0; i < lCount; ++i) {
        if (KProperty* lProperty = ioObject.GetMadeProperty(i)) {
            ShareAt(lKept, static_cast<std::size_t>(i), *lProperty);
        }
    }
}

void KPropertyDefinitionCache::ShareOne(const void* pKind, int pPosition, KProperty& ioProperty)
{
    if (pPosition < 0) {
        return;
    }
    const std::lock_guard<std::mutex> lLock(mMutex);
    ShareAt(mKinds[pKind], static_cast<std::size_t>(pPosition), ioProperty);
}

void KPropertyDefinitionCache::ShareAt(std::vector<KPropertyDefinitionRef>& ioKept,
                                       std::size_t pIndex, KProperty& ioProperty)
{
    if (!ioProperty.mDefinition) {
        return;
    }
    if (pIndex >= ioKept.size()) {
        ioKept.resize(pIndex + 1);
    }
    if (!ioKept[pIndex]) {
        ioKept[pIndex] = ioProperty.mDefinition;
    } else if ((*ioKept[pIndex]).IsSameAs(*ioProperty.mDefinition)) {
        ioProperty.mDefinition = ioKept[pIndex];
    }
}
