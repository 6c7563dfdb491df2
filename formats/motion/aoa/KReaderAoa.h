#ifndef RYVKIT_FORMATS_MOTION_AOA_KREADERAOA_H
#define RYVKIT_FORMATS_MOTION_AOA_KREADERAOA_H

#include "formats/motion/KReaderOptical.h"

// Reads an AOA or MCD file (KAoaFile) as optical markers (KReaderOptical). The two flavours differ
// only in their description and format name ("AOA" or "MCD", the reference node's prefix). The
// read options set options 4, 5 and 6 to 1: a position of (0, 0, 0) is not seen and keeps the
// one before.
class KReaderAoa : public KReaderOptical
{
public:
    enum EFlavour : int { eAoa = 0, eMcd = 1 };

    KReaderAoa(KRyvObjectFactory* pOwner, EFlavour pFlavour);

    static std::unique_ptr<KReader> CreateAoa(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KReader> CreateMcd(KRyvObjectFactory* pOwner);

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(std::unique_ptr<KByteSource> pSource) override;
    void SetReadDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
