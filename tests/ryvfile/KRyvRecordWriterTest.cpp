#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvAsciiRecordWriter.h"
#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvBinaryRecordWriter.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvFrameWriter.h"
#include "ryvfile/KRyvRecordCursor.h"
#include "ryvfile/KRyvRecordSizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Script = std::function<void(KRyvRecordWriter&)>;

void Begin(KRyvRecordWriter& ioWriter, const std::string& pName)
{
    ioWriter.Begin(pName.data(), pName.size());
}

// Sizes the script, then writes it in binary form; pSecond (when given) is what the writing pass
// is fed instead, as when the scene changes between the passes. The error of the pass that
// failed, -1 when both went through.
int WriteBinary(const Script& pScript, std::vector<std::uint8_t>& oBytes,
                const Script& pSecond = Script())
{
    KRyvRecordSizer lSizer;
    pScript(lSizer);
    if (!lSizer.Finish()) {
        return lSizer.GetError();
    }
    const KRyvBinaryCodec::Output lOutput = [&oBytes](const std::uint8_t* pBytes,
                                                      std::size_t pSize) {
        oBytes.insert(oBytes.end(), pBytes, pBytes + pSize);
        return true;
    };
    KRyvBinaryRecordWriter lWriter(lSizer.GetRuns(), lOutput);
    (pSecond ? pSecond : pScript)(lWriter);
    lWriter.Finish();
    EXPECT_TRUE(lWriter.Failed() || oBytes.size() == lSizer.GetBodySize());
    return lWriter.GetError();
}

int WriteAscii(const Script& pScript, std::string& oText)
{
    const KRyvAsciiCodec::Output lOutput = [&oText](const std::uint8_t* pBytes, std::size_t pSize) {
        oText.append(reinterpret_cast<const char*>(pBytes), pSize);
        return true;
    };
    KRyvAsciiRecordWriter lWriter(lOutput);
    pScript(lWriter);
    lWriter.Finish();
    return lWriter.GetError();
}

TEST(KRyvRecordWriterTest, BinaryBytesOfARecordAreWorkedOutByHand)
{
    const Script lScript = [](KRyvRecordWriter& ioWriter) {
        Begin(ioWriter, "Ab");
        ioWriter.Put(std::int32_t(258));
        ioWriter.End();
    };
    KRyvRecordSizer lSizer;
    lScript(lSizer);
    ASSERT_TRUE(lSizer.Finish());
    ASSERT_EQ(lSizer.GetRuns().size(), 1u);
    EXPECT_EQ(lSizer.GetRuns()[0].mCounts.mContentSize, 16u);
    EXPECT_EQ(lSizer.GetRuns()[0].mCounts.mValueCount, 1u);
    EXPECT_EQ(lSizer.GetRuns()[0].mCounts.mChildCount, 0u);
    EXPECT_EQ(lSizer.GetRuns()[0].mLength, 1u);
    std::vector<std::uint8_t> lBytes;
    ASSERT_EQ(WriteBinary(lScript, lBytes), -1);
    const std::vector<std::uint8_t> lExpected = {0x10, 0, 0, 0, 2, 'A', 'b', 1, 0, 0,
                                                 0,    2, 2, 1, 0, 0,   0,   0, 0, 0};
    EXPECT_EQ(lBytes, lExpected);
}

