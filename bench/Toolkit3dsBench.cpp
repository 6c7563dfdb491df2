// Decoding a generated 3DS file of about 20 MB (many meshes, materials and keyframer tracks), as
// MB/s of wall time, beside reading the same file into memory (the floor) and an independent 3DS
// library decoding it where that library is installed.
#include "bench/BenchSupport.h"
#include "bench/Independent3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3ds.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using BenchSupport::RunOverFile;

constexpr int kMeshes = 100;
constexpr uint16_t kSide = 64; // vertices per mesh: kSide * kSide
constexpr int kKeys = 200;

void PutMeshAndMaterial(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, int pIndex)
{
    const std::string lName = "M" + std::to_string(pIndex);
    std::unique_ptr<MeshObject3ds> lMesh;
    const uint16_t lFaces = 2 * (kSide - 1) * (kSide - 1);
    InitMeshObject3ds(lMesh, kSide * kSide, lFaces, kMeshTexVerts3ds | kMeshSmoothing3ds);
    lMesh->mName = lName;
    for (int i = 0; i < kSide * kSide; ++i) {
        lMesh->mVertices[i] = {float(i % kSide), float(i / kSide), float(pIndex)};
        lMesh->mTexVerts[i] = {float(i % kSide) / kSide, float(i / kSide) / kSide};
    }
    for (int y = 0, f = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x, f += 2) {
            const uint16_t a = static_cast<uint16_t>(y * kSide + x);
            lMesh->mFaces[f] = {a, uint16_t(a + 1), uint16_t(a + kSide), 7};
            lMesh->mFaces[f + 1] = {uint16_t(a + 1), uint16_t(a + kSide + 1), uint16_t(a + kSide),
                                    7};
        }
    }
    lMesh->mMaterialGroupCount = 1;
    AllocMeshParts3ds(lMesh.get(), kMeshMaterialGroups3ds);
    lMesh->mMaterialGroups[0].mName = lName;
    InitMaterialGroupFaces3ds(ioKit, lMesh.get(), 0, lFaces);
    for (uint16_t f = 0; f < lFaces; ++f) {
        lMesh->mMaterialGroups[0].mFaces[f] = f;
    }
    PutMesh3ds(ioKit, pDatabase, lMesh.get());
    std::unique_ptr<Material3ds> lMaterial;
    InitMaterial3ds(lMaterial);
    lMaterial->mName = lName;
    lMaterial->mDiffuse = {0.5f, 0.25f, float(pIndex % 7) / 7};
    lMaterial->mMaps[0].mName = lName + ".tga";
    PutMaterial3ds(ioKit, pDatabase, lMaterial.get());
    std::unique_ptr<ObjectMotion3ds> lMotion;
    InitObjectMotion3ds(lMotion, kKeys, kKeys, kKeys, 0, 0);
    lMotion->mName = lName;
    lMotion->mParent = pIndex > 0 ? "M" + std::to_string(pIndex - 1) : "";
    for (int k = 0; k < kKeys; ++k) {
        lMotion->mPosition.mKeys[k].mTime = lMotion->mRotation.mKeys[k].mTime = k;
        lMotion->mScale.mKeys[k].mTime = k;
        lMotion->mPosition.mValues[k] = {float(k), 0, 0};
    }
    PutObjectMotion3ds(ioKit, pDatabase, lMotion.get());
}

const std::string& GeneratedFile()
{
    static const std::string lPath = [] {
        const std::string lFile = BenchSupport::TempPath("ryvbench-toolkit.3ds");
        Toolkit3dsContext lKit;
        std::unique_ptr<ChunkDatabase3ds> lDatabase;
        InitDatabase3ds(lKit, lDatabase);
        InitDatabaseOfKind3ds(lKit, lDatabase.get(), kMeshFile3ds);
        for (int i = 0; i < kMeshes; ++i) {
            PutMeshAndMaterial(lKit, lDatabase.get(), i);
        }
        FileRecord3ds* lOut = OpenFile3ds(lKit, lFile.c_str(), "wb");
        WriteDatabase3ds(lKit, lOut, lDatabase.get());
        // The file replaces its target only once closed whole.
        CloseAllFiles3ds(lKit);
        return IsErrorPending3ds(lKit) ? std::string() : lFile;
    }();
    return lPath;
}

// The floor: the bytes of the file read into memory.
void BM_Toolkit3dsReadFileFloor(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), [](const std::string& pPath) {
        std::FILE* lFile = std::fopen(pPath.c_str(), "rb");
        std::vector<char> lBytes(std::filesystem::file_size(pPath));
        const bool lRead =
            lFile && std::fread(lBytes.data(), 1, lBytes.size(), lFile) == lBytes.size();
        benchmark::DoNotOptimize(lBytes.data());
        return lFile && std::fclose(lFile) == 0 && lRead;
    });
}
BENCHMARK(BM_Toolkit3dsReadFileFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// The chunk tree alone: every header read, no data decoded. It does less work than the floor and
// the independent library (which decode everything) and is no measure against them.
void BM_Toolkit3dsChunkHeadersOnly(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), [](const std::string& pPath) {
        Toolkit3dsContext lKit;
        FileRecord3ds* lFile = OpenFile3ds(lKit, pPath.c_str(), "rb");
        std::unique_ptr<ChunkDatabase3ds> lDatabase;
        InitDatabase3ds(lKit, lDatabase);
        CreateDatabase3ds(lKit, lFile, lDatabase.get());
        return !IsErrorPending3ds(lKit);
    });
}
BENCHMARK(BM_Toolkit3dsChunkHeadersOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// The database and every mesh, material and mesh node got from it: all data decoded, the same
// work as the independent library's load.
void BM_Toolkit3dsDecodeEverything(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), [](const std::string& pPath) {
        Toolkit3dsContext lKit;
        FileRecord3ds* lFile = OpenFile3ds(lKit, pPath.c_str(), "rb");
        std::unique_ptr<ChunkDatabase3ds> lDatabase;
        InitDatabase3ds(lKit, lDatabase);
        CreateDatabase3ds(lKit, lFile, lDatabase.get());
        std::unique_ptr<MeshObject3ds> lMesh;
        std::unique_ptr<Material3ds> lMaterial;
        std::unique_ptr<ObjectMotion3ds> lMotion;
        for (uint32_t i = 0; i < kMeshes; ++i) {
            GetMeshByIndex3ds(lKit, lDatabase.get(), i, lMesh);
            GetMaterialByIndex3ds(lKit, lDatabase.get(), i, lMaterial);
            GetObjectMotionByIndex3ds(lKit, lDatabase.get(), i, lMotion);
        }
        return !IsErrorPending3ds(lKit) && lMesh && lMaterial && lMotion;
    });
}
BENCHMARK(BM_Toolkit3dsDecodeEverything)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef RYV_HAVE_LIB3DS
// An independent 3DS library decoding the same file.
void BM_Toolkit3dsIndependentLibraryDecodeEverything(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), IndependentLoad3ds);
}
BENCHMARK(BM_Toolkit3dsIndependentLibraryDecodeEverything)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
