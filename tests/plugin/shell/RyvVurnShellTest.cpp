#include "core/KImageConverter.h"
#include "core/KLog.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/VurnCommandInterpreter.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnSnapshot.h"
#include "plugin/shell/RyvVurnConfirmDialog.h"
#include "plugin/shell/RyvVurnExportRun.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnObjectFactory.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnSceneServices.h"
#include "plugin/shell/RyvVurnStatusWindow.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace {
class RyvVurnShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VurnScene::Reset();
        GetOptionStore().ResetToDefaults();
    }
    void TearDown() override { GetOptionStore().ResetToDefaults(); }

    static MDagPath PathOf(int pNode)
    {
        MDagPath lPath;
        MDagPath::getAPathTo(MObject::node(pNode), lPath);
        return lPath;
    }
};
} // namespace

TEST_F(RyvVurnShellTest, OptionStoreReadsTextsAsBooleansAndNumbers)
{
    RyvVurnOptionStore& lStore = GetOptionStore();
    EXPECT_DOUBLE_EQ(lStore.GetSamplingRate(), 30.0);
    EXPECT_EQ(lStore.FindKey("kExportPivotToNull"), kExportPivotToNull);
    const std::pair<const char*, double> lNumbers[] = {{"2.5", 2.5},    {"  7", 7.0}, {"+3", 3.0},
                                                       {"4cm", 4.0},    {"x", 0.0},   {"", 0.0},
                                                       {"-1e2", -100.0}};
    for (const auto& lCase : lNumbers) {
        ASSERT_TRUE(lStore.SetString(kExportMasterScale, lCase.first));
        EXPECT_DOUBLE_EQ(lStore.GetDouble(kExportMasterScale), lCase.second) << lCase.first;
    }
    for (const char* lOff : {"True", "1", "yes", "", "true "}) {
        lStore.SetString(kExportShowUI, lOff);
        EXPECT_FALSE(lStore.GetBool(kExportShowUI)) << lOff;
    }
    lStore.SetBool(kExportShowUI, true);
    EXPECT_TRUE(lStore.GetBool(kExportShowUI));
    EXPECT_FALSE(lStore.SetString(-1, "true"));
    EXPECT_FALSE(lStore.SetString(RyvVurnOptionStore::kOptionCount, "true"));
    EXPECT_FALSE(lStore.GetBool(1000));
    EXPECT_EQ(lStore.GetDouble(-5), 0.0);
    // Numbers read the same whatever the process's locale.
    const char* lLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    lStore.SetDouble(kExportSamplingRate, 24.5);
    EXPECT_DOUBLE_EQ(lStore.GetSamplingRate(), 24.5);
    if (lLocale) {
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST_F(RyvVurnShellTest, ConfirmDialogEscapesItsTextsAndAnswersTheChosenButton)
{
    EXPECT_STREQ(RyvVurnConfirmDialog::Escape("a \"b\"\\nc\\d").Buffer(), "a \\\"b\\\"\\nc\\\\d");
    RyvVurnConfirmDialog lDialog;
    lDialog.SetTitle("RYV Export Question");
    lDialog.SetMessage("Keep \"going\"?\\n\\nC:\\temp");
    ASSERT_TRUE(lDialog.SetButton(0, "Yes"));
    ASSERT_TRUE(lDialog.SetButton(1, "No"));
    EXPECT_FALSE(lDialog.SetButton(3, "Maybe"));
    lDialog.SetDefaultButton(1);
    EXPECT_EQ(lDialog.Show(), 1);
    EXPECT_STREQ(lDialog.GetChosenButton().Buffer(), "No");
    VurnCommandInterpreter::ScriptAnswer("confirmDialog", "Yes");
    EXPECT_EQ(lDialog.Show(), 0);
    VurnCommandInterpreter::ScriptAnswer("confirmDialog", "Cancel");
    EXPECT_EQ(lDialog.Show(), -1);
    EXPECT_EQ(VurnScene::Get().GetCommands().back(),
              "confirmDialog -title \"RYV Export Question\" -message \"Keep "
              "\\\"going\\\"?\\n\\nC:\\\\temp\" "
              "-button \"Yes\" -button \"No\" -defaultButton \"No\"");
}

TEST_F(RyvVurnShellTest, JointQueriesInDegreesAndBindMatrices)
{
    const std::vector<int> lJoints = VurnFixtures::JointChain("joint", 2);
    VurnScene& lScene = VurnScene::Get();
    lScene.SetNumber(lJoints[1], "rotateAxisZ", M_PI / 2.0);
    double lDegrees[3];
    ASSERT_TRUE(GetJointOrient(MObject::node(lJoints[1]), lDegrees));
    EXPECT_NEAR(lDegrees[2], 0.1 * 57.29577951308232, 1e-9);
    ASSERT_TRUE(GetRotateAxis(MObject::node(lJoints[1]), lDegrees));
    EXPECT_NEAR(lDegrees[2], 90.0, 1e-9);
    const int lPlain = VurnFixtures::Transform("plain");
    EXPECT_FALSE(GetJointOrient(MObject::node(lPlain), lDegrees));
    EXPECT_EQ(lDegrees[0], 0.0);

    KMatrix lMatrix;
    ASSERT_TRUE(GetJointBindMatrix(PathOf(lJoints[1]), lMatrix));
    EXPECT_NEAR(lMatrix.Get(3, 1), 10.0 * std::cos(0.0), 1e-9);
    const double lBind[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1};
    VurnPlugPath lPlug;
    lScene.ParsePlugPath(lJoints[1], "bindPose", lPlug);
    lScene.SetValue(lJoints[1], lPlug, VurnValue::Matrix(MMatrix(lBind)));
    ASSERT_TRUE(GetJointBindMatrix(PathOf(lJoints[1]), lMatrix));
    EXPECT_EQ(lMatrix.Get(3, 2), 6.0);
    EXPECT_FALSE(GetJointBindMatrix(MDagPath(), lMatrix));
    // A host that answers neither plug: the caller's fallback is reached.
    lScene.mFailingNodes.insert(lJoints[1]);
    EXPECT_FALSE(GetJointBindMatrix(PathOf(lJoints[1]), lMatrix));
    EXPECT_TRUE(GetJointBindMatrix(PathOf(lJoints[0]), lMatrix));

    MTransformationMatrix lTransformation;
    lTransformation.mTranslate = MVector(1, 2, 3);
    ConvertTransformationMatrix(lTransformation, lMatrix);
    EXPECT_EQ(lMatrix.Get(3, 2), 3.0);
}

TEST_F(RyvVurnShellTest, NodeQueries)
{
    const int lNode = VurnFixtures::Transform("t");
    const MObject lObject = MObject::node(lNode);
    EXPECT_EQ(GetSorquinTypeId(lObject), 0);
    VurnAttribute lId;
    lId.mName = "sorquinTypeID";
    lId.mApiType = MFn::kNumericAttribute;
    lId.mUnitType = MFnNumericData::kInt;
    VurnScene::Get().AddDynamicAttribute(lNode, lId);
    VurnScene::Get().SetNumber(lNode, "sorquinTypeID", 3);
    EXPECT_EQ(GetSorquinTypeId(lObject), 3);
    EXPECT_EQ(GetSorquinTypeId(MObject()), 0);

    EXPECT_FALSE(HasTransformAnimCurve(lObject));
    EXPECT_FALSE(HasAnimatedUserAttribute(lObject));
    MFnAnimCurve lCurve;
    lCurve.create(MFnDependencyNode(lObject).findPlug("sorquinTypeID"));
    EXPECT_FALSE(HasAnimatedUserAttribute(lObject));
    lCurve.addKey(MTime(0.0), 1.0);
    EXPECT_TRUE(HasAnimatedUserAttribute(lObject));
    VurnFixtures::AnimateChannels(lNode);
    EXPECT_TRUE(HasTransformAnimCurve(lObject));

    const int lCube = VurnFixtures::Cube("cube");
    const int lSkin = VurnFixtures::Skin(lCube, VurnFixtures::JointChain("j", 2));
    MObject lFound;
    EXPECT_TRUE(FindConnectedNodeOfType(MObject::node(VurnFixtures::ShapeOf(lCube)),
                                        MFn::kSkinClusterFilter, lFound, 1, 0));
    EXPECT_EQ(lFound, MObject::node(lSkin));
    EXPECT_FALSE(FindConnectedNodeOfType(MObject::node(VurnFixtures::ShapeOf(lCube)),
                                         MFn::kSkinClusterFilter, lFound, 0, 0));
    EXPECT_TRUE(lFound.isNull());

    MStatus lStatus;
    MPlug lPlug;
    FindDagPlug(lStatus, PathOf(lCube), lPlug, "visibility");
    EXPECT_TRUE(lStatus);
    FindDagPlug(lStatus, PathOf(lCube), lPlug, "nothing");
    EXPECT_FALSE(lStatus);
    FindDagPlug(lStatus, MDagPath(), lPlug, "visibility");
    EXPECT_FALSE(lStatus);

    const size_t lLines = VurnScene::Get().GetErrorLines().size();
    ReportStatus(MStatus(), "fine");
    EXPECT_EQ(VurnScene::Get().GetErrorLines().size(), lLines);
    ReportStatus(MStatus(MStatus::kFailure, "broken"), "MItDag constructor");
    EXPECT_EQ(VurnScene::Get().GetErrorLines().back(), "Error: broken\nMItDag constructor \n \n");
}

TEST_F(RyvVurnShellTest, FactoryNodesNamesAndServices)
{
    const int lGroup = VurnFixtures::Transform("ns:group");
    RyvVurnObjectFactory lFactory(7);
    EXPECT_EQ(lFactory.GetHostId(), 7);
    const MDagPath lPath = PathOf(lGroup);
    RyvVurnNode* lNode = lFactory.CreateNode("renamed", &lPath);
    ASSERT_NE(lNode, nullptr);
    EXPECT_EQ(lNode->GetShapeIndex(), -1);
    EXPECT_FALSE(lNode->GetMismatch());
    double lScaling[3];
    lNode->GetCachedScaling(lScaling);
    EXPECT_EQ(lScaling[2], 1.0);
    lFactory.ApplyNameRules();
    EXPECT_STREQ(lNode->GetName().Buffer(), "Model::ns:group");
    bool lHas = false;
    EXPECT_STREQ(lNode->GetNamespace(lHas).Buffer(), "ns");
    EXPECT_TRUE(lHas);
    RyvVurnNode* lPlain = lFactory.CreateNode("plain", nullptr);
    EXPECT_EQ(lPlain->GetDagPath(), nullptr);
    lPlain->GetNamespace(lHas);
    EXPECT_FALSE(lHas);
    lPlain->SetName(":odd");
    EXPECT_STREQ(lPlain->GetNamespace(lHas).Buffer(), "");
    EXPECT_FALSE(lHas);

    VurnScene::Get().mImages["wood.tif"] = {1, 1, {1, 2, 3, 4}};
    EXPECT_GT(InstallImageReaders(lFactory), 0);
    const KImageConverter::ReaderFunction* lReader =
        lFactory.GetImageConverter()->FindReader("wood.TIF");
    ASSERT_NE(lReader, nullptr);
    KImage lImage;
    EXPECT_TRUE((*lReader)("wood.tif", lImage));
    EXPECT_EQ(lImage.mPixels[3], 4);
    EXPECT_FALSE((*lReader)("missing.tif", lImage));

    KRyvScene* lScene = lFactory.CreateScene();
    EXPECT_NE(dynamic_cast<RyvVurnNode*>(lScene->GetRootNode()), nullptr);
    EXPECT_EQ(ExportCharacters(lScene), 0);
    VurnCommandInterpreter::ScriptAnswer("QARGetCharacterCount", "2");
    VurnCommandInterpreter::ScriptAnswer("QARGetCharacterName", "Hero");
    EXPECT_EQ(ExportCharacters(lScene), 1); // the second name query fails: the walk ends
    EXPECT_EQ(lScene->GetCharacterCount(), 1);
}

TEST_F(RyvVurnShellTest, ExportRunReportsTheRealStatusAndLeavesTheSceneAlone)
{
    // The export log goes beside the module; here, into the test's scratch folder.
    KLog::SetModuleFolder(::testing::TempDir().c_str());
    VurnFixtures::Cube("cube");
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    MString lResult;
    const MStatus lStatus = RunExport("", lResult);
    EXPECT_FALSE(lStatus);
    EXPECT_STREQ(lResult.asChar(), kFailureText);
    EXPECT_FALSE(GetStatusWindowState().mOpen);
    EXPECT_STREQ(GetStatusWindowState().mName.Buffer(), kExportWindowName);
    EXPECT_TRUE(lBefore.Diff(VurnSnapshot::Take()).empty());
}