TEST(KRyvRecordWriterTest, NestedRecordsWithTextAndArrayInBothForms)
{
    const Script lScript = [](KRyvRecordWriter& ioWriter) {
        Begin(ioWriter, "P");
        ioWriter.PutText("a\"\x01", 3);
        Begin(ioWriter, "Q");
        const float lValues[] = {0.5f, -2.0f};
        ioWriter.PutArray(lValues, 2);
        ioWriter.End();
        ioWriter.End();
    };
    std::vector<std::uint8_t> lBytes;
    ASSERT_EQ(WriteBinary(lScript, lBytes), -1);
    // P: content 45, name, 1 value (text of 3), 1 child; Q: content 23, name, 1 value (2
    // floats), no child.
    const std::vector<std::uint8_t> lExpected = {
        45, 0, 0,   0, 1, 'P', 1, 0,  0, 0, 6, 3, 0, 0, 0, 'a',  '"', 1, 1, 0,    0, 0, 23, 0, 0,
        0,  1, 'Q', 1, 0, 0,   0, 10, 2, 0, 0, 0, 0, 0, 0, 0x3f, 0,   0, 0, 0xc0, 0, 0, 0,  0};
    EXPECT_EQ(lBytes, lExpected);
    std::string lText;
    ASSERT_EQ(WriteAscii(lScript, lText), -1);
    EXPECT_EQ(lText, "P: \"a\\\"\\x01\" {\n\tQ: f[2]{0.5,-2}\n}\n");
}

// An array made in parts by PutArrayOf, longer than a block of the writer, reads back element
// for element; the text form breaks its lines after every 16 elements, indented to the record.
TEST(KRyvRecordWriterTest, ArraysMadeInPartsReadBackWhole)
{
    constexpr std::size_t kCount = 300000;
    const auto lElement = [](std::size_t i) { return static_cast<double>(i) * 0.25 - 7.0; };
    const Script lScript = [&](KRyvRecordWriter& ioWriter) {
        Begin(ioWriter, "Big");
        ioWriter.PutArrayOf<double>(kCount, lElement);
        ioWriter.Put(true);
        ioWriter.End();
    };
    std::vector<std::uint8_t> lBytes;
    ASSERT_EQ(WriteBinary(lScript, lBytes), -1);
    ASSERT_TRUE(KRyvRecordCursor::IsWellFormed(lBytes.data(), lBytes.size()));
    const KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lBig;
    ASSERT_TRUE(lBody.Enter(lBody.NextChild(), lBig));
    const std::uint8_t* lElements = nullptr;
    std::uint32_t lCount = 0;
    ASSERT_TRUE(lBig.TakeArray(KRyvFieldValue::kDoubleArray, lElements, lCount));
    ASSERT_EQ(lCount, kCount);
    for (std::size_t i = 0; i < kCount; i += 997) {
        ASSERT_EQ(KRyvByteOrder::GetLE<double>(lElements + i * sizeof(double)), lElement(i)) << i;
    }
    EXPECT_EQ(KRyvByteOrder::GetLE<double>(lElements + (kCount - 1) * sizeof(double)),
              lElement(kCount - 1));
    bool lFlag = false;
    EXPECT_TRUE(lBig.TakeScalar(lFlag) && lFlag);

    const Script lShort = [](KRyvRecordWriter& ioWriter) {
        Begin(ioWriter, "A");
        Begin(ioWriter, "B");
        ioWriter.PutArrayOf<std::int32_t>(18, [](std::size_t i) { return static_cast<int>(i); });
        ioWriter.End();
        ioWriter.End();
    };
    std::string lText;
    ASSERT_EQ(WriteAscii(lShort, lText), -1);
    EXPECT_EQ(lText, "A: {\n\tB: i[18]{0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,\n\t\t16,17}\n}\n");
}

