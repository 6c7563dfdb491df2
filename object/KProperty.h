#ifndef RYVKIT_OBJECT_KPROPERTY_H
#define RYVKIT_OBJECT_KPROPERTY_H

#include "core/KString.h"
#include "object/KDataType.h"
#include "object/KPlug.h"
#include "object/KPropertyDefinitionRef.h"
#include "object/KPropertyValue.h"

#include <limits>

class KObject;
class KPropertyDefinitionCache;

// Property type indices (KProperty::GetPropertyType).
enum KPropertyType : int {
    kPropertyTypeNone = 0,
    kPropertyTypeInt = 1,
    kPropertyTypeBool = 2,
    kPropertyTypeFloat = 3,
    kPropertyTypeDouble = 4,
    kPropertyTypeString = 5,
    kPropertyTypeEnum = 6,
    kPropertyTypeTime = 7,
    kPropertyTypeReference = 8,
    kPropertyTypeObject = 9,
    kPropertyTypeVector2D = 10,
    kPropertyTypeMatrix = 11,
    kPropertyTypeVector4D = 12,
    kPropertyTypeVector3D = 13,
    kPropertyTypeColorRGB = 14,
    kPropertyTypeColorRGBA = 15,
    kPropertyTypeTrigger = 16,
    kPropertyTypeBlob = 17,
    kPropertyTypeVectorElement = 18,
    kPropertyTypeCount = 19,
};

// Item index -> text of an enumeration; null past the last item.
using KEnumListFunction = const char* (*)(int pIndex);

// The definition part of a property: flags, name, label, data type, limits, type index,
// enumeration list and the second flags word.
class KPropertyDefinition
{
public:
    static constexpr unsigned kOwned = 1;
    static constexpr unsigned kAnimatable = 2;
    static constexpr unsigned kObjectList = 4 | 8;
    static constexpr unsigned kOwnedName = 32;
    static constexpr unsigned kUserFlag2 = 64;
    static constexpr unsigned kUserFlag3 = 128;
    static constexpr unsigned kHasEnumList = 0x200;

    unsigned GetFlags() const { return mFlags; }
    bool GetFlag(unsigned pMask) const { return (mFlags & pMask) != 0; }
    void SetFlag(unsigned pMask, bool pOn);
    // Stores the list (null removes it) and sets or clears kHasEnumList.
    void SetEnumList(KEnumListFunction pList);
    KEnumListFunction GetEnumList() const { return mEnumList; }

    // Every field equal (limits that are both NaN count as equal).
    bool IsSameAs(const KPropertyDefinition& pOther) const;

private:
    friend class KProperty;

    unsigned mFlags = 0;
    KString mName{""};
    KString mLabel;
    bool mHasLabel = false;
    KDataType* mDataType = nullptr;
    double mMinimum = -std::numeric_limits<double>::infinity();
    double mMaximum = std::numeric_limits<double>::infinity();
    int mPropertyType = kPropertyTypeNone;
    KEnumListFunction mEnumList = nullptr;
    unsigned mSecondFlags = 0;
};

// A named property on a plug. The base class holds no value (types none, reference, matrix,
// trigger and blob): its value access answers false, 0 and 0.0. The valued kinds derive from it
// (KTypedProperty.h). A property is attached to an owner (normally the KObject it is registered
// on) and hands the events it does not handle to that owner. A property that dies removes every
// connection it has and leaves the object it is registered on.
class KProperty : public KPlug
{
    K_DECLARE_CLASS(KProperty)

    // Second flags word.
    static constexpr unsigned kAnimated = 8;
    static constexpr unsigned kNotWritten = 16;
    static constexpr unsigned kReadOnly = 32;

    KProperty();
    ~KProperty() override;

    // Gives the property its name (a copy) and makes pOwner its owner. The valued kinds add their
    // getter and setter.
    void Attach(const char* pName, KPlug* pOwner);

    // The writable form gives the property a definition of its own first (see mDefinition).
    KPropertyDefinition& GetDefinition() { return OwnDefinition(); }
    const KPropertyDefinition& GetDefinition() const { return Definition(); }

    // 0 to 18; other values are ignored.
    void SetPropertyType(int pType);
    int GetPropertyType() const { return Definition().mPropertyType; }
    // The type index for a data type, by its basic type: Trigger 16, bool 2, int 1, ColorRGB 14,
    // ColorRGBA 15, enum 6, KTime 7, double 4, Vector3D 13, Vector4D 12, Reference 8, float 3,
    // string 5, object 9; null or any other 0.
    static int GetPropertyTypeFromDataType(const KDataType* pDataType);
    static int GetVector3DPropertyType() { return kPropertyTypeVector3D; }
    static int GetColorRGBPropertyType() { return kPropertyTypeColorRGB; }

