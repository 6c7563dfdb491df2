#include "ryvfile/KRyvRecordCursor.h"

#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFieldRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

// Every value kind, children named alike and apart, nesting, empty values and arrays, and the
// text bytes that ASCII escapes.
KRyvFieldRecord SampleTree()
{
    KRyvFieldRecord lRoot;
    KRyvFieldRecord* lFirst = lRoot.AddChild("First");
    lFirst->AddValue(true);
    lFirst->AddValue(std::int32_t(-7));
    lFirst->AddValue(std::int64_t(1) << 40);
    lFirst->AddValue(0.1f);
    lFirst->AddValue(-std::numeric_limits<double>::infinity());
    lFirst->AddValue(std::string("q\"\\\n\x01\x7f \xc3\xa9"));
    lFirst->AddValue(std::vector<std::uint8_t>{0, 255, 34});
    lFirst->AddValue(std::vector<std::int32_t>{1, -2, 3});
    lFirst->AddValue(std::vector<std::int64_t>{});
    lFirst->AddValue(std::vector<float>{1.5f, -0.0f});
    lFirst->AddValue(std::vector<double>{0.30000000000000004, 1e300});
    for (const char* lName : {"K", "Other", "K", "Deep"}) {
        lFirst->AddChild(lName)->AddValue(std::int32_t(std::strlen(lName)));
    }
    lFirst->FindChild("Deep")->AddChild("Deeper")->AddChild("Deepest");
    lRoot.AddChild("Second");
    return lRoot;
}

std::vector<std::uint8_t> Encoded(const KRyvFieldRecord& pRoot)
{
    std::vector<std::uint8_t> lBytes;
    EXPECT_TRUE(KRyvBinaryCodec::Encode(pRoot, lBytes));
    return lBytes;
}

// The offsets at which a top-level record ends: the only places a body may be cut and stay whole.
std::set<std::size_t> RecordEnds(const std::vector<std::uint8_t>& pBody)
{
    std::set<std::size_t> lEnds = {0};
    for (std::size_t lAt = 0; lAt < pBody.size();) {
        lAt += 4 + KRyvByteOrder::GetLE<std::uint32_t>(pBody.data() + lAt);
        lEnds.insert(lAt);
    }
    return lEnds;
}

TEST(KRyvRecordCursor, ReadsTheDocumentedExampleInPlace)
{
    const std::vector<std::uint8_t> lBytes = {0x10, 0, 0, 0, 2, 'A', 'b', 1, 0, 0,
                                              0,    2, 2, 1, 0, 0,   0,   0, 0, 0};
    ASSERT_TRUE(KRyvRecordCursor::IsWellFormed(lBytes.data(), lBytes.size()));
    const KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lRecord;
    ASSERT_TRUE(lBody.Enter(lBody.FindChild("Ab"), lRecord));
    EXPECT_EQ(lRecord.GetName(), "Ab");
    EXPECT_EQ(lRecord.PeekKind(), KRyvFieldValue::kInt32);
    std::int32_t lValue = 0;
    ASSERT_TRUE(lRecord.TakeScalar(lValue));
    EXPECT_EQ(lValue, 258);
    EXPECT_EQ(lRecord.GetValuesLeft(), 0u);
    EXPECT_EQ(lRecord.NextChild(), nullptr);
}

TEST(KRyvRecordCursor, AChildOfAnotherRecordIsNotEntered)
{
    const std::vector<std::uint8_t> lBytes = Encoded(SampleTree());
    const KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lFirst;
    KRyvRecordCursor lK;
    ASSERT_TRUE(lBody.Enter(lBody.FindChild("First"), lFirst));
    ASSERT_TRUE(lFirst.Enter(lFirst.FindChild("K"), lK));
    // Records that lie after K's bytes, near and far: none of them is K's child.
    const std::uint8_t* const kOutside[] = {lFirst.FindChild("Deep"), lBody.FindChild("Second"),
                                            lBytes.data() + lBytes.size()};
    for (const std::uint8_t* lOutside : kOutside) {
        KRyvRecordCursor lEntered;
        EXPECT_FALSE(lK.Enter(lOutside, lEntered)) << lOutside - lBytes.data();
    }
}

