#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNTRANSFORMEXPORT_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNTRANSFORMEXPORT_H

class KFCurve;
class KLog;
class KPivotCurves;
class KRyvPivotSet;
class KRyvTakeNode;
class MDagPath;
class MFnTransform;
class RyvVurnNode;

// The static transform state of a host transform copied into its kit node. Each step does
// nothing for a node without a host DAG path (or whose path's transform takes no transform
// function set). Angles in the kit are degrees; the host gives radians.

// Pivot set pSet: pre-rotation = joint orient, post-rotation = the inverse of the rotate axis,
// rotate and scale pivots and their translations (transform space); the set in use and the
// rotation limits active.
void ExportPivots(RyvVurnNode* pNode, int pSet);
// The host transform limits into the node's limits (rotations in degrees).
void ExportLimits(RyvVurnNode* pNode);
// The host rotation order (1 XYZ .. 6 ZYX) into pivot set 0's kit order; an unknown one
// leaves the order as it is.
void ExportRotationOrder(RyvVurnNode* pNode);
// The nine transform channels' current values as the default values of pTake's curves.
void ExportTransformDefaults(const MFnTransform& pTransform, KRyvTakeNode* pTake);
// For spot and directional lights and cameras (not the 275 kind): the post-rotation of pivot
// set 0 that turns the kit's light and camera axes onto the host's.
void ExportLightCameraPostRotation(RyvVurnNode* pNode, const MFnTransform& pTransform);
// True for the nodes that take the post-rotation above: spot and directional lights and
// cameras of any kind but 275.
bool HasFrameCorrection(const MDagPath& pPath);
// For those nodes, whose correction moves the scaling offset with the rotation pivot and the
// scale pivot translation: ioPivots' scaling offset curves become the corrected offset wherever
// either moves (pHostSet gives the still values), sampled at their keys and every 1 / pRate
// seconds. Nothing changes for other nodes or pivots that stand still.
void CorrectPivotCurves(RyvVurnNode* pNode, const KRyvPivotSet& pHostSet, KPivotCurves& ioPivots,
                        double pRate);
// The curves of the host transform's rotate pivot, rotate pivot translation, scale pivot and
// scale pivot translation into oCurves; true when any of the twelve channels is animated.
bool ExportPivotCurves(RyvVurnNode* pNode, KPivotCurves& oCurves, KLog* pLog);
// The host visibility curve into ioCurve; true, and the node made visible, when it has keys.
bool ExportVisibilityCurve(RyvVurnNode* pNode, KFCurve& ioCurve, KLog* pLog);

#endif
