#include "ObjTestSupport.h"

#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KNodeWalk.h"
#include "io/KStreamOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// Files from strangers: every damaged variant of a valid file must give a clean true or false,
// and a false read must leave the scene and the factory as they were. The mutations are
// deterministic (fixed seeds, generator output used directly) so that a failure reproduces.

namespace {

const char* const kLibrary = "newmtl red\n"
                             "Ka 0.1 0.1 0.1\n"
                             "Kd 1 0 0\n"
                             "Ks 0.5 0.5 0.5\n"
                             "Ns 10\n"
                             "d 0.5\n"
                             "map_Kd tex.png\n"
                             "newmtl blue\n"
                             "Kd 0 0 1\n";

const char* const kSmall = "# small\n"
                           "mtllib small.mtl\n"
                           "v 0 0 0\n"
                           "v 1 0 0\n"
                           "v 1 1 0\n"
                           "v 0 1 0 1\n"
                           "vt 0 0\n"
                           "vt 1 0\n"
                           "vt 1 1\n"
                           "vn 0 0 1\n"
                           "vp 0.5\n"
                           "g side\n"
                           "usemtl red\n"
                           "s 1\n"
                           "f 1/1/1 2/2/1 3/3/1\n"
                           "f -4/1 -2/3 -1\n"
                           "o thing\n"
                           "s off\n"
                           "usemtl blue\n"
                           "f 1//1 3//1 \\\n"
                           "  4//1\n"
                           "cstype rat bspline\n"
                           "deg 1 1\n"
                           "surf 0 1 0 1 1 2 3 4\n"
                           "parm u 0 0 1 1\n"
                           "parm v 0 0 1 1\n"
                           "end\n";

const char* const kHostileNumbers[] = {"1e999",
                                       "-1e999",
                                       "1e-999",
                                       "-2147483649",
                                       "2147483648",
                                       "9223372036854775808",
                                       "-9223372036854775809",
                                       "nan",
                                       "-nan",
                                       "inf",
                                       "-0",
                                       "0",
                                       "-1",
                                       "0x10",
                                       "+-1",
                                       "1.5.2",
                                       "1e",
                                       "."};

std::vector<std::string> SplitLines(const std::string& pText)
{
    std::vector<std::string> lLines;
    std::istringstream lIn(pText);
    for (std::string lLine; std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    return lLines;
}

std::string JoinLines(const std::vector<std::string>& pLines)
{
    std::string lText;
    for (const std::string& lLine : pLines) {
        lText += lLine + "\n";
    }
    return lText;
}

// The factory's object counts a failed read must leave as they were.
struct FactoryCounts
{
    int mNodes;
    int mAttributes;
    int mMaterials;
    int mTextures;
    int mRootChildren;

    FactoryCounts(const KRyvObjectFactory& pFactory, KRyvScene& pScene)
        : mNodes(pFactory.GetNodeCount()), mAttributes(pFactory.GetNodeAttributeCount()),
          mMaterials(pFactory.GetMaterialCount()), mTextures(pFactory.GetTextureCount()),
          mRootChildren(pScene.GetRootNode()->GetChildCount())
    {
    }
    bool operator==(const FactoryCounts& pOther) const
    {
        return mNodes == pOther.mNodes && mAttributes == pOther.mAttributes &&
               mMaterials == pOther.mMaterials && mTextures == pOther.mTextures &&
               mRootChildren == pOther.mRootChildren;
    }
};

// Every polygon corner of every mesh read names one of the mesh's control points.
bool MeshesAreConsistent(KRyvScene& pScene)
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(pScene.GetRootNode(), false, lNodes);
    for (KRyvNode* lNode : lNodes) {
        const KRyvMesh* lMesh = static_cast<const KRyvMesh*>(lNode->GetMesh());
        if (!lMesh) {
            continue;
        }
        for (int p = 0; p < lMesh->GetPolygonCount(); ++p) {
            if (lMesh->GetPolygonSize(p) < 3) {
                return false;
            }
            for (int i = 0; i < lMesh->GetPolygonSize(p); ++i) {
                const int lVertex = lMesh->GetPolygonVertex(p, i);
                if (lVertex < 0 || lVertex >= lMesh->GetControlPointCount()) {
                    return false;
                }
            }
        }
    }
    return true;
}

// One factory and scene serve all the reads of a test (making a scene is far dearer than a
// read); what a successful read adds is taken away again before the next one.
class ObjMutation : public testing::Test
{
protected:
    void SetUp() override { mFolder.Write("small.mtl", kLibrary); }

