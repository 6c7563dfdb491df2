#include "ryvfile/KRyvBodyHoles.h"
#include "ryvfile/KRyvContainer.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <zlib.h>

namespace {

// Just over the hole size in each element kind, so that every kind of array is left out.
constexpr std::size_t kBigDoubles = KRyvBodyHoles::kMinHole / sizeof(double) + 3;
constexpr std::size_t kBigInts = KRyvBodyHoles::kMinHole / sizeof(std::int32_t) + 5;
constexpr std::size_t kBigFloats = KRyvBodyHoles::kMinHole / sizeof(float) + 1;

template <typename T> std::vector<T> Sequence(std::size_t pCount, int pSeed)
{
    std::vector<T> lValues(pCount);
    for (std::size_t i = 0; i < pCount; ++i) {
        lValues[i] = static_cast<T>((static_cast<long long>(i) * 7919 + pSeed) % 100003) / T(4);
    }
    return lValues;
}

// Big arrays among small values and records, one nested, and a big array as the body's very last
// value (inside the tail the CRC is checked from).
std::vector<std::uint8_t> MakeFile()
{
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Grid");
    lFile.FieldWriteI(3);
    lFile.FieldWriteArray(Sequence<double>(kBigDoubles, 1));
    lFile.FieldWriteArray(std::vector<std::int32_t>{1, 2, 3});
    lFile.FieldWriteBegin("Inner");
    lFile.FieldWriteArray(Sequence<std::int32_t>(kBigInts, 2));
    lFile.FieldWriteC("after");
    lFile.FieldWriteEnd();
    lFile.FieldWriteEnd();
    lFile.FieldWriteI("Between", 9);
    lFile.FieldWriteBegin("Tail");
    lFile.FieldWriteArray(Sequence<float>(kBigFloats, 3));
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

// A stream over bytes whose end can be cut after it was opened, as a file truncated between the
// opening and the read.
class CutStream : public KRyvStream
{
public:
    explicit CutStream(std::vector<std::uint8_t> pBytes) : mBytes(std::move(pBytes)) {}
    void Cut(std::size_t pSize) { mBytes.resize(std::min(pSize, mBytes.size())); }

    std::size_t Read(void* oBuffer, std::size_t pSize) override
    {
        const std::size_t lCount = ReadAt(mAt, oBuffer, pSize);
        mAt += lCount;
        return lCount;
    }
    std::size_t ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize) override
    {
        const std::size_t lCount =
            pAt < mBytes.size() ? std::min<std::size_t>(pSize, mBytes.size() - pAt) : 0;
        std::memcpy(oBuffer, mBytes.data() + pAt, lCount);
        return lCount;
    }
    bool Write(const void*, std::size_t) override { return false; }
    bool Flush() override { return true; }
    std::size_t GetSizeHint() override { return mBytes.size() - mAt; }

private:
    std::vector<std::uint8_t> mBytes;
    std::size_t mAt = 0;
};

// Every record and value of the body in one text (arrays as their sums), or "refused".
std::string Dump(KRyvFile& ioFile, int pDepth = 0)
{
    std::string lText;
    while (ioFile.FieldReadBeginNext()) {
        lText += std::string(ioFile.FieldReadName()) + "{";
        while (ioFile.FieldReadValuesLeft() > 0 && !ioFile.FieldReadFailed()) {
            std::vector<double> lDoubles;
            std::vector<std::int32_t> lInts;
            std::vector<float> lFloats;
            switch (ioFile.FieldReadPeekKind()) {
            case KRyvFieldValue::kInt32:
                lText += std::to_string(ioFile.FieldReadI()) + ",";
                break;
            case KRyvFieldValue::kText:
                lText += std::string(ioFile.FieldReadC().Buffer()) + ",";
                break;
            case KRyvFieldValue::kDoubleArray:
                ioFile.FieldReadArray(lDoubles);
                lText += std::to_string(lDoubles.size()) + ":" +
                         std::to_string(std::accumulate(lDoubles.begin(), lDoubles.end(), 0.0)) +
                         ",";
                break;
            case KRyvFieldValue::kInt32Array:
                ioFile.FieldReadArray(lInts);
                lText += std::to_string(lInts.size()) + ":" +
                         std::to_string(std::accumulate(lInts.begin(), lInts.end(), 0LL)) + ",";
                break;
            case KRyvFieldValue::kFloatArray:
                ioFile.FieldReadArray(lFloats);
                lText += std::to_string(lFloats.size()) + ":" +
                         std::to_string(std::accumulate(lFloats.begin(), lFloats.end(), 0.0)) + ",";
                break;
            default:
                ioFile.MarkFieldReadFailed();
                break;
            }
        }
        lText += pDepth < 4 ? Dump(ioFile, pDepth + 1) : "";
        lText += "}";
        ioFile.FieldReadEnd();
    }
    return ioFile.FieldReadFailed() ? "refused" : lText;
}

// The body read with every byte in memory and with the holes, as the dump of each.
std::pair<std::string, std::string> ReadBothWays(const std::vector<std::uint8_t>& pBytes)
{
    std::string lDumps[2];
    for (const bool lHoled : {false, true}) {
        CutStream lStream(pBytes);
        KRyvFile lFile;
        lDumps[lHoled] =
            lFile.Open(lStream, lHoled) && lFile.ReadBody(nullptr) ? Dump(lFile) : "refused";
    }
    return {lDumps[0], lDumps[1]};
}

void MendCrc(std::vector<std::uint8_t>& ioBytes)
{
    const std::size_t lCrcAt = ioBytes.size() - KRyvContainer::kFooterSize;
    const auto lCrc = static_cast<std::uint32_t>(crc32(0, ioBytes.data(), uInt(lCrcAt)));
    std::memcpy(&ioBytes[lCrcAt], &lCrc, sizeof(lCrc));
}

// The bytes of [0, pSize) of pBytes inside holes of a walk fed pStep bytes at a time.
std::size_t HoleBytes(const std::vector<std::uint8_t>& pBytes, std::size_t pStep, bool& oComplete)
{
    KRyvBodyHoles lHoles;
    const std::size_t lBody =
        pBytes.size() - KRyvContainer::kFixedHeaderSize - KRyvContainer::kFooterSize;
    lHoles.Start(KRyvContainer::kFixedHeaderSize, lBody, KRyvContainer::kMaxCrcTail);
    for (std::size_t lFilled = 0; lFilled < pBytes.size();) {
        lFilled = std::min(pBytes.size(), lFilled + pStep);
        lHoles.Walk(pBytes.data(), lFilled);
    }
    oComplete = lHoles.IsComplete();
    std::size_t lInside = 0;
    for (std::size_t lAt = 0; lAt < pBytes.size();) {
        bool lIn = false;
        const std::size_t lRun = lHoles.Run(lAt, pBytes.size() - lAt, lIn);
        lInside += lIn ? lRun : 0;
        lAt += lRun;
    }
    return lInside;
}

TEST(KRyvBodyHolesTest, TheWalkFindsTheLargeArraysHoweverTheBytesArrive)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    // The tail's array ends within the bytes the CRC check reads from the buffer: never a hole.
    const std::size_t lExpected = kBigDoubles * sizeof(double) + kBigInts * sizeof(std::int32_t);
    for (const std::size_t lStep :
         {std::size_t(1), std::size_t(7), std::size_t(4096), std::size_t(1) << 18, lBytes.size()}) {
        bool lComplete = false;
        EXPECT_EQ(HoleBytes(lBytes, lStep, lComplete), lExpected) << lStep;
        EXPECT_TRUE(lComplete) << lStep;
    }
}

