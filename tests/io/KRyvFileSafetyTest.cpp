// What the native writers and the media handling do with failures and hostile names: a failed
// write leaves its target whole, embedding follows the rule of texture copies, restoring never
// writes through a link or over a file, and a stored absolute name is never what a texture is
// opened from.

#include "core/KMediaCopy.h"
#include "io/KReaderRyv.h"
#include "io/KRyvMedia.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvTexture.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class KRyvFileSafetyTest : public ::testing::Test
{
protected:
    KRyvScene* SceneWithTexture(const std::string& pFile, const char* pRelative)
    {
        KRyvScene* lScene = mFactory.CreateScene();
        KRyvTexture* lTexture = mFactory.CreateTexture("Skin");
        lTexture->SetFileName(pFile.c_str());
        lTexture->SetRelativeFileName(pRelative);
        lScene->GetSceneEntity()->AddTexture(lTexture);
        return lScene;
    }

    // Writes pScene to pPath; the writer's message in oMessage.
    bool Write(KRyvScene* pScene, const std::string& pPath, KWriterRyv::EFlavour pFlavour,
               KStreamOptionsRyv& ioOptions, std::string& oMessage)
    {
        KWriterRyv lWriter(&mFactory, pFlavour);
        const bool lWritten =
            lWriter.FileCreate(pPath.c_str()) && lWriter.Write(pScene, &ioOptions);
        oMessage = std::string(lWriter.GetMessage().Buffer()) +
                   lWriter.GetError().GetLastErrorString().Buffer();
        return lWritten;
    }

    KRyvScene* Read(const std::string& pPath, KStreamOptionsRyv& ioOptions)
    {
        KRyvScene* lScene = mFactory.CreateScene();
        KReaderRyv lReader(&mFactory);
        EXPECT_TRUE(lReader.FileOpen(pPath.c_str()) && lReader.Read(lScene, &ioOptions))
            << lReader.GetError().GetLastErrorString().Buffer();
        return lScene;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
};

TEST_F(KRyvFileSafetyTest, AFailedOrCancelledWriteLeavesTheTargetWhole)
{
    const std::string lTarget = mTemp.Write("keep.ryv", "the old file");
    KRyvScene* lScene = mFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    std::string lMessage;
    EXPECT_FALSE(Write(lScene, lTarget, KWriterRyv::kEncrypted60, lOptions, lMessage));
    EXPECT_NE(lMessage.find("An encrypted file needs a password"), std::string::npos) << lMessage;
    EXPECT_EQ(TempFolder::Read(lTarget), "the old file");
    lOptions.SetCancelCallback([] { return true; });
    EXPECT_FALSE(Write(lScene, lTarget, KWriterRyv::kBinary60, lOptions, lMessage));
    EXPECT_EQ(TempFolder::Read(lTarget), "the old file");
    // Created, then closed without a write: still the old file, and no file left beside it.
    KWriterRyv lWriter(&mFactory, KWriterRyv::kAscii60);
    ASSERT_TRUE(lWriter.FileCreate(lTarget.c_str()));
    lWriter.FileClose();
    EXPECT_EQ(TempFolder::Read(lTarget), "the old file");
    EXPECT_EQ(std::distance(fs::directory_iterator(mTemp.Path()), {}), 1);
    lOptions.SetCancelCallback(nullptr);
    EXPECT_TRUE(Write(lScene, lTarget, KWriterRyv::kBinary60, lOptions, lMessage));
    EXPECT_NE(TempFolder::Read(lTarget), "the old file");
}

TEST_F(KRyvFileSafetyTest, EmbeddingTakesOnlyRegularFilesFromTheNamingFilesFolder)
{
    const std::string lSecret = mTemp.Write("secret.txt", "secret");
    const std::string lImage = mTemp.Write("in/tex.png", "image");
    const std::string lPipe = mTemp.PathOf("in/pipe.png");
    ASSERT_EQ(mkfifo(lPipe.c_str(), 0600), 0);
    const std::string lLink = mTemp.PathOf("in/link.png");
    ASSERT_EQ(symlink(lSecret.c_str(), lLink.c_str()), 0);
    const struct
    {
        std::string mFile;
        const char* mRelative;
        bool mEmbedded;
        const char* mLine;
    } kCases[] = {
        {lImage, "tex.png", true, "embedded"},
        {lImage, nullptr, true, "embedded"},
        {"/dev/zero", nullptr, false, "not a regular file"},
        {lPipe, "pipe.png", false, "not a regular file"},
        {lSecret, "../secret.txt", false, "outside the folder"},
        // The name the file chose is not the path that would be opened.
        {lSecret, "tex.png", false, "outside the folder"},
        // Inside the folder by name, outside through the link.
        {lLink, "link.png", false, "outside the folder"},
    };
    for (const auto& lCase : kCases) {
        KRyvFile lFile;
        lFile.Create(6000, false, nullptr);
        KString lMessage;
        KRyvMedia::Embed(lFile, lCase.mFile.c_str(), lCase.mRelative, lMessage);
        KRyvMemoryStream lOut;
        ASSERT_TRUE(lFile.Save(lOut));
        KRyvMemoryStream lIn(lOut.GetBytes());
        KRyvFile lRead;
        ASSERT_TRUE(lRead.Open(lIn) && lRead.ReadBody(nullptr));
        EXPECT_EQ(lRead.FieldReadCount("Content"), lCase.mEmbedded ? 1 : 0) << lCase.mFile;
        EXPECT_NE(lMessage.Find(lCase.mLine), -1) << lCase.mFile << ": " << lMessage.Buffer();
    }
}

// A hostile file names a secret file as its texture beside a harmless relative name: what a
// later copy opens is the relative name taken from the file's own folder.
TEST_F(KRyvFileSafetyTest, ATextureIsOpenedFromItsRelativeNameBesideTheFile)
{
    const std::string lSecret = mTemp.Write("secret.txt", "secret");
    const std::string lPath = mTemp.PathOf("x/hostile.ryv");
    fs::create_directories(mTemp.PathOf("x"));
    KStreamOptionsRyv lOptions;
    std::string lMessage;
    ASSERT_TRUE(Write(SceneWithTexture(lSecret, "tex.png"), lPath, KWriterRyv::kBinary60, lOptions,
                      lMessage));
    KRyvScene* lRead = Read(lPath, lOptions);
    ASSERT_EQ(lRead->GetSceneEntity()->GetTextureCount(), 1);
    EXPECT_EQ(std::string(lRead->GetSceneEntity()->GetTexture(0)->GetFileName()),
              mTemp.PathOf("x/tex.png"));
}

// Whatever names a hostile file stores, a texture copy made the way the writers make them (from
// the texture's file name, guarded by its relative name) never picks up the secret file.
TEST_F(KRyvFileSafetyTest, AHostileTextureNameCopiesNothing)
{
    const std::string lSecret = mTemp.Write("secret.txt", "secret");
    const std::string lPath = mTemp.PathOf("x/hostile.ryv");
    fs::create_directories(mTemp.PathOf("x"));
    fs::create_directories(mTemp.PathOf("out"));
    for (const char* lRelative : {"tex.png", "secret.txt", ""}) {
        KStreamOptionsRyv lOptions;
        std::string lMessage;
        ASSERT_TRUE(Write(SceneWithTexture(lSecret, lRelative), lPath, KWriterRyv::kBinary60,
                          lOptions, lMessage));
        const KRyvTexture* lTexture = Read(lPath, lOptions)->GetSceneEntity()->GetTexture(0);
        KString lCopied;
        const std::string lTarget = mTemp.PathOf("out/copy.png");
        EXPECT_NE(KMediaCopy::Copy(lTexture->GetFileName(), lTexture->GetRelativeFileName(),
                                   lTarget.c_str(), lCopied),
                  KMediaCopy::eCopied)
            << lRelative;
        EXPECT_FALSE(fs::exists(lTarget)) << lRelative;
    }
}

TEST_F(KRyvFileSafetyTest, ASummaryReadRestoresNoMedia)
{
    const std::string lImage = mTemp.Write("tex.png", "image");
    const std::string lPath = mTemp.PathOf("embedded.ryv");
    KStreamOptionsRyv lOptions;
    lOptions.SetOptionValue(KStreamOptionsRyv::kEmbedMedia, 1);
    std::string lMessage;
    ASSERT_TRUE(Write(SceneWithTexture(lImage, "tex.png"), lPath, KWriterRyv::kBinary60, lOptions,
                      lMessage));
    KStreamOptionsRyv lNoRestore;
    lNoRestore.SetRestoreMedia(false);
    KRyvScene* lRead = Read(lPath, lNoRestore);
    EXPECT_FALSE(fs::exists(mTemp.PathOf("embedded.qzm")));
    ASSERT_EQ(lRead->GetSceneEntity()->GetTextureCount(), 1);
    EXPECT_EQ(std::string(lRead->GetSceneEntity()->GetTexture(0)->GetFileName()), lImage);
    KStreamOptionsRyv lRestore;
    lRead = Read(lPath, lRestore);
    EXPECT_EQ(TempFolder::Read(mTemp.PathOf("embedded.qzm/tex.png")), "image");
}

class KRyvMediaFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = mTemp.PathOf("media");
        fs::create_directories(mFolder);
        mMedia = std::make_unique<KRyvMediaFolder>(mFolder.c_str());
    }

    // Restores one "Content" record of the stored name and bytes; the path written, empty when
    // nothing was. The warnings go to oMessage when given.
    std::string Restore(const char* pName, const std::string& pBytes,
                        std::string* oMessage = nullptr)
    {
        KRyvFile lFile;
        lFile.Create(6000, false, nullptr);
        lFile.FieldWriteBegin("Content");
        lFile.FieldWriteC(pName);
        lFile.FieldWriteR(pBytes.data(), pBytes.size());
        lFile.FieldWriteEnd();
        KRyvMemoryStream lOut;
        EXPECT_TRUE(lFile.Save(lOut));
        KRyvMemoryStream lIn(lOut.GetBytes());
        KRyvFile lRead;
        EXPECT_TRUE(lRead.Open(lIn) && lRead.ReadBody(nullptr));
        KString lPath;
        KString lMessage;
        const bool lRestored = mMedia->Restore(lRead, lPath, lMessage);
        if (oMessage) {
            *oMessage = lMessage.Buffer();
        }
        return lRestored ? lPath.Buffer() : "";
    }

    TempFolder mTemp;
    std::string mFolder;
    std::unique_ptr<KRyvMediaFolder> mMedia;
};

