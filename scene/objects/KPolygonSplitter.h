#ifndef RYVKIT_SCENE_OBJECTS_KPOLYGONSPLITTER_H
#define RYVKIT_SCENE_OBJECTS_KPOLYGONSPLITTER_H

#include "core/KVector4.h"

#include <vector>

// Splits one polygon into n - 2 triangles given as corner positions (0 .. n-1), so that the
// triangles cover the polygon. Convex polygons (and those whose geometry cannot be judged: bad
// indices, no area) take KRyvGeometryConverter::BuildTrianglePattern; concave ones are ear
// clipped after projection onto the plane that their normal is most perpendicular to. The
// buffers are kept between polygons, so one splitter serves a whole mesh.
class KPolygonSplitter
{
public:
    // pVertices: the polygon's pCount indexes into pPoints. oCorners receives 3 (n - 2)
    // positions in the polygon, each triangle in the polygon's winding.
    void Split(const std::vector<KVector4>& pPoints, const int* pVertices, int pCount,
               std::vector<int>& oCorners);

private:
    double Cross(int pA, int pB, int pC) const;
    bool Project(const std::vector<KVector4>& pPoints, const int* pVertices, int pCount);
    bool IsConvex(int pCount) const;
    bool SamePlace(int pA, int pB) const { return mX[pA] == mX[pB] && mY[pA] == mY[pB]; }
    void UpdateReflex(int pIndex);
    bool IsEar(int pIndex) const;
    void ClipEars(int pCount, std::vector<int>& oCorners);

    std::vector<double> mX;
    std::vector<double> mY;
    std::vector<int> mPrev;
    std::vector<int> mNext;
    std::vector<char> mReflex;
};

#endif
