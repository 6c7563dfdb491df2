#include "formats/motion/KMotionMarkerBuilder.h"

#include "animation/KFCurve.h"
#include "core/KTimeModeTable.h"
#include "formats/motion/KMotionNumber.h"
#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KReadRollback.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvOpticalReference.h"

#include <cfloat>
#include <cmath>

KMotionMarkerBuilder::KMotionMarkerBuilder(KRyvObjectFactory& ioFactory, KReadRollback& ioRollback,
                                           const char* pTakeName)
    : mFactory(ioFactory), mRollback(ioRollback), mTakeName(pTakeName)
{
}

KString KMotionMarkerBuilder::TakeNameOf(const std::string& pFileName)
{
    const std::size_t lDot = pFileName.rfind('.');
    return KString(
        pFileName.substr(0, lDot == std::string::npos || lDot == 0 ? pFileName.size() : lDot)
            .c_str());
}

KRyvNode* KMotionMarkerBuilder::CreateReference(const char* pFormatName,
                                                const KStreamOptionsMotion& pOptions)
{
    const KString lName = KString(pFormatName) +
                          (pOptions.GetOption(kOptionOpticalName) == 1 ? ":optical" : ":reference");
    KRyvNode* lNode = mRollback.AddNode(mFactory.CreateNode(lName.Buffer()));
    KRyvOpticalReference* lReference = mFactory.CreateOpticalReference();
    mRollback.AddAttribute(lReference);
    if (!lNode || !lReference) {
        return nullptr;
    }
    lNode->SetNodeAttribute(lReference);
    // Marked, so that a writer's FindReferenceNode stops here: with a single marker below it
    // would otherwise go on to that marker and take it for the reference, whose own transform
    // is left out (every pose would be written as the identity).
    lNode->SetMarked(true);
    return lNode;
}

KRyvNode* KMotionMarkerBuilder::CreateMarker(KRyvNode* pReference, const char* pName)
{
    KRyvNode* lNode = mRollback.AddNode(mFactory.CreateNode(pName));
    KRyvMarker* lMarker = mFactory.CreateMarker();
    mRollback.AddAttribute(lMarker);
    if (!lNode || !lMarker) {
        return nullptr;
    }
    lMarker->SetType(KRyvMarker::eOptical);
    lNode->SetNodeAttribute(lMarker);
    // Marked, so that a writer given the scene as read finds the markers again.
    lNode->SetMarked(true);
    if (!pReference->AddChild(lNode) || !lNode->AddTakeNode(mTakeName.Buffer()) ||
        !lNode->SetCurrentTakeNode(mTakeName.Buffer())) {
        return nullptr;
    }
    return lNode;
}

std::vector<KTime> KMotionMarkerBuilder::KeyTimes(const KStreamOptionsMotion& pOptions, int pFrames)
{
    std::vector<KTime> lTimes(static_cast<std::size_t>(pFrames > 0 ? pFrames : 0));
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    for (int i = 0; i < pFrames; ++i) {
        lTimes[static_cast<std::size_t>(i)] = lStart + lPeriod * i;
    }
    return lTimes;
}

void KMotionMarkerBuilder::ExtendKeyTimes(const KStreamOptionsMotion& pOptions, int pFrames,
                                          std::vector<KTime>& ioTimes)
{
    const std::size_t lCount = static_cast<std::size_t>(pFrames > 0 ? pFrames : 0);
    if (ioTimes.size() >= lCount) {
        return;
    }
    const KTime lStart = pOptions.GetStart();
    const KTime lPeriod = pOptions.GetFramePeriod();
    ioTimes.reserve(lCount);
    for (std::size_t i = ioTimes.size(); i < lCount; ++i) {
        ioTimes.push_back(lStart + lPeriod * static_cast<int>(i));
    }
}

bool KMotionMarkerBuilder::SetKey(KFCurve* pCurve, int pIndex, KTime pTime, double pValue,
                                  int pInterpolation)
{
    if (!KMotionNumber::FitsFloat(pValue)) {
        return false;
    }
    KFCurveKey* lKey = pCurve->GetKey(pIndex);
    if (!lKey) {
        return false;
    }
    lKey->Set(pTime, static_cast<float>(pValue), pInterpolation, KFCurveKey::kTangentAuto);
    return true;
}

bool KMotionMarkerBuilder::JoinScene(KRyvScene& ioScene, KRyvNode* pReference,
                                     const KStreamOptionsMotion& pOptions, int pFrames)
{
    if (!ioScene.GetRootNode()->AddChild(pReference)) {
        return false;
    }
    // Without a single marker no node holds the take, and there is nothing to describe.
    if (!ioScene.HasTake(mTakeName.Buffer())) {
        return true;
    }
    if (!ioScene.SetTakeInfo(KMotionTakeSpan::Describe(mTakeName.Buffer(), pOptions, pFrames))) {
        return false;
    }
    mTakeJoined = true;
    // A rate of no time mode is marked custom, so that no one takes the default mode's rate
    // for it.
    ioScene.GetGlobalTimeSettings().SetTimeMode(
        pOptions.GetTimeMode() != 0 ? pOptions.GetTimeMode() : KTimeModeTable::kCustomMode);
    return true;
}

void KMotionMarkerBuilder::Commit(KRyvScene& ioScene)
{
    if (mTakeJoined) {
        mRollback.CommitWithCurrentTake(ioScene, mTakeName.Buffer());
    } else {
        mRollback.Commit();
    }
}
