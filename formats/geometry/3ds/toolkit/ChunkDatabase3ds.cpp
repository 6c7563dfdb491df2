#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"

#include "formats/geometry/3ds/toolkit/Keyframer3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <new>

namespace {

constexpr uint32_t kHeaderSize = 6;
constexpr uint32_t kDefaultAnimationLength = 30;
constexpr uint32_t kMaxRelease = 3;

bool IsTopTag(uint32_t pTag)
{
    return pTag == Tag3ds::kM3dMagic || pTag == Tag3ds::kCmagic || pTag == Tag3ds::kMlibMagic;
}

// Reads chunk headers below a chunk. Every child must lie inside its parent, so the position
// only moves forward and a bad length can neither stall the loop nor reach past the file.
class TreeReader
{
public:
    TreeReader(Toolkit3dsContext& ioKit, FileRecord3ds* pFile) : mKit(ioKit), mFile(pFile) {}

    bool ReadChildren(ChunkNode3ds* pParent, int pDepth)
    {
        const ChunkShape3ds lShape = ChunkShapeOf3ds(pParent->mTag);
        if (lShape == ChunkShape3ds::kLeaf) {
            return true;
        }
        const uint64_t lEnd = uint64_t{pParent->mPosition} + pParent->mLength;
        uint64_t lPosition = uint64_t{pParent->mPosition} + kHeaderSize;
        if (lShape == ChunkShape3ds::kDataAndChildren) {
            if (!FileSeek3ds(mKit, static_cast<int64_t>(lPosition))) {
                return false;
            }
            const int64_t lData = MeasureChunkData3ds(mKit, pParent->mTag, lEnd - lPosition);
            if (lData < 0) {
                return false;
            }
            lPosition += static_cast<uint64_t>(lData);
        }
        std::unique_ptr<ChunkNode3ds>* lTail = &pParent->mChildren;
        while (lPosition < lEnd) {
            ChunkHeader3ds lHeader;
            if (lEnd - lPosition < kHeaderSize || !ReadHeaderAt(lPosition, lHeader)) {
                return Invalid();
            }
            const bool lFits =
                lHeader.mLength >= kHeaderSize && lHeader.mLength <= lEnd - lPosition;
            if (pParent->mTag == Tag3ds::kXdataEntry &&
                (lHeader.mTag < Tag3ds::kXdataFirst || lHeader.mTag > Tag3ds::kXdataLast ||
                 !lFits)) {
                // An extended-data entry ends at its first child that is not one of its own.
                return true;
            }
            if (!lFits) {
                return Invalid();
            }
            std::unique_ptr<ChunkNode3ds>& lChild = *lTail;
            NewChunkWithTag3ds(lChild, lHeader.mTag);
            lChild->mLength = lHeader.mLength;
            lChild->mPosition = static_cast<uint32_t>(lPosition);
            lChild->mSourceFile = mFile->mIndex;
            lChild->mSourceSerial = mFile->mSerial;
            if (ChunkShapeOf3ds(lHeader.mTag) != ChunkShape3ds::kLeaf) {
                if (pDepth + 1 > kMaxChunkDepth3ds) {
                    return Invalid();
                }
                if (!ReadChildren(lChild.get(), pDepth + 1)) {
                    return false;
                }
            }
            lTail = &lChild->mNext;
            lPosition += lHeader.mLength;
        }
        return true;
    }

    bool ReadHeaderAt(uint64_t pPosition, ChunkHeader3ds& oHeader)
    {
        uint8_t lBytes[kHeaderSize];
        std::FILE* lStream = mFile->mStream;
        if (std::fseek(lStream, static_cast<long>(pPosition), SEEK_SET) != 0 ||
            std::fread(lBytes, 1, kHeaderSize, lStream) != kHeaderSize) {
            return false;
        }
        oHeader = {LoadU16(lBytes), LoadU32(lBytes + 2)};
        return true;
    }

