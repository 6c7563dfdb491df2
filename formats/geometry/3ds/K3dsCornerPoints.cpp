#include "formats/geometry/3ds/K3dsCornerPoints.h"

#include <utility>

K3dsCornerPoints K3dsCornerPoints::Split(std::size_t pVertexCount,
                                         const std::vector<uint32_t>& pCorners,
                                         const std::vector<uint32_t>* pMasks)
{
    K3dsCornerPoints lOut;
    lOut.mVertexOf.resize(pVertexCount);
    for (std::size_t v = 0; v < pVertexCount; ++v) {
        lOut.mVertexOf[v] = static_cast<int>(v);
    }
    const std::size_t lFaces = pCorners.size() / 3;
    const bool lBySmoothing = pMasks && pMasks->size() == lFaces;
    lOut.mCorner.reserve(pCorners.size());
    // Per vertex: its points with the masks gathered on them.
    std::vector<std::vector<std::pair<int, uint32_t>>> lPoints(lBySmoothing ? pVertexCount : 0);
    for (std::size_t c = 0; c < 3 * lFaces; ++c) {
        const uint32_t lVertex = pCorners[c];
        if (!lBySmoothing) {
            lOut.mCorner.push_back(static_cast<int>(lVertex));
            continue;
        }
        const uint32_t lMask = (*pMasks)[c / 3];
        auto& lOwn = lPoints[lVertex];
        int lPoint = -1;
        for (auto& lEntry : lOwn) {
            if (lEntry.second & lMask) {
                lEntry.second |= lMask;
                lPoint = lEntry.first;
                break;
            }
        }
        if (lPoint < 0) {
            lPoint =
                lOwn.empty() ? static_cast<int>(lVertex) : static_cast<int>(lOut.mVertexOf.size());
            if (!lOwn.empty()) {
                lOut.mVertexOf.push_back(static_cast<int>(lVertex));
            }
            // A face of no group shares with nothing, so only a vertex's first point is kept
            // for it: a fan of such faces costs no more than its size.
            if (lMask != 0 || lOwn.empty()) {
                lOwn.emplace_back(lPoint, lMask);
            }
        }
        lOut.mCorner.push_back(lPoint);
    }
    if (lBySmoothing) {
        lOut.mMaskOf.resize(lOut.mVertexOf.size());
        for (const auto& lOwn : lPoints) {
            for (const auto& lEntry : lOwn) {
                lOut.mMaskOf[static_cast<std::size_t>(lEntry.first)] = lEntry.second;
            }
        }
    }
    return lOut;
}
