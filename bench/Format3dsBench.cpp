// The 3DS reader and writer on a generated scene of about 20 MB as a 3DS file (120 meshes of
// 4,096 points, each node animated over 200 frames), as MB/s of the file: the whole read into
// a scene, and the whole write of that scene, beside an independent 3DS library's load and
// save of the same file where that library is installed, and beside copying the file's bytes
// (the floor, timed the same way in the same run). A textured scene of the same size, read
// back from its file and written again, is timed and sized against the independent library's
// save of that file.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "bench/BenchSupport.h"
#include "bench/Independent3ds.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KReader3ds.h"
#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"

#include <benchmark/benchmark.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using BenchSupport::RunOverFile;
using BenchSupport::TempPath;

constexpr int kMeshes = 120;
constexpr int kSide = 64;
constexpr int kLastFrame = 199;

// A scene of kMeshes grids, each with its own material and an animated translation.
struct GeneratedScene
{
    KRyvObjectFactory mFactory;
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(&mFactory);

    GeneratedScene()
    {
        for (int m = 0; m < kMeshes; ++m) {
            KRyvMesh* lMesh = mFactory.CreateMesh();
            for (int i = 0; i < kSide * kSide; ++i) {
                lMesh->GetControlPointArray().emplace_back(i % kSide, m, i / kSide, 1.0);
            }
            for (int y = 0; y + 1 < kSide; ++y) {
                for (int x = 0; x + 1 < kSide; ++x) {
                    const int a = y * kSide + x;
                    lMesh->BeginPolygon();
                    for (int lCorner : {a, a + 1, a + kSide + 1, a + kSide}) {
                        lMesh->AddPolygon(lCorner);
                    }
                }
            }
            KRyvMaterial* lMaterial = mFactory.CreateMaterial(("M" + std::to_string(m)).c_str());
            lMesh->AddMaterial(lMaterial);
            KRyvNode* lNode = mFactory.CreateNode(("N" + std::to_string(m)).c_str());
            lNode->SetNodeAttribute(lMesh);
            mScene->GetRootNode()->AddChild(lNode);
            KFCurve* lX = lNode->GetCurrentTakeNode()->GetTransformTX();
            lX->KeyAdd(KTime(), 0.0f);
            lX->KeyAdd(K3dsAxes::FrameTime(kLastFrame), 100.0f);
        }
    }
};

bool WriteScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pPath)
{
    KWriter3ds lWriter(&ioFactory);
    KStreamOptions3ds lOptions;
    return lWriter.FileCreate(pPath.c_str()) && lWriter.Write(&ioScene, &lOptions);
}

const std::string& GeneratedFile()
{
    static const std::string lPath = [] {
        const std::string lFile = TempPath("ryvbench-format.3ds");
        GeneratedScene lScene;
        return WriteScene(lScene.mFactory, *lScene.mScene, lFile) ? lFile : std::string();
    }();
    return lPath;
}

// The floor: the file's bytes read and written again.
void BM_Format3dsCopyFloor(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), [](const std::string& pPath) {
        std::error_code lError;
        std::filesystem::copy_file(pPath, TempPath("ryvbench-floor.3ds"),
                                   std::filesystem::copy_options::overwrite_existing, lError);
        return !lError;
    });
}
BENCHMARK(BM_Format3dsCopyFloor)->Unit(benchmark::kMillisecond);

void BM_Format3dsRead(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), [](const std::string& pPath) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        KReader3ds lReader(&lFactory);
        KStreamOptions3ds lOptions;
        return lReader.FileOpen(pPath.c_str()) && lReader.Read(&lScene, &lOptions);
    });
}
BENCHMARK(BM_Format3dsRead)->Unit(benchmark::kMillisecond);

void BM_Format3dsWrite(benchmark::State& ioState)
{
    static GeneratedScene sScene;
    RunOverFile(ioState, GeneratedFile(), [](const std::string&) {
        return WriteScene(sScene.mFactory, *sScene.mScene, TempPath("ryvbench-written.3ds"));
    });
}
BENCHMARK(BM_Format3dsWrite)->Unit(benchmark::kMillisecond);

// The textured case: kMeshes smooth grids whose texture coordinates run across each grid,
// written, then read back as a user's file is (one coordinate per polygon corner) and
// written again with the default options, beside the independent library saving the same
// file it loaded, in the same run: "x_lib3ds_time" is the write's time over the library's,
// "x_lib3ds_size" the written file's size over the library's.
struct TexturedScene
{
    KRyvObjectFactory mFactory;
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(&mFactory);
    std::string mPath = TempPath("ryvbench-textured.3ds");
    bool mRead = false;

