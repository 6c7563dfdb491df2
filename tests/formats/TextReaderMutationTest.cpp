// Files from strangers, for every text reader: each damaged variant of a valid file must give a
// clean true or false, and a false read must say why and leave the scene and the factory as
// they were. The bytes come from memory; only the OBJ's material library is a real file.

#include "animation/KImportSettings.h"
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "io/KNodeWalk.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMutation.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char* const kObjLibrary = "newmtl red\nKa 0.1 0.1 0.1\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 10\n"
                                "d 0.5\nmap_Kd tex.png\nnewmtl blue\nKd 0 0 1\n";

const char* const kObj = "# small\nmtllib small.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0 1\n"
                         "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\nvp 0.5\ng side\nusemtl red\ns 1\n"
                         "f 1/1/1 2/2/1 3/3/1\nf -4/1 -2/3 -1\no thing\ns off\nusemtl blue\n"
                         "f 1//1 3//1 \\\n  4//1\ncstype rat bspline\ndeg 1 1\n"
                         "surf 0 1 0 1 1 2 3 4\nparm u 0 0 1 1\nparm v 0 0 1 1\nend\n";

const char* const kBvh =
    "HIERARCHY\nROOT Hips\n{\n  OFFSET 1 2 3\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT Chest\n  {\n    OFFSET 0 5 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n"
    "    End Site\n    {\n      OFFSET 0 4 0\n    }\n"
    "    End Site\n    {\n      OFFSET 1 0 0\n    }\n  }\n"
    "  JOINT Leg\n  {\n    OFFSET 0 -5 0\n    CHANNELS 0\n  }\n}\n"
    "MOTION\nFrames: 3\nFrame Time: 0.0333333\n10 20 30 0 0 0 90 90 0\n"
    "11 21 31 0 0 0 0 0 0\n12 22 32 0 0 0 0 10 0\n";

std::string Repeat(const std::string& pText, int pCount)
{
    std::string lText;
    for (int i = 0; i < pCount; ++i) {
        lText += pText;
    }
    return lText;
}

std::vector<std::string> ObjHostileFiles()
{
    const std::string lTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    const std::string lDigits(100000, '7');
    std::vector<std::string> lFiles;
    for (const char* lFace :
         {"f 0 1 2", "f -4 -5 -6", "f 4 5 6", "f 1 2", "f 1/-1/-1 2/-2/-2 3/9/9",
          "f 1//-9 2//9 3//1", "f 1/1/1/1 2/1/1/1 3/1/1/1", "f // // //", "f 2147483648 1 2",
          "f -9223372036854775808 1 2 3", "f 99999999999999999999999 1 2 3", "f 1 2 3 x",
          "surf 0 1 0 1 99 -99 2147483648 1", "surf"}) {
        for (const char* lSurface : {"", "cstype rat bspline\ndeg 1 1\n"}) {
            lFiles.push_back(lTriangle + lSurface + lFace + "\nparm u 0 0 1 1\nend\n");
        }
    }
    for (const char* lDegree : {"deg 0 0", "deg -1 -1", "deg 1e999 1", "deg 999 999", "deg 1"}) {
        for (const char* lKnots : {"parm u 0 0 1 1\nparm v 0 0 1 1", "parm u 0\nparm v 0",
                                   "parm u nan 1 0 0\nparm v 1e999 -1e999 0 0"}) {
            lFiles.push_back(lTriangle + "v 1 1 0\ncstype rat bspline\n" + lDegree +
                             "\nsurf 0 1 0 1 1 2 3 4\n" + lKnots + "\nend\n");
        }
    }
    for (const std::string& lLine :
         {std::string(100000, 'a'), "g " + std::string(100000, 'a'), "mtllib " + lDigits + ".mtl",
          "v " + lDigits + " 1e" + lDigits + " -1e-" + lDigits, "f 1/" + lDigits + " 2 3",
          "s " + lDigits, "f " + std::string(50000, '/'), "f" + Repeat(" 1 2 3", 7000),
          "f 1 \\\n" + Repeat("\\\n", 5000) + "2 3", std::string(20000, '\r'),
          std::string("f 1 2 3\\")}) {
        lFiles.push_back(lTriangle + lLine + "\nf 1 2 3\n");
    }
    return lFiles;
}

