// The lane steps of KMotionQuickTrig, compiled once for each lane width through
// KMotionLaneWidths.inl: every operation acts on each lane as on a lone double, in the same order
// for both widths, so each lane's bits are the same. The steps are made part of the block loops
// (always inline), which then overlap from group to group.

[[gnu::always_inline]] inline Lanes Atan2Lanes(Lanes pY, Lanes pX)
{
    const Lanes lAx = B::Abs(pX);
    const Lanes lAy = B::Abs(pY);
    const Mask lSteep = B::Mask(lAy > lAx);
    const Lanes lSmall = B::Select(lSteep, lAx, lAy);
    const Lanes lLarge = B::Select(lSteep, lAy, lAx);
    // A ratio outside 0 to 1 (arguments out of bounds) would index outside the table.
    Lanes lRatio = lSmall / lLarge;
    lRatio = B::Select(B::Mask(lRatio >= 0.0) & B::Mask(lRatio <= 1.0), lRatio, B::Splat(0.0));
    Mask lNearest;
    const Lanes lCentre = B::Truncate(lRatio * kSixteenths + 0.5, lNearest) / kSixteenths;
    const Lanes t = (lSmall - lCentre * lLarge) / (lLarge + lCentre * lSmall);
    const Lanes t2 = t * t;
    const Lanes lSeries =
        t *
        (1.0 + t2 * (-1.0 / 3.0 +
                     t2 * (1.0 / 5.0 + t2 * (-1.0 / 7.0 + t2 * (1.0 / 9.0 + t2 * (-1.0 / 11.0))))));
    Lanes lAngle = B::Pick(kAtanSixteenths, lNearest) + lSeries;
    lAngle = B::Select(lSteep, kHalfPi - lAngle, lAngle);
    lAngle = B::Select(B::Mask(pX < 0.0), kPi - lAngle, lAngle);
    // The sign of y, a zero's among them.
    return B::CopySign(lAngle, pY);
}

[[gnu::always_inline]] inline Lanes AsinLanes(Lanes pZ)
{
    const Lanes lSquare = (1.0 - pZ) * (1.0 + pZ);
    // Beyond a magnitude of 1 the root's argument is below zero: a zero root keeps to Atan2's
    // bounds.
    const Lanes lRoot = B::Sqrt(B::Select(B::Mask(lSquare > 0.0), lSquare, B::Splat(0.0)));
    return Atan2Lanes(pZ, lRoot);
}

[[gnu::always_inline]] inline void SinCosLanes(Lanes pDegrees, Lanes& oSine, Lanes& oCosine)
{
    // Turns out of bounds would make quarter turns outside the integers.
    const Lanes lRadians = B::Select(B::Mask(B::Abs(pDegrees) <= KMotionQuickTrig::kLargestTurn),
                                     pDegrees * kLibraryDegToRad, B::Splat(0.0));
    const Lanes lRounding = B::Select(B::Mask(lRadians >= 0.0), B::Splat(0.5), B::Splat(-0.5));
    // Only the low two bits of the whole quarter turns count below.
    Mask lQuarters;
    const Lanes q = B::Truncate(lRadians * kQuartersPerRadian + lRounding, lQuarters);
    const Lanes x = ((lRadians - q * kQuarterTurn[0]) - q * kQuarterTurn[1]) - q * kQuarterTurn[2];
    const Lanes x2 = x * x;
    const Lanes x4 = x2 * x2;
    const Lanes x8 = x4 * x4;
    // Estrin's scheme: the terms in pairs, so that the products do not wait on each other.
    const Lanes lSine =
        x *
        ((1.0 - x2 * kSineTerms[0]) + x4 * (kSineTerms[1] - x2 * kSineTerms[2]) +
         x8 * ((kSineTerms[3] - x2 * kSineTerms[4]) + x4 * (kSineTerms[5] - x2 * kSineTerms[6])));
    const Lanes lCosine =
        (1.0 - x2 * kCosineTerms[0]) + x4 * (kCosineTerms[1] - x2 * kCosineTerms[2]) +
        x8 * ((kCosineTerms[3] - x2 * kCosineTerms[4]) +
              x4 * (kCosineTerms[5] - x2 * kCosineTerms[6]) + x8 * kCosineTerms[7]);
    // Quarter turns 0 to 3 give (s, c), (c, -s), (-s, -c), (-c, s).
    // Bit 1 of the quarter turns, moved to the sign bit, flips the sign.
    const Mask lOdd = -(lQuarters & 1);
    oSine = B::FlipSign(B::Select(lOdd, lCosine, lSine), B::BitToSign(lQuarters, 1));
    oCosine = B::FlipSign(B::Select(lOdd, lSine, lCosine), B::BitToSign(lQuarters + 1, 1));
}

void SinCosBlock(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
    for (int f = 0; f < pCount; f += kWidth) {
        Lanes lSine;
        Lanes lCosine;
        SinCosLanes(Load(pDegrees, f, pCount, 0.0), lSine, lCosine);
        Store(lSine, f, pCount, oSine);
        Store(lCosine, f, pCount, oCosine);
    }
}

void Atan2Block(int pCount, const double* pY, const double* pX, double* oAngle)
{
    for (int f = 0; f < pCount; f += kWidth) {
        Store(Atan2Lanes(Load(pY, f, pCount, 0.0), Load(pX, f, pCount, 1.0)), f, pCount, oAngle);
    }
}

void AsinBlock(int pCount, const double* pZ, double* oAngle)
{
    for (int f = 0; f < pCount; f += kWidth) {
        Store(AsinLanes(Load(pZ, f, pCount, 0.0)), f, pCount, oAngle);
    }
}
