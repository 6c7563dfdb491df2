#ifndef RYVKIT_IO_KOUTPUTFILE_H
#define RYVKIT_IO_KOUTPUTFILE_H

#include <cstdio>
#include <string>

// A file a writer makes without risking the one already there: the bytes go to a temporary file
// in the target's folder, which Commit puts in the target's place once everything was written;
// Discard (and the destructor, when Commit never came) closes and removes it, leaving the target
// exactly as it was. A target that existed keeps its permission bits; a new one gets those of a
// plain fopen. A link is followed to the file it names. A target that exists and is not a
// regular file (a device, a pipe) is written directly, as nothing can be put in its place.
//
// Where the file system allows, the temporary file has no name (O_TMPFILE) until Commit links it
// into place, so that even a killed process leaves nothing behind. Otherwise it is a hidden
// ".<name>.XXXXXX" beside the target, which the cleanup of InstallInterruptCleanup removes when
// the process is interrupted.
class KOutputFile
{
public:
    // pAllowUnnamed false: always a named temporary file.
    explicit KOutputFile(bool pAllowUnnamed = true) : mAllowUnnamed(pAllowUnnamed) {}
    KOutputFile(const KOutputFile&) = delete;
    KOutputFile& operator=(const KOutputFile&) = delete;
    ~KOutputFile();

    // Discards an open file, then opens a new temporary file beside pTarget for binary writing.
    // False (nothing open, errno set) when the folder refuses a new file or pTarget is empty.
    bool Create(const char* pTarget);
    // The stream to write to; null while nothing is open.
    std::FILE* GetStream() const { return mStream; }
    bool IsOpen() const { return mStream != nullptr; }
    const std::string& GetTarget() const { return mTarget; }

    // Flushes and closes the stream and puts the file in the target's place. False when nothing
    // is open, or when a write, the flush, the close, the link or the rename failed: the
    // temporary file is then removed and the target left as it was.
    bool Commit();
    // Closes and removes the temporary file; nothing happens when none is open.
    void Discard();

    // For a program: on SIGINT, SIGTERM and SIGHUP the named temporary files still open are
    // removed, then the signal ends the process as it would have without the cleanup. Signals
    // the program ignores stay ignored.
    static void InstallInterruptCleanup();

private:
    bool CreateUnnamed(const std::string& pFolder, unsigned pMode);
    bool CreateNamed(const std::string& pTemporary, unsigned pMode);
    bool LinkUnnamed();

    bool mAllowUnnamed;
    std::FILE* mStream = nullptr;
    std::string mTarget;
    std::string mTemporary;
    // The unnamed file's link name without its attempt number, made when it is created.
    std::string mLinkName;
    bool mUnnamed = false;
    int mSlot = -1;
};

#endif
