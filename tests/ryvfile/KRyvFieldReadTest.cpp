#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr char kPassword[] = "field read";

struct Form
{
    int mVersion;
    bool mAscii;
    const char* mPassword;
};

const Form kForms[] = {{6000, false, nullptr},
                       {6000, true, nullptr},
                       {6000, false, kPassword},
                       {5000, false, nullptr},
                       {5000, true, nullptr}};

std::vector<std::uint8_t> MakeFile(const Form& pForm)
{
    KRyvFile lFile;
    lFile.Create(pForm.mVersion, pForm.mAscii, pForm.mPassword);
    lFile.FieldWriteBegin("Mesh");
    lFile.FieldWriteC("grid");
    lFile.FieldWriteArray(std::vector<double>{0.5, -1.0, 1e-300, 3.0});
    lFile.FieldWriteArray(std::vector<std::int32_t>{4, 0, -1});
    lFile.FieldWriteI("Count", 3);
    lFile.FieldWriteI("Count", 4);
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

// What a reader takes from the body, in order.
struct Content
{
    KString mName;
    std::vector<double> mPoints;
    std::vector<std::int32_t> mIndices;
    int mCountRecords = 0;
    int mSecondCount = 0;
    bool mFailed = true;
};

Content ReadContent(KRyvFile& ioFile)
{
    Content lContent;
    EXPECT_TRUE(ioFile.FieldReadBegin("Mesh"));
    // The records are counted before any value of their parent is read.
    lContent.mCountRecords = ioFile.FieldReadCount("Count");
    lContent.mName = ioFile.FieldReadC();
    ioFile.FieldReadArray(lContent.mPoints);
    ioFile.FieldReadArray(lContent.mIndices);
    ioFile.FieldReadI("Count", 0);
    lContent.mSecondCount = ioFile.FieldReadI("Count", 0);
    ioFile.FieldReadEnd();
    lContent.mFailed = ioFile.FieldReadFailed();
    return lContent;
}

void ExpectSample(const Content& pContent)
{
    EXPECT_FALSE(pContent.mFailed);
    EXPECT_STREQ(pContent.mName.Buffer(), "grid");
    EXPECT_EQ(pContent.mPoints, (std::vector<double>{0.5, -1.0, 1e-300, 3.0}));
    EXPECT_EQ(pContent.mIndices, (std::vector<std::int32_t>{4, 0, -1}));
    EXPECT_EQ(pContent.mCountRecords, 2);
    EXPECT_EQ(pContent.mSecondCount, 4);
}

TEST(KRyvFieldRead, EveryFormReadsTheSameValuesAgainAfterARewindOrASecondOpening)
{
    for (const Form& lForm : kForms) {
        SCOPED_TRACE(std::to_string(lForm.mVersion) + (lForm.mAscii ? " ascii" : " binary") +
                     (lForm.mPassword ? " sealed" : ""));
        KRyvMemoryStream lStream(MakeFile(lForm));
        KRyvFile lFile;
        ASSERT_TRUE(lFile.Open(lStream));
        ASSERT_TRUE(lFile.ReadBody(lForm.mPassword));
        ExpectSample(ReadContent(lFile));
        lFile.FieldReadRewind();
        ExpectSample(ReadContent(lFile));
        ASSERT_TRUE(lFile.ReadBody(lForm.mPassword));
        ExpectSample(ReadContent(lFile));
    }
}

TEST(KRyvFieldRead, AnArrayViewHoldsTheElementsAndRefusesAnotherKind)
{
    KRyvMemoryStream lStream(MakeFile(kForms[0]));
    KRyvFile lFile;
    ASSERT_TRUE(lFile.Open(lStream) && lFile.ReadBody(nullptr));
    ASSERT_TRUE(lFile.FieldReadBegin("Mesh"));
    lFile.FieldReadC();
    KRyvArrayView<std::int32_t> lWrong;
    EXPECT_FALSE(lFile.FieldReadArrayView(lWrong));
    EXPECT_TRUE(lFile.FieldReadFailed());
    EXPECT_EQ(lWrong.mCount, 0u);
    KRyvArrayView<double> lPoints;
    ASSERT_TRUE(lFile.FieldReadArrayView(lPoints));
    ASSERT_EQ(lPoints.mCount, 4u);
    EXPECT_EQ(lPoints[0], 0.5);
    EXPECT_EQ(lPoints[2], 1e-300);
    EXPECT_EQ(lPoints[3], 3.0);
    // A value's view stays valid once its record is left.
    lFile.FieldReadEnd();
    EXPECT_EQ(lPoints[1], -1.0);
}

TEST(KRyvFieldRead, ValuesAtTheTopAndPastTheEndAnswerDefaults)
{
    KRyvMemoryStream lStream(MakeFile(kForms[1]));
    KRyvFile lFile;
    ASSERT_TRUE(lFile.Open(lStream) && lFile.ReadBody(nullptr));
    EXPECT_STREQ(lFile.FieldReadName(), "");
    EXPECT_EQ(lFile.FieldReadValuesLeft(), 0);
    EXPECT_EQ(lFile.FieldReadPeekKind(), 0);
    EXPECT_EQ(lFile.FieldReadI(), 0);
    EXPECT_TRUE(lFile.FieldReadFailed());
    lFile.FieldReadRewind();
    ASSERT_TRUE(lFile.FieldReadBeginNext());
    EXPECT_STREQ(lFile.FieldReadName(), "Mesh");
    lFile.FieldReadEnd();
    // Records are found forward only: the one entered is behind.
    EXPECT_FALSE(lFile.FieldReadBegin("Mesh"));
    EXPECT_FALSE(lFile.FieldReadBeginNext());
    EXPECT_FALSE(lFile.FieldReadFailed());
}

} // namespace
