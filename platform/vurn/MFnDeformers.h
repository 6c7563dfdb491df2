#ifndef RYVKIT_PLATFORM_VURN_MFNDEFORMERS_H
#define RYVKIT_PLATFORM_VURN_MFNDEFORMERS_H

#include "platform/vurn/MArrays.h"
#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MFnDependencyNode.h"

// The function sets of deformers. A geometry filter takes its shapes through
// "input"[i]."inputGeometry" and gives them through "outputGeometry"[i]; the geometry lists
// follow the logical indices.
class MFnGeometryFilter : public MFnDependencyNode
{
public:
    MFnGeometryFilter() = default;
    explicit MFnGeometryFilter(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kGeometryFilter; }

    MStatus getInputGeometry(MObjectArray& oObjects) const;
    MStatus getOutputGeometry(MObjectArray& oObjects) const;
    float envelope() const { return static_cast<float>(Number("envelope")); }
    MStatus setEnvelope(float pValue) { return SetNumber("envelope", pValue); }

protected:
    // The nodes at the other end of the connections of the elements of array plug pArray (and
    // of their pChild, when given), by ascending logical index.
    MObjectArray ConnectedNodes(const char* pArray, const char* pChild, bool pAsDestination) const;
};

// A skin: influence transforms connected "worldMatrix" -> "matrix"[L]; the weight of vertex v
// for the influence at logical index L is "weightList"[v]."weights"[L] (0 when not set).
class MFnSkinCluster : public MFnGeometryFilter
{
public:
    MFnSkinCluster() = default;
    explicit MFnSkinCluster(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kSkinClusterFilter; }

    // The influence paths by ascending logical index; their count.
    unsigned int influenceObjects(MDagPathArray& oPaths, MStatus* oStatus = nullptr) const;
    // The logical index of the influence; failure when it is not one.
    unsigned int indexForInfluenceObject(const MDagPath& pPath, MStatus* oStatus = nullptr) const;
    // The weights of the influence at logical index pIndex for each vertex of pComponent (a
    // complete or listed vertex component; CV components go u-major by u * CVs in V + v).
    MStatus getWeights(const MDagPath& pShape, const MObject& pComponent, unsigned int pIndex,
                       MDoubleArray& oWeights) const;

private:
    std::vector<int> ComponentVertices(const MDagPath& pShape, const MObject& pComponent) const;
};

// A blend shape: "weight"[i] plugs, base objects, and targets per (base, weight index).
class MFnBlendShapeDeformer : public MFnGeometryFilter
{
public:
    MFnBlendShapeDeformer() = default;
    explicit MFnBlendShapeDeformer(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kBlendShape; }

    unsigned int numWeights(MStatus* oStatus = nullptr) const;
    MStatus weightIndexList(MIntArray& oIndices) const;
    float weight(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MStatus getBaseObjects(MObjectArray& oObjects) const;
    MStatus getTargets(const MObject& pBase, int pWeightIndex, MObjectArray& oTargets) const;
    // Adds pTarget for (pBase, pWeightIndex), adding pBase to the bases and the weight plug
    // when needed.
    MStatus addTarget(const MObject& pBase, int pWeightIndex, const MObject& pTarget,
                      double pWeight = 0.0);
};

#endif
