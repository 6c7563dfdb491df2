#ifndef RYVKIT_SCENE_KRYVNODEATTRIBUTE_H
#define RYVKIT_SCENE_KRYVNODEATTRIBUTE_H

#include "core/KString.h"
#include "object/KPropertyStringList.h"

#include <vector>

class KProperty;
class KRyvNode;
class KRyvObjectFactory;
class KRyvTakeNode;

// Base of what a node carries (null, marker, skeleton, geometry, camera, light, ...). It knows
// the node it hangs on (null when detached; a node has at most one attribute) and the factory
// that made it; it owns neither. The node binds and unbinds its attribute (its
// SetNodeAttribute calls SetNode / UnsetNode). A node being destroyed detaches its attribute,
// and an attribute destroyed while bound unbinds itself from its node, so neither pointer
// dangles.
class KRyvNodeAttribute
{
public:
    // Values of GetAttributeType.
    enum EAttributeType : int {
        eLayerContainer = 0,
        eNull = 1,
        eMarker = 2,
        eSkeleton = 3,
        eMesh = 4,
        eNurb = 5,
        ePatch = 6,
        eCamera = 7,
        eCameraSwitcher = 8,
        eLight = 9,
        eOpticalReference = 10,
    };

    explicit KRyvNodeAttribute(KRyvObjectFactory* pFactory);
    KRyvNodeAttribute(const KRyvNodeAttribute&) = delete;
    KRyvNodeAttribute& operator=(const KRyvNodeAttribute&) = delete;
    virtual ~KRyvNodeAttribute();

    virtual int GetAttributeType() const = 0;

    KRyvNode* GetNode() const { return mNode; }
    KRyvObjectFactory* GetFactory() const { return mFactory; }

    // Stores the node, then calls OnTakeNodeAdded with each of its takes in index order (but
    // see JoinsDeferredTakes).
    virtual void SetNode(KRyvNode* pNode);
    // When attached: OnTakeNodeRemoved with each take of the node in index order (but see
    // JoinsDeferredTakes), then the node is cleared. A detached attribute does nothing.
    virtual void UnsetNode();

    // True when what OnTakeNodeAdded puts in a take depends on the attribute's own settings
    // alone. Such an attribute is neither told of a take whose tree still waits for its channels
    // when it is bound or unbound: the node adds them when it makes that part of the tree, so a
    // large scene's takes that are never looked at cost nothing. False in the base.
    virtual bool JoinsDeferredTakes() const { return false; }

    // Told about each take of the node it hangs on (the take is the node's, not owned); the base
    // does nothing.
    virtual void OnTakeNodeAdded(KRyvTakeNode* pTake);
    virtual void OnTakeNodeRemoved(KRyvTakeNode* pTake);

    // Appends the attribute's properties (not owned by the caller); the base appends none.
    virtual void FillPropertyList(std::vector<KProperty*>& ioProperties);
    // The empty text in the base.
    virtual KString GetTypeName() const;
    // An empty list in the base.
    virtual KPropertyStringList GetTypeNameList() const;

private:
    // Take pIndex of the node, unless it is one this attribute joins when its channels are made.
    KRyvTakeNode* TakeToTell(int pIndex) const;

    KRyvNode* mNode = nullptr;
    KRyvObjectFactory* mFactory;
};

#endif
