#ifndef RYVKIT_SCENE_OBJECTS_KRYVPATCH_H
#define RYVKIT_SCENE_OBJECTS_KRYVPATCH_H

#include "scene/objects/KRyvGeometry.h"

// A patch surface (attribute type 6): a grid of U count x V count control points (index
// v x U count + u), interpolated in each direction by one of five bases, with the number of
// subdivision steps per direction, closed and capped flags. Counts and steps usually come from
// files, so the setters refuse negative values, counts whose grid exceeds kMaxControlPoints
// and steps above kMaxStep, and leave everything unchanged.
//
// A step of 0 (the value after construction) means "not given"; whoever subdivides the surface
// must treat it as at least 1.
class KRyvPatch : public KRyvGeometry
{
public:
    enum EPatchType : int {
        eBezier = 0,
        eBezierQuadric = 1,
        eCardinal = 2,
        eBSpline = 3,
        eLinear = 4,
    };

    static constexpr int kMaxControlPoints = 1 << 22;
    static constexpr int kMaxStep = 1024;

    // Types linear, no control points, steps 0, nothing closed or capped, display mode 4.
    explicit KRyvPatch(KRyvObjectFactory* pFactory);

    int GetAttributeType() const override { return ePatch; }
    // "Patch".
    KString GetTypeName() const override;

    // Stores the counts and types and makes U count x V count zero control points. False
    // (nothing changed) for a negative count, a grid above kMaxControlPoints or a type outside
    // 0..4.
    bool InitControlPoints(int pUCount, int pUType, int pVCount, int pVType);
    int GetUCount() const { return mUCount; }
    int GetVCount() const { return mVCount; }
    int GetUType() const { return mUType; }
    int GetVType() const { return mVType; }

    // False (nothing changed) when either step is outside 0..kMaxStep.
    bool SetStep(int pUStep, int pVStep);
    int GetUStep() const { return mUStep; }
    int GetVStep() const { return mVStep; }

    void SetClosed(bool pU, bool pV);
    bool GetUClosed() const { return mUClosed; }
    bool GetVClosed() const { return mVClosed; }

    void SetUCapped(bool pBottom, bool pTop);
    bool GetUCappedBottom() const { return mUCappedBottom; }
    bool GetUCappedTop() const { return mUCappedTop; }
    void SetVCapped(bool pBottom, bool pTop);
    bool GetVCappedBottom() const { return mVCappedBottom; }
    bool GetVCappedTop() const { return mVCappedTop; }

    // How the surface is displayed; stored as given, 4 after construction.
    void SetSurfaceMode(int pMode) { mSurfaceMode = pMode; }
    int GetSurfaceMode() const { return mSurfaceMode; }

private:
    int mUType = eLinear;
    int mVType = eLinear;
    int mUCount = 0;
    int mVCount = 0;
    int mUStep = 0;
    int mVStep = 0;
    bool mUClosed = false;
    bool mVClosed = false;
    bool mUCappedBottom = false;
    bool mUCappedTop = false;
    bool mVCappedBottom = false;
    bool mVCappedTop = false;
    int mSurfaceMode = 4;
};

#endif
