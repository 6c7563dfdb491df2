#include "formats/geometry/3ds/toolkit/Keyframer3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

namespace {

constexpr uint32_t kKeyframerRevision = 5;
constexpr std::size_t kNodeNameBound = 10;
const char* const kDummyName = "$$$DUMMY";

// Track values as the floats of their key in a file, and back.
void Append(const Point3ds& p, std::vector<float>& o)
{
    o.insert(o.end(), {p.x, p.y, p.z});
}
void Append(const Color3ds& p, std::vector<float>& o)
{
    o.insert(o.end(), {p.r, p.g, p.b});
}
void Append(const Rotation3ds& p, std::vector<float>& o)
{
    o.insert(o.end(), {p.mAngle, p.x, p.y, p.z});
}
void Append(float p, std::vector<float>& o)
{
    o.push_back(p);
}
void Append(NoValue3ds, std::vector<float>&) {}
std::size_t Width(const Point3ds*)
{
    return 3;
}
std::size_t Width(const Color3ds*)
{
    return 3;
}
std::size_t Width(const Rotation3ds*)
{
    return 4;
}
std::size_t Width(const float*)
{
    return 1;
}
std::size_t Width(const NoValue3ds*)
{
    return 0;
}
void Load(const float* f, Point3ds& o)
{
    o = {f[0], f[1], f[2]};
}
void Load(const float* f, Color3ds& o)
{
    o = {f[0], f[1], f[2]};
}
void Load(const float* f, Rotation3ds& o)
{
    o = {f[0], f[1], f[2], f[3]};
}
void Load(const float* f, float& o)
{
    o = f[0];
}
void Load(const float*, NoValue3ds&) {}

template <typename T> void FreshTrack(Track3ds<T>& ioTrack, uint32_t pKeys, const T& pValue)
{
    if (pKeys != 0) {
        ioTrack.mFlags = 0;
        ioTrack.mKeys.assign(pKeys, KeyHeader3ds());
        ioTrack.mValues.assign(pKeys, pValue);
    }
}

template <typename T>
void ReadTrack(Toolkit3dsContext& ioKit, ChunkNode3ds* pNode, uint32_t pTag, Track3ds<T>& oTrack)
{
    ChunkNode3ds* lChunk = FindChunk3ds(pNode, pTag);
    const ChunkData3ds* lData = lChunk ? ReadChunkData3ds(ioKit, lChunk) : nullptr;
    if (!lData) {
        return;
    }
    oTrack.mFlags = static_cast<uint16_t>(lData->mInts[0]);
    oTrack.mKeys = lData->mKeys;
    oTrack.mValues.resize(lData->mKeys.size());
    const std::size_t lWidth = Width(static_cast<const T*>(nullptr));
    for (std::size_t k = 0; k < oTrack.mValues.size(); ++k) {
        Load(lData->mFloats.data() + k * lWidth, oTrack.mValues[k]);
    }
    ReleaseChunkData3ds(ioKit, lChunk);
}

void ReadTrack(Toolkit3dsContext& ioKit, ChunkNode3ds* pNode, uint32_t pTag,
               Track3ds<std::string>& oTrack)
{
    ChunkNode3ds* lChunk = FindChunk3ds(pNode, pTag);
    const ChunkData3ds* lData = lChunk ? ReadChunkData3ds(ioKit, lChunk) : nullptr;
    if (lData) {
        oTrack.mFlags = static_cast<uint16_t>(lData->mInts[0]);
        oTrack.mKeys = lData->mKeys;
        oTrack.mValues = lData->mStrings;
        ReleaseChunkData3ds(ioKit, lChunk);
    }
}

template <typename T> void PutTrack(ChunkNode3ds* pNode, uint32_t pTag, const Track3ds<T>& pTrack)
{
    if (pTrack.mKeys.empty() || pTrack.mValues.size() != pTrack.mKeys.size()) {
        return;
    }
    ChunkData3ds* lData = AddDataChild3ds(pNode, pTag);
    lData->mInts = {pTrack.mFlags, 0, 0};
    lData->mKeys = pTrack.mKeys;
    for (const T& lValue : pTrack.mValues) {
        Append(lValue, lData->mFloats);
    }
}

void PutTrack(ChunkNode3ds* pNode, uint32_t pTag, const Track3ds<std::string>& pTrack)
{
    if (pTrack.mKeys.empty() || pTrack.mValues.size() != pTrack.mKeys.size()) {
        return;
    }
    ChunkData3ds* lData = AddDataChild3ds(pNode, pTag);
    lData->mInts = {pTrack.mFlags, 0, 0};
    lData->mKeys = pTrack.mKeys;
    lData->mStrings = pTrack.mValues;
}

// What every node header gives: name, flags and the in-memory parent name.
struct NodeHeader
{
    std::string mName;
    uint16_t mFlags1 = 0;
    uint16_t mFlags2 = 0;
    std::string mParent;
};

NodeHeader ReadHeader(Toolkit3dsContext& ioKit, ChunkNode3ds* pNode)
{
    NodeHeader lHeader;
    ChunkNode3ds* lChunk = pNode ? FindChunk3ds(pNode, Tag3ds::kNodeHdr) : nullptr;
    const ChunkData3ds* lData = lChunk ? ReadChunkData3ds(ioKit, lChunk) : nullptr;
    if (!lData) {
        return lHeader;
    }
    lHeader.mName = lData->mStrings[0];
    lHeader.mFlags1 = static_cast<uint16_t>(lData->mInts[0]);
    lHeader.mFlags2 = static_cast<uint16_t>(lData->mInts[1]);
    ReleaseChunkData3ds(ioKit, lChunk);
    if (ChunkNode3ds* lParent = ChildOf3ds(lChunk, Tag3ds::kParentName)) {
        if (const ChunkData3ds* lName = ReadChunkData3ds(ioKit, lParent)) {
            lHeader.mParent = lName->mStrings[0];
        }
    }
    return lHeader;
}

// Empties the nodes of that name and tag (so they are skipped when writing), keeping the
// first 0x8000 chunk of the last one.
void ClearNodes(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, const std::string& pName,
                uint32_t pTag, std::unique_ptr<ChunkNode3ds>& oXdata)
{
    while (ChunkNode3ds* lNode = FindNodeByName3ds(ioKit, pDatabase, pName, pTag)) {
        for (ChunkNode3ds* lChild = lNode->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
            if (ChunkNode3ds* lXdata = FindChunk3ds(lChild, Tag3ds::kXdata)) {
                CopyChunk3ds(lXdata, oXdata);
                break;
            }
        }
        ClearChunk3ds(lNode);
        MarkNodesDirty3ds(pDatabase);
        pDatabase->mLastNode = nullptr;
    }
}

// A new node with its id (0xFFFF until the write numbers it) and header.
ChunkNode3ds* AddNode(ChunkDatabase3ds* pDatabase, ChunkNode3ds* pSection, uint32_t pTag,
                      const std::string& pName, uint16_t pFlags1, uint16_t pFlags2,
                      const std::string& pParent)
{
    ChunkNode3ds* lNode = AddSectionChild3ds(pSection, pTag, pDatabase->mLastNode);
    AddShortChild3ds(lNode, Tag3ds::kNodeId, Tag3ds::kNoParent);
    ChunkData3ds* lHeader = AddDataChild3ds(lNode, Tag3ds::kNodeHdr);
    lHeader->mStrings[0] = pName;
    lHeader->mInts = {pFlags1, pFlags2, Tag3ds::kNoParent};
    if (!pParent.empty()) {
        AddStringChild3ds(ChildOf3ds(lNode, Tag3ds::kNodeHdr), Tag3ds::kParentName, pParent);
    }
    return lNode;
}

void AddKept(ChunkNode3ds* pNode, std::unique_ptr<ChunkNode3ds>& ioXdata)
{
    if (ioXdata && pNode) {
        AddChildChunk3ds(pNode, std::move(ioXdata));
    }
}

// The keyframer section for a put, after the argument and database checks.
ChunkNode3ds* SectionForPut(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                            const void* pRecord, const std::string& pName, bool pKindOneOnly)
{
    if (!pDatabase || !pRecord) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    const bool lKindOk = lKind == kMeshFile3ds || (!pKindOneOnly && lKind == kProjectFile3ds);
    if (!pDatabase->mTopChunk || !lKindOk) {
        PushError3ds(ioKit, pKindOneOnly           ? ERR_INVALID_DATA
                            : pDatabase->mTopChunk ? ERR_WRONG_DATABASE
                                                   : ERR_INVALID_DATABASE);
        return nullptr;
    }
    if (!CheckName3ds(ioKit, pName, kNodeNameBound)) {
        return nullptr;
    }
    return KeyframerSection3ds(ioKit, pDatabase);
}

// The index-th node of pTag and the node of pTargetTag with the same name.
bool FindNodes(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
               uint32_t pTag, uint32_t pTargetTag, ChunkNode3ds*& oNode, ChunkNode3ds*& oTarget)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return false;
    }
    oNode = GetNodeByIndex3ds(ioKit, pDatabase, pIndex, pTag);
    if (!oNode) {
        return false;
    }
    const std::string& lName = pDatabase->mNodeNames[pDatabase->mNodesOfTag[pTag][pIndex]].mName;
    oTarget = pTargetTag ? FindNodeByName3ds(ioKit, pDatabase, lName, pTargetTag) : nullptr;
    return oNode != nullptr;
}

