#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNNODEHELPERS_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNNODEHELPERS_H

#include "core/KMatrix.h"
#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MPlug.h"
#include "platform/vurn/MTransformationMatrix.h"

// Helpers reading host nodes for the export.

// The "sorquinTypeID" attribute's value; 0 when the node has none.
int GetSorquinTypeId(const MObject& pObject);
// The joint orient in degrees (X, Y, Z); zeros and false for a node that is not a joint.
bool GetJointOrient(const MObject& pNode, double oDegrees[3]);
// The rotate axis in degrees (Euler X, Y, Z); zeros and false for a node that is no transform.
bool GetRotateAxis(const MObject& pNode, double oDegrees[3]);
// The first node of type pType met walking the dependency graph from pNode (pDirection 0
// downstream, 1 upstream; pLevel 0 node level, 1 plug level); false, oNode null, when none.
bool FindConnectedNodeOfType(const MObject& pNode, MFn::Type pType, MObject& oNode, int pDirection,
                             int pLevel);
// The plug pAttribute of the node of pPath; ioStatus tells whether it was found.
void FindDagPlug(MStatus& ioStatus, const MDagPath& pPath, MPlug& oPlug, const char* pAttribute);
// For a failed pStatus: prints its error string, then pText followed by " \n \n"; records both
// in the host's message lines. Nothing for a success.
void ReportStatus(const MStatus& pStatus, const char* pText);
// True when a curve drives one of translate, rotate or scale X, Y, Z of pTransform.
bool HasTransformAnimCurve(const MObject& pTransform);
// True when a curve with keys drives one of pTransform's dynamic numeric attributes.
bool HasAnimatedUserAttribute(const MObject& pTransform);
// The joint's "bindPose" through getAttr, else its "worldMatrix"; false when the host answers
// neither.
bool GetJointBindMatrix(const MDagPath& pJoint, KMatrix& oMatrix);
// The host transformation as a kit matrix (both keep row vectors, so element by element).
void ConvertTransformationMatrix(const MTransformationMatrix& pTransformation, KMatrix& oMatrix);

#endif
