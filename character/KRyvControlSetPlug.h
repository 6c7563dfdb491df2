#ifndef RYVKIT_CHARACTER_KRYVCONTROLSETPLUG_H
#define RYVKIT_CHARACTER_KRYVCONTROLSETPLUG_H

#include "core/KError.h"
#include "object/KObject.h"
#include "object/KPropertyObjectList.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvOwnedPropertySet.h"
#include "scene/KRyvPropertySetOwner.h"

class KRyvControlSetPlug;

// The property set of a control-set plug: "UseAxis" (true at construction), "ControlSetType"
// (an enumeration without item names, 0), then one object list per named character link (187,
// in link-id order, named after the link) and one per effector (44, named after the effector;
// connection 0 is the effector node, 1..14 the auxiliary ones). The lists are owned by the
// object; the plug owns the set.
class KRyvControlSetPlugProperties : public KRyvOwnedPropertySet<KRyvControlSetPlug>
{
    K_DECLARE_CLASS(KRyvControlSetPlugProperties)

    // pPlug: the owner, not owned; may be null.
    explicit KRyvControlSetPlugProperties(KRyvControlSetPlug* pPlug);
    ~KRyvControlSetPlugProperties() override;

    KRyvControlSetPlug* GetControlSetPlug() const { return GetOwner(); }

    void SetUseAxis(bool pValue) { mUseAxis.SetCachedValue(pValue); }
    bool GetUseAxis() const { return mUseAxis.GetCachedValue(); }
    void SetControlSetType(int pValue) { mControlSetType.SetCachedValue(pValue); }
    int GetControlSetType() const { return mControlSetType.GetCachedValue(); }

    // The list of link id 0..190; null for the four ids without a name and out of range.
    KPropertyObjectList* GetLinkProperty(int pId) const;
    // The list of effector 0..43; null out of range.
    KPropertyObjectList* GetEffectorProperty(int pIndex) const;

private:
    KPropertyBool mUseAxis;
    KPropertyEnum mControlSetType;
    KPropertyObjectList* mLinkProperties[191] = {};
    KPropertyObjectList* mEffectorProperties[44] = {};
};

// A scene object (type 12, "ControlSetPlug::") carrying a control set as connections of its
// property set, from which a character's control set can be rebuilt
// (KRyvControlSet::FromControlSetPlug). Owns its property set; has the take "Default".
class KRyvControlSetPlug : public KRyvPropertySetOwner<KRyvControlSetPlugProperties>
{
public:
    // pOwner: the factory (not owned; may be null). The current name gets the prefix.
    KRyvControlSetPlug(KRyvObjectFactory* pOwner, const char* pName);
    ~KRyvControlSetPlug() override;

    // Takes the property set's connections apart; the plug is only fit for deletion afterwards.
    void Destruct() override;
    int GetObjectType() const override { return kTypeControlSetPlug; }
    KRyvControlSetPlugProperties* GetControlSetPlugProperties() const { return mProperties; }
    // "ControlSetPlug".
    KString GetTypeName() const override;
    KPropertyStringList GetTypeFlags() const override;
    // The container removes the curves first, then the property set the property it made.
    void OnUserPropertyRemoved(KRyvUserProperty* pUserProperty) override;

private:
    KError mError;
};

#endif
