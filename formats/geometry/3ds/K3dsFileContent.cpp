#include "formats/geometry/3ds/K3dsFileContent.h"

#include "formats/geometry/3ds/KStreamOptions3ds.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace {

// Fetches every record of one kind by index; false once the toolkit reports an error.
template <typename Record, typename Getter>
bool FetchAll(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pCount, Getter pGet,
              std::vector<std::unique_ptr<Record>>& oRecords)
{
    for (uint32_t i = 0; i < pCount && !IsErrorPending3ds(ioKit); ++i) {
        std::unique_ptr<Record> lRecord;
        pGet(ioKit, pDatabase, i, lRecord);
        if (lRecord && !IsErrorPending3ds(ioKit)) {
            oRecords.push_back(std::move(lRecord));
        }
    }
    return !IsErrorPending3ds(ioKit);
}

template <typename Node>
std::set<std::string> NamesOf(const std::vector<std::unique_ptr<Node>>& pNodes)
{
    std::set<std::string> lNames;
    for (const std::unique_ptr<Node>& lNode : pNodes) {
        lNames.insert(lNode->mName);
    }
    return lNames;
}

} // namespace

void K3dsReadFlags::FromOptions(const KStreamOptions3ds& pOptions)
{
    mTextureMapping = pOptions.IsOn(KStreamOptions3ds::kTextureMapping);
    mMaterials = pOptions.IsOn(KStreamOptions3ds::kMaterials);
    mAnim = pOptions.IsOn(KStreamOptions3ds::kAnim);
    mGeometries = pOptions.IsOn(KStreamOptions3ds::kGeometries);
    mLights = pOptions.IsOn(KStreamOptions3ds::kLights);
    mCameras = pOptions.IsOn(KStreamOptions3ds::kCamera);
    mReduceKeys = pOptions.IsOn(KStreamOptions3ds::kReduceKeys);
    mAmbientLight = pOptions.IsOn(KStreamOptions3ds::kAmbientLight);
    mSmoothGroups = pOptions.IsOn(KStreamOptions3ds::kSmoothGroup);
    mReferenceNode = pOptions.IsOn(KStreamOptions3ds::kCreateReferenceNode);
    mRescale = pOptions.IsOn(KStreamOptions3ds::kRescale);
}

bool K3dsFileContent::Load(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                           const K3dsReadFlags& pFlags)
{
    GetMeshSettings3ds(ioKit, pDatabase, mSettings);
    if (IsErrorPending3ds(ioKit)) {
        return false;
    }
    GetBackgroundSettings3ds(ioKit, pDatabase, mBackground);
    GetKeyframerSettings3ds(ioKit, pDatabase, mKeyframer);
    if (IsErrorPending3ds(ioKit) || !LoadObjects(ioKit, pDatabase, pFlags) ||
        !LoadNodes(ioKit, pDatabase, pFlags)) {
        return false;
    }
    AddDefaultNodes();
    return true;
}

bool K3dsFileContent::LoadObjects(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  const K3dsReadFlags& pFlags)
{
    if (!FetchAll(ioKit, pDatabase, GetMeshCount3ds(ioKit, pDatabase), GetMeshByIndex3ds,
                  mMeshes)) {
        return false;
    }
    if (pFlags.mLights && (!FetchAll(ioKit, pDatabase, GetOmniLightCount3ds(ioKit, pDatabase),
                                     GetOmniLightByIndex3ds, mOmniLights) ||
                           !FetchAll(ioKit, pDatabase, GetSpotlightCount3ds(ioKit, pDatabase),
                                     GetSpotlightByIndex3ds, mSpotLights))) {
        return false;
    }
    if (pFlags.mCameras && !FetchAll(ioKit, pDatabase, GetCameraCount3ds(ioKit, pDatabase),
                                     GetCameraByIndex3ds, mCameras)) {
        return false;
    }
    return FetchAll(ioKit, pDatabase, GetMaterialCount3ds(ioKit, pDatabase), GetMaterialByIndex3ds,
                    mMaterials);
}

