#include "character/KRyvSolverParameterTable.h"

#include <cstring>

namespace {

using T = KRyvSolverParameterTable;

const KRyvSolverLabelFunction kCompensation = &T::GetCompensationModeName;
const KRyvSolverLabelFunction kAutoUser = &T::GetAutoUserModeName;

// Index order is the file order of the parameters: never reorder.
const KRyvSolverParameterEntry kEntries[KRyvSolverParameterTable::kCount] = {
    {"PullIterationCount", 0, 0, 10.0, nullptr},
    {"Posture", 0, 0, 0.0, &T::GetPostureName},
    {"ForceActorSpace", 1, 0, 0.0, nullptr},
    {"ScaleCompensation", 2, 1, 100.0, kCompensation},
    {"HipsHeightCompensation", 2, 1, 0.0, kCompensation},
    {"AnkleHeightCompensation", 2, 1, 0.0, kCompensation},
    {"AnkleProximityCompensation", 2, 1, 0.0, kCompensation},
    {"MassCenterCompensation", 1, 1, 80.0, nullptr},
    {"ApplyLimits", 1, 0, 0.0, nullptr},
    {"ChestReduction", 0, 0, 0.0, nullptr},
    // 10
    {"CollarReduction", 0, 0, 0.0, nullptr},
    {"NeckReduction", 0, 0, 0.0, nullptr},
    {"HeadReduction", 0, 0, 0.0, nullptr},
    {"ReachActorLeftAnkle", 0, 0, 100.0, nullptr},
    {"ReachActorRightAnkle", 0, 0, 100.0, nullptr},
    {"ReachActorLeftKnee", 0, 0, 0.0, nullptr},
    {"ReachActorRightKnee", 0, 0, 0.0, nullptr},
    {"ReachActorChest", 0, 0, 0.0, nullptr},
    {"ReachActorHead", 0, 0, 0.0, nullptr},
    {"ReachActorLeftWrist", 0, 0, 0.0, nullptr},
    // 20
    {"ReachActorRightWrist", 0, 0, 0.0, nullptr},
    {"ReachActorLeftElbow", 0, 0, 0.0, nullptr},
    {"ReachActorRightElbow", 0, 0, 0.0, nullptr},
    {"ReachActorLeftFingerBase", 0, 0, 0.0, nullptr},
    {"ReachActorRightFingerBase", 0, 0, 0.0, nullptr},
    {"ReachActorLeftToesBase", 0, 0, 0.0, nullptr},
    {"ReachActorRightToesBase", 0, 0, 0.0, nullptr},
    {"ReachActorLeftFingerBaseRotation", 0, 0, 0.0, nullptr},
    {"ReachActorRightFingerBaseRotation", 0, 0, 0.0, nullptr},
    {"ReachActorLeftToesBaseRotation", 0, 0, 0.0, nullptr},
    // 30
    {"ReachActorRightToesBaseRotation", 0, 0, 0.0, nullptr},
    // The doubled word is the stored key; the property is "ReachActorLeftAnkleRotation".
    {"ReachActorLeftAnkleRotationRotation", 0, 0, 100.0, nullptr},
    {"ReachActorRightAnkleRotation", 0, 0, 100.0, nullptr},
    {"ReachActorHeadRotation", 0, 0, 0.0, nullptr},
    {"ReachActorLeftWristRotation", 0, 0, 0.0, nullptr},
    {"ReachActorRightWristRotation", 0, 0, 0.0, nullptr},
    {"ReachActorChestRotation", 0, 0, 0.0, nullptr},
    {"ReachActorLowerChestRotation", 0, 0, 0.0, nullptr},
    {"HipsTOffsetX", 0, 1, 0.0, nullptr},
    {"HipsTOffsetY", 0, 1, 0.0, nullptr},
    // 40
    {"HipsTOffsetZ", 0, 1, 0.0, nullptr},
    {"ChestTOffsetX", 0, 1, 0.0, nullptr},
    {"ChestTOffsetY", 0, 1, 0.0, nullptr},
    {"ChestTOffsetZ", 0, 1, 0.0, nullptr},
    {"FloorContact", 1, 0, 0.0, nullptr},
    {"FootBottomToAnkle", 0, 1, 7.5, nullptr},
    {"FootBackToAnkle", 0, 1, 4.5, nullptr},
    {"FootMiddleToAnkle", 0, 1, 13.0, nullptr},
    {"FootFrontToMiddle", 0, 1, 7.0, nullptr},
    {"FootInToAnkle", 0, 1, 5.0, nullptr},
    // 50
    {"FootOutToAnkle", 0, 1, 5.0, nullptr},
    {"ContactSize", 0, 1, 100.0, nullptr},
    {"AutomaticToes", 1, 0, 0.0, nullptr},
    {"FloorPivot", 0, 0, 0.0, &T::GetFootFloorPivotName},
    {"ParamFootContactStiffness", 0, 0, 0.0, nullptr},
    {"HandFloorContact", 1, 0, 0.0, nullptr},
    {"HandBottomToWrist", 0, 1, 7.5, nullptr},
    {"HandBackToWrist", 0, 1, 4.5, nullptr},
    {"HandMiddleToWrist", 0, 1, 13.0, nullptr},
    {"HandFrontToMiddle", 0, 1, 7.0, nullptr},
    // 60
    {"HandInToWrist", 0, 1, 5.0, nullptr},
    {"HandOutToWrist", 0, 1, 5.0, nullptr},
    {"HandContactSize", 0, 1, 100.0, nullptr},
    {"AutomaticFingers", 1, 0, 0.0, nullptr},
    {"HandFloorPivot", 0, 0, 0.0, &T::GetHandFloorPivotName},
    {"ParamHandContactStiffness", 0, 0, 0.0, nullptr},
    {"RollExtractionMode", 0, 0, 0.0, &T::GetRollExtractionModeName},
    {"LeftUpLegRoll", 1, 0, 60.0, nullptr},
    {"LeftLegRoll", 1, 0, 60.0, nullptr},
    {"RightUpLegRoll", 1, 0, 60.0, nullptr},
    // 70
    {"RightLegRoll", 1, 0, 60.0, nullptr},
    {"LeftArmRoll", 1, 0, 60.0, nullptr},
    {"LeftForeArmRoll", 1, 0, 60.0, nullptr},
    {"RightArmRoll", 1, 0, 60.0, nullptr},
    {"RightForeArmRoll", 1, 0, 60.0, nullptr},
    {"Damping", 0, 0, 0.0, nullptr},
    {"Orientation", 2, 1, 0.0, kCompensation},
    {"Displacement", 2, 1, 0.0, kCompensation},
    {"DisplacementMemory", 3, 0, 0.0, kAutoUser},
    {"HipsDisplacementDamping", 3, 0, 0.0, kAutoUser},
    // 80
    {"AnkleDisplacementDamping", 3, 0, 0.0, kAutoUser},
    {"WristDisplacementDamping", 3, 0, 0.0, kAutoUser},
    {"Stabilization", 0, 0, 0.0, nullptr},
    {"AnkleStabilizationTime", 3, 0, 0.0, kAutoUser},
    {"AnkleStabilizationPerimeter", 3, 0, 0.0, kAutoUser},
    {"AnkleStabilizationAngularPerimeter", 2, 1, 0.0, kCompensation},
    {"AnkleStabilizationFloorProximity", 2, 1, 0.0, kCompensation},
    {"AnkleStabilizationDamping", 2, 0, 0.0, kCompensation},
    {"AnkleStabilizationRecoveryTime", 2, 1, 0.0, kCompensation},
    {"CtrlPullLeftToeBase", 0, 0, 0.0, nullptr},
    // 90
    {"CtrlPullLeftFoot", 0, 0, 100.0, nullptr},
    {"CtrlPullLeftKnee", 0, 0, 0.0, nullptr},
    {"CtrlPullRightToeBase", 0, 0, 0.0, nullptr},
    {"CtrlPullRightFoot", 0, 0, 100.0, nullptr},
    {"CtrlPullRightKnee", 0, 0, 0.0, nullptr},
    {"CtrlPullLeftFingerBase", 0, 0, 0.0, nullptr},
    {"CtrlPullLeftHand", 0, 0, 100.0, nullptr},
    {"CtrlPullLeftElbow", 0, 0, 0.0, nullptr},
    {"CtrlPullRightFingerBase", 0, 0, 0.0, nullptr},
    {"CtrlPullRightHand", 0, 0, 100.0, nullptr},
    // 100
    {"CtrlPullRightElbow", 0, 0, 0.0, nullptr},
    {"CtrlChestPullLeftHand", 0, 0, 100.0, nullptr},
    {"CtrlChestPullRightHand", 0, 0, 100.0, nullptr},
    {"CtrlPullHead", 0, 0, 0.0, nullptr},
    {"CtrlResistHipsPosition", 0, 0, 0.0, nullptr},
    {"CtrlEnforceGravity", 0, 0, 60.0, nullptr},
    {"CtrlResistHipsOrientation", 0, 0, 0.0, nullptr},
    {"CtrlResistChestPosition", 0, 0, 0.0, nullptr},
    {"CtrlResistChestOrientation", 0, 0, 0.0, nullptr},
    {"CtrlResistLeftCollar", 0, 0, 50.0, nullptr},
    // 110
    {"CtrlResistRightCollar", 0, 0, 50.0, nullptr},
    {"CtrlResistLeftKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistMaximumExtensionLeftKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistCompressionFactorLeftKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistRightKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistMaximumExtensionRightKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistCompressionFactorRightKnee", 0, 0, 50.0, nullptr},
    {"CtrlResistLeftElbow", 0, 0, 50.0, nullptr},
    {"CtrlResistMaximumExtensionLeftElbow", 0, 0, 50.0, nullptr},
    {"CtrlResistCompressionFactorLeftElbow", 0, 0, 50.0, nullptr},
    // 120
    {"CtrlResistRightElbow", 0, 0, 50.0, nullptr},
    {"CtrlResistMaximumExtensionRightElbow", 0, 0, 50.0, nullptr},
    {"CtrlResistCompressionFactorRightElbow", 0, 0, 50.0, nullptr},
    {"ParamCtrlSpineStiffness", 0, 0, 0.0, nullptr},
    {"ParamCtrlNeckStiffness", 0, 0, 0.0, nullptr},
    {"Mirror", 1, 0, 0.0, nullptr},
    {"GameMode", 1, 0, 0.0, nullptr},
    {"ShoulderCorrection", 0, 0, 0.0, nullptr},
    {"LeftKneeKillPitch", 1, 0, 0.0, nullptr},
    {"RightKneeKillPitch", 1, 0, 0.0, nullptr},
    // 130
    {"LeftElbowKillPitch", 1, 0, 0.0, nullptr},
    {"RightElbowKillPitch", 1, 0, 0.0, nullptr},
    {"HipsTranslationMode", 0, 0, 0.0, &T::GetHipsTranslationModeName},
    {"LeftShoulderFrontAngle", 0, 0, 150.0, nullptr},
    {"LeftShoulderBackAngle", 0, 0, 150.0, nullptr},
    {"LeftShoulderUpAngle", 0, 0, 150.0, nullptr},
    {"LeftShoulderDownAngle", 0, 0, 150.0, nullptr},
    {"RightShoulderFrontAngle", 0, 0, 150.0, nullptr},
    {"RightShoulderBackAngle", 0, 0, 150.0, nullptr},
    {"RightShoulderUpAngle", 0, 0, 150.0, nullptr},
    // 140
    {"RightShoulderDownAngle", 0, 0, 150.0, nullptr},
    {"LeftHandThumbTip", 0, 0, 0.5, nullptr},
    {"LeftHandIndexTip", 0, 0, 0.5, nullptr},
    {"LeftHandMiddleTip", 0, 0, 0.5, nullptr},
    {"LeftHandRingTip", 0, 0, 0.5, nullptr},
    {"LeftHandPinkyTip", 0, 0, 0.5, nullptr},
    {"LeftHandExtraFingerTip", 0, 0, 0.5, nullptr},
    {"RightHandThumbTip", 0, 0, 0.5, nullptr},
    {"RightHandIndexTip", 0, 0, 0.5, nullptr},
    {"RightHandMiddleTip", 0, 0, 0.5, nullptr},
    // 150
    {"RightHandRingTip", 0, 0, 0.5, nullptr},
    {"RightHandPinkyTip", 0, 0, 0.5, nullptr},
    {"RightHandExtraFingerTip", 0, 0, 0.5, nullptr},
    {"LeftFootThumbTip", 0, 0, 0.5, nullptr},
    {"LeftFootIndexTip", 0, 0, 0.5, nullptr},
    {"LeftFootMiddleTip", 0, 0, 0.5, nullptr},
    {"LeftFootRingTip", 0, 0, 0.5, nullptr},
    {"LeftFootPinkyTip", 0, 0, 0.5, nullptr},
    {"LeftFootExtraFingerTip", 0, 0, 0.5, nullptr},
    {"RightFootThumbTip", 0, 0, 0.5, nullptr},
    // 160
    {"RightFootIndexTip", 0, 0, 0.5, nullptr},
    {"RightFootMiddleTip", 0, 0, 0.5, nullptr},
    {"RightFootRingTip", 0, 0, 0.5, nullptr},
    {"RightFootPinkyTip", 0, 0, 0.5, nullptr},
    {"RightFootExtraFingerTip", 0, 0, 0.5, nullptr},
    {"FingerSolving", 1, 1, 0.0, nullptr},
    {"HandContactType", 0, 0, 0.0, &T::GetHandContactTypeName},
    {"HandFingerContact", 1, 0, 0.0, nullptr},
    {"HandFingerContactMode", 0, 0, 1.0, &T::GetFingerContactModeName},
    {"ParamHandFingerContactRollStiffness", 0, 0, 0.0, nullptr},
    // 170
    {"FootContactType", 0, 0, 0.0, &T::GetFootContactTypeName},
    {"FootFingerContact", 1, 0, 0.0, nullptr},
    {"FootFingerContactMode", 0, 0, 1.0, &T::GetFingerContactModeName},
    {"ParamFootFingerContactRollStiffness", 0, 0, 0.0, nullptr},
    {"ContactBehaviour", 0, 0, 0.0, &T::GetContactBehaviourName},
    {"WriteReference", 1, 0, 0.0, nullptr},
    {"SyncMode", 1, 1, 0.0, nullptr},
};

template <int N> const char* Label(const char* const (&pItems)[N], int pIndex)
{
    return pIndex >= 0 && pIndex < N ? pItems[pIndex] : nullptr;
}

const char* const kPostureNames[] = {"Biped", "Quadruped"};
const char* const kCompensationModeNames[] = {"Off", "Auto", "User"};
const char* const kAutoUserModeNames[] = {"Auto", "User"};
const char* const kRollExtractionModeNames[] = {"Relative", "Absolute"};
const char* const kFootFloorPivotNames[] = {"Auto", "Ankle", "Toes"};
const char* const kHandFloorPivotNames[] = {"Auto", "Wrist", "Fingers"};
const char* const kHandContactTypeNames[] = {"Normal", "Wrist", "FingerBase", "Hoof"};
const char* const kFootContactTypeNames[] = {"Normal", "Ankle", "ToeBase", "Hoof"};
const char* const kFingerContactModeNames[] = {"Sticky", "Spread", "Sticky & Spread"};
const char* const kHipsTranslationModeNames[] = {"World Rigid", "Body Rigid"};
const char* const kContactBehaviourNames[] = {"Never Sync", "Sync On Key", "Always Sync"};

} // namespace

