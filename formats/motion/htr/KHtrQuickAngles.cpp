#include "formats/motion/htr/KHtrQuickAngles.h"

#include <algorithm>

namespace {

constexpr int kFrames = KHtrQuickAngles::kFrames;

// EulerToAxesOrdered's products, in its order, for every frame: into the elements ii to kk of
// the rows i, j, k of the turns. Nine distinct outputs and six inputs none of them overlaps, as
// parameters that say so: the loop runs as vector operations.
void Products(const double* __restrict sa, const double* __restrict sb, const double* __restrict sc,
              const double* __restrict ca, const double* __restrict cb, const double* __restrict cc,
              double* __restrict ii, double* __restrict ij, double* __restrict ik,
              double* __restrict ji, double* __restrict jj, double* __restrict jk,
              double* __restrict ki, double* __restrict kj, double* __restrict kk)
{
    for (int f = 0; f < kFrames; ++f) {
        ii[f] = cb[f] * cc[f];
        ij[f] = cb[f] * sc[f];
        ik[f] = -sb[f];
        ji[f] = sa[f] * sb[f] * cc[f] - ca[f] * sc[f];
        jj[f] = sa[f] * sb[f] * sc[f] + ca[f] * cc[f];
        jk[f] = sa[f] * cb[f];
        ki[f] = ca[f] * sb[f] * cc[f] + sa[f] * sc[f];
        kj[f] = ca[f] * sb[f] * sc[f] - sa[f] * cc[f];
        kk[f] = ca[f] * cb[f];
    }
}

} // namespace

double KHtrQuickAngles::Sense(const int pAxes[3])
{
    // The even triples are the rotations of X Y Z: each axis followed by the next.
    return pAxes[1] == (pAxes[0] + 1) % 3 ? 1.0 : -1.0;
}

void KHtrQuickAngles::Turns(int pCount, const double* const pAngles[3], const int pAxes[3],
                            KHtrAffineBlock& ioTurns, bool* oOutside)
{
    // Frames past pCount turn by 0: their sine is 0, their cosine 1.
    double lSine[3][kFrames] = {};
    double lCosine[3][kFrames];
    bool lOutside[3][kFrames];
    for (int a = 0; a < 3; ++a) {
        KMotionQuickEuler::SinCos(pCount, pAngles[a], lSine[a], lCosine[a], lOutside[a]);
        std::fill(lCosine[a] + pCount, lCosine[a] + kFrames, 1.0);
    }
    // The library turns pA * -(pi / 180) for an odd triple: the same product negated, whose
    // sine is the sine negated and whose cosine is the cosine.
    if (Sense(pAxes) < 0.0) {
        for (double(&lAngle)[kFrames] : lSine) {
            for (int f = 0; f < kFrames; ++f) {
                lAngle[f] = -lAngle[f];
            }
        }
    }
    for (int f = 0; f < pCount; ++f) {
        oOutside[f] = lOutside[0][f] || lOutside[1][f] || lOutside[2][f];
    }
    const double* const lSines[3] = {lSine[0], lSine[1], lSine[2]};
    const double* const lCosines[3] = {lCosine[0], lCosine[1], lCosine[2]};
    TurnsOf(lSines, lCosines, pAxes, ioTurns);
}

void KHtrQuickAngles::TurnsOf(const double* const pSine[3], const double* const pCosine[3],
                              const int pAxes[3], KHtrAffineBlock& oTurns)
{
    const int i = pAxes[0], j = pAxes[1], k = pAxes[2];
    double(*m)[3][kFrames] = oTurns.mAxes;
    Products(pSine[0], pSine[1], pSine[2], pCosine[0], pCosine[1], pCosine[2], m[i][i], m[i][j],
             m[i][k], m[j][i], m[j][j], m[j][k], m[k][i], m[k][j], m[k][k]);
}

void KHtrQuickAngles::EulerXYZ(int pCount, const double* const pRow0[3],
                               const double* const pRow1[3], const double* pZ2,
                               double pElementError, double oAngles[3][kFrames], bool* ioSure)
{
    double* const lAngles[3] = {oAngles[0], oAngles[1], oAngles[2]};
    double lBound[kFrames];
    KMotionQuickEuler::AxesToEulerXYZ(pCount, pRow0, pRow1, pZ2, pElementError, lAngles, lBound);
    for (int a = 0; a < 3; ++a) {
        Prove(pCount, oAngles[a], lBound, ioSure);
    }
}

void KHtrQuickAngles::Prove(int pCount, const double* pValues, const double* pBounds, bool* ioSure)
{
    bool lSame[kFrames];
    KMotionQuickEuler::SameFloat(pCount, pValues, pBounds, lSame);
    for (int f = 0; f < pCount; ++f) {
        ioSure[f] = ioSure[f] && lSame[f];
    }
}
