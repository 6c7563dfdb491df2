// The AOA and MCD formats' entries in the kit's file-format registry: one reader and one writer
// class, in two flavours.
#include "formats/motion/aoa/KReaderAoa.h"
#include "formats/motion/aoa/KWriterAoa.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor AoaFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "AOA markers";
    lFormat.mExtension = "aoa";
    lFormat.mImportFormat = KFileFormatRegistry::kImportAoa;
    lFormat.mExportFormat = KFileFormatRegistry::kExportAoa;
    lFormat.mCreateReader = &KReaderAoa::CreateAoa;
    lFormat.mCreateWriter = &KWriterAoa::CreateAoa;
    return lFormat;
}

KFileFormatDescriptor McdFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "MCD markers";
    lFormat.mExtension = "mcd";
    lFormat.mImportFormat = KFileFormatRegistry::kImportMcd;
    lFormat.mExportFormat = KFileFormatRegistry::kExportMcd;
    lFormat.mCreateReader = &KReaderAoa::CreateMcd;
    lFormat.mCreateWriter = &KWriterAoa::CreateMcd;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(AoaFormat)
K_REGISTER_FILE_FORMAT(McdFormat)
