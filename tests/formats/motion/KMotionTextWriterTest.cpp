// What every motion text writer inherits from KMotionTextWriter: the file that was there is
// replaced only by a Write that succeeded, whatever else is called on the writer.
#include "MotionTestFiles.h"

#include "formats/motion/asf-amc/KWriterAmc.h"
#include "formats/motion/asf-amc/KWriterAsf.h"
#include "formats/motion/brd/KWriterBrd.h"
#include "formats/motion/bvh/KWriterBvh.h"
#include "formats/motion/htr/KWriterHtr.h"
#include "formats/motion/mov/KWriterMov.h"
#include "formats/motion/vpm/KWriterVpm.h"
#include "scene/KRyvObjectFactory.h"

#include <gtest/gtest.h>

namespace {

struct WriterCase
{
    const char* mName;
    std::unique_ptr<KWriter> (*mCreate)(KRyvObjectFactory*);
};

const WriterCase kWriters[] = {
    {"bvh", &KWriterBvh::Create}, {"htr", &KWriterHtr::Create}, {"asf", &KWriterAsf::Create},
    {"amc", &KWriterAmc::Create}, {"brd", &KWriterBrd::Create}, {"mov", &KWriterMov::Create},
    {"vpm", &KWriterVpm::Create},
};

TEST(KMotionTextWriter, OnlyASuccessfulWriteReplacesTheTarget)
{
    const std::string kOld = "the file that was there\n";
    for (const WriterCase& lCase : kWriters) {
        KRyvObjectFactory lFactory;
        const std::string lTarget = WriteTestFile(std::string("kept.") + lCase.mName, kOld);
        const std::string lOther = MotionTestPath(std::string("other.") + lCase.mName);
        std::unique_ptr<KWriter> lWriter = lCase.mCreate(&lFactory);
        ASSERT_NE(lWriter, nullptr) << lCase.mName;
        // A second FileCreate, a FileClose and the writer's end drop what was created.
        ASSERT_TRUE(lWriter->FileCreate(lTarget.c_str())) << lCase.mName;
        ASSERT_TRUE(lWriter->FileCreate(lOther.c_str())) << lCase.mName;
        EXPECT_EQ(ReadTestFile(lTarget), kOld) << lCase.mName << " after a second FileCreate";
        ASSERT_TRUE(lWriter->FileCreate(lTarget.c_str())) << lCase.mName;
        EXPECT_TRUE(lWriter->FileClose()) << lCase.mName;
        EXPECT_FALSE(lWriter->FileClose()) << lCase.mName;
        EXPECT_EQ(lWriter->GetError().GetLastErrorID(), KWriter::kFileNotOpened) << lCase.mName;
        EXPECT_EQ(ReadTestFile(lTarget), kOld) << lCase.mName << " after FileClose";
        ASSERT_TRUE(lWriter->FileCreate(lTarget.c_str())) << lCase.mName;
        lWriter.reset();
        EXPECT_EQ(ReadTestFile(lTarget), kOld) << lCase.mName << " after the writer's end";
    }
}

} // namespace
