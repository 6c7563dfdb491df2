#include "plugin/shell/RyvVurnExportRun.h"

#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnStatusWindow.h"

MStatus RunExport(const char* pFileName, MString& oResultText)
{
    const bool lShowUI = GetOptionStore().GetBool(kExportShowUI);
    if (lShowUI) {
        StatusWindowOpen(kExportWindowName, kExportWindowLabel);
    }
    MStatus lStatus;
    {
        RyvVurnExporter lExporter;
        lStatus = lExporter.Export(pFileName);
    }
    if (lShowUI) {
        StatusWindowClose();
    }
    // The result tells what happened: a failed export is not reported as a success.
    oResultText = lStatus ? MString(kSuccessText) : MString(kFailureText);
    return lStatus;
}
