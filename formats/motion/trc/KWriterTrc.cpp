#include "formats/motion/trc/KWriterTrc.h"

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/trc/KTrcFile.h"

#include <new>

KWriterTrc::KWriterTrc(KRyvObjectFactory* pOwner)
    : KWriterOptical(pOwner, "Motion Analysis TRC File Exporter")
{
}

std::unique_ptr<KWriter> KWriterTrc::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriterTrc(pOwner));
}

std::unique_ptr<KOpticalMarkerFile> KWriterTrc::CreateFile(const char* pFileName)
{
    auto lFile = std::make_unique<KTrcFile>();
    if (!lFile->Create(pFileName)) {
        return nullptr;
    }
    return lFile;
}

void KWriterTrc::SetWriteDefaults(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(kOptionMarkerFile, 1);
    ioOptions.SetOption(kOptionSkipOcclusion, 0);
    ioOptions.SetOption(kOptionGlobalRoot, 0);
}
