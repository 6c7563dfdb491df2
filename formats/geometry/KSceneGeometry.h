#ifndef RYVKIT_FORMATS_GEOMETRY_KSCENEGEOMETRY_H
#define RYVKIT_FORMATS_GEOMETRY_KSCENEGEOMETRY_H

class KRyvScene;

// What the geometry writers answer from FindMissingContent: null when a node of the scene holds
// a mesh, a NURBS surface or a patch, else "no mesh, NURBS or patch".
const char* FindMissingGeometry(KRyvScene* pScene);

#endif
