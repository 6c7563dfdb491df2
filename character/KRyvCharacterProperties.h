#ifndef RYVKIT_CHARACTER_KRYVCHARACTERPROPERTIES_H
#define RYVKIT_CHARACTER_KRYVCHARACTERPROPERTIES_H

#include "core/KVector4.h"
#include "object/KObject.h"
#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"

#include <memory>

class KRyvCharacter;
class KRyvSolverParameterValues;

// The 191 typed properties of a character in registration order (the order of the property
// indices, of the character's curves and of the files). One row per property:
//   KIND(Name, parameter index or -1, Part, animatable, Clamp, Labels, default without parameter)
// KIND is BOOL, DOUBLE, READONLY (double without setter), ENUM or VECTOR (Vector3D without
// setter, parameters p, p + 1, p + 2). Part is the part of the parameter the property stands for:
// Mode (the integer part), Value (the double part) or None. Clamp is None, Iterations [0, 30] or
// Size [0.01, 1000]. Labels names the item list of an enumeration.
#define KRYV_CHARACTER_PROPERTIES(BOOL, DOUBLE, READONLY, ENUM, VECTOR)                            \
    BOOL(Active, -1, None, false, None, None, 1.0)                                                 \
    BOOL(Lock, -1, None, false, None, None, 0.0)                                                   \
    DOUBLE(Weight, -1, None, true, None, None, 100.0)                                              \
    DOUBLE(PullIterationCount, 0, Value, false, Iterations, None, 0.0)                             \
    ENUM(Posture, 1, Value, false, None, Posture, 0.0)                                             \
    BOOL(ForceActorSpace, 2, Mode, false, None, None, 0.0)                                         \
    DOUBLE(ScaleCompensation, -1, None, true, None, None, 0.0)                                     \
    ENUM(ScaleCompensationMode, 3, Mode, false, None, Compensation, 0.0)                           \
    DOUBLE(HipsHeightCompensation, -1, None, true, None, None, 0.0)                                \
    ENUM(HipsHeightCompensationMode, 4, Mode, false, None, Compensation, 0.0)                      \
    DOUBLE(AnkleHeightCompensation, -1, None, true, None, None, 0.0)                               \
    ENUM(AnkleHeightCompensationMode, 5, Mode, false, None, Compensation, 0.0)                     \
    DOUBLE(AnkleProximityCompensation, -1, None, true, None, None, 0.0)                            \
    ENUM(AnkleProximityCompensationMode, 6, Mode, false, None, Compensation, 0.0)                  \
    READONLY(MassCenterCompensation, 7, Value, true, None, None, 0.0)                              \
    BOOL(ApplyLimits, 8, Mode, false, None, None, 0.0)                                             \
    READONLY(ChestReduction, 9, Value, true, None, None, 0.0)                                      \
    READONLY(CollarReduction, 10, Value, true, None, None, 0.0)                                    \
    READONLY(NeckReduction, 11, Value, true, None, None, 0.0)                                      \
    READONLY(HeadReduction, 12, Value, true, None, None, 0.0)                                      \
    READONLY(ReachActorLeftAnkle, 13, Value, true, None, None, 0.0)                                \
    READONLY(ReachActorRightAnkle, 14, Value, true, None, None, 0.0)                               \
    READONLY(ReachActorLeftKnee, 15, Value, true, None, None, 0.0)                                 \
    READONLY(ReachActorRightKnee, 16, Value, true, None, None, 0.0)                                \
    READONLY(ReachActorChest, 17, Value, true, None, None, 0.0)                                    \
    READONLY(ReachActorHead, 18, Value, true, None, None, 0.0)                                     \
    READONLY(ReachActorLeftWrist, 19, Value, true, None, None, 0.0)                                \
    READONLY(ReachActorRightWrist, 20, Value, true, None, None, 0.0)                               \
    READONLY(ReachActorLeftElbow, 21, Value, true, None, None, 0.0)                                \
    READONLY(ReachActorRightElbow, 22, Value, true, None, None, 0.0)                               \
    READONLY(ReachActorLeftFingerBase, 23, Value, true, None, None, 0.0)                           \
    READONLY(ReachActorRightFingerBase, 24, Value, true, None, None, 0.0)                          \
    READONLY(ReachActorLeftToesBase, 25, Value, true, None, None, 0.0)                             \
    READONLY(ReachActorRightToesBase, 26, Value, true, None, None, 0.0)                            \
    READONLY(ReachActorLeftFingerBaseRotation, 27, Value, true, None, None, 0.0)                   \
    READONLY(ReachActorRightFingerBaseRotation, 28, Value, true, None, None, 0.0)                  \
    READONLY(ReachActorLeftToesBaseRotation, 29, Value, true, None, None, 0.0)                     \
    READONLY(ReachActorRightToesBaseRotation, 30, Value, true, None, None, 0.0)                    \
    READONLY(ReachActorLeftAnkleRotation, 31, Value, true, None, None, 0.0)                        \
    READONLY(ReachActorRightAnkleRotation, 32, Value, true, None, None, 0.0)                       \
    READONLY(ReachActorHeadRotation, 33, Value, true, None, None, 0.0)                             \
    READONLY(ReachActorLeftWristRotation, 34, Value, true, None, None, 0.0)                        \
    READONLY(ReachActorRightWristRotation, 35, Value, true, None, None, 0.0)                       \
    READONLY(ReachActorChestRotation, 36, Value, true, None, None, 0.0)                            \
    READONLY(ReachActorLowerChestRotation, 37, Value, true, None, None, 0.0)                       \
    VECTOR(HipsTOffset, 38, Value, true, None, None, 0.0)                                          \
    VECTOR(ChestTOffset, 41, Value, true, None, None, 0.0)                                         \
    DOUBLE(LeftUpLegRoll, 67, Value, true, None, None, 0.0)                                        \
    BOOL(LeftUpLegRollMode, 67, Mode, false, None, None, 0.0)                                      \
    DOUBLE(LeftLegRoll, 68, Value, true, None, None, 0.0)                                          \
    BOOL(LeftLegRollMode, 68, Mode, false, None, None, 0.0)                                        \
    DOUBLE(RightUpLegRoll, 69, Value, true, None, None, 0.0)                                       \
    BOOL(RightUpLegRollMode, 69, Mode, false, None, None, 0.0)                                     \
    DOUBLE(RightLegRoll, 70, Value, true, None, None, 0.0)                                         \
    BOOL(RightLegRollMode, 70, Mode, false, None, None, 0.0)                                       \
    DOUBLE(LeftArmRoll, 71, Value, true, None, None, 0.0)                                          \
    BOOL(LeftArmRollMode, 71, Mode, false, None, None, 0.0)                                        \
    DOUBLE(LeftForeArmRoll, 72, Value, true, None, None, 0.0)                                      \
    BOOL(LeftForeArmRollMode, 72, Mode, false, None, None, 0.0)                                    \
    DOUBLE(RightArmRoll, 73, Value, true, None, None, 0.0)                                         \
    BOOL(RightArmRollMode, 73, Mode, false, None, None, 0.0)                                       \
    DOUBLE(RightForeArmRoll, 74, Value, true, None, None, 0.0)                                     \
    BOOL(RightForeArmRollMode, 74, Mode, false, None, None, 0.0)                                   \
    ENUM(RollExtractionMode, 66, Value, false, None, RollExtraction, 0.0)                          \
    BOOL(FootFloorContact, 44, Mode, false, None, None, 0.0)                                       \
    BOOL(FootAutomaticToes, 52, Mode, false, None, None, 0.0)                                      \
    ENUM(FootFloorPivot, 53, Value, false, None, FootFloorPivot, 0.0)                              \
    DOUBLE(FootBottomToAnkle, 45, Value, false, Size, None, 0.0)                                   \
    DOUBLE(FootBackToAnkle, 46, Value, false, Size, None, 0.0)                                     \
    DOUBLE(FootMiddleToAnkle, 47, Value, false, Size, None, 0.0)                                   \
    DOUBLE(FootFrontToMiddle, 48, Value, false, Size, None, 0.0)                                   \
    DOUBLE(FootInToAnkle, 49, Value, false, Size, None, 0.0)                                       \
    DOUBLE(FootOutToAnkle, 50, Value, false, Size, None, 0.0)                                      \
    DOUBLE(FootContactSize, 51, Value, false, Size, None, 0.0)                                     \
    READONLY(FootContactStiffness, 54, Value, true, None, None, 0.0)                               \
    READONLY(FootFingerContactRollStiffness, 173, Value, true, None, None, 0.0)                    \
    BOOL(HandFloorContact, 55, Mode, false, None, None, 0.0)                                       \
    BOOL(HandAutomaticFingers, 63, Mode, false, None, None, 0.0)                                   \
    ENUM(HandFloorPivot, 64, Value, false, None, HandFloorPivot, 0.0)                              \
    DOUBLE(HandBottomToWrist, 56, Value, false, Size, None, 0.0)                                   \
    DOUBLE(HandBackToWrist, 57, Value, false, Size, None, 0.0)                                     \
    DOUBLE(HandMiddleToWrist, 58, Value, false, Size, None, 0.0)                                   \
    DOUBLE(HandFrontToMiddle, 59, Value, false, Size, None, 0.0)                                   \
    DOUBLE(HandInToWrist, 60, Value, false, Size, None, 0.0)                                       \
    DOUBLE(HandOutToWrist, 61, Value, false, Size, None, 0.0)                                      \
    DOUBLE(HandContactSize, 62, Value, false, Size, None, 0.0)                                     \
    READONLY(HandContactStiffness, 65, Value, true, None, None, 0.0)                               \
    READONLY(HandFingerContactRollStiffness, 169, Value, true, None, None, 0.0)                    \
    READONLY(CtrlPullLeftToeBase, 89, Value, true, None, None, 0.0)                                \
    READONLY(CtrlPullLeftFoot, 90, Value, true, None, None, 0.0)                                   \
    READONLY(CtrlPullLeftKnee, 91, Value, true, None, None, 0.0)                                   \
    READONLY(CtrlPullRightToeBase, 92, Value, true, None, None, 0.0)                               \
    READONLY(CtrlPullRightFoot, 93, Value, true, None, None, 0.0)                                  \
    READONLY(CtrlPullRightKnee, 94, Value, true, None, None, 0.0)                                  \
    READONLY(CtrlPullLeftFingerBase, 95, Value, true, None, None, 0.0)                             \
    READONLY(CtrlPullLeftHand, 96, Value, true, None, None, 0.0)                                   \
    READONLY(CtrlPullLeftElbow, 97, Value, true, None, None, 0.0)                                  \
    READONLY(CtrlPullRightFingerBase, 98, Value, true, None, None, 0.0)                            \
    READONLY(CtrlPullRightHand, 99, Value, true, None, None, 0.0)                                  \
    READONLY(CtrlPullRightElbow, 100, Value, true, None, None, 0.0)                                \
    READONLY(CtrlChestPullLeftHand, 101, Value, true, None, None, 0.0)                             \
    READONLY(CtrlChestPullRightHand, 102, Value, true, None, None, 0.0)                            \
    READONLY(CtrlPullHead, 103, Value, true, None, None, 0.0)                                      \
    READONLY(CtrlResistHipsPosition, 104, Value, true, None, None, 0.0)                            \
    READONLY(CtrlEnforceGravity, 105, Value, true, None, None, 0.0)                                \
    READONLY(CtrlResistHipsOrientation, 106, Value, true, None, None, 0.0)                         \
    READONLY(CtrlResistChestPosition, 107, Value, true, None, None, 0.0)                           \
    READONLY(CtrlResistChestOrientation, 108, Value, true, None, None, 0.0)                        \
    READONLY(CtrlResistLeftCollar, 109, Value, true, None, None, 0.0)                              \
    READONLY(CtrlResistRightCollar, 110, Value, true, None, None, 0.0)                             \
    READONLY(CtrlResistLeftKnee, 111, Value, true, None, None, 0.0)                                \
    READONLY(CtrlResistMaximumExtensionLeftKnee, 112, Value, true, None, None, 0.0)                \
    READONLY(CtrlResistCompressionFactorLeftKnee, 113, Value, true, None, None, 0.0)               \
    READONLY(CtrlResistRightKnee, 114, Value, true, None, None, 0.0)                               \
    READONLY(CtrlResistMaximumExtensionRightKnee, 115, Value, true, None, None, 0.0)               \
    READONLY(CtrlResistCompressionFactorRightKnee, 116, Value, true, None, None, 0.0)              \
    READONLY(CtrlResistLeftElbow, 117, Value, true, None, None, 0.0)                               \
    READONLY(CtrlResistMaximumExtensionLeftElbow, 118, Value, true, None, None, 0.0)               \
    READONLY(CtrlResistCompressionFactorLeftElbow, 119, Value, true, None, None, 0.0)              \
    READONLY(CtrlResistRightElbow, 120, Value, true, None, None, 0.0)                              \
    READONLY(CtrlResistMaximumExtensionRightElbow, 121, Value, true, None, None, 0.0)              \
    READONLY(CtrlResistCompressionFactorRightElbow, 122, Value, true, None, None, 0.0)             \
    READONLY(CtrlSpineStiffness, 123, Value, true, None, None, 0.0)                                \
    READONLY(CtrlNeckStiffness, 124, Value, true, None, None, 0.0)                                 \
    BOOL(MirrorMode, 125, Mode, false, None, None, 0.0)                                            \
    READONLY(ShoulderCorrection, 127, Value, true, None, None, 0.0)                                \
    BOOL(LeftKneeKillPitch, 128, Mode, false, None, None, 0.0)                                     \
    BOOL(RightKneeKillPitch, 129, Mode, false, None, None, 0.0)                                    \
    BOOL(LeftElbowKillPitch, 130, Mode, false, None, None, 0.0)                                    \
    BOOL(RightElbowKillPitch, 131, Mode, false, None, None, 0.0)                                   \
    ENUM(HipsTranslationMode, 132, Value, false, None, HipsTranslation, 0.0)                       \
    BOOL(WriteReference, 175, Mode, false, None, None, 0.0)                                        \
    BOOL(SyncMode, 176, Mode, false, None, None, 0.0)                                              \
    READONLY(Damping, 75, Value, true, None, None, 0.0)                                            \
    DOUBLE(OrientationDamping, 76, Value, true, None, None, 0.0)                                   \
    ENUM(OrientationDampingMode, 76, Mode, false, None, Compensation, 0.0)                         \
    DOUBLE(DisplacementDamping, 77, Value, true, None, None, 0.0)                                  \
    ENUM(DisplacementDampingMode, 77, Mode, false, None, Compensation, 0.0)                        \
    DOUBLE(DisplacementMemory, 78, Value, true, None, None, 0.0)                                   \
    ENUM(DisplacementMemoryMode, 78, Mode, false, None, AutoUser, 0.0)                             \
    DOUBLE(HipsDisplacementDamping, 79, Value, true, None, None, 0.0)                              \
    ENUM(HipsDisplacementDampingMode, 79, Mode, false, None, AutoUser, 0.0)                        \
    DOUBLE(AnkleDisplacementDamping, 80, Value, true, None, None, 0.0)                             \
    ENUM(AnkleDisplacementDampingMode, 80, Mode, false, None, AutoUser, 0.0)                       \
    DOUBLE(WristDisplacementDamping, 81, Value, true, None, None, 0.0)                             \
    ENUM(WristDisplacementDampingMode, 81, Mode, false, None, AutoUser, 0.0)                       \
    READONLY(Stabilization, 82, Value, true, None, None, 0.0)                                      \
    DOUBLE(AnkleStabilizationTime, 83, Value, true, None, None, 0.0)                               \
    ENUM(AnkleStabilizationTimeMode, 83, Mode, false, None, AutoUser, 0.0)                         \
    DOUBLE(AnkleStabilizationPerimeter, 84, Value, true, None, None, 0.0)                          \
    ENUM(AnkleStabilizationPerimeterMode, 84, Mode, false, None, AutoUser, 0.0)                    \
    DOUBLE(AnkleStabilizationAngularPerimeter, 85, Value, true, None, None, 0.0)                   \
    ENUM(AnkleStabilizationAngularPerimeterMode, 85, Mode, false, None, Compensation, 0.0)         \
    DOUBLE(AnkleStabilizationFloorProximity, 86, Value, true, None, None, 0.0)                     \
    ENUM(AnkleStabilizationFloorProximityMode, 86, Mode, false, None, Compensation, 0.0)           \
    DOUBLE(AnkleStabilizationDamping, 87, Value, true, None, None, 0.0)                            \
    ENUM(AnkleStabilizationDampingMode, 87, Mode, false, None, Compensation, 0.0)                  \
    DOUBLE(AnkleStabilizationRecoveryTime, 88, Value, true, None, None, 0.0)                       \
    ENUM(AnkleStabilizationRecoveryTimeMode, 88, Mode, false, None, Compensation, 0.0)             \
    DOUBLE(LeftHandThumbTip, 141, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftHandIndexTip, 142, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftHandMiddleTip, 143, Value, false, Size, None, 0.0)                                  \
    DOUBLE(LeftHandRingTip, 144, Value, false, Size, None, 0.0)                                    \
    DOUBLE(LeftHandPinkyTip, 145, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftHandExtraFingerTip, 146, Value, false, Size, None, 0.0)                             \
    DOUBLE(RightHandThumbTip, 147, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightHandIndexTip, 148, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightHandMiddleTip, 149, Value, false, Size, None, 0.0)                                 \
    DOUBLE(RightHandRingTip, 150, Value, false, Size, None, 0.0)                                   \
    DOUBLE(RightHandPinkyTip, 151, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightHandExtraFingerTip, 152, Value, false, Size, None, 0.0)                            \
    DOUBLE(LeftFootThumbTip, 153, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftFootIndexTip, 154, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftFootMiddleTip, 155, Value, false, Size, None, 0.0)                                  \
    DOUBLE(LeftFootRingTip, 156, Value, false, Size, None, 0.0)                                    \
    DOUBLE(LeftFootPinkyTip, 157, Value, false, Size, None, 0.0)                                   \
    DOUBLE(LeftFootExtraFingerTip, 158, Value, false, Size, None, 0.0)                             \
    DOUBLE(RightFootThumbTip, 159, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightFootIndexTip, 160, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightFootMiddleTip, 161, Value, false, Size, None, 0.0)                                 \
    DOUBLE(RightFootRingTip, 162, Value, false, Size, None, 0.0)                                   \
    DOUBLE(RightFootPinkyTip, 163, Value, false, Size, None, 0.0)                                  \
    DOUBLE(RightFootExtraFingerTip, 164, Value, false, Size, None, 0.0)                            \
    BOOL(FingerSolving, 165, Mode, false, None, None, 0.0)                                         \
    BOOL(FootFingerContact, 171, Mode, false, None, None, 0.0)                                     \
    ENUM(FootContactType, 170, Value, false, None, FootContactType, 0.0)                           \
    ENUM(FootFingerContactMode, 172, Value, false, None, FingerContactMode, 0.0)                   \
    BOOL(HandFingerContact, 167, Mode, false, None, None, 0.0)                                     \
    ENUM(HandContactType, 166, Value, false, None, HandContactType, 0.0)                           \
    ENUM(HandFingerContactMode, 168, Value, false, None, FingerContactMode, 0.0)                   \
    ENUM(ContactBehaviour, 174, Value, false, None, ContactBehaviour, 0.0)

