#include "tests/support/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

int CountCode(const EventLog& pLog, int pCode)
{
    int lCount = 0;
    for (const EventRecord& lRecord : pLog) {
        lCount += lRecord.mCode == pCode ? 1 : 0;
    }
    return lCount;
}

} // namespace

TEST(PlugConnections, EventsInOrderFromEitherSide)
{
    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lSrc("src", &lLog);
    const EventLog kAdded = {{"dst", 0, &lDst, &lSrc},  {"src", 1, &lSrc, &lDst},
                             {"dst", 4, &lDst, &lSrc},  {"src", 5, &lSrc, &lDst},
                             {"dst", 10, &lDst, &lSrc}, {"src", 12, &lSrc, &lDst}};
    const EventLog kRemoved = {{"dst", 8, &lDst, &lSrc},  {"src", 9, &lSrc, &lDst},
                               {"dst", 6, &lDst, &lSrc},  {"src", 7, &lSrc, &lDst},
                               {"dst", 11, &lDst, &lSrc}, {"src", 13, &lSrc, &lDst}};
    // Made and removed from the destination's side, then from the source's.
    for (bool lFromSource : {false, true}) {
        lLog.clear();
        ASSERT_TRUE(lFromSource ? lSrc.ConnectDst(&lDst) : lDst.ConnectSrc(&lSrc, 0));
        EXPECT_EQ(lLog, kAdded);
        EXPECT_TRUE(lDst.IsConnectedSrc(&lSrc) && lSrc.IsConnectedDst(&lDst));
        EXPECT_FALSE(lSrc.IsConnectedSrc(&lDst) || lDst.IsConnectedDst(&lSrc));
        EXPECT_EQ(lDst.GetSrc(0), &lSrc);
        EXPECT_EQ(lSrc.GetDst(0), &lDst);
        EXPECT_EQ(lSrc.FindDst(&lDst), 0);
        EXPECT_TRUE(lDst.GetSrc(1) == nullptr && lDst.GetSrc(-1) == nullptr);
        EXPECT_TRUE(lDst.GetDst(0) == nullptr && lSrc.GetDst(-1) == nullptr);
        lLog.clear();
        ASSERT_TRUE(lFromSource ? lSrc.DisconnectDst(&lDst) : lDst.DisconnectSrc(&lSrc));
        EXPECT_EQ(lLog, kRemoved);
        EXPECT_EQ(lDst.GetSrcCount() + lSrc.GetDstCount(), 0);
        EXPECT_EQ(lSrc.FindDst(&lDst), -1);
    }
    EXPECT_FALSE(lSrc.DisconnectDst(&lDst));
    EXPECT_FALSE(lSrc.ConnectDst(nullptr) || lSrc.DisconnectDst(nullptr));
}

TEST(PlugConnections, InvalidConnectionsAndRefusals)
{
    KPlug lA;
    KPlug lB;
    EXPECT_FALSE(lA.ConnectSrc(nullptr) || lA.ConnectSrc(&lA));
    EXPECT_TRUE(lA.ConnectSrc(&lB));
    EXPECT_FALSE(lA.ConnectSrc(&lB));
    EXPECT_FALSE(lA.DisconnectSrc(nullptr) || lB.DisconnectSrc(&lA));
    // The reverse direction is a connection of its own.
    EXPECT_TRUE(lB.ConnectSrc(&lA));
    EXPECT_EQ(lA.GetDstCount() + lA.GetSrcCount(), 2);

    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lSrc("src", &lLog);
    lDst.mRefuse = {0};
    EXPECT_FALSE(lDst.ConnectSrc(&lSrc));
    EXPECT_EQ(lLog, (EventLog{{"dst", 0, &lDst, &lSrc}}));
    lLog.clear();
    lDst.mRefuse.clear();
    lSrc.mRefuse = {1};
    EXPECT_FALSE(lSrc.ConnectDst(&lDst));
    EXPECT_EQ(lLog, (EventLog{{"dst", 0, &lDst, &lSrc}, {"src", 1, &lSrc, &lDst}}));
    EXPECT_EQ(lDst.GetSrcCount() + lSrc.GetDstCount(), 0);
    // Refusing an event other than a request changes nothing.
    lSrc.mRefuse = {5, 9};
    EXPECT_TRUE(lDst.ConnectSrc(&lSrc));
    EXPECT_TRUE(lDst.DisconnectSrc(&lSrc));
}

