#ifndef RYVKIT_OBJECT_KDEFERREDMEMBER_H
#define RYVKIT_OBJECT_KDEFERREDMEMBER_H

#include "object/KPropertyDefinitionCache.h"
#include "object/KTypedProperty.h"

#include <memory>

// One member an object of class TOwner makes on first use (KObject::RegisterDeferredMember): its
// name and the function that makes it. An object keeps a table of them in registration order and
// registers member i for row i.
template <class TOwner> struct KDeferredMember
{
    using Maker = std::unique_ptr<KProperty> (*)(TOwner& ioOwner, const char* pName);

    const char* mName;
    Maker mMake;

    // The name of member pMember of a table of pCount rows; null out of range.
    static const char* NameOf(const KDeferredMember* pTable, int pCount, int pMember)
    {
        return pMember >= 0 && pMember < pCount ? pTable[pMember].mName : nullptr;
    }

    // Makes member pMember of the table for ioOwner, its cached value read through its getter
    // (a conversion starts from it) and its definition shared through pDefinitions (may be null)
    // under the table as kind. Null out of range; throws std::bad_alloc.
    static KProperty* Make(TOwner& ioOwner, const KDeferredMember* pTable, int pCount, int pMember,
                           KPropertyDefinitionCache* pDefinitions)
    {
        if (pMember < 0 || pMember >= pCount) {
            return nullptr;
        }
        std::unique_ptr<KProperty> lProperty =
            pTable[pMember].mMake(ioOwner, pTable[pMember].mName);
        KPropertyValue lValue;
        lProperty->GetPropertyValue(lValue);
        if (pDefinitions) {
            pDefinitions->ShareOne(pTable, pMember, *lProperty);
        }
        return lProperty.release();
    }
};

// A property of kind TProperty and type index pType, flagged as a member of the owner it is
// about to be given, so that the owner keeps no child entry for it.
template <class TProperty> std::unique_ptr<TProperty> KNewMember(int pType)
{
    auto lProperty = std::make_unique<TProperty>();
    lProperty->SetPlugFlags(KPlug::kMemberOfOwner, true);
    lProperty->SetPropertyType(pType);
    return lProperty;
}

// A member of kind TProperty and type index kType attached to ioOwner with its accessors: a
// KDeferredMember maker for the plain kinds.
template <class TProperty, int kType, auto kGetter, auto kSetter, class TOwner>
std::unique_ptr<KProperty> KMakeMember(TOwner& ioOwner, const char* pName)
{
    auto lProperty = KNewMember<TProperty>(kType);
    lProperty->template AttachMembers<kGetter, kSetter>(pName, &ioOwner);
    return lProperty;
}

#endif
