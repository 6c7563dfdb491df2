#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"


namespace {

// Puts a chain of siblings in front of ioHead; walks the chain once to find its end.
void PrependChain(std::unique_ptr<ChunkNode3ds> pChain, std::unique_ptr<ChunkNode3ds>& ioHead)
{
    ChunkNode3ds* lLast = pChain.get();
    while (lLast->mNext) {
        lLast = lLast->mNext.get();
    }
    lLast->mNext = std::move(ioHead);
    ioHead = std::move(pChain);
}

} // namespace

ChunkNode3ds::~ChunkNode3ds()
{
    // Every descendant and sibling goes onto one chain that is released in a loop: a long chain
    // never nests destructor calls, and nothing is allocated, so a release during an allocation
    // failure cannot fail itself.
    std::unique_ptr<ChunkNode3ds> lHead = std::move(mNext);
    if (mChildren) {
        PrependChain(std::move(mChildren), lHead);
    }
    while (lHead) {
        std::unique_ptr<ChunkNode3ds> lNode = std::move(lHead);
        lHead = std::move(lNode->mNext);
        if (lNode->mChildren) {
            PrependChain(std::move(lNode->mChildren), lHead);
        }
    }
}

void NewChunk3ds(std::unique_ptr<ChunkNode3ds>& oChunk)
{
    oChunk = std::make_unique<ChunkNode3ds>();
}

void NewChunkWithTag3ds(std::unique_ptr<ChunkNode3ds>& oChunk, uint32_t pTag)
{
    NewChunk3ds(oChunk);
    oChunk->mTag = pTag;
}

ChunkNode3ds* FindChunk3ds(ChunkNode3ds* pChunk, uint32_t pTag)
{
    if (!pChunk) {
        return nullptr;
    }
    if (pChunk->mTag == pTag) {
        return pChunk;
    }
    for (ChunkNode3ds* lChild = pChunk->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        if (ChunkNode3ds* lFound = FindChunk3ds(lChild, pTag)) {
            return lFound;
        }
    }
    return nullptr;
}

ChunkNode3ds* FindNextChunk3ds(ChunkNode3ds* pChunk, uint32_t pTag)
{
    for (ChunkNode3ds* lChunk = pChunk; lChunk; lChunk = lChunk->mNext.get()) {
        if (lChunk->mTag == pTag) {
            return lChunk;
        }
    }
    return nullptr;
}

ChunkNode3ds* AddChildChunk3ds(ChunkNode3ds* pParent, std::unique_ptr<ChunkNode3ds> pChild)
{
    if (!pParent || !pChild) {
        return nullptr;
    }
    std::unique_ptr<ChunkNode3ds>* lLink = &pParent->mChildren;
    while (*lLink) {
        lLink = &(*lLink)->mNext;
    }
    *lLink = std::move(pChild);
    return lLink->get();
}

ChunkNode3ds* InsertChildChunk3ds(ChunkNode3ds* pParent, std::unique_ptr<ChunkNode3ds> pChild)
{
    return InsertChildChunkAfter3ds(pParent, nullptr, std::move(pChild));
}

ChunkNode3ds* InsertChildChunkAfter3ds(ChunkNode3ds* pParent, ChunkNode3ds* pFrom,
                                       std::unique_ptr<ChunkNode3ds> pChild)
{
    if (!pParent || !pChild) {
        return nullptr;
    }
    const int lWeight = ChunkWeightOf3ds(pChild->mTag);
    std::unique_ptr<ChunkNode3ds>* lLink = pFrom ? &pFrom->mNext : &pParent->mChildren;
    // A sibling of the same tag weighs the same: runs of objects or nodes are passed without
    // looking their weight up.
    while (*lLink &&
           ((*lLink)->mTag == pChild->mTag || ChunkWeightOf3ds((*lLink)->mTag) >= lWeight)) {
        lLink = &(*lLink)->mNext;
    }
    pChild->mNext = std::move(*lLink);
    *lLink = std::move(pChild);
    return lLink->get();
}

ChunkNode3ds* ReplaceOrAddChildChunk3ds(ChunkNode3ds* pParent, uint32_t pTag)
{
    if (!pParent) {
        return nullptr;
    }
    if (ChunkNode3ds* lOld = FindNextChunk3ds(pParent->mChildren.get(), pTag)) {
        ClearChunk3ds(lOld);
        lOld->mTag = pTag;
        return lOld;
    }
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithTag3ds(lChunk, pTag);
    return InsertChildChunk3ds(pParent, std::move(lChunk));
}

void CopyChunk3ds(ChunkNode3ds* pChunk, std::unique_ptr<ChunkNode3ds>& oCopy)
{
    oCopy.reset();
    if (!pChunk) {
        return;
    }
    NewChunkWithTag3ds(oCopy, pChunk->mTag);
    oCopy->mLength = pChunk->mLength;
    oCopy->mPosition = pChunk->mPosition;
    oCopy->mSourceFile = pChunk->mSourceFile;
    oCopy->mSourceSerial = pChunk->mSourceSerial;
    oCopy->mTargetFile = pChunk->mTargetFile;
    if (pChunk->mData) {
        if (pChunk->mSourceFile != ChunkNode3ds::kNoFile) {
            oCopy->mData = std::move(pChunk->mData);
        } else {
            oCopy->mData = std::make_unique<ChunkData3ds>(*pChunk->mData);
        }
    }
    std::unique_ptr<ChunkNode3ds>* lLink = &oCopy->mChildren;
    for (ChunkNode3ds* lChild = pChunk->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        CopyChunk3ds(lChild, *lLink);
        lLink = &(*lLink)->mNext;
    }
}

void ReleaseChunk3ds(std::unique_ptr<ChunkNode3ds>& ioChunk)
{
    ioChunk.reset();
}

void ClearChunk3ds(ChunkNode3ds* pChunk)
{
    if (!pChunk) {
        return;
    }
    pChunk->mChildren.reset();
    pChunk->mData.reset();
    pChunk->mTag = 0;
    pChunk->mLength = 0;
    pChunk->mPosition = 0;
    pChunk->mSourceFile = ChunkNode3ds::kNoFile;
    pChunk->mTargetFile = ChunkNode3ds::kNoFile;
    pChunk->mSourceSerial = 0;
}
