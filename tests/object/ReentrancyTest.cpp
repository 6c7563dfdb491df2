#include "tests/support/ObjectTestSupport.h"

#include "object/KTypedProperty.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Deletes a victim when it receives one event code; the victim may be any plug, itself included.
class DestroyingPlug : public KPlug
{
public:
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (pEvent == mEvent && mVictim) {
            delete std::exchange(mVictim, nullptr);
            return true;
        }
        return KPlug::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    void Arm(KConnectEvent pEvent, KPlug* pVictim)
    {
        mEvent = pEvent;
        mVictim = pVictim;
    }

    KConnectEvent mEvent = KConnectEvent::kSourceConnected;
    KPlug* mVictim = nullptr;
};

// Connects its old source again as soon as that has left (once, so that a plug that wrongly
// accepts cannot make it loop).
class ClingingPlug : public KPlug
{
public:
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (pEvent == KConnectEvent::kSourceDisconnected && pPlug == this && !mReconnected) {
            mReconnected = ConnectSrc(pOther);
        }
        return KPlug::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    bool mReconnected = false;
};

} // namespace

// A hook that deletes a partner (or its own plug) in the middle of a connection change leaves
// every survivor consistent (AddressSanitizer checks the rest).
TEST(Reentrancy, HooksDeletePlugsDuringConnectionChanges)
{
    DestroyingPlug lDst;
    auto* lSrc = new KPlug;
    lDst.Arm(KConnectEvent::kSourceConnected, lSrc);
    EXPECT_TRUE(lDst.ConnectSrc(lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);

    lSrc = new KPlug;
    ASSERT_TRUE(lDst.ConnectSrc(lSrc));
    lDst.Arm(KConnectEvent::kSourceDisconnecting, lSrc);
    EXPECT_TRUE(lDst.DisconnectSrc(lSrc));
    EXPECT_EQ(lDst.GetSrcCount(), 0);

    auto* lTarget = new KPlug;
    DestroyingPlug lSource;
    lSource.Arm(KConnectEvent::kDestinationConnectRequest, lTarget);
    EXPECT_FALSE(lTarget->ConnectSrc(&lSource));
    EXPECT_EQ(lSource.GetDstCount(), 0);

    KPlug lA;
    KPlug lB;
    auto* lSelf = new DestroyingPlug;
    ASSERT_TRUE(lSelf->ConnectSrc(&lA) && lSelf->ConnectSrc(&lB));
    lSelf->Arm(KConnectEvent::kSourceDisconnected, lSelf);
    lSelf->DisconnectAll();
    EXPECT_EQ(lA.GetDstCount() + lB.GetDstCount(), 0);
}

TEST(Reentrancy, PartnerDeletesAPropertyDuringDestruct)
{
    auto* lObject = new KObject;
    KProperty* lFirst = lObject->CreateProperty("First", kPropertyTypeDouble, nullptr);
    KProperty* lSecond = lObject->CreateProperty("Second", kPropertyTypeDouble, nullptr);
    DestroyingPlug lPartner;
    ASSERT_TRUE(lPartner.ConnectSrc(lSecond) && lFirst->ConnectSrc(&lPartner));
    // While the last property is disconnected the partner deletes the other one.
    lPartner.Arm(KConnectEvent::kSourceDisconnected, lFirst);
    lObject->Destroy();
    EXPECT_EQ(lPartner.GetSrcCount() + lPartner.GetDstCount(), 0);
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

// A plug that is going away (a property or an object being destroyed) takes no new connection,
// not even from a partner that reconnects from its disconnection hook.
TEST(Reentrancy, PartnerCannotReconnectToAPlugBeingDestroyed)
{
    ClingingPlug lPartner;
    {
        KPropertyDouble lProperty;
        ASSERT_TRUE(lPartner.ConnectSrc(&lProperty));
    }
    auto* lDestructed = new KObject;
    auto* lDeleted = new KObject;
    ASSERT_TRUE(lPartner.ConnectSrc(lDestructed) && lPartner.ConnectSrc(lDeleted));
    lDestructed->Destruct();
    EXPECT_EQ(lPartner.GetSrcCount(), 1);
    delete lDeleted;
    EXPECT_EQ(lPartner.GetSrcCount(), 0);
    EXPECT_FALSE(lPartner.mReconnected);
    delete lDestructed;
}

// Registration and value changes watch the property through their hooks: a property deleted
// there is noticed, and a handle a hook takes meanwhile keeps resolving afterwards.
TEST(Reentrancy, HooksDuringRegistrationAndValueChanges)
{
    class Hooked : public KObject
    {
    public:
        bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                           const KConnectEventArgs* pArgs) override
        {
            if (pEvent == mEvent && pPlug != this) {
                if (mDelete) {
                    delete pPlug;
                } else {
                    mTaken = pPlug->GetWeakHandle();
                }
            }
            return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
        }
        KConnectEvent mEvent = KConnectEvent::kPropertyAdding;
        bool mDelete = false;
        KWeakHandle mTaken;
    };
    for (const KConnectEvent lEvent :
         {KConnectEvent::kPropertyAdding, KConnectEvent::kValueChanging}) {
        Hooked lObject;
        lObject.mEvent = lEvent;
        auto* lKept = new KPropertyInt;
        lKept->Attach("Kept", &lObject);
        ASSERT_TRUE(lObject.RegisterProperty(lKept));
        EXPECT_TRUE(lKept->SetValueAsInt(4));
        EXPECT_EQ(lObject.mTaken.Get(), lKept);
        delete lKept;
        EXPECT_EQ(lObject.mTaken.Get(), nullptr);

        lObject.mDelete = true;
        auto* lDoomed = new KPropertyInt;
        lDoomed->Attach("Doomed", &lObject);
        if (lEvent == KConnectEvent::kPropertyAdding) {
            EXPECT_FALSE(lObject.RegisterProperty(lDoomed));
        } else {
            ASSERT_TRUE(lObject.RegisterProperty(lDoomed));
            EXPECT_FALSE(lDoomed->SetValueAsInt(5));
        }
        EXPECT_EQ(lObject.GetPropertyCount(), 0);
    }
}
