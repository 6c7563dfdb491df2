#include "object/KClassInfo.h"

#include "object/KPlug.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct ClassRegistry
{
    std::mutex mMutex;
    // Indexed by class id; slot 0 is never used.
    std::vector<const KClassInfo*> mClasses{nullptr, nullptr, nullptr};
};

// Never destroyed, so that classes first used during static destruction still find it.
ClassRegistry& Registry()
{
    static ClassRegistry* sRegistry = new ClassRegistry;
    return *sRegistry;
}

int RegisterClass(const KClassInfo* pInfo, const char* pName)
{
    ClassRegistry& lRegistry = Registry();
    std::lock_guard<std::mutex> lLock(lRegistry.mMutex);
    int lId = -1;
    if (std::strcmp(pName, "KObject") == 0 && !lRegistry.mClasses[1]) {
        lId = 1;
    } else if (std::strcmp(pName, "KPlug") == 0 && !lRegistry.mClasses[2]) {
        lId = 2;
    } else {
        lId = static_cast<int>(lRegistry.mClasses.size());
        lRegistry.mClasses.push_back(nullptr);
    }
    lRegistry.mClasses[static_cast<size_t>(lId)] = pInfo;
    return lId;
}

} // namespace

bool KClassIdFilter::Accepts(const KPlug* pPlug) const
{
    return pPlug && pPlug->IsA(mClassId);
}

KClassInfo::KClassInfo(const char* pName, const KClassInfo* pParent)
    : mName(pName), mParent(pParent), mClassId(RegisterClass(this, pName)), mFilter(mClassId)
{
}

bool KClassInfo::IsA(int pClassId) const
{
    for (const KClassInfo* lInfo = this; lInfo; lInfo = lInfo->mParent) {
        if (lInfo->mClassId == pClassId) {
            return true;
        }
    }
    return false;
}

const KClassInfo* GetClassInfoById(int pClassId)
{
    ClassRegistry& lRegistry = Registry();
    std::lock_guard<std::mutex> lLock(lRegistry.mMutex);
    if (pClassId < 0 || static_cast<size_t>(pClassId) >= lRegistry.mClasses.size()) {
        return nullptr;
    }
    return lRegistry.mClasses[static_cast<size_t>(pClassId)];
}

const KPlugFilter* GetClassIdFilter(int pClassId)
{
    const KClassInfo* lInfo = GetClassInfoById(pClassId);
    return lInfo ? lInfo->GetClassIdFilter() : nullptr;
}
