#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNGEOMETRYMESSAGES_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNGEOMETRYMESSAGES_H

// The texts of the geometry and appearance export (mesh checks, mesh conversion, NURBS
// surfaces, materials, textures and the coincident-vertex check). Titles, buttons and the
// dialog line break are those of RyvVurnExportMessages.
namespace RyvVurnGeometryMessages {
constexpr const char* kWrapDetected = "A Wrap deformer has been detected on the following object: ";
constexpr const char* kWrapIgnored =
    "The object will be exported without the deforming influences.";
constexpr const char* kShownOnce = "NOTE: This dialog will not popup anymore for subsequent "
                                   "identical errors\\n(the other messages can be found in the "
                                   "log file)";
constexpr const char* kSmoothAndSkin =
    "The plugin has detected a polygonSmoothFacet operator and a skinCluster.";
constexpr const char* kSmoothAndSkin2 =
    "This combination of operators is not supported by the plugin. The 'divisions' ";
constexpr const char* kSmoothAndSkin3 = "attribute is reset to 0 while exporting.";

constexpr const char* kMismatch =
    "Mismatched number of vertices between the original and the final mesh of the node:  ";
constexpr const char* kMismatch2 =
    "This problem is most likely caused by unsupported operators in the construction hystory.";
constexpr const char* kDefaultMaterial = "Default_Material";
constexpr const char* kNoDefaultShader = "Cannot create default shader";
constexpr const char* kNoTextureFileName = "Cannot find the texture file name.";

constexpr const char* kCoincident = "Vertices %d and %d of mesh %s have the same 3D coordinate.";
constexpr const char* kCoincident2 =
    "The import [Add to new scene] process will most likely produce erroneous results.";
// The most coincident-vertex lines a dialog shows.
constexpr int kMaxCoincidentLines = 39;

constexpr const char* kMeshConstructor = "MFnMesh constructor";
constexpr const char* kNurbsConstructor = "MFnNurbsSurface constructor";
// A knot vector of the host that does not fit the kit surface's (logged, the copy bounded).
constexpr const char* kKnotMismatch = "knot count differs from the kit surface's; knots cut: ";
} // namespace RyvVurnGeometryMessages

#endif