    bool Invalid()
    {
        PushError3ds(mKit, ERR_INVALID_CHUNK);
        return false;
    }

private:
    Toolkit3dsContext& mKit;
    FileRecord3ds* mFile;
};

int64_t FileSize(std::FILE* pStream)
{
    if (std::fseek(pStream, 0, SEEK_END) != 0) {
        return -1;
    }
    const long lSize = std::ftell(pStream);
    return std::fseek(pStream, 0, SEEK_SET) == 0 ? lSize : -1;
}

// Reads the top header and the tree below it; false after pushing the cause.
bool ReadTree(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkNode3ds* pTop)
{
    SetCurrentFile3ds(ioKit, pFile);
    const int64_t lSize = FileSize(pFile->mStream);
    TreeReader lReader(ioKit, pFile);
    ChunkHeader3ds lHeader;
    if (lSize < 0 || !lReader.ReadHeaderAt(0, lHeader)) {
        PushError3ds(ioKit, ERR_READING_FILE);
        return false;
    }
    pTop->mTag = lHeader.mTag;
    pTop->mLength = lHeader.mLength;
    if (!IsTopTag(lHeader.mTag)) {
        return true;
    }
    if (lHeader.mLength < kHeaderSize || lHeader.mLength > static_cast<uint64_t>(lSize)) {
        return lReader.Invalid();
    }
    return lReader.ReadChildren(pTop, 1);
}

void WriteTree(Toolkit3dsContext& ioKit, FileRecord3ds* pTarget, ChunkNode3ds* pChunk)
{
    if (pChunk->mTag == 0 || pChunk->mTag == Tag3ds::kParentName) {
        return;
    }
    SetCurrentFile3ds(ioKit, pTarget);
    pChunk->mTargetFile = pTarget->mIndex;
    const int64_t lStart = FileTell3ds(ioKit);
    if (!pChunk->mData && pChunk->mSourceFile != ChunkNode3ds::kNoFile) {
        ReadChunkData3ds(ioKit, pChunk);
        SetCurrentFile3ds(ioKit, pTarget);
        if (IsErrorPending3ds(ioKit) || !FileSeek3ds(ioKit, lStart)) {
            return;
        }
    }
    WriteHeader3ds(ioKit, {static_cast<uint16_t>(pChunk->mTag), pChunk->mLength});
    WriteChunkData3ds(ioKit, pChunk);
    for (ChunkNode3ds* lChild = pChunk->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        WriteTree(ioKit, pTarget, lChild);
    }
    if (IsErrorPending3ds(ioKit)) {
        return;
    }
    SetCurrentFile3ds(ioKit, pTarget);
    const int64_t lEnd = FileTell3ds(ioKit);
    if (lEnd - lStart != pChunk->mLength) {
        PatchChunkLength3ds(ioKit, lStart, lEnd);
        pChunk->mLength = static_cast<uint32_t>(lEnd - lStart);
    }
    ReleaseChunkData3ds(ioKit, pChunk);
}

void WriteStampedTree(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkDatabase3ds* pDatabase)
{
    if (!IsErrorPending3ds(ioKit)) {
        AssignNodeIds3ds(ioKit, pDatabase);
    }
    SetCurrentFile3ds(ioKit, pFile);
    if (!IsErrorPending3ds(ioKit) && FileSeek3ds(ioKit, 0)) {
        WriteTree(ioKit, pFile, pDatabase->mTopChunk.get());
    }
    if (!IsErrorPending3ds(ioKit) && std::fflush(pFile->mStream) != 0) {
        PushError3ds(ioKit, ERR_WRITING_FILE);
    }
}

ChunkNode3ds* FindOrInsertChild(ChunkNode3ds* pParent, uint32_t pTag)
{
    if (ChunkNode3ds* lFound = FindNextChunk3ds(pParent->mChildren.get(), pTag)) {
        return lFound;
    }
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithTag3ds(lChunk, pTag);
    return InsertChildChunk3ds(pParent, std::move(lChunk));
}

void SetU32Chunk(ChunkNode3ds* pParent, uint32_t pTag, uint32_t pValue)
{
    ChunkNode3ds* lChunk = ReplaceOrAddChildChunk3ds(pParent, pTag);
    ResetChunkData3ds(lChunk)->mInts[0] = pValue;
}

// The string of a chunk's data, or empty; the data is released again afterwards.
std::string ChunkString(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk)
{
    std::string lText;
    const ChunkData3ds* lData = pChunk ? ReadChunkData3ds(ioKit, pChunk) : nullptr;
    if (lData && !lData->mStrings.empty()) {
        lText = lData->mStrings[0];
    }
    if (pChunk) {
        ReleaseChunkData3ds(ioKit, pChunk);
    }
    return lText;
}

ChunkNode3ds* FirstChild(ChunkNode3ds* pParent, uint32_t pTag)
{
    return pParent ? FindNextChunk3ds(pParent->mChildren.get(), pTag) : nullptr;
}

} // namespace

void InitDatabase3ds(Toolkit3dsContext&, std::unique_ptr<ChunkDatabase3ds>& ioDatabase)
{
    ioDatabase = std::make_unique<ChunkDatabase3ds>();
}

