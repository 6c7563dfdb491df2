#ifndef RYVKIT_TESTS_SUPPORT_TESTSEQUENCE_H
#define RYVKIT_TESTS_SUPPORT_TESTSEQUENCE_H

#include <cstdint>
#include <string>

// A small fixed generator for the tests: the standard distributions differ between libraries,
// and golden values and random comparisons need the same numbers on every platform.
class TestSequence
{
public:
    explicit TestSequence(std::uint64_t pSeed) : mState(pSeed) {}

    // The next 53 bits.
    std::uint64_t Next()
    {
        mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
        return mState >> 11;
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next()) / 9007199254740992.0; }
    // Uniform in [pLow, pHigh).
    double Between(double pLow, double pHigh)
    {
        return pLow + (pHigh - pLow) * static_cast<double>(Next()) / 9007199254740992.0;
    }

private:
    std::uint64_t mState;
};

// The 64-bit FNV-1a hash of pBytes: golden digests of written files.
inline std::uint64_t Fnv1a(const std::string& pBytes)
{
    std::uint64_t lHash = 14695981039346656037ULL;
    for (const char lByte : pBytes) {
        lHash = (lHash ^ static_cast<unsigned char>(lByte)) * 1099511628211ULL;
    }
    return lHash;
}

#endif
