#ifndef RYVKIT_TESTS_CORE_FILECALLHOOKS_H
#define RYVKIT_TESTS_CORE_FILECALLHOOKS_H

// The core test program's own rename, renameat2, link, linkat and unlink, which stand in for
// the C library's (each goes on to the kernel as before), so that a test can make a signal, a
// kill or a refusal arrive at one exact step of a commit. Each setting holds for the process
// that makes it (a child of the test, as a rule) until it fires or is set again.
namespace FileCallHooks {

// After the next rename or exchange that succeeds, pSignal (0: none) is raised in the calling
// thread, or sent to the whole process when pToProcess.
void SignalAfterNextRename(int pSignal, bool pToProcess = false);
// After the next rename or exchange that succeeds, waits until a byte can be read from pFile
// (-1: never waits).
void WaitAfterNextRename(int pFile);
// The process is killed (SIGKILL) right after the pCount-th change of a folder from now: a
// rename, an exchange, a link or a removal. 0: never.
void KillAfterChanges(int pCount);
// An exchange of names answers EINVAL, as on a file system that cannot exchange them.
void RefuseExchanges(bool pRefuse);
// link() answers pError (0: as the kernel does), as protected hard links answer EPERM for a
// file of another user.
void RefuseHardLinks(int pError);
// A rename or exchange from or to pPath answers pError (an empty path: none), as for an
// immutable file.
void RefuseRenamesOf(const char* pPath, int pError);

} // namespace FileCallHooks

#endif
