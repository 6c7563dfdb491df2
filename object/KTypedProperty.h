#ifndef RYVKIT_OBJECT_KTYPEDPROPERTY_H
#define RYVKIT_OBJECT_KTYPEDPROPERTY_H

#include "object/KProperty.h"

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// A property holding a value of kind T in itself (its cache). When a getter and a setter are
// attached, value access goes through them instead (the getter's answer is cached); either may
// be empty. The type index is set separately (SetPropertyType): the value kind decides how a
// value is stored, the index what it means (an int holds an int or an enumeration item).
//
// Objects carry dozens of properties each, so the accessors cost one pointer: a table of plain
// functions shared by every property attached the same way, which work on the property's owner,
// or a block of function objects held apart for accessors only known at run time. Member
// accessors act on the owner the property has when they run; a property whose owner has gone
// reads and writes its cached value.
template <typename T> class KTypedProperty : public KProperty
{
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    explicit KTypedProperty(const T& pValue = DefaultValue()) : mValue(pValue) {}
    ~KTypedProperty() override { ReleaseAccessors(); }

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
    // Replaces the accessors; empty function objects stand for none. Throws std::bad_alloc,
    // leaving the property as it was, when they cannot be stored.
    void Attach(const char* pName, KPlug* pOwner, Getter pGetter, Setter pSetter)
    {
        std::unique_ptr<Callables> lCallables;
        if (pGetter || pSetter) {
            lCallables = std::make_unique<Callables>();
            lCallables->mGet = pGetter ? &CallGetter : nullptr;
            lCallables->mSet = pSetter ? &CallSetter : nullptr;
            lCallables->mOwnsTarget = true;
            lCallables->mGetter = std::move(pGetter);
            lCallables->mSetter = std::move(pSetter);
        }
        KProperty::Attach(pName, pOwner);
        ReleaseAccessors();
        mTable = lCallables.release();
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

    // The same with the accessors fixed at compile time: every property attached this way
    // shares one table of plain functions, so attaching allocates nothing.
    template <auto kGetter, auto kSetter, typename Owner>
    void AttachMembers(const char* pName, Owner* pOwner)
    {
        KProperty::Attach(pName, pOwner);
        ReleaseAccessors();
        if (pOwner) {
            mTable = &MemberAccessors<kGetter, kSetter, Owner>::kTable;
        }
    }

    // The cached value, read and written directly: no accessor, no event.
    const T& GetCachedValue() const { return mValue; }
    void SetCachedValue(const T& pValue) { mValue = pValue; }

protected:
    bool ReadValue(KPropertyValue& oValue) const override
    {
        if (mTable && mTable->mGet) {
            if (void* lTarget = Target()) {
                mValue = mTable->mGet(lTarget);
            }
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
        void* lTarget = mTable && mTable->mSet ? Target() : nullptr;
        if (lTarget) {
            mTable->mSet(lTarget, *lValue);
        } else {
            mValue = *lValue;
        }
    }

private:
    // Either entry may be null (no such accessor). mOwnsTarget: the table is the Callables
    // block of this property, and the target of its functions.
    struct AccessorTable
    {
        T (*mGet)(void* pTarget);
        void (*mSet)(void* pTarget, const T& pValue);
        bool mOwnsTarget;
    };

    struct Callables : AccessorTable
    {
        Getter mGetter;
        Setter mSetter;
    };

    // What the accessors work on: the owner, or the property's own Callables block.
    void* Target() const
    {
        if (mTable->mOwnsTarget) {
            return static_cast<Callables*>(const_cast<AccessorTable*>(mTable));
        }
        return GetOwner();
    }

    template <auto kGetter, auto kSetter, typename Owner> struct MemberAccessors
    {
        static T Get(void* pTarget)
        {
            return static_cast<T>((static_cast<Owner*>(static_cast<KPlug*>(pTarget))->*kGetter)());
        }
        static void Set(void* pTarget, const T& pValue)
        {
            (static_cast<Owner*>(static_cast<KPlug*>(pTarget))->*kSetter)(pValue);
        }
        static constexpr AccessorTable kTable{&Get, &Set, false};
    };

    static T CallGetter(void* pTarget) { return static_cast<Callables*>(pTarget)->mGetter(); }
    static void CallSetter(void* pTarget, const T& pValue)
    {
        static_cast<Callables*>(pTarget)->mSetter(pValue);
    }

    void ReleaseAccessors()
    {
        if (mTable && mTable->mOwnsTarget) {
            delete static_cast<const Callables*>(mTable);
        }
        mTable = nullptr;
    }

    // Mutable: a read through the getter keeps its answer, also through a const property.
    mutable T mValue;
    const AccessorTable* mTable = nullptr;
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
