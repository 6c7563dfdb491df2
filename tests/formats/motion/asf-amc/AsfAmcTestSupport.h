#ifndef RYVKIT_TESTS_FORMATS_MOTION_ASFAMC_ASFAMCTESTSUPPORT_H
#define RYVKIT_TESTS_FORMATS_MOTION_ASFAMC_ASFAMCTESTSUPPORT_H

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KWriterAmc.h"
#include "formats/motion/asf-amc/KWriterAsf.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/motion/MotionTestFiles.h"

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The reference evaluation of the tests: an ASF skeleton and its AMC frames worked out with
// textbook column-vector matrices built from single-axis turns, independently of the kit.
// A bone's axes C come from its axis angles applied in the order of its axis word; its motion M
// from its rotation DOFs applied in the order listed; its turn in the world is C M C^T, after
// its parent's. A bone starts where its parent's vector ends, moved by its own translation DOFs
// (along its own axes); lengths and translations are file units times 2.54 / length unit.
namespace asfref {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<std::array<double, 3>, 3>;

inline Mat3 Identity()
{
    return Mat3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

inline Mat3 Multiply(const Mat3& pA, const Mat3& pB)
{
    Mat3 lResult{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                lResult[i][j] += pA[i][k] * pB[k][j];
            }
        }
    }
    return lResult;
}

inline Mat3 Transpose(const Mat3& pA)
{
    Mat3 lResult{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lResult[i][j] = pA[j][i];
        }
    }
    return lResult;
}

inline Vec3 Apply(const Mat3& pA, const Vec3& pV)
{
    Vec3 lResult{};
    for (int i = 0; i < 3; ++i) {
        lResult[i] = pA[i][0] * pV[0] + pA[i][1] * pV[1] + pA[i][2] * pV[2];
    }
    return lResult;
}

// The turn about axis 'x', 'y' or 'z' (either case) by degrees, counter-clockwise.
inline Mat3 Turn(char pAxis, double pDegrees)
{
    const double lA = pDegrees * 3.14159265358979323846 / 180.0;
    const double lC = std::cos(lA);
    const double lS = std::sin(lA);
    const char lAxis = static_cast<char>(pAxis | 0x20);
    if (lAxis == 'x') {
        return Mat3{{{1, 0, 0}, {0, lC, -lS}, {0, lS, lC}}};
    }
    if (lAxis == 'y') {
        return Mat3{{{lC, 0, lS}, {0, 1, 0}, {-lS, 0, lC}}};
    }
    return Mat3{{{lC, -lS, 0}, {lS, lC, 0}, {0, 0, 1}}};
}

struct Bone
{
    std::string mName;
    int mParent = -1;
    Vec3 mDirection{};
    double mLength = 0.0;
    Vec3 mAxis{};
    std::string mWord = "XYZ";
    std::vector<std::string> mDofs;
};

// Bone 0 is the root: its mDirection holds the position, mAxis the orientation.
struct Skeleton
{
    double mLengthUnit = 1.0;
    std::vector<Bone> mBones;
    // One value list per bone per frame, in the order of its DOFs.
    std::vector<std::vector<std::vector<double>>> mFrames;
};

inline Mat3 AxesOf(const Bone& pBone)
{
    Mat3 lAxes = Identity();
    for (char lLetter : pBone.mWord) {
        const int lIndex = (lLetter | 0x20) - 'x';
        lAxes = Multiply(Turn(lLetter, pBone.mAxis[static_cast<std::size_t>(lIndex)]), lAxes);
    }
    return lAxes;
}

struct Pose
{
    // Where each bone starts, and where each ends, in centimetres.
    std::vector<Vec3> mStarts;
    std::vector<Vec3> mEnds;
};

