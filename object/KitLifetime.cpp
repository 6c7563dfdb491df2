#include "object/KitLifetime.h"

#include "object/KObject.h"
#include "object/KWeakHandle.h"

#include <mutex>

namespace {

std::mutex& LifetimeMutex()
{
    static std::mutex sMutex;
    return sMutex;
}

int sLifetimeCount = 0;

} // namespace

bool KitLifetimeAcquire()
{
    std::lock_guard<std::mutex> lLock(LifetimeMutex());
    if (sLifetimeCount++ == 0) {
        // The two base classes take their fixed ids before any other class is used.
        KObject::ClassInfo();
        KPlug::ClassInfo();
    }
    return true;
}

bool KitLifetimeRelease()
{
    std::lock_guard<std::mutex> lLock(LifetimeMutex());
    if (sLifetimeCount == 0) {
        return false;
    }
    if (--sLifetimeCount == 0) {
        KWeakHandle::TrimPool();
    }
    return true;
}
