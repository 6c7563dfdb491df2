#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNFRAMECORRECTION_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNFRAMECORRECTION_H

#include "animation/KFCurve.h"
#include "core/KMatrix.h"
#include "plugin/import/KPivotCurves.h"
#include "scene/KRyvPivotSet.h"

#include <vector>

class KRyvNode;

// What the export takes out of a light's or camera's own frame in the file (the turn of its axes
// onto the kit's, a camera's scaling), kept so that its children can be given it back. It holds
// the node's frame as the host has it and as the file has it, each as pivot set 0, moving pivots
// and scaling; translation and rotation are the same in both, so they cancel out of what the
// children need, H F^-1 (row vectors, H the host's local transform, F the file's).
class RyvVurnFrameCorrection
{
public:
    // The node's frame as it stands now: pivot set 0, pPivots (the moving pivots, keyless when
    // they stand still) and the "S" curves of its default and current takes.
    void SetHostFrame(KRyvNode& pNode, const KPivotCurves& pPivots);
    void SetFileFrame(KRyvNode& pNode, const KPivotCurves& pPivots);

    // H F^-1 with the default take's values, and with the current take's at pTime.
    KMatrix AtRest() const;
    KMatrix At(KTime pTime) const;
    // The curves At follows, and whether it changes at any of their keys and frames (sampled
    // every 1 / pRate seconds).
    std::vector<const KFCurve*> Curves() const;
    bool IsAnimated(double pRate) const;

private:
    struct Frame
    {
        KRyvPivotSet mSet;
        KPivotCurves mPivots;
        KVector4 mRestScaling;
        KFCurve mScaling[3];

        void Capture(KRyvNode& pNode, const KPivotCurves& pPivots);
        KMatrix Local(KTime pTime) const;
        KMatrix RestLocal() const;
    };

    Frame mHost;
    Frame mFile;
};

#endif
