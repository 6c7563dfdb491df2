#include "plugin/export/RyvVurnNameChecks.h"
#include "platform/vurn/MFnAttribute.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <algorithm>

namespace {
class RyvVurnNameChecksTest : public ExportTest
{
protected:
    // The dialog commands sent since the scene was made.
    static std::vector<std::string> Dialogs()
    {
        std::vector<std::string> lDialogs;
        for (const std::string& lCommand : Scene().GetCommands()) {
            if (lCommand.rfind("confirmDialog", 0) == 0) {
                lDialogs.push_back(lCommand);
            }
        }
        return lDialogs;
    }

    static int Count(const std::string& pText, const std::string& pPart)
    {
        int lCount = 0;
        for (size_t lAt = pText.find(pPart); lAt != std::string::npos;
             lAt = pText.find(pPart, lAt + 1)) {
            ++lCount;
        }
        return lCount;
    }

    // pCount top-level groups "g<i>", each with a child "arm".
    static void Arms(int pCount)
    {
        for (int lIndex = 0; lIndex < pCount; ++lIndex) {
            VurnFixtures::Transform("arm", VurnFixtures::Transform("g" + std::to_string(lIndex)));
        }
    }

    static int AttributeNamed(const char* pName)
    {
        const int lNode = VurnFixtures::Transform(std::string("holder") + pName);
        VurnAttribute lAttribute;
        lAttribute.mName = pName;
        lAttribute.mShortName = pName;
        lAttribute.mApiType = MFn::kNumericAttribute;
        lAttribute.mDynamic = true;
        return Scene().AddDynamicAttribute(lNode, lAttribute);
    }
};
} // namespace

TEST_F(RyvVurnNameChecksTest, DuplicatesListTheLaterOnesLastFirst)
{
    Arms(3);
    GetOptionStore().SetBool(kExportShowUI, true);
    RyvVurnExporter lExporter;
    EXPECT_FALSE(lExporter.Export(mFolder.PathOf("dup.ryv").c_str()));
    const std::vector<std::string> lLines = LogLines();
    const auto lTitle = std::find(lLines.begin(), lLines.end(),
                                  "RYV Export Error: Unable to export RYV project because these "
                                  "models share same name : ");
    ASSERT_NE(lTitle, lLines.end());
    ASSERT_GE(lLines.end() - lTitle, 5);
    EXPECT_EQ(*(lTitle + 1), " / g2 / arm");
    EXPECT_EQ(*(lTitle + 2), " / g1 / arm");
    EXPECT_EQ(*(lTitle + 3), "");
    EXPECT_EQ(*(lTitle + 4), "File Export Failed.");
    const std::vector<std::string> lDialogs = Dialogs();
    ASSERT_EQ(lDialogs.size(), 1u);
    EXPECT_NE(lDialogs[0].find("RYV Export Error"), std::string::npos);
    EXPECT_NE(lDialogs[0].find("\\n\\n     / g2 / arm\\n     / g1 / arm\\n"), std::string::npos)
        << lDialogs[0];
}

TEST_F(RyvVurnNameChecksTest, FortyFiveDuplicatesAreCutAtForty)
{
    Arms(46);
    RyvVurnExporter lExporter;
    EXPECT_FALSE(lExporter.Export(mFolder.PathOf("dup.ryv").c_str()));
    const std::vector<std::string> lLines = LogLines();
    const int lListed =
        static_cast<int>(std::count_if(lLines.begin(), lLines.end(), [](const std::string& pLine) {
            return pLine.find(" / arm") != std::string::npos;
        }));
    EXPECT_EQ(lListed, 40);
    // The first 40 collected, last collected first: g40 down to g1.
    EXPECT_NE(std::find(lLines.begin(), lLines.end(), " / g40 / arm"), lLines.end());
    EXPECT_EQ(std::find(lLines.begin(), lLines.end(), " / g41 / arm"), lLines.end());
    const auto lCut = std::find(lLines.begin(), lLines.end(), "   ...");
    ASSERT_NE(lCut, lLines.end());
    EXPECT_EQ(*(lCut - 1), " / g1 / arm");
    EXPECT_EQ(*(lCut + 1), "");
    // With dialogs off nothing is shown.
    EXPECT_TRUE(Dialogs().empty());
}

TEST_F(RyvVurnNameChecksTest, MaterialAndTextureNamespaces)
{
    RyvVurnObjectFactory lFactory(0);
    lFactory.CreateMaterial("shirt");
    KLog lLog("check.txt", "check", true, false);
    CheckMaterialNamespaces(lFactory, lLog);
    EXPECT_EQ(lLog.GetLineCount(), 0);
    for (int lIndex = 0; lIndex < 44; ++lIndex) {
        lFactory.CreateMaterial(("ns:shirt" + std::to_string(lIndex)).c_str());
    }
    lFactory.CreateTexture("a:b");
    GetOptionStore().SetBool(kExportShowUI, true);
    CheckMaterialNamespaces(lFactory, lLog);
    ASSERT_EQ(lLog.GetLineCount(), 5 + 45 + 1);
    EXPECT_STREQ(lLog.GetLine(0).Buffer(),
                 "RYV Export Warning: ROSTAVEX does not handle namespaces in "
                 "materials/textures.");
    EXPECT_STREQ(lLog.GetLine(5).Buffer(), "Material::ns:shirt0");
    EXPECT_STREQ(lLog.GetLine(49).Buffer(), "Texture::a:b");
    const std::vector<std::string> lDialogs = Dialogs();
    ASSERT_EQ(lDialogs.size(), 1u);
    // The last 40 in order, then the cut.
    EXPECT_EQ(lDialogs[0].find("Material::ns:shirt4\\n"), std::string::npos);
    EXPECT_NE(lDialogs[0].find("Material::ns:shirt5\\n"), std::string::npos);
    EXPECT_NE(lDialogs[0].find("Texture::a:b\\n   ...\\n"), std::string::npos);
    EXPECT_EQ(Count(lDialogs[0], "    Material::"), 39);
}

TEST_F(RyvVurnNameChecksTest, RootNamespacesAndTheAttributePrefix)
{
    RyvVurnObjectFactory lFactory(0);
    KRyvNode* lRoot = lFactory.CreateNode("root", nullptr);
    KLog lLog("check.txt", "check", true, false);
    lRoot->AddChild(lFactory.CreateNode("a", nullptr));
    lRoot->AddChild(lFactory.CreateNode("b", nullptr));
    CheckRootNamespaces(lLog, lRoot);
    EXPECT_EQ(lLog.GetLineCount(), 0);
    lRoot->AddChild(lFactory.CreateNode("ns:c", nullptr));
    lRoot->AddChild(lFactory.CreateNode("ns:d", nullptr));
    CheckRootNamespaces(lLog, lRoot);
    ASSERT_EQ(lLog.GetLineCount(), 4);
    EXPECT_STREQ(lLog.GetLine(0).Buffer(),
                 "RYV Export Warning: ROSTAVEX does not handle shared namespaces in root nodes.");

    for (const char* lName : {"miFoo", "miX"}) {
        EXPECT_TRUE(HasMiPrefix(MObject::attribute(AttributeNamed(lName)))) << lName;
    }
    for (const char* lName : {"mifoo", "mi", "mxFoo", "mi\xC3\x89t"}) {
        EXPECT_FALSE(HasMiPrefix(MObject::attribute(AttributeNamed(lName)))) << lName;
    }
}
