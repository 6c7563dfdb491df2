#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNPARENTTRANSFORM_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNPARENTTRANSFORM_H

class KMatrix;
class KRyvNode;

// Rewrites the transform curves of every take of ioNode, their default values included, so
// that its local transform L (the full pivot model of pivot set 0, row vectors) becomes
// L * pTransform while its pivots, offsets and pre- and post-rotation stay as they are: what a
// node needs when a transform goes above it (a master scale) or comes out of its parent's
// frame (a camera's correction). Changed curves are resampled every 1 / pRate seconds. False,
// with nothing changed, when pTransform is singular or not finite.
bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate);

#endif
