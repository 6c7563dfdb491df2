#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSFILES_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSFILES_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class KByteSource;
class KOutputFile;
class KOutputGroup;

struct Toolkit3dsContext;

// One open file of a toolkit run. Owned by the run's file table; callers hold it as a plain
// pointer until CloseFile3ds or CloseAllFiles3ds of the same context.
struct FileRecord3ds
{
    static constexpr int32_t kModeRead = 1;
    static constexpr int32_t kModeWrite = 2;
    static constexpr uint8_t kNoSlot = 255;

    FileRecord3ds();
    ~FileRecord3ds();

    // The stream of the source or the output, whichever the mode has.
    std::FILE* mStream = nullptr;
    std::string mName;
    int32_t mMode = 0;
    uint8_t mIndex = kNoSlot;
    // What a read record reads: a file or a block in memory.
    std::unique_ptr<KByteSource> mSource;
    // What a write record writes: a temporary file that replaces the target (or is handed to
    // its output group) only when the record is closed with no toolkit error pending.
    std::unique_ptr<KOutputFile> mOutput;
    // Tells this record from a later one in the same slot, so that a chunk never reads
    // another file than the one it came from.
    uint32_t mSerial = 0;
};

// The open files of one run: at most 252 slots, the count of slots in use (highest used plus
// one) and the current file, on which every read and write primitive works.
struct FileTable3ds
{
    static constexpr int kMaxFiles = 252;

    std::vector<std::unique_ptr<FileRecord3ds>> mSlots;
    uint8_t mCount = 0;
    FileRecord3ds* mCurrent = nullptr;
    uint8_t mCurrentIndex = 0;
    uint32_t mNextSerial = 1;
};

// Opens pName for reading ("r" in pMode, through a byte source) or writing ("w"; the first of
// the two wins, through an output file). The same name open with the same mode gives the open
// record. A name open for reading may also be opened for writing: the reading record keeps the
// old bytes, and the new ones replace them only when the writing record is closed. A name open
// for writing that is opened for reading is closed (committed) first. A file opened for writing
// joins pGroup (not owned; null: none), which must outlive the record: closing the record then
// hands the file to the group, whose Commit puts it in place (KOutputFile::SetGroup). Null after
// pushing the error on failure.
FileRecord3ds* OpenFile3ds(Toolkit3dsContext& ioKit, const char* pName, const char* pMode,
                           KOutputGroup* pGroup = nullptr);
// Takes an open byte source (a file or a block in memory) as a file open for reading, named
// after the source. Null after pushing the error when the source is not open or the table is full.
FileRecord3ds* OpenSource3ds(Toolkit3dsContext& ioKit, std::unique_ptr<KByteSource> pSource);
// The same with a source the caller keeps open and owns; it must outlive the record.
FileRecord3ds* OpenSource3ds(Toolkit3dsContext& ioKit, KByteSource& ioSource);
// Closes and frees the record (null does nothing). A write record replaces its target (or is
// handed to its group) when no toolkit error is pending, and is discarded otherwise (the target
// stays as it was); ERR_CLOSING_FILE when the close, the replacement or the hand-over failed.
void CloseFile3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile);
// Closes every file of the run as CloseFile3ds does, reports the first failure, and empties
// the table.
void CloseAllFiles3ds(Toolkit3dsContext& ioKit);
// Closes every file of the run without replacing any target: what a run that never closed its
// files leaves behind is nothing.
void DiscardAllFiles3ds(Toolkit3dsContext& ioKit);
FileRecord3ds* GetFileByIndex3ds(Toolkit3dsContext& ioKit, uint32_t pIndex);
bool IsFileIndexValid3ds(const Toolkit3dsContext& pKit, uint32_t pIndex);
void SetCurrentFile3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile);
void SetCurrentFileByIndex3ds(Toolkit3dsContext& ioKit, uint32_t pIndex);
uint8_t CurrentFileIndex3ds(const Toolkit3dsContext& pKit);
std::FILE* CurrentStream3ds(const Toolkit3dsContext& pKit);
// Position of the current stream, or -1 when there is none.
int64_t FileTell3ds(Toolkit3dsContext& ioKit);
// Absolute seek of the current stream; ERR_READING_FILE when it fails.
bool FileSeek3ds(Toolkit3dsContext& ioKit, int64_t pPosition);

#endif
