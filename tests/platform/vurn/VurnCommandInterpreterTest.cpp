#include "platform/vurn/VurnCommandInterpreter.h"
#include "platform/vurn/MFnDependencyNode.h"
#include "platform/vurn/MGlobal.h"

#include <gtest/gtest.h>

namespace {
class VurnCommandInterpreterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VurnScene::Reset();
        VurnScene& lScene = VurnScene::Get();
        const int lGroup = lScene.CreateNode(MFn::kTransform, "group");
        mCube = lScene.CreateNode(MFn::kTransform, "cube", lGroup);
        mSmooth = lScene.CreateNode(MFn::kPolySmoothFacet, "smooth");
        mSkin = lScene.CreateNode(MFn::kSkinClusterFilter, "skin");
        lScene.SetNumber(mCube, "visibility", 0);
        lScene.SetNumber(mSmooth, "divisions", 2);
        lScene.mJointDisplayScale = 0.5;
    }

    int mCube = -1, mSmooth = -1, mSkin = -1;
};
} // namespace

TEST_F(VurnCommandInterpreterTest, AcceptedForms)
{
    double lScale = 0.0;
    ASSERT_TRUE(MGlobal::executeCommand("jointDisplayScale -q -a", lScale));
    EXPECT_DOUBLE_EQ(lScale, 0.5);
    int lVisible = 1;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr \"|group|cube.visibility\"", lVisible));
    EXPECT_EQ(lVisible, 0);
    int lDivisions = 0;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr \"smooth.divisions\"", lDivisions));
    EXPECT_EQ(lDivisions, 2);
    ASSERT_TRUE(MGlobal::executeCommand("setAttr \"smooth.divisions\" 0"));
    ASSERT_TRUE(MGlobal::executeCommand("getAttr smooth.divisions", lDivisions));
    EXPECT_EQ(lDivisions, 0);

    MDoubleArray lMatrix;
    MFnDependencyNode lSkin(MObject::node(mSkin));
    // Never set: the identity.
    ASSERT_TRUE(MGlobal::executeCommand("getAttr " + lSkin.findPlug("geomMatrix").info(), lMatrix));
    ASSERT_EQ(lMatrix.length(), 16u);
    for (unsigned int lIndex = 0; lIndex < 16u; ++lIndex) {
        EXPECT_EQ(lMatrix[lIndex], lIndex % 5 == 0 ? 1.0 : 0.0) << lIndex;
    }
    VurnScene::Get().SetValue(mSkin, lSkin.findPlug("geomMatrix").path(),
                              VurnValue::Matrix(MMatrix::translation(1, 2, 3)));
    ASSERT_TRUE(MGlobal::executeCommand("getAttr " + lSkin.findPlug("geomMatrix").info(), lMatrix));
    ASSERT_EQ(lMatrix.length(), 16u);
    EXPECT_DOUBLE_EQ(lMatrix[13], 2.0);

    ASSERT_TRUE(MGlobal::executeCommand("delete smooth"));
    EXPECT_FALSE(VurnScene::Get().IsAlive(mSmooth));
}

TEST_F(VurnCommandInterpreterTest, RefusedForms)
{
    const char* const lRefused[] = {
        "setAttr \"smooth.divisions\"0", // the value glued to the quote
        "setAttr \"smooth.divisions\"",
        "setAttr smooth.divisions 1x",
        "setAttr smooth.divisions \"1\"",
        "setAttr skin.geomMatrix 1",
        "getAttr nothing.visibility",
        "getAttr \"|group|nothing.visibility\"",
        "getAttr smooth.nothing",
        "getAttr",
        "getAttr smooth.divisions smooth.divisions",
        "getAttr \"smooth.divisions",
        "jointDisplayScale -q",
        "jointDisplayScale -q -a -x",
        "delete nothing",
        "delete",
        "QARGetCharacterName 0",
        "unknownCommand 1",
        "",
        "\"getAttr\" smooth.divisions",
    };
    for (const char* lText : lRefused) {
        EXPECT_FALSE(MGlobal::executeCommand(lText)) << lText;
    }
    EXPECT_EQ(VurnScene::Get().GetCommands().size(), std::size(lRefused));
    double lDivisions = 0.0;
    VurnScene::Get().GetNumber(mSmooth, "divisions", lDivisions);
    EXPECT_EQ(lDivisions, 2.0);
    MString lText;
    EXPECT_FALSE(MGlobal::executeCommand("getAttr smooth.divisions", lText) == MStatus::kFailure);
    int lNumber = 0;
    EXPECT_FALSE(MGlobal::executeCommand("confirmDialog -b \"Ok\"", lNumber));
}

TEST_F(VurnCommandInterpreterTest, DialogsAndCharactersAnswerScriptedOrDefault)
{
    MString lButton;
    const MString lDialog = "confirmDialog -t \"RYV Export Question\" -m \"Go on?\" -b \"Yes\" "
                            "-b \"No\" -db \"No\"";
    ASSERT_TRUE(MGlobal::executeCommand(lDialog, lButton));
    EXPECT_EQ(lButton.str(), "No");
    VurnCommandInterpreter::ScriptAnswer("confirmDialog", "Yes");
    ASSERT_TRUE(MGlobal::executeCommand(lDialog, lButton));
    EXPECT_EQ(lButton.str(), "Yes");
    ASSERT_TRUE(MGlobal::executeCommand("confirmDialog -m \"x\" -b \"Ok\"", lButton));
    EXPECT_EQ(lButton.str(), "Ok");

    int lCount = -1;
    ASSERT_TRUE(MGlobal::executeCommand("QARGetCharacterCount", lCount));
    EXPECT_EQ(lCount, 0);
    VurnCommandInterpreter::ScriptAnswer("QARGetCharacterCount", "1");
    VurnCommandInterpreter::ScriptAnswer("QARGetCharacterName", "Hero");
    ASSERT_TRUE(MGlobal::executeCommand("QARGetCharacterCount", lCount));
    EXPECT_EQ(lCount, 1);
    ASSERT_TRUE(MGlobal::executeCommand("QARGetCharacterName 0", lButton));
    EXPECT_EQ(lButton.str(), "Hero");

    ASSERT_TRUE(MGlobal::executeCommand("window -t \"Exporting...\" RYVEXPORTWINDOW", lButton));
    EXPECT_EQ(lButton.str(), "RYVEXPORTWINDOW");
}
