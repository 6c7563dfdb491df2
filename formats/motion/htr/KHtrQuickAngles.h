#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRQUICKANGLES_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRQUICKANGLES_H

#include "formats/motion/KMotionQuickEuler.h"
#include "formats/motion/htr/KHtrAffineBlock.h"

// The quick lanes of the HTR frame passes over a block of frames: the turns of angles from
// KMotionQuickEuler's sines and cosines, and Euler angles read back with the proof that their
// floats are those of the library path. A frame whose proof fails is left to the caller, which
// works it out again through the library path.
class KHtrQuickAngles
{
public:
    static constexpr int kFrames = KHtrAffineBlock::kFrames;
    static_assert(kFrames <= KMotionQuickEuler::kMaxCount,
                  "a block is one call of the quick lanes");

    // Factor on the bounds KHtrLaneBound carries before a proof relies on them: they are first
    // order in the sines' bound.
    static constexpr double kSafety = 2.0;
    // Added to every bound a proof relies on: the roundings KHtrLaneBound counts are relative,
    // which fails below the normal doubles, where each one moves a value at most 2^-1075.
    static constexpr double kFloor = 1e-300;
    // A bound on the spectral norm of the difference between the axes Turns gives and those
    // EulerToAxesOrdered gives for the same angles, so on every element's difference too. The
    // products are, as polynomials, those of the three single-axis matrices of the sines and
    // cosines, whose difference from the library's has a norm of at most sqrt(2) E (E =
    // kSinCosError) and whose norms stay below 1 + 2 E: 3 sqrt(2) E (1 + 2 E)^2 at first order.
    // The roundings (one of each simple element, four of the others, of values at most about 1)
    // give each path a matrix of Frobenius norm sqrt(68) u (1 + 1e-14) at most: 17 u for both.
    static constexpr double kTurnError =
        kSafety * (3.0 * 1.4142135623730951 * KMotionQuickEuler::kSinCosError * (1.0 + 1e-12) +
                   17.0 * 1.1102230246251565e-16);

    // The turns of frames 0 to pCount - 1 (at most kFrames): pAngles[0][f], pAngles[1][f] and
    // pAngles[2][f] (degrees) about the axes pAxes[0], pAxes[1], pAxes[2] (a permutation of
    // 0, 1, 2), applied in that order, as EulerToAxesOrdered gives them for the right-handed
    // index of that triple; frames from pCount on get the identity. oOutside[f] is set where an
    // angle lies beyond the quick lanes' reach (or is not finite): that frame's elements are then
    // some number.
    static void Turns(int pCount, const double* const pAngles[3], const int pAxes[3],
                      KHtrAffineBlock& ioTurns, bool* oOutside);
    // The same products, for every frame of the block, from the sines and cosines of the angles
    // (kFrames of each, in the sense of that index: an odd triple turns by the negated angles).
    static void TurnsOf(const double* const pSine[3], const double* const pCosine[3],
                        const int pAxes[3], KHtrAffineBlock& oTurns);
    // -1 when the triple pAxes is odd (its right-handed index negates the angles), else 1.
    static double Sense(const int pAxes[3]);

    // The Euler X, Y, Z angles (degrees) of frames 0 to pCount - 1 read from elements (rows 0
    // and 1, row 2's Z) that each lie within pElementError of the library's; ioSure[f] is
    // cleared where the float of an angle could differ from the library's.
    static void EulerXYZ(int pCount, const double* const pRow0[3], const double* const pRow1[3],
                         const double* pZ2, double pElementError, double oAngles[3][kFrames],
                         bool* ioSure);
    // ioSure[f] cleared where the float of pValues[f] could differ from that of a value within
    // pBounds[f] of it.
    static void Prove(int pCount, const double* pValues, const double* pBounds, bool* ioSure);
};

#endif