    void SetDataType(KDataType* pDataType) { OwnDefinition().mDataType = pDataType; }
    // The data type set, else the default of the type index (double, KTime, Vector4D, Vector3D,
    // ColorRGB, ColorRGBA), else null.
    KDataType* GetDataType() const;

    const char* GetName() const { return Definition().mName.Buffer(); }
    // Null when the property has no label.
    const char* GetLabel() const;
    // Stores a copy; a null or empty text removes the label.
    void SetLabel(const char* pLabel);

    // Second flags word.
    void SetFlag(unsigned pMask, bool pOn);
    void SetFlag32(bool pOn) { SetFlag(kReadOnly, pOn); }
    bool GetFlag(unsigned pMask) const { return (Definition().mSecondFlags & pMask) != 0; }
    unsigned GetFlags() const { return Definition().mSecondFlags; }

    bool IsAnimatable() const { return Definition().GetFlag(KPropertyDefinition::kAnimatable); }
    void MarkAsObjectList() { OwnDefinition().SetFlag(KPropertyDefinition::kObjectList, true); }

    // Limits; they start at -infinity and +infinity. A change sends event 20.
    void SetMinimum(double pValue);
    void SetMaximum(double pValue);
    double GetMinimum() const { return Definition().mMinimum; }
    double GetMaximum() const { return Definition().mMaximum; }

    // Items of the enumeration list: the count stops at the first null text (0 without a list);
    // an item outside the list is null.
    int GetEnumCount() const;
    const char* GetEnumItem(int pIndex) const;

    // The object the property belongs to: its owner when that is a KObject; else null.
    KObject* GetParentObject() const;

    // Value access. Get reads through the getter (caching its answer) or from the cache; reading
    // changes nothing else, so it is open to a const property (a read-only view of one).
    // Set converts the value to the property's kind, sends event 18 with the new and the old
    // value, writes through the setter or into the cache, then sends event 19. False when the
    // property holds no value or the kinds do not convert (see KPropertyValue).
    virtual bool GetPropertyValue(KPropertyValue& oValue) const;
    virtual bool SetPropertyValue(const KPropertyValue& pValue);

    // 0 / 0.0 when the value is not a number.
    int GetValueAsInt() const;
    bool SetValueAsInt(int pValue);
    double GetValueAsDouble() const;
    bool SetValueAsDouble(double pValue);

    // Typed forms; a failed Get leaves the target unchanged. Vectors and colours travel as
    // four doubles.
    bool GetValue(bool& oValue) const { return GetAs(oValue); }
    bool GetValue(int& oValue) const { return GetAs(oValue); }
    bool GetValue(float& oValue) const { return GetAs(oValue); }
    bool GetValue(double& oValue) const { return GetAs(oValue); }
    bool GetValue(KString& oValue) const { return GetAs(oValue); }
    bool GetValue(KTime& oValue) const { return GetAs(oValue); }
    bool GetValue(KVector4& oValue) const { return GetAs(oValue); }
    bool GetValue(KColor& oValue) const { return GetAs(oValue); }
    bool SetValue(bool pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(int pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(float pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(double pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(const char* pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(const KString& pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(const KTime& pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(const KVector4& pValue) { return SetPropertyValue(KPropertyValue(pValue)); }
    bool SetValue(const KColor& pValue) { return SetPropertyValue(KPropertyValue(pValue)); }

    // Events the property does not handle go to its owner; without one they are accepted.
    bool ConnectNotify(KConnectEvent pEvent, KPlug* pPlug, KPlug* pOther,
                       const KConnectEventArgs* pArgs) override;

protected:
    // Hooks of the valued kinds: read through the getter or the cache; convert a value to the
    // stored kind; write through the setter or into the cache.
    virtual bool ReadValue(KPropertyValue& oValue) const;
    virtual bool ConvertValue(const KPropertyValue& pValue, KPropertyValue& oStored) const;
    virtual void WriteValue(const KPropertyValue& pStored);

private:
    friend class KObject;
    friend class KPropertyDefinitionCache;

    const KPropertyDefinition& Definition() const
    {
        return mDefinition ? *mDefinition : DefaultDefinition();
    }
    static const KPropertyDefinition& DefaultDefinition();
    // The definition, copied first when it is shared or still the default one.
    KPropertyDefinition& OwnDefinition();

    template <typename T> bool GetAs(T& oValue) const
    {
        KPropertyValue lValue;
        return GetPropertyValue(lValue) && lValue.ConvertTo(oValue);
    }

    // Null stands for the default definition. The properties of one kind of owner share their
    // definitions (KPropertyDefinitionCache); any change goes to a copy of its own, so a shared
    // definition never changes.
    KPropertyDefinitionRef mDefinition;
    // The object whose property array holds this property, if any.
    KObject* mRegisteredOn = nullptr;
};

#endif
