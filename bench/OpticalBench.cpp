#include "formats/motion/c3d/KC3dFile.h"
#include "formats/motion/trc/KTrcFile.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// Marker sets as long sessions export them: C3D with 100 markers over 32000 frames of real
// (floating-point) data, about 51 MB; TRC with 40 markers over 25000 frames, about 31 MB.
constexpr int kC3dMarkers = 100;
constexpr int kC3dFrames = 32000;
constexpr int kTrcMarkers = 40;
constexpr int kTrcFrames = 25000;

// Writes a marker file of random walks through the file class's write operations.
bool WriteMarkers(KOpticalMarkerFile& ioFile, const std::string& pPath, int pMarkers, int pFrames,
                  double pScale)
{
    if (!ioFile.Create(pPath.c_str())) {
        return false;
    }
    KOpticalMarkerHeader lHeader;
    lHeader.mMarkerCount = pMarkers;
    lHeader.mFrameCount = pFrames;
    lHeader.mFrameRate = 120.0;
    lHeader.mScale = pScale;
    std::vector<KString> lNames;
    for (int m = 0; m < pMarkers; ++m) {
        lNames.emplace_back(("Marker" + std::to_string(m)).c_str());
    }
    if (!ioFile.WriteHeader(lHeader) || !ioFile.WriteNames(lNames)) {
        return false;
    }
    std::mt19937 lRandom(3);
    std::uniform_real_distribution<double> lStep(-0.5, 0.5);
    std::vector<KVector4> lPositions(static_cast<std::size_t>(pMarkers),
                                     KVector4(10.0, 90.0, -30.0, 0.0));
    for (int f = 1; f <= pFrames; ++f) {
        for (KVector4& lPosition : lPositions) {
            lPosition = KVector4(lPosition[0] + lStep(lRandom), lPosition[1] + lStep(lRandom),
                                 lPosition[2] + lStep(lRandom), f % 50 == 0 ? 1.0 : 0.0);
        }
        if (!ioFile.WriteFrame(lPositions.data(), pMarkers, KTime(), f)) {
            return false;
        }
    }
    return ioFile.EndWrite() && ioFile.Close();
}

const std::string& C3dPath()
{
    static const std::string sPath = [] {
        const std::string lPath = "/tmp/ryvbench_optical_100_markers.c3d";
        KC3dFile lFile;
        return WriteMarkers(lFile, lPath, kC3dMarkers, kC3dFrames, -1.0) ? lPath : std::string();
    }();
    return sPath;
}

const std::string& TrcPath()
{
    static const std::string sPath = [] {
        const std::string lPath = "/tmp/ryvbench_optical_40_markers.trc";
        KTrcFile lFile;
        return WriteMarkers(lFile, lPath, kTrcMarkers, kTrcFrames, 1.0) ? lPath : std::string();
    }();
    return sPath;
}

std::string ReadBytes(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

// The whole file read through a marker file class: header, names and every frame.
template <typename File> void ReadMarkers(benchmark::State& pState, const std::string& pPath)
{
    if (pPath.empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::size_t lBytes = ReadBytes(pPath).size();
    std::vector<KVector4> lFrame;
    for (auto _ : pState) {
        auto lSource = std::make_unique<KByteSource>();
        File lFile;
        KOpticalMarkerHeader lHeader;
        if (!lSource->OpenFile(pPath.c_str(), false) || !lFile.Open(std::move(lSource)) ||
            !lFile.ReadHeader(lHeader)) {
            pState.SkipWithError("cannot read the benchmark file");
            return;
        }
        std::vector<KString> lNames(static_cast<std::size_t>(lHeader.mMarkerCount));
        KTime lTime;
        int lNumber = 0;
        bool lRead = lFile.ReadNames(lNames, false);
        for (int f = 0; f < lHeader.mFrameCount && lRead; ++f) {
            lRead = lFile.ReadFrame(lFrame, lHeader.mMarkerCount, lTime, lNumber, KTime(1), false);
        }
        if (!lRead) {
            pState.SkipWithError(lFile.GetError().c_str());
            return;
        }
        benchmark::DoNotOptimize(lFrame.data());
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes));
}

void BM_C3dRead100Markers(benchmark::State& pState)
{
    ReadMarkers<KC3dFile>(pState, C3dPath());
}
BENCHMARK(BM_C3dRead100Markers)->Unit(benchmark::kMillisecond);

// The C3D yardstick: the same bytes already in memory, every 4 bytes turned into a float as the
// file's DEC layout says (halves swapped, divided by 4), nothing else.
void BM_C3dFloatsOnly100Markers(benchmark::State& pState)
{
    if (C3dPath().empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = ReadBytes(C3dPath());
    for (auto _ : pState) {
        double lSum = 0.0;
        const unsigned char* lData = reinterpret_cast<const unsigned char*>(lBytes.data());
        for (std::size_t i = 0; i + 4 <= lBytes.size(); i += 4) {
            const std::uint32_t lBits = (std::uint32_t(lData[i + 1]) << 24) |
                                        (std::uint32_t(lData[i]) << 16) |
                                        (std::uint32_t(lData[i + 3]) << 8) | lData[i + 2];
            float lValue;
            std::memcpy(&lValue, &lBits, sizeof(lValue));
            lSum += lValue * 0.25;
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes.size()));
}
BENCHMARK(BM_C3dFloatsOnly100Markers)->Unit(benchmark::kMillisecond);

void BM_TrcRead40Markers(benchmark::State& pState)
{
    ReadMarkers<KTrcFile>(pState, TrcPath());
}
BENCHMARK(BM_TrcRead40Markers)->Unit(benchmark::kMillisecond);

// The TRC yardstick: the same bytes in memory, every number converted with from_chars and
// nothing else.
void BM_TrcFromCharsOnly40Markers(benchmark::State& pState)
{
    if (TrcPath().empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = ReadBytes(TrcPath());
    for (auto _ : pState) {
        const char* lPos = lBytes.data();
        const char* const lEnd = lPos + lBytes.size();
        double lSum = 0.0;
        while (lPos < lEnd) {
            const char lChar = *lPos;
            if ((lChar >= '0' && lChar <= '9') || lChar == '-' || lChar == '.') {
                double lValue = 0.0;
                const std::from_chars_result lResult = std::from_chars(lPos, lEnd, lValue);
                if (lResult.ptr != lPos) {
                    lSum += lValue;
                    lPos = lResult.ptr;
                    continue;
                }
            }
            ++lPos;
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes.size()));
}
BENCHMARK(BM_TrcFromCharsOnly40Markers)->Unit(benchmark::kMillisecond);

} // namespace
