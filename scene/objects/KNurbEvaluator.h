#ifndef RYVKIT_SCENE_OBJECTS_KNURBEVALUATOR_H
#define RYVKIT_SCENE_OBJECTS_KNURBEVALUATOR_H

#include "scene/objects/KSurfaceEvaluator.h"

#include <memory>

// Samples a NURBS surface: the sampling frame of KSurfaceEvaluator with basis values from knot
// vectors (Cox-de Boor recurrence) and rational points. Each direction is walked over its
// non-empty knot intervals, m parameters per interval (the end parameter of an open direction
// included, just inside the last interval), and every sample uses the order's p functions of
// its interval, so any order from kMinOrder to kMaxOrder is exact.
//
// Knot vectors and weights are the caller's (not owned). A knot vector must hold count + order
// knots (open) or count + 2 x order - 1 (closed), finite and non-decreasing, with at least one
// interval longer than kSpanEpsilon; weights one finite value above 0 per control point (none:
// all 1). Anything else makes Evaluate answer false with kInvalidKnots or kInvalidWeights.
class KNurbEvaluator : public KSurfaceEvaluator
{
public:
    static constexpr int kMinOrder = 2;
    static constexpr int kMaxOrder = 64;
    // Knot differences at or below this count as zero.
    static constexpr double kSpanEpsilon = 1e-8;

    // An open evaluator with those orders, 4 subdivisions and step 1.
    static std::unique_ptr<KNurbEvaluator> CreateNurbEvaluator(int pUOrder, int pVOrder);

    KNurbEvaluator();
    ~KNurbEvaluator() override;

    // One weight per control point, row by row like the points; null for a polynomial surface.
    void SetWeights(const double* pWeights, int pCount);
    void SetUKnots(const double* pKnots, int pCount);
    void SetVKnots(const double* pKnots, int pCount);

    // N(t, i, k) over the knots: for k of 1 or less, 1 when knots[i] <= t < knots[i+1], else 0;
    // terms with a knot difference at or below kSpanEpsilon drop out. 0 when the function
    // needs knots outside 0..pCount-1. Computed bottom-up in O(k^2).
    static double BasisValue(double pT, int pI, int pK, const double* pKnots, int pCount);
    // dN(t, i, k)/dt, 0 for k of 1 or less or knots out of range.
    static double BasisDerivative(double pT, int pI, int pK, const double* pKnots, int pCount);
    // The knot intervals [knots[i], knots[i+1]], i from p-1 to count-p-1, longer than
    // kSpanEpsilon; 0 for a null vector.
    static int CountSpans(const double* pKnots, int pCount, int pOrder);

    // The knot count a direction needs.
    static long long KnotCount(int pCount, int pOrder, bool pClosed);

protected:
    long long ComputeSampleCount(const Direction& pDirection) override;
    void BuildSampleTable(Direction& ioDirection) override;
    const double* GetWeights() const override { return mWeights; }
    bool CheckInput() override;

private:
    struct Knots
    {
        const double* mKnots = nullptr;
        int mCount = 0;
    };

    const Knots& KnotsOf(const Direction& pDirection) const;

    Knots mUKnots;
    Knots mVKnots;
    const double* mWeights = nullptr;
    int mWeightCount = 0;
};

#endif
