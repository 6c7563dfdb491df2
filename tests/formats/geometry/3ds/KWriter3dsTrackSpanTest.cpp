// The 3DS writer samples one key a frame up to a node's last key: one key far out in time
// must not make millions of keys. Such a write is refused, naming the node, and the target
// is left as it was; dense keys over the same span, or the keyframer off, still write.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KWriter3ds.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

constexpr int kFarFrame = 400000;

// A dummy node whose X translation has keys at pFrames.
KRyvNode* AddKeyed(Scene3ds& ioScene, const char* pName, const std::vector<int>& pFrames,
                   KRyvNode* pParent = nullptr)
{
    KRyvNode* lNode = ioScene.Add(pName, nullptr, pParent);
    KFCurve* lX = lNode->GetCurrentTakeNode()->GetTransformTX();
    for (int lFrame : pFrames) {
        lX->KeyAdd(K3dsAxes::FrameTime(lFrame), static_cast<float>(lFrame));
    }
    return lNode;
}

struct Written
{
    bool mDone = false;
    std::string mError;
};

Written WriteWith(Scene3ds& ioScene, const std::string& pPath, bool pAnim)
{
    KWriter3ds lWriter(ioScene.mFactory.get());
    KStreamOptions3ds lOptions;
    lOptions.SetOptionValue(KStreamOptions3ds::kAnim, pAnim ? 1 : 0);
    Written lWritten;
    lWritten.mDone =
        lWriter.FileCreate(pPath.c_str()) && lWriter.Write(ioScene.mScene.get(), &lOptions);
    lWritten.mError = lWriter.GetError().GetLastErrorString().Buffer();
    return lWritten;
}

} // namespace

TEST(KWriter3dsTrackSpan, OneFarKeyIsRefusedNamingItsNode)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lHips = AddKeyed(lScene, "Hips", {0, 10});
    AddKeyed(lScene, "Far", {1, kFarFrame}, lHips);
    const std::string lTarget = lDir.Write("keep.3ds", Bytes{1, 2, 3});
    const Written lWritten = WriteWith(lScene, lTarget, true);
    EXPECT_FALSE(lWritten.mDone);
    // Two keys allow 36000 + 2 x 100 frames; frame 400000 needs 400001.
    EXPECT_NE(lWritten.mError.find("node \"Far\" not written"), std::string::npos)
        << lWritten.mError;
    EXPECT_NE(lWritten.mError.find("400001 keys a track for the 2 keys it has (at most 36200)"),
              std::string::npos)
        << lWritten.mError;
    EXPECT_EQ(ReadBytes(lTarget), (Bytes{1, 2, 3}));
}

TEST(KWriter3dsTrackSpan, ALookAtTargetIsCheckedWithTheKeyframerOff)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lTarget = AddKeyed(lScene, "Aim", {1, kFarFrame});
    KRyvNode* lSpot = lScene.AddLight("Spot", 2, KVector4(0, 10, 0));
    lSpot->SetLookAtTarget(lTarget);
    const Written lWritten = WriteWith(lScene, lDir.Path("spot.3ds"), false);
    EXPECT_FALSE(lWritten.mDone);
    EXPECT_NE(lWritten.mError.find("node \"Aim\" not written"), std::string::npos)
        << lWritten.mError;
}

TEST(KWriter3dsTrackSpan, DenseKeysOrTheKeyframerOffStillWrite)
{
    ScratchDir lDir;
    Scene3ds lScene;
    AddKeyed(lScene, "Far", {1, kFarFrame});
    const Written lStill = WriteWith(lScene, lDir.Path("still.3ds"), false);
    EXPECT_TRUE(lStill.mDone) << lStill.mError;
    auto lStillRun = LoadFile(lDir.Path("still.3ds"));
    std::unique_ptr<ObjectMotion3ds> lMotion;
    GetObjectMotionByIndex3ds(lStillRun->mKit, lStillRun->Db(), 0, lMotion);
    ASSERT_NE(lMotion, nullptr);
    EXPECT_EQ(lMotion->mPosition.mKeys.size(), 1u);

    Scene3ds lDense;
    std::vector<int> lEveryFrame;
    constexpr int kLast = 40000;
    for (int f = 0; f <= kLast; ++f) {
        lEveryFrame.push_back(f);
    }
    AddKeyed(lDense, "Dense", lEveryFrame);
    const Written lWritten = WriteWith(lDense, lDir.Path("dense.3ds"), true);
    ASSERT_TRUE(lWritten.mDone) << lWritten.mError;
    auto lRun = LoadFile(lDir.Path("dense.3ds"));
    GetObjectMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_NE(lMotion, nullptr);
    ASSERT_EQ(lMotion->mPosition.mKeys.size(), static_cast<std::size_t>(kLast + 1));
    EXPECT_EQ(lMotion->mPosition.mValues[kLast].x, static_cast<float>(kLast));
}
