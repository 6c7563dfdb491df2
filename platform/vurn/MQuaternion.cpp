#include "platform/vurn/MQuaternion.h"

#include <cmath>

MMatrix MQuaternion::asMatrix() const
{
    MMatrix lResult;
    lResult(0, 0) = 1.0 - 2.0 * (y * y + z * z);
    lResult(0, 1) = 2.0 * (x * y + z * w);
    lResult(0, 2) = 2.0 * (x * z - y * w);
    lResult(1, 0) = 2.0 * (x * y - z * w);
    lResult(1, 1) = 1.0 - 2.0 * (x * x + z * z);
    lResult(1, 2) = 2.0 * (y * z + x * w);
    lResult(2, 0) = 2.0 * (x * z + y * w);
    lResult(2, 1) = 2.0 * (y * z - x * w);
    lResult(2, 2) = 1.0 - 2.0 * (x * x + y * y);
    return lResult;
}

// The largest of the four diagonal combinations is taken as the divisor, so no branch divides
// by a value near zero.
MQuaternion MQuaternion::fromMatrix(const MMatrix& pM)
{
    const double lTrace = pM(0, 0) + pM(1, 1) + pM(2, 2);
    MQuaternion lQ;
    if (lTrace > 0.0) {
        const double lS = std::sqrt(lTrace + 1.0) * 2.0;
        lQ = MQuaternion((pM(1, 2) - pM(2, 1)) / lS, (pM(2, 0) - pM(0, 2)) / lS,
                         (pM(0, 1) - pM(1, 0)) / lS, 0.25 * lS);
    } else if (pM(0, 0) > pM(1, 1) && pM(0, 0) > pM(2, 2)) {
        const double lS = std::sqrt(1.0 + pM(0, 0) - pM(1, 1) - pM(2, 2)) * 2.0;
        lQ = MQuaternion(0.25 * lS, (pM(0, 1) + pM(1, 0)) / lS, (pM(2, 0) + pM(0, 2)) / lS,
                         (pM(1, 2) - pM(2, 1)) / lS);
    } else if (pM(1, 1) > pM(2, 2)) {
        const double lS = std::sqrt(1.0 + pM(1, 1) - pM(0, 0) - pM(2, 2)) * 2.0;
        lQ = MQuaternion((pM(0, 1) + pM(1, 0)) / lS, 0.25 * lS, (pM(1, 2) + pM(2, 1)) / lS,
                         (pM(2, 0) - pM(0, 2)) / lS);
    } else {
        const double lS = std::sqrt(1.0 + pM(2, 2) - pM(0, 0) - pM(1, 1)) * 2.0;
        lQ = MQuaternion((pM(2, 0) + pM(0, 2)) / lS, (pM(1, 2) + pM(2, 1)) / lS, 0.25 * lS,
                         (pM(0, 1) - pM(1, 0)) / lS);
    }
    return lQ;
}
