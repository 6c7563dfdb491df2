#include "io/KReader.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvContainer.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <zlib.h>

namespace {

// A quad and a triangle over five points, in groups 4 and 9.
const int kSizes[] = {4, 3};
const int kGroups[] = {4, 9};
const int kVertices[] = {0, 1, 2, 3, 2, 4, 0};
constexpr int kPointCount = 5;

class KRyvMeshReadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mName = mTemp.PathOf("mesh.ryv");
        KRyvScene* lScene = mFactory.CreateScene();
        KRyvMesh* lMesh = mFactory.CreateMesh();
        lMesh->InitControlPoints(kPointCount);
        std::size_t lAt = 0;
        for (int p = 0; p < 2; ++p) {
            lMesh->BeginPolygon(-1, -1, kGroups[p]);
            for (int v = 0; v < kSizes[p]; ++v) {
                lMesh->AddPolygon(kVertices[lAt++]);
            }
        }
        KRyvNode* lNode = mFactory.CreateNode("Shape");
        lNode->SetNodeAttribute(lMesh);
        lScene->GetRootNode()->AddChild(lNode);
        KWriterRyv lWriter(&mFactory, KWriterRyv::kBinary60);
        KStreamOptionsRyv lOptions;
        EXPECT_TRUE(lWriter.FileCreate(mName.c_str()) && lWriter.Write(lScene, &lOptions));
        mFactory.DestroyScene(lScene, true);
        mBytes = TempFolder::Read(mName);
    }

    // The int32 element pIndex of the array record pName, changed to pValue; the CRC is mended so
    // that the change reaches the scene records.
    std::string With(const char* pName, std::size_t pIndex, std::int32_t pValue) const
    {
        std::string lBytes = mBytes;
        // Length byte, name, value count, kind, element count.
        const std::string lKey = std::string(1, static_cast<char>(std::strlen(pName))) + pName;
        const std::size_t lFound = lBytes.find(lKey);
        EXPECT_NE(lFound, std::string::npos) << pName;
        const std::size_t lAt = lFound + lKey.size() + 4 + 1 + 4 + pIndex * sizeof(std::int32_t);
        std::memcpy(&lBytes[lAt], &pValue, sizeof(pValue));
        const std::size_t lCrcAt = lBytes.size() - KRyvContainer::kFooterSize;
        const auto lCrc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(lBytes.data()), uInt(lCrcAt)));
        std::memcpy(&lBytes[lCrcAt], &lCrc, sizeof(lCrc));
        return lBytes;
    }

    // The reader's error for the bytes, -1 for a read; the scene read is kept in mRead.
    int Read(const std::string& pBytes)
    {
        mTemp.Write("mesh.ryv", pBytes);
        KReaderRyv lReader(&mFactory);
        KStreamOptionsRyv lOptions;
        lOptions.SetRestoreMedia(false);
        mRead = mFactory.CreateScene();
        if (!lReader.FileOpen(mName.c_str()) || !lReader.Read(mRead, &lOptions)) {
            return lReader.GetError().GetLastErrorID();
        }
        return -1;
    }

    const KRyvMesh* ReadMesh() const
    {
        const KRyvNode* lNode = mRead->GetRootNode()->GetChildCount() == 1
                                    ? mRead->GetRootNode()->GetChild(0)
                                    : nullptr;
        return lNode ? dynamic_cast<const KRyvMesh*>(lNode->GetNodeAttribute()) : nullptr;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    std::string mName;
    std::string mBytes;
    KRyvScene* mRead = nullptr;
};

TEST_F(KRyvMeshReadTest, PolygonsComeBackWithTheirSizesGroupsAndVertices)
{
    ASSERT_EQ(Read(mBytes), -1);
    const KRyvMesh* lMesh = ReadMesh();
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetControlPointCount(), kPointCount);
    ASSERT_EQ(lMesh->GetPolygonCount(), 2);
    std::size_t lAt = 0;
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(lMesh->GetPolygonSize(p), kSizes[p]);
        EXPECT_EQ(lMesh->GetPolygonGroup(p), kGroups[p]);
        for (int v = 0; v < kSizes[p]; ++v) {
            EXPECT_EQ(lMesh->GetPolygonVertex(p, v), kVertices[lAt++]);
        }
    }
}

TEST_F(KRyvMeshReadTest, TablesThatDoNotMakePolygonsOfThePointsAreCorrupted)
{
    struct Damage
    {
        const char* mRecord;
        std::size_t mIndex;
        std::int32_t mValue;
    };
    const Damage kDamages[] = {
        {"PolygonVertexIndex", 6, kPointCount}, // one past the last point
        {"PolygonVertexIndex", 0, -1},
        {"PolygonVertexIndex", 3, 0x7fffffff},
        {"PolygonSize", 0, -4},
        {"PolygonSize", 1, 2}, // a vertex left over
        {"PolygonSize", 1, 4}, // a vertex missing
        {"PolygonSize", 0, 0x7fffffff},
    };
    for (const Damage& lDamage : kDamages) {
        EXPECT_EQ(Read(With(lDamage.mRecord, lDamage.mIndex, lDamage.mValue)),
                  KReader::kFileCorrupted)
            << lDamage.mRecord << "[" << lDamage.mIndex << "] = " << lDamage.mValue;
        EXPECT_EQ(mRead->GetRootNode()->GetChildCount(), 0);
    }
    // The last point itself is one.
    EXPECT_EQ(Read(With("PolygonVertexIndex", 6, kPointCount - 1)), -1);
    ASSERT_NE(ReadMesh(), nullptr);
    EXPECT_EQ(ReadMesh()->GetPolygonVertex(1, 2), kPointCount - 1);
}

} // namespace
