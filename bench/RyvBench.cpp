// Native format speed: a scene of a 1000 x 1000 quad grid (1,000,000 polygons) with normals and
// UVs, and 100 nodes with 10,000 keys each, written in every form and read in binary and ASCII
// form. Each case reports MB/s of file (wall time) and its ratio to a floor measured in the same
// run: for a write, the file's bytes read and written to another file; for a read, fread of the
// same arrays. Every case also reports the peak memory of one run alone (in a child process); a
// read, over the memory the scene itself takes.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvCipher.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvMesh.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kGridSide = 1000;
constexpr int kNodeCount = 100;
constexpr int kKeyCount = 10000;
constexpr double kMegabyte = 1024.0 * 1024.0;
// The copy floor of a write is noisy on a shared machine: its best of this many runs.
constexpr int kFloorRuns = 5;

KRyvMesh* BuildGrid(KRyvObjectFactory& ioFactory)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    const int lPoints = kGridSide + 1;
    lMesh->InitControlPoints(lPoints * lPoints);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i % lPoints, i / lPoints, (i % 7) * 0.125, 1.0);
    }
    for (int y = 0; y < kGridSide; ++y) {
        for (int x = 0; x < kGridSide; ++x) {
            const int lCorner = y * lPoints + x;
            lMesh->BeginPolygon();
            for (int lVertex : {lCorner, lCorner + 1, lCorner + lPoints + 1, lCorner + lPoints}) {
                lMesh->AddPolygon(lVertex);
            }
        }
    }
    KLayer* lLayer = lMesh->GetLayer(0);
    auto lNormals = std::make_unique<KLayerElementNormal>();
    lNormals->SetMappingMode(KLayerElement::eByControlPoint);
    lNormals->GetDirectArray().assign(static_cast<std::size_t>(lPoints * lPoints),
                                      KVector4(0.0, 0.0, 1.0, 0.0));
    lLayer->SetNormals(std::move(lNormals));
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lUVs->Add((i % lPoints) / 1000.0, (i / lPoints) / 1000.0);
    }
    lLayer->SetUVs(std::move(lUVs));
    return lMesh;
}

// The benchmark scene: the grid mesh and the animated nodes.
KRyvScene* BuildScene(KRyvObjectFactory& ioFactory)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    KRyvNode* lGrid = ioFactory.CreateNode("Grid");
    lGrid->SetNodeAttribute(BuildGrid(ioFactory));
    lScene->GetRootNode()->AddChild(lGrid);
    for (int n = 0; n < kNodeCount; ++n) {
        KRyvNode* lNode = ioFactory.CreateNode(("Joint" + std::to_string(n)).c_str());
        lScene->GetRootNode()->AddChild(lNode);
        KFCurve* lCurve = lNode->AddTakeNode("Take 001")->GetTransformTX();
        lCurve->BeginKeySet(kKeyCount);
        for (int k = 0; k < kKeyCount; ++k) {
            lCurve->GetKey(k)->Set(KTime(k * 1539538600LL), static_cast<float>(k % 100) * 0.5f);
        }
        lCurve->EndKeySet(kKeyCount);
    }
    return lScene;
}

struct BenchScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = nullptr;
    long long mSceneBytes = 0;
    std::string mBinary;
    std::string mAscii;
    std::string mFloor;
};

BenchScene& Scene()
{
    static BenchScene* sScene = [] {
        auto* lBench = new BenchScene;
        lBench->mSceneBytes = static_cast<long long>(BenchSupport::PeakBytesOf([] {
            KRyvObjectFactory lFactory;
            return BuildScene(lFactory) != nullptr;
        }));
        lBench->mScene = BuildScene(lBench->mFactory);
        const std::filesystem::path lTemp = std::filesystem::temp_directory_path();
        lBench->mBinary = (lTemp / "ryvbench-scene.ryv").string();
        lBench->mAscii = (lTemp / "ryvbench-scene-ascii.ryv").string();
        lBench->mFloor = (lTemp / "ryvbench-floor.bin").string();
        return lBench;
    }();
    return *sScene;
}

bool WriteFile(KWriterRyv::EFlavour pFlavour, const std::string& pName)
{
    BenchScene& lBench = Scene();
    KWriterRyv lWriter(&lBench.mFactory, pFlavour);
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("bench");
    return lWriter.FileCreate(pName.c_str()) && lWriter.Write(lBench.mScene, &lOptions);
}

