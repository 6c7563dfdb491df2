#ifndef RYVKIT_CHARACTER_KRYVCONTROLSET_H
#define RYVKIT_CHARACTER_KRYVCONTROLSET_H

#include "core/KString.h"
#include "scene/KRyvNode.h"

class KRyvCharacter;
class KRyvControlSetPlug;

// One link slot of a control set: the rig node standing for a character link, or only the name
// of a template node. The node is not owned.
struct KRyvControlSetLink
{
    KRyvNode* mNode = nullptr;
    KString mTemplateName{""};
};

// The five flags of an effector, in file order (keys "SHOW", "TACTIVE", "RACTIVE",
// "CANDIDATE_TACTIVE", "CANDIDATE_RACTIVE").
struct KRyvControlSetEffectorFlags
{
    bool mShow = true;
    bool mTActive = false;
    bool mRActive = false;
    bool mCandidateTActive = false;
    bool mCandidateRActive = false;

    bool operator==(const KRyvControlSetEffectorFlags& pOther) const
    {
        return mShow == pOther.mShow && mTActive == pOther.mTActive &&
               mRActive == pOther.mRActive && mCandidateTActive == pOther.mCandidateTActive &&
               mCandidateRActive == pOther.mCandidateRActive;
    }
};

// One effector: its node (not owned) and its flags.
struct KRyvControlSetEffector
{
    KRyvNode* mNode = nullptr;
    KRyvControlSetEffectorFlags mFlags;
};

// A character's rig: for each of the 191 link ids a rig node or template name, 44 effectors
// with five flags, and 14 auxiliary effector slots (1..14) per effector. Owned by its character.
// Every node a slot holds carries a back reference {owner, kind, index, sub-index}: kind 1 link
// (link id, 0), 2 effector (index, 0), 3 auxiliary (index, slot - 1); the owner is the
// character (which forwards kinds 1 to 3 here), or the set itself when it has none. A node that
// is destroyed clears its slots; the set removes its back references when it is cleared or dies.
// Bad indices give false or null and change nothing.
class KRyvControlSet : public KRyvNodeReferrer
{
public:
    static constexpr int kLinkCount = 191;
    static constexpr int kEffectorCount = 44;
    static constexpr int kAuxiliarySlotCount = 14;
    // Back-reference kinds of the slots.
    static constexpr int kLinkReference = 1;
    static constexpr int kEffectorReference = 2;
    static constexpr int kAuxiliaryReference = 3;

    // pOwner: the character that owns this set (not owned; null for a free-standing set).
    explicit KRyvControlSet(KRyvCharacter* pOwner = nullptr);
    KRyvControlSet(const KRyvControlSet&) = delete;
    KRyvControlSet& operator=(const KRyvControlSet&) = delete;
    // Clears, so no node keeps a back reference to this set.
    ~KRyvControlSet() override;

    KRyvCharacter* GetOwner() const { return mOwner; }

    // A link with neither node nor template name empties the slot; otherwise the slot takes both.
    // False for an id outside 0..190.
    bool SetLink(int pId, const KRyvControlSetLink& pLink);
    // False for a bad id or an empty slot; copies the slot into oLink when it is not null.
    bool GetLink(int pId, KRyvControlSetLink* oLink) const;

    // A null node empties the record (SHOW on, the rest off); otherwise the record takes the node
    // and pFlags. False for an index outside 0..43.
    bool SetEffector(int pIndex, KRyvNode* pNode, const KRyvControlSetEffectorFlags& pFlags);
    // False for a bad index or a record without node; copies it into oEffector when not null.
    bool GetEffector(int pIndex, KRyvControlSetEffector* oEffector) const;
    // Slot 1..14 of effector 0..43; a null node empties it.
    bool SetAuxiliaryEffector(int pIndex, KRyvNode* pNode, int pSlot);
    // False for bad indices or an empty slot (oNode untouched then).
    bool GetAuxiliaryEffector(int pIndex, KRyvNode*& oNode, int pSlot) const;

    // "HipsEffector" ... ; null outside 0..43.
    static const char* GetEffectorName(int pIndex);
    // Exact, case-sensitive; -1 for any other text or null.
    static int GetEffectorIndex(const char* pName);
    // The flags every effector gets from Clear (effectors 0 to 4 differ); SHOW only for a bad
    // index.
    static KRyvControlSetEffectorFlags GetDefaultEffectorFlags(int pIndex);

    void SetType(int pType) { mType = pType; }
    int GetType() const { return mType; }
    void SetUseAxis(bool pUseAxis) { mUseAxis = pUseAxis; }
    bool GetUseAxis() const { return mUseAxis; }
    void SetLockXForm(bool pLock) { mLockXForm = pLock; }
    bool GetLockXForm() const { return mLockXForm; }
    void SetLockPick(bool pLock) { mLockPick = pLock; }
    bool GetLockPick() const { return mLockPick; }

    // Empties every link, effector and auxiliary slot (dropping their back references), sets the
    // type to 0 and both locks off, then gives the effectors their default flags. The use-axis
    // flag stays.
    void Clear();

    // Rebuilds the set from a plug: Clear, then the plug's type and use-axis flag, then the
    // first node block connected to each link property, and per effector property connection 0
    // as the effector (SHOW only) and connections 1..14 as the auxiliary slots. Connections that
    // are not node blocks leave their slot empty; connections past 14 are dropped. False, with
    // nothing changed, for a null plug or one without its property set.
    bool FromControlSetPlug(KRyvControlSetPlug* pPlug);

    // Clears the slot a node being destroyed is recorded at (kinds 1 to 3), if it still holds
    // that node.
    void ClearNodeReference(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex) override;

private:
    KRyvNodeReferrer* GetReferrer();
    void Hold(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex);
    void Release(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex);

    KRyvCharacter* mOwner;
    int mType = 0;
    bool mUseAxis = false;
    bool mLockXForm = false;
    bool mLockPick = false;
    KRyvControlSetLink mLinks[kLinkCount];
    KRyvControlSetEffector mEffectors[kEffectorCount];
    KRyvNode* mAuxiliary[kEffectorCount][kAuxiliarySlotCount] = {};
};

#endif
