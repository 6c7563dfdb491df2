#include "animation/KFCurveNode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

// True when pChange moved the structure stamp.
template <typename F> bool Moves(F pChange)
{
    const std::uint64_t lBefore = KFCurveNode::GetStructureStamp();
    pChange();
    return KFCurveNode::GetStructureStamp() != lBefore;
}

TEST(KFCurveNodeStampTest, EveryChangeOfShapeMovesTheStamp)
{
    std::unique_ptr<KFCurveNode> lRoot(KFCurveNode::Create("Root"));
    KFCurveNode* lChild = KFCurveNode::Create("X");
    EXPECT_TRUE(Moves([&] { ASSERT_EQ(lRoot->Add(lChild), 0); }));
    EXPECT_TRUE(Moves([&] { lChild->SetCurve(KFCurve::Create()); }));
    EXPECT_TRUE(Moves([&] { lChild->SetCurve(KFCurve::Create(), true); }));
    KFCurve* lTaken = nullptr;
    EXPECT_TRUE(Moves([&] { lTaken = lChild->SetCurve(nullptr, false); }));
    ASSERT_NE(lTaken, nullptr);
    KFCurve::Destroy(lTaken);
    std::unique_ptr<KFCurveNode> lOut;
    EXPECT_TRUE(Moves([&] { lOut.reset(lRoot->Remove(0)); }));
    ASSERT_NE(lOut, nullptr);
    EXPECT_TRUE(Moves([&] { lOut.reset(); }));
    EXPECT_TRUE(Moves([&] { lRoot->FindOrCreateChild("Y"); }));
    EXPECT_TRUE(Moves([&] { ASSERT_TRUE(lRoot->Delete(0)); }));
    std::unique_ptr<KFCurveNode> lSource(KFCurveNode::Create("Source"));
    lSource->FindOrCreateChild("Z");
    EXPECT_TRUE(Moves([&] { ASSERT_TRUE(lRoot->CopyFrom(*lSource)); }));
}

TEST(KFCurveNodeStampTest, ReadingAndRefusedChangesLeaveTheStamp)
{
    std::unique_ptr<KFCurveNode> lRoot(KFCurveNode::Create("Root"));
    KFCurveNode* lX = lRoot->FindOrCreateChild("X");
    lX->GetCurve()->KeyAdd(KTime(0), 1.0f);
    EXPECT_FALSE(Moves([&] {
        lRoot->FindChild("x");
        lRoot->Evaluate(KTime(5));
        lRoot->SetChannelValue(0, 3.0);
        lX->SetCurve(lX->GetCurve());
        EXPECT_EQ(lRoot->Add(nullptr), -1);
        EXPECT_EQ(lX->Add(lRoot.get()), -1);
        EXPECT_EQ(lRoot->Remove(4), nullptr);
    }));
    EXPECT_DOUBLE_EQ(lX->GetCurve()->GetDefaultValue(), 3.0);
}

} // namespace
