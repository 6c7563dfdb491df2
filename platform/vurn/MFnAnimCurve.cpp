#include "platform/vurn/MFnAnimCurve.h"

#include "platform/vurn/VurnStatus.h"

#include <sstream>

MFnAnimCurve::MFnAnimCurve(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MFnAnimCurve::MFnAnimCurve(const MPlug& pPlug, MStatus* oStatus)
{
    MPlugArray lSources;
    if (pPlug.isNull() || !pPlug.connectedTo(lSources, true, false)) {
        VurnReport(oStatus, VurnFailure("no curve drives the plug"));
        return;
    }
    Attach(lSources[0].node(), oStatus);
}

MObject MFnAnimCurve::create(const MPlug& pPlug, MStatus* oStatus)
{
    if (pPlug.isNull() || pPlug.isConnected()) {
        VurnReport(oStatus, VurnFailure("plug cannot take a curve"));
        return MObject();
    }
    VurnScene& lScene = VurnScene::Get();
    const std::string lName = lScene.Node(pPlug.nodeId())->mName + "_" +
                              lScene.Attribute(pPlug.path().back().first)->mName;
    const MObject lCurve = MFnDependencyNode::create(MFn::kAnimCurve, lName, oStatus);
    if (lCurve.isNull()) {
        return lCurve;
    }
    lScene.MutableNode(lCurve.id())->mCurve = std::make_shared<VurnAnimCurveData>();
    lScene.Connect(lCurve.id(), "output", pPlug.nodeId(), lScene.PlugPathText(pPlug.path()));
    return lCurve;
}

const VurnAnimCurveData* MFnAnimCurve::Curve() const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    return lNode ? lNode->mCurve.get() : nullptr;
}

VurnAnimCurveData* MFnAnimCurve::MutableCurve()
{
    VurnNode* lNode = VurnScene::Get().MutableNode(NodeId());
    if (lNode && !lNode->mCurve) {
        lNode->mCurve = std::make_shared<VurnAnimCurveData>();
    }
    return lNode ? lNode->mCurve.get() : nullptr;
}

const VurnKey* MFnAnimCurve::Key(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnAnimCurveData* lCurve = Curve();
    if (!lCurve || pIndex >= lCurve->mKeys.size()) {
        VurnReport(oStatus, VurnFailure("key index out of range"));
        return nullptr;
    }
    VurnReport(oStatus, MStatus());
    return &lCurve->mKeys[pIndex];
}

unsigned int MFnAnimCurve::numKeys(MStatus* oStatus) const
{
    VurnReport(oStatus, isAttached() ? MStatus() : VurnFailure("not attached"));
    return Curve() ? static_cast<unsigned int>(Curve()->mKeys.size()) : 0;
}

MTime MFnAnimCurve::time(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnKey* lKey = Key(pIndex, oStatus);
    return MTime(lKey ? lKey->mTime : 0.0);
}

double MFnAnimCurve::value(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnKey* lKey = Key(pIndex, oStatus);
    return lKey ? lKey->mValue : 0.0;
}

MFnAnimCurve::TangentType MFnAnimCurve::inTangentType(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnKey* lKey = Key(pIndex, oStatus);
    return static_cast<TangentType>(lKey ? lKey->mInType : kTangentGlobal);
}

MFnAnimCurve::TangentType MFnAnimCurve::outTangentType(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnKey* lKey = Key(pIndex, oStatus);
    return static_cast<TangentType>(lKey ? lKey->mOutType : kTangentGlobal);
}

MStatus MFnAnimCurve::getTangent(unsigned int pIndex, double& oX, double& oY, bool pInTangent) const
{
    MStatus lStatus;
    const VurnKey* lKey = Key(pIndex, &lStatus);
    if (lKey) {
        oX = pInTangent ? lKey->mInX : lKey->mOutX;
        oY = pInTangent ? lKey->mInY : lKey->mOutY;
    }
    return lStatus;
}

