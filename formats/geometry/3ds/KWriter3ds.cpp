#include "formats/geometry/3ds/KWriter3ds.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KFileUtils.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsFileContent.h"
#include "formats/geometry/3ds/K3dsLightCameraExport.h"
#include "formats/geometry/3ds/K3dsMeshExport.h"
#include "formats/geometry/3ds/K3dsTrackExport.h"
#include "formats/geometry/3ds/K3dsWriteSession.h"
#include "formats/geometry/3ds/KRenamingStrategy3ds.h"
#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "io/KOutOfMemory.h"
#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPatch.h"

#include <utility>
#include <vector>

namespace {

constexpr double kInchesPerCentimetre = 0.3937007874015748;
constexpr float kRayBias = 3.0f;
constexpr uint16_t kShadowMapSize = 500;
constexpr float kShadowFilter = 3.0f;
constexpr int kDefaultLastFrame = 100;
const char* const kReferencePrefix = "Ryv_Roo";
const char* const kDummyName = "$$$DUMMY";
const Point3ds kDummyMin{-0.5f, -0.5f, -0.5f};
const Point3ds kDummyMax{0.5f, 0.5f, 0.5f};

bool IsReferenceName(const std::string& pName)
{
    return pName.rfind(kReferencePrefix, 0) == 0;
}

// The node's name (with its type prefix) as the file knows it. A dummy read from a file is
// named "$$$DUMMY." and its instance name, which is what the file calls it.
std::string NameInFile(const KRyvNode& pNode)
{
    const std::string lName = pNode.GetName().Buffer();
    const std::string lOwn = pNode.GetNameWithoutPrefix().Buffer();
    const std::string lDummy = std::string(kDummyName) + ".";
    if (lOwn.rfind(lDummy, 0) != 0) {
        return lName;
    }
    return lName.substr(0, lName.size() - lOwn.size()) + lOwn.substr(lDummy.size());
}

// Translation, rotation and scaling of a node at time 0: a group's curves when the current
// take has all three, else the node's static values.
void TransformAtZero(KRyvNode& ioNode, KVector4* oTRS)
{
    KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    KFCurve* lCurves[3][3] = {
        {lTake ? lTake->GetTransformTX() : nullptr, lTake ? lTake->GetTransformTY() : nullptr,
         lTake ? lTake->GetTransformTZ() : nullptr},
        {lTake ? lTake->GetTransformRX() : nullptr, lTake ? lTake->GetTransformRY() : nullptr,
         lTake ? lTake->GetTransformRZ() : nullptr},
        {lTake ? lTake->GetTransformSX() : nullptr, lTake ? lTake->GetTransformSY() : nullptr,
         lTake ? lTake->GetTransformSZ() : nullptr}};
    oTRS[0] = KVector4();
    oTRS[1] = KVector4();
    oTRS[2] = KVector4(1.0, 1.0, 1.0);
    ioNode.GetLclTranslation(oTRS[0]);
    ioNode.GetLclRotation(oTRS[1]);
    ioNode.GetLclScaling(oTRS[2]);
    for (int g = 0; g < 3; ++g) {
        if (lCurves[g][0] && lCurves[g][1] && lCurves[g][2]) {
            for (int c = 0; c < 3; ++c) {
                oTRS[g][c] = lCurves[g][c]->Evaluate(KTime());
            }
        }
    }
}

// The scene's nodes, each before its children; the walk keeps its own stack, so a deep
// hierarchy cannot exhaust the call stack.
std::vector<KRyvNode*> NodesInWalkOrder(KRyvScene& ioScene)
{
    std::vector<KRyvNode*> lNodes;
    std::vector<KRyvNode*> lPending{ioScene.GetRootNode()};
    while (!lPending.empty()) {
        KRyvNode* lNode = lPending.back();
        lPending.pop_back();
        lNodes.push_back(lNode);
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lPending.push_back(lNode->GetChild(i));
        }
    }
    return lNodes;
}

