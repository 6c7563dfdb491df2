// The native writer sends its records straight to the output file (the binary forms after a
// pass that only takes sizes): a full disk fails every form, and the warnings and progress of a
// write come once, not once per pass.
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextCount.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr char kFullDevice[] = "/dev/full";

const KWriterRyv::EFlavour kFlavours[] = {KWriterRyv::kBinary60, KWriterRyv::kAscii60,
                                          KWriterRyv::kEncrypted60, KWriterRyv::kBinary5x,
                                          KWriterRyv::kAscii5x};

TEST(KRyvWriteStreamTest, AFullDiskFailsEveryFormAsOutOfDiskSpace)
{
    if (!std::filesystem::exists(kFullDevice)) {
        GTEST_SKIP() << "no " << kFullDevice;
    }
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = BuildRyvTestScene(lFactory, "");
    for (const KWriterRyv::EFlavour lFlavour : kFlavours) {
        KWriterRyv lWriter(&lFactory, lFlavour);
        KStreamOptionsRyv lOptions;
        lOptions.SetPassword("full");
        ASSERT_TRUE(lWriter.FileCreate(kFullDevice)) << lFlavour;
        EXPECT_FALSE(lWriter.Write(lScene, &lOptions)) << lFlavour;
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace) << lFlavour;
    }
}

TEST(KRyvWriteStreamTest, WarningsAndProgressComeOncePerWrite)
{
    TempFolder lTemp;
    const std::string lImage = lTemp.Write("tex.png", "image");
    const std::string lSecret = lTemp.Write("secret.png", "secret");
    for (const KWriterRyv::EFlavour lFlavour : kFlavours) {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        KRyvTexture* lEmbedded = lFactory.CreateTexture("Embedded");
        lEmbedded->SetFileName(lImage.c_str());
        lEmbedded->SetRelativeFileName("tex.png");
        lScene->GetSceneEntity()->AddTexture(lEmbedded);
        KRyvTexture* lRefused = lFactory.CreateTexture("Refused");
        lRefused->SetFileName(lSecret.c_str());
        lRefused->SetRelativeFileName("../secret.png");
        lScene->GetSceneEntity()->AddTexture(lRefused);
        KStreamOptionsRyv lOptions;
        lOptions.SetPassword("once");
        lOptions.SetOptionValue(KStreamOptionsRyv::kEmbedMedia, 1);
        int lReports = 0;
        float lLast = 0.0f;
        lOptions.SetProgressCallback([&](const char*, float pPercent) {
            ++lReports;
            EXPECT_GE(pPercent, lLast);
            lLast = pPercent;
        });
        KWriterRyv lWriter(&lFactory, lFlavour);
        ASSERT_TRUE(lWriter.FileCreate(lTemp.PathOf("once.ryv").c_str()) &&
                    lWriter.Write(lScene, &lOptions))
            << lWriter.GetError().GetLastErrorString().Buffer();
        const std::string lMessage = lWriter.GetMessage().Buffer();
        EXPECT_EQ(CountOf(lMessage, "\n"), 2u) << lFlavour << ": " << lMessage;
        EXPECT_EQ(CountOf(lMessage, "outside the folder"), 1u) << lFlavour << ": " << lMessage;
        // The two textures, the root node and the end of the write.
        EXPECT_EQ(lReports, 4) << lFlavour;
        EXPECT_FLOAT_EQ(lLast, 100.0f) << lFlavour;
    }
}

// A scene that changes between the pass that takes the sizes and the pass that writes (here a
// node renamed from the cancel callback, which both passes ask) fails the write instead of
// giving a file whose sizes do not fit its records; the target stays as it was.
TEST(KRyvWriteStreamTest, ASceneChangedBetweenThePassesFailsTheWrite)
{
    TempFolder lTemp;
    const std::string lTarget = lTemp.Write("keep.ryv", "the old file");
    for (const KWriterRyv::EFlavour lFlavour :
         {KWriterRyv::kBinary60, KWriterRyv::kEncrypted60, KWriterRyv::kBinary5x}) {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        KRyvNode* lNode = lFactory.CreateNode("A");
        lScene->GetRootNode()->AddChild(lNode);
        KStreamOptionsRyv lOptions;
        lOptions.SetPassword("changed");
        int lCalls = 0;
        // Asked once per model in each pass: the second time ends the first pass.
        lOptions.SetCancelCallback([&] {
            if (++lCalls == 2) {
                lNode->SetName("A longer name");
            }
            return false;
        });
        KWriterRyv lWriter(&lFactory, lFlavour);
        ASSERT_TRUE(lWriter.FileCreate(lTarget.c_str()));
        EXPECT_FALSE(lWriter.Write(lScene, &lOptions)) << lFlavour;
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError) << lFlavour;
        EXPECT_EQ(TempFolder::Read(lTarget), "the old file") << lFlavour;
    }
}

} // namespace
