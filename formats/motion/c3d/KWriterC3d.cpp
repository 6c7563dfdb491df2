#include "formats/motion/c3d/KWriterC3d.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/c3d/KC3dFile.h"

#include <new>

KWriterC3d::KWriterC3d(KRyvObjectFactory* pOwner)
    : KWriterOptical(pOwner, "Vicon C3D File Exporter")
{
}

std::unique_ptr<KWriter> KWriterC3d::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterC3d(pOwner));
}

std::unique_ptr<KOpticalMarkerFile> KWriterC3d::CreateFile(const char* pFileName)
{
    auto lFile = std::make_unique<KC3dFile>();
    if (!lFile->Create(pFileName)) {
        return nullptr;
    }
    return lFile;
}

void KWriterC3d::SetWriteDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionMarkerFile, 1);
    ioOptions.SetOption(kOptionSkipOcclusion, 0);
    ioOptions.SetOption(kOptionNegativeScale, 1);
    ioOptions.SetOption(kOptionGlobalRoot, 0);
}
