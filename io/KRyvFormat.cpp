// The native format's entries in the kit's file-format registry: one per code pair. Importer
// codes 0 to 2 all reach the one reader (it tells the forms apart by the file); exporter codes
// 0 to 2 are the 6.0 writers (binary, ASCII, encrypted), 3 and 4 the 5.x writers. Only the
// binary 6.0 entry names the extension.
#include "io/KFileFormatRegistry.h"
#include "io/KReaderRyv.h"
#include "io/KWriterRyv.h"

namespace {

KFileFormatDescriptor RyvFormat(const char* pName, const char* pExtension, int pImportFormat, int pExportFormat,
                                KWriterCreator pWriter)
{
    KFileFormatDescriptor lFormat;
    lFormat.mName = pName;
    lFormat.mExtension = pExtension;
    lFormat.mImportFormat = pImportFormat;
    lFormat.mExportFormat = pExportFormat;
    lFormat.mCreateReader = pImportFormat >= 0 ? &KReaderRyv::Create : nullptr;
    lFormat.mCreateWriter = pWriter;
    return lFormat;
}

KFileFormatDescriptor RyvBinary()
{
    return RyvFormat("native scene", "ryv", KFileFormatRegistry::kImportRyvBinary,
                     KFileFormatRegistry::kExportRyvBinary, &KWriterRyv::CreateBinary);
}

KFileFormatDescriptor RyvAscii()
{
    return RyvFormat("native scene, ASCII", nullptr, KFileFormatRegistry::kImportRyvAscii,
                     KFileFormatRegistry::kExportRyvAscii, &KWriterRyv::CreateAscii);
}

KFileFormatDescriptor RyvEncrypted()
{
    return RyvFormat("native scene, encrypted", nullptr, KFileFormatRegistry::kImportRyvEncrypted,
                     KFileFormatRegistry::kExportRyvEncrypted, &KWriterRyv::CreateEncrypted);
}

KFileFormatDescriptor Ryv5Binary()
{
    return RyvFormat("native scene, 5.x", nullptr, -1, KFileFormatRegistry::kExportRyv5Binary,
                     &KWriterRyv::CreateBinary5x);
}

KFileFormatDescriptor Ryv5Ascii()
{
    return RyvFormat("native scene, 5.x ASCII", nullptr, -1, KFileFormatRegistry::kExportRyv5Ascii,
                     &KWriterRyv::CreateAscii5x);
}

} // namespace

K_REGISTER_FILE_FORMAT(RyvBinary)
K_REGISTER_FILE_FORMAT(RyvAscii)
K_REGISTER_FILE_FORMAT(RyvEncrypted)
K_REGISTER_FILE_FORMAT(Ryv5Binary)
K_REGISTER_FILE_FORMAT(Ryv5Ascii)
