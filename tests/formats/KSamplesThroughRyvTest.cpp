// Every OBJ, DXF and 3DS sample converted through a native file in each of its five forms gives
// the same OBJ, DXF and 3DS bytes as the direct conversion.

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
        return Read(mFactory, pPath, ioScene);
    }

    static bool Read(KRyvObjectFactory& ioFactory, const std::string& pPath, KRyvScene& ioScene)
    {
        KImporter lImporter(&ioFactory);
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
        return Write(mFactory, ioScene, pPath, pFormat);
    }

    static bool Write(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pPath,
                      int pFormat)
    {
        KExporter lExporter(&ioFactory);
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

    // A 3DS write names the objects of its whole factory, so each conversion here has a factory
    // of its own, as a conversion on the command line has.
    void Compare3ds(const std::string& pSample)
    {
        const std::string lDirect = mTemp.PathOf("direct/out.3ds");
        const std::string lThrough = mTemp.PathOf("through/out.3ds");
        const std::string lNative = mTemp.PathOf("through/x.ryv");
        fs::create_directories(mTemp.PathOf("direct"));
        fs::create_directories(mTemp.PathOf("through"));
        KRyvObjectFactory lDirectFactory;
        KRyvScene lDirectScene(&lDirectFactory);
        ASSERT_TRUE(Read(lDirectFactory, pSample, lDirectScene)) << pSample;
        ASSERT_TRUE(Write(lDirectFactory, lDirectScene, lDirect, KFileFormatRegistry::kExport3ds));
        KRyvObjectFactory lFirstFactory;
        KRyvScene lFirst(&lFirstFactory);
        ASSERT_TRUE(Read(lFirstFactory, pSample, lFirst));
        ASSERT_TRUE(Write(lFirstFactory, lFirst, lNative, GetParam()));
        KRyvObjectFactory lBackFactory;
        KRyvScene lBack(&lBackFactory);
        ASSERT_TRUE(Read(lBackFactory, lNative, lBack)) << pSample;
        ASSERT_TRUE(Write(lBackFactory, lBack, lThrough, KFileFormatRegistry::kExport3ds));
        EXPECT_TRUE(TempFolder::Read(lDirect) == TempFolder::Read(lThrough)) << pSample;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
};

std::vector<std::string> SamplesOf(const char* pFolder, const char* pExtension)
{
    std::vector<std::string> lSamples;
    const fs::path lPath = fs::path(RYV_SAMPLES_DIR) / pFolder;
    for (const auto& lEntry :
         fs::exists(lPath) ? fs::directory_iterator(lPath) : fs::directory_iterator()) {
        if (lEntry.path().extension().string() == pExtension) {
            lSamples.push_back(lEntry.path().string());
        }
    }
    return lSamples;
}

TEST_P(KSamplesThroughRyvTest, ObjAndDxfSamplesGiveTheSameBytes)
{
    std::vector<std::string> lSamples = SamplesOf("obj", ".obj");
    const std::vector<std::string> lDxf = SamplesOf("dxf", ".dxf");
    lSamples.insert(lSamples.end(), lDxf.begin(), lDxf.end());
    if (lSamples.empty()) {
        GTEST_SKIP() << "no samples";
    }
    for (const std::string& lSample : lSamples) {
        Compare(lSample, "obj", KFileFormatRegistry::kExportObj);
        Compare(lSample, "dxf", KFileFormatRegistry::kExportDxf);
    }
}

TEST_P(KSamplesThroughRyvTest, ThreeDsSamplesGiveTheSameBytes)
{
    const std::vector<std::string> lSamples = SamplesOf("3ds", ".3ds");
    if (lSamples.empty()) {
        GTEST_SKIP() << "no samples";
    }
    for (const std::string& lSample : lSamples) {
        Compare3ds(lSample);
    }
}

INSTANTIATE_TEST_SUITE_P(NativeForms, KSamplesThroughRyvTest,
                         ::testing::Values(KFileFormatRegistry::kExportRyvBinary,
                                           KFileFormatRegistry::kExportRyvAscii,
                                           KFileFormatRegistry::kExportRyvEncrypted,
                                           KFileFormatRegistry::kExportRyv5Binary,
                                           KFileFormatRegistry::kExportRyv5Ascii));

} // namespace