void InitDatabaseOfKind3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, int pKind)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    static const uint32_t kTopTags[] = {0, Tag3ds::kM3dMagic, Tag3ds::kCmagic, Tag3ds::kMlibMagic};
    NewChunkWithTag3ds(pDatabase->mTopChunk, pKind >= 1 && pKind <= 3 ? kTopTags[pKind] : 0);
    pDatabase->mLastObject = pDatabase->mLastNode = nullptr;
    pDatabase->mObjectsDirty = pDatabase->mMaterialsDirty = pDatabase->mNodesDirty = true;
    StampRelease3ds(ioKit, pDatabase, kRelease3ds);
}

void CreateDatabase3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkDatabase3ds* pDatabase)
{
    if (!pFile || !pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pFile->mMode != FileRecord3ds::kModeRead) {
        return;
    }
    try {
        NewChunk3ds(pDatabase->mTopChunk);
        pDatabase->mLastObject = pDatabase->mLastNode = nullptr;
        ChunkNode3ds* lTop = pDatabase->mTopChunk.get();
        lTop->mSourceFile = pFile->mIndex;
        lTop->mSourceSerial = pFile->mSerial;
        pDatabase->mObjectsDirty = pDatabase->mMaterialsDirty = pDatabase->mNodesDirty = true;
        if (!ReadTree(ioKit, pFile, lTop)) {
            PushError3ds(ioKit, ERR_READING_DATABASE);
            PushError3ds(ioKit, ERR_CREATING_DATABASE);
            return;
        }
        if (IsTopTag(lTop->mTag) && !ResolveNodeParents3ds(ioKit, pDatabase)) {
            PushError3ds(ioKit, ERR_CREATING_DATABASE);
        }
    } catch (const std::bad_alloc&) {
        PushError3ds(ioKit, ERR_NO_MEM);
        PushError3ds(ioKit, ERR_CREATING_DATABASE);
    }
}

void WriteDatabase3ds(Toolkit3dsContext& ioKit, FileRecord3ds* pFile, ChunkDatabase3ds* pDatabase)
{
    // Every way out that leaves the file unwritten ends with ERR_WRITING_DATABASE after its
    // cause, whether the cause is found here or was already pending. A file opened for reading
    // is not written to, and that is no failure.
    if (!pFile || !pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
    } else {
        try {
            StampRelease3ds(ioKit, pDatabase, kRelease3ds);
            if (pFile->mMode != FileRecord3ds::kModeWrite && !IsErrorPending3ds(ioKit)) {
                return;
            }
            WriteStampedTree(ioKit, pFile, pDatabase);
        } catch (const std::bad_alloc&) {
            PushError3ds(ioKit, ERR_NO_MEM);
        }
    }
    if (IsErrorPending3ds(ioKit)) {
        PushError3ds(ioKit, ERR_WRITING_DATABASE);
    }
}

int GetDatabaseKind3ds(const ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        return kUnknownDatabase3ds;
    }
    switch (pDatabase->mTopChunk->mTag) {
    case Tag3ds::kM3dMagic:
        return kMeshFile3ds;
    case Tag3ds::kCmagic:
        return kProjectFile3ds;
    case Tag3ds::kMlibMagic:
        return kMaterialFile3ds;
    default:
        return kUnknownDatabase3ds;
    }
}

void ReleaseDatabase3ds(std::unique_ptr<ChunkDatabase3ds>& ioDatabase)
{
    ioDatabase.reset();
}

