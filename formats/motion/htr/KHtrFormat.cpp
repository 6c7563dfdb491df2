// The HTR format's entry in the kit's file-format registry.
#include "formats/motion/htr/KReaderHtr.h"
#include "formats/motion/htr/KWriterHtr.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor HtrFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "HTR motion";
    lFormat.mExtension = "htr";
    lFormat.mImportFormat = KFileFormatRegistry::kImportHtr;
    lFormat.mExportFormat = KFileFormatRegistry::kExportHtr;
    lFormat.mCreateReader = &KReaderHtr::Create;
    lFormat.mCreateWriter = &KWriterHtr::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(HtrFormat)