// Records in a row without children and with the same counts share one entry; a parent, a
// record of other counts and the records after them start entries of their own. The writing
// pass gives the same bytes as records written one by one.
TEST(KRyvRecordWriterTest, AlikeRecordsInARowShareOneEntry)
{
    const auto lKeys = [](KRyvRecordWriter& w, int pCount, std::int64_t pFirst) {
        for (int i = 0; i < pCount; ++i) {
            Begin(w, "K");
            w.Put(pFirst + i);
            w.Put(0.5f);
            w.End();
        }
    };
    const Script lScript = [&](KRyvRecordWriter& w) {
        Begin(w, "Curve");
        lKeys(w, 1000, 7);
        Begin(w, "Other");
        w.Put(true);
        w.End();
        lKeys(w, 3, 9);
        w.End();
        Begin(w, "Curve");
        lKeys(w, 2, 0);
        w.End();
    };
    KRyvRecordSizer lSizer;
    lScript(lSizer);
    ASSERT_TRUE(lSizer.Finish());
    std::vector<std::uint32_t> lLengths;
    for (const KRyvRecordSizer::Run& lRun : lSizer.GetRuns()) {
        lLengths.push_back(lRun.mLength);
    }
    EXPECT_EQ(lLengths, (std::vector<std::uint32_t>{1, 1000, 1, 3, 1, 2}));
    std::vector<std::uint8_t> lBytes;
    ASSERT_EQ(WriteBinary(lScript, lBytes), -1);
    ASSERT_TRUE(KRyvRecordCursor::IsWellFormed(lBytes.data(), lBytes.size()));
    KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    EXPECT_EQ(lBody.CountChildren("Curve"), 2);
    KRyvRecordCursor lFirst;
    ASSERT_TRUE(lBody.Enter(lBody.NextChild(), lFirst));
    std::vector<std::int64_t> lFirstValues;
    int lChildren = 0;
    for (const std::uint8_t* lChild = lFirst.NextChild(); lChild; lChild = lFirst.NextChild()) {
        KRyvRecordCursor lKey;
        ASSERT_TRUE(lFirst.Enter(lChild, lKey));
        std::int64_t lValue = 0;
        if (lKey.TakeScalar(lValue)) {
            lFirstValues.push_back(lValue);
        }
        lFirst.StepPast(lChild);
        ++lChildren;
    }
    EXPECT_EQ(lChildren, 1004);
    ASSERT_EQ(lFirstValues.size(), 1003u);
    EXPECT_EQ(lFirstValues.back(), 11);
    lBody.StepPast(lBody.NextChild());
    KRyvRecordCursor lSecond;
    ASSERT_TRUE(lBody.Enter(lBody.NextChild(), lSecond));
    EXPECT_EQ(lSecond.CountChildren("K"), 2);
}

// Long texts and raw values go out in pieces of about the same size as the rest of the text, and
// the pieces make the text that reads back to the same values.
TEST(KRyvRecordWriterTest, LongValuesGoOutInPiecesToo)
{
    constexpr std::size_t kLargestPiece = 600000;
    std::vector<std::uint8_t> lRaw(1500000);
    std::string lText(700000, 'a');
    for (std::size_t i = 0; i < lRaw.size(); ++i) {
        lRaw[i] = static_cast<std::uint8_t>(i * 13);
    }
    for (std::size_t i = 0; i < lText.size(); i += 7) {
        lText[i] = i % 2 == 0 ? '"' : '\x01';
    }
    std::string lWhole;
    std::size_t lLargest = 0;
    const KRyvAsciiCodec::Output lOutput = [&](const std::uint8_t* pBytes, std::size_t pSize) {
        lWhole.append(reinterpret_cast<const char*>(pBytes), pSize);
        lLargest = std::max(lLargest, pSize);
        return true;
    };
    KRyvAsciiRecordWriter lWriter(lOutput);
    Begin(lWriter, "Media");
    lWriter.PutBytes(lRaw.data(), lRaw.size());
    lWriter.PutText(lText.data(), lText.size());
    lWriter.End();
    ASSERT_TRUE(lWriter.Finish());
    EXPECT_LE(lLargest, kLargestPiece);
    KRyvBytes lRecords;
    int lLine = 0;
    ASSERT_TRUE(KRyvAsciiCodec::Decode(lWhole.data(), lWhole.size(), lRecords, lLine)) << lLine;
    const KRyvRecordCursor lBody = KRyvRecordCursor::Body(lRecords.data(), lRecords.size());
    KRyvRecordCursor lMedia;
    ASSERT_TRUE(lBody.Enter(lBody.NextChild(), lMedia));
    ASSERT_EQ(lMedia.GetValuesLeft(), 2u);
    std::string_view lReadRaw;
    std::string_view lReadText;
    ASSERT_TRUE(lMedia.TakeCounted(KRyvFieldValue::kBytes, lReadRaw));
    ASSERT_TRUE(lMedia.TakeCounted(KRyvFieldValue::kText, lReadText));
    EXPECT_EQ(std::vector<std::uint8_t>(lReadRaw.begin(), lReadRaw.end()), lRaw);
    EXPECT_EQ(lReadText, lText);
}

