#include "io/KStreamOptions.h"
#include "io/KStreamOptionsBase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A set that keeps a take name, as the sets of some formats do.
class TakeNameOptions : public KStreamOptionsBase
{
public:
    bool KeepsTakeName() const override { return true; }
};

TEST(KStreamOptionsTest, ClassIdentity)
{
    KStreamOptions lPlain;
    KStreamOptionsBase lBase;

    EXPECT_STREQ(KStreamOptions::ClassName(), "KStreamOptions");
    EXPECT_STREQ(lBase.GetClassName(), "KStreamOptionsBase");
    EXPECT_NE(KStreamOptions::ClassId(), KStreamOptionsBase::ClassId());

    EXPECT_TRUE(lBase.IsA(KStreamOptionsBase::ClassId()));
    EXPECT_TRUE(lBase.IsA(KStreamOptions::ClassId()));
    EXPECT_TRUE(lBase.IsA(KObject::ClassId()));
    EXPECT_TRUE(lPlain.IsA(KStreamOptions::ClassId()));
    EXPECT_FALSE(lPlain.IsA(KStreamOptionsBase::ClassId()));

    // What a reader does with the set it is given.
    const KStreamOptions* lGiven = &lBase;
    EXPECT_TRUE(lGiven->IsA(KStreamOptionsBase::ClassId()));
}

TEST(KStreamOptionsTest, DefaultCallbacksDoNothing)
{
    KStreamOptions lOptions;
    lOptions.ReportProgress("Reading", 50.0f);
    lOptions.ShowMessage("Error", "text", "OK");
    EXPECT_EQ(lOptions.AskQuestion("Time Code File", "Load x.tc?", "Yes", "No"), 0);
}

TEST(KStreamOptionsTest, CallbacksReceiveTheirArgumentsUntilReset)
{
    KStreamOptions lOptions;
    std::string lLog;
    lOptions.SetProgressCallback([&lLog](const char* pText, float pPercent) {
        lLog += std::string("P:") + pText + ":" + std::to_string(static_cast<int>(pPercent));
    });
    lOptions.SetQuestionCallback([&lLog](const char* pTitle, const char* pText,
                                         const char* pButton1, const char* pButton2,
                                         const char* pButton3) {
        lLog += std::string(" Q:") + pTitle + ":" + pText + ":" + pButton1 + ":" + pButton2 +
                (pButton3 ? ":3" : ":-");
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

    lLog.clear();
    lOptions.ResetCallbacks();
    lOptions.ReportProgress("x", 1.0f);
    lOptions.ShowMessage("a", "b", "c");
    EXPECT_EQ(lOptions.AskQuestion("a", "b", "c"), 0);
    EXPECT_EQ(lLog, "");

    // Reset of a set puts its callbacks back as well.
    lOptions.SetQuestionCallback(
        [](const char*, const char*, const char*, const char*, const char*) { return 1; });
    lOptions.Reset();
    EXPECT_EQ(lOptions.AskQuestion("a", "b", "c"), 0);
}

TEST(KStreamOptionsBaseTest, RecordsOneToSeventeen)
{
    KStreamOptionsBase lOptions;
    for (int i = KStreamOptionsBase::kFirstOption; i <= KStreamOptionsBase::kLastOption; ++i) {
        EXPECT_EQ(lOptions.GetOptionValue(i), 0);
        ASSERT_NE(lOptions.GetOptionRecord(i), nullptr);
        EXPECT_TRUE(lOptions.GetOptionRecord(i)->mName.IsEmpty());
    }
    for (int i = KStreamOptionsBase::kFirstOption; i <= KStreamOptionsBase::kLastOption; ++i) {
        lOptions.SetOptionValue(i, i * 10);
    }
    EXPECT_EQ(lOptions.GetOptionValue(1), 10);
    EXPECT_EQ(lOptions.GetOptionValue(17), 170);

    lOptions.SetOptionName(8, "Texture Mapping");
    lOptions.SetOptionFlag(8, 1);
    lOptions.SetOptionWord(8, 1, 2);
    lOptions.SetOptionWord(8, 2, 1);
    lOptions.SetOptionWord(8, 3, 7);
    lOptions.SetOptionWord(8, 4, 99);
    const KStreamOptionRecord* lRecord = lOptions.GetOptionRecord(8);
    ASSERT_NE(lRecord, nullptr);
    EXPECT_EQ(lRecord->mValue, 80);
    EXPECT_EQ(lRecord->mFlag, 1);
    EXPECT_EQ(lRecord->mWord1, 2);
    EXPECT_EQ(lRecord->mWord2, 1);
    EXPECT_EQ(lRecord->mWord3, 7);
    EXPECT_STREQ(lRecord->mName.Buffer(), "Texture Mapping");
    // The neighbours are untouched.
    EXPECT_TRUE(lOptions.GetOptionRecord(7)->mName.IsEmpty());
    EXPECT_EQ(lOptions.GetOptionRecord(9)->mWord3, 0);

    lOptions.SetOptionName(8, nullptr);
    EXPECT_TRUE(lOptions.GetOptionRecord(8)->mName.IsEmpty());
}

TEST(KStreamOptionsBaseTest, IndicesOutsideTheRecordsAreIgnored)
{
    KStreamOptionsBase lOptions;
    for (int lIndex : {-1, 0, 18, 1000}) {
        lOptions.SetOptionValue(lIndex, 5);
        lOptions.SetOptionName(lIndex, "x");
        lOptions.SetOptionFlag(lIndex, 1);
        lOptions.SetOptionWord(lIndex, 1, 1);
        EXPECT_EQ(lOptions.GetOptionValue(lIndex), 0);
        EXPECT_EQ(lOptions.GetOptionRecord(lIndex), nullptr);
    }
    for (int i = KStreamOptionsBase::kFirstOption; i <= KStreamOptionsBase::kLastOption; ++i) {
        EXPECT_EQ(lOptions.GetOptionValue(i), 0);
    }
}

TEST(KStreamOptionsBaseTest, TakeNameOnlyWhenTheSetKeepsOne)
{
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
