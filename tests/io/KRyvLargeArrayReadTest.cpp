#include "io/KReader.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvBodyHoles.h"
#include "ryvfile/KRyvContainer.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvMesh.h"

#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

// A grid whose points, normals, UVs and polygon vertices each fill more than a hole: they are
// read from the file when the mesh takes them, not from the file's buffer.
constexpr int kSide = 300;

KRyvScene* MakeGridScene(KRyvObjectFactory& ioFactory)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    const int lPoints = kSide + 1;
    lMesh->InitControlPoints(lPoints * lPoints);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i % lPoints, i / lPoints, (i % 11) * 0.25, 1.0);
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int lCorner = y * lPoints + x;
            lMesh->BeginPolygon(-1, -1, (x + y) % 5);
            for (int lVertex : {lCorner, lCorner + 1, lCorner + lPoints + 1, lCorner + lPoints}) {
                lMesh->AddPolygon(lVertex);
            }
        }
    }
    KLayer* lLayer = lMesh->GetLayer(0);
    auto lNormals = std::make_unique<KLayerElementNormal>();
    lNormals->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lNormals->GetDirectArray().push_back(KVector4(0.0, (i % 3) * 0.5, 1.0, 0.0));
    }
    lLayer->SetNormals(std::move(lNormals));
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lUVs->Add((i % lPoints) / 7.0, (i / lPoints) / 9.0);
    }
    lLayer->SetUVs(std::move(lUVs));
    KRyvNode* lNode = ioFactory.CreateNode("Grid");
    lNode->SetNodeAttribute(lMesh);
    lScene->GetRootNode()->AddChild(lNode);
    return lScene;
}

class KRyvLargeArrayReadTest : public ::testing::TestWithParam<KWriterRyv::EFlavour>
{
protected:
    void SetUp() override
    {
        static_assert(std::size_t(kSide + 1) * (kSide + 1) * 2 * sizeof(double) >=
                          KRyvBodyHoles::kMinHole,
                      "the smallest array must be left in the file");
        mName = mTemp.PathOf("grid.ryv");
        mSource = MakeGridScene(mFactory);
        KWriterRyv lWriter(&mFactory, GetParam());
        KStreamOptionsRyv lOptions;
        ASSERT_TRUE(lWriter.FileCreate(mName.c_str()) && lWriter.Write(mSource, &lOptions));
        mTarget = mFactory.CreateScene();
        mTarget->GetRootNode()->AddChild(mFactory.CreateNode("Keep"));
    }

    void TearDown() override
    {
        mFactory.DestroyScene(mTarget, true);
        mFactory.DestroyScene(mSource, true);
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    std::string mName;
    KRyvScene* mSource = nullptr;
    KRyvScene* mTarget = nullptr;
};

TEST_P(KRyvLargeArrayReadTest, EveryReadOfTheFileGivesTheSceneWritten)
{
    KReaderRyv lReader(&mFactory);
    KStreamOptionsRyv lOptions;
    lOptions.SetRestoreMedia(false);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    // A second read of the same open file reads the arrays from the file again.
    for (int lRead = 0; lRead < 2; ++lRead) {
        KRyvScene* lScene = mFactory.CreateScene();
        ASSERT_TRUE(lReader.Read(lScene, &lOptions)) << lRead;
        EXPECT_EQ(KSceneComparer().Compare(*mSource, *lScene), "") << lRead;
        mFactory.DestroyScene(lScene, true);
    }
}

TEST_P(KRyvLargeArrayReadTest, AFileCutBetweenTheOpeningAndTheReadIsCorrupted)
{
    const auto lSize = std::filesystem::file_size(mName);
    // Cut inside the first array's elements, then just before the CRC.
    for (const std::uintmax_t lCut :
         {std::uintmax_t(KRyvBodyHoles::kMinHole / 2), lSize - KRyvContainer::kFooterSize - 1}) {
        KReaderRyv lReader(&mFactory);
        KStreamOptionsRyv lOptions;
        lOptions.SetRestoreMedia(false);
        ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
        std::filesystem::resize_file(mName, lCut);
        const bool lRead = lReader.Read(mTarget, &lOptions);
        std::filesystem::resize_file(mName, 0);
        KWriterRyv lWriter(&mFactory, GetParam());
        KStreamOptionsRyv lWriteOptions;
        ASSERT_TRUE(lWriter.FileCreate(mName.c_str()) && lWriter.Write(mSource, &lWriteOptions));
        if (lCut < lSize - KRyvContainer::kFooterSize - 1) {
            EXPECT_FALSE(lRead) << lCut;
            EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted) << lCut;
        }
        // Read or not, the scene is either the file's or untouched, never a part of either.
        const bool lUntouched =
            mTarget->GetRootNode()->GetChildCount() == 1 &&
            mTarget->GetRootNode()->GetChild(0)->GetName().Compare("Model::Keep") == 0;
        EXPECT_EQ(lUntouched, !lRead) << lCut;
    }
}

