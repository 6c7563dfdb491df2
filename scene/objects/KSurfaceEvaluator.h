#ifndef RYVKIT_SCENE_OBJECTS_KSURFACEEVALUATOR_H
#define RYVKIT_SCENE_OBJECTS_KSURFACEEVALUATOR_H

#include "core/KError.h"
#include "core/KVector4.h"

#include <memory>
#include <vector>

// Pairs (side-0 index, side-1 index, weight) listed from both sides: side 0 has one list per
// source item (a control point, a link), side 1 one list per target item (a sample, a control
// point). Adding a pair lists it on both sides, so a weight changed through one side is seen
// through the other. Pairs naming an index outside the sides are ignored.
class KSurfaceInfluenceTable
{
public:
    struct Entry
    {
        int mSide0;
        int mSide1;
        double mWeight;
    };

    // Negative counts give empty sides.
    KSurfaceInfluenceTable(int pSide0Count, int pSide1Count);

    void Add(int pSide0, int pSide1, double pWeight);
    // Lists on side pSide (0 or 1); 0 for any other side.
    int GetListCount(int pSide) const;
    // Entries of one list; 0 (and null from Get) for indices out of range.
    int GetCount(int pSide, int pList) const;
    const Entry* Get(int pSide, int pList, int pPosition) const;
    // Each list of the side: weights divided by the sum of their absolute values, then made
    // absolute; a list whose sum is 0 gets weights 0.
    void NormalizeSide(int pSide);

private:
    std::vector<Entry> mEntries;
    std::vector<std::vector<int>> mLists[2];
};

// Samples a tensor-product surface on a regular grid: for every sample the point, the normal
// (V tangent x U tangent, not normalised) and, on request, the control points that influence it
// with their weights. Patches use one of five polynomial bases per direction, each a 4x4 matrix
// (rows: the span's control points; columns: coefficients of t^3, t^2, t, 1); KNurbEvaluator
// replaces the bases by knot vectors.
//
// Control points and destinations are the caller's (row by row, U fastest, index v x U count +
// u); only x, y, z of the destinations are written, one entry per sample. Sample counts come
// from the counts, orders, steps and subdivisions; a configuration that cannot be sampled (too
// few points, a count that does not fit the step, too many samples) gives sample count 0 and
// makes Evaluate answer false with the reason in GetError(). Subdivisions below 1 (a step "not
// given" in a file) mean the default 4.
class KSurfaceEvaluator
{
public:
    enum EError : int {
        kNoControlPoints = 0,
        kNoDestination = 1,
        kInvalidOrder = 2,
        kTooFewControlPoints = 3,
        kCountNotMultipleOfStep = 4,
        kTooManySamples = 5,
        kInvalidKnots = 6,
        kInvalidWeights = 7,
        kErrorCount = 8,
    };

    // Patch basis types.
    enum EBasis : int {
        eBezier = 0,
        eBezierQuadric = 1,
        eCardinal = 2,
        eBSpline = 3,
        eLinear = 4,
    };

    static constexpr int kDefaultSubdivisions = 4;
    static constexpr int kMaxSubdivisions = 1024;
    // Most samples of a surface, and most sample x function products one evaluation may take.
    static constexpr long long kMaxSampleCount = 1LL << 22;
    static constexpr long long kMaxWork = 1LL << 28;
    // Control-point columns whose summed coordinate differences stay below this are collapsed.
    static constexpr double kCollapseTolerance = 1e-8;

    // An evaluator with SetUBasis(pUType) and SetVBasis(pVType).
    static std::unique_ptr<KSurfaceEvaluator> CreatePatchEvaluator(int pUType, int pVType);

    // Open, order 4, step 1, 4 subdivisions, tension 1 and a zero matrix in both directions.
    KSurfaceEvaluator();
    virtual ~KSurfaceEvaluator();
    KSurfaceEvaluator(const KSurfaceEvaluator&) = delete;
    KSurfaceEvaluator& operator=(const KSurfaceEvaluator&) = delete;

    // Rebuilds the tables when a setter changed them, recomputes the collapsed edges when the
    // control points changed, writes every sample's point and normal and, with a table (sized
    // control points x samples), records each non-zero influence. False, nothing written, when
    // the surface cannot be sampled or the control points or point destination are missing.
    bool Evaluate(KSurfaceInfluenceTable* pTable = nullptr);