TEST(KRyvBodyHolesTest, AWalkThatMeetsBadSizesStopsIncomplete)
{
    const std::vector<std::uint8_t> lGood = MakeFile();
    const std::size_t lFirstRecord = KRyvContainer::kFixedHeaderSize;
    // The first record's size past the body, a value of an unknown kind, an array count past its
    // record, and a body one byte short.
    struct Case
    {
        std::size_t mAt;
        std::uint8_t mByte;
    };
    std::size_t lHeaderExtension = 0;
    std::memcpy(&lHeaderExtension, &lGood[lFirstRecord], 4);
    const std::size_t lGrid = lFirstRecord + 4 + lHeaderExtension;
    const std::size_t lGridValues = lGrid + 4 + 1 + 4 + 4;
    for (const Case& lCase : {Case{lFirstRecord + 3, 0x7f}, Case{lGridValues + 5, 77},
                              Case{lGridValues + 5 + 1 + 3, 0x40}}) {
        std::vector<std::uint8_t> lBytes = lGood;
        lBytes[lCase.mAt] = lCase.mByte;
        bool lComplete = true;
        HoleBytes(lBytes, 4096, lComplete);
        EXPECT_FALSE(lComplete) << lCase.mAt;
    }
    bool lComplete = true;
    HoleBytes(std::vector<std::uint8_t>(lGood.begin(), lGood.end() - 1), 4096, lComplete);
    EXPECT_FALSE(lComplete);
}

