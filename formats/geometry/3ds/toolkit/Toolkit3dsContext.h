#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSCONTEXT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_TOOLKIT3DSCONTEXT_H

#include "formats/geometry/3ds/toolkit/Toolkit3dsErrors.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsFiles.h"

#include <string>
#include <utility>
#include <vector>

// Everything a toolkit run keeps: its error stack with the pending flag, its file table and
// current file. Each 3DS reader or writer run owns one, so a failed run never poisons the next
// and closing the files of one run never touches another's. Not shared between threads.
struct Toolkit3dsContext
{
    Toolkit3dsContext() = default;
    Toolkit3dsContext(const Toolkit3dsContext&) = delete;
    Toolkit3dsContext& operator=(const Toolkit3dsContext&) = delete;
    // Closes the files the run left open; a target it never closed is left as it was.
    ~Toolkit3dsContext() { DiscardAllFiles3ds(*this); }

    ErrorStack3ds mErrors;
    FileTable3ds mFiles;
    // Damage the run read around (one line each, for the reader's message text).
    std::vector<std::string> mWarnings;
};

inline void PushError3ds(Toolkit3dsContext& ioKit, int32_t pCode)
{
    PushError3ds(ioKit.mErrors, pCode);
}

inline void AddWarning3ds(Toolkit3dsContext& ioKit, std::string pText)
{
    ioKit.mWarnings.push_back(std::move(pText));
}

inline bool IsErrorPending3ds(const Toolkit3dsContext& pKit)
{
    return pKit.mErrors.mPending;
}

#endif
