// The MOV format's entry in the kit's file-format registry.
#include "formats/motion/mov/KReaderMov.h"
#include "formats/motion/mov/KWriterMov.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor MovFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "MOV motion";
    lFormat.mExtension = "mov";
    lFormat.mImportFormat = KFileFormatRegistry::kImportMov;
    lFormat.mExportFormat = KFileFormatRegistry::kExportMov;
    lFormat.mCreateReader = &KReaderMov::Create;
    lFormat.mCreateWriter = &KWriterMov::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(MovFormat)
