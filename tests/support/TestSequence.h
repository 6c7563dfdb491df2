#ifndef RYVKIT_TESTS_SUPPORT_TESTSEQUENCE_H
#define RYVKIT_TESTS_SUPPORT_TESTSEQUENCE_H

#include <cstddef>
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

// The 64-bit FNV-1a hash, fed piece by piece: golden digests of written files and of the keys
// a read makes.
class Fnv1aHash
{
public:
    void Add(const void* pBytes, std::size_t pSize)
    {
        const unsigned char* lBytes = static_cast<const unsigned char*>(pBytes);
        for (std::size_t i = 0; i < pSize; ++i) {
            mHash = (mHash ^ lBytes[i]) * 1099511628211ULL;
        }
    }
    // The eight bytes of pWord, lowest first, whatever the machine's byte order.
    void AddWord(std::uint64_t pWord)
    {
        for (int i = 0; i < 8; ++i) {
            mHash = (mHash ^ ((pWord >> (8 * i)) & 0xffu)) * 1099511628211ULL;
        }
    }
    std::uint64_t Get() const { return mHash; }

private:
    std::uint64_t mHash = 14695981039346656037ULL;
};

// The digest of pBytes.
inline std::uint64_t Fnv1a(const std::string& pBytes)
{
    Fnv1aHash lHash;
    lHash.Add(pBytes.data(), pBytes.size());
    return lHash.Get();
}

#endif
