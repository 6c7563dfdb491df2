#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKANGLES_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKANGLES_H

#include "formats/motion/KMotionQuickEuler.h"

// The XYZ Euler angles (degrees) of joints' channel rotations, a block of joints at a time, by
// quick trigonometry, each joint's with a bound on how far they may lie from the angles the
// library path gives for the same channel values (KMotionRotationOrder::AnglesToMatrix with the
// channels read eFirstOutermost, then MatrixToEulerXYZ): the sines and cosines of the channel
// angles, the products the library takes for three distinct axes, and the rows' angles, each
// through KMotionQuickEuler.
class KBvhQuickAngles
{
public:
    // Most joints one call takes.
    static constexpr int kMaxCount = KMotionQuickEuler::kMaxCount;
    // How far each matrix entry may lie from the library path's (see the source).
    static const double kEntryError;

    // pCount (0..kMaxCount) joints whose rotation channels list the distinct axes pAxes
    // (KMotionRotationOrder::EAxis), listed angle i of joint f in pDegrees[i][f]: the joints' X, Y,
    // Z angles into oAngles[0..2][f] and their bound into oBound[f]; an infinite bound where none
    // can be given (angles beyond KMotionQuickTrig::kLargestTurn, gimbal lock and its borders).
    // False, nothing written, for axes that are not X, Y and Z in some order.
    static bool Convert(int pCount, const int pAxes[3], const double* const pDegrees[3],
                        double* const oAngles[3], double* oBound);
};

#endif
