#include "formats/motion/KMotionRotationOrder.h"

#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "core/KVector4.h"

#include <cmath>

namespace {

// Writes the axes in application order; false unless they are a permutation of X, Y, Z.
bool ApplicationOrder(int pApplied[3], const int pAxes[3], KMotionRotationOrder::EListing pListing)
{
    bool lSeen[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        const int lAxis = pAxes[i];
        if (lAxis < 0 || lAxis > 2 || lSeen[lAxis]) {
            return false;
        }
        lSeen[lAxis] = true;
        pApplied[i] = pListing == KMotionRotationOrder::eFirstOutermost ? pAxes[2 - i] : lAxis;
    }
    return true;
}

// Axis triples in application order. The kit's rotation orders 0 to 5 and the rows of
// EulerToMatrixOrdered's table (index / 2) number the triples alike.
constexpr int kTriples[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

int FindTriple(const int pApplied[3])
{
    for (int i = 0; i < 6; ++i) {
        if (kTriples[i][0] == pApplied[0] && kTriples[i][1] == pApplied[1] &&
            kTriples[i][2] == pApplied[2]) {
            return i;
        }
    }
    return -1;
}

// The 3x3 part of a rotation, worked on in place of whole matrices: this runs once per joint and
// frame of a motion file.
struct Turn3
{
    double m[3][3];
};

constexpr Turn3 kIdentity3 = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// pFirst * pSecond in row-vector form, summed in the order MatrixMultiply3x3 sums, so that the
// result is the same to the last bit; written out, as this runs for every joint of every frame.
inline Turn3 Product(const Turn3& pFirst, const Turn3& pSecond)
{
    const auto& a = pFirst.m;
    const auto& b = pSecond.m;
    return Turn3{{{a[0][0] * b[0][0] + a[0][1] * b[1][0] + a[0][2] * b[2][0],
                   a[0][0] * b[0][1] + a[0][1] * b[1][1] + a[0][2] * b[2][1],
                   a[0][0] * b[0][2] + a[0][1] * b[1][2] + a[0][2] * b[2][2]},
                  {a[1][0] * b[0][0] + a[1][1] * b[1][0] + a[1][2] * b[2][0],
                   a[1][0] * b[0][1] + a[1][1] * b[1][1] + a[1][2] * b[2][1],
                   a[1][0] * b[0][2] + a[1][1] * b[1][2] + a[1][2] * b[2][2]},
                  {a[2][0] * b[0][0] + a[2][1] * b[1][0] + a[2][2] * b[2][0],
                   a[2][0] * b[0][1] + a[2][1] * b[1][1] + a[2][2] * b[2][1],
                   a[2][0] * b[0][2] + a[2][1] * b[1][2] + a[2][2] * b[2][2]}}};
}

// EulerToMatrixXYZ's formula from the sines and cosines of the three angles.
inline Turn3 TurnXYZ(double sx, double cx, double sy, double cy, double sz, double cz)
{
    return Turn3{{{cy * cz, cy * sz, -sy},
                  {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                  {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}}};
}

// The turn EulerToMatrixXYZ makes from pAngle about pAxis and 0 about the other two, by the same
// formula: the sine and cosine of 0 are exactly 0 and 1, so only one angle needs them computed,
// and the signed zeros of the products come out as they do there.
Turn3 SingleAxisTurn(int pAxis, double pAngle)
{
    const double s = std::sin(pAngle * kDegToRad);
    const double c = std::cos(pAngle * kDegToRad);
    switch (pAxis) {
    case 0:
        return TurnXYZ(s, c, 0.0, 1.0, 0.0, 1.0);
    case 1:
        return TurnXYZ(0.0, 1.0, s, c, 0.0, 1.0);
    default:
        return TurnXYZ(0.0, 1.0, 0.0, 1.0, s, c);
    }
}

} // namespace

int KMotionRotationOrder::ToKitOrder(const int pAxes[3], EListing pListing)
{
    int lApplied[3];
    if (pAxes == nullptr || !ApplicationOrder(lApplied, pAxes, pListing)) {
        return -1;
    }
    return FindTriple(lApplied);
}

int KMotionRotationOrder::ToOrderedIndex(const int pAxes[3], EListing pListing)
{
    int lApplied[3];
    if (pAxes == nullptr || !ApplicationOrder(lApplied, pAxes, pListing)) {
        return -1;
    }
    return 2 * FindTriple(lApplied);
}

bool KMotionRotationOrder::AnglesToMatrix(KMatrix& pDst, const int* pAxes, const double* pAngles,
                                          int pCount, EListing pListing)
{
    if (pCount < 0 || (pCount > 0 && (pAxes == nullptr || pAngles == nullptr))) {
        MatrixSetIdentity(pDst);
        return false;
    }
    for (int i = 0; i < pCount; ++i) {
        if (pAxes[i] < 0 || pAxes[i] > 2) {
            MatrixSetIdentity(pDst);
            return false;
        }
    }
    Turn3 lResult = kIdentity3;
    if (pCount > 0) {
        // The product with the identity, written out so that its constant factors fold.
        const Turn3 lFirst = SingleAxisTurn(pAxes[0], pAngles[0]);
        lResult =
            pListing == eFirstOutermost ? Product(lFirst, kIdentity3) : Product(kIdentity3, lFirst);
    }
    for (int i = 1; i < pCount; ++i) {
        const Turn3 lTurn = SingleAxisTurn(pAxes[i], pAngles[i]);
        lResult = pListing == eFirstOutermost ? Product(lTurn, lResult) : Product(lResult, lTurn);
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = lResult.m[r][c];
        }
        pDst[r][3] = 0.0;
        pDst[3][r] = 0.0;
    }
    pDst[3][3] = 1.0;
    return true;
}

bool KMotionRotationOrder::MatrixToAngles(double pAngles[3], const KMatrix& pSrc,
                                          const int pAxes[3], EListing pListing)
{
    const int lOrder = ToKitOrder(pAxes, pListing);
    if (lOrder < 0) {
        return false;
    }
    KVector4 lEuler;
    if (!KRotationOrder(lOrder).M2V(lEuler, pSrc)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        pAngles[i] = lEuler[pAxes[i]];
    }
    return true;
}
