#include "platform/vurn/VurnPayloads.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {
constexpr double kSingleKeySpan = 1.0;
constexpr double kTimeEpsilon = 1e-12;

std::string IdsText(const std::vector<std::vector<int>>& pIds)
{
    std::ostringstream lOut;
    for (const auto& lRow : pIds) {
        lOut << '(';
        for (int lId : lRow) {
            lOut << lId << ' ';
        }
        lOut << ')';
    }
    return lOut.str();
}

double Hermite(double pT, double pV0, double pV1, double pM0, double pM1, double pSpan)
{
    const double lT2 = pT * pT;
    const double lT3 = lT2 * pT;
    return (2 * lT3 - 3 * lT2 + 1) * pV0 + (lT3 - 2 * lT2 + pT) * pSpan * pM0 +
           (-2 * lT3 + 3 * lT2) * pV1 + (lT3 - lT2) * pSpan * pM1;
}
constexpr int kBisectionSteps = 64;

// One Bezier coordinate at parameter pU from its four control values.
double Bezier(double pU, double pP0, double pP1, double pP2, double pP3)
{
    const double lR = 1.0 - pU;
    return lR * lR * lR * pP0 + 3.0 * lR * lR * pU * pP1 + 3.0 * lR * pU * pU * pP2 +
           pU * pU * pU * pP3;
}

// The inner control point a tangent (x, y) puts a third of its length from its key, towards
// pDirection (1 leaving the key, -1 arriving at it). Its time offset is kept within the
// segment (the slope y / x kept), so that time rises along the whole segment.
void Handle(const VurnKey& pKey, double pX, double pY, double pSpan, double pDirection,
            double& oTime, double& oValue)
{
    const double lOffset = std::min(std::max(pX / 3.0, 0.0), pSpan);
    const double lSlope = pX > kTimeEpsilon ? pY / pX : 0.0;
    oTime = pKey.mTime + pDirection * lOffset;
    oValue = pKey.mValue + pDirection * lOffset * lSlope;
}

// A segment of a weighted curve: a cubic Bezier in (time, value) through both keys and their
// tangents' handles. Time rises with the parameter, so bisection finds the parameter of pSeconds.
double WeightedSegment(const VurnKey& pA, const VurnKey& pB, double pSeconds)
{
    const double lSpan = pB.mTime - pA.mTime;
    double lTime1 = 0.0;
    double lValue1 = 0.0;
    double lTime2 = 0.0;
    double lValue2 = 0.0;
    Handle(pA, pA.mOutX, pA.mOutY, lSpan, 1.0, lTime1, lValue1);
    Handle(pB, pB.mInX, pB.mInY, lSpan, -1.0, lTime2, lValue2);
    double lLow = 0.0;
    double lHigh = 1.0;
    for (int lStep = 0; lStep < kBisectionSteps; ++lStep) {
        const double lMiddle = 0.5 * (lLow + lHigh);
        const bool lBefore = Bezier(lMiddle, pA.mTime, lTime1, lTime2, pB.mTime) < pSeconds;
        (lBefore ? lLow : lHigh) = lMiddle;
    }
    return Bezier(0.5 * (lLow + lHigh), pA.mValue, lValue1, lValue2, pB.mValue);
}
} // namespace

int VurnMeshData::CornerId(const std::vector<std::vector<int>>& pIds, int pPolygon, int pCorner)
{
    if (pPolygon < 0 || pPolygon >= static_cast<int>(pIds.size())) {
        return -1;
    }
    const auto& lRow = pIds[pPolygon];
    return pCorner >= 0 && pCorner < static_cast<int>(lRow.size()) ? lRow[pCorner] : -1;
}

