// Every OBJ and DXF sample converted through a native file in each of its five forms gives the
// same OBJ and DXF bytes as the direct conversion.

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kPassword[] = "pass";

class KSamplesThroughRyvTest : public ::testing::TestWithParam<int>
{
protected:
    bool Read(const std::string& pPath, KRyvScene& ioScene)
    {
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath.c_str()));
        if (!lImporter.Initialize(pPath.c_str())) {
            return false;
        }
        std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
        if (auto* lNative = dynamic_cast<KStreamOptionsRyv*>(lOptions.get())) {
            lNative->SetPassword(kPassword);
        }
        return lImporter.Import(&ioScene, lOptions.get());
    }

    bool Write(KRyvScene& ioScene, const std::string& pPath, int pFormat)
    {
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(pFormat);
        lExporter.Initialize(pPath.c_str());
        std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
        if (auto* lNative = dynamic_cast<KStreamOptionsRyv*>(lOptions.get())) {
            lNative->SetPassword(kPassword);
        }
        return lExporter.Export(&ioScene, lOptions.get());
    }

    // pSample written as pExtension directly and after a native file of the parameter's form.
    void Compare(const std::string& pSample, const char* pExtension, int pFormat)
    {
        const std::string lDirect = mTemp.PathOf(std::string("direct/out.") + pExtension);
        const std::string lThrough = mTemp.PathOf(std::string("through/out.") + pExtension);
        fs::create_directories(mTemp.PathOf("direct"));
        fs::create_directories(mTemp.PathOf("through"));
        KRyvScene lScene(&mFactory);
        ASSERT_TRUE(Read(pSample, lScene)) << pSample;
        ASSERT_TRUE(Write(lScene, lDirect, pFormat));
        const std::string lNative = mTemp.PathOf("through/x.ryv");
        ASSERT_TRUE(Write(lScene, lNative, GetParam()));
        KRyvScene lBack(&mFactory);
        ASSERT_TRUE(Read(lNative, lBack));
        ASSERT_TRUE(Write(lBack, lThrough, pFormat));
        EXPECT_TRUE(TempFolder::Read(lDirect) == TempFolder::Read(lThrough))
            << pSample << " as " << pExtension;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
};

TEST_P(KSamplesThroughRyvTest, ObjAndDxfSamplesGiveTheSameBytes)
{
    std::vector<std::string> lSamples;
    for (const char* lFolder : {"obj", "dxf"}) {
        const fs::path lPath = fs::path(RYV_SAMPLES_DIR) / lFolder;
        for (const auto& lEntry :
             fs::exists(lPath) ? fs::directory_iterator(lPath) : fs::directory_iterator()) {
            const std::string lExtension = lEntry.path().extension().string();
            if (lExtension == ".obj" || lExtension == ".dxf") {
                lSamples.push_back(lEntry.path().string());
            }
        }
    }
    if (lSamples.empty()) {
        GTEST_SKIP() << "no samples";
    }
    for (const std::string& lSample : lSamples) {
        Compare(lSample, "obj", KFileFormatRegistry::kExportObj);
        Compare(lSample, "dxf", KFileFormatRegistry::kExportDxf);
    }
}

INSTANTIATE_TEST_SUITE_P(NativeForms, KSamplesThroughRyvTest,
                         ::testing::Values(KFileFormatRegistry::kExportRyvBinary,
                                           KFileFormatRegistry::kExportRyvAscii,
                                           KFileFormatRegistry::kExportRyvEncrypted,
                                           KFileFormatRegistry::kExportRyv5Binary,
                                           KFileFormatRegistry::kExportRyv5Ascii));

} // namespace
