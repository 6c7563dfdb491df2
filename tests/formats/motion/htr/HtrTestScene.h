#ifndef RYVKIT_TESTS_MOTION_HTRTESTSCENE_H
#define RYVKIT_TESTS_MOTION_HTRTESTSCENE_H

#include "animation/KImportSettings.h"
#include "core/KIniFile.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "formats/motion/htr/KHtrFile.h"
#include "formats/motion/htr/KReaderHtr.h"
#include "formats/motion/htr/KWriterHtr.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/motion/MotionTestScene.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

// Writes pContent byte for byte to pName in a folder of this process that belongs to the running
// test (the file name gives the take name) and answers the path.
inline std::string WriteHtrFile(const std::string& pName, const std::string& pContent)
{
    return WriteRunningTestFile(pName, pContent);
}

// The per-computer settings of a test: HOME points at a folder of the test, whose settings file
// says "MinimizeRotationOffset" as asked (absent: no file, the default). Import filters off, so
// every frame keeps its key. HOME and the settings come back when the guard goes.
class HtrSettingsGuard
{
public:
    explicit HtrSettingsGuard(const char* pMinimize = "No")
    {
        const char* lHome = std::getenv("HOME");
        mHadHome = lHome != nullptr;
        mHome = lHome ? lHome : "";
        setenv("HOME", mFolder.Path().c_str(), 1);
        if (pMinimize) {
            KIniFile lSettings(KHtrFile::kSettingsName, false);
            lSettings.SetValue(KHtrFile::kSettingsSection, KHtrFile::kSettingsKey, pMinimize);
            EXPECT_TRUE(lSettings.Save());
        }
        KImportSettings::Get().Reset();
        KImportSettings::Get().SetConstantKeyReducerEnabled(false);
    }
    ~HtrSettingsGuard()
    {
        if (mHadHome) {
            setenv("HOME", mHome.c_str(), 1);
        } else {
            unsetenv("HOME");
        }
        KImportSettings::Get().Reset();
    }

private:
    TempFolder mFolder;
    bool mHadHome = false;
    std::string mHome;
};

// A factory with one scene, and an HTR read into it through KReaderHtr.
struct HtrTestScene : MotionReadScene<KReaderHtr>
{
    // Opens the file, takes the reader's options (the defaults when it has none), sets option
    // 8 to pKeepReference and reads.
    bool Read(const std::string& pPath, int pKeepReference = 1)
    {
        return MotionReadScene::Read(pPath, [pKeepReference](KStreamOptionsMotion& ioOptions) {
            ioOptions.SetOption(KHtrFile::kOptionReferenceNode, pKeepReference);
        });
    }

    // Reads a BVH file into the scene with the BVH reader's own options, its first pFrames
    // frames (all when 0): the motion the HTR writer is given.
    bool ReadBvh(const std::string& pPath, int pFrames = 0)
    {
        KReaderBvh lReader(&mFactory);
        if (!lReader.FileOpen(pPath.c_str())) {
            return false;
        }
        std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
        if (lOptions == nullptr) {
            return false;
        }
        mOptions.reset(static_cast<KStreamOptionsMotion*>(lOptions.release()));
        if (pFrames > 0) {
            mOptions->SetFrameCount(pFrames);
        }
        return lReader.Read(mScene, mOptions.get());
    }

    // The world position of a node at a frame.
    KVector4 WorldAt(const char* pName, int pFrame)
    {
        const KMatrix& lGlobal = Find(pName)->GetGlobalMatrixAtTime(FrameTime(pFrame));
        return KVector4(lGlobal[3][0], lGlobal[3][1], lGlobal[3][2]);
    }
    // Writes the scene through KWriterHtr with its own write options and the read span.
    bool Write(const std::string& pPath, std::string* oError = nullptr)
    {
        KWriterHtr lWriter(&mFactory);
        std::unique_ptr<KStreamOptions> lBase = lWriter.GetWriteOptions();
        auto* lOptions = static_cast<KStreamOptionsMotion*>(lBase.get());
        lOptions->SetStart(mOptions->GetStart());
        lOptions->SetFrameCount(mOptions->GetFrameCount());
        lOptions->SetTimeMode(mOptions->GetTimeMode(), mOptions->GetFrameRate());
        const bool lWritten = lWriter.FileCreate(pPath.c_str()) && lWriter.Write(mScene, lOptions);
        if (oError) {
            *oError = lWriter.GetError().GetLastErrorString().Buffer();
        }
        return lWritten;
    }
};

inline double MaxDifference(const KVector4& pA, const KVector4& pB)
{
    return std::max({std::fabs(pA[0] - pB[0]), std::fabs(pA[1] - pB[1]), std::fabs(pA[2] - pB[2])});
}

#endif
