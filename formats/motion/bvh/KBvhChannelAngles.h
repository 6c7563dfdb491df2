#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHCHANNELANGLES_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHCHANNELANGLES_H

#include "core/KVector4.h"
#include "formats/motion/bvh/KBvhValueText.h"

class KMatrix;

// The rotation channels the BVH writer prints, "Zrotation Xrotation Yrotation" listed outermost
// first (Y turns first, then X, then Z), worked out of a joint's matrix: each axis row divided by
// its scale (signed like the determinant) twice, the three angles from the arc tangents of
// KMotionAngles, then rounded together by KMotionPrintPrecision::RoundToLargest. Degrees; the X
// angle lies in [-90, 90], the others in (-180, 180]. Where the cosine of the X angle is at most
// kGimbal (gimbal lock), the Z angle is 0 and the Y angle carries the whole remaining turn. The
// same bits on every machine, one matrix at a time or many. A matrix that is not finite gives
// angles that are not, which the file refuses to print.
class KBvhChannelAngles
{
public:
    static constexpr double kGimbal = 1.6e-9;

    // The angles placed as KBvhFile::WriteJointFrame prints them: z the Z angle, y the X angle,
    // x the Y angle. oDecimals receives them, placed alike, as short decimals where the rounding
    // leaves them known (else not known).
    static KVector4 Of(const KMatrix& pMatrix, KBvhDecimals& oDecimals);
    // Of for pCount matrices (their 3x3 parts) into oAngles[i] and oDecimals[i].
    static void Of(int pCount, const KMatrix* pMatrices, KVector4* oAngles,
                   KBvhDecimals* oDecimals);
    // Of for the matrices of pCount poses, each a rotation (Euler X, Y, Z degrees, turned by
    // KMotionEuler::EulerXYZToAxes) with each axis row times its scaling component, as
    // MatrixSetTRS lays them out.
    static void OfPoses(int pCount, const KVector4* pRotations, const KVector4* pScalings,
                        KVector4* oAngles, KBvhDecimals* oDecimals);
};

#endif
