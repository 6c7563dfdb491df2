#ifndef RYVKIT_OBJECT_KPROPERTYDEFINITIONREF_H
#define RYVKIT_OBJECT_KPROPERTYDEFINITIONREF_H

class KPropertyDefinition;

// A counted reference to a property definition, one pointer wide: every property holds one and
// an object holds dozens of properties. The definition goes with its last reference. The count
// is atomic, as the object factory's definition cache hands the same definition to the
// properties of many objects. Copyable; an empty reference (the default) holds nothing.
class KPropertyDefinitionRef
{
public:
    KPropertyDefinitionRef() = default;
    KPropertyDefinitionRef(const KPropertyDefinitionRef& pOther);
    KPropertyDefinitionRef(KPropertyDefinitionRef&& pOther) noexcept;
    KPropertyDefinitionRef& operator=(KPropertyDefinitionRef pOther) noexcept;
    ~KPropertyDefinitionRef();

    // A new definition, copied from pDefinition; throws std::bad_alloc.
    static KPropertyDefinitionRef Make(const KPropertyDefinition& pDefinition);

    explicit operator bool() const { return mBlock != nullptr; }
    // Only on a reference that holds a definition.
    KPropertyDefinition& operator*() const;
    // True when another reference holds the same definition.
    bool IsShared() const;

private:
    struct Block;

    Block* mBlock = nullptr;
};

#endif
