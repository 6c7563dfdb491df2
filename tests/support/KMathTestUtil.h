#ifndef RYVKIT_TESTS_CORE_KMATHTESTUTIL_H
#define RYVKIT_TESTS_CORE_KMATHTESTUTIL_H

// Reference matrices for the maths tests, built independently of the code under test: the
// elementary rotations written out row by row and a plain 4x4 product.

#include "core/KMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mathtest {

constexpr double kPi = 3.14159265358979323846;

// Row-vector rotation about axis 0 (X), 1 (Y) or 2 (Z) by pDegrees.
inline KMatrix Rotation(int pAxis, double pDegrees)
{
    const double s = std::sin(pDegrees * kPi / 180.0), c = std::cos(pDegrees * kPi / 180.0);
    KMatrix m;
    const int j = (pAxis + 1) % 3, k = (pAxis + 2) % 3;
    m[j][j] = c;
    m[j][k] = s;
    m[k][j] = -s;
    m[k][k] = c;
    return m;
}

// The full 4x4 product pFirst * pSecond (pFirst applies first to row vectors).
inline KMatrix Product(const KMatrix& pFirst, const KMatrix& pSecond)
{
    KMatrix m;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double lSum = 0.0;
            for (int n = 0; n < 4; ++n) {
                lSum += pFirst[r][n] * pSecond[n][c];
            }
            m[r][c] = lSum;
        }
    }
    return m;
}

inline KMatrix Rows(const double (&pRows)[3][3])
{
    KMatrix m;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[r][c] = pRows[r][c];
        }
    }
    return m;
}

inline ::testing::AssertionResult Near3x3(const KMatrix& pA, const KMatrix& pB, double pTol = 1e-9)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!(std::fabs(pA[r][c] - pB[r][c]) <= pTol)) {
                return ::testing::AssertionFailure()
                       << "element [" << r << "][" << c << "]: " << pA[r][c] << " vs " << pB[r][c];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult Near4x4(const KMatrix& pA, const KMatrix& pB, double pTol = 1e-9)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(std::fabs(pA[r][c] - pB[r][c]) <= pTol)) {
                return ::testing::AssertionFailure()
                       << "element [" << r << "][" << c << "]: " << pA[r][c] << " vs " << pB[r][c];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace mathtest

#endif
