#ifndef RYVKIT_PLATFORM_VURN_MSTATUS_H
#define RYVKIT_PLATFORM_VURN_MSTATUS_H

#include "platform/vurn/MString.h"

// The result of a host call: code 0 success, 1 failure, with an error text for failures.
class MStatus
{
public:
    enum MStatusCode : int {
        kSuccess = 0,
        kFailure = 1,
    };

    MStatus() = default;
    MStatus(MStatusCode pCode) : mCode(pCode) {}
    MStatus(MStatusCode pCode, const MString& pText) : mCode(pCode), mText(pText) {}

    MStatusCode statusCode() const { return mCode; }
    bool error() const { return mCode != kSuccess; }
    explicit operator bool() const { return mCode == kSuccess; }
    bool operator==(MStatusCode pCode) const { return mCode == pCode; }
    bool operator!=(MStatusCode pCode) const { return mCode != pCode; }
    bool operator==(const MStatus& pOther) const { return mCode == pOther.mCode; }
    bool operator!=(const MStatus& pOther) const { return mCode != pOther.mCode; }
    // The error text: the text given at construction, else "(kSuccess)" or "(kFailure)".
    MString errorString() const;
    // Prints pText and the error text to stderr and records the line in the scene's error
    // capture (VurnScene::GetErrorLines), so tests can see what a caller reported.
    void perror(const char* pText) const;
    void perror(const MString& pText) const { perror(pText.asChar()); }

private:
    MStatusCode mCode = kSuccess;
    MString mText;
};

#endif
