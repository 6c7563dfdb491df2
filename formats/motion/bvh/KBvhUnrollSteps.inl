// The lane steps of KBvhUnrollProof, compiled once for each lane width through
// formats/motion/KMotionLaneWidths.inl: both take the same operations lane by lane, so each
// joint's results are the same. The bounds pBound and pReferenceBound are b and rb of the
// rounding count in KBvhUnrollProof.cpp.

inline Lanes Largest(Lanes pA, Lanes pB)
{
    return B::Select(B::Mask(pA < pB), pB, pA);
}

inline Lanes LargestMagnitude(const Lanes p[3])
{
    return Largest(B::Abs(p[0]), Largest(B::Abs(p[1]), B::Abs(p[2])));
}

// Angles wrapped near their references by whole turns as WrapNearFinite counts them (the
// nearest whole number of turns between them, halves to even); a count is proven where its
// quotient lies farther than pSpread from a half.
struct Wrapped
{
    Lanes mTurns;
    Lanes mDistance;
    Mask mProven;
};

inline Wrapped Wrap(Lanes pAngle, Lanes pReference, Lanes pSpread)
{
    Wrapped lWrapped;
    const Lanes lQuotient = (pReference - pAngle) * kInverseTurn;
    // The nearest whole number, halves to even, as NearestWhole rounds it; a zero may have the
    // other sign, which only a zero angle would show.
    lWrapped.mTurns = (lQuotient + KMotionLaneBits::kIntegerShift) - KMotionLaneBits::kIntegerShift;
    lWrapped.mProven = B::Mask(0.5 - B::Abs(lQuotient - lWrapped.mTurns) > pSpread);
    lWrapped.mDistance = B::Abs((pAngle + kTurn * lWrapped.mTurns) - pReference);
    return lWrapped;
}

// The unroll of two joints, one a lane; both solutions are worked out and one is taken without
// a branch: which one is nearer changes from frame to frame.
struct Unrolled
{
    Lanes mValue[3];
    Lanes mBound;
    Lanes mTurns[3];
    Mask mOther;
    Mask mProven;
};

inline Unrolled UnrollLanes(const Lanes pAngles[3], Lanes pBound, const Lanes pReferences[3],
                            Lanes pReferenceBound)
{
    Unrolled lUnrolled;
    // An infinite or undefined bound proves nothing, nor do angles beyond kLargestAngle.
    const Lanes lMagnitude = LargestMagnitude(pAngles) + LargestMagnitude(pReferences);
    const Mask lFinite = B::Mask(pBound < HUGE_VAL) & B::Mask(pReferenceBound < HUGE_VAL) &
                         B::Mask(lMagnitude < kLargestAngle);
    const Lanes lBounds = pBound + pReferenceBound;
    const Lanes lRounding = kHalfUlp * (lMagnitude + 2.0 * kTurn);
    const Lanes lSpread = (lBounds + kSafety * 7.0 * lRounding + kFloor) * kInverseTurn;
    const Lanes lOtherAngles[3] = {pAngles[0] + kHalfTurn, kHalfTurn - pAngles[1],
                                   pAngles[2] + kHalfTurn};
    // Both solutions angle by angle, their distances summed in the library's order.
    Lanes lPlainTurns[3];
    Lanes lOtherTurns[3];
    Lanes lPlainSum = B::Splat(0.0);
    Lanes lOtherSum = B::Splat(0.0);
    Mask lPlainProven = lFinite;
    Mask lOtherProven = lFinite;
    for (int i = 0; i < 3; ++i) {
        const Wrapped lPlain = Wrap(pAngles[i], pReferences[i], lSpread);
        const Wrapped lOther = Wrap(lOtherAngles[i], pReferences[i], lSpread);
        lPlainTurns[i] = lPlain.mTurns;
        lOtherTurns[i] = lOther.mTurns;
        lPlainSum = i == 0 ? lPlain.mDistance : lPlainSum + lPlain.mDistance;
        lOtherSum = i == 0 ? lOther.mDistance : lOtherSum + lOther.mDistance;
        lPlainProven &= lPlain.mProven;
        lOtherProven &= lOther.mProven;
    }
    // The library's choice: the other solution only when strictly nearer. Where a count of the
    // solution not taken is not proven, the library may have taken the one next to it: its value
    // lies a turn away, about half a turn from the reference on the other side, which moves the
    // distance by twice the quotient's distance from the half, at most 2 * 2 lSpread turns, for
    // each of the three angles.
    const Lanes lSumBound = 3.0 * lBounds + kSafety * 24.0 * lRounding + kFloor;
    const Lanes lGap = lPlainSum - lOtherSum;
    const Lanes lGapBound = 2.0 * lSumBound + kSafety * 3.0 * 4.0 * kTurn * lSpread;
    lUnrolled.mOther = B::Mask(lGap > lGapBound);
    const Mask lPlainNearer = B::Mask(-lGap > lGapBound);
    lUnrolled.mProven = (lUnrolled.mOther & lOtherProven) | (lPlainNearer & lPlainProven);
    for (int i = 0; i < 3; ++i) {
        lUnrolled.mTurns[i] = B::Select(lUnrolled.mOther, lOtherTurns[i], lPlainTurns[i]);
        lUnrolled.mValue[i] =
            B::Select(lUnrolled.mOther, lOtherAngles[i], pAngles[i]) + kTurn * lUnrolled.mTurns[i];
    }
    lUnrolled.mBound = pBound + kSafety * 4.0 * lRounding + kFloor;
    return lUnrolled;
}

void UnrollBlock(int pCount, const KBvhUnrollProof::Block& pCurrent,
                 const KBvhUnrollProof::Block& pPrevious, const KBvhUnrollProof::Result& oResult)
{
    for (int f = 0; f < pCount; f += kWidth) {
        Lanes lAngles[3];
        Lanes lReferences[3];
        for (int i = 0; i < 3; ++i) {
            lAngles[i] = Load(pCurrent.mValue[i], f, pCount, 0.0);
            lReferences[i] = Load(pPrevious.mValue[i], f, pCount, 0.0);
        }
        const Unrolled lUnrolled = UnrollLanes(lAngles, Load(pCurrent.mBound, f, pCount, 0.0),
                                               lReferences, Load(pPrevious.mBound, f, pCount, 0.0));
        for (int i = 0; i < 3; ++i) {
            Store(lUnrolled.mValue[i], f, pCount, oResult.mValue[i]);
            Store(lUnrolled.mTurns[i], f, pCount, oResult.mTurns[i]);
        }
        Store(lUnrolled.mBound, f, pCount, oResult.mBound);
        Store(lUnrolled.mOther, f, pCount, oResult.mOther);
        Store(lUnrolled.mProven, f, pCount, oResult.mProven);
    }
}
