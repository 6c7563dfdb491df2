#ifndef RYVKIT_IO_KOUTPUTFILE_H
#define RYVKIT_IO_KOUTPUTFILE_H

#include <cstdio>
#include <string>

// A file a writer makes without risking the one already there: the bytes go to a new file with a
// unique name in the target's folder, which Commit renames over the target once everything was
// written; Discard (and the destructor, when Commit never came) closes and removes it, leaving
// the target exactly as it was. A target that existed keeps its permission bits; a new one gets
// those of a plain fopen. A link is followed to the file it names. A target that exists and is
// not a regular file (a device, a pipe) is written directly, as nothing can be put in its place.
class KOutputFile
{
public:
    KOutputFile() = default;
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

    // Flushes and closes the stream and renames the file over the target. False when nothing is
    // open, or when a write, the flush, the close or the rename failed: the temporary file is
    // then removed and the target left as it was.
    bool Commit();
    // Closes and removes the temporary file; nothing happens when none is open.
    void Discard();

private:
    std::FILE* mStream = nullptr;
    std::string mTarget;
    std::string mTemporary;
};

#endif
