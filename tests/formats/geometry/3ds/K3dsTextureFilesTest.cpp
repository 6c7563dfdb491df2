// Texture files through 3DS conversions: a name that leads out of the folder of the file that
// gave it (an absolute path, a ".." step, a link) is never copied beside the output, whether
// the scene came from a 3DS or an OBJ file; a 3DS file's map names are looked up beside it,
// then without regard to case.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "core/KOutputGroup.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/support/TextCount.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#endif

#include <algorithm>
#include <filesystem>

using namespace test3ds;

namespace {

namespace fs = std::filesystem;

const char kOutside[] = "lies outside the folder of the file that names it";

// A 3DS file of one textured triangle per map name, each with a material of its own.
Bytes TexturedTriangles(const std::vector<std::string>& pMaps)
{
    Bytes lContent;
    for (std::size_t i = 0; i < pMaps.size(); ++i) {
        const std::string lName = "M" + std::to_string(i);
        const Bytes lMap =
            Chunk(Tag3ds::kMatTexture1, Cat({Chunk(Tag3ds::kIntPercentage, U16(100)),
                                             Chunk(Tag3ds::kMatMapName, Str(pMaps[i]))}));
        lContent = Cat(
            {lContent, Chunk(Tag3ds::kMatEntry, Cat({Chunk(Tag3ds::kMatName, Str(lName)), lMap}))});
    }
    for (std::size_t i = 0; i < pMaps.size(); ++i) {
        const std::string lName = "M" + std::to_string(i);
        const Bytes lGroup = Chunk(Tag3ds::kMeshMatGroup, Cat({Str(lName), U16(1), U16(0)}));
        const Bytes lUVs = Chunk(Tag3ds::kTexVerts, Cat({U16(3), Floats({0, 0, 1, 0, 0, 1})}));
        lContent =
            Cat({lContent, MeshObject("T" + std::to_string(i), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                      {{0, 1, 2, 7}}, lGroup, lUVs)});
    }
    return StampedFile(lContent);
}

// Expects the independent 3DS library to read the file at pPath and find the map of the face
// of mesh "T0" named pMap.
void ExpectMapOfT0(const std::string& pPath, const char* pMap)
{
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile(lib3ds_file_load(pPath.c_str()));
    ASSERT_NE(lFile, nullptr);
    Lib3dsMesh* lMesh = lib3ds_file_mesh_by_name(lFile.get(), "T0");
    ASSERT_TRUE(lMesh && lMesh->faces == 1);
    Lib3dsMaterial* lMaterial = lib3ds_file_material_by_name(lFile.get(), lMesh->faceL[0].material);
    ASSERT_NE(lMaterial, nullptr);
    EXPECT_STREQ(lMaterial->texture1_map.name, pMap);
#else
    (void)pPath;
    (void)pMap;
#endif
}

// Writes the scene read into pFactory as a 3DS file; the writer's message text.
std::string Write3ds(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pPath)
{
    KWriter3ds lWriter(&ioFactory);
    KStreamOptions3ds lOptions;
    EXPECT_TRUE(lWriter.FileCreate(pPath.c_str()) && lWriter.Write(&ioScene, &lOptions));
    return lWriter.GetMessage().Buffer();
}

// A folder "in" holding a texture "t.png" and a link "l.png" to "s.png" beside "in", and an
// empty folder "out".
struct HostileFolders
{
    ScratchDir mDir;

    HostileFolders()
    {
        fs::create_directory(mDir.Path("in"));
        fs::create_directory(mDir.Path("out"));
        mDir.Write("s.png", Bytes{7});
        mDir.Write("in/t.png", Bytes{1, 2});
        fs::create_symlink("../s.png", mDir.Path("in/l.png"));
    }
    // The names the output folder holds besides pKeep.
    std::vector<std::string> Copied(const std::string& pKeep) const
    {
        std::vector<std::string> lNames;
        for (const auto& lEntry : fs::directory_iterator(mDir.Path("out"))) {
            if (lEntry.path().filename() != pKeep) {
                lNames.push_back(lEntry.path().filename().string());
            }
        }
        std::sort(lNames.begin(), lNames.end());
        return lNames;
    }
};

} // namespace

