#ifndef RYVKIT_TESTS_OBJECT_OBJECTTESTSUPPORT_H
#define RYVKIT_TESTS_OBJECT_OBJECTTESTSUPPORT_H

#include "object/KObject.h"

#include <string>
#include <vector>

// One received event: who got it, its code, what it was about and the partner.
struct EventRecord
{
    std::string mReceiver;
    int mCode;
    const KPlug* mPlug;
    const KPlug* mOther;

    bool operator==(const EventRecord& pOther) const
    {
        return mReceiver == pOther.mReceiver && mCode == pOther.mCode && mPlug == pOther.mPlug &&
               mOther == pOther.mOther;
    }
};

// Event log shared by the recording classes of a test.
using EventLog = std::vector<EventRecord>;

// A plug that logs every event and refuses the request codes listed in mRefuse.
class RecordingPlug : public KPlug
{
public:
    RecordingPlug(const char* pName, EventLog* pLog) : mName(pName), mLog(pLog) {}

    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (mLog) {
            mLog->push_back({mName, static_cast<int>(pEvent), pPlug, pOther});
        }
        for (int lCode : mRefuse) {
            if (lCode == static_cast<int>(pEvent)) {
                return false;
            }
        }
        return KPlug::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    std::string mName;
    EventLog* mLog;
    std::vector<int> mRefuse;
};

// Three levels below KObject, for IsA and class filters.
class TestObjectA : public KObject
{
    K_DECLARE_CLASS(TestObjectA)

    explicit TestObjectA(EventLog* pLog = nullptr, const char* pName = "A")
        : mName(pName), mLog(pLog)
    {
    }

    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override
    {
        if (mLog) {
            mLog->push_back({mName, static_cast<int>(pEvent), pPlug, pOther});
        }
        if (pArgs && pArgs->mNewValue && pArgs->mOldValue) {
            double lNew = 0.0;
            double lOld = 0.0;
            pArgs->mNewValue->ConvertTo(lNew);
            pArgs->mOldValue->ConvertTo(lOld);
            mValueEvents.push_back({lNew, lOld});
        }
        for (int lCode : mRefuse) {
            if (lCode == static_cast<int>(pEvent)) {
                return false;
            }
        }
        return KObject::ConnectNotify(pEvent, pPlug, pOther, pArgs);
    }

    std::string mName;
    EventLog* mLog;
    std::vector<int> mRefuse;
    std::vector<std::pair<double, double>> mValueEvents;
};

class TestObjectB : public TestObjectA
{
    K_DECLARE_CLASS(TestObjectB)
    using TestObjectA::TestObjectA;
};

class TestObjectC : public TestObjectB
{
    K_DECLARE_CLASS(TestObjectC)
    using TestObjectB::TestObjectB;
};

#endif