    void SetUClosed(bool pClosed);
    void SetVClosed(bool pClosed);
    bool GetUClosed() const { return mU.mClosed; }
    bool GetVClosed() const { return mV.mClosed; }
    // Below 1: kDefaultSubdivisions; above kMaxSubdivisions: kMaxSubdivisions.
    void SetUSubdivisions(int pSubdivisions);
    void SetVSubdivisions(int pSubdivisions);
    int GetUSubdivisions() const { return mU.mSubdivisions; }
    int GetVSubdivisions() const { return mV.mSubdivisions; }
    void SetUOrder(int pOrder);
    void SetVOrder(int pOrder);
    int GetUOrder() const { return mU.mOrder; }
    int GetVOrder() const { return mV.mOrder; }
    // Control points from one span to the next; below 1 gives 1.
    void SetUStep(int pStep);
    void SetVStep(int pStep);
    int GetUStep() const { return mU.mStep; }
    int GetVStep() const { return mV.mStep; }
    // Copies 16 doubles (null ignored) and derives the derivative matrix.
    void SetUMatrix(const double* pMatrix);
    void SetVMatrix(const double* pMatrix);
    const double* GetUMatrix() const { return mU.mMatrix; }
    const double* GetVMatrix() const { return mV.mMatrix; }
    // 12 doubles: row i = (3 M[i][0], 2 M[i][1], M[i][2]).
    const double* GetUDerivativeMatrix() const { return mU.mDerivative; }
    const double* GetVDerivativeMatrix() const { return mV.mDerivative; }
    // Matrix, order, step and 4 subdivisions of a basis type; other types change nothing.
    void SetUBasis(int pType);
    void SetVBasis(int pType);
    // The cardinal basis of tension a (order 4, step 1).
    void SetUTension(double pTension);
    void SetVTension(double pTension);
    double GetUTension() const { return mU.mTension; }
    double GetVTension() const { return mV.mTension; }

    // Not owned; must hold pUCount x pVCount points while the evaluator uses them.
    void SetControlPoints(const KVector4* pPoints, int pUCount, int pVCount);
    // Not owned; one entry per sample. The normal destination may stay null.
    void SetPointDestination(KVector4* pPoints) { mPointDestination = pPoints; }
    void SetNormalDestination(KVector4* pNormals) { mNormalDestination = pNormals; }

    // Samples along a direction; 0 (error set) when the direction cannot be sampled.
    int GetUSampleCount();
    int GetVSampleCount();

    // Valid after an Evaluate.
    bool IsUStartCollapsed() const { return mUStartCollapsed; }
    bool IsUEndCollapsed() const { return mUEndCollapsed; }
    bool IsVStartCollapsed() const { return mVStartCollapsed; }
    bool IsVEndCollapsed() const { return mVEndCollapsed; }

    // Fills a 4x4 basis matrix of a patch type (zeros for any other type); the cardinal type is
    // the matrix of tension 1.
    static void GetBasisMatrix(int pType, double oMatrix[16]);
    static void GetCardinalMatrix(double pTension, double oMatrix[16]);

    KError& GetError() { return mError; }

protected:
    // One sampling direction and its per-sample tables: for sample k, the first control point of
    // its span cell and mFunctions basis values and derivatives (function j belongs to control
    // point first + j, taken modulo the count in a closed direction).
    struct Direction
    {
        bool mClosed = false;
        int mOrder = 4;
        int mStep = 1;
        int mSubdivisions = kDefaultSubdivisions;
        int mCount = 0;
        bool mCountKnown = false;
        int mSampleCount = 0;
        double mTension = 1.0;
        double mMatrix[16] = {};
        double mDerivative[12] = {};

        int mFunctions = 0;
        std::vector<int> mFirst;
        std::vector<double> mValues;
        std::vector<double> mDerivatives;
    };

    // The sample count of a direction, or -1 with the error set.
    virtual long long ComputeSampleCount(const Direction& pDirection);
    // Fills the per-sample tables of a direction whose sample count is valid.
    virtual void BuildSampleTable(Direction& ioDirection);
    // Weights of the control points for rational evaluation; null for a polynomial surface.
    virtual const double* GetWeights() const { return nullptr; }
    // Final checks before tables are built (knot vectors, weights); false with the error set.
    virtual bool CheckInput() { return true; }

    void MarkDirty() { mDirty = true; }
    // Forgets the cached sample counts.
    void ResetCounts();
    Direction& GetU() { return mU; }
    Direction& GetV() { return mV; }
    const Direction& GetU() const { return mU; }
    const Direction& GetV() const { return mV; }

private:
    int SampleCount(Direction& ioDirection);
    void SetMatrix(Direction& ioDirection, const double* pMatrix);
    void SetBasis(Direction& ioDirection, int pType);
    void FindCollapsedEdges();
    template <bool kRational> void EvaluateSamples(int pUSamples, int pVSamples);
    void FixCollapsedNormals(int pUSamples, int pVSamples);
    void RecordInfluences(KSurfaceInfluenceTable& ioTable, int pUSamples, int pVSamples) const;
    int PointIndex(const Direction& pDirection, int pFirst, int pFunction) const;

    Direction mU;
    Direction mV;
    const KVector4* mControlPoints = nullptr;
    KVector4* mPointDestination = nullptr;
    KVector4* mNormalDestination = nullptr;
    std::vector<KVector4> mUTangents;
    std::vector<KVector4> mVTangents;
    bool mDirty = true;
    bool mCollapseDirty = true;
    bool mUStartCollapsed = false;
    bool mUEndCollapsed = false;
    bool mVStartCollapsed = false;
    bool mVEndCollapsed = false;
    KError mError;
};

#endif
