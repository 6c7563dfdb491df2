// The lane steps of KBvhChannelAngles' quick way, compiled once for each lane width through
// KMotionLaneWidths.inl: every operation acts on each lane as on a lone double, in the same order
// for both widths, so each pose's bits are the same. Poses come in pairs of lanes (LanePair); a
// group of lanes holds one pair on two lanes and two pairs on four.

// Pairs whose lanes one group holds, and the groups of two pairs.
constexpr int kPairsPerGroup = kWidth / 2;
constexpr int kGroupsOfTwo = 2 / kPairsPerGroup;

// Group pGroup of the lanes of two pairs, pFirst's then pSecond's.
// (L is B, named so that the wider helpers are looked up only where they exist.)
template <typename Group, typename Pair, typename L = B>
inline Group GroupOf(Pair pFirst, Pair pSecond, int pGroup)
{
    if constexpr (kPairsPerGroup == 1) {
        return pGroup == 0 ? pFirst : pSecond;
    } else {
        static_cast<void>(pGroup);
        return L::Join(pFirst, pSecond);
    }
}

// Puts pGroup back as group pIndex of the two pairs.
template <typename Group, typename Pair, typename L = B>
inline void SetGroup(Group pGroup, int pIndex, Pair& ioFirst, Pair& ioSecond)
{
    if constexpr (kPairsPerGroup == 1) {
        (pIndex == 0 ? ioFirst : ioSecond) = pGroup;
    } else {
        static_cast<void>(pIndex);
        ioFirst = L::First(pGroup);
        ioSecond = L::Second(pGroup);
    }
}

// The decimals RoundToLargest rounds to for a largest angle near pLargest, and the lanes where
// they are sure: not where the largest could lie on the other side of a decade or of the point
// where six digits carry, nor where it is outside the decades of the quick way.
inline Mask Decimals(Lanes pLargest, double pAngleMargin, Mask& oDecimals)
{
    const Lanes lMargin = pLargest * 1e-9 + pAngleMargin;
    const int lLast = kDecadeCount - 1;
    Mask lSure = B::Mask(pLargest >= kDecadeStarts[0] + lMargin) &
                 B::Mask(pLargest < kDecadeStarts[lLast] * 10.0);
    // The decade's index: how many starts after the first the largest has reached. Out of the
    // table's exponents the lane is not sure, and any index inside the table serves.
    const Mask lBinary = ((reinterpret_cast<Mask>(pLargest) >> kSignificandBits) -
                          (kDoubleExponentBias + kLeastBinary)) &
                         (kBinaryCount - 1);
    Mask lIndex;
    for (int l = 0; l < kWidth; ++l) {
        lIndex[l] = kDecadeTables.mOfBinary[lBinary[l]];
    }
    lIndex -= B::Mask(pLargest >= B::Pick(kDecadeTables.mNextStart, lIndex));
    const Lanes lStart = B::Pick(kDecadeStarts, lIndex);
    const Lanes lCarry = lStart * (10.0 - 0.5 / kExactPowers[kPrinted - 1]);
    lSure &=
        ~B::Mask(pLargest - lStart <= lMargin) & ~B::Mask(B::Abs(pLargest - lCarry) <= lMargin);
    oDecimals = kPrinted - 1 - (lIndex + kLowestDecade - B::Mask(pLargest > lCarry));
    return lSure;
}

// RoundToLargest's rounding of angles whose exact values lie within pMargin / pScale of pAngle,
// to units of 1 / pScale (a power of ten), and the whole numbers of those units; answers the
// lanes where that rounding cannot go either way (nor the sign of a zero be in doubt).
inline Mask Round(Lanes pAngle, Lanes pScale, Lanes pMargin, Lanes& oRounded, Mask& oWhole)
{
    const Lanes lScaled = pAngle * pScale;
    Lanes lAbs = B::Abs(lScaled);
    const Lanes lMargin = pMargin + lAbs * kRelativeMargin;
    const Mask lInRange = B::Mask(lAbs < kLargestScaled);
    // Out of range, the lane's answer is not used: kept to where the conversion is defined.
    lAbs = B::Select(lInRange, lAbs, B::Splat(0.0));
    Mask lFloor;
    const Lanes lFloorValue = B::Truncate(lAbs, lFloor);
    const Lanes lFraction = lAbs - lFloorValue;
    const Mask lRoundsUp = B::Mask(lFraction > 0.5);
    const Mask lUnits = lFloor - lRoundsUp;
    const Lanes lUnitsValue = lFloorValue + B::Select(lRoundsUp, B::Splat(1.0), B::Splat(0.0));
    const Mask lNegative = B::Mask(lScaled < 0.0);
    oWhole = (-lUnits & lNegative) | (lUnits & ~lNegative);
    // nearbyint's answer, with the sign a zero keeps.
    oRounded = B::CopySign(lUnitsValue, lScaled) / pScale;
    return lInRange & ~B::Mask(lAbs <= lMargin) & ~B::Mask(B::Abs(lFraction - 0.5) <= lMargin);
}

