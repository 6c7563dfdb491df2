// The BVH format's entry in the kit's file-format registry.
#include "formats/motion/bvh/KReaderBvh.h"
#include "formats/motion/bvh/KWriterBvh.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor BvhFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "BVH motion";
    lFormat.mExtension = "bvh";
    lFormat.mImportFormat = KFileFormatRegistry::kImportBvh;
    lFormat.mExportFormat = KFileFormatRegistry::kExportBvh;
    lFormat.mCreateReader = &KReaderBvh::Create;
    lFormat.mCreateWriter = &KWriterBvh::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(BvhFormat)
