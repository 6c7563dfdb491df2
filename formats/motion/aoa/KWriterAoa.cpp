#include "formats/motion/aoa/KWriterAoa.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/aoa/KAoaFile.h"

#include <new>

KWriterAoa::KWriterAoa(KRyvObjectFactory* pOwner, EFlavour pFlavour)
    : KWriterOptical(pOwner, pFlavour == eMcd ? "Superfluo MCD File Exporter"
                                              : "Adaptive Optics AOA File Exporter")
{
}

std::unique_ptr<KWriter> KWriterAoa::CreateAoa(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterAoa(pOwner, eAoa));
}

std::unique_ptr<KWriter> KWriterAoa::CreateMcd(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterAoa(pOwner, eMcd));
}

std::unique_ptr<KOpticalMarkerFile> KWriterAoa::CreateFile(const char* pFileName)
{
    auto lFile = std::make_unique<KAoaFile>();
    if (!lFile->Create(pFileName)) {
        return nullptr;
    }
    return lFile;
}

void KWriterAoa::SetWriteDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionGlobalRoot, 0);
}
