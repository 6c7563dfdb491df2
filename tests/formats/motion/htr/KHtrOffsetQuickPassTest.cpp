// The quick offset pass against the library pass on key columns set by hand, also where the top
// segment's angles lie beyond the quick lanes' reach (its turn is then some number, and its
// children take their keys from the library path too).
#include "formats/motion/htr/KHtrOffsetQuickPass.h"

#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kFrames = 3 * KHtrOffsetBlocks::kFrames + 5;
constexpr int kColumns = KHtrOffsetBlocks::kKeyColumns;

// A chain of pDepth segments, each the child of the one before, with smooth keys; the top's
// angles are set to pTopAngle on every frame.
std::vector<std::unique_ptr<KHtrSegment>> Chain(int pDepth, float pTopAngle)
{
    std::vector<std::unique_ptr<KHtrSegment>> lSegments;
    for (int s = 0; s < pDepth; ++s) {
        auto lSegment = std::make_unique<KHtrSegment>();
        KMatrix lDefault;
        EulerToMatrixXYZ(lDefault, 10.0 + s, -20.0 + 3.0 * s, 30.0 - s);
        lDefault[3][0] = 1.0 + s;
        MatrixInverseAffine(lSegment->mInverseDefaultRotation, lDefault);
        for (int f = 0; f < kFrames; ++f) {
            for (int c = 0; c < 3; ++c) {
                lSegment->mKeys[c].push_back(0.5f * static_cast<float>(c + s) + 0.01f * f);
                const float lAngle = s == 0 ? pTopAngle : 17.0f * c - 5.0f * s + 0.37f * f;
                lSegment->mKeys[3 + c].push_back(lAngle);
            }
        }
        lSegments.push_back(std::move(lSegment));
    }
    return lSegments;
}

std::vector<KHtrOffsetStep> Steps(const std::vector<std::unique_ptr<KHtrSegment>>& pSegments)
{
    std::vector<KHtrOffsetStep> lSteps;
    for (std::size_t s = 0; s < pSegments.size(); ++s) {
        lSteps.push_back({pSegments[s].get(), static_cast<int>(s) - 1, s + 1 < pSegments.size(),
                          KHtrAffine::FromMatrix(pSegments[s]->mInverseDefaultRotation)});
    }
    return lSteps;
}

// The library pass, block by block, as the reader runs it without the quick lanes.
void LibraryPass(const std::vector<KHtrOffsetStep>& pSteps)
{
    const std::vector<KHtrAffineBlock> lTop = KHtrOffsetBlocks::TopBlocks();
    std::vector<KHtrAffineBlock> lW(pSteps.size() + 1, lTop[0]);
    std::vector<KHtrAffineBlock> lInverseV(pSteps.size(), lTop[0]);
    double lKeys[kColumns][KHtrOffsetBlocks::kFrames];
    for (int lFirst = 0; lFirst < kFrames; lFirst += KHtrOffsetBlocks::kFrames) {
        const int lCount = std::min(KHtrOffsetBlocks::kFrames, kFrames - lFirst);
        for (std::size_t i = 0; i < pSteps.size(); ++i) {
            const int lParent = pSteps[i].mParent;
            const std::size_t lAt = static_cast<std::size_t>(lParent);
            KHtrOffsetBlocks::LibraryOffsets(
                pSteps[i], lFirst, lCount, lParent < 0 ? lTop[0] : lW[lAt],
                lParent < 0 ? lTop[1] : lInverseV[lAt], lW[i], lInverseV[i], lW.back(), lKeys);
            KHtrOffsetBlocks::StoreKeys(pSteps[i], lFirst, lCount, lKeys);
        }
    }
}

class KHtrOffsetQuickPassTest : public ::testing::TestWithParam<float>
{
};

TEST_P(KHtrOffsetQuickPassTest, KeysAreTheLibraryPassesBitForBit)
{
    const auto lLibrary = Chain(4, GetParam());
    const auto lQuick = Chain(4, GetParam());
    LibraryPass(Steps(lLibrary));
    KHtrFile::KLaneCounts lCounts{};
    KHtrOffsetQuickPass::Run(Steps(lQuick), kFrames, lCounts);
    for (std::size_t s = 0; s < lLibrary.size(); ++s) {
        for (int c = 0; c < kColumns; ++c) {
            ASSERT_EQ(0, std::memcmp(lLibrary[s]->mKeys[c].data(), lQuick[s]->mKeys[c].data(),
                                     sizeof(float) * kFrames))
                << "segment " << s << " column " << c;
        }
    }
}

// An angle the quick lanes turn, and angles beyond their reach (which the read stage never hands
// the pass, but the pass must not rely on that).
INSTANTIATE_TEST_SUITE_P(TopAngles, KHtrOffsetQuickPassTest,
                         ::testing::Values(42.5f, 3.0e6f, -7.5e8f, 1.0e30f));

} // namespace