// Where an arc tangent's argument is out of the quick way's bounds, the lane is no longer sure
// and its arguments become harmless ones (of a zero angle).
inline Mask ArcBounds(const Tolerance& pTolerance, Mask pSure, Lanes ioY[3], Lanes ioX[3])
{
    for (int i = 0; i < 3; ++i) {
        const Lanes lAy = B::Abs(ioY[i]);
        pSure &= ~(B::Mask(ioX[i] < 0.0) & ~B::Mask(lAy > pTolerance.mCut * -ioX[i]));
        pSure &= B::Mask(lAy >= kLeastNormal) | B::Mask(B::Abs(ioX[i]) >= kLeastNormal);
    }
    for (int i = 0; i < 3; ++i) {
        ioY[i] = B::Select(pSure, ioY[i], B::Splat(0.0));
        ioX[i] = B::Select(pSure, ioX[i], B::Splat(1.0));
    }
    return pSure;
}

// The arc tangents' arguments for the matrices MatrixSetTRS makes of rotations and scalings, from
// the rotations' quick sines and cosines (KMotionQuickTrig::SinCos): such a matrix's rows are the
// rotation's (unit) rows times the scaling, so each pair of arguments, with the signs the scaling
// and the determinant give it, comes straight from the rotation's entries (EulerToMatrixXYZ's
// products). Answers the lanes that can go on: not those of turns beyond
// KMotionQuickTrig::kLargestTurn, of scalings not well inside the doubles' range, nor those near
// gimbal lock, nor those ArcBounds stops.
inline Mask PoseArguments(const Lanes pRotation[3], const Lanes pScaling[3], const Lanes pSine[3],
                          const Lanes pCosine[3], Lanes oY[3], Lanes oX[3])
{
    Mask lFits = ~Mask{};
    for (int i = 0; i < 3; ++i) {
        const Lanes lScale = B::Abs(pScaling[i]);
        lFits &= B::Mask(B::Abs(pRotation[i]) <= KMotionQuickTrig::kLargestTurn) &
                 B::Mask(lScale >= kLeastScale) & B::Mask(lScale <= 1.0 / kLeastScale);
    }
    const Lanes sx = pSine[0], cx = pCosine[0];
    const Lanes sy = pSine[1], cy = pCosine[1];
    const Lanes sz = pSine[2], cz = pCosine[2];
    // Rows i, j, k are rows 1, 0, 2 (Y, X, Z); each row is divided by its length signed like the
    // determinant, so what is left of the scaling in row r is the sign of the other two.
    const Lanes lOne = B::Splat(1.0);
    const Lanes lSignI = B::CopySign(lOne, pScaling[kAxisJ] * pScaling[kAxisK]);
    const Lanes lSignJ = B::CopySign(lOne, pScaling[kAxisI] * pScaling[kAxisK]);
    const Lanes lSignK = B::CopySign(lOne, pScaling[kAxisI] * pScaling[kAxisJ]);
    const Lanes lII = sx * sy * sz + cx * cz;
    const Lanes lIJ = sx * sy * cz - cx * sz;
    const Lanes lCosine2 = lII * lII + lIJ * lIJ;
    lFits &= B::Mask(lCosine2 > kFromPose.mCosine2);
    oY[0] = lSignJ * -sy;
    oX[0] = lSignK * (cx * cy);
    oY[1] = -lSignI * (sx * cy);
    oX[1] = B::Sqrt(lCosine2);
    oY[2] = lSignI * lIJ;
    oX[2] = lSignI * lII;
    return ArcBounds(kFromPose, lFits, oY, oX);
}