TEST(PlugConnections, OrderDisconnectAllAndDestruction)
{
    KPlug lDst;
    KPlug lSrc[4];
    for (KPlug& lPlug : lSrc) {
        ASSERT_TRUE(lDst.ConnectSrc(&lPlug));
    }
    ASSERT_TRUE(lDst.DisconnectSrc(&lSrc[1]));
    EXPECT_TRUE(lDst.GetSrc(0) == &lSrc[0] && lDst.GetSrc(1) == &lSrc[2]);
    EXPECT_EQ(lDst.FindSrc(&lSrc[3]), 2);
    EXPECT_EQ(lDst.FindSrc(&lSrc[1]), -1);
    KPlug lOut;
    ASSERT_TRUE(lOut.ConnectSrc(&lDst));
    lDst.DisconnectAllSrc();
    EXPECT_EQ(lDst.GetSrcCount(), 0);
    EXPECT_EQ(lSrc[3].GetDstCount(), 0);
    EXPECT_EQ(lDst.GetDstCount(), 1);
    lDst.DisconnectAllDst();
    EXPECT_EQ(lOut.GetSrcCount(), 0);
    ASSERT_TRUE(lOut.ConnectSrc(&lDst));
    ASSERT_TRUE(lDst.ConnectSrc(&lSrc[0]));
    lDst.DisconnectAll();
    EXPECT_EQ(lOut.GetSrcCount() + lSrc[0].GetDstCount(), 0);

    // A deleted plug leaves no connection; both partners heard of the removal, before and after.
    EventLog lLog;
    RecordingPlug lParent("parent", &lLog);
    RecordingPlug lChild("child", &lLog);
    auto* lMiddle = new KPlug;
    ASSERT_TRUE(lParent.ConnectSrc(lMiddle));
    ASSERT_TRUE(lMiddle->ConnectSrc(&lChild));
    lLog.clear();
    delete lMiddle;
    EXPECT_EQ(lParent.GetSrcCount() + lChild.GetDstCount(), 0);
    for (int lCode : {6, 7, 8, 9}) {
        EXPECT_EQ(CountCode(lLog, lCode), 1) << lCode;
    }
}

// Look-ups answer from whichever end lists fewer connections: they must agree with the plain
// lists whichever end is shorter, after removals in any order, and on views.
TEST(PlugConnections, LookUpsAgreeWithTheListsWhicheverEndIsShorter)
{
    constexpr int kWide = 40;
    KObject lRoot;
    std::vector<std::unique_ptr<TestObjectB>> lPlugs;
    KPlug lHub[3];
    for (int i = 0; i < kWide; ++i) {
        lPlugs.push_back(std::make_unique<TestObjectB>());
        ASSERT_TRUE(lRoot.ConnectSrc(lPlugs.back().get()));
        // Some plugs list more destinations than the root lists sources by the end.
        for (int h = 0; h < (i % 4 == 0 ? 3 : 0); ++h) {
            ASSERT_TRUE(lHub[h].ConnectSrc(lPlugs.back().get()));
        }
    }
    KPlug* lView = lRoot.GetFilteredPlug(GetClassIdFilter(TestObjectB::ClassId()));
    ASSERT_NE(lView, nullptr);
    for (int i = 0; i < kWide; i += 3) {
        ASSERT_TRUE(lRoot.DisconnectSrc(lPlugs[static_cast<size_t>(i)].get()));
    }
    // One source whose partner lists more destinations than it lists sources.
    KPlug lStranger;
    ASSERT_TRUE(lStranger.ConnectSrc(lPlugs[4].get()));
    for (KPlug* lPlug : {static_cast<KPlug*>(&lRoot), lView, &lHub[0], &lStranger}) {
        for (const auto& lPartner : lPlugs) {
            int lExpected = -1;
            for (int s = 0; s < lPlug->GetSrcCount(); ++s) {
                lExpected = lPlug->GetSrc(s) == lPartner.get() ? s : lExpected;
            }
            EXPECT_EQ(lPlug->FindSrc(lPartner.get()), lExpected);
            EXPECT_EQ(lPlug->IsConnectedSrc(lPartner.get()), lExpected >= 0);
            int lExpectedDst = -1;
            for (int d = 0; d < lPartner->GetDstCount(); ++d) {
                lExpectedDst = lPartner->GetDst(d) == lPlug ? d : lExpectedDst;
            }
            EXPECT_EQ(lPartner->FindDst(lPlug), lExpectedDst);
            EXPECT_EQ(lPartner->IsConnectedDst(lPlug), lExpectedDst >= 0);
        }
    }
    // Counted by hand: 40 connected, every third removed (14), the view shows the same.
    EXPECT_EQ(lRoot.GetSrcCount(), 26);
    EXPECT_EQ(lView->FindSrc(lPlugs[1].get()), 0);
    EXPECT_EQ(lView->FindSrc(lPlugs[kWide - 2].get()), 25);
    // The partners do not know the view: seen from them, it is not connected.
    EXPECT_FALSE(lPlugs[1]->IsConnectedDst(lView));
    EXPECT_TRUE(lView->IsConnectedSrc(lPlugs[1].get()));
    EXPECT_EQ(lPlugs[4]->FindDst(&lRoot), 0);
    EXPECT_EQ(lPlugs[4]->FindDst(&lHub[2]), 3);
    EXPECT_EQ(lPlugs[4]->FindDst(&lStranger), 4);
    EXPECT_EQ(lStranger.FindSrc(lPlugs[4].get()), 0);
}

