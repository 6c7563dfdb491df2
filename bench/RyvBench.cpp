// Native format speed: a scene of a 1000 x 1000 quad grid (1,000,000 polygons) with normals and
// UVs, and 100 nodes with 10,000 keys each, written and read in binary, ASCII, 5.x and encrypted
// form. Each case reports MB/s of file (wall time) and its ratio to a floor measured in the same
// run: for writes, fwrite of the same arrays; for reads, fread of the file and its CRC-32, the
// work no reader can skip. The read cases also report the peak memory of one read alone (in a
// child process) over the memory the scene itself takes and over the file's size.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvMesh.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace {

constexpr int kGridSide = 1000;
constexpr int kNodeCount = 100;
constexpr int kKeyCount = 10000;
constexpr double kMegabyte = 1024.0 * 1024.0;
// Runs of a floor or a comparison case, the fastest taken.
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
    std::string mFloor;
};

constexpr char kBenchPassword[] = "bench password";

// The file a case writes and reads, one per flavour.
std::string FlavourPath(KWriterRyv::EFlavour pFlavour)
{
    return BenchSupport::TempPath(
        ("ryvbench-" + std::to_string(getpid()) + "-" + std::to_string(pFlavour) + ".ryv").c_str());
}

BenchScene& Scene()
{
    static BenchScene* sScene = [] {
        auto* lBench = new BenchScene;
        lBench->mSceneBytes = static_cast<long long>(BenchSupport::PeakBytesOf([] {
            KRyvObjectFactory lFactory;
            return BuildScene(lFactory) != nullptr;
        }));
        lBench->mScene = BuildScene(lBench->mFactory);
        lBench->mFloor = BenchSupport::TempPath("ryvbench-floor.bin");
        return lBench;
    }();
    return *sScene;
}

bool WriteScene(KRyvScene* pScene, KWriterRyv::EFlavour pFlavour, const std::string& pName)
{
    KWriterRyv lWriter(&Scene().mFactory, pFlavour);
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword(kBenchPassword);
    return lWriter.FileCreate(pName.c_str()) && lWriter.Write(pScene, &lOptions);
}

bool WriteFile(KWriterRyv::EFlavour pFlavour, const std::string& pName)
{
    return WriteScene(Scene().mScene, pFlavour, pName);
}

// Reads pName into a fresh scene and answers the wall-clock seconds of the read: open, read and
// close. The scene it made is handed back afterwards, untimed: taking a scene apart is no part of
// reading it. -1 when the read fails.
double TimedRead(const std::string& pName)
{
    BenchScene& lBench = Scene();
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword(kBenchPassword);
    lOptions.SetRestoreMedia(false);
    KRyvScene* lScene = lBench.mFactory.CreateScene();
    const auto lStart = std::chrono::steady_clock::now();
    bool lRead = false;
    {
        KReaderRyv lReader(&lBench.mFactory);
        lRead = lReader.FileOpen(pName.c_str()) && lReader.Read(lScene, &lOptions);
    }
    const double lSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
    lBench.mFactory.DestroyScene(lScene, true);
    return lRead ? lSeconds : -1.0;
}

bool ReadFile(const std::string& pName)
{
    return TimedRead(pName) >= 0.0;
}

// Reads the whole file into a fresh buffer and takes its CRC-32: the floor of every read.
// Seconds taken, -1 when the file cannot be read.
double ReadAndCrcSeconds(const std::string& pName)
{
    const auto lStart = std::chrono::steady_clock::now();
    std::FILE* lFile = std::fopen(pName.c_str(), "rb");
    if (!lFile) {
        return -1.0;
    }
    std::vector<unsigned char> lBytes(std::filesystem::file_size(pName));
    const bool lRead = std::fread(lBytes.data(), 1, lBytes.size(), lFile) == lBytes.size();
    std::fclose(lFile);
    benchmark::DoNotOptimize(crc32_z(crc32(0L, Z_NULL, 0), lBytes.data(), lBytes.size()));
    return lRead ? std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count()
                 : -1.0;
}

// The same arrays as plain bytes: points, normals, UVs, polygon vertices and sizes, key times
// and values. Seconds to write them.
double FloorWriteSeconds(std::size_t& oBytes)
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
    std::FILE* lFile = std::fopen(lBench.mFloor.c_str(), "wb");
    oBytes = 0;
    if (!lFile) {
        return -1.0;
    }
    for (const auto& lArray : lArrays) {
        oBytes += std::fwrite(lArray.first, 1, lArray.second, lFile);
    }
    std::fclose(lFile);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
}

// The fastest of a few runs of pRun, which answers seconds (-1 on failure).
double BestOf(const std::function<double()>& pRun)
{
    double lBest = -1.0;
    for (int i = 0; i < kFloorRuns; ++i) {
        const double lSeconds = pRun();
        if (lSeconds > 0.0 && (lBest < 0.0 || lSeconds < lBest)) {
            lBest = lSeconds;
        }
    }
    return lBest;
}

// The write floor: bytes and seconds of the fastest fwrite of the scene's arrays.
double BestWriteFloorSeconds(double& oBytes)
{
    std::size_t lBytes = 0;
    const double lBest = BestOf([&lBytes] { return FloorWriteSeconds(lBytes); });
    oBytes = static_cast<double>(lBytes);
    return lBest;
}

