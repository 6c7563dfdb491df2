#ifndef RYVKIT_FORMATS_MOTION_TRC_KWRITERTRC_H
#define RYVKIT_FORMATS_MOTION_TRC_KWRITERTRC_H

#include "formats/motion/KWriterOptical.h"

// Writes optical markers (KWriterOptical) as a TRC file (KTrcFile), coordinates in millimetres.
// Its write options set options 3 = 1, 11 = 0 and 13 = 0.
class KWriterTrc : public KWriterOptical
{
public:
    static constexpr int kOptionMarkerFile = 3;

    explicit KWriterTrc(KRyvObjectFactory* pOwner);

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(const char* pFileName) override;
    void SetWriteDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
