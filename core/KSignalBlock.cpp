#include "core/KSignalBlock.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <pthread.h>

namespace {

// One bit per signal number (1 to 64).
using SignalBits = std::uint64_t;
constexpr int kLastSignal = 64;

static_assert(std::atomic<SignalBits>::is_always_lock_free, "the handler sets bits in a signal");

// The held signals' former actions, for the whole process: a signal's action is process-wide,
// and so is this record of it (the only state here; a handler can reach no other). The depth
// counts the objects alive, which may belong to several threads.
struct HeldActions
{
    std::mutex mMutex;
    int mDepth = 0;
    struct sigaction mFormer[kLastSignal + 1];
    bool mReplaced[kLastSignal + 1] = {};
    std::atomic<SignalBits> mNoted{0};
};

HeldActions gHeld;

SignalBits Bit(int pSignal)
{
    return SignalBits(1) << (pSignal - 1);
}

void NoteSignal(int pSignal)
{
    gHeld.mNoted.fetch_or(Bit(pSignal));
}

sigset_t HeldSet()
{
    sigset_t lSet;
    sigemptyset(&lSet);
    for (int lSignal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                        SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPWR, SIGSTKFLT, SIGIO}) {
        sigaddset(&lSet, lSignal);
    }
    // SIGRTMIN leaves out the numbers the C library keeps for its threads.
    for (int lSignal = SIGRTMIN; lSignal <= SIGRTMAX && lSignal <= kLastSignal; ++lSignal) {
        sigaddset(&lSet, lSignal);
    }
    return lSet;
}

// Gives every held signal the program has not ignored the handler that notes it.
void ReplaceActions(const sigset_t& pSet)
{
    struct sigaction lNote;
    std::memset(&lNote, 0, sizeof(lNote));
    lNote.sa_handler = NoteSignal;
    sigfillset(&lNote.sa_mask);
    // Another thread's interrupted call goes on, as it would had nothing arrived.
    lNote.sa_flags = SA_RESTART;
    for (int lSignal = 1; lSignal <= kLastSignal; ++lSignal) {
        gHeld.mReplaced[lSignal] = sigismember(&pSet, lSignal) == 1 &&
                                   sigaction(lSignal, nullptr, &gHeld.mFormer[lSignal]) == 0 &&
                                   gHeld.mFormer[lSignal].sa_handler != SIG_IGN &&
                                   sigaction(lSignal, &lNote, nullptr) == 0;
    }
}

// Puts the former actions back, then raises what was noted: the signals stay pending for the
// calling thread, which still blocks them, until its mask is put back.
void RestoreActions()
{
    for (int lSignal = 1; lSignal <= kLastSignal; ++lSignal) {
        if (gHeld.mReplaced[lSignal]) {
            sigaction(lSignal, &gHeld.mFormer[lSignal], nullptr);
            gHeld.mReplaced[lSignal] = false;
        }
    }
    const SignalBits lNoted = gHeld.mNoted.exchange(0);
    for (int lSignal = 1; lSignal <= kLastSignal; ++lSignal) {
        if (lNoted & Bit(lSignal)) {
            raise(lSignal);
        }
    }
}

} // namespace

KSignalBlock::KSignalBlock()
{
    const sigset_t lHeld = HeldSet();
    mBlocked = pthread_sigmask(SIG_BLOCK, &lHeld, &mPrevious) == 0;
    const std::lock_guard<std::mutex> lLock(gHeld.mMutex);
    if (gHeld.mDepth++ == 0) {
        ReplaceActions(lHeld);
    }
}

KSignalBlock::~KSignalBlock()
{
    {
        const std::lock_guard<std::mutex> lLock(gHeld.mMutex);
        if (--gHeld.mDepth == 0) {
            RestoreActions();
        }
    }
    if (mBlocked) {
        pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr);
    }
}
