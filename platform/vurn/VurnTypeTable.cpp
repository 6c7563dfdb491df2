#include "platform/vurn/VurnTypeTable.h"

#include "platform/vurn/MFn.h"
#include "platform/vurn/VurnScene.h"

#include <cctype>
#include <cmath>

namespace {
struct TypeEntry
{
    int mType;
    int mParent;
    const char* mName;
};

constexpr TypeEntry kTypes[] = {
    {MFn::kDependencyNode, 0, "dependNode"},
    {MFn::kDagNode, MFn::kDependencyNode, "dagNode"},
    {MFn::kWorld, MFn::kDagNode, "world"},
    {MFn::kTransform, MFn::kDagNode, "transform"},
    {MFn::kLookAt, MFn::kTransform, "lookAt"},
    {MFn::kJoint, MFn::kTransform, "joint"},
    {MFn::kShape, MFn::kDagNode, "shape"},
    {MFn::kCamera, MFn::kShape, "camera"},
    {MFn::kCameraSubKind, MFn::kCamera, "cameraSubKind"},
    {MFn::kClusterHandle, MFn::kShape, "clusterHandle"},
    {MFn::kNurbsSurface, MFn::kShape, "nurbsSurface"},
    {MFn::kNurbsSurfaceAlt, MFn::kShape, "nurbsSurfaceAlt"},
    {MFn::kMesh, MFn::kShape, "mesh"},
    {MFn::kLight, MFn::kShape, "light"},
    {MFn::kUnexportedLight, MFn::kLight, "unexportedLight"},
    {MFn::kPointLightKindA, MFn::kLight, "pointLightKindA"},
    {MFn::kPointLightKindB, MFn::kLight, "pointLightKindB"},
    {MFn::kDirectionalLight, MFn::kLight, "directionalLight"},
    {MFn::kPointLight, MFn::kLight, "pointLight"},
    {MFn::kSpotLight, MFn::kLight, "spotLight"},
    {MFn::kGeometryFilter, MFn::kDependencyNode, "geometryFilter"},
    {MFn::kBlendShape, MFn::kGeometryFilter, "blendShape"},
    {MFn::kCluster, MFn::kGeometryFilter, "cluster"},
    {MFn::kClusterAlt, MFn::kGeometryFilter, "clusterAlt"},
    {MFn::kSkinClusterFilter, MFn::kGeometryFilter, "skinCluster"},
    {MFn::kWrapFilter, MFn::kGeometryFilter, "wrap"},
    {MFn::kPolySmoothFacet, MFn::kDependencyNode, "polySmoothFacet"},
    {MFn::kSet, MFn::kDependencyNode, "objectSet"},
    {MFn::kLambert, MFn::kDependencyNode, "lambert"},
    {MFn::kReflect, MFn::kLambert, "reflect"},
    {MFn::kPhong, MFn::kReflect, "phong"},
    {MFn::kFileTexture, MFn::kDependencyNode, "file"},
    {MFn::kLayeredTexture, MFn::kDependencyNode, "layeredTexture"},
    {MFn::kPlace2dTexture, MFn::kDependencyNode, "place2dTexture"},
    {MFn::kAnimCurve, MFn::kDependencyNode, "animCurve"},
    {MFn::kGroupId, MFn::kDependencyNode, "groupId"},
    {MFn::kMeshData, 0, "meshData"},
    {MFn::kNurbsSurfaceData, 0, "nurbsSurfaceData"},
    {MFn::kComponent, 0, "component"},
    {MFn::kMeshVertComponent, MFn::kComponent, "meshVertComponent"},
    {MFn::kMeshPolygonComponent, MFn::kComponent, "meshPolygonComponent"},
    {MFn::kNurbsCVComponent, MFn::kComponent, "nurbsCVComponent"},
    {MFn::kAttribute, 0, "attribute"},
    {MFn::kNumericAttribute, MFn::kAttribute, "numericAttribute"},
    {MFn::kCompoundAttribute, MFn::kAttribute, "compoundAttribute"},
    {MFn::kAttribute3Double, MFn::kCompoundAttribute, "attribute3Double"},
    {MFn::kAttribute3Float, MFn::kCompoundAttribute, "attribute3Float"},
    {MFn::kTypedAttribute, MFn::kAttribute, "typedAttribute"},
    {MFn::kMatrixAttribute, MFn::kAttribute, "matrixAttribute"},
    {MFn::kMessageAttribute, MFn::kAttribute, "messageAttribute"},
};

const TypeEntry* Find(int pType)
{
    for (const auto& lEntry : kTypes) {
        if (lEntry.mType == pType) {
            return &lEntry;
        }
    }
    return nullptr;
}

constexpr double kDefaultConeAngle = 40.0 * M_PI / 180.0;
constexpr double kDefaultFocalLength = 35.0;
constexpr double kDefaultNearClip = 0.1;
constexpr double kDefaultFarClip = 10000.0;
constexpr double kDefaultHorizontalAperture = 1.41732;
constexpr double kDefaultVerticalAperture = 0.94488;
constexpr double kDefaultFocusDistance = 5.0;
constexpr double kDefaultFilmFit = 1.0;
constexpr double kDefaultShaderColor = 0.5;
constexpr double kDefaultCosinePower = 20.0;
constexpr double kDefaultCurvePrecision = 4.0;
constexpr double kDefaultBlendMode = 1.0;

VurnAttribute Numeric(const char* pName, const char* pShort, int pUnit, double pDefault = 0.0)
{
    VurnAttribute lAttribute;
    lAttribute.mName = pName;
    lAttribute.mShortName = pShort;
    lAttribute.mKind = VurnAttributeKind::kNumeric;
    lAttribute.mApiType = MFn::kNumericAttribute;
    lAttribute.mUnitType = pUnit;
    lAttribute.mDefault = pDefault;
    return lAttribute;
}

VurnAttribute Typed(const char* pName, const char* pShort, VurnAttributeKind pKind,
                    bool pArray = false)
{
    VurnAttribute lAttribute;
    lAttribute.mName = pName;
    lAttribute.mShortName = pShort;
    lAttribute.mKind = pKind;
    lAttribute.mArray = pArray;
    lAttribute.mApiType = pKind == VurnAttributeKind::kMatrix     ? MFn::kMatrixAttribute
                          : pKind == VurnAttributeKind::kMessage  ? MFn::kMessageAttribute
                          : pKind == VurnAttributeKind::kCompound ? MFn::kCompoundAttribute
                                                                  : MFn::kTypedAttribute;
    return lAttribute;
}

// A compound of three double children named pName + pSuffixes.
void Triple(VurnScene& ioScene, int pType, const char* pName, const char* pShort, double pDefault,
            bool pColor = false, const char* pSuffixes = "XYZ")
{
    VurnAttribute lParent = Typed(pName, pShort, VurnAttributeKind::kCompound);
    lParent.mApiType = MFn::kAttribute3Double;
    lParent.mUnitType = MFnNumericData::k3Double;
    lParent.mUsedAsColor = pColor;
    std::vector<VurnAttribute> lChildren;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        const std::string lLong = std::string(pName) + pSuffixes[lAxis];
        const std::string lShort =
            std::string(pShort) +
            static_cast<char>(std::tolower(static_cast<unsigned char>(pSuffixes[lAxis])));
        lChildren.push_back(Numeric("", "", MFnNumericData::kDouble, pDefault));
        lChildren.back().mName = lLong;
        lChildren.back().mShortName = lShort;
    }
    ioScene.AddStaticAttribute(pType, lParent, lChildren);
}

