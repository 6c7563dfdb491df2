#include "formats/geometry/3ds/toolkit/Toolkit3dsFiles.h"

#include "core/KByteSource.h"
#include "core/KOutputFile.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cstring>

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

FileRecord3ds* FindOpenFile(FileTable3ds& ioTable, const char* pName, int32_t pMode)
{
    for (int i = 0; i < ioTable.mCount; ++i) {
        FileRecord3ds* lFile = ioTable.mSlots[i].get();
        if (lFile && lFile->mName == pName && lFile->mMode == pMode) {
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

// Puts an opened record into a free slot; null after pushing ERR_TOO_MANY_FILES.
FileRecord3ds* Enter(Toolkit3dsContext& ioKit, std::unique_ptr<FileRecord3ds> pFile)
{
    FileTable3ds& lTable = ioKit.mFiles;
    const int lSlot = FreeSlot(lTable);
    if (lSlot < 0) {
        PushError3ds(ioKit, ERR_TOO_MANY_FILES);
        return nullptr;
    }
    pFile->mIndex = static_cast<uint8_t>(lSlot);
    pFile->mSerial = lTable.mNextSerial++;
    lTable.mSlots[lSlot] = std::move(pFile);
    if (lSlot == lTable.mCount) {
        ++lTable.mCount;
    }
    return lTable.mSlots[lSlot].get();
}

std::unique_ptr<FileRecord3ds> OpenRecord(const char* pName, int32_t pMode, KOutputGroup* pGroup)
{
    auto lFile = std::make_unique<FileRecord3ds>();
    lFile->mName = pName;
    lFile->mMode = pMode;
    if (pMode == FileRecord3ds::kModeRead) {
        lFile->mSource = std::make_unique<KByteSource>();
        if (lFile->mSource->OpenFile(pName, false)) {
            lFile->mStream = lFile->mSource->GetStream();
        }
    } else {
        lFile->mOutput = std::make_unique<KOutputFile>();
        lFile->mOutput->SetGroup(pGroup);
        if (lFile->mOutput->Create(pName)) {
            lFile->mStream = lFile->mOutput->GetStream();
        }
    }
    return lFile;
}

// Frees a record and its slot. A write record is committed when pCommit is set and discarded
// otherwise; false when the commit failed.
bool DestroyRecord(FileTable3ds& ioTable, FileRecord3ds* pFile, bool pCommit)
{
    bool lClosed = true;
    if (pFile->mOutput) {
        if (pCommit) {
            lClosed = pFile->mOutput->Commit();
        } else {
            pFile->mOutput->Discard();
        }
    }
    if (ioTable.mCurrent == pFile) {
        ioTable.mCurrent = nullptr;
    }
    ioTable.mSlots[pFile->mIndex].reset();
    return lClosed;
}

void CloseAll(Toolkit3dsContext& ioKit, bool pCommit)
{
    FileTable3ds& lTable = ioKit.mFiles;
    // Every file is closed even when one fails; the first failure is the one reported.
    bool lFailed = false;
    for (int i = 0; i < lTable.mCount; ++i) {
        if (FileRecord3ds* lFile = lTable.mSlots[i].get()) {
            lFailed = !DestroyRecord(lTable, lFile, pCommit) || lFailed;
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

} // namespace

FileRecord3ds::FileRecord3ds() = default;
FileRecord3ds::~FileRecord3ds() = default;

FileRecord3ds* OpenFile3ds(Toolkit3dsContext& ioKit, const char* pName, const char* pMode,
                           KOutputGroup* pGroup)
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
    if (FileRecord3ds* lOpen = FindOpenFile(ioKit.mFiles, pName, lMode)) {
        return lOpen;
    }
    if (lMode == FileRecord3ds::kModeRead) {
        CloseFile3ds(ioKit, FindOpenFile(ioKit.mFiles, pName, FileRecord3ds::kModeWrite));
    }
    if (FreeSlot(ioKit.mFiles) < 0) {
        PushError3ds(ioKit, ERR_TOO_MANY_FILES);
        return nullptr;
    }
    std::unique_ptr<FileRecord3ds> lFile = OpenRecord(pName, lMode, pGroup);
    if (!lFile->mStream) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return nullptr;
    }
    return Enter(ioKit, std::move(lFile));
}

FileRecord3ds* OpenSource3ds(Toolkit3dsContext& ioKit, std::unique_ptr<KByteSource> pSource)
{
    if (!pSource || !pSource->IsOpen()) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return nullptr;
    }
    auto lFile = std::make_unique<FileRecord3ds>();
    lFile->mName = pSource->GetName();
    lFile->mMode = FileRecord3ds::kModeRead;
    lFile->mStream = pSource->GetStream();
    lFile->mSource = std::move(pSource);
    return Enter(ioKit, std::move(lFile));
}

FileRecord3ds* OpenSource3ds(Toolkit3dsContext& ioKit, KByteSource& ioSource)
{
    if (!ioSource.IsOpen()) {
        PushError3ds(ioKit, ERR_OPENING_FILE);
        return nullptr;
    }
    auto lFile = std::make_unique<FileRecord3ds>();
    lFile->mName = ioSource.GetName();
    lFile->mMode = FileRecord3ds::kModeRead;
    lFile->mStream = ioSource.GetStream();
    return Enter(ioKit, std::move(lFile));
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
    if (!DestroyRecord(lTable, pFile, !IsErrorPending3ds(ioKit))) {
        PushError3ds(ioKit, ERR_CLOSING_FILE);
    }
}

void CloseAllFiles3ds(Toolkit3dsContext& ioKit)
{
    CloseAll(ioKit, !IsErrorPending3ds(ioKit));
}

void DiscardAllFiles3ds(Toolkit3dsContext& ioKit)
{
    CloseAll(ioKit, false);
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
