// Hands the scene's factories the importer and exporter of this layer when the program starts:
// the scene sits below the import/export layer and cannot name these classes itself.
#include "io/KExporter.h"
#include "io/KImporter.h"
#include "scene/KRyvObjectFactory.h"

namespace {

bool InstallStreamMakers()
{
    KRyvStreamMakers lMakers;
    lMakers.mNewImporter = [](KRyvObjectFactory* pOwner) { return new KImporter(pOwner); };
    lMakers.mNewExporter = [](KRyvObjectFactory* pOwner) { return new KExporter(pOwner); };
    lMakers.mDeleteImporter = [](KImporter* pImporter) { delete pImporter; };
    lMakers.mDeleteExporter = [](KExporter* pExporter) { delete pExporter; };
    KRyvObjectFactory::SetStreamMakers(lMakers);
    return true;
}

[[maybe_unused]] const bool kInstalled = InstallStreamMakers();

} // namespace