void StampRelease3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pRelease)
{
    static const uint32_t kKeyframerRevisions[] = {1, 2, 5, 6};
    if (!pDatabase || pRelease > kMaxRelease) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    ChunkNode3ds* lTop = pDatabase->mTopChunk.get();
    if (!lTop) {
        PushError3ds(ioKit, ERR_INVALID_DATABASE);
        return;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (lKind == kMeshFile3ds) {
        SetU32Chunk(lTop, Tag3ds::kVersion, pRelease + 1);
    }
    if (lKind != kMeshFile3ds && lKind != kProjectFile3ds) {
        return;
    }
    SetU32Chunk(FindOrInsertChild(lTop, Tag3ds::kMdata), Tag3ds::kMeshVersion, pRelease + 1);
    ChunkNode3ds* lKeyframer = FindOrInsertChild(lTop, Tag3ds::kKfData);
    ChunkNode3ds* lHeader = FirstChild(lKeyframer, Tag3ds::kKfHdr);
    ChunkData3ds* lData = lHeader ? ReadChunkData3ds(ioKit, lHeader) : nullptr;
    if (!lData) {
        if (lHeader) {
            return;
        }
        std::unique_ptr<ChunkNode3ds> lNew;
        NewChunkWithData3ds(lNew, Tag3ds::kKfHdr);
        lNew->mData->mInts[1] = kDefaultAnimationLength;
        lData = InsertChildChunk3ds(lKeyframer, std::move(lNew))->mData.get();
    }
    lData->mInts[0] = kKeyframerRevisions[pRelease];
}

ChunkNode3ds* MeshSection3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    if (!pDatabase->mTopChunk) {
        PushError3ds(ioKit, ERR_INVALID_DATABASE);
        return nullptr;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (lKind != kMeshFile3ds && lKind != kProjectFile3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return nullptr;
    }
    return FindOrInsertChild(pDatabase->mTopChunk.get(), Tag3ds::kMdata);
}

ChunkNode3ds* KeyframerSection3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return nullptr;
    }
    return FindOrInsertChild(pDatabase->mTopChunk.get(), Tag3ds::kKfData);
}

const std::vector<NameEntry3ds>& ObjectList3ds(Toolkit3dsContext& ioKit,
                                               ChunkDatabase3ds* pDatabase)
{
    if (pDatabase->mObjectsDirty) {
        pDatabase->mObjectNames.clear();
        pDatabase->mObjectsByName.clear();
        pDatabase->mObjectsDirty = false;
        pDatabase->mScanTest = nullptr;
        ChunkNode3ds* lSection = FirstChild(pDatabase->mTopChunk.get(), Tag3ds::kMdata);
        for (ChunkNode3ds* lChunk = FirstChild(lSection, Tag3ds::kNamedObject); lChunk;
             lChunk = FindNextChunk3ds(lChunk->mNext.get(), Tag3ds::kNamedObject)) {
            std::string lName = ChunkString(ioKit, lChunk);
            pDatabase->mObjectsByName[lName].push_back(pDatabase->mObjectNames.size());
            pDatabase->mObjectNames.push_back({std::move(lName), lChunk});
        }
    }
    return pDatabase->mObjectNames;
}

ChunkNode3ds* FindObjectByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  const std::string& pName)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    const std::vector<NameEntry3ds>& lObjects = ObjectList3ds(ioKit, pDatabase);
    const auto lFound = pDatabase->mObjectsByName.find(pName);
    return lFound == pDatabase->mObjectsByName.end() ? nullptr
                                                     : lObjects[lFound->second.front()].mChunk;
}

void MarkObjectsDirty3ds(ChunkDatabase3ds* pDatabase)
{
    if (pDatabase) {
        pDatabase->mObjectsDirty = true;
    }
}

const std::vector<NameEntry3ds>& MaterialList3ds(Toolkit3dsContext& ioKit,
                                                 ChunkDatabase3ds* pDatabase)
{
    if (pDatabase->mMaterialsDirty) {
        pDatabase->mMaterialNames.clear();
        pDatabase->mMaterialsDirty = false;
        ChunkNode3ds* lSection = FirstChild(pDatabase->mTopChunk.get(), Tag3ds::kMdata);
        if (!lSection) {
            lSection = pDatabase->mTopChunk.get();
        }
        for (ChunkNode3ds* lChunk = FirstChild(lSection, Tag3ds::kMatEntry); lChunk;
             lChunk = FindNextChunk3ds(lChunk->mNext.get(), Tag3ds::kMatEntry)) {
            pDatabase->mMaterialNames.push_back(
                {ChunkString(ioKit, FirstChild(lChunk, Tag3ds::kMatName)), lChunk});
        }
    }
    return pDatabase->mMaterialNames;
}

void MarkMaterialsDirty3ds(ChunkDatabase3ds* pDatabase)
{
    if (pDatabase) {
        pDatabase->mMaterialsDirty = true;
    }
}

