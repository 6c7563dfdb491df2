#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNOPTIONSTORE_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNOPTIONSTORE_H

#include "plugin/shell/KOptionTable.h"

// Indexes of the export options in the option store.
enum RyvVurnExportOption : int {
    kExportMasterScale = 4,
    kExportSamplingRate = 5,
    kExportEmbedTextures = 7,
    kExportBindPose = 14,
    kExportPivotToNull = 15,
    kExportApplyCstKeyRed = 16,
    kExportShowUI = 49,
    kExportSelectionOnly = 50,
    kExportHardEdges = 51,
    kExportBypassRrsInheritance = 52,
};

// The plug-in's option store: the option table with the export options named and given their
// defaults. The other indexes up to the last export option exist as unnamed entries with empty
// values, kept for the import and window options of the shell. Values live in memory for the
// module's lifetime; there is no registry to keep them between runs on this platform.
class RyvVurnOptionStore : public KOptionTable
{
public:
    static constexpr int kOptionCount = kExportBypassRrsInheritance + 1;

    RyvVurnOptionStore();
    // kExportSamplingRate as a number.
    double GetSamplingRate() const override { return GetDouble(kExportSamplingRate); }
};

// The process-wide option store.
RyvVurnOptionStore& GetOptionStore();

#endif
