// The ASF and AMC formats' entries in the kit's file-format registry: a skeleton and its motion,
// read and written as a pair through one motion option set.
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KWriterAmc.h"
#include "formats/motion/asf-amc/KWriterAsf.h"
#include "io/KFileFormatRegistry.h"

namespace {

KFileFormatDescriptor AsfFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "ASF skeleton";
    lFormat.mExtension = "asf";
    lFormat.mImportFormat = KFileFormatRegistry::kImportAsf;
    lFormat.mExportFormat = KFileFormatRegistry::kExportAsf;
    lFormat.mCreateReader = &KReaderAsf::Create;
    lFormat.mCreateWriter = &KWriterAsf::Create;
    return lFormat;
}

KFileFormatDescriptor AmcFormat()
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = "AMC motion";
    lFormat.mExtension = "amc";
    lFormat.mImportFormat = KFileFormatRegistry::kImportAmc;
    lFormat.mExportFormat = KFileFormatRegistry::kExportAmc;
    lFormat.mCreateReader = &KReaderAmc::Create;
    lFormat.mCreateWriter = &KWriterAmc::Create;
    return lFormat;
}

} // namespace

K_REGISTER_FILE_FORMAT(AsfFormat)
K_REGISTER_FILE_FORMAT(AmcFormat)
