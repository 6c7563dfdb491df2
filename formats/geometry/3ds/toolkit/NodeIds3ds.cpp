#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/Keyframer3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <unordered_map>

namespace {

constexpr uint32_t kMaxNumberedNodes = 0xFFFF;

bool IsNumberedNode(uint32_t pTag)
{
    return pTag >= Tag3ds::kObjectNode && pTag <= Tag3ds::kLastNode;
}

bool IsTargetNode(uint32_t pTag)
{
    return pTag == Tag3ds::kTargetNode || pTag == Tag3ds::kSpotTargetNode;
}

struct NodeEntry
{
    ChunkNode3ds* mNode = nullptr;
    ChunkNode3ds* mHeader = nullptr;
    ChunkNode3ds* mIdChunk = nullptr;
    uint32_t mId = Tag3ds::kNoParent;
    uint32_t mParentId = Tag3ds::kNoParent;
    std::string mName;
    std::string mInstance;
    // Index of the parent entry, or -1.
    long mParent = -1;
};

// The string or first number of a chunk's data; the data is released again.
bool ReadFields(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, std::string* oText,
                uint32_t* oNumber, uint32_t pNumberAt)
{
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChunk);
    if (!lData) {
        return false;
    }
    if (oText) {
        *oText = lData->mStrings[0];
    }
    if (oNumber) {
        *oNumber = lData->mInts[pNumberAt];
    }
    ReleaseChunkData3ds(ioKit, pChunk);
    return true;
}

bool CollectNodes(Toolkit3dsContext& ioKit, ChunkNode3ds* pSection, std::vector<NodeEntry>& oNodes)
{
    for (ChunkNode3ds* lNode = pSection->mChildren.get(); lNode; lNode = lNode->mNext.get()) {
        if (!IsNumberedNode(lNode->mTag)) {
            continue;
        }
        NodeEntry lEntry;
        lEntry.mNode = lNode;
        lEntry.mHeader = ChildOf3ds(lNode, Tag3ds::kNodeHdr);
        lEntry.mIdChunk = ChildOf3ds(lNode, Tag3ds::kNodeId);
        if ((lEntry.mIdChunk && !ReadFields(ioKit, lEntry.mIdChunk, nullptr, &lEntry.mId, 0)) ||
            (lEntry.mHeader &&
             !ReadFields(ioKit, lEntry.mHeader, &lEntry.mName, &lEntry.mParentId, 2))) {
            return false;
        }
        ChunkNode3ds* lInstance = ChildOf3ds(lNode, Tag3ds::kInstanceName);
        if (lNode->mTag == Tag3ds::kObjectNode && lInstance &&
            !ReadFields(ioKit, lInstance, &lEntry.mInstance, nullptr, 0)) {
            return false;
        }
        oNodes.push_back(std::move(lEntry));
    }
    return true;
}

// Drops every parent link that closes a cycle, walking each chain once (colouring), so that
// the hierarchy the links describe is always a forest.
void BreakCycles(std::vector<NodeEntry>& ioNodes)
{
    enum : uint8_t { kUnseen, kOnPath, kDone };
    std::vector<uint8_t> lState(ioNodes.size(), kUnseen);
    std::vector<long> lPath;
    for (std::size_t i = 0; i < ioNodes.size(); ++i) {
        lPath.clear();
        long lAt = static_cast<long>(i);
        while (lAt >= 0 && lState[lAt] == kUnseen) {
            lState[lAt] = kOnPath;
            lPath.push_back(lAt);
            const long lParent = ioNodes[lAt].mParent;
            if (lParent >= 0 && lState[lParent] == kOnPath) {
                ioNodes[lAt].mParent = -1;
                break;
            }
            lAt = lParent;
        }
        for (long lNode : lPath) {
            lState[lNode] = kDone;
        }
    }
}

void SetParentName(ChunkNode3ds* pHeader, const std::string& pName)
{
    ChunkNode3ds* lChunk = ChildOf3ds(pHeader, Tag3ds::kParentName);
    if (!lChunk) {
        lChunk = AddEmptyChild3ds(pHeader, Tag3ds::kParentName);
    }
    ResetChunkData3ds(lChunk)->mStrings[0] = pName;
}

ChunkNode3ds* SectionOf(ChunkDatabase3ds* pDatabase)
{
    return pDatabase && pDatabase->mTopChunk
               ? ChildOf3ds(pDatabase->mTopChunk.get(), Tag3ds::kKfData)
               : nullptr;
}

} // namespace

