#include "scene/objects/KRyvGenericNode.h"

#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"

namespace {

const char* const kGenericNodeErrors[] = {"Error"};

} // namespace

K_IMPLEMENT_CLASS(KRyvGenericNodeProperties, KObject)

KRyvGenericNodeProperties::KRyvGenericNodeProperties(KRyvGenericNode* pNode) : mNode(pNode) {}

KRyvGenericNodeProperties::~KRyvGenericNodeProperties()
{
    KObject::Destruct();
}

KObjectOwner* KRyvGenericNodeProperties::GetOwnerObject() const
{
    return mNode;
}

void KRyvGenericNodeProperties::UpdateUserPropertyDefaults(KRyvUserProperty* pUserProperty)
{
    if (mNode && pUserProperty) {
        mNode->UpdateUserPropertyDefaults(pUserProperty);
    }
}

void KRyvGenericNodeProperties::OnUserPropertyChanged(KRyvUserProperty* pUserProperty)
{
    UpdateUserPropertyDefaults(pUserProperty);
}

KRyvGenericNode::KRyvGenericNode(KRyvObjectFactory* pOwner, const char* pName)
    : KRyvTakeNodeContainer(pOwner, pName, &mError), mError(kGenericNodeErrors, 1),
      mProperties(new KRyvGenericNodeProperties(this))
{
    AddDefaultTakeNode();
}

KRyvGenericNode::~KRyvGenericNode()
{
    Destruct();
}

void KRyvGenericNode::Destruct()
{
    KRyvDestroyPropertySet(*this, mProperties);
}

KObject* KRyvGenericNode::GetProperties() const
{
    return mProperties;
}

void KRyvGenericNode::GetUserProperties(std::vector<KProperty*>& ioProperties) const
{
    KRyvAppendProperties(mProperties, ioProperties);
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

void KRyvGenericNode::OnUserPropertyAdded(KRyvUserProperty* pUserProperty)
{
    KRyvCreateUserPropertyOn(mProperties, mProperties, pUserProperty);
    KRyvTakeNodeContainer::OnUserPropertyAdded(pUserProperty);
}

void KRyvGenericNode::OnUserPropertyRemoved(KRyvUserProperty* pUserProperty)
{
    KRyvTakeNodeContainer::OnUserPropertyRemoved(pUserProperty);
    KRyvRemoveUserPropertyFrom(mProperties, pUserProperty);
}

void KRyvGenericNode::InitTakeNode(KRyvTakeNode* pTake)
{
    KRyvCreateAnimatableCurves(*this, mProperties, pTake);
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
