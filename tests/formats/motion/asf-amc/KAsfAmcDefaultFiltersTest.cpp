// What the ASF/AMC pair's curves go through with the import settings as they come: the constant
// key reducer on a bone's translation, the rotation filter alone on its rotation.
#include "AsfAmcTestSupport.h"

#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

namespace {

const char* const kAsf = ":version 1.10\n:name still\n:units\n  length 1\n  angle deg\n:root\n"
                         "  order TX TY TZ RX RY RZ\n  axis XYZ\n  position 0 0 0\n"
                         "  orientation 0 0 0\n:bonedata\n  begin\n    id 1\n    name arm\n"
                         "    direction 1 0 0\n    length 4\n    axis 0 0 0 XYZ\n"
                         "    dof rx ry rz\n  end\n:hierarchy\n  begin\n    root arm\n  end\n";

} // namespace

TEST(AsfAmcDefaultFilters, TheRotationTrioKeepsItsKeysWhereTheTranslationIsReduced)
{
    KImportSettings::Get().Reset();
    std::string lAmc = ":FULLY-SPECIFIED\n:DEGREES\n";
    for (int i = 1; i <= 5; ++i) {
        lAmc += std::to_string(i) + "\nroot 1 2 3 0 0 0\narm 10 0 " + std::to_string(i) + "\n";
    }
    AsfAmcScene lPair;
    ASSERT_TRUE(lPair.ReadAsf(WriteTestFile("still.asf", kAsf))) << lPair.mError;
    ASSERT_TRUE(lPair.ReadAmc(WriteTestFile("still.amc", lAmc))) << lPair.mError;
    for (const char* lName : {"root", "arm"}) {
        KRyvTakeNode* lTake = lPair.Find(lName)->GetCurrentTakeNode();
        EXPECT_EQ(lTake->GetTransformRX()->GetKeyCount(), 5) << lName;
        EXPECT_EQ(lTake->GetTransformRY()->GetKeyCount(), 5) << lName;
    }
    EXPECT_EQ(lPair.Find("root")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 1);
}
