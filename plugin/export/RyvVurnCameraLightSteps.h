#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNCAMERALIGHTSTEPS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNCAMERALIGHTSTEPS_H

#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MString.h"

class RyvVurnNode;

// The static values of exported cameras and lights. Each step does nothing for a node without
// a host DAG path or without the matching kit attribute.

// The object-table key of a camera or look-at group: the look-at group's own full path, for a
// camera under a look-at group its parent's, else the camera's own. (Keys by top-level name
// would give every camera of a top-level group that group's look-at object.)
MString RecordKeyOf(const MDagPath& pPath);
// Cone angle (spot lights, degrees), colour, intensity (times 100) and fog 0 as the default
// values of the default take.
void ExportLightDefaults(const MDagPath& pPath, RyvVurnNode* pNode);
// The camera attribute's planes, lens, film, projection, up vector and look-at point, and with
// a look-at group (pLookAt not null) the look-at and up-vector targets among the camera's
// siblings (never the camera itself).
void ExportCameraAttributes(RyvVurnNode* pNode, const MObject& pLookAt);
// Field of view, optical centre and roll (from the look-at group's twist) as the default
// values of the default take.
void ExportCameraDefaults(RyvVurnNode* pNode, const MObject& pLookAt);

#endif
