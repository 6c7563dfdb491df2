#ifndef RYVKIT_IO_KFILEFORMATTABLE_H
#define RYVKIT_IO_KFILEFORMATTABLE_H

#include <memory>

class KReader;
class KRyvObjectFactory;
class KWriter;

// Makes the reader or writer of a format, with the factory as its owner.
using KReaderCreator = std::unique_ptr<KReader> (*)(KRyvObjectFactory* pOwner);
using KWriterCreator = std::unique_ptr<KWriter> (*)(KRyvObjectFactory* pOwner);

// The one place where file formats are reached: the importer's and the exporter's tables of
// file-format codes, and the codes named by file extensions. A code whose reader or writer is
// not built, or a code outside the table, has no creator.
class KFileFormatTable
{
public:
    // Importer codes; 0 to 2 are the native format.
    enum EImportFormat : int {
        kImportRyvFirst = 0,
        kImportRyvLast = 2,
        kImportBvh = 3,
        kImportHtr = 4,
        kImportTrc = 5,
        kImportAsf = 6,
        kImportAmc = 7,
        kImportC3d = 8,
        kImportAoa = 9,
        kImportMcd = 10,
        kImportVpm = 11,
        kImportMov = 12,
        kImportBrd = 13,
        kImportDxf = 14,
        kImport3ds = 15,
        kImportObj = 16,
        kImportFormatCount = 17
    };
    // Exporter codes; 0 to 4 are the native format.
    enum EExportFormat : int {
        kExportRyvBinary = 0,
        kExportRyvAscii = 1,
        kExportRyvEncrypted = 2,
        kExportRyv5Binary = 3,
        kExportRyv5Ascii = 4,
        kExportBvh = 5,
        kExportHtr = 6,
        kExportTrc = 7,
        kExportAsf = 8,
        kExportAmc = 9,
        kExportC3d = 10,
        kExportAoa = 11,
        kExportMcd = 12,
        kExportVpm = 13,
        kExportMov = 14,
        kExportBrd = 15,
        kExportDxf = 16,
        kExport3ds = 17,
        kExportObj = 18,
        kExportFormatCount = 19
    };

    // Null when the code has no reader (writer) built.
    static KReaderCreator GetReaderCreator(int pImportFormat);
    static KWriterCreator GetWriterCreator(int pExportFormat);

    // The native codes; the other formats need an option set to be read or written.
    static bool IsNativeImportFormat(int pImportFormat);
    static bool IsNativeExportFormat(int pExportFormat);

    // The code that the extension of pFileName names (compared without regard to case; the
    // native extension gives the binary code), -1 when the name has no extension or an unknown
    // one, or is null. Only the part after the last folder separator counts.
    static int GetImportFormatFromFileName(const char* pFileName);
    static int GetExportFormatFromFileName(const char* pFileName);
};

#endif
