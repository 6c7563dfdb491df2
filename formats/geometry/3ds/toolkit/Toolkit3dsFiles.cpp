#include "formats/geometry/3ds/toolkit/Toolkit3dsFiles.h"

#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxModeLength = 31;

// The mode a mode text asks for: its first 'r' or 'w'; 0 for neither.
int32_t ModeOf(const char* pMode)
{
    for (const char* lChar = pMode; *lChar; ++lChar) {
        if (*lChar == 'r') {
            return FileRecord3ds::kModeRead;
        }
        if (*lChar == 'w') {
            return FileRecord3ds::kModeWrite;
        }
    }
    return 0;
}

FileRecord3ds* FindOpenFile(FileTable3ds& ioTable, const char* pName)
{
    for (int i = 0; i < ioTable.mCount; ++i) {
        FileRecord3ds* lFile = ioTable.mSlots[i].get();
        if (lFile && lFile->mName == pName) {
            return lFile;
        }
    }
    return nullptr;
}

// The first free slot below the count, else the slot at the count; -1 when the table is full.
int FreeSlot(FileTable3ds& ioTable)
{
    if (ioTable.mSlots.empty()) {
        ioTable.mSlots.resize(FileTable3ds::kMaxFiles);
    }
    for (int i = 0; i < ioTable.mCount; ++i) {
        if (!ioTable.mSlots[i]) {
            return i;
        }
    }
    return ioTable.mCount < FileTable3ds::kMaxFiles ? ioTable.mCount : -1;
}

void GiveBuffer(FileRecord3ds& ioFile)
{
    if (!ioFile.mBuffer) {
        ioFile.mBuffer.reset(new (std::nothrow) char[FileTable3ds::kStreamBufferSize]);
        ioFile.mBufferSize = ioFile.mBuffer ? FileTable3ds::kStreamBufferSize : 0;
    }
    if (ioFile.mBuffer) {
        std::setvbuf(ioFile.mStream, ioFile.mBuffer.get(), _IOFBF, ioFile.mBufferSize);
    }
}

// Renames a file open for reading to a unique name in its folder and reopens it there at the
// same position, so that its name is free for writing while its chunks can still be loaded.
bool MoveAside(Toolkit3dsContext& ioKit, FileRecord3ds& ioFile)
{
    const long lPosition = std::ftell(ioFile.mStream);
    const int lClosed = std::fclose(ioFile.mStream);
    ioFile.mStream = nullptr;
    if (lClosed != 0) {
        PushError3ds(ioKit, ERR_CLOSING_FILE);
        return false;
    }
    const std::size_t lSlash = ioFile.mName.rfind('/');
    std::string lTemp =
        (lSlash == std::string::npos ? std::string() : ioFile.mName.substr(0, lSlash + 1)) +
        ".ryv3ds-XXXXXX";
    const int lHandle = mkstemp(lTemp.data());
    if (lHandle < 0) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return false;
    }
    close(lHandle);
    if (std::rename(ioFile.mName.c_str(), lTemp.c_str()) != 0) {
        std::remove(lTemp.c_str());
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return false;
    }
    ioFile.mDeleteOnClose = true;
    ioFile.mName = lTemp;
    ioFile.mStream = std::fopen(lTemp.c_str(), "rb");
    if (!ioFile.mStream) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return false;
    }
    if (ioFile.mBuffer) {
        std::setvbuf(ioFile.mStream, ioFile.mBuffer.get(), _IOFBF, ioFile.mBufferSize);
    }
    return lPosition >= 0 && std::fseek(ioFile.mStream, lPosition, SEEK_SET) == 0;
}

// Frees a record and its slot; the close status of its stream.
bool DestroyRecord(FileTable3ds& ioTable, FileRecord3ds* pFile)
{
    bool lClosed = true;
    if (pFile->mStream) {
        lClosed = std::fclose(pFile->mStream) == 0;
        pFile->mStream = nullptr;
    }
    if (pFile->mDeleteOnClose) {
        std::remove(pFile->mName.c_str());
    }
    if (ioTable.mCurrent == pFile) {
        ioTable.mCurrent = nullptr;
    }
    ioTable.mSlots[pFile->mIndex].reset();
    return lClosed;
}

} // namespace