void Add(VurnScene& ioScene, int pType, const VurnAttribute& pAttribute)
{
    ioScene.AddStaticAttribute(pType, pAttribute);
}

// Limit value plugs of the host limit types, index = limit type.
constexpr int kLimitTypeCount = 24;
const char* const kLimitNames[kLimitTypeCount] = {
    "minScaleXLimit", "maxScaleXLimit", "minScaleYLimit", "maxScaleYLimit", "minScaleZLimit",
    "maxScaleZLimit", nullptr,          nullptr,          nullptr,          nullptr,
    nullptr,          nullptr,          "minRotXLimit",   "maxRotXLimit",   "minRotYLimit",
    "maxRotYLimit",   "minRotZLimit",   "maxRotZLimit",   "minTransXLimit", "maxTransXLimit",
    "minTransYLimit", "maxTransYLimit", "minTransZLimit", "maxTransZLimit"};

void RegisterTransform(VurnScene& ioScene)
{
    const int lT = MFn::kTransform;
    Triple(ioScene, lT, "translate", "t", 0.0);
    Triple(ioScene, lT, "rotate", "r", 0.0);
    Triple(ioScene, lT, "scale", "s", 1.0);
    Add(ioScene, lT, Numeric("rotateOrder", "ro", MFnNumericData::kShort));
    Triple(ioScene, lT, "rotatePivot", "rp", 0.0);
    Triple(ioScene, lT, "rotatePivotTranslation", "rpt", 0.0);
    Triple(ioScene, lT, "scalePivot", "sp", 0.0);
    Triple(ioScene, lT, "scalePivotTranslation", "spt", 0.0);
    Triple(ioScene, lT, "rotateAxis", "ra", 0.0);
    for (const char* lName : kLimitNames) {
        if (lName) {
            Add(ioScene, lT, Numeric(lName, lName, MFnNumericData::kDouble));
            const std::string lEnable = std::string(lName) + "Enable";
            Add(ioScene, lT, Numeric(lEnable.c_str(), lEnable.c_str(), MFnNumericData::kBoolean));
        }
    }
    Triple(ioScene, MFn::kJoint, "jointOrient", "jo", 0.0);
    Add(ioScene, MFn::kJoint, Typed("bindPose", "bps", VurnAttributeKind::kMatrix));
    Add(ioScene, MFn::kJoint,
        Numeric("segmentScaleCompensate", "ssc", MFnNumericData::kBoolean, 1.0));
    Add(ioScene, MFn::kLookAt, Numeric("twist", "tws", MFnNumericData::kDouble));
}

