#ifndef RYVKIT_SCENE_KRYVCURVEDEFAULTS_H
#define RYVKIT_SCENE_KRYVCURVEDEFAULTS_H

class KFCurve;
class KFCurveNode;
class KRyvNode;

// Helpers for the scene objects that keep property values as the default values of their take
// curves (cameras, lights, materials, textures, markers). Curve values are single precision.
// Null arguments give null or do nothing; nothing here takes ownership unless it says so.

// pValue as a curve value: a finite double beyond the float range is clamped rather than
// converted (that conversion is undefined); NaN and infinities pass through.
float KRyvToCurveValue(double pValue);
// Sets the curve's default value to KRyvToCurveValue(pValue).
void KRyvSetCurveDefault(KFCurve* pCurve, double pValue);
// The direct child of that name, compared without case as KFCurveNode::Find does.
KFCurveNode* KRyvFindChildCurveNode(const KFCurveNode* pParent, const char* pName);
// The curve of channel pChannel (or of its child pChild when not null) in the node's take 0.
KFCurve* KRyvFindDefaultCurve(const KRyvNode* pNode, const char* pChannel,
                              const char* pChild = nullptr);
// Adds to pParent (not null) a child of that name (kind 0, layer 0) holding a new curve; the
// curve, or null when nothing could be made (nothing is left behind then).
KFCurve* KRyvAddCurveChild(KFCurveNode* pParent, const char* pName);
// Hands pChild to pParent (not null); destroys it when pParent refuses it.
void KRyvAddOrDestroy(KFCurveNode* pParent, KFCurveNode* pChild);

#endif