FileRecord3ds* OpenFile3ds(Toolkit3dsContext& ioKit, const char* pName, const char* pMode)
{
    if (!pName || !pMode) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    // The mode is checked before a slot is taken, so a refused open leaves the table as it was.
    if (std::strlen(pMode) > kMaxModeLength) {
        PushError3ds(ioKit, ERR_STRING_TOO_LONG);
        return nullptr;
    }
    const int32_t lMode = ModeOf(pMode);
    if (lMode == 0) {
        PushError3ds(ioKit, ERR_INIT_FAILED);
        return nullptr;
    }
    FileTable3ds& lTable = ioKit.mFiles;
    if (FileRecord3ds* lOpen = FindOpenFile(lTable, pName)) {
        if (lOpen->mMode == lMode) {
            return lOpen;
        }
        if (lOpen->mMode == FileRecord3ds::kModeRead) {
            if (!MoveAside(ioKit, *lOpen)) {
                return nullptr;
            }
        } else {
            CloseFile3ds(ioKit, lOpen);
        }
    }
    const int lSlot = FreeSlot(lTable);
    if (lSlot < 0) {
        PushError3ds(ioKit, ERR_TOO_MANY_FILES);
        return nullptr;
    }
    auto lFile = std::make_unique<FileRecord3ds>();
    lFile->mName = pName;
    lFile->mMode = lMode;
    lFile->mStream = std::fopen(pName, lMode == FileRecord3ds::kModeRead ? "rb" : "wb");
    if (!lFile->mStream) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return nullptr;
    }
    GiveBuffer(*lFile);
    lFile->mIndex = static_cast<uint8_t>(lSlot);
    lFile->mSerial = lTable.mNextSerial++;
    lTable.mSlots[lSlot] = std::move(lFile);
    if (lSlot == lTable.mCount) {
        ++lTable.mCount;
    }
    return lTable.mSlots[lSlot].get();
}

void CloseFile3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile)
{
    if (!pFile) {
        return;
    }
    // Only a record of this run's table is closed; another run's files are not touched.
    FileTable3ds& lTable = ioKit.mFiles;
    if (pFile->mIndex >= lTable.mSlots.size() || lTable.mSlots[pFile->mIndex].get() != pFile) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (!DestroyRecord(lTable, pFile)) {
        PushError3ds(ioKit, ERR_CLOSING_FILE);
    }
}

void CloseAllFiles3ds(Toolkit3dsContext& ioKit)
{
    FileTable3ds& lTable = ioKit.mFiles;
    // Every file is closed even when one fails; the first failure is the one reported.
    bool lFailed = false;
    for (int i = 0; i < lTable.mCount; ++i) {
        if (FileRecord3ds* lFile = lTable.mSlots[i].get()) {
            lFailed = !DestroyRecord(lTable, lFile) || lFailed;
        }
    }
    lTable.mSlots.clear();
    lTable.mCount = 0;
    lTable.mCurrent = nullptr;
    lTable.mCurrentIndex = 0;
    if (lFailed) {
        PushError3ds(ioKit, ERR_CLOSING_FILE);
    }
}

FileRecord3ds* GetFileByIndex3ds(Toolkit3dsContext& ioKit, uint32_t pIndex)
{
    return pIndex < ioKit.mFiles.mCount ? ioKit.mFiles.mSlots[pIndex].get() : nullptr;
}

bool IsFileIndexValid3ds(const Toolkit3dsContext& pKit, uint32_t pIndex)
{
    return pIndex < FileRecord3ds::kNoSlot && pIndex < pKit.mFiles.mCount &&
           pKit.mFiles.mSlots[pIndex] != nullptr;
}

void SetCurrentFile3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile)
{
    ioKit.mFiles.mCurrent = pFile;
    ioKit.mFiles.mCurrentIndex = pFile ? pFile->mIndex : 0;
}

void SetCurrentFileByIndex3ds(Toolkit3dsContext& ioKit, uint32_t pIndex)
{
    if (pIndex < ioKit.mFiles.mCount) {
        SetCurrentFile3ds(ioKit, ioKit.mFiles.mSlots[pIndex].get());
    }
}

uint8_t CurrentFileIndex3ds(const Toolkit3dsContext& pKit)
{
    return pKit.mFiles.mCurrentIndex;
}

std::FILE* CurrentStream3ds(const Toolkit3dsContext& pKit)
{
    return pKit.mFiles.mCurrent ? pKit.mFiles.mCurrent->mStream : nullptr;
}

int64_t FileTell3ds(Toolkit3dsContext& ioKit)
{
    std::FILE* lStream = CurrentStream3ds(ioKit);
    return lStream ? static_cast<int64_t>(std::ftell(lStream)) : -1;
}

bool FileSeek3ds(Toolkit3dsContext& ioKit, int64_t pPosition)
{
    std::FILE* lStream = CurrentStream3ds(ioKit);
    if (!lStream || pPosition < 0 || std::fseek(lStream, static_cast<long>(pPosition), SEEK_SET)) {
        PushError3ds(ioKit, ERR_READING_FILE);
        return false;
    }
    return true;
}