bool K3dsFileContent::LoadNodes(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                const K3dsReadFlags& pFlags)
{
    if (!FetchAll(ioKit, pDatabase, GetObjectNodeCount3ds(ioKit, pDatabase),
                  GetObjectMotionByIndex3ds, mObjectNodes)) {
        return false;
    }
    if (pFlags.mLights && (!FetchAll(ioKit, pDatabase, GetOmniLightNodeCount3ds(ioKit, pDatabase),
                                     GetOmniLightMotionByIndex3ds, mOmniNodes) ||
                           !FetchAll(ioKit, pDatabase, GetSpotlightNodeCount3ds(ioKit, pDatabase),
                                     GetSpotlightMotionByIndex3ds, mSpotNodes))) {
        return false;
    }
    return !pFlags.mCameras || FetchAll(ioKit, pDatabase, GetCameraNodeCount3ds(ioKit, pDatabase),
                                        GetCameraMotionByIndex3ds, mCameraNodes);
}

void K3dsFileContent::AddDefaultNodes()
{
    // Objects missing from a partly filled keyframer would otherwise get no node and be lost.
    const std::set<std::string> lObjectNodes = NamesOf(mObjectNodes);
    for (const std::unique_ptr<MeshObject3ds>& lMesh : mMeshes) {
        if (!lObjectNodes.count(lMesh->mName)) {
            std::unique_ptr<ObjectMotion3ds> lNode;
            InitObjectMotion3ds(lNode, 0, 0, 0, 0, 0);
            lNode->mName = lMesh->mName;
            mObjectNodes.push_back(std::move(lNode));
            // Its local system is only what the keyframer's keys would place it by: without them
            // the object stands where its vertices are, as other readers put it.
            std::fill(std::begin(lMesh->mLocal), std::end(lMesh->mLocal), 0.0f);
            lMesh->mLocal[0] = lMesh->mLocal[4] = lMesh->mLocal[8] = 1.0f;
        }
    }
    const std::set<std::string> lOmniNodes = NamesOf(mOmniNodes);
    for (const std::unique_ptr<LightObject3ds>& lLight : mOmniLights) {
        if (!lOmniNodes.count(lLight->mName)) {
            std::unique_ptr<OmniLightMotion3ds> lNode;
            InitOmniLightMotion3ds(lNode, 0, 0);
            lNode->mName = lLight->mName;
            mOmniNodes.push_back(std::move(lNode));
        }
    }
    const std::set<std::string> lSpotNodes = NamesOf(mSpotNodes);
    for (const std::unique_ptr<LightObject3ds>& lLight : mSpotLights) {
        if (!lSpotNodes.count(lLight->mName)) {
            std::unique_ptr<SpotlightMotion3ds> lNode;
            InitSpotlightMotion3ds(lNode, 0, 0, 0, 0, 0, 0);
            lNode->mName = lLight->mName;
            mSpotNodes.push_back(std::move(lNode));
        }
    }
    const std::set<std::string> lCameraNodes = NamesOf(mCameraNodes);
    for (const std::unique_ptr<CameraObject3ds>& lCamera : mCameras) {
        if (!lCameraNodes.count(lCamera->mName)) {
            std::unique_ptr<CameraMotion3ds> lNode;
            InitCameraMotion3ds(lNode, 0, 0, 0, 0);
            lNode->mName = lCamera->mName;
            mCameraNodes.push_back(std::move(lNode));
        }
    }
}

std::string FirstErrorText3ds(const Toolkit3dsContext& pKit)
{
    for (const ErrorRecord3ds& lRecord : pKit.mErrors.mRecords) {
        if (lRecord.mCode != NO_FTK_ERRORS) {
            return ErrorText3ds(lRecord.mCode);
        }
    }
    return pKit.mErrors.mOverflow.mCode != NO_FTK_ERRORS
               ? ErrorText3ds(pKit.mErrors.mOverflow.mCode)
               : std::string();
}
