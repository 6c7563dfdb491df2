// AMC reading speed (header pass, then every frame into the skeleton's keys) against the bare
// cost of converting the same numbers with std::from_chars.
#include "bench/BenchSupport.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KAmcFile.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace {

// A root and 30 bones of three rotations in chains of six, and enough frames of noisy motion
// for an AMC file of about 34 MB, as a long capture session exports it.
constexpr int kBones = 30;
constexpr int kFrames = 33000;
const char* const kAsfPath = "/tmp/ryvbench_amc_30_bones.asf";
const char* const kAmcPath = "/tmp/ryvbench_amc_30_bones.amc";

bool WriteText(const char* pPath, const std::string& pText)
{
    std::ofstream lOut(pPath, std::ios::binary | std::ios::trunc);
    lOut.write(pText.data(), static_cast<std::streamsize>(pText.size()));
    return static_cast<bool>(lOut);
}

bool WriteBenchFiles()
{
    std::string lAsf = ":units\n length 0.45\n:root\n order tx ty tz rx ry rz\n axis xyz\n"
                       ":bonedata\n";
    std::string lHierarchy = ":hierarchy\n begin\n";
    for (int b = 1; b <= kBones; ++b) {
        const std::string lName = "bone" + std::to_string(b);
        lAsf += " begin\n  name " + lName +
                "\n  direction 0.3 -0.9 0.1\n  length 3.5\n"
                "  axis 0 0 20 xyz\n  dof rx ry rz\n end\n";
        const std::string lParent = (b - 1) % 6 == 0 ? "root" : "bone" + std::to_string(b - 1);
        lHierarchy += "  " + lParent + " " + lName + "\n";
    }
    std::string lAmc = ":FULLY-SPECIFIED\n:DEGREES\n:SAMPLES-PER-SECOND 120\n";
    std::mt19937 lRandom(1);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    char lLine[160];
    for (int f = 1; f <= kFrames; ++f) {
        lAmc += std::to_string(f) + "\nroot";
        for (int i = 0; i < 6; ++i) {
            std::snprintf(lLine, sizeof(lLine), " %g", lAngle(lRandom));
            lAmc += lLine;
        }
        lAmc += '\n';
        for (int b = 1; b <= kBones; ++b) {
            std::snprintf(lLine, sizeof(lLine), "bone%d %g %g %g\n", b, lAngle(lRandom),
                          lAngle(lRandom), lAngle(lRandom));
            lAmc += lLine;
        }
    }
    return WriteText(kAsfPath, lAsf + lHierarchy + " end\n") && WriteText(kAmcPath, lAmc);
}

bool BenchFilesReady()
{
    static const bool sReady = WriteBenchFiles();
    return sReady;
}

void BM_AmcRead30Bones(benchmark::State& pState)
{
    KRyvAsfScene lSkeleton;
    KAsfFile lAsf;
    if (!BenchFilesReady() || !lAsf.Open(kAsfPath, "r") || !lAsf.Read(&lSkeleton, true)) {
        pState.SkipWithError("cannot make the benchmark files");
        return;
    }
    const std::size_t lBytes = BenchSupport::ReadWholeFile(kAmcPath).size();
    for (auto _ : pState) {
        KAmcFile lFile;
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        if (!lFile.Open(kAmcPath, "r") || !lFile.ReadHeaderOptions(lOptions.get()) ||
            !lFile.Read(&lSkeleton, *lOptions)) {
            pState.SkipWithError(lFile.GetLastError().c_str());
            return;
        }
        benchmark::DoNotOptimize(lSkeleton.GetRoot()->mKeys.data());
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes));
}
BENCHMARK(BM_AmcRead30Bones)->Unit(benchmark::kMillisecond);

// The floor: the same bytes already in memory, every number converted with from_chars and
// nothing else (no lines, no names, no checks, no storage).
void BM_AmcFromCharsOnly30Bones(benchmark::State& pState)
{
    if (!BenchFilesReady()) {
        pState.SkipWithError("cannot make the benchmark files");
        return;
    }
    const std::string lBytes = BenchSupport::ReadWholeFile(kAmcPath);
    BenchSupport::TimeSumNumbers(pState, lBytes);
}
BENCHMARK(BM_AmcFromCharsOnly30Bones)->Unit(benchmark::kMillisecond);

// A chain of 100,000 bones (about 10 MB), each hung under the one before: the read stops at the
// line of the first bone past the depth limit, having read the bone data whole. The floor is
// the numbers of the same file converted with from_chars.
constexpr int kChainBones = 100000;

const std::string& ChainAsfPath()
{
    static const std::string sPath = [] {
        const std::string lPath = BenchSupport::TempPath("ryvbench_asf_chain.asf");
        std::string lText = ":root\n order tx ty tz rx ry rz\n axis xyz\n:bonedata\n";
        std::string lHierarchy = ":hierarchy\n begin\n";
        for (int b = 0; b < kChainBones; ++b) {
            const std::string lName = "b" + std::to_string(b);
            lText += " begin\n  name " + lName +
                     "\n  direction 0 1 0\n  length 2\n  axis 0 0 0 xyz\n  dof rx ry rz\n end\n";
            if (b > 0) {
                lHierarchy += "  b" + std::to_string(b - 1) + " " + lName + "\n";
            }
        }
        return WriteText(lPath.c_str(), lText + lHierarchy + " end\n") ? lPath : std::string();
    }();
    return sPath;
}

void BM_AsfChainRefused100k(benchmark::State& pState)
{
    const std::string& lPath = ChainAsfPath();
    if (lPath.empty()) {
        pState.SkipWithError("cannot make the benchmark file");
        return;
    }
    for (auto _ : pState) {
        KRyvAsfScene lSkeleton;
        KAsfFile lFile;
        if (!lFile.Open(lPath.c_str(), "r") || lFile.Read(&lSkeleton, true)) {
            pState.SkipWithError("the chain was not refused");
            return;
        }
        benchmark::DoNotOptimize(lSkeleton.GetBoneCount());
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(BenchSupport::ReadWholeFile(lPath).size()));
}
BENCHMARK(BM_AsfChainRefused100k)->Unit(benchmark::kMillisecond);

void BM_AsfChainFromCharsOnly100k(benchmark::State& pState)
{
    const std::string& lPath = ChainAsfPath();
    if (lPath.empty()) {
        pState.SkipWithError("cannot make the benchmark file");
        return;
    }
    BenchSupport::TimeSumNumbers(pState, BenchSupport::ReadWholeFile(lPath));
}
BENCHMARK(BM_AsfChainFromCharsOnly100k)->Unit(benchmark::kMillisecond);

} // namespace
