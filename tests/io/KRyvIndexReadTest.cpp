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
// purpose, then read; the layer elements' indexes, which the writer writes only as the reader
// reads them, are damaged in the file's bytes.
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

    // The file with int32 pAt of the first array record pName set to pValue (the first after
    // the record pWithin, when given), its CRC mended so that the change reaches the records.
    void PatchFirstOf(const char* pName, std::int32_t pValue, const char* pWithin = nullptr,
                      std::uint32_t pAt = 0)
    {
        std::string lBytes = TempFolder::Read(mName);
        const auto Key = [](const char* pText) {
            return std::string(1, static_cast<char>(std::strlen(pText))) + pText;
        };
        const std::size_t lFrom = pWithin ? lBytes.find(Key(pWithin)) : 0;
        ASSERT_NE(lFrom, std::string::npos) << pWithin;
        // Length byte, name, value count, kind, element count.
        const std::string lKey = Key(pName);
        const std::size_t lFound = lBytes.find(lKey, lFrom);
        ASSERT_NE(lFound, std::string::npos) << pName;
        const std::size_t lCountAt = lFound + lKey.size() + 4 + 1;
        std::uint32_t lCount = 0;
        std::memcpy(&lCount, &lBytes[lCountAt], sizeof(lCount));
        ASSERT_GT(lCount, pAt) << pName;
        std::memcpy(&lBytes[lCountAt + 4 + pAt * sizeof(pValue)], &pValue, sizeof(pValue));
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

TEST_F(KRyvIndexReadTest, AnIndexOutOfItsDirectArrayInTheFileIsCorruptionAndNamed)
{
    struct Case
    {
        const char* mWhat;
        const char* mElement;
        std::uint32_t mAt;
        std::int32_t mIndex;
    };
    const Case kCases[] = {
        {"UV index one past its two entries", "LayerElementUV", 3, 2},
        {"UV index far past", "LayerElementUV", 6, 0x7fffffff},
        {"UV index below -1", "LayerElementUV", 0, -2},
        {"material index past its one material", "LayerElementMaterial", 0, 1},
    };
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mWhat);
        WriteDamaged([](KRyvScene&) {});
        PatchFirstOf("Index", lCase.mIndex, lCase.mElement, lCase.mAt);
        const std::string lCause =
            std::string("index out of its direct array in ") + lCase.mElement;
        EXPECT_EQ(Read(), KReader::kFileCorrupted);
        EXPECT_EQ(mRead->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(mErrorText.rfind("File is corrupted: " + lCause, 0), 0u) << mErrorText;
        EXPECT_NE(mMessage.find(lCause), std::string::npos) << mMessage;
    }
}

// Whatever built the scene, the writer writes an index past its direct array, or below -1, as
// none: the file reads, and the other indexes stay as they were.
TEST_F(KRyvIndexReadTest, AnIndexOutOfItsDirectArrayInTheSceneIsWrittenAsNone)
{
    WriteDamaged([](KRyvScene& pScene) {
        KLayer& lLayer = *MeshOf(pScene).GetLayer(0);
        lLayer.GetUVs()->GetIndexArray() = {2, 1, 1, -2, 0, 0x7fffffff, 0};
        lLayer.GetMaterials()->GetIndexArray() = {1};
    });
    ASSERT_EQ(Read(), -1) << mMessage;
    KLayer& lLayer = *MeshOf(*mRead).GetLayer(0);
    EXPECT_EQ(lLayer.GetUVs()->GetIndexArray(), (std::vector<int>{-1, 1, 1, -1, 0, -1, 0}));
    EXPECT_EQ(lLayer.GetMaterials()->GetIndexArray(), (std::vector<int>{-1}));
}

TEST_F(KRyvIndexReadTest, AnIndexOutOfItsArrayIsCorruptionAndNamed)
{
    struct Case
    {
        const char* mWhat;
        Damage mDamage;
        const char* mCause;
    };
    const Case kCases[] = {
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