TEST_F(KRyvMediaFolderTest, NeverWritesThroughALinkNorOpensAPipe)
{
    const std::string lOutside = mTemp.PathOf("outside.png");
    ASSERT_EQ(symlink(lOutside.c_str(), (mFolder + "/a.png").c_str()), 0);
    ASSERT_EQ(mkfifo((mFolder + "/b.png").c_str(), 0600), 0);
    EXPECT_EQ(Restore("a.png", "bytes"), mFolder + "/a_1.png");
    EXPECT_FALSE(fs::exists(lOutside));
    EXPECT_EQ(Restore("b.png", "bytes"), mFolder + "/b_1.png");
    EXPECT_TRUE(fs::is_fifo(mFolder + "/b.png"));
}

TEST_F(KRyvMediaFolderTest, SameNamesTakeTheNextFreeNumberAndSameBytesAreReused)
{
    mTemp.Write("media/c.png", "other");
    EXPECT_EQ(Restore("c.png", "one"), mFolder + "/c_1.png");
    EXPECT_EQ(Restore("c.png", "one"), mFolder + "/c_1.png");
    EXPECT_EQ(Restore("c.png", "two"), mFolder + "/c_2.png");
    EXPECT_EQ(Restore("../c.png", "three"), mFolder + "/c_3.png");
    EXPECT_EQ(TempFolder::Read(mFolder + "/c.png"), "other");
    EXPECT_EQ(TempFolder::Read(mFolder + "/c_1.png"), "one");
    EXPECT_EQ(TempFolder::Read(mFolder + "/c_2.png"), "two");
    EXPECT_EQ(TempFolder::Read(mFolder + "/c_3.png"), "three");
    EXPECT_EQ(Restore("..", "x"), "");
}

// A name too long for the folder is refused with a warning that quotes only its start.
TEST_F(KRyvMediaFolderTest, ANameTooLongIsRefusedAndQuotedShort)
{
    const std::string lName(300, 'm');
    std::string lMessage;
    EXPECT_EQ(Restore(lName.c_str(), "bytes", &lMessage), "");
    EXPECT_EQ(lMessage,
              "Embedded media not restored: " + lName.substr(0, 40) + ": File name too long\n");
}

// Every refusal names its cause.
TEST_F(KRyvMediaFolderTest, ARefusalSaysWhy)
{
    std::string lMessage;
    EXPECT_EQ(Restore("..", "x", &lMessage), "");
    EXPECT_EQ(lMessage, "Embedded media not restored: ..: the stored name holds no file name\n");
    mTemp.Write("media/file", "a file where a folder would go");
    EXPECT_EQ(Restore("file/d.png", "x", &lMessage), mFolder + "/d.png");
    mMedia = std::make_unique<KRyvMediaFolder>("");
    EXPECT_EQ(Restore("e.png", "x", &lMessage), "");
    EXPECT_EQ(lMessage,
              "Embedded media not restored: e.png: there is no folder to restore it into\n");
}

} // namespace