bool IsSpotTag(uint32_t pTag)
{
    return pTag == Tag3ds::kSpotNode || pTag == Tag3ds::kSpotTargetNode;
}

bool HasSpotTracks(ChunkNode3ds* pNode)
{
    return FindChunk3ds(pNode, Tag3ds::kHotspotTrack) || FindChunk3ds(pNode, Tag3ds::kFalloffTrack);
}

// The spots of the keyframer with their targets. Files disagree on which of the tags 0xB006
// and 0xB007 is the spot: the node with hotspot or falloff tracks is the spot; else, of a pair
// of one name, the 0xB007 node; a node alone is a spot without target.
const std::vector<std::pair<ChunkNode3ds*, ChunkNode3ds*>>& SpotPairs(Toolkit3dsContext& ioKit,
                                                                      ChunkDatabase3ds* pDatabase)
{
    const std::vector<NameEntry3ds>& lNodes = NodeList3ds(ioKit, pDatabase);
    if (pDatabase->mSpotsMade) {
        return pDatabase->mSpots;
    }
    pDatabase->mSpots.clear();
    pDatabase->mSpotsMade = true;
    std::vector<bool> lPaired(lNodes.size(), false);
    for (std::size_t i = 0; i < lNodes.size(); ++i) {
        ChunkNode3ds* lNode = lNodes[i].mChunk;
        if (lPaired[i] || !IsSpotTag(lNode->mTag)) {
            continue;
        }
        lPaired[i] = true;
        ChunkNode3ds* lPartner = nullptr;
        for (std::size_t lAt : pDatabase->mNodesByName[lNodes[i].mName]) {
            ChunkNode3ds* lOther = lNodes[lAt].mChunk;
            if (!lPaired[lAt] && IsSpotTag(lOther->mTag) && lOther->mTag != lNode->mTag) {
                lPaired[lAt] = true;
                lPartner = lOther;
                break;
            }
        }
        const bool lNodeIsSpot = !lPartner || HasSpotTracks(lNode) ||
                                 (!HasSpotTracks(lPartner) && lNode->mTag == Tag3ds::kSpotNode);
        pDatabase->mSpots.emplace_back(lNodeIsSpot ? lNode : lPartner,
                                       lNodeIsSpot ? lPartner : lNode);
    }
    return pDatabase->mSpots;
}

