#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNEXPORTRUN_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNEXPORTRUN_H

#include "platform/vurn/MStatus.h"

// The export command's run: one exporter for the export, with the status window
// "RYVEXPORTWINDOW" showing "Exporting..." while it runs when kExportShowUI is on. Answers the
// exporter's status; oResultText is kSuccessText or kFailureText after it.
constexpr const char* kExportWindowName = "RYVEXPORTWINDOW";
constexpr const char* kExportWindowLabel = "Exporting...";
constexpr const char* kSuccessText = "Success";
constexpr const char* kFailureText = "Failure";

MStatus RunExport(const char* pFileName, MString& oResultText);

#endif
