#include "object/KPlug.h"
#include "object/KWeakHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

// A batch answers what Get answers, for empty, live, dead and reused cells alike.
TEST(WeakHandleBatch, AnswersAsGetDoes)
{
    auto lLive = std::make_unique<KPlug>();
    auto lDead = std::make_unique<KPlug>();
    const KWeakHandle lLiveHandle = lLive->GetWeakHandle();
    const KWeakHandle lDeadHandle = lDead->GetWeakHandle();
    lDead.reset();
    // The freed cell may be taken again: the old handle still names nothing.
    auto lReuser = std::make_unique<KPlug>();
    const KWeakHandle lReuserHandle = lReuser->GetWeakHandle();
    const std::vector<KWeakHandle> lHandles = {KWeakHandle(), lLiveHandle, lDeadHandle,
                                               lReuserHandle};
    const std::vector<KPlug*> lExpected = {nullptr, lLive.get(), nullptr, lReuser.get()};
    std::vector<KPlug*> lBatched;
    {
        const KWeakHandle::Batch lPool;
        for (const KWeakHandle& lHandle : lHandles) {
            lBatched.push_back(lPool.Get(lHandle));
        }
    }
    EXPECT_EQ(lBatched, lExpected);
    for (size_t i = 0; i < lHandles.size(); ++i) {
        EXPECT_EQ(lHandles[i].Get(), lExpected[i]) << i;
    }
}

// Threads make, connect, resolve and drop plugs of their own at once: every handle resolves
// to its own plug while it lives and to null after, whichever way it is read.
TEST(WeakHandleBatch, ThreadsSeeOnlyTheirOwnLivePlugs)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    constexpr int kPlugs = 8;
    std::vector<int> lFaults(kThreads, 0);
    std::vector<std::thread> lThreads;
    for (int t = 0; t < kThreads; ++t) {
        lThreads.emplace_back([t, &lFaults] {
            for (int r = 0; r < kRounds; ++r) {
                std::vector<std::unique_ptr<KPlug>> lPlugs;
                std::vector<KWeakHandle> lHandles;
                for (int p = 0; p < kPlugs; ++p) {
                    lPlugs.push_back(std::make_unique<KPlug>());
                    lHandles.push_back(lPlugs.back()->GetWeakHandle());
                    if (p > 0 && !lPlugs[0]->ConnectSrc(lPlugs.back().get())) {
                        ++lFaults[static_cast<size_t>(t)];
                    }
                }
                lPlugs[kPlugs / 2].reset();
                const KWeakHandle::Batch lPool;
                for (int p = 0; p < kPlugs; ++p) {
                    if (lPool.Get(lHandles[static_cast<size_t>(p)]) !=
                        lPlugs[static_cast<size_t>(p)].get()) {
                        ++lFaults[static_cast<size_t>(t)];
                    }
                }
            }
        });
    }
    for (std::thread& lThread : lThreads) {
        lThread.join();
    }
    EXPECT_EQ(lFaults, std::vector<int>(kThreads, 0));
}

// Cells freed in a scrambled order (some revoked twice) are handed out again, several times over
// and across a trim of the pool: a handle resolves to its plug while it lives, and a dead one
// never again, whatever plug took its cell.
TEST(WeakHandle, FreedCellsAreReusedWithoutReachingAnotherPlug)
{
    constexpr std::size_t kPlugs = 300;
    std::vector<std::unique_ptr<KPlug>> lPlugs(kPlugs);
    std::vector<KWeakHandle> lLive(kPlugs);
    std::vector<KWeakHandle> lDead;
    unsigned lState = 4242;
    for (int lRound = 0; lRound < 6; ++lRound) {
        for (std::size_t i = 0; i < kPlugs; ++i) {
            lState = lState * 1103515245u + 12345u;
            if (!lPlugs[i] || (lState >> 9) % 3 == 0) {
                if (lPlugs[i]) {
                    lDead.push_back(lLive[i]);
                    lPlugs[i].reset();
                    // A second revocation of a free cell changes nothing.
                    KWeakHandle::Revoke(lDead.back());
                }
                lPlugs[i] = std::make_unique<KPlug>();
                lLive[i] = lPlugs[i]->GetWeakHandle();
            }
        }
        if (lRound == 3) {
            KWeakHandle::TrimPool();
        }
        for (std::size_t i = 0; i < kPlugs; ++i) {
            ASSERT_EQ(lLive[i].Get(), lPlugs[i].get()) << lRound << ' ' << i;
        }
        for (const KWeakHandle& lHandle : lDead) {
            ASSERT_EQ(lHandle.Get(), nullptr) << lRound;
        }
    }
    lPlugs.clear();
    KWeakHandle::TrimPool();
    for (const KWeakHandle& lHandle : lLive) {
        EXPECT_EQ(lHandle.Get(), nullptr);
    }
    auto lAfter = std::make_unique<KPlug>();
    EXPECT_EQ(lAfter->GetWeakHandle().Get(), lAfter.get());
}
