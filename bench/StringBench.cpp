#include "core/KString.h"

#include <benchmark/benchmark.h>

namespace {

KString NumberLine(int pCount)
{
    KString lLine;
    for (int i = 0; i < pCount; ++i) {
        lLine += KString::FromDouble(i * 0.731 - 250.0, 4);
        lLine += (i % 4 == 0) ? " \t" : " ";
    }
    return lLine;
}

void StringTokeniseNumberLine(benchmark::State& ioState)
{
    const KString lLine = NumberLine(1000);
    for (auto lUnused : ioState) {
        const int lCount = lLine.GetTokenCount(" \t");
        int lLength = 0;
        for (int i = 0; i < lCount; ++i) {
            lLength += lLine.GetToken(i, " \t").GetLen();
        }
        benchmark::DoNotOptimize(lLength);
    }
    ioState.SetBytesProcessed(ioState.iterations() * lLine.GetLen());
}
BENCHMARK(StringTokeniseNumberLine);

void StringFindInLongText(benchmark::State& ioState)
{
    KString lText = NumberLine(1000);
    lText += "needle";
    for (auto lUnused : ioState) {
        benchmark::DoNotOptimize(lText.Find("needle"));
    }
    ioState.SetBytesProcessed(ioState.iterations() * lText.GetLen());
}
BENCHMARK(StringFindInLongText);

void StringFindAndReplaceAll(benchmark::State& ioState)
{
    const KString lSource = NumberLine(1000);
    for (auto lUnused : ioState) {
        KString lText = lSource;
        int lAt = 0;
        while (lText.FindAndReplace(".", ",", lAt)) {
            lAt = lText.Find(",", lAt) + 1;
        }
        benchmark::DoNotOptimize(lText.Buffer());
    }
    ioState.SetBytesProcessed(ioState.iterations() * lSource.GetLen());
}
BENCHMARK(StringFindAndReplaceAll);

} // namespace
