#include "plugin/shell/RyvVurnOptionStore.h"

RyvVurnOptionStore::RyvVurnOptionStore()
{
    Resize(kOptionCount);
    Define(kExportMasterScale, "kExportMasterScale", "1.0");
    Define(kExportSamplingRate, "kExportSamplingRate", "30.0");
    Define(kExportEmbedTextures, "kExportEmbedTextures", "false");
    Define(kExportBindPose, "kExportBindPose", "true");
    Define(kExportPivotToNull, "kExportPivotToNull", "false");
    Define(kExportApplyCstKeyRed, "kExportApplyCstKeyRed", "false");
    Define(kExportShowUI, "kExportShowUI", "true");
    Define(kExportSelectionOnly, "kExportSelectionOnly", "false");
    Define(kExportHardEdges, "kExportHardEdges", "false");
    Define(kExportBypassRrsInheritance, "kExportBypassRrsInheritance", "false");
}

RyvVurnOptionStore& GetOptionStore()
{
    static RyvVurnOptionStore sStore;
    return sStore;
}
