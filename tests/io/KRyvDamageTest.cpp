#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KReaderRyv.h"
#include "io/KRyvMedia.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "object/KProperty.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvTexture.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <zlib.h>

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& pName)
{
    std::ifstream lStream(pName, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(lStream),
                                     std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& pName, const std::vector<std::uint8_t>& pBytes)
{
    std::ofstream lStream(pName, std::ios::binary);
    lStream.write(reinterpret_cast<const char*>(pBytes.data()),
                  static_cast<std::streamsize>(pBytes.size()));
}

// The CRC of a binary file mended after a deliberate change, so that the change reaches the
// layer behind the frame check.
void MendCrc(std::vector<std::uint8_t>& ioBytes)
{
    const std::size_t lAt = ioBytes.size() - KRyvContainer::kFooterSize;
    const std::uint32_t lCrc =
        static_cast<std::uint32_t>(crc32(0, ioBytes.data(), static_cast<uInt>(lAt)));
    std::memcpy(ioBytes.data() + lAt, &lCrc, sizeof(lCrc));
}

class KRyvDamageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mName = mTemp.PathOf("damage.ryv");
        mBytes = SmallFile();
        mTarget = mFactory.CreateScene();
        mTarget->GetRootNode()->AddChild(mFactory.CreateNode("Keep"));
    }

    // A root and one child with a null attribute, without property blocks or takes: small
    // enough to cut at every length.
    static std::vector<std::uint8_t> SmallFile()
    {
        KRyvFile lFile;
        lFile.Create(KRyvContainer::kVersion60, false, nullptr);
        lFile.FieldWriteBegin("Objects");
        for (const char* lName : {"Model::RootNode", "Model::Small"}) {
            lFile.FieldWriteBegin("Model");
            lFile.FieldWriteC(lName);
            lFile.FieldWriteC(std::strcmp(lName, "Model::Small") == 0 ? "Model::RootNode" : "");
            lFile.FieldWriteEnd();
        }
        lFile.FieldWriteEnd();
        KRyvMemoryStream lStream;
        EXPECT_TRUE(lFile.Save(lStream));
        return lStream.GetBytes();
    }

    std::vector<std::uint8_t> WriteScene(KRyvScene* pScene, KWriterRyv::EFlavour pFlavour,
                                         const char* pPassword)
    {
        KWriterRyv lWriter(&mFactory, pFlavour);
        KStreamOptionsRyv lOptions;
        lOptions.SetPassword(pPassword);
        EXPECT_TRUE(lWriter.FileCreate(mName.c_str()));
        EXPECT_TRUE(lWriter.Write(pScene, &lOptions));
        return ReadBytes(mName);
    }

    // Reads the bytes into the target scene: the reader's error code, -1 for success.
    int Read(const std::vector<std::uint8_t>& pBytes, const char* pPassword = "")
    {
        WriteBytes(mName, pBytes);
        KReaderRyv lReader(&mFactory);
        KStreamOptionsRyv lOptions;
        lOptions.SetPassword(pPassword);
        if (!lReader.FileOpen(mName.c_str()) || !lReader.Read(mTarget, &lOptions)) {
            return lReader.GetError().GetLastErrorID();
        }
        return -1;
    }

    bool TargetUntouched() const
    {
        return mTarget->GetRootNode()->GetChildCount() == 1 &&
               mTarget->GetRootNode()->GetChild(0)->GetName().Compare("Model::Keep") == 0;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    std::string mName;
    std::vector<std::uint8_t> mBytes;
    KRyvScene* mTarget = nullptr;
};

TEST_F(KRyvDamageTest, EveryTruncationIsCorruptedAndLeavesTheSceneAlone)
{
    for (std::size_t lLength = 0; lLength < mBytes.size(); ++lLength) {
        ASSERT_EQ(Read(std::vector<std::uint8_t>(mBytes.begin(),
                                                 mBytes.begin() + static_cast<long>(lLength))),
                  KReader::kFileCorrupted)
            << lLength;
    }
    EXPECT_TRUE(TargetUntouched());
    EXPECT_EQ(Read(mBytes), -1);
    EXPECT_FALSE(TargetUntouched());
}

