#include "ryvfile/KRyvPrefault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The hint backs pages; it never changes what they hold, whatever the range: unaligned ends, a
// range smaller than a page, an empty or null one.
TEST(KRyvPrefault, ChangesNoByteOfAnyRange)
{
    std::vector<std::uint8_t> lBytes(std::size_t(3) << 20);
    for (std::size_t i = 0; i < lBytes.size(); ++i) {
        lBytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const std::vector<std::uint8_t> lBefore = lBytes;
    const std::size_t kRanges[][2] = {{0, lBytes.size()},
                                      {1, (std::size_t(2) << 20) + 5},
                                      {4095, 2},
                                      {100, 0},
                                      {lBytes.size() - 10, 10}};
    for (const auto& lRange : kRanges) {
        KRyvPrefault::ForWrite(lBytes.data() + lRange[0], lRange[1]);
    }
    KRyvPrefault::ForWrite(nullptr, 4096);
    EXPECT_EQ(lBytes, lBefore);
    // Fresh memory given the hint takes the writes that follow.
    std::vector<std::uint8_t> lFresh;
    lFresh.reserve(std::size_t(1) << 20);
    KRyvPrefault::ForWrite(lFresh.data(), lFresh.capacity());
    lFresh.assign(lFresh.capacity(), 0x5a);
    EXPECT_EQ(lFresh.front(), 0x5a);
    EXPECT_EQ(lFresh.back(), 0x5a);
}

} // namespace
