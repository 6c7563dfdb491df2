#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNSTATUSWINDOW_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNSTATUSWINDOW_H

#include "core/KString.h"

// The status window of long operations. Opening and closing it send the host's window commands;
// the label and the progress steps are shown on the terminal. Its state is process-wide, like
// the one window it stands for.

// Opens the window pName with the label pLabel (closing one already open).
void StatusWindowOpen(const char* pName, const char* pLabel);
void StatusWindowClose();
void StatusWindowSetLabel(const char* pText);
// Advances the progress by one step; pText (may be null) names what is being done.
void StatusWindowStep(const char* pText);

// What the window shows now, for tests.
struct RyvVurnStatusWindowState
{
    KString mName;
    KString mLabel;
    KString mLastStep;
    int mSteps = 0;
    bool mOpen = false;
};
const RyvVurnStatusWindowState& GetStatusWindowState();

#endif
