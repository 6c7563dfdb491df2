#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

constexpr char kPassword[] = "open sesame";

std::vector<char> FileBytes(const std::string& pName)
{
    std::ifstream lStream(pName, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(lStream), std::istreambuf_iterator<char>());
}

class KRyvRoundTripTest : public ::testing::TestWithParam<int>
{
protected:
    std::string TempName(const char* pSuffix) const
    {
        return mFolder.PathOf("roundtrip" + std::string(pSuffix));
    }

    // Writes pScene with the exporter code, answers the exporter's success.
    bool Export(KRyvScene* pScene, int pCode, const std::string& pName, KStreamOptionsRyv* pOptions)
    {
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(pCode);
        lExporter.Initialize(pName.c_str());
        const bool lDone = lExporter.Export(pScene, pOptions);
        EXPECT_TRUE(lDone) << lExporter.GetError().GetLastErrorString().Buffer() << lExporter.GetMessage().Buffer();
        return lDone;
    }

    KRyvScene* Import(const std::string& pName, KStreamOptionsRyv* pOptions)
    {
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
        KRyvScene* lScene = mFactory.CreateScene();
        const bool lRead = lImporter.Initialize(pName.c_str()) && lImporter.Import(lScene, pOptions);
        EXPECT_TRUE(lRead) << lImporter.GetError().GetLastErrorString().Buffer() << lImporter.GetMessage().Buffer();
        return lScene;
    }

    TempFolder mFolder;
    KRyvObjectFactory mFactory;
};

TEST_P(KRyvRoundTripTest, EverySceneObjectKindReadsBackTheSame)
{
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword(kPassword);
    const std::string lName = TempName(".ryv");
    ASSERT_TRUE(Export(lScene, GetParam(), lName, &lOptions));
    KStreamOptionsRyv lReadOptions;
    lReadOptions.SetPassword(kPassword);
    KRyvScene* lRead = Import(lName, &lReadOptions);
    EXPECT_EQ(KSceneComparer().Compare(*lScene, *lRead), "");
}

TEST_P(KRyvRoundTripTest, WriteReadWriteIsByteIdentical)
{
    if (GetParam() == KFileFormatRegistry::kExportRyvEncrypted) {
        GTEST_SKIP() << "a sealed body has a fresh salt every time";
    }
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    KStreamOptionsRyv lOptions;
    const std::string lFirst = TempName("_a.ryv");
    const std::string lSecond = TempName("_b.ryv");
    ASSERT_TRUE(Export(lScene, GetParam(), lFirst, &lOptions));
    KStreamOptionsRyv lReadOptions;
    KRyvScene* lRead = Import(lFirst, &lReadOptions);
    ASSERT_TRUE(Export(lRead, GetParam(), lSecond, &lReadOptions));
    EXPECT_EQ(FileBytes(lFirst), FileBytes(lSecond));
}

INSTANTIATE_TEST_SUITE_P(WriterCodes, KRyvRoundTripTest,
                         ::testing::Values(KFileFormatRegistry::kExportRyvBinary, KFileFormatRegistry::kExportRyvAscii,
                                           KFileFormatRegistry::kExportRyvEncrypted,
                                           KFileFormatRegistry::kExportRyv5Binary,
                                           KFileFormatRegistry::kExportRyv5Ascii));

} // namespace
