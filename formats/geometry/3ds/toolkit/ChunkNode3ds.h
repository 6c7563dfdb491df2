#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKNODE3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKNODE3DS_H

#include "formats/geometry/3ds/toolkit/ChunkTable3ds.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Toolkit3dsContext;

// The decoded data of a chunk, field by field in the order of its tag's layout: integers
// (bytes, 16- and 32-bit numbers, smoothing masks), floats (points and colours as three),
// strings, 16-bit arrays (vertex flags, faces as four numbers, face indexes), an undecoded
// block, and the keys of a track (whose track header is the first three integers).
struct ChunkData3ds
{
    std::vector<uint32_t> mInts;
    std::vector<float> mFloats;
    std::vector<std::string> mStrings;
    std::vector<uint16_t> mShorts;
    std::vector<uint8_t> mBlock;
    std::vector<KeyHeader3ds> mKeys;
};

// One chunk of a tree. A node owns its data, its first child and its next sibling; the chain
// is released without deep recursion, so long sibling lists are safe.
struct ChunkNode3ds
{
    static constexpr uint8_t kNoFile = 255;

    ChunkNode3ds() = default;
    ChunkNode3ds(const ChunkNode3ds&) = delete;
    ChunkNode3ds& operator=(const ChunkNode3ds&) = delete;
    ~ChunkNode3ds();

    uint32_t mTag = 0;
    uint32_t mLength = 0;
    // Offset of the chunk's header in its source file.
    uint32_t mPosition = 0;
    std::unique_ptr<ChunkData3ds> mData;
    std::unique_ptr<ChunkNode3ds> mNext;
    std::unique_ptr<ChunkNode3ds> mChildren;
    uint8_t mSourceFile = kNoFile;
    uint8_t mTargetFile = kNoFile;
    // The serial of the source file's record, so a slot reused by another file is noticed.
    uint32_t mSourceSerial = 0;
};

// A fresh node: tag pTag (or 0), no data, both file indexes 255.
void NewChunk3ds(std::unique_ptr<ChunkNode3ds>& oChunk);
void NewChunkWithTag3ds(std::unique_ptr<ChunkNode3ds>& oChunk, uint32_t pTag);
// A node of pTag with a data record of the tag's layout, every field zero (and its arrays
// empty) until the caller fills them.
void NewChunkWithData3ds(std::unique_ptr<ChunkNode3ds>& oChunk, uint32_t pTag);
// Gives the chunk a fresh data record of its tag's layout, every field zero; the record.
ChunkData3ds* ResetChunkData3ds(ChunkNode3ds* pChunk);
// Depth first: the chunk itself, then each child's subtree; null when none has the tag.
ChunkNode3ds* FindChunk3ds(ChunkNode3ds* pChunk, uint32_t pTag);
// The first of the chunk and its following siblings with the tag, or null.
ChunkNode3ds* FindNextChunk3ds(ChunkNode3ds* pChunk, uint32_t pTag);
// Appends pChild (and any siblings it carries) at the end of the children; the child.
ChunkNode3ds* AddChildChunk3ds(ChunkNode3ds* pParent, std::unique_ptr<ChunkNode3ds> pChild);
// Inserts pChild before the first child that weighs less, else last; the child.
ChunkNode3ds* InsertChildChunk3ds(ChunkNode3ds* pParent, std::unique_ptr<ChunkNode3ds> pChild);
// The same, looking from pFrom on: a child of pParent that, with every child before it, weighs
// at least as much as pChild (the caller knows it; null: from the first child). The child.
ChunkNode3ds* InsertChildChunkAfter3ds(ChunkNode3ds* pParent, ChunkNode3ds* pFrom,
                                       std::unique_ptr<ChunkNode3ds> pChild);
// The direct child of pTag emptied (children and data freed), or a new one inserted by weight.
ChunkNode3ds* ReplaceOrAddChildChunk3ds(ChunkNode3ds* pParent, uint32_t pTag);
// A copy of the chunk and its subtree (not its siblings). Loaded data of a chunk read from a
// file moves to the copy (the source loads it again when asked); data made in memory is copied.
void CopyChunk3ds(ChunkNode3ds* pChunk, std::unique_ptr<ChunkNode3ds>& oCopy);
// Frees the chunk with its data, children and following siblings.
void ReleaseChunk3ds(std::unique_ptr<ChunkNode3ds>& ioChunk);
// Frees children and data, and resets tag, length, position and file indexes.
void ClearChunk3ds(ChunkNode3ds* pChunk);

// The chunk's data, decoded from its source file on first use; null for a tag without data,
// or after pushing the error when the data cannot be read (the source file is closed, or the
// data does not fit the chunk).
ChunkData3ds* ReadChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk);
// Frees the data again when it can be loaded again, that is when its source file is open.
void ReleaseChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk);
// Writes the data of the chunk's tag to the current file; ERR_INVALID_DATA when the record
// does not hold what the layout needs, ERR_STRING_TOO_LONG for a string past its bound.
void WriteChunkData3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk);
// The number of bytes the own data of a data-and-children chunk takes in the current file,
// whose position is at the data; -1 after pushing ERR_INVALID_CHUNK when it passes pLimit.
int64_t MeasureChunkData3ds(Toolkit3dsContext& ioKit, uint32_t pTag, uint64_t pLimit);

#endif
