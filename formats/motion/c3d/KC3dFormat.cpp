// The C3D format's entry in the kit's file-format registry.
#include "formats/motion/c3d/KReaderC3d.h"
#include "formats/motion/c3d/KWriterC3d.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor C3dFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "C3D markers";
    lFormat.mExtension = "c3d";
    lFormat.mImportFormat = KFileFormatRegistry::kImportC3d;
    lFormat.mExportFormat = KFileFormatRegistry::kExportC3d;
    lFormat.mCreateReader = &KReaderC3d::Create;
    lFormat.mCreateWriter = &KWriterC3d::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(C3dFormat)
