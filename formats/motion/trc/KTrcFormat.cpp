// The TRC format's entry in the kit's file-format registry.
#include "formats/motion/trc/KReaderTrc.h"
#include "formats/motion/trc/KWriterTrc.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor TrcFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "TRC markers";
    lFormat.mExtension = "trc";
    lFormat.mImportFormat = KFileFormatRegistry::kImportTrc;
    lFormat.mExportFormat = KFileFormatRegistry::kExportTrc;
    lFormat.mCreateReader = &KReaderTrc::Create;
    lFormat.mCreateWriter = &KWriterTrc::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(TrcFormat)