// What neither form can hold is refused by the sizer, the binary writer and the text writer
// alike, as an unidentified error rather than a damaged file.
TEST(KRyvRecordWriterTest, RecordsNoFormCanHoldAreRefusedEverywhere)
{
    const std::string lTooLong(256, 'n');
    const struct
    {
        const char* mWhat;
        Script mScript;
    } kCases[] = {
        {"bad name",
         [](KRyvRecordWriter& w) {
             Begin(w, "a-b");
             w.End();
         }},
        {"empty name",
         [](KRyvRecordWriter& w) {
             Begin(w, "");
             w.End();
         }},
        {"long name",
         [&](KRyvRecordWriter& w) {
             Begin(w, lTooLong);
             w.End();
         }},
        {"value after child",
         [](KRyvRecordWriter& w) {
             Begin(w, "A");
             Begin(w, "B");
             w.End();
             w.Put(1.0);
             w.End();
         }},
        {"value at the top", [](KRyvRecordWriter& w) { w.Put(true); }},
        {"end without begin", [](KRyvRecordWriter& w) { w.End(); }},
        {"left open", [](KRyvRecordWriter& w) { Begin(w, "A"); }},
        {"too deep",
         [](KRyvRecordWriter& w) {
             for (int i = 0; i <= KRyvFieldRecord::kMaxDepth; ++i) {
                 Begin(w, "D");
             }
             for (int i = 0; i <= KRyvFieldRecord::kMaxDepth; ++i) {
                 w.End();
             }
         }},
    };
    for (const auto& lCase : kCases) {
        std::vector<std::uint8_t> lBytes;
        EXPECT_EQ(WriteBinary(lCase.mScript, lBytes), KRyvFile::kUnidentifiedError) << lCase.mWhat;
        std::string lText;
        EXPECT_EQ(WriteAscii(lCase.mScript, lText), KRyvFile::kUnidentifiedError) << lCase.mWhat;
    }
    std::vector<std::uint8_t> lBytes;
    const Script lDeepest = [](KRyvRecordWriter& w) {
        for (int i = 0; i < KRyvFieldRecord::kMaxDepth; ++i) {
            Begin(w, "D");
        }
        for (int i = 0; i < KRyvFieldRecord::kMaxDepth; ++i) {
            w.End();
        }
    };
    EXPECT_EQ(WriteBinary(lDeepest, lBytes), -1);
}

