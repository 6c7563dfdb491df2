#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr int kJointCount = 64;
// The most bytes a joint that holds only its defaults may add to a binary file.
constexpr std::uintmax_t kMaxBytesPerDefaultJoint = 2048;

class KRyvDefaultSizeTest : public ::testing::Test
{
protected:
    // A root and pCount skeleton joints under it, each holding only its defaults.
    KRyvScene* FlatSkeleton(int pCount)
    {
        KRyvScene* lScene = mFactory.CreateScene();
        for (int i = 0; i < pCount; ++i) {
            KRyvNode* lJoint = mFactory.CreateNode(("Joint" + std::to_string(i)).c_str());
            lJoint->SetNodeAttribute(mFactory.CreateSkeleton());
            lScene->GetRootNode()->AddChild(lJoint);
        }
        return lScene;
    }

    std::uintmax_t WrittenSize(KRyvScene* pScene, const std::string& pName)
    {
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(KFileFormatRegistry::kExportRyvBinary);
        KStreamOptionsRyv lOptions;
        lExporter.Initialize(mFolder.PathOf(pName).c_str());
        EXPECT_TRUE(lExporter.Export(pScene, &lOptions));
        return std::filesystem::file_size(mFolder.PathOf(pName));
    }

    TempFolder mFolder;
    KRyvObjectFactory mFactory;
};

TEST_F(KRyvDefaultSizeTest, JointHoldingOnlyDefaultsCostsFewBytesAndReadsBack)
{
    const std::uintmax_t lEmpty = WrittenSize(FlatSkeleton(0), "empty.ryv");
    KRyvScene* lScene = FlatSkeleton(kJointCount);
    const std::uintmax_t lFull = WrittenSize(lScene, "joints.ryv");
    EXPECT_LE((lFull - lEmpty) / kJointCount, kMaxBytesPerDefaultJoint) << lFull - lEmpty;

    KImporter lImporter(&mFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KRyvScene* lRead = mFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    ASSERT_TRUE(lImporter.Initialize(mFolder.PathOf("joints.ryv").c_str()) &&
                lImporter.Import(lRead, &lOptions));
    EXPECT_EQ(KSceneComparer().Compare(*lScene, *lRead), "");
}

} // namespace
