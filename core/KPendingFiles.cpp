#include "core/KPendingFiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

namespace {

enum ESlotState : int { eFree = 0, eFilling = 1, eListed = 2 };

struct Slot
{
    std::atomic<int> mState{eFree};
    char mPath[KPendingFiles::kMaxPathLength + 1];
};

Slot gSlots[KPendingFiles::kSlotCount];

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slot states");

void OnInterrupt(int pSignal)
{
    const int lError = errno;
    KPendingFiles::RemoveAll();
    errno = lError;
    // The handler was reset to the default on entry: raised again, the signal ends the process
    // as soon as the handler returns and unblocks it.
    raise(pSignal);
}

} // namespace

int KPendingFiles::Add(const char* pPath)
{
    const std::size_t lLength = pPath ? std::strlen(pPath) : 0;
    if (lLength == 0 || lLength > kMaxPathLength) {
        return -1;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        int lFree = eFree;
        if (gSlots[i].mState.compare_exchange_strong(lFree, eFilling)) {
            std::memcpy(gSlots[i].mPath, pPath, lLength + 1);
            gSlots[i].mState.store(eListed, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void KPendingFiles::Remove(int pSlot)
{
    if (pSlot >= 0 && pSlot < kSlotCount) {
        gSlots[pSlot].mState.store(eFree, std::memory_order_release);
    }
}

void KPendingFiles::RemoveAll()
{
    for (Slot& lSlot : gSlots) {
        if (lSlot.mState.load(std::memory_order_acquire) == eListed) {
            unlink(lSlot.mPath);
        }
    }
}

void KPendingFiles::InstallSignalHandlers()
{
    for (int lSignal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction lOld;
        if (sigaction(lSignal, nullptr, &lOld) != 0 || lOld.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction lCleanup;
        std::memset(&lCleanup, 0, sizeof(lCleanup));
        lCleanup.sa_handler = OnInterrupt;
        sigemptyset(&lCleanup.sa_mask);
        lCleanup.sa_flags = SA_RESETHAND;
        sigaction(lSignal, &lCleanup, nullptr);
    }
}