#define KRYV_CHARACTER_ENUMERATOR(Name, ...) Name,
#define KRYV_CHARACTER_DECLARE_BOOL(Name, ...)                                                     \
    void Set##Name(bool pValue)                                                                    \
    {                                                                                              \
        SetBoolAt(EProperty::Name, pValue);                                                        \
    }                                                                                              \
    bool Get##Name() const                                                                         \
    {                                                                                              \
        return GetBoolAt(EProperty::Name);                                                         \
    }
#define KRYV_CHARACTER_DECLARE_DOUBLE(Name, ...)                                                   \
    void Set##Name(double pValue)                                                                  \
    {                                                                                              \
        SetDoubleAt(EProperty::Name, pValue);                                                      \
    }                                                                                              \
    double Get##Name() const                                                                       \
    {                                                                                              \
        return GetDoubleAt(EProperty::Name);                                                       \
    }
#define KRYV_CHARACTER_DECLARE_READONLY(Name, ...)                                                 \
    double Get##Name() const                                                                       \
    {                                                                                              \
        return GetDoubleAt(EProperty::Name);                                                       \
    }
#define KRYV_CHARACTER_DECLARE_ENUM(Name, ...)                                                     \
    void Set##Name(int pValue)                                                                     \
    {                                                                                              \
        SetEnumAt(EProperty::Name, pValue);                                                        \
    }                                                                                              \
    int Get##Name() const                                                                          \
    {                                                                                              \
        return GetEnumAt(EProperty::Name);                                                         \
    }
