#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/KSceneComparer.h"

#include <gtest/gtest.h>

namespace {

// A file of the layout that wrote every default value reads into the same scene as the
// writer was given.
TEST(KRyvOldLayoutTest, FileWithEveryDefaultWrittenReadsBackTheScene)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lExpected = BuildRyvTestScene(lFactory, "");
    // The writer brought each node's properties in line with its pivots before writing it.
    for (int i = 0; i < lExpected->GetNodeCount(); ++i) {
        lExpected->GetNode(i)->UpdatePropertiesFromPivots();
    }
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KRyvScene* lRead = lFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    ASSERT_TRUE(lImporter.Initialize(RYV_TEST_DATA_DIR "/ryv/every-kind-6000.ryv") &&
                lImporter.Import(lRead, &lOptions))
        << lImporter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(KSceneComparer().Compare(*lExpected, *lRead), "");
}

} // namespace