std::vector<std::string> BvhHostileFiles()
{
    const std::string lHead = "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n";
    const std::string lRoot = lHead + "CHANNELS 3 Xrotation Yrotation Zrotation\n"
                                      "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\n";
    const std::string lDigits(100000, '7');
    std::vector<std::string> lFiles;
    for (const char* lMotion :
         {"Frames: 2147483647\nFrame Time: 0.01\n1 2 3\n",
          "Frames: -2147483648\nFrame Time: 0.01\n", "Frames: 1\nFrame Time: 0\n1 2 3\n",
          "Frames: 1\nFrame Time: -0.01\n1 2 3\n", "Frames: 1\nFrame Time: 1e300\n1 2 3\n",
          "Frames: 1\nFrame Time: 4.9e-324\n1 2 3\n", "Frames: 2\nFrame Time: 0.01\n1 2 3\n",
          "Frames: 1\nFrame Time: 0.01\n1e39 0 0\n", "Frames:\nFrame Time: 0.01\n1 2 3\n",
          "MOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3\n"}) {
        lFiles.push_back(lRoot + lMotion);
    }
    for (const char* lChannels :
         {"CHANNELS 7 Xrotation Yrotation Zrotation Xrotation Yrotation Zrotation Xrotation",
          "CHANNELS -1", "CHANNELS 2147483648 Xrotation", "CHANNELS 3 Xrotation Yrotation",
          "CHANNELS 3 Xrotation Xrotation Xrotation", "CHANNELS 1 Wrotation", "CHANNELS"}) {
        lFiles.push_back(lHead + lChannels + "\n}\nMOTION\nFrames: 1\nFrame Time: 0.01\n1 2 3\n");
    }
    // Nesting up to and past the depth limit, closed and unclosed.
    for (int lDepth : {1001, 1100}) {
        const std::string lChain = Repeat("JOINT J\n{\nOFFSET 0 1 0\nCHANNELS 0\n", lDepth);
        lFiles.push_back(lHead + "CHANNELS 0\n" + lChain + Repeat("}\n", lDepth + 1) +
                         "MOTION\nFrames: 1\nFrame Time: 0.01\n\n");
        lFiles.push_back(lHead + "CHANNELS 0\n" + lChain);
    }
    for (const std::string& lName : {std::string(100000, 'a'), std::string(128, 'n')}) {
        lFiles.push_back("HIERARCHY\nROOT " + lName +
                         "\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 0\nFrame Time: 0.01\n");
    }
    lFiles.push_back(lHead + "CHANNELS 1 Xrotation\n}\nMOTION\nFrames: " + lDigits +
                     "\nFrame Time: 0." + lDigits + "\n1\n");
    lFiles.push_back(lHead + "CHANNELS 1 Xrotation\n}\nMOTION\nFrames: 1\nFrame Time: 0.01\n1" +
                     std::string(100000, ' ') + "2\n");
    lFiles.push_back(std::string(kBvh) + std::string(20000, '\r'));
    return lFiles;
}

// The sample's first lines; a BVH keeps a frame count that matches them.
std::string SampleHead(const char* pPath, std::size_t pLines)
{
    std::ifstream lIn(std::string(RYV_SAMPLES_DIR) + "/" + pPath, std::ios::binary);
    std::vector<std::string> lLines;
    for (std::string lLine; lLines.size() < pLines && std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        if (lLines[i].rfind("Frames:", 0) == 0) {
            lLines[i] = "Frames: " + std::to_string(lLines.size() - i - 2);
        }
    }
    return lLines.empty() ? std::string() : JoinLines(lLines);
}

enum class EReader { eObj, eBvh };

// One factory and scene serve all the reads of a test (making a scene is far dearer than a
// read); what a successful read adds is taken away again before the next one.
class TextReaderMutation : public testing::TestWithParam<EReader>
{
protected:
    void SetUp() override
    {
        mFolder.Write("small.mtl", kObjLibrary);
        // No constant key reducer, so that every frame keeps its key.
        KImportSettings::Get().Reset();
        KImportSettings::Get().SetConstantKeyReducerEnabled(false);
    }
    void TearDown() override { KImportSettings::Get().Reset(); }

    bool IsObj() const { return GetParam() == EReader::eObj; }

