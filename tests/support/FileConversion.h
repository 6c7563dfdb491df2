#ifndef RYVKIT_TESTS_SUPPORT_FILECONVERSION_H
#define RYVKIT_TESTS_SUPPORT_FILECONVERSION_H

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <memory>
#include <string>

// Reads pInput and writes pOutput with the default options, as the converter does.
inline bool Convert(const std::string& pInput, const std::string& pOutput)
{
    const KFileFormatRegistry& lRegistry = KFileFormatRegistry::Kit();
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(lRegistry.GetImportFormatFromFileName(pInput.c_str()));
    std::unique_ptr<KStreamOptions> lReadOptions;
    if (!lImporter.Initialize(pInput.c_str()) || !(lReadOptions = lImporter.GetReadOptions()) ||
        !lImporter.Import(&lScene, lReadOptions.get())) {
        return false;
    }
    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(lRegistry.GetExportFormatFromFileName(pOutput.c_str()));
    lExporter.Initialize(pOutput.c_str());
    std::unique_ptr<KStreamOptions> lWriteOptions = lExporter.GetWriteOptions();
    return lWriteOptions && lExporter.Export(&lScene, lWriteOptions.get());
}

#endif