const KRyvSolverParameterEntry* KRyvSolverParameterTable::GetEntry(int pIndex)
{
    return pIndex >= 0 && pIndex < kCount ? &kEntries[pIndex] : nullptr;
}

const char* KRyvSolverParameterTable::GetSolverParameterName(int pIndex)
{
    const KRyvSolverParameterEntry* lEntry = GetEntry(pIndex);
    return lEntry ? lEntry->mName : nullptr;
}

int KRyvSolverParameterTable::GetSolverParameterIndex(const char* pName)
{
    if (!pName) {
        return -1;
    }
    for (int i = 0; i < kCount; ++i) {
        if (std::strcmp(kEntries[i].mName, pName) == 0) {
            return i;
        }
    }
    return -1;
}

bool KRyvSolverParameterTable::IsModeValid(int pIndex, int pMode)
{
    const KRyvSolverParameterEntry* lEntry = GetEntry(pIndex);
    if (!lEntry) {
        return false;
    }
    switch (lEntry->mModeKind) {
    case 1:
    case 3:
        return pMode == 0 || pMode == 1;
    case 2:
        return pMode >= 0 && pMode <= 2;
    default:
        return false;
    }
}

const char* KRyvSolverParameterTable::GetPostureName(int pIndex)
{
    return Label(kPostureNames, pIndex);
}

