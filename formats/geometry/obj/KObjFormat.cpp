// The OBJ format's entry in the kit's file-format registry.
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor ObjFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "OBJ geometry";
    lFormat.mExtension = "obj";
    lFormat.mImportFormat = KFileFormatRegistry::kImportObj;
    lFormat.mExportFormat = KFileFormatRegistry::kExportObj;
    lFormat.mCreateReader = &KReaderObj::Create;
    lFormat.mCreateWriter = &KWriterObj::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(ObjFormat)
