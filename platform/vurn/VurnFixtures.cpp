#include "platform/vurn/VurnFixtures.h"

#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MFnSet.h"

namespace {
constexpr double kJointSpacing = 10.0;
constexpr double kJointOrientStep = 0.1;
constexpr double kClusterWeight = 0.5;
constexpr double kTargetWeight = 0.5;
constexpr int kShadingGroupRestriction = 5;
constexpr int kPatchCVs = 4;

VurnScene& Scene()
{
    return VurnScene::Get();
}

int AddShape(int pType, int pTransform, const std::string& pSuffix = "Shape")
{
    return Scene().CreateNode(pType, Scene().Node(pTransform)->mName + pSuffix, pTransform);
}

// The cube's corners: bit 0 of the index is +X, bit 1 +Y, bit 2 +Z.
void FillCube(VurnMeshData& ioMesh)
{
    for (int lCorner = 0; lCorner < 8; ++lCorner) {
        ioMesh.mPoints.emplace_back(lCorner & 1 ? 1 : -1, lCorner & 2 ? 1 : -1,
                                    lCorner & 4 ? 1 : -1);
    }
    ioMesh.mPolygons = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                        {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    ioMesh.mNormals = {MVector(0, 0, -1), MVector(0, 0, 1),  MVector(0, -1, 0),
                       MVector(0, 1, 0),  MVector(-1, 0, 0), MVector(1, 0, 0)};
    VurnUVSet lSet;
    lSet.mName = "map1";
    for (int lFace = 0; lFace < 6; ++lFace) {
        ioMesh.mNormalIds.push_back(std::vector<int>(4, lFace));
        lSet.mIds.push_back({4 * lFace, 4 * lFace + 1, 4 * lFace + 2, 4 * lFace + 3});
        for (int lCorner = 0; lCorner < 4; ++lCorner) {
            lSet.mU.push_back(lCorner == 1 || lCorner == 2 ? 1.0f : 0.0f);
            lSet.mV.push_back(lCorner >= 2 ? 1.0f : 0.0f);
        }
    }
    ioMesh.mUVSets.push_back(lSet);
    ioMesh.mColors = {MColor(1, 0, 0), MColor(0, 1, 0), MColor(0, 0, 1), MColor(1, 1, 1)};
    ioMesh.mColorIds = {{0, 1, 2, 3}};
}

void FillPlane(VurnMeshData& ioMesh, int pSize)
{
    VurnUVSet lSet;
    lSet.mName = "map1";
    for (int lZ = 0; lZ <= pSize; ++lZ) {
        for (int lX = 0; lX <= pSize; ++lX) {
            ioMesh.mPoints.emplace_back(lX, 0, lZ);
            lSet.mU.push_back(static_cast<float>(lX) / static_cast<float>(pSize));
            lSet.mV.push_back(static_cast<float>(lZ) / static_cast<float>(pSize));
        }
    }
    ioMesh.mNormals = {MVector(0, 1, 0)};
    for (int lZ = 0; lZ < pSize; ++lZ) {
        for (int lX = 0; lX < pSize; ++lX) {
            const int lFirst = lZ * (pSize + 1) + lX;
            const std::vector<int> lQuad = {lFirst, lFirst + pSize + 1, lFirst + pSize + 2,
                                            lFirst + 1};
            ioMesh.mPolygons.push_back(lQuad);
            ioMesh.mNormalIds.push_back(std::vector<int>(4, 0));
            lSet.mIds.push_back(lQuad);
        }
    }
    ioMesh.mUVSets.push_back(lSet);
}

int MeshTransform(const std::string& pName, int pParent, void (*pFill)(VurnMeshData&, int),
                  int pSize)
{
    const int lTransform = VurnFixtures::Transform(pName, pParent);
    const int lShape = AddShape(MFn::kMesh, lTransform);
    Scene().MutableNode(lShape)->mMesh = std::make_shared<VurnMeshData>();
    pFill(*Scene().MutableNode(lShape)->mMesh, pSize);
    return lTransform;
}

void FillCubeSized(VurnMeshData& ioMesh, int)
{
    FillCube(ioMesh);
}

bool IsNurbs(int pShape)
{
    return Scene().Node(pShape)->mNurbs != nullptr;
}

// The geometry input and output plugs of a mesh or NURBS shape.
const char* GeometryInput(int pShape)
{
    return IsNurbs(pShape) ? "create" : "inMesh";
}

const char* GeometryOutput(int pShape)
{
    return IsNurbs(pShape) ? "local" : "outMesh";
}

// The control points of a mesh or NURBS shape.
int ControlPointCount(int pShape)
{
    const VurnNode* lNode = Scene().Node(pShape);
    return static_cast<int>(lNode->mNurbs  ? lNode->mNurbs->mCVs.size()
                            : lNode->mMesh ? lNode->mMesh->mPoints.size()
                                           : 0);
}

// Puts pDeformer last in pShape's deformer stack: it takes what fed the shape (the
// intermediate "Orig" copy of the geometry, made for the first deformer) into input[0], and its
// outputGeometry[0] feeds the shape.
void Deform(int pDeformer, int pTransform, int pShape)
{
    VurnPlugPath lInput;
    Scene().ParsePlugPath(pShape, GeometryInput(pShape), lInput);
    VurnConnection lFeed;
    if (Scene().SourceOf(pShape, lInput, lFeed)) {
        Scene().Disconnect(pShape, lInput);
        Scene().Connect(lFeed.mSourceNode, Scene().PlugPathText(lFeed.mSource), pDeformer,
                        "input[0].inputGeometry");
    } else {
        // Copies first: creating the Orig shape may move the store's nodes.
        const VurnNode lShape = *Scene().Node(pShape);
        const int lOrig = AddShape(lShape.mType, pTransform, "ShapeOrig");
        VurnNode& lCopy = *Scene().MutableNode(lOrig);
        if (lShape.mNurbs) {
            lCopy.mNurbs = std::make_shared<VurnNurbsData>(*lShape.mNurbs);
        } else {
            lCopy.mMesh =
                std::make_shared<VurnMeshData>(lShape.mMesh ? *lShape.mMesh : VurnMeshData());
        }
        Scene().SetIntermediate(lOrig, true);
        Scene().Connect(lOrig, GeometryOutput(pShape), pDeformer, "input[0].inputGeometry");
    }
    Scene().Connect(pDeformer, "outputGeometry[0]", pShape, GeometryInput(pShape));
}

// The deformer-set member of pShape's control points pPoints: vertices of a mesh, CVs (by
// u * CVs in V + v) of a NURBS surface.
MObject PointComponent(int pShape, const std::vector<int>& pPoints)
{
    if (!IsNurbs(pShape)) {
        MFnSingleIndexedComponent lComponent;
        const MObject lVertices = lComponent.create(MFn::kMeshVertComponent);
        for (int lPoint : pPoints) {
            lComponent.addElement(lPoint);
        }
        return lVertices;
    }
    const int lCVsV = Scene().Node(pShape)->mNurbs->mCVsV;
    MFnDoubleIndexedComponent lComponent;
    const MObject lCVs = lComponent.create(MFn::kNurbsCVComponent);
    for (int lPoint : pPoints) {
        lComponent.addElement(lPoint / lCVsV, lPoint % lCVsV);
    }
    return lCVs;
}

int FileTexture(const std::string& pName, const std::string& pFile)
{
    const int lFile = Scene().CreateNode(MFn::kFileTexture, pName);
    VurnPlugPath lPath;
    Scene().ParsePlugPath(lFile, "fileTextureName", lPath);
    Scene().SetValue(lFile, lPath, VurnValue::Text(pFile));
    const int lPlace = Scene().CreateNode(MFn::kPlace2dTexture, pName + "Place");
    Scene().SetNumber(lPlace, "repeatU", 2.0);
    Scene().Connect(lPlace, "outUV", lFile, "uv");
    return lFile;
}
} // namespace

int VurnFixtures::ShapeOf(int pTransform)
{
    const VurnNode* lNode = Scene().Node(pTransform);
    for (int lChild : lNode ? lNode->mChildren : std::vector<int>()) {
        if (MObject::node(lChild).hasFn(MFn::kShape)) {
            return lChild;
        }
    }
    return -1;
}

int VurnFixtures::Transform(const std::string& pName, int pParent, const MVector& pTranslate)
{
    const int lNode = Scene().CreateNode(MFn::kTransform, pName, pParent);
    if (pTranslate.x != 0.0 || pTranslate.y != 0.0 || pTranslate.z != 0.0) {
        Scene().SetNumber(lNode, "translateX", pTranslate.x);
        Scene().SetNumber(lNode, "translateY", pTranslate.y);
        Scene().SetNumber(lNode, "translateZ", pTranslate.z);
    }
    return lNode;
}

int VurnFixtures::Cube(const std::string& pName, int pParent)
{
    return MeshTransform(pName, pParent, FillCubeSized, 0);
}

int VurnFixtures::Plane(const std::string& pName, int pSize, int pParent)
{
    return MeshTransform(pName, pParent, FillPlane, pSize < 1 ? 1 : pSize);
}

int VurnFixtures::NurbsPatch(const std::string& pName, int pParent)
{
    const int lTransform = Transform(pName, pParent);
    const int lShape = AddShape(MFn::kNurbsSurface, lTransform);
    auto lData = std::make_shared<VurnNurbsData>();
    lData->mCVsU = kPatchCVs;
    lData->mCVsV = kPatchCVs;
    for (int lU = 0; lU < kPatchCVs; ++lU) {
        for (int lV = 0; lV < kPatchCVs; ++lV) {
            lData->mCVs.emplace_back(lU, (lU + lV) % 2, lV);
        }
    }
    lData->mKnotsU = {0, 0, 0, 1, 1, 1};
    lData->mKnotsV = lData->mKnotsU;
    Scene().MutableNode(lShape)->mNurbs = lData;
    return lTransform;
}

std::vector<int> VurnFixtures::JointChain(const std::string& pPrefix, int pCount, int pParent)
{
    std::vector<int> lJoints;
    int lParent = pParent;
    for (int lIndex = 0; lIndex < pCount; ++lIndex) {
        const int lJoint =
            Scene().CreateNode(MFn::kJoint, pPrefix + std::to_string(lIndex + 1), lParent);
        if (lIndex > 0) {
            Scene().SetNumber(lJoint, "translateY", kJointSpacing);
        }
        Scene().SetNumber(lJoint, "jointOrientZ", kJointOrientStep * lIndex);
        lJoints.push_back(lJoint);
        lParent = lJoint;
    }
    return lJoints;
}

int VurnFixtures::Skin(int pMesh, const std::vector<int>& pJoints)
{
    const int lShape = ShapeOf(pMesh);
    const int lSkin = Scene().CreateNode(MFn::kSkinClusterFilter, "skinCluster");
    Deform(lSkin, pMesh, lShape);
    for (size_t lIndex = 0; lIndex < pJoints.size(); ++lIndex) {
        Scene().Connect(pJoints[lIndex], "worldMatrix[0]", lSkin,
                        "matrix[" + std::to_string(lIndex) + "]");
    }
    Scene().SetValue(lSkin, {{Scene().FindAttribute(lSkin, "geomMatrix"), -1}},
                     VurnValue::Matrix(MMatrix()));
    const int lVertices = ControlPointCount(lShape);
    for (int lVertex = 0; lVertex < lVertices && !pJoints.empty(); ++lVertex) {
        const size_t lJoint = static_cast<size_t>(lVertex) % pJoints.size();
        Scene().SetNumber(
            lSkin, "wl[" + std::to_string(lVertex) + "].w[" + std::to_string(lJoint) + "]", 1.0);
    }
    return lSkin;
}

int VurnFixtures::Cluster(const std::string& pName, int pMesh, const std::vector<int>& pVertices)
{
    const int lShape = ShapeOf(pMesh);
    const int lCluster = Scene().CreateNode(MFn::kCluster, pName);
    Deform(lCluster, pMesh, lShape);
    const int lGroupId = Scene().CreateNode(MFn::kGroupId, pName + "GroupId");
    Scene().SetNumber(lGroupId, "groupId", 1);
    Scene().Connect(lGroupId, "groupId", lCluster, "input[0].groupId");
    const int lHandle = Transform(pName + "Handle");
    const int lHandleShape = AddShape(MFn::kClusterHandle, lHandle);
    Scene().Connect(lHandleShape, "clusterTransforms[0]", lCluster, "clusterXforms");
    const int lSet = Scene().CreateNode(MFn::kSet, pName + "Set");
    Scene().Connect(lCluster, "message", lSet, "usedBy[0]");
    for (int lVertex : pVertices) {
        Scene().SetNumber(lCluster, "wl[0].w[" + std::to_string(lVertex) + "]", kClusterWeight);
    }
    MDagPath lPath;
    MDagPath::getAPathTo(MObject::node(lShape), lPath);
    MFnSet(MObject::node(lSet)).addMember(lPath, PointComponent(lShape, pVertices));
    return lCluster;
}

int VurnFixtures::BlendShape(const std::string& pName, int pMesh, const std::vector<int>& pTargets)
{
    const int lShape = ShapeOf(pMesh);
    const int lBlend = Scene().CreateNode(MFn::kBlendShape, pName);
    Deform(lBlend, pMesh, lShape);
    MFnBlendShapeDeformer lDeformer(MObject::node(lBlend));
    for (size_t lIndex = 0; lIndex < pTargets.size(); ++lIndex) {
        lDeformer.addTarget(MObject::node(lShape), static_cast<int>(lIndex),
                            MObject::node(ShapeOf(pTargets[lIndex])), kTargetWeight);
    }
    return lBlend;
}

int VurnFixtures::Smooth(const std::string& pName, int pMesh)
{
    const int lSmooth = Scene().CreateNode(MFn::kPolySmoothFacet, pName);
    Scene().Connect(ShapeOf(pMesh), "outMesh", lSmooth, "inputPolymesh");
    return lSmooth;
}

int VurnFixtures::ShaderNetwork(const std::string& pName, int pMesh)
{
    const int lPhong = Scene().CreateNode(MFn::kPhong, pName);
    Scene().SetNumber(lPhong, "cosinePower", 12.0);
    const int lFile = FileTexture(pName + "File", "textures/wood.tif");
    Scene().Connect(lFile, "outColor", lPhong, "color");
    const int lLayered = Scene().CreateNode(MFn::kLayeredTexture, pName + "Layered");
    Scene().Connect(FileTexture(pName + "Base", "textures/base.tif"), "outColor", lLayered,
                    "inputs[0].color");
    Scene().Connect(FileTexture(pName + "Top", "textures/top.tif"), "outColor", lLayered,
                    "inputs[1].color");
    Scene().SetNumber(lLayered, "inputs[1].blendMode", 4);
    const int lGroup = Scene().CreateNode(MFn::kSet, pName + "SG");
    Scene().MutableNode(lGroup)->mSet = std::make_shared<VurnSetData>();
    Scene().MutableNode(lGroup)->mSet->mRestriction = kShadingGroupRestriction;
    Scene().Connect(lPhong, "outColor", lGroup, "surfaceShader");
    const int lShape = ShapeOf(pMesh);
    MDagPath lPath;
    MDagPath::getAPathTo(MObject::node(lShape), lPath);
    MFnSet(MObject::node(lGroup)).addMember(lPath);
    VurnMeshData* lMesh = Scene().MutableNode(lShape)->mMesh.get();
    if (lMesh && !lMesh->mUVSets.empty()) {
        lMesh->mUVSets[0].mTextures.push_back(lFile);
    }
    return lGroup;
}

int VurnFixtures::CameraWithLookAt(const std::string& pName)
{
    const int lGroup = Scene().CreateNode(MFn::kLookAt, pName + "_group");
    Scene().SetNumber(lGroup, "twist", 0.25);
    const int lCamera = Transform(pName, lGroup, MVector(0, 5, 20));
    const int lShape = AddShape(MFn::kCamera, lCamera);
    Scene().SetNumber(lShape, "focalLength", 50.0);
    Transform(pName + "_aim", lGroup);
    return lCamera;
}

void VurnFixtures::DefaultCameras()
{
    for (const char* lName : {"persp", "top", "front", "side"}) {
        AddShape(MFn::kCamera, Transform(lName));
    }
}

int VurnFixtures::Light(const std::string& pName, int pType)
{
    const int lTransform = Transform(pName);
    const int lShape = AddShape(pType, lTransform);
    Scene().SetNumber(lShape, "intensity", 2.0);
    Scene().SetNumber(lShape, "colorG", 0.5);
    return lTransform;
}

int VurnFixtures::AnimateChannels(int pNode)
{
    MFnDependencyNode lNode(MObject::node(pNode));
    MFnAnimCurve lTranslate;
    const MObject lCurve = lTranslate.create(lNode.findPlug("translateX"));
    lTranslate.addKey(MTime(0.0), 0.0, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    lTranslate.addKey(MTime(1.0), 10.0, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    MFnAnimCurve lRotate;
    lRotate.create(lNode.findPlug("rotateY"));
    for (int lKey = 0; lKey < 3; ++lKey) {
        lRotate.addKey(MTime(0.5 * lKey), 0.5 * (lKey % 2));
    }
    MFnAnimCurve lVisibility;
    lVisibility.create(lNode.findPlug("visibility"));
    lVisibility.addKey(MTime(0.0), 1.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep);
    lVisibility.addKey(MTime(0.5), 0.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep);
    return lCurve.id();
}
