#ifndef RYVKIT_FORMATS_MOTION_AOA_KWRITERAOA_H
#define RYVKIT_FORMATS_MOTION_AOA_KWRITERAOA_H

#include "formats/motion/KWriterOptical.h"

// Writes optical markers (KWriterOptical) as an AOA text file (KAoaFile), for both flavours (AOA
// and MCD, which differ only in their description). Positions are scene centimetres; names,
// start time and occlusion are not kept by the format. The write options set option 13 to 0.
class KWriterAoa : public KWriterOptical
{
public:
    enum EFlavour : int { eAoa = 0, eMcd = 1 };

    KWriterAoa(KRyvObjectFactory* pOwner, EFlavour pFlavour);

    static std::unique_ptr<KWriter> CreateAoa(KRyvObjectFactory* pOwner);
    static std::unique_ptr<KWriter> CreateMcd(KRyvObjectFactory* pOwner);

protected:
    std::unique_ptr<KOpticalMarkerFile> CreateFile(const char* pFileName) override;
    void SetWriteDefaults(KStreamOptionsMotion& ioOptions) override;
};

#endif
