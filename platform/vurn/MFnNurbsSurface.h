#ifndef RYVKIT_PLATFORM_VURN_MFNNURBSSURFACE_H
#define RYVKIT_PLATFORM_VURN_MFNNURBSSURFACE_H

#include "platform/vurn/MArrays.h"
#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/VurnPayloads.h"

#include <vector>

// The function set of NURBS surfaces (types 288 and 289, or a NURBS data object).
class MFnNurbsSurface : public MFnDagNode
{
public:
    enum Form : int {
        kInvalid = 0,
        kOpen = 1,
        kClosed = 2,
        kPeriodic = 3,
        kLast = 4,
    };

    MFnNurbsSurface() = default;
    explicit MFnNurbsSurface(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnNurbsSurface(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kNurbsSurface; }
    bool accepts(const MObject& pObject) const override;

    Form formInU() const;
    Form formInV() const;
    int degreeU() const;
    int degreeV() const;
    int numCVsInU() const;
    int numCVsInV() const;
    int numKnotsInU() const;
    int numKnotsInV() const;
    MStatus getKnotsInU(MDoubleArray& oKnots) const;
    MStatus getKnotsInV(MDoubleArray& oKnots) const;
    double knotInU(int pIndex) const;
    double knotInV(int pIndex) const;
    MStatus getCV(int pU, int pV, MPoint& oPoint, MSpace::Space pSpace = MSpace::kObject) const;

    const VurnNurbsData* Geometry() const;

private:
    static MStatus Knots(const std::vector<double>& pKnots, MDoubleArray& oKnots);
};

// Walks the control vertices of a surface, u-major, all of them or those of a CV component.
class MItSurfaceCV
{
public:
    explicit MItSurfaceCV(const MDagPath& pPath, const MObject& pComponent = MObject::kNullObj,
                          MStatus* oStatus = nullptr);

    MStatus getIndex(int& oU, int& oV) const;
    MPoint position(MSpace::Space pSpace = MSpace::kObject, MStatus* oStatus = nullptr) const;
    MStatus next();
    bool isDone() const { return mPosition >= mElements.size(); }
    MStatus reset();

private:
    MFnNurbsSurface mSurface;
    std::vector<std::pair<int, int>> mElements;
    size_t mPosition = 0;
};

#endif