TEST(KRyvBodyHolesTest, AHoledReadGivesWhatAWholeReadGives)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    const auto lDumps = ReadBothWays(lBytes);
    EXPECT_NE(lDumps.first, "refused");
    EXPECT_EQ(lDumps.first, lDumps.second);
}

TEST(KRyvBodyHolesTest, ChangedHeadersAreReadAlikeWithAndWithoutHoles)
{
    const std::vector<std::uint8_t> lGood = MakeFile();
    // Every byte of the records up to the first array's elements and around the second, changed,
    // with the CRC mended so that the records themselves are judged.
    std::vector<std::size_t> lPlaces;
    for (std::size_t lAt = KRyvContainer::kFixedHeaderSize; lAt < 200; ++lAt) {
        lPlaces.push_back(lAt);
    }
    const std::size_t lSecond = 200 + kBigDoubles * sizeof(double);
    for (std::size_t lAt = lSecond - 120; lAt < lSecond + 80; ++lAt) {
        lPlaces.push_back(lAt);
    }
    for (const std::size_t lAt : lPlaces) {
        for (const std::uint8_t lMask :
             {std::uint8_t(0x01), std::uint8_t(0x41), std::uint8_t(0xf0)}) {
            std::vector<std::uint8_t> lBytes = lGood;
            lBytes[lAt] ^= lMask;
            MendCrc(lBytes);
            const auto lDumps = ReadBothWays(lBytes);
            ASSERT_EQ(lDumps.first, lDumps.second) << lAt << " " << int(lMask);
        }
    }
}

TEST(KRyvBodyHolesTest, AStreamCutAfterTheOpeningFailsTheArrayItLost)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    for (const bool lPieces : {false, true}) {
        CutStream lStream(lBytes);
        KRyvFile lFile;
        ASSERT_TRUE(lFile.Open(lStream, true) && lFile.ReadBody(nullptr));
        lStream.Cut(KRyvContainer::kFixedHeaderSize + 300);
        ASSERT_TRUE(lFile.FieldReadBegin("Grid"));
        EXPECT_EQ(lFile.FieldReadI(), 3);
        std::vector<double> lValues;
        const bool lRead = lPieces ? lFile.FieldReadArrayPieces<double>(
                                         1, [](const KRyvArrayView<double>&, std::size_t,
                                               std::size_t) { return true; })
                                   : lFile.FieldReadArray(lValues);
        EXPECT_FALSE(lRead);
        EXPECT_TRUE(lFile.FieldReadFailed());
    }
}

TEST(KRyvBodyHolesTest, PiecesComeInOrderInWholeGroups)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    const std::vector<double> lExpected = Sequence<double>(kBigDoubles, 1);
    constexpr std::size_t kGroup = 3;
    for (const bool lHoled : {false, true}) {
        CutStream lStream(lBytes);
        KRyvFile lFile;
        ASSERT_TRUE(lFile.Open(lStream, lHoled) && lFile.ReadBody(nullptr));
        ASSERT_TRUE(lFile.FieldReadBegin("Grid"));
        lFile.FieldReadI();
        std::vector<double> lValues;
        int lPieces = 0;
        ASSERT_TRUE(
            lFile.FieldReadArrayPieces<double>(kGroup, [&](const KRyvArrayView<double>& pPiece,
                                                           std::size_t pFirst, std::size_t pCount) {
                EXPECT_EQ(pFirst, lValues.size());
                EXPECT_EQ(pCount, kBigDoubles);
                EXPECT_TRUE(pPiece.mCount % kGroup == 0 || pFirst + pPiece.mCount == pCount);
                for (std::size_t i = 0; i < pPiece.mCount; ++i) {
                    lValues.push_back(pPiece[i]);
                }
                ++lPieces;
                return true;
            }));
        EXPECT_EQ(lValues, lExpected);
        // Left in the stream, the array comes a piece at a time; in memory, at once.
        EXPECT_EQ(lPieces > 1, lHoled);
        // The small array after it is read as ever.
        std::vector<std::int32_t> lSmall;
        EXPECT_TRUE(lFile.FieldReadArray(lSmall));
        EXPECT_EQ(lSmall, (std::vector<std::int32_t>{1, 2, 3}));
    }
}