// The writing pass fed other records than the sizing pass took fails instead of writing sizes
// that do not fit what follows them.
TEST(KRyvRecordWriterTest, ASecondPassThatDiffersFromTheFirstFails)
{
    const auto lRecord = [](const char* pText, int pValues, int pChildren) {
        return [=](KRyvRecordWriter& w) {
            Begin(w, "R");
            for (int i = 0; i < pValues; ++i) {
                w.PutText(pText, std::strlen(pText));
            }
            for (int i = 0; i < pChildren; ++i) {
                Begin(w, "C");
                w.End();
            }
            w.End();
        };
    };
    const Script lFirst = lRecord("abc", 2, 1);
    const struct
    {
        const char* mWhat;
        Script mSecond;
    } kCases[] = {
        {"longer text", lRecord("abcd", 2, 1)},
        {"shorter text", lRecord("ab", 2, 1)},
        {"more values", lRecord("abc", 3, 1)},
        {"fewer values", lRecord("abc", 1, 1)},
        {"more children", lRecord("abc", 2, 2)},
        {"no child", lRecord("abc", 2, 0)},
        {"another record",
         [&](KRyvRecordWriter& w) {
             lFirst(w);
             lFirst(w);
         }},
        {"nothing", [](KRyvRecordWriter&) {}},
        {"array of other length",
         [](KRyvRecordWriter& w) {
             Begin(w, "R");
             const std::int32_t lValues[] = {1, 2, 3};
             if (w.BeginArray(KRyvFieldValue::kInt32Array, 2)) {
                 w.PutArrayPart(lValues, 3);
                 w.EndArray();
             }
             w.End();
         }},
    };
    std::vector<std::uint8_t> lSame;
    ASSERT_EQ(WriteBinary(lFirst, lSame), -1);
    for (const auto& lCase : kCases) {
        std::vector<std::uint8_t> lBytes;
        EXPECT_EQ(WriteBinary(lFirst, lBytes, lCase.mSecond), KRyvFile::kUnidentifiedError)
            << lCase.mWhat;
    }
}

// An output that stops taking bytes after any count ends every form with "out of disk space",
// and the frame refuses a body that is not the size its header announced.
TEST(KRyvRecordWriterTest, AFullOutputAndAWrongBodySizeAreFailures)
{
    const Script lScript = [](KRyvRecordWriter& w) {
        Begin(w, "Data");
        w.PutArrayOf<double>(200000, [](std::size_t i) { return static_cast<double>(i); });
        w.End();
    };
    KRyvRecordSizer lSizer;
    lScript(lSizer);
    ASSERT_TRUE(lSizer.Finish());
    for (const bool lProtected : {false, true}) {
        for (const std::size_t lRoom : {std::size_t(0), std::size_t(30), std::size_t(70000),
                                        std::size_t(1) << 20, std::size_t(1600000)}) {
            std::size_t lTaken = 0;
            const KRyvBinaryCodec::Output lOutput = [&](const std::uint8_t*, std::size_t pSize) {
                lTaken += pSize;
                return lTaken <= lRoom;
            };
            KRyvFrameWriter lFrame(lOutput);
            const KRyvBinaryCodec::Output lBody = [&lFrame](const std::uint8_t* pBytes,
                                                            std::size_t pSize) {
                return lFrame.Body(pBytes, pSize);
            };
            KRyvBinaryRecordWriter lWriter(lSizer.GetRuns(), lBody);
            const KRyvFileHeader lHeader{KRyvContainer::kVersion60, false, lProtected};
            if (lFrame.BeginBinary(lHeader, lSizer.GetBodySize(), "pw") < 0) {
                lScript(lWriter);
                lWriter.Finish();
            }
            EXPECT_EQ(KRyvContainer::WrittenCode(lFrame.Finish(), lWriter),
                      KRyvFile::kOutOfDiskSpace)
                << lRoom << (lProtected ? " sealed" : " plain");
        }
    }
    const KRyvBinaryCodec::Output lAccept = [](const std::uint8_t*, std::size_t) { return true; };
    const std::uint8_t lBytes[11] = {};
    for (const std::size_t lGiven : {9, 11}) {
        KRyvFrameWriter lFrame(lAccept);
        ASSERT_EQ(lFrame.BeginBinary({KRyvContainer::kVersion5x, false, false}, 10, nullptr), -1);
        lFrame.Body(lBytes, lGiven);
        EXPECT_EQ(lFrame.Finish(), KRyvFile::kUnidentifiedError) << lGiven;
    }
    KRyvFrameWriter lAscii(lAccept);
    EXPECT_EQ(lAscii.BeginAscii({KRyvContainer::kVersion60, true, true}),
              KRyvFile::kUnidentifiedError);
}

} // namespace
