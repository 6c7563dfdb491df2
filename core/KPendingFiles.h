#ifndef RYVKIT_CORE_KPENDINGFILES_H
#define RYVKIT_CORE_KPENDINGFILES_H

#include <cstddef>

// The named temporary files of KOutputFile still open in the process, for the interrupt cleanup:
// a fixed table in static storage, claimed and freed atomically, so that a signal handler can
// walk it and remove the files without allocating or locking. A path longer than kMaxPathLength
// bytes, or a file opened when all kSlotCount slots are taken, is not listed (and so not removed
// on an interrupt). Process-wide, as a signal handler can reach nothing else (so is the record of
// KSignalBlock).
namespace KPendingFiles {

constexpr int kSlotCount = 64;
constexpr std::size_t kMaxPathLength = 4095;

// Lists pPath; answers its slot, or -1 when it is not listed.
int Add(const char* pPath);
// Frees a slot Add answered; -1 is ignored.
void Remove(int pSlot);
// Removes every listed file from disk. Async-signal-safe.
void RemoveAll();
// On SIGINT, SIGTERM and SIGHUP: RemoveAll, then the signal's default action (the process ends
// as it would have). A signal the process ignores stays ignored.
void InstallSignalHandlers();

} // namespace KPendingFiles

#endif
