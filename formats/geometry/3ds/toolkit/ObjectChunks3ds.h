#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_OBJECTCHUNKS3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_OBJECTCHUNKS3DS_H

#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct ChunkDatabase3ds;
struct Toolkit3dsContext;

// Helpers the typed get and put operations share.

// Inserts a child of pTag with a zeroed data record by weight; its data.
ChunkData3ds* AddDataChild3ds(ChunkNode3ds* pParent, uint32_t pTag);
// Inserts a data-less child of pTag by weight.
ChunkNode3ds* AddEmptyChild3ds(ChunkNode3ds* pParent, uint32_t pTag);
// Inserts a child holding one string, one float, one 16-bit number, a float colour or a
// 24-bit colour (each component times 255, truncated).
void AddStringChild3ds(ChunkNode3ds* pParent, uint32_t pTag, const std::string& pText);
void AddFloatChild3ds(ChunkNode3ds* pParent, uint32_t pTag, float pValue);
void AddShortChild3ds(ChunkNode3ds* pParent, uint32_t pTag, uint32_t pValue);
void AddColorChild3ds(ChunkNode3ds* pParent, uint32_t pTag, const Color3ds& pColor);
void AddColor24Child3ds(ChunkNode3ds* pParent, uint32_t pTag, const Color3ds& pColor);
// The first direct child of pTag, or null.
ChunkNode3ds* ChildOf3ds(ChunkNode3ds* pParent, uint32_t pTag);

// ERR_STRING_TOO_LONG unless pText has at most pBound characters.
bool CheckName3ds(Toolkit3dsContext& ioKit, const std::string& pText, std::size_t pBound);

// The named object pName of the mesh section, emptied and ready for a put, or a new one
// inserted by weight; its name data is set and the object list marked dirty. The first
// 0x8000 chunk of a replaced object is moved into oXdata when pKeepXdata is set. Null after
// pushing the error (database kind 1 or 2 only).
ChunkNode3ds* PrepareNamedObject3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                    const std::string& pName, bool pKeepXdata,
                                    std::unique_ptr<ChunkNode3ds>& oXdata);
// The pIndex-th named object (object-list order) for which pTest holds, or null.
ChunkNode3ds* NthObject3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                           const std::function<bool(ChunkNode3ds*)>& pTest);
uint32_t CountObjects3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                         const std::function<bool(ChunkNode3ds*)>& pTest);
// The colour of a chunk's colour children: 0x0010 or 0x0011, overridden by 0x0013 or 0x0012
// when present; 24-bit colours are scaled by pByteScale. False when none is there.
bool ReadColorChildren3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pParent, float pByteScale,
                          Color3ds& oColor);

#endif
