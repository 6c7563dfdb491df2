#include "formats/geometry/3ds/toolkit/ChunkNode3ds.h"

#include <vector>

ChunkNode3ds::~ChunkNode3ds()
{
    // Detach every descendant and sibling onto a work list, so that a long chain is released
    // in a loop instead of one nested destructor call per node.
    std::vector<std::unique_ptr<ChunkNode3ds>> lPending;
    if (mChildren) {
        lPending.push_back(std::move(mChildren));
    }
    if (mNext) {
        lPending.push_back(std::move(mNext));
    }
    while (!lPending.empty()) {
        std::unique_ptr<ChunkNode3ds> lNode = std::move(lPending.back());
        lPending.pop_back();
        if (lNode->mChildren) {
            lPending.push_back(std::move(lNode->mChildren));
        }
        if (lNode->mNext) {
            lPending.push_back(std::move(lNode->mNext));
        }
    }
}

int ChunkWeightOf3ds(uint32_t pTag)
{
    switch (pTag) {
    case 0x2D2D:
        return 34;
    case 0x2D3D:
        return 33;
    case 0x4D4D:
        return 32;
    case 0x0002:
        return 31;
    case 0x3D3D:
        return 30;
    case 0xB000:
        return 29;
    case 0x0011:
        return 28;
    case 0x0012:
        return 27;
    case 0x3D3E:
        return 26;
    case 0xAFFF:
        return 25;
    case 0xB00A:
        return 24;
    case 0x0100:
        return 23;
    case 0x7001:
        return 22;
    case 0x1400:
        return 21;
    case 0x1420:
        return 20;
    case 0x1450:
        return 19;
    case 0x1460:
        return 18;
    case 0x1500:
        return 17;
    case 0x2100:
        return 16;
    case 0x1200:
        return 15;
    case 0x1100:
        return 14;
    case 0x1300:
        return 13;
    case 0x1101:
    case 0x1201:
    case 0x1301:
        return 12;
    case 0x2200:
        return 11;
    case 0x2302:
        return 10;
    case 0x2300:
        return 9;
    case 0x3000:
        return 8;
    case 0x4000:
        return 7;
    case 0xB008:
        return 6;
    case 0xB009:
        return 5;
    case 0xB002:
    case 0xB003:
    case 0xB004:
    case 0xB006:
    case 0xB007:
        return 4;
    case 0xB001:
        return 3;
    case 0x4100:
    case 0x4600:
    case 0x4700:
        return 2;
    case 0x4010:
        return 1;
    default:
        return 0;
    }
}

ChunkShape3ds ChunkShapeOf3ds(uint32_t pTag)
{
    switch (pTag) {
    case 0x4000:
    case 0x4120:
    case 0x4600:
    case 0x4610:
    case 0x4700:
    case 0x1300:
        return ChunkShape3ds::kDataAndChildren;
    // The extended-data entry holds only its 0x8002 to 0x800F children.
    case 0x8001:
    case 0x1200:
    case 0x2100:
    case 0x3000:
    case 0x3D3D:
    case 0x3DAA:
    case 0x4100:
    case 0x4D4D:
    case 0x8000:
    case 0x8009:
    case 0xA010:
    case 0xA020:
    case 0xA030:
    case 0xA040:
    case 0xA041:
    case 0xA042:
    case 0xA050:
    case 0xA052:
    case 0xA053:
    case 0xA084:
    case 0xA200:
    case 0xA204:
    case 0xA210:
    case 0xA220:
    case 0xA230:
    case 0xA33A:
    case 0xA33C:
    case 0xA33D:
    case 0xA33E:
    case 0xA340:
    case 0xA342:
    case 0xA344:
    case 0xA346:
    case 0xA348:
    case 0xA34A:
    case 0xA34C:
    case 0xAFFF:
    case 0xB000:
    case 0xB001:
    case 0xB002:
    case 0xB003:
    case 0xB004:
    case 0xB005:
    case 0xB006:
    case 0xB007:
    case 0xC23D:
        return ChunkShape3ds::kContainer;
    default:
        return ChunkShape3ds::kLeaf;
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
    if (!pParent || !pChild) {
        return nullptr;
    }
    const int lWeight = ChunkWeightOf3ds(pChild->mTag);
    std::unique_ptr<ChunkNode3ds>* lLink = &pParent->mChildren;
    while (*lLink && ChunkWeightOf3ds((*lLink)->mTag) >= lWeight) {
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