    TexturedScene()
    {
        KRyvObjectFactory lSourceFactory;
        KRyvScene lSource(&lSourceFactory);
        KRyvTexture* lTexture = lSourceFactory.CreateTexture("Grid");
        lTexture->SetFileName("grid.png");
        for (int m = 0; m < kMeshes; ++m) {
            KRyvMesh* lMesh = lSourceFactory.CreateMesh();
            lMesh->InitTextureIndices(KRyvMesh::eMappingAllSame);
            lMesh->AddTexture(lTexture);
            lMesh->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
            for (int i = 0; i < kSide * kSide; ++i) {
                const int x = i % kSide;
                const int z = i / kSide;
                // A gentle wave, so that no face is flat and every face stays smooth.
                const double y = m + 0.25 * std::sin(0.3 * x) * std::cos(0.2 * z);
                lMesh->GetControlPointArray().emplace_back(x, y, z, 1.0);
                lMesh->AddTextureUV(KVector2(x / (kSide - 1.0), z / (kSide - 1.0)));
            }
            for (int z = 0; z + 1 < kSide; ++z) {
                for (int x = 0; x + 1 < kSide; ++x) {
                    const int a = z * kSide + x;
                    lMesh->BeginPolygon();
                    for (int lCorner : {a, a + kSide, a + kSide + 1, a + 1}) {
                        lMesh->AddPolygon(lCorner);
                    }
                }
            }
            KRyvMaterial* lMaterial =
                lSourceFactory.CreateMaterial(("T" + std::to_string(m)).c_str());
            lMesh->AddMaterial(lMaterial);
            KRyvNode* lNode = lSourceFactory.CreateNode(("G" + std::to_string(m)).c_str());
            lNode->SetNodeAttribute(lMesh);
            lSource.GetRootNode()->AddChild(lNode);
        }
        KReader3ds lReader(&mFactory);
        KStreamOptions3ds lOptions;
        mRead = WriteScene(lSourceFactory, lSource, mPath) && lReader.FileOpen(mPath.c_str()) &&
                lReader.Read(mScene.get(), &lOptions);
    }
};

void BM_Format3dsTexturedWrite(benchmark::State& ioState)
{
    static TexturedScene sScene;
    if (!sScene.mRead) {
        ioState.SkipWithError("the textured file could not be made");
        return;
    }
    const std::string lWritten = TempPath("ryvbench-textured-written.3ds");
    const double lSeconds = BenchSupport::TimeIterations(
        ioState, [&] { return WriteScene(sScene.mFactory, *sScene.mScene, lWritten); });
    if (lSeconds <= 0.0) {
        return;
    }
    const double lSize = static_cast<double>(std::filesystem::file_size(lWritten));
    ioState.SetBytesProcessed(static_cast<int64_t>(lSize) * ioState.iterations());
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFile* lFile = lib3ds_file_load(sScene.mPath.c_str());
    const std::string lSaved = TempPath("ryvbench-textured-lib3ds.3ds");
    bool lSavedWhole = lFile != nullptr;
    const double lLibrary = BenchSupport::BestSeconds(
        [&] { lSavedWhole = lSavedWhole && lib3ds_file_save(lFile, lSaved.c_str()); });
    if (lFile) {
        lib3ds_file_free(lFile);
    }
    if (!lSavedWhole) {
        ioState.SkipWithError("the independent library could not save the file");
        return;
    }
    // Both sides as the best of the same number of runs, so that a busy machine weighs alike.
    const double lOurs =
        BenchSupport::BestSeconds([&] { WriteScene(sScene.mFactory, *sScene.mScene, lWritten); });
    ioState.counters["x_lib3ds_time"] = lOurs / lLibrary;
    ioState.counters["x_lib3ds_size"] =
        lSize / static_cast<double>(std::filesystem::file_size(lSaved));
#endif
}
BENCHMARK(BM_Format3dsTexturedWrite)->Unit(benchmark::kMillisecond);

#ifdef RYV_HAVE_LIB3DS
void BM_Format3dsIndependentLoad(benchmark::State& ioState)
{
    RunOverFile(ioState, GeneratedFile(), IndependentLoad3ds);
}
BENCHMARK(BM_Format3dsIndependentLoad)->Unit(benchmark::kMillisecond);

void BM_Format3dsIndependentSave(benchmark::State& ioState)
{
    Lib3dsFile* lFile =
        GeneratedFile().empty() ? nullptr : lib3ds_file_load(GeneratedFile().c_str());
    RunOverFile(ioState, GeneratedFile(), [lFile](const std::string&) {
        return lFile && lib3ds_file_save(lFile, TempPath("ryvbench-independent.3ds").c_str());
    });
    if (lFile) {
        lib3ds_file_free(lFile);
    }
}
BENCHMARK(BM_Format3dsIndependentSave)->Unit(benchmark::kMillisecond);
#endif

} // namespace