#define KRYV_CHARACTER_DECLARE_VECTOR(Name, ...)                                                   \
    KVector4 Get##Name() const                                                                     \
    {                                                                                              \
        return GetVectorAt(EProperty::Name);                                                       \
    }

// The property set of a character: the 191 typed properties above, then one "%sLink" object list
// per named link (187, by link id: "HipsLink" ... "ReferenceLink" ... ), then the object lists
// "SourceObject", "DestinationObject", "Actor", "Character" and "ControlSet": 383 properties.
//
// The character's solver parameter value block is the one store of every property that stands
// for a parameter: its getter reads the block and its setter (read-only ones included, for
// SetValue and curve links) writes it, so the block and the properties agree after every change
// from either side. A mode the block refuses for its parameter's kind leaves the old mode, which
// the property then answers. Clamped setters bring the value into their range first.
//
// A node block connected to a "%sLink" list binds that link to the node (SetCharacterLink without
// mirroring); removing that node's block unbinds it. A control-set plug's property set connected
// to "ControlSet" fills the character's control set. Other objects connected there are ignored.
// The character owns the set and removes it with Destroy.
class KRyvCharacterProperties : public KRyvOwnedPropertySet<KRyvCharacter>
{
    K_DECLARE_CLASS(KRyvCharacterProperties)