TEST(KRyvRecordCursor, EveryCutIsRefusedUnlessItFallsBetweenRecords)
{
    const std::vector<std::uint8_t> lBody = Encoded(SampleTree());
    const std::set<std::size_t> lEnds = RecordEnds(lBody);
    ASSERT_EQ(lEnds.size(), 3u);
    for (std::size_t lSize = 0; lSize <= lBody.size(); ++lSize) {
        // A copy of exactly the kept bytes, so that a read past them is caught by the sanitizer.
        const std::vector<std::uint8_t> lCut(lBody.begin(), lBody.begin() + lSize);
        EXPECT_EQ(KRyvRecordCursor::IsWellFormed(lCut.data(), lCut.size()), lEnds.count(lSize) == 1)
            << lSize;
    }
}

TEST(KRyvRecordCursor, RefusesEachKindOfDamage)
{
    const std::vector<std::vector<std::uint8_t>> kBodies = {
        {10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},         // empty name
        {10, 0, 0, 0, 1, '-', 0, 0, 0, 0, 0, 0, 0, 0},       // bad name
        {11, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 12, 0, 0, 0, 0},   // unknown kind
        {12, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 1, 2, 0, 0, 0, 0}, // bool 2
        {10, 0, 0, 0, 1, 'A', 0, 0, 0, 0, 1, 0, 0, 0},       // one child too many
        {11, 0, 0, 0, 1, 'A', 0, 0, 0, 0, 0, 0, 0, 0, 9},    // a byte left over
        {15, 0, 0, 0, 1, 'A', 1, 0, 0, 0, 8, 0xff, 0xff, 0xff, 0x3f, 0, 0, 0, 0}, // array count
        {10, 0, 0, 0, 1, 'A', 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0},                // value count
        {0xff, 0xff, 0xff, 0xff, 1, 'A'},                                         // record size
    };
    for (std::size_t i = 0; i < kBodies.size(); ++i) {
        EXPECT_FALSE(KRyvRecordCursor::IsWellFormed(kBodies[i].data(), kBodies[i].size())) << i;
    }
    EXPECT_TRUE(KRyvRecordCursor::IsWellFormed(nullptr, 0));
    EXPECT_FALSE(KRyvRecordCursor::IsWellFormed(nullptr, 1));
}

TEST(KRyvRecordCursor, NestingIsCappedAtTheRecordDepth)
{
    for (const int lDepth : {KRyvFieldRecord::kMaxDepth, KRyvFieldRecord::kMaxDepth + 1}) {
        // Built from the inside out: each level wraps the one below it.
        std::vector<std::uint8_t> lRecord;
        for (int i = 0; i < lDepth; ++i) {
            const std::uint32_t lChildren = i == 0 ? 0 : 1;
            std::vector<std::uint8_t> lOuter;
            KRyvByteOrder::PutLE<std::uint32_t>(lOuter,
                                                static_cast<std::uint32_t>(10 + lRecord.size()));
            lOuter.insert(lOuter.end(), {1, 'N', 0, 0, 0, 0});
            KRyvByteOrder::PutLE<std::uint32_t>(lOuter, lChildren);
            lOuter.insert(lOuter.end(), lRecord.begin(), lRecord.end());
            lRecord.swap(lOuter);
        }
        EXPECT_EQ(KRyvRecordCursor::IsWellFormed(lRecord.data(), lRecord.size()),
                  lDepth <= KRyvFieldRecord::kMaxDepth)
            << lDepth;
    }
}

