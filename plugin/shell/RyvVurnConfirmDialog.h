#ifndef RYVKIT_PLUGIN_SHELL_RYVVURNCONFIRMDIALOG_H
#define RYVKIT_PLUGIN_SHELL_RYVVURNCONFIRMDIALOG_H

#include "core/KString.h"

#include <vector>

// A message dialog with up to kMaxButtons buttons, shown through the host's "confirmDialog"
// command. The text may hold the two characters backslash and n, which the host turns into a
// line break; every other backslash and every double quote is escaped so that the command stays
// whole. Show also logs the dialog on the terminal and answers the host's chosen button.
class RyvVurnConfirmDialog
{
public:
    static constexpr int kMaxButtons = 3;

    void SetTitle(const char* pTitle) { mTitle = KString(pTitle ? pTitle : ""); }
    void SetMessage(const char* pMessage) { mMessage = KString(pMessage ? pMessage : ""); }
    void SetMessage(const KString& pMessage) { mMessage = pMessage; }
    // Sets button pIndex (0 .. kMaxButtons - 1); false for another index.
    bool SetButton(int pIndex, const char* pText);
    // The default button (the first when not set or out of range).
    void SetDefaultButton(int pIndex) { mDefault = pIndex; }

    // Runs the dialog; the index of the chosen button, -1 when the command failed or answered
    // no button of this dialog.
    int Show();
    // The text of the button Show chose; empty before Show or after a failure.
    const KString& GetChosenButton() const { return mChosen; }

    // The host command for this dialog (what Show runs).
    KString BuildCommand() const;
    // pText made safe inside a double-quoted command argument.
    static KString Escape(const char* pText);

private:
    KString mTitle;
    KString mMessage;
    std::vector<KString> mButtons = std::vector<KString>(kMaxButtons);
    int mDefault = 0;
    KString mChosen;
};

#endif
