#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNDEFORMERMESSAGES_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNDEFORMERMESSAGES_H

// The texts of the deformer exports (clusters, skin clusters with their bind poses, blend
// shapes). Titles, buttons and the dialog line break are those of RyvVurnExportMessages.
namespace RyvVurnDeformerMessages {
// Clusters: the user-data pair that tells an importer to rebuild a cluster, not a skin.
constexpr const char* kClusterHintId = "Vurn_ClusterHint";
constexpr const char* kWeightedRelativeCluster = "WeightedRelativeCluster";
constexpr const char* kWeightedCluster = "WeightedCluster";
constexpr const char* kCompensationCluster = "CompensationCluster";
constexpr const char* kLogicalIndexNotFound = "Logical index not found";
constexpr const char* kInputNotFound = "Input not found";
constexpr const char* kGroupIdNotFound = "Group ID not found";
constexpr const char* kOutputNotFound = "Output geometry plug not found";
constexpr const char* kInitLogicalIndexFail = "Init logical index fail.";

// Skin clusters and bind poses.
constexpr const char* kSkinProgress = "%d of %d. Processing %d of %d";
constexpr const char* kPoseConflict =
    "Unable to export bind poses because of conflicting data on these elements : ";
constexpr const char* kInfluenceNotExported =
    "An influence of the skin cluster was not exported; its weights are left out: ";
constexpr const char* kNoGeomMatrix =
    "Could not read the bind matrix of the geometry; its matrix now is used and it is left out "
    "of the bind pose: ";

// Blend shapes.
constexpr const char* kShapeProgress = "processing %d of %d";
constexpr const char* kBaseObject = "The BaseObject : ";
constexpr const char* kMultipleTargets = " has multiple targets affected by weight : ";
constexpr const char* kFirstTargetOnly = "The plugin will only use the first target.";
constexpr const char* kTargetForSlider = "The TargetObject for weight slider : ";
constexpr const char* kTargetNotAvailable = " is not available in the scene.";
constexpr const char* kTargetDeleted =
    "(most likely the target object has been deleted without deleting the controlling slider).";
constexpr const char* kIgnoringTarget = "Ignoring this target.";
constexpr const char* kTargetObject = "The TargetObject : ";
constexpr const char* kVertexCountMismatch =
    " number of vertices does not match the baseObject number of vertices.";
constexpr const char* kShownOncePerBase =
    "NOTE: This dialog will not popup anymore for subsequent identical errors on the same "
    "baseObject.\\n(the other messages can be found in the log file)";
// Percent per unit of a blend-shape weight.
constexpr double kShapePercent = 100.0;
} // namespace RyvVurnDeformerMessages

#endif
