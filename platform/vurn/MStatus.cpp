#include "platform/vurn/MStatus.h"

#include "platform/vurn/VurnScene.h"

#include <cstdio>

MString MStatus::errorString() const
{
    if (mText.length() > 0) {
        return mText;
    }
    return mCode == kSuccess ? MString("(kSuccess)") : MString("(kFailure)");
}

void MStatus::perror(const char* pText) const
{
    std::string lLine = pText ? pText : "";
    lLine += ": ";
    lLine += errorString().asChar();
    std::fprintf(stderr, "%s\n", lLine.c_str());
    VurnScene::Get().RecordError(lLine);
}