// The angles rounded as RoundToLargest rounds them, the largest pLargest; answers the lanes of
// pSure where the quick way can be sure of every digit.
inline Mask Rounding(const Tolerance& pTolerance, Mask pSure, Lanes pLargest, Lanes ioAngles[3],
                     const Lanes pY[3], const Lanes pX[3], Mask oWhole[3], Mask& oDecimals)
{
    // Angles of a million degrees and more (rounded to tens and above) go the library's way.
    const Mask lAllZero = B::Mask(pLargest == 0.0);
    Mask lDecimals;
    pSure &=
        lAllZero | (Decimals(pLargest, pTolerance.mAngle, lDecimals) & B::NotNegative(lDecimals));
    lDecimals &= pSure & ~lAllZero;
    const Lanes lScale = B::Pick(kExactPowers, lDecimals);
    const Lanes lMargin = pTolerance.mAngle * lScale;
    for (int i = 0; i < 3; ++i) {
        Lanes lRounded;
        const Mask lRounds = ~lAllZero & Round(ioAngles[i], lScale, lMargin, lRounded, oWhole[i]);
        // A zero y with a positive x is a zero angle for the library too, which rounds to itself.
        const Mask lExactZero =
            pTolerance.mZerosAreExact ? B::Mask(pY[i] == 0.0) & B::Mask(pX[i] > 0.0) : Mask{};
        ioAngles[i] = B::Select(lExactZero, ioAngles[i], lRounded);
        oWhole[i] &= ~lExactZero;
        pSure &= lExactZero | lRounds;
    }
    oDecimals = lDecimals;
    return pSure;
}

// PoseArguments of two pairs, group by group.
inline void PoseArgumentsOfTwo(LanePair& ioFirst, LanePair& ioSecond)
{
    for (int g = 0; g < kGroupsOfTwo; ++g) {
        Lanes lRotation[3], lScaling[3], lSine[3], lCosine[3], lY[3], lX[3];
        for (int i = 0; i < 3; ++i) {
            lRotation[i] = GroupOf<Lanes>(ioFirst.mRotation[i], ioSecond.mRotation[i], g);
            lScaling[i] = GroupOf<Lanes>(ioFirst.mScaling[i], ioSecond.mScaling[i], g);
            lSine[i] = GroupOf<Lanes>(ioFirst.mSine[i], ioSecond.mSine[i], g);
            lCosine[i] = GroupOf<Lanes>(ioFirst.mCosine[i], ioSecond.mCosine[i], g);
        }
        const Mask lSure = PoseArguments(lRotation, lScaling, lSine, lCosine, lY, lX);
        SetGroup(lSure, g, ioFirst.mSure, ioSecond.mSure);
        for (int i = 0; i < 3; ++i) {
            SetGroup(lY[i], g, ioFirst.mY[i], ioSecond.mY[i]);
            SetGroup(lX[i], g, ioFirst.mX[i], ioSecond.mX[i]);
        }
    }
}

// Rounding of two pairs, group by group.
inline void RoundingOfTwo(const Tolerance& pTolerance, LanePair& ioFirst, LanePair& ioSecond)
{
    for (int g = 0; g < kGroupsOfTwo; ++g) {
        Lanes lAngles[3], lY[3], lX[3];
        Mask lWhole[3];
        for (int i = 0; i < 3; ++i) {
            lAngles[i] = GroupOf<Lanes>(ioFirst.mAngles[i], ioSecond.mAngles[i], g);
            lY[i] = GroupOf<Lanes>(ioFirst.mY[i], ioSecond.mY[i], g);
            lX[i] = GroupOf<Lanes>(ioFirst.mX[i], ioSecond.mX[i], g);
        }
        Mask lDecimals;
        const Mask lSure = Rounding(pTolerance, GroupOf<Mask>(ioFirst.mSure, ioSecond.mSure, g),
                                    GroupOf<Lanes>(ioFirst.mLargest, ioSecond.mLargest, g), lAngles,
                                    lY, lX, lWhole, lDecimals);
        SetGroup(lSure, g, ioFirst.mSure, ioSecond.mSure);
        SetGroup(lDecimals, g, ioFirst.mDecimals, ioSecond.mDecimals);
        for (int i = 0; i < 3; ++i) {
            SetGroup(lAngles[i], g, ioFirst.mAngles[i], ioSecond.mAngles[i]);
            SetGroup(lWhole[i], g, ioFirst.mWhole[i], ioSecond.mWhole[i]);
        }
    }
}
