// A factory's node makes the user-property records of its block when they are first looked at.
// These cases hold such a node against one made without a factory, whose records are made with
// it: whatever is asked, both must answer alike.
#include "scene/KRyvNode.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvUserProperty.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Counts the bound records it makes.
class CountingFactory : public KRyvObjectFactory
{
public:
    int mMade = 0;

protected:
    KRyvUserProperty* NewUserProperty(KProperty* pProperty) override
    {
        ++mMade;
        return KRyvObjectFactory::NewUserProperty(pProperty);
    }
};

// The block's properties as a row each: name and second flags word.
std::vector<std::string> DescribeBlock(const KRyvNode& pNode)
{
    std::vector<std::string> lRows;
    const KObject* lBlock = pNode.GetProperties();
    for (int i = 0; i < lBlock->GetPropertyCount(); ++i) {
        const KProperty* lProperty = lBlock->GetProperty(i);
        lRows.push_back(std::string(lProperty->GetName()) + " " +
                        std::to_string(lProperty->GetFlags()));
    }
    return lRows;
}

// The node's records in list order: name, type, user flags, bound or not, notify target.
std::vector<std::string> DescribeRecords(const KRyvNode& pNode)
{
    std::vector<std::string> lRows;
    for (int i = 0; i < pNode.GetUserPropertyCount(); ++i) {
        const KRyvUserProperty* lRecord = pNode.GetUserProperty(i);
        std::string lRow = lRecord->GetName().Buffer();
        lRow += " " + std::to_string(lRecord->GetType());
        for (const unsigned lFlag : {KRyvUserProperty::kFlagAnimatable,
                                     KRyvUserProperty::kFlagSecond, KRyvUserProperty::kFlagThird}) {
            lRow += lRecord->GetFlag(lFlag) ? " 1" : " 0";
        }
        lRow += lRecord->IsBound() ? " bound" : " unbound";
        lRow += lRecord->GetNotifyTarget() == pNode.GetNodeProperties() ? " block" : " other";
        lRows.push_back(lRow);
    }
    return lRows;
}

TEST(KRyvNodeDeferredRecords, AreTheRecordsANodeMakesWithoutFactory)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lDeferred = lFactory.CreateNode("A");
    KRyvNode lAtOnce(nullptr, "A");
    // The animated flags the records set are there before any record is.
    EXPECT_EQ(DescribeBlock(*lDeferred), DescribeBlock(lAtOnce));
    const std::vector<std::string> lRecords = DescribeRecords(lAtOnce);
    ASSERT_GT(lRecords.size(), 50u);
    EXPECT_EQ(DescribeRecords(*lDeferred), lRecords);
    EXPECT_EQ(lFactory.GetUserPropertyCount(), static_cast<int>(lRecords.size()));
}

TEST(KRyvNodeDeferredRecords, AreMadeOnlyWhenLookedAt)
{
    CountingFactory lFactory;
    std::vector<KRyvNode*> lNodes;
    for (const char* lName : {"A", "B", "C"}) {
        KRyvNode* lNode = lFactory.CreateNode(lName);
        lNode->SetLclTranslation(KVector4(1.0, 2.0, 3.0));
        KVector4 lRead;
        lNode->GetLclTranslation(lRead);
        EXPECT_EQ(lRead[1], 2.0);
        ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
        lNodes.push_back(lNode);
    }
    EXPECT_EQ(lFactory.mMade, 0);
    const int lPerNode = lNodes[1]->GetUserPropertyCount();
    EXPECT_EQ(lFactory.mMade, 3 * lPerNode);
    EXPECT_EQ(lFactory.GetUserPropertyCount(), 3 * lPerNode);
}

TEST(KRyvNodeDeferredRecords, KeepTheFactorysOrderOfCreation)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lFirst = lFactory.CreateNode("First");
    KRyvNode* lSecond = lFactory.CreateNode("Second");
    // The second node is looked at first: the first node's records still come first.
    ASSERT_NE(lSecond->FindUserProperty("Lcl Translation"), nullptr);
    EXPECT_EQ(lFactory.FindUserProperty("Lcl Translation"),
              lFirst->FindUserProperty("Lcl Translation"));

    // A record made by hand comes after the nodes made before it and before the later ones.
    KRyvObjectFactory lOther;
    KRyvNode* lEarly = lOther.CreateNode("Early");
    KRyvUserProperty* lLoose = lOther.CreateUserProperty("Lcl Rotation", "Vector", "Loose");
    KRyvNode* lLate = lOther.CreateNode("Late");
    ASSERT_NE(lLate->FindUserProperty("Lcl Rotation"), nullptr);
    EXPECT_EQ(lOther.FindUserProperty("Lcl Rotation"), lEarly->FindUserProperty("Lcl Rotation"));
    EXPECT_TRUE(lOther.DestroyNode(lEarly, false));
    EXPECT_EQ(lOther.FindUserProperty("Lcl Rotation"), lLoose);
}