TEST_F(KRyvDamageTest, SeededByteFlipsZerosAndTrailingBytesAreCorrupted)
{
    std::mt19937 lRandom(17);
    for (int i = 0; i < 200; ++i) {
        std::vector<std::uint8_t> lFlipped = mBytes;
        lFlipped[lRandom() % lFlipped.size()] ^= static_cast<std::uint8_t>(1 + lRandom() % 255);
        const int lCode = Read(lFlipped);
        EXPECT_TRUE(lCode == KReader::kFileCorrupted ||
                    lCode == KReader::kFileVersionNotSupportedYet ||
                    lCode == KReader::kFileVersionNotSupportedAnymore)
            << i;
    }
    EXPECT_EQ(Read(std::vector<std::uint8_t>(mBytes.size(), 0)), KReader::kFileCorrupted);
    std::vector<std::uint8_t> lLonger = mBytes;
    lLonger.push_back('x');
    EXPECT_EQ(Read(lLonger), KReader::kFileCorrupted);
    EXPECT_TRUE(TargetUntouched());
}

TEST_F(KRyvDamageTest, VersionsSevenAndFourGetTheirCodes)
{
    const std::pair<std::uint32_t, int> kCases[] = {
        {7000, KReader::kFileVersionNotSupportedYet},
        {4800, KReader::kFileVersionNotSupportedAnymore}};
    for (const auto& lCase : kCases) {
        std::vector<std::uint8_t> lBytes = mBytes;
        std::memcpy(lBytes.data() + 8, &lCase.first, sizeof(lCase.first));
        MendCrc(lBytes);
        EXPECT_EQ(Read(lBytes), lCase.second);
    }
    EXPECT_TRUE(TargetUntouched());
}

