// Every form of the native writer gives the bytes it gave when these hashes were taken: the
// scene of every kind, and a bulk scene whose arrays and records span many output blocks and
// sealed chunks. The encrypted form is compared by its fixed header and its opened body, as its
// salt and stream header are drawn afresh each time.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "ryvfile/KRyvCipher.h"
#include "ryvfile/KRyvContainer.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvThumbnail.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

constexpr char kPassword[] = "golden";
constexpr char kGoldenFile[] = RYV_TEST_DATA_DIR "/ryv/writer-golden.txt";
constexpr int kGridSide = 200;
constexpr int kAnimatedNodes = 12;
constexpr int kKeysPerCurve = 3000;
constexpr std::size_t kProtectedHeader =
    KRyvContainer::kFixedHeaderSize + KRyvCipher::kSaltSize + KRyvCipher::kStreamHeaderSize;

struct KFlavourCase
{
    const char* mName;
    KWriterRyv::EFlavour mFlavour;
};

const KFlavourCase kFlavours[] = {{"binary60", KWriterRyv::kBinary60},
                                  {"ascii60", KWriterRyv::kAscii60},
                                  {"encrypted60", KWriterRyv::kEncrypted60},
                                  {"binary5x", KWriterRyv::kBinary5x},
                                  {"ascii5x", KWriterRyv::kAscii5x}};

std::uint64_t Fnv1a(const std::uint8_t* pBytes, std::size_t pSize)
{
    std::uint64_t lHash = 14695981039346656037ull;
    for (std::size_t i = 0; i < pSize; ++i) {
        lHash = (lHash ^ pBytes[i]) * 1099511628211ull;
    }
    return lHash;
}

std::vector<std::uint8_t> FileBytes(const std::string& pName)
{
    std::ifstream lStream(pName, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(lStream),
                                     std::istreambuf_iterator<char>());
}

// The fixed header and the opened body of a protected file; empty when it does not open.
std::vector<std::uint8_t> OpenedForm(const std::vector<std::uint8_t>& pFile)
{
    if (pFile.size() < kProtectedHeader + KRyvContainer::kFooterSize) {
        return {};
    }
    const std::vector<std::uint8_t> lFixed(pFile.begin(),
                                           pFile.begin() + KRyvContainer::kFixedHeaderSize);
    const std::uint8_t* lSalt = pFile.data() + KRyvContainer::kFixedHeaderSize;
    std::vector<std::uint8_t> lPlain;
    if (KRyvCipher::Open(kPassword, lFixed, lSalt, lSalt + KRyvCipher::kSaltSize,
                         pFile.data() + kProtectedHeader,
                         pFile.size() - kProtectedHeader - KRyvContainer::kFooterSize,
                         lPlain) != KRyvCipher::kOk) {
        return {};
    }
    lPlain.insert(lPlain.begin(), lFixed.begin(), lFixed.end());
    return lPlain;
}

// A grid mesh with normals and UVs and nodes with long curves: arrays of several megabytes and
// thousands of key records in the 5.x form.
KRyvScene* BuildBulkScene(KRyvObjectFactory& ioFactory)
{
    KRyvScene* lScene = ioFactory.CreateScene();
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    const int lPoints = kGridSide + 1;
    lMesh->InitControlPoints(lPoints * lPoints);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i % lPoints, i / lPoints, (i % 7) * 0.1, 1.0);
    }
    for (int lCorner = 0; lCorner + lPoints + 1 < lPoints * lPoints; ++lCorner) {
        lMesh->BeginPolygon(-1, -1, lCorner % 3);
        for (int lVertex : {lCorner, lCorner + 1, lCorner + lPoints + 1, lCorner + lPoints}) {
            lMesh->AddPolygon(lVertex);
        }
    }
    auto lUVs = std::make_unique<KLayerElementUV>();
    lUVs->SetMappingMode(KLayerElement::eByControlPoint);
    for (int i = 0; i < lPoints * lPoints; ++i) {
        lUVs->Add((i % lPoints) / 3.0, (i / lPoints) / 7.0);
    }
    lMesh->GetLayer(0)->SetUVs(std::move(lUVs));
    KRyvNode* lGrid = ioFactory.CreateNode("Grid");
    lGrid->SetNodeAttribute(lMesh);
    lScene->GetRootNode()->AddChild(lGrid);
    for (int n = 0; n < kAnimatedNodes; ++n) {
        KRyvNode* lNode = ioFactory.CreateNode(("Joint" + std::to_string(n)).c_str());
        lGrid->AddChild(lNode);
        KFCurve* lCurve = lNode->AddTakeNode("Take 001")->GetTransformTX();
        lCurve->BeginKeySet(kKeysPerCurve);
        for (int k = 0; k < kKeysPerCurve; ++k) {
            lCurve->GetKey(k)->Set(KTime(k * 1539538600LL + n), static_cast<float>(k % 97) / 3.0f);
            if (k % 5 == n % 5) {
                lCurve->GetKey(k)->SetInterpolation(KFCurveKey::kInterpolationLinear);
            }
        }
        lCurve->EndKeySet(kKeysPerCurve);
    }
    return lScene;
}

