#ifndef RYVKIT_BENCH_BENCHSUPPORT_H
#define RYVKIT_BENCH_BENCHSUPPORT_H

#include <benchmark/benchmark.h>

#include <charconv>
#include <functional>
#include <string>

// What every benchmark shares, so that a case and its floor time the same work the same way:
// generated files in the temporary folder, wall-clock floors measured in the same run, the peak
// memory of one piece of work alone, and conversions run in process the way ryvconvert runs them.
namespace BenchSupport {

// A path in the temporary folder for a generated file.
std::string TempPath(const char* pName);
// The whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& pPath);

// A flat BVH skeleton in the temporary folder, made once: a root with pJoints children, each with
// an End Site (1 + 2 pJoints nodes), two frames of zeros.
std::string FlatBvh(int pJoints);
// The wall-clock seconds of the fastest of pRuns runs of pWork.
double BestSeconds(const std::function<void()>& pWork, int pRuns = 3);
// Every number of a text converted with std::from_chars and summed: the work no text reader can
// skip, the floor of the text formats.
double SumNumbers(const std::string& pText);
// The same walk over [pBegin, pEnd) with pRead (std::from_chars' form) reading each number, so
// that a quicker number reader is timed on the same work as the floor.
template <class TRead> double SumNumbersWith(const char* pBegin, const char* pEnd, TRead pRead)
{
    double lSum = 0.0;
    const char* lAt = pBegin;
    while (lAt < pEnd) {
        const char lChar = *lAt;
        if ((lChar >= '0' && lChar <= '9') || lChar == '-' || lChar == '.') {
            double lValue = 0.0;
            const std::from_chars_result lResult = pRead(lAt, pEnd, lValue);
            if (lResult.ptr != lAt) {
                lSum += lValue;
                lAt = lResult.ptr;
                continue;
            }
        }
        ++lAt;
    }
    return lSum;
}
// The floor case of a text reader: SumNumbers of pText once per iteration, pText's size as the
// bytes processed.
void TimeSumNumbers(benchmark::State& ioState, const std::string& pText);

// The peak resident memory, in bytes, that pWork adds, measured in a child process of its own so
// that nothing this process did before counts; -1 when it cannot be measured or pWork fails.
double PeakBytesOf(const std::function<bool()>& pWork);

// Reads pInput with the reader its extension names and writes pOutput (when not empty) with the
// writer its extension names, motion spans carried over, as ryvconvert converts a file. False
// when either step fails. pAfterRead, when given, runs once the read is whole, while the scene
// it made still lives.
bool Convert(const std::string& pInput, const std::string& pOutput,
             const std::function<void()>& pAfterRead = {});

// Runs pWork over the file pPath once per benchmark iteration, the file's size as the bytes
// processed; the case is marked failed when pPath is empty (the file could not be generated)
// or pWork fails.
void RunOverFile(benchmark::State& ioState, const std::string& pPath,
                 const std::function<bool(const std::string&)>& pWork);
// Runs pWork once per benchmark iteration and answers the wall-clock seconds spent in it (the
// set-up around it not counted); -1, with the case marked failed, when pWork fails.
double TimeIterations(benchmark::State& ioState, const std::function<bool()>& pWork);
// Reports pBytes per iteration over pSeconds of wall time as "MB/s", the floor's rate
// (pFloorBytes in pFloorSeconds) as "floor_MB/s", and the first over the second as "x_floor".
void ReportRate(benchmark::State& ioState, double pBytes, double pSeconds, double pFloorBytes,
                double pFloorSeconds);

} // namespace BenchSupport

#endif
