#ifndef RYVKIT_SCENE_OBJECTS_KRYVGENERICNODE_H
#define RYVKIT_SCENE_OBJECTS_KRYVGENERICNODE_H

#include "core/KError.h"
#include "object/KObject.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

class KRyvGenericNode;
class KRyvSceneEntity;

// The property set of a generic node: no properties of its own, only the user properties
// created on it. Owned by its KRyvGenericNode, which removes it with Destroy.
class KRyvGenericNodeProperties : public KRyvOwnedPropertySet<KRyvGenericNode>
{
    K_DECLARE_CLASS(KRyvGenericNodeProperties)

    // pNode: the owner, not owned (may be null).
    explicit KRyvGenericNodeProperties(KRyvGenericNode* pNode);
    ~KRyvGenericNodeProperties() override;

    KRyvGenericNode* GetGenericNode() const { return GetOwner(); }
};

// A generic node (object type 10, no name prefix, type name and flag "GenericNode"): a named
// object without a transform that only holds user properties and their animation. It knows the
// scene content that lists it (not owned). Made and destroyed by the object factory.
class KRyvGenericNode : public KRyvPropertySetOwner<KRyvGenericNodeProperties>
{
public:
    KRyvGenericNode(KRyvObjectFactory* pOwner, const char* pName);
    // Does not touch its scene content, which may be gone already (scenes are destroyed first).
    ~KRyvGenericNode() override;

    void Destruct() override;
    int GetObjectType() const override { return kTypeDeformer; }
    // "GenericNode" / {"GenericNode"}.
    KString GetTypeName() const override;
    KPropertyStringList GetTypeFlags() const override;

    // Leaves the old content's generic-node list and joins the new one's (null: none). The
    // current content again changes nothing. Always true.
    bool SetSceneEntity(KRyvSceneEntity* pEntity);
    KRyvSceneEntity* GetSceneEntity() const { return mSceneEntity; }

private:
    KError mError;
    KRyvSceneEntity* mSceneEntity = nullptr;
};

#endif
