#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNTRANSFORMCURVES_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNTRANSFORMCURVES_H

#include "core/KMatrix.h"
#include "core/KTime.h"
#include "core/KVector4.h"

#include <functional>
#include <vector>

class KFCurve;
class KPivotCurves;
class KRyvNode;
class KRyvPivotSet;

// Rewrites of a node's transform curves through the kit's pivot model.

// One frame at pRate frames per second.
KTime PeriodOf(double pRate);
// The x, y, z curves pCurves at pTime, each its default value while it has no keys.
KVector4 ValueAt(const KFCurve* const pCurves[3], KTime pTime);

// Rewrites the transform curves of every take of ioNode, their default values included, so
// that its local transform L (the full pivot model of pivot set 0, row vectors) becomes
// L * pTransform while its pivots, offsets and pre- and post-rotation stay as they are: what a
// node needs when a transform goes above it (a master scale) or comes out of its parent's
// frame (a camera's correction). Changed curves are resampled every 1 / pRate seconds. False,
// with nothing changed, when pTransform is singular or not finite.
bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate);
// The same with L becoming pTransform * L: pTransform acts on the node's own axes first, and
// the node's position stays where it is.
bool ApplyContentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate);

// The same as ApplyParentTransform with a transform that changes over time: the default take
// takes pAtRest; the current take, when it is another, pAt(t) at every key and frame of its
// curves and of pDriving (the curves pAt follows), whose samples replace the keys of its nine
// transform curves. Scaling is solved as the signed length of the axes, so a pAt that shears
// the node's axes converts approximately. False, with nothing changed, for a singular or
// non-finite pAtRest or a current take that lacks a transform curve.
bool ApplyParentTransformOverTime(KRyvNode& ioNode, const KMatrix& pAtRest,
                                  const std::function<KMatrix(KTime)>& pAt,
                                  const std::vector<const KFCurve*>& pDriving, double pRate);

// ioPivots' scaling offset curves become pOffset of the pivots at every key of them and of the
// pivot pWith (a KPivotCurves::EPivot) and every 1 / pRate seconds between, pSet giving the
// values that stand still; nothing changes while neither moves.
void ResampleScalingOffset(KPivotCurves& ioPivots, const KRyvPivotSet& pSet, int pWith,
                           double pRate,
                           const std::function<KVector4(const KRyvPivotSet&)>& pOffset);

// A uniform scale pScale after ioNode's whole local transform, kept exactly without resampling:
// translation and scaling curves of every take, rotation pivot and offset scaled, and the
// scaling offset becoming (pScale - 1) Sp + pScale So, in pivot set 0 and in ioPivots (the
// moving pivots, when not null; a scaling offset that moves with the scaling pivot is sampled at
// their keys and every 1 / pRate seconds).
void ScalePivotModel(KRyvNode& ioNode, double pScale, KPivotCurves* ioPivots, double pRate);

// The local transform of the full pivot model of pSet (in use or not, as its state says) for
// translation pT, rotation pR (degrees, in pSet's order) and scaling pS.
KMatrix PivotModelMatrix(const KRyvPivotSet& pSet, const KVector4& pT, const KVector4& pR,
                         const KVector4& pS);

// The file keeps a node's pivots as fixed values; pPivots holds how they move in ioNode's
// current take. Its translation curves there take on what the moving pivots add to the
// translation of its local transform beyond what its pivot set gives, so that the transform
// stays the same (exact at every key and frame, resampled every 1 / pRate seconds). The pivots
// move nothing else: rotation and scaling stay as they are. False when part of the pivot
// animation is not kept: nothing changes when the take lacks one of its transform curves, and
// only keys are kept past the first kMaxSampleFrames frames of a span too long for pRate.
bool KeepPivotAnimation(KRyvNode& ioNode, const KPivotCurves& pPivots, double pRate);

#endif
