#include "formats/motion/KMotionRotationOrder.h"

#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionAngles.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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
template <typename T> struct TurnOf
{
    T m[3][3];
};
using Turn3 = TurnOf<double>;

// Frames AnglesToAxes turns at a time: room for their sines and cosines on the stack.
constexpr int kBlockFrames = 64;

constexpr Turn3 kIdentity3 = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};

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
template <typename T> inline TurnOf<T> TurnXYZ(T sx, T cx, T sy, T cy, T sz, T cz)
{
    return TurnOf<T>{{{cy * cz, cy * sz, -sy},
                      {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                      {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}}};
}

// The turn EulerToMatrixXYZ makes from pAngle about pAxis and 0 about the other two, by the same
// formula: the sine and cosine of 0 are exactly 0 and 1, so only one angle needs them computed,
// and the signed zeros of the products come out as they do there. The axis is a constant of the
// instance, so that products with the constant ones and zeros fold where folding is exact.
template <int kAxis, typename T> inline TurnOf<T> AxisTurnOf(T s, T c)
{
    const T lZero{};
    const T lOne = lZero + 1.0;
    if constexpr (kAxis == 0) {
        return TurnXYZ(s, c, lZero, lOne, lZero, lOne);
    } else if constexpr (kAxis == 1) {
        return TurnXYZ(lZero, lOne, s, c, lZero, lOne);
    } else {
        return TurnXYZ(lZero, lOne, lZero, lOne, s, c);
    }
}

// Which elements of a turn may be other than zero: bit 3 r + c for row r, column c.
constexpr unsigned ElementBit(int pRow, int pColumn)
{
    return 1u << (3 * pRow + pColumn);
}

// A turn about one axis: 1 on the axis, the cosine and the sines in the other two rows.
constexpr unsigned AxisElements(int pAxis)
{
    const int b = (pAxis + 1) % 3;
    const int d = (pAxis + 2) % 3;
    return ElementBit(pAxis, pAxis) | ElementBit(b, b) | ElementBit(b, d) | ElementBit(d, b) |
           ElementBit(d, d);
}

// The terms of element (pRow, pColumn) of a product that may be other than zero.
constexpr int TermCount(unsigned pA, unsigned pB, int pRow, int pColumn)
{
    int lCount = 0;
    for (int k = 0; k < 3; ++k) {
        lCount += (pA & ElementBit(pRow, k)) && (pB & ElementBit(k, pColumn)) ? 1 : 0;
    }
    return lCount;
}

constexpr unsigned ProductElements(unsigned pA, unsigned pB)
{
    unsigned lElements = 0;
    for (int i = 0; i < 9; ++i) {
        lElements |= TermCount(pA, pB, i / 3, i % 3) > 0 ? ElementBit(i / 3, i % 3) : 0u;
    }
    return lElements;
}

constexpr bool AllSingleTerms(unsigned pA, unsigned pB)
{
    for (int i = 0; i < 9; ++i) {
        if (TermCount(pA, pB, i / 3, i % 3) > 1) {
            return false;
        }
    }
    return true;
}

// Element (i, j) of Product with only the terms that may be other than zero, summed in the same
// order; +0 where every term is zero.
template <unsigned kA, unsigned kB, int i, int j, typename T>
inline T SparseElement(const TurnOf<T>& pA, const TurnOf<T>& pB)
{
    constexpr bool kFirst = (kA & ElementBit(i, 0)) && (kB & ElementBit(0, j));
    constexpr bool kSecond = (kA & ElementBit(i, 1)) && (kB & ElementBit(1, j));
    constexpr bool kThird = (kA & ElementBit(i, 2)) && (kB & ElementBit(2, j));
    T lSum{};
    if constexpr (kFirst) {
        lSum = pA.m[i][0] * pB.m[0][j];
    }
    if constexpr (kSecond) {
        const T lTerm = pA.m[i][1] * pB.m[1][j];
        lSum = kFirst ? lSum + lTerm : lTerm;
    }
    if constexpr (kThird) {
        const T lTerm = pA.m[i][2] * pB.m[2][j];
        lSum = kFirst || kSecond ? lSum + lTerm : lTerm;
    }
    return lSum;
}

// Product with the terms that can only be zero left out. When every other term is nonzero it
// equals Product to the last bit: an exact zero added to a nonzero sum leaves it as it is, and a
// sum of nonzero terms that comes out zero is +0 before and after adding zeros.
template <unsigned kA, unsigned kB, typename T>
inline TurnOf<T> SparseProduct(const TurnOf<T>& pA, const TurnOf<T>& pB)
{
    return TurnOf<T>{{{SparseElement<kA, kB, 0, 0>(pA, pB), SparseElement<kA, kB, 0, 1>(pA, pB),
                       SparseElement<kA, kB, 0, 2>(pA, pB)},
                      {SparseElement<kA, kB, 1, 0>(pA, pB), SparseElement<kA, kB, 1, 1>(pA, pB),
                       SparseElement<kA, kB, 1, 2>(pA, pB)},
                      {SparseElement<kA, kB, 2, 0>(pA, pB), SparseElement<kA, kB, 2, 1>(pA, pB),
                       SparseElement<kA, kB, 2, 2>(pA, pB)}}};
}

// Sines and cosines no smaller than this keep every product of three of them a nonzero normal
// number.
constexpr double kFarFromZero = 1e-100;

Turn3 SingleAxisTurn(int pAxis, double pSine, double pCosine)
{
    switch (pAxis) {
    case 0:
        return AxisTurnOf<0>(pSine, pCosine);
    case 1:
        return AxisTurnOf<1>(pSine, pCosine);
    default:
        return AxisTurnOf<2>(pSine, pCosine);
    }
}

// The listed turns, each from its sine and cosine, multiplied with the terms that can only be
// zero left out. Every term that may be nonzero is nonzero when no sine or cosine is near zero:
// the product with the identity gives the first turn back, and the products need only those
// terms. Two distinct axes make single terms, so no sum that cancels to zero enters the last
// product, which has no element that can only be zero.
template <int kFirst, int kSecond, int kThird, typename T>
inline TurnOf<T> SparseThreeTurns(const T s[3], const T c[3], bool pOutermost)
{
    const TurnOf<T> lFirst = AxisTurnOf<kFirst>(s[0], c[0]);
    const TurnOf<T> lSecond = AxisTurnOf<kSecond>(s[1], c[1]);
    const TurnOf<T> lThird = AxisTurnOf<kThird>(s[2], c[2]);
    constexpr unsigned kFirstElements = AxisElements(kFirst);
    constexpr unsigned kSecondElements = AxisElements(kSecond);
    constexpr unsigned kThirdElements = AxisElements(kThird);
    if (pOutermost) {
        constexpr unsigned kInner = ProductElements(kSecondElements, kFirstElements);
        static_assert(AllSingleTerms(kSecondElements, kFirstElements), "a sum could cancel");
        static_assert(ProductElements(kThirdElements, kInner) == 0x1ffu, "a zero element");
        return SparseProduct<kThirdElements, kInner>(
            lThird, SparseProduct<kSecondElements, kFirstElements>(lSecond, lFirst));
    }
    constexpr unsigned kInner = ProductElements(kFirstElements, kSecondElements);
    static_assert(AllSingleTerms(kFirstElements, kSecondElements), "a sum could cancel");
    static_assert(ProductElements(kInner, kThirdElements) == 0x1ffu, "a zero element");
    return SparseProduct<kInner, kThirdElements>(
        SparseProduct<kFirstElements, kSecondElements>(lFirst, lSecond), lThird);
}

// The listed turns multiplied in listing order as the general loop of AnglesToMatrix multiplies
// them, the first with the identity included, so that every bit comes out the same.
template <int kFirst, int kSecond, int kThird>
Turn3 ThreeTurns(const double s[3], const double c[3], KMotionRotationOrder::EListing pListing)
{
    bool lFarFromZero = true;
    for (int i = 0; i < 3; ++i) {
        lFarFromZero =
            lFarFromZero && std::fabs(s[i]) >= kFarFromZero && std::fabs(c[i]) >= kFarFromZero;
    }
    const bool lOutermost = pListing == KMotionRotationOrder::eFirstOutermost;
    if (!lFarFromZero) {
        const Turn3 lFirst = AxisTurnOf<kFirst>(s[0], c[0]);
        const Turn3 lSecond = AxisTurnOf<kSecond>(s[1], c[1]);
        const Turn3 lThird = AxisTurnOf<kThird>(s[2], c[2]);
        return lOutermost ? Product(lThird, Product(lSecond, Product(lFirst, kIdentity3)))
                          : Product(Product(Product(kIdentity3, lFirst), lSecond), lThird);
    }
    return SparseThreeTurns<kFirst, kSecond, kThird>(s, c, lOutermost);
}

// Three distinct listed axes as compile-time arguments.
template <int kFirst, int kSecond, int kThird>
using DistinctAxes = std::integer_sequence<int, kFirst, kSecond, kThird>;

// Calls pCall with the listed axes as DistinctAxes when they are three distinct ones, the joints
// of nearly every motion file, so that each order is its own instance; false for any other list.
template <typename Call> bool WithDistinctAxes(const int* pAxes, Call&& pCall)
{
    switch (pAxes[0] * 9 + pAxes[1] * 3 + pAxes[2]) {
    case 0 * 9 + 1 * 3 + 2:
        pCall(DistinctAxes<0, 1, 2>());
        return true;
    case 0 * 9 + 2 * 3 + 1:
        pCall(DistinctAxes<0, 2, 1>());
        return true;
    case 1 * 9 + 0 * 3 + 2:
        pCall(DistinctAxes<1, 0, 2>());
        return true;
    case 1 * 9 + 2 * 3 + 0:
        pCall(DistinctAxes<1, 2, 0>());
        return true;
    case 2 * 9 + 0 * 3 + 1:
        pCall(DistinctAxes<2, 0, 1>());
        return true;
    case 2 * 9 + 1 * 3 + 0:
        pCall(DistinctAxes<2, 1, 0>());
        return true;
    default:
        return false;
    }
}

template <int kFirst, int kSecond, int kThird>
Turn3 ThreeTurnsOf(DistinctAxes<kFirst, kSecond, kThird>, const double pSine[3],
                   const double pCosine[3], KMotionRotationOrder::EListing pListing)
{
    return ThreeTurns<kFirst, kSecond, kThird>(pSine, pCosine, pListing);
}

// Frames pFirst to pFirst + pCount - 1 of AnglesToAxes, their sines and cosines in one run.
template <int kFirst, int kSecond, int kThird>
void ThreeTurnsBlock(DistinctAxes<kFirst, kSecond, kThird>, int pFirst, int pCount,
                     KMotionRotationOrder::EListing pListing, const double* const pDegrees[3],
                     double* oAxes, int pStride)
{
    double lSine[3][kBlockFrames];
    double lCosine[3][kBlockFrames];
    for (int i = 0; i < 3; ++i) {
        KMotionAngles::SinCos(pCount, pDegrees[i] + pFirst, lSine[i], lCosine[i]);
    }
    for (int f = 0; f < pCount; ++f) {
        const double s[3] = {lSine[0][f], lSine[1][f], lSine[2][f]};
        const double c[3] = {lCosine[0][f], lCosine[1][f], lCosine[2][f]};
        const Turn3 lTurn = ThreeTurns<kFirst, kSecond, kThird>(s, c, pListing);
        for (int r = 0; r < 3; ++r) {
            for (int k = 0; k < 3; ++k) {
                oAxes[(3 * r + k) * pStride + pFirst + f] = lTurn.m[r][k];
            }
        }
    }
}

// Any count of listed turns, axes repeated or not, one after the other.
Turn3 AnyTurns(const int* pAxes, const double* pSine, const double* pCosine, int pCount,
               KMotionRotationOrder::EListing pListing)
{
    const bool lOutermost = pListing == KMotionRotationOrder::eFirstOutermost;
    Turn3 lResult = kIdentity3;
    for (int i = 0; i < pCount; ++i) {
        const Turn3 lTurn = SingleAxisTurn(pAxes[i], pSine[i], pCosine[i]);
        // The first turn's product with the identity, written out so that its constant factors
        // fold.
        if (i == 0) {
            lResult = lOutermost ? Product(lTurn, kIdentity3) : Product(kIdentity3, lTurn);
        } else {
            lResult = lOutermost ? Product(lTurn, lResult) : Product(lResult, lTurn);
        }
    }
    return lResult;
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
    if (pCount < 0 || (pCount > 0 && pAngles == nullptr)) {
        MatrixSetIdentity(pDst);
        return false;
    }
    constexpr int kStackTurns = 8;
    double lStack[2 * kStackTurns];
    std::vector<double> lHeap;
    double* lSine = lStack;
    if (pCount > kStackTurns) {
        lHeap.resize(2 * static_cast<std::size_t>(pCount));
        lSine = lHeap.data();
    }
    double* lCosine = lSine + pCount;
    KMotionAngles::SinCos(pCount, pAngles, lSine, lCosine);
    return TurnsToMatrix(pDst, pAxes, lSine, lCosine, pCount, pListing);
}

bool KMotionRotationOrder::TurnsToMatrix(KMatrix& pDst, const int* pAxes, const double* pSine,
                                         const double* pCosine, int pCount, EListing pListing)
{
    if (pCount < 0 ||
        (pCount > 0 && (pAxes == nullptr || pSine == nullptr || pCosine == nullptr))) {
        MatrixSetIdentity(pDst);
        return false;
    }
    for (int i = 0; i < pCount; ++i) {
        if (pAxes[i] < 0 || pAxes[i] > 2) {
            MatrixSetIdentity(pDst);
            return false;
        }
    }
    Turn3 lResult;
    const bool lDistinct = pCount == 3 && WithDistinctAxes(pAxes, [&](auto pOrder) {
                               lResult = ThreeTurnsOf(pOrder, pSine, pCosine, pListing);
                           });
    if (!lDistinct) {
        lResult = AnyTurns(pAxes, pSine, pCosine, pCount, pListing);
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

bool KMotionRotationOrder::AnglesToAxes(int pCount, const int pAxes[3], EListing pListing,
                                        const double* const pDegrees[3], double* oAxes, int pStride)
{
    for (int i = 0; i < 3; ++i) {
        if (pAxes[i] < 0 || pAxes[i] > 2) {
            return false;
        }
    }
    return WithDistinctAxes(pAxes, [&](auto pOrder) {
        for (int lFirst = 0; lFirst < pCount; lFirst += kBlockFrames) {
            ThreeTurnsBlock(pOrder, lFirst, std::min(kBlockFrames, pCount - lFirst), pListing,
                            pDegrees, oAxes, pStride);
        }
    });
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
