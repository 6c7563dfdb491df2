// The optical formats through the kit's exporter and importer, by their format codes.
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"

#include "OpticalTestScene.h"

namespace {

struct Codes
{
    const char* mExtension;
    int mImport;
    int mExport;
    const char* mReference;
};

class OpticalFormats : public testing::TestWithParam<Codes>
{
};

TEST_P(OpticalFormats, ExportAndImportByCode)
{
    OpticalSettingsGuard lSettings;
    const Codes& lCodes = GetParam();
    const KFileFormatRegistry& lRegistry = KFileFormatRegistry::Kit();
    const std::string lName = std::string("walk.") + lCodes.mExtension;
    EXPECT_EQ(lRegistry.GetImportFormatFromFileName(lName.c_str()), lCodes.mImport);
    EXPECT_EQ(lRegistry.GetExportFormatFromFileName(lName.c_str()), lCodes.mExport);

    MarkerSet lSet;
    lSet.mNames = {"Hip", "Knee"};
    lSet.mFrames = 4;
    lSet.mRate = 60.0;
    lSet.mPosition = [](int pMarker, int pFrame) {
        return KVector4(pMarker + 1.0, pFrame + 2.0, 3.0, 1.0);
    };
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    BuildMarkerScene(lFactory, *lScene, lSet);
    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(lCodes.mExport);
    const std::string lPath = OpticalTestPath(lName);
    lExporter.Initialize(lPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
    ASSERT_NE(lOptions, nullptr);
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetTimeMode(0, 60.0);
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetFrameCount(4);
    ASSERT_TRUE(lExporter.Export(lScene, lOptions.get()))
        << lExporter.GetError().GetLastErrorString().Buffer();

    OpticalTestScene lBack;
    KImporter lImporter(&lBack.mFactory);
    lImporter.SetFileFormat(lCodes.mImport);
    ASSERT_TRUE(lImporter.Initialize(lPath.c_str()));
    std::unique_ptr<KStreamOptions> lRead = lImporter.GetReadOptions();
    ASSERT_NE(lRead, nullptr);
    ASSERT_TRUE(lImporter.Import(lBack.mScene, lRead.get()));
    lBack.mOptions.reset(static_cast<KStreamOptionsMotion*>(lRead.release()));
    EXPECT_STREQ(lBack.Reference()->GetName().Buffer(), lCodes.mReference);
    ASSERT_EQ(lBack.MarkerCount(), 2);
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), 4);
    EXPECT_NEAR(lBack.Value(1, 0, 3), 2.0, 1e-5);
    EXPECT_NEAR(lBack.Value(1, 1, 3), 5.0, 1e-5);
    EXPECT_NEAR(lBack.Value(0, 2, 0), 3.0, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Codes, OpticalFormats,
                         testing::Values(Codes{"trc", 5, 7, "Model::TRC:optical"},
                                         Codes{"c3d", 8, 10, "Model::C3D:optical"},
                                         Codes{"aoa", 9, 11, "Model::AOA:optical"},
                                         Codes{"mcd", 10, 12, "Model::MCD:optical"}),
                         [](const testing::TestParamInfo<Codes>& pInfo) {
                             return std::string(pInfo.param.mExtension);
                         });

} // namespace
