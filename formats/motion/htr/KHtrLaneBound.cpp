#include "formats/motion/htr/KHtrLaneBound.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kFrames = KHtrLaneBound::kFrames;
constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// sqrt(3): a vector of three elements each below d is shorter than sqrt(3) d.
constexpr double kRootThree = 1.7320508075688772 * (1.0 + 1e-15);

// Frame by frame |p0| + |p1| + |p2|.
void SumOfMagnitudes(const double* __restrict p0, const double* __restrict p1,
                     const double* __restrict p2, double* __restrict oSums)
{
    for (int f = 0; f < kFrames; ++f) {
        oSums[f] = std::fabs(p0[f]) + std::fabs(p1[f]) + std::fabs(p2[f]);
    }
}

// +infinity for a bound that is not a finite number.
double Checked(double pBound)
{
    return std::isfinite(pBound) && pBound >= 0.0 ? pBound : kInfinity;
}

KHtrLaneBound Unbounded()
{
    KHtrLaneBound lBound;
    lBound.mNorm = kInfinity;
    lBound.mFloor = 0.0;
    lBound.mAxes = kInfinity;
    for (double& lTranslation : lBound.mTranslation) {
        lTranslation = kInfinity;
    }
    return lBound;
}

// The library's row lengths lie between the floor and the norm of its axes; squared, and each
// rounded sum of three squares: the range of a squared row length of the library path.
void SquaredLengthRange(const KHtrLaneBound& pSrc, double& oLow, double& oHigh)
{
    oLow = pSrc.mFloor * pSrc.mFloor * (1.0 - 4.0 * kUnitRoundoff);
    oHigh = pSrc.mNorm * pSrc.mNorm * (1.0 + 4.0 * kUnitRoundoff);
}

// How far the quick squared row length may lie from the library's: |x'|^2 - |x|^2 =
// (|x'| - |x|)(|x'| + |x|), and four roundings of values below the larger squared length.
double SquaredLengthBound(const KHtrLaneBound& pSrc)
{
    const double lLength = pSrc.mNorm + pSrc.mAxes;
    return pSrc.mAxes * (2.0 * pSrc.mNorm + pSrc.mAxes) +
           2.0 * 4.0 * kUnitRoundoff * lLength * lLength;
}

} // namespace

KHtrLaneBound KHtrLaneBound::Fixed(const KHtrAffine& pFixed)
{
    // The squared singular values are the eigenvalues of G = A^T A, which lie in the Gershgorin
    // discs: G_ii plus or minus the other magnitudes of row i. Each element of G is a rounded
    // sum of three products of magnitude below |A|_F^2: 4 u |A|_F^2 covers its rounding.
    const double(*m)[3] = pFixed.mAxes;
    double lGram[3][3];
    double lFrobenius2 = 0.0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lGram[i][j] = m[0][i] * m[0][j] + m[1][i] * m[1][j] + m[2][i] * m[2][j];
        }
        lFrobenius2 += lGram[i][i];
    }
    const double lMargin = 4.0 * 4.0 * kUnitRoundoff * lFrobenius2;
    double lHigh = 0.0;
    double lLow = kInfinity;
    for (int i = 0; i < 3; ++i) {
        double lOthers = 0.0;
        for (int j = 0; j < 3; ++j) {
            lOthers += j == i ? 0.0 : std::fabs(lGram[i][j]);
        }
        lHigh = std::max(lHigh, lGram[i][i] + lOthers + 3.0 * lMargin);
        lLow = std::min(lLow, lGram[i][i] - lOthers - 3.0 * lMargin);
    }
    KHtrLaneBound lBound;
    lBound.mNorm = Checked(std::sqrt(lHigh) * (1.0 + 2.0 * kUnitRoundoff));
    lBound.mFloor =
        lLow > 0.0 && std::isfinite(lLow) ? std::sqrt(lLow) * (1.0 - 2.0 * kUnitRoundoff) : 0.0;
    if (!std::isfinite(lFrobenius2)) {
        return Unbounded();
    }
    return lBound;
}

KHtrLaneBound KHtrLaneBound::Turns(double pError)
{
    KHtrLaneBound lBound;
    lBound.mNorm = 1.0 + 3.0 * kTurnSlack;
    lBound.mFloor = 1.0 - 3.0 * kTurnSlack;
    lBound.mAxes = pError;
    return lBound;
}

