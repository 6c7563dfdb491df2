// The fuzz entry points hand their input to the readers as a file: one temporary file per
// process and per extension, rewritten for every input and removed at exit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Writes the input into the process's temporary file; its path, or null when it cannot be
// written. pTemplate is a mkstemps template ending in the extension, e.g. "/tmp/fuzzXXXXXX.obj".
inline const char* WriteFuzzInput(const char* pTemplate, const uint8_t* pData, size_t pSize)
{
    static const std::string sPath = [pTemplate] {
        std::string lTemplate = pTemplate;
        const std::size_t lDot = lTemplate.rfind('.');
        const int lSuffix =
            lDot == std::string::npos ? 0 : static_cast<int>(lTemplate.size() - lDot);
        const int lFile = mkstemps(lTemplate.data(), lSuffix);
        if (lFile < 0) {
            std::abort();
        }
        close(lFile);
        static std::string sRemove = lTemplate;
        std::atexit([] { std::remove(sRemove.c_str()); });
        return lTemplate;
    }();
    std::FILE* lOut = std::fopen(sPath.c_str(), "wb");
    if (!lOut) {
        return nullptr;
    }
    const bool lWritten = std::fwrite(pData, 1, pSize, lOut) == pSize;
    if (std::fclose(lOut) != 0 || !lWritten) {
        return nullptr;
    }
    return sPath.c_str();
}
