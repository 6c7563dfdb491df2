#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvStream.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace {

constexpr char kPassword[] = "correct horse";

// A tree with every value kind, the awkward numbers among them.
void WriteSample(KRyvFile& ioFile)
{
    ioFile.FieldWriteBegin("Numbers");
    ioFile.FieldWriteB(true);
    ioFile.FieldWriteB(false);
    ioFile.FieldWriteI(std::numeric_limits<int>::min());
    ioFile.FieldWriteL(std::numeric_limits<std::int64_t>::max());
    ioFile.FieldWriteF(0.1f);
    ioFile.FieldWriteF(-0.0f);
    ioFile.FieldWriteD(1.0 / 3.0);
    ioFile.FieldWriteD(std::numeric_limits<double>::denorm_min());
    ioFile.FieldWriteD(-std::numeric_limits<double>::infinity());
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteBegin("Texts");
    ioFile.FieldWriteC("quote \" back\\slash\nline\ttab \xc3\xa9");
    ioFile.FieldWriteC("");
    const std::uint8_t lRaw[] = {0, 255, 10, 34};
    ioFile.FieldWriteR(lRaw, sizeof(lRaw));
    ioFile.FieldWriteBegin("Arrays");
    ioFile.FieldWriteArray(std::vector<std::int32_t>{1, -2, 3});
    ioFile.FieldWriteArray(std::vector<std::int64_t>{-(std::int64_t(1) << 40)});
    ioFile.FieldWriteArray(std::vector<float>(40, 1.5f));
    ioFile.FieldWriteArray(
        std::vector<double>{0.1, 1e300, std::numeric_limits<double>::infinity()});
    ioFile.FieldWriteArray(std::vector<double>());
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteEnd();
    ioFile.FieldWriteI("Single", 7);
}

