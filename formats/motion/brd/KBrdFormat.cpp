// The BRD format's entry in the kit's file-format registry.
#include "formats/motion/brd/KReaderBrd.h"
#include "formats/motion/brd/KWriterBrd.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor BrdFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "BRD motion";
    lFormat.mExtension = "brd";
    lFormat.mImportFormat = KFileFormatRegistry::kImportBrd;
    lFormat.mExportFormat = KFileFormatRegistry::kExportBrd;
    lFormat.mCreateReader = &KReaderBrd::Create;
    lFormat.mCreateWriter = &KWriterBrd::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(BrdFormat)
