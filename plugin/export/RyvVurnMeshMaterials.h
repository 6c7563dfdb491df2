#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNMESHMATERIALS_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNMESHMATERIALS_H

class KRyvMesh;
class MFnMesh;
class RyvVurnExporter;
class RyvVurnNode;

// The materials, textures and UV sets of a converted mesh: one kit material per host surface
// shader of the instance's shading groups (the exporter's default shader, one for the whole
// geometry pass, stands for polygons without one), the textures on each shader's
// colour, and the UV sets on the layers of their textures (layer 0 for a set without texture).
// Layer 0's material element and every texture element mapped by polygon get one index per
// polygon (-1 for a polygon with no material or no texture on that layer).
void ExportMeshMaterials(RyvVurnExporter& ioExporter, const MFnMesh& pMesh, RyvVurnNode* pNode,
                         KRyvMesh& ioMesh);

#endif
