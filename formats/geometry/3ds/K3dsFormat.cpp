// The 3DS format's entry in the kit's file-format registry.
#include "formats/geometry/3ds/KReader3ds.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor Format3ds()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "3D Studio 3DS";
    lFormat.mExtension = "3ds";
    lFormat.mImportFormat = KFileFormatRegistry::kImport3ds;
    lFormat.mExportFormat = KFileFormatRegistry::kExport3ds;
    lFormat.mCreateReader = &KReader3ds::Create;
    lFormat.mCreateWriter = &KWriter3ds::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(Format3ds)
