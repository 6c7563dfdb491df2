#ifndef RYVKIT_CORE_KBYTESOURCE_H
#define RYVKIT_CORE_KBYTESOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The bytes a reader reads: a named file or a block in memory, handed to the reader as a
// seekable std::FILE* opened for binary reading (owned by the source, closed with it). The name
// is the file's path, or the name given to a memory block; readers use it in messages and to
// find files named relative to it (an OBJ's material libraries).
//
// Only regular files are read: a directory, a device, a FIFO or a socket is refused without
// reading a byte (a FIFO nobody writes to would stall the open, and a reader needs to seek).
// With pText a source whose first block holds a zero byte is refused as binary data, so that a
// huge binary file given to a text reader costs one block. Every refusal answers false and
// leaves a one-line reason (GetReason, GetErrorText).
class KByteSource
{
public:
    // Bytes looked at for binary data.
    static constexpr std::size_t kFirstBlockSize = 64u * 1024u;

    KByteSource() = default;
    KByteSource(const KByteSource&) = delete;
    KByteSource& operator=(const KByteSource&) = delete;
    ~KByteSource();

    // Opens pPath, closing an open source first.
    bool OpenFile(const char* pPath, bool pText);
    // Opens pSize bytes at pData (not copied: they must outlive the source), named pName.
    bool OpenMemory(const void* pData, std::size_t pSize, const char* pName, bool pText);
    void Close();

    bool IsOpen() const { return mStream != nullptr; }
    // Null while closed.
    std::FILE* GetStream() const { return mStream; }
    const std::string& GetName() const { return mName; }
    // The number of bytes; 0 while closed.
    std::uint64_t GetSize() const { return mSize; }
    // True when the last open failed on binary data given as text.
    bool HoldsBinaryData() const { return mBinary; }
    // Why the last open failed ("is a directory"); empty after a successful one.
    const std::string& GetReason() const { return mReason; }
    // The reason after the name: "walk.bvh: is a directory".
    std::string GetErrorText() const { return mName + ": " + mReason; }

private:
    bool OpenStream(const char* pPath);
    bool CheckText();
    bool Refuse(const std::string& pWhy);
    bool RefuseBinary();

    std::FILE* mStream = nullptr;
    std::string mName;
    std::uint64_t mSize = 0;
    bool mBinary = false;
    std::string mReason;
    // What an empty stream reads from: fmemopen wants a buffer even for no bytes.
    char mEmptyBlock = 0;
};

#endif