// The target node of a camera or spotlight, with its position track; none (null) when the
// motion has no target keys.
template <class TMotion>
ChunkNode3ds* AddTargetNode(ChunkDatabase3ds* pDatabase, ChunkNode3ds* pSection, uint16_t pKind,
                            const TMotion& pMotion)
{
    if (pMotion.mTargetPosition.mKeys.empty() || pMotion.mTargetPosition.mValues.empty()) {
        return nullptr;
    }
    ChunkNode3ds* lTarget =
        AddNode(pDatabase, pSection, pKind, pMotion.mName, pMotion.mTargetFlags1,
                pMotion.mTargetFlags2, pMotion.mTargetParent);
    PutTrack(lTarget, Tag3ds::kPositionTrack, pMotion.mTargetPosition);
    NoteNodeAdded3ds(pDatabase, pMotion.mName, lTarget);
    return lTarget;
}

} // namespace

void InitCameraMotion3ds(std::unique_ptr<CameraMotion3ds>& ioMotion, uint32_t pPositionKeys,
                         uint32_t pFovKeys, uint32_t pRollKeys, uint32_t pTargetKeys)
{
    constexpr float kNewFov = 60.0f;
    if (!ioMotion) {
        ioMotion = std::make_unique<CameraMotion3ds>();
    }
    FreshTrack(ioMotion->mPosition, pPositionKeys, Point3ds());
    FreshTrack(ioMotion->mFov, pFovKeys, kNewFov);
    FreshTrack(ioMotion->mRoll, pRollKeys, 0.0f);
    FreshTrack(ioMotion->mTargetPosition, pTargetKeys, Point3ds());
}