void RegisterCameraAndLights(VurnScene& ioScene)
{
    const int lC = MFn::kCamera;
    Add(ioScene, lC, Numeric("focalLength", "fl", MFnNumericData::kDouble, kDefaultFocalLength));
    Add(ioScene, lC, Numeric("nearClipPlane", "ncp", MFnNumericData::kDouble, kDefaultNearClip));
    Add(ioScene, lC, Numeric("farClipPlane", "fcp", MFnNumericData::kDouble, kDefaultFarClip));
    Add(ioScene, lC, Numeric("lensSqueezeRatio", "lsr", MFnNumericData::kDouble, 1.0));
    Add(ioScene, lC, Numeric("filmFit", "ff", MFnNumericData::kShort, kDefaultFilmFit));
    Add(ioScene, lC,
        Numeric("horizontalFilmAperture", "hfa", MFnNumericData::kDouble,
                kDefaultHorizontalAperture));
    Add(ioScene, lC,
        Numeric("verticalFilmAperture", "vfa", MFnNumericData::kDouble, kDefaultVerticalAperture));
    Add(ioScene, lC, Numeric("orthographic", "o", MFnNumericData::kBoolean));
    Add(ioScene, lC,
        Numeric("focusDistance", "fd", MFnNumericData::kDouble, kDefaultFocusDistance));
    Triple(ioScene, MFn::kLight, "color", "cl", 1.0, true, "RGB");
    Add(ioScene, MFn::kLight, Numeric("intensity", "in", MFnNumericData::kDouble, 1.0));
    Add(ioScene, MFn::kSpotLight,
        Numeric("coneAngle", "ca", MFnNumericData::kDouble, kDefaultConeAngle));
}

