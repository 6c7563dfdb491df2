// The DXF format's entry in the kit's file-format registry.
#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor DxfFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "DXF geometry";
    lFormat.mExtension = "dxf";
    lFormat.mImportFormat = KFileFormatRegistry::kImportDxf;
    lFormat.mExportFormat = KFileFormatRegistry::kExportDxf;
    lFormat.mCreateReader = &KReaderDxf::Create;
    lFormat.mCreateWriter = &KWriterDxf::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(DxfFormat)
