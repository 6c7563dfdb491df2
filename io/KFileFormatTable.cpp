#include "io/KFileFormatTable.h"

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "formats/motion/bvh/KWriterBvh.h"
#include "io/KReaderRyv.h"
#include "io/KWriterRyv.h"

#include <cstring>

namespace {

// One row per importer code. A format puts its reader's creator in its row.
const KReaderCreator kReaderCreators[KFileFormatTable::kImportFormatCount] = {
    &KReaderRyv::Create, // 0 native binary
    &KReaderRyv::Create, // 1 native ASCII
    &KReaderRyv::Create, // 2 native encrypted
    &KReaderBvh::Create, // 3 BVH
    nullptr, // 4 HTR
    nullptr, // 5 TRC
    nullptr, // 6 ASF
    nullptr, // 7 AMC
    nullptr, // 8 C3D
    nullptr, // 9 AOA
    nullptr, // 10 MCD
    nullptr, // 11 VPM
    nullptr, // 12 MOV
    nullptr, // 13 BRD
    nullptr, // 14 DXF
    nullptr, // 15 3DS
    &KReaderObj::Create, // 16 OBJ
};

// One row per exporter code. A format puts its writer's creator in its row.
const KWriterCreator kWriterCreators[KFileFormatTable::kExportFormatCount] = {
    &KWriterRyv::CreateBinary, // 0 native binary
    &KWriterRyv::CreateAscii, // 1 native ASCII
    &KWriterRyv::CreateEncrypted, // 2 native encrypted
    &KWriterRyv::CreateBinary5x, // 3 native 5.x binary
    &KWriterRyv::CreateAscii5x, // 4 native 5.x ASCII
    &KWriterBvh::Create, // 5 BVH
    nullptr, // 6 HTR
    nullptr, // 7 TRC
    nullptr, // 8 ASF
    nullptr, // 9 AMC
    nullptr, // 10 C3D
    nullptr, // 11 AOA
    nullptr, // 12 MCD
    nullptr, // 13 VPM
    nullptr, // 14 MOV
    nullptr, // 15 BRD
    nullptr, // 16 DXF
    nullptr, // 17 3DS
    &KWriterObj::Create, // 18 OBJ
};

struct KExtensionCodes
{
    const char* mExtension;
    int mImportFormat;
    int mExportFormat;
};

const KExtensionCodes kExtensions[] = {
    {"ryv", KFileFormatTable::kImportRyvFirst, KFileFormatTable::kExportRyvBinary},
    {"bvh", KFileFormatTable::kImportBvh, KFileFormatTable::kExportBvh},
    {"htr", KFileFormatTable::kImportHtr, KFileFormatTable::kExportHtr},
    {"trc", KFileFormatTable::kImportTrc, KFileFormatTable::kExportTrc},
    {"asf", KFileFormatTable::kImportAsf, KFileFormatTable::kExportAsf},
    {"amc", KFileFormatTable::kImportAmc, KFileFormatTable::kExportAmc},
    {"c3d", KFileFormatTable::kImportC3d, KFileFormatTable::kExportC3d},
    {"aoa", KFileFormatTable::kImportAoa, KFileFormatTable::kExportAoa},
    {"mcd", KFileFormatTable::kImportMcd, KFileFormatTable::kExportMcd},
    {"vpm", KFileFormatTable::kImportVpm, KFileFormatTable::kExportVpm},
    {"mov", KFileFormatTable::kImportMov, KFileFormatTable::kExportMov},
    {"brd", KFileFormatTable::kImportBrd, KFileFormatTable::kExportBrd},
    {"dxf", KFileFormatTable::kImportDxf, KFileFormatTable::kExportDxf},
    {"3ds", KFileFormatTable::kImport3ds, KFileFormatTable::kExport3ds},
    {"obj", KFileFormatTable::kImportObj, KFileFormatTable::kExportObj},
};

char LowerAscii(char pChar)
{
    const unsigned char lChar = static_cast<unsigned char>(pChar);
    return lChar >= 'A' && lChar <= 'Z' ? static_cast<char>(lChar - 'A' + 'a') : pChar;
}

// The extension row of the file name, null when there is none.
const KExtensionCodes* FindExtension(const char* pFileName)
{
    if (!pFileName) {
        return nullptr;
    }
    const char* lExtension = nullptr;
    for (const char* lChar = pFileName; *lChar; ++lChar) {
        if (*lChar == '/' || *lChar == '\\') {
            lExtension = nullptr;
        } else if (*lChar == '.') {
            lExtension = lChar + 1;
        }
    }
    if (!lExtension) {
        return nullptr;
    }
    for (const KExtensionCodes& lRow : kExtensions) {
        const std::size_t lLength = std::strlen(lRow.mExtension);
        if (std::strlen(lExtension) != lLength) {
            continue;
        }
        bool lSame = true;
        for (std::size_t i = 0; i < lLength && lSame; ++i) {
            lSame = LowerAscii(lExtension[i]) == lRow.mExtension[i];
        }
        if (lSame) {
            return &lRow;
        }
    }
    return nullptr;
}

} // namespace

KReaderCreator KFileFormatTable::GetReaderCreator(int pImportFormat)
{
    return pImportFormat >= 0 && pImportFormat < kImportFormatCount ? kReaderCreators[pImportFormat]
                                                                    : nullptr;
}

KWriterCreator KFileFormatTable::GetWriterCreator(int pExportFormat)
{
    return pExportFormat >= 0 && pExportFormat < kExportFormatCount ? kWriterCreators[pExportFormat]
                                                                    : nullptr;
}

bool KFileFormatTable::IsNativeImportFormat(int pImportFormat)
{
    return pImportFormat >= kImportRyvFirst && pImportFormat <= kImportRyvLast;
}

bool KFileFormatTable::IsNativeExportFormat(int pExportFormat)
{
    return pExportFormat >= kExportRyvBinary && pExportFormat <= kExportRyv5Ascii;
}

int KFileFormatTable::GetImportFormatFromFileName(const char* pFileName)
{
    const KExtensionCodes* lRow = FindExtension(pFileName);
    return lRow ? lRow->mImportFormat : -1;
}

int KFileFormatTable::GetExportFormatFromFileName(const char* pFileName)
{
    const KExtensionCodes* lRow = FindExtension(pFileName);
    return lRow ? lRow->mExportFormat : -1;
}