    // Reads pContent as an OBJ beside the library; answers the reader's verdict. A false read
    // must leave the scene as it was, a true one must give consistent meshes.
    bool ExpectSafeRead(const std::string& pContent, const std::string& pLabel,
                        bool pReferenceNode = false)
    {
        const FactoryCounts lBefore(mFactory, *mScene);
        const std::string lPath = mFolder.Write("m.obj", pContent);
        KReaderObj lReader(&mFactory);
        KStreamOptionsObj lOptions;
        lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pReferenceNode ? 1 : 0);
        const bool lRead = lReader.FileOpen(lPath.c_str()) && lReader.Read(mScene, &lOptions);
        mMessage = lReader.GetMessage().Buffer();
        if (lRead) {
            EXPECT_TRUE(MeshesAreConsistent(*mScene)) << pLabel;
        } else {
            EXPECT_TRUE(FactoryCounts(mFactory, *mScene) == lBefore)
                << pLabel << ": " << lReader.GetError().GetLastErrorString().Buffer();
            EXPECT_NE(lReader.GetError().GetLastErrorID(), -1) << pLabel;
        }
        ClearScene();
        ++(lRead ? mAccepted : mRefused);
        return lRead;
    }

    // The same through the importer front end.
    bool ExpectSafeImport(const std::string& pContent, const std::string& pLabel)
    {
        const FactoryCounts lBefore(mFactory, *mScene);
        const std::string lPath = mFolder.Write("i.obj", pContent);
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(KFileFormatRegistry::kImportObj);
        EXPECT_TRUE(lImporter.Initialize(lPath.c_str())) << pLabel;
        std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
        const bool lRead = lOptions && lImporter.Import(mScene, lOptions.get());
        if (!lRead) {
            EXPECT_TRUE(FactoryCounts(mFactory, *mScene) == lBefore) << pLabel;
            EXPECT_NE(lImporter.GetError().GetLastErrorID(), -1) << pLabel;
        }
        ClearScene();
        ++(lRead ? mAccepted : mRefused);
        return lRead;
    }

    void ClearScene()
    {
        KRyvNode* lRoot = mScene->GetRootNode();
        for (int i = lRoot->GetChildCount() - 1; i >= 0; --i) {
            mFactory.DestroyNode(lRoot->GetChild(i), true);
        }
        ASSERT_EQ(lRoot->GetChildCount(), 0);
        // The materials the reads leave would make every later name search longer.
        while (mFactory.GetMaterialCount() > 0) {
            ASSERT_TRUE(mFactory.DestroyMaterial(mFactory.GetMaterial(0)));
        }
        while (mFactory.GetTextureCount() > 0) {
            ASSERT_TRUE(mFactory.DestroyTexture(mFactory.GetTexture(0)));
        }
    }

    ObjTempFolder mFolder;
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    std::string mMessage;
    std::size_t mRotation = 0;
    int mAccepted = 0;
    int mRefused = 0;
};

TEST_F(ObjMutation, TheUnharmedFilesRead)
{
    EXPECT_TRUE(ExpectSafeRead(kSmall, "small"));
    EXPECT_TRUE(ExpectSafeRead(kSmall, "small with reference node", true));
    EXPECT_TRUE(ExpectSafeImport(kSmall, "small imported"));
}

TEST_F(ObjMutation, EveryTruncation)
{
    const std::string lText = kSmall;
    for (std::size_t lLength = 0; lLength <= lText.size(); ++lLength) {
        const std::string lCut = lText.substr(0, lLength);
        const std::string lLabel = "cut at " + std::to_string(lLength);
        if (lLength % 2 == 0) {
            ExpectSafeRead(lCut, lLabel, lLength % 4 == 0);
        } else {
            ExpectSafeImport(lCut, lLabel);
        }
    }
    // Cuts before the first statement, or inside a point that then lacks its numbers, are
    // refused; the others read.
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
    EXPECT_FALSE(ExpectSafeRead("", "empty"));
}