TEST(KRyvBodyHolesTest, ARefusedPieceFailsTheRead)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    CutStream lStream(lBytes);
    KRyvFile lFile;
    ASSERT_TRUE(lFile.Open(lStream, true) && lFile.ReadBody(nullptr));
    ASSERT_TRUE(lFile.FieldReadBegin("Grid"));
    lFile.FieldReadI();
    int lCalls = 0;
    EXPECT_FALSE(lFile.FieldReadArrayPieces<double>(
        1, [&](const KRyvArrayView<double>&, std::size_t, std::size_t) { return ++lCalls < 2; }));
    EXPECT_EQ(lCalls, 2);
    EXPECT_TRUE(lFile.FieldReadFailed());
}

TEST(KRyvBodyHolesTest, AFileAttachedPastItsStartIsReadFromWhereItStood)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    const std::string lLead = "lead bytes before the file";
    TempFolder lTemp;
    const std::string lName =
        lTemp.Write("led.ryv", lLead + std::string(lBytes.begin(), lBytes.end()));
    std::FILE* lOpened = std::fopen(lName.c_str(), "rb");
    ASSERT_NE(lOpened, nullptr);
    ASSERT_EQ(std::fseek(lOpened, static_cast<long>(lLead.size()), SEEK_SET), 0);
    {
        KRyvStdioStream lStream;
        KRyvFile lFile;
        ASSERT_TRUE(lStream.Attach(lOpened, false));
        ASSERT_TRUE(lFile.Open(lStream, true) && lFile.ReadBody(nullptr));
        ASSERT_TRUE(lFile.FieldReadBegin("Grid"));
        lFile.FieldReadI();
        std::vector<double> lValues;
        EXPECT_TRUE(lFile.FieldReadArray(lValues));
        EXPECT_EQ(lValues, Sequence<double>(kBigDoubles, 1));
    }
    std::fclose(lOpened);
}

TEST(KRyvBodyHolesTest, AStreamReadIntoBeforeTheOpeningGivesTheArraysOfTheFile)
{
    const std::vector<std::uint8_t> lBytes = MakeFile();
    const std::string lLead = "lead bytes before the file";
    std::vector<std::uint8_t> lLed(lLead.begin(), lLead.end());
    lLed.insert(lLed.end(), lBytes.begin(), lBytes.end());
    TempFolder lTemp;
    const std::string lName = lTemp.Write("led.ryv", std::string(lLed.begin(), lLed.end()));
    std::FILE* lOpened = std::fopen(lName.c_str(), "rb");
    ASSERT_NE(lOpened, nullptr);
    KRyvStdioStream lStdio;
    ASSERT_TRUE(lStdio.Attach(lOpened, false));
    KRyvMemoryStream lMemory(lLed);
    // The lead is read through the stream itself, so the file starts where it then stands.
    for (KRyvStream* lStream :
         {static_cast<KRyvStream*>(&lStdio), static_cast<KRyvStream*>(&lMemory)}) {
        std::vector<char> lSkipped(lLead.size());
        ASSERT_EQ(lStream->Read(lSkipped.data(), lSkipped.size()), lLead.size());
        KRyvFile lFile;
        ASSERT_TRUE(lFile.Open(*lStream, true) && lFile.ReadBody(nullptr));
        ASSERT_TRUE(lFile.FieldReadBegin("Grid"));
        lFile.FieldReadI();
        std::vector<double> lValues;
        EXPECT_TRUE(lFile.FieldReadArray(lValues));
        EXPECT_EQ(lValues, Sequence<double>(kBigDoubles, 1));
        ASSERT_TRUE(lFile.FieldReadBegin("Inner"));
        std::vector<std::int32_t> lInts;
        EXPECT_TRUE(lFile.FieldReadArrayPieces<std::int32_t>(
            1, [&](const KRyvArrayView<std::int32_t>& pPiece, std::size_t, std::size_t) {
                for (std::size_t i = 0; i < pPiece.mCount; ++i) {
                    lInts.push_back(pPiece[i]);
                }
                return true;
            }));
        EXPECT_EQ(lInts, Sequence<std::int32_t>(kBigInts, 2));
    }
    lStdio.Close();
    std::fclose(lOpened);
}

} // namespace