void RegisterGeometry(VurnScene& ioScene)
{
    Add(ioScene, MFn::kMesh, Typed("inMesh", "i", VurnAttributeKind::kData));
    Add(ioScene, MFn::kMesh, Typed("outMesh", "o", VurnAttributeKind::kData));
    for (int lType : {MFn::kNurbsSurface, MFn::kNurbsSurfaceAlt}) {
        Add(ioScene, lType, Typed("create", "cr", VurnAttributeKind::kData));
        Add(ioScene, lType, Typed("local", "l", VurnAttributeKind::kData));
    }
    Add(ioScene, MFn::kNurbsSurface,
        Numeric("curvePrecisionShaded", "cps", MFnNumericData::kInt, kDefaultCurvePrecision));
    Add(ioScene, MFn::kNurbsSurfaceAlt,
        Numeric("curvePrecisionShaded", "cps", MFnNumericData::kInt, kDefaultCurvePrecision));
    Add(ioScene, MFn::kClusterHandle,
        Typed("clusterTransforms", "ct", VurnAttributeKind::kMessage, true));
    Add(ioScene, MFn::kPolySmoothFacet, Numeric("divisions", "dv", MFnNumericData::kInt, 1.0));
    Add(ioScene, MFn::kPolySmoothFacet, Typed("inputPolymesh", "ip", VurnAttributeKind::kData));
    Add(ioScene, MFn::kPolySmoothFacet, Typed("output", "out", VurnAttributeKind::kData));
}

// A compound array whose children are given.
void CompoundArray(VurnScene& ioScene, int pType, const char* pName, const char* pShort,
                   const std::vector<VurnAttribute>& pChildren)
{
    ioScene.AddStaticAttribute(pType, Typed(pName, pShort, VurnAttributeKind::kCompound, true),
                               pChildren);
}

void RegisterDeformers(VurnScene& ioScene)
{
    const int lG = MFn::kGeometryFilter;
    Add(ioScene, lG, Numeric("envelope", "en", MFnNumericData::kFloat, 1.0));
    CompoundArray(ioScene, lG, "input", "ip",
                  {Typed("inputGeometry", "ig", VurnAttributeKind::kData),
                   Numeric("groupId", "gi", MFnNumericData::kInt)});
    Add(ioScene, lG, Typed("outputGeometry", "og", VurnAttributeKind::kData, true));
    VurnAttribute lWeights = Numeric("weights", "w", MFnNumericData::kDouble, 1.0);
    lWeights.mArray = true;
    for (int lType : {MFn::kSkinClusterFilter, MFn::kCluster, MFn::kClusterAlt}) {
        CompoundArray(ioScene, lType, "weightList", "wl", {lWeights});
    }
    Add(ioScene, MFn::kSkinClusterFilter, Typed("matrix", "ma", VurnAttributeKind::kMatrix, true));
    VurnAttribute lGeomMatrix = Typed("geomMatrix", "gm", VurnAttributeKind::kMatrix);
    lGeomMatrix.mIdentityDefault = true;
    Add(ioScene, MFn::kSkinClusterFilter, lGeomMatrix);
    for (int lType : {MFn::kCluster, MFn::kClusterAlt}) {
        Add(ioScene, lType, Numeric("relative", "rel", MFnNumericData::kBoolean));
        Add(ioScene, lType, Typed("clusterXforms", "x", VurnAttributeKind::kMessage));
    }
    VurnAttribute lBlendWeight = Numeric("weight", "w", MFnNumericData::kFloat);
    lBlendWeight.mArray = true;
    Add(ioScene, MFn::kBlendShape, lBlendWeight);
}