const std::vector<NameEntry3ds>& NodeList3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (pDatabase->mNodesDirty) {
        pDatabase->mNodeNames.clear();
        pDatabase->mNodesByName.clear();
        pDatabase->mNodesOfTag.clear();
        pDatabase->mSpotsMade = false;
        pDatabase->mNodesDirty = false;
        ChunkNode3ds* lSection = FirstChild(pDatabase->mTopChunk.get(), Tag3ds::kKfData);
        for (ChunkNode3ds* lNode = lSection ? lSection->mChildren.get() : nullptr; lNode;
             lNode = lNode->mNext.get()) {
            if (lNode->mTag < Tag3ds::kAmbientNode || lNode->mTag > Tag3ds::kLastNode) {
                continue;
            }
            std::string lName = ChunkString(ioKit, FirstChild(lNode, Tag3ds::kNodeHdr));
            ChunkNode3ds* lInstance = FirstChild(lNode, Tag3ds::kInstanceName);
            if (lNode->mTag == Tag3ds::kObjectNode && lInstance) {
                lName += "." + ChunkString(ioKit, lInstance);
            }
            pDatabase->mNodesOfTag[lNode->mTag].push_back(pDatabase->mNodeNames.size());
            pDatabase->mNodesByName[lName].push_back(pDatabase->mNodeNames.size());
            pDatabase->mNodeNames.push_back({lName, lNode});
        }
    }
    return pDatabase->mNodeNames;
}

ChunkNode3ds* FindNodeByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                const std::string& pName, uint32_t pTag)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    const std::vector<NameEntry3ds>& lNodes = NodeList3ds(ioKit, pDatabase);
    const auto lFound = pDatabase->mNodesByName.find(pName);
    if (lFound == pDatabase->mNodesByName.end()) {
        return nullptr;
    }
    for (std::size_t lAt : lFound->second) {
        if (lNodes[lAt].mChunk->mTag == pTag) {
            return lNodes[lAt].mChunk;
        }
    }
    return nullptr;
}

ChunkNode3ds* GetNodeByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                uint32_t pIndex, uint32_t pTag)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    const std::vector<NameEntry3ds>& lNodes = NodeList3ds(ioKit, pDatabase);
    const auto lOfTag = pDatabase->mNodesOfTag.find(pTag);
    if (lOfTag == pDatabase->mNodesOfTag.end() || pIndex >= lOfTag->second.size()) {
        return nullptr;
    }
    return lNodes[lOfTag->second[pIndex]].mChunk;
}

uint32_t CountNodes3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pTag)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return 0;
    }
    NodeList3ds(ioKit, pDatabase);
    const auto lOfTag = pDatabase->mNodesOfTag.find(pTag);
    return lOfTag == pDatabase->mNodesOfTag.end() ? 0
                                                  : static_cast<uint32_t>(lOfTag->second.size());
}

std::vector<std::string> ListNodeNames3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                          uint32_t pTag)
{
    std::vector<std::string> lNames;
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return lNames;
    }
    for (const NameEntry3ds& lEntry : NodeList3ds(ioKit, pDatabase)) {
        if (lEntry.mChunk->mTag == pTag) {
            lNames.push_back(lEntry.mName);
        }
    }
    return lNames;
}

void MarkNodesDirty3ds(ChunkDatabase3ds* pDatabase)
{
    if (pDatabase) {
        pDatabase->mNodesDirty = true;
    }
}

void NoteObjectAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName, ChunkNode3ds* pChunk)
{
    if (pDatabase && !pDatabase->mObjectsDirty) {
        pDatabase->mObjectsByName[pName].push_back(pDatabase->mObjectNames.size());
        pDatabase->mObjectNames.push_back({pName, pChunk});
    }
}

void NoteMaterialAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName,
                          ChunkNode3ds* pChunk)
{
    if (pDatabase && !pDatabase->mMaterialsDirty) {
        pDatabase->mMaterialNames.push_back({pName, pChunk});
    }
}

void NoteNodeAdded3ds(ChunkDatabase3ds* pDatabase, const std::string& pName, ChunkNode3ds* pChunk)
{
    if (pDatabase && !pDatabase->mNodesDirty) {
        pDatabase->mSpotsMade = false;
        pDatabase->mNodesOfTag[pChunk->mTag].push_back(pDatabase->mNodeNames.size());
        pDatabase->mNodesByName[pName].push_back(pDatabase->mNodeNames.size());
        pDatabase->mNodeNames.push_back({pName, pChunk});
    }
}

ChunkNode3ds* AddSectionChild3ds(ChunkNode3ds* pSection, uint32_t pTag, ChunkNode3ds*& ioHint)
{
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithTag3ds(lChunk, pTag);
    ChunkNode3ds* lFrom =
        ioHint && ChunkWeightOf3ds(ioHint->mTag) >= ChunkWeightOf3ds(pTag) ? ioHint : nullptr;
    ioHint = InsertChildChunkAfter3ds(pSection, lFrom, std::move(lChunk));
    return ioHint;
}
