#include "plugin/shell/RyvVurnStatusWindow.h"

#include "platform/vurn/MGlobal.h"

#include <cstdio>

namespace {
RyvVurnStatusWindowState& State()
{
    static RyvVurnStatusWindowState sState;
    return sState;
}
} // namespace

void StatusWindowOpen(const char* pName, const char* pLabel)
{
    StatusWindowClose();
    RyvVurnStatusWindowState& lState = State();
    lState = RyvVurnStatusWindowState();
    lState.mName = KString(pName ? pName : "");
    lState.mOpen = true;
    MGlobal::executeCommand(MString("window -title \"") + MString(pLabel ? pLabel : "") + "\" " +
                            MString(lState.mName.Buffer()));
    MGlobal::executeCommand(MString("showWindow ") + MString(lState.mName.Buffer()));
    StatusWindowSetLabel(pLabel);
}

void StatusWindowClose()
{
    RyvVurnStatusWindowState& lState = State();
    if (lState.mOpen) {
        MGlobal::executeCommand(MString("deleteUI ") + MString(lState.mName.Buffer()));
        lState.mOpen = false;
    }
}

void StatusWindowSetLabel(const char* pText)
{
    State().mLabel = KString(pText ? pText : "");
    std::printf("%s\n", State().mLabel.Buffer());
}

void StatusWindowStep(const char* pText)
{
    RyvVurnStatusWindowState& lState = State();
    ++lState.mSteps;
    lState.mLastStep = KString(pText ? pText : "");
    std::printf("  [%d] %s\n", lState.mSteps, lState.mLastStep.Buffer());
}

const RyvVurnStatusWindowState& GetStatusWindowState()
{
    return State();
}
