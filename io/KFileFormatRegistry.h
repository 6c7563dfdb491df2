#ifndef RYVKIT_IO_KFILEFORMATREGISTRY_H
#define RYVKIT_IO_KFILEFORMATREGISTRY_H

#include <memory>
#include <vector>

class KReader;
class KRyvObjectFactory;
class KWriter;

// Makes the reader or writer of a format, with the factory as its owner. The option sets come
// from the reader's and writer's own GetReadOptions and GetWriteOptions.
using KReaderCreator = std::unique_ptr<KReader> (*)(KRyvObjectFactory* pOwner);
using KWriterCreator = std::unique_ptr<KWriter> (*)(KRyvObjectFactory* pOwner);

// What the kit knows of one file format: its importer and exporter codes (-1 where it is not
// read or not written), the extension that names it and how to make its reader and writer. A format
// that has several codes (the native binary, ASCII and encrypted forms) registers a descriptor per
// code pair; only one of them names the extension.
struct KFileFormatDescriptor
{
    const char* mName = nullptr;      // shown to users: "OBJ geometry"
    const char* mExtension = nullptr; // lower case, without the dot; null: reached by code only
    int mImportFormat = -1;
    int mExportFormat = -1;
    KReaderCreator mCreateReader = nullptr;
    KWriterCreator mCreateWriter = nullptr;
};

// The one place where file formats are reached. Each format folder registers its descriptor at
// start-up (K_REGISTER_FILE_FORMAT); the importer, the exporter, the extension look-up and the
// command-line tool all walk this registry. A code nothing registered answers null, which the
// importer and exporter turn into "no reader (writer) for this file format".
class KFileFormatRegistry
{
public:
    // Importer codes; 0 to 2 are the native format.
    enum EImportFormat : int {
        kImportRyvBinary = 0,
        kImportRyvAscii = 1,
        kImportRyvEncrypted = 2,
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

    // The process's registry, filled by the format folders before main runs.
    static KFileFormatRegistry& Kit();

    // Copies pFormat in. False (nothing registered) when a code is outside its range or taken,
    // the extension is taken, or the descriptor has a code without the matching creator.
    bool Register(const KFileFormatDescriptor& pFormat);

    // Null when no format has the code.
    const KFileFormatDescriptor* FindImportFormat(int pImportFormat) const;
    const KFileFormatDescriptor* FindExportFormat(int pExportFormat) const;
    // The format the extension of pFileName names, compared without regard to case; only the
    // part after the last folder separator counts. Null for a null name, no or an unknown
    // extension.
    const KFileFormatDescriptor* FindByFileName(const char* pFileName) const;
    // The codes of FindByFileName's format, -1 when there is none or it has no such code.
    int GetImportFormatFromFileName(const char* pFileName) const;
    int GetExportFormatFromFileName(const char* pFileName) const;

    // Every registered format, in the order of their exporter codes (formats only read last).
    const std::vector<KFileFormatDescriptor>& GetFormats() const { return mFormats; }

    // The native codes: formats other than the native one need an option set to be read or
    // written.
    static bool IsNativeImportFormat(int pImportFormat);
    static bool IsNativeExportFormat(int pExportFormat);

private:
    std::vector<KFileFormatDescriptor> mFormats;
};

// Registers a descriptor when the program starts: one line in the format's own folder.
#define K_REGISTER_FILE_FORMAT(Descriptor)                                                         \
    namespace {                                                                                    \
    [[maybe_unused]] const bool kRegistered##Descriptor =                                          \
        KFileFormatRegistry::Kit().Register(Descriptor());                                         \
    }

#endif
