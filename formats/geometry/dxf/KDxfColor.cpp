#include "formats/geometry/dxf/KDxfColor.h"

#include <algorithm>
#include <array>

namespace {

// Numbers 10 to 249 are three ramps of 80: hue steps of 10, each with five brightnesses and a
// lighter odd variant.
constexpr int kRampStart = 10;
constexpr int kRampLength = 80;
constexpr int kGreyStart = 250;
constexpr int kHueStep = 10;
constexpr std::array<int, 8> kUp = {0, 1, 2, 3, 4, 4, 4, 4};
constexpr std::array<int, 8> kDown = {4, 4, 4, 4, 4, 3, 2, 1};
constexpr std::array<double, 5> kBrightness = {1.0, 0.65, 0.5, 0.3, 0.15};
constexpr double kGreyStep = 0.134;
constexpr double kGreyBase = 0.33;

struct KFixedColor
{
    int mIndex;
    double mRed;
    double mGreen;
    double mBlue;
};

constexpr KFixedColor kFixed[] = {
    {1, 1.0, 0.0, 0.0}, {2, 1.0, 1.0, 0.0},       {3, 0.0, 1.0, 0.0},
    {4, 0.0, 1.0, 1.0}, {5, 0.0, 0.0, 1.0},       {6, 1.0, 0.0, 1.0},
    {7, 1.0, 1.0, 1.0}, {8, 0.502, 0.502, 0.502}, {9, 0.753, 0.753, 0.753},
};

double RampComponent(int pLevel, bool pOdd)
{
    return pOdd ? (4 - pLevel) * 0.125 + pLevel * 0.25 : pLevel * 0.25;
}

KColor RampColor(int pIndex)
{
    const int lRamp = (pIndex - kRampStart) / kRampLength;
    const std::size_t lStep =
        static_cast<std::size_t>((pIndex - kRampStart - lRamp * kRampLength) / kHueStep);
    const bool lOdd = pIndex % 2 == 1;
    const double lUp = RampComponent(kUp[lStep], lOdd);
    const double lDown = RampComponent(kDown[lStep], lOdd);
    const double lZero = RampComponent(0, lOdd);
    double lRgb[3] = {lDown, lUp, lZero};
    if (lRamp == 1) {
        lRgb[0] = lZero;
        lRgb[1] = lDown;
        lRgb[2] = lUp;
    } else if (lRamp == 2) {
        lRgb[0] = lUp;
        lRgb[1] = lZero;
        lRgb[2] = lDown;
    }
    const double lScale = kBrightness[static_cast<std::size_t>((pIndex % 10) / 2)];
    return KColor(lRgb[0] * lScale, lRgb[1] * lScale, lRgb[2] * lScale);
}

// The hue column of (maximum channel, middle channel) and the thresholds' row.
int HueOf(int pMax, int pMid, int pMin, double pMid01, double pRatio)
{
    // Rows: m <= t4, <= t3, <= t2, <= t1; columns R,G R,B G,R G,B B,R B,G.
    static constexpr int kHues[4][6] = {{10, 10, 90, 90, 170, 170},
                                        {20, 240, 80, 100, 180, 160},
                                        {30, 230, 70, 110, 190, 150},
                                        {40, 220, 60, 120, 200, 140}};
    const double lSpread = 1.0 - pRatio;
    const double lThresholds[4] = {0.125 * lSpread + pRatio, 0.375 * lSpread + pRatio,
                                   0.625 * lSpread + pRatio, 0.875 * lSpread + pRatio};
    const int lColumn = pMax * 2 + (pMid > pMax ? pMid - 1 : pMid);
    for (int lRow = 0; lRow < 4; ++lRow) {
        if (pMid01 <= lThresholds[lRow]) {
            return kHues[lRow][lColumn];
        }
    }
    static constexpr int kByMinimum[3] = {130, 210, 50};
    return kByMinimum[pMin];
}

int GreyOf(double pAverage)
{
    if (pAverage < 0.4) {
        return 250;
    }
    if (pAverage < 0.53) {
        return 251;
    }
    if (pAverage < 0.66) {
        return 252;
    }
    if (pAverage < 0.8) {
        return 253;
    }
    return pAverage >= 0.93 ? 255 : 254;
}

int BrightnessOf(double pMax, double pRatio)
{
    int lAdd = 8;
    if (pMax > 0.85) {
        lAdd = 0;
    } else if (pMax > 0.6) {
        lAdd = 2;
    } else if (pMax > 0.4) {
        lAdd = 4;
    } else if (pMax > 0.2) {
        lAdd = 6;
    }
    return pRatio > 0.2 ? lAdd + 1 : lAdd;
}

} // namespace

KColor KDxfColor::ToRgb(int pIndex)
{
    for (const KFixedColor& lFixed : kFixed) {
        if (lFixed.mIndex == pIndex) {
            return KColor(lFixed.mRed, lFixed.mGreen, lFixed.mBlue);
        }
    }
    if (pIndex >= kRampStart && pIndex < kGreyStart) {
        return RampColor(pIndex);
    }
    if (pIndex >= kGreyStart && pIndex <= kLastColor) {
        const double lGrey = (pIndex % 10) * kGreyStep + kGreyBase;
        return KColor(lGrey, lGrey, lGrey);
    }
    return KColor(1.0, 1.0, 1.0);
}

int KDxfColor::FromRgb(const KColor& pColor)
{
    const double lRgb[3] = {pColor.mRed, pColor.mGreen, pColor.mBlue};
    for (const KFixedColor& lFixed : kFixed) {
        if (lRgb[0] == lFixed.mRed && lRgb[1] == lFixed.mGreen && lRgb[2] == lFixed.mBlue) {
            return lFixed.mIndex;
        }
    }
    if (lRgb[0] == 0.0 && lRgb[1] == 0.0 && lRgb[2] == 0.0) {
        return kGreyStart;
    }
    // Channels ordered by value; equal values keep R before G before B.
    int lOrder[3] = {0, 1, 2};
    std::stable_sort(lOrder, lOrder + 3, [&](int pA, int pB) { return lRgb[pA] > lRgb[pB]; });
    const double lMax = lRgb[lOrder[0]];
    const double lMid = lRgb[lOrder[1]];
    const double lMin = lRgb[lOrder[2]];
    const double lRatio = lMin / lMax;
    if (lRatio > 0.8) {
        return GreyOf((lMax + lMid + lMin) / 3.0);
    }
    return HueOf(lOrder[0], lOrder[1], lOrder[2], lMid / lMax, lRatio) + BrightnessOf(lMax, lRatio);
}
