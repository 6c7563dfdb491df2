#ifndef RYVKIT_FORMATS_MOTION_KOPTICALTEXTFILE_H
#define RYVKIT_FORMATS_MOTION_KOPTICALTEXTFILE_H

#include "formats/motion/KOpticalMarkerFile.h"
#include "formats/motion/KTextFile.h"

#include <string>

// The optical marker files kept as text (AOA and MCD, TRC): reading from a byte source and
// writing through the text base (the target replaced only by a successful Close), the last
// error as the text base words it, and the warnings a write collects. Case-sensitive, no
// comments, no reporting hooks.
class KOpticalTextFile : public KTextFile, public KOpticalMarkerFile
{
public:
    bool Open(std::unique_ptr<KByteSource> pSource) override;
    bool Create(const char* pPath) override;
    bool Close() override;
    void Discard() override;

    bool EndRead() override { return true; }
    std::uint64_t GetInputSize() const override { return GetRemainingBytes(); }
    bool WriteFailed() const override { return KTextFile::WriteFailed(); }

    const char* GetFormatName() const override { return KTextFile::GetFormatName(); }
    std::string GetError() const override { return GetLastError(); }
    const std::string& GetWarnings() const override { return mWarnings; }

protected:
    // pFormatName and pSeparators as KTextFile takes them (static literals).
    KOpticalTextFile(const char* pFormatName, const char* pSeparators);
    // pWhy (a whole message, not a format) as the error; answers false.
    bool Fail(const char* pWhy);

    std::string mWarnings;
};

#endif
