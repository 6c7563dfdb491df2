#include "scene/objects/KRyvGenericNode.h"

#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"

namespace {

const char* const kGenericNodeErrors[] = {"Error"};

} // namespace

K_IMPLEMENT_CLASS(KRyvGenericNodeProperties, KObject)

KRyvGenericNodeProperties::KRyvGenericNodeProperties(KRyvGenericNode* pNode)
    : KRyvOwnedPropertySet(pNode)
{
}

KRyvGenericNodeProperties::~KRyvGenericNodeProperties()
{
    KObject::Destruct();
}

KRyvGenericNode::KRyvGenericNode(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvPropertySetOwner(pOwner, pName, &mError), mError(kGenericNodeErrors, 1)
{
    mProperties = new KRyvGenericNodeProperties(this);
    AddDefaultTakeNode();
}

KRyvGenericNode::~KRyvGenericNode()
{
    Destruct();
}

void KRyvGenericNode::Destruct()
{
    DestroyPropertySet();
}

KString KRyvGenericNode::GetTypeName() const
{
    return KString("GenericNode");
}

KPropertyStringList KRyvGenericNode::GetTypeFlags() const
{
    KPropertyStringList lList;
    lList.Add("GenericNode");
    return lList;
}

bool KRyvGenericNode::SetSceneEntity(KRyvSceneEntity* pEntity)
{
    if (pEntity == mSceneEntity) {
        return true;
    }
    if (mSceneEntity) {
        mSceneEntity->RemoveGenericNode(this);
    }
    mSceneEntity = pEntity;
    if (mSceneEntity) {
        mSceneEntity->AddGenericNode(this);
    }
    return true;
}
