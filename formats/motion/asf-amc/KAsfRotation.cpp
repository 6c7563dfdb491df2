#include "formats/motion/asf-amc/KAsfRotation.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/asf-amc/KAsfBone.h"

#include <cctype>
#include <cstring>

namespace {

constexpr int kOrderCount = 6;

// The axis triple of each even index of EulerToMatrixOrdered (index / 2), in application order.
constexpr int kApplied[kOrderCount][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0},
                                          {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

// DOF lists: rows the last rotation axis, columns the middle one (X, Y, Z).
constexpr int kDofOrder[3][3] = {{10, 10, 4}, {8, 8, 2}, {6, 0, 0}};

bool IsEvenIndex(int pIndex)
{
    return pIndex >= 0 && pIndex < 2 * kOrderCount && pIndex % 2 == 0;
}

int AxisOfDof(int pCode)
{
    return pCode >= KAsfBone::eRz && pCode <= KAsfBone::eRx ? KAsfBone::eRx - pCode : -1;
}

} // namespace

int KAsfRotation::IndexOfWord(const char* pWord)
{
    if (!pWord || std::strlen(pWord) != 3) {
        return -1;
    }
    int lAxes[3];
    for (int i = 0; i < 3; ++i) {
        const int lLetter = std::tolower(static_cast<unsigned char>(pWord[i]));
        if (lLetter < 'x' || lLetter > 'z') {
            return -1;
        }
        lAxes[i] = lLetter - 'x';
    }
    return KMotionRotationOrder::ToOrderedIndex(lAxes, KMotionRotationOrder::eFirstAppliedFirst);
}

int KAsfRotation::IndexOfDofs(const int* pDofs, int pCount)
{
    int lLast = KMotionRotationOrder::eAxisZ;
    int lMiddle = KMotionRotationOrder::eAxisY;
    int lFound = 0;
    for (int i = pCount - 1; i >= 0 && lFound < 2; --i) {
        const int lAxis = AxisOfDof(pDofs[i]);
        if (lAxis < 0) {
            continue;
        }
        (lFound == 0 ? lLast : lMiddle) = lAxis;
        ++lFound;
    }
    return kDofOrder[lLast][lMiddle];
}

bool KAsfRotation::AnglesToMatrix(KMatrix& pDst, const double pAngles[3], int pIndex)
{
    if (!IsEvenIndex(pIndex)) {
        MatrixSetIdentity(pDst);
        return false;
    }
    const int* lTriple = kApplied[pIndex / 2];
    return EulerToMatrixOrdered(pDst, pAngles[lTriple[0]], pAngles[lTriple[1]], pAngles[lTriple[2]],
                                pIndex);
}

bool KAsfRotation::MatrixToAngles(double pAngles[3], const KMatrix& pSrc, int pIndex)
{
    KVector4 lOrdered;
    if (!IsEvenIndex(pIndex) || !MatrixToEulerOrdered(lOrdered, pSrc, pIndex)) {
        return false;
    }
    SwapChannels(pAngles, lOrdered, pIndex);
    return true;
}

void KAsfRotation::SwapChannels(double pXyz[3], const KVector4& pOrdered, int pIndex)
{
    if (!IsEvenIndex(pIndex)) {
        for (int i = 0; i < 3; ++i) {
            pXyz[i] = pOrdered[i];
        }
        return;
    }
    const int* lTriple = kApplied[pIndex / 2];
    for (int i = 0; i < 3; ++i) {
        pXyz[lTriple[i]] = pOrdered[i];
    }
}
