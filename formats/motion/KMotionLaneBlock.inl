// Loads and stores of a block loop's groups of lanes, for the Lanes and Mask of the namespace
// KMotionLaneWidths.inl includes this file in (once for each lane width). The includer brings
// <cstring>.

constexpr int kWidth = static_cast<int>(sizeof(Lanes) / sizeof(double));

// The group from pFirst; values past pCount are pPad (an argument the steps take harmlessly).
inline Lanes Load(const double* pValues, int pFirst, int pCount, double pPad)
{
    Lanes lLanes;
    if (pCount - pFirst >= kWidth) {
        std::memcpy(&lLanes, pValues + pFirst, sizeof lLanes);
        return lLanes;
    }
    double lValues[kWidth];
    for (double& lValue : lValues) {
        lValue = pPad;
    }
    std::memcpy(lValues, pValues + pFirst, sizeof(double) * (pCount - pFirst));
    std::memcpy(&lLanes, lValues, sizeof lLanes);
    return lLanes;
}

// The group's lanes up to pCount; the padding's answers are dropped.
inline void Store(Lanes pLanes, int pFirst, int pCount, double* oValues)
{
    if (pCount - pFirst >= kWidth) {
        std::memcpy(oValues + pFirst, &pLanes, sizeof pLanes);
        return;
    }
    std::memcpy(oValues + pFirst, &pLanes, sizeof(double) * (pCount - pFirst));
}

inline void Store(Mask pMask, int pFirst, int pCount, bool* oValues)
{
    const int lTaken = pCount - pFirst < kWidth ? pCount - pFirst : kWidth;
    for (int i = 0; i < lTaken; ++i) {
        oValues[pFirst + i] = pMask[i] != 0;
    }
}
