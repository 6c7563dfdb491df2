#ifndef RYVKIT_PLATFORM_VURN_MFN_H
#define RYVKIT_PLATFORM_VURN_MFN_H

// The host's function-set type numbers. The numbered ones are those the plug-in's export tells
// objects apart by; the kinds it reaches only through function sets (shader kinds, anim curves,
// data objects, attribute kinds) get numbers from 1000 up, which the plug-in never tests.
namespace MFn {
enum Type : int {
    kInvalid = 0,
    kTransform = 109,
    kLookAt = 111,
    kJoint = 120,
    kCamera = 244,
    kClusterHandle = 245,
    kCameraSubKind = 275,
    kNurbsSurface = 288,
    kNurbsSurfaceAlt = 289,
    kMesh = 290,
    kLight = 296,
    kUnexportedLight = 297,
    kPointLightKindA = 299,
    kDirectionalLight = 302,
    kPointLight = 303,
    kSpotLight = 304,
    kBlendShape = 330,
    kCluster = 338,
    kClusterAlt = 340,
    kSet = 454,
    kFileTexture = 483,
    kComponent = 518,
    kNurbsCVComponent = 525,
    kMeshVertComponent = 537,
    kNumericAttribute = 548,
    kSkinClusterFilter = 665,
    kPolySmoothFacet = 677,
    kWrapFilter = 714,
    kAttribute3Double = 721,
    kAttribute3Float = 722,
    kLayeredTexture = 767,
    kPointLightKindB = 859,
    kDependencyNode = 1000,
    kDagNode = 1001,
    kWorld = 1002,
    kShape = 1003,
    kGeometryFilter = 1004,
    kLambert = 1005,
    kReflect = 1006,
    kPhong = 1007,
    kPlace2dTexture = 1008,
    kAnimCurve = 1009,
    kMeshData = 1010,
    kNurbsSurfaceData = 1011,
    kAttribute = 1012,
    kCompoundAttribute = 1013,
    kTypedAttribute = 1014,
    kMatrixAttribute = 1015,
    kMessageAttribute = 1016,
    kMeshPolygonComponent = 1017,
    kGroupId = 1018,
};
} // namespace MFn

// Numeric attribute types (MFnNumericAttribute::unitType).
namespace MFnNumericData {
enum Type : int {
    kInvalid = 0,
    kBoolean = 1,
    kByte = 2,
    kChar = 3,
    kShort = 4,
    kInt = 7,
    kFloat = 10,
    k3Float = 12,
    kDouble = 13,
    k3Double = 15,
};
} // namespace MFnNumericData

// Coordinate spaces of the function sets' queries.
namespace MSpace {
enum Space : int {
    kInvalid = 0,
    kTransform = 1,
    kObject = 2,
    kWorld = 4,
};
} // namespace MSpace

#endif
