// A 3DS mesh whose keyframer moves it is written by the flat writers (OBJ and DXF, which take
// no animation) where the scene puts it at the start of the take, as the 3DS writer does.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "formats/geometry/obj/KWriterObj.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace test3ds;

namespace {

// A line without its leading and trailing blanks.
std::string Trimmed(const std::string& pLine)
{
    const std::size_t lFirst = pLine.find_first_not_of(" \r");
    return lFirst == std::string::npos
               ? std::string()
               : pLine.substr(lFirst, pLine.find_last_not_of(" \r") + 1 - lFirst);
}

// The X (group code 10) of every point VERTEX of a DXF file (flag 64 in group 70; the face
// records of a polyface mesh are VERTEX entities too, without that flag).
std::vector<double> XsOfDxf(const std::string& pPath)
{
    constexpr int kPointVertex = 64;
    std::ifstream lFile(pPath);
    std::vector<double> lXs;
    std::string lCode;
    std::string lValue;
    std::string lEntity;
    double lX = 0.0;
    while (std::getline(lFile, lCode) && std::getline(lFile, lValue)) {
        const std::string lGroup = Trimmed(lCode);
        if (lGroup == "0") {
            lEntity = Trimmed(lValue);
        } else if (lEntity == "VERTEX" && lGroup == "10") {
            lX = std::stod(lValue);
        } else if (lEntity == "VERTEX" && lGroup == "70" && (std::stoi(lValue) & kPointVertex)) {
            lXs.push_back(lX);
        }
    }
    return lXs;
}

// The X of every vertex ("v" line) of an OBJ file.
std::vector<double> XsOfObj(const std::string& pPath)
{
    std::ifstream lFile(pPath);
    std::vector<double> lXs;
    std::string lLine;
    while (std::getline(lFile, lLine)) {
        if (lLine.rfind("v ", 0) == 0) {
            lXs.push_back(std::stod(lLine.substr(2)));
        }
    }
    return lXs;
}

} // namespace

// The triangle (0, 0, 0), (1, 0, 0), (0, 1, 0) keyed at x = 10 at frame 0 and x = 20 at frame
// 10: with "Rescale" its points lie at x = 25.4 and 25.4 + 2.54 in both files.
TEST(K3dsToFlatWriters, AKeyedMeshIsWrittenAtItsFirstFrame)
{
    const Bytes lTrack = PointTrack(Tag3ds::kPositionTrack, {{0, {10, 0, 0}}, {10, {20, 0, 0}}});
    Read3ds lRead(StampedFile(MeshObject("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 7}}),
                              ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack)));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ScratchDir lDir;
    KWriterObj lObj(lRead.mFactory.get());
    KStreamOptionsObj lObjOptions;
    ASSERT_TRUE(lObj.FileCreate(lDir.Path("tri.obj").c_str()));
    ASSERT_TRUE(lObj.Write(lRead.mScene.get(), &lObjOptions));
    KWriterDxf lDxf(lRead.mFactory.get());
    KStreamOptionsDxf lDxfOptions;
    ASSERT_TRUE(lDxf.FileCreate(lDir.Path("tri.dxf").c_str()));
    ASSERT_TRUE(lDxf.Write(lRead.mScene.get(), &lDxfOptions));
    for (const std::vector<double>& lXs :
         {XsOfObj(lDir.Path("tri.obj")), XsOfDxf(lDir.Path("tri.dxf"))}) {
        ASSERT_FALSE(lXs.empty());
        double lLow = lXs[0];
        double lHigh = lXs[0];
        for (double x : lXs) {
            lLow = std::min(lLow, x);
            lHigh = std::max(lHigh, x);
        }
        EXPECT_NEAR(lLow, 25.4, 1e-4);
        EXPECT_NEAR(lHigh, 25.4 + 2.54, 1e-4);
    }
}
