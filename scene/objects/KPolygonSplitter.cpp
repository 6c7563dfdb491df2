#include "scene/objects/KPolygonSplitter.h"

#include "scene/objects/KRyvGeometryConverter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

void KPolygonSplitter::Split(const std::vector<KVector4>& pPoints, const int* pVertices, int pCount,
                             std::vector<int>& oCorners)
{
    if (pCount > KRyvGeometryConverter::kMaxEarClippingVertices ||
        !Project(pPoints, pVertices, pCount) || IsConvex(pCount)) {
        KRyvGeometryConverter::BuildTrianglePattern(oCorners, pCount);
        return;
    }
    ClipEars(pCount, oCorners);
}

double KPolygonSplitter::Cross(int pA, int pB, int pC) const
{
    return (mX[pB] - mX[pA]) * (mY[pC] - mY[pA]) - (mY[pB] - mY[pA]) * (mX[pC] - mX[pA]);
}

// Plane coordinates, mirrored when needed so that the polygon runs counter-clockwise.
// False when a vertex index is invalid or the polygon has no area.
bool KPolygonSplitter::Project(const std::vector<KVector4>& pPoints, const int* pVertices,
                               int pCount)
{
    double lNormal[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < pCount; ++i) {
        const int lA = pVertices[i];
        const int lB = pVertices[(i + 1) % pCount];
        if (lA < 0 || lB < 0 || static_cast<size_t>(lA) >= pPoints.size() ||
            static_cast<size_t>(lB) >= pPoints.size()) {
            return false;
        }
        const double* lP = pPoints[static_cast<size_t>(lA)].GetData();
        const double* lQ = pPoints[static_cast<size_t>(lB)].GetData();
        lNormal[0] += (lP[1] - lQ[1]) * (lP[2] + lQ[2]);
        lNormal[1] += (lP[2] - lQ[2]) * (lP[0] + lQ[0]);
        lNormal[2] += (lP[0] - lQ[0]) * (lP[1] + lQ[1]);
    }
    int lDrop = 0;
    for (int c = 1; c < 3; ++c) {
        if (std::fabs(lNormal[c]) > std::fabs(lNormal[lDrop])) {
            lDrop = c;
        }
    }
    if (!(std::fabs(lNormal[lDrop]) > 0.0)) {
        return false;
    }
    const int lFirstAxis = (lDrop + 1) % 3;
    const int lSecondAxis = (lDrop + 2) % 3;
    const double lMirror = lNormal[lDrop] < 0.0 ? -1.0 : 1.0;
    mX.resize(static_cast<size_t>(pCount));
    mY.resize(static_cast<size_t>(pCount));
    for (int i = 0; i < pCount; ++i) {
        const double* lP = pPoints[static_cast<size_t>(pVertices[i])].GetData();
        mX[static_cast<size_t>(i)] = lP[lFirstAxis] * lMirror;
        mY[static_cast<size_t>(i)] = lP[lSecondAxis];
    }
    return true;
}

// Every turn to the left (straight counts) and one full turn in all: no diagonal of the
// pattern can leave the polygon. Each turn is below half a turn, so fewer than 5 corners
// cannot wind twice and skip the angle sum.
bool KPolygonSplitter::IsConvex(int pCount) const
{
    const bool lSumTurns = pCount >= 5;
    double lTurning = 0.0;
    for (int i = 0; i < pCount; ++i) {
        const int lPrev = (i + pCount - 1) % pCount;
        const int lNext = (i + 1) % pCount;
        const double lX1 = mX[i] - mX[lPrev];
        const double lY1 = mY[i] - mY[lPrev];
        const double lX2 = mX[lNext] - mX[i];
        const double lY2 = mY[lNext] - mY[i];
        const double lCross = lX1 * lY2 - lY1 * lX2;
        const double lScale = std::hypot(lX1, lY1) * std::hypot(lX2, lY2);
        if (lCross < -1e-12 * lScale) {
            return false;
        }
        if (lSumTurns) {
            lTurning += std::atan2(lCross, lX1 * lX2 + lY1 * lY2);
        }
    }
    return lTurning < 3.0 * kPi;
}

void KPolygonSplitter::UpdateReflex(int pIndex)
{
    mReflex[static_cast<size_t>(pIndex)] = Cross(mPrev[static_cast<size_t>(pIndex)], pIndex,
                                                 mNext[static_cast<size_t>(pIndex)]) <= 0.0;
}

// A strictly convex corner whose triangle holds no reflex (or straight) vertex, on its
// border included, is an ear of a simple polygon.
bool KPolygonSplitter::IsEar(int pIndex) const
{
    const int lP = mPrev[static_cast<size_t>(pIndex)];
    const int lQ = mNext[static_cast<size_t>(pIndex)];
    if (mReflex[static_cast<size_t>(pIndex)]) {
        return false;
    }
    for (int r = mNext[static_cast<size_t>(lQ)]; r != lP; r = mNext[static_cast<size_t>(r)]) {
        if (!mReflex[static_cast<size_t>(r)] || SamePlace(r, lP) || SamePlace(r, pIndex) ||
            SamePlace(r, lQ)) {
            continue;
        }
        if (Cross(lP, pIndex, r) >= 0.0 && Cross(pIndex, lQ, r) >= 0.0 && Cross(lQ, lP, r) >= 0.0) {
            return false;
        }
    }
    return true;
}

void KPolygonSplitter::ClipEars(int pCount, std::vector<int>& oCorners)
{
    oCorners.clear();
    mPrev.resize(static_cast<size_t>(pCount));
    mNext.resize(static_cast<size_t>(pCount));
    mReflex.resize(static_cast<size_t>(pCount));
    for (int i = 0; i < pCount; ++i) {
        mPrev[static_cast<size_t>(i)] = (i + pCount - 1) % pCount;
        mNext[static_cast<size_t>(i)] = (i + 1) % pCount;
    }
    for (int i = 0; i < pCount; ++i) {
        UpdateReflex(i);
    }
    int lRemaining = pCount;
    int lCurrent = 0;
    int lMisses = 0;
    while (lRemaining > 3) {
        // A full round without an ear means a self-crossing or degenerate outline; cutting
        // the current corner anyway keeps the count of triangles and ends the loop.
        if (IsEar(lCurrent) || lMisses >= lRemaining) {
            const int lP = mPrev[static_cast<size_t>(lCurrent)];
            const int lQ = mNext[static_cast<size_t>(lCurrent)];
            oCorners.insert(oCorners.end(), {lP, lCurrent, lQ});
            mNext[static_cast<size_t>(lP)] = lQ;
            mPrev[static_cast<size_t>(lQ)] = lP;
            UpdateReflex(lP);
            UpdateReflex(lQ);
            --lRemaining;
            lCurrent = lP;
            lMisses = 0;
        } else {
            lCurrent = mNext[static_cast<size_t>(lCurrent)];
            ++lMisses;
        }
    }
    oCorners.insert(oCorners.end(), {mPrev[static_cast<size_t>(lCurrent)], lCurrent,
                                     mNext[static_cast<size_t>(lCurrent)]});
}
