// Where the OBJ writer puts its material library: beside the output as it was named, under the
// output's own name, named on the "mtllib" line so that the kit's reader and an independent one
// both find it; never beside a device.
#include "tests/formats/geometry/obj/ObjTestSupport.h"

#include "formats/geometry/obj/KWriterObj.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#ifdef RYV_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

#include <filesystem>

namespace {

// One triangle with the material "red", diffuse (1, 0, 0), unless !pMaterial.
void AddRedTriangle(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, bool pMaterial)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(3);
    for (int i = 0; i < 3; ++i) {
        lMesh->GetControlPoints()[i] = KVector4(i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0, 0.0);
        lMesh->AddPolygon(i);
    }
    if (pMaterial) {
        KRyvMaterial* lMaterial = ioFactory.CreateMaterial("red");
        lMaterial->SetDiffuseColor(KColor(1.0, 0.0, 0.0, 1.0));
        lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
        lMesh->AddMaterial(lMaterial);
    }
    KRyvNode* lNode = ioFactory.CreateNode("tri");
    lNode->SetNodeAttribute(lMesh);
    ioScene.GetRootNode()->AddChild(lNode);
}

struct Written
{
    bool mWritten = false;
    int mError = -1;
    std::string mErrorText;
    std::string mMessage;
};

Written WriteRedTriangle(const std::string& pPath, bool pMaterial = true)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddRedTriangle(lFactory, lScene, pMaterial);
    KWriterObj lWriter(&lFactory);
    KStreamOptionsObj lOptions;
    Written lResult;
    lResult.mWritten = lWriter.FileCreate(pPath.c_str()) && lWriter.Write(&lScene, &lOptions);
    lResult.mError = lWriter.GetError().GetLastErrorID();
    lResult.mErrorText = lWriter.GetError().GetLastErrorString().Buffer();
    lResult.mMessage = lWriter.GetMessage().Buffer();
    return lResult;
}

// The diffuse red of the material "red" as the kit's reader finds it; -1 when it finds none.
double KitReadsRed(const std::string& pPath)
{
    const ObjRead lRead(pPath, "", false, true);
    EXPECT_TRUE(lRead.mRead) << lRead.mErrorText;
    EXPECT_EQ(lRead.mMessage.find("Unable"), std::string::npos) << lRead.mMessage;
    for (int i = 0; i < lRead.mFactory->GetMaterialCount(); ++i) {
        const KRyvMaterial* lMaterial = lRead.mFactory->GetMaterial(i);
        if (lMaterial->GetNameWithoutPrefix() == "red") {
            return lMaterial->GetDiffuseColor().mRed;
        }
    }
    return -1.0;
}

// The same as an independent reader finds it; 1 where none is installed.
double OtherReaderReadsRed(const std::string& pFolder, const std::string& pName)
{
#ifdef RYV_HAVE_TINYOBJLOADER
    tinyobj::attrib_t lAttrib;
    std::vector<tinyobj::shape_t> lShapes;
    std::vector<tinyobj::material_t> lMaterials;
    std::string lWarning;
    std::string lError;
    EXPECT_TRUE(tinyobj::LoadObj(&lAttrib, &lShapes, &lMaterials, &lWarning, &lError,
                                 (pFolder + "/" + pName).c_str(), (pFolder + "/").c_str()))
        << lError;
    for (const tinyobj::material_t& lMaterial : lMaterials) {
        if (lMaterial.name == "red") {
            return lMaterial.diffuse[0];
        }
    }
    return -1.0;
#else
    (void)pFolder;
    (void)pName;
    return 1.0;
#endif
}

// Blanks and backslashes stay in the library's name, beside the libraries of names that
// differ only there; both readers find the library the "mtllib" line names.
TEST(ObjSideFileTest, TheLibraryKeepsTheOutputsNameAndReadsBack)
{
    const struct
    {
        const char* mObj;
        const char* mMtl;
        const char* mLine;
    } kCases[] = {
        {"my cube.obj", "my cube.mtl", "mtllib my\\ cube.mtl\n"},
        {"a\\b.obj", "a\\b.mtl", "mtllib a\\\\b.mtl\n"},
        {"two  blanks\\ .OBJ", "two  blanks\\ .mtl", "mtllib two\\ \\ blanks\\\\\\ .mtl\n"},
        {"tab\there.obj", "tab\there.mtl", "mtllib tab\\\there.mtl\n"},
    };
    for (const auto& lCase : kCases) {
        TempFolder lFolder;
        // What the old naming would have taken: another file's library, a file in a folder.
        const std::string lDecoy = "newmtl red\nKd 0 0 1\n";
        lFolder.Write("my_cube.mtl", lDecoy);
        lFolder.Write("b.mtl", lDecoy);
        lFolder.Write("two__blanks\\_.mtl", lDecoy);
        const std::string lObj = lFolder.PathOf(lCase.mObj);
        const Written lWritten = WriteRedTriangle(lObj);
        ASSERT_TRUE(lWritten.mWritten) << lWritten.mErrorText;
        EXPECT_NE(TempFolder::Read(lObj).find(lCase.mLine), std::string::npos)
            << TempFolder::Read(lObj);
        EXPECT_NE(TempFolder::Read(lFolder.PathOf(lCase.mMtl)).find("newmtl red\n"),
                  std::string::npos)
            << lCase.mMtl;
        for (const char* lOther : {"my_cube.mtl", "b.mtl", "two__blanks\\_.mtl"}) {
            EXPECT_EQ(TempFolder::Read(lFolder.PathOf(lOther)), lDecoy) << lOther;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.Path()), {}), 5);
        EXPECT_EQ(KitReadsRed(lObj), 1.0) << lCase.mObj;
        EXPECT_EQ(OtherReaderReadsRed(lFolder.Path(), lCase.mObj), 1.0) << lCase.mObj;
    }
}

