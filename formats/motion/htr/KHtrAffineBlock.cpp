#include "formats/motion/htr/KHtrAffineBlock.h"

#include "formats/motion/KMotionEuler.h"

#include <cmath>

namespace {

constexpr int kFrames = KHtrAffineBlock::kFrames;

// One column of a product for all frames: pB0 * pA0 + pB1 * pA1 + pB2 * pA2 (+ pAdd), the order
// of MatrixMultiplyAffine's sums. The outputs never overlap the inputs.
void ProductColumn(double* __restrict oDst, const double* __restrict pB0,
                   const double* __restrict pB1, const double* __restrict pB2,
                   const double* __restrict pA0, const double* __restrict pA1,
                   const double* __restrict pA2)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pB0[f] * pA0[f] + pB1[f] * pA1[f] + pB2[f] * pA2[f];
    }
}

void TranslationColumn(double* __restrict oDst, const double* __restrict pT0,
                       const double* __restrict pT1, const double* __restrict pT2,
                       const double* __restrict pA0, const double* __restrict pA1,
                       const double* __restrict pA2, const double* __restrict pAdd)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pT0[f] * pA0[f] + pT1[f] * pA1[f] + pT2[f] * pA2[f] + pAdd[f];
    }
}

// The same with the pB values fixed for every frame.
void FixedProductColumn(double* __restrict oDst, const double pB[3], const double* __restrict pA0,
                        const double* __restrict pA1, const double* __restrict pA2)
{
    const double b0 = pB[0], b1 = pB[1], b2 = pB[2];
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = b0 * pA0[f] + b1 * pA1[f] + b2 * pA2[f];
    }
}

void FixedTranslationColumn(double* __restrict oDst, const double pT[3],
                            const double* __restrict pA0, const double* __restrict pA1,
                            const double* __restrict pA2, const double* __restrict pAdd)
{
    const double t0 = pT[0], t1 = pT[1], t2 = pT[2];
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = t0 * pA0[f] + t1 * pA1[f] + t2 * pA2[f] + pAdd[f];
    }
}

// The same with the pA values fixed for every frame.
void ThenFixedProductColumn(double* __restrict oDst, const double* __restrict pB0,
                            const double* __restrict pB1, const double* __restrict pB2, double pA0,
                            double pA1, double pA2)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pB0[f] * pA0 + pB1[f] * pA1 + pB2[f] * pA2;
    }
}

// The angles of frames 0 to pCount - 1 from the elements they are read from, all in one run.
void EulerOfFrames(const double (*pRow0)[kFrames], const double (*pRow1)[kFrames],
                   const double* pZ2, int pCount, double oAngles[3][kFrames])
{
    const double* const lRow0[3] = {pRow0[0], pRow0[1], pRow0[2]};
    const double* const lRow1[3] = {pRow1[0], pRow1[1], pRow1[2]};
    double* const lAngles[3] = {oAngles[0], oAngles[1], oAngles[2]};
    KMotionEuler::AxesToEulerXYZ(pCount, lRow0, lRow1, pZ2, lAngles);
}

// An element of every frame divided by its axis' scale, kept where the scale is 0: there it is
// divided by 1 (0 + 1), which gives it back bit for bit, while any other scale gains 0 and stays
// as it is. The loop has no branch and runs as vector operations.
void Unscale(double* __restrict oDst, const double* __restrict pElement,
             const double* __restrict pScale)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pElement[f] / (pScale[f] + static_cast<double>(pScale[f] == 0.0));
    }
}

// One column of an inverse's axes: the element over the squared length of its axis, 0 for an
// axis of length 0. Such an axis is divided by 1 and its quotient dropped afterwards; choosing the
// divisor and the answer in two plain passes keeps both free of branches, as vector operations.
void InverseColumn(double* __restrict oDst, const double* __restrict pElement,
                   const double* __restrict pLength2)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pElement[f] / (pLength2[f] + static_cast<double>(pLength2[f] == 0.0));
    }
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = pLength2[f] > 0.0 ? oDst[f] : 0.0;
    }
}

// One column of an inverse's translation: minus the translation turned by the inverse axes.
void InverseTranslationColumn(double* __restrict oDst, const double* __restrict pT0,
                              const double* __restrict pT1, const double* __restrict pT2,
                              const double* __restrict pI0, const double* __restrict pI1,
                              const double* __restrict pI2)
{
    for (int f = 0; f < kFrames; ++f) {
        oDst[f] = -(pT0[f] * pI0[f] + pT1[f] * pI1[f] + pT2[f] * pI2[f]);
    }
}

} // namespace

void KHtrAffineBlock::Fill(const KHtrAffine& pAffine)
{
    for (int f = 0; f < kFrames; ++f) {
        Set(f, pAffine);
    }
}

void KHtrAffineBlock::Set(int pFrame, const KHtrAffine& pAffine)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            mAxes[r][c][pFrame] = pAffine.mAxes[r][c];
        }
        mTranslation[r][pFrame] = pAffine.mTranslation[r];
    }
}

KHtrAffine KHtrAffineBlock::Get(int pFrame) const
{
    KHtrAffine lAffine;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lAffine.mAxes[r][c] = mAxes[r][c][pFrame];
        }
        lAffine.mTranslation[r] = mTranslation[r][pFrame];
    }
    return lAffine;
}

