#ifndef RYVKIT_FORMATS_GEOMETRY_KMESHDEFORMATION_H
#define RYVKIT_FORMATS_GEOMETRY_KMESHDEFORMATION_H

#include "core/KAffineMatrix.h"
#include "core/KVector4.h"

#include <vector>

class KRyvMesh;
class KRyvNode;

// The shape and skin deformation that the geometry writers apply to a copy of a mesh's points,
// so that a file shows the mesh as it is posed. The scene is never changed.
namespace KMeshDeformation {

// Computes the global matrices of the whole tree of pRoot in one pass from the root. A writer
// calls it once per write, before its first GlobalTransform: the scene may have changed since
// the nodes' caches were filled, and one pass per mesh would cost the square of the node count.
void ComputeGlobalTransforms(KRyvNode* pRoot);

// The node's global transform from its global translation, rotation and scaling at time 0, as
// the node's cache holds it (filled by ComputeGlobalTransforms, or now when it is empty).
KAffineMatrix GlobalTransform(KRyvNode* pNode);

// Moves ioPoints, each standing for the control point pPointOf[i] (same length): first every
// shape by its weight (pShapeWeights[s], 0 where missing or not finite), p += w (shape point -
// point before the shapes), then the skin links of the mesh. pGlobal is the mesh node's global
// transform (the reference of links without an associate model).
void Apply(KRyvMesh& pMesh, const std::vector<double>& pShapeWeights,
           std::vector<KVector4>& ioPoints, const std::vector<int>& pPointOf,
           const KAffineMatrix& pGlobal);

} // namespace KMeshDeformation

#endif
