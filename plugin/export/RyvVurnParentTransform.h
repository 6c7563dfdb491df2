#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNPARENTTRANSFORM_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNPARENTTRANSFORM_H

class KMatrix;
class KPivotCurves;
class KRyvNode;

// Rewrites the transform curves of every take of ioNode, their default values included, so
// that its local transform L (the full pivot model of pivot set 0, row vectors) becomes
// L * pTransform while its pivots, offsets and pre- and post-rotation stay as they are: what a
// node needs when a transform goes above it (a master scale) or comes out of its parent's
// frame (a camera's correction). Changed curves are resampled every 1 / pRate seconds. False,
// with nothing changed, when pTransform is singular or not finite.
bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate);

// The file keeps a node's pivots as fixed values; pPivots holds how they move in ioNode's
// current take. Its translation curves there take on what the moving pivots add to the
// translation of its local transform beyond what its pivot set gives, so that the transform
// stays the same (exact at every key and frame, resampled every 1 / pRate seconds). The pivots
// move nothing else: rotation and scaling stay as they are. False, with nothing changed, when
// the take lacks one of its transform curves.
bool KeepPivotAnimation(KRyvNode& ioNode, const KPivotCurves& pPivots, double pRate);

#endif