TEST(KRyvRecordCursor, ValuesOfAnotherKindAreNotTakenAndNothingMoves)
{
    const std::vector<std::uint8_t> lBytes = Encoded(SampleTree());
    const KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lFirst;
    ASSERT_TRUE(lBody.Enter(lBody.NextChild(), lFirst));
    std::int32_t lInt = 0;
    EXPECT_FALSE(lFirst.TakeScalar(lInt));
    bool lBool = false;
    ASSERT_TRUE(lFirst.TakeScalar(lBool));
    EXPECT_TRUE(lBool);
    ASSERT_TRUE(lFirst.TakeScalar(lInt));
    EXPECT_EQ(lInt, -7);
    std::int64_t lLong = 0;
    float lFloat = 0.0f;
    double lDouble = 0.0;
    ASSERT_TRUE(lFirst.TakeScalar(lLong) && lFirst.TakeScalar(lFloat) &&
                lFirst.TakeScalar(lDouble));
    EXPECT_EQ(lLong, std::int64_t(1) << 40);
    EXPECT_EQ(lFloat, 0.1f);
    EXPECT_EQ(lDouble, -std::numeric_limits<double>::infinity());
    std::string_view lText;
    EXPECT_FALSE(lFirst.TakeCounted(KRyvFieldValue::kBytes, lText));
    ASSERT_TRUE(lFirst.TakeCounted(KRyvFieldValue::kText, lText));
    EXPECT_EQ(lText, "q\"\\\n\x01\x7f \xc3\xa9");
    ASSERT_TRUE(lFirst.TakeCounted(KRyvFieldValue::kBytes, lText));
    EXPECT_EQ(lText, std::string_view("\0\xff\"", 3));
    const std::uint8_t* lElements = nullptr;
    std::uint32_t lCount = 0;
    EXPECT_FALSE(lFirst.TakeArray(KRyvFieldValue::kDoubleArray, lElements, lCount));
    ASSERT_TRUE(lFirst.TakeArray(KRyvFieldValue::kInt32Array, lElements, lCount));
    ASSERT_EQ(lCount, 3u);
    EXPECT_EQ(KRyvByteOrder::GetLE<std::int32_t>(lElements + 4), -2);
    EXPECT_EQ(lFirst.GetValuesLeft(), 3u);
}

TEST(KRyvRecordCursor, ChildrenAreFoundForwardAndCountedWhole)
{
    const std::vector<std::uint8_t> lBytes = Encoded(SampleTree());
    KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lFirst;
    ASSERT_TRUE(lBody.Enter(lBody.FindChild("First"), lFirst));
    // The children are there before any value is read, and reading values does not move them.
    EXPECT_EQ(lFirst.CountChildren("K"), 2);
    const std::uint8_t* lK = lFirst.FindChild("K");
    ASSERT_NE(lK, nullptr);
    lFirst.StepPast(lK);
    const std::uint8_t* lSecondK = lFirst.FindChild("K");
    ASSERT_NE(lSecondK, nullptr);
    EXPECT_GT(lSecondK, lK);
    lFirst.StepPast(lSecondK);
    EXPECT_EQ(lFirst.FindChild("K"), nullptr);
    // Behind the search point, but still counted.
    EXPECT_EQ(lFirst.FindChild("Other"), nullptr);
    EXPECT_EQ(lFirst.CountChildren("Other"), 1);
    // Stepping back past an earlier child is ignored.
    lFirst.StepPast(lK);
    EXPECT_EQ(lFirst.FindChild("K"), nullptr);
    KRyvRecordCursor lDeep;
    ASSERT_TRUE(lFirst.Enter(lFirst.FindChild("Deep"), lDeep));
    std::int32_t lLength = 0;
    ASSERT_TRUE(lDeep.TakeScalar(lLength));
    EXPECT_EQ(lLength, 4);
    EXPECT_NE(lDeep.FindChild("Deeper"), nullptr);
    KRyvRecordCursor lUnused;
    EXPECT_FALSE(lFirst.Enter(nullptr, lUnused));
}

