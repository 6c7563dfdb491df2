// Texture coordinates given per corner, as the 3DS reader gives them: the writer splits a
// vertex only where its corners' coordinates differ, and a read back stays smooth across the
// split. The mesh is a roof of two slopes meeting at a ridge along Z, symmetric about X = 0,
// so the smooth normal of a ridge point is (0, 1, 0) and a faceted one (+-1, 1, 0) / sqrt(2).
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#endif

#include <cmath>

using namespace test3ds;

namespace {

// Points 0-2 at z = 0 and 3-5 at z = 1, x = -1, 0, 1; the ridge (points 1 and 4) at y = 1.
const std::vector<KVector4> kRoof = {{-1, 0, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1},
                                     {-1, 0, 1, 1}, {0, 1, 1, 1}, {1, 0, 1, 1}};
// Both slopes face up and begin at ridge point 1, so their triangles (0, 1, 2), (2, 3, 0) are
// mirror images: point 1 is in two triangles of each slope, point 4 in one.
const int kSlopes[2][4] = {{1, 0, 3, 4}, {1, 4, 5, 2}};

// The roof with one UV per corner, index to direct; with pSeam the ridge corners of the right
// slope take u = 0.6 where the left slope's take u = 0.25, as every corner of a point with x = 0.
KRyvMesh* Roof(Scene3ds& ioScene, bool pSeam)
{
    KRyvMesh* lMesh = ioScene.mFactory->CreateMesh();
    lMesh->GetControlPointArray() = kRoof;
    KRyvTexture* lTexture = ioScene.mFactory->CreateTexture("Map");
    lTexture->SetFileName("map.png");
    lMesh->InitTextureIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddTexture(lTexture);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    int lNext = 0;
    for (int s = 0; s < 2; ++s) {
        lMesh->BeginPolygon();
        for (int lPoint : kSlopes[s]) {
            const KVector4& p = kRoof[static_cast<std::size_t>(lPoint)];
            const bool lRidge = p[0] == 0.0;
            lMesh->AddTextureUV(KVector2(lRidge && pSeam && s == 1 ? 0.6 : (p[0] + 1) / 4, p[2]));
            lMesh->AddPolygon(lPoint, lNext++);
        }
    }
    ioScene.Add("Roof", lMesh);
    return lMesh;
}

// The control points of a read-back mesh on the ridge: each normal (0, 1, 0).
void ExpectSmoothRidge(const KRyvMesh& pMesh, std::size_t pRidgePoints)
{
    const KVector4* lNormals = const_cast<KRyvMesh&>(pMesh).GetNormalsDirect();
    ASSERT_NE(lNormals, nullptr);
    std::size_t lRidge = 0;
    for (int i = 0; i < pMesh.GetControlPointCount(); ++i) {
        const KVector4& p = pMesh.GetControlPoints()[static_cast<std::size_t>(i)];
        if (std::fabs(p[0]) < 1e-6) {
            ++lRidge;
            EXPECT_NEAR(lNormals[i][0], 0.0, 1e-6) << i;
            EXPECT_NEAR(lNormals[i][1], 1.0, 1e-6) << i;
        }
    }
    EXPECT_EQ(lRidge, pRidgePoints);
}

#ifdef RYV_HAVE_LIB3DS
// The independent library's reading: point count, and the u of each point at pX.
std::vector<float> UsAt(const std::string& pPath, float pX, unsigned& oPoints)
{
    std::vector<float> lUs;
    Lib3dsFile* lFile = lib3ds_file_load(pPath.c_str());
    if (!lFile || !lFile->meshes) {
        ADD_FAILURE() << "not read: " << pPath;
        return lUs;
    }
    const Lib3dsMesh* lMesh = lFile->meshes;
    oPoints = lMesh->points;
    for (unsigned i = 0; i < lMesh->points && i < lMesh->texels; ++i) {
        if (lMesh->pointL[i].pos[0] == pX) {
            lUs.push_back(lMesh->texelL[i][0]);
        }
    }
    lib3ds_file_free(lFile);
    return lUs;
}
#endif

} // namespace

// Without a seam the six points stay six; with one, only the two ridge points gain a copy,
// first with the left slope's u, then with the right's; every ridge point reads back smooth.
TEST(KWriter3dsUVSplit, OnlyPointsWhoseCornersDifferAreSplitAndStaySmooth)
{
    struct Case
    {
        bool mSeam;
        int mPoints;
        std::size_t mRidgePoints;
        std::vector<float> mRidgeUs;
    };
    const Case kCases[] = {{false, 6, 2, {0.25f, 0.25f}}, {true, 8, 4, {0.25f, 0.25f, 0.6f, 0.6f}}};
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mSeam ? "seam" : "no seam");
        ScratchDir lDir;
        Scene3ds lScene;
        Roof(lScene, lCase.mSeam);
        ASSERT_TRUE(lScene.Write(lDir.Path("roof.3ds")));
        Read3ds lRead = ReadFile(lDir.Path("roof.3ds"));
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        ASSERT_EQ(lRead.MeshOf("Roof")->GetControlPointCount(), lCase.mPoints);
        ExpectSmoothRidge(*lRead.MeshOf("Roof"), lCase.mRidgePoints);
#ifdef RYV_HAVE_LIB3DS
        unsigned lPoints = 0;
        EXPECT_EQ(UsAt(lDir.Path("roof.3ds"), 0.0f, lPoints), lCase.mRidgeUs);
        EXPECT_EQ(lPoints, static_cast<unsigned>(lCase.mPoints));
#endif
    }
}
