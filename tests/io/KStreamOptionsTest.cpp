#include "io/KStreamOptions.h"
#include "io/KStreamOptionsBase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KStreamOptionsTest, CallbacksReceiveTheirArgumentsUntilReset)
{
    KStreamOptions lOptions;
    EXPECT_EQ(lOptions.AskQuestion("Time Code File", "Load x.tc?", "Yes", "No"), 0);
    std::string lLog;
    lOptions.SetProgressCallback([&lLog](const char* pText, float pPercent) {
        lLog += std::string("P:") + pText + ":" + std::to_string(static_cast<int>(pPercent));
    });
    lOptions.SetQuestionCallback([&lLog](const char* pTitle, const char* pText, const char* pOne,
                                         const char* pTwo, const char* pThree) {
        lLog += std::string(" Q:") + pTitle + ":" + pText + ":" + pOne + ":" + pTwo +
                (pThree ? ":3" : ":-");
        return 2;
    });
    lOptions.SetMessageCallback(
        [&lLog](const char* pTitle, const char* pText, const char* pButton) {
            lLog += std::string(" M:") + pTitle + ":" + pText + ":" + pButton;
        });
    lOptions.ReportProgress("Writing BVH nodes", 25.0f);
    EXPECT_EQ(lOptions.AskQuestion("T", "Load?", "Yes", "No"), 2);
    lOptions.ShowMessage("Error", "bad", "OK");
    EXPECT_EQ(lLog, "P:Writing BVH nodes:25 Q:T:Load?:Yes:No:- M:Error:bad:OK");
    // Reset of a set puts its callbacks back as well.
    lLog.clear();
    lOptions.Reset();
    lOptions.ReportProgress("x", 1.0f);
    lOptions.ShowMessage("a", "b", "c");
    EXPECT_EQ(lOptions.AskQuestion("a", "b", "c"), 0);
    EXPECT_EQ(lLog, "");
}

TEST(KStreamOptionsBaseTest, RecordsOneToSeventeenOnly)
{
    KStreamOptionsBase lOptions;
    for (int lIndex : {KStreamOptionsBase::kFirstOption - 1, KStreamOptionsBase::kLastOption + 1}) {
        lOptions.SetOptionValue(lIndex, 5);
        lOptions.SetOptionName(lIndex, "x");
        EXPECT_EQ(lOptions.GetOptionValue(lIndex), 0);
        EXPECT_EQ(lOptions.GetOptionRecord(lIndex), nullptr);
    }
    for (int lIndex : {KStreamOptionsBase::kFirstOption, KStreamOptionsBase::kLastOption}) {
        lOptions.SetOptionValue(lIndex, lIndex * 10);
        lOptions.SetOptionName(lIndex, "Texture Mapping");
        lOptions.SetOptionFlag(lIndex, 1);
        for (int lWord = 1; lWord <= 3; ++lWord) {
            lOptions.SetOptionWord(lIndex, lWord, lWord + 1);
        }
        const KStreamOptionRecord* lRecord = lOptions.GetOptionRecord(lIndex);
        ASSERT_NE(lRecord, nullptr);
        EXPECT_EQ(lRecord->mValue, lIndex * 10);
        EXPECT_EQ(lRecord->mFlag, 1);
        EXPECT_EQ(lRecord->mWord1 * 100 + lRecord->mWord2 * 10 + lRecord->mWord3, 234);
        EXPECT_STREQ(lRecord->mName.Buffer(), "Texture Mapping");
    }
    // The neighbours are untouched.
    EXPECT_TRUE(lOptions.GetOptionRecord(KStreamOptionsBase::kFirstOption + 1)->mName.IsEmpty());
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptionsBase::kLastOption - 1), 0);
    lOptions.SetOptionName(KStreamOptionsBase::kFirstOption, nullptr);
    EXPECT_TRUE(lOptions.GetOptionRecord(KStreamOptionsBase::kFirstOption)->mName.IsEmpty());
}

TEST(KStreamOptionsBaseTest, TakeNameOnlyWhenTheSetKeepsOne)
{
    struct TakeNameOptions : KStreamOptionsBase
    {
        bool KeepsTakeName() const override { return true; }
    };
    KStreamOptionsBase lBase;
    EXPECT_FALSE(lBase.SetTakeName("default take"));
    EXPECT_TRUE(lBase.GetTakeName().IsEmpty());
    TakeNameOptions lKeeping;
    EXPECT_TRUE(lKeeping.SetTakeName("default take"));
    EXPECT_STREQ(lKeeping.GetTakeName().Buffer(), "default take");
    EXPECT_TRUE(lKeeping.SetTakeName(nullptr));
    EXPECT_TRUE(lKeeping.GetTakeName().IsEmpty());
}

} // namespace