std::string VurnMeshData::Describe() const
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << "points";
    for (const auto& lPoint : mPoints) {
        lOut << ' ' << lPoint.x << ',' << lPoint.y << ',' << lPoint.z << ',' << lPoint.w;
    }
    lOut << " polygons " << IdsText(mPolygons) << " normals";
    for (const auto& lNormal : mNormals) {
        lOut << ' ' << lNormal.x << ',' << lNormal.y << ',' << lNormal.z;
    }
    lOut << " normalIds " << IdsText(mNormalIds);
    for (const auto& lSet : mUVSets) {
        lOut << " uvSet " << lSet.mName;
        for (size_t lIndex = 0; lIndex < lSet.mU.size() && lIndex < lSet.mV.size(); ++lIndex) {
            lOut << ' ' << lSet.mU[lIndex] << ',' << lSet.mV[lIndex];
        }
        lOut << " ids " << IdsText(lSet.mIds) << " textures";
        for (int lTexture : lSet.mTextures) {
            lOut << ' ' << lTexture;
        }
    }
    lOut << " colors";
    for (const auto& lColor : mColors) {
        lOut << ' ' << lColor.r << ',' << lColor.g << ',' << lColor.b << ',' << lColor.a;
    }
    lOut << " colorIds " << IdsText(mColorIds);
    return lOut.str();
}

std::string VurnNurbsData::Describe() const
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << "degrees " << mDegreeU << ' ' << mDegreeV << " forms " << mFormU << ' ' << mFormV
         << " cvs " << mCVsU << 'x' << mCVsV;
    for (const auto& lCV : mCVs) {
        lOut << ' ' << lCV.x << ',' << lCV.y << ',' << lCV.z << ',' << lCV.w;
    }
    lOut << " knotsU";
    for (double lKnot : mKnotsU) {
        lOut << ' ' << lKnot;
    }
    lOut << " knotsV";
    for (double lKnot : mKnotsV) {
        lOut << ' ' << lKnot;
    }
    return lOut.str();
}

// The slope a non-fixed tangent type gives key pIndex: flat and step 0, linear towards the
// neighbour on that side, smooth the slope between both neighbours, clamped as smooth but 0
// when a neighbour holds the same value.
double VurnAnimCurveData::ComputedSlope(int pIndex, int pType) const
{
    const int lCount = static_cast<int>(mKeys.size());
    const VurnKey& lKey = mKeys[pIndex];
    const VurnKey& lPrev = mKeys[std::max(0, pIndex - 1)];
    const VurnKey& lNext = mKeys[std::min(lCount - 1, pIndex + 1)];
    const double lSpan = lNext.mTime - lPrev.mTime;
    if (pType == kTangentFlat || pType == kTangentStep || lCount < 2 || lSpan < kTimeEpsilon) {
        return 0.0;
    }
    const bool lFlatBefore = pIndex > 0 && lPrev.mValue == lKey.mValue;
    const bool lFlatAfter = pIndex + 1 < lCount && lNext.mValue == lKey.mValue;
    if (pType == kTangentClamped && (lFlatBefore || lFlatAfter)) {
        return 0.0;
    }
    return (lNext.mValue - lPrev.mValue) / lSpan;
}

