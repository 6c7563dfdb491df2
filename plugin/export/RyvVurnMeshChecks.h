#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNMESHCHECKS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNMESHCHECKS_H

#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MObject.h"
#include "platform/vurn/MStatus.h"
#include "platform/vurn/MString.h"

class KLog;

// What the mesh checks chose for one geometry node: the host shape the node stands for, the
// geometry whose points are read (the shape, or a skin's undeformed input), the value of that
// skin's first input (null without one) and the host command that puts back what the checks
// changed (empty when nothing was changed).
struct RyvVurnExportShape
{
    MObject mShape;
    MObject mSource;
    MObject mInputData;
    MString mRestoreCommand;
};

// The mesh checks of one geometry path (a transform, or a shape under a transform with several
// children). The shape is the transform's child pChildIndex, or its first shape child that is
// not intermediate when that child is none. With kExportBindPose on, a wrap deformer upstream is
// reported (the dialog once per export, through ioWrapWarningShown) and the shape kept; a skin
// upstream gives its input geometry as the source, and a smoothing node beside the skin has its
// "divisions" set to 0 until the caller runs oResult.mRestoreCommand. Answers whether a shape
// was found; oStatus is a success unless a host call failed.
bool ResolveExportShape(MStatus& oStatus, const MDagPath& pPath, KLog& ioLog, int pChildIndex,
                        bool& ioWrapWarningShown, RyvVurnExportShape& oResult);

// Puts a shape's deformers back when a geometry export is done with it: set the blend shape
// upstream of pShape to an envelope of 0 (its old value kept) at construction, and at
// destruction run the restore command given (when not empty), then give the envelope back.
// The export paths leave through any return, so the restore cannot be forgotten on one.
class RyvVurnShapeReadGuard
{
public:
    explicit RyvVurnShapeReadGuard(const MObject& pShape);
    ~RyvVurnShapeReadGuard();
    RyvVurnShapeReadGuard(const RyvVurnShapeReadGuard&) = delete;
    RyvVurnShapeReadGuard& operator=(const RyvVurnShapeReadGuard&) = delete;

    void SetRestoreCommand(const MString& pCommand) { mRestoreCommand = pCommand; }

private:
    MObject mBlendShape;
    float mEnvelope = 0.0f;
    MString mRestoreCommand;
};

#endif