TEST_P(KRyvLargeArrayReadTest, AReaderOpenedAgainClosedOrLeftUnreadLetsItsFileGo)
{
    KStreamOptionsRyv lOptions;
    lOptions.SetRestoreMedia(false);
    {
        // Left unread: the reader lets the file go when it ends.
        KReaderRyv lReader(&mFactory);
        ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    }
    KReaderRyv lReader(&mFactory);
    // Opened twice: the second file's arrays are read from the second file.
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    KRyvScene* lScene = mFactory.CreateScene();
    EXPECT_TRUE(lReader.Read(lScene, &lOptions));
    EXPECT_EQ(KSceneComparer().Compare(*mSource, *lScene), "");
    mFactory.DestroyScene(lScene, true);
    // Closed: nothing is left to read from.
    EXPECT_TRUE(lReader.FileClose());
    EXPECT_FALSE(lReader.Read(mTarget, &lOptions));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(mTarget->GetRootNode()->GetChildCount(), 1);
}

TEST_P(KRyvLargeArrayReadTest, AFileRewrittenBetweenTheOpeningAndTheReadIsCorrupted)
{
    // The same grid with other heights: a file of the same size and shape, other arrays.
    KRyvScene* lOther = MakeGridScene(mFactory);
    KRyvMesh* lMesh =
        static_cast<KRyvMesh*>(lOther->GetRootNode()->GetChild(0)->GetNodeAttribute());
    lMesh->GetControlPoints()[0][2] = 7.5;
    const std::string lOtherName = mTemp.PathOf("other.ryv");
    KWriterRyv lWriter(&mFactory, GetParam());
    KStreamOptionsRyv lOptions;
    lOptions.SetRestoreMedia(false);
    ASSERT_TRUE(lWriter.FileCreate(lOtherName.c_str()) && lWriter.Write(lOther, &lOptions));
    mFactory.DestroyScene(lOther, true);
    const std::string lBytes = TempFolder::Read(lOtherName);
    ASSERT_EQ(lBytes.size(), std::filesystem::file_size(mName));
    KReaderRyv lReader(&mFactory);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    {
        // Over the same file in place, as a copy onto it does.
        std::fstream lRewrite(mName, std::ios::in | std::ios::out | std::ios::binary);
        lRewrite.write(lBytes.data(), static_cast<std::streamsize>(lBytes.size()));
    }
    // Clocks may not tick between the two writes: the time is set apart.
    std::filesystem::last_write_time(mName, std::filesystem::last_write_time(mName) -
                                                std::chrono::hours(1));
    EXPECT_FALSE(lReader.Read(mTarget, &lOptions));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_EQ(mTarget->GetRootNode()->GetChildCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(BinaryForms, KRyvLargeArrayReadTest,
                         ::testing::Values(KWriterRyv::kBinary60, KWriterRyv::kBinary5x));

} // namespace