    // Reads pText from memory; the option (reference node) alternates from read to read.
    bool ExpectSafeRead(const std::string& pText, const std::string& pLabel)
    {
        const int lNodes = mFactory.GetNodeCount();
        const int lAttributes = mFactory.GetNodeAttributeCount();
        const int lMaterials = mFactory.GetMaterialCount();
        const int lTextures = mFactory.GetTextureCount();
        const int lOption = ++mReads % 2;
        std::unique_ptr<KReader> lReader;
        std::unique_ptr<KStreamOptions> lOptions;
        if (IsObj()) {
            lReader = KReaderObj::Create(&mFactory);
            auto lObjOptions = std::make_unique<KStreamOptionsObj>();
            lObjOptions->SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, lOption);
            lOptions = std::move(lObjOptions);
        } else {
            lReader = KReaderBvh::Create(&mFactory);
        }
        const std::string lName = mFolder.PathOf(IsObj() ? "m.obj" : "m.bvh");
        bool lRead = lReader->MemoryOpen(pText.data(), pText.size(), lName.c_str());
        if (lRead && !IsObj()) {
            lOptions = lReader->GetReadOptions();
            auto* lMotion = lOptions ? static_cast<KStreamOptionsMotion*>(lOptions.get()) : nullptr;
            if (!lMotion) {
                lOptions = KStreamOptionsMotion::Create();
                lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
            }
            lMotion->SetOption(KReaderBvh::kOptionKeepReference, lOption);
        }
        lRead = lRead && lReader->Read(mScene, lOptions.get());
        KRyvNode* lRoot = mScene->GetRootNode();
        if (lRead) {
            EXPECT_TRUE(IsObj() ? MeshesAreConsistent() : lRoot->GetChildCount() == 1) << pLabel;
        } else {
            EXPECT_NE(lReader->GetError().GetLastErrorID(), -1) << pLabel;
            EXPECT_EQ(lRoot->GetChildCount(), 0) << pLabel;
            EXPECT_EQ(mFactory.GetNodeCount(), lNodes) << pLabel;
            EXPECT_EQ(mFactory.GetNodeAttributeCount(), lAttributes) << pLabel;
            EXPECT_EQ(mFactory.GetMaterialCount(), lMaterials) << pLabel;
            EXPECT_EQ(mFactory.GetTextureCount(), lTextures) << pLabel;
        }
        ClearScene();
        ++(lRead ? mAccepted : mRefused);
        return lRead;
    }

    // Every polygon corner of every mesh names one of its mesh's control points.
    bool MeshesAreConsistent()
    {
        std::vector<KRyvNode*> lNodes;
        CollectNodesDepthFirst(mScene->GetRootNode(), false, lNodes);
        for (KRyvNode* lNode : lNodes) {
            const KRyvMesh* lMesh = static_cast<const KRyvMesh*>(lNode->GetMesh());
            for (int p = 0; lMesh && p < lMesh->GetPolygonCount(); ++p) {
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

    void ClearScene()
    {
        KRyvNode* lRoot = mScene->GetRootNode();
        for (int i = lRoot->GetChildCount() - 1; i >= 0; --i) {
            mFactory.DestroyNode(lRoot->GetChild(i), true);
        }
        // Materials left by the reads would make every later name search longer.
        while (mFactory.GetMaterialCount() > 0) {
            mFactory.DestroyMaterial(mFactory.GetMaterial(0));
        }
        while (mFactory.GetTextureCount() > 0) {
            mFactory.DestroyTexture(mFactory.GetTexture(0));
        }
    }

    TempFolder mFolder;
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    int mReads = 0;
    int mAccepted = 0;
    int mRefused = 0;
};

TEST_P(TextReaderMutation, EveryMutantReadsOrFailsCleanly)
{
    const std::string lText = IsObj() ? kObj : kBvh;
    EXPECT_TRUE(ExpectSafeRead(lText, "unharmed"));
    EXPECT_TRUE(ExpectSafeRead(lText, "unharmed, other option"));
    for (const TextMutant& lMutant : AllMutants(lText, 20261206, 240)) {
        ExpectSafeRead(lMutant.mText, lMutant.mLabel);
    }
    EXPECT_GT(mAccepted, 0);
    EXPECT_GT(mRefused, 0);
}

TEST_P(TextReaderMutation, HostileFiles)
{
    const std::vector<std::string> lFiles = IsObj() ? ObjHostileFiles() : BvhHostileFiles();
    for (std::size_t i = 0; i < lFiles.size(); ++i) {
        ExpectSafeRead(lFiles[i], "hostile file " + std::to_string(i));
    }
    EXPECT_GT(mAccepted, 0);
}

TEST_P(TextReaderMutation, RealSampleMutated)
{
    const std::string lText =
        IsObj() ? SampleHead("obj/boats_boat.obj", 250) : SampleHead("bvh/01_01.bvh", 192);
    if (lText.empty()) {
        GTEST_SKIP() << "sample folder absent";
    }
    EXPECT_TRUE(ExpectSafeRead(lText, "sample head"));
    for (const TextMutant& lMutant : ByteDamages(lText, 1959, 60)) {
        ExpectSafeRead(lMutant.mText, lMutant.mLabel);
    }
    for (const TextMutant& lMutant : Truncations(lText)) {
        if (lMutant.mText.size() % 97 == 0) {
            ExpectSafeRead(lMutant.mText, lMutant.mLabel);
        }
    }
    EXPECT_GT(mAccepted, 0);
}

INSTANTIATE_TEST_SUITE_P(Readers, TextReaderMutation, testing::Values(EReader::eObj, EReader::eBvh),
                         [](const testing::TestParamInfo<EReader>& pInfo) {
                             return pInfo.param == EReader::eObj ? "Obj" : "Bvh";
                         });

} // namespace