void KHtrLaneBound::TranslationSizes(const KHtrAffineBlock& pBlock, double oSizes[kFrames])
{
    SumOfMagnitudes(pBlock.mTranslation[0], pBlock.mTranslation[1], pBlock.mTranslation[2], oSizes);
}

KHtrLaneBound KHtrLaneBound::Multiply(const KHtrLaneBound& pFirst, const double* pFirstSizes,
                                      const KHtrLaneBound& pThen, const double* pThenSizes)
{
    KHtrLaneBound lBound;
    // Every element is a rounded sum of three products; the magnitudes of a row of the first
    // times a column of the then-axes add up to at most the product of their norms.
    const double lFirstNorm = pFirst.mNorm + pFirst.mAxes;
    const double lThenNorm = pThen.mNorm + pThen.mAxes;
    const double lRounding = 4.0 * kUnitRoundoff * 3.0;
    lBound.mNorm = Checked(pFirst.mNorm * pThen.mNorm * (1.0 + lRounding));
    lBound.mFloor = pFirst.mFloor * pThen.mFloor - lRounding * lBound.mNorm;
    lBound.mFloor = lBound.mFloor > 0.0 ? lBound.mFloor : 0.0;
    lBound.mAxes = Checked(pFirst.mAxes * pThen.mNorm + lFirstNorm * pThen.mAxes +
                           2.0 * lRounding * lFirstNorm * lThenNorm);
    // Each translation element: three products and the then-translation, four roundings.
    const double lThenAxes = pThen.mAxes;
    const double lTranslationRounding = 2.0 * 5.0 * kUnitRoundoff * kRootThree;
    for (int f = 0; f < kFrames; ++f) {
        const double lFirstSize = pFirstSizes[f] + pFirst.mTranslation[f];
        lBound.mTranslation[f] =
            pFirst.mTranslation[f] * pThen.mNorm + lFirstSize * lThenAxes + pThen.mTranslation[f] +
            lTranslationRounding * (lFirstSize * lThenNorm + pThenSizes[f] + pThen.mTranslation[f]);
    }
    return lBound;
}

KHtrLaneBound KHtrLaneBound::Inverse(const KHtrLaneBound& pSrc, const double* pSrcSizes)
{
    // Library: the columns of the inverse are the axes over their squared lengths L; the quick
    // path divides by L' within lLengthBound of L. Both must stay above 0 so that both divide.
    double lLow = 0.0, lHigh = 0.0;
    SquaredLengthRange(pSrc, lLow, lHigh);
    const double lLengthBound = SquaredLengthBound(pSrc);
    const double lQuickLow = lLow - lLengthBound;
    if (!(lQuickLow > 0.0) || !std::isfinite(lHigh)) {
        return Unbounded();
    }
    KHtrLaneBound lBound;
    lBound.mNorm = Checked(pSrc.mNorm / lLow * (1.0 + 2.0 * kUnitRoundoff));
    lBound.mFloor = pSrc.mFloor / lHigh * (1.0 - 2.0 * kUnitRoundoff);
    // x' / L' - x / L = (x' - x) / L' + x (L - L') / (L L'), and the quotients' rounding.
    const double lSrcNorm = pSrc.mNorm + pSrc.mAxes;
    lBound.mAxes = Checked(pSrc.mAxes / lQuickLow + pSrc.mNorm * lLengthBound / (lLow * lQuickLow) +
                           2.0 * 3.0 * kUnitRoundoff * lSrcNorm / lQuickLow);
    // Minus the translation turned by the inverse axes: three products, three roundings.
    const double lInverseNorm = lBound.mNorm + lBound.mAxes;
    const double lTranslationRounding = 2.0 * 4.0 * kUnitRoundoff * kRootThree;
    for (int f = 0; f < kFrames; ++f) {
        const double lSrcSize = pSrcSizes[f] + pSrc.mTranslation[f];
        lBound.mTranslation[f] = pSrc.mTranslation[f] * lBound.mNorm + lSrcSize * lBound.mAxes +
                                 lTranslationRounding * lSrcSize * lInverseNorm;
    }
    return lBound;
}

