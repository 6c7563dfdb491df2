#include "io/KRyvCurveIO.h"

#include "animation/KFCurve.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

struct CurveDeleter
{
    void operator()(KFCurve* pCurve) const { KFCurve::Destroy(pCurve); }
};
using CurvePtr = std::unique_ptr<KFCurve, CurveDeleter>;

constexpr std::int64_t kSecond = KTime::kTicksPerSecond;

// A curve record: default 0.5, red, no flags, constant extrapolation both ways; pKeys writes
// its key records.
std::vector<std::uint8_t> CurveFile(const std::function<void(KRyvFile&)>& pKeys)
{
    KRyvFile lFile;
    lFile.Create(6000, false, nullptr);
    lFile.FieldWriteBegin("Curve");
    lFile.FieldWriteD(0.5);
    lFile.FieldWriteArray(std::vector<float>{1.0f, 0.0f, 0.0f});
    for (const int lHeader : {0, 1, -1, 1, -1}) {
        lFile.FieldWriteI(lHeader);
    }
    pKeys(lFile);
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

template <typename T> void WriteArray(KRyvFile& ioFile, const char* pName, std::vector<T> pArray)
{
    ioFile.FieldWriteBegin(pName);
    ioFile.FieldWriteArray(std::move(pArray));
    ioFile.FieldWriteEnd();
}

// Reads the record into a curve that holds one key at 7 s beforehand.
bool ReadCurve(const std::vector<std::uint8_t>& pBytes, CurvePtr& oCurve)
{
    oCurve.reset(KFCurve::Create());
    oCurve->KeyAdd(KTime(7 * kSecond), 7.0f);
    KRyvFile lFile;
    KRyvMemoryStream lStream(pBytes);
    EXPECT_TRUE(lFile.Open(lStream) && lFile.ReadBody(nullptr));
    EXPECT_TRUE(lFile.FieldReadBegin("Curve"));
    return KRyvCurveIO::ReadCurve(lFile, *oCurve);
}

TEST(KRyvCurveRead, KeyArraysLeftOutGiveEachKeyItsDefaults)
{
    CurvePtr lCurve;
    ASSERT_TRUE(ReadCurve(CurveFile([](KRyvFile& ioFile) {
                              WriteArray<std::int64_t>(ioFile, "KeyTime", {0, 2 * kSecond});
                              WriteArray<float>(ioFile, "KeyValue", {1.0f, 2.5f});
                              WriteArray<std::int32_t>(ioFile, "KeyFlags",
                                                       {KFCurveKey::kInterpolationLinear,
                                                        KFCurveKey::kInterpolationConstant});
                          }),
                          lCurve));
    ASSERT_EQ(lCurve->GetKeyCount(), 2);
    EXPECT_EQ(lCurve->GetDefaultValue(), 0.5f);
    EXPECT_EQ(lCurve->GetColor()[0], 1.0f);
    EXPECT_EQ(lCurve->GetKey(1)->GetTime().Get(), 2 * kSecond);
    EXPECT_EQ(lCurve->GetKey(1)->GetValue(), 2.5f);
    EXPECT_EQ(lCurve->GetKey(0)->GetInterpolation(), KFCurveKey::kInterpolationLinear);
    EXPECT_EQ(lCurve->GetKey(1)->GetInterpolation(), KFCurveKey::kInterpolationConstant);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(lCurve->GetKey(0)->GetWeight(s), KFCurveKey::kDefaultWeight);
        EXPECT_EQ(lCurve->GetKey(0)->GetVelocity(s), 0.0f);
    }
    EXPECT_EQ(lCurve->GetKey(0)->GetDataFloat(KFCurveKey::kDataBias), 0.0f);
}

TEST(KRyvCurveRead, ArraysThatDoNotFitTheKeysLeaveTheCurveAsItWas)
{
    const std::function<void(KRyvFile&)> kDamages[] = {
        [](KRyvFile& ioFile) {
            WriteArray<std::int64_t>(ioFile, "KeyTime", {0, kSecond});
            WriteArray<float>(ioFile, "KeyValue", {1.0f});
        },
        [](KRyvFile& ioFile) {
            WriteArray<std::int64_t>(ioFile, "KeyTime", {0, kSecond});
            WriteArray<float>(ioFile, "KeyValue", {1.0f, 2.0f});
            WriteArray<std::int32_t>(ioFile, "KeyFlags", {});
        },
        [](KRyvFile& ioFile) {
            WriteArray<std::int64_t>(ioFile, "KeyTime", {0});
            WriteArray<float>(ioFile, "KeyValue", {1.0f});
            WriteArray<float>(ioFile, "KeyData", {0.0f, 0.0f});
        },
        [](KRyvFile& ioFile) {
            WriteArray<std::int64_t>(ioFile, "KeyTime", {0});
            WriteArray<double>(ioFile, "KeyValue", {1.0});
        },
        [](KRyvFile& ioFile) {
            ioFile.FieldWriteBegin("K");
            ioFile.FieldWriteL(0);
            ioFile.FieldWriteF(1.0f);
            ioFile.FieldWriteEnd();
        },
    };
    for (std::size_t i = 0; i < std::size(kDamages); ++i) {
        CurvePtr lCurve;
        EXPECT_FALSE(ReadCurve(CurveFile(kDamages[i]), lCurve)) << i;
        ASSERT_EQ(lCurve->GetKeyCount(), 1) << i;
        EXPECT_EQ(lCurve->GetKey(0)->GetValue(), 7.0f) << i;
        EXPECT_NE(lCurve->GetDefaultValue(), 0.5f) << i;
    }
}

