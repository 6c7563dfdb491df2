#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace test3ds {

Bytes U8(uint8_t pValue)
{
    return {pValue};
}
Bytes U16(uint16_t pValue)
{
    return {uint8_t(pValue), uint8_t(pValue >> 8)};
}
Bytes U32(uint32_t pValue)
{
    return {uint8_t(pValue), uint8_t(pValue >> 8), uint8_t(pValue >> 16), uint8_t(pValue >> 24)};
}
Bytes F32(float pValue)
{
    uint32_t lBits;
    std::memcpy(&lBits, &pValue, sizeof(lBits));
    return U32(lBits);
}
Bytes Floats(std::initializer_list<float> pValues)
{
    Bytes lBytes;
    for (float lValue : pValues) {
        const Bytes lOne = F32(lValue);
        lBytes.insert(lBytes.end(), lOne.begin(), lOne.end());
    }
    return lBytes;
}
Bytes Str(const std::string& pText)
{
    Bytes lBytes(pText.begin(), pText.end());
    lBytes.push_back(0);
    return lBytes;
}
Bytes Cat(std::initializer_list<Bytes> pParts)
{
    Bytes lBytes;
    for (const Bytes& lPart : pParts) {
        lBytes.insert(lBytes.end(), lPart.begin(), lPart.end());
    }
    return lBytes;
}
Bytes Chunk(uint16_t pTag, const Bytes& pBody)
{
    return Cat({U16(pTag), U32(static_cast<uint32_t>(pBody.size() + 6)), pBody});
}
Bytes StampedFile(const Bytes& pMeshData, const Bytes& pKeyframer)
{
    return Chunk(
        Tag3ds::kM3dMagic,
        Cat({Chunk(Tag3ds::kVersion, U32(3)),
             Chunk(Tag3ds::kMdata, Cat({Chunk(Tag3ds::kMeshVersion, U32(3)), pMeshData})),
             Chunk(Tag3ds::kKfData,
                   Cat({Chunk(Tag3ds::kKfHdr, Cat({U16(5), Str(""), U32(30)})), pKeyframer}))}));
}

ScratchDir::ScratchDir()
{
    std::string lTemplate = (std::filesystem::temp_directory_path() / "ryv3dsXXXXXX").string();
    mPath = mkdtemp(lTemplate.data()) ? lTemplate : std::string();
}
ScratchDir::~ScratchDir()
{
    std::error_code lError;
    std::filesystem::remove_all(mPath, lError);
}
std::string ScratchDir::Path(const std::string& pName) const
{
    return mPath + "/" + pName;
}
std::string ScratchDir::Write(const std::string& pName, const Bytes& pBytes) const
{
    const std::string lPath = Path(pName);
    std::ofstream(lPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(pBytes.data()), std::streamsize(pBytes.size()));
    return lPath;
}

Bytes ReadBytes(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

std::vector<int32_t> Loaded::Codes() const
{
    std::vector<int32_t> lCodes;
    for (const ErrorRecord3ds& lRecord : mKit.mErrors.mRecords) {
        if (lRecord.mCode != NO_FTK_ERRORS) {
            lCodes.push_back(lRecord.mCode);
        }
    }
    return lCodes;
}

std::unique_ptr<Loaded> LoadFile(const std::string& pPath)
{
    auto lRun = std::make_unique<Loaded>();
    lRun->mFile = OpenFile3ds(lRun->mKit, pPath.c_str(), "rb");
    InitDatabase3ds(lRun->mKit, lRun->mDatabase);
    if (lRun->mFile) {
        CreateDatabase3ds(lRun->mKit, lRun->mFile, lRun->Db());
    }
    return lRun;
}

std::unique_ptr<Loaded> LoadBytes(const ScratchDir& pDir, const Bytes& pBytes)
{
    return LoadFile(pDir.Write("in.3ds", pBytes));
}

std::unique_ptr<Loaded> NewDatabase()
{
    auto lRun = std::make_unique<Loaded>();
    InitDatabase3ds(lRun->mKit, lRun->mDatabase);
    InitDatabaseOfKind3ds(lRun->mKit, lRun->Db(), kMeshFile3ds);
    return lRun;
}

Bytes WriteDatabase(Loaded& ioRun, const ScratchDir& pDir, const std::string& pName,
                    bool pMustWrite)
{
    const std::string lPath = pDir.Path(pName);
    FileRecord3ds* lFile = OpenFile3ds(ioRun.mKit, lPath.c_str(), "wb");
    WriteDatabase3ds(ioRun.mKit, lFile, ioRun.Db());
    CloseFile3ds(ioRun.mKit, lFile);
    for (int32_t lCode : pMustWrite ? ioRun.Codes() : std::vector<int32_t>()) {
        ADD_FAILURE() << "toolkit error " << lCode;
    }
    return ioRun.Failed() ? Bytes() : ReadBytes(lPath);
}

} // namespace test3ds
