#include "bench/BenchSupport.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptions.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace BenchSupport {

namespace {

// A figure of /proc/self/status in bytes ("VmHWM", "VmRSS"); -1 when absent.
double StatusBytes(const char* pKey)
{
    std::ifstream lStatus("/proc/self/status");
    std::string lLine;
    const std::size_t lKeyLength = std::strlen(pKey);
    while (std::getline(lStatus, lLine)) {
        if (lLine.compare(0, lKeyLength, pKey) == 0 && lLine.size() > lKeyLength &&
            lLine[lKeyLength] == ':') {
            return std::stod(lLine.substr(lKeyLength + 1)) * 1024.0;
        }
    }
    return -1.0;
}

// Starts the peak resident size afresh at the current size.
void ResetPeak()
{
    std::ofstream lClear("/proc/self/clear_refs");
    lClear << "5";
}

} // namespace

std::string TempPath(const char* pName)
{
    return (std::filesystem::temp_directory_path() / pName).string();
}

std::string ReadWholeFile(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    std::ostringstream lText;
    lText << lIn.rdbuf();
    return lText.str();
}

double BestSeconds(const std::function<void()>& pWork, int pRuns)
{
    double lBest = -1.0;
    for (int i = 0; i < pRuns; ++i) {
        const auto lStart = std::chrono::steady_clock::now();
        pWork();
        const double lSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
        if (lBest < 0.0 || lSeconds < lBest) {
            lBest = lSeconds;
        }
    }
    return lBest;
}

std::string FlatBvh(int pJoints)
{
    const std::string lPath =
        TempPath(("ryvbench-flat-" + std::to_string(pJoints) + ".bvh").c_str());
    if (std::filesystem::exists(lPath)) {
        return lPath;
    }
    std::ofstream lOut(lPath, std::ios::binary);
    lOut << "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition "
            "Zrotation Xrotation Yrotation\n";
    for (int j = 0; j < pJoints; ++j) {
        lOut << "JOINT j" << j
             << "\n{\nOFFSET 1 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\nEnd Site\n{\nOFFSET "
                "1 0 0\n}\n}\n";
    }
    lOut << "}\nMOTION\nFrames: 2\nFrame Time: 0.033333\n";
    for (int f = 0; f < 2; ++f) {
        lOut << "0 0 0 0 0 0";
        for (int j = 0; j < pJoints; ++j) {
            lOut << " 0 0 0";
        }
        lOut << '\n';
    }
    return lPath;
}

double SumNumbers(const std::string& pText)
{
    return SumNumbersWith(pText.data(), pText.data() + pText.size(),
                          [](const char* pFirst, const char* pLast, double& oValue) {
                              return std::from_chars(pFirst, pLast, oValue);
                          });
}

void TimeSumNumbers(benchmark::State& ioState, const std::string& pText)
{
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(SumNumbers(pText));
    }
    ioState.SetBytesProcessed(static_cast<std::int64_t>(ioState.iterations()) *
                              static_cast<std::int64_t>(pText.size()));
}

double PeakBytesOf(const std::function<bool()>& pWork)
{
    int lPipe[2];
    if (pipe(lPipe) != 0) {
        return -1.0;
    }
    const pid_t lChild = fork();
    if (lChild == 0) {
        close(lPipe[0]);
        // Memory this process freed before is still resident; hand it back first, or the work
        // would reuse it unseen.
        malloc_trim(0);
        ResetPeak();
        const double lBefore = StatusBytes("VmRSS");
        double lAdded = -1.0;
        if (pWork()) {
            lAdded = StatusBytes("VmHWM") - lBefore;
        }
        const ssize_t lWritten = write(lPipe[1], &lAdded, sizeof(lAdded));
        _exit(lWritten == static_cast<ssize_t>(sizeof(lAdded)) ? 0 : 1);
    }
    close(lPipe[1]);
    double lAdded = -1.0;
    if (lChild < 0 || read(lPipe[0], &lAdded, sizeof(lAdded)) != sizeof(lAdded)) {
        lAdded = -1.0;
    }
    close(lPipe[0]);
    if (lChild > 0) {
        waitpid(lChild, nullptr, 0);
    }
    return lAdded;
}

bool Convert(const std::string& pInput, const std::string& pOutput,
             const std::function<void()>& pAfterRead)
{
    const KFileFormatRegistry& lRegistry = KFileFormatRegistry::Kit();
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(lRegistry.GetImportFormatFromFileName(pInput.c_str()));
    std::unique_ptr<KStreamOptions> lReadOptions;
    if (!lImporter.Initialize(pInput.c_str()) || !(lReadOptions = lImporter.GetReadOptions()) ||
        !lImporter.Import(lScene, lReadOptions.get())) {
        return false;
    }
    if (pAfterRead) {
        pAfterRead();
    }
    if (pOutput.empty()) {
        return true;
    }
    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(lRegistry.GetExportFormatFromFileName(pOutput.c_str()));
    lExporter.Initialize(pOutput.c_str());
    std::unique_ptr<KStreamOptions> lWriteOptions = lExporter.GetWriteOptions();
    const auto* lReadMotion = dynamic_cast<const KStreamOptionsMotion*>(lReadOptions.get());
    auto* lWriteMotion = dynamic_cast<KStreamOptionsMotion*>(lWriteOptions.get());
    if (lReadMotion && lWriteMotion) {
        lWriteMotion->SetStart(lReadMotion->GetStart());
        lWriteMotion->SetFrameCount(lReadMotion->GetFrameCount());
        lWriteMotion->SetTimeMode(lReadMotion->GetTimeMode(), lReadMotion->GetFrameRate());
    }
    return lExporter.Export(lScene, lWriteOptions.get());
}

void RunOverFile(benchmark::State& ioState, const std::string& pPath,
                 const std::function<bool(const std::string&)>& pWork)
{
    if (pPath.empty()) {
        ioState.SkipWithError("the file could not be generated");
        return;
    }
    const auto lSize = static_cast<int64_t>(std::filesystem::file_size(pPath));
    for (auto _ : ioState) {
        if (!pWork(pPath)) {
            ioState.SkipWithError("the work failed");
            return;
        }
    }
    ioState.SetBytesProcessed(ioState.iterations() * lSize);
}

double TimeIterations(benchmark::State& ioState, const std::function<bool()>& pWork)
{
    double lSeconds = 0.0;
    for (auto _ : ioState) {
        const auto lStart = std::chrono::steady_clock::now();
        if (!pWork()) {
            ioState.SkipWithError("the work failed");
            return -1.0;
        }
        lSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
    }
    return lSeconds;
}

void ReportRate(benchmark::State& ioState, double pBytes, double pSeconds, double pFloorBytes,
                double pFloorSeconds)
{
    constexpr double kMegabyte = 1e6;
    if (pSeconds <= 0.0 || pFloorSeconds <= 0.0) {
        return;
    }
    const double lRate = pBytes * static_cast<double>(ioState.iterations()) / pSeconds;
    const double lFloorRate = pFloorBytes / pFloorSeconds;
    ioState.counters["MB/s"] = lRate / kMegabyte;
    ioState.counters["floor_MB/s"] = lFloorRate / kMegabyte;
    ioState.counters["x_floor"] = lRate / lFloorRate;
}

} // namespace BenchSupport
