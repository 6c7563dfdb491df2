#include "io/KRyvCurveIO.h"

#include "animation/KFCurve.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct CurveDeleter
{
    void operator()(KFCurve* pCurve) const { KFCurve::Destroy(pCurve); }
};
using CurvePtr = std::unique_ptr<KFCurve, CurveDeleter>;

// Two cubic auto keys; pChange may then change one field of the second key.
CurvePtr MakeCurve(void (*pChange)(KFCurveKey&))
{
    CurvePtr lCurve(KFCurve::Create());
    lCurve->KeyAdd(KTime(0), 1.0f);
    lCurve->KeyAdd(KTime(KTime::kTicksPerSecond), 2.5f);
    if (pChange) {
        pChange(*lCurve->GetKey(1));
    }
    return lCurve;
}

// The ASCII file of one curve record.
std::string WriteText(const KFCurve& pCurve)
{
    KRyvFile lFile;
    lFile.Create(6000, true, nullptr);
    KRyvCurveIO::WriteCurve(lFile, pCurve, true);
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return std::string(lStream.GetBytes().begin(), lStream.GetBytes().end());
}

CurvePtr ReadText(const std::string& pText)
{
    KRyvFile lFile;
    KRyvMemoryStream lStream(pText.data(), pText.size());
    CurvePtr lCurve(KFCurve::Create());
    EXPECT_TRUE(lFile.Open(lStream) && lFile.ReadBody(nullptr));
    EXPECT_TRUE(lFile.FieldReadBegin("Curve") && KRyvCurveIO::ReadCurve(lFile, *lCurve));
    return lCurve;
}

void ExpectSameKeys(const KFCurve& pExpected, const KFCurve& pRead)
{
    ASSERT_EQ(pRead.GetKeyCount(), pExpected.GetKeyCount());
    for (int i = 0; i < pExpected.GetKeyCount(); ++i) {
        const KFCurveKey& lExpected = *pExpected.GetKey(i);
        const KFCurveKey& lRead = *pRead.GetKey(i);
        EXPECT_EQ(lRead.GetTime().Get(), lExpected.GetTime().Get());
        EXPECT_EQ(lRead.GetValue(), lExpected.GetValue());
        EXPECT_EQ(lRead.GetFlags(), lExpected.GetFlags());
        for (int d = 0; d < KFCurveKey::kDataCount; ++d) {
            EXPECT_EQ(lRead.GetDataFloat(d), lExpected.GetDataFloat(d));
        }
        for (int s = 0; s < 2; ++s) {
            EXPECT_EQ(lRead.GetWeight(s), lExpected.GetWeight(s));
            EXPECT_EQ(lRead.GetVelocity(s), lExpected.GetVelocity(s));
        }
    }
}

struct FieldCase
{
    const char* mName;
    void (*mChange)(KFCurveKey&);
    // The key arrays the file must hold; the others must be left out.
    const char* mWritten[3];
};

const char* const kOptional[] = {"KeyFlags", "KeyData", "KeyWeight", "KeyVelocity"};

const FieldCase kCases[] = {
    {"AllDefault", nullptr, {}},
    {"Linear",
     [](KFCurveKey& k) { k.SetInterpolation(KFCurveKey::kInterpolationLinear); },
     {"KeyFlags"}},
    {"Tcb",
     [](KFCurveKey& k) { k.SetTCB(k.GetTime(), k.GetValue(), 0.5f, 0.0f, -0.25f); },
     {"KeyFlags", "KeyData"}},
    {"Weighted",
     [](KFCurveKey& k) {
         k.SetWeightMode(KFCurveKey::kWeightedRight);
         k.SetWeight(KFCurveKey::kWeightRight, 0.5f);
     },
     {"KeyFlags", "KeyWeight"}},
    {"Velocity", [](KFCurveKey& k) { k.SetVelocity(1, 3.0f); }, {"KeyVelocity"}},
};

class KRyvCurveIOTest : public ::testing::TestWithParam<FieldCase>
{
};

TEST_P(KRyvCurveIOTest, OnlyKeyFieldsThatDifferFromTheDefaultAreWrittenAndAllReadBack)
{
    const CurvePtr lCurve = MakeCurve(GetParam().mChange);
    const std::string lText = WriteText(*lCurve);
    EXPECT_NE(lText.find("KeyTime: l[2]"), std::string::npos);
    EXPECT_NE(lText.find("KeyValue: f[2]"), std::string::npos);
    for (const char* lField : kOptional) {
        bool lWritten = false;
        for (const char* lExpected : GetParam().mWritten) {
            lWritten = lWritten || (lExpected && std::string(lExpected) == lField);
        }
        EXPECT_EQ(lText.find(lField) != std::string::npos, lWritten) << lField;
    }
    ExpectSameKeys(*lCurve, *ReadText(lText));
}

INSTANTIATE_TEST_SUITE_P(Fields, KRyvCurveIOTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FieldCase>& pInfo) {
                             return std::string(pInfo.param.mName);
                         });

TEST(KRyvCurveIOEmptyTest, CurveWithoutKeysWritesNoKeyArray)
{
    const CurvePtr lCurve(KFCurve::Create());
    lCurve->SetDefaultValue(4.0f);
    const std::string lText = WriteText(*lCurve);
    EXPECT_EQ(lText.find("Key"), std::string::npos);
    const CurvePtr lRead = ReadText(lText);
    EXPECT_EQ(lRead->GetKeyCount(), 0);
    EXPECT_EQ(lRead->GetDefaultValue(), 4.0f);
}

} // namespace
