#include "formats/motion/bvh/KBvhQuickAngles.h"

#include "formats/motion/KMotionRotationOrder.h"

#include <cmath>

namespace {

// Each entry of the rotation of three distinct axes is a sum of at most two products of at most
// three sines and cosines (all within 1 + e of zero). With each factor within e of the
// library's sine or cosine, a product of three moves by at most 3e (1 + e)^2, the entry by 6e to
// first order; each side rounds at most five times (two per product, one for the sum) on values
// below 2, which 6 * 2^-53 covers on each side. The library may also take the products with
// exact zeros added, the same values but for the signs of zeros, which the angles' bounds
// cover. Twice the first-order sum, with a floor for subnormal roundings.
constexpr double kSafety = 2.0;
constexpr double kFloor = 1e-300;
constexpr double kEntryErrorValue =
    kSafety * (6.0 * KMotionQuickEuler::kSinCosError + 2.0 * 6.0 * 0x1p-53) + kFloor;

} // namespace

const double KBvhQuickAngles::kEntryError = kEntryErrorValue;

bool KBvhQuickAngles::Convert(int pCount, const int pAxes[3], const double* const pDegrees[3],
                              double* const oAngles[3], double* oBound)
{
    double lSine[3][kMaxCount];
    double lCosine[3][kMaxCount];
    bool lOutside[3][kMaxCount];
    for (int i = 0; i < 3; ++i) {
        KMotionQuickEuler::SinCos(pCount, pDegrees[i], lSine[i], lCosine[i], lOutside[i]);
    }
    double lRow0[3][kMaxCount];
    double lRow1[3][kMaxCount];
    double lZ2[kMaxCount];
    const double* const lSines[3] = {lSine[0], lSine[1], lSine[2]};
    const double* const lCosines[3] = {lCosine[0], lCosine[1], lCosine[2]};
    double* const lRows0[3] = {lRow0[0], lRow0[1], lRow0[2]};
    double* const lRows1[3] = {lRow1[0], lRow1[1], lRow1[2]};
    if (!KMotionRotationOrder::SinCosToRows(pCount, pAxes, KMotionRotationOrder::eFirstOutermost,
                                            lSines, lCosines, lRows0, lRows1, lZ2)) {
        return false;
    }
    const double* const lRows0In[3] = {lRow0[0], lRow0[1], lRow0[2]};
    const double* const lRows1In[3] = {lRow1[0], lRow1[1], lRow1[2]};
    KMotionQuickEuler::AxesToEulerXYZ(pCount, lRows0In, lRows1In, lZ2, kEntryErrorValue, oAngles,
                                      oBound);
    for (int f = 0; f < pCount; ++f) {
        if (lOutside[0][f] || lOutside[1][f] || lOutside[2][f]) {
            oBound[f] = HUGE_VAL;
        }
    }
    return true;
}
