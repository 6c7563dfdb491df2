#include "io/KReader.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvContainer.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMesh.h"

#include "tests/io/RyvTestScene.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

// Indexes a file holds into arrays of its own: the layer elements' index-to-direct arrays, the
// links' and clusters' control-point indexes. The files are written from a scene changed on
// purpose (the writer copies what it is given), then read.
class KRyvIndexReadTest : public ::testing::Test
{
protected:
    using Damage = std::function<void(KRyvScene&)>;

    // The mesh of the test scene: five control points, seven polygon vertices.
    static KRyvMesh& MeshOf(KRyvScene& pScene)
    {
        for (int i = 0; i < pScene.GetNodeCount(); ++i) {
            if (auto* lMesh = dynamic_cast<KRyvMesh*>(pScene.GetNode(i)->GetNodeAttribute())) {
                return *lMesh;
            }
        }
        ADD_FAILURE() << "no mesh";
        throw std::logic_error("no mesh");
    }

    static KRyvDeformer& ClusterOf(KRyvScene& pScene)
    {
        KRyvDeformer* lCluster =
            pScene.GetSceneEntity()->GetDeformer(0, KRyvSceneEntity::eClusterDeformers);
        EXPECT_NE(lCluster, nullptr);
        return *lCluster;
    }

    // Writes the test scene after pDamage into mName.
    void WriteDamaged(const Damage& pDamage)
    {
        KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
        pDamage(*lScene);
        KWriterRyv lWriter(&mFactory, KWriterRyv::kBinary60);
        KStreamOptionsRyv lOptions;
        EXPECT_TRUE(lWriter.FileCreate(mName.c_str()) && lWriter.Write(lScene, &lOptions));
        mFactory.DestroyScene(lScene, true);
    }

    // The reader's error, -1 for a read into mRead.
    int Read()
    {
        KReaderRyv lReader(&mFactory);
        KStreamOptionsRyv lOptions;
        lOptions.SetRestoreMedia(false);
        mRead = mFactory.CreateScene();
        const bool lRead = lReader.FileOpen(mName.c_str()) && lReader.Read(mRead, &lOptions);
        mMessage = lReader.GetMessage().Buffer();
        mErrorText = lReader.GetError().GetLastErrorString().Buffer();
        return lRead ? -1 : lReader.GetError().GetLastErrorID();
    }

    // The file with the first int32 of the array record pName set to pValue, its CRC mended so
    // that the change reaches the records.
    void PatchFirstOf(const char* pName, std::int32_t pValue)
    {
        std::string lBytes = TempFolder::Read(mName);
        // Length byte, name, value count, kind, element count.
        const std::string lKey = std::string(1, static_cast<char>(std::strlen(pName))) + pName;
        const std::size_t lFound = lBytes.find(lKey);
        ASSERT_NE(lFound, std::string::npos) << pName;
        const std::size_t lCountAt = lFound + lKey.size() + 4 + 1;
        std::uint32_t lCount = 0;
        std::memcpy(&lCount, &lBytes[lCountAt], sizeof(lCount));
        ASSERT_GT(lCount, 0u) << pName;
        std::memcpy(&lBytes[lCountAt + 4], &pValue, sizeof(pValue));
        const std::size_t lCrcAt = lBytes.size() - KRyvContainer::kFooterSize;
        const auto lCrc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(lBytes.data()), uInt(lCrcAt)));
        std::memcpy(&lBytes[lCrcAt], &lCrc, sizeof(lCrc));
        mTemp.Write("index.ryv", lBytes);
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    std::string mName = mTemp.PathOf("index.ryv");
    KRyvScene* mRead = nullptr;
    std::string mMessage;
    std::string mErrorText;
};

