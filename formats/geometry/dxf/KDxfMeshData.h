#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KDXFMESHDATA_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KDXFMESHDATA_H

#include "core/KVector4.h"

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

// The points and polygons that DXF entities add to one mesh-to-be, in scene axes. A polygon
// keeps its colour number (0 or below: no material) and its point indexes in the order given.
// Welding finds an earlier point within 1e-6 in x, y and z (the earliest one), through a hash
// grid so that large files stay linear.
class KDxfMeshData
{
public:
    struct Polygon
    {
        int mColor;
        int mFirst; // into GetIndices()
        int mCount;
    };

    static constexpr double kWeldTolerance = 1e-6;

    // Appends the point, never welded.
    int AddPoint(const KVector4& pPoint);
    // With pWeld, the earliest point within the tolerance, else the point appended.
    int FindOrAddPoint(const KVector4& pPoint, bool pWeld);
    // A polygon with a colour above 0 makes the mesh take materials by polygon.
    void AddPolygon(int pColor, const int* pIndices, int pCount);

    bool IsEmpty() const { return mPoints.empty(); }
    bool HasColors() const { return mColorFlag; }
    const std::vector<KVector4>& GetPoints() const { return mPoints; }
    // Hands the points over, so that a mesh takes them without a copy; none are left.
    std::vector<KVector4> TakePoints() { return std::move(mPoints); }
    const std::vector<int>& GetIndices() const { return mIndices; }
    const std::vector<Polygon>& GetPolygons() const { return mPolygons; }

private:
    using Cell = std::int64_t;
    static Cell CellOf(double pCoordinate);
    static std::uint64_t KeyOf(Cell pX, Cell pY, Cell pZ);
    int FindNear(const KVector4& pPoint) const;
    void Index(int pIndex);

    std::vector<KVector4> mPoints;
    std::vector<int> mIndices;
    std::vector<Polygon> mPolygons;
    bool mColorFlag = false;
    // Cell key -> indexes of the points in that cell, in insertion order.
    std::unordered_map<std::uint64_t, std::vector<int>> mGrid;
    bool mGridded = false;
};

#endif
