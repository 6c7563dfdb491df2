// Counting in texts that tests check (messages, written files).
#pragma once

#include <cstddef>
#include <string>

// How many times pPart occurs in pText, overlapping occurrences included.
inline std::size_t CountOf(const std::string& pText, const std::string& pPart)
{
    std::size_t lCount = 0;
    for (std::size_t lAt = pText.find(pPart); lAt != std::string::npos;
         lAt = pText.find(pPart, lAt + 1)) {
        ++lCount;
    }
    return lCount;
}