TEST(K3dsTextureFiles, HostileNamesInA3dsFileAreNotCopied)
{
    HostileFolders lFolders;
    lFolders.mDir.Write("in/h.3ds",
                        TexturedTriangles({"/etc/passwd", "../s.png", "l.png", "t.png"}));
    Read3ds lRead = ReadFile(lFolders.mDir.Path("in/h.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    const std::string lMessage =
        Write3ds(*lRead.mFactory, *lRead.mScene, lFolders.mDir.Path("out/h.3ds"));
    EXPECT_EQ(lFolders.Copied("h.3ds"), (std::vector<std::string>{"t.png"}));
    EXPECT_EQ(ReadBytes(lFolders.mDir.Path("out/t.png")), (Bytes{1, 2}));
    EXPECT_EQ(CountOf(lMessage, kOutside), 3u) << lMessage;
}

TEST(K3dsTextureFiles, HostileNamesInAnObjFileAreNotCopiedInto3ds)
{
    HostileFolders lFolders;
    std::string lObj = "mtllib h.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n";
    std::string lMtl;
    const char* const kMaps[] = {"/etc/passwd", "../s.png", "l.png", "t.png"};
    for (int i = 0; i < 4; ++i) {
        const std::string lName = "m" + std::to_string(i);
        lMtl += "newmtl " + lName + "\nKd 1 1 1\nmap_Kd " + kMaps[i] + "\n";
        lObj += "g g" + std::to_string(i) + "\nusemtl " + lName + "\nf 1/1 2/2 3/3\n";
    }
    lFolders.mDir.Write("in/h.mtl", Bytes(lMtl.begin(), lMtl.end()));
    lFolders.mDir.Write("in/h.obj", Bytes(lObj.begin(), lObj.end()));
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    ASSERT_TRUE(lReader.FileOpen(lFolders.mDir.Path("in/h.obj").c_str()) &&
                lReader.Read(&lScene, &lOptions));
    const std::string lMessage = Write3ds(lFactory, lScene, lFolders.mDir.Path("out/h.3ds"));
    EXPECT_EQ(lFolders.Copied("h.3ds"), (std::vector<std::string>{"t.png"}));
    EXPECT_EQ(CountOf(lMessage, kOutside), 3u) << lMessage;
}

// A map named "IMAGE1.JPG" is the file "IMAGE1.jpg" beside the 3DS file, read from another
// folder; converted, the file is copied beside the output. The texture keeps the map's name.
TEST(K3dsTextureFiles, MapsAreFoundBesideTheFileWithoutRegardToCase)
{
    HostileFolders lFolders;
    lFolders.mDir.Write("in/IMAGE1.jpg", Bytes{9, 8});
    lFolders.mDir.Write("in/h.3ds", TexturedTriangles({"IMAGE1.JPG"}));
    Read3ds lRead = ReadFile(lFolders.mDir.Path("in/h.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvTexture* lTexture = lRead.mFactory->FindTexture("IMAGE1.JPG");
    ASSERT_NE(lTexture, nullptr);
    EXPECT_EQ(std::string(lTexture->GetFileName()), lFolders.mDir.Path("in/IMAGE1.jpg"));
    EXPECT_STREQ(lTexture->GetRelativeFileName(), "IMAGE1.jpg");
    const std::string lMessage =
        Write3ds(*lRead.mFactory, *lRead.mScene, lFolders.mDir.Path("out/h.3ds"));
    EXPECT_EQ(lFolders.Copied("h.3ds"), (std::vector<std::string>{"IMAGE1.jpg"})) << lMessage;
    EXPECT_EQ(ReadBytes(lFolders.mDir.Path("out/IMAGE1.jpg")), (Bytes{9, 8}));
}

// A device as the output, named through a link, shares no folder: its textures stay where they
// are, and the message says why.
TEST(K3dsTextureFiles, NothingIsCopiedBesideADevice)
{
    HostileFolders lFolders;
    lFolders.mDir.Write("in/h.3ds", TexturedTriangles({"t.png"}));
    Read3ds lRead = ReadFile(lFolders.mDir.Path("in/h.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    fs::create_symlink("/dev/null", lFolders.mDir.Path("out/n.3ds"));
    const std::string lMessage =
        Write3ds(*lRead.mFactory, *lRead.mScene, lFolders.mDir.Path("out/n.3ds"));
    EXPECT_EQ(lFolders.Copied("n.3ds"), std::vector<std::string>());
    EXPECT_FALSE(fs::exists("/dev/t.png"));
    EXPECT_NE(lMessage.find("t.png\" not copied: the output is not a regular file"),
              std::string::npos)
        << lMessage;
}

// A texture is copied only with the file it was copied for. Written alone, the file and its
// texture land; when the file's place is taken by a folder once the write began, the write
// fails naming why and leaves no copy of the texture in the output folder.
TEST(K3dsTextureFiles, AFailedWriteLeavesNoCopiedTexture)
{
    for (const bool lTaken : {false, true}) {
        SCOPED_TRACE(lTaken ? "place taken" : "place free");
        HostileFolders lFolders;
        lFolders.mDir.Write("in/h.3ds", TexturedTriangles({"t.png"}));
        Read3ds lRead = ReadFile(lFolders.mDir.Path("in/h.3ds"));
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        const std::string lTarget = lFolders.mDir.Path("out/h.3ds");
        KWriter3ds lWriter(lRead.mFactory.get());
        KStreamOptions3ds lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lTarget.c_str()));
        if (lTaken) {
            fs::create_directory(lTarget);
        }
        EXPECT_EQ(lWriter.Write(lRead.mScene.get(), &lOptions), !lTaken);
        EXPECT_EQ(lFolders.Copied("h.3ds"),
                  lTaken ? std::vector<std::string>() : std::vector<std::string>{"t.png"});
        if (lTaken) {
            EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotCreated);
            EXPECT_EQ(std::string(lWriter.GetError().GetLastErrorString().Buffer()),
                      lTarget + ": Is a directory");
        } else {
            ExpectMapOfT0(lTarget, "t.png");
        }
    }
}

// In the caller's group, neither the file nor its texture is there before the group's commit;
// both are after it.
TEST(K3dsTextureFiles, TheFileAndItsTextureComeWithTheCallersGroup)
{
    HostileFolders lFolders;
    lFolders.mDir.Write("in/h.3ds", TexturedTriangles({"t.png"}));
    Read3ds lRead = ReadFile(lFolders.mDir.Path("in/h.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    const std::string lTarget = lFolders.mDir.Path("out/h.3ds");
    KOutputGroup lGroup(lTarget);
    KWriter3ds lWriter(lRead.mFactory.get());
    lWriter.SetOutputGroup(&lGroup);
    KStreamOptions3ds lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lTarget.c_str()) &&
                lWriter.Write(lRead.mScene.get(), &lOptions));
    EXPECT_EQ(lFolders.Copied(""), std::vector<std::string>());
    ASSERT_TRUE(lGroup.Commit());
    EXPECT_EQ(lFolders.Copied(""), (std::vector<std::string>{"h.3ds", "t.png"}));
    EXPECT_EQ(ReadBytes(lFolders.mDir.Path("out/t.png")), (Bytes{1, 2}));
    ExpectMapOfT0(lTarget, "t.png");
}