void InitOmniLightMotion3ds(std::unique_ptr<OmniLightMotion3ds>& ioMotion, uint32_t pPositionKeys,
                            uint32_t pColorKeys)
{
    if (!ioMotion) {
        ioMotion = std::make_unique<OmniLightMotion3ds>();
    }
    FreshTrack(ioMotion->mPosition, pPositionKeys, Point3ds());
    FreshTrack(ioMotion->mColor, pColorKeys, Color3ds());
}

void InitSpotlightMotion3ds(std::unique_ptr<SpotlightMotion3ds>& ioMotion, uint32_t pPositionKeys,
                            uint32_t pColorKeys, uint32_t pHotspotKeys, uint32_t pFalloffKeys,
                            uint32_t pRollKeys, uint32_t pTargetKeys)
{
    constexpr float kNewAngle = 90.0f;
    if (!ioMotion) {
        ioMotion = std::make_unique<SpotlightMotion3ds>();
    }
    FreshTrack(ioMotion->mPosition, pPositionKeys, Point3ds());
    FreshTrack(ioMotion->mColor, pColorKeys, Color3ds());
    FreshTrack(ioMotion->mHotspot, pHotspotKeys, kNewAngle);
    FreshTrack(ioMotion->mFalloff, pFalloffKeys, kNewAngle);
    FreshTrack(ioMotion->mRoll, pRollKeys, 0.0f);
    FreshTrack(ioMotion->mTargetPosition, pTargetKeys, Point3ds());
}

void InitObjectMotion3ds(std::unique_ptr<ObjectMotion3ds>& ioMotion, uint32_t pPositionKeys,
                         uint32_t pRotationKeys, uint32_t pScaleKeys, uint32_t pMorphKeys,
                         uint32_t pHideKeys)
{
    if (!ioMotion) {
        ioMotion = std::make_unique<ObjectMotion3ds>();
    }
    FreshTrack(ioMotion->mPosition, pPositionKeys, Point3ds());
    FreshTrack(ioMotion->mRotation, pRotationKeys, Rotation3ds());
    FreshTrack(ioMotion->mScale, pScaleKeys, Point3ds{1.0f, 1.0f, 1.0f});
    FreshTrack(ioMotion->mMorph, pMorphKeys, std::string());
    FreshTrack(ioMotion->mHide, pHideKeys, NoValue3ds());
}

void ReleaseCameraMotion3ds(std::unique_ptr<CameraMotion3ds>& ioMotion)
{
    ioMotion.reset();
}
void ReleaseOmniLightMotion3ds(std::unique_ptr<OmniLightMotion3ds>& ioMotion)
{
    ioMotion.reset();
}
void ReleaseSpotlightMotion3ds(std::unique_ptr<SpotlightMotion3ds>& ioMotion)
{
    ioMotion.reset();
}
void ReleaseObjectMotion3ds(std::unique_ptr<ObjectMotion3ds>& ioMotion)
{
    ioMotion.reset();
}

uint32_t GetCameraNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountNodes3ds(ioKit, pDatabase, Tag3ds::kCameraNode);
}

uint32_t GetOmniLightNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountNodes3ds(ioKit, pDatabase, Tag3ds::kOmniNode);
}

uint32_t GetSpotlightNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return 0;
    }
    return static_cast<uint32_t>(SpotPairs(ioKit, pDatabase).size());
}

