#include "tests/support/ObjectTestSupport.h"

#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

namespace {

// Deletes a victim when it receives one event code; the victim may be any plug, itself included.
class DestroyingPlug : public KPlug
{
public:
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (static_cast<int>(pEvent) == mCode && mVictim) {
            KPlug* lVictim = mVictim;
            mVictim = nullptr;
            delete lVictim;
            return true;
        }
        return KPlug::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    int mCode = -1;
    KPlug* mVictim = nullptr;
};

} // namespace

TEST(Reentrancy, HookDeletesTheNewSource)
{
    DestroyingPlug lDst;
    auto* lSrc = new KPlug;
    lDst.mCode = static_cast<int>(KConnectEvent::kSourceConnected);
    lDst.mVictim = lSrc;
    EXPECT_TRUE(lDst.ConnectSrc(lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);
}

TEST(Reentrancy, HookDeletesTheSourceWhileItIsRemoved)
{
    DestroyingPlug lDst;
    auto* lSrc = new KPlug;
    ASSERT_TRUE(lDst.ConnectSrc(lSrc));
    lDst.mCode = static_cast<int>(KConnectEvent::kSourceDisconnecting);
    lDst.mVictim = lSrc;
    EXPECT_TRUE(lDst.DisconnectSrc(lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);
}

TEST(Reentrancy, SourceDeletesTheDestinationDuringTheRequest)
{
    auto* lDst = new KPlug;
    DestroyingPlug lSrc;
    lSrc.mCode = static_cast<int>(KConnectEvent::kDestinationConnectRequest);
    lSrc.mVictim = lDst;
    EXPECT_FALSE(lDst->ConnectSrc(&lSrc));
    EXPECT_EQ(lSrc.GetDstCount(), 0);
}

TEST(Reentrancy, PlugDeletesItselfWhileDisconnectingAll)
{
    KPlug lA;
    KPlug lB;
    auto* lSelf = new DestroyingPlug;
    ASSERT_TRUE(lSelf->ConnectSrc(&lA));
    ASSERT_TRUE(lSelf->ConnectSrc(&lB));
    lSelf->mCode = static_cast<int>(KConnectEvent::kSourceDisconnected);
    lSelf->mVictim = lSelf;
    lSelf->DisconnectAll();
    EXPECT_EQ(lA.GetDstCount(), 0);
    EXPECT_EQ(lB.GetDstCount(), 0);
}

TEST(Reentrancy, PartnerDeletesAPropertyDuringDestruct)
{
    auto* lObject = new KObject;
    KProperty* lFirst = lObject->CreateProperty("First", kPropertyTypeDouble, nullptr);
    KProperty* lSecond = lObject->CreateProperty("Second", kPropertyTypeDouble, nullptr);
    DestroyingPlug lPartner;
    ASSERT_TRUE(lPartner.ConnectSrc(lSecond));
    ASSERT_TRUE(lFirst->ConnectSrc(&lPartner));
    // While the last property is disconnected the partner deletes the other one.
    lPartner.mCode = static_cast<int>(KConnectEvent::kSourceDisconnected);
    lPartner.mVictim = lFirst;
    lObject->Destroy();
    EXPECT_EQ(lPartner.GetSrcCount(), 0);
    EXPECT_EQ(lPartner.GetDstCount(), 0);
}

TEST(Reentrancy, ValueHookDeletesTheProperty)
{
    class Killer : public KObject
    {
    public:
        bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                           const KConnectEventArgs* pArgs) override
        {
            if (pEvent == KConnectEvent::kValueChanging && pPlug->IsA(KProperty::ClassId())) {
                KProperty* lProperty = static_cast<KProperty*>(pPlug);
                RemoveProperty(lProperty);
                return true;
            }
            return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
        }
    };
    Killer lObject;
    KProperty* lProperty = lObject.CreateProperty("P", kPropertyTypeInt, nullptr);
    EXPECT_FALSE(lProperty->SetValueAsInt(3));
    EXPECT_EQ(lObject.GetPropertyCount(), 0);
}
