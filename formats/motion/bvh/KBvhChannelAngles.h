#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHCHANNELANGLES_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHCHANNELANGLES_H

#include "core/KVector4.h"
#include "formats/motion/KMotionQuickTrig.h"
#include "formats/motion/bvh/KBvhValueText.h"

class KMatrix;

// The rotation channels the BVH writer prints, "Zrotation Xrotation Yrotation" listed outermost
// first, worked out of a joint's matrix: the angles KMotionRotationOrder::MatrixToAngles gives
// for those channels (the axis scale divided out, as M2V does, twice), rounded together by
// KMotionPrintPrecision::RoundToLargest, bit for bit. Degrees. A non-finite matrix gives
// non-finite angles, which the file refuses to print.
//
// Only the rounded angles are kept, so most need not be worked out to the last bit: quick arc
// tangents (and, for a pose, quick sines and cosines) give angles within about 1e-13 (1e-11)
// degrees of the library's, which decide the digits whenever every angle and the largest of
// them lie more than 1e-11 (1e-9) degrees from a point where the rounding changes. The rest
// (near such points, near gimbal lock, near a half turn whose sign a rounding error decides,
// mirrors of almost no volume) go the library's way. The quick way works on poses two at a time
// in the lanes of KMotionLaneBits, and on four in the wider registers where the processor has them:
// the same operations lane by lane, so the same bits on every processor.
class KBvhChannelAngles
{
public:
    KBvhChannelAngles();

    // The angles placed as KBvhFile::WriteJointFrame prints them: z the Z angle, y the X angle,
    // x the Y angle. oDecimals receives them, placed alike, as short decimals when the quick way
    // found them, else not known.
    KVector4 Of(const KMatrix& pMatrix, KBvhDecimals& oDecimals) const;
    // The same for the matrix MatrixSetTRS makes of a rotation (Euler X, Y, Z degrees) and a
    // scaling, which is made only when the quick way cannot be sure without the library's sines
    // and cosines.
    KVector4 OfPose(const KVector4& pRotation, const KVector4& pScaling,
                    KBvhDecimals& oDecimals) const;
    // OfPose of pCount poses: the same answers, worked out several at a time, side by side (in
    // lanes of the width pWidth asks for, where the processor has it).
    void OfPoses(int pCount, const KVector4* pRotations, const KVector4* pScalings,
                 KVector4* oAngles, KBvhDecimals* oDecimals,
                 KMotionLaneWidth pWidth = KMotionQuickTrig::WidestLanes()) const;

private:
    // The library's way, for every matrix.
    KVector4 ExactlyOf(const KMatrix& pMatrix) const;
    // The poses OfPoses works out at once.
    static constexpr int kPosesAtOnce = 16;

    // The quick way for at most kPosesAtOnce poses: oQuick tells which it is sure of, whose
    // angles and decimals it sets.
    void QuicklyOfPoses(int pCount, const KVector4* pRotations, const KVector4* pScalings,
                        KVector4* oAngles, KBvhDecimals* oDecimals, bool* oQuick,
                        KMotionLaneWidth pWidth) const;
    // The pose's matrix, then Of.
    KVector4 SlowlyOfPose(const KVector4& pRotation, const KVector4& pScaling,
                          KBvhDecimals& oDecimals) const;

    // The row of EulerToMatrixOrdered's axis table for the channels.
    int mOrderedIndex;
};

#endif