const char* KRyvSolverParameterTable::GetCompensationModeName(int pIndex)
{
    return Label(kCompensationModeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetAutoUserModeName(int pIndex)
{
    return Label(kAutoUserModeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetRollExtractionModeName(int pIndex)
{
    return Label(kRollExtractionModeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetFootFloorPivotName(int pIndex)
{
    return Label(kFootFloorPivotNames, pIndex);
}

const char* KRyvSolverParameterTable::GetHandFloorPivotName(int pIndex)
{
    return Label(kHandFloorPivotNames, pIndex);
}

const char* KRyvSolverParameterTable::GetHandContactTypeName(int pIndex)
{
    return Label(kHandContactTypeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetFootContactTypeName(int pIndex)
{
    return Label(kFootContactTypeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetFingerContactModeName(int pIndex)
{
    return Label(kFingerContactModeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetHipsTranslationModeName(int pIndex)
{
    return Label(kHipsTranslationModeNames, pIndex);
}

const char* KRyvSolverParameterTable::GetContactBehaviourName(int pIndex)
{
    return Label(kContactBehaviourNames, pIndex);
}

KRyvSolverParameterValues::KRyvSolverParameterValues()
{
    for (int i = 0; i < KRyvSolverParameterTable::kCount; ++i) {
        mRecords[i].mMode = kEntries[i].mDefaultMode;
        mRecords[i].mValue = kEntries[i].mDefaultValue;
    }
}

bool KRyvSolverParameterValues::SetMode(int pIndex, int pMode)
{
    if (!KRyvSolverParameterTable::IsModeValid(pIndex, pMode)) {
        return false;
    }
    mRecords[pIndex].mMode = pMode;
    return true;
}

int KRyvSolverParameterValues::GetMode(int pIndex) const
{
    return KRyvSolverParameterTable::GetEntry(pIndex) ? mRecords[pIndex].mMode : 0;
}

bool KRyvSolverParameterValues::SetValue(int pIndex, double pValue)
{
    if (!KRyvSolverParameterTable::GetEntry(pIndex)) {
        return false;
    }
    mRecords[pIndex].mValue = pValue;
    return true;
}

double KRyvSolverParameterValues::GetValue(int pIndex) const
{
    return KRyvSolverParameterTable::GetEntry(pIndex) ? mRecords[pIndex].mValue : 0.0;
}

void KRyvSolverParameterValues::SetRange(int, double, double) {}

double KRyvSolverParameterValues::GetRange(int) const
{
    return 0.0;
}