TEST_F(KRyvDamageTest, WrongPasswordIsErrorFiveAndTheImportersText)
{
    const std::vector<std::uint8_t> lSealed =
        WriteScene(mFactory.CreateScene(), KWriterRyv::kEncrypted60, "right");
    EXPECT_EQ(Read(lSealed, "wrong"), KReader::kWrongPassword);
    EXPECT_TRUE(TargetUntouched());
    KImporter lImporter(&mFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    ASSERT_TRUE(lImporter.Initialize(mName.c_str()));
    EXPECT_FALSE(lImporter.Import(mTarget, nullptr));
    EXPECT_STREQ(lImporter.GetError().GetLastErrorString().Buffer(),
                 "File is password protected and the provided password is wrong.");
    EXPECT_EQ(Read(lSealed, "right"), -1);
}

// Records that decode but cannot make a scene: the read fails, the scene is as it was and the
// factory holds nothing more than before.
TEST_F(KRyvDamageTest, RecordsThatMakeNoSceneLeaveItAsItWas)
{
    const auto lOrphan = [](KRyvFile& ioFile) {
        ioFile.FieldWriteBegin("Objects");
        ioFile.FieldWriteBegin("Model");
        ioFile.FieldWriteC("Model::RootNode");
        ioFile.FieldWriteC("");
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteBegin("Model");
        ioFile.FieldWriteC("Model::Orphan");
        ioFile.FieldWriteC("Model::Nobody");
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
    };
    const auto lBadPolygon = [](KRyvFile& ioFile) {
        ioFile.FieldWriteBegin("Objects");
        ioFile.FieldWriteBegin("Model");
        ioFile.FieldWriteC("Model::RootNode");
        ioFile.FieldWriteC("");
        ioFile.FieldWriteBegin("Attribute");
        ioFile.FieldWriteC("Mesh");
        ioFile.FieldWriteBegin("Vertices");
        ioFile.FieldWriteArray(std::vector<double>(8, 0.0));
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteBegin("PolygonSize");
        ioFile.FieldWriteArray(std::vector<std::int32_t>{3});
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
    };
    // A surface claiming a huge grid over two points: refused before anything is sized by it.
    const auto lHugeSurface = [](KRyvFile& ioFile) {
        ioFile.FieldWriteBegin("Objects");
        ioFile.FieldWriteBegin("Model");
        ioFile.FieldWriteC("Model::RootNode");
        ioFile.FieldWriteC("");
        ioFile.FieldWriteBegin("Attribute");
        ioFile.FieldWriteC("Patch");
        ioFile.FieldWriteBegin("Vertices");
        ioFile.FieldWriteArray(std::vector<double>(8, 0.0));
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteBegin("Pivot");
        ioFile.FieldWriteArray(std::vector<double>(16, 0.0));
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteBegin("PatchSurface");
        for (int lValue : {2000, 4, 2000, 4, 1, 1}) {
            ioFile.FieldWriteI(lValue);
        }
        for (int i = 0; i < 6; ++i) {
            ioFile.FieldWriteB(false);
        }
        ioFile.FieldWriteI(0);
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
        ioFile.FieldWriteEnd();
    };
    for (const auto& lBuild :
         {std::function<void(KRyvFile&)>(lOrphan), std::function<void(KRyvFile&)>(lBadPolygon),
          std::function<void(KRyvFile&)>(lHugeSurface)}) {
        KRyvFile lFile;
        lFile.Create(KRyvContainer::kVersion60, false, nullptr);
        lBuild(lFile);
        KRyvMemoryStream lStream;
        ASSERT_TRUE(lFile.Save(lStream));
        const int lNodes = mFactory.GetNodeCount();
        const int lAttributes = mFactory.GetNodeAttributeCount();
        EXPECT_EQ(Read(lStream.GetBytes()), KReader::kFileCorrupted);
        EXPECT_TRUE(TargetUntouched());
        EXPECT_EQ(mFactory.GetNodeCount(), lNodes);
        EXPECT_EQ(mFactory.GetNodeAttributeCount(), lAttributes);
    }
}

// A key holding NaN or an infinity is refused as a value past a float's range is, and the
// refusal names where it lies.
TEST_F(KRyvDamageTest, KeysThatAreNotFiniteAreCorruptedAndNamed)
{
    for (const bool lPacked : {true, false}) {
        for (const float lValue :
             {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
              -std::numeric_limits<float>::infinity()}) {
            KRyvFile lFile;
            lFile.Create(KRyvContainer::kVersion60, false, nullptr);
            lFile.FieldWriteBegin("Objects");
            lFile.FieldWriteBegin("Model");
            lFile.FieldWriteC("Model::RootNode");
            lFile.FieldWriteC("");
            lFile.FieldWriteBegin("Take");
            lFile.FieldWriteC("Walk");
            lFile.FieldWriteB(true);
            lFile.FieldWriteBegin("Channel");
            lFile.FieldWriteC("Lift");
            lFile.FieldWriteC("");
            lFile.FieldWriteI(0);
            lFile.FieldWriteI(0);
            lFile.FieldWriteBegin("Curve");
            lFile.FieldWriteD(0.0);
            lFile.FieldWriteArray(std::vector<float>{1.0f, 0.0f, 0.0f});
            for (const int lHeader : {0, 1, -1, 1, -1}) {
                lFile.FieldWriteI(lHeader);
            }
            const std::vector<float> lValues{1.0f, 2.0f, lValue};
            if (lPacked) {
                lFile.FieldWriteBegin("KeyTime");
                lFile.FieldWriteArray(std::vector<std::int64_t>{0, 1, 2});
                lFile.FieldWriteEnd();
                lFile.FieldWriteBegin("KeyValue");
                lFile.FieldWriteArray(lValues);
                lFile.FieldWriteEnd();
            } else {
                for (std::int64_t k = 0; k < 3; ++k) {
                    lFile.FieldWriteBegin("K");
                    lFile.FieldWriteL(k);
                    lFile.FieldWriteF(lValues[static_cast<std::size_t>(k)]);
                    lFile.FieldWriteI(0);
                    for (int f = 0; f < 7; ++f) {
                        lFile.FieldWriteF(0.0f);
                    }
                    lFile.FieldWriteEnd();
                }
            }
            for (int lEnd = 0; lEnd < 5; ++lEnd) {
                lFile.FieldWriteEnd();
            }
            KRyvMemoryStream lStream;
            ASSERT_TRUE(lFile.Save(lStream));
            KReaderRyv lReader(&mFactory);
            KStreamOptionsRyv lOptions;
            WriteBytes(mName, lStream.GetBytes());
            ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
            EXPECT_FALSE(lReader.Read(mTarget, &lOptions)) << lValue;
            EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
            EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(),
                         "File is corrupted: channel \"Lift\": key 2 is not a finite number in "
                         "take \"Walk\"");
            EXPECT_TRUE(TargetUntouched());
        }
    }
}

