#include "formats/motion/KMotionImportFilters.h"

#include "animation/KFCurve.h"
#include "animation/KImportSettings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Restores the process-wide import settings a test changes.
class SettingsGuard
{
public:
    SettingsGuard()
        : mReducer(KImportSettings::Get().IsConstantKeyReducerEnabled()),
          mMode(KImportSettings::Get().GetRotationFilterMode())
    {
    }
    ~SettingsGuard()
    {
        KImportSettings::Get().SetConstantKeyReducerEnabled(mReducer);
        static_cast<void>(KImportSettings::Get().SetRotationFilterMode(mMode));
    }

private:
    bool mReducer;
    int mMode;
};

void FillKeys(KFCurve& ioCurve, const std::vector<float>& pValues)
{
    for (std::size_t i = 0; i < pValues.size(); ++i) {
        KTime lTime;
        lTime.SetSecondDouble(static_cast<double>(i));
        ioCurve.KeyAdd(lTime, pValues[i]);
    }
}

} // namespace

// A joint whose rotation jumps by a full turn between two keys: the unroll filter takes the jump
// out before the reducer looks, so the constant X rotation then loses its inner keys.
TEST(KMotionImportFilters, UnrollsTheRotationBeforeReducingIt)
{
    SettingsGuard lGuard;
    KImportSettings::Get().SetConstantKeyReducerEnabled(true);
    ASSERT_TRUE(
        KImportSettings::Get().SetRotationFilterMode(KImportSettings::kRotationFilterUnroll));
    KFCurve lTx, lTy, lTz, lRx, lRy, lRz;
    FillKeys(lTx, {1, 1, 1, 1});
    FillKeys(lTy, {0, 1, 2, 3});
    FillKeys(lTz, {5, 5, 5, 5});
    FillKeys(lRx, {10, 10, 10, 10});
    FillKeys(lRy, {170, 175, -180, -175});
    FillKeys(lRz, {0, 0, 0, 0});
    KFCurve* lTranslation[3] = {&lTx, &lTy, &lTz};
    KFCurve* lRotation[3] = {&lRx, &lRy, &lRz};
    KMotionImportFilters::Apply(lTranslation, lRotation);

    EXPECT_LT(lTx.GetKeyCount(), 4);
    EXPECT_EQ(lTy.GetKeyCount(), 4);
    EXPECT_LT(lRx.GetKeyCount(), 4);
    ASSERT_EQ(lRy.GetKeyCount(), 4);
    EXPECT_FLOAT_EQ(lRy.KeyGetValue(2), 180.0f);
    EXPECT_FLOAT_EQ(lRy.KeyGetValue(3), 185.0f);
}

TEST(KMotionImportFilters, LeavesTheCurvesAloneWhenEveryFilterIsOff)
{
    SettingsGuard lGuard;
    KImportSettings::Get().SetConstantKeyReducerEnabled(false);
    ASSERT_TRUE(KImportSettings::Get().SetRotationFilterMode(KImportSettings::kRotationFilterNone));
    KFCurve lRx, lRy, lRz;
    FillKeys(lRx, {10, 10, 10});
    FillKeys(lRy, {170, -180, -170});
    FillKeys(lRz, {0, 0, 0});
    KFCurve* lRotation[3] = {&lRx, &lRy, &lRz};
    KMotionImportFilters::Apply(nullptr, lRotation);
    EXPECT_EQ(lRx.GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(lRy.KeyGetValue(1), -180.0f);
}
