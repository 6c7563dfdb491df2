#include "formats/geometry/3ds/toolkit/MeshObject3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaterialNameBound = 16;
constexpr std::size_t kProcNameBound = 12;

bool HasMesh(ChunkNode3ds* pObject)
{
    return ChildOf3ds(pObject, Tag3ds::kNTriObject) != nullptr;
}

template <typename T> void SizeTo(std::vector<T>& ioArray, std::size_t pCount, const T& pValue)
{
    if (pCount == 0) {
        ioArray.clear();
        ioArray.shrink_to_fit();
    } else {
        ioArray.resize(pCount, pValue);
    }
}

// An array is written when it has elements; then it must have as many as its count says.
template <typename T> bool Agrees(const std::vector<T>& pArray, std::size_t pCount)
{
    return pArray.empty() || pArray.size() == pCount;
}

bool FacesValid(const std::vector<Face3ds>& pFaces, std::size_t pVertices)
{
    for (const Face3ds& lFace : pFaces) {
        if (lFace.v1 >= pVertices || lFace.v2 >= pVertices || lFace.v3 >= pVertices) {
            return false;
        }
    }
    return true;
}

bool GroupsValid(const std::vector<MaterialGroup3ds>& pGroups, std::size_t pFaces)
{
    for (const MaterialGroup3ds& lGroup : pGroups) {
        for (uint16_t lFace : lGroup.mFaces) {
            if (lFace >= pFaces) {
                return false;
            }
        }
    }
    return true;
}

// Counts and indexes that a consumer indexes by: every array agrees with its count, and
// every index names an element.
bool MeshConsistent(const MeshObject3ds& pMesh)
{
    const bool lCountsAgree =
        (pMesh.mTexCount == 0 || pMesh.mTexCount == pMesh.mVertexCount) &&
        (pMesh.mVertexFlagCount == 0 || pMesh.mVertexFlagCount == pMesh.mVertexCount) &&
        (pMesh.mSmoothing.empty() || pMesh.mSmoothing.size() == pMesh.mFaceCount);
    return lCountsAgree && Agrees(pMesh.mVertices, pMesh.mVertexCount) &&
           Agrees(pMesh.mVertexFlags, pMesh.mVertexFlagCount) &&
           Agrees(pMesh.mTexVerts, pMesh.mTexCount) && Agrees(pMesh.mFaces, pMesh.mFaceCount) &&
           Agrees(pMesh.mMaterialGroups, pMesh.mMaterialGroupCount) &&
           FacesValid(pMesh.mFaces, pMesh.mVertices.size()) &&
           GroupsValid(pMesh.mMaterialGroups, pMesh.mFaces.size());
}

// Sizes a per-vertex or per-face list that disagrees with its count to the count, keeping what
// fits and giving the rest pDefault, with a warning: other readers load such files.
template <typename T>
void FitList(Toolkit3dsContext& ioKit, const MeshObject3ds& pMesh, std::vector<T>& ioList,
             uint16_t* ioListCount, std::size_t pCount, const char* pWhat, const char* pPer,
             const T& pDefault)
{
    if (ioList.empty() || ioList.size() == pCount) {
        return;
    }
    AddWarning3ds(ioKit, "mesh \"" + pMesh.mName + "\": " + std::to_string(ioList.size()) + " " +
                             pWhat + " for " + std::to_string(pCount) + " " + pPer +
                             "; the missing ones take the default, extra ones are dropped");
    ioList.resize(pCount, pDefault);
    if (ioListCount) {
        *ioListCount = static_cast<uint16_t>(pCount);
    }
}

// Drops the face indexes of a material group that name no face, with a warning that names the
// mesh, the group and the first such index: the group's other faces keep their material.
void DropFacesOutOfRange(Toolkit3dsContext& ioKit, MeshObject3ds& ioMesh)
{
    const std::size_t lFaces = ioMesh.mFaces.size();
    for (MaterialGroup3ds& lGroup : ioMesh.mMaterialGroups) {
        std::vector<uint16_t>& lIndexes = lGroup.mFaces;
        const auto lFirstBad = std::find_if(lIndexes.begin(), lIndexes.end(),
                                            [lFaces](uint16_t pFace) { return pFace >= lFaces; });
        if (lFirstBad == lIndexes.end()) {
            continue;
        }
        const uint16_t lShown = *lFirstBad;
        const auto lKept = std::remove_if(lIndexes.begin(), lIndexes.end(),
                                          [lFaces](uint16_t pFace) { return pFace >= lFaces; });
        const std::size_t lDropped = static_cast<std::size_t>(lIndexes.end() - lKept);
        lIndexes.erase(lKept, lIndexes.end());
        AddWarning3ds(ioKit, "mesh \"" + ioMesh.mName + "\": material group \"" + lGroup.mName +
                                 "\" names face " + std::to_string(lShown) + " of " +
                                 std::to_string(lFaces) + " faces; " + std::to_string(lDropped) +
                                 " such face index(es) dropped");
    }
}

