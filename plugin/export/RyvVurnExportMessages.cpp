#include "plugin/export/RyvVurnExportMessages.h"

#include "plugin/shell/RyvVurnConfirmDialog.h"
#include "plugin/shell/RyvVurnOptionStore.h"

namespace RyvVurnExportMessages {

KString TitledLine(const char* pTitle, const char* pText)
{
    KString lLine(pTitle);
    lLine += ": ";
    lLine += pText;
    return lLine;
}

void ShowMessage(const char* pTitle, const KString& pText)
{
    if (!GetOptionStore().GetBool(kExportShowUI)) {
        return;
    }
    RyvVurnConfirmDialog lDialog;
    lDialog.SetTitle(pTitle);
    lDialog.SetMessage(pText);
    lDialog.SetButton(0, kButtonOk);
    lDialog.Show();
}

} // namespace RyvVurnExportMessages
