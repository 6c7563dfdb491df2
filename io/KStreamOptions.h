#ifndef RYVKIT_IO_KSTREAMOPTIONS_H
#define RYVKIT_IO_KSTREAMOPTIONS_H

#include "object/KObject.h"

#include <functional>
#include <utility>

// Base of the option sets that readers and writers take. Besides the options of its format a
// set carries the callbacks through which a reader or writer talks to its caller while it
// works: progress, questions and messages. Unset callbacks do nothing (a question then answers
// 0, no button chosen), so a reader never has to check for them. Readers and writers tell the
// set of their format by IsA on its class id.
class KStreamOptions : public KObject
{
    K_DECLARE_CLASS(KStreamOptions)

    // pText is the step being done, pPercent its progress from 0 to 100.
    using ProgressCallback = std::function<void(const char* pText, float pPercent)>;
    // Answers the number of the chosen button, 1 for the first; absent buttons are null.
    using QuestionCallback =
        std::function<int(const char* pTitle, const char* pText, const char* pButton1,
                          const char* pButton2, const char* pButton3)>;
    using MessageCallback =
        std::function<void(const char* pTitle, const char* pText, const char* pButton)>;

    KStreamOptions() = default;
    ~KStreamOptions() override = default;

    // Back to the defaults of the set; here only the callbacks.
    virtual void Reset() { ResetCallbacks(); }
    // Every callback back to its do-nothing default.
    void ResetCallbacks();

    // An empty function restores the default.
    void SetProgressCallback(ProgressCallback pCallback) { mProgress = std::move(pCallback); }
    void SetQuestionCallback(QuestionCallback pCallback) { mQuestion = std::move(pCallback); }
    void SetMessageCallback(MessageCallback pCallback) { mMessage = std::move(pCallback); }

    // What readers and writers call.
    void ReportProgress(const char* pText, float pPercent) const;
    int AskQuestion(const char* pTitle, const char* pText, const char* pButton1,
                    const char* pButton2 = nullptr, const char* pButton3 = nullptr) const;
    void ShowMessage(const char* pTitle, const char* pText, const char* pButton) const;

private:
    ProgressCallback mProgress;
    QuestionCallback mQuestion;
    MessageCallback mMessage;
};

#endif
