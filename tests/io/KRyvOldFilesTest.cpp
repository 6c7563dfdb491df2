#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/KSceneComparer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class KRyvOldFilesTest : public ::testing::TestWithParam<const char*>
{
};

// Files of the older dialect, written before the reader changed, read into the scene their
// writer was given.
TEST_P(KRyvOldFilesTest, ReadsBackTheSceneItsWriterWasGiven)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lExpected = BuildRyvTestScene(lFactory, "");
    // The writer brought each node's properties in line with its pivots before writing it.
    for (int i = 0; i < lExpected->GetNodeCount(); ++i) {
        lExpected->GetNode(i)->UpdatePropertiesFromPivots();
    }
    const std::string lName = std::string(RYV_TEST_DATA_DIR "/ryv/") + GetParam();
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KRyvScene* lRead = lFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    ASSERT_TRUE(lImporter.Initialize(lName.c_str()) && lImporter.Import(lRead, &lOptions))
        << lImporter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(KSceneComparer().Compare(*lExpected, *lRead), "");
}

INSTANTIATE_TEST_SUITE_P(Dialect5x, KRyvOldFilesTest,
                         ::testing::Values("every-kind-5000.ryv", "every-kind-5000-ascii.ryv"));

} // namespace
