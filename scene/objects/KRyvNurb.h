#ifndef RYVKIT_SCENE_OBJECTS_KRYVNURB_H
#define RYVKIT_SCENE_OBJECTS_KRYVNURB_H

#include "core/KString.h"
#include "scene/objects/KRyvGeometry.h"

#include <vector>

// A NURBS surface (attribute type 5): a grid of U x V control points stored row by row (point
// (u, v) at index v * U count + u, the weight in w), with an order (degree + 1), a form and a
// display step per direction, a knot vector and a multiplicity array per direction, and a
// display mode. The object owns its arrays; the getters hand them out for reading and writing in
// place, valid until the next InitControlPoints, Reset or assignment.
//
// Orders, counts and steps are capped (kMaxOrder, kMaxControlPoints, kMaxStep) so that values read
// from a file cannot make the surface allocate without bound; refused values set the geometry error
// kParameterOutOfRange and change nothing.
class KRyvNurb : public KRyvGeometry
{
public:
    // The form of a direction.
    enum EType : int { ePeriodic = 0, eClosed = 1, eOpen = 2 };

    static constexpr int kMaxOrder = 64;
    static constexpr int kMaxControlPoints = 1 << 22;
    static constexpr int kMaxStep = 1024;

    explicit KRyvNurb(KRyvObjectFactory* pFactory);
    ~KRyvNurb() override;

    int GetAttributeType() const override { return eNurb; }
    // "Nurb".
    KString GetTypeName() const override;

    // Reset, then the flags, display mode, orders, steps, counts, types, knot vectors and
    // multiplicities, then the geometry part. Self-assignment changes nothing.
    KRyvNurb& operator=(const KRyvNurb& pOther);

    // Orders, counts and steps 0, both types open, display mode 4, both flags false, the knot
    // vectors, multiplicities and control points empty.
    void Reset();

    // Orders 0..kMaxOrder; false otherwise.
    bool SetOrder(int pUOrder, int pVOrder);
    int GetUOrder() const { return mUOrder; }
    int GetVOrder() const { return mVOrder; }
    // Steps 0..kMaxStep; false otherwise. A step of 0 means "not given".
    bool SetStep(int pUStep, int pVStep);
    int GetUStep() const { return mUStep; }
    int GetVStep() const { return mVStep; }

    // Sizes the control points to pUCount x pVCount (zero points), stores counts and types, and
    // sizes the knot vectors by the knot-count rule with the current orders (zero knots) and the
    // multiplicities to the counts (all 1). False for a negative count, a type outside 0..2 or
    // more than kMaxControlPoints points.
    bool InitControlPoints(int pUCount, int pUType, int pVCount, int pVType);
    int GetUCount() const { return mUCount; }
    int GetVCount() const { return mVCount; }
    int GetUType() const { return mUType; }
    int GetVType() const { return mVType; }

    // The knot-count rule for the current count, order and type: count + 2 * order - 1 for a
    // periodic or closed direction, count + order for an open one; 0 when that is below 0.
    int GetUKnotCount() const { return KnotCount(mUCount, mUOrder, mUType); }
    int GetVKnotCount() const { return KnotCount(mVCount, mVOrder, mVType); }
    // Null when the array is empty; otherwise as many entries as the knot count (multiplicities:
    // the direction's count) had at the last InitControlPoints.
    double* GetUKnotVector() { return mUKnots.empty() ? nullptr : mUKnots.data(); }
    double* GetVKnotVector() { return mVKnots.empty() ? nullptr : mVKnots.data(); }
    int* GetUMultiplicity() { return mUMultiplicity.empty() ? nullptr : mUMultiplicity.data(); }
    int* GetVMultiplicity() { return mVMultiplicity.empty() ? nullptr : mVMultiplicity.data(); }

    void SetSurfaceDisplayMode(int pMode) { mSurfaceDisplayMode = pMode; }
    int GetSurfaceDisplayMode() const { return mSurfaceDisplayMode; }
    void SetExchangeUVFlag(bool pFlag) { mExchangeUV = pFlag; }
    bool GetExchangeUVFlag() const { return mExchangeUV; }
    void SetRemapLinksFlag(bool pFlag) { mRemapLinks = pFlag; }
    bool GetRemapLinksFlag() const { return mRemapLinks; }

    // The rules a surface read from a file must meet: control-point count equal to U count x V
    // count, every weight above 0, each multiplicity array as long as its direction's count and
    // each knot vector as long as its knot count.
    bool IsValid() const;

    // "Periodic", "Closed" or "Open"; null for any other type.
    static const char* GetTypeText(int pType);
    // The type of a file text, letter case ignored; -1 for null or any other text.
    static int GetTypeFromText(const char* pText);

private:
    static int KnotCount(int pCount, int pOrder, int pType);

    int mUOrder = 0;
    int mVOrder = 0;
    int mUCount = 0;
    int mVCount = 0;
    int mUStep = 0;
    int mVStep = 0;
    int mUType = eOpen;
    int mVType = eOpen;
    std::vector<double> mUKnots;
    std::vector<double> mVKnots;
    std::vector<int> mUMultiplicity;
    std::vector<int> mVMultiplicity;
    int mSurfaceDisplayMode = 4;
    bool mExchangeUV = false;
    bool mRemapLinks = false;
};

#endif
