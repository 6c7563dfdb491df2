#ifndef RYVKIT_SCENE_KRYVNODEPROPERTIES_H
#define RYVKIT_SCENE_KRYVNODEPROPERTIES_H

#include "core/KVector4.h"
#include "object/KObject.h"
#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPivotSet.h"

#include <memory>

class KRyvNode;

// The transform property block of one node: 50 member properties (offsets, pivots, pre- and
// post-rotation, rotation order, inherit type, limit mirrors, geometric transform, the
// "LookAtProperty" / "UpVectorProperty" object lists, "Show", "NegativePercentShapeSupport"),
// then the four animatable properties "Lcl Translation", "Lcl Rotation", "Lcl Scaling" and
// "Visibility" that it creates and owns. The registration order is what scene files list and
// must not change. The block also holds the node's two pivot sets.
//
// A wide file's nodes mostly keep every member at its default, so a member costs nothing until
// it is used: the block holds the members' values, made on the first write that changes one,
// and each member property is made when it is first reached by index or name (see
// KObject::RegisterDeferredMember), to live as long as the block. The typed Set/Get accessors
// touch only the held value (no notification); a member property is attached with them, so
// SetValue on it goes through the same accessors and adds events 18 and 19. Vector setters keep
// x, y and z, vector getters answer w = 1.
//
// The block is the plug of the hierarchy: a child's block is a source of its parent's. Every
// connection event of the block is first handed to the owning node's
// KRyvNode::OnBlockConnectNotify(event, plug, other, args) (the node decides what the hierarchy
// and scene membership do; false refuses), then to KObject. A block without node skips the
// first step. Events a property of the block hands on arrive there too (pPlug is then that
// property), as do the events of the block's own construction and destruction. The node owns
// the block and removes it with Destroy.
class KRyvNodeProperties : public KRyvOwnedPropertySet<KRyvNode>
{
    K_DECLARE_CLASS(KRyvNodeProperties)

    // pNode: the owner, not owned; may be null for a free-standing block.
    explicit KRyvNodeProperties(KRyvNode* pNode);
    ~KRyvNodeProperties() override;

    int GetKindId() const { return 1; }
    const char* GetKindName() const { return ""; }

    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

    KRyvNode* GetNode() const { return GetOwner(); }

    // Pivot set 0 or 1; null for any other index. A set is made on its first writable use
    // (throws std::bad_alloc when it cannot be); until then it reads as a reset set.
    KRyvPivotSet* GetPivotSet(int pSet);
    const KRyvPivotSet* GetPivotSet(int pSet) const;
    // Resets a set that was made (one never made is in its reset state).
    void ResetPivotSet(int pSet);

