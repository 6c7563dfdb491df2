#ifndef RYVKIT_PLATFORM_VURN_MFNANIMCURVE_H
#define RYVKIT_PLATFORM_VURN_MFNANIMCURVE_H

#include "platform/vurn/MFnDependencyNode.h"
#include "platform/vurn/MTime.h"
#include "platform/vurn/VurnPayloads.h"

// The function set of animation curves. Attached through a plug it takes the curve whose
// "output" drives that plug and fails when none does. Key indices out of range answer 0 with a
// failure status. Tangents are (x seconds, y value units); see VurnScene.h for evaluation.
class MFnAnimCurve : public MFnDependencyNode
{
public:
    enum TangentType : int {
        kTangentGlobal = 0,
        kTangentFixed = 1,
        kTangentLinear = 2,
        kTangentFlat = 3,
        kTangentSmooth = 4,
        kTangentStep = 5,
        kTangentSlow = 6,
        kTangentFast = 7,
        kTangentClamped = 8,
    };

    MFnAnimCurve() = default;
    explicit MFnAnimCurve(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnAnimCurve(const MPlug& pPlug, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kAnimCurve; }

    // Creates a curve node connected to drive pPlug and attaches to it; failure when pPlug is
    // null or already driven.
    MObject create(const MPlug& pPlug, MStatus* oStatus = nullptr);
    unsigned int numKeys(MStatus* oStatus = nullptr) const;
    unsigned int numKeyframes(MStatus* oStatus = nullptr) const { return numKeys(oStatus); }
    MTime time(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    double value(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    TangentType inTangentType(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    TangentType outTangentType(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MStatus getTangent(unsigned int pIndex, float& oX, float& oY, bool pInTangent) const;
    MStatus getTangent(unsigned int pIndex, double& oX, double& oY, bool pInTangent) const;
    bool isWeighted(MStatus* oStatus = nullptr) const;
    bool tangentsLocked(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    double evaluate(const MTime& pTime, MStatus* oStatus = nullptr) const;

    // Editing, recorded as changes of the curve node.
    MStatus addKey(const MTime& pTime, double pValue, TangentType pInType = kTangentSmooth,
                   TangentType pOutType = kTangentSmooth);
    // Makes one side of a key fixed with tangent (x seconds, y value units).
    MStatus setTangent(unsigned int pIndex, double pX, double pY, bool pInTangent);
    MStatus setIsWeighted(bool pWeighted);
    MStatus setTangentsLocked(unsigned int pIndex, bool pLocked);

private:
    const VurnAnimCurveData* Curve() const;
    VurnAnimCurveData* MutableCurve();
    // The key at pIndex; null (and a failure status) when out of range.
    const VurnKey* Key(unsigned int pIndex, MStatus* oStatus) const;
};

// The playback range and current time, in seconds.
class MAnimControl
{
public:
    static MTime minTime() { return MTime(VurnScene::Get().mMinTime); }
    static MTime maxTime() { return MTime(VurnScene::Get().mMaxTime); }
    static MTime currentTime() { return MTime(VurnScene::Get().mCurrentTime); }
    static MStatus setMinMaxTime(const MTime& pMin, const MTime& pMax);
    static MStatus setCurrentTime(const MTime& pTime);
};

#endif