void KHtrLaneBound::OffsetTranslation(const KOffsetOperands& pOperands, double oBound[kFrames])
{
    // With the parent's W as Wp: W.T = T Wp + Wp.T, V.T = D0 W + W.T and Vp.T = Dp Wp + Wp.T on
    // either path (D0, Dp the default rotations' translations), each with its roundings r, so
    // D = V.T - Vp.T = D0 W + T Wp - Dp Wp + r, free of Wp.T. Then
    // new T = V.T A + B = D A + r' and, against the library's (starred),
    // |new T - new T*| <= |D - D*| |A| + |D*| |A - A*| + |r'| + |r'*|.
    const KOffsetOperands& o = pOperands;
    const double lWpNorm = o.mParentW->mNorm, lWpError = o.mParentW->mAxes;
    const double lWNorm = o.mW->mNorm, lWError = o.mW->mAxes;
    const double lANorm = o.mParentInverseV->mNorm + o.mParentInverseV->mAxes;
    const double lAError = o.mParentInverseV->mAxes;
    const double lDefault = o.mInverseDefault, lParentDefault = o.mParentInverseDefault;
    // Each translation element: three products and a sum, at most 4 roundings (5 u covers
    // them), on both paths; a vector's length is below sqrt(3) times its largest element.
    const double lRounding = 2.0 * 5.0 * kUnitRoundoff * kRootThree;
    // Into a block of its own, which no operand can overlap: the loop runs as vector operations.
    double lBound[kFrames];
    for (int f = 0; f < kFrames; ++f) {
        const double lLocal = o.mLocalSizes[f];
        const double lWp = o.mParentWSizes[f] + o.mParentW->mTranslation[f];
        const double lW = o.mWSizes[f] + o.mW->mTranslation[f];
        const double lV = o.mVSizes[f] + o.mV->mTranslation[f];
        const double lB = o.mParentInverseVSizes[f] + o.mParentInverseV->mTranslation[f];
        const double lDError = lLocal * lWpError + lDefault * lWError + lParentDefault * lWpError +
                               lRounding * ((lLocal * lWpNorm + lWp) + (lDefault * lWNorm + lW) +
                                            (lParentDefault * lWpNorm + lWp));
        const double lDSize =
            lLocal * lWpNorm + lDefault * lWNorm + lParentDefault * lWpNorm + lDError;
        const double lVp = lWp + lParentDefault * lWpNorm;
        lBound[f] =
            lDError * lANorm + lDSize * lAError + lRounding * (lV * lANorm + lB + lVp * lANorm);
    }
    std::copy(lBound, lBound + kFrames, oBound);
}

double KHtrLaneBound::Unscaled() const
{
    // The scales' sign is the determinant's. The library's exact determinant is at least
    // floor^3 in magnitude; the quick one's exact determinant lies within 3 e norm^2 of it
    // (a determinant moves by at most 3 |dA| |A|^2), and each rounded determinant within
    // 2 * 14 u * 6 norm^3 of its exact one: when all that stays below floor^3, both signs agree.
    const double lNorm = mNorm + mAxes;
    const double lDeterminantBound = 3.0 * mAxes * lNorm * lNorm +
                                     2.0 * 2.0 * 14.0 * kUnitRoundoff * 6.0 * lNorm * lNorm * lNorm;
    if (!(mFloor * mFloor * mFloor > lDeterminantBound)) {
        return kInfinity;
    }
    double lLow = 0.0, lHigh = 0.0;
    SquaredLengthRange(*this, lLow, lHigh);
    const double lLengthBound = SquaredLengthBound(*this);
    if (!(lLow - lLengthBound > 0.0) || !std::isfinite(lHigh)) {
        return kInfinity;
    }
    // |sqrt(L') - sqrt(L)| = |L' - L| / (sqrt(L') + sqrt(L)), and the root's rounding.
    const double lScaleLow = std::sqrt(lLow);
    const double lQuickScaleLow = std::sqrt(lLow - lLengthBound) * (1.0 - 2.0 * kUnitRoundoff);
    const double lScaleBound = lLengthBound / (lScaleLow + lQuickScaleLow) +
                               2.0 * kUnitRoundoff * std::sqrt(lHigh + lLengthBound);
    if (!(lQuickScaleLow - lScaleBound > 0.0)) {
        return kInfinity;
    }
    // A row x' / s' - x / s = (x' - x) / s' + x (s - s') / (s s'), and the quotients' rounding.
    return Checked(mAxes / lQuickScaleLow + mNorm * lScaleBound / (lScaleLow * lQuickScaleLow) +
                   2.0 * kUnitRoundoff * lNorm / lQuickScaleLow);
}
