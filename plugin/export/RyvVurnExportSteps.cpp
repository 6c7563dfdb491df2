#include "plugin/export/RyvVurnExportSteps.h"

#include "core/KLog.h"
#include "platform/vurn/MGlobal.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/shell/RyvVurnConfirmDialog.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnPathHelpers.h"

namespace M = RyvVurnExportMessages;

namespace {
// The "visibility" of pPath's node through the host command; true when the query fails.
bool QueryVisibility(const MDagPath& pPath)
{
    int lVisible = 1;
    const MString lCommand = "getAttr \"" + pPath.fullPathName() + ".visibility\"";
    return !MGlobal::executeCommand(lCommand, lVisible) || lVisible != 0;
}
} // namespace

bool GetHostVisibility(const MFnDagNode& pDagNode)
{
    MDagPath lPath;
    if (!pDagNode.getPath(lPath)) {
        return true;
    }
    const bool lVisible = QueryVisibility(lPath);
    if (!lVisible || lPath.hasFn(MFn::kTransform)) {
        return lVisible;
    }
    MDagPath lUp = lPath;
    if (lUp.pop() && lUp.length() > 0 && lUp.hasFn(MFn::kTransform)) {
        return QueryVisibility(lUp);
    }
    return true;
}

void AskBindPoseFallback(const MDagPath& pPath, bool& ioAbort, KLog& ioLog)
{
    const KString lName = GetDagPathDisplayName(&pPath);
    KString lText(M::kNoBindPose);
    lText += M::kDialogBreak;
    lText += lName;
    const KString lLogText = M::TitledLine(M::kTitleWarning, M::kNoBindPose) + lName;
    if (GetOptionStore().GetBool(kExportShowUI)) {
        RyvVurnConfirmDialog lDialog;
        lDialog.SetTitle(M::kTitleQuestion);
        lDialog.SetMessage(lText + M::kNoBindPoseQuestion);
        lDialog.SetButton(0, M::kButtonYes);
        lDialog.SetButton(1, M::kButtonNo);
        if (lDialog.Show() == 0) {
            ioAbort = false;
        }
        ioLog.AddLine(lLogText.Buffer());
        ioLog.AddLine(ioAbort ? M::kAbortedBindPoses : M::kUsedCurrentTransform);
    } else {
        ioLog.AddLine(lLogText.Buffer());
        ioLog.AddLine(M::kNoBindPoses);
    }
    ioLog.AddLine("");
}
