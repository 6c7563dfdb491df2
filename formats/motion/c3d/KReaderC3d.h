#ifndef RYVKIT_FORMATS_MOTION_C3D_KREADERC3D_H
#define RYVKIT_FORMATS_MOTION_C3D_KREADERC3D_H

#include "formats/motion/KReaderOptical.h"

// Reads a C3D file (KC3dFile) as optical markers (KReaderOptical). Its read options set options
// 3, 4, 6 and 7 to 1 and move the start by the file's TIMECODES (hours, minutes, seconds and
// frames in the global default time mode), when it has a usable one.
class KReaderC3d : public KReaderOptical
{
public:
    static constexpr int kOptionMarkerFile = 3;

    explicit KReaderC3d(KRyvObjectFactory* pOwner);

    // The creator the file-format table lists.
    static std::unique_ptr<KReader> Create(KRyvObjectFactory* pOwner);

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(std::unique_ptr<KByteSource> pSource) override;
    void SetReadDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
