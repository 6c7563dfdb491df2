#ifndef RYVKIT_ANIMATION_KTAKEINFO_H
#define RYVKIT_ANIMATION_KTAKEINFO_H

#include "core/KString.h"
#include "core/KTime.h"

// The description of one take of a scene: its name, two further description texts, whether it is
// selected, its local and reference time spans and two further words carried along for the file
// formats. A plain value: copies and assignments copy every field.
class KTakeInfo
{
public:
    // Empty texts, selected, zero time spans, zero words.
    KTakeInfo() = default;

    KString mName;
    KString mDescription;
    KString mSecondDescription;
    int mSelect = 1;
    KTime mLocalStart;
    KTime mLocalStop;
    KTime mReferenceStart;
    KTime mReferenceStop;
    int mWords[2] = {0, 0};
};

#endif
