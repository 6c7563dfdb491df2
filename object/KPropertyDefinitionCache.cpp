#include "object/KPropertyDefinitionCache.h"

#include "object/KObject.h"

KPropertyDefinitionCache::~KPropertyDefinitionCache() = default;

void KPropertyDefinitionCache::Share(const void* pKind, KObject& ioObject)
{
    const std::lock_guard<std::mutex> lLock(mMutex);
    std::vector<KPropertyDefinitionRef>& lKept = mKinds[pKind];
    const int lCount = ioObject.GetPropertyCount();
    for (int i = 0; i < lCount; ++i) {
        KProperty* lProperty = ioObject.GetProperty(i);
        if (!lProperty || !lProperty->mDefinition) {
            continue;
        }
        const auto lIndex = static_cast<std::size_t>(i);
        if (lIndex >= lKept.size()) {
            lKept.push_back(lProperty->mDefinition);
        } else if (lKept[lIndex] && (*lKept[lIndex]).IsSameAs(*lProperty->mDefinition)) {
            lProperty->mDefinition = lKept[lIndex];
        }
    }
}
