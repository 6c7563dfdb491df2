#include "formats/motion/aoa/KReaderAoa.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/aoa/KAoaFile.h"

#include <new>

KReaderAoa::KReaderAoa(KRyvObjectFactory* pOwner, EFlavour pFlavour)
    : KReaderOptical(pOwner, true,
                     pFlavour == eMcd ? "Superfluo MCD File Importer"
                                      : "Adaptive Optics AOA File Importer",
                     pFlavour == eMcd ? "MCD" : "AOA")
{
}

std::unique_ptr<KReader> KReaderAoa::CreateAoa(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAoa(pOwner, eAoa));
}

std::unique_ptr<KReader> KReaderAoa::CreateMcd(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderAoa(pOwner, eMcd));
}

std::unique_ptr<KOpticalMarkerFile> KReaderAoa::CreateFile(std::unique_ptr<KByteSource> pSource)
{
    auto lFile = std::make_unique<KAoaFile>();
    if (!lFile->Open(std::move(pSource))) {
        return nullptr;
    }
    return lFile;
}

void KReaderAoa::SetReadDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionOpticalName, 1);
    ioOptions.SetOption(kOptionZeroOccluded, 1);
    ioOptions.SetOption(kOptionHoldOccluded, 1);
}
