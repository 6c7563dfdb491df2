#ifndef RYVKIT_RYVFILE_KRYVSTREAM_H
#define RYVKIT_RYVFILE_KRYVSTREAM_H

#include "ryvfile/KRyvBulkAllocator.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

// The byte streams RYV files are read from and written to. A stream is either for reading or
// for writing; a wrong-way call fails. Errors are answered, never thrown.
class KRyvStream
{
public:
    KRyvStream() = default;
    KRyvStream(const KRyvStream&) = delete;
    KRyvStream& operator=(const KRyvStream&) = delete;
    virtual ~KRyvStream() = default;

    // Up to pSize bytes into oBuffer; the count read (short at the end or on an error).
    virtual std::size_t Read(void* oBuffer, std::size_t pSize) = 0;
    // False when not every byte could be written (a full disk, a read stream).
    virtual bool Write(const void* pBuffer, std::size_t pSize) = 0;
    // Pushes buffered bytes out; false when that fails.
    virtual bool Flush() = 0;
    // The number of bytes left to read when the stream knows it cheaply, else 0.
    virtual std::size_t GetSizeHint() { return 0; }
    // Up to pSize bytes from pAt (counted from the stream's first byte) into oBuffer, for a
    // stream that can go back; the count read (0 for a stream that cannot). Where the next Read
    // starts afterwards is not said.
    virtual std::size_t ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize)
    {
        (void)pAt;
        (void)oBuffer;
        (void)pSize;
        return 0;
    }
    // Where the next Read starts, counted as ReadAt counts (0 for a stream that cannot go back).
    virtual std::uint64_t GetReadOffset() { return 0; }

    // Called with each piece of bytes as it arrives (at most a megabyte), while it is still in
    // the cache.
    using PieceRead = std::function<void(const std::uint8_t* pBytes, std::size_t pSize)>;

    // Everything that remains into oBytes. False when more than pLimit bytes remain or a read
    // fails; the bytes are never sized from anything but what was actually read. pOnPiece (when
    // given) sees every byte kept, in order, once. Each piece of oBytes is backed by pages just
    // before it is read into (KRyvPrefault), never ahead of the bytes that come.
    bool ReadAll(KRyvBytes& oBytes, std::size_t pLimit, const PieceRead& pOnPiece = PieceRead());

private:
    // Fills oBuffer[0, pSize) a megabyte at a time, handing each piece to pOnPiece; the count
    // read, short at the end of the stream.
    std::size_t ReadPieces(std::uint8_t* oBuffer, std::size_t pSize, const PieceRead& pOnPiece);
};

// A stdio file opened elsewhere: a KByteSource's stream to read, a KOutputFile's stream to
// write (so that a file is read through the source's checks and a target replaced only when
// whole). The stream never opens nor closes the file; its owner does.
class KRyvStdioStream : public KRyvStream
{
public:
    KRyvStdioStream() = default;
    ~KRyvStdioStream() override;

    // Reads from (pWrite false) or writes to pFile from where it stands. False for a null file or
    // when the stream is attached already.
    bool Attach(std::FILE* pFile, bool pWrite);
    // Flushes (when writing) and lets the file go; false when the flush fails.
    bool Close();
    bool IsOpen() const { return mFile != nullptr; }

    std::size_t Read(void* oBuffer, std::size_t pSize) override;
    bool Write(const void* pBuffer, std::size_t pSize) override;
    bool Flush() override;
    std::size_t GetSizeHint() override;
    // Counted from where the file stood when the stream was attached; 0 once a regular file has
    // been written to, truncated or replaced since, as its bytes are no longer those read.
    std::size_t ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize) override;
    std::uint64_t GetReadOffset() override;

private:
    // True while the file is the one attached, with the bytes it had then (or is no regular file).
    bool IsUnchanged() const;

    std::FILE* mFile = nullptr;
    bool mWrite = false;
    off_t mOrigin = -1;
    struct stat mStamp = {};
};

// A stream over bytes in memory: reads from the bytes it was given, writes append to them.
class KRyvMemoryStream : public KRyvStream
{
public:
    KRyvMemoryStream() = default;
    explicit KRyvMemoryStream(std::vector<std::uint8_t> pBytes) : mBytes(std::move(pBytes)) {}
    KRyvMemoryStream(const void* pBytes, std::size_t pSize);

    std::size_t Read(void* oBuffer, std::size_t pSize) override;
    bool Write(const void* pBuffer, std::size_t pSize) override;
    bool Flush() override { return true; }
    std::size_t GetSizeHint() override { return mBytes.size() - mReadAt; }
    std::size_t ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize) override;
    std::uint64_t GetReadOffset() override { return mReadAt; }

    const std::vector<std::uint8_t>& GetBytes() const { return mBytes; }

private:
    std::vector<std::uint8_t> mBytes;
    std::size_t mReadAt = 0;
};

#endif