void SetFixedOptions(KStreamOptionsRyv& ioOptions)
{
    KRyvHeaderExtension lExtension;
    const int lStamp[] = {2024, 2, 29, 23, 59, 58, 999};
    std::copy(std::begin(lStamp), std::end(lStamp), lExtension.mTimeStamp);
    ioOptions.SetHeaderExtension(lExtension);
    KRyvThumbnail lThumbnail;
    lThumbnail.SetDataFormat(KRyvThumbnail::eRGB_24);
    lThumbnail.SetSize(KRyvThumbnail::e64x64);
    for (int i = 0; i < lThumbnail.GetSizeInBytes(); ++i) {
        lThumbnail.GetThumbnailImage()[i] = static_cast<std::uint8_t>(i * 13);
    }
    ioOptions.SetThumbnail(lThumbnail);
    ioOptions.SetPassword(kPassword);
}

// "<scene>/<form> <size> <hash>" lines.
std::map<std::string, std::string> ReadGolden()
{
    std::map<std::string, std::string> lGolden;
    std::ifstream lStream(kGoldenFile);
    std::string lKey;
    std::string lSize;
    std::string lHash;
    while (lStream >> lKey >> lSize >> lHash) {
        lGolden[lKey] = lSize + " " + lHash;
    }
    return lGolden;
}

class KRyvWriteGoldenTest : public ::testing::TestWithParam<bool>
{
protected:
    // The size and hash of what pFlavour writes of pScene (opened body for the encrypted form).
    std::string Fingerprint(KRyvScene* pScene, const KFlavourCase& pCase)
    {
        const std::string lName = mFolder.PathOf(std::string(pCase.mName) + ".ryv");
        KWriterRyv lWriter(&mFactory, pCase.mFlavour);
        KStreamOptionsRyv lOptions;
        SetFixedOptions(lOptions);
        EXPECT_TRUE(lWriter.FileCreate(lName.c_str()) && lWriter.Write(pScene, &lOptions))
            << lWriter.GetError().GetLastErrorString().Buffer();
        std::vector<std::uint8_t> lBytes = FileBytes(lName);
        if (pCase.mFlavour == KWriterRyv::kEncrypted60) {
            lBytes = OpenedForm(lBytes);
            EXPECT_FALSE(lBytes.empty()) << "the sealed body does not open";
        }
        char lHash[32];
        std::snprintf(lHash, sizeof(lHash), "%016" PRIx64, Fnv1a(lBytes.data(), lBytes.size()));
        return std::to_string(lBytes.size()) + " " + lHash;
    }

    TempFolder mFolder;
    KRyvObjectFactory mFactory;
};

TEST_P(KRyvWriteGoldenTest, EveryFormWritesTheBytesItAlwaysWrote)
{
    const bool lBulk = GetParam();
    KRyvScene* lScene = lBulk ? BuildBulkScene(mFactory) : BuildRyvTestScene(mFactory, "");
    const std::map<std::string, std::string> lGolden = ReadGolden();
    ASSERT_FALSE(lGolden.empty()) << kGoldenFile;
    for (const KFlavourCase& lCase : kFlavours) {
        const std::string lKey = std::string(lBulk ? "bulk/" : "every-kind/") + lCase.mName;
        const auto lFound = lGolden.find(lKey);
        ASSERT_NE(lFound, lGolden.end()) << lKey;
        EXPECT_EQ(Fingerprint(lScene, lCase), lFound->second) << lKey;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, KRyvWriteGoldenTest, ::testing::Values(false, true));

} // namespace
