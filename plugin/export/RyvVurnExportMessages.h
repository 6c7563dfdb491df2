#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTMESSAGES_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNEXPORTMESSAGES_H

#include "core/KString.h"

class KLog;

// The texts the host export shows and logs. Every message goes to the export log; it is also
// shown as a dialog only when the option kExportShowUI is on. In dialog texts the two
// characters backslash and n break the line (the host's command language turns them into one);
// log lines never hold them.
namespace RyvVurnExportMessages {
constexpr const char* kTitleError = "RYV Export Error";
constexpr const char* kTitleWarning = "RYV Export Warning";
constexpr const char* kTitleQuestion = "RYV Export Question";
constexpr const char* kButtonOk = "Ok";
constexpr const char* kButtonYes = "Yes";
constexpr const char* kButtonNo = "No";
// The two characters the host turns into a line break.
constexpr const char* kDialogBreak = "\\n";

constexpr const char* kFileExport = "File Export : ";
constexpr const char* kExportFailed = "File Export Failed.";
constexpr const char* kExportingGeometry = "Exporting geometry...";
constexpr const char* kExportingHierarchy = "Exporting hierarchy...";
constexpr const char* kExportingAnimations = "Exporting animations...";
constexpr const char* kExportingClusters = "Exporting clusters...";
constexpr const char* kExportingSkinClusters = "Exporting skin clusters...";
constexpr const char* kExportingShapes = "Exporting shapes...";
constexpr const char* kWritingFile = "Writing output file...";

constexpr const char* kDuplicateNames =
    "Unable to export RYV project because these models share same name : ";
constexpr const char* kMaterialNamespaces =
    "ROSTAVEX does not handle namespaces in materials/textures.";
constexpr const char* kMaterialNamespaces2 =
    "The scene will be exported anyway. However it is recommended to remove";
constexpr const char* kMaterialNamespaces3 =
    "the namespaces from the materials/textures before exporting to insure";
constexpr const char* kMaterialNamespaces4 =
    "compatibility during import/export/mergeback. The faulty items are: ";
constexpr const char* kRootNamespaces = "ROSTAVEX does not handle shared namespaces in root nodes.";
constexpr const char* kRootNamespaces2 =
    "The scene will be exported anyway. However it is recommended to correct";
constexpr const char* kRootNamespaces3 =
    "them otherwise the compatibility may be broken during mergeback.";
// The most names a dialog lists before "   ...".
constexpr int kMaxListedNames = 40;
constexpr const char* kListCut = "   ...";
constexpr const char* kListIndent = "    ";

constexpr const char* kNoBindPose = "Could not retrieve bind pose for object : ";
constexpr const char* kNoBindPoseQuestion =
    "\\n\\nUse the current transform instead?\\n\\n(If you answer No, no bind poses in the "
    "hierarchy containing the object will be exported)";
constexpr const char* kUsedCurrentTransform = "Used the DAG node current transform.";
constexpr const char* kAbortedBindPoses = "User aborted the export of bind poses.";
constexpr const char* kNoBindPoses =
    "No bind poses in the hierarchy containing the object will be exported.";

// Guards of values the host or the options give (the export goes on with the fallback).
constexpr const char* kBadSamplingRate =
    "The sampling rate is not a number above 0: 30 frames per second are used.";
constexpr const char* kBadMasterScale =
    "The master scale is 0 or not a number: the scene is exported unscaled.";
constexpr const char* kRootNodeKept =
    "A child of a root node that the master scale cancels could not move up; the root node is "
    "kept: ";
constexpr const char* kPivotAnimationLost =
    "The pivots move and the node's translation could not carry all of it: part of its pivot "
    "animation is not kept: ";
constexpr const char* kResamplingCut =
    "Resampling stopped at 1000000 keys; the rest of the curve is left out: ";

// "<title>: <text>", the form of a message's first log line.
KString TitledLine(const char* pTitle, const char* pText);
// Shows a dialog with pTitle, pText and the one button "Ok" when kExportShowUI is on.
void ShowMessage(const char* pTitle, const KString& pText);
} // namespace RyvVurnExportMessages

#endif