inline Pose Evaluate(const Skeleton& pSkeleton, int pFrame)
{
    const double lFactor = 2.54 / pSkeleton.mLengthUnit;
    const std::size_t lCount = pSkeleton.mBones.size();
    Pose lPose;
    lPose.mStarts.resize(lCount);
    lPose.mEnds.resize(lCount);
    std::vector<Mat3> lWorld(lCount);
    for (std::size_t b = 0; b < lCount; ++b) {
        const Bone& lBone = pSkeleton.mBones[b];
        const std::vector<double>& lValues = pSkeleton.mFrames[static_cast<std::size_t>(pFrame)][b];
        Mat3 lMotion = Identity();
        Vec3 lMove{};
        for (std::size_t d = 0; d < lBone.mDofs.size(); ++d) {
            const std::string& lDof = lBone.mDofs[d];
            const double lValue = d < lValues.size() ? lValues[d] : 0.0;
            if ((lDof[0] | 0x20) == 'r') {
                lMotion = Multiply(Turn(lDof[1], lValue), lMotion);
            } else if ((lDof[0] | 0x20) == 't') {
                lMove[static_cast<std::size_t>((lDof[1] | 0x20) - 'x')] += lValue * lFactor;
            }
        }
        const Mat3 lAxes = AxesOf(lBone);
        const Mat3 lLocal = Multiply(Multiply(lAxes, lMotion), Transpose(lAxes));
        const Vec3 lOwnMove = Apply(lAxes, lMove);
        if (b == 0) {
            lWorld[b] = lLocal;
            const bool lMoves = !lBone.mDofs.empty() && (lBone.mDofs[0][0] | 0x20) == 't';
            for (int i = 0; i < 3; ++i) {
                lPose.mStarts[b][static_cast<std::size_t>(i)] =
                    lMoves ? lOwnMove[static_cast<std::size_t>(i)]
                           : lBone.mDirection[static_cast<std::size_t>(i)] * lFactor;
            }
            lPose.mEnds[b] = lPose.mStarts[b];
            continue;
        }
        const std::size_t lParent = static_cast<std::size_t>(lBone.mParent);
        lWorld[b] = Multiply(lWorld[lParent], lLocal);
        const Vec3 lShift = Apply(lWorld[lParent], lOwnMove);
        const Vec3 lVector = Apply(lWorld[b], Vec3{lBone.mDirection[0] * lBone.mLength * lFactor,
                                                   lBone.mDirection[1] * lBone.mLength * lFactor,
                                                   lBone.mDirection[2] * lBone.mLength * lFactor});
        for (std::size_t i = 0; i < 3; ++i) {
            lPose.mStarts[b][i] = lPose.mEnds[lParent][i] + lShift[i];
            lPose.mEnds[b][i] = lPose.mStarts[b][i] + lVector[i];
        }
    }
    return lPose;
}

inline std::string ToAsf(const Skeleton& pSkeleton)
{
    std::ostringstream lOut;
    lOut.precision(17);
    const Bone& lRoot = pSkeleton.mBones[0];
    lOut << ":version 1.10\n:name test\n:units\n  mass 1.0\n  length " << pSkeleton.mLengthUnit
         << "\n  angle deg\n:root\n  order";
    for (const std::string& lDof : lRoot.mDofs) {
        lOut << ' ' << lDof;
    }
    lOut << "\n  axis " << lRoot.mWord << "\n  position " << lRoot.mDirection[0] << ' '
         << lRoot.mDirection[1] << ' ' << lRoot.mDirection[2] << "\n  orientation "
         << lRoot.mAxis[0] << ' ' << lRoot.mAxis[1] << ' ' << lRoot.mAxis[2] << "\n:bonedata\n";
    for (std::size_t b = 1; b < pSkeleton.mBones.size(); ++b) {
        const Bone& lBone = pSkeleton.mBones[b];
        lOut << "  begin\n    id " << b << "\n    name " << lBone.mName << "\n    direction "
             << lBone.mDirection[0] << ' ' << lBone.mDirection[1] << ' ' << lBone.mDirection[2]
             << "\n    length " << lBone.mLength << "\n    axis " << lBone.mAxis[0] << ' '
             << lBone.mAxis[1] << ' ' << lBone.mAxis[2] << ' ' << lBone.mWord << '\n';
        if (!lBone.mDofs.empty()) {
            lOut << "    dof";
            for (const std::string& lDof : lBone.mDofs) {
                lOut << ' ' << lDof;
            }
            lOut << '\n';
        }
        lOut << "  end\n";
    }
    lOut << ":hierarchy\n  begin\n";
    for (std::size_t p = 0; p < pSkeleton.mBones.size(); ++p) {
        std::string lLine;
        for (std::size_t b = 1; b < pSkeleton.mBones.size(); ++b) {
            if (pSkeleton.mBones[b].mParent == static_cast<int>(p)) {
                lLine += ' ' + pSkeleton.mBones[b].mName;
            }
        }
        if (!lLine.empty()) {
            lOut << "    " << (p == 0 ? std::string("root") : pSkeleton.mBones[p].mName) << lLine
                 << '\n';
        }
    }
    lOut << "  end\n";
    return lOut.str();
}

inline std::string ToAmc(const Skeleton& pSkeleton)
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << ":FULLY-SPECIFIED\n:DEGREES\n";
    for (std::size_t f = 0; f < pSkeleton.mFrames.size(); ++f) {
        lOut << f + 1 << '\n';
        for (std::size_t b = 0; b < pSkeleton.mBones.size(); ++b) {
            if (pSkeleton.mBones[b].mDofs.empty()) {
                continue;
            }
            lOut << (b == 0 ? std::string("root") : pSkeleton.mBones[b].mName);
            for (double lValue : pSkeleton.mFrames[f][b]) {
                lOut << ' ' << lValue;
            }
            lOut << '\n';
        }
    }
    return lOut.str();
}

} // namespace asfref