uint32_t GetObjectNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountNodes3ds(ioKit, pDatabase, Tag3ds::kObjectNode);
}

void GetCameraMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                               uint32_t pIndex, std::unique_ptr<CameraMotion3ds>& ioMotion)
{
    ChunkNode3ds* lNode = nullptr;
    ChunkNode3ds* lTarget = nullptr;
    if (!FindNodes(ioKit, pDatabase, pIndex, Tag3ds::kCameraNode, Tag3ds::kTargetNode, lNode,
                   lTarget)) {
        return;
    }
    ioMotion = std::make_unique<CameraMotion3ds>();
    const NodeHeader lHeader = ReadHeader(ioKit, lNode);
    ioMotion->mName = lHeader.mName;
    ioMotion->mParent = lHeader.mParent;
    ioMotion->mFlags1 = lHeader.mFlags1;
    ioMotion->mFlags2 = lHeader.mFlags2;
    ReadTrack(ioKit, lNode, Tag3ds::kPositionTrack, ioMotion->mPosition);
    ReadTrack(ioKit, lNode, Tag3ds::kFovTrack, ioMotion->mFov);
    ReadTrack(ioKit, lNode, Tag3ds::kRollTrack, ioMotion->mRoll);
    if (lTarget) {
        const NodeHeader lTargetHeader = ReadHeader(ioKit, lTarget);
        ioMotion->mTargetParent = lTargetHeader.mParent;
        ioMotion->mTargetFlags1 = lTargetHeader.mFlags1;
        ioMotion->mTargetFlags2 = lTargetHeader.mFlags2;
        ReadTrack(ioKit, lTarget, Tag3ds::kPositionTrack, ioMotion->mTargetPosition);
    }
}

void GetOmniLightMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  uint32_t pIndex, std::unique_ptr<OmniLightMotion3ds>& ioMotion)
{
    ChunkNode3ds* lNode = nullptr;
    ChunkNode3ds* lTarget = nullptr;
    if (!FindNodes(ioKit, pDatabase, pIndex, Tag3ds::kOmniNode, 0, lNode, lTarget)) {
        return;
    }
    ioMotion = std::make_unique<OmniLightMotion3ds>();
    const NodeHeader lHeader = ReadHeader(ioKit, lNode);
    ioMotion->mName = lHeader.mName;
    ioMotion->mParent = lHeader.mParent;
    ioMotion->mFlags1 = lHeader.mFlags1;
    ioMotion->mFlags2 = lHeader.mFlags2;
    ReadTrack(ioKit, lNode, Tag3ds::kPositionTrack, ioMotion->mPosition);
    ReadTrack(ioKit, lNode, Tag3ds::kColorTrack, ioMotion->mColor);
}

void GetSpotlightMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  uint32_t pIndex, std::unique_ptr<SpotlightMotion3ds>& ioMotion)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return;
    }
    const std::vector<std::pair<ChunkNode3ds*, ChunkNode3ds*>>& lSpots =
        SpotPairs(ioKit, pDatabase);
    if (pIndex >= lSpots.size()) {
        return;
    }
    ChunkNode3ds* lNode = lSpots[pIndex].first;
    ChunkNode3ds* lTarget = lSpots[pIndex].second;
    ioMotion = std::make_unique<SpotlightMotion3ds>();
    const NodeHeader lHeader = ReadHeader(ioKit, lNode);
    ioMotion->mName = lHeader.mName;
    ioMotion->mParent = lHeader.mParent;
    ioMotion->mFlags1 = lHeader.mFlags1;
    ioMotion->mFlags2 = lHeader.mFlags2;
    ReadTrack(ioKit, lNode, Tag3ds::kPositionTrack, ioMotion->mPosition);
    ReadTrack(ioKit, lNode, Tag3ds::kColorTrack, ioMotion->mColor);
    ReadTrack(ioKit, lNode, Tag3ds::kHotspotTrack, ioMotion->mHotspot);
    ReadTrack(ioKit, lNode, Tag3ds::kFalloffTrack, ioMotion->mFalloff);
    ReadTrack(ioKit, lNode, Tag3ds::kRollTrack, ioMotion->mRoll);
    if (lTarget) {
        const NodeHeader lTargetHeader = ReadHeader(ioKit, lTarget);
        ioMotion->mTargetParent = lTargetHeader.mParent;
        ioMotion->mTargetFlags1 = lTargetHeader.mFlags1;
        ioMotion->mTargetFlags2 = lTargetHeader.mFlags2;
        ReadTrack(ioKit, lTarget, Tag3ds::kPositionTrack, ioMotion->mTargetPosition);
    }
}

void GetObjectMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                               uint32_t pIndex, std::unique_ptr<ObjectMotion3ds>& ioMotion)
{
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (pDatabase && pDatabase->mTopChunk && lKind != kMeshFile3ds && lKind != kProjectFile3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return;
    }
    ChunkNode3ds* lNode = nullptr;
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return;
    }
    lNode = GetNodeByIndex3ds(ioKit, pDatabase, pIndex, Tag3ds::kObjectNode);
    if (!lNode) {
        return;
    }
    ioMotion = std::make_unique<ObjectMotion3ds>();
    ObjectMotion3ds& lMotion = *ioMotion;
    const NodeHeader lHeader = ReadHeader(ioKit, lNode);
    lMotion.mName = lHeader.mName;
    lMotion.mParent = lHeader.mParent;
    lMotion.mFlags1 = lHeader.mFlags1;
    lMotion.mFlags2 = lHeader.mFlags2;
    for (ChunkNode3ds* lChild = lNode->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        const bool lOwn = lChild->mTag == Tag3ds::kInstanceName || lChild->mTag == Tag3ds::kPivot ||
                          lChild->mTag == Tag3ds::kBoundBox || lChild->mTag == Tag3ds::kMorphSmooth;
        const ChunkData3ds* lData = lOwn ? ReadChunkData3ds(ioKit, lChild) : nullptr;
        if (!lData) {
            continue;
        }
        if (lChild->mTag == Tag3ds::kInstanceName) {
            lMotion.mInstance = lData->mStrings[0];
        } else if (lChild->mTag == Tag3ds::kPivot) {
            Load(lData->mFloats.data(), lMotion.mPivot);
        } else if (lChild->mTag == Tag3ds::kBoundBox) {
            Load(lData->mFloats.data(), lMotion.mBoundMin);
            Load(lData->mFloats.data() + 3, lMotion.mBoundMax);
        } else {
            lMotion.mMorphSmooth = lData->mFloats[0];
        }
        ReleaseChunkData3ds(ioKit, lChild);
    }
    ReadTrack(ioKit, lNode, Tag3ds::kPositionTrack, lMotion.mPosition);
    ReadTrack(ioKit, lNode, Tag3ds::kRotationTrack, lMotion.mRotation);
    ReadTrack(ioKit, lNode, Tag3ds::kScaleTrack, lMotion.mScale);
    ReadTrack(ioKit, lNode, Tag3ds::kMorphTrack, lMotion.mMorph);
    ReadTrack(ioKit, lNode, Tag3ds::kHideTrack, lMotion.mHide);
}

void PutCameraMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const CameraMotion3ds* pMotion)
{
    ChunkNode3ds* lSection =
        SectionForPut(ioKit, pDatabase, pMotion, pMotion ? pMotion->mName : "", true);
    if (!lSection) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    std::unique_ptr<ChunkNode3ds> lTargetXdata;
    ClearNodes(ioKit, pDatabase, pMotion->mName, Tag3ds::kCameraNode, lXdata);
    ClearNodes(ioKit, pDatabase, pMotion->mName, Tag3ds::kTargetNode, lTargetXdata);
    ChunkNode3ds* lTarget = AddTargetNode(pDatabase, lSection, Tag3ds::kTargetNode, *pMotion);
    ChunkNode3ds* lNode = AddNode(pDatabase, lSection, Tag3ds::kCameraNode, pMotion->mName,
                                  pMotion->mFlags1, pMotion->mFlags2, pMotion->mParent);
    NoteNodeAdded3ds(pDatabase, pMotion->mName, lNode);
    PutTrack(lNode, Tag3ds::kPositionTrack, pMotion->mPosition);
    PutTrack(lNode, Tag3ds::kFovTrack, pMotion->mFov);
    PutTrack(lNode, Tag3ds::kRollTrack, pMotion->mRoll);
    AddKept(lNode, lXdata);
    AddKept(lTarget, lTargetXdata);
}

void PutOmniLightMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                           const OmniLightMotion3ds* pMotion)
{
    ChunkNode3ds* lSection =
        SectionForPut(ioKit, pDatabase, pMotion, pMotion ? pMotion->mName : "", false);
    if (!lSection) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    ClearNodes(ioKit, pDatabase, pMotion->mName, Tag3ds::kOmniNode, lXdata);
    ChunkNode3ds* lNode = AddNode(pDatabase, lSection, Tag3ds::kOmniNode, pMotion->mName,
                                  pMotion->mFlags1, pMotion->mFlags2, pMotion->mParent);
    NoteNodeAdded3ds(pDatabase, pMotion->mName, lNode);
    PutTrack(lNode, Tag3ds::kPositionTrack, pMotion->mPosition);
    PutTrack(lNode, Tag3ds::kColorTrack, pMotion->mColor);
    AddKept(lNode, lXdata);
}

void PutSpotlightMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                           const SpotlightMotion3ds* pMotion)
{
    ChunkNode3ds* lSection =
        SectionForPut(ioKit, pDatabase, pMotion, pMotion ? pMotion->mName : "", false);
    if (!lSection) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    std::unique_ptr<ChunkNode3ds> lTargetXdata;
    ClearNodes(ioKit, pDatabase, pMotion->mName, Tag3ds::kSpotNode, lXdata);
    ClearNodes(ioKit, pDatabase, pMotion->mName, Tag3ds::kSpotTargetNode, lTargetXdata);
    ChunkNode3ds* lTarget = AddTargetNode(pDatabase, lSection, Tag3ds::kSpotTargetNode, *pMotion);
    ChunkNode3ds* lNode = AddNode(pDatabase, lSection, Tag3ds::kSpotNode, pMotion->mName,
                                  pMotion->mFlags1, pMotion->mFlags2, pMotion->mParent);
    NoteNodeAdded3ds(pDatabase, pMotion->mName, lNode);
    PutTrack(lNode, Tag3ds::kPositionTrack, pMotion->mPosition);
    PutTrack(lNode, Tag3ds::kColorTrack, pMotion->mColor);
    PutTrack(lNode, Tag3ds::kHotspotTrack, pMotion->mHotspot);
    PutTrack(lNode, Tag3ds::kFalloffTrack, pMotion->mFalloff);
    PutTrack(lNode, Tag3ds::kRollTrack, pMotion->mRoll);
    AddKept(lNode, lXdata);
    AddKept(lTarget, lTargetXdata);
}

void PutObjectMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const ObjectMotion3ds* pMotion)
{
    ChunkNode3ds* lSection =
        SectionForPut(ioKit, pDatabase, pMotion, pMotion ? pMotion->mName : "", false);
    if (!lSection || !CheckName3ds(ioKit, pMotion->mInstance, kNodeNameBound)) {
        return;
    }
    const ObjectMotion3ds& lMotion = *pMotion;
    std::unique_ptr<ChunkNode3ds> lXdata;
    const std::string lListed =
        lMotion.mInstance.empty() ? lMotion.mName : lMotion.mName + "." + lMotion.mInstance;
    ClearNodes(ioKit, pDatabase, lListed, Tag3ds::kObjectNode, lXdata);
    ChunkNode3ds* lNode = AddNode(pDatabase, lSection, Tag3ds::kObjectNode, lMotion.mName,
                                  lMotion.mFlags1, lMotion.mFlags2, lMotion.mParent);
    if (!lMotion.mInstance.empty()) {
        AddStringChild3ds(lNode, Tag3ds::kInstanceName, lMotion.mInstance);
    }
    NoteNodeAdded3ds(pDatabase, lListed, lNode);
    if (lMotion.mName == kDummyName) {
        std::vector<float>& lBox = AddDataChild3ds(lNode, Tag3ds::kBoundBox)->mFloats;
        lBox.clear();
        Append(lMotion.mBoundMin, lBox);
        Append(lMotion.mBoundMax, lBox);
    }
    if (lMotion.mFlags2 & 1) {
        AddFloatChild3ds(lNode, Tag3ds::kMorphSmooth, lMotion.mMorphSmooth);
    }
    std::vector<float>& lPivot = AddDataChild3ds(lNode, Tag3ds::kPivot)->mFloats;
    lPivot.clear();
    Append(lMotion.mPivot, lPivot);
    PutTrack(lNode, Tag3ds::kPositionTrack, lMotion.mPosition);
    PutTrack(lNode, Tag3ds::kRotationTrack, lMotion.mRotation);
    PutTrack(lNode, Tag3ds::kScaleTrack, lMotion.mScale);
    PutTrack(lNode, Tag3ds::kMorphTrack, lMotion.mMorph);
    PutTrack(lNode, Tag3ds::kHideTrack, lMotion.mHide);
    AddKept(lNode, lXdata);
}

