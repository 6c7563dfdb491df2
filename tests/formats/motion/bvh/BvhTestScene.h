#ifndef RYVKIT_TESTS_MOTION_BVHTESTSCENE_H
#define RYVKIT_TESTS_MOTION_BVHTESTSCENE_H

#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KBvhFile.h"
#include "formats/motion/bvh/KBvhPoseStream.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "formats/motion/bvh/KWriterBvh.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "tests/formats/motion/MotionTestScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// Every joint of the file keyed: rotations for all but end sites, translations where a
// position channel is listed.
inline std::vector<KBvhPoseStream::Keyed> AllKeyed(const KBvhFile& pFile)
{
    std::vector<KBvhPoseStream::Keyed> lKeyed(static_cast<std::size_t>(pFile.GetJointCount()));
    for (int j = 0; j < pFile.GetJointCount(); ++j) {
        const KBvhJoint* lJoint = pFile.GetJoint(j);
        lKeyed[static_cast<std::size_t>(j)].mRotation = !lJoint->mEndSite;
        for (int c = 0; c < lJoint->mChannelCount; ++c) {
            lKeyed[static_cast<std::size_t>(j)].mTranslation |=
                lJoint->mChannels[c] <= KBvhJoint::eZposition;
        }
    }
    return lKeyed;
}

// A limb-node skeleton node below pParent at pOffset, marked for export.
inline KRyvNode* AddJoint(KRyvObjectFactory& ioFactory, KRyvNode* pParent, const char* pName,
                          const KVector4& pOffset)
{
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    KRyvSkeleton* lSkeleton = ioFactory.CreateSkeleton();
    lSkeleton->SetSkeletonType(KRyvSkeleton::eLimbNode);
    lNode->SetNodeAttribute(lSkeleton);
    lNode->SetLclTranslation(pOffset);
    lNode->SetMarked(true);
    pParent->AddChild(lNode);
    return lNode;
}

// The reference BVH evaluator of the tests, built only from single-axis turns in the textbook
// column-vector form: channels listed a0, a1, a2 give R = R(a0) * R(a1) * R(a2) on column
// vectors. Answers the kit matrix of the same rotation (row vectors: the transpose).
inline KMatrix BvhReferenceRotation(const char* pAxes, const double* pDegrees, int pCount)
{
    double lR[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int n = 0; n < pCount; ++n) {
        const double lA = pDegrees[n] * 3.14159265358979323846 / 180.0;
        const double lC = std::cos(lA);
        const double lS = std::sin(lA);
        double lTurn[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        if (pAxes[n] == 'X') {
            lTurn[1][1] = lC, lTurn[1][2] = -lS, lTurn[2][1] = lS, lTurn[2][2] = lC;
        } else if (pAxes[n] == 'Y') {
            lTurn[0][0] = lC, lTurn[0][2] = lS, lTurn[2][0] = -lS, lTurn[2][2] = lC;
        } else {
            lTurn[0][0] = lC, lTurn[0][1] = -lS, lTurn[1][0] = lS, lTurn[1][1] = lC;
        }
        double lProduct[3][3];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                lProduct[i][j] =
                    lR[i][0] * lTurn[0][j] + lR[i][1] * lTurn[1][j] + lR[i][2] * lTurn[2][j];
            }
        }
        std::copy(&lProduct[0][0], &lProduct[0][0] + 9, &lR[0][0]);
    }
    KMatrix lKit;
    MatrixSetIdentity(lKit);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lKit[i][j] = lR[j][i];
        }
    }
    return lKit;
}

inline double MaxRotationDifference(const KMatrix& pA, const KMatrix& pB)
{
    double lMax = 0.0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lMax = std::max(lMax, std::fabs(pA[i][j] - pB[i][j]));
        }
    }
    return lMax;
}

// The rotation of a node's current take at a time, from its Euler X, Y, Z curves.
inline KMatrix NodeRotationAt(KRyvNode* pNode, KTime pTime)
{
    KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
    KMatrix lMatrix;
    MatrixSetIdentity(lMatrix);
    EulerToMatrixXYZ(lMatrix, lTake->GetTransformRX()->Evaluate(pTime),
                     lTake->GetTransformRY()->Evaluate(pTime),
                     lTake->GetTransformRZ()->Evaluate(pTime));
    return lMatrix;
}

// Writes pContent byte for byte to pName in a folder of this process that belongs to the running
// test (the file name gives the take name) and answers the path.
inline std::string WriteBvhFile(const std::string& pName, const std::string& pContent)
{
    return WriteRunningTestFile(pName, pContent);
}

// The import settings of the tests: no constant key reducer, so every frame keeps its key; the
// process-wide settings come back when the guard goes.
class BvhImportSettingsGuard
{
public:
    explicit BvhImportSettingsGuard(bool pReduce = false)
    {
        KImportSettings::Get().Reset();
        KImportSettings::Get().SetConstantKeyReducerEnabled(pReduce);
    }
    ~BvhImportSettingsGuard() { KImportSettings::Get().Reset(); }
};

// A factory with one scene, and a BVH read into it through KReaderBvh.
struct BvhTestScene : MotionReadScene<KReaderBvh>
{
    // Opens the file, takes the reader's options (option 8 set to pKeepReference) and reads.
    bool Read(const std::string& pPath, int pKeepReference = 1)
    {
        return MotionReadScene::Read(pPath, [pKeepReference](KStreamOptionsMotion& ioOptions) {
            ioOptions.SetOption(KReaderBvh::kOptionKeepReference, pKeepReference);
        });
    }

    // Writes the scene read to pPath as BVH, over the frames and at the rate it was read with,
    // and answers the file's bytes (empty when the write fails).
    std::string WriteBack(const std::string& pPath)
    {
        KWriterBvh lWriter(&mFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions(
            static_cast<KStreamOptionsMotion*>(lWriter.GetWriteOptions().release()));
        lOptions->SetStart(mOptions->GetStart());
        lOptions->SetFrameCount(mOptions->GetFrameCount());
        lOptions->SetTimeMode(mOptions->GetTimeMode(), mOptions->GetFrameRate());
        if (!lWriter.FileCreate(pPath.c_str()) || !lWriter.Write(mScene, lOptions.get())) {
            return std::string();
        }
        std::ifstream lIn(pPath, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(lIn)), std::istreambuf_iterator<char>());
    }
};

#endif
