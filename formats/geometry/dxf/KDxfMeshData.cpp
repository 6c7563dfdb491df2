#include "formats/geometry/dxf/KDxfMeshData.h"

#include <cmath>

namespace {

// Cells far out are clamped: those points still compare exactly, only less quickly.
constexpr double kCellLimit = 1e15;

} // namespace

int KDxfMeshData::AddPoint(const KVector4& pPoint)
{
    const int lIndex = static_cast<int>(mPoints.size());
    mPoints.push_back(pPoint);
    if (mGridded) {
        Index(lIndex);
    }
    return lIndex;
}

int KDxfMeshData::FindOrAddPoint(const KVector4& pPoint, bool pWeld)
{
    if (pWeld) {
        // The grid is built on the first weld, so meshes that never weld pay nothing for it.
        if (!mGridded) {
            mGridded = true;
            for (std::size_t i = 0; i < mPoints.size(); ++i) {
                Index(static_cast<int>(i));
            }
        }
        const int lFound = FindNear(pPoint);
        if (lFound >= 0) {
            return lFound;
        }
    }
    return AddPoint(pPoint);
}

void KDxfMeshData::AddPolygon(int pColor, const int* pIndices, int pCount)
{
    mPolygons.push_back({pColor, static_cast<int>(mIndices.size()), pCount});
    mIndices.insert(mIndices.end(), pIndices, pIndices + pCount);
    if (pColor > 0) {
        mColorFlag = true;
    }
}

void KDxfMeshData::Index(int pIndex)
{
    const KVector4& lPoint = mPoints[static_cast<std::size_t>(pIndex)];
    mGrid[KeyOf(CellOf(lPoint[0]), CellOf(lPoint[1]), CellOf(lPoint[2]))].push_back(pIndex);
}

KDxfMeshData::Cell KDxfMeshData::CellOf(double pCoordinate)
{
    double lCell = std::floor(pCoordinate / kWeldTolerance);
    if (!(lCell > -kCellLimit)) {
        lCell = -kCellLimit;
    } else if (lCell > kCellLimit) {
        lCell = kCellLimit;
    }
    return static_cast<Cell>(lCell);
}

std::uint64_t KDxfMeshData::KeyOf(Cell pX, Cell pY, Cell pZ)
{
    constexpr std::uint64_t kMixY = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t kMixZ = 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::uint64_t>(pX) ^ (static_cast<std::uint64_t>(pY) * kMixY) ^
           (static_cast<std::uint64_t>(pZ) * kMixZ);
}

int KDxfMeshData::FindNear(const KVector4& pPoint) const
{
    const Cell lX = CellOf(pPoint[0]);
    const Cell lY = CellOf(pPoint[1]);
    const Cell lZ = CellOf(pPoint[2]);
    int lBest = -1;
    for (Cell dx = -1; dx <= 1; ++dx) {
        for (Cell dy = -1; dy <= 1; ++dy) {
            for (Cell dz = -1; dz <= 1; ++dz) {
                const auto lCell = mGrid.find(KeyOf(lX + dx, lY + dy, lZ + dz));
                if (lCell == mGrid.end()) {
                    continue;
                }
                for (int lIndex : lCell->second) {
                    if (lBest >= 0 && lIndex >= lBest) {
                        break;
                    }
                    const KVector4& lOther = mPoints[static_cast<std::size_t>(lIndex)];
                    if (std::fabs(lOther[0] - pPoint[0]) <= kWeldTolerance &&
                        std::fabs(lOther[1] - pPoint[1]) <= kWeldTolerance &&
                        std::fabs(lOther[2] - pPoint[2]) <= kWeldTolerance) {
                        lBest = lIndex;
                    }
                }
            }
        }
    }
    return lBest;
}