void FitListsToCounts(Toolkit3dsContext& ioKit, MeshObject3ds& ioMesh)
{
    DropFacesOutOfRange(ioKit, ioMesh);
    FitList(ioKit, ioMesh, ioMesh.mVertexFlags, &ioMesh.mVertexFlagCount, ioMesh.mVertices.size(),
            "vertex flags", "vertices", uint16_t{0});
    FitList(ioKit, ioMesh, ioMesh.mTexVerts, &ioMesh.mTexCount, ioMesh.mVertices.size(),
            "texture coordinates", "vertices", TexVert3ds());
    FitList(ioKit, ioMesh, ioMesh.mSmoothing, nullptr, ioMesh.mFaces.size(), "smoothing masks",
            "faces", uint32_t{0});
}

bool NamesFit(Toolkit3dsContext& ioKit, const MeshObject3ds& pMesh)
{
    bool lFit = CheckName3ds(ioKit, pMesh.mProcName, kProcNameBound);
    for (const MaterialGroup3ds& lGroup : pMesh.mMaterialGroups) {
        lFit = lFit && CheckName3ds(ioKit, lGroup.mName, kMaterialNameBound);
    }
    for (const std::string& lName : pMesh.mBoxMap) {
        lFit = lFit && CheckName3ds(ioKit, lName, kMaterialNameBound);
    }
    return lFit;
}

void ReadFaceChildren(Toolkit3dsContext& ioKit, ChunkNode3ds* pFaces, MeshObject3ds& ioMesh)
{
    for (ChunkNode3ds* lChild = pFaces->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        if (lChild->mTag != Tag3ds::kMeshMatGroup && lChild->mTag != Tag3ds::kSmoothGroup &&
            lChild->mTag != Tag3ds::kMeshBoxMap) {
            continue;
        }
        ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChild);
        if (!lData) {
            return;
        }
        if (lChild->mTag == Tag3ds::kMeshMatGroup) {
            ioMesh.mMaterialGroups.push_back({lData->mStrings[0], std::move(lData->mShorts)});
        } else if (lChild->mTag == Tag3ds::kSmoothGroup) {
            ioMesh.mSmoothing = std::move(lData->mInts);
        } else {
            ioMesh.mUseBoxMap = true;
            std::copy(lData->mStrings.begin(), lData->mStrings.end(), ioMesh.mBoxMap.begin());
        }
    }
    ioMesh.mMaterialGroupCount = static_cast<uint16_t>(ioMesh.mMaterialGroups.size());
}

void ReadMeshChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, MeshObject3ds& ioMesh)
{
    ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    std::vector<float>& lFloats = lData->mFloats;
    switch (pChild->mTag) {
    case Tag3ds::kPointArray:
        ioMesh.mVertexCount = static_cast<uint16_t>(lFloats.size() / 3);
        ioMesh.mVertices.resize(ioMesh.mVertexCount);
        for (std::size_t i = 0; i < ioMesh.mVertices.size(); ++i) {
            ioMesh.mVertices[i] = {lFloats[3 * i], lFloats[3 * i + 1], lFloats[3 * i + 2]};
        }
        break;
    case Tag3ds::kTexVerts:
        ioMesh.mTexCount = static_cast<uint16_t>(lFloats.size() / 2);
        ioMesh.mTexVerts.resize(ioMesh.mTexCount);
        for (std::size_t i = 0; i < ioMesh.mTexVerts.size(); ++i) {
            ioMesh.mTexVerts[i] = {lFloats[2 * i], lFloats[2 * i + 1]};
        }
        break;
    case Tag3ds::kPointFlagArray:
        ioMesh.mVertexFlagCount = static_cast<uint16_t>(lData->mShorts.size());
        ioMesh.mVertexFlags = std::move(lData->mShorts);
        break;
    case Tag3ds::kFaceArray:
        ioMesh.mFaceCount = static_cast<uint16_t>(lData->mShorts.size() / 4);
        ioMesh.mFaces.resize(ioMesh.mFaceCount);
        for (std::size_t i = 0; i < ioMesh.mFaces.size(); ++i) {
            const uint16_t* lFace = &lData->mShorts[4 * i];
            ioMesh.mFaces[i] = {lFace[0], lFace[1], lFace[2], lFace[3]};
        }
        ReadFaceChildren(ioKit, pChild, ioMesh);
        break;
    case Tag3ds::kMeshMatrix:
        std::copy(lFloats.begin(), lFloats.end(), ioMesh.mLocal);
        break;
    case Tag3ds::kMeshColor:
        ioMesh.mMeshColor = static_cast<uint8_t>(lData->mInts[0]);
        break;
    case Tag3ds::kMeshTextureInfo: {
        MeshMapping3ds& lMap = ioMesh.mMapping;
        ioMesh.mHasMapping = true;
        lMap.mType = static_cast<uint16_t>(lData->mInts[0]);
        const float* f = lFloats.data();
        lMap.mTile[0] = f[0];
        lMap.mTile[1] = f[1];
        lMap.mPosition = {f[2], f[3], f[4]};
        lMap.mScale = f[5];
        std::copy(f + 6, f + 18, lMap.mMatrix);
        std::copy(f + 18, f + 21, lMap.mPlanar);
        break;
    }
    case Tag3ds::kProcName:
        ioMesh.mProcName = lData->mStrings[0];
        break;
    case Tag3ds::kProcData:
        ioMesh.mProcSize = static_cast<uint32_t>(lData->mBlock.size());
        ioMesh.mProcData = std::move(lData->mBlock);
        break;
    default:
        break;
    }
}