bool ResolveNodeParents3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    ChunkNode3ds* lSection = SectionOf(pDatabase);
    std::vector<NodeEntry> lNodes;
    if (!lSection) {
        return true;
    }
    if (!CollectNodes(ioKit, lSection, lNodes)) {
        return false;
    }
    bool lRenumber = false;
    for (const NodeEntry& lEntry : lNodes) {
        lRenumber = lRenumber || lEntry.mId == Tag3ds::kNoParent;
    }
    // Duplicate ids in a file: the first node with an id is the one a parent id names.
    std::unordered_map<uint32_t, long> lById;
    for (std::size_t i = 0; i < lNodes.size(); ++i) {
        if (lRenumber) {
            lNodes[i].mId = static_cast<uint32_t>(i);
        }
        lById.emplace(lNodes[i].mId, static_cast<long>(i));
    }
    for (NodeEntry& lEntry : lNodes) {
        const auto lParent = lById.find(lEntry.mParentId);
        if (lEntry.mIdChunk && lEntry.mHeader && lEntry.mParentId != Tag3ds::kNoParent &&
            lParent != lById.end()) {
            lEntry.mParent = lParent->second;
        }
    }
    BreakCycles(lNodes);
    for (NodeEntry& lEntry : lNodes) {
        if (lEntry.mParent >= 0) {
            const NodeEntry& lParent = lNodes[lEntry.mParent];
            SetParentName(lEntry.mHeader, lParent.mInstance.empty()
                                              ? lParent.mName
                                              : lParent.mName + "." + lParent.mInstance);
        }
    }
    return true;
}

void AssignNodeIds3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    ChunkNode3ds* lSection = SectionOf(pDatabase);
    if (!lSection) {
        return;
    }
    std::vector<NodeEntry> lNodes;
    for (ChunkNode3ds* lNode = lSection->mChildren.get(); lNode; lNode = lNode->mNext.get()) {
        ChunkNode3ds* lId =
            lNode->mTag == Tag3ds::kAmbientNode ? ChildOf3ds(lNode, Tag3ds::kNodeId) : nullptr;
        if (lId) {
            ResetChunkData3ds(lId)->mInts[0] = Tag3ds::kNoParent;
        }
    }
    if (!CollectNodes(ioKit, lSection, lNodes)) {
        return;
    }
    if (lNodes.size() > kMaxNumberedNodes) {
        PushError3ds(ioKit, ERR_INVALID_DATA);
        return;
    }
    // Parent names: "name" names a node without an instance name, "name.instance" a mesh
    // node's instance. An exact name is tried first, so a name holding a dot can be a parent.
    std::unordered_map<std::string, uint32_t> lPlain;
    std::unordered_map<std::string, uint32_t> lInstanced;
    for (std::size_t i = 0; i < lNodes.size(); ++i) {
        NodeEntry& lEntry = lNodes[i];
        lEntry.mId = static_cast<uint32_t>(i);
        if (!lEntry.mIdChunk) {
            // The id leads the node's chunks.
            std::unique_ptr<ChunkNode3ds> lId;
            NewChunkWithTag3ds(lId, Tag3ds::kNodeId);
            lId->mNext = std::move(lEntry.mNode->mChildren);
            lEntry.mNode->mChildren = std::move(lId);
            lEntry.mIdChunk = lEntry.mNode->mChildren.get();
        }
        ResetChunkData3ds(lEntry.mIdChunk)->mInts[0] = lEntry.mId;
        if (!lEntry.mInstance.empty()) {
            lInstanced.emplace(lEntry.mName + '\0' + lEntry.mInstance, lEntry.mId);
        } else if (!IsTargetNode(lEntry.mNode->mTag)) {
            lPlain.emplace(lEntry.mName, lEntry.mId);
        }
    }
    // A target shares its camera's or spot's name: a name is the target's only when nothing
    // else has it.
    for (const NodeEntry& lEntry : lNodes) {
        if (IsTargetNode(lEntry.mNode->mTag)) {
            lPlain.emplace(lEntry.mName, lEntry.mId);
        }
    }
    for (NodeEntry& lEntry : lNodes) {
        ChunkNode3ds* lParentChunk = ChildOf3ds(lEntry.mHeader, Tag3ds::kParentName);
        std::string lParent;
        if (!lParentChunk) {
            continue;
        }
        if (!ReadFields(ioKit, lParentChunk, &lParent, nullptr, 0)) {
            return;
        }
        const auto lExact = lPlain.find(lParent);
        const std::size_t lDot = lParent.find('.');
        if (lExact != lPlain.end()) {
            lEntry.mParent = lExact->second;
        } else if (lDot != std::string::npos) {
            const auto lSplit =
                lInstanced.find(lParent.substr(0, lDot) + '\0' + lParent.substr(lDot + 1));
            lEntry.mParent = lSplit != lInstanced.end() ? static_cast<long>(lSplit->second) : -1;
        }
    }
    // Names can point in a circle as well; such a link is written as no parent.
    BreakCycles(lNodes);
    for (NodeEntry& lEntry : lNodes) {
        ChunkData3ds* lHeader = lEntry.mHeader ? ReadChunkData3ds(ioKit, lEntry.mHeader) : nullptr;
        if (lHeader) {
            lHeader->mInts[2] =
                lEntry.mParent >= 0 ? static_cast<uint32_t>(lEntry.mParent) : Tag3ds::kNoParent;
        }
    }
}
