#include "BenchSupport.h"
#include "formats/motion/KMotionFastNumber.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <random>
#include <string>

namespace {

constexpr int kNumbers = 2000000;
constexpr int kPerLine = 183;
constexpr int kDecimals = 4;

// Angles as the motion writers print them ("-178.7000", "12.3500", "0.0000"): whole parts of one
// to three digits in no order, as a processor meets them in a frame line.
const std::string& MotionText()
{
    static const std::string sText = [] {
        std::string lText;
        std::mt19937 lRandom(3);
        std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
        char lBuffer[32];
        for (int i = 0; i < kNumbers; ++i) {
            const std::to_chars_result lEnd =
                std::to_chars(lBuffer, lBuffer + sizeof lBuffer, lAngle(lRandom),
                              std::chars_format::fixed, kDecimals);
            lText.append(lBuffer, lEnd.ptr);
            lText += (i + 1) % kPerLine == 0 ? '\n' : ' ';
        }
        // The padding the padded form reads past the end.
        lText.append(KMotionFastNumber::kPadding, '\n');
        return lText;
    }();
    return sText;
}

// Every number of pText read with pRead as SumNumbers reads them, summed; the padding is not text.
template <class TRead> double SumWith(const std::string& pText, TRead pRead)
{
    return BenchSupport::SumNumbersWith(
        pText.data(), pText.data() + pText.size() - KMotionFastNumber::kPadding, pRead);
}

// The quick reads (0: FromChars, 1: FromCharsPadded) over the text, beside std::from_chars over
// the same numbers in the same run: "x_from_chars" is how many times faster they are.
void BM_MotionFastNumber(benchmark::State& ioState)
{
    const std::string& lText = MotionText();
    const bool lPadded = ioState.range(0) == 1;
    const double lFloor = BenchSupport::BestSeconds(
        [&] { benchmark::DoNotOptimize(BenchSupport::SumNumbers(lText)); }, 5);
    const double lSeconds = BenchSupport::TimeIterations(ioState, [&] {
        benchmark::DoNotOptimize(lPadded ? SumWith(lText, KMotionFastNumber::FromCharsPadded)
                                         : SumWith(lText, KMotionFastNumber::FromChars));
        return true;
    });
    ioState.SetItemsProcessed(ioState.iterations() * kNumbers);
    if (lSeconds > 0.0 && lFloor > 0.0) {
        ioState.counters["x_from_chars"] =
            lFloor * static_cast<double>(ioState.iterations()) / lSeconds;
    }
}
BENCHMARK(BM_MotionFastNumber)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