TEST(WeakHandle, ResolvesToNullOnceTheTargetIsGone)
{
    KWeakHandle lEmpty;
    EXPECT_TRUE(lEmpty.IsEmpty());
    EXPECT_EQ(lEmpty.Get(), nullptr);
    auto* lPlug = new KPlug;
    KWeakHandle lHandle = lPlug->GetWeakHandle();
    EXPECT_FALSE(lHandle.IsEmpty());
    EXPECT_EQ(lHandle, lPlug->GetWeakHandle());
    EXPECT_EQ(lHandle.Get(), lPlug);
    delete lPlug;
    EXPECT_EQ(lHandle.Get(), nullptr);
    // A new plug may take the freed cell, but not the old stamp.
    auto* lOther = new KPlug;
    KWeakHandle lOtherHandle = lOther->GetWeakHandle();
    EXPECT_EQ(lHandle.Get(), nullptr);
    EXPECT_EQ(lOtherHandle.Get(), lOther);
    KWeakHandle::Revoke(lHandle);
    KWeakHandle::Revoke(lEmpty);
    EXPECT_EQ(lOtherHandle.Get(), lOther);
    delete lOther;
    EXPECT_EQ(lOtherHandle.Get(), nullptr);
}

TEST(FilteredPlug, FollowsConnectionsBeforeAndAfterCreation)
{
    KObject lParent;
    TestObjectA lA1;
    TestObjectB lB1;
    TestObjectB lB2;
    KPlug lPlain;
    ASSERT_TRUE(lParent.ConnectSrc(&lA1) && lParent.ConnectSrc(&lB1) &&
                lParent.ConnectSrc(&lPlain));
    const KPlugFilter* lFilter = GetClassIdFilter(TestObjectB::ClassId());
    KPlug* lView = lParent.GetFilteredPlug(lFilter);
    ASSERT_NE(lView, nullptr);
    EXPECT_TRUE(lView->IsFilteredView() && lView->GetKeepConnections());
    EXPECT_EQ(lParent.GetFilteredPlug(lFilter), lView);
    ASSERT_EQ(lView->GetSrcCount(), 1);
    EXPECT_EQ(lView->GetSrc(0), &lB1);
    {
        TestObjectC lC;
        ASSERT_TRUE(lParent.ConnectSrc(&lB2) && lParent.ConnectSrc(&lC));
        EXPECT_FALSE(lParent.ConnectSrc(&lA1));
        ASSERT_EQ(lView->GetSrcCount(), 3);
        EXPECT_TRUE(lView->GetSrc(1) == &lB2 && lView->GetSrc(2) == &lC);
    }
    // The destroyed one has left the view too.
    ASSERT_EQ(lView->GetSrcCount(), 2);
    ASSERT_TRUE(lParent.DisconnectSrc(&lB1));
    ASSERT_EQ(lView->GetSrcCount(), 1);
    EXPECT_EQ(lView->GetSrc(0), &lB2);

    // Destination side: the view of the child lists its parents of the class, also those
    // connected after it was made.
    TestObjectB lOtherParent;
    TestObjectC lThirdParent;
    ASSERT_TRUE(lOtherParent.ConnectSrc(&lB2));
    KPlug* lChildView = lB2.GetFilteredPlug(GetClassIdFilter(TestObjectB::ClassId()));
    ASSERT_TRUE(lParent.ConnectSrc(&lB1) && lThirdParent.ConnectSrc(&lB2));
    ASSERT_EQ(lChildView->GetDstCount(), 2);
    EXPECT_TRUE(lChildView->GetDst(0) == &lOtherParent && lChildView->GetDst(1) == &lThirdParent);
    EXPECT_EQ(lB2.GetFilteredPlug(GetClassIdFilter(KObject::ClassId()))->GetDstCount(), 3);
}