TEST(KRyvNodeDeferredRecords, TransformWritesReachTheTakesAsThroughMadeRecords)
{
    CountingFactory lFactory;
    KRyvNode* lMade = lFactory.CreateNode("Made");
    const int lRecords = lMade->GetUserPropertyCount();
    KRyvNode* lDeferred = lFactory.CreateNode("Deferred");
    for (KRyvNode* lNode : {lMade, lDeferred}) {
        ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
        ASSERT_TRUE(lNode->SetCurrentTakeNode("Walk"));
        lNode->SetLclTranslation(KVector4(1.5, -2.0, 4.25));
        lNode->SetLclRotation(KVector4(10.0, 20.0, 30.0));
    }
    EXPECT_EQ(lFactory.mMade, lRecords);
    for (int lTake = 0; lTake < 2; ++lTake) {
        KRyvTakeNode* lMadeTake = lMade->GetTakeNode(lTake);
        KRyvTakeNode* lDeferredTake = lDeferred->GetTakeNode(lTake);
        EXPECT_EQ(lDeferredTake->GetTransformTX()->GetDefaultValue(), 1.5) << lTake;
        EXPECT_EQ(lDeferredTake->GetTransformRZ()->GetDefaultValue(), 30.0) << lTake;
        for (KFCurve* (KRyvTakeNode::*lCurve)() :
             {&KRyvTakeNode::GetTransformTX, &KRyvTakeNode::GetTransformTY,
              &KRyvTakeNode::GetTransformTZ, &KRyvTakeNode::GetTransformRX,
              &KRyvTakeNode::GetTransformRY, &KRyvTakeNode::GetTransformRZ}) {
            EXPECT_EQ((lMadeTake->*lCurve)()->GetDefaultValue(),
                      (lDeferredTake->*lCurve)()->GetDefaultValue());
        }
    }
    KVector4 lMadeValue;
    KVector4 lDeferredValue;
    EXPECT_EQ(lMade->GetLclRotation(lMadeValue), lDeferred->GetLclRotation(lDeferredValue));
    EXPECT_EQ(lDeferredValue[2], 30.0);
}

TEST(KRyvNodeDeferredRecords, DescribeTheBlockAsItWasMade)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lDeferred = lFactory.CreateNode("A");
    KRyvNode lAtOnce(nullptr, "A");
    for (KRyvNode* lNode : {lDeferred, &lAtOnce}) {
        KObject* lBlock = lNode->GetProperties();
        ASSERT_NE(lBlock->CreateProperty("Extra", kPropertyTypeDouble, FindDataType("Real")),
                  nullptr);
        KProperty* lScaling = lBlock->FindProperty("Lcl Scaling");
        ASSERT_TRUE(lBlock->RemoveProperty(lScaling));
    }
    // No record for the property added later; the removed one's record stays, unbound.
    EXPECT_EQ(DescribeRecords(*lDeferred), DescribeRecords(lAtOnce));
    EXPECT_EQ(lDeferred->FindUserProperty(lDeferred->GetProperties()->FindProperty("Extra")),
              nullptr);
}

TEST(KRyvNodeDeferredRecords, OfANodeDestroyedUnlookedAreNeverMade)
{
    CountingFactory lFactory;
    KRyvNode* lGone = lFactory.CreateNode("Gone");
    KRyvNode* lKept = lFactory.CreateNode("Kept");
    EXPECT_TRUE(lFactory.DestroyNode(lGone, false));
    EXPECT_EQ(lFactory.GetUserPropertyCount(), lKept->GetUserPropertyCount());
    EXPECT_EQ(lFactory.mMade, lKept->GetUserPropertyCount());
    EXPECT_TRUE(lFactory.DestroyNode(lKept, false));
    EXPECT_EQ(lFactory.GetUserPropertyCount(), 0);
}

} // namespace
