#ifndef RYVKIT_SCENE_KRYVOWNEDPROPERTYSET_H
#define RYVKIT_SCENE_KRYVOWNEDPROPERTYSET_H

#include "object/KObject.h"
#include "scene/KRyvUserProperty.h"

// The property set of a scene object (KRyvPropertySetOwner is the other side): it names that
// object as its owner and passes changed user properties on to it. TOwner is a
// KRyvTakeNodeContainer and a KObjectOwner; it is not owned and may be null (a free-standing set),
// and then a changed user property goes nowhere.
template <class TOwner>
class KRyvOwnedPropertySet : public KObject, public KRyvUserPropertyNotifyTarget
{
public:
    // The owning scene object.
    KObjectOwner* GetOwnerObject() const override { return mOwner; }
    // Passes a changed user property on to the owner's UpdateUserPropertyDefaults.
    void OnUserPropertyChanged(KRyvUserProperty* pUserProperty) override
    {
        if (mOwner && pUserProperty) {
            mOwner->UpdateUserPropertyDefaults(pUserProperty);
        }
    }

protected:
    explicit KRyvOwnedPropertySet(TOwner* pOwner) : mOwner(pOwner) {}

    TOwner* GetOwner() const { return mOwner; }

private:
    TOwner* mOwner;
};

#endif