void RegisterShading(VurnScene& ioScene)
{
    Add(ioScene, MFn::kSet, Typed("surfaceShader", "ss", VurnAttributeKind::kMessage));
    Add(ioScene, MFn::kSet, Typed("usedBy", "ub", VurnAttributeKind::kMessage, true));
    Triple(ioScene, MFn::kLambert, "color", "c", kDefaultShaderColor, true, "RGB");
    Triple(ioScene, MFn::kLambert, "transparency", "it", 0.0, true, "RGB");
    Triple(ioScene, MFn::kLambert, "ambientColor", "ambc", 0.0, true, "RGB");
    Triple(ioScene, MFn::kLambert, "outColor", "oc", 0.0, true, "RGB");
    Triple(ioScene, MFn::kReflect, "specularColor", "sc", kDefaultShaderColor, true, "RGB");
    Add(ioScene, MFn::kPhong,
        Numeric("cosinePower", "cp", MFnNumericData::kDouble, kDefaultCosinePower));
    const int lP = MFn::kPlace2dTexture;
    for (const char* lName :
         {"offsetU", "offsetV", "translateFrameU", "translateFrameV", "rotateFrame", "rotateUV"}) {
        Add(ioScene, lP, Numeric(lName, lName, MFnNumericData::kDouble));
    }
    Add(ioScene, lP, Numeric("repeatU", "reu", MFnNumericData::kDouble, 1.0));
    Add(ioScene, lP, Numeric("repeatV", "rev", MFnNumericData::kDouble, 1.0));
    Add(ioScene, lP, Typed("outUV", "ouv", VurnAttributeKind::kMessage));
    const int lF = MFn::kFileTexture;
    Add(ioScene, lF, Typed("fileTextureName", "ftn", VurnAttributeKind::kText));
    Add(ioScene, lF, Typed("uv", "uv", VurnAttributeKind::kMessage));
    Triple(ioScene, lF, "outColor", "oc", 0.0, true, "RGB");
    Add(ioScene, lF, Numeric("outAlpha", "oa", MFnNumericData::kFloat));
    const int lL = MFn::kLayeredTexture;
    CompoundArray(ioScene, lL, "inputs", "cs",
                  {Typed("color", "c", VurnAttributeKind::kMessage),
                   Numeric("alpha", "a", MFnNumericData::kFloat, 1.0),
                   Numeric("blendMode", "bm", MFnNumericData::kInt, kDefaultBlendMode)});
    Triple(ioScene, lL, "outColor", "oc", 0.0, true, "RGB");
    Add(ioScene, MFn::kAnimCurve, Numeric("output", "o", MFnNumericData::kDouble));
    Add(ioScene, MFn::kGroupId, Numeric("groupId", "id", MFnNumericData::kInt));
}
} // namespace

int VurnTypeTable::Parent(int pType)
{
    const TypeEntry* lEntry = Find(pType);
    return lEntry ? lEntry->mParent : 0;
}

bool VurnTypeTable::IsA(int pType, int pAncestor)
{
    for (int lType = pType; lType != 0; lType = Parent(lType)) {
        if (lType == pAncestor) {
            return true;
        }
    }
    return false;
}

const char* VurnTypeTable::LimitPlugName(int pType)
{
    return pType >= 0 && pType < kLimitTypeCount ? kLimitNames[pType] : nullptr;
}

bool VurnTypeTable::IsKnown(int pType)
{
    return Find(pType) != nullptr;
}

const char* VurnTypeTable::Name(int pType)
{
    const TypeEntry* lEntry = Find(pType);
    return lEntry ? lEntry->mName : "";
}

void VurnTypeTable::RegisterAttributes(VurnScene& ioScene)
{
    Add(ioScene, MFn::kDependencyNode, Typed("message", "msg", VurnAttributeKind::kMessage));
    Add(ioScene, MFn::kDagNode, Numeric("visibility", "v", MFnNumericData::kBoolean, 1.0));
    Add(ioScene, MFn::kDagNode, Typed("worldMatrix", "wm", VurnAttributeKind::kMatrix, true));
    RegisterTransform(ioScene);
    RegisterCameraAndLights(ioScene);
    RegisterGeometry(ioScene);
    RegisterDeformers(ioScene);
    RegisterShading(ioScene);
}