void PutFaces(ChunkNode3ds* pMesh, const MeshObject3ds& pRecord)
{
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithData3ds(lChunk, Tag3ds::kFaceArray);
    std::vector<uint16_t>& lShorts = lChunk->mData->mShorts;
    for (const Face3ds& lFace : pRecord.mFaces) {
        lShorts.insert(lShorts.end(), {lFace.v1, lFace.v2, lFace.v3, lFace.flag});
    }
    ChunkNode3ds* lFaces = InsertChildChunk3ds(pMesh, std::move(lChunk));
    for (const MaterialGroup3ds& lGroup : pRecord.mMaterialGroups) {
        ChunkData3ds* lData = AddDataChild3ds(lFaces, Tag3ds::kMeshMatGroup);
        lData->mStrings[0] = lGroup.mName;
        lData->mShorts = lGroup.mFaces;
    }
    if (!pRecord.mSmoothing.empty()) {
        AddDataChild3ds(lFaces, Tag3ds::kSmoothGroup)->mInts = pRecord.mSmoothing;
    }
    if (pRecord.mUseBoxMap) {
        ChunkData3ds* lData = AddDataChild3ds(lFaces, Tag3ds::kMeshBoxMap);
        std::copy(pRecord.mBoxMap.begin(), pRecord.mBoxMap.end(), lData->mStrings.begin());
    }
}

void PutMeshChildren(ChunkNode3ds* pMesh, const MeshObject3ds& pRecord)
{
    if (pRecord.mVertexCount != 0 && !pRecord.mVertices.empty()) {
        std::vector<float>& lFloats = AddDataChild3ds(pMesh, Tag3ds::kPointArray)->mFloats;
        for (const Point3ds& lPoint : pRecord.mVertices) {
            lFloats.insert(lFloats.end(), {lPoint.x, lPoint.y, lPoint.z});
        }
    }
    if (pRecord.mTexCount != 0 && !pRecord.mTexVerts.empty()) {
        std::vector<float>& lFloats = AddDataChild3ds(pMesh, Tag3ds::kTexVerts)->mFloats;
        for (const TexVert3ds& lVert : pRecord.mTexVerts) {
            lFloats.insert(lFloats.end(), {lVert.u, lVert.v});
        }
    }
    if (pRecord.mHasMapping) {
        const MeshMapping3ds& lMap = pRecord.mMapping;
        ChunkData3ds* lData = AddDataChild3ds(pMesh, Tag3ds::kMeshTextureInfo);
        lData->mInts[0] = lMap.mType;
        lData->mFloats = {lMap.mTile[0],    lMap.mTile[1],    lMap.mPosition.x,
                          lMap.mPosition.y, lMap.mPosition.z, lMap.mScale};
        lData->mFloats.insert(lData->mFloats.end(), lMap.mMatrix,
                              lMap.mMatrix + MeshMapping3ds::kMatrixSize);
        lData->mFloats.insert(lData->mFloats.end(), lMap.mPlanar, lMap.mPlanar + 3);
    }
    if (pRecord.mVertexFlagCount != 0 && !pRecord.mVertexFlags.empty()) {
        AddDataChild3ds(pMesh, Tag3ds::kPointFlagArray)->mShorts = pRecord.mVertexFlags;
    }
    AddDataChild3ds(pMesh, Tag3ds::kMeshMatrix)
        ->mFloats.assign(pRecord.mLocal, pRecord.mLocal + MeshObject3ds::kLocalSize);
    AddDataChild3ds(pMesh, Tag3ds::kMeshColor)->mInts[0] = pRecord.mMeshColor;
    if (pRecord.mFaceCount != 0 && !pRecord.mFaces.empty()) {
        PutFaces(pMesh, pRecord);
    }
    if (!pRecord.mProcData.empty()) {
        AddStringChild3ds(pMesh, Tag3ds::kProcName, pRecord.mProcName);
        AddDataChild3ds(pMesh, Tag3ds::kProcData)->mBlock = pRecord.mProcData;
    }
}

} // namespace