TEST_F(KRyvDamageTest, HugeDefinitionCountsOnlyScaleTheProgress)
{
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Definitions");
    for (const char* lKind : {"Model", "Material", "Texture"}) {
        lFile.FieldWriteI(lKind, std::numeric_limits<int>::max());
    }
    lFile.FieldWriteEnd();
    lFile.FieldWriteBegin("Objects");
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    ASSERT_TRUE(lFile.Save(lStream));
    EXPECT_EQ(Read(lStream.GetBytes()), -1);
}

class KRyvMediaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = mTemp.PathOf("media");
        mMedia = std::make_unique<KRyvMediaFolder>(mFolder.c_str());
    }

    // A file holding a "Content" record with the stored name, read back to its record.
    bool Restore(const char* pStoredName, const std::vector<std::uint8_t>& pBytes, KString& oPath)
    {
        KRyvFile lFile;
        lFile.Create(KRyvContainer::kVersion60, false, nullptr);
        lFile.FieldWriteBegin("Content");
        lFile.FieldWriteC(pStoredName);
        lFile.FieldWriteR(pBytes.data(), pBytes.size());
        lFile.FieldWriteEnd();
        KRyvMemoryStream lStream;
        EXPECT_TRUE(lFile.Save(lStream));
        KRyvMemoryStream lIn(lStream.GetBytes());
        KRyvFile lRead;
        EXPECT_TRUE(lRead.Open(lIn) && lRead.ReadBody(nullptr));
        KString lMessage;
        return mMedia->Restore(lRead, oPath, lMessage);
    }

    TempFolder mTemp;
    std::string mFolder;
    std::unique_ptr<KRyvMediaFolder> mMedia;
};

TEST_F(KRyvMediaTest, StoredNamesNeverLeaveTheFolderNorOverwriteOtherBytes)
{
    const std::vector<std::uint8_t> lBytes = {1, 2, 3, 0, 255};
    KString lPath;
    ASSERT_TRUE(Restore("../../evil.bin", lBytes, lPath));
    EXPECT_EQ(std::string(lPath.Buffer()), mFolder + "/evil.bin");
    EXPECT_EQ(ReadBytes(lPath.Buffer()), lBytes);
    ASSERT_TRUE(Restore("/etc/evil.bin", lBytes, lPath));
    EXPECT_EQ(std::string(lPath.Buffer()), mFolder + "/evil.bin");
    ASSERT_TRUE(Restore("C:\\evil.bin", {9}, lPath));
    EXPECT_EQ(std::string(lPath.Buffer()), mFolder + "/evil_1.bin");
    EXPECT_EQ(ReadBytes(mFolder + "/evil.bin"), lBytes);
    EXPECT_FALSE(Restore("..", lBytes, lPath));
    EXPECT_FALSE(Restore("", lBytes, lPath));
}

