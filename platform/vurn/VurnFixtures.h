#ifndef RYVKIT_PLATFORM_VURN_VURNFIXTURES_H
#define RYVKIT_PLATFORM_VURN_VURNFIXTURES_H

#include "platform/vurn/VurnScene.h"

#include <string>
#include <vector>

// Builders of small host scenes for tests, into the current scene. Each answers the id of the
// transform (or node) it made; shapes are named after their transform + "Shape". Lengths in
// centimetres, angles in radians, times in seconds.
class VurnFixtures
{
public:
    // A transform under pParent (the world by default) at pTranslate.
    static int Transform(const std::string& pName, int pParent = VurnScene::kWorld,
                         const MVector& pTranslate = MVector());
    // A 2 x 2 x 2 cube centred on the origin: 8 vertices, 6 quads, one normal per face, the UV
    // set "map1" (4 coordinates per face) and one colour per face-vertex of the first face.
    static int Cube(const std::string& pName, int pParent = VurnScene::kWorld);
    // A pSize x pSize grid of unit quads in the XZ plane, normals +Y, UVs "map1".
    static int Plane(const std::string& pName, int pSize = 2, int pParent = VurnScene::kWorld);
    // A degree-3 open patch of 4 x 4 CVs on a unit grid, knots 0 0 0 1 1 1 both ways.
    static int NurbsPatch(const std::string& pName, int pParent = VurnScene::kWorld);
    // pCount joints, each 10 along Y from its parent, with joint orient (0, 0, 0.1 * index).
    static std::vector<int> JointChain(const std::string& pPrefix, int pCount,
                                       int pParent = VurnScene::kWorld);
    // The deformers below take a mesh or a NURBS transform (pMesh) and go last in its shape's
    // deformer stack: the first one gets an intermediate "Orig" copy of the geometry as its
    // input, each further one takes what fed the shape, so that blend shape, cluster and skin
    // can be stacked.
    // A skin over pMesh's shape with pJoints as influences at logical indices 0, 1, ...;
    // control point v weighs 1 on joint v % count. Answers the skin node.
    static int Skin(int pMesh, const std::vector<int>& pJoints);
    // A cluster (338) deforming control points pVertices of pMesh's shape (NURBS CVs by
    // u * CVs in V + v) with weight 0.5 each, its group id connected from a group-id node, its
    // handle transform "<name>Handle" with a handle shape, and its deformer set. Answers the
    // cluster node.
    static int Cluster(const std::string& pName, int pMesh, const std::vector<int>& pVertices);
    // A blend shape on pMesh's shape with one target per given mesh at weight indices 0, 1...,
    // weights 0.5. Answers the blend-shape node.
    static int BlendShape(const std::string& pName, int pMesh, const std::vector<int>& pTargets);
    // A smoothing node (677) fed by pMesh's shape, "divisions" 1. Answers the node.
    static int Smooth(const std::string& pName, int pMesh);
    // A phong shader with a file texture (placed by a placement node) on its colour, a layered
    // texture over two file textures, and a shading group holding pMesh's shape (a mesh, whose
    // first UV set then names the file texture, or a NURBS surface). Answers the shading group.
    static int ShaderNetwork(const std::string& pName, int pMesh);
    // A camera under a look-at group; answers the camera transform.
    static int CameraWithLookAt(const std::string& pName);
    // The default cameras persp, top, front and side with their shapes.
    static void DefaultCameras();
    // A light transform and shape of pType (302, 303, 304, 297...).
    static int Light(const std::string& pName, int pType);
    // Curves on pNode: translateX linear 0 -> 10 over 0..1 s, rotateY smooth over three keys,
    // visibility stepped. Answers the translateX curve node.
    static int AnimateChannels(int pNode);

    // The first shape child of pTransform; -1 when none.
    static int ShapeOf(int pTransform);
};

#endif
