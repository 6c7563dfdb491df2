#ifndef RYVKIT_RYVFILE_KRYVBYTEORDER_H
#define RYVKIT_RYVFILE_KRYVBYTEORDER_H

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Little-endian byte I/O of the binary RYV form. The file's byte order is fixed; on a
// little-endian host the arrays are copied as they stand, elsewhere element by element.
namespace KRyvByteOrder {

constexpr bool kHostIsLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

template <typename T> void PutLE(std::vector<std::uint8_t>& ioBytes, T pValue)
{
    static_assert(sizeof(T) <= 8, "scalar expected");
    std::uint8_t lRaw[sizeof(T)];
    std::memcpy(lRaw, &pValue, sizeof(T));
    if (!kHostIsLittleEndian) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            std::swap(lRaw[i], lRaw[sizeof(T) - 1 - i]);
        }
    }
    ioBytes.insert(ioBytes.end(), lRaw, lRaw + sizeof(T));
}

template <typename T> T GetLE(const std::uint8_t* pBytes)
{
    std::uint8_t lRaw[sizeof(T)];
    std::memcpy(lRaw, pBytes, sizeof(T));
    if (!kHostIsLittleEndian) {
        for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
            std::swap(lRaw[i], lRaw[sizeof(T) - 1 - i]);
        }
    }
    T lValue;
    std::memcpy(&lValue, lRaw, sizeof(T));
    return lValue;
}

template <typename T>
void PutArrayLE(std::vector<std::uint8_t>& ioBytes, const std::vector<T>& pArray)
{
    if (kHostIsLittleEndian) {
        const auto* lFirst = reinterpret_cast<const std::uint8_t*>(pArray.data());
        ioBytes.insert(ioBytes.end(), lFirst, lFirst + pArray.size() * sizeof(T));
        return;
    }
    for (const T lValue : pArray) {
        PutLE(ioBytes, lValue);
    }
}

// pBytes holds oArray.size() elements.
template <typename T> void GetArrayLE(const std::uint8_t* pBytes, std::vector<T>& oArray)
{
    if (kHostIsLittleEndian) {
        if (!oArray.empty()) {
            std::memcpy(oArray.data(), pBytes, oArray.size() * sizeof(T));
        }
        return;
    }
    for (std::size_t i = 0; i < oArray.size(); ++i) {
        oArray[i] = GetLE<T>(pBytes + i * sizeof(T));
    }
}

// The pCount elements at pBytes appended to ioArray, copied at once where the host's order is
// the file's.
template <typename T>
void AppendArrayLE(const std::uint8_t* pBytes, std::size_t pCount, std::vector<T>& ioArray)
{
    const std::size_t lAt = ioArray.size();
    ioArray.resize(lAt + pCount);
    if (kHostIsLittleEndian) {
        if (pCount > 0) {
            std::memcpy(ioArray.data() + lAt, pBytes, pCount * sizeof(T));
        }
        return;
    }
    for (std::size_t i = 0; i < pCount; ++i) {
        ioArray[lAt + i] = GetLE<T>(pBytes + i * sizeof(T));
    }
}

} // namespace KRyvByteOrder

#endif
