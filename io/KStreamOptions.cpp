#include "io/KStreamOptions.h"

K_IMPLEMENT_CLASS(KStreamOptions, KObject)

void KStreamOptions::ResetCallbacks()
{
    mProgress = nullptr;
    mQuestion = nullptr;
    mMessage = nullptr;
}

void KStreamOptions::ReportProgress(const char* pText, float pPercent) const
{
    if (mProgress) {
        mProgress(pText, pPercent);
    }
}

int KStreamOptions::AskQuestion(const char* pTitle, const char* pText, const char* pButton1,
                                const char* pButton2, const char* pButton3) const
{
    return mQuestion ? mQuestion(pTitle, pText, pButton1, pButton2, pButton3) : 0;
}

void KStreamOptions::ShowMessage(const char* pTitle, const char* pText, const char* pButton) const
{
    if (mMessage) {
        mMessage(pTitle, pText, pButton);
    }
}
