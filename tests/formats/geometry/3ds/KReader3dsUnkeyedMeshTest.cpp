// A mesh that no keyframer record places stands where its vertices are, whatever its local
// system says: a file without keyframer, and a mesh a keyframer leaves out. Checked against an
// independent 3DS library where it is installed.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#endif

#include <vector>

using namespace test3ds;

namespace {

const std::vector<Point3ds> kVertices = {
    {1.1f, 2.2f, 3.3f}, {2.0f, 2.2f, 3.3f}, {1.1f, 3.0f, 3.3f}};
// The local system turned 90 degrees about Z (X axis along Y) and moved to (5, -3, 2).
const std::vector<float> kTurnedAndMoved = {0, 1, 0, -1, 0, 0, 0, 0, 1, 5, -3, 2};
constexpr double kInch = 2.54;

Bytes TurnedMesh()
{
    return MeshObject("Box", kVertices, {{0, 1, 2, 7}}, {}, {}, kTurnedAndMoved);
}

// The global position of each control point of the node's mesh at time 0.
std::vector<KVector4> Placed(KRyvNode* pNode)
{
    std::vector<KVector4> lPlaced;
    const KMatrix& lGlobal = pNode->GetGlobalMatrixAtTime(KTime());
    for (const KVector4& lPoint :
         static_cast<KRyvMesh*>(pNode->GetMesh())->GetControlPointArray()) {
        KVector4 lOut;
        VectorMultiplyMatrixAffine(lOut, lGlobal, lPoint);
        lPlaced.push_back(lOut);
    }
    return lPlaced;
}

} // namespace

TEST(KReader3dsUnkeyedMesh, StandsWhereItsVerticesAre)
{
    const Bytes lWithoutKeyframer = Chunk(
        Tag3ds::kM3dMagic,
        Cat({Chunk(Tag3ds::kVersion, U32(3)),
             Chunk(Tag3ds::kMdata, Cat({Chunk(Tag3ds::kMeshVersion, U32(3)), TurnedMesh()}))}));
    const Bytes lLeftOut =
        StampedFile(Cat({TurnedMesh(), MeshObject("Other", kVertices, {{0, 1, 2, 7}})}),
                    ObjectNode(0, "Other", Tag3ds::kNoParent));
    ScratchDir lDir;
    for (const Bytes& lFileBytes : {lWithoutKeyframer, lLeftOut}) {
        const std::string lPath = lDir.Write("turned.3ds", lFileBytes);
        std::vector<Point3ds> lExpected = kVertices;
#ifdef RYV_HAVE_LIB3DS
        Lib3dsFile* lFile = lib3ds_file_load(lPath.c_str());
        ASSERT_NE(lFile, nullptr);
        Lib3dsMesh* lMesh = lib3ds_file_mesh_by_name(lFile, "Box");
        ASSERT_TRUE(lMesh && lMesh->points == kVertices.size());
        for (std::size_t v = 0; v < kVertices.size(); ++v) {
            lExpected[v] = {lMesh->pointL[v].pos[0], lMesh->pointL[v].pos[1],
                            lMesh->pointL[v].pos[2]};
        }
        lib3ds_file_free(lFile);
#endif
        Read3ds lRead = ReadFile(lPath);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        KRyvNode* lNode = lRead.Node("Box");
        ASSERT_TRUE(lNode && lNode->GetMesh());
        const std::vector<KVector4> lPlaced = Placed(lNode);
        ASSERT_EQ(lPlaced.size(), lExpected.size());
        for (std::size_t v = 0; v < lPlaced.size(); ++v) {
            // File (x, y, z) in inches is the kit's (x, z, -y) in centimetres.
            SCOPED_TRACE(v);
            ExpectPoint(lPlaced[v], lExpected[v].x * kInch, lExpected[v].z * kInch,
                        -lExpected[v].y * kInch);
        }
    }
}
