// The VPM format's entry in the kit's file-format registry.
#include "formats/motion/vpm/KReaderVpm.h"
#include "formats/motion/vpm/KWriterVpm.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor VpmFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "VPM motion";
    lFormat.mExtension = "vpm";
    lFormat.mImportFormat = KFileFormatRegistry::kImportVpm;
    lFormat.mExportFormat = KFileFormatRegistry::kExportVpm;
    lFormat.mCreateReader = &KReaderVpm::Create;
    lFormat.mCreateWriter = &KWriterVpm::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(VpmFormat)
