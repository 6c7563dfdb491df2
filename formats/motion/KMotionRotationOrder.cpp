#include "formats/motion/KMotionRotationOrder.h"

#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "core/KVector4.h"

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
    KMatrix lResult;
    MatrixSetIdentity(pDst);
    if (pCount < 0 || (pCount > 0 && (pAxes == nullptr || pAngles == nullptr))) {
        return false;
    }
    for (int i = 0; i < pCount; ++i) {
        if (pAxes[i] < 0 || pAxes[i] > 2) {
            return false;
        }
        double lEuler[3] = {0.0, 0.0, 0.0};
        lEuler[pAxes[i]] = pAngles[i];
        KMatrix lTurn;
        EulerToMatrixXYZ(lTurn, lEuler[0], lEuler[1], lEuler[2]);
        // MatrixMultiply3x3(dst, A, B) is B * A: its third argument applies first.
        if (pListing == eFirstOutermost) {
            MatrixMultiply3x3(lResult, lResult, lTurn);
        } else {
            MatrixMultiply3x3(lResult, lTurn, lResult);
        }
    }
    pDst = lResult;
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
