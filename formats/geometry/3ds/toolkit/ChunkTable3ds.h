#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKTABLE3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKTABLE3DS_H

#include "formats/geometry/3ds/toolkit/ChunkTags3ds.h"

#include <cstdint>

// What a tag holds in a file: children only, its own data followed by children, or data only
// (every tag the toolkit does not know is such a leaf).
enum class ChunkShape3ds { kContainer, kDataAndChildren, kLeaf };

// The facts of one known tag: its name, the layout of its own data (ChunkTable3ds.cpp spells
// the layout letters out; empty for none), its shape and its insertion weight (0 for none).
struct ChunkInfo3ds
{
    uint16_t mTag;
    const char* mName;
    const char* mLayout;
    ChunkShape3ds mShape;
    int mWeight;
};

// The layout of a tag the table does not know: its data is kept as an undecoded block.
constexpr const char* kUnknownLayout3ds = "K";

// The table, sorted by tag.
const ChunkInfo3ds* ChunkTableBegin3ds();
const ChunkInfo3ds* ChunkTableEnd3ds();
// The entry of a tag, or null for a tag the toolkit does not know.
const ChunkInfo3ds* FindChunkInfo3ds(uint32_t pTag);
// The facts of any tag; an unknown tag is a leaf of weight 0 kept as a block, named "".
ChunkShape3ds ChunkShapeOf3ds(uint32_t pTag);
int ChunkWeightOf3ds(uint32_t pTag);
const char* ChunkLayoutOf3ds(uint32_t pTag);
const char* ChunkNameOf3ds(uint32_t pTag);

#endif