// A scene read from an ASF file and then AMC files, through the readers and one option set
// per step, the ASF step's skeleton lent to the AMC steps.
// An ASF skeleton of one arm below the root, turning about Z (its one DOF), in degrees.
inline const char* const kArmAsf = ":version 1.10\n:name T\n:units\n  mass 1.0\n  length 1.0\n"
                                   "  angle deg\n:root\n  order TX TY TZ RX RY RZ\n  axis XYZ\n"
                                   "  position 0 0 0\n  orientation 0 0 0\n:bonedata\n  begin\n"
                                   "    id 1\n    name arm\n    direction 0 1 0\n    length 10\n"
                                   "    axis 0 0 0 XYZ\n    dof rz\n  end\n:hierarchy\n  begin\n"
                                   "    root arm\n  end\n";

struct AsfAmcScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    std::unique_ptr<KStreamOptions> mAsfOptions;
    std::unique_ptr<KStreamOptions> mAmcOptions;
    std::string mError;

    KStreamOptionsMotion* AsfOptions()
    {
        return static_cast<KStreamOptionsMotion*>(mAsfOptions.get());
    }
    KStreamOptionsMotion* AmcOptions()
    {
        return static_cast<KStreamOptionsMotion*>(mAmcOptions.get());
    }

    // pKeepBones: option 9 at 1 (no merging of bones without DOFs).
    bool ReadAsf(const std::string& pPath, bool pKeepBones = false)
    {
        KReaderAsf lReader(&mFactory);
        if (!lReader.FileOpen(pPath.c_str())) {
            return Fail(lReader.GetError());
        }
        mAsfOptions = lReader.GetReadOptions();
        AsfOptions()->SetOption(KReaderAsf::kOptionKeepBonesWithoutDof, pKeepBones ? 1 : 0);
        return lReader.Read(mScene, mAsfOptions.get()) || Fail(lReader.GetError());
    }

    bool ReadAmc(const std::string& pPath)
    {
        KReaderAmc lReader(&mFactory);
        if (!lReader.FileOpen(pPath.c_str())) {
            return Fail(lReader.GetError());
        }
        mAmcOptions = lReader.GetReadOptions();
        if (!mAmcOptions) {
            return Fail(lReader.GetError());
        }
        if (mAsfOptions) {
            AmcOptions()->SetAttachedObject(AsfOptions()->GetAttachedObject());
        }
        return lReader.Read(mScene, mAmcOptions.get()) || Fail(lReader.GetError());
    }

    // Writes the scene as a pair over the AMC read's span; pTranslationDofs sets option 0.
    // pThroughReference sets option 13 (the root's parent's transform is taken into account).
    bool WritePair(const std::string& pAsf, const std::string& pAmc, bool pTranslationDofs,
                   bool pThroughReference = false)
    {
        KWriterAsf lAsf(&mFactory);
        std::unique_ptr<KStreamOptions> lOptions = lAsf.GetWriteOptions();
        auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
        lMotion->SetOption(KWriterAsf::kOptionTranslationDofs, pTranslationDofs ? 1 : 0);
        lMotion->SetOption(KWriterAsf::kOptionReference, pThroughReference ? 1 : 0);
        if (!lAsf.FileCreate(pAsf.c_str()) || !lAsf.Write(mScene, lOptions.get())) {
            return Fail(lAsf.GetError());
        }
        KWriterAmc lAmc(&mFactory);
        if (mAmcOptions) {
            lMotion->SetStart(AmcOptions()->GetStart());
            lMotion->SetFrameCount(AmcOptions()->GetFrameCount());
            lMotion->SetTimeMode(AmcOptions()->GetTimeMode(), AmcOptions()->GetFrameRate());
        }
        return (lAmc.FileCreate(pAmc.c_str()) && lAmc.Write(mScene, lOptions.get())) ||
               Fail(lAmc.GetError());
    }

    KRyvNode* Find(const char* pName) const
    {
        return mScene->GetRootNode()->FindChild(pName, true);
    }

    // The world position of a node at a frame of the AMC read (frame 0 the first).
    asfref::Vec3 WorldAt(const char* pName, int pFrame)
    {
        KRyvNode* lNode = Find(pName);
        if (!lNode) {
            return asfref::Vec3{NAN, NAN, NAN};
        }
        const KTime lTime = AmcOptions()->GetStart() + AmcOptions()->GetFramePeriod() * pFrame;
        const KMatrix& lGlobal = lNode->GetGlobalMatrixAtTime(lTime);
        return asfref::Vec3{lGlobal[3][0], lGlobal[3][1], lGlobal[3][2]};
    }

    bool Fail(const KError& pError)
    {
        mError = pError.GetLastErrorString().Buffer();
        return false;
    }
};

inline double Distance(const asfref::Vec3& pA, const asfref::Vec3& pB)
{
    return std::sqrt((pA[0] - pB[0]) * (pA[0] - pB[0]) + (pA[1] - pB[1]) * (pA[1] - pB[1]) +
                     (pA[2] - pB[2]) * (pA[2] - pB[2]));
}

#endif
