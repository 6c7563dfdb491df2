#ifndef RYVKIT_OBJECT_KTYPEDPROPERTY_H
#define RYVKIT_OBJECT_KTYPEDPROPERTY_H

#include "object/KProperty.h"

#include <functional>
#include <type_traits>
#include <utility>

// A property holding a value of kind T in itself (its cache). When a getter and a setter are
// attached, value access goes through them instead (the getter's answer is cached); either may
// be empty. The type index is set separately (SetPropertyType): the value kind decides how a
// value is stored, the index what it means (an int holds an int or an enumeration item).
template <typename T> class KTypedProperty : public KProperty
{
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    explicit KTypedProperty(const T& pValue = DefaultValue()) : mValue(pValue) {}

    // 0, false, the empty text, time 0; vectors (0, 0, 0, 1) and colours black (0, 0, 0, 1).
    static T DefaultValue()
    {
        if constexpr (std::is_same_v<T, KVector4>) {
            return KVector4(0.0, 0.0, 0.0, 1.0);
        } else if constexpr (std::is_same_v<T, KColor>) {
            return KColor(0.0, 0.0, 0.0, 1.0);
        } else if constexpr (std::is_same_v<T, KString>) {
            return KString("");
        } else {
            return T();
        }
    }

    using KProperty::Attach;
    void Attach(const char* pName, KPlug* pOwner, Getter pGetter, Setter pSetter)
    {
        KProperty::Attach(pName, pOwner);
        mGetter = std::move(pGetter);
        mSetter = std::move(pSetter);
    }

    // Attach with accessors that are member functions of the owner (either may be null). The
    // getter's result must convert to T, the setter must take a T.
    template <typename Owner, typename GetterMember, typename SetterMember>
    void AttachMembers(const char* pName, Owner* pOwner, GetterMember pGetter, SetterMember pSetter)
    {
        Getter lGetter;
        Setter lSetter;
        if constexpr (!std::is_null_pointer_v<GetterMember>) {
            if (pOwner && pGetter) {
                lGetter = [pOwner, pGetter]() { return static_cast<T>((pOwner->*pGetter)()); };
            }
        }
        if constexpr (!std::is_null_pointer_v<SetterMember>) {
            if (pOwner && pSetter) {
                lSetter = [pOwner, pSetter](const T& pValue) { (pOwner->*pSetter)(pValue); };
            }
        }
        Attach(pName, pOwner, std::move(lGetter), std::move(lSetter));
    }

    // The same with the accessors fixed at compile time: the accessors then capture the owner
    // only and fit inside their function objects, so attaching allocates nothing.
    template <auto kGetter, auto kSetter, typename Owner>
    void AttachMembers(const char* pName, Owner* pOwner)
    {
        Getter lGetter;
        Setter lSetter;
        if (pOwner) {
            lGetter = [pOwner]() { return static_cast<T>((pOwner->*kGetter)()); };
            lSetter = [pOwner](const T& pValue) { (pOwner->*kSetter)(pValue); };
        }
        Attach(pName, pOwner, std::move(lGetter), std::move(lSetter));
    }

    // The cached value, read and written directly: no accessor, no event.
    const T& GetCachedValue() const { return mValue; }
    void SetCachedValue(const T& pValue) { mValue = pValue; }

protected:
    bool ReadValue(KPropertyValue& oValue) override
    {
        if (mGetter) {
            mValue = mGetter();
        }
        oValue = KPropertyValue(mValue);
        return true;
    }

    bool ConvertValue(const KPropertyValue& pValue, KPropertyValue& oStored) const override
    {
        T lValue = mValue;
        if (!pValue.ConvertTo(lValue)) {
            return false;
        }
        oStored = KPropertyValue(lValue);
        return true;
    }

    void WriteValue(const KPropertyValue& pStored) override
    {
        const T* lValue = pStored.Get<T>();
        if (!lValue) {
            return;
        }
        if (mSetter) {
            mSetter(*lValue);
        } else {
            mValue = *lValue;
        }
    }

private:
    T mValue;
    Getter mGetter;
    Setter mSetter;
};

using KPropertyBool = KTypedProperty<bool>;
// Also the kind of enumerations: the item index.
using KPropertyInt = KTypedProperty<int>;
using KPropertyEnum = KTypedProperty<int>;
using KPropertyFloat = KTypedProperty<float>;
// Also the kind of vector elements.
using KPropertyDouble = KTypedProperty<double>;
using KPropertyString = KTypedProperty<KString>;
using KPropertyTime = KTypedProperty<KTime>;
// Vector2D, Vector3D and Vector4D values; a Vector3D keeps w (1.0 at construction).
using KPropertyVector = KTypedProperty<KVector4>;
// ColorRGB and ColorRGBA values; components are clamped to [0, 1].
using KPropertyColor = KTypedProperty<KColor>;

#endif