void InitMeshObject3ds(std::unique_ptr<MeshObject3ds>& ioMesh, uint16_t pVertexCount,
                       uint16_t pFaceCount, uint32_t pParts)
{
    if (!ioMesh) {
        ioMesh = std::make_unique<MeshObject3ds>();
    }
    *ioMesh = MeshObject3ds();
    ioMesh->mVertexCount = pVertexCount;
    ioMesh->mFaceCount = pFaceCount;
    if (pParts & kMeshTexVerts3ds) {
        ioMesh->mTexCount = pVertexCount;
    }
    if (pParts & kMeshVertexFlags3ds) {
        ioMesh->mVertexFlagCount = pVertexCount;
    }
    AllocMeshParts3ds(ioMesh.get(),
                      kMeshVertices3ds | kMeshFaces3ds |
                          (pParts & (kMeshTexVerts3ds | kMeshVertexFlags3ds | kMeshSmoothing3ds)));
}

void AllocMeshParts3ds(MeshObject3ds* pMesh, uint32_t pParts)
{
    if (!pMesh) {
        return;
    }
    if (pParts & kMeshVertices3ds) {
        SizeTo(pMesh->mVertices, pMesh->mVertexCount, Point3ds());
    }
    if (pParts & kMeshTexVerts3ds) {
        SizeTo(pMesh->mTexVerts, pMesh->mTexCount, TexVert3ds());
    }
    if (pParts & kMeshFaces3ds) {
        SizeTo(pMesh->mFaces, pMesh->mFaceCount, Face3ds());
    }
    if (pParts & kMeshMaterialGroups3ds) {
        SizeTo(pMesh->mMaterialGroups, pMesh->mMaterialGroupCount, MaterialGroup3ds());
    }
    if (pParts & kMeshSmoothing3ds) {
        SizeTo(pMesh->mSmoothing, pMesh->mFaceCount, uint32_t{0});
    }
    if (pParts & kMeshProcData3ds) {
        SizeTo(pMesh->mProcData, pMesh->mProcSize, uint8_t{0});
    }
    if (pParts & kMeshVertexFlags3ds) {
        SizeTo(pMesh->mVertexFlags, pMesh->mVertexFlagCount, uint16_t{0});
    }
}

void InitMaterialGroupFaces3ds(Toolkit3dsContext& ioKit, MeshObject3ds* pMesh, uint32_t pGroup,
                               uint16_t pFaceCount)
{
    if (!pMesh || pFaceCount == 0) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pMesh->mFaceCount == 0 || pMesh->mFaces.empty() || pGroup >= pMesh->mMaterialGroupCount ||
        pGroup >= pMesh->mMaterialGroups.size()) {
        PushError3ds(ioKit, ERR_INVALID_DATA);
        return;
    }
    pMesh->mMaterialGroups[pGroup].mFaces.assign(pFaceCount, 0);
}

void FreeMeshParts3ds(MeshObject3ds* pMesh, uint32_t pParts)
{
    if (!pMesh) {
        return;
    }
    if (pParts & kMeshVertices3ds) {
        pMesh->mVertices = {};
    }
    if (pParts & kMeshTexVerts3ds) {
        pMesh->mTexVerts = {};
    }
    if (pParts & kMeshFaces3ds) {
        pMesh->mFaces = {};
    }
    if (pParts & kMeshMaterialGroups3ds) {
        pMesh->mMaterialGroups = {};
    }
    if (pParts & kMeshSmoothing3ds) {
        pMesh->mSmoothing = {};
    }
    if (pParts & kMeshProcData3ds) {
        pMesh->mProcData = {};
    }
    if (pParts & kMeshVertexFlags3ds) {
        pMesh->mVertexFlags = {};
    }
}

