#include "io/KReader.h"
#include "io/KStreamOptions.h"
#include "io/KWriter.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The smallest reader and writer: only the shared checks of the bases are exercised.
class NullReader : public KReader
{
public:
    NullReader() : KReader(nullptr, false) {}
    bool OpenSource(std::unique_ptr<KByteSource>) override { return false; }
    bool FileClose() override { return false; }
    bool IsFileOpen() override { return false; }
    std::unique_ptr<KStreamOptions> GetReadOptions() override { return nullptr; }
    bool Read(KRyvScene*, KStreamOptions*) override { return false; }
};

class NullWriter : public KWriter
{
public:
    NullWriter() : KWriter(nullptr) {}
    bool FileCreate(const char*) override { return false; }
    bool FileClose() override { return false; }
    bool IsFileOpen() override { return false; }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override { return nullptr; }
    bool Write(KRyvScene*, KStreamOptions*) override { return false; }
};

// Owns the nodes of a small hierarchy built without a scene.
class Tree
{
public:
    KRyvNode* Add(const char* pName, KRyvNode* pParent = nullptr)
    {
        mNodes.push_back(std::make_unique<KRyvNode>(nullptr, pName));
        KRyvNode* lNode = mNodes.back().get();
        if (pParent) {
            EXPECT_TRUE(pParent->AddChild(lNode));
        }
        return lNode;
    }

private:
    std::vector<std::unique_ptr<KRyvNode>> mNodes;
};

TEST(KReaderTest, ReportDuplicateNamesListsEachSharedNameOnceInWalkOrder)
{
    // ref
    //   Hips
    //     Spine
    //       Hand
    //     Leg
    //       Hand
    //   Spine
    //   Head
    //   Hand
    Tree lTree;
    KRyvNode* lRef = lTree.Add("ref");
    KRyvNode* lHips = lTree.Add("Hips", lRef);
    KRyvNode* lSpine = lTree.Add("Spine", lHips);
    lTree.Add("Hand", lSpine);
    KRyvNode* lLeg = lTree.Add("Leg", lHips);
    lTree.Add("Hand", lLeg);
    lTree.Add("Spine", lRef);
    lTree.Add("Head", lRef);
    lTree.Add("Hand", lRef);

    NullReader lReader;
    KString lMessage("Duplicate names found in walk.bvh:");
    EXPECT_FALSE(lReader.ReportDuplicateNames(lRef, lMessage));
    EXPECT_STREQ(lMessage.Buffer(), "Duplicate names found in walk.bvh:\n    Spine\n    Hand");
}

TEST(KReaderTest, ReportDuplicateNamesIgnoresTheNodeItself)
{
    Tree lTree;
    KRyvNode* lRef = lTree.Add("Joint");
    KRyvNode* lChild = lTree.Add("Joint", lRef);
    lTree.Add("Other", lChild);

    NullReader lReader;
    KString lMessage("Head:");
    EXPECT_TRUE(lReader.ReportDuplicateNames(lRef, lMessage));
    EXPECT_STREQ(lMessage.Buffer(), "Head:");
    EXPECT_TRUE(lReader.ReportDuplicateNames(nullptr, lMessage));
    EXPECT_STREQ(lMessage.Buffer(), "Head:");
}

TEST(KWriterTest, CheckNodeNamesReportsBlanksTabsAndLineBreaksIncludingTheRoot)
{
    Tree lTree;
    KRyvNode* lRoot = lTree.Add("My Root");
    KRyvNode* lGood = lTree.Add("Good_Name", lRoot);
    lTree.Add("Tab\tName", lGood);
    lTree.Add("Line\nBreak", lRoot);
    lTree.Add("Carriage\rReturn", lRoot);

    NullWriter lWriter;
    KString lMessage("Spaces are not allowed in BVH node names:");
    EXPECT_FALSE(lWriter.CheckNodeNames(lRoot, lMessage));
    EXPECT_STREQ(lMessage.Buffer(), "Spaces are not allowed in BVH node names:\n    My Root"
                                    "\n    Tab\tName\n    Line\nBreak");

    KRyvNode* lAlone = lTree.Add("Alone");
    lTree.Add("Kid_1", lAlone);
    KString lClean("x");
    EXPECT_TRUE(lWriter.CheckNodeNames(lAlone, lClean));
    EXPECT_TRUE(lWriter.CheckNodeNames(nullptr, lClean));
    EXPECT_STREQ(lClean.Buffer(), "x");
}

TEST(KWriterTest, FindReferenceNodeFollowsTheChainOfOnlyChildren)
{
    Tree lTree;
    KRyvNode* lRoot = lTree.Add("RootNode");
    KRyvNode* lA = lTree.Add("A", lRoot);
    KRyvNode* lB = lTree.Add("B", lA);
    KRyvNode* lC = lTree.Add("C", lB);
    NullWriter lWriter;

    // Nothing marked: the chain ends at the leaf C.
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), nullptr);

    lB->SetMarked(true);
    lC->SetMarked(true);
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), lB);

    // A marked node is found even when it has several children.
    lTree.Add("C2", lB);
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), lB);

    // An unmarked node with two children ends the search.
    lB->SetMarked(false);
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), nullptr);

    // The root itself must have exactly one child and is never the answer.
    lRoot->SetMarked(true);
    lA->SetMarked(true);
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), lA);
    lTree.Add("Sibling", lRoot);
    EXPECT_EQ(lWriter.FindReferenceNode(lRoot), nullptr);
    EXPECT_EQ(lWriter.FindReferenceNode(lC), nullptr);
    EXPECT_EQ(lWriter.FindReferenceNode(nullptr), nullptr);
}

} // namespace
