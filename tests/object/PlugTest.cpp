#include "tests/support/ObjectTestSupport.h"

#include <gtest/gtest.h>

namespace {

EventLog Filter(const EventLog& pLog, int pCode)
{
    EventLog lResult;
    for (const EventRecord& lRecord : pLog) {
        if (lRecord.mCode == pCode) {
            lResult.push_back(lRecord);
        }
    }
    return lResult;
}

} // namespace

TEST(PlugConnections, ConnectSrcSendsEventsInOrder)
{
    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lSrc("src", &lLog);
    ASSERT_TRUE(lDst.ConnectSrc(&lSrc, 0));
    const EventLog kExpected = {
        {"dst", 0, &lDst, &lSrc}, {"src", 1, &lSrc, &lDst},  {"dst", 4, &lDst, &lSrc},
        {"src", 5, &lSrc, &lDst}, {"dst", 10, &lDst, &lSrc}, {"src", 12, &lSrc, &lDst},
    };
    EXPECT_EQ(lLog, kExpected);
    EXPECT_TRUE(lDst.IsConnectedSrc(&lSrc));
    EXPECT_TRUE(lSrc.IsConnectedDst(&lDst));
    EXPECT_FALSE(lSrc.IsConnectedSrc(&lDst));
    EXPECT_EQ(lDst.GetSrcCount(), 1);
    EXPECT_EQ(lDst.GetSrc(0), &lSrc);
    EXPECT_EQ(lSrc.GetDst(0), &lDst);
    EXPECT_EQ(lDst.GetSrc(1), nullptr);
    EXPECT_EQ(lDst.GetSrc(-1), nullptr);
    EXPECT_EQ(lDst.GetDst(0), nullptr);

    lLog.clear();
    ASSERT_TRUE(lDst.DisconnectSrc(&lSrc));
    const EventLog kRemoved = {
        {"dst", 8, &lDst, &lSrc}, {"src", 9, &lSrc, &lDst},  {"dst", 6, &lDst, &lSrc},
        {"src", 7, &lSrc, &lDst}, {"dst", 11, &lDst, &lSrc}, {"src", 13, &lSrc, &lDst},
    };
    EXPECT_EQ(lLog, kRemoved);
    EXPECT_FALSE(lDst.IsConnectedSrc(&lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);
    EXPECT_EQ(lSrc.GetDstCount(), 0);
}

TEST(PlugConnections, DestinationFormsAreTheSameConnection)
{
    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lSrc("src", &lLog);
    ASSERT_TRUE(lSrc.ConnectDst(&lDst));
    EXPECT_TRUE(lDst.IsConnectedSrc(&lSrc));
    EXPECT_TRUE(lSrc.IsConnectedDst(&lDst));
    EXPECT_EQ(lLog.front(), (EventRecord{"dst", 0, &lDst, &lSrc}));
    lLog.clear();
    // Made from the source's side, removed from the destination's and the other way round.
    ASSERT_TRUE(lDst.DisconnectSrc(&lSrc));
    EXPECT_EQ(Filter(lLog, 6).size(), 1u);
    ASSERT_TRUE(lDst.ConnectSrc(&lSrc));
    lLog.clear();
    ASSERT_TRUE(lSrc.DisconnectDst(&lDst));
    EXPECT_EQ(lLog.front(), (EventRecord{"dst", 8, &lDst, &lSrc}));
    EXPECT_FALSE(lSrc.IsConnectedDst(&lDst));
    EXPECT_FALSE(lSrc.DisconnectDst(&lDst));
    EXPECT_FALSE(lSrc.ConnectDst(nullptr));
    EXPECT_FALSE(lSrc.DisconnectDst(nullptr));
}

TEST(PlugConnections, InvalidConnectionsAreRefused)
{
    KPlug lA;
    KPlug lB;
    EXPECT_FALSE(lA.ConnectSrc(nullptr));
    EXPECT_FALSE(lA.ConnectSrc(&lA));
    EXPECT_TRUE(lA.ConnectSrc(&lB));
    EXPECT_FALSE(lA.ConnectSrc(&lB));
    EXPECT_EQ(lA.GetSrcCount(), 1);
    EXPECT_FALSE(lA.DisconnectSrc(nullptr));
    EXPECT_FALSE(lB.DisconnectSrc(&lA));
    // The reverse direction is a connection of its own.
    EXPECT_TRUE(lB.ConnectSrc(&lA));
    EXPECT_EQ(lA.GetDstCount(), 1);
    EXPECT_EQ(lA.GetSrcCount(), 1);
}

TEST(PlugConnections, EitherEndMayRefuse)
{
    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lSrc("src", &lLog);
    lDst.mRefuse = {0};
    EXPECT_FALSE(lDst.ConnectSrc(&lSrc));
    EXPECT_EQ(lLog, (EventLog{{"dst", 0, &lDst, &lSrc}}));
    EXPECT_FALSE(lDst.IsConnectedSrc(&lSrc));
    EXPECT_EQ(lSrc.GetDstCount(), 0);

    lLog.clear();
    lDst.mRefuse.clear();
    lSrc.mRefuse = {1};
    EXPECT_FALSE(lSrc.ConnectDst(&lDst));
    EXPECT_EQ(lLog, (EventLog{{"dst", 0, &lDst, &lSrc}, {"src", 1, &lSrc, &lDst}}));
    EXPECT_EQ(lDst.GetSrcCount(), 0);

    // Refusing an event other than a request changes nothing.
    lSrc.mRefuse = {5, 9};
    EXPECT_TRUE(lDst.ConnectSrc(&lSrc));
    EXPECT_TRUE(lDst.DisconnectSrc(&lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);
}

TEST(PlugConnections, OrderAndDisconnectAll)
{
    KPlug lDst;
    KPlug lSrc[4];
    for (KPlug& lPlug : lSrc) {
        ASSERT_TRUE(lDst.ConnectSrc(&lPlug));
    }
    ASSERT_TRUE(lDst.DisconnectSrc(&lSrc[1]));
    EXPECT_EQ(lDst.GetSrc(0), &lSrc[0]);
    EXPECT_EQ(lDst.GetSrc(1), &lSrc[2]);
    EXPECT_EQ(lDst.GetSrc(2), &lSrc[3]);
    EXPECT_EQ(lDst.FindSrc(&lSrc[3]), 2);
    EXPECT_EQ(lDst.FindSrc(&lSrc[1]), -1);
    KPlug lOut;
    ASSERT_TRUE(lOut.ConnectSrc(&lDst));
    lDst.DisconnectAll();
    EXPECT_EQ(lDst.GetSrcCount(), 0);
    EXPECT_EQ(lDst.GetDstCount(), 0);
    EXPECT_EQ(lOut.GetSrcCount(), 0);
    for (KPlug& lPlug : lSrc) {
        EXPECT_EQ(lPlug.GetDstCount(), 0);
    }
}

TEST(PlugConnections, DestroyedPlugLeavesNoConnection)
{
    EventLog lLog;
    RecordingPlug lDst("dst", &lLog);
    RecordingPlug lOut("out", &lLog);
    auto* lMiddle = new KPlug;
    ASSERT_TRUE(lDst.ConnectSrc(lMiddle));
    ASSERT_TRUE(lMiddle->ConnectSrc(&lOut));
    lLog.clear();
    delete lMiddle;
    EXPECT_EQ(lDst.GetSrcCount(), 0);
    EXPECT_EQ(lOut.GetDstCount(), 0);
    // Both partners heard of the removal, before and after.
    EXPECT_EQ(Filter(lLog, 8).size(), 1u);
    EXPECT_EQ(Filter(lLog, 6).size(), 1u);
    EXPECT_EQ(Filter(lLog, 9).size(), 1u);
    EXPECT_EQ(Filter(lLog, 7).size(), 1u);
}

TEST(WeakHandle, ResolvesToNullOnceTheTargetIsGone)
{
    KWeakHandle lEmpty;
    EXPECT_TRUE(lEmpty.IsEmpty());
    EXPECT_EQ(lEmpty.Get(), nullptr);

    auto* lPlug = new KPlug;
    KWeakHandle lHandle = lPlug->GetWeakHandle();
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
    ASSERT_TRUE(lParent.ConnectSrc(&lA1));
    ASSERT_TRUE(lParent.ConnectSrc(&lB1));
    ASSERT_TRUE(lParent.ConnectSrc(&lPlain));

    const KPlugFilter* lFilter = GetClassIdFilter(TestObjectB::ClassId());
    KPlug* lView = lParent.GetFilteredPlug(lFilter);
    ASSERT_NE(lView, nullptr);
    EXPECT_TRUE(lView->IsFilteredView());
    EXPECT_TRUE(lView->GetKeepConnections());
    EXPECT_EQ(lParent.GetFilteredPlug(lFilter), lView);
    ASSERT_EQ(lView->GetSrcCount(), 1);
    EXPECT_EQ(lView->GetSrc(0), &lB1);

    {
        TestObjectC lC;
        ASSERT_TRUE(lParent.ConnectSrc(&lB2));
        ASSERT_TRUE(lParent.ConnectSrc(&lC));
        EXPECT_FALSE(lParent.ConnectSrc(&lA1));
        ASSERT_EQ(lView->GetSrcCount(), 3);
        EXPECT_EQ(lView->GetSrc(1), &lB2);
        EXPECT_EQ(lView->GetSrc(2), &lC);
    }
    // The destroyed one has left the view too.
    ASSERT_EQ(lView->GetSrcCount(), 2);
    ASSERT_TRUE(lParent.DisconnectSrc(&lB1));
    ASSERT_EQ(lView->GetSrcCount(), 1);
    EXPECT_EQ(lView->GetSrc(0), &lB2);

    // Destination side: the view of the child lists its parents of the class.
    TestObjectB lOtherParent;
    ASSERT_TRUE(lOtherParent.ConnectSrc(&lB2));
    KPlug* lChildView = lB2.GetFilteredPlug(GetClassIdFilter(TestObjectA::ClassId()));
    ASSERT_EQ(lChildView->GetDstCount(), 1);
    EXPECT_EQ(lChildView->GetDst(0), &lOtherParent);
    KPlug* lObjectView = lB2.GetFilteredPlug(GetClassIdFilter(KObject::ClassId()));
    EXPECT_EQ(lObjectView->GetDstCount(), 2);
}

TEST(FilteredPlug, KeepFlagAndViewRestrictions)
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
    EXPECT_FALSE(lView->ConnectSrc(&lOther));
    EXPECT_FALSE(lOther.ConnectSrc(lView));
}

TEST(PlugFilter, OrdinaryPlugAcceptsOnlyFilteredPartners)
{
    KPlug lPlug;
    TestObjectA lA;
    TestObjectB lB;
    ASSERT_TRUE(lPlug.ConnectSrc(&lA));
    lPlug.SetFilter(GetClassIdFilter(TestObjectB::ClassId()), true);
    EXPECT_TRUE(lPlug.IsConnectedSrc(&lA));
    TestObjectA lA2;
    EXPECT_FALSE(lPlug.ConnectSrc(&lA2));
    EXPECT_TRUE(lPlug.ConnectSrc(&lB));
    // Without keep, connections that fail the filter go.
    lPlug.SetFilter(GetClassIdFilter(TestObjectB::ClassId()), false);
    EXPECT_FALSE(lPlug.IsConnectedSrc(&lA));
    EXPECT_TRUE(lPlug.IsConnectedSrc(&lB));
    lPlug.SetFilter(nullptr, false);
    EXPECT_TRUE(lPlug.ConnectSrc(&lA2));
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
}

TEST(PlugFlags, ListBitsAndKeepFlag)
{
    KPlug lPlug;
    lPlug.SetPlugFlags(1, true);
    lPlug.SetPlugFlags(4, true);
    lPlug.SetPlugFlags(4, false);
    EXPECT_EQ(lPlug.GetPlugFlags(), 1u);
    lPlug.SetFilter(nullptr, true);
    EXPECT_EQ(lPlug.GetPlugFlags(), 1u | KPlug::kKeepConnections);
}
