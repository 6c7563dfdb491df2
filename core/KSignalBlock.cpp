#include "core/KSignalBlock.h"

#include <initializer_list>
#include <pthread.h>

KSignalBlock::KSignalBlock()
{
    sigset_t lHeld;
    sigemptyset(&lHeld);
    for (int lSignal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                        SIGXCPU, SIGVTALRM, SIGPROF}) {
        sigaddset(&lHeld, lSignal);
    }
    mBlocked = pthread_sigmask(SIG_BLOCK, &lHeld, &mPrevious) == 0;
}

KSignalBlock::~KSignalBlock()
{
    if (mBlocked) {
        pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr);
    }
}
