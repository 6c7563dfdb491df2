#ifndef RYVKIT_CORE_KSIGNALBLOCK_H
#define RYVKIT_CORE_KSIGNALBLOCK_H

#include <csignal>

// Holds back, process-wide and while the object lives, the asynchronous signals whose default
// action ends the process (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
// SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPWR, SIGSTKFLT, SIGIO and SIGRTMIN to SIGRTMAX), so
// that a few steps that belong together (the renames of an output group) all happen or none
// does. The calling thread blocks them; for every other thread of the process, each such signal
// that is not ignored gets a handler that only notes it, since a signal sent to the process may
// be delivered to any thread that does not block it. When the last object alive in the process
// goes, the former actions come back and every signal noted meanwhile is raised again in the
// thread that let go; signals pending for the calling thread then arrive as its mask is put back.
// A thread that changes a signal's action meanwhile has its change undone. The signals raised by
// a fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL), SIGABRT, SIGKILL and SIGSTOP are never held.
class KSignalBlock
{
public:
    KSignalBlock();
    ~KSignalBlock();
    KSignalBlock(const KSignalBlock&) = delete;
    KSignalBlock& operator=(const KSignalBlock&) = delete;

private:
    sigset_t mPrevious;
    bool mBlocked = false;
};

#endif
