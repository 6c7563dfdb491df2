#ifndef RYVKIT_TESTS_FORMATS_MOTION_MOTIONPATHS_H
#define RYVKIT_TESTS_FORMATS_MOTION_MOTIONPATHS_H

#include "core/KMatrix.h"
#include "tests/formats/motion/MotionConversion.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// A motion file as a user gets it (MotionConversion), with what its reader's options say of its
// frames and where its nodes stand at them.
struct MotionFile : MotionConversion
{
    const KStreamOptionsMotion& Options()
    {
        return mOptions ? *static_cast<KStreamOptionsMotion*>(mOptions.get()) : *mRead.AmcOptions();
    }
    int Frames() { return Options().GetFrameCount(); }
    double Rate() { return Options().GetFrameRate(); }
    KTime FrameTime(int pFrame)
    {
        return Options().GetStart() + Options().GetFramePeriod() * pFrame;
    }

    // Where the node stands in the world at a frame; false when there is no such node.
    bool Position(const char* pName, int pFrame, KVector4& oPosition)
    {
        KRyvNode* lNode = mRead.mFactory.FindNode(pName);
        if (!lNode) {
            return false;
        }
        const KMatrix& lGlobal = lNode->GetGlobalMatrixAtTime(FrameTime(pFrame));
        oPosition = KVector4(lGlobal[3][0], lGlobal[3][1], lGlobal[3][2]);
        return true;
    }

    // The path of every marker (a node without children below the scene's root) over the
    // options' frames, x, y, z frame after frame, in the order of their values: formats name
    // their markers each their own way.
    std::vector<std::vector<double>> MarkerPaths()
    {
        std::vector<std::vector<double>> lPaths;
        KRyvScene& lScene = *mRead.mScene;
        for (int i = 0; i < lScene.GetNodeCount(); ++i) {
            KRyvNode* lNode = lScene.GetNode(i);
            if (lNode == lScene.GetRootNode() || lNode->GetChildCount() > 0) {
                continue;
            }
            std::vector<double> lPath;
            for (int f = 0; f < Frames(); ++f) {
                const KMatrix& lGlobal = lNode->GetGlobalMatrixAtTime(FrameTime(f));
                lPath.insert(lPath.end(), {lGlobal[3][0], lGlobal[3][1], lGlobal[3][2]});
            }
            lPaths.push_back(lPath);
        }
        std::sort(lPaths.begin(), lPaths.end());
        return lPaths;
    }
};

// pFrom written as pTo, directly or through a native file beside pTo; false with the reason.
inline bool ConvertMotion(const std::string& pFrom, const std::string& pTo, bool pThroughNative,
                          std::string& oReason)
{
    MotionFile lSource;
    if (!lSource.Read(pFrom)) {
        oReason = "read " + pFrom + ": " + lSource.mReason;
        return false;
    }
    if (!pThroughNative) {
        oReason = lSource.mReason;
        return lSource.Write(pTo) || (oReason = lSource.mReason, false);
    }
    const std::string lNative = pTo + ".ryv";
    MotionFile lBack;
    const bool lDone = (lSource.Write(lNative) || (oReason = lSource.mReason, false)) &&
                       (lBack.Read(lNative) || (oReason = lBack.mReason, false)) &&
                       (lBack.Write(pTo) || (oReason = lBack.mReason, false));
    return lDone;
}

#endif
