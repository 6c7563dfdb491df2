#include "formats/motion/KMotionKeyChunks.h"

#include "animation/KFCurve.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// pCount curves inside key sets of pCapacity keys.
std::vector<std::unique_ptr<KFCurve>> OpenCurves(int pCount, int pCapacity)
{
    std::vector<std::unique_ptr<KFCurve>> lCurves;
    for (int c = 0; c < pCount; ++c) {
        lCurves.push_back(std::make_unique<KFCurve>());
        EXPECT_TRUE(lCurves.back()->BeginKeySet(pCapacity));
    }
    return lCurves;
}

std::vector<KFCurve*> Pointers(const std::vector<std::unique_ptr<KFCurve>>& pCurves)
{
    std::vector<KFCurve*> lPointers;
    for (const auto& lCurve : pCurves) {
        lPointers.push_back(lCurve.get());
    }
    return lPointers;
}

// Streams pFrames frames of value 1000 * frame + curve, flushing whenever a chunk fills, and
// checks that every curve holds every key in order, as KFCurveKey::Set makes a plain key.
void StreamAndCheck(int pCurves, int pFrames)
{
    auto lCurves = OpenCurves(pCurves, pFrames);
    KMotionKeyChunks lChunks(Pointers(lCurves), pFrames);
    const KTime lPeriod(KTime::kTicksPerSecond / 30);
    for (int f = 0; f < pFrames; ++f) {
        float* lValues = lChunks.Next(lPeriod * f);
        for (int c = 0; c < pCurves; ++c) {
            lValues[c] = static_cast<float>(1000 * f + c);
        }
        if (lChunks.IsFull()) {
            ASSERT_TRUE(lChunks.Flush()) << f;
        }
    }
    ASSERT_TRUE(lChunks.Flush());
    KFCurveKey lPlain;
    for (int c = 0; c < pCurves; ++c) {
        KFCurve& lCurve = *lCurves[static_cast<std::size_t>(c)];
        ASSERT_TRUE(lCurve.EndKeySet(pFrames));
        ASSERT_EQ(lCurve.GetKeyCount(), pFrames) << c;
        for (int f = 0; f < pFrames; ++f) {
            const KFCurveKey& lKey = *lCurve.GetKey(f);
            lPlain.Set(lPeriod * f, static_cast<float>(1000 * f + c));
            ASSERT_EQ(lKey.GetTime(), lPlain.GetTime()) << c << " " << f;
            ASSERT_EQ(lKey.GetValue(), lPlain.GetValue()) << c << " " << f;
            ASSERT_EQ(lKey.GetFlags(), lPlain.GetFlags());
        }
    }
}

TEST(KMotionKeyChunks, KeysCrossChunkBoundariesInOrder)
{
    // Three chunks and a part: 256 frames a chunk.
    StreamAndCheck(3, 3 * KMotionKeyChunks::kMaxChunkFrames + 5);
    // So many curves that a chunk holds one frame.
    StreamAndCheck(KMotionKeyChunks::kMaxValues / 2 + 1, 3);
    StreamAndCheck(1, 1);
}

TEST(KMotionKeyChunks, RefusedBatchesAreReported)
{
    // Curves that hold two keys, chunks sized for five: the batch of five is refused.
    auto lCurves = OpenCurves(2, 2);
    KMotionKeyChunks lChunks(Pointers(lCurves), 5);
    for (int f = 0; f < 5; ++f) {
        float* lValues = lChunks.Next(KTime(f));
        lValues[0] = lValues[1] = 1.0f;
    }
    EXPECT_FALSE(lChunks.Flush());
    EXPECT_EQ(lCurves[0]->GetKeyCount(), 0);
    // Nothing to hand over is no failure, and curves outside a key set refuse keys.
    EXPECT_TRUE(lChunks.Flush());
    KFCurve lClosed;
    KMotionKeyChunks lOutside({&lClosed}, 4);
    lOutside.Next(KTime(0))[0] = 2.0f;
    EXPECT_FALSE(lOutside.Flush());
    EXPECT_EQ(lClosed.GetKeyCount(), 0);
}

} // namespace
