#ifndef RYVKIT_FORMATS_MOTION_C3D_KWRITERC3D_H
#define RYVKIT_FORMATS_MOTION_C3D_KWRITERC3D_H

#include "formats/motion/KWriterOptical.h"

// Writes optical markers (KWriterOptical) as a DEC C3D file (KC3dFile). Its write options set
// options 3 = 1, 11 = 0, 12 = 1 (floating-point data) and 13 = 0; option 12 at 0 writes 16-bit
// integer data, whose points beyond about 4.7 m are written as not seen with a warning.
class KWriterC3d : public KWriterOptical
{
public:
    static constexpr int kOptionMarkerFile = 3;

    explicit KWriterC3d(KRyvObjectFactory* pOwner);

    static std::unique_ptr<KWriter> Create(KRyvObjectFactory* pOwner);

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(const char* pFileName) override;
    void SetWriteDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
