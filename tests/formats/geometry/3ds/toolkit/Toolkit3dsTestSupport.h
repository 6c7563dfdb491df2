// Byte builders for hand-made 3DS files and a scratch folder for the toolkit's files.
#pragma once

#include "formats/geometry/3ds/toolkit/Toolkit3ds.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace test3ds {

using Bytes = std::vector<uint8_t>;

Bytes U8(uint8_t pValue);
Bytes U16(uint16_t pValue);
Bytes U32(uint32_t pValue);
Bytes F32(float pValue);
Bytes Floats(std::initializer_list<float> pValues);
// The string and its zero byte.
Bytes Str(const std::string& pText);
Bytes Cat(std::initializer_list<Bytes> pParts);
// A chunk: tag, length of the header plus pBody, then pBody (own data and children).
Bytes Chunk(uint16_t pTag, const Bytes& pBody = {});
// A whole file as the writer stamps it: version 3, the mesh section with mesh version 3 and
// pMeshData, the keyframer section with its header (revision 5, length 30) and pKeyframer.
Bytes StampedFile(const Bytes& pMeshData, const Bytes& pKeyframer = {});

// A fresh folder, removed with its files at the end of the test.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    std::string Path(const std::string& pName) const;
    std::string Write(const std::string& pName, const Bytes& pBytes) const;

private:
    std::string mPath;
};

Bytes ReadBytes(const std::string& pPath);

// One read run: its context, the file and the database created from it.
struct Loaded
{
    Toolkit3dsContext mKit;
    FileRecord3ds* mFile = nullptr;
    std::unique_ptr<ChunkDatabase3ds> mDatabase;
    ChunkDatabase3ds* Db() { return mDatabase.get(); }
    bool Failed() const { return IsErrorPending3ds(mKit); }
    // The codes on the stack, in order.
    std::vector<int32_t> Codes() const;
};

std::unique_ptr<Loaded> LoadFile(const std::string& pPath);
std::unique_ptr<Loaded> LoadBytes(const ScratchDir& pDir, const Bytes& pBytes);
// A kind 1 database ready for puts, in a run of its own.
std::unique_ptr<Loaded> NewDatabase();
// Writes the run's database to a file of the folder and returns its bytes (empty on failure,
// which fails the test when pMustWrite is set).
Bytes WriteDatabase(Loaded& ioRun, const ScratchDir& pDir, const std::string& pName = "out.3ds",
                    bool pMustWrite = true);

} // namespace test3ds
