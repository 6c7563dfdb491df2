#ifndef RYVKIT_PLATFORM_VURN_VURNSTATUS_H
#define RYVKIT_PLATFORM_VURN_VURNSTATUS_H

#include "platform/vurn/MStatus.h"

// The stand-in's own shorthands for answering with a status.

inline MStatus VurnFailure(const char* pText)
{
    return MStatus(MStatus::kFailure, pText);
}

// Stores pStatus in oStatus when the caller asked for it; answers pStatus.
inline MStatus VurnReport(MStatus* oStatus, const MStatus& pStatus)
{
    if (oStatus) {
        *oStatus = pStatus;
    }
    return pStatus;
}

#endif
