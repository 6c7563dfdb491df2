// The lane steps of KMotionQuickEuler (its bound and its float check), compiled once for each lane
// width through KMotionLaneWidths.inl, so both widths take the same operations lane by lane and
// give the same bits.

inline Lanes Least(Lanes pA, Lanes pB)
{
    return B::Select(B::Mask(pA < pB), pA, pB);
}

// An arc tangent's argument on or across the cut along negative x: the library's could lie on
// the other side, a whole turn away.
inline Mask NearCut(Lanes pY, Lanes pX, double pShift)
{
    return B::Mask(pX < 0.0) & B::Mask(B::Abs(pY) <= pShift);
}

// The bound in degrees for one group of lanes, infinite where none holds.
inline Lanes EulerBound(const Lanes pEntries[kEntryCount], double pEntryError)
{
    Mask lSure = ~Mask{};
    for (int e = 0; e < kEntryCount; ++e) {
        lSure &= B::Mask(B::Abs(pEntries[e]) <= kLargestEntry);
    }
    // The library's m02 may lie anywhere within the error of this one: all of that range must
    // keep to the ordinary branch (a sum below the threshold is below it exactly, too).
    const Lanes lReach = B::Abs(pEntries[kM02]) + pEntryError;
    lSure &= B::Mask(lReach < kEulerXYZGimbal);
    // The least of the three radii, from the least of their squares: one root.
    const Lanes lCosine2 = (1.0 - lReach) * (1.0 + lReach);
    const Lanes lRadiusX2 =
        pEntries[kArcXY] * pEntries[kArcXY] + pEntries[kArcXX] * pEntries[kArcXX];
    const Lanes lRadiusZ2 =
        pEntries[kArcZY] * pEntries[kArcZY] + pEntries[kArcZX] * pEntries[kArcZX];
    const Lanes lLeast2 = Least(lCosine2, Least(lRadiusX2, lRadiusZ2));
    const Lanes lLeast = B::Sqrt(B::Select(lSure, lLeast2, B::Splat(1.0)));
    const double lShift = kSqrt2 * pEntryError;
    lSure &= B::Mask(lLeast >= kLeastRadius) & B::Mask(lShift <= lLeast * kLargestUsefulRatio);
    lSure &= ~NearCut(pEntries[kArcXY], pEntries[kArcXX], lShift);
    lSure &= ~NearCut(pEntries[kArcZY], pEntries[kArcZX], lShift);
    const Lanes lBound = (kSafety * kRadToDeg) * (kArcError + lShift / lLeast) + kDegreesFloor;
    return B::Select(lSure, lBound, B::Splat(kInfinity));
}

void EulerBoundBlock(int pCount, const double* const pEntries[kEntryCount], double pEntryError,
                     double* oBound)
{
    // Padding lanes hold the identity's entries: harmless arguments.
    const double lPads[kEntryCount] = {0.0, 0.0, 1.0, 0.0, 1.0};
    for (int f = 0; f < pCount; f += kWidth) {
        Lanes lGroup[kEntryCount];
        for (int e = 0; e < kEntryCount; ++e) {
            lGroup[e] = Load(pEntries[e], f, pCount, lPads[e]);
        }
        Store(EulerBound(lGroup, pEntryError), f, pCount, oBound);
    }
}

// The float of magnitude bits pBits (of a finite float, or of the infinity) as doubles; past the
// largest float, 2^128, where the next float would lie were the exponent wider. Below zero (all
// bits set) a NaN.
inline Lanes FloatOfBits(FloatBits pBits)
{
    const Lanes lFloat = __builtin_convertvector(reinterpret_cast<Floats>(pBits), Lanes);
    return B::Select(B::Mask(lFloat == kInfinity), B::Splat(0x1p128), lFloat);
}

// All bits set where every double within pBound of pValue rounds to the float pValue rounds to.
inline Mask SameFloatLanes(Lanes pValue, Lanes pBound)
{
    // Rounding to nearest is the same on both sides of zero: magnitudes serve. Without a branch
    // on the values: what is out of range is worked on as 1 and its answer dropped.
    const Lanes lMagnitude = B::Abs(pValue);
    const Mask lInRange = B::Mask(pBound >= 0.0) &
                          B::Mask(pBound <= std::numeric_limits<double>::max()) &
                          B::Mask(lMagnitude < kFloatLimit);
    const Lanes lValue = B::Select(lInRange, lMagnitude, B::Splat(1.0));
    const Floats lFloat = __builtin_convertvector(lValue, Floats);
    const FloatBits lBits = reinterpret_cast<FloatBits>(lFloat);
    const Lanes lNear = __builtin_convertvector(lFloat, Lanes);
    // The doubles that round to lFloat lie strictly between the midpoints to its neighbours (a
    // midpoint goes to the even one, which may be either); the sums of neighbours are exact.
    // A zero has no neighbour below among the magnitudes: its midpoint is a NaN, never passed.
    const Lanes lBelow = (lNear + FloatOfBits(lBits - 1u)) / 2.0;
    const Lanes lAbove = (lNear + FloatOfBits(lBits + 1u)) / 2.0;
    const Lanes lWide = pBound * kGapMargin;
    return lInRange & B::Mask(lWide < lValue - lBelow) & B::Mask(lWide < lAbove - lValue);
}

void SameFloatBlock(int pCount, const double* pValues, const double* pBounds, bool* oSame)
{
    for (int f = 0; f < pCount; f += kWidth) {
        Store(SameFloatLanes(Load(pValues, f, pCount, 1.0), Load(pBounds, f, pCount, 0.0)), f,
              pCount, oSame);
    }
}