    enum class EProperty : int {
        KRYV_CHARACTER_PROPERTIES(KRYV_CHARACTER_ENUMERATOR, KRYV_CHARACTER_ENUMERATOR,
                                  KRYV_CHARACTER_ENUMERATOR, KRYV_CHARACTER_ENUMERATOR,
                                  KRYV_CHARACTER_ENUMERATOR) Count
    };
    static constexpr int kTypedPropertyCount = static_cast<int>(EProperty::Count);

    // pCharacter: the owner (not owned); its value block must exist. Null gives a set whose
    // parameter-backed properties only keep their own values.
    explicit KRyvCharacterProperties(KRyvCharacter* pCharacter);
    ~KRyvCharacterProperties() override;

    // Takes the properties apart (the "%sLink" lists are destroyed and forgotten).
    void Destruct() override;
    KRyvCharacter* GetCharacter() const { return GetOwner(); }

    KRYV_CHARACTER_PROPERTIES(KRYV_CHARACTER_DECLARE_BOOL, KRYV_CHARACTER_DECLARE_DOUBLE,
                              KRYV_CHARACTER_DECLARE_READONLY, KRYV_CHARACTER_DECLARE_ENUM,
                              KRYV_CHARACTER_DECLARE_VECTOR)

    // The typed property of a row; null for a bad value.
    KProperty* GetTypedProperty(EProperty pProperty) const;
    // The parameter a row stands for (the first of three for a vector); -1 for none.
    static int GetParameterIndex(EProperty pProperty);