// Entering a child by name moves the search past it, as FindChild, Enter and StepPast do one
// after the other; a miss moves nothing.
TEST(KRyvRecordCursor, EnterChildFindsEntersAndStepsPastInOne)
{
    const std::vector<std::uint8_t> lBytes = Encoded(SampleTree());
    KRyvRecordCursor lBody = KRyvRecordCursor::Body(lBytes.data(), lBytes.size());
    KRyvRecordCursor lFirst;
    ASSERT_TRUE(lBody.EnterChild("First", lFirst));
    EXPECT_EQ(lFirst.GetName(), "First");
    EXPECT_EQ(lBody.NextChild(), lBody.FindChild("Second"));
    KRyvRecordCursor lChild;
    // Past the first K, over Other, to the second K; then no third.
    ASSERT_TRUE(lFirst.EnterChild("K", lChild));
    ASSERT_TRUE(lFirst.EnterChild("K", lChild));
    std::int32_t lLength = 0;
    ASSERT_TRUE(lChild.TakeScalar(lLength));
    EXPECT_EQ(lLength, 1);
    EXPECT_EQ(lFirst.NextChild(), lFirst.FindChild("Deep"));
    EXPECT_FALSE(lFirst.EnterChild("K", lChild));
    EXPECT_FALSE(lFirst.EnterChild("Other", lChild));
    EXPECT_FALSE(lFirst.EnterChild("", lChild));
    EXPECT_EQ(lFirst.NextChild(), lFirst.FindChild("Deep"));
    ASSERT_TRUE(lFirst.EnterChild("Deep", lChild));
    EXPECT_EQ(lFirst.NextChild(), nullptr);
    EXPECT_TRUE(lChild.EnterChild("Deeper", lChild));
    EXPECT_EQ(lChild.GetName(), "Deeper");
    // A cursor over no body has no children.
    KRyvRecordCursor lNone = KRyvRecordCursor::Body(nullptr, 0);
    EXPECT_FALSE(lNone.EnterChild("First", lChild));
}

TEST(KRyvAsciiDecode, GivesTheBytesTheBinaryEncoderGives)
{
    const KRyvFieldRecord lTree = SampleTree();
    std::string lText;
    ASSERT_TRUE(KRyvAsciiCodec::Encode(lTree, lText));
    KRyvBytes lRecords;
    int lLine = 0;
    ASSERT_TRUE(KRyvAsciiCodec::Decode(lText.data(), lText.size(), lRecords, lLine)) << lLine;
    const std::vector<std::uint8_t> lExpected = Encoded(lTree);
    EXPECT_EQ(std::vector<std::uint8_t>(lRecords.begin(), lRecords.end()), lExpected);
    EXPECT_EQ(lRecords.capacity(), lRecords.size());
}

TEST(KRyvAsciiDecode, RefusesWhatTheBinaryFormCannotHold)
{
    const char* const kTexts[] = {
        "A: i[4294967296]{}\n", // a count past 32 bits
        "A: i[2]{1 2}\n",       // elements without their comma
        "A: i[2]{1}\n",         // fewer elements than stated
        "A: i[1]{1,2}\n",       // more
        "B: i[1]{1,2,3,4,5}\n", // more than the records sized from the count have room for
        "A: f[1]{1.5x}\n",      // an element that is no number
        "A: 2147483648\n",      // an int32 out of range
        "Bad-Name: 1\n",        // a name the binary form refuses
        "A: 1\n}\n",            // a brace closing nothing
    };
    for (const char* lText : kTexts) {
        KRyvBytes lRecords;
        int lLine = 0;
        EXPECT_FALSE(KRyvAsciiCodec::Decode(lText, std::strlen(lText), lRecords, lLine)) << lText;
        EXPECT_TRUE(lRecords.empty()) << lText;
    }
}

TEST(KRyvAsciiDecode, AStatedCountSizesNoMoreThanItsTextCouldHold)
{
    // Counts that no text of this size could hold: together they would ask for far more memory
    // than an address space has, so they must be refused before anything is sized by them.
    std::string lText = "A: d[4294967295]{1}";
    for (int i = 0; i < 4096; ++i) {
        lText += ", d[4294967295]{1}";
    }
    lText += "\n";
    KRyvBytes lRecords;
    int lLine = 0;
    EXPECT_FALSE(KRyvAsciiCodec::Decode(lText.data(), lText.size(), lRecords, lLine));
    EXPECT_EQ(lLine, 1);
}

} // namespace