// Why the tracks of a node would be too long to sample (empty when none is), checked before
// anything is built: every node's with the keyframer on, and a look-at target's always, since
// a target is sampled over its own keys either way.
std::string SpanRefusal(const K3dsWriteSession& pSession, const std::vector<KRyvNode*>& pNodes)
{
    const K3dsTrackExport lTracks(pSession);
    for (KRyvNode* lNode : pNodes) {
        std::string lWhy = pSession.mKeyframerOn ? lTracks.SpanRefusal(*lNode) : std::string();
        KRyvNode* lTarget = lNode->GetLookAtTarget();
        if (lWhy.empty() && lTarget) {
            lWhy = lTracks.SpanRefusal(*lTarget);
        }
        if (!lWhy.empty()) {
            return lWhy;
        }
    }
    return std::string();
}

} // namespace

KWriter3ds::KWriter3ds(KRyvObjectFactory* pOwner) : KWriter(pOwner) {}

KWriter3ds::~KWriter3ds()
{
    FileClose();
}

std::unique_ptr<KWriter> KWriter3ds::Create(KRyvObjectFactory* pOwner)
{
    return std::unique_ptr<KWriter>(new (std::nothrow) KWriter3ds(pOwner));
}

bool KWriter3ds::FileCreate(const char* pFileName)
{
    FileClose();
    if (!pFileName || !*pFileName) {
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mKit = std::make_unique<Toolkit3dsContext>();
    // The file and the texture files copied for it go in place together: with the caller's
    // group, else with one of the writer's own.
    StartOwnGroup(pFileName);
    mFile = OpenFile3ds(*mKit, pFileName, "wb", GetWriteGroup());
    if (!mFile) {
        FileClose();
        GetError().SetLastErrorID(kFileNotOpened);
        return false;
    }
    mFileName = pFileName;
    return true;
}

bool KWriter3ds::FileClose()
{
    // The run's destructor discards a file that was never written whole, and the own group the
    // texture files copied for it.
    mKit.reset();
    mFile = nullptr;
    EndOwnGroup(false);
    return true;
}

std::unique_ptr<KStreamOptions> KWriter3ds::GetWriteOptions()
{
    return std::make_unique<KStreamOptions3ds>();
}

const char* KWriter3ds::FindMissingContent(KRyvScene* pScene)
{
    return FindMissingNodeContent(pScene);
}

bool KWriter3ds::Fail(int pCode, const std::string& pWhy)
{
    const std::string lText = std::string(GetFileName(mFileName.c_str()).Buffer()) + ": " + pWhy;
    GetError().SetLastError(pCode, lText.c_str());
    GetMessage() += (lText + "\n").c_str();
    FileClose();
    return false;
}

bool KWriter3ds::Write(KRyvScene* pScene, KStreamOptions* pOptions)
{
    if (!CheckWriteArguments(mFile != nullptr, pScene, pOptions, KStreamOptions3ds::ClassId(),
                             true)) {
        return false;
    }
    const bool lWritten = CatchOutOfMemory(
        [&] {
            K3dsWriteSession lSession;
            lSession.mFlags.FromOptions(static_cast<KStreamOptions3ds&>(*pOptions));
            return WriteScene(*pScene, lSession);
        },
        [&] { return Fail(kUnidentifiedError, "out of memory"); });
    // The file (handed to the group when whole) and its texture copies go in place together,
    // or none of them does.
    mKit.reset();
    mFile = nullptr;
    return EndOwnGroup(lWritten);
}

void KWriter3ds::NameObjects(K3dsWriteSession& ioSession)
{
    KRyvObjectFactory* lFactory = GetOwner();
    for (int i = 0; i < lFactory->GetNodeCount(); ++i) {
        const KRyvNode* lNode = lFactory->GetNode(i);
        ioSession.mNodeNames[lNode] =
            ioSession.mNodeNamer->Rename(NameInFile(*lNode), KRenamingStrategy3ds::kNodeNameLength);
    }
    KRenamingStrategy3ds lMaterialNamer;
    for (int i = 0; i < lFactory->GetMaterialCount(); ++i) {
        const KRyvMaterial* lMaterial = lFactory->GetMaterial(i);
        ioSession.mMaterialNames[lMaterial] = lMaterialNamer.Rename(
            lMaterial->GetName().Buffer(), KRenamingStrategy3ds::kMaterialNameLength);
    }
}

bool KWriter3ds::WriteScene(KRyvScene& ioScene, K3dsWriteSession& ioSession)
{
    Toolkit3dsContext& lKit = *mKit;
    std::unique_ptr<ChunkDatabase3ds> lDatabase;
    InitDatabase3ds(lKit, lDatabase);
    InitDatabaseOfKind3ds(lKit, lDatabase.get(), kMeshFile3ds);
    KRenamingStrategy3ds lNodeNamer;
    ioSession.mFactory = GetOwner();
    ioSession.mKit = &lKit;
    ioSession.mDatabase = lDatabase.get();
    ioSession.mMessage = &GetMessage();
    ioSession.mFileName = mFileName;
    ioSession.mGroup = GetWriteGroup();
    ioSession.mNodeNamer = &lNodeNamer;
    ioSession.mMasterScale = ioSession.mFlags.mRescale ? kInchesPerCentimetre : 1.0;
    NameObjects(ioSession);
    ioSession.mKeyframerOn = ioSession.mFlags.mAnim;
    KTime lStart;
    KTime lStop;
    ioScene.GetRootNode()->GetAnimationInterval(lStart, lStop);
    if (lStart == lStop) {
        ioSession.mKeyframerOn = false;
        lStart = KTime();
        // Frames of the keyframer count at 30 per second, whatever the scene's time mode.
        lStop = K3dsAxes::FrameTime(kDefaultLastFrame);
    }
    // The current take's own span, when it has one, is the keyframer's length: a file's frame
    // range outlives keys that end before it.
    const KTakeInfo* lTake = ioScene.GetTakeInfo(ioScene.GetCurrentTakeName());
    if (lTake && lTake->mLocalStop > lTake->mLocalStart) {
        lStop = lTake->mLocalStop;
    }
    const std::vector<KRyvNode*> lNodes = NodesInWalkOrder(ioScene);
    const std::string lRefusal = SpanRefusal(ioSession, lNodes);
    if (!lRefusal.empty()) {
        return Fail(kUnidentifiedError, lRefusal);
    }
    NoteTargets(ioSession, lNodes);
    for (KRyvNode* lNode : lNodes) {
        WriteNode(ioSession, *lNode);
    }
    PutSettings(ioScene, ioSession, lStop);
    WriteDatabase3ds(lKit, mFile, lDatabase.get());
    // Hands the file to the group only when no toolkit error is pending.
    CloseAllFiles3ds(lKit);
    mFile = nullptr;
    if (IsErrorPending3ds(lKit)) {
        return Fail(kUnidentifiedError, FirstErrorText3ds(lKit));
    }
    return true;
}

void KWriter3ds::PutSettings(KRyvScene& ioScene, K3dsWriteSession& ioSession, KTime pStop)
{
    std::unique_ptr<MeshSettings3ds> lSettings;
    InitMeshSettings3ds(lSettings);
    KColor lAmbient(0.0, 0.0, 0.0);
    if (ioSession.mFlags.mAmbientLight) {
        lAmbient = ioScene.GetGlobalLightSettings().GetAmbientColor();
    }
    lSettings->mAmbient = {static_cast<float>(lAmbient.mRed), static_cast<float>(lAmbient.mGreen),
                           static_cast<float>(lAmbient.mBlue)};
    lSettings->mMasterScale =
        static_cast<float>(ioSession.mFlags.mRescale ? ioSession.mMasterScale : 1.0);
    lSettings->mRayBias = kRayBias;
    lSettings->mShadowMapSize = kShadowMapSize;
    lSettings->mShadowFilter = kShadowFilter;
    PutMeshSettings3ds(*ioSession.mKit, ioSession.mDatabase, lSettings.get());
    std::unique_ptr<KeyframerSettings3ds> lKeyframer;
    InitKeyframerSettings3ds(lKeyframer);
    const int64_t lLength = pStop.GetFrame(K3dsAxes::kTimeMode);
    lKeyframer->mAnimLength = static_cast<uint32_t>(std::clamp<int64_t>(lLength, 0, UINT32_MAX));
    PutKeyframerSettings3ds(*ioSession.mKit, ioSession.mDatabase, lKeyframer.get());
}

void KWriter3ds::NoteTargets(K3dsWriteSession& ioSession, const std::vector<KRyvNode*>& pNodes)
{
    for (KRyvNode* lNode : pNodes) {
        KRyvNode* lTarget = lNode->GetLookAtTarget();
        auto* lLight = static_cast<KRyvLight*>(lNode->GetLight());
        const bool lSpot =
            lLight && lLight->GetLightType() == KRyvLight::eSpot && ioSession.mFlags.mLights;
        const bool lCamera = lNode->GetCamera() && ioSession.mFlags.mCamera;
        if (lTarget && (lSpot || lCamera)) {
            ioSession.mTargets.insert(lTarget);
        }
    }
}

void KWriter3ds::WriteNode(K3dsWriteSession& ioSession, KRyvNode& ioNode)
{
    KVector4 lTRS[3];
    TransformAtZero(ioNode, lTRS);
    KRyvNodeAttribute* lAttribute = ioNode.GetNodeAttribute();
    switch (lAttribute ? lAttribute->GetAttributeType() : -1) {
    case KRyvNodeAttribute::eMesh:
    case KRyvNodeAttribute::eNurb:
    case KRyvNodeAttribute::ePatch:
        if (ioSession.mFlags.mGeometries) {
            WriteGeometry(ioSession, ioNode, lTRS);
        }
        break;
    case KRyvNodeAttribute::eLight:
        if (ioSession.mFlags.mLights) {
            WriteLight(ioSession, ioNode, lTRS[0]);
        }
        break;
    case KRyvNodeAttribute::eCamera:
        if (ioSession.mFlags.mCamera) {
            WriteCamera(ioSession, ioNode, lTRS[0]);
        }
        break;
    default:
        WriteDummy(ioSession, ioNode);
        break;
    }
}

void KWriter3ds::WriteGeometry(K3dsWriteSession& ioSession, KRyvNode& ioNode, const KVector4* pTRS)
{
    KRyvObjectFactory* lFactory = GetOwner();
    KRyvGeometryConverter lConverter(lFactory);
    // NURBS and patches are tessellated on a copy, which goes again once written.
    KRyvMesh* lConverted = nullptr;
    if (ioNode.GetNurb()) {
        lConverted = lConverter.ConvertNurbToMesh(static_cast<KRyvNurb*>(ioNode.GetNurb()));
    } else if (ioNode.GetPatch()) {
        lConverted = lConverter.ConvertPatchToMesh(static_cast<KRyvPatch*>(ioNode.GetPatch()));
    }
    KRyvMesh* lMesh = lConverted ? lConverted : static_cast<KRyvMesh*>(ioNode.GetMesh());
    const std::string lName = ioSession.NameOf(&ioNode);
    std::vector<std::unique_ptr<MeshObject3ds>> lObjects;
    if (lMesh) {
        K3dsMeshExport lExport(ioSession);
        lObjects = lExport.BuildMesh(*lMesh, pTRS[0], pTRS[1], pTRS[2], lName,
                                     ioSession.mFlags.mTextureMapping && !lConverted);
    }
    if (lConverted) {
        lFactory->DestroyNodeAttribute(lConverted);
    }
    K3dsTrackExport lTracks(ioSession);
    std::unique_ptr<ObjectMotion3ds> lMotion = lTracks.BuildObjectMotion(ioNode);
    for (std::unique_ptr<MeshObject3ds>& lObject : lObjects) {
        PutMesh3ds(*ioSession.mKit, ioSession.mDatabase, lObject.get());
        // The further objects of a split mesh move as the first one does.
        lMotion->mName = lObject->mName;
        PutObjectMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
        ReleaseMeshObject3ds(lObject);
    }
    if (lObjects.empty()) {
        PutObjectMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
    }
    ReleaseObjectMotion3ds(lMotion);
}

void KWriter3ds::WriteLight(K3dsWriteSession& ioSession, KRyvNode& ioNode,
                            const KVector4& pTranslation)
{
    auto* lLight = static_cast<KRyvLight*>(ioNode.GetLight());
    K3dsLightCameraExport lExport(ioSession);
    const std::string lName = ioSession.NameOf(&ioNode);
    if (lLight->GetLightType() == KRyvLight::ePoint) {
        std::unique_ptr<LightObject3ds> lRecord =
            lExport.BuildOmniLight(*lLight, pTranslation, lName);
        PutLight3ds(*ioSession.mKit, ioSession.mDatabase, lRecord.get());
        std::unique_ptr<OmniLightMotion3ds> lMotion = lExport.BuildOmniLightMotion(ioNode);
        PutOmniLightMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
    } else if (lLight->GetLightType() == KRyvLight::eSpot) {
        std::unique_ptr<LightObject3ds> lRecord =
            lExport.BuildSpotLight(ioNode, *lLight, pTranslation, lName);
        PutLight3ds(*ioSession.mKit, ioSession.mDatabase, lRecord.get());
        std::unique_ptr<SpotlightMotion3ds> lMotion = lExport.BuildSpotLightMotion(ioNode);
        PutSpotlightMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
    }
}

void KWriter3ds::WriteCamera(K3dsWriteSession& ioSession, KRyvNode& ioNode,
                             const KVector4& pTranslation)
{
    auto* lCamera = static_cast<KRyvCamera*>(ioNode.GetCamera());
    K3dsLightCameraExport lExport(ioSession);
    std::unique_ptr<CameraObject3ds> lRecord =
        lExport.BuildCamera(ioNode, *lCamera, pTranslation, ioSession.NameOf(&ioNode));
    PutCamera3ds(*ioSession.mKit, ioSession.mDatabase, lRecord.get());
    std::unique_ptr<CameraMotion3ds> lMotion = lExport.BuildCameraMotion(ioNode);
    PutCameraMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
}

void KWriter3ds::WriteDummy(K3dsWriteSession& ioSession, KRyvNode& ioNode)
{
    const std::string lName = ioSession.NameOf(&ioNode);
    if (IsReferenceName(lName)) {
        KVector4 lScaling(1.0, 1.0, 1.0);
        ioNode.GetLclScaling(lScaling);
        ioSession.mMasterScale = lScaling[0] * kInchesPerCentimetre;
        return;
    }
    if ((!ioNode.GetParent() && !ioSession.mFlags.mReferenceNode) ||
        ioSession.mTargets.count(&ioNode)) {
        return;
    }
    K3dsTrackExport lTracks(ioSession);
    std::unique_ptr<ObjectMotion3ds> lMotion = lTracks.BuildObjectMotion(ioNode);
    lMotion->mName = kDummyName;
    lMotion->mInstance = lName;
    lMotion->mBoundMin = kDummyMin;
    lMotion->mBoundMax = kDummyMax;
    PutObjectMotion3ds(*ioSession.mKit, ioSession.mDatabase, lMotion.get());
}
