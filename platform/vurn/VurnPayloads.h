#ifndef RYVKIT_PLATFORM_VURN_VURNPAYLOADS_H
#define RYVKIT_PLATFORM_VURN_VURNPAYLOADS_H

#include "platform/vurn/MVector.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// The structured contents some nodes carry beside their plugs: geometry, curve keys, set
// members, blend-shape targets. Each can describe itself as text for the scene snapshot.

// One UV set of a mesh: coordinates, the coordinate id of every face-vertex (-1 unmapped) and
// the texture nodes associated with the set.
struct VurnUVSet
{
    std::string mName;
    std::vector<float> mU;
    std::vector<float> mV;
    std::vector<std::vector<int>> mIds;
    std::vector<int> mTextures;
};

// Polygon mesh geometry (a shape's or a mesh data object's). Normal and colour ids are per
// polygon per corner; a colour id of -1 means no colour.
struct VurnMeshData
{
    std::vector<MPoint> mPoints;
    std::vector<std::vector<int>> mPolygons;
    std::vector<MVector> mNormals;
    std::vector<std::vector<int>> mNormalIds;
    std::vector<VurnUVSet> mUVSets;
    std::vector<MColor> mColors;
    std::vector<std::vector<int>> mColorIds;

    // The id of corner pCorner of polygon pPolygon in pIds; -1 when either is out of range.
    static int CornerId(const std::vector<std::vector<int>>& pIds, int pPolygon, int pCorner);
    std::string Describe() const;
};

// NURBS surface geometry: control points u-major (index u * CVs in V + v), knot vectors with
// degree + CVs - 1 values each, forms 1 open, 2 closed, 3 periodic.
struct VurnNurbsData
{
    int mDegreeU = 3;
    int mDegreeV = 3;
    int mFormU = 1;
    int mFormV = 1;
    int mCVsU = 0;
    int mCVsV = 0;
    std::vector<MPoint> mCVs;
    std::vector<double> mKnotsU;
    std::vector<double> mKnotsV;

    std::string Describe() const;
};

// Host tangent types.
enum VurnTangentType : int {
    kTangentGlobal = 0,
    kTangentFixed = 1,
    kTangentLinear = 2,
    kTangentFlat = 3,
    kTangentSmooth = 4,
    kTangentStep = 5,
    kTangentSlow = 6,
    kTangentFast = 7,
    kTangentClamped = 8,
};

// One key: time in seconds, value in the driven attribute's units, tangent types, and the
// tangents as (x seconds, y value units). Only fixed tangents are kept as given; the curve
// computes the others from the neighbouring keys.
struct VurnKey
{
    double mTime = 0.0;
    double mValue = 0.0;
    int mInType = kTangentSmooth;
    int mOutType = kTangentSmooth;
    double mInX = 0.0;
    double mInY = 0.0;
    double mOutX = 0.0;
    double mOutY = 0.0;
    bool mLocked = true;
};

// An animation curve's keys, sorted by time.
struct VurnAnimCurveData
{
    std::vector<VurnKey> mKeys;
    bool mWeighted = false;

    // Sorts the keys and recomputes the tangents of every key that is not fixed.
    void Update();
    // The curve's value at pSeconds: the first or last value outside the keys, else the
    // segment's interpolation by the out-tangent type of its first key. On a weighted curve a
    // curved segment is a Bezier whose inner points lie a third of each tangent (x, y) from its
    // key, so a tangent's length shapes it; x equal to the segment's length gives the Hermite
    // segment of the unweighted curve.
    double Evaluate(double pSeconds) const;
    std::string Describe() const;

private:
    double ComputedSlope(int pIndex, int pType) const;
};

// One member of a set: a DAG path (node ids from the top down) or a dependency node (one id),
// and a component object id, -1 for the whole object.
struct VurnSetMember
{
    std::vector<int> mPath;
    int mComponent = -1;

    bool operator==(const VurnSetMember& pOther) const
    {
        return mPath == pOther.mPath && mComponent == pOther.mComponent;
    }
};

// A set's restriction (5 shading group, 0 none) and members in the order added.
struct VurnSetData
{
    int mRestriction = 0;
    std::vector<VurnSetMember> mMembers;

    std::string Describe() const;
};

// A blend shape's base objects and the target objects of each (base index, weight index).
struct VurnBlendShapeData
{
    std::vector<int> mBaseObjects;
    std::map<std::pair<int, int>, std::vector<int>> mTargets;

    std::string Describe() const;
};

#endif