TEST_F(ObjMutation, ByteFlipsInsertedZerosAndHighBytes)
{
    const std::string lText = kSmall;
    std::mt19937 lRandom(20261206);
    for (int lCase = 0; lCase < 240; ++lCase) {
        std::string lMutated = lText;
        const std::size_t lAt = lRandom() % lMutated.size();
        const char lByte = static_cast<char>(1u << (lRandom() % 8));
        std::string lLabel;
        switch (lCase % 3) {
        case 0:
            lMutated[lAt] = static_cast<char>(lMutated[lAt] ^ lByte);
            lLabel = "flip at ";
            break;
        case 1:
            lMutated.insert(lAt, 1, '\0');
            lLabel = "zero at ";
            break;
        default:
            lMutated.insert(lAt, 1, static_cast<char>(0xFF));
            lLabel = "0xFF at ";
            break;
        }
        ExpectSafeRead(lMutated, lLabel + std::to_string(lAt));
    }
    // A zero byte anywhere is binary data.
    EXPECT_FALSE(ExpectSafeRead(std::string(kSmall) + std::string(1, '\0'), "zero at end"));
    EXPECT_FALSE(ExpectSafeRead(std::string(1, '\0') + kSmall, "zero at start"));
    EXPECT_GT(mRefused, 0);
}

TEST_F(ObjMutation, DuplicatedAndDeletedLines)
{
    const std::vector<std::string> lLines = SplitLines(kSmall);
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        std::vector<std::string> lDeleted = lLines;
        lDeleted.erase(lDeleted.begin() + static_cast<std::ptrdiff_t>(i));
        ExpectSafeRead(JoinLines(lDeleted), "line " + std::to_string(i + 1) + " deleted");
        std::vector<std::string> lDuplicated = lLines;
        lDuplicated.insert(lDuplicated.begin() + static_cast<std::ptrdiff_t>(i), lLines[i]);
        ExpectSafeRead(JoinLines(lDuplicated), "line " + std::to_string(i + 1) + " twice");
        std::vector<std::string> lMoved = lLines;
        lMoved.push_back(lLines[i]);
        ExpectSafeRead(JoinLines(lMoved), "line " + std::to_string(i + 1) + " again at the end");
    }
    // A deleted "end" leaves the surface swallowing the rest; a deleted "cstype" makes "surf" an
    // error.
    EXPECT_GT(mRefused, 0);
}

