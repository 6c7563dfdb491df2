// The OBJ reader's big lists are mapped apart from the heap; the allocation-failure walk refuses
// those mappings as it refuses operator new. Whichever fails, the read is refused as out of
// memory and the scene stays as it was.

#include "formats/geometry/obj/KObjPageAllocator.h"
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/FailingAllocation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr long kMaxAllocations = 20000;
// Enough points that their list outgrows the heap's share (KObjPageAllocator::kMinMappedBytes).
constexpr int kPointCount = 40000;

std::string ManyPoints()
{
    std::string lText;
    for (int i = 0; i < kPointCount; ++i) {
        lText += "v " + std::to_string(i) + " 0.5 -" + std::to_string(i % 97) + "\n";
    }
    lText += "f 1 2 3\nf 3 4 5 6\n";
    return lText;
}

TEST(KReaderObjMappingFailures, EveryFailedAllocationOrMappingIsAnOutOfMemoryRefusal)
{
    const std::string lText = ManyPoints();
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    lScene.GetRootNode()->AddChild(lFactory.CreateNode("Keep"));
    {
        // Once unarmed, so that what the program makes once on first use is made.
        KRyvObjectFactory lWarmFactory;
        KRyvScene lWarmScene(&lWarmFactory);
        KReaderObj lReader(&lWarmFactory);
        KStreamOptionsObj lOptions;
        ASSERT_TRUE(lReader.MemoryOpen(lText.data(), lText.size(), "points.obj") &&
                    lReader.Read(&lWarmScene, &lOptions));
    }
    const long lMappingsBefore = FailingAllocation::MappingsFailed();
    for (long lNth = 1; lNth < kMaxAllocations; ++lNth) {
        KReaderObj lReader(&lFactory);
        KStreamOptionsObj lOptions;
        bool lRead = false;
        bool lReadRan = false;
        bool lFired = false;
        {
            FailingAllocation lFailure(lNth);
            try {
                // Opening is as the registry walk finds it: it may throw, the read may not.
                if (lReader.MemoryOpen(lText.data(), lText.size(), "points.obj")) {
                    lReadRan = true;
                    lRead = lReader.Read(&lScene, &lOptions);
                }
            } catch (const std::bad_alloc&) {
                EXPECT_FALSE(lReadRan) << "the read let out of memory through at " << lNth;
            }
            lFired = FailingAllocation::Fired(lNth);
        }
        if (!lFired) {
            ASSERT_TRUE(lRead) << "the read fails without an allocation failing";
            EXPECT_EQ(lScene.GetRootNode()->GetChildCount(), 2);
            // Under the address sanitizer the blocks come from operator new, and nothing maps.
            constexpr bool kMaps = KObjPageAllocator<char>::kMinMappedBytes != SIZE_MAX;
            EXPECT_TRUE(!kMaps || FailingAllocation::MappingsFailed() > lMappingsBefore);
            return;
        }
        ASSERT_FALSE(lRead) << "allocation " << lNth;
        if (lReadRan) {
            EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(), "Out of memory")
                << "allocation " << lNth;
        }
        ASSERT_EQ(lScene.GetRootNode()->GetChildCount(), 1) << "allocation " << lNth;
        ASSERT_STREQ(lScene.GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::Keep");
    }
    ADD_FAILURE() << "the read never ends";
}

} // namespace
