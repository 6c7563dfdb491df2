// Written files must not change by a byte: each case writes a scene and compares the file's
// size and hash with those of the writer's earlier output.
#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include "scene/objects/KRyvMaterial.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// Within +-pRange, on a grid of 2^-pBits so that ties of the printed rounding come up.
double GridValue(TestSequence& ioNumbers, double pRange, int pBits)
{
    const double lUnit = std::ldexp(1.0, -pBits);
    const double lSteps = std::floor(pRange / lUnit);
    const double lPick =
        static_cast<double>(ioNumbers.Next() % (2 * static_cast<std::uint64_t>(lSteps)));
    return (lPick - lSteps) * lUnit;
}

struct Scene
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
    KRyvNode* Root() const { return mScene->GetRootNode(); }
};

KRyvMesh* AddMesh(Scene& ioScene, const char* pName, const std::vector<KVector4>& pPoints)
{
    KRyvMesh* lMesh = ioScene.mFactory->CreateMesh();
    lMesh->GetControlPointArray() = pPoints;
    KRyvNode* lNode = ioScene.mFactory->CreateNode(pName);
    lNode->SetNodeAttribute(lMesh);
    ioScene.Root()->AddChild(lNode);
    return lMesh;
}

KRyvMaterial* Material(Scene& ioScene, const char* pName, const KColor& pColor)
{
    KRyvMaterial* lMaterial = ioScene.mFactory->CreateMaterial(pName);
    lMaterial->SetDiffuseColor(pColor);
    return lMaterial;
}

// Coordinates that test the printing: signed zeros, exact ties of the sixth decimal, values
// that round to zero, large and huge ones up to the largest double.
std::vector<KVector4> EdgePoints()
{
    const double kMax = std::numeric_limits<double>::max();
    const double lValues[] = {0.0,
                              -0.0,
                              1.0 / 128,
                              -1.0 / 128,
                              3.0 / 128,
                              2.5e-7,
                              -2.5e-7,
                              5e-7,
                              -5e-7,
                              4.9999999e-7,
                              0.1,
                              -0.3,
                              123456.789012345,
                              -987654.3210005,
                              1e9 + 0.5,
                              4.5e12,
                              -7.25e14,
                              9.007199254740993e15,
                              1e20,
                              -1e22,
                              1e300,
                              1e57,
                              kMax,
                              -kMax,
                              999999.9999995,
                              0.0000015,
                              2.0000025,
                              -1.5e-6};
    std::vector<KVector4> lPoints;
    const std::size_t lCount = sizeof(lValues) / sizeof(lValues[0]);
    for (std::size_t i = 0; i < lCount; ++i) {
        lPoints.emplace_back(lValues[i], lValues[(i + 7) % lCount], lValues[(i + 13) % lCount],
                             1.0);
    }
    return lPoints;
}

// Many meshes: plain, coloured by polygon and by point, hidden, with polygons of 1 to 7
// corners; coordinates over many magnitudes.
void FillScene(Scene& ioScene)
{
    TestSequence lNumbers(42);
    KRyvMesh* lEdges = AddMesh(ioScene, "edges", EdgePoints());
    for (int p = 0; p + 3 < lEdges->GetControlPointCount(); p += 3) {
        lEdges->BeginPolygon();
        for (int k = 0; k < 3 + p % 2; ++k) {
            lEdges->AddPolygon(p + k);
        }
    }
    const char* const lNames[] = {"plain", "by polygon", "by point", "hidden", "FAR"};
    const double lRanges[] = {10.0, 1000.0, 1e6, 0.01, 4e9};
    for (int m = 0; m < 5; ++m) {
        std::vector<KVector4> lPoints;
        for (int i = 0; i < 300; ++i) {
            lPoints.emplace_back(GridValue(lNumbers, lRanges[m], 10 + m * 3),
                                 GridValue(lNumbers, lRanges[m], 7 + m),
                                 GridValue(lNumbers, lRanges[m], 20), 1.0);
        }
        KRyvMesh* lMesh = AddMesh(ioScene, lNames[m], lPoints);
        if (m == 1 || m == 2) {
            lMesh->AddMaterial(Material(ioScene, "red", KColor(1, 0, 0)));
            lMesh->AddMaterial(Material(ioScene, "teal", KColor(0.2, 0.6, 0.6)));
            lMesh->InitMaterialIndices(m == 1 ? KRyvMesh::eMappingByPolygon
                                              : KRyvMesh::eMappingByControlPoint);
        }
        for (int lFirst = 0, lSize = 1; lFirst + lSize <= 300;
             lFirst += lSize, lSize = lSize % 7 + 1) {
            lMesh->BeginPolygon(m == 1 ? lFirst % 3 - 1 : -1);
            for (int k = 0; k < lSize; ++k) {
                lMesh->AddPolygon(lFirst + (k * 5) % lSize);
            }
        }
        if (m == 2) {
            for (int i = 0; i < 300; i += 3) {
                lMesh->GetMaterialIndices()[i] = i % 2;
            }
        }
        if (m == 3) {
            ioScene.Root()->GetChild(ioScene.Root()->GetChildCount() - 1)->SetVisibility(false);
        }
    }
}

template <typename T> std::string Written(T& ioScene, const TempFolder& pFiles, bool pTriangulate)
{
    const std::string lPath = pFiles.PathOf(pTriangulate ? "triangles.dxf" : "polygons.dxf");
    KWriterDxf lWriter(ioScene.mFactory.get());
    KStreamOptionsDxf lOptions;
    lOptions.SetOptionValue(KStreamOptionsDxf::kForceTriangulation, pTriangulate ? 1 : 0);
    EXPECT_TRUE(lWriter.FileCreate(lPath.c_str()) &&
                lWriter.Write(ioScene.mScene.get(), &lOptions));
    return TempFolder::Read(lPath);
}

TEST(KWriterDxfGolden, GeneratedScenesAreWrittenAsBefore)
{
    TempFolder lFiles;
    Scene lScene;
    FillScene(lScene);
    const std::string lPolygons = Written(lScene, lFiles, false);
    EXPECT_EQ(lPolygons.size(), 211609u);
    EXPECT_EQ(Fnv1a(lPolygons), 8163610850758817601ull);
    const std::string lTriangles = Written(lScene, lFiles, true);
    EXPECT_EQ(lTriangles.size(), 217064u);
    EXPECT_EQ(Fnv1a(lTriangles), 2237428321639997214ull);
}

TEST(KWriterDxfGolden, TheSampleIsWrittenBackAsBefore)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/dxf/issue_2229.dxf";
    if (!std::ifstream(lPath).good()) {
        GTEST_SKIP() << "no samples";
    }
    TempFolder lFiles;
    struct Case
    {
        int mChoice;
        std::size_t mSize;
        std::uint64_t mHash;
    };
    const Case lCases[] = {{KStreamOptionsDxf::kChoiceLayer, 199247u, 4434048463766096027ull},
                           {KStreamOptionsDxf::kChoiceEntity, 217413u, 2088250224163241350ull}};
    for (const Case& lCase : lCases) {
        DxfRead lRead(lPath, lCase.mChoice, true);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        const std::string lText = Written(lRead, lFiles, true);
        EXPECT_EQ(lText.size(), lCase.mSize) << lCase.mChoice;
        EXPECT_EQ(Fnv1a(lText), lCase.mHash) << lCase.mChoice;
    }
}

} // namespace
