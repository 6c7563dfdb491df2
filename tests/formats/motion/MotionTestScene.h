#ifndef RYVKIT_TESTS_MOTION_MOTIONTESTSCENE_H
#define RYVKIT_TESTS_MOTION_MOTIONTESTSCENE_H

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Shared pieces of the motion readers' tests: files in a folder of the running test, and a scene
// read through a reader of the format.

// Writes pContent byte for byte to pName in a folder of this process that belongs to the running
// test (the file name gives the take name) and answers the path.
inline std::string WriteRunningTestFile(const std::string& pName, const std::string& pContent)
{
    static const TempFolder sFolder;
    const testing::TestInfo* lTest = testing::UnitTest::GetInstance()->current_test_info();
    return sFolder.Write(std::string(lTest->test_suite_name()) + "_" + lTest->name() + "/" + pName,
                         pContent);
}

// A factory with one scene, read into through a reader of the format.
template <class TReader> struct MotionReadScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    TReader mReader{&mFactory};
    std::unique_ptr<KStreamOptionsMotion> mOptions;

    // Opens, takes the reader's options (or fresh ones when it has none), lets pAdjust change
    // them, and reads.
    template <class TAdjust> bool Read(const std::string& pPath, TAdjust pAdjust)
    {
        if (!mReader.FileOpen(pPath.c_str())) {
            return false;
        }
        std::unique_ptr<KStreamOptions> lOptions = mReader.GetReadOptions();
        if (!lOptions) {
            mOptions = KStreamOptionsMotion::Create();
        } else {
            mOptions.reset(static_cast<KStreamOptionsMotion*>(lOptions.release()));
        }
        pAdjust(*mOptions);
        return mReader.Read(mScene, mOptions.get());
    }
    bool Read(const std::string& pPath)
    {
        return Read(pPath, [](KStreamOptionsMotion&) {});
    }

    KRyvNode* Find(const char* pName) { return mFactory.FindNode(pName); }
    KTime FrameTime(int pFrame) const
    {
        return mOptions->GetStart() + mOptions->GetFramePeriod() * pFrame;
    }
    // The value of a curve of the node's current take at a frame.
    double Value(const char* pNode, KFCurve* (KRyvTakeNode::*pCurve)(), int pFrame)
    {
        KRyvTakeNode* lTake = Find(pNode)->GetCurrentTakeNode();
        return (lTake->*pCurve)()->Evaluate(FrameTime(pFrame));
    }
};

#endif