TEST(FilteredPlug, KeepFlagViewRestrictionsAndFiltersOfOrdinaryPlugs)
{
    KObject lParent;
    TestObjectB lB;
    KPlug* lView = lParent.GetFilteredPlug(GetClassIdFilter(TestObjectB::ClassId()));
    EXPECT_EQ(lParent.GetFilteredPlug(nullptr), nullptr);
    EXPECT_EQ(lView->GetFilteredPlug(GetClassIdFilter(TestObjectB::ClassId())), nullptr);
    lView->SetFilter(lView->GetFilter(), false);
    ASSERT_TRUE(lParent.ConnectSrc(&lB));
    EXPECT_EQ(lView->GetSrcCount(), 0);
    // Turning keep on refills from the plug's connections.
    lView->SetFilter(lView->GetFilter(), true);
    EXPECT_EQ(lView->GetSrcCount(), 1);
    // A view cannot be connected itself.
    KPlug lOther;
    EXPECT_FALSE(lView->ConnectSrc(&lOther) || lOther.ConnectSrc(lView));

    KPlug lPlug;
    TestObjectA lA;
    TestObjectA lA2;
    TestObjectA lParentA;
    ASSERT_TRUE(lPlug.ConnectSrc(&lA) && lParentA.ConnectSrc(&lPlug));
    lPlug.SetFilter(GetClassIdFilter(TestObjectB::ClassId()), true);
    EXPECT_TRUE(lPlug.IsConnectedSrc(&lA));
    EXPECT_FALSE(lPlug.ConnectSrc(&lA2));
    EXPECT_TRUE(lPlug.ConnectSrc(&lB));
    // Without keep, connections that fail the filter go.
    lPlug.SetFilter(GetClassIdFilter(TestObjectB::ClassId()), false);
    EXPECT_FALSE(lPlug.IsConnectedSrc(&lA) || lPlug.IsConnectedDst(&lParentA));
    EXPECT_TRUE(lPlug.IsConnectedSrc(&lB));
    EXPECT_EQ(lPlug.GetPlugFlags() & KPlug::kKeepConnections, 0u);
    lPlug.SetFilter(nullptr, true);
    EXPECT_TRUE(lPlug.ConnectSrc(&lA2));
    lPlug.SetPlugFlags(1, true);
    lPlug.SetPlugFlags(4, true);
    lPlug.SetPlugFlags(4, false);
    EXPECT_EQ(lPlug.GetPlugFlags(), 1u | KPlug::kKeepConnections);
}

TEST(PlugOwner, ChildrenForgetADeadOwner)
{
    auto* lOwner = new KPlug;
    KPlug lChild;
    lChild.SetOwner(lOwner);
    EXPECT_EQ(lChild.GetOwner(), lOwner);
    delete lOwner;
    EXPECT_EQ(lChild.GetOwner(), nullptr);
    KPlug lOwner2;
    {
        KPlug lShortChild;
        lShortChild.SetOwner(&lOwner2);
    }
    lChild.SetOwner(&lOwner2);
    EXPECT_EQ(lChild.GetOwner(), &lOwner2);
    lChild.SetOwner(&lChild);
    EXPECT_EQ(lChild.GetOwner(), &lOwner2);
    lChild.SetOwner(nullptr);
    EXPECT_EQ(lChild.GetOwner(), nullptr);
}