// Files written elsewhere may use '\' between folders on the "mtllib" line: still found.
TEST(ObjSideFileTest, ABackslashBetweenFoldersStillFindsTheLibrary)
{
    TempFolder lFolder;
    lFolder.Write("maps/lib.mtl", "newmtl red\nKd 1 0 0\n");
    const std::string lObj =
        lFolder.Write("in.obj", "mtllib maps\\lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\n"
                                "f 1 2 3\n");
    EXPECT_EQ(KitReadsRed(lObj), 1.0);
}

// A line naming one library with an escaped blank and another with '\' between folders opens
// each of them, without a warning.
TEST(ObjSideFileTest, EachNameOfAMixedLibraryLineIsFound)
{
    TempFolder lFolder;
    lFolder.Write("my cube.mtl", "newmtl red\nKd 1 0 0\n");
    lFolder.Write("maps/wood.mtl", "newmtl wood\nKd 0.5 0.25 0\n");
    const std::string lObj =
        lFolder.Write("in.obj", "mtllib my\\ cube.mtl maps\\wood.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                "usemtl red\nf 1 2 3\nusemtl wood\nf 1 2 3\n");
    EXPECT_EQ(KitReadsRed(lObj), 1.0);
    const ObjRead lRead(lObj, "", false, true);
    double lWoodRed = -1.0;
    for (int i = 0; i < lRead.mFactory->GetMaterialCount(); ++i) {
        const KRyvMaterial* lMaterial = lRead.mFactory->GetMaterial(i);
        if (lMaterial->GetNameWithoutPrefix() == "wood") {
            lWoodRed = lMaterial->GetDiffuseColor().mRed;
        }
    }
    EXPECT_EQ(lWoodRed, 0.5);
}

// A device as the output, through a link, leaves the library no place: the write of a scene
// with materials is refused, naming why, and nothing lands beside the link or the device. A
// scene without materials needs none and is written.
TEST(ObjSideFileTest, ADeviceAsTheOutputGetsNoLibrary)
{
    TempFolder lFolder;
    const std::string lLink = lFolder.PathOf("n.obj");
    std::filesystem::create_symlink("/dev/null", lLink);
    const Written lWritten = WriteRedTriangle(lLink);
    const bool lStray = std::filesystem::exists("/dev/null.mtl");
    if (lStray) {
        std::filesystem::remove("/dev/null.mtl");
    }
    EXPECT_FALSE(lStray);
    EXPECT_FALSE(lWritten.mWritten);
    EXPECT_EQ(lWritten.mError, KWriter::kFileNotCreated);
    EXPECT_EQ(lWritten.mErrorText, lFolder.PathOf("n.mtl") +
                                       ": a material library has no place beside a device or pipe");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.Path()), {}), 1);
    const Written lPlain = WriteRedTriangle(lLink, false);
    EXPECT_TRUE(lPlain.mWritten) << lPlain.mErrorText;
}

// A name no "mtllib" line can hold is refused; a folder at the library's name says so.
TEST(ObjSideFileTest, LibrariesThatCannotBeWrittenSayWhy)
{
    TempFolder lFolder;
    const Written lBroken = WriteRedTriangle(lFolder.PathOf("line\nbreak.obj"));
    EXPECT_FALSE(lBroken.mWritten);
    EXPECT_EQ(lBroken.mError, KWriter::kFileNotCreated);
    EXPECT_NE(lBroken.mErrorText.find("holds a line break"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.Path()), {}), 0);

    std::filesystem::create_directory(lFolder.PathOf("d.mtl"));
    const Written lFolderThere = WriteRedTriangle(lFolder.PathOf("d.obj"));
    EXPECT_TRUE(lFolderThere.mWritten);
    EXPECT_NE(lFolderThere.mMessage.find("Unable to create material file \"" +
                                         lFolder.PathOf("d.mtl") + "\": Is a directory.\n"),
              std::string::npos)
        << lFolderThere.mMessage;
}

} // namespace
