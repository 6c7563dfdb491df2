#ifndef RYVKIT_CORE_KDOCUMENTINFO_H
#define RYVKIT_CORE_KDOCUMENTINFO_H

#include "core/KString.h"

#include <cstdint>

// The document information of a scene: six texts and a 32-bit word, all empty or 0 when made.
// The object factory creates it; the scene that takes it owns it.
struct KDocumentInfo
{
    KString mTitle;
    KString mSubject;
    KString mAuthor;
    KString mKeywords;
    KString mRevision;
    KString mComment;
    std::uint32_t mWord = 0;
};

#endif
