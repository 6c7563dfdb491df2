// A BVH file read with the import settings as they come (the constant key reducer on) and written
// back gives the values the file held, frame by frame: a joint that rests with a little noise
// between two turns keeps that noise, and no frame takes a value the file never had.
#include "BvhTestScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double kTurns[] = {60, 60, 0, 2e-5, 1e-5, 2e-5, 1e-5, 60, 60};

std::string RestingJoint()
{
    std::string lText = "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n"
                        "  CHANNELS 3 Xrotation Yrotation Zrotation\n  End Site\n  {\n"
                        "    OFFSET 0 10 0\n  }\n}\nMOTION\nFrames: 9\nFrame Time: 0.0333333\n";
    for (const double lTurn : kTurns) {
        std::ostringstream lLine;
        lLine << lTurn << " 0 0\n";
        lText += lLine.str();
    }
    return lText;
}

// The root's X rotation in every frame line of a BVH text: the column its CHANNELS line gives.
std::vector<double> RootXRotation(const std::string& pBvh)
{
    std::istringstream lChannels(pBvh.substr(pBvh.find("CHANNELS")));
    std::string lWord;
    int lCount = 0;
    lChannels >> lWord >> lCount;
    int lColumn = 0;
    while (lColumn < lCount && lChannels >> lWord && lWord != "Xrotation") {
        ++lColumn;
    }
    std::istringstream lIn(pBvh.substr(pBvh.find("Frame Time:")));
    std::string lLine;
    std::getline(lIn, lLine);
    std::vector<double> lValues;
    while (std::getline(lIn, lLine)) {
        std::istringstream lNumbers(lLine);
        double lValue = 0.0;
        for (int c = 0; c <= lColumn; ++c) {
            lNumbers >> lValue;
        }
        if (lNumbers) {
            lValues.push_back(lValue);
        }
    }
    return lValues;
}

} // namespace

TEST(KBvhDefaultReducer, AJointAtRestKeepsEveryValueThroughAWrite)
{
    KImportSettings::Get().Reset();
    ASSERT_TRUE(KImportSettings::Get().IsConstantKeyReducerEnabled());
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteBvhFile("rest.bvh", RestingJoint())));
    const std::vector<double> lWritten =
        RootXRotation(lTest.WriteBack(WriteBvhFile("back.bvh", "")));
    ASSERT_EQ(lWritten.size(), std::size(kTurns));
    for (std::size_t i = 0; i < lWritten.size(); ++i) {
        // Six significant digits are printed.
        EXPECT_NEAR(lWritten[i], kTurns[i], 1e-5 * std::fabs(kTurns[i])) << "frame " << i + 1;
    }
}