void ReleaseMeshObject3ds(std::unique_ptr<MeshObject3ds>& ioMesh)
{
    ioMesh.reset();
}

uint32_t GetMeshCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountObjects3ds(ioKit, pDatabase, HasMesh);
}

void GetMeshByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                       std::unique_ptr<MeshObject3ds>& ioMesh)
{
    if (!pDatabase) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (!pDatabase->mTopChunk || (lKind != kMeshFile3ds && lKind != kProjectFile3ds)) {
        PushError3ds(ioKit, pDatabase->mTopChunk ? ERR_WRONG_DATABASE : ERR_INVALID_DATABASE);
        return;
    }
    if (ChunkNode3ds* lObject = NthObject3ds(ioKit, pDatabase, pIndex, HasMesh)) {
        ReadMeshObject3ds(ioKit, lObject, ioMesh);
    }
}

void ReadMeshObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                       std::unique_ptr<MeshObject3ds>& ioMesh)
{
    if (!pObject) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pObject->mTag != Tag3ds::kNamedObject || !HasMesh(pObject)) {
        PushError3ds(ioKit, ERR_WRONG_OBJECT);
        return;
    }
    InitMeshObject3ds(ioMesh, 0, 0, 0);
    MeshObject3ds& lMesh = *ioMesh;
    // A copy keeps the database's data where it is while the arrays are taken from the copy.
    std::unique_ptr<ChunkNode3ds> lCopy;
    CopyChunk3ds(pObject, lCopy);
    const ChunkData3ds* lName = ReadChunkData3ds(ioKit, lCopy.get());
    if (!lName) {
        return;
    }
    lMesh.mName = lName->mStrings[0];
    ChunkNode3ds* lMeshChunk = ChildOf3ds(lCopy.get(), Tag3ds::kNTriObject);
    for (ChunkNode3ds* lChild = lMeshChunk->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        ReadMeshChild(ioKit, lChild, lMesh);
    }
    for (ChunkNode3ds* lChild = lCopy->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        for (std::size_t i = 0; i < MeshObject3ds::kFlagTags.size(); ++i) {
            lMesh.mObjectFlags[i] |= lChild->mTag == MeshObject3ds::kFlagTags[i] ? 1 : 0;
        }
        lMesh.mUseProc |= lChild->mTag == Tag3ds::kObjProcedural ? 1 : 0;
    }
    if (!IsErrorPending3ds(ioKit)) {
        FitListsToCounts(ioKit, lMesh);
    }
    if (!IsErrorPending3ds(ioKit) && !MeshConsistent(lMesh)) {
        PushError3ds(ioKit, ERR_INVALID_DATA);
    }
}

void PutMesh3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, const MeshObject3ds* pMesh)
{
    if (!pDatabase || !pMesh) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (!MeshConsistent(*pMesh)) {
        PushError3ds(ioKit, ERR_INVALID_DATA);
        return;
    }
    if (!NamesFit(ioKit, *pMesh)) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    ChunkNode3ds* lObject = PrepareNamedObject3ds(ioKit, pDatabase, pMesh->mName, true, lXdata);
    if (!lObject) {
        PushError3ds(ioKit, ERR_PUTTING_MESH);
        return;
    }
    ChunkNode3ds* lMesh = AddEmptyChild3ds(lObject, Tag3ds::kNTriObject);
    PutMeshChildren(lMesh, *pMesh);
    for (std::size_t i = 0; i < MeshObject3ds::kFlagTags.size(); ++i) {
        if (pMesh->mObjectFlags[i]) {
            AddEmptyChild3ds(lObject, MeshObject3ds::kFlagTags[i]);
        }
    }
    if (pMesh->mUseProc == 1 && !pMesh->mProcData.empty()) {
        AddEmptyChild3ds(lObject, Tag3ds::kObjProcedural);
    }
    if (lXdata) {
        AddChildChunk3ds(lMesh, std::move(lXdata));
    }
}

uint32_t CountMaterialGroups3ds(ChunkNode3ds* pChunk)
{
    uint32_t lCount = 0;
    for (ChunkNode3ds* lGroup = FindChunk3ds(pChunk, Tag3ds::kMeshMatGroup); lGroup;
         lGroup = FindNextChunk3ds(lGroup->mNext.get(), Tag3ds::kMeshMatGroup)) {
        ++lCount;
    }
    return lCount;
}
