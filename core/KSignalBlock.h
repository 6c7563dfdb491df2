#ifndef RYVKIT_CORE_KSIGNALBLOCK_H
#define RYVKIT_CORE_KSIGNALBLOCK_H

#include <csignal>

// Holds back, for the calling thread and while the object lives, the asynchronous signals whose
// default action ends the process (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1,
// SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF), so that a few steps that belong together (the renames
// of an output group) all happen or none does. A signal sent meanwhile stays pending and arrives
// when the object goes, the mask the thread had before being put back. SIGKILL cannot be held.
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
