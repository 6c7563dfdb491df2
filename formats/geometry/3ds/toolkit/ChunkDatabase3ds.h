#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKDATABASE3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CHUNKDATABASE3DS_H

#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct FileRecord3ds;
struct Toolkit3dsContext;

// One entry of a name list: the name and the chunk it names (owned by the tree).
struct NameEntry3ds
{
    std::string mName;
    ChunkNode3ds* mChunk = nullptr;
};

// One file's chunk tree with its three name lists, each rebuilt on first use after a put
// marked it dirty.
struct ChunkDatabase3ds
{
    std::unique_ptr<ChunkNode3ds> mTopChunk;
    bool mObjectsDirty = true;
    bool mMaterialsDirty = true;
    bool mNodesDirty = true;
    std::vector<NameEntry3ds> mObjectNames;
    std::vector<NameEntry3ds> mMaterialNames;
    std::vector<NameEntry3ds> mNodeNames;
    // Per name: the positions of its entries in mObjectNames and mNodeNames, in list order.
    std::unordered_map<std::string, std::vector<std::size_t>> mObjectsByName;
    std::unordered_map<std::string, std::vector<std::size_t>> mNodesByName;
    // Per keyframer node tag: the positions of its nodes in mNodeNames.
    std::unordered_map<uint32_t, std::vector<std::size_t>> mNodesOfTag;
    // The keyframer's spots, each with its target node (null for none), in node-list order:
    // made from the node list on first use and dropped whenever the list changes.
    std::vector<std::pair<ChunkNode3ds*, ChunkNode3ds*>> mSpots;
    bool mSpotsMade = false;
    // Where the last index search of the object list stopped (the test, the index and the
    // position found), so that getting records one index after the other costs one pass.
    const void* mScanTest = nullptr;
    // The named object and keyframer node a put added last: with every chunk before it in its
    // section it weighs at least as much as the next one of its kind, so the next put looks
    // for its place from there, not from the section's first chunk. Null once a chunk of the
    // section loses its tag.
    ChunkNode3ds* mLastObject = nullptr;
    ChunkNode3ds* mLastNode = nullptr;
    uint32_t mScanIndex = 0;
    std::size_t mScanPosition = 0;
};

// Database kinds by the tag of the top chunk.
enum DatabaseKind3ds : int {
    kUnknownDatabase3ds = 0,
    kMeshFile3ds = 1,    // 0x4D4D
    kProjectFile3ds = 2, // 0xC23D
    kMaterialFile3ds = 3 // 0x3DAA
};

// Deepest nesting of chunks a file may have; deeper files are refused as ERR_INVALID_CHUNK.
constexpr int kMaxChunkDepth3ds = 64;
// The release every database is stamped with before it is written.
constexpr uint32_t kRelease3ds = 2;

// Allocates the record when null, and empties it: no tree, no lists, all lists dirty.
void InitDatabase3ds(Toolkit3dsContext& ioKit, std::unique_ptr<ChunkDatabase3ds>& ioDatabase);
// Gives the database a fresh top chunk of the kind (another kind leaves its tag 0) and stamps
// its release.
void InitDatabaseOfKind3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, int pKind);
// Reads the chunk headers of a file opened for reading into the database and resolves the
// keyframer's parent names. A file whose first tag is no top tag gives a top chunk without
// children and no error. Malformed trees (lengths below 6 or past their parent or the file,
// nesting deeper than kMaxChunkDepth3ds) end with ERR_INVALID_CHUNK, ERR_READING_DATABASE and
// ERR_CREATING_DATABASE.
void CreateDatabase3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkDatabase3ds* pDatabase);
// Stamps the release, numbers the keyframer nodes and writes the whole tree to a file opened
// for writing, patching lengths that changed. Every failure (an error already pending too)
// ends with ERR_WRITING_DATABASE after its cause.
void WriteDatabase3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkDatabase3ds* pDatabase);
int GetDatabaseKind3ds(const ChunkDatabase3ds* pDatabase);
void ReleaseDatabase3ds(std::unique_ptr<ChunkDatabase3ds>& ioDatabase);
// Sets the version chunks for pRelease (0 to 3): 0x0002 and 0x3D3E hold pRelease + 1, and the
// keyframer header's revision is 1, 2, 5 or 6.
void StampRelease3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pRelease);

// The mesh section of a database of kind 1 or 2, found or inserted; null after pushing the
// error for a database without top chunk or of another kind.
ChunkNode3ds* MeshSection3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
// The keyframer section, found or inserted under the top chunk.
ChunkNode3ds* KeyframerSection3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);

// The object list: one entry per named object 0x4000 of the mesh section, in file order.
const std::vector<NameEntry3ds>& ObjectList3ds(Toolkit3dsContext& ioKit,
                                               ChunkDatabase3ds* pDatabase);
ChunkNode3ds* FindObjectByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  const std::string& pName);
void MarkObjectsDirty3ds(ChunkDatabase3ds* pDatabase);
// After a put appended a named object (or material, or keyframer node listed as pName): the
// list takes the entry when it is up to date, instead of being read again on next use. Puts
// of many records so cost one pass, not one per record.
void NoteObjectAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName,
                        ChunkNode3ds* pChunk);
void NoteMaterialAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName,
                          ChunkNode3ds* pChunk);
void NoteNodeAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName, ChunkNode3ds* pChunk);
// A new empty child of a section for a put, placed by weight from the hint on when the hint
// weighs at least as much; the hint becomes the child.
ChunkNode3ds* AddSectionChild3ds(ChunkNode3ds* pSection, uint32_t pTag, ChunkNode3ds*& ioHint);
// The material list: one entry per 0xAFFF of the mesh section (the top chunk for kind 3).
const std::vector<NameEntry3ds>& MaterialList3ds(Toolkit3dsContext& ioKit,
                                                 ChunkDatabase3ds* pDatabase);
void MarkMaterialsDirty3ds(ChunkDatabase3ds* pDatabase);
// The node list: one entry per keyframer node 0xB001 to 0xB007, named after its header, a mesh
// node with an instance name as "name.instance".
const std::vector<NameEntry3ds>& NodeList3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
ChunkNode3ds* FindNodeByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                const std::string& pName, uint32_t pTag);
ChunkNode3ds* GetNodeByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                uint32_t pIndex, uint32_t pTag);
uint32_t CountNodes3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pTag);
std::vector<std::string> ListNodeNames3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                          uint32_t pTag);
void MarkNodesDirty3ds(ChunkDatabase3ds* pDatabase);

#endif
