#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNMATERIALEXPORT_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNMATERIALEXPORT_H

#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MObject.h"

class KRyvGeometry;
class KRyvMaterial;
class MFnMesh;

// Host shading lookups and the parts of the material export that need no exporter.

// The first set associated with the instance pPath whose restriction is "renderable only" (a
// shading group); a null object when none.
MObject GetShadingGroup(const MDagPath& pPath);
// The node connected into the shading group's "surfaceShader" when exactly one is; null
// otherwise.
MObject GetSurfaceShader(const MObject& pShadingGroup);
// Fills a new kit material from a host shader: a phong's cosine power as shininess, a
// reflecting shader's specular colour, a lambert's colour, opacity and ambient colour; grey 0.5
// ambient and diffuse for a shader that is none of these.
void FillMaterialFromShader(KRyvMaterial& ioMaterial, const MObject& pShader);
// The per-polygon-vertex colours of pMesh onto layer 0 of pGeometry (mapping by polygon
// vertex, index to direct), each component limited to [0, 1]. True with nothing changed when
// the mesh has no colour set; false, with nothing attached, when its polygons cannot be walked
// or a colour index falls outside the colours.
bool ExportVertexColors(KRyvGeometry* pGeometry, const MFnMesh& pMesh);

#endif
