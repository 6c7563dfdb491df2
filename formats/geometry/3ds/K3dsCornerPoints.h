#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSCORNERPOINTS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSCORNERPOINTS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The points of a 3DS mesh's face corners when corners are split by smoothing group, as the
// reader makes its control points and the writer its vertices (so that a file written is read
// without a further split): faces are visited in order, and a corner shares a point only with
// corners of the same vertex whose masks share a bit (the point gathering their masks); the
// first corner of a vertex keeps the vertex's own point, and a corner that finds none adds a
// point for the vertex at the end. A corner of mask 0 shares with nothing.
struct K3dsCornerPoints
{
    // The point of every corner (three per face), the vertex of every point (the vertices' own
    // points first, in order) and, when split, the mask gathered on every point.
    std::vector<int> mCorner;
    std::vector<int> mVertexOf;
    std::vector<uint32_t> mMaskOf;

    // pCorners: three vertex numbers per face, each below pVertexCount; pMasks: one mask per
    // face, or null for points that are the vertices themselves (no split).
    static K3dsCornerPoints Split(std::size_t pVertexCount, const std::vector<uint32_t>& pCorners,
                                  const std::vector<uint32_t>* pMasks);
};

#endif
