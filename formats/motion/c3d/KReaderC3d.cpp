#include "formats/motion/c3d/KReaderC3d.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/c3d/KC3dFile.h"

#include <new>

KReaderC3d::KReaderC3d(KRyvObjectFactory* pOwner)
    : KReaderOptical(pOwner, false, "Vicon C3D File Importer", "C3D")
{
}

std::unique_ptr<KReader> KReaderC3d::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KReader>(new (std::nothrow) KReaderC3d(pOwner));
}

std::unique_ptr<KOpticalMarkerFile> KReaderC3d::CreateFile(std::unique_ptr<KByteSource> pSource)
{
    auto lFile = std::make_unique<KC3dFile>();
    if (!lFile->Open(std::move(pSource))) {
        return nullptr;
    }
    return lFile;
}

void KReaderC3d::SetReadDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionMarkerFile, 1);
    ioOptions.SetOption(kOptionOpticalName, 1);
    ioOptions.SetOption(kOptionHoldOccluded, 1);
    ioOptions.SetOption(kOptionKeepPrefixes, 1);
    // GetReadOptions has read the header, so the parameters are at hand.
    const KC3dFile* lFile = static_cast<const KC3dFile*>(GetFile());
    int lParts[4];
    if (lFile && lFile->ReadTimeCode(lParts)) {
        KTime lTimeCode;
        lTimeCode.SetTime(lParts[0], lParts[1], lParts[2], lParts[3]);
        ioOptions.SetStart(lTimeCode + ioOptions.GetStart());
    }
}
