#include "plugin/shell/RyvVurnPathHelpers.h"
#include "platform/vurn/VurnFixtures.h"
#include "plugin/shell/RyvVurnObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <string>

namespace {
MDagPath PathOf(int pNode)
{
    MDagPath lPath;
    MDagPath::getAPathTo(MObject::node(pNode), lPath);
    return lPath;
}

// A chain of nodes named n0, n1, ... long enough for a full path of pLength characters.
MDagPath PathOfLength(size_t pLength)
{
    VurnScene::Reset();
    int lParent = VurnScene::kWorld;
    std::string lPath;
    // Each level "|" + 9 characters shows as " / " + 9 = 12 characters; the last level takes
    // what is left (at least one character).
    for (int lIndex = 0; lPath.size() + 16 <= pLength; ++lIndex) {
        const std::string lName =
            "n" + std::string(8 - std::to_string(lIndex).size(), 'x') + std::to_string(lIndex);
        lParent = VurnScene::Get().CreateNode(MFn::kTransform, lName, lParent);
        lPath += " / " + lName;
    }
    const size_t lRest = pLength - lPath.size();
    lParent = VurnScene::Get().CreateNode(MFn::kTransform, std::string(lRest - 3, 'y'), lParent);
    return PathOf(lParent);
}
} // namespace

TEST(RyvVurnPathHelpersTest, DisplayNamesKeepTheirEndsBeyond180Characters)
{
    EXPECT_EQ(std::string(GetDagPathDisplayName(nullptr).Buffer()), "");
    for (size_t lLength : {12u, 179u, 180u}) {
        const MDagPath lPath = PathOfLength(lLength);
        const std::string lName = GetDagPathDisplayName(&lPath).Buffer();
        EXPECT_EQ(lName.size(), lLength);
        EXPECT_EQ(lName, ReplacePathSeparators(lPath.fullPathName().asChar()).Buffer());
    }
    for (size_t lLength : {181u, 400u}) {
        const MDagPath lPath = PathOfLength(lLength);
        const std::string lFull = ReplacePathSeparators(lPath.fullPathName().asChar()).Buffer();
        ASSERT_EQ(lFull.size(), lLength);
        const std::string lName = GetDagPathDisplayName(&lPath).Buffer();
        EXPECT_EQ(lName, lFull.substr(0, 87) + " ... " + lFull.substr(lFull.size() - 88));
        EXPECT_EQ(lName.size(), 180u);
    }
}

TEST(RyvVurnPathHelpersTest, TextHelpers)
{
    EXPECT_STREQ(ReplacePathSeparators("|a|b").Buffer(), " / a / b");
    EXPECT_STREQ(ReplacePathSeparators(nullptr).Buffer(), "");
    EXPECT_STREQ(ExtractFromCharToChar("|top|child|leaf", '|', '|').Buffer(), "|top");
    EXPECT_STREQ(ExtractFromCharToChar("|top", '|', '|').Buffer(), "|top");
    EXPECT_STREQ(ExtractFromCharToChar("top", '|', '|').Buffer(), "");
    EXPECT_STREQ(ExtractFromCharToChar("a:b:c", ':', ':').Buffer(), ":b");
    EXPECT_STREQ(ExtractFromCharToChar(nullptr, ':', ':').Buffer(), "");
    for (const char* lName :
         {"persp", "top", "front", "side", "perspShape", "topShape", "frontShape", "sideShape"}) {
        EXPECT_TRUE(IsDefaultCameraName(lName)) << lName;
    }
    for (const char* lName : {"persp1", "Persp", "|persp", "ns:top", "", "camera"}) {
        EXPECT_FALSE(IsDefaultCameraName(lName)) << lName;
    }
    EXPECT_FALSE(IsDefaultCameraName(nullptr));
}

TEST(RyvVurnPathHelpersTest, FindNodeByDagPathTakesChildrenUnderTheNodesOwnPath)
{
    VurnScene::Reset();
    const int lA = VurnFixtures::Transform("a");
    const int lB = VurnFixtures::Cube("b", lA);
    const int lC = VurnFixtures::Transform("c");
    ASSERT_TRUE(VurnScene::Get().AddParent(lB, lC));
    RyvVurnObjectFactory lFactory(0);
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lRoot = lScene->GetRootNode();
    const MDagPath lPathA = PathOf(lA);
    const MDagPath lPathC = PathOf(lC);
    RyvVurnNode* lNodeA = lFactory.CreateNode("a", &lPathA);
    RyvVurnNode* lNodeC = lFactory.CreateNode("c", &lPathC);
    ASSERT_TRUE(lRoot->AddChild(lNodeA));
    ASSERT_TRUE(lRoot->AddChild(lNodeC));

    MDagPathArray lInstances;
    MDagPath::getAllPathsTo(MObject::node(lB), lInstances);
    EXPECT_EQ(FindNodeByDagPath(lRoot, lPathA), lNodeA);
    EXPECT_EQ(FindNodeByDagPath(lRoot, lInstances[0]), lNodeA);
    // The second instance lies under c: c's node answers, not a's.
    EXPECT_EQ(FindNodeByDagPath(lRoot, lInstances[1]), lNodeC);
    MDagPath lShape = lInstances[1];
    lShape.extendToShape();
    EXPECT_EQ(FindNodeByDagPath(lRoot, lShape), nullptr);
    EXPECT_EQ(FindNodeByDagPath(nullptr, lPathA), nullptr);
}