void InitKeyframerSettings3ds(std::unique_ptr<KeyframerSettings3ds>& ioSettings)
{
    ioSettings = std::make_unique<KeyframerSettings3ds>();
}

void GetKeyframerSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                             std::unique_ptr<KeyframerSettings3ds>& oSettings)
{
    oSettings.reset();
    ChunkNode3ds* lSection = pDatabase && pDatabase->mTopChunk
                                 ? ChildOf3ds(pDatabase->mTopChunk.get(), Tag3ds::kKfData)
                                 : nullptr;
    ChunkNode3ds* lHeader = lSection ? ChildOf3ds(lSection, Tag3ds::kKfHdr) : nullptr;
    const ChunkData3ds* lData = lHeader ? ReadChunkData3ds(ioKit, lHeader) : nullptr;
    if (!lData) {
        return;
    }
    InitKeyframerSettings3ds(oSettings);
    oSettings->mAnimLength = lData->mInts[1];
    ChunkNode3ds* lFrame = ChildOf3ds(lSection, Tag3ds::kKfCurrentFrame);
    if (const ChunkData3ds* lCurrent = lFrame ? ReadChunkData3ds(ioKit, lFrame) : nullptr) {
        oSettings->mCurrentFrame = lCurrent->mInts[0];
    }
    ChunkNode3ds* lSegment = ChildOf3ds(lSection, Tag3ds::kKfSegment);
    if (const ChunkData3ds* lSpan = lSegment ? ReadChunkData3ds(ioKit, lSegment) : nullptr) {
        oSettings->mSegmentInUse = true;
        oSettings->mSegmentStart = lSpan->mInts[0];
        oSettings->mSegmentEnd = lSpan->mInts[1];
    }
}

void ReleaseKeyframerSettings3ds(std::unique_ptr<KeyframerSettings3ds>& ioSettings)
{
    ioSettings.reset();
}

void PutKeyframerSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                             const KeyframerSettings3ds* pSettings)
{
    ChunkNode3ds* lSection = SectionForPut(ioKit, pDatabase, pSettings, "", false);
    if (!lSection) {
        return;
    }
    ChunkNode3ds* lHeader = ChildOf3ds(lSection, Tag3ds::kKfHdr);
    ChunkData3ds* lData = lHeader ? ReadChunkData3ds(ioKit, lHeader) : nullptr;
    if (lHeader && !lData) {
        return;
    }
    if (!lData) {
        lData = AddDataChild3ds(lSection, Tag3ds::kKfHdr);
        lData->mInts[0] = kKeyframerRevision;
    }
    lData->mInts[1] = pSettings->mAnimLength;
    ChunkNode3ds* lFrame = ChildOf3ds(lSection, Tag3ds::kKfCurrentFrame);
    if (!lFrame) {
        lFrame = AddEmptyChild3ds(lSection, Tag3ds::kKfCurrentFrame);
    }
    ResetChunkData3ds(lFrame)->mInts[0] = pSettings->mCurrentFrame;
    if (pSettings->mSegmentInUse) {
        ResetChunkData3ds(ReplaceOrAddChildChunk3ds(lSection, Tag3ds::kKfSegment))->mInts = {
            pSettings->mSegmentStart, pSettings->mSegmentEnd};
    } else {
        if (ChunkNode3ds* lSegment = ChildOf3ds(lSection, Tag3ds::kKfSegment)) {
            ClearChunk3ds(lSegment);
            pDatabase->mLastNode = nullptr;
        }
    }
}