TEST_F(ObjMutation, HostileNumbersInEveryNumberPlace)
{
    // Each token that is a number (or a face corner) is replaced in turn by each hostile text.
    const std::vector<std::string> lLines = SplitLines(kSmall);
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        std::vector<std::string> lWords;
        std::istringstream lIn(lLines[i]);
        for (std::string lWord; lIn >> lWord;) {
            lWords.push_back(lWord);
        }
        for (std::size_t w = 1; w < lWords.size(); ++w) {
            const char lFirst = lWords[w][0];
            if (!(lFirst == '-' || (lFirst >= '0' && lFirst <= '9'))) {
                continue;
            }
            // Each place gets every third text, starting one further each time: the texts spread
            // evenly over the places while the case count stays small.
            for (std::size_t h = mRotation++ % 3; h < std::size(kHostileNumbers); h += 3) {
                const char* const lHostile = kHostileNumbers[h];
                std::vector<std::string> lChanged = lWords;
                lChanged[w] = lHostile;
                std::string lLine;
                for (const std::string& lWord : lChanged) {
                    lLine += lWord + " ";
                }
                std::vector<std::string> lFile = lLines;
                lFile[i] = lLine;
                ExpectSafeRead(JoinLines(lFile), "line " + std::to_string(i + 1) + " word " +
                                                     std::to_string(w) + " = " + lHostile);
            }
        }
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_F(ObjMutation, FaceIndicesOutOfEveryRange)
{
    const std::string lTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    const char* const kFaces[] = {"f 0 0 0",
                                  "f 0 1 2",
                                  "f 1 2 0",
                                  "f -1 -2 -3",
                                  "f -4 -5 -6",
                                  "f 4 5 6",
                                  "f 1 2",
                                  "f 1",
                                  "f",
                                  "f 1 1 1",
                                  "f 1/0/0 2/0/0 3/0/0",
                                  "f 1/-1/-1 2/-2/-2 3/9/9",
                                  "f 1//-9 2//9 3//1",
                                  "f 1/// 2/// 3///",
                                  "f 1/1/1/1 2/1/1/1 3/1/1/1",
                                  "f / / /",
                                  "f // // //",
                                  "f -0 -0 -0",
                                  "f 2147483648 1 2",
                                  "f -2147483649 1 2 3",
                                  "f 9223372036854775807 1 2 3",
                                  "f -9223372036854775808 1 2 3",
                                  "f 99999999999999999999999 1 2 3",
                                  "f 1e3 2 3",
                                  "f nan 1 2 3",
                                  "f 1 2 3 x",
                                  "f x 1 2 3",
                                  "f 1.5 2 3",
                                  "surf 0 1 0 1 0 -1 -2 -3",
                                  "surf 0 1 0 1 99 -99 2147483648 1",
                                  "surf",
                                  "surf 0 1"};
    for (const char* lFace : kFaces) {
        for (const char* lSurface : {"", "cstype rat bspline\ndeg 1 1\n"}) {
            const std::string lText = lTriangle + lSurface + lFace + "\nparm u 0 0 1 1\nend\n";
            const std::string lLabel = std::string(lSurface) + lFace;
            ExpectSafeRead(lText, lLabel);
            ExpectSafeRead(lText, lLabel + " (reference node)", true);
        }
    }
    // Faces with nothing to stand on before any vertex.
    EXPECT_TRUE(ExpectSafeRead("f 1 2 3\nf -1 -2 -3\nv 0 0 0\n", "faces before vertices"));
    EXPECT_GT(mAccepted, 0);
}

TEST_F(ObjMutation, SurfaceDegreesAndKnotsOutOfRange)
{
    const std::string lGrid = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\ncstype rat bspline\n";
    const char* const kDegrees[] = {"deg 1 1",     "deg 0 0",   "deg -1 -1",
                                    "deg 1e999 1", "deg nan 1", "deg 2147483648 1",
                                    "deg 999 999", "deg 1",     "deg 100 100"};
    const char* const kKnots[] = {"parm u 0 0 1 1\nparm v 0 0 1 1",
                                  "parm u\nparm v",
                                  "parm u 0\nparm v 0",
                                  "parm u nan nan nan nan\nparm v 1e999 -1e999 0 0",
                                  "parm u 1 0 1 0\nparm v 1 1 0 0",
                                  "parm w 0 0 1 1\nparm 0 0 1 1",
                                  "parm u 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
                                  "parm v 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"};
    for (const char* lDegree : kDegrees) {
        for (const char* lKnot : kKnots) {
            const std::string lText =
                lGrid + lDegree + "\nsurf 0 1 0 1 1 2 3 4\n" + lKnot + "\nend\n";
            ExpectSafeRead(lText, std::string(lDegree) + " / " + lKnot);
        }
    }
    EXPECT_GT(mAccepted, 0);
}

TEST_F(ObjMutation, VeryLongTokensAndLines)
{
    const std::string lTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string lLong(100000, 'a');
    const std::string lDigits(100000, '7');
    const std::string lCases[] = {
        lLong + "\n" + lTriangle,
        lTriangle + "g " + lLong + "\nf 1 2 3\n",
        lTriangle + "usemtl " + lLong + "\nf 1 2 3\n",
        lTriangle + "mtllib " + lLong + ".mtl\nf 1 2 3\n",
        lTriangle + "mtllib " + std::string(5000, '/') + "\nf 1 2 3\n",
        lTriangle + "v " + lDigits + " " + lDigits + " " + lDigits + "\n",
        lTriangle + "v 0." + lDigits + " 1e" + lDigits + " -1e-" + lDigits + "\n",
        lTriangle + "f " + lDigits + " 1 2 3\n",
        lTriangle + "f 1/" + lDigits + " 2/" + lDigits + " 3\n",
        lTriangle + "s " + lDigits + "\nf 1 2 3\n",
        lTriangle + "deg " + lDigits + " " + lDigits + "\n",
        lTriangle + "f" + std::string(50000, ' ') + "1 2 3\n",
        lTriangle + "f " + std::string(50000, '/') + "\n",
        // A face of very many corners, and a line continued many times.
        lTriangle + "f" +
            [] {
                std::string lCorners;
                for (int i = 0; i < 20000; ++i) {
                    lCorners += " " + std::to_string(1 + i % 3);
                }
                return lCorners;
            }() +
            "\n",
        lTriangle + "f 1 \\\n" +
            [] {
                std::string lLines;
                for (int i = 0; i < 5000; ++i) {
                    lLines += "\\\n";
                }
                return lLines;
            }() +
            "2 3\n",
        lTriangle + std::string(20000, '\\'),
        lTriangle + std::string(20000, '\r'),
        lTriangle + "f 1 2 3\\",
    };
    int lIndex = 0;
    for (const std::string& lCase : lCases) {
        ExpectSafeRead(lCase, "long case " + std::to_string(lIndex++));
    }
    EXPECT_GT(mAccepted, 0);
}

TEST_F(ObjMutation, DamagedMaterialLibraries)
{
    // The OBJ stays intact; its library is cut at every length and damaged byte by byte.
    const std::string lLibrary = kLibrary;
    for (std::size_t lLength = 0; lLength <= lLibrary.size(); ++lLength) {
        mFolder.Write("small.mtl", lLibrary.substr(0, lLength));
        EXPECT_TRUE(ExpectSafeRead(kSmall, "library cut at " + std::to_string(lLength)));
    }
    std::mt19937 lRandom(77);
    for (int lCase = 0; lCase < 60; ++lCase) {
        std::string lMutated = lLibrary;
        const std::size_t lAt = lRandom() % lMutated.size();
        if (lCase % 2 == 0) {
            lMutated[lAt] = static_cast<char>(lMutated[lAt] ^ (1u << (lRandom() % 8)));
        } else {
            lMutated.insert(lAt, 1, lCase % 4 == 1 ? '\0' : static_cast<char>(0xFF));
        }
        mFolder.Write("small.mtl", lMutated);
        EXPECT_TRUE(ExpectSafeRead(kSmall, "library damaged at " + std::to_string(lAt)));
    }
    mFolder.Write("small.mtl", "newmtl red\nKd 1e999 nan -1e999\nNs nan\nd 1e999\nmap_Kd " +
                                   std::string(100000, 'x') + "\n");
    EXPECT_TRUE(ExpectSafeRead(kSmall, "library with hostile values"));
}

TEST_F(ObjMutation, LibrariesThatAreNoRegularFiles)
{
    // A library naming a folder or an endless device must neither hang the read nor swallow
    // memory: such names are treated like missing files.
    std::filesystem::create_directories(mFolder.Path() + "/folder.mtl");
    const std::string lTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (const char* lLibrary : {"folder.mtl", "/dev/zero", "/dev/null", "/dev/urandom", "."}) {
        EXPECT_TRUE(
            ExpectSafeRead(lTriangle + "mtllib " + lLibrary + "\nusemtl a\nf 1 2 3\n", lLibrary));
        EXPECT_NE(mMessage.find("Unable to load material library"), std::string::npos) << lLibrary;
    }
}

TEST_F(ObjMutation, OneLibraryNamedThousandsOfTimes)
{
    // Each name is opened once and only a few dozen streams at most, so the read stays quick and
    // leaves the process its file handles; the libraries within the limit still serve.
    std::string lText = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 3000; ++i) {
        lText += "mtllib small.mtl\nmtllib other" + std::to_string(i) + ".mtl\n";
    }
    mFolder.Write("other7.mtl", "newmtl seven\nKd 0 1 0\n");
    for (int i = 0; i < 200; ++i) {
        lText += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    lText += "usemtl red\nf 1 2 3\nusemtl seven\nf 1 2 3\n";
    ASSERT_TRUE(ExpectSafeRead(lText, "many libraries"));
    EXPECT_EQ(mMessage.find("Unable to read material \"red\""), std::string::npos);
    EXPECT_EQ(mMessage.find("Unable to read material \"seven\""), std::string::npos);
    EXPECT_NE(mMessage.find("Unable to read material \"m7\""), std::string::npos);
}

TEST_F(ObjMutation, RealSampleMutated)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/obj/boats_boat.obj";
    std::ifstream lIn(lSample, std::ios::binary);
    if (!lIn) {
        GTEST_SKIP() << "sample folder absent";
    }
    std::vector<std::string> lLines;
    for (std::string lLine; lLines.size() < 250 && std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    const std::string lText = JoinLines(lLines);
    EXPECT_TRUE(ExpectSafeRead(lText, "sample head"));
    std::mt19937 lRandom(1959);
    for (int lCase = 0; lCase < 80; ++lCase) {
        std::string lMutated = lText;
        const std::size_t lAt = lRandom() % lMutated.size();
        switch (lCase % 4) {
        case 0:
            lMutated[lAt] = static_cast<char>(lMutated[lAt] ^ (1u << (lRandom() % 8)));
            break;
        case 1:
            lMutated.resize(lAt);
            break;
        case 2:
            lMutated.insert(lAt, 1, static_cast<char>(0xFF));
            break;
        default: {
            std::vector<std::string> lShuffled = lLines;
            const std::size_t lLine = lRandom() % lShuffled.size();
            lShuffled.insert(lShuffled.begin() +
                                 static_cast<std::ptrdiff_t>(lRandom() % lShuffled.size()),
                             lShuffled[lLine]);
            lShuffled.erase(lShuffled.begin() +
                            static_cast<std::ptrdiff_t>(lRandom() % lShuffled.size()));
            lMutated = JoinLines(lShuffled);
            break;
        }
        }
        ExpectSafeRead(lMutated, "sample case " + std::to_string(lCase));
    }
    EXPECT_GT(mAccepted, 0);
}

} // namespace
