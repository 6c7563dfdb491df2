// ASF and AMC files from strangers: every damaged variant of a valid pair reads or fails
// cleanly, and a failed read says why and leaves the scene, the factory and the skeleton as
// they were.
#include "AsfAmcTestSupport.h"

#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "tests/support/TextMutation.h"

#include <gtest/gtest.h>

namespace {

const char* const kAsf =
    "# test\n:version 1.10\n:name walker\n:units\n  mass 1.0\n  length 0.45\n  angle deg\n"
    ":documentation\n  words\n:root\n  order TX TY TZ RX RY RZ\n  axis XYZ\n"
    "  position 0 0 0\n  orientation 0 0 0\n:bonedata\n  begin\n    id 1\n    name hip\n"
    "    direction 0.6 -0.7 0.3\n    length 2.5\n    axis 0 0 0 XYZ\n  end\n  begin\n"
    "    id 2\n    name femur\n    direction 0.34 -0.94 0\n    length 7\n    axis 0 0 20 XYZ\n"
    "    dof rx ry rz\n    limits (-160.0 20.0)\n      (-70.0 70.0)\n      (-60.0 70.0)\n"
    "  end\n  begin\n    id 3\n    name tibia\n    direction 0.34 -0.94 0\n    length 7.9\n"
    "    axis 0 0 20 zyx\n    dof rx l\n    limits (-10.0 170.0) (0 10)\n  end\n"
    ":hierarchy\n  begin\n    root hip\n    hip femur\n    femur tibia\n  end\n";

const char* const kAmc = ":FULLY-SPECIFIED\n:DEGREES\n:SAMPLES-PER-SECOND 30\n1\n"
                         "root 2.9 17.2 -27.0 2.5 -3.1 -5.9\nfemur -20.4 -1.0 -13.9\n"
                         "tibia 43.2 1\n2\nroot 2.97 17.25 -27.03 2.27 -2.40 -5.28\n"
                         "femur -20.1 -1.1 -13.8\n# note\ntibia 43.0 1\n";

struct SafeReads
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    int mAccepted = 0;
    int mRefused = 0;

    // Reads pText as an ASF file into a fresh skeleton; false when the read failed.
    bool ReadAsf(const std::string& pText, const std::string& pLabel,
                 std::unique_ptr<KStreamOptions>& oOptions)
    {
        const int lNodes = mFactory.GetNodeCount();
        KReaderAsf lReader(&mFactory);
        if (!lReader.MemoryOpen(pText.data(), pText.size(), "walker.asf")) {
            return Count(false);
        }
        oOptions = lReader.GetReadOptions();
        const bool lRead = lReader.Read(mScene, oOptions.get());
        if (!lRead) {
            EXPECT_FALSE(lReader.GetError().GetLastErrorString().IsEmpty()) << pLabel;
            EXPECT_EQ(mFactory.GetNodeCount(), lNodes) << pLabel;
            EXPECT_EQ(static_cast<KStreamOptionsMotion*>(oOptions.get())->GetAttachedObject(),
                      nullptr)
                << pLabel;
        }
        return Count(lRead);
    }

    void ReadAmc(const std::string& pText, const std::string& pLabel, KStreamOptions* pAsf)
    {
        const int lNodes = mFactory.GetNodeCount();
        std::vector<KString> lTakes;
        mScene->FillTakeNameList(lTakes);
        KReaderAmc lReader(&mFactory);
        if (!lReader.MemoryOpen(pText.data(), pText.size(), "walker.amc")) {
            Count(false);
            return;
        }
        std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
        if (!lOptions) {
            EXPECT_FALSE(lReader.GetError().GetLastErrorString().IsEmpty()) << pLabel;
            Count(false);
            return;
        }
        auto* lSkeleton = dynamic_cast<KRyvAsfScene*>(
            static_cast<KStreamOptionsMotion*>(pAsf)->GetAttachedObject());
        static_cast<KStreamOptionsMotion*>(lOptions.get())->SetAttachedObject(lSkeleton);
        const bool lRead = lReader.Read(mScene, lOptions.get());
        if (!lRead) {
            EXPECT_FALSE(lReader.GetError().GetLastErrorString().IsEmpty()) << pLabel;
            EXPECT_EQ(mFactory.GetNodeCount(), lNodes) << pLabel;
            std::vector<KString> lAfter;
            mScene->FillTakeNameList(lAfter);
            EXPECT_EQ(lAfter.size(), lTakes.size()) << pLabel;
        }
        for (const KAsfBone* lBone : lSkeleton->GetBonesDepthFirst()) {
            EXPECT_TRUE(lBone->mKeys.empty()) << pLabel;
        }
        Count(lRead);
    }

    bool Count(bool pRead)
    {
        ++(pRead ? mAccepted : mRefused);
        return pRead;
    }
};

TEST(AsfAmcMutation, EveryAsfMutantReadsOrFailsCleanly)
{
    SafeReads lReads;
    std::unique_ptr<KStreamOptions> lOptions;
    EXPECT_TRUE(lReads.ReadAsf(kAsf, "unharmed", lOptions));
    for (const TextMutant& lMutant : AllMutants(kAsf, 20261207, 200)) {
        lReads.ReadAsf(lMutant.mText, lMutant.mLabel, lOptions);
    }
    EXPECT_GT(lReads.mAccepted, 0);
    EXPECT_GT(lReads.mRefused, 0);
}

TEST(AsfAmcMutation, EveryAmcMutantReadsOrFailsCleanly)
{
    SafeReads lReads;
    std::unique_ptr<KStreamOptions> lAsf;
    ASSERT_TRUE(lReads.ReadAsf(kAsf, "skeleton", lAsf));
    lReads.ReadAmc(kAmc, "unharmed", lAsf.get());
    for (const TextMutant& lMutant : AllMutants(kAmc, 20261208, 200)) {
        lReads.ReadAmc(lMutant.mText, lMutant.mLabel, lAsf.get());
    }
    EXPECT_GT(lReads.mAccepted, 0);
    EXPECT_GT(lReads.mRefused, 0);
}

TEST(AsfAmcMutation, HostileFiles)
{
    SafeReads lReads;
    std::unique_ptr<KStreamOptions> lOptions;
    const std::string lHuge(200000, '9');
    for (const std::string& lText :
         {std::string(), std::string(":root\n"), std::string(":bonedata\n begin\n"),
          std::string(kAsf) + std::string(5000, '\n') + "trailing garbage\n",
          std::string(":root\n order ") + lHuge + "\n", std::string(":units length ") + lHuge,
          std::string(":hierarchy\n begin\n root root root\n end\n:root\n")}) {
        lReads.ReadAsf(lText, "hostile asf", lOptions);
    }
    std::unique_ptr<KStreamOptions> lAsf;
    ASSERT_TRUE(lReads.ReadAsf(kAsf, "skeleton", lAsf));
    for (const std::string& lText :
         {std::string(), std::string("1\n"), std::string(":FRAME-RANGE 1-") + lHuge + "\n1\n",
          std::string(":FRAME-RANGE -2147483648-2147483647\n1\nfemur 1 2 3\n"),
          std::string(":SAMPLES-PER-SECOND 0\n1\nfemur 1\n"), "1\nfemur " + lHuge + "\n",
          std::string("-2147483648\nfemur 1\n"), std::string(kAmc) + "\n\n#\n3 4 5\nfemur\n"}) {
        lReads.ReadAmc(lText, "hostile amc", lAsf.get());
    }
    EXPECT_GT(lReads.mAccepted, 0);
}

} // namespace
