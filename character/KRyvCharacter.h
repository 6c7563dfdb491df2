#ifndef RYVKIT_CHARACTER_KRYVCHARACTER_H
#define RYVKIT_CHARACTER_KRYVCHARACTER_H

#include "character/KRyvControlSet.h"
#include "character/KRyvSolverParameterTable.h"
#include "core/KError.h"
#include "core/KString.h"
#include "core/KVector4.h"
#include "object/KObject.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvTakeNodeContainer.h"

#include <memory>

class KPropertyObjectList;
class KRyvCharacterProperties;

// One link of a character: the node bound to a template role (not owned), or only the name of
// the model, with translation, rotation and scaling offsets. The link property is the character's
// "%sLink" object list mirroring the link; it belongs to the character's table, so copying a
// record never copies it.
struct KRyvCharacterLink
{
    KRyvNode* mNode = nullptr;
    KString mTemplateName{""};
    KVector4 mOffsetT{0.0, 0.0, 0.0, 1.0};
    KVector4 mOffsetR{0.0, 0.0, 0.0, 1.0};
    KVector4 mOffsetS{1.0, 1.0, 1.0, 1.0};
    KPropertyObjectList* mLinkProperty = nullptr;

    KRyvCharacterLink() = default;
    KRyvCharacterLink(const KRyvCharacterLink& pOther) { *this = pOther; }
    // Node, name and offsets; the destination keeps its link property.
    KRyvCharacterLink& operator=(const KRyvCharacterLink& pOther);
    // No node, empty name, offsets (0, 0, 0, 1), (0, 0, 0, 1), (1, 1, 1, 1); the link property is
    // kept (the character forgets it only when its property set is gone).
    void Reset();
};

// A character: the binding of skeleton nodes to the 191 roles of a fixed body template, with its
// input (an actor or another character), its control set, its solver parameter values and its
// property set (KRyvCharacterProperties), all three owned. A take-node container of object type 8
// ("Constraint::"), type name "Character"; made by the scene, which also owns it.
//
// Every link holding a node puts the back reference {character, 0, link id, 0} on it; the control
// set's slots use kinds 1 to 3 with the character as object. A node being destroyed clears them.
// Link ids outside 0..190 are refused (false); the node-name table lookups answer false, null,
// 0 or -1 for bad groups, indices and ids.
class KRyvCharacter : public KRyvTakeNodeContainer, public KObjectOwner, public KRyvNodeReferrer
{
public:
    static constexpr int kLinkCount = 191;
    static constexpr int kGroupCount = 12;
    static constexpr int kLinkReference = 0;
    // Input kinds.
    static constexpr int kInputActor = 0;
    static constexpr int kInputCharacter = 1;
    static constexpr int kInputNone = 4;

    // pOwner: the factory (not owned; may be null). The current name gets the prefix.
    KRyvCharacter(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvCharacter() override;

    // Takes the property set apart (its "%sLink" lists with it); afterwards the character is only
    // fit for deletion.
    void Destruct() override;
    int GetObjectType() const override { return kTypeCharacter; }
    KObject* GetProperties() const override;
    KRyvCharacterProperties* GetCharacterProperties() const { return mProperties; }
    void GetUserProperties(std::vector<KProperty*>& ioProperties) const override;
    // "Character".
    KString GetTypeName() const override;
    KPropertyStringList GetTypeFlags() const override;
    // Curves for every animatable property of the property set.
    void InitTakeNode(KRyvTakeNode* pTake) override;

    // Kind 0 takes pObject when it is an actor (type 6), kind 1 when it is another character
    // (type 8); otherwise (other kinds too) the input object becomes null. The kind is always
    // stored. The object is not owned: it must outlive this character or be replaced first.
    void SetInput(int pKind, KRyvObject* pObject);
    int GetInputType() const { return mInputType; }
    // The stored object when it still fits its kind, else null.
    KRyvObject* GetInputObject() const;

    // Moves link pId's back reference to the new node and copies pLink's node, name and offsets.
    // With pMirror the "%sLink" list then holds the node's property block (or is emptied for no
    // node). False, nothing changed, for an id outside 0..190.
    bool SetCharacterLink(int pId, const KRyvCharacterLink& pLink, bool pMirror);
    // False for a bad id and for a link with neither node nor template name; otherwise true, and
    // the link is copied into oLink when it is not null (oLink's link property is not touched).
    bool GetCharacterLink(int pId, KRyvCharacterLink* oLink) const;
    // The "%sLink" list of a link; null for ids without a name, out of range, or once the
    // property set is gone.
    KPropertyObjectList* GetLinkProperty(int pId) const;

    KRyvControlSet& GetControlSet() { return *mControlSet; }
    const KRyvControlSet& GetControlSet() const { return *mControlSet; }
    KRyvSolverParameterValues& GetParameterValues() { return *mParameterValues; }
    const KRyvSolverParameterValues& GetParameterValues() const { return *mParameterValues; }

    // Empties both names, the input and every link (the "%sLink" lists are emptied but stay
    // bound to their links), then clears the control set.
    void Reset();

    // Kind 0 clears the link, kinds 1 to 3 go to the control set.
    void ClearNodeReference(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex) override;

    // The node-name table: 12 groups of roles {id, name, first file version (4000 or 4500)}.
    // Group sizes; 0 for a group outside 0..11.
    static int GetCharacterGroupCount(int pGroup);
    // -1, null and 0 for a bad group or index.
    static int GetCharacterGroupNodeId(int pGroup, int pIndex);
    static const char* GetCharacterGroupNodeName(int pGroup, int pIndex);
    static int GetCharacterGroupNodeVersion(int pGroup, int pIndex);
    // The first entry with that id, groups 0 to 11 in order.
    static bool FindCharacterNodeById(int pId, int& oGroup, int& oIndex);
    // The first entry whose name equals pName exactly, in groups 0 to 11, or with pLimit in
    // groups 0 to ioGroup (a group outside 0..11 finds nothing). ioGroup is written on success
    // only.
    static bool FindCharacterNodeByName(const char* pName, bool pLimit, int& ioGroup, int& oIndex);
    // The table's name of the id, or "Reference" for 67; false for the ids without a name.
    static bool GetCharacterNodeName(int pId, KString& oName);

private:
    // The property set reads and rebinds link records directly, offsets of empty links included.
    friend class KRyvCharacterProperties;

    void ForgetLinkProperties();

    KError mError;
    int mInputType = kInputNone;
    KRyvObject* mInputObject = nullptr;
    KRyvCharacterLink mLinks[kLinkCount];
    std::unique_ptr<KRyvControlSet> mControlSet;
    std::unique_ptr<KRyvSolverParameterValues> mParameterValues;
    KRyvCharacterProperties* mProperties = nullptr;
};

#endif
