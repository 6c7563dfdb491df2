#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNDEFORMERSTEPS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNDEFORMERSTEPS_H

#include "core/KMatrix.h"
#include "platform/vurn/MDagPath.h"

class KRyvGeometry;
class KRyvNode;

// Small steps shared by the cluster, skin and shape exports.

// The node holding the geometry of pNode: pNode itself, or after the pivot-to-null conversion
// (which moves a node's attribute to its "<name>__Post_" child) that child. Null when neither
// holds a mesh, NURBS surface or patch.
KRyvNode* FindGeometryNode(KRyvNode* pNode);
// The geometry FindGeometryNode finds; null when none.
KRyvGeometry* FindGeometry(KRyvNode* pNode);
// True when pNull is named as the conversion names pNode's pivot null of pSuffix:
// "<pNode's name>" + pSuffix, with or without a number appended.
bool IsPivotNullOf(const KRyvNode* pNull, const KRyvNode* pNode, const char* pSuffix);
// The child of pNode that IsPivotNullOf names its pSuffix null; null when none.
KRyvNode* FindPivotNull(KRyvNode* pNode, const char* pSuffix);
// The kit index of host NURBS CV (pU, pV) for a kit surface of pCountU x pCountV points (the
// kit's U runs along the host's V, rows of pCountU); -1 when the CV has no kit point (the
// repeated CVs of a periodic direction, or indices out of range).
int KitControlPointOfCV(int pU, int pV, int pCountU, int pCountV);
// The kit form of a host world matrix once the master scale pScale is applied above every
// node: pMatrix followed by the scaling (pScale, pScale, pScale). pScale 1.0, 0 or not finite
// (which the master-scale step refuses) give pMatrix unchanged.
KMatrix ApplyMasterScaleTo(const KMatrix& pMatrix, double pScale);

#endif