void Report(benchmark::State& ioState, const std::string& pName, double pSeconds)
{
    double lFloorBytes = 0.0;
    const double lFloorSeconds = BestWriteFloorSeconds(lFloorBytes);
    const double lBytes = static_cast<double>(std::filesystem::file_size(pName));
    ioState.counters["file_MB"] = lBytes / kMegabyte;
    BenchSupport::ReportRate(ioState, lBytes, pSeconds, lFloorBytes, lFloorSeconds);
}

void BM_RyvWrite(benchmark::State& ioState, KWriterRyv::EFlavour pFlavour)
{
    const std::string lName = FlavourPath(pFlavour);
    const double lSeconds =
        BenchSupport::TimeIterations(ioState, [&] { return WriteFile(pFlavour, lName); });
    if (lSeconds > 0.0) {
        Report(ioState, lName, lSeconds);
    }
    std::filesystem::remove(lName);
}

// Seconds of the fastest read of pName.
double BestReadSeconds(const std::string& pName)
{
    return BestOf([&pName] { return TimedRead(pName); });
}

// An encrypted read (pName) against the plain binary read of the same scene, once the password
// step (the read of an encrypted empty scene, which is all key derivation) is taken off: the
// fastest of each, and the peaks.
void ReportAgainstPlain(benchmark::State& ioState, const std::string& pName, double pPeak)
{
    const std::string lPlain = FlavourPath(KWriterRyv::kBinary60);
    const std::string lEmpty = FlavourPath(KWriterRyv::kEncrypted60) + ".empty";
    KRyvScene* lEmptyScene = Scene().mFactory.CreateScene();
    const bool lWritten = WriteFile(KWriterRyv::kBinary60, lPlain) &&
                          WriteScene(lEmptyScene, KWriterRyv::kEncrypted60, lEmpty);
    Scene().mFactory.DestroyScene(lEmptyScene, true);
    if (!lWritten) {
        ioState.SkipWithError("cannot write the plain or the empty file");
        return;
    }
    const double lPassword = BestReadSeconds(lEmpty);
    const double lPlainSeconds = BestReadSeconds(lPlain);
    const double lSeconds = BestReadSeconds(pName);
    ioState.counters["password_ms"] = lPassword * 1e3;
    ioState.counters["plain_ms"] = lPlainSeconds * 1e3;
    ioState.counters["x_plain_after_password"] = (lSeconds - lPassword) / lPlainSeconds;
    const double lPlainPeak = BenchSupport::PeakBytesOf([&] { return ReadFile(lPlain); });
    const double lPasswordPeak = BenchSupport::PeakBytesOf([&] { return ReadFile(lEmpty); });
    ioState.counters["peak_over_plain_MB"] = (pPeak - lPlainPeak) / kMegabyte;
    ioState.counters["password_peak_MB"] = lPasswordPeak / kMegabyte;
    std::filesystem::remove(lPlain);
    std::filesystem::remove(lEmpty);
}

void BM_RyvRead(benchmark::State& ioState, KWriterRyv::EFlavour pFlavour)
{
    const std::string lName = FlavourPath(pFlavour);
    if (!WriteFile(pFlavour, lName)) {
        ioState.SkipWithError("cannot write the file to read");
        return;
    }
    // The read and its floor alternate (A B A B), so that whatever slows a stretch of the run
    // slows both alike.
    double lSeconds = 0.0;
    double lFloorSeconds = 0.0;
    for (auto _ : ioState) {
        const double lRead = TimedRead(lName);
        if (lRead < 0.0) {
            ioState.SkipWithError("the read failed");
            return;
        }
        lSeconds += lRead;
        ioState.PauseTiming();
        lFloorSeconds += ReadAndCrcSeconds(lName);
        ioState.ResumeTiming();
    }
    const double lBytes = static_cast<double>(std::filesystem::file_size(lName));
    const double lIterations = static_cast<double>(ioState.iterations());
    ioState.counters["file_MB"] = lBytes / kMegabyte;
    BenchSupport::ReportRate(ioState, lBytes, lSeconds, lBytes, lFloorSeconds / lIterations);
    const double lPeak = BenchSupport::PeakBytesOf([&] { return ReadFile(lName); });
    ioState.counters["peak_x_scene"] = lPeak / static_cast<double>(Scene().mSceneBytes);
    ioState.counters["peak_x_file"] =
        lPeak / static_cast<double>(std::filesystem::file_size(lName));
    if (pFlavour == KWriterRyv::kEncrypted60) {
        ReportAgainstPlain(ioState, lName, lPeak);
    }
    std::filesystem::remove(lName);
}

BENCHMARK_CAPTURE(BM_RyvWrite, binary, KWriterRyv::kBinary60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvRead, binary, KWriterRyv::kBinary60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_RyvWrite, ascii, KWriterRyv::kAscii60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, ascii, KWriterRyv::kAscii60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, binary5x, KWriterRyv::kBinary5x)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, ascii5x, KWriterRyv::kAscii5x)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_RyvRead, encrypted, KWriterRyv::kEncrypted60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