bool ReadFile(const std::string& pName)
{
    BenchScene& lBench = Scene();
    KReaderRyv lReader(&lBench.mFactory);
    KRyvScene* lScene = lBench.mFactory.CreateScene();
    const bool lRead = lReader.FileOpen(pName.c_str()) && lReader.Read(lScene, nullptr);
    lBench.mFactory.DestroyScene(lScene, true);
    return lRead;
}

// The same arrays as plain bytes: points, normals, UVs, polygon vertices and sizes, key times
// and values. Seconds to write them (pWrite) or read them back.
double FloorRunSeconds(bool pWrite, std::size_t& oBytes)
{
    BenchScene& lBench = Scene();
    auto* lMesh =
        static_cast<KRyvMesh*>(lBench.mScene->GetRootNode()->GetChild(0)->GetNodeAttribute());
    const std::size_t lPoints = static_cast<std::size_t>(lMesh->GetControlPointCount());
    const std::size_t lCorners = static_cast<std::size_t>(lMesh->GetPolygonVertexCount());
    const std::size_t lPolygons = static_cast<std::size_t>(lMesh->GetPolygonCount());
    const std::size_t lKeys = static_cast<std::size_t>(kNodeCount) * kKeyCount;
    std::vector<std::pair<void*, std::size_t>> lArrays = {
        {lMesh->GetControlPoints(), lPoints * 32},
        {lMesh->GetLayer(0)->GetNormals()->GetDirectArray().data(), lPoints * 32},
        {lMesh->GetLayer(0)->GetUVs()->GetDirectArray().data(), lPoints * 16},
        {lMesh->GetPolygonVertices(), lCorners * 4}};
    std::vector<std::int32_t> lSizes(lPolygons, 4);
    std::vector<std::int64_t> lTimes(lKeys);
    std::vector<float> lValues(lKeys);
    lArrays.push_back({lSizes.data(), lPolygons * 4});
    lArrays.push_back({lTimes.data(), lKeys * 8});
    lArrays.push_back({lValues.data(), lKeys * 4});
    const auto lStart = std::chrono::steady_clock::now();
    std::FILE* lFile = std::fopen(lBench.mFloor.c_str(), pWrite ? "wb" : "rb");
    oBytes = 0;
    if (!lFile) {
        return -1.0;
    }
    for (const auto& lArray : lArrays) {
        oBytes += pWrite ? std::fwrite(lArray.first, 1, lArray.second, lFile)
                         : std::fread(pWrite ? nullptr : std::vector<char>(lArray.second).data(), 1,
                                      lArray.second, lFile);
    }
    std::fclose(lFile);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
}

// Bytes and wall-clock seconds of the fastest of a few floor runs; the read floor writes its file
// first, so a read case run alone has one.
double BestFloorSeconds(bool pWrite, double& oBytes)
{
    std::size_t lBytes = 0;
    if (!pWrite && FloorRunSeconds(true, lBytes) < 0.0) {
        return -1.0;
    }
    double lBest = -1.0;
    for (int i = 0; i < 3; ++i) {
        const double lSeconds = FloorRunSeconds(pWrite, lBytes);
        if (lSeconds > 0.0 && (lBest < 0.0 || lSeconds < lBest)) {
            lBest = lSeconds;
        }
    }
    oBytes = static_cast<double>(lBytes);
    return lBest;
}

void Report(benchmark::State& ioState, const std::string& pName, double pSeconds, bool pWrite)
{
    double lFloorBytes = 0.0;
    const double lFloorSeconds = BestFloorSeconds(pWrite, lFloorBytes);
    const double lBytes = static_cast<double>(std::filesystem::file_size(pName));
    ioState.counters["file_MB"] = lBytes / kMegabyte;
    BenchSupport::ReportRate(ioState, lBytes, pSeconds, lFloorBytes, lFloorSeconds);
}

// The floor of a write: the written file's bytes read and written to another file (fread +
// fwrite), best of a few runs; -1 when the copy fails.
double CopyFloorSeconds(const std::string& pName)
{
    const std::string lCopy = Scene().mFloor;
    return BenchSupport::BestSeconds(
        [&] {
            std::FILE* lIn = std::fopen(pName.c_str(), "rb");
            std::FILE* lOut = std::fopen(lCopy.c_str(), "wb");
            if (lIn && lOut) {
                std::vector<char> lBytes(
                    static_cast<std::size_t>(std::filesystem::file_size(pName)));
                const std::size_t lRead = std::fread(lBytes.data(), 1, lBytes.size(), lIn);
                benchmark::DoNotOptimize(std::fwrite(lBytes.data(), 1, lRead, lOut));
            }
            for (std::FILE* lFile : {lIn, lOut}) {
                if (lFile) {
                    std::fclose(lFile);
                }
            }
        },
        kFloorRuns);
}