void VurnAnimCurveData::Update()
{
    std::stable_sort(mKeys.begin(), mKeys.end(),
                     [](const VurnKey& pA, const VurnKey& pB) { return pA.mTime < pB.mTime; });
    const int lCount = static_cast<int>(mKeys.size());
    for (int lIndex = 0; lIndex < lCount; ++lIndex) {
        VurnKey& lKey = mKeys[lIndex];
        const double lBefore = lIndex > 0 ? lKey.mTime - mKeys[lIndex - 1].mTime : 0.0;
        const double lAfter = lIndex + 1 < lCount ? mKeys[lIndex + 1].mTime - lKey.mTime : 0.0;
        // x spans the whole interval, so that x / (3 dt) is the default weight 1/3.
        const double lInX = lBefore > 0.0 ? lBefore : lAfter > 0.0 ? lAfter : kSingleKeySpan;
        const double lOutX = lAfter > 0.0 ? lAfter : lBefore > 0.0 ? lBefore : kSingleKeySpan;
        if (lKey.mInType != kTangentFixed) {
            const double lSlope = lKey.mInType == kTangentLinear && lBefore > 0.0
                                      ? (lKey.mValue - mKeys[lIndex - 1].mValue) / lBefore
                                      : ComputedSlope(lIndex, lKey.mInType);
            lKey.mInX = lInX;
            lKey.mInY = lSlope * lInX;
        }
        if (lKey.mOutType != kTangentFixed) {
            const double lSlope = lKey.mOutType == kTangentLinear && lAfter > 0.0
                                      ? (mKeys[lIndex + 1].mValue - lKey.mValue) / lAfter
                                      : ComputedSlope(lIndex, lKey.mOutType);
            lKey.mOutX = lOutX;
            lKey.mOutY = lSlope * lOutX;
        }
    }
}

double VurnAnimCurveData::Evaluate(double pSeconds) const
{
    if (mKeys.empty()) {
        return 0.0;
    }
    if (pSeconds <= mKeys.front().mTime) {
        return mKeys.front().mValue;
    }
    if (pSeconds >= mKeys.back().mTime) {
        return mKeys.back().mValue;
    }
    const auto lNext =
        std::upper_bound(mKeys.begin(), mKeys.end(), pSeconds,
                         [](double pTime, const VurnKey& pKey) { return pTime < pKey.mTime; });
    const VurnKey& lB = *lNext;
    const VurnKey& lA = *(lNext - 1);
    const double lSpan = lB.mTime - lA.mTime;
    const double lT = (pSeconds - lA.mTime) / lSpan;
    if (lA.mOutType == kTangentStep) {
        return lA.mValue;
    }
    if (lA.mOutType == kTangentLinear && lB.mInType == kTangentLinear) {
        return lA.mValue + (lB.mValue - lA.mValue) * lT;
    }
    if (mWeighted) {
        return WeightedSegment(lA, lB, pSeconds);
    }
    const double lOutSlope = std::fabs(lA.mOutX) > kTimeEpsilon ? lA.mOutY / lA.mOutX : 0.0;
    const double lInSlope = std::fabs(lB.mInX) > kTimeEpsilon ? lB.mInY / lB.mInX : 0.0;
    return Hermite(lT, lA.mValue, lB.mValue, lOutSlope, lInSlope, lSpan);
}

std::string VurnAnimCurveData::Describe() const
{
    std::ostringstream lOut;
    lOut.precision(17);
    lOut << (mWeighted ? "weighted" : "unweighted");
    for (const auto& lKey : mKeys) {
        lOut << " [" << lKey.mTime << ' ' << lKey.mValue << ' ' << lKey.mInType << ' '
             << lKey.mOutType << ' ' << lKey.mInX << ' ' << lKey.mInY << ' ' << lKey.mOutX << ' '
             << lKey.mOutY << ' ' << lKey.mLocked << ']';
    }
    return lOut.str();
}

std::string VurnSetData::Describe() const
{
    std::ostringstream lOut;
    lOut << "restriction " << mRestriction;
    for (const auto& lMember : mMembers) {
        lOut << " (";
        for (int lId : lMember.mPath) {
            lOut << lId << ' ';
        }
        lOut << "c" << lMember.mComponent << ')';
    }
    return lOut.str();
}

std::string VurnBlendShapeData::Describe() const
{
    std::ostringstream lOut;
    lOut << "bases";
    for (int lBase : mBaseObjects) {
        lOut << ' ' << lBase;
    }
    for (const auto& lEntry : mTargets) {
        lOut << " [" << lEntry.first.first << ',' << lEntry.first.second << ':';
        for (int lTarget : lEntry.second) {
            lOut << ' ' << lTarget;
        }
        lOut << ']';
    }
    return lOut.str();
}