    bool SetQuaternionInterpolate(bool pValue);
    bool GetQuaternionInterpolate() const;
    void SetRotationOffset(KVector4 pValue);
    KVector4 GetRotationOffset() const;
    void SetRotationPivot(KVector4 pValue);
    KVector4 GetRotationPivot() const;
    void SetRotationPivotUpdateOffset(KVector4 pValue);
    KVector4 GetRotationPivotUpdateOffset() const;
    void SetScalingOffset(KVector4 pValue);
    KVector4 GetScalingOffset() const;
    void SetScalingPivot(KVector4 pValue);
    KVector4 GetScalingPivot() const;
    void SetScalingPivotUpdateOffset(KVector4 pValue);
    KVector4 GetScalingPivotUpdateOffset() const;
    bool SetTranslationActive(bool pValue);
    bool GetTranslationActive() const;
    void SetTranslationMin(KVector4 pValue);
    KVector4 GetTranslationMin() const;
    void SetTranslationMax(KVector4 pValue);
    KVector4 GetTranslationMax() const;
    bool SetTranslationMinX(bool pValue);
    bool GetTranslationMinX() const;
    bool SetTranslationMinY(bool pValue);
    bool GetTranslationMinY() const;
    bool SetTranslationMinZ(bool pValue);
    bool GetTranslationMinZ() const;
    bool SetTranslationMaxX(bool pValue);
    bool GetTranslationMaxX() const;
    bool SetTranslationMaxY(bool pValue);
    bool GetTranslationMaxY() const;
    bool SetTranslationMaxZ(bool pValue);
    bool GetTranslationMaxZ() const;
    int SetRotationOrder(int pValue);
    int GetRotationOrder() const;
    bool SetRotationSpaceForLimitOnly(bool pValue);
    bool GetRotationSpaceForLimitOnly() const;
    void SetAxisLen(double pValue);
    double GetAxisLen() const;
    void SetPreRotation(KVector4 pValue);
    KVector4 GetPreRotation() const;
    void SetPostRotation(KVector4 pValue);
    KVector4 GetPostRotation() const;
    bool SetRotationActive(bool pValue);
    bool GetRotationActive() const;
    void SetRotationMin(KVector4 pValue);
    KVector4 GetRotationMin() const;
    void SetRotationMax(KVector4 pValue);
    KVector4 GetRotationMax() const;
    void SetRotationStiffnessX(double pValue);
    double GetRotationStiffnessX() const;
    void SetRotationStiffnessY(double pValue);
    double GetRotationStiffnessY() const;
    void SetRotationStiffnessZ(double pValue);
    double GetRotationStiffnessZ() const;
    bool SetRotationMinX(bool pValue);
    bool GetRotationMinX() const;
    bool SetRotationMinY(bool pValue);
    bool GetRotationMinY() const;
    bool SetRotationMinZ(bool pValue);
    bool GetRotationMinZ() const;
    bool SetRotationMaxX(bool pValue);
    bool GetRotationMaxX() const;
    bool SetRotationMaxY(bool pValue);
    bool GetRotationMaxY() const;
    bool SetRotationMaxZ(bool pValue);
    bool GetRotationMaxZ() const;
    int SetInheritType(int pValue);
    int GetInheritType() const;
    bool SetScalingActive(bool pValue);
    bool GetScalingActive() const;
    void SetScalingMin(KVector4 pValue);
    KVector4 GetScalingMin() const;
    void SetScalingMax(KVector4 pValue);
    KVector4 GetScalingMax() const;
    bool SetScalingMinX(bool pValue);
    bool GetScalingMinX() const;
    bool SetScalingMinY(bool pValue);
    bool GetScalingMinY() const;
    bool SetScalingMinZ(bool pValue);
    bool GetScalingMinZ() const;
    bool SetScalingMaxX(bool pValue);
    bool GetScalingMaxX() const;
    bool SetScalingMaxY(bool pValue);
    bool GetScalingMaxY() const;
    bool SetScalingMaxZ(bool pValue);
    bool GetScalingMaxZ() const;
    void SetGeometricTranslation(KVector4 pValue);
    KVector4 GetGeometricTranslation() const;
    void SetGeometricRotation(KVector4 pValue);
    KVector4 GetGeometricRotation() const;
    void SetGeometricScaling(KVector4 pValue);
    KVector4 GetGeometricScaling() const;
    bool SetShow(bool pValue);
    bool GetShow() const;
    bool SetNegativePercentShapeSupport(bool pValue);
    bool GetNegativePercentShapeSupport() const;

protected:
    // The node's records and take 0 describe the block as it was made: pending records are
    // made, and a deferred take 0 filled, before the block's properties change.
    void OnPropertiesChanging() override;
    KProperty* MakeDeferredMember(int pMember) override;
    const char* GetDeferredMemberName(int pMember) const override;

private:
    struct Values;

    // Creates an animatable property of the data type of that name (flag 8); null on failure.
    KProperty* CreateChannel(const char* pName);

    // The held values, by slot number of their kind; until the first write that changes one,
    // the defaults. A write of the default makes nothing.
    bool ReadBool(int pSlot) const;
    bool StoreBool(int pSlot, bool pValue);
    int ReadEnum(int pSlot) const;
    int StoreEnum(int pSlot, int pValue);
    double ReadDouble(int pSlot) const;
    void StoreDouble(int pSlot, double pValue);
    KVector4 ReadVector(int pSlot) const;
    void StoreVector(int pSlot, const KVector4& pValue);
    Values& WritableValues();

    std::unique_ptr<Values> mValues;
    // Most nodes never use their pivot sets: they are made on demand.
    std::unique_ptr<KRyvPivotSet> mPivotSets[2];
};

#endif