// The password step alone: a salt drawn and a key derived, as a sealed write starts.
double PasswordStepSeconds()
{
    return BenchSupport::BestSeconds([] {
        KRyvCipher::SealStream lSeal(0, {}, [](const std::uint8_t*, std::size_t) { return true; });
        std::uint8_t lSalt[KRyvCipher::kSaltSize];
        std::uint8_t lHeader[KRyvCipher::kStreamHeaderSize];
        benchmark::DoNotOptimize(lSeal.Start("bench", lSalt, lHeader));
    });
}

// The encrypted write over the plain write, with (oWhole) and without (the answer) the time of
// the password step alone: the best of a few runs of each, taken in turn so that a drift of the
// machine's speed touches both alike. The writer derives the key while it takes the sizes, so
// the answer takes off more than the step costs the write.
double SealedOverPlain(const std::string& pName, double& oWhole)
{
    double lSealed = -1.0;
    double lPlain = -1.0;
    double lPassword = -1.0;
    const auto lBest = [](double& ioBest, double pSeconds) {
        ioBest = ioBest < 0.0 ? pSeconds : std::min(ioBest, pSeconds);
    };
    for (int i = 0; i < kFloorRuns; ++i) {
        lBest(lPlain,
              BenchSupport::BestSeconds([&] { WriteFile(KWriterRyv::kBinary60, pName); }, 1));
        lBest(lSealed,
              BenchSupport::BestSeconds([&] { WriteFile(KWriterRyv::kEncrypted60, pName); }, 1));
        lBest(lPassword, PasswordStepSeconds());
    }
    oWhole = lSealed / lPlain;
    return (lSealed - lPassword) / lPlain;
}

// Each form's rate against the copy floor and the peak memory of one write alone. The encrypted
// form also reports its time less the password step over the plain form's time (x_plain), the
// same with the step (x_plain_with_password), and the peak of the password step alone.
void BM_RyvWrite(benchmark::State& ioState, KWriterRyv::EFlavour pFlavour)
{
    const bool lAscii = pFlavour == KWriterRyv::kAscii60 || pFlavour == KWriterRyv::kAscii5x;
    const std::string& lName = lAscii ? Scene().mAscii : Scene().mBinary;
    const double lSeconds =
        BenchSupport::TimeIterations(ioState, [&] { return WriteFile(pFlavour, lName); });
    if (lSeconds <= 0.0) {
        return;
    }
    const double lBytes = static_cast<double>(std::filesystem::file_size(lName));
    ioState.counters["file_MB"] = lBytes / kMegabyte;
    BenchSupport::ReportRate(ioState, lBytes, lSeconds, lBytes, CopyFloorSeconds(lName));
    ioState.counters["peak_MB"] =
        BenchSupport::PeakBytesOf([&] { return WriteFile(pFlavour, lName); }) / kMegabyte;
    if (pFlavour == KWriterRyv::kEncrypted60) {
        double lWhole = 0.0;
        ioState.counters["x_plain"] = SealedOverPlain(lName, lWhole);
        ioState.counters["x_plain_with_password"] = lWhole;
        ioState.counters["password_peak_MB"] =
            BenchSupport::PeakBytesOf([] { return PasswordStepSeconds() > 0.0; }) / kMegabyte;
    }
}

void BM_RyvRead(benchmark::State& ioState, KWriterRyv::EFlavour pFlavour, bool pAscii)
{
    const std::string& lName = pAscii ? Scene().mAscii : Scene().mBinary;
    if (!WriteFile(pFlavour, lName)) {
        ioState.SkipWithError("cannot write the file to read");
        return;
    }
    const double lSeconds = BenchSupport::TimeIterations(ioState, [&] { return ReadFile(lName); });
    if (lSeconds <= 0.0) {
        return;
    }
    Report(ioState, lName, lSeconds, false);
    ioState.counters["peak_x_scene"] = BenchSupport::PeakBytesOf([&] { return ReadFile(lName); }) /
                                       static_cast<double>(Scene().mSceneBytes);
}

BENCHMARK_CAPTURE(BM_RyvWrite, binary, KWriterRyv::kBinary60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvWrite, encrypted, KWriterRyv::kEncrypted60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvWrite, binary5x, KWriterRyv::kBinary5x)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvWrite, ascii5x, KWriterRyv::kAscii5x)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, binary, KWriterRyv::kBinary60, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvWrite, ascii, KWriterRyv::kAscii60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, ascii, KWriterRyv::kAscii60, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace
