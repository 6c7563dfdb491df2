#include "formats/motion/htr/KHtrQuickAngles.h"

namespace {

constexpr int kFrames = KHtrQuickAngles::kFrames;

} // namespace

double KHtrQuickAngles::Sense(const int pAxes[3])
{
    // The even triples are the rotations of X Y Z: each axis followed by the next.
    return pAxes[1] == (pAxes[0] + 1) % 3 ? 1.0 : -1.0;
}

void KHtrQuickAngles::Turns(int pCount, const double* const pAngles[3], const int pAxes[3],
                            KHtrAffineBlock& ioTurns, bool* oOutside)
{
    double lSine[3][kFrames];
    double lCosine[3][kFrames];
    bool lOutside[3][kFrames];
    for (int a = 0; a < 3; ++a) {
        KMotionQuickEuler::SinCos(pCount, pAngles[a], lSine[a], lCosine[a], lOutside[a]);
    }
    // The library turns pA * -(pi / 180) for an odd triple: the same product negated, whose
    // sine is the sine negated and whose cosine is the cosine.
    if (Sense(pAxes) < 0.0) {
        for (double(&lAngle)[kFrames] : lSine) {
            for (int f = 0; f < pCount; ++f) {
                lAngle[f] = -lAngle[f];
            }
        }
    }
    for (int f = 0; f < pCount; ++f) {
        oOutside[f] = lOutside[0][f] || lOutside[1][f] || lOutside[2][f];
    }
    const double* const lSines[3] = {lSine[0], lSine[1], lSine[2]};
    const double* const lCosines[3] = {lCosine[0], lCosine[1], lCosine[2]};
    TurnsOf(pCount, lSines, lCosines, pAxes, ioTurns);
}

void KHtrQuickAngles::TurnsOf(int pCount, const double* const pSine[3],
                              const double* const pCosine[3], const int pAxes[3],
                              KHtrAffineBlock& ioTurns)
{
    const int i = pAxes[0], j = pAxes[1], k = pAxes[2];
    const double* __restrict sa = pSine[0];
    const double* __restrict sb = pSine[1];
    const double* __restrict sc = pSine[2];
    const double* __restrict ca = pCosine[0];
    const double* __restrict cb = pCosine[1];
    const double* __restrict cc = pCosine[2];
    double(*m)[3][kFrames] = ioTurns.mAxes;
    // EulerToAxesOrdered's products, in its order.
    for (int f = 0; f < pCount; ++f) {
        m[i][i][f] = cb[f] * cc[f];
        m[i][j][f] = cb[f] * sc[f];
        m[i][k][f] = -sb[f];
        m[j][i][f] = sa[f] * sb[f] * cc[f] - ca[f] * sc[f];
        m[j][j][f] = sa[f] * sb[f] * sc[f] + ca[f] * cc[f];
        m[j][k][f] = sa[f] * cb[f];
        m[k][i][f] = ca[f] * sb[f] * cc[f] + sa[f] * sc[f];
        m[k][j][f] = ca[f] * sb[f] * sc[f] - sa[f] * cc[f];
        m[k][k][f] = ca[f] * cb[f];
    }
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