    // Refreshes the cached values of the parameter-backed properties from the value block
    // (no events; their getters read the block anyway).
    void LoadSolverParameters();

    // The "%sLink" list of link id 0..190; null for the ids without a name and out of range.
    KPropertyObjectList* GetLinkProperty(int pId) const;
    // The link id of a "%sLink" list of this set; -1 for any other property.
    int GetLinkId(const KPlug* pPlug) const;
    KPropertyObjectList& GetSourceObject() { return mSourceObject; }
    KPropertyObjectList& GetDestinationObject() { return mDestinationObject; }
    KPropertyObjectList& GetActor() { return mActor; }
    KPropertyObjectList& GetCharacterList() { return mCharacterList; }
    KPropertyObjectList& GetControlSet() { return mControlSet; }

    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

private:
    void SetBoolAt(EProperty pProperty, bool pValue);
    bool GetBoolAt(EProperty pProperty) const;
    void SetDoubleAt(EProperty pProperty, double pValue);
    double GetDoubleAt(EProperty pProperty) const;
    void SetEnumAt(EProperty pProperty, int pValue);
    int GetEnumAt(EProperty pProperty) const;
    void SetVectorAt(EProperty pProperty, const KVector4& pValue);
    KVector4 GetVectorAt(EProperty pProperty) const;
    void SetupObjectList(KPropertyObjectList& ioList, const char* pName, bool pKeepConnections,
                         unsigned pListBit);
    // True when the event was about a node block and has been applied to the link.
    bool OnLinkEvent(int pId, KConnectEvent pEvent, KPlug* pOther);

    KRyvSolverParameterValues* mValues;
    std::unique_ptr<KProperty> mTyped[kTypedPropertyCount];
    KPropertyObjectList* mLinkProperties[191] = {};
    KPropertyObjectList mSourceObject;
    KPropertyObjectList mDestinationObject;
    KPropertyObjectList mActor;
    KPropertyObjectList mCharacterList;
    KPropertyObjectList mControlSet;
};

#undef KRYV_CHARACTER_ENUMERATOR
#undef KRYV_CHARACTER_DECLARE_BOOL
#undef KRYV_CHARACTER_DECLARE_DOUBLE
#undef KRYV_CHARACTER_DECLARE_READONLY
#undef KRYV_CHARACTER_DECLARE_ENUM
#undef KRYV_CHARACTER_DECLARE_VECTOR

#endif
