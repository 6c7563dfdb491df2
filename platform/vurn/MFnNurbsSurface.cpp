#include "platform/vurn/MFnNurbsSurface.h"

#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/VurnStatus.h"

namespace {
const VurnNurbsData& EmptySurface()
{
    static const VurnNurbsData sEmpty;
    return sEmpty;
}
} // namespace

MFnNurbsSurface::MFnNurbsSurface(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnNurbsSurface::MFnNurbsSurface(const MDagPath& pPath, MStatus* oStatus)
{
    MDagPath lPath = pPath;
    lPath.extendToShape();
    AttachPath(lPath, oStatus);
}

bool MFnNurbsSurface::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kNurbsSurface) || pObject.hasFn(MFn::kNurbsSurfaceAlt) ||
           pObject.hasFn(MFn::kNurbsSurfaceData);
}

const VurnNurbsData* MFnNurbsSurface::Geometry() const
{
    if (!isAttached()) {
        return nullptr;
    }
    VurnScene& lScene = VurnScene::Get();
    if (object().kind() == MObject::kData) {
        return lScene.Data(object().id())->mNurbs.get();
    }
    const VurnNode* lNode = lScene.Node(object().id());
    return lNode->mNurbs ? lNode->mNurbs.get() : &EmptySurface();
}

MFnNurbsSurface::Form MFnNurbsSurface::formInU() const
{
    return Geometry() ? static_cast<Form>(Geometry()->mFormU) : kInvalid;
}

MFnNurbsSurface::Form MFnNurbsSurface::formInV() const
{
    return Geometry() ? static_cast<Form>(Geometry()->mFormV) : kInvalid;
}

int MFnNurbsSurface::degreeU() const
{
    return Geometry() ? Geometry()->mDegreeU : 0;
}

int MFnNurbsSurface::degreeV() const
{
    return Geometry() ? Geometry()->mDegreeV : 0;
}

int MFnNurbsSurface::numCVsInU() const
{
    return Geometry() ? Geometry()->mCVsU : 0;
}

int MFnNurbsSurface::numCVsInV() const
{
    return Geometry() ? Geometry()->mCVsV : 0;
}

int MFnNurbsSurface::numKnotsInU() const
{
    return Geometry() ? static_cast<int>(Geometry()->mKnotsU.size()) : 0;
}

int MFnNurbsSurface::numKnotsInV() const
{
    return Geometry() ? static_cast<int>(Geometry()->mKnotsV.size()) : 0;
}

MStatus MFnNurbsSurface::Knots(const std::vector<double>& pKnots, MDoubleArray& oKnots)
{
    oKnots.clear();
    for (double lKnot : pKnots) {
        oKnots.append(lKnot);
    }
    return MStatus();
}

MStatus MFnNurbsSurface::getKnotsInU(MDoubleArray& oKnots) const
{
    return Geometry() ? Knots(Geometry()->mKnotsU, oKnots) : VurnFailure("not attached");
}

MStatus MFnNurbsSurface::getKnotsInV(MDoubleArray& oKnots) const
{
    return Geometry() ? Knots(Geometry()->mKnotsV, oKnots) : VurnFailure("not attached");
}

double MFnNurbsSurface::knotInU(int pIndex) const
{
    return pIndex >= 0 && pIndex < numKnotsInU() ? Geometry()->mKnotsU[pIndex] : 0.0;
}

double MFnNurbsSurface::knotInV(int pIndex) const
{
    return pIndex >= 0 && pIndex < numKnotsInV() ? Geometry()->mKnotsV[pIndex] : 0.0;
}

MStatus MFnNurbsSurface::getCV(int pU, int pV, MPoint& oPoint, MSpace::Space pSpace) const
{
    const VurnNurbsData* lData = Geometry();
    const size_t lIndex = static_cast<size_t>(pU) * static_cast<size_t>(numCVsInV()) + pV;
    if (!lData || pU < 0 || pV < 0 || pU >= lData->mCVsU || pV >= lData->mCVsV ||
        lIndex >= lData->mCVs.size()) {
        return VurnFailure("CV index out of range");
    }
    oPoint = lData->mCVs[lIndex];
    if (pSpace == MSpace::kWorld) {
        MDagPath lPath;
        if (!getPath(lPath)) {
            return VurnFailure("world space needs a DAG path");
        }
        oPoint = oPoint * lPath.inclusiveMatrix();
    }
    return MStatus();
}

MItSurfaceCV::MItSurfaceCV(const MDagPath& pPath, const MObject& pComponent, MStatus* oStatus)
    : mSurface(pPath)
{
    if (!mSurface.isAttached()) {
        VurnReport(oStatus, VurnFailure("not a NURBS surface"));
        return;
    }
    if (pComponent.isNull()) {
        for (int lU = 0; lU < mSurface.numCVsInU(); ++lU) {
            for (int lV = 0; lV < mSurface.numCVsInV(); ++lV) {
                mElements.emplace_back(lU, lV);
            }
        }
        VurnReport(oStatus, MStatus());
        return;
    }
    MFnDoubleIndexedComponent lComponent(pComponent);
    if (!lComponent.isAttached()) {
        VurnReport(oStatus, VurnFailure("not a CV component"));
        return;
    }
    for (int lIndex = 0; lIndex < lComponent.elementCount(); ++lIndex) {
        int lU = 0;
        int lV = 0;
        if (lComponent.getElement(lIndex, lU, lV)) {
            mElements.emplace_back(lU, lV);
        }
    }
    VurnReport(oStatus, MStatus());
}

MStatus MItSurfaceCV::getIndex(int& oU, int& oV) const
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    oU = mElements[mPosition].first;
    oV = mElements[mPosition].second;
    return MStatus();
}

MPoint MItSurfaceCV::position(MSpace::Space pSpace, MStatus* oStatus) const
{
    MPoint lPoint;
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done")
                                 : mSurface.getCV(mElements[mPosition].first,
                                                  mElements[mPosition].second, lPoint, pSpace));
    return lPoint;
}

MStatus MItSurfaceCV::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPosition;
    return MStatus();
}

MStatus MItSurfaceCV::reset()
{
    mPosition = 0;
    return MStatus();
}