TEST_F(KRyvMediaTest, EmbedMediaWriteFlagCarriesTheBytesThroughAnExport)
{
    const std::string lMedia = mTemp.PathOf("ryv_media_source.png");
    const std::vector<std::uint8_t> lBytes = {'P', 'N', 'G', 0, 7};
    WriteBytes(lMedia, lBytes);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvTexture* lTexture = lFactory.CreateTexture("Skin");
    lTexture->SetFileName(lMedia.c_str());
    lScene->GetSceneEntity()->AddTexture(lTexture);
    const std::string lName = mTemp.PathOf("ryv_media.ryv");
    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportRyvBinary);
    lExporter.Initialize(lName.c_str());
    lExporter.SetWriteFlag(KExporter::kWriteFlagEmbedMedia, true);
    ASSERT_TRUE(lExporter.Export(lScene, nullptr));
    KImporter lImporter(&lFactory);
    KStreamOptionsRyv lOptions;
    lOptions.SetMediaFolder(mFolder.c_str());
    KRyvScene* lRead = lFactory.CreateScene();
    ASSERT_TRUE(lImporter.Initialize(lName.c_str()) && lImporter.Import(lRead, &lOptions));
    ASSERT_EQ(lRead->GetSceneEntity()->GetTextureCount(), 1);
    const std::string lRestored = lRead->GetSceneEntity()->GetTexture(0)->GetFileName();
    EXPECT_EQ(lRestored, mFolder + "/ryv_media_source.png");
    EXPECT_EQ(ReadBytes(lRestored), lBytes);
}

// Records whose count costs more than their bytes: character poses (a whole scene each) and
// connections into one plug (each looks through the ones before) stop at their caps, with one
// warning each, and the read goes on.
TEST_F(KRyvDamageTest, CostlyRecordsStopAtTheirCaps)
{
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Objects");
    const auto lModel = [&lFile](const char* pName, const char* pParent) {
        lFile.FieldWriteBegin("Model");
        lFile.FieldWriteC(pName);
        lFile.FieldWriteC(pParent);
        lFile.FieldWriteI(*pParent ? 0 : -1);
        lFile.FieldWriteEnd();
    };
    lModel("Model::RootNode", "");
    for (int i = 0; i < 300; ++i) {
        lModel(("Model::N" + std::to_string(i)).c_str(), "Model::RootNode");
    }
    for (int i = 0; i < 1030; ++i) {
        lFile.FieldWriteBegin("CharacterPose");
        lFile.FieldWriteC("Pose");
        lFile.FieldWriteBegin("Objects");
        lModel("Model::RootNode", "");
        lFile.FieldWriteEnd();
        lFile.FieldWriteEnd();
    }
    lFile.FieldWriteEnd();
    lFile.FieldWriteBegin("Connections");
    for (int i = 2; i <= 300; ++i) {
        lFile.FieldWriteBegin("C");
        lFile.FieldWriteI(1);
        lFile.FieldWriteC("Visibility");
        lFile.FieldWriteI(i);
        lFile.FieldWriteC("Visibility");
        lFile.FieldWriteEnd();
    }
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    ASSERT_TRUE(lFile.Save(lStream));
    WriteBytes(mName, lStream.GetBytes());
    KReaderRyv lReader(&mFactory);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    ASSERT_TRUE(lReader.Read(mTarget, nullptr)) << lReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(mTarget->GetCharacterPoseCount(), 1024);
    EXPECT_EQ(mTarget->GetRootNode()
                  ->GetChild(0)
                  ->GetProperties()
                  ->FindProperty("Visibility")
                  ->GetSrcCount(),
              256);
    const std::string lMessage = lReader.GetMessage().Buffer();
    EXPECT_NE(lMessage.find("Character poses past the first 1024 skipped"), std::string::npos);
    EXPECT_EQ(lMessage.find("skipped"), lMessage.rfind("skipped"));
}

} // namespace
