#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

namespace {

constexpr float kByteScale = 255.0f;

uint32_t ColorByte(float pValue)
{
    const float lByte = pValue * kByteScale;
    return lByte <= 0.0f ? 0 : lByte >= kByteScale ? 255 : static_cast<uint32_t>(lByte);
}

} // namespace

ChunkData3ds* AddDataChild3ds(ChunkNode3ds* pParent, uint32_t pTag)
{
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithData3ds(lChunk, pTag);
    return InsertChildChunk3ds(pParent, std::move(lChunk))->mData.get();
}

ChunkNode3ds* AddEmptyChild3ds(ChunkNode3ds* pParent, uint32_t pTag)
{
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithTag3ds(lChunk, pTag);
    return InsertChildChunk3ds(pParent, std::move(lChunk));
}

void AddStringChild3ds(ChunkNode3ds* pParent, uint32_t pTag, const std::string& pText)
{
    AddDataChild3ds(pParent, pTag)->mStrings[0] = pText;
}

void AddFloatChild3ds(ChunkNode3ds* pParent, uint32_t pTag, float pValue)
{
    AddDataChild3ds(pParent, pTag)->mFloats[0] = pValue;
}

void AddShortChild3ds(ChunkNode3ds* pParent, uint32_t pTag, uint32_t pValue)
{
    AddDataChild3ds(pParent, pTag)->mInts[0] = pValue & 0xFFFF;
}

void AddColorChild3ds(ChunkNode3ds* pParent, uint32_t pTag, const Color3ds& pColor)
{
    AddDataChild3ds(pParent, pTag)->mFloats = {pColor.r, pColor.g, pColor.b};
}

void AddColor24Child3ds(ChunkNode3ds* pParent, uint32_t pTag, const Color3ds& pColor)
{
    AddDataChild3ds(pParent, pTag)->mInts = {ColorByte(pColor.r), ColorByte(pColor.g),
                                             ColorByte(pColor.b)};
}

ChunkNode3ds* ChildOf3ds(ChunkNode3ds* pParent, uint32_t pTag)
{
    return pParent ? FindNextChunk3ds(pParent->mChildren.get(), pTag) : nullptr;
}

bool CheckName3ds(Toolkit3dsContext& ioKit, const std::string& pText, std::size_t pBound)
{
    if (pText.size() > pBound) {
        PushError3ds(ioKit, ERR_STRING_TOO_LONG);
        return false;
    }
    return true;
}

ChunkNode3ds* PrepareNamedObject3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                    const std::string& pName, bool pKeepXdata,
                                    std::unique_ptr<ChunkNode3ds>& oXdata)
{
    constexpr std::size_t kObjectNameBound = 10;
    ChunkNode3ds* lSection = MeshSection3ds(ioKit, pDatabase);
    if (!lSection || !CheckName3ds(ioKit, pName, kObjectNameBound)) {
        return nullptr;
    }
    ChunkNode3ds* lObject = FindObjectByName3ds(ioKit, pDatabase, pName);
    if (lObject) {
        if (pKeepXdata) {
            for (ChunkNode3ds* lChild = lObject->mChildren.get(); lChild && !oXdata;
                 lChild = lChild->mNext.get()) {
                CopyChunk3ds(FindChunk3ds(lChild, Tag3ds::kXdata), oXdata);
            }
        }
        ClearChunk3ds(lObject);
        lObject->mTag = Tag3ds::kNamedObject;
        ResetChunkData3ds(lObject)->mStrings[0] = pName;
    } else {
        lObject = AddSectionChild3ds(lSection, Tag3ds::kNamedObject, pDatabase->mLastObject);
        ResetChunkData3ds(lObject)->mStrings[0] = pName;
        // Objects weigh alike, so a new one comes after every other: the list stays in order.
        NoteObjectAdded3ds(pDatabase, pName, lObject);
    }
    // The object may change its kind, so counts by kind start again.
    pDatabase->mScanTest = nullptr;
    return lObject;
}

ChunkNode3ds* NthObject3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                           const std::function<bool(ChunkNode3ds*)>& pTest)
{
    const std::vector<NameEntry3ds>& lObjects = ObjectList3ds(ioKit, pDatabase);
    // A plain function as test can continue where the last search of the same test stopped.
    auto* const* lFunction = pTest.target<bool (*)(ChunkNode3ds*)>();
    const void* lKey = lFunction ? reinterpret_cast<const void*>(*lFunction) : nullptr;
    uint32_t lSeen = 0;
    std::size_t lStart = 0;
    if (lKey && pDatabase->mScanTest == lKey && pIndex >= pDatabase->mScanIndex) {
        lSeen = pDatabase->mScanIndex;
        lStart = pDatabase->mScanPosition;
    }
    for (std::size_t i = lStart; i < lObjects.size(); ++i) {
        if (!pTest(lObjects[i].mChunk)) {
            continue;
        }
        if (lSeen == pIndex) {
            pDatabase->mScanTest = lKey;
            pDatabase->mScanIndex = pIndex;
            pDatabase->mScanPosition = i;
            return lObjects[i].mChunk;
        }
        ++lSeen;
    }
    return nullptr;
}

uint32_t CountObjects3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                         const std::function<bool(ChunkNode3ds*)>& pTest)
{
    uint32_t lCount = 0;
    if (pDatabase && pDatabase->mTopChunk) {
        for (const NameEntry3ds& lEntry : ObjectList3ds(ioKit, pDatabase)) {
            lCount += pTest(lEntry.mChunk) ? 1 : 0;
        }
    }
    return lCount;
}

bool ReadColorChildren3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pParent, float pByteScale,
                          Color3ds& oColor)
{
    bool lFound = false;
    bool lLinear = false;
    for (ChunkNode3ds* lChild = pParent->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        const bool lFloat = lChild->mTag == Tag3ds::kColorF || lChild->mTag == Tag3ds::kLinColorF;
        const bool lBytes = lChild->mTag == Tag3ds::kColor24 || lChild->mTag == Tag3ds::kLinColor24;
        const bool lIsLinear =
            lChild->mTag == Tag3ds::kLinColorF || lChild->mTag == Tag3ds::kLinColor24;
        if ((!lFloat && !lBytes) || (lLinear && !lIsLinear)) {
            continue;
        }
        const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChild);
        if (!lData) {
            return false;
        }
        if (lFloat) {
            oColor = {lData->mFloats[0], lData->mFloats[1], lData->mFloats[2]};
        } else {
            oColor = {lData->mInts[0] * pByteScale, lData->mInts[1] * pByteScale,
                      lData->mInts[2] * pByteScale};
        }
        ReleaseChunkData3ds(ioKit, lChild);
        lFound = true;
        lLinear = lIsLinear;
    }
    return lFound;
}