TEST(KRyvCurveRead, BothLayoutsGiveTheSameKeys)
{
    const float kData[] = {0.25f, -0.5f, 0.75f};
    CurvePtr lPacked;
    ASSERT_TRUE(ReadCurve(CurveFile([&](KRyvFile& ioFile) {
                              WriteArray<std::int64_t>(ioFile, "KeyTime", {kSecond});
                              WriteArray<float>(ioFile, "KeyValue", {3.0f});
                              WriteArray<std::int32_t>(
                                  ioFile, "KeyFlags",
                                  {KFCurveKey::kInterpolationCubic | KFCurveKey::kTangentUser});
                              WriteArray<float>(ioFile, "KeyData", {kData[0], kData[1], kData[2]});
                              WriteArray<float>(ioFile, "KeyWeight", {0.5f, 0.25f});
                              WriteArray<float>(ioFile, "KeyVelocity", {1.0f, 2.0f});
                          }),
                          lPacked));
    CurvePtr lRecords;
    ASSERT_TRUE(ReadCurve(CurveFile([&](KRyvFile& ioFile) {
                              ioFile.FieldWriteBegin("K");
                              ioFile.FieldWriteL(kSecond);
                              ioFile.FieldWriteF(3.0f);
                              ioFile.FieldWriteI(KFCurveKey::kInterpolationCubic |
                                                 KFCurveKey::kTangentUser);
                              for (const float lData : kData) {
                                  ioFile.FieldWriteF(lData);
                              }
                              for (const float lSide : {0.5f, 1.0f, 0.25f, 2.0f}) {
                                  ioFile.FieldWriteF(lSide);
                              }
                              ioFile.FieldWriteEnd();
                          }),
                          lRecords));
    ASSERT_EQ(lPacked->GetKeyCount(), 1);
    ASSERT_EQ(lRecords->GetKeyCount(), 1);
    const KFCurveKey& lA = *lPacked->GetKey(0);
    const KFCurveKey& lB = *lRecords->GetKey(0);
    EXPECT_EQ(lA.GetFlags(), lB.GetFlags());
    for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
        EXPECT_EQ(lA.GetDataFloat(d), lB.GetDataFloat(d)) << d;
    }
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(lA.GetWeight(s), lB.GetWeight(s)) << s;
        EXPECT_EQ(lA.GetVelocity(s), lB.GetVelocity(s)) << s;
    }
    EXPECT_EQ(lA.GetVelocity(1), 2.0f);
    EXPECT_EQ(lA.GetDataFloat(KFCurveKey::kDataBias), 0.75f);
}

// Keys are made a chunk at a time: a curve of several chunks and a partial one, with and without
// the fields besides time and value, keeps every key in place. A value that is not finite becomes
// 0, as a key set by hand makes it.
TEST(KRyvCurveRead, ManyKeysKeepTheirPlacesAcrossChunks)
{
    constexpr int kKeys = 2500;
    std::vector<std::int64_t> lTimes;
    std::vector<float> lValues;
    for (int k = 0; k < kKeys; ++k) {
        lTimes.push_back(k * kSecond);
        lValues.push_back(k * 0.5f);
    }
    for (const bool lFlags : {false, true}) {
        CurvePtr lCurve;
        ASSERT_TRUE(ReadCurve(CurveFile([&](KRyvFile& ioFile) {
                                  WriteArray(ioFile, "KeyTime", lTimes);
                                  WriteArray(ioFile, "KeyValue", lValues);
                                  if (lFlags) {
                                      WriteArray(ioFile, "KeyFlags",
                                                 std::vector<std::int32_t>(
                                                     kKeys, KFCurveKey::kInterpolationLinear));
                                  }
                              }),
                              lCurve));
        ASSERT_EQ(lCurve->GetKeyCount(), kKeys);
        for (int k = 0; k < kKeys; ++k) {
            const KFCurveKey& lKey = *lCurve->GetKey(k);
            ASSERT_EQ(lKey.GetTime().Get(), k * kSecond) << k;
            ASSERT_EQ(lKey.GetValue(), k * 0.5f) << k;
            ASSERT_EQ(lKey.GetInterpolation(),
                      lFlags ? KFCurveKey::kInterpolationLinear : KFCurveKey::kInterpolationCubic)
                << k;
            ASSERT_EQ(lKey.GetTangentMode(), lFlags ? 0 : KFCurveKey::kTangentAuto) << k;
        }
    }
}

} // namespace