void KHtrAffineBlock::Multiply(KHtrAffineBlock& oDst, const KHtrAffineBlock& pFirst,
                               const KHtrAffineBlock& pThen)
{
    const double(*a)[3][kFrames] = pThen.mAxes;
    for (int r = 0; r < 3; ++r) {
        const double(*b)[kFrames] = pFirst.mAxes[r];
        for (int c = 0; c < 3; ++c) {
            ProductColumn(oDst.mAxes[r][c], b[0], b[1], b[2], a[0][c], a[1][c], a[2][c]);
        }
    }
    const double(*t)[kFrames] = pFirst.mTranslation;
    for (int c = 0; c < 3; ++c) {
        TranslationColumn(oDst.mTranslation[c], t[0], t[1], t[2], a[0][c], a[1][c], a[2][c],
                          pThen.mTranslation[c]);
    }
}

void KHtrAffineBlock::Multiply(KHtrAffineBlock& oDst, const KHtrAffine& pFirst,
                               const KHtrAffineBlock& pThen)
{
    const double(*a)[3][kFrames] = pThen.mAxes;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            FixedProductColumn(oDst.mAxes[r][c], pFirst.mAxes[r], a[0][c], a[1][c], a[2][c]);
        }
    }
    for (int c = 0; c < 3; ++c) {
        FixedTranslationColumn(oDst.mTranslation[c], pFirst.mTranslation, a[0][c], a[1][c], a[2][c],
                               pThen.mTranslation[c]);
    }
}

void KHtrAffineBlock::MultiplyAxes(KHtrAffineBlock& oDst, const KHtrAffineBlock& pFirst,
                                   const KHtrAffine& pThen)
{
    const double(*a)[3] = pThen.mAxes;
    for (int r = 0; r < 3; ++r) {
        const double(*b)[kFrames] = pFirst.mAxes[r];
        for (int c = 0; c < 3; ++c) {
            ThenFixedProductColumn(oDst.mAxes[r][c], b[0], b[1], b[2], a[0][c], a[1][c], a[2][c]);
        }
    }
}

void KHtrAffineBlock::Inverse(KHtrAffineBlock& oDst, const KHtrAffineBlock& pSrc)
{
    for (int c = 0; c < 3; ++c) {
        const double(*lRow)[kFrames] = pSrc.mAxes[c];
        double lLength2[kFrames];
        for (int f = 0; f < kFrames; ++f) {
            lLength2[f] =
                lRow[0][f] * lRow[0][f] + lRow[1][f] * lRow[1][f] + lRow[2][f] * lRow[2][f];
        }
        for (int r = 0; r < 3; ++r) {
            InverseColumn(oDst.mAxes[r][c], lRow[r], lLength2);
        }
    }
    const double(*t)[kFrames] = pSrc.mTranslation;
    const double(*i)[3][kFrames] = oDst.mAxes;
    for (int c = 0; c < 3; ++c) {
        InverseTranslationColumn(oDst.mTranslation[c], t[0], t[1], t[2], i[0][c], i[1][c], i[2][c]);
    }
}

void KHtrAffineBlock::ToEulerUnscaled(int pCount, double oAngles[3][kFrames]) const
{
    KHtrEulerAxesBlock lAxes;
    Unscaled(lAxes);
    EulerOfFrames(lAxes.mRow0, lAxes.mRow1, lAxes.mZ2, pCount, oAngles);
}

void KHtrAffineBlock::Unscaled(KHtrEulerAxesBlock& oAxes) const
{
    const double(*m)[3][kFrames] = mAxes;
    // The scale of each axis: its length, negative for a mirroring matrix.
    double lSign[kFrames];
    for (int f = 0; f < kFrames; ++f) {
        const double lDeterminant =
            m[0][0][f] * (m[1][1][f] * m[2][2][f] - m[1][2][f] * m[2][1][f]) -
            m[0][1][f] * (m[1][0][f] * m[2][2][f] - m[1][2][f] * m[2][0][f]) +
            m[0][2][f] * (m[1][0][f] * m[2][1][f] - m[1][1][f] * m[2][0][f]);
        lSign[f] = lDeterminant < 0.0 ? -1.0 : 1.0;
    }
    double lScale[3][kFrames];
    for (int r = 0; r < 3; ++r) {
        const double(*lRow)[kFrames] = m[r];
        for (int f = 0; f < kFrames; ++f) {
            lScale[r][f] =
                lRow[0][f] * lRow[0][f] + lRow[1][f] * lRow[1][f] + lRow[2][f] * lRow[2][f];
        }
    }
    // Apart, so that the loops around it stay free of calls.
    for (int r = 0; r < 3; ++r) {
        for (int f = 0; f < kFrames; ++f) {
            lScale[r][f] = lSign[f] * std::sqrt(lScale[r][f]);
        }
    }
    // The elements the angles are read from, each divided by its axis' scale.
    for (int c = 0; c < 3; ++c) {
        Unscale(oAxes.mRow0[c], m[0][c], lScale[0]);
        Unscale(oAxes.mRow1[c], m[1][c], lScale[1]);
    }
    Unscale(oAxes.mZ2, m[2][2], lScale[2]);
}

void KHtrAffineBlock::ToEulerXYZ(int pCount, double oAngles[3][kFrames]) const
{
    EulerOfFrames(mAxes[0], mAxes[1], mAxes[2][2], pCount, oAngles);
}