std::vector<std::uint8_t> MakeFile(int pVersion, bool pAscii, const char* pPassword)
{
    KRyvFile lFile;
    lFile.Create(pVersion, pAscii, pPassword);
    KRyvHeaderExtension lExtension;
    lExtension.mCreator = "test";
    lExtension.mTimeStamp[0] = 2026;
    lExtension.mHasDocumentInfo = true;
    lExtension.mDocumentInfo.mAuthor = "me";
    lFile.SetHeaderExtension(lExtension);
    WriteSample(lFile);
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

// Opens and decodes; the error code, -1 for success.
int ReadBytes(const std::vector<std::uint8_t>& pBytes, KRyvFile& oFile,
              const char* pPassword = nullptr)
{
    KRyvMemoryStream lStream(pBytes);
    if (!oFile.Open(lStream) || !oFile.ReadBody(pPassword)) {
        return oFile.GetError().GetLastErrorID();
    }
    return -1;
}

void ExpectSample(KRyvFile& ioFile)
{
    EXPECT_EQ(ioFile.GetHeaderExtension().mCreator.Buffer(), std::string("test"));
    EXPECT_EQ(ioFile.GetHeaderExtension().mTimeStamp[0], 2026);
    EXPECT_EQ(ioFile.GetHeaderExtension().mDocumentInfo.mAuthor.Buffer(), std::string("me"));
    ASSERT_TRUE(ioFile.FieldReadBegin("Numbers"));
    EXPECT_TRUE(ioFile.FieldReadB());
    EXPECT_FALSE(ioFile.FieldReadB());
    EXPECT_EQ(ioFile.FieldReadI(), std::numeric_limits<int>::min());
    EXPECT_EQ(ioFile.FieldReadL(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ioFile.FieldReadF(), 0.1f);
    EXPECT_TRUE(std::signbit(ioFile.FieldReadF()));
    EXPECT_EQ(ioFile.FieldReadD(), 1.0 / 3.0);
    EXPECT_EQ(ioFile.FieldReadD(), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ioFile.FieldReadD(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ioFile.FieldReadValuesLeft(), 0);
    ioFile.FieldReadEnd();
    ASSERT_TRUE(ioFile.FieldReadBegin("Texts"));
    EXPECT_EQ(ioFile.FieldReadC().Buffer(),
              std::string("quote \" back\\slash\nline\ttab \xc3\xa9"));
    EXPECT_TRUE(ioFile.FieldReadC().IsEmpty());
    std::vector<std::uint8_t> lRaw;
    EXPECT_TRUE(ioFile.FieldReadR(lRaw));
    EXPECT_EQ(lRaw, (std::vector<std::uint8_t>{0, 255, 10, 34}));
    ASSERT_TRUE(ioFile.FieldReadBegin("Arrays"));
    std::vector<std::int32_t> lInts;
    std::vector<std::int64_t> lLongs;
    std::vector<float> lFloats;
    std::vector<double> lDoubles;
    EXPECT_TRUE(ioFile.FieldReadArray(lInts));
    EXPECT_TRUE(ioFile.FieldReadArray(lLongs));
    EXPECT_TRUE(ioFile.FieldReadArray(lFloats));
    EXPECT_TRUE(ioFile.FieldReadArray(lDoubles));
    EXPECT_EQ(lInts, (std::vector<std::int32_t>{1, -2, 3}));
    EXPECT_EQ(lLongs, (std::vector<std::int64_t>{-(std::int64_t(1) << 40)}));
    EXPECT_EQ(lFloats, std::vector<float>(40, 1.5f));
    EXPECT_EQ(lDoubles, (std::vector<double>{0.1, 1e300, std::numeric_limits<double>::infinity()}));
    EXPECT_TRUE(ioFile.FieldReadArray(lDoubles));
    EXPECT_TRUE(lDoubles.empty());
    ioFile.FieldReadEnd();
    ioFile.FieldReadEnd();
    EXPECT_EQ(ioFile.FieldReadI("Single", 0), 7);
    EXPECT_FALSE(ioFile.FieldReadFailed());
}

struct Form
{
    int mVersion;
    bool mAscii;
    const char* mPassword;
};

class KRyvFileFormTest : public ::testing::TestWithParam<Form>
{
};

TEST_P(KRyvFileFormTest, EveryValueKindRoundTripsBitExact)
{
    const Form lForm = GetParam();
    const std::vector<std::uint8_t> lBytes =
        MakeFile(lForm.mVersion, lForm.mAscii, lForm.mPassword);
    KRyvFile lFile;
    ASSERT_EQ(ReadBytes(lBytes, lFile, lForm.mPassword), -1);
    EXPECT_EQ(lFile.GetHeader().mVersion, lForm.mVersion);
    EXPECT_EQ(lFile.GetHeader().mAscii, lForm.mAscii);
    EXPECT_EQ(lFile.IsPasswordProtected(), lForm.mPassword != nullptr);
    ExpectSample(lFile);
}

INSTANTIATE_TEST_SUITE_P(Forms, KRyvFileFormTest,
                         ::testing::Values(Form{6000, false, nullptr}, Form{6000, true, nullptr},
                                           Form{5000, false, nullptr}, Form{5000, true, nullptr},
                                           Form{6000, false, kPassword}));

TEST(KRyvFileTest, BinaryLayoutIsTheDocumentedOne)
{
    KRyvFieldRecord lRoot;
    lRoot.AddChild("Ab")->AddValue(std::int32_t(258));
    std::vector<std::uint8_t> lBytes;
    ASSERT_TRUE(KRyvBinaryCodec::Encode(lRoot, lBytes));
    // content size 16, name length 2, "Ab", one value, kind 2, 258, no children.
    const std::vector<std::uint8_t> lExpected = {16, 0, 0, 0, 2, 'A', 'b', 1, 0, 0,
                                                 0,  2, 2, 1, 0, 0,   0,   0, 0, 0};
    EXPECT_EQ(lBytes, lExpected);
    std::string lText;
    ASSERT_TRUE(KRyvAsciiCodec::Encode(lRoot, lText));
    EXPECT_EQ(lText, "Ab: 258\n");
}

TEST(KRyvFileTest, VersionsOutsideTheDialectsAreRefusedWithTheirCodes)
{
    const struct
    {
        int mVersion;
        int mCode;
    } kCases[] = {{7000, KRyvFile::kVersionNotSupportedYet},
                  {4999, KRyvFile::kVersionNotSupportedAnymore},
                  {99999, KRyvFile::kVersionNotSupportedYet},
                  {0, KRyvFile::kVersionNotSupportedAnymore}};
    for (const auto& lCase : kCases) {
        for (const bool lAscii : {false, true}) {
            std::vector<std::uint8_t> lBytes = MakeFile(6000, lAscii, nullptr);
            if (lAscii) {
                const std::string lOld = "; RYV ASCII 6000";
                const std::string lNew = "; RYV ASCII " + std::to_string(lCase.mVersion);
                lBytes.erase(lBytes.begin(), lBytes.begin() + static_cast<long>(lOld.size()));
                lBytes.insert(lBytes.begin(), lNew.begin(), lNew.end());
            } else {
                std::memcpy(lBytes.data() + 8, &lCase.mVersion, 4);
            }
            KRyvFile lFile;
            EXPECT_EQ(ReadBytes(lBytes, lFile), lCase.mCode) << lCase.mVersion << " " << lAscii;
        }
    }
}

TEST(KRyvFileTest, EveryTruncationAndEveryByteFlipIsRefused)
{
    for (const bool lAscii : {false, true}) {
        const std::vector<std::uint8_t> lBytes = MakeFile(6000, lAscii, nullptr);
        for (std::size_t lLength = 0; lLength < lBytes.size(); ++lLength) {
            KRyvFile lFile;
            const std::vector<std::uint8_t> lCut(lBytes.begin(),
                                                 lBytes.begin() + static_cast<long>(lLength));
            EXPECT_EQ(ReadBytes(lCut, lFile), KRyvFile::kFileCorrupted) << lLength;
        }
        for (std::size_t lAt = 0; lAt < lBytes.size(); ++lAt) {
            std::vector<std::uint8_t> lFlipped = lBytes;
            lFlipped[lAt] ^= 0x41;
            KRyvFile lFile;
            EXPECT_NE(ReadBytes(lFlipped, lFile), -1) << lAt;
        }
    }
}

TEST(KRyvFileTest, ZerosTrailingBytesAndBadCrcAreCorrupted)
{
    KRyvFile lFile;
    EXPECT_EQ(ReadBytes(std::vector<std::uint8_t>(4096, 0), lFile), KRyvFile::kFileCorrupted);
    EXPECT_EQ(ReadBytes({}, lFile), KRyvFile::kFileCorrupted);
    std::vector<std::uint8_t> lBytes = MakeFile(6000, false, nullptr);
    lBytes.push_back(0);
    EXPECT_EQ(ReadBytes(lBytes, lFile), KRyvFile::kFileCorrupted);
    lBytes.pop_back();
    lBytes[lBytes.size() - 12] ^= 1;
    EXPECT_EQ(ReadBytes(lBytes, lFile), KRyvFile::kFileCorrupted);
    for (const int lVersion : {5000, 6999}) {
        EXPECT_EQ(ReadBytes(MakeFile(lVersion, false, nullptr), lFile), -1);
        EXPECT_EQ(ReadBytes(MakeFile(lVersion, true, nullptr), lFile), -1);
    }
}

// A body with a valid frame and CRC around bytes that lie about their sizes.
std::vector<std::uint8_t> FrameBody(const std::vector<std::uint8_t>& pBody)
{
    std::vector<std::uint8_t> lBytes(std::begin(KRyvContainer::kBinaryMagic),
                                     std::end(KRyvContainer::kBinaryMagic));
    const std::uint32_t lHead[2] = {6000, 0};
    const std::uint64_t lSize = pBody.size();
    lBytes.insert(lBytes.end(), reinterpret_cast<const std::uint8_t*>(lHead),
                  reinterpret_cast<const std::uint8_t*>(lHead) + 8);
    lBytes.insert(lBytes.end(), reinterpret_cast<const std::uint8_t*>(&lSize),
                  reinterpret_cast<const std::uint8_t*>(&lSize) + 8);
    lBytes.insert(lBytes.end(), pBody.begin(), pBody.end());
    const std::uint32_t lCrc =
        static_cast<std::uint32_t>(crc32(0, lBytes.data(), static_cast<uInt>(lBytes.size())));
    lBytes.insert(lBytes.end(), reinterpret_cast<const std::uint8_t*>(&lCrc),
                  reinterpret_cast<const std::uint8_t*>(&lCrc) + 4);
    lBytes.insert(lBytes.end(), std::begin(KRyvContainer::kFooterMagic),
                  std::end(KRyvContainer::kFooterMagic));
    return lBytes;
}

TEST(KRyvFileTest, HugeCountsDeepNestingAndUnknownKindsAreCorruptedUnderAValidCrc)
{
    // Each body: one record "A" whose content claims more than it has.
    const std::vector<std::vector<std::uint8_t>> kBodies = {
        {0xff, 0xff, 0xff, 0xff, 1, 'A'},                                          // record size
        {10, 0, 0, 0, 1, 'A', 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0},                 // value count
        {15, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 11, 0xff, 0xff, 0xff, 0x7f, 0, 0, 0, 0}, // array count
        {11, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 12, 0, 0, 0, 0},                         // unknown kind
        {12, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 1, 2, 0, 0, 0, 0},                       // bool 2
        {10, 0, 0, 0, 1, 'A', 0, 0, 0, 0, 5, 0, 0, 0},                             // child count
        {10, 0, 0, 0, 1, '-', 0, 0, 0, 0, 0, 0, 0, 0},                             // bad name
    };
    for (std::size_t i = 0; i < kBodies.size(); ++i) {
        KRyvFile lFile;
        EXPECT_EQ(ReadBytes(FrameBody(kBodies[i]), lFile), KRyvFile::kFileCorrupted) << i;
    }
    KRyvFieldRecord lRoot;
    KRyvFieldRecord* lRecord = &lRoot;
    for (int i = 0; i <= KRyvFieldRecord::kMaxDepth; ++i) {
        lRecord = lRecord->AddChild("N");
    }
    std::vector<std::uint8_t> lDeep;
    EXPECT_FALSE(KRyvBinaryCodec::Encode(lRoot, lDeep));
    std::string lText;
    EXPECT_FALSE(KRyvAsciiCodec::Encode(lRoot, lText));
    // Hand-made nesting one past the limit.
    std::string lNested;
    for (int i = 0; i <= KRyvFieldRecord::kMaxDepth; ++i) {
        lNested += "N: {\n";
    }
    int lLine = 0;
    KRyvBytes lRecords;
    EXPECT_FALSE(KRyvAsciiCodec::Decode(lNested.data(), lNested.size(), lRecords, lLine));
}

TEST(KRyvFileTest, AsciiFaultsNameTheirLine)
{
    const char* const kTexts[] = {"A: 1\nB: i[3]{1,2}\n",   "A: 1\nB: \"open\n", "A: 1\nB 2\n",
                                  "A: 1\nB: 99999999999\n", "A: {\nB: 1\n",      "A: 1\n}\n",
                                  "A: 1\nB: x\"0g\"\n",     "A: 1\nB: 1,\n"};
    for (const char* lText : kTexts) {
        KRyvBytes lRecords;
        int lLine = 0;
        EXPECT_FALSE(KRyvAsciiCodec::Decode(lText, std::strlen(lText), lRecords, lLine)) << lText;
        EXPECT_GE(lLine, 2) << lText;
    }
}

TEST(KRyvFileTest, WrongPasswordAndTamperedSealedBodyAreWrongPassword)
{
    const std::vector<std::uint8_t> lBytes = MakeFile(6000, false, kPassword);
    KRyvFile lFile;
    EXPECT_EQ(ReadBytes(lBytes, lFile, "wrong"), KRyvFile::kWrongPassword);
    EXPECT_EQ(ReadBytes(lBytes, lFile, nullptr), KRyvFile::kWrongPassword);
    // A changed sealed body under a mended CRC fails as tampered.
    std::vector<std::uint8_t> lChanged = lBytes;
    lChanged[lChanged.size() - 20] ^= 1;
    const std::size_t lCrcAt = lChanged.size() - KRyvContainer::kFooterSize;
    const std::uint32_t lCrc =
        static_cast<std::uint32_t>(crc32(0, lChanged.data(), static_cast<uInt>(lCrcAt)));
    std::memcpy(lChanged.data() + lCrcAt, &lCrc, 4);
    EXPECT_EQ(ReadBytes(lChanged, lFile, kPassword), KRyvFile::kWrongPassword);
}

TEST(KRyvFileTest, TypedReadsOfTheWrongKindFailWithDefaults)
{
    KRyvFile lFile;
    ASSERT_EQ(ReadBytes(MakeFile(6000, false, nullptr), lFile), -1);
    EXPECT_EQ(lFile.FieldReadI("Missing", 42), 42);
    EXPECT_FALSE(lFile.FieldReadFailed());
    ASSERT_TRUE(lFile.FieldReadBegin("Numbers"));
    EXPECT_EQ(lFile.FieldReadPeekKind(), KRyvFieldValue::kBool);
    EXPECT_EQ(lFile.FieldReadI(), 0);
    EXPECT_TRUE(lFile.FieldReadFailed());
    lFile.FieldReadEnd();
    lFile.FieldReadEnd();
    EXPECT_STREQ(lFile.FieldReadName(), "");
}

TEST(KRyvFileTest, FilesOnDiskRoundTripAndMissingFilesAreNotOpened)
{
    const TempFolder lTemp;
    const std::string lName = lTemp.PathOf("ryvfile_test.ryv");
    KRyvFile lFile;
    lFile.Create(6000, false, nullptr);
    WriteSample(lFile);
    ASSERT_TRUE(lFile.SaveFile(lName.c_str()));
    KRyvFile lRead;
    ASSERT_TRUE(lRead.OpenFile(lName.c_str()));
    ASSERT_TRUE(lRead.ReadBody(nullptr));
    EXPECT_FALSE(lRead.OpenFile((lName + ".none").c_str()));
    EXPECT_EQ(lRead.GetError().GetLastErrorID(), KRyvFile::kFileNotOpened);
    EXPECT_FALSE(lFile.SaveFile("/nonexistent-folder/x.ryv"));
    EXPECT_EQ(lFile.GetError().GetLastErrorID(), KRyvFile::kFileNotCreated);
}

// The version is judged as soon as its four bytes are there, before the header is whole.
TEST(KRyvFileTest, ACutHeaderOfAFutureVersionIsThatVersionsError)
{
    std::vector<std::uint8_t> lBytes = MakeFile(6000, false, nullptr);
    const std::uint32_t lFuture = 7000;
    std::memcpy(lBytes.data() + 8, &lFuture, sizeof(lFuture));
    for (std::size_t lLength = 12; lLength < 24; ++lLength) {
        KRyvFile lFile;
        EXPECT_EQ(ReadBytes(std::vector<std::uint8_t>(lBytes.begin(),
                                                      lBytes.begin() + static_cast<long>(lLength)),
                            lFile),
                  KRyvFile::kVersionNotSupportedYet)
            << lLength;
    }
}

TEST(KRyvFileTest, AFailedSaveLeavesTheTargetAsItWas)
{
    const TempFolder lTemp;
    const std::string lName = lTemp.Write("keep.ryv", "old bytes");
    KRyvFile lFile;
    lFile.Create(6000, false, nullptr);
    // A record name the binary form cannot hold makes the save fail after the target opened.
    lFile.FieldWriteBegin("");
    lFile.FieldWriteEnd();
    EXPECT_FALSE(lFile.SaveFile(lName.c_str()));
    EXPECT_EQ(TempFolder::Read(lName), "old bytes");
}

} // namespace
