#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSFILES_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSFILES_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct Toolkit3dsContext;

// One open file of a toolkit run. Owned by the run's file table; callers hold it as a plain
// pointer until CloseFile3ds or CloseAllFiles3ds of the same context.
struct FileRecord3ds
{
    static constexpr int32_t kModeRead = 1;
    static constexpr int32_t kModeWrite = 2;
    static constexpr uint8_t kNoSlot = 255;

    std::FILE* mStream = nullptr;
    std::string mName;
    int32_t mMode = 0;
    uint8_t mIndex = kNoSlot;
    std::unique_ptr<char[]> mBuffer;
    uint32_t mBufferSize = 0;
    // Set for a file moved aside: it is removed from disk when the record is closed.
    bool mDeleteOnClose = false;
    // Tells this record from a later one in the same slot, so that a chunk never reads
    // another file than the one it came from.
    uint32_t mSerial = 0;
};

// The open files of one run: at most 252 slots, the count of slots in use (highest used plus
// one) and the current file, on which every read and write primitive works.
struct FileTable3ds
{
    static constexpr int kMaxFiles = 252;
    static constexpr uint32_t kStreamBufferSize = 8192;

    std::vector<std::unique_ptr<FileRecord3ds>> mSlots;
    uint8_t mCount = 0;
    FileRecord3ds* mCurrent = nullptr;
    uint8_t mCurrentIndex = 0;
    uint32_t mNextSerial = 1;
};

// Opens pName for reading ("r" in pMode) or writing ("w"; the first of the two wins), in
// binary. The same name open with the same mode gives the open record. A name open for
// reading that is opened for writing is first moved aside to a unique file of the same folder,
// which stays readable at its position and is removed when closed; a name open for writing
// that is opened for reading is closed first. Null after pushing the error on failure.
FileRecord3ds* OpenFile3ds(Toolkit3dsContext& ioKit, const char* pName, const char* pMode);
// Closes and frees the record (null does nothing); ERR_CLOSING_FILE when the close failed.
void CloseFile3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile);
// Closes every file of the run, reports the first failure, and empties the table.
void CloseAllFiles3ds(Toolkit3dsContext& ioKit);
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