MStatus MFnAnimCurve::getTangent(unsigned int pIndex, float& oX, float& oY, bool pInTangent) const
{
    double lX = 0.0;
    double lY = 0.0;
    const MStatus lStatus = getTangent(pIndex, lX, lY, pInTangent);
    if (lStatus) {
        oX = static_cast<float>(lX);
        oY = static_cast<float>(lY);
    }
    return lStatus;
}

bool MFnAnimCurve::isWeighted(MStatus* oStatus) const
{
    VurnReport(oStatus, isAttached() ? MStatus() : VurnFailure("not attached"));
    return Curve() && Curve()->mWeighted;
}

bool MFnAnimCurve::tangentsLocked(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnKey* lKey = Key(pIndex, oStatus);
    return lKey && lKey->mLocked;
}

double MFnAnimCurve::evaluate(const MTime& pTime, MStatus* oStatus) const
{
    VurnReport(oStatus, isAttached() ? MStatus() : VurnFailure("not attached"));
    return Curve() ? Curve()->Evaluate(pTime.as(MTime::kSeconds)) : 0.0;
}

MStatus MFnAnimCurve::addKey(const MTime& pTime, double pValue, TangentType pInType,
                             TangentType pOutType)
{
    VurnAnimCurveData* lCurve = MutableCurve();
    if (!lCurve || pInType < kTangentGlobal || pOutType < kTangentGlobal) {
        return VurnFailure("cannot add a key");
    }
    VurnKey lKey;
    lKey.mTime = pTime.as(MTime::kSeconds);
    lKey.mValue = pValue;
    lKey.mInType = pInType;
    lKey.mOutType = pOutType;
    lCurve->mKeys.push_back(lKey);
    lCurve->Update();
    std::ostringstream lText;
    lText.precision(17);
    lText << "key " << lKey.mTime << ' ' << pValue;
    VurnScene::Get().Touch(NodeId(), lText.str());
    return MStatus();
}

MStatus MFnAnimCurve::setTangent(unsigned int pIndex, double pX, double pY, bool pInTangent)
{
    VurnAnimCurveData* lCurve = MutableCurve();
    if (!lCurve || pIndex >= lCurve->mKeys.size()) {
        return VurnFailure("key index out of range");
    }
    VurnKey& lKey = lCurve->mKeys[pIndex];
    (pInTangent ? lKey.mInType : lKey.mOutType) = kTangentFixed;
    (pInTangent ? lKey.mInX : lKey.mOutX) = pX;
    (pInTangent ? lKey.mInY : lKey.mOutY) = pY;
    lCurve->Update();
    VurnScene::Get().Touch(NodeId(), "tangent " + std::to_string(pIndex));
    return MStatus();
}

MStatus MFnAnimCurve::setIsWeighted(bool pWeighted)
{
    VurnAnimCurveData* lCurve = MutableCurve();
    if (!lCurve) {
        return VurnFailure("not attached");
    }
    lCurve->mWeighted = pWeighted;
    VurnScene::Get().Touch(NodeId(), "weighted");
    return MStatus();
}

MStatus MFnAnimCurve::setTangentsLocked(unsigned int pIndex, bool pLocked)
{
    VurnAnimCurveData* lCurve = MutableCurve();
    if (!lCurve || pIndex >= lCurve->mKeys.size()) {
        return VurnFailure("key index out of range");
    }
    lCurve->mKeys[pIndex].mLocked = pLocked;
    VurnScene::Get().Touch(NodeId(), "locked " + std::to_string(pIndex));
    return MStatus();
}

MStatus MAnimControl::setMinMaxTime(const MTime& pMin, const MTime& pMax)
{
    if (pMax < pMin) {
        return VurnFailure("range ends before it starts");
    }
    VurnScene::Get().mMinTime = pMin.as(MTime::kSeconds);
    VurnScene::Get().mMaxTime = pMax.as(MTime::kSeconds);
    VurnScene::Get().RecordMutation("playback range");
    return MStatus();
}

MStatus MAnimControl::setCurrentTime(const MTime& pTime)
{
    VurnScene::Get().mCurrentTime = pTime.as(MTime::kSeconds);
    VurnScene::Get().RecordMutation("current time");
    return MStatus();
}