TEST_F(KRyvIndexReadTest, AnIndexOutOfItsArrayIsCorruptionAndNamed)
{
    struct Case
    {
        const char* mWhat;
        Damage mDamage;
        const char* mCause;
    };
    const auto UVs = [](KRyvScene& pScene) -> std::vector<int>& {
        return MeshOf(pScene).GetLayer(0)->GetUVs()->GetIndexArray();
    };
    const Case kCases[] = {
        {"UV index one past its two entries", [&](KRyvScene& pScene) { UVs(pScene)[3] = 2; },
         "index out of its direct array in LayerElementUV"},
        {"UV index far past", [&](KRyvScene& pScene) { UVs(pScene)[6] = 0x7fffffff; },
         "index out of its direct array in LayerElementUV"},
        {"UV index below -1", [&](KRyvScene& pScene) { UVs(pScene)[0] = -2; },
         "index out of its direct array in LayerElementUV"},
        {"material index past its one material",
         [](KRyvScene& pScene) {
             MeshOf(pScene).GetLayer(0)->GetMaterials()->GetIndexArray() = {1};
         },
         "index out of its direct array in LayerElementMaterial"},
        {"link index past the five points",
         [](KRyvScene& pScene) { MeshOf(pScene).GetLink(0)->GetControlPointIndexArray()[1] = 5; },
         "link index out of the control points"},
        {"negative link index",
         [](KRyvScene& pScene) { MeshOf(pScene).GetLink(0)->GetControlPointIndexArray()[0] = -3; },
         "link index out of the control points"},
        {"cluster index past the five points",
         [](KRyvScene& pScene) { ClusterOf(pScene).GetControlPointIndexArray()[1] = 5; },
         "cluster index out of its control points: SubDeformer::"},
        {"negative cluster index",
         [](KRyvScene& pScene) { ClusterOf(pScene).GetControlPointIndexArray()[0] = -1; },
         "cluster index out of its control points: SubDeformer::"},
    };
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mWhat);
        WriteDamaged(lCase.mDamage);
        EXPECT_EQ(Read(), KReader::kFileCorrupted);
        EXPECT_EQ(mRead->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(mErrorText.rfind(std::string("File is corrupted: ") + lCase.mCause, 0), 0u)
            << mErrorText;
        EXPECT_NE(mMessage.find(lCase.mCause), std::string::npos) << mMessage;
    }
}

TEST_F(KRyvIndexReadTest, TheEdgesOfEachArrayAreRead)
{
    WriteDamaged([](KRyvScene& pScene) {
        KRyvMesh& lMesh = MeshOf(pScene);
        // -1 is the scene's own mark of an entry without a value.
        lMesh.GetLayer(0)->GetUVs()->GetIndexArray() = {-1, 1, 1, 1, 0, 0, -1};
        lMesh.GetLink(0)->GetControlPointIndexArray() = {0, 4};
        ClusterOf(pScene).GetControlPointIndexArray() = {4, 0};
    });
    ASSERT_EQ(Read(), -1) << mMessage;
    KRyvMesh& lMesh = MeshOf(*mRead);
    EXPECT_EQ(lMesh.GetLayer(0)->GetUVs()->GetIndexArray(),
              (std::vector<int>{-1, 1, 1, 1, 0, 0, -1}));
    EXPECT_EQ(lMesh.GetLink(0)->GetControlPointIndexArray(), (std::vector<int>{0, 4}));
    EXPECT_EQ(ClusterOf(*mRead).GetControlPointIndexArray(), (std::vector<int>{4, 0}));
}

TEST_F(KRyvIndexReadTest, AClusterPlaceThatNamesNothingIsAWarningWhateverItsSign)
{
    struct Case
    {
        const char* mRecord;
        std::int32_t mPlace;
    };
    const Case kCases[] = {
        {"Skin", -1},      {"Skin", 1},           {"LinkModel", -1},
        {"LinkModel", -7}, {"LinkModel", 100000}, {"AssociateModel", INT32_MIN},
    };
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(std::string(lCase.mRecord) + " " + std::to_string(lCase.mPlace));
        WriteDamaged([](KRyvScene& pScene) {
            KRyvMesh& lMesh = MeshOf(pScene);
            lMesh.GetLink(0)->SetAssociateModel(pScene.GetRootNode()->GetChild(0));
            pScene.RemoveAllDeformers();
            pScene.BuildSkinDeformers();
        });
        PatchFirstOf(lCase.mRecord, lCase.mPlace);
        ASSERT_EQ(Read(), -1) << mMessage;
        EXPECT_NE(mMessage.find("Deformer connection not made"), std::string::npos) << mMessage;
        EXPECT_EQ(mRead->GetSceneEntity()->GetDeformerCount(KRyvSceneEntity::eClusterDeformers), 1);
    }
}

} // namespace
