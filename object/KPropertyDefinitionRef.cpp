#include "object/KPropertyDefinitionRef.h"

#include "object/KProperty.h"

#include <atomic>
#include <utility>

struct KPropertyDefinitionRef::Block
{
    explicit Block(const KPropertyDefinition& pDefinition) : mDefinition(pDefinition) {}

    KPropertyDefinition mDefinition;
    std::atomic<long> mUses{1};
};

KPropertyDefinitionRef::KPropertyDefinitionRef(const KPropertyDefinitionRef& pOther)
    : mBlock(pOther.mBlock)
{
    if (mBlock) {
        mBlock->mUses.fetch_add(1, std::memory_order_relaxed);
    }
}

KPropertyDefinitionRef::KPropertyDefinitionRef(KPropertyDefinitionRef&& pOther) noexcept
    : mBlock(std::exchange(pOther.mBlock, nullptr))
{
}

KPropertyDefinitionRef& KPropertyDefinitionRef::operator=(KPropertyDefinitionRef pOther) noexcept
{
    std::swap(mBlock, pOther.mBlock);
    return *this;
}

KPropertyDefinitionRef::~KPropertyDefinitionRef()
{
    // The release pairs with the acquire of the last holder, which then sees every write made
    // through the other references before they went.
    if (mBlock && mBlock->mUses.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete mBlock;
    }
}

KPropertyDefinitionRef KPropertyDefinitionRef::Make(const KPropertyDefinition& pDefinition)
{
    KPropertyDefinitionRef lReference;
    lReference.mBlock = new Block(pDefinition);
    return lReference;
}

KPropertyDefinition& KPropertyDefinitionRef::operator*() const
{
    return mBlock->mDefinition;
}

bool KPropertyDefinitionRef::IsShared() const
{
    return mBlock && mBlock->mUses.load(std::memory_order_acquire) > 1;
}
