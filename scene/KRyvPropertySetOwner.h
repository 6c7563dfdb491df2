#ifndef RYVKIT_SCENE_KRYVPROPERTYSETOWNER_H
#define RYVKIT_SCENE_KRYVPROPERTYSETOWNER_H

#include "object/KObject.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvTakeNodeContainer.h"
#include "scene/KRyvUserProperty.h"

#include <vector>

// A take-node container that owns one property set of type TSet (see KRyvOwnedPropertySet). The
// derived class makes the set and decides when it goes (DestroyPropertySet or
// ReleasePropertySet). The set is the object's property list; an unbound user property gets a
// property of its own on it, and its animatable properties get curves in every take.
template <class TSet> class KRyvPropertySetOwner : public KRyvTakeNodeContainer, public KObjectOwner
{
public:
    KObject* GetProperties() const override { return mProperties; }
    // Appends every property of the property set.
    void GetUserProperties(std::vector<KProperty*>& ioProperties) const override
    {
        KRyvAppendProperties(mProperties, ioProperties);
    }
    // The property set gets the matching property first, then the container gives it curves.
    void OnUserPropertyAdded(KRyvUserProperty* pUserProperty) override
    {
        KRyvCreateUserPropertyOn(mProperties, mProperties, pUserProperty);
        KRyvTakeNodeContainer::OnUserPropertyAdded(pUserProperty);
    }
    // The container removes the curves first, then the set any property it made for it.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override
    {
        RemoveUserProperty(pUserProperty);
    }
    // Curves for every animatable property of the property set.
    void InitTakeNode(KRyvTakeNode* pTake) override
    {
        KRyvCreateAnimatableCurves(*this, mProperties, pTake);
    }

protected:
    using KRyvTakeNodeContainer::KRyvTakeNodeContainer;

    // OnUserPropertyRemoved with the choices of KRyvRemoveUserPropertyFrom: what the set keeps,
    // and whether an unbound user property is looked up by name.
    void RemoveUserProperty(KRyvUserProperty* pUserProperty, KRyvPropertyFilter pKeep = nullptr,
                            bool pFindByName = true)
    {
        KRyvTakeNodeContainer::OnUserPropertyRemoved(pUserProperty);
        KRyvRemoveUserPropertyFrom(mProperties, pUserProperty, pKeep, pFindByName);
    }
    // Unlinks the curves of take 0, which point into the set, then destroys the set.
    void DestroyPropertySet() { KRyvDestroyPropertySet(*this, mProperties); }
    // Destroys the set as it stands; GetProperties answers null while it goes.
    void ReleasePropertySet()
    {
        if (mProperties) {
            TSet* lProperties = mProperties;
            mProperties = nullptr;
            lProperties->Destroy();
        }
    }
    // Takes the set's connections apart and keeps the set.
    void DisconnectPropertySet()
    {
        if (mProperties) {
            mProperties->Destruct();
        }
    }

    TSet* mProperties = nullptr;
};

#endif
