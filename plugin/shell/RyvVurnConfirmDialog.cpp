#include "plugin/shell/RyvVurnConfirmDialog.h"

#include "platform/vurn/MGlobal.h"

#include <cstdio>
#include <cstring>

bool RyvVurnConfirmDialog::SetButton(int pIndex, const char* pText)
{
    if (pIndex < 0 || pIndex >= kMaxButtons) {
        return false;
    }
    mButtons[pIndex] = KString(pText ? pText : "");
    return true;
}

KString RyvVurnConfirmDialog::Escape(const char* pText)
{
    std::string lOut;
    for (const char* lChar = pText ? pText : ""; *lChar != '\0'; ++lChar) {
        if (*lChar == '"' || (*lChar == '\\' && lChar[1] != 'n')) {
            lOut += '\\';
        } else if (*lChar == '\\') {
            // The pair backslash-n passes as it is: the host turns it into a line break.
            lOut += *lChar++;
        }
        lOut += *lChar;
    }
    return KString(lOut.c_str());
}

KString RyvVurnConfirmDialog::BuildCommand() const
{
    std::string lCommand = "confirmDialog -title \"";
    lCommand += Escape(mTitle.Buffer()).Buffer();
    lCommand += "\" -message \"";
    lCommand += Escape(mMessage.Buffer()).Buffer();
    lCommand += "\"";
    int lFirst = -1;
    for (int lIndex = 0; lIndex < kMaxButtons; ++lIndex) {
        if (!mButtons[lIndex].IsEmpty()) {
            lCommand +=
                " -button \"" + std::string(Escape(mButtons[lIndex].Buffer()).Buffer()) + "\"";
            lFirst = lFirst < 0 ? lIndex : lFirst;
        }
    }
    const bool lDefaultSet =
        mDefault >= 0 && mDefault < kMaxButtons && !mButtons[mDefault].IsEmpty();
    const int lDefault = lDefaultSet ? mDefault : lFirst;
    if (lDefault >= 0) {
        lCommand +=
            " -defaultButton \"" + std::string(Escape(mButtons[lDefault].Buffer()).Buffer()) + "\"";
    }
    return KString(lCommand.c_str());
}

int RyvVurnConfirmDialog::Show()
{
    std::printf("[%s] %s\n", mTitle.Buffer(), mMessage.Buffer());
    mChosen = KString();
    MString lAnswer;
    if (!MGlobal::executeCommand(MString(BuildCommand().Buffer()), lAnswer)) {
        return -1;
    }
    for (int lIndex = 0; lIndex < kMaxButtons; ++lIndex) {
        if (!mButtons[lIndex].IsEmpty() &&
            std::strcmp(mButtons[lIndex].Buffer(), lAnswer.asChar()) == 0) {
            mChosen = mButtons[lIndex];
            return lIndex;
        }
    }
    return -1;
}
