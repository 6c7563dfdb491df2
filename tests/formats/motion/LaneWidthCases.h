#ifndef RYVKIT_TESTS_FORMATS_MOTION_LANEWIDTHCASES_H
#define RYVKIT_TESTS_FORMATS_MOTION_LANEWIDTHCASES_H

#include "formats/motion/KMotionQuickTrig.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

// Runs a block function at both lane widths on the same inputs and compares every output bit for
// bit, for every count from 0 up: each tail length of both widths meets random values mixed with
// edge values (zeros of both signs, NaNs, infinities, huge and tiny values, the ends of the
// ranges). Outputs live in arrays with a guard past the count that no width may write.
namespace LaneWidthCases {

// What a block function reads: pEdges are mixed in one value in three, the rest uniform in
// [mLow, mHigh).
struct Input
{
    double mLow;
    double mHigh;
    std::vector<double> mEdges;
};

// Outputs are double arrays; flags (bools) are passed through Flags, below, as their bytes.
using Run =
    std::function<void(KMotionLaneWidth pWidth, int pCount, const std::vector<const double*>& pIn,
                       const std::vector<double*>& oOut)>;

// The one-value form of a block function, where it has one: pIn one value per input, oOut one
// per output.
using OneValue = std::function<void(const double* pIn, double* oOut)>;

struct BlockCase
{
    std::string mName;
    std::vector<Input> mInputs;
    int mOutputs;
    int mLargestCount;
    Run mRun;
    OneValue mOneValue;
};

// Values past a block's count that no width may touch: a NaN whose payload no step makes.
constexpr std::uint64_t kGuardBits = 0x7ff4dead0000beefULL;
constexpr int kGuard = 5;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Values every kind of input meets besides its own edges.
inline std::vector<double> CommonEdges()
{
    return {0.0,    -0.0, kNaN, -kNaN, kInfinity, -kInfinity, 1e300,  -1e300,      5e-324, -5e-324,
            1e-300, 1.0,  -1.0, 0.5,   2.0,       0x1p51,     0x1p52, -0x1p53 + 1, 1e20,   -1e20};
}

// The bool outputs of a block: each flag's byte (a guard byte past the count stays the guard) as
// a double, so that the comparison sees them like any output.
class Flags
{
public:
    explicit Flags(int pCount) : mCount(pCount), mBytes(pCount + kGuard)
    {
        std::memset(mBytes.data(), kGuardByte, mBytes.size());
    }
    bool* Data() { return reinterpret_cast<bool*>(mBytes.data()); }
    void CopyTo(double* oValues) const
    {
        for (int i = 0; i < mCount + kGuard; ++i) {
            oValues[i] = mBytes[i] == kGuardByte ? GuardValue() : mBytes[i];
        }
    }
    static double GuardValue()
    {
        double lGuard;
        std::memcpy(&lGuard, &kGuardBits, sizeof lGuard);
        return lGuard;
    }

private:
    static constexpr unsigned char kGuardByte = 0x5a;
    int mCount;
    std::vector<unsigned char> mBytes;
};

inline std::vector<std::vector<double>> MakeInputs(const BlockCase& pCase, int pCount,
                                                   TestSequence& ioRandom)
{
    std::vector<std::vector<double>> lInputs;
    for (const Input& lInput : pCase.mInputs) {
        std::vector<double> lEdges = CommonEdges();
        lEdges.insert(lEdges.end(), lInput.mEdges.begin(), lInput.mEdges.end());
        std::vector<double> lValues(pCount);
        for (double& lValue : lValues) {
            lValue = ioRandom.Next() % 3 == 0 ? lEdges[ioRandom.Next() % lEdges.size()]
                                              : ioRandom.Between(lInput.mLow, lInput.mHigh);
        }
        lInputs.push_back(lValues);
    }
    return lInputs;
}

// pCase's outputs at pWidth, each array pCount values and the guard.
inline std::vector<std::vector<double>> RunAt(const BlockCase& pCase, KMotionLaneWidth pWidth,
                                              const std::vector<std::vector<double>>& pInputs,
                                              int pCount)
{
    std::vector<const double*> lIn;
    for (const std::vector<double>& lInput : pInputs) {
        lIn.push_back(lInput.data());
    }
    std::vector<std::vector<double>> lOutputs(
        pCase.mOutputs, std::vector<double>(pCount + kGuard, Flags::GuardValue()));
    std::vector<double*> lOut;
    for (std::vector<double>& lOutput : lOutputs) {
        lOut.push_back(lOutput.data());
    }
    pCase.mRun(pWidth, pCount, lIn, lOut);
    return lOutputs;
}

inline std::uint64_t BitsOf(double pValue)
{
    std::uint64_t lBits;
    std::memcpy(&lBits, &pValue, sizeof lBits);
    return lBits;
}

// The bits a comparison holds to: a NaN's sign and payload are those of whichever operand the
// processor passes on, which the compiler may order either way (a NaN sends every reader to the
// library path, whatever its bits), so all NaNs count as one. The guard is no such NaN.
inline std::uint64_t ComparedBits(double pValue)
{
    return std::isnan(pValue) && BitsOf(pValue) != kGuardBits
               ? BitsOf(std::numeric_limits<double>::quiet_NaN())
               : BitsOf(pValue);
}

// Every count up to the case's largest, several random draws each: the two widths' bits agree
// and the guards are whole.
inline void ExpectSameBitsOnBothWidths(const BlockCase& pCase, std::uint64_t pSeed)
{
    if (!KMotionQuickTrig::HasWideLanes()) {
        GTEST_SKIP() << "the processor has no wider registers";
    }
    constexpr int kDraws = 40;
    TestSequence lRandom(pSeed);
    for (int lCount = 0; lCount <= pCase.mLargestCount; ++lCount) {
        for (int d = 0; d < kDraws; ++d) {
            const auto lInputs = MakeInputs(pCase, lCount, lRandom);
            const auto lTwo = RunAt(pCase, KMotionLaneWidth::eTwoLanes, lInputs, lCount);
            const auto lFour = RunAt(pCase, KMotionLaneWidth::eFourLanes, lInputs, lCount);
            for (int o = 0; o < pCase.mOutputs; ++o) {
                for (int i = 0; i < lCount + kGuard; ++i) {
                    ASSERT_EQ(ComparedBits(lTwo[o][i]), ComparedBits(lFour[o][i]))
                        << pCase.mName << ": output " << o << ", value " << i << " of " << lCount;
                    if (i >= lCount) {
                        ASSERT_EQ(BitsOf(lTwo[o][i]), kGuardBits)
                            << pCase.mName << ": written past the count " << lCount;
                    }
                }
            }
        }
    }
}

// The two lanes (what a processor without the wider registers runs) answer, value by value, what
// the one-value form answers, for every count and tail.
inline void ExpectTwoLanesAsOneValue(const BlockCase& pCase, std::uint64_t pSeed)
{
    constexpr int kDraws = 10;
    TestSequence lRandom(pSeed);
    for (int lCount = 0; lCount <= pCase.mLargestCount; ++lCount) {
        for (int d = 0; d < kDraws; ++d) {
            const auto lInputs = MakeInputs(pCase, lCount, lRandom);
            const auto lTwo = RunAt(pCase, KMotionLaneWidth::eTwoLanes, lInputs, lCount);
            std::vector<double> lIn(lInputs.size());
            std::vector<double> lOut(pCase.mOutputs);
            for (int i = 0; i < lCount; ++i) {
                for (std::size_t n = 0; n < lInputs.size(); ++n) {
                    lIn[n] = lInputs[n][i];
                }
                pCase.mOneValue(lIn.data(), lOut.data());
                for (int o = 0; o < pCase.mOutputs; ++o) {
                    ASSERT_EQ(ComparedBits(lTwo[o][i]), ComparedBits(lOut[o]))
                        << pCase.mName << ": output " << o << ", value " << i << " of " << lCount;
                }
            }
        }
    }
}

} // namespace LaneWidthCases

#endif
