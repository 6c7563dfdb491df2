#include "formats/motion/KOpticalTextFile.h"

KOpticalTextFile::KOpticalTextFile(const char* pFormatName, const char* pSeparators)
    : KTextFile(pFormatName, pSeparators, nullptr, true, false)
{
}

bool KOpticalTextFile::Open(std::unique_ptr<KByteSource> pSource)
{
    return KTextFile::Open(std::move(pSource));
}

bool KOpticalTextFile::Create(const char* pPath)
{
    return KTextFile::Open(pPath, "w");
}

bool KOpticalTextFile::Close()
{
    return KTextFile::Close();
}

void KOpticalTextFile::Discard()
{
    KTextFile::Discard();
}

bool KOpticalTextFile::Fail(const char* pWhy)
{
    Error("%s", pWhy);
    return false;
}
