// Native format speed: a scene of a 1000 x 1000 quad grid (1,000,000 polygons) with normals and
// UVs, and 100 nodes with 10,000 keys each, written and read in binary, ASCII, 5.x and encrypted
// form. Each case reports MB/s of file (wall time) and its ratio to a floor measured in the same
// run: for a write, the file's bytes read and written to another file (fread + fwrite); for a
// read, fread of the file and its CRC-32, the work no reader can skip. Every case also reports
// the peak memory of one run alone (in a child process); a read, over the memory the scene
// itself takes and over the file's size.
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
#include "bench/CipherFloor.h"

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

// The floor of a write: the written file's bytes read and written to another file (fread +
// fwrite). Seconds of one copy; -1 when the copy fails.
double CopySeconds(const std::string& pName)
{
    const auto lStart = std::chrono::steady_clock::now();
    std::FILE* lIn = std::fopen(pName.c_str(), "rb");
    std::FILE* lOut = std::fopen(Scene().mFloor.c_str(), "wb");
    bool lCopied = false;
    if (lIn && lOut) {
        std::vector<char> lBytes(static_cast<std::size_t>(std::filesystem::file_size(pName)));
        const std::size_t lRead = std::fread(lBytes.data(), 1, lBytes.size(), lIn);
        lCopied = lRead == lBytes.size() && std::fwrite(lBytes.data(), 1, lRead, lOut) == lRead;
    }
    for (std::FILE* lFile : {lIn, lOut}) {
        if (lFile) {
            lCopied = std::fclose(lFile) == 0 && lCopied;
        }
    }
    return lCopied
               ? std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count()
               : -1.0;
}

// The password step alone: a salt drawn and a key derived, as a sealed write starts.
double PasswordStepSeconds()
{
    return BenchSupport::BestSeconds([] {
        KRyvCipher::SealStream lSeal(0, {}, [](const std::uint8_t*, std::size_t) { return true; });
        std::uint8_t lSalt[KRyvCipher::kSaltSize];
        std::uint8_t lHeader[KRyvCipher::kStreamHeaderSize];
        benchmark::DoNotOptimize(lSeal.Start(kBenchPassword, lSalt, lHeader));
    });
}

// The encrypted write over the plain write, with (oWhole) and without (the answer) the time of
// the password step alone: the best of a few runs of each, taken in turn so that a drift of the
// machine's speed touches both alike. The writer derives the key while it takes the sizes, so
// the answer takes off more than the step costs the write.
double SealedOverPlain(const std::string& pName, double& oWhole, double& oPlain)
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
    oPlain = lPlain;
    return (lSealed - lPassword) / lPlain;
}

// The cipher alone over a body of pBytes (sealing or opening, on this thread) as "cipher_ms", and
// the least "x_plain" any sealed write or read can reach, the plain form's time plus the
// cipher's over the plain form's time, as "x_plain_least".
void ReportCipherFloor(benchmark::State& ioState, double pBytes, double pPlainSeconds, bool pSeal)
{
    const double lCipher = CipherFloor::StreamSeconds(static_cast<std::size_t>(pBytes), pSeal);
    ioState.counters["cipher_ms"] = lCipher * 1e3;
    ioState.counters["x_plain_least"] = (pPlainSeconds + lCipher) / pPlainSeconds;
}

// Each form's rate against the copy floor and the peak memory of one write alone. The encrypted
// form also reports its time less the password step over the plain form's time (x_plain), the
// same with the step (x_plain_with_password), and the peak of the password step alone.
void BM_RyvWrite(benchmark::State& ioState, KWriterRyv::EFlavour pFlavour)
{
    const std::string lName = FlavourPath(pFlavour);
    // The write and its floor alternate (A B A B), as the read and its floor do: writes go to
    // the page cache and its write-back, so a stretch of the run slows both alike.
    double lSeconds = 0.0;
    double lFloorSeconds = 0.0;
    for (auto _ : ioState) {
        const auto lStart = std::chrono::steady_clock::now();
        if (!WriteFile(pFlavour, lName)) {
            ioState.SkipWithError("the write failed");
            return;
        }
        lSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
        ioState.PauseTiming();
        lFloorSeconds += CopySeconds(lName);
        ioState.ResumeTiming();
    }
    const double lBytes = static_cast<double>(std::filesystem::file_size(lName));
    const double lIterations = static_cast<double>(ioState.iterations());
    ioState.counters["file_MB"] = lBytes / kMegabyte;
    BenchSupport::ReportRate(ioState, lBytes, lSeconds, lBytes, lFloorSeconds / lIterations);
    ioState.counters["peak_MB"] =
        BenchSupport::PeakBytesOf([&] { return WriteFile(pFlavour, lName); }) / kMegabyte;
    if (pFlavour == KWriterRyv::kEncrypted60) {
        double lWhole = 0.0;
        double lPlain = 0.0;
        ioState.counters["x_plain"] = SealedOverPlain(lName, lWhole, lPlain);
        ioState.counters["x_plain_with_password"] = lWhole;
        ReportCipherFloor(ioState, lBytes, lPlain, true);
        ioState.counters["password_peak_MB"] =
            BenchSupport::PeakBytesOf([] { return PasswordStepSeconds() > 0.0; }) / kMegabyte;
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
    ReportCipherFloor(ioState, static_cast<double>(std::filesystem::file_size(pName)),
                      lPlainSeconds, false);
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
